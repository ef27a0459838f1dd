#include "comphard.h"
#include "configuration.h"
#include "connection.h"
#include "dialogs.h"
#include "direct_page.h"
#include "handbook.h"
#include "link.h"
#include "link_wait.h"
#include "logger_page.h"
#include "port_menu.h"
#include "program_page.h"
#include "pty_peer.h"
#include "recorder_page.h"
#include "scope_page.h"
#include "simulated_board.h"
#include "tform1.h"

#include "weblabel.h"
#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QStatusBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>
#include <QTextFragment>
#include <QTimer>
#include <QUrl>

#include <algorithm>
#include <atomic>
#include <functional>
#include <limits>
#include <memory>
#include <mutex>

#include <gtest/gtest.h>

using testing_support::PtyPeer;
using testing_support::ReceivedByte;
using Bytes = std::vector<std::uint8_t>;

namespace {

// A board in command mode: resync and presence frames answered.
PtyPeer::Script boardScript() {
    return [](const std::vector<ReceivedByte>& in) -> Bytes {
        std::size_t i = 0;
        while (i + 1 < in.size()) {
            if (in[i].value != 27) {
                ++i;
                continue;
            }
            if (i + 2 == in.size()) {
                const std::uint8_t c = in[i + 1].value;
                if (c == 1)
                    return {32, 223};
                return {c, static_cast<std::uint8_t>(255 - c)};
            }
            i += 2;
        }
        return {};
    };
}

// Counts the events of one type that reach the object it filters.
class EventCounter : public QObject {
public:
    EventCounter(QEvent::Type type, int& count) : m_type(type), m_count(count) {}
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == m_type)
            ++m_count;
        return false;
    }

private:
    QEvent::Type m_type;
    int& m_count;
};

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(configHome.isValid());
        qputenv("XDG_CONFIG_HOME", configHome.path().toLocal8Bit());
        previousHandler = dialogs::setHandler([this](QWidget*, const dialogs::Request& r) {
            boxes.push_back(r);
            return QMessageBox::Ok;
        });
        previousKeys = TForm1::setCtrlKeyState([this] { return ctrlHeld; });
    }
    void TearDown() override {
        window.reset();
        testing_support::onLink(comphard::ClosePort);
        dialogs::setHandler(previousHandler);
        TForm1::setCtrlKeyState(previousKeys);
    }

    QString iniPath() const { return configHome.filePath(QStringLiteral("zentor/zentor.ini")); }

    void writeIni(const QByteArray& text) {
        QDir().mkpath(configHome.filePath(QStringLiteral("zentor")));
        QFile f(iniPath());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
    }

    QByteArray ini() const {
        QFile f(iniPath());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    // Maps a port to the peer's pty and selects it.
    QByteArray portsSection(int n) const {
        return "[Ports]\nCOM" + QByteArray::number(n) + "=" + QByteArray::fromStdString(peer.path()) +
               "\n";
    }

    TForm1& start(TForm1::StartOptions options = TForm1::StartOptions{}) {
        window = std::make_unique<TForm1>(options);
        window->show();
        testing_support::waitForLink();
        return *window;
    }

    QTemporaryDir configHome;
    PtyPeer peer;
    std::vector<dialogs::Request> boxes;
    bool ctrlHeld = false;
    dialogs::Handler previousHandler;
    TForm1::KeyState previousKeys;
    std::unique_ptr<TForm1> window;
};

