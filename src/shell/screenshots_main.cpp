// Writes a picture of every page of the main window into the folder given as
// the first argument, each page in a state worth looking at. The window runs
// against its built-in simulated board (as with --sim), under German number
// formats, and every page is driven through its own handlers as a user would:
//
//   page-1-zentor                  the start page
//   page-2-direkt                  the meter and the LEDs after some polls,
//                                  three port pins as outputs, PWM at 128
//                                  (the pins go back to inputs afterwards)
//   page-3-extern-messen-analog    a logger run of 7,5 s on the analog input
//   page-3-extern-messen-digital   the same on the port pins: the six lanes
//   page-4-zeitschreiber           a recording of 10 s, shown in volts
//   page-5-oszilloskop             a burst at 200 ms/DIV, shown in volts
//   page-6-programm                a program opened from a file (which
//                                  compiles it), sent and started, with the
//                                  code column switched on
//   page-6-programm-ausgabe        the example "Zaehler" running, its
//                                  printed numbers in "Ausgabe der Platine"
//   simulator-tafel                the simulator's panel window
//   auswertung                     "Auswertung ..." on a second recording:
//                                  cursors set by clicks, a sine fitted
//                                  between them, the first recording as the
//                                  reference curve
//   page-4-zeitschreiber-auswertung  the recorder's chart with those marks
//   messprotokoll                  the first page of the lab report of that
//                                  evaluation ("Als PDF speichern ..."), as
//                                  pdftoppm draws it from the PDF
//   zugang-direkt-<v>, zugang-programm-<v>
//                                  the "Direkt" and "Programm" pages for
//                                  access checks, each in a process of its
//                                  own on a 1920 x 1080 screen: <v> is 100,
//                                  150 and 200 (QT_SCALE_FACTOR 1, 1.5, 2;
//                                  at 200 the pages scroll) and "dunkel"
//                                  (100 % under a dark desktop palette), the
//                                  keyboard focus on the PWM bar and in the
//                                  listing
//
// The whole run takes about a minute: the logger and the recorder measure in
// the board's real time.
#include "access_style.h"
#include "analysis_commands.h"
#include "analysis_window.h"
#include "diagramm.h"
#include "dialogs.h"
#include "direct_page.h"
#include "example_programs.h"
#include "link.h"
#include "logger_page.h"
#include "monitor_box.h"
#include "program_file.h"
#include "program_page.h"
#include "qt_german.h"
#include "recorder_page.h"
#include "report.h"
#include "report_commands.h"
#include "scope_page.h"
#include "tform1.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFontDatabase>
#include <QListWidget>
#include <QMouseEvent>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <functional>

namespace {

// Lets timers and repaints run for a while, as a user watching would.
void runFor(int ms) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
}

// Runs the event loop until `done` or `limitMs` has passed; false on the limit.
bool runUntil(const std::function<bool()>& done, int limitMs) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > limitMs)
            return false;
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

// Runs the event loop until the link has no exchange left.
bool waitForLink() {
    return runUntil([] { return !zentor::Link::instance().busy(); }, 60000);
}

// A running light over the six port pins, with a label loop and a counter.
const QStringList kDemoProgram{
    QStringLiteral("L1: Lauflicht"), QStringLiteral("\tPdir = 63"),
    QStringLiteral("\tLED = Blink"), QStringLiteral("\tC = 4"),
    QStringLiteral("L2: Runde"),     QStringLiteral("\tA = 1"),
    QStringLiteral("\tB = 64"),      QStringLiteral("L3: Schritt"),
    QStringLiteral("\tPortout = A"), QStringLiteral("\tDelay = 150"),
    QStringLiteral("\tA = A Shl 1"), QStringLiteral("\tIf A < B Goto L3:"),
    QStringLiteral("\tBeep"),        QStringLiteral("\tC*Goto L2:"),
    QStringLiteral("L4: Ende"),      QStringLiteral("\tPortout = 0"),
    QStringLiteral("\tLED = 0"),     QStringLiteral("\tEnd"),
};

