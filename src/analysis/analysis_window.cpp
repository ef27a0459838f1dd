#include "analysis_window.h"

#include "announcer.h"
#include "chart_markup.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScopedValueRollback>
#include <QShortcut>
#include <QStyle>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <limits>

namespace zentor::analysis {

namespace {

const QString kTitle = QStringLiteral("Auswertung");
const QString kNoAnalysis =
    QStringLiteral("Auf dieser Seite gibt es nichts auszuwerten. Die Auswertung gilt den Seiten "
                   "\"Extern Messen\" (analog), \"Zeitschreiber\" und \"Oszilloskop\".");
const QString kHint = QStringLiteral(
    "Cursor setzen: ins Diagramm klicken oder eine Cursorlinie ziehen. Überall in diesem "
    "Fenster und im Diagramm: Pfeiltasten zum nächsten Messwert (mit Umschalt: zehn weiter), "
    "Pos1 und Ende zum ersten und letzten. Cursor wählen: A oder B im Diagramm, Alt+A oder "
    "Alt+B hier.");
const QString kNoReference = QStringLiteral("keine");
// The widest number a row shows, and the widest unit (a slope per minute).
const QString kWidestNumber = QStringLiteral("−0,00012345");
const QString kWidestUnit = QStringLiteral("V/min");

QString unitText(const QString& unit) {
    return unit == u"1" ? QString() : unit;
}

QString uncertaintyText(const ValueText& text, const ResultRow& row) {
    if (text.uncertainty.isEmpty())
        return {};
    const QString unit = unitText(row.unit);
    return QStringLiteral("± ") + text.uncertainty + (unit.isEmpty() ? QString() : u' ' + unit);
}

// A small square in a cursor's colour before its radio button.
QLabel* swatch(const QColor& color, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setFixedSize(12, 12);
    label->setStyleSheet(
        QStringLiteral("background-color: %1; border: 1px solid palette(dark);").arg(color.name()));
    return label;
}

// A label that wraps its text, with room for `lines` lines. A window's
// minimum size counts a wrapping label as one line and squeezes its
// neighbours when the text takes more.
void wrapOnLines(QLabel* label, int lines) {
    label->setWordWrap(true);
    label->setMinimumHeight(lines * label->fontMetrics().lineSpacing());
}

QGridLayout* rowGrid() {
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(3);
    // A gap between the two columns of rows.
    grid->setColumnMinimumWidth(3, 18);
    return grid;
}

} // namespace

// A window of its own beside the main window, not a tool window of it: the
// main window's access keys would reach into it ("&Bearbeiten" and "Cursor
// &B" would take Alt+B in turns).
AnalysisWindow::AnalysisWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("AnalysisWindow"));
    setWindowTitle(kTitle);

    m_hint = new QLabel(kHint, this);
    wrapOnLines(m_hint, 2);
    m_hint->setForegroundRole(QPalette::PlaceholderText);
    message = new QLabel(this);
    message->setObjectName(QStringLiteral("message"));
    message->setWordWrap(true);
    message->setMinimumWidth(message->fontMetrics().averageCharWidth() * 50);

    // ---- Cursor ----
    m_cursorBox = new QGroupBox(QStringLiteral("Cursor"), this);
    cursorA = new QRadioButton(QStringLiteral("Cursor &A"), m_cursorBox);
    cursorB = new QRadioButton(QStringLiteral("Cursor &B"), m_cursorBox);
    cursorA->setChecked(true);
    cursorA->setAccessibleName(QStringLiteral("Cursor A verschieben"));
    cursorB->setAccessibleName(QStringLiteral("Cursor B verschieben"));
    auto* choice = new QHBoxLayout;
    choice->addWidget(new QLabel(QStringLiteral("Verschieben:"), m_cursorBox));
    choice->addSpacing(4);
    choice->addWidget(swatch(kCursorAColor, m_cursorBox));
    choice->addWidget(cursorA);
    choice->addSpacing(8);
    choice->addWidget(swatch(kCursorBColor, m_cursorBox));
    choice->addWidget(cursorB);
    choice->addStretch(1);
    m_cursorRows = {m_cursorBox, rowGrid(), QString(), QStringLiteral("Cursor"), 4, {}};
    auto* cursorLayout = new QVBoxLayout(m_cursorBox);
    cursorLayout->addLayout(choice);
    cursorLayout->addLayout(m_cursorRows.grid);

    // ---- Statistics ----
    m_statisticsBox = new QGroupBox(QStringLiteral("Statistik zwischen A und B"), this);
    m_statisticsRows = {
        m_statisticsBox, rowGrid(), QStringLiteral("stat_"), QStringLiteral("Statistik"), 3, {}};
    statisticsError = new QLabel(m_statisticsBox);
    wrapOnLines(statisticsError, 2);
    auto* statisticsLayout = new QVBoxLayout(m_statisticsBox);
    statisticsLayout->addLayout(m_statisticsRows.grid);
    statisticsLayout->addWidget(statisticsError);

    // ---- Periodic signal ----
    m_periodicBox = new QGroupBox(QStringLiteral("Periodisches Signal zwischen A und B"), this);
    m_periodicRows = {m_periodicBox,
                      rowGrid(),
                      QStringLiteral("per_"),
                      QStringLiteral("Periodisches Signal"),
                      3,
                      {}};
    periodicError = new QLabel(m_periodicBox);
    wrapOnLines(periodicError, 2);
    auto* periodicLayout = new QVBoxLayout(m_periodicBox);
    periodicLayout->addLayout(m_periodicRows.grid);
    periodicLayout->addWidget(periodicError);

    // ---- Fit ----
    m_fitBox = new QGroupBox(QStringLiteral("Ausgleichskurve zwischen A und B"), this);
    fitChoice = new QComboBox(m_fitBox);
    fitChoice->setAccessibleName(QStringLiteral("Ausgleichskurve wählen"));
    fitChoice->addItem(QStringLiteral("keine"));
    for (const FitDescription& fit : kFits)
        fitChoice->addItem(fit.name.toString());
    auto* fitLabel = new QLabel(QStringLiteral("K&urve:"), m_fitBox);
    fitLabel->setBuddy(fitChoice);
    auto* fitRow = new QHBoxLayout;
    fitRow->addWidget(fitLabel);
    fitRow->addWidget(fitChoice, 1);
    fitFormula = new QLabel(m_fitBox);
    fitFormula->setTextInteractionFlags(Qt::TextSelectableByMouse);
    fitError = new QLabel(m_fitBox);
    wrapOnLines(fitError, 2);
    fitWarning = new QLabel(doubtfulFitWarning(), m_fitBox);
    fitWarning->setWordWrap(true);
    QFont bold = fitWarning->font();
    bold.setBold(true);
    fitWarning->setFont(bold);
    fitWarning->hide();
    // One column: each parameter is followed by its uncertainty.
    m_fitRows = {m_fitBox,
                 rowGrid(),
                 QStringLiteral("fit_"),
                 QStringLiteral("Ausgleichskurve"),
                 std::numeric_limits<int>::max(),
                 {}};
    auto* fitLayout = new QVBoxLayout(m_fitBox);
    fitLayout->addLayout(fitRow);
    fitLayout->addWidget(fitFormula);
    fitLayout->addLayout(m_fitRows.grid);
    fitLayout->addWidget(fitWarning);
    fitLayout->addWidget(fitError);
    fitLayout->addStretch(1);
    // As wide as the widest fit needs, so that choosing one does not widen
    // the window.
    {
        const QFontMetrics metrics = fontMetrics();
        int label = metrics.horizontalAdvance(QStringLiteral("R²:"));
        int formula = 0;
        for (const FitDescription& fit : kFits) {
            for (const FitParameter& row : fit.rows) {
                for (QStringView text : {row.label, row.negativeLabel})
                    label = std::max(label, metrics.horizontalAdvance(text.toString() + u':'));
            }
            formula = std::max(formula, metrics.horizontalAdvance(fit.formula.toString()));
        }
        const int number = metrics.horizontalAdvance(kWidestNumber);
        const int unit = metrics.horizontalAdvance(kWidestUnit);
        const int rows =
            label + number + unit +
            metrics.horizontalAdvance(QStringLiteral("± ") + kWidestNumber + u' ' + kWidestUnit) +
            3 * m_fitRows.grid->horizontalSpacing();
        formula += metrics.horizontalAdvance(QStringLiteral(",  t₀ = ") + kWidestNumber +
                                             QStringLiteral(" min"));
        const QMargins margins = fitLayout->contentsMargins();
        m_fitBox->setMinimumWidth(std::max(rows, formula) + margins.left() + margins.right() +
                                  2 * style()->pixelMetric(QStyle::PM_DefaultFrameWidth));
    }

    // ---- Reference ----
    m_referenceBox = new QGroupBox(QStringLiteral("Vergleichskurve"), this);
    referenceName = new QLabel(kNoReference, m_referenceBox);
    referenceName->setTextInteractionFlags(Qt::TextSelectableByMouse);
    loadReference = new QPushButton(QStringLiteral("Vergleichskurve &laden ..."), m_referenceBox);
    removeReference = new QPushButton(QStringLiteral("&Entfernen"), m_referenceBox);
    loadReference->setAccessibleName(QStringLiteral("Vergleichskurve laden"));
    removeReference->setAccessibleName(QStringLiteral("Vergleichskurve entfernen"));
    auto* referenceLayout = new QGridLayout(m_referenceBox);
    m_referenceSwatch = swatch(referenceColorOn(Qt::black), m_referenceBox);
    referenceLayout->addWidget(m_referenceSwatch, 0, 0);
    referenceLayout->addWidget(referenceName, 0, 1, 1, 2);
    referenceLayout->addWidget(loadReference, 1, 0, 1, 2);
    referenceLayout->addWidget(removeReference, 1, 2);
    referenceLayout->setColumnStretch(1, 1);

    // ---- Buttons ----
    copyResult = new QPushButton(QStringLiteral("Ergebnis &kopieren"), this);
    closeButton = new QPushButton(QStringLiteral("&Schließen"), this);
    copyResult->setAccessibleName(QStringLiteral("Ergebnis kopieren"));
    closeButton->setAccessibleName(QStringLiteral("Auswertung schließen"));
    printReport = new QPushButton(QStringLiteral("Protokoll &drucken ..."), this);
    printReport->setAccessibleName(QStringLiteral("Messprotokoll drucken"));
    saveReportPdf = new QPushButton(QStringLiteral("Als &PDF speichern ..."), this);
    saveReportPdf->setAccessibleName(QStringLiteral("Messprotokoll als PDF speichern"));
    m_note = new QLabel(this);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(copyResult);
    buttons->addWidget(printReport);
    buttons->addWidget(saveReportPdf);
    buttons->addWidget(m_note, 1);
    buttons->addWidget(closeButton);

    // The results, or in their place why there are none.
    auto* results = new QWidget(this);
    auto* columns = new QGridLayout(results);
    columns->setContentsMargins(0, 0, 0, 0);
    columns->addWidget(m_cursorBox, 0, 0);
    columns->addWidget(m_statisticsBox, 1, 0);
    columns->addWidget(m_periodicBox, 2, 0);
    columns->addWidget(m_fitBox, 0, 1, 2, 1);
    columns->addWidget(m_referenceBox, 2, 1);
    columns->setColumnStretch(0, 1);
    columns->setColumnStretch(1, 1);
    auto* notice = new QWidget(this);
    auto* icon = new QLabel(notice);
    const int iconSize = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
    icon->setPixmap(
        style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(iconSize, iconSize));
    auto* noticeRow = new QHBoxLayout;
    noticeRow->addStretch(1);
    noticeRow->addWidget(icon, 0, Qt::AlignTop);
    noticeRow->addSpacing(8);
    noticeRow->addWidget(message, 0, Qt::AlignTop);
    noticeRow->addStretch(1);
    auto* noticeLayout = new QVBoxLayout(notice);
    noticeLayout->addStretch(1);
    noticeLayout->addLayout(noticeRow);
    noticeLayout->addStretch(2);
    m_results = results;
    m_notice = notice;
    m_notice->hide();

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_hint);
    layout->addWidget(m_results, 1);
    layout->addWidget(m_notice, 1);
    layout->addLayout(buttons);

    connect(cursorA, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            emit activeCursorChosen(AnalysisSession::Cursor::A);
    });
    connect(cursorB, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            emit activeCursorChosen(AnalysisSession::Cursor::B);
    });
    connect(fitChoice, &QComboBox::activated, this, [this](int index) {
        const QScopedValueRollback byKey(m_byKey, true);
        emit fitChosen(index > 0 ? std::optional(static_cast<FitKind>(index - 1)) : std::nullopt);
    });
    connect(loadReference, &QPushButton::clicked, this, &AnalysisWindow::referenceRequested);
    connect(removeReference, &QPushButton::clicked, this,
            &AnalysisWindow::referenceRemoveRequested);
    connect(copyResult, &QPushButton::clicked, this, &AnalysisWindow::copyRequested);
    connect(printReport, &QPushButton::clicked, this, &AnalysisWindow::printRequested);
    connect(saveReportPdf, &QPushButton::clicked, this, &AnalysisWindow::pdfRequested);
    connect(closeButton, &QPushButton::clicked, this, &QWidget::close);

    // The arrow keys, Home and End move the active cursor wherever the
    // focus is in the window (a radio button or the box would take them for
    // itself).
    const struct {
        QKeySequence keys;
        int steps;
    } moves[] = {{Qt::Key_Left, -1},
                 {Qt::Key_Right, 1},
                 {Qt::SHIFT | Qt::Key_Left, -kCursorLongStep},
                 {Qt::SHIFT | Qt::Key_Right, kCursorLongStep}};
    for (const auto& move : moves) {
        auto* shortcut = new QShortcut(move.keys, this);
        connect(shortcut, &QShortcut::activated, this, [this, steps = move.steps] {
            const QScopedValueRollback byKey(m_byKey, true);
            emit stepRequested(steps);
        });
    }
    for (const bool last : {false, true}) {
        auto* shortcut = new QShortcut(last ? Qt::Key_End : Qt::Key_Home, this);
        connect(shortcut, &QShortcut::activated, this, [this, last] {
            const QScopedValueRollback byKey(m_byKey, true);
            emit endRequested(last);
        });
    }
    connect(new QShortcut(Qt::Key_Escape, this), &QShortcut::activated, this, &QWidget::close);
}

