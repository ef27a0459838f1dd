#include "pty_peer.h"

#include "comphard.h"
#include "precise_wait.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <sched.h>
#include <stdexcept>
#include <termios.h>
#include <unistd.h>

namespace testing_support {

namespace {

std::int64_t nowMicroseconds() { return comphard::monotonicMicroseconds(); }

// The peer that holds the link's write tap: the one made last.
std::atomic<PtyPeer*> tapOwner{nullptr};

void makeRaw(int fd) {
    termios tio{};
    if (tcgetattr(fd, &tio) == 0) {
        cfmakeraw(&tio);
        tcsetattr(fd, TCSANOW, &tio);
    }
}

} // namespace

PtyPeer::PtyPeer() {
    m_master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_master < 0 || grantpt(m_master) != 0 || unlockpt(m_master) != 0)
        throw std::runtime_error("no pty");
    char name[128];
    if (ptsname_r(m_master, name, sizeof name) != 0)
        throw std::runtime_error("no pty name");
    m_path = name;
    m_slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    makeRaw(m_slave);
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC | O_NONBLOCK) != 0)
        throw std::runtime_error("no pipe");
    m_wakeRead = pipeFds[0];
    m_wakeWrite = pipeFds[1];
    m_thread = std::thread([this] { run(); });
    tapOwner = this;
    comphard::SetWriteTap([this](std::uint8_t byte) {
        std::lock_guard lock(m_mutex);
        m_written.push_back({byte, nowMicroseconds(), 0}); // not arrived yet
        if (m_written.size() > 4096) // written to another device all along
            m_written.pop_front();
    });
}

PtyPeer::~PtyPeer() {
    PtyPeer* self = this;
    if (tapOwner.compare_exchange_strong(self, nullptr))
        comphard::SetWriteTap({});
    m_stop = true;
    const char wake = 1;
    [[maybe_unused]] auto n = ::write(m_wakeWrite, &wake, 1);
    m_thread.join();
    if (m_master >= 0)
        ::close(m_master);
    ::close(m_slave);
    ::close(m_wakeRead);
    ::close(m_wakeWrite);
}

void PtyPeer::setScript(Script script) {
    std::lock_guard lock(m_mutex);
    m_script = std::move(script);
}

void PtyPeer::setAnswerDelay(std::chrono::microseconds delay) {
    std::lock_guard lock(m_mutex);
    m_answerDelay = delay;
}

void PtyPeer::send(const std::vector<std::uint8_t>& bytes) {
    std::lock_guard lock(m_mutex);
    m_pending.push_back({nowMicroseconds(), bytes});
    const char wake = 1;
    [[maybe_unused]] auto n = ::write(m_wakeWrite, &wake, 1);
}

std::vector<ReceivedByte> PtyPeer::received() const {
    std::lock_guard lock(m_mutex);
    return m_received;
}

std::vector<std::uint8_t> PtyPeer::receivedValues() const {
    std::lock_guard lock(m_mutex);
    std::vector<std::uint8_t> values;
    for (const auto& r : m_received)
        values.push_back(r.value);
    return values;
}

void PtyPeer::clearReceived() {
    std::lock_guard lock(m_mutex);
    m_received.clear();
}

bool PtyPeer::waitForBytes(std::size_t n, std::chrono::milliseconds timeout) const {
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, timeout, [&] { return m_received.size() >= n; });
}

void PtyPeer::unplug() {
    std::lock_guard lock(m_mutex);
    if (m_master >= 0) {
        ::close(m_master);
        m_master = -1;
    }
    // The kept slave descriptor would keep the line up; close it too.
    ::close(m_slave);
    m_slave = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    const char wake = 1;
    [[maybe_unused]] auto n = ::write(m_wakeWrite, &wake, 1);
}

