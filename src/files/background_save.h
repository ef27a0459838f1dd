// Saves the user does not wait for (the autosave after an edit), off the
// calling thread: a slow or network disk must not stall the window. One
// worker thread writes them one after another, in the order they were
// asked for, each through writeFileAtomically (atomic_file.h).
//
// One BackgroundSave serves one file. A save that has not begun when a
// newer one is asked for is dropped, so a slow disk never works through a
// queue of old versions and an old version never lands after a newer one;
// a save that has begun always runs to its end.
#pragma once

#include "atomic_file.h"

#include <QByteArray>
#include <QFuture>
#include <QString>
#include <QThreadPool>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>

namespace zentor {

class BackgroundSave {
public:
    using WriteFunction = std::function<SaveResult(const QString& path, const QByteArray& bytes)>;

    // `write` stands in for writeFileAtomically (tests hold a save back with
    // it); empty: writeFileAtomically.
    explicit BackgroundSave(WriteFunction write = {});
    // Waits for the save that runs; those not begun are dropped.
    ~BackgroundSave();

    // Queues a save. The future's result is its outcome, or nothing when a
    // newer save was asked for before it began. Attach the continuation
    // with a context object to have it on that object's thread.
    QFuture<std::optional<SaveResult>> save(const QString& path, const QByteArray& bytes);

    // Drops the saves not begun and waits for the one that runs: a save the
    // caller makes afterwards cannot be overtaken by one of this queue.
    void settle();

private:
    WriteFunction m_write;
    // The number of the newest save asked for; a queued save that finds a
    // newer number when its turn comes is dropped.
    std::shared_ptr<std::atomic<quint64>> m_newest = std::make_shared<std::atomic<quint64>>(0);
    QThreadPool m_worker; // one thread: the saves never overlap
};

} // namespace zentor
