#include "program_page.h"

#include "announcer.h"
#include "background_save.h"
#include "compiler.h"
#include "dialogs.h"
#include "instruction_lookup.h"
#include "link.h"
#include "listing_check.h"
#include "monitor_box.h"
#include "palettes.h"
#include "program_editor_widgets.h"
#include "program_file.h"
#include "program_transfer.h"
#include "shell.h"
#include "widget_access.h"

#include <QAbstractItemView>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGroupBox>
#include <QMenu>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include <algorithm>
#include <array>

using zentor::InsertionKind;
using zentor::Link;

namespace zentor {

// The page's transfer on the link thread, with the view that carries what it
// shows over to the page.
struct TransferOnLink {
    ReportingTransferView view;
    ProgramTransfer transfer{view};
};

} // namespace zentor

namespace {

// Runs step(transfer) on the link thread, with the time-out configured now;
// what the transfer shows on the way reaches `widgets` while `page` exists.
template <typename Step>
auto runTransfer(const std::shared_ptr<zentor::TransferOnLink>& onLink, int maxTimeout,
                 Link::Kind kind, QObject* page, zentor::TransferView& widgets, Step step) {
    auto pending = Link::instance().run(
        [onLink, maxTimeout, step = std::move(step)] {
            onLink->view.beginExchange(maxTimeout);
            return step(onLink->transfer);
        },
        kind);
    pending.reports(page, [&widgets](const zentor::ExchangeReport& report) {
        zentor::showReport(report, widgets);
    });
    return pending;
}

// A read-back as it reaches the page: nothing to install when it failed or
// the user cancelled it.
struct ReadBack {
    std::optional<zentor::ReadBackResult> result;
    bool cancelled = false;
};

// ---- Texts ---------------------------------------------------------------------

const QString kCaption = QStringLiteral("Zentor");
const QString kCaptionWithFile = QStringLiteral("Zentor - ");
const QString kConfirmNew = QStringLiteral("Programm löschen?");
const QString kConfirmReplace =
    QStringLiteral("Das Programm wurde geändert. Durch das Beispiel ersetzen?");
const QString kPaletteHint = QStringLiteral("Doppelklick oder ins Listing ziehen");
const QString kNumberHint = QStringLiteral("Eingabe Zahl 0..255");
// A name typed without an extension is saved with ".sp2": both are listed.
const QString kFileFilter = QStringLiteral("Zentor-Dateien (*.z *.sp2)");
const QString kDefaultSuffix = QStringLiteral("sp2");
// Said after a line went into the listing: "eingefügt: Delay = 250".
const QString kInsertedPrefix = QStringLiteral("eingefügt: ");
const QString kEndLine = QStringLiteral("\tEnd");
const QString kCancelledAfterUpload = QStringLiteral(
    "Abgebrochen: Das Programm ist übertragen, aber nicht geprüft und nicht gestartet.");
const QString kRecorderBusy = QStringLiteral("Zeitschreiber noch aktiv!");

QString cannotOpenMessage(const QString& path) {
    return QStringLiteral("Die Datei \"%1\" kann nicht geöffnet werden.")
        .arg(QDir::toNativeSeparators(path));
}

QString nulLineMessage(int line) {
    return QStringLiteral("Zeile %1 enthält ein Nullbyte: das ist keine Programmdatei.").arg(line);
}

QString cannotSaveMessage(const QString& path) {
    return QStringLiteral("Die Datei \"%1\" kann nicht gespeichert werden.")
        .arg(QDir::toNativeSeparators(path));
}

// The listing when the window is created.
const QStringList kInitialListing{QStringLiteral("L1: Testprogramm"), QStringLiteral("\tDelay 250"),
                                  QStringLiteral("\tBeep"), QStringLiteral("\tGoto L1:")};

// ---- Palettes ------------------------------------------------------------------

using zentor::ConstantRow;
using zentor::kConstantRows;
const QStringList& kArithmetic = zentor::kArithmeticPalette;
const QStringList& kAssignments = zentor::kAssignmentPalette;
const QStringList& kInputOutput = zentor::kInputOutputPalette;
const QStringList& kJumps = zentor::kJumpPalette;
const QStringList& kReturnEnd = zentor::kReturnEndPalette;
const QStringList& kComment = zentor::kCommentPalette;

const char* const kTagProperty = "Tag";

// ---- Look ------------------------------------------------------------------------

const QColor kNavy(0, 0, 128);
const QColor kListingBackground(224, 240, 255);
const QColor kPaletteBackground(166, 202, 240);
const QColor kInfoBackground(255, 255, 225);
// The monitor listens in slices so that it never holds the link for long;
// between two slices the link is free for a moment.
constexpr std::chrono::milliseconds kListenSlice{250};
constexpr int kListenGapMs = 30;
// Lines the board skips; readable on the listing's background.
const QColor kSkippedLine(96, 96, 96);
constexpr int kListingRowHeight = 15;
constexpr int kPaletteRowHeight = 16;
constexpr int kListingFontPixels = 13;
constexpr int kPaletteFontPixels = 13;
// Tab stops every 24 dialog units: a dialog unit is a quarter of the
// average character width.
constexpr int kTabStopDialogUnits = 24;

// Page layout in pixels (page area 769 x 475).
constexpr int kMargin = 6;
constexpr int kListingWidth = 256;
constexpr int kListcodeWidth = 100;
constexpr int kGroupTitle = 18; // list top inside a group box
constexpr int kGroupPadding = 6;
constexpr int kGroupGap = 4;
constexpr int kNumberFieldWidth = 28;
constexpr int kButtonHeight = 23;
constexpr int kButtonPitch = 27;

int kindOf(const QObject* object) {
    return object->property(kTagProperty).toInt();
}

// ---- Replaceable dialogs ------------------------------------------------------------

QString& lastDirectory() {
    static QString directory;
    return directory;
}

QString showFileDialog(QWidget* parent, ProgramPage::FileDialogKind kind) {
    QFileDialog* dialog = ProgramPage::createFileDialog(parent, kind);
    QString chosen;
    if (dialog->exec() == QDialog::Accepted && !dialog->selectedFiles().isEmpty()) {
        chosen = dialog->selectedFiles().front();
        lastDirectory() = dialog->directory().absolutePath();
    }
    delete dialog;
    return chosen;
}

bool showConfirmBox(QWidget* parent, const QString& caption, const QString& text) {
    QMessageBox box(QMessageBox::Warning, caption, text, QMessageBox::Ok | QMessageBox::Cancel,
                    parent);
    box.setDefaultButton(QMessageBox::Ok);
    box.setEscapeButton(QMessageBox::Cancel);
    return box.exec() == QMessageBox::Ok;
}

ProgramPage::FileDialogHandler& fileDialogHandler() {
    static ProgramPage::FileDialogHandler handler = showFileDialog;
    return handler;
}

ProgramPage::ConfirmHandler& confirmHandler() {
    static ProgramPage::ConfirmHandler handler = showConfirmBox;
    return handler;
}

// A name given without an extension gets the default one, as the save
// dialog does; tests choose names without the dialog.
QString withDefaultSuffix(const QString& path) {
    const QFileInfo info(path);
    if (info.suffix().isEmpty() && !info.fileName().endsWith(u'.'))
        return path + u'.' + kDefaultSuffix;
    return path;
}

void setListColours(QWidget* widget, const QColor& text, const QColor& background) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Base, background);
    // The disabled text keeps the style's grey, so that a disabled list (the
    // jump palette without a target) shows that it offers nothing.
    palette.setColor(QPalette::Active, QPalette::Text, text);
    palette.setColor(QPalette::Inactive, QPalette::Text, text);
    widget->setPalette(palette);
}

} // namespace

