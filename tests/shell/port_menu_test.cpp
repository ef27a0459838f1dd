// What the window finds at start and while it runs: devices plugged in and
// pulled out of a device folder of the test's own, the board search, the
// defaults for every user, a setting that cannot be stored, and a recording
// an earlier run left behind.
#include "comphard.h"
#include "dialogs.h"
#include "link_wait.h"
#include "port_menu.h"
#include "pty_peer.h"
#include "recorder_page.h"
#include "recording_journal.h"
#include "serial_devices.h"
#include "tform1.h"
#include "wait_until.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QScopeGuard>
#include <QStatusBar>
#include <QTabWidget>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

using testing_support::PtyPeer;
using testing_support::ReceivedByte;
using Bytes = std::vector<std::uint8_t>;
namespace fs = std::filesystem;

namespace {

class PortMenuTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(home.isValid());
        qputenv("XDG_CONFIG_HOME", home.filePath(QStringLiteral("config")).toLocal8Bit());
        qputenv("XDG_CONFIG_DIRS", home.filePath(QStringLiteral("system")).toLocal8Bit());
        devFolder = home.filePath(QStringLiteral("dev")).toStdString();
        fs::create_directories(devFolder);
        fs::create_directories(home.filePath(QStringLiteral("sys")).toStdString());
        zentor::setDeviceFolders({devFolder, home.filePath(QStringLiteral("sys")).toStdString()});
        previousHandler = dialogs::setHandler([this](QWidget*, const dialogs::Request& r) {
            boxes.push_back(r);
            if (r.kind == dialogs::Kind::Question)
                return QMessageBox::Yes;
            return r.action == answerAction ? QMessageBox::Yes : QMessageBox::Ok;
        });
        board.setScript(testing_support::boardInStepScript());
    }
    void TearDown() override {
        window.reset();
        testing_support::onLink(comphard::ClosePort);
        dialogs::setHandler(previousHandler);
        zentor::setDeviceFolders({});
    }

    // Plugs the board in as /dev/ttyUSB7 of the test's folder.
    std::string plugIn() {
        const std::string path = devFolder + "/ttyUSB7";
        fs::create_symlink(board.path(), path);
        return path;
    }
    void writeFile(const QString& path, const QByteArray& text) {
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
    }
    QString iniPath() const { return home.filePath(QStringLiteral("config/zentor/zentor.ini")); }
    QByteArray ini() const {
        QFile f(iniPath());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    TForm1& start() {
        window = std::make_unique<TForm1>();
        window->show();
        testing_support::waitForLink();
        return *window;
    }
    bool statusBecomes(const QString& text) {
        return testing_support::waitUntil([&] {
            QCoreApplication::processEvents();
            return window->statusText() == text;
        });
    }

    QTemporaryDir home;
    std::string devFolder;
    PtyPeer board;
    std::vector<dialogs::Request> boxes;
    QString answerAction; // the action a box offers that the user takes
    dialogs::Handler previousHandler;
    std::unique_ptr<TForm1> window;
};

TEST_F(PortMenuTest, APulledAdapterIsToldAndTheLineHealsWhenItComesBack) {
    const std::string path = plugIn();
    writeFile(iniPath(), "[ZENTOR1]\nCOM=0\nGeraet=" + QByteArray::fromStdString(path) + "\n");
    TForm1& w = start();
    ASSERT_TRUE(comphard::PortIsOpen());
    // The device beyond the table has an entry of its own, marked in use.
    ASSERT_EQ(w.Ports->extraEntries().size(), 1);
    QAction* entry = w.Ports->extraEntries().front();
    EXPECT_EQ(entry->text(), QString::fromStdString(path));
    EXPECT_EQ(w.Ports->checkedPortEntry(), entry);
    auto* lost = w.StatusBar1->findChild<QLabel*>(QStringLiteral("ConnectionLost"));
    ASSERT_NE(lost, nullptr);
    EXPECT_FALSE(lost->isVisible());

    // Pulled: the node goes, and the device with it.
    fs::remove(path);
    board.unplug();
    EXPECT_TRUE(statusBecomes(QStringLiteral("Verbindung verloren – Platine wieder anstecken")));
    EXPECT_TRUE(lost->isVisible());
    EXPECT_TRUE(w.Ports->extraEntries().isEmpty()) << "the menu still lists the pulled device";

    // Plugged in again: a new device behind the same name.
    PtyPeer again;
    again.setScript(testing_support::boardInStepScript());
    fs::create_symlink(again.path(), path);
    EXPECT_TRUE(testing_support::waitUntil([&] {
        QCoreApplication::processEvents();
        return w.statusText().startsWith(QStringLiteral("Verbindung wieder da. Lücke von "));
    })) << w.statusText().toStdString();
    EXPECT_TRUE(w.statusText().endsWith(QStringLiteral(" s")));
    EXPECT_FALSE(lost->isVisible());
    // Reopened and brought into step: the resync, nothing else.
    EXPECT_EQ(again.receivedValues(), (Bytes{27, 27}));
    EXPECT_EQ(testing_support::presenceCheck(), QStringLiteral("Ok"));
}

