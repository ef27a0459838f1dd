// The exchanges of the measurement pages with the board: "Extern Messen",
// "Zeitschreiber" and "Oszilloskop". Each runs on the link thread, takes
// plain values and returns a plain result; what it reports on the way (a
// status text, a progress position) goes to the page through Link::report.
#pragma once

#include "logger.h"
#include "scope.h"

#include <QString>

#include <array>

namespace zentor {

// The presence check's answer when the board is there.
inline constexpr char kHandshakeOk[] = "Ok";

// Resync and presence check: "Ok" or the presence check's failure text, or
// kCancelledText when the user gave the exchange up.
QString bringBoardIntoStep();

// ---- "Extern Messen" ------------------------------------------------------------

// Brings the board into step, writes cells 0 to 2 for the duration and the
// input, starts the board's logger and then the stopwatch. The presence
// check's text (or kCancelledText); the board's logger was started only
// when it is "Ok".
QString startLogger(int durationItem, int inputItem);

// At the end of the countdown: the board finishes its last sample and
// returns to command mode; what it sent meanwhile is dropped.
void settleLogger();

struct LoggerReadOut {
    enum class Outcome {
        NoAnswer,      // the presence check failed: nothing was read
        ReadTimeout,   // the dump broke off
        TransferError, // a failed read, or the dump's closing pair is wrong
        Done,
    };
    Outcome outcome = Outcome::NoAnswer;
    QString answer;                              // the presence check's text
    std::array<int, kLoggerConfigCells> cells{}; // cells 0 to 2, read one by one
    LoggerValues values{};  // the values given, overwritten as far as the dump came
    bool cancelled = false; // set by the caller
};

// "&Auslesen": brings the board into step, reads cells 0 to 2 and the dump of
// the board memory into a copy of `values`. Reports "Lese Daten ..." when
// the presence check passed, and the progress with every value read, as the
// slot of the last value capped at progressMaximum.
LoggerReadOut readLogger(const LoggerValues& values, int progressMaximum);

// ---- "Oszilloskop" ----------------------------------------------------------------

struct ScopeRead {
    enum class Outcome {
        NoAnswer,    // the presence check of a capture failed
        ReadTimeout, // a sample did not come
        ReadError,   // a sample's read failed although it was announced
        Short,       // bytes were lost: the dump did not close with its answer pair
        Done,
    };
    Outcome outcome = Outcome::NoAnswer;
    QString answer;         // the presence check's text; empty for a memory read
    ScopeValues values{};   // the samples given, overwritten as far as the read came
    bool cancelled = false; // set by the caller
};

// "&Messen": brings the board into step, orders a capture at the time base,
// waits until the board has taken it (reporting the busy text before), then
// reads the samples as readScopeMemory does.
ScopeRead captureScope(qint32 timeBase, const ScopeValues& values);

// "&RAM lesen": reads the 101 samples of the board's sample memory into a
// copy of `values`, reporting the progress with every sample.
ScopeRead readScopeMemory(const ScopeValues& values);

} // namespace zentor
