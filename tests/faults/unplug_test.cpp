// The board unplugged in the middle of each transfer: the operation gives up
// within its time-outs with the status text of its failure, keeps what it
// must keep and leaves the listing and the files alone.
#include "amm.h"
#include "board_commands.h"
#include "comphard.h"
#include "compiler.h"
#include "conversion.h"
#include "direct_page.h"
#include "fault_window.h"
#include "logger_page.h"
#include "program_file.h"
#include "scope.h"
#include "scope_page.h"
#include "wait_until.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>

#include <chrono>
#include <thread>

namespace faults {
namespace {

using zentor::sim::Mode;

// A resync answered in its first round, and a presence check: two bytes each
// way.
constexpr int kResyncBytes = 2;
constexpr int kPresenceBytes = 2;
// A poll cycle of "Direkt": 27 60, 27 62, 27 61.
constexpr int kPollCycleBytes = 6;

// A value no board byte can have: slots that keep it were not touched.
constexpr int kUntouched = 999;

// The board holds the byte after the armed one until the PC has taken the
// armed byte (unplugWhenTaken). By then the next byte is due, and it may
// still leave before the device vanishes: the plug lands on the armed byte or
// the one after, and the PC takes the armed bytes, or that one more.
void expectPlugLanded(std::size_t sent, int armed) {
    EXPECT_GE(sent, static_cast<std::size_t>(armed)) << "the plug went early";
    EXPECT_LE(sent, static_cast<std::size_t>(armed) + 1) << "the plug went late";
}

void expectTaken(int taken, int armed) {
    EXPECT_GE(taken, armed);
    EXPECT_LE(taken, armed + 1);
}

// The slots a stopped read filled: up to the first untouched one or the
// failed read's -1.
int filledSlots(const auto& values) {
    int filled = 0;
    while (filled < static_cast<int>(values.size()) &&
           values[static_cast<std::size_t>(filled)] != kUntouched &&
           values[static_cast<std::size_t>(filled)] != -1)
        ++filled;
    return filled;
}

// Reads wait longer here, so that answers slowed down by a busy machine are
// not taken for silence, which would add resync rounds and move the plug.
constexpr int kTimeoutMs = 250;
constexpr int kSilentMs = silentReadMs(kTimeoutMs);

class UnpluggedBoard : public FaultWindow {
protected:
    UnpluggedBoard() { readTimeoutMs = kTimeoutMs; }

