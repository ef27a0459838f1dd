#include "port_menu.h"

#include "builtin_simulator.h"
#include "configuration.h"
#include "dialogs.h"
#include "link.h"
#include "port_paths.h"
#include "profile.h"
#include "shell.h"
#include "simulator_panel.h"
#include "window_fit.h"

#include <QAction>
#include <QActionGroup>
#include <QDir>
#include <QMenu>
#include <QMenuBar>

namespace {

constexpr int kPortEntries = 6;

const QString kSearching = QStringLiteral("Controler wird gesucht...");
const QString kPortNotOpened = QStringLiteral("COM nicht geöffnet!");
const QString kSearchingBoard = QStringLiteral("Platine wird gesucht...");

// `text`, followed by why the port could not be opened, if it was tried.
QString withOpenFailure(const QString& text, const std::string& failure) {
    const QString why = QString::fromStdString(failure);
    return why.isEmpty() ? text : text + u' ' + why;
}

// "USB-Seriell (FT232R) – /dev/ttyUSB0", or the path alone when nothing
// names the device.
QString deviceCaption(const std::optional<zentor::SerialDevice>& device, const std::string& path) {
    const QString shownPath = QString::fromStdString(path);
    if (!device || device->adapter.empty())
        return shownPath;
    return QString::fromStdString(device->adapter) + QStringLiteral(" – ") + shownPath;
}

QString section() {
    return QString::fromLatin1(configuration::kPortSection);
}

} // namespace

PortMenu::PortMenu(QMenuBar* bar, Shell& shell, ProfileFile& ini, QWidget* window,
                   bool simulatorForThisRun)
    : QObject(window), m_shell(shell), m_ini(ini), m_window(window),
      m_simulatorForThisRun(simulatorForThisRun), m_simulator(std::make_unique<BuiltInSimulator>()),
      m_service(new zentor::PortService(this)) {
    setObjectName(QStringLiteral("PortMenu"));
    auto addEntry = [](QMenu* menu, const QString& caption, const char* name) {
        QAction* action = menu->addAction(caption);
        action->setObjectName(QString::fromLatin1(name));
        return action;
    };
    Anschluss1 = bar->addMenu(QStringLiteral("&Anschluss"));
    Anschluss1->setObjectName(QStringLiteral("Anschluss1"));
    Anschluss1->setToolTipsVisible(true);
    // One radio mark at the port in use; none after a failed choice.
    m_group = new QActionGroup(Anschluss1);
    m_group->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    const char* names[kPortEntries] = {"COM11", "COM21", "COM31", "COM41", "COM51", "COM61"};
    QAction** entries[kPortEntries] = {&COM11, &COM21, &COM31, &COM41, &COM51, &COM61};
    for (int i = 0; i < kPortEntries; ++i) {
        QAction* entry = addEntry(Anschluss1, QStringLiteral("COM &%1").arg(i + 1), names[i]);
        entry->setCheckable(true);
        entry->setActionGroup(m_group);
        entry->setData(i + 1); // the tag: the port number
        connect(entry, &QAction::triggered, this, &PortMenu::COM11Click);
        *entries[i] = entry;
    }
    // The USB devices beyond the table follow here.
    m_extrasSeparator = Anschluss1->addSeparator();
    m_extrasSeparator->setObjectName(QStringLiteral("N7"));
    PlatineSuchen1 = addEntry(Anschluss1, QStringLiteral("Platine s&uchen"), "PlatineSuchen1");
    PlatineSuchen1->setToolTip(QStringLiteral(
        "Fragt jeden USB-Anschluss und jeden eingestellten Anschluss nach der Platine"));
    connect(PlatineSuchen1, &QAction::triggered, this, &PortMenu::PlatineSuchen1Click);
    PlatineSuchenAlle1 =
        addEntry(Anschluss1, QStringLiteral("Platine suchen, auch an &eingebauten Anschlüssen"),
                 "PlatineSuchenAlle1");
    PlatineSuchenAlle1->setToolTip(
        QStringLiteral("Fragt auch /dev/ttyS*; andere Geräte dort können dabei hängen"));
    connect(PlatineSuchenAlle1, &QAction::triggered, this, [this] { searchBoard(true); });
    Anschluss1->addSeparator()->setObjectName(QStringLiteral("N4"));
    Simulator1 = addEntry(Anschluss1, QStringLiteral("&Simulator"), "Simulator1");
    Simulator1->setCheckable(true);
    Simulator1->setActionGroup(m_group);
    Simulator1->setToolTip(QStringLiteral("Eine simulierte Platine, ohne Hardware"));
    connect(Simulator1, &QAction::triggered, this, &PortMenu::SimulatorClick);
    SimulatorPanel1 =
        addEntry(Anschluss1, QStringLiteral("Simulator-&Tafel ..."), "SimulatorPanel1");
    SimulatorPanel1->setEnabled(false);
    connect(SimulatorPanel1, &QAction::triggered, this, &PortMenu::SimulatorPanelClick);

    // The device paths may change in zentor.ini while the program runs, and
    // the devices come and go.
    connect(Anschluss1, &QMenu::aboutToShow, this, &PortMenu::refresh);
    connect(m_service, &zentor::PortService::devicesChanged, this, &PortMenu::refresh);
    connect(&zentor::Connection::instance(), &zentor::Connection::portConnected, this,
            &PortMenu::markPort);
    refresh();
}

