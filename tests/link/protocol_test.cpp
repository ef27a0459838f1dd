#include "board_commands.h"
#include "comphard.h"
#include "timing.h"
#include "wait_until.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

using namespace comphard;
using namespace testing_support;
using Bytes = std::vector<std::uint8_t>;

namespace {

constexpr int kTimeout = 60; // ms; small so that silent-board cases run fast
constexpr std::int64_t kRead = (kTimeout + 1) * kMs; // a read that gets nothing
constexpr std::int64_t kByte = 10 * kMs;             // the pause after every byte

// Answers fixed bytes to the n-th byte received (1-based).
PtyPeer::Script answerAfter(std::size_t n, Bytes answer) {
    return [=](const std::vector<ReceivedByte>& in) { return in.size() == n ? answer : Bytes{}; };
}

class ProtocolTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(OpenDevice(peer.path(), "1200,N,8,1"));
        SetTimeout(kTimeout);
    }
    void TearDown() override { ClosePort(); }

    // Waits for the bytes the routine sent (they may still be in flight).
    Bytes sent(std::size_t n) {
        peer.waitForBytes(n, std::chrono::seconds(1));
        return peer.receivedValues();
    }

    PtyPeer peer;
};

TEST_F(ProtocolTest, SendCommandJudgesTheEcho) {
    struct Case {
        Bytes answer;
        bool ok;
    };
    for (const Case& c : {Case{{45, 210}, true}, Case{{45, 211}, false}, Case{{44, 211}, false},
                          Case{{45}, false}}) {
        peer.clearReceived();
        peer.setScript(answerAfter(2, c.answer));
        EXPECT_EQ(SendCommand(45), c.ok);
        EXPECT_EQ(sent(2), (Bytes{27, 45}));
        expectGapsAtLeast(peer.received(), {kByte});
        PurgeInput();
    }
}

TEST_F(ProtocolTest, SimpleCommandsSendTheirOpcodes) {
    peer.setScript(echoCommandScript());
    EXPECT_TRUE(OutOn());
    EXPECT_TRUE(OutOff());
    EXPECT_TRUE(LedOn());
    EXPECT_TRUE(LedOff());
    EXPECT_TRUE(LedBlink());
    EXPECT_TRUE(Beep());
    EXPECT_EQ(sent(12), (Bytes{27, 40, 27, 41, 27, 42, 27, 43, 27, 44, 27, 45}));
}

TEST_F(ProtocolTest, SilentBoardFailsACommandAfterTwoReads) {
    peer.setScript(silentScript());
    bool ok = true;
    // 2 bytes with their pauses, 1 ms, then two reads that get nothing.
    EXPECT_GE(elapsedMicroseconds([&] { ok = SendCommand(45); }), 2 * kByte + 1 * kMs + 2 * kRead);
    EXPECT_FALSE(ok);
}

TEST_F(ProtocolTest, CommandWithOperandSendsOperandAndChecksItsPair) {
    peer.setScript(answerAfter(3, {128, 127}));
    bool ok = false;
    const auto took = elapsedMicroseconds([&] { ok = SendCommandWithOperand(2, 51, 128, 128); });
    EXPECT_TRUE(ok);
    EXPECT_EQ(sent(3), (Bytes{27, 51, 128}));
    expectGapsAtLeast(peer.received(), {kByte, kByte});
    EXPECT_GE(took, 3 * kByte + 3 * 20 * kMs);

    peer.clearReceived();
    peer.setScript(answerAfter(3, {128, 128}));
    EXPECT_FALSE(SendCommandWithOperand(2, 51, 128, 128));

    // The oscilloscope start expects 1, 254 whatever the operand.
    peer.clearReceived();
    peer.setScript(answerAfter(3, {1, 254}));
    EXPECT_TRUE(SendCommandWithOperand(2, board::kScopeCapture, 20, board::kScopeCaptureAnswer));
    EXPECT_EQ(sent(3), (Bytes{27, 124, 20}));
}