    // The data bytes of the upload frame 27 127 n that reached the board.
    int uploadBytesReceived() const {
        const std::vector<int> pc = fromPc();
        for (std::size_t i = 0; i + 2 < pc.size(); ++i)
            if (pc[i] == board::kEsc && pc[i + 1] == board::kLoadProgram)
                return static_cast<int>(pc.size() - (i + 3));
        return -1;
    }
    QByteArray programImage() const { return zentor::codeListBytes(window->TabSheet4->codeList()); }
};

TEST_F(UnpluggedBoard, DuringTheUploadTheProgramIsNotStarted) {
    // The plug goes as the board receives the 12th data byte of 27 127 n,
    // however many resync rounds a busy machine needed before it; that
    // byte's echo never leaves.
    constexpr int kDataBytes = 12;
    startBoard();
    RecordingWindow& w = openWindow();
    const QByteArray image = programImage();
    ASSERT_EQ(image.size(), 30);
    unplugAtUploadByte(kDataBytes);

    const qint64 took = timed([&] { w.TabSheet4->ButtonSendClick(); });

    EXPECT_EQ(w.statusText(), QStringLiteral("Übertragungsfehler beim Senden!"));
    EXPECT_TRUE(w.statuses.contains(QStringLiteral("Programm wird übertragen ...")));
    EXPECT_TRUE(board->isUnplugged());
    const auto seen = board->snapshot();
    EXPECT_EQ(uploadBytesReceived(), kDataBytes) << "the plug went in the middle of the upload";
    EXPECT_EQ(w.TabSheet4->ProgressBar2->maximum(), image.size() - 1);
    EXPECT_EQ(w.TabSheet4->ProgressBar2->value(), kDataBytes - 1)
        << "the bar stays where the upload stopped";
    // The board holds the part it took; nothing started it.
    for (int k = 0; k < kDataBytes; ++k)
        EXPECT_EQ(seen.memory[static_cast<std::size_t>(k)], static_cast<std::uint8_t>(image[k]))
            << "cell " << k;
    EXPECT_EQ(seen.mode, Mode::Command);
    EXPECT_EQ(countFromPc({board::kEsc, board::kRunProgram}), 0);
    expectListingAndFilesUnchanged();
    EXPECT_TRUE(boxes.empty());

    const int protocolMs = kResyncMs + kHandshakeMs + 3 * kWritePauseMs +
                           kDataBytes * (kWritePauseMs + 5 + kByteTimeMs + 1) + kInputWaitMs;
    EXPECT_LE(took, hangLimitMs(protocolMs));
}

TEST_F(UnpluggedBoard, DuringTheVerificationTheProgramIsNotStarted) {
    startBoard();
    RecordingWindow& w = openWindow();
    const QByteArray image = programImage();
    const int n = static_cast<int>(image.size());
    // Resync, presence check, one echo per data byte, the pair after them,
    // then 50 cells of the dump.
    constexpr int kDumpCells = 50;
    const std::size_t before = fromBoard().size();
    const int armed = kResyncBytes + kPresenceBytes + n + board::kTrailingBytes + kDumpCells;
    // The verification's bar stands at the slot of the last cell taken.
    unplugWhenTaken(armed, kDumpCells - 1, board::kMemoryCells);

    const qint64 took = timed([&] { w.TabSheet4->ButtonSendClick(); });

    EXPECT_EQ(w.statusText(), QStringLiteral("LeseTimeout-Übertragungsfehler."));
    EXPECT_TRUE(w.statuses.contains(QStringLiteral("Überprüfung...")));
    ASSERT_TRUE(board->isUnplugged());
    const std::size_t sent = fromBoard().size() - before;
    expectPlugLanded(sent, armed);
    EXPECT_EQ(w.TabSheet4->ProgressBar2->maximum(), board::kMemoryCells);
    // The bar stays at the last cell taken.
    const int taken = w.TabSheet4->ProgressBar2->value() + 1;
    expectTaken(taken, kDumpCells);
    EXPECT_LE(static_cast<std::size_t>(taken), sent - (armed - kDumpCells));
    // Loaded but not started.
    const auto seen = board->snapshot();
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(seen.memory.data()), n), image);
    EXPECT_EQ(seen.mode, Mode::Command);
    EXPECT_EQ(countFromPc({board::kEsc, board::kRunProgram}), 0);
    expectListingAndFilesUnchanged();

    const int protocolMs = kResyncMs + kHandshakeMs + 3 * kWritePauseMs +
                           n * (kWritePauseMs + 5 + kByteTimeMs + 1) + 2 * kWritePauseMs +
                           kDumpCells * kByteTimeMs + kInputWaitMs;
    EXPECT_LE(took, hangLimitMs(protocolMs));
}

