// The window as assistive technology and a keyboard user meet it: every
// control named and told apart, drawn widgets with a value or state, a
// program written and sent without a mouse, the PWM slider by keys.
#include "amadvled.h"
#include "amm.h"
#include "analysis_window.h"
#include "announcer.h"
#include "comphard.h"
#include "dialogs.h"
#include "direct_page.h"
#include "handbook.h"
#include "link_wait.h"
#include "logger_page.h"
#include "program_editor_widgets.h"
#include "program_page.h"
#include "recorder_page.h"
#include "scope_page.h"
#include "tform1.h"

#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QFileDialog>
#include <QGroupBox>
#include <QKeySequence>
#include <QLabel>
#include <QListWidget>
#include <QMainWindow>
#include <QMenuBar>
#include <QMultiMap>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>

namespace {

bool operable(const QAccessibleInterface& item) {
    const QAccessible::State s = item.state();
    if (s.invisible)
        return false;
    switch (item.role()) {
    case QAccessible::PushButton:
    case QAccessible::CheckBox:
    case QAccessible::RadioButton:
    case QAccessible::ComboBox:
    case QAccessible::ScrollBar:
    case QAccessible::Slider:
    case QAccessible::SpinBox:
    case QAccessible::EditableText:
    case QAccessible::List:
    case QAccessible::Link:
    case QAccessible::PageTabList:
    case QAccessible::MenuBar:
        return true;
    default:
        return s.focusable;
    }
}

bool drawn(const QAccessibleInterface& item) {
    switch (item.role()) {
    case QAccessible::Dial:
    case QAccessible::Indicator:
    case QAccessible::Chart:
        return true;
    default:
        return false;
    }
}

// What a screen reader would miss on one page, window or dialog.
struct Walk {
    QStringList unnamed;
    QStringList shared;
    QStringList silent;     // drawn widgets without a value
    QStringList strayFocus; // entries focused in a list without the focus
    int operableCount = 0;
};

// A combo box named by its own value counts as unnamed.
void walk(QAccessibleInterface* item, const QObject* skip, QHash<QString, QString>& names,
          Walk& result) {
    if (item == nullptr || item->object() == skip || item->state().invisible)
        return;
    const QString who = item->object() ? item->object()->objectName() : QString();
    const QString where =
        QStringLiteral("%1 (%2, role %3)")
            .arg(who, QString::fromLatin1(item->object() ? item->object()->metaObject()->className()
                                                         : "item"))
            .arg(item->role());
    if (operable(*item) || drawn(*item)) {
        ++result.operableCount;
        const QString name = item->text(QAccessible::Name).trimmed();
        const QString value = item->text(QAccessible::Value).trimmed();
        if (name.isEmpty() || (item->role() == QAccessible::ComboBox && name == value))
            result.unnamed << where;
        else if (names.contains(name))
            result.shared << QStringLiteral("\"%1\": %2 and %3").arg(name, names[name], where);
        else
            names.insert(name, where);
    }
    if (drawn(*item) && item->text(QAccessible::Value).isEmpty())
        result.silent << where;
    // Entries of lists, tabs and menus are named by their text; an entry
    // says it has the focus only while its list has it.
    if (item->role() == QAccessible::List || item->role() == QAccessible::PageTabList ||
        item->role() == QAccessible::MenuBar) {
        for (int i = 0; i < item->childCount(); ++i)
            if (QAccessibleInterface* entry = item->child(i);
                entry && entry->state().focused && !item->state().focused)
                result.strayFocus << where + QStringLiteral(": ") + entry->text(QAccessible::Name);
        return;
    }
    for (int i = 0; i < item->childCount(); ++i)
        walk(item->child(i), skip, names, result);
}

Walk walkFrom(QWidget* root, const QObject* skip = nullptr) {
    Walk result;
    QHash<QString, QString> names;
    walk(QAccessible::queryAccessibleInterface(root), skip, names, result);
    return result;
}

// The access keys (Alt+letter) of one window as a keyboard user meets
// them: its visible buttons, labels of a control, group boxes and the menu
// titles ("Menü &Datei") of the main window, which Qt offers in its tool
// windows too. Each key with who has it.
const QString kMenuPrefix = QStringLiteral("Menü ");

QMultiMap<QString, QString> accessKeys(QWidget& window) {
    QMultiMap<QString, QString> keys;
    const auto add = [&keys](const QString& text, const QString& prefix = {}) {
        const QKeySequence key = QKeySequence::mnemonic(text);
        if (!key.isEmpty())
            keys.insert(key.toString(), prefix + text);
    };
    for (QWidget* widget : window.findChildren<QWidget*>()) {
        if (widget->window() != &window || !widget->isVisible())
            continue;
        if (const auto* button = qobject_cast<QAbstractButton*>(widget))
            add(button->text());
        else if (const auto* label = qobject_cast<QLabel*>(widget); label && label->buddy())
            add(label->text());
        else if (const auto* group = qobject_cast<QGroupBox*>(widget))
            add(group->title());
    }
    QWidget* owner = window.windowType() == Qt::Tool && window.parentWidget()
                         ? window.parentWidget()->window()
                         : &window;
    if (auto* main = qobject_cast<QMainWindow*>(owner))
        for (const QAction* menu : main->menuBar()->actions())
            add(menu->text(), kMenuPrefix);
    return keys;
}

// The keys that lead to more than one place. In the main window
// (`menusYield`) a menu title and one control of the page in front may
// share a key: the control has it, the menu opens by F10 (PageAccessKeys).
std::string clashes(const QMultiMap<QString, QString>& keys, bool menusYield) {
    QStringList found;
    for (const QString& key : keys.uniqueKeys()) {
        const QStringList holders = keys.values(key);
        const auto menus = std::count_if(holders.begin(), holders.end(), [](const QString& h) {
            return h.startsWith(kMenuPrefix);
        });
        if (holders.size() > 2 || (holders.size() == 2 && (menus != 1 || !menusYield)))
            found << key + QStringLiteral(": ") + holders.join(u'|');
    }
    return found.join(QStringLiteral("; ")).toStdString();
}

class AccessTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(configHome.isValid());
        qputenv("XDG_CONFIG_HOME", configHome.path().toLocal8Bit());
        previousBoxes =
            dialogs::setHandler([](QWidget*, const dialogs::Request&) { return QMessageBox::Ok; });
    }
    void TearDown() override {
        window.reset();
        testing_support::onLink(comphard::ClosePort);
        dialogs::setHandler(previousBoxes);
    }

    TForm1& start(bool simulator) {
        TForm1::StartOptions options;
        options.simulator = simulator;
        window = std::make_unique<TForm1>(options);
        window->show();
        testing_support::waitForLink();
        window->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(window.get()));
        return *window;
    }

    // A key as the keyboard gives it: to the widget with the focus, through
    // the window's shortcuts.
    void press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(window->windowHandle(), key, modifiers);
    }

    // Tab until `target` has the focus; false when it is not in the chain.
    bool tabTo(const QWidget* target) {
        for (int i = 0; i < 80 && QApplication::focusWidget() != target; ++i)
            press(Qt::Key_Tab);
        return QApplication::focusWidget() == target;
    }

    QTemporaryDir configHome;
    dialogs::Handler previousBoxes;
    std::unique_ptr<TForm1> window;
};

