// Send && Start, the run controls and the read-back against the simulated
// board over a real pty, with the board's 1200-baud pacing on.
#include "board_commands.h"
#include "comphard.h"
#include "simulated_board.h"
#include "transfer_support.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <thread>

namespace zentor::transfer_test {
namespace {

using sim::Mode;
using sim::RunnerOptions;
using sim::SimulatedBoard;

constexpr int kTimeoutMs = 100;

class TransferAgainstBoard : public testing::Test {
protected:
    void startBoard(RunnerOptions options = {}) {
        options.trace = [this](const sim::TraceEvent& e) {
            if (e.fromPc) {
                std::lock_guard lock(m_traceMutex);
                m_fromPc.push_back(e.value);
            }
        };
        board = std::make_unique<SimulatedBoard>(std::move(options));
        ASSERT_TRUE(board->start()) << board->lastError();
        ASSERT_TRUE(comphard::OpenDevice(board->devicePath(), "1200,N,8,1"));
        comphard::SetTimeout(kTimeoutMs);
    }

    void TearDown() override {
        if (m_unplugger.joinable())
            m_unplugger.join();
        comphard::ClosePort();
        if (board)
            board->stop();
    }

    // The bytes the board has received so far.
    std::vector<int> fromPc() {
        std::lock_guard lock(m_traceMutex);
        return {m_fromPc.begin(), m_fromPc.end()};
    }
    void clearTrace() {
        std::lock_guard lock(m_traceMutex);
        m_fromPc.clear();
    }

    // How often the frame occurs in what the board received.
    int countFrames(const std::vector<int>& frame) {
        const auto bytes = fromPc();
        int count = 0;
        for (std::size_t i = 0; i + frame.size() <= bytes.size(); ++i)
            count += std::equal(frame.begin(), frame.end(), bytes.begin() + i);
        return count;
    }

    // Pulls the plug `afterMs` after the board was asked for its memory
    // (27 126), while the dump is on the line (about 8.3 ms per cell).
    void unplugDuringDump(int afterMs) {
        m_unplugger = std::thread([this, afterMs] {
            const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(20);
            while (countFrames({27, 126}) == 0 && std::chrono::steady_clock::now() < giveUp)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            std::this_thread::sleep_for(std::chrono::milliseconds(afterMs));
            board->unplug();
        });
    }

    QByteArray boardProgram(int n) {
        const auto memory = board->snapshot().memory;
        return QByteArray(reinterpret_cast<const char*>(memory.data()), n);
    }

