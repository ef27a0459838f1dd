#include "tform1.h"

#include "access_names.h"
#include "amm.h"
#include "analysis_commands.h"
#include "builtin_simulator.h"
#include "configuration.h"
#include "connection.h"
#include "dialogs.h"
#include "direct_page.h"
#include "example_programs.h"
#include "handbook.h"
#include "jpeg_image.h"
#include "link.h"
#include "logger_page.h"
#include "measurement_commands.h"
#include "page_access_keys.h"
#include "picture_label.h"
#include "port_paths.h"
#include "profile.h"
#include "program_page.h"
#include "recorder.h"
#include "recorder_page.h"
#include "report_commands.h"
#include "scope_page.h"
#include "simulator_panel.h"
#include "weblabel.h"
#include "window_fit.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QDialog>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>

namespace {

constexpr int kClientWidth = 769;
constexpr int kClientHeight = 515;
constexpr int kStatusBarHeight = 19;

constexpr int kTimerCreated = 500;   // ms, until a page sets its own
constexpr int kTimer1Entering = 333; // ms: the first tick resynchronises
constexpr int kTimer2Interval = 500; // ms
constexpr int kTimerOsziInterval = 1000;
constexpr int kPortEntries = 6;
constexpr int kPageStepsToProgram = 5;
constexpr int kRevealCancelMs = 300; // until "Abbrechen" shows for a long exchange

constexpr int kRecorderChannelVoltage = 60;

const QString kCaption = QStringLiteral("Zentor");
const QString kStartTitle = QStringLiteral("ZENTOR");

const QString kNoPortChosen = QStringLiteral("Anschluss nicht gewählt.");
const QString kFirstStart =
    QStringLiteral("Erster Programmstart:\rZunächst einen Anschluß wählen (Menü/Anschluß)");
const QString kSearching = QStringLiteral("Controler wird gesucht...");
const QString kPortNotOpened = QStringLiteral("COM nicht geöffnet!");
const QString kLoggerPageText = QStringLiteral("Externe Messung");
const QString kRecorderPageText = QStringLiteral("Online Messung");
const QString kCancel = QStringLiteral("Abbrechen");
const QString kCancelHint = QStringLiteral("Bricht die laufende Übertragung ab (Esc)");
const QString kAbout = QStringLiteral("ZENTOR microcontroller\r\rVersion 1.1");

// `text`, followed by why the port could not be opened, if it was tried.
QString withOpenFailure(const QString& text, QChar separator, const std::string& failure) {
    const QString why = QString::fromStdString(failure);
    return why.isEmpty() ? text : text + separator + why;
}

// The first page's link label: a credit line that opens the handbook.
const QString kCreditText = QStringLiteral("Zentor im Netz");
const QString kCreditHint = QStringLiteral("Das Handbuch öffnen");

// The first page: the picture at its natural size, the link label kept at
// the bottom left whatever height the tab row leaves.
class PictureSheet : public QWidget {
public:
    static constexpr QSize kCreditSize{103, 12};
    static constexpr int kCreditMargin = 4;

    QWidget* credit = nullptr;

protected:
    void resizeEvent(QResizeEvent* event) override {
        QWidget::resizeEvent(event);
        if (credit)
            credit->setGeometry(kCreditMargin, height() - kCreditSize.height() - kCreditMargin,
                                kCreditSize.width(), kCreditSize.height());
    }
};

TForm1::KeyState& ctrlKeyState() {
    static TForm1::KeyState state = [] {
        return QGuiApplication::queryKeyboardModifiers().testFlag(Qt::ControlModifier);
    };
    return state;
}

} // namespace

TForm1::KeyState TForm1::setCtrlKeyState(KeyState state) {
    KeyState previous = ctrlKeyState();
    ctrlKeyState() = state ? std::move(state) : [] {
        return QGuiApplication::queryKeyboardModifiers().testFlag(Qt::ControlModifier);
    };
    return previous;
}

