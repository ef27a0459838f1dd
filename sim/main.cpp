// zentor-sim: the simulated board on a pseudo-terminal, for the program or
// any terminal tool. Prints the device path on standard output and runs until
// SIGINT or SIGTERM (or until the unplug fault pulls the plug).
#include "sim_arguments.h"
#include "simulated_board.h"

#include <csignal>
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    using namespace zentor::sim;

    const std::vector<std::string> arguments(argv + 1, argv + argc);
    CommandLine line = parseCommandLine(arguments);
    if (!line.error.empty()) {
        std::fprintf(stderr, "zentor-sim: %s\n%s", line.error.c_str(), usageText().c_str());
        return 2;
    }
    if (line.help) {
        std::fputs(usageText().c_str(), stdout);
        return 0;
    }
    if (line.version) {
        std::puts("zentor-sim " ZENTOR_VERSION);
        return 0;
    }
    if (line.trace) {
        line.runner.trace = [](const TraceEvent& event) {
            std::printf("%12.3f ms  %s  %3u  0x%02X\n", static_cast<double>(event.at) / 1000.0,
                        event.fromPc ? "PC -> board" : "board -> PC", event.value, event.value);
            std::fflush(stdout);
        };
    }

    // The signals are taken with sigtimedwait below; the board's thread
    // inherits the blocked mask and never sees them.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    SimulatedBoard board(line.runner);
    if (!board.start()) {
        std::fprintf(stderr, "zentor-sim: %s\n", board.lastError().c_str());
        return 1;
    }
    std::printf("%s\n", board.devicePath().c_str());
    std::fflush(stdout);
    if (!line.runner.symlinkPath.empty())
        std::fprintf(stderr, "zentor-sim: link %s -> %s\n", line.runner.symlinkPath.c_str(),
                     board.devicePath().c_str());
    std::fprintf(stderr, "zentor-sim: board running; Ctrl+C ends it\n");

    const timespec poll{0, 200'000'000};
    for (;;) {
        const int signal = sigtimedwait(&signals, nullptr, &poll);
        if (signal == SIGINT || signal == SIGTERM)
            break;
        if (board.isUnplugged()) {
            std::fprintf(stderr, "zentor-sim: unplugged\n");
            break;
        }
    }
    board.stop();
    return 0;
}
