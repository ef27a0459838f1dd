// The byte transport under comphard: one open serial device. The termios
// implementation talks to a tty or pty; tests and fuzz targets may attach
// their own port to stand on the far end.
#pragma once

#include <chrono>
#include <cstdint>

namespace comphard {

class BytePort {
public:
    virtual ~BytePort() = default;

    // Sends one byte. Gives up (silently) after the time-out; a vanished
    // device makes it return at once.
    virtual void write(std::uint8_t byte, std::chrono::milliseconds timeout) = 0;

    // One byte 0..255, or -1 when none arrived within timeout + 1 ms, on a
    // read error, or at once when the device is gone.
    virtual int read(std::chrono::milliseconds timeout) = 0;

    // Received bytes waiting to be read; 0 when the query fails.
    virtual unsigned bytesWaiting() = 0;

    // Raises or drops DTR. False when the device refuses (a pty has no
    // modem lines).
    virtual bool setDtr(bool on) = 0;

    // The device went away (a hang-up, EIO or ENXIO): every later call
    // returns at once.
    virtual bool gone() const { return false; }
};

} // namespace comphard
