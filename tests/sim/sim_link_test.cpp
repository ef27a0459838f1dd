// The PC's link routines against the simulated board over a real pty, with
// the board's 1200-baud pacing on: the same path the program takes.
#include "board_commands.h"
#include "comphard.h"
#include "instruction_table.h"
#include "simulated_board.h"
#include "wait_until.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <thread>
#include <unistd.h>

using namespace zentor::sim;

namespace {

constexpr const char* kLineMode = "1200,N,8,1";
// Reads wait this long for a board that answers: on a busy machine the
// board's thread may be held up for a long while, and an answer taken for
// silence would shift every read after it. Silence is found out with the
// short time-out.
constexpr int kTimeoutMs = 2000;
constexpr int kSilentTimeoutMs = 100;

int code(std::string_view pattern) {
    for (const zentor::Instruction& i : zentor::kInstructionTable)
        if (i.pattern == pattern)
            return i.code;
    return -1;
}

class LinkAgainstSimulator : public ::testing::Test {
protected:
    void startBoard(RunnerOptions options = {}) {
        board = std::make_unique<SimulatedBoard>(std::move(options));
        ASSERT_TRUE(board->start()) << board->lastError();
        ASSERT_TRUE(comphard::OpenDevice(board->devicePath(), kLineMode));
        comphard::SetTimeout(kTimeoutMs);
    }

    void TearDown() override {
        comphard::ClosePort();
        if (board)
            board->stop();
    }

    // Uploads a program as the program page does: 27 127 n, each byte
    // answered by its echo, then the closing pair.
    void upload(const std::vector<int>& program) {
        comphard::WriteByte(board::kEsc);
        comphard::WriteByte(board::kLoadProgram);
        comphard::WriteByte(static_cast<int>(program.size()));
        for (int byte : program) {
            comphard::WriteByte(byte);
            ASSERT_TRUE(comphard::AwaitInput());
            ASSERT_EQ(comphard::ReadByte(), byte);
        }
        comphard::ReadByte();
        comphard::ReadByte();
    }

    void startProgram() {
        comphard::WriteByte(board::kEsc);
        comphard::WriteByte(board::kRunProgram);
        comphard::WriteByte(0);
    }

