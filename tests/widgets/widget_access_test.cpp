// What the drawn widgets tell assistive technology, and the colour rules
// for text on fixed backgrounds.
#include "access_style.h"
#include "amadvled.h"
#include "amm.h"
#include "announcer.h"
#include "diagramm.h"
#include "focus_group.h"
#include "focus_return.h"
#include "weblabel.h"
#include "widget_access.h"

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QStyleOptionButton>
#include <QTest>

#include <gtest/gtest.h>

namespace {

using zentor::access::contrastRatio;
using zentor::access::readableOn;

TEST(Contrast, RatiosAndReadableColours) {
    const QColor black(Qt::black), white(Qt::white), navy(0, 0, 128);
    const QColor listing(224, 240, 255), palette(166, 202, 240), dark(30, 30, 30);
    EXPECT_NEAR(contrastRatio(black, white), 21.0, 0.01);
    EXPECT_NEAR(contrastRatio(palette, palette), 1.0, 0.01);
    EXPECT_NEAR(contrastRatio(white, palette), contrastRatio(palette, white), 1e-9);

    const struct {
        QColor background, preferred;
        double minimum;
        QColor expected;
    } cases[] = {
        {white, black, zentor::access::kTextContrast, black},   // the default desktop
        {listing, navy, zentor::access::kTextContrast, navy},   // the listing as it is
        {palette, white, zentor::access::kTextContrast, black}, // dark desktop, light list
        {dark, black, zentor::access::kGraphicContrast, white}, // dark dial, black ticks
        {white, QColor(255, 0, 0), zentor::access::kGraphicContrast, QColor(255, 0, 0)},
    };
    for (const auto& c : cases)
        EXPECT_EQ(readableOn(c.background, c.preferred, c.minimum), c.expected)
            << c.background.name().toStdString() << " " << c.preferred.name().toStdString();
}

// An empty check box on a dark desktop: its edge stands out from the
// window as a control's edge must.
TEST(Contrast, AnEmptyCheckBoxStandsOutOnADarkDesktop) {
    zentor::AccessStyle style;
    QCheckBox box(QStringLiteral("Pdir"));
    box.setStyle(&style);
    QPalette dark = box.palette();
    const QColor window(30, 30, 30);
    for (const auto& [role, color] :
         {std::pair{QPalette::Window, window}, std::pair{QPalette::Base, QColor(36, 36, 36)},
          std::pair{QPalette::Button, QColor(40, 40, 40)},
          std::pair{QPalette::WindowText, QColor(Qt::white)},
          std::pair{QPalette::Text, QColor(Qt::white)}})
        dark.setColor(role, color);
    box.setPalette(dark);
    box.resize(box.sizeHint());
    QImage image(box.size(), QImage::Format_ARGB32);
    image.fill(window);
    box.render(&image);
    QStyleOptionButton option;
    option.initFrom(&box);
    const QRect indicator = style.subElementRect(QStyle::SE_CheckBoxIndicator, &option, &box);
    double edge = 0;
    for (int y = indicator.top(); y <= indicator.bottom(); ++y)
        edge = std::max(edge, contrastRatio(image.pixelColor(indicator.left(), y), window));
    EXPECT_GE(edge, zentor::access::kGraphicContrast);
}

QAccessibleInterface* accessible(QObject* object) {
    return QAccessible::queryAccessibleInterface(object);
}

TEST(WidgetAccess, DrawnWidgetsReportTheirValueAndState) {
    TAnal meter;
    meter.setValue(128);
    QSignalSpy clicks(&meter, &TAnal::OnClick);
    QAccessibleInterface* dial = accessible(&meter);
    EXPECT_EQ(dial->role(), QAccessible::Dial);
    EXPECT_EQ(dial->text(QAccessible::Value), QStringLiteral("128 Volt"));
    // No bare needle position for a screen reader to say instead.
    EXPECT_EQ(dial->valueInterface(), nullptr);
    dial->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    QTest::keyClick(&meter, Qt::Key_Space);
    QTest::keyClick(&meter, Qt::Key_Return);
    EXPECT_EQ(clicks.count(), 3);

    TAMAdvLed led;
    EXPECT_FALSE(accessible(&led)->state().checked);
    led.setLedOn(true);
    EXPECT_TRUE(accessible(&led)->state().checked);
    EXPECT_EQ(accessible(&led)->text(QAccessible::Value), QStringLiteral("an"));
    led.setAccessibleName(QStringLiteral("Port Bit 5"));
    EXPECT_EQ(accessible(&led)->text(QAccessible::Name), QStringLiteral("Port Bit 5: an"));

    // Three joined lines share their points; a line elsewhere has two more.
    TDiagramm chart;
    chart.resize(300, 200);
    QObject::connect(&chart, &TDiagramm::OnPainted, [&chart] {
        for (int x = 0; x < 3; ++x)
            chart.DrawLine(x, x, x + 1, x + 1);
        chart.DrawLine(50, 50, 60, 60);
    });
    chart.Repaint();
    EXPECT_EQ(accessible(&chart)->text(QAccessible::Value), QStringLiteral("6 Werte"));
    chart.DrawLine(60, 60, 70, 70); // a trace growing between paints
    EXPECT_EQ(accessible(&chart)->valueInterface()->currentValue().toInt(), 7);
    // An axis is described by a caption of its own, never "X-Achse: X-Achse".
    EXPECT_EQ(accessible(&chart)->text(QAccessible::Description), QString());
    chart.setCaptionY(QStringLiteral("Volt"));
    EXPECT_EQ(accessible(&chart)->text(QAccessible::Description), QStringLiteral("Y-Achse: Volt"));

    QStringList opened;
    const auto previous = TWebLabel::setOpener([&opened](const QString& a) {
        opened << a;
        return true;
    });
    TWebLabel link(QStringLiteral("Handbuch"));
    link.setLink(QStringLiteral("example.org/"));
    EXPECT_EQ(accessible(&link)->role(), QAccessible::Link);
    EXPECT_EQ(accessible(&link)->text(QAccessible::Name), QStringLiteral("Handbuch"));
    accessible(&link)->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    QTest::keyClick(&link, Qt::Key_Return);
    EXPECT_EQ(opened.size(), 2);
    TWebLabel::setOpener(previous);
}

// The meter's reading as a screen reader hears it while the meter has the
// focus (its description): a new text at most once a second, the newest one
// when the second is over; the switch of the scale at once.
TEST(WidgetAccess, TheMeterTellsItsReadingAtMostOnceASecond) {
    TAnal meter;
    QAccessibleInterface* dial = accessible(&meter);
    meter.setValue(100);
    EXPECT_EQ(dial->text(QAccessible::Description), QStringLiteral("100 Volt"));
    QElapsedTimer clock;
    clock.start();
    meter.setValue(101);
    meter.setValue(102);
    // Unless the machine stalled for a second, the steps wait.
    if (clock.elapsed() < TAnal::kSpeakIntervalMs - 100) {
        EXPECT_EQ(dial->text(QAccessible::Description), QStringLiteral("100 Volt"));
    }
    QTRY_COMPARE_WITH_TIMEOUT(dial->text(QAccessible::Description), QStringLiteral("102 Volt"),
                              10000);
    EXPECT_GE(clock.elapsed(), TAnal::kSpeakIntervalMs - 100);
    meter.setCaption(QStringLiteral("Wert"));
    EXPECT_EQ(dial->text(QAccessible::Description), QStringLiteral("102 Wert"));
}

// A recording adds a value every 20 ms, and Orca takes longer than that for
// each event: the chart tells its count only while it has the focus, at most
// once a second, the newest count when the second is over.
TEST(WidgetAccess, AChartTellsItsCountOnlyWithTheFocusAtMostOnceASecond) {
    TDiagramm chart;
    chart.resize(300, 200);
    int lines = 0;
    QObject::connect(&chart, &TDiagramm::OnPainted, [&] {
        for (int x = 0; x < lines; ++x)
            chart.DrawLine(x, x, x + 1, x + 1);
    });
    for (lines = 1; lines <= 20; ++lines)
        chart.Repaint();
    EXPECT_EQ(chart.countTold(), -1) << "without the focus";

    chart.show();
    QApplication::setActiveWindow(&chart);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&chart));
    chart.setFocus();
    ASSERT_TRUE(chart.hasFocus());
    QElapsedTimer clock;
    clock.start();
    for (; lines <= 60; ++lines)
        chart.Repaint();
    // Unless the machine stalled for a second, the later counts wait.
    if (clock.elapsed() < TDiagramm::kTellCountIntervalMs - 100) {
        EXPECT_EQ(chart.countTold(), 22);
    }
    QTRY_COMPARE_WITH_TIMEOUT(chart.countTold(), 61, 10000);
}

