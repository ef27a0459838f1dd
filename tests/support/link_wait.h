// Waiting for the link thread in tests that drive a page's handlers by hand.
#pragma once

#include "link.h"

#include <QString>

#include <chrono>
#include <optional>
#include <type_traits>

namespace testing_support {

// Runs the event loop until the link has no exchange left and every result
// (and whatever a result started in turn) has reached its page. Fails the
// test, and returns false, when that takes longer than the deadline.
bool waitForLink(std::chrono::milliseconds deadline = std::chrono::seconds(60));

// The presence check as an exchange of its own, after those queued before
// it: "Ok" or the failure text; empty when the link did not finish.
QString presenceCheck();
// Runs `function` on the link thread and returns its result. The port
// belongs to that thread once the link exists: a test opens, attaches,
// closes or talks to it by hand through here.
template <typename Function> auto onLink(Function function) {
    using Result = std::invoke_result_t<Function&>;
    if constexpr (std::is_void_v<Result>) {
        zentor::Link::instance().runAndWait([&function] { function(); });
    } else {
        std::optional<Result> result;
        zentor::Link::instance().runAndWait([&] { result.emplace(function()); });
        return std::move(*result);
    }
}

} // namespace testing_support
