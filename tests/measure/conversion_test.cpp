#include <clocale>
#include "conversion.h"
#include "locale_scope.h"
#include "number_format.h"

#include <gtest/gtest.h>

#include <climits>

namespace zentor {
namespace {

using test::LocaleScope;
using test::withSeparatorOf;

class ByLocale : public ::testing::TestWithParam<QLocale> {};

INSTANTIATE_TEST_SUITE_P(GermanAndEnglish, ByLocale,
                         ::testing::Values(test::german(), test::english()),
                         [](const auto& info) { return info.param.name().toStdString(); });

struct ConversionCase {
    int channel;
    int raw;
    double value;
    const char* text; // with a decimal comma
};

TEST_P(ByLocale, ConvertReadingGivesValueAndText) {
    const LocaleScope scope(GetParam());
    const ConversionCase cases[] = {
        {60, 255, 5.0, "5,00 Volt"},
        {60, 0, 0.0, "0,00 Volt"},
        {60, 128, 128 / 255.0 * 5, "2,51 Volt"},
        {60, 51, 1.0, "1,00 Volt"},
        {60, -51, 1.0, "1,00 Volt"},
        {60, -1, 5 / 255.0, "0,02 Volt"},
        {62, 0, 0.3, "0"},
        {62, 1, 0.3, "0"},
        {62, 2, 0.7, "1"},
        {62, -2, 0.7, "1"},
        {62, 255, 0.7, "1"},
        {61, 200, 200, "Fehler."},
        {63, 17, 17, "Fehler."},
        {66, -7, 7, "Fehler."},
        {0, 255, 255, "Fehler."},
    };
    for (const ConversionCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "channel " << c.channel << " raw " << c.raw);
        const Reading reading = ConvertReading(c.channel, c.raw);
        EXPECT_DOUBLE_EQ(reading.value, c.value);
        EXPECT_EQ(reading.text, withSeparatorOf(GetParam(), QString::fromUtf8(c.text)));
    }
}

TEST(ConvertReading, TakesTheMostNegativeReadingByItsSize) {
    EXPECT_DOUBLE_EQ(ConvertReading(61, INT_MIN).value, 2147483648.0);
    EXPECT_DOUBLE_EQ(ConvertReading(60, INT_MIN).value, 2147483648.0 / 255 * 5);
}

TEST_P(ByLocale, FixedTextRoundsHalfAwayFromZeroWithoutGrouping) {
    const LocaleScope scope(GetParam());
    const struct {
        double value;
        int decimals;
        const char* text;
    } cases[] = {
        {0.0625, 2, "0,06"},   {7.5, 2, "7,50"},     {1.005, 2, "1,01"},
        {0.125, 2, "0,13"},    {-0.125, 2, "-0,13"}, {-0.001, 2, "0,00"},
        {-1, 2, "-1,00"},      {1980, 2, "1980,00"}, {1234567.891, 2, "1234567,89"},
        {0.3, 0, "0"},         {0.7, 0, "1"},        {0.5, 0, "1"},
        {2.5, 0, "3"},         {0.0049, 2, "0,00"},  {0.995, 2, "1,00"},
        {99.999, 2, "100,00"}, {0, 2, "0,00"},       {86400, 0, "86400"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.value << " with " << c.decimals);
        EXPECT_EQ(fixedText(c.value, c.decimals), withSeparatorOf(GetParam(), c.text));
    }
}

// A Qt application sets the C library's number locale from the environment;
// under German that library writes and reads a decimal comma. The texts must
// not depend on it.
TEST(FixedText, IsTheSameWhateverTheCLibrarysLocale) {
    const LocaleScope scope(zentor::test::german());
    const std::string previous = std::setlocale(LC_NUMERIC, nullptr);
    // The German locale is part of the test set-up (tools/install-deps.sh):
    // without it this test cannot do its work, which is a failure.
    ASSERT_NE(std::setlocale(LC_NUMERIC, "de_DE.UTF-8"), nullptr)
        << "no German locale installed (make deps installs it)";
    const QString quarter = fixedText(0.0625, 2);
    const QString half = fixedText(7.5, 2);
    const QString volts = ConvertReading(60, 128).text;
    const QString shortest = shortForm(0.46875);
    std::setlocale(LC_NUMERIC, previous.c_str());
    EXPECT_EQ(quarter, QStringLiteral("0,06"));
    EXPECT_EQ(half, QStringLiteral("7,50"));
    EXPECT_EQ(volts, QStringLiteral("2,51 Volt"));
    EXPECT_EQ(shortest, QStringLiteral("0,46875"));
}

TEST_P(ByLocale, ShortFormIsTheShortestFifteenDigitForm) {
    const LocaleScope scope(GetParam());
    const struct {
        double value;
        const char* text;
    } cases[] = {
        {7.5, "7,5"},
        {0.0625, "0,0625"},
        {86400, "86400"},
        {100000, "100000"},
        {720, "720"},
        {0.1 + 0.2, "0,3"},
        {1.0 / 3, "0,333333333333333"},
        {0, "0"},
        {-2.5, "-2,5"},
        {22.5, "22,5"},
        {123456789012345, "123456789012345"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(shortForm(c.value), withSeparatorOf(GetParam(), c.text));
    }
}

} // namespace
} // namespace zentor
