// zentor-sim as a program: started like a user starts it, with pacing on,
// talked to through the link's routines over the device it prints, and ended
// with Ctrl+C.
#include "board_commands.h"
#include "comphard.h"
#include "instruction_table.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <spawn.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include <fcntl.h>
#include <poll.h>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// A board that is silent on purpose is found out after this read time-out.
constexpr int kSilentTimeoutMs = 100;
// Where the board answers, reads wait this long: on a busy machine the
// simulator's thread may be held up for a long while before a byte leaves,
// and a reply taken for silence would shift every byte read after it.
constexpr int kAnswerTimeoutMs = 3000;
// How long a started or signalled simulator may take to print or to end.
constexpr auto kProcessLimit = std::chrono::seconds(30);

int code(std::string_view pattern) {
    for (const zentor::Instruction& i : zentor::kInstructionTable)
        if (i.pattern == pattern)
            return i.code;
    return -1;
}

// One run of zentor-sim with its standard output on a pipe.
class SimProcess {
public:
    explicit SimProcess(const std::vector<std::string>& arguments) {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0)
            return;
        m_out = fds[0];
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
        std::vector<std::string> args{ZENTOR_SIM_PROGRAM};
        args.insert(args.end(), arguments.begin(), arguments.end());
        std::vector<char*> argv;
        for (std::string& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        if (posix_spawn(&m_pid, ZENTOR_SIM_PROGRAM, &actions, nullptr, argv.data(), environ) != 0)
            m_pid = -1;
        posix_spawn_file_actions_destroy(&actions);
        ::close(fds[1]);
    }

    ~SimProcess() {
        if (m_pid > 0 && !m_exit) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
        if (m_out >= 0)
            ::close(m_out);
    }

    bool started() const { return m_pid > 0; }

    // The next line of standard output, or nothing within the time given.
    std::optional<std::string> readLine(std::chrono::milliseconds within) {
        const auto deadline = Clock::now() + within;
        for (;;) {
            const auto newline = m_buffer.find('\n');
            if (newline != std::string::npos) {
                std::string line = m_buffer.substr(0, newline);
                m_buffer.erase(0, newline + 1);
                return line;
            }
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            if (left.count() <= 0)
                return std::nullopt;
            pollfd fd{m_out, POLLIN, 0};
            if (::poll(&fd, 1, static_cast<int>(left.count())) <= 0)
                continue;
            char chunk[512];
            const ssize_t n = ::read(m_out, chunk, sizeof chunk);
            if (n <= 0)
                return std::nullopt; // the program ended
            m_buffer.append(chunk, static_cast<std::size_t>(n));
        }
    }

    // Sends the signal and waits for the exit; the exit status, or nothing
    // when the program did not end within the time given.
    std::optional<int> stop(int signal, std::chrono::milliseconds within) {
        ::kill(m_pid, signal);
        return waitForExit(within);
    }

    std::optional<int> waitForExit(std::chrono::milliseconds within) {
        const auto deadline = Clock::now() + within;
        int status = 0;
        while (Clock::now() < deadline) {
            const pid_t done = ::waitpid(m_pid, &status, WNOHANG);
            if (done == m_pid) {
                m_exit = true;
                return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return std::nullopt;
    }

private:
    pid_t m_pid = -1;
    int m_out = -1;
    bool m_exit = false;
    std::string m_buffer;
};

// A --trace line: time in ms, direction, value.
struct TraceLine {
    double ms = 0;
    bool fromPc = false;
    int value = -1;
};

std::optional<TraceLine> parseTrace(const std::string& line) {
    std::istringstream in(line);
    TraceLine t;
    std::string unit, from, arrow, to;
    if (!(in >> t.ms >> unit >> from >> arrow >> to >> t.value) || unit != "ms" || arrow != "->")
        return std::nullopt;
    if (from == "PC" && to == "board")
        t.fromPc = true;
    else if (!(from == "board" && to == "PC"))
        return std::nullopt;
    return t;
}

class ZentorSimProgram : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("zentor-sim-program-" + std::to_string(::getpid()));
        fs::create_directories(dir);
    }
    void TearDown() override {
        comphard::ClosePort();
        std::error_code ignored;
        fs::remove_all(dir, ignored);
    }
    fs::path dir;
};

