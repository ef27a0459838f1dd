#include "pacer.h"

#include <utility>

namespace zentor::access {

Pacer::Pacer(qint64 intervalMs, std::function<void()> tell)
    : m_intervalMs(intervalMs), m_tell(std::move(tell)) {
    m_later.setSingleShot(true);
    QObject::connect(&m_later, &QTimer::timeout, [this] { tellNow(); });
}

void Pacer::offer(bool atOnce) {
    const qint64 since = m_toldAt.isValid() ? m_toldAt.elapsed() : m_intervalMs;
    if (!atOnce && since < m_intervalMs) {
        if (!m_later.isActive())
            m_later.start(static_cast<int>(m_intervalMs - since));
        return;
    }
    tellNow();
}

void Pacer::tellNow() {
    m_later.stop();
    m_toldAt.start();
    m_tell();
}

} // namespace zentor::access
