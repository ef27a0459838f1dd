// CSV files of the measurement pages: exact bytes for known data under German
// and English, quoting of fields, and the header of each page.
#include "locale_scope.h"
#include "measurement_csv.h"
#include "measurement_file.h"

#include <gtest/gtest.h>

using namespace zentor;
using zentor::test::LocaleScope;

namespace {

const QByteArray kBom("\xEF\xBB\xBF");

Measurement recorderMeasurement() {
    RecorderMeasurement m;
    m.samples = {{0, 0}, {255, 20}, {128, 1005}};
    return {{}, m};
}

Measurement loggerMeasurement() { // "7,5 Sekunden": a sample every 0,0625 s
    LoggerMeasurement m;
    m.inputItem = kLoggerInputDigital;
    m.values[0] = 63;
    m.values[1] = -1;
    m.values[2] = 5;
    return {{}, m};
}

Measurement scopeMeasurement() {
    ScopeMeasurement m;
    m.timeBase = 20;
    m.values[100] = 255;
    return {{}, m};
}

Measurement analogLoggerMeasurement() { // volts, as the evaluation takes them
    LoggerMeasurement m;
    m.inputItem = kLoggerInputAnalog;
    m.values[0] = 255;
    m.values[1] = -1;
    m.values[2] = 128;
    return {{}, m};
}

Measurement scopeWithFailedRead(bool volts) {
    ScopeMeasurement m;
    m.timeBase = 20;
    m.volts = volts;
    m.values[0] = 51;
    m.values[1] = -1;
    m.values[100] = 255;
    return {{}, m};
}

} // namespace

// Times to the sampling interval's resolution, values to a reading's, every
// sample; the header names the columns.
TEST(CsvFile, MeasurementFilesKeepTheMeasurementsPrecision) {
    struct Case {
        const char* what;
        QLocale locale;
        Measurement measurement;
        QByteArray start; // after the byte order mark
        int rows;
        QByteArray last;
    };
    const Case cases[] = {
        {"recorder", zentor::test::german(), recorderMeasurement(),
         "t in s;U in V\r\n0,000;0,000\r\n0,020;5,000\r\n", 3, "1,005;2,510\r\n"},
        {"recorder, English", zentor::test::english(), recorderMeasurement(),
         "t in s;U in V\r\n0.000;0.000\r\n0.020;5.000\r\n", 3, "1.005;2.510\r\n"},
        {"logger", zentor::test::german(), loggerMeasurement(),
         "t in s;Eing\xC3\xA4nge (Bits 0 bis 5)\r\n0,0000;63\r\n0,0625;\r\n0,1250;5\r\n",
         kLoggerChartSamples, "7,5000;0\r\n"},
        {"logger, analog in volts", zentor::test::german(), analogLoggerMeasurement(),
         "t in s;U in V\r\n0,0000;5,000\r\n0,0625;\r\n0,1250;2,510\r\n", kLoggerChartSamples,
         "7,5000;0,000\r\n"},
        {"oscilloscope", zentor::test::german(), scopeMeasurement(),
         "t in ms;U in V\r\n0;0,000\r\n20;0,000\r\n", kScopeSampleCount, "2000;5,000\r\n"},
        {"oscilloscope, a failed read", zentor::test::german(), scopeWithFailedRead(true),
         "t in ms;U in V\r\n0;1,000\r\n20;\r\n40;0,000\r\n", kScopeSampleCount, "2000;5,000\r\n"},
        {"oscilloscope, raw", zentor::test::german(), scopeWithFailedRead(false),
         "t in ms;Rohwert (0 bis 255)\r\n0;51\r\n20;\r\n40;0\r\n", kScopeSampleCount,
         "2000;255\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const LocaleScope locale(c.locale);
        const QByteArray bytes = measurementCsvBytes(c.measurement);
        EXPECT_TRUE(bytes.startsWith(kBom + c.start)) << bytes.left(120).toStdString();
        EXPECT_EQ(bytes.count("\r\n"), 1 + c.rows);
        EXPECT_EQ(bytes.count('\n'), bytes.count("\r\n"));
        EXPECT_TRUE(bytes.endsWith(c.last)) << bytes.right(40).toStdString();
    }
}

TEST(CsvFile, DecimalsShowTheStepExactlyOrToAFewPercent) {
    const std::pair<double, int> cases[] = {{1, 0}, {0.001, 3}, {0.0625, 4}, {5.0 / 255, 3}};
    for (const auto& [step, decimals] : cases)
        EXPECT_EQ(decimalsFor(step), decimals) << step;
}

namespace {

TEST(CsvFile, EmptyRowsAreLeftOut) {
    EXPECT_EQ(csvFileBytes({QStringLiteral("a"), QStringLiteral("b")}, {QString(), QString()}),
              kBom + "a;b\r\n");
}

TEST(CsvFile, FieldsAreQuotedOnlyWhereASpreadsheetWouldMisreadThem) {
    const std::pair<QString, QString> cases[] = {
        {"2,51", "2,51"},
        {"", ""},
        {"a;b", "\"a;b\""},
        {"say \"hi\"", "\"say \"\"hi\"\"\""},
        {" lead", "\" lead\""},
        {"trail ", "\"trail \""},
        {"two\nlines", "\"two\nlines\""},
    };
    for (const auto& [field, written] : cases)
        EXPECT_EQ(csvField(field), written) << field.toStdString();
}

TEST(CsvFile, RecorderHeaderNamesWhatItsValueColumnHolds) {
    const QString time = QStringLiteral("t in s");
    EXPECT_EQ(recorderCsvHeader(60, true), (QStringList{time, "U in V"}));
    EXPECT_EQ(recorderCsvHeader(60, false), (QStringList{time, "Rohwert (0 bis 255)"}));
    EXPECT_EQ(recorderCsvHeader(61, true), (QStringList{time, "Licht"}));
    EXPECT_EQ(recorderCsvHeader(62, true), (QStringList{time, "Temperatur in °C"}));
    EXPECT_EQ(recorderCsvHeader(65, true), (QStringList{time, "Batterie in V"}));
    EXPECT_EQ(recorderCsvHeader(99, true), (QStringList{time, "Rohwert (0 bis 255)"}));
    EXPECT_EQ(loggerCsvHeader(kLoggerInputAnalog), (QStringList{time, "U in V"}));
    EXPECT_EQ(scopeCsvHeader(false), (QStringList{"t in ms", "Rohwert (0 bis 255)"}));
}

} // namespace