TEST_F(ProtocolTest, CommandWithOperandOfOtherLengthSendsNoOperand) {
    peer.setScript(silentScript());
    bool ok = true;
    const auto took = elapsedMicroseconds([&] { ok = SendCommandWithOperand(1, 51, 128, 128); });
    EXPECT_FALSE(ok);
    EXPECT_EQ(sent(2), (Bytes{27, 51}));
    EXPECT_FALSE(peer.waitForBytes(3, std::chrono::milliseconds(50)));
    // A silent board: the pauses plus two reads that get nothing.
    EXPECT_GE(took, 2 * kByte + 3 * 20 * kMs + 2 * kRead);
}

TEST_F(ProtocolTest, HandshakeAcceptsOnlyThePresenceAnswer) {
    std::string text = "stale";
    peer.setScript(answerAfter(2, {32, 223}));
    Handshake(text);
    EXPECT_EQ(text, "Ok");
    EXPECT_EQ(sent(2), (Bytes{27, 1}));

    // A wrong answer is a board out of step: one attempt only.
    peer.clearReceived();
    peer.setScript(answerAfter(2, {33, 222}));
    Handshake(text);
    EXPECT_EQ(text, "Controler antwortet nicht!");
    EXPECT_FALSE(peer.waitForBytes(3, std::chrono::milliseconds(50)));
    EXPECT_EQ(peer.receivedValues(), (Bytes{27, 1}));
}

TEST_F(ProtocolTest, HandshakeTriesAgainOnlyAfterTotalSilence) {
    std::string text;
    peer.setScript(silentScript());
    Handshake(text);
    EXPECT_EQ(text, "Controler antwortet nicht!");
    EXPECT_EQ(sent(4), (Bytes{27, 1, 27, 1}));
    // Second attempt: after the 10 ms pause and two empty reads.
    expectGapsAtLeast(peer.received(), {kByte, kByte + 10 * kMs + 2 * kRead, kByte});

    // A board that wakes up for the second attempt is found.
    peer.clearReceived();
    peer.setScript(answerAfter(4, {32, 223}));
    Handshake(text);
    EXPECT_EQ(text, "Ok");

    // Half an answer is not silence: no second attempt.
    peer.clearReceived();
    peer.setScript(answerAfter(2, {32}));
    Handshake(text);
    EXPECT_EQ(text, "Controler antwortet nicht!");
    EXPECT_FALSE(peer.waitForBytes(3, std::chrono::milliseconds(50)));
}

TEST_F(ProtocolTest, HandshakeDropsStaleInputFirst) {
    peer.send({32, 223, 32, 223});
    WaitMilliseconds(30);
    peer.setScript(answerAfter(2, {33, 222}));
    std::string text;
    Handshake(text);
    EXPECT_EQ(text, "Controler antwortet nicht!") << "a stale answer was taken";
}

TEST_F(ProtocolTest, ResyncStopsAtTheFirstAnswerOfTwentySeven) {
    peer.setScript(echoCommandScript());
    Resync();
    EXPECT_EQ(sent(2), (Bytes{27, 27}));
    EXPECT_FALSE(peer.waitForBytes(3, std::chrono::milliseconds(50)));
    expectGapsAtLeast(peer.received(), {kByte + 20 * kMs});
    EXPECT_EQ(BytesInQueue(), 0u);
}

TEST_F(ProtocolTest, ResyncRoundsUntilTheBoardComesBack) {
    // The board answers only the third round.
    peer.setScript(answerAfter(6, {27, 228}));
    Resync();
    EXPECT_EQ(sent(6), (Bytes{27, 27, 27, 27, 27, 27}));
    EXPECT_FALSE(peer.waitForBytes(7, std::chrono::milliseconds(50)));
    const std::int64_t round = kByte + 20 * kMs;
    expectGapsAtLeast(peer.received(), {round, round + 2 * kRead, round, round + 2 * kRead, round});
}

