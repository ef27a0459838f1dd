// The points of each page's measurements, as the charts show them.
#include "series.h"

#include <gtest/gtest.h>

using namespace zentor;
using namespace zentor::analysis;

TEST(Series, PointsAreWhatTheChartShowsWithoutFailedReads) {
    RecorderMeasurement recorder;
    recorder.samples = {{0, 0}, {255, 20}, {51, 45}};
    RecorderMeasurement recorderRaw = recorder;
    recorderRaw.volts = false;
    LoggerMeasurement logger; // "7,5 Sekunden": a sample every 0,0625 s
    logger.values[0] = 255;
    logger.values[1] = -1;
    logger.values[2] = 51;
    ScopeMeasurement scope;
    scope.timeBase = 5;
    scope.values[100] = 102;
    ScopeMeasurement scopeRaw = scope;
    scopeRaw.volts = false;

    struct Case {
        const char* what;
        Measurement measurement;
        std::size_t count;
        Point first, second, last;
        bool volts;
    };
    const Case cases[] = {
        {"recorder in volts", {{}, recorder}, 3, {0, 0}, {0.02, 5}, {0.045, 1}, true},
        {"recorder raw", {{}, recorderRaw}, 3, {0, 0}, {0.02, 255}, {0.045, 51}, false},
        {"logger, slot 1 failed", {{}, logger}, 120, {0, 5}, {0.125, 1}, {7.5, 0}, true},
        {"scope in volts", {{}, scope}, 101, {0, 0}, {0.005, 0}, {0.5, 2}, true},
        {"scope raw", {{}, scopeRaw}, 101, {0, 0}, {0.005, 0}, {0.5, 102}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Outcome<Series> series = seriesOf(c.measurement);
        ASSERT_TRUE(series) << series.error.toStdString();
        const std::vector<Point>& points = series.value->points;
        ASSERT_EQ(points.size(), c.count);
        EXPECT_EQ(points[0], c.first);
        EXPECT_DOUBLE_EQ(points[1].t, c.second.t);
        EXPECT_DOUBLE_EQ(points[1].y, c.second.y);
        EXPECT_DOUBLE_EQ(points.back().t, c.last.t);
        EXPECT_DOUBLE_EQ(points.back().y, c.last.y);
        EXPECT_EQ(series.value->volts, c.volts);
    }

    logger.inputItem = kLoggerInputDigital;
    EXPECT_EQ(seriesOf({{}, logger}).error,
              QStringLiteral("Die Messung zeigt die Eingänge als Bits: ausgewertet werden nur "
                             "analoge Werte."));
    // A stored raw recording drawn on a page that shows volts.
    EXPECT_EQ(seriesOf(shownLike({{}, recorderRaw}, {{}, recorder})).value,
              seriesOf({{}, recorder}).value);
}
