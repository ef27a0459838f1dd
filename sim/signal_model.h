// The simulated board's inputs: deterministic functions of the board clock,
// so that a test knows every reading in advance.
//
//   analog   2.5 V + 2 V × sin(2π × 0.5 Hz × t), raw = round(volts × 51),
//            i.e. 127.5 ± 102 raw, a full period every 2 s; with PWM loopback
//            the raw reading equals the PWM output (PWM 255 = 5 V = raw 255).
//   digital  bit 0 is a 1 Hz square wave: 0 for the first half second, then 1.
//   pins     the six port pins count up in binary every 250 ms (0..63).
//   port     what "A = Portin" reads: input pins from the pattern, pins whose
//            direction bit is set read back their output bit; bits 6, 7 are 0.
//
// Each of the three inputs can be fixed to a constant (InputOverrides).
#pragma once

#include "sim_types.h"

#include <cstdint>

namespace zentor::sim {

class SignalModel {
public:
    SignalModel() = default;
    SignalModel(bool pwmLoopback, InputOverrides overrides)
        : m_pwmLoopback(pwmLoopback), m_overrides(overrides) {}

    void setOverrides(const InputOverrides& overrides) { m_overrides = overrides; }
    const InputOverrides& overrides() const { return m_overrides; }
    void setPwmLoopback(bool on) { m_pwmLoopback = on; }
    bool pwmLoopback() const { return m_pwmLoopback; }

    // Raw analog reading 0..255 at board time t (seconds).
    int analog(double boardSeconds, std::uint8_t pwm) const;
    // The "Din" input, 0 or 1 (an override is taken as given, masked to 8 bits).
    int digital(double boardSeconds) const;
    // The six port pins as driven from outside, 0..63.
    int pins(double boardSeconds) const;
    // What "A = Portin" reads for the given direction and output bits.
    int port(double boardSeconds, std::uint8_t direction, std::uint8_t portOut) const;

private:
    bool m_pwmLoopback = false;
    InputOverrides m_overrides;
};

} // namespace zentor::sim
