// The "Oszilloskop" page against a scripted board on a real pty (bytes, order
// and pauses checked on the board's side) and against the simulated board.
#include "comphard.h"
#include "diagramm.h"
#include "link.h"
#include "link_wait.h"
#include "locale_scope.h"
#include "precise_wait.h"
#include "pty_peer.h"
#include "recorder.h"
#include "recorder_page.h"
#include "scope_page.h"
#include "segment_matcher.h"
#include "shell.h"
#include "simulated_board.h"

#include <QApplication>
#include <QCheckBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

using testing_support::PtyPeer;
using testing_support::ReceivedByte;
using zentor::LineSegment;
using zentor::test::segmentIs;
using Bytes = std::vector<std::uint8_t>;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

namespace {

constexpr const char* kLineMode = "1200,N,8,1";

class TestShell : public Shell {
public:
    void setStatusText(const QString& text) override {
        status = text;
        statuses.push_back(text);
    }
    QString statusText() const override { return status; }
    void setApplicationTitle(const QString&) override {}
    QString applicationTitle() const override { return {}; }
    void setWindowCaption(const QString&) override {}
    int maxTimeout() const override { return 300; }

    QString status;
    QStringList statuses; // every status text, oldest first
};

// A board in command mode: resync and presence frames, the capture order
// (answer 1, 254) and the sample dump (the samples given, then 125, 130).
class ScopeBoard {
public:
    explicit ScopeBoard(Bytes samples, bool trailer = true)
        : m_samples(std::move(samples)), m_trailer(trailer) {}

    PtyPeer::Script script() {
        return [this](const std::vector<ReceivedByte>& in) -> Bytes {
            std::lock_guard lock(m_mutex);
            const std::uint8_t b = in.back().value;
            switch (m_state) {
            case State::Idle:
                if (b == 27)
                    m_state = State::Command;
                return {};
            case State::Operand:
                m_state = State::Idle;
                return {1, 254};
            case State::Command:
                break;
            }
            m_state = State::Idle;
            switch (b) {
            case 27:
                return {27, 228};
            case 1:
                return {32, 223};
            case 124:
                m_state = State::Operand;
                return {};
            case 125: {
                Bytes out = m_samples;
                if (m_trailer) {
                    out.push_back(125);
                    out.push_back(130);
                }
                return out;
            }
            default:
                return {b, static_cast<std::uint8_t>(255 - b)};
            }
        };
    }

private:
    enum class State { Idle, Command, Operand };
    std::mutex m_mutex;
    State m_state = State::Idle;
    Bytes m_samples;
    bool m_trailer;
};

Bytes ramp(int n) {
    Bytes out;
    for (int i = 0; i < n; ++i)
        out.push_back(static_cast<std::uint8_t>(i * 2 + 10));
    return out;
}

class ScopePageTest : public ::testing::Test {
protected:
    void SetUp() override {
        page = std::make_unique<ScopePage>(shell, timerOszi);
        page->resize(761, 449);
        timerOszi.setInterval(1000);
        QObject::connect(page.get(), &ScopePage::lineDrawn,
                         [this](const LineSegment& line) { lines.push_back(line); });
    }

    void TearDown() override {
        timerOszi.stop();
        page.reset();
        testing_support::onLink(comphard::ClosePort);
        if (board)
            board->stop();
    }

    void openPeer(PtyPeer::Script script) {
        peer.setScript(std::move(script));
        ASSERT_TRUE(
            testing_support::onLink([&] { return comphard::OpenDevice(peer.path(), kLineMode); }));
        testing_support::onLink([&] { comphard::SetTimeout(50); });
    }

    void startBoard(zentor::sim::BoardOptions options) {
        zentor::sim::RunnerOptions runner;
        runner.board = options;
        board = std::make_unique<zentor::sim::SimulatedBoard>(runner);
        ASSERT_TRUE(board->start()) << board->lastError();
        ASSERT_TRUE(testing_support::onLink(
            [&] { return comphard::OpenDevice(board->devicePath(), kLineMode); }));
        testing_support::onLink([&] { comphard::SetTimeout(50); });
    }

    void measure() {
        page->Button14Click(page->Button14);
        testing_support::waitForLink();
    }
    void readRam() {
        page->Button14Click(page->RAMRead);
        testing_support::waitForLink();
    }

    void expectIdleButtons() {
        EXPECT_TRUE(page->Button14->isEnabled());
        EXPECT_TRUE(page->RAMRead->isEnabled());
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    }

