// The exact bytes, answers and pauses of the transfer, seen from the board's
// side of a pty: a scripted board that can answer wrong or not at all.
#include "board_commands.h"
#include "comphard.h"
#include "precise_wait.h"
#include "pty_peer.h"
#include "transfer_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <thread>

namespace zentor::transfer_test {
namespace {

using testing_support::PtyPeer;

constexpr int kTimeoutMs = 50;
constexpr std::int64_t kMs = 1000;

struct FakeBoardOptions {
    bool answerResync = true;
    std::vector<std::uint8_t> presenceAnswer{32, 223};
    // Data bytes of an upload answered before the board falls silent; -1: all.
    int echoes = -1;
    // Answers each data byte with this value instead of the byte itself.
    std::optional<int> echoValue;
    // Cells of a dump sent before the board falls silent.
    int dumpCells = board::kMemoryCells;
    // What the dump shows for a cell holding `value`.
    std::function<int(int cell, int value)> dumped;
    // What the read of a cell shows: `reads` counts the reads of that cell
    // since the upload, from 1.
    std::function<int(int cell, int value, int reads)> cellRead;
    bool answerCellReads = true;
};

// A board in command mode that knows the frames of the transfer.
class FakeBoard {
public:
    explicit FakeBoard(FakeBoardOptions options) : m_o(std::move(options)) {}

    std::array<int, board::kMemoryCells> memory{};

    std::vector<std::uint8_t> onByte(int b) {
        if (m_loadLeft > 0)
            return loadByte(b);
        m_frame.push_back(b);
        if (m_frame[0] != board::kEsc || m_frame.size() > 3) {
            m_frame.clear();
            return {};
        }
        if (m_frame.size() < 2)
            return {};
        const int c = m_frame[1];
        const bool withOperand = c == board::kLoadProgram || c == board::kReadCell ||
                                 c == board::kLoadA || c == board::kStoreCell ||
                                 c == board::kRunProgram;
        if (withOperand && m_frame.size() < 3)
            return {};
        const int operand = withOperand ? m_frame[2] : 0;
        m_frame.clear();
        switch (c) {
        case board::kEsc:
            if (m_o.answerResync)
                return {27, 228};
            return {};
        case board::kPresence:
            return m_o.presenceAnswer;
        case board::kLoadProgram:
            m_loadLeft = operand;
            m_loadIndex = 0;
            return {};
        case board::kReadMemory: {
            std::vector<std::uint8_t> out;
            for (int k = 0; k < m_o.dumpCells; ++k) {
                const int v = memory[static_cast<std::size_t>(k)];
                out.push_back(static_cast<std::uint8_t>(m_o.dumped ? m_o.dumped(k, v) : v));
            }
            if (m_o.dumpCells == board::kMemoryCells) {
                out.push_back(126);
                out.push_back(129);
            }
            return out;
        }
        case board::kReadCell: {
            if (!m_o.answerCellReads)
                return {};
            const int v = memory[static_cast<std::size_t>(operand)];
            const int shown =
                m_o.cellRead
                    ? m_o.cellRead(operand, v, ++m_reads[static_cast<std::size_t>(operand)])
                    : v;
            return {static_cast<std::uint8_t>(shown), static_cast<std::uint8_t>(255 - shown)};
        }
        case board::kLoadA:
            m_a = operand;
            return {static_cast<std::uint8_t>(operand), static_cast<std::uint8_t>(255 - operand)};
        case board::kStoreCell:
            memory[static_cast<std::size_t>(operand)] = m_a;
            return {static_cast<std::uint8_t>(operand), static_cast<std::uint8_t>(255 - operand)};
        default:
            return {};
        }
    }

private:
    std::vector<std::uint8_t> loadByte(int b) {
        memory[static_cast<std::size_t>(m_loadIndex)] = b;
        m_reads[static_cast<std::size_t>(m_loadIndex)] = 0;
        ++m_loadIndex;
        --m_loadLeft;
        if (m_o.echoes >= 0 && m_loadIndex > m_o.echoes)
            return {};
        std::vector<std::uint8_t> out{static_cast<std::uint8_t>(m_o.echoValue.value_or(b))};
        if (m_loadLeft == 0) {
            out.push_back(127);
            out.push_back(128);
        }
        return out;
    }

