// The analog meter painted into an image, probed at computed points.
#include "amm.h"
#include "amm_geometry.h"
#include "pixel_probe.h"

#include <QFontMetrics>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace {

const QColor kDial(255, 255, 255);
const QColor kBand(200, 210, 230);
const QColor kNeedle(255, 0, 0);
const QColor kInk(0, 0, 0);

// The "Direkt" meter in its raw-value view.
class DirectMeter : public testing::Test {
protected:
    void SetUp() override {
        QPalette pal = meter.palette();
        pal.setColor(QPalette::Text, kInk);
        meter.setPalette(pal);
        meter.resize(759, 335);
        meter.setBKColor(kDial);
        meter.setBBColor(kBand);
        meter.setNeedleColor(kNeedle);
        meter.setScale("0;64;128;192;256");
        meter.setMinor(6);
        meter.setCaption("Wert");
    }

    QPoint dial(double angle, double k) const {
        return amm::dialPoint(amm::meterFrame(meter.size()), angle, k);
    }

    TAnal meter;
};

TEST(Meter, Defaults) {
    TAnal meter;
    EXPECT_EQ(meter.size(), QSize(190, 145));
    EXPECT_EQ(meter.Value(), 0);
    EXPECT_EQ(meter.Max(), 255);
    EXPECT_EQ(meter.Minor(), 1);
    EXPECT_EQ(meter.Scale(), "0;1;2;3;4;5");
    EXPECT_EQ(meter.Caption(), "Volt");
    EXPECT_EQ(meter.NeedleColor(), QColor(Qt::black));
    EXPECT_EQ(meter.BKColor(), meter.palette().color(QPalette::Base));
}

TEST_F(DirectMeter, AreasAndMajorTick) {
    const QImage img = probe::render(meter);
    EXPECT_EQ(probe::at(img, {5, 5}), kDial);
    EXPECT_EQ(probe::at(img, {5, 272}), kDial); // last row of the dial area
    EXPECT_EQ(probe::at(img, {5, 273}), kBand); // Y1 belongs to the band
    EXPECT_EQ(probe::at(img, {750, 334}), kBand);

    // Major tick at 90 degrees: from (379, 105) up to (379, 55), not beyond.
    EXPECT_EQ(probe::at(img, {379, 55}), kInk);
    EXPECT_EQ(probe::at(img, {379, 80}), kInk);
    EXPECT_EQ(probe::at(img, {379, 104}), kInk);
    EXPECT_EQ(probe::at(img, {379, 54}), kDial);
    EXPECT_EQ(probe::at(img, {379, 107}), kDial);
}

TEST_F(DirectMeter, LabelsSitAboveTheirTicks) {
    const QImage img = probe::render(meter);
    const amm::DialLayout layout = amm::dialLayout(meter.size(), meter.Scale(), meter.Minor());
    for (const amm::DialLabel& label : layout.labels) {
        SCOPED_TRACE(label.text.toStdString());
        const QPoint a = label.anchor;
        const QRect ink = probe::inkBox(img, QRect(a.x() - 40, a.y() - 10, 81, 30), kDial);
        ASSERT_FALSE(ink.isNull());
        EXPECT_GE(ink.top(), a.y()); // the text's top edge is at the anchor
        EXPECT_LE(ink.top(), a.y() + 8);
        EXPECT_NEAR(ink.center().x(), a.x(), 2.5); // centred on it
    }
    // The label at 90 degrees of the 759 × 335 meter.
    EXPECT_EQ(layout.labels[2].anchor, QPoint(379, 20));
}

TEST_F(DirectMeter, MinorTicksOnlyBetweenLabels) {
    const QImage img = probe::render(meter);
    const std::vector<double> minors = amm::minorTickAngles(4, 6);
    ASSERT_EQ(minors.size(), 24u);
    for (double a : minors) {
        EXPECT_TRUE(probe::near(img, dial(a, 0.89), kInk)) << a;
        EXPECT_EQ(probe::at(img, dial(a, 0.97)), kDial) << a; // shorter than a major tick
    }
    const double step = 22.5 / 7;
    EXPECT_EQ(probe::at(img, dial(135 + step, 0.89)), kDial); // none after the last label
    EXPECT_EQ(probe::at(img, dial(45 - step, 0.89)), kDial);
}

