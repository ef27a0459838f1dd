#include "builtin_simulator.h"

#include "simulated_board.h"

BuiltInSimulator::BuiltInSimulator() = default;
BuiltInSimulator::~BuiltInSimulator() = default;

bool BuiltInSimulator::ensureRunning() {
    if (m_board && m_board->isRunning() && !m_board->isUnplugged())
        return true;
    m_board = std::make_unique<zentor::sim::SimulatedBoard>();
    return m_board->start();
}

std::string BuiltInSimulator::devicePath() const {
    return m_board && m_board->isRunning() ? m_board->devicePath() : std::string{};
}
