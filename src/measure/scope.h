// The oscilloscope ("Oszilloskop"): time bases, the sample array, the axes
// and the lines drawn. Pure; the page orders the capture and reads the samples.
#pragma once

#include "chart_geometry.h"

#include <QStringView>
#include <QtGlobal>

#include <array>
#include <vector>

namespace zentor {

// 101 samples of the board's sample memory, slot 0 first; 0..255, or -1 for
// a failed read. All zero at program start.
inline constexpr int kScopeSampleCount = 101;
using ScopeValues = std::array<qint32, kScopeSampleCount>;

struct ScopeTimeBaseRow {
    QStringView caption; // radio button caption, exactly
    qint32 factor;       // ScopeTimeBase: sampling interval in ms, a tenth of ms per division
};

// RadioButton1 .. RadioButton5, in order; the first is checked at start.
// clang-format off
inline constexpr std::array<ScopeTimeBaseRow, 5> kScopeTimeBases{{
    {u"10", 1},
    {u"20", 2},
    {u"50", 5},
    {u"100", 10},
    {u"200  ms/DIV", 20},
}};
// clang-format on

// ScopeTimeBase at program start.
inline constexpr qint32 kScopeDefaultTimeBase = 1;

// OSZI.Xmax in ms for a time base: the 100 intervals of a capture.
constexpr qint32 scopeXmax(qint32 timeBase) {
    return timeBase * 100;
}

// How long to wait after ordering a capture: the board needs 100 × t ms, the
// page gives it 120 × t.
constexpr qint32 scopeCaptureWaitMs(qint32 timeBase) {
    return timeBase * 120;
}

// Pause after the handshake, before the capture is ordered.
inline constexpr int kScopeSettleMs = 30;
// TimerOszi: repetition period.
inline constexpr int kScopeRepeatMs = 1000;
// TimerOszi's tag: the action to repeat.
inline constexpr int kScopeRepeatCapture = 0; // "&Messen"
inline constexpr int kScopeRepeatRamRead = 1; // "&RAM lesen"

// Raw steps per volt: 255 steps are 5 V.
inline constexpr double kScopeRawPerVolt = 51;

inline constexpr QStringView kScopeCaptionX = u"t in ms";
inline constexpr QStringView kScopeBusyText = u"Messung läuft ...";
inline constexpr QStringView kScopeDoneText = u"Ok";
inline constexpr QStringView kScopeReadTimeoutText = u"LeseTimeout-Übertragungsfehler.";
inline constexpr QStringView kScopeReadErrorText = u"Fehler!";

// Whether the two bytes after the 101 samples are the dump's closing answer
// pair. When they are not, bytes were lost on the way and the last "samples"
// are that pair: the read failed.
bool scopeDumpClosed(int echo, int complement);

// Y axis (CheckBox4Click): 0..5 step 0.5 "Volt", or the raw axis.
ChartYAxis scopeYAxis(bool volts);

// The y value of a sample: raw / 51 in volts, else raw.
double scopeY(int raw, bool volts);

// The lines OSZIPainted draws: sample i to sample i + 1 for i = 0..99, with
// dx = xmax / 100.
std::vector<LineSegment> scopeTrace(const ScopeValues& values, double xmax, bool volts);

} // namespace zentor
