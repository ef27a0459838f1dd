// What the measurement files, the CSV export, the chart pictures and the
// hover read-out need of the three measurement pages. Everything here only
// reads and writes page data and controls: no traffic with the board.
#pragma once

#include "measurement_file.h"

#include <QByteArray>
#include <QDateTime>
#include <QImage>

class LoggerPage;
class QWidget;
class RecorderPage;
class ScopePage;
class Shell;

namespace zentor {

// ---- Measurement files ----------------------------------------------------------

// The page's measurement: its values, the settings they were taken and are
// shown with, and when they were taken.
Measurement measurementOf(const RecorderPage& page);
Measurement measurementOf(const LoggerPage& page);
Measurement measurementOf(const ScopePage& page);

// Shows a stored measurement on its page: the settings go into the page's
// controls, the values into its store, and the chart is drawn again. The
// recorder refuses (false) while it records; the oscilloscope's repetition
// is switched off, so that the next tick does not overwrite what was opened.
bool restoreMeasurement(RecorderPage& page, const RecorderMeasurement& m, const QDateTime& takenAt);
void restoreMeasurement(LoggerPage& page, const LoggerMeasurement& m, const QDateTime& takenAt);
void restoreMeasurement(ScopePage& page, const ScopeMeasurement& m, const QDateTime& takenAt);

// ---- CSV ------------------------------------------------------------------------

// The CSV file of the page: the rows of its "&Kopieren" under a header, made
// from its measurement as measurementCsvBytes makes it from a stored one.
QByteArray csvOf(const RecorderPage& page);
QByteArray csvOf(const LoggerPage& page);
QByteArray csvOf(const ScopePage& page);

// ---- Pictures -------------------------------------------------------------------

// The page's chart as it is shown, drawn afresh at `scale` times the
// screen's resolution (1 or 2); the picture is scale × the chart's size in
// device pixels, and its resolution says so, so it prints at the size seen.
QImage chartPicture(const RecorderPage& page, int scale);
QImage chartPicture(const LoggerPage& page, int scale);
QImage chartPicture(const ScopePage& page, int scale);
// A meter (TAnal) or a chart without data of its own, likewise.
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
