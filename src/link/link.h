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
// text, a progress position) it posts to the GUI thread (see ExchangeView).
//
// The link is busy from run() until the result has reached the GUI thread.
// A command makes the controls that start exchanges go grey (they follow
// commandsRunningChanged); a poll (a page timer's cycle) does not, and a
// timer whose previous exchange still runs skips its tick.
#pragma once

#include <QFuture>
#include <QObject>
#include <QPromise>

#include <atomic>
#include <functional>
#include <memory>
#include <type_traits>
#include <utility>

class QThread;

namespace zentor {

// The status text after the user gave up an exchange (Escape, "Abbrechen").
inline constexpr char kCancelledText[] = "Abgebrochen.";

class Link : public QObject {
    Q_OBJECT

public:
    enum class Kind {
        Command,     // started by the user: the controls go grey while it runs
        Cancellable, // a long command with progress; Escape or "Abbrechen" ends it
        Poll,        // a timer's cycle: the controls stay as they are
    };

    // The one link of the process, created (and its thread started) on first
    // use from the GUI thread; the thread ends when the application does.
    static Link& instance();
    ~Link() override;

    // Queues the exchange; it runs on the link thread after every exchange
    // queued before it. The future's result arrives on the GUI thread after
    // busy() has been updated; attach the continuation with a context object
    // (QFuture::then(context, ...)), so that it runs on the GUI thread and
    // not at all once the context is gone.
    template <typename Exchange>
    QFuture<std::invoke_result_t<Exchange&>> run(Exchange exchange, Kind kind = Kind::Command);

    // True from run() until the result is back on the GUI thread, for any
    // kind of exchange.
    bool busy() const { return m_pending > 0; }
    // True while a command (of either kind) waits or runs.
    bool commandRunning() const { return m_commands > 0; }
    // True while a cancellable command waits or runs.
    bool cancellableRunning() const { return m_cancellables > 0; }

    // Asks the running exchange (or, between two, the next one) to end at its
    // next byte: waits and reads return at once and it takes its failure
    // path. The exchange after it starts with a resync. Does nothing while
    // the link is idle.
    void cancel();
    // On the link thread, inside an exchange: whether it was cancelled.
    static bool cancelRequested();

    // Ends the running exchange as cancel() does, lets the exchanges queued
    // so far run out (each ends at its first byte), then closes the port on
    // the link thread and hands their results over (their continuations are
    // queued to their contexts). Blocks the calling (GUI) thread for that:
    // at most one read slice per exchange, a few milliseconds, whatever the
    // time-out. Exchanges queued later run normally.
    void closePort();

    // Runs a callable on the link thread and waits for it; for set-up that
    // must happen where the port lives (tests attach a port this way).
    void runAndWait(const std::function<void()>& function);

    // From the link thread: a progress position of the running exchange,
    // passed on to progressChanged on the GUI thread.
    void reportProgress(int position, int maximum);

signals:
    // The link went busy (true) or idle (false).
    void busyChanged(bool busy);
    // The first command was queued (true) or the last one ended (false).
    void commandsRunningChanged(bool running);
    // A cancellable command began (true) or ended (false).
    void cancellableChanged(bool running);
    // The progress of the running cancellable command.
    void progressChanged(int position, int maximum);

private:
    Link();
    void stopThread();

    // Bookkeeping on the GUI thread at run() and at the result's arrival.
    void begin(Kind kind);
    void end(Kind kind);
    // Queues a job to the link thread.
    void post(std::function<void()> job);
    // Queues a job to the GUI thread.
    void deliver(std::function<void()> job);
    // On the link thread, before every exchange: the resync owed after a
    // cancel, and the interrupt request cleared.
    void prepareExchange();
    void finishExchange();

    QThread* m_thread = nullptr;
    QObject* m_worker = nullptr; // lives on the link thread
    int m_pending = 0;
    int m_commands = 0;
    int m_cancellables = 0;
    // Set while closePort() lets the queued exchanges run out: their ends
    // must not clear the interrupt request.
    std::atomic<bool> m_closing{false};
    bool m_resyncOwed = false; // link thread only
};

template <typename Exchange>
QFuture<std::invoke_result_t<Exchange&>> Link::run(Exchange exchange, Kind kind) {
    using Result = std::invoke_result_t<Exchange&>;
    auto promise = std::make_shared<QPromise<Result>>();
    QFuture<Result> future = promise->future();
    promise->start();
    begin(kind);
    post([this, kind, promise, exchange = std::move(exchange)]() mutable {
        prepareExchange();
        if constexpr (std::is_void_v<Result>) {
            exchange();
            finishExchange();
            deliver([this, kind, promise] {
                end(kind);
                promise->finish();
            });
        } else {
            auto result = std::make_shared<Result>(exchange());
            finishExchange();
            deliver([this, kind, promise, result] {
                end(kind);
                promise->addResult(std::move(*result));
                promise->finish();
            });
        }
    });
    return future;
}

} // namespace zentor
