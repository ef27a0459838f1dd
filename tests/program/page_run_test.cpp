// The group "Ausführen" on the "Programm" page against the simulated board:
// the buttons reach the board, and a read-back becomes the new listing.
#include "comphard.h"
#include "link.h"
#include "link_wait.h"
#include "monitor_box.h"
#include "page_support.h"
#include "simulated_board.h"
#include "wait_until.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>

#include <algorithm>
#include <mutex>

namespace {

using zentor::sim::RunnerOptions;
using zentor::sim::SimulatedBoard;

class ProgramPageRun : public PageTest {
protected:
    void SetUp() override {
        PageTest::SetUp();
        RunnerOptions options;
        options.board.pacing = paced;
        options.trace = [this](const zentor::sim::TraceEvent& e) {
            if (e.fromPc) {
                std::lock_guard lock(traceMutex);
                fromPc.push_back(e.value);
            }
        };
        boardPtr = std::make_unique<SimulatedBoard>(options);
        ASSERT_TRUE(board().start()) << board().lastError();
        ASSERT_TRUE(testing_support::onLink(
            [&] { return comphard::OpenDevice(board().devicePath(), "1200,N,8,1"); }));
        testing_support::onLink([&] { comphard::SetTimeout(50); });
    }
    void TearDown() override {
        testing_support::waitForLink();
        testing_support::onLink(comphard::ClosePort);
        boardPtr.reset();
        PageTest::TearDown();
    }

    SimulatedBoard& board() { return *boardPtr; }

    // The bytes the board received so far; clear() forgets them.
    std::vector<int> received() {
        std::lock_guard lock(traceMutex);
        return fromPc;
    }
    void clear() {
        std::lock_guard lock(traceMutex);
        fromPc.clear();
    }
    int uploads() {
        const auto bytes = received();
        int count = 0;
        for (std::size_t i = 0; i + 1 < bytes.size(); ++i)
            count += bytes[i] == 27 && bytes[i + 1] == 127;
        return count;
    }

    // A program built on the page: a loop of beeps with a delay.
    void buildLoop() {
        page->Beenden2Click();
        page->Add2Click(page->ListBox13); // "L1: "
        doubleClickEntry(page->ListBox5, QStringLiteral("Beep"));
        page->EditDelay->setText(QStringLiteral("100"));
        doubleClick(page->EditDelay, page->EditDelay->rect().center());
        doubleClickEntry(page->ListBox6, QStringLiteral("Goto "));
        ASSERT_EQ(lines(),
                  (QStringList{"L1: ", "\tBeep", "\tDelay = 100", "\tGoto L1: ", "\tEnd"}));
    }