TForm1::TForm1(StartOptions options, QWidget* parent)
    : QMainWindow(parent), m_options(std::move(options)),
      m_ini(std::make_unique<ProfileFile>(configuration::iniPath())),
      m_simulator(std::make_unique<BuiltInSimulator>()) {
    // The picture and icon live in this static library; make sure the
    // linker keeps them, whoever creates the window.
    Q_INIT_RESOURCE(app);
    setObjectName(QStringLiteral("Form1"));
    setWindowIcon(QIcon(QStringLiteral(":/app/zentor.png")));
    setWindowTitle(kCaption);
    setApplicationTitle(kStartTitle);
    // A fixed single border with system menu and minimise button only.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);

    createTimers();
    createPages();
    createMenu();
    // At the end of the desktop session the listing is saved as at exit.
    connect(qApp, &QGuiApplication::commitDataRequest, this, [this] { TabSheet4->SaveLast(); });
    new PageAccessKeys(*this); // Alt+letter and F10; a child of the window

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setSizeGripEnabled(false);
    StatusBar1->setFixedHeight(kStatusBarHeight);
    m_statusLabel = new QLabel(StatusBar1);
    m_statusLabel->setObjectName(QStringLiteral("StatusText"));
    StatusBar1->addWidget(m_statusLabel, 1);
    setStatusBar(StatusBar1);
    createExchangeControls();

    // The client area (pages and status bar) is fixed; the menu bar comes
    // on top of it.
    PageControl1->setFixedSize(kClientWidth, kClientHeight - kStatusBarHeight);
    setFixedSize(kClientWidth, kClientHeight + menuBar()->sizeHint().height());
    zentor::fitWindowToScreen(*this); // scrolls the pages where the screen is too small
    zentor::keepLaidOutFonts(*this);
    nameControlsForAccess(*this);

    FormCreate();
}

TForm1::~TForm1() { FormDestroy(); }

void TForm1::createTimers() {
    auto makeTimer = [this](const char* name, int interval) {
        auto* timer = new QTimer(this);
        timer->setObjectName(QString::fromLatin1(name));
        timer->setInterval(interval);
        // The pages' intervals are the line's rhythm; a coarse timer may
        // fire up to 5 % early.
        timer->setTimerType(Qt::PreciseTimer);
        return timer;
    };
    Timer1 = makeTimer("Timer1", kTimerCreated);
    Timer2 = makeTimer("Timer2", kTimer2Interval);
    yttimer = makeTimer("yttimer", kTimerCreated);
    TimerOszi = makeTimer("TimerOszi", kTimerOsziInterval);
}

void TForm1::createPages() {
    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    setCentralWidget(PageControl1);

    auto* pictureSheet = new PictureSheet;
    TabSheet1 = pictureSheet;
    TabSheet1->setObjectName(QStringLiteral("TabSheet1"));
    Image1 = new PictureLabel(TabSheet1); // smooth on scaled screens
    Image1->setObjectName(QStringLiteral("Image1"));
    QFile picture(QStringLiteral(":/app/zentor.jpg"));
    if (picture.open(QIODevice::ReadOnly)) {
        const QImage image = decodeJpeg(picture.readAll());
        Image1->setPixmap(QPixmap::fromImage(image));
        Image1->setGeometry(0, 0, image.width(), image.height());
    }
    WebLabel1 = new TWebLabel(kCreditText, TabSheet1);
    WebLabel1->setObjectName(QStringLiteral("WebLabel1"));
    WebLabel1->setToolTip(kCreditHint);
    WebLabel1->setLink(handbookPath(QCoreApplication::applicationDirPath()));
    WebLabel1->setLinkTyp(TWebLabel::lnFile);
    WebLabel1->setLinkHandler([this](const QString&) {
        HandbuchClick();
        return true;
    });
    WebLabel1->setHover(true);
    QFont creditFont(QStringLiteral("Arial"));
    creditFont.setPixelSize(9);
    WebLabel1->setFont(creditFont);
    QPalette palette = WebLabel1->palette();
    palette.setColor(QPalette::WindowText, QColor(Qt::darkBlue)); // navy
    WebLabel1->setPalette(palette);
    WebLabel1->setAttribute(Qt::WA_TranslucentBackground);
    WebLabel1->setAutoFillBackground(false);
    pictureSheet->credit = WebLabel1;

    TabSheet2 = new DirectPage(*this, *Timer1);
    TabSheet2->setObjectName(QStringLiteral("TabSheet2"));
    TabSheet3 = new LoggerPage(*this, *Timer2, *yttimer);
    TabSheet3->setObjectName(QStringLiteral("TabSheet3"));
    TabSheet6 = new RecorderPage(*this, *yttimer);
    TabSheet6->setObjectName(QStringLiteral("TabSheet6"));
    TabSheet8 = new ScopePage(*this, *TimerOszi);
    TabSheet8->setObjectName(QStringLiteral("TabSheet8"));
    TabSheet4 = new ProgramPage(*this);
    TabSheet4->setObjectName(QStringLiteral("TabSheet4"));

    PageControl1->addTab(TabSheet1, QStringLiteral("Zentor"));
    PageControl1->addTab(TabSheet2, QStringLiteral("Direkt"));
    PageControl1->addTab(TabSheet3, QStringLiteral("Extern Messen"));
    PageControl1->addTab(TabSheet6, QStringLiteral("Zeitschreiber"));
    PageControl1->addTab(TabSheet8, QStringLiteral("Oszilloskop"));
    PageControl1->addTab(TabSheet4, QStringLiteral("Programm"));
    PageControl1->setCurrentIndex(0);
    connect(PageControl1, &QTabWidget::currentChanged, this, &TForm1::PageControl1Change);
}

