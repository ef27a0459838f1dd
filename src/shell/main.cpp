#include "termination_signals.h"
#include "qt_german.h"
#include "command_line.h"
#include "handbook.h"
#include "example_programs.h"
#include "tform1.h"
#include "access_style.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QFontDatabase>
#include <QTimer>

#include <cstdio>

namespace {

// GNU habit: a wrong command line ends the program with status 2.
constexpr int kExitUsage = 2;
constexpr int kExitNoDisplay = 1;

// A window can be shown: an X or Wayland display, or a platform chosen
// explicitly (offscreen in tests, a VNC or framebuffer platform).
bool displayAvailable() {
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        if (!qEnvironmentVariableIsEmpty(name))
            return true;
    return false;
}

// With ZENTOR_REPORT_FIRST_PAINT set (to anything but empty), the program
// prints "first paint <ms> ms" on standard output once the main window has
// been painted for the first time (<ms>: since main() began) and then quits.
// Start-up measurements use it; a normal run never sets it.
class FirstPaintReporter : public QObject {
public:
    FirstPaintReporter(QWidget& window, const QElapsedTimer& sinceStart)
        : m_window(window), m_sinceStart(sinceStart) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (!m_seen && event->type() == QEvent::Paint && watched->isWidgetType() &&
            static_cast<QWidget*>(watched)->window() == &m_window) {
            m_seen = true;
            // The rest of the window paints in the same pass; report after it.
            QTimer::singleShot(0, this, [this] {
                std::printf("first paint %lld ms\n",
                            static_cast<long long>(m_sinceStart.elapsed()));
                std::fflush(stdout);
                QCoreApplication::quit();
            });
        }
        return false;
    }

private:
    QWidget& m_window;
    const QElapsedTimer& m_sinceStart;
    bool m_seen = false;
};

} // namespace

int main(int argc, char* argv[]) {
    QElapsedTimer sinceStart;
    sinceStart.start();

    // The command line is read before QApplication connects to the display,
    // so that --help, --version and a wrong option need none.
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    const zentor::CommandLine commandLine = zentor::parseCommandLine(arguments);
    switch (commandLine.action) {
    case zentor::CommandLine::Action::Help: {
        // Where this program finds its handbook and examples (no
        // application object yet to ask for its folder).
        const QString folder = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalPath();
        const QString places = QStringLiteral("\nHandbuch: %1\nBeispiele: %2\n")
                                   .arg(handbookPath(folder), zentor::exampleFolder(folder));
        std::fputs((zentor::usageText() + places).toLocal8Bit().constData(), stdout);
        return 0;
    }
    case zentor::CommandLine::Action::Version:
        std::puts("zentor " ZENTOR_VERSION);
        return 0;
    case zentor::CommandLine::Action::Refuse:
        std::fprintf(stderr, "zentor: %s\n%s", commandLine.error.toLocal8Bit().constData(),
                     zentor::usageText().toLocal8Bit().constData());
        return kExitUsage;
    case zentor::CommandLine::Action::Run:
        break;
    }

    // Without a display Qt would abort with its own English text.
    if (!displayAvailable()) {
        std::fputs("Kein Bildschirm gefunden (DISPLAY/WAYLAND_DISPLAY nicht gesetzt).\n", stderr);
        return kExitNoDisplay;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("zentor"));
    QApplication::setApplicationVersion(QStringLiteral(ZENTOR_VERSION));
    // Without the catalogue Qt's dialogs stay English; the program runs on.
    installQtGerman(app);

    // The window is laid out for an 8-point sans font (11 pixels).
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setPixelSize(11);
    QApplication::setFont(font);
    // The desktop's style with a keyboard focus that can always be seen.
    QApplication::setStyle(new zentor::AccessStyle);

    TForm1::StartOptions options;
    options.simulator = commandLine.simulator;
    options.parameters = commandLine.parameters;
    options.measurementFile = commandLine.measurementFile;

    TForm1 window(options);
    // A termination request from outside (kill, logout, Ctrl+C in the
    // terminal) ends the program like "&Beenden": the listing is saved.
    TerminationSignals terminationSignals;
    QObject::connect(&terminationSignals, &TerminationSignals::received, &window, &QWidget::close);
    FirstPaintReporter reporter(window, sinceStart);
    if (!qEnvironmentVariableIsEmpty("ZENTOR_REPORT_FIRST_PAINT"))
        app.installEventFilter(&reporter);
    window.show();
    // A box of the start-up (a restored listing that had to be cut or moved
    // aside) runs its own loop inside show(): a termination request
    // answered there has ended the program before the main loop begins.
    if (!window.isVisible())
        return 0;
    return app.exec();
}
