#include "direct_exchange.h"

#include "board_commands.h"
#include "comphard.h"
#include "connection.h"

namespace zentor::direct {

namespace {

constexpr int kWithOperand = 2;

// Both reads happen even when the first gets nothing.
AnswerPair askBoard(int command) {
    comphard::WriteFrame({board::kEsc, command});
    AnswerPair answer;
    answer.first = comphard::ReadByte();
    answer.second = comphard::ReadByte();
    return answer;
}

} // namespace

PollResult poll(bool resync, int maxTimeout) {
    PollResult result;
    if (!comphard::PortIsOpen())
        return result;
    result.polled = true;
    if (resync) {
        result.stoppedProgram = comphard::ProgramMayRun();
        comphard::Resync();
        comphard::SetTimeout(maxTimeout);
    }
    comphard::PurgeInput();
    result.analog = askBoard(board::kAnalogIn);
    if (result.analog.first < 0)
        return result;
    result.port = askBoard(board::kPortIn);
    result.din = askBoard(board::kDigitalIn);
    return result;
}

ReconnectResult reconnectAndPoll(const ConnectJob& job) {
    ReconnectResult result;
    result.connected = job.run();
    // A reconnect given up for a newer exchange reads nothing: the page
    // keeps what it shows.
    if (!comphard::ExchangeCancelled())
        result.readings = poll(false, job.maxTimeout);
    return result;
}

void sendPortBits(int out, int direction) {
    comphard::SendCommandWithOperand(kWithOperand, board::kPortOut, out, out);
    comphard::SendCommandWithOperand(kWithOperand, board::kPortDirection, direction, direction);
}

bool sendPwm(int value) {
    return comphard::SendCommandWithOperand(kWithOperand, board::kPwm, value, value);
}

} // namespace zentor::direct
