// The "Programm" page inside the main window: the listing restored or opened
// at start-up and saved at exit.
#include "dialogs.h"
#include "link_wait.h"
#include "program_file.h"
#include "program_page.h"
#include "qstring_print.h"
#include "tform1.h"

#include <QFile>
#include <QFileInfo>
#include <QListWidget>
#include <QTabWidget>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include <sys/resource.h>
#include <sys/stat.h>

namespace {

long peakMemoryKiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

class ProgramPageStartup : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(configHome.isValid());
        ASSERT_TRUE(files.isValid());
        qputenv("XDG_CONFIG_HOME", configHome.path().toLocal8Bit());
        previousHandler = dialogs::setHandler([this](QWidget*, const dialogs::Request& r) {
            boxes.push_back(r);
            return QMessageBox::Ok;
        });
        previousKeys = TForm1::setCtrlKeyState([] { return false; });
    }
    void TearDown() override {
        window.reset();
        dialogs::setHandler(previousHandler);
        TForm1::setCtrlKeyState(previousKeys);
    }

    TForm1& start(const QStringList& parameters) {
        TForm1::StartOptions options;
        options.parameters = parameters;
        window = std::make_unique<TForm1>(options);
        window->show();
        // The start-up goes on once the link has looked for the board.
        testing_support::waitForLink();
        return *window;
    }

    QStringList listing() const { return window->TabSheet4->listingLines(); }

    static QByteArray autosave() {
        QFile f(zentor::autosavePath());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }

    std::vector<dialogs::Request> errorBoxes() const {
        std::vector<dialogs::Request> errors;
        for (const dialogs::Request& r : boxes)
            if (r.kind == dialogs::Kind::Error)
                errors.push_back(r);
        return errors;
    }

    QTemporaryDir configHome;
    QTemporaryDir files;
    std::vector<dialogs::Request> boxes;
    dialogs::Handler previousHandler;
    TForm1::KeyState previousKeys;
    std::unique_ptr<TForm1> window;
};

TEST_F(ProgramPageStartup, WithoutArgumentTheLastListingComesBack) {
    ASSERT_TRUE(zentor::writeFileAtomically(zentor::autosavePath(), "\tBeep\r\n\tEnd\r\n"));
    TForm1& w = start({});
    EXPECT_EQ(listing(), (QStringList{"\tBeep", "\tEnd"}));
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Zentor"));
    EXPECT_EQ(w.PageControl1->currentIndex(), 0);

    w.TabSheet4->setListingLines({"\tReturn"});
    w.close();
    EXPECT_EQ(autosave(), QByteArray("\tReturn\r\n"));
}

TEST_F(ProgramPageStartup, AFileArgumentIsOpenedInsteadOfTheAutosave) {
    ASSERT_TRUE(zentor::writeFileAtomically(zentor::autosavePath(), "\tReturn\r\n"));
    const QString file = files.filePath(QStringLiteral("prog.z"));
    ASSERT_TRUE(zentor::writeFileAtomically(file, "L3: x\r\n\tBeep\r\n\tGoto L3: x\r\n"));
    TForm1& w = start({file});
    EXPECT_EQ(listing(), (QStringList{"L3: x", "\tBeep", "\tGoto L3: x"}));
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Zentor - prog.z"));
    EXPECT_EQ(w.PageControl1->currentWidget(), w.TabSheet4);
    EXPECT_FALSE(w.TabSheet4->StartupFilePending());
    EXPECT_TRUE(errorBoxes().empty());
    EXPECT_EQ(w.TabSheet4->codeList(), (QStringList{"00  2D", "01  50  00"}));

    w.close();
    EXPECT_EQ(autosave(), QByteArray("L3: x\r\n\tBeep\r\n\tGoto L3: x\r\n"));
}

TEST_F(ProgramPageStartup, AFileArgumentThatCannotBeOpenedKeepsTheLastListing) {
    // Missing, a FIFO nobody writes to (which must not block the start) and
    // a 20 MB file (refused unread: sparse here, and the peak memory of the
    // process stays where it was).
    const QString fifo = files.filePath(QStringLiteral("fifo.z"));
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString large = files.filePath(QStringLiteral("gross.z"));
    QFile largeFile(large);
    ASSERT_TRUE(largeFile.open(QIODevice::WriteOnly) && largeFile.resize(20 << 20));
    largeFile.close();

    for (const QString& file : {files.filePath(QStringLiteral("fehlt.z")), fifo, large}) {
        SCOPED_TRACE(file.toStdString());
        boxes.clear();
        ASSERT_TRUE(zentor::writeFileAtomically(zentor::autosavePath(), "\tReturn\r\n"));
        const long peakBefore = peakMemoryKiB();
        TForm1& w = start({file});
        if (file == large) { // (the windows before have paid for fonts and the like)
            EXPECT_LT(peakMemoryKiB() - peakBefore, 16 * 1024) << "KiB more at the peak";
        }
        const auto errors = errorBoxes();
        ASSERT_EQ(errors.size(), 1u);
        EXPECT_EQ(errors[0].caption, QStringLiteral("Fehler"));
        EXPECT_TRUE(errors[0].text.contains(QFileInfo(file).fileName()));
        EXPECT_EQ(listing(), QStringList{"\tReturn"});
        EXPECT_EQ(w.windowTitle(), QStringLiteral("Zentor"));
        EXPECT_EQ(w.PageControl1->currentWidget(), w.TabSheet4);

        w.close();
        EXPECT_EQ(autosave(), QByteArray("\tReturn\r\n"));
        window.reset();
    }
}

} // namespace