void TForm1::createMenu() {
    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu1"));
    auto addEntry = [this](QMenu* menu, const QString& caption, const char* name) {
        QAction* action = menu->addAction(caption);
        action->setObjectName(QString::fromLatin1(name));
        return action;
    };
    auto addSeparator = [](QMenu* menu, const char* name) {
        menu->addSeparator()->setObjectName(QString::fromLatin1(name));
    };

    Beenden1 = bar->addMenu(QStringLiteral("&Datei"));
    Beenden1->setObjectName(QStringLiteral("Beenden1"));
    Beenden2 = addEntry(Beenden1, QStringLiteral("&Neu"), "Beenden2");
    addSeparator(Beenden1, "N1");
    ffnen1 = addEntry(Beenden1, QStringLiteral("&Öffnen ..."), "ffnen1");
    // One entry per example program. The chosen one opens on its page,
    // shown first so that the page change does not clear the free bytes.
    Beispiele1 = Beenden1->addMenu(QStringLiteral("Be&ispiel öffnen"));
    Beispiele1->setObjectName(QStringLiteral("Beispiele1"));
    const QString exampleFolder = zentor::exampleFolder(QCoreApplication::applicationDirPath());
    for (const zentor::ExampleProgram& example : zentor::examplePrograms(exampleFolder)) {
        connect(Beispiele1->addAction(u'&' + example.caption), &QAction::triggered, this,
                [this, path = example.path] {
                    PageControl1->setCurrentWidget(TabSheet4);
                    TabSheet4->openExample(path);
                });
    }
    Beispiele1->setEnabled(!Beispiele1->isEmpty());
    Speichern1 = addEntry(Beenden1, QStringLiteral("&Speichern ..."), "Speichern1");
    addSeparator(Beenden1, "N5");
    MessungOeffnen1 = addEntry(Beenden1, QStringLiteral("Messung ö&ffnen ..."), "MessungOeffnen1");
    MessungSpeichern1 =
        addEntry(Beenden1, QStringLiteral("&Messung speichern ..."), "MessungSpeichern1");
    MesswerteExportieren1 =
        addEntry(Beenden1, QStringLiteral("Messwerte &exportieren ..."), "MesswerteExportieren1");
    DiagrammBild1 =
        addEntry(Beenden1, QStringLiteral("&Diagramm als Bild speichern ..."), "DiagrammBild1");
    MessprotokollDrucken1 =
        addEntry(Beenden1, QStringLiteral("Messprotokoll dr&ucken ..."), "MessprotokollDrucken1");
    MessprotokollPdf1 =
        addEntry(Beenden1, QStringLiteral("Als &PDF speichern ..."), "MessprotokollPdf1");
    addSeparator(Beenden1, "N2");
    Beenden3 = addEntry(Beenden1, QStringLiteral("&Beenden"), "Beenden3");
    connect(Beenden2, &QAction::triggered, TabSheet4, &ProgramPage::Beenden2Click);
    connect(ffnen1, &QAction::triggered, TabSheet4, &ProgramPage::ffnen1Click);
    connect(Speichern1, &QAction::triggered, TabSheet4, &ProgramPage::Speichern1Click);
    connect(Beenden3, &QAction::triggered, this, &TForm1::Beenden3Click);
    m_measurementCommands = new zentor::MeasurementCommands(
        *this, {PageControl1, TabSheet6, TabSheet3, TabSheet8, TabSheet2, TabSheet2->Anal1, Timer2},
        this);
    m_measurementCommands->bindActions(
        {MessungOeffnen1, MessungSpeichern1, MesswerteExportieren1, DiagrammBild1});

    Bearbeiten1 = bar->addMenu(QStringLiteral("&Bearbeiten"));
    Bearbeiten1->setObjectName(QStringLiteral("Bearbeiten1"));
    KopiernalsText1 = addEntry(Bearbeiten1, QStringLiteral("&Kopieren"), "KopiernalsText1");
    connect(KopiernalsText1, &QAction::triggered, this, &TForm1::KopiernalsText1Click);
    addSeparator(Bearbeiten1, "N6");
    Auswertung1 = addEntry(Bearbeiten1, QStringLiteral("Auswertung ..."), "Auswertung1");
    m_analysisCommands = new zentor::analysis::AnalysisCommands(
        {PageControl1, TabSheet6, TabSheet3, TabSheet8}, this);
    m_analysisCommands->bindAction(Auswertung1);
    m_reportCommands = new zentor::report::ReportCommands(
        {PageControl1, TabSheet6, TabSheet3, TabSheet8, TabSheet6, TabSheet3, TabSheet8},
        m_analysisCommands, this);
    m_reportCommands->bindActions(MessprotokollDrucken1, MessprotokollPdf1);

    Anschluss1 = bar->addMenu(QStringLiteral("&Anschluss"));
    Anschluss1->setObjectName(QStringLiteral("Anschluss1"));
    Anschluss1->setToolTipsVisible(true);
    // One radio mark at the port in use; none after a failed choice.
    auto* portGroup = new QActionGroup(Anschluss1);
    portGroup->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    const char* names[kPortEntries] = {"COM11", "COM21", "COM31", "COM41", "COM51", "COM61"};
    QAction** entries[kPortEntries] = {&COM11, &COM21, &COM31, &COM41, &COM51, &COM61};
    for (int i = 0; i < kPortEntries; ++i) {
        QAction* entry = addEntry(Anschluss1, QStringLiteral("COM &%1").arg(i + 1), names[i]);
        entry->setCheckable(true);
        entry->setActionGroup(portGroup);
        entry->setData(i + 1); // the tag: the port number
        connect(entry, &QAction::triggered, this, &TForm1::COM11Click);
        *entries[i] = entry;
    }
    addSeparator(Anschluss1, "N4");
    Simulator1 = addEntry(Anschluss1, QStringLiteral("&Simulator"), "Simulator1");
    Simulator1->setCheckable(true);
    Simulator1->setActionGroup(portGroup);
    Simulator1->setToolTip(QStringLiteral("Eine simulierte Platine, ohne Hardware"));
    connect(Simulator1, &QAction::triggered, this, &TForm1::SimulatorClick);
    SimulatorPanel1 = addEntry(Anschluss1, QStringLiteral("Simulator-&Tafel ..."), "SimulatorPanel1");
    SimulatorPanel1->setEnabled(false);
    connect(SimulatorPanel1, &QAction::triggered, this, &TForm1::SimulatorPanelClick);
    // The device paths may change in zentor.ini while the program runs.
    connect(Anschluss1, &QMenu::aboutToShow, this, &TForm1::refreshPortPaths);
    refreshPortPaths();

    N3 = bar->addMenu(QStringLiteral("&?"));
    N3->setObjectName(QStringLiteral("N3"));
    Handbuch1 = addEntry(N3, QStringLiteral("&Handbuch"), "Handbuch1");
    Handbuch1->setShortcut(QKeySequence::HelpContents);
    connect(Handbuch1, &QAction::triggered, this, &TForm1::HandbuchClick);
    ber1 = addEntry(N3, QStringLiteral("Über ..."), "ber1");
    connect(ber1, &QAction::triggered, this, &TForm1::ber1Click);
}

