// A serial device (tty or pty) reached through POSIX termios.
#pragma once

#include "byte_port.h"
#include "open_failure.h"

#include <memory>
#include <optional>
#include <string>

namespace comphard {

// A line mode such as "1200,N,8,1": baud, parity (N, E, O, M, S), data bits
// (5..8), stop bits (1, 1.5, 2).
struct LineMode {
    int baud = 1200;
    char parity = 'N';
    int dataBits = 8;
    int stopBits = 1; // 1.5 is taken as 2, as the line drivers do
};

// The parsed mode, or nothing for a malformed definition or an unsupported
// baud rate.
std::optional<LineMode> parseLineMode(const std::string& text);

class TermiosPort final : public BytePort {
public:
    // Opens the device exclusively and makes it raw in the given mode; RTS
    // and DTR are raised where the device has modem lines. Returns nullptr
    // when the device is missing, busy, not a terminal or refuses the mode,
    // and says which in `failure` when given; the descriptor is released in
    // every such case.
    static std::unique_ptr<TermiosPort> open(const std::string& path, const LineMode& mode,
                                             OpenFailure* failure = nullptr);

    // The system call that opens the device; tests replace it to see the
    // refusals root never meets. Returns the previous one.
    using OpenCall = int (*)(const char* path, int flags);
    static OpenCall setOpenCall(OpenCall call);

    ~TermiosPort() override;
    TermiosPort(const TermiosPort&) = delete;
    TermiosPort& operator=(const TermiosPort&) = delete;

    void write(std::uint8_t byte, std::chrono::milliseconds timeout) override;
    int read(std::chrono::milliseconds timeout) override;
    unsigned bytesWaiting() override;
    bool setDtr(bool on) override;

    // True once the far end has vanished (hang-up, EIO, end of file).
    bool isGone() const { return m_gone; }
    // Also asks the device without waiting: a pulled adapter hangs up its
    // descriptor before any byte finds out.
    bool gone() const override;

private:
    explicit TermiosPort(int fd) : m_fd(fd) {}

    int m_fd;
    mutable bool m_gone = false;
    bool m_ownsExclusiveFlag = false; // TIOCEXCL was set by this port
};

} // namespace comphard
