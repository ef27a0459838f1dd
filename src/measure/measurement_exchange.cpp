#include "measurement_exchange.h"

#include "board_commands.h"
#include "comphard.h"
#include "link.h"

#include <algorithm>
#include <string>

namespace zentor {

namespace {

// ESC command operand; the board's two answer bytes are read by the caller.
bool sendFrame(int command, int operand) {
    return comphard::WriteFrame({board::kEsc, command, operand});
}

void reportStatus(QStringView text) {
    ExchangeReport report;
    report.statusText = text.toString();
    Link::report(report);
}

void reportProgress(int position, int maximum) {
    ExchangeReport report;
    report.position = position;
    report.maximum = maximum;
    Link::report(report);
}

} // namespace

QString bringBoardIntoStep() {
    comphard::Resync();
    std::string answer;
    comphard::Handshake(answer);
    if (comphard::ExchangeCancelled())
        return QString::fromLatin1(kCancelledText);
    return QString::fromStdString(answer);
}

// ---- "Extern Messen" ------------------------------------------------------------

QString startLogger(int durationItem, int inputItem) {
    const QString answer = bringBoardIntoStep();
    if (answer != QLatin1String(kHandshakeOk))
        return answer;

    // The board answers each frame with two bytes that say nothing about
    // the stored cell; they are read so that the next frame starts clean.
    // A cancel ends the start between two frames; the logger runs only when
    // its start frame went out.
    const QString cancelled = QString::fromLatin1(kCancelledText);
    for (const BoardFrame& frame : loggerConfigFrames(durationItem, inputItem)) {
        if (!sendFrame(frame.command, frame.operand))
            return cancelled;
        comphard::ReadByte();
        comphard::ReadByte();
    }
    if (comphard::ExchangeCancelled() || !comphard::WriteFrame({board::kEsc, board::kStartLogger}))
        return cancelled;
    comphard::StopwatchStart();
    return answer;
}

void settleLogger() {
    comphard::WaitMilliseconds(kLoggerSettleMs);
    comphard::PurgeInput();
}

LoggerReadOut readLogger(const LoggerValues& values, int progressMaximum) {
    LoggerReadOut result;
    result.values = values;
    result.answer = bringBoardIntoStep();
    if (result.answer != QLatin1String(kHandshakeOk))
        return result;

    comphard::PurgeInput();
    reportStatus(kLoggerReadingText);

    for (int cell = 0; cell < kLoggerConfigCells; ++cell) {
        sendFrame(board::kReadCell, cell);
        result.cells[static_cast<std::size_t>(cell)] = comphard::ReadByte();
        comphard::ReadByte(); // the complement, not checked
    }

    comphard::PurgeInput();
    comphard::WriteFrame({board::kEsc, board::kReadMemory});

    LoggerDump dump(result.values);
    LoggerDump::Step step = LoggerDump::Step::More;
    while (step == LoggerDump::Step::More) {
        if (!comphard::AwaitInput()) {
            result.outcome = LoggerReadOut::Outcome::ReadTimeout;
            return result;
        }
        step = dump.take(comphard::ReadByte());
        // Values past the bar's maximum keep it full.
        if (dump.nextCell() > kLoggerConfigCells)
            reportProgress(std::min(dump.progress(), progressMaximum), progressMaximum);
    }
    if (step == LoggerDump::Step::Failed) {
        result.outcome = LoggerReadOut::Outcome::TransferError;
        return result;
    }

    // The dump ends with the command's answer pair. When it is missing or
    // wrong, bytes were lost on the way and the last "values" are that
    // pair: the values read so far stay, but the read-out failed.
    const int echo = comphard::ReadByte();
    const int complement = comphard::ReadByte();
    const bool closed = echo == board::kReadMemory && board::isAnswerPair(echo, complement);
    result.outcome = closed ? LoggerReadOut::Outcome::Done : LoggerReadOut::Outcome::TransferError;
    return result;
}

// ---- "Oszilloskop" ----------------------------------------------------------------

ScopeRead captureScope(qint32 timeBase, const ScopeValues& values) {
    const QString answer = bringBoardIntoStep();
    if (answer != QLatin1String(kHandshakeOk)) {
        ScopeRead result;
        result.answer = answer;
        result.values = values;
        return result;
    }
    reportStatus(kScopeBusyText);

    comphard::WaitMilliseconds(kScopeSettleMs);
    comphard::PurgeInput();
    // The answer pair (1, 254) is not examined: the read shows whether the
    // board took the capture.
    comphard::SendCommandWithOperand(2, board::kScopeCapture, timeBase, board::kScopeCaptureAnswer);
    // The board needs 100 × t ms for the capture.
    comphard::WaitMilliseconds(scopeCaptureWaitMs(timeBase));
    comphard::PurgeInput();

    return readScopeMemory(values);
}

ScopeRead readScopeMemory(const ScopeValues& values) {
    ScopeRead result;
    result.values = values;
    comphard::PurgeInput();
    comphard::WriteFrame({board::kEsc, board::kScopeRead});

    reportProgress(0, kScopeSampleCount);
    for (int i = 0; i < kScopeSampleCount; ++i) {
        if (!comphard::AwaitInput()) {
            result.outcome = ScopeRead::Outcome::ReadTimeout;
            return result;
        }
        const int value = comphard::ReadByte();
        result.values[static_cast<std::size_t>(i)] = value;
        if (value == -1) {
            result.outcome = ScopeRead::Outcome::ReadError;
            return result;
        }
        reportProgress(i + 1, kScopeSampleCount);
    }
    // The dump closes with the command's answer pair; anything else means
    // bytes were lost and the last "samples" are that pair.
    const int echo = comphard::ReadByte();
    const int complement = comphard::ReadByte();
    result.outcome = scopeDumpClosed(echo, complement) ? ScopeRead::Outcome::Done
                                                       : ScopeRead::Outcome::Short;
    return result;
}

} // namespace zentor
