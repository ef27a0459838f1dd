// Benchmark of the lab report: the report of a full recording (1500 values)
// with an exponential fit, from the measurement to the PDF file on disk
// through the atomic save, as "Als PDF speichern ..." and zentor-mess
// protokoll write it.
#include "bench_report.h"

#include "atomic_file.h"
#include "report.h"

#include <QTemporaryDir>

#include <chrono>
#include <cmath>
#include <string>
#include <vector>

namespace bench {

namespace {

using namespace zentor;
using namespace zentor::analysis;

constexpr int kRuns = 10;
constexpr double kReportLimitMs = 300;

Measurement fullRecording() {
    RecorderMeasurement m;
    m.durationItem = 11; // " 20 Minuten": 1500 values every 800 ms
    for (int i = 0; i < 1500; ++i) {
        const double volts = 4.2 * std::exp(-i * 0.8 / 300) + 0.4;
        m.samples.push_back({static_cast<quint8>(std::lround(volts * 51)), i * 800});
    }
    return {measurementTimeNow(), m};
}

} // namespace

void runReportBenchmarks() {
    const std::string what = "lab report: 1500 values, exp fit, PDF written (median)";
    QTemporaryDir folder;
    if (!folder.isValid()) {
        fail(what, "no temporary folder");
        return;
    }
    const QString path = folder.filePath(QStringLiteral("protokoll.pdf"));
    const Measurement m = fullRecording();
    std::vector<double> times;
    for (int i = 0; i < kRuns; ++i) {
        const auto start = std::chrono::steady_clock::now();
        const Outcome<Series> series = seriesOf(m);
        const AnalysisSession session = report::sessionOf(*series.value, report::timeUnitOf(m),
                                                          60.0, std::nullopt, FitKind::Exponential);
        const QByteArray pdf = report::reportPdf(
            report::makeReport(m, session, QStringLiteral("Name, Klasse, Datum")));
        if (pdf.isEmpty() || !writeFileAtomically(path, pdf)) {
            fail(what, "the report was not written");
            return;
        }
        times.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count());
    }
    report(what, statsOf(times).median, kReportLimitMs, "ms");
}

} // namespace bench
