// A window onto the built-in simulated board: its inputs to set, its outputs
// to watch, its program to pause and step.
//
// While shown, the panel takes a snapshot of the board every
// kRefreshInterval ms (and after each of its own actions). A snapshot and
// every control hold the board's lock only for a moment and never touch the
// serial line, so the PC side sees the same board whether the panel is open
// or not. The panel runs on the GUI thread, the exchanges with the board on
// the link thread: it follows the board during the longest upload too.
//
// Closing the panel lets a program it held run on ("Weiter"): no board is
// left held by a window nobody sees. Hiding it otherwise (the main window
// minimised, another port chosen) changes nothing on the board.
#pragma once

#include "panel_model.h"

#include <QElapsedTimer>
#include <QPalette>
#include <QTimer>
#include <QWidget>

#include <array>
#include <functional>

class QCheckBox;
class QGroupBox;
class QLabel;
class QListWidget;
class QProgressBar;
class QPushButton;
class QSlider;
class TAMAdvLed;

namespace zentor::sim {
class SimulatedBoard;
}

class SimulatorPanel : public QWidget {
    Q_OBJECT

public:
    // `board` gives the running board, or nullptr while none runs; it is
    // asked afresh on every refresh, since a reconnect may start a new one.
    using BoardSource = std::function<zentor::sim::SimulatedBoard*()>;

    // Snapshot interval in ms: at most ten snapshots a second.
    static constexpr int kRefreshInterval = 100;
    // How long the panel flashes for a beep, in ms.
    static constexpr int kFlashMillis = 250;
    // Half a period of the lamp of "LED = Blink", in ms.
    static constexpr int kBlinkHalfPeriod = 250;

    explicit SimulatorPanel(BoardSource board, QWidget* parent = nullptr);

    // Called for every beep the board gives while the panel is shown; the
    // system beep unless replaced (tests count with it).
    void setBeepHandler(std::function<void()> handler) { m_beepHandler = std::move(handler); }
    // True while the panel flashes for a beep.
    bool flashing() const { return m_flashing; }

public slots:
    // Takes a snapshot and shows it. Runs on the refresh timer while shown.
    void refresh();
    void PauseClick();  // "Anhalten"
    void StepClick();   // "Schritt"
    void ResumeClick(); // "Weiter"

public:
    // The panel's controls, owned by the panel. Port pins are indexed by
    // bit (0..5); on screen bit 5 stands left, as on the "Direkt" page.
    QGroupBox* GroupInputs = nullptr;
    QSlider* AnalogSlider = nullptr; // raw 0..255, shown in volts
    QLabel* AnalogLabel = nullptr;
    QCheckBox* AnalogSignal = nullptr; // "Signal": the simulator's waveform
    QCheckBox* DigitalSwitch = nullptr;
    QCheckBox* DigitalSignal = nullptr;
    std::array<QCheckBox*, 6> PinSwitches{};
    QCheckBox* PinSignal = nullptr;

    QGroupBox* GroupOutputs = nullptr;
    TAMAdvLed* OutLed = nullptr;
    TAMAdvLed* LedLed = nullptr;
    TAMAdvLed* BeepLed = nullptr;
    QProgressBar* PwmBar = nullptr;
    QLabel* PwmLabel = nullptr;
    std::array<TAMAdvLed*, 6> PinLeds{};

    QGroupBox* GroupRegisters = nullptr;
    std::array<QLabel*, 4> RegisterDecimal{}; // A, B, C, D
    std::array<QLabel*, 4> RegisterHex{};
    QLabel* PcDecimal = nullptr; // the program counter
    QLabel* PcHex = nullptr;
    QLabel* StackLabel = nullptr; // nested "Gosub" calls

    QGroupBox* GroupProgram = nullptr;
    QLabel* StateLabel = nullptr;
    QLabel* NextLabel = nullptr; // the instruction about to run
    QListWidget* ListingList = nullptr;
    QPushButton* PauseButton = nullptr;
    QPushButton* StepButton = nullptr;
    QPushButton* ResumeButton = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void createControls();
    void nameControlsForAccess();
    zentor::sim::SimulatedBoard* board() const { return m_board ? m_board() : nullptr; }
    void showNoBoard(const QString& state);
    void showInputs(const zentor::sim::BoardSnapshot& s);
    void showOutputs(const zentor::sim::BoardSnapshot& s);
    void showProgram(const zentor::sim::BoardSnapshot& s);
    void setFlash(bool on);

    // The learner's input controls: each reads the board's fixed inputs
    // afresh, changes its own and leaves the others as they are.
    void analogChanged(int raw);
    void analogSignalClicked(bool followSignal);
    void digitalClicked(bool on);
    void digitalSignalClicked(bool followSignal);
    void pinClicked();
    void pinSignalClicked(bool followSignal);
    void changeInputs(const std::function<void(zentor::sim::InputOverrides&,
                                               const zentor::sim::BoardSnapshot&)>& change);

    BoardSource m_board;
    std::function<void()> m_beepHandler;
    QTimer m_refreshTimer;
    QTimer m_flashTimer;
    QElapsedTimer m_clock;   // phase of the blinking lamp
    bool m_updating = false; // the panel sets its controls, not the learner
    bool m_flashing = false;
    QPalette m_normalPalette; // the panel's colours outside a flash
    zentor::simpanel::BeepWatcher m_beeps;
    zentor::simpanel::Memory m_listedMemory{};
    zentor::simpanel::ListingView m_listing;
    bool m_listingValid = false;
    int m_markedRow = -1;
};