TEST_F(AccessTest, EveryControlHasANameOfItsOwnAndDrawnWidgetsSpeak) {
    TForm1& w = start(true);
    auto* panel = w.findChild<QWidget*>(QStringLiteral("SimulatorPanel"));
    ASSERT_NE(panel, nullptr);
    // The simulator's panel came up by itself and took the keyboard; it goes
    // back to the main window, onto the page tabs.
    QTest::qWait(100);
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    w.PageControl1->tabBar()->setFocus(Qt::ActiveWindowFocusReason);
    std::unique_ptr<QFileDialog> fileDialog(
        ProgramPage::createFileDialog(nullptr, ProgramPage::FileDialogKind::Save));
    const auto* pages = w.PageControl1->findChild<QStackedWidget*>();

    // Every page and every window of its own; another window is one more row.
    struct Row {
        const char* what;
        QWidget* page; // shown in front first; nullptr for a window of its own
        QWidget* root;
        const QObject* skip;
    };
    const std::vector<Row> rows{
        {"window frame", nullptr, &w, pages},
        {"Zentor", w.TabSheet1, w.TabSheet1, nullptr},
        {"Direkt", w.TabSheet2, w.TabSheet2, nullptr},
        {"Extern Messen", w.TabSheet3, w.TabSheet3, nullptr},
        {"Zeitschreiber", w.TabSheet6, w.TabSheet6, nullptr},
        {"Oszilloskop", w.TabSheet8, w.TabSheet8, nullptr},
        {"Programm", w.TabSheet4, w.TabSheet4, nullptr},
        {"Simulator-Tafel", nullptr, panel, nullptr},
        {"Speichern", nullptr, fileDialog.get(), nullptr},
    };
    int unnamed = 0;
    int walked = 0;
    for (const Row& row : rows) {
        if (row.page)
            w.PageControl1->setCurrentWidget(row.page);
        else
            row.root->show();
        const Walk found = walkFrom(row.root, row.skip);
        unnamed += static_cast<int>(found.unnamed.size());
        walked += found.operableCount;
        EXPECT_GT(found.operableCount, 0) << row.what;
        EXPECT_TRUE(found.unnamed.isEmpty())
            << row.what << ": " << found.unnamed.join("; ").toStdString();
        EXPECT_TRUE(found.shared.isEmpty())
            << row.what << ": " << found.shared.join("; ").toStdString();
        EXPECT_TRUE(found.silent.isEmpty())
            << row.what << ": " << found.silent.join("; ").toStdString();
        EXPECT_TRUE(found.strayFocus.isEmpty())
            << row.what << ": " << found.strayFocus.join("; ").toStdString();
    }
    std::printf("controls and drawn widgets: %d, without a name: %d\n", walked, unnamed);

    // The simulator panel closes with Escape, as a dialog does.
    panel->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(panel));
    QTest::keyClick(panel->windowHandle(), Qt::Key_Escape);
    EXPECT_FALSE(panel->isVisible());
}

