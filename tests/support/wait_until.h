// Waiting in tests for what another thread does (a byte queued, a board's
// mode, a count on the board's side) where no event loop runs: looks again
// every millisecond until it holds, for at most a generous bound, so that a
// busy machine only makes the wait longer, never the test fail.
#pragma once

#include <chrono>
#include <thread>

namespace testing_support {

inline constexpr std::chrono::milliseconds kGenerousBound{30'000};

// True once done() holds; false when it still does not after `bound`.
template <typename Done>
bool waitUntil(Done done, std::chrono::milliseconds bound = kGenerousBound) {
    const auto giveUp = std::chrono::steady_clock::now() + bound;
    while (!done()) {
        if (std::chrono::steady_clock::now() > giveUp)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

} // namespace testing_support
