// The "Direkt" page: the board's inputs live, its outputs by hand.
//
// While the page is shown, the main window runs Timer1; every tick is one
// poll cycle (analog input, port input bits, digital input) that drives the
// meter, the seven LEDs, the status bar and the application title. Timer1's
// interval is the state of the poll: kEnteringInterval (the next tick
// resynchronises), kPollingInterval (the board answers) or kOfflineInterval
// (the board fell silent; the next tick reconnects). The exchanges run on
// the link thread; the handlers start them and show their results.
#pragma once

#include <QElapsedTimer>
#include <QPointer>
#include <QWidget>

#include <array>
#include <optional>

class QCheckBox;
class QFrame;
class QLabel;
class QPushButton;
class QScrollBar;
class QTimer;
class Shell;
class TAMAdvLed;
class TAnal;

namespace zentor::direct {
struct PollResult;
}

class DirectPage : public QWidget {
    Q_OBJECT

public:
    // Intervals of Timer1 in ms, each standing for a state of the poll.
    static constexpr int kEnteringInterval = 333;
    static constexpr int kPollingInterval = 200;
    static constexpr int kOfflineInterval = 1000;

    // Scroll notifications of ScrollBarPWM, passed to ScrollBarPWMScroll.
    enum ScrollCode : int {
        scLineUp,
        scLineDown,
        scPageUp,
        scPageDown,
        scPosition, // the thumb was let go at the position
        scTrack,    // the thumb is being dragged (or the wheel turned)
        scTop,
        scBottom,
    };

    // Timer1 belongs to the main window, which arms it while this page is
    // shown; the page handles its ticks and changes its interval.
    DirectPage(Shell& shell, QTimer& timer1, QWidget* parent = nullptr);

    // The last valid readings (0 until the board first answers one).
    int LastAnalog() const { return m_lastAnalog; }
    int LastPortIn() const { return m_lastPortIn; }
    int LastDin() const { return m_lastDin; }

public slots:
    // Starts one poll cycle, skipped while the previous one runs. A cycle takes
    // at least some 80 ms with a prompt board, twice the read time-out with
    // a silent one, and several seconds more when it reconnects.
    void Timer1Timer();
    // Any of the twelve port check boxes: sends the output bits, then the
    // direction bits. Results are not shown.
    void o1Click();
    // Sends scrollPos as the PWM value; "Ok" or "Fehler" in the status bar
    // when the board answered.
    void ScrollBarPWMScroll(int scrollCode, int scrollPos);
    // Sends the bar's position as the PWM value, like ScrollBarPWMScroll.
    void ScrollBarPWMChange();
    void Button7Click(); // "PWM = &0"
    void Button8Click(); // "PWM = &255"
    void Button3Click(); // "&Beep"
    // Switches the meter's labels between volts and raw values.
    void Anal1Click();

public:
    // The page's controls, named as in the window description; all owned
    // by the page.
    QFrame* PanelDirekt = nullptr; // lowered panel filling the page
    TAnal* Anal1 = nullptr;
    QFrame* PanelIO = nullptr; // the bottom part below the meter
    TAMAdvLed* AMAdvLed1 = nullptr;
    TAMAdvLed* AMAdvLed32 = nullptr;
    TAMAdvLed* AMAdvLed16 = nullptr;
    TAMAdvLed* AMAdvLed08 = nullptr;
    TAMAdvLed* AMAdvLed04 = nullptr;
    TAMAdvLed* AMAdvLed02 = nullptr;
    TAMAdvLed* AMAdvLed01 = nullptr;
    QCheckBox* d1 = nullptr;
    QCheckBox* d2 = nullptr;
    QCheckBox* d3 = nullptr;
    QCheckBox* d4 = nullptr;
    QCheckBox* d5 = nullptr;
    QCheckBox* d6 = nullptr;
    QCheckBox* o1 = nullptr;
    QCheckBox* o2 = nullptr;
    QCheckBox* o3 = nullptr;
    QCheckBox* o4 = nullptr;
    QCheckBox* o5 = nullptr;
    QCheckBox* o6 = nullptr;
    QScrollBar* ScrollBarPWM = nullptr;
    QLabel* LabelPWM = nullptr;
    QPushButton* Button7 = nullptr;
    QPushButton* Button8 = nullptr;
    QPushButton* Button3 = nullptr;

private:
    void createControls();
    // A poll cycle's readings on the meter, the LEDs, the status bar and the
    // title; the cycle's outcome sets the interval.
    void showReadings(const zentor::direct::PollResult& readings);
    // Sets Timer1's interval only when it differs, so that a tick in the
    // same state does not restart the timer.
    void setPollInterval(int milliseconds);
    void sendPwm(int value);
    // The controls that start exchanges follow the link's commands.
    void enableExchangeControls(bool enabled);

    Shell& m_shell;
    QTimer& Timer1;

    // The running cycle: since its tick, and Timer1's interval at the tick.
    bool m_cycleRunning = false; // a poll cycle is on the link
    QElapsedTimer m_cycleClock;
    // Started when the page's resync ended a running board program.
    QElapsedTimer m_stoppedProgramNotice;
    int m_cycleInterval = 0;
    // The PWM send on the link, and the newest position waiting for it.
    bool m_pwmSending = false;
    std::optional<int> m_pwmWaiting;
    // The control that had the focus when a command greyed it, and where
    // the focus went instead.
    QPointer<QWidget> m_focusBeforeCommand;
    QPointer<QWidget> m_focusDuringCommand;

    int m_lastAnalog = 0;
    int m_lastPortIn = 0;
    int m_lastDin = 0;

    // Port LEDs, check boxes and column labels of bit 0 (column "0") to
    // bit 5 (column "5").
    std::array<TAMAdvLed*, 6> m_portLeds{};
    std::array<QCheckBox*, 6> m_directionBoxes{};
    std::array<QCheckBox*, 6> m_outputBoxes{};
};
