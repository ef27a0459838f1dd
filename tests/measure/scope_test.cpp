#include "scope.h"
#include "segment_matcher.h"

#include <gtest/gtest.h>

namespace zentor {
namespace {

using test::segmentIs;

TEST(ScopeTimeBases, CaptionsFactorsSweepsAndWaits) {
    const struct {
        const char* caption;
        qint32 factor;
        qint32 xmax;
        qint32 waitMs;
    } expected[] = {
        {"10", 1, 100, 120},
        {"20", 2, 200, 240},
        {"50", 5, 500, 600},
        {"100", 10, 1000, 1200},
        {"200  ms/DIV", 20, 2000, 2400},
    };
    ASSERT_EQ(kScopeTimeBases.size(), std::size(expected));
    for (std::size_t i = 0; i < kScopeTimeBases.size(); ++i) {
        SCOPED_TRACE(expected[i].caption);
        EXPECT_EQ(kScopeTimeBases[i].caption.toString(), QString::fromUtf8(expected[i].caption));
        EXPECT_EQ(kScopeTimeBases[i].factor, expected[i].factor);
        EXPECT_EQ(scopeXmax(kScopeTimeBases[i].factor), expected[i].xmax);
        EXPECT_EQ(scopeCaptureWaitMs(kScopeTimeBases[i].factor), expected[i].waitMs);
    }
}

TEST(ScopeAxis, VoltsOrRaw) {
    EXPECT_EQ(scopeYAxis(true), (ChartYAxis{u"Volt", 0, 5, 0.5}));
    EXPECT_EQ(scopeYAxis(false), (ChartYAxis{u" ", 0, 256, 16}));
}

TEST(ScopeTrace, HundredSegmentsAcrossTheSweep) {
    ScopeValues values{};
    values[0] = 255;
    values[1] = 51;
    values[2] = 128;
    values[100] = 102;
    const auto volts = scopeTrace(values, scopeXmax(1), true);
    ASSERT_EQ(volts.size(), 100u);
    EXPECT_THAT(volts[0], segmentIs(0, 5, 1, 1));
    EXPECT_THAT(volts[1], segmentIs(1, 1, 2, 128 / 51.0));
    EXPECT_THAT(volts[99], segmentIs(99, 0, 100, 2));

    const auto raw = scopeTrace(values, scopeXmax(20), false);
    ASSERT_EQ(raw.size(), 100u);
    EXPECT_THAT(raw[0], segmentIs(0, 255, 20, 51));
    EXPECT_THAT(raw[99], segmentIs(1980, 0, 2000, 102));
}

} // namespace
} // namespace zentor
