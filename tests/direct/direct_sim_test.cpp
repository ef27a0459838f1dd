// The "Direkt" page against the simulated board at line speed: the live
// display, the outputs as the board sees them, and an unplugged board.
#include "amadvled.h"
#include "amm.h"
#include "comphard.h"
#include "direct_page.h"
#include "direct_test_support.h"
#include "link.h"
#include "link_wait.h"
#include "simulated_board.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>

#include <gtest/gtest.h>

using namespace direct_test;
using zentor::sim::InputOverrides;
using zentor::sim::RunnerOptions;
using zentor::sim::SimulatedBoard;

namespace {

constexpr int kReadTimeout = 150; // ms

RunnerOptions withInputs(int analog, int digital, int pins) {
    RunnerOptions options;
    options.board.pacing = true;
    options.board.inputs = InputOverrides{analog, digital, pins};
    return options;
}

class DirectSimTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(board.start()) << board.lastError();
        ASSERT_TRUE(testing_support::onLink(
            [&] { return comphard::OpenDevice(board.devicePath(), "1200,N,8,1"); }));
        testing_support::onLink([&] { comphard::SetTimeout(kReadTimeout); });
        shell.timeout = kReadTimeout;
        timer.setInterval(DirectPage::kEnteringInterval);
    }
    void TearDown() override {
        testing_support::waitForLink();
        testing_support::onLink(comphard::ClosePort);
    }

    void tick() { tickAndWait(page); }

    std::vector<bool> portLeds() const {
        return {page.AMAdvLed32->LedOn(), page.AMAdvLed16->LedOn(), page.AMAdvLed08->LedOn(),
                page.AMAdvLed04->LedOn(), page.AMAdvLed02->LedOn(), page.AMAdvLed01->LedOn()};
    }

    GermanNumbers germanNumbers;
    SimulatedBoard board{withInputs(128, 1, 5)};
    RecordingShell shell;
    QTimer timer;
    DirectPage page{shell, timer};
};

TEST_F(DirectSimTest, FirstTicksShowTheBoardsInputs) {
    tick();
    EXPECT_EQ(timer.interval(), DirectPage::kPollingInterval);
    EXPECT_EQ(page.Anal1->Value(), 128);
    EXPECT_EQ(shell.statusText(), "2,51 Volt");
    EXPECT_EQ(shell.applicationTitle(), "Zentor 2,51 Volt");
    EXPECT_EQ(portLeds(), (std::vector<bool>{false, false, false, true, false, true}));
    EXPECT_TRUE(page.AMAdvLed1->LedOn());

    board.setInputOverrides(InputOverrides{255, 0, 0x20});
    tick();
    EXPECT_EQ(page.Anal1->Value(), 255);
    EXPECT_EQ(shell.statusText(), "5,00 Volt");
    EXPECT_EQ(portLeds(), (std::vector<bool>{true, false, false, false, false, false}));
    EXPECT_FALSE(page.AMAdvLed1->LedOn());
}

// Entering the page stops a program that was started on the board; the
// status bar says so instead of the first readings.
TEST_F(DirectSimTest, AFirstResyncThatEndsAProgramSaysSo) {
    zentor::Link::instance().runAndWait([] { comphard::NoteProgramStarted(); });
    tick();
    EXPECT_EQ(shell.statusText(),
              "Das laufende Programm wurde gestoppt: Direkt braucht die Platine.");
    EXPECT_EQ(shell.applicationTitle(), "Zentor 2,51 Volt");
    bool mayRun = true;
    zentor::Link::instance().runAndWait([&mayRun] { mayRun = comphard::ProgramMayRun(); });
    EXPECT_FALSE(mayRun);
}

TEST_F(DirectSimTest, OutputControlsSetTheBoardsOutputs) {
    tick();

    // Pin 1 becomes an output driven high: the port read shows it beside
    // the input pins 0 and 2.
    clickAndWait(page.o2);
    clickAndWait(page.d2);
    auto outputs = board.snapshot().outputs;
    EXPECT_EQ(outputs.portOut, 2);
    EXPECT_EQ(outputs.portDirection, 2);
    tick();
    EXPECT_EQ(portLeds(), (std::vector<bool>{false, false, false, true, true, true}));

    clickAndWait(page.Button8);
    outputs = board.snapshot().outputs;
    EXPECT_TRUE(outputs.out);
    EXPECT_EQ(outputs.pwm, 255);
    EXPECT_EQ(shell.statusText(), "Ok");

    page.ScrollBarPWM->triggerAction(QAbstractSlider::SliderPageStepSub);
    testing_support::waitForLink();
    EXPECT_EQ(board.snapshot().outputs.pwm, 245);
    EXPECT_EQ(page.LabelPWM->text(), "245");

    clickAndWait(page.Button7);
    outputs = board.snapshot().outputs;
    EXPECT_FALSE(outputs.out);
    EXPECT_EQ(outputs.pwm, 0);

    const int beeps = board.snapshot().outputs.beeps;
    clickAndWait(page.Button3);
    EXPECT_EQ(board.snapshot().outputs.beeps, beeps + 1);
}

TEST_F(DirectSimTest, UnpluggedBoardGoesOfflineAndAReplugResumesPolling) {
    tick();
    ASSERT_EQ(shell.statusText(), "2,51 Volt");

    board.unplug();
    tick();
    EXPECT_EQ(shell.statusText(), "Offline");
    EXPECT_EQ(page.Anal1->Value(), 0);
    EXPECT_EQ(timer.interval(), DirectPage::kOfflineInterval);
    EXPECT_TRUE(page.AMAdvLed1->LedOn());

    // Plugged in again (a new device): the reconnect of the next tick finds it.
    SimulatedBoard replugged(withInputs(51, 0, 0));
    ASSERT_TRUE(replugged.start()) << replugged.lastError();
    shell.connect = [&] {
        if (!comphard::OpenDevice(replugged.devicePath(), "1200,N,8,1"))
            return false;
        comphard::Resync();
        comphard::SetTimeout(shell.timeout);
        return true;
    };
    tick();
    EXPECT_EQ(shell.connects, 1);
    EXPECT_EQ(timer.interval(), DirectPage::kPollingInterval);
    EXPECT_EQ(page.Anal1->Value(), 51);
    EXPECT_EQ(shell.statusText(), "1,00 Volt");
    EXPECT_FALSE(page.AMAdvLed1->LedOn());
    testing_support::onLink(comphard::ClosePort);
}

} // namespace
