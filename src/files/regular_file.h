// Reading a file the user named: only a regular file, only up to a size
// cap, and never blocking on a FIFO or a device. Every part of the program
// that opens a file (programs, measurements, reference curves, zentor-mess)
// reads it this way.
#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace zentor {

struct FileRead {
    std::optional<QByteArray> bytes; // std::nullopt when not read
    // Why a file that exists was refused, as a sentence for the error box;
    // empty when it is missing or could not be read.
    QString refusal;

    // The error box's text: `message`, and the refusal on a line of its own
    // where there is one.
    QString explained(const QString& message) const {
        return refusal.isEmpty() ? message : message + u'\n' + refusal;
    }
};

// Reads a whole regular file of at most `limit` bytes. Returns at once for a
// FIFO, a device or a folder (refused) and never reads more than limit + 1
// bytes of a file that grows meanwhile.
FileRead readRegularFile(const QString& path, qint64 limit);

} // namespace zentor
