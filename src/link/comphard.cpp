// The transport half of comphard: the process-wide port, the time-out, the
// waits and the stopwatch.
#include "comphard.h"

#include "millisecond_clock.h"
#include "precise_wait.h"
#include "termios_port.h"

#include <QtGlobal>

#include <array>
#include <atomic>
#include <thread>

namespace comphard {

namespace {

using std::chrono::milliseconds;

// 10 bits per byte at 1200 baud is 8.33 ms of line time; the board needs the
// rest of this pause to take the byte in.
constexpr milliseconds kPauseAfterByte{10};
constexpr int kInitialTimeout = 30; // ms, until the first SetTimeout of a run
constexpr milliseconds kDtrPulse{100};
constexpr int kPortCount = 9;

constexpr std::array<const char*, kPortCount> kDefaultPortPaths{
    "/dev/ttyUSB0", "/dev/ttyUSB1", "/dev/ttyACM0", "/dev/ttyACM1", "/dev/ttyS0",
    "/dev/ttyS1",   "/dev/ttyS2",   "/dev/ttyS3",   "/dev/ttyS4"};

// Module state: one port for the whole process, touched by the thread that
// owns it (the link thread once it runs; before that, any one thread).
struct Module {
    std::unique_ptr<BytePort> port;
    int timeout = kInitialTimeout;
    std::uint32_t stopwatchStart = 0;
    std::function<void(std::chrono::microseconds)> wait; // empty: the real wait
    std::function<void(std::uint8_t)> writeTap;
    std::array<std::string, kPortCount> portPaths;
    std::string openFailure; // why the last open failed
    bool programMayRun = false;
};

Module& module() {
    static Module m;
    return m;
}

milliseconds currentTimeout() { return milliseconds(module().timeout); }

// The thread bound by BindToCurrentThread; no thread while none is bound.
std::atomic<std::thread::id> g_owner{};

bool calledByOwner() {
    const std::thread::id owner = g_owner.load(std::memory_order_relaxed);
    return owner == std::thread::id() || owner == std::this_thread::get_id();
}

// The port belongs to one thread: in the program, every byte moves on the
// link thread, never on the GUI thread.
#define ASSERT_PORT_OWNER()                                                                        \
    Q_ASSERT_X(calledByOwner(), __func__, "the port is used outside the thread that owns it")

} // namespace

bool OpenPort(const std::string& definition) {
    ClosePort();
    module().openFailure.clear();
    // "COMn:mode": the first four characters name the device, the rest after
    // the colon is the line mode.
    if (definition.size() < 6 || definition.compare(0, 3, "COM") != 0 || definition[4] != ':')
        return false;
    const char digit = definition[3];
    if (digit < '1' || digit > '9')
        return false;
    return OpenDevice(PortPath(digit - '0'), definition.substr(5));
}

bool OpenDevice(const std::string& path, const std::string& mode) {
    ASSERT_PORT_OWNER();
    ClosePort();
    module().openFailure.clear();
    const auto lineMode = parseLineMode(mode);
    if (!lineMode)
        return false;
    OpenFailure failure = OpenFailure::None;
    module().port = TermiosPort::open(path, *lineMode, &failure);
    module().openFailure = openFailureText(failure, path);
    return module().port != nullptr;
}

std::string LastOpenFailureText() {
    return module().openFailure;
}

void AttachPort(std::unique_ptr<BytePort> port) {
    ASSERT_PORT_OWNER();
    ClosePort();
    module().port = std::move(port);
}

void ClosePort() {
    ASSERT_PORT_OWNER();
    module().port.reset();
    module().programMayRun = false;
}

void NoteProgramStarted() {
    module().programMayRun = true;
}

bool ProgramMayRun() {
    return module().programMayRun;
}

void ForgetProgram() {
    module().programMayRun = false;
}

bool PortIsOpen() { return module().port != nullptr; }

bool PortGone() {
    return module().port != nullptr && module().port->gone();
}

void WriteByte(int value) {
    ASSERT_PORT_OWNER();
    BytePort* port = module().port.get();
    if (!port || interruptRequested())
        return;
    const auto byte = static_cast<std::uint8_t>(value & 0xFF);
    if (const auto& tap = module().writeTap)
        tap(byte);
    port->write(byte, currentTimeout());
    noteByteSent();
    WaitMilliseconds(static_cast<int>(kPauseAfterByte.count()));
}

bool WriteFrame(std::initializer_list<int> bytes) {
    const WholeFrame frame;
    if (!frame.begun())
        return false;
    for (int b : bytes)
        WriteByte(b);
    return !interruptRequested();
}

bool ExchangeCancelled() {
    return exchangeCancelled();
}

int DrainUntilQuiet(std::chrono::milliseconds quiet, std::chrono::milliseconds limit) {
    const auto start = MonotonicClock::now();
    auto lastByte = start;
    int dropped = 0;
    for (;;) {
        const auto now = MonotonicClock::now();
        if (now - lastByte >= quiet || now - start >= limit || interruptRequested() ||
            !PortIsOpen())
            return dropped;
        if (BytesInQueue() > 0) {
            ReadByte();
            ++dropped;
            lastByte = MonotonicClock::now();
        } else {
            WaitMilliseconds(1);
        }
    }
}

int ReadByte() {
    ASSERT_PORT_OWNER();
    BytePort* port = module().port.get();
    return port && !interruptRequested() ? port->read(currentTimeout()) : -1;
}

int SetTimeout(int milliseconds) {
    ASSERT_PORT_OWNER();
    Module& m = module();
    if (!m.port || milliseconds < 0)
        return -1;
    const int previous = m.timeout;
    m.timeout = milliseconds;
    return previous;
}

int CurrentTimeout() { return module().timeout; }

unsigned BytesInQueue() {
    ASSERT_PORT_OWNER();
    BytePort* port = module().port.get();
    return port && !interruptRequested() ? port->bytesWaiting() : 0;
}

void PurgeInput() {
    while (BytesInQueue() > 0)
        ReadByte();
}

namespace {

void waitFor(std::chrono::microseconds duration) {
    ASSERT_PORT_OWNER();
    if (interruptRequested())
        return;
    if (const auto& wait = module().wait)
        wait(duration);
    else
        waitUntil(MonotonicClock::now() + duration);
}

} // namespace

void WaitMicroseconds(int n) {
    if (n <= 0)
        return;
    waitFor(std::chrono::microseconds(n));
}

void WaitMilliseconds(int n) {
    if (n <= 0)
        return;
    waitFor(milliseconds(n));
}

void SetWaitFunction(std::function<void(std::chrono::microseconds)> wait) {
    module().wait = std::move(wait);
}

void SetWriteTap(std::function<void(std::uint8_t)> tap) { module().writeTap = std::move(tap); }

void StopwatchStart() {
    ASSERT_PORT_OWNER();
    module().stopwatchStart = zentor::millisecondsNow();
}

std::uint32_t StopwatchStartStamp() {
    ASSERT_PORT_OWNER();
    return module().stopwatchStart;
}

unsigned StopwatchElapsed() {
    ASSERT_PORT_OWNER();
    return zentor::millisecondsBetween(module().stopwatchStart, zentor::millisecondsNow());
}

void SetMillisecondClock(std::function<std::uint32_t()> clock) {
    zentor::setMillisecondClock(std::move(clock));
}

void BindToCurrentThread() {
    g_owner.store(std::this_thread::get_id());
}

void ReleaseThread() {
    g_owner.store(std::thread::id());
}

bool SetControlLine(bool on) {
    ASSERT_PORT_OWNER();
    BytePort* port = module().port.get();
    return port && port->setDtr(on);
}

bool PulseControlLine() {
    SetControlLine(true);
    WaitMilliseconds(static_cast<int>(kDtrPulse.count()));
    SetControlLine(false);
    return true;
}

std::string PortPath(int n) {
    if (n < 1 || n > kPortCount)
        return {};
    const std::string& custom = module().portPaths[static_cast<std::size_t>(n - 1)];
    return custom.empty() ? kDefaultPortPaths[static_cast<std::size_t>(n - 1)] : custom;
}

void SetPortPath(int n, const std::string& path) {
    if (n >= 1 && n <= kPortCount)
        module().portPaths[static_cast<std::size_t>(n - 1)] = path;
}

} // namespace comphard
