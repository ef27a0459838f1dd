// Stored programs on the board's register machine, and the break, continue
// and stop bytes while one runs.
#include "board_harness.h"

#include <gtest/gtest.h>

#include <ostream>

using namespace simtest;
using zentor::sim::Activity;
using zentor::sim::BoardOptions;
using zentor::sim::Mode;
using zentor::sim::StopReason;

namespace {

// Loads, starts and runs a program for up to a second of board time.
zentor::sim::BoardSnapshot run(const std::vector<int>& program, Harness& h) {
    h.load(program);
    h.start();
    h.wait(1000 * kMs);
    return h.state();
}

zentor::sim::BoardSnapshot run(const std::vector<int>& program) {
    Harness h;
    return run(program, h);
}

TEST(Program, CountedLoopWithC) {
    // A = 0 is implied by the start; C = 5; L: A = A + 1; C*Goto L; End
    const auto s = run({op("C = .n"), 5, op("A = A + 1"), op("C*Goto .a"), 2, op("End")});
    EXPECT_EQ(s.a, 5);
    EXPECT_EQ(s.c, 0);
    EXPECT_EQ(s.mode, Mode::Command);
    EXPECT_EQ(s.lastStop, StopReason::End);
}

TEST(Program, CountedLoopWithDFromZeroRuns256Times) {
    const auto s = run({op("B = .n"), 1, op("A = A + B"), op("D*Goto .a"), 2, op("End")});
    EXPECT_EQ(s.a, 0); // 256 additions of 1 wrap around to 0
    EXPECT_EQ(s.d, 0);
    EXPECT_EQ(s.lastStop, StopReason::End);
}

TEST(Program, SubroutineCalledTwice) {
    // 0: Gosub 5; 2: Gosub 5; 4: End; 5: A = A + 1; 6: Return
    const auto s =
        run({op("Gosub .a"), 5, op("Gosub .a"), 5, op("End"), op("A = A + 1"), op("Return")});
    EXPECT_EQ(s.a, 2);
    EXPECT_EQ(s.stackDepth, 0);
    EXPECT_EQ(s.lastStop, StopReason::End);
}

struct BranchCase {
    int a, b, expectedD;
};

class ConditionalJump : public ::testing::TestWithParam<BranchCase> {};

TEST_P(ConditionalJump, TakesTheRightBranch) {
    const auto [a, b, expected] = GetParam();
    // 0 A = a; 2 B = b; 4 If A = B 13; 6 If A > B 16; 8 If A < B 19; 10 D = 9; 12 End;
    // 13 D = 1; 15 End; 16 D = 2; 18 End; 19 D = 3; 21 End
    const auto s = run({op("A = .n"),
                        a,
                        op("B = .n"),
                        b,
                        op("If A = B Goto .a"),
                        13,
                        op("If A > B Goto .a"),
                        16,
                        op("If A < B Goto .a"),
                        19,
                        op("D = .n"),
                        9,
                        op("End"),
                        op("D = .n"),
                        1,
                        op("End"),
                        op("D = .n"),
                        2,
                        op("End"),
                        op("D = .n"),
                        3,
                        op("End")});
    EXPECT_EQ(s.d, expected);
}

INSTANTIATE_TEST_SUITE_P(Branches, ConditionalJump,
                         ::testing::Values(BranchCase{5, 5, 1}, BranchCase{7, 3, 2},
                                           BranchCase{3, 7, 3}, BranchCase{200, 100, 2},
                                           BranchCase{0, 255, 3}));

TEST(Program, IndirectCellsOverABlock) {
    // Writes 10, 11, 12 into cells 100..102, then sums them back through [B+].
    // 0 B = 100; 2 A = 10; 4 C = 3; 6 [B+] = A; 7 A = A + 1; 8 C*Goto 6;
    // 10 B = 100; 12 A = [B+]; 13 D = A; 14 A = [B+]; 15 C = A; 16 A = [B+]; 17 End
    Harness h;
    const auto s = run({op("B = .n"), 100, op("A = .n"), 10, op("C = .n"), 3, op("[B+] = A"),
                        op("A = A + 1"), op("C*Goto .a"), 6, op("B = .n"), 100, op("A = [B+]"),
                        op("D = A"), op("A = [B+]"), op("C = A"), op("A = [B+]"), op("End")},
                       h);
    EXPECT_EQ(s.memory[100], 10);
    EXPECT_EQ(s.memory[101], 11);
    EXPECT_EQ(s.memory[102], 12);
    EXPECT_EQ(s.d, 10);
    EXPECT_EQ(s.c, 11);
    EXPECT_EQ(s.a, 12);
    EXPECT_EQ(s.b, 103);
    // The PC sees the cells too.
    h.send({27, 122, 101});
    EXPECT_EQ(h.answers(), (std::vector<int>{11, 244}));
}

TEST(Program, IndirectAddressWrapsInsideTheMemory) {
    const auto s = run({op("B = .n"), 200, op("A = .n"), 42, op("[B+] = A"), op("End")});
    EXPECT_EQ(s.memory[200 - 128], 42);
    EXPECT_EQ(s.b, 201);
}

struct ArithmeticCase {
    const char* pattern;
    int a, b, expected;
};

class Arithmetic : public ::testing::TestWithParam<ArithmeticCase> {};

TEST_P(Arithmetic, EightBitsWithWrapAround) {
    const auto& c = GetParam();
    std::vector<int> program{op("A = .n"), c.a, op("B = .n"), c.b, op(c.pattern)};
    const zentor::Instruction* i = zentor::instructionForCode(op(c.pattern));
    if (zentor::hasOperand(*i))
        program.push_back(c.b);
    program.push_back(op("End"));
    EXPECT_EQ(run(program).a, c.expected) << c.pattern;
}

INSTANTIATE_TEST_SUITE_P(
    Operations, Arithmetic,
    ::testing::Values(
        ArithmeticCase{"A = A + B", 200, 100, 44}, ArithmeticCase{"A = A - B", 3, 5, 254},
        ArithmeticCase{"A = A + 1", 255, 0, 0}, ArithmeticCase{"A = A - 1", 0, 0, 255},
        ArithmeticCase{"A = A * B", 20, 20, 144}, ArithmeticCase{"A = A / B", 200, 7, 28},
        ArithmeticCase{"A = A / B", 9, 0, 255}, // division by zero
        ArithmeticCase{"A = A And .n", 0xF5, 0x3C, 0x34},
        ArithmeticCase{"A = A And B", 0xF5, 0x0F, 0x05},
        ArithmeticCase{"A = A Or .n", 0x50, 0x0A, 0x5A},
        ArithmeticCase{"A = A Or B", 0x81, 0x18, 0x99},
        ArithmeticCase{"A = A Shl 1", 0x81, 0, 0x02}, ArithmeticCase{"A = A Shr 1", 0x81, 0, 0x40},
        ArithmeticCase{"A = Not A", 0x0F, 0, 0xF0}, ArithmeticCase{"A = B", 1, 77, 77}));

struct FaultyProgram {
    const char* name;
    std::vector<int> program;
    StopReason reason;
};

class ProgramStops : public ::testing::TestWithParam<FaultyProgram> {};

TEST_P(ProgramStops, AndReturnsToCommandMode) {
    Harness h;
    const auto s = run(GetParam().program, h);
    EXPECT_EQ(s.lastStop, GetParam().reason);
    EXPECT_EQ(s.mode, Mode::Command);
    EXPECT_EQ(s.activity, Activity::None);
    EXPECT_TRUE(h.handshake());
}

INSTANTIATE_TEST_SUITE_P(
    Faults, ProgramStops,
    ::testing::Values(
        FaultyProgram{"NoCode", {op("A = A + 1"), 0}, StopReason::InvalidCode},
        FaultyProgram{"NestedTooDeep", {op("Gosub .a"), 0}, StopReason::StackOverflow},
        FaultyProgram{"ReturnWithoutCall", {op("Return")}, StopReason::StackUnderflow},
        FaultyProgram{"JumpOffTheEnd", {op("Goto .a"), 127}, StopReason::InvalidCode},
        FaultyProgram{"OperandPastTheMemory",
                      {op("B = .n"), 127, op("A = .n"), 21, op("[B+] = A"), op("Goto .a"), 127},
                      StopReason::OutOfMemory}),
    [](const auto& info) { return std::string(info.param.name); });

// A chain of n calls, each to the next instruction, then "End".
std::vector<int> nestedCalls(int n) {
    std::vector<int> program;
    for (int i = 0; i < n; ++i)
        program.insert(program.end(), {op("Gosub .a"), 2 * (i + 1)});
    program.push_back(op("End"));
    return program;
}

TEST(Program, StackHoldsEightCallsAndNotNine) {
    const auto eight = run(nestedCalls(8));
    EXPECT_EQ(eight.lastStop, StopReason::End);
    EXPECT_EQ(eight.stackDepth, 8);
    const auto nine = run(nestedCalls(9));
    EXPECT_EQ(nine.lastStop, StopReason::StackOverflow);
    EXPECT_EQ(nine.programCounter, 18); // after the ninth Gosub, which could not call
}

TEST(Program, PrintSendsAAndInputWaitsForAByte) {
    Harness h;
    h.load({op("A = .n"), 65, op("Print A"), op("Input A"), op("A = A + 1"), op("Print A"),
            op("End")});
    h.start();
    h.wait(100 * kMs);
    EXPECT_EQ(h.answers(), (std::vector<int>{65}));
    EXPECT_TRUE(h.state().waitingForInput);
    EXPECT_EQ(h.state().mode, Mode::Running);
    h.send({9});
    h.wait(100 * kMs);
    EXPECT_EQ(h.answers(), (std::vector<int>{10}));
    EXPECT_EQ(h.state().lastStop, StopReason::End);
}

TEST(Program, PrintingLoopRunsAtLineSpeed) {
    Harness h(BoardOptions{}); // paced
    h.load({op("Print A"), op("A = A + 1"), op("Goto .a"), 0});
    h.start();
    h.wait(1000 * kMs);
    const auto printed = h.answers();
    // The program waits for the line: at most one byte beyond the one on the
    // line is ever queued, and the bytes follow each other back to back.
    ASSERT_GE(printed.size(), 120u);
    EXPECT_LE(h.lastTimes.back() - h.now, 2 * zentor::sim::kByteMicros);
    for (std::size_t i = 0; i < printed.size(); ++i)
        EXPECT_EQ(printed[i], static_cast<int>(i & 0xFF));
    for (std::size_t i = 1; i < h.lastTimes.size(); ++i)
        EXPECT_EQ(h.lastTimes[i] - h.lastTimes[i - 1], zentor::sim::kByteMicros);
}

TEST(Program, DelaysPauseTheStatedMilliseconds) {
    Harness h;
    // Delay = 100; Print A; A = 3; Delay = A; Delay 1 ms; Print A; End
    h.load({op("Delay = .n"), 100, op("Print A"), op("A = .n"), 3, op("Delay = A"),
            op("Delay 1 ms"), op("Print A"), op("End")});
    h.start();
    const Micros started = h.now - kPcPause; // the 0 of 27 121 0 arrived here
    h.wait(1000 * kMs);
    h.answers();
    ASSERT_EQ(h.lastTimes.size(), 2u);
    EXPECT_GE(h.lastTimes[0] - started, 100 * kMs);
    EXPECT_LT(h.lastTimes[0] - started, 101 * kMs);
    EXPECT_GE(h.lastTimes[1] - h.lastTimes[0], 4 * kMs);
    EXPECT_LT(h.lastTimes[1] - h.lastTimes[0], 5 * kMs);
}

TEST(Program, OutputsAndPortReadBack) {
    BoardOptions o = Harness::unpaced();
    o.inputs.portPins = 0x30;
    Harness h(o);
    // Pdir = 0x0F; A = 5; Portout = A; A = Portin; D = A; A = 77; PWM = A; Out = 1;
    // LED = Blink; Beep; End
    h.load({op("Pdir = .n"), 0x0F, op("A = .n"), 5, op("Portout = A"), op("A = Portin"),
            op("D = A"), op("A = .n"), 77, op("PWM = A"), op("Out = 1"), op("LED = Blink"),
            op("Beep"), op("End")});
    h.start();
    h.wait(100 * kMs);
    const auto s = h.state();
    EXPECT_EQ(s.d, 0x35);
    EXPECT_EQ(s.outputs.pwm, 77);
    EXPECT_TRUE(s.outputs.out);
    EXPECT_EQ(s.outputs.led, zentor::sim::LedState::Blink);
    EXPECT_EQ(s.outputs.beeps, 1);
}

TEST(Program, StartAtAnotherAddressAndRegistersStartAtZero) {
    Harness h;
    h.send({27, 20, 99}); // A = 99 before the start
    h.answers();
    h.load({op("A = .n"), 1, op("End"), op("B = A"), op("End")});
    h.start(3);
    h.wait(10 * kMs);
    EXPECT_EQ(h.state().b, 0);
    EXPECT_EQ(h.state().a, 0);
}

// ---- Break, continue and stop ---------------------------------------------

// L: A = A + 1; Delay 1 ms; Goto L
const std::vector<int> kEndless{op("A = A + 1"), op("Delay 1 ms"), op("Goto .a"), 0};

TEST(Break, InterruptsAndContinueResumes) {
    Harness h;
    h.load(kEndless);
    h.start();
    h.wait(50 * kMs);
    h.send({27});
    EXPECT_EQ(h.answers(), (std::vector<int>{27}));
    const auto held = h.state();
    EXPECT_EQ(held.mode, Mode::Interrupted);
    h.wait(200 * kMs);
    EXPECT_EQ(h.state().a, held.a);
    EXPECT_EQ(h.state().programCounter, held.programCounter);
    h.send({0});
    EXPECT_EQ(h.answers(), (std::vector<int>{0, 255}));
    h.wait(50 * kMs);
    EXPECT_EQ(h.state().mode, Mode::Running);
    EXPECT_GT(h.state().a, held.a);
}

TEST(Break, OtherBytesWhileInterruptedAreIgnored) {
    Harness h;
    h.load(kEndless);
    h.start();
    h.wait(10 * kMs);
    h.send({27});
    h.wait(500 * kMs);
    h.send({1, 60, 200});
    EXPECT_EQ(h.answers(), (std::vector<int>{27}));
    EXPECT_EQ(h.state().mode, Mode::Interrupted);
}

TEST(Break, ContinueWhileRunningIsAnsweredAndChangesNothing) {
    Harness h;
    h.load(kEndless);
    h.start();
    h.wait(10 * kMs);
    h.send({0});
    EXPECT_EQ(h.answers(), (std::vector<int>{0, 255}));
    EXPECT_EQ(h.state().mode, Mode::Running);
}

// The PC's stop is its resync; whatever state the program is in, the board
// must end in command mode, ready for the presence check that follows.
struct StopCase {
    const char* name;
    bool breakFirst;
    Micros pauseAfterBreak;
    bool paced;
    Micros readTimeout;
};

void PrintTo(const StopCase& c, std::ostream* os) {
    *os << c.name;
}

class Stop : public ::testing::TestWithParam<StopCase> {};

TEST_P(Stop, ResyncBringsTheBoardBack) {
    const StopCase& c = GetParam();
    BoardOptions o = Harness::unpaced();
    o.pacing = c.paced;
    Harness h(o);
    h.load(kEndless);
    h.start();
    h.wait(100 * kMs);
    if (c.breakFirst) {
        h.send({27});
        h.readByte(c.readTimeout); // SendBreak reads one byte
        h.now += c.pauseAfterBreak;
    }
    EXPECT_EQ(h.resync(c.readTimeout), 1);
    EXPECT_EQ(h.state().mode, Mode::Command);
    EXPECT_EQ(h.state().lastStop, StopReason::StoppedByPc);
    EXPECT_TRUE(h.handshake(c.readTimeout));
    // And again, as the next operation would.
    EXPECT_EQ(h.resync(c.readTimeout), 1);
    EXPECT_TRUE(h.handshake(c.readTimeout));
}

INSTANTIATE_TEST_SUITE_P(
    FromEveryState, Stop,
    ::testing::Values(StopCase{"WhileRunning", false, 0, true, 300 * kMs},
                      StopCase{"WhileRunningShortTimeout", false, 0, true, 30 * kMs},
                      StopCase{"WhileRunningUnpaced", false, 0, false, 300 * kMs},
                      StopCase{"RightAfterBreak", true, 0, true, 300 * kMs},
                      StopCase{"RightAfterBreakUnpaced", true, 0, false, 30 * kMs},
                      // A quick Break then Stop (keyboard accelerators typed in
                      // a row): the stop's pair must not be mistaken for one
                      // that began with the break.
                      StopCase{"ShortlyAfterBreak", true, 50 * kMs, true, 300 * kMs},
                      StopCase{"ShortlyAfterBreakShortTimeout", true, 100 * kMs, true, 30 * kMs},
                      StopCase{"ShortlyAfterBreakUnpaced", true, 130 * kMs, false, 30 * kMs},
                      StopCase{"LongAfterBreak", true, 2000 * kMs, true, 300 * kMs},
                      StopCase{"LongAfterBreakShortTimeout", true, 2000 * kMs, true, 30 * kMs}),
    [](const auto& info) { return std::string(info.param.name); });

// A stop pair whose second ESC comes late (a busy PC) is taken as a break
// and then a new frame: the resync reads the break's 27, its second read
// times out, and the presence check after it finds the board in step.
TEST(Stop, ASlowStopPairStillEndsInStep) {
    Harness h(BoardOptions{});
    h.load(kEndless);
    h.start();
    h.wait(100 * kMs);
    h.send({27});
    h.now += 50 * kMs; // 60 ms between the two ESC instead of 30
    h.send({27});
    h.now += 20 * kMs;
    EXPECT_EQ(h.readByte(30 * kMs), 27);
    EXPECT_EQ(h.readByte(30 * kMs), -1);
    h.purge();
    EXPECT_EQ(h.state().mode, Mode::Command);
    EXPECT_TRUE(h.handshake(30 * kMs));
}

TEST(Stop, ProgramWaitingForInputTakesEscAsBreak) {
    Harness h;
    h.load({op("Input A"), op("End")});
    h.start();
    h.wait(10 * kMs);
    h.send({27});
    EXPECT_EQ(h.answers(), (std::vector<int>{27}));
    EXPECT_EQ(h.state().mode, Mode::Interrupted);
    EXPECT_EQ(h.state().a, 0);
}

TEST(Stop, ResyncInCommandModeTakesOneRound) {
    Harness h(BoardOptions{});
    EXPECT_EQ(h.resync(), 1);
    EXPECT_TRUE(h.handshake());
}

TEST(Stop, StartAfterStopRunsAgain) {
    Harness h(BoardOptions{});
    h.load({op("A = A + 1"), op("Print A"), op("End")});
    h.start();
    EXPECT_EQ(h.readByte(), 1);
    h.resync();
    h.start();
    EXPECT_EQ(h.readByte(), 1); // registers start at zero again
}

// ---- Pause and single step (for the simulator panel) -------------------------

TEST(Debugger, PauseStepResume) {
    Harness h;
    h.load(kEndless);
    h.start();
    h.wait(20 * kMs);
    h.machine.pauseProgram();
    const auto paused = h.state();
    EXPECT_TRUE(paused.paused);
    EXPECT_EQ(paused.mode, Mode::Running);
    h.wait(100 * kMs);
    EXPECT_EQ(h.state().a, paused.a);

    // Three steps walk A = A + 1, Delay 1 ms (cut short), Goto L from pc 0.
    while (h.state().programCounter != 0)
        ASSERT_TRUE(h.machine.stepProgram());
    const int a = h.state().a;
    ASSERT_TRUE(h.machine.stepProgram());
    EXPECT_EQ(h.state().a, (a + 1) & 0xFF);
    EXPECT_EQ(h.state().programCounter, 1);
    ASSERT_TRUE(h.machine.stepProgram());
    EXPECT_EQ(h.state().programCounter, 2);
    ASSERT_TRUE(h.machine.stepProgram());
    EXPECT_EQ(h.state().programCounter, 0);

    h.machine.resumeProgram();
    h.wait(50 * kMs);
    EXPECT_FALSE(h.state().paused);
    EXPECT_GT(h.state().a, (a + 1) & 0xFF);
}

TEST(Debugger, StepOutsideAPausedProgramDoesNothing) {
    Harness h;
    EXPECT_FALSE(h.machine.stepProgram());
    h.load(kEndless);
    h.start();
    EXPECT_FALSE(h.machine.stepProgram()); // running, not paused
}

TEST(Debugger, BreakAndStopWorkWhilePaused) {
    Harness h(BoardOptions{});
    h.load(kEndless);
    h.start();
    h.wait(20 * kMs);
    h.machine.pauseProgram();
    EXPECT_EQ(h.resync(), 1);
    EXPECT_TRUE(h.handshake());
}

} // namespace