PortMenu::~PortMenu() = default;

void PortMenu::shutDown() {
    m_simulator.reset();
}

QList<QAction*> PortMenu::comEntries() const {
    return {COM11, COM21, COM31, COM41, COM51, COM61};
}

QAction* PortMenu::checkedPortEntry() const {
    return m_group->checkedAction();
}

void PortMenu::uncheckAll() {
    if (QAction* checked = m_group->checkedAction())
        checked->setChecked(false);
}

std::string PortMenu::portPath(int n) const {
    // The [Ports] section may give a port another device; without it the
    // default map holds.
    const QString key = QStringLiteral("COM%1").arg(n);
    return zentor::portDevicePath(
        n, m_ini.readString(QString::fromLatin1(configuration::kPortsSection), key).toStdString());
}

void PortMenu::refresh() {
    QStringList tablePaths;
    for (QAction* entry : comEntries()) {
        const int n = entry->data().toInt();
        const std::string path = portPath(n);
        tablePaths << QDir::cleanPath(QString::fromStdString(path));
        const auto device = zentor::describeDevice(path);
        // "COM &1: USB-Seriell (FT232R) – /dev/ttyUSB0", "COM &2 – /dev/ttyUSB1".
        const bool named = device && !device->adapter.empty();
        entry->setText(QStringLiteral("COM &%1").arg(n) +
                       (named ? QStringLiteral(": ") : QStringLiteral(" – ")) +
                       deviceCaption(device, path));
        entry->setToolTip(QString::fromStdString(path));
        // A missing device is greyed; the entry of the port in use stays.
        entry->setProperty("present", device.has_value() || entry->isChecked());
    }
    // The USB devices beyond the table, in place of the last list.
    const QString checkedExtra =
        m_group->checkedAction() && m_extraEntries.contains(m_group->checkedAction())
            ? m_group->checkedAction()->data().toString()
            : QString();
    qDeleteAll(m_extraEntries);
    m_extraEntries.clear();
    for (const zentor::SerialDevice& device : m_service->devices()) {
        const QString path = QString::fromStdString(device.path);
        if (tablePaths.contains(QDir::cleanPath(path)))
            continue;
        auto* entry = new QAction(deviceCaption(device, device.path), Anschluss1);
        entry->setObjectName(QStringLiteral("Geraet") + QString::number(m_extraEntries.size() + 1));
        entry->setCheckable(true);
        entry->setActionGroup(m_group);
        entry->setData(path);
        entry->setToolTip(path);
        entry->setChecked(path == checkedExtra);
        entry->setProperty("present", true);
        connect(entry, &QAction::triggered, this, [this, path] {
            m_simulatorForThisRun = false;
            choose(zentor::PortTarget{0, false, path.toStdString()}, false);
        });
        Anschluss1->insertAction(m_extrasSeparator, entry);
        m_extraEntries << entry;
    }
    followLink(m_commandRunning);
}

void PortMenu::followLink(bool commandRunning) {
    // A port choice in the middle of an exchange would pull the port from
    // under it.
    m_commandRunning = commandRunning;
    for (QAction* entry : Anschluss1->actions()) {
        if (entry == SimulatorPanel1 || entry->isSeparator())
            continue;
        const QVariant present = entry->property("present");
        entry->setEnabled(!commandRunning && (!present.isValid() || present.toBool()));
    }
}

// ---- The configured device -----------------------------------------------------

bool PortMenu::simulatorChosen() const {
    return m_simulatorForThisRun ||
           m_ini.readInt(section(), QString::fromLatin1(configuration::kSimulatorKey), 0) == 1;
}

std::optional<zentor::PortTarget> PortMenu::simulatorTarget() {
    if (!m_simulator->ensureRunning())
        return std::nullopt;
    return zentor::PortTarget{0, true, m_simulator->devicePath()};
}

