// What the drawn widgets tell assistive technology, and the colour rules
// that keep their text and focus frames readable on any desktop palette.
//
// TAnal, TAMAdvLed, the charts and TWebLabel paint themselves, so Qt knows
// nothing about their content. installWidgetAccessibility() registers an
// accessibility factory that gives each of them an interface of its own: the
// meter tells its reading with its unit ("3,37 Volt"), an LED its on/off
// state, a chart the number of values it shows, the link label is a link
// that can be pressed; a drop-down list is named by its accessible name and
// its value, "Messdauer: 20 Sekunden" (Qt names it by its current entry
// here); the announcer is a status bar of notifications (announcer.h). The
// widgets call it in their constructors.
#pragma once

#include <QColor>
#include <QRect>

class QFileDialog;
class QPainter;

namespace zentor::access {

// Registers the factory; later calls do nothing.
void installWidgetAccessibility();

// The contrast ratio of two colours (relative luminance, sRGB), 1 to 21.
double contrastRatio(const QColor& a, const QColor& b);

// Contrast that text needs, and lines and frames.
inline constexpr double kTextContrast = 4.5;
inline constexpr double kGraphicContrast = 3.0;

// `preferred` when it stands out from `background` by at least `minimum`,
// else black or white, whichever stands out more. A fixed background keeps
// its text readable when the desktop palette is dark.
QColor readableOn(const QColor& background, const QColor& preferred,
                  double minimum = kTextContrast);

// A keyboard focus frame just inside `rect`: a black ring around a white
// one. On any background one of the two stands out by more than 4.5:1.
void drawFocusFrame(QPainter& painter, const QRect& rect);

// Names the drop-down lists of Qt's own file dialog after their labels
// ("Suchen in", "Dateien des Typs"); by themselves they say their value.
void nameFileDialog(QFileDialog& dialog);

} // namespace zentor::access
