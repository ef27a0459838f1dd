// The "Auswertung" window in the whole main window, on a recording the
// simulated board gave: the menu entry, cursors by click, drag and keys, the
// read-outs, a fit drawn, a reference curve, the copy text, results that
// follow a new recording, and a chart that is left as it was.
#include "analysis_commands.h"
#include "analysis_window.h"
#include "announcer.h"
#include "chart_markup.h"
#include "comphard.h"
#include "diagramm.h"
#include "dialogs.h"
#include "direct_page.h"
#include "link_wait.h"
#include "locale_scope.h"
#include "logger_page.h"
#include "program_file.h"
#include "program_page.h"
#include "recorder_page.h"
#include "scope_page.h"
#include "shell.h"
#include "simulated_board.h"
#include "tform1.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QElapsedTimer>
#include <QImage>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <optional>
#include <string>

using namespace zentor;
using namespace zentor::analysis;
using Cursor = AnalysisSession::Cursor;

namespace {

constexpr const char* kLineMode = "1200,N,8,1";
constexpr int kTwoSeconds = 1; // timeyt item "   2 Sekunden"
constexpr int kOneSecond = 0;  // "   1 Sekunde"

class QuietShell : public Shell {
public:
    void setStatusText(const QString& text) override { status = text; }
    QString statusText() const override { return status; }
    void setApplicationTitle(const QString&) override {}
    QString applicationTitle() const override { return {}; }
    void setWindowCaption(const QString&) override {}
    int maxTimeout() const override { return 300; }
    QString status;
};

bool runUntil(const std::function<bool()>& done, int limitMs) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > limitMs)
            return false;
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

// Records on `page` against the board already opened, until the recording
// ends; false when it has not ended within the limit.
bool record(RecorderPage& page, QTimer& timer, int item, int limitMs = 60'000) {
    page.timeyt->setCurrentIndex(item);
    page.ytstartClick();
    testing_support::waitForLink(); // the recording starts when the board has answered
    return runUntil([&] { return !timer.isActive(); }, limitMs);
}

void mouse(QWidget* widget, QEvent::Type type, QPoint at, Qt::MouseButtons buttons) {
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, QPointF(at), QPointF(widget->mapToGlobal(at)), button, buttons,
                      Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

double germanNumber(const QString& text) {
    bool ok = false;
    const double value = QLocale(QLocale::German).toDouble(text, &ok);
    EXPECT_TRUE(ok) << text.toStdString();
    return value;
}

// Pixels of a colour (each channel within `slack`) and the columns they lie in.
struct Ink {
    int count = 0;
    int left = INT_MAX, right = INT_MIN;
};
// The pixels of `color` (within `slack` per channel), in `area` when given.
Ink inkOf(const QImage& image, const QColor& color, int slack = 0, QRect area = {}) {
    Ink ink;
    if (!area.isValid())
        area = image.rect();
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (std::abs(c.red() - color.red()) <= slack &&
                std::abs(c.green() - color.green()) <= slack &&
                std::abs(c.blue() - color.blue()) <= slack) {
                ++ink.count;
                ink.left = std::min(ink.left, x);
                ink.right = std::max(ink.right, x);
            }
        }
    }
    return ink;
}

