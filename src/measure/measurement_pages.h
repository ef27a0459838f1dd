// The chart pictures and the hover read-out of the three measurement pages;
// their measurements, files and CSV (MeasurementPage) are defined here too.
// Everything here only reads and writes page data and controls: no traffic
// with the board.
#pragma once

#include <QByteArray>
#include <QImage>

class LoggerPage;
class QWidget;
class RecorderPage;
class ScopePage;
class Shell;

namespace zentor {

// ---- Pictures -------------------------------------------------------------------

// A meter (TAnal) or a chart without data of its own, drawn afresh as
// MeasurementPage::chartPicture draws a page's chart.
QImage widgetPicture(QWidget& widget, int scale);

// PNG bytes of a picture; empty when it could not be encoded.
QByteArray pngBytes(const QImage& picture);

// ---- Hover read-out ---------------------------------------------------------------

// While the pointer is over the plot area of the page's chart, the status
// bar shows the time and value of the nearest sample; when it leaves, the
// text that was there before comes back (unless something else wrote the
// status meanwhile). Nothing is shown while the oscilloscope is in the
// middle of an exchange with the board.
void installChartHover(RecorderPage& page, Shell& shell);
void installChartHover(LoggerPage& page, Shell& shell);
void installChartHover(ScopePage& page, Shell& shell);

} // namespace zentor
