// The "Zeitschreiber" page against the simulated board over a real pty (with
// the board's 1200-baud pacing), and with readings fed straight into a tick
// on a hand-driven recorder clock where the board's timing is not the point.
#include "announcer.h"
#include "comphard.h"
#include "diagramm.h"
#include "focus_return.h"
#include "journal.h"
#include "link_wait.h"
#include "locale_scope.h"
#include "pty_peer.h"
#include "recorder.h"
#include "recorder_page.h"
#include "recording_journal.h"
#include "segment_matcher.h"
#include "shell.h"
#include "simulated_board.h"
#include "wait_until.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QImage>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <vector>

using zentor::LineSegment;
using zentor::RecorderBuffer;
using zentor::test::segmentIs;

namespace {

constexpr const char* kLineMode = "1200,N,8,1";

class TestShell : public Shell {
public:
    void setStatusText(const QString& text) override { status = text; }
    QString statusText() const override { return status; }
    void setApplicationTitle(const QString& title) override { this->title = title; }
    QString applicationTitle() const override { return title; }
    void setWindowCaption(const QString&) override {}
    int maxTimeout() const override { return 300; }

    QString status;
    QString title;
};

class RecorderPageTest : public ::testing::Test {
protected:
    void SetUp() override {
        page = std::make_unique<RecorderPage>(shell, yttimer);
        page->setRecorderBuffer(&buffer);
        page->resize(761, 449);
        QObject::connect(page.get(), &RecorderPage::lineDrawn,
                         [this](const LineSegment& line) { lines.push_back(line); });
    }

    void TearDown() override {
        yttimer.stop();
        page.reset();
        testing_support::onLink(comphard::ClosePort);
        if (board)
            board->stop();
    }

    void startBoard(int analog, bool pacing = true) {
        zentor::sim::RunnerOptions options;
        options.board.pacing = pacing;
        options.board.inputs.analog = analog;
        board = std::make_unique<zentor::sim::SimulatedBoard>(options);
        ASSERT_TRUE(board->start()) << board->lastError();
        ASSERT_TRUE(testing_support::onLink(
            [&] { return comphard::OpenDevice(board->devicePath(), kLineMode); }));
        testing_support::onLink([&] { comphard::SetTimeout(50); });
    }

    // Starts a recording of a duration item with the hand-driven clock and
    // without a board (the failed presence check does not stop the start).
    void startOffline(int item) {
        page->setRecorderClock([this] { return now; });
        page->timeyt->setCurrentIndex(item);
        page->ytstartClick();
        testing_support::waitForLink();
        yttimer.stop(); // the test takes the ticks itself
    }

    // A recording on the board at 2 V, three samples taken by hand.
    void recordThreeSamples() {
        startBoard(102, false);
        page->ytstartClick();
        testing_support::waitForLink();
        yttimer.stop();
        for (int i = 0; i < 3; ++i) {
            page->yttimerTimer();
            testing_support::waitForLink();
        }
    }

    // Runs the event loop until the recording ends, at most timeoutMs.

