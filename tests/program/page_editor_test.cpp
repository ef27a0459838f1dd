// The listing editor on the "Programm" page: palettes, number fields, label
// pool, insertion by double-click, Enter and drop, line moves, deletion and
// the compilation after every change.
#include "instruction_lookup.h"
#include "page_support.h"

#include <QAction>
#include <QApplication>
#include <QDragEnterEvent>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>

namespace {

const QStringList kInitial{"L1: Testprogramm", "\tDelay 250", "\tBeep", "\tGoto L1:"};
const QStringList kAllKeys{
    "L1:", "L2:", "L3:", "L4:", "L5:", "L6:", "L7:", "L8:", "L9:", "LA:", "LB:", "LC:"};

using ProgramPageEditor = PageTest;

TEST_F(ProgramPageEditor, StartsWithTheInitialListingAndAFreshLabelPool) {
    EXPECT_EQ(lines(), kInitial);
    EXPECT_EQ(page->selectedRow(), -1);
    EXPECT_EQ(itemsOf(page->ListBox13), kAllKeys);
    EXPECT_EQ(selectedText(page->ListBox13), QStringLiteral("L1:"));
    EXPECT_EQ(page->ComboBox7->count(), 0);
    EXPECT_FALSE(page->ListBox6->isEnabled());
    EXPECT_TRUE(page->Edit3->isEnabled());
    EXPECT_TRUE(page->Edit3->text().isEmpty());
    EXPECT_FALSE(page->listingDragEnabled());
    EXPECT_TRUE(page->Listcode->isHidden());
    EXPECT_TRUE(page->ButtonDiss->isHidden());
    EXPECT_TRUE(page->ButtonComp->isHidden());
    EXPECT_TRUE(page->ListOP->isHidden());
    EXPECT_EQ(itemsOf(page->ListOP), zentor::listOpTexts());
    // The initial listing stays uncompiled until the first change.
    EXPECT_EQ(shell.statusWrites, 0);
    EXPECT_EQ(page->Listcode->count(), 0);
    EXPECT_EQ(page->copyLines(), kInitial);
}

TEST_F(ProgramPageEditor, PalettesCarryTheirEntriesTagsAndLook) {
    struct Palette {
        QListWidget* list;
        int tag;
        QString group;
        QStringList entries;
    };
    const std::vector<Palette> palettes{
        {page->ListBox2,
         1,
         "Rechenbefehle",
         {"A = A + 1", "A = A - 1", "A = A + B", "A = A - B", "A = A * B", "A = A / B",
          "A = A And B", "A = A Or B", "A = A Shl 1", "A = A Shr 1", "A = Not A"}},
        {page->ListBox15,
         1,
         "Inhalte zuweisen",
         {"B = A", "A = B", "C = A", "A = C", "D = A", "A = D", "A = [B+]", "[B+] = A"}},
        {page->ListBox5,
         1,
         "Ein-/Ausgaben",
         {"A = Uin", "A = Din", "A = Portin", "Pdir = A", "Delay = A", "Portout = A", "PWM = A",
          "Beep"}},
        {page->ListBox3,
         6,
         "Konstanten zuweisen",
         {"A = ", "B = ", "C = ", "D = ", "Delay = ", "PWM = ", "Pdir = ", "Portout = ",
          "A = A And ", "A = A Or "}},
        {page->ListBox6,
         2,
         "Sprungbefehle",
         {"Goto ", "Gosub ", "If A = B Goto ", "If A > B Goto ", "If A < B Goto ", "C*Goto ",
          "D*Goto "}},
        {page->ListBox7, 1, "Sprungbefehle", {"Return", "End"}},
        {page->ListBox14, 5, "Sprungbefehle", {"Rem"}},
        {page->ListBox13, 3, "Verfügbare Labels", kAllKeys},
    };
    for (const Palette& p : palettes) {
        SCOPED_TRACE(p.list->objectName().toStdString());
        EXPECT_EQ(itemsOf(p.list), p.entries);
        EXPECT_EQ(p.list->property("Tag").toInt(), p.tag);
        EXPECT_EQ(p.list->toolTip(), QStringLiteral("Doppelklick oder ins Listing ziehen"));
        EXPECT_TRUE(p.list->dragEnabled());
        EXPECT_TRUE(p.list->font().bold());
        EXPECT_EQ(p.list->font().pixelSize(), 13);
        EXPECT_EQ(p.list->visualItemRect(p.list->item(0)).height(), 16);
        const auto* group = qobject_cast<QGroupBox*>(p.list->parentWidget());
        ASSERT_NE(group, nullptr);
        EXPECT_EQ(group->title(), p.group);
        // Every plain entry is an instruction of the table.
        if (p.tag == 1) {
            for (const QString& entry : p.entries)
                EXPECT_TRUE(zentor::exactLookup(entry).has_value()) << entry.toStdString();
        }
    }
}

TEST_F(ProgramPageEditor, ListingAndControlsLookAsIntended) {
    // Equal advances, not the font's flag: some fixed-pitch fonts do not set it.
    const QFontMetrics listingFont(page->ListBox1->font());
    EXPECT_EQ(listingFont.horizontalAdvance(u'i'), listingFont.horizontalAdvance(u'W'));
    EXPECT_EQ(page->ListBox1->palette().color(QPalette::Text), QColor(0, 0, 128));
    EXPECT_EQ(page->ListBox1->visualItemRect(page->ListBox1->item(0)).height(), 15);
    EXPECT_EQ(page->ListBox1->viewport()->cursor().shape(), Qt::PointingHandCursor);
    ASSERT_EQ(page->PopupMenu1->actions().size(), 1);
    EXPECT_EQ(page->PopupMenu1->actions().front(), page->Delete1);
    EXPECT_EQ(page->Delete1->text(), QStringLiteral("&Löschen"));

    EXPECT_EQ(page->GroupBoxRun->title(), QStringLiteral("Ausführen"));
    EXPECT_EQ(page->ButtonSend->text(), QStringLiteral("&Send && Start"));
    EXPECT_EQ(page->ButtonRUN->text(), QStringLiteral("St&art"));
    EXPECT_EQ(page->B1->text(), QStringLiteral("St&op"));
    EXPECT_EQ(page->Button15->text(), QStringLiteral("&Break"));
    EXPECT_EQ(page->Button16->text(), QStringLiteral("&Continue"));
    EXPECT_EQ(page->ButtonDiss->text(), QStringLiteral("&Read"));
    EXPECT_EQ(page->ProgressBar2->value(), 0);
    // Every control lies inside the page area.
    for (QWidget* w : page->findChildren<QWidget*>()) {
        if (w->isHidden() || w->parentWidget() != page.get())
            continue;
        EXPECT_TRUE(page->rect().contains(w->geometry())) << w->objectName().toStdString();
    }
}

TEST_F(ProgramPageEditor, NumberFieldsSitBesideTheirRows) {
    const std::vector<std::pair<QLineEdit*, QString>> fields{
        {page->EditA, "1"},     {page->EditB, "2"},       {page->EditC, "4"},
        {page->EditD, "8"},     {page->EditDelay, "250"}, {page->EditPWM, "255"},
        {page->EditPdir, "63"}, {page->EditPort, "0"},    {page->EditAnd, "1"},
        {page->EditOr, "1"}};
    for (std::size_t row = 0; row < fields.size(); ++row) {
        QLineEdit* field = fields[row].first;
        SCOPED_TRACE(field->objectName().toStdString());
        EXPECT_EQ(field->text(), fields[row].second);
        EXPECT_EQ(field->property("Tag").toInt(), 7);
        EXPECT_EQ(field->toolTip(), QStringLiteral("Eingabe Zahl 0..255"));
        EXPECT_FALSE(field->hasFrame());
        EXPECT_TRUE(field->font().bold());
        // Same height and vertical place as its row of ListBox3.
        const QRect rowRect = page->ListBox3->visualItemRect(page->ListBox3->item(int(row)));
        const QPoint rowTop = page->ListBox3->viewport()->mapTo(page.get(), rowRect.topLeft());
        const QPoint fieldTop = field->mapTo(page.get(), QPoint(0, 0));
        EXPECT_EQ(fieldTop.y(), rowTop.y());
        EXPECT_EQ(field->height(), rowRect.height());
        EXPECT_GT(fieldTop.x(), rowTop.x());
    }
}

TEST_F(ProgramPageEditor, DoubleClickInsertsAboveTheSelectedLineAndCompiles) {
    page->selectRow(3);
    doubleClickEntry(page->ListBox5, QStringLiteral("Beep"));
    EXPECT_EQ(lines(),
              (QStringList{"L1: Testprogramm", "\tDelay 250", "\tBeep", "\tBeep", "\tGoto L1:"}));
    EXPECT_EQ(page->selectedRow(), 4);
    EXPECT_EQ(shell.status, QStringLiteral("120 Bytes frei."));
    EXPECT_EQ(itemsOf(page->Listcode), (QStringList{"00  2D", "01  2D", "02  50  00"}));
}

TEST_F(ProgramPageEditor, WithoutSelectionLinesAreAppendedInOrder) {
    doubleClickEntry(page->ListBox2, QStringLiteral("A = A + 1"));
    doubleClickEntry(page->ListBox15, QStringLiteral("A = [B+]"));
    doubleClickEntry(page->ListBox7, QStringLiteral("End"));
    EXPECT_EQ(lines().mid(4), (QStringList{"\tA = A + 1", "\tA = [B+]", "\tEnd"}));
    EXPECT_EQ(page->selectedRow(), -1);
    EXPECT_EQ(shell.status, QStringLiteral("118 Bytes frei."));
}

TEST_F(ProgramPageEditor, ConstantsComeFromTheNumberFields) {
    struct Case {
        QString text;
        QString line;
    };
    for (const Case& c : std::vector<Case>{{"300", "\tA = 44"},
                                           {"-1", "\tA = 255"},
                                           {"", "\tA = 0"},
                                           {"$ff", "\tA = 255"},
                                           {"1A", "\tA = 1"}}) {
        page->EditA->setText(c.text);
        doubleClick(page->EditA, page->EditA->rect().center());
        EXPECT_EQ(lines().back(), c.line) << c.text.toStdString();
    }
    // Enter in a field and a drop of its row give the same line.
    QTest::keyClick(page->EditPWM, Qt::Key_Return);
    EXPECT_EQ(lines().back(), QStringLiteral("\tPWM = 255"));
    const int before = page->ListBox1->count();
    dropEntry(page->ListBox3, QStringLiteral("PWM = "), belowLastRow(page->ListBox1));
    EXPECT_EQ(page->ListBox1->count(), before + 1);
    EXPECT_EQ(lines().back(), QStringLiteral("\tPWM = 255"));
    // Double-clicking a row of ListBox3 takes that row's field.
    page->EditDelay->setText(QStringLiteral("7"));
    page->selectRow(-1);
    doubleClickEntry(page->ListBox3, QStringLiteral("Delay = "));
    EXPECT_EQ(lines().back(), QStringLiteral("\tDelay = 7"));
}

TEST_F(ProgramPageEditor, NumberFieldsKeepThreeCharacters) {
    QLineEdit* field = page->EditDelay;
    field->setFocus();
    field->setCursorPosition(3);
    QTest::keyClicks(field, QStringLiteral("5"));
    EXPECT_EQ(field->text(), QStringLiteral("505"));
    EXPECT_EQ(field->cursorPosition(), 3);

    field->setText(QStringLiteral("12"));
    field->setCursorPosition(2);
    field->insert(QStringLiteral("345")); // a paste at the end
    EXPECT_EQ(field->text(), QStringLiteral("234"));

    field->setText(QStringLiteral("250"));
    field->setCursorPosition(1);
    QTest::keyClicks(field, QStringLiteral("9"));
    EXPECT_EQ(field->text(), QStringLiteral("295"));
    EXPECT_EQ(field->cursorPosition(), 2);

    field->setText(QStringLiteral("ff"));
    EXPECT_EQ(field->text(), QStringLiteral("FF"));
}

TEST_F(ProgramPageEditor, PlacingLabelsFillsTheJumpTargets) {
    page->Edit3->setText(QStringLiteral("Start"));
    doubleClickEntry(page->ListBox13, QStringLiteral("L1:"));
    EXPECT_EQ(lines().back(), QStringLiteral("L1: Start"));
    EXPECT_EQ(itemsOf(page->ComboBox7), QStringList{"L1: Start"});
    EXPECT_EQ(page->ComboBox7->currentText(), QStringLiteral("L1: Start"));
    EXPECT_FALSE(page->ListBox13->findItems("L1:", Qt::MatchExactly).size());
    EXPECT_EQ(selectedText(page->ListBox13), QStringLiteral("L2:"));
    EXPECT_TRUE(page->Edit3->text().isEmpty());
    EXPECT_TRUE(page->ListBox6->isEnabled());

    doubleClickEntry(page->ListBox6, QStringLiteral("Goto "));
    EXPECT_EQ(lines().back(), QStringLiteral("\tGoto L1: Start"));
    // The later definition of label 1 wins.
    EXPECT_EQ(itemsOf(page->Listcode).back(), QStringLiteral("03  50  03"));
}

TEST_F(ProgramPageEditor, TheLongestCommentStillLetsJumpsReachItsLabel) {
    page->Edit3->setText(QString(150, u'x'));
    doubleClickEntry(page->ListBox13, QStringLiteral("L1:"));
    doubleClickEntry(page->ListBox6, QStringLiteral("Goto "));
    EXPECT_EQ(lines().back(), QStringLiteral("\tGoto L1: ") + QString(96, u'x'));
    EXPECT_EQ(itemsOf(page->Listcode).back(), QStringLiteral("03  50  03"));
}

TEST_F(ProgramPageEditor, LabelsWithoutCommentEndInABlankAndSortAsTargets) {
    page->ListBox13->setCurrentRow(1); // "L2:"
    doubleClickEntry(page->ListBox13, QStringLiteral("L2:"));
    doubleClickEntry(page->ListBox13, QStringLiteral("L1:"));
    EXPECT_EQ(lines().mid(4), (QStringList{"L2: ", "L1: "}));
    EXPECT_EQ(itemsOf(page->ComboBox7), (QStringList{"L1: ", "L2: "}));
    EXPECT_EQ(page->ComboBox7->currentText(), QStringLiteral("L1: "));
    EXPECT_EQ(itemsOf(page->ListBox13).first(), QStringLiteral("L3:"));
}

TEST_F(ProgramPageEditor, TheUsersChoiceOfTargetIsTheJumpTarget) {
    doubleClickEntry(page->ListBox13, QStringLiteral("L1:"));
    doubleClickEntry(page->ListBox13, QStringLiteral("L2:"));
    page->ComboBox7->setCurrentIndex(0);
    doubleClickEntry(page->ListBox6, QStringLiteral("If A > B Goto "));
    EXPECT_EQ(lines().back(), QStringLiteral("\tIf A > B Goto L1: "));
}

TEST_F(ProgramPageEditor, AFullLabelPoolOffersNothing) {
    for (int k = 0; k < 12; ++k)
        page->Add2Click(page->ListBox13);
    EXPECT_EQ(page->ListBox13->count(), 0);
    EXPECT_EQ(page->ComboBox7->count(), 12);
    const QStringList full = lines();
    const int writes = shell.statusWrites;
    page->Add2Click(page->ListBox13);
    page->ListBox1DragDrop(page->ListBox13, belowLastRow(page->ListBox1));
    EXPECT_EQ(lines(), full);
    EXPECT_EQ(shell.statusWrites, writes); // not even compiled
}

TEST_F(ProgramPageEditor, CommentsTakeTheCommentField) {
    page->Edit3->setText(QStringLiteral("Start"));
    doubleClickEntry(page->ListBox14, QStringLiteral("Rem"));
    EXPECT_EQ(lines().back(), QStringLiteral("\tRem Start"));
    EXPECT_EQ(page->Edit3->text(), QStringLiteral("Start"));
}

TEST_F(ProgramPageEditor, PaletteClicksKeepOneSelectionAndSwitchTheCommentField) {
    pressEntry(page->ListBox2, QStringLiteral("A = A + B"));
    EXPECT_FALSE(page->Edit3->isEnabled());
    pressEntry(page->ListBox5, QStringLiteral("Beep"));
    EXPECT_TRUE(page->ListBox2->selectedItems().isEmpty());
    EXPECT_TRUE(page->ListBox13->selectedItems().isEmpty());
    pressEntry(page->ListBox14, QStringLiteral("Rem"));
    EXPECT_TRUE(page->Edit3->isEnabled());
    EXPECT_TRUE(page->ListBox5->selectedItems().isEmpty());
    pressEntry(page->ListBox7, QStringLiteral("End"));
    EXPECT_FALSE(page->Edit3->isEnabled());
    pressEntry(page->ListBox13, QStringLiteral("L4:"));
    EXPECT_TRUE(page->Edit3->isEnabled());
    // A click into a number field selects its row of the constants.
    QTest::mouseClick(page->EditPdir, Qt::LeftButton, {}, page->EditPdir->rect().center());
    EXPECT_EQ(selectedText(page->ListBox3), QStringLiteral("Pdir = "));
    EXPECT_TRUE(page->ListBox13->selectedItems().isEmpty());
    EXPECT_FALSE(page->Edit3->isEnabled());
}

TEST_F(ProgramPageEditor, APressChoosesThePaletteEntryBeforeAnyRelease) {
    // A drag out of a palette starts with a press and is released elsewhere.
    auto pressOn = [](QListWidget* list, const QString& text) {
        const QPoint at =
            list->visualItemRect(list->findItems(text, Qt::MatchExactly).front()).center();
        QTest::mousePress(list->viewport(), Qt::LeftButton, {}, at);
        return at;
    };
    pressEntry(page->ListBox14, QStringLiteral("Rem"));
    const QPoint beep = pressOn(page->ListBox5, QStringLiteral("Beep"));
    EXPECT_EQ(selectedText(page->ListBox5), QStringLiteral("Beep"));
    EXPECT_TRUE(page->ListBox14->selectedItems().isEmpty());
    EXPECT_FALSE(page->Edit3->isEnabled());
    QTest::mouseRelease(page->ListBox5->viewport(), Qt::LeftButton, {}, beep);

    const QPoint label = pressOn(page->ListBox13, QStringLiteral("L2:"));
    EXPECT_TRUE(page->ListBox5->selectedItems().isEmpty());
    EXPECT_TRUE(page->Edit3->isEnabled());
    EXPECT_TRUE(page->Edit3->hasFocus());
    QTest::mouseRelease(page->ListBox13->viewport(), Qt::LeftButton, {}, label);
}

TEST_F(ProgramPageEditor, APaletteWithoutSelectionInsertsNothing) {
    page->ListBox2->clearSelection();
    const int writes = shell.statusWrites;
    page->Add2Click(page->ListBox2);
    page->ListBox1DragDrop(page->ListBox2, rowCentre(page->ListBox1, 1));
    EXPECT_EQ(lines(), kInitial);
    EXPECT_EQ(shell.statusWrites, writes);
}

TEST_F(ProgramPageEditor, DroppedLinesGoAboveThePointerRow) {
    dropEntry(page->ListBox7, QStringLiteral("Return"), belowLastRow(page->ListBox1));
    EXPECT_EQ(lines().back(), QStringLiteral("\tReturn"));
    EXPECT_EQ(page->selectedRow(), 4);

    dropEntry(page->ListBox7, QStringLiteral("Return"), rowCentre(page->ListBox1, 2));
    EXPECT_EQ(lines(), (QStringList{"L1: Testprogramm", "\tDelay 250", "\tReturn", "\tBeep",
                                    "\tGoto L1:", "\tReturn"}));
    EXPECT_EQ(page->selectedRow(), 3);
    EXPECT_EQ(shell.status, QStringLiteral("119 Bytes frei."));
}

TEST_F(ProgramPageEditor, DraggingSelectsThePointerRow) {
    pressEntry(page->ListBox5, QStringLiteral("Beep"));
    EXPECT_TRUE(page->ListBox1DragOver(page->ListBox5, rowCentre(page->ListBox1, 1)));
    EXPECT_EQ(page->selectedRow(), 1);
    EXPECT_TRUE(page->ListBox1DragOver(page->ListBox5, belowLastRow(page->ListBox1)));
    EXPECT_EQ(page->selectedRow(), -1);
    EXPECT_EQ(lines(), kInitial);
}

TEST_F(ProgramPageEditor, JumpsAndLabelsByDrop) {
    // No jump target yet: the jump palette's drag is refused.
    pressEntry(page->ListBox6, QStringLiteral("Goto "));
    EXPECT_FALSE(page->ListBox1DragOver(page->ListBox6, rowCentre(page->ListBox1, 0)));
    // Drags from elsewhere are refused too.
    EXPECT_FALSE(page->ListBox1DragOver(nullptr, rowCentre(page->ListBox1, 0)));
    EXPECT_FALSE(page->ListBox1DragOver(page->Edit3, rowCentre(page->ListBox1, 0)));

    page->Edit3->setText(QStringLiteral("Loop"));
    dropEntry(page->ListBox13, QStringLiteral("L1:"), rowCentre(page->ListBox1, 0));
    EXPECT_EQ(lines().front(), QStringLiteral("L1: Loop"));
    EXPECT_EQ(page->ComboBox7->currentText(), QStringLiteral("L1: Loop"));
    EXPECT_EQ(page->Edit3->text(), QStringLiteral("Loop")); // a dropped label keeps it
    EXPECT_TRUE(page->ListBox6->isEnabled());

    dropEntry(page->ListBox6, QStringLiteral("Gosub "), belowLastRow(page->ListBox1));
    EXPECT_EQ(lines().back(), QStringLiteral("\tGosub L1: Loop"));
    EXPECT_TRUE(page->Edit3->text().isEmpty()); // a dropped jump empties it
    EXPECT_EQ(itemsOf(page->Listcode).back(), QStringLiteral("03  51  00"));
}

TEST_F(ProgramPageEditor, DropsFromOtherProgramsAreRefused) {
    QMimeData mime;
    mime.setText(QStringLiteral("\tBeep"));
    const QPointF at = rowCentre(page->ListBox1, 1);
    QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(page->ListBox1->viewport(), &enter);
    EXPECT_FALSE(enter.isAccepted());
    QDropEvent drop(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(page->ListBox1->viewport(), &drop);
    EXPECT_EQ(lines(), kInitial);
    EXPECT_EQ(page->selectedRow(), -1);
    // Text dragged out of a palette finds no other place on the page.
    for (const QLineEdit* field : QList<const QLineEdit*>{page->EditA, page->EditOr, page->Edit3})
        EXPECT_FALSE(field->acceptDrops()) << field->objectName().toStdString();
}

TEST_F(ProgramPageEditor, DeletingALabelStillJumpedToIsRefused) {
    page->Beenden2Click();
    page->Edit3->setText(QStringLiteral("Start"));
    doubleClickEntry(page->ListBox13, QStringLiteral("L1:"));
    doubleClickEntry(page->ListBox6, QStringLiteral("Goto "));
    ASSERT_EQ(lines(), (QStringList{"L1: Start", "\tGoto L1: Start", "\tEnd"}));

    page->selectRow(0);
    page->Delete1->trigger();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].kind, dialogs::Kind::Error);
    EXPECT_EQ(boxes[0].caption, QStringLiteral("Fehler"));
    EXPECT_EQ(boxes[0].text, QStringLiteral("Label wird noch benutzt!"));
    EXPECT_EQ(lines(), (QStringList{"L1: Start", "\tGoto L1: Start", "\tEnd"}));
    EXPECT_EQ(itemsOf(page->ComboBox7), QStringList{"L1: Start"});
    EXPECT_EQ(itemsOf(page->ListBox13).first(), QStringLiteral("L2:"));