TEST_F(AccessTest, AProgramIsWrittenAndSentByKeyboard) {
    TForm1& w = start(true);
    ProgramPage& page = *w.TabSheet4;
    page.setListingLines({});
    page.ResetLabelPool();
    w.PageControl1->setCurrentWidget(&page);

    // A label, "Beep" (the last input/output entry), a jump to the label.
    ASSERT_TRUE(tabTo(page.ListBox13));
    press(Qt::Key_Return);
    ASSERT_TRUE(tabTo(page.ListBox5));
    press(Qt::Key_End);
    press(Qt::Key_Space);
    ASSERT_TRUE(tabTo(page.ListBox6));
    press(Qt::Key_Home);
    press(Qt::Key_Enter);
    EXPECT_EQ(page.listingLines(), (QStringList{"L1: ", "\tBeep", "\tGoto L1: "}));

    press(Qt::Key_S, Qt::AltModifier); // "&Send && Start"
    const QDeadlineTimer deadline(30000);
    while (!w.statusText().contains(QStringLiteral("gestartet")) &&
           !w.statusText().contains(QStringLiteral("Fehler")) && !deadline.hasExpired())
        QTest::qWait(20);
    EXPECT_EQ(w.statusText(), QStringLiteral("Programm gestartet"));
}

// Status messages are heard once each, readings are shown only; a line
// inserted from a palette is heard while the focus stays there; the LEDs
// are one Tab stop; Ctrl+Tab and Ctrl+Page Down change pages from inside
// any control.
TEST_F(AccessTest, WhatTheScreenShowsIsHeardAndKeysReachEveryPage) {
    TForm1& w = start(true);
    QSignalSpy heard(&zentor::access::Announcer::of(w), &zentor::access::Announcer::announced);
    w.setStatusText(QStringLiteral("Programm gestartet"));
    w.setStatusReading(QStringLiteral("2,50 Volt"));
    EXPECT_EQ(w.statusText(), QStringLiteral("2,50 Volt"));
    w.setStatusText(QStringLiteral("Programm gestartet")); // no news
    w.setStatusText(QStringLiteral("Abgebrochen."));
    QStringList said;
    for (const QList<QVariant>& announcement : std::as_const(heard))
        said << announcement.front().toString();
    EXPECT_EQ(said, (QStringList{"Programm gestartet", "Abgebrochen."}));

    ProgramPage& program = *w.TabSheet4;
    w.PageControl1->setCurrentWidget(&program);
    ASSERT_TRUE(tabTo(program.ListBox3));
    press(Qt::Key_Home);
    for (int row = 0; row < 4; ++row) // A, B, C, D, then Delay
        press(Qt::Key_Down);
    heard.clear();
    press(Qt::Key_Return);
    EXPECT_EQ(QApplication::focusWidget(), program.ListBox3);
    ASSERT_FALSE(heard.isEmpty());
    EXPECT_EQ(heard.front().front().toString(), QStringLiteral("eingefügt: Delay = 250"));

    DirectPage& direct = *w.TabSheet2;
    w.PageControl1->setCurrentWidget(&direct);
    direct.Anal1->setFocus(Qt::TabFocusReason);
    press(Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), direct.AMAdvLed1);
    press(Qt::Key_Right);
    EXPECT_EQ(QApplication::focusWidget(), direct.AMAdvLed32);
    press(Qt::Key_Tab);
    EXPECT_FALSE(qobject_cast<TAMAdvLed*>(QApplication::focusWidget()));

    const struct {
        QWidget* page;
        QWidget* focus;
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        QWidget* next;
    } changes[] = {
        {&direct, direct.ScrollBarPWM, Qt::Key_PageDown, Qt::ControlModifier, w.TabSheet3},
        {&direct, direct.ScrollBarPWM, Qt::Key_Tab, Qt::ControlModifier, w.TabSheet3},
        {&program, program.ListBox1, Qt::Key_PageUp, Qt::ControlModifier, w.TabSheet8},
        {&program, program.Edit3, Qt::Key_Tab, Qt::ControlModifier, w.TabSheet1},
        {w.TabSheet6, w.TabSheet6->timeyt, Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier,
         w.TabSheet3},
    };
    for (const auto& change : changes) {
        w.PageControl1->setCurrentWidget(change.page);
        change.focus->setEnabled(true);
        change.focus->setFocus(Qt::TabFocusReason);
        ASSERT_EQ(QApplication::focusWidget(), change.focus)
            << change.focus->objectName().toStdString();
        press(change.key, change.modifiers);
        EXPECT_EQ(w.PageControl1->currentWidget(), change.next)
            << change.focus->objectName().toStdString() << " " << change.key;
    }
}

