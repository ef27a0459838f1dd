// The instruction lookups on any line: exact lookup, operand lookup, entry
// splitting, code lookup and the integer conversion.
#include "fuzz_support.h"

#include "instruction_lookup.h"
#include "instruction_table.h"

#include <cstring>

namespace {

const zentor::Instruction* entry(int code) {
    return zentor::instructionForCode(code);
}

QStringView withoutTab(const QString& line) {
    return line.startsWith(u'\t') ? QStringView(line).mid(1) : QStringView(line);
}

void checkExact(const QString& line) {
    const std::optional<int> code = zentor::exactLookup(line);
    if (!code)
        return;
    // The line (without its tab) is the entry's text in full.
    const std::optional<QString> text = zentor::codeLookup(*code);
    FUZZ_CHECK(text.has_value());
    FUZZ_CHECK(*text == withoutTab(line).toString() + u'#' + QString::number(*code));
}

void checkOperand(const QString& line) {
    const zentor::OperandLookup found = zentor::operandLookup(line);
    if (found.outcome == zentor::OperandLookup::Outcome::NoMatch)
        return;
    const zentor::Instruction* i = entry(found.code);
    FUZZ_CHECK(i != nullptr);
    FUZZ_CHECK(zentor::hasOperand(*i));
    const std::string_view prefix = zentor::operandPrefix(*i);
    const QStringView text = withoutTab(line);
    FUZZ_CHECK(text.startsWith(QLatin1StringView(prefix.data(), qsizetype(prefix.size()))));
    FUZZ_CHECK(found.operandText == text.mid(qsizetype(prefix.size())).left(100).toString());

    if (found.outcome == zentor::OperandLookup::Outcome::ConversionError) {
        FUZZ_CHECK(!zentor::toInteger(found.failingText).has_value());
        return;
    }
    if (found.labelReference) {
        // One hexadecimal digit after the "L".
        FUZZ_CHECK(found.operandText.startsWith(u'L'));
        FUZZ_CHECK(found.value >= 0 && found.value <= 15);
    } else {
        FUZZ_CHECK(found.operandText.size() <= 3);
        FUZZ_CHECK(zentor::toInteger(found.operandText) == found.value);
    }
}

void checkSplit(const QString& line) {
    const std::optional<zentor::EntryParts> parts = zentor::splitEntry(line);
    if (!parts)
        return;
    const qsizetype hash = line.indexOf(u'#');
    FUZZ_CHECK(hash >= 0);
    FUZZ_CHECK(parts->text == line.left(hash));
    if (parts->hasOperand) {
        FUZZ_CHECK(parts->operandPosition >= 2);
        FUZZ_CHECK(parts->text.at(parts->operandPosition - 1) == u'.');
        FUZZ_CHECK(parts->prefix == parts->text.left(parts->operandPosition - 1));
    } else {
        FUZZ_CHECK(parts->operandPosition == 0 && parts->prefix.isEmpty());
    }
}

// Every 32-bit value comes back from its decimal and hexadecimal texts.
void checkIntegerTexts(const std::uint8_t* data, std::size_t size) {
    if (size < 4)
        return;
    std::int32_t n = 0;
    std::memcpy(&n, data, sizeof n);
    FUZZ_CHECK(zentor::toInteger(QString::number(n)) == n);
    const QString hex = QString::number(static_cast<std::uint32_t>(n), 16);
    FUZZ_CHECK(zentor::toInteger(u'$' + hex) == n);
    FUZZ_CHECK(zentor::toInteger(QStringLiteral("0X") + hex.toUpper()) == n);
    FUZZ_CHECK(zentor::toInteger(QStringLiteral("   ") + QString::number(n)) == n);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString line = fuzz::textOf(data, size);
    checkExact(line);
    checkOperand(line);
    checkSplit(line);
    checkExact(u'\t' + line);
    checkOperand(u'\t' + line);

    const std::optional<int> value = zentor::toInteger(line);
    if (value) {
        // A number converts the same with leading blanks before it.
        FUZZ_CHECK(zentor::toInteger(QStringLiteral("  ") + line) == value);
    }
    checkIntegerTexts(data, size);

    if (size > 0) {
        const std::optional<QString> text = zentor::codeLookup(data[0]);
        FUZZ_CHECK(text.has_value() == (entry(data[0]) != nullptr));
        if (text) {
            const std::optional<zentor::EntryParts> parts = zentor::splitEntry(*text);
            FUZZ_CHECK(parts && parts->code == data[0]);
        }
    }
    return 0;
}
