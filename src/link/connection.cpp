#include "connection.h"

#include "comphard.h"
#include "termios_port.h"

#include <chrono>
#include <future>
#include <thread>

namespace zentor {

namespace {

const std::string kLineMode = "1200,N,8,1";
constexpr int kSettleMs = 30;
// The search's read time-out: a board answers a byte within 10 ms, and five
// resync rounds and two presence checks stay within a second.
constexpr int kSearchTimeoutMs = 25;
constexpr auto kSearchOpenLimit = std::chrono::seconds(1);

// Opens a candidate off the link thread, so that a device that hangs in
// its open holds up the search for a second at most (the open is left to
// finish by itself, and its port is closed then).
std::unique_ptr<comphard::TermiosPort> openWithin(const std::string& path, std::string& why) {
    auto task = std::make_shared<std::packaged_task<
        std::pair<std::unique_ptr<comphard::TermiosPort>, comphard::OpenFailure>()>>([path] {
        comphard::OpenFailure failure = comphard::OpenFailure::None;
        auto port = comphard::TermiosPort::open(path, comphard::LineMode{}, &failure);
        return std::pair{std::move(port), failure};
    });
    auto opened = task->get_future();
    std::thread([task] { (*task)(); }).detach();
    if (opened.wait_for(kSearchOpenLimit) != std::future_status::ready) {
        // The future's shared state keeps the port until the open returns.
        std::thread([opened = std::move(opened)]() mutable { opened.wait(); }).detach();
        why = "hängt beim Öffnen";
        return nullptr;
    }
    auto [port, failure] = opened.get();
    switch (failure) {
    case comphard::OpenFailure::None:
        break;
    case comphard::OpenFailure::Busy:
        why = "von einem anderen Programm belegt";
        break;
    case comphard::OpenFailure::Missing:
        why = "nicht vorhanden";
        break;
    case comphard::OpenFailure::NoPermission:
        why = "keine Berechtigung";
        break;
    default:
        why = "keine serielle Schnittstelle";
        break;
    }
    return std::move(port);
}

// "COM 3 (/dev/ttyACM0)", or the path alone beyond the table.
std::string candidateName(const connection::SearchCandidate& candidate) {
    return candidate.com > 0 ? "COM " + std::to_string(candidate.com) + " (" + candidate.path + ")"
                             : candidate.path;
}

} // namespace

namespace connection {

bool open(const PortTarget& target) {
    return comphard::OpenDevice(target.devicePath, kLineMode);
}

bool bringIntoStep(bool settleAfterResync, int maxTimeout) {
    comphard::WaitMilliseconds(kSettleMs);
    comphard::PurgeInput();
    const bool answered = comphard::Resync();
    if (settleAfterResync)
        comphard::WaitMilliseconds(kSettleMs);
    comphard::PurgeInput();
    comphard::SetTimeout(maxTimeout);
    return answered;
}

bool connect(const ConnectJob& job, bool* answered) {
    if (!job.target)
        return false; // an open port stays open
    if (!open(*job.target))
        return false;
    const bool inStep = bringIntoStep(true, job.maxTimeout);
    if (answered != nullptr)
        *answered = inStep;
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

SearchResult search(const std::vector<SearchCandidate>& candidates, int maxTimeout) {
    SearchResult result;
    // Our own port would be "belegt" to its own search.
    comphard::ClosePort();
    for (const SearchCandidate& candidate : candidates) {
        if (comphard::ExchangeCancelled()) {
            result.cancelled = true;
            break;
        }
        ++result.tried;
        std::string why;
        auto port = openWithin(candidate.path, why);
        if (!port) {
            result.skipped.emplace_back(candidate, why);
            continue;
        }
        comphard::AttachPort(std::move(port));
        comphard::SetTimeout(kSearchTimeoutMs);
        comphard::PurgeInput();
        const bool answeredResync = comphard::Resync();
        std::string answer;
        int firstAnswer = -1;
        comphard::Handshake(answer, &firstAnswer);
        if (answer == comphard::kAnswerOk) {
            comphard::PurgeInput();
            comphard::SetTimeout(maxTimeout);
            result.found = candidate;
            return result;
        }
        comphard::ClosePort();
        if (comphard::ExchangeCancelled()) {
            result.cancelled = true;
            break;
        }
        result.skipped.emplace_back(candidate, firstAnswer == -1 && !answeredResync
                                                   ? "keine Antwort"
                                                   : "antwortet nicht wie eine Platine");
    }
    comphard::SetTimeout(maxTimeout);
    return result;
}

std::string searchSummary(const SearchResult& result) {
    if (result.found)
        return "Platine gefunden an " + candidateName(*result.found);
    if (result.cancelled)
        return kCancelledText;
    return "Keine Platine gefunden: " + std::to_string(result.tried) +
           (result.tried == 1 ? " Anschluss geprüft" : " Anschlüsse geprüft");
}

std::string searchDetails(const SearchResult& result) {
    std::string details;
    for (const auto& [candidate, why] : result.skipped)
        details += candidateName(candidate) + ": " + why + "\n";
    return details;
}

} // namespace connection

bool ConnectJob::run(bool* answered) const {
    if (answered != nullptr)
        *answered = true;
    return connector ? connector(*this) : connection::connect(*this, answered);
}

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
            result.connected = job.run(&result.answered);
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

Pending<connection::SearchResult>
Connection::search(std::vector<connection::SearchCandidate> candidates) {
    const int maxTimeout = m_maxTimeout;
    auto pending =
        Link::instance().run([candidates = std::move(candidates),
                              maxTimeout] { return connection::search(candidates, maxTimeout); },
                             Link::Kind::Cancellable);
    pending.then(this, [this](const connection::SearchResult& result) {
        emit portConnected(result.found ? std::optional<PortTarget>(PortTarget{
                                              result.found->com, false, result.found->path})
                                        : std::nullopt);
    });
    return pending;
}

} // namespace zentor
