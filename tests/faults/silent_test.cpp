// A board that never answers, at every operation of the window: each one
// ends within its time-outs with the status text of its failure, sends
// nothing past the failed presence check, and leaves the listing, the values
// and the files as they were.
#include "amm.h"
#include "board_commands.h"
#include "comphard.h"
#include "configuration.h"
#include "direct_page.h"
#include "fault_window.h"
#include "link.h"
#include "logger_page.h"
#include "recorder_page.h"
#include "scope_page.h"
#include "wait_until.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>

#include <functional>
#include <string>

namespace faults {
namespace {

const QString kNotAnswering = QStringLiteral("Controler antwortet nicht!");
constexpr int kSentinel = 999; // no board byte has this value

class SilentBoard;

struct SilentCase {
    const char* name;
    // The operation, as the user starts it.
    std::function<void(RecordingWindow&)> act;
    // The last status text it leaves.
    QString status;
    // What its pauses and time-outs add up to with a board that never
    // answers (ms).
    int protocolMs;
    // Further checks of what the operation left behind.
    std::function<void(SilentBoard&, RecordingWindow&)> check;
};

void PrintTo(const SilentCase& c, std::ostream* os) {
    *os << c.name;
}

class SilentBoard : public FaultWindow, public testing::WithParamInterface<SilentCase> {
public:
    // Frames past the presence check that must not have gone out.
    void expectNotSent(const std::vector<int>& frame) const {
        EXPECT_EQ(countFromPc(frame), 0) << "frame " << frame[0] << " " << frame[1];
    }
    using Memory = decltype(zentor::sim::BoardSnapshot::memory);
    Memory memoryAtStart{};
};

TEST_P(SilentBoard, GivesUpWithItsStatusText) {
    const SilentCase& c = GetParam();
    zentor::sim::BoardOptions options;
    options.faults.silent = true;
    startBoard(options);
    RecordingWindow& w = openWindow();
    // The connection at start-up opened the port: the board being silent is
    // found out only by the operations.
    ASSERT_TRUE(comphard::PortIsOpen());
    ASSERT_EQ(comphard::CurrentTimeout(), kReadTimeoutMs);
    w.TabSheet3->loggerValues().fill(kSentinel);
    w.TabSheet8->ScopeValues.fill(kSentinel);
    memoryAtStart = board->snapshot().memory;
    w.statuses.clear();
    boxes.clear();

    const qint64 took = timed([&] { c.act(w); });

    EXPECT_EQ(w.statusText(), c.status);
    EXPECT_LE(took, hangLimitMs(c.protocolMs)) << "the operation hangs";
    if (c.check)
        c.check(*this, w);
    EXPECT_TRUE(boxes.empty()) << boxes.front().text.toStdString();
    EXPECT_TRUE(fromBoard().empty());
    // The silent board still works inside: a frame that went out would show
    // in its memory.
    EXPECT_EQ(board->snapshot().memory, memoryAtStart);
    expectListingAndFilesUnchanged();
}

// ---- The operations ---------------------------------------------------------------

constexpr int kSilentPresenceMs = kSilentResyncMs + kSilentHandshakeMs;

void showDirekt(RecordingWindow& w) {
    w.PageControl1->setCurrentWidget(w.TabSheet2);
    w.Timer1->stop(); // the ticks are driven by hand
}

const SilentCase kCases[] = {
    {"ConnectFromTheMenu", [](RecordingWindow& w) { w.Ports->COM31->trigger(); }, kNotAnswering,
     kSettleMs + kSilentPresenceMs,
     [](SilentBoard&, RecordingWindow& w) {
         EXPECT_EQ(w.statuses.front(), QStringLiteral("Controler wird gesucht..."));
         // The port stays open and chosen.
         EXPECT_TRUE(comphard::PortIsOpen());
         EXPECT_EQ(w.Ports->checkedPortEntry(), w.Ports->COM31);
         QFile ini(configuration::iniPath());
         ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
         EXPECT_TRUE(ini.readAll().contains("COM=3"));
     }},
    {"DirektPoll",
     [](RecordingWindow& w) {
         showDirekt(w);
         w.TabSheet2->Timer1Timer(); // entering: resync, then the analog read
     },
     QStringLiteral("Offline"), kSilentResyncMs + 2 * kWritePauseMs + 2 * kSilentReadMs,
     [](SilentBoard&, RecordingWindow& w) {
         EXPECT_EQ(w.TabSheet2->Anal1->Value(), 0);
         EXPECT_EQ(w.Timer1->interval(), DirectPage::kOfflineInterval);
         // The next tick reconnects, finds the board silent again and
         // stays offline.
         w.statuses.clear();
         const qint64 took = timed([&] { w.TabSheet2->Timer1Timer(); });
         EXPECT_LE(took, hangLimitMs(2 * kSettleMs + kSilentResyncMs + 2 * kWritePauseMs +
                                     2 * kSilentReadMs));
         EXPECT_EQ(w.statuses, (QStringList{QStringLiteral("Schnittstelle wird geöffnet ..."),
                                            QStringLiteral("Offline")}));
         EXPECT_EQ(w.Timer1->interval(), DirectPage::kOfflineInterval);
         EXPECT_TRUE(comphard::PortIsOpen());
     }},
    {"SendAndStart", [](RecordingWindow& w) { w.TabSheet4->ButtonSendClick(); }, kNotAnswering,
     kSilentPresenceMs,
     [](SilentBoard& t, RecordingWindow& w) {
         t.expectNotSent({board::kEsc, board::kLoadProgram});
         EXPECT_EQ(w.TabSheet4->ProgressBar2->value(), 0);
         EXPECT_EQ(w.statuses, QStringList{kNotAnswering});
     }},
    {"Start", [](RecordingWindow& w) { w.TabSheet4->ButtonRUNClick(); }, kNotAnswering,
     kSilentPresenceMs,
     [](SilentBoard& t, RecordingWindow&) {
         t.expectNotSent({board::kEsc, board::kRunProgram});
     }},
    {"Stop", [](RecordingWindow& w) { w.TabSheet4->B1Click(); },
     QStringLiteral("Programm gestoppt"), kSilentResyncMs, nullptr},
    {"Read",
     [](RecordingWindow& w) {
         w.TabSheet4->ButtonDiss->show();
         w.TabSheet4->ButtonDissClick();
     },
     QStringLiteral("LeseTimeout-Übertragungsfehler."),
     2 * kSilentResyncMs + kSilentReadMs + 2 * kWritePauseMs + kInputWaitMs,
     [](SilentBoard&, RecordingWindow& w) {
         EXPECT_EQ(w.statuses, (QStringList{QStringLiteral("Programm gestoppt"),
                                            QStringLiteral("Lese Daten ..."),
                                            QStringLiteral("LeseTimeout-Übertragungsfehler.")}));
     }},
    {"LoggerStart", [](RecordingWindow& w) { w.TabSheet3->Button12Click(); }, kNotAnswering,
     kSilentPresenceMs,
     [](SilentBoard& t, RecordingWindow& w) {
         EXPECT_FALSE(w.Timer2->isActive());
         EXPECT_TRUE(w.TabSheet3->Button12->isEnabled());
         t.expectNotSent({board::kEsc, board::kLoadA});
         t.expectNotSent({board::kEsc, board::kStartLogger});
     }},
    {"LoggerReadOut", [](RecordingWindow& w) { w.TabSheet3->Button11Click(); }, kNotAnswering,
     kSilentPresenceMs,
     [](SilentBoard& t, RecordingWindow& w) {
         t.expectNotSent({board::kEsc, board::kReadCell});
         t.expectNotSent({board::kEsc, board::kReadMemory});
         for (int value : w.TabSheet3->loggerValues())
             ASSERT_EQ(value, kSentinel);
         EXPECT_TRUE(w.TabSheet3->Button12->isEnabled());
     }},
    {"RecorderStartAndTicks",
     [](RecordingWindow& w) {
         w.TabSheet6->ytstartClick();
         // The ticks are driven by hand. The timer stops as the recording
         // begins: its readings would keep the link busy for good on a
         // loaded machine, and the wait for an idle link would never end.
         testing_support::waitUntil([&w] {
             QCoreApplication::processEvents();
             return w.TabSheet6->isRecording();
         });
         w.yttimer->stop();
         testing_support::waitForLink();
         for (int i = 0; i < 3; ++i) {
             w.TabSheet6->yttimerTimer();
             testing_support::waitForLink();
         }
     },
     QStringLiteral("Messwert fehlt: Controler antwortet nicht!"),
     kSilentPresenceMs + 3 * (2 * kWritePauseMs + kSilentReadMs),
     [](SilentBoard&, RecordingWindow& w) {
         // The recording runs on; the silent ticks store nothing.
         EXPECT_TRUE(w.TabSheet6->isRecording());
         EXPECT_EQ(w.TabSheet6->ytstart->text(), QStringLiteral("&Stop"));
         EXPECT_EQ(w.TabSheet6->sampleCount(), 0);
         w.TabSheet6->ytstartClick();
         EXPECT_FALSE(w.yttimer->isActive());
         EXPECT_EQ(w.TabSheet6->ytstart->text(), QStringLiteral("&Start"));
     }},
    {"OscilloscopeCapture",
     [](RecordingWindow& w) {
         w.TabSheet8->CheckBox3->setChecked(true);
         w.TabSheet8->Button14Click(w.TabSheet8->Button14);
     },
     kNotAnswering, kSilentPresenceMs,
     [](SilentBoard& t, RecordingWindow& w) {
         t.expectNotSent({board::kEsc, board::kScopeCapture});
         t.expectNotSent({board::kEsc, board::kScopeRead});
         EXPECT_TRUE(w.TabSheet8->Button14->isEnabled());
         EXPECT_TRUE(w.TabSheet8->RAMRead->isEnabled());
         EXPECT_FALSE(w.TimerOszi->isActive());
         EXPECT_EQ(QApplication::overrideCursor(), nullptr);
         for (int value : w.TabSheet8->ScopeValues)
             ASSERT_EQ(value, kSentinel);
     }},
    {"OscilloscopeRamRead",
     [](RecordingWindow& w) { w.TabSheet8->Button14Click(w.TabSheet8->RAMRead); },
     QStringLiteral("LeseTimeout-Übertragungsfehler."), 2 * kWritePauseMs + kInputWaitMs,
     [](SilentBoard&, RecordingWindow& w) {
         EXPECT_TRUE(w.TabSheet8->Button14->isEnabled());
         EXPECT_TRUE(w.TabSheet8->RAMRead->isEnabled());
         EXPECT_EQ(QApplication::overrideCursor(), nullptr);
         for (int value : w.TabSheet8->ScopeValues)
             ASSERT_EQ(value, kSentinel);
     }},
};

// Escape during every wait for a silent board that lasts seconds: the
// operation ends, says so, and starts nothing.
TEST_F(SilentBoard, EscapeEndsEveryLongWait) {
    struct Row {
        const char* name;
        std::function<void(RecordingWindow&)> act;
    };
    const Row rows[] = {
        {"ConnectFromTheMenu", [](RecordingWindow& w) { w.Ports->COM31->trigger(); }},
        {"SendAndStart", [](RecordingWindow& w) { w.TabSheet4->ButtonSendClick(); }},
        {"Start", [](RecordingWindow& w) { w.TabSheet4->ButtonRUNClick(); }},
        {"Stop", [](RecordingWindow& w) { w.TabSheet4->B1Click(); }},
        {"Read", [](RecordingWindow& w) { w.TabSheet4->ButtonDissClick(); }},
        {"LoggerStart", [](RecordingWindow& w) { w.TabSheet3->Button12Click(); }},
        {"LoggerReadOut", [](RecordingWindow& w) { w.TabSheet3->Button11Click(); }},
        {"RecorderStart", [](RecordingWindow& w) { w.TabSheet6->ytstartClick(); }},
        {"OscilloscopeCapture",
         [](RecordingWindow& w) { w.TabSheet8->Button14Click(w.TabSheet8->Button14); }},
    };
    zentor::sim::BoardOptions options;
    options.faults.silent = true;
    startBoard(options);
    RecordingWindow& w = openWindow();
    memoryAtStart = board->snapshot().memory;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        row.act(w);
        ASSERT_TRUE(zentor::Link::instance().cancellableRunning());
        zentor::Link::instance().cancel();
        ASSERT_TRUE(testing_support::waitForLink());
        EXPECT_EQ(w.statusText(), QString::fromLatin1(zentor::kCancelledText));
    }
    EXPECT_FALSE(w.Timer2->isActive());
    EXPECT_FALSE(w.TabSheet6->isRecording());
    expectNotSent({board::kEsc, board::kLoadProgram});
    expectNotSent({board::kEsc, board::kRunProgram});
    expectNotSent({board::kEsc, board::kStartLogger});
    EXPECT_EQ(board->snapshot().memory, memoryAtStart);
}

INSTANTIATE_TEST_SUITE_P(EveryOperation, SilentBoard, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<SilentCase>& info) {
                             return std::string(info.param.name);
                         });

} // namespace
} // namespace faults
