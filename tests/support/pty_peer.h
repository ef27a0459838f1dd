// A scripted board on the far end of a real pty. It records every byte it
// receives with a monotonic time stamp and answers from a script, so that
// tests can check the bytes, their order and the pauses between them from
// the board's side.
//
// The stamp of a byte is the moment the program handed it to the line (the
// link's write tap), as a board on a real wire would see it. The pty itself
// delivers through a kernel worker that a busy machine can hold back for
// several milliseconds, which would shorten the gap after a late byte; the
// arrival time is used only for bytes that did not come through the tap.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <termios.h>

namespace testing_support {

struct ReceivedByte {
    std::uint8_t value;
    std::int64_t atMicroseconds; // monotonic clock, when the byte left the program
    std::int64_t arrivedMicroseconds; // monotonic clock, when the peer read it
};

class PtyPeer {
public:
    // Called on the peer's thread for every received byte with all bytes
    // received so far (the new one last); returns the bytes to answer.
    using Script = std::function<std::vector<std::uint8_t>(const std::vector<ReceivedByte>&)>;

    PtyPeer();
    ~PtyPeer();
    PtyPeer(const PtyPeer&) = delete;
    PtyPeer& operator=(const PtyPeer&) = delete;

    // The device path the program under test opens.
    const std::string& path() const { return m_path; }

    void setScript(Script script);
    // Answers are written this long after the byte that caused them.
    void setAnswerDelay(std::chrono::microseconds delay);

    // Sends bytes now, unasked.
    void send(const std::vector<std::uint8_t>& bytes);

    // The bytes received so far.
    std::vector<ReceivedByte> received() const;
    std::vector<std::uint8_t> receivedValues() const;
    void clearReceived();

    // Waits until at least n bytes have arrived; false on time-out.
    bool waitForBytes(std::size_t n, std::chrono::milliseconds timeout) const;

    // The line settings of the program's end, as tcgetattr() reports them;
    // set them to see that the program makes its own.
    termios lineSettings() const;
    void setLineSettings(const termios& settings);

    // Closes the master side: the program's device vanishes, as when a USB
    // adapter is pulled.
    void unplug();

private:
    void run();
    std::int64_t takeWriteStamp(std::uint8_t value, std::int64_t arrival);

    std::string m_path;
    int m_master = -1;
    int m_slave = -1; // kept open so the program can close and reopen its end
    int m_wakeRead = -1;
    int m_wakeWrite = -1;

    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    std::vector<ReceivedByte> m_received;
    Script m_script;
    std::chrono::microseconds m_answerDelay{0};
    struct Pending {
        std::int64_t dueMicroseconds;
        std::vector<std::uint8_t> bytes;
    };
    std::deque<Pending> m_pending;
    std::deque<ReceivedByte> m_written; // from the write tap, not yet arrived

    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

// Script helpers.
// Answers every frame "27 c" with c and its complement.
PtyPeer::Script echoCommandScript();
// A board in command mode: the same, but the presence check answered as the
// board does (32 223).
PtyPeer::Script boardInStepScript();
// Never answers.
PtyPeer::Script silentScript();

// Gaps between consecutive received bytes, in microseconds.
std::vector<std::int64_t> gapsMicroseconds(const std::vector<ReceivedByte>& bytes);
// The same between the arrivals at the peer.
std::vector<std::int64_t> arrivalGapsMicroseconds(const std::vector<ReceivedByte>& bytes);

} // namespace testing_support