// A drop-down list says its label and its value, on focus and at each
// change (Orca follows its value interface); without a label, its entry.
TEST(WidgetAccess, ADropDownListSaysItsLabelAndValue) {
    zentor::access::installWidgetAccessibility();
    QComboBox combo;
    combo.addItems({QStringLiteral("10 Sekunden"), QStringLiteral("20 Sekunden")});
    QAccessibleInterface* access = accessible(&combo);
    EXPECT_EQ(access->text(QAccessible::Name), QStringLiteral("10 Sekunden"));
    combo.setAccessibleName(QStringLiteral("Messdauer"));
    combo.setCurrentIndex(1);
    EXPECT_EQ(access->text(QAccessible::Name), QStringLiteral("Messdauer: 20 Sekunden"));
    EXPECT_EQ(access->text(QAccessible::Value), QStringLiteral("20 Sekunden"));
    ASSERT_NE(access->valueInterface(), nullptr);
    EXPECT_EQ(access->valueInterface()->currentValue().toInt(), 1);
    // A buddy label names the list only through its accessible name: Orca
    // would speak the label's text alone. Aligning blanks are not read.
    QLabel label(QStringLiteral("Messdauer:"));
    label.setBuddy(&combo);
    EXPECT_TRUE(access->relations(QAccessible::Label).isEmpty());
    combo.setItemText(1, QStringLiteral(" 20 Sekunden"));
    EXPECT_EQ(access->text(QAccessible::Name), QStringLiteral("Messdauer: 20 Sekunden"));
    combo.clear();
    EXPECT_EQ(access->text(QAccessible::Name), QStringLiteral("Messdauer"));
}

