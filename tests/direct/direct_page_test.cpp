// The "Direkt" page against a scripted board on a pty: the bytes of the poll
// and of the output controls, the readings shown, and the poll's states.
#include "amadvled.h"
#include "amm.h"
#include "comphard.h"
#include "direct_page.h"
#include "direct_test_support.h"
#include "link_wait.h"
#include "precise_wait.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <clocale>
#include <string>

using namespace direct_test;
using testing_support::PtyPeer;

namespace {

constexpr int kReadTimeout = 60; // ms; small so that silent reads are quick

const Bytes kPollFrames{27, 60, 27, 62, 27, 61};

constexpr std::int64_t kBytePauseMicroseconds = 10'000;
// Output and direction are each a full operand command: after the operand's
// own pause, three 20 ms waits around the two answer reads.
constexpr std::int64_t kOperandCommandTailMicroseconds = 10'000 + 3 * 20'000;

class DirectPageTest : public ::testing::Test {
protected:
    void SetUp() override {
        peer.setScript(board.script());
        ASSERT_TRUE(testing_support::onLink(
            [&] { return comphard::OpenDevice(peer.path(), "1200,N,8,1"); }));
        testing_support::onLink([&] { comphard::SetTimeout(kReadTimeout); });
        shell.timeout = kReadTimeout;
        timer.setInterval(DirectPage::kPollingInterval);
    }
    void TearDown() override {
        testing_support::waitForLink();
        testing_support::onLink(comphard::ClosePort);
    }

    void tick() { tickAndWait(page); }

    // The bytes the page sent since the last call; waits for at least n.
    Bytes sent(std::size_t n = 0) {
        peer.waitForBytes(n, std::chrono::seconds(2));
        Bytes bytes = peer.receivedValues();
        peer.clearReceived();
        return bytes;
    }

    // On/off of the port LEDs, column "5" first, as the row reads.
    std::vector<bool> portLeds() const {
        return {page.AMAdvLed32->LedOn(), page.AMAdvLed16->LedOn(), page.AMAdvLed08->LedOn(),
                page.AMAdvLed04->LedOn(), page.AMAdvLed02->LedOn(), page.AMAdvLed01->LedOn()};
    }

