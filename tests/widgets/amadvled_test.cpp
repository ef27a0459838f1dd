// The LED: setter rules, the switch counter, the shape pictures and their tint.
#include "amadvled.h"
#include "led_names.h"
#include "led_shapes.h"
#include "pixel_probe.h"

#include <QFile>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace {

const QColor kSilver(192, 192, 192);
const QColor kOlive(128, 128, 0);
const QColor kWhite(255, 255, 255);
const QColor kPanel(10, 20, 30);
const QColor kGrey(128, 128, 128);
const QColor kLime(0, 255, 0);

// An LED on a panel of a known colour.
struct OnPanel {
    OnPanel() {
        QPalette pal = panel.palette();
        pal.setColor(QPalette::Window, kPanel);
        panel.setPalette(pal);
    }
    QWidget panel;
    TAMAdvLed* led = new TAMAdvLed(&panel);
};

TEST(Led, Defaults) {
    OnPanel p;
    const TAMAdvLed& led = *p.led;
    EXPECT_EQ(led.LedType(), TAMAdvLed::ltRound);
    EXPECT_EQ(led.BorderStyle(), TAMAdvLed::brRaised);
    EXPECT_TRUE(led.Ctl3D());
    EXPECT_FALSE(led.LedOn());
    EXPECT_EQ(led.ColorOff(), QColor(0, 128, 0));
    EXPECT_EQ(led.ColorOn(), QColor(0, 255, 0));
    EXPECT_EQ(led.NumSwitch(), 0);
    EXPECT_EQ(led.size(), QSize(13, 13));
    EXPECT_EQ(led.pictureName(), "AMRNDLED3DUP");

    // Body tinted green, surroundings in the panel's colour.
    const QImage img = probe::render(*p.led);
    EXPECT_EQ(probe::at(img, {6, 6}), QColor(0, 128, 0));
    EXPECT_EQ(probe::at(img, {10, 9}), QColor(0, 128, 0));
    EXPECT_EQ(probe::at(img, {0, 0}), kPanel);
    EXPECT_EQ(probe::at(img, {12, 12}), kPanel);
}

TEST(Led, DirectPageLed) {
    OnPanel p;
    TAMAdvLed& led = *p.led;
    led.setLedType(TAMAdvLed::ltSquare);
    led.setColorOff(kGrey);
    EXPECT_EQ(led.pictureName(), "AMSQRLED3DUP");

    QImage img = probe::render(led);
    EXPECT_EQ(probe::at(img, {6, 6}), kGrey);
    EXPECT_EQ(probe::at(img, {11, 11}), kGrey);
    const QColor rim = probe::at(img, {0, 0}); // fixed relief, not tinted
    EXPECT_EQ(rim, kWhite);

    led.setLedOn(true);
    img = probe::render(led);
    EXPECT_EQ(probe::at(img, {6, 6}), kLime);
    EXPECT_EQ(probe::at(img, {11, 11}), kLime);
    EXPECT_EQ(probe::at(img, {0, 0}), rim);
}

TEST(Led, ParentColourShowsAround) {
    OnPanel p;
    QPalette pal = p.panel.palette();
    pal.setColor(QPalette::Window, QColor(200, 100, 50));
    p.panel.setPalette(pal);
    EXPECT_EQ(probe::at(probe::render(*p.led), {0, 0}), QColor(200, 100, 50));
}

TEST(Led, SwitchCounterAndEvent) {
    TAMAdvLed led;
    QSignalSpy spy(&led, &TAMAdvLed::OnLedStateChanged);
    led.setLedOn(false); // unchanged: no event, no count
    EXPECT_EQ(spy.count(), 0);
    EXPECT_EQ(led.NumSwitch(), 0);

    led.setLedOn(true);
    led.setLedOn(false);
    led.setLedOn(false);
    led.setLedOn(true);
    ASSERT_EQ(spy.count(), 3);
    const bool states[] = {true, false, true};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(spy.at(i).at(0).value<TAMAdvLed*>(), &led);
        EXPECT_EQ(spy.at(i).at(1).toBool(), states[i]);
        EXPECT_EQ(spy.at(i).at(2).toInt(), i + 1);
    }
    EXPECT_EQ(led.NumSwitch(), 3);
}

TEST(Led, ReliefAndFlatRules) {
    TAMAdvLed led;
    led.setCtl3D(false);
    EXPECT_EQ(led.BorderStyle(), TAMAdvLed::brDefault);
    EXPECT_EQ(led.pictureName(), "AMRNDLEDFLAT");

    led.setBorderStyle(TAMAdvLed::brLowered);
    EXPECT_TRUE(led.Ctl3D());
    EXPECT_EQ(led.pictureName(), "AMRNDLED3DDWN");

    led.setBorderStyle(TAMAdvLed::brDefault);
    EXPECT_TRUE(led.Ctl3D());
    EXPECT_EQ(led.pictureName(), "AMRNDLED");

    led.setBorderStyle(TAMAdvLed::brRaised);
    led.setLedType(TAMAdvLed::ltTriangleLeft);
    EXPECT_EQ(led.pictureName(), "AMTRILEDLEFT3DUP");
    EXPECT_FALSE(led.picture().isNull());

    // A type outside the table falls back to the round shape.
    led.setLedType(static_cast<TAMAdvLed::TLedType>(42));
    EXPECT_EQ(led.pictureName(), "AMRNDLED3DUP");
    EXPECT_FALSE(led.picture().isNull());
}

