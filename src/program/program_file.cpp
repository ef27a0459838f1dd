#include "program_file.h"

#include <QStandardPaths>
#include <QStringDecoder>

#include <algorithm>
#include <array>
#include <vector>

namespace zentor {

namespace {

constexpr char kCtrlZ = 26;

// Windows-1252 differs from Latin-1 only in 0x80..0x9F. The five bytes it
// leaves undefined map to the control character of the same number, as the
// system's own conversion does, so that they survive a load and save.
constexpr std::array<char16_t, 32> kCp1252High{
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

QString fromCp1252(const QByteArray& bytes) {
    QString text;
    text.reserve(bytes.size());
    for (char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        text.append(b >= 0x80 && b < 0xA0 ? QChar(kCp1252High[b - 0x80]) : QChar(b));
    }
    return text;
}

// The Windows-1252 byte of a character, or -1 when the code page lacks it.
int cp1252Byte(QChar c) {
    const char16_t u = c.unicode();
    if (u < 0x80 || (u >= 0xA0 && u <= 0xFF))
        return u;
    for (std::size_t k = 0; k < kCp1252High.size(); ++k)
        if (kCp1252High[k] == u)
            return static_cast<int>(0x80 + k);
    return -1;
}

// Splits file bytes into line bytes by the reading rules.
std::vector<QByteArray> splitLines(const QByteArray& bytes) {
    std::vector<QByteArray> lines;
    // Files from systems that end lines with CR alone hold no LF at all.
    const char lineEnd = bytes.contains('\n') ? '\n' : '\r';
    qsizetype i = 0;
    const qsizetype n = bytes.size();
    while (i < n) {
        if (bytes[i] == kCtrlZ)
            break; // Ctrl-Z at the beginning of a line ends the file
        QByteArray line;
        bool skipping = false; // after a Ctrl-Z inside the line
        while (i < n && bytes[i] != lineEnd) {
            const char c = bytes[i++];
            if (c == kCtrlZ)
                skipping = true;
            else if (c != '\r' && !skipping)
                line.append(c);
            // A CR before LF belongs to the line end; a lone CR is dropped.
        }
        if (i < n)
            ++i; // the line end
        lines.push_back(line);
    }
    return lines;
}

bool isAscii(const QByteArray& bytes) {
    return std::all_of(bytes.begin(), bytes.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

ProgramFileText decodeLines(const std::vector<QByteArray>& raw) {
    QByteArray joined;
    for (const QByteArray& line : raw)
        joined += line + '\n';
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString asUtf8 = utf8(joined);
    ProgramFileText text;
    text.lines.reserve(static_cast<qsizetype>(raw.size()));
    if (!utf8.hasError()) {
        // The decoder has dropped a leading byte order mark already.
        text.lines = asUtf8.split(u'\n');
        text.lines.removeLast(); // the text after the last '\n' added above
        // Plain ASCII reads the same either way; it stays single-byte.
        if (!isAscii(joined))
            text.encoding = TextEncoding::Utf8;
        return text;
    }
    for (const QByteArray& line : raw)
        text.lines.append(fromCp1252(line));
    return text;
}

} // namespace

ProgramFileText programFileText(const QByteArray& bytes) {
    const std::vector<QByteArray> raw = splitLines(bytes);
    ProgramFileText text = decodeLines(raw);
    const auto nul = std::find_if(raw.begin(), raw.end(),
                                  [](const QByteArray& line) { return line.contains('\0'); });
    if (nul != raw.end())
        text.nulLine = static_cast<int>(nul - raw.begin()) + 1;
    return text;
}

QStringList programFileLines(const QByteArray& bytes) {
    return programFileText(bytes).lines;
}

QStringList autosaveLines(const QByteArray& bytes, int* cut) {
    QStringList lines = programFileLines(bytes);
    if (cut != nullptr)
        *cut = 0;
    for (QString& line : lines) {
        if (line.size() <= kAutosaveLineLimit)
            continue;
        if (cut != nullptr)
            ++*cut;
        qsizetype keep = kAutosaveLineLimit;
        if (line[keep - 1].isHighSurrogate())
            --keep; // never keep half a character
        line.truncate(keep);
    }
    return lines;
}

QByteArray programFileBytes(const QStringList& lines, TextEncoding encoding) {
    QByteArray bytes;
    bool singleByte = encoding == TextEncoding::SingleByte;
    for (const QString& line : lines) {
        if (!singleByte)
            break;
        for (QChar c : line) {
            const int b = cp1252Byte(c);
            if (b < 0) {
                singleByte = false;
                break;
            }
            bytes.append(static_cast<char>(b));
        }
        if (!singleByte)
            break;
        bytes.append("\r\n");
    }
    // The reader takes valid UTF-8 as UTF-8, so a single-byte form that
    // happens to be valid UTF-8 ("Ã¤" is C3 A4, which reads as "ä") would
    // come back as other text: such a listing goes out as UTF-8. Plain ASCII
    // is the same bytes either way.
    if (singleByte && !bytes.isValidUtf8())
        return bytes;
    bytes.clear();
    for (const QString& line : lines)
        bytes += line.toUtf8() + "\r\n";
    return bytes;
}

QString autosavePath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/zentor/sp2.$$$");
}

std::optional<QByteArray> readFileBytes(const QString& path) {
    return readRegularFile(path, kProgramFileLimit).bytes;
}

} // namespace zentor