    std::unique_ptr<SimulatedBoard> board;
};

TEST_F(LinkAgainstSimulator, HandshakeSaysOk) {
    startBoard();
    std::string text;
    comphard::Handshake(text);
    EXPECT_EQ(text, "Ok");
}

TEST_F(LinkAgainstSimulator, SimpleCommandsAndOperandCommandsAct) {
    startBoard();
    EXPECT_TRUE(comphard::Beep());
    EXPECT_TRUE(comphard::OutOn());
    EXPECT_TRUE(comphard::SendCommandWithOperand(2, board::kPwm, 128, 128));
    EXPECT_TRUE(comphard::SendCommandWithOperand(2, board::kPortDirection, 3, 3));
    EXPECT_TRUE(comphard::SendCommandWithOperand(2, board::kScopeCapture, 1, 1));
    const auto s = board->snapshot();
    EXPECT_EQ(s.outputs.beeps, 1);
    EXPECT_TRUE(s.outputs.out);
    EXPECT_EQ(s.outputs.pwm, 128);
    EXPECT_EQ(s.outputs.portDirection, 3);
}

TEST_F(LinkAgainstSimulator, ReadAnalogGivesTheFixedInput) {
    RunnerOptions o;
    o.board.inputs.analog = 100;
    startBoard(o);
    EXPECT_EQ(comphard::ReadAnalog(), 100);
    InputOverrides fixed;
    fixed.analog = 201;
    board->setInputOverrides(fixed);
    EXPECT_EQ(comphard::ReadAnalog(), 201);
}

TEST_F(LinkAgainstSimulator, BreakContinueAndStopARunningProgram) {
    startBoard();
    upload({code("A = A + 1"), code("Delay 1 ms"), code("Goto .a"), 0});
    startProgram();
    // The start frame may still be on its way to the board.
    EXPECT_TRUE(
        testing_support::waitUntil([&] { return board->snapshot().mode == Mode::Running; }));

    comphard::SendBreak();
    EXPECT_EQ(board->snapshot().mode, Mode::Interrupted);
    comphard::SendContinue();
    EXPECT_EQ(board->snapshot().mode, Mode::Running);

    comphard::Resync();
    EXPECT_EQ(board->snapshot().mode, Mode::Command);
    std::string text;
    comphard::Handshake(text);
    EXPECT_EQ(text, "Ok");
}

TEST_F(LinkAgainstSimulator, StopRightAfterBreak) {
    startBoard();
    upload({code("A = A + 1"), code("Goto .a"), 0});
    startProgram();
    comphard::SendBreak();
    comphard::Resync();
    std::string text;
    comphard::Handshake(text);
    EXPECT_EQ(text, "Ok");
    EXPECT_EQ(board->snapshot().mode, Mode::Command);
}

// Break, and a moment later Start: its resync and presence check follow
// each other at once, and the board must be in step for the second.
TEST_F(LinkAgainstSimulator, StartShortlyAfterBreak) {
    startBoard();
    upload({code("A = A + 1"), code("Goto .a"), 0});
    startProgram();
    comphard::SendBreak();
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    comphard::Resync();
    std::string text;
    comphard::Handshake(text);
    EXPECT_EQ(text, "Ok");
    EXPECT_EQ(board->snapshot().mode, Mode::Command);
}

TEST_F(LinkAgainstSimulator, UnknownCommandAndBreakWithoutProgramThenStop) {
    startBoard();
    comphard::WriteByte(board::kEsc);
    comphard::WriteByte(99); // no such command: the board stays silent
    EXPECT_EQ(comphard::ReadByte(), -1);
    comphard::SendBreak(); // no program runs: a lone ESC the board cannot place
    comphard::Resync();
    std::string text;
    comphard::Handshake(text);
    EXPECT_EQ(text, "Ok");
}

TEST_F(LinkAgainstSimulator, VerifyAnUploadWithTheMemoryDump) {
    startBoard();
    const std::vector<int> program{code("A = .n"), 5, code("Print A"), code("End")};
    upload(program);
    comphard::WriteByte(board::kEsc);
    comphard::WriteByte(board::kReadMemory);
    for (int cell = 0; cell < board::kMemoryCells; ++cell) {
        ASSERT_TRUE(comphard::AwaitInput()) << cell;
        const int value = comphard::ReadByte();
        EXPECT_EQ(value, cell < 4 ? program[static_cast<std::size_t>(cell)] : 0) << cell;
    }
    comphard::ReadByte();
    comphard::ReadByte();
    startProgram();
    EXPECT_EQ(comphard::ReadByte(), 5); // "Print A"
}

TEST_F(LinkAgainstSimulator, SilentBoardIsReportedMissing) {
    RunnerOptions o;
    o.board.faults.silent = true;
    startBoard(o);
    comphard::SetTimeout(kSilentTimeoutMs);
    std::string text;
    comphard::Handshake(text);
    EXPECT_EQ(text, "Controler antwortet nicht!");
    EXPECT_EQ(comphard::ReadAnalog(), -1);
}

TEST_F(LinkAgainstSimulator, GarbledComplementsFailTheChecks) {
    RunnerOptions o;
    o.board.faults.wrongComplementRate = 1.0;
    startBoard(o);
    EXPECT_FALSE(comphard::Beep());
    EXPECT_EQ(comphard::ReadAnalog(), -1);
}

TEST_F(LinkAgainstSimulator, PortCanBeClosedAndReopened) {
    startBoard();
    comphard::ClosePort();
    ASSERT_TRUE(comphard::OpenDevice(board->devicePath(), kLineMode));
    comphard::SetTimeout(kTimeoutMs);
    std::string text;
    comphard::Handshake(text);
    EXPECT_EQ(text, "Ok");
}

TEST_F(LinkAgainstSimulator, UnplugMakesTheDeviceVanish) {
    startBoard();
    EXPECT_TRUE(comphard::Beep());
    board->unplug();
    ASSERT_TRUE(testing_support::waitUntil([&] { return board->isUnplugged(); }));
    EXPECT_FALSE(comphard::Beep());
    EXPECT_EQ(comphard::ReadByte(), -1);
}

TEST_F(LinkAgainstSimulator, UnplugFaultAfterNBytes) {
    RunnerOptions o;
    o.board.faults.unplugAfter = 3;
    startBoard(o);
    EXPECT_TRUE(comphard::Beep());  // bytes 1 and 2
    EXPECT_FALSE(comphard::Beep()); // byte 3 pulls the plug
    EXPECT_TRUE(testing_support::waitUntil([&] { return board->isUnplugged(); }));
}

TEST_F(LinkAgainstSimulator, AnswersNeverLeaveFasterThanTheLine) {
    std::mutex mutex;
    std::vector<TraceEvent> events;
    RunnerOptions o;
    o.trace = [&](const TraceEvent& e) {
        std::lock_guard lock(mutex);
        events.push_back(e);
    };
    startBoard(o);
    ASSERT_TRUE(comphard::SendCommandWithOperand(2, board::kPwm, 7, 7));
    // A byte's trace follows its write: the PC may have read the last one
    // before the board wrote it down.
    EXPECT_TRUE(testing_support::waitUntil([&] {
        std::lock_guard lock(mutex);
        return events.size() >= 5;
    }));
    std::lock_guard lock(mutex);
    ASSERT_EQ(events.size(), 5u);
    EXPECT_TRUE(events[2].fromPc);
    EXPECT_FALSE(events[3].fromPc);
    EXPECT_GE(events[3].at - events[2].at, kByteMicros);
    EXPECT_GE(events[4].at - events[3].at, kByteMicros);
}

TEST_F(LinkAgainstSimulator, LoggerAtHighSpeedFinishes) {
    RunnerOptions o;
    o.board.speed = 1000;
    startBoard(o);
    for (int cell = 0; cell < 3; ++cell) {
        comphard::WriteByte(board::kEsc);
        comphard::WriteByte(board::kLoadA);
        comphard::WriteByte(cell == 0 ? board::kAnalogIn : cell == 1 ? 0 : 1);
        comphard::ReadByte();
        comphard::ReadByte();
        comphard::WriteByte(board::kEsc);
        comphard::WriteByte(board::kStoreCell);
        comphard::WriteByte(cell);
        comphard::ReadByte();
        comphard::ReadByte();
    }
    comphard::WriteByte(board::kEsc);
    comphard::WriteByte(board::kStartLogger);
    // 7.5 s of board time, some 8 ms of the wall clock's.
    EXPECT_TRUE(testing_support::waitUntil(
        [&] { return board->snapshot().lastStop == StopReason::LoggerDone; }));
    EXPECT_EQ(board->snapshot().lastStop, StopReason::LoggerDone);
    EXPECT_EQ(board->snapshot().loggerSamples, 121);
}

TEST(SimulatedBoardRunner, SymlinkIsMadeAndRemoved) {
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("zentor-sim-test-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const auto link = dir / "board";
    {
        RunnerOptions o;
        o.symlinkPath = link.string();
        SimulatedBoard board(o);
        ASSERT_TRUE(board.start()) << board.lastError();
        EXPECT_TRUE(std::filesystem::is_symlink(link));
        EXPECT_EQ(std::filesystem::read_symlink(link).string(), board.devicePath());
        EXPECT_EQ(board.linkOrDevicePath(), link.string());
        ASSERT_TRUE(comphard::OpenDevice(link.string(), kLineMode));
        comphard::SetTimeout(kTimeoutMs);
        std::string text;
        comphard::Handshake(text);
        EXPECT_EQ(text, "Ok");
        comphard::ClosePort();
        board.stop();
        EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(link)));
    }
    std::filesystem::remove_all(dir);
}

