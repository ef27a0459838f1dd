#include "listing_check.h"

#include "compiler.h"
#include "instruction_lookup.h"
#include "instruction_table.h"

#include <QSet>

namespace zentor {

namespace {

constexpr int kLabelSlots = 16;

QStringView withoutLeadingTab(QStringView line) {
    return line.startsWith(u'\t') ? line.mid(1) : line;
}

bool isComment(QStringView text) {
    return text.startsWith(u"Rem");
}

QString labelName(int label) {
    return u'L' + QString::number(label, 16).toUpper();
}

QString tooLongReason(int size) {
    return QStringLiteral("Programm zu lang: %1 Bytes, die Platine fasst %2.")
        .arg(size)
        .arg(kProgramCapacity);
}

} // namespace

QString noInstructionReason() {
    return QStringLiteral("Diese Zeile kennt die Platine nicht; sie wird übersprungen.");
}

QString missingLabelReason(int label) {
    return QStringLiteral("Sprungziel %1 fehlt; der Sprung geht an den Anfang.")
        .arg(labelName(label));
}

std::optional<int> definedLabel(QStringView line) {
    const QStringView text = withoutLeadingTab(line);
    if (!text.startsWith(u'L') || exactLookup(line))
        return std::nullopt;
    return toInteger(QString(u'$' + text.mid(1, 1).toString()));
}

std::optional<int> jumpLabel(QStringView line) {
    const OperandLookup found = operandLookup(line);
    if (found.outcome != OperandLookup::Outcome::Match || !isJumpCode(found.code))
        return std::nullopt;
    return found.value;
}

QList<ListingFinding> checkListing(const QStringList& lines) {
    QSet<int> defined;
    for (const QString& line : lines)
        if (const std::optional<int> label = definedLabel(line);
            label && *label >= 1 && *label <= kLabelSlots)
            defined.insert(*label);

    QList<ListingFinding> findings;
    int size = 0;
    bool tooLongFound = false;
    for (int row = 0; row < lines.size(); ++row) {
        const QString& line = lines[row];
        const QStringView text = withoutLeadingTab(line);
        auto add = [&](ListingFinding::Kind kind, const QString& reason) {
            findings.append({kind, row, reason});
        };
        // A row counts towards the size even when it stops the compile: the
        // learner meant an instruction there.
        auto grow = [&](int length) {
            size += length;
            if (size > kProgramCapacity && !tooLongFound) {
                tooLongFound = true;
                add(ListingFinding::Kind::TooLong, tooLongReason(size));
            }
        };

        if (text.trimmed().isEmpty() || isComment(text))
            continue;
        if (text.startsWith(u'L') && !exactLookup(line)) {
            if (!definedLabel(line))
                add(ListingFinding::Kind::Unreadable,
                    conversionErrorMessage(u'$' + text.mid(1, 1).toString()));
            continue;
        }
        if (exactLookup(line)) {
            grow(1);
            continue;
        }
        const OperandLookup found = operandLookup(line);
        switch (found.outcome) {
        case OperandLookup::Outcome::NoMatch:
            add(ListingFinding::Kind::NoInstruction, noInstructionReason());
            continue;
        case OperandLookup::Outcome::ConversionError:
            add(ListingFinding::Kind::Unreadable, conversionErrorMessage(found.failingText));
            break;
        case OperandLookup::Outcome::Match:
            if (isJumpCode(found.code)) {
                if (!defined.contains(found.value))
                    add(ListingFinding::Kind::MissingLabel, missingLabelReason(found.value));
            } else if (found.value < 0 || found.value > 255) {
                add(ListingFinding::Kind::OutOfRange, rangeErrorMessage(found.operandText));
            }
            break;
        }
        grow(2);
    }
    return findings;
}

QString findingsNote(const QList<ListingFinding>& findings) {
    int unknown = 0;
    int missing = 0;
    for (const ListingFinding& f : findings) {
        if (f.kind == ListingFinding::Kind::NoInstruction)
            ++unknown;
        else if (f.kind == ListingFinding::Kind::MissingLabel)
            ++missing;
    }
    QStringList parts;
    if (unknown > 0)
        parts << (unknown == 1 ? QStringLiteral("1 Zeile ohne Befehl")
                               : QStringLiteral("%1 Zeilen ohne Befehl").arg(unknown));
    if (missing > 0)
        parts << (missing == 1 ? QStringLiteral("1 Sprungziel fehlt")
                               : QStringLiteral("%1 Sprungziele fehlen").arg(missing));
    return parts.join(QStringLiteral(", "));
}

} // namespace zentor
