// The board's sending side of the serial line: paces the bytes at 1200 baud
// and applies the output faults (silence, garbled complements, dropped
// bytes). Pure: bytes go in with the time they are ready, and come out with
// the time they have left the board.
#pragma once

#include "sim_types.h"

#include <cstdint>
#include <random>
#include <vector>

namespace zentor::sim {

enum class ByteKind {
    Data,       // a reading, an echo, a sample: sent as it is
    Complement, // the second byte of an answer pair; may be garbled
};

class AnswerLine {
public:
    AnswerLine(bool pacing, const FaultOptions& faults);

    // Queues one byte that is ready to go at readyAt. With pacing it leaves
    // one byte time after the line is free, else at readyAt.
    void send(std::uint8_t value, ByteKind kind, Micros readyAt);

    // The bytes queued since the last call, in order, with their times.
    std::vector<TimedByte> take();

    // Forgets queued bytes (the pty was closed under them).
    void discard() { m_queue.clear(); }

    // The moment the last queued byte has left; earlier times mean idle.
    Micros freeAt() const { return m_freeAt; }
    std::uint64_t bytesSent() const { return m_sent; }

private:
    bool m_pacing;
    FaultOptions m_faults;
    std::mt19937 m_random;
    std::uint64_t m_offered = 0; // bytes offered to the line, dropped ones included
    std::uint64_t m_sent = 0;
    Micros m_freeAt = 0;
    std::vector<TimedByte> m_queue;
};

} // namespace zentor::sim