TEST_F(UnpluggedBoard, DuringTheReadBackTheListingStays) {
    startBoard();
    RecordingWindow& w = openWindow();
    // Stop's resync, the resync before the dump, then 60 cells.
    constexpr int kDumpCells = 60;
    const std::size_t before = fromBoard().size();
    const int armed = kResyncBytes + kResyncBytes + kDumpCells;
    unplugWhenTaken(armed, kDumpCells - 1, board::kMemoryCells);

    const qint64 took = timed([&] { w.TabSheet4->ButtonDissClick(); });

    // A vanished device shows as no byte within the input wait, or as a
    // failed read when the PC had not yet taken the last byte.
    EXPECT_TRUE(w.statusText() == QStringLiteral("LeseTimeout-Übertragungsfehler.") ||
                w.statusText() == QStringLiteral("Übertragungsfehler!"))
        << w.statusText().toStdString();
    EXPECT_TRUE(w.statuses.contains(QStringLiteral("Programm gestoppt")));
    EXPECT_TRUE(w.statuses.contains(QStringLiteral("Lese Daten ...")));
    ASSERT_TRUE(board->isUnplugged());
    const std::size_t sent = fromBoard().size() - before;
    expectPlugLanded(sent, armed);
    // The bar stays at the last cell taken.
    const int taken = w.TabSheet4->ProgressBar2->value() + 1;
    expectTaken(taken, kDumpCells);
    EXPECT_LE(static_cast<std::size_t>(taken), sent - (armed - kDumpCells));
    expectListingAndFilesUnchanged();

    const int protocolMs =
        2 * kResyncMs + kSilentMs + 2 * kWritePauseMs + kDumpCells * kByteTimeMs + kInputWaitMs;
    EXPECT_LE(took, hangLimitMs(protocolMs));

    // Leaving the program saves the listing that was kept, whole, and closes
    // the vanished device; the program file stays as it is.
    w.Beenden3->trigger();
    EXPECT_FALSE(comphard::PortIsOpen());
    EXPECT_EQ(readFile(autosavePath), zentor::programFileBytes(listingAtStart));
    EXPECT_EQ(readFile(programPath), programBytes);
}

TEST_F(UnpluggedBoard, DuringTheLoggerReadOutTheValuesReadSoFarStay) {
    // The board's logger runs a thousand times faster than its clock says,
    // so that the 7.5 seconds of the first duration are over at once.
    zentor::sim::BoardOptions options;
    options.speed = 1000;
    startBoard(options);
    RecordingWindow& w = openWindow();
    LoggerPage& logger = *w.TabSheet3;
    logger.ComboBox16->setCurrentIndex(0);
    logger.Button12Click();
    testing_support::waitForLink();
    ASSERT_EQ(w.statusText(), QStringLiteral("Messung läuft ..."));
    ASSERT_TRUE(w.Timer2->isActive());
    ASSERT_TRUE(
        testing_support::waitUntil([this] { return board->snapshot().loggerSamples >= 121; }));
    ASSERT_EQ(board->snapshot().loggerSamples, 121);

    logger.loggerValues().fill(kUntouched);
    logger.ProgressBar1->setValue(0);
    // Resync, presence check, the three configuration cells (a pair each),
    // then the three configuration bytes of the dump and 57 values.
    constexpr int kValuesRead = 57;
    const std::size_t before = fromBoard().size();
    const int armed = kResyncBytes + kPresenceBytes + 3 * 2 + 3 + kValuesRead;
    // The bar stands at the slot of the last value taken.
    unplugWhenTaken(armed, kValuesRead - 1, logger.ProgressBar1->maximum());

    const qint64 took = timed([&] { logger.Button11Click(); });

    const QString status = w.statusText();
    EXPECT_TRUE(status == QStringLiteral("LeseTimeout-Übertragungsfehler.") ||
                status == QStringLiteral("Übertragungsfehler!"))
        << status.toStdString();
    EXPECT_TRUE(w.statuses.contains(QStringLiteral("Messung auslesen ...")));
    EXPECT_FALSE(w.statuses.contains(QStringLiteral("OK. Messung ausgelesen.")));
    ASSERT_TRUE(board->isUnplugged());
    expectPlugLanded(fromBoard().size() - before, armed);
    // The countdown has ended; a new start is possible.
    EXPECT_FALSE(w.Timer2->isActive());
    EXPECT_TRUE(logger.Button12->isEnabled());
    // The values read so far are the board's cells 3 onwards; the slots after
    // them keep their contents (a failed read leaves -1 in its slot).
    const auto memory = board->snapshot().memory;
    const auto& values = logger.loggerValues();
    const int filled = filledSlots(values);
    expectTaken(filled, kValuesRead);
    for (int k = 0; k < filled; ++k)
        EXPECT_EQ(values[static_cast<std::size_t>(k)], memory[static_cast<std::size_t>(k + 3)])
            << "slot " << k;
    const bool failedRead = status == QStringLiteral("Übertragungsfehler!");
    EXPECT_EQ(values[static_cast<std::size_t>(filled)], failedRead ? -1 : kUntouched);
    for (std::size_t k = static_cast<std::size_t>(filled) + 1; k < values.size(); ++k)
        EXPECT_EQ(values[k], kUntouched) << "slot " << k;
    EXPECT_EQ(logger.ProgressBar1->value(), filled - 1) << "the bar keeps its position";
    expectListingAndFilesUnchanged();

    const int protocolMs = kResyncMs + kHandshakeMs + 3 * (3 * kWritePauseMs + 2 * kByteTimeMs) +
                           2 * kWritePauseMs + (3 + kValuesRead) * kByteTimeMs + kInputWaitMs;
    EXPECT_LE(took, hangLimitMs(protocolMs));
}

