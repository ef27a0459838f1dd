// The command frames of the board protocol: every byte the PC sends to the
// board, and the fixed answers it expects. The board side (sim/) uses the
// same table, so the two cannot drift apart.
#pragma once

#include <cstdint>

namespace board {

// Frame start; also the lone break byte and, doubled, the resynchronisation.
inline constexpr int kEsc = 27;
// The lone byte that resumes an interrupted board program.
inline constexpr int kContinue = 0;

// Command bytes that follow ESC.
enum Command : int {
    kPresence = 1,       // answer 32, 223
    kLoadA = 20,         // 27 20 n: "A = .n"; 2 bytes, unchecked
    kCopyAToC = 27,      // 27 27: "C = A", also the resync frame; answer 27, 228
    kOutOn = 40,         // answer 40, 215
    kOutOff = 41,        // answer 41, 214
    kLedOn = 42,
    kLedOff = 43,
    kLedBlink = 44,
    kBeep = 45,          // answer 45, 210
    kPortDirection = 49, // 27 49 n: answer n, 255 - n
    kPortOut = 50,       // 27 50 n: answer n, 255 - n
    kPwm = 51,           // 27 51 n: answer n, 255 - n
    kAnalogIn = 60,      // answer value, 255 - value
    kDigitalIn = 61,     // answer value, 255 - value
    kPortIn = 62,        // answer value, 255 - value
    kStoreCell = 120,    // 27 120 i: cell i := A; 2 bytes, unchecked
    kRunProgram = 121,   // 27 121 0: start at address 0; no answer
    kReadCell = 122,     // 27 122 i: cell value, then one unchecked byte
    kStartLogger = 123,  // no answer
    kScopeCapture = 124, // 27 124 t: answer 1, 254, then the capture runs
    kScopeRead = 125,    // 101 samples, then 2 bytes unchecked
    kReadMemory = 126,   // 128 cells, then 2 bytes unchecked
    kLoadProgram = 127,  // 27 127 n, n data bytes: one answer byte per data byte, then 2 bytes
};

// Fixed answer bytes.
inline constexpr int kPresenceAnswer = 32;
inline constexpr int kScopeCaptureAnswer = 1;

// Sizes of the board's memories and bulk answers.
inline constexpr int kMemoryCells = 128;
inline constexpr int kProgramCells = 124; // a program occupies cells 0..123
inline constexpr int kScopeSamples = 101;
inline constexpr int kTrailingBytes = 2; // the pair after every bulk answer

// A valid answer pair adds up to 255.
constexpr int complementOf(int value) { return 255 - value; }
constexpr bool isAnswerPair(int first, int second) {
    return first >= 0 && second >= 0 && first + second == 255;
}

} // namespace board
