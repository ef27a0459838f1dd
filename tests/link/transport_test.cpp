#include "comphard.h"
#include "termios_port.h"
#include "timing.h"
#include "wait_until.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <grp.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <limits>
#include <numeric>
#include <thread>

using namespace comphard;
using namespace testing_support;

namespace {

constexpr const char* kDefinition3 = "COM3:1200,N,8,1";

// Where a call must not wait out the read time-out, the time-out is long and
// the call is given half of it: a busy machine may hold the call up for a
// while, but never for seconds.
constexpr int kLongTimeoutMs = 10'000;
constexpr std::int64_t kFarBelowLongTimeout = kLongTimeoutMs / 2 * 1000;

// Waits until n bytes are waiting (the peer sends from its own thread);
// false after half a minute.
bool awaitQueued(unsigned n) {
    return testing_support::waitUntil([n] { return BytesInQueue() >= n; });
}

class TransportTest : public ::testing::Test {
protected:
    void SetUp() override { SetPortPath(3, peer.path()); }
    void TearDown() override {
        ClosePort();
        for (int n = 1; n <= 9; ++n)
            SetPortPath(n, {});
        SetMillisecondClock({});
    }
    PtyPeer peer;
};

// Counts the waits asked for instead of sleeping them.
class CountedWaits {
public:
    CountedWaits() {
        SetWaitFunction([this](std::chrono::microseconds us) { asked.push_back(us.count()); });
    }
    ~CountedWaits() { SetWaitFunction({}); }
    std::vector<std::int64_t> asked;
};

TEST_F(TransportTest, AClosedPortReturnsAtOnce) {
    ASSERT_TRUE(OpenPort(kDefinition3));
    SetTimeout(kLongTimeoutMs);
    ClosePort();
    ASSERT_FALSE(PortIsOpen());
    int read = 0;
    EXPECT_LT(elapsedMicroseconds([&] { read = ReadByte(); }), kFarBelowLongTimeout)
        << "no read time-out";
    EXPECT_EQ(read, -1);
    {
        CountedWaits waits;
        WriteByte(27);
        EXPECT_TRUE(waits.asked.empty()) << "no pause on a closed port";
    }
    EXPECT_EQ(SetTimeout(100), -1);
    EXPECT_EQ(CurrentTimeout(), kLongTimeoutMs);
    EXPECT_EQ(BytesInQueue(), 0u);
    EXPECT_FALSE(SetControlLine(true));
}

TEST(TransportOpen, MalformedDefinitionsAndMissingDevicesFail) {
    SetPortPath(2, "/dev/does-not-exist-zentor");
    for (const char* definition :
         {"", "COM", "COM3", "COM3;1200,N,8,1", "COMx:1200,N,8,1", "COM0:1200,N,8,1",
          "COM2:1200,N,8,1", "LPT1:1200,N,8,1"}) {
        EXPECT_FALSE(OpenPort(definition)) << definition;
        EXPECT_FALSE(PortIsOpen()) << definition;
    }
}

TEST_F(TransportTest, ARefusedPortSaysWhyNamingTheDevice) {
    char folder[] = "/tmp/zentor-port-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    const std::string plainFile = std::string(folder) + "/ttyUSB0";
    ::close(::open(plainFile.c_str(), O_CREAT | O_WRONLY, 0600));
    // Root may open any device: the refusal comes through the open seam.
    const auto refuseAccess = +[](const char*, int) {
        errno = EACCES;
        return -1;
    };
    const auto held = TermiosPort::open(peer.path(), {}); // another program holds the pty
    ASSERT_NE(held, nullptr);
    struct Case {
        std::string path;
        TermiosPort::OpenCall openCall;
        std::string reason;
    };
    const Case cases[] = {
        {"/dev/does-not-exist-zentor", nullptr, "ist nicht vorhanden"},
        {folder, nullptr, "ist keine serielle Schnittstelle"},
        {plainFile, nullptr, "ist keine serielle Schnittstelle"},
        {"/dev/null", nullptr, "ist keine serielle Schnittstelle"},
        {"/dev/ttyS0", refuseAccess,
         "Keine Berechtigung für \"/dev/ttyS0\": Benutzer in die "
         "Gruppe \"dialout\" aufnehmen und neu anmelden."},
        {peer.path(), nullptr, "wird schon von einem anderen Programm benutzt"},
    };
    for (const Case& c : cases) {
        TermiosPort::setOpenCall(c.openCall);
        EXPECT_FALSE(OpenDevice(c.path, "1200,N,8,1")) << c.path;
        const std::string why = LastOpenFailureText();
        EXPECT_NE(why.find(c.reason), std::string::npos) << why;
        EXPECT_NE(why.find("\"" + c.path + "\""), std::string::npos) << why;
    }
    TermiosPort::setOpenCall(nullptr);
    ::unlink(plainFile.c_str());
    ::rmdir(folder);
}

TEST(TransportOpen, LineModesAreParsedAndBadOnesRefused) {
    struct Case {
        const char* text;
        bool valid;
        int baud, dataBits, stopBits;
        char parity;
    };
    const Case cases[] = {
        {"1200,N,8,1", true, 1200, 8, 1, 'N'},    {"9600,e,7,2", true, 9600, 7, 2, 'E'},
        {" 1200 , N , 8 , 1 ", true, 1200, 8, 1, 'N'}, {"1200,O,5,1.5", true, 1200, 5, 2, 'O'},
        {"1201,N,8,1", false, 0, 0, 0, 0},        {"1200,X,8,1", false, 0, 0, 0, 0},
        {"1200,N,9,1", false, 0, 0, 0, 0},        {"1200,N,8,3", false, 0, 0, 0, 0},
        {"1200,N,8", false, 0, 0, 0, 0},          {"1200,N,8,1,1", false, 0, 0, 0, 0},
        {"12x0,N,8,1", false, 0, 0, 0, 0},        {"", false, 0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        const auto mode = parseLineMode(c.text);
        ASSERT_EQ(mode.has_value(), c.valid) << c.text;
        if (!mode)
            continue;
        EXPECT_EQ(mode->baud, c.baud) << c.text;
        EXPECT_EQ(mode->parity, c.parity) << c.text;
        EXPECT_EQ(mode->dataBits, c.dataBits) << c.text;
        EXPECT_EQ(mode->stopBits, c.stopBits) << c.text;
    }
}

TEST(TransportOpen, PortMapHasDefaultsAndOverrides) {
    EXPECT_EQ(PortPath(1), "/dev/ttyUSB0");
    EXPECT_EQ(PortPath(3), "/dev/ttyACM0");
    EXPECT_EQ(PortPath(5), "/dev/ttyS0");
    EXPECT_EQ(PortPath(9), "/dev/ttyS4");
    EXPECT_EQ(PortPath(0), "");
    EXPECT_EQ(PortPath(10), "");
    SetPortPath(4, "/dev/ttyAMA0");
    EXPECT_EQ(PortPath(4), "/dev/ttyAMA0");
    SetPortPath(4, {});
    EXPECT_EQ(PortPath(4), "/dev/ttyACM1");
}

TEST_F(TransportTest, OpenTakesThePortExclusively) {
    ASSERT_TRUE(OpenPort(kDefinition3));
    EXPECT_TRUE(PortIsOpen());
    EXPECT_EQ(TermiosPort::open(peer.path(), LineMode{}), nullptr) << "second opener admitted";
    ClosePort();
    EXPECT_NE(TermiosPort::open(peer.path(), LineMode{}), nullptr) << "not released on close";
}

// A holder in a process of its own, without root rights (root passes the
// exclusive flag on open, so only such a user sees a flag left behind).
class HolderProcess {
public:
    explicit HolderProcess(const std::string& device) {
        int out[2];
        int in[2];
        if (pipe2(out, O_CLOEXEC) != 0 || pipe2(in, O_CLOEXEC) != 0)
            return;
        m_pid = fork();
        if (m_pid == 0) {
            dup2(in[0], STDIN_FILENO);
            dup2(out[1], STDOUT_FILENO);
            constexpr uid_t kNobody = 65534;
            if (geteuid() == 0 &&
                (setgroups(0, nullptr) != 0 || setgid(kNobody) != 0 || setuid(kNobody) != 0))
                _exit(3);
            execl(PORT_HOLDER, PORT_HOLDER, device.c_str(), static_cast<char*>(nullptr));
            _exit(4);
        }
        ::close(out[1]);
        ::close(in[0]);
        m_output = out[0];
        m_input = in[1];
    }
    ~HolderProcess() {
        ::close(m_input);
        ::close(m_output);
        if (m_pid > 0)
            waitpid(m_pid, nullptr, 0);
    }
    // The holder's first line: "offen" or why the open failed.
    std::string firstLine() {
        std::string line;
        char c = 0;
        while (::read(m_output, &c, 1) == 1 && c != '\n')
            line += c;
        return line;
    }
    void kill() {
        ::kill(m_pid, SIGKILL);
        waitpid(m_pid, nullptr, 0);
        m_pid = -1;
    }

private:
    pid_t m_pid = -1;
    int m_output = -1;
    int m_input = -1;
};

TEST(TransportOpen, AKilledHolderLeavesThePortToTheNextStartWithoutRoot) {
    PtyPeer peer;
    ASSERT_EQ(chmod(peer.path().c_str(), 0666), 0);
    const std::string busy = openFailureText(OpenFailure::Busy, peer.path());

    HolderProcess holder(peer.path());
    ASSERT_EQ(holder.firstLine(), "offen");
    EXPECT_EQ(HolderProcess(peer.path()).firstLine(), busy) << "second program admitted";
    holder.kill();
    EXPECT_EQ(HolderProcess(peer.path()).firstLine(), "offen")
        << "the killed holder's claim stayed";
}

TEST_F(TransportTest, AFailedOpenClosesThePreviousPortFirst) {
    ASSERT_TRUE(OpenPort(kDefinition3));
    SetPortPath(1, "/dev/does-not-exist-zentor");
    EXPECT_FALSE(OpenPort("COM1:1200,N,8,1"));
    EXPECT_FALSE(PortIsOpen());
    EXPECT_NE(TermiosPort::open(peer.path(), LineMode{}), nullptr) << "old port still held";
}

TEST_F(TransportTest, WriteSendsTheLowByteAndPausesTenMilliseconds) {
    ASSERT_TRUE(OpenPort(kDefinition3));
    EXPECT_GE(elapsedMicroseconds([] { WriteByte(300); }), 10 * kMs);
    WriteByte(-1);
    ASSERT_TRUE(peer.waitForBytes(2, std::chrono::seconds(1)));
    EXPECT_EQ(peer.receivedValues(), (std::vector<std::uint8_t>{44, 255}));
    expectGapsAtLeast(peer.received(), {10 * kMs});
}

TEST_F(TransportTest, TheLineIs1200Baud8N1RawAndCarriesEveryByteValue) {
    // Start from a line in the wrong state: cooked, 9600 baud, 7E2 with both
    // handshakes, reads waiting for a byte.
    termios wrong = peer.lineSettings();
    wrong.c_iflag |= IXON | IXOFF | ICRNL | ISTRIP;
    wrong.c_oflag |= OPOST | ONLCR;
    wrong.c_lflag |= ICANON | ECHO | ISIG | IEXTEN;
    wrong.c_cflag = (wrong.c_cflag & ~CSIZE) | CS7 | PARENB | CSTOPB | CRTSCTS;
    wrong.c_cc[VMIN] = 1;
    wrong.c_cc[VTIME] = 5;
    cfsetspeed(&wrong, B9600);
    peer.setLineSettings(wrong);

    ASSERT_TRUE(OpenPort(kDefinition3));
    const termios line = peer.lineSettings();
    EXPECT_EQ(cfgetospeed(&line), B1200);
    EXPECT_EQ(cfgetispeed(&line), B1200);
    EXPECT_EQ(line.c_cflag & CSIZE, CS8);
    EXPECT_EQ(line.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u) << "parity, two stop bits, RTS/CTS";
    EXPECT_EQ(line.c_cflag & (CLOCAL | CREAD), tcflag_t(CLOCAL | CREAD));
    EXPECT_EQ(line.c_iflag & (IXON | IXOFF | IXANY | ICRNL | INLCR | IGNCR | ISTRIP | PARMRK), 0u);
    EXPECT_EQ(line.c_oflag & OPOST, 0u);
    EXPECT_EQ(line.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
    EXPECT_EQ(line.c_cc[VMIN], 0);
    EXPECT_EQ(line.c_cc[VTIME], 0);

    // All 256 values both ways, XON (17) and XOFF (19) among them.
    std::vector<std::uint8_t> all(256);
    std::iota(all.begin(), all.end(), 0);
    peer.send(all);
    for (int value : all)
        ASSERT_EQ(ReadByte(), value);
    for (int value : all)
        WriteByte(value);
    ASSERT_TRUE(peer.waitForBytes(all.size(), std::chrono::seconds(2)));
    EXPECT_EQ(peer.receivedValues(), all);
    // As they arrived, not only as they left: the pauses reach the line.
    // (The median, since a busy machine may hold a single byte back.)
    std::vector<std::int64_t> gaps = arrivalGapsMicroseconds(peer.received());
    std::nth_element(gaps.begin(), gaps.begin() + gaps.size() / 2, gaps.end());
    EXPECT_GE(gaps[gaps.size() / 2], 9 * kMs);
}

TEST_F(TransportTest, TheWriteTapSeesEachByteBeforeItLeaves) {
    std::vector<std::uint8_t> tapped;
    std::size_t arrivedBeforeTap = 0;
    SetWriteTap([&](std::uint8_t byte) {
        tapped.push_back(byte);
        arrivedBeforeTap += peer.receivedValues().size() >= tapped.size();
    });
    WriteByte(27); // no port yet: nothing goes out, nothing is tapped
    ASSERT_TRUE(OpenPort(kDefinition3));
    WriteByte(300);
    WriteByte(-1);
    SetWriteTap({});
    WriteByte(1);
    ASSERT_TRUE(peer.waitForBytes(3, std::chrono::seconds(1)));
    EXPECT_EQ(tapped, (std::vector<std::uint8_t>{44, 255}));
    EXPECT_EQ(arrivedBeforeTap, 0u);
}

TEST_F(TransportTest, ReadGivesUpOneMillisecondAfterTheTimeout) {
    ASSERT_TRUE(OpenPort(kDefinition3));
    for (int timeout : {0, 40, 300}) {
        SetTimeout(timeout);
        // Never earlier than T + 1 ms. Not much later either (a line
        // discipline's tenths of a second would give 100 ms for 40): on a busy
        // machine one read may be held up, so the quickest of a few counts.
        std::int64_t quickest = std::numeric_limits<std::int64_t>::max();
        for (int attempt = 0; attempt < 5; ++attempt) {
            int value = 0;
            const auto took = elapsedMicroseconds([&] { value = ReadByte(); });
            EXPECT_EQ(value, -1);
            EXPECT_GE(took, (timeout + 1) * kMs) << "T=" << timeout;
            quickest = std::min(quickest, took);
        }
        EXPECT_LT(quickest, (timeout + 1) * kMs + 30 * kMs) << "T=" << timeout;
    }
}

TEST_F(TransportTest, ReadReturnsBytesAsTheyComeAndCountsWaitingOnes) {
    ASSERT_TRUE(OpenPort(kDefinition3));
    SetTimeout(kLongTimeoutMs);
    EXPECT_EQ(BytesInQueue(), 0u);
    peer.send({0, 27, 255});
    EXPECT_TRUE(awaitQueued(3));
    EXPECT_EQ(BytesInQueue(), 3u);
    EXPECT_EQ(ReadByte(), 0);
    EXPECT_EQ(ReadByte(), 27);
    EXPECT_EQ(ReadByte(), 255);
    EXPECT_EQ(BytesInQueue(), 0u);

    // A byte that comes in the middle of the wait ends the read.
    std::thread late([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        peer.send({7});
    });
    int value = 0;
    const auto took = elapsedMicroseconds([&] { value = ReadByte(); });
    late.join();
    EXPECT_EQ(value, 7);
    EXPECT_LT(took, kFarBelowLongTimeout) << "the read waited out its time-out";
}

TEST_F(TransportTest, PurgeDropsWaitingBytesAndReadsNothingFromAnEmptyQueue) {
    ASSERT_TRUE(OpenPort(kDefinition3));
    SetTimeout(kLongTimeoutMs);
    // An empty queue must not cost a read time-out.
    EXPECT_LT(elapsedMicroseconds([] { PurgeInput(); }), kFarBelowLongTimeout);
    peer.send({1, 2, 3, 4});
    EXPECT_TRUE(awaitQueued(4));
    PurgeInput();
    EXPECT_EQ(BytesInQueue(), 0u);
    SetTimeout(10);
    EXPECT_EQ(ReadByte(), -1);
}

TEST_F(TransportTest, TimeoutSurvivesAReopen) {
    ASSERT_TRUE(OpenPort(kDefinition3));
    SetTimeout(120);
    ClosePort();
    EXPECT_EQ(CurrentTimeout(), 120);
    ASSERT_TRUE(OpenPort(kDefinition3));
    EXPECT_GE(elapsedMicroseconds([] { ReadByte(); }), 121 * kMs);
    EXPECT_EQ(SetTimeout(-5), -1);
    EXPECT_EQ(SetTimeout(300), 120);
}

TEST_F(TransportTest, AVanishedDeviceNeverHangs) {
    ASSERT_TRUE(OpenPort(kDefinition3));
    SetTimeout(kLongTimeoutMs);
    peer.unplug();
    int value = 0;
    EXPECT_LT(elapsedMicroseconds([&] { value = ReadByte(); }), kFarBelowLongTimeout);
    EXPECT_EQ(value, -1);
    EXPECT_EQ(BytesInQueue(), 0u);
    EXPECT_LT(elapsedMicroseconds([] { WriteByte(27); }), kFarBelowLongTimeout);
    EXPECT_LT(elapsedMicroseconds([] { PurgeInput(); }), kFarBelowLongTimeout);
    // The window's logic still sees an open port until it closes it.
    EXPECT_TRUE(PortIsOpen());
}

TEST(TransportWait, WaitsAreNeverShorterThanAsked) {
    {
        CountedWaits waits;
        WaitMicroseconds(0);
        WaitMicroseconds(-5);
        WaitMilliseconds(-1);
        WaitMilliseconds(0);
        WaitMilliseconds(3);
        EXPECT_EQ(waits.asked, (std::vector<std::int64_t>{3000})) << "only a real wait is asked";
    }
    for (int us : {1, 150, 1000, 2500})
        EXPECT_GE(elapsedMicroseconds([&] { WaitMicroseconds(us); }), us);
    for (int ms : {1, 10, 20})
        EXPECT_GE(elapsedMicroseconds([&] { WaitMilliseconds(ms); }), ms * kMs);
}

TEST(TransportStopwatch, ElapsedIsRightAcrossTheWrap) {
    std::uint32_t now = 0xFFFF'FF00u;
    SetMillisecondClock([&] { return now; });
    StopwatchStart();
    now += 0x100; // wraps to 0
    EXPECT_EQ(StopwatchElapsed(), 0x100u);
    now = 0x0000'0200u;
    EXPECT_EQ(StopwatchElapsed(), 0x300u);
    SetMillisecondClock({});
    StopwatchStart();
    WaitMilliseconds(15);
    EXPECT_GE(StopwatchElapsed(), 14u); // the clock ticks in whole milliseconds
}

} // namespace
