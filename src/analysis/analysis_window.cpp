#include "analysis_window.h"

#include "chart_markup.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QStyle>
#include <QVBoxLayout>

#include <cmath>

namespace zentor::analysis {

namespace {

const QString kTitle = QStringLiteral("Auswertung");
const QString kNoAnalysis =
    QStringLiteral("Auf dieser Seite gibt es nichts auszuwerten. Die Auswertung gilt den Seiten "
                   "\"Extern Messen\" (analog), \"Zeitschreiber\" und \"Oszilloskop\".");
const QString kHint = QStringLiteral(
    "Cursor setzen: ins Diagramm klicken oder eine Cursorlinie ziehen. "
    "Pfeiltasten: zum nächsten Messwert (mit Umschalt: zehn weiter), Taste A oder B: Cursor "
    "wählen.");
const QString kNoReference = QStringLiteral("keine");

QString valueText(const ResultRow& row) {
    if (!std::isfinite(row.value))
        return QStringLiteral("—");
    return displayNumber(row.value);
}

QString unitText(const QString& unit) {
    return unit == u"1" ? QString() : unit;
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

AnalysisWindow::AnalysisWindow(QWidget* parent) : QWidget(parent, Qt::Tool) {
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
    auto* choice = new QHBoxLayout;
    choice->addWidget(new QLabel(QStringLiteral("Verschieben:"), m_cursorBox));
    choice->addSpacing(4);
    choice->addWidget(swatch(kCursorAColor, m_cursorBox));
    choice->addWidget(cursorA);
    choice->addSpacing(8);
    choice->addWidget(swatch(kCursorBColor, m_cursorBox));
    choice->addWidget(cursorB);
    choice->addStretch(1);
    m_cursorRows = {m_cursorBox, rowGrid(), QString(), 4, {}};
    auto* cursorLayout = new QVBoxLayout(m_cursorBox);
    cursorLayout->addLayout(choice);
    cursorLayout->addLayout(m_cursorRows.grid);

    // ---- Statistics ----
    m_statisticsBox = new QGroupBox(QStringLiteral("Statistik zwischen A und B"), this);
    m_statisticsRows = {m_statisticsBox, rowGrid(), QStringLiteral("stat_"), 3, {}};
    statisticsError = new QLabel(m_statisticsBox);
    wrapOnLines(statisticsError, 2);
    auto* statisticsLayout = new QVBoxLayout(m_statisticsBox);
    statisticsLayout->addLayout(m_statisticsRows.grid);
    statisticsLayout->addWidget(statisticsError);

    // ---- Fit ----
    m_fitBox = new QGroupBox(QStringLiteral("Ausgleichskurve zwischen A und B"), this);
    fitChoice = new QComboBox(m_fitBox);
    fitChoice->addItem(QStringLiteral("keine"));
    for (FitKind kind : {FitKind::Line, FitKind::Exponential, FitKind::Sine})
        fitChoice->addItem(fitName(kind));
    auto* fitLabel = new QLabel(QStringLiteral("&Kurve:"), m_fitBox);
    fitLabel->setBuddy(fitChoice);
    auto* fitRow = new QHBoxLayout;
    fitRow->addWidget(fitLabel);
    fitRow->addWidget(fitChoice, 1);
    fitFormula = new QLabel(m_fitBox);
    fitFormula->setTextInteractionFlags(Qt::TextSelectableByMouse);
    fitError = new QLabel(m_fitBox);
    wrapOnLines(fitError, 2);
    m_fitRows = {m_fitBox, rowGrid(), QStringLiteral("fit_"), 3, {}};
    auto* fitLayout = new QVBoxLayout(m_fitBox);
    fitLayout->addLayout(fitRow);
    fitLayout->addWidget(fitFormula);
    fitLayout->addLayout(m_fitRows.grid);
    fitLayout->addWidget(fitError);
    fitLayout->addStretch(1);

    // ---- Reference ----
    m_referenceBox = new QGroupBox(QStringLiteral("Vergleichskurve"), this);
    referenceName = new QLabel(kNoReference, m_referenceBox);
    referenceName->setTextInteractionFlags(Qt::TextSelectableByMouse);
    loadReference = new QPushButton(QStringLiteral("Vergleichskurve &laden ..."), m_referenceBox);
    removeReference = new QPushButton(QStringLiteral("&Entfernen"), m_referenceBox);
    auto* referenceLayout = new QGridLayout(m_referenceBox);
    referenceLayout->addWidget(swatch(kReferenceColor, m_referenceBox), 0, 0);
    referenceLayout->addWidget(referenceName, 0, 1, 1, 2);
    referenceLayout->addWidget(loadReference, 1, 0, 1, 2);
    referenceLayout->addWidget(removeReference, 1, 2);
    referenceLayout->setColumnStretch(1, 1);

    // ---- Buttons ----
    copyResult = new QPushButton(QStringLiteral("Ergebnis &kopieren"), this);
    closeButton = new QPushButton(QStringLiteral("&Schließen"), this);
    m_note = new QLabel(this);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(copyResult);
    buttons->addWidget(m_note, 1);
    buttons->addWidget(closeButton);

    // The results, or in their place why there are none.
    auto* results = new QWidget(this);
    auto* columns = new QGridLayout(results);
    columns->setContentsMargins(0, 0, 0, 0);
    columns->addWidget(m_cursorBox, 0, 0);
    columns->addWidget(m_statisticsBox, 1, 0);
    columns->addWidget(m_fitBox, 0, 1);
    columns->addWidget(m_referenceBox, 1, 1);
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
        emit fitChosen(index > 0 ? std::optional(static_cast<FitKind>(index - 1)) : std::nullopt);
    });
    connect(loadReference, &QPushButton::clicked, this, &AnalysisWindow::referenceRequested);
    connect(removeReference, &QPushButton::clicked, this,
            &AnalysisWindow::referenceRemoveRequested);
    connect(copyResult, &QPushButton::clicked, this, &AnalysisWindow::copyRequested);
    connect(closeButton, &QPushButton::clicked, this, &QWidget::close);