class Shooter {
public:
    Shooter(TForm1& window, QString folder) : m_window(window), m_folder(std::move(folder)) {}

    bool save(QWidget& widget, const QString& name) {
        QApplication::processEvents();
        const QString path = QStringLiteral("%1/%2.png").arg(m_folder, name);
        if (!widget.grab().save(path)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return false;
        }
        std::printf("%s  (status: \"%s\")\n", qPrintable(path), qPrintable(m_window.statusText()));
        std::fflush(stdout);
        return true;
    }
    bool save(const QString& name) { return save(m_window, name); }
    const QString& folder() const { return m_folder; }

    void showPage(QWidget* page) {
        m_window.PageControl1->setCurrentWidget(page);
        runFor(300);
    }

private:
    TForm1& m_window;
    QString m_folder;
};

void driveDirect(TForm1& w) {
    DirectPage& page = *w.TabSheet2;
    // Pins 1 to 3 as outputs, pins 1 and 3 switched on.
    for (QCheckBox* box : {page.d1, page.d2, page.d3})
        box->setChecked(true);
    for (QCheckBox* box : {page.o1, page.o3})
        box->setChecked(true);
    page.o1Click();
    waitForLink();
    page.ScrollBarPWM->setValue(128);
    page.ScrollBarPWMChange();
    waitForLink();
    // A few poll cycles; stop where the sine of the analog input is high.
    runUntil([&page] { return page.LastAnalog() > 180; }, 6000);
}

// All port pins back to inputs, so that the logger sees them count.
void releasePins(TForm1& w) {
    DirectPage& page = *w.TabSheet2;
    for (QCheckBox* box : {page.d1, page.d2, page.d3, page.o1, page.o3})
        box->setChecked(false);
    page.o1Click();
    waitForLink();
}

bool runLogger(TForm1& w, int input) {
    LoggerPage& page = *w.TabSheet3;
    page.ComboBox16->setCurrentIndex(0); // "7,5 Sekunden"
    page.ComboBox16Change();
    page.ComboBox17->setCurrentIndex(input);
    page.ComboBox17Change();
    page.CheckBox1->setChecked(true); // read out at the end of the countdown
    page.Button12Click();
    waitForLink();
    if (!runUntil([&w] { return !w.Timer2->isActive(); }, 30000) || !waitForLink())
        return false;
    runFor(300);
    return true;
}

bool runRecorder(TForm1& w) {
    RecorderPage& page = *w.TabSheet6;
    page.timeyt->setCurrentIndex(3); // " 10 Sekunden"
    page.timeytChange();
    page.CheckBox2->setChecked(true);
    page.CheckBox2Click();
    page.ytstartClick();
    // The recording begins once the board has answered its check.
    const bool done = runUntil([&page] { return page.isRecording(); }, 30000) &&
                      runUntil([&page] { return !page.isRecording(); }, 30000);
    runFor(300);
    return done;
}

void runScope(TForm1& w) {
    ScopePage& page = *w.TabSheet8;
    page.RadioButton5->setChecked(true); // 200 ms/DIV: one period of the sine
    page.RadioButton5Click();
    page.CheckBox4->setChecked(true);
    page.CheckBox4Click();
    page.Button14Click(page.Button14);
    waitForLink();
    runFor(300);
}

// Opens the demonstration program as a file through "&Öffnen ...", which
// compiles it, shows the code column, and sends and starts it.
bool runProgram(TForm1& w, const QString& folder) {
    ProgramPage& page = *w.TabSheet4;
    const QString path = folder + QStringLiteral("/Lauflicht.z");
    if (!zentor::writeFileAtomically(path, zentor::programFileBytes(kDemoProgram)))
        return false;
    const auto previous = ProgramPage::setFileDialogHandler(
        [path](QWidget*, ProgramPage::FileDialogKind) { return path; });
    page.ffnen1Click();
    ProgramPage::setFileDialogHandler(previous);
    // The page as a new user sees it: the code column comes with the
    // visible switch "Code anzeigen".
    page.CheckBoxCode->setChecked(true);
    page.selectRow(8);
    page.ButtonSendClick();
    waitForLink();
    runFor(1200); // the running light takes a few steps
    return true;
}