// ---- Construction -------------------------------------------------------------------

ProgramPage::ProgramPage(Shell& shell, QWidget* parent)
    : QWidget(parent), m_shell(shell), m_listing(new ListingBox(this)) {
    ListBox1 = m_listing;
    createControls();
    createRunGroup();
    connectEditor();
    connectRunGroup();

    for (const QString& entry : zentor::listOpTexts())
        ListOP->addItem(entry);
    m_listing->addItems(kInitialListing);
    m_fileLines = kInitialListing;
    showLabelPool();
    ListBox6->setEnabled(false);
    followListingWithAutosave();
}

void ProgramPage::followListingWithAutosave() {
    // Every change of the listing reaches the autosave shortly after it, so
    // that a crash or a power cut loses at most that moment's work. The
    // first change arms the timer; later ones ride along with it.
    m_autosavedLines = listingLines();
    m_autosaveQueuedLines = m_autosavedLines;
    m_autosaver = std::make_unique<zentor::BackgroundSave>();
    m_autosaveTimer = new QTimer(this);
    m_autosaveTimer->setSingleShot(true);
    m_autosaveTimer->setInterval(kAutosaveDelayMs);
    connect(m_autosaveTimer, &QTimer::timeout, this, &ProgramPage::autosaveIfChanged);
    // The timer, not the page, receives the changes: the listing empties
    // itself while the page is destroyed, when the page is no page any more.
    QTimer* timer = m_autosaveTimer;
    const auto listingChanged = [timer] {
        if (!timer->isActive())
            timer->start();
    };
    QAbstractItemModel* model = m_listing->model();
    connect(model, &QAbstractItemModel::rowsInserted, timer, listingChanged);
    connect(model, &QAbstractItemModel::rowsRemoved, timer, listingChanged);
    connect(model, &QAbstractItemModel::rowsMoved, timer, listingChanged);
    connect(model, &QAbstractItemModel::dataChanged, timer, listingChanged);
    connect(model, &QAbstractItemModel::modelReset, timer, listingChanged);
    connect(model, &QAbstractItemModel::layoutChanged, timer, listingChanged);
}

void ProgramPage::autosaveIfChanged() {
    const QStringList lines = listingLines();
    if (lines == m_autosaveQueuedLines || m_autosaveHeld)
        return;
    // The file is written on the saver's thread; the page hears of it here.
    m_autosaveQueuedLines = lines;
    const quint64 request = ++m_autosaveRequests;
    ++m_autosavesPending;
    m_autosaver->save(zentor::autosavePath(), zentor::programFileBytes(lines, m_fileEncoding))
        .then(this, [this, request, lines](const std::optional<zentor::SaveResult>& saved) {
            --m_autosavesPending;
            if (saved)
                autosaveDone(request, lines, *saved);
        });
}

void ProgramPage::autosaveDone(quint64 request, const QStringList& lines,
                               const zentor::SaveResult& saved) {
    // A save at exit (or another later one) has settled the file meanwhile.
    if (request <= m_autosaveSettled)
        return;
    m_autosaveSettled = request;
    if (saved) {
        m_autosavedLines = lines;
        m_autosaveFailureShown = false;
        return;
    }
    // The next change tries again: the lines on disk are still the old ones.
    if (request == m_autosaveRequests)
        m_autosaveQueuedLines = m_autosavedLines;
    // Told once; after a success a new failure is told again.
    if (m_autosaveFailureShown)
        return;
    m_autosaveFailureShown = true;
    dialogs::error(window(),
                   saved.explained(QStringLiteral("Das Programm kann nicht automatisch gesichert "
                                                  "werden: \"%1\"")
                                       .arg(QDir::toNativeSeparators(zentor::autosavePath()))));
}

bool ProgramPage::autosavePending() const {
    return m_autosaveTimer->isActive() || m_autosavesPending > 0;
}

PaletteBox* ProgramPage::createPalette(QWidget* parent, const char* name, int tag,
                                       const QStringList& entries, const QRect& geometry) {
    auto* palette = new PaletteBox(parent);
    palette->setObjectName(QString::fromLatin1(name));
    palette->setProperty(kTagProperty, tag);
    palette->setToolTip(kPaletteHint);
    QFont font = this->font();
    font.setPixelSize(kPaletteFontPixels);
    font.setBold(true);
    palette->setFont(font);
    palette->setItemDelegate(new ListRowDelegate(kPaletteRowHeight, 0, palette));
    palette->setUniformItemSizes(true);
    palette->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setListColours(
        palette,
        zentor::access::readableOn(kPaletteBackground, palette->palette().color(QPalette::Text)),
        kPaletteBackground);
    palette->addItems(entries);
    palette->setGeometry(geometry);
    return palette;
}

