// Statistics and curve fits on values quantised as the board quantises them,
// and the line against certified reference data.
#include "curve_fit.h"
#include "locale_scope.h"
#include "periodic.h"
#include "results.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <functional>
#include <numbers>
#include <random>
#include <sstream>
#include <string>
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

// The row of m, τ or T: what a teacher reads off each fit.
std::size_t keyRow(FitKind kind) {
    return kind == FitKind::Line ? 0 : 1;
}

// The curve as its reported parameters write it, time counted from t0.
double reportedValueAt(const Fit& fit, double t) {
    const std::vector<double>& p = fit.values;
    const double s = t - fit.origin;
    switch (fit.kind) {
    case FitKind::Line:
        return p[0] * s + p[1];
    case FitKind::Exponential:
        return p[0] * std::exp(-s / p[1]) + p[3];
    case FitKind::Sine:
        return p[0] * std::sin(2 * std::numbers::pi * s / p[1] + p[3]) + p[4];
    }
    return NAN;
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
        const std::size_t key = keyRow(c.kind);
        EXPECT_NEAR(fit.value->values[key], c.key, std::fabs(c.key) * c.tolerance);
        // The true value lies within a few standard uncertainties.
        EXPECT_LT(std::fabs(fit.value->values[key] - c.key), 5 * fit.value->uncertainties[key]);
        EXPECT_GT(fit.value->rSquared, 0.99);
        EXPECT_FALSE(fit.value->doubtful());
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
        const auto count = static_cast<std::size_t>(describe(c.kind).freeParameters);
        for (double share : {1e-3, 1e-5}) {
            for (std::size_t i = 0; i < count; ++i) {
                for (double sign : {-1.0, 1.0}) {
                    Fit nearby = *fit.value;
                    double& p = nearby.curve[i];
                    p += sign * share * std::max(std::fabs(p), 1e-3);
                    EXPECT_GE(sumOfSquares(nearby, late), best * (1 - 1e-12))
                        << "parameter " << i << " moved by " << sign * share;
                }
            }
        }
    }
}

// However far before the data the range starts, the minimum is the same;
// only the base of the reported parameters moves with t0.
TEST(CurveFit, TheStartOfTheRangeMovesOnlyTheBaseOfTheParameters) {
    for (const Known& c : knownCurves()) {
        SCOPED_TRACE(c.what);
        const std::vector<Point> points = sampled(c.volts, c.n, c.step);
        const Outcome<Fit> near = fitCurve(c.kind, points, points.front().t);
        ASSERT_TRUE(near);
        for (double before : {100.0, 1000.0}) {
            const Outcome<Fit> far = fitCurve(c.kind, points, points.front().t - before);
            ASSERT_TRUE(far) << far.error.toStdString();
            EXPECT_DOUBLE_EQ(far.value->rSquared, near.value->rSquared);
            const std::size_t key = keyRow(c.kind);
            EXPECT_DOUBLE_EQ(far.value->values[key], near.value->values[key]);
            for (const Point& p : {points.front(), points.back()})
                EXPECT_NEAR(reportedValueAt(*far.value, p.t), near.value->valueAt(p.t), 1e-6);
        }
    }
}

// NIST StRD "Norris" (linear least squares, 36 observations): the data and
// the certified estimates with their standard deviations.
TEST(CurveFit, LineMatchesTheCertifiedNorrisResults) {
    const double data[][2] = {{0.1, 0.2},     {338.8, 337.4}, {118.1, 118.2}, {888.0, 884.6},
                              {9.2, 10.1},    {228.1, 226.5}, {668.5, 666.3}, {998.5, 996.3},
                              {449.1, 448.6}, {778.9, 777.0}, {559.2, 558.2}, {0.3, 0.4},
                              {0.1, 0.6},     {778.1, 775.5}, {668.8, 666.9}, {339.3, 338.0},
                              {448.9, 447.5}, {10.8, 11.6},   {557.7, 556.0}, {228.3, 228.1},
                              {998.0, 995.8}, {888.8, 887.6}, {119.6, 120.2}, {0.3, 0.3},
                              {0.6, 0.3},     {557.6, 556.8}, {339.3, 339.1}, {888.0, 887.2},
                              {998.5, 999.0}, {778.9, 779.0}, {10.2, 11.1},   {117.6, 118.3},
                              {228.9, 229.2}, {668.4, 669.1}, {449.2, 448.9}, {0.2, 0.5}};
    std::vector<Point> points;
    for (const auto& [y, x] : data)
        points.push_back({x, y});
    std::stable_sort(points.begin(), points.end(),
                     [](const Point& a, const Point& b) { return a.t < b.t; });
    const Outcome<Fit> fit = fitCurve(FitKind::Line, points, 0);
    ASSERT_TRUE(fit);
    const struct {
        const char* what;
        double value, certified;
    } checks[] = {
        {"slope B1", fit.value->values[0], 1.00211681802045},
        {"intercept B0", fit.value->values[1], -0.262323073774029},
        {"sd of B1", fit.value->uncertainties[0], 0.429796848199937E-03},
        {"sd of B0", fit.value->uncertainties[1], 0.232818234301152},
        {"R-squared", fit.value->rSquared, 0.999993745883712},
    };
    for (const auto& check : checks)
        EXPECT_NEAR(check.value, check.certified, std::fabs(check.certified) * 1e-10) << check.what;
}

