#include "disassembler.h"

#include "compiler.h"
#include "instruction_table.h"
#include "qstring_print.h"

#include <QSet>

#include <gtest/gtest.h>

#include <random>
#include <set>

namespace zentor {
namespace {

QStringList lines(std::initializer_list<const char*> texts) {
    QStringList result;
    for (const char* t : texts)
        result.append(QString::fromUtf8(t));
    return result;
}

// A memory image: the given bytes, then zeros up to 128 cells.
QByteArray image(const QByteArray& bytes, char fill = 0) {
    QByteArray memory = bytes;
    memory.append(kMemoryCells - bytes.size(), fill);
    return memory;
}

QByteArray hex(const char* digits) {
    return QByteArray::fromHex(digits);
}

QByteArray compiledBytes(const QStringList& listing) {
    const CompileResult result = compileListing(listing);
    EXPECT_TRUE(result.ok) << result.errorMessage.toStdString();
    return codeListBytes(result.codeLines);
}

struct DisasmCase {
    const char* name;
    QByteArray memory;
    QStringList listing;
};

void PrintTo(const DisasmCase& c, std::ostream* os) {
    *os << c.name;
}

class ProgramDisassembler : public testing::TestWithParam<DisasmCase> {};

TEST_P(ProgramDisassembler, RendersListing) {
    const DisasmCase& c = GetParam();
    EXPECT_EQ(disassemble(c.memory).listing, c.listing);
}

INSTANTIATE_TEST_SUITE_P(
    Program, ProgramDisassembler,
    testing::Values(
        DisasmCase{"WorkedExample", image(hex("665A500058")),
                   lines({"L1: ", "\tA = A + 1", "\tDelay 1 ms", "\tGoto L1: ", "\tEnd"})},
        DisasmCase{"EndFirst", image(hex("582D2D")), lines({"\tEnd"})},
        DisasmCase{"OperandEightyEightIsNoEnd", image(hex("1458582D")),
                   lines({"\tA = 88", "\tEnd"})},
        DisasmCase{"NumberOperandIsNoTarget", image(hex("140558")), lines({"\tA = 5", "\tEnd"})},
        DisasmCase{"TwoJumpsOneLabel", image(hex("2D50015101 58")),
                   lines({"\tBeep", "L1: ", "\tGoto L1: ", "\tGosub L1: ", "\tEnd"})},
        // Targets 4 and 12.
        DisasmCase{
            "TargetsFourAndTwelve", image(hex("550C 2D 2D 2D 1401 1402 1403 2D 2D 5004 58")),
            lines({"\tIf A = B Goto L2: ", "\tBeep", "\tBeep", "L1: ", "\tBeep", "\tA = 1",
                   "\tA = 2", "\tA = 3", "\tBeep", "L2: ", "\tBeep", "\tGoto L1: ", "\tEnd"})},
        DisasmCase{"AllPlainKinds", image(hex("2A2B2C3F2E5A 1A 2F 3F 58")),
                   lines({"\tLED = 1", "\tLED = 0", "\tLED = Blink", "\tInput A", "\tPrint A",
                          "\tDelay 1 ms", "\tA = C", "\tPdir = A", "\tInput A", "\tEnd"})},
        // A zero cell is no code: the program ends there.
        DisasmCase{"EmptyMemory", image({}), {}},
        DisasmCase{"NoCodeEndsProgram", image(hex("2D2D FF 2D 58")), lines({"\tBeep", "\tBeep"})},
        // A subroutine after the main part's "End" comes back, but the
        // leftovers after its "Return" do not.
        DisasmCase{"SubroutineAfterEnd", image(hex("5104 2D 58 2C 52 2D 2D 58")),
                   lines({"\tGosub L1: ", "\tBeep", "\tEnd", "L1: ", "\tLED = Blink", "\tReturn"})},
        DisasmCase{"TwoSubroutinesAfterEnd", image(hex("5105 5107 58 2D 52 2E 52 2D")),
                   lines({"\tGosub L1: ", "\tGosub L2: ", "\tEnd", "L1: ", "\tBeep", "\tReturn",
                          "L2: ", "\tPrint A", "\tReturn"})},
        DisasmCase{"JumpInsideSubroutineLeadsOn", image(hex("5103 58 5506 52 2D 52 2D")),
                   lines({"\tGosub L1: ", "\tEnd", "L1: ", "\tIf A = B Goto L2: ", "\tReturn",
                          "L2: ", "\tBeep", "\tReturn"})},
        DisasmCase{"LabelAfterLastInstruction", image(hex("500358")),
                   lines({"\tGoto L1: ", "\tEnd", "L1: "})},
        // Targets that are no instruction address name no label.
        DisasmCase{"TargetInsideInstruction", image(hex("1405 5001 58")),
                   lines({"\tA = 5", "\tGoto L0: kein Befehl bei $01", "\tEnd"})},
        DisasmCase{"TargetBeyondMemory", image(hex("2D 507E 58")),
                   lines({"\tBeep", "\tGoto L0: kein Befehl bei $7E", "\tEnd"})},
        DisasmCase{"TargetIntoEmptyCells", image(hex("5006 58 2D")),
                   lines({"\tGoto L0: kein Befehl bei $06", "\tEnd", "\tBeep"})},
        DisasmCase{"UnresolvedDoesNotShiftLabels", image(hex("5001 5005 2D 2D 58")),
                   lines({"\tGoto L0: kein Befehl bei $01", "\tGoto L1: ", "\tBeep",
                          "L1: ", "\tBeep", "\tEnd"})}),
    [](const testing::TestParamInfo<DisasmCase>& info) { return std::string(info.param.name); });

TEST(ProgramDisassemblerCode, CodeLinesKeepStoredTargets) {
    const Disassembly d = disassemble(image(hex("665A500058")));
    EXPECT_EQ(d.codeLines, lines({"00  66", "01  5A", "02  50  00", "04  58"}));
    EXPECT_EQ(d.labelLines, lines({"L1: "}));
    EXPECT_TRUE(d.unresolvedTargets.isEmpty());
}

TEST(ProgramDisassemblerCode, ProgramWithoutEndRunsToAddress123) {
    QByteArray memory(kProgramCapacity, '\x2D');
    memory.append(hex("07000000"));
    const Disassembly d = disassemble(memory);
    ASSERT_EQ(d.listing.size(), 124);
    EXPECT_EQ(d.codeLines.last(), "7B  2D");

    // An instruction at 123 takes its operand from cell 124.
    memory[123] = '\x14';
    const Disassembly withOperand = disassemble(memory);
    EXPECT_EQ(withOperand.codeLines.last(), "7B  14  07");
    EXPECT_EQ(withOperand.listing.last(), "\tA = 7");
}

TEST(ProgramDisassemblerCode, ShortImageCountsMissingCellsAsZero) {
    EXPECT_EQ(disassemble(hex("2D")).listing, lines({"\tBeep"}));
    EXPECT_EQ(disassemble(hex("14")).listing, lines({"\tA = 0"}));
}

TEST(ProgramDisassemblerLabels, MoreThanNineTargetsUseHexDigits) {
    // Eleven jumps, each to the instruction after it.
    QByteArray bytes;
    for (int k = 0; k < 11; ++k)
        bytes.append(hex("50")).append(static_cast<char>(2 * k + 2));
    bytes.append(hex("58"));
    const Disassembly d = disassemble(image(bytes));
    EXPECT_EQ(d.labelLines, lines({"L1: ", "L2: ", "L3: ", "L4: ", "L5: ", "L6: ", "L7: ", "L8: ",
                                   "L9: ", "LA: ", "LB: "}));
    EXPECT_EQ(d.listing[18], "\tGoto LA: ");
    EXPECT_EQ(compiledBytes(d.listing), bytes);
}

TEST(ProgramDisassemblerLabels, SixteenthTargetNamesNoLabel) {
    QByteArray bytes;
    for (int k = 0; k < 16; ++k)
        bytes.append(hex("50")).append(static_cast<char>(2 * k + 2));
    bytes.append(hex("58"));
    const Disassembly d = disassemble(image(bytes));
    ASSERT_EQ(d.labelLines.size(), 15);
    EXPECT_EQ(d.labelLines.last(), "LF: ");
    EXPECT_EQ(d.unresolvedTargets, QList<int>{32});
    EXPECT_TRUE(d.listing.contains(QStringLiteral("\tGoto L0: kein Label frei für $20")));
    // Everything else keeps its address; only that jump goes to 0.
    QByteArray expected = bytes;
    expected[31] = 0;
    EXPECT_EQ(compiledBytes(d.listing), expected);
}

TEST(ProgramDisassemblerLabels, UnresolvedTargetAddsNoLabelLine) {
    const Disassembly d = disassemble(image(hex("1405 5001 5004 58")));
    EXPECT_EQ(d.unresolvedTargets, QList<int>{1});
    EXPECT_EQ(d.labelLines, lines({"L1: "}));
    EXPECT_EQ(compiledBytes(d.listing), hex("1405 5000 5004 58"));
}

// Programs the compiler can produce, at random: a main part with labels and
// jumps, and then either nothing, "End", "End" with subroutines that the main
// part calls, or "End" and a label after it.
class ProgramGenerator {
public:
    explicit ProgramGenerator(unsigned seed) : m_rng(seed) {
        for (const Instruction& i : kInstructionTable) {
            if (isJumpCode(i.code))
                m_jumps.push_back(&i);
            else if (hasOperand(i))
                m_numbers.push_back(&i);
            else if (i.code != op::kEnd)
                m_plain.push_back(&i);
        }
    }

