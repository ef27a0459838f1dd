#include "board_art.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QRadialGradient>

#include <array>
#include <cmath>
#include <initializer_list>
#include <numbers>

namespace boardart {
namespace {

// Colours of the drawing, in one place.
constexpr QColor kPaperTop{0xdc, 0xe6, 0xf0};
constexpr QColor kPaper{0xf3, 0xf6, 0xf9};
constexpr QColor kTitle{0x16, 0x30, 0x4b};
constexpr QColor kSubtitle{0x4a, 0x61, 0x77};
constexpr QColor kBoardLight{0x33, 0x96, 0x62};
constexpr QColor kBoardDark{0x1c, 0x68, 0x41};
constexpr QColor kBoardEdge{0x12, 0x4a, 0x2d};
constexpr QColor kTrace{0x52, 0xaa, 0x76};
constexpr QColor kSilk{0xf4, 0xf6, 0xf2};
constexpr QColor kGold{0xd9, 0xac, 0x4e};
constexpr QColor kGoldDark{0x9a, 0x73, 0x26};
constexpr QColor kMetalLight{0xf0, 0xf2, 0xf4};
constexpr QColor kMetalDark{0x8a, 0x92, 0x9a};
constexpr QColor kPlastic{0x26, 0x28, 0x2c};
constexpr QColor kPlasticLight{0x4a, 0x4d, 0x53};
constexpr QColor kLedRedOn{0xff, 0x3b, 0x2f};
constexpr QColor kLedRedOff{0x8c, 0x22, 0x1c};
constexpr QColor kLedGreenOn{0x5c, 0xff, 0x6a};

constexpr double kPi = std::numbers::pi;

QFont dejaVu(int pixelSize, bool bold = false) {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}

// Text centred on a point (both directions).
void centredText(QPainter& p, QPointF centre, const QString& text, const QFont& font,
                 QColor colour) {
    p.setFont(font);
    p.setPen(colour);
    const QRectF box(centre.x() - 200, centre.y() - 50, 400, 100);
    p.drawText(box, Qt::AlignCenter, text);
}

void silk(QPainter& p, QPointF centre, const QString& text, int pixelSize = 13, bool bold = true) {
    centredText(p, centre, text, dejaVu(pixelSize, bold), kSilk);
}

// A soft drop shadow under a rounded rectangle: stacked, growing, faint copies.
void softShadow(QPainter& p, const QRectF& rect, qreal radius, QPointF offset, int spread,
                int alpha) {
    p.save();
    p.setPen(Qt::NoPen);
    for (int i = spread; i >= 1; --i) {
        const QRectF r = rect.translated(offset).adjusted(-i, -i, i, i);
        p.setBrush(QColor(0x10, 0x20, 0x30, alpha / spread));
        p.drawRoundedRect(r, radius + i, radius + i);
    }
    p.restore();
}

// A copper track under the solder mask, through the given points.
void trace(QPainter& p, std::initializer_list<QPointF> points, qreal width = 2.4) {
    QPainterPath path;
    bool first = true;
    for (const QPointF& point : points) {
        if (first) {
            path.moveTo(point);
            first = false;
        } else {
            path.lineTo(point);
        }
    }
    p.save();
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(kTrace, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(path);
    p.restore();
}

// Vertical, then 45 degrees, then vertical again, bending at bendY.
void traceDown(QPainter& p, QPointF from, QPointF to, qreal bendY, qreal width = 2.4) {
    const qreal dx = to.x() - from.x();
    trace(p, {from, QPointF(from.x(), bendY), QPointF(to.x(), bendY + std::abs(dx)), to}, width);
}

void via(QPainter& p, QPointF centre) {
    p.save();
    p.setPen(QPen(kGoldDark, 1));
    p.setBrush(kGold);
    p.drawEllipse(centre, 3.4, 3.4);
    p.setBrush(kBoardDark.darker(160));
    p.setPen(Qt::NoPen);
    p.drawEllipse(centre, 1.4, 1.4);
    p.restore();
}

void mountingHole(QPainter& p, QPointF centre) {
    p.save();
    QRadialGradient ring(centre, 9);
    ring.setColorAt(0.0, kGold.lighter(115));
    ring.setColorAt(1.0, kGoldDark);
    p.setPen(Qt::NoPen);
    p.setBrush(ring);
    p.drawEllipse(centre, 9, 9);
    p.setBrush(kPaper);
    p.drawEllipse(centre, 5.5, 5.5);
    p.restore();
}

// An LED seen from above: the flange with its flat side, the dome, and, when
// lit, a glow around it.
void led(QPainter& p, QPointF c, qreal r, QColor on, QColor off, bool lit) {
    p.save();
    if (lit) {
        QRadialGradient glow(c, r * 2.6);
        QColor inner = on;
        inner.setAlpha(150);
        QColor outer = on;
        outer.setAlpha(0);
        glow.setColorAt(0.0, inner);
        glow.setColorAt(0.45, QColor(on.red(), on.green(), on.blue(), 60));
        glow.setColorAt(1.0, outer);
        p.setPen(Qt::NoPen);
        p.setBrush(glow);
        p.drawEllipse(c, r * 2.6, r * 2.6);
    }
    const QColor body = lit ? on : off;
    // Flange with the flat (cathode) side to the right.
    QPainterPath flange;
    flange.addEllipse(c, r * 1.15, r * 1.15);
    QPainterPath cut;
    cut.addRect(QRectF(c.x() + r * 0.98, c.y() - r * 2, r * 2, r * 4));
    p.setPen(QPen(body.darker(190), 1));
    p.setBrush(body.darker(135));
    p.drawPath(flange.subtracted(cut));
    QRadialGradient dome(c - QPointF(r * 0.35, r * 0.4), r * 1.3);
    dome.setColorAt(0.0, lit ? QColor(255, 255, 235) : body.lighter(150));
    dome.setColorAt(0.35, lit ? body.lighter(125) : body);
    dome.setColorAt(1.0, body.darker(lit ? 120 : 160));
    p.setPen(Qt::NoPen);
    p.setBrush(dome);
    p.drawEllipse(c, r, r);
    p.setBrush(QColor(255, 255, 255, 170));
    p.drawEllipse(QRectF(c.x() - r * 0.55, c.y() - r * 0.62, r * 0.45, r * 0.32));
    p.restore();
}

// A row of sockets in one black housing; the holes are centred on `centres`.
void socketStrip(QPainter& p, const std::vector<QPointF>& centres, qreal pitch) {
    if (centres.empty()) {
        return;
    }
    p.save();
    const QRectF housing(centres.front().x() - pitch / 2, centres.front().y() - 12,
                         centres.back().x() - centres.front().x() + pitch, 24);
    softShadow(p, housing, 2, QPointF(1.5, 2.5), 3, 90);
    QLinearGradient g(housing.topLeft(), housing.bottomLeft());
    g.setColorAt(0.0, kPlasticLight);
    g.setColorAt(1.0, kPlastic);
    p.setPen(QPen(QColor(0x10, 0x10, 0x12), 1));
    p.setBrush(g);
    p.drawRoundedRect(housing, 2.5, 2.5);
    for (const QPointF& c : centres) {
        const QRectF hole(c.x() - 5.5, c.y() - 5.5, 11, 11);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0x0c, 0x0c, 0x0e));
        p.drawRect(hole);
        QLinearGradient contact(hole.topLeft(), hole.bottomRight());
        contact.setColorAt(0.0, kGold.lighter(120));
        contact.setColorAt(1.0, kGoldDark);
        p.setBrush(contact);
        p.drawRect(hole.adjusted(2.5, 2.5, -2.5, -2.5));
    }
    p.restore();
}

// A 4 mm socket from above: hexagon nut, coloured insulating collar, contact.
void bananaSocket(QPainter& p, QPointF c, QColor collar) {
    p.save();
    softShadow(p, QRectF(c.x() - 15, c.y() - 15, 30, 30), 15, QPointF(2, 3), 3, 90);
    QPolygonF hexagon;
    for (int i = 0; i < 6; ++i) {
        const double a = kPi / 6 + i * kPi / 3;
        hexagon << c + QPointF(17 * std::cos(a), 17 * std::sin(a));
    }
    QLinearGradient metal(c - QPointF(17, 17), c + QPointF(17, 17));
    metal.setColorAt(0.0, kMetalLight);
    metal.setColorAt(1.0, kMetalDark);
    p.setPen(QPen(kMetalDark.darker(140), 1));
    p.setBrush(metal);
    p.drawPolygon(hexagon);
    QRadialGradient plastic(c - QPointF(4, 5), 16);
    plastic.setColorAt(0.0, collar.lighter(145));
    plastic.setColorAt(1.0, collar.darker(125));
    p.setPen(QPen(collar.darker(170), 1));
    p.setBrush(plastic);
    p.drawEllipse(c, 12.5, 12.5);
    QRadialGradient hole(c + QPointF(1, 1), 6);
    hole.setColorAt(0.0, QColor(0x20, 0x18, 0x08));
    hole.setColorAt(0.7, kGoldDark);
    hole.setColorAt(1.0, kGold);
    p.setPen(Qt::NoPen);
    p.setBrush(hole);
    p.drawEllipse(c, 5.5, 5.5);
    p.restore();
}

// A DIP package seen from above, lying horizontally with pin 1 at the
// bottom left and the notch on the left.
void dip(QPainter& p, const QRectF& body, int pinsPerSide, const QString& line1,
         const QString& line2, int fontSize) {
    p.save();
    const qreal pitch = (body.width() - 14) / (pinsPerSide - 1);
    for (int i = 0; i < pinsPerSide; ++i) {
        const qreal x = body.left() + 7 + i * pitch;
        for (const qreal y : {body.top() - 8, body.bottom() - 1}) {
            QLinearGradient leg(QPointF(x - 3, y), QPointF(x + 3, y));
            leg.setColorAt(0.0, kMetalLight);
            leg.setColorAt(1.0, kMetalDark);
            p.setPen(QPen(kMetalDark.darker(130), 0.8));
            p.setBrush(leg);
            p.drawRect(QRectF(x - 3, y, 6, 9));
        }
    }
    softShadow(p, body, 3, QPointF(2, 3), 4, 110);
    QLinearGradient g(body.topLeft(), body.bottomLeft());
    g.setColorAt(0.0, QColor(0x3a, 0x3c, 0x41));
    g.setColorAt(0.5, QColor(0x25, 0x26, 0x2a));
    g.setColorAt(1.0, QColor(0x18, 0x19, 0x1c));
    p.setPen(QPen(QColor(0x0a, 0x0a, 0x0c), 1));
    p.setBrush(g);
    p.drawRoundedRect(body, 3, 3);
    // Notch and pin-1 dimple.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x12, 0x12, 0x14));
    const qreal notch = body.height() * 0.16;
    p.drawPie(QRectF(body.left() - notch, body.center().y() - notch, 2 * notch, 2 * notch),
              -90 * 16, 180 * 16);
    p.drawEllipse(QPointF(body.left() + 9, body.bottom() - 9), 3, 3);
    const QColor ink(0xd8, 0xdb, 0xde);
    if (line2.isEmpty()) {
        centredText(p, body.center(), line1, dejaVu(fontSize, true), ink);
    } else {
        centredText(p, body.center() - QPointF(0, fontSize * 0.55), line1, dejaVu(fontSize, true),
                    ink);
        centredText(p, body.center() + QPointF(0, fontSize * 0.75), line2,
                    dejaVu(qMax(8, fontSize * 10 / 16)), ink.darker(115));
    }
    p.restore();
}

// The 9-pin serial connector on the left board edge, drawn as one sees its
// face: flange with two screw posts and the D-shaped collar with 5 + 4 contacts.
void serialConnector(QPainter& p, QPointF centre) {
    p.save();
    const QRectF shell(centre.x() + 12, centre.y() - 46, 34, 92);
    softShadow(p, shell, 2, QPointF(2, 3), 3, 90);
    QLinearGradient top(shell.topLeft(), shell.topRight());
    top.setColorAt(0.0, kMetalDark);
    top.setColorAt(0.5, kMetalLight);
    top.setColorAt(1.0, kMetalDark);
    p.setPen(QPen(kMetalDark.darker(140), 1));
    p.setBrush(top);
    p.drawRect(shell);
    for (int i = 0; i < 5; ++i) {
        p.setPen(QPen(kMetalDark, 1));
        const qreal y = shell.top() + 12 + i * 17;
        p.drawLine(QPointF(shell.left() + 5, y), QPointF(shell.right() - 5, y));
    }

    const QRectF flange(centre.x() - 20, centre.y() - 66, 34, 132);
    softShadow(p, flange, 4, QPointF(2, 3), 4, 110);
    QLinearGradient plate(flange.topLeft(), flange.bottomRight());
    plate.setColorAt(0.0, kMetalLight);
    plate.setColorAt(1.0, kMetalDark);
    p.setPen(QPen(kMetalDark.darker(150), 1));
    p.setBrush(plate);
    p.drawRoundedRect(flange, 4, 4);
    for (const qreal dy : {-54.0, 54.0}) {
        const QPointF post = QPointF(flange.center().x(), centre.y() + dy);
        QPolygonF hexagon;
        for (int i = 0; i < 6; ++i) {
            const double a = i * kPi / 3;
            hexagon << post + QPointF(7.5 * std::cos(a), 7.5 * std::sin(a));
        }
        p.setBrush(kMetalDark.lighter(110));
        p.drawPolygon(hexagon);
        p.setBrush(QColor(0x30, 0x32, 0x36));
        p.drawEllipse(post, 3, 3);
    }
    // The D: wider at the top, narrower at the bottom.
    const qreal cx = flange.center().x();
    QPainterPath d;
    d.moveTo(cx - 10, centre.y() - 40);
    d.lineTo(cx + 10, centre.y() - 34);
    d.lineTo(cx + 10, centre.y() + 34);
    d.lineTo(cx - 10, centre.y() + 40);
    d.closeSubpath();
    p.setPen(QPen(QColor(0x55, 0x5a, 0x60), 3.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(QColor(0x22, 0x24, 0x28));
    p.drawPath(d);
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 5; ++i) {
        const QPointF pin(cx - 4.5, centre.y() - 28 + i * 14);
        p.setBrush(kGold);
        p.drawEllipse(pin, 2.6, 2.6);
    }
    for (int i = 0; i < 4; ++i) {
        const QPointF pin(cx + 4.5, centre.y() - 21 + i * 14);
        p.setBrush(kGold);
        p.drawEllipse(pin, 2.6, 2.6);
    }
    p.restore();
}

// Barrel power jack on the left board edge.
void powerJack(QPainter& p, const QRectF& body) {
    p.save();
    softShadow(p, body, 3, QPointF(2, 3), 4, 110);
    QLinearGradient g(body.topLeft(), body.bottomLeft());
    g.setColorAt(0.0, kPlasticLight);
    g.setColorAt(0.5, kPlastic);
    g.setColorAt(1.0, QColor(0x14, 0x15, 0x17));
    p.setPen(QPen(QColor(0x08, 0x08, 0x0a), 1));
    p.setBrush(g);
    p.drawRoundedRect(body, 3, 3);
    // The barrel opening on the front face, seen at a slant.
    const QRectF face(body.left() - 4, body.top() + 3, 9, body.height() - 6);
    p.setBrush(QColor(0x3c, 0x3f, 0x44));
    p.drawRoundedRect(face, 3, 3);
    p.setBrush(QColor(0x0a, 0x0a, 0x0c));
    p.drawEllipse(QPointF(face.center().x(), face.center().y()), 2.5, body.height() * 0.3);
    p.setPen(QPen(QColor(0x55, 0x58, 0x5e), 1));
    for (int i = 1; i <= 3; ++i) {
        const qreal x = body.left() + body.width() * (0.25 + 0.18 * i);
        p.drawLine(QPointF(x, body.top() + 4), QPointF(x, body.bottom() - 4));
    }
    p.restore();
}

// Voltage regulator in a TO-220 package, its tab pointing up.
void regulator(QPainter& p, QPointF topLeft) {
    p.save();
    const QRectF tab(topLeft.x(), topLeft.y(), 26, 16);
    const QRectF body(topLeft.x(), topLeft.y() + 14, 26, 20);
    for (int i = 0; i < 3; ++i) {
        p.setPen(QPen(kMetalDark.darker(130), 0.8));
        p.setBrush(kMetalLight.darker(108));
        p.drawRect(QRectF(topLeft.x() + 4 + i * 8, body.bottom() - 1, 3, 9));
    }
    softShadow(p, tab.united(body), 2, QPointF(2, 3), 3, 100);
    QLinearGradient metal(tab.topLeft(), tab.bottomRight());
    metal.setColorAt(0.0, kMetalLight);
    metal.setColorAt(1.0, kMetalDark);
    p.setPen(QPen(kMetalDark.darker(140), 1));
    p.setBrush(metal);
    p.drawRoundedRect(tab, 2, 2);
    p.setBrush(kBoardDark);
    p.drawEllipse(QPointF(tab.center().x(), tab.top() + 7), 3.5, 3.5);
    QLinearGradient g(body.topLeft(), body.bottomLeft());
    g.setColorAt(0.0, kPlasticLight);
    g.setColorAt(1.0, kPlastic);
    p.setPen(QPen(QColor(0x0a, 0x0a, 0x0c), 1));
    p.setBrush(g);
    p.drawRect(body);
    centredText(p, body.center(), QStringLiteral("5V"), dejaVu(8, true), QColor(0xc8, 0xcb, 0xce));
    p.restore();
}

// Electrolytic capacitor from above: a can with its minus stripe.
void electrolytic(QPainter& p, QPointF c, qreal r) {
    p.save();
    softShadow(p, QRectF(c.x() - r, c.y() - r, 2 * r, 2 * r), r, QPointF(2, 3), 3, 100);
    QRadialGradient can(c - QPointF(r * 0.3, r * 0.35), r * 1.3);
    can.setColorAt(0.0, QColor(0x3b, 0x5f, 0xb0));
    can.setColorAt(1.0, QColor(0x15, 0x25, 0x55));
    p.setPen(QPen(QColor(0x0c, 0x16, 0x36), 1));
    p.setBrush(can);
    p.drawEllipse(c, r, r);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xc8, 0xd0, 0xe0));
    p.drawPie(QRectF(c.x() - r, c.y() - r, 2 * r, 2 * r), 20 * 16, 50 * 16);
    p.setBrush(QColor(0x9a, 0xa4, 0xb0));
    p.drawEllipse(c, r * 0.62, r * 0.62);
    p.setPen(QPen(QColor(0x6a, 0x74, 0x80), 1.2));
    p.drawLine(c - QPointF(r * 0.45, 0), c + QPointF(r * 0.45, 0));
    p.drawLine(c - QPointF(0, r * 0.45), c + QPointF(0, r * 0.45));
    p.restore();
}

