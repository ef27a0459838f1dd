#include "link_wait.h"

#include "comphard.h"
#include "link.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <string>

#include <gtest/gtest.h>

namespace testing_support {

bool waitForLink(std::chrono::milliseconds deadline) {
    const zentor::Link& link = zentor::Link::instance();
    QElapsedTimer clock;
    clock.start();
    // Wakes the wait below now and then. (A nested QEventLoop would not do:
    // once a window has ended the program, every new loop returns at once
    // until the next QCoreApplication::exec.)
    QTimer wakeUp;
    wakeUp.start(20);
    for (;;) {
        if (!link.busy()) {
            // The results' continuations are queued behind the link's own
            // bookkeeping; one more round delivers them (and may start the
            // next exchange).
            QCoreApplication::sendPostedEvents();
            QCoreApplication::processEvents();
            if (!link.busy())
                return true;
        }
        if (clock.elapsed() > deadline.count()) {
            ADD_FAILURE() << "the link was still busy after " << deadline.count() << " ms";
            return false;
        }
        // Sleeps until an event comes: a result, a timer, the wake-up.
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
}

QString presenceCheck() {
    QObject context;
    QString answer;
    zentor::Link::instance()
        .run([] {
            std::string text;
            comphard::Handshake(text);
            return QString::fromStdString(text);
        })
        .then(&context, [&answer](const QString& text) { answer = text; });
    waitForLink();
    return answer;
}

} // namespace testing_support