TEST_F(WindowTest, HasTheFrameOfTheMainWindow) {
    TForm1& w = start();
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Zentor"));
    EXPECT_EQ(w.PageControl1->size(), QSize(769, 515 - 19));
    EXPECT_EQ(w.StatusBar1->height(), 19);
    const QStringList captions{"Zentor", "Direkt", "Extern Messen", "Zeitschreiber", "Oszilloskop",
                               "Programm"};
    ASSERT_EQ(w.PageControl1->count(), captions.size());
    for (int i = 0; i < captions.size(); ++i)
        EXPECT_EQ(w.PageControl1->tabText(i), captions[i]);
    EXPECT_EQ(w.PageControl1->currentIndex(), 0);
    for (QTimer* t : {w.Timer1, w.Timer2, w.yttimer, w.TimerOszi})
        EXPECT_FALSE(t->isActive()) << t->objectName().toStdString();
    EXPECT_EQ(w.Timer2->interval(), 500);
    EXPECT_EQ(w.TimerOszi->interval(), 1000);
    EXPECT_EQ(w.TabSheet6->timeyt->currentText(), QStringLiteral(" 10 Sekunden"));
    EXPECT_EQ(w.TabSheet6->ytchannel->currentIndex(), 0);

    QStringList menu;
    for (QAction* a : w.Ports->Anschluss1->actions())
        menu << (a->isSeparator() ? QStringLiteral("-") : a->text());
    // Each port names the device behind it (this machine has no adapters
    // plugged in: each path alone).
    QStringList expected;
    for (int n = 1; n <= 6; ++n)
        expected << QStringLiteral("COM &%1").arg(n);
    expected << QStringList{
        "-", "Platine s&uchen", "Platine suchen, auch an &eingebauten Anschlüssen",
        "-", "&Simulator",      "Simulator-&Tafel ..."};
    for (QString& entry : menu)
        entry = entry.section(QRegularExpression(QStringLiteral("[:–] ")), 0, 0).trimmed();
    EXPECT_EQ(menu, expected);
    // One radio mark among the ports and the simulator, none after a failure.
    const QActionGroup* ports = w.Ports->Simulator1->actionGroup();
    ASSERT_NE(ports, nullptr);
    EXPECT_EQ(ports->exclusionPolicy(), QActionGroup::ExclusionPolicy::ExclusiveOptional);
    EXPECT_EQ(ports->actions(), w.Ports->comEntries() + QList<QAction*>{w.Ports->Simulator1});
    EXPECT_FALSE(w.Ports->SimulatorPanel1->isEnabled());
    QStringList file;
    for (QAction* a : w.Beenden1->actions())
        file << (a->isSeparator() ? QStringLiteral("-") : a->text());
    EXPECT_EQ(file, (QStringList{"&Neu", "-", "&Öffnen ...", "Be&ispiel öffnen", "&Speichern ...",
                                 "-", "Messung ö&ffnen ...", "&Messung speichern ...",
                                 "Messwerte &exportieren ...", "&Diagramm als Bild speichern ...",
                                 "Messprotokoll dr&ucken ...", "Als &PDF speichern ...", "-",
                                 "&Beenden"}));
    // The picture at its natural size; the link label at the bottom left.
    EXPECT_EQ(w.Image1->pixmap().size(), QSize(769, 471));
    EXPECT_EQ(w.WebLabel1->size(), QSize(103, 12));
    EXPECT_LT(w.WebLabel1->x(), 10);
    EXPECT_GT(w.WebLabel1->y() + w.WebLabel1->height(), w.TabSheet1->height() - 10);
    EXPECT_TRUE(w.WebLabel1->Hover());
    EXPECT_EQ(w.Ports->COM11->toolTip(), QStringLiteral("/dev/ttyUSB0"));
    EXPECT_EQ(w.Ports->COM51->toolTip(), QStringLiteral("/dev/ttyS0"));
}

// Runs the event loop until `done`, for a few seconds at most (or the limit
// given).
void processEventsUntil(const std::function<bool()>& done, int limitMs = 5000) {
    const QDeadlineTimer deadline(limitMs);
    while (!done() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

TEST_F(WindowTest, AltAndALetterPressThePagesControlBeforeTheMenu) {
    peer.setScript(boardScript());
    writeIni("[Time]\nMAXTimeout=40\n[ZENTOR1]\nCOM=3\n" + portsSection(3));
    TForm1& w = start();
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    const struct {
        QWidget* page;
        Bytes sent;
    } pages[] = {
        {w.TabSheet4, {27}},     // "&Break": the lone break byte
        {w.TabSheet2, {27, 45}}, // "&Beep": the beep frame
    };
    for (const auto& [page, sent] : pages) {
        w.PageControl1->setCurrentWidget(page);
        w.Timer1->stop(); // no polls between the bytes
        peer.clearReceived();
        QTest::keyClick(&w, Qt::Key_B, Qt::AltModifier);
        processEventsUntil([&] { return peer.receivedValues().size() >= sent.size(); });
        testing_support::waitForLink();
        EXPECT_EQ(peer.receivedValues(), sent) << page->objectName().toStdString();
        EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
    }

    // F10 opens the menu bar whatever the page holds.
    QTest::keyClick(&w, Qt::Key_F10);
    EXPECT_EQ(QApplication::activePopupWidget(), w.Beenden1);
    QTest::keyClick(w.Beenden1, Qt::Key_Escape);
    // A page without such a control leaves the letter to the menu.
    w.PageControl1->setCurrentWidget(w.TabSheet1);
    QTest::keyClick(&w, Qt::Key_B, Qt::AltModifier);
    EXPECT_EQ(QApplication::activePopupWidget(), w.Bearbeiten1);
    QTest::keyClick(w.Bearbeiten1, Qt::Key_Escape);
    // Inside "&Datei" the B belongs to "&Beenden" alone.
    QTest::keyClick(&w, Qt::Key_D, Qt::AltModifier);
    ASSERT_EQ(QApplication::activePopupWidget(), w.Beenden1);
    QTest::keyClick(w.Beenden1, Qt::Key_B);
    EXPECT_FALSE(w.isVisible());
}

TEST_F(WindowTest, FirstStartAsksForAPortAndWritesNothing) {
    TForm1& w = start();
    EXPECT_EQ(w.statusText(), QStringLiteral("Anschluss nicht gewählt."));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].kind, dialogs::Kind::Information);
    EXPECT_EQ(boxes[0].caption, QStringLiteral("ZENTOR"));
    EXPECT_EQ(boxes[0].text,
              QStringLiteral("Erster Programmstart:\rZunächst einen Anschluß wählen (Menü/Anschluß)"));
    EXPECT_EQ(w.Ports->checkedPortEntry(), nullptr);
    EXPECT_FALSE(QFile::exists(iniPath()));
    EXPECT_FALSE(QDir(configHome.filePath(QStringLiteral("zentor"))).exists());
    EXPECT_FALSE(comphard::PortIsOpen());
}

