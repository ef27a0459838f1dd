// The link thread: the one thread that talks to the board.
//
// comphard's port and every exchange with the board live on one QThread of
// their own for the life of the process, one exchange at a time, in the
// order they were given. A page hands an exchange plain values (a code list,
// bits, a time base, the time-out) in a callable, and continues on the GUI
// thread with its result:
//
//     Link::instance()
//         .run([bits] { return sendBits(bits); })
//         .then(this, [this](bool ok) { showOutcome(ok); });
//
// The GUI thread never waits for a byte. The callable runs on the link
// thread and must not touch widgets; what it reports on the way (a status
// text, a progress position) it hands to Link::report, and the page that
// started it receives that through Pending::reports. Nothing on the link
// thread holds a pointer to a page: results and reports go to the Link on
// the GUI thread, which passes them on only to pages that still exist.
//
// Each exchange carries its own cancel. Escape and "Abbrechen"
// (Link::cancel) end the cancellable commands that run or wait, and nothing
// else. A cancel never cuts a frame in
// two (comphard::WholeFrame), and when it gave up an exchange halfway
// through, the next exchange first drains what the board still sends,
// resynchronises and confirms command mode with the presence check.
//
// The link is busy from run() until the result has reached the GUI thread.
// A command makes the controls that start exchanges go grey (they follow
// commandsRunningChanged); a poll (a page timer's cycle) does not, and a
// timer whose previous exchange still runs skips its tick.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <type_traits>
#include <unordered_map>
#include <utility>
#include <vector>

class QThread;

namespace zentor {

// The status text after the user gave up an exchange (Escape, "Abbrechen").
inline constexpr char kCancelledText[] = "Abgebrochen.";

// What a running exchange tells the page that started it. Each field is
// optional: a null text, a negative position or maximum say "unchanged".
struct ExchangeReport {
    QString statusText; // for the status bar
    int position = -1;  // progress, 0..maximum
    int maximum = -1;   // the progress's maximum
    QString errorText;  // an error box
    bool beep = false;  // the system's beep (a refused action)
};

template <typename Result> class Pending;

class Link : public QObject {
    Q_OBJECT

public:
    enum class Kind {
        Command,     // started by the user: the controls go grey while it runs
        Cancellable, // a long command; Escape or "Abbrechen" ends it
        Poll,        // a timer's cycle: the controls stay as they are
        Background,  // a long cycle of a timer (a reconnect): the controls
                     // stay as they are, and any command started after it,
                     // or cancelBackground(), ends it
    };

    // The one link of the process, created (and its thread started) on first
    // use from the GUI thread; the thread ends when the application does.
    static Link& instance();
    ~Link() override;

    // Queues the exchange; it runs on the link thread after every exchange
    // queued before it. Its result arrives on the GUI thread after busy() has
    // been updated, through the Pending's continuations.
    template <typename Exchange>
    Pending<std::invoke_result_t<Exchange&>> run(Exchange exchange, Kind kind = Kind::Command);

    // True from run() until the result is back on the GUI thread, for any
    // kind of exchange.
    bool busy() const { return !m_outstanding.empty(); }
    // True while a command (of either kind) waits or runs.
    bool commandRunning() const;
    // True while a cancellable command waits or runs.
    bool cancellableRunning() const;

    // Ends every cancellable command that runs or waits at its next byte
    // (after the frame on the line): waits and reads return at once and it
    // takes its failure path. Polls and short commands go on.
    void cancel();
    // Ends the background cycles that run or wait (a page change, a new
    // choice of port).
    void cancelBackground();

    // On the link thread, inside an exchange: whether it was cancelled.
    static bool cancelRequested();
    // On the link thread, inside an exchange: passes the report on to the
    // page that started the exchange (and the progress of a cancellable
    // command to progressChanged).
    static void report(const ExchangeReport& report);

    // Ends the running exchange at its next byte, lets the exchanges queued
    // so far run out (each ends at its first byte), then closes the port on
    // the link thread and hands their results over. Blocks the calling (GUI)
    // thread for that: at most one read slice per exchange, a few
    // milliseconds, whatever the time-out. Exchanges queued later run
    // normally.
    void closePort();

    // Runs a callable on the link thread and waits for it; for set-up that
    // must happen where the port lives (tests attach a port this way).
    void runAndWait(const std::function<void()>& function);

signals:
    // The link went busy (true) or idle (false).
    void busyChanged(bool busy);
    // The first command was queued (true) or the last one ended (false).
    void commandsRunningChanged(bool running);
    // A cancellable command began (true) or ended (false).
    void cancellableChanged(bool running);
    // The progress of the running cancellable command.
    void progressChanged(int position, int maximum);
    // An exchange found the port's device gone; told once until a port
    // works again.
    void portGone();

private:
    template <typename Result> friend class Pending;