// Quartz crystal in an HC-49 can.
void crystal(QPainter& p, const QRectF& can) {
    p.save();
    softShadow(p, can, can.height() / 2, QPointF(2, 3), 3, 100);
    QLinearGradient metal(can.topLeft(), can.bottomLeft());
    metal.setColorAt(0.0, kMetalLight);
    metal.setColorAt(0.45, QColor(0xc4, 0xc9, 0xcf));
    metal.setColorAt(1.0, kMetalDark);
    p.setPen(QPen(kMetalDark.darker(140), 1));
    p.setBrush(metal);
    p.drawRoundedRect(can, can.height() / 2, can.height() / 2);
    p.setPen(QPen(QColor(255, 255, 255, 160), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(can.adjusted(3, 3, -3, -3), can.height() / 2 - 3, can.height() / 2 - 3);
    p.restore();
}

// Small ceramic capacitor (a yellow-brown drop) or resistor (beige with bands).
void ceramic(QPainter& p, QPointF c) {
    p.save();
    QRadialGradient drop(c - QPointF(2, 2), 7);
    drop.setColorAt(0.0, QColor(0xf0, 0xc8, 0x60));
    drop.setColorAt(1.0, QColor(0xb0, 0x78, 0x20));
    p.setPen(QPen(QColor(0x80, 0x50, 0x10), 0.8));
    p.setBrush(drop);
    p.drawEllipse(c, 6, 5);
    p.restore();
}

void resistor(QPainter& p, QPointF c, bool vertical, std::array<QColor, 3> bands) {
    p.save();
    p.translate(c);
    if (vertical) {
        p.rotate(90);
    }
    p.setPen(QPen(kMetalDark, 1.6));
    p.drawLine(QPointF(-16, 0), QPointF(16, 0));
    const QRectF body(-9, -4, 18, 8);
    QLinearGradient g(body.topLeft(), body.bottomLeft());
    g.setColorAt(0.0, QColor(0xf2, 0xdc, 0xb0));
    g.setColorAt(1.0, QColor(0xc8, 0xa8, 0x70));
    p.setPen(QPen(QColor(0x90, 0x70, 0x40), 0.8));
    p.setBrush(g);
    p.drawRoundedRect(body, 3.5, 3.5);
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 3; ++i) {
        p.setBrush(bands[static_cast<std::size_t>(i)]);
        p.drawRect(QRectF(-5.5 + i * 3.6, -4, 2, 8));
    }
    p.setBrush(kGold);
    p.drawRect(QRectF(5.5, -4, 1.6, 8));
    p.restore();
}

// Rotary knob of the potentiometer with its printed scale. angle in degrees,
// 0 = pointing up, clockwise positive.
void potentiometer(QPainter& p, QPointF c, qreal r, qreal angle) {
    p.save();
    // Scale on the board: 11 ticks over 270 degrees.
    p.setPen(QPen(kSilk, 1.6, Qt::SolidLine, Qt::RoundCap));
    for (int i = 0; i <= 10; ++i) {
        const double a = (-135.0 + i * 27.0) * kPi / 180.0;
        const qreal inner = r + 5;
        const qreal outer = r + (i % 5 == 0 ? 12 : 9);
        p.drawLine(c + QPointF(inner * std::sin(a), -inner * std::cos(a)),
                   c + QPointF(outer * std::sin(a), -outer * std::cos(a)));
    }
    const auto scaleLabel = [&](double degrees, const QString& text) {
        const double a = degrees * kPi / 180.0;
        const qreal d = r + 21;
        silk(p, c + QPointF(d * std::sin(a), -d * std::cos(a)), text, 10, false);
    };
    scaleLabel(-140, QStringLiteral("0"));
    scaleLabel(140, QStringLiteral("5V"));

    softShadow(p, QRectF(c.x() - r, c.y() - r, 2 * r, 2 * r), r, QPointF(3, 4), 5, 130);
    // Knurled skirt.
    QRadialGradient skirt(c - QPointF(r * 0.3, r * 0.3), r * 1.4);
    skirt.setColorAt(0.0, QColor(0x5a, 0x5e, 0x66));
    skirt.setColorAt(1.0, QColor(0x1c, 0x1e, 0x22));
    p.setPen(QPen(QColor(0x0c, 0x0c, 0x0e), 1));
    p.setBrush(skirt);
    p.drawEllipse(c, r, r);
    p.setPen(QPen(QColor(0x12, 0x13, 0x16), 1.2));
    for (int i = 0; i < 36; ++i) {
        const double a = i * kPi / 18;
        p.drawLine(c + QPointF((r - 4) * std::cos(a), (r - 4) * std::sin(a)),
                   c + QPointF(r * std::cos(a), r * std::sin(a)));
    }
    // Cap.
    const qreal cap = r * 0.74;
    QRadialGradient top(c - QPointF(cap * 0.35, cap * 0.45), cap * 1.4);
    top.setColorAt(0.0, QColor(0x9a, 0xa0, 0xa8));
    top.setColorAt(0.5, QColor(0x55, 0x5a, 0x62));
    top.setColorAt(1.0, QColor(0x2a, 0x2c, 0x31));
    p.setPen(QPen(QColor(0x18, 0x19, 0x1c), 1));
    p.setBrush(top);
    p.drawEllipse(c, cap, cap);
    const double a = angle * kPi / 180.0;
    p.setPen(QPen(QColor(0xff, 0xff, 0xff), 3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(c + QPointF(cap * 0.25 * std::sin(a), -cap * 0.25 * std::cos(a)),
               c + QPointF(cap * 0.9 * std::sin(a), -cap * 0.9 * std::cos(a)));
    p.restore();
}

// Tactile push button: metal frame, four legs, round cap.
void pushButton(QPainter& p, QPointF c, QColor capColour) {
    p.save();
    const QRectF frame(c.x() - 13, c.y() - 13, 26, 26);
    p.setPen(Qt::NoPen);
    p.setBrush(kMetalDark);
    for (const QPointF leg : {QPointF(-15, -9), QPointF(11, -9), QPointF(-15, 6), QPointF(11, 6)}) {
        p.drawRect(QRectF(c + leg, QSizeF(4, 3)));
    }
    softShadow(p, frame, 2, QPointF(2, 3), 3, 100);
    QLinearGradient metal(frame.topLeft(), frame.bottomRight());
    metal.setColorAt(0.0, kMetalLight);
    metal.setColorAt(1.0, kMetalDark);
    p.setPen(QPen(kMetalDark.darker(140), 1));
    p.setBrush(metal);
    p.drawRoundedRect(frame, 2, 2);
    p.setBrush(QColor(0x2a, 0x2c, 0x30));
    p.drawRoundedRect(frame.adjusted(3, 3, -3, -3), 2, 2);
    QRadialGradient cap(c - QPointF(3, 3), 11);
    cap.setColorAt(0.0, capColour.lighter(150));
    cap.setColorAt(1.0, capColour.darker(130));
    p.setPen(QPen(capColour.darker(180), 1));
    p.setBrush(cap);
    p.drawEllipse(c, 8, 8);
    p.restore();
}

// Piezo beeper: black can with the sound hole.
void beeper(QPainter& p, QPointF c, qreal r) {
    p.save();
    softShadow(p, QRectF(c.x() - r, c.y() - r, 2 * r, 2 * r), r, QPointF(2, 3), 4, 110);
    QRadialGradient can(c - QPointF(r * 0.35, r * 0.4), r * 1.5);
    can.setColorAt(0.0, QColor(0x55, 0x58, 0x5e));
    can.setColorAt(1.0, QColor(0x12, 0x13, 0x15));
    p.setPen(QPen(QColor(0x06, 0x06, 0x08), 1));
    p.setBrush(can);
    p.drawEllipse(c, r, r);
    p.setPen(QPen(QColor(0x3a, 0x3d, 0x42), 1.2));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(c, r * 0.55, r * 0.55);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x05, 0x05, 0x06));
    p.drawEllipse(c, r * 0.18, r * 0.18);
    p.restore();
}

void background(QPainter& p, const QRectF& area) {
    // Lighter towards the bottom and flat below 75 %: the link label's corner
    // stays one plain colour.
    QLinearGradient g(area.topLeft(), QPointF(area.left(), area.top() + area.height() * 0.75));
    g.setColorAt(0.0, kPaperTop);
    g.setColorAt(1.0, kPaper);
    p.fillRect(area, g);
    // A faint drawing-board grid that fades out before the bottom.
    for (qreal y = 12; y < area.height() * 0.78; y += 24) {
        const int alpha = static_cast<int>(40 * (1.0 - y / (area.height() * 0.78)));
        p.setPen(QPen(QColor(0x7a, 0x94, 0xb0, alpha), 1));
        p.drawLine(QPointF(0, y + 0.5), QPointF(area.width(), y + 0.5));
    }
    for (qreal x = 12; x < area.width(); x += 24) {
        QLinearGradient fade(QPointF(0, 0), QPointF(0, area.height() * 0.78));
        fade.setColorAt(0.0, QColor(0x7a, 0x94, 0xb0, 40));
        fade.setColorAt(1.0, QColor(0x7a, 0x94, 0xb0, 0));
        p.setPen(QPen(QBrush(fade), 1));
        p.drawLine(QPointF(x + 0.5, 0), QPointF(x + 0.5, area.height() * 0.78));
    }
}

void boardOutline(QPainter& p, const QRectF& board) {
    softShadow(p, board, 12, QPointF(5, 8), 8, 120);
    QLinearGradient g(board.topLeft(), board.bottomRight());
    g.setColorAt(0.0, kBoardLight);
    g.setColorAt(1.0, kBoardDark);
    p.setPen(QPen(kBoardEdge, 2));
    p.setBrush(g);
    p.drawRoundedRect(board, 12, 12);
    p.setPen(QPen(QColor(255, 255, 255, 45), 1.5));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(board.adjusted(3, 3, -3, -3), 10, 10);
}

// Board layout, in board coordinates (origin at the board's top-left).
constexpr QSizeF kBoard{620, 316};
constexpr int kPorts = 6;
constexpr qreal kPortPitch = 34;
constexpr qreal kPortLeft = 200;
constexpr qreal kLedY = 48;
constexpr qreal kSocketY = 84;
constexpr QRectF kChip{180, 152, 200, 56};
constexpr QRectF kShifter{80, 90, 80, 32};
constexpr qreal kStatusY = 256;

qreal chipPinX(int index) {
    return kChip.left() + 7 + index * (kChip.width() - 14) / 13;
}

qreal portX(int port) {
    return kPortLeft + port * kPortPitch;
}

void drawTraces(QPainter& p) {
    // Port sockets to every other pin on the chip's upper row.
    for (int i = 0; i < kPorts; ++i) {
        traceDown(p, QPointF(portX(i), kSocketY), QPointF(chipPinX(2 * i + 1), kChip.top() - 4),
                  kSocketY + 24);
    }
    // LEDs sit straight above their sockets.
    for (int i = 0; i < kPorts; ++i) {
        trace(p, {QPointF(portX(i), kLedY), QPointF(portX(i), kSocketY)});
    }
    // Serial connector to the level shifter, level shifter to the chip.
    trace(p, {QPointF(44, 96), QPointF(60, 96), QPointF(72, 84), QPointF(87, 84)});
    trace(p, {QPointF(44, 110), QPointF(64, 110), QPointF(70, 116), QPointF(70, 136),
              QPointF(87, 136), QPointF(87, 126)});
    trace(p, {QPointF(44, 124), QPointF(56, 124), QPointF(56, 146), QPointF(64, 154),
              QPointF(100, 154), QPointF(100, 126)});
    trace(p, {QPointF(chipPinX(0), kChip.bottom() + 4), QPointF(chipPinX(0), 226),
              QPointF(162, 226), QPointF(153, 217), QPointF(153, 126)});
    trace(p, {QPointF(140, 86), QPointF(140, 72), QPointF(168, 72), QPointF(178, 82),
              QPointF(178, 128), QPointF(chipPinX(0), 142), QPointF(chipPinX(0), kChip.top() - 4)});
    // Crystal and its capacitors.
    trace(p, {QPointF(chipPinX(2), kChip.bottom() + 4), QPointF(chipPinX(2), 244)});
    trace(p, {QPointF(chipPinX(4), kChip.bottom() + 4), QPointF(chipPinX(4), 244)});
    trace(p, {QPointF(chipPinX(2), 244), QPointF(chipPinX(2), 270)});
    trace(p, {QPointF(chipPinX(4), 244), QPointF(chipPinX(4), 270)});
    // Power: jack, regulator, the supply rail along the bottom.
    trace(p, {QPointF(40, 248), QPointF(78, 248)}, 4);
    trace(p,
          {QPointF(86, 266), QPointF(86, 288), QPointF(chipPinX(6), 288),
           QPointF(chipPinX(6), kChip.bottom())},
          4);
    trace(p, {QPointF(118, 240), QPointF(118, 288)}, 4);
    // Status LED through its resistor.
    trace(p, {QPointF(chipPinX(8), kChip.bottom() + 4), QPointF(chipPinX(8), kStatusY)});
    // Output, analogue input, push button and beeper are reached from below,
    // clear of their labels.
    trace(p, {QPointF(chipPinX(13), kChip.top() - 4), QPointF(chipPinX(13), 132), QPointF(410, 102),
              QPointF(484, 102), QPointF(494, 92), QPointF(494, 60)});
    trace(p,
          {QPointF(chipPinX(12), kChip.bottom() + 4), QPointF(chipPinX(12), 216), QPointF(398, 216),
           QPointF(424, 190), QPointF(484, 190), QPointF(494, 180), QPointF(494, 160)});
    trace(p, {QPointF(494, 160), QPointF(540, 160)});
    trace(p,
          {QPointF(chipPinX(11), kChip.bottom() + 4), QPointF(chipPinX(11), 224), QPointF(406, 224),
           QPointF(434, 252), QPointF(484, 252), QPointF(494, 242), QPointF(494, 224)});
    trace(p, {QPointF(chipPinX(10), kChip.bottom() + 4), QPointF(chipPinX(10), 240),
              QPointF(412, 240), QPointF(440, 268), QPointF(540, 268)});
    via(p, QPointF(440, 268));
    via(p, QPointF(424, 190));
    via(p, QPointF(160, 60));
    via(p, QPointF(180, 288));
}

void drawBoard(QPainter& p) {
    const QRectF board(QPointF(0, 0), kBoard);
    boardOutline(p, board);
    for (const QPointF c :
         {QPointF(18, 18), QPointF(kBoard.width() - 18, 18), QPointF(18, kBoard.height() - 18),
          QPointF(kBoard.width() - 18, kBoard.height() - 18)}) {
        mountingHole(p, c);
    }
    drawTraces(p);

    // Port row: bit numbers 5 to 0 from the left, as "Direkt" and the
    // simulator panel show the bits; LEDs, sockets. Every LED of the picture
    // is dark: a picture shows no live state of the board.
    std::vector<QPointF> sockets;
    for (int i = 0; i < kPorts; ++i) {
        silk(p, QPointF(portX(i), 20), QString::number(kPorts - 1 - i), 13);
        led(p, QPointF(portX(i), kLedY), 9, kLedRedOn, kLedRedOff, false);
        sockets.emplace_back(portX(i), kSocketY);
    }
    sockets.emplace_back(portX(kPorts), kSocketY);
    silk(p, QPointF(portX(kPorts), 48), QStringLiteral("GND"), 10);
    socketStrip(p, sockets, kPortPitch);
    silk(p, QPointF(portX(0) - 40, 20), QStringLiteral("Port"), 12);

    // Serial side.
    serialConnector(p, QPointF(0, 110));
    silk(p, QPointF(40, 196), QStringLiteral("RS-232"), 11);
    dip(p, kShifter, 8, QStringLiteral("IC2"), QString(), 10);
    ceramic(p, QPointF(120, 140));

    // Power.
    powerJack(p, QRectF(-8, 230, 48, 36));
    silk(p, QPointF(24, 284), QStringLiteral("9 V ="), 11);
    regulator(p, QPointF(70, 222));
    electrolytic(p, QPointF(118, 250), 14);

    // The microcontroller with its clock.
    dip(p, kChip, 14, QStringLiteral("ZENTOR"), QStringLiteral("µC  1.1"), 17);
    crystal(p, QRectF(chipPinX(1) - 6, 236, chipPinX(5) - chipPinX(1) + 12, 16));
    silk(p, QPointF(chipPinX(3), 226), QStringLiteral("Q1"), 9, false);
    ceramic(p, QPointF(chipPinX(2), 270));
    ceramic(p, QPointF(chipPinX(4), 270));

    // Status LED with its resistor.
    resistor(p, QPointF(chipPinX(8) + 17, kStatusY), false,
             {QColor(0x8b, 0x45, 0x13), QColor(0x10, 0x10, 0x10), QColor(0xd0, 0x20, 0x20)});
    led(p, QPointF(chipPinX(8) + 50, kStatusY), 8, kLedGreenOn, kLedGreenOn.darker(300), false);
    silk(p, QPointF(chipPinX(8) + 50, kStatusY + 20), QStringLiteral("Status"), 10);

    // Output, analogue input, digital input, beeper.
    silk(p, QPointF(450, 60), QStringLiteral("Out"), 14);
    bananaSocket(p, QPointF(494, 60), QColor(0xd8, 0x2a, 0x22));
    bananaSocket(p, QPointF(552, 60), QColor(0x2c, 0x2e, 0x33));
    silk(p, QPointF(552, 90), QStringLiteral("GND"), 10);

    silk(p, QPointF(450, 160), QStringLiteral("Uin"), 14);
    bananaSocket(p, QPointF(494, 160), QColor(0xe8, 0xc0, 0x20));
    potentiometer(p, QPointF(560, 160), 24, 35);

    silk(p, QPointF(450, 224), QStringLiteral("Din"), 14);
    pushButton(p, QPointF(494, 224), QColor(0x2a, 0x6c, 0xd8));

    beeper(p, QPointF(556, 258), 22);
    silk(p, QPointF(556, 294), QStringLiteral("Piezo"), 10);

    silk(p, QPointF(250, 302), QStringLiteral("ZENTOR Lernplatine  ·  Rev. 1.1"), 10, false);
}

} // namespace

