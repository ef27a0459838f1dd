// The label pool of the listing editor as a model without widgets: the
// twelve label keys "L1:" .. "LC:", split between the free keys (mirrored
// into ListBox13) and the label lines used as jump targets (mirrored into
// ComboBox7). Both lists are kept sorted without regard to letter case, and
// every lookup in them ignores letter case, as the two controls do. Each list
// has a selected row (-1 for none).
//
// Also the listing-editor rules that need no widgets: whether a line may be
// deleted, the number-field conversion ByteText and the three-character limit
// of the number fields.
#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace zentor {

// The twelve label keys in their initial order.
QStringList allLabelKeys();

class LabelPool {
public:
    // All twelve keys free ("L1:" selected), no jump target.
    LabelPool();

    // ListBox13: the free keys, sorted.
    const QStringList& freeKeys() const { return m_free; }
    int freeSelection() const { return m_freeSelection; }
    // The selected free key; empty when none.
    QString selectedFreeKey() const;
    void selectFreeKey(int row);

    // ComboBox7: the label lines of the listing, sorted.
    const QStringList& targets() const { return m_targets; }
    int targetSelection() const { return m_targetSelection; }
    // The text of the selected jump target; empty when none.
    QString currentTarget() const;
    void selectTarget(int row);

    // Back to the initial state: no target, all twelve keys free, the first
    // one selected.
    void ResetLabelPool();

    // Adds every line of the listing that begins with "L" to the targets and
    // removes its first three characters from the free keys (when there);
    // a line that is an instruction text ("LED = 1") is no label line.
    // Neither empties the targets nor refills the free keys; a caller that
    // replaces the listing calls ResetLabelPool() first. Then selects the
    // first free key and the last target.
    void LabelUpdate(const QStringList& listing);

    // The label line the editor builds from the selected free key and a
    // comment: key, a blank, comment ("L1: Start", "L3: "). Empty when no
    // key is free.
    QString labelLineFor(const QString& comment) const;

    // After a label line was inserted into the listing: the line becomes a
    // target and the selected one; the selected free key leaves the free
    // list, whose first entry becomes selected.
    void placeLabel(const QString& labelLine);

    // After the line `line` was deleted from the listing (`remaining` is the
    // listing without it). A label line returns its key to the free list
    // (sorted, the first free key becomes selected) and leaves the targets
    // (the last target becomes selected). The key is the line's first three
    // characters when its first ":" is the third character, otherwise the
    // whole line; it is only returned when it is one of the twelve keys, is
    // not free already and no remaining label line still uses it, so that
    // the free list never offers a key twice or a text that is no label.
    void lineDeleted(const QString& line, const QStringList& remaining);

private:
    QStringList m_free;
    int m_freeSelection = -1;
    QStringList m_targets;
    int m_targetSelection = -1;
};

// True when the line at `row` may not be deleted because another line holds
// its text from the third character on (a jump naming the label line), or
// because it is a label line and a jump refers to its label number in any
// form ("\tGoto L1:", "\tGoto 1"): the editor then shows "Label wird noch
// benutzt!". An empty line is never held.
bool labelStillUsed(const QStringList& listing, int row);

// The message for a refused deletion.
QString labelInUseMessage();

// ByteText: a number field's text as the decimal byte it contributes.
// Leading blanks, an optional sign, an optional "$", "X" or "0X" (any case)
// for hexadecimal digits, then digits; reading stops at the first other
// character. The low eight bits of the value in decimal ("300" gives "44",
// "-1" gives "255", "" gives "0").
QString ByteText(const QString& text);

// How a palette or number field builds its listing line (its integer tag).
enum class InsertionKind {
    Plain = 1,       // tab + entry
    Jump = 2,        // tab + entry + the text of ComboBox7
    Label = 3,       // entry + blank + the text of Edit3
    Comment = 5,     // tab + "Rem" + blank + the text of Edit3
    ConstantRow = 6, // tab + entry + ByteText of the row's number field
    NumberField = 7  // tab + the row's entry + ByteText of the field
};

// The line an insertion builds. `entry` is the selected palette entry (for a
// number field, the entry of its row in ListBox3); `extra` is the jump
// target, the comment or the number field's text, by kind. A palette without
// a selected entry (empty `entry`) builds no line: std::nullopt.
std::optional<QString> buildListingLine(InsertionKind kind, const QString& entry,
                                        const QString& extra);

// The number-field limit to three characters, applied after every change.
struct LimitedField {
    QString text;
    int caret;
};
// `caret` is the number of characters before the caret.
LimitedField limitNumberField(const QString& text, int caret);

} // namespace zentor
