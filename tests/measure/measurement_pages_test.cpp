// The measurement pages and their files, pictures and hover values: each
// page's measurement through a file onto a fresh page, the chart pictures at
// one and two times the screen's resolution, and the status text under the
// pointer.
#include "amm.h"
#include "diagram.h"
#include "diagramm.h"
#include "link_wait.h"
#include "locale_scope.h"
#include "logger_page.h"
#include "measurement_lookup.h"
#include "measurement_pages.h"
#include "program_file.h"
#include "recorder_page.h"
#include "scope_page.h"
#include "shell.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QMouseEvent>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>

using namespace zentor;

namespace {

class TestShell : public Shell {
public:
    void setStatusText(const QString& text) override {
        ++calls;
        status = text;
    }
    QString statusText() const override {
        ++calls;
        return status;
    }
    void setApplicationTitle(const QString&) override {}
    QString applicationTitle() const override { return {}; }
    void setWindowCaption(const QString&) override {}
    int maxTimeout() const override { return 300; }
    QString status;
    mutable int calls = 0;
};

const QDateTime kTakenAt(QDate(2024, 3, 1), QTime(9, 15, 0));

class MeasurementPages : public ::testing::Test {
protected:
    // The measurement through a file on disk, as "Messung öffnen" reads it.
    Measurement throughFile(const Measurement& m) {
        const QString path = dir.filePath(QStringLiteral("messung.zmess"));
        EXPECT_TRUE(writeFileAtomically(path, measurementFileBytes(m)));
        const MeasurementReadResult read = readMeasurementFile(readFileBytes(path).value());
        EXPECT_TRUE(read.ok) << read.error.toStdString();
        return read.measurement;
    }

    // A recording of three samples on "   1 Sekunde", taken through the
    // page's own path; the duration box is changed afterwards.
    void record(RecorderPage& page) {
        quint32 now = 7000;
        page.setRecorderClock([&now] { return now; });
        page.timeyt->setCurrentIndex(0);
        page.ytstartClick(); // no board: the recording starts anyway
        testing_support::waitForLink();
        timer.stop(); // the test takes the ticks itself
        for (auto [time, reading] : {std::pair{7000u, 10}, {7020u, 255}, {7440u, 128}}) {
            now = time;
            page.recordReading(reading);
        }
        page.ytstartClick(); // stop
        page.setRecorderClock({});
        page.timeyt->setCurrentIndex(5);
    }

