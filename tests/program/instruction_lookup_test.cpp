#include "instruction_lookup.h"

#include "qstring_print.h"

#include <gtest/gtest.h>

#include <optional>

namespace zentor {
namespace {

using Outcome = OperandLookup::Outcome;

TEST(ProgramInstructionTable, ListOpTextsAreTheTableInOrder) {
    const QStringList texts = listOpTexts();
    ASSERT_EQ(texts.size(), 54);
    EXPECT_EQ(texts.first(), "A = .n#20");
    EXPECT_EQ(texts[36], "If A < B Goto .a#87");
    EXPECT_EQ(texts.last(), "A = Not A#112");
}

TEST(ProgramInstructionTable, EveryEntrySplitsBackIntoItsParts) {
    int jumpEntries = 0;
    for (const Instruction& i : kInstructionTable) {
        const std::optional<EntryParts> parts = splitEntry(listOpText(i));
        ASSERT_TRUE(parts) << i.pattern;
        EXPECT_EQ(parts->code, i.code);
        EXPECT_EQ(parts->text, QString::fromLatin1(i.pattern.data(), i.pattern.size()));
        EXPECT_EQ(parts->hasOperand, hasOperand(i));
        if (parts->hasOperand) {
            EXPECT_TRUE(parts->prefix.endsWith(u' ')) << i.pattern;
            // The jump instructions are exactly the ".a" entries.
            const bool isJumpPlaceholder = parts->text.endsWith(QStringLiteral(".a"));
            EXPECT_EQ(isJumpPlaceholder, isJumpCode(i.code)) << i.pattern;
            jumpEntries += isJumpPlaceholder ? 1 : 0;
        }
    }
    EXPECT_EQ(jumpEntries, 7);
}

TEST(ProgramInstructionTable, SplitEntry) {
    const std::optional<EntryParts> number = splitEntry(u"A = A And .n#106");
    ASSERT_TRUE(number);
    EXPECT_EQ(number->code, 106);
    EXPECT_EQ(number->prefix, "A = A And ");
    EXPECT_EQ(number->operandPosition, 11);

    const std::optional<EntryParts> plain = splitEntry(u"Delay 1 ms#90");
    ASSERT_TRUE(plain);
    EXPECT_FALSE(plain->hasOperand);
    EXPECT_EQ(plain->text, "Delay 1 ms");
    EXPECT_TRUE(plain->prefix.isEmpty());

    // A "." in the first position is no placeholder.
    const std::optional<EntryParts> leadingDot = splitEntry(u".n#5");
    ASSERT_TRUE(leadingDot);
    EXPECT_FALSE(leadingDot->hasOperand);

    // Only three characters after the first "#" make the code.
    const std::optional<EntryParts> longCode = splitEntry(u"X#1234");
    ASSERT_TRUE(longCode);
    EXPECT_EQ(longCode->code, 123);

    EXPECT_FALSE(splitEntry(u"no code"));
    EXPECT_FALSE(splitEntry(u"Beep#x"));
}

struct IntegerCase {
    const char16_t* text;
    std::optional<int> value;
};

class ProgramIntegerConversion : public testing::TestWithParam<IntegerCase> {};

TEST_P(ProgramIntegerConversion, ConvertsLikeTheSystem) {
    EXPECT_EQ(toInteger(GetParam().text), GetParam().value)
        << QString::fromUtf16(GetParam().text).toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Program, ProgramIntegerConversion,
    testing::Values(IntegerCase{u"5", 5}, IntegerCase{u"  12", 12}, IntegerCase{u"+7", 7},
                    IntegerCase{u"-7", -7}, IntegerCase{u" -1", -1}, IntegerCase{u"$FF", 255},
                    IntegerCase{u"$ff", 255}, IntegerCase{u"x10", 16}, IntegerCase{u"X1f", 31},
                    IntegerCase{u"0x10", 16}, IntegerCase{u"0X7", 7}, IntegerCase{u"-$10", -16},
                    IntegerCase{u"007", 7}, IntegerCase{u"2147483647", 2147483647},
                    IntegerCase{u"-2147483648", -2147483647 - 1}, IntegerCase{u"$FFFFFFFF", -1},
                    IntegerCase{u"", std::nullopt}, IntegerCase{u" ", std::nullopt},
                    IntegerCase{u"-", std::nullopt}, IntegerCase{u"$", std::nullopt},
                    IntegerCase{u"0x", std::nullopt}, IntegerCase{u"12 ", std::nullopt},
                    IntegerCase{u"1a", std::nullopt}, IntegerCase{u"xyz", std::nullopt},
                    IntegerCase{u"$G", std::nullopt}, IntegerCase{u"2147483648", std::nullopt},
                    IntegerCase{u"$100000000", std::nullopt}, IntegerCase{u"\t5", std::nullopt},
                    IntegerCase{u"\u0665", std::nullopt})); // an Arabic-Indic five

struct ExactCase {
    const char16_t* line;
    std::optional<int> code;
};

class ProgramExactLookup : public testing::TestWithParam<ExactCase> {};

TEST_P(ProgramExactLookup, FindsOnlyEqualText) {
    EXPECT_EQ(exactLookup(GetParam().line), GetParam().code)
        << QString::fromUtf16(GetParam().line).toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Program, ProgramExactLookup,
    testing::Values(ExactCase{u"A = B", 24}, ExactCase{u"\tBeep", 45}, ExactCase{u"Beep", 45},
                    ExactCase{u"\t\tBeep", std::nullopt}, ExactCase{u"beep", std::nullopt},
                    ExactCase{u"Beep ", std::nullopt}, ExactCase{u" Beep", std::nullopt},
                    ExactCase{u"\tDelay 1 ms", 90}, ExactCase{u"\tEnd", 88},
                    ExactCase{u"\tA = Not A", 112}, ExactCase{u"A = .n", 20},
                    ExactCase{u"LED = Blink", 44}, ExactCase{u"\tA = 5", std::nullopt},
                    ExactCase{u"", std::nullopt}, ExactCase{u"\t", std::nullopt}));

struct OperandCase {
    const char16_t* line;
    Outcome outcome;
    int code;
    int value;
    bool label;
    const char16_t* failingText;
};

class ProgramOperandLookup : public testing::TestWithParam<OperandCase> {};

TEST_P(ProgramOperandLookup, MatchesByPrefixAndOperandRules) {
    const OperandCase& c = GetParam();
    const OperandLookup found = operandLookup(c.line);
    const std::string line = QString::fromUtf16(c.line).toStdString();
    ASSERT_EQ(found.outcome, c.outcome) << line;
    if (c.outcome == Outcome::NoMatch)
        return;
    EXPECT_EQ(found.code, c.code) << line;
    if (c.outcome == Outcome::Match) {
        EXPECT_EQ(found.value, c.value) << line;
        EXPECT_EQ(found.labelReference, c.label) << line;
    } else {
        EXPECT_EQ(found.failingText, QString::fromUtf16(c.failingText)) << line;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Program, ProgramOperandLookup,
    testing::Values(OperandCase{u"A = 5", Outcome::Match, 20, 5, false, u""},
                    OperandCase{u"\tA = $FF", Outcome::Match, 20, 255, false, u""},
                    OperandCase{u"A = 1000", Outcome::NoMatch, 0, 0, false, u""},
                    OperandCase{u"A = A And 5", Outcome::Match, 106, 5, false, u""},
                    OperandCase{u"A = A Or 1", Outcome::Match, 108, 1, false, u""},
                    OperandCase{u"Delay = 250", Outcome::Match, 89, 250, false, u""},
                    OperandCase{u"Delay 250", Outcome::NoMatch, 0, 0, false, u""},
                    OperandCase{u"If A > B Goto L3:", Outcome::Match, 86, 3, true, u""},
                    OperandCase{u"\tC*Goto LB:", Outcome::Match, 83, 11, true, u""},
                    OperandCase{u"\tGoto L1: Testprogramm", Outcome::Match, 80, 1, true, u""},
                    OperandCase{u"Goto 5", Outcome::Match, 80, 5, false, u""},
                    OperandCase{u"A = L3:", Outcome::Match, 20, 3, true, u""},
                    OperandCase{u"A = -1", Outcome::Match, 20, -1, false, u""},
                    OperandCase{u"A = 999", Outcome::Match, 20, 999, false, u""},
                    OperandCase{u"A =  5", Outcome::Match, 20, 5, false, u""},
                    OperandCase{u"PWM = x1F", Outcome::Match, 51, 31, false, u""},
                    // Without the exact lookup before it, "A = B" would be "A = .n" with
                    // the operand "B", which is no number.
                    OperandCase{u"A = B", Outcome::ConversionError, 20, 0, false, u"B"},
                    OperandCase{u"A = xyz", Outcome::ConversionError, 20, 0, false, u"xyz"},
                    OperandCase{u"\tA = ", Outcome::ConversionError, 20, 0, false, u""},
                    OperandCase{u"Goto Lx", Outcome::ConversionError, 80, 0, false, u"$x"},
                    OperandCase{u"Goto L", Outcome::ConversionError, 80, 0, false, u"$"},
                    OperandCase{u"\t\tA = 5", Outcome::NoMatch, 0, 0, false, u""},
                    OperandCase{u"a = 5", Outcome::NoMatch, 0, 0, false, u""},
                    OperandCase{u"Beep", Outcome::NoMatch, 0, 0, false, u""}));

TEST(ProgramOperandLookupLength, LabelOperandMayHoldAHundredCharacters) {
    const QString prefix = QStringLiteral("\tGoto ");
    const QString longest = prefix + QStringLiteral("L7") + QString(98, u'x');
    const OperandLookup found = operandLookup(longest);
    ASSERT_EQ(found.outcome, Outcome::Match);
    EXPECT_EQ(found.value, 7);
    EXPECT_EQ(operandLookup(longest + u'x').outcome, Outcome::NoMatch);
}

TEST(ProgramCodeLookup, GivesTheWholeEntryOrNothing) {
    EXPECT_EQ(codeLookup(88), std::optional<QString>(QStringLiteral("End#88")));
    EXPECT_EQ(codeLookup(51), std::optional<QString>(QStringLiteral("PWM = .n#51")));
    EXPECT_EQ(codeLookup(112), std::optional<QString>(QStringLiteral("A = Not A#112")));
    for (int noCode : {0, 19, 32, 64, 79, 92, 99, 113, 255})
        EXPECT_FALSE(codeLookup(noCode)) << noCode;
}

TEST(ProgramCodeLookup, ConversionErrorMessageQuotesTheText) {
    EXPECT_EQ(conversionErrorMessage(QStringLiteral("xyz")), "'xyz' ist kein gültiger Integerwert");
    EXPECT_EQ(conversionErrorMessage(QString()), "'' ist kein gültiger Integerwert");
}

} // namespace
} // namespace zentor
