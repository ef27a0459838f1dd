// The disassembler: the board's memory image back to a listing. Pure; the
// "Programm" page reads the 128 cells over the serial line, calls
// disassemble(), puts the listing into ListBox1, rebuilds the label pool from
// it and compiles it.
//
// Where the program ends. The image is decoded instruction by instruction
// from address 0, never past address 123 (an instruction at 123 takes its
// operand from cell 124):
//  - "End" ends the program, unless a jump seen so far targets an address
//    after it (a subroutine placed after the main part); then decoding goes
//    on, and after the first "End" each "End", "Return" and "Goto" ends the
//    program once no jump seen so far targets an address beyond it. So a
//    main part, "End" and subroutines ending in "Return" come back whole,
//    while leftovers of older programs after the last reachable instruction
//    do not.
//  - A byte that is no code of the table ends the program at that address,
//    without a line for it. The compiler never produces such a byte inside a
//    program; after a program without "End" the cells usually hold 0 (never a
//    code), and memory that holds logger values rather than a program gives a
//    short listing instead of a page of nonsense.
//
// Labels. Each distinct jump target that is the address of a decoded
// instruction, or the address just after the last one (a label after the
// last instruction), gets a label line "L1: ", "L2: ", ... in ascending
// address order, using the hexadecimal digits the compiler reads: the tenth
// label is "LA: ", up to "LF: " for the fifteenth. The label line stands
// directly above its instruction (or at the end), and every jump to it names
// it ("\tGoto L1: ").
//
// A target that cannot carry a label (inside a two-byte instruction, beyond
// the decoded program, or a sixteenth distinct target) names no label: the
// jump line reads e.g. "\tGoto L0: kein Befehl bei $05" or
// "\tGoto L0: kein Label frei für $05". Label 0 has no slot, so compiling that
// line gives a jump to address 0; the instruction keeps its size and every
// other address stays right.
//
// Round trip: for every program the compiler produces (with at most 15
// distinct jump targets, and code after the first "End" reachable through a
// jump target), compiling the listing gives the same bytes again.
#pragma once

#include <QByteArray>
#include <QList>
#include <QStringList>

namespace zentor {

struct Disassembly {
    // One code line per decoded instruction in the form of the compiler's
    // code list; a jump's operand is its target address as stored.
    QStringList codeLines;
    // The listing: label lines and tab-indented instruction lines.
    QStringList listing;
    // The label lines inserted ("L1: ", ...), in listing order.
    QStringList labelLines;
    // Jump targets that could not carry a label, ascending.
    QList<int> unresolvedTargets;
};

// Decodes a memory image of up to 128 cells (missing cells count as 0,
// cells beyond 128 are ignored).
Disassembly disassemble(const QByteArray& image);

} // namespace zentor
