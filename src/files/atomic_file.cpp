#include "atomic_file.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <system_error>
#include <unistd.h>

namespace zentor {

namespace {

// Writes all of `bytes` to `fd`; returns 0 or the error number of the write
// that failed. Unbuffered, so a full device shows at the write itself.
int writeAll(int fd, const QByteArray& bytes) {
    const char* data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, data, static_cast<size_t>(left));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        data += n;
        left -= n;
    }
    // Some file systems report a lack of space only when the data reaches
    // the device; a file system without sync support says EINVAL.
    if (::fsync(fd) != 0 && errno != EINVAL)
        return errno;
    return 0;
}

// So that the rename itself survives a power cut.
void syncFolder(const QString& folder) {
    const int fd =
        ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}

QString reasonFor(int errorNumber, const QSaveFile& file) {
    return errorNumber != 0 ? fileErrorReason(errorNumber) : file.errorString();
}

} // namespace

QString fileErrorReason(int errorNumber) {
    switch (errorNumber) {
    case ENOSPC:
    case EDQUOT:
        return QStringLiteral("Auf dem Datenträger ist kein Platz mehr frei.");
    case EROFS:
        return QStringLiteral("Der Datenträger ist schreibgeschützt.");
    case EACCES:
    case EPERM:
        return QStringLiteral("Dafür fehlt die Berechtigung.");
    case ENOENT:
        return QStringLiteral("Der Ordner existiert nicht.");
    case ENOTDIR:
        return QStringLiteral("Ein Teil des Pfades ist kein Ordner.");
    case EISDIR:
        return QStringLiteral("Unter diesem Namen gibt es schon einen Ordner.");
    case ENAMETOOLONG:
        return QStringLiteral("Der Name ist zu lang.");
    case EIO:
        return QStringLiteral("Der Datenträger meldet einen Ein-/Ausgabefehler.");
    default:
        return QStringLiteral("Systemfehler: %1")
            .arg(QString::fromLocal8Bit(std::strerror(errorNumber)));
    }
}

SaveResult writeFileAtomically(const QString& path, const QByteArray& bytes) {
    const QString folder = QFileInfo(path).absolutePath();
    std::error_code made;
    std::filesystem::create_directories(QFile::encodeName(folder).toStdString(), made);
    if (made) // EEXIST: a file stands where a folder has to be
        return {fileErrorReason(made.value() == EEXIST ? ENOTDIR : made.value())};

    QSaveFile file(path);
    errno = 0;
    if (!file.open(QIODevice::WriteOnly))
        return {reasonFor(errno, file)};
    if (const int failed = writeAll(static_cast<int>(file.handle()), bytes); failed != 0) {
        file.cancelWriting(); // removes the temporary file; the old one stays
        return {fileErrorReason(failed)};
    }
    errno = 0;
    if (!file.commit())
        return {reasonFor(errno, file)};
    syncFolder(folder);
    return {};
}

MovedAside moveAside(const QString& path, const QString& suffix) {
    const QByteArray from = QFile::encodeName(path);
    for (int n = 1; n < 100; ++n) {
        const QString to = path + suffix + (n > 1 ? u'.' + QString::number(n) : QString());
        if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, QFile::encodeName(to).constData(),
                        RENAME_NOREPLACE) == 0)
            return {to, {}};
        if (errno != EEXIST)
            return {{}, fileErrorReason(errno)};
    }
    return {{}, fileErrorReason(EEXIST)};
}

} // namespace zentor
