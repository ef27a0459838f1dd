#include "board_machine.h"

#include "instruction_table.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string_view>

namespace zentor::sim {

namespace {

// The code of an instruction pattern, looked up in the one instruction table
// at compile time; a misspelt pattern does not compile.
constexpr int codeOf(std::string_view pattern) {
    for (const Instruction& i : kInstructionTable)
        if (i.pattern == pattern)
            return i.code;
    throw std::logic_error("no such instruction");
}

namespace code {
constexpr int kLoadA = codeOf("A = .n");
constexpr int kLoadB = codeOf("B = .n");
constexpr int kLoadC = codeOf("C = .n");
constexpr int kLoadD = codeOf("D = .n");
constexpr int kAFromB = codeOf("A = B");
constexpr int kBFromA = codeOf("B = A");
constexpr int kAFromC = codeOf("A = C");
constexpr int kCFromA = codeOf("C = A");
constexpr int kAFromD = codeOf("A = D");
constexpr int kDFromA = codeOf("D = A");
constexpr int kAFromCell = codeOf("A = [B+]");
constexpr int kCellFromA = codeOf("[B+] = A");
constexpr int kOutOn = codeOf("Out = 1");
constexpr int kOutOff = codeOf("Out = 0");
constexpr int kLedOn = codeOf("LED = 1");
constexpr int kLedOff = codeOf("LED = 0");
constexpr int kLedBlink = codeOf("LED = Blink");
constexpr int kBeep = codeOf("Beep");
constexpr int kPrintA = codeOf("Print A");
constexpr int kPdirFromA = codeOf("Pdir = A");
constexpr int kPortoutFromA = codeOf("Portout = A");
constexpr int kPdir = codeOf("Pdir = .n");
constexpr int kPortout = codeOf("Portout = .n");
constexpr int kPwm = codeOf("PWM = .n");
constexpr int kPwmFromA = codeOf("PWM = A");
constexpr int kAnalogIn = codeOf("A = Uin");
constexpr int kDigitalIn = codeOf("A = Din");
constexpr int kPortIn = codeOf("A = Portin");
constexpr int kInputA = codeOf("Input A");
constexpr int kGoto = codeOf("Goto .a");
constexpr int kGosub = codeOf("Gosub .a");
constexpr int kReturn = codeOf("Return");
constexpr int kCountC = codeOf("C*Goto .a");
constexpr int kCountD = codeOf("D*Goto .a");
constexpr int kIfEqual = codeOf("If A = B Goto .a");
constexpr int kIfGreater = codeOf("If A > B Goto .a");
constexpr int kIfLess = codeOf("If A < B Goto .a");
constexpr int kEnd = codeOf("End");
constexpr int kDelayN = codeOf("Delay = .n");
constexpr int kDelay1 = codeOf("Delay 1 ms");
constexpr int kDelayA = codeOf("Delay = A");
constexpr int kAdd = codeOf("A = A + B");
constexpr int kSub = codeOf("A = A - B");
constexpr int kInc = codeOf("A = A + 1");
constexpr int kDec = codeOf("A = A - 1");
constexpr int kMul = codeOf("A = A * B");
constexpr int kDiv = codeOf("A = A / B");
constexpr int kAndN = codeOf("A = A And .n");
constexpr int kAndB = codeOf("A = A And B");
constexpr int kOrN = codeOf("A = A Or .n");
constexpr int kOrB = codeOf("A = A Or B");
constexpr int kShl = codeOf("A = A Shl 1");
constexpr int kShr = codeOf("A = A Shr 1");
constexpr int kNot = codeOf("A = Not A");
} // namespace code

// Line-level timing of the board's firmware.
constexpr Micros kFrameTimeout = 500'000; // a stalled frame is dropped
// ESC ESC is one frame only when the second ESC follows within this time (the
// PC sends them 30 ms apart); a later ESC finds a stale one, such as the lone
// ESC of a break sent while no program ran, and starts a frame of its own.
constexpr Micros kStaleEscape = 40'000;
// An ESC this long after the ESC that interrupted is the second byte of the
// PC's ESC ESC stop pair (30 ms apart). The window is no wider than the pair
// needs: a later ESC is the first of a new pair, such as a stop sent soon
// after a break, and taking it for the second would leave that pair's own
// second ESC to swallow the next frame.
constexpr Micros kStopPairMin = 20'000;
constexpr Micros kStopPairMax = kStaleEscape;
// Board time of one instruction, and the floor in line time that keeps a
// busy loop at a high speed factor from eating a processor.
constexpr double kInstructionBoardMicros = 50.0;
constexpr Micros kMinInstructionMicros = 20;
constexpr double kMicrosPerMillisecond = 1000.0;
constexpr double kLoggerTickBoardMicros = 62'500.0; // the interval counts 1/16 s
constexpr int kLoggerFirstCell = 3;
constexpr int kLoggerSamples = 121; // 120 intervals
constexpr int kDivideByZeroResult = 255;

std::uint8_t u8(int value) {
    return static_cast<std::uint8_t>(value & 0xFF);
}

} // namespace

BoardMachine::BoardMachine(const BoardOptions& options)
    : m_options(options), m_signal(options.pwmLoopback, options.inputs),
      m_line(options.pacing, options.faults) {
    if (!(m_options.speed > 0.0))
        m_options.speed = 1.0;
}

// ---- Time -----------------------------------------------------------------

double BoardMachine::boardSeconds() const {
    return static_cast<double>(m_now) * m_options.speed / 1e6;
}

Micros BoardMachine::lineMicrosForBoard(double boardMicros) const {
    return static_cast<Micros>(std::llround(boardMicros / m_options.speed));
}

Micros BoardMachine::instructionMicros() const {
    return std::max(lineMicrosForBoard(kInstructionBoardMicros), kMinInstructionMicros);
}

bool BoardMachine::programMayStep() const {
    return m_mode == Mode::Running && !m_paused && m_activity == Activity::Program &&
           !m_waitingForInput;
}

Micros BoardMachine::frameDeadline() const {
    return m_parse == Parse::Idle ? kNever : m_frameAt + kFrameTimeout;
}

Micros BoardMachine::scopeDue() const {
    if (m_scopeSamples >= board::kScopeSamples)
        return kNever;
    return m_scopeStart + lineMicrosForBoard(m_scopeSamples * m_scopeIntervalBoardMicros);
}

Micros BoardMachine::loggerDue() const {
    if (m_activity != Activity::Logger || m_mode != Mode::Running || m_paused)
        return kNever;
    return m_loggerStart + lineMicrosForBoard(m_loggerSamples * m_loggerIntervalBoardMicros);
}

Micros BoardMachine::programDue() const {
    return programMayStep() ? m_nextStepAt : kNever;
}

Micros BoardMachine::nextEventTime() const {
    return std::min({frameDeadline(), scopeDue(), loggerDue(), programDue()});
}

void BoardMachine::advanceTo(Micros t) {
    for (;;) {
        const Micros next = nextEventTime();
        if (next > t)
            break;
        m_now = std::max(m_now, next);
        // Events due at the same time run in a fixed order: the frame
        // time-out, the capture, the logger, the program.
        if (frameDeadline() <= m_now)
            m_parse = Parse::Idle;
        else if (scopeDue() <= m_now)
            takeScopeSample();
        else if (loggerDue() <= m_now)
            takeLoggerSample();
        else
            runProgramStep();
    }
    m_now = std::max(m_now, t);
}

// ---- Line input --------------------------------------------------------------

void BoardMachine::receive(std::uint8_t byte, Micros at) {
    if (m_unplugged)
        return;
    advanceTo(at);
    ++m_received;
    if (m_options.faults.unplugAfter > 0 &&
        m_received >= static_cast<std::uint64_t>(m_options.faults.unplugAfter)) {
        m_unplugged = true;
        m_line.discard();
        return;
    }
    switch (m_mode) {
    case Mode::Running:
        receiveWhileRunning(byte);
        break;
    case Mode::Interrupted:
        receiveWhileInterrupted(byte);
        break;
    case Mode::Command:
        receiveCommandByte(byte);
        break;
    }
}

void BoardMachine::receiveWhileRunning(std::uint8_t byte) {
    if (byte == board::kEsc) {
        // Break: the program stops where it is and the board echoes the ESC.
        const bool wasHeld = held();
        m_mode = Mode::Interrupted;
        holdChanged(wasHeld);
        m_breakAt = m_now;
        m_bytesSinceBreak = 0;
        answerByte(board::kEsc);
        return;
    }
    if (m_waitingForInput) {
        m_a = byte;
        m_waitingForInput = false;
        m_nextStepAt = m_now + instructionMicros();
        return;
    }
    // A continue with nothing to resume is answered all the same, so that a
    // PC that lost track of the board reads what it expects.
    if (byte == board::kContinue)
        answerPair(board::kContinue);
}

void BoardMachine::receiveWhileInterrupted(std::uint8_t byte) {
    const bool firstAfterBreak = m_bytesSinceBreak == 0;
    ++m_bytesSinceBreak;
    if (byte == board::kContinue) {
        const bool wasHeld = held();
        m_mode = Mode::Running;
        holdChanged(wasHeld);
        answerPair(board::kContinue);
        return;
    }
    if (byte != board::kEsc)
        return;
    // ESC returns to command mode. The PC's stop is the pair ESC ESC: sent to
    // a running board, its first ESC is the break and the second arrives
    // 30 ms later; it then completes the pair and the board answers as to
    // ESC ESC. Sent to a board interrupted earlier, the first ESC of the pair
    // leads back to command mode and also opens the frame that the second
    // ESC completes ("C = A"). Either way the board ends in command mode
    // with no ESC pending, which is what the PC's resync relies on.
    const Micros gap = m_now - m_breakAt;
    finishActivity(StopReason::StoppedByPc);
    if (firstAfterBreak && gap >= kStopPairMin && gap <= kStopPairMax) {
        answerPair(board::kEsc);
    } else {
        m_parse = Parse::Escape;
        m_frameAt = m_now;
    }
}

void BoardMachine::receiveCommandByte(std::uint8_t byte) {
    const Parse state = m_parse;
    const Micros gap = m_now - m_frameAt;
    m_frameAt = m_now;
    switch (state) {
    case Parse::Idle:
        // Bytes outside a frame are line noise to the board.
        if (byte == board::kEsc)
            m_parse = Parse::Escape;
        break;
    case Parse::Escape:
        if (byte == board::kEsc && gap > kStaleEscape)
            break; // the new ESC opens the frame; the stale one is forgotten
        m_parse = Parse::Idle;
        handleCommand(byte);
        break;
    case Parse::Operand:
        m_parse = Parse::Idle;
        handleOperand(byte);
        break;
    case Parse::LoadCount:
        m_loadCount = byte;
        m_loadIndex = 0;
        if (m_loadCount == 0) {
            m_parse = Parse::Idle;
            answerPair(board::kLoadProgram);
        } else {
            m_parse = Parse::LoadData;
        }
        break;
    case Parse::LoadData:
        // Every data byte is echoed; that echo paces the PC's upload. Cells
        // past the memory are not stored but still echoed.
        if (m_loadIndex < board::kMemoryCells)
            writeCell(m_loadIndex, byte);
        answerByte(byte);
        if (++m_loadIndex >= m_loadCount) {
            m_parse = Parse::Idle;
            answerPair(board::kLoadProgram);
        }
        break;
    case Parse::InputByte:
        m_parse = Parse::Idle;
        m_a = byte;
        answerPair(m_a);
        break;
    }
}

// ---- Command mode ------------------------------------------------------------

void BoardMachine::handleCommand(int command) {
    m_command = command;
    switch (command) {
    case board::kPresence:
        answerPair(board::kPresenceAnswer);
        return;
    case board::kStoreCell:
    case board::kRunProgram:
    case board::kReadCell:
    case board::kScopeCapture:
        m_parse = Parse::Operand;
        return;
    case board::kLoadProgram:
        m_parse = Parse::LoadCount;
        return;
    case board::kStartLogger:
        startLogger();
        return;
    case board::kScopeRead:
        sendScope();
        return;
    case board::kReadMemory:
        sendMemory();
        return;
    default:
        break;
    }
    const Instruction* instruction = instructionForCode(command);
    if (instruction == nullptr)
        return; // unknown command byte: no answer at all
    if (command == code::kInputA)
        m_parse = Parse::InputByte;
    else if (hasOperand(*instruction))
        m_parse = Parse::Operand;
    else
        executeDirect(command, 0);
}

void BoardMachine::handleOperand(int operand) {
    switch (m_command) {
    case board::kStoreCell:
        if (operand < board::kMemoryCells)
            writeCell(operand, m_a);
        answerPair(operand);
        return;
    case board::kRunProgram:
        startProgram(operand);
        return;
    case board::kReadCell: {
        const int value = operand < board::kMemoryCells ? readCellForPc(operand) : 0;
        answerPair(value);
        return;
    }
    case board::kScopeCapture:
        answerPair(board::kScopeCaptureAnswer);
        startCapture(operand);
        return;
    default:
        executeDirect(m_command, operand);
        return;
    }
}

void BoardMachine::executeDirect(int code, int operand) {
    const Effect effect = execute(code, operand, false);
    if (effect.delayBoardMicros > 0)
        m_busyUntil = std::max(m_now, m_busyUntil) + lineMicrosForBoard(effect.delayBoardMicros);
    // Readings and "Print A" answer with the value, instructions with an
    // operand with the operand, all others with their code.
    const Instruction* instruction = instructionForCode(code);
    if (code == code::kAnalogIn || code == code::kDigitalIn || code == code::kPortIn ||
        code == code::kPrintA)
        answerPair(m_a);
    else if (instruction != nullptr && hasOperand(*instruction))
        answerPair(operand);
    else
        answerPair(code);
}

void BoardMachine::startProgram(int address) {
    if (address >= board::kMemoryCells)
        return;
    m_a = m_b = m_c = m_d = 0;
    m_pc = address;
    m_stackDepth = 0;
    m_waitingForInput = false;
    m_activity = Activity::Program;
    m_mode = Mode::Running;
    m_lastStop = StopReason::None;
    m_nextStepAt = std::max(m_now, m_busyUntil);
    if (m_paused)
        m_heldSince = m_now;
}

void BoardMachine::startLogger() {
    m_loggerCode = m_memory[0];
    int ticks = m_memory[1] * 256 + m_memory[2];
    if (ticks == 0)
        ticks = 1; // the shortest interval; a zero interval would never end
    m_loggerIntervalBoardMicros = ticks * kLoggerTickBoardMicros;
    for (int cell = kLoggerFirstCell; cell < board::kMemoryCells; ++cell)
        writeCell(cell, 0);
    m_loggerSamples = 0;
    m_loggerStart = std::max(m_now, m_busyUntil);
    m_activity = Activity::Logger;
    m_mode = Mode::Running;
    m_lastStop = StopReason::None;
    if (m_paused)
        m_heldSince = m_now;
}

void BoardMachine::startCapture(int timeBase) {
    m_scopeIntervalBoardMicros = timeBase * kMicrosPerMillisecond;
    m_scopeSamples = 0;
    m_scopeStart = answerTime();
}

void BoardMachine::sendScope() {
    for (std::uint8_t sample : m_scope)
        m_line.send(sample, ByteKind::Data, answerTime());
    answerPair(board::kScopeRead);
}

void BoardMachine::sendMemory() {
    for (int cell = 0; cell < board::kMemoryCells; ++cell)
        m_line.send(readCellForPc(cell), ByteKind::Data, answerTime());
    answerPair(board::kReadMemory);
}

// ---- Running -----------------------------------------------------------------

void BoardMachine::runProgramStep() {
    const Micros stepAt = m_nextStepAt;
    const int code = m_memory[static_cast<std::size_t>(m_pc)];
    const Instruction* instruction = instructionForCode(code);
    if (instruction == nullptr) {
        finishActivity(StopReason::InvalidCode);
        return;
    }
    int operand = 0;
    if (hasOperand(*instruction)) {
        if (m_pc + 1 >= board::kMemoryCells) {
            finishActivity(StopReason::OutOfMemory);
            return;
        }
        operand = m_memory[static_cast<std::size_t>(m_pc + 1)];
    }
    const int returnAddress = m_pc + instructionLength(*instruction);
    m_pc = returnAddress;

    if (code == code::kGosub) {
        if (m_stackDepth >= kStackDepth) {
            finishActivity(StopReason::StackOverflow);
            return;
        }
        m_stack[static_cast<std::size_t>(m_stackDepth++)] = returnAddress;
    } else if (code == code::kReturn) {
        if (m_stackDepth == 0) {
            finishActivity(StopReason::StackUnderflow);
            return;
        }
        m_pc = m_stack[static_cast<std::size_t>(--m_stackDepth)];
    }

    const Effect effect = execute(code, operand, true);
    if (effect.stop != StopReason::None) {
        finishActivity(effect.stop);
        return;
    }
    if (effect.printA)
        answerByte(m_a);
    if (effect.jumpTo >= 0)
        m_pc = effect.jumpTo;
    if (m_pc >= board::kMemoryCells) {
        finishActivity(StopReason::OutOfMemory);
        return;
    }
    m_nextStepAt = stepAt + instructionMicros() + lineMicrosForBoard(effect.delayBoardMicros);
    // "Print A" hands its byte to the transmitter and waits while the one
    // before is still on the line, so a printing loop runs at line speed.
    if (effect.printA && m_options.pacing)
        m_nextStepAt = std::max(m_nextStepAt, m_line.freeAt() - kByteMicros);
    if (effect.waitForInput)
        m_waitingForInput = true;
}

void BoardMachine::takeLoggerSample() {
    writeCell(kLoggerFirstCell + m_loggerSamples, u8(readInput(m_loggerCode)));
    if (++m_loggerSamples >= kLoggerSamples)
        finishActivity(StopReason::LoggerDone);
}

void BoardMachine::takeScopeSample() {
    m_scope[static_cast<std::size_t>(m_scopeSamples++)] =
        u8(m_signal.analog(boardSeconds(), m_outputs.pwm));
}

BoardMachine::Effect BoardMachine::execute(int code, int operand, bool inProgram) {
    Effect effect;
    const std::uint8_t n = u8(operand);
    switch (code) {
    case code::kLoadA:
        m_a = n;
        break;
    case code::kLoadB:
        m_b = n;
        break;
    case code::kLoadC:
        m_c = n;
        break;
    case code::kLoadD:
        m_d = n;
        break;
    case code::kAFromB:
        m_a = m_b;
        break;
    case code::kBFromA:
        m_b = m_a;
        break;
    case code::kAFromC:
        m_a = m_c;
        break;
    case code::kCFromA:
        m_c = m_a;
        break;
    case code::kAFromD:
        m_a = m_d;
        break;
    case code::kDFromA:
        m_d = m_a;
        break;
    case code::kAFromCell:
        m_a = m_memory[static_cast<std::size_t>(m_b % board::kMemoryCells)];
        ++m_b;
        break;
    case code::kCellFromA:
        writeCell(m_b % board::kMemoryCells, m_a);
        ++m_b;
        break;
    case code::kOutOn:
        m_outputs.out = true;
        break;
    case code::kOutOff:
        m_outputs.out = false;
        break;
    case code::kLedOn:
        m_outputs.led = LedState::On;
        break;
    case code::kLedOff:
        m_outputs.led = LedState::Off;
        break;
    case code::kLedBlink:
        m_outputs.led = LedState::Blink;
        break;
    case code::kBeep:
        ++m_outputs.beeps;
        break;
    case code::kPrintA:
        effect.printA = inProgram;
        break;
    case code::kPdirFromA:
        m_outputs.portDirection = m_a;
        break;
    case code::kPortoutFromA:
        m_outputs.portOut = m_a;
        break;
    case code::kPdir:
        m_outputs.portDirection = n;
        break;
    case code::kPortout:
        m_outputs.portOut = n;
        break;
    case code::kPwm:
        m_outputs.pwm = n;
        break;
    case code::kPwmFromA:
        m_outputs.pwm = m_a;
        break;
    case code::kAnalogIn:
    case code::kDigitalIn:
    case code::kPortIn:
        m_a = u8(readInput(code));
        break;
    case code::kInputA:
        effect.waitForInput = inProgram;
        break;
    // Jumps, calls and "End" mean nothing outside a program; Gosub and
    // Return keep their stack in runProgramStep().
    case code::kGoto:
    case code::kGosub:
        if (inProgram)
            effect.jumpTo = n;
        break;
    case code::kReturn:
        break;
    case code::kCountC:
        if (inProgram && --m_c != 0)
            effect.jumpTo = n;
        break;
    case code::kCountD:
        if (inProgram && --m_d != 0)
            effect.jumpTo = n;
        break;
    case code::kIfEqual:
        if (inProgram && m_a == m_b)
            effect.jumpTo = n;
        break;
    case code::kIfGreater:
        if (inProgram && m_a > m_b)
            effect.jumpTo = n;
        break;
    case code::kIfLess:
        if (inProgram && m_a < m_b)
            effect.jumpTo = n;
        break;
    case code::kEnd:
        if (inProgram)
            effect.stop = StopReason::End;
        break;
    case code::kDelayN:
        effect.delayBoardMicros = n * kMicrosPerMillisecond;
        break;
    case code::kDelay1:
        effect.delayBoardMicros = kMicrosPerMillisecond;
        break;
    case code::kDelayA:
        effect.delayBoardMicros = m_a * kMicrosPerMillisecond;
        break;
    case code::kAdd:
        m_a = u8(m_a + m_b);
        break;
    case code::kSub:
        m_a = u8(m_a - m_b);
        break;
    case code::kInc:
        m_a = u8(m_a + 1);
        break;
    case code::kDec:
        m_a = u8(m_a - 1);
        break;
    case code::kMul:
        m_a = u8(m_a * m_b);
        break;
    case code::kDiv:
        m_a = m_b == 0 ? u8(kDivideByZeroResult) : u8(m_a / m_b);
        break;
    case code::kAndN:
        m_a = m_a & n;
        break;
    case code::kAndB:
        m_a = m_a & m_b;
        break;
    case code::kOrN:
        m_a = m_a | n;
        break;
    case code::kOrB:
        m_a = m_a | m_b;
        break;
    case code::kShl:
        m_a = u8(m_a << 1);
        break;
    case code::kShr:
        m_a = m_a >> 1;
        break;
    case code::kNot:
        m_a = u8(~m_a);
        break;
    default:
        effect.stop = StopReason::InvalidCode;
        break;
    }
    return effect;
}

void BoardMachine::finishActivity(StopReason reason) {
    m_activity = Activity::None;
    m_mode = Mode::Command;
    m_lastStop = reason;
    m_waitingForInput = false;
    m_nextStepAt = kNever;
    m_parse = Parse::Idle;
}

// Interrupted and paused both hold the running activity: while held its
// schedule stands still, and on release it moves on by the time it was held.
// Callers note held() before they change the mode or the pause flag.
void BoardMachine::holdChanged(bool wasHeld) {
    const bool isHeld = held();
    if (!wasHeld && isHeld) {
        m_heldSince = m_now;
    } else if (wasHeld && !isHeld) {
        const Micros shift = m_now - m_heldSince;
        if (m_activity == Activity::Program && m_nextStepAt != kNever)
            m_nextStepAt += shift;
        else if (m_activity == Activity::Logger)
            m_loggerStart += shift;
    }
}

void BoardMachine::pauseProgram() {
    const bool wasHeld = held();
    m_paused = true;
    holdChanged(wasHeld);
}

void BoardMachine::resumeProgram() {
    const bool wasHeld = held();
    m_paused = false;
    holdChanged(wasHeld);
}

bool BoardMachine::stepProgram() {
    if (!m_paused || m_mode != Mode::Running)
        return false;
    if (m_activity == Activity::Logger) {
        takeLoggerSample();
        // The sample after it is due one interval after the resume.
        if (m_activity == Activity::Logger)
            m_loggerStart =
                m_now - lineMicrosForBoard((m_loggerSamples - 1) * m_loggerIntervalBoardMicros);
        m_heldSince = m_now;
        return true;
    }
    if (m_activity != Activity::Program || m_waitingForInput)
        return false;
    m_nextStepAt = m_now;
    runProgramStep();
    // The following instruction is due its own time after the resume.
    m_heldSince = m_now;
    return true;
}

// ---- Memory, inputs, answers -------------------------------------------------

void BoardMachine::writeCell(int address, std::uint8_t value) {
    m_memory[static_cast<std::size_t>(address)] = value;
    if (m_options.faults.badCell && m_options.faults.badCell->address == address)
        m_badCellArmed = true;
}

std::uint8_t BoardMachine::readCellForPc(int address) {
    const std::uint8_t value = m_memory[static_cast<std::size_t>(address)];
    const auto& bad = m_options.faults.badCell;
    if (!bad || bad->address != address)
        return value;
    if (bad->always)
        return u8(value + 1);
    if (m_badCellArmed) {
        m_badCellArmed = false;
        return u8(value + 1);
    }
    return value;
}

int BoardMachine::readInput(int code) const {
    const double t = boardSeconds();
    if (code == code::kDigitalIn)
        return m_signal.digital(t);
    if (code == code::kPortIn)
        return m_signal.port(t, m_outputs.portDirection, m_outputs.portOut);
    return m_signal.analog(t, m_outputs.pwm);
}

Micros BoardMachine::answerTime() const {
    return std::max(m_now, m_busyUntil);
}

void BoardMachine::answerPair(int value) {
    const Micros at = answerTime();
    m_line.send(u8(value), ByteKind::Data, at);
    m_line.send(u8(board::complementOf(value & 0xFF)), ByteKind::Complement, at);
}

void BoardMachine::answerByte(int value) {
    m_line.send(u8(value), ByteKind::Data, answerTime());
}

std::vector<TimedByte> BoardMachine::takeOutput() {
    if (m_unplugged) {
        m_line.discard();
        return {};
    }
    return m_line.take();
}

// ---- Panel -------------------------------------------------------------------

void BoardMachine::setInputOverrides(const InputOverrides& overrides) {
    m_signal.setOverrides(overrides);
}

void BoardMachine::setPwmLoopback(bool on) {
    m_signal.setPwmLoopback(on);
}

BoardSnapshot BoardMachine::snapshot() const {
    BoardSnapshot s;
    s.time = m_now;
    s.a = m_a;
    s.b = m_b;
    s.c = m_c;
    s.d = m_d;
    s.programCounter = m_pc;
    s.stackDepth = m_stackDepth;
    s.mode = m_mode;
    s.activity = m_activity;
    s.paused = m_paused;
    s.waitingForInput = m_waitingForInput;
    s.lastStop = m_lastStop;
    s.outputs = m_outputs;
    const double t = boardSeconds();
    s.inputs.analog = m_signal.analog(t, m_outputs.pwm);
    s.inputs.digital = m_signal.digital(t);
    s.inputs.port = m_signal.port(t, m_outputs.portDirection, m_outputs.portOut);
    s.overrides = m_signal.overrides();
    s.memory = m_memory;
    s.loggerSamples = m_loggerSamples;
    s.scopeSamples = m_scopeSamples;
    s.unplugged = m_unplugged;
    s.bytesReceived = m_received;
    s.bytesSent = m_line.bytesSent();
    return s;
}

} // namespace zentor::sim
