// Geometry of the analog meter, checked without painting.
#include "amm_geometry.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>

namespace {

struct FrameCase {
    QSize size;
    amm::MeterFrame expected;
};

TEST(MeterGeometry, FrameFollowsTheSize) {
    const FrameCase cases[] = {
        {{759, 335}, {547, 273, 379, 410, -355}}, // the "Direkt" meter
        {{190, 145}, {167, 83, 95, 125, -108}},   // size at creation
        {{100, 100}, {100, 50, 50, 75, -65}},
        {{0, 0}, {0, 0, 0, 0, 0}},
    };
    for (const auto& c : cases) {
        const amm::MeterFrame f = amm::meterFrame(c.size);
        SCOPED_TRACE(testing::Message() << c.size.width() << "x" << c.size.height());
        EXPECT_EQ(f.s, c.expected.s);
        EXPECT_EQ(f.y1, c.expected.y1);
        EXPECT_EQ(f.cx, c.expected.cx);
        EXPECT_EQ(f.cy, c.expected.cy);
        EXPECT_EQ(f.radius, c.expected.radius);
    }
}

TEST(MeterGeometry, RoundsHalvesToEven) {
    const std::pair<double, int> cases[] = {
        {0.5, 0},
        {1.5, 2},
        {2.5, 2},
        {19.5, 20},
        {20.5, 20},
        {-0.5, 0},
        {-1.5, -2},
        {-2.5, -2},
        {2.4, 2},
        {2.6, 3},
        {-2.6, -3},
        {7.0, 7},
        // Products of decimal factors land a hair beside the half.
        {19.499999999999943, 20},
        {20.500000000000057, 20},
    };
    for (const auto& [x, expected] : cases) {
        EXPECT_EQ(amm::roundHalfEven(x), expected) << x;
    }
}

TEST(MeterGeometry, DirectMeterPoints) {
    const amm::MeterFrame f = amm::meterFrame({759, 335});
    EXPECT_EQ(amm::dialPoint(f, 90, 1.1), QPoint(379, 20)); // 410 - 390.5, tie to even
    EXPECT_EQ(amm::dialPoint(f, 90, 1.0), QPoint(379, 55));
    EXPECT_EQ(amm::dialPoint(f, 45, 1.0), QPoint(128, 159));  // upper left of the pivot
    EXPECT_EQ(amm::dialPoint(f, 135, 1.0), QPoint(630, 159)); // upper right

    const amm::DialLayout d = amm::dialLayout({759, 335}, "0;64;128;192;256", 6);
    EXPECT_EQ(d.valueAnchor, QPoint(379, 293));
    EXPECT_EQ(d.captionAnchor, QPoint(379, 253));
    ASSERT_EQ(d.labels.size(), 5u);
    EXPECT_EQ(d.labels[2].anchor, QPoint(379, 20));
    EXPECT_EQ(d.labels[2].text, "128");
    ASSERT_EQ(d.majorTicks.size(), 5u);
    EXPECT_EQ(d.majorTicks[2].p2(), QPoint(379, 55));
    EXPECT_EQ(d.majorTicks[2].p1(), amm::dialPoint(f, 90, 0.86));
    // The pivot lies below the control.
    EXPECT_GT(f.cy, 335);
}

TEST(MeterGeometry, ScaleLabels) {
    const std::pair<QString, QStringList> cases[] = {
        {"0;1;2;3;4;5", {"0", "1", "2", "3", "4", "5"}},
        {"0;64;128;192;256", {"0", "64", "128", "192", "256"}},
        {"Volt", {"Volt", "Volt"}}, // no ';': both ends show the whole text
        {"a;b;", {"a", "b", ""}},
        {";;x", {"", "", "x"}},
    };
    for (const auto& [scale, labels] : cases) {
        EXPECT_EQ(amm::scaleLabels(scale), labels) << scale.toStdString();
        EXPECT_EQ(amm::scaleIntervals(scale) + 1, labels.size()) << scale.toStdString();
    }
}

TEST(MeterGeometry, MajorAndMinorTickAngles) {
    const double majors[] = {45, 67.5, 90, 112.5, 135};
    for (int i = 0; i <= 4; ++i) {
        EXPECT_DOUBLE_EQ(amm::majorTickAngle(i, 4), majors[i]);
    }

    const std::vector<double> minors = amm::minorTickAngles(4, 6);
    ASSERT_EQ(minors.size(), 24u); // six per interval, none after the last label
    const double step = 22.5 / 7;
    for (std::size_t k = 0; k < minors.size(); ++k) {
        const int interval = static_cast<int>(k / 6);
        const int inInterval = static_cast<int>(k % 6) + 1;
        EXPECT_NEAR(minors[k], majors[interval] + inInterval * step, 1e-9) << k;
        EXPECT_LT(minors[k], majors[interval + 1]);
    }

    EXPECT_EQ(amm::minorTickAngles(5, 4).size(), 20u);
    EXPECT_EQ(amm::minorTickAngles(1, 10).size(), 10u);
    EXPECT_TRUE(amm::minorTickAngles(5, 0).empty());
    EXPECT_TRUE(amm::minorTickAngles(5, 11).empty());
    EXPECT_TRUE(amm::minorTickAngles(5, -1).empty());

    const amm::DialLayout d = amm::dialLayout({759, 335}, "0;64;128;192;256", 6);
    ASSERT_EQ(d.minorTicks.size(), 24u);
    const amm::MeterFrame f = amm::meterFrame({759, 335});
    EXPECT_EQ(d.minorTicks[0].p1(), amm::dialPoint(f, 45 + step, 0.92));
    EXPECT_EQ(d.minorTicks[0].p2(), amm::dialPoint(f, 45 + step, 0.86));
}

TEST(MeterGeometry, NeedleIsNotLimitedToTheScale) {
    EXPECT_DOUBLE_EQ(amm::needleAngle(0, 255), 45);
    EXPECT_DOUBLE_EQ(amm::needleAngle(255, 255), 135);
    EXPECT_DOUBLE_EQ(amm::needleAngle(128, 256), 90);
    EXPECT_LT(amm::needleAngle(-10, 255), 45);
    EXPECT_GT(amm::needleAngle(300, 255), 135);
    // No overflow of value × 90.
    EXPECT_DOUBLE_EQ(amm::needleAngle(INT_MAX, INT_MAX), 135);
    EXPECT_DOUBLE_EQ(amm::needleAngle(INT_MIN, 2), 45 + INT_MIN * 45.0);

    const amm::MeterFrame f = amm::meterFrame({759, 335});
    const QLine atMax = amm::needleLine(f, 255, 255);
    EXPECT_EQ(atMax.p1(), QPoint(379, 410));
    EXPECT_EQ(atMax.p2(), amm::dialLayout({759, 335}, "0;1;2;3;4;5", 4).majorTicks.back().p2());
}

} // namespace