TEST(SimulatedBoardRunner, RefusesToReplaceARealFile) {
    const auto file =
        std::filesystem::temp_directory_path() / ("zentor-sim-file-" + std::to_string(::getpid()));
    {
        std::FILE* f = std::fopen(file.c_str(), "w");
        std::fclose(f);
    }
    RunnerOptions o;
    o.symlinkPath = file.string();
    SimulatedBoard board(o);
    EXPECT_FALSE(board.start());
    EXPECT_FALSE(board.lastError().empty());
    EXPECT_TRUE(std::filesystem::is_regular_file(file));
    std::filesystem::remove(file);
}

TEST(SimulatedBoardRunner, PauseStepResumeFromAnotherThread) {
    SimulatedBoard board;
    ASSERT_TRUE(board.start());
    ASSERT_TRUE(comphard::OpenDevice(board.devicePath(), kLineMode));
    comphard::SetTimeout(kTimeoutMs);
    comphard::WriteByte(board::kEsc);
    comphard::WriteByte(board::kLoadProgram);
    comphard::WriteByte(3);
    for (int byte : {code("A = A + 1"), code("Goto .a"), 0}) {
        comphard::WriteByte(byte);
        comphard::ReadByte();
    }
    comphard::WriteByte(board::kEsc);
    comphard::WriteByte(board::kRunProgram);
    comphard::WriteByte(0);
    // The start frame may still be on its way to the board.
    ASSERT_TRUE(testing_support::waitUntil([&] { return board.snapshot().mode == Mode::Running; }));
    board.pauseProgram();
    const auto paused = board.snapshot();
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_EQ(board.snapshot().a, paused.a);
    EXPECT_TRUE(board.stepProgram());
    EXPECT_NE(board.snapshot().programCounter, paused.programCounter);
    board.resumeProgram();
    EXPECT_TRUE(testing_support::waitUntil([&] { return board.snapshot().a != paused.a; }));
    comphard::ClosePort();
    board.stop();
}

} // namespace