void ProgramPage::createControls() {
    // The listing.
    m_listing->setObjectName(QStringLiteral("ListBox1"));
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    fixed.setPixelSize(kListingFontPixels);
    m_listing->setFont(fixed);
    const qreal tabStop = QFontMetricsF(fixed).averageCharWidth() * kTabStopDialogUnits / 4.0;
    m_listing->setItemDelegate(new ListRowDelegate(kListingRowHeight, tabStop, m_listing));
    m_listing->setUniformItemSizes(true);
    setListColours(m_listing, kNavy, kListingBackground);
    m_listing->viewport()->setCursor(Qt::PointingHandCursor);
    m_listing->setGeometry(kMargin, kMargin, kListingWidth, 475 - 2 * kMargin);
    m_listing->setContextMenuPolicy(Qt::CustomContextMenu);

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    Delete1 = PopupMenu1->addAction(QStringLiteral("&Löschen"));
    Delete1->setObjectName(QStringLiteral("Delete1"));

    // The compiled code beside the listing, hidden until the corner click.
    Listcode = new QListWidget(this);
    Listcode->setObjectName(QStringLiteral("Listcode"));
    Listcode->setFont(fixed);
    Listcode->setItemDelegate(new ListRowDelegate(kListingRowHeight, tabStop, Listcode));
    Listcode->setSelectionMode(QAbstractItemView::NoSelection);
    Listcode->setFocusPolicy(Qt::NoFocus);
    Listcode->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setListColours(Listcode, kNavy, kListingBackground);
    Listcode->setGeometry(kMargin + kListingWidth - kListcodeWidth, kMargin, kListcodeWidth,
                          475 - 2 * kMargin);
    Listcode->hide();

    ListOP = new QListWidget(this);
    ListOP->setObjectName(QStringLiteral("ListOP"));
    ListOP->hide();

    ButtonComp = new QPushButton(QStringLiteral("ButtonComp"), this);
    ButtonComp->setObjectName(QStringLiteral("ButtonComp"));
    ButtonComp->hide();

    // Palettes in four columns right of the listing.
    auto listHeight = [](int rows) { return rows * kPaletteRowHeight + 4; };
    auto group = [this](const QString& caption, int x, int y, int width, int height) {
        auto* box = new QGroupBox(caption, this);
        box->setGeometry(x, y, width, height);
        return box;
    };
    auto groupHeight = [&](int rows) { return kGroupTitle + listHeight(rows) + kGroupPadding; };

    const int columnA = kMargin + kListingWidth + 6;
    const int widthA = 112;
    const int columnB = columnA + widthA + 4;
    const int widthB = 124;
    const int columnC = columnB + widthB + 4;
    const int widthC = 136;
    const int columnD = columnC + widthC + 4;
    const int widthD = 769 - kMargin - columnD;

    int y = 2;
    QGroupBox* box = group(QStringLiteral("Rechenbefehle"), columnA, y, widthA,
                           groupHeight(static_cast<int>(kArithmetic.size())));
    ListBox2 = createPalette(box, "ListBox2", static_cast<int>(InsertionKind::Plain), kArithmetic,
                             {kGroupPadding, kGroupTitle, widthA - 2 * kGroupPadding,
                              listHeight(static_cast<int>(kArithmetic.size()))});
    y += box->height() + kGroupGap;
    box = group(QStringLiteral("Ein-/Ausgaben"), columnA, y, widthA,
                groupHeight(static_cast<int>(kInputOutput.size())));
    ListBox5 = createPalette(box, "ListBox5", static_cast<int>(InsertionKind::Plain), kInputOutput,
                             {kGroupPadding, kGroupTitle, widthA - 2 * kGroupPadding,
                              listHeight(static_cast<int>(kInputOutput.size()))});
    // The code column's switch, where a learner sees it; the corner click
    // of the listing toggles the same column.
    CheckBoxCode = new QCheckBox(QStringLiteral("Code anzeigen"), this);
    CheckBoxCode->setObjectName(QStringLiteral("CheckBoxCode"));
    CheckBoxCode->setToolTip(
        QStringLiteral("Zeigt neben dem Listing Adresse, Befehlsbyte und Zahl jedes Befehls"));
    CheckBoxCode->setGeometry(columnA + kGroupPadding, y + box->height() + kGroupGap, widthA + 80,
                              20);

    y = 2;
    box = group(QStringLiteral("Inhalte zuweisen"), columnB, y, widthB,
                groupHeight(static_cast<int>(kAssignments.size())));
    ListBox15 =
        createPalette(box, "ListBox15", static_cast<int>(InsertionKind::Plain), kAssignments,
                      {kGroupPadding, kGroupTitle, widthB - 2 * kGroupPadding,
                       listHeight(static_cast<int>(kAssignments.size()))});
    y += box->height() + kGroupGap;
    const int jumpRows = static_cast<int>(kJumps.size() + kReturnEnd.size() + kComment.size());
    box = group(QStringLiteral("Sprungbefehle"), columnB, y, widthB,
                groupHeight(jumpRows) + 2 * listHeight(0) + 2 * kGroupGap);
    int inner = kGroupTitle;
    const int jumpWidth = widthB - 2 * kGroupPadding;
    ListBox6 = createPalette(
        box, "ListBox6", static_cast<int>(InsertionKind::Jump), kJumps,
        {kGroupPadding, inner, jumpWidth, listHeight(static_cast<int>(kJumps.size()))});
    inner += ListBox6->height() + kGroupGap;
    ListBox7 = createPalette(
        box, "ListBox7", static_cast<int>(InsertionKind::Plain), kReturnEnd,
        {kGroupPadding, inner, jumpWidth, listHeight(static_cast<int>(kReturnEnd.size()))});
    inner += ListBox7->height() + kGroupGap;
    ListBox14 = createPalette(
        box, "ListBox14", static_cast<int>(InsertionKind::Comment), kComment,
        {kGroupPadding, inner, jumpWidth, listHeight(static_cast<int>(kComment.size()))});

    // Constants: the row entries with a number field beside each row.
    QStringList prefixes;
    for (const ConstantRow& row : kConstantRows)
        prefixes << QString::fromLatin1(row.prefix);
    y = 2;
    QGroupBox* constants = group(QStringLiteral("Konstanten zuweisen"), columnC, y, widthC,
                                 groupHeight(static_cast<int>(prefixes.size())));
    const int constantsWidth = widthC - 2 * kGroupPadding - kNumberFieldWidth - 2;
    ListBox3 =
        createPalette(constants, "ListBox3", static_cast<int>(InsertionKind::ConstantRow), prefixes,
                      {kGroupPadding, kGroupTitle, constantsWidth,
                       listHeight(static_cast<int>(prefixes.size()))});
    QFont bold = font();
    bold.setBold(true);
    const int firstRowTop = kGroupTitle + ListBox3->frameWidth();
    for (std::size_t k = 0; k < kConstantRows.size(); ++k) {
        auto* field = new NumberField(constants);
        field->setObjectName(QString::fromLatin1(kConstantRows[k].field));
        field->setProperty(kTagProperty, static_cast<int>(InsertionKind::NumberField));
        field->setText(QString::fromLatin1(kConstantRows[k].initial));
        field->setFrame(false);
        field->setFont(bold);
        field->setToolTip(kNumberHint);
        QPalette palette = field->palette();
        palette.setColor(QPalette::Base, kInfoBackground);
        palette.setColor(QPalette::Text, zentor::access::readableOn(kInfoBackground,
                                                                    palette.color(QPalette::Text)));
        field->setPalette(palette);
        field->setGeometry(kGroupPadding + constantsWidth + 2,
                           firstRowTop + static_cast<int>(k) * kPaletteRowHeight, kNumberFieldWidth,
                           kPaletteRowHeight);
        m_numberFields.append(field);
    }
    EditA = m_numberFields[0];
    EditB = m_numberFields[1];
    EditC = m_numberFields[2];
    EditD = m_numberFields[3];
    EditDelay = m_numberFields[4];
    EditPWM = m_numberFields[5];
    EditPdir = m_numberFields[6];
    EditPort = m_numberFields[7];
    EditAnd = m_numberFields[8];
    EditOr = m_numberFields[9];

    // The label pool and the comment field.
    y = 2;
    box = group(QStringLiteral("Verfügbare Labels"), columnD, y, widthD,
                groupHeight(static_cast<int>(zentor::allLabelKeys().size())));
    ListBox13 = createPalette(box, "ListBox13", static_cast<int>(InsertionKind::Label), {},
                              {kGroupPadding, kGroupTitle, widthD - 2 * kGroupPadding,
                               listHeight(static_cast<int>(zentor::allLabelKeys().size()))});
    y += box->height() + kGroupGap;
    box = group(QStringLiteral("Sprungziele/Labels"), columnD, y, widthD, 78);
    ComboBox7 = new QComboBox(box);
    ComboBox7->setObjectName(QStringLiteral("ComboBox7"));
    ComboBox7->setEditable(false);
    ComboBox7->setGeometry(kGroupPadding, kGroupTitle, widthD - 2 * kGroupPadding, 22);
    ComboBox7->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    ComboBox7->view()->setMinimumWidth(200);
    Edit3 = new QLineEdit(box);
    Edit3->setObjectName(QStringLiteral("Edit3"));
    // A longer comment would make the label line too long for the jumps that
    // name it.
    Edit3->setMaxLength(static_cast<int>(zentor::kMaxLabelComment));
    Edit3->setGeometry(kGroupPadding, kGroupTitle + 26, widthD - 2 * kGroupPadding, 22);
    // Palette entries go into the listing only.
    Edit3->setAcceptDrops(false);

    // "Ausgabe der Platine" below the jump targets, shown once a program runs.
    y += box->height() + kGroupGap;
    monitor = new MonitorBox(this);
    monitor->setGeometry(columnD, y, widthD, 475 - kMargin - y);
    monitor->hide();

    // The group "Ausführen" below the constants.
    GroupBoxRun = group(QStringLiteral("Ausführen"), columnC, constants->height() + 2 + kGroupGap,
                        widthC, kGroupTitle + 6 * kButtonPitch + 22 + kGroupPadding);
}

