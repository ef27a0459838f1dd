// Printing of benchmark figures: a value, its limit and their ratio.
#pragma once

#include <algorithm>
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

// One line: what, the measured value, the limit, measured/limit and a verdict.
inline void report(const std::string& what, double value, double limit, const char* unit) {
    const double ratio = limit != 0 ? value / limit : 0;
    std::printf("%-58s %10.4f %-3s limit %9.4f  ratio %6.3f  %s\n", what.c_str(), value, unit,
                limit, ratio, ratio <= 1.0 ? "ok" : "OVER");
}

void runWaitBenchmarks();
void runTransferBenchmark();
void runChartPageBenchmarks();
void runSimulatorBenchmark();

} // namespace bench