    // Without the jump the label goes, and its key comes back on top.
    page->selectRow(1);
    page->Delete1->trigger();
    page->selectRow(0);
    page->Delete1->trigger();
    EXPECT_EQ(boxes.size(), 1u);
    EXPECT_EQ(lines(), QStringList{"\tEnd"});
    EXPECT_EQ(itemsOf(page->ListBox13), kAllKeys);
    EXPECT_EQ(selectedText(page->ListBox13), QStringLiteral("L1:"));
    EXPECT_EQ(page->ComboBox7->count(), 0);
    EXPECT_FALSE(page->ListBox6->isEnabled());
    EXPECT_EQ(shell.status, QStringLiteral("123 Bytes frei."));
}

TEST_F(ProgramPageEditor, ALabelNamedOnlyByItsKeyIsStillInUse) {
    // "\tGoto L1:" names label 1 without its comment, as loaded files do.
    page->LabelUpdate();
    page->selectRow(0);
    QTest::keyClick(page->ListBox1, Qt::Key_Delete);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, QStringLiteral("Label wird noch benutzt!"));
    EXPECT_EQ(lines(), (QStringList{"L1: Testprogramm", "\tDelay 250", "\tBeep", "\tGoto L1:"}));
    EXPECT_EQ(itemsOf(page->ComboBox7), QStringList{"L1: Testprogramm"});
}