std::optional<zentor::PortTarget> PortMenu::configuredTarget() {
    if (simulatorChosen())
        return simulatorTarget();
    const int n = m_ini.readInt(section(), QString::fromLatin1(configuration::kComKey), 0);
    std::optional<zentor::PortTarget> target;
    if (n >= 1 && n <= zentor::kConfiguredPortCount) {
        target = zentor::PortTarget{n, false, portPath(n)};
    } else {
        const QString device =
            m_ini.readString(section(), QString::fromLatin1(configuration::kDeviceKey));
        if (n != 0 || device.isEmpty())
            return std::nullopt;
        target = zentor::PortTarget{0, false, device.toStdString()};
    }
    // An adapter plugged in again may have come back under another name.
    const QString identity =
        m_ini.readString(section(), QString::fromLatin1(configuration::kIdentityKey));
    if (!identity.isEmpty() && !zentor::describeDevice(target->devicePath))
        if (const auto moved = zentor::findByIdentity(identity.toStdString()))
            target->devicePath = moved->path;
    return target;
}

void PortMenu::markPort(const std::optional<zentor::PortTarget>& target) {
    uncheckAll();
    simulatorConnected(target && target->simulator);
    if (!target)
        return;
    if (target->simulator) {
        Simulator1->setChecked(true);
    } else if (target->com >= 1 && target->com <= kPortEntries) {
        comEntries()[target->com - 1]->setChecked(true);
    } else if (target->com == 0) {
        for (QAction* entry : m_extraEntries)
            if (entry->data().toString() == QString::fromStdString(target->devicePath))
                entry->setChecked(true);
    }
}

// ---- Choices ---------------------------------------------------------------------

void PortMenu::COM11Click() {
    auto* entry = qobject_cast<QAction*>(sender());
    if (!entry)
        return;
    const int n = entry->data().toInt();
    // A choice from the menu overrides the --sim of the command line.
    m_simulatorForThisRun = false;
    choose(zentor::PortTarget{n, false, portPath(n)}, false);
}

void PortMenu::SimulatorClick() {
    m_simulatorForThisRun = false;
    choose(simulatorTarget(), true);
}

void PortMenu::choose(const std::optional<zentor::PortTarget>& target, bool simulator) {
    m_shell.setStatusText(kSearching);
    uncheckAll();
    auto refuse = [this, simulator](const std::string& failure) {
        // Neither the port nor the simulator stays chosen: the next start
        // asks again instead of silently taking the other one.
        simulatorConnected(false);
        writeSetting(configuration::kPortSection, configuration::kComKey, QStringLiteral("0"));
        if (simulator ||
            m_ini.readInt(section(), QString::fromLatin1(configuration::kSimulatorKey), 0) != 0)
            writeSetting(configuration::kPortSection, configuration::kSimulatorKey,
                         QStringLiteral("0"));
        m_shell.setStatusText(withOpenFailure(kPortNotOpened, failure));
    };
    if (!target) {
        refuse({});
        return;
    }
    zentor::Connection::instance().choose(*target).then(
        this, [this, target, refuse](const zentor::connection::ChoiceResult& result) {
            if (!result.opened) {
                refuse(result.failure);
                return;
            }
            markPort(target);
            remember(target);
            // A choice whose presence check was given up stays made: the
            // port is open.
            m_shell.setStatusText(result.cancelled ? QString::fromLatin1(zentor::kCancelledText)
                                                   : QString::fromStdString(result.answer));
        });
}

void PortMenu::remember(const std::optional<zentor::PortTarget>& target) {
    const char* s = configuration::kPortSection;
    if (target && target->simulator) {
        writeSetting(s, configuration::kSimulatorKey, QStringLiteral("1"));
        return;
    }
    writeSetting(s, configuration::kComKey, QString::number(target ? target->com : 0));
    auto rewrite = [this, s](const char* key, const QString& value) {
        // Only keys that are there or have a value are written.
        if (m_ini.readString(section(), QString::fromLatin1(key)) != value)
            writeSetting(s, key, value);
    };
    const auto device = target ? zentor::describeDevice(target->devicePath) : std::nullopt;
    rewrite(configuration::kDeviceKey,
            target && target->com == 0 ? QString::fromStdString(target->devicePath) : QString());
    rewrite(configuration::kIdentityKey, device && device->identity != device->path
                                             ? QString::fromStdString(device->identity)
                                             : QString());
    // Only write the simulator key when there is one to turn off.
    if (m_ini.readInt(section(), QString::fromLatin1(configuration::kSimulatorKey), 0) != 0)
        writeSetting(s, configuration::kSimulatorKey, QStringLiteral("0"));
}