TEST_F(UnpluggedBoard, DuringTheOscilloscopeReadTheRepetitionEnds) {
    startBoard();
    RecordingWindow& w = openWindow();
    ScopePage& scope = *w.TabSheet8;
    w.PageControl1->setCurrentWidget(&scope);
    scope.CheckBox3->setChecked(true);
    scope.ScopeValues.fill(kUntouched);
    // Resync, presence check, the capture's answer pair, then 40 samples.
    constexpr int kSamplesRead = 40;
    const std::size_t before = fromBoard().size();
    const int armed = kResyncBytes + kPresenceBytes + 2 + kSamplesRead;
    // The read reports the number of samples taken.
    unplugWhenTaken(armed, kSamplesRead, zentor::kScopeSampleCount);

    const qint64 took = timed([&] { scope.Button14Click(scope.Button14); });

    const QString status = w.statusText();
    EXPECT_TRUE(status == QStringLiteral("LeseTimeout-Übertragungsfehler.") ||
                status == QStringLiteral("Fehler!"))
        << status.toStdString();
    EXPECT_TRUE(w.statuses.contains(QStringLiteral("Messung läuft ...")));
    ASSERT_TRUE(board->isUnplugged());
    const std::vector<int> sent = fromBoard();
    expectPlugLanded(sent.size() - before, armed);
    // The samples read so far stay; the others keep their contents.
    const int filled = filledSlots(scope.ScopeValues);
    expectTaken(filled, kSamplesRead);
    const std::size_t firstSample = before + static_cast<std::size_t>(armed - kSamplesRead);
    ASSERT_LE(firstSample + static_cast<std::size_t>(filled), sent.size());
    for (int i = 0; i < filled; ++i)
        EXPECT_EQ(scope.ScopeValues[static_cast<std::size_t>(i)],
                  sent[firstSample + static_cast<std::size_t>(i)])
            << "sample " << i;
    const bool failedRead = status == QStringLiteral("Fehler!");
    EXPECT_EQ(scope.ScopeValues[static_cast<std::size_t>(filled)], failedRead ? -1 : kUntouched);
    for (std::size_t i = static_cast<std::size_t>(filled) + 1; i < scope.ScopeValues.size(); ++i)
        EXPECT_EQ(scope.ScopeValues[i], kUntouched) << "sample " << i;
    // Ready for the next try, the cursor back to normal, no repetition.
    EXPECT_TRUE(scope.Button14->isEnabled());
    EXPECT_TRUE(scope.RAMRead->isEnabled());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_FALSE(w.TimerOszi->isActive());
    expectListingAndFilesUnchanged();

    const int protocolMs = kResyncMs + kHandshakeMs + kSettleMs + 3 * kWritePauseMs + 3 * 20 + 120 +
                           2 * kWritePauseMs + kSamplesRead * kByteTimeMs + kInputWaitMs;
    EXPECT_LE(took, hangLimitMs(protocolMs));
}

