// The command line of zentor-sim.
#include "sim_arguments.h"

#include <gtest/gtest.h>

using zentor::sim::parseCommandLine;

namespace {

TEST(Arguments, DefaultsArePacedAtNormalSpeedWithoutFaults) {
    const auto line = parseCommandLine({});
    EXPECT_TRUE(line.error.empty());
    EXPECT_TRUE(line.runner.board.pacing);
    EXPECT_EQ(line.runner.board.speed, 1.0);
    EXPECT_FALSE(line.runner.board.faults.silent);
    EXPECT_FALSE(line.runner.board.faults.badCell.has_value());
    EXPECT_TRUE(line.runner.symlinkPath.empty());
    EXPECT_FALSE(line.trace);
}

TEST(Arguments, EveryOptionLandsInItsField) {
    const auto line = parseCommandLine({"--link",      "/tmp/zentor-board",
                                        "--no-pacing", "--speed",
                                        "1000",        "--analog",
                                        "128",         "--din",
                                        "1",           "--pins",
                                        "63",          "--loopback",
                                        "--silent",    "--wrong-complements",
                                        "0.25",        "--drop-every",
                                        "7",           "--bad-cell",
                                        "12:always",   "--unplug-after",
                                        "40",          "--seed",
                                        "99",          "--trace"});
    ASSERT_TRUE(line.error.empty()) << line.error;
    const auto& b = line.runner.board;
    EXPECT_EQ(line.runner.symlinkPath, "/tmp/zentor-board");
    EXPECT_FALSE(b.pacing);
    EXPECT_EQ(b.speed, 1000.0);
    EXPECT_EQ(b.inputs.analog, 128);
    EXPECT_EQ(b.inputs.digital, 1);
    EXPECT_EQ(b.inputs.portPins, 63);
    EXPECT_TRUE(b.pwmLoopback);
    EXPECT_TRUE(b.faults.silent);
    EXPECT_EQ(b.faults.wrongComplementRate, 0.25);
    EXPECT_EQ(b.faults.dropEvery, 7);
    ASSERT_TRUE(b.faults.badCell.has_value());
    EXPECT_EQ(b.faults.badCell->address, 12);
    EXPECT_TRUE(b.faults.badCell->always);
    EXPECT_EQ(b.faults.unplugAfter, 40);
    EXPECT_EQ(b.faults.seed, 99u);
    EXPECT_TRUE(line.trace);
}

TEST(Arguments, BadCellWithoutModeIsOnce) {
    const auto line = parseCommandLine({"--bad-cell", "5"});
    ASSERT_TRUE(line.runner.board.faults.badCell.has_value());
    EXPECT_FALSE(line.runner.board.faults.badCell->always);
}

TEST(Arguments, RefusesWhatItCannotUse) {
    const std::vector<std::vector<std::string>> refused{
        {"--speed"},           {"--speed", "0"},
        {"--speed", "fast"},   {"--analog", "256"},
        {"--pins", "64"},      {"--din", "-1"},
        {"--drop-every", "0"}, {"--wrong-complements", "1.5"},
        {"--bad-cell", "128"}, {"--bad-cell", "3:sometimes"},
        {"--seed", "x"},       {"--link"},
        {"--frobnicate"},      {"--unplug-after", "12abc"}};
    for (const auto& args : refused)
        EXPECT_FALSE(parseCommandLine(args).error.empty()) << args.front();
}

TEST(Arguments, HelpNamesEveryOption) {
    const std::string text = zentor::sim::usageText();
    for (const char* option : {"--link", "--no-pacing", "--speed", "--analog", "--din", "--pins",
                               "--loopback", "--silent", "--wrong-complements", "--drop-every",
                               "--bad-cell", "--unplug-after", "--seed", "--trace", "--version"})
        EXPECT_NE(text.find(option), std::string::npos) << option;
    EXPECT_TRUE(parseCommandLine({"--help"}).help);
    EXPECT_TRUE(parseCommandLine({"--version"}).version);
}

} // namespace
