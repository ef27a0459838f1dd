#include "serial_devices.h"

#include "udev_devices.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <mutex>

namespace fs = std::filesystem;

namespace zentor {

namespace {

std::mutex& foldersMutex() {
    static std::mutex mutex;
    return mutex;
}

DeviceFolders& currentFolders() {
    static DeviceFolders folders;
    return folders;
}

// The first line of a sysfs attribute, without its line end; empty when
// the file is missing.
std::string attribute(const fs::path& file) {
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    while (!line.empty() && std::isspace(static_cast<unsigned char>(line.back())))
        line.pop_back();
    return line;
}

bool startsWith(const std::string& text, const std::string& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

bool isUsbName(const std::string& name) {
    return startsWith(name, "ttyUSB") || startsWith(name, "ttyACM");
}

bool isBuiltInName(const std::string& name) {
    return startsWith(name, "ttyS");
}

// ttyUSB2 before ttyUSB10: the letters, then the number.
bool byName(const SerialDevice& a, const SerialDevice& b) {
    auto split = [](const std::string& path) {
        const std::string name = fs::path(path).filename().string();
        std::size_t digits = name.size();
        while (digits > 0 && std::isdigit(static_cast<unsigned char>(name[digits - 1])))
            --digits;
        const std::string number = name.substr(digits);
        return std::pair{name.substr(0, digits), number.empty() ? -1L : std::stol(number)};
    };
    return split(a.path) < split(b.path);
}

// The sysfs folder of the USB device that holds the tty: the first folder
// above the tty's device that names a product or a maker.
std::optional<fs::path> usbDeviceFolder(const std::string& name, const DeviceFolders& folders) {
    std::error_code error;
    fs::path folder =
        fs::canonical(fs::path(folders.sys) / "class" / "tty" / name / "device", error);
    if (error)
        return std::nullopt;
    for (int up = 0; up < 4 && !folder.empty() && folder != folder.root_path(); ++up) {
        if (fs::exists(folder / "idVendor", error))
            return folder;
        folder = folder.parent_path();
    }
    return std::nullopt;
}

// A built-in port has hardware behind it when the kernel gave it a type.
bool builtInPresent(const std::string& name, const DeviceFolders& folders) {
    const std::string type = attribute(fs::path(folders.sys) / "class" / "tty" / name / "type");
    return !type.empty() && type != "0";
}

// The /dev/serial/by-id link that leads to the device, if udev made one.
std::string byIdLink(const fs::path& device, const DeviceFolders& folders) {
    std::error_code error;
    const fs::path target = fs::canonical(device, error);
    if (error)
        return {};
    for (const auto& entry :
         fs::directory_iterator(fs::path(folders.dev) / "serial" / "by-id", error)) {
        std::error_code ignored;
        if (fs::canonical(entry.path(), ignored) == target)
            return entry.path().string();
    }
    return {};
}

} // namespace

DeviceFolders deviceFolders() {
    std::lock_guard lock(foldersMutex());
    return currentFolders();
}

void setDeviceFolders(DeviceFolders folders) {
    std::lock_guard lock(foldersMutex());
    currentFolders() = std::move(folders);
}

std::optional<SerialDevice> describeDevice(const std::string& path, const DeviceFolders& folders) {
    std::error_code error;
    if (path.empty() || !fs::exists(path, error))
        return std::nullopt; // a dangling link is no device either
    SerialDevice device;
    device.path = path;
    device.identity = path;
    const fs::path given(path);
    const std::string name = given.filename().string();
    device.usb = isUsbName(name);
    device.builtIn = isBuiltInName(name);
    // A link under a device's name stands for the device it leads to.
    const std::string kernelName = fs::canonical(given, error).filename().string();
    for (const std::string& candidate : {kernelName, name}) {
        const auto usb = usbDeviceFolder(candidate, folders);
        if (!usb)
            continue;
        const std::string vendorId = attribute(*usb / "idVendor");
        const std::string productId = attribute(*usb / "idProduct");
        const std::string serial = attribute(*usb / "serial");
        // The product string the adapter reports, else the name the
        // hardware database has for its ids, else its maker.
        std::string label = attribute(*usb / "product");
        if (label.empty())
            label = udev::hardwareModel(vendorId, productId);
        if (label.empty())
            label = attribute(*usb / "manufacturer");
        device.adapter = label.empty() ? "USB-Seriell" : "USB-Seriell (" + label + ")";
        if (!serial.empty())
            device.identity = "usb:" + vendorId + ":" + productId + ":" + serial;
        break;
    }
    if (device.identity == path) {
        if (const std::string link = byIdLink(given, folders); !link.empty())
            device.identity = link;
    }
    if (device.adapter.empty() && device.builtIn)
        device.adapter = "Eingebaute Schnittstelle";
    return device;
}

std::vector<SerialDevice> presentDevices(bool withBuiltIn, const DeviceFolders& folders) {
    std::vector<SerialDevice> devices;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folders.dev, error)) {
        const std::string name = entry.path().filename().string();
        const bool usb = isUsbName(name);
        if (!usb && !(withBuiltIn && isBuiltInName(name)))
            continue;
        if (!usb && !builtInPresent(name, folders))
            continue;
        if (auto device = describeDevice(entry.path().string(), folders))
            devices.push_back(std::move(*device));
    }
    std::sort(devices.begin(), devices.end(), byName);
    return devices;
}

std::optional<SerialDevice> findByIdentity(const std::string& identity,
                                           const DeviceFolders& folders) {
    for (SerialDevice& device : presentDevices(false, folders))
        if (device.identity == identity)
            return std::move(device);
    return std::nullopt;
}

} // namespace zentor
