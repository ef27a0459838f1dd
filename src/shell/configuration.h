// Where the program keeps its settings, and the keys of "zentor.ini".
#pragma once

#include <QString>

namespace configuration {

// $XDG_CONFIG_HOME/zentor (normally ~/.config/zentor).
QString directory();
// directory() + "/zentor.ini".
QString iniPath();

inline constexpr const char* kTimeSection = "Time";
inline constexpr const char* kMaxTimeoutKey = "MAXTimeout";
inline constexpr int kDefaultMaxTimeout = 300; // ms

inline constexpr const char* kPortSection = "ZENTOR1";
inline constexpr const char* kComKey = "COM";
// 1 while the built-in simulator is the chosen port; "COM" keeps its meaning.
inline constexpr const char* kSimulatorKey = "Simulator";

// Optional device paths of the ports: key "COMn".
inline constexpr const char* kPortsSection = "Ports";

} // namespace configuration
