// At a scale of 200 %, assistive tools are told where controls lie in the
// screen's pixels, and the points they ask about are read the same way.
#include "device_pixels.h"

#include <QAccessible>
#include <QAccessibleTextInterface>
#include <QApplication>
#include <QDBusMessage>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

using zentor::access::answerInDevicePixels;
using zentor::access::ObjectReference;

const QString kComponent = QStringLiteral("org.a11y.atspi.Component");
const QString kText = QStringLiteral("org.a11y.atspi.Text");
constexpr uint kScreen = 0;
constexpr uint kWindow = 1;

QString pathOf(QWidget* widget) {
    return QStringLiteral("/org/a11y/atspi/accessible/") +
           QString::number(QAccessible::uniqueId(QAccessible::queryAccessibleInterface(widget)));
}

class DevicePixels : public ::testing::Test {
protected:
    void SetUp() override {
        window.setGeometry(100, 60, 300, 200);
        button->setGeometry(20, 30, 80, 24);
        field->setGeometry(20, 80, 120, 24);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        ASSERT_EQ(window.devicePixelRatio(), 2.0);
    }

    std::optional<QDBusMessage> ask(QWidget* control, const QString& interface,
                                    const QString& member, const QVariantList& arguments) {
        QDBusMessage question = QDBusMessage::createMethodCall(QStringLiteral(":1.5"),
                                                               pathOf(control), interface, member);
        question.setArguments(arguments);
        return answerInDevicePixels(question, QStringLiteral(":1.9"));
    }

    // A point of the window in the screen's pixels: twice its global
    // device-independent position (the screen starts at 0, 0).
    QPoint device(QWidget* widget, QPoint inside) const { return widget->mapToGlobal(inside) * 2; }

    QWidget window;
    QPushButton* button = new QPushButton(QStringLiteral("Messen"), &window);
    QLineEdit* field = new QLineEdit(QStringLiteral("250"), &window);
};

TEST_F(DevicePixels, PositionsAndSizesAreInTheScreensPixels) {
    const QPoint corner = device(button, {0, 0});
    const QRect glyph =
        QAccessible::queryAccessibleInterface(field)->textInterface()->characterRect(1);
    const QRect glyphOnScreen(glyph.topLeft() * 2, glyph.size() * 2);
    const QPoint inWindow = device(&window, {0, 0});
    struct Row {
        QWidget* control;
        QString interface;
        QString member;
        QVariantList arguments;
        QVariantList answer;
    };
    const Row rows[] = {
        {button, kComponent, "GetExtents", {kScreen}, {QRect(corner, QSize(160, 48))}},
        {button, kComponent, "GetExtents", {kWindow}, {QRect(40, 60, 160, 48)}},
        {button, kComponent, "GetPosition", {kScreen}, {corner.x(), corner.y()}},
        {button, kComponent, "GetSize", {}, {160, 48}},
        {field,
         kText,
         "GetCharacterExtents",
         {1, kScreen},
         {glyphOnScreen.x(), glyphOnScreen.y(), glyphOnScreen.width(), glyphOnScreen.height()}},
        {field,
         kText,
         "GetRangeExtents",
         {1, 2, kWindow},
         {glyphOnScreen.x() - inWindow.x(), glyphOnScreen.y() - inWindow.y(), glyphOnScreen.width(),
          glyphOnScreen.height()}},
    };
    for (const Row& row : rows) {
        const auto answer = ask(row.control, row.interface, row.member, row.arguments);
        ASSERT_TRUE(answer.has_value()) << row.member.toStdString();
        EXPECT_EQ(answer->arguments(), row.answer) << row.member.toStdString();
    }
}

TEST_F(DevicePixels, PointsAskedAboutAreReadInTheScreensPixels) {
    const QPoint middle = device(button, {40, 12});
    const auto contains = [&](QPoint at) {
        return ask(button, kComponent, "Contains", {at.x(), at.y(), kScreen})->arguments().value(0);
    };
    EXPECT_EQ(contains(middle), true);
    EXPECT_EQ(contains(middle / 2), false); // where Qt 6.4 by itself would look

    const auto found =
        ask(&window, kComponent, "GetAccessibleAtPoint", {middle.x(), middle.y(), kScreen});
    ASSERT_TRUE(found.has_value());
    const auto reference = found->arguments().value(0).value<ObjectReference>();
    EXPECT_EQ(reference.service, ":1.9");
    EXPECT_EQ(reference.path.path(), pathOf(button));

    const QRect glyph =
        QAccessible::queryAccessibleInterface(field)->textInterface()->characterRect(2);
    const QPoint onGlyph = glyph.center() * 2;
    EXPECT_EQ(ask(field, kText, "GetOffsetAtPoint", {onGlyph.x(), onGlyph.y(), kScreen})
                  ->arguments()
                  .value(0),
              2);
}

TEST_F(DevicePixels, OtherQuestionsAreLeftToQt) {
    EXPECT_FALSE(ask(button, QStringLiteral("org.a11y.atspi.Accessible"), "GetRole", {}));
    EXPECT_FALSE(ask(button, kText, "GetCharacterExtents", {0, kScreen})); // a button has no text
    QDBusMessage gone = QDBusMessage::createMethodCall(":1.5", "/org/a11y/atspi/accessible/12345",
                                                       kComponent, "GetExtents");
    gone.setArguments({kScreen});
    EXPECT_FALSE(answerInDevicePixels(gone, ":1.9"));
}

} // namespace

int main(int argc, char* argv[]) {
    qputenv("QT_SCALE_FACTOR", "2");
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