TEST_F(ProgramPageEditor, LinesTheBoardSkipsAreMarkedBesideTheStatus) {
    page->setListingLines({"L1: a", "\tbeep", "\tGoto L7:", "\tRem gut", "\tBeep", "\tGoto L1: a"});
    page->ButtonCompClick();
    // The compile's own status stays as it is; the note comes beside it.
    EXPECT_EQ(shell.status, QStringLiteral("119 Bytes frei."));
    EXPECT_EQ(shell.note, QStringLiteral("1 Zeile ohne Befehl, 1 Sprungziel fehlt"));
    const QStringList tips{"",
                           "Diese Zeile kennt die Platine nicht; sie wird übersprungen.",
                           "Sprungziel L7 fehlt; der Sprung geht an den Anfang.",
                           "",
                           "",
                           ""};
    for (int row = 0; row < tips.size(); ++row) {
        const QListWidgetItem* item = page->ListBox1->item(row);
        EXPECT_EQ(item->toolTip(), tips[row]) << row;
        EXPECT_EQ(item->font().italic(), !tips[row].isEmpty()) << row;
        EXPECT_EQ(item->data(Qt::AccessibleDescriptionRole).toString(), tips[row]) << row;
    }
    // Mended, the marks and the note go; hidden, the page takes its note away.
    page->setListingLines({"\tBeep"});
    page->ButtonCompClick();
    EXPECT_FALSE(page->ListBox1->item(0)->font().italic());
    EXPECT_TRUE(shell.note.isEmpty());
    page->setListingLines({"\tbeep"});
    page->ButtonCompClick();
    EXPECT_EQ(shell.note, QStringLiteral("1 Zeile ohne Befehl"));
    page->hide();
    EXPECT_TRUE(shell.note.isEmpty());
    page->show();
    EXPECT_EQ(shell.note, QStringLiteral("1 Zeile ohne Befehl"));
}

