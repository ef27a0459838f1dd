// Raw board readings to physical values and status-bar texts.
#pragma once

#include <QString>

namespace zentor {

// Channel codes (the recorder's channel list; 60 is also the command byte of
// the analog input "A = Uin").
inline constexpr int kChannelVoltage = 60;
inline constexpr int kChannelLight = 61;
inline constexpr int kChannelTemperature = 62;
inline constexpr int kChannelResistance = 63;
inline constexpr int kChannelNoise = 64;
inline constexpr int kChannelBattery = 65;
inline constexpr int kChannelInput = 66;

// Full scale of the analog input: 255 raw steps are 5 V.
inline constexpr double kAnalogFullScaleVolts = 5.0;
inline constexpr double kAnalogFullScaleRaw = 255.0;

struct Reading {
    double value = 0;
    QString text;
};

// Converts one raw reading (normally 0..255; -1 and other negatives come from
// failed reads and are taken by their absolute value) for a channel code.
//  60: value in volts, raw / 255 × 5; text like "2,51 Volt" (user's locale).
//  62: value 0.3, or 0.7 when |raw| > 1; text "0" or "1".
//  any other code: value |raw|; text "Fehler.".
// Pure: no state, no board traffic.
Reading ConvertReading(int channel, int raw);

} // namespace zentor