TEST_F(DirectMeter, NeedleAndBand) {
    meter.setValue(255); // Value == Max: on the last major tick
    QImage img = probe::render(meter);
    for (double k : {0.6, 0.8, 0.99}) {
        EXPECT_TRUE(probe::near(img, dial(135, k), kNeedle, 0)) << k;
    }
    // The band hides the needle's lower part.
    EXPECT_EQ(probe::at(img, dial(135, 0.4)), kBand);
    // The first major tick is untouched.
    EXPECT_EQ(probe::at(img, dial(45, 0.95)), kInk);

    meter.setValue(300); // past the right end
    img = probe::render(meter);
    const QPoint beyondRight = dial(amm::needleAngle(300, 255), 0.95);
    EXPECT_GT(beyondRight.x(), dial(135, 0.95).x());
    EXPECT_TRUE(probe::near(img, beyondRight, kNeedle));

    meter.setValue(-20); // past the left end
    img = probe::render(meter);
    const QPoint beyondLeft = dial(amm::needleAngle(-20, 255), 0.95);
    EXPECT_LT(beyondLeft.x(), dial(45, 0.95).x());
    EXPECT_TRUE(probe::near(img, beyondLeft, kNeedle));
    EXPECT_FALSE(probe::near(img, dial(135, 0.8), kNeedle, 2));
}

TEST_F(DirectMeter, CaptionAndValueTexts) {
    // At 0 the needle points to the lower left, clear of the caption.
    QImage img = probe::render(meter);
    const QRect caption = probe::inkBox(img, QRect(330, 240, 100, 33), kDial);
    ASSERT_FALSE(caption.isNull());
    EXPECT_GE(caption.top(), 253);
    EXPECT_NEAR(caption.center().x(), 379, 2.5);

    meter.setValue(128);
    img = probe::render(meter);
    const QRect value = probe::inkBox(img, QRect(330, 274, 100, 61), kBand);
    ASSERT_FALSE(value.isNull());
    EXPECT_GE(value.top(), 293);
    EXPECT_LE(value.top(), 301);
    EXPECT_NEAR(value.center().x(), 379, 2.5);

    // A longer value text is wider and stays centred.
    meter.setValue(-12345);
    const QRect longer = probe::inkBox(probe::render(meter), QRect(300, 274, 160, 61), kBand);
    EXPECT_GT(longer.width(), value.width());
    EXPECT_NEAR(longer.center().x(), 379, 2.5);
}

TEST_F(DirectMeter, CachedDialFollowsChanges) {
    QImage img = probe::render(meter);
    ASSERT_EQ(probe::at(img, {379, 80}), kInk); // major tick at 90 degrees

    // Five intervals have no tick at 90 degrees.
    meter.setScale("0;1;2;3;4;5");
    img = probe::render(meter);
    EXPECT_EQ(probe::at(img, {379, 60}), kDial);
    EXPECT_EQ(probe::at(img, dial(63, 0.95)), kInk);

    meter.setBKColor(QColor(255, 255, 0));
    img = probe::render(meter);
    EXPECT_EQ(probe::at(img, {5, 5}), QColor(255, 255, 0));

    meter.resize(190, 145);
    img = probe::render(meter);
    ASSERT_EQ(img.size(), QSize(190, 145));
    EXPECT_EQ(probe::at(img, {2, 82}), QColor(255, 255, 0));
    EXPECT_EQ(probe::at(img, {2, 83}), kBand);
}

