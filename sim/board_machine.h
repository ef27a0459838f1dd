// The simulated board as a pure state machine: bytes from the PC go in with
// their arrival time, answer bytes come out with the time they have left the
// board, and time moves only when the caller says so. No threads, no pty, no
// clock of its own: unit tests drive it byte by byte; SimulatedBoard puts it
// on a pty. The behaviour is described in sim/README.md.
#pragma once

#include "answer_line.h"
#include "signal_model.h"
#include "sim_types.h"

#include <array>
#include <cstdint>
#include <vector>

namespace zentor::sim {

class BoardMachine {
public:
    explicit BoardMachine(const BoardOptions& options = {});

    // One byte from the PC, arrived at line time `at`. Runs everything that
    // was due before (advanceTo(at)) and then handles the byte. Times before
    // now() count as now().
    void receive(std::uint8_t byte, Micros at);

    // Runs the program, the logger, the oscilloscope capture and the frame
    // time-out up to line time t (no effect for t <= now()).
    void advanceTo(Micros t);

    Micros now() const { return m_now; }

    // The line time of the next internal event, kNever when the board only
    // waits for bytes. The runner sleeps until then.
    Micros nextEventTime() const;

    // Answer bytes produced since the last call, in line order, each stamped
    // with the moment it has left the board. Empty while unplugged.
    std::vector<TimedByte> takeOutput();

    // True once the board pulled its plug (FaultOptions::unplugAfter): it
    // takes no more bytes and sends none; the runner closes the pty.
    bool unplugged() const { return m_unplugged; }

    BoardSnapshot snapshot() const;

    // Panel controls. They act at now(); the runner advances first.
    void setInputOverrides(const InputOverrides& overrides);
    void setPwmLoopback(bool on);
    // Holds the running program (or logger) where it is; the line keeps
    // working (ESC, 0 and frames are handled as usual).
    void pauseProgram();
    void resumeProgram();
    // While paused: runs the next instruction at once (a pending delay is cut
    // short; for the logger: takes the next sample). False when there is
    // nothing to step (not paused, not running, or waiting for "Input A").
    bool stepProgram();

private:
    enum class Parse {
        Idle,      // waiting for ESC
        Escape,    // ESC seen, waiting for the command byte
        Operand,   // waiting for the operand of m_command
        LoadCount, // 27 127: waiting for the byte count
        LoadData,  // 27 127 n: waiting for data bytes
        InputByte, // 27 63: waiting for the byte that "Input A" takes
    };

    // Outcome of one instruction, for the caller that runs it.
    struct Effect {
        int jumpTo = -1;             // program address, or -1
        Micros delayBoardMicros = 0; // pause after the instruction, board time
        bool waitForInput = false;   // "Input A" in a program
        bool printA = false;         // "Print A"
        StopReason stop = StopReason::None;
    };

    // Line-level handling by mode.
    void receiveWhileRunning(std::uint8_t byte);
    void receiveWhileInterrupted(std::uint8_t byte);
    void receiveCommandByte(std::uint8_t byte);

    // Command mode.
    void handleCommand(int command);
    void handleOperand(int operand);
    void executeDirect(int code, int operand);
    void startProgram(int address);
    void startLogger();
    void startCapture(int timeBase);
    void sendScope();
    void sendMemory();

    // Running.
    void runProgramStep();
    void takeLoggerSample();
    void takeScopeSample();
    Effect execute(int code, int operand, bool inProgram);
    void finishActivity(StopReason reason);
    void holdChanged(bool wasHeld);
    bool held() const { return m_mode == Mode::Interrupted || m_paused; }
    bool programMayStep() const;
    Micros frameDeadline() const;
    Micros scopeDue() const;
    Micros loggerDue() const;
    Micros programDue() const;

    // Memory, inputs, answers.
    void writeCell(int address, std::uint8_t value);
    std::uint8_t readCellForPc(int address);
    int readInput(int code) const;
    double boardSeconds() const;
    Micros lineMicrosForBoard(double boardMicros) const;
    Micros instructionMicros() const;
    Micros answerTime() const;
    void answerPair(int value);
    void answerByte(int value);

    BoardOptions m_options;
    SignalModel m_signal;
    AnswerLine m_line;
    Micros m_now = 0;

    // Registers and program state.
    std::uint8_t m_a = 0, m_b = 0, m_c = 0, m_d = 0;
    int m_pc = 0;
    std::array<int, kStackDepth> m_stack{};
    int m_stackDepth = 0;
    Mode m_mode = Mode::Command;
    Activity m_activity = Activity::None;
    StopReason m_lastStop = StopReason::None;
    bool m_paused = false;
    bool m_waitingForInput = false;
    Micros m_nextStepAt = kNever;
    Micros m_heldSince = 0;

    // Outputs and memories.
    Outputs m_outputs;
    std::array<std::uint8_t, board::kMemoryCells> m_memory{};
    std::array<std::uint8_t, board::kScopeSamples> m_scope{};
    bool m_badCellArmed = true;

    // Command parser.
    Parse m_parse = Parse::Idle;
    int m_command = 0;
    int m_loadCount = 0;
    int m_loadIndex = 0;
    Micros m_frameAt = 0;   // last byte of the frame being received
    Micros m_busyUntil = 0; // a direct "Delay" holds later answers back

    // Break and stop.
    Micros m_breakAt = 0;
    int m_bytesSinceBreak = 0;

    // Logger.
    int m_loggerCode = 0;
    int m_loggerSamples = 0;
    Micros m_loggerStart = 0;
    double m_loggerIntervalBoardMicros = 0;

    // Oscilloscope.
    int m_scopeSamples = board::kScopeSamples;
    Micros m_scopeStart = 0;
    double m_scopeIntervalBoardMicros = 0;

    // Faults and counters.
    bool m_unplugged = false;
    std::uint64_t m_received = 0;
};

} // namespace zentor::sim
