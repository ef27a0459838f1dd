// The simulated board on the master side of a pseudo-terminal, served by a
// thread of its own. The program opens devicePath() like any serial device.
//
//     zentor::sim::SimulatedBoard board(options);
//     if (!board.start()) ... board.lastError() ...
//     comphard::OpenDevice(board.devicePath(), "1200,N,8,1");
//     ...
//     board.stop(); // closes the master: the device is gone
//
// All public functions may be called from any thread. The board keeps its
// own descriptor of the slave side open, so the program may close and reopen
// the device while the board runs. stop(), unplug() and the unplug fault
// close the master, which the program sees as a vanished device.
#pragma once

#include "board_machine.h"
#include "sim_types.h"

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace zentor::sim {

// One byte seen by the runner, for --trace and for tests.
struct TraceEvent {
    bool fromPc = false; // true: PC to board; false: board to PC
    std::uint8_t value = 0;
    Micros at = 0; // line time (µs since start())
};

struct RunnerOptions {
    BoardOptions board;
    // When not empty: a symbolic link to the slave device, replaced if it is
    // a link already, removed again by stop(). An existing file that is not
    // a symbolic link is left alone and start() fails.
    std::string symlinkPath;
    // Called on the board's thread for every byte in and out; keep it short.
    std::function<void(const TraceEvent&)> trace;
};

class SimulatedBoard {
public:
    explicit SimulatedBoard(RunnerOptions options = {});
    ~SimulatedBoard(); // stop()
    SimulatedBoard(const SimulatedBoard&) = delete;
    SimulatedBoard& operator=(const SimulatedBoard&) = delete;

    // Creates the pty and starts the thread. False, with lastError(), when
    // the pty or the link cannot be made; true at once when already running.
    // A board can be started again after stop() (a fresh board, new device).
    bool start();
    // Stops the thread, closes the pty and removes the link. Idempotent.
    void stop();
    // Closes the master while the board keeps its state: the program sees
    // the device vanish. The thread ends; stop() tidies up.
    void unplug();

    bool isRunning() const { return m_running.load(); }
    // True once the master was closed by unplug() or by the unplug fault.
    bool isUnplugged() const { return m_unplugged.load(); }
    // The slave device ("/dev/pts/N"); empty before start().
    std::string devicePath() const;
    // The symlink when one was asked for, else devicePath().
    std::string linkOrDevicePath() const;
    std::string lastError() const;

    BoardSnapshot snapshot();
    void setInputOverrides(const InputOverrides& overrides);
    void setPwmLoopback(bool on);
    void pauseProgram();
    void resumeProgram();
    bool stepProgram();

    // Line time now, in µs since start().
    Micros lineNow() const;

private:
    void run();
    void wake(); // with m_mutex held
    void closeMaster();
    // With m_mutex held: brings the machine to the present.
    void catchUp();

    RunnerOptions m_options;
    mutable std::mutex m_mutex; // guards m_machine and the strings
    BoardMachine m_machine;
    std::string m_devicePath;
    std::string m_linkPath;
    std::string m_error;
    int m_master = -1;
    int m_slave = -1; // kept open so the program may close and reopen its end
    int m_wakeRead = -1;
    int m_wakeWrite = -1;
    std::thread m_thread;
    std::atomic<bool> m_running{false};
    std::atomic<bool> m_stopRequested{false};
    std::atomic<bool> m_unplugRequested{false};
    std::atomic<bool> m_unplugged{false};
    std::int64_t m_epochNanos = 0; // steady clock at start()
};

} // namespace zentor::sim