QList<QAction*> TForm1::comEntries() const { return {COM11, COM21, COM31, COM41, COM51, COM61}; }

QAction* TForm1::checkedPortEntry() const {
    for (QAction* entry : Anschluss1->actions())
        if (entry->isChecked())
            return entry;
    return nullptr;
}

void TForm1::uncheckPortEntries() {
    for (QAction* entry : Anschluss1->actions())
        entry->setChecked(false);
}

void TForm1::refreshPortPaths() {
    for (QAction* entry : comEntries())
        entry->setToolTip(QString::fromStdString(portPath(entry->data().toInt())));
}

std::string TForm1::portPath(int n) const {
    // The [Ports] section may give a port another device; without it the
    // default map holds.
    const QString key = QStringLiteral("COM%1").arg(n);
    return zentor::portDevicePath(
        n, m_ini->readString(QString::fromLatin1(configuration::kPortsSection), key).toStdString());
}

// ---- Shell ----------------------------------------------------------------

void TForm1::setStatusText(const QString& text) { m_statusLabel->setText(text); }

QString TForm1::statusText() const { return m_statusLabel->text(); }

void TForm1::setApplicationTitle(const QString& title) {
    m_applicationTitle = title;
    dialogs::setApplicationTitle(title);
    setWindowIconText(title);
}