// Opens the example "Zaehler", sends and starts it, and lets it print a few
// numbers into "Ausgabe der Platine".
bool runCounter(TForm1& w) {
    ProgramPage& page = *w.TabSheet4;
    if (!page.openProgramFile(zentor::exampleFolder(QCoreApplication::applicationDirPath()) +
                              QStringLiteral("/zaehler.z")))
        return false;
    page.ButtonSendClick();
    waitForLink();
    return runUntil([&page] { return page.monitor->log().bytes().size() >= 8; }, 10000);
}

// A click of the left button on the recorder's chart at time t.
void clickChart(TDiagramm& chart, double t) {
    const QPoint at(chart.ToPixelX(t), chart.scale().top + chart.scale().height / 2);
    for (const QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        QMouseEvent event(type, QPointF(at), QPointF(chart.mapToGlobal(at)), Qt::LeftButton,
                          type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                          Qt::NoModifier);
        QApplication::sendEvent(&chart, &event);
    }
}

// The lab report of the page in front as a PDF in `folder`, and its first
// page as messprotokoll.png (poppler-utils' pdftoppm, 100 dpi).
bool saveReportPicture(TForm1& w, const QString& folder) {
    auto* reports = w.findChild<zentor::report::ReportCommands*>();
    const std::optional<zentor::report::Report> report =
        reports ? reports->reportOfCurrentPage(QStringLiteral("Anna Beispiel, 9b, 08.12.2026"))
                : std::nullopt;
    const QString pdf = folder + QStringLiteral("/messprotokoll.pdf");
    if (!report || !zentor::writeFileAtomically(pdf, zentor::report::reportPdf(*report))) {
        std::fprintf(stderr, "zentor-screenshots: the lab report was not written\n");
        return false;
    }
    QProcess pdftoppm;
    pdftoppm.start(QStringLiteral("pdftoppm"),
                   {QStringLiteral("-png"), QStringLiteral("-r"), QStringLiteral("100"),
                    QStringLiteral("-singlefile"), pdf, folder + QStringLiteral("/messprotokoll")});
    if (!pdftoppm.waitForFinished(60000) || pdftoppm.exitCode() != 0) {
        std::fprintf(stderr, "zentor-screenshots: pdftoppm failed: %s\n",
                     qPrintable(pdftoppm.errorString()));
        return false;
    }
    std::printf("%s/messprotokoll.png\n", qPrintable(folder));
    return true;
}

// The recording on the page is kept as the reference; a second one is
// evaluated between 1 s and 7 s with a sine.
bool runAnalysis(TForm1& w, Shooter& shoot, const QString& folder) {
    using namespace zentor::analysis;
    RecorderPage& page = *w.TabSheet6;
    const QString reference = folder + QStringLiteral("/Vergleich.zmess");
    if (!zentor::writeFileAtomically(reference, zentor::measurementFileBytes(page.measurement())))
        return false;
    runFor(700); // the sine moves on: the second recording starts elsewhere on it
    if (!runRecorder(w))
        return false;
    w.Auswertung1->trigger();
    auto* commands = w.findChild<AnalysisCommands*>();
    AnalysisWindow* analysis = commands ? commands->window() : nullptr;
    if (analysis == nullptr)
        return false;
    const auto previous =
        AnalysisCommands::setReferenceDialogHandler([reference](QWidget*) { return reference; });
    analysis->loadReference->click();
    AnalysisCommands::setReferenceDialogHandler(previous);
    page.ytdiagram->Repaint();
    clickChart(*page.ytdiagram, 1.0);
    analysis->cursorB->click();
    clickChart(*page.ytdiagram, 7.0);
    emit analysis->fitChoice->activated(static_cast<int>(FitKind::Sine) + 1);
    runFor(300);
    bool ok = shoot.save(*analysis, QStringLiteral("auswertung"));
    ok = shoot.save(QStringLiteral("page-4-zeitschreiber-auswertung")) && ok;
    ok = saveReportPicture(w, shoot.folder()) && ok;
    analysis->close();
    return ok;
}