    GermanNumbers germanNumbers;
    ScriptedBoard board;
    PtyPeer peer;
    RecordingShell shell;
    QTimer timer;
    DirectPage page{shell, timer};
};

TEST_F(DirectPageTest, PollCycleReadsAnalogPortAndDigitalInputInThatOrder) {
    board.queueCycle(std::pair{128, 127}, std::pair{5, 250}, std::pair{1, 254});
    const std::int64_t start = comphard::monotonicMicroseconds();
    tick();
    // Every byte sent is followed by its 10 ms pause.
    EXPECT_GE(comphard::monotonicMicroseconds() - start,
              static_cast<std::int64_t>(kPollFrames.size()) * kBytePauseMicroseconds);

    // From the board's side: the pause after every byte lies between it and
    // the next.
    ASSERT_TRUE(peer.waitForBytes(kPollFrames.size(), std::chrono::seconds(2)));
    for (const std::int64_t gap : testing_support::gapsMicroseconds(peer.received()))
        EXPECT_GE(gap, kBytePauseMicroseconds);
    ASSERT_EQ(sent(kPollFrames.size()), kPollFrames);

    EXPECT_EQ(page.Anal1->Value(), 128);
    EXPECT_EQ(shell.statusText(), "2,51 Volt");
    EXPECT_EQ(shell.applicationTitle(), "Zentor 2,51 Volt");
    EXPECT_EQ(portLeds(), (std::vector<bool>{false, false, false, true, false, true}));
    EXPECT_TRUE(page.AMAdvLed1->LedOn());
    EXPECT_EQ(timer.interval(), DirectPage::kPollingInterval);
    EXPECT_EQ(shell.connects, 0);
}

TEST_F(DirectPageTest, VoltageTextAndTitleFollowTheReading) {
    struct Case {
        int first, second;
        int meter;
        const char* text;
    };
    for (const Case& c : {Case{0, 255, 0, "0,00 Volt"}, Case{255, 0, 255, "5,00 Volt"},
                          Case{51, 204, 51, "1,00 Volt"}, Case{128, 127, 128, "2,51 Volt"}}) {
        board.queueCycle(std::pair{c.first, c.second}, std::pair{0, 255}, std::pair{0, 255});
        tick();
        EXPECT_EQ(page.Anal1->Value(), c.meter) << c.text;
        EXPECT_EQ(shell.statusText(), c.text);
        EXPECT_EQ(shell.applicationTitle(), QStringLiteral("Zentor ") + c.text);
        sent();
    }
}

// The application takes the C library's locale from the environment too
// (QApplication does), so a German user's process formats and parses C
// numbers with a decimal comma; the voltage text must not depend on that.
TEST_F(DirectPageTest, VoltageTextUnderAGermanProcessLocale) {
    const std::string previous = std::setlocale(LC_ALL, nullptr);
    // The German locale is part of the test set-up (tools/install-deps.sh):
    // without it this test cannot do its work, which is a failure.
    ASSERT_NE(std::setlocale(LC_ALL, "de_DE.UTF-8"), nullptr)
        << "no de_DE.UTF-8 locale on this machine (make deps installs it)";
    board.queueCycle(std::pair{128, 127}, std::pair{0, 255}, std::pair{0, 255});
    tick();
    std::setlocale(LC_ALL, previous.c_str());
    EXPECT_EQ(shell.statusText(), "2,51 Volt");
    EXPECT_EQ(shell.applicationTitle(), "Zentor 2,51 Volt");
}

TEST_F(DirectPageTest, EnteringTickResynchronisesAndSetsTheTimeout) {
    shell.timeout = 75;
    timer.setInterval(DirectPage::kEnteringInterval);
    board.queueCycle(std::pair{10, 245}, std::pair{0, 255}, std::pair{0, 255});
    tick();

    Bytes expected{27, 27};
    expected.insert(expected.end(), kPollFrames.begin(), kPollFrames.end());
    EXPECT_EQ(sent(expected.size()), expected);
    EXPECT_EQ(comphard::CurrentTimeout(), 75);
    EXPECT_EQ(timer.interval(), DirectPage::kPollingInterval);

    // The next tick polls without resynchronising.
    board.queueCycle(std::pair{10, 245}, std::pair{0, 255}, std::pair{0, 255});
    tick();
    EXPECT_EQ(sent(kPollFrames.size()), kPollFrames);
}

TEST_F(DirectPageTest, GarbledOrMissingAnswersShowTheLastValidReadings) {
    // Before any valid answer, the last valid readings are 0.
    board.queueCycle(std::pair{100, 100}, std::pair{7, 7}, std::pair{1, 1});
    tick();
    EXPECT_EQ(page.Anal1->Value(), 0);
    EXPECT_EQ(shell.statusText(), "0,00 Volt");
    EXPECT_EQ(portLeds(), std::vector<bool>(6, false));
    EXPECT_FALSE(page.AMAdvLed1->LedOn());
    sent();

    board.queueCycle(std::pair{90, 165}, std::pair{5, 250}, std::pair{1, 254});
    tick();
    EXPECT_EQ(page.Anal1->Value(), 90);
    sent();

    // A broken analog pair, a broken port pair and a silent digital read.
    board.queueCycle(std::pair{100, 100}, std::pair{2, 2}, std::nullopt);
    tick();
    EXPECT_EQ(sent(kPollFrames.size()), kPollFrames);
    EXPECT_EQ(page.Anal1->Value(), 90);
    EXPECT_EQ(shell.statusText(), "1,76 Volt");
    EXPECT_EQ(shell.applicationTitle(), "Zentor 1,76 Volt");
    EXPECT_EQ(portLeds(), (std::vector<bool>{false, false, false, true, false, true}));
    EXPECT_TRUE(page.AMAdvLed1->LedOn());
    EXPECT_EQ(timer.interval(), DirectPage::kPollingInterval);
    EXPECT_EQ(page.LastAnalog(), 90);
    EXPECT_EQ(page.LastPortIn(), 5);
    EXPECT_EQ(page.LastDin(), 1);

    // An analog byte without its second byte is garbled too, not offline.
    board.queue(board::kAnalogIn, {std::pair{200, -1}});
    tick();
    EXPECT_EQ(page.Anal1->Value(), 90);
    EXPECT_EQ(timer.interval(), DirectPage::kPollingInterval);
}

TEST_F(DirectPageTest, PortAnswerLightsTheLedsOfItsBits) {
    struct Case {
        int port;
        std::vector<bool> leds; // column "5" to column "0"
    };
    for (const Case& c :
         {Case{5, {false, false, false, true, false, true}}, Case{63, std::vector<bool>(6, true)},
          Case{32 + 2, {true, false, false, false, true, false}},
          Case{64 + 16, {false, true, false, false, false, false}},
          Case{0, std::vector<bool>(6, false)}}) {
        board.queueCycle(std::pair{1, 254}, std::pair{c.port, 255 - c.port},
                         std::pair{c.port, 255 - c.port});
        tick();
        EXPECT_EQ(portLeds(), c.leds) << c.port;
        EXPECT_EQ(page.AMAdvLed1->LedOn(), (c.port & 1) != 0) << c.port;
        sent();
    }
}

TEST_F(DirectPageTest, OfflineCyclesLeaveTheWindowAnIntervalBetweenThem) {
    // The running timer against a board that stays silent: each offline
    // cycle lasts longer than the interval (here the reconnect alone), so
    // the next tick is overdue when the cycle ends.
    constexpr int kReconnectMs = 1200;
    QElapsedTimer clock;
    clock.start();
    std::vector<qint64> cycleStarts; // on the link thread
    std::vector<qint64> cycleEnds;
    QStringList statusAtEnd;
    qint64 queuedEventAt = -1;
    shell.connect = [&] {
        cycleStarts.push_back(clock.elapsed());
        if (cycleStarts.size() == 1) // an event for the window while the reconnect runs
            QMetaObject::invokeMethod(
                &page, [&] { queuedEventAt = clock.elapsed(); }, Qt::QueuedConnection);
        comphard::WaitMilliseconds(kReconnectMs);
        return comphard::PortIsOpen();
    };
    // A cycle ends with the status text of its result.
    shell.onStatus = [&](const QString& text) {
        if (text == "Schnittstelle wird geöffnet ...")
            return;
        cycleEnds.push_back(clock.elapsed());
        statusAtEnd << text;
    };
    timer.setTimerType(Qt::PreciseTimer); // as the main window's
    timer.setInterval(DirectPage::kOfflineInterval);
    timer.start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return cycleEnds.size() >= 2; }, 10'000));
    timer.stop();

