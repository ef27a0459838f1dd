// Program files on the "Programm" page: "&Neu", "&Öffnen ...", "&Speichern
// ...", the autosave file and the file named on the command line.
#include "page_support.h"
#include "private_mount.h"
#include "program_file.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>

namespace {

const QStringList kInitial{"L1: Testprogramm", "\tDelay 250", "\tBeep", "\tGoto L1:"};
const QByteArray kInitialBytes("L1: Testprogramm\r\n\tDelay 250\r\n\tBeep\r\n\tGoto L1:\r\n");

class ProgramPageFiles : public PageTest {
protected:
    void SetUp() override {
        PageTest::SetUp();
        ASSERT_TRUE(files.isValid());
    }

    QString path(const QString& name) const { return files.filePath(name); }

    void writeFile(const QString& name, const QByteArray& bytes) {
        QFile f(path(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    QByteArray readFile(const QString& name) const {
        QFile f(path(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
    void writeAutosave(const QByteArray& bytes) {
        ASSERT_TRUE(zentor::writeFileAtomically(zentor::autosavePath(), bytes));
    }

    void open(const QString& name) {
        chosenFile = path(name);
        page->ffnen1Click();
    }
    void save(const QString& name) {
        chosenFile = path(name);
        page->Speichern1Click();
    }

    QTemporaryDir files;
};

TEST_F(ProgramPageFiles, TheInitialListingIsStoredAs48Bytes) {
    save("start.z");
    EXPECT_EQ(readFile("start.z"), kInitialBytes);
    EXPECT_EQ(kInitialBytes.size(), 48);
    EXPECT_EQ(shell.caption, QStringLiteral("Zentor - start.z"));
    ASSERT_EQ(fileDialogs.size(), 1u);
    EXPECT_EQ(fileDialogs[0], ProgramPage::FileDialogKind::Save);
    EXPECT_TRUE(boxes.empty());

    // Opened again on a fresh page: lines, jump target, free keys.
    page = std::make_unique<ProgramPage>(shell);
    shell.caption = QStringLiteral("Zentor");
    open("start.z");
    EXPECT_EQ(lines(), kInitial);
    EXPECT_EQ(itemsOf(page->ComboBox7), QStringList{"L1: Testprogramm"});
    EXPECT_EQ(page->ComboBox7->currentText(), QStringLiteral("L1: Testprogramm"));
    EXPECT_TRUE(page->ListBox13->findItems("L1:", Qt::MatchExactly).isEmpty());
    EXPECT_EQ(selectedText(page->ListBox13), QStringLiteral("L2:"));
    EXPECT_EQ(page->selectedRow(), -1);
    EXPECT_TRUE(page->ListBox6->isEnabled());
    EXPECT_EQ(shell.status, QStringLiteral("121 Bytes frei."));
    EXPECT_EQ(shell.caption, QStringLiteral("Zentor - start.z"));
}

TEST_F(ProgramPageFiles, AnEmptyListingIsAnEmptyFile) {
    page->LabelUpdate();
    page->ButtonCompClick();
    ASSERT_EQ(page->ComboBox7->count(), 1);
    page->setListingLines({});
    save("leer.z");
    EXPECT_EQ(readFile("leer.z"), QByteArray());

    open("leer.z");
    EXPECT_TRUE(lines().isEmpty());
    EXPECT_EQ(page->ComboBox7->count(), 0);
    EXPECT_EQ(page->ListBox13->count(), 12);
    EXPECT_FALSE(page->ListBox6->isEnabled());
    EXPECT_EQ(shell.status, QStringLiteral("124 Bytes frei."));
}

TEST_F(ProgramPageFiles, LineEndsAndCtrlZ) {
    struct Case {
        const char* name;
        QByteArray bytes;
        QStringList lines;
    };
    const std::vector<Case> cases{
        {"lf.z", "L1: Testprogramm\n\tDelay 250\n\tBeep\n\tGoto L1:\n", kInitial},
        {"ohne-ende.z", "\tBeep\r\n\tEnd", {"\tBeep", "\tEnd"}},
        {"cr.z", "\tBe\rep\r\n", {"\tBeep"}},
        {"nur-cr.z", "\tBeep\r\tEnd\r", {"\tBeep", "\tEnd"}},
        {"leerzeile.z", "\tBeep\r\n\r\n\tEnd\r\n", {"\tBeep", "", "\tEnd"}},
        {"ctrlz-mitte.z", "\tBeep\r\n\tE\x1And\r\n\tReturn\r\n", {"\tBeep", "\tE", "\tReturn"}},
        {"ctrlz-anfang.z", "\tBeep\r\n\x1A\tEnd\r\n\tReturn\r\n", {"\tBeep"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        writeFile(c.name, c.bytes);
        open(c.name);
        EXPECT_EQ(lines(), c.lines);
    }
    // A file with LF line ends is saved with CR LF.
    open("lf.z");
    save("crlf.z");
    EXPECT_EQ(readFile("crlf.z"), kInitialBytes);
}

TEST_F(ProgramPageFiles, OpeningRebuildsTheLabelPool) {
    // Labels placed before are forgotten.
    page->Add2Click(page->ListBox13);
    page->Add2Click(page->ListBox13);
    writeFile("labels.z", "LA: zwei\r\n\tGoto L2: eins\r\nL2: eins\r\n\tGoto LA: zwei\r\n");
    open("labels.z");
    EXPECT_EQ(itemsOf(page->ListBox13),
              (QStringList{"L1:", "L3:", "L4:", "L5:", "L6:", "L7:", "L8:", "L9:", "LB:", "LC:"}));
    EXPECT_EQ(selectedText(page->ListBox13), QStringLiteral("L1:"));
    EXPECT_EQ(itemsOf(page->ComboBox7), (QStringList{"L2: eins", "LA: zwei"}));
    EXPECT_EQ(page->ComboBox7->currentText(), QStringLiteral("LA: zwei"));
    EXPECT_EQ(page->codeList(), (QStringList{"00  50  02", "02  50  00"}));
}

TEST_F(ProgramPageFiles, TheCommentFieldSurvivesOpeningButNotNew) {
    page->Edit3->setText(QStringLiteral("Kommentar"));
    writeFile("a.z", "\tBeep\r\n");
    open("a.z");
    EXPECT_EQ(page->Edit3->text(), QStringLiteral("Kommentar"));
    page->Beenden2Click();
    EXPECT_TRUE(page->Edit3->text().isEmpty());
}

TEST_F(ProgramPageFiles, LongLinesAreCutOnlyInTheAutosave) {
    const QByteArray longLine = "\tRem " + QByteArray(295, 'x');
    ASSERT_EQ(longLine.size(), 300);
    writeAutosave(longLine + "\r\n\tEnd\r\n");
    page->LoadLast();
    ASSERT_EQ(lines().size(), 2);
    EXPECT_EQ(lines()[0], QString::fromLatin1(longLine.left(259)));
    EXPECT_EQ(lines()[1], QStringLiteral("\tEnd"));
    EXPECT_EQ(shell.status, QStringLiteral("123 Bytes frei."));
    EXPECT_EQ(shell.caption, QStringLiteral("Zentor")); // the autosave names no file
    ASSERT_EQ(boxes.size(), 1u);                        // the cut is told
    EXPECT_EQ(boxes[0].text, QStringLiteral("Eine Zeile der automatischen Sicherung war länger "
                                            "als 259 Zeichen und wurde gekürzt."));

    writeFile("lang.z", longLine + "\r\n");
    open("lang.z");
    EXPECT_EQ(lines(), QStringList{QString::fromLatin1(longLine)});
}

TEST_F(ProgramPageFiles, TheAutosaveCarriesTheListingToTheNextRun) {
    page->selectRow(2);
    page->Delete1Click();
    page->SaveLast();
    QFile autosave(zentor::autosavePath());
    ASSERT_TRUE(autosave.open(QIODevice::ReadOnly));
    EXPECT_EQ(autosave.readAll(), QByteArray("L1: Testprogramm\r\n\tDelay 250\r\n\tGoto L1:\r\n"));
    EXPECT_EQ(shell.caption, QStringLiteral("Zentor"));

    // The next run: the label pool is built from the restored listing.
    page = std::make_unique<ProgramPage>(shell);
    page->LoadLast();
    EXPECT_EQ(lines(), (QStringList{"L1: Testprogramm", "\tDelay 250", "\tGoto L1:"}));
    EXPECT_EQ(itemsOf(page->ComboBox7), QStringList{"L1: Testprogramm"});
    EXPECT_EQ(selectedText(page->ListBox13), QStringLiteral("L2:"));
    EXPECT_EQ(page->selectedRow(), -1);
    EXPECT_EQ(shell.status, QStringLiteral("122 Bytes frei."));
}

TEST_F(ProgramPageFiles, WithoutAutosaveTheInitialListingStaysUncompiled) {
    ASSERT_FALSE(QFile::exists(zentor::autosavePath()));
    page->LoadLast();
    EXPECT_EQ(lines(), kInitial);
    EXPECT_EQ(shell.statusWrites, 0);
    EXPECT_EQ(page->ComboBox7->count(), 0);
}

TEST_F(ProgramPageFiles, NewAsksOnlyWhenThereIsSomethingToLose) {
    save("vorher.z");
    page->Add2Click(page->ListBox13); // "L1: " placed
    confirmAnswer = false;
    page->Beenden2Click();
    ASSERT_EQ(confirmations.size(), 1u);
    EXPECT_EQ(confirmations[0].caption, QStringLiteral("Zentor"));
    EXPECT_EQ(confirmations[0].text, QStringLiteral("Programm löschen?"));
    EXPECT_EQ(lines().size(), 5);
    EXPECT_EQ(itemsOf(page->ComboBox7), QStringList{"L1: "});
    EXPECT_EQ(shell.caption, QStringLiteral("Zentor - vorher.z"));

    confirmAnswer = true;
    page->Beenden2Click();
    EXPECT_EQ(lines(), QStringList{"\tEnd"});
    EXPECT_EQ(page->selectedRow(), 0);
    EXPECT_EQ(page->ComboBox7->count(), 0);
    EXPECT_EQ(page->ListBox13->count(), 12);
    EXPECT_EQ(selectedText(page->ListBox13), QStringLiteral("L1:"));
    EXPECT_FALSE(page->ListBox6->isEnabled());
    EXPECT_EQ(shell.status, QStringLiteral("123 Bytes frei."));
    EXPECT_EQ(shell.caption, QStringLiteral("Zentor"));

    // New lines go above "End".
    doubleClickEntry(page->ListBox5, QStringLiteral("Beep"));
    EXPECT_EQ(lines(), (QStringList{"\tBeep", "\tEnd"}));

    page->selectRow(0);
    page->Delete1Click();
    page->Delete1Click();
    ASSERT_TRUE(lines().isEmpty());
    page->Beenden2Click();
    EXPECT_EQ(confirmations.size(), 2u); // not asked for the empty listing
    EXPECT_EQ(lines(), QStringList{"\tEnd"});
}

TEST_F(ProgramPageFiles, CancelledDialogsChangeNothing) {
    chosenFile.clear();
    page->ffnen1Click();
    page->Speichern1Click();
    EXPECT_EQ(fileDialogs.size(), 2u);
    EXPECT_EQ(lines(), kInitial);
    EXPECT_EQ(shell.caption, QStringLiteral("Zentor"));
    EXPECT_EQ(shell.statusWrites, 0);
    EXPECT_TRUE(QDir(files.path()).isEmpty());
}

TEST_F(ProgramPageFiles, ANameWithoutExtensionGetsSp2) {
    save("test");
    EXPECT_EQ(readFile("test.sp2"), kInitialBytes);
    EXPECT_FALSE(QFile::exists(path("test")));
    EXPECT_EQ(shell.caption, QStringLiteral("Zentor - test.sp2"));
    save("test.z");
    EXPECT_EQ(readFile("test.z"), kInitialBytes);
}

TEST_F(ProgramPageFiles, TheRealDialogsAreConfiguredForProgramFiles) {
    for (auto kind : {ProgramPage::FileDialogKind::Open, ProgramPage::FileDialogKind::Save}) {
        std::unique_ptr<QFileDialog> dialog(ProgramPage::createFileDialog(page.get(), kind));
        EXPECT_EQ(dialog->nameFilters(), QStringList{"Zentor-Dateien (*.z *.sp2)"});
        EXPECT_EQ(dialog->defaultSuffix(), QStringLiteral("sp2"));
        EXPECT_TRUE(dialog->isSizeGripEnabled());
        if (kind == ProgramPage::FileDialogKind::Save) {
            EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptSave);
            EXPECT_FALSE(dialog->testOption(QFileDialog::DontConfirmOverwrite));
        } else {
            EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptOpen);
            EXPECT_EQ(dialog->fileMode(), QFileDialog::ExistingFile);
        }
    }
    // Typing "test" into the save dialog selects test.sp2.
    std::unique_ptr<QFileDialog> dialog(
        ProgramPage::createFileDialog(page.get(), ProgramPage::FileDialogKind::Save));
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setDirectory(files.path());
    dialog->selectFile(QStringLiteral("test"));
    EXPECT_EQ(dialog->selectedFiles(), QStringList{path("test.sp2")});
}

// Saving must not look like success when the file cannot be written.
TEST_F(ProgramPageFiles, AFailedSaveIsReportedAndKeepsTheTitle) {
    writeFile("datei", "kein Ordner");
    save("datei/prog.z"); // its folder is a file
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].kind, dialogs::Kind::Error);
    EXPECT_EQ(boxes[0].caption, QStringLiteral("Fehler"));
    EXPECT_TRUE(boxes[0].text.contains(QDir::toNativeSeparators(path("datei/prog.z"))))
        << boxes[0].text.toStdString();
    EXPECT_EQ(shell.caption, QStringLiteral("Zentor"));
}

TEST_F(ProgramPageFiles, ASaveReplacesTheOldFileCompletely) {
    writeFile("alt.z", QByteArray(1000, 'x'));
    page->setListingLines({"\tEnd"});
    save("alt.z");
    EXPECT_EQ(readFile("alt.z"), QByteArray("\tEnd\r\n"));
    // No temporary file is left beside it.
    EXPECT_EQ(QDir(files.path()).entryList(QDir::Files), QStringList{"alt.z"});
}

// A file that cannot be read must not replace the listing on screen.
TEST_F(ProgramPageFiles, AnUnreadableFileLeavesTheListing) {
    QDir(files.path()).mkdir("ordner.z");
    writeFile("null.z", QByteArray("\tBeep\r\n\tE\0nd\r\n", 13));
    for (const auto& [name, reason] :
         {std::pair{"ordner.z", "keine gewöhnliche Datei"}, std::pair{"null.z", "Zeile 2"}}) {
        boxes.clear();
        open(name);
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].kind, dialogs::Kind::Error);
        EXPECT_TRUE(boxes[0].text.contains(QString::fromUtf8(name)));
        EXPECT_TRUE(boxes[0].text.contains(QString::fromUtf8(reason)))
            << boxes[0].text.toStdString();
        EXPECT_EQ(lines(), kInitial);
        EXPECT_EQ(shell.caption, QStringLiteral("Zentor"));
    }
}

// The autosave after a change cannot be written: told once, tried again.
TEST_F(ProgramPageFiles, AnAutosaveThatCannotBeWrittenIsToldOnce) {
    std::string why;
    const std::string mounted = testing_support::mountPrivateTmpfs(64 * 1024, why);
    if (mounted.empty())
        GTEST_SKIP() << why;
    ASSERT_TRUE(testing_support::remountReadOnly(mounted, true, why)) << why;
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(mounted));
    // The file is written off the GUI thread; its outcome comes back later.
    const auto changeAndWait = [this](const QString& line) {
        page->setListingLines({line});
        QTRY_VERIFY_WITH_TIMEOUT(!page->autosavePending(), 30000);
    };
    page->setListingLines({QStringLiteral("\tBeep")});
    EXPECT_TRUE(QTest::qWaitFor([this] { return !boxes.empty(); }, 30'000));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].kind, dialogs::Kind::Error);
    EXPECT_TRUE(boxes[0].text.startsWith(
        "Das Programm kann nicht automatisch gesichert werden: \"" + zentor::autosavePath()));
    EXPECT_TRUE(boxes[0].text.contains("schreibgeschützt")) << boxes[0].text.toStdString();
    changeAndWait("\tEnd");
    EXPECT_EQ(boxes.size(), 1u);

    ASSERT_TRUE(testing_support::remountReadOnly(mounted, false, why)) << why;
    page->setListingLines({QStringLiteral("\tReturn")});
    const auto saved = [] {
        QFile autosave(zentor::autosavePath());
        return autosave.open(QIODevice::ReadOnly) ? autosave.readAll() : QByteArray();
    };
    EXPECT_TRUE(QTest::qWaitFor([&] { return saved() == QByteArray("\tReturn\r\n"); }, 30'000))
        << saved().toStdString();
    EXPECT_EQ(boxes.size(), 1u);
}

// An autosave that cannot be read is kept for rescue, never overwritten.
TEST_F(ProgramPageFiles, AnUnreadableAutosaveIsMovedAside) {
    QByteArray oversized(zentor::kProgramFileLimit + 1, 'x');
    const QByteArray binary("\tBeep\r\n\0\x01\x02", 9);
    const QString aside = zentor::autosavePath() + QStringLiteral(".defekt");
    for (const auto& [bytes, movedTo] :
         {std::pair{oversized, aside}, std::pair{binary, aside + QStringLiteral(".2")}}) {
        boxes.clear();
        writeAutosave(bytes);
        page->LoadLast();
        EXPECT_EQ(lines(), kInitial);
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_TRUE(boxes[0].text.contains(QStringLiteral("kann nicht gelesen werden")));
        EXPECT_TRUE(boxes[0].text.contains(movedTo)) << boxes[0].text.toStdString();
        QFile kept(movedTo);
        ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
        EXPECT_EQ(kept.readAll(), bytes);
        page->SaveLast();
        QFile autosave(zentor::autosavePath());
        ASSERT_TRUE(autosave.open(QIODevice::ReadOnly));
        EXPECT_EQ(autosave.readAll(), kInitialBytes);
    }
}

// An example replaces the listing without a question only when nothing
// would be lost.
TEST_F(ProgramPageFiles, AnExampleAsksBeforeItReplacesAChangedListing) {
    writeFile("beispiel.z", "\tBeep\r\n");
    page->openExample(path("beispiel.z")); // the initial listing: not asked
    page->setListingLines({"\tEnd"});
    confirmAnswer = false;
    page->openExample(path("beispiel.z"));
    ASSERT_EQ(confirmations.size(), 1u);
    EXPECT_EQ(confirmations[0].text,
              QStringLiteral("Das Programm wurde geändert. Durch das Beispiel ersetzen?"));
    EXPECT_EQ(lines(), QStringList{"\tEnd"});
}

TEST_F(ProgramPageFiles, TheStartupFileIsOpenedWithoutAsking) {
    writeFile("start.z", "\tBeep\r\n\tEnd\r\n");
    writeAutosave("\tReturn\r\n");
    page->setStartupFile(path("start.z"));
    EXPECT_TRUE(page->StartupFilePending());
    page->ffnen1Click();
    EXPECT_TRUE(fileDialogs.empty());
    EXPECT_FALSE(page->StartupFilePending());
    EXPECT_EQ(lines(), (QStringList{"\tBeep", "\tEnd"}));
    EXPECT_EQ(shell.caption, QStringLiteral("Zentor - start.z"));
    // The next open asks again.
    chosenFile.clear();
    page->ffnen1Click();
    EXPECT_EQ(fileDialogs.size(), 1u);
}

// A command-line file that cannot be opened brings the last listing back, so
// that the autosave at exit does not lose it.
TEST_F(ProgramPageFiles, AMissingStartupFileRestoresTheAutosave) {
    writeAutosave("LB: alt\r\n\tBeep\r\n\tGoto LB: alt\r\n");
    page->setStartupFile(path("gibt-es-nicht.z"));
    page->ffnen1Click();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].kind, dialogs::Kind::Error);
    EXPECT_TRUE(boxes[0].text.contains(QStringLiteral("gibt-es-nicht.z")));
    EXPECT_FALSE(page->StartupFilePending());
    EXPECT_EQ(lines(), (QStringList{"LB: alt", "\tBeep", "\tGoto LB: alt"}));
    EXPECT_EQ(itemsOf(page->ComboBox7), QStringList{"LB: alt"});
    EXPECT_EQ(shell.caption, QStringLiteral("Zentor"));
    page->SaveLast();
    QFile autosave(zentor::autosavePath());
    ASSERT_TRUE(autosave.open(QIODevice::ReadOnly));
    EXPECT_EQ(autosave.readAll(), QByteArray("LB: alt\r\n\tBeep\r\n\tGoto LB: alt\r\n"));
}

} // namespace