// An announcement is a notification of a status bar, with its own text
// even when the next one follows at once; the window's one announcer.
TEST(WidgetAccess, AnnouncementsAreNotificationsOfAStatusBar) {
    QWidget window;
    auto* inner = new QWidget(&window);
    zentor::access::Announcer& announcer = zentor::access::Announcer::of(*inner);
    EXPECT_EQ(&zentor::access::Announcer::of(window), &announcer);
    EXPECT_EQ(accessible(&announcer)->role(), QAccessible::StatusBar);
    zentor::access::announce(*inner, QStringLiteral("Übertrage ..."));
    zentor::access::announce(*inner, QStringLiteral("Programm gestartet"));
    zentor::access::announce(*inner, QString()); // nothing
    QStringList notices;
    QAccessibleInterface* bar = accessible(&announcer);
    for (int i = 0; i < bar->childCount(); ++i) {
        EXPECT_EQ(bar->child(i)->role(), QAccessible::Notification);
        notices << bar->child(i)->text(QAccessible::Name);
    }
    EXPECT_TRUE(notices.contains(QStringLiteral("Übertrage ...")));
    EXPECT_TRUE(notices.contains(QStringLiteral("Programm gestartet")));
    EXPECT_EQ(announcer.lastAnnouncement(), QStringLiteral("Programm gestartet"));
}

// The LEDs of "Direkt" are one Tab stop: the arrows, Home and End move
// between them, Tab comes back to the one last visited.
TEST(WidgetAccess, AFocusGroupIsOneTabStop) {
    QWidget window;
    auto* before = new QLineEdit(&window);
    std::array<TAMAdvLed*, 3> leds{};
    for (TAMAdvLed*& led : leds)
        led = new TAMAdvLed(&window);
    auto* after = new QLineEdit(&window);
    new zentor::access::FocusGroup({leds[0], leds[1], leds[2]});
    window.show();
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    before->setFocus();
    const struct {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        QWidget* focus;
    } steps[] = {
        {Qt::Key_Tab, Qt::NoModifier, leds[0]},    {Qt::Key_Right, Qt::NoModifier, leds[1]},
        {Qt::Key_End, Qt::NoModifier, leds[2]},    {Qt::Key_Down, Qt::NoModifier, leds[2]},
        {Qt::Key_Left, Qt::NoModifier, leds[1]},   {Qt::Key_Tab, Qt::NoModifier, after},
        {Qt::Key_Tab, Qt::ShiftModifier, leds[1]}, {Qt::Key_Home, Qt::NoModifier, leds[0]},
        {Qt::Key_Tab, Qt::ShiftModifier, before}};
    for (const auto& step : steps) {
        QTest::keyClick(QApplication::focusWidget(), step.key, step.modifiers);
        EXPECT_EQ(QApplication::focusWidget(), step.focus) << step.key;
    }
}

