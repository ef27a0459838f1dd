// The listing checker: what the compiler passes over without a word. The
// compiler skips a line it cannot read and sends a jump to a label that no
// line defines to address 0; a learner sees neither. The checker names each
// such line with a reason, for the marks in the listing and for
// "zentor-asm check". It changes nothing the compiler does.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <optional>

namespace zentor {

struct ListingFinding {
    enum class Kind {
        NoInstruction, // neither empty, comment, label nor an instruction: skipped
        MissingLabel,  // a jump to a label that no line defines: goes to address 0
        Unreadable,    // an operand or label digit that is no number: stops the compile
        OutOfRange,    // a number operand outside 0 to 255: stops the compile
        TooLong,       // the first instruction that no longer fits the 124 bytes
    };
    Kind kind;
    int row;        // 0-based listing row
    QString reason; // one German sentence, for a tool tip or a checker line
};

// Every finding of the listing, in row order; a row that no longer fits
// may carry a second one (TooLong).
QList<ListingFinding> checkListing(const QStringList& lines);

// The number of the label a line defines by the compiler's rule (after one
// leading tab an "L" and a hexadecimal digit, unless the line is an
// instruction text such as "LED = 1"); std::nullopt for any other line.
std::optional<int> definedLabel(QStringView line);

// The label number a jump line refers to ("\tGoto L1:" and "\tGoto 1" both
// give 1); std::nullopt for a line that is no readable jump.
std::optional<int> jumpLabel(QStringView line);

// The reasons the page shows as tool tips.
QString noInstructionReason();
QString missingLabelReason(int label);

// The note beside the status text for the marked lines of the listing
// (kinds NoInstruction and MissingLabel): "2 Zeilen ohne Befehl",
// "1 Zeile ohne Befehl, 1 Sprungziel fehlt"; empty when there are none.
QString findingsNote(const QList<ListingFinding>& findings);

} // namespace zentor
