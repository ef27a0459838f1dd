#include "bench_report.h"

#include <cstdio>

int main() {
    std::printf("zentor benchmarks\n\n");
    bench::runWaitBenchmarks();
    return 0;
}
