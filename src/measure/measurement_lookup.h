// The hover read-out of the measurement charts: which sample lies nearest to
// the pointer, and the status-bar text that shows its time and value. Pure;
// numbers in the user's locale.
#pragma once

#include "logger.h"
#include "recorder.h"
#include "scope.h"

#include <QString>

#include <optional>
#include <span>

namespace zentor {

// The index of the position nearest to x (positions in any order; the
// first of equally near ones wins). Nothing for an empty list or when no
// position is a number.
std::optional<int> nearestSampleIndex(std::span<const double> positions, double x);

// "Zeit: <time>   Wert: <value>".
QString hoverText(const QString& timeText, const QString& valueText);

// "Zeitschreiber": the sample's time in s and its value as the chart shows
// it (volts of the voltage channel with two decimals, else the number).
QString recorderHoverText(const RecorderSample& sample, bool volts, int channelCode);

// "Extern Messen": slot i (0..120) at i × intervalSeconds, in s as the
// export writes it. Analog: volts and the raw value; digital: the raw value
// and bits 5 to 0. A failed read (-1) shows as
// "Lesefehler", here and for the oscilloscope.
QString loggerHoverText(int slot, qint32 raw, double intervalSeconds, int inputItem);

// "Oszilloskop": sample i (0..100) of a chart of width xmax ms, in volts or raw.
QString scopeHoverText(int slot, qint32 raw, double xmax, bool volts);

} // namespace zentor
