// The menu "&Anschluss": the ports of the configuration with the adapter
// behind each, the USB devices beyond them, the built-in simulator and the
// board search. It remembers the choice in zentor.ini and follows the
// devices present through the port service.
#pragma once

#include "connection.h"
#include "port_service.h"

#include <QList>
#include <QObject>

#include <memory>
#include <optional>
#include <string>

class BuiltInSimulator;
class ProfileFile;
class QAction;
class QActionGroup;
class QMenu;
class QMenuBar;
class QWidget;
class Shell;
class SimulatorPanel;

class PortMenu : public QObject {
    Q_OBJECT

public:
    // simulatorForThisRun: --sim, the simulator whatever zentor.ini says.
    PortMenu(QMenuBar* bar, Shell& shell, ProfileFile& ini, QWidget* window,
             bool simulatorForThisRun);
    ~PortMenu() override;

    QMenu* Anschluss1;
    QAction* COM11;
    QAction* COM21;
    QAction* COM31;
    QAction* COM41;
    QAction* COM51;
    QAction* COM61;
    QAction* PlatineSuchen1;     // "Platine s&uchen": USB devices and configured ports
    QAction* PlatineSuchenAlle1; // "... auch eingebaute Anschlüsse": the ttyS ports too
    QAction* Simulator1;         // the built-in simulated board
    QAction* SimulatorPanel1;    // "Simulator-&Tafel ...": the simulated board's panel

    // The six COM entries in menu order; their tags are 1 to 6.
    QList<QAction*> comEntries() const;
    // The entries of USB devices beyond the table, in menu order.
    QList<QAction*> extraEntries() const { return m_extraEntries; }
    // The check-marked entry, or nullptr.
    QAction* checkedPortEntry() const;
    zentor::PortService& service() { return *m_service; }

    // The device of the configured port, or of the simulator when it is
    // chosen (started if need be); nothing when none is configured.
    std::optional<zentor::PortTarget> configuredTarget();
    // Marks no entry (at start, until the board is found).
    void uncheckAll();
    // The entries that change the port wait while an exchange runs.
    void followLink(bool commandRunning);
    // Looks for the board on every USB device and configured port (with
    // withBuiltIn the built-in ports too) and takes the one that answers.
    void searchBoard(bool withBuiltIn);
    // Ends the simulated board (at the end of the program).
    void shutDown();

public slots:
    void COM11Click(); // any COM entry; the sender's tag is the port number
    void SimulatorClick();
    void SimulatorPanelClick();
    void PlatineSuchen1Click();

private:
    // Names what stands behind each entry, greys the missing ones and lists
    // the devices beyond the table.
    void refresh();
    std::string portPath(int n) const;
    bool simulatorChosen() const;
    std::optional<zentor::PortTarget> simulatorTarget();
    void markPort(const std::optional<zentor::PortTarget>& target);
    void simulatorConnected(bool connected);
    // Shows the simulator's panel beside the window; activate: with the
    // keyboard focus.
    void showSimulatorPanel(bool activate);
    // Places the panel beside the window, moving the two side by side
    // where the window's place leaves no room; false when the screen holds
    // no such arrangement and the panel stands where it covers least.
    bool placeSimulatorPanel();
    // Opens the target with the menu choice's steps; the status bar shows
    // the outcome.
    void choose(const std::optional<zentor::PortTarget>& target, bool simulator);
    // Writes the choice to zentor.ini: a port number, a device beyond the
    // table, or the simulator; none when target is empty.
    void remember(const std::optional<zentor::PortTarget>& target);
    void writeSetting(const char* section, const char* key, const QString& value);

    Shell& m_shell;
    ProfileFile& m_ini;
    QWidget* m_window;
    bool m_simulatorForThisRun;
    QActionGroup* m_group;
    QAction* m_extrasSeparator;
    QList<QAction*> m_extraEntries;
    std::unique_ptr<BuiltInSimulator> m_simulator;
    SimulatorPanel* m_simulatorPanel = nullptr; // created when first opened
    bool m_simulatorPanelOffered = false;       // opened by itself once
    bool m_simulatorPanelPlaced = false;        // beside the window, or as the user asked
    zentor::PortService* m_service;
    bool m_commandRunning = false;
    bool m_saveFailureShown = false; // a setting that cannot be stored is told once
};
