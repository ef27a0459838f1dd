// Statistics and least-squares curve fits over the points of a measurement.
// Pure. Times in seconds, values in the unit of the points (volts or raw).
//
// Every fit is the least-squares minimum of the sum of squared differences
// in y. The line is solved directly; the exponential and the sine are
// minimised by Levenberg-Marquardt (Eigen) from robust starting values. A
// fit that cannot be made (too few points, a flat line for the exponential
// or the sine, no convergence) gives a German error text, never a number.
//
// The fit itself counts time from the first point, so that where the range
// starts changes nothing about the minimum; the parameters are then given
// for the curves as written in kFits, with time counted from an origin t0
// (the start of the range asked for), each with its standard uncertainty
// from the covariance of the fit at the minimum.
#pragma once

#include "fit_kinds.h"
#include "series.h"

#include <array>
#include <span>
#include <vector>

namespace zentor::analysis {

// n, the first and last time, minimum, maximum, mean and the sample
// standard deviation (divided by n - 1). Needs two points.
struct Statistics {
    int n = 0;
    double tFrom = 0, tTo = 0;
    double min = 0, max = 0, mean = 0, std = 0;
};
Outcome<Statistics> statistics(std::span<const Point> points);

struct Fit {
    FitKind kind = FitKind::Line;
    double origin = 0; // t0 in s
    // The values of describe(kind).rows at t0 and their standard
    // uncertainties (σ of the parameter: the residual variance SSE/(n − p)
    // times the inverse of JᵀJ, carried over to the rows); NaN where that
    // inverse cannot be had, never a 0 that stands for "unknown".
    std::vector<double> values;
    std::vector<double> uncertainties;
    double rSquared = 0; // 1 − SSE/SST; 1 for an exact fit of constant values
    int n = 0;           // points fitted
    double span = 0;     // s from the first to the last point fitted

    // The curve as minimised: time counted from `start` (the first point);
    // line (m, b), exponential (A, k = 1/τ, C), sine (A, f, φ, C).
    double start = 0;
    std::array<double, 4> curve{};

    double valueAt(double t) const;
    // The curve explains the points badly (R² below 0.9), rests on fewer
    // than twice as many points as it has parameters, leaves an uncertainty
    // unknown (NaN: JᵀJ is singular as far as doubles can tell), or is an
    // exponential whose τ lies more than ten times the range's length away
    // (the points show no bend, only a line).
    bool doubtful() const;
    // Some parameter's uncertainty is unknown.
    bool uncertaintyUnknown() const;
};

// The fit of `kind` through the points (in time order), its parameters
// given for time counted from origin. It takes describe(kind).minimumPoints().
Outcome<Fit> fitCurve(FitKind kind, std::span<const Point> points, double origin);

// The sum of squared differences between a curve and the points; the fits
// minimise it.
double sumOfSquares(const Fit& fit, std::span<const Point> points);

} // namespace zentor::analysis
