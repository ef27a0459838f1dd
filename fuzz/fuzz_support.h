// Helpers shared by the fuzz targets: turning raw input into text and
// checking properties so that a broken one stops the run like a crash.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringDecoder>
#include <QStringList>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

// Stops the run with a message when a property does not hold; libFuzzer
// then saves the input as a crash.
#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "%s:%d: property failed: %s\n", __FILE__, __LINE__, #condition);  \
            std::abort();                                                                          \
        }                                                                                          \
    } while (false)

namespace fuzz {

inline QByteArray bytesOf(const std::uint8_t* data, std::size_t size) {
    return QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
}

// Text of the input. Input that starts with FE FF is taken as raw UTF-16
// (big-endian, odd last byte dropped), so that any code unit can occur, lone
// surrogates included. Otherwise valid UTF-8 is taken as UTF-8 and anything
// else one byte per character, the way listing files are read, so that plain
// text seeds stay readable.
inline QString textOf(const std::uint8_t* data, std::size_t size) {
    if (size >= 2 && data[0] == 0xFE && data[1] == 0xFF) {
        QString text;
        for (std::size_t i = 2; i + 1 < size; i += 2)
            text.append(QChar(static_cast<char16_t>((data[i] << 8) | data[i + 1])));
        return text;
    }
    const QByteArray bytes = bytesOf(data, size);
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8(bytes);
    return utf8.hasError() ? QString::fromLatin1(bytes) : text;
}

// The lines of the input as a listing holds them: split at LF, a CR before
// the LF dropped. Other control characters stay in the line.
inline QStringList linesOf(const std::uint8_t* data, std::size_t size) {
    QStringList lines = textOf(data, size).split(u'\n');
    for (QString& line : lines)
        if (line.endsWith(u'\r'))
            line.chop(1);
    return lines;
}

} // namespace fuzz