class AnalysisWindowTest : public ::testing::Test {
protected:
    // One recording of two seconds of the simulated board's 0,5 Hz sine,
    // taken by the recorder page at the board's pace, made once for all the
    // tests by the first one that needs it.
    //
    // A reading takes some 30 ms of line and pauses; on a busy machine the
    // readings come slower, and two seconds may not give the samples the
    // tests need. Then the recording is made again with the board and the
    // recorder's clock both running slower than the wall clock (half, a
    // third, ...): the same two seconds of the same sine, with more time for
    // each reading. A recording counts when it has more than 40 samples and
    // lasts its two seconds (not cut short by the page's budget of 100). The
    // next slowdown follows from the wall time a reading took: two seconds
    // of the board's time then hold some 70 readings.
    static std::optional<RecorderMeasurement> makeRecording(std::string& failure) {
        constexpr std::size_t kSamplesNeeded = 41;
        constexpr qint32 kLastSampleAtLeastMs = 1900;
        QElapsedTimer total;
        total.start();
        constexpr double kReadingsWanted = 70;
        constexpr int kSlowestDown = 32;
        int slowdown = 1;
        for (int attempt = 0; attempt < 6 && total.elapsed() < 180'000; ++attempt) {
            sim::RunnerOptions options;
            options.board.speed = 1.0 / slowdown;
            sim::SimulatedBoard board(options);
            if (!board.start()) {
                failure = "no simulated board: " + board.lastError();
                return std::nullopt;
            }
            if (!testing_support::onLink(
                    [&] { return comphard::OpenDevice(board.devicePath(), kLineMode); })) {
                failure = "the simulated board's device does not open";
                return std::nullopt;
            }
            // A late answer is not a failed reading.
            testing_support::onLink([] { comphard::SetTimeout(2000); });
            QuietShell shell;
            QTimer timer;
            RecorderPage page(shell, timer);
            QElapsedTimer wall;
            wall.start();
            page.setRecorderClock(
                [&wall, slowdown] { return static_cast<quint32>(wall.elapsed() / slowdown); });
            const bool ended = record(page, timer, kTwoSeconds, 60'000 * slowdown);
            const qint64 wallMs = wall.elapsed();
            testing_support::onLink(comphard::ClosePort);
            if (!ended) {
                failure = "the recording did not end";
                slowdown = std::min(2 * slowdown, kSlowestDown);
                continue;
            }
            RecorderMeasurement recording = std::get<RecorderMeasurement>(page.measurement().data);
            const auto& samples = recording.samples;
            failure = "the recording at 1/" + std::to_string(slowdown) + " speed had " +
                      std::to_string(samples.size()) + " samples over " +
                      std::to_string(samples.empty() ? 0 : samples.back().time) + " ms";
            if (samples.size() >= kSamplesNeeded && samples.back().time >= kLastSampleAtLeastMs)
                return recording;
            const double readings = static_cast<double>(std::max<std::size_t>(samples.size(), 1));
            const double readingWallMs = static_cast<double>(wallMs) / readings;
            const auto wanted = std::lround(readingWallMs * kReadingsWanted / 2000.0);
            const int next = std::clamp(static_cast<int>(wanted), 1, kSlowestDown);
            // Too few readings ask for a slower board, a cut recording for a
            // faster one; never the same again.
            const bool tooFew = samples.size() < kSamplesNeeded;
            slowdown = next != slowdown ? next
                       : tooFew         ? std::min(slowdown + 1, kSlowestDown)
                                        : std::max(slowdown - 1, 1);
        }
        return std::nullopt;
    }

    void SetUp() override {
        // A suite that cannot make its recording fails every test, with the
        // reason; it never skips them.
        if (!s_recordingTried) {
            s_recordingTried = true;
            s_recording = makeRecording(s_recordingFailure);
        }
        ASSERT_TRUE(s_recording.has_value()) << "no usable recording: " << s_recordingFailure;
        ASSERT_TRUE(configHome.isValid());
        qputenv("XDG_CONFIG_HOME", configHome.path().toLocal8Bit());
        previousBoxes = dialogs::setHandler([this](QWidget*, const dialogs::Request& r) {
            boxes.push_back(r);
            return QMessageBox::Ok;
        });
        previousDialog =
            AnalysisCommands::setReferenceDialogHandler([this](QWidget*) { return referencePath; });
        window = std::make_unique<TForm1>();
        window->show();
        testing_support::waitForLink();
        boxes.clear(); // the first-start hint
        recorder = window->TabSheet6;
        chart = recorder->ytdiagram;
        ASSERT_TRUE(recorder->showMeasurement({QDateTime(), *s_recording}));
        window->PageControl1->setCurrentWidget(recorder);
        commands = window->findChild<AnalysisCommands*>();
        ASSERT_NE(commands, nullptr);
        window->Auswertung1->trigger();
        analysis = commands->window();
        ASSERT_NE(analysis, nullptr);
        chart->Repaint(); // the mapping of the chart as shown
        QApplication::processEvents();
    }

    void TearDown() override {
        window.reset();
        testing_support::onLink(comphard::ClosePort);
        dialogs::setHandler(previousBoxes);
        AnalysisCommands::setReferenceDialogHandler(previousDialog);
    }

    const AnalysisSession& session() const { return *commands->session(recorder); }
    Point at(Cursor which) const { return *session().cursorPoint(which); }
    QString shown(const char* name) const {
        const QLabel* label = analysis->valueLabel(QString::fromLatin1(name));
        return label ? label->text() : QStringLiteral("(none)");
    }
    QPoint pixelOf(double t) const {
        return {chart->ToPixelX(t), chart->scale().top + chart->scale().height / 2};
    }
    QImage chartImage() const { return chart->grab().toImage(); }

    static inline std::optional<RecorderMeasurement> s_recording;
    static inline bool s_recordingTried = false;
    static inline std::string s_recordingFailure;
    test::LocaleScope locale{test::german()};
    QTemporaryDir configHome;
    QTemporaryDir files;
    std::vector<dialogs::Request> boxes;
    dialogs::Handler previousBoxes;
    AnalysisCommands::ReferenceDialog previousDialog;
    QString referencePath;
    std::unique_ptr<TForm1> window;
    RecorderPage* recorder = nullptr;
    TDiagramm* chart = nullptr;
    AnalysisCommands* commands = nullptr;
    AnalysisWindow* analysis = nullptr;
};

} // namespace