TEST(Led, ColourSetterRepaintsAlways) {
    TAMAdvLed led;
    led.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&led));
    probe::PaintCounter paints(&led);

    led.setColor(TAMAdvLed::kColorOffIndex, Qt::red);
    EXPECT_EQ(led.ColorOff(), QColor(Qt::red));
    led.setColor(TAMAdvLed::kColorOnIndex, Qt::blue);
    EXPECT_EQ(led.ColorOn(), QColor(Qt::blue));
    led.setColor(TAMAdvLed::kColorOffIndex, Qt::red); // unchanged, painted all the same
    led.setColor(7, Qt::yellow);                      // no such colour
    EXPECT_EQ(led.ColorOff(), QColor(Qt::red));
    EXPECT_EQ(led.ColorOn(), QColor(Qt::blue));
    EXPECT_EQ(paints.count, 4);

    led.setLedOn(false); // unchanged state: no paint
    EXPECT_EQ(paints.count, 4);
    led.setLedOn(true);
    EXPECT_EQ(paints.count, 5);
}

TEST(Led, SizeIsAlwaysThirteen) {
    QWidget parent;
    TAMAdvLed led(&parent);
    led.setGeometry(40, 36, 20, 20); // as a window description would
    EXPECT_EQ(led.size(), QSize(13, 13));
    EXPECT_EQ(led.pos(), QPoint(40, 36));
    led.resize(5, 30);
    EXPECT_EQ(led.size(), QSize(13, 13));
}

TEST(Led, TintIsTwoSteps) {
    const QImage shape = TAMAdvLed::loadPicture("AMRNDLED3DUP");
    ASSERT_FALSE(shape.isNull());
    const QImage tinted = tintLedPicture(shape, Qt::red, Qt::blue);
    for (int y = 0; y < 13; ++y) {
        for (int x = 0; x < 13; ++x) {
            const QColor before = shape.pixelColor(x, y);
            const QColor after = tinted.pixelColor(x, y);
            if (before == kSilver) {
                EXPECT_EQ(after, QColor(Qt::red));
            } else if (before == kOlive) {
                EXPECT_EQ(after, QColor(Qt::blue));
            } else {
                EXPECT_EQ(after, before); // relief and highlights stay
            }
        }
    }
    // The background goes in after the lamp colour: an olive lamp vanishes.
    EXPECT_EQ(tintLedPicture(shape, kOlive, Qt::blue).pixelColor(6, 6), QColor(Qt::blue));
}

TEST(LedPictures, EveryNameLoadsAndMatchesItsDrawing) {
    int checked = 0;
    for (int shape = 0; shape < led::kShapeCount; ++shape) {
        for (led::Variant variant : led::kVariants) {
            const QString name = QString::fromStdString(led::pictureName(shape, variant));
            SCOPED_TRACE(name.toStdString());
            const QImage picture = TAMAdvLed::loadPicture(name);
            ASSERT_FALSE(picture.isNull());
            EXPECT_EQ(picture.size(), QSize(13, 13));
            ASSERT_EQ(picture.colorCount(), 16);
            for (int i = 0; i < 16; ++i) {
                const ledshapes::Rgb c = ledshapes::kPalette[static_cast<std::size_t>(i)];
                EXPECT_EQ(QColor(picture.color(i)), QColor(c.r, c.g, c.b)) << i;
            }
            bool body = false;
            bool surroundings = false;
            for (int y = 0; y < 13; ++y) {
                for (int x = 0; x < 13; ++x) {
                    body |= picture.pixelColor(x, y) == kSilver;
                    surroundings |= picture.pixelColor(x, y) == kOlive;
                }
            }
            EXPECT_TRUE(body);
            // The square fills the picture up to its rim.
            EXPECT_TRUE(surroundings || shape == TAMAdvLed::ltSquare);

            // The stored file is what the generator draws today.
            QFile file(":/leds/" + name);
            ASSERT_TRUE(file.open(QIODevice::ReadOnly));
            const QByteArray stored = file.readAll();
            const auto drawn = ledshapes::encodeBmp(ledshapes::drawPicture(shape, variant));
            EXPECT_EQ(stored, QByteArray(reinterpret_cast<const char*>(drawn.data()),
                                         static_cast<qsizetype>(drawn.size())));
            ++checked;
        }
    }
    EXPECT_EQ(checked, 64);
}

TEST(LedPictures, VariantsDiffer) {
    // Raised and lowered swap light and shadow; flat has a dark outline.
    const QImage raised = TAMAdvLed::loadPicture("AMSQRLED3DUP");
    const QImage lowered = TAMAdvLed::loadPicture("AMSQRLED3DDWN");
    const QImage flat = TAMAdvLed::loadPicture("AMSQRLEDFLAT");
    EXPECT_EQ(raised.pixelColor(0, 6), kWhite);
    EXPECT_EQ(raised.pixelColor(12, 6), kGrey);
    EXPECT_EQ(lowered.pixelColor(0, 6), kGrey);
    EXPECT_EQ(lowered.pixelColor(12, 6), kWhite);
    EXPECT_EQ(flat.pixelColor(0, 6), QColor(0, 0, 0));
    EXPECT_EQ(flat.pixelColor(12, 6), QColor(0, 0, 0));
}

} // namespace
