#include "compiler.h"

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

struct CompileCase {
    const char* name;
    QStringList listing;
    QStringList code;
    QString status;
};

void PrintTo(const CompileCase& c, std::ostream* os) {
    *os << c.name;
}

class ProgramCompiler : public testing::TestWithParam<CompileCase> {};

TEST_P(ProgramCompiler, ProducesCodeListAndStatus) {
    const CompileCase& c = GetParam();
    const CompileResult result = compileListing(c.listing);
    ASSERT_TRUE(result.ok) << result.errorMessage.toStdString();
    EXPECT_EQ(result.codeLines, c.code);
    EXPECT_EQ(result.statusText, c.status);
    EXPECT_TRUE(result.errorMessage.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Program, ProgramCompiler,
    testing::Values(
        CompileCase{"WorkedExample",
                    lines({"L1: Testprogramm", "\tDelay 250", "\tBeep", "\tGoto L1:"}),
                    lines({"00  2D", "01  50  00"}), "121 Bytes frei."},
        CompileCase{"Empty", {}, {}, "124 Bytes frei."},
        CompileCase{"ForwardJump", lines({"\tBeep", "\tGoto L2:", "\tBeep", "L2:", "\tEnd"}),
                    lines({"00  2D", "01  50  04", "03  2D", "04  58"}), "119 Bytes frei."},
        CompileCase{"ForwardJumpPatched", lines({"\tGoto L2:", "\tBeep", "L2:", "\tEnd"}),
                    lines({"00  50  03", "02  2D", "03  58"}), "120 Bytes frei."},
        CompileCase{"LabelAfterLastInstruction", lines({"\tGoto L3:", "\tA = 7", "L3: Ende"}),
                    lines({"00  50  04", "02  14  07"}), "120 Bytes frei."},
        CompileCase{"IndentedLabelAndNoColon",
                    lines({"\tBeep", "\tL4:", "\tBeep", "L2", "\tGoto L4:", "\tGoto L2:"}),
                    lines({"00  2D", "01  2D", "02  50  01", "04  50  02"}), "118 Bytes frei."},
        CompileCase{"LaterDefinitionWins",
                    lines({"L1: erste", "\tBeep", "L1: zweite", "\tBeep", "\tGoto L1: erste"}),
                    lines({"00  2D", "01  2D", "02  50  01"}), "120 Bytes frei."},
        CompileCase{"UndefinedLabelGoesToZero", lines({"\tBeep", "\tGoto L5:"}),
                    lines({"00  2D", "01  50  00"}), "121 Bytes frei."},
        CompileCase{"NumberAsJumpOperandIsLabelNumber",
                    lines({"\tBeep", "L5:", "\tBeep", "\tGoto 5", "\tGoto L5:"}),
                    lines({"00  2D", "01  2D", "02  50  01", "04  50  01"}), "118 Bytes frei."},
        CompileCase{"LabelAsNumberOperandStaysNumber", lines({"L3:", "\tA = L3:", "\tB = LC: x"}),
                    lines({"00  14  03", "02  15  0C"}), "120 Bytes frei."},
        CompileCase{"RemChangesNoAddress",
                    lines({"\tBeep", "\tRem Start", "", "irgendwas", "L1:", "\tGoto L1:"}),
                    lines({"00  2D", "01  50  01"}), "121 Bytes frei."},
        CompileCase{"FourDigitOperandIsSkipped", lines({"\tA = 1000", "\tBeep"}), lines({"00  2D"}),
                    "123 Bytes frei."},
        CompileCase{"HexDigitsUpperCase", lines({"\tA = 171", "\tPWM = $ab", "\tA = A Or x1f"}),
                    lines({"00  14  AB", "02  33  AB", "04  6C  1F"}), "118 Bytes frei."},
        CompileCase{"ExactBeforeOperand", lines({"\tA = B", "\tA = A And B", "\tA = A And 3"}),
                    lines({"00  18", "01  6B", "02  6A  03"}), "120 Bytes frei."},
        CompileCase{"LabelFifteen", lines({"\tBeep", "LF:", "\tBeep", "\tGosub LF:"}),
                    lines({"00  2D", "01  2D", "02  51  01"}), "120 Bytes frei."},
        // The three LED instructions begin with "L" but are instructions, and
        // do not define label 14.
        CompileCase{"LedLinesAreInstructions",
                    lines({"\tBeep", "\tLED = 1", "LED = 0", "\tLED = Blink", "\tGoto LE:"}),
                    lines({"00  2D", "01  2A", "02  2B", "03  2C", "04  50  00"}),
                    "118 Bytes frei."},
        CompileCase{"RealLabelEStillALabel",
                    lines({"\tBeep", "LE: LED = 1", "\tLED = 1", "\tGoto LE: LED = 1"}),
                    lines({"00  2D", "01  2A", "02  50  01"}), "120 Bytes frei."},
        // Labels without a slot: 0, and numbers above 16, behave like an
        // undefined label.
        CompileCase{"LabelZeroHasNoSlot", lines({"\tBeep", "L0: null", "\tBeep", "\tGoto L0:"}),
                    lines({"00  2D", "01  2D", "02  50  00"}), "120 Bytes frei."},
        CompileCase{"LabelNumbersWithoutSlot",
                    lines({"\tBeep", "L1:", "\tGoto 17", "\tGoto 999", "\tGoto -1", "\tGoto 16"}),
                    lines({"00  2D", "01  50  00", "03  50  00", "05  50  00", "07  50  00"}),
                    "115 Bytes frei."}),
    [](const testing::TestParamInfo<CompileCase>& info) { return std::string(info.param.name); });

QStringList repeated(const QString& line, int count) {
    QStringList result;
    for (int k = 0; k < count; ++k)
        result.append(line);
    return result;
}

TEST(ProgramCompilerCapacity, ExactlyFullAndOneByteTooMany) {
    const QStringList full = repeated(QStringLiteral("\tA = 1"), 62);
    const CompileResult fits = compileListing(full);
    EXPECT_EQ(fits.size, 124);
    EXPECT_EQ(fits.statusText, "0 Bytes frei.");
    EXPECT_EQ(fits.codeLines.last(), "7A  14  01");

    const CompileResult tooLong = compileListing(full + QStringList{QStringLiteral("\tBeep")});
    EXPECT_TRUE(tooLong.ok);
    EXPECT_EQ(tooLong.size, 125);
    EXPECT_EQ(tooLong.statusText, " Programm zu lang.");
    ASSERT_EQ(tooLong.codeLines.size(), 63); // the code list stays complete
    EXPECT_EQ(tooLong.codeLines.last(), "7C  2D");
}

TEST(ProgramCompilerCapacity, HugeListingKeepsCodeLineForm) {
    const CompileResult result =
        compileListing(repeated(QStringLiteral("\tGoto L1:"), 200) + QStringList{"L1:"});
    EXPECT_EQ(result.statusText, " Programm zu lang.");
    for (const QString& line : result.codeLines)
        ASSERT_EQ(line.size(), 10) << line.toStdString();
}

struct FailureCase {
    const char* name;
    QStringList listing;
    QString message;
    QStringList partialCode;
    int errorRow;
};

void PrintTo(const FailureCase& c, std::ostream* os) {
    *os << c.name;
}

class ProgramCompilerFailure : public testing::TestWithParam<FailureCase> {};

TEST_P(ProgramCompilerFailure, StopsWithMessageAndPartialCode) {
    const FailureCase& c = GetParam();
    const CompileResult result = compileListing(c.listing);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.errorMessage, c.message);
    EXPECT_EQ(result.codeLines, c.partialCode);
    EXPECT_EQ(result.errorRow, c.errorRow);
    EXPECT_TRUE(result.statusText.isEmpty()); // the status bar keeps its text
}

