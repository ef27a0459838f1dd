// The millisecond clock behind the logger's stopwatch, shared by the link
// thread (which starts the stopwatch inside the exchange) and the GUI thread
// (which counts the measurement down from the start stamp it got back).
// Readable from any thread; tests may replace it.
#pragma once

#include <cstdint>
#include <functional>

namespace zentor {

// The clock's reading: the system's monotonic milliseconds modulo 2^32, or
// the replacement's.
std::uint32_t millisecondsNow();

// Replaces the clock (tests); an empty function restores the system's.
void setMillisecondClock(std::function<std::uint32_t()> clock);

// Milliseconds from `start` to `now` of that clock, right across its wrap.
constexpr std::uint32_t millisecondsBetween(std::uint32_t start, std::uint32_t now) {
    return static_cast<std::uint32_t>(now - start);
}

} // namespace zentor
