#include "simulated_board.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <deque>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace zentor::sim {

namespace {

// The thread looks at the clock at least this often even when the board has
// nothing scheduled, so that stop requests never wait long.
constexpr Micros kLongestSleep = 200'000;
// The machine's own events (instruction steps, samples) are caught up at most
// this often; answers are written at their exact time all the same, since a
// paced byte is known a byte time before it is due.
constexpr Micros kShortestSleep = 1'000;
// Bytes the board may have waiting for a PC that does not read; beyond that
// the line overflows and further bytes are lost.
constexpr std::size_t kMaxPending = 65'536;
constexpr std::size_t kReadChunk = 256;

std::int64_t steadyNanos() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

std::string errnoText(const char* what) {
    return std::string(what) + ": " + std::strerror(errno);
}

void closeFd(int& fd) {
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

// A fresh pty is in cooked mode and would eat or echo bytes: make the line
// raw before anyone talks on it.
bool makeRaw(int fd) {
    termios tio{};
    if (::tcgetattr(fd, &tio) != 0)
        return false;
    ::cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD | CS8;
    tio.c_cc[VMIN] = 1;
    tio.c_cc[VTIME] = 0;
    ::cfsetispeed(&tio, B1200);
    ::cfsetospeed(&tio, B1200);
    return ::tcsetattr(fd, TCSANOW, &tio) == 0;
}

} // namespace

SimulatedBoard::SimulatedBoard(RunnerOptions options)
    : m_options(std::move(options)), m_machine(m_options.board) {}

SimulatedBoard::~SimulatedBoard() {
    stop();
}

bool SimulatedBoard::start() {
    if (m_running.load())
        return true;
    std::lock_guard lock(m_mutex);
    m_error.clear();
    m_machine = BoardMachine(m_options.board);
    m_stopRequested = false;
    m_unplugRequested = false;
    m_unplugged = false;

    auto fail = [this](std::string text) {
        m_error = std::move(text);
        closeFd(m_slave);
        closeFd(m_master);
        closeFd(m_wakeRead);
        closeFd(m_wakeWrite);
        m_devicePath.clear();
        return false;
    };

    m_master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_master < 0)
        return fail(errnoText("posix_openpt"));
    if (::grantpt(m_master) != 0)
        return fail(errnoText("grantpt"));
    if (::unlockpt(m_master) != 0)
        return fail(errnoText("unlockpt"));
    char name[128] = {};
    if (::ptsname_r(m_master, name, sizeof name) != 0)
        return fail(errnoText("ptsname_r"));
    m_devicePath = name;
    m_slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_slave < 0)
        return fail(errnoText(name));
    if (!makeRaw(m_slave))
        return fail(errnoText("tcsetattr"));
    const int flags = ::fcntl(m_master, F_GETFL);
    if (flags < 0 || ::fcntl(m_master, F_SETFL, flags | O_NONBLOCK) != 0)
        return fail(errnoText("fcntl"));
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC | O_NONBLOCK) != 0)
        return fail(errnoText("pipe2"));
    m_wakeRead = pipeFds[0];
    m_wakeWrite = pipeFds[1];

    m_linkPath.clear();
    if (!m_options.symlinkPath.empty()) {
        const std::string& link = m_options.symlinkPath;
        struct stat st {};
        if (::lstat(link.c_str(), &st) == 0) {
            if (!S_ISLNK(st.st_mode))
                return fail(link + ": exists and is no symbolic link");
            if (::unlink(link.c_str()) != 0)
                return fail(errnoText(link.c_str()));
        }
        if (::symlink(name, link.c_str()) != 0)
            return fail(errnoText(link.c_str()));
        m_linkPath = link;
    }

    m_epochNanos = steadyNanos();
    m_running = true;
    m_thread = std::thread([this] { run(); });
    return true;
}

void SimulatedBoard::stop() {
    if (!m_running.load())
        return;
    {
        std::lock_guard lock(m_mutex);
        m_stopRequested = true;
        wake();
    }
    if (m_thread.joinable())
        m_thread.join();
    std::lock_guard lock(m_mutex);
    closeMaster();
    closeFd(m_slave);
    closeFd(m_wakeRead);
    closeFd(m_wakeWrite);
    if (!m_linkPath.empty()) {
        struct stat st {};
        if (::lstat(m_linkPath.c_str(), &st) == 0 && S_ISLNK(st.st_mode))
            ::unlink(m_linkPath.c_str());
        m_linkPath.clear();
    }
    m_running = false;
}

void SimulatedBoard::unplug() {
    std::lock_guard lock(m_mutex);
    m_unplugRequested = true;
    wake();
}

std::string SimulatedBoard::devicePath() const {
    std::lock_guard lock(m_mutex);
    return m_devicePath;
}

std::string SimulatedBoard::linkOrDevicePath() const {
    std::lock_guard lock(m_mutex);
    return m_linkPath.empty() ? m_devicePath : m_linkPath;
}

