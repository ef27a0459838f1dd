#include "program_file.h"

#include "qstring_print.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace zentor {
namespace {

const QStringList kInitialListing{QStringLiteral("L1: Testprogramm"), QStringLiteral("\tDelay 250"),
                                  QStringLiteral("\tBeep"), QStringLiteral("\tGoto L1:")};

TEST(ProgramFileWrite, InitialListingIsFortyEightBytes) {
    const QByteArray bytes = programFileBytes(kInitialListing);
    EXPECT_EQ(bytes, QByteArray("L1: Testprogramm\r\n\tDelay 250\r\n\tBeep\r\n\tGoto L1:\r\n"));
    EXPECT_EQ(bytes.size(), 48);
    EXPECT_EQ(programFileLines(bytes), kInitialListing);
}

TEST(ProgramFileWrite, EmptyListingIsEmptyFile) {
    EXPECT_TRUE(programFileBytes({}).isEmpty());
    EXPECT_TRUE(programFileLines({}).isEmpty());
    // An empty line is a line of its own.
    EXPECT_EQ(programFileBytes({QString()}), QByteArray("\r\n"));
}

struct ReadCase {
    const char* name;
    QByteArray bytes;
    QStringList lines;
};

void PrintTo(const ReadCase& c, std::ostream* os) {
    *os << c.name;
}

class ProgramFileRead : public testing::TestWithParam<ReadCase> {};

TEST_P(ProgramFileRead, SplitsLikeTheSystem) {
    EXPECT_EQ(programFileLines(GetParam().bytes), GetParam().lines);
}

INSTANTIATE_TEST_SUITE_P(
    Program, ProgramFileRead,
    testing::Values(
        ReadCase{"LfOnly", QByteArray("L1: x\n\tBeep\n"), {"L1: x", "\tBeep"}},
        ReadCase{"LastLineWithoutEnd", QByteArray("\tBeep\r\n\tEnd"), {"\tBeep", "\tEnd"}},
        ReadCase{"LoneCrDropped", QByteArray("\tBe\rep\r\r\n\tEnd\r"), {"\tBeep", "\tEnd"}},
        ReadCase{
            "CrOnlyFile", QByteArray("L1: x\r\tBeep\r\r\tEnd"), {"L1: x", "\tBeep", "", "\tEnd"}},
        ReadCase{"EmptyLinesStay", QByteArray("\r\n\n\tBeep\r\n\r\n"), {"", "", "\tBeep", ""}},
        ReadCase{"CtrlZEndsLineText",
                 QByteArray("\tBeep\r\n\tE"
                            "\x1A"
                            "nd\r\n\tReturn\r\n"),
                 {"\tBeep", "\tE", "\tReturn"}},
        ReadCase{"CtrlZAtLineStartEndsFile",
                 QByteArray("\tBeep\r\n\x1A\tEnd\r\n\tReturn\r\n"),
                 {"\tBeep"}},
        ReadCase{"CtrlZAlone", QByteArray("\x1A"), {}},
        ReadCase{"Windows1252",
                 QByteArray("\tRem Gr\xFC\xDF"
                            "e \x80 \x84\x93\r\n"),
                 {QString::fromUtf8("\tRem Grüße € „“")}},
        ReadCase{"Utf8",
                 QByteArray("\tRem Gr\xC3\xBC\xC3\x9F"
                            "e \xE2\x86\x92\r\n"),
                 {QString::fromUtf8("\tRem Grüße →")}},
        ReadCase{"Utf8ByteOrderMark",
                 QByteArray("\xEF\xBB\xBFL1: \xC3\xBC\r\n\tBeep\r\n"),
                 {QString::fromUtf8("L1: ü"), "\tBeep"}}),
    [](const testing::TestParamInfo<ReadCase>& info) { return std::string(info.param.name); });

TEST(ProgramFileEncoding, SingleByteWhenPossibleUtf8Otherwise) {
    const QStringList western{QString::fromUtf8("\tRem Grüße € „Zitat“")};
    const QByteArray single = programFileBytes(western);
    EXPECT_EQ(single, QByteArray("\tRem Gr\xFC\xDF"
                                 "e \x80 \x84Zitat\x93\r\n"));
    EXPECT_EQ(programFileLines(single), western);

    const QStringList other{QStringLiteral("\tBeep"), QString::fromUtf8("\tRem → Ω")};
    const QByteArray utf8 = programFileBytes(other);
    EXPECT_EQ(utf8, QByteArray("\tBeep\r\n\tRem \xE2\x86\x92 \xCE\xA9\r\n"));
    EXPECT_EQ(programFileLines(utf8), other);

    // A file read as UTF-8 goes back as UTF-8, even where single bytes would
    // do; single-byte and plain ASCII files stay single-byte.
    const QByteArray utf8File("\tRem \xC3\x9C"
                              "bung f\xC3\xBCr \xE2\x82\xAC\r\n");
    const ProgramFileText read = programFileText(utf8File);
    EXPECT_EQ(read.encoding, TextEncoding::Utf8);
    EXPECT_EQ(programFileBytes(read.lines, read.encoding), utf8File);
    EXPECT_EQ(programFileText(single).encoding, TextEncoding::SingleByte);
    EXPECT_EQ(programFileText("\tBeep\r\n").encoding, TextEncoding::SingleByte);
}

TEST(ProgramFileEncoding, UndefinedWindows1252BytesSurvive) {
    const QByteArray bytes("\tRem \x81\x8D\x8F\x90\x9D\r\n");
    EXPECT_EQ(programFileBytes(programFileLines(bytes)), bytes);
}

TEST(ProgramFileAutosave, LinesCutTo259Characters) {
    const QString longLine = u'\t' + QString(299, u'x');
    const QByteArray bytes = programFileBytes({longLine, QStringLiteral("\tEnd")});
    EXPECT_EQ(programFileLines(bytes).first().size(), 300);
    int cut = 0;
    const QStringList restored = autosaveLines(bytes, &cut);
    EXPECT_EQ(cut, 1);
    ASSERT_EQ(restored.size(), 2);
    EXPECT_EQ(restored[0], longLine.left(259));
    EXPECT_EQ(restored[1], "\tEnd");
}

TEST(ProgramFileText, TheFirstLineWithANulByteIsNamed) {
    EXPECT_EQ(programFileText(QByteArray("\tBeep\r\n\tEnd\r\n")).nulLine, 0);
    EXPECT_EQ(programFileText(QByteArray("\tBeep\r\n\tE\0nd\r\n\0\r\n", 17)).nulLine, 2);
}

TEST(ProgramFileAutosave, PathFollowsConfigurationDirectory) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QByteArray old = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", dir.path().toUtf8());
    const QString path = autosavePath();
    qputenv("XDG_CONFIG_HOME", old);
    EXPECT_EQ(path, dir.path() + QStringLiteral("/zentor/sp2.$$$"));
}