TEST_F(ProtocolTest, ResyncWithASilentBoardSendsFivePairsAndDropsInput) {
    peer.setScript(silentScript());
    Resync();
    EXPECT_EQ(sent(10), Bytes(10, 27));
    EXPECT_FALSE(peer.waitForBytes(11, std::chrono::milliseconds(50)));

    // Wrong first bytes do not end the rounds; what is left over is dropped.
    peer.clearReceived();
    peer.setScript([](const std::vector<ReceivedByte>& in) {
        return in.size() % 2 == 0 ? Bytes{26, 229, 99} : Bytes{};
    });
    Resync();
    EXPECT_EQ(sent(10), Bytes(10, 27));
    EXPECT_EQ(BytesInQueue(), 0u);
}

TEST_F(ProtocolTest, ReadAnalogChecksThePair) {
    struct Case {
        Bytes answer;
        int value;
    };
    for (const Case& c : {Case{{100, 155}, 100}, Case{{100, 100}, -1}, Case{{0, 255}, 0},
                          Case{{255, 0}, 255}}) {
        peer.clearReceived();
        peer.setScript(answerAfter(2, c.answer));
        EXPECT_EQ(ReadAnalog(), c.value);
        EXPECT_EQ(sent(2), (Bytes{27, 60}));
    }
}

TEST_F(ProtocolTest, ReadAnalogOfASilentBoardReadsOnce) {
    peer.setScript(silentScript());
    // A long time-out tells one silent read from two on a busy machine too.
    constexpr int kLongTimeout = 1000;
    constexpr std::int64_t kLongRead = (kLongTimeout + 1) * kMs;
    SetTimeout(kLongTimeout);
    int value = 0;
    const auto took = elapsedMicroseconds([&] { value = ReadAnalog(); });
    EXPECT_EQ(value, -1);
    EXPECT_GE(took, 2 * kByte + kLongRead);
    EXPECT_LT(took, 2 * kByte + 2 * kLongRead) << "the second byte must not be read";
}

TEST_F(ProtocolTest, BreakAndContinueAreLoneBytes) {
    peer.setScript(answerAfter(1, {27}));
    SendBreak();
    EXPECT_EQ(sent(1), (Bytes{27}));
    EXPECT_EQ(BytesInQueue(), 0u) << "the answer byte is read";

    peer.clearReceived();
    peer.setScript(answerAfter(1, {0, 255}));
    SendContinue();
    EXPECT_EQ(sent(1), (Bytes{0}));
    EXPECT_EQ(BytesInQueue(), 0u) << "both answer bytes are read";
}

TEST_F(ProtocolTest, AwaitInputWaitsAboutOneSecond) {
    peer.send({5});
    // The peer sends from its own thread: once the byte is there, the wait
    // ends at its first look, far sooner than its second.
    ASSERT_TRUE(testing_support::waitUntil([] { return BytesInQueue() > 0; }));
    bool got = false;
    EXPECT_LT(elapsedMicroseconds([&] { got = AwaitInput(); }), 500 * kMs);
    EXPECT_TRUE(got);
    ReadByte();
    EXPECT_GE(elapsedMicroseconds([&] { got = AwaitInput(); }), 1001 * kMs);
    EXPECT_FALSE(got);
}

TEST(ProtocolClosedPort, RoutinesFailFastWithoutAPort) {
    ClosePort();
    std::string text;
    EXPECT_LT(elapsedMicroseconds([&] {
                  EXPECT_FALSE(SendCommand(45));
                  EXPECT_FALSE(SendCommandWithOperand(2, 51, 1, 1));
                  EXPECT_EQ(ReadAnalog(), -1);
                  Handshake(text);
              }),
              500 * kMs);
    EXPECT_EQ(text, "Controler antwortet nicht!");
}

} // namespace