void ProgramPage::createRunGroup() {
    GroupBoxRun->setObjectName(QStringLiteral("GroupBoxRun"));
    const int width = GroupBoxRun->width() - 2 * kGroupPadding;
    int y = kGroupTitle;
    auto button = [&](const QString& caption, const char* name) {
        auto* b = new QPushButton(caption, GroupBoxRun);
        b->setObjectName(QString::fromLatin1(name));
        b->setGeometry(kGroupPadding, y, width, kButtonHeight);
        y += kButtonPitch;
        return b;
    };
    ButtonSend = button(QStringLiteral("&Send && Start"), "ButtonSend");
    ButtonRUN = button(QStringLiteral("St&art"), "ButtonRUN");
    B1 = button(QStringLiteral("St&op"), "B1");
    Button15 = button(QStringLiteral("&Break"), "Button15");
    Button16 = button(QStringLiteral("&Continue"), "Button16");
    ProgressBar2 = new QProgressBar(GroupBoxRun);
    ProgressBar2->setObjectName(QStringLiteral("ProgressBar2"));
    ProgressBar2->setGeometry(kGroupPadding, y, width, 16);
    ProgressBar2->setTextVisible(false);
    ProgressBar2->setRange(0, 100);
    ProgressBar2->setValue(0);
    y += 22;
    ButtonDiss = button(QStringLiteral("&Read"), "ButtonDiss");
    ButtonDiss->hide();
}

ProgramPage::~ProgramPage() = default;

void ProgramPage::connectRunGroup() {
    m_transferView = std::make_unique<zentor::WidgetTransferView>(m_shell, ProgressBar2, this);
    m_onLink = std::make_shared<zentor::TransferOnLink>();
    followLink(Link::instance().commandRunning());
    connect(&Link::instance(), &Link::commandsRunningChanged, this, &ProgramPage::followLink);
    connect(ButtonSend, &QPushButton::clicked, this, &ProgramPage::ButtonSendClick);
    connect(ButtonRUN, &QPushButton::clicked, this, &ProgramPage::ButtonRUNClick);
    connect(B1, &QPushButton::clicked, this, &ProgramPage::B1Click);
    connect(Button15, &QPushButton::clicked, this, &ProgramPage::Button15Click);
    connect(Button16, &QPushButton::clicked, this, &ProgramPage::Button16Click);
    connect(ButtonDiss, &QPushButton::clicked, this, &ProgramPage::ButtonDissClick);
    createMonitor();
}

// ---- "Ausgabe der Platine" ------------------------------------------------------------

void ProgramPage::createMonitor() {
    connect(monitor, &MonitorBox::sendRequested, this, &ProgramPage::MonitorSendClick);
    m_listenGap = new QTimer(this);
    m_listenGap->setSingleShot(true);
    m_listenGap->setInterval(kListenGapMs);
    connect(m_listenGap, &QTimer::timeout, this, [this] {
        m_listenQueued = false;
        listenToProgram();
    });
    // An exchange of this page or another one ended: listen again if the
    // program still runs.
    connect(&Link::instance(), &Link::busyChanged, this, [this](bool busy) {
        if (!busy)
            listenToProgram();
    });
}

void ProgramPage::programStarted() {
    monitor->clearLog();
    monitor->show();
    m_programClock.start();
    setMonitorState(MonitorState::Running);
}

void ProgramPage::setMonitorState(MonitorState state) {
    m_monitorState = state;
    monitor->setSendingEnabled(state == MonitorState::Running);
    listenToProgram();
}

void ProgramPage::listenToProgram() {
    Link& link = Link::instance();
    if (m_monitorState != MonitorState::Running || m_listenQueued || !isVisible() || link.busy())
        return;
    m_listenQueued = true;
    link.run([] { return zentor::listenForPrints(kListenSlice); }, Link::Kind::Background)
        .then(this, [this](const zentor::PrintedChunk& chunk) {
            const qint64 now = m_programClock.elapsed();
            const auto steadyNow = std::chrono::steady_clock::now();
            for (std::size_t k = 0; k < chunk.values.size(); ++k) {
                const auto age = std::chrono::duration_cast<std::chrono::milliseconds>(
                    steadyNow - chunk.times[k]);
                monitor->append({std::max<qint64>(0, now - age.count()), chunk.values[k]});
            }
            if (chunk.portClosed) {
                m_listenQueued = false;
                setMonitorState(MonitorState::Off);
                return;
            }
            // A short pause between two slices lets whatever else waits for
            // the link have it first.
            m_listenGap->start();
        });
}

void ProgramPage::MonitorSendClick(int value) {
    if (m_monitorState != MonitorState::Running)
        return;
    // A command: it ends the listening slice first; listening resumes once
    // the link is idle again.
    Link::instance().run([value] { zentor::sendToProgram(value); }, Link::Kind::Command);
}

