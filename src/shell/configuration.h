// Where the program keeps its settings, and the keys of "zentor.ini".
#pragma once

#include <QString>
#include <QStringList>

namespace configuration {

// $XDG_CONFIG_HOME/zentor (normally ~/.config/zentor).
QString directory();
// directory() + "/zentor.ini".
QString iniPath();
// The defaults for every user: zentor/zentor.ini in each folder of
// $XDG_CONFIG_DIRS (normally /etc/xdg), the first one found wins.
QStringList systemIniPaths();

inline constexpr const char* kTimeSection = "Time";
inline constexpr const char* kMaxTimeoutKey = "MAXTimeout";
inline constexpr int kDefaultMaxTimeout = 300; // ms
// The longest read time-out taken from the ini: a larger value would leave
// the board seconds to answer each byte.
inline constexpr int kMaxTimeoutLimit = 10'000; // ms

// The read time-out given to the link for the ini's value: values above the
// limit are cut to it; 0 stands for no time-out and is refused like a
// negative value (-1: the link keeps the time-out it has).
constexpr int effectiveMaxTimeout(int configured) {
    if (configured <= 0)
        return -1;
    return configured > kMaxTimeoutLimit ? kMaxTimeoutLimit : configured;
}

inline constexpr const char* kPortSection = "ZENTOR1";
inline constexpr const char* kComKey = "COM";
// 1 while the built-in simulator is the chosen port; "COM" keeps its meaning.
inline constexpr const char* kSimulatorKey = "Simulator";

// A device beyond the ports 1..9 (COM is 0 then), and the identity of the
// chosen adapter, by which it is found again under another name.
inline constexpr const char* kDeviceKey = "Geraet";
inline constexpr const char* kIdentityKey = "Kennung";

// Optional device paths of the ports: key "COMn".
inline constexpr const char* kPortsSection = "Ports";

} // namespace configuration
