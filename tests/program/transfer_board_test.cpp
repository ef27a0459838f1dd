// Send && Start, the run controls and the read-back against the simulated
// board over a real pty, with the board's 1200-baud pacing on.
#include "board_commands.h"
#include "comphard.h"
#include "simulated_board.h"
#include "transfer_support.h"
#include "wait_until.h"

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

// Reads wait this long for a board that answers: on a busy machine the
// board's thread may be held up for a long while, and an answer taken for
// silence would shift every exchange after it. A silent board is found out
// with the short time-out.
constexpr int kAnswerTimeoutMs = 2000;
constexpr int kSilentTimeoutMs = 100;
// How long a test waits for the board to get somewhere.
constexpr auto kGenerousWait = std::chrono::seconds(30);

class TransferAgainstBoard : public testing::Test {
protected:
    TransferAgainstBoard() { view.timeout = kAnswerTimeoutMs; }

    // Starts the board and opens it with the view's time-out.
    void startBoard(RunnerOptions options = {}) {
        options.trace = [this](const sim::TraceEvent& e) {
            if (!e.fromPc)
                return;
            bool pullPlug = false;
            {
                std::lock_guard lock(m_traceMutex);
                m_fromPc.push_back(e.value);
                pullPlug = m_unplugAtUploadByte > 0 &&
                           uploadBytesLocked() == m_unplugAtUploadByte;
            }
            // On the board's thread, before the byte's echo can leave.
            if (pullPlug)
                board->unplug();
        };
        board = std::make_unique<SimulatedBoard>(std::move(options));
        ASSERT_TRUE(board->start()) << board->lastError();
        ASSERT_TRUE(comphard::OpenDevice(board->devicePath(), "1200,N,8,1"));
        comphard::SetTimeout(view.timeout);
    }

    // Pulls the plug when the board receives the n-th data byte of the
    // upload frame 27 127 n, however many resync rounds went before it; that
    // byte's echo never leaves.
    void unplugAtUploadByte(int n) {
        std::lock_guard lock(m_traceMutex);
        m_unplugAtUploadByte = n;
    }

    // Waits until the board is in `mode`; false after half a minute.
    bool awaitMode(Mode mode) {
        return testing_support::waitUntil([this, mode] { return board->snapshot().mode == mode; },
                                          kGenerousWait);
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

    // The count of the frame once it reached `count`, or at the generous
    // wait's end.
    int awaitFrames(const std::vector<int>& frame, int count) {
        testing_support::waitUntil([&] { return countFrames(frame) >= count; }, kGenerousWait);
        return countFrames(frame);
    }

    // Pulls the plug while the dump the board was asked for (27 126) is on
    // the line, once the PC has taken `cells` of it, however slowly either
    // side runs.
    void unplugDuringDump(int cells) {
        m_unplugger = std::thread([this, cells] {
            // The bar stands at the slot of the last cell taken.
            testing_support::waitUntil(
                [&] {
                    return countFrames({27, 126}) > 0 && view.latestPosition >= cells - 1;
                },
                kGenerousWait);
            board->unplug();
        });
    }

    QByteArray boardProgram(int n) {
        const auto memory = board->snapshot().memory;
        return QByteArray(reinterpret_cast<const char*>(memory.data()), n);
    }

    // The view, with its latest bar position readable from other threads.
    class ProgressView : public RecordingView {
    public:
        void setProgressPosition(int position) override {
            RecordingView::setProgressPosition(position);
            latestPosition = position;
        }
        std::atomic<int> latestPosition{-1};
    };

    std::unique_ptr<SimulatedBoard> board;
    ProgressView view;
    ProgramTransfer transfer{view};

private:
    // The data bytes of the first upload frame received so far; -1 before
    // its header. With m_traceMutex held.
    int uploadBytesLocked() const {
        for (std::size_t i = 0; i + 2 < m_fromPc.size(); ++i)
            if (m_fromPc[i] == board::kEsc && m_fromPc[i + 1] == board::kLoadProgram)
                return static_cast<int>(m_fromPc.size() - (i + 3));
        return -1;
    }

    std::mutex m_traceMutex;
    std::vector<std::uint8_t> m_fromPc;
    int m_unplugAtUploadByte = -1;
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
    // The board records the start frame once it has read it.
    EXPECT_EQ(awaitFrames({27, 121, 0}, 1), 1);

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
    view.timeout = kSilentTimeoutMs;
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
    startBoard();
    unplugAtUploadByte(20);
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
    unplugDuringDump(40);
    transfer.ButtonSendClick(code, true);
    EXPECT_EQ(view.status(), "LeseTimeout-Übertragungsfehler.");
    EXPECT_TRUE(transfer.stopped());
    EXPECT_EQ(countFrames({27, 121, 0}), 0) << "an unverified program is not started";
}

TEST_F(TransferAgainstBoard, UnpluggedDuringTheReadBackKeepsTheListing) {
    startBoard();
    unplugDuringDump(40);
    EXPECT_FALSE(transfer.ButtonDissClick().has_value());
    // A vanished device shows either as no byte within the input wait or as
    // a failed read, depending on when the plug goes.
    EXPECT_TRUE(view.status() == "LeseTimeout-Übertragungsfehler." ||
                view.status() == "Übertragungsfehler!")
        << view.status().toStdString();
    EXPECT_GE(view.position(), 39) << "the bar stays where the dump stopped";
    EXPECT_LT(view.position(), 127) << "the dump stopped";
    EXPECT_TRUE(transfer.stopped());
}

// ---- Run control ------------------------------------------------------------

TEST_F(TransferAgainstBoard, BreakAndContinueReportUnlessStopped) {
    startBoard();
    // A loop that runs until it is stopped.
    transfer.ButtonSendClick(compiled(lines({"L1:", "\tDelay 1 ms", "\tGoto L1: "})).codeLines,
                             true);
    ASSERT_EQ(view.status(), "Programm gestartet");
    // The start frame's last byte may still be on its way to the board.
    EXPECT_TRUE(awaitMode(Mode::Running));

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

    // The start takes the view's time-out.
    view.timeout = kAnswerTimeoutMs + 500;
    transfer.ButtonRUNClick();
    EXPECT_EQ(view.status(), "Programm gestartet");
    EXPECT_EQ(comphard::CurrentTimeout(), kAnswerTimeoutMs + 500);
    EXPECT_FALSE(transfer.stopped());
    EXPECT_TRUE(awaitMode(Mode::Running));
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
