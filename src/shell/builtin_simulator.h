// The simulated board offered as a port: it runs on a pty of its own, and
// the program reaches it through the same serial path as a real board.
#pragma once

#include <memory>
#include <string>

namespace zentor::sim {
class SimulatedBoard;
}

class BuiltInSimulator {
public:
    BuiltInSimulator();
    ~BuiltInSimulator();

    // Starts the board when it does not run yet (a board whose device
    // vanished is started afresh). False when no pty could be made.
    bool ensureRunning();
    // The device to open; empty while the board is not running.
    std::string devicePath() const;

    zentor::sim::SimulatedBoard* board() { return m_board.get(); }

private:
    std::unique_ptr<zentor::sim::SimulatedBoard> m_board;
};