    // The arrow keys move the active cursor wherever the focus is in the
    // window (a radio button would take them for itself).
    const struct {
        QKeySequence keys;
        int steps;
    } moves[] = {{Qt::Key_Left, -1},
                 {Qt::Key_Right, 1},
                 {Qt::SHIFT | Qt::Key_Left, -kCursorLongStep},
                 {Qt::SHIFT | Qt::Key_Right, kCursorLongStep}};
    for (const auto& move : moves) {
        auto* shortcut = new QShortcut(move.keys, this);
        connect(shortcut, &QShortcut::activated, this,
                [this, steps = move.steps] { emit stepRequested(steps); });
    }
    connect(new QShortcut(Qt::Key_Escape, this), &QShortcut::activated, this, &QWidget::close);
}

QLabel* AnalysisWindow::valueLabel(const QString& name) const {
    return m_values.value(name, nullptr);
}

void AnalysisWindow::clearRows(RowSet& set) {
    for (const QString& name : std::as_const(set.names))
        m_values.remove(set.prefix + name);
    while (QLayoutItem* item = set.grid->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    set.names.clear();
}

void AnalysisWindow::showRows(RowSet& set, const std::vector<ResultRow>& rows) {
    QStringList names;
    for (const ResultRow& row : rows)
        names << row.name;
    if (names != set.names) {
        clearRows(set);
        QWidget* owner = set.owner;
        for (int i = 0; i < static_cast<int>(rows.size()); ++i) {
            const int gridRow = i < set.split ? i : i - set.split;
            const int column = i < set.split ? 0 : 4;
            auto* label = new QLabel(owner);
            auto* value = new QLabel(owner);
            auto* unit = new QLabel(owner);
            value->setObjectName(set.prefix + rows[static_cast<std::size_t>(i)].name);
            value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
            value->setTextInteractionFlags(Qt::TextSelectableByMouse);
            // Wide enough for any number of five digits, so that the
            // columns keep still while the values change.
            value->setMinimumWidth(
                value->fontMetrics().horizontalAdvance(QStringLiteral("−0,00012345")));
            set.grid->addWidget(label, gridRow, column);
            set.grid->addWidget(value, gridRow, column + 1);
            set.grid->addWidget(unit, gridRow, column + 2);
            m_values.insert(value->objectName(), value);
        }
        set.names = names;
    }
    for (int i = 0; i < static_cast<int>(rows.size()); ++i) {
        const ResultRow& row = rows[static_cast<std::size_t>(i)];
        const int gridRow = i < set.split ? i : i - set.split;
        const int column = i < set.split ? 0 : 4;
        static_cast<QLabel*>(set.grid->itemAtPosition(gridRow, column)->widget())
            ->setText(row.label + u':');
        static_cast<QLabel*>(set.grid->itemAtPosition(gridRow, column + 1)->widget())
            ->setText(valueText(row));
        static_cast<QLabel*>(set.grid->itemAtPosition(gridRow, column + 2)->widget())
            ->setText(unitText(row.unit));
    }
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
    if (!usable) {
        clearRows(m_cursorRows);
        clearRows(m_statisticsRows);
        clearRows(m_fitRows);
        statisticsError->clear();
        fitError->clear();
        fitFormula->clear();
        return;
    }

    (session->activeCursor() == AnalysisSession::Cursor::A ? cursorA : cursorB)->setChecked(true);
    showRows(m_cursorRows, session->cursorRows());

    showRows(m_statisticsRows, session->statisticsResultRows());
    statisticsError->setText(session->statistics() ? QString() : session->statistics().error);
    statisticsError->setVisible(!session->statistics());

    const std::optional<FitKind> kind = session->fitKind();
    fitChoice->setCurrentIndex(kind ? static_cast<int>(*kind) + 1 : 0);
    const auto& fit = session->fit();
    fitFormula->setText(
        kind ? analysis::fitFormula(*kind) +
                   (fit && *fit
                        ? QStringLiteral(",  t₀ = %1 s").arg(displayNumber(fit->value->origin))
                        : QString())
             : QString());
    fitFormula->setVisible(kind.has_value());
    showRows(m_fitRows, session->fitResultRows());
    fitError->setText(fit && !*fit ? fit->error : QString());
    fitError->setVisible(fit && !*fit);

    referenceName->setText(session->reference() ? session->referenceName() : kNoReference);
    removeReference->setEnabled(session->reference().has_value());
}

void AnalysisWindow::setNote(const QString& text) {
    m_note->setText(text);
}

void AnalysisWindow::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    emit closed();
}

} // namespace zentor::analysis
