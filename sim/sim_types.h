// Types shared by the simulated board's state machine, its runner and its
// command-line program: line time, options, faults and the snapshot that a
// panel reads.
#pragma once

#include "board_commands.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <limits>
#include <optional>

namespace zentor::sim {

// Line time in microseconds since the simulated board was switched on. The
// serial line, the break/stop rules and the frame time-out run on line time;
// the board's own clock (delays, logger, oscilloscope, signal model) runs
// `speed` times faster (see BoardOptions::speed).
using Micros = std::int64_t;
inline constexpr Micros kNever = std::numeric_limits<Micros>::max();

// One byte on the line with its time stamp: for bytes from the board, the
// moment its stop bit has left the board (the PC can read it from then on);
// for bytes to the board, the moment it arrived.
struct TimedByte {
    std::uint8_t value = 0;
    Micros at = 0;
    friend bool operator==(const TimedByte&, const TimedByte&) = default;
};

// Ten bits per byte at 1200 baud, rounded up so that a byte never leaves
// sooner than the line allows.
inline constexpr Micros kByteMicros = (10 * 1'000'000 + 1199) / 1200; // 8334 µs

// What the board does when it runs a program, from the PC's point of view.
enum class Mode {
    Command,     // waits for command frames
    Running,     // a stored program or the logger runs; listens for ESC and 0
    Interrupted, // stopped by a lone ESC; 0 resumes, ESC returns to command mode
};

// What runs while the mode is Running or Interrupted.
enum class Activity { None, Program, Logger };

// Why the last program or logger run ended.
enum class StopReason {
    None,           // nothing has ended yet
    End,            // the program reached "End"
    StoppedByPc,    // ESC while interrupted returned the board to command mode
    InvalidCode,    // a byte that is no instruction code
    StackOverflow,  // a ninth nested "Gosub"
    StackUnderflow, // "Return" without "Gosub"
    OutOfMemory,    // the program counter or an operand left the 128 cells
    LoggerDone,     // the logger took its 121 samples
};

enum class LedState { Off, On, Blink };

// Fixed input values for tests and demonstrations; an empty field follows
// the signal model.
struct InputOverrides {
    std::optional<int> analog;   // raw 0..255 (volts × 51)
    std::optional<int> digital;  // bit 0 is the "Din" input
    std::optional<int> portPins; // bits 0..5, the pins configured as inputs
    friend bool operator==(const InputOverrides&, const InputOverrides&) = default;
};

// A memory cell that reads back wrong through ESC 122 and ESC 126: its value
// plus one. Once: only the first read after the cell was last written (by an
// upload or ESC 120) is wrong. Always: every read is wrong.
struct BadCell {
    int address = 0;
    bool always = false;
};

// Faults of the line and the board, all deterministic for a given seed.
struct FaultOptions {
    bool silent = false;              // the board never answers
    double wrongComplementRate = 0.0; // 0..1: share of complement bytes garbled
    int dropEvery = 0;                // drop every n-th byte the board sends; 0 = never
    std::optional<BadCell> badCell;   // a cell that reads back wrong
    int unplugAfter = 0;              // pty closed on the n-th byte received; 0 = never
    std::uint32_t seed = 1;           // seed of the garbling sequence
};

struct BoardOptions {
    bool pacing = true;       // answers leave at 1200 baud; false sends them at once
    double speed = 1.0;       // board clock / line clock; 1000 runs the logger 1000 × faster
    bool pwmLoopback = false; // the analog input reads the PWM output
    InputOverrides inputs;
    FaultOptions faults;
};

struct Outputs {
    bool out = false; // "Out = 1" / "Out = 0"
    LedState led = LedState::Off;
    int beeps = 0;                  // "Beep" count since power-on
    std::uint8_t portDirection = 0; // bit set: the pin is an output
    std::uint8_t portOut = 0;
    std::uint8_t pwm = 0;
    friend bool operator==(const Outputs&, const Outputs&) = default;
};

// The inputs as the board reads them at the moment of the snapshot.
struct Inputs {
    int analog = 0;
    int digital = 0;
    int port = 0; // what "A = Portin" reads: input pins and the output bits of output pins
    friend bool operator==(const Inputs&, const Inputs&) = default;
};

inline constexpr int kStackDepth = 8;

// A consistent copy of the board's state; cheap enough to take every frame.
struct BoardSnapshot {
    Micros time = 0;
    std::uint8_t a = 0, b = 0, c = 0, d = 0;
    int programCounter = 0;
    int stackDepth = 0;
    Mode mode = Mode::Command;
    Activity activity = Activity::None;
    bool paused = false;          // held by pauseProgram()
    bool waitingForInput = false; // inside "Input A"
    StopReason lastStop = StopReason::None;
    Outputs outputs;
    Inputs inputs;
    InputOverrides overrides; // the inputs fixed by options or a panel
    std::array<std::uint8_t, board::kMemoryCells> memory{};
    int loggerSamples = 0; // samples taken by the current or last logger run
    int scopeSamples = 0;  // samples taken by the current or last capture
    bool unplugged = false;
    std::uint64_t bytesReceived = 0;
    std::uint64_t bytesSent = 0;
};

} // namespace zentor::sim
