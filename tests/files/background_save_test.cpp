// Saves off the calling thread: one at a time, in the order asked, the
// newest last.
#include "background_save.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <mutex>
#include <vector>

namespace {

using namespace std::chrono_literals;
using zentor::BackgroundSave;

QByteArray contentOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<fehlt>");
}

// The first save waits on the disk until the test lets it go; every save
// is recorded and then written for real.
class HeldDisk {
public:
    BackgroundSave::WriteFunction writer() {
        return [this](const QString& path, const QByteArray& bytes) {
            bool first = false;
            {
                const std::lock_guard lock(m_mutex);
                first = m_written.empty();
                m_written.push_back(bytes);
            }
            if (first) {
                m_entered.set_value();
                m_release.get_future().wait();
            }
            return zentor::writeFileAtomically(path, bytes);
        };
    }
    bool awaitFirstSave() {
        return m_entered.get_future().wait_for(30s) == std::future_status::ready;
    }
    void release() { m_release.set_value(); }
    std::vector<QByteArray> written() {
        const std::lock_guard lock(m_mutex);
        return m_written;
    }

private:
    std::mutex m_mutex;
    std::vector<QByteArray> m_written;
    std::promise<void> m_entered;
    std::promise<void> m_release;
};

TEST(BackgroundSave, AnOlderVersionNeverLandsAfterANewerOne) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("sp2.$$$"));
    HeldDisk disk;
    BackgroundSave saver(disk.writer());

    auto first = saver.save(path, "1");
    ASSERT_TRUE(disk.awaitFirstSave());
    // Asked for while the first is still on its way to the disk.
    auto second = saver.save(path, "2");
    auto third = saver.save(path, "3");
    disk.release();
    first.waitForFinished();
    second.waitForFinished();
    third.waitForFinished();

    // The first runs to its end; the second, overtaken before it began, is
    // dropped; the newest comes last.
    EXPECT_EQ(disk.written(), (std::vector<QByteArray>{"1", "3"}));
    ASSERT_TRUE(first.result().has_value());
    EXPECT_TRUE(*first.result());
    EXPECT_FALSE(second.result().has_value());
    ASSERT_TRUE(third.result().has_value());
    EXPECT_TRUE(*third.result());
    EXPECT_EQ(contentOf(path), "3");
}

} // namespace
