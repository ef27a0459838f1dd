// What the simulator panel shows, computed from a snapshot of the simulated
// board: the state text, register texts, the listing of the board's memory
// with the address of every instruction line, the instruction about to run,
// which of the stepping buttons apply, and whether a beep is new. Pure: no
// widgets, no board traffic.
#pragma once

#include "sim_types.h"

#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <vector>

namespace zentor::simpanel {

using Memory = std::array<std::uint8_t, board::kMemoryCells>;

// "Befehlsmodus", "Programm läuft", "Programm angehalten", ... for a board
// that runs; with the reason of the last end in command mode.
QString stateText(const sim::BoardSnapshot& snapshot);
// The state text while no board is attached, and for a vanished board.
QString noBoardText();
QString unpluggedText();

// A register or address as the panel shows it: "12" and "$0C".
QString decimalText(int value);
QString hexText(int value);

// An analog reading as the "Direkt" page shows it: volts with two decimals
// and the user's separator, 128 gives "2,51 Volt" in German.
QString voltsText(int raw);

// The board's memory as a listing, with the memory address of each row:
// instruction rows carry their address, label rows -1. Built with the
// disassembler, so the lines read as on the "Programm" page.
struct ListingView {
    QStringList listing; // label lines and tab-indented instruction lines
    std::vector<int> addresses;
};
ListingView listingView(const Memory& memory);

// The row of the instruction at `address`, or -1 when the listing has no
// instruction there (a jump into an operand, code past the decoded program).
int rowOfAddress(const ListingView& view, int address);

// The instruction at `address` as a listing line without its tab
// ("A = A + 1", "Goto L1: "). Taken from the listing when it holds the
// address; otherwise formatted from the bytes, a jump target as "$1A".
// "kein Befehl ($xx)" for a byte that is no code, "außerhalb des Speichers"
// for an address beyond the 128 cells.
QString instructionText(const Memory& memory, const ListingView& view, int address);

// Whether the snapshot shows a program whose next instruction is meaningful
// (running, interrupted or paused).
bool programActive(const sim::BoardSnapshot& snapshot);

// Which of "Anhalten", "Schritt" and "Weiter" apply. "Anhalten" also applies
// in command mode: the next program or logger start then holds at once.
struct StepControls {
    bool pause = false;
    bool step = false;
    bool resume = false;
};
StepControls stepControls(const sim::BoardSnapshot& snapshot);

// Notices new beeps in the snapshots of one board after another. The first
// snapshot of a board only sets the count; a lower count means a new board
// (a reconnect) and also only sets it.
class BeepWatcher {
public:
    // True when `beeps` is higher than the count seen before on this board.
    bool update(const void* board, int beeps);

private:
    const void* m_board = nullptr;
    int m_beeps = 0;
};

} // namespace zentor::simpanel
