#include "label_pool.h"

#include "qstring_print.h"

#include <gtest/gtest.h>

namespace zentor {
namespace {

QStringList lines(std::initializer_list<const char*> texts) {
    QStringList result;
    for (const char* t : texts)
        result.append(QString::fromUtf8(t));
    return result;
}

TEST(ProgramLabelPool, StartsWithAllTwelveFree) {
    const LabelPool pool;
    EXPECT_EQ(pool.freeKeys(), lines({"L1:", "L2:", "L3:", "L4:", "L5:", "L6:", "L7:", "L8:", "L9:",
                                      "LA:", "LB:", "LC:"}));
    EXPECT_EQ(pool.selectedFreeKey(), "L1:");
    EXPECT_TRUE(pool.targets().isEmpty());
    EXPECT_EQ(pool.targetSelection(), -1);
    EXPECT_TRUE(pool.currentTarget().isEmpty());
}

TEST(ProgramLabelPool, UpdateAfterOpeningAFile) {
    LabelPool pool;
    pool.placeLabel(QStringLiteral("L5: alt")); // whatever was there before
    pool.ResetLabelPool();
    pool.LabelUpdate(lines({"LA: zwei", "\tGoto LA: zwei", "\tLED = 1", "L2: eins", "\tEnd"}));
    EXPECT_EQ(pool.freeKeys(),
              lines({"L1:", "L3:", "L4:", "L5:", "L6:", "L7:", "L8:", "L9:", "LB:", "LC:"}));
    EXPECT_EQ(pool.selectedFreeKey(), "L1:");
    EXPECT_EQ(pool.targets(), lines({"L2: eins", "LA: zwei"}));
    EXPECT_EQ(pool.currentTarget(), "LA: zwei"); // the last in sort order
}

TEST(ProgramLabelPool, UpdateComparesKeysWithoutCase) {
    LabelPool pool;
    pool.LabelUpdate(lines({"Lb: klein", "L1: b", "L1: A"}));
    EXPECT_FALSE(pool.freeKeys().contains(QStringLiteral("LB:")));
    EXPECT_FALSE(pool.freeKeys().contains(QStringLiteral("L1:")));
    // Every label line is a jump target, sorted without case.
    EXPECT_EQ(pool.targets(), lines({"L1: A", "L1: b", "Lb: klein"}));
    EXPECT_EQ(pool.freeKeys().size(), 10);
}

TEST(ProgramLabelPool, InstructionLinesAreNoLabelsEvenWithoutTab) {
    // A file may hold the LED instructions without their tab; the compiler
    // takes them as instructions, so they must not be offered as targets.
    LabelPool pool;
    pool.LabelUpdate(lines({"LED = 1", "LED = Blink", "LE: echt", "LED = 0 "}));
    EXPECT_EQ(pool.targets(), lines({"LE: echt", "LED = 0 "}));
    EXPECT_EQ(pool.currentTarget(), "LED = 0 ");
}

TEST(ProgramLabelPool, UpdateAloneNeitherEmptiesNorRefills) {
    LabelPool pool;
    pool.LabelUpdate(lines({"L1: a"}));
    pool.LabelUpdate(lines({"L2: b"}));
    EXPECT_EQ(pool.targets(), lines({"L1: a", "L2: b"}));
    EXPECT_EQ(pool.freeKeys().first(), "L3:");
}

TEST(ProgramLabelPool, PlacingLabels) {
    LabelPool pool;
    EXPECT_EQ(pool.labelLineFor(QStringLiteral("Start")), "L1: Start");
    pool.placeLabel(pool.labelLineFor(QStringLiteral("Start")));
    EXPECT_EQ(pool.currentTarget(), "L1: Start");
    EXPECT_EQ(pool.selectedFreeKey(), "L2:");
    EXPECT_FALSE(pool.freeKeys().contains(QStringLiteral("L1:")));

    // "L3:" then "L2:" with empty comments: the one placed last is selected.
    pool.selectFreeKey(1);
    ASSERT_EQ(pool.selectedFreeKey(), "L3:");
    pool.placeLabel(pool.labelLineFor(QString()));
    pool.placeLabel(pool.labelLineFor(QString()));
    EXPECT_EQ(pool.targets(), lines({"L1: Start", "L2: ", "L3: "}));
    EXPECT_EQ(pool.currentTarget(), "L2: ");
}

TEST(ProgramLabelPool, NoLineWhenAllTwelveAreUsed) {
    LabelPool pool;
    for (int k = 0; k < 12; ++k)
        pool.placeLabel(pool.labelLineFor(QString()));
    EXPECT_TRUE(pool.freeKeys().isEmpty());
    EXPECT_EQ(pool.freeSelection(), -1);
    EXPECT_TRUE(pool.labelLineFor(QStringLiteral("x")).isEmpty());
    EXPECT_EQ(pool.targets().last(), "LC: ");
}

TEST(ProgramLabelPool, DeletingALabelLineFreesItsKey) {
    LabelPool pool;
    pool.LabelUpdate(lines({"L1: Start", "L3: x"}));
    pool.selectFreeKey(3);
    pool.lineDeleted(QStringLiteral("L1: Start"), lines({"L3: x", "\tEnd"}));
    EXPECT_EQ(pool.freeKeys().first(), "L1:");
    EXPECT_EQ(pool.selectedFreeKey(), "L1:");
    EXPECT_EQ(pool.targets(), lines({"L3: x"}));
    EXPECT_EQ(pool.currentTarget(), "L3: x");

    pool.lineDeleted(QStringLiteral("L3: x"), lines({"\tEnd"}));
    EXPECT_TRUE(pool.targets().isEmpty());
    EXPECT_EQ(pool.targetSelection(), -1);
    EXPECT_EQ(pool.freeKeys().size(), 12);
}

TEST(ProgramLabelPool, DeletingOtherLinesLeavesThePool) {
    LabelPool pool;
    pool.LabelUpdate(lines({"L1: a", "L1: b", "LED = 1", "Lorem ipsum", "L2"}));
    const QStringList freeBefore = pool.freeKeys();
    // Only a key of the pool that no remaining label line holds comes back,
    // and never twice.
    pool.lineDeleted(QStringLiteral("LED = 1"), lines({"L1: a", "L1: b", "Lorem ipsum", "L2"}));
    pool.lineDeleted(QStringLiteral("Lorem ipsum"), lines({"L1: a", "L1: b", "L2"}));
    pool.lineDeleted(QStringLiteral("L2"), lines({"L1: a", "L1: b"}));
    pool.lineDeleted(QStringLiteral("L1: a"), lines({"L1: b"}));
    pool.lineDeleted(QStringLiteral("\tBeep"), lines({"L1: b"}));
    EXPECT_EQ(pool.freeKeys(), freeBefore);
    EXPECT_EQ(pool.targets(), lines({"L1: b"}));

    pool.lineDeleted(QStringLiteral("L1: b"), {});
    pool.lineDeleted(QStringLiteral("L1: b"), {}); // already free: not added twice
    EXPECT_EQ(pool.freeKeys().count(QStringLiteral("L1:")), 1);
    EXPECT_EQ(pool.freeKeys().first(), "L1:");
}

struct UsedCase {
    const char* name;
    QStringList listing;
    int row;
    bool used;
};

void PrintTo(const UsedCase& c, std::ostream* os) {
    *os << c.name;
}

class ProgramLabelInUse : public testing::TestWithParam<UsedCase> {};

TEST_P(ProgramLabelInUse, RefusesOnlyLinesHeldByOthers) {
    EXPECT_EQ(labelStillUsed(GetParam().listing, GetParam().row), GetParam().used);
}

INSTANTIATE_TEST_SUITE_P(
    Program, ProgramLabelInUse,
    testing::Values(UsedCase{"JumpHoldsLabel", lines({"L1: Start", "\tGoto L1: Start"}), 0, true},
                    UsedCase{"JumpDeletable", lines({"L1: Start", "\tGoto L1: Start"}), 1, false},
                    // A jump names the label by its number, whatever the comment.
                    UsedCase{"KeyInOtherForm",
                             lines({"L1: Testprogramm", "\tDelay 250", "\tGoto L1:"}), 0, true},
                    UsedCase{"NumberOperand", lines({"LA: Schleife", "\tC*Goto 10"}), 0, true},
                    UsedCase{"OtherLabelNumber", lines({"L1: a", "\tGoto L2:"}), 0, false},
                    UsedCase{"LedLineIsNoLabel", lines({"\tLED = 1", "\tGoto L14:"}), 0, false},
                    UsedCase{"SameInstructionTwice", lines({"\tBeep", "\tBeep"}), 0, false},
                    UsedCase{"AtSecondCharacter", lines({"ab", "xab"}), 0, false},
                    UsedCase{"AtThirdCharacter", lines({"ab", "xxab"}), 0, true},
                    UsedCase{"CommentWrittenOtherwise", lines({"L1: Start", "\tGoto L1: start"}), 0,
                             true},
                    UsedCase{"EmptyLine", lines({"", "\tBeep"}), 0, false},
                    UsedCase{"NoSelection", lines({"L1: a", "\tGoto L1: a"}), -1, false}),
    [](const testing::TestParamInfo<UsedCase>& info) { return std::string(info.param.name); });

TEST(ProgramLabelInUseText, Message) {
    EXPECT_EQ(labelInUseMessage(), "Label wird noch benutzt!");
}

struct ByteTextCase {
    const char* text;
    const char* byte;
};

class ProgramByteText : public testing::TestWithParam<ByteTextCase> {};

TEST_P(ProgramByteText, ReducesToAByte) {
    EXPECT_EQ(ByteText(QString::fromUtf8(GetParam().text)), GetParam().byte) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(Program, ProgramByteText,
                         testing::Values(ByteTextCase{"17", "17"}, ByteTextCase{"300", "44"},
                                         ByteTextCase{"-1", "255"}, ByteTextCase{"$FF", "255"},
                                         ByteTextCase{"1A", "1"}, ByteTextCase{"", "0"},
                                         ByteTextCase{"-1A", "1"}, ByteTextCase{"0X1F", "31"},
                                         ByteTextCase{"X10", "16"}, ByteTextCase{" 5", "5"},
                                         ByteTextCase{"ABC", "0"}, ByteTextCase{"+7", "7"},
                                         ByteTextCase{"256", "0"}, ByteTextCase{"-$1", "255"}));

TEST(ProgramInsertion, BuildsLinesByKind) {
    using K = InsertionKind;
    EXPECT_EQ(buildListingLine(K::Plain, QStringLiteral("Beep"), QString()), "\tBeep");
    EXPECT_EQ(buildListingLine(K::Jump, QStringLiteral("Goto "), QStringLiteral("L1: Start")),
              "\tGoto L1: Start");
    EXPECT_EQ(buildListingLine(K::Label, QStringLiteral("L3:"), QString()), "L3: ");
    EXPECT_EQ(buildListingLine(K::Comment, QStringLiteral("Rem"), QStringLiteral("Start")),
              "\tRem Start");
    EXPECT_EQ(buildListingLine(K::ConstantRow, QStringLiteral("A = "), QStringLiteral("300")),
              "\tA = 44");
    EXPECT_EQ(buildListingLine(K::NumberField, QStringLiteral("A = "), QStringLiteral("-1")),
              "\tA = 255");
    EXPECT_EQ(buildListingLine(K::NumberField, QStringLiteral("PWM = "), QString()), "\tPWM = 0");
    // Nothing selected in the palette: no line, in particular from the empty
    // label list.
    EXPECT_FALSE(buildListingLine(K::Label, QString(), QStringLiteral("x")));
    EXPECT_FALSE(buildListingLine(K::Plain, QString(), QString()));
}

TEST(ProgramNumberField, LimitsToThreeCharacters) {
    const LimitedField typedAtEnd = limitNumberField(QStringLiteral("2505"), 4);
    EXPECT_EQ(typedAtEnd.text, "505");
    EXPECT_EQ(typedAtEnd.caret, 3);
    const LimitedField pasted = limitNumberField(QStringLiteral("12345"), 5);
    EXPECT_EQ(pasted.text, "234");
    const LimitedField inMiddle = limitNumberField(QStringLiteral("1250"), 1);
    EXPECT_EQ(inMiddle.text, "125");
    EXPECT_EQ(inMiddle.caret, 1);
    const LimitedField shortText = limitNumberField(QStringLiteral("25"), 2);
    EXPECT_EQ(shortText.text, "25");
    EXPECT_EQ(shortText.caret, 2);
}

} // namespace
} // namespace zentor
