// The simulator panel against the simulated board over a real pty: its input
// controls as the "Direkt" page's poll reads them, its lamps for what the PC
// switched, a program sent with Send && Start paused, stepped and resumed,
// and a panel that comes and goes without touching the line.
#include "amadvled.h"
#include "amm.h"
#include "comphard.h"
#include "direct_page.h"
#include "link_wait.h"
#include "panel_test_support.h"
#include "simulated_board.h"
#include "simulator_panel.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>

using namespace simpanel_test;
using zentor::sim::InputOverrides;
using zentor::sim::LedState;
using zentor::sim::Mode;
using zentor::sim::RunnerOptions;
using zentor::sim::SimulatedBoard;

namespace {

constexpr int kReadTimeout = 150; // ms
constexpr int kWaitLimit = 3000;  // ms to wait for something the board does soon

RunnerOptions fixedInputs() {
    RunnerOptions options;
    options.board.inputs = InputOverrides{128, 0, 0};
    return options;
}

class PanelTest : public ::testing::Test {
protected:
    explicit PanelTest(RunnerOptions options = fixedInputs())
        : board(std::make_unique<SimulatedBoard>(std::move(options))) {}

    void SetUp() override {
        ASSERT_TRUE(board->start()) << board->lastError();
        ASSERT_TRUE(testing_support::onLink(
            [&] { return comphard::OpenDevice(board->devicePath(), "1200,N,8,1"); }));
        testing_support::onLink([&] { comphard::SetTimeout(kReadTimeout); });
        timer.setInterval(DirectPage::kEnteringInterval);
        panel.setBeepHandler([this] { ++beeps; });
    }
    void TearDown() override {
        testing_support::waitForLink();
        panel.hide();
        testing_support::onLink(comphard::ClosePort);
        board->stop();
    }

    // One poll of the "Direkt" page: what the PC reads from the board.
    void poll() {
        page.Timer1Timer();
        testing_support::waitForLink();
    }
    // A click on a control of the "Direkt" page, until its exchange is done.
    static void clickAndWait(QAbstractButton* control) {
        control->click();
        testing_support::waitForLink();
    }

    std::vector<bool> pinSwitches() const {
        std::vector<bool> on;
        for (QCheckBox* pin : panel.PinSwitches)
            on.push_back(pin->isChecked());
        return on;
    }