QString TForm1::applicationTitle() const {
    return m_applicationTitle;
}

void TForm1::setWindowCaption(const QString& caption) {
    setWindowTitle(caption);
}

int TForm1::maxTimeout() const {
    return configuration::effectiveMaxTimeout(m_maxTimeout);
}

bool TForm1::recordingRunning() const {
    return yttimer->isActive();
}

// ---- Exchanges with the board ------------------------------------------------

void TForm1::createExchangeControls() {
    // A long exchange (upload, read-back, read-out, capture) shows its
    // progress and can be given up; the bar and the button sit at the right
    // of the status bar while it runs.
    m_linkProgress = new QProgressBar(StatusBar1);
    m_linkProgress->setObjectName(QStringLiteral("LinkProgress"));
    m_linkProgress->setAccessibleName(QStringLiteral("Fortschritt der Übertragung"));
    m_linkProgress->setMaximumWidth(120);
    m_linkProgress->setTextVisible(false);
    m_linkProgress->hide();
    StatusBar1->addPermanentWidget(m_linkProgress);
    m_cancelButton = new QPushButton(kCancel, StatusBar1);
    m_cancelButton->setObjectName(QStringLiteral("CancelButton"));
    m_cancelButton->setToolTip(kCancelHint);
    m_cancelButton->setAccessibleName(kCancel);
    m_cancelButton->setFlat(true);
    m_cancelButton->hide();
    StatusBar1->addPermanentWidget(m_cancelButton);

    zentor::Link& link = zentor::Link::instance();
    connect(m_cancelButton, &QPushButton::clicked, &link, &zentor::Link::cancel);
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    escape->setObjectName(QStringLiteral("CancelShortcut"));
    escape->setEnabled(false);
    connect(escape, &QShortcut::activated, &link, &zentor::Link::cancel);
    // A presence check with a board that answers is over in a tenth of a
    // second: the bar and the button show only for a wait that lasts.
    auto* reveal = new QTimer(this);
    reveal->setSingleShot(true);
    reveal->setInterval(kRevealCancelMs);
    connect(reveal, &QTimer::timeout, this, [this] {
        const bool running = zentor::Link::instance().cancellableRunning();
        m_linkProgress->setVisible(running);
        m_cancelButton->setVisible(running);
    });
    connect(&link, &zentor::Link::cancellableChanged, this, [this, escape, reveal](bool running) {
        escape->setEnabled(running);
        if (running) {
            m_linkProgress->setRange(0, 0); // moves until the first position comes
            reveal->start();
            return;
        }
        reveal->stop();
        m_linkProgress->hide();
        m_cancelButton->hide();
    });
    connect(&link, &zentor::Link::progressChanged, this, [this](int position, int maximum) {
        m_linkProgress->setRange(0, maximum);
        m_linkProgress->setValue(position);
    });
    connect(&link, &zentor::Link::commandsRunningChanged, this, &TForm1::followLink);

    zentor::Connection& connection = zentor::Connection::instance();
    connection.setResolver([this] { return configuredTarget(); });
    connect(&connection, &zentor::Connection::portConnected, this, &TForm1::markPort);
}