    static void moveTo(QWidget* widget, QPoint at) {
        QMouseEvent move(QEvent::MouseMove, at, widget->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        QApplication::sendEvent(widget, &move);
    }

    test::LocaleScope locale{test::german()};
    QTemporaryDir dir;
    TestShell shell;
    QTimer timer;
    QTimer recorderTimer;
};

TEST_F(MeasurementPages, RecorderMeasurementOpensOnAFreshPageAsRecorded) {
    RecorderPage before(shell, timer);
    RecorderBuffer windowBuffer;
    before.setRecorderBuffer(&windowBuffer);
    record(before);
    before.CheckBox2->setChecked(false);
    ASSERT_EQ(before.sampleCount(), 3);

    const Measurement stored = throughFile(before.measurement());
    RecorderPage after(shell, timer);
    RecorderBuffer otherBuffer;
    after.setRecorderBuffer(&otherBuffer);
    ASSERT_TRUE(after.showMeasurement(stored));

    EXPECT_EQ(after.sampleCount(), 3);
    EXPECT_EQ(after.copyLines(), before.copyLines());
    EXPECT_EQ(after.copyLines().last(), QStringLiteral("0,44\t128,00"));
    EXPECT_EQ(after.timeyt->currentIndex(), 0); // the recording's duration, not the box's
    EXPECT_EQ(after.ytdiagram->Xmax(), 1);
    EXPECT_FALSE(after.CheckBox2->isChecked());
    EXPECT_EQ(after.ytdiagram->Ymax(), 256); // the raw axis
    EXPECT_EQ(after.measuredAt(), before.measuredAt());
    EXPECT_TRUE(after.measuredAt().isValid());
    EXPECT_EQ(otherBuffer[2], (RecorderSample{128, 440}));
}

TEST_F(MeasurementPages, RecorderRefusesAMeasurementWhileItRecords) {
    RecorderPage page(shell, timer);
    RecorderMeasurement m;
    m.samples = {{1, 0}, {2, 20}};
    page.ytstartClick();
    testing_support::waitForLink();
    timer.stop();
    EXPECT_FALSE(page.showMeasurement({kTakenAt, m}));
    EXPECT_EQ(page.sampleCount(), 0);
    page.ytstartClick();
    EXPECT_TRUE(page.showMeasurement({kTakenAt, m}));
    EXPECT_EQ(page.sampleCount(), 2);
    EXPECT_FALSE(page.showMeasurement({kTakenAt, ScopeMeasurement{}})); // another page's kind
    EXPECT_EQ(page.sampleCount(), 2);
}

TEST_F(MeasurementPages, LoggerMeasurementOpensWithItsDurationAndInput) {
    LoggerPage before(shell, timer, recorderTimer);
    for (std::size_t i = 0; i < before.loggerValues().size(); ++i)
        before.loggerValues()[i] = static_cast<qint32>(i % 64);
    before.loggerValues()[7] = -1;
    before.ComboBox16->setCurrentIndex(5); // "  2 Minuten"
    before.ComboBox17->setCurrentIndex(kLoggerInputDigital);
    before.setMeasuredAt(kTakenAt);

    const Measurement stored = throughFile(before.measurement());
    LoggerPage after(shell, timer, recorderTimer);
    after.showMeasurement(stored);

    EXPECT_EQ(after.copyLines(), before.copyLines());
    EXPECT_EQ(after.loggerValues(), before.loggerValues());
    EXPECT_EQ(after.ComboBox16->currentIndex(), 5);
    EXPECT_EQ(after.ComboBox17->currentIndex(), kLoggerInputDigital);
    EXPECT_EQ(after.Label14->text(), before.Label14->text());
    EXPECT_EQ(after.Diagram1->Xmax(), before.Diagram1->Xmax());
    EXPECT_EQ(after.Diagram1->DiaMode(), md05);
    EXPECT_EQ(after.measuredAt(), kTakenAt);
}

TEST_F(MeasurementPages, ScopeMeasurementOpensAtItsTimeBaseAndStopsTheRepetition) {
    ScopePage before(shell, timer);
    before.RadioButton4->click(); // "100": 10 ms per sample
    before.CheckBox4->setChecked(false);
    for (std::size_t i = 0; i < before.ScopeValues.size(); ++i)
        before.ScopeValues[i] = static_cast<qint32>((i * 37) % 256);
    before.setMeasuredAt(kTakenAt);

    const Measurement stored = throughFile(before.measurement());
    ScopePage after(shell, timer);
    after.CheckBox3->setChecked(true);
    after.showMeasurement(stored);

    EXPECT_EQ(after.ScopeValues, before.ScopeValues);
    EXPECT_EQ(after.copyLines(), before.copyLines());
    EXPECT_EQ(after.ScopeTimeBase, 10);
    EXPECT_TRUE(after.RadioButton4->isChecked());
    EXPECT_EQ(after.OSZI->Xmax(), 1000);
    EXPECT_FALSE(after.CheckBox4->isChecked());
    EXPECT_EQ(after.OSZI->Ymax(), 256);
    EXPECT_FALSE(after.CheckBox3->isChecked());
    EXPECT_EQ(after.measuredAt(), kTakenAt);
}

// 2 × 2 pixel blocks that are not of one colour: an enlarged picture has none.
int mixedBlocks(const QImage& image) {
    int mixed = 0;
    for (int y = 0; y + 1 < image.height(); y += 2) {
        for (int x = 0; x + 1 < image.width(); x += 2) {
            const QRgb c = image.pixel(x, y);
            if (image.pixel(x + 1, y) != c || image.pixel(x, y + 1) != c ||
                image.pixel(x + 1, y + 1) != c)
                ++mixed;
        }
    }
    return mixed;
}

QImage argb(const QImage& image) {
    return image.convertToFormat(QImage::Format_ARGB32);
}

TEST_F(MeasurementPages, ChartPictureAtScreenAndDoubleResolution) {
    ScopePage page(shell, timer);
    page.resize(769, 475);
    page.show();
    page.ScopeValues.fill(255); // 5 V: the trace along the top of the plot
    page.OSZI->Repaint();
    const QColor teal(0, 128, 128);
    const int x = page.OSZI->ToPixelX(55); // between two grid lines
    const int y = page.OSZI->ToPixelY(5);

    const QImage single = page.chartPicture(1);
    ASSERT_EQ(single.size(), page.OSZI->size());
    EXPECT_EQ(argb(single), argb(page.OSZI->grab().toImage())); // as it is on the screen
    EXPECT_EQ(single.pixelColor(3, 3), teal);
    EXPECT_EQ(single.pixelColor(x, y), QColor(Qt::white));
    EXPECT_EQ(single.pixelColor(x, y + 5), teal);

    const QImage twice = page.chartPicture(2);
    ASSERT_EQ(twice.size(), page.OSZI->size() * 2);
    EXPECT_EQ(twice.pixelColor(6, 6), teal);
    EXPECT_TRUE(twice.pixelColor(2 * x, 2 * y) == Qt::white ||
                twice.pixelColor(2 * x, 2 * y + 1) == Qt::white);
    EXPECT_EQ(twice.pixelColor(2 * x, 2 * y + 10), teal);
    EXPECT_GT(mixedBlocks(twice), 100) << "drawn at twice the resolution, not enlarged";
    EXPECT_NEAR(twice.dotsPerMeterX(), 2 * single.dotsPerMeterX(), 1); // prints at the same size

    const QImage decoded = QImage::fromData(pngBytes(twice), "PNG");
    EXPECT_EQ(decoded.size(), twice.size());
    EXPECT_EQ(decoded.pixelColor(2 * x, 2 * y + 10), teal);
}

TEST_F(MeasurementPages, LoggerAndRecorderPicturesShowWhatTheirChartsShow) {
    LoggerPage logger(shell, timer, recorderTimer);
    logger.loggerValues().fill(128);
    RecorderPage recorder(shell, timer);
    record(recorder);
    TAnal meter;
    meter.setValue(100);
    for (QWidget* w : {static_cast<QWidget*>(&logger), static_cast<QWidget*>(&recorder),
                       static_cast<QWidget*>(&meter)}) {
        w->resize(769, 475);
        w->show();
    }
    recorder.timeyt->setCurrentIndex(0);
    EXPECT_EQ(argb(logger.chartPicture(1)), argb(logger.Diagram1->grab().toImage()));
    EXPECT_EQ(argb(recorder.chartPicture(1)), argb(recorder.ytdiagram->grab().toImage()));
    EXPECT_EQ(argb(widgetPicture(meter, 1)), argb(meter.grab().toImage()));
    EXPECT_EQ(widgetPicture(meter, 2).size(), meter.size() * 2);
}

TEST_F(MeasurementPages, PointerOverTheScopeShowsTheNearestSample) {
    ScopePage page(shell, timer);
    page.resize(769, 475);
    page.show();
    for (std::size_t i = 0; i < page.ScopeValues.size(); ++i)
        page.ScopeValues[i] = static_cast<qint32>(i);
    page.OSZI->Repaint();
    shell.status = QStringLiteral("Ok");
    const int middle = page.OSZI->ToPixelY(2.5);
    // Sample 12 at 12 ms; a pixel to its right is still nearer to it than to 13.
    moveTo(page.OSZI, {page.OSZI->ToPixelX(12) + 1, middle});
    EXPECT_EQ(shell.status, scopeHoverText(12, 12, 100, true));
    EXPECT_EQ(shell.status, QStringLiteral("Zeit: 12,00 ms   Wert: 0,24 V"));

    moveTo(page.OSZI, {2, 2}); // off the plot: the text before comes back
    EXPECT_EQ(shell.status, QStringLiteral("Ok"));

    moveTo(page.OSZI, {page.OSZI->ToPixelX(100), middle});
    EXPECT_EQ(shell.status, scopeHoverText(100, 100, 100, true));
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(page.OSZI, &leave);
    EXPECT_EQ(shell.status, QStringLiteral("Ok"));

    // A text written meanwhile (an exchange's outcome) stays when the pointer leaves.
    moveTo(page.OSZI, {page.OSZI->ToPixelX(40), middle});
    shell.status = QStringLiteral("Fehler!");
    QApplication::sendEvent(page.OSZI, &leave);
    EXPECT_EQ(shell.status, QStringLiteral("Fehler!"));
}

TEST_F(MeasurementPages, AWindowGoingAwayUnderThePointerLeavesTheShellAlone) {
    auto page = std::make_unique<ScopePage>(shell, timer);
    page->resize(769, 475);
    page->show();
    page->OSZI->Repaint();
    moveTo(page->OSZI, {page->OSZI->ToPixelX(50), page->OSZI->ToPixelY(2.5)});
    ASSERT_TRUE(shell.status.startsWith(QStringLiteral("Zeit: 50,00 ms")));
    // The main window destroys its pages after its own part is gone: the
    // hover must not reach the shell from the events of that teardown.
    const int before = shell.calls;
    page.reset();
    EXPECT_EQ(shell.calls, before);
}

TEST_F(MeasurementPages, PointerOverTheOtherChartsShowsTheirSamples) {
    RecorderPage recorder(shell, timer);
    record(recorder);
    LoggerPage logger(shell, timer, recorderTimer);
    logger.loggerValues()[60] = 255;
    logger.ComboBox16Change(); // as the window does when it is shown
    for (QWidget* w : {static_cast<QWidget*>(&logger), static_cast<QWidget*>(&recorder)}) {
        w->resize(769, 475);
        w->show();
    }
    recorder.timeyt->setCurrentIndex(0);
    recorder.ytdiagram->Repaint();
    logger.Diagram1->Repaint();

    moveTo(recorder.ytdiagram,
           {recorder.ytdiagram->ToPixelX(0.03), recorder.ytdiagram->ToPixelY(1)});
    EXPECT_EQ(shell.status, QStringLiteral("Zeit: 0,02 s   Wert: 5,00 V"));
    moveTo(logger.Diagram1, {logger.Diagram1->ToPixelX(3.75), logger.Diagram1->ToPixelY(1)});
    EXPECT_EQ(shell.status, QStringLiteral("Zeit: 3,75 s   Wert: 5,00 V (255)"));
}

} // namespace