void ProgramPage::connectEditor() {
    m_listing->onDragOver = [this](QObject* source, const QPoint& pos) {
        return ListBox1DragOver(source, pos);
    };
    m_listing->onDrop = [this](QObject* source, const QPoint& pos) {
        ListBox1DragDrop(source, pos);
    };
    connect(m_listing, &ListingBox::keyDown, this, &ProgramPage::ListBox1KeyDown);
    connect(m_listing, &ListingBox::keyUp, this, &ProgramPage::ListBox1KeyUp);
    connect(m_listing, &ListingBox::mouseDown, this, &ProgramPage::ListBox1MouseDown);
    connect(m_listing, &ListingBox::mouseUp, this, &ProgramPage::ListBox1MouseUp);
    connect(m_listing, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        PopupMenu1->popup(m_listing->viewport()->mapToGlobal(pos));
    });
    connect(Delete1, &QAction::triggered, this, &ProgramPage::Delete1Click);
    connect(ButtonComp, &QPushButton::clicked, this, &ProgramPage::ButtonCompClick);
    connect(CheckBoxCode, &QCheckBox::toggled, this, &ProgramPage::setListcodeVisible);

    const std::array<std::pair<PaletteBox*, void (ProgramPage::*)()>, 8> clicks{{
        {ListBox2, &ProgramPage::ListBox2Click},
        {ListBox15, &ProgramPage::ListBox15Click},
        {ListBox5, &ProgramPage::ListBox5Click},
        {ListBox3, &ProgramPage::ListBox3Click},
        {ListBox6, &ProgramPage::ListBox6Click},
        {ListBox7, &ProgramPage::ListBox7Click},
        {ListBox14, &ProgramPage::ListBox14Click},
        {ListBox13, &ProgramPage::ListBox13Click},
    }};
    for (const auto& [palette, handler] : clicks) {
        // On press, not on release: an entry dragged out of a palette is
        // chosen as well.
        connect(palette, &QAbstractItemView::pressed, this, handler);
        connect(palette, &QAbstractItemView::doubleClicked, this,
                [this, p = palette] { Add2Click(p); });
        // By keyboard: Return or Space inserts, as a double-click does.
        connect(palette, &PaletteBox::entryChosen, this, [this, p = palette] { Add2Click(p); });
    }
    // Reaching the labels or "Rem" by Tab opens the comment field, which
    // comes next in the tab order, as a click into them does; the focus
    // stays in the list. (Focus that moves on because a list was disabled
    // comes with the same reason, so nothing is closed here.)
    for (PaletteBox* palette : {ListBox13, ListBox14})
        connect(palette, &PaletteBox::enteredByKeyboard, this, [this] { Edit3->setEnabled(true); });
    for (NumberField* field : m_numberFields) {
        connect(field, &NumberField::clicked, this, [this, field] { EditAClick(field); });
        connect(field, &NumberField::doubleClicked, this, [this, field] { Add2Click(field); });
        connect(field, &QLineEdit::returnPressed, this, [this, field] { EditAKeyPress(field); });
        connect(field, &QLineEdit::textChanged, this, [this, field] { EditAChange(field); });
    }

    // The user's choices in the two label lists are the pool's selections.
    connect(ListBox13, &QListWidget::itemSelectionChanged, this, [this] {
        if (m_showingPool)
            return;
        const QList<QListWidgetItem*> items = ListBox13->selectedItems();
        m_pool.selectFreeKey(items.isEmpty() ? -1 : ListBox13->row(items.front()));
    });
    connect(ComboBox7, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (!m_showingPool)
            m_pool.selectTarget(index);
    });
}

// ---- Listing ------------------------------------------------------------------------

QStringList ProgramPage::listingLines() const {
    QStringList lines;
    lines.reserve(m_listing->count());
    for (int row = 0; row < m_listing->count(); ++row)
        lines.append(m_listing->item(row)->text());
    return lines;
}

QStringList ProgramPage::copyLines() const {
    return listingLines();
}

QStringList ProgramPage::codeList() const {
    QStringList lines;
    lines.reserve(Listcode->count());
    for (int row = 0; row < Listcode->count(); ++row)
        lines.append(Listcode->item(row)->text());
    return lines;
}

int ProgramPage::selectedRow() const {
    const QList<QListWidgetItem*> items = m_listing->selectedItems();
    return items.isEmpty() ? -1 : m_listing->row(items.front());
}

void ProgramPage::selectRow(int row) {
    if (row < 0 || row >= m_listing->count()) {
        m_listing->clearSelection();
        m_listing->setCurrentRow(-1);
        return;
    }
    m_listing->setCurrentRow(row);
    m_listing->scrollToItem(m_listing->item(row));
}

void ProgramPage::setListingLines(const QStringList& lines) {
    m_listing->clear();
    m_listing->addItems(lines);
    selectRow(-1);
}

bool ProgramPage::listingDragEnabled() const {
    return m_listing->dragEnabled();
}

void ProgramPage::insertLine(int row, const QString& line) {
    if (row < 0 || row > m_listing->count())
        m_listing->addItem(line);
    else
        m_listing->insertItem(row, line);
}

// ---- Palettes and number fields --------------------------------------------------

QList<PaletteBox*> ProgramPage::palettes() const {
    return {ListBox2, ListBox15, ListBox5, ListBox3, ListBox6, ListBox7, ListBox14, ListBox13};
}

NumberField* ProgramPage::numberFieldOfRow(int row) const {
    return row >= 0 && row < m_numberFields.size() ? m_numberFields[row] : nullptr;
}

int ProgramPage::rowOfNumberField(const QObject* field) const {
    for (int row = 0; row < m_numberFields.size(); ++row)
        if (m_numberFields[row] == field)
            return row;
    return -1;
}

bool ProgramPage::isOwnSource(const QObject* source) const {
    if (source == nullptr)
        return false;
    if (source == m_listing)
        return true;
    const QList<PaletteBox*> all = palettes();
    return std::find(all.begin(), all.end(), source) != all.end();
}

QString ProgramPage::lineFrom(QObject* source) const {
    if (source == nullptr)
        return {};
    const auto kind = static_cast<InsertionKind>(kindOf(source));
    if (kind == InsertionKind::NumberField) {
        const int row = rowOfNumberField(source);
        if (row < 0)
            return {};
        return zentor::buildListingLine(kind, ListBox3->item(row)->text(),
                                        m_numberFields[row]->text())
            .value_or(QString());
    }
    const auto* palette = qobject_cast<const PaletteBox*>(source);
    if (palette == nullptr)
        return {};
    const QString entry = palette->selectedEntry();
    QString extra;
    switch (kind) {
    case InsertionKind::Jump:
        extra = ComboBox7->currentText();
        break;
    case InsertionKind::Label:
    case InsertionKind::Comment:
        extra = Edit3->text();
        break;
    case InsertionKind::ConstantRow:
        if (const NumberField* field =
                numberFieldOfRow(palette->row(palette->selectedItems().value(0))))
            extra = field->text();
        break;
    default:
        break;
    }
    return zentor::buildListingLine(kind, entry, extra).value_or(QString());
}

void ProgramPage::paletteClicked(PaletteBox* palette) {
    for (PaletteBox* other : palettes())
        if (other != palette)
            other->clearSelection();
    if (palette == ListBox13 || palette == ListBox14) {
        Edit3->setEnabled(true);
        Edit3->setFocus();
        Edit3->selectAll();
    } else {
        Edit3->setEnabled(false);
    }
}

void ProgramPage::ListBox2Click() {
    paletteClicked(ListBox2);
}
void ProgramPage::ListBox15Click() {
    paletteClicked(ListBox15);
}
void ProgramPage::ListBox5Click() {
    paletteClicked(ListBox5);
}
void ProgramPage::ListBox3Click() {
    paletteClicked(ListBox3);
}
void ProgramPage::ListBox6Click() {
    paletteClicked(ListBox6);
}
void ProgramPage::ListBox7Click() {
    paletteClicked(ListBox7);
}
void ProgramPage::ListBox14Click() {
    paletteClicked(ListBox14);
}
void ProgramPage::ListBox13Click() {
    paletteClicked(ListBox13);
}

