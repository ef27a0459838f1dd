// The group "Ausführen" on the "Programm" page against the simulated board:
// the buttons reach the board, and a read-back becomes the new listing.
#include "comphard.h"
#include "page_support.h"
#include "simulated_board.h"

#include <QProgressBar>
#include <QPushButton>

namespace {

using zentor::sim::RunnerOptions;
using zentor::sim::SimulatedBoard;

class ProgramPageRun : public PageTest {
protected:
    void SetUp() override {
        PageTest::SetUp();
        RunnerOptions options;
        options.board.pacing = paced;
        boardPtr = std::make_unique<SimulatedBoard>(options);
        ASSERT_TRUE(board().start()) << board().lastError();
        ASSERT_TRUE(comphard::OpenDevice(board().devicePath(), "1200,N,8,1"));
        comphard::SetTimeout(50);
    }
    void TearDown() override {
        comphard::ClosePort();
        boardPtr.reset();
        PageTest::TearDown();
    }

    SimulatedBoard& board() { return *boardPtr; }

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
};

// The same at line speed: the board answers at 1200 baud.
class ProgramPageRunPaced : public ProgramPageRun {
protected:
    ProgramPageRunPaced() { paced = true; }
};

TEST_F(ProgramPageRun, SendStartsTheCompiledProgramAndReadBringsItBack) {
    buildLoop();
    page->ButtonSend->click();
    EXPECT_EQ(shell.status, QStringLiteral("Programm gestartet"));
    EXPECT_EQ(page->ProgressBar2->value(), 0);
    const auto snapshot = board().snapshot();
    const std::vector<int> expected{0x2D, 89, 100, 80, 0, 88};
    for (std::size_t k = 0; k < expected.size(); ++k)
        EXPECT_EQ(snapshot.memory[k], expected[k]) << "cell " << k;

    page->B1->click();
    EXPECT_EQ(shell.status, QStringLiteral("Programm gestoppt"));

    // The read-back replaces the listing, the label pool and the code list.
    page->setListingLines({"\tReturn"});
    page->ResetLabelPool();
    page->ButtonCompClick();
    QTest::keyClick(page->ListBox1, Qt::Key_F2);
    ASSERT_FALSE(page->ButtonDiss->isHidden());
    page->ButtonDiss->click();
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
    EXPECT_EQ(page->Listcode->count(), 2);
    EXPECT_EQ(shell.status, QStringLiteral("Programm gestartet"));
}

TEST_F(ProgramPageRun, AProgramThatDidNotCompileIsNotSent) {
    page->setListingLines({"\tBeep", "\tA = xyz"});
    page->ButtonCompClick();
    ASSERT_EQ(boxes.size(), 1u);
    const auto before = board().snapshot().bytesReceived;
    page->ButtonSend->click();
    EXPECT_EQ(board().snapshot().bytesReceived, before);
    EXPECT_EQ(shell.status, QStringLiteral("Programm fehlerhaft, nicht gesendet."));
}

TEST_F(ProgramPageRunPaced, StartBreakAndContinueReachTheBoard) {
    buildLoop();
    page->ButtonSend->click();
    ASSERT_EQ(shell.status, QStringLiteral("Programm gestartet"));
    page->Button15->click();
    EXPECT_EQ(shell.status, QStringLiteral("Programm unterbrochen"));
    page->Button16->click();
    EXPECT_EQ(shell.status, QStringLiteral("Programm fortgesetzt"));
    page->B1->click();
    EXPECT_EQ(board().snapshot().mode, zentor::sim::Mode::Command);
    page->ButtonRUN->click();
    EXPECT_EQ(shell.status, QStringLiteral("Programm gestartet"));
    EXPECT_NE(board().snapshot().mode, zentor::sim::Mode::Command);
}

} // namespace
