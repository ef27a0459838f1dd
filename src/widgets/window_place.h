// Where a second window of the program (the simulator panel, "Auswertung")
// opens: beside the main window, wholly on its screen.
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>
#include <optional>

class QWidget;

namespace zentor {

// Room the window frame (title bar, borders) takes on the screen.
inline constexpr QSize kFrameAllowance{16, 48};

// Where a window of `size` (with frame) stands beside `window` (its frame)
// within `available`: right of it, else left of it, else below it, so that
// it covers none of the window's controls. On a screen too small for any,
// the one of these places, moved onto the screen, that covers the least of
// the window.
QPoint placeBeside(QRect window, QSize size, QRect available);

// Where a window of size `first` and a second of size `second` (both with
// frames) stand together within `available`, centred on it: side by side,
// else one above the other; nothing when the screen holds neither.
struct PairPlace {
    QPoint first;
    QPoint second;
};
std::optional<PairPlace> placePair(QSize first, QSize second, QRect available);

// The size of `window` with its frame. A window not shown yet has no frame;
// kFrameAllowance stands for it.
QSize frameSize(const QWidget& window);

// The room for windows on `window`'s screen.
QRect availableRoom(const QWidget& window);

// placeBeside for two windows on `main`'s screen: the place of `second`'s
// frame.
QPoint placeWindowBeside(const QWidget& main, const QWidget& second);

} // namespace zentor
