// TForm1: the one main window. It owns the pages, the menu, the status bar
// and the four timers; it runs start-up and shut-down, reads "zentor.ini",
// and connects the chosen port (or the built-in simulator) to the board.
#pragma once

#include "shell.h"

#include <QMainWindow>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

class QAction;
class QLabel;
class QProgressBar;
class QPushButton;
class QMenu;
class QStatusBar;
class QTabWidget;
class QTimer;
class TWebLabel;
class HandbookWindow;
class DirectPage;
class LoggerPage;
class RecorderPage;
class ScopePage;
class ProgramPage;
class ProfileFile;
class BuiltInSimulator;
class SimulatorPanel;

namespace zentor {
struct ConnectResult;
struct PortTarget;
class MeasurementCommands;
class RecorderBuffer;
namespace analysis {
class AnalysisCommands;
}
namespace report {
class ReportCommands;
}
} // namespace zentor

class TForm1 : public QMainWindow, public Shell {
    Q_OBJECT

public:
    struct StartOptions {
        // Command-line parameters other than the options; the first one
        // names a program file opened at start-up.
        QStringList parameters;
        // Connect to the built-in simulator for this run, whatever
        // "zentor.ini" says, without writing it.
        bool simulator = false;
        // A measurement file opened at start-up, as "Messung öffnen ..." does.
        QString measurementFile;
    };

    // Reports whether the Ctrl key is held down now; replaceable for tests.
    using KeyState = std::function<bool()>;
    static KeyState setCtrlKeyState(KeyState state);

    // Creates the controls and runs FormCreate.
    explicit TForm1(StartOptions options, QWidget* parent = nullptr);
    TForm1() : TForm1(StartOptions{}) {}
    // Runs FormDestroy.
    ~TForm1() override;

    // Shell
    void setStatusText(const QString& text) override;
    QString statusText() const override;
    void setApplicationTitle(const QString& title) override;
    QString applicationTitle() const override;
    void setWindowCaption(const QString& caption) override;
    int maxTimeout() const override;
    bool recordingRunning() const override;

    // Controls, named as in the window description.
    QTabWidget* PageControl1;
    QWidget* TabSheet1; // "Zentor"
    DirectPage* TabSheet2;
    LoggerPage* TabSheet3;
    RecorderPage* TabSheet6;
    ScopePage* TabSheet8;
    ProgramPage* TabSheet4;
    QLabel* Image1;
    TWebLabel* WebLabel1;
    QStatusBar* StatusBar1;

    QMenu* Beenden1;    // "&Datei"
    QAction* Beenden2;  // "&Neu"
    QAction* ffnen1;    // "&Öffnen ..."
    QMenu* Beispiele1;  // "Be&ispiel öffnen": the installed example programs
    QAction* Speichern1;
    QAction* MessungOeffnen1;       // "Messung ö&ffnen ..."
    QAction* MessungSpeichern1;     // "&Messung speichern ..."
    QAction* MesswerteExportieren1; // "Messwerte &exportieren ..."
    QAction* DiagrammBild1;         // "&Diagramm als Bild speichern ..."
    QAction* MessprotokollDrucken1; // "Messprotokoll dr&ucken ..."
    QAction* MessprotokollPdf1;     // "Als &PDF speichern ..."
    QAction* Beenden3;  // "&Beenden"
    QMenu* Bearbeiten1;
    QAction* KopiernalsText1;
    QAction* Auswertung1; // "Auswertung ...": cursors, statistics and fits of a chart
    QMenu* Anschluss1;
    QAction* COM11;
    QAction* COM21;
    QAction* COM31;
    QAction* COM41;
    QAction* COM51;
    QAction* COM61;
    QAction* Simulator1; // the built-in simulated board
    QAction* SimulatorPanel1; // "Simulator-&Tafel ...": the simulated board's panel
    QMenu* N3;          // "&?"
    QAction* Handbuch1; // "&Handbuch" (F1): the handbook's window
    QAction* ber1;      // "Über ..."

    QTimer* Timer1;
    QTimer* Timer2;
    QTimer* yttimer;
    QTimer* TimerOszi;

    // The six COM entries in menu order; their tags are 1 to 6.
    QList<QAction*> comEntries() const;
    // The check-marked "&Anschluss" entry, or nullptr.
    QAction* checkedPortEntry() const;

public slots:
    void FormCreate();
    void FormShow();
    void FormHide();
    void FormDestroy();
    void COM11Click(); // any COM entry; the sender's tag is the port number
    void SimulatorClick();
    void SimulatorPanelClick();
    void PageControl1Change();
    void Beenden3Click();
    void ber1Click();
    // Shows the handbook's window (one, reused), or says where it belongs.
    void HandbuchClick();
    void KopiernalsText1Click();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // Closing the window ends the program: timers stopped, the listing
    // saved, the port closed, open dialogs closed, every event loop left.
    // Runs once.
    void shutDown();
    void createMenu();
    void createPages();
    void createTimers();
    void createExchangeControls();
    void uncheckPortEntries();
    void refreshPortPaths();
    // The device of port n (1..9): the ini's [Ports] COMn, else the default.
    std::string portPath(int n) const;
    // The device of the configured port, or of the simulator when it is
    // chosen (started if need be); nothing when none is configured.
    std::optional<zentor::PortTarget> configuredTarget();
    // Marks the port the board is reached through.
    void markPort(const std::optional<zentor::PortTarget>& target);
    // The steps of FormShow after the first connection.
    void continueShow(const zentor::ConnectResult& result);
    // Opens port n, or the simulator for n == 0, with the menu choice's
    // steps; the status bar shows the outcome.
    void choosePort(int n);
    std::optional<zentor::PortTarget> simulatorTarget();
    bool simulatorChosen() const;
    // The controls that start exchanges follow the link.
    void followLink(bool commandRunning);
    // Enables the panel entry while the simulator is the port; opens the
    // panel by itself the first time the simulator is chosen.
    void simulatorConnected(bool connected);

    StartOptions m_options;
    std::unique_ptr<ProfileFile> m_ini;
    std::unique_ptr<BuiltInSimulator> m_simulator;
    SimulatorPanel* m_simulatorPanel = nullptr; // created when first opened
    HandbookWindow* m_handbook = nullptr;        // created when first opened
    bool m_simulatorPanelOffered = false;        // opened by itself once
    std::unique_ptr<zentor::RecorderBuffer> m_recorderBuffer;
    // The measurement entries of "&Datei"; a child of the window.
    zentor::MeasurementCommands* m_measurementCommands = nullptr;
    // "Auswertung ..." and its window; a child of the window.
    zentor::analysis::AnalysisCommands* m_analysisCommands = nullptr;
    // The lab report entries of "&Datei"; a child of the window.
    zentor::report::ReportCommands* m_reportCommands = nullptr;
    int m_maxTimeout = 300;
    QString m_applicationTitle;
    QLabel* m_statusLabel = nullptr;
    // Shown in the status bar while a long exchange runs.
    QProgressBar* m_linkProgress = nullptr;
    QPushButton* m_cancelButton = nullptr;
    bool m_shown = false;
    bool m_shutDown = false;
    bool m_inPageChange = false;
};
