#include "profile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeAll(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

class ProfileTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path() const { return dir.filePath(QStringLiteral("zentor.ini")); }
};

TEST_F(ProfileTest, NumbersAreReadAsTheirLeadingWholeNumber) {
    writeAll(path(), "[Time]\r\nMAXTimeout=500\r\n[ZENTOR1]\r\nCOM=3abc\r\n"
                     "neg = -1\r\nempty=\r\nword=abc\r\nbig=99999999999\r\nsmall=-99999999999\r\nmin=-2147483648\r\n");
    ProfileFile ini(path());
    struct Case {
        const char* section;
        const char* key;
        int expected;
    };
    for (const Case& c : {Case{"Time", "MAXTimeout", 500}, Case{"time", "maxtimeout", 500},
                          Case{"ZENTOR1", "COM", 3}, Case{"ZENTOR1", "neg", -1},
                          Case{"ZENTOR1", "empty", 77}, Case{"ZENTOR1", "word", 77},
                          Case{"ZENTOR1", "missing", 77}, Case{"Missing", "COM", 77},
                          Case{"Time", "COM", 77}, Case{"ZENTOR1", "big", 2147483647},
                          Case{"ZENTOR1", "small", -2147483647 - 1},
                          Case{"ZENTOR1", "min", -2147483647 - 1}})
        EXPECT_EQ(ini.readInt(QString::fromLatin1(c.section), QString::fromLatin1(c.key), 77),
                  c.expected)
            << c.section << "/" << c.key;
}

TEST_F(ProfileTest, AMissingFileGivesTheDefaultsAndIsNotCreated) {
    ProfileFile ini(dir.filePath(QStringLiteral("sub/zentor.ini")));
    EXPECT_EQ(ini.readInt(QStringLiteral("Time"), QStringLiteral("MAXTimeout"), 300), 300);
    EXPECT_EQ(ini.readString(QStringLiteral("Ports"), QStringLiteral("COM1")), QString());
    EXPECT_FALSE(QDir(dir.filePath(QStringLiteral("sub"))).exists());
}

TEST_F(ProfileTest, WritingKeepsEveryOtherLine) {
    writeAll(path(), "; Einstellungen\n[Time]\nMAXTimeout=500\n\n[ZENTOR1]\nCOM=3\nX=1\n[Ports]\n"
                     "COM1=/dev/ttyUSB3\n");
    ProfileFile ini(path());
    ASSERT_TRUE(ini.writeString(QStringLiteral("zentor1"), QStringLiteral("com"),
                                QStringLiteral("0")));
    ASSERT_TRUE(ini.writeString(QStringLiteral("ZENTOR1"), QStringLiteral("Simulator"),
                                QStringLiteral("1")));
    ASSERT_TRUE(ini.writeString(QStringLiteral("New"), QStringLiteral("K"), QStringLiteral("v")));
    EXPECT_EQ(readAll(path()), QByteArray("; Einstellungen\r\n[Time]\r\nMAXTimeout=500\r\n\r\n"
                                          "[ZENTOR1]\r\ncom=0\r\nX=1\r\nSimulator=1\r\n[Ports]\r\n"
                                          "COM1=/dev/ttyUSB3\r\n\r\n[New]\r\nK=v\r\n"));
    EXPECT_EQ(ini.readInt(QStringLiteral("ZENTOR1"), QStringLiteral("COM"), 9), 0);
    EXPECT_EQ(ini.readString(QStringLiteral("Ports"), QStringLiteral("com1")),
              QStringLiteral("/dev/ttyUSB3"));
}

TEST_F(ProfileTest, WritingCreatesFolderAndFile) {
    const QString nested = dir.filePath(QStringLiteral("a/b/zentor.ini"));
    ProfileFile ini(nested);
    ASSERT_TRUE(ini.writeString(QStringLiteral("ZENTOR1"), QStringLiteral("COM"),
                                QStringLiteral("2")));
    EXPECT_EQ(readAll(nested), QByteArray("[ZENTOR1]\r\nCOM=2\r\n"));
}

TEST_F(ProfileTest, AnUnwritablePlaceReportsFailure) {
    writeAll(dir.filePath(QStringLiteral("file")), "x");
    ProfileFile ini(dir.filePath(QStringLiteral("file/zentor.ini")));
    EXPECT_FALSE(ini.writeString(QStringLiteral("ZENTOR1"), QStringLiteral("COM"),
                                 QStringLiteral("2")));
}

} // namespace
