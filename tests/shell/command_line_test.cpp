// zentor's command line: GNU options of its own, Qt's options left to Qt, file
// arguments in order.
#include "command_line.h"

#include <gtest/gtest.h>

#include <ostream>

namespace {

using Action = zentor::CommandLine::Action;

// Arguments and expected files are written as one text, split at blanks.
struct Case {
    const char* arguments;
    Action action;
    bool simulator;
    const char* parameters;
    const char* error;
    const char* measurement = "";
};

QStringList words(const char* text) {
    return QString::fromUtf8(text).split(u' ', Qt::SkipEmptyParts);
}

void PrintTo(const Case& c, std::ostream* os) {
    *os << c.arguments;
}

class CommandLine : public ::testing::TestWithParam<Case> {};

TEST_P(CommandLine, IsReadAsGnuProgramsReadTheirs) {
    const Case& c = GetParam();
    const zentor::CommandLine line = zentor::parseCommandLine(words(c.arguments));
    EXPECT_EQ(line.action, c.action);
    EXPECT_EQ(line.error, QString::fromUtf8(c.error));
    EXPECT_EQ(line.simulator, c.simulator);
    EXPECT_EQ(line.parameters, words(c.parameters));
    EXPECT_EQ(line.measurementFile, QString::fromUtf8(c.measurement));
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, CommandLine,
    ::testing::Values(
        Case{"prog.z --sim b.z", Action::Run, true, "prog.z b.z", ""},
        // A measurement first opens on its page; later ones are no measurement.
        Case{"Versuch.ZMESS b.z c.zmess", Action::Run, false, "b.z c.zmess", "", "Versuch.ZMESS"},
        // --help and --version act unless a refused argument comes first.
        Case{"--help --bogus", Action::Help, false, "", ""},
        Case{"--version", Action::Version, false, "", ""},
        Case{"--bogus --help", Action::Refuse, false, "", "unbekannte Option '--bogus'"},
        Case{"--sim=1", Action::Refuse, false, "", "unbekannte Option '--sim=1'"},
        // Qt's own options and their values are no files.
        Case{"-platform offscreen -reverse --session 1a2b -style=Fusion prog.z", Action::Run, false,
             "prog.z", ""},
        Case{"-style", Action::Refuse, false, "", "Option '-style' braucht einen Wert"},
        // "--" ends the options; "-" is a file name.
        Case{"-- --sim -", Action::Run, false, "--sim -", ""}));

} // namespace
