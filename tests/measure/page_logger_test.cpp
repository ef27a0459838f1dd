// The "Extern Messen" page against the simulated board over a real pty:
// start, countdown, read-out, the boxes set from the board's cells, the
// failure paths, the chart and the copied lines.
#include "board_commands.h"
#include "comphard.h"
#include "diagram.h"
#include "dialogs.h"
#include "link_wait.h"
#include "locale_scope.h"
#include "logger_page.h"
#include "page_logger_support.h"
#include "simulated_board.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <mutex>
#include <ostream>
#include <thread>

using namespace zentor;
using namespace zentor::sim;
using zentor::test::LoggerPageShell;

namespace {

constexpr const char* kLineMode = "1200,N,8,1";
constexpr int kTimeoutMs = 50;
constexpr int kItem75Seconds = 0;
constexpr int kItem2Minutes = 5;
constexpr int kItem2Hours = 12;
constexpr int kItem24Hours = 19;
const QString kBoardMissing = QStringLiteral("Controler antwortet nicht!");

class LoggerPageOnBoard : public ::testing::Test {
protected:
    void SetUp() override {
        previousBeep = dialogs::setBeepHandler([this] { ++beeps; });
        timer2.setInterval(kLoggerCountdownTickMs);
        page = std::make_unique<LoggerPage>(shell, timer2, recorderTimer);
    }

    void TearDown() override {
        page.reset();
        testing_support::onLink(comphard::ClosePort);
        if (board)
            board->stop();
        comphard::SetMillisecondClock({});
        dialogs::setBeepHandler(previousBeep);
    }

    // A board 1000 times faster than real time ("7,5 Sekunden" take 7.5 ms),
    // its answers paced at 1200 baud or sent at once.
    static BoardOptions line(bool pacing) {
        BoardOptions options;
        options.pacing = pacing;
        options.speed = 1000;
        return options;
    }

    void startBoard(const BoardOptions& options) {
        RunnerOptions runner;
        runner.board = options;
        runner.trace = [this](const TraceEvent& e) {
            const std::lock_guard lock(traceMutex);
            trace.push_back(e);
        };
        board = std::make_unique<SimulatedBoard>(runner);
        ASSERT_TRUE(board->start()) << board->lastError();
        ASSERT_TRUE(testing_support::onLink(
            [&] { return comphard::OpenDevice(board->devicePath(), kLineMode); }));
        testing_support::onLink([&] { comphard::SetTimeout(kTimeoutMs); });
    }

    // The bytes the board received from the PC so far.
    std::vector<int> bytesFromPc() {
        const std::lock_guard lock(traceMutex);
        std::vector<int> bytes;
        for (const TraceEvent& e : trace)
            if (e.fromPc)
                bytes.push_back(e.value);
        return bytes;
    }

    // Line time of the first byte from the PC at or after `from`.
    Micros firstByteFromPcAfter(Micros from) {
        const std::lock_guard lock(traceMutex);
        for (const TraceEvent& e : trace)
            if (e.fromPc && e.at >= from)
                return e.at;
        return kNever;
    }

    // Writes the three configuration cells as another program would.
    void programCells(int cell0, int cell1, int cell2) {
        const int values[] = {cell0, cell1, cell2};
        testing_support::onLink([&] {
            for (int cell = 0; cell < 3; ++cell) {
                for (auto [command, operand] :
                     {std::pair{board::kLoadA, values[cell]}, std::pair{board::kStoreCell, cell}}) {
                    comphard::WriteByte(board::kEsc);
                    comphard::WriteByte(command);
                    comphard::WriteByte(operand);
                    comphard::ReadByte();
                    comphard::ReadByte();
                }
            }
        });
        const auto memory = board->snapshot().memory;
        ASSERT_EQ(memory[0], cell0);
        ASSERT_EQ(memory[1], cell1);
        ASSERT_EQ(memory[2], cell2);
    }

    void useFakeClock(std::uint32_t start) {
        clockMs = start;
        comphard::SetMillisecondClock([this] { return clockMs; });
    }

    // Waits until the board's logger has taken all its samples (half a
    // minute at most).
    void awaitLoggerDone() {
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (board->snapshot().lastStop != StopReason::LoggerDone &&
               std::chrono::steady_clock::now() < giveUp)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        ASSERT_EQ(board->snapshot().lastStop, StopReason::LoggerDone);
    }

