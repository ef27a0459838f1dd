// The two versions of every file the kill test has written: a large listing
// for the autosave file and the program file, and a long value for the
// profile file. The writer and the test build them from the same functions.
#pragma once

#include <QString>
#include <QStringList>

namespace safety {

// A listing of about 200 KB (version 0) or 230 KB (version 1). The versions
// differ in every line and in length, so that a file cut short or mixed from
// both never equals either of them.
inline QStringList listingVersion(int version) {
    const int lines = version == 0 ? 5000 : 5600;
    QStringList listing;
    listing.reserve(lines);
    for (int i = 0; i < lines; ++i)
        listing.append(QStringLiteral("%1: A = %2      ; Fassung %3, Zeile %4 \u00e4\u00f6\u00fc")
                           .arg(i % 128, 3, 10, QLatin1Char('0'))
                           .arg((i * 37 + version) % 256)
                           .arg(version == 0 ? QLatin1Char('A') : QLatin1Char('B'))
                           .arg(i));
    return listing;
}

// The profile's section and key the writer rewrites, and the key's two values
// (100 000 and 120 000 characters).
inline const QString kIniSection = QStringLiteral("Zentor");
inline const QString kIniKey = QStringLiteral("Protokoll");

inline QString iniValueVersion(int version) {
    return version == 0 ? QString(100'000, QLatin1Char('a')) : QString(120'000, QLatin1Char('b'));
}

} // namespace safety
