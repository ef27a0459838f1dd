// The "Programm" page: the listing editor with its palettes, number fields
// and label pool, the compiler hookup, the program files and the controls of
// the group "Ausführen".
//
// The listing is the items of ListBox1, one line each; every change of it
// ends with ButtonCompClick, which puts the code list into the hidden
// Listcode and the free bytes into the status bar. The rules themselves live
// in the board-language library (compiler.h, label_pool.h, program_file.h);
// this page mirrors their results into its controls.
#pragma once

#include "label_pool.h"
#include "program_file.h"

#include <QElapsedTimer>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <functional>
#include <memory>

class QAction;
class QCheckBox;
class QComboBox;
class QFileDialog;
class QGroupBox;
class QLineEdit;
class QListWidget;
class QMenu;
class QProgressBar;
class QPushButton;
class QTimer;
class ListingBox;
class MonitorBox;
class NumberField;
class PaletteBox;
class Shell;

namespace zentor {
class BackgroundSave;
class WidgetTransferView;
struct TransferOnLink;
enum class TransferOutcome;
} // namespace zentor

class ProgramPage : public QWidget {
    Q_OBJECT

public:
    explicit ProgramPage(Shell& shell, QWidget* parent = nullptr);
    ~ProgramPage() override;

    // ---- Controls, named as in the window description ----------------------
    QListWidget* ListBox1;   // the listing
    QListWidget* Listcode;   // compiled code lines, hidden until the corner click
    QListWidget* ListOP;     // the instruction table entries, never shown
    QMenu* PopupMenu1;       // the listing's popup menu
    QAction* Delete1;        // "&Löschen"
    QPushButton* ButtonComp; // never shown; clicking it compiles
    QCheckBox* CheckBoxCode; // "Code anzeigen": shows Listcode beside the listing

    // Palettes.
    PaletteBox* ListBox2;  // "Rechenbefehle"
    PaletteBox* ListBox15; // "Inhalte zuweisen"
    PaletteBox* ListBox5;  // "Ein-/Ausgaben"
    PaletteBox* ListBox3;  // "Konstanten zuweisen"
    PaletteBox* ListBox6;  // jumps to a label; enabled while ComboBox7 has entries
    PaletteBox* ListBox7;  // "Return", "End"
    PaletteBox* ListBox14; // "Rem"
    PaletteBox* ListBox13; // "Verfügbare Labels": the free label keys

    // Number fields beside the rows of ListBox3, in row order.
    NumberField* EditA;
    NumberField* EditB;
    NumberField* EditC;
    NumberField* EditD;
    NumberField* EditDelay;
    NumberField* EditPWM;
    NumberField* EditPdir;
    NumberField* EditPort;
    NumberField* EditAnd;
    NumberField* EditOr;

    QComboBox* ComboBox7; // "Sprungziele/Labels": the label lines of the listing
    QLineEdit* Edit3;     // comment text of label and comment lines

    // Group "Ausführen".
    QGroupBox* GroupBoxRun;
    QPushButton* ButtonSend; // "&Send && Start"
    QPushButton* ButtonRUN;  // "St&art"
    QPushButton* B1;         // "St&op"
    QPushButton* Button15;   // "&Break"
    QPushButton* Button16;   // "&Continue"
    QProgressBar* ProgressBar2;
    QPushButton* ButtonDiss; // "&Read", hidden until F2

    // "Ausgabe der Platine": shown once a program was started; lists what it
    // prints while it runs and sends it bytes for "Input A".
    MonitorBox* monitor;
    // True while the page listens for what the started program prints: from
    // its start until Stop, Break, a read-back or a new upload (Continue
    // resumes it).
    bool monitorListening() const { return m_monitorState == MonitorState::Running; }

    // ---- Listing --------------------------------------------------------
    // The code list of the last compilation (the items of Listcode).
    QStringList codeList() const;
    // The listing lines in order.
    QStringList listingLines() const;
    // "&Kopieren": the listing lines exactly as shown, tabs included.
    QStringList copyLines() const;
    // The note beside the status text for the lines the last compilation
    // passed over ("2 Zeilen ohne Befehl"); empty when there are none. Those
    // lines are greyed and italic, the reason in their tool tip.
    QString findingsNote() const;
    // The selected row of the listing; -1 for none.
    int selectedRow() const;
    // Selects a row and scrolls it into view; -1 clears the selection.
    void selectRow(int row);
    // Replaces the listing (no selection afterwards). Neither the label pool
    // nor the code list changes; callers follow with LabelUpdate and
    // ButtonCompClick as their operation requires.
    void setListingLines(const QStringList& lines);

