// Timing checks for the link tests: pauses are never shorter than stated.
#pragma once

#include "precise_wait.h"
#include "pty_peer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <vector>

namespace testing_support {

// Checks each gap between received bytes against the least gap stated for it
// and prints the smallest lateness seen.
inline void expectGapsAtLeast(const std::vector<ReceivedByte>& bytes,
                              const std::vector<std::int64_t>& leastMicroseconds) {
    const auto gaps = gapsMicroseconds(bytes);
    ASSERT_EQ(gaps.size(), leastMicroseconds.size());
    std::int64_t minLateness = INT64_MAX;
    for (std::size_t i = 0; i < gaps.size(); ++i) {
        EXPECT_GE(gaps[i], leastMicroseconds[i]) << "gap " << i;
        minLateness = std::min(minLateness, gaps[i] - leastMicroseconds[i]);
    }
    if (!gaps.empty())
        ::testing::Test::RecordProperty("min_lateness_us", static_cast<int>(minLateness));
}

// Wall time of a call, in microseconds.
template <typename F> std::int64_t elapsedMicroseconds(F&& f) {
    const std::int64_t start = comphard::monotonicMicroseconds();
    f();
    return comphard::monotonicMicroseconds() - start;
}

inline constexpr std::int64_t kMs = 1000;

} // namespace testing_support
