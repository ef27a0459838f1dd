#include "precise_wait.h"

#include <algorithm>
#include <atomic>
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

std::atomic<bool> s_interrupt{false};

// The exchange that runs on this thread, if any.
thread_local ExchangeScope* t_exchange = nullptr;

bool cancelSet(const ExchangeScope* scope, const std::atomic<bool>* flag) {
    return scope && flag && flag->load(std::memory_order_acquire);
}

} // namespace

void requestInterrupt(bool on) {
    s_interrupt.store(on, std::memory_order_release);
}

ExchangeScope::ExchangeScope(const std::atomic<bool>* cancel)
    : m_cancel(cancel), m_outer(t_exchange) {
    t_exchange = this;
}

ExchangeScope::~ExchangeScope() {
    t_exchange = m_outer;
}

WholeFrame::WholeFrame() {
    m_deferring = !interruptRequested();
    if (m_deferring && t_exchange)
        ++t_exchange->m_wholeFrames;
}

WholeFrame::~WholeFrame() {
    if (m_deferring && t_exchange)
        --t_exchange->m_wholeFrames;
}

bool interruptRequested() {
    if (s_interrupt.load(std::memory_order_acquire))
        return true;
    ExchangeScope* scope = t_exchange;
    if (!cancelSet(scope, scope ? scope->m_cancel : nullptr) || scope->m_wholeFrames > 0)
        return false;
    if (scope->m_sent)
        scope->m_cut = true;
    return true;
}

bool exchangeCancelled() {
    const ExchangeScope* scope = t_exchange;
    return s_interrupt.load(std::memory_order_acquire) ||
           cancelSet(scope, scope ? scope->m_cancel : nullptr);
}

void noteByteSent() {
    if (t_exchange)
        t_exchange->m_sent = true;
}

void waitUntil(MonotonicClock::time_point deadline) {
    // steady_clock is CLOCK_MONOTONIC on Linux, so its time points can be
    // handed to clock_nanosleep directly.
    static_assert(MonotonicClock::is_steady);
    trimTimerSlack();
    const auto wakeUp = deadline - kSpinMargin;
    // Sleep in slices, so that a cancel or the end of the program does not
    // wait out a long pause; the last slice ends on the same wake-up point.
    for (auto now = MonotonicClock::now(); now < wakeUp; now = MonotonicClock::now()) {
        if (interruptRequested())
            return;
        const timespec ts = toTimespec(std::min(wakeUp, now + kInterruptSlice));
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