    FakeBoardOptions m_o;
    std::vector<int> m_frame;
    int m_loadLeft = 0;
    int m_loadIndex = 0;
    int m_a = 0;
    std::array<int, board::kMemoryCells> m_reads{};
};

class TransferBytes : public testing::Test {
protected:
    void connect(FakeBoardOptions options = {}) {
        fake = std::make_shared<FakeBoard>(std::move(options));
        peer.setScript([fake = fake](const std::vector<testing_support::ReceivedByte>& all) {
            return fake->onByte(all.back().value);
        });
        ASSERT_TRUE(comphard::OpenDevice(peer.path(), "1200,N,8,1"));
        comphard::SetTimeout(kTimeoutMs);
    }

    void TearDown() override { comphard::ClosePort(); }

    std::vector<int> received() const {
        const auto values = peer.receivedValues();
        return {values.begin(), values.end()};
    }

    int countFrames(const std::vector<int>& frame) const {
        const auto bytes = received();
        int count = 0;
        for (std::size_t i = 0; i + frame.size() <= bytes.size(); ++i)
            count += std::equal(frame.begin(), frame.end(), bytes.begin() + i);
        return count;
    }

    PtyPeer peer;
    std::shared_ptr<FakeBoard> fake;
    RecordingView view;
    ProgramTransfer transfer{view};
};

std::vector<int> concat(std::initializer_list<std::vector<int>> parts) {
    std::vector<int> all;
    for (const auto& p : parts)
        all.insert(all.end(), p.begin(), p.end());
    return all;
}

std::vector<int> bytesOf(const QByteArray& image) {
    std::vector<int> bytes;
    for (char c : image)
        bytes.push_back(static_cast<unsigned char>(c));
    return bytes;
}

// ---- Send && Start: bytes and pauses -------------------------------------

TEST_F(TransferBytes, UploadSendsTheFramesInOrderWithTheirPauses) {
    connect();
    transfer.ButtonSendClick(lines({"00  2D", "01  50  00"}), true);

    const std::vector<int> expected{27, 27,                // resync, answered at once
                                    27, 1,                 // presence check
                                    27, 127, 3, 45, 80, 0, // upload
                                    27, 126,               // verification dump
                                    27, 121, 0};           // start
    ASSERT_TRUE(peer.waitForBytes(expected.size(), std::chrono::seconds(2)));
    EXPECT_EQ(received(), expected);
    EXPECT_EQ(view.statusTexts,
              lines({"Programm wird übertragen ...", "Überprüfung...", "Programm gestartet"}));
    EXPECT_EQ(view.maxima, (std::vector<int>{2, 128}));
    std::vector<int> positions{0, 0, 1, 2};
    for (int k = 0; k < 128; ++k)
        positions.push_back(k);
    positions.push_back(0);
    EXPECT_EQ(view.positions, positions);
    EXPECT_FALSE(transfer.stopped());

    // The least time before each byte after the first: 10 ms after every
    // byte written; 20 ms more in each resync round and after the presence
    // check's frame; 5 ms and 1 ms more around each loaded byte's answer.
    const std::vector<std::int64_t> least{30 * kMs, 30 * kMs, 10 * kMs,           // 27 | 27 1
                                          20 * kMs, 10 * kMs, 10 * kMs, 10 * kMs, // 27 127 3 45
                                          16 * kMs, 16 * kMs,                     // 80 0
                                          16 * kMs, 10 * kMs,                     // 27 126
                                          10 * kMs, 10 * kMs, 10 * kMs};          // 27 121 0
    const auto stamps = peer.received();
    const auto gaps = testing_support::gapsMicroseconds(stamps);
    ASSERT_EQ(gaps.size(), least.size());
    for (std::size_t i = 0; i < least.size(); ++i)
        EXPECT_GE(gaps[i], least[i]) << "before byte " << i + 1;
}

struct SizeCase {
    int size;
    bool sent;
};

class TransferSize : public TransferBytes, public testing::WithParamInterface<SizeCase> {};

TEST_P(TransferSize, At124BytesTheProgramGoesOutAbove124Nothing) {
    connect();
    QStringList listing = listingOfSize(124);
    if (GetParam().size == 125)
        listing.append(QStringLiteral("\tEnd"));
    const CompileResult program = compiled(listing);
    ASSERT_EQ(program.size, GetParam().size);
    transfer.ButtonSendClick(program.codeLines, true);
    if (GetParam().sent) {
        EXPECT_TRUE(view.errors.isEmpty());
        EXPECT_EQ(view.status(), "Programm gestartet");
        const auto bytes = received();
        const std::vector<int> loadFrame{27, 127};
        const auto load =
            std::search(bytes.begin(), bytes.end(), loadFrame.begin(), loadFrame.end());
        ASSERT_GE(bytes.end() - load, 3 + GetParam().size);
        const std::vector<int> upload(load, load + 3 + GetParam().size);
        EXPECT_EQ(upload,
                  concat({{27, 127, GetParam().size}, bytesOf(codeListBytes(program.codeLines))}));
        // 10 ms after each loaded byte, 5 ms before its answer, 1 ms after.
        const auto stamps = peer.received();
        const auto first = static_cast<std::size_t>(load - bytes.begin()) + 3;
        const auto last = first + static_cast<std::size_t>(GetParam().size) - 1;
        EXPECT_GE(stamps[last].atMicroseconds - stamps[first].atMicroseconds,
                  (GetParam().size - 1) * 16 * kMs);
    } else {
        EXPECT_EQ(view.errors, lines({"Programm zu lang!"}));
        EXPECT_TRUE(view.statusTexts.isEmpty());
        comphard::WaitMilliseconds(20);
        EXPECT_TRUE(received().empty());
    }
}

INSTANTIATE_TEST_SUITE_P(Program, TransferSize,
                         testing::Values(SizeCase{124, true}, SizeCase{125, false}));

// ---- Refusals -------------------------------------------------------------

TEST_F(TransferBytes, EmptyCodeListIsNotSent) {
    connect();
    transfer.ButtonSendClick(QStringList(), true);
    EXPECT_EQ(view.status(), "Kein Programm zum Senden.");
    EXPECT_TRUE(view.errors.isEmpty());
    for (int maximum : view.maxima)
        EXPECT_GE(maximum, 0);
    // A listing of comments and labels only compiles to nothing as well.
    transfer.ButtonSendClick(compiled(lines({"L1: Nichts", "\tRem leer"})).codeLines, true);
    EXPECT_EQ(view.status(), "Kein Programm zum Senden.");
    comphard::WaitMilliseconds(20);
    EXPECT_TRUE(received().empty());
}

TEST_F(TransferBytes, CodeListOfAFailedCompilationIsNotSent) {
    connect();
    const CompileResult failed =
        compileListing(lines({"\tGoto L1: ", "\tA = xyz", "L1:", "\tEnd"}));
    ASSERT_FALSE(failed.ok);
    ASSERT_FALSE(failed.codeLines.isEmpty()) << "a partial code list is left";
    transfer.ButtonSendClick(failed.codeLines, false);
    EXPECT_EQ(view.status(), "Programm fehlerhaft, nicht gesendet.");
    EXPECT_EQ(view.beeps, 1);

    transfer.setLastCompileOk(false);
    transfer.ButtonSendClick(failed.codeLines);
    EXPECT_EQ(view.beeps, 2);
    comphard::WaitMilliseconds(20);
    EXPECT_TRUE(received().empty());

    transfer.setLastCompileOk(true);
    transfer.ButtonSendClick(compiled(lines({"\tEnd"})).codeLines);
    EXPECT_EQ(view.status(), "Programm gestartet");
}

TEST_F(TransferBytes, OtherAnswerBytesStillPaceTheWholeUpload) {
    FakeBoardOptions o;
    o.echoValue = 0xAA;
    connect(o);
    const CompileResult program = compiled(listingOfSize(20));
    transfer.ButtonSendClick(program.codeLines, true);
    EXPECT_EQ(view.status(), "Programm gestartet");
    EXPECT_EQ(countFrames(concat({{27, 127, 20}, bytesOf(codeListBytes(program.codeLines))})), 1);
}

// ---- Board silent or wrong ------------------------------------------------

struct SilenceCase {
    const char* name;
    FakeBoardOptions options;
    const char* status;
    // Frames that must not have been sent.
    std::vector<int> notSent;
    bool started;
};

void PrintTo(const SilenceCase& c, std::ostream* os) {
    *os << c.name;
}

FakeBoardOptions silentAt(std::function<void(FakeBoardOptions&)> change) {
    FakeBoardOptions o;
    change(o);
    return o;
}

class TransferSilence : public TransferBytes, public testing::WithParamInterface<SilenceCase> {};

TEST_P(TransferSilence, EndsWithItsStatus) {
    const SilenceCase& c = GetParam();
    connect(c.options);
    transfer.B1();
    transfer.ButtonSendClick(compiled(listingOfSize(10)).codeLines, true);
    EXPECT_EQ(view.status(), QString::fromUtf8(c.status));
    if (!c.notSent.empty()) {
        EXPECT_EQ(countFrames(c.notSent), 0);
    }
    EXPECT_EQ(countFrames({27, 121, 0}), c.started ? 1 : 0);
    EXPECT_EQ(transfer.stopped(), !c.started);
}

INSTANTIATE_TEST_SUITE_P(
    Program, TransferSilence,
    testing::Values(SilenceCase{"NoPresenceAnswer",
                                silentAt([](FakeBoardOptions& o) { o.presenceAnswer.clear(); }),
                                "Controler antwortet nicht!",
                                {27, 127},
                                false},
                    SilenceCase{"WrongPresenceAnswer",
                                silentAt([](FakeBoardOptions& o) {
                                    o.presenceAnswer = {33, 222};
                                }),
                                "Controler antwortet nicht!",
                                {27, 127},
                                false},
                    SilenceCase{"SilentAfterFiveLoadedBytes",
                                silentAt([](FakeBoardOptions& o) { o.echoes = 5; }),
                                "Übertragungsfehler beim Senden!",
                                {27, 126},
                                false},
                    SilenceCase{"NoDump",
                                silentAt([](FakeBoardOptions& o) { o.dumpCells = 0; }),
                                "LeseTimeout-Übertragungsfehler.",
                                {27, 122},
                                false},
                    SilenceCase{"DumpBreaksOffAfter60Cells",
                                silentAt([](FakeBoardOptions& o) { o.dumpCells = 60; }),
                                "LeseTimeout-Übertragungsfehler.",
                                {27, 122},
                                false},
                    // The repair reads nothing back, so the cell counts as still wrong.
                    SilenceCase{"SilentDuringTheRepair",
                                silentAt([](FakeBoardOptions& o) {
                                    o.dumped = [](int cell, int v) {
                                        return cell == 4 ? v + 1 : v;
                                    };
                                    o.answerCellReads = false;
                                }),
                                "Übertragungsfehler!",
                                {},
                                true}),
    [](const testing::TestParamInfo<SilenceCase>& info) { return info.param.name; });

TEST_F(TransferBytes, UploadFailureLeavesTheBarWhereItStopped) {
    FakeBoardOptions o;
    o.echoes = 5;
    connect(o);
    transfer.ButtonSendClick(compiled(listingOfSize(10)).codeLines, true);
    EXPECT_EQ(view.status(), "Übertragungsfehler beim Senden!");
    EXPECT_EQ(view.position(), 5);
}

// ---- Repair pass ----------------------------------------------------------

struct RepairCase {
    const char* name;
    std::vector<int> wrongInDump; // cells the dump shows wrong
    int wrongReads;               // reads of a cell that show it wrong (from the first)
    int expectedCellReads;        // 27 122 frames
    int expectedRewrites;         // 27 120 frames
    const char* status;
};

void PrintTo(const RepairCase& c, std::ostream* os) {
    *os << c.name;
}

class TransferRepair : public TransferBytes, public testing::WithParamInterface<RepairCase> {};

// The program: 60 bytes of "A = n" loads; cell 3 holds 0, every other cell a
// value above 0.
TEST_P(TransferRepair, RewritesOnlyCellsThatStayWrong) {
    const RepairCase& c = GetParam();
    FakeBoardOptions o;
    const std::vector<int> wrong = c.wrongInDump;
    o.dumped = [wrong](int cell, int v) {
        return std::find(wrong.begin(), wrong.end(), cell) != wrong.end() ? (v + 1) % 256 : v;
    };
    const int wrongReads = c.wrongReads;
    o.cellRead = [wrongReads](int, int v, int reads) {
        return reads <= wrongReads ? (v + 1) % 256 : v;
    };
    connect(o);
    const QByteArray image = codeListBytes(compiled(listingOfSize(60)).codeLines);
    ASSERT_EQ(image[3], 0);
    transfer.ButtonSendClick(compiled(listingOfSize(60)).codeLines, true);
    EXPECT_EQ(view.status(), QString::fromUtf8(c.status));
    EXPECT_EQ(countFrames({27, 122}), c.expectedCellReads);
    EXPECT_EQ(countFrames({27, 120}), c.expectedRewrites);
    EXPECT_EQ(countFrames({27, 121, 0}), 1) << "the program is started in every case";
    // What the board holds in the end: the program, unless a cell stayed wrong.
    if (c.status == std::string("Programm gestartet")) {
        for (int k = 0; k < 60; ++k)
            EXPECT_EQ(fake->memory[static_cast<std::size_t>(k)],
                      static_cast<unsigned char>(image[k]))
                << "cell " << k;
    }
}

std::vector<int> cellsFrom(int first, int count) {
    std::vector<int> cells;
    for (int k = 0; k < count; ++k)
        cells.push_back(first + k);
    return cells;
}

INSTANTIATE_TEST_SUITE_P(
    Program, TransferRepair,
    testing::Values(
        RepairCase{"OnlyTheDumpWasWrong", {7}, 0, 1, 0, "Programm gestartet"},
        RepairCase{"RightOnTheSecondRead", {7}, 1, 2, 0, "Programm gestartet"},
        RepairCase{"RightAfterTheRewrite", {7}, 2, 3, 1, "Programm gestartet"},
        RepairCase{"StaysWrong", {7}, 99, 3, 1, "Übertragungsfehler!"},
        // A cell meant to hold 0 is neither read nor rewritten.
        RepairCase{"ZeroCellIsLeftAlone", {3}, 99, 0, 0, "Programm gestartet"},
        // Cells beyond the program are not compared.
        RepairCase{"CellsAfterTheProgramDoNotCount", {60, 61, 100}, 99, 0, 0, "Programm gestartet"},
        // 49 mismatches are repaired (cell 3 among them is skipped) ...
        RepairCase{"FortyNineMismatches", cellsFrom(0, 49), 0, 48, 0, "Programm gestartet"},
        // ... 50 are not touched.
        RepairCase{"FiftyMismatches", cellsFrom(0, 50), 99, 0, 0, "Programm gestartet"}),
    [](const testing::TestParamInfo<RepairCase>& info) { return info.param.name; });

TEST_F(TransferBytes, RepairWaitsAfterStoringTheCell) {
    FakeBoardOptions o;
    o.dumped = [](int cell, int v) { return cell == 2 ? v + 1 : v; };
    o.cellRead = [](int, int v, int reads) { return reads <= 2 ? v + 1 : v; };
    connect(o);
    const QByteArray image = codeListBytes(compiled(listingOfSize(10)).codeLines);
    transfer.ButtonSendClick(compiled(listingOfSize(10)).codeLines, true);
    ASSERT_EQ(view.status(), "Programm gestartet");
    const auto all = peer.received();
    const std::vector<int> repair{
        27, 122, 2, 27, 122, 2, 27, 20, static_cast<unsigned char>(image[2]),
        27, 120, 2, 27, 122, 2};
    const auto values = received();
    const auto at = std::search(values.begin(), values.end(), repair.begin(), repair.end());
    ASSERT_NE(at, values.end());
    const auto stored = static_cast<std::size_t>(at - values.begin()) + 11; // the 2 of 27 120 2
    EXPECT_GE(all[stored + 1].atMicroseconds - all[stored].atMicroseconds, 30 * kMs);
}

// ---- Run control ----------------------------------------------------------

TEST_F(TransferBytes, RunControlBytes) {
    connect();
    transfer.Button15Click();
    comphard::WaitMilliseconds(5);
    EXPECT_EQ(received(), std::vector<int>{27});
    peer.clearReceived();

    transfer.Button16Click();
    comphard::WaitMilliseconds(5);
    EXPECT_EQ(received(), std::vector<int>{0});
    peer.clearReceived();

    transfer.B1();
    EXPECT_EQ(received(), (std::vector<int>{27, 27}));
    peer.clearReceived();

    view.timeout = 77;
    transfer.ButtonRUNClick();
    EXPECT_EQ(received(), (std::vector<int>{27, 27, 27, 1, 27, 121, 0}));
    EXPECT_EQ(comphard::CurrentTimeout(), 77);
    EXPECT_EQ(view.status(), "Programm gestartet");
}

// ---- Read-back ------------------------------------------------------------

TEST_F(TransferBytes, ReadBackStopsDumpsAndDisassembles) {
    connect();
    const int program[] = {0x66, 0x5A, 0x50, 0x00, 0x58};
    for (int k = 0; k < 5; ++k)
        fake->memory[static_cast<std::size_t>(k)] = program[k];
    fake->memory[100] = 0x77; // left over, after "End"

    const auto result = transfer.ButtonDissClick();
    ASSERT_TRUE(result.has_value()) << view.status().toStdString();
    EXPECT_EQ(received(), (std::vector<int>{27, 27, 27, 27, 27, 126}));
    EXPECT_EQ(view.statusTexts,
              lines({"Programm gestoppt", "Lese Daten ...", "OK. Programm ausgelesen."}));
    EXPECT_TRUE(transfer.stopped());
    EXPECT_EQ(view.maxima, std::vector<int>{128});
    ASSERT_EQ(view.positions.size(), 129u);
    EXPECT_EQ(view.positions[127], 127);
    EXPECT_EQ(view.position(), 0);
    EXPECT_EQ(result->memory.size(), 128);
    EXPECT_EQ(static_cast<unsigned char>(result->memory[100]), 0x77);
    EXPECT_EQ(result->disassembly.listing,
              lines({"L1: ", "\tA = A + 1", "\tDelay 1 ms", "\tGoto L1: ", "\tEnd"}));
    EXPECT_EQ(result->disassembly.codeLines, lines({"00  66", "01  5A", "02  50  00", "04  58"}));
}

TEST_F(TransferBytes, ReadBackGivesUpOnABoardThatKeepsSending) {
    FakeBoardOptions o;
    o.answerResync = false;
    connect(o);
    std::atomic<bool> sending{true};
    std::thread chatter([&] {
        while (sending) {
            peer.send({0x55});
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    });
    const std::int64_t start = comphard::monotonicMicroseconds();
    const auto result = transfer.ButtonDissClick();
    const std::int64_t took = comphard::monotonicMicroseconds() - start;
    sending = false;
    chatter.join();

    EXPECT_FALSE(result.has_value());
    EXPECT_EQ(view.status(), "Controler sendet ununterbrochen, nichts ausgelesen.");
    EXPECT_EQ(countFrames({27, 126}), 0);
    EXPECT_TRUE(transfer.stopped());
    EXPECT_GE(took, 3000 * kMs) << "the board is given its time to fall silent";
}

TEST_F(TransferBytes, ReadBackFailureReturnsNothing) {
    FakeBoardOptions o;
    o.dumpCells = 90;
    connect(o);
    EXPECT_FALSE(transfer.ButtonDissClick().has_value());
    EXPECT_EQ(view.status(), "LeseTimeout-Übertragungsfehler.");
    EXPECT_EQ(view.position(), 89) << "the bar stays where the dump stopped";
}

} // namespace
} // namespace zentor::transfer_test