void ProgramPage::EditAClick(QObject* field) {
    const int row = rowOfNumberField(field);
    if (row < 0)
        return;
    ListBox3Click();
    ListBox3->setCurrentRow(row);
}

void ProgramPage::EditAChange(QObject* object) {
    auto* field = qobject_cast<QLineEdit*>(object);
    if (field == nullptr || m_limitingField)
        return;
    const QString text = field->text();
    // The fields show letters in upper case (hexadecimal digits).
    const zentor::LimitedField limited =
        zentor::limitNumberField(text.toUpper(), field->cursorPosition());
    if (limited.text == text)
        return;
    m_limitingField = true;
    field->setText(limited.text);
    field->setCursorPosition(limited.caret);
    m_limitingField = false;
}

void ProgramPage::EditAKeyPress(QObject* field) {
    Add2Click(field);
}

// ---- Label pool ------------------------------------------------------------------------

void ProgramPage::showLabelPool() {
    m_showingPool = true;
    ListBox13->clear();
    ListBox13->addItems(m_pool.freeKeys());
    if (m_pool.freeSelection() >= 0)
        ListBox13->setCurrentRow(m_pool.freeSelection());
    ComboBox7->clear();
    ComboBox7->addItems(m_pool.targets());
    ComboBox7->setCurrentIndex(m_pool.targetSelection());
    m_showingPool = false;
    ComboBox7->update();
}

void ProgramPage::placeLabel(const QString& labelLine) {
    m_pool.placeLabel(labelLine);
    showLabelPool();
}

void ProgramPage::LabelUpdate() {
    m_pool.LabelUpdate(listingLines());
    showLabelPool();
}

void ProgramPage::ResetLabelPool() {
    m_pool.ResetLabelPool();
    showLabelPool();
}

// ---- Editing operations ---------------------------------------------------------------

void ProgramPage::Add2Click(QObject* sender) {
    const int row = selectedRow();
    const QString line = lineFrom(sender);
    if (line.isEmpty())
        return;
    insertLine(row, line);
    // The focus stays where the line came from; the line is heard.
    zentor::access::announce(*this, kInsertedPrefix + line.simplified());
    if (kindOf(sender) == static_cast<int>(InsertionKind::Label)) {
        placeLabel(line);
        ListBox6->setEnabled(true);
        Edit3->clear();
    }
    if (ButtonCompClick())
        selectRow(row >= 0 ? row + 1 : -1);
}

bool ProgramPage::ListBox1DragOver(QObject* source, const QPoint& pos) {
    // Only the palettes and the listing itself deliver lines.
    if (!isOwnSource(source))
        return false;
    if (source == ListBox6 && ComboBox7->currentText().isEmpty())
        return false;
    const int row = m_listing->rowAt(pos);
    if (source == m_listing && DragStartRow >= 0) {
        if (row < 0)
            return true;
        // The dragged line follows the pointer row by row, however far the
        // pointer moved since the last notification.
        if (DragStartRow < m_listing->count() && row != DragStartRow) {
            QListWidgetItem* item = m_listing->takeItem(DragStartRow);
            m_listing->insertItem(row, item);
        }
        DragStartRow = row;
    }
    selectRow(row);
    return true;
}

void ProgramPage::ListBox1DragDrop(QObject* source, const QPoint& pos) {
    const int row = m_listing->rowAt(pos);
    if (source != m_listing) {
        if (!isOwnSource(source))
            return;
        const QString line = lineFrom(source);
        if (line.isEmpty())
            return;
        insertLine(row, line);
        const int kind = kindOf(source);
        if (kind == static_cast<int>(InsertionKind::Jump))
            Edit3->clear();
        else if (kind == static_cast<int>(InsertionKind::Label))
            placeLabel(line);
    }
    if (selectedRow() < 0)
        selectRow(m_listing->count() - 1);
    ButtonCompClick();
}

void ProgramPage::Delete1Click() {
    const int row = selectedRow();
    if (row < 0)
        return;
    QStringList lines = listingLines();
    if (zentor::labelStillUsed(lines, row)) {
        dialogs::error(window(), zentor::labelInUseMessage());
        return;
    }
    const QString line = lines.takeAt(row);
    if (line.startsWith(u'L')) {
        m_pool.lineDeleted(line, lines);
        showLabelPool();
    }
    delete m_listing->takeItem(row);
    if (ButtonCompClick())
        selectRow(std::min(row, m_listing->count() - 1));
}

bool ProgramPage::ButtonCompClick() {
    const zentor::CompileResult result = zentor::compileListing(listingLines());
    m_compiled = true;
    markSkippedLines();
    Listcode->clear();
    Listcode->addItems(result.codeLines);
    // Send && Start refuses a partial code list.
    m_lastCompileOk = result.ok;
    if (!result.ok) {
        // The status text and the jump palette keep their state; the code
        // list holds what was compiled before the failing line. Once the box
        // is closed, the failing line shows where to look.
        dialogs::error(window(), result.errorMessage);
        selectRow(result.errorRow);
        return false;
    }
    m_shell.setStatusText(result.statusText);
    ListBox6->setEnabled(ComboBox7->count() > 0);
    return true;
}

void ProgramPage::markSkippedLines() {
    // The compiler passes over these lines without a word; the learner sees
    // them greyed, with the reason as tool tip and for screen readers.
    const QList<zentor::ListingFinding> findings = zentor::checkListing(listingLines());
    QList<QString> reasons(m_listing->count());
    for (const zentor::ListingFinding& f : findings)
        if ((f.kind == zentor::ListingFinding::Kind::NoInstruction ||
             f.kind == zentor::ListingFinding::Kind::MissingLabel) &&
            reasons[f.row].isEmpty())
            reasons[f.row] = f.reason;
    for (int row = 0; row < m_listing->count(); ++row) {
        QListWidgetItem* item = m_listing->item(row);
        const QString& reason = reasons[row];
        // Unchanged rows stay untouched: every change of an item counts as
        // a change of the listing for the autosave.
        if (item->toolTip() == reason)
            continue;
        item->setToolTip(reason);
        item->setData(Qt::AccessibleDescriptionRole, reason.isEmpty() ? QVariant() : reason);
        QFont font = m_listing->font();
        font.setItalic(!reason.isEmpty());
        item->setFont(font);
        item->setForeground(reason.isEmpty() ? QBrush() : QBrush(kSkippedLine));
    }
    m_findingsNote = zentor::findingsNote(findings);
    if (isVisible())
        m_shell.setStatusNote(m_findingsNote);
}

QString ProgramPage::findingsNote() const {
    return m_findingsNote;
}

void ProgramPage::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    m_shell.setStatusNote(m_findingsNote);
    listenToProgram();
}

