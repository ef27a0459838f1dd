// Which device the board is reached through, whether it is present and
// whether it answers: one service below the pages.
//
// It watches the device folder (inotify, with or without udev: the kernel
// makes the nodes, udev only names them) and the folder of the connected
// device, and listens to udev's events where udev runs (they come once a
// device has its rights), so the port menu follows adapters plugged in and
// out within a moment, without a byte on any line. When the connected device vanishes
// it says so at once; when a device with the same identity (USB serial
// number, by-id link, else the same path) comes back it reopens it on the
// link thread, brings the board into step and tells how long the line was
// gone.
#pragma once

#include "connection.h"
#include "serial_devices.h"

#include <QElapsedTimer>
#include <QObject>

#include <optional>
#include <vector>

class QFileSystemWatcher;
class QTimer;

namespace zentor {

namespace udev {
class DeviceMonitor;
}

class PortService : public QObject {
    Q_OBJECT

public:
    enum class State { None, Connected, Lost, Reconnecting };

    explicit PortService(QObject* parent = nullptr);
    ~PortService() override;

    // The USB serial devices present now.
    const std::vector<SerialDevice>& devices() const { return m_devices; }
    State state() const { return m_state; }
    // The device connected (or lost), with its identity.
    const std::optional<SerialDevice>& device() const { return m_device; }
    const std::optional<PortTarget>& target() const { return m_target; }

    // Looks at the folders again now (the watch does it by itself).
    void rescan();

signals:
    // The devices present changed: an adapter came or went.
    void devicesChanged();
    // The connected device is gone.
    void connectionLost();
    // The lost device is back and the board in step; gapMs: how long the
    // line was gone. byService: this service reconnected it (else a page's
    // own reconnect or a choice from the menu did, and says so itself).
    void connectionRestored(qint64 gapMs, bool byService);

private:
    void followConnection(const std::optional<PortTarget>& target);
    void watchDeviceFolders();
    void reconnect(const SerialDevice& device);
    // The connected device is gone: told at once.
    void markLost();
    // The lost device, when one with its identity is present again.
    std::optional<SerialDevice> returnedDevice() const;

    QFileSystemWatcher* m_watcher;
    udev::DeviceMonitor* m_udev;
    QTimer* m_settle; // a plug-in changes several nodes at once
    QTimer* m_retry;  // while lost: looks for the device again
    std::vector<SerialDevice> m_devices;
    std::optional<PortTarget> m_target;
    std::optional<SerialDevice> m_device;
    State m_state = State::None;
    QElapsedTimer m_lostSince;
    bool m_reconnectedHere = false; // the next Connected is this service's reconnect
};

} // namespace zentor
