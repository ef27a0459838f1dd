#include "fault_window.h"
#include "link_wait.h"
#include "wait_until.h"

#include "board_commands.h"
#include "comphard.h"
#include "configuration.h"
#include "link.h"
#include "program_file.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>

#include <algorithm>
#include <chrono>
#include <thread>

namespace faults {

namespace {

using zentor::sim::SimulatedBoard;

void writeAll(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    ASSERT_EQ(file.write(bytes), bytes.size());
}

// How long an armed plug waits for the PC to take the byte, and how long a
// test waits for the board's bytes: far beyond what either takes on a busy
// machine.
constexpr auto kGenerousWait = std::chrono::seconds(30);

} // namespace

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

QStringList programListing() {
    return {
        QStringLiteral("L1: Messschleife"),
        QStringLiteral("\tA = Uin"),
        QStringLiteral("\tPWM = A"),
        QStringLiteral("\tB = 128"),
        QStringLiteral("\tIf A > B Goto L2: "),
        QStringLiteral("\tOut = 0"),
        QStringLiteral("\tGoto L3: "),
        QStringLiteral("L2: hell"),
        QStringLiteral("\tOut = 1"),
        QStringLiteral("L3: warten"),
        QStringLiteral("\tDelay = 50"),
        QStringLiteral("\tA = Portin"),
        QStringLiteral("\tA = A And 63"),
        QStringLiteral("\tPortout = A"),
        QStringLiteral("\tPdir = 15"),
        QStringLiteral("\tC = 10"),
        QStringLiteral("L4: piepen"),
        QStringLiteral("\tBeep"),
        QStringLiteral("\tDelay = 20"),
        QStringLiteral("\tC*Goto L4: "),
        QStringLiteral("\tRem eine Runde ist fertig"),
        QStringLiteral("\tD = 3"),
        QStringLiteral("\tGoto L1: "),
        QStringLiteral("\tEnd"),
    };
}

void FaultWindow::SetUp() {
    ASSERT_TRUE(configHome.isValid());
    ASSERT_TRUE(work.isValid());
    m_previousConfigHome = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", configHome.path().toLocal8Bit());
    ASSERT_TRUE(QDir().mkpath(configuration::directory()));

    m_previousHandler = dialogs::setHandler([this](QWidget*, const dialogs::Request& request) {
        boxes.push_back(request);
        return QMessageBox::Ok;
    });
    m_previousBeep = dialogs::setBeepHandler([this] { ++beeps; });
    m_previousFileDialog = ProgramPage::setFileDialogHandler([](QWidget*, auto) {
        ADD_FAILURE() << "no file dialog is expected";
        return QString();
    });
    m_previousKeys = TForm1::setCtrlKeyState([] { return false; });
    m_progressConnection = QObject::connect(
        &zentor::Link::instance(), &zentor::Link::progressChanged, [this](int position, int maximum) {
            if (maximum == m_plugMaximum.load() && position >= m_plugPosition.load())
                m_plugReleased = true;
        });

    // The program the window opens, and a different listing in the autosave
    // file: neither may change while the board fails.
    programPath = work.filePath(QStringLiteral("messen.z"));
    programBytes = zentor::programFileBytes(programListing());
    writeAll(programPath, programBytes);
    autosavePath = zentor::autosavePath();
    autosaveBytes =
        zentor::programFileBytes({QStringLiteral("\tRem zuletzt"), QStringLiteral("\tEnd")});
    writeAll(autosavePath, autosaveBytes);
}

void FaultWindow::TearDown() {
    m_tearingDown = true; // an armed plug waits no longer
    QObject::disconnect(m_progressConnection);
    window.reset(); // without closing: the autosave is written only at exit
    testing_support::onLink(comphard::ClosePort);
    if (board)
        board->stop();
    dialogs::setHandler(m_previousHandler);
    dialogs::setBeepHandler(m_previousBeep);
    ProgramPage::setFileDialogHandler(m_previousFileDialog);
    TForm1::setCtrlKeyState(m_previousKeys);
    qputenv("XDG_CONFIG_HOME", m_previousConfigHome);
}

void FaultWindow::startBoard(zentor::sim::BoardOptions options) {
    if (board)
        board->stop(); // joins the board's thread: no trace call is left
    zentor::sim::RunnerOptions runner;
    runner.board = options;
    runner.trace = [this](const zentor::sim::TraceEvent& event) { onTrace(event); };
    {
        std::lock_guard lock(m_traceMutex);
        m_trace.clear();
        m_boardBytes = 0;
    }
    m_unplugAtBoardByte = -1;
    m_plugReleased = false;
    board = std::make_unique<SimulatedBoard>(std::move(runner));
    ASSERT_TRUE(board->start()) << board->lastError();
    // The time-out outlives the port; the window's connection starts with it.
    if (!comphard::PortIsOpen()) {
        ASSERT_TRUE(testing_support::onLink(
            [&] { return comphard::OpenDevice(board->devicePath(), "1200,N,8,1"); }));
        testing_support::onLink([&] { comphard::SetTimeout(readTimeoutMs); });
        testing_support::onLink(comphard::ClosePort);
    }
    writeIni();
}

void FaultWindow::writeIni() {
    const QByteArray ini = "[Time]\r\nMAXTimeout=" + QByteArray::number(readTimeoutMs) +
                           "\r\n[ZENTOR1]\r\nCOM=3\r\n[Ports]\r\nCOM3=" +
                           QByteArray::fromStdString(board->devicePath()) + "\r\n";
    writeAll(configuration::iniPath(), ini);
}

RecordingWindow& FaultWindow::openWindow() {
    TForm1::StartOptions options;
    options.parameters = {programPath};
    window = std::make_unique<RecordingWindow>(options);
    window->show(); // FormShow: connects, opens the file, steps to "Programm"
    testing_support::waitForLink();
    listingAtStart = window->TabSheet4->listingLines();
    // The event loop ran: the autosave follows the opened file within half a
    // second. From here on it must stay as it is.
    const QByteArray opened = zentor::programFileBytes(listingAtStart);
    QElapsedTimer clock;
    clock.start();
    while (readFile(autosavePath) != opened && clock.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    autosaveBytes = readFile(autosavePath);
    return *window;
}

void FaultWindow::onTrace(const zentor::sim::TraceEvent& event) {
    bool pullPlug = false;
    bool pullPlugNow = false;
    {
        std::lock_guard lock(m_traceMutex);
        m_trace.push_back(event);
        if (!event.fromPc) {
            ++m_boardBytes;
            pullPlug = static_cast<long long>(m_boardBytes) == m_unplugAtBoardByte.load();
        } else if (m_unplugAtUploadByte > 0) {
            // The data bytes after the first 27 127 n since arming.
            std::vector<int> pc;
            for (std::size_t i = m_uploadSearchFrom; i < m_trace.size(); ++i)
                if (m_trace[i].fromPc)
                    pc.push_back(m_trace[i].value);
            for (std::size_t i = 0; i + 2 < pc.size(); ++i) {
                if (pc[i] == board::kEsc && pc[i + 1] == board::kLoadProgram) {
                    pullPlugNow = static_cast<int>(pc.size() - (i + 3)) == m_unplugAtUploadByte;
                    break;
                }
            }
            if (pullPlugNow)
                m_unplugAtUploadByte = -1;
        }
    }
    if (pullPlugNow) {
        // On the board's thread: the byte's echo is queued but not yet sent.
        board->unplug();
        return;
    }
    if (pullPlug) {
        // On the board's own thread, which sends nothing while it waits here:
        // the plug goes between the armed byte and the next.
        testing_support::waitUntil([this] { return m_plugReleased.load() || m_tearingDown.load(); },
                                   kGenerousWait);
        board->unplug();
    }
}

void FaultWindow::unplugWhenTaken(int count, int position, int maximum) {
    m_plugReleased = false;
    m_plugPosition = position;
    m_plugMaximum = maximum;
    std::lock_guard lock(m_traceMutex);
    m_unplugAtBoardByte = static_cast<long long>(m_boardBytes) + count;
}

void FaultWindow::unplugAtUploadByte(int n) {
    std::lock_guard lock(m_traceMutex);
    m_uploadSearchFrom = m_trace.size();
    m_unplugAtUploadByte = n;
}

std::vector<int> FaultWindow::fromPc() const {
    std::lock_guard lock(m_traceMutex);
    std::vector<int> bytes;
    for (const auto& e : m_trace)
        if (e.fromPc)
            bytes.push_back(e.value);
    return bytes;
}

std::vector<int> FaultWindow::fromBoard() const {
    std::lock_guard lock(m_traceMutex);
    std::vector<int> bytes;
    for (const auto& e : m_trace)
        if (!e.fromPc)
            bytes.push_back(e.value);
    return bytes;
}

int FaultWindow::countFromPc(const std::vector<int>& frame) const {
    const std::vector<int> bytes = fromPc();
    int count = 0;
    for (std::size_t i = 0; i + frame.size() <= bytes.size(); ++i)
        count += std::equal(frame.begin(), frame.end(), bytes.begin() + static_cast<long>(i));
    return count;
}

bool FaultWindow::awaitBoardBytes(std::size_t n) const {
    return testing_support::waitUntil(
        [this, n] {
            std::lock_guard lock(m_traceMutex);
            return m_boardBytes >= n;
        },
        kGenerousWait);
}

void FaultWindow::expectListingAndFilesUnchanged() const {
    ASSERT_TRUE(window);
    EXPECT_EQ(window->TabSheet4->listingLines(), listingAtStart);
    EXPECT_EQ(readFile(programPath), programBytes) << "the program file was written";
    EXPECT_EQ(readFile(autosavePath), autosaveBytes) << "the autosave file was written";
}

} // namespace faults