    // The row under the pointer when a mouse button was last pressed in the
    // listing; -1 below the last line.
    int DragStartRow = -1;
    // True after F3: lines of the listing can be dragged to another row.
    bool listingDragEnabled() const;

    // ---- Program files ----------------------------------------------------
    // Set when the program was started with a file argument: the next
    // ffnen1Click opens that file instead of asking.
    void setStartupFile(const QString& path);
    bool StartupFilePending() const { return m_startupFilePending; }
    // Opens the pending start-up file at once when it can be read, without a
    // box; true when it did. A file that cannot be read stays pending, and
    // the next ffnen1Click tells why.
    bool openReadableStartupFile();
    // Opens a program file without asking, as "&Öffnen ..." opens the one
    // chosen: listing, label pool, compilation, window title. A file that
    // cannot be read shows the error box, changes nothing and gives false.
    bool openProgramFile(const QString& path);

    // Opens an example program as openProgramFile() does, after asking when
    // the listing differs from the one last loaded or saved.
    void openExample(const QString& path);

    // The listing saved at exit and restored at start (program_file.h
    // autosavePath()). SaveLast reports nothing when the file cannot be
    // written. LoadLast does nothing when there is no file; a file it cannot
    // read is moved aside (kDamagedAutosaveSuffix) with a box saying so, and
    // is never overwritten.
    void SaveLast();
    void LoadLast();
    static constexpr QStringView kDamagedAutosaveSuffix = u".defekt";
    // Between those, the autosave follows the listing: written this long
    // after a change, and only when the lines differ from those last saved
    // or loaded.
    static constexpr int kAutosaveDelayMs = 500;
    // The file is written off the GUI thread; true from a change until the
    // outcome of its save is back on the page.
    bool autosavePending() const;

    // ---- Replaceable dialogs (tests answer them without a person) --------
    enum class FileDialogKind { Open, Save };
    // Returns the chosen file's path, or an empty string when cancelled.
    using FileDialogHandler = std::function<QString(QWidget* parent, FileDialogKind kind)>;
    // Installs a handler; an empty one restores the real dialogs. Returns
    // the previous handler.
    static FileDialogHandler setFileDialogHandler(FileDialogHandler handler);
    // The configured dialog the default handler shows; the caller deletes
    // it (`parent` owns it otherwise). Filter "Zentor-Dateien (*.z *.sp2)", default suffix
    // "sp2"; Open admits only existing files, Save asks before overwriting.
    static QFileDialog* createFileDialog(QWidget* parent, FileDialogKind kind);

    // The confirmation of "&Neu": a warning box with OK and Cancel. Returns
    // true for OK.
    using ConfirmHandler =
        std::function<bool(QWidget* parent, const QString& caption, const QString& text)>;
    static ConfirmHandler setConfirmHandler(ConfirmHandler handler);

public slots:
    // ---- Editor -----------------------------------------------------------
    // Inserts the line built from `sender` (a palette or a number field)
    // above the selected line, or at the end without a selection.
    void Add2Click(QObject* sender);
    // A drag over the listing at `pos` (viewport pixels): true to accept.
    bool ListBox1DragOver(QObject* source, const QPoint& pos);
    // A drop on the listing at `pos`.
    void ListBox1DragDrop(QObject* source, const QPoint& pos);
    // Deletes the selected line unless a jump still names it.
    void Delete1Click();
    // Rebuilds the label pool from the listing (without emptying it first).
    void LabelUpdate();
    // All twelve keys free, no jump target.
    void ResetLabelPool();
    // Compiles the listing: Listcode, status text, jump palette. A line that
    // stops the compilation is reported in an error box and then selected.
    // Returns false in that case.
    bool ButtonCompClick();

    void ListBox2Click();
    void ListBox15Click();
    void ListBox5Click();
    void ListBox3Click();
    void ListBox6Click();
    void ListBox7Click();
    void ListBox14Click();
    void ListBox13Click();
    void EditAClick(QObject* field);
    void EditAChange(QObject* field);
    void EditAKeyPress(QObject* field);

    void ListBox1KeyDown(int key);
    void ListBox1KeyUp(int key);
    void ListBox1MouseDown(const QPoint& pos);
    void ListBox1MouseUp(const QPoint& pos);

    // ---- "Ausgabe der Platine" ------------------------------------------------
    // Sends one byte to the running program (the box has checked it).
    void MonitorSendClick(int value);

