// The chart geometry without painting: value to pixel, ticks, decimals,
// label texts and the axis layouts.
#include "chart_scale.h"

#include <QLocale>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace chart;

namespace {

const QLocale kGerman(QLocale::German, QLocale::Germany);
const QLocale kEnglish(QLocale::English, QLocale::UnitedStates);

ChartScale linearScale(double xmin, double xmax, double ymin, double ymax) {
    ChartScale s;
    s.xmin = xmin;
    s.xmax = xmax;
    s.ymin = ymin;
    s.ymax = ymax;
    s.xdiv = effectiveDivision(xmin, xmax, 0);
    s.ydiv = effectiveDivision(ymin, ymax, 0);
    s.left = 50;
    s.top = 30;
    s.width = 200;
    s.height = 100;
    return s;
}

struct PixelCase {
    int axisMode;
    double xmin, xmax, ymin, ymax;
    double x, y;
    int px, py;
};

class ToPixel : public ::testing::TestWithParam<PixelCase> {};

TEST_P(ToPixel, MapsValueToPixel) {
    const PixelCase& c = GetParam();
    ChartScale s = linearScale(c.xmin, c.xmax, c.ymin, c.ymax);
    s.axisMode = c.axisMode;
    EXPECT_EQ(s.toPixelX(c.x), c.px);
    EXPECT_EQ(s.toPixelY(c.y), c.py);
}

INSTANTIATE_TEST_SUITE_P(Chart, ToPixel,
                         ::testing::Values(
                             // ends of the ranges: larger y values lie higher
                             PixelCase{0, 0, 10, 0, 100, 0, 0, 50, 130},
                             PixelCase{0, 0, 10, 0, 100, 10, 100, 250, 30},
                             PixelCase{0, 0, 10, 0, 100, 2.5, 25, 100, 105},
                             // negative minimum, values outside the range
                             PixelCase{0, -10, 10, -10, 100, -20, -21, -50, 140},
                             PixelCase{0, -10, 10, -10, 100, 15, 210, 300, -70},
                             // round to nearest: 200 * 0.0376 = 7.52 -> 8, 100 * 0.004 -> 0
                             PixelCase{0, 0, 1, 0, 1, 0.0376, 0.004, 58, 130},
                             PixelCase{0, 0, 1, 0, 1, 0.0124, 0.006, 52, 129},
                             // logarithmic x (decades 1, 10, 100, 1000 over 200 pixels)
                             PixelCase{kLogX, 1, 1000, 0, 100, 10, 50, 117, 80},
                             PixelCase{kLogX, 1, 1000, 0, 100, 1000, 50, 250, 80},
                             // logarithmic y, linear x
                             PixelCase{kLogY, 0, 10, 1, 100, 5, 10, 150, 80},
                             PixelCase{kLogX | kLogY, 1, 100, 1, 100, 10, 1, 150, 130}));

TEST(ToPixel, ClampsWhatCannotBeMapped) {
    ChartScale s = linearScale(0, 10, 0, 100);
    EXPECT_EQ(s.toPixelX(1e300), kPixelLimit);
    EXPECT_EQ(s.toPixelY(1e300), -kPixelLimit);
    EXPECT_EQ(s.toPixelX(std::numeric_limits<double>::quiet_NaN()), -kPixelLimit);
    s.axisMode = kLogX | kLogY;
    s.xmin = s.ymin = 1;
    EXPECT_EQ(s.toPixelX(0), -kPixelLimit);  // log of 0
    EXPECT_EQ(s.toPixelX(-5), -kPixelLimit); // log of a negative value
    EXPECT_EQ(s.toPixelY(0), kPixelLimit);
    // A logarithmic axis whose minimum is 0 (never painted validly)
    s.xmin = 0;
    EXPECT_EQ(s.toPixelX(5), -kPixelLimit);
}

TEST(EffectiveDivision, IsATenthOfTheRangeUnlessGiven) {
    EXPECT_DOUBLE_EQ(effectiveDivision(0, 10, 0), 1);
    EXPECT_DOUBLE_EQ(effectiveDivision(0, 5, 0), 0.5);
    EXPECT_DOUBLE_EQ(effectiveDivision(-10, 100, -3), 11);
    EXPECT_DOUBLE_EQ(effectiveDivision(0, 256, 16), 16);
}

struct RangeCase {
    double xmin, xmax, ymin, ymax;
    int axisMode;
    bool valid;
};

class RangesValid : public ::testing::TestWithParam<RangeCase> {};

TEST_P(RangesValid, RefusesWhatCannotBeDrawn) {
    const RangeCase& c = GetParam();
    EXPECT_EQ(rangesValid(c.xmin, c.xmax, c.ymin, c.ymax, c.axisMode), c.valid);
}

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

INSTANTIATE_TEST_SUITE_P(
    Chart, RangesValid,
    ::testing::Values(RangeCase{0, 10, 0, 100, 0, true}, RangeCase{-10, 10, -10, 100, 0, true},
                      RangeCase{10, 10, 0, 100, 0, false}, RangeCase{10, 0, 0, 100, 0, false},
                      RangeCase{0, 10, 5, 5, 0, false}, RangeCase{0, 100, 0, 5, kLogX, false},
                      RangeCase{0.1, 100, 0, 5, kLogX, true}, RangeCase{0, 100, 0, 5, kLogY, false},
                      RangeCase{0, 100, -1, 5, kLogY, false}, RangeCase{0, 100, 1, 5, kLogY, true},
                      RangeCase{kNaN, 10, 0, 5, 0, false}, RangeCase{0, kInf, 0, 5, 0, false}));

struct TickCase {
    double min, max, div;
    bool tolerance;
    std::size_t count;
    double first, last;
};

class LinearTicks : public ::testing::TestWithParam<TickCase> {};

TEST_P(LinearTicks, GivesTheGridValues) {
    const TickCase& c = GetParam();
    const std::vector<double> t = linearTicks(c.min, c.max, c.div, c.tolerance);
    ASSERT_EQ(t.size(), c.count);
    if (c.count > 0) {
        EXPECT_NEAR(t.front(), c.first, 1e-9);
        EXPECT_NEAR(t.back(), c.last, 1e-9);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Chart, LinearTicks,
    ::testing::Values(TickCase{0, 10, 1, true, 11, 0, 10}, TickCase{0, 5, 0.5, true, 11, 0, 5},
                      TickCase{-10, 100, 10, true, 12, -10, 100},
                      // 7 x 0.1 comes out a hair above 0.7: the tolerance keeps the line
                      TickCase{0, 0.7, 0.1, true, 8, 0, 0.7},
                      TickCase{0, 256, 16, true, 17, 0, 256},
                      TickCase{0, 86400, 8640, true, 11, 0, 86400},
                      // a division that does not fit evenly stops below max
                      TickCase{0, 30, 4, true, 8, 0, 28},
                      // lanes: strictly below max
                      TickCase{0, 6, 1, false, 6, 0, 5}, TickCase{0, 0.6, 0.1, false, 6, 0, 0.5},
                      // a maximum at or below 0 keeps its last line
                      TickCase{-100, -10, 10, true, 10, -100, -10},
                      TickCase{-1, 0, 0.1, true, 11, -1, 0},
                      // a range far from 0 gets no lines beyond its end
                      TickCase{1000, 1010, 1, true, 11, 1000, 1010},
                      // nothing for a division that is 0, negative or far too fine
                      TickCase{0, 10, 0, true, 0, 0, 0}, TickCase{0, 10, -1, true, 0, 0, 0},
                      TickCase{0, 100, 1e-9, true, 0, 0, 0}));

struct DecimalsCase {
    double min, div;
    int decimals;
};

class LinearDecimals : public ::testing::TestWithParam<DecimalsCase> {};

TEST_P(LinearDecimals, FollowTheDivisionAndMinimum) {
    EXPECT_EQ(linearDecimals(GetParam().min, GetParam().div), GetParam().decimals);
}

INSTANTIATE_TEST_SUITE_P(Chart, LinearDecimals,
                         ::testing::Values(DecimalsCase{0, 1, 0}, DecimalsCase{-10, 10, 0},
                                           DecimalsCase{0, 16, 0}, DecimalsCase{0, 0.5, 1},
                                           DecimalsCase{0, 0.1, 1}, DecimalsCase{2.5, 0.5, 1},
                                           DecimalsCase{-2, 0.5, 1}, DecimalsCase{100, 0.5, 3},
                                           // the rule gives <= 0: the division's digits
                                           DecimalsCase{0.01, 0.01, 2}, DecimalsCase{0.05, 0.05, 2},
                                           DecimalsCase{0.2, 0.125, 3}));

TEST(LogDecimals, ShowTheDigitsOfASmallMinimum) {
    EXPECT_EQ(logDecimals(0.01), 2);
    EXPECT_EQ(logDecimals(0.1), 1);
    EXPECT_EQ(logDecimals(0.03), 2);
    EXPECT_EQ(logDecimals(0.5), 0);
    EXPECT_EQ(logDecimals(1), 0);
    EXPECT_EQ(logDecimals(20), 0);
}

struct LabelCase {
    double v;
    int decimals, width;
    const char* text;
};

class LabelText : public ::testing::TestWithParam<LabelCase> {};

// The labels carry a decimal point under every locale, the German one too.
TEST_P(LabelText, DecimalPointAndPaddingWhateverTheLocale) {
    const LabelCase& c = GetParam();
    const QLocale saved;
    for (const QLocale& l : {kGerman, kEnglish}) {
        QLocale::setDefault(l);
        EXPECT_EQ(labelText(c.v, c.decimals, c.width), QString::fromUtf8(c.text))
            << l.name().toStdString();
    }
    QLocale::setDefault(saved);
}

INSTANTIATE_TEST_SUITE_P(Chart, LabelText,
                         ::testing::Values(LabelCase{0, 0, 3, "  0"}, LabelCase{10, 0, 3, " 10"},
                                           LabelCase{2.5, 1, 4, " 2.5"}, LabelCase{5, 1, 4, " 5.0"},
                                           LabelCase{-10, 0, 4, " -10"},
                                           // no group separator in large numbers
                                           LabelCase{86400, 0, 3, "86400"},
                                           LabelCase{1000, 0, 4, "1000"},
                                           LabelCase{12345.5, 1, 4, "12345.5"},
                                           // a value that only rounds to zero has no sign
                                           LabelCase{-1e-17, 1, 4, " 0.0"},
                                           LabelCase{0.0625, 4, 3, "0.0625"},
                                           LabelCase{0.01, 2, 4, "0.01"}));

TEST(LogTicks, XDecadesFromTheRoundedMinimum) {
    const LogTicks t = logXTicks(1, 1000);
    EXPECT_EQ(t.labels, (std::vector<double>{1, 10, 100, 1000}));
    ASSERT_EQ(t.grid.size(), 27u); // 2..10, 20..100, 200..1000
    EXPECT_DOUBLE_EQ(t.grid.front(), 2);
    EXPECT_DOUBLE_EQ(t.grid.back(), 1000);

    // log10(3) rounds to 0: the decade starts at 1, left of the plot; the
    // values below the minimum are left out
    const LogTicks u = logXTicks(3, 100);
    EXPECT_EQ(u.labels, (std::vector<double>{10, 100}));
    EXPECT_DOUBLE_EQ(u.grid.front(), 3); // 2 is left out
}

TEST(LogTicks, YDecadesFromTheExactMinimumStrictlyBelowMax) {
    EXPECT_EQ(logYTicks(1, 1000).labels, (std::vector<double>{1, 10, 100}));
    const LogTicks t = logYTicks(2, 200);
    ASSERT_EQ(t.labels.size(), 2u);
    EXPECT_DOUBLE_EQ(t.labels[0], 2);
    EXPECT_DOUBLE_EQ(t.labels[1], 20);
    // grid at j x 2 and j x 20 up to 202
    EXPECT_DOUBLE_EQ(t.grid.front(), 4);
    EXPECT_DOUBLE_EQ(t.grid.back(), 200);
    EXPECT_TRUE(logYTicks(0, 10).labels.empty());
}

// ---- Layouts -------------------------------------------------------------

constexpr TextMetrics kMetrics{8, 12};

std::vector<QString> texts(const std::vector<TextItem>& items) {
    std::vector<QString> out;
    for (const TextItem& t : items) {
        out.push_back(t.text);
    }
    return out;
}

TEST(AxisLayout, LinearXElevenLinesWithoutDecimals) {
    ChartScale s = linearScale(0, 10, 0, 100);
    const AxisLayout a = linearXAxis(s, QStringLiteral("Sekunden"), kMetrics);
    ASSERT_EQ(a.grid.size(), 11u);
    ASSERT_EQ(a.labels.size(), 11u);
    for (int i = 0; i <= 10; ++i) {
        const int px = 50 + 20 * i;
        EXPECT_EQ(a.grid[i], QLine(px, 130, px, 30));
        EXPECT_EQ(a.labels[i].at, QPoint(px, 134));
        EXPECT_EQ(a.labels[i].text, labelText(i, 0, 3));
        EXPECT_EQ(a.labels[i].h, HAlign::Center);
        EXPECT_EQ(a.labels[i].v, VAlign::Top);
    }
    EXPECT_EQ(a.labels.back().text, QStringLiteral(" 10"));
    ASSERT_EQ(a.edges.size(), 1u);
    EXPECT_EQ(a.edges[0], QLine(50, 130, 250, 130));
    ASSERT_EQ(a.captions.size(), 1u);
    EXPECT_EQ(a.captions[0].at, QPoint(150, 130 + 24));
    EXPECT_FALSE(a.captions[0].vertical);
}

TEST(AxisLayout, LinearYHalfStepsWithOneDecimal) {
    ChartScale s = linearScale(0, 10, 0, 5);
    s.ydiv = 0.5;
    const AxisLayout a = linearYAxis(s, QStringLiteral("Volt"), kMetrics);
    ASSERT_EQ(a.grid.size(), 11u);
    EXPECT_EQ(texts(a.labels).front(), QStringLiteral(" 0.0"));
    EXPECT_EQ(texts(a.labels)[5], QStringLiteral(" 2.5"));
    EXPECT_EQ(texts(a.labels).back(), QStringLiteral(" 5.0"));
    for (std::size_t i = 0; i < a.grid.size(); ++i) {
        const int py = 130 - 10 * static_cast<int>(i);
        EXPECT_EQ(a.grid[i], QLine(50, py, 250, py));
        EXPECT_EQ(a.labels[i].at, QPoint(50 - 8, py));
        EXPECT_EQ(a.labels[i].h, HAlign::Right);
        EXPECT_EQ(a.labels[i].v, VAlign::Baseline);
    }
    EXPECT_EQ(a.edges[0], QLine(50, 30, 50, 130));
    // the caption reads upwards at mid-height, two text heights left of the axis
    ASSERT_EQ(a.captions.size(), 1u);
    EXPECT_TRUE(a.captions[0].vertical);
    EXPECT_EQ(a.captions[0].at, QPoint(50 - 24, 30 + 50));
    EXPECT_EQ(a.captions[0].h, HAlign::Center);
    EXPECT_EQ(a.captions[0].v, VAlign::Bottom);
}

TEST(AxisLayout, NegativeMinimumWholeDivision) {
    ChartScale s = linearScale(0, 10, -10, 100);
    s.ydiv = 10;
    const std::vector<QString> l = texts(linearYAxis(s, {}, kMetrics).labels);
    ASSERT_EQ(l.size(), 12u);
    EXPECT_EQ(l.front(), QStringLiteral(" -10"));
    EXPECT_EQ(l[1], QStringLiteral("   0"));
    EXPECT_EQ(l.back(), QStringLiteral(" 100"));
}

TEST(AxisLayout, EmptyCaptionIsLeftOut) {
    ChartScale s = linearScale(0, 10, 0, 100);
    EXPECT_TRUE(linearXAxis(s, QString(), kMetrics).captions.empty());
    EXPECT_TRUE(linearYAxis(s, QString(), kMetrics).captions.empty());
    EXPECT_EQ(linearYAxis(s, QStringLiteral(" "), kMetrics).captions.size(), 1u);
}

TEST(AxisLayout, PortLanesRaisedLabelsAndTopEdge) {
    ChartScale s = linearScale(0, 100, 0, 6);
    s.ydiv = 1;
    const AxisLayout a = portYAxis(s, QStringLiteral("Port"), kMetrics);
    ASSERT_EQ(a.grid.size(), 6u); // 0..5, nothing at 6
    ASSERT_EQ(a.labels.size(), 6u);
    for (int i = 0; i < 6; ++i) {
        const int py = s.toPixelY(i);
        EXPECT_EQ(a.grid[i], QLine(50, py, 250, py));
        EXPECT_EQ(a.labels[i].at, QPoint(50 - 8, py - 6));
        EXPECT_EQ(a.labels[i].text, labelText(i, 0, 4));
    }
    ASSERT_EQ(a.edges.size(), 2u);
    EXPECT_EQ(a.edges[0], QLine(50, 30, 50, 130));
    EXPECT_EQ(a.edges[1], QLine(50, 30, 250, 30));
    ASSERT_EQ(a.captions.size(), 1u);
    EXPECT_FALSE(a.captions[0].vertical);
    EXPECT_EQ(a.captions[0].at, QPoint(42, 30));
    EXPECT_EQ(a.captions[0].h, HAlign::Right);
    EXPECT_EQ(a.captions[0].v, VAlign::Bottom);
}

TEST(AxisLayout, LogXLabelsDecadesAndMaximum) {
    ChartScale s = linearScale(1, 1000, 0, 100);
    s.axisMode = kLogX;
    const AxisLayout a = logXAxis(s, QStringLiteral("f"), kMetrics);
    ASSERT_EQ(a.labels.size(), 5u); // 1, 10, 100, 1000 and the maximum
    EXPECT_EQ(a.labels[1].text, QStringLiteral(" 10"));
    EXPECT_EQ(a.labels[1].at, QPoint(s.toPixelX(10), 130 + 6));
    EXPECT_EQ(a.labels[4].text, QStringLiteral("1000"));
    EXPECT_EQ(a.labels[4].at, QPoint(250, 138));
    EXPECT_EQ(a.grid.size(), 27u);
    EXPECT_EQ(a.grid[0], QLine(s.toPixelX(2), 130, s.toPixelX(2), 30));
}

TEST(AxisLayout, LogYLabelsBesideTheirLines) {
    ChartScale s = linearScale(0, 10, 0.1, 100);
    s.axisMode = kLogY;
    const AxisLayout a = logYAxis(s, QStringLiteral("dB"), kMetrics);
    // 0.1, 1, 10 (strictly below the maximum) and the maximum at the top
    const std::vector<QString> l = texts(a.labels);
    EXPECT_EQ(l, (std::vector<QString>{QStringLiteral(" 0.1"), QStringLiteral(" 1.0"),
                                       QStringLiteral("10.0"), QStringLiteral("100.0")}));
    EXPECT_EQ(a.labels[1].at, QPoint(46, s.toPixelY(1) + 4));
    EXPECT_EQ(a.labels[3].at, QPoint(46, 34));
    EXPECT_TRUE(a.captions.at(0).vertical);
}

TEST(AxisLayout, LabelsKeepTheDecimalPointUnderAGermanLocale) {
    ChartScale s = linearScale(0, 10, 0, 5);
    s.ydiv = 0.5;
    const QLocale saved;
    QLocale::setDefault(kGerman);
    EXPECT_EQ(linearYAxis(s, {}, kMetrics).labels[1].text, QStringLiteral(" 0.5"));
    s.axisMode = kLogX;
    s.xmin = 0.1;
    EXPECT_EQ(logXAxis(s, {}, kMetrics).labels[0].text, QStringLiteral("0.1"));
    QLocale::setDefault(saved);
}

TEST(MarkerSegments, OutlinesAroundThePoint) {
    const MarkerSegments box = markerSegments(2, 10, 20, 3);
    ASSERT_EQ(box.count, 4);
    EXPECT_EQ(box.lines[0], QLine(7, 17, 13, 17));
    EXPECT_EQ(box.lines[2], QLine(13, 23, 7, 23));
    const MarkerSegments diamond = markerSegments(1, 10, 20, 3);
    ASSERT_EQ(diamond.count, 4);
    EXPECT_EQ(diamond.lines[0], QLine(10, 17, 13, 20));
    const MarkerSegments delta = markerSegments(3, 10, 20, 3);
    ASSERT_EQ(delta.count, 3);
    EXPECT_EQ(delta.lines[1], QLine(13, 23, 7, 23));
    EXPECT_EQ(markerSegments(4, 10, 20, 3).lines[0], QLine(10, 20, 10, 20));
    EXPECT_EQ(markerSegments(5, 10, 20, 3).count, 2);
    EXPECT_EQ(markerSegments(0, 10, 20, 3).count, 2);
    EXPECT_EQ(markerSegments(6, 10, 20, 3).count, 0);
}

} // namespace
