// Statistics and curve fits on values quantised as the board quantises them.
#include "curve_fit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <numbers>
#include <vector>

using namespace zentor::analysis;

namespace {

// What the board reports for a voltage: a raw step of 5/255 V, 0..255.
double quantised(double volts) {
    return std::clamp(std::round(volts * 51), 0.0, 255.0) / 51;
}

// n samples about `step` s apart, each up to a fifth of a step late, as the
// recorder's exchanges come; the values quantised.
std::vector<Point> sampled(const std::function<double(double)>& volts, int n, double step) {
    std::vector<Point> points;
    for (int i = 0; i < n; ++i) {
        const double late = step * 0.2 * std::fabs(std::sin(i * 12.9898));
        const double t = std::round((i * step + late) * 1000) / 1000; // whole ms
        points.push_back({t, quantised(volts(t))});
    }
    return points;
}

// m, τ or T: what a teacher reads off each fit.
double keyParameter(const Fit& fit) {
    if (const auto* line = std::get_if<LineCurve>(&fit.curve))
        return line->m;
    if (const auto* e = std::get_if<ExponentialCurve>(&fit.curve))
        return e->tau;
    return std::get<SineCurve>(fit.curve).period;
}

// The curve's parameters as numbers, and back.
std::vector<double*> parameters(Fit& fit) {
    if (auto* line = std::get_if<LineCurve>(&fit.curve))
        return {&line->m, &line->b};
    if (auto* e = std::get_if<ExponentialCurve>(&fit.curve))
        return {&e->a, &e->tau, &e->c};
    auto& sine = std::get<SineCurve>(fit.curve);
    return {&sine.a, &sine.period, &sine.phase, &sine.c};
}

struct Known {
    const char* what;
    FitKind kind;
    std::function<double(double)> volts;
    int n;
    double step;
    double key;       // the true m, τ or T
    double tolerance; // relative: a few standard errors of the rounding to raw steps here
};

const std::vector<Known>& knownCurves() {
    using std::exp, std::sin;
    constexpr double pi = std::numbers::pi;
    static const std::vector<Known> cases{
        {"rising line", FitKind::Line, [](double t) { return 0.5 + 0.3 * t; }, 500, 0.02, 0.3,
         1e-3},
        {"capacitor discharging", FitKind::Exponential,
         [](double t) { return 4.2 * exp(-t / 2) + 0.4; }, 370, 0.027, 2, 5e-3},
        {"capacitor charging", FitKind::Exponential,
         [](double t) { return 4.5 - 4 * exp(-t / 1.5); }, 500, 0.02, 1.5, 5e-3},
        {"growth (tau < 0)", FitKind::Exponential, [](double t) { return 0.2 * exp(t / 3) + 0.1; },
         121, 1.0 / 15, -3, 2e-3},
        {"pendulum", FitKind::Sine, [](double t) { return 2.5 + 2 * sin(2 * pi * t / 2 + 0.3); },
         370, 0.027, 2, 1e-3},
        {"one and a half periods of a burst", FitKind::Sine,
         [](double t) { return 2.5 + 1.2 * sin(2 * pi * t / 0.0667 - 2); }, 101, 0.001, 0.0667,
         5e-3},
    };
    return cases;
}

} // namespace

TEST(CurveFit, RecoversKnownParametersFromQuantisedValues) {
    for (const Known& c : knownCurves()) {
        SCOPED_TRACE(c.what);
        const std::vector<Point> points = sampled(c.volts, c.n, c.step);
        const Outcome<Fit> fit = fitCurve(c.kind, points, 0);
        ASSERT_TRUE(fit) << fit.error.toStdString();
        EXPECT_EQ(fit.value->curve.index(), static_cast<std::size_t>(c.kind));
        EXPECT_NEAR(keyParameter(*fit.value), c.key, std::fabs(c.key) * c.tolerance);
        EXPECT_GT(fit.value->rSquared, 0.99);
    }
}