TEST_F(WindowTest, AConfiguredPortThatCannotBeOpenedSaysWhyAtStart) {
    writeIni("[ZENTOR1]\nCOM=1\n[Ports]\nCOM1=/dev/null\n");
    start();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, QStringLiteral("Erster Programmstart:\rZunächst einen Anschluß wählen "
                                            "(Menü/Anschluß)\r\"/dev/null\" ist keine serielle "
                                            "Schnittstelle."));
}

// The connection lives on after the window and must not ask it any more.
TEST_F(WindowTest, TheConnectionFindsTheConfiguredDeviceOnlyWhileTheWindowLives) {
    writeIni("[ZENTOR1]\nCOM=2\n[Ports]\nCOM2=/dev/null\n");
    start();
    const auto whileShown = zentor::Connection::instance().configuredJob().target;
    ASSERT_TRUE(whileShown);
    EXPECT_EQ(whileShown->com, 2);
    EXPECT_EQ(whileShown->devicePath, "/dev/null");
    window.reset();
    EXPECT_FALSE(zentor::Connection::instance().configuredJob().target);
}

TEST_F(WindowTest, ConfiguredPortOpensAtStart) {
    peer.setScript(boardScript());
    writeIni("[ZENTOR1]\nCOM=3\n" + portsSection(3));
    TForm1& w = start();
    EXPECT_TRUE(comphard::PortIsOpen());
    EXPECT_EQ(w.Ports->checkedPortEntry(), w.Ports->COM31);
    EXPECT_EQ(w.statusText(), QString());
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(comphard::CurrentTimeout(), 300);
    // Resync brought the board into step; no presence check at start.
    const auto sent = peer.receivedValues();
    EXPECT_EQ(sent, (Bytes{27, 27}));
}

TEST_F(WindowTest, PortNumbersOutsideOneToNineMeanNoPort) {
    for (const QByteArray& value : {QByteArray("12"), QByteArray("-1"), QByteArray("0"),
                                    QByteArray("x")}) {
        boxes.clear();
        writeIni("[ZENTOR1]\nCOM=" + value + "\n");
        TForm1& w = start();
        EXPECT_EQ(w.statusText(), QStringLiteral("Anschluss nicht gewählt.")) << value.data();
        EXPECT_EQ(boxes.size(), 1u) << value.data();
        EXPECT_FALSE(comphard::PortIsOpen());
        window.reset();
    }
}

TEST_F(WindowTest, PortSevenToNineOpensWithoutACheckMark) {
    peer.setScript(boardScript());
    writeIni("[ZENTOR1]\nCOM=8\n" + portsSection(8));
    TForm1& w = start();
    EXPECT_TRUE(comphard::PortIsOpen());
    EXPECT_EQ(w.Ports->checkedPortEntry(), nullptr);
}