    bool paced = false;
    std::unique_ptr<SimulatedBoard> boardPtr;
    std::mutex traceMutex;
    std::vector<int> fromPc;
};

// The same at line speed: the board answers at 1200 baud.
class ProgramPageRunPaced : public ProgramPageRun {
protected:
    ProgramPageRunPaced() { paced = true; }
};

TEST_F(ProgramPageRun, SendStartsTheCompiledProgramAndReadBringsItBack) {
    buildLoop();
    page->ButtonSend->click();
    testing_support::waitForLink();
    EXPECT_EQ(shell.status, QStringLiteral("Programm gestartet"));
    EXPECT_EQ(page->ProgressBar2->value(), 0);
    const auto snapshot = board().snapshot();
    const std::vector<int> expected{0x2D, 89, 100, 80, 0, 88};
    for (std::size_t k = 0; k < expected.size(); ++k)
        EXPECT_EQ(snapshot.memory[k], expected[k]) << "cell " << k;

    page->B1->click();
    testing_support::waitForLink();
    EXPECT_EQ(shell.status, QStringLiteral("Programm gestoppt"));

    // The read-back replaces the listing, the label pool and the code list.
    page->setListingLines({"\tReturn"});
    page->ResetLabelPool();
    page->ButtonCompClick();
    QTest::keyClick(page->ListBox1, Qt::Key_F2);
    ASSERT_FALSE(page->ButtonDiss->isHidden());
    page->ButtonDiss->click();
    testing_support::waitForLink();
    EXPECT_EQ(lines(), (QStringList{"L1: ", "\tBeep", "\tDelay = 100", "\tGoto L1: ", "\tEnd"}));
    EXPECT_EQ(itemsOf(page->ComboBox7), QStringList{"L1: "});
    EXPECT_EQ(selectedText(page->ListBox13), QStringLiteral("L2:"));
    EXPECT_EQ(page->codeList(), (QStringList{"00  2D", "01  59  64", "03  50  00", "05  58"}));
    EXPECT_EQ(shell.status, QStringLiteral("118 Bytes frei."));
    EXPECT_TRUE(page->ListBox6->isEnabled());
}

TEST_F(ProgramPageRun, TheInitialListingIsSentAsShown) {
    // Nothing has compiled the four initial lines yet.
    ASSERT_EQ(page->Listcode->count(), 0);
    page->ButtonSend->click();
    testing_support::waitForLink();
    EXPECT_EQ(page->Listcode->count(), 2);
    EXPECT_EQ(shell.status, QStringLiteral("Programm gestartet"));
}

TEST_F(ProgramPageRun, AProgramThatDidNotCompileIsNotSent) {
    page->setListingLines({"\tBeep", "\tA = xyz"});
    page->ButtonCompClick();
    ASSERT_EQ(boxes.size(), 1u);
    const auto before = board().snapshot().bytesReceived;
    page->ButtonSend->click();
    testing_support::waitForLink();
    EXPECT_EQ(board().snapshot().bytesReceived, before);
    EXPECT_EQ(shell.status, QStringLiteral("Programm fehlerhaft, nicht gesendet."));
}

TEST_F(ProgramPageRunPaced, StartBreakAndContinueReachTheBoard) {
    buildLoop();
    page->ButtonSend->click();
    testing_support::waitForLink();
    ASSERT_EQ(shell.status, QStringLiteral("Programm gestartet"));
    page->Button15->click();
    testing_support::waitForLink();
    EXPECT_EQ(shell.status, QStringLiteral("Programm unterbrochen"));
    page->Button16->click();
    testing_support::waitForLink();
    EXPECT_EQ(shell.status, QStringLiteral("Programm fortgesetzt"));
    page->B1->click();
    testing_support::waitForLink();
    EXPECT_EQ(board().snapshot().mode, zentor::sim::Mode::Command);
    page->ButtonRUN->click();
    testing_support::waitForLink();
    EXPECT_EQ(shell.status, QStringLiteral("Programm gestartet"));
    EXPECT_NE(board().snapshot().mode, zentor::sim::Mode::Command);
}

// While an upload runs, the buttons that start exchanges are disabled: a
// second "Send && Start" or a "Stop" clicked then is not carried out later.
TEST_F(ProgramPageRun, ClicksDuringAnUploadAreNotCarriedOutLater) {
    buildLoop();
    page->ButtonSend->click();
    for (QPushButton* button : {page->ButtonSend, page->ButtonRUN, page->B1, page->Button15,
                                page->Button16, page->ButtonDiss})
        EXPECT_FALSE(button->isEnabled()) << button->objectName().toStdString();
    page->ButtonSend->click();
    page->B1->click();
    testing_support::waitForLink();
    EXPECT_EQ(uploads(), 1);
    EXPECT_EQ(shell.status, QStringLiteral("Programm gestartet"));
    EXPECT_NE(board().snapshot().mode, zentor::sim::Mode::Command);
    EXPECT_TRUE(page->ButtonSend->isEnabled());
}

// Escape at a moment of Send && Start: the cancel lands just before a
// given byte leaves the PC. Whatever the page then says, the board agrees:
// its memory holds the program exactly when the page says it was sent, it
// runs exactly when the page says it was started, and the next exchange
// finds it in command mode (or leaves the started program alone).
TEST_F(ProgramPageRun, ACancelLeavesTheBoardAsThePageSays) {
    using Sent = std::vector<int>;
    struct Moment {
        const char* name;
        std::function<bool(const Sent& sent, int next)> at;
        QString status;
        bool programInMemory;
        bool programRuns;
    };
    const auto dataBytesSent = [](const Sent& sent) {
        const Sent header{27, 127, 6};
        const auto frame = std::search(sent.begin(), sent.end(), header.begin(), header.end());
        return frame == sent.end() ? -1 : static_cast<int>(sent.end() - frame) - 3;
    };
    const QString cancelled = QString::fromLatin1(zentor::kCancelledText);
    const QString afterUpload = QStringLiteral(
        "Abgebrochen: Das Programm ist übertragen, aber nicht geprüft und nicht gestartet.");
    const Moment moments[] = {
        {"in the first resync", [](const Sent& sent, int) { return sent.empty(); }, cancelled,
         false, false},
        {"in the load frame", [&](const Sent& sent, int) { return dataBytesSent(sent) == 3; },
         afterUpload, true, false},
        {"in the verification's frame",
         [](const Sent& sent, int next) { return next == 126 && sent.back() == 27; }, afterUpload,
         true, false},
        {"in the start frame",
         [](const Sent& sent, int next) { return next == 121 && sent.back() == 27; },
         QStringLiteral("Programm gestartet"), true, true},
    };
    const std::vector<int> program{0x2D, 89, 100, 80, 0, 88};

    for (const Moment& moment : moments) {
        SCOPED_TRACE(moment.name);
        boardPtr.reset();
        boardPtr = std::make_unique<SimulatedBoard>();
        ASSERT_TRUE(board().start()) << board().lastError();
        bool opened = false;
        Sent sent;
        bool fired = false;
        zentor::Link::instance().runAndWait([&] {
            opened = comphard::OpenDevice(board().devicePath(), "1200,N,8,1");
            // A board slowed by a busy machine still answers in time.
            comphard::SetTimeout(300);
            // Just before the byte goes out, Escape reaches the link.
            comphard::SetWriteTap([&](std::uint8_t byte) {
                if (!fired && moment.at(sent, byte)) {
                    fired = true;
                    QMetaObject::invokeMethod(
                        qApp, [] { zentor::Link::instance().cancel(); },
                        Qt::BlockingQueuedConnection);
                }
                sent.push_back(byte);
            });
        });
        ASSERT_TRUE(opened);
        buildLoop();

        page->ButtonSend->click();
        ASSERT_TRUE(testing_support::waitForLink());
        zentor::Link::instance().runAndWait([] { comphard::SetWriteTap({}); });
        ASSERT_TRUE(fired);
        EXPECT_EQ(shell.status, moment.status);
        EXPECT_EQ(page->ProgressBar2->value(), 0);

        const auto snapshot = board().snapshot();
        for (std::size_t k = 0; k < program.size(); ++k)
            EXPECT_EQ(snapshot.memory[k], moment.programInMemory ? program[k] : 0) << k;
        EXPECT_EQ(snapshot.mode != zentor::sim::Mode::Command, moment.programRuns);

        if (moment.programRuns) {
            // No resync is owed: the running program is left alone.
            const auto before = board().snapshot().bytesReceived;
            zentor::Link::instance().run([] {});
            ASSERT_TRUE(testing_support::waitForLink());
            EXPECT_EQ(board().snapshot().bytesReceived, before);
            EXPECT_NE(board().snapshot().mode, zentor::sim::Mode::Command);
        } else {
            // The next exchange's presence check is answered at once.
            EXPECT_EQ(testing_support::presenceCheck(), QStringLiteral("Ok"));
        }
        zentor::Link::instance().runAndWait([] { comphard::ClosePort(); });
    }
}

// Escape while the board streams its memory: the listing stays, and the
// board, still sending, is found at once by the next exchange.
TEST_F(ProgramPageRunPaced, AReadBackCancelledInTheDumpLeavesTheBoardFound) {
    zentor::Link::instance().runAndWait([] { comphard::SetTimeout(300); });
    buildLoop();
    QTest::keyClick(page->ListBox1, Qt::Key_F2);
    page->ButtonDiss->click();
    ASSERT_TRUE(QTest::qWaitFor([this] { return page->ProgressBar2->value() >= 20; }, 60000));
    zentor::Link::instance().cancel();
    const QString answer = testing_support::presenceCheck();
    EXPECT_EQ(shell.status, QString::fromLatin1(zentor::kCancelledText));
    EXPECT_EQ(lines(), (QStringList{"L1: ", "\tBeep", "\tDelay = 100", "\tGoto L1: ", "\tEnd"}));
    EXPECT_EQ(answer, QStringLiteral("Ok"));
}

// The recorder's next reading would interrupt a program just started.
TEST_F(ProgramPageRun, NoProgramIsStartedWhileTheRecorderRecords) {
    buildLoop();
    shell.recording = true;
    const auto before = board().snapshot().bytesReceived;
    for (QPushButton* button : {page->ButtonSend, page->ButtonRUN}) {
        shell.status.clear();
        button->click();
        ASSERT_TRUE(testing_support::waitForLink());
        EXPECT_EQ(shell.status, QStringLiteral("Zeitschreiber noch aktiv!"));
    }
    EXPECT_EQ(board().snapshot().bytesReceived, before);
}

// "Ausgabe der Platine": the example "Zaehler" prints 0, 1, 2, ... and the
// monitor lists each byte with its time; Stop ends the listening.
TEST_F(ProgramPageRun, TheMonitorListsWhatTheCounterPrints) {
    ASSERT_TRUE(page->openProgramFile(QStringLiteral(ZENTOR_SOURCE_EXAMPLES "/zaehler.z")));
    EXPECT_TRUE(page->monitor->isHidden());
    page->ButtonSend->click();
    ASSERT_TRUE(testing_support::waitForLink());
    ASSERT_EQ(shell.status, QStringLiteral("Programm gestartet"));
    EXPECT_TRUE(page->monitor->isVisible());
    EXPECT_TRUE(page->monitorListening());
    ASSERT_TRUE(QTest::qWaitFor([&] { return page->monitor->log().bytes().size() >= 3; }, 60000));

    const auto bytes = page->monitor->log().bytes();
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(bytes[k].value, k);
        EXPECT_EQ(page->monitor->list()->item(k)->text(), zentor::MonitorLog::rowText(bytes[k]));
        if (k > 0) {
            EXPECT_GE(bytes[k].milliseconds, bytes[k - 1].milliseconds);
        }
    }
    page->monitor->copyButton()->click();
    EXPECT_TRUE(
        QGuiApplication::clipboard()->text().startsWith(QStringLiteral("Zeit (s)\tWert\n")));

