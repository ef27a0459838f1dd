// The "zentor.ini" reader and writer on any file content. The input holds a
// section, a key and a value to write, a second section and key to watch,
// and the file's bytes; each run writes the file afresh.
//
// Properties: reading never fails; after writing a plain key, reading it
// gives the value written; every other key reads as before.
#include "fuzz_support.h"

#include "profile.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <limits>

namespace {

QString stringOf(FuzzedDataProvider& input) {
    return QString::fromStdString(input.ConsumeRandomLengthString(24));
}

bool holdsLineBreak(const QString& text) {
    return text.contains(u'\n') || text.contains(u'\r');
}

// A name the file form can carry unchanged: no line break, no blanks
// around it (they are trimmed on reading).
bool isPlainName(const QString& name) {
    return !name.isEmpty() && !holdsLineBreak(name) && name == name.trimmed();
}

// A key that makes a "key=value" line the reader takes as that key: no "=",
// not the start of a comment or of a section header.
bool isPlainKey(const QString& key) {
    return isPlainName(key) && !key.contains(u'=') && !key.startsWith(u';') &&
           !key.startsWith(u'#') && !key.startsWith(u'[');
}

const QString& iniPath() {
    static QTemporaryDir dir;
    static const QString path = dir.path() + QStringLiteral("/zentor/zentor.ini");
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const QString section = stringOf(input);
    const QString key = stringOf(input);
    const QString value = stringOf(input);
    const QString otherSection = stringOf(input);
    const QString otherKey = stringOf(input);
    const int n = input.ConsumeIntegral<int>();
    const std::string content = input.ConsumeRemainingBytesAsString();

    // Every run starts from this input's file alone.
    static const bool folderMade = QDir().mkpath(QFileInfo(iniPath()).absolutePath());
    FUZZ_CHECK(folderMade);
    ProfileFile ini(iniPath());
    {
        QFile file(iniPath());
        FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        FUZZ_CHECK(file.write(content.data(), qint64(content.size())) == qint64(content.size()));
    }

    const QString before = ini.readString(otherSection, otherKey, QStringLiteral("?"));
    int number = 0;
    const bool isNumber = ProfileFile::leadingInt(before, number);
    FUZZ_CHECK(ini.readInt(otherSection, otherKey, -7) == (isNumber ? number : -7));
    (void)ini.readInt(section, key, 0);

    if (!isPlainName(section) || !isPlainKey(key) || holdsLineBreak(value))
        return 0;
    FUZZ_CHECK(ini.writeString(section, key, value));
    FUZZ_CHECK(ini.readString(section, key, QStringLiteral("?")) == value.trimmed());

    const bool sameKey = otherSection.compare(section, Qt::CaseInsensitive) == 0 &&
                         otherKey.compare(key, Qt::CaseInsensitive) == 0;
    if (!sameKey)
        FUZZ_CHECK(ini.readString(otherSection, otherKey, QStringLiteral("?")) == before);

    // A number written comes back as that number.
    if (n != std::numeric_limits<int>::min()) {
        FUZZ_CHECK(ini.writeString(section, key, QString::number(n)));
        FUZZ_CHECK(ini.readInt(section, key, 0) == n);
    }
    return 0;
}