void PtyPeer::run() {
    // A real-time thread answers promptly even on a loaded machine. Without
    // the right to it the peer runs as an ordinary thread.
    sched_param priority{};
    priority.sched_priority = 10;
    pthread_setschedparam(pthread_self(), SCHED_FIFO, &priority);
    while (!m_stop) {
        int master;
        int timeoutMs = 50;
        {
            std::lock_guard lock(m_mutex);
            master = m_master;
            const std::int64_t now = nowMicroseconds();
            while (!m_pending.empty() && m_pending.front().dueMicroseconds <= now) {
                if (master >= 0) {
                    const auto& bytes = m_pending.front().bytes;
                    [[maybe_unused]] auto n = ::write(master, bytes.data(), bytes.size());
                }
                m_pending.pop_front();
            }
            if (!m_pending.empty()) {
                const auto wait = (m_pending.front().dueMicroseconds - now + 999) / 1000;
                timeoutMs = static_cast<int>(std::min<std::int64_t>(wait, timeoutMs));
            }
        }
        pollfd fds[2] = {{m_wakeRead, POLLIN, 0}, {master, POLLIN, 0}};
        const int n = poll(fds, master >= 0 ? 2 : 1, timeoutMs);
        if (n <= 0)
            continue;
        if (fds[0].revents & POLLIN) {
            char buf[64];
            while (::read(m_wakeRead, buf, sizeof buf) > 0) {
            }
        }
        if (master < 0 || !(fds[1].revents & POLLIN))
            continue;
        std::uint8_t buf[256];
        const ssize_t got = ::read(master, buf, sizeof buf);
        const std::int64_t at = nowMicroseconds();
        if (got <= 0)
            continue;
        std::lock_guard lock(m_mutex);
        for (ssize_t i = 0; i < got; ++i) {
            m_received.push_back({buf[i], takeWriteStamp(buf[i], at), at});
            if (m_script) {
                auto answer = m_script(m_received);
                if (!answer.empty())
                    m_pending.push_back({at + m_answerDelay.count(), std::move(answer)});
            }
        }
        m_changed.notify_all();
    }
}

std::int64_t PtyPeer::takeWriteStamp(std::uint8_t value, std::int64_t arrival) {
    // Bytes arrive in the order they were written. A byte that does not
    // match the oldest one written was not sent through the link (or the
    // link wrote to another device): forget what the tap saw.
    if (!m_written.empty() && m_written.front().value == value) {
        const std::int64_t stamp = m_written.front().atMicroseconds;
        m_written.pop_front();
        return stamp;
    }
    m_written.clear();
    return arrival;
}

PtyPeer::Script echoCommandScript() {
    return [](const std::vector<ReceivedByte>& in) -> std::vector<std::uint8_t> {
        // Walk the frames from the start: ESC and a command byte make one.
        std::size_t i = 0;
        while (i + 1 < in.size()) {
            if (in[i].value != 27) {
                ++i;
                continue;
            }
            if (i + 2 == in.size()) {
                const std::uint8_t c = in[i + 1].value;
                return {c, static_cast<std::uint8_t>(255 - c)};
            }
            i += 2;
        }
        return {};
    };
}

PtyPeer::Script boardInStepScript() {
    const PtyPeer::Script frames = echoCommandScript();
    return [frames](const std::vector<ReceivedByte>& in) {
        std::vector<std::uint8_t> answer = frames(in);
        if (answer.size() == 2 && answer[0] == 1)
            answer = {32, 223};
        return answer;
    };
}

PtyPeer::Script silentScript() {
    return [](const std::vector<ReceivedByte>&) { return std::vector<std::uint8_t>{}; };
}

std::vector<std::int64_t> gapsMicroseconds(const std::vector<ReceivedByte>& bytes) {
    std::vector<std::int64_t> gaps;
    for (std::size_t i = 1; i < bytes.size(); ++i)
        gaps.push_back(bytes[i].atMicroseconds - bytes[i - 1].atMicroseconds);
    return gaps;
}

std::vector<std::int64_t> arrivalGapsMicroseconds(const std::vector<ReceivedByte>& bytes) {
    std::vector<std::int64_t> gaps;
    for (std::size_t i = 1; i < bytes.size(); ++i)
        gaps.push_back(bytes[i].arrivedMicroseconds - bytes[i - 1].arrivedMicroseconds);
    return gaps;
}

termios PtyPeer::lineSettings() const {
    termios settings{};
    tcgetattr(m_slave, &settings);
    return settings;
}

void PtyPeer::setLineSettings(const termios& settings) {
    tcsetattr(m_slave, TCSANOW, &settings);
}

} // namespace testing_support
