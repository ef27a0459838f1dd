#include "locale_scope.h"
#include "text_export.h"

#include <gtest/gtest.h>

namespace zentor {
namespace {

using test::LocaleScope;
using test::withSeparatorOf;

class ExportByLocale : public ::testing::TestWithParam<QLocale> {
protected:
    QString local(const char* germanText) const {
        return withSeparatorOf(GetParam(), QString::fromUtf8(germanText));
    }
};

INSTANTIATE_TEST_SUITE_P(GermanAndEnglish, ExportByLocale,
                         ::testing::Values(test::german(), test::english()),
                         [](const auto& info) { return info.param.name().toStdString(); });

Recorder recordingOf(std::initializer_list<std::pair<int, quint32>> readings) {
    Recorder recorder;
    recorder.start(3);
    for (const auto& [value, time] : readings) {
        if (recorder.take(value, time, true, 60)) {
            recorder.proceed(time);
        }
    }
    return recorder;
}

TEST_P(ExportByLocale, RecorderLinesInVoltsAndRaw) {
    const LocaleScope scope(GetParam());
    const Recorder recorder = recordingOf({{0, 5000}, {255, 5020}, {128, 6005}});
    ASSERT_EQ(recorder.count(), 3);
    EXPECT_EQ(recorderExportText(recorder.buffer(), recorder.count(), true, 60),
              local("0,00\t0,00\r\n0,02\t5,00\r\n1,01\t2,51"));
    EXPECT_EQ(recorderExportText(recorder.buffer(), recorder.count(), false, 60),
              local("0,00\t0,00\r\n0,02\t255,00\r\n1,01\t128,00"));
    EXPECT_EQ(recorderExportText(recorder.buffer(), recorder.count(), true, 62),
              local("0,00\t0,30\r\n0,02\t0,70\r\n1,01\t0,70"));
}

TEST_P(ExportByLocale, RecorderLeavesOutTheUncountedLastSample) {
    const LocaleScope scope(GetParam());
    Recorder recorder;
    recorder.start(0);
    for (quint32 t = 0; t <= 1000; t += 500) {
        if (recorder.take(51, t, true, 60)) {
            recorder.proceed(t);
        }
    }
    ASSERT_FALSE(recorder.isRecording());
    EXPECT_EQ(recorderExportText(recorder.buffer(), recorder.count(), true, 60),
              local("0,00\t1,00\r\n0,50\t1,00"));
    EXPECT_EQ(recorderExportText(recorder.buffer(), 0, true, 60), QString());
}

TEST_P(ExportByLocale, LoggerLinesAtTheIntervalOfTheSelectedDuration) {
    const LocaleScope scope(GetParam());
    LoggerValues values{};
    for (int k = 0; k < kLoggerValueCount; ++k) {
        values[k] = k;
    }
    values[2] = -1;
    const QStringList lines = loggerExportText(values, 0).split(QStringLiteral("\r\n"));
    ASSERT_EQ(lines.size(), 121);
    EXPECT_EQ(lines[0], local("0,00\t0,00"));
    EXPECT_EQ(lines[1], local("0,06\t1,00"));
    EXPECT_EQ(lines[2], local("0,13\t-1,00"));
    EXPECT_EQ(lines[3], local("0,19\t3,00"));
    EXPECT_EQ(lines[120], local("7,50\t120,00"));

    const QStringList hours = loggerExportText(values, 19).split(QStringLiteral("\r\n"));
    ASSERT_EQ(hours.size(), 121);
    EXPECT_EQ(hours[1], local("720,00\t1,00"));
    EXPECT_EQ(hours[120], local("86400,00\t120,00"));
    // An unselected duration box exports with the first item's interval.
    EXPECT_EQ(loggerExportText(values, -1), loggerExportText(values, 0));
}

TEST_P(ExportByLocale, ScopeLinesInVoltsAtTheTimeBase) {
    const LocaleScope scope(GetParam());
    ScopeValues values{};
    values[0] = 255;
    values[1] = 128;
    values[99] = 51;
    values[100] = 200; // the 101st sample is not exported
    const QString fast = scopeExportText(values, 1);
    const QStringList lines = fast.split(QStringLiteral("\r\n"));
    ASSERT_EQ(lines.size(), 100);
    EXPECT_TRUE(fast.startsWith(local("0,00\t5,00\r\n1,00\t2,51\r\n2,00\t0,00\r\n")));
    EXPECT_EQ(lines[99], local("99,00\t1,00"));
    EXPECT_FALSE(fast.endsWith(QStringLiteral("\r\n")));

    const QStringList slow = scopeExportText(values, 20).split(QStringLiteral("\r\n"));
    EXPECT_EQ(slow[1], local("20,00\t2,51"));
    EXPECT_EQ(slow[99], local("1980,00\t1,00"));

    // A failed read has no value, not -1/51 V.
    values[2] = -1;
    EXPECT_EQ(scopeExportText(values, 1).split(QStringLiteral("\r\n"))[2], local("2,00\t"));
}

TEST(ListingExport, LinesExactlyAsShown) {
    const QStringList listing{QStringLiteral("L1: Anfang"), QStringLiteral("\tA = Uin"),
                              QStringLiteral("\tRem Spannung lesen"), QString(),
                              QStringLiteral("\tGoto L1")};
    EXPECT_EQ(listingExportText(listing),
              QStringLiteral("L1: Anfang\r\n\tA = Uin\r\n\tRem Spannung lesen\r\n\r\n\tGoto L1"));
    EXPECT_EQ(listingExportText({}), QString());
}

} // namespace
} // namespace zentor
