#include "bench_report.h"
#include "direct_bench.h"

#include <cstdio>

int main() {
    std::printf("zentor benchmarks (ratio = measured / limit; above 1 is marked OVER)\n\n");
    bench::runWaitBenchmarks();
    std::printf("\n");
    bench::runTransferBenchmark();
    std::printf("\n");
    bench::runDirectBenchmarks();
    std::printf("\n");
    bench::runChartPageBenchmarks();
    std::printf("\n");
    bench::runSimulatorBenchmark();
    return 0;
}
