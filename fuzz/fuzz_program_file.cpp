// The program-file and autosave readers on any file content, and the way
// back: writing the lines read and reading them again gives the same lines.
#include "fuzz_support.h"

#include "program_file.h"

namespace {

bool holdsLineBreakOrCtrlZ(const QString& line) {
    return line.contains(u'\n') || line.contains(u'\r') || line.contains(QChar(26));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes = fuzz::bytesOf(data, size);
    const QStringList lines = zentor::programFileLines(bytes);
    for (const QString& line : lines)
        FUZZ_CHECK(!holdsLineBreakOrCtrlZ(line));

    // The autosave reader keeps the same lines, each cut to its limit.
    const QStringList saved = zentor::autosaveLines(bytes);
    FUZZ_CHECK(saved.size() == lines.size());
    for (qsizetype k = 0; k < lines.size(); ++k) {
        FUZZ_CHECK(saved[k].size() <= zentor::kAutosaveLineLimit);
        FUZZ_CHECK(lines[k].startsWith(saved[k]));
        if (lines[k].size() <= zentor::kAutosaveLineLimit)
            FUZZ_CHECK(saved[k] == lines[k]);
        else
            FUZZ_CHECK(saved[k].size() >= zentor::kAutosaveLineLimit - 1);
    }

    // Saving what was read and reading it again loses nothing. A byte order
    // mark at the very beginning is the one exception: the reader drops it.
    const QByteArray written = zentor::programFileBytes(lines);
    FUZZ_CHECK(written.endsWith("\r\n") || lines.isEmpty());
    QStringList again = zentor::programFileLines(written);
    QStringList expected = lines;
    if (!expected.isEmpty() && expected.front().startsWith(QChar(0xFEFF)))
        expected.front().remove(0, 1);
    FUZZ_CHECK(again == expected);
    return 0;
}
