// Benchmarks of "Auswertung": each fit over a full recording of 1500 values.
#include "bench_report.h"

#include "curve_fit.h"

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

void benchFit(const char* what, FitKind kind, const std::vector<Point>& points) {
    std::vector<double> times;
    bool ok = true;
    for (int run = 0; run < kRuns; ++run) {
        const auto start = std::chrono::steady_clock::now();
        const Outcome<Fit> fit = fitCurve(kind, points, 0);
        times.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count());
        ok = ok && fit.value.has_value();
    }
    const std::string name = std::string("fit: ") + what + ", 1500 values (median)";
    if (!ok) {
        fail(name, "the fit gave no result");
        return;
    }
    report(name, statsOf(times).median, kFitLimitMs, "ms");
}

} // namespace

void runAnalysisBenchmarks() {
    using std::exp, std::sin;
    constexpr double pi = std::numbers::pi;
    benchFit("Ausgleichsgerade", FitKind::Line, recording([](double t) { return 0.5 + 0.12 * t; }));
    benchFit("Exponentialfunktion", FitKind::Exponential,
             recording([](double t) { return 4.2 * exp(-t / 7) + 0.4; }));
    benchFit("Sinus", FitKind::Sine,
             recording([](double t) { return 2.5 + 2 * sin(2 * pi * t / 2 + 0.3); }));
}

} // namespace bench
