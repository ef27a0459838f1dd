#include "profile.h"

#include "atomic_file.h"

#include <QFile>

#include <limits>
#include <optional>

namespace {

std::optional<QString> sectionName(const QString& line) {
    const QString t = line.trimmed();
    if (t.size() >= 2 && t.startsWith(u'[') && t.endsWith(u']'))
        return t.mid(1, t.size() - 2).trimmed();
    return std::nullopt;
}

// The key of a "key=value" line, or nothing for any other line.
std::optional<QString> keyOf(const QString& line) {
    const QString t = line.trimmed();
    if (t.startsWith(u';') || t.startsWith(u'#'))
        return std::nullopt;
    const qsizetype eq = line.indexOf(u'=');
    if (eq <= 0)
        return std::nullopt;
    return line.left(eq).trimmed();
}

bool sameName(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

} // namespace

QStringList ProfileFile::readLines() const {
    return readLinesOf(m_path);
}

QStringList ProfileFile::readLinesOf(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QString text = QString::fromUtf8(file.readAll());
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QStringList lines = text.split(u'\n');
    if (!lines.isEmpty() && lines.back().isEmpty())
        lines.removeLast();
    return lines;
}

QString ProfileFile::readString(const QString& section, const QString& key,
                                const QString& defaultValue) const {
    // The user's own file first, then the defaults set for every user.
    if (auto value = valueIn(readLines(), section, key))
        return *value;
    for (const QString& path : m_defaultPaths)
        if (auto value = valueIn(readLinesOf(path), section, key))
            return *value;
    return defaultValue;
}

std::optional<QString> ProfileFile::valueIn(const QStringList& lines, const QString& section,
                                            const QString& key) {
    bool inSection = false;
    for (const QString& line : lines) {
        if (const auto name = sectionName(line)) {
            inSection = sameName(*name, section);
            continue;
        }
        if (!inSection)
            continue;
        if (const auto k = keyOf(line); k && sameName(*k, key))
            return line.mid(line.indexOf(u'=') + 1).trimmed();
    }
    return std::nullopt;
}

bool ProfileFile::leadingInt(const QString& text, int& value) {
    qsizetype i = 0;
    while (i < text.size() && text[i].isSpace())
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+'))
        negative = text[i++] == u'-';
    const qsizetype firstDigit = i;
    long long n = 0;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
        // Saturate instead of overflowing on absurdly long numbers.
        if (n <= std::numeric_limits<int>::max())
            n = n * 10 + (text[i].unicode() - u'0');
    }
    if (i == firstDigit)
        return false;
    const long long limit = negative ? -static_cast<long long>(std::numeric_limits<int>::min())
                                     : std::numeric_limits<int>::max();
    n = std::min(n, limit);
    value = static_cast<int>(negative ? -n : n);
    return true;
}

int ProfileFile::readInt(const QString& section, const QString& key, int defaultValue) const {
    int value = 0;
    return leadingInt(readString(section, key), value) ? value : defaultValue;
}

zentor::SaveResult ProfileFile::writeString(const QString& section, const QString& key,
                                            const QString& value) {
    QStringList lines = readLines();
    const QString entry = key + u'=' + value;

    qsizetype sectionStart = -1; // index of the section's header line
    qsizetype insertAt = -1;     // after the section's last key line
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (const auto name = sectionName(lines[i])) {
            if (sectionStart >= 0)
                break; // past our section
            if (sameName(*name, section)) {
                sectionStart = i;
                insertAt = i + 1;
            }
            continue;
        }
        if (sectionStart < 0)
            continue;
        if (const auto k = keyOf(lines[i])) {
            if (sameName(*k, key)) {
                lines[i] = entry;
                insertAt = -2; // replaced
                break;
            }
            insertAt = i + 1;
        }
    }
    if (sectionStart < 0) {
        if (!lines.isEmpty() && !lines.back().trimmed().isEmpty())
            lines.append(QString());
        lines.append(u'[' + section + u']');
        lines.append(entry);
    } else if (insertAt >= 0) {
        lines.insert(insertAt, entry);
    }

    return zentor::writeFileAtomically(
        m_path, (lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toUtf8());
}
