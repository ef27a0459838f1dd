// The recorder's journal: written while a recording runs, removed when it
// ends, read back after a crash.
#include "journal.h"
#include "recording_journal.h"
#include "wait_until.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTimeZone>

#include <gtest/gtest.h>

using zentor::Measurement;
using zentor::RecorderMeasurement;

namespace {

const QByteArray kHeader = "; Zentor-Messung\r\n[Messung]\r\nFormat=1\r\nSeite=Zeitschreiber\r\n"
                           "Zeitpunkt=2026-12-07T14:03:00+01:00\r\nMessdauer=10 Sekunden\r\n"
                           "Kanal=Spannung\r\nAnzeigeInVolt=ja\r\n\r\n[Werte]\r\n";

TEST(RecordingJournalFile, WholeRowsAreReadBackAndACutOneIsLeftOut) {
    const struct {
        const char* name;
        QByteArray bytes;
        int samples; // -1: nothing to offer
    } cases[] = {
        {"three rows", kHeader + "0;10\r\n100;11\r\n200;12\r\n", 3},
        {"cut in its last row", kHeader + "0;10\r\n100;11\r\n20", 2},
        {"header only", kHeader, -1},
        {"cut in its header", kHeader.left(40), -1},
        {"not a journal",
         "\x7f"
         "ELF\x02\x01",
         -1},
    };
    for (const auto& c : cases) {
        const auto read = zentor::readRecordingJournal(c.bytes);
        ASSERT_EQ(read.has_value(), c.samples >= 0) << c.name;
        if (read) {
            EXPECT_EQ(std::get<RecorderMeasurement>(read->data).samples.size(),
                      std::size_t(c.samples))
                << c.name;
        }
    }

    Measurement m;
    m.takenAt = QDateTime(QDate(2026, 12, 7), QTime(14, 3), QTimeZone::systemTimeZone());
    m.data = RecorderMeasurement{0, 60, true, std::vector<zentor::RecorderSample>(812)};
    EXPECT_EQ(zentor::recordingJournalQuestion(m),
              QStringLiteral("Die Aufzeichnung vom 7.12. 14:03 (812 Messwerte) wiederherstellen?"));
}

TEST(RecordingJournalFile, RowsReachTheDiskWithinASecondAndDiscardRemovesThem) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("state/zentor/zeitschreiber.journal"));
    zentor::Journal journal(path);
    journal.begin(kHeader);
    journal.append("0;10\r\n");
    journal.append("100;11\r\n");
    auto onDisk = [&] {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    // No flush asked for: the journal's own timer writes the rows.
    EXPECT_TRUE(testing_support::waitUntil([&] {
        QCoreApplication::processEvents();
        return onDisk() == kHeader + "0;10\r\n100;11\r\n";
    }));
    journal.discard();
    journal.waitForWrites();
    EXPECT_FALSE(QFile::exists(path));
}

} // namespace
