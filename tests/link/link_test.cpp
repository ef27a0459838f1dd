// The link's bookkeeping of exchanges: whose cancel a cancel reaches, and
// that results and reports go only to pages that still exist.
#include "comphard.h"
#include "link.h"
#include "link_wait.h"
#include "pty_peer.h"
#include "wait_until.h"

#include <QObject>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>

namespace {

using zentor::Link;
using Kind = Link::Kind;
using namespace std::chrono_literals;

// Holds the link thread inside an exchange until released.
class Latch {
public:
    void hold() {
        m_entered = true;
        testing_support::waitUntil([this] { return m_released.load(); });
    }
    // Waits (without the event loop) until the link thread holds.
    bool waitEntered() {
        return testing_support::waitUntil([this] { return m_entered.load(); });
    }
    void release() { m_released = true; }

private:
    std::atomic<bool> m_entered{false};
    std::atomic<bool> m_released{false};
};

// Each exchange answers whether it was cancelled.
struct Seen {
    bool arrived = false;
    bool cancelled = false;
};

void runRecording(Kind kind, Seen& seen, QObject* context) {
    Link::instance()
        .run([] { return Link::cancelRequested(); }, kind)
        .then(context, [&seen](bool cancelled) {
            seen.arrived = true;
            seen.cancelled = cancelled;
        });
}

TEST(LinkCancel, ReachesTheCancellableCommandsThatWaitAndNothingElse) {
    QObject page;
    struct Row {
        Kind kind;
        bool cancelled;
    };
    const Row rows[] = {
        {Kind::Poll, false},
        {Kind::Command, false},
        {Kind::Cancellable, true},
        {Kind::Background, false},
    };
    // A poll holds the line; everything else waits behind it when Escape
    // comes.
    Latch latch;
    Link::instance().run([&latch] { latch.hold(); }, Kind::Poll);
    ASSERT_TRUE(latch.waitEntered());
    Seen seen[std::size(rows)];
    for (std::size_t i = 0; i < std::size(rows); ++i)
        runRecording(rows[i].kind, seen[i], &page);
    Link::instance().cancel();
    latch.release();
    ASSERT_TRUE(testing_support::waitForLink());
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        EXPECT_TRUE(seen[i].arrived) << i;
        EXPECT_EQ(seen[i].cancelled, rows[i].cancelled) << i;
    }
}

TEST(LinkCancel, ALateCancelMissesTheNextExchange) {
    QObject page;
    // The cancellable exchange is over on the link thread, its result not yet
    // on the GUI thread, when Escape comes.
    std::atomic<bool> done{false};
    Link::instance().run([&done] { done = true; }, Kind::Cancellable);
    ASSERT_TRUE(testing_support::waitUntil([&done] { return done.load(); }));
    Link::instance().cancel();
    Seen command, cancellable;
    runRecording(Kind::Command, command, &page);
    runRecording(Kind::Cancellable, cancellable, &page);
    ASSERT_TRUE(testing_support::waitForLink());
    EXPECT_TRUE(command.arrived);
    EXPECT_FALSE(command.cancelled);
    EXPECT_TRUE(cancellable.arrived);
    EXPECT_FALSE(cancellable.cancelled);
}

TEST(LinkCancel, ACommandOrAPageChangeEndsABackgroundCycle) {
    for (const bool byCommand : {true, false}) {
        SCOPED_TRACE(byCommand ? "command" : "page change");
        QObject page;
        Seen background;
        // A reconnect that would wait for a minute unless cancelled.
        Link::instance()
            .run(
                [] {
                    comphard::WaitMilliseconds(60'000); // ends at the cancel
                    return Link::cancelRequested();
                },
                Kind::Background)
            .then(&page, [&background](bool cancelled) {
                background.arrived = true;
                background.cancelled = cancelled;
            });
        Seen command;
        if (byCommand)
            runRecording(Kind::Command, command, &page);
        else
            Link::instance().cancelBackground();
        ASSERT_TRUE(testing_support::waitForLink(20s));
        EXPECT_TRUE(background.cancelled);
        if (byCommand) {
            EXPECT_TRUE(command.arrived);
            EXPECT_FALSE(command.cancelled);
        }
    }
}

TEST(LinkResults, GoOnlyToPagesThatStillExist) {
    // The page goes while its exchange runs and its reports and result are
    // queued; nothing is called for it, and a page that stays gets its own.
    auto gone = std::make_unique<QObject>();
    QObject staying;
    Latch latch;
    int goneCalls = 0;
    int stayingReports = 0;
    int stayingResults = 0;
    Link::instance()
        .run(
            [&latch] {
                latch.hold();
                zentor::ExchangeReport report;
                report.position = 1;
                Link::report(report);
                return 7;
            },
            Kind::Cancellable)
        .reports(gone.get(), [&goneCalls](const zentor::ExchangeReport&) { ++goneCalls; })
        .reports(&staying,
                 [&stayingReports](const zentor::ExchangeReport& report) {
                     stayingReports += report.position;
                 })
        .then(gone.get(), [&goneCalls](int) { ++goneCalls; })
        .then(&staying, [&stayingResults](int result) { stayingResults = result; });
    ASSERT_TRUE(latch.waitEntered());
    latch.release();
    // The report and the result are queued to the GUI thread, which handles
    // neither before the page is gone.
    gone.reset();
    ASSERT_TRUE(testing_support::waitForLink());
    EXPECT_EQ(goneCalls, 0);
    EXPECT_EQ(stayingReports, 1);
    EXPECT_EQ(stayingResults, 7);
}

} // namespace

namespace {

TEST(LinkPort, AnExchangeThatFindsTheDeviceGoneSaysSoOnce) {
    testing_support::PtyPeer peer;
    ASSERT_TRUE(
        testing_support::onLink([&] { return comphard::OpenDevice(peer.path(), "1200,N,8,1"); }));
    int told = 0;
    QObject receiver;
    QObject::connect(&zentor::Link::instance(), &zentor::Link::portGone, &receiver,
                     [&told] { ++told; });
    auto readOnce = [] {
        zentor::Link::instance().run([] { return comphard::ReadAnalog(); },
                                     zentor::Link::Kind::Poll);
        testing_support::waitForLink();
    };
    readOnce();
    EXPECT_EQ(told, 0) << "a silent board is no pulled cable";
    peer.unplug();
    readOnce();
    readOnce();
    EXPECT_EQ(told, 1);
    testing_support::onLink(comphard::ClosePort);
}

} // namespace
