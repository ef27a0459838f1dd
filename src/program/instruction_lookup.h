// The four operations on the instruction table, on listing text: splitting an
// entry, exact lookup, operand lookup and code lookup, plus the integer
// conversion the operand lookup uses. All are pure functions.
//
// Listing text is compared byte-exact (case-sensitive, blanks significant).
// Only one leading tab of a listing line is ignored.
#pragma once

#include "instruction_table.h"

#include <QString>
#include <QStringList>
#include <QStringView>

#include <optional>

namespace zentor {

// An entry as the hidden list ListOP holds it: pattern, "#", decimal code,
// for example "A = .n#20" or "End#88".
QString listOpText(const Instruction& instruction);
// All 54 entries in table order, in that form.
QStringList listOpTexts();

// An entry split into its parts.
struct EntryParts {
    int code = 0;
    QString text;            // everything before the first "#"
    bool hasOperand = false; // a "." after the first character of the text
    QString prefix;          // the text before that "."; empty without operand
    int operandPosition = 0; // 1-based position of the "."; 0 without operand
};

// Splits an entry text of the form pattern "#" code. The code is the integer
// value of the (at most three) characters after the first "#"; std::nullopt
// when there is no "#" or they are no number.
std::optional<EntryParts> splitEntry(QStringView entry);

// The integer conversion used for operands and label digits: optional
// leading blanks, an optional "+" or "-", then decimal digits, or hexadecimal
// digits after "$", "x", "X", "0x" or "0X". Nothing may follow the digits.
// std::nullopt when the text is no number or does not fit into 32 bits.
// The value of one hexadecimal digit (either case), or -1.
int hexDigitValue(QChar c);

std::optional<int> toInteger(QStringView text);

// The system's message for a failed integer conversion of `text`.
QString conversionErrorMessage(const QString& text);

// Exact lookup: the code of the first entry whose text equals the line in
// full (after removing one leading tab). Entries with a placeholder take part
// too. std::nullopt when no entry is equal.
std::optional<int> exactLookup(QStringView line);

// Result of the operand lookup.
struct OperandLookup {
    enum class Outcome {
        NoMatch,        // no entry with operand fits the line
        Match,          // `code` and `value` are valid
        ConversionError // the first fitting entry's operand is no number
    };
    Outcome outcome = Outcome::NoMatch;
    int code = 0;
    // The converted number, or for a label reference the label number (the
    // hexadecimal value of the character after the "L"). Not limited to a
    // byte: "A = -1" gives -1.
    int value = 0;
    bool labelReference = false;
    // The operand text as written (from the placeholder position on).
    QString operandText;
    // For ConversionError: the text that failed to convert ("$" and the
    // label character for a label reference).
    QString failingText;
};

// An operand that is a label reference may be this long after the prefix:
// the label line as written ("L1: " and its comment).
inline constexpr qsizetype kMaxLabelOperand = 100;
// The longest label comment whose label line still fits a jump's operand.
inline constexpr qsizetype kMaxLabelComment = kMaxLabelOperand - QStringView(u"L1: ").size();

// Operand lookup: scans the entries with a placeholder in table order. An
// operand text that begins with "L" is a label reference (line at most
// prefix + 100 characters long); any other operand text must be at most
// three characters long. The first fitting entry decides, even when its
// conversion fails.
OperandLookup operandLookup(QStringView line);

// Code lookup: the whole entry text of the first entry with this code
// ("End#88", "PWM = .n#51"). A byte that is no code of the table gives
// std::nullopt; callers decide how to show it (the disassembler ends the
// program there).
std::optional<QString> codeLookup(int code);

} // namespace zentor