// The access variants: a name, a scale factor, the dark palette or not.
struct Variant {
    const char* name;
    const char* scale;
    bool dark;
};
constexpr Variant kVariants[] = {
    {"100", "1", false},
    {"150", "1.5", false},
    {"200", "2", false},
    {"dunkel", "1", true},
};
const QString kVariantOption = QStringLiteral("--variant");

// A dark desktop palette, as dark themes set it.
QPalette darkPalette() {
    QPalette p;
    const QColor window(45, 45, 48);
    const QColor base(30, 30, 30);
    const QColor text(230, 230, 230);
    p.setColor(QPalette::Window, window);
    p.setColor(QPalette::WindowText, text);
    p.setColor(QPalette::Base, base);
    p.setColor(QPalette::AlternateBase, window);
    p.setColor(QPalette::Text, text);
    p.setColor(QPalette::Button, window);
    p.setColor(QPalette::ButtonText, text);
    p.setColor(QPalette::ToolTipBase, base);
    p.setColor(QPalette::ToolTipText, text);
    p.setColor(QPalette::Highlight, QColor(42, 130, 218));
    p.setColor(QPalette::HighlightedText, Qt::white);
    p.setColor(QPalette::Disabled, QPalette::Text, QColor(120, 120, 120));
    p.setColor(QPalette::Disabled, QPalette::WindowText, QColor(120, 120, 120));
    p.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(120, 120, 120));
    return p;
}

// Moves the focus to `target` as the Tab key does, so that its focus frame
// shows.
void tabFocus(QWidget* target) {
    target->window()->setAttribute(Qt::WA_KeyboardFocusChange);
    target->setFocus(Qt::TabFocusReason);
    runFor(100);
}

// One access variant, in this process (started with its scale factor).
int shootVariant(const QString& folder, const Variant& variant) {
    TForm1::StartOptions options;
    options.simulator = true;
    TForm1 window(options);
    window.show();
    window.activateWindow();
    runFor(500);
    // The panel would cover nothing here; only the main window is shot.
    for (QWidget* top : QApplication::topLevelWidgets())
        if (top != &window && top->objectName().contains(u"Simulator"))
            top->hide();
    Shooter shoot(window, folder);
    const QString suffix = QString::fromLatin1(variant.name);
    bool ok = true;

    shoot.showPage(window.TabSheet2);
    driveDirect(window);
    tabFocus(window.TabSheet2->ScrollBarPWM);
    ok = shoot.save(QStringLiteral("zugang-direkt-") + suffix) && ok;
    releasePins(window);

    shoot.showPage(window.TabSheet4);
    QTemporaryDir programs;
    if (!runProgram(window, programs.path()))
        std::fprintf(stderr, "cannot write the demonstration program\n");
    tabFocus(window.TabSheet4->ListBox1);
    ok = shoot.save(QStringLiteral("zugang-programm-") + suffix) && ok;
    window.close();
    return ok ? 0 : 1;
}

// Runs every access variant in a process of its own: the scale factor is
// read once, when the application starts.
bool shootVariants(const QString& folder) {
    QTemporaryDir screens;
    const QString config = screens.filePath(QStringLiteral("screen.json"));
    QFile file(config);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(R"({"screens": [{"name": "Bildschirm", "x": 0, "y": 0, "width": 1920,
                       "height": 1080, "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})") < 0)
        return false;
    file.close();
    bool ok = true;
    for (const Variant& variant : kVariants) {
        QProcess child;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_SCALE_FACTOR"), QString::fromLatin1(variant.scale));
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"),
                           QStringLiteral("offscreen:configfile=") + config);
        child.setProcessEnvironment(environment);
        child.setProcessChannelMode(QProcess::ForwardedChannels);
        child.start(QCoreApplication::applicationFilePath(),
                    {folder, kVariantOption, QString::fromLatin1(variant.name)});
        ok = child.waitForFinished(120000) && child.exitStatus() == QProcess::NormalExit &&
             child.exitCode() == 0 && ok;
    }
    return ok;
}

} // namespace