TEST(ProgramFileIo, AtomicWriteCreatesAndReplaces) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("neu/unter/test.z"));
    ASSERT_TRUE(writeFileAtomically(path, programFileBytes(kInitialListing)));
    EXPECT_EQ(readFileBytes(path), std::optional<QByteArray>(programFileBytes(kInitialListing)));

    ASSERT_TRUE(writeFileAtomically(path, QByteArray()));
    EXPECT_EQ(readFileBytes(path), std::optional<QByteArray>(QByteArray()));
    // No temporary file is left beside it.
    EXPECT_EQ(QDir(dir.filePath(QStringLiteral("neu/unter"))).entryList(QDir::Files),
              QStringList{QStringLiteral("test.z")});
}

TEST(ProgramFileIo, FailuresAreReported) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString file = dir.filePath(QStringLiteral("datei"));
    ASSERT_TRUE(writeFileAtomically(file, QByteArray("alt")));
    // A path below a regular file cannot be created.
    EXPECT_FALSE(writeFileAtomically(file + QStringLiteral("/x.z"), QByteArray("neu")));
    EXPECT_EQ(readFileBytes(file), std::optional<QByteArray>(QByteArray("alt")));
    EXPECT_FALSE(readFileBytes(dir.filePath(QStringLiteral("fehlt.z"))));

    // Refused unread, at once: a FIFO nobody writes to, a folder, a file one
    // byte over the limit (sparse, so nothing is really stored).
    const QString fifo = dir.filePath(QStringLiteral("fifo.z"));
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString large = dir.filePath(QStringLiteral("gross.z"));
    QFile largeFile(large);
    ASSERT_TRUE(largeFile.open(QIODevice::WriteOnly) && largeFile.resize(kProgramFileLimit + 1));
    largeFile.close();
    for (const auto& [path, refusal] :
         {std::pair{fifo, "keine gewöhnliche Datei"},
          std::pair{dir.path(), "keine gewöhnliche Datei"}, std::pair{large, "größer als"}}) {
        const FileRead refused = readRegularFile(path, kProgramFileLimit);
        EXPECT_FALSE(refused.bytes) << path.toStdString();
        EXPECT_TRUE(refused.refusal.contains(QString::fromUtf8(refusal)))
            << refused.refusal.toStdString();
    }
}

} // namespace
} // namespace zentor