void PortMenu::writeSetting(const char* sectionName, const char* key, const QString& value) {
    const zentor::SaveResult saved =
        m_ini.writeString(QString::fromLatin1(sectionName), QString::fromLatin1(key), value);
    if (saved) {
        m_saveFailureShown = false;
        return;
    }
    // Told once; after a success a new failure is told again.
    if (m_saveFailureShown)
        return;
    m_saveFailureShown = true;
    dialogs::error(m_window, saved.explained(QStringLiteral("Die Wahl des Anschlusses kann nicht "
                                                            "gespeichert werden: \"%1\"")
                                                 .arg(QDir::toNativeSeparators(m_ini.path()))));
}

// ---- The board search ------------------------------------------------------------

void PortMenu::PlatineSuchen1Click() {
    searchBoard(false);
}

void PortMenu::searchBoard(bool withBuiltIn) {
    m_simulatorForThisRun = false;
    std::vector<zentor::connection::SearchCandidate> candidates;
    auto add = [&candidates](int com, const std::string& path) {
        const QString clean = QDir(QString::fromStdString(path)).canonicalPath();
        for (const auto& known : candidates)
            if (QDir(QString::fromStdString(known.path)).canonicalPath() == clean)
                return;
        candidates.push_back({com, path});
    };
    // The ports of the table, where a device stands behind them: the USB
    // ones always, the others when they were set by hand or are asked for.
    const QString portsSection = QString::fromLatin1(configuration::kPortsSection);
    for (int n = 1; n <= zentor::kConfiguredPortCount; ++n) {
        const std::string path = portPath(n);
        const auto device = zentor::describeDevice(path);
        const bool setByHand =
            !m_ini.readString(portsSection, QStringLiteral("COM%1").arg(n)).isEmpty();
        if (device && (device->usb || setByHand || (withBuiltIn && device->builtIn)))
            add(n, path);
    }
    for (const zentor::SerialDevice& device : zentor::presentDevices(withBuiltIn))
        add(0, device.path);

    m_shell.setStatusText(kSearchingBoard);
    uncheckAll();
    simulatorConnected(false);
    zentor::Connection::instance()
        .search(std::move(candidates))
        .then(this, [this](const zentor::connection::SearchResult& result) {
            m_shell.setStatusText(
                QString::fromStdString(zentor::connection::searchSummary(result)));
            if (result.found) {
                remember(zentor::PortTarget{result.found->com, false, result.found->path});
                return;
            }
            if (!result.cancelled && !result.skipped.empty())
                dialogs::information(
                    m_window,
                    QString::fromStdString(zentor::connection::searchSummary(result) + "\n\n" +
                                           zentor::connection::searchDetails(result)));
        });
}

// ---- The simulator ---------------------------------------------------------------

void PortMenu::simulatorConnected(bool connected) {
    SimulatorPanel1->setEnabled(connected);
    if (!connected) {
        if (m_simulatorPanel)
            m_simulatorPanel->hide();
        return;
    }
    if (!m_simulatorPanelOffered) {
        m_simulatorPanelOffered = true;
        // Opened by itself: the keyboard stays where the user is.
        showSimulatorPanel(false);
    }
}

void PortMenu::SimulatorPanelClick() {
    showSimulatorPanel(true);
}

void PortMenu::showSimulatorPanel(bool activate) {
    if (m_simulatorPanel == nullptr)
        m_simulatorPanel = new SimulatorPanel([this] { return m_simulator->board(); }, m_window);
    m_simulatorPanel->setAttribute(Qt::WA_ShowWithoutActivating, !activate);
    if (!m_simulatorPanelPlaced) {
        // On a screen with no room for both (a small one, or a large
        // scale) the panel opened by itself would cover the window's
        // controls: it waits for its menu entry instead.
        if (!placeSimulatorPanel() && !activate)
            return;
        m_simulatorPanelPlaced = true;
    }
    m_simulatorPanel->show();
    m_simulatorPanel->raise();
    if (activate)
        m_simulatorPanel->activateWindow();
}

bool PortMenu::placeSimulatorPanel() {
    m_simulatorPanel->adjustSize();
    const QRect window = m_window->frameGeometry();
    const QRect available = zentor::availableRoom(*m_window);
    const QSize size = zentor::frameSize(*m_simulatorPanel);
    const QPoint place = zentor::placeBeside(window, size, available);
    if (!QRect(place, size).intersects(window)) {
        m_simulatorPanel->move(place);
        return true;
    }
    // No room beside the window where it stands (the desktop centres it):
    // the two stand side by side, or one above the other.
    if (const auto pair = zentor::placePair(window.size(), size, available)) {
        m_window->move(pair->first);
        m_simulatorPanel->move(pair->second);
        return true;
    }
    m_simulatorPanel->move(place);
    return false;
}