TEST_F(ProgramPageEditor, DeletionSelectsTheFollowingOrTheNewLastLine) {
    page->selectRow(1);
    page->Delete1Click();
    EXPECT_EQ(page->selectedRow(), 1);
    EXPECT_EQ(selectedText(page->ListBox1), QStringLiteral("\tBeep"));
    page->selectRow(2);
    page->Delete1Click();
    EXPECT_EQ(page->selectedRow(), 1);
    page->Delete1Click();
    page->Delete1Click();
    EXPECT_TRUE(lines().isEmpty());
    EXPECT_EQ(page->selectedRow(), -1);
    EXPECT_EQ(shell.status, QStringLiteral("124 Bytes frei."));
    page->Delete1Click(); // nothing selected: nothing happens
    EXPECT_TRUE(boxes.empty());
}

TEST_F(ProgramPageEditor, TheDeleteKeyActsOnRelease) {
    page->selectRow(2);
    QTest::keyPress(page->ListBox1, Qt::Key_Delete);
    EXPECT_EQ(lines(), kInitial);
    QTest::keyRelease(page->ListBox1, Qt::Key_Delete);
    EXPECT_EQ(lines(), (QStringList{"L1: Testprogramm", "\tDelay 250", "\tGoto L1:"}));
}

TEST_F(ProgramPageEditor, LinesMoveOnlyAfterF3) {
    QWidget* view = page->ListBox1->viewport();
    QTest::mousePress(view, Qt::LeftButton, {}, rowCentre(page->ListBox1, 1));
    QTest::mouseRelease(view, Qt::LeftButton, {}, rowCentre(page->ListBox1, 1));
    EXPECT_EQ(page->DragStartRow, 1);
    EXPECT_FALSE(page->ListBox1->dragEnabled());

    QTest::keyClick(page->ListBox1, Qt::Key_F3);
    EXPECT_TRUE(page->listingDragEnabled());
    // Row 1 dragged straight to row 3.
    EXPECT_TRUE(page->ListBox1DragOver(page->ListBox1, rowCentre(page->ListBox1, 3)));
    EXPECT_EQ(lines(), (QStringList{"L1: Testprogramm", "\tBeep", "\tGoto L1:", "\tDelay 250"}));
    EXPECT_EQ(page->DragStartRow, 3);
    EXPECT_EQ(page->selectedRow(), 3);
    // Below the last line nothing changes.
    EXPECT_TRUE(page->ListBox1DragOver(page->ListBox1, belowLastRow(page->ListBox1)));
    EXPECT_EQ(page->selectedRow(), 3);
    // The drop inserts nothing and compiles.
    page->ListBox1DragDrop(page->ListBox1, rowCentre(page->ListBox1, 3));
    EXPECT_EQ(lines().size(), 4);
    EXPECT_EQ(shell.status, QStringLiteral("121 Bytes frei."));

    // The same move through row 2 ends the same way.
    page->setListingLines(kInitial);
    QTest::mousePress(view, Qt::LeftButton, {}, rowCentre(page->ListBox1, 1));
    QTest::mouseRelease(view, Qt::LeftButton, {}, rowCentre(page->ListBox1, 1));
    page->ListBox1DragOver(page->ListBox1, rowCentre(page->ListBox1, 2));
    page->ListBox1DragOver(page->ListBox1, rowCentre(page->ListBox1, 3));
    EXPECT_EQ(lines(), (QStringList{"L1: Testprogramm", "\tBeep", "\tGoto L1:", "\tDelay 250"}));

    QTest::keyClick(page->ListBox1, Qt::Key_F3);
    EXPECT_FALSE(page->listingDragEnabled());
}