INSTANTIATE_TEST_SUITE_P(
    Program, ProgramCompilerFailure,
    testing::Values(
        // The jump before the failing line still holds its label number: the
        // second pass never ran.
        FailureCase{"NotANumber", lines({"\tBeep", "L1:", "\tGoto L1:", "\tA = xyz", "\tEnd"}),
                    "'xyz' ist kein gültiger Integerwert", lines({"00  2D", "01  50  01"}), 3},
        FailureCase{"EmptyOperand", lines({"\tBeep", "\tA = "}), "'' ist kein gültiger Integerwert",
                    lines({"00  2D"}), 1},
        FailureCase{"LabelDigitNotHex", lines({"\tBeep", "Lx"}),
                    "'$x' ist kein gültiger Integerwert", lines({"00  2D"}), 1},
        FailureCase{"LoneL", lines({"L"}), "'$' ist kein gültiger Integerwert", {}, 0},
        FailureCase{
            "JumpToBadLabel", lines({"\tGoto Lz: x"}), "'$z' ist kein gültiger Integerwert", {}, 0},
        FailureCase{"OperandAbove255", lines({"\tBeep", "\tA = 999", "\tEnd"}),
                    "'999' liegt nicht im Bereich 0 bis 255", lines({"00  2D"}), 1},
        FailureCase{
            "OperandNegative", lines({"\tA = -1"}), "'-1' liegt nicht im Bereich 0 bis 255", {}, 0},
        FailureCase{"OperandJustAbove",
                    lines({"\tDelay = 256"}),
                    "'256' liegt nicht im Bereich 0 bis 255",
                    {},
                    0},
        FailureCase{"NegativeAndOperand",
                    lines({"\tA = A And -5"}),
                    "'-5' liegt nicht im Bereich 0 bis 255",
                    {},
                    0}),
    [](const testing::TestParamInfo<FailureCase>& info) { return std::string(info.param.name); });

TEST(ProgramCompilerBytes, CodeListPacksCodesAndOperands) {
    EXPECT_EQ(codeListBytes(lines({"00  2D", "01  50  00", "03  14  FF"})),
              QByteArray::fromHex("2d5000 14ff"));
    EXPECT_TRUE(codeListBytes({}).isEmpty());
}

TEST(ProgramCompilerBytes, BoundaryOperandsCompile) {
    const CompileResult result = compileListing(lines({"\tA = 0", "\tA = 255", "\tA = $FF"}));
    ASSERT_TRUE(result.ok);
    EXPECT_EQ(codeListBytes(result.codeLines), QByteArray::fromHex("1400 14ff 14ff"));
}

} // namespace
} // namespace zentor