// Only measured values are evaluated: before a read-out or a capture the
// window says so and copies nothing.
TEST_F(AnalysisWindowTest, MenuEntryOnlyWhereAChartCanBeEvaluated) {
    struct Row {
        QWidget* page;
        int loggerInput;
        bool offered;
        bool values;
    };
    const Row rows[] = {
        {window->TabSheet1, kLoggerInputAnalog, false, false},
        {window->TabSheet2, kLoggerInputAnalog, false, false},
        {window->TabSheet3, kLoggerInputAnalog, true, false},
        {window->TabSheet3, kLoggerInputDigital, false, false},
        {window->TabSheet6, kLoggerInputAnalog, true, true},
        {window->TabSheet8, kLoggerInputAnalog, true, false},
        {window->TabSheet4, kLoggerInputAnalog, false, false},
    };
    for (const Row& row : rows) {
        window->PageControl1->setCurrentWidget(row.page);
        window->Timer1->stop(); // "Direkt" would poll a board that is not there
        window->TabSheet3->ComboBox17->setCurrentIndex(row.loggerInput);
        SCOPED_TRACE(
            window->PageControl1->tabText(window->PageControl1->currentIndex()).toStdString() +
            (row.loggerInput == kLoggerInputDigital ? " digital" : ""));
        QApplication::processEvents();
        EXPECT_EQ(window->Auswertung1->isEnabled(), row.offered);
        EXPECT_EQ(analysis->message->isVisible(), !row.values);
        EXPECT_EQ(analysis->copyResult->isEnabled(), row.values);
        if (row.offered && !row.values) {
            EXPECT_EQ(analysis->message->text(), QStringLiteral("Noch keine Messwerte"));
        }
    }
}

// Every control has a name of its own and a key of its own; Home, End and
// the arrow keys move the active cursor wherever the focus is; choosing a
// fit leaves the window as wide as it was.
TEST_F(AnalysisWindowTest, TheWindowIsOperatedByKeysAndKeepsItsWidth) {
    QStringList names;
    QList<QChar> keys;
    for (QWidget* widget : analysis->findChildren<QWidget*>()) {
        if (widget->focusPolicy() == Qt::NoFocus || !widget->isVisible())
            continue;
        const QString name = QAccessible::queryAccessibleInterface(widget)->text(QAccessible::Name);
        EXPECT_FALSE(name.isEmpty()) << widget->metaObject()->className();
        EXPECT_FALSE(names.contains(name)) << name.toStdString();
        names << name;
    }
    for (QWidget* widget : analysis->findChildren<QWidget*>()) {
        const auto* button = qobject_cast<QAbstractButton*>(widget);
        const auto* label = qobject_cast<QLabel*>(widget);
        const QString text = button ? button->text() : label ? label->text() : QString();
        if (const qsizetype amp = text.indexOf(u'&'); amp >= 0 && amp + 1 < text.size()) {
            const QChar key = text[amp + 1].toLower();
            EXPECT_FALSE(keys.contains(key)) << text.toStdString();
            keys << key;
        }
    }

    const int width = analysis->width();
    QApplication::setActiveWindow(analysis);
    const int last = static_cast<int>(session().series().points.size()) - 1;
    // What a key changed is heard: the cursor's new read-out.
    QSignalSpy heard(&zentor::access::Announcer::of(*analysis),
                     &zentor::access::Announcer::announced);
    for (QWidget* focus : std::initializer_list<QWidget*>{analysis->fitChoice, analysis->cursorA,
                                                          analysis->copyResult}) {
        SCOPED_TRACE(focus->metaObject()->className());
        focus->setFocus();
        QTest::keyClick(focus, Qt::Key_End);
        EXPECT_EQ(session().cursor(Cursor::A), last);
        QTest::keyClick(focus, Qt::Key_Home);
        QTest::keyClick(focus, Qt::Key_Right);
        EXPECT_EQ(session().cursor(Cursor::A), 1);
        ASSERT_FALSE(heard.isEmpty());
        EXPECT_TRUE(heard.back().front().toString().contains(shown("t_A")))
            << heard.back().front().toString().toStdString();
    }
    EXPECT_EQ(analysis->fitChoice->currentIndex(), 0);
    for (int fit = 1; fit <= static_cast<int>(kFits.size()); ++fit) {
        emit analysis->fitChoice->activated(fit);
        QApplication::processEvents();
        EXPECT_EQ(analysis->width(), width) << fit;
    }
}

