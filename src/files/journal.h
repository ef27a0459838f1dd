// A file that grows while something runs and is read back after a crash:
// the journal of a recording.
//
// The header goes out whole (through the atomic save, replacing an old
// journal); rows are gathered and appended at most a second apart, each
// append followed by fdatasync, so that a crash, a kill or a power cut
// loses at most the last second. Every file operation runs in order on a
// thread of its own: the window never waits for the disk.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <memory>

class QThreadPool;
class QTimer;

namespace zentor {

class Journal : public QObject {
    Q_OBJECT

public:
    static constexpr int kFlushIntervalMs = 1000;

    explicit Journal(QString path, QObject* parent = nullptr);
    ~Journal() override;

    const QString& path() const { return m_path; }

    // Starts a new journal with header, replacing any old one.
    void begin(const QByteArray& header);
    // Adds a row; it reaches the disk within a second.
    void append(const QByteArray& row);
    // Writes the rows gathered so far now.
    void flush();
    // Removes the journal; rows not yet written are dropped.
    void discard();
    // Waits until every write asked for so far is done (tests, the end of
    // the program).
    void waitForWrites();

signals:
    // The journal cannot be written: reason in German. Told once per journal.
    void failed(const QString& reason);

private:
    void report(const QString& reason);

    QString m_path;
    QByteArray m_pending;
    bool m_open = false;
    bool m_failureTold = false;
    QTimer* m_flushTimer;
    std::unique_ptr<QThreadPool> m_writer; // one thread: writes stay in order
};

} // namespace zentor
