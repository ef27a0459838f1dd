// The clipboard text of each page ("&Kopieren"): lines separated by CR LF, no
// header, no line break after the last line. A measurement line is the time,
// a tab and the value, each fixed point with two decimals in the user's
// locale ("0,06\t5,00").
#pragma once

#include "logger.h"
#include "recorder.h"
#include "scope.h"

#include <QString>
#include <QStringList>

namespace zentor {

// "Zeitschreiber": one line per counted sample (count is clamped to the
// buffer); time in s; value ConvertReading(channel, raw) with volts, else raw.
QString recorderExportText(const RecorderBuffer& buffer, int count, bool volts, int channelCode);

// "Extern Messen": 121 lines, i × the interval of the selected duration item
// in s; the raw value (0..255, -1 for a failed read).
QString loggerExportText(const LoggerValues& values, int durationItem);

// "Oszilloskop": 100 lines, i × timeBase in ms; the value in volts (raw / 51)
// whatever the page's units, nothing after the tab for a failed read (-1).
QString scopeExportText(const ScopeValues& values, qint32 timeBase);

// "Programm": the listing lines exactly as shown, tabs included.
QString listingExportText(const QStringList& lines);

} // namespace zentor
