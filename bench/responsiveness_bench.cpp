// How long the window goes without answering while the board is busy: a
// probe timer on the GUI thread fires every millisecond, and the longest gap
// between two of its ticks is the longest time the window could not have
// answered a click or a repaint. Measured on the whole main window against
// the paced simulated board (and a silent one), for each long exchange.
#include "bench_report.h"

#include "comphard.h"
#include "compiler.h"
#include "direct_page.h"
#include "link.h"
#include "logger_page.h"
#include "program_page.h"
#include "recorder_page.h"
#include "scope_page.h"
#include "simulated_board.h"
#include "tform1.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <random>
#include <string>

namespace bench {

namespace {

constexpr double kFrameMs = 1000.0 / 60.0; // one frame at 60 Hz
constexpr int kLongRunMs = 10'000;
constexpr int kGiveUpMs = 60'000;

// The longest gap between two ticks of a 1 ms timer on the GUI thread while
// the event loop runs for `ms`, or until `done` says so.
double longestGapMs(int ms, const std::function<bool()>& done) {
    QElapsedTimer clock;
    clock.start();
    qint64 last = clock.nsecsElapsed();
    qint64 longest = 0;
    QTimer probe;
    probe.setTimerType(Qt::PreciseTimer);
    probe.setInterval(1);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        longest = std::max(longest, now - last);
        last = now;
    });
    probe.start();
    while (clock.elapsed() < ms && !(done && done()))
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    longest = std::max(longest, clock.nsecsElapsed() - last);
    return static_cast<double>(longest) / 1e6;
}

double untilLinkIdle() {
    return longestGapMs(kGiveUpMs, [] { return !zentor::Link::instance().busy(); });
}

// The main window on COM3, which [Ports] points at the board's pty; the
// settings in a folder of their own.
class Rig {
public:
    explicit Rig(zentor::sim::BoardOptions options) : m_board({options, {}, {}}) {
        qputenv("XDG_CONFIG_HOME", m_config.path().toLocal8Bit());
        if (!m_board.start())
            return;
        QDir().mkpath(m_config.filePath(QStringLiteral("zentor")));
        QFile ini(m_config.filePath(QStringLiteral("zentor/zentor.ini")));
        if (!ini.open(QIODevice::WriteOnly))
            return;
        ini.write("[ZENTOR1]\nCOM=3\n[Ports]\nCOM3=" +
                  QByteArray::fromStdString(m_board.devicePath()) + "\n");
        ini.close();
        window = std::make_unique<TForm1>();
        window->show();
        m_startGapMs = untilLinkIdle();
    }
    ~Rig() {
        window.reset();
        m_board.stop();
    }
    bool ok() const { return window != nullptr; }
    double startGapMs() const { return m_startGapMs; }

    std::unique_ptr<TForm1> window;

private:
    QTemporaryDir m_config;
    zentor::sim::SimulatedBoard m_board;
    double m_startGapMs = 0;
};

// The longest program "Senden && Start" takes: 124 bytes of output frames.
QStringList longestProgram() {
    QStringList lines;
    for (int k = 0; k < 62; ++k)
        lines << QStringLiteral("\tPortout = %1").arg(k % 64);
    return lines;
}

void reportGap(const char* what, double gapMs) {
    bench::report(what, gapMs, kFrameMs, "ms");
}

