// CSV files of the measurement pages: exact bytes for known data under German
// and English, quoting of fields, and the header of each page.
#include "locale_scope.h"
#include "measurement_csv.h"
#include "text_export.h"

#include <gtest/gtest.h>

using namespace zentor;
using zentor::test::LocaleScope;

namespace {

const QByteArray kBom("\xEF\xBB\xBF");

QStringList rowsOf(const QString& exportText) {
    return exportText.split(QStringLiteral("\r\n"));
}

struct CsvCase {
    QLocale locale;
    QByteArray recorder; // bytes after the byte order mark
    QByteArray logger;   // the first three lines after the header
};

class CsvBytes : public ::testing::TestWithParam<CsvCase> {};

TEST_P(CsvBytes, RecorderFileHoldsTheCopyRowsUnderAHeader) {
    const LocaleScope locale(GetParam().locale);
    RecorderBuffer buffer;
    buffer.store(0, {0, 0});
    buffer.store(1, {255, 20});
    buffer.store(2, {128, 1005});
    const QByteArray bytes = csvFileBytes(recorderCsvHeader(kRecorderDefaultChannel, true),
                                          rowsOf(recorderExportText(buffer, 3, true, 60)));
    EXPECT_EQ(bytes, kBom + GetParam().recorder);
}

TEST_P(CsvBytes, LoggerFileKeepsFailedReadsAndTheUmlautOfItsHeader) {
    const LocaleScope locale(GetParam().locale);
    LoggerValues values{};
    values[0] = 63;
    values[1] = -1;
    values[2] = 5;
    const QByteArray bytes =
        csvFileBytes(loggerCsvHeader(kLoggerInputDigital), rowsOf(loggerExportText(values, 0)));
    const QByteArray header = kBom + "Zeit in s;Eing\xC3\xA4nge (Bits 0 bis 5)\r\n";
    ASSERT_TRUE(bytes.startsWith(header + GetParam().logger));
    EXPECT_EQ(bytes.count("\r\n"), 1 + kLoggerChartSamples);
    EXPECT_EQ(bytes.count('\n'), bytes.count("\r\n"));
    EXPECT_TRUE(bytes.endsWith("\r\n"));
}

INSTANTIATE_TEST_SUITE_P(
    Locales, CsvBytes,
    ::testing::Values(CsvCase{zentor::test::german(),
                              "Zeit in s;Spannung in V\r\n0,00;0,00\r\n0,02;5,00\r\n1,01;2,51\r\n",
                              "0,00;63,00\r\n0,06;-1,00\r\n0,13;5,00\r\n"},
                      CsvCase{zentor::test::english(),
                              "Zeit in s;Spannung in V\r\n0.00;0.00\r\n0.02;5.00\r\n1.01;2.51\r\n",
                              "0.00;63.00\r\n0.06;-1.00\r\n0.13;5.00\r\n"}));

TEST(CsvFile, ScopeFileHasOneHundredRowsInMillisecondsAndVolts) {
    const LocaleScope locale(zentor::test::german());
    ScopeValues values{};
    values[99] = 255;
    const QByteArray bytes = csvFileBytes(scopeCsvHeader(), rowsOf(scopeExportText(values, 20)));
    const QList<QByteArray> lines = bytes.mid(kBom.size()).split('\n');
    ASSERT_EQ(lines.size(), 102); // header, 100 rows, nothing after the last line end
    EXPECT_EQ(lines[0], "Zeit in ms;Spannung in V\r");
    EXPECT_EQ(lines[100], "1980,00;5,00\r");
    EXPECT_EQ(lines[101], "");
}

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
    const QString time = QStringLiteral("Zeit in s");
    EXPECT_EQ(recorderCsvHeader(60, true), (QStringList{time, "Spannung in V"}));
    EXPECT_EQ(recorderCsvHeader(60, false), (QStringList{time, "Rohwert (0 bis 255)"}));
    EXPECT_EQ(recorderCsvHeader(61, true), (QStringList{time, "Licht"}));
    EXPECT_EQ(recorderCsvHeader(99, true), (QStringList{time, "Rohwert (0 bis 255)"}));
    EXPECT_EQ(loggerCsvHeader(kLoggerInputAnalog), (QStringList{time, "Rohwert (0 bis 255)"}));
}

} // namespace