    page->B1->click();
    ASSERT_TRUE(testing_support::waitForLink());
    EXPECT_FALSE(page->monitorListening());
    EXPECT_FALSE(page->monitor->sendButton()->isEnabled());
    EXPECT_EQ(board().snapshot().mode, zentor::sim::Mode::Command);
}

// "Senden" hands a program waiting in "Input A" exactly one byte; 27 would
// break the program, so the field refuses it and nothing reaches the board.
TEST_F(ProgramPageRun, TheMonitorSendsAByteForInputAndRefusesTheBreak) {
    page->setListingLines({"L1: ", "\tInput A", "\tA = A + 1", "\tPrint A", "\tGoto L1: "});
    page->LabelUpdate();
    page->ButtonCompClick();
    page->ButtonSend->click();
    ASSERT_TRUE(testing_support::waitForLink());
    ASSERT_TRUE(testing_support::waitUntil([&] { return board().snapshot().waitingForInput; }));
    clear();

    QLineEdit* field = page->monitor->byteField();
    field->setText(QStringLiteral("41"));
    QTest::keyClick(field, Qt::Key_Return);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !page->monitor->log().bytes().isEmpty(); }, 60000));
    EXPECT_EQ(page->monitor->log().bytes().front().value, 42);
    EXPECT_EQ(received(), std::vector<int>{41});

    ASSERT_TRUE(testing_support::waitUntil([&] { return board().snapshot().waitingForInput; }));
    field->setText(QStringLiteral("27"));
    page->monitor->sendButton()->click();
    EXPECT_FALSE(page->monitor->hint()->isHidden());
    EXPECT_EQ(page->monitor->hint()->text(), zentor::sendBreakRefusal());
    ASSERT_TRUE(testing_support::waitForLink());
    EXPECT_EQ(received(), std::vector<int>{41});
    EXPECT_TRUE(board().snapshot().waitingForInput);
    EXPECT_NE(board().snapshot().mode, zentor::sim::Mode::Command);
}

} // namespace