TEST(CurveFit, FitsThatExplainLittleAreMarkedAndGrowthShowsItsDoublingTime) {
    using std::exp, std::sin;
    const std::vector<Point> sine =
        sampled([](double t) { return 2.5 + 2 * sin(2 * std::numbers::pi * t); }, 200, 0.01);
    const std::vector<Point> growth =
        sampled([](double t) { return 0.2 * exp(t / 3) + 0.1; }, 121, 1.0 / 15);
    // Raw values along a line that bends by a few steps over 20 s: the best
    // exponential has τ ≈ −800 s, far outside the range, and JᵀJ is singular
    // as far as doubles can tell.
    std::vector<Point> nearlyStraight;
    for (int i = 0; i <= 120; ++i) {
        const double t = i / 6.0;
        nearlyStraight.push_back({t, std::round(10 + 16000 * (exp(t / 800) - 1))});
    }
    struct Case {
        const char* what;
        FitKind kind;
        std::span<const Point> points;
        bool doubtful;
        bool uncertaintyUnknown = false;
    };
    const Case cases[] = {
        {"exponential over a whole sine", FitKind::Exponential, sine, true},
        {"a line through three points", FitKind::Line, std::span(growth).first(3), true},
        {"growth", FitKind::Exponential, growth, false},
        {"exponential along a nearly straight line", FitKind::Exponential, nearlyStraight, true,
         true},
    };
    for (const Case& c : cases) {
        const Outcome<Fit> fit = fitCurve(c.kind, c.points, 0);
        ASSERT_TRUE(fit) << c.what;
        EXPECT_EQ(fit.value->doubtful(), c.doubtful) << c.what;
        EXPECT_EQ(fit.value->uncertaintyUnknown(), c.uncertaintyUnknown) << c.what;
        // An unknown uncertainty is shown as such, never as 0.
        for (const ResultRow& row : fitRows(*fit.value, false)) {
            if (row.name == u"r2")
                continue;
            EXPECT_TRUE(row.hasUncertainty()) << c.what << " " << row.name.toStdString();
            EXPECT_EQ(displayValue(row).uncertainty == QStringLiteral("—"), c.uncertaintyUnknown)
                << c.what << " " << row.name.toStdString();
        }
    }
    const std::vector<ResultRow> rows =
        fitRows(*fitCurve(FitKind::Exponential, growth, 0).value, true);
    EXPECT_EQ(rows[2].name, QStringLiteral("t_doppel"));
    EXPECT_EQ(rows[2].label, QStringLiteral("Verdopplungszeit"));
    EXPECT_NEAR(rows[2].value, 3 * std::log(2.0), 0.01);
}

namespace {

// A case of data/periodic_references.txt (see periodic_references.py there).
struct Reference {
    std::string name;
    double period = 0, peakToPeak = 0, mean = 0, rms = 0;
    bool noisy = false;
    std::vector<Point> points;
};

std::vector<Reference> periodicReferences() {
    std::ifstream in(ZENTOR_PERIODIC_REFERENCES);
    std::vector<Reference> cases;
    std::string line;
    while (std::getline(in, line)) {
        if (line.starts_with("#"))
            continue;
        if (line.starts_with("case ")) {
            std::istringstream fields(line.substr(5));
            Reference r;
            std::getline(fields, r.name, '|');
            char bar = 0;
            int noisy = 0;
            fields >> r.period >> bar >> r.peakToPeak >> bar >> r.mean >> bar >> r.rms >> bar >>
                noisy;
            r.noisy = noisy != 0;
            cases.push_back(r);
            continue;
        }
        std::istringstream fields(line);
        Point p;
        if (fields >> p.t >> p.y && !cases.empty())
            cases.back().points.push_back(p);
    }
    return cases;
}

} // namespace

