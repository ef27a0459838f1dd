#include "analysis_commands.h"

#include "analysis_window.h"
#include "chart_markup.h"
#include "chart_widget.h"
#include "dialogs.h"
#include "regular_file.h"
#include "window_place.h"

#include <QAction>
#include <QClipboard>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QStandardPaths>
#include <QTabWidget>

#include <algorithm>

namespace zentor::analysis {

namespace {

// How soon after a page drew its chart the results follow: often enough to
// watch a recording grow, seldom enough to cost the sampling nothing worth
// mentioning.
constexpr int kRefreshMs = 100;

const QString kCopied = QStringLiteral("Ergebnis in die Zwischenablage kopiert.");
const QString kNoValues = QStringLiteral("Noch keine Messwerte");

QString cannotOpen(const QString& path) {
    return QStringLiteral("Die Datei \"%1\" kann nicht geöffnet werden.")
        .arg(QDir::toNativeSeparators(path));
}

QString showReferenceDialog(QWidget* parent) {
    QFileDialog dialog(parent);
    dialog.setWindowTitle(QStringLiteral("Vergleichskurve laden"));
    dialog.setDirectory(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
    dialog.setNameFilters({kMeasurementFileFilter.toString(), QStringLiteral("Alle Dateien (*)")});
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().front();
}

QString unitsText(bool volts) {
    return volts ? QStringLiteral("in Volt") : QStringLiteral("als Rohwerte");
}

// A stored measurement goes on the page's chart when their time axes agree:
// the oscilloscope's in milliseconds, the other two in seconds.
bool comparable(const Measurement& stored, const AnalysisSource& page) {
    const bool storedInSeconds = !std::holds_alternative<ScopeMeasurement>(stored.data);
    return storedInSeconds == (page.analysisTimeScale().unit != u"ms");
}

AnalysisCommands::ReferenceDialog& referenceDialog() {
    static AnalysisCommands::ReferenceDialog handler = showReferenceDialog;
    return handler;
}

} // namespace

AnalysisCommands::AnalysisCommands(const Pages& pages, QWidget* dialogParent)
    : QObject(dialogParent), m_pages(pages), m_dialogParent(dialogParent) {
    m_refreshTimer.setSingleShot(true);
    m_refreshTimer.setInterval(kRefreshMs);
    connect(&m_refreshTimer, &QTimer::timeout, this, &AnalysisCommands::refresh);

    for (MeasurementPage* page : pages.measurements) {
        Entry& entry = m_entries.emplace_back();
        entry.page = page;
        entry.source = page;
        entry.name = pages.tabs->tabText(pages.tabs->indexOf(page)).remove(u'&');
        page->watchAnalysisData(this, [this] { dataChanged(); });
    }
}

AnalysisCommands::~AnalysisCommands() {
    detach();
}

AnalysisCommands::ReferenceDialog
AnalysisCommands::setReferenceDialogHandler(ReferenceDialog handler) {
    ReferenceDialog previous = referenceDialog();
    referenceDialog() = handler ? std::move(handler) : ReferenceDialog(showReferenceDialog);
    return previous;
}

void AnalysisCommands::bindAction(QAction* action) {
    m_action = action;
    connect(action, &QAction::triggered, this, &AnalysisCommands::openWindow);
    connect(m_pages.tabs, &QTabWidget::currentChanged, this, [this] {
        updateAction();
        showCurrent();
    });
    updateAction();
}

bool AnalysisCommands::offersAnalysis(const QWidget* page) const {
    const Entry* entry = entryOf(page);
    return entry != nullptr && entry->source->offersAnalysis();
}

void AnalysisCommands::updateAction() {
    if (m_action)
        m_action->setEnabled(offersAnalysis(m_pages.tabs->currentWidget()));
}

AnalysisWindow* AnalysisCommands::window() const {
    return m_window;
}

const AnalysisSession* AnalysisCommands::session(const QWidget* page) const {
    const Entry* entry = entryOf(page);
    return entry ? &entry->session : nullptr;
}

AnalysisCommands::Entry* AnalysisCommands::entryOf(const QWidget* page) {
    for (Entry& entry : m_entries) {
        if (entry.page == page)
            return &entry;
    }
    return nullptr;
}

const AnalysisCommands::Entry* AnalysisCommands::entryOf(const QWidget* page) const {
    return const_cast<AnalysisCommands*>(this)->entryOf(page);
}

AnalysisCommands::Entry* AnalysisCommands::current() {
    return entryOf(m_pages.tabs->currentWidget());
}

// ---- The window ----------------------------------------------------------------------

void AnalysisCommands::openWindow() {
    const bool first = !m_window;
    if (first) {
        m_window = new AnalysisWindow(m_dialogParent);
        using Cursor = AnalysisSession::Cursor;
        connect(m_window, &AnalysisWindow::activeCursorChosen, this, [this](Cursor which) {
            if (Entry* entry = current()) {
                entry->session.setActiveCursor(which);
                if (entry->markup)
                    entry->markup->refresh();
            }
        });
        connect(m_window, &AnalysisWindow::fitChosen, this, [this](std::optional<FitKind> kind) {
            if (Entry* entry = current()) {
                entry->session.setFitKind(kind);
                if (entry->markup)
                    entry->markup->refresh();
            }
            showCurrent();
        });
        connect(m_window, &AnalysisWindow::stepRequested, this, [this](int steps) {
            if (Entry* entry = current()) {
                entry->session.stepCursor(entry->session.activeCursor(), steps);
                if (entry->markup)
                    entry->markup->refresh();
            }
            showCurrent();
        });
        connect(m_window, &AnalysisWindow::endRequested, this, [this](bool last) {
            if (Entry* entry = current()) {
                AnalysisSession& session = entry->session;
                session.setCursor(session.activeCursor(),
                                  last ? static_cast<int>(session.series().points.size()) - 1 : 0);
                if (entry->markup)
                    entry->markup->refresh();
            }
            showCurrent();
        });
        connect(m_window, &AnalysisWindow::referenceRequested, this,
                &AnalysisCommands::loadReference);
        connect(m_window, &AnalysisWindow::referenceRemoveRequested, this, [this] {
            if (Entry* entry = current()) {
                entry->reference.reset();
                entry->session.clearReference();
                if (entry->markup)
                    entry->markup->referenceChanged();
            }
            showCurrent();
        });
        connect(m_window, &AnalysisWindow::copyRequested, this, &AnalysisCommands::copyResult);
        connect(m_window, &AnalysisWindow::printRequested, this,
                &AnalysisCommands::reportPrintRequested);
        connect(m_window, &AnalysisWindow::pdfRequested, this,
                &AnalysisCommands::reportPdfRequested);
        connect(m_window, &AnalysisWindow::closed, this, &AnalysisCommands::detach);
    }
    if (!m_window->isVisible()) {
        attach();
        refresh();
        m_window->adjustSize();
        if (first) {
            // Beside the main window, where it hides none of the chart and
            // its cursors, and wholly on the screen with its frame.
            m_window->move(placeWindowBeside(*m_dialogParent->window(), *m_window));
        }
    }
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
}

void AnalysisCommands::attach() {
    for (Entry& entry : m_entries) {
        const AnalysisSource* source = entry.source;
        entry.markup = new ChartMarkup(source->analysisChart(), entry.session, [source] {
            return source->analysisTimeScale().chartPerSecond;
        });
        connect(entry.markup, &ChartMarkup::cursorsChanged, this, &AnalysisCommands::showCurrent);
    }
}

void AnalysisCommands::detach() {
    m_refreshTimer.stop();
    for (Entry& entry : m_entries) {
        if (entry.markup) {
            entry.markup->detach();
            delete entry.markup;
        }
    }
}

void AnalysisCommands::dataChanged() {
    updateAction();
    if (m_window && m_window->isVisible())
        scheduleRefresh();
}

void AnalysisCommands::scheduleRefresh() {
    if (!m_refreshTimer.isActive())
        m_refreshTimer.start();
}

void AnalysisCommands::refresh() {
    for (Entry& entry : m_entries)
        refreshEntry(entry);
    showCurrent();
}

void AnalysisCommands::refreshEntry(Entry& entry) {
    AnalysisSession& session = entry.session;
    const AnalysisTimeScale scale = entry.source->analysisTimeScale();
    session.setTimeUnit({scale.unit, scale.unitPerSecond});
    const std::optional<Measurement> shown = entry.source->analysisMeasurement();
    const Outcome<Series> series = shown ? seriesOf(*shown) : Outcome<Series>::failure(kNoValues);
    if (!series) {
        if (session.available() || session.unavailableReason() != series.error)
            session.setUnavailable(series.error);
    } else if (!session.available() || session.series() != *series.value) {
        session.setSeries(*series.value);
    }
    if (entry.reference) {
        // The reference is drawn in the units the page shows now.
        const Outcome<Series> reference =
            seriesOf(shown ? shownLike(*entry.reference, *shown) : *entry.reference);
        if (reference && session.reference() != reference.value) {
            session.setReference(*reference.value, session.referenceName());
            if (entry.markup)
                entry.markup->referenceChanged();
        }
    }
    if (entry.markup)
        entry.markup->refresh();
}

void AnalysisCommands::showCurrent() {
    if (!m_window)
        return;
    const Entry* entry = current();
    if (entry)
        m_window->setReferenceColor(referenceColorOn(entry->source->analysisChart().Color()));
    m_window->display(entry ? &entry->session : nullptr, entry ? entry->name : QString());
}

void AnalysisCommands::loadReference() {
    Entry* entry = current();
    if (!entry)
        return;
    const QString path = referenceDialog()(m_window);
    if (path.isEmpty())
        return;
    const FileRead file = readRegularFile(path, kMeasurementFileLimit);
    if (!file.bytes) {
        dialogs::error(m_window, file.explained(cannotOpen(path)));
        return;
    }
    const MeasurementReadResult read = readMeasurementFile(*file.bytes);
    if (!read.ok) {
        dialogs::error(m_window, cannotOpen(path) + u'\n' + read.error);
        return;
    }
    const QString page = measurementPageName(read.measurement);
    const std::optional<Measurement> shown = entry->source->analysisMeasurement();
    if (!comparable(read.measurement, *entry->source)) {
        dialogs::error(m_window, QStringLiteral("Die Messung in \"%1\" stammt von der Seite "
                                                "\"%2\", deren Zeitachse nicht zu \"%3\" passt. "
                                                "Verglichen werden Messungen von \"Zeitschreiber\" "
                                                "und \"Extern Messen\" untereinander (Zeit in "
                                                "Sekunden) und Messungen von \"Oszilloskop\".")
                                     .arg(QFileInfo(path).fileName(), page, entry->name));
        return;
    }
    const Outcome<Series> reference =
        seriesOf(shown ? shownLike(read.measurement, *shown) : read.measurement);
    if (!reference) {
        dialogs::error(m_window, cannotOpen(path) + u'\n' + reference.error);
        return;
    }
    if (shown && entry->session.available() &&
        reference.value->volts != entry->session.series().volts) {
        dialogs::error(m_window,
                       QStringLiteral("Die Messung in \"%1\" zeigt ihre Werte %2, die "
                                      "Seite \"%3\" %4: die Kurven passen nicht in ein "
                                      "Diagramm.")
                           .arg(QFileInfo(path).fileName(), unitsText(reference.value->volts),
                                entry->name, unitsText(entry->session.series().volts)));
        return;
    }
    entry->reference = read.measurement;
    entry->session.setReference(*reference.value, QFileInfo(path).fileName());
    if (entry->markup)
        entry->markup->referenceChanged();
    showCurrent();
}

void AnalysisCommands::copyResult() {
    Entry* entry = current();
    if (!entry || !entry->session.available())
        return;
    QGuiApplication::clipboard()->setText(entry->session.copyText(entry->name));
    m_window->setNote(kCopied);
}

} // namespace zentor::analysis