    zentor::test::LocaleScope locale{zentor::test::german()};
    TestShell shell;
    QTimer yttimer;
    RecorderBuffer buffer;
    std::unique_ptr<RecorderPage> page;
    std::unique_ptr<zentor::sim::SimulatedBoard> board;
    std::vector<LineSegment> lines;
    quint32 now = 0;
};

TEST_F(RecorderPageTest, DurationItemSetsTheChartsXAxisAndThePollingInterval) {
    struct Case {
        int item;
        double xmax, xdiv;
        int intervalMs;
    };
    for (const Case c : {Case{0, 1, 0, 20}, Case{4, 20, 0, 20}, Case{5, 30, 2, 30},
                         Case{14, 3600, 600, 2400}, Case{22, 86400, 0, 57600}}) {
        SCOPED_TRACE(c.item);
        page->timeyt->setCurrentIndex(c.item);
        EXPECT_EQ(page->ytdiagram->Xmax(), c.xmax);
        EXPECT_EQ(page->ytdiagram->Xdiv(), c.xdiv);
        page->ytstartClick(); // no board: starts anyway
        testing_support::waitForLink();
        EXPECT_EQ(yttimer.interval(), c.intervalMs);
        EXPECT_TRUE(yttimer.isActive());
        EXPECT_FALSE(page->timeyt->isEnabled());
        page->ytstartClick();
        testing_support::waitForLink();
    }
}

// From the board's side: the start resynchronises and checks the board, in
// that order; each tick is one analog frame and nothing else.
TEST_F(RecorderPageTest, StartChecksTheBoardThenEachTickIsOneAnalogFrame) {
    testing_support::PtyPeer peer;
    peer.setScript([](const std::vector<testing_support::ReceivedByte>& in) {
        // Frames of ESC and a command byte, walked from the start; only the
        // frame completed by the newest byte is answered.
        std::size_t i = 0;
        while (i + 2 < in.size())
            i += in[i].value == 27 ? 2 : 1;
        if (i + 2 != in.size() || in[i].value != 27)
            return std::vector<std::uint8_t>{};
        switch (in[i + 1].value) {
        case 27:
            return std::vector<std::uint8_t>{27, 228};
        case 1:
            return std::vector<std::uint8_t>{32, 223}; // present
        case 60:
            return std::vector<std::uint8_t>{153, 102};
        default:
            return std::vector<std::uint8_t>{};
        }
    });
    ASSERT_TRUE(
        testing_support::onLink([&] { return comphard::OpenDevice(peer.path(), kLineMode); }));
    testing_support::onLink([&] { comphard::SetTimeout(50); });

    page->ytstartClick();
    testing_support::waitForLink();
    yttimer.stop();
    EXPECT_THAT(peer.receivedValues(), ::testing::ElementsAre(27, 27, 27, 1));
    EXPECT_EQ(shell.status, "Ok");

    peer.clearReceived();
    page->yttimerTimer();
    testing_support::waitForLink();
    EXPECT_THAT(peer.receivedValues(), ::testing::ElementsAre(27, 60));
    EXPECT_EQ(page->sampleCount(), 1);
    EXPECT_EQ(buffer[0].value, 153);
    testing_support::onLink(comphard::ClosePort);
}

TEST_F(RecorderPageTest, OneSecondRecordingAgainstThePacedBoard) {
    startBoard(255);
    page->timeyt->setCurrentIndex(0);
    // The button with the keyboard focus (back on it when the board is no
    // longer busy) says its new caption when the recording is over.
    zentor::access::FocusReturn focusReturn;
    page->show();
    QApplication::setActiveWindow(page.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(page.get()));
    page->ytstart->setFocus();
    QSignalSpy said(&zentor::access::Announcer::of(*page), &zentor::access::Announcer::announced);
    // What the page shows as the recording begins; on a busy machine the
    // link may next be idle only after the recording's second is over.
    QString statusAtStart, captionAtStart;
    QObject::connect(page.get(), &RecorderPage::recordingStarted, page.get(), [&] {
        statusAtStart = shell.status;
        captionAtStart = page->ytstart->text();
    });
    QSignalSpy ended(page.get(), &RecorderPage::recordingEnded);
    page->ytstartClick();
    ASSERT_TRUE(ended.wait(testing_support::kGenerousBound.count()));
    EXPECT_EQ(statusAtStart, "Ok");
    EXPECT_EQ(captionAtStart, "&Stop");
    EXPECT_EQ(yttimer.interval(), 20);

    EXPECT_EQ(page->ytstart->text(), "&Start");
    const QStringList heard{said.value(0).value(0).toString(), said.value(1).value(0).toString()};
    EXPECT_EQ(said.size(), 2);
    EXPECT_EQ(heard, QStringList({"Stop", "Start"}));
    EXPECT_TRUE(page->timeyt->isEnabled());
    EXPECT_FALSE(page->isRecording());

    // One analog exchange takes longer than the 20 ms interval, so the
    // duration ends the recording before the 50-sample budget.
    const int count = page->sampleCount();
    ASSERT_GE(count, 5);
    EXPECT_LT(count, 50);
    EXPECT_EQ(buffer[0].time, 0);
    for (int i = 1; i < count; ++i) {
        EXPECT_GE(buffer[i].time - buffer[i - 1].time, 19) << i; // two writes of 10 ms each
        EXPECT_EQ(buffer[i].value, 255);
    }
    EXPECT_LT(buffer[count - 1].time, 1000);
    // The last sample ended the recording: drawn, stored, not counted. The
    // end is judged on a fresh clock reading just after the sample's own, so
    // its stored time may still read 999.
    EXPECT_GE(buffer[count].time, 999);
    ASSERT_EQ(static_cast<int>(lines.size()), count);
    EXPECT_THAT(lines.front(), segmentIs(0, 5, buffer[1].time / 1000.0, 5));
    EXPECT_THAT(lines.back(),
                segmentIs(buffer[count - 1].time / 1000.0, 5, buffer[count].time / 1000.0, 5));

    const QStringList copy = page->copyLines();
    ASSERT_EQ(copy.size(), count);
    EXPECT_EQ(copy.front(), "0,00\t5,00");
}

TEST_F(RecorderPageTest, FirstSampleDrawsNothingTheSecondTheFirstSegment) {
    startBoard(51);
    page->ytstartClick();
    testing_support::waitForLink();
    yttimer.stop();

    page->yttimerTimer();
    testing_support::waitForLink();
    EXPECT_EQ(page->sampleCount(), 1);
    EXPECT_TRUE(lines.empty());

    page->yttimerTimer();
    testing_support::waitForLink();
    EXPECT_EQ(page->sampleCount(), 2);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_GE(buffer[1].time, 20);
    EXPECT_THAT(lines[0], segmentIs(0, 1, buffer[1].time / 1000.0, 1));
}

TEST_F(RecorderPageTest, StopKeepsTheSamplesStartClearsTheChartAndCountsFromZero) {
    recordThreeSamples();
    ASSERT_EQ(page->sampleCount(), 3);

    page->ytstartClick(); // "&Stop"
    testing_support::waitForLink();
    EXPECT_EQ(page->ytstart->text(), "&Start");
    EXPECT_FALSE(yttimer.isActive());
    EXPECT_TRUE(page->timeyt->isEnabled());
    EXPECT_TRUE(page->ytchannel->isEnabled());
    EXPECT_EQ(page->sampleCount(), 3);
    EXPECT_EQ(page->copyLines().size(), 3);
    page->yttimerTimer(); // a tick left over after the stop takes nothing
    testing_support::waitForLink();
    EXPECT_EQ(page->sampleCount(), 3);

    lines.clear();
    page->ytdiagram->Repaint();
    EXPECT_EQ(lines.size(), 2u);

    page->ytstartClick(); // "&Start" again
    testing_support::waitForLink();
    EXPECT_EQ(page->ytstart->text(), "&Stop");
    EXPECT_EQ(page->sampleCount(), 0);
    EXPECT_TRUE(page->copyLines().isEmpty());
    lines.clear();
    page->ytdiagram->Repaint();
    EXPECT_TRUE(lines.empty());
}

TEST_F(RecorderPageTest, SwitchingUnitsRedrawsTheStoredTraceOnTheRawAxis) {
    startBoard(255);
    page->ytstartClick();
    testing_support::waitForLink();
    yttimer.stop();
    for (int i = 0; i < 3; ++i) {
        page->yttimerTimer();
        testing_support::waitForLink();
    }
    ASSERT_EQ(page->sampleCount(), 3);

    lines.clear();
    page->CheckBox2->setChecked(false);
    EXPECT_EQ(page->ytdiagram->Ymin(), 0);
    EXPECT_EQ(page->ytdiagram->Ymax(), 256);
    EXPECT_EQ(page->ytdiagram->Ydiv(), 16);
    EXPECT_EQ(page->ytdiagram->CaptionY(), " ");
    page->ytdiagram->Repaint();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_THAT(lines[1], segmentIs(buffer[1].time / 1000.0, 255, buffer[2].time / 1000.0, 255));
    EXPECT_EQ(page->copyLines().front(), "0,00\t255,00");

    lines.clear();
    page->CheckBox2->setChecked(true);
    EXPECT_EQ(page->ytdiagram->Ymax(), 5);
    EXPECT_EQ(page->ytdiagram->Ydiv(), 0.5);
    EXPECT_EQ(page->ytdiagram->CaptionY(), "Volt");
    page->ytdiagram->Repaint();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].y1, 5.0);
}

