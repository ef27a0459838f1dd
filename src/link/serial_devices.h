// The serial devices present on this machine and what stands behind them,
// read from the device folder and the kernel's sysfs: no byte moves.
//
// A USB adapter is named by its product as the kernel reports it
// (/sys/class/tty/NAME/device/.. up to the USB device), else by the model
// udev's hardware database has for its ids, else by its maker; it is known again
// after a replug under another name by its identity: vendor, product and
// serial number when it has one, else its /dev/serial/by-id link, else its
// path. A link placed in the device folder under a device's name (a pty
// linked as ttyUSB7) counts as that device.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace zentor {

// Where devices are looked for; tests give folders of their own.
struct DeviceFolders {
    std::string dev = "/dev";
    std::string sys = "/sys";
};
// The folders the program uses; set once, before the device watch starts.
DeviceFolders deviceFolders();
void setDeviceFolders(DeviceFolders folders);

struct SerialDevice {
    std::string path;     // as found: /dev/ttyUSB0
    std::string adapter;  // "USB-Seriell (FT232R USB UART)"; empty when unknown
    std::string identity; // the same adapter has it after a replug
    bool usb = false;     // ttyUSB*, ttyACM*: probed by the board search
    bool builtIn = false; // ttyS*: probed only when the user asks

    bool operator==(const SerialDevice&) const = default;
};

// The device behind path, or nothing when the path names no present device.
std::optional<SerialDevice> describeDevice(const std::string& path,
                                           const DeviceFolders& folders = deviceFolders());

// The USB serial devices present, by name (ttyACM0 before ttyUSB0, ttyUSB2
// before ttyUSB10); with builtIn also the built-in ports that have hardware
// behind them.
std::vector<SerialDevice> presentDevices(bool withBuiltIn = false,
                                         const DeviceFolders& folders = deviceFolders());

// The present device with that identity, or nothing.
std::optional<SerialDevice> findByIdentity(const std::string& identity,
                                           const DeviceFolders& folders = deviceFolders());

} // namespace zentor