TEST_F(ZentorSimProgram, LinkRoutinesOverTheDeviceItPrintsThenCtrlCEndsIt) {
    const fs::path link = dir / "board";
    SimProcess sim({"--link", link.string(), "--analog", "100", "--trace"});
    ASSERT_TRUE(sim.started());
    const auto device = sim.readLine(kProcessLimit);
    ASSERT_TRUE(device.has_value());
    EXPECT_EQ(device->rfind("/dev/pts/", 0), 0u) << *device;
    ASSERT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(fs::read_symlink(link).string(), *device);

    ASSERT_TRUE(comphard::OpenDevice(link.string(), "1200,N,8,1"));
    comphard::SetTimeout(kAnswerTimeoutMs);
    std::string text;
    comphard::Handshake(text);
    EXPECT_EQ(text, "Ok");
    EXPECT_EQ(comphard::ReadAnalog(), 100);
    EXPECT_TRUE(comphard::SendCommandWithOperand(2, board::kPwm, 128, 128));

    // A program that prints A, stopped again while it loops.
    const std::vector<int> program{code("A = .n"), 5, code("Print A"), code("Goto .a"), 2};
    comphard::WriteByte(board::kEsc);
    comphard::WriteByte(board::kLoadProgram);
    comphard::WriteByte(static_cast<int>(program.size()));
    for (int byte : program) {
        comphard::WriteByte(byte);
        ASSERT_TRUE(comphard::AwaitInput());
        EXPECT_EQ(comphard::ReadByte(), byte);
    }
    comphard::ReadByte();
    comphard::ReadByte();
    comphard::WriteByte(board::kEsc);
    comphard::WriteByte(board::kRunProgram);
    comphard::WriteByte(0);
    EXPECT_EQ(comphard::ReadByte(), 5);
    comphard::Resync();
    comphard::Handshake(text);
    EXPECT_EQ(text, "Ok");
    comphard::ClosePort();

    EXPECT_EQ(sim.stop(SIGINT, kProcessLimit), 0);
    EXPECT_FALSE(fs::exists(fs::symlink_status(link))) << "the link goes with the board";

    // The trace: the presence check as the first exchange, each answer byte
    // at least a byte time (8.33 ms at 1200 baud) after the one before.
    std::vector<TraceLine> trace;
    while (const auto line = sim.readLine(std::chrono::milliseconds(500))) {
        const auto parsed = parseTrace(*line);
        ASSERT_TRUE(parsed.has_value()) << *line;
        trace.push_back(*parsed);
    }
    ASSERT_GE(trace.size(), 4u);
    EXPECT_TRUE(trace[0].fromPc && trace[0].value == board::kEsc);
    EXPECT_TRUE(trace[1].fromPc && trace[1].value == board::kPresence);
    EXPECT_TRUE(!trace[2].fromPc && trace[2].value == 32);
    EXPECT_TRUE(!trace[3].fromPc && trace[3].value == 223);
    const TraceLine* previous = nullptr;
    for (const TraceLine& t : trace) {
        if (t.fromPc)
            continue;
        if (previous != nullptr) {
            EXPECT_GE(t.ms - previous->ms, 8.33);
        }
        previous = &t;
    }
}

TEST_F(ZentorSimProgram, SilentBoardIsNotFound) {
    SimProcess sim({"--silent", "--no-pacing"});
    ASSERT_TRUE(sim.started());
    const auto device = sim.readLine(kProcessLimit);
    ASSERT_TRUE(device.has_value());
    ASSERT_TRUE(comphard::OpenDevice(*device, "1200,N,8,1"));
    comphard::SetTimeout(kSilentTimeoutMs);
    std::string text;
    comphard::Handshake(text);
    EXPECT_EQ(text, "Controler antwortet nicht!");
    comphard::ClosePort();
    EXPECT_EQ(sim.stop(SIGTERM, kProcessLimit), 0);
}

TEST_F(ZentorSimProgram, UnplugFaultEndsTheProgram) {
    SimProcess sim({"--unplug-after", "3"});
    ASSERT_TRUE(sim.started());
    const auto device = sim.readLine(kProcessLimit);
    ASSERT_TRUE(device.has_value());
    ASSERT_TRUE(comphard::OpenDevice(*device, "1200,N,8,1"));
    comphard::SetTimeout(kAnswerTimeoutMs);
    EXPECT_TRUE(comphard::Beep());
    EXPECT_FALSE(comphard::Beep()); // its first byte pulls the plug
    comphard::ClosePort();
    EXPECT_EQ(sim.waitForExit(kProcessLimit), 0);
}

TEST_F(ZentorSimProgram, HelpAndRefusedArguments) {
    SimProcess help({"--help"});
    ASSERT_TRUE(help.started());
    std::string text;
    while (const auto line = help.readLine(kProcessLimit))
        text += *line + "\n";
    EXPECT_EQ(help.waitForExit(kProcessLimit), 0);
    for (const char* option : {"--link", "--no-pacing", "--speed", "--analog", "--silent",
                               "--bad-cell", "--unplug-after", "--trace"})
        EXPECT_NE(text.find(option), std::string::npos) << option;

    SimProcess wrong({"--speed", "fast"});
    ASSERT_TRUE(wrong.started());
    EXPECT_EQ(wrong.waitForExit(kProcessLimit), 2);
}

} // namespace
