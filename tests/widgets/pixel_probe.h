// Small helpers for widget tests that paint into an image and look at pixels.
#pragma once

#include <QColor>
#include <QEvent>
#include <QImage>
#include <QObject>
#include <QPoint>
#include <QRect>
#include <QWidget>

namespace probe {

// The widget painted into an image of its size.
inline QImage render(QWidget& widget) {
    QImage image(widget.size(), QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    widget.render(&image);
    return image;
}

inline QColor at(const QImage& image, QPoint p) {
    return image.pixelColor(p);
}

// True when a pixel of the colour lies within `radius` of p (a line drawn
// through a computed point may pass one pixel beside it).
inline bool near(const QImage& image, QPoint p, const QColor& color, int radius = 1) {
    for (int dy = -radius; dy <= radius; ++dy) {
        for (int dx = -radius; dx <= radius; ++dx) {
            const QPoint q = p + QPoint(dx, dy);
            if (image.rect().contains(q) && image.pixelColor(q) == color) {
                return true;
            }
        }
    }
    return false;
}

// Bounding box of the pixels in `area` that differ from `background`.
inline QRect inkBox(const QImage& image, const QRect& area, const QColor& background) {
    QRect box;
    const QRect clipped = area & image.rect();
    for (int y = clipped.top(); y <= clipped.bottom(); ++y) {
        for (int x = clipped.left(); x <= clipped.right(); ++x) {
            if (image.pixelColor(x, y) != background) {
                box |= QRect(x, y, 1, 1);
            }
        }
    }
    return box;
}

// Counts the paint events a widget receives.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(QWidget* widget) { widget->installEventFilter(this); }
    int count = 0;

protected:
    bool eventFilter(QObject* /*watched*/, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            ++count;
        }
        return false;
    }
};

} // namespace probe
