#pragma once

#include <QImage>
#include <QSize>

// Drawings of the learning board: the picture that fills the first page and
// the application icon. Both need a QGuiApplication (for the fonts) and the
// "DejaVu Sans" family.
namespace boardart {

// The first page's picture is shown at its natural size at the page's
// top-left: the main window's client area (769 × 515) less the status bar
// (19) and the tab row (about 21) and the page frame.
inline constexpr QSize kPictureSize{769, 471};

// The bottom-left corner of the picture is left a plain colour: the link label
// of the first page sits there.
inline constexpr QSize kQuietCorner{120, 20};

// The picture, opaque, kPictureSize.
QImage drawPicture();

// The icon, a simplified board on a transparent background, size × size
// pixels (details are left out below 96 pixels).
QImage drawIcon(int size);

} // namespace boardart
