#include "tform1.h"

#include "access_names.h"
#include "amm.h"
#include "analysis_commands.h"
#include "announcer.h"
#include "configuration.h"
#include "connection.h"
#include "device_pixels.h"
#include "dialogs.h"
#include "direct_page.h"
#include "example_programs.h"
#include "focus_return.h"
#include "handbook.h"
#include "journal.h"
#include "jpeg_image.h"
#include "link.h"
#include "logger_page.h"
#include "measurement_commands.h"
#include "page_access_keys.h"
#include "picture_label.h"
#include "port_menu.h"
#include "port_service.h"
#include "profile.h"
#include "program_page.h"
#include "recorder.h"
#include "recorder_page.h"
#include "recording_journal.h"
#include "report_commands.h"
#include "scope_page.h"
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
#include <QLocale>
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

#include <algorithm>

namespace {

constexpr int kClientWidth = 769;
constexpr int kClientHeight = 515;
constexpr int kStatusBarHeight = 19;

constexpr int kTimerCreated = 500;   // ms, until a page sets its own
constexpr int kTimer1Entering = 333; // ms: the first tick resynchronises
constexpr int kTimer2Interval = 500; // ms
constexpr int kTimerOsziInterval = 1000;
constexpr int kPageStepsToProgram = 5;
constexpr int kLinkProgressSteps = 20; // the status bar's bar moves in steps of 5 %
constexpr int kRevealCancelMs = 300; // until "Abbrechen" shows for a long exchange

constexpr int kRecorderChannelVoltage = 60;

const QString kCaption = QStringLiteral("Zentor");
const QString kStartTitle = QStringLiteral("ZENTOR");

const QString kNoPortChosen = QStringLiteral("Anschluss nicht gewählt.");
const QString kFirstStart =
    QStringLiteral("Erster Programmstart:\rZunächst einen Anschluß wählen (Menü/Anschluß)");
const QString kSearchBoard = QStringLiteral("Platine suchen");
const QString kSearchBoardHint =
    QStringLiteral("Fragt jeden USB-Anschluss und jeden eingestellten Anschluss nach der Platine");
const QString kBoardSilentAtStart =
    QStringLiteral("Die Platine an %1 antwortet nicht. Stecker und Strom prüfen, oder die "
                   "Platine suchen lassen.");
const QString kRecordingRestored = QStringLiteral("Aufzeichnung wiederhergestellt");
const QString kJournalFailed =
    QStringLiteral("Die Aufzeichnung wird nicht gegen Abstürze gesichert: ");
const QString kConnectionLost = QStringLiteral("Verbindung verloren – Platine wieder anstecken");
const QString kNoConnection = QStringLiteral("Keine Verbindung");
const QString kConnectionBack = QStringLiteral("Verbindung wieder da. Lücke von %1 s");
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
const QString kCreditText = QStringLiteral("Handbuch");
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
      m_ini(std::make_unique<ProfileFile>(configuration::iniPath(),
                                          configuration::systemIniPaths())) {
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
    new PageAccessKeys(*this, *PageControl1); // Alt+letter, F10, Ctrl+Tab; a child of the window
    new zentor::access::FocusReturn(this);    // back to a button the board kept busy
    zentor::access::takeOverPositions();      // a magnifier follows the focus at any scale

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setSizeGripEnabled(false);
    StatusBar1->setFixedHeight(kStatusBarHeight);
    m_statusLabel = new QLabel(StatusBar1);
    m_statusLabel->setObjectName(QStringLiteral("StatusText"));
    StatusBar1->addWidget(m_statusLabel, 1);
    m_statusNote = new QLabel(StatusBar1);
    m_statusNote->setObjectName(QStringLiteral("StatusNote"));
    m_statusNote->hide();
    StatusBar1->addWidget(m_statusNote);
    // The window's announcements are notifications of its status bar.
    new zentor::access::Announcer(StatusBar1);
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

TForm1::~TForm1() {
    FormDestroy();
    // Hidden while it is still the shell: a page that leaves its notes in
    // the status bar as it hides must not reach a window half gone.
    hide();
}

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
    const QList<MeasurementPage*> measurementPages{TabSheet6, TabSheet3, TabSheet8};
    m_measurementCommands = new zentor::MeasurementCommands(
        *this, {PageControl1, measurementPages, TabSheet2, TabSheet2->Anal1}, this);
    m_measurementCommands->bindActions(
        {MessungOeffnen1, MessungSpeichern1, MesswerteExportieren1, DiagrammBild1});
    m_recordingJournal = new zentor::RecordingJournal(*TabSheet6);
    connect(&m_recordingJournal->journal(), &zentor::Journal::failed, this,
            [this](const QString& reason) { setStatusText(kJournalFailed + reason); });

    Bearbeiten1 = bar->addMenu(QStringLiteral("&Bearbeiten"));
    Bearbeiten1->setObjectName(QStringLiteral("Bearbeiten1"));
    KopiernalsText1 = addEntry(Bearbeiten1, QStringLiteral("&Kopieren"), "KopiernalsText1");
    connect(KopiernalsText1, &QAction::triggered, this, &TForm1::KopiernalsText1Click);
    addSeparator(Bearbeiten1, "N6");
    Auswertung1 = addEntry(Bearbeiten1, QStringLiteral("Auswertung ..."), "Auswertung1");
    m_analysisCommands =
        new zentor::analysis::AnalysisCommands({PageControl1, measurementPages}, this);
    m_analysisCommands->bindAction(Auswertung1);
    m_reportCommands = new zentor::report::ReportCommands({PageControl1, measurementPages},
                                                          m_analysisCommands, this);
    m_reportCommands->bindActions(MessprotokollDrucken1, MessprotokollPdf1);

    Ports = new PortMenu(bar, *this, *m_ini, this, m_options.simulator);

    N3 = bar->addMenu(QStringLiteral("&?"));
    N3->setObjectName(QStringLiteral("N3"));
    Handbuch1 = addEntry(N3, QStringLiteral("&Handbuch"), "Handbuch1");
    Handbuch1->setShortcut(QKeySequence::HelpContents);
    connect(Handbuch1, &QAction::triggered, this, &TForm1::HandbuchClick);
    ber1 = addEntry(N3, QStringLiteral("Über ..."), "ber1");
    connect(ber1, &QAction::triggered, this, &TForm1::ber1Click);
}

// ---- Shell ----------------------------------------------------------------

void TForm1::setStatusText(const QString& text) {
    // What the status bar comes to show is heard. The message before,
    // again, is no news: "Offline" at every tick while the board is silent,
    // "Ok" at every step of the PWM slider, whatever readings came between.
    if (text != m_lastStatusMessage)
        zentor::access::announce(*StatusBar1, text);
    m_lastStatusMessage = text;
    m_statusLabel->setText(text);
}

void TForm1::setStatusReading(const QString& text) {
    m_statusLabel->setText(text);
}

QString TForm1::statusText() const { return m_statusLabel->text(); }

void TForm1::setStatusNote(const QString& text) {
    if (m_statusNote->text() == text)
        return;
    m_statusNote->setText(text);
    m_statusNote->setAccessibleName(QStringLiteral("Hinweis: ") + text);
    m_statusNote->setVisible(!text.isEmpty());
}

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
        // In steps of 5 %: the bar is small, and each step is an event that a
        // screen reader has to take; one per byte drowned "Programm gestartet".
        if (maximum <= 0) {
            m_linkProgress->setRange(0, 0);
            return;
        }
        m_linkProgress->setRange(0, kLinkProgressSteps);
        m_linkProgress->setValue(std::clamp(position, 0, maximum) * kLinkProgressSteps / maximum);
    });
    connect(&link, &zentor::Link::commandsRunningChanged, Ports, &PortMenu::followLink);

    zentor::Connection::instance().setResolver([this] { return Ports->configuredTarget(); });
    followConnectionState();
}