    // ---- Group "Ausführen" -------------------------------------------------
    // Each starts its exchange on the link thread and returns; the status
    // bar and ProgressBar2 follow it (see program_transfer.h). The buttons
    // that start exchanges are disabled while the link runs a command.
    void ButtonSendClick();
    void ButtonRUNClick();
    void B1Click();
    void Button15Click();
    void Button16Click();
    // Reads the board's program back and makes it the listing; on failure
    // or cancel the listing stays as it was.
    void ButtonDissClick();

    // ---- Program files ----------------------------------------------------
    void Beenden2Click();   // "&Neu"
    void ffnen1Click();     // "&Öffnen ..."
    void Speichern1Click(); // "&Speichern ..."

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    // Greys the lines the compiler passes over and sets the status note.
    void markSkippedLines();
    // Puts an opened file's lines into the listing: label pool,
    // compilation, window title.
    void showProgramFile(const QString& path, const zentor::ProgramFileText& text);
    void createControls();
    void createRunGroup();
    void connectRunGroup();
    // The monitor follows the program: a start shows the box and begins to
    // listen, Stop, Break and the read-back end it, Continue resumes it.
    enum class MonitorState { Off, Running, Interrupted };
    void createMonitor();
    void programStarted();
    void setMonitorState(MonitorState state);
    // Queues the next listening slice when the program runs, the page is
    // shown and the link has nothing else to do.
    void listenToProgram();
    // Enables the buttons that start exchanges unless a command runs.
    void followLink(bool commandRunning);
    // After an exchange the user cancelled.
    void showCancelled();
    // The status of a Send && Start or Start that the user gave up; the
    // transfer told the others itself.
    void showOutcome(zentor::TransferOutcome outcome);
    // Send && Start and Start wait while the recorder records: its readings
    // would stop the new program. True (with a status text) when refused.
    bool refusedWhileRecording();
    PaletteBox* createPalette(QWidget* parent, const char* name, int tag,
                              const QStringList& entries, const QRect& geometry);
    void connectEditor();

    // The palette whose click this is: keeps one palette selection and sets
    // Edit3's state.
    void paletteClicked(PaletteBox* palette);
    QList<PaletteBox*> palettes() const;
    NumberField* numberFieldOfRow(int row) const;
    int rowOfNumberField(const QObject* field) const;
    bool isOwnSource(const QObject* source) const;
    // The line `source` builds now; empty when it builds none.
    QString lineFrom(QObject* source) const;
    void insertLine(int row, const QString& line);
    // Puts the pool's state into ListBox13 and ComboBox7.
    void showLabelPool();
    void placeLabel(const QString& labelLine);
    void setListcodeVisible(bool visible);
    void followListingWithAutosave();
    void autosaveIfChanged();
    // The outcome of autosave number `request`, back on the GUI thread.
    void autosaveDone(quint64 request, const QStringList& lines, const zentor::SaveResult& saved);
    void setAsideDamagedAutosave(const QString& path, const QString& why);

    Shell& m_shell;
    ListingBox* m_listing;
    QList<NumberField*> m_numberFields;
    zentor::LabelPool m_pool;
    std::unique_ptr<zentor::WidgetTransferView> m_transferView;
    // The transfer and its view on the link thread; each exchange holds it
    // too, so that an exchange still running when the page goes can end.
    std::shared_ptr<zentor::TransferOnLink> m_onLink;
    bool m_lastCompileOk = true; // Send && Start refuses a partial code list
    MonitorState m_monitorState = MonitorState::Off;
    bool m_listenQueued = false;   // a slice waits, runs or is about to be queued
    QElapsedTimer m_programClock;  // since the program was started
    QTimer* m_listenGap = nullptr; // the pause between two slices
    QString m_findingsNote;
    bool m_showingPool = false;
    bool m_limitingField = false;
    QString m_startupFile;
    bool m_startupFilePending = false;
    bool m_compiled = false; // the listing has been compiled at least once
    // How the listing's file was stored; saving keeps it.
    zentor::TextEncoding m_fileEncoding = zentor::TextEncoding::SingleByte;
    QTimer* m_autosaveTimer = nullptr;
    QStringList m_autosavedLines; // last saved or loaded; at start the initial lines
    QStringList m_autosaveQueuedLines; // the lines the file will hold once the saves are done
    std::unique_ptr<zentor::BackgroundSave> m_autosaver;
    quint64 m_autosaveRequests = 0;      // numbers the saves, the exit's too
    quint64 m_autosaveSettled = 0;       // the newest save whose outcome is taken
    int m_autosavesPending = 0;          // saves whose outcome has not come back
    bool m_autosaveFailureShown = false; // since the last autosave that worked
    bool m_autosaveHeld = false;         // an unreadable autosave could not be moved aside
    QStringList m_fileLines;             // the listing last loaded, saved or begun anew
};