TEST_F(UnpluggedBoard, DuringADirektPollTheNextCycleGoesOfflineAndTheBoardComesBack) {
    // Three whole cycles, then the plug goes with the 62 of the fourth: its
    // analog reading arrives, its port and digital reads get nothing. (On a
    // busy machine a resync may take a second round; the plug then goes with
    // the 60 or the ESC before it, and that cycle finds the board gone at
    // once.)
    constexpr int kCycles = 3;
    constexpr int kUnplugAfter = kResyncBytes + kResyncBytes + kCycles * kPollCycleBytes + 4;
    zentor::sim::BoardOptions options;
    options.faults.unplugAfter = kUnplugAfter;
    startBoard(options);
    RecordingWindow& w = openWindow();
    DirectPage& direct = *w.TabSheet2;
    w.PageControl1->setCurrentWidget(&direct);
    ASSERT_EQ(w.Timer1->interval(), DirectPage::kEnteringInterval);
    w.Timer1->stop(); // the ticks are driven by hand
    const auto tick = [&] { return timed([&] { direct.Timer1Timer(); }); };

    int portBefore = 0;
    int dinBefore = 0;
    int cycles = 0;
    while (!board->snapshot().unplugged && cycles <= kCycles) {
        portBefore = direct.LastPortIn();
        dinBefore = direct.LastDin();
        EXPECT_LE(tick(),
                  hangLimitMs(kResyncMs + 6 * (kWritePauseMs + kByteTimeMs) + 6 * kSilentMs));
        ++cycles;
    }
    ASSERT_TRUE(board->snapshot().unplugged);
    EXPECT_EQ(board->snapshot().bytesReceived, static_cast<std::uint64_t>(kUnplugAfter));
    const int plugByte = fromPc().back();
    ASSERT_TRUE(plugByte == board::kPortIn || plugByte == board::kAnalogIn ||
                plugByte == board::kEsc)
        << "the plug went while polling, not with byte " << plugByte;
    if (plugByte == board::kPortIn) {
        EXPECT_EQ(cycles, kCycles + 1);
        // The analog pair made it: the cycle shows its voltage and stays
        // polling; the port and digital inputs repeat their last values.
        const QString voltage =
            zentor::ConvertReading(zentor::kChannelVoltage, direct.LastAnalog()).text;
        EXPECT_EQ(w.statusText(), voltage);
        EXPECT_EQ(w.Timer1->interval(), DirectPage::kPollingInterval);
        EXPECT_EQ(direct.LastPortIn(), portBefore);
        EXPECT_EQ(direct.LastDin(), dinBefore);
        // The next cycle finds the board gone.
        portBefore = direct.LastPortIn();
        dinBefore = direct.LastDin();
        EXPECT_LE(tick(), hangLimitMs(6 * kWritePauseMs + 6 * kSilentMs));
    }

    // "Offline" within one cycle, the meter at 0; the LEDs keep their state.
    EXPECT_EQ(w.statusText(), QStringLiteral("Offline"));
    EXPECT_EQ(direct.Anal1->Value(), 0);
    EXPECT_EQ(w.Timer1->interval(), DirectPage::kOfflineInterval);
    EXPECT_EQ(direct.LastPortIn(), portBefore);
    EXPECT_EQ(direct.LastDin(), dinBefore);

    // Offline: the tick tries to reopen the vanished device and stops there.
    w.statuses.clear();
    EXPECT_LE(tick(), hangLimitMs(kSettleMs));
    EXPECT_EQ(w.statuses, QStringList{QStringLiteral("Schnittstelle wird geöffnet ...")});
    EXPECT_FALSE(comphard::PortIsOpen());
    EXPECT_EQ(w.Timer1->interval(), DirectPage::kOfflineInterval);

    // Plugged in again (a new device for the same port): the next tick
    // reconnects and polling resumes.
    startBoard();
    EXPECT_LE(tick(), hangLimitMs(2 * kSettleMs + kResyncMs + 6 * (kWritePauseMs + kByteTimeMs)));
    EXPECT_TRUE(comphard::PortIsOpen());
    EXPECT_EQ(w.Timer1->interval(), DirectPage::kPollingInterval);
    EXPECT_EQ(w.statusText(),
              zentor::ConvertReading(zentor::kChannelVoltage, direct.LastAnalog()).text);
    EXPECT_EQ(w.applicationTitle(), QStringLiteral("Zentor ") + w.statusText());
    expectListingAndFilesUnchanged();
}

} // namespace
} // namespace faults
