// The board language: 54 instructions, each a text pattern and a one-byte
// code. The single source for the compiler, the disassembler, the palettes
// and the board simulator. Order matters: every lookup scans from the first
// entry and stops at the first hit.
#pragma once

#include <array>
#include <string_view>

namespace zentor {

struct Instruction {
    std::string_view pattern; // exactly as in a listing line, e.g. "A = .n"
    int code;
};

inline constexpr std::array<Instruction, 54> kInstructionTable{{
    {"A = .n", 20},
    {"B = .n", 21},
    {"C = .n", 22},
    {"D = .n", 23},
    {"A = B", 24},
    {"B = A", 25},
    {"A = C", 26},
    {"C = A", 27},
    {"A = D", 28},
    {"D = A", 29},
    {"A = [B+]", 30},
    {"[B+] = A", 31},
    {"Out = 1", 40},
    {"Out = 0", 41},
    {"LED = 1", 42},
    {"LED = 0", 43},
    {"LED = Blink", 44},
    {"Beep", 45},
    {"Print A", 46},
    {"Pdir = A", 47},
    {"Portout = A", 48},
    {"Pdir = .n", 49},
    {"Portout = .n", 50},
    {"PWM = .n", 51},
    {"PWM = A", 52},
    {"A = Uin", 60},
    {"A = Din", 61},
    {"A = Portin", 62},
    {"Input A", 63},
    {"Goto .a", 80},
    {"Gosub .a", 81},
    {"Return", 82},
    {"C*Goto .a", 83},
    {"D*Goto .a", 84},
    {"If A = B Goto .a", 85},
    {"If A > B Goto .a", 86},
    {"If A < B Goto .a", 87},
    {"End", 88},
    {"Delay = .n", 89},
    {"Delay 1 ms", 90},
    {"Delay = A", 91},
    {"A = A + B", 100},
    {"A = A - B", 101},
    {"A = A + 1", 102},
    {"A = A - 1", 103},
    {"A = A * B", 104},
    {"A = A / B", 105},
    {"A = A And .n", 106},
    {"A = A And B", 107},
    {"A = A Or .n", 108},
    {"A = A Or B", 109},
    {"A = A Shl 1", 110},
    {"A = A Shr 1", 111},
    {"A = Not A", 112},
}};

// The codes of the jump instructions; their operand is a program address.
inline constexpr std::array<int, 7> kJumpCodes{80, 81, 83, 84, 85, 86, 87};

constexpr bool isJumpCode(int code) {
    for (int c : kJumpCodes)
        if (c == code)
            return true;
    return false;
}

// The entry with the given code, or nullptr when the byte is no code.
constexpr const Instruction* instructionForCode(int code) {
    for (const Instruction& i : kInstructionTable)
        if (i.code == code)
            return &i;
    return nullptr;
}

// True when the pattern carries an operand placeholder (".n" or ".a"): a "."
// after the first character.
constexpr bool hasOperand(const Instruction& i) {
    return i.pattern.find('.', 1) != std::string_view::npos;
}

// The text before the placeholder ("A = " for "A = .n"); empty without one.
constexpr std::string_view operandPrefix(const Instruction& i) {
    const std::size_t dot = i.pattern.find('.', 1);
    return dot == std::string_view::npos ? std::string_view{} : i.pattern.substr(0, dot);
}

// Length in program memory: the code byte, plus the operand byte if any.
constexpr int instructionLength(const Instruction& i) {
    return hasOperand(i) ? 2 : 1;
}

// Board memory: 128 cells; a program may occupy addresses 0 to 123.
inline constexpr int kMemoryCells = 128;
inline constexpr int kProgramCapacity = 124;

// Named codes the simulator and the pages refer to.
namespace op {
inline constexpr int kGoto = 80;
inline constexpr int kGosub = 81;
inline constexpr int kReturn = 82;
inline constexpr int kEnd = 88;
} // namespace op

} // namespace zentor
