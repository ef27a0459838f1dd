#include "millisecond_clock.h"

#include "precise_wait.h"

#include <memory>
#include <mutex>

namespace zentor {

namespace {

using Clock = std::function<std::uint32_t()>;

std::uint32_t systemMilliseconds() {
    return static_cast<std::uint32_t>(comphard::monotonicMicroseconds() / 1000);
}

struct Shared {
    std::mutex mutex;
    std::shared_ptr<const Clock> clock; // null: the system's
};

Shared& shared() {
    static Shared s;
    return s;
}

} // namespace

std::uint32_t millisecondsNow() {
    std::shared_ptr<const Clock> clock;
    {
        const std::lock_guard lock(shared().mutex);
        clock = shared().clock;
    }
    return clock ? (*clock)() : systemMilliseconds();
}

void setMillisecondClock(std::function<std::uint32_t()> clock) {
    auto replacement = clock ? std::make_shared<const Clock>(std::move(clock)) : nullptr;
    const std::lock_guard lock(shared().mutex);
    shared().clock = std::move(replacement);
}

} // namespace zentor
