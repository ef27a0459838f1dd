// A label that shows a picture at its natural size in logical pixels and,
// on a screen scaled to 150 % or 200 %, draws it smoothly onto the device
// pixels instead of repeating pixels. At 100 % it looks exactly like a
// plain label with the same pixmap.
#pragma once

#include <QLabel>
#include <QPainter>

class PictureLabel : public QLabel {
public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent* event) override {
        const QPixmap picture = pixmap();
        if (picture.isNull()) {
            QLabel::paintEvent(event);
            return;
        }
        QPainter painter(this);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawPixmap(QRect(QPoint(0, 0), picture.deviceIndependentSize().toSize()), picture);
    }
};
