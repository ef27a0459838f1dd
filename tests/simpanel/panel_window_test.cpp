// The panel in the main window: opened by itself with the built-in
// simulator, its controls read back through the "Direkt" page of the window,
// and closing and reopening it while the page keeps polling.
#include "dialogs.h"
#include "direct_page.h"
#include "link_wait.h"
#include "panel_test_support.h"
#include "port_menu.h"
#include "simulated_board.h"
#include "simulator_panel.h"
#include "tform1.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QSlider>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace {

using simpanel_test::GermanNumbers;

class PanelWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(configHome.isValid());
        qputenv("XDG_CONFIG_HOME", configHome.path().toLocal8Bit());
        previousHandler =
            dialogs::setHandler([](QWidget*, const dialogs::Request&) { return QMessageBox::Ok; });
        TForm1::StartOptions options;
        options.simulator = true;
        window = std::make_unique<TForm1>(options);
        window->show();
        testing_support::waitForLink(); // the start-up's connection
    }
    void TearDown() override {
        testing_support::waitForLink();
        window.reset();
        dialogs::setHandler(previousHandler);
    }

    GermanNumbers germanNumbers;
    QTemporaryDir configHome;
    dialogs::Handler previousHandler;
    std::unique_ptr<TForm1> window;

    // One poll of the window's "Direkt" page, until its result is shown.
    void poll() {
        window->TabSheet2->Timer1Timer();
        testing_support::waitForLink();
    }
};

TEST_F(PanelWindowTest, PanelControlsReachTheDirectPageOfTheWindow) {
    auto* panel = window->findChild<SimulatorPanel*>(QStringLiteral("SimulatorPanel"));
    ASSERT_NE(panel, nullptr);
    // Opened by itself, the panel leaves the keyboard in the window (on the
    // test's small screen it waits for its menu entry).
    EXPECT_TRUE(panel->testAttribute(Qt::WA_ShowWithoutActivating));
    window->Ports->SimulatorPanel1->trigger();
    ASSERT_TRUE(panel->isVisible());
    EXPECT_EQ(panel->StateLabel->text(), "Befehlsmodus");

    window->PageControl1->setCurrentWidget(window->TabSheet2);
    panel->AnalogSlider->setValue(204);
    panel->DigitalSwitch->click();
    panel->PinSwitches[2]->click();
    poll();
    EXPECT_EQ(window->statusText(), "4,00 Volt");
    EXPECT_EQ(window->TabSheet2->LastDin(), panel->DigitalSwitch->isChecked() ? 1 : 0);
    EXPECT_EQ(window->TabSheet2->LastPortIn() & 0b100, panel->PinSwitches[2]->isChecked() ? 4 : 0);

    // Closed and opened again from the menu while the page polls on.
    panel->close();
    poll();
    EXPECT_EQ(window->statusText(), "4,00 Volt");
    window->Ports->SimulatorPanel1->trigger();
    EXPECT_TRUE(panel->isVisible());
    EXPECT_EQ(panel->AnalogLabel->text(), "4,00 Volt");
    panel->AnalogSlider->setValue(0);
    poll();
    EXPECT_EQ(window->statusText(), "0,00 Volt");
}

} // namespace
