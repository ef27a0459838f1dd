#include "port_service.h"

#include "comphard.h"
#include "link.h"
#include "udev_devices.h"

#include <QDir>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QTimer>

#include <filesystem>
#include <utility>

namespace zentor {

namespace {

// Nodes appear in bursts (the tty, its by-id and by-path links); one look
// after the burst is enough and well within the two seconds a user waits.
constexpr int kSettleMs = 50;
constexpr int kRetryMs = 1000;

bool pathPresent(const std::string& path) {
    std::error_code error;
    return !path.empty() && std::filesystem::exists(path, error);
}

} // namespace

PortService::PortService(QObject* parent)
    : QObject(parent), m_watcher(new QFileSystemWatcher(this)),
      m_udev(new udev::DeviceMonitor(this)), m_settle(new QTimer(this)), m_retry(new QTimer(this)) {
    m_settle->setSingleShot(true);
    m_settle->setInterval(kSettleMs);
    connect(m_settle, &QTimer::timeout, this, &PortService::rescan);
    connect(m_watcher, &QFileSystemWatcher::directoryChanged, m_settle,
            qOverload<>(&QTimer::start));
    connect(m_udev, &udev::DeviceMonitor::devicesChanged, m_settle, qOverload<>(&QTimer::start));
    connect(&Connection::instance(), &Connection::portConnected, this,
            &PortService::followConnection);
    // A device can fail without its node going (EIO, ENXIO): the exchange
    // that met it says so, and the device is tried again each second.
    connect(&Link::instance(), &Link::portGone, this, &PortService::markLost);
    m_retry->setInterval(kRetryMs);
    connect(m_retry, &QTimer::timeout, this, &PortService::rescan);
    m_devices = presentDevices();
    watchDeviceFolders();
}

PortService::~PortService() = default;

void PortService::watchDeviceFolders() {
    const DeviceFolders folders = deviceFolders();
    QStringList wanted{QString::fromStdString(folders.dev),
                       QString::fromStdString(folders.dev) + QStringLiteral("/serial/by-id")};
    // A link leads elsewhere (a pty in /dev/pts): its target's folder shows
    // the device going.
    if (m_device) {
        const QString target =
            QFileInfo(QString::fromStdString(m_device->path)).canonicalFilePath();
        if (!target.isEmpty())
            wanted << QFileInfo(target).absolutePath();
    }
    for (const QString& folder : wanted)
        if (!m_watcher->directories().contains(folder) && QDir(folder).exists())
            m_watcher->addPath(folder);
}

void PortService::followConnection(const std::optional<PortTarget>& target) {
    const bool wasLost = m_state == State::Lost || m_state == State::Reconnecting;
    // A page's own attempt to reconnect that failed changes nothing: the
    // device is still away, and it is still looked for.
    if (wasLost && !target)
        return;
    m_retry->stop();
    m_target = target;
    m_device = target ? describeDevice(target->devicePath) : std::nullopt;
    m_state = m_device ? State::Connected : State::None;
    watchDeviceFolders();
    // Back through this service, a page's own reconnect or a choice from
    // the menu.
    if (wasLost && m_state == State::Connected)
        emit connectionRestored(m_lostSince.elapsed(), std::exchange(m_reconnectedHere, false));
}

void PortService::rescan() {
    std::vector<SerialDevice> devices = presentDevices();
    const bool changed = devices != m_devices;
    m_devices = std::move(devices);
    watchDeviceFolders();
    if (m_state == State::Connected && !pathPresent(m_device->path)) {
        markLost();
    } else if (m_state == State::Lost) {
        if (auto back = returnedDevice())
            reconnect(*back);
    }
    if (changed)
        emit devicesChanged();
}

void PortService::markLost() {
    if (m_state != State::Connected)
        return;
    m_state = State::Lost;
    m_lostSince.start();
    m_retry->start();
    emit connectionLost();
}

std::optional<SerialDevice> PortService::returnedDevice() const {
    if (m_device->identity != m_device->path)
        if (auto same = findByIdentity(m_device->identity))
            return same;
    return describeDevice(m_device->path);
}

void PortService::reconnect(const SerialDevice& device) {
    m_state = State::Reconnecting;
    m_retry->stop(); // one attempt at a time
    PortTarget target = *m_target;
    target.devicePath = device.path;
    ConnectJob job = Connection::instance().configuredJob();
    job.target = target;
    // In the background: a page that reconnects by itself (the "Direkt"
    // poll) is not cut short, and when it was first, the port it opened
    // stays as it is.
    Link::instance()
        .run(
            [job] {
                if (comphard::PortIsOpen() && !comphard::PortGone())
                    return true;
                return job.run();
            },
            Link::Kind::Background)
        .then(this, [this, job](bool connected) {
            if (m_state != State::Reconnecting)
                return; // another choice came in between
            if (!connected) {
                // The next change of the folders, or the next second, tries again.
                m_state = State::Lost;
                m_retry->start();
                return;
            }
            // Followed as Connected, and told as the line's return.
            m_reconnectedHere = true;
            Connection::instance().reportConnected(job, true);
        });
}

} // namespace zentor
