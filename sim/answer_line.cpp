#include "answer_line.h"

#include <algorithm>

namespace zentor::sim {

AnswerLine::AnswerLine(bool pacing, const FaultOptions& faults)
    : m_pacing(pacing), m_faults(faults), m_random(faults.seed) {}

void AnswerLine::send(std::uint8_t value, ByteKind kind, Micros readyAt) {
    if (m_faults.silent)
        return;
    ++m_offered;
    // A dropped byte never takes line time: the PC simply sees one byte less.
    if (m_faults.dropEvery > 0 && m_offered % static_cast<std::uint64_t>(m_faults.dropEvery) == 0)
        return;
    if (kind == ByteKind::Complement && m_faults.wrongComplementRate > 0.0) {
        // One draw per complement byte, so the garbled positions depend only
        // on the seed and the count of pairs, not on timing. The raw 32-bit
        // draw is portable, unlike the standard distributions.
        const double draw = static_cast<double>(m_random()) / 4294967296.0;
        if (draw < m_faults.wrongComplementRate)
            value = static_cast<std::uint8_t>(value + 1);
    }
    const Micros start = std::max(readyAt, m_freeAt);
    const Micros leaves = m_pacing ? start + kByteMicros : start;
    m_freeAt = leaves;
    m_queue.push_back({value, leaves});
    ++m_sent;
}

std::vector<TimedByte> AnswerLine::take() {
    std::vector<TimedByte> out;
    out.swap(m_queue);
    return out;
}

} // namespace zentor::sim