int main(int argc, char* argv[]) {
    // Settings go to a folder of their own, never the user's; numbers come
    // out German, as on the systems the program is made for.
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    qputenv("LC_ALL", "de_DE.UTF-8");
    qputenv("LANG", "de_DE.UTF-8");
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");

    QApplication app(argc, argv);
    installQtGerman(app);
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setPixelSize(11);
    QApplication::setFont(font);

    QApplication::setStyle(new zentor::AccessStyle);

    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    QDir().mkpath(folder);
    dialogs::setHandler([](QWidget*, const dialogs::Request& request) {
        std::fprintf(stderr, "message box: %s\n", qPrintable(request.text));
        return QMessageBox::Ok;
    });
    dialogs::setBeepHandler([] {});

    if (argc > 3 && QString::fromLocal8Bit(argv[2]) == kVariantOption) {
        const QString name = QString::fromLocal8Bit(argv[3]);
        for (const Variant& variant : kVariants) {
            if (name != QLatin1String(variant.name))
                continue;
            if (variant.dark)
                QApplication::setPalette(darkPalette());
            return shootVariant(folder, variant);
        }
        std::fprintf(stderr, "unknown variant %s\n", qPrintable(name));
        return 2;
    }

    TForm1::StartOptions options;
    options.simulator = true;
    TForm1 window(options);
    window.show();
    waitForLink();
    runFor(500);
    Shooter shoot(window, folder);
    bool ok = true;

    ok = shoot.save(QStringLiteral("page-1-zentor")) && ok;

    shoot.showPage(window.TabSheet2);
    driveDirect(window);
    ok = shoot.save(QStringLiteral("page-2-direkt")) && ok;
    releasePins(window);

    shoot.showPage(window.TabSheet3);
    if (!runLogger(window, 0))
        std::fprintf(stderr, "the analog logger run did not end\n");
    ok = shoot.save(QStringLiteral("page-3-extern-messen-analog")) && ok;
    if (!runLogger(window, 1))
        std::fprintf(stderr, "the digital logger run did not end\n");
    ok = shoot.save(QStringLiteral("page-3-extern-messen-digital")) && ok;

    shoot.showPage(window.TabSheet6);
    if (!runRecorder(window))
        std::fprintf(stderr, "the recording did not end\n");
    ok = shoot.save(QStringLiteral("page-4-zeitschreiber")) && ok;

    shoot.showPage(window.TabSheet8);
    runScope(window);
    ok = shoot.save(QStringLiteral("page-5-oszilloskop")) && ok;

    shoot.showPage(window.TabSheet4);
    QTemporaryDir programs;
    if (!runProgram(window, programs.path()))
        std::fprintf(stderr, "cannot write the demonstration program\n");
    ok = shoot.save(QStringLiteral("page-6-programm")) && ok;

    // The panel is a window of its own, opened when the simulator connected.
    for (QWidget* top : QApplication::topLevelWidgets())
        if (top != &window && top->isVisible() && top->objectName().contains(u"Simulator"))
            ok = shoot.save(*top, QStringLiteral("simulator-tafel")) && ok;

    if (!runCounter(window))
        std::fprintf(stderr, "the example Zaehler printed nothing\n");
    ok = shoot.save(QStringLiteral("page-6-programm-ausgabe")) && ok;

    shoot.showPage(window.TabSheet6);
    QTemporaryDir measurements;
    if (!runAnalysis(window, shoot, measurements.path())) {
        std::fprintf(stderr, "the evaluation could not be shown\n");
        ok = false;
    }

    window.close();
    if (!shootVariants(folder)) {
        std::fprintf(stderr, "an access variant could not be shot\n");
        ok = false;
    }
    return ok ? 0 : 1;
}
