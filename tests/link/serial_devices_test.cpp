// The devices present and what stands behind them, from a device folder and
// a sysfs tree of the test's own.
#include "serial_devices.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;
using zentor::DeviceFolders;
using zentor::SerialDevice;

namespace {

class SerialDevicesTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(root.isValid());
        folders = {root.filePath(QStringLiteral("dev")).toStdString(),
                   root.filePath(QStringLiteral("sys")).toStdString()};
        fs::create_directories(folders.dev);
        fs::create_directories(fs::path(folders.sys) / "class" / "tty");
    }

    static void write(const fs::path& file, const std::string& text) {
        fs::create_directories(file.parent_path());
        std::ofstream(file) << text << "\n";
    }
    std::string dev(const std::string& name) const { return folders.dev + "/" + name; }

    // A USB adapter as the kernel shows it: the tty below the interface,
    // the strings on the USB device two folders up.
    void plugUsb(const std::string& name, const std::string& usbPort, const std::string& product,
                 const std::string& serial, const std::string& vendorId = "0403",
                 const std::string& productId = "6001") {
        const fs::path usb = fs::path(folders.sys) / "devices" / "usb1" / usbPort;
        write(usb / "idVendor", vendorId);
        write(usb / "idProduct", productId);
        write(usb / "manufacturer", "FTDI");
        write(usb / "product", product);
        if (!serial.empty())
            write(usb / "serial", serial);
        const fs::path port = usb / (usbPort + ":1.0") / name;
        fs::create_directories(port);
        const fs::path tty = fs::path(folders.sys) / "class" / "tty" / name;
        fs::create_directories(tty);
        fs::create_symlink(port, tty / "device");
        write(dev(name), "");
    }
    void unplug(const std::string& name) {
        fs::remove_all(fs::path(folders.sys) / "class" / "tty" / name);
        fs::remove(dev(name));
    }

    QTemporaryDir root;
    DeviceFolders folders;
};

TEST_F(SerialDevicesTest, NamesTheAdapterAndKnowsItAgainAfterAReplug) {
    plugUsb("ttyUSB0", "1-1", "FT232R USB UART", "A6008isP");
    plugUsb("ttyUSB1", "1-2", "", "");
    plugUsb("ttyACM1", "1-4", "", "", "ffff", "fffe");                      // ids no database knows
    write(fs::path(folders.sys) / "class" / "tty" / "ttyS0" / "type", "4"); // hardware behind it
    write(fs::path(folders.sys) / "class" / "tty" / "ttyS1" / "type", "0"); // none
    write(dev("ttyS0"), "");
    write(dev("ttyS1"), "");
    // A USB device without a serial number is known by its by-id link.
    fs::create_directories(folders.dev + "/serial/by-id");
    fs::create_symlink(dev("ttyUSB1"), folders.dev + "/serial/by-id/usb-Adapter-if00-port0");
    // A pty linked in under a device's name counts as that device.
    const fs::path pty = fs::path(folders.dev) / "pts-3";
    write(pty, "");
    fs::create_symlink(pty, dev("ttyUSB7"));
    fs::create_symlink(fs::path(folders.dev) / "gone", dev("ttyUSB9")); // dangling

    const struct {
        std::string name;
        std::optional<SerialDevice> expected;
    } cases[] = {
        {"ttyUSB0", SerialDevice{dev("ttyUSB0"), "USB-Seriell (FT232R USB UART)",
                                 "usb:0403:6001:A6008isP", true, false}},
        // Without a product string: the model from udev's hardware database
        // where the program has it, else the maker.
        {"ttyUSB1",
         SerialDevice{dev("ttyUSB1"),
#ifdef ZENTOR_HAVE_LIBUDEV
                      "USB-Seriell (FT232 Serial (UART) IC)",
#else
                      "USB-Seriell (FTDI)",
#endif
                      folders.dev + "/serial/by-id/usb-Adapter-if00-port0", true, false}},
        {"ttyACM1",
         SerialDevice{dev("ttyACM1"), "USB-Seriell (FTDI)", dev("ttyACM1"), true, false}},
        {"ttyS0",
         SerialDevice{dev("ttyS0"), "Eingebaute Schnittstelle", dev("ttyS0"), false, true}},
        {"ttyUSB7", SerialDevice{dev("ttyUSB7"), "", dev("ttyUSB7"), true, false}},
        {"ttyUSB9", std::nullopt},
        {"ttyACM0", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(zentor::describeDevice(dev(c.name), folders), c.expected) << c.name;

    auto paths = [](const std::vector<SerialDevice>& devices) {
        std::vector<std::string> result;
        for (const SerialDevice& d : devices)
            result.push_back(fs::path(d.path).filename().string());
        return result;
    };
    EXPECT_EQ(paths(zentor::presentDevices(false, folders)),
              (std::vector<std::string>{"ttyACM1", "ttyUSB0", "ttyUSB1", "ttyUSB7"}));
    EXPECT_EQ(paths(zentor::presentDevices(true, folders)),
              (std::vector<std::string>{"ttyACM1", "ttyS0", "ttyUSB0", "ttyUSB1", "ttyUSB7"}));

    // Pulled and plugged into another socket: a new name, the same adapter.
    unplug("ttyUSB0");
    EXPECT_FALSE(zentor::findByIdentity("usb:0403:6001:A6008isP", folders));
    plugUsb("ttyUSB10", "1-3", "FT232R USB UART", "A6008isP");
    const auto back = zentor::findByIdentity("usb:0403:6001:A6008isP", folders);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->path, dev("ttyUSB10"));
    // ttyUSB7 before ttyUSB10: by number, not by letters.
    EXPECT_EQ(paths(zentor::presentDevices(false, folders)),
              (std::vector<std::string>{"ttyACM1", "ttyUSB1", "ttyUSB7", "ttyUSB10"}));
}

} // namespace