TEST_F(AnalysisWindowTest, ClickAndDragSetTheCursorsAndTheReadOutsFollow) {
    mouse(chart, QEvent::MouseButtonPress, pixelOf(0.5), Qt::LeftButton);
    mouse(chart, QEvent::MouseButtonRelease, pixelOf(0.5), Qt::NoButton);
    const Point a = at(Cursor::A);
    EXPECT_NEAR(a.t, 0.5, 0.04); // the sample nearest to the click
    EXPECT_EQ(shown("t_A"), displayNumber(a.t));
    EXPECT_EQ(shown("y_A"), displayNumber(a.y));

    // B stands on the last sample; take its line and drag it to 1,5 s.
    const double end = session().series().points.back().t;
    mouse(chart, QEvent::MouseButtonPress, pixelOf(end) + QPoint(2, 0), Qt::LeftButton);
    mouse(chart, QEvent::MouseMove, pixelOf(1.2), Qt::LeftButton);
    mouse(chart, QEvent::MouseMove, pixelOf(1.5), Qt::LeftButton);
    mouse(chart, QEvent::MouseButtonRelease, pixelOf(1.5), Qt::NoButton);
    const Point b = at(Cursor::B);
    EXPECT_NEAR(b.t, 1.5, 0.04);
    EXPECT_TRUE(analysis->cursorB->isChecked());
    EXPECT_EQ(shown("dt"), displayNumber(b.t - a.t));
    EXPECT_EQ(shown("dy"), displayNumber(b.y - a.y));
    EXPECT_EQ(shown("f"), displayNumber(1 / (b.t - a.t)));
    EXPECT_EQ(shown("stat_n"), QString::number(session().range().size()));

    const QImage image = chartImage();
    EXPECT_EQ(image.pixelColor(pixelOf(a.t).x(), chart->scale().top + 30), kCursorAColor);
    EXPECT_EQ(image.pixelColor(pixelOf(b.t).x(), chart->scale().top + 30), kCursorBColor);
}

TEST_F(AnalysisWindowTest, ArrowKeysMoveTheActiveCursorToTheNextSample) {
    mouse(chart, QEvent::MouseButtonPress, pixelOf(1.0), Qt::LeftButton);
    mouse(chart, QEvent::MouseButtonRelease, pixelOf(1.0), Qt::NoButton);
    const int a = *session().cursor(Cursor::A);
    const int last = *session().cursor(Cursor::B);
    struct Key {
        int key;
        Qt::KeyboardModifiers modifiers;
        int a, b;
    };
    const Key keys[] = {
        {Qt::Key_Right, Qt::NoModifier, a + 1, last},
        {Qt::Key_Left, Qt::ShiftModifier, a - 9, last},
        {Qt::Key_B, Qt::NoModifier, a - 9, last},
        {Qt::Key_Left, Qt::NoModifier, a - 9, last - 1},
    };
    for (const Key& k : keys) {
        QTest::keyClick(chart, static_cast<Qt::Key>(k.key), k.modifiers);
        EXPECT_EQ(session().cursor(Cursor::A), k.a);
        EXPECT_EQ(session().cursor(Cursor::B), k.b);
    }
    EXPECT_EQ(shown("t_B"), displayNumber(at(Cursor::B).t));
}

