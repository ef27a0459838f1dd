#include "listing_check.h"

#include "qstring_print.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace zentor {
namespace {

using Kind = ListingFinding::Kind;

struct CheckCase {
    const char* name;
    QStringList listing;
    std::vector<std::pair<int, Kind>> findings; // row, kind
};

void PrintTo(const CheckCase& c, std::ostream* os) {
    *os << c.name;
}

QStringList repeated(const QString& line, int times) {
    QStringList result;
    for (int k = 0; k < times; ++k)
        result.append(line);
    return result;
}

class ProgramListingCheck : public testing::TestWithParam<CheckCase> {};

TEST_P(ProgramListingCheck, NamesWhatTheCompilerPassesOver) {
    std::vector<std::pair<int, Kind>> found;
    for (const ListingFinding& f : checkListing(GetParam().listing))
        found.emplace_back(f.row, f.kind);
    EXPECT_EQ(found, GetParam().findings);
}

INSTANTIATE_TEST_SUITE_P(
    Program, ProgramListingCheck,
    testing::Values(
        CheckCase{
            "Clean",
            {"L1: Start", "\tRem blinken", "", "  ", "\tBeep", "\tLED = 1", "\tGoto L1: Start"},
            {}},
        CheckCase{"Typos",
                  {"\tbeep", "\tFoo", "\tDelay 250", "\tA = 1000"},
                  {{0, Kind::NoInstruction},
                   {1, Kind::NoInstruction},
                   {2, Kind::NoInstruction},
                   {3, Kind::NoInstruction}}},
        CheckCase{"MissingLabelInBothForms",
                  {"L1:", "\tGoto L7:", "\tGosub 1", "\tC*Goto 2", "\tGoto 0"},
                  {{1, Kind::MissingLabel}, {3, Kind::MissingLabel}, {4, Kind::MissingLabel}}},
        CheckCase{"ForwardLabelAndTabbedLabel", {"\tGoto L4:", "\tL4:"}, {}},
        CheckCase{"Numbers",
                  {"\tA = 999", "\tB = -1", "\tC = xyz", "Lx", "\tPWM = 255"},
                  {{0, Kind::OutOfRange},
                   {1, Kind::OutOfRange},
                   {2, Kind::Unreadable},
                   {3, Kind::Unreadable}}},
        // 62 two-byte instructions fill 124 bytes; the next one is too many.
        CheckCase{"FitsExactly", repeated("\tA = 5", 62), {}},
        CheckCase{"TooLongAtTheFirstLineBeyond",
                  repeated("\tA = 5", 62) << "\tRem"
                                          << "\tBeep",
                  {{63, Kind::TooLong}}}),
    [](const testing::TestParamInfo<CheckCase>& info) { return std::string(info.param.name); });

TEST(ProgramListingCheckTexts, ReasonsAndNote) {
    const QList<ListingFinding> findings =
        checkListing({"\tbeep", "\tGoto L7:", "\tFoo", "\tGoto LA:"});
    ASSERT_EQ(findings.size(), 4);
    EXPECT_EQ(findings[0].reason, "Diese Zeile kennt die Platine nicht; sie wird übersprungen.");
    EXPECT_EQ(findings[1].reason, "Sprungziel L7 fehlt; der Sprung geht an den Anfang.");
    EXPECT_EQ(findings[3].reason, "Sprungziel LA fehlt; der Sprung geht an den Anfang.");
    EXPECT_EQ(findingsNote(findings), "2 Zeilen ohne Befehl, 2 Sprungziele fehlen");
    EXPECT_EQ(findingsNote(checkListing({"\tbeep"})), "1 Zeile ohne Befehl");
    EXPECT_EQ(findingsNote(checkListing({"\tA = 999"})), "");
}

} // namespace
} // namespace zentor
