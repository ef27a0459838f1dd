#include "disassembler.h"

#include "compiler.h"
#include "instruction_table.h"

#include <QLatin1StringView>

#include <algorithm>
#include <array>
#include <map>
#include <vector>

namespace zentor {

namespace {

// Label numbers the compiler can read from one hexadecimal digit.
constexpr int kMaxLabels = 15;

struct Decoded {
    int address;
    const Instruction* instruction;
    int operand; // -1 without operand
};

QLatin1StringView latin1(std::string_view text) {
    return QLatin1StringView(text.data(), static_cast<qsizetype>(text.size()));
}

QString labelLine(int number) {
    return u'L' + QString::number(number, 16).toUpper() + QStringLiteral(": ");
}

QString hex2(int value) {
    return QStringLiteral("%1").arg(value, 2, 16, QChar(u'0')).toUpper();
}

bool endsFlow(int code) {
    return code == op::kEnd || code == op::kReturn || code == op::kGoto;
}

std::vector<Decoded> decode(const std::array<int, kMemoryCells>& memory) {
    std::vector<Decoded> decoded;
    int a = 0;
    int farthestTarget = -1; // highest jump target below the capacity seen so far
    bool pastFirstEnd = false;
    while (a < kProgramCapacity) {
        const Instruction* instruction = instructionForCode(memory[static_cast<std::size_t>(a)]);
        if (!instruction)
            break;
        const int length = instructionLength(*instruction);
        const int operand = hasOperand(*instruction) ? memory[static_cast<std::size_t>(a + 1)] : -1;
        decoded.push_back({a, instruction, operand});
        if (isJumpCode(instruction->code) && operand < kProgramCapacity)
            farthestTarget = std::max(farthestTarget, operand);
        const int next = a + length;
        const bool stopsHere =
            instruction->code == op::kEnd || (pastFirstEnd && endsFlow(instruction->code));
        if (stopsHere) {
            if (farthestTarget < next)
                break;
            pastFirstEnd = true;
        }
        a = next;
    }
    return decoded;
}

} // namespace

Disassembly disassemble(const QByteArray& image) {
    std::array<int, kMemoryCells> memory{};
    for (int k = 0; k < kMemoryCells && k < image.size(); ++k)
        memory[static_cast<std::size_t>(k)] = static_cast<unsigned char>(image[k]);

    const std::vector<Decoded> decoded = decode(memory);
    const int endAddress =
        decoded.empty() ? 0
                        : decoded.back().address + instructionLength(*decoded.back().instruction);

    Disassembly result;
    std::vector<int> targets;
    for (const Decoded& d : decoded) {
        result.codeLines.append(d.operand >= 0 ? codeLine(d.address, d.instruction->code, d.operand)
                                               : codeLine(d.address, d.instruction->code));
        if (isJumpCode(d.instruction->code))
            targets.push_back(d.operand);
    }
    std::sort(targets.begin(), targets.end());
    targets.erase(std::unique(targets.begin(), targets.end()), targets.end());

    // Label numbers go to the targets that can carry a label, in ascending
    // address order; the others are remembered with the reason.
    std::map<int, int> labelAt;        // address -> label number
    std::map<int, QString> unresolved; // address -> jump operand text
    for (int target : targets) {
        const bool isInstruction =
            std::any_of(decoded.begin(), decoded.end(),
                        [target](const Decoded& d) { return d.address == target; });
        if ((isInstruction || target == endAddress) && labelAt.size() < kMaxLabels) {
            const int number = static_cast<int>(labelAt.size()) + 1;
            labelAt[target] = number;
        } else {
            unresolved[target] = (isInstruction || target == endAddress)
                                     ? QStringLiteral("L0: kein Label frei für $") + hex2(target)
                                     : QStringLiteral("L0: kein Befehl bei $") + hex2(target);
            result.unresolvedTargets.append(target);
        }
    }

    auto placeLabel = [&](int address) {
        const auto it = labelAt.find(address);
        if (it == labelAt.end())
            return;
        result.listing.append(labelLine(it->second));
        result.labelLines.append(labelLine(it->second));
    };

    for (const Decoded& d : decoded) {
        placeLabel(d.address);
        const Instruction& i = *d.instruction;
        QString line(u'\t');
        if (d.operand < 0) {
            line += latin1(i.pattern);
        } else {
            line += latin1(operandPrefix(i));
            if (!isJumpCode(i.code))
                line += QString::number(d.operand);
            else if (const auto it = labelAt.find(d.operand); it != labelAt.end())
                line += labelLine(it->second);
            else
                line += unresolved[d.operand];
        }
        result.listing.append(line);
    }
    placeLabel(endAddress);
    return result;
}

} // namespace zentor
