// Saving a listing and loading it again gives the same lines, also where the
// single-byte form of the text would be valid UTF-8.
#include "program_file.h"

#include <gtest/gtest.h>

#include <ostream>

namespace zentor {
namespace {

struct SaveCase {
    const char* name;
    QStringList lines;
    QByteArray bytes; // what goes into the file
};

void PrintTo(const SaveCase& c, std::ostream* os) {
    *os << c.name;
}

class SaveAndLoad : public testing::TestWithParam<SaveCase> {};

TEST_P(SaveAndLoad, GivesTheLinesBack) {
    const SaveCase& c = GetParam();
    const QByteArray bytes = programFileBytes(c.lines);
    EXPECT_EQ(bytes, c.bytes);
    EXPECT_EQ(programFileLines(bytes), c.lines);
    EXPECT_EQ(autosaveLines(bytes), c.lines);
}

INSTANTIATE_TEST_SUITE_P(
    FuzzRegression, SaveAndLoad,
    testing::Values(
        // Found by fuzzing: "Ã¤" in Windows-1252 is C3 A4, the UTF-8 of "ä".
        SaveCase{"Mojibake",
                 {QStringLiteral("L1: Ã¤"), QStringLiteral("\tEnd")},
                 QByteArray("L1: \xC3\x83\xC2\xA4\r\n\tEnd\r\n")},
        // "Â°" and the three characters of a byte order mark, at the very
        // beginning of the file.
        SaveCase{"DegreeSign",
                 {QStringLiteral("; 20 Â°C")},
                 QByteArray("; 20 \xC3\x82\xC2\xB0"
                            "C\r\n")},
        SaveCase{"BomLookalike",
                 {QStringLiteral("ï»¿L1:")},
                 QByteArray("\xC3\xAF\xC2\xBB\xC2\xBFL1:\r\n")},
        // Text whose single-byte form is no UTF-8 keeps the single-byte form.
        SaveCase{"Umlauts",
                 {QStringLiteral("L1: Grüße"), QStringLiteral("\tBeep")},
                 QByteArray("L1: Gr\xFC\xDF"
                            "e\r\n\tBeep\r\n")},
        SaveCase{"EuroSign", {QStringLiteral("; 5 €")}, QByteArray("; 5 \x80\r\n")},
        // One line that is no UTF-8 keeps the whole file single-byte, even
        // where another line alone would be valid UTF-8.
        SaveCase{"MixedLines",
                 {QStringLiteral("; Ã¤"), QStringLiteral("; ä")},
                 QByteArray("; \xC3\xA4\r\n; \xE4\r\n")},
        SaveCase{"Ascii", {QStringLiteral("\tA = 5")}, QByteArray("\tA = 5\r\n")}),
    [](const testing::TestParamInfo<SaveCase>& info) { return info.param.name; });

} // namespace
} // namespace zentor
