// What a screen reader is told of a value that changes fast, the meter's
// reading or a chart's count while it records: at most once per interval,
// the newest state when the interval is over. Orca takes longer for each
// event than a recording takes between two values.
#pragma once

#include <QElapsedTimer>
#include <QTimer>

#include <functional>

namespace zentor::access {

class Pacer {
public:
    Pacer(qint64 intervalMs, std::function<void()> tell);
    Pacer(const Pacer&) = delete;
    Pacer& operator=(const Pacer&) = delete;

    // Tells now when the last telling is an interval ago (or `atOnce`),
    // else once when the interval is over.
    void offer(bool atOnce = false);
    // Drops a telling that waits.
    void cancel() { m_later.stop(); }

private:
    void tellNow();

    qint64 m_intervalMs;
    std::function<void()> m_tell;
    QElapsedTimer m_toldAt; // invalid until the first telling
    QTimer m_later;
};

} // namespace zentor::access
