// Benchmarks of the "Zeitschreiber" page: the full repaint of a recording of
// 1500 samples (also with the cursors and a fitted curve of "Auswertung"),
// and the sample rate the recorder reaches at its 20 ms
// interval against the simulated board with 1200-baud pacing, measured
// against the rate that back-to-back analog exchanges allow.
#include "bench_report.h"

#include "analysis_session.h"
#include "chart_markup.h"
#include "comphard.h"
#include "diagramm.h"
#include "link.h"
#include "recorder.h"
#include "recorder_page.h"
#include "shell.h"
#include "simulated_board.h"

#include <QApplication>
#include <QComboBox>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

namespace bench {

namespace {

class QuietShell : public Shell {
public:
    void setStatusText(const QString& text) override { m_status = text; }
    QString statusText() const override { return m_status; }
    void setApplicationTitle(const QString&) override {}
    QString applicationTitle() const override { return {}; }
    void setWindowCaption(const QString&) override {}
    int maxTimeout() const override { return 300; }

private:
    QString m_status;
};

// The widgets need an application object; the benchmark program has none of
// its own.
std::unique_ptr<QApplication> ensureApplication() {
    if (QApplication::instance() != nullptr)
        return nullptr;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "zentor-bench";
    static char* argv[] = {name, nullptr};
    return std::make_unique<QApplication>(argc, argv);
}

// Runs the event loop until `done` holds (looked at every few milliseconds),
// at most the deadline.
void runUntil(const std::function<bool()>& done, int deadlineMs = 20000) {
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done())
            loop.quit();
    });
    poll.start(2);
    QTimer::singleShot(deadlineMs, &loop, &QEventLoop::quit);
    if (!done())
        loop.exec();
    QApplication::processEvents(); // a result that arrived meanwhile reaches its page
}

void waitForLink() {
    runUntil([] { return !zentor::Link::instance().busy(); });
}

double millisecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

constexpr int kDurationItem24Hours = 22; // 1500 samples
constexpr int kDurationItem5Seconds = 2; // 250 samples at 20 ms
constexpr double kFrameMs = 1000.0 / 60.0;
constexpr double kRepaintLimitMs = 2.0;
constexpr double kRateShare = 0.95;

void benchRepaint() {
    QuietShell shell;
    QTimer yttimer;
    zentor::RecorderBuffer buffer;
    RecorderPage page(shell, yttimer);
    page.setRecorderBuffer(&buffer);
    page.resize(761, 449);

    // A full recording without a board: the readings go straight into the
    // ticks, the clock steps by the 24-hour interval.
    quint32 now = 0;
    page.setRecorderClock([&now] { return now; });
    page.timeyt->setCurrentIndex(kDurationItem24Hours);
    page.ytstartClick();
    waitForLink();
    yttimer.stop();
    for (int i = 0; i < zentor::RecorderBuffer::kSize; ++i) {
        now += 57600;
        page.recordReading(128 + static_cast<int>(100 * std::sin(i * 0.02)));
    }
    page.show();
    QApplication::processEvents();

    std::vector<double> times;
    for (int run = 0; run < 200; ++run) {
        const auto start = std::chrono::steady_clock::now();
        page.ytdiagram->Repaint();
        times.push_back(millisecondsSince(start));
    }
    const Stats s = statsOf(times);
    std::sort(times.begin(), times.end());
    const double p95 = times[times.size() * 95 / 100];
    std::printf("recorder chart, %d samples, %dx%d pixels, %zu repaints: slowest %.3f ms\n",
                page.sampleCount(), page.ytdiagram->width(), page.ytdiagram->height(), times.size(),
                s.max);
    report("recorder: full repaint of 1500 samples (median)", s.median, kRepaintLimitMs, "ms");
    report("recorder: full repaint of 1500 samples (95th percentile)", p95, kRepaintLimitMs, "ms");
    report("recorder: full repaint as a share of a 60 Hz frame", s.median, kFrameMs, "ms");

    // With "Auswertung" open: both cursors, a sine fitted between them. The
    // cursors and the curve are drawn when the widget paints, so a full
    // repaint here is the rebuilt picture and the widget's paint.
    using namespace zentor::analysis;
    AnalysisSession session;
    session.setSeries(*seriesOf(page.measurement()).value);
    session.setCursor(AnalysisSession::Cursor::A, 300);
    session.setCursor(AnalysisSession::Cursor::B, 1200);
    session.setFitKind(FitKind::Sine);
    auto* markup = new ChartMarkup(*page.ytdiagram, session, [] { return 1.0; });
    std::vector<double> marked;
    for (int run = 0; run < 200; ++run) {
        const auto start = std::chrono::steady_clock::now();
        page.ytdiagram->Repaint();
        page.ytdiagram->repaint();
        marked.push_back(millisecondsSince(start));
    }
    markup->detach();
    delete markup;
    if (!session.fit() || !*session.fit()) {
        fail("recorder: full repaint with cursors and a fit", "the fit gave no result");
        return;
    }
    report("recorder: full repaint with cursors and a fit (median)", statsOf(marked).median,
           kRepaintLimitMs, "ms");
}

void benchSampleRate() {
    zentor::sim::RunnerOptions options;
    options.board.pacing = true;
    options.board.inputs.analog = 128;
    zentor::sim::SimulatedBoard board(options);
    zentor::Link& link = zentor::Link::instance();
    bool opened = false;
    if (board.start())
        link.runAndWait([&] { opened = comphard::OpenDevice(board.devicePath(), "1200,N,8,1"); });
    if (!opened) {
        fail("recorder sample rate", "simulated board not available: " + board.lastError());
        return;
    }

    // What the line allows: analog exchanges back to back.
    constexpr int kExchanges = 40;
    int failed = 0;
    double exchangeMs = 0;
    link.runAndWait([&] {
        comphard::SetTimeout(300);
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < kExchanges; ++i)
            failed += comphard::ReadAnalog() < 0 ? 1 : 0;
        exchangeMs = millisecondsSince(start) / kExchanges;
    });

    QuietShell shell;
    QTimer yttimer;
    zentor::RecorderBuffer buffer;
    RecorderPage page(shell, yttimer);
    page.setRecorderBuffer(&buffer);
    page.timeyt->setCurrentIndex(kDurationItem5Seconds);
    page.ytstartClick();
    waitForLink();
    runUntil([&yttimer] { return !yttimer.isActive(); });
    yttimer.stop();
    waitForLink();

    const int count = page.sampleCount();
    link.closePort();
    board.stop();
    if (count < 2 || failed > 0) {
        fail("recorder sample rate",
             std::to_string(count) + " samples, " + std::to_string(failed) + " failed exchanges");
        return;
    }
    const double msPerSample = buffer[count - 1].time / static_cast<double>(count - 1);
    std::printf("recorder at 20 ms: %d samples in %d ms, %.1f samples/s; line allows %.1f/s "
                "(%.2f ms per analog exchange)\n",
                count, buffer[count - 1].time, 1000.0 / msPerSample, 1000.0 / exchangeMs,
                exchangeMs);
    report("recorder: sample rate at 20 ms / the line's rate", exchangeMs / msPerSample, kRateShare,
           "", Bound::AtLeast);
    // The same target as time: at most exchange / 0.95 per sample.
    report("recorder: ms per sample at the 20 ms interval", msPerSample, exchangeMs / kRateShare,
           "ms");
}

} // namespace

void runChartPageBenchmarks() {
    const auto app = ensureApplication();
    benchRepaint();
    benchSampleRate();
}

} // namespace bench