    struct Program {
        QStringList listing;
        bool needsEmptyTail; // the code after it must not look like code
    };

    Program next() {
        for (;;) {
            Program p = attempt();
            const CompileResult result = compileListing(p.listing);
            if (result.ok && result.size <= kProgramCapacity)
                return p;
        }
    }

private:
    int pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(m_rng); }
    bool chance(int percent) { return pick(1, 100) <= percent; }
    static QString digit(int label) { return QString::number(label, 16).toUpper(); }

    QString labelDefinition(int label) {
        switch (pick(0, 3)) {
        case 0:
            return u'L' + digit(label);
        case 1:
            return QStringLiteral("\tL") + digit(label) + u':';
        default:
            return u'L' + digit(label) + QStringLiteral(": Marke");
        }
    }

    QString jumpTo(const Instruction& jump, int label) {
        const QString prefix = QString::fromLatin1(
            operandPrefix(jump).data(), static_cast<qsizetype>(operandPrefix(jump).size()));
        if (chance(20))
            return u'\t' + prefix + QString::number(label);
        return u'\t' + prefix + u'L' + digit(label) +
               (chance(50) ? QStringLiteral(": Marke") : QStringLiteral(":"));
    }

    QString instruction(bool inSubroutine) {
        const int kind = pick(0, 9);
        if (kind < 5) {
            const Instruction* i =
                m_plain[static_cast<std::size_t>(pick(0, static_cast<int>(m_plain.size()) - 1))];
            if (inSubroutine && i->code == op::kReturn)
                return QStringLiteral("\tBeep");
            return u'\t' + QString::fromLatin1(i->pattern.data(),
                                               static_cast<qsizetype>(i->pattern.size()));
        }
        if (kind < 8) {
            const Instruction* i = m_numbers[static_cast<std::size_t>(
                pick(0, static_cast<int>(m_numbers.size()) - 1))];
            const QString prefix = QString::fromLatin1(
                operandPrefix(*i).data(), static_cast<qsizetype>(operandPrefix(*i).size()));
            const int value = pick(0, 255);
            switch (pick(0, 5)) {
            case 0:
                return u'\t' + prefix + u'$' +
                       QStringLiteral("%1").arg(value, 2, 16, QChar(u'0')).toUpper();
            case 1:
                return u'\t' + prefix + u'L' + digit(pick(1, 15)) + u':';
            default:
                return u'\t' + prefix + QString::number(value);
            }
        }
        const Instruction* jump =
            m_jumps[static_cast<std::size_t>(pick(0, static_cast<int>(m_jumps.size()) - 1))];
        if (inSubroutine && jump->code == op::kGoto)
            jump = instructionForCode(op::kGosub);
        return jumpTo(*jump, pick(1, 14)); // labels nobody defines go to 0
    }

