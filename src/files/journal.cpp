#include "journal.h"

#include "atomic_file.h"

#include <QFile>
#include <QPointer>
#include <QThreadPool>
#include <QTimer>

#include <unistd.h>

namespace zentor {

Journal::Journal(QString path, QObject* parent)
    : QObject(parent), m_path(std::move(path)), m_flushTimer(new QTimer(this)),
      m_writer(std::make_unique<QThreadPool>()) {
    m_writer->setMaxThreadCount(1);
    m_flushTimer->setInterval(kFlushIntervalMs);
    connect(m_flushTimer, &QTimer::timeout, this, &Journal::flush);
}

Journal::~Journal() {
    flush();
    waitForWrites();
}

void Journal::report(const QString& reason) {
    // From the writer's thread to the owner's.
    QMetaObject::invokeMethod(
        this,
        [this, reason] {
            if (m_failureTold)
                return;
            m_failureTold = true;
            emit failed(reason);
        },
        Qt::QueuedConnection);
}

void Journal::begin(const QByteArray& header) {
    m_pending.clear();
    m_open = true;
    m_failureTold = false;
    m_flushTimer->start();
    m_writer->start([this, path = m_path, header] {
        if (const SaveResult saved = writeFileAtomically(path, header); !saved)
            report(saved.reason);
    });
}

void Journal::append(const QByteArray& row) {
    if (m_open)
        m_pending += row;
}

void Journal::flush() {
    if (!m_open || m_pending.isEmpty())
        return;
    m_writer->start([this, path = m_path, rows = std::exchange(m_pending, {})] {
        QFile file(path);
        // A journal that went (removed by hand, its header not written) is
        // not made anew from rows alone.
        if (!file.exists() || !file.open(QIODevice::WriteOnly | QIODevice::Append) ||
            file.write(rows) != rows.size() || !file.flush() || ::fdatasync(file.handle()) != 0)
            report(file.errorString());
    });
}

void Journal::discard() {
    m_open = false;
    m_pending.clear();
    m_flushTimer->stop();
    m_writer->start([path = m_path] { QFile::remove(path); });
}

void Journal::waitForWrites() {
    m_writer->waitForDone();
}

} // namespace zentor