TEST_F(RecorderPageTest, ChannelItemSetsTheCodeAndItsAxis) {
    struct Case {
        int item, code;
        double ymin, ymax, ydiv;
        const char* caption;
    };
    page->ytchannel->setEnabled(true);
    for (const Case c : {Case{2, 62, -10, 100, 10, "°C"}, Case{3, 63, 0, 2500, 250, "k"},
                         Case{6, 66, 0, 1, 1, "1/0"}, Case{0, 60, 0, 5, 0.5, "Volt"}}) {
        SCOPED_TRACE(c.item);
        page->ytchannel->setCurrentIndex(c.item);
        EXPECT_EQ(page->RecorderChannel, c.code);
        EXPECT_EQ(page->ytdiagram->Ymin(), c.ymin);
        EXPECT_EQ(page->ytdiagram->Ymax(), c.ymax);
        EXPECT_EQ(page->ytdiagram->Ydiv(), c.ydiv);
        EXPECT_EQ(page->ytdiagram->CaptionY(), QString::fromUtf8(c.caption));
    }
    page->ytchannel->setCurrentIndex(2);
    page->CheckBox2->setChecked(false); // raw, whatever the channel
    EXPECT_EQ(page->ytdiagram->Ymin(), 0);
    EXPECT_EQ(page->ytdiagram->Ymax(), 256);
}