void ProgramPage::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    m_shell.setStatusNote(QString());
}

// ---- Group "Ausführen" ------------------------------------------------------------

void ProgramPage::followLink(bool commandRunning) {
    for (QPushButton* button : {ButtonSend, ButtonRUN, B1, Button15, Button16, ButtonDiss})
        button->setEnabled(!commandRunning);
}

void ProgramPage::showCancelled() {
    ProgressBar2->setValue(0);
    m_shell.setStatusText(QString::fromLatin1(zentor::kCancelledText));
}

void ProgramPage::showOutcome(zentor::TransferOutcome outcome) {
    using zentor::TransferOutcome;
    if (outcome == TransferOutcome::Started) {
        programStarted();
    } else if (outcome == TransferOutcome::Cancelled) {
        showCancelled();
    } else if (outcome == TransferOutcome::CancelledAfterUpload) {
        ProgressBar2->setValue(0);
        m_shell.setStatusText(kCancelledAfterUpload);
    }
}

bool ProgramPage::refusedWhileRecording() {
    // The recorder's next reading would interrupt the program that was just
    // started, and the resync after it would stop it.
    if (!m_shell.recordingRunning())
        return false;
    m_shell.setStatusText(kRecorderBusy);
    dialogs::beep();
    return true;
}

void ProgramPage::ButtonSendClick() {
    // Every change compiles the listing, but the initial listing (and one
    // kept because there was no autosave) has not been compiled yet: what
    // the user sees is what goes to the board.
    if (!m_compiled)
        ButtonCompClick();
    const QStringList code = codeList();
    const bool compileOk = m_lastCompileOk;
    if (!zentor::ProgramTransfer::sendable(code, compileOk, *m_transferView))
        return;
    if (refusedWhileRecording())
        return;
    // The upload stops whatever ran before.
    setMonitorState(MonitorState::Off);
    runTransfer(m_onLink, m_shell.maxTimeout(), Link::Kind::Cancellable, this, *m_transferView,
                [code, compileOk](zentor::ProgramTransfer& transfer) {
                    return transfer.ButtonSendClick(code, compileOk);
                })
        .then(this, [this](zentor::TransferOutcome outcome) { showOutcome(outcome); });
}

void ProgramPage::ButtonRUNClick() {
    if (refusedWhileRecording())
        return;
    setMonitorState(MonitorState::Off);
    runTransfer(m_onLink, m_shell.maxTimeout(), Link::Kind::Cancellable, this, *m_transferView,
                [](zentor::ProgramTransfer& transfer) { return transfer.ButtonRUNClick(); })
        .then(this, [this](zentor::TransferOutcome outcome) { showOutcome(outcome); });
}

void ProgramPage::B1Click() {
    setMonitorState(MonitorState::Off);
    runTransfer(m_onLink, m_shell.maxTimeout(), Link::Kind::Cancellable, this, *m_transferView,
                [](zentor::ProgramTransfer& transfer) { return transfer.B1(); })
        .then(this, [this](bool stopped) {
            if (!stopped)
                showCancelled();
        });
}

void ProgramPage::Button15Click() {
    if (m_monitorState == MonitorState::Running)
        setMonitorState(MonitorState::Interrupted);
    runTransfer(m_onLink, m_shell.maxTimeout(), Link::Kind::Command, this, *m_transferView,
                [](zentor::ProgramTransfer& transfer) { transfer.Button15Click(); });
}

void ProgramPage::Button16Click() {
    runTransfer(m_onLink, m_shell.maxTimeout(), Link::Kind::Command, this, *m_transferView,
                [](zentor::ProgramTransfer& transfer) { transfer.Button16Click(); });
    // Listening resumes once the continue is out and the link is idle.
    if (m_monitorState == MonitorState::Interrupted)
        setMonitorState(MonitorState::Running);
}

void ProgramPage::ButtonDissClick() {
    setMonitorState(MonitorState::Off);
    runTransfer(m_onLink, m_shell.maxTimeout(), Link::Kind::Cancellable, this, *m_transferView,
                [](zentor::ProgramTransfer& transfer) {
                    ReadBack readBack;
                    readBack.result = transfer.ButtonDissClick();
                    // A read-back that came whole before the cancel is kept.
                    readBack.cancelled = Link::cancelRequested() && !readBack.result;
                    return readBack;
                })
        .then(this, [this](const ReadBack& readBack) {
            if (readBack.cancelled) {
                showCancelled();
                return;
            }
            if (!readBack.result)
                return;
            // The read-back replaces the listing without asking.
            setListingLines(readBack.result->disassembly.listing);
            ResetLabelPool();
            LabelUpdate();
            ButtonCompClick();
        });
}

// ---- Keyboard and mouse on the listing ---------------------------------------------------

void ProgramPage::ListBox1KeyDown(int key) {
    if (key == Qt::Key_F2)
        ButtonDiss->setHidden(!ButtonDiss->isHidden());
    else if (key == Qt::Key_F3)
        m_listing->setDragEnabled(!m_listing->dragEnabled());
}

void ProgramPage::ListBox1KeyUp(int key) {
    if (key == Qt::Key_Delete)
        Delete1Click();
}

void ProgramPage::ListBox1MouseDown(const QPoint& pos) {
    DragStartRow = m_listing->rowAt(pos);
}

void ProgramPage::ListBox1MouseUp(const QPoint& pos) {
    if (pos.x() < 2 && pos.y() < 2)
        setListcodeVisible(Listcode->isHidden());
}

void ProgramPage::setListcodeVisible(bool visible) {
    const QSignalBlocker quiet(CheckBoxCode);
    CheckBoxCode->setChecked(visible);
    // The code column takes the right part of the listing's place.
    m_listing->resize(kListingWidth - (visible ? kListcodeWidth + 2 : 0), m_listing->height());
    Listcode->setVisible(visible);
}

// ---- Program files ------------------------------------------------------------------

void ProgramPage::setAsideDamagedAutosave(const QString& path, const QString& why) {
    // Kept for rescue: the autosave at exit would otherwise replace it.
    QString text = QStringLiteral("Die automatische Sicherung \"%1\" kann nicht gelesen werden.")
                       .arg(QDir::toNativeSeparators(path));
    if (!why.isEmpty())
        text += u' ' + why;
    const zentor::MovedAside moved = zentor::moveAside(path, kDamagedAutosaveSuffix.toString());
    if (moved.path.isEmpty()) {
        m_autosaveHeld = true;
        text += QStringLiteral("\nSie bleibt unverändert; in dieser Sitzung wird das Programm "
                               "nicht automatisch gesichert. ") +
                moved.reason;
    } else {
        text += QStringLiteral("\nSie liegt jetzt unter \"%1\".")
                    .arg(QDir::toNativeSeparators(moved.path));
    }
    dialogs::error(window(), text);
}

ProgramPage::FileDialogHandler ProgramPage::setFileDialogHandler(FileDialogHandler handler) {
    FileDialogHandler previous = fileDialogHandler();
    fileDialogHandler() = handler ? std::move(handler) : FileDialogHandler(showFileDialog);
    return previous;
}

