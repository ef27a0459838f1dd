// Lets GoogleTest print QString and QByteArray values readably in failures.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <ostream>

inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"'
        << text.toUtf8().replace('\t', "\\t").replace('\r', "\\r").replace('\n', "\\n").constData()
        << '"';
}

inline void PrintTo(const QByteArray& bytes, std::ostream* os) {
    *os << '[' << bytes.toHex(' ').constData() << ']';
}

inline void PrintTo(const QStringList& lines, std::ostream* os) {
    *os << '{';
    for (qsizetype k = 0; k < lines.size(); ++k) {
        if (k > 0)
            *os << ", ";
        PrintTo(lines[k], os);
    }
    *os << '}';
}
