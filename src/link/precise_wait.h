// Waits that are never shorter than asked and do not burn a core: sleep on an
// absolute monotonic deadline until shortly before it, then spin the rest.
#pragma once

#include <chrono>
#include <cstdint>

namespace comphard {

using MonotonicClock = std::chrono::steady_clock;

// Waits until the monotonic clock has reached the deadline.
void waitUntil(MonotonicClock::time_point deadline);

// Microseconds of the monotonic clock, for stamps and measurements.
std::int64_t monotonicMicroseconds();

} // namespace comphard