    std::unique_ptr<SimulatedBoard> board;
    RecordingView view;
    ProgramTransfer transfer{view};

private:
    std::mutex m_traceMutex;
    std::vector<std::uint8_t> m_fromPc;
    std::thread m_unplugger;
};

// ---- Round trips ------------------------------------------------------------

struct RoundTripCase {
    const char* name;
    QStringList listing;
};

void PrintTo(const RoundTripCase& c, std::ostream* os) {
    *os << c.name;
}

// Ten labels, each the target of a jump from below the last label.
QStringList tenTargets() {
    QStringList listing;
    const char digits[] = "123456789A";
    for (int k = 0; k < 10; ++k) {
        listing.append(QStringLiteral("L%1: Ziel").arg(QChar(digits[k])));
        listing.append(QStringLiteral("\tA = A + 1"));
    }
    for (int k = 9; k >= 0; --k)
        listing.append(QStringLiteral("\tIf A > B Goto L%1: ").arg(QChar(digits[k])));
    listing.append(QStringLiteral("\tEnd"));
    return listing;
}

class TransferRoundTrip : public TransferAgainstBoard,
                          public testing::WithParamInterface<RoundTripCase> {};

TEST_P(TransferRoundTrip, ReadBackCompilesToTheBytesSent) {
    startBoard();
    const CompileResult sent = compiled(GetParam().listing);
    const QByteArray image = codeListBytes(sent.codeLines);

    transfer.ButtonSendClick(sent.codeLines, true);
    EXPECT_EQ(view.statusTexts,
              lines({"Programm wird übertragen ...", "Überprüfung...", "Programm gestartet"}));
    EXPECT_FALSE(transfer.stopped());
    EXPECT_EQ(boardProgram(static_cast<int>(image.size())), image);
    EXPECT_EQ(countFrames({27, 127, static_cast<int>(image.size())}), 1);
    EXPECT_EQ(countFrames({27, 121, 0}), 1);

    const auto readBack = transfer.ButtonDissClick();
    ASSERT_TRUE(readBack.has_value()) << view.status().toStdString();
    EXPECT_EQ(view.status(), "OK. Programm ausgelesen.");
    EXPECT_TRUE(transfer.stopped());
    EXPECT_EQ(readBack->memory.left(image.size()), image);
    EXPECT_TRUE(readBack->disassembly.unresolvedTargets.isEmpty());
    EXPECT_EQ(codeListBytes(readBack->disassembly.codeLines), image);
    EXPECT_EQ(codeListBytes(compiled(readBack->disassembly.listing).codeLines), image)
        << "listing read back: " << testing::PrintToString(readBack->disassembly.listing);
}

INSTANTIATE_TEST_SUITE_P(
    Program, TransferRoundTrip,
    testing::Values(RoundTripCase{"JumpsForwardAndBackward",
                                  lines({"L1: Schleife", "\tA = Uin",
                                         "\tIf A > B Goto L2: ", "\tBeep",
                                         "\tGoto L1: ", "L2: Ende", "\tA = 88", "\tEnd"})},
                    RoundTripCase{"SubroutineAfterEnd",
                                  lines({"\tB = 3", "\tGosub L1: ", "\tEnd", "L1: Unterprogramm",
                                         "\tA = A + 1", "\tReturn"})},
                    RoundTripCase{"TenTargets", tenTargets()},
                    RoundTripCase{"LargestProgram", listingOfSize(124)}),
    [](const testing::TestParamInfo<RoundTripCase>& info) { return info.param.name; });

// ---- Repair pass ------------------------------------------------------------

TEST_F(TransferAgainstBoard, CellWrongOnceInTheDumpIsNotRewritten) {
    RunnerOptions o;
    o.board.faults.badCell = sim::BadCell{4, false};
    startBoard(o);
    const CompileResult sent = compiled(listingOfSize(10));
    transfer.ButtonSendClick(sent.codeLines, true);
    EXPECT_EQ(view.status(), "Programm gestartet");
    EXPECT_EQ(countFrames({27, 122, 4}), 1);
    EXPECT_EQ(countFrames({27, 120, 4}), 0);
    EXPECT_EQ(boardProgram(10), codeListBytes(sent.codeLines));
}

TEST_F(TransferAgainstBoard, CellThatStaysWrongIsReportedAndTheProgramStartsAnyway) {
    RunnerOptions o;
    o.board.faults.badCell = sim::BadCell{4, true};
    startBoard(o);
    const CompileResult sent = compiled(listingOfSize(10));
    const int value = static_cast<unsigned char>(codeListBytes(sent.codeLines)[4]);
    transfer.ButtonSendClick(sent.codeLines, true);
    EXPECT_EQ(view.status(), "Übertragungsfehler!");
    // Read twice, rewritten through register A, read once more.
    EXPECT_EQ(countFrames({27, 122, 4}), 3);
    EXPECT_EQ(countFrames({27, 20, value, 27, 120, 4}), 1);
    EXPECT_EQ(countFrames({27, 121, 0}), 1);
    EXPECT_FALSE(transfer.stopped());
    EXPECT_EQ(view.position(), 0);
}

// ---- Faults -----------------------------------------------------------------

TEST_F(TransferAgainstBoard, SilentBoardGetsNoProgram) {
    RunnerOptions o;
    o.board.faults.silent = true;
    startBoard(o);
    transfer.B1();
    transfer.ButtonSendClick(compiled(listingOfSize(10)).codeLines, true);
    EXPECT_EQ(view.status(), "Controler antwortet nicht!");
    EXPECT_EQ(countFrames({27, 127}), 0);
    EXPECT_TRUE(transfer.stopped()) << "the flag changes only when the start went out";

    transfer.ButtonRUNClick();
    EXPECT_EQ(view.status(), "Controler antwortet nicht!");
    EXPECT_EQ(countFrames({27, 121}), 0);
    EXPECT_TRUE(transfer.stopped());

    EXPECT_FALSE(transfer.ButtonDissClick().has_value());
    EXPECT_EQ(view.status(), "LeseTimeout-Übertragungsfehler.");
}

TEST_F(TransferAgainstBoard, UnpluggedDuringTheUpload) {
    RunnerOptions o;
    // Resync pair, presence check, 27 127 n, then 20 data bytes.
    o.board.faults.unplugAfter = 2 + 2 + 3 + 20;
    startBoard(o);
    transfer.ButtonSendClick(compiled(listingOfSize(60)).codeLines, true);
    EXPECT_EQ(view.status(), "Übertragungsfehler beim Senden!");
    EXPECT_TRUE(board->isUnplugged());
    EXPECT_EQ(view.maxima, std::vector<int>{59});
    EXPECT_EQ(view.position(), 19) << "the bar stays where the upload stopped";
}

TEST_F(TransferAgainstBoard, UnpluggedDuringTheVerification) {
    startBoard();
    const QStringList code = compiled(listingOfSize(10)).codeLines;
    transfer.B1();
    unplugDuringDump(400);
    transfer.ButtonSendClick(code, true);
    EXPECT_EQ(view.status(), "LeseTimeout-Übertragungsfehler.");
    EXPECT_TRUE(transfer.stopped());
    EXPECT_EQ(countFrames({27, 121, 0}), 0) << "an unverified program is not started";
}

TEST_F(TransferAgainstBoard, UnpluggedDuringTheReadBackKeepsTheListing) {
    startBoard();
    unplugDuringDump(500);
    EXPECT_FALSE(transfer.ButtonDissClick().has_value());
    // A vanished device shows either as no byte within the input wait or as
    // a failed read, depending on when the plug goes.
    EXPECT_TRUE(view.status() == "LeseTimeout-Übertragungsfehler." ||
                view.status() == "Übertragungsfehler!")
        << view.status().toStdString();
    EXPECT_GE(view.position(), 30) << "the bar stays where the dump stopped";
    EXPECT_TRUE(transfer.stopped());
}

// ---- Run control ------------------------------------------------------------

TEST_F(TransferAgainstBoard, BreakAndContinueReportUnlessStopped) {
    startBoard();
    // A loop that runs until it is stopped.
    transfer.ButtonSendClick(compiled(lines({"L1:", "\tDelay 1 ms", "\tGoto L1: "})).codeLines,
                             true);
    ASSERT_EQ(view.status(), "Programm gestartet");
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_EQ(board->snapshot().mode, Mode::Running);

    transfer.Button15Click();
    EXPECT_EQ(view.status(), "Programm unterbrochen");
    EXPECT_EQ(board->snapshot().mode, Mode::Interrupted);
    transfer.Button16Click();
    EXPECT_EQ(view.status(), "Programm fortgesetzt");
    EXPECT_EQ(board->snapshot().mode, Mode::Running);

    transfer.B1();
    EXPECT_EQ(view.status(), "Programm gestoppt");
    EXPECT_TRUE(transfer.stopped());
    EXPECT_EQ(board->snapshot().mode, Mode::Command);
    const int texts = static_cast<int>(view.statusTexts.size());
    transfer.Button15Click();
    transfer.Button16Click();
    EXPECT_EQ(view.statusTexts.size(), texts) << "after Stop, Break and Continue stay quiet";

    view.timeout = 120;
    transfer.ButtonRUNClick();
    EXPECT_EQ(view.status(), "Programm gestartet");
    EXPECT_EQ(comphard::CurrentTimeout(), 120);
    EXPECT_FALSE(transfer.stopped());
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_EQ(board->snapshot().mode, Mode::Running);
    transfer.Button15Click();
    EXPECT_EQ(view.status(), "Programm unterbrochen");
}

TEST_F(TransferAgainstBoard, BreakReportsRightAfterTheStart) {
    startBoard();
    transfer.Button15Click();
    EXPECT_EQ(view.status(), "Programm unterbrochen");
    transfer.Button16Click();
    EXPECT_EQ(view.status(), "Programm fortgesetzt");
}

} // namespace
} // namespace zentor::transfer_test
