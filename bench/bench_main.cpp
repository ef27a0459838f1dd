// 'make bench': every figure beside its target, then a summary table that
// marks each figure "ok" or "OVER" (or "FAIL" when it could not be measured).
#include "bench_report.h"
#include "direct_bench.h"

#include <QApplication>
#include <QStringList>

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
    // ZENTOR_BENCH_ONLY=replug,startup runs only the groups named.
    const QStringList only =
        qEnvironmentVariable("ZENTOR_BENCH_ONLY").split(u',', Qt::SkipEmptyParts);
    const std::pair<const char*, void (*)()> groups[] = {
        {"wait", bench::runWaitBenchmarks},
        {"transfer", bench::runTransferBenchmark},
        {"direct", bench::runDirectBenchmarks},
        {"charts", bench::runChartPageBenchmarks},
        {"analysis", bench::runAnalysisBenchmarks},
        {"report", bench::runReportBenchmarks},
        {"simulator", bench::runSimulatorBenchmark},
        {"startup", bench::runStartupBenchmark},
        {"responsiveness", bench::runResponsivenessBenchmarks},
        {"replug", bench::runReplugBenchmark},
    };
    for (const auto& [name, run] : groups) {
        if (!only.isEmpty() && !only.contains(QString::fromLatin1(name)))
            continue;
        run();
        std::printf("\n");
    }
    const int missed = bench::printSummary();
    std::printf("\n%d of %zu figures missed their target\n", missed, bench::figures().size());
    return 0;
}
