// Why a serial device could not be opened, in words for the user.
#pragma once

#include <string>

namespace comphard {

enum class OpenFailure {
    None,         // opened, or nothing was tried
    Missing,      // no such device (not plugged in, wrong name)
    NotSerial,    // a folder, a plain file, /dev/null: anything but a terminal
    NoPermission, // the user may not open it
    Busy,         // another program holds it
    Unusable,     // it refused the line mode or failed otherwise
};

// The kind of failure an error number of open(2) stands for.
OpenFailure openFailureOf(int errorNumber);

// A German sentence (UTF-8) naming the device `path`; empty for None.
std::string openFailureText(OpenFailure failure, const std::string& path);

} // namespace comphard