    // What the GUI thread keeps of an exchange until its result is in.
    struct Outstanding {
        Kind kind;
        std::shared_ptr<std::atomic<bool>> cancel;
        int progressMaximum = 0; // the last maximum reported
        // Continuations and report handlers, each with the object it
        // belongs to; called only while that object exists.
        std::vector<std::pair<QPointer<QObject>, std::function<void(const void*)>>> results;
        std::vector<std::pair<QPointer<QObject>, std::function<void(const ExchangeReport&)>>>
            reports;
    };

    Link();
    void stopThread();

    static bool isCommand(Kind kind);
    bool anyOutstanding(bool (*matches)(Kind)) const;
    // Makes the change to m_outstanding and tells who follows the link
    // what it changed.
    template <typename Change> void changeOutstanding(Change change);
    // GUI thread: registers the exchange and returns its number.
    std::uint64_t begin(Kind kind, std::shared_ptr<std::atomic<bool>> cancel);
    // GUI thread: the result of exchange `id` is in.
    void finish(std::uint64_t id, const void* result);
    void deliverReport(std::uint64_t id, const ExchangeReport& report);
    Outstanding* outstanding(std::uint64_t id);
    // Queues a job to the link thread.
    void post(std::function<void()> job);
    // Queues a job to the GUI thread.
    void deliver(std::function<void()> job);
    // Link thread: runs one exchange with its cancel, and the recovery owed
    // by a cancelled one before it.
    void execute(std::uint64_t id, const std::atomic<bool>* cancel,
                 const std::function<void()>& exchange);
    void recoverIfOwed();

    QThread* m_thread = nullptr;
    QObject* m_worker = nullptr; // lives on the link thread
    std::uint64_t m_nextId = 1;
    std::unordered_map<std::uint64_t, Outstanding> m_outstanding; // GUI thread
    // Set while closePort() lets the queued exchanges run out.
    std::atomic<bool> m_closing{false};
    bool m_recoveryOwed = false; // link thread only
    bool m_goneTold = false;     // link thread only: portGone was sent for this port
};

// The exchange as the GUI thread holds it after Link::run: attach what
// follows its result and its reports. Every call on the GUI
// thread. A continuation runs only while its context object exists; one
// whose context went before the result came is dropped, never called.
template <typename Result> class Pending {
public:
    // Calls f(result) (f() for an exchange without result) on the GUI thread
    // when the result is in. Continuations run in the order attached.
    template <typename F> Pending& then(QObject* context, F f);

    // Calls f(report) on the GUI thread for each report of the exchange.
    template <typename F> Pending& reports(QObject* context, F f);

private:
    friend class Link;
    Pending(Link& link, std::uint64_t id) : m_link(&link), m_id(id) {}

    Link* m_link;
    std::uint64_t m_id;
};

template <typename Result>
template <typename F>
Pending<Result>& Pending<Result>::then(QObject* context, F f) {
    if (Link::Outstanding* entry = m_link->outstanding(m_id)) {
        entry->results.emplace_back(context, [f = std::move(f)](const void* result) mutable {
            if constexpr (std::is_void_v<Result>)
                f();
            else
                f(*static_cast<const Result*>(result));
        });
    }
    return *this;
}

template <typename Result>
template <typename F>
Pending<Result>& Pending<Result>::reports(QObject* context, F f) {
    if (Link::Outstanding* entry = m_link->outstanding(m_id))
        entry->reports.emplace_back(context, std::move(f));
    return *this;
}

template <typename Exchange>
Pending<std::invoke_result_t<Exchange&>> Link::run(Exchange exchange, Kind kind) {
    using Result = std::invoke_result_t<Exchange&>;
    auto cancel = std::make_shared<std::atomic<bool>>(false);
    const std::uint64_t id = begin(kind, cancel);
    post([this, id, cancel, exchange = std::move(exchange)]() mutable {
        if constexpr (std::is_void_v<Result>) {
            execute(id, cancel.get(), [&exchange] { exchange(); });
            deliver([this, id] { finish(id, nullptr); });
        } else {
            auto result = std::make_shared<Result>();
            execute(id, cancel.get(), [&exchange, &result] { *result = exchange(); });
            deliver([this, id, result] { finish(id, result.get()); });
        }
    });
    return Pending<Result>(*this, id);
}

} // namespace zentor
