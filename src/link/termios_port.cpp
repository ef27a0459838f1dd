#include "termios_port.h"

#include "precise_wait.h"

#include <cerrno>
#include <charconv>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <unistd.h>

namespace comphard {

namespace {

std::optional<speed_t> speedFor(int baud) {
    switch (baud) {
    case 110: return B110;
    case 300: return B300;
    case 600: return B600;
    case 1200: return B1200;
    case 2400: return B2400;
    case 4800: return B4800;
    case 9600: return B9600;
    case 19200: return B19200;
    case 38400: return B38400;
    case 57600: return B57600;
    case 115200: return B115200;
    default: return std::nullopt;
    }
}

bool parseInt(std::string_view text, int& value) {
    const char* end = text.data() + text.size();
    auto [p, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc{} && p == end;
}

timespec toTimespec(std::chrono::nanoseconds d) {
    if (d.count() < 0)
        d = std::chrono::nanoseconds{0};
    timespec ts{};
    ts.tv_sec = static_cast<time_t>(d.count() / 1'000'000'000);
    ts.tv_nsec = static_cast<long>(d.count() % 1'000'000'000);
    return ts;
}

// Waits for the descriptor until the deadline; the poll events, 0 on time-out.
// The revents, or 0 at the deadline or once an interrupt is requested (the
// poll runs in slices so that it notices one).
short pollUntil(int fd, short events, MonotonicClock::time_point deadline) {
    for (;;) {
        if (interruptRequested())
            return 0;
        pollfd p{fd, events, 0};
        const auto now = MonotonicClock::now();
        const bool lastSlice = deadline - now <= kInterruptSlice;
        const timespec ts = toTimespec(lastSlice ? deadline - now : kInterruptSlice);
        const int n = ppoll(&p, 1, &ts, nullptr);
        if (n > 0)
            return p.revents;
        if (n == 0 && lastSlice)
            return 0;
        if (n == 0)
            continue;
        if (errno != EINTR)
            return POLLERR;
    }
}

} // namespace

std::optional<LineMode> parseLineMode(const std::string& text) {
    // Four comma-separated fields, blanks around them allowed.
    std::string_view rest(text);
    std::string_view fields[4];
    for (int i = 0; i < 4; ++i) {
        const auto comma = rest.find(',');
        if ((i < 3) != (comma != std::string_view::npos))
            return std::nullopt;
        std::string_view f = rest.substr(0, comma);
        while (!f.empty() && f.front() == ' ')
            f.remove_prefix(1);
        while (!f.empty() && f.back() == ' ')
            f.remove_suffix(1);
        fields[i] = f;
        rest = i < 3 ? rest.substr(comma + 1) : std::string_view{};
    }

    LineMode mode;
    if (!parseInt(fields[0], mode.baud) || !speedFor(mode.baud))
        return std::nullopt;
    if (fields[1].size() != 1)
        return std::nullopt;
    const char p = static_cast<char>(fields[1][0] & ~0x20); // upper case
    if (p != 'N' && p != 'E' && p != 'O' && p != 'M' && p != 'S')
        return std::nullopt;
    mode.parity = p;
    if (!parseInt(fields[2], mode.dataBits) || mode.dataBits < 5 || mode.dataBits > 8)
        return std::nullopt;
    if (fields[3] == "1")
        mode.stopBits = 1;
    else if (fields[3] == "1.5" || fields[3] == "2")
        mode.stopBits = 2;
    else
        return std::nullopt;
    return mode;
}

namespace {

// The slave side of a pty: the major numbers the kernel gives them.
bool isPseudoTerminal(int fd) {
    constexpr unsigned kFirstPtySlaveMajor = 136;
    constexpr unsigned kLastPtySlaveMajor = 143;
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISCHR(st.st_mode))
        return false;
    const unsigned deviceMajor = major(st.st_rdev);
    return deviceMajor >= kFirstPtySlaveMajor && deviceMajor <= kLastPtySlaveMajor;
}

int systemOpen(const char* path, int flags) {
    return ::open(path, flags);
}

TermiosPort::OpenCall g_openCall = systemOpen;

} // namespace

TermiosPort::OpenCall TermiosPort::setOpenCall(OpenCall call) {
    const OpenCall previous = g_openCall;
    g_openCall = call != nullptr ? call : systemOpen;
    return previous;
}

std::unique_ptr<TermiosPort> TermiosPort::open(const std::string& path, const LineMode& mode,
                                               OpenFailure* failure) {
    OpenFailure ignored = OpenFailure::None;
    OpenFailure& why = failure != nullptr ? *failure : ignored;
    why = OpenFailure::Unusable; // until the port is ready
    const int fd = g_openCall(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        why = openFailureOf(errno);
        return nullptr;
    }
    std::unique_ptr<TermiosPort> port(new TermiosPort(fd)); // closes fd on every failure below

    // No second program on the same port. TIOCEXCL does not stop root, the
    // lock does.
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        why = OpenFailure::Busy;
        return nullptr;
    }

    termios tio{};
    if (tcgetattr(fd, &tio) != 0) {
        why = OpenFailure::NotSerial; // a plain file, /dev/null, ...
        return nullptr;
    }
    // The flag belongs to the device: clear it at close only when it was
    // ours to set. Another process may hold it (root passes it on open).
    // A pty is left to the lock alone: its other end keeps the device alive,
    // so the flag of a killed holder would keep every later open without
    // root rights out, while the kernel drops the lock with the process.
    int heldBefore = 0;
    if (!isPseudoTerminal(fd) && (ioctl(fd, TIOCGEXCL, &heldBefore) != 0 || heldBefore == 0))
        port->m_ownsExclusiveFlag = ioctl(fd, TIOCEXCL) == 0;

    // Raw before any byte moves: a fresh pty is in cooked mode and would eat
    // or echo bytes.
    cfmakeraw(&tio);
    tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS | CMSPAR);
    tio.c_cflag |= CLOCAL | CREAD;
    switch (mode.dataBits) {
    case 5: tio.c_cflag |= CS5; break;
    case 6: tio.c_cflag |= CS6; break;
    case 7: tio.c_cflag |= CS7; break;
    default: tio.c_cflag |= CS8; break;
    }
    switch (mode.parity) {
    case 'E': tio.c_cflag |= PARENB; break;
    case 'O': tio.c_cflag |= PARENB | PARODD; break;
    case 'M': tio.c_cflag |= PARENB | CMSPAR | PARODD; break;
    case 'S': tio.c_cflag |= PARENB | CMSPAR; break;
    default: break;
    }
    if (mode.stopBits == 2)
        tio.c_cflag |= CSTOPB;
    tio.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    const speed_t speed = *speedFor(mode.baud);
    if (cfsetispeed(&tio, speed) != 0 || cfsetospeed(&tio, speed) != 0)
        return nullptr;
    if (tcsetattr(fd, TCSANOW, &tio) != 0)
        return nullptr;