    EXPECT_EQ(statusAtEnd, (QStringList{"Offline", "Offline"}));
    EXPECT_GE(cycleStarts[1] - cycleEnds[0], DirectPage::kOfflineInterval - 1);
    // The window answered while the reconnect ran.
    EXPECT_GE(queuedEventAt, cycleStarts[0]);
    EXPECT_LT(queuedEventAt, cycleEnds[0]);
}

TEST_F(DirectPageTest, SilentBoardGoesOfflineAndTheNextTickReconnects) {
    board.queueCycle(std::pair{128, 127}, std::pair{5, 250}, std::pair{1, 254});
    tick();
    sent();

    tick(); // nothing queued: the analog read stays silent
    EXPECT_EQ(sent(2), (Bytes{27, 60}));
    EXPECT_EQ(shell.statusText(), "Offline");
    EXPECT_EQ(page.Anal1->Value(), 0);
    EXPECT_EQ(timer.interval(), DirectPage::kOfflineInterval);
    EXPECT_EQ(shell.applicationTitle(), "Zentor 2,51 Volt");
    EXPECT_EQ(portLeds(), (std::vector<bool>{false, false, false, true, false, true}));
    EXPECT_TRUE(page.AMAdvLed1->LedOn());
    EXPECT_EQ(shell.connects, 0);

    // The reconnect opens the port again and hands back a board that answers.
    shell.connect = [this] {
        const bool ok = comphard::OpenDevice(peer.path(), "1200,N,8,1");
        comphard::SetTimeout(shell.timeout);
        return ok;
    };
    board.queueCycle(std::pair{200, 55}, std::pair{0, 255}, std::pair{0, 255});
    tick();
    EXPECT_EQ(shell.connects, 1);
    EXPECT_EQ(shell.statusAtConnect, "Schnittstelle wird geöffnet ...");
    EXPECT_EQ(sent(kPollFrames.size()), kPollFrames); // no resync of its own
    EXPECT_EQ(page.Anal1->Value(), 200);
    EXPECT_EQ(shell.statusText(), "3,92 Volt");
    EXPECT_EQ(timer.interval(), DirectPage::kPollingInterval);
    EXPECT_EQ(portLeds(), std::vector<bool>(6, false));
}