TEST_F(AnalysisWindowTest, SineFitIsDrawnOverTheTraceBetweenTheCursors) {
    mouse(chart, QEvent::MouseButtonPress, pixelOf(0.2), Qt::LeftButton);
    mouse(chart, QEvent::MouseButtonRelease, pixelOf(0.2), Qt::NoButton);
    emit analysis->fitChoice->activated(static_cast<int>(FitKind::Sine) + 1);

    // The board's input goes round once every 2 s.
    EXPECT_NEAR(germanNumber(shown("fit_T")), 2.0, 0.05);
    EXPECT_GT(germanNumber(shown("fit_r2")), 0.98);
    // The fit stands out from trace and background by 3:1 (on this chart
    // it is black); looked for inside the plot, below the cursors' names.
    const QColor color = fitColorOn(chart->Color(), chart->ColorLine());
    EXPECT_GE(contrastRatio(color, chart->Color()), 3);
    EXPECT_GE(contrastRatio(color, chart->ColorLine()), 3);
    const chart::ChartScale& s = chart->scale();
    const int tags = 2 * QFontMetrics(chart->font()).height() + 2;
    const Ink fit = inkOf(chartImage(), color, 8,
                          QRect(s.left + 1, s.top + tags, s.width - 1, s.height - tags));
    const int from = chart->ToPixelX(at(Cursor::A).t);
    const int to = chart->ToPixelX(at(Cursor::B).t);
    EXPECT_GT(fit.count, (to - from) / 2);
    EXPECT_GE(fit.left, from - 1);
    EXPECT_LE(fit.right, to + 1);
}

TEST_F(AnalysisWindowTest, ReferenceCurveOfTheSamePageIsDrawnBehindTheTrace) {
    RecorderMeasurement lower = *s_recording;
    for (RecorderSample& sample : lower.samples)
        sample.value /= 2;
    referencePath = files.filePath(QStringLiteral("gestern.zmess"));
    ASSERT_TRUE(writeFileAtomically(referencePath, measurementFileBytes({QDateTime(), lower})));
    analysis->loadReference->click();

    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(analysis->referenceName->text(), QStringLiteral("gestern.zmess"));
    const QColor color = referenceColorOn(chart->Color());
    EXPECT_GT(inkOf(chartImage(), color).count, 100);

    referencePath = files.filePath(QStringLiteral("oszi.zmess"));
    ASSERT_TRUE(writeFileAtomically(referencePath, measurementFileBytes({{}, ScopeMeasurement{}})));
    analysis->loadReference->click();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(boxes[0].text.startsWith(QStringLiteral(
        "Die Messung in \"oszi.zmess\" stammt von der Seite \"Oszilloskop\", deren Zeitachse")));
    EXPECT_EQ(analysis->referenceName->text(), QStringLiteral("gestern.zmess"));

    // A logger run of the same experiment has its time in seconds, too.
    LoggerMeasurement logger;
    logger.values.fill(100);
    referencePath = files.filePath(QStringLiteral("logger.zmess"));
    ASSERT_TRUE(writeFileAtomically(referencePath, measurementFileBytes({{}, logger})));
    analysis->loadReference->click();
    EXPECT_EQ(boxes.size(), 1u);
    EXPECT_EQ(analysis->referenceName->text(), QStringLiteral("logger.zmess"));
}