QImage drawPicture() {
    QImage image(kPictureSize, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    const QRectF area(QPointF(0, 0), QSizeF(kPictureSize));
    background(p, area);

    p.setFont(dejaVu(46, true));
    p.setPen(kTitle);
    p.drawText(QPointF(30, 56), QStringLiteral("Zentor"));
    p.setFont(dejaVu(17));
    p.setPen(kSubtitle);
    p.drawText(QPointF(32, 82), QStringLiteral("Mikrocontroller-Lernsystem"));

    // Centred across the page, connector included.
    p.translate(80, 116);
    drawBoard(p);
    p.end();
    return image;
}

namespace {

constexpr QRectF kIconChip{70, 112, 116, 48};
constexpr qreal kIconLedLeft = 63;
constexpr qreal kIconLedPitch = 26;

qreal iconLegX(int index, int legs) {
    return kIconChip.left() + 10 + index * (kIconChip.width() - 20) / (legs - 1);
}

} // namespace

QImage drawIcon(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 256.0, size / 256.0);
    const bool detailed = size >= 96;

    // The board.
    const QRectF board(22, 30, 214, 196);
    if (detailed) {
        softShadow(p, board, 22, QPointF(3, 6), 8, 110);
    }
    QLinearGradient g(board.topLeft(), board.bottomRight());
    g.setColorAt(0.0, kBoardLight.lighter(108));
    g.setColorAt(1.0, kBoardDark);
    p.setPen(QPen(kBoardEdge, detailed ? 3 : 6));
    p.setBrush(g);
    p.drawRoundedRect(board, 22, 22);

    if (detailed) {
        // Each LED to a leg of the chip.
        constexpr std::array<int, 6> legOfLed{0, 1, 3, 4, 6, 7};
        for (std::size_t i = 0; i < legOfLed.size(); ++i) {
            traceDown(p, QPointF(kIconLedLeft + static_cast<qreal>(i) * kIconLedPitch, 62),
                      QPointF(iconLegX(legOfLed[i], 8), 104), 80, 4);
        }
        trace(p, {QPointF(40, 150), QPointF(70, 150)}, 5);
        trace(p, {QPointF(150, 180), QPointF(176, 180), QPointF(190, 194)}, 5);
    }

    // The serial connector on the left edge.
    const QRectF flange(6, 104, 30, 92);
    QLinearGradient plate(flange.topLeft(), flange.bottomRight());
    plate.setColorAt(0.0, kMetalLight);
    plate.setColorAt(1.0, kMetalDark);
    p.setPen(QPen(kMetalDark.darker(150), detailed ? 1.5 : 4));
    p.setBrush(plate);
    p.drawRoundedRect(flange, 6, 6);
    QPainterPath d;
    d.moveTo(12, 120);
    d.lineTo(30, 126);
    d.lineTo(30, 174);
    d.lineTo(12, 180);
    d.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x22, 0x24, 0x28));
    p.drawPath(d);
    if (detailed) {
        p.setBrush(kGold);
        for (int i = 0; i < 5; ++i) {
            p.drawEllipse(QPointF(17, 130 + i * 10), 2.6, 2.6);
        }
        for (int i = 0; i < 4; ++i) {
            p.drawEllipse(QPointF(25, 135 + i * 10), 2.6, 2.6);
        }
    }

    // The microcontroller.
    const QRectF chip = kIconChip;
    const int legs = detailed ? 8 : 4;
    p.setPen(Qt::NoPen);
    p.setBrush(kMetalLight.darker(110));
    for (int i = 0; i < legs; ++i) {
        const qreal x = iconLegX(i, legs);
        const qreal w = detailed ? 7 : 12;
        p.drawRect(QRectF(x - w / 2, chip.top() - 9, w, 10));
        p.drawRect(QRectF(x - w / 2, chip.bottom() - 1, w, 10));
    }
    QLinearGradient body(chip.topLeft(), chip.bottomLeft());
    body.setColorAt(0.0, QColor(0x40, 0x42, 0x48));
    body.setColorAt(1.0, QColor(0x16, 0x17, 0x1a));
    p.setBrush(body);
    p.drawRoundedRect(chip, 5, 5);
    p.setBrush(QColor(0x10, 0x10, 0x12));
    p.drawPie(QRectF(chip.left() - 8, chip.center().y() - 8, 16, 16), -90 * 16, 180 * 16);
    if (detailed) {
        centredText(p, chip.center(), QStringLiteral("Z"), dejaVu(30, true),
                    QColor(0xd8, 0xdb, 0xde));
    }

    // The port LEDs along the top edge.
    for (int i = 0; i < 6; ++i) {
        const QPointF c(kIconLedLeft + i * kIconLedPitch, 62);
        const bool lit = i == 0 || i == 2 || i == 3;
        if (detailed) {
            led(p, c, 9.5, kLedRedOn, kLedRedOff, lit);
        } else {
            p.setPen(Qt::NoPen);
            p.setBrush(lit ? kLedRedOn : kLedRedOff);
            p.drawEllipse(c, 10.5, 10.5);
        }
    }

    // Potentiometer knob and the push button.
    const QPointF knob(184, 192);
    if (detailed) {
        softShadow(p, QRectF(knob.x() - 26, knob.y() - 26, 52, 52), 26, QPointF(2, 4), 5, 120);
    }
    QRadialGradient cap(knob - QPointF(9, 10), 40);
    cap.setColorAt(0.0, QColor(0x9a, 0xa0, 0xa8));
    cap.setColorAt(0.5, QColor(0x50, 0x55, 0x5d));
    cap.setColorAt(1.0, QColor(0x22, 0x24, 0x28));
    p.setPen(QPen(QColor(0x10, 0x10, 0x12), detailed ? 1.5 : 4));
    p.setBrush(cap);
    p.drawEllipse(knob, 26, 26);
    p.setPen(QPen(Qt::white, detailed ? 5 : 9, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(knob, knob + QPointF(13, -15));

    const QPointF button(96, 194);
    p.setPen(QPen(kMetalDark.darker(140), detailed ? 1.5 : 4));
    p.setBrush(kMetalLight.darker(105));
    p.drawRoundedRect(QRectF(button.x() - 17, button.y() - 17, 34, 34), 4, 4);
    p.setBrush(QColor(0x2a, 0x6c, 0xd8));
    p.drawEllipse(button, 10, 10);
    p.end();
    return image;
}

} // namespace boardart
