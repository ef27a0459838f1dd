#include "signal_model.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace zentor::sim {

namespace {

constexpr double kCentreVolts = 2.5;
constexpr double kSwingVolts = 2.0;
constexpr double kAnalogHertz = 0.5;
constexpr double kRawPerVolt = 51.0; // 255 raw steps are 5 V
constexpr double kDigitalHertz = 1.0;
constexpr double kPinStepSeconds = 0.25;
constexpr int kPinMask = 0x3F; // six port pins

// floor() of a board time that may be a few ulps below a whole step.
long long stepsAt(double seconds, double stepSeconds) {
    return static_cast<long long>(std::floor(seconds / stepSeconds + 1e-9));
}

} // namespace

int SignalModel::analog(double boardSeconds, std::uint8_t pwm) const {
    if (m_overrides.analog)
        return std::clamp(*m_overrides.analog, 0, 255);
    if (m_pwmLoopback)
        return pwm;
    const double volts =
        kCentreVolts + kSwingVolts * std::sin(2 * std::numbers::pi * kAnalogHertz * boardSeconds);
    return std::clamp(static_cast<int>(std::lround(volts * kRawPerVolt)), 0, 255);
}

int SignalModel::digital(double boardSeconds) const {
    if (m_overrides.digital)
        return *m_overrides.digital & 0xFF;
    return static_cast<int>(stepsAt(boardSeconds, 0.5 / kDigitalHertz) & 1);
}

int SignalModel::pins(double boardSeconds) const {
    if (m_overrides.portPins)
        return *m_overrides.portPins & kPinMask;
    return static_cast<int>(stepsAt(boardSeconds, kPinStepSeconds) & kPinMask);
}

int SignalModel::port(double boardSeconds, std::uint8_t direction, std::uint8_t portOut) const {
    const int in = pins(boardSeconds);
    return ((in & ~direction) | (portOut & direction)) & kPinMask;
}

} // namespace zentor::sim
