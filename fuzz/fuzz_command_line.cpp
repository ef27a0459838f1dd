// The command-line parsers of zentor and zentor-sim on any arguments: the
// input's NUL bytes separate them. Both give a result for every command
// line; a refusal says why, zentor passes on only arguments it was given,
// and what zentor-sim accepts lies within its options' ranges.
#include "fuzz_support.h"

#include "command_line.h"
#include "sim_arguments.h"

#include <optional>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes = fuzz::bytesOf(data, size);
    QStringList arguments;
    std::vector<std::string> simArguments;
    for (const QByteArray& argument : bytes.split('\0')) {
        arguments.append(QString::fromLocal8Bit(argument));
        simArguments.push_back(argument.toStdString());
    }

    const zentor::CommandLine line = zentor::parseCommandLine(arguments);
    FUZZ_CHECK((line.action == zentor::CommandLine::Action::Refuse) == !line.error.isEmpty());
    for (const QString& file : line.parameters)
        FUZZ_CHECK(arguments.contains(file));

    // zentor-sim: what it accepts lies within the ranges its options allow.
    const zentor::sim::CommandLine sim = zentor::sim::parseCommandLine(simArguments);
    if (sim.error.empty()) {
        const auto& board = sim.runner.board;
        FUZZ_CHECK(board.speed >= 0.01 && board.speed <= 100000.0);
        const auto within = [](const std::optional<int>& value, int high) {
            return !value || (*value >= 0 && *value <= high);
        };
        FUZZ_CHECK(within(board.inputs.analog, 255) && within(board.inputs.digital, 255));
        FUZZ_CHECK(within(board.inputs.portPins, 63));
        FUZZ_CHECK(board.faults.wrongComplementRate >= 0 && board.faults.wrongComplementRate <= 1);
        FUZZ_CHECK(board.faults.dropEvery >= 0 && board.faults.unplugAfter >= 0);
    }
    return 0;
}
