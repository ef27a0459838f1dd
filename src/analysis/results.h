// The results of an evaluation as named rows: the same names and units for
// the command line (zentor-mess) and the "Auswertung" window, which shows
// the German labels. Pure.
#pragma once

#include "curve_fit.h"

#include <QString>

#include <vector>

namespace zentor::analysis {

struct ResultRow {
    QString name;  // for scripts: "n", "t_von", "tau", "r2", ...
    QString label; // for people: "Anzahl", "von", "τ", "R²", ...
    double value = 0;
    QString unit; // "s", "V", "1" (raw values, counts, R²), "V/s", "1/s", "Hz", "rad"
};

// n t_von t_bis min max mittel std: the count, the first and last time,
// then the values in the unit of y.
std::vector<ResultRow> statisticsRows(const Statistics& statistics, bool volts);

// The fit's parameters: "m b r2" (line), "A tau t_halb C r2" (exponential),
// "A T f phi C r2" (sine).
std::vector<ResultRow> fitRows(const Fit& fit, bool volts);

// "Ausgleichsgerade", "Exponentialfunktion", "Sinus".
QString fitName(FitKind kind);
// The formula with its parameters, e.g. "y = A·e^(−(t − t₀)/τ) + C".
QString fitFormula(FitKind kind);

// A number for people: five significant digits, trailing zeros dropped,
// the user's decimal separator, no group separators ("2,5098", "86400").
QString displayNumber(double value);

} // namespace zentor::analysis