    Program attempt() {
        Program p{{}, false};
        const int mode = pick(0, 3); // no End, End, subroutines, label after End
        std::vector<int> numbers{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14};
        std::shuffle(numbers.begin(), numbers.end(), m_rng);

        const int count = pick(0, 30);
        for (int k = 0; k < count; ++k)
            p.listing.append(instruction(false));
        for (int k = 0, labels = pick(0, 8); k < labels; ++k) {
            const int label = numbers[static_cast<std::size_t>(k % 8)]; // may repeat
            p.listing.insert(pick(0, static_cast<int>(p.listing.size())), labelDefinition(label));
        }
        if (mode == 0) {
            p.needsEmptyTail = true;
            return p;
        }
        QStringList after;
        if (mode == 2) {
            for (int s = 0, subs = pick(1, 3); s < subs; ++s) {
                const int label = numbers[static_cast<std::size_t>(8 + s)];
                p.listing.insert(pick(0, static_cast<int>(p.listing.size())),
                                 jumpTo(*instructionForCode(op::kGosub), label));
                after.append(labelDefinition(label));
                for (int k = 0, body = pick(0, 6); k < body; ++k)
                    after.append(instruction(true));
                after.append(QStringLiteral("\tReturn"));
            }
        }
        if (mode == 3) {
            const int label = numbers[12];
            p.listing.insert(pick(0, static_cast<int>(p.listing.size())),
                             jumpTo(*m_jumps[static_cast<std::size_t>(pick(0, 6))], label));
            after.append(labelDefinition(label));
            p.needsEmptyTail = true;
        }
        p.listing.append(QStringLiteral("\tEnd"));
        p.listing += after;
        return p;
    }

