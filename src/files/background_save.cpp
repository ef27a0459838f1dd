#include "background_save.h"

#include <QPromise>

namespace zentor {

BackgroundSave::BackgroundSave(WriteFunction write)
    : m_write(write ? std::move(write) : WriteFunction(writeFileAtomically)) {
    m_worker.setMaxThreadCount(1);
    m_worker.setObjectName(QStringLiteral("background save"));
}

BackgroundSave::~BackgroundSave() {
    settle();
}

QFuture<std::optional<SaveResult>> BackgroundSave::save(const QString& path,
                                                        const QByteArray& bytes) {
    auto promise = std::make_shared<QPromise<std::optional<SaveResult>>>();
    QFuture<std::optional<SaveResult>> future = promise->future();
    promise->start();
    const quint64 number = ++*m_newest;
    m_worker.start([promise, number, newest = m_newest, write = m_write, path, bytes] {
        std::optional<SaveResult> result;
        if (number == newest->load())
            result = write(path, bytes);
        promise->addResult(std::move(result));
        promise->finish();
    });
    return future;
}

void BackgroundSave::settle() {
    ++*m_newest;
    m_worker.waitForDone();
}

} // namespace zentor