TEST_F(RecorderPageTest, FailedHandshakeStartsTheRecordingAnyway) {
    startOffline(0);
    EXPECT_EQ(shell.status, "Controler antwortet nicht!");
    EXPECT_TRUE(page->isRecording());
    EXPECT_EQ(page->ytstart->text(), "&Stop");
}

TEST_F(RecorderPageTest, ReturnOnThePageStartsARecording) {
    page->show();
    page->activateWindow();
    page->timeyt->setFocus();
    QTest::keyClick(page->timeyt, Qt::Key_Return);
    testing_support::waitForLink();
    EXPECT_TRUE(page->isRecording());
    EXPECT_EQ(page->ytstart->text(), "&Stop");
}

TEST_F(RecorderPageTest, FailedReadingsSkipTheTickEvenPastTheEnd) {
    startOffline(0);
    page->recordReading(10);
    now = 5000; // far past the one second
    page->recordReading(-1);
    page->recordReading(-1);
    EXPECT_TRUE(page->isRecording());
    EXPECT_EQ(page->sampleCount(), 1);
    page->recordReading(20); // the first good reading examines the end
    EXPECT_FALSE(page->isRecording());
    EXPECT_EQ(page->sampleCount(), 1);
    EXPECT_TRUE(lines.empty()); // no line across the gap
}

TEST_F(RecorderPageTest, ABoardThatStopsAnsweringIsShownUntilItAnswersAgain) {
    startBoard(51, false);
    page->ytstartClick();
    testing_support::waitForLink();
    yttimer.stop(); // the test takes the ticks itself
    page->yttimerTimer();
    testing_support::waitForLink();
    board->stop(); // unplugged
    page->yttimerTimer();
    testing_support::waitForLink();
    EXPECT_EQ(shell.status, "Messwert fehlt: Controler antwortet nicht!");
    EXPECT_TRUE(page->isRecording());
    startBoard(102, false); // plugged in again
    page->yttimerTimer();
    testing_support::waitForLink();
    EXPECT_EQ(shell.status, "Ok");
    EXPECT_EQ(page->sampleCount(), 2);
}

TEST_F(RecorderPageTest, DurationOnTheRecorderClockEndsTheRecording) {
    startOffline(0);
    for (quint32 t : {1000u, 1500u, 1999u}) {
        now = t;
        page->recordReading(255);
        EXPECT_TRUE(page->isRecording());
    }
    now = 2000;
    page->recordReading(0);
    EXPECT_FALSE(page->isRecording());
    EXPECT_EQ(page->sampleCount(), 3);
    EXPECT_EQ(buffer[2].time, 999);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_THAT(lines[2], segmentIs(0.999, 5, 1.0, 0));
    EXPECT_EQ(page->copyLines(), (QStringList{"0,00\t5,00", "0,50\t5,00", "1,00\t5,00"}));
}

