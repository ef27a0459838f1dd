// Waits that are never shorter than asked and do not burn a core: sleep on an
// absolute monotonic deadline until shortly before it, then spin the rest.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>

namespace comphard {

using MonotonicClock = std::chrono::steady_clock;

// Waits until the monotonic clock has reached the deadline, or returns
// early once an interrupt is requested.
void waitUntil(MonotonicClock::time_point deadline);

// A process-wide request to give up whatever runs on the line (the port
// closes, the program ends). While it is set, waits and reads return at
// once, so an exchange ends at its next byte, in the middle of a frame if
// need be.
void requestInterrupt(bool on);

// The cancel of one exchange, for the thread the exchange runs on. While the
// scope lives, the flag it was given asks the exchange to end: waits and
// reads return at once and writes are skipped, except inside a WholeFrame.
// Scopes nest; the innermost one counts.
class ExchangeScope {
public:
    explicit ExchangeScope(const std::atomic<bool>* cancel);
    ~ExchangeScope();
    ExchangeScope(const ExchangeScope&) = delete;
    ExchangeScope& operator=(const ExchangeScope&) = delete;

    // True when the cancel gave up a wait, read or write after the exchange
    // had sent a byte: the board may be in the middle of an answer or a
    // stream, and the line needs bringing into step before the next
    // exchange. A cancel that came before the first byte, or after the last
    // one, leaves the line as it was.
    bool cut() const { return m_cut; }

private:
    friend class WholeFrame;
    friend bool interruptRequested();
    friend void noteByteSent();
    friend bool exchangeCancelled();

    const std::atomic<bool>* m_cancel;
    ExchangeScope* m_outer;
    int m_wholeFrames = 0;
    bool m_sent = false;
    bool m_cut = false;
};

// A frame that is sent whole: a cancel that comes while it lives waits until
// it ends, so the board never sees half a frame. A cancel that came before it
// began is not deferred: its writes are skipped like any other. The end of
// the program (requestInterrupt) is never deferred.
class WholeFrame {
public:
    WholeFrame();
    ~WholeFrame();
    WholeFrame(const WholeFrame&) = delete;
    WholeFrame& operator=(const WholeFrame&) = delete;

    // False when the exchange was cancelled before the frame began: nothing
    // of it goes out.
    bool begun() const { return m_deferring; }

private:
    bool m_deferring = false;
};

// Whether the byte layer must give up now: the end of the program, or a
// cancel of the exchange on this thread outside a whole frame. Asked by the
// waits, reads and writes; an answer of true because of the cancel marks
// the exchange as cut once it has sent a byte.
bool interruptRequested();

// Whether the exchange on this thread was asked to end (its cancel, inside
// a frame or not, or the end of the program). A question for the
// exchange's own steps; it marks nothing.
bool exchangeCancelled();

// Called by the byte layer for every byte that went out.
void noteByteSent();

// Long sleeps and polls look at the interrupt request at least this often.
inline constexpr std::chrono::milliseconds kInterruptSlice{20};

// Microseconds of the monotonic clock, for stamps and measurements.
std::int64_t monotonicMicroseconds();

} // namespace comphard