TEST_F(DirectPageTest, OfflineTicksKeepTryingWhileThePortCannotBeOpened) {
    timer.setInterval(DirectPage::kOfflineInterval);
    // As when the configured device has gone: the open fails and closes the port.
    shell.connect = [] {
        comphard::ClosePort();
        return false;
    };
    for (int n = 1; n <= 2; ++n) {
        tick();
        EXPECT_EQ(shell.connects, n);
        EXPECT_EQ(shell.statusText(), "Schnittstelle wird geöffnet ...");
        EXPECT_EQ(timer.interval(), DirectPage::kOfflineInterval);
    }
    EXPECT_TRUE(sent().empty());

    // A reconnect that fails while the port stays open still polls.
    ASSERT_TRUE(
        testing_support::onLink([&] { return comphard::OpenDevice(peer.path(), "1200,N,8,1"); }));
    shell.connect = [] { return false; };
    board.queueCycle(std::pair{51, 204}, std::pair{0, 255}, std::pair{0, 255});
    tick();
    EXPECT_EQ(sent(kPollFrames.size()), kPollFrames);
    EXPECT_EQ(shell.statusText(), "1,00 Volt");
    EXPECT_EQ(timer.interval(), DirectPage::kPollingInterval);
}

TEST_F(DirectPageTest, TickWhileTheCycleRunsIsSkipped) {
    timer.setInterval(DirectPage::kOfflineInterval);
    shell.connect = [] { return true; };
    board.queueCycle(std::pair{51, 204}, std::pair{0, 255}, std::pair{0, 255});
    board.queueCycle(std::pair{51, 204}, std::pair{0, 255}, std::pair{0, 255});
    page.Timer1Timer();
    page.Timer1Timer(); // the reconnect still runs
    testing_support::waitForLink();
    EXPECT_EQ(shell.connects, 1);
    EXPECT_EQ(sent(kPollFrames.size()), kPollFrames);
    EXPECT_EQ(timer.interval(), DirectPage::kPollingInterval);
}

TEST_F(DirectPageTest, WithoutAnOpenPortTicksDoNothing) {
    testing_support::onLink(comphard::ClosePort);
    page.Anal1->setValue(77);
    for (int interval : {DirectPage::kEnteringInterval, DirectPage::kPollingInterval}) {
        timer.setInterval(interval);
        tick();
        EXPECT_EQ(timer.interval(), interval);
    }
    EXPECT_TRUE(shell.statuses.isEmpty());
    EXPECT_TRUE(shell.titles.isEmpty());
    EXPECT_EQ(shell.connects, 0);
    EXPECT_EQ(page.Anal1->Value(), 77);
    EXPECT_TRUE(sent().empty());
}

