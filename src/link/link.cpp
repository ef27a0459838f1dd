#include "link.h"

#include "comphard.h"
#include "precise_wait.h"

#include <QCoreApplication>
#include <QThread>

namespace zentor {

namespace {

Link* s_link = nullptr;

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

void Link::begin(Kind kind) {
    const bool wasBusy = busy();
    const bool hadCommands = commandRunning();
    ++m_pending;
    if (kind != Kind::Poll)
        ++m_commands;
    if (kind == Kind::Cancellable && ++m_cancellables == 1)
        emit cancellableChanged(true);
    if (!hadCommands && commandRunning())
        emit commandsRunningChanged(true);
    if (!wasBusy)
        emit busyChanged(true);
}

void Link::end(Kind kind) {
    --m_pending;
    if (kind != Kind::Poll)
        --m_commands;
    if (kind == Kind::Cancellable && --m_cancellables == 0)
        emit cancellableChanged(false);
    if (kind != Kind::Poll && m_commands == 0)
        emit commandsRunningChanged(false);
    if (m_pending == 0)
        emit busyChanged(false);
}

void Link::post(std::function<void()> job) {
    QMetaObject::invokeMethod(m_worker, std::move(job), Qt::QueuedConnection);
}

void Link::deliver(std::function<void()> job) {
    QMetaObject::invokeMethod(this, std::move(job), Qt::QueuedConnection);
}

void Link::prepareExchange() {
    if (m_resyncOwed && !comphard::interruptRequested()) {
        // A cancelled exchange left the board somewhere in a frame.
        comphard::Resync();
        m_resyncOwed = false;
    }
}

void Link::finishExchange() {
    if (comphard::interruptRequested() && !m_closing) {
        m_resyncOwed = true;
        comphard::requestInterrupt(false);
    }
}

void Link::cancel() {
    if (busy())
        comphard::requestInterrupt(true);
}

bool Link::cancelRequested() { return comphard::interruptRequested(); }

void Link::runAndWait(const std::function<void()>& function) {
    Q_ASSERT(QThread::currentThread() != m_thread);
    QMetaObject::invokeMethod(m_worker, function, Qt::BlockingQueuedConnection);
}

void Link::closePort() {
    m_closing = true;
    comphard::requestInterrupt(true);
    runAndWait([this] {
        comphard::ClosePort();
        m_resyncOwed = false;
        m_closing = false;
        comphard::requestInterrupt(false);
    });
    // Hand the results over now, while whoever waits for them is still
    // there: a result left in the queue when the pages go would be given up
    // later, with its continuation's context gone.
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
}

void Link::reportProgress(int position, int maximum) {
    deliver([this, position, maximum] { emit progressChanged(position, maximum); });
}

} // namespace zentor