// Each label is drawn after its own major tick and before the minor ticks
// that follow it, so its opaque box hides the one and not the others.
TEST(Meter, TicksAfterALabelStayOnTopOfItsBox) {
    TAnal meter; // 190 × 145: the first label comes close to the ticks
    meter.setBKColor(kDial);
    meter.setValue(128); // the needle points straight up, clear of the first tick
    meter.setScale(QString(30, QLatin1Char(' ')) + ";1;2;3;4;5"); // a wide label of blanks
    ASSERT_EQ(meter.Minor(), 1);

    const amm::DialLayout layout = amm::dialLayout(meter.size(), meter.Scale(), meter.Minor());
    const QFontMetrics metrics(meter.font());
    const amm::DialLabel& first = layout.labels.front();
    const int width = metrics.horizontalAdvance(first.text);
    const QRect box(first.anchor.x() - width / 2, first.anchor.y(), width, metrics.height());
    const QLine minor = layout.minorTicks.front();
    const QPoint minorMiddle = (minor.p1() + minor.p2()) / 2;
    const QPoint majorEnd = layout.majorTicks.front().p2();
    const QRect inner = box.adjusted(1, 1, -1, -1);
    ASSERT_TRUE(inner.contains(minorMiddle)) << "the first minor tick runs under the label";
    ASSERT_TRUE(inner.contains(majorEnd)) << "the first major tick ends under the label";

    const QImage img = probe::render(meter);
    EXPECT_TRUE(probe::near(img, minorMiddle, kInk));
    EXPECT_EQ(probe::at(img, majorEnd), kDial);
}

TEST(Meter, SetterRefusals) {
    TAnal meter;
    struct Case {
        const char* what;
        std::function<void()> set;
        std::function<bool()> unchanged;
    };
    const Case refused[] = {
        {"Max 1", [&] { meter.setMax(1); }, [&] { return meter.Max() == 255; }},
        {"Max 0", [&] { meter.setMax(0); }, [&] { return meter.Max() == 255; }},
        {"Max -7", [&] { meter.setMax(-7); }, [&] { return meter.Max() == 255; }},
        {"Minor 11", [&] { meter.setMinor(11); }, [&] { return meter.Minor() == 1; }},
        {"Minor -1", [&] { meter.setMinor(-1); }, [&] { return meter.Minor() == 1; }},
        {"Scale of 2", [&] { meter.setScale("0;"); },
         [&] { return meter.Scale() == "0;1;2;3;4;5"; }},
        {"Scale of 1", [&] { meter.setScale("5"); },
         [&] { return meter.Scale() == "0;1;2;3;4;5"; }},
        {"empty Scale", [&] { meter.setScale(""); },
         [&] { return meter.Scale() == "0;1;2;3;4;5"; }},
    };
    for (const Case& c : refused) {
        c.set();
        EXPECT_TRUE(c.unchanged()) << c.what;
    }

    meter.setMax(2);
    EXPECT_EQ(meter.Max(), 2);
    meter.setMinor(0);
    EXPECT_EQ(meter.Minor(), 0);
    meter.setMinor(10);
    EXPECT_EQ(meter.Minor(), 10);
    meter.setScale("0;1");
    EXPECT_EQ(meter.Scale(), "0;1");
    meter.setValue(-5);
    EXPECT_EQ(meter.Value(), -5);
    meter.setValue(100000);
    EXPECT_EQ(meter.Value(), 100000);
    meter.setCaption("");
    EXPECT_EQ(meter.Caption(), "");
}

TEST(Meter, SettersRepaintAtOnceOnlyOnChange) {
    TAnal meter;
    meter.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&meter));
    probe::PaintCounter paints(&meter);

    meter.setValue(10); // no event loop run: the paint must be synchronous
    EXPECT_EQ(paints.count, 1);
    meter.setValue(10);
    meter.setMax(1);
    meter.setMinor(11);
    meter.setScale("ab");
    meter.setCaption("Volt");
    EXPECT_EQ(paints.count, 1);
    meter.setMinor(4);
    meter.setScale("0;64;128;192;256");
    meter.setCaption("Wert");
    meter.setNeedleColor(Qt::blue);
    EXPECT_EQ(paints.count, 5);
}

TEST(Meter, ClickIsReported) {
    TAnal meter;
    meter.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&meter));
    QSignalSpy clicks(&meter, &TAnal::OnClick);
    QSignalSpy doubles(&meter, &TAnal::OnDblClick);
    QTest::mouseClick(&meter, Qt::LeftButton);
    EXPECT_EQ(clicks.count(), 1);
    QTest::mouseClick(&meter, Qt::RightButton);
    EXPECT_EQ(clicks.count(), 1);
    QTest::mouseDClick(&meter, Qt::LeftButton);
    EXPECT_EQ(doubles.count(), 1);
}

} // namespace