// Square, triangle, sawtooth and sine, clean and noisy, 4 to 20 samples per
// period: the values numpy computed from their definitions. The RMS value is
// that of the samples: 4 samples a period of 2,5 V + 2 V·sin are 2,8723 V,
// which the straight lines between them made 2,7545 V.
TEST(Periodic, ValuesAgreeWithTheNumpyReferences) {
    const std::vector<Reference> cases = periodicReferences();
    ASSERT_EQ(cases.size(), 20U);
    for (const Reference& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(c.points.size(), 101U);
        const Outcome<Periodic> p = periodic(c.points);
        ASSERT_TRUE(p) << p.error.toStdString();
        const double step = c.points[1].t - c.points[0].t;
        // Each end of the whole periods lies somewhere between two samples.
        EXPECT_NEAR(p.value->period, c.period, step / p.value->periods);
        EXPECT_NEAR(p.value->peakToPeak, c.peakToPeak, 1e-12);
        const double tolerance = c.noisy ? 0.01 : 1e-12;
        EXPECT_NEAR(p.value->mean, c.mean, c.mean * tolerance);
        EXPECT_NEAR(p.value->rms, c.rms, c.rms * tolerance);
        EXPECT_LE(p.value->periodSpread, 0.1 * c.period + step / 2);
    }
}

TEST(Periodic, PeriodPeakToPeakMeanAndRmsOverWholePeriods) {
    // 3,3 periods of 0,4 s, sampled unevenly: mean and RMS of the whole ones.
    const std::vector<Point> wave = sampled(
        [](double t) { return 2.5 + 2 * std::sin(2 * std::numbers::pi * t / 0.4); }, 660, 0.002);
    const Outcome<Periodic> p = periodic(wave);
    ASSERT_TRUE(p) << p.error.toStdString();
    EXPECT_NEAR(p.value->period, 0.4, 1e-3);
    EXPECT_NEAR(p.value->peakToPeak, 4, 0.02);
    EXPECT_NEAR(p.value->mean, 2.5, 0.005);
    EXPECT_NEAR(p.value->rms, std::sqrt(2.5 * 2.5 + 2.0 * 2.0 / 2), 0.005);

    const std::span<const Point> lessThanTwo = std::span(wave).first(250); // 1,25 periods
    EXPECT_TRUE(periodic(lessThanTwo).error.startsWith(QStringLiteral("Keine volle Periode")));
    EXPECT_FALSE(periodic(sampled([](double) { return 1.0; }, 50, 0.01)));
}

// Noise of a tenth of the peak-to-peak value (standard deviation): the
// period is right to 5 %, or the outcome says why there is none; it is
// never a wrong number. Over many draws, with 4 and 20 periods in the range
// and with 0,6 periods.
TEST(Periodic, APeriodThatNoiseBrokeSaysSo) {
    std::mt19937 random(31);
    std::normal_distribution<double> noise(0, 0.4);
    struct Case {
        const char* what;
        double periods;  // in the range of 200 samples
        double triangle; // 1: a triangle, 0: a sine
    };
    const Case cases[] = {
        {"sine, 4 periods", 4, 0},
        {"sine, 20 periods", 20, 0},
        {"triangle, 5 periods", 5, 1},
        {"sine, 0,6 periods", 0.6, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const double period = 2.0 / c.periods; // 200 samples over 2 s
        int right = 0, refused = 0;
        for (int draw = 0; draw < 200; ++draw) {
            const double phase = draw * 0.137;
            std::vector<Point> points;
            for (int i = 0; i < 200; ++i) {
                const double t = i * 0.01;
                const double x = t / period + phase;
                const double shape = c.triangle > 0 ? 4 * std::fabs(x - std::floor(x) - 0.5) - 1
                                                    : std::sin(2 * std::numbers::pi * x);
                points.push_back({t, 2.5 + 2 * shape + noise(random)});
            }
            const Outcome<Periodic> p = periodic(points);
            if (!p) {
                ++refused;
                EXPECT_TRUE(p.error.startsWith(QStringLiteral("Keine volle Periode")) ||
                            p.error.startsWith(QStringLiteral("Die Periode schwankt zu stark")))
                    << p.error.toStdString();
                continue;
            }
            ++right;
            EXPECT_NEAR(p.value->period, period, 0.05 * period) << "draw " << draw;
        }
        if (c.periods < 1)
            EXPECT_EQ(right, 0);
        else
            EXPECT_GT(right, 150); // most of them still give the period
        RecordProperty(c.what, refused);
    }
}

TEST(Results, AValueIsShownToTheDigitsItsUncertaintyLeaves) {
    const zentor::test::LocaleScope german{zentor::test::german()};
    struct Case {
        double value, uncertainty;
        const char* shown;
        const char* shownUncertainty;
    };
    const Case cases[] = {
        {2.34512, 0.00412, "2,345", "0,004"}, {2.34512, 0.0012, "2,3451", "0,0012"},
        {1234.5, 340, "1200", "300"},         {5, 0, "5", "0"},
        {2.34512, NAN, "2,3451", ""},
    };
    for (const Case& c : cases) {
        const ValueText text = displayValue({"x", "x", c.value, "s", c.uncertainty});
        EXPECT_EQ(text.value, QString::fromUtf8(c.shown));
        EXPECT_EQ(text.uncertainty, QString::fromUtf8(c.shownUncertainty));
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
