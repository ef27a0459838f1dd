// The whole main window against a faulty simulated board.
//
// FaultWindow starts a SimulatedBoard with the faults of a test, maps the
// port "COM3" to the board's pty through [Ports] in a private "zentor.ini"
// (read time-out "MAXTimeout" 50 ms), writes a program file and an autosave
// file, and opens TForm1 with the program file, as "zentor prog.z" would.
// The tests then press the pages' buttons and tick their timers by hand (no
// event loop runs, so no timer fires on its own) and look at the status
// texts, the board's side of the line, the listing and the files.
#pragma once

#include "dialogs.h"
#include "link_wait.h"
#include "port_menu.h"
#include "program_page.h"
#include "simulated_board.h"
#include "tform1.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <ostream>
#include <vector>

// Readable QStrings in test failures.
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

namespace faults {

// ---- Protocol times (ms) with the configured read time-out ------------------
//
// The hang checks allow an operation what its pauses and time-outs add up
// to, four times over, and twenty seconds more: they catch an operation that
// never gives up, not a slow one. (On a busy machine each of the thousand
// 1 ms polls of a bulk wait may come in milliseconds late.)

inline constexpr int kReadTimeoutMs = 50; // "MAXTimeout" in zentor.ini unless a test says otherwise
inline constexpr int kWritePauseMs = 10;  // after every byte sent
inline constexpr int kByteTimeMs = 9;     // 10 bits at 1200 baud, rounded up
inline constexpr int kInputWaitMs = 1001; // bulk answers: 1001 polls 1 ms apart
inline constexpr int kSettleMs = 30;      // the connection routine's pauses

// A read that gets nothing, with the read time-out t.
constexpr int silentReadMs(int t) {
    return t + 1;
}
// Resync against a board that never answers: five ESC ESC rounds, each with
// its two 20 ms pauses and two silent reads.
constexpr int silentResyncMs(int t) {
    return 5 * (2 * kWritePauseMs + 2 * 20 + 2 * silentReadMs(t));
}
// Presence check against a silent board: two attempts.
constexpr int silentHandshakeMs(int t) {
    return 2 * (2 * kWritePauseMs + 10 + 2 * silentReadMs(t));
}

inline constexpr int kSilentReadMs = silentReadMs(kReadTimeoutMs);
inline constexpr int kSilentResyncMs = silentResyncMs(kReadTimeoutMs);
inline constexpr int kSilentHandshakeMs = silentHandshakeMs(kReadTimeoutMs);
// Resync against a board in step: one round answered.
inline constexpr int kResyncMs = 2 * kWritePauseMs + 2 * 20 + 2 * kByteTimeMs;
inline constexpr int kHandshakeMs = 2 * kWritePauseMs + 10 + 2 * kByteTimeMs;

inline constexpr qint64 hangLimitMs(int protocolMs) {
    return 4 * qint64{protocolMs} + 20'000;
}

// Runs `action`, waits for the exchanges it started, and returns the wall
// time of both in ms.
template <class Action> qint64 timed(Action&& action) {
    QElapsedTimer clock;
    clock.start();
    action();
    testing_support::waitForLink();
    return clock.elapsed();
}

// A file's bytes; "<unreadable>" when it cannot be read.
QByteArray readFile(const QString& path);

// The program file the window is started with: 30 bytes of code with labels,
// jumps and a comment.
QStringList programListing();

// The main window with a record of every status text, in order: messages
// and readings alike.
class RecordingWindow : public TForm1 {
public:
    explicit RecordingWindow(StartOptions options) : TForm1(std::move(options)) {}
    void setStatusText(const QString& text) override {
        statuses << text;
        TForm1::setStatusText(text);
    }
    void setStatusReading(const QString& text) override {
        statuses << text;
        TForm1::setStatusReading(text);
    }
    QStringList statuses;
};

class FaultWindow : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Starts a board (pacing on unless the options say otherwise) and points
    // "COM3" of zentor.ini at it, with readTimeoutMs as "MAXTimeout". A board
    // started before is stopped first: the device changes, as when another
    // adapter is plugged in. The link's read time-out is readTimeoutMs from
    // here on, also for the connection's first resync, so that the byte
    // counts of a test do not depend on the tests that ran before it.
    void startBoard(zentor::sim::BoardOptions options = {});
    // Opens the main window with the program file; the board must run.
    RecordingWindow& openWindow();

    // ---- The board's side of the line --------------------------------------
    std::vector<int> fromPc() const;
    std::vector<int> fromBoard() const;
    // How often `frame` occurs in what the board received.
    int countFromPc(const std::vector<int>& frame) const;
    // Waits until the board has sent at least n bytes in all (the trace is
    // written just after each byte leaves); false after half a minute.
    bool awaitBoardBytes(std::size_t n) const;
    // Pulls the plug once the board has sent `count` more bytes from now on
    // and the PC has taken the last of them: the board holds its next byte
    // until the link reports the progress `position` of `maximum` (the
    // running read's position for that byte), then the device vanishes while
    // the PC waits for the next byte. However late the PC's thread runs, the
    // bytes it takes are the ones armed, not fewer. When the progress does
    // not come within half a minute, the plug goes all the same.
    void unplugWhenTaken(int count, int position, int maximum);
    // Pulls the plug as the board receives the n-th data byte of the first
    // upload frame 27 127 n from now on, before that byte's echo can leave.
    void unplugAtUploadByte(int n);

    // ---- Listing and files ---------------------------------------------------
    // The listing, the program file and the autosave file are as they were
    // when the window had opened.
    void expectListingAndFilesUnchanged() const;

    int readTimeoutMs = kReadTimeoutMs;
    QTemporaryDir configHome;
    QTemporaryDir work;
    QString programPath;
    QString autosavePath;
    QByteArray programBytes;
    QByteArray autosaveBytes;
    QStringList listingAtStart;

    std::unique_ptr<zentor::sim::SimulatedBoard> board;
    std::unique_ptr<RecordingWindow> window;
    std::vector<dialogs::Request> boxes;
    int beeps = 0;

private:
    void onTrace(const zentor::sim::TraceEvent& event);
    void writeIni();

    QByteArray m_previousConfigHome;
    dialogs::Handler m_previousHandler;
    dialogs::BeepHandler m_previousBeep;
    ProgramPage::FileDialogHandler m_previousFileDialog;
    TForm1::KeyState m_previousKeys;

    mutable std::mutex m_traceMutex;
    std::vector<zentor::sim::TraceEvent> m_trace;
    std::size_t m_boardBytes = 0;
    std::atomic<long long> m_unplugAtBoardByte{-1};
    std::size_t m_uploadSearchFrom = 0; // trace index where the upload frame is looked for
    int m_unplugAtUploadByte = -1;
    // The progress that lets an armed plug go (set on the GUI thread, read on
    // the board's).
    std::atomic<int> m_plugPosition{-1};
    std::atomic<int> m_plugMaximum{-1};
    std::atomic<bool> m_plugReleased{false};
    std::atomic<bool> m_tearingDown{false};
    QMetaObject::Connection m_progressConnection;
};

} // namespace faults
