#include "recorder.h"
#include "segment_matcher.h"

#include <gtest/gtest.h>

namespace zentor {
namespace {

using test::segmentIs;

TEST(RecorderRows, EveryItemWithIntervalAndAxis) {
    const struct {
        const char* text;
        qint32 ms;
        qint32 capacity;
        qint32 interval;
        qint32 xmax;
        qint32 xdiv;
    } expected[] = {
        {"   1 Sekunde", 1000, 50, 20, 1, 0},
        {"   2 Sekunden", 2000, 100, 20, 2, 0},
        {"   5 Sekunden", 5000, 250, 20, 5, 0},
        {" 10 Sekunden", 10000, 500, 20, 10, 0},
        {" 20 Sekunden", 20000, 1000, 20, 20, 0},
        {" 30 Sekunden", 30000, 1000, 30, 30, 2},
        {" 50 Sekunden", 50000, 1000, 50, 50, 5},
        {" 60 Sekunden", 60000, 1000, 60, 60, 5},
        {"   2 Minuten", 120000, 1000, 120, 120, 10},
        {"   5 Minuten", 300000, 1000, 300, 300, 30},
        {" 10 Minuten", 600000, 1000, 600, 600, 50},
        {" 20 Minuten", 1200000, 1500, 800, 1200, 100},
        {" 30 Minuten", 1800000, 1500, 1200, 1800, 200},
        {" 50 Minuten", 3000000, 1500, 2000, 3000, 500},
        {" 60 Minuten", 3600000, 1500, 2400, 3600, 600},
        {"   2 Stunden", 7200000, 1500, 4800, 7200, 0},
        {"   3 Stunden", 10800000, 1500, 7200, 10800, 0},
        {"   4 Stunden", 14400000, 1500, 9600, 14400, 0},
        {"   6 Stunden", 21600000, 1500, 14400, 21600, 0},
        {"   8 Stunden", 28800000, 1500, 19200, 28800, 0},
        {" 10 Stunden", 36000000, 1500, 24000, 36000, 0},
        {" 12 Stunden", 43200000, 1500, 28800, 43200, 0},
        {" 24 Stunden", 86400000, 1500, 57600, 86400, 0},
    };
    ASSERT_EQ(kRecorderRows.size(), std::size(expected));
    for (int item = 0; item < 23; ++item) {
        SCOPED_TRACE(expected[item].text);
        const RecorderRow& row = recorderRow(item);
        EXPECT_EQ(row.itemText.toString(), QString::fromUtf8(expected[item].text));
        EXPECT_EQ(row.durationMs, expected[item].ms);
        EXPECT_EQ(row.capacity, expected[item].capacity);
        EXPECT_EQ(recorderIntervalMs(row), expected[item].interval);
        EXPECT_EQ(recorderXmax(row), expected[item].xmax);
        EXPECT_EQ(row.xdiv, expected[item].xdiv);
    }
    EXPECT_EQ(recorderRow(kRecorderDefaultItem).itemText, u" 10 Sekunden");
    EXPECT_EQ(&recorderRow(-1), &kRecorderRows[0]);
    EXPECT_EQ(&recorderRow(23), &kRecorderRows[0]);
}

TEST(RecorderChannels, CodesAndAxesPerUnits) {
    const struct {
        int item;
        const char* text;
        int code;
        ChartYAxis axis;
    } expected[] = {
        {0, "Spannung", 60, {u"Volt", 0, 5, 0.5}},    {1, "Licht", 61, {u"", 0, 250, 25}},
        {2, "Temperatur", 62, {u"°C", -10, 100, 10}}, {3, "Widerstand", 63, {u"k", 0, 2500, 250}},
        {4, "Lärm", 64, {u"", 0, 250, 25}},           {5, "Batterie", 65, {u"Volt", 0, 10, 1}},
        {6, "Eingang", 66, {u"1/0", 0, 1, 1}},
    };
    for (const auto& c : expected) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(kRecorderChannels[c.item].itemText.toString(), QString::fromUtf8(c.text));
        EXPECT_EQ(recorderChannelCode(c.item), c.code);
        EXPECT_EQ(recorderYAxis(c.code, true), c.axis);
        EXPECT_EQ(recorderYAxis(c.code, false), (ChartYAxis{u" ", 0, 256, 16}));
    }
    EXPECT_EQ(recorderYAxis(99, true), (ChartYAxis{u"", 0, 250, 25}));
    EXPECT_EQ(recorderYAxis(99, false), kRawYAxis);
    EXPECT_EQ(recorderChannelCode(-1), 60);
    EXPECT_EQ(recorderChannelCode(7), 60);
}

TEST(RecorderBuffer, RefusesWritesOutsideItsSlots) {
    RecorderBuffer buffer;
    EXPECT_EQ(buffer[0], (RecorderSample{0, 0}));
    EXPECT_EQ(buffer[1499], (RecorderSample{0, 0}));
    EXPECT_TRUE(buffer.store(1499, {9, 99}));
    EXPECT_EQ(buffer[1499], (RecorderSample{9, 99}));
    EXPECT_FALSE(buffer.store(1500, {1, 1}));
    EXPECT_FALSE(buffer.store(-1, {1, 1}));
    EXPECT_EQ(buffer[1499], (RecorderSample{9, 99}));
}

// One tick as the page makes it: read, take, draw, then decide with the clock.
struct TickResult {
    std::optional<Recorder::Taken> taken;
    bool goesOn;
};

TickResult tick(Recorder& recorder, int reading, quint32 nowMs, bool volts = true) {
    TickResult result{recorder.take(reading, nowMs, volts, 60), false};
    result.goesOn = result.taken ? recorder.proceed(nowMs) : recorder.isRecording();
    return result;
}

TEST(Recorder, FirstSampleStartsTheClockAndDrawsNothing) {
    Recorder recorder;
    EXPECT_EQ(recorder.start(0), 20);
    EXPECT_EQ(recorder.capacity(), 50);
    EXPECT_EQ(recorder.durationMs(), 1000);

    const TickResult first = tick(recorder, 255, 500000);
    ASSERT_TRUE(first.taken.has_value());
    EXPECT_EQ(first.taken->sample, (RecorderSample{255, 0}));
    EXPECT_FALSE(first.taken->segment.has_value());
    EXPECT_TRUE(first.goesOn);
    EXPECT_EQ(recorder.count(), 1);

    const TickResult second = tick(recorder, 51, 500020);
    ASSERT_TRUE(second.taken->segment.has_value());
    EXPECT_THAT(*second.taken->segment, segmentIs(0, 5.0, 0.02, 1.0));
    EXPECT_EQ(recorder.count(), 2);
    EXPECT_EQ(recorder.buffer()[1], (RecorderSample{51, 20}));

    const TickResult raw = tick(recorder, 0, 500047, false);
    EXPECT_THAT(*raw.taken->segment, segmentIs(0.02, 51, 0.047, 0));
}

TEST(Recorder, AFailedReadingSkipsTheTick) {
    Recorder recorder;
    recorder.start(3);
    tick(recorder, 10, 0);
    for (int failed : {-1, 256, -200}) {
        const TickResult result = tick(recorder, failed, 20000); // past the duration
        EXPECT_FALSE(result.taken.has_value());
        EXPECT_TRUE(result.goesOn);
        EXPECT_EQ(recorder.count(), 1);
    }
    // The next good reading is timed from the first sample and comes after
    // a gap: no line leads to it, now or when the trace is redrawn.
    const TickResult after = tick(recorder, 11, 40);
    EXPECT_EQ(after.taken->sample, (RecorderSample{11, 40, true}));
    EXPECT_FALSE(after.taken->segment.has_value());
    EXPECT_EQ(recorder.count(), 2);
    EXPECT_TRUE(recorderTrace(recorder.buffer(), recorder.count(), true, 60).empty());
    EXPECT_TRUE(tick(recorder, 12, 60).taken->segment.has_value());
}

TEST(Recorder, EndsWhenTheDurationIsUsedUpWithoutCountingTheLastSample) {
    Recorder recorder;
    recorder.start(0); // 1 s, budget 50
    // Slower than planned: one sample per 100 ms.
    for (quint32 t = 0; t < 1000; t += 100) {
        ASSERT_TRUE(tick(recorder, 100, t).goesOn);
    }
    EXPECT_EQ(recorder.count(), 10);
    const TickResult last = tick(recorder, 200, 1000);
    EXPECT_FALSE(last.goesOn);
    EXPECT_FALSE(recorder.isRecording());
    ASSERT_TRUE(last.taken->segment.has_value()); // drawn ...
    EXPECT_THAT(*last.taken->segment, segmentIs(0.9, 100 / 51.0, 1.0, 200 / 51.0));
    EXPECT_EQ(recorder.count(), 10); // ... but not counted
    EXPECT_EQ(recorderTrace(recorder.buffer(), recorder.count(), false, 60).size(), 9u);
    // No more samples once it has ended.
    EXPECT_FALSE(tick(recorder, 5, 1020).taken.has_value());
}

TEST(Recorder, TheEndIsJudgedOnAFreshClockReading) {
    Recorder recorder;
    recorder.start(0);
    tick(recorder, 1, 0);
    ASSERT_TRUE(recorder.take(1, 990, true, 60).has_value());
    EXPECT_TRUE(recorder.proceed(999));
    ASSERT_TRUE(recorder.take(1, 995, true, 60).has_value());
    EXPECT_FALSE(recorder.proceed(1000));
    EXPECT_EQ(recorder.count(), 2);
}

TEST(Recorder, EndsWhenTheBudgetIsUsedUp) {
    Recorder recorder;
    recorder.start(0);
    // Faster than planned: every 10 ms, so 50 samples come before the second is up.
    for (int i = 0; i < 50; ++i) {
        ASSERT_TRUE(tick(recorder, i, static_cast<quint32>(i * 10)).goesOn);
    }
    EXPECT_EQ(recorder.count(), 50);
    const TickResult last = tick(recorder, 77, 500);
    EXPECT_FALSE(last.goesOn);
    EXPECT_EQ(recorder.count(), 50);
    // Index 50 lies inside the buffer: stored, not counted.
    EXPECT_EQ(recorder.buffer()[50], (RecorderSample{77, 500}));
}

TEST(Recorder, TheLargestBudgetNeverWritesPastTheBuffer) {
    Recorder recorder;
    EXPECT_EQ(recorder.start(22), 57600);
    for (int i = 0; i < 1500; ++i) {
        ASSERT_TRUE(tick(recorder, i % 256, static_cast<quint32>(i)).goesOn);
    }
    EXPECT_EQ(recorder.count(), 1500);
    const RecorderSample lastStored = recorder.buffer()[1499];
    const TickResult last = tick(recorder, 255, 1500, false);
    EXPECT_FALSE(last.goesOn);
    ASSERT_TRUE(last.taken->segment.has_value());
    EXPECT_THAT(*last.taken->segment, segmentIs(1.499, lastStored.value, 1.5, 255));
    EXPECT_EQ(recorder.buffer()[1499], lastStored);
    EXPECT_EQ(recorder.count(), 1500);
    EXPECT_EQ(recorderTrace(recorder.buffer(), recorder.count(), false, 60).size(), 1499u);
}

TEST(Recorder, ARestartBeginsAgainFromSampleZero) {
    Recorder recorder;
    recorder.start(0);
    for (quint32 t = 0; t <= 1000; t += 250) {
        tick(recorder, 3, t);
    }
    ASSERT_FALSE(recorder.isRecording());
    // What "&Autoneustart" does at the end: start again with the same row.
    EXPECT_EQ(recorder.start(0), 20);
    EXPECT_EQ(recorder.count(), 0);
    const TickResult first = tick(recorder, 9, 7000);
    EXPECT_EQ(first.taken->sample, (RecorderSample{9, 0}));
    EXPECT_FALSE(first.taken->segment.has_value());
    EXPECT_EQ(recorder.count(), 1);
}

TEST(Recorder, StopKeepsTheSamplesAndTakesNoMore) {
    Recorder recorder;
    recorder.start(3);
    tick(recorder, 5, 0);
    tick(recorder, 6, 20);
    recorder.stop();
    EXPECT_FALSE(recorder.isRecording());
    EXPECT_FALSE(tick(recorder, 7, 40).taken.has_value());
    EXPECT_EQ(recorder.count(), 2);
    EXPECT_EQ(recorder.buffer()[1], (RecorderSample{6, 20}));
    EXPECT_EQ(recorder.buffer()[2], (RecorderSample{0, 0}));
}

TEST(Recorder, TimesSurviveTheWrapOfTheMillisecondClock) {
    Recorder recorder;
    recorder.start(3);
    tick(recorder, 1, 0xFFFFFFF0u);
    const TickResult second = tick(recorder, 2, 0x10u);
    EXPECT_EQ(second.taken->sample.time, 32);
    EXPECT_TRUE(second.goesOn);
}

TEST(RecorderTrace, RedrawsTheCountedSamplesInTheChosenUnits) {
    Recorder recorder;
    recorder.start(3);
    tick(recorder, 0, 100);
    tick(recorder, 255, 120);
    tick(recorder, 51, 145);
    const auto volts = recorderTrace(recorder.buffer(), recorder.count(), true, 60);
    ASSERT_EQ(volts.size(), 2u);
    EXPECT_THAT(volts[0], segmentIs(0, 0, 0.02, 5));
    EXPECT_THAT(volts[1], segmentIs(0.02, 5, 0.045, 1));
    const auto raw = recorderTrace(recorder.buffer(), recorder.count(), false, 60);
    EXPECT_THAT(raw[1], segmentIs(0.02, 255, 0.045, 51));
    const auto temperature = recorderTrace(recorder.buffer(), recorder.count(), true, 62);
    EXPECT_THAT(temperature[0], segmentIs(0, 0.3, 0.02, 0.7));
    EXPECT_TRUE(recorderTrace(recorder.buffer(), 1, true, 60).empty());
    EXPECT_TRUE(recorderTrace(recorder.buffer(), 0, true, 60).empty());
    EXPECT_EQ(recorderTrace(recorder.buffer(), 5000, true, 60).size(), 1499u);
}

} // namespace
} // namespace zentor
