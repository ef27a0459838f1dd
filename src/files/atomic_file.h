// The one way the program writes a file: atomically and checked. The data
// goes into a temporary file beside the target, unbuffered, and is synced to
// the device; only when every write and the sync succeeded does the temporary
// file replace the target. On any failure the old file stays whole and the
// temporary file is removed.
#pragma once

#include <QByteArray>
#include <QString>

namespace zentor {

// The outcome of a save: success, or why the file could not be written.
struct SaveResult {
    // Empty on success; otherwise a German sentence for the error box or the
    // status bar ("Auf dem Datenträger ist kein Platz mehr frei.").
    QString reason;

    explicit operator bool() const { return reason.isEmpty(); }
    // `message`, and the reason on a line of its own after a failure.
    QString explained(const QString& message) const {
        return reason.isEmpty() ? message : message + u'\n' + reason;
    }
};

// Writes `bytes` to `path` as described above. Creates missing parent
// folders. Keeps the permissions of an existing file; follows a symbolic
// link to its target.
SaveResult writeFileAtomically(const QString& path, const QByteArray& bytes);

// Moves the file at `path` out of the way: renamed to `path` + `suffix`, or,
// when that name is taken, with ".2", ".3", ... after it; never replaces a
// file. `path` in the result is the new name, empty on failure with the
// reason in `reason`.
struct MovedAside {
    QString path;
    QString reason;
};
MovedAside moveAside(const QString& path, const QString& suffix);

// The sentence for a failed file operation with the system's error number.
QString fileErrorReason(int errorNumber);

} // namespace zentor
