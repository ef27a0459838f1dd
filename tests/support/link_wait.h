// Waiting for the link thread in tests that drive a page's handlers by hand.
#pragma once

#include <QString>

#include <chrono>

namespace testing_support {

// Runs the event loop until the link has no exchange left and every result
// (and whatever a result started in turn) has reached its page. Fails the
// test, and returns false, when that takes longer than the deadline.
bool waitForLink(std::chrono::milliseconds deadline = std::chrono::seconds(60));

// The presence check as an exchange of its own, after those queued before
// it: "Ok" or the failure text; empty when the link did not finish.
QString presenceCheck();

} // namespace testing_support
