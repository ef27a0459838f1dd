// Where a second window stands beside the main window.
#include "window_fit.h"

#include <gtest/gtest.h>

namespace {

TEST(WindowFit, ASecondWindowStandsBesideTheMainWindowNeverOverIt) {
    const QSize panel(300, 400);
    const struct {
        const char* name;
        QRect window;
        QRect screen;
        QPoint expected;
    } cases[] = {
        {"room on the right", {100, 50, 785, 580}, {0, 0, 1920, 1080}, {893, 50}},
        {"room on the left only", {1000, 50, 785, 580}, {0, 0, 1920, 1080}, {692, 50}},
        {"room below only", {20, 20, 785, 580}, {0, 0, 1100, 1080}, {20, 608}},
        {"no room: the screen's corner", {0, 0, 785, 580}, {0, 0, 800, 600}, {500, 0}},
        {"no room beside it: on the screen where it covers least",
         {300, 0, 785, 580},
         {0, 0, 1100, 600},
         {0, 0}},
    };
    for (const auto& c : cases) {
        const QPoint at = zentor::placeBeside(c.window, panel, c.screen);
        EXPECT_EQ(at, c.expected) << c.name;
        if (std::string(c.name).rfind("no room", 0) != 0) {
            EXPECT_FALSE(QRect(at, panel).intersects(c.window)) << c.name;
        }
    }
}

} // namespace