std::string SimulatedBoard::lastError() const {
    std::lock_guard lock(m_mutex);
    return m_error;
}

Micros SimulatedBoard::lineNow() const {
    return (steadyNanos() - m_epochNanos) / 1000;
}

void SimulatedBoard::catchUp() {
    m_machine.advanceTo(lineNow());
}

BoardSnapshot SimulatedBoard::snapshot() {
    std::lock_guard lock(m_mutex);
    if (m_running.load())
        catchUp();
    return m_machine.snapshot();
}

void SimulatedBoard::setInputOverrides(const InputOverrides& overrides) {
    {
        std::lock_guard lock(m_mutex);
        catchUp();
        m_machine.setInputOverrides(overrides);
        wake();
    }
}

void SimulatedBoard::setPwmLoopback(bool on) {
    {
        std::lock_guard lock(m_mutex);
        catchUp();
        m_machine.setPwmLoopback(on);
        wake();
    }
}

void SimulatedBoard::pauseProgram() {
    {
        std::lock_guard lock(m_mutex);
        catchUp();
        m_machine.pauseProgram();
        wake();
    }
}

void SimulatedBoard::resumeProgram() {
    {
        std::lock_guard lock(m_mutex);
        catchUp();
        m_machine.resumeProgram();
        wake();
    }
}

bool SimulatedBoard::stepProgram() {
    bool stepped = false;
    {
        std::lock_guard lock(m_mutex);
        catchUp();
        stepped = m_machine.stepProgram();
        wake();
    }
    return stepped;
}

// Callers hold m_mutex, which keeps stop() from closing the pipe meanwhile.
void SimulatedBoard::wake() {
    if (m_wakeWrite >= 0) {
        const char byte = 1;
        [[maybe_unused]] const auto written = ::write(m_wakeWrite, &byte, 1);
    }
}

void SimulatedBoard::closeMaster() {
    if (m_master >= 0) {
        closeFd(m_master);
        m_unplugged = true;
    }
}

void SimulatedBoard::run() {
    std::deque<TimedByte> pending; // answer bytes waiting for their time
    bool writeBlocked = false;
    const Micros byteGap = m_options.board.pacing ? kByteMicros : 0;
    Micros lastWrite = -kByteMicros;
    while (!m_stopRequested.load()) {
        Micros next = kNever;
        bool pullPlug = m_unplugRequested.load();
        {
            std::lock_guard lock(m_mutex);
            catchUp();
            for (const TimedByte& byte : m_machine.takeOutput())
                if (pending.size() < kMaxPending)
                    pending.push_back(byte);
            next = m_machine.nextEventTime();
            pullPlug = pullPlug || m_machine.unplugged();
        }
        if (pullPlug) {
            std::lock_guard lock(m_mutex);
            closeMaster();
            return;
        }

        // Bytes leave when their time has come, never sooner; and when one
        // went out late, the next still keeps a byte time's distance, as on a
        // real line.
        writeBlocked = false;
        auto dueAt = [&] { return std::max(pending.front().at, lastWrite + byteGap); };
        while (!pending.empty() && dueAt() <= lineNow()) {
            const std::uint8_t value = pending.front().value;
            const ssize_t n = ::write(m_master, &value, 1);
            if (n != 1) {
                writeBlocked = errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR;
                if (!writeBlocked)
                    pending.clear(); // no one can hear the board; drop the bytes
                break;
            }
            lastWrite = lineNow();
            if (m_options.trace)
                m_options.trace({false, value, lastWrite});
            pending.pop_front();
        }

        const Micros now = lineNow();
        Micros wakeAt = std::min(std::max(next, now + kShortestSleep), now + kLongestSleep);
        if (!pending.empty() && !writeBlocked)
            wakeAt = std::min(wakeAt, dueAt());
        const Micros wait = std::max<Micros>(0, wakeAt - now);
        const timespec timeout{static_cast<time_t>(wait / 1'000'000),
                               static_cast<long>(wait % 1'000'000) * 1000};
        pollfd fds[2] = {{m_master, static_cast<short>(POLLIN | (writeBlocked ? POLLOUT : 0)), 0},
                         {m_wakeRead, POLLIN, 0}};
        const int ready = ::ppoll(fds, 2, &timeout, nullptr);
        if (ready < 0)
            continue; // EINTR: look again

        if (fds[1].revents & POLLIN) {
            char drain[64];
            while (::read(m_wakeRead, drain, sizeof drain) > 0) {
            }
        }
        if (fds[0].revents & POLLIN) {
            std::uint8_t buffer[kReadChunk];
            const ssize_t n = ::read(m_master, buffer, sizeof buffer);
            for (ssize_t i = 0; i < n; ++i) {
                const Micros at = lineNow();
                {
                    std::lock_guard lock(m_mutex);
                    m_machine.receive(buffer[i], at);
                }
                if (m_options.trace)
                    m_options.trace({true, buffer[i], at});
            }
        }
    }
}

} // namespace zentor::sim
