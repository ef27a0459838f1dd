#include "instruction_lookup.h"

#include <QLatin1StringView>

#include <cstdint>

namespace zentor {

namespace {

// A number operand may be at most this long; this is what keeps
// "A = A And 5" away from "A = .n".
constexpr qsizetype kMaxNumberOperand = 3;

QStringView withoutLeadingTab(QStringView line) {
    return line.startsWith(u'\t') ? line.mid(1) : line;
}

QLatin1StringView latin1(std::string_view text) {
    return QLatin1StringView(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

int hexDigitValue(QChar c) {
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return -1;
}

QString listOpText(const Instruction& instruction) {
    return latin1(instruction.pattern) + u'#' + QString::number(instruction.code);
}

QStringList listOpTexts() {
    QStringList texts;
    texts.reserve(static_cast<qsizetype>(kInstructionTable.size()));
    for (const Instruction& i : kInstructionTable)
        texts.append(listOpText(i));
    return texts;
}

std::optional<EntryParts> splitEntry(QStringView entry) {
    const qsizetype hash = entry.indexOf(u'#');
    if (hash < 0)
        return std::nullopt;
    const std::optional<int> code = toInteger(entry.mid(hash + 1, 3));
    if (!code)
        return std::nullopt;
    EntryParts parts;
    parts.code = *code;
    parts.text = entry.left(hash).toString();
    const qsizetype dot = parts.text.indexOf(u'.', 1);
    if (dot > 0) {
        parts.hasOperand = true;
        parts.prefix = parts.text.left(dot);
        parts.operandPosition = static_cast<int>(dot) + 1;
    }
    return parts;
}

std::optional<int> toInteger(QStringView text) {
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && text[i] == u' ')
        ++i;
    bool negative = false;
    if (i < n && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    bool hex = false;
    if (i < n && (text[i] == u'$' || text[i] == u'x' || text[i] == u'X')) {
        hex = true;
        ++i;
    } else if (i + 1 < n && text[i] == u'0' && (text[i + 1] == u'x' || text[i + 1] == u'X')) {
        hex = true;
        i += 2;
    }
    if (i == n)
        return std::nullopt; // no digits at all
    std::uint64_t value = 0;
    for (; i < n; ++i) {
        const int d = hexDigitValue(text[i]);
        if (d < 0 || (!hex && d > 9))
            return std::nullopt;
        value = value * (hex ? 16 : 10) + static_cast<std::uint64_t>(d);
        if (value > 0xFFFFFFFFull)
            return std::nullopt;
    }
    if (hex) {
        // Hexadecimal digits give the 32-bit pattern ("$FFFFFFFF" is -1).
        const auto bits = static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
        if (!negative)
            return bits;
        if (bits == INT32_MIN)
            return std::nullopt; // its negation does not fit
        return -bits;
    }
    if (negative) {
        if (value > 0x80000000ull)
            return std::nullopt;
        return static_cast<int>(-static_cast<std::int64_t>(value));
    }
    if (value > 0x7FFFFFFFull)
        return std::nullopt;
    return static_cast<int>(value);
}

QString conversionErrorMessage(const QString& text) {
    return QStringLiteral("'%1' ist kein gültiger Integerwert").arg(text);
}

std::optional<int> exactLookup(QStringView line) {
    const QStringView text = withoutLeadingTab(line);
    for (const Instruction& i : kInstructionTable)
        if (text == latin1(i.pattern))
            return i.code;
    return std::nullopt;
}

OperandLookup operandLookup(QStringView line) {
    const QStringView text = withoutLeadingTab(line);
    OperandLookup result;
    for (const Instruction& i : kInstructionTable) {
        if (!hasOperand(i))
            continue;
        const QLatin1StringView prefix = latin1(operandPrefix(i));
        if (!text.startsWith(prefix))
            continue;
        const QStringView operand = text.mid(prefix.size()).left(kMaxLabelOperand);
        if (operand.startsWith(u'L')) {
            if (text.size() > prefix.size() + kMaxLabelOperand)
                continue;
            result.code = i.code;
            result.labelReference = true;
            result.operandText = operand.toString();
            // The label number is the hexadecimal value of the character
            // after the "L"; whatever follows it is a comment.
            const QString digit = u'$' + operand.mid(1, 1).toString();
            const std::optional<int> value = toInteger(digit);
            if (!value) {
                result.outcome = OperandLookup::Outcome::ConversionError;
                result.failingText = digit;
                return result;
            }
            result.outcome = OperandLookup::Outcome::Match;
            result.value = *value;
            return result;
        }
        if (operand.size() > kMaxNumberOperand)
            continue;
        result.code = i.code;
        result.operandText = operand.toString();
        const std::optional<int> value = toInteger(operand);
        if (!value) {
            result.outcome = OperandLookup::Outcome::ConversionError;
            result.failingText = result.operandText;
            return result;
        }
        result.outcome = OperandLookup::Outcome::Match;
        result.value = *value;
        return result;
    }
    return result;
}

std::optional<QString> codeLookup(int code) {
    const Instruction* instruction = instructionForCode(code);
    if (!instruction)
        return std::nullopt;
    return listOpText(*instruction);
}

} // namespace zentor