TEST_F(RecorderPageTest, BudgetOf1500IsNeverWrittenPast) {
    startOffline(22); // 24 hours: 1500 samples
    for (int i = 0; i < 1500; ++i) {
        now += 1;
        page->recordReading(i % 200);
        ASSERT_TRUE(page->isRecording()) << i;
    }
    EXPECT_EQ(page->sampleCount(), 1500);
    page->recordReading(250); // the 1501st: drawn, neither counted nor stored
    EXPECT_FALSE(page->isRecording());
    EXPECT_EQ(page->sampleCount(), 1500);
    EXPECT_EQ(buffer[1499].value, 1499 % 200);
    ASSERT_EQ(lines.size(), 1500u);
    EXPECT_EQ(lines.back().y1, zentor::recorderY(1499 % 200, true, 60));
    EXPECT_EQ(lines.back().y2, zentor::recorderY(250, true, 60));
    EXPECT_EQ(page->copyLines().size(), 1500);
}

TEST_F(RecorderPageTest, AutoRestartBeginsANewRecordingAtTheEnd) {
    startOffline(0);
    page->ytdauer->setChecked(true);
    page->recordReading(100);
    now = 1000;
    shell.status.clear();
    page->recordReading(100);
    testing_support::waitForLink();

    EXPECT_TRUE(page->isRecording());
    EXPECT_EQ(page->sampleCount(), 0);
    EXPECT_EQ(page->ytstart->text(), "&Stop");
    EXPECT_TRUE(yttimer.isActive());
    EXPECT_EQ(shell.status, "Controler antwortet nicht!"); // the presence check ran again
}

TEST_F(RecorderPageTest, TraceGrowsBetweenPaintsAndIsRedrawnAtTheNextPaint) {
    startOffline(0);
    page->show();
    const QColor yellow(Qt::yellow);
    auto yellowNear = [&](const QImage& image, double x, double y) {
        const QPoint p(page->ytdiagram->ToPixelX(x), page->ytdiagram->ToPixelY(y));
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                if (image.pixelColor(p + QPoint(dx, dy)) == yellow)
                    return true;
        return false;
    };

    page->recordReading(51); // 1 V at 0 s
    now = 500;
    page->recordReading(204); // 4 V at 0.5 s
    QImage image = page->ytdiagram->grab().toImage();
    ASSERT_EQ(page->ytdiagram->Xmax(), 1);
    EXPECT_TRUE(yellowNear(image, 0.25, 2.5));
    EXPECT_FALSE(yellowNear(image, 0.75, 2.5));

    now = 900;
    page->recordReading(51); // the segment back down is drawn without a repaint
    image = page->ytdiagram->grab().toImage();
    EXPECT_TRUE(yellowNear(image, 0.7, 2.5));

    page->ytdiagram->Invalidate();
    image = page->ytdiagram->grab().toImage();
    EXPECT_TRUE(yellowNear(image, 0.25, 2.5));
    EXPECT_TRUE(yellowNear(image, 0.7, 2.5));
}

TEST_F(RecorderPageTest, WithoutTheWindowsBufferThePageStillRecords) {
    page->setRecorderBuffer(nullptr);
    startOffline(0);
    page->recordReading(10);
    now = 20;
    page->recordReading(20);
    EXPECT_EQ(page->sampleCount(), 2);
    EXPECT_EQ(page->samples()[1].value, 20);
    EXPECT_EQ(buffer[1].value, 0); // the detached buffer is left alone
}

TEST_F(RecorderPageTest, ARecordingIsJournalledUntilItEndsAndALeftOneIsOffered) {
    QTemporaryDir state;
    const QString path = state.filePath(QStringLiteral("zentor/zeitschreiber.journal"));
    auto journal = std::make_unique<zentor::RecordingJournal>(*page, path);
    recordThreeSamples();
    journal->journal().flush();
    journal->journal().waitForWrites();
    // What a crash now would leave behind.
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray leftBehind = file.readAll();
    file.close();
    const auto read = zentor::readRecordingJournal(leftBehind);
    ASSERT_TRUE(read);
    EXPECT_EQ(*read, page->measurement());

    page->ytstartClick(); // "&Stop": the recording is over, its journal goes
    journal->journal().waitForWrites();
    EXPECT_FALSE(QFile::exists(path));

    // The next start finds what the crash left, once.
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(leftBehind);
    file.close();
    journal = std::make_unique<zentor::RecordingJournal>(*page, path);
    EXPECT_EQ(journal->takeLeftBehind(), read);
    journal->journal().waitForWrites();
    EXPECT_FALSE(QFile::exists(path));
}

} // namespace
