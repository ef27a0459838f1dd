#include "simulator_panel.h"

SimulatorPanel::SimulatorPanel(BoardSource board, QWidget* parent)
    : QWidget(parent, Qt::Tool), m_board(std::move(board)) {
    setObjectName(QStringLiteral("SimulatorPanel"));
    setWindowTitle(QStringLiteral("Simulator-Tafel"));
}
