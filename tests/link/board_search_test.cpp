// The board search: each device opened exclusively, asked with the resync
// and the presence check and nothing else, the first that answers taken.
#include "comphard.h"
#include "connection.h"
#include "link_wait.h"
#include "pty_peer.h"
#include "termios_port.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <fcntl.h>
#include <thread>
#include <unistd.h>

using testing_support::PtyPeer;
using testing_support::ReceivedByte;
using Bytes = std::vector<std::uint8_t>;
using zentor::connection::SearchCandidate;

namespace {

// A line that sends back every byte (a loop-back plug, a modem echoing).
PtyPeer::Script echoScript() {
    return [](const std::vector<ReceivedByte>& in) -> Bytes { return {in.back().value}; };
}

// A device that talks a protocol of its own.
PtyPeer::Script garbageScript() {
    return [](const std::vector<ReceivedByte>&) -> Bytes { return {0x55, 0xAA, 0x13}; };
}

// An open that hangs (a device whose driver waits for its hardware) until
// the test lets it go.
std::atomic<bool> g_hangReleased{false};
const char* const kHangingPath = "/dev/zentor-hangs-on-open";
int hangingOpen(const char* path, int flags) {
    if (std::strcmp(path, kHangingPath) != 0)
        return ::open(path, flags);
    while (!g_hangReleased)
        std::this_thread::yield();
    errno = ENODEV;
    return -1;
}

TEST(BoardSearch, TakesTheFirstBoardThatAnswersAndSaysWhyItSkippedTheOthers) {
    PtyPeer held, silent, echo, garbage, board, secondBoard;
    silent.setScript(testing_support::silentScript());
    echo.setScript(echoScript());
    garbage.setScript(garbageScript());
    board.setScript(testing_support::boardInStepScript());
    secondBoard.setScript(testing_support::boardInStepScript());
    // Another program holds the first device.
    const auto holder = comphard::TermiosPort::open(held.path(), comphard::LineMode{});
    ASSERT_NE(holder, nullptr);
    const auto previousOpen = comphard::TermiosPort::setOpenCall(hangingOpen);
    g_hangReleased = false;

    const std::vector<SearchCandidate> candidates{
        {1, held.path()},    {0, kHangingPath}, {2, silent.path()},     {0, echo.path()},
        {0, garbage.path()}, {3, board.path()}, {4, secondBoard.path()}};
    const auto result =
        testing_support::onLink([&] { return zentor::connection::search(candidates, 300); });
    g_hangReleased = true;
    comphard::TermiosPort::setOpenCall(previousOpen);

    ASSERT_TRUE(result.found);
    EXPECT_EQ(result.found->path, board.path());
    EXPECT_EQ(result.tried, 6);
    const std::vector<std::pair<std::string, std::string>> expected{
        {held.path(), "von einem anderen Programm belegt"},
        {kHangingPath, "hängt beim Öffnen"},
        {silent.path(), "keine Antwort"},
        {echo.path(), "antwortet nicht wie eine Platine"},
        {garbage.path(), "antwortet nicht wie eine Platine"}};
    std::vector<std::pair<std::string, std::string>> skipped;
    for (const auto& [candidate, why] : result.skipped)
        skipped.emplace_back(candidate.path, why);
    EXPECT_EQ(skipped, expected);
    EXPECT_EQ(zentor::connection::searchSummary(result),
              "Platine gefunden an COM 3 (" + board.path() + ")");
    const std::string details = zentor::connection::searchDetails(result);
    EXPECT_EQ(details.substr(0, details.find('\n')),
              "COM 1 (" + held.path() + "): von einem anderen Programm belegt");

    // Nothing but the resync and the presence check reached any device; the
    // board found stays open with the program's time-out.
    for (PtyPeer* peer : {&silent, &echo, &garbage, &board})
        for (std::uint8_t byte : peer->receivedValues())
            EXPECT_TRUE(byte == 27 || byte == 1) << peer->path() << ": " << int(byte);
    EXPECT_EQ(board.receivedValues(), (Bytes{27, 27, 27, 1}));
    EXPECT_TRUE(secondBoard.receivedValues().empty());
    EXPECT_TRUE(testing_support::onLink(comphard::PortIsOpen));
    EXPECT_EQ(testing_support::onLink(comphard::CurrentTimeout), 300);
    testing_support::onLink(comphard::ClosePort);
}

TEST(BoardSearch, WithoutABoardCountsThePortsAndLeavesNoneOpen) {
    PtyPeer silent;
    silent.setScript(testing_support::silentScript());
    const std::vector<SearchCandidate> candidates{{0, silent.path()},
                                                  {5, "/dev/zentor-does-not-exist"}};
    const auto result =
        testing_support::onLink([&] { return zentor::connection::search(candidates, 300); });
    EXPECT_FALSE(result.found);
    EXPECT_EQ(zentor::connection::searchSummary(result),
              "Keine Platine gefunden: 2 Anschlüsse geprüft");
    EXPECT_FALSE(testing_support::onLink(comphard::PortIsOpen));
}

TEST(BoardSearch, EscapeEndsItAfterTheDeviceItIsAsking) {
    PtyPeer first, second, third;
    for (PtyPeer* peer : {&first, &second, &third})
        peer->setScript(testing_support::silentScript());
    bool done = false;
    zentor::connection::SearchResult result;
    zentor::Connection::instance()
        .search({{0, first.path()}, {0, second.path()}, {0, third.path()}})
        .then(&zentor::Connection::instance(), [&](const zentor::connection::SearchResult& r) {
            result = r;
            done = true;
        });
    // The search is at the first device: the user gives up.
    ASSERT_TRUE(first.waitForBytes(1, std::chrono::seconds(30)));
    zentor::Link::instance().cancel();
    ASSERT_TRUE(testing_support::waitForLink());
    ASSERT_TRUE(done);
    EXPECT_TRUE(result.cancelled);
    EXPECT_FALSE(result.found);
    EXPECT_LE(result.tried, 2);
    EXPECT_TRUE(third.receivedValues().empty());
    EXPECT_EQ(zentor::connection::searchSummary(result), "Abgebrochen.");
}

} // namespace