TEST_F(WindowTest, ChoosingAPortSearchesTheBoardAndRemembersThePort) {
    peer.setScript(boardScript());
    writeIni(portsSection(4));
    TForm1& w = start();
    peer.clearReceived();
    w.Ports->COM41->trigger();
    testing_support::waitForLink();
    EXPECT_EQ(w.statusText(), QStringLiteral("Ok"));
    EXPECT_EQ(w.Ports->checkedPortEntry(), w.Ports->COM41);
    EXPECT_TRUE(ini().contains("[ZENTOR1]\r\nCOM=4\r\n"));
    EXPECT_FALSE(ini().contains("Simulator"));
    // Resync (answered at once), then the presence check.
    EXPECT_EQ(peer.receivedValues(), (Bytes{27, 27, 27, 1}));
}

TEST_F(WindowTest, ASilentBoardKeepsThePortChosen) {
    peer.setScript(testing_support::silentScript());
    writeIni("[Time]\nMAXTimeout=40\n" + portsSection(2));
    TForm1& w = start();
    w.Ports->COM21->trigger();
    testing_support::waitForLink();
    EXPECT_EQ(w.statusText(), QStringLiteral("Controler antwortet nicht!"));
    EXPECT_TRUE(comphard::PortIsOpen());
    EXPECT_EQ(w.Ports->checkedPortEntry(), w.Ports->COM21);
    EXPECT_TRUE(ini().contains("COM=2"));
    EXPECT_EQ(comphard::CurrentTimeout(), 40);
}

TEST_F(WindowTest, AMissingDeviceClosesTheOldPortAndForgetsTheChoice) {
    peer.setScript(boardScript());
    // The device is there when the menu is made and gone when it is chosen.
    const QString vanishing = configHome.filePath(QStringLiteral("ttyVanishing"));
    ASSERT_TRUE(QFile(vanishing).open(QIODevice::WriteOnly));
    writeIni("[ZENTOR1]\nCOM=3\n" + portsSection(3) + "COM2=" + vanishing.toUtf8() + "\n");
    TForm1& w = start();
    ASSERT_TRUE(comphard::PortIsOpen());
    w.Ports->Simulator1->trigger(); // the choice in between is forgotten too
    testing_support::waitForLink();
    ASSERT_TRUE(ini().contains("Simulator=1"));
    ASSERT_TRUE(QFile::remove(vanishing));
    w.Ports->COM21->trigger();
    testing_support::waitForLink();
    EXPECT_EQ(w.statusText(), QStringLiteral("COM nicht geöffnet! Das Gerät \"%1\" ist nicht "
                                             "vorhanden.")
                                  .arg(vanishing));
    EXPECT_FALSE(comphard::PortIsOpen());
    EXPECT_EQ(w.Ports->checkedPortEntry(), nullptr);
    EXPECT_TRUE(ini().contains("COM=0"));
    EXPECT_TRUE(ini().contains("Simulator=0"));
    EXPECT_FALSE(w.Ports->SimulatorPanel1->isEnabled());
}

TEST_F(WindowTest, CtrlAtStartShowsTheTimeout) {
    ctrlHeld = true;
    writeIni("[Time]\nMAXTimeout=500\n");
    start();
    ASSERT_GE(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, QStringLiteral("500"));
    EXPECT_EQ(boxes[0].caption, QStringLiteral("ZENTOR"));
}

TEST_F(WindowTest, PageChangesFollowTheirRules) {
    TForm1& w = start();
    w.TabSheet8->CheckBox3->setChecked(true);
    w.setStatusText(QStringLiteral("alt"));

    w.PageControl1->setCurrentWidget(w.TabSheet2);
    EXPECT_TRUE(w.Timer1->isActive());
    EXPECT_EQ(w.Timer1->interval(), 333);
    EXPECT_EQ(w.statusText(), QString());
    EXPECT_FALSE(w.TabSheet8->CheckBox3->isChecked());
    EXPECT_EQ(w.applicationTitle(), QStringLiteral("Zentor"));

    w.PageControl1->setCurrentWidget(w.TabSheet3);
    EXPECT_FALSE(w.Timer1->isActive());
    EXPECT_EQ(w.statusText(), QStringLiteral("Externe Messung"));
    w.PageControl1->setCurrentWidget(w.TabSheet6);
    EXPECT_EQ(w.statusText(), QStringLiteral("Online Messung"));
    w.PageControl1->setCurrentWidget(w.TabSheet4);
    EXPECT_EQ(w.statusText(), QString());

    // While the board-side measurement counts down, "Extern Messen" stays.
    w.PageControl1->setCurrentWidget(w.TabSheet3);
    w.Timer2->start();
    w.PageControl1->setCurrentWidget(w.TabSheet2);
    EXPECT_EQ(w.PageControl1->currentWidget(), w.TabSheet3);
    EXPECT_EQ(w.statusText(), QStringLiteral("Externe Messung"));
    EXPECT_FALSE(w.Timer1->isActive());
    w.Timer2->stop();
}

