#include "locale_scope.h"
#include "logger.h"
#include "segment_matcher.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace zentor {
namespace {

using test::LocaleScope;
using test::segmentIs;

struct DurationRow {
    const char* text;
    qint32 ms;
    int hi;
    int lo;
    double interval;
    quint32 countdown;
    double xmax;
    const char* unit;
};

// The duration box as the page shows it, with every derived column.
const DurationRow kExpectedDurations[] = {
    {"7,5 Sekunden", 10000, 0, 1, 0.0625, 7, 7.5, "Sekunden"},
    {"15 Sekunden", 15000, 0, 2, 0.125, 15, 15, "Sekunden"},
    {"30 Sekunden", 30000, 0, 4, 0.25, 30, 30, "Sekunden"},
    {"45 Sekunden", 45000, 0, 6, 0.375, 45, 45, "Sekunden"},
    {"60 Sekunden", 60000, 0, 8, 0.5, 60, 60, "Sekunden"},
    {"  2 Minuten", 120000, 0, 16, 1, 120, 2, "Minuten"},
    {"  5 Minuten", 300000, 0, 40, 2.5, 300, 5, "Minuten"},
    {"10 Minuten", 600000, 0, 80, 5, 600, 10, "Minuten"},
    {"20 Minuten", 1200000, 0, 160, 10, 1200, 20, "Minuten"},
    {"30 Minuten", 1800000, 0, 240, 15, 1800, 30, "Minuten"},
    {"45 Minuten", 2700000, 1, 104, 22.5, 2700, 45, "Minuten"},
    {"60 Minuten", 3600000, 1, 224, 30, 3600, 60, "Minuten"},
    {"  2 Stunden", 7200000, 3, 192, 60, 7200, 2, "Stunden"},
    {"  3 Stunden", 10800000, 5, 160, 90, 10800, 3, "Stunden"},
    {"  4 Stunden", 14400000, 7, 128, 120, 14400, 4, "Stunden"},
    {"  6 Stunden", 21600000, 11, 64, 180, 21600, 6, "Stunden"},
    {"  8 Stunden", 28800000, 15, 0, 240, 28800, 8, "Stunden"},
    {"10 Stunden", 36000000, 18, 192, 300, 36000, 10, "Stunden"},
    {"12 Stunden", 43200000, 22, 128, 360, 43200, 12, "Stunden"},
    {"24 Stunden", 86400000, 45, 0, 720, 86400, 24, "Stunden"},
};

TEST(LoggerDurations, EveryItemWithItsCellsCountdownAndAxis) {
    ASSERT_EQ(kLoggerDurations.size(), std::size(kExpectedDurations));
    for (int item = 0; item < 20; ++item) {
        const DurationRow& row = kExpectedDurations[item];
        SCOPED_TRACE(row.text);
        EXPECT_EQ(kLoggerDurations[item].itemText.toString(), QString::fromUtf8(row.text));
        EXPECT_EQ(loggerDurationMs(item), row.ms);
        EXPECT_EQ(loggerIntervalCells(item), (LoggerIntervalCells{row.hi, row.lo}));
        EXPECT_EQ(loggerSeconds(item), row.countdown);
        const LoggerSummary summary = loggerSummary(item);
        EXPECT_DOUBLE_EQ(summary.intervalSeconds, row.interval);
        EXPECT_DOUBLE_EQ(summary.durationSeconds, row.interval * 120);
        EXPECT_DOUBLE_EQ(summary.xmax, row.xmax);
        EXPECT_EQ(summary.unit.toString(), QString::fromUtf8(row.unit));
    }
}

TEST(LoggerDurations, NegativeAndUnknownItemsCountAsTheFirst) {
    for (int item : {-1, -100, 20, 1000}) {
        EXPECT_EQ(loggerDurationMs(item), 10000);
        EXPECT_EQ(loggerSeconds(item), 7u);
        EXPECT_EQ(loggerIntervalCells(item), (LoggerIntervalCells{0, 1}));
        EXPECT_EQ(loggerSummary(item).text, loggerSummary(0).text);
    }
}

TEST(LoggerSummary, SummaryLineInTheUsersLocale) {
    const struct {
        QLocale locale;
        int item;
        const char* text;
    } cases[] = {
        {test::german(), 0, "120 Messpunkte, Dauer 7,5 s, Intervall 0,0625 s"},
        {test::german(), 3, "120 Messpunkte, Dauer 45 s, Intervall 0,375 s"},
        {test::german(), 10, "120 Messpunkte, Dauer 2700 s, Intervall 22,5 s"},
        {test::german(), 19, "120 Messpunkte, Dauer 86400 s, Intervall 720 s"},
        {test::english(), 0, "120 Messpunkte, Dauer 7.5 s, Intervall 0.0625 s"},
        {test::english(), 19, "120 Messpunkte, Dauer 86400 s, Intervall 720 s"},
    };
    for (const auto& c : cases) {
        const LocaleScope scope(c.locale);
        EXPECT_EQ(loggerSummary(c.item).text, QString::fromUtf8(c.text));
    }
}

TEST(LoggerStart, ConfigurationFramesInSendingOrder) {
    using F = BoardFrame;
    EXPECT_EQ(loggerConfigFrames(0, kLoggerInputAnalog),
              (std::array<F, 6>{{{20, 60}, {120, 0}, {20, 0}, {120, 1}, {20, 1}, {120, 2}}}));
    EXPECT_EQ(loggerConfigFrames(10, kLoggerInputDigital),
              (std::array<F, 6>{{{20, 62}, {120, 0}, {20, 1}, {120, 1}, {20, 104}, {120, 2}}}));
    // An input box without selection records the analog input.
    EXPECT_EQ(loggerConfigFrames(19, -1)[0], (F{20, 60}));
    EXPECT_EQ(loggerConfigFrames(19, -1)[2], (F{20, 45}));
}

TEST(LoggerCountdown, CountsWholeSecondsDownToTheEnd) {
    const struct {
        quint32 target;
        quint32 elapsedMs;
        bool finished;
        const char* text;
    } cases[] = {
        {7, 0, false, "Messung läuft ... noch 7 Sekunden."},
        {7, 999, false, "Messung läuft ... noch 7 Sekunden."},
        {7, 1000, false, "Messung läuft ... noch 6 Sekunden."},
        {7, 6999, false, "Messung läuft ... noch 1 Sekunden."},
        {7, 7000, true, "Messung beendet."},
        {7, 120000, true, "Messung beendet."},
        {86400, 500, false, "Messung läuft ... noch 86400 Sekunden."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.elapsedMs);
        const LoggerCountdown step = loggerCountdown(c.target, c.elapsedMs);
        EXPECT_EQ(step.finished, c.finished);
        EXPECT_EQ(step.statusText, QString::fromUtf8(c.text));
    }
}

TEST(LoggerReadout, EveryItemsCellsSelectThatItemAgain) {
    const LocaleScope scope(test::german());
    for (int item = 0; item < 20; ++item) {
        const LoggerIntervalCells cells = loggerIntervalCells(item);
        const LoggerConfiguration configuration =
            interpretLoggerConfiguration(60, cells.hi, cells.lo);
        EXPECT_EQ(configuration.durationItem, item) << configuration.durationLabel.toStdString();
        EXPECT_EQ(configuration.durationLabel,
                  kLoggerDurations[item].itemText.trimmed().toString());
    }
}

TEST(LoggerReadout, LabelsAndSelections) {
    const struct {
        QLocale locale;
        int cell0, cell1, cell2;
        const char* label;
        int durationItem;
        int inputItem;
    } cases[] = {
        {test::german(), 60, 0, 16, "2 Minuten", 5, 0},
        {test::german(), 62, 0, 1, "7,5 Sekunden", 0, 1},
        {test::german(), 62, 0, 40, "5 Minuten", 6, 1},
        {test::german(), 60, 1, 224, "60 Minuten", 11, 0},
        {test::german(), 60, 3, 192, "2 Stunden", 12, 0},
        // Durations that are not in the list select the first item.
        {test::german(), 60, 0, 3, "22,5 Sekunden", 0, 0},
        {test::german(), 60, 0, 0, "0 Sekunden", 0, 0},
        {test::german(), 60, 255, 255, "136,53125 Stunden", 0, 0},
        {test::german(), 60, 0, 24, "3 Minuten", 0, 0},
        // Codes other than 60 and 62 show the analog view.
        {test::german(), 61, 0, 8, "60 Sekunden", 4, 0},
        {test::german(), -1, -1, -1, "-1927,5 Sekunden", 0, 0},
        {test::english(), 60, 0, 16, "2 Minuten", 5, 0},
        {test::english(), 62, 0, 1, "7.5 Sekunden", 0, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        const LocaleScope scope(c.locale);
        const LoggerConfiguration configuration =
            interpretLoggerConfiguration(c.cell0, c.cell1, c.cell2);
        EXPECT_EQ(configuration.durationLabel, QString::fromUtf8(c.label));
        EXPECT_EQ(configuration.durationItem, c.durationItem);
        EXPECT_EQ(configuration.inputItem, c.inputItem);
    }
}

TEST(LoggerReadout, ItemTextsMatchIgnoringCaseAndTheirLeadingBlanks) {
    EXPECT_EQ(loggerDurationItemForLabel(u"2 MINUTEN"), 5);
    EXPECT_EQ(loggerDurationItemForLabel(u"24 stunden"), 19);
    EXPECT_EQ(loggerDurationItemForLabel(u"15 Sekunden"), 1);
    EXPECT_EQ(loggerDurationItemForLabel(u"2 Minute"), 0);
    EXPECT_EQ(loggerDurationItemForLabel(u""), 0);
}

TEST(LoggerInputAxis, AnalogDigitalAndNothingElse) {
    const auto analog = loggerInputAxis(kLoggerInputAnalog);
    ASSERT_TRUE(analog.has_value());
    EXPECT_EQ(analog->axis, (ChartYAxis{u"Volt", 0, 5, 0}));
    EXPECT_FALSE(analog->sixTraces);
    const auto digital = loggerInputAxis(kLoggerInputDigital);
    ASSERT_TRUE(digital.has_value());
    EXPECT_EQ(digital->axis, (ChartYAxis{u"Port", 0, 6, 1}));
    EXPECT_TRUE(digital->sixTraces);
    EXPECT_FALSE(loggerInputAxis(-1).has_value());
    EXPECT_FALSE(loggerInputAxis(2).has_value());
}

TEST(LoggerTrace, AnalogIsAPolylineThroughTheVolts) {
    LoggerValues values{};
    for (int k = 0; k < kLoggerValueCount; ++k) {
        values[k] = (k * 2) % 256;
    }
    values[1] = -51;
    values[120] = 255;
    values[121] = 0; // beyond the chart: not drawn
    const auto lines = loggerTrace(values, kLoggerInputAnalog, 7.5);
    ASSERT_EQ(lines.size(), 120u);
    EXPECT_THAT(lines[0], segmentIs(0, 0, 7.5 / 120, 1.0));
    for (std::size_t k = 1; k < lines.size(); ++k) {
        EXPECT_DOUBLE_EQ(lines[k].x1, lines[k - 1].x2);
        EXPECT_DOUBLE_EQ(lines[k].y1, lines[k - 1].y2);
    }
    EXPECT_DOUBLE_EQ(lines[119].x2, 7.5);
    EXPECT_DOUBLE_EQ(lines[119].y2, 5.0);
}

TEST(LoggerTrace, DigitalDrawsSixSquareWavesWithTheirEdges) {
    LoggerValues values{};
    values[1] = 0b000001; // bit 0 rises into the first interval
    values[2] = 0b100000; // bit 0 falls, bit 5 rises
    const auto lines = loggerTrace(values, kLoggerInputDigital, 120);

    // First interval: bit 0 at its high level with the edge at x = 0, bits 1..5 low.
    EXPECT_THAT(lines[0], segmentIs(0, 0.53, 1, 0.53));
    EXPECT_THAT(lines[1], segmentIs(0, 0.53, 0, 0.03));
    EXPECT_THAT(lines[2], segmentIs(0, 1.03, 1, 1.03));
    // Second interval starts after 6 + 1 lines.
    EXPECT_THAT(lines[7], segmentIs(1, 0.03, 2, 0.03));
    EXPECT_THAT(lines[8], segmentIs(1, 0.03, 1, 0.53));
    EXPECT_THAT(lines[13], segmentIs(1, 5.53, 2, 5.53));
    EXPECT_THAT(lines[14], segmentIs(1, 5.53, 1, 5.03));
    // 120 × 6 level segments and 4 edges, the last at x = 2.
    EXPECT_EQ(lines.size(), 120u * 6 + 4);
    EXPECT_DOUBLE_EQ(lines.back().x2, 120);
}

TEST(LoggerTrace, DigitalIgnoresTheBitsAboveBitFive) {
    LoggerValues values{};
    for (int k = 0; k < kLoggerValueCount; ++k) {
        values[k] = (k % 2 == 0) ? 0xC0 : 0x00;
    }
    const auto lines = loggerTrace(values, kLoggerInputDigital, 60);
    EXPECT_EQ(lines.size(), 120u * 6);
    EXPECT_TRUE(std::all_of(lines.begin(), lines.end(), [](const LineSegment& l) {
        return l.y1 == l.y2 && std::fmod(l.y1, 1.0) < 0.04;
    }));
}

TEST(LoggerTrace, OtherInputItemsDrawNothing) {
    const LoggerValues values{};
    EXPECT_TRUE(loggerTrace(values, -1, 10).empty());
    EXPECT_TRUE(loggerTrace(values, 2, 10).empty());
}

TEST(LoggerDump, SkipsTheConfigurationAndStoresTheValues) {
    LoggerValues values{};
    LoggerDump dump(values);
    EXPECT_EQ(dump.take(60), LoggerDump::Step::More);
    EXPECT_EQ(dump.take(0), LoggerDump::Step::More);
    EXPECT_EQ(dump.take(1), LoggerDump::Step::More);
    EXPECT_EQ(values, LoggerValues{});
    for (int cell = 3; cell < 127; ++cell) {
        ASSERT_EQ(dump.take(cell), LoggerDump::Step::More) << cell;
        EXPECT_EQ(dump.progress(), cell - 3);
    }
    EXPECT_EQ(dump.take(127), LoggerDump::Step::Complete);
    EXPECT_EQ(dump.progress(), 124);
    EXPECT_EQ(dump.nextCell(), 128);
    for (int k = 0; k < kLoggerValueCount; ++k) {
        EXPECT_EQ(values[k], k + 3);
    }
    EXPECT_EQ(dump.take(9), LoggerDump::Step::Complete);
    EXPECT_EQ(values[124], 127);
}

TEST(LoggerDump, AFailedReadStopsTheDumpAndKeepsLaterSlots) {
    LoggerValues values;
    values.fill(7);
    {
        LoggerDump dump(values);
        EXPECT_EQ(dump.take(60), LoggerDump::Step::More);
        EXPECT_EQ(dump.take(-1), LoggerDump::Step::Failed);
        EXPECT_EQ(dump.take(5), LoggerDump::Step::Failed);
        EXPECT_TRUE(std::all_of(values.begin(), values.end(), [](int v) { return v == 7; }));
    }
    LoggerDump dump(values);
    for (int cell = 0; cell < 13; ++cell) {
        ASSERT_EQ(dump.take(200), LoggerDump::Step::More);
    }
    EXPECT_EQ(dump.take(-1), LoggerDump::Step::Failed);
    EXPECT_EQ(dump.progress(), 10);
    EXPECT_EQ(values[9], 200);
    EXPECT_EQ(values[10], -1);
    EXPECT_EQ(values[11], 7);
    EXPECT_EQ(dump.take(5), LoggerDump::Step::Failed);
    EXPECT_EQ(values[11], 7);
}

} // namespace
} // namespace zentor
