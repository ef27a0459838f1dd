// The connection: which device the board is reached through, opening it on
// the link thread, and bringing the board into step.
//
// The main window knows where the board is (the ini's port, its [Ports]
// path, or the built-in simulator) and hands Connection a resolver for it.
// Pages that lose the board (the "Direkt" poll) reconnect through
// Connection, not through the window; the window follows the outcome
// through portConnected to mark its menu.
#pragma once

#include "link.h"

#include <QObject>

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace zentor {

// The device the board is reached through.
struct PortTarget {
    int com = 0;            // the port number 1..9; 0 for the simulator
    bool simulator = false; // the built-in simulated board
    std::string devicePath; // the device to open
};

struct ConnectJob;
// The steps that make a connection on the link thread; true when connected.
using Connector = std::function<bool(const ConnectJob&)>;

// A connection to make on the link thread, with the values it needs.
struct ConnectJob {
    std::optional<PortTarget> target; // nothing configured: nothing to open
    int maxTimeout = 300;             // ms, the read time-out after connecting
    Connector connector;              // empty: connection::connect

    // On the link thread: makes the connection. answered, when given, tells
    // whether the board answered the resync (steps of a test: true).
    bool run(bool* answered = nullptr) const;
};

// The steps on the link thread. Each blocks; run them inside an exchange.
namespace connection {

// Opens the device in the board's line mode (1200,N,8,1). Closes any open
// port first.
bool open(const PortTarget& target);

// After an open: a settling pause, input dropped, a resync, (a settling
// pause,) input dropped, and the read time-out set. True when the board
// answered the resync.
bool bringIntoStep(bool settleAfterResync, int maxTimeout);

// Opening the configured port at start and after the board fell silent:
// open, then bring into step with the pause after the resync. False when
// nothing is configured or the open fails; an open port stays open when
// nothing is configured. answered: the board answered the resync.
bool connect(const ConnectJob& job, bool* answered = nullptr);

// A choice from the port menu: open, bring into step without the pause
// after the resync, presence check. The answer is "Ok" or the presence
// check's failure text; empty when the open failed.
struct ChoiceResult {
    bool opened = false;
    std::string answer;
    std::string failure;    // why the open failed (comphard::LastOpenFailureText)
    bool cancelled = false; // the user gave up the presence check
};
ChoiceResult choose(const PortTarget& target, int maxTimeout);

// The board search: each candidate is opened exclusively, brought into step
// and asked for its presence, nothing else; the first that answers stays
// open. Each device takes at most about a second: a read time-out of its
// own, and an open that hangs is left behind after a second.
struct SearchCandidate {
    int com = 0; // the menu's port number, 0 for a device beyond the table
    std::string path;
};
struct SearchResult {
    std::optional<SearchCandidate> found;
    // Each candidate tried without success, with why ("belegt", ...).
    std::vector<std::pair<SearchCandidate, std::string>> skipped;
    bool cancelled = false;
    int tried = 0;
};
SearchResult search(const std::vector<SearchCandidate>& candidates, int maxTimeout);

// "Platine gefunden an COM 3 (/dev/ttyACM0)", "Keine Platine gefunden: 2
// Anschlüsse geprüft", or the cancel's text.
std::string searchSummary(const SearchResult& result);
// One line per device tried without success: "/dev/ttyUSB0: belegt".
std::string searchDetails(const SearchResult& result);

} // namespace connection

// How a connection from the settings ended.
struct ConnectResult {
    bool connected = false;
    bool answered = false; // the board answered the resync
    // Why the configured device could not be opened; empty when it opened
    // or none is configured.
    std::string failure;
};

class Connection : public QObject {
    Q_OBJECT

public:
    // Finds the configured device on the GUI thread: reads the settings and
    // starts the built-in simulator when it is the port. Nothing when no
    // port is configured or the simulator cannot start.
    using Resolver = std::function<std::optional<PortTarget>()>;

    static Connection& instance();

    void setResolver(Resolver resolver) { m_resolver = std::move(resolver); }
    // Replaces the steps of connectFromIni and of the jobs handed out
    // (tests stand a scripted board there); empty restores the real ones.
    void setConnector(Connector connector) { m_connector = std::move(connector); }
    // The read time-out (ms, "MAXTimeout") given to the link after every
    // connection.
    void setMaxTimeout(int milliseconds) { m_maxTimeout = milliseconds; }
    int maxTimeout() const { return m_maxTimeout; }

    // The configured connection as plain values, for an exchange that
    // reconnects in the middle of its own steps (connection::connect).
    ConnectJob configuredJob() const;
    // Tells the window how a connection made that way ended.
    void reportConnected(const ConnectJob& job, bool connected);

    // Opens the configured port on the link thread and brings the board into
    // step; Escape ends the wait for a silent board. The result arrives after
    // portConnected.
    Pending<ConnectResult> connectFromIni();

    // A choice from the port menu, on the link thread; Escape ends the wait
    // for a silent board.
    Pending<connection::ChoiceResult> choose(const PortTarget& target);

    // The board search on the link thread; Escape ends it. A board found
    // stays connected (portConnected follows with its target); without one
    // no port is open.
    Pending<connection::SearchResult> search(std::vector<connection::SearchCandidate> candidates);

signals:
    // The board is reached through target now, or (nullopt) through no
    // port the window should mark.
    void portConnected(const std::optional<zentor::PortTarget>& target);

private:
    Connection() = default;

    Resolver m_resolver;
    Connector m_connector;
    int m_maxTimeout = 300;
};

} // namespace zentor