    GermanNumbers germanNumbers;
    std::unique_ptr<SimulatedBoard> board;
    RecordingShell shell;
    QTimer timer;
    DirectPage page{shell, timer};
    SimulatorPanel panel{[this] { return board.get(); }};
    int beeps = 0;
};

TEST_F(PanelTest, AnalogSliderAndSignalReachThePoll) {
    panel.refresh();
    EXPECT_FALSE(panel.AnalogSignal->isChecked());
    EXPECT_EQ(panel.AnalogSlider->value(), 128);
    EXPECT_EQ(panel.AnalogLabel->text(), "2,51 Volt");

    panel.AnalogSlider->setValue(51);
    poll();
    EXPECT_EQ(page.Anal1->Value(), 51);
    EXPECT_EQ(shell.statusText(), "1,00 Volt");
    EXPECT_EQ(panel.AnalogLabel->text(), "1,00 Volt");

    panel.AnalogSlider->triggerAction(QAbstractSlider::SliderToMaximum);
    poll();
    EXPECT_EQ(shell.statusText(), "5,00 Volt");
    EXPECT_EQ(testing_support::onLink([&] { return comphard::ReadAnalog(); }), 255);

    // "Signal" hands the input back to the simulator's waveform and leaves
    // the other inputs fixed.
    panel.AnalogSignal->click();
    EXPECT_EQ(board->snapshot().overrides, (InputOverrides{std::nullopt, 0, 0}));
    EXPECT_TRUE(panel.AnalogSignal->isChecked());
    // The slider follows the waveform: it shows what the board reads.
    const auto s = board->snapshot();
    panel.refresh();
    EXPECT_NEAR(panel.AnalogSlider->value(), s.inputs.analog, 10);
    // Leaving the signal holds the voltage the board reads at that moment.
    panel.AnalogSignal->click();
    const auto held = board->snapshot();
    ASSERT_TRUE(held.overrides.analog.has_value());
    EXPECT_EQ(held.inputs.analog, *held.overrides.analog);
    EXPECT_EQ(panel.AnalogSlider->value(), *held.overrides.analog);
}

TEST_F(PanelTest, DigitalSwitchReachesThePoll) {
    panel.refresh();
    EXPECT_FALSE(panel.DigitalSignal->isChecked());
    EXPECT_FALSE(panel.DigitalSwitch->isChecked());

    panel.DigitalSwitch->click();
    poll();
    EXPECT_EQ(page.LastDin(), 1);
    EXPECT_TRUE(page.AMAdvLed1->LedOn());

    panel.DigitalSwitch->click();
    poll();
    EXPECT_EQ(page.LastDin(), 0);

    panel.DigitalSignal->click();
    EXPECT_EQ(board->snapshot().overrides, (InputOverrides{128, std::nullopt, 0}));
    // Switching the input by hand ends the signal again.
    panel.DigitalSwitch->click();
    EXPECT_FALSE(panel.DigitalSignal->isChecked());
    EXPECT_TRUE(board->snapshot().overrides.digital.has_value());
}

TEST_F(PanelTest, PortPinsReachThePollAndOutputPinsCannotBeSwitched) {
    panel.refresh();
    panel.PinSwitches[0]->click();
    panel.PinSwitches[5]->click();
    poll();
    EXPECT_EQ(page.LastPortIn(), 0b100001);
    EXPECT_TRUE(page.AMAdvLed32->LedOn());
    EXPECT_TRUE(page.AMAdvLed01->LedOn());

    // The PC makes pin 1 an output driven high: the panel shows the output,
    // on its switch and on its lamp, and the switch no longer takes clicks.
    clickAndWait(page.o2);
    clickAndWait(page.d2);
    panel.refresh();
    EXPECT_FALSE(panel.PinSwitches[1]->isEnabled());
    EXPECT_TRUE(panel.PinSwitches[1]->isChecked());
    EXPECT_TRUE(panel.PinLeds[1]->LedOn());
    EXPECT_FALSE(panel.PinLeds[0]->LedOn()); // an input pin drives no lamp
    EXPECT_EQ(pinSwitches(), (std::vector<bool>{true, true, false, false, false, true}));

    // The other pins still switch, and the output pin keeps its output.
    panel.PinSwitches[0]->click();
    panel.PinSwitches[3]->click();
    poll();
    EXPECT_EQ(page.LastPortIn(), 0b101010);
    EXPECT_EQ(board->snapshot().overrides.portPins, 0b101000);

    // Pin 1 back to an input: it reads from outside again, where nothing
    // was switched on.
    clickAndWait(page.d2);
    panel.refresh();
    EXPECT_TRUE(panel.PinSwitches[1]->isEnabled());
    EXPECT_FALSE(panel.PinSwitches[1]->isChecked());
    EXPECT_FALSE(panel.PinLeds[1]->LedOn());

    // "Signal" lets the pins count again.
    panel.PinSignal->click();
    EXPECT_FALSE(board->snapshot().overrides.portPins.has_value());
}

TEST_F(PanelTest, LampsShowWhatThePcSwitched) {
    panel.show();
    panel.refresh();
    EXPECT_FALSE(panel.OutLed->LedOn());
    EXPECT_EQ(panel.PwmBar->value(), 0);

    clickAndWait(page.Button8); // "PWM = &255": Out on, PWM 255
    ASSERT_TRUE(testing_support::onLink([&] { return comphard::LedOn(); }));
    panel.refresh();
    EXPECT_TRUE(panel.OutLed->LedOn());
    EXPECT_EQ(panel.PwmBar->value(), 255);
    EXPECT_EQ(panel.PwmLabel->text(), "255");
    EXPECT_TRUE(panel.LedLed->LedOn());

    // A blinking LED goes on and off on the panel's own clock.
    ASSERT_TRUE(testing_support::onLink([&] { return comphard::LedBlink(); }));
    ASSERT_EQ(board->snapshot().outputs.led, LedState::Blink);
    bool seenOn = false;
    bool seenOff = false;
    for (int waited = 0; waited < kWaitLimit && !(seenOn && seenOff);
         waited += SimulatorPanel::kRefreshInterval) {
        QTest::qWait(SimulatorPanel::kRefreshInterval);
        (panel.LedLed->LedOn() ? seenOn : seenOff) = true;
    }
    EXPECT_TRUE(seenOn);
    EXPECT_TRUE(seenOff);

    ASSERT_TRUE(testing_support::onLink([&] { return comphard::LedOff(); }));
    clickAndWait(page.Button7); // "PWM = &0": Out off
    panel.refresh();
    EXPECT_FALSE(panel.LedLed->LedOn());
    EXPECT_FALSE(panel.OutLed->LedOn());
    EXPECT_EQ(panel.PwmBar->value(), 0);
}

TEST_F(PanelTest, ABeepFlashesThePanelOnceAndBeeps) {
    panel.show();
    panel.refresh();
    const QColor normal = panel.grab().toImage().pixelColor(2, 2);

    clickAndWait(page.Button3);
    panel.refresh();
    EXPECT_EQ(beeps, 1);
    EXPECT_TRUE(panel.flashing());
    EXPECT_TRUE(panel.BeepLed->LedOn());
    EXPECT_NE(panel.grab().toImage().pixelColor(2, 2), normal);

    panel.refresh(); // no new beep
    EXPECT_EQ(beeps, 1);
    QTRY_VERIFY_WITH_TIMEOUT(!panel.flashing(), kWaitLimit);
    EXPECT_FALSE(panel.BeepLed->LedOn());
    EXPECT_EQ(panel.grab().toImage().pixelColor(2, 2), normal);

    // Two beeps between two looks give one flash and one sound (sent here
    // without the event loop, which would let the panel look in between).
    ASSERT_TRUE(testing_support::onLink([&] { return comphard::Beep(); }));
    ASSERT_TRUE(testing_support::onLink([&] { return comphard::Beep(); }));
    panel.refresh();
    EXPECT_EQ(beeps, 2);
}

// Steps of the loop below: program counter, registers A, B, C and the
// instruction about to run after each "Schritt".
struct Step {
    int pc, a, b, c;
    const char* next;
};

const QStringList kLoop{"\tC = 3", "L1: ", "\tA = A + 1", "\tB = A", "\tC*Goto L1: ", "\tEnd"};

TEST_F(PanelTest, SendAndStartHeldBySteppedThroughAndResumed) {
    RecordingView view;
    zentor::ProgramTransfer transfer(view);
    panel.refresh();
    EXPECT_EQ(panel.StateLabel->text(), "Befehlsmodus");
    EXPECT_FALSE(panel.StepButton->isEnabled());

    // "Anhalten" before the start holds the program at its first instruction.
    panel.PauseButton->click();
    EXPECT_EQ(panel.StateLabel->text(), "Befehlsmodus, hält beim nächsten Start an");
    EXPECT_FALSE(panel.PauseButton->isEnabled());
    testing_support::onLink([&] { transfer.ButtonSendClick(codeList(kLoop)); });
    ASSERT_EQ(view.status, "Programm gestartet");

    panel.refresh();
    EXPECT_EQ(panel.StateLabel->text(), "Programm angehalten");
    EXPECT_EQ(panel.PcHex->text(), "$00");
    EXPECT_EQ(panel.NextLabel->text(), "C = 3");
    ASSERT_EQ(panel.ListingList->count(), kLoop.size());
    EXPECT_EQ(panel.ListingList->item(0)->text(), QStringLiteral("▶ $00   C = 3"));
    EXPECT_EQ(panel.ListingList->item(1)->text(), QStringLiteral("  L1: "));
    EXPECT_TRUE(panel.StepButton->isEnabled());
    EXPECT_TRUE(panel.ResumeButton->isEnabled());

    // The panel steps without a byte on the line.
    const auto before = board->snapshot();
    const Step steps[] = {
        {2, 0, 0, 3, "A = A + 1"}, {3, 1, 0, 3, "B = A"}, {4, 1, 1, 3, "C*Goto L1: "},
        {2, 1, 1, 2, "A = A + 1"}, {3, 2, 1, 2, "B = A"}, {4, 2, 2, 2, "C*Goto L1: "},
        {2, 2, 2, 1, "A = A + 1"}, {3, 3, 2, 1, "B = A"}, {4, 3, 3, 1, "C*Goto L1: "},
        {6, 3, 3, 0, "End"},
    };
    for (const Step& step : steps) {
        panel.StepButton->click();
        SCOPED_TRACE(step.next);
        EXPECT_EQ(panel.PcDecimal->text(), QString::number(step.pc));
        EXPECT_EQ(panel.PcHex->text(), zentor::simpanel::hexText(step.pc));
        EXPECT_EQ(panel.RegisterDecimal[0]->text(), QString::number(step.a));
        EXPECT_EQ(panel.RegisterDecimal[1]->text(), QString::number(step.b));
        EXPECT_EQ(panel.RegisterDecimal[2]->text(), QString::number(step.c));
        EXPECT_EQ(panel.RegisterHex[2]->text(), zentor::simpanel::hexText(step.c));
        EXPECT_EQ(panel.RegisterDecimal[3]->text(), "0");
        EXPECT_EQ(panel.NextLabel->text(), QString::fromUtf8(step.next));
        // Exactly one row is marked: the instruction about to run.
        int marked = 0;
        for (int row = 0; row < panel.ListingList->count(); ++row)
            if (panel.ListingList->item(row)->text().startsWith(QStringLiteral("▶")))
                ++marked;
        EXPECT_EQ(marked, 1);
        EXPECT_TRUE(panel.ListingList
                        ->item(zentor::simpanel::rowOfAddress(
                            zentor::simpanel::listingView(before.memory), step.pc))
                        ->text()
                        .startsWith(QStringLiteral("▶")));
    }
    const auto after = board->snapshot();
    EXPECT_EQ(after.bytesReceived, before.bytesReceived);
    EXPECT_EQ(after.bytesSent, before.bytesSent);

    // "Weiter" lets it run: "End" returns the board to command mode.
    panel.ResumeButton->click();
    QTRY_VERIFY_WITH_TIMEOUT(board->snapshot().mode == Mode::Command, kWaitLimit);
    panel.refresh();
    EXPECT_EQ(panel.StateLabel->text(), "Befehlsmodus (Programm mit End beendet)");
    EXPECT_EQ(panel.NextLabel->text(), "–");
    EXPECT_FALSE(panel.StepButton->isEnabled());
    EXPECT_FALSE(panel.ResumeButton->isEnabled());

    // The PC finds the board in step.
    EXPECT_EQ(testing_support::onLink([&] { return comphard::ReadAnalog(); }), 128);
}

TEST_F(PanelTest, RunningLoopPausedSteppedAndResumedBesideThePcsBreak) {
    RecordingView view;
    zentor::ProgramTransfer transfer(view);
    testing_support::onLink([&] {
        transfer.ButtonSendClick(codeList({"L1: ", "\tA = A + 1", "\tGoto L1: "}));
    });
    ASSERT_EQ(view.status, "Programm gestartet");
    panel.refresh();
    EXPECT_EQ(panel.StateLabel->text(), "Programm läuft");

    panel.PauseButton->click();
    const auto paused = board->snapshot();
    QTest::qWait(50);
    EXPECT_EQ(board->snapshot().a, paused.a);
    panel.refresh();
    EXPECT_EQ(panel.StateLabel->text(), "Programm angehalten");
    EXPECT_EQ(panel.RegisterDecimal[0]->text(), QString::number(paused.a));

    // Two steps from anywhere in the loop: one "A = A + 1" and one "Goto".
    panel.StepButton->click();
    panel.StepButton->click();
    EXPECT_EQ(board->snapshot().a, static_cast<std::uint8_t>(paused.a + 1));
    EXPECT_EQ(board->snapshot().programCounter, paused.programCounter);

    // The PC's Break and Continue act as ever; the panel shows them.
    testing_support::onLink([&] { transfer.Button15Click(); });
    EXPECT_EQ(view.status, "Programm unterbrochen");
    panel.refresh();
    EXPECT_EQ(panel.StateLabel->text(), "Programm unterbrochen");
    EXPECT_FALSE(panel.StepButton->isEnabled());
    testing_support::onLink([&] { transfer.Button16Click(); });
    panel.refresh();
    EXPECT_EQ(panel.StateLabel->text(), "Programm angehalten");

    panel.ResumeButton->click();
    EXPECT_EQ(panel.StateLabel->text(), "Programm läuft");
    const std::uint8_t resumedAt = board->snapshot().a;
    QTRY_VERIFY_WITH_TIMEOUT(board->snapshot().a != resumedAt, kWaitLimit);

    testing_support::onLink([&] { transfer.B1(); });
    EXPECT_EQ(board->snapshot().mode, Mode::Command);
    panel.refresh();
    EXPECT_EQ(panel.StateLabel->text(), "Befehlsmodus (Programm gestoppt)");
}

TEST_F(PanelTest, ClosingAndReopeningLeavesTheLinkAlone) {
    poll();
    ASSERT_EQ(shell.statusText(), "2,51 Volt");
    panel.show();
    QTest::qWait(3 * SimulatorPanel::kRefreshInterval);
    const auto before = board->snapshot();

    panel.close();
    EXPECT_FALSE(panel.isVisible());
    QTest::qWait(2 * SimulatorPanel::kRefreshInterval);
    panel.show();
    QTest::qWait(2 * SimulatorPanel::kRefreshInterval);
    const auto after = board->snapshot();
    EXPECT_EQ(after.bytesReceived, before.bytesReceived);
    EXPECT_EQ(after.bytesSent, before.bytesSent);
    EXPECT_EQ(panel.StateLabel->text(), "Befehlsmodus");

    // A change made while the panel was closed shows when it opens again.
    panel.close();
    board->setInputOverrides(InputOverrides{51, 1, 0});
    panel.show();
    EXPECT_EQ(panel.AnalogLabel->text(), "1,00 Volt");
    EXPECT_TRUE(panel.DigitalSwitch->isChecked());

    poll();
    EXPECT_EQ(shell.statusText(), "1,00 Volt");
    EXPECT_EQ(page.LastDin(), 1);
}

TEST_F(PanelTest, ClosingThePanelLetsAHeldProgramRunOn) {
    RecordingView view;
    zentor::ProgramTransfer transfer(view);
    panel.show();
    panel.PauseButton->click();
    testing_support::onLink([&] {
        transfer.ButtonSendClick(codeList({"L1: ", "\tA = A + 1", "\tGoto L1: "}));
    });
    ASSERT_EQ(view.status, "Programm gestartet");
    ASSERT_TRUE(board->snapshot().paused);
    EXPECT_EQ(board->snapshot().a, 0);

    panel.close();
    EXPECT_FALSE(board->snapshot().paused);
    QTRY_VERIFY_WITH_TIMEOUT(board->snapshot().a != 0, kWaitLimit);

    // Hidden without closing (another port, a minimised window): the hold stays.
    panel.show();
    panel.PauseButton->click();
    panel.hide();
    EXPECT_TRUE(board->snapshot().paused);
    testing_support::onLink([&] { transfer.B1(); });
}

TEST_F(PanelTest, WithoutABoardNothingCanBeSwitched) {
    SimulatedBoard* source = nullptr;
    SimulatorPanel lonely([&source] { return source; });
    EXPECT_EQ(lonely.StateLabel->text(), "Kein Simulator verbunden");
    EXPECT_FALSE(lonely.GroupInputs->isEnabled());
    EXPECT_FALSE(lonely.PauseButton->isEnabled());
    lonely.PauseClick(); // no board: nothing happens
    lonely.StepClick();

    // A board that starts later is found at the next refresh.
    source = board.get();
    lonely.refresh();
    EXPECT_EQ(lonely.StateLabel->text(), "Befehlsmodus");
    EXPECT_TRUE(lonely.GroupInputs->isEnabled());
    EXPECT_TRUE(lonely.PauseButton->isEnabled());

    board->unplug(); // the board's thread closes the pty
    QTRY_VERIFY_WITH_TIMEOUT(board->isUnplugged(), kWaitLimit);
    lonely.refresh();
    EXPECT_EQ(lonely.StateLabel->text(), "Simulator getrennt");
    EXPECT_FALSE(lonely.GroupInputs->isEnabled());
    EXPECT_FALSE(lonely.ResumeButton->isEnabled());
}

} // namespace
