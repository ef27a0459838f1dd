// Cost of the "Direkt" page's live poll against the simulated board at line
// speed: the time of one poll cycle (from the tick to its result shown on the
// page) beside the time its frames need on the line, and the CPU share of the
// GUI thread while the page polls.
#include "direct_bench.h"

#include "bench_report.h"
#include "board_commands.h"
#include "comphard.h"
#include "direct_page.h"
#include "link.h"
#include "precise_wait.h"
#include "shell.h"
#include "sim_types.h"
#include "simulated_board.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <array>
#include <cstdio>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

namespace bench {

namespace {

// A window that shows nothing and never reconnects.
class QuietShell : public Shell {
public:
    void setStatusText(const QString& text) override { m_status = text; }
    QString statusText() const override { return m_status; }
    void setApplicationTitle(const QString& title) override { m_title = title; }
    QString applicationTitle() const override { return m_title; }
    void setWindowCaption(const QString&) override {}
    int maxTimeout() const override { return 300; }

private:
    QString m_status;
    QString m_title;
};

// The frames of one poll cycle: bytes sent, answer bytes read.
struct Frame {
    int sent;
    int answered;
};
constexpr std::array<Frame, 3> kPollFrames{{
    {2, 2}, // 27 60: analog input
    {2, 2}, // 27 62: port input bits
    {2, 2}, // 27 61: digital input
}};
constexpr double kPauseAfterByteMs = 10.0;
constexpr double kByteMs = static_cast<double>(zentor::sim::kByteMicros) / 1000.0;

// Pauses after every byte sent plus the line time of every answer byte.
double protocolMs() {
    double ms = 0;
    for (const Frame& f : kPollFrames)
        ms += f.sent * kPauseAfterByteMs + f.answered * kByteMs;
    return ms;
}

// The least time the line allows: the answer starts after the last byte of
// its frame and overlaps that byte's pause.
double lineTimelineMs() {
    double ms = 0;
    for (const Frame& f : kPollFrames)
        ms += std::max(f.sent * kPauseAfterByteMs,
                       (f.sent - 1) * kPauseAfterByteMs + f.answered * kByteMs);
    return ms;
}

double cpuSeconds(clockid_t clock) {
    timespec ts{};
    clock_gettime(clock, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

// A quarter of a minute by default, so that one run of all benchmarks stays
// short; ZENTOR_BENCH_DIRECT_SECONDS=60 measures the full minute.
constexpr int kDefaultPollSeconds = 15;

int pollSeconds() {
    const QByteArray text = qgetenv("ZENTOR_BENCH_DIRECT_SECONDS");
    bool ok = false;
    const int seconds = text.toInt(&ok);
    return ok && seconds > 0 ? seconds : kDefaultPollSeconds;
}

constexpr int kCycles = 50;

// Runs the event loop until the link has delivered every result: the cycle's
// result is on the page when this returns.
void awaitResults() {
    const zentor::Link& link = zentor::Link::instance();
    while (link.busy())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    // A continuation queued behind the link's bookkeeping, not the paints.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall);
}

} // namespace

namespace {

// The application, the paced board and the shown page of both measurements.
class PollRig {
public:
    PollRig() {
        if (!QCoreApplication::instance()) {
            if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
                qputenv("QT_QPA_PLATFORM", "offscreen");
            m_app = std::make_unique<QApplication>(m_argc, m_argv);
        }
        zentor::sim::RunnerOptions options;
        options.board.pacing = true;
        options.board.inputs = zentor::sim::InputOverrides{128, 1, 5};
        m_board = std::make_unique<zentor::sim::SimulatedBoard>(options);
        m_ready = m_board->start() && comphard::OpenDevice(m_board->devicePath(), "1200,N,8,1");
        m_page = std::make_unique<DirectPage>(m_shell, m_timer);
        m_page->resize(769, 475);
        m_page->show(); // the meter and the LEDs paint as they do on screen
        QCoreApplication::processEvents();
        m_timer.setInterval(DirectPage::kEnteringInterval);
        if (m_ready) {
            m_page->Timer1Timer(); // resynchronises
            awaitResults();
        }
    }
    ~PollRig() {
        awaitResults();
        m_page.reset();
        comphard::ClosePort();
        m_board->stop();
    }

    bool ready() const { return m_ready; }
    std::string error() const { return m_board->lastError(); }
    DirectPage& page() { return *m_page; }
    QTimer& timer() { return m_timer; }
    const QuietShell& shell() const { return m_shell; }

private:
    int m_argc = 1;
    char m_name[13] = "zentor-bench";
    char* m_argv[2] = {m_name, nullptr};
    std::unique_ptr<QApplication> m_app;
    std::unique_ptr<zentor::sim::SimulatedBoard> m_board;
    QuietShell m_shell;
    QTimer m_timer;
    std::unique_ptr<DirectPage> m_page;
    bool m_ready = false;
};

DirectPollFigures measureCycles(PollRig& rig, int cycles) {
    DirectPollFigures figures;
    figures.protocolMs = protocolMs();
    figures.lineTimelineMs = lineTimelineMs();
    if (!rig.ready() || cycles <= 0)
        return figures;
    std::vector<double> times;
    bool answered = true;
    for (int i = 0; i < cycles; ++i) {
        const std::int64_t start = comphard::monotonicMicroseconds();
        rig.page().Timer1Timer();
        awaitResults();
        times.push_back(static_cast<double>(comphard::monotonicMicroseconds() - start) / 1000.0);
        answered = answered && rig.timer().interval() == DirectPage::kPollingInterval;
        QCoreApplication::processEvents();
    }
    double sum = 0;
    for (double t : times)
        sum += t;
    figures.cycles = cycles;
    figures.meanCycleMs = sum / static_cast<double>(cycles);
    figures.medianCycleMs = statsOf(times).median;
    figures.answered = answered;
    return figures;
}

} // namespace

DirectPollFigures measureDirectPoll(int cycles) {
    PollRig rig;
    return measureCycles(rig, cycles);
}

void runDirectBenchmarks() {
    PollRig rig;
    if (!rig.ready()) {
        fail("Direkt poll", "no simulated board: " + rig.error());
        return;
    }
    std::printf("Direkt poll cycle against the simulated board at 1200 baud, %d cycles\n", kCycles);
    const DirectPollFigures f = measureCycles(rig, kCycles);
    std::printf("  cycle median %.3f  mean %.3f ms; protocol time %.3f ms (pauses and answer "
                "bytes), line timeline %.3f ms\n",
                f.medianCycleMs, f.meanCycleMs, f.protocolMs, f.lineTimelineMs);
    if (!f.answered)
        fail("Direkt poll", "the board did not answer every cycle");
    // The protocol time of a cycle is its line timeline: no cycle can be
    // shorter. The target allows 2 ms on top of it.
    constexpr double kAllowanceMs = 2.0;
    report("  Direkt: median poll cycle / protocol time", f.medianCycleMs / f.lineTimelineMs,
           (f.lineTimelineMs + kAllowanceMs) / f.lineTimelineMs, "");
    report("  Direkt: median poll cycle minus protocol time", f.medianCycleMs - f.lineTimelineMs,
           kAllowanceMs, "ms");

    // The page polling from its timer, as while it is shown.
    const int seconds = pollSeconds();
    std::printf("Direkt page polling for %d s (ZENTOR_BENCH_DIRECT_SECONDS)\n", seconds);
    int ticks = 0;
    QObject::connect(&rig.timer(), &QTimer::timeout, [&ticks] { ++ticks; });
    const double threadStart = cpuSeconds(CLOCK_THREAD_CPUTIME_ID);
    const double processStart = cpuSeconds(CLOCK_PROCESS_CPUTIME_ID);
    QElapsedTimer wall;
    wall.start();
    rig.timer().setInterval(DirectPage::kPollingInterval);
    rig.timer().start();
    QEventLoop loop;
    QTimer::singleShot(seconds * 1000, &loop, &QEventLoop::quit);
    loop.exec();
    rig.timer().stop();
    const double wallSeconds = static_cast<double>(wall.elapsed()) / 1000.0;
    const double threadShare = (cpuSeconds(CLOCK_THREAD_CPUTIME_ID) - threadStart) / wallSeconds;
    const double processShare = (cpuSeconds(CLOCK_PROCESS_CPUTIME_ID) - processStart) / wallSeconds;
    std::printf("  %d poll cycles in %.1f s; status \"%s\"\n", ticks, wallSeconds,
                rig.shell().statusText().toUtf8().constData());
    report("  Direkt: CPU share of the GUI thread while polling", threadShare, 0.10, "");
    std::printf("  CPU share of the whole process (with the simulator's thread): %.4f\n",
                processShare);
}

} // namespace bench