TEST_F(DirectPageTest, EveryCheckBoxClickSendsOutputThenDirection) {
    struct Case {
        std::vector<QCheckBox*> checkedBefore;
        QCheckBox* clicked;
        Bytes expected;
    };
    const std::vector<Case> cases{
        {{page.o1}, page.d6, {27, 50, 1, 27, 49, 32}},
        {{}, page.o1, {27, 50, 1, 27, 49, 0}},
        {{}, page.d1, {27, 50, 0, 27, 49, 1}},
        {{page.o1, page.o2, page.o3, page.o4, page.o5, page.o6, page.d3},
         page.o3,
         {27, 50, 59, 27, 49, 4}},
        {{page.d1, page.d2, page.d3, page.d4, page.d5}, page.d6, {27, 50, 0, 27, 49, 63}},
        {{page.o6, page.d6}, page.d6, {27, 50, 32, 27, 49, 0}},
    };
    for (const Case& c : cases) {
        for (QCheckBox* box : page.findChildren<QCheckBox*>())
            box->setChecked(false);
        for (QCheckBox* box : c.checkedBefore)
            box->setChecked(true);
        EXPECT_TRUE(sent().empty()) << "setting a box by program sends nothing";
        clickAndWait(c.clicked);
        EXPECT_EQ(sent(c.expected.size()), c.expected) << c.clicked->objectName().toStdString();
    }
    EXPECT_TRUE(shell.statuses.isEmpty());
}

TEST_F(DirectPageTest, DirectionFollowsTheOutputCommandsAnswerAndPauses) {
    clickAndWait(page.o1);
    ASSERT_TRUE(peer.waitForBytes(6, std::chrono::seconds(2)));
    const std::vector<testing_support::ReceivedByte> bytes = peer.received();
    ASSERT_EQ(sent(), (Bytes{27, 50, 1, 27, 49, 0}));
    // Board side: the direction's ESC comes only after the output command
    // has waited for and read its answer.
    EXPECT_GE(bytes[3].atMicroseconds - bytes[2].atMicroseconds,
              kOperandCommandTailMicroseconds);
}

TEST_F(DirectPageTest, PortCommandsAreSentAndNotReportedWhenTheBoardIsSilent) {
    board.setOperandCommandsSilent(true);
    clickAndWait(page.o2);
    EXPECT_EQ(sent(6), (Bytes{27, 50, 2, 27, 49, 0}));
    EXPECT_TRUE(shell.statuses.isEmpty());
}

TEST_F(DirectPageTest, PwmButtonsSwitchTheOutputAndMoveTheBar) {
    clickAndWait(page.Button8);
    EXPECT_EQ(sent(5), (Bytes{27, 40, 27, 51, 255}));
    EXPECT_EQ(page.ScrollBarPWM->value(), 255);
    EXPECT_EQ(page.LabelPWM->text(), "255");
    EXPECT_EQ(shell.statusText(), "Ok");

    // The bar is at 255 already: only the output command goes out.
    shell.statuses.clear();
    clickAndWait(page.Button8);
    EXPECT_EQ(sent(2), (Bytes{27, 40}));
    EXPECT_TRUE(shell.statuses.isEmpty());

    clickAndWait(page.Button7);
    EXPECT_EQ(sent(5), (Bytes{27, 41, 27, 51, 0}));
    EXPECT_EQ(page.ScrollBarPWM->value(), 0);
    EXPECT_EQ(page.LabelPWM->text(), "0");
    EXPECT_EQ(shell.statusText(), "Ok");

    clickAndWait(page.Button7);
    EXPECT_EQ(sent(2), (Bytes{27, 41}));

    clickAndWait(page.Button3);
    EXPECT_EQ(sent(2), (Bytes{27, 45}));
}