void TForm1::followConnectionState() {
    // While no board answers, the search is one click away.
    m_searchButton = new QPushButton(kSearchBoard, StatusBar1);
    m_searchButton->setObjectName(QStringLiteral("SearchButton"));
    m_searchButton->setAccessibleName(kSearchBoard);
    m_searchButton->setToolTip(kSearchBoardHint);
    m_searchButton->setFlat(true);
    m_searchButton->hide();
    StatusBar1->addPermanentWidget(m_searchButton);
    connect(m_searchButton, &QPushButton::clicked, Ports, &PortMenu::PlatineSuchen1Click);
    connect(&zentor::Connection::instance(), &zentor::Connection::portConnected, m_searchButton,
            [this](const std::optional<zentor::PortTarget>& target) {
                m_searchButton->setVisible(!target);
            });

    // A pulled cable is told at once and stays told until the device is
    // back, whatever a page writes into the status bar meanwhile.
    m_connectionLost = new QLabel(kNoConnection, StatusBar1);
    m_connectionLost->setObjectName(QStringLiteral("ConnectionLost"));
    m_connectionLost->setAccessibleName(kNoConnection);
    m_connectionLost->setToolTip(kConnectionLost);
    m_connectionLost->setStyleSheet(QStringLiteral("QLabel { color: #a00000; background: #ffffff; "
                                                   "font-weight: bold; padding: 0 4px; }"));
    m_connectionLost->hide();
    StatusBar1->addPermanentWidget(m_connectionLost);
    zentor::PortService& service = Ports->service();
    connect(&service, &zentor::PortService::connectionLost, this, [this] {
        m_connectionLost->show();
        setStatusText(kConnectionLost);
    });
    connect(&service, &zentor::PortService::connectionRestored, this,
            [this](qint64 gapMs, bool byService) {
                m_connectionLost->hide();
                if (byService)
                    setStatusText(kConnectionBack.arg(QLocale().toString(gapMs / 1000.0, 'f', 1)));
            });
}

