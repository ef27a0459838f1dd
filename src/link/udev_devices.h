// What udev knows of the serial devices, where the machine has it: the names
// of its hardware database, and its events when a device comes or goes, sent
// once udev has named the device and given it its rights. Without libudev,
// or without a running udev (a container), the names are empty and no event
// comes: the device folder's watch and sysfs then do the work alone.
#pragma once

#include <QObject>

#include <memory>
#include <string>

namespace zentor::udev {

// The model of a USB device as the hardware database names it
// ("FT232 Serial (UART) IC" for 0403:6001); empty when unknown. The ids
// are hexadecimal, as sysfs writes them.
std::string hardwareModel(const std::string& vendorId, const std::string& productId);

// Tells when udev has handled a tty coming or going.
class DeviceMonitor : public QObject {
    Q_OBJECT

public:
    explicit DeviceMonitor(QObject* parent = nullptr);
    ~DeviceMonitor() override;

    // Whether events can come at all (libudev is there and its monitor opened).
    bool active() const;

signals:
    void devicesChanged();

private:
    struct Monitor;
    std::unique_ptr<Monitor> m_monitor;
};

} // namespace zentor::udev