// The legend goes into the first corner that no drawn line passes through.
TEST(ChartMarkup, TheLegendCoversNoData) {
    const QRect plot(0, 0, 200, 100);
    const QSize size(60, 30);
    const QPolygonF alongTheBottom({{0, 95}, {200, 95}});
    const QPolygonF falling({{100, 0}, {200, 100}});
    const QPolygonF rising({{100, 100}, {200, 0}});
    const QPolygonF everywhere({{0, 0}, {200, 100}, {0, 100}, {200, 0}});
    struct Case {
        const char* what;
        std::vector<QPolygonF> lines;
        QPoint corner;
    };
    const Case cases[] = {
        {"no data", {}, {137, 67}},
        {"a trace along the bottom", {alongTheBottom}, {137, 13}},
        {"a cross over the right half", {falling, rising}, {3, 67}},
        {"data in every corner: the fewest covered", {everywhere}, {137, 67}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(legendBox(plot, size, c.lines, 10).topLeft(), c.corner) << c.what;
}

TEST(ChartMarkup, TheReferenceCurveStandsOutOnEveryChartBackground) {
    for (const QColor background : {QColor(1, 101, 118), QColor(100, 154, 221), QColor(0, 128, 128),
                                    QColor(Qt::black), QColor(Qt::white)})
        EXPECT_GE(contrastRatio(referenceColorOn(background), background), 3)
            << background.name().toStdString();
}

TEST_F(AnalysisWindowTest, CopyPutsTheReadOutsOnTheClipboard) {
    mouse(chart, QEvent::MouseButtonPress, pixelOf(0.3), Qt::LeftButton);
    mouse(chart, QEvent::MouseButtonRelease, pixelOf(0.3), Qt::NoButton);
    QSignalSpy heard(&zentor::access::Announcer::of(*analysis),
                     &zentor::access::Announcer::announced);
    analysis->copyResult->click();
    EXPECT_EQ(heard.size(), 1); // the note, not the cursor the mouse set
    const QString text = QGuiApplication::clipboard()->text();
    EXPECT_EQ(text, session().copyText(QStringLiteral("Zeitschreiber")));
    EXPECT_TRUE(text.contains(QStringLiteral("\r\nΔt\t%1\ts\r\n").arg(shown("dt"))));
    EXPECT_TRUE(text.contains(QStringLiteral("\r\nPeriodisches Signal zwischen A und B\r\n")));
    EXPECT_TRUE(shown("dt").contains(u',')); // the user's decimal separator
}

TEST_F(AnalysisWindowTest, ResultsFollowANewRecording) {
    sim::SimulatedBoard board;
    ASSERT_TRUE(board.start()) << board.lastError();
    ASSERT_TRUE(testing_support::onLink(
        [&] { return comphard::OpenDevice(board.devicePath(), kLineMode); }));
    testing_support::onLink([] { comphard::SetTimeout(2000); }); // a late answer is not silence
    ASSERT_TRUE(record(*recorder, *window->yttimer, kOneSecond));
    const int count = recorder->sampleCount();
    ASSERT_GT(count, 10);
    EXPECT_TRUE(runUntil([&] { return shown("stat_n") == QString::number(count); }, 30'000))
        << shown("stat_n").toStdString() << " instead of " << count;
    EXPECT_EQ(shown("t_B"), displayNumber(recorder->samples()[count - 1].time / 1000.0));
    board.stop();
}

TEST_F(AnalysisWindowTest, ResultsFollowANewCapture) {
    // The window follows the page in front; a capture replaces the burst.
    window->PageControl1->setCurrentWidget(window->TabSheet8);
    const QString maximumBefore = shown("stat_max");
    sim::SimulatedBoard board;
    ASSERT_TRUE(board.start()) << board.lastError();
    ASSERT_TRUE(testing_support::onLink(
        [&] { return comphard::OpenDevice(board.devicePath(), kLineMode); }));
    testing_support::onLink([] { comphard::SetTimeout(2000); }); // a late answer is not silence
    window->TabSheet8->Button14Click(window->TabSheet8->Button14);
    EXPECT_TRUE(runUntil([&] { return shown("stat_max") != maximumBefore; }, 30'000))
        << shown("stat_max").toStdString();
    EXPECT_EQ(shown("stat_n"), QStringLiteral("101"));
    board.stop();
}

TEST_F(AnalysisWindowTest, ClosingTheWindowLeavesTheChartAsItWas) {
    analysis->close();
    QApplication::processEvents();
    const QImage without = chartImage();

    window->Auswertung1->trigger();
    emit analysis->fitChoice->activated(static_cast<int>(FitKind::Line) + 1);
    QApplication::processEvents();
    EXPECT_NE(chartImage(), without);

    analysis->close();
    QApplication::processEvents();
    EXPECT_EQ(chartImage(), without);
    mouse(chart, QEvent::MouseButtonPress, pixelOf(0.5), Qt::LeftButton);
    EXPECT_EQ(session().cursor(Cursor::A), 0); // clicks reach the chart as before
}
