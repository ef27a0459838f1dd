#include "regular_file.h"

#include <QFile>
#include <QLocale>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zentor {

namespace {

QString tooLarge(qint64 limit) {
    return QStringLiteral("Die Datei ist größer als %1.").arg(QLocale().formattedDataSize(limit));
}

} // namespace

FileRead readRegularFile(const QString& path, qint64 limit) {
    // Opened without blocking, so that a FIFO or a device never holds the
    // caller up; only a regular file of at most `limit` bytes is read.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return {};
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return {std::nullopt, QStringLiteral("Das ist keine gewöhnliche Datei.")};
    }
    if (info.st_size > limit) {
        ::close(fd);
        return {std::nullopt, tooLarge(limit)};
    }
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return {};
    }
    // The file may have grown since fstat: never more than limit + 1 bytes.
    QByteArray bytes = file.read(limit + 1);
    if (file.error() != QFileDevice::NoError)
        return {};
    if (bytes.size() > limit)
        return {std::nullopt, tooLarge(limit)};
    return {std::move(bytes), {}};
}

} // namespace zentor
