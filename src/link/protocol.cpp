// The command half of comphard: frames, answer checks, presence check and
// resynchronisation. Every pause here is part of the protocol: the board
// needs it, so none may be shorter.
#include "board_commands.h"
#include "comphard.h"
#include "precise_wait.h"

namespace comphard {

namespace {

constexpr int kEchoPause = 1;           // ms before reading a simple command's answer
constexpr int kOperandPause = 20;       // ms around the reads of an operand command
constexpr int kHandshakePause = 10;     // ms between the presence frame and its answer
constexpr int kResyncPause = 20;        // ms after each ESC of a resync round
constexpr int kResyncRounds = 5;
constexpr int kHandshakeAttempts = 2;
constexpr int kInputPolls = 1001;       // about one second of 1 ms polls

constexpr const char* kAnswerMissing = "Controler antwortet nicht!";

} // namespace

bool CheckEcho(int c) {
    WaitMilliseconds(kEchoPause);
    const int a = ReadByte();
    const int b = ReadByte();
    return a == c && board::isAnswerPair(a, b);
}

bool SendCommand(int opcode) {
    WriteFrame({board::kEsc, opcode});
    return CheckEcho(opcode);
}

bool OutOn() { return SendCommand(board::kOutOn); }
bool OutOff() { return SendCommand(board::kOutOff); }
bool LedOn() { return SendCommand(board::kLedOn); }
bool LedOff() { return SendCommand(board::kLedOff); }
bool LedBlink() { return SendCommand(board::kLedBlink); }
bool Beep() { return SendCommand(board::kBeep); }

bool SendCommandWithOperand(int length, int opcode, int operand, int expected) {
    if (length == 2)
        WriteFrame({board::kEsc, opcode, operand});
    else
        WriteFrame({board::kEsc, opcode});
    WaitMilliseconds(kOperandPause);
    const int a = ReadByte();
    WaitMilliseconds(kOperandPause);
    const int b = ReadByte();
    WaitMilliseconds(kOperandPause);
    return a == expected && b == board::complementOf(expected);
}

void Handshake(std::string& text, int* firstAnswer) {
    PurgeInput();
    text = kAnswerOk;
    for (int attempt = 0; attempt < kHandshakeAttempts; ++attempt) {
        PurgeInput();
        WriteFrame({board::kEsc, board::kPresence});
        WaitMilliseconds(kHandshakePause);
        const int a = ReadByte();
        const int b = ReadByte();
        if (firstAnswer != nullptr)
            *firstAnswer = a;
        if (a == board::kPresenceAnswer && board::isAnswerPair(a, b))
            return;
        // Only total silence earns a second attempt; a wrong answer means a
        // board that is there but not in step.
        if (a != -1)
            break;
    }
    text = kAnswerMissing;
}

bool Resync() {
    bool answered = false;
    for (int round = 0; round < kResyncRounds && !interruptRequested(); ++round) {
        {
            // The two ESC reach the board as one frame only with the pause
            // between them; a cancel waits for the second.
            const WholeFrame frame;
            WriteByte(board::kEsc);
            WaitMilliseconds(kResyncPause);
            WriteByte(board::kEsc);
        }
        WaitMilliseconds(kResyncPause);
        const int a = ReadByte();
        ReadByte(); // the second answer byte is not examined
        if (a == board::kEsc) {
            answered = true;
            break;
        }
    }
    PurgeInput();
    ForgetProgram();
    return answered;
}

int ReadAnalog() {
    WriteFrame({board::kEsc, board::kAnalogIn});
    const int a = ReadByte();
    if (a == -1)
        return -1;
    const int b = ReadByte();
    return board::isAnswerPair(a, b) ? a : -1;
}

void SendBreak() {
    WriteByte(board::kEsc);
    ReadByte();
}

void SendContinue() {
    WriteByte(board::kContinue);
    ReadByte();
    ReadByte();
}

bool AwaitInput() {
    for (int poll = 0; poll < kInputPolls; ++poll) {
        if (BytesInQueue() > 0)
            return true;
        WaitMilliseconds(1);
    }
    return false;
}

} // namespace comphard
