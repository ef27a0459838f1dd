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

TEST(WindowFit, TwoWindowsThatCannotStandBesideEachOtherMoveTogether) {
    const QSize window(800, 600);
    const QSize panel(740, 420);
    const struct {
        const char* name;
        QRect screen;
        std::optional<zentor::PairPlace> expected;
    } cases[] = {
        {"side by side, centred", {0, 0, 1920, 1080}, zentor::PairPlace{{186, 240}, {994, 240}}},
        {"one above the other", {0, 0, 1280, 1100}, zentor::PairPlace{{240, 36}, {240, 644}}},
        {"on a second screen", {1920, 0, 1920, 1080}, zentor::PairPlace{{2106, 240}, {2914, 240}}},
        {"neither: 200 % on a large screen", {0, 0, 960, 600}, std::nullopt},
    };
    for (const auto& c : cases) {
        const auto at = zentor::placePair(window, panel, c.screen);
        ASSERT_EQ(at.has_value(), c.expected.has_value()) << c.name;
        if (at) {
            EXPECT_EQ(at->first, c.expected->first) << c.name;
            EXPECT_EQ(at->second, c.expected->second) << c.name;
        }
    }
}

} // namespace