void TForm1::followLink(bool commandRunning) {
    // A port choice in the middle of an exchange would pull the port from
    // under it.
    for (QAction* entry : Anschluss1->actions())
        if (entry != SimulatorPanel1 && !entry->isSeparator())
            entry->setEnabled(!commandRunning);
}

// ---- Start-up and shut-down -------------------------------------------------

void TForm1::FormCreate() {
    TabSheet6->timeyt->setCurrentIndex(zentor::kRecorderDefaultItem);
    TabSheet6->ytchannel->setCurrentIndex(0);
    TabSheet6->RecorderChannel = kRecorderChannelVoltage;
    m_recorderBuffer = std::make_unique<zentor::RecorderBuffer>();
    TabSheet6->setRecorderBuffer(m_recorderBuffer.get());

    m_maxTimeout = m_ini->readInt(QString::fromLatin1(configuration::kTimeSection),
                                  QString::fromLatin1(configuration::kMaxTimeoutKey),
                                  configuration::kDefaultMaxTimeout);
    zentor::Connection::instance().setMaxTimeout(maxTimeout());
    if (ctrlKeyState()())
        dialogs::information(this, QString::number(m_maxTimeout));

    if (!m_options.parameters.isEmpty())
        TabSheet4->setStartupFile(m_options.parameters.front());
}

void TForm1::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (m_shown)
        return;
    m_shown = true;
    if (const QScreen* screen = this->screen())
        move(screen->availableGeometry().center() - rect().center());
    FormShow();
}

void TForm1::FormShow() {
    if (m_options.parameters.isEmpty())
        TabSheet4->LoadLast();
    else
        // The file shows at once; one that cannot be read is told below,
        // from the event loop, after the port's box.
        TabSheet4->openReadableStartupFile();
    uncheckPortEntries();
    // The window paints first; the board is looked for on the link thread,
    // and the start-up goes on when it has answered or given up.
    zentor::Connection::instance().connectFromIni().then(
        this, [this](const zentor::ConnectResult& result) { continueShow(result); });
}

void TForm1::continueShow(const zentor::ConnectResult& result) {
    if (m_shutDown)
        return;
    if (!result.connected) {
        setStatusText(kNoPortChosen);
        dialogs::information(this, withOpenFailure(kFirstStart, u'\r', result.failure));
        if (m_shutDown)
            return; // ended while the box was open
    }
    Timer2->setInterval(kTimer2Interval);
    TabSheet3->ComboBox16Change();
    if (!m_options.parameters.isEmpty()) {
        if (TabSheet4->StartupFilePending())
            TabSheet4->ffnen1Click();
        // Each step is a page change of its own, as if the user made it.
        for (int i = 0; i < kPageStepsToProgram; ++i)
            PageControl1->setCurrentIndex((PageControl1->currentIndex() + 1) %
                                          PageControl1->count());
    }
    if (!m_options.measurementFile.isEmpty())
        m_measurementCommands->openMeasurementFile(m_options.measurementFile);
}