    test::LocaleScope locale{test::german()};
    LoggerPageShell shell;
    QTimer timer2;
    QTimer recorderTimer;
    std::unique_ptr<LoggerPage> page;
    std::unique_ptr<SimulatedBoard> board;
    std::mutex traceMutex;
    std::vector<TraceEvent> trace;
    std::uint32_t clockMs = 0;
    int beeps = 0;
    dialogs::BeepHandler previousBeep;
};

// ---- Start --------------------------------------------------------------------

struct StartCase {
    int durationItem;
    int inputItem;
    std::vector<int> configuration; // cells 0, 1, 2 as the board holds them
    quint32 countdown;
};

void PrintTo(const StartCase& c, std::ostream* os) {
    *os << "item " << c.durationItem << ", input " << c.inputItem;
}

class LoggerStart : public LoggerPageOnBoard, public ::testing::WithParamInterface<StartCase> {};

TEST_P(LoggerStart, WritesTheCellsInOrderAndStartsTheCountdown) {
    const StartCase& c = GetParam();
    startBoard(line(true));
    page->ComboBox16->setCurrentIndex(c.durationItem);
    page->ComboBox17->setCurrentIndex(c.inputItem);

    page->Button12Click();
    testing_support::waitForLink();

    // After the resync and presence frames: load A, store, three times, then
    // the logger's start and nothing more.
    const std::vector<int> sent = bytesFromPc();
    const std::vector<int> expectedTail = {
        27, 20, c.configuration[0], 27, 120, 0, 27, 20, c.configuration[1], 27, 120, 1,
        27, 20, c.configuration[2], 27, 120, 2, 27, 123};
    ASSERT_GE(sent.size(), expectedTail.size() + 2);
    EXPECT_EQ(std::vector<int>(sent.end() - static_cast<long>(expectedTail.size()), sent.end()),
              expectedTail);
    const std::vector<int> presence(sent.end() - static_cast<long>(expectedTail.size()) - 2,
                                    sent.end() - static_cast<long>(expectedTail.size()));
    EXPECT_EQ(presence, (std::vector<int>{27, 1}));

    const BoardSnapshot snapshot = board->snapshot();
    EXPECT_EQ(std::vector<int>(snapshot.memory.begin(), snapshot.memory.begin() + 3),
              c.configuration);
    EXPECT_GT(snapshot.loggerSamples, 0); // the board's logger runs (or, at 7.5 s, ran)

    EXPECT_EQ(shell.statusText(), QStringLiteral("Messung läuft ..."));
    EXPECT_TRUE(timer2.isActive());
    EXPECT_FALSE(page->Button12->isEnabled());
    EXPECT_EQ(page->ProgressBar1->value(), 0);
    EXPECT_EQ(page->loggerSeconds(), c.countdown);
}

INSTANTIATE_TEST_SUITE_P(
    Durations, LoggerStart,
    ::testing::Values(StartCase{kItem75Seconds, kLoggerInputAnalog, {60, 0, 1}, 7},
                      StartCase{kItem75Seconds, kLoggerInputDigital, {62, 0, 1}, 7},
                      StartCase{kItem2Hours, kLoggerInputDigital, {62, 3, 192}, 7200},
                      StartCase{kItem24Hours, kLoggerInputAnalog, {60, 45, 0}, 86400}));

TEST_F(LoggerPageOnBoard, RecorderSamplingRefusesTheStartWithABeep) {
    startBoard(line(false));
    recorderTimer.start(60000);

    page->Button12Click();
    testing_support::waitForLink();

    EXPECT_EQ(shell.texts, QStringList{QStringLiteral("Zeitschreiber noch aktiv!")});
    EXPECT_EQ(beeps, 1);
    EXPECT_TRUE(bytesFromPc().empty());
    EXPECT_FALSE(timer2.isActive());
    EXPECT_TRUE(page->Button12->isEnabled());
}

TEST_F(LoggerPageOnBoard, SilentBoardStopsTheStartAfterThePresenceCheck) {
    BoardOptions options = line(true);
    options.faults.silent = true;
    startBoard(options);

    page->Button12Click();
    testing_support::waitForLink();

    EXPECT_EQ(shell.statusText(), kBoardMissing);
    const std::vector<int> sent = bytesFromPc();
    EXPECT_EQ(std::count(sent.begin(), sent.end(), board::kStartLogger), 0);
    EXPECT_EQ(std::count(sent.begin(), sent.end(), board::kStoreCell), 0);
    EXPECT_FALSE(timer2.isActive());
    EXPECT_TRUE(page->Button12->isEnabled());
}

// ---- Countdown and automatic read-out -------------------------------------------

TEST_F(LoggerPageOnBoard, CountdownTextsFollowTheStopwatchAcrossItsWrap) {
    startBoard(line(false));
    const std::uint32_t start = 0xFFFFFE00u; // the millisecond clock wraps during the count
    useFakeClock(start);
    page->CheckBox1->setChecked(false);
    page->Button12Click();
    testing_support::waitForLink();
    ASSERT_TRUE(timer2.isActive());

    const struct {
        std::uint32_t elapsed;
        const char* text;
    } ticks[] = {
        {0, "Messung läuft ... noch 7 Sekunden."},    {500, "Messung läuft ... noch 7 Sekunden."},
        {999, "Messung läuft ... noch 7 Sekunden."},  {1000, "Messung läuft ... noch 6 Sekunden."},
        {6500, "Messung läuft ... noch 1 Sekunden."}, {6999, "Messung läuft ... noch 1 Sekunden."},
    };
    for (const auto& tick : ticks) {
        clockMs = start + tick.elapsed;
        page->Timer2Timer();
        EXPECT_EQ(shell.statusText(), QString::fromUtf8(tick.text)) << tick.elapsed;
        EXPECT_TRUE(timer2.isActive());
        EXPECT_FALSE(page->Button12->isEnabled());
    }

    const std::size_t bytesBefore = bytesFromPc().size();
    clockMs = start + 7000;
    page->Timer2Timer();
    testing_support::waitForLink();
    EXPECT_EQ(shell.statusText(), QStringLiteral("Messung beendet."));
    EXPECT_FALSE(timer2.isActive());
    EXPECT_TRUE(page->Button12->isEnabled());
    // Without "A&utomatisch auslesen" nothing more goes to the board.
    EXPECT_EQ(bytesFromPc().size(), bytesBefore);

    // A tick that arrives after the end changes nothing.
    page->Timer2Timer();
    EXPECT_EQ(shell.statusText(), QStringLiteral("Messung beendet."));
}

TEST_F(LoggerPageOnBoard, AnalogMeasurementIsReadOutAutomaticallyAfterTheSettlingWait) {
    startBoard(line(true));
    useFakeClock(1000);
    page->Button12Click();
    testing_support::waitForLink();
    awaitLoggerDone();
    shell.texts.clear();

    clockMs = 1000 + 7000;
    const Micros end = board->lineNow();
    page->Timer2Timer();
    testing_support::waitForLink();

    const QStringList expected = {QStringLiteral("Messung beendet."),
                                  QStringLiteral("Messung auslesen ..."),
                                  QStringLiteral("OK. Messung ausgelesen.")};
    EXPECT_EQ(shell.texts, expected);
    // The board gets 2000 ms to finish before the read-out talks to it.
    EXPECT_GE(firstByteFromPcAfter(end) - end, 2000 * 1000);

    const BoardSnapshot snapshot = board->snapshot();
    EXPECT_EQ(snapshot.loggerSamples, kLoggerChartSamples);
    const LoggerValues& values = page->loggerValues();
    for (int k = 0; k < kLoggerValueCount; ++k)
        EXPECT_EQ(values[k], snapshot.memory[k + 3]) << "slot " << k;
    // The signal model's sine: the 7.5 s hold several distinct readings.
    EXPECT_GT(*std::max_element(values.begin(), values.begin() + 121),
              *std::min_element(values.begin(), values.begin() + 121));
    EXPECT_EQ(page->ComboBox16->currentIndex(), kItem75Seconds);
    EXPECT_EQ(page->ComboBox17->currentIndex(), kLoggerInputAnalog);
    EXPECT_EQ(page->ProgressBar1->value(), 0);
    EXPECT_TRUE(page->Button12->isEnabled());
    EXPECT_FALSE(timer2.isActive());
}

TEST_F(LoggerPageOnBoard, DigitalMeasurementReadsThePortBitsIntoTheValues) {
    BoardOptions options = line(false);
    options.inputs.portPins = 0b101010;
    startBoard(options);
    useFakeClock(0);
    page->ComboBox17->setCurrentIndex(kLoggerInputDigital);
    page->Button12Click();
    testing_support::waitForLink();
    awaitLoggerDone();

    clockMs = 7000;
    page->Timer2Timer();
    testing_support::waitForLink();

    EXPECT_EQ(shell.statusText(), QStringLiteral("OK. Messung ausgelesen."));
    const LoggerValues& values = page->loggerValues();
    for (int k = 0; k < kLoggerChartSamples; ++k)
        EXPECT_EQ(values[k], 0b101010) << "slot " << k;
    for (int k = kLoggerChartSamples; k < kLoggerValueCount; ++k)
        EXPECT_EQ(values[k], 0) << "slot " << k; // cells 124..127 stay empty
    EXPECT_EQ(page->ComboBox17->currentIndex(), kLoggerInputDigital);
    EXPECT_EQ(page->Diagram1->DiaMode(), md05);
}

// ---- Read-out ------------------------------------------------------------------

TEST_F(LoggerPageOnBoard, ReadOutOfATwoMinuteMeasurementSelectsItsItem) {
    startBoard(line(true));
    programCells(60, 0, 16);
    page->ComboBox16->setCurrentIndex(kItem75Seconds);
    page->ComboBox17->setCurrentIndex(kLoggerInputDigital);

    page->Button11Click();
    testing_support::waitForLink();

    EXPECT_EQ(shell.statusText(), QStringLiteral("OK. Messung ausgelesen."));
    EXPECT_EQ(page->ComboBox16->currentIndex(), kItem2Minutes);
    EXPECT_EQ(page->ComboBox16->currentText(), QStringLiteral("  2 Minuten"));
    EXPECT_EQ(page->Label14->text(), QStringLiteral("120 Messpunkte, Dauer 120 s, Intervall 1 s"));
    EXPECT_DOUBLE_EQ(page->Diagram1->Xmax(), 2);
    EXPECT_EQ(page->Diagram1->CaptionX(), QStringLiteral("Minuten"));
    EXPECT_EQ(page->ComboBox17->currentIndex(), kLoggerInputAnalog);
    EXPECT_EQ(page->Diagram1->DiaMode(), mdNormal);
    EXPECT_EQ(page->Diagram1->CaptionY(), QStringLiteral("Volt"));
}

struct CellCase {
    std::vector<int> cells;
    int durationItem;
    int inputItem;
};

void PrintTo(const CellCase& c, std::ostream* os) {
    *os << "cells " << c.cells[0] << ", " << c.cells[1] << ", " << c.cells[2];
}

class LoggerReadOutCells : public LoggerPageOnBoard,
                           public ::testing::WithParamInterface<CellCase> {};

TEST_P(LoggerReadOutCells, SetBothBoxes) {
    const CellCase& c = GetParam();
    startBoard(line(false));
    programCells(c.cells[0], c.cells[1], c.cells[2]);
    // Start from the other selections, so that every change shows.
    page->ComboBox16->setCurrentIndex(c.durationItem == 7 ? 8 : 7);
    page->ComboBox17->setCurrentIndex(1 - c.inputItem);

    page->Button11Click();
    testing_support::waitForLink();

    EXPECT_EQ(shell.statusText(), QStringLiteral("OK. Messung ausgelesen."));
    EXPECT_EQ(page->ComboBox16->currentIndex(), c.durationItem);
    EXPECT_EQ(page->ComboBox17->currentIndex(), c.inputItem);
    EXPECT_EQ(page->Label14->text(), loggerSummary(c.durationItem).text);
    if (c.inputItem == kLoggerInputDigital) {
        EXPECT_EQ(page->Diagram1->DiaMode(), md05);
        EXPECT_EQ(page->Diagram1->CaptionY(), QStringLiteral("Port"));
        EXPECT_DOUBLE_EQ(page->Diagram1->Ymax(), 6);
        EXPECT_DOUBLE_EQ(page->Diagram1->Ydiv(), 1);
    } else {
        EXPECT_EQ(page->Diagram1->DiaMode(), mdNormal);
        EXPECT_EQ(page->Diagram1->CaptionY(), QStringLiteral("Volt"));
        EXPECT_DOUBLE_EQ(page->Diagram1->Ymax(), 5);
        EXPECT_DOUBLE_EQ(page->Diagram1->Ydiv(), 0);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cells, LoggerReadOutCells,
    ::testing::Values(CellCase{{62, 0, 1}, kItem75Seconds, kLoggerInputDigital},
                      CellCase{{60, 18, 192}, 17, kLoggerInputAnalog},          // "10 Stunden"
                      CellCase{{62, 1, 224}, 11, kLoggerInputDigital},          // "60 Minuten"
                      CellCase{{60, 0, 3}, kItem75Seconds, kLoggerInputAnalog}, // 22,5 s: none
                      CellCase{{60, 1, 0}, kItem75Seconds, kLoggerInputAnalog}, // 32 Minuten
                      CellCase{{61, 0, 80}, 7, kLoggerInputAnalog}));           // other input code

TEST_F(LoggerPageOnBoard, ReadOutDuringTheCountdownEndsItAndStopsTheBoard) {
    BoardOptions options = line(false);
    options.inputs.analog = 77;
    startBoard(options);
    page->ComboBox16->setCurrentIndex(kItem24Hours); // 86 s of real time at this speed
    page->Button12Click();
    testing_support::waitForLink();
    ASSERT_TRUE(timer2.isActive());
    page->ComboBox16->setCurrentIndex(kItem75Seconds);

    page->Button11Click();
    testing_support::waitForLink();

    EXPECT_FALSE(timer2.isActive());
    EXPECT_TRUE(page->Button12->isEnabled());
    EXPECT_EQ(shell.statusText(), QStringLiteral("OK. Messung ausgelesen."));
    EXPECT_EQ(page->ComboBox16->currentIndex(), kItem24Hours);
    const BoardSnapshot snapshot = board->snapshot();
    EXPECT_EQ(snapshot.mode, Mode::Command);
    // The first sample is taken at once, the next only after 720 s of board time.
    EXPECT_EQ(page->loggerValues()[0], 77);
    EXPECT_EQ(page->loggerValues()[1], 0);
}

TEST_F(LoggerPageOnBoard, BoardGoneDuringTheCountdownEndsTheCountdownToo) {
    startBoard(line(false));
    page->ComboBox16->setCurrentIndex(kItem24Hours);
    page->Button12Click();
    testing_support::waitForLink();
    ASSERT_TRUE(timer2.isActive());
    page->loggerValues().fill(9);
    board->unplug();

    page->Button11Click();
    testing_support::waitForLink();

    EXPECT_EQ(shell.statusText(), kBoardMissing);
    EXPECT_FALSE(timer2.isActive());
    // Back to idle: the next measurement can be started.
    EXPECT_TRUE(page->Button12->isEnabled());
    EXPECT_EQ(page->loggerValues()[0], 9);
    EXPECT_EQ(page->ComboBox16->currentIndex(), kItem24Hours);
}

TEST_F(LoggerPageOnBoard, BytesLostInTheDumpMakeTheReadOutFail) {
    // Two bytes of the dump lost: its closing pair arrives as the last two
    // values and the pair itself never comes.
    BoardOptions options = line(false);
    options.faults.dropEvery = 60;
    startBoard(options);
    page->loggerValues().fill(9);
    page->Button11Click();
    testing_support::waitForLink();

    EXPECT_EQ(shell.statusText(), QStringLiteral("Übertragungsfehler!"));
    EXPECT_EQ(page->loggerValues()[0], board->snapshot().memory[3]) << "the values read stay";
    EXPECT_FALSE(page->measuredAt().isValid());
}

TEST_F(LoggerPageOnBoard, SilentBoardLeavesTheValuesAlone) {
    BoardOptions options = line(true);
    options.faults.silent = true;
    startBoard(options);
    page->loggerValues().fill(9);

    page->Button11Click();
    testing_support::waitForLink();

    EXPECT_EQ(shell.texts, QStringList{kBoardMissing});
    EXPECT_EQ(page->loggerValues()[0], 9);
    EXPECT_EQ(page->loggerValues()[124], 9);
}

// ---- Copy ----------------------------------------------------------------------

TEST_F(LoggerPageOnBoard, CopyLinesAfterASevenAndAHalfSecondMeasurement) {
    BoardOptions options = line(false);
    options.inputs.analog = 200;
    startBoard(options);
    page->Button12Click();
    testing_support::waitForLink();
    awaitLoggerDone();
    page->Button11Click();
    testing_support::waitForLink();
    ASSERT_EQ(shell.statusText(), QStringLiteral("OK. Messung ausgelesen."));

    const QStringList lines = page->copyLines();
    ASSERT_EQ(lines.size(), kLoggerChartSamples);
    EXPECT_EQ(lines[0], QStringLiteral("0,00\t200,00"));
    EXPECT_EQ(lines[1], QStringLiteral("0,06\t200,00"));
    EXPECT_EQ(lines[120], QStringLiteral("7,50\t200,00"));
}

} // namespace
