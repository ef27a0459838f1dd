// Statistics and least-squares curve fits over the points of a measurement.
// Pure. Times in seconds, values in the unit of the points (volts or raw).
//
// Every fit is the least-squares minimum of the sum of squared differences
// in y. The line is solved directly; the exponential and the sine are
// minimised by Levenberg-Marquardt (Eigen) from robust starting values. A
// fit that cannot be made (too few points, a flat line for the exponential
// or the sine, no convergence) gives a German error text, never a number.
//
// The curves count time from an origin t0, the start of the range asked
// for: A, b and phi are the values at t0, which keeps them meaningful when
// the range starts late in a long measurement.
#pragma once

#include "series.h"

#include <span>
#include <variant>

namespace zentor::analysis {

// n, the first and last time, minimum, maximum, mean and the sample
// standard deviation (divided by n - 1). Needs two points.
struct Statistics {
    int n = 0;
    double tFrom = 0, tTo = 0;
    double min = 0, max = 0, mean = 0, std = 0;
};
Outcome<Statistics> statistics(std::span<const Point> points);

enum class FitKind { Line, Exponential, Sine };

// "Ausgleichsgerade": y = m·(t − t0) + b.
struct LineCurve {
    double m = 0, b = 0;
};
// "Exponentialfunktion": y = A·e^(−(t − t0)/τ) + C; τ < 0 for growth.
struct ExponentialCurve {
    double a = 0, tau = 0, c = 0;
    double halfLife() const; // τ·ln 2
};
// "Sinus": y = A·sin(2π·(t − t0)/T + φ) + C with A > 0, T > 0, −π < φ <= π.
struct SineCurve {
    double a = 0, period = 0, phase = 0, c = 0;
    double frequency() const { return 1 / period; }
};

struct Fit {
    std::variant<LineCurve, ExponentialCurve, SineCurve> curve;
    double origin = 0;   // t0 in s
    double rSquared = 0; // 1 − SSE/SST; 1 for an exact fit of constant values

    double valueAt(double t) const;
};

// The fit of `kind` through the points, time counted from origin. It takes
// at least as many points as its parameters plus one.
Outcome<Fit> fitCurve(FitKind kind, std::span<const Point> points, double origin);

// The sum of squared differences between a curve and the points; the fits
// minimise it.
double sumOfSquares(const Fit& fit, std::span<const Point> points);

} // namespace zentor::analysis
