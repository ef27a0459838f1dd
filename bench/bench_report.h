// Printing of benchmark figures: a value, its target and their ratio. Every
// figure and every failure is also kept for the summary table at the end.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace bench {

struct Stats {
    double min = 0, median = 0, max = 0;
};

inline Stats statsOf(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    if (values.empty())
        return {};
    return {values.front(), values[values.size() / 2], values.back()};
}

// Whether a figure meets its target by staying under it or by reaching it.
enum class Bound { AtMost, AtLeast };

struct Figure {
    std::string what;
    double value = 0;
    double target = 0;
    std::string unit;
    Bound bound = Bound::AtMost;
    bool measured = true; // false: the measurement failed; `unit` holds why
    bool ok = false;
};

inline std::vector<Figure>& figures() {
    static std::vector<Figure> all;
    return all;
}

inline std::string trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(' ');
    return first == std::string::npos ? std::string() : text.substr(first);
}

// One line: what, the measured value, the target, measured/target and a
// verdict ("ok" or "OVER"). With Bound::AtLeast the value must reach the
// target: the ratio must be at least 1.
inline void report(const std::string& what, double value, double target, const char* unit,
                   Bound bound = Bound::AtMost) {
    const double ratio = target != 0 ? value / target : 0;
    const bool ok = bound == Bound::AtMost ? ratio <= 1.0 : ratio >= 1.0;
    std::printf("%-58s %10.4f %-3s target %s %9.4f  ratio %6.3f  %s\n", what.c_str(), value, unit,
                bound == Bound::AtMost ? "<=" : ">=", target, ratio, ok ? "ok" : "OVER");
    figures().push_back({trimmed(what), value, target, unit, bound, true, ok});
}

// A measurement that gave no figure.
inline void fail(const std::string& what, const std::string& why) {
    std::printf("  FAIL: %s: %s\n", trimmed(what).c_str(), why.c_str());
    figures().push_back({trimmed(what), 0, 0, why, Bound::AtMost, false, false});
}

// The table of every figure reported so far; returns the number of figures
// that missed their target or could not be measured.
inline int printSummary() {
    std::printf("%-58s %12s %16s %7s  %s\n", "Summary", "measured", "target", "ratio", "");
    int missed = 0;
    for (const Figure& f : figures()) {
        if (!f.measured) {
            std::printf("%-58s %12s %16s %7s  FAIL (%s)\n", f.what.c_str(), "-", "-", "-",
                        f.unit.c_str());
            ++missed;
            continue;
        }
        char measured[32], target[32];
        std::snprintf(measured, sizeof measured, "%.3f %s", f.value, f.unit.c_str());
        std::snprintf(target, sizeof target, "%s %.3f %s",
                      f.bound == Bound::AtMost ? "<=" : ">=", f.target, f.unit.c_str());
        std::printf("%-58s %12s %16s %7.3f  %s\n", f.what.c_str(), measured, target,
                    f.target != 0 ? f.value / f.target : 0.0, f.ok ? "ok" : "OVER");
        missed += f.ok ? 0 : 1;
    }
    return missed;
}

void runWaitBenchmarks();
void runTransferBenchmark();
void runChartPageBenchmarks();
void runAnalysisBenchmarks();
void runReportBenchmarks();
void runSimulatorBenchmark();
void runStartupBenchmark();
void runResponsivenessBenchmarks();
void runReplugBenchmark();

} // namespace bench
