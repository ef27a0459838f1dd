// The results of an evaluation as named rows: the same names and units for
// the command line (zentor-mess) and the "Auswertung" window, which shows
// the German labels. Pure.
#pragma once

#include "curve_fit.h"
#include "periodic.h"

#include <QString>

#include <cmath>
#include <vector>

namespace zentor::analysis {

struct ResultRow {
    QString name;  // for scripts: "n", "t_von", "tau", "r2", ...
    QString label; // for people: "Anzahl", "von", "Zeitkonstante τ", "R²", ...
    double value = 0;
    QString unit; // "s", "V", "1" (raw values, counts, R²), "V/s", "1/s", "Hz", "rad"
    // The standard uncertainty of a fitted parameter, in `unit`; NaN for none.
    double uncertainty = std::nan("");
    // A fitted parameter: it has an uncertainty, NaN when it is unknown
    // (shown as "—", written "nan").
    bool fitted = false;
    bool hasUncertainty() const { return fitted || !std::isnan(uncertainty); }
};

// The unit of a kind of row for values in volts or raw.
QString unitOf(RowUnit unit, bool volts);

// n t_von t_bis min max mittel std: the count, the first and last time,
// then the values in the unit of y.
std::vector<ResultRow> statisticsRows(const Statistics& statistics, bool volts);

// The rows of describe(fit.kind) with their uncertainties, then r2. A row
// with a name for its negative (the half-life of a growing curve) shows the
// amount under that name.
std::vector<ResultRow> fitRows(const Fit& fit, bool volts);

// T T_streu f ss mittel eff (T_streu: the standard deviation of the single
// periods).
std::vector<ResultRow> periodicRows(const Periodic& periodic, bool volts);

// The time unit a chart shows: its name and how many of it make a second.
struct TimeUnit {
    QString name = QStringLiteral("s");
    double perSecond = 1;
};
// Rows with times and slopes in `unit` (a time in ms, a slope in V/ms);
// frequencies stay in Hz.
std::vector<ResultRow> inTimeUnit(std::vector<ResultRow> rows, const TimeUnit& unit);

// "Die Kurve passt schlecht zu den Messwerten."
QString doubtfulFitWarning();

// A number for people: five significant digits, trailing zeros dropped,
// the user's decimal separator, no group separators ("2,5098", "86400").
QString displayNumber(double value);
// A value and its uncertainty for people: the uncertainty to one
// significant digit (two when they start with 1 or 2), the value to the
// same decimal place: ("2,345", "0,004"). Without an uncertainty, as
// displayNumber.
struct ValueText {
    QString value;
    QString uncertainty; // empty without one
};
ValueText displayValue(const ResultRow& row);

} // namespace zentor::analysis
