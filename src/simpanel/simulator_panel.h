// A window onto the built-in simulated board: its inputs to set, its outputs
// to watch, its program to pause and step.
#pragma once

#include <QWidget>

#include <functional>

namespace zentor::sim {
class SimulatedBoard;
}

class SimulatorPanel : public QWidget {
    Q_OBJECT

public:
    // `board` gives the running board, or nullptr while none runs; it is
    // asked afresh on every refresh, since a reconnect may start a new one.
    using BoardSource = std::function<zentor::sim::SimulatedBoard*()>;

    explicit SimulatorPanel(BoardSource board, QWidget* parent = nullptr);

private:
    BoardSource m_board;
};