ProgramPage::ConfirmHandler ProgramPage::setConfirmHandler(ConfirmHandler handler) {
    ConfirmHandler previous = confirmHandler();
    confirmHandler() = handler ? std::move(handler) : ConfirmHandler(showConfirmBox);
    return previous;
}

QFileDialog* ProgramPage::createFileDialog(QWidget* parent, FileDialogKind kind) {
    auto* dialog = new QFileDialog(parent);
    dialog->setNameFilter(kFileFilter);
    dialog->setDefaultSuffix(kDefaultSuffix);
    dialog->setSizeGripEnabled(true);
    if (!lastDirectory().isEmpty())
        dialog->setDirectory(lastDirectory());
    if (kind == FileDialogKind::Save) {
        dialog->setWindowTitle(QStringLiteral("Speichern unter"));
        dialog->setAcceptMode(QFileDialog::AcceptSave);
        dialog->setFileMode(QFileDialog::AnyFile);
        dialog->setOption(QFileDialog::DontConfirmOverwrite, false);
    } else {
        dialog->setWindowTitle(QStringLiteral("Öffnen"));
        dialog->setAcceptMode(QFileDialog::AcceptOpen);
        dialog->setFileMode(QFileDialog::ExistingFile);
    }
    zentor::access::nameFileDialog(*dialog);
    return dialog;
}

void ProgramPage::setStartupFile(const QString& path) {
    m_startupFile = path;
    m_startupFilePending = true;
}

void ProgramPage::Beenden2Click() {
    if (m_listing->count() > 0 && !confirmHandler()(window(), kCaption, kConfirmNew))
        return;
    setListingLines({kEndLine});
    m_fileLines = listingLines();
    m_fileEncoding = zentor::TextEncoding::SingleByte;
    selectRow(0);
    ResetLabelPool();
    Edit3->clear();
    ButtonCompClick();
    m_shell.setWindowCaption(kCaption);
}

void ProgramPage::ffnen1Click() {
    const bool fromCommandLine = m_startupFilePending;
    QString path;
    if (fromCommandLine) {
        path = m_startupFile;
    } else {
        path = fileDialogHandler()(window(), FileDialogKind::Open);
        if (path.isEmpty())
            return;
    }
    m_startupFilePending = false;

    // At start-up the last listing comes back instead of an unreadable file,
    // so that the autosave written at exit does not lose it.
    if (!openProgramFile(path) && fromCommandLine)
        LoadLast();
}

bool ProgramPage::openReadableStartupFile() {
    if (!m_startupFilePending)
        return false;
    const zentor::FileRead read = zentor::readRegularFile(m_startupFile, zentor::kProgramFileLimit);
    if (!read.bytes)
        return false; // the next ffnen1Click tells why
    const zentor::ProgramFileText text = zentor::programFileText(*read.bytes);
    if (text.nulLine > 0)
        return false;
    m_startupFilePending = false;
    showProgramFile(m_startupFile, text);
    return true;
}

void ProgramPage::openExample(const QString& path) {
    if (listingLines() != m_fileLines && !confirmHandler()(window(), kCaption, kConfirmReplace))
        return;
    openProgramFile(path);
}

bool ProgramPage::openProgramFile(const QString& path) {
    const zentor::FileRead read = zentor::readRegularFile(path, zentor::kProgramFileLimit);
    if (!read.bytes) {
        // Nothing on screen is replaced by a file that could not be read.
        dialogs::error(window(), read.explained(cannotOpenMessage(path)));
        return false;
    }
    const zentor::ProgramFileText text = zentor::programFileText(*read.bytes);
    if (text.nulLine > 0) {
        // A NUL shows nowhere in the listing: the line would look empty.
        dialogs::error(window(), cannotOpenMessage(path) + u'\n' + nulLineMessage(text.nulLine));
        return false;
    }
    showProgramFile(path, text);
    return true;
}

void ProgramPage::showProgramFile(const QString& path, const zentor::ProgramFileText& text) {
    m_fileEncoding = text.encoding;
    setListingLines(text.lines);
    m_fileLines = text.lines;
    ResetLabelPool();
    LabelUpdate();
    ButtonCompClick();
    m_shell.setWindowCaption(kCaptionWithFile + QFileInfo(path).fileName());
}

void ProgramPage::Speichern1Click() {
    QString path = fileDialogHandler()(window(), FileDialogKind::Save);
    if (path.isEmpty())
        return;
    path = withDefaultSuffix(path);
    const zentor::SaveResult saved =
        zentor::writeFileAtomically(path, zentor::programFileBytes(listingLines(), m_fileEncoding));
    if (!saved) {
        dialogs::error(window(), saved.explained(cannotSaveMessage(path)));
        return;
    }
    m_fileLines = listingLines();
    m_shell.setWindowCaption(kCaptionWithFile + QFileInfo(path).fileName());
}

void ProgramPage::SaveLast() {
    // At exit there is nobody left to tell; the old autosave stays in place.
    // The program waits for this save: it is written here, after the saves
    // on the way, and none of those may come after it.
    m_autosaveTimer->stop();
    m_autosaver->settle();
    m_autosaveSettled = ++m_autosaveRequests;
    if (m_autosaveHeld)
        return;
    const QStringList lines = listingLines();
    if (zentor::writeFileAtomically(zentor::autosavePath(),
                                    zentor::programFileBytes(lines, m_fileEncoding))) {
        m_autosavedLines = lines;
        m_autosaveFailureShown = false;
    }
    m_autosaveQueuedLines = m_autosavedLines;
}

void ProgramPage::LoadLast() {
    const QString path = zentor::autosavePath();
    if (!QFileInfo(path).exists() && !QFileInfo(path).isSymLink())
        return;
    const zentor::FileRead read = zentor::readRegularFile(path, zentor::kProgramFileLimit);
    if (!read.bytes) {
        setAsideDamagedAutosave(path, read.refusal);
        return;
    }
    const zentor::ProgramFileText text = zentor::programFileText(*read.bytes);
    if (text.nulLine > 0) {
        setAsideDamagedAutosave(path, nulLineMessage(text.nulLine));
        return;
    }
    m_fileEncoding = text.encoding;
    int cut = 0;
    setListingLines(zentor::autosaveLines(*read.bytes, &cut));
    m_autosavedLines = listingLines(); // nothing new to save
    m_autosaveQueuedLines = m_autosavedLines;
    m_fileLines = m_autosavedLines;
    if (cut > 0) {
        const int limit = zentor::kAutosaveLineLimit;
        const QString text =
            cut == 1 ? QStringLiteral("Eine Zeile der automatischen Sicherung war länger als %1 "
                                      "Zeichen und wurde gekürzt.")
                           .arg(limit)
                     : QStringLiteral("%1 Zeilen der automatischen Sicherung waren länger als %2 "
                                      "Zeichen und wurden gekürzt.")
                           .arg(cut)
                           .arg(limit);
        dialogs::information(window(), text);
    }
    // At start the pool is still in its initial state: no reset before.
    LabelUpdate();
    ButtonCompClick();
}