void TForm1::closeEvent(QCloseEvent* event) {
    event->accept();
    shutDown();
}

void TForm1::shutDown() {
    if (m_shutDown)
        return;
    m_shutDown = true;
    // Nothing talks to the board any more: no page timer, no repetition.
    for (QTimer* timer : {Timer1, Timer2, yttimer, TimerOszi})
        timer->stop();
    TabSheet8->CheckBox3->setChecked(false);
    FormHide();
    // The window may close inside another event loop (a file dialog, a
    // question, a signal while one is open): the dialogs still open go with
    // it, and every event loop ends, so that the program ends too and no
    // later dialog waits for an answer.
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget == this || !widget->isVisible())
            continue;
        if (auto* dialog = qobject_cast<QDialog*>(widget))
            dialog->reject();
        else
            widget->close();
    }
    QCoreApplication::exit(0);
}

void TForm1::FormHide() {
    // The running exchange ends at its next byte, whatever the time-out;
    // the port closes on the link thread.
    zentor::Link::instance().closePort();
    TabSheet4->SaveLast();
}

void TForm1::FormDestroy() {
    // The connection outlives the window: it must not ask it any more.
    zentor::Connection::instance().setResolver({});
    // No exchange may outlive the pages it reports to.
    zentor::Link::instance().closePort();
    TabSheet6->setRecorderBuffer(nullptr);
    m_recorderBuffer.reset();
    m_simulator.reset();
}

// ---- Connection ---------------------------------------------------------------

bool TForm1::simulatorChosen() const {
    return m_options.simulator ||
           m_ini->readInt(QString::fromLatin1(configuration::kPortSection),
                          QString::fromLatin1(configuration::kSimulatorKey), 0) == 1;
}

std::optional<zentor::PortTarget> TForm1::simulatorTarget() {
    if (!m_simulator->ensureRunning())
        return std::nullopt;
    return zentor::PortTarget{0, true, m_simulator->devicePath()};
}

std::optional<zentor::PortTarget> TForm1::configuredTarget() {
    if (simulatorChosen())
        return simulatorTarget();
    const int n = m_ini->readInt(QString::fromLatin1(configuration::kPortSection),
                                 QString::fromLatin1(configuration::kComKey), 0);
    if (n < 1 || n > zentor::kConfiguredPortCount)
        return std::nullopt;
    return zentor::PortTarget{n, false, portPath(n)};
}

void TForm1::markPort(const std::optional<zentor::PortTarget>& target) {
    uncheckPortEntries();
    simulatorConnected(target && target->simulator);
    if (!target)
        return;
    if (target->simulator)
        Simulator1->setChecked(true);
    else if (target->com >= 1 && target->com <= kPortEntries)
        comEntries()[target->com - 1]->setChecked(true);
}

void TForm1::COM11Click() {
    auto* entry = qobject_cast<QAction*>(sender());
    if (!entry)
        return;
    choosePort(entry->data().toInt());
}

void TForm1::SimulatorClick() { choosePort(0); }

void TForm1::simulatorConnected(bool connected) {
    SimulatorPanel1->setEnabled(connected);
    if (!connected) {
        if (m_simulatorPanel)
            m_simulatorPanel->hide();
        return;
    }
    if (!m_simulatorPanelOffered) {
        m_simulatorPanelOffered = true;
        SimulatorPanelClick();
    }
}

void TForm1::SimulatorPanelClick() {
    if (!m_simulatorPanel) {
        m_simulatorPanel = new SimulatorPanel([this] { return m_simulator->board(); }, this);
    }
    m_simulatorPanel->show();
    m_simulatorPanel->raise();
}

