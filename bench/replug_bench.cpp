// A pulled cable and its return, as the window sees them: the simulated
// board behind a link named ttyUSB7 in a device folder of the benchmark's
// own, the link removed and made again. Measured: from the node's removal
// to "Verbindung verloren" in the status bar, and from its return to the
// first reading the board answers.
#include "bench_report.h"

#include "comphard.h"
#include "connection.h"
#include "link.h"
#include "serial_devices.h"
#include "simulated_board.h"
#include "tform1.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <filesystem>
#include <memory>

namespace bench {

namespace {

constexpr int kRounds = 10;
constexpr int kGiveUpMs = 10'000;

// Runs the event loop until done() holds; the milliseconds it took, or -1.
double msUntil(const std::function<bool()>& done) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > kGiveUpMs)
            return -1;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    }
    return clock.nsecsElapsed() / 1e6;
}

// The board search's time per device that is no board: a silent one, one
// that garbles every answer, and one that answers what it hears.
void runSearchBenchmark() {
    const std::string what = "search: time per device that is no board (max)";
    zentor::sim::BoardOptions silent;
    silent.faults.silent = true;
    zentor::sim::BoardOptions garbling;
    garbling.faults.wrongComplementRate = 1.0;
    std::vector<double> perDevice;
    for (const zentor::sim::BoardOptions& options : {silent, garbling}) {
        zentor::sim::RunnerOptions runner;
        runner.board = options;
        zentor::sim::SimulatedBoard board(runner);
        if (!board.start()) {
            fail(what, "the simulated board did not start");
            return;
        }
        for (int round = 0; round < 3; ++round) {
            QElapsedTimer clock;
            clock.start();
            zentor::connection::SearchResult result;
            zentor::Link::instance().runAndWait([&] {
                result = zentor::connection::search({{0, board.devicePath()}}, 300);
            });
            if (result.found) {
                fail(what, "a faulty board was taken for a board");
                return;
            }
            perDevice.push_back(clock.nsecsElapsed() / 1e6);
        }
    }
    const Stats s = statsOf(perDevice);
    std::printf("  (%zu searches: median %.1f ms)\n", perDevice.size(), s.median);
    report(what, s.max, 1000, "ms");
}

} // namespace

void runReplugBenchmark() {
    const std::string unplugged = "unplug: node gone to \"Verbindung verloren\" (max)";
    const std::string replugged = "replug: node back to the first answered poll (max)";
    QTemporaryDir home;
    const std::string dev = home.filePath(QStringLiteral("dev")).toStdString();
    std::filesystem::create_directories(dev);
    zentor::setDeviceFolders({dev, home.filePath(QStringLiteral("sys")).toStdString()});
    const QByteArray previousConfig = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", home.path().toLocal8Bit());

    auto board = std::make_unique<zentor::sim::SimulatedBoard>();
    if (!board->start()) {
        fail(unplugged, "the simulated board did not start");
        return;
    }
    const std::string node = dev + "/ttyUSB7";
    std::filesystem::create_symlink(board->devicePath(), node);
    QDir().mkpath(home.filePath(QStringLiteral("zentor")));
    QFile ini(home.filePath(QStringLiteral("zentor/zentor.ini")));
    if (ini.open(QIODevice::WriteOnly))
        ini.write("[ZENTOR1]\r\nCOM=0\r\nGeraet=" + QByteArray::fromStdString(node) + "\r\n");
    ini.close();

    std::vector<double> lost;
    std::vector<double> back;
    {
        TForm1 window;
        window.show();
        msUntil([] { return !zentor::Link::instance().busy(); });
        for (int round = 0; round < kRounds; ++round) {
            // Pulled: the node goes, and the device with it.
            std::filesystem::remove(node);
            board->unplug();
            lost.push_back(msUntil([&] {
                return window.statusText() ==
                       QStringLiteral("Verbindung verloren – Platine wieder anstecken");
            }));
            // Plugged in again: a new device behind the same name.
            board = std::make_unique<zentor::sim::SimulatedBoard>();
            if (!board->start()) {
                fail(replugged, "the simulated board did not start again");
                return;
            }
            std::filesystem::create_symlink(board->devicePath(), node);
            QElapsedTimer sincePlug;
            sincePlug.start();
            // Polls as the pages do, until one is answered.
            bool answered = false;
            while (!answered && sincePlug.elapsed() < kGiveUpMs) {
                bool done = false;
                zentor::Link::instance()
                    .run([] { return comphard::ReadAnalog(); }, zentor::Link::Kind::Poll)
                    .then(&window, [&](int reading) {
                        answered = reading >= 0 && window.statusText().startsWith(
                                                       QStringLiteral("Verbindung wieder da"));
                        done = true;
                    });
                msUntil([&] { return done; });
            }
            back.push_back(answered ? sincePlug.nsecsElapsed() / 1e6 : -1);
        }
        zentor::Link::instance().closePort();
    }
    board.reset();
    zentor::setDeviceFolders({});
    qputenv("XDG_CONFIG_HOME", previousConfig);

    auto report = [](const std::string& what, const std::vector<double>& values, double target) {
        if (std::find(values.begin(), values.end(), -1.0) != values.end()) {
            fail(what, "not within ten seconds");
            return;
        }
        const Stats s = statsOf(values);
        std::printf("  (%d rounds: median %.1f ms)\n", kRounds, s.median);
        bench::report(what, s.max, target, "ms");
    };
    report(unplugged, lost, 500);
    report(replugged, back, 2000);
    runSearchBenchmark();
}

} // namespace bench