TEST_F(WindowTest, AboutBoxNamesTheVersion) {
    TForm1& w = start();
    boxes.clear();
    w.ber1->trigger();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, QStringLiteral("ZENTOR microcontroller\r\rVersion 1.1"));
    EXPECT_EQ(boxes[0].kind, dialogs::Kind::Information);
}

TEST_F(WindowTest, TheMenuF1AndTheCreditLinkShowTheHandbookWithItsPictures) {
    TForm1& w = start();
    EXPECT_EQ(w.Handbuch1->shortcut(), QKeySequence(Qt::Key_F1));
    w.setStatusText(QStringLiteral("vorher"));
    HandbookWindow* shown = nullptr;
    for (const auto& open : std::vector<std::function<void()>>{
             [&] { w.Handbuch1->trigger(); }, [&] { w.WebLabel1->Click(); }}) {
        open();
        auto* handbook = w.findChild<HandbookWindow*>();
        ASSERT_NE(handbook, nullptr);
        EXPECT_TRUE(handbook->isVisible());
        EXPECT_TRUE(shown == nullptr || shown == handbook); // one window, shown again
        shown = handbook;
        handbook->close();
    }
    // From the build tree: the handbook of the source tree, every picture found.
    ASSERT_TRUE(shown->loaded());
    QTextBrowser* browser = shown->browser();
    EXPECT_TRUE(browser->toPlainText().contains(QStringLiteral("dialout")));
    int pictures = 0;
    for (QTextBlock block = browser->document()->begin(); block.isValid(); block = block.next())
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextImageFormat picture = it.fragment().charFormat().toImageFormat();
            if (!picture.isValid())
                continue;
            ++pictures;
            const QVariant bytes =
                browser->loadResource(QTextDocument::ImageResource, QUrl(picture.name()));
            EXPECT_FALSE(QImage::fromData(bytes.toByteArray()).isNull()) << picture.name().toStdString();
            EXPECT_LE(picture.width(), shown->width()) << picture.name().toStdString();
        }
    EXPECT_GE(pictures, 6);
    EXPECT_EQ(w.statusText(), QStringLiteral("vorher"));

    const QString missing = QStringLiteral("/nirgends/handbuch.md");
    HandbookWindow none(missing);
    EXPECT_FALSE(none.loaded());
    EXPECT_EQ(none.browser()->toPlainText(), handbookNotOpenedText(missing));
}

TEST_F(WindowTest, CopyPutsTheVisiblePagesTextOnTheClipboard) {
    TForm1& w = start();
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->setText(QStringLiteral("vorher"));

    // No text of its own on "Direkt", nothing recorded yet, an empty
    // listing: the clipboard stays.
    for (QWidget* page : {static_cast<QWidget*>(w.TabSheet2), static_cast<QWidget*>(w.TabSheet6),
                          static_cast<QWidget*>(w.TabSheet4)}) {
        w.TabSheet4->setListingLines({});
        w.PageControl1->setCurrentWidget(page);
        w.KopiernalsText1->trigger();
        EXPECT_EQ(clipboard->text(), QStringLiteral("vorher")) << page->objectName().toStdString();
    }
    w.TabSheet4->setListingLines(
        {QStringLiteral("L1: Testprogramm"), QStringLiteral("\tDelay 250")});

    w.PageControl1->setCurrentWidget(w.TabSheet4);
    w.KopiernalsText1->trigger();
    EXPECT_EQ(clipboard->text(), w.TabSheet4->copyLines().join(QStringLiteral("\r\n")));
    EXPECT_TRUE(clipboard->text().startsWith(QStringLiteral("L1: Testprogramm\r\n\tDelay 250")));

    // Lines exactly as shown: a leading empty line, a non-breaking space.
    w.TabSheet4->setListingLines({QString(), QStringLiteral("\tRem a\u00A0b"), QStringLiteral("\tEnd")});
    w.KopiernalsText1->trigger();
    EXPECT_EQ(clipboard->text(), QStringLiteral("\r\n\tRem a\u00A0b\r\n\tEnd"));

    // The oscilloscope's 100 lines, whatever has been measured.
    w.PageControl1->setCurrentWidget(w.TabSheet8);
    w.KopiernalsText1->trigger();
    EXPECT_EQ(clipboard->text().split(QStringLiteral("\r\n")).size(), 100);
    w.Timer1->stop();
}

