// Command line of zentor-sim, parsed into runner options. Pure, so that the
// rules are tested without starting a board.
#pragma once

#include "simulated_board.h"

#include <string>
#include <vector>

namespace zentor::sim {

struct CommandLine {
    RunnerOptions runner;
    bool trace = false;
    bool help = false;
    bool version = false;
    std::string error; // not empty: the arguments were refused, with the reason
};

// Parses the arguments after the program name.
CommandLine parseCommandLine(const std::vector<std::string>& arguments);

// The text printed by --help.
std::string usageText();

} // namespace zentor::sim
