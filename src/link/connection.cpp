#include "connection.h"

#include "comphard.h"

namespace zentor {

namespace {

const std::string kLineMode = "1200,N,8,1";
constexpr int kSettleMs = 30;

} // namespace

namespace connection {

bool open(const PortTarget& target) {
    return comphard::OpenDevice(target.devicePath, kLineMode);
}

void bringIntoStep(bool settleAfterResync, int maxTimeout) {
    comphard::WaitMilliseconds(kSettleMs);
    comphard::PurgeInput();
    comphard::Resync();
    if (settleAfterResync)
        comphard::WaitMilliseconds(kSettleMs);
    comphard::PurgeInput();
    comphard::SetTimeout(maxTimeout);
}

bool connect(const ConnectJob& job) {
    if (!job.target)
        return false; // an open port stays open
    if (!open(*job.target))
        return false;
    bringIntoStep(true, job.maxTimeout);
    return true;
}

ChoiceResult choose(const PortTarget& target, int maxTimeout) {
    ChoiceResult result;
    result.opened = open(target);
    if (!result.opened) {
        result.failure = comphard::LastOpenFailureText();
        return result;
    }
    bringIntoStep(false, maxTimeout);
    comphard::Handshake(result.answer);
    result.cancelled = comphard::ExchangeCancelled();
    return result;
}

} // namespace connection

bool ConnectJob::run() const { return connector ? connector(*this) : connection::connect(*this); }

Connection& Connection::instance() {
    static Connection* connection = new Connection; // lives as long as the process
    return *connection;
}

ConnectJob Connection::configuredJob() const {
    return {m_resolver ? m_resolver() : std::nullopt, m_maxTimeout, m_connector};
}

void Connection::reportConnected(const ConnectJob& job, bool connected) {
    emit portConnected(connected ? job.target : std::nullopt);
}

Pending<ConnectResult> Connection::connectFromIni() {
    const ConnectJob job = configuredJob();
    auto pending = Link::instance().run(
        [job] {
            ConnectResult result;
            result.connected = job.run();
            if (!result.connected && job.target)
                result.failure = comphard::LastOpenFailureText();
            return result;
        },
        Link::Kind::Cancellable);
    pending.then(
        this, [this, job](const ConnectResult& result) { reportConnected(job, result.connected); });
    return pending;
}

Pending<connection::ChoiceResult> Connection::choose(const PortTarget& target) {
    const int maxTimeout = m_maxTimeout;
    return Link::instance().run(
        [target, maxTimeout] { return connection::choose(target, maxTimeout); },
        Link::Kind::Cancellable);
}

} // namespace zentor