// Escape at a random moment of "Senden && Start" (within `sendMs`, the time
// a whole one takes), 20 times: how long until the page says it gave up,
// and whether the board answers the presence check of the next exchange.
// A cancel in the load frame waits for the frame's end, so the longest time
// is about one upload of 124 bytes.
void benchCancelledUploads(TForm1& w, double sendMs) {
    constexpr int kRuns = 20;
    std::mt19937 random(20261207);
    std::uniform_int_distribution<int> moment(0, static_cast<int>(sendMs * 0.95));
    std::vector<double> untilCancelled;
    int answered = 0;
    for (int run = 0; run < kRuns; ++run) {
        w.TabSheet4->ButtonSendClick();
        longestGapMs(moment(random), [] { return !zentor::Link::instance().busy(); });
        QElapsedTimer clock;
        clock.start();
        zentor::Link::instance().cancel();
        untilLinkIdle();
        const double ms = static_cast<double>(clock.nsecsElapsed()) / 1e6;
        if (w.statusText().startsWith(QLatin1String(zentor::kCancelledText).chopped(1)))
            untilCancelled.push_back(ms);
        else if (w.statusText() == QStringLiteral("Programm gestartet"))
            w.TabSheet4->B1Click(); // too late: the program runs; stop it
        untilLinkIdle();
        QString answer;
        zentor::Link::instance()
            .run([] {
                std::string text;
                comphard::Handshake(text);
                return QString::fromStdString(text);
            })
            .then(&w, [&answer](const QString& text) { answer = text; });
        untilLinkIdle();
        answered += answer == QStringLiteral("Ok");
    }
    std::printf("  Escape in %zu of %d uploads landed before the start\n", untilCancelled.size(),
                kRuns);
    const Stats stats = statsOf(untilCancelled);
    bench::report("Escape to \"Abgebrochen\": median", stats.median, 2000, "ms");
    bench::report("Escape to \"Abgebrochen\": max", stats.max, 3500, "ms");
    bench::report("board answers the next presence check (of 20)", answered, kRuns, "",
                  Bound::AtLeast);
}

} // namespace

void runResponsivenessBenchmarks() {
    std::printf("The GUI thread's longest gap between two ticks of a 1 ms probe timer, "
                "against one frame at 60 Hz\n");
    {
        Rig rig({});
        if (!rig.ok()) {
            fail("window gap, any", "the simulated board did not start");
            return;
        }
        TForm1& w = *rig.window;

        w.PageControl1->setCurrentWidget(w.TabSheet4);
        QStringList program = longestProgram();
        w.TabSheet4->setListingLines(program);
        while (w.TabSheet4->ButtonCompClick() &&
               zentor::codeListBytes(w.TabSheet4->codeList()).size() > 124) {
            program.removeLast();
            w.TabSheet4->setListingLines(program);
        }
        QElapsedTimer sendClock;
        sendClock.start();
        w.TabSheet4->ButtonSendClick();
        const double sendGap = untilLinkIdle();
        const double sendMs = static_cast<double>(sendClock.elapsed());
        std::printf("  Senden && Start of %lld bytes: \"%s\"\n",
                    static_cast<long long>(zentor::codeListBytes(w.TabSheet4->codeList()).size()),
                    qPrintable(w.statusText()));
        reportGap("window gap: Senden && Start, 124 bytes", sendGap);
        benchCancelledUploads(w, sendMs);

        w.PageControl1->setCurrentWidget(w.TabSheet8);
        w.TabSheet8->Button14Click(w.TabSheet8->Button14);
        const double captureGap = untilLinkIdle();
        std::printf("  capture: \"%s\"\n", qPrintable(w.statusText()));
        reportGap("window gap: one capture at 10 ms/DIV", captureGap);

        w.PageControl1->setCurrentWidget(w.TabSheet3);
        w.TabSheet3->Button11Click();
        const double readOutGap = untilLinkIdle();
        std::printf("  logger read-out: \"%s\"\n", qPrintable(w.statusText()));
        reportGap("window gap: logger read-out", readOutGap);

        w.PageControl1->setCurrentWidget(w.TabSheet2);
        reportGap("window gap: 10 s of Direkt polling", longestGapMs(kLongRunMs, {}));

        w.PageControl1->setCurrentWidget(w.TabSheet6);
        w.TabSheet6->ytstartClick();
        reportGap("window gap: 10 s of recording", longestGapMs(kLongRunMs, {}));
        if (w.TabSheet6->isRecording())
            w.TabSheet6->ytstartClick();
        untilLinkIdle();
    }
    {
        zentor::sim::BoardOptions silent;
        silent.faults.silent = true;
        Rig rig(silent);
        if (!rig.ok()) {
            fail("window gap: silent board", "the simulated board did not start");
            return;
        }
        reportGap("window gap: start-up with a silent board", rig.startGapMs());
        TForm1& w = *rig.window;
        w.PageControl1->setCurrentWidget(w.TabSheet2);
        reportGap("window gap: 10 s of Direkt with a silent board",
               longestGapMs(kLongRunMs, {}));
    }
}

} // namespace bench