// ---- Start-up and shut-down -------------------------------------------------

void TForm1::FormCreate() {
    TabSheet6->ytstart->setDefault(false); // until its page is shown
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
    // The page tabs have the focus at start: their focus frame shows at
    // once, as after a Tab, so that a keyboard user sees where keys go
    // (here, after the first-start box and after every dialog).
    setAttribute(Qt::WA_KeyboardFocusChange);
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
    Ports->uncheckAll();
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
        m_searchButton->show();
        const bool search =
            dialogs::offer(this, withOpenFailure(kFirstStart, u'\r', result.failure), kSearchBoard);
        if (m_shutDown)
            return; // ended while the box was open
        if (search)
            Ports->searchBoard(false);
    } else if (!result.answered) {
        // The port opened, but nothing answered the resync there.
        const std::optional<zentor::PortTarget> target = Ports->configuredTarget();
        setStatusText(kBoardSilentAtStart.arg(
            target && target->com > 0
                ? QStringLiteral("COM %1 (%2)")
                      .arg(target->com)
                      .arg(QString::fromStdString(target->devicePath))
                : QString::fromStdString(target ? target->devicePath : std::string())));
        m_searchButton->show();
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
    offerLeftBehindRecording();
}

void TForm1::offerLeftBehindRecording() {
    // A recording of an earlier run that ended without ending it.
    const std::optional<zentor::Measurement> left = m_recordingJournal->takeLeftBehind();
    if (!left || !dialogs::question(this, zentor::recordingJournalQuestion(*left)))
        return;
    m_measurementCommands->showMeasurement(*left);
    setStatusText(kRecordingRestored);
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
    Ports->shutDown();
}

// ---- Connection ---------------------------------------------------------------

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
    // The recorder's "Start" is the default button only on its page: a
    // screen reader tells the window's default button on every page.
    TabSheet6->ytstart->setDefault(page == TabSheet6);
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
    if (const auto* measurementPage = qobject_cast<const MeasurementPage*>(page))
        lines = measurementPage->copyLines();
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
