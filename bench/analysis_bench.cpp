// Benchmarks of "Auswertung": each fit over a full recording of 1500 values,
// with the uncertainties of its parameters, from the range's start and from
// an origin far before it; the values of a periodic signal.
#include "bench_report.h"

#include "curve_fit.h"
#include "periodic.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <functional>
#include <numbers>
#include <string>
#include <vector>

namespace bench {

namespace {

using namespace zentor::analysis;

constexpr int kPoints = 1500;
constexpr int kRuns = 50;
constexpr double kFitLimitMs = 5.0;

// 1500 samples 20 ms apart (some a few ms late, as the recorder's
// exchanges come), quantised to the board's raw steps.
std::vector<Point> recording(const std::function<double(double)>& volts) {
    std::vector<Point> points;
    for (int i = 0; i < kPoints; ++i) {
        const double t = (i * 20 + (i * 7) % 5) / 1000.0;
        points.push_back({t, std::clamp(std::round(volts(t) * 51), 0.0, 255.0) / 51});
    }
    return points;
}

// The median time of `run` in ms, and whether it always succeeded.
template <typename Run> std::pair<double, bool> timed(Run run) {
    std::vector<double> times;
    bool ok = true;
    for (int i = 0; i < kRuns; ++i) {
        const auto start = std::chrono::steady_clock::now();
        ok = run() && ok;
        times.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count());
    }
    return {statsOf(times).median, ok};
}

void benchFit(const char* what, FitKind kind, const std::vector<Point>& points, double origin) {
    const auto [median, ok] = timed([&] {
        const Outcome<Fit> fit = fitCurve(kind, points, origin);
        return fit && fit.value->uncertainties.size() == fit.value->values.size();
    });
    const std::string name = std::string("fit: ") + what + ", 1500 values, t0 " +
                             std::to_string(static_cast<int>(origin)) +
                             " s, with uncertainties (median)";
    if (!ok) {
        fail(name, "the fit gave no result");
        return;
    }
    report(name, median, kFitLimitMs, "ms");
}

} // namespace

void runAnalysisBenchmarks() {
    using std::exp, std::sin;
    constexpr double pi = std::numbers::pi;
    const std::vector<Point> sine =
        recording([](double t) { return 2.5 + 2 * sin(2 * pi * t / 2 + 0.3); });
    for (double origin : {0.0, -1000.0}) {
        benchFit("Ausgleichsgerade", FitKind::Line,
                 recording([](double t) { return 0.5 + 0.12 * t; }), origin);
        benchFit("Exponentialfunktion", FitKind::Exponential,
                 recording([](double t) { return 4.2 * exp(-t / 7) + 0.4; }), origin);
        benchFit("Sinus", FitKind::Sine, sine, origin);
    }
    const auto [median, ok] = timed([&] { return periodic(sine).value.has_value(); });
    if (ok)
        report("periodic values, 1500 values (median)", median, kFitLimitMs, "ms");
    else
        fail("periodic values, 1500 values (median)", "no period found");
}

} // namespace bench