TEST_F(ProgramPageEditor, F2ShowsTheReadButtonAndTheCornerTheCodeColumn) {
    QTest::keyClick(page->ListBox1, Qt::Key_F2);
    EXPECT_FALSE(page->ButtonDiss->isHidden());
    QTest::keyClick(page->ListBox1, Qt::Key_F2);
    EXPECT_TRUE(page->ButtonDiss->isHidden());

    QWidget* view = page->ListBox1->viewport();
    QTest::mouseClick(view, Qt::LeftButton, {}, QPoint(1, 1));
    EXPECT_FALSE(page->Listcode->isHidden());
    EXPECT_FALSE(page->Listcode->geometry().intersects(page->ListBox1->geometry()));
    QTest::mouseClick(view, Qt::LeftButton, {}, QPoint(2, 1));
    EXPECT_FALSE(page->Listcode->isHidden());
    QTest::mouseClick(view, Qt::LeftButton, {}, QPoint(0, 1)); // (0, 0) would mean the centre
    EXPECT_TRUE(page->Listcode->isHidden());

    // The visible switch does the same and follows the corner click.
    QTest::mouseClick(view, Qt::LeftButton, {}, QPoint(1, 1));
    EXPECT_TRUE(page->CheckBoxCode->isChecked());
    page->CheckBoxCode->setFocus();
    QTest::keyClick(page->CheckBoxCode, Qt::Key_Space);
    EXPECT_TRUE(page->Listcode->isHidden());
    EXPECT_EQ(page->ListBox1->width(), 256);
}