TEST_F(PortMenuTest, TheFirstStartOffersTheSearchAndRemembersTheBoardFound) {
    const std::string path = plugIn();
    answerAction = QStringLiteral("Platine suchen");
    TForm1& w = start();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].action, QStringLiteral("Platine suchen"));
    EXPECT_TRUE(
        statusBecomes(QStringLiteral("Platine gefunden an ") + QString::fromStdString(path)))
        << w.statusText().toStdString();
    EXPECT_TRUE(ini().contains("Geraet=" + QByteArray::fromStdString(path)));
    EXPECT_TRUE(ini().contains("COM=0"));
    EXPECT_EQ(w.Ports->checkedPortEntry(), w.Ports->extraEntries().value(0));
    EXPECT_EQ(testing_support::presenceCheck(), QStringLiteral("Ok"));
}

TEST_F(PortMenuTest, AConfiguredBoardThatDoesNotAnswerIsToldWithTheSearchOffered) {
    board.setScript(testing_support::silentScript());
    writeFile(home.filePath(QStringLiteral("system/zentor/zentor.ini")),
              "[Time]\nMAXTimeout=40\n[ZENTOR1]\nCOM=3\n[Ports]\nCOM3=" +
                  QByteArray::fromStdString(board.path()) + "\n");
    // The port comes from the defaults for every user; nothing is written.
    TForm1& w = start();
    EXPECT_TRUE(comphard::PortIsOpen());
    EXPECT_EQ(w.Ports->checkedPortEntry(), w.Ports->COM31);
    EXPECT_EQ(w.statusText(), QStringLiteral("Die Platine an COM 3 (%1) antwortet nicht. Stecker "
                                             "und Strom prüfen, oder die Platine suchen lassen.")
                                  .arg(QString::fromStdString(board.path())));
    auto* search = w.StatusBar1->findChild<QPushButton*>(QStringLiteral("SearchButton"));
    ASSERT_NE(search, nullptr);
    EXPECT_TRUE(search->isVisible());
    EXPECT_TRUE(boxes.empty());
    EXPECT_FALSE(QFile::exists(iniPath()));
}

TEST_F(PortMenuTest, AChoiceThatCannotBeStoredIsToldOnce) {
    ASSERT_TRUE(QDir().mkpath(iniPath())); // zentor.ini is a folder
    TForm1& w = start();
    boxes.clear();
    for (int i = 0; i < 2; ++i) {
        w.Ports->Simulator1->trigger();
        testing_support::waitForLink();
        EXPECT_EQ(w.statusText(), QStringLiteral("Ok"));
    }
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].kind, dialogs::Kind::Error);
    EXPECT_TRUE(boxes[0].text.startsWith(
        QStringLiteral("Die Wahl des Anschlusses kann nicht gespeichert werden: \"%1\"\n")
            .arg(iniPath())))
        << boxes[0].text.toStdString();
}

TEST_F(PortMenuTest, ARecordingLeftBehindIsOfferedAndShownOnItsPage) {
    const QString journal = zentor::recordingJournalPath();
    writeFile(journal, "; Zentor-Messung\r\n[Messung]\r\nFormat=1\r\nSeite=Zeitschreiber\r\n"
                       "Zeitpunkt=2026-12-07T14:03:00+01:00\r\nMessdauer=10 Sekunden\r\n"
                       "Kanal=Spannung\r\nAnzeigeInVolt=ja\r\n\r\n[Werte]\r\n0;10\r\n100;11\r\n");
    TForm1& w = start();
    ASSERT_FALSE(boxes.empty());
    EXPECT_EQ(boxes.back().kind, dialogs::Kind::Question);
    EXPECT_TRUE(boxes.back().text.startsWith(QStringLiteral("Die Aufzeichnung vom ")));
    EXPECT_TRUE(boxes.back().text.endsWith(QStringLiteral(" (2 Messwerte) wiederherstellen?")));
    EXPECT_EQ(w.PageControl1->currentWidget(), w.TabSheet6);
    EXPECT_EQ(w.TabSheet6->sampleCount(), 2);
    EXPECT_EQ(w.statusText(), QStringLiteral("Aufzeichnung wiederhergestellt"));
    EXPECT_TRUE(testing_support::waitUntil([&] { return !QFile::exists(journal); }));
}

// The machine's own /dev: a pty linked in as a USB device appears in the
// menu and goes again, without a device folder of the test's own. Only
// root may put a link there.
TEST_F(PortMenuTest, APtyLinkedIntoTheMachinesDevFolderComesAndGoes) {
    if (geteuid() != 0)
        GTEST_SKIP() << "only root may link a device into /dev";
    zentor::setDeviceFolders({});
    const std::string node = "/dev/ttyUSB9" + std::to_string(getpid());
    fs::remove(node);
    const auto removeNode = qScopeGuard([&] { fs::remove(node); });
    TForm1& w = start();
    auto listed = [&] {
        QCoreApplication::processEvents();
        for (QAction* entry : w.Ports->extraEntries())
            if (entry->data().toString() == QString::fromStdString(node))
                return true;
        return false;
    };
    ASSERT_FALSE(listed());
    fs::create_symlink(board.path(), node);
    EXPECT_TRUE(testing_support::waitUntil(listed));
    fs::remove(node);
    EXPECT_TRUE(testing_support::waitUntil([&] { return !listed(); }));
}

} // namespace
