// Program files and the autosave file: the byte form of a listing. Pure
// conversions between listing lines and file bytes, plus small file helpers;
// the page and the main window decide when to read and write.
//
// File form: one listing line per file line, each followed by CR LF (the last
// one too); an empty listing is an empty file. Reading accepts more:
//  - a line ends at LF or at CR LF; a CR not followed by LF is dropped,
//    except in a file without any LF, whose lines end at CR;
//  - a byte 26 (Ctrl-Z) ends the text of its line (the rest up to the line
//    end is skipped); at the beginning of a line it ends the file;
//  - a last line without line end is read all the same; empty lines stay.
//
// Encoding. Listing lines are stored one byte per character in the Western
// single-byte code page (Windows-1252, a superset of Latin-1 for printable
// text), which is what older files hold. When a listing holds a character
// that code page cannot represent, or its single-byte form would be valid
// UTF-8 and so read back as other characters ("Ã¤"), the whole file is
// written in UTF-8 instead, so that nothing typed into a comment is lost.
// Reading takes a file as UTF-8 when all its line bytes form valid UTF-8 (a
// leading UTF-8 byte order mark is dropped) and as Windows-1252 otherwise.
// Plain ASCII files are the same either way.
#pragma once

#include "atomic_file.h"
#include "regular_file.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

namespace zentor {

// How a program file's text was stored, so that it can be written back the
// same way.
enum class TextEncoding {
    SingleByte, // Windows-1252; also plain ASCII
    Utf8,       // valid UTF-8 with at least one character beyond ASCII
};

struct ProgramFileText {
    QStringList lines;
    TextEncoding encoding = TextEncoding::SingleByte;
    // The number (from 1) of the first line holding a NUL byte, 0 when none
    // does: such a file is no program file.
    int nulLine = 0;
};

// The lines of a program file's bytes and the encoding they were read in.
ProgramFileText programFileText(const QByteArray& bytes);
// The lines alone.
QStringList programFileLines(const QByteArray& bytes);

// The lines of the autosave file's bytes: as programFileLines(), with each
// line cut to its first 259 characters. `cut`, when given, receives the
// number of lines that were cut.
QStringList autosaveLines(const QByteArray& bytes, int* cut = nullptr);

// Characters of an autosave line that are restored.
inline constexpr int kAutosaveLineLimit = 259;

// The file bytes of a listing: every line followed by CR LF. A listing read
// from UTF-8 goes back as UTF-8; otherwise single-byte where the text allows
// it (see Encoding above).
QByteArray programFileBytes(const QStringList& lines,
                            TextEncoding encoding = TextEncoding::SingleByte);

// The autosave file's path: "sp2.$$$" in the zentor folder of the user's
// configuration directory ($XDG_CONFIG_HOME/zentor, by default
// ~/.config/zentor). The folder is not created here.
QString autosavePath();

// A program is a few hundred bytes; larger files are refused unread.
inline constexpr qint64 kProgramFileLimit = 1 << 20;

// readRegularFile() with the program file limit, without the reason.
std::optional<QByteArray> readFileBytes(const QString& path);

} // namespace zentor
