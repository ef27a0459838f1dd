// The main window at large scale factors. Its client area has a fixed size
// in logical pixels; at QT_SCALE_FACTOR=2 or with large desktop scaling it
// can be larger than the screen, which would put the start buttons and the
// status bar off screen. Then the pages go into a scroll area and the window
// may be resized up to its full size; where the window fits (100 % on any
// usual screen) nothing changes.
#pragma once

#include "window_place.h" // placeBeside, kFrameAllowance

#include <QRect>
#include <QSize>

class QMainWindow;
class QWidget;

namespace zentor {

// True when a window of `windowSize` (without frame) fits into `available`.
bool windowFits(QSize windowSize, QRect available);

// Puts the window's central widget into a scroll area when the window does
// not fit its screen's available area, and sizes the window to that area.
// Returns whether it did.
bool fitWindowToScreen(QMainWindow& window);

// Fixes the font of every widget inside `window` to the one it has now, so
// that a font a desktop theme sets later for labels, buttons or the whole
// application (often only after start-up) cannot cut the captions of a
// fixed layout.
void keepLaidOutFonts(QWidget& window);

} // namespace zentor
