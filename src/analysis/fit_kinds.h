// The kinds of curve fit, each described once: the name on the command line
// and for people, the formula, the rows of its results with their units,
// and the fewest points it takes. The fit, the result rows, the window and
// zentor-mess all read this table.
#pragma once

#include <QStringView>

#include <array>
#include <span>

namespace zentor::analysis {

enum class FitKind { Line, Exponential, Sine };

// The unit of a result row, derived from the unit of y.
enum class RowUnit {
    Y,         // the values' unit: "V", or "1" for raw values
    Time,      // "s"
    Slope,     // y per second: "V/s" or "1/s"
    Frequency, // "Hz"
    Angle,     // "rad"
};

struct FitParameter {
    QStringView name;  // for scripts: "tau"
    QStringView label; // for people: "Zeitkonstante τ"
    RowUnit unit;
    // A row that turns negative for a growing curve is shown as its amount
    // under these names instead (the doubling time for the half-life).
    QStringView negativeName = {};
    QStringView negativeLabel = {};
};

struct FitDescription {
    FitKind kind;
    QStringView command; // zentor-mess fit <command>
    QStringView name;    // "Ausgleichsgerade"
    QStringView formula; // "y = m·(t − t₀) + b"
    // The result rows in order, derived ones (t½, f) included; R² follows.
    std::span<const FitParameter> rows;
    // Parameters the fit adjusts; it takes at least one point more.
    int freeParameters;
    int minimumPoints() const { return freeParameters + 1; }
};

inline constexpr std::array kLineRows{
    FitParameter{u"m", u"Steigung m", RowUnit::Slope},
    FitParameter{u"b", u"b", RowUnit::Y},
};
inline constexpr std::array kExponentialRows{
    FitParameter{u"A", u"A", RowUnit::Y},
    FitParameter{u"tau", u"Zeitkonstante τ", RowUnit::Time},
    FitParameter{u"t_halb", u"Halbwertszeit t½", RowUnit::Time, u"t_doppel", u"Verdopplungszeit"},
    FitParameter{u"C", u"C", RowUnit::Y},
};
inline constexpr std::array kSineRows{
    FitParameter{u"A", u"Amplitude A", RowUnit::Y},
    FitParameter{u"T", u"Periode T", RowUnit::Time},
    FitParameter{u"f", u"Frequenz f", RowUnit::Frequency},
    FitParameter{u"phi", u"Phase φ", RowUnit::Angle},
    FitParameter{u"C", u"C", RowUnit::Y},
};

// In FitKind order.
inline constexpr std::array<FitDescription, 3> kFits{{
    {FitKind::Line, u"gerade", u"Ausgleichsgerade", u"y = m·(t − t₀) + b", kLineRows, 2},
    {FitKind::Exponential, u"exp", u"Exponentialfunktion", u"y = A·e^(−(t − t₀)/τ) + C",
     kExponentialRows, 3},
    {FitKind::Sine, u"sinus", u"Sinus", u"y = A·sin(2π·(t − t₀)/T + φ) + C", kSineRows, 4},
}};

inline const FitDescription& describe(FitKind kind) {
    return kFits[static_cast<std::size_t>(kind)];
}

} // namespace zentor::analysis
