#include "measurement_commands.h"

#include "atomic_file.h"
#include "dialogs.h"
#include "measurement_file.h"
#include "measurement_page.h"
#include "measurement_pages.h"
#include "regular_file.h"
#include "shell.h"
#include "widget_access.h"

#include <QAction>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QStandardPaths>
#include <QTabWidget>

#include <algorithm>

namespace zentor {

namespace {

const QString kCsvFilter = QStringLiteral("CSV-Dateien (*.csv)");
const QString kCsvSuffix = QStringLiteral("csv");
const QString kPngFilter = QStringLiteral("PNG-Bild (*.png)");
const QString kPngDoubleFilter = QStringLiteral("PNG-Bild, doppelte Auflösung (*.png)");
const QString kPngSuffix = QStringLiteral("png");
const QString kAllFilesFilter = QStringLiteral("Alle Dateien (*)");

const QString kBusyText =
    QStringLiteral("Während einer laufenden Messung kann keine Messung geöffnet werden.");

QString shownPath(const QString& path) {
    return QDir::toNativeSeparators(path);
}

QString cannotSaveMessage(const QString& path) {
    return QStringLiteral("Die Datei \"%1\" kann nicht gespeichert werden.").arg(shownPath(path));
}

QString cannotOpenMessage(const QString& path) {
    return QStringLiteral("Die Datei \"%1\" kann nicht geöffnet werden.").arg(shownPath(path));
}

// ---- The real dialogs ------------------------------------------------------------------

QString& lastDirectory() {
    static QString directory;
    return directory;
}

MeasurementCommands::FileChoice showFileDialog(QWidget* parent,
                                               const MeasurementCommands::FileRequest& request) {
    using Kind = MeasurementCommands::FileKind;
    QFileDialog dialog(parent);
    dialog.setSizeGripEnabled(true);
    dialog.setDirectory(!lastDirectory().isEmpty()
                            ? lastDirectory()
                            : QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
    const bool open = request.kind == Kind::OpenMeasurement;
    switch (request.kind) {
    case Kind::OpenMeasurement:
        dialog.setWindowTitle(QStringLiteral("Messung öffnen"));
        dialog.setNameFilters({kMeasurementFileFilter.toString(), kAllFilesFilter});
        break;
    case Kind::SaveMeasurement:
        dialog.setWindowTitle(QStringLiteral("Messung speichern"));
        dialog.setNameFilter(kMeasurementFileFilter.toString());
        dialog.setDefaultSuffix(kMeasurementFileSuffix.toString());
        break;
    case Kind::ExportValues:
        dialog.setWindowTitle(QStringLiteral("Messwerte exportieren"));
        dialog.setNameFilter(kCsvFilter);
        dialog.setDefaultSuffix(kCsvSuffix);
        break;
    case Kind::SavePicture:
        dialog.setWindowTitle(QStringLiteral("Diagramm als Bild speichern"));
        dialog.setNameFilters({kPngFilter, kPngDoubleFilter});
        dialog.setDefaultSuffix(kPngSuffix);
        break;
    }
    if (open) {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
        dialog.selectFile(request.suggestedName);
    }

    zentor::access::nameFileDialog(dialog);
    MeasurementCommands::FileChoice choice;
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
        choice.path = dialog.selectedFiles().front();
        choice.highResolution = dialog.selectedNameFilter() == kPngDoubleFilter;
        lastDirectory() = dialog.directory().absolutePath();
    }
    return choice;
}

MeasurementCommands::FileDialogHandler& fileDialogHandler() {
    static MeasurementCommands::FileDialogHandler handler = showFileDialog;
    return handler;
}

QString withSuffix(const QString& path, const QString& suffix) {
    const QFileInfo info(path);
    if (info.suffix().isEmpty() && !info.fileName().endsWith(u'.'))
        return path + u'.' + suffix;
    return path;
}

} // namespace

MeasurementCommands::MeasurementCommands(Shell& shell, const Pages& pages, QWidget* dialogParent)
    : QObject(dialogParent), m_shell(shell), m_pages(pages), m_dialogParent(dialogParent) {}

MeasurementCommands::FileDialogHandler
MeasurementCommands::setFileDialogHandler(FileDialogHandler handler) {
    FileDialogHandler previous = fileDialogHandler();
    fileDialogHandler() = handler ? std::move(handler) : FileDialogHandler(showFileDialog);
    return previous;
}

void MeasurementCommands::bindActions(const Actions& actions) {
    m_actions = actions;
    connect(actions.openMeasurement, &QAction::triggered, this,
            &MeasurementCommands::openMeasurement);
    connect(actions.saveMeasurement, &QAction::triggered, this,
            &MeasurementCommands::saveMeasurement);
    connect(actions.exportValues, &QAction::triggered, this, &MeasurementCommands::exportValues);
    connect(actions.savePicture, &QAction::triggered, this, &MeasurementCommands::savePicture);
    connect(m_pages.tabs, &QTabWidget::currentChanged, this, &MeasurementCommands::updateActions);
    // A measurement arrives while its page is shown: the menu looks again
    // each time it opens.
    if (actions.saveMeasurement != nullptr)
        for (QObject* holder : actions.saveMeasurement->associatedObjects())
            if (auto* menu = qobject_cast<QMenu*>(holder))
                connect(menu, &QMenu::aboutToShow, this, &MeasurementCommands::updateActions);
    updateActions();
}

MeasurementPage* MeasurementCommands::currentMeasurementPage() const {
    auto* page = qobject_cast<MeasurementPage*>(currentPage());
    return m_pages.measurements.contains(page) ? page : nullptr;
}

MeasurementPage* MeasurementCommands::currentMeasurement() const {
    MeasurementPage* page = currentMeasurementPage();
    return page != nullptr && page->holdsMeasurement() ? page : nullptr;
}

void MeasurementCommands::updateActions() {
    const bool values = currentMeasurement() != nullptr;
    const bool picture =
        currentMeasurementPage() != nullptr || (m_pages.direct && currentPage() == m_pages.direct);
    if (m_actions.saveMeasurement)
        m_actions.saveMeasurement->setEnabled(values);
    if (m_actions.exportValues)
        m_actions.exportValues->setEnabled(values);
    if (m_actions.savePicture)
        m_actions.savePicture->setEnabled(picture);
    if (m_actions.openMeasurement)
        m_actions.openMeasurement->setEnabled(true); // it switches to the file's page
}

QWidget* MeasurementCommands::currentPage() const {
    return m_pages.tabs != nullptr ? m_pages.tabs->currentWidget() : nullptr;
}

QString MeasurementCommands::baseName(const QWidget* page, const QDateTime& takenAt) const {
    const int index = m_pages.tabs->indexOf(const_cast<QWidget*>(page));
    QString name = index >= 0 ? m_pages.tabs->tabText(index).remove(u'&') : QString();
    if (takenAt.isValid())
        name += takenAt.toString(QStringLiteral(" yyyy-MM-dd HH-mm"));
    return name;
}

MeasurementCommands::FileChoice MeasurementCommands::askSaveFile(FileKind kind, const QString& base,
                                                                 const QString& suffix) const {
    FileChoice choice = fileDialogHandler()(m_dialogParent, {kind, base + u'.' + suffix});
    if (!choice.path.isEmpty())
        choice.path = withSuffix(choice.path, suffix);
    return choice;
}

bool MeasurementCommands::writeFile(const QString& path, const QByteArray& bytes) {
    const SaveResult saved = writeFileAtomically(path, bytes);
    if (!saved)
        dialogs::error(m_dialogParent, saved.explained(cannotSaveMessage(path)));
    return static_cast<bool>(saved);
}

void MeasurementCommands::exportValues() {
    MeasurementPage* page = currentMeasurement();
    if (page == nullptr)
        return;
    const FileChoice choice =
        askSaveFile(FileKind::ExportValues, baseName(page, page->measuredAt()), kCsvSuffix);
    if (!choice.path.isEmpty() && writeFile(choice.path, page->csv()))
        m_shell.setStatusText(
            QStringLiteral("Messwerte gespeichert: %1").arg(QFileInfo(choice.path).fileName()));
}

void MeasurementCommands::savePicture() {
    QWidget* page = currentPage();
    MeasurementPage* measurementPage = currentMeasurementPage();
    if (measurementPage == nullptr && (page == nullptr || page != m_pages.direct))
        return;
    const QDateTime takenAt = measurementPage ? measurementPage->measuredAt() : QDateTime();
    const FileChoice choice =
        askSaveFile(FileKind::SavePicture, baseName(page, takenAt), kPngSuffix);
    if (choice.path.isEmpty())
        return;
    const int scale = choice.highResolution ? 2 : 1;
    QImage picture;
    if (measurementPage != nullptr)
        picture = measurementPage->chartPicture(scale);
    else if (m_pages.meter != nullptr)
        picture = widgetPicture(*m_pages.meter, scale);
    const QByteArray png = pngBytes(picture);
    if (png.isEmpty()) {
        dialogs::error(m_dialogParent, cannotSaveMessage(choice.path));
        return;
    }
    if (writeFile(choice.path, png))
        m_shell.setStatusText(
            QStringLiteral("Bild gespeichert: %1").arg(QFileInfo(choice.path).fileName()));
}

void MeasurementCommands::saveMeasurement() {
    MeasurementPage* page = currentMeasurement();
    if (page == nullptr)
        return;
    const FileChoice choice =
        askSaveFile(FileKind::SaveMeasurement, baseName(page, page->measuredAt()),
                    kMeasurementFileSuffix.toString());
    if (!choice.path.isEmpty() && writeFile(choice.path, measurementFileBytes(page->measurement())))
        m_shell.setStatusText(
            QStringLiteral("Messung gespeichert: %1").arg(QFileInfo(choice.path).fileName()));
}

void MeasurementCommands::openMeasurement() {
    const bool busy = std::any_of(m_pages.measurements.cbegin(), m_pages.measurements.cend(),
                                  [](const MeasurementPage* page) { return page->measuring(); });
    if (busy) {
        // The page of the file could not be shown (the logger keeps its page
        // while it counts), and a recording would overwrite what was opened.
        dialogs::error(m_dialogParent, kBusyText);
        return;
    }
    const FileChoice choice =
        fileDialogHandler()(m_dialogParent, {FileKind::OpenMeasurement, QString()});
    if (!choice.path.isEmpty())
        openMeasurementFile(choice.path);
}

void MeasurementCommands::openMeasurementFile(const QString& path) {
    const FileRead file = readRegularFile(path, kMeasurementFileLimit);
    if (!file.bytes) {
        dialogs::error(m_dialogParent, file.explained(cannotOpenMessage(path)));
        return;
    }
    const MeasurementReadResult read = readMeasurementFile(*file.bytes);
    if (!read.ok) {
        dialogs::error(m_dialogParent, cannotOpenMessage(path) + u'\n' + read.error);
        return;
    }

    showMeasurement(read.measurement);
    m_shell.setStatusText(QStringLiteral("Messung geöffnet: %1").arg(QFileInfo(path).fileName()));
}

void MeasurementCommands::showMeasurement(const Measurement& m) {
    for (MeasurementPage* page : std::as_const(m_pages.measurements)) {
        if (page->takes(m)) {
            m_pages.tabs->setCurrentWidget(page);
            page->showMeasurement(m);
        }
    }
    updateActions();
}

} // namespace zentor