TEST_F(ProgramPageEditor, JumpPaletteFollowsTheTargetsAtEveryCompilation) {
    page->LabelUpdate();
    EXPECT_FALSE(page->ListBox6->isEnabled()); // not before a compilation
    page->ButtonComp->click();
    EXPECT_TRUE(page->ListBox6->isEnabled());
    EXPECT_EQ(itemsOf(page->Listcode), (QStringList{"00  2D", "01  50  00"}));
    EXPECT_EQ(shell.status, QStringLiteral("121 Bytes frei."));
    page->ResetLabelPool();
    page->ButtonCompClick();
    EXPECT_FALSE(page->ListBox6->isEnabled());
}

TEST_F(ProgramPageEditor, TheJumpPaletteLooksDisabledWhileThereIsNoTarget) {
    // The entries' row, without the frame: only the text may differ.
    auto firstRow = [this] {
        QListWidget* list = page->ListBox6;
        return list->viewport()->grab(list->visualItemRect(list->item(0))).toImage();
    };
    ASSERT_FALSE(page->ListBox6->isEnabled());
    const QImage disabled = firstRow();
    page->LabelUpdate();
    page->ButtonCompClick();
    ASSERT_TRUE(page->ListBox6->isEnabled());
    const QImage enabled = firstRow();
    EXPECT_NE(disabled, enabled);
    // The background stays the palettes' light blue either way.
    EXPECT_EQ(disabled.pixelColor(disabled.width() - 3, 1),
              enabled.pixelColor(enabled.width() - 3, 1));
}

