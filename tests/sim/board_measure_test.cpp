// The board-side logger, the oscilloscope capture, the signal model and the
// fault modes.
#include "board_harness.h"

#include "board_commands.h"
#include "signal_model.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace simtest;
using zentor::sim::BoardOptions;
using zentor::sim::InputOverrides;
using zentor::sim::Mode;
using zentor::sim::StopReason;

namespace {

// The PC's logger start: input code and interval into cells 0..2, then 27 123.
void startLogger(Harness& h, int input, int hi, int lo) {
    h.send({27, 20, input, 27, 120, 0, 27, 20, hi, 27, 120, 1, 27, 20, lo, 27, 120, 2});
    h.answers();
    h.send({27, 123});
}

// ---- Logger --------------------------------------------------------------------

TEST(Logger, TakesOneHundredTwentyOneSamplesThenStops) {
    BoardOptions o = Harness::unpaced();
    o.inputs.analog = 140;
    Harness h(o);
    h.send({27, 20, 9, 27, 120, 126}); // a cell the logger must clear
    startLogger(h, 60, 0, 16);         // one sample a second
    const Micros started = h.now - kPcPause;
    EXPECT_TRUE(h.answers().empty()) << "27 123 has no answer";

    h.wait(started + 120 * 1000 * kMs - 1 - h.now);
    EXPECT_EQ(h.state().mode, Mode::Running);
    EXPECT_EQ(h.state().loggerSamples, 120);
    h.wait(1);
    const auto s = h.state();
    EXPECT_EQ(s.loggerSamples, 121);
    EXPECT_EQ(s.mode, Mode::Command);
    EXPECT_EQ(s.lastStop, StopReason::LoggerDone);
    EXPECT_EQ(s.memory[0], 60);
    EXPECT_EQ(s.memory[1], 0);
    EXPECT_EQ(s.memory[2], 16);
    for (int cell = 3; cell <= 123; ++cell)
        EXPECT_EQ(s.memory[cell], 140) << cell;
    for (int cell = 124; cell <= 127; ++cell)
        EXPECT_EQ(s.memory[cell], 0) << cell;
}

TEST(Logger, SpedUpRunOfPortBitsFollowsThePattern) {
    BoardOptions o = Harness::unpaced();
    o.speed = 1000;
    Harness h(o);
    startLogger(h, 62, 0, 1); // 1/16 s: the pins count on every fourth sample
    h.wait(8 * kMs);          // 7.5 s of board time
    const auto s = h.state();
    ASSERT_EQ(s.lastStop, StopReason::LoggerDone);
    int steps = 0;
    for (int k = 3; k < 123; ++k) {
        const int now = s.memory[k], next = s.memory[k + 1];
        EXPECT_TRUE(next == now || next == ((now + 1) & 63)) << k;
        steps += next != now;
    }
    EXPECT_EQ(steps, 30); // 120 intervals of 1/16 s over steps of 1/4 s
}

TEST(Logger, AnalogRunFollowsTheWaveform) {
    BoardOptions o = Harness::unpaced();
    o.speed = 1000;
    Harness h(o);
    startLogger(h, 60, 0, 2); // 1/8 s: 15 s, seven and a half periods
    h.wait(20 * kMs);
    const auto s = h.state();
    ASSERT_EQ(s.lastStop, StopReason::LoggerDone);
    const auto [low, high] = std::minmax_element(s.memory.begin() + 3, s.memory.begin() + 124);
    EXPECT_LE(*low, 30);   // 0.5 V is 25.5 raw
    EXPECT_GE(*high, 225); // 4.5 V is 229.5 raw
}

TEST(Logger, ReadOutAfterTheRunAsThePcDoesIt) {
    BoardOptions o;
    o.speed = 1000;
    o.inputs.analog = 51;
    Harness h(o);
    startLogger(h, 60, 0, 16);
    h.wait(200 * kMs); // 120 s of board time
    EXPECT_EQ(h.resync(), 1);
    ASSERT_TRUE(h.handshake());
    h.send({27, 126});
    std::vector<int> dump;
    for (int i = 0; i < board::kMemoryCells; ++i)
        dump.push_back(h.readByte());
    EXPECT_EQ(dump[0], 60);
    EXPECT_EQ(dump[2], 16);
    EXPECT_EQ(dump[3], 51);
    EXPECT_EQ(dump[123], 51);
    EXPECT_EQ(dump[124], 0);
}

TEST(Logger, ZeroIntervalCountsAsTheShortest) {
    BoardOptions o = Harness::unpaced();
    Harness h(o);
    startLogger(h, 60, 0, 0);
    h.wait(7500 * kMs);
    EXPECT_EQ(h.state().lastStop, StopReason::LoggerDone);
}

TEST(Logger, BreakHoldsItAndResyncEndsIt) {
    Harness h(BoardOptions{});
    startLogger(h, 60, 0, 16);
    h.wait(2500 * kMs);
    h.send({27});
    EXPECT_EQ(h.readByte(), 27);
    const int taken = h.state().loggerSamples;
    EXPECT_EQ(taken, 3);
    h.wait(5000 * kMs);
    EXPECT_EQ(h.state().loggerSamples, taken);
    h.send({0});
    h.wait(1000 * kMs);
    EXPECT_EQ(h.state().loggerSamples, taken + 1);
    h.resync();
    EXPECT_EQ(h.state().mode, Mode::Command);
    h.wait(5000 * kMs);
    EXPECT_EQ(h.state().loggerSamples, taken + 1);
}

// ---- Oscilloscope --------------------------------------------------------------

TEST(Scope, CapturesOneHundredOneSamplesAtTheTimeBase) {
    Harness h; // unpaced, the sine wave
    h.send({27, 124, 20});
    EXPECT_EQ(h.answers(), (std::vector<int>{1, 254}));
    const Micros started = h.now - kPcPause;
    h.wait(started + 100 * 20 * kMs - 1 - h.now);
    EXPECT_EQ(h.state().scopeSamples, 100);
    h.wait(1);
    EXPECT_EQ(h.state().scopeSamples, 101);
    h.send({27, 125});
    const auto read = h.answers();
    ASSERT_EQ(read.size(), static_cast<std::size_t>(board::kScopeSamples + board::kTrailingBytes));
    EXPECT_EQ(read[101], 125);
    EXPECT_EQ(read[102], 130);
    // 20 ms apart: 2 s, one full period of the 0.5 Hz wave.
    const auto [low, high] = std::minmax_element(read.begin(), read.begin() + 101);
    EXPECT_LE(*low, 27);
    EXPECT_GE(*high, 228);
}

TEST(Scope, ReadingBeforeAnyCaptureSendsZeros) {
    Harness h;
    h.send({27, 125});
    const auto read = h.answers();
    ASSERT_EQ(read.size(), 103u);
    EXPECT_TRUE(std::all_of(read.begin(), read.begin() + 101, [](int v) { return v == 0; }));
}

TEST(Scope, LoopbackReadsThePwmOutput) {
    BoardOptions o = Harness::unpaced();
    o.pwmLoopback = true;
    Harness h(o);
    h.send({27, 51, 180, 27, 124, 1});
    h.wait(200 * kMs);
    h.answers();
    h.send({27, 125});
    const auto read = h.answers();
    EXPECT_TRUE(std::all_of(read.begin(), read.begin() + 101, [](int v) { return v == 180; }));
    h.send({27, 60});
    EXPECT_EQ(h.answers(), (std::vector<int>{180, 75}));
}

// ---- Signal model --------------------------------------------------------------

TEST(SignalModel, KnownValues) {
    zentor::sim::SignalModel m;
    EXPECT_EQ(m.analog(0.0, 0), 128); // 2.5 V
    EXPECT_EQ(m.analog(0.5, 0), 230); // 4.5 V, a quarter period on
    EXPECT_EQ(m.analog(1.5, 0), 26);  // 0.5 V
    EXPECT_EQ(m.digital(0.49), 0);
    EXPECT_EQ(m.digital(0.5), 1);
    EXPECT_EQ(m.digital(1.0), 0);
    EXPECT_EQ(m.pins(0.0), 0);
    EXPECT_EQ(m.pins(0.75), 3);
    EXPECT_EQ(m.pins(16.0), 0); // 64 steps wrap
    // Output pins read their output bit, input pins the pattern.
    EXPECT_EQ(m.port(0.75, 0b000110, 0b000100), 0b000101);
}

TEST(SignalModel, OverridesWin) {
    zentor::sim::SignalModel m(true, {.analog = 300, .digital = 2, .portPins = 0xFF});
    EXPECT_EQ(m.analog(0.3, 17), 255); // clamped
    EXPECT_EQ(m.digital(0.0), 2);
    EXPECT_EQ(m.pins(0.0), 63);
    m.setOverrides({});
    EXPECT_EQ(m.analog(0.3, 17), 17); // loopback
}

TEST(SignalModel, SnapshotShowsTheFixedInputs) {
    BoardOptions o = Harness::unpaced();
    o.inputs.analog = 40;
    Harness h(o);
    EXPECT_EQ(h.state().overrides, (InputOverrides{40, std::nullopt, std::nullopt}));
    // A panel fixes the pins and frees the analog input again.
    h.machine.setInputOverrides({std::nullopt, std::nullopt, 9});
    EXPECT_EQ(h.state().overrides, (InputOverrides{std::nullopt, std::nullopt, 9}));
    EXPECT_EQ(h.state().inputs.port, 9);
    EXPECT_EQ(h.state().inputs.analog, 128); // the signal at t = 0
}

TEST(SignalModel, SpeedScalesTheBoardClock) {
    BoardOptions o = Harness::unpaced();
    o.speed = 4;
    Harness h(o);
    h.wait(125 * kMs); // half a second of board time
    EXPECT_EQ(h.state().inputs.digital, 1);
    EXPECT_EQ(h.state().inputs.analog, 230); // the crest, a quarter period on
}

// ---- Faults ----------------------------------------------------------------------

TEST(Faults, SilentBoardStillWorksInside) {
    BoardOptions o = Harness::unpaced();
    o.faults.silent = true;
    Harness h(o);
    h.send({27, 1, 27, 20, 5});
    EXPECT_TRUE(h.answers().empty());
    EXPECT_EQ(h.state().a, 5);
    EXPECT_EQ(h.resync(30 * kMs), 5);
}

std::vector<int> pairsAnswered(std::uint32_t seed, double rate, int pairs) {
    BoardOptions o = Harness::unpaced();
    o.faults.wrongComplementRate = rate;
    o.faults.seed = seed;
    o.inputs.analog = 77;
    Harness h(o);
    for (int i = 0; i < pairs; ++i)
        h.send({27, 60});
    return h.answers();
}

TEST(Faults, WrongComplementsAtTheRateAndSeeded) {
    const auto all = pairsAnswered(1, 1.0, 20);
    for (std::size_t i = 0; i < all.size(); i += 2) {
        EXPECT_EQ(all[i], 77);
        EXPECT_NE(all[i] + all[i + 1], 255);
    }
    const auto none = pairsAnswered(1, 0.0, 20);
    for (std::size_t i = 0; i < none.size(); i += 2)
        EXPECT_EQ(none[i] + none[i + 1], 255);

    const auto a = pairsAnswered(7, 0.3, 200);
    EXPECT_EQ(a, pairsAnswered(7, 0.3, 200)) << "same seed, same garbling";
    EXPECT_NE(a, pairsAnswered(8, 0.3, 200));
    int wrong = 0;
    for (std::size_t i = 0; i < a.size(); i += 2)
        wrong += a[i] + a[i + 1] != 255;
    EXPECT_GT(wrong, 30);
    EXPECT_LT(wrong, 90);
}

TEST(Faults, DropEveryNthByte) {
    BoardOptions o = Harness::unpaced();
    o.faults.dropEvery = 3;
    Harness h(o);
    h.send({27, 127, 6, 10, 11, 12, 13, 14, 15});
    // Eight bytes offered: six echoes and the closing pair; the 3rd and 6th are lost.
    EXPECT_EQ(h.answers(), (std::vector<int>{10, 11, 13, 14, 127, 128}));
    h.send({27, 126});
    const auto dump = h.answers();
    // Offered bytes 9..138: cells 0..127 and the pair; 44 of them are multiples of 3.
    EXPECT_EQ(dump.size(), 130u - 44u);
    EXPECT_EQ(std::vector<int>(dump.begin(), dump.begin() + 4), (std::vector<int>{11, 12, 14, 15}));
}

TEST(Faults, BadCellOnceIsRightOnTheSecondRead) {
    BoardOptions o = Harness::unpaced();
    o.faults.badCell = zentor::sim::BadCell{2, false};
    Harness h(o);
    h.load({20, 5, 88});
    h.send({27, 126});
    EXPECT_EQ(h.answers()[2], 89);
    h.send({27, 122, 2});
    EXPECT_EQ(h.answers(), (std::vector<int>{88, 167}));
    // A rewrite arms it again: the PC's repair would read it wrong once more.
    h.send({27, 20, 88, 27, 120, 2});
    h.answers();
    h.send({27, 122, 2, 27, 122, 2});
    EXPECT_EQ(h.answers(), (std::vector<int>{89, 166, 88, 167}));
    EXPECT_EQ(h.state().memory[2], 88) << "the cell itself holds the right value";
}

TEST(Faults, BadCellAlwaysStaysWrong) {
    BoardOptions o = Harness::unpaced();
    o.faults.badCell = zentor::sim::BadCell{0, true};
    Harness h(o);
    h.load({45});
    for (int i = 0; i < 3; ++i) {
        h.send({27, 122, 0});
        EXPECT_EQ(h.answers(), (std::vector<int>{46, 209}));
    }
}

TEST(Faults, UnplugAfterNBytes) {
    BoardOptions o = Harness::unpaced();
    o.faults.unplugAfter = 5;
    Harness h(o);
    h.send({27, 1, 27, 1});
    EXPECT_EQ(h.answers(), (std::vector<int>{32, 223, 32, 223}));
    EXPECT_FALSE(h.machine.unplugged());
    h.send({27, 1});
    EXPECT_TRUE(h.machine.unplugged());
    EXPECT_TRUE(h.answers().empty());
    EXPECT_EQ(h.state().bytesReceived, 5u);
}

} // namespace
