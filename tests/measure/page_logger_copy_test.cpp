// "&Kopieren" in the whole window: the clipboard text of each page with
// known data, byte for byte (CR LF between lines, none after the last), and
// an untouched clipboard on the pages without a text of their own.
#include "comphard.h"
#include "dialogs.h"
#include "direct_page.h"
#include "link_wait.h"
#include "locale_scope.h"
#include "logger_page.h"
#include "program_page.h"
#include "recorder_page.h"
#include "scope_page.h"
#include "tform1.h"

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>

namespace {

class CopyAsText : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(configHome.isValid());
        qputenv("XDG_CONFIG_HOME", configHome.path().toLocal8Bit());
        previousHandler =
            dialogs::setHandler([](QWidget*, const dialogs::Request&) { return QMessageBox::Ok; });
        window = std::make_unique<TForm1>();
        window->show();
        clipboard()->setText(kBefore);
    }

    void TearDown() override {
        window->Timer1->stop();
        window.reset();
        testing_support::onLink(comphard::ClosePort);
        dialogs::setHandler(previousHandler);
    }

    static QClipboard* clipboard() { return QGuiApplication::clipboard(); }

    // Shows the page and copies it; the clipboard text afterwards.
    QString copyFrom(QWidget* page) {
        window->PageControl1->setCurrentWidget(page);
        window->KopiernalsText1->trigger();
        return clipboard()->text();
    }

    const QString kBefore = QStringLiteral("vorher");
    zentor::test::LocaleScope locale{zentor::test::german()};
    QTemporaryDir configHome;
    dialogs::Handler previousHandler;
    std::unique_ptr<TForm1> window;
};

// Lines of a copied text; every line break must be CR LF.
QStringList linesOf(const QString& text) {
    EXPECT_EQ(text.count(QLatin1Char('\n')), text.count(QStringLiteral("\r\n")));
    EXPECT_EQ(text.count(QLatin1Char('\r')), text.count(QStringLiteral("\r\n")));
    EXPECT_FALSE(text.endsWith(QLatin1Char('\n')));
    return text.split(QStringLiteral("\r\n"));
}

TEST_F(CopyAsText, PagesWithoutDataLeaveTheClipboardAlone) {
    EXPECT_EQ(copyFrom(window->TabSheet2), kBefore); // "Direkt"
    EXPECT_EQ(copyFrom(window->TabSheet1), kBefore); // the picture page
}

TEST_F(CopyAsText, LoggerPageAtTheIntervalOfTheSelectedDuration) {
    LoggerPage& logger = *window->TabSheet3;
    zentor::LoggerValues& values = logger.loggerValues();
    for (int k = 0; k < zentor::kLoggerValueCount; ++k)
        values[static_cast<std::size_t>(k)] = k + 10;
    values[2] = -1;                        // a failed read is copied as it was stored
    logger.ComboBox16->setCurrentIndex(0); // "7,5 Sekunden"

    const QString text = copyFrom(&logger);
    EXPECT_TRUE(text.startsWith(QStringLiteral(
        "0,00\t10,00\r\n0,06\t11,00\r\n0,13\t-1,00\r\n0,19\t13,00\r\n0,25\t14,00\r\n")));
    EXPECT_TRUE(text.endsWith(QStringLiteral("\r\n7,44\t129,00\r\n7,50\t130,00")));
    const QStringList lines = linesOf(text);
    ASSERT_EQ(lines.size(), 121);
    EXPECT_EQ(lines[60], QStringLiteral("3,75\t70,00"));

    logger.ComboBox16->setCurrentIndex(5); // "  2 Minuten": one second per interval
    const QStringList minutes = linesOf(copyFrom(&logger));
    ASSERT_EQ(minutes.size(), 121);
    EXPECT_EQ(minutes[1], QStringLiteral("1,00\t11,00"));
    EXPECT_EQ(minutes[120], QStringLiteral("120,00\t130,00"));
}

TEST_F(CopyAsText, RecorderPageInVoltsAndRaw) {
    RecorderPage& recorder = *window->TabSheet6;
    quint32 now = 5000;
    recorder.setRecorderClock([&now] { return now; });
    recorder.timeyt->setCurrentIndex(3); // " 10 Sekunden"
    recorder.ytstartClick();             // no board: the recording starts anyway
    testing_support::waitForLink();
    window->yttimer->stop(); // the test takes the ticks itself
    recorder.CheckBox2->setChecked(true);
    for (auto [time, reading] : {std::pair{5000u, 0}, {5020u, 255}, {6005u, 128}}) {
        now = time;
        recorder.recordReading(reading);
    }
    ASSERT_EQ(recorder.sampleCount(), 3);

    EXPECT_EQ(copyFrom(&recorder), QStringLiteral("0,00\t0,00\r\n0,02\t5,00\r\n1,01\t2,51"));
    recorder.CheckBox2->setChecked(false);
    EXPECT_EQ(copyFrom(&recorder), QStringLiteral("0,00\t0,00\r\n0,02\t255,00\r\n1,01\t128,00"));
    recorder.setRecorderClock({});
}

TEST_F(CopyAsText, OscilloscopePageInVoltsAtTheTimeBase) {
    ScopePage& scope = *window->TabSheet8;
    scope.ScopeValues.fill(0);
    scope.ScopeValues[0] = 255;
    scope.ScopeValues[1] = 51;
    scope.ScopeValues[99] = 128;
    scope.ScopeValues[100] = 200; // the 101st sample is not copied
    scope.ScopeTimeBase = 1;

    QString text = copyFrom(&scope);
    EXPECT_TRUE(text.startsWith(QStringLiteral("0,00\t5,00\r\n1,00\t1,00\r\n2,00\t0,00\r\n")));
    EXPECT_TRUE(text.endsWith(QStringLiteral("\r\n98,00\t0,00\r\n99,00\t2,51")));
    EXPECT_EQ(linesOf(text).size(), 100);

    scope.ScopeTimeBase = 20;
    text = copyFrom(&scope);
    EXPECT_TRUE(text.startsWith(QStringLiteral("0,00\t5,00\r\n20,00\t1,00\r\n")));
    EXPECT_TRUE(text.endsWith(QStringLiteral("\r\n1980,00\t2,51")));
}

TEST_F(CopyAsText, ProgramPageCopiesTheListingWithItsTabs) {
    ProgramPage& program = *window->TabSheet4;
    program.setListingLines({QStringLiteral("L1: Anfang"), QStringLiteral("\tA = Uin"),
                             QStringLiteral("\tRem Spannung lesen"), QStringLiteral("\tGoto L1")});

    EXPECT_EQ(copyFrom(&program),
              QStringLiteral("L1: Anfang\r\n\tA = Uin\r\n\tRem Spannung lesen\r\n\tGoto L1"));
}

} // namespace
