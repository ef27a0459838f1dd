// Which device stands behind a port of the menu. Pure: the caller reads the
// configuration ([Ports] COMn of zentor.ini) and hands its value in, so the
// GUI thread can name a device without touching the port's state.
#pragma once

#include <string>

namespace zentor {

// The ports 1..9 of the configuration ([ZENTOR1] COM).
inline constexpr int kConfiguredPortCount = 9;

// The device path of port n: `configured` when it is not empty, else the
// default map COM1 /dev/ttyUSB0, COM2 /dev/ttyUSB1, COM3 /dev/ttyACM0,
// COM4 /dev/ttyACM1, COM5 /dev/ttyS0, COM6 /dev/ttyS1, COM7..9
// /dev/ttyS2..4. Empty for n outside 1..9.
std::string portDevicePath(int n, const std::string& configured = {});

} // namespace zentor
