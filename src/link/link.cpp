#include "link.h"

#include "comphard.h"
#include "precise_wait.h"

#include <QCoreApplication>
#include <QThread>

#include <algorithm>
#include <string>

namespace zentor {

namespace {

Link* s_link = nullptr;

// The exchange that runs on the link thread, for Link::report.
thread_local std::uint64_t t_currentExchange = 0;

// After a cancel that cut an exchange, the board may still stream the rest
// of a dump (up to 130 bytes, about 1.1 s at 1200 baud). The line counts as
// quiet after six byte times without a byte.
constexpr std::chrono::milliseconds kQuietLine{50};
constexpr std::chrono::milliseconds kDrainLimit{2000};
constexpr int kRecoveryRounds = 3;

// The thread ends with the application, before the static objects go.
void stopLinkAtExit() {
    delete s_link;
    s_link = nullptr;
}

} // namespace

Link& Link::instance() {
    if (!s_link) {
        s_link = new Link;
        if (QCoreApplication::instance())
            qAddPostRoutine(stopLinkAtExit);
    }
    return *s_link;
}

Link::Link() : m_thread(new QThread), m_worker(new QObject) {
    m_thread->setObjectName(QStringLiteral("link"));
    m_worker->moveToThread(m_thread);
    // The port belongs to this thread while it runs (emitted on it).
    connect(m_thread, &QThread::started, [] { comphard::BindToCurrentThread(); });
    connect(m_thread, &QThread::finished, [] { comphard::ReleaseThread(); });
    m_thread->start();
}

Link::~Link() { stopThread(); }

void Link::stopThread() {
    if (!m_thread)
        return;
    comphard::requestInterrupt(true);
    m_thread->quit();
    m_thread->wait();
    delete m_worker; // its thread has ended; nothing runs on it any more
    m_worker = nullptr;
    delete m_thread;
    m_thread = nullptr;
    comphard::requestInterrupt(false);
}

bool Link::isCommand(Kind kind) {
    return kind == Kind::Command || kind == Kind::Cancellable;
}

bool Link::anyOutstanding(bool (*matches)(Kind)) const {
    return std::any_of(m_outstanding.begin(), m_outstanding.end(),
                       [matches](const auto& entry) { return matches(entry.second.kind); });
}

bool Link::commandRunning() const {
    return anyOutstanding(isCommand);
}

bool Link::cancellableRunning() const {
    return anyOutstanding([](Kind kind) { return kind == Kind::Cancellable; });
}

template <typename Change> void Link::changeOutstanding(Change change) {
    const bool wasBusy = busy();
    const bool hadCommands = commandRunning();
    const bool hadCancellable = cancellableRunning();
    change();
    if (cancellableRunning() != hadCancellable)
        emit cancellableChanged(!hadCancellable);
    if (commandRunning() != hadCommands)
        emit commandsRunningChanged(!hadCommands);
    if (busy() != wasBusy)
        emit busyChanged(!wasBusy);
}

std::uint64_t Link::begin(Kind kind, std::shared_ptr<std::atomic<bool>> cancel) {
    // The newest choice wins: a command does not queue behind a background
    // cycle that may take seconds.
    if (isCommand(kind))
        cancelBackground();
    const std::uint64_t id = m_nextId++;
    changeOutstanding([&] {
        m_outstanding.emplace(id, Outstanding{kind, std::move(cancel), 0, {}, {}});
    });
    return id;
}

void Link::finish(std::uint64_t id, const void* result) {
    auto found = m_outstanding.find(id);
    if (found == m_outstanding.end())
        return;
    Outstanding entry = std::move(found->second);
    changeOutstanding([&] { m_outstanding.erase(found); });
    for (auto& [context, continuation] : entry.results) {
        if (context)
            continuation(result);
    }
}

Link::Outstanding* Link::outstanding(std::uint64_t id) {
    auto found = m_outstanding.find(id);
    return found == m_outstanding.end() ? nullptr : &found->second;
}

void Link::post(std::function<void()> job) {
    QMetaObject::invokeMethod(m_worker, std::move(job), Qt::QueuedConnection);
}

void Link::deliver(std::function<void()> job) {
    QMetaObject::invokeMethod(this, std::move(job), Qt::QueuedConnection);
}

void Link::execute(std::uint64_t id, const std::atomic<bool>* cancel,
                   const std::function<void()>& exchange) {
    const comphard::ExchangeScope scope(cancel);
    t_currentExchange = id;
    recoverIfOwed();
    exchange();
    t_currentExchange = 0;
    if (scope.cut() && !m_closing)
        m_recoveryOwed = true;
    const bool gone = comphard::PortGone();
    if (gone && !m_goneTold)
        deliver([this] { emit portGone(); });
    m_goneTold = gone;
}

void Link::recoverIfOwed() {
    if (!m_recoveryOwed || comphard::ExchangeCancelled())
        return;
    // A cancelled exchange gave up in the middle of an answer or a stream:
    // let the board finish what it sends, then bring it into step and make
    // sure it answers as in command mode. A first byte of 27 alone is no
    // proof: a board still inside a frame echoes the ESC of the resync.
    // Late bytes of the stream can still meet the resync (a board that
    // answers slowly): as long as the board answers something after a failed
    // check, it is there but out of step, and another round follows. A
    // board that then says nothing is not there; the exchange finds that out
    // itself.
    comphard::DrainUntilQuiet(kQuietLine, kDrainLimit);
    for (int round = 0; round < kRecoveryRounds; ++round) {
        comphard::Resync();
        // The resync's answer may still be on its way when its purge ran.
        comphard::DrainUntilQuiet(kQuietLine, kDrainLimit);
        std::string answer;
        comphard::Handshake(answer);
        if (answer == "Ok" || comphard::ExchangeCancelled() ||
            comphard::DrainUntilQuiet(kQuietLine, kDrainLimit) == 0)
            break;
    }
    // A cancel of this exchange in the middle leaves the debt for the next.
    m_recoveryOwed = comphard::ExchangeCancelled();
}

void Link::cancel() {
    for (auto& [id, entry] : m_outstanding) {
        if (entry.kind == Kind::Cancellable)
            entry.cancel->store(true, std::memory_order_release);
    }
}

void Link::cancelBackground() {
    for (auto& [id, entry] : m_outstanding) {
        if (entry.kind == Kind::Background)
            entry.cancel->store(true, std::memory_order_release);
    }
}

bool Link::cancelRequested() {
    return comphard::ExchangeCancelled();
}

void Link::report(const ExchangeReport& report) {
    const std::uint64_t id = t_currentExchange;
    if (id == 0 || !s_link)
        return;
    s_link->deliver([id, report] {
        if (s_link)
            s_link->deliverReport(id, report);
    });
}

void Link::deliverReport(std::uint64_t id, const ExchangeReport& report) {
    Outstanding* entry = outstanding(id);
    if (!entry)
        return;
    if (report.maximum >= 0)
        entry->progressMaximum = report.maximum;
    if (entry->kind == Kind::Cancellable && report.position >= 0 && entry->progressMaximum > 0)
        emit progressChanged(report.position, entry->progressMaximum);
    for (auto& [context, handler] : entry->reports) {
        if (context)
            handler(report);
    }
}

void Link::runAndWait(const std::function<void()>& function) {
    Q_ASSERT(QThread::currentThread() != m_thread);
    QMetaObject::invokeMethod(m_worker, function, Qt::BlockingQueuedConnection);
}

void Link::closePort() {
    m_closing = true;
    comphard::requestInterrupt(true);
    runAndWait([this] {
        comphard::ClosePort();
        m_recoveryOwed = false;
        m_closing = false;
        comphard::requestInterrupt(false);
    });
    // Hand the results over now, while whoever waits for them is still
    // there.
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
}

} // namespace zentor