TEST_F(DirectPageTest, ControlsThatStartExchangesAreGreyWhileACommandRuns) {
    const std::vector<QWidget*> commandControls{
        page.o1, page.o2, page.o3, page.o4, page.o5,      page.o6,      page.d1,     page.d2,
        page.d3, page.d4, page.d5, page.d6, page.Button7, page.Button8, page.Button3};
    page.show();
    QApplication::setActiveWindow(&page);
    page.o1->setFocus();
    page.o1->click();
    for (QWidget* control : commandControls)
        EXPECT_FALSE(control->isEnabled()) << control->objectName().toStdString();
    EXPECT_TRUE(page.ScrollBarPWM->isEnabled()); // a drag goes on
    page.Button3->click();                       // greyed: not carried out, now or later
    testing_support::waitForLink();
    EXPECT_EQ(sent(6), (Bytes{27, 50, 1, 27, 49, 0}));
    for (QWidget* control : commandControls)
        EXPECT_TRUE(control->isEnabled()) << control->objectName().toStdString();
    EXPECT_TRUE(page.o1->hasFocus()); // a second key press reaches the same box

    // A poll leaves them as they are.
    board.queueCycle(std::pair{51, 204}, std::pair{0, 255}, std::pair{0, 255});
    page.Timer1Timer();
    EXPECT_TRUE(page.o1->isEnabled());
    testing_support::waitForLink();
}

TEST_F(DirectPageTest, BarPositionsDuringAPwmSendCoalesceIntoTheNewest) {
    QScrollBar& bar = *page.ScrollBarPWM;
    bar.setSliderDown(true);
    for (int position : {40, 41, 42, 43})
        bar.setSliderPosition(position);
    bar.setSliderDown(false);
    EXPECT_EQ(page.LabelPWM->text(), "43");
    testing_support::waitForLink();
    EXPECT_EQ(sent(6), (Bytes{27, 51, 40, 27, 51, 43}));
    EXPECT_EQ(shell.statusText(), "Ok");
}

TEST_F(DirectPageTest, ScrollNotificationsAndPositionChangesEachSendPwm) {
    QScrollBar& bar = *page.ScrollBarPWM;
    // A step: the notification, then the change of position.
    bar.triggerAction(QAbstractSlider::SliderSingleStepAdd);
    testing_support::waitForLink();
    EXPECT_EQ(sent(6), (Bytes{27, 51, 1, 27, 51, 1}));
    EXPECT_EQ(page.LabelPWM->text(), "1");
    EXPECT_EQ(shell.statusText(), "Ok");

    bar.triggerAction(QAbstractSlider::SliderPageStepAdd);
    testing_support::waitForLink();
    EXPECT_EQ(sent(6), (Bytes{27, 51, 11, 27, 51, 11}));
    EXPECT_EQ(page.LabelPWM->text(), "11");

    // A drag: each move is notified and changes the position; letting go
    // reports the final position once more.
    bar.setSliderDown(true);
    bar.setSliderPosition(40);
    testing_support::waitForLink();
    bar.setSliderPosition(42);
    testing_support::waitForLink();
    bar.setSliderDown(false);
    testing_support::waitForLink();
    EXPECT_EQ(sent(15), (Bytes{27, 51, 40, 27, 51, 40, 27, 51, 42, 27, 51, 42, 27, 51, 42}));
    EXPECT_EQ(page.LabelPWM->text(), "42");

    // At the end of the range a step is notified but changes nothing.
    bar.setValue(255);
    testing_support::waitForLink();
    sent(3);
    bar.triggerAction(QAbstractSlider::SliderSingleStepAdd);
    testing_support::waitForLink();
    EXPECT_EQ(sent(3), (Bytes{27, 51, 255}));

    // A PWM command the board does not confirm.
    board.setOperandCommandsSilent(true);
    bar.triggerAction(QAbstractSlider::SliderToMinimum);
    testing_support::waitForLink();
    EXPECT_EQ(sent(6), (Bytes{27, 51, 0, 27, 51, 0}));
    EXPECT_EQ(page.LabelPWM->text(), "0");
    EXPECT_EQ(shell.statusText(), "Fehler");
}

