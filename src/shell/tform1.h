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
class PortMenu;

namespace zentor {
struct ConnectResult;
struct PortTarget;
class MeasurementCommands;
class RecordingJournal;
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
    void setStatusReading(const QString& text) override;
    void setStatusNote(const QString& text) override;
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
    PortMenu* Ports;      // "&Anschluss": ports, devices, the simulator and the board search
    QMenu* N3;          // "&?"
    QAction* Handbuch1; // "&Handbuch" (F1): the handbook's window
    QAction* ber1;      // "Über ..."

    QTimer* Timer1;
    QTimer* Timer2;
    QTimer* yttimer;
    QTimer* TimerOszi;

public slots:
    void FormCreate();
    void FormShow();
    void FormHide();
    void FormDestroy();
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
    // The steps of FormShow after the first connection.
    void continueShow(const zentor::ConnectResult& result);
    // The status bar follows a device pulled out and plugged in again.
    void followConnectionState();
    // Offers the recording an earlier run left in its journal.
    void offerLeftBehindRecording();

    StartOptions m_options;
    std::unique_ptr<ProfileFile> m_ini;
    HandbookWindow* m_handbook = nullptr; // created when first opened
    std::unique_ptr<zentor::RecorderBuffer> m_recorderBuffer;
    // The measurement entries of "&Datei"; a child of the window.
    zentor::MeasurementCommands* m_measurementCommands = nullptr;
    // "Auswertung ..." and its window; a child of the window.
    zentor::analysis::AnalysisCommands* m_analysisCommands = nullptr;
    // The journal of the recorder's recordings; a child of its page.
    zentor::RecordingJournal* m_recordingJournal = nullptr;
    // The lab report entries of "&Datei"; a child of the window.
    zentor::report::ReportCommands* m_reportCommands = nullptr;
    int m_maxTimeout = 300;
    QString m_applicationTitle;
    QLabel* m_statusLabel = nullptr;
    QString m_lastStatusMessage;    // the last text of setStatusText, not of a reading
    QLabel* m_statusNote = nullptr; // the page's lasting note beside the status text
    // Shown in the status bar while a long exchange runs.
    QProgressBar* m_linkProgress = nullptr;
    QPushButton* m_cancelButton = nullptr;
    // Offers the board search while no board answers.
    QPushButton* m_searchButton = nullptr;
    // Says that the device of the board was pulled out, until it is back.
    QLabel* m_connectionLost = nullptr;
    bool m_shown = false;
    bool m_shutDown = false;
    bool m_inPageChange = false;
};
