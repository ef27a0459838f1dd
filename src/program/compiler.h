// The compiler: listing lines in, code list and status text out. A pure
// function; the "Programm" page puts the result into Listcode and the status
// bar, and sets the jump palette from its own label combo box.
//
// Listing lines: label lines ("L", a hexadecimal label digit, a comment),
// instruction lines (one leading tab is ignored), and anything else, which is
// skipped without a message (comments, empty lines, unknown text).
//
// Code lines: "AA  CC" for an instruction without operand, "AA  CC  OO" with
// operand; address, code and operand as two upper-case hexadecimal digits.
// A jump's operand is its target address.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace zentor {

struct CompileResult {
    // False when a line stopped the compilation: an operand or label digit
    // that is no number, or a number operand outside 0 to 255.
    bool ok = true;
    // The code list. On failure: the lines produced before the failing line,
    // with jump operands still holding label numbers (the second pass, which
    // patches them, never ran).
    QStringList codeLines;
    // Program size in bytes (the address counter after the last line); on
    // failure the size of the partial code list.
    int size = 0;
    // The status-bar text: (124 - size) followed by " Bytes frei.", or
    // " Programm zu lang." when the program exceeds 124 bytes. Empty on
    // failure: the status bar then keeps its previous text.
    QString statusText;
    // On failure: the message for the error box, e.g.
    // "'xyz' ist kein gültiger Integerwert".
    QString errorMessage;
    // On failure: the 0-based listing row that stopped the compilation.
    int errorRow = -1;
};

// The message for a number operand outside 0 to 255; `text` is the operand
// as written.
QString rangeErrorMessage(const QString& text);

// Compiles the listing. Lines that equal an instruction text ("LED = 1")
// are instructions, not label definitions, even though they begin with "L".
// Labels 1 to 16 have an address slot; a definition of label 0 is ignored,
// and a jump to a label without slot (0, above 16, negative) or to an
// undefined label goes to address 0.
CompileResult compileListing(const QStringList& lines);

// The program bytes of a code list, packed in list order: the code from
// positions 5-6 and, for a line of exactly ten characters, the operand from
// positions 9-10. Lines whose fields are no hexadecimal numbers contribute
// nothing.
QByteArray codeListBytes(const QStringList& codeLines);

// Formats a code line (address and code, and the operand when >= 0). All
// values must be 0 to 255.
QString codeLine(int address, int code, int operand = -1);

} // namespace zentor
