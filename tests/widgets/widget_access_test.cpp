// What the drawn widgets tell assistive technology, and the colour rules
// for text on fixed backgrounds.
#include "amadvled.h"
#include "amm.h"
#include "diagramm.h"
#include "weblabel.h"
#include "widget_access.h"

#include <QAccessible>
#include <QLineEdit>
#include <QSignalSpy>
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
    EXPECT_EQ(dial->valueInterface()->currentValue().toInt(), 128);
    dial->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    QTest::keyClick(&meter, Qt::Key_Space);
    QTest::keyClick(&meter, Qt::Key_Return);
    EXPECT_EQ(clicks.count(), 3);

    TAMAdvLed led;
    EXPECT_FALSE(accessible(&led)->state().checked);
    led.setLedOn(true);
    EXPECT_TRUE(accessible(&led)->state().checked);
    EXPECT_EQ(accessible(&led)->text(QAccessible::Value), QStringLiteral("an"));

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
