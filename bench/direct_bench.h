// The "Direkt" page's live poll against the simulated board at 1200 baud.
#pragma once

namespace bench {

struct DirectPollFigures {
    int cycles = 0;
    double meanCycleMs = 0; // wall time of one Timer1Timer call
    double medianCycleMs = 0;
    double protocolMs = 0;     // pauses after the bytes sent plus the answer bytes' line time
    double lineTimelineMs = 0; // the same, with each answer overlapping its frame's last pause
    bool answered = false;     // the poll ended every cycle in the polling state
};

// Runs `cycles` poll cycles of a shown page against a paced simulated board
// (fixed inputs). Creates an off-screen QApplication when there is none.
// Uses the process-wide port; closes it at the end.
DirectPollFigures measureDirectPoll(int cycles);

// Prints the cycle figures beside their limits, then lets the page poll from
// its timer for ZENTOR_BENCH_DIRECT_SECONDS (default 15) seconds and prints
// the GUI thread's CPU share against 10 %.
void runDirectBenchmarks();

} // namespace bench