QLabel* AnalysisWindow::valueLabel(const QString& name) const {
    return m_values.value(name, nullptr);
}

void AnalysisWindow::clearRows(RowSet& set) {
    for (const QString& name : std::as_const(set.names)) {
        m_values.remove(set.prefix + name);
        m_values.remove(set.prefix + QStringLiteral("u_") + name);
    }
    while (QLayoutItem* item = set.grid->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    set.names.clear();
}

QStringList AnalysisWindow::showRows(RowSet& set, const std::vector<ResultRow>& rows) {
    QStringList spoken;
    QStringList names;
    for (const ResultRow& row : rows)
        names << row.name;
    const auto place = [&set](int i) {
        return std::pair{i < set.split ? i : i - set.split, i < set.split ? 0 : 4};
    };
    if (names != set.names) {
        clearRows(set);
        QWidget* owner = set.owner;
        for (int i = 0; i < static_cast<int>(rows.size()); ++i) {
            const auto [gridRow, column] = place(i);
            const QString name = set.prefix + rows[static_cast<std::size_t>(i)].name;
            auto* value = new QLabel(owner);
            value->setObjectName(name);
            value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
            value->setTextInteractionFlags(Qt::TextSelectableByMouse);
            // Wide enough for any number of five digits, so that the
            // columns keep still while the values change.
            value->setMinimumWidth(value->fontMetrics().horizontalAdvance(kWidestNumber));
            auto* uncertainty = new QLabel(owner);
            uncertainty->setObjectName(set.prefix + QStringLiteral("u_") +
                                       rows[static_cast<std::size_t>(i)].name);
            set.grid->addWidget(new QLabel(owner), gridRow, column);
            set.grid->addWidget(value, gridRow, column + 1);
            set.grid->addWidget(new QLabel(owner), gridRow, column + 2);
            set.grid->addWidget(uncertainty, gridRow, column + 3);
            m_values.insert(value->objectName(), value);
            m_values.insert(uncertainty->objectName(), uncertainty);
        }
        set.names = names;
    }
    for (int i = 0; i < static_cast<int>(rows.size()); ++i) {
        const ResultRow& row = rows[static_cast<std::size_t>(i)];
        const auto [gridRow, column] = place(i);
        const auto label = [&](int offset) {
            return static_cast<QLabel*>(
                set.grid->itemAtPosition(gridRow, column + offset)->widget());
        };
        const ValueText text = displayValue(row);
        label(0)->setText(row.label + u':');
        label(1)->setText(text.value);
        label(2)->setText(unitText(row.unit));
        label(3)->setText(uncertaintyText(text, row));
        label(3)->setVisible(row.hasUncertainty());
        // A screen reader reads the row as one: "Statistik: Mittelwert 2,5 V".
        const QString said =
            QStringLiteral("%1 %2 %3 %4")
                .arg(row.label, text.value, unitText(row.unit), uncertaintyText(text, row))
                .simplified();
        label(1)->setAccessibleName(set.group + QStringLiteral(": ") + said);
        spoken << said;
    }
    return spoken;
}

void AnalysisWindow::display(const AnalysisSession* session, const QString& pageName) {
    setWindowTitle(session ? kTitle + QStringLiteral(" – ") + pageName : kTitle);
    m_note->clear();
    const bool usable = session != nullptr && session->available();
    message->setText(session == nullptr ? kNoAnalysis : session->unavailableReason());
    // Shown one for the other in the same place (a stacked widget would
    // take the height of the wrapped message for the results, too).
    m_results->setVisible(usable);
    m_notice->setVisible(!usable);
    m_hint->setVisible(usable);
    copyResult->setEnabled(usable);
    printReport->setEnabled(session != nullptr);
    saveReportPdf->setEnabled(session != nullptr);
    if (!usable) {
        clearRows(m_cursorRows);
        clearRows(m_statisticsRows);
        clearRows(m_periodicRows);
        clearRows(m_fitRows);
        statisticsError->clear();
        periodicError->clear();
        fitError->clear();
        fitFormula->clear();
        fitWarning->hide();
        m_spokenRows.clear();
        return;
    }

    (session->activeCursor() == AnalysisSession::Cursor::A ? cursorA : cursorB)->setChecked(true);
    QStringList spoken = showRows(m_cursorRows, session->cursorRows());

    showRows(m_statisticsRows, session->statisticsResultRows());
    statisticsError->setText(session->statistics() ? QString() : session->statistics().error);
    statisticsError->setVisible(!session->statistics());

    showRows(m_periodicRows, session->periodicResultRows());
    periodicError->setText(session->periodic() ? QString() : session->periodic().error);
    periodicError->setVisible(!session->periodic());

    const std::optional<FitKind> kind = session->fitKind();
    fitChoice->setCurrentIndex(kind ? static_cast<int>(*kind) + 1 : 0);
    const auto& fit = session->fit();
    fitFormula->setText(
        kind ? describe(*kind).formula.toString() +
                   (fit && *fit ? QStringLiteral(",  ") + session->fitOriginText() : QString())
             : QString());
    fitFormula->setVisible(kind.has_value());
    spoken += showRows(m_fitRows, session->fitResultRows());
    fitError->setText(fit && !*fit ? fit->error : QString());
    if (!fitError->text().isEmpty())
        spoken << fitError->text();
    fitError->setVisible(fit && !*fit);
    fitWarning->setVisible(fit && *fit && fit->value->doubtful());

    referenceName->setText(session->reference() ? session->referenceName() : kNoReference);
    referenceName->setAccessibleName(QStringLiteral("Vergleichskurve: ") + referenceName->text());
    removeReference->setEnabled(session->reference().has_value());
    // A key that moved a cursor or chose a fit is answered with what it
    // changed: the cursor's read-outs, the fit's parameters. (The
    // statistics between the cursors are there to be read, not told at
    // every step.)
    if (m_byKey) {
        QStringList changed;
        for (const QString& row : std::as_const(spoken))
            if (!m_spokenRows.contains(row))
                changed << row;
        access::announce(*this, changed.join(QStringLiteral("; ")));
    }
    m_spokenRows = spoken;
    // Rows that came in (a fit, the periodic values) get their room; the
    // width stays.
    if (const int needed = sizeHint().height(); isVisible() && needed > height())
        resize(width(), needed);
}

void AnalysisWindow::setReferenceColor(const QColor& color) {
    m_referenceSwatch->setStyleSheet(
        QStringLiteral("background-color: %1; border: 1px solid palette(dark);").arg(color.name()));
}

void AnalysisWindow::setNote(const QString& text) {
    m_note->setText(text);
    access::announce(*this, text);
}

void AnalysisWindow::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    emit closed();
}

} // namespace zentor::analysis