    // A pty has no modem lines and refuses this with ENOTTY or EINVAL; that
    // is no reason to fail the open.
    int lines = TIOCM_RTS | TIOCM_DTR;
    ioctl(fd, TIOCMBIS, &lines);
    why = OpenFailure::None;
    return port;
}

TermiosPort::~TermiosPort() {
    // The exclusive flag belongs to the device, not to our descriptor: on a
    // pty whose other end stays open it would outlive the close and keep the
    // next open (ours, without root rights) out.
    if (m_ownsExclusiveFlag)
        ioctl(m_fd, TIOCNXCL);
    ::close(m_fd);
}

void TermiosPort::write(std::uint8_t byte, std::chrono::milliseconds timeout) {
    const auto deadline = MonotonicClock::now() + timeout + std::chrono::milliseconds(1);
    while (!m_gone) {
        const ssize_t n = ::write(m_fd, &byte, 1);
        if (n == 1)
            return;
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN) {
            m_gone = true;
            return;
        }
        const short ev = pollUntil(m_fd, POLLOUT, deadline);
        if (ev == 0)
            return; // the write's outcome is not examined
        if (ev & (POLLHUP | POLLERR | POLLNVAL)) {
            m_gone = true;
            return;
        }
    }
}

int TermiosPort::read(std::chrono::milliseconds timeout) {
    const auto deadline = MonotonicClock::now() + timeout + std::chrono::milliseconds(1);
    // In raw mode with VMIN and VTIME 0 a read without data returns 0 at
    // once, so the wait is poll's; a hang-up shows as POLLHUP or POLLERR, or
    // as EIO from the read.
    int emptyReads = 0;
    while (!m_gone) {
        const short ev = pollUntil(m_fd, POLLIN, deadline);
        if (ev == 0)
            return -1;
        if (ev & (POLLHUP | POLLERR | POLLNVAL)) {
            m_gone = true;
            break;
        }
        std::uint8_t byte = 0;
        const ssize_t n = ::read(m_fd, &byte, 1);
        if (n == 1)
            return byte;
        if (n < 0 && (errno == EAGAIN || errno == EINTR))
            continue;
        // Readable but nothing to read twice running is an end of file.
        if (n < 0 || ++emptyReads > 1)
            m_gone = true;
    }
    return -1;
}

bool TermiosPort::gone() const {
    if (!m_gone) {
        pollfd p{m_fd, POLLIN, 0};
        if (::poll(&p, 1, 0) > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL)))
            m_gone = true;
    }
    return m_gone;
}

unsigned TermiosPort::bytesWaiting() {
    if (m_gone)
        return 0;
    int n = 0;
    if (ioctl(m_fd, FIONREAD, &n) != 0 || n < 0)
        return 0;
    return static_cast<unsigned>(n);
}

bool TermiosPort::setDtr(bool on) {
    int line = TIOCM_DTR;
    return ioctl(m_fd, on ? TIOCMBIS : TIOCMBIC, &line) == 0;
}

} // namespace comphard
