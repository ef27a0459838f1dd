// Writes a picture of every page of the main window, connected to the
// built-in simulator, into the folder given as the first argument.
#include "dialogs.h"
#include "tform1.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFontDatabase>
#include <QTabWidget>
#include <QTemporaryDir>

#include <cstdio>

namespace {

// Lets timers and repaints run for a while, as a user watching would.
void runFor(int ms) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
}

} // namespace

int main(int argc, char* argv[]) {
    // Settings go to a folder of their own, never the user's.
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");

    QApplication app(argc, argv);
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setPixelSize(11);
    QApplication::setFont(font);

    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    QDir().mkpath(folder);
    dialogs::setHandler([](QWidget*, const dialogs::Request&) { return QMessageBox::Ok; });

    TForm1::StartOptions options;
    options.simulator = true;
    TForm1 window(options);
    window.show();
    runFor(300);

    const QStringList names{"zentor", "direkt", "extern-messen", "zeitschreiber", "oszilloskop",
                            "programm"};
    for (int i = 0; i < window.PageControl1->count(); ++i) {
        window.PageControl1->setCurrentIndex(i);
        runFor(i == 1 ? 1500 : 300); // the "Direkt" page polls the board
        const QString path = QStringLiteral("%1/page-%2-%3.png").arg(folder).arg(i + 1).arg(names[i]);
        if (!window.grab().save(path)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return 1;
        }
        std::printf("%s\n", qPrintable(path));
    }
    window.close();
    return 0;
}
