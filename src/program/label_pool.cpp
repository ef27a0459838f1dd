#include "label_pool.h"

#include "instruction_lookup.h"
#include "listing_check.h"

#include <algorithm>
#include <cstdint>

namespace zentor {

namespace {

constexpr int kLabelCount = 12;
// Characters of a label line that make its key ("L1:").
constexpr qsizetype kKeyLength = 3;

bool lessNoCase(const QString& a, const QString& b) {
    return QString::compare(a, b, Qt::CaseInsensitive) < 0;
}

// Inserts into a sorted list after any equal entries; returns the row.
int insertSorted(QStringList& list, const QString& text) {
    const auto it = std::upper_bound(list.begin(), list.end(), text, lessNoCase);
    const auto row = static_cast<int>(it - list.begin());
    list.insert(row, text);
    return row;
}

int indexOfNoCase(const QStringList& list, const QString& text) {
    for (int k = 0; k < list.size(); ++k)
        if (QString::compare(list[k], text, Qt::CaseInsensitive) == 0)
            return k;
    return -1;
}

} // namespace

QStringList allLabelKeys() {
    QStringList keys;
    for (int n = 1; n <= kLabelCount; ++n)
        keys.append(u'L' + QString::number(n, 16).toUpper() + u':');
    return keys;
}

LabelPool::LabelPool() {
    ResetLabelPool();
}

QString LabelPool::selectedFreeKey() const {
    return m_freeSelection >= 0 ? m_free[m_freeSelection] : QString();
}

void LabelPool::selectFreeKey(int row) {
    m_freeSelection = row >= 0 && row < m_free.size() ? row : -1;
}

QString LabelPool::currentTarget() const {
    return m_targetSelection >= 0 ? m_targets[m_targetSelection] : QString();
}

void LabelPool::selectTarget(int row) {
    m_targetSelection = row >= 0 && row < m_targets.size() ? row : -1;
}

void LabelPool::ResetLabelPool() {
    m_targets.clear();
    m_targetSelection = -1;
    m_free = allLabelKeys();
    m_freeSelection = 0;
}

void LabelPool::LabelUpdate(const QStringList& listing) {
    for (const QString& line : listing) {
        // "LED = 1" begins with "L" but is an instruction, also for the
        // compiler: offering it as a target would name a label nobody defines.
        if (!line.startsWith(u'L') || exactLookup(line))
            continue;
        insertSorted(m_targets, line);
        const int row = indexOfNoCase(m_free, line.left(kKeyLength));
        if (row >= 0)
            m_free.removeAt(row);
    }
    m_freeSelection = m_free.isEmpty() ? -1 : 0;
    m_targetSelection = static_cast<int>(m_targets.size()) - 1;
}

QString LabelPool::labelLineFor(const QString& comment) const {
    const QString key = selectedFreeKey();
    return key.isEmpty() ? QString() : key + u' ' + comment;
}

void LabelPool::placeLabel(const QString& labelLine) {
    m_targetSelection = insertSorted(m_targets, labelLine);
    if (m_freeSelection >= 0)
        m_free.removeAt(m_freeSelection);
    m_freeSelection = m_free.isEmpty() ? -1 : 0;
}

void LabelPool::lineDeleted(const QString& line, const QStringList& remaining) {
    if (!line.startsWith(u'L'))
        return;
    const QString key = line.indexOf(u':') == kKeyLength - 1 ? line.left(kKeyLength) : line;
    const QStringList keys = allLabelKeys();
    const int known = indexOfNoCase(keys, key);
    const bool stillUsed = std::any_of(remaining.begin(), remaining.end(), [&](const QString& l) {
        return l.startsWith(u'L') &&
               QString::compare(l.left(kKeyLength), key, Qt::CaseInsensitive) == 0;
    });
    if (known >= 0 && indexOfNoCase(m_free, key) < 0 && !stillUsed)
        insertSorted(m_free, keys[known]);
    m_freeSelection = m_free.isEmpty() ? -1 : 0;

    const int row = indexOfNoCase(m_targets, line);
    if (row >= 0)
        m_targets.removeAt(row);
    m_targetSelection = static_cast<int>(m_targets.size()) - 1;
}

bool labelStillUsed(const QStringList& listing, int row) {
    if (row < 0 || row >= listing.size())
        return false;
    const QString& text = listing[row];
    if (text.isEmpty())
        return false;
    // A jump names its label by number; loaded files write it without the
    // comment ("\tGoto L1:"), so the whole text alone would miss it.
    const std::optional<int> label = definedLabel(text);
    for (int k = 0; k < listing.size(); ++k) {
        if (k == row)
            continue;
        if (listing[k].indexOf(text, 2) >= 0)
            return true;
        if (label && jumpLabel(listing[k]) == label)
            return true;
    }
    return false;
}

QString labelInUseMessage() {
    return QStringLiteral("Label wird noch benutzt!");
}

QString ByteText(const QString& text) {
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && text[i] == u' ')
        ++i;
    bool negative = false;
    if (i < n && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    int base = 10;
    if (i < n && (text[i] == u'$' || text[i] == u'x' || text[i] == u'X')) {
        base = 16;
        ++i;
    } else if (i + 1 < n && text[i] == u'0' && (text[i + 1] == u'x' || text[i + 1] == u'X')) {
        base = 16;
        i += 2;
    }
    std::uint32_t value = 0;
    for (; i < n; ++i) {
        const int digit = hexDigitValue(text[i]);
        if (digit < 0 || digit >= base)
            break;
        value = value * static_cast<std::uint32_t>(base) + static_cast<std::uint32_t>(digit);
    }
    // The sign only counts when the whole text was a number.
    if (negative && i == n)
        value = 0u - value;
    return QString::number(value & 0xFFu);
}

std::optional<QString> buildListingLine(InsertionKind kind, const QString& entry,
                                        const QString& extra) {
    if (entry.isEmpty())
        return std::nullopt;
    switch (kind) {
    case InsertionKind::Plain:
        return u'\t' + entry;
    case InsertionKind::Jump:
        return u'\t' + entry + extra;
    case InsertionKind::Label:
        return entry + u' ' + extra;
    case InsertionKind::Comment:
        return QStringLiteral("\tRem ") + extra;
    case InsertionKind::ConstantRow:
    case InsertionKind::NumberField:
        return u'\t' + entry + ByteText(extra);
    }
    return std::nullopt;
}

LimitedField limitNumberField(const QString& text, int caret) {
    if (caret > 3)
        return {text.mid(1, 3), 3};
    if (text.size() > 3)
        return {text.left(3), caret};
    return {text, caret};
}

} // namespace zentor