TEST_F(DirectPageTest, ClickOnTheMeterTogglesVoltsAndRawValues) {
    page.resize(800, 500);
    page.Anal1->setValue(128);
    QTest::mouseClick(page.Anal1, Qt::LeftButton);
    EXPECT_EQ(page.Anal1->Minor(), 6);
    EXPECT_EQ(page.Anal1->Scale(), "0;64;128;192;256");
    EXPECT_EQ(page.Anal1->Caption(), "Wert");
    EXPECT_EQ(page.Anal1->Value(), 128);
    EXPECT_EQ(page.Anal1->Max(), 255);

    QTest::mouseClick(page.Anal1, Qt::LeftButton);
    EXPECT_EQ(page.Anal1->Minor(), 4);
    EXPECT_EQ(page.Anal1->Scale(), "0;1;2;3;4;5");
    EXPECT_EQ(page.Anal1->Caption(), "Volt");
    EXPECT_EQ(page.Anal1->Value(), 128);
    EXPECT_TRUE(sent().empty());
}

TEST_F(DirectPageTest, TimerTicksRunThePollThroughItsStates) {
    timer.setInterval(DirectPage::kEnteringInterval);
    for (int i = 0; i < 3; ++i)
        board.queueCycle(std::pair{128, 127}, std::pair{0, 255}, std::pair{0, 255});
    QSignalSpy ticks(&timer, &QTimer::timeout);
    timer.start();
    // Resync and three answered cycles, then a silent one.
    ASSERT_TRUE(QTest::qWaitFor([&] { return shell.statusText() == "Offline"; }, 10'000));
    timer.stop();
    EXPECT_EQ(ticks.count(), 4);
    EXPECT_EQ(timer.interval(), DirectPage::kOfflineInterval);
    Bytes expected{27, 27};
    for (int i = 0; i < 3; ++i)
        expected.insert(expected.end(), kPollFrames.begin(), kPollFrames.end());
    expected.insert(expected.end(), {27, 60});
    EXPECT_EQ(sent(expected.size()), expected);
    EXPECT_EQ(shell.statuses, (QStringList{"2,51 Volt", "2,51 Volt", "2,51 Volt", "Offline"}));
}

TEST(DirectPageLayout, ControlsCaptionsAndHints) {
    RecordingShell shell;
    QTimer timer;
    DirectPage page(shell, timer);

    EXPECT_EQ(page.Anal1->size(), QSize(759, 335));
    EXPECT_EQ(page.Anal1->Max(), 255);
    EXPECT_EQ(page.Anal1->Minor(), 4);
    EXPECT_EQ(page.Anal1->Scale(), "0;1;2;3;4;5");
    EXPECT_EQ(page.Anal1->Caption(), "Volt");
    EXPECT_EQ(page.Anal1->Value(), 0);
    EXPECT_EQ(page.Anal1->NeedleColor(), QColor(Qt::black));
    EXPECT_EQ(page.PanelDirekt->size(), QSize(761, 468));
    EXPECT_EQ(page.PanelIO->height(), 131);
    EXPECT_EQ(page.PanelIO->y(), page.Anal1->geometry().bottom() + 1);

    // LEDs: the port row at y 36, columns 16 pixels apart from x 51 (bit 5)
    // to x 131 (bit 0); the tag is the bit value.
    struct Led {
        TAMAdvLed* led;
        int x, y, tag;
    };
    for (const Led& l : {Led{page.AMAdvLed32, 51, 36, 32}, Led{page.AMAdvLed16, 67, 36, 16},
                         Led{page.AMAdvLed08, 83, 36, 8}, Led{page.AMAdvLed04, 99, 36, 4},
                         Led{page.AMAdvLed02, 115, 36, 2}, Led{page.AMAdvLed01, 131, 36, 1},
                         Led{page.AMAdvLed1, 131, 12, 1}}) {
        const std::string name = l.led->objectName().toStdString();
        EXPECT_EQ(l.led->parentWidget(), page.PanelIO) << name;
        EXPECT_EQ(l.led->geometry(), QRect(l.x, l.y, 13, 13)) << name;
        EXPECT_EQ(l.led->property("tag").toInt(), l.tag) << name;
        EXPECT_EQ(l.led->LedType(), TAMAdvLed::ltSquare) << name;
        EXPECT_EQ(l.led->ColorOff(), QColor(128, 128, 128)) << name;
        EXPECT_EQ(l.led->ColorOn(), QColor(0, 255, 0)) << name;
        EXPECT_EQ(l.led->pictureName(), "AMSQRLED3DUP") << name;
        EXPECT_FALSE(l.led->LedOn()) << name;
    }

    // Check boxes: unchecked, their box in the column of their bit.
    struct Box {
        QCheckBox* box;
        int columnX, y;
        const char* caption;
    };
    for (const Box& b :
         {Box{page.d6, 51, 57, "Pdir"}, Box{page.d5, 67, 57, ""}, Box{page.d4, 83, 57, ""},
          Box{page.d3, 99, 57, ""}, Box{page.d2, 115, 57, ""}, Box{page.d1, 131, 57, ""},
          Box{page.o6, 51, 81, "Portout"}, Box{page.o5, 67, 81, ""}, Box{page.o4, 83, 81, ""},
          Box{page.o3, 99, 81, ""}, Box{page.o2, 115, 81, ""}, Box{page.o1, 131, 81, ""}}) {
        const std::string name = b.box->objectName().toStdString();
        EXPECT_FALSE(b.box->isChecked()) << name;
        EXPECT_EQ(b.box->text(), b.caption) << name;
        EXPECT_EQ(b.box->y(), b.y) << name;
        // The indicator sits at the right end of a captioned box, else left.
        const int boxLeft = *b.caption ? b.box->geometry().right() + 1 - 13 : b.box->x();
        EXPECT_NEAR(boxLeft, b.columnX, 3) << name;
        if (*b.caption) {
            EXPECT_LT(b.box->x(), 51) << name;
        }
    }

    // Labels of the rows and columns.
    std::map<QString, QPoint> labels;
    for (QLabel* label : page.PanelIO->findChildren<QLabel*>())
        labels[label->text()] = label->pos();
    EXPECT_EQ(labels["Din"], QPoint(9, 12));
    EXPECT_EQ(labels["Ports"], QPoint(9, 36));
    for (int bit = 0; bit <= 5; ++bit) {
        const auto* label = page.PanelIO->findChild<QLabel*>(QStringLiteral("LabelBit%1").arg(bit));
        ASSERT_NE(label, nullptr) << bit;
        EXPECT_EQ(label->text(), QString::number(bit));
        EXPECT_EQ(label->geometry().center().x(), 131 - 16 * bit + 6) << bit;
        EXPECT_EQ(label->y(), 99) << bit;
    }
    EXPECT_EQ(labels["PWM"], QPoint(400, 82));
    EXPECT_EQ(page.LabelPWM->pos(), QPoint(440, 82));
    EXPECT_EQ(page.LabelPWM->text(), "0");

    EXPECT_EQ(page.ScrollBarPWM->geometry(), QRect(280, 56, 313, 20));
    EXPECT_EQ(page.ScrollBarPWM->orientation(), Qt::Horizontal);
    EXPECT_EQ(page.ScrollBarPWM->minimum(), 0);
    EXPECT_EQ(page.ScrollBarPWM->maximum(), 255);
    EXPECT_EQ(page.ScrollBarPWM->pageStep(), 10);
    EXPECT_EQ(page.ScrollBarPWM->value(), 0);

    struct Button {
        QPushButton* button;
        const char* caption;
        const char* hint;
        int x;
    };
    for (const Button& b :
         {Button{page.Button7, "PWM = &0", "Schaltet den Ausgang auf 0 Volt", 208},
          Button{page.Button8, "PWM = &255", "Schaltet den Ausgang an", 600},
          Button{page.Button3, "&Beep", "Gibt einen Ton aus", 672}}) {
        EXPECT_EQ(b.button->text(), b.caption);
        EXPECT_EQ(b.button->toolTip(), b.hint);
        EXPECT_EQ(b.button->geometry(), QRect(b.x, 56, 65, 20)) << b.caption;
    }
}

} // namespace
