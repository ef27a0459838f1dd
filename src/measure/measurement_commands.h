// The file commands of the measurement pages in the "&Datei" menu:
//  "Messung ö&ffnen ..."              opens a measurement file on its page
//                                     (switching to that page),
//  "&Messung speichern ..."           stores the measurement of the page shown,
//  "Messwerte &exportieren ..."       writes its values as a CSV file,
//  "&Diagramm als Bild speichern ..." writes its chart (on "Direkt": the
//                                     meter) as a PNG picture; the second
//                                     file type of the save dialog, "PNG-Bild,
//                                     doppelte Auflösung", asks for twice the
//                                     screen's resolution.
// Files are written atomically; a file that cannot be written or read is
// reported in an error box that names it. None of the commands talks to the
// board.
#pragma once

#include <QList>
#include <QObject>
#include <QString>

#include <functional>

class MeasurementPage;
class QAction;
class QTabWidget;
class QWidget;
class Shell;

namespace zentor {

struct Measurement;

class MeasurementCommands : public QObject {
    Q_OBJECT

public:
    // The pages of the main window's tab control and what the commands look at.
    struct Pages {
        QTabWidget* tabs = nullptr;
        // "Zeitschreiber", "Extern Messen", "Oszilloskop"
        QList<MeasurementPage*> measurements;
        QWidget* direct = nullptr; // "Direkt"
        QWidget* meter = nullptr;  // its meter, the picture of that page
    };
    // The entries of the menu, created and owned by the main window.
    struct Actions {
        QAction* openMeasurement = nullptr;
        QAction* saveMeasurement = nullptr;
        QAction* exportValues = nullptr;
        QAction* savePicture = nullptr;
    };

    // `dialogParent` is the parent of the file dialogs and message boxes.
    MeasurementCommands(Shell& shell, const Pages& pages, QWidget* dialogParent);

    // Connects the entries to the commands and keeps their enabled state in
    // step with the page shown (now and at every page change).
    void bindActions(const Actions& actions);

    // ---- Replaceable file dialog (tests choose names without a dialog) ----
    enum class FileKind { OpenMeasurement, SaveMeasurement, ExportValues, SavePicture };
    struct FileRequest {
        FileKind kind;
        QString suggestedName; // a file name without folder, for the save dialogs
    };
    struct FileChoice {
        QString path;                // empty: cancelled
        bool highResolution = false; // SavePicture only
    };
    using FileDialogHandler = std::function<FileChoice(QWidget* parent, const FileRequest&)>;
    // Installs a handler; an empty one restores the real dialogs. Returns the
    // previous handler.
    static FileDialogHandler setFileDialogHandler(FileDialogHandler handler);

public slots:
    void openMeasurement();
    // Opens the measurement file at `path` as openMeasurement() does after
    // its dialog (a file given on the command line).
    void openMeasurementFile(const QString& path);
    // Shows a measurement on its page (switching to that page).
    void showMeasurement(const Measurement& measurement);
    void saveMeasurement();
    void exportValues();
    void savePicture();
    // Enables the entries for the page shown.
    void updateActions();

private:
    QWidget* currentPage() const;
    // The page shown when it is a measurement page, else nullptr.
    MeasurementPage* currentMeasurementPage() const;
    // The page shown when it holds a measurement to save or export.
    MeasurementPage* currentMeasurement() const;
    // Asks for a file name to save under; adds the suffix when the name has
    // none. Empty when cancelled.
    FileChoice askSaveFile(FileKind kind, const QString& baseName, const QString& suffix) const;
    // Writes the file; true, or false after the error box.
    bool writeFile(const QString& path, const QByteArray& bytes);
    // The page's name and measurement time for suggested file names.
    QString baseName(const QWidget* page, const QDateTime& takenAt) const;

    Shell& m_shell;
    Pages m_pages;
    QWidget* m_dialogParent;
    Actions m_actions;
};

} // namespace zentor
