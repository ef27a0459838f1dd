// The hover read-out: the nearest sample to the pointer and the status text
// of each chart, under German and English.
#include "locale_scope.h"
#include "measurement_lookup.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

using namespace zentor;
using zentor::test::LocaleScope;

namespace {

TEST(NearestSample, FindsTheClosestPositionInAnyOrder) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Case {
        std::vector<double> positions;
        double x;
        std::optional<int> expected;
    };
    const Case cases[] = {
        {{}, 3, std::nullopt},  {{0, 10, 20}, 4, 0},
        {{0, 10, 20}, 5, 0}, // halfway: the first of the two
        {{0, 10, 20}, 6, 1},    {{0, 10, 20}, -100, 0},
        {{0, 10, 20}, 1000, 2}, {{30, 10, 20}, 12, 1},
        {{0, 0, 5}, 0, 0}, // equal positions: the first
        {{nan, 5}, 0, 1},       {{nan, nan}, 0, std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(nearestSampleIndex(c.positions, c.x), c.expected) << c.x;
}

struct HoverCase {
    QLocale locale;
    QString recorderVolts, recorderRaw, loggerAnalog, loggerDigital, loggerFailed, scopeVolts,
        scopeRaw;
};

class HoverTexts : public ::testing::TestWithParam<HoverCase> {};

TEST_P(HoverTexts, ShowTimeAndValueAsTheChartDoes) {
    const LocaleScope locale(GetParam().locale);
    const HoverCase& c = GetParam();
    EXPECT_EQ(recorderHoverText({255, 20}, true, 60), c.recorderVolts);
    EXPECT_EQ(recorderHoverText({255, 20}, false, 60), c.recorderRaw);
    EXPECT_EQ(loggerHoverText(1, 128, 0.0625, kLoggerInputAnalog), c.loggerAnalog);
    EXPECT_EQ(loggerHoverText(120, 19, 1, kLoggerInputDigital), c.loggerDigital);
    EXPECT_EQ(loggerHoverText(3, -1, 0.0625, kLoggerInputAnalog), c.loggerFailed);
    EXPECT_EQ(scopeHoverText(12, 51, 100, true), c.scopeVolts);
    EXPECT_EQ(scopeHoverText(100, 200, 2000, false), c.scopeRaw);
}

INSTANTIATE_TEST_SUITE_P(
    Locales, HoverTexts,
    ::testing::Values(HoverCase{zentor::test::german(), "Zeit: 0,02 s   Wert: 5,00 V",
                                "Zeit: 0,02 s   Wert: 255", "Zeit: 0,0625 s   Wert: 2,51 V (128)",
                                "Zeit: 120 s   Wert: 19 (Bits 5 bis 0: 010011)",
                                "Zeit: 0,1875 s   Wert: Lesefehler",
                                "Zeit: 12,00 ms   Wert: 1,00 V", "Zeit: 2000,00 ms   Wert: 200"},
                      HoverCase{zentor::test::english(), "Zeit: 0.02 s   Wert: 5.00 V",
                                "Zeit: 0.02 s   Wert: 255", "Zeit: 0.0625 s   Wert: 2.51 V (128)",
                                "Zeit: 120 s   Wert: 19 (Bits 5 bis 0: 010011)",
                                "Zeit: 0.1875 s   Wert: Lesefehler",
                                "Zeit: 12.00 ms   Wert: 1.00 V", "Zeit: 2000.00 ms   Wert: 200"}));

} // namespace
