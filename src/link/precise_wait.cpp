#include "precise_wait.h"

#include <cerrno>
#include <ctime>
#include <sys/prctl.h>

namespace comphard {

namespace {

// The kernel wakes a sleeper up to a few tens of microseconds late; stopping
// the sleep this far ahead and spinning the rest keeps the lateness below a
// microsecond while spinning only a fraction of a millisecond.
constexpr std::chrono::microseconds kSpinMargin{250};

timespec toTimespec(MonotonicClock::time_point t) {
    const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(t.time_since_epoch());
    timespec ts{};
    ts.tv_sec = static_cast<time_t>(ns.count() / 1'000'000'000);
    ts.tv_nsec = static_cast<long>(ns.count() % 1'000'000'000);
    return ts;
}

void trimTimerSlack() {
    // The default slack of 50 us would add itself to every wake-up.
    static const bool done = [] {
        prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
        return true;
    }();
    (void)done;
}

} // namespace

void waitUntil(MonotonicClock::time_point deadline) {
    // steady_clock is CLOCK_MONOTONIC on Linux, so its time points can be
    // handed to clock_nanosleep directly.
    static_assert(MonotonicClock::is_steady);
    trimTimerSlack();
    const auto wakeUp = deadline - kSpinMargin;
    if (MonotonicClock::now() < wakeUp) {
        const timespec ts = toTimespec(wakeUp);
        while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &ts, nullptr) == EINTR) {
        }
    }
    while (MonotonicClock::now() < deadline) {
    }
}

std::int64_t monotonicMicroseconds() {
    return std::chrono::duration_cast<std::chrono::microseconds>(
               MonotonicClock::now().time_since_epoch())
        .count();
}

} // namespace comphard