void TForm1::choosePort(int n) {
    const QString section = QString::fromLatin1(configuration::kPortSection);
    const QString comKey = QString::fromLatin1(configuration::kComKey);
    const QString simKey = QString::fromLatin1(configuration::kSimulatorKey);
    const bool simulator = n == 0;
    // A choice from the menu overrides the --sim of the command line.
    m_options.simulator = false;

    setStatusText(kSearching);
    uncheckPortEntries();
    std::optional<zentor::PortTarget> target;
    if (simulator) {
        target = simulatorTarget();
    } else {
        target = zentor::PortTarget{n, false, portPath(n)};
    }
    auto refuse = [=, this](const std::string& failure) {
        // Neither the port nor the simulator stays chosen: the next start
        // asks again instead of silently taking the other one.
        simulatorConnected(false);
        m_ini->writeString(section, comKey, QStringLiteral("0"));
        if (simulator || m_ini->readInt(section, simKey, 0) != 0)
            m_ini->writeString(section, simKey, QStringLiteral("0"));
        setStatusText(withOpenFailure(kPortNotOpened, u' ', failure));
    };
    if (!target) {
        refuse({});
        return;
    }
    zentor::Connection::instance().choose(*target).then(
        this, [=, this](const zentor::connection::ChoiceResult& result) {
            if (!result.opened) {
                refuse(result.failure);
                return;
            }
            markPort(target);
            if (simulator) {
                m_ini->writeString(section, simKey, QStringLiteral("1"));
            } else {
                m_ini->writeString(section, comKey, QString::number(n));
                // Only write the simulator key when there is one to turn off.
                if (m_ini->readInt(section, simKey, 0) != 0)
                    m_ini->writeString(section, simKey, QStringLiteral("0"));
            }
            // A choice whose presence check was given up stays made: the
            // port is open.
            setStatusText(result.cancelled ? QString::fromLatin1(zentor::kCancelledText)
                                           : QString::fromStdString(result.answer));
        });
}

// ---- Pages and menu -------------------------------------------------------------

void TForm1::PageControl1Change() {
    if (m_inPageChange)
        return; // the page was put back below
    // A reconnect of the page left behind would only delay the new page's
    // first exchange.
    zentor::Link::instance().cancelBackground();
    TabSheet8->CheckBox3->setChecked(false);
    setStatusText(QString());
    if (Timer2->isActive() && PageControl1->currentWidget() != TabSheet3) {
        // No leaving "Extern Messen" while the board-side measurement counts.
        m_inPageChange = true;
        PageControl1->setCurrentWidget(TabSheet3);
        m_inPageChange = false;
    }
    QWidget* page = PageControl1->currentWidget();
    if (page == TabSheet3)
        setStatusText(kLoggerPageText);
    else if (page == TabSheet6)
        setStatusText(kRecorderPageText);
    if (page == TabSheet2) {
        Timer1->setInterval(kTimer1Entering);
        Timer1->start();
    } else {
        Timer1->stop();
    }
    setApplicationTitle(kCaption);
}

void TForm1::Beenden3Click() { close(); }

void TForm1::KopiernalsText1Click() {
    QStringList lines;
    QWidget* page = PageControl1->currentWidget();
    if (page == TabSheet6)
        lines = TabSheet6->copyLines();
    else if (page == TabSheet3)
        lines = TabSheet3->copyLines();
    else if (page == TabSheet8)
        lines = TabSheet8->copyLines();
    else if (page == TabSheet4)
        lines = TabSheet4->copyLines();
    else
        return; // the other pages leave the clipboard alone
    if (lines.isEmpty())
        return; // nothing recorded, an empty listing: the clipboard keeps its text

    // The text is put together in the recorder's memo and copied as a whole.
    // The joined text itself goes to the clipboard: a plain-text box would
    // drop a leading empty line and turn non-breaking spaces into blanks.
    const QString text = lines.join(QStringLiteral("\r\n"));
    TabSheet6->ytmemo->setPlainText(text);
    QGuiApplication::clipboard()->setText(text);
}

void TForm1::ber1Click() { dialogs::information(this, kAbout); }

void TForm1::HandbuchClick() {
    const QString path = handbookPath(QCoreApplication::applicationDirPath());
    if (!m_handbook)
        m_handbook = new HandbookWindow(path, this);
    if (!m_handbook->loaded())
        setStatusText(handbookNotOpenedText(path));
    m_handbook->show();
    m_handbook->raise();
    m_handbook->activateWindow();
}