TEST_F(WindowTest, PaintsBeforeASilentBoardIsGivenUp) {
    peer.setScript(testing_support::silentScript());
    writeIni("[ZENTOR1]\nCOM=3\n" + portsSection(3));
    window = std::make_unique<TForm1>(TForm1::StartOptions{});
    int paints = 0;
    EventCounter counter(QEvent::Paint, paints);
    window->installEventFilter(&counter);
    window->show();
    QElapsedTimer clock;
    clock.start();
    while (paints == 0 && clock.elapsed() < 10'000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    EXPECT_GT(paints, 0);
    // Five resync rounds with 30 ms read time-outs are still under way.
    EXPECT_TRUE(zentor::Link::instance().busy());
    testing_support::waitForLink();
    EXPECT_EQ(window->Ports->checkedPortEntry(), window->Ports->COM31);
}

TEST(MaxTimeout, IsBoundedAndZeroIsRefused) {
    // What the user is told (README, "zentor.ini"): 300 ms unless the ini
    // says otherwise, at most ten seconds, and 0 is no time-out at all.
    EXPECT_EQ(configuration::kDefaultMaxTimeout, 300);
    EXPECT_EQ(configuration::effectiveMaxTimeout(300), 300);
    constexpr int kTenSeconds = 10'000;
    // Refused: 0 and anything below it leave the link's time-out as it is.
    for (int configured : {0, -1, -300, std::numeric_limits<int>::min()})
        EXPECT_EQ(configuration::effectiveMaxTimeout(configured), -1) << configured;
    // Taken as it is from 1 ms up to the bound, cut to the bound above it,
    // and never shrinking as the configured value grows.
    int previous = 0;
    for (long long configured = 1; configured <= std::numeric_limits<int>::max();
         configured = configured < 20'000 ? configured + 1 : configured * 3 + 1) {
        const int value = static_cast<int>(configured);
        const int effective = configuration::effectiveMaxTimeout(value);
        EXPECT_EQ(effective, std::min(value, kTenSeconds)) << value;
        EXPECT_GE(effective, previous) << value;
        previous = effective;
    }
    EXPECT_EQ(configuration::effectiveMaxTimeout(std::numeric_limits<int>::max()), kTenSeconds);
}

TEST_F(WindowTest, AHugeMaxTimeoutIsCutToTenSeconds) {
    peer.setScript(boardScript());
    writeIni("[Time]\nMAXTimeout=2147483648\n[ZENTOR1]\nCOM=3\n" + portsSection(3));
    TForm1& w = start();
    EXPECT_EQ(w.maxTimeout(), 10'000);
    EXPECT_EQ(comphard::CurrentTimeout(), 10'000);
}

TEST_F(WindowTest, ClosingTheWindowClosesThePort) {
    peer.setScript(boardScript());
    writeIni("[ZENTOR1]\nCOM=3\n" + portsSection(3));
    TForm1& w = start();
    ASSERT_TRUE(comphard::PortIsOpen());
    w.Beenden3->trigger();
    EXPECT_FALSE(comphard::PortIsOpen());
    EXPECT_FALSE(w.isVisible());
}

TEST_F(WindowTest, ClosingDuringAnUploadEndsItAtTheNextByte) {
    // The board on a pty of its own, paced like a real one, with every byte
    // it receives recorded on its side.
    std::mutex traceMutex;
    std::vector<int> boardReceived;
    zentor::sim::RunnerOptions runner;
    runner.trace = [&](const zentor::sim::TraceEvent& e) {
        if (e.fromPc) {
            std::lock_guard lock(traceMutex);
            boardReceived.push_back(e.value);
        }
    };
    zentor::sim::SimulatedBoard board(runner);
    ASSERT_TRUE(board.start()) << board.lastError();
    const auto received = [&] {
        std::lock_guard lock(traceMutex);
        return boardReceived;
    };
    // Every byte the program hands to the line, counted on the link thread.
    auto written = std::make_shared<std::atomic<int>>(0);
    comphard::SetWriteTap([written](std::uint8_t) { ++*written; });
    const auto removeTap = qScopeGuard([] { comphard::SetWriteTap({}); });

    writeIni("[ZENTOR1]\nCOM=3\n[Ports]\nCOM3=" + QByteArray::fromStdString(board.devicePath()) +
             "\n");
    TForm1& w = start();
    w.PageControl1->setCurrentWidget(w.TabSheet4);
    QStringList program;
    for (int k = 0; k < 40; ++k)
        program << QStringLiteral("\tPortout = %1").arg(k);
    w.TabSheet4->setListingLines(program);
    ASSERT_TRUE(w.TabSheet4->ButtonCompClick());
    constexpr int kProgramBytes = 80;
    w.TabSheet4->ButtonSendClick();

    // The upload frame 27 127 80 and its data bytes as the board got them.
    const auto uploadBytes = [&] {
        const std::vector<int> bytes = received();
        for (std::size_t i = 0; i + 2 < bytes.size(); ++i)
            if (bytes[i] == 27 && bytes[i + 1] == 127 && bytes[i + 2] == kProgramBytes)
                return static_cast<int>(bytes.size() - (i + 3));
        return -1;
    };
    // A few data bytes in; the rest would take two seconds and more.
    processEventsUntil([&] { return uploadBytes() >= 3; }, 60'000);
    ASSERT_GE(uploadBytes(), 3);
    ASSERT_TRUE(zentor::Link::instance().busy());

    // How long the close leaves the exchange running: until the link is
    // idle (the saving of the listing afterwards is not counted).
    QElapsedTimer clock;
    qint64 exchangeEndedAfter = -1;
    const auto idle = QObject::connect(&zentor::Link::instance(), &zentor::Link::busyChanged,
                                       [&](bool busy) {
                                           if (!busy && exchangeEndedAfter < 0)
                                               exchangeEndedAfter = clock.elapsed();
                                       });
    const int writtenBeforeClose = written->load();
    clock.start();
    w.close();
    QObject::disconnect(idle);
    const int writtenAfterClose = written->load();

    // Nothing is left running, the port is closed and the listing saved.
    EXPECT_FALSE(comphard::PortIsOpen());
    QCoreApplication::processEvents();
    EXPECT_FALSE(zentor::Link::instance().busy());
    EXPECT_TRUE(QFile::exists(configHome.filePath(QStringLiteral("zentor/sp2.$$$"))));
    // The upload ends at its next byte: at most the byte on its way when the
    // window closed goes out after it, and the exchange ends within the time
    // of a few bytes of the upload (some 25 ms each; the bound is generous
    // for a busy machine), far less than the rest of it would take.
    EXPECT_LE(writtenAfterClose - writtenBeforeClose, 1);
    constexpr int kUploadByteMs = 10 + 5 + 9 + 1;
    EXPECT_GE(exchangeEndedAfter, 0) << "the link did not go idle during the close";
    EXPECT_LE(exchangeEndedAfter, 40 * kUploadByteMs);
    // The board got what the program wrote, and nothing after it: the
    // upload stopped short, no verification, no start.
    processEventsUntil([&] { return static_cast<int>(received().size()) >= writtenAfterClose; },
                       60'000);
    const std::vector<int> got = received();
    EXPECT_EQ(static_cast<int>(got.size()), writtenAfterClose);
    EXPECT_LT(uploadBytes(), kProgramBytes);
    EXPECT_LE(static_cast<int>(got.size()), writtenBeforeClose + 1);
    const auto frame = [&](std::vector<int> f) {
        return std::search(got.begin(), got.end(), f.begin(), f.end()) != got.end();
    };
    EXPECT_FALSE(frame({27, 126})) << "a verification was asked for";
    EXPECT_FALSE(frame({27, 121, 0})) << "the program was started";
    // The page got the upload's end: given up, as by "Abbrechen".
    processEventsUntil([&] { return w.statusText() == QStringLiteral("Abgebrochen."); }, 30'000);
    EXPECT_EQ(w.statusText(), QStringLiteral("Abgebrochen."));
    board.stop();
}

TEST_F(WindowTest, EndingInsideADialogEndsEverything) {
    // "&Beenden" reaches the window while the file dialog of "&Öffnen ..."
    // runs its own loop, and "&Neu" asks its question after that: both
    // dialogs go, the program's loop ends, the port is free again.
    peer.setScript(boardScript());
    writeIni("[ZENTOR1]\nCOM=3\n" + portsSection(3));
    TForm1& w = start();
    w.PageControl1->setCurrentWidget(w.TabSheet2);
    ASSERT_TRUE(w.Timer1->isActive());
    QTimer::singleShot(0, &w, [&w] { w.ffnen1->trigger(); });
    QTimer::singleShot(200, &w, [&w] {
        ASSERT_TRUE(QApplication::activeModalWidget() != nullptr) << "no file dialog";
        w.Beenden3->trigger();
        w.Beenden2->trigger();
    });
    bool hung = false;
    QTimer::singleShot(10'000, [&hung] {
        hung = true;
        QCoreApplication::exit(1);
    });
    QCoreApplication::exec();

    EXPECT_FALSE(hung);
    EXPECT_FALSE(w.Timer1->isActive());
    EXPECT_FALSE(comphard::PortIsOpen());
    for (QWidget* widget : QApplication::topLevelWidgets())
        EXPECT_FALSE(widget->isVisible()) << widget->metaObject()->className();
    EXPECT_EQ(w.TabSheet4->listingLines().size(), 4) << "the question was not answered yes";
    EXPECT_TRUE(QFile::exists(configHome.filePath(QStringLiteral("zentor/sp2.$$$"))));
    EXPECT_TRUE(
        testing_support::onLink([&] { return comphard::OpenDevice(peer.path(), "1200,N,8,1"); }));
}

TEST_F(WindowTest, TheSimulatorIsAPortOfItsOwn) {
    TForm1& w = start();
    w.Ports->Simulator1->trigger();
    testing_support::waitForLink();
    // Its panel is offered by itself the first time. The test's screen
    // (800 x 600) has no room for it beside the window: rather than cover
    // the window's controls, it waits for its menu entry.
    auto* panel = w.findChild<QWidget*>(QStringLiteral("SimulatorPanel"));
    ASSERT_NE(panel, nullptr);
    EXPECT_FALSE(panel->isVisible());
    EXPECT_TRUE(w.Ports->SimulatorPanel1->isEnabled());
    w.Ports->SimulatorPanel1->trigger();
    EXPECT_TRUE(panel->isVisible());
    panel->close();
    w.Ports->Simulator1->trigger();
    testing_support::waitForLink();
    EXPECT_FALSE(panel->isVisible()) << "only the first time";
    w.Ports->SimulatorPanel1->trigger();
    EXPECT_TRUE(panel->isVisible());
    EXPECT_EQ(w.statusText(), QStringLiteral("Ok"));
    EXPECT_EQ(w.Ports->checkedPortEntry(), w.Ports->Simulator1);
    EXPECT_TRUE(ini().contains("Simulator=1"));
    EXPECT_TRUE(comphard::PortIsOpen());
    window.reset();
    testing_support::onLink(comphard::ClosePort);

    // The next start connects to it again; "COM" keeps its meaning.
    boxes.clear();
    TForm1& again = start();
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(again.Ports->checkedPortEntry(), again.Ports->Simulator1);
    EXPECT_TRUE(comphard::PortIsOpen());
    std::string answer;
    testing_support::onLink([&] { comphard::Handshake(answer); });
    EXPECT_EQ(answer, "Ok");
}

TEST_F(WindowTest, SimulatorOptionConnectsWithoutWritingTheFile) {
    TForm1::StartOptions options;
    options.simulator = true;
    TForm1& w = start(options);
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(w.Ports->checkedPortEntry(), w.Ports->Simulator1);
    EXPECT_FALSE(QFile::exists(iniPath()));
    std::string answer;
    testing_support::onLink([&] { comphard::Handshake(answer); });
    EXPECT_EQ(answer, "Ok");
}

// Qt's own dialogs in German whatever the locale: a helper process shows the
// confirm box of "&Neu", the "Über" box, an error box and the save dialog.
TEST(QtDialogs, SpeakGermanUnderEveryLocale) {
    const QStringList expected{
        "Neu: Warning: Abbrechen|OK",
        "Über: NoIcon: OK",
        "Fehler: Critical: OK",
        "Speichern: Suchen in:|Datei&name:|Dateien des Typs:: Abbrechen|S&peichern",
    };
    QTemporaryDir config;
    for (const char* lang : {"C", "de_DE.UTF-8"}) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANGUAGE"})
            environment.remove(QString::fromLatin1(name));
        environment.insert(QStringLiteral("LANG"), QString::fromLatin1(lang));
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
        QProcess helper;
        helper.setProcessEnvironment(environment);
        helper.start(QStringLiteral(SHELL_DIALOG_TEXTS), {});
        ASSERT_TRUE(helper.waitForFinished(-1)) << lang;
        EXPECT_EQ(helper.exitCode(), 0) << lang;
        const QString shown = QString::fromUtf8(helper.readAllStandardOutput());
        EXPECT_EQ(shown.split(u'\n', Qt::SkipEmptyParts), expected) << lang;
    }
}

} // namespace