TEST(CurveFit, NoNearbyParametersHaveASmallerSumOfSquares) {
    for (const Known& c : knownCurves()) {
        SCOPED_TRACE(c.what);
        const std::vector<Point> points = sampled(c.volts, c.n, c.step);
        // A range that starts late: the curves count time from its start.
        const std::span<const Point> late = std::span(points).subspan(points.size() / 5);
        const Outcome<Fit> fit = fitCurve(c.kind, late, late.front().t);
        ASSERT_TRUE(fit) << fit.error.toStdString();
        const double best = sumOfSquares(*fit.value, late);
        Fit copy = *fit.value;
        const std::size_t count = parameters(copy).size();
        for (double share : {1e-3, 1e-5}) {
            for (std::size_t i = 0; i < count; ++i) {
                for (double sign : {-1.0, 1.0}) {
                    Fit nearby = *fit.value;
                    double& p = *parameters(nearby)[i];
                    p += sign * share * std::max(std::fabs(p), 1e-3);
                    EXPECT_GE(sumOfSquares(nearby, late), best * (1 - 1e-12))
                        << "parameter " << i << " moved by " << sign * share;
                }
            }
        }
    }
}

TEST(CurveFit, ImpossibleFitsSayWhyInsteadOfGivingNumbers) {
    const std::vector<Point> flat = sampled([](double) { return 2.0; }, 50, 0.02);
    const std::vector<Point> sameTime{{1, 1}, {1, 2}, {1, 3}, {1, 4}, {1, 5}};
    const std::vector<Point> straight = sampled([](double t) { return 0.5 + 0.3 * t; }, 500, 0.02);
    struct Case {
        FitKind kind;
        std::vector<Point> points;
        const char* error;
    };
    const Case cases[] = {
        {FitKind::Line,
         {flat.begin(), flat.begin() + 2},
         "Zu wenige Messwerte: 2, nötig sind mindestens 3."},
        {FitKind::Exponential,
         {flat.begin(), flat.begin() + 3},
         "Zu wenige Messwerte: 3, nötig sind mindestens 4."},
        {FitKind::Sine,
         {flat.begin(), flat.begin() + 4},
         "Zu wenige Messwerte: 4, nötig sind mindestens 5."},
        {FitKind::Exponential, flat,
         "Die Werte ändern sich nicht: eine Exponentialfunktion lässt sich nicht anpassen."},
        {FitKind::Sine, flat,
         "Die Werte ändern sich nicht: eine Sinuskurve lässt sich nicht anpassen."},
        {FitKind::Line, sameTime, "Alle Messwerte haben dieselbe Zeit."},
        {FitKind::Exponential, straight,
         "Kein exponentieller Verlauf: die Werte folgen in diesem Bereich einer Geraden."},
        {FitKind::Sine, straight,
         "Keine Schwingung: der Bereich zeigt weniger als eine Viertelperiode."},
    };
    for (const Case& c : cases) {
        const Outcome<Fit> fit = fitCurve(c.kind, c.points, 0);
        EXPECT_FALSE(fit.value.has_value()) << c.error;
        EXPECT_EQ(fit.error, QString::fromUtf8(c.error));
    }
}

TEST(CurveFit, StatisticsUseTheSampleStandardDeviation) {
    const std::vector<Point> points{{0.5, 1}, {1, 4}, {1.5, 2}, {2, 3}};
    const Outcome<Statistics> s = statistics(points);
    ASSERT_TRUE(s);
    EXPECT_EQ(s.value->n, 4);
    EXPECT_EQ(s.value->tFrom, 0.5);
    EXPECT_EQ(s.value->tTo, 2);
    EXPECT_EQ(s.value->min, 1);
    EXPECT_EQ(s.value->max, 4);
    EXPECT_EQ(s.value->mean, 2.5);
    EXPECT_DOUBLE_EQ(s.value->std, std::sqrt(5.0 / 3));
    EXPECT_EQ(statistics(std::span(points).first(1)).error,
              QStringLiteral("Zu wenige Messwerte: 1, nötig sind mindestens 2."));
}
