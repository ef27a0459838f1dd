// The atomic save on real file systems that fail: a full 64 KiB tmpfs and a
// read-only one, each mounted privately for this process (skipped where the
// tests do not run as root).
#include "atomic_file.h"
#include "private_mount.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

namespace {

using zentor::writeFileAtomically;

QByteArray contentOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<fehlt>");
}

TEST(AtomicFile, AFailedSaveKeepsTheOldFileAndSaysWhy) {
    struct Case {
        const char* name;
        bool readOnly;
        QByteArray bytes;
        const char* reason;
    };
    const Case cases[] = {
        // Small enough to fit a write buffer: the device's error shows only
        // when the data is flushed.
        {"full", false, QByteArray(8 * 1024, 'x'), "kein Platz mehr frei"},
        {"read-only", true, QByteArray("neu"), "schreibgeschützt"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string why;
        const std::string mounted = testing_support::mountPrivateTmpfs(64 * 1024, why);
        if (mounted.empty())
            GTEST_SKIP() << why;
        const QString folder = QString::fromStdString(mounted);
        const QString path = folder + QStringLiteral("/sp2.$$$");
        ASSERT_TRUE(writeFileAtomically(path, "alt\r\n"));
        if (c.readOnly) {
            ASSERT_TRUE(testing_support::remountReadOnly(mounted, true, why)) << why;
        } else {
            QFile filler(folder + QStringLiteral("/voll"));
            ASSERT_TRUE(filler.open(QIODevice::WriteOnly));
            filler.write(QByteArray(64 * 1024, 'f')); // as much as fits
        }

        const zentor::SaveResult saved = writeFileAtomically(path, c.bytes);
        EXPECT_FALSE(saved);
        EXPECT_TRUE(saved.reason.contains(QString::fromUtf8(c.reason)))
            << saved.reason.toStdString();
        EXPECT_EQ(contentOf(path), "alt\r\n");
        // Nothing is left beside it.
        QStringList left = QDir(folder).entryList(QDir::Files | QDir::Hidden);
        left.removeOne(QStringLiteral("voll"));
        EXPECT_EQ(left, QStringList{QStringLiteral("sp2.$$$")});
    }
}

} // namespace
