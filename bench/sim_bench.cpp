// The simulated board's time factor: a logger run that takes two minutes of
// board time, at speed 1000, over the real pty and the link.
#include "bench_report.h"
#include "board_commands.h"
#include "comphard.h"
#include "precise_wait.h"
#include "simulated_board.h"

#include <cstdio>
#include <thread>

namespace bench {

namespace {

// Cells 0 to 2 of a logger run: the analog input, one sample a second
// (16 sixteenths), 120 intervals.
constexpr int kLoggerCells[3] = {board::kAnalogIn, 0, 16};

void storeCell(int cell, int value) {
    for (int byte : {board::kEsc, static_cast<int>(board::kLoadA), value})
        comphard::WriteByte(byte);
    comphard::ReadByte();
    comphard::ReadByte();
    for (int byte : {board::kEsc, static_cast<int>(board::kStoreCell), cell})
        comphard::WriteByte(byte);
    comphard::ReadByte();
    comphard::ReadByte();
}

} // namespace

void runSimulatorBenchmark() {
    zentor::sim::RunnerOptions options;
    options.board.speed = 1000;
    zentor::sim::SimulatedBoard board(options);
    if (!board.start() || !comphard::OpenDevice(board.devicePath(), "1200,N,8,1")) {
        fail("simulator", "cannot start the board");
        return;
    }
    comphard::SetTimeout(300);
    for (int cell = 0; cell < 3; ++cell)
        storeCell(cell, kLoggerCells[cell]);

    comphard::WriteByte(board::kEsc);
    const std::int64_t start = comphard::monotonicMicroseconds();
    comphard::WriteByte(board::kStartLogger);
    while (board.snapshot().lastStop != zentor::sim::StopReason::LoggerDone &&
           comphard::monotonicMicroseconds() - start < 10'000'000)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    const double seconds = static_cast<double>(comphard::monotonicMicroseconds() - start) / 1e6;
    const int samples = board.snapshot().loggerSamples;
    comphard::ClosePort();

    std::printf("Simulated logger run of 120 s board time at speed 1000: %d samples\n", samples);
    report("  simulator: logger run of 120 s at speed 1000, wall time", seconds, 1.0, "s");
}

} // namespace bench
