#include "compiler.h"

#include "instruction_lookup.h"

#include <array>
#include <vector>

namespace zentor {

namespace {

constexpr int kLabelSlots = 16;

QString hex2(int value) {
    return QStringLiteral("%1").arg(value, 2, 16, QChar(u'0')).toUpper();
}

// One instruction of the first pass. A jump keeps its label number as an int
// until the second pass, so that no label number (however large) ever
// passes through a two-digit field.
struct Emitted {
    int address;
    int code;
    bool hasOperand;
    int operand; // byte, or label number for a jump
};

// Addresses beyond one byte only occur in programs far too long to send; they
// wrap so that every code line keeps its form.
QString render(const Emitted& e, int operand) {
    return e.hasOperand ? codeLine(e.address & 0xFF, e.code, operand)
                        : codeLine(e.address & 0xFF, e.code);
}

} // namespace

QString rangeErrorMessage(const QString& text) {
    return QStringLiteral("'%1' liegt nicht im Bereich 0 bis 255").arg(text);
}

QString codeLine(int address, int code, int operand) {
    QString line = hex2(address) + QStringLiteral("  ") + hex2(code);
    if (operand >= 0)
        line += QStringLiteral("  ") + hex2(operand);
    return line;
}

CompileResult compileListing(const QStringList& lines) {
    CompileResult result;
    std::array<int, kLabelSlots> labelAddresses{};
    std::vector<Emitted> emitted;
    int address = 0;

    auto fail = [&](int row, const QString& message) {
        result.ok = false;
        result.errorRow = row;
        result.errorMessage = message;
        for (const Emitted& e : emitted)
            result.codeLines.append(render(e, e.operand));
        result.size = address;
        return result;
    };

    for (int row = 0; row < lines.size(); ++row) {
        const QString& line = lines[row];
        const QStringView text =
            line.startsWith(u'\t') ? QStringView(line).mid(1) : QStringView(line);
        const std::optional<int> exact = exactLookup(line);

        // A line that is an instruction text ("LED = 1") is never a label,
        // even though it begins with "L".
        if (text.startsWith(u'L') && !exact) {
            const QString digit = u'$' + text.mid(1, 1).toString();
            const std::optional<int> label = toInteger(digit);
            if (!label)
                return fail(row, conversionErrorMessage(digit));
            if (*label >= 1 && *label <= kLabelSlots)
                labelAddresses[static_cast<std::size_t>(*label - 1)] = address;
            continue;
        }
        if (exact) {
            emitted.push_back({address, *exact, false, 0});
            address += 1;
            continue;
        }
        const OperandLookup found = operandLookup(line);
        switch (found.outcome) {
        case OperandLookup::Outcome::NoMatch:
            continue;
        case OperandLookup::Outcome::ConversionError:
            return fail(row, conversionErrorMessage(found.failingText));
        case OperandLookup::Outcome::Match:
            break;
        }
        // A jump's operand is a label number whatever its form ("Goto 5" is
        // label 5); any other operand is the byte itself and must fit one.
        int operand = found.value;
        if (isJumpCode(found.code)) {
            // A label number without a slot is kept as 0, which also has
            // none: the jump goes to address 0 like one to an undefined label.
            if (operand < 1 || operand > kLabelSlots)
                operand = 0;
        } else if (operand < 0 || operand > 255) {
            return fail(row, rangeErrorMessage(found.operandText));
        }
        emitted.push_back({address, found.code, true, operand});
        address += 2;
    }

    result.size = address;
    result.statusText = address > kProgramCapacity ? QStringLiteral(" Programm zu lang.")
                                                   : QString::number(kProgramCapacity - address) +
                                                         QStringLiteral(" Bytes frei.");

    // Second pass: every label is known now, so forward jumps need nothing
    // special. A label number without a slot behaves like an undefined label.
    for (const Emitted& e : emitted) {
        int operand = e.operand;
        if (e.hasOperand && isJumpCode(e.code))
            operand = (e.operand >= 1 && e.operand <= kLabelSlots)
                          ? labelAddresses[static_cast<std::size_t>(e.operand - 1)]
                          : 0;
        result.codeLines.append(render(e, operand & 0xFF));
    }
    return result;
}

QByteArray codeListBytes(const QStringList& codeLines) {
    QByteArray bytes;
    for (const QString& line : codeLines) {
        bool ok = false;
        const int code = line.mid(4, 2).toInt(&ok, 16);
        if (!ok)
            continue;
        bytes.append(static_cast<char>(code));
        if (line.size() == 10) {
            const int operand = line.mid(8, 2).toInt(&ok, 16);
            if (ok)
                bytes.append(static_cast<char>(operand));
        }
    }
    return bytes;
}

} // namespace zentor
