#include "window_place.h"

#include <QScreen>
#include <QWidget>

#include <algorithm>
#include <limits>

namespace zentor {

namespace {

// `rect` moved (not shrunk) into `available` as far as it fits.
QRect movedInto(QRect rect, QRect available) {
    rect.moveLeft(std::clamp(rect.left(), available.left(),
                             std::max(available.left(), available.right() + 1 - rect.width())));
    rect.moveTop(std::clamp(rect.top(), available.top(),
                            std::max(available.top(), available.bottom() + 1 - rect.height())));
    return rect;
}

constexpr int kGap = 8; // between two windows

qint64 area(QRect rect) {
    return rect.isEmpty() ? 0 : qint64(rect.width()) * rect.height();
}

} // namespace

QPoint placeBeside(QRect window, QSize size, QRect available) {
    const QPoint candidates[] = {
        {window.right() + 1 + kGap, window.top()},
        {window.left() - kGap - size.width(), window.top()},
        {window.left(), window.bottom() + 1 + kGap},
    };
    for (const QPoint& at : candidates)
        if (available.contains(QRect(at, size)))
            return at;
    QPoint best;
    qint64 covered = std::numeric_limits<qint64>::max();
    for (const QPoint& at : candidates) {
        const QRect place = movedInto(QRect(at, size), available);
        if (const qint64 c = area(place.intersected(window)); c < covered) {
            covered = c;
            best = place.topLeft();
        }
    }
    return best;
}

std::optional<PairPlace> placePair(QSize first, QSize second, QRect available) {
    const QPoint sideBySide(first.width() + kGap, 0);
    const QPoint stacked(0, first.height() + kGap);
    for (const QPoint& offset : {sideBySide, stacked}) {
        QRect both = QRect(QPoint(), first) | QRect(offset, second);
        if (both.width() > available.width() || both.height() > available.height())
            continue;
        both.moveCenter(available.center());
        return PairPlace{both.topLeft(), both.topLeft() + offset};
    }
    return std::nullopt;
}

QSize frameSize(const QWidget& window) {
    const QSize size = window.frameGeometry().size();
    return size == window.size() ? size + kFrameAllowance : size;
}

QRect availableRoom(const QWidget& window) {
    const QScreen* screen = window.screen();
    return screen ? screen->availableGeometry() : window.frameGeometry().adjusted(0, 0, 4000, 4000);
}

QPoint placeWindowBeside(const QWidget& main, const QWidget& second) {
    return placeBeside(main.frameGeometry(), frameSize(second), availableRoom(main));
}

} // namespace zentor
