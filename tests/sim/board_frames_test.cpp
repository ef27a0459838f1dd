// The board's answers to every frame of the command table, byte by byte.
#include "board_harness.h"

#include "board_commands.h"

#include <gtest/gtest.h>

#include <string>

using namespace simtest;
using zentor::sim::BoardOptions;
using zentor::sim::Mode;

namespace {

BoardOptions fixedInputs() {
    BoardOptions o = Harness::unpaced();
    o.inputs.analog = 100;
    o.inputs.digital = 1;
    o.inputs.portPins = 0x15;
    return o;
}

struct FrameCase {
    std::string name;
    std::vector<int> sent;
    std::vector<int> answer;
};

class FrameTest : public ::testing::TestWithParam<FrameCase> {};

TEST_P(FrameTest, AnswersByteExactly) {
    Harness h(fixedInputs());
    h.send(GetParam().sent);
    h.wait(50 * kMs);
    EXPECT_EQ(h.answers(), GetParam().answer);
}

INSTANTIATE_TEST_SUITE_P(
    CommandTable, FrameTest,
    ::testing::Values(
        FrameCase{"Presence", {27, 1}, {32, 223}}, FrameCase{"Resync", {27, 27}, {27, 228}},
        FrameCase{"LoadA", {27, 20, 77}, {77, 178}}, FrameCase{"OutOn", {27, 40}, {40, 215}},
        FrameCase{"OutOff", {27, 41}, {41, 214}}, FrameCase{"LedBlink", {27, 44}, {44, 211}},
        FrameCase{"Beep", {27, 45}, {45, 210}}, FrameCase{"PortDirection", {27, 49, 5}, {5, 250}},
        FrameCase{"PortOut", {27, 50, 3}, {3, 252}}, FrameCase{"Pwm", {27, 51, 128}, {128, 127}},
        FrameCase{"AnalogIn", {27, 60}, {100, 155}}, FrameCase{"DigitalIn", {27, 61}, {1, 254}},
        FrameCase{"PortIn", {27, 62}, {0x15, 255 - 0x15}},
        FrameCase{"StoreCell", {27, 120, 9}, {9, 246}},
        FrameCase{"ReadCell", {27, 122, 9}, {0, 255}}, FrameCase{"RunProgram", {27, 121, 0}, {}},
        FrameCase{"StartLogger", {27, 123}, {}}, FrameCase{"ScopeCapture", {27, 124, 1}, {1, 254}},
        FrameCase{"LoadNothing", {27, 127, 0}, {127, 128}},
        FrameCase{"LoadEchoesEachByte", {27, 127, 3, 20, 27, 88}, {20, 27, 88, 127, 128}},
        FrameCase{"InputA", {27, 63, 42}, {42, 213}}, FrameCase{"UnknownCommand", {27, 99}, {}},
        FrameCase{"ZeroAfterEsc", {27, 0}, {}}, FrameCase{"BytesOutsideFrames", {5, 1, 0, 255}, {}},
        FrameCase{"UnknownThenPresence", {27, 200, 27, 1}, {32, 223}}),
    [](const auto& info) { return info.param.name; });

// Every instruction sent as a direct command answers at once: readings and
// "Print A" with the value, instructions with an operand with the operand,
// the others with their code; each with its complement.
TEST(DirectInstructions, EveryOpcodeAnswersWithItsPair) {
    for (const zentor::Instruction& i : zentor::kInstructionTable) {
        if (i.code == op("Input A"))
            continue; // takes the next byte as its input; see the table above
        Harness h(fixedInputs());
        h.send({27, 20, 33}); // A = 33 first, so that "Print A" has a value
        h.answers();
        std::vector<int> frame{27, i.code};
        if (zentor::hasOperand(i))
            frame.push_back(7);
        h.send(frame);
        h.wait(300 * kMs); // "Delay = A" holds its answer 33 ms
        const std::vector<int> got = h.answers();
        int expected = i.code;
        if (zentor::hasOperand(i))
            expected = 7;
        else if (i.code == op("A = Uin"))
            expected = 100;
        else if (i.code == op("A = Din"))
            expected = 1;
        else if (i.code == op("A = Portin"))
            expected = 0x15;
        else if (i.code == op("Print A"))
            expected = 33;
        ASSERT_EQ(got.size(), 2u) << i.pattern;
        EXPECT_EQ(got[0], expected) << i.pattern;
        EXPECT_EQ(got[0] + got[1], 255) << i.pattern;
    }
}

TEST(DirectInstructions, ChangeRegistersAndOutputs) {
    Harness h(fixedInputs());
    h.send({27, 20, 5, 27, 27}); // A = 5, then the resync frame: C = A
    h.send({27, op("B = .n"), 9, 27, op("D = .n"), 4});
    h.send({27, 40, 27, 42, 27, 45, 27, 45, 27, 49, 0x0F, 27, 50, 0x05, 27, 51, 200});
    const auto s = h.state();
    EXPECT_EQ(s.a, 5);
    EXPECT_EQ(s.b, 9);
    EXPECT_EQ(s.c, 5);
    EXPECT_EQ(s.d, 4);
    EXPECT_TRUE(s.outputs.out);
    EXPECT_EQ(s.outputs.led, zentor::sim::LedState::On);
    EXPECT_EQ(s.outputs.beeps, 2);
    EXPECT_EQ(s.outputs.portDirection, 0x0F);
    EXPECT_EQ(s.outputs.portOut, 0x05);
    EXPECT_EQ(s.outputs.pwm, 200);
    // Pins 0..3 are outputs and read back 0101; pins 4, 5 come from outside.
    EXPECT_EQ(s.inputs.port, 0x10 | 0x05);
    EXPECT_EQ(s.mode, Mode::Command);
}

TEST(DirectInstructions, JumpsAndEndDoNothingOutsideAProgram) {
    Harness h(fixedInputs());
    h.send({27, op("Goto .a"), 40, 27, op("End"), 27, op("Return")});
    EXPECT_EQ(h.answers(), (std::vector<int>{40, 215, 88, 167, 82, 173}));
    EXPECT_EQ(h.state().mode, Mode::Command);
    EXPECT_EQ(h.state().programCounter, 0);
}

TEST(DirectInstructions, DelayHoldsTheAnswerBack) {
    Harness h;
    h.send({27, op("Delay = .n"), 50}); // the operand arrives at 20 ms
    h.wait(100 * kMs);
    EXPECT_EQ(h.answers(), (std::vector<int>{50, 205}));
    EXPECT_EQ(h.lastTimes.at(0), 20 * kMs + 50 * kMs);
}

TEST(Memory, StoreReadAndDump) {
    Harness h;
    h.send({27, 20, 77, 27, 120, 9, 27, 20, 5, 27, 120, 127});
    h.answers();
    h.send({27, 122, 9});
    EXPECT_EQ(h.answers(), (std::vector<int>{77, 178}));
    h.send({27, 126});
    const auto dump = h.answers();
    ASSERT_EQ(dump.size(), static_cast<std::size_t>(board::kMemoryCells + board::kTrailingBytes));
    EXPECT_EQ(dump[9], 77);
    EXPECT_EQ(dump[127], 5);
    EXPECT_EQ(dump[128], 126);
    EXPECT_EQ(dump[129], 129);
}

TEST(Memory, StoreBeyondTheCellsChangesNothing) {
    Harness h;
    h.send({27, 20, 77, 27, 120, 200});
    EXPECT_EQ(h.answers(), (std::vector<int>{77, 178, 200, 55}));
    const auto s = h.state();
    for (auto cell : s.memory)
        EXPECT_EQ(cell, 0);
}

TEST(Memory, UploadStoresTheBytesAndTakesEscAsData) {
    Harness h;
    h.send({27, 127, 4, 27, 27, 1, 88});
    EXPECT_EQ(h.answers(), (std::vector<int>{27, 27, 1, 88, 127, 128}));
    const auto s = h.state();
    EXPECT_EQ(s.memory[0], 27);
    EXPECT_EQ(s.memory[1], 27);
    EXPECT_EQ(s.memory[2], 1);
    EXPECT_EQ(s.memory[3], 88);
    // Back in command mode: the next frame is understood.
    h.send({27, 1});
    EXPECT_EQ(h.answers(), (std::vector<int>{32, 223}));
}

TEST(Memory, FullUploadOf124Bytes) {
    Harness h;
    std::vector<int> frame{27, 127, board::kProgramCells};
    for (int i = 0; i < board::kProgramCells; ++i)
        frame.push_back(i + 100);
    h.send(frame);
    const auto echoes = h.answers();
    ASSERT_EQ(echoes.size(), static_cast<std::size_t>(board::kProgramCells + 2));
    EXPECT_EQ(echoes[0], 100);
    EXPECT_EQ(echoes[123], 223);
    EXPECT_EQ(h.state().memory[123], 223);
    EXPECT_EQ(h.state().memory[124], 0);
}

TEST(FrameTimeout, AStalledFrameIsDroppedAfterHalfASecond) {
    Harness h;
    h.send({27});
    h.wait(600 * kMs);
    h.send({1}); // too late: a stray byte, no answer
    EXPECT_TRUE(h.answers().empty());
    h.send({27});
    h.wait(100 * kMs);
    h.send({1}); // still within the frame
    EXPECT_EQ(h.answers(), (std::vector<int>{32, 223}));
}

// A break sent while no program runs leaves a lone ESC; the PC's stop that
// follows (after the break's read time-out) must still end in step.
class StaleEscape : public ::testing::TestWithParam<Micros> {};

TEST_P(StaleEscape, ResyncAfterALoneEscStillEndsInStep) {
    Harness h(BoardOptions{});
    const Micros timeout = GetParam();
    h.send({27});
    EXPECT_EQ(h.readByte(timeout), -1);
    EXPECT_EQ(h.resync(timeout), 1);
    EXPECT_TRUE(h.handshake(timeout));
}

INSTANTIATE_TEST_SUITE_P(ReadTimeouts, StaleEscape,
                         ::testing::Values(30 * kMs, 100 * kMs, 300 * kMs));

TEST(FrameTimeout, TheResyncPairMayBeSlow) {
    Harness h;
    h.send({27});
    h.now += 25 * kMs; // 35 ms between the two ESC
    h.send({27});
    EXPECT_EQ(h.answers(), (std::vector<int>{27, 228}));
}

TEST(FrameTimeout, AnAbandonedUploadDoesNotSwallowLaterFrames) {
    Harness h;
    h.send({27, 127, 10, 20, 21});
    h.answers();
    h.wait(1000 * kMs);
    EXPECT_TRUE(h.handshake());
}

TEST(Pacing, AnswersLeaveAtTwelveHundredBaud) {
    Harness h(BoardOptions{}); // pacing on
    h.send({27, 60});
    h.send({27, 126});
    h.wait(2000 * kMs);
    const auto values = h.answers();
    ASSERT_EQ(values.size(), 2u + 130u);
    // The first answer leaves one byte time after the command byte arrived
    // (at 10 ms); every further byte one byte time after the one before.
    EXPECT_EQ(h.lastTimes[0], 10 * kMs + zentor::sim::kByteMicros);
    for (std::size_t i = 1; i < h.lastTimes.size(); ++i)
        EXPECT_GE(h.lastTimes[i] - h.lastTimes[i - 1], zentor::sim::kByteMicros);
    EXPECT_GE(zentor::sim::kByteMicros * 1200, 10 * 1'000'000);
}

TEST(Pacing, OffSendsAtOnce) {
    Harness h;
    h.send({27, 1});
    h.answers();
    EXPECT_EQ(h.lastTimes, (std::vector<Micros>{10 * kMs, 10 * kMs}));
}

} // namespace