// A button disabled while it has the focus gets it back when it is enabled
// again, also when the control after it was disabled too, unless the user
// has moved on meanwhile.
TEST(WidgetAccess, TheFocusReturnsToAButtonThatWasBusy) {
    QWidget window;
    auto* button = new QPushButton(QStringLiteral("Messen"), &window);
    auto* next = new QPushButton(QStringLiteral("RAM lesen"), &window);
    auto* other = new QCheckBox(QStringLiteral("Automatisch wiederholen"), &window);
    zentor::access::FocusReturn focusReturn;
    window.show();
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    const struct {
        bool bothBusy;
        bool userMovesOn;
        QWidget* focus;
    } cases[] = {{false, false, button}, {true, false, button}, {false, true, other}};
    for (const auto& c : cases) {
        button->setFocus();
        button->setEnabled(false);
        next->setEnabled(!c.bothBusy);
        if (c.userMovesOn)
            other->setFocus();
        next->setEnabled(true);
        button->setEnabled(true);
        EXPECT_EQ(QApplication::focusWidget(), c.focus) << c.bothBusy << c.userMovesOn;
    }
}

// A screen reader asks a text field for the character, word, sentence or
// line at, before and after each offset; at the end of a field with text
// Qt's own answer never came. Every question gets an answer, and the text
// answered is the one between the offsets answered.
TEST(WidgetAccess, ATextFieldAnswersEveryQuestionAboutItsText) {
    zentor::access::installWidgetAccessibility();
    const QAccessible::TextBoundaryType types[] = {
        QAccessible::CharBoundary,      QAccessible::WordBoundary, QAccessible::SentenceBoundary,
        QAccessible::ParagraphBoundary, QAccessible::LineBoundary, QAccessible::NoBoundary};
    const struct {
        QString text;
        QString wordAtEnd; // what Ctrl+Left at the end asks for
    } fields[] = {{QString(), QString()},
                  {QStringLiteral("250"), QStringLiteral("250")},
                  {QStringLiteral("zwei Worte hier"), QStringLiteral("hier")}};
    for (const auto& field : fields) {
        QLineEdit edit(field.text);
        edit.setAccessibleName(QStringLiteral("Kommentar"));
        QAccessibleInterface* access = QAccessible::queryAccessibleInterface(&edit);
        ASSERT_NE(access, nullptr);
        QAccessibleTextInterface* text = access->textInterface();
        ASSERT_NE(text, nullptr);
        const int length = int(field.text.size());
        ASSERT_EQ(text->characterCount(), length);
        EXPECT_EQ(access->text(QAccessible::Value), field.text);
        for (QAccessible::TextBoundaryType type : types) {
            for (int offset = -1; offset <= length + 1; ++offset) {
                for (int ask = 0; ask < 3; ++ask) {
                    int start = -2;
                    int end = -2;
                    const QString answer = ask == 0 ? text->textAtOffset(offset, type, &start, &end)
                                           : ask == 1
                                               ? text->textBeforeOffset(offset, type, &start, &end)
                                               : text->textAfterOffset(offset, type, &start, &end);
                    const std::string where =
                        field.text.toStdString() + " type " + std::to_string(type) + " offset " +
                        std::to_string(offset) + " ask " + std::to_string(ask);
                    if (answer.isEmpty())
                        continue;
                    ASSERT_GE(start, 0) << where;
                    EXPECT_EQ(answer, field.text.mid(start, end - start)) << where;
                }
            }
        }
        int start = -1;
        int end = -1;
        edit.setCursorPosition(length);
        EXPECT_EQ(text->textAtOffset(length, QAccessible::WordBoundary, &start, &end),
                  field.wordAtEnd);
        // A one-line field is read whole.
        EXPECT_EQ(text->textAtOffset(0, QAccessible::LineBoundary, &start, &end), field.text);
    }
}

} // namespace
