#include "udev_devices.h"

#include <QSocketNotifier>

#include <cstdio>
#include <mutex>

#ifdef ZENTOR_HAVE_LIBUDEV
#include <libudev.h>
#endif

namespace zentor::udev {

#ifdef ZENTOR_HAVE_LIBUDEV

namespace {

// One context and one hardware database for the program, opened on first
// use; the database is a mapped file, read from any thread under the lock.
struct Database {
    std::mutex mutex;
    ::udev* context = nullptr;
    udev_hwdb* hwdb = nullptr;

    Database() : context(udev_new()), hwdb(context ? udev_hwdb_new(context) : nullptr) {}
    ~Database() {
        udev_hwdb_unref(hwdb);
        udev_unref(context);
    }
};

Database& database() {
    static Database db;
    return db;
}

} // namespace

std::string hardwareModel(const std::string& vendorId, const std::string& productId) {
    unsigned vendor = 0;
    unsigned product = 0;
    if (std::sscanf(vendorId.c_str(), "%4x", &vendor) != 1 ||
        std::sscanf(productId.c_str(), "%4x", &product) != 1)
        return {};
    char modalias[32];
    std::snprintf(modalias, sizeof modalias, "usb:v%04Xp%04X", vendor, product);
    Database& db = database();
    const std::lock_guard lock(db.mutex);
    if (db.hwdb == nullptr)
        return {};
    udev_list_entry* entry = nullptr;
    udev_list_entry_foreach(entry, udev_hwdb_get_properties_list_entry(db.hwdb, modalias, 0)) {
        if (std::string(udev_list_entry_get_name(entry)) == "ID_MODEL_FROM_DATABASE")
            return udev_list_entry_get_value(entry);
    }
    return {};
}

struct DeviceMonitor::Monitor {
    ::udev* context = nullptr;
    udev_monitor* monitor = nullptr;
    QSocketNotifier* notifier = nullptr;

    ~Monitor() {
        delete notifier;
        udev_monitor_unref(monitor);
        udev_unref(context);
    }
};

DeviceMonitor::DeviceMonitor(QObject* parent) : QObject(parent), m_monitor(new Monitor) {
    Monitor& m = *m_monitor;
    m.context = udev_new();
    m.monitor = m.context ? udev_monitor_new_from_netlink(m.context, "udev") : nullptr;
    if (m.monitor == nullptr ||
        udev_monitor_filter_add_match_subsystem_devtype(m.monitor, "tty", nullptr) < 0 ||
        udev_monitor_enable_receiving(m.monitor) < 0) {
        udev_monitor_unref(m.monitor);
        m.monitor = nullptr;
        return;
    }
    m.notifier = new QSocketNotifier(udev_monitor_get_fd(m.monitor), QSocketNotifier::Read);
    connect(m.notifier, &QSocketNotifier::activated, this, [this] {
        // Every waiting event is taken; one signal says that something changed.
        bool any = false;
        while (udev_device* device = udev_monitor_receive_device(m_monitor->monitor)) {
            udev_device_unref(device);
            any = true;
        }
        if (any)
            emit devicesChanged();
    });
}

bool DeviceMonitor::active() const {
    return m_monitor->monitor != nullptr;
}

#else

std::string hardwareModel(const std::string&, const std::string&) {
    return {};
}

struct DeviceMonitor::Monitor {};

DeviceMonitor::DeviceMonitor(QObject* parent) : QObject(parent), m_monitor(new Monitor) {}

bool DeviceMonitor::active() const {
    return false;
}

#endif

DeviceMonitor::~DeviceMonitor() = default;

} // namespace zentor::udev