TEST_F(ProgramPageEditor, AConversionErrorKeepsStatusAndPalette) {
    page->LabelUpdate();
    page->ButtonCompClick();
    ASSERT_TRUE(page->ListBox6->isEnabled());
    page->ResetLabelPool();
    page->setListingLines({"\tBeep", "\tA = xyz", "\tEnd"});
    page->ButtonCompClick();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].kind, dialogs::Kind::Error);
    EXPECT_EQ(boxes[0].text, QStringLiteral("'xyz' ist kein gültiger Integerwert"));
    EXPECT_EQ(shell.status, QStringLiteral("121 Bytes frei."));
    EXPECT_TRUE(page->ListBox6->isEnabled());
    EXPECT_EQ(itemsOf(page->Listcode), QStringList{"00  2D"});
    // Once the box is closed the failing line is selected, also after an
    // insertion, which otherwise keeps its own selection.
    EXPECT_EQ(page->selectedRow(), 1);
    page->selectRow(2);
    doubleClickEntry(page->ListBox5, QStringLiteral("Beep"));
    EXPECT_EQ(lines(), (QStringList{"\tBeep", "\tA = xyz", "\tBeep", "\tEnd"}));
    EXPECT_EQ(page->selectedRow(), 1);
}

TEST_F(ProgramPageEditor, TooLongProgramsSaySo) {
    QStringList program;
    for (int k = 0; k < 62; ++k)
        program << "\tA = 1";
    page->setListingLines(program);
    page->ButtonCompClick();
    EXPECT_EQ(shell.status, QStringLiteral("0 Bytes frei."));
    page->selectRow(-1);
    doubleClickEntry(page->ListBox5, QStringLiteral("Beep"));
    EXPECT_EQ(shell.status, QStringLiteral(" Programm zu lang."));
    EXPECT_EQ(page->Listcode->count(), 63);
}

TEST_F(ProgramPageEditor, LabelUpdateAddsWithoutEmptying) {
    page->setListingLines({"L2: a", "\tLED = 1", "LA: b", "\tGoto L2: a"});
    page->ResetLabelPool();
    page->LabelUpdate();
    EXPECT_EQ(itemsOf(page->ComboBox7), (QStringList{"L2: a", "LA: b"}));
    EXPECT_EQ(page->ComboBox7->currentText(), QStringLiteral("LA: b"));
    EXPECT_EQ(itemsOf(page->ListBox13),
              (QStringList{"L1:", "L3:", "L4:", "L5:", "L6:", "L7:", "L8:", "L9:", "LB:", "LC:"}));
    EXPECT_EQ(selectedText(page->ListBox13), QStringLiteral("L1:"));
}

} // namespace