    zentor::test::LocaleScope locale{zentor::test::german()};
    TestShell shell;
    QTimer timerOszi;
    PtyPeer peer;
    std::unique_ptr<ScopePage> page;
    std::unique_ptr<zentor::sim::SimulatedBoard> board;
    std::vector<LineSegment> lines;
};

TEST_F(ScopePageTest, RadioButtonsSetTheTimeBaseAndTheSweep) {
    struct Case {
        QRadioButton* ScopePage::*button;
        int timeBase;
        double xmax;
        bool setsCaptionX;
    };
    for (const Case c : {Case{&ScopePage::RadioButton1, 1, 100, true},
                         Case{&ScopePage::RadioButton2, 2, 200, false},
                         Case{&ScopePage::RadioButton3, 5, 500, true},
                         Case{&ScopePage::RadioButton4, 10, 1000, true},
                         Case{&ScopePage::RadioButton5, 20, 2000, true}}) {
        SCOPED_TRACE(c.timeBase);
        page->OSZI->setCaptionX(QString());
        (page.get()->*c.button)->click();
        EXPECT_EQ(page->ScopeTimeBase, c.timeBase);
        EXPECT_EQ(page->OSZI->Xmax(), c.xmax);
        EXPECT_EQ(page->OSZI->CaptionX(), c.setsCaptionX ? "t in ms" : "");
    }
}

TEST_F(ScopePageTest, CaptureAt200MsPerDivisionThenRamRead) {
    ScopeBoard scopeBoard(ramp(101));
    openPeer(scopeBoard.script());
    page->RadioButton5->click();

    measure();
    const std::vector<ReceivedByte> bytes = peer.received();
    std::vector<int> values;
    for (const ReceivedByte& b : bytes)
        values.push_back(b.value);
    // Resync (answered in the first round), presence check, capture order
    // with the time base, sample dump.
    ASSERT_THAT(values, ElementsAre(27, 27, 27, 1, 27, 124, 20, 27, 125));
    // From the capture frame's ESC: three writes of 10 ms each, the answer
    // pair read with 20 ms around each byte, then the board's 2400 ms for
    // the capture.
    EXPECT_GE(bytes[7].atMicroseconds - bytes[4].atMicroseconds,
              (3 * 10 + 3 * 20 + 2400) * 1000);
    // Between the presence check and the capture frame: 10 ms after the
    // write, 10 ms before the answer, 30 ms to settle.
    EXPECT_GE(bytes[4].atMicroseconds - bytes[3].atMicroseconds,
              (10 + 10 + 30) * 1000);

    EXPECT_EQ(shell.statuses, (QStringList{"Messung läuft ...", "Ok"}));
    expectIdleButtons();
    const Bytes samples = ramp(101);
    for (int i = 0; i < 101; ++i)
        EXPECT_EQ(page->ScopeValues[static_cast<std::size_t>(i)], samples[i]) << i;
    EXPECT_EQ(page->OSZI->Xmax(), 2000);
    EXPECT_EQ(page->timerOsziTag(), 0);
    EXPECT_FALSE(timerOszi.isActive()); // not asked to repeat

    // Drawn in volts with 20 ms between samples.
    ASSERT_EQ(lines.size(), 100u);
    EXPECT_THAT(lines[0], segmentIs(0, 10 / 51.0, 20, 12 / 51.0));
    EXPECT_THAT(lines[99], segmentIs(1980, 208 / 51.0, 2000, 210 / 51.0));
    const QStringList copy = page->copyLines();
    ASSERT_EQ(copy.size(), 100);
    EXPECT_EQ(copy.front(), "0,00\t0,20");
    EXPECT_EQ(copy.back(), "1980,00\t4,08");

    // "&RAM lesen": no presence check, time base 1, raw axis, no captions.
    peer.clearReceived();
    lines.clear();
    readRam();
    EXPECT_THAT(peer.receivedValues(), ElementsAre(27, 125));
    EXPECT_TRUE(page->RadioButton5->isChecked());
    EXPECT_EQ(page->ScopeTimeBase, 1);
    EXPECT_EQ(page->OSZI->Xmax(), 100);
    EXPECT_EQ(page->OSZI->Ymin(), 0);
    EXPECT_EQ(page->OSZI->Ymax(), 256);
    EXPECT_EQ(page->OSZI->Ydiv(), 16);
    EXPECT_EQ(page->OSZI->CaptionX(), "");
    EXPECT_EQ(page->OSZI->CaptionY(), " ");
    EXPECT_FALSE(page->CheckBox4->isChecked());
    EXPECT_EQ(page->timerOsziTag(), 1);
    EXPECT_EQ(shell.status, "Ok");
    expectIdleButtons();
    ASSERT_EQ(lines.size(), 100u);
    EXPECT_THAT(lines[0], segmentIs(0, 10, 1, 12));
    EXPECT_EQ(page->copyLines().back(), "99,00\t4,08"); // volts whatever the display
}

TEST_F(ScopePageTest, MeasureAfterRamReadUsesTheCheckedTimeBase) {
    ScopeBoard scopeBoard(ramp(101));
    openPeer(scopeBoard.script());
    page->RadioButton2->click();
    readRam();
    ASSERT_EQ(page->ScopeTimeBase, 1);

    peer.clearReceived();
    measure();
    EXPECT_THAT(peer.receivedValues(), ElementsAre(27, 27, 27, 1, 27, 124, 2, 27, 125));
    EXPECT_EQ(page->ScopeTimeBase, 2);
    EXPECT_EQ(page->OSZI->Xmax(), 200);
    EXPECT_EQ(page->OSZI->CaptionX(), "t in ms");
    // The display stayed raw, so the y caption is left as the raw axis has it.
    EXPECT_EQ(page->OSZI->CaptionY(), " ");
}

TEST_F(ScopePageTest, SilentBoardEndsTheCaptureAtThePresenceCheck) {
    openPeer(testing_support::silentScript());
    testing_support::onLink([&] { comphard::SetTimeout(20); });
    page->CheckBox3->setChecked(true);
    timerOszi.start();

    measure();
    EXPECT_EQ(shell.statuses, QStringList{"Controler antwortet nicht!"});
    for (std::uint8_t b : peer.receivedValues())
        EXPECT_NE(b, 124);
    expectIdleButtons();
    EXPECT_FALSE(timerOszi.isActive()); // disarmed at the start of the capture
    EXPECT_EQ(page->ScopeValues[0], 0);
}

TEST_F(ScopePageTest, MissingSampleIsAReadTimeout) {
    ScopeBoard scopeBoard(ramp(100), false); // one sample short, no closing pair
    openPeer(scopeBoard.script());
    page->ScopeValues[100] = 77;
    page->CheckBox3->setChecked(true);

    measure();
    EXPECT_EQ(shell.status, "LeseTimeout-Übertragungsfehler.");
    expectIdleButtons();
    EXPECT_EQ(page->ScopeValues[99], ramp(100)[99]);
    EXPECT_EQ(page->ScopeValues[100], 77); // what was read stays, the rest is untouched
    EXPECT_FALSE(timerOszi.isActive());    // a failed capture is not repeated
    EXPECT_TRUE(lines.empty());

    // After "&RAM lesen" the repetition keeps its state.
    timerOszi.start();
    readRam();
    EXPECT_EQ(shell.status, "LeseTimeout-Übertragungsfehler.");
    EXPECT_TRUE(timerOszi.isActive());
}

TEST_F(ScopePageTest, RepetitionIsArmedAfterASuccessfulReadAndFollowsTheTag) {
    ScopeBoard scopeBoard(ramp(101));
    openPeer(scopeBoard.script());
    page->CheckBox3->setChecked(true);
    measure();
    EXPECT_TRUE(timerOszi.isActive());
    EXPECT_EQ(timerOszi.interval(), 1000);

    peer.clearReceived();
    page->CheckBox3->setChecked(false); // as on a page change: the tick does nothing
    page->TimerOsziTimer();
    testing_support::waitForLink();
    EXPECT_TRUE(peer.receivedValues().empty());

    page->CheckBox3->setChecked(true);
    readRam();
    peer.clearReceived();
    page->TimerOsziTimer(); // tag 1: "&RAM lesen" again
    testing_support::waitForLink();
    EXPECT_THAT(peer.receivedValues(), ElementsAre(27, 125));

    page->RadioButton3->click();
    peer.clearReceived();
    measure(); // tag 0 again
    peer.clearReceived();
    page->TimerOsziTimer();
    testing_support::waitForLink();
    EXPECT_THAT(peer.receivedValues(), ElementsAre(27, 27, 27, 1, 27, 124, 5, 27, 125));
}

TEST_F(ScopePageTest, UnitsSwitchTheAxisAndTheDrawing) {
    page->ScopeValues.fill(0);
    page->ScopeValues[0] = 255;
    page->ScopeValues[1] = 51;
    page->OSZI->Repaint();
    ASSERT_FALSE(lines.empty());
    EXPECT_THAT(lines[0], segmentIs(0, 5, 1, 1));

    page->CheckBox4->setChecked(false);
    EXPECT_EQ(page->OSZI->Ymax(), 256);
    EXPECT_EQ(page->OSZI->Ydiv(), 16);
    EXPECT_EQ(page->OSZI->CaptionY(), " ");
    lines.clear();
    page->OSZI->Repaint();
    EXPECT_THAT(lines[0], segmentIs(0, 255, 1, 51));

    page->CheckBox4->setChecked(true);
    EXPECT_EQ(page->OSZI->Ymin(), 0);
    EXPECT_EQ(page->OSZI->Ymax(), 5);
    EXPECT_EQ(page->OSZI->Ydiv(), 0.5);
    EXPECT_EQ(page->OSZI->CaptionY(), "Volt");
}

TEST_F(ScopePageTest, CaptureFromThePacedSimulator) {
    zentor::sim::BoardOptions options;
    options.inputs.analog = 153; // 3 V
    startBoard(options);

    measure();
    EXPECT_EQ(shell.status, "Ok");
    for (qint32 v : page->ScopeValues)
        EXPECT_EQ(v, 153);
    EXPECT_EQ(board->snapshot().scopeSamples, 101);
    const QStringList copy = page->copyLines();
    ASSERT_EQ(copy.size(), 100);
    EXPECT_EQ(copy.front(), "0,00\t3,00");
    EXPECT_EQ(copy.back(), "99,00\t3,00");
}

TEST_F(ScopePageTest, BytesDroppedOnTheLineEndInAReadTimeout) {
    // Three bytes of the 103 of the dump lost: a sample is missing. One lost:
    // the samples arrive, but the last of them is the closing pair's first
    // byte; that short capture is no measurement either.
    for (const int dropEvery : {30, 97}) {
        SCOPED_TRACE(dropEvery);
        zentor::sim::BoardOptions options;
        options.pacing = false;
        options.inputs.analog = 100;
        options.faults.dropEvery = dropEvery;
        startBoard(options);
        page->ScopeValues.fill(7);
        page->CheckBox3->setChecked(true);

        measure();
        EXPECT_EQ(shell.status, "LeseTimeout-Übertragungsfehler.");
        expectIdleButtons();
        EXPECT_FALSE(timerOszi.isActive());
        EXPECT_FALSE(page->holdsMeasurement());
        if (dropEvery == 97) {
            EXPECT_THAT(page->ScopeValues, ::testing::Each(7));
        }
    }
}

TEST_F(ScopePageTest, TicksDuringACaptureAreSkippedOrTakenAfterIt) {
    ScopeBoard scopeBoard(ramp(101));
    openPeer(scopeBoard.script());
    QTimer yttimer;
    zentor::RecorderBuffer buffer;
    RecorderPage recorder(shell, yttimer);
    recorder.setRecorderBuffer(&buffer);
    recorder.ytstartClick();
    testing_support::waitForLink();
    yttimer.stop();
    peer.clearReceived();

    page->CheckBox3->setChecked(true);
    page->Button14Click(page->Button14);
    EXPECT_FALSE(page->Button14->isEnabled());
    EXPECT_FALSE(page->RAMRead->isEnabled());
    EXPECT_TRUE(recorder.ytstart->isEnabled()); // "&Stop" stays usable
    // While the capture runs, the scope's tick is skipped and the
    // recorder's remembered.
    page->TimerOsziTimer();
    recorder.yttimerTimer();
    testing_support::waitForLink();

    EXPECT_EQ(recorder.sampleCount(), 1);
    EXPECT_THAT(peer.receivedValues(), ElementsAre(27, 27, 27, 1, 27, 124, 1, 27, 125, 27, 60));
    EXPECT_EQ(shell.status, "Ok");
}

TEST_F(ScopePageTest, CancelledCaptureKeepsTheSamplesAndTheNextExchangeFindsTheBoard) {
    ScopeBoard scopeBoard(ramp(101));
    openPeer(scopeBoard.script());
    page->RadioButton5->click();
    page->CheckBox3->setChecked(true);
    page->ScopeValues.fill(77);
    // "Abbrechen" while the board takes the capture.
    const std::chrono::microseconds captureWait =
        std::chrono::milliseconds(zentor::scopeCaptureWaitMs(20));
    comphard::SetWaitFunction([captureWait](std::chrono::microseconds wait) {
        if (wait != captureWait) {
            std::this_thread::sleep_for(wait);
            return;
        }
        QMetaObject::invokeMethod(qApp, [] { zentor::Link::instance().cancel(); });
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (!comphard::interruptRequested() && std::chrono::steady_clock::now() < giveUp)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    });
    measure();
    comphard::SetWaitFunction({});

    EXPECT_EQ(shell.status, "Abgebrochen.");
    EXPECT_THAT(page->ScopeValues, ::testing::Each(77));
    EXPECT_TRUE(lines.empty());
    EXPECT_FALSE(timerOszi.isActive());
    EXPECT_THAT(peer.receivedValues(), ElementsAre(27, 27, 27, 1, 27, 124, 20)); // no read

    // The cancel cut the capture's wait: the next exchange resyncs and
    // checks the presence before its own frame.
    peer.clearReceived();
    readRam();
    EXPECT_THAT(peer.receivedValues(), ElementsAre(27, 27, 27, 1, 27, 125));
    EXPECT_EQ(shell.status, "Ok");
}

} // namespace