// The first-start box offers the board search beside "OK"; Escape closes
// it as "OK" does.
TEST(AccessBoxes, EscapeClosesABoxThatOffersAnAction) {
    bool escaped = false;
    int waited = 0;
    QTimer poll;
    poll.setInterval(20);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr)
            return;
        if (!escaped) {
            escaped = true;
            QTest::keyClick(box, Qt::Key_Escape);
        } else if (++waited == 250) {
            box->button(QMessageBox::Ok)->click(); // Escape left it open
        }
    });
    poll.start();
    EXPECT_FALSE(dialogs::offer(nullptr, QStringLiteral("Erster Programmstart"),
                                QStringLiteral("Platine suchen")));
    EXPECT_TRUE(escaped);
    EXPECT_LT(waited, 250);
}

// Alt+letter leads to one control in every window: the main window with
// each page in front, "Auswertung", the handbook, the simulator panel.
TEST_F(AccessTest, EveryWindowHasOneAccessKeyPerLetter) {
    TForm1& w = start(true);
    w.PageControl1->setCurrentWidget(w.TabSheet6);
    w.Auswertung1->trigger();
    auto* analysis = w.findChild<zentor::analysis::AnalysisWindow*>();
    ASSERT_NE(analysis, nullptr);
    ASSERT_TRUE(analysis->isVisible());
    w.HandbuchClick();
    auto* handbook = w.findChild<HandbookWindow*>();
    ASSERT_NE(handbook, nullptr);
    auto* panel = w.findChild<QWidget*>(QStringLiteral("SimulatorPanel"));
    ASSERT_NE(panel, nullptr);
    for (int page = 0; page < w.PageControl1->count(); ++page) {
        w.PageControl1->setCurrentIndex(page);
        EXPECT_EQ(clashes(accessKeys(w), true), "") << w.PageControl1->tabText(page).toStdString();
    }
    for (QWidget* window :
         {static_cast<QWidget*>(analysis), static_cast<QWidget*>(handbook), panel})
        EXPECT_EQ(clashes(accessKeys(*window), false), "") << window->objectName().toStdString();
}

TEST_F(AccessTest, PwmSliderMeterAndPageTabsByKeys) {
    TForm1& w = start(false);
    DirectPage& page = *w.TabSheet2;
    w.PageControl1->setCurrentWidget(&page);
    page.Button7->setFocus(Qt::TabFocusReason);
    press(Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), page.ScrollBarPWM);

    const struct {
        Qt::Key key;
        int value;
    } steps[] = {{Qt::Key_End, 255},  {Qt::Key_PageDown, 245}, {Qt::Key_Left, 244},
                 {Qt::Key_Down, 243}, {Qt::Key_Home, 0},       {Qt::Key_PageUp, 10},
                 {Qt::Key_Right, 11}, {Qt::Key_Up, 12}};
    for (const auto& step : steps) {
        press(step.key);
        EXPECT_EQ(page.ScrollBarPWM->value(), step.value) << step.key;
        EXPECT_EQ(page.LabelPWM->text(), QString::number(step.value)) << step.key;
    }
    // The meter's switch between volts and raw values, by Space.
    page.Anal1->setFocus(Qt::TabFocusReason);
    press(Qt::Key_Space);
    EXPECT_EQ(page.Anal1->Caption(), QStringLiteral("Wert"));

    // Return on the page tabs starts the recorder, as inside its page.
    RecorderPage& recorder = *w.TabSheet6;
    w.PageControl1->setCurrentWidget(&recorder);
    testing_support::waitForLink(); // the PWM commands above have ended
    w.PageControl1->tabBar()->setFocus(Qt::TabFocusReason);
    const QString start = recorder.ytstart->text();
    press(Qt::Key_Return);
    const QDeadlineTimer deadline(10000);
    while (recorder.ytstart->text() == start && !deadline.hasExpired())
        QTest::qWait(20);
    EXPECT_NE(recorder.ytstart->text(), start);
    recorder.ytstart->click();
}

} // namespace
