// Waits that are never shorter than asked and do not burn a core: sleep on an
// absolute monotonic deadline until shortly before it, then spin the rest.
#pragma once

#include <chrono>
#include <cstdint>

namespace comphard {

using MonotonicClock = std::chrono::steady_clock;

// Waits until the monotonic clock has reached the deadline, or returns
// early once an interrupt is requested.
void waitUntil(MonotonicClock::time_point deadline);

// A process-wide request to give up the running exchange (a cancel, the end
// of the program). While it is set, waits and reads return at once, so an
// exchange ends at its next byte; the link clears it before the next one.
void requestInterrupt(bool on);
bool interruptRequested();

// Long sleeps and polls look at the interrupt request at least this often.
inline constexpr std::chrono::milliseconds kInterruptSlice{20};

// Microseconds of the monotonic clock, for stamps and measurements.
std::int64_t monotonicMicroseconds();

} // namespace comphard