    std::mt19937 m_rng;
    std::vector<const Instruction*> m_plain;
    std::vector<const Instruction*> m_numbers;
    std::vector<const Instruction*> m_jumps;
};

TEST(ProgramRoundTrip, GeneratedProgramsComeBackAsTheSameBytes) {
    ProgramGenerator generator(20240601u);
    std::mt19937 tail(7u);
    std::set<int> codesSeen;
    for (int n = 0; n < 3000; ++n) {
        const ProgramGenerator::Program p = generator.next();
        const QByteArray bytes = compiledBytes(p.listing);
        for (const QString& line : compileListing(p.listing).codeLines)
            codesSeen.insert(line.mid(4, 2).toInt(nullptr, 16));

        const Disassembly d = disassemble(image(bytes));
        const CompileResult again = compileListing(d.listing);
        ASSERT_TRUE(again.ok) << again.errorMessage.toStdString();
        ASSERT_EQ(codeListBytes(again.codeLines), bytes) << "program " << n << ":\n"
                                                         << p.listing.join(u'\n').toStdString();
        EXPECT_TRUE(d.unresolvedTargets.isEmpty());
        // Reading back what the listing compiles to gives the same listing.
        ASSERT_EQ(disassemble(image(codeListBytes(again.codeLines))).listing, d.listing);

        if (!p.needsEmptyTail) {
            // Whatever older programs left behind after the end stays out.
            QByteArray memory = bytes;
            while (memory.size() < kMemoryCells)
                memory.append(static_cast<char>(tail() & 0xFF));
            ASSERT_EQ(compiledBytes(disassemble(memory).listing), bytes)
                << "program " << n << ":\n"
                << p.listing.join(u'\n').toStdString();
        }
    }
    EXPECT_EQ(codesSeen.size(), kInstructionTable.size());
}

// Any memory, however odd, gives a listing that compiles without an error
// to the decoded bytes; only jumps whose target carries no label change, and
// they go to address 0.
TEST(ProgramRoundTrip, AnyMemoryGivesACompilableListing) {
    std::mt19937 rng(99u);
    auto below = [&rng](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    for (int n = 0; n < 3000; ++n) {
        QByteArray memory;
        while (memory.size() < kMemoryCells) {
            if (below(100) < 3) {
                memory.append(static_cast<char>(below(256))); // mostly no code
            } else {
                const Instruction& i = kInstructionTable[static_cast<std::size_t>(
                    below(static_cast<int>(kInstructionTable.size())))];
                memory.append(static_cast<char>(i.code));
                if (isJumpCode(i.code))
                    memory.append(static_cast<char>(below(4) == 0 ? below(256) : below(40)));
                else if (hasOperand(i))
                    memory.append(static_cast<char>(below(256)));
            }
        }
        memory.truncate(kMemoryCells);

        const Disassembly d = disassemble(memory);
        const CompileResult result = compileListing(d.listing);
        ASSERT_TRUE(result.ok) << result.errorMessage.toStdString();

        QByteArray expected = codeListBytes(d.codeLines);
        ASSERT_EQ(expected, memory.left(expected.size()));
        qsizetype at = 0;
        for (const QString& line : d.codeLines) {
            const int code = line.mid(4, 2).toInt(nullptr, 16);
            const int target = line.size() == 10 ? line.mid(8, 2).toInt(nullptr, 16) : -1;
            if (isJumpCode(code) && d.unresolvedTargets.contains(target))
                expected[at + 1] = 0;
            at += line.size() == 10 ? 2 : 1;
        }
        ASSERT_EQ(codeListBytes(result.codeLines), expected) << d.listing.join(u'|').toStdString();
        // Every label line marks a distinct label.
        const QStringList labels = d.labelLines;
        ASSERT_EQ(QSet<QString>(labels.begin(), labels.end()).size(), labels.size());
    }
}

TEST(ProgramRoundTrip, EveryOpcodeWithBoundaryOperands) {
    for (const Instruction& i : kInstructionTable) {
        const QString pattern =
            QString::fromLatin1(i.pattern.data(), static_cast<qsizetype>(i.pattern.size()));
        const QString prefix = QString::fromLatin1(operandPrefix(i).data(),
                                                   static_cast<qsizetype>(operandPrefix(i).size()));
        std::vector<QStringList> programs;
        if (i.code == op::kEnd) {
            programs.push_back({u'\t' + pattern});
        } else if (!hasOperand(i)) {
            programs.push_back({u'\t' + pattern, QStringLiteral("\tEnd")});
        } else if (isJumpCode(i.code)) {
            programs.push_back({QStringLiteral("L1:"), u'\t' + prefix + QStringLiteral("L1:"),
                                QStringLiteral("\tEnd")});
            programs.push_back({QStringLiteral("\tBeep"), u'\t' + prefix + QStringLiteral("L2:"),
                                QStringLiteral("L2:"), QStringLiteral("\tEnd")});
        } else {
            for (const char* value : {"0", "88", "255", "$2D"})
                programs.push_back(
                    {u'\t' + prefix + QString::fromLatin1(value), QStringLiteral("\tEnd")});
        }
        for (const QStringList& listing : programs) {
            const QByteArray bytes = compiledBytes(listing);
            ASSERT_TRUE(bytes.contains(static_cast<char>(i.code))) << i.pattern;
            EXPECT_EQ(compiledBytes(disassemble(image(bytes)).listing), bytes)
                << listing.join(u'|').toStdString();
        }
    }
}

} // namespace
} // namespace zentor
