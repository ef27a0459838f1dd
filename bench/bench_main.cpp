// 'make bench': every figure beside its target, then a summary table that
// marks each figure "ok" or "OVER" (or "FAIL" when it could not be measured).
#include "bench_report.h"
#include "direct_bench.h"

#include <QApplication>

#include <cstdio>

int main(int argc, char* argv[]) {
    // Figures appear as they are measured, also through a pipe.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    // One application object for all page benchmarks: Qt does not take a
    // second one after the first is gone.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    std::printf("zentor benchmarks (ratio = measured / target; a missed target is marked "
                "OVER)\n\n");
    bench::runWaitBenchmarks();
    std::printf("\n");
    bench::runTransferBenchmark();
    std::printf("\n");
    bench::runDirectBenchmarks();
    std::printf("\n");
    bench::runChartPageBenchmarks();
    std::printf("\n");
    bench::runAnalysisBenchmarks();
    std::printf("\n");
    bench::runReportBenchmarks();
    std::printf("\n");
    bench::runSimulatorBenchmark();
    std::printf("\n");
    bench::runStartupBenchmark();
    std::printf("\n");
    bench::runResponsivenessBenchmarks();
    std::printf("\n");
    const int missed = bench::printSummary();
    std::printf("\n%d of %zu figures missed their target\n", missed, bench::figures().size());
    return 0;
}
