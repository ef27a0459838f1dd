// The board-side data logger ("Extern Messen"): duration table, the
// configuration the PC writes into cells 0 to 2, the summary line and chart
// axes, the countdown, and the interpretation of a read-out. Everything here
// is pure; the page sends the frames and shows the texts.
#pragma once

#include "chart_geometry.h"

#include <QString>
#include <QStringView>

#include <array>
#include <optional>
#include <vector>

namespace zentor {

// Every measurement has 120 intervals, so 121 samples bound them.
inline constexpr int kLoggerIntervals = 120;
inline constexpr int kLoggerChartSamples = kLoggerIntervals + 1;
// Cells 3 to 127 of the board memory hold the values.
inline constexpr int kLoggerConfigCells = 3;
inline constexpr int kLoggerValueCount = 125;

// The values read back, slot k = cell k + 3 of the board memory: 0..255, or
// -1 where the read failed. All zero at program start.
using LoggerValues = std::array<qint32, kLoggerValueCount>;

struct LoggerDuration {
    QStringView itemText; // exactly as in the duration box, leading blanks kept
    qint32 durationMs;    // 10000 for "7,5 Sekunden": the integer rules make 7.5 s of it
};

// Items of the duration box ComboBox16, in order.
// clang-format off
inline constexpr std::array<LoggerDuration, 20> kLoggerDurations{{
    {u"7,5 Sekunden", 10000},
    {u"15 Sekunden", 15000},
    {u"30 Sekunden", 30000},
    {u"45 Sekunden", 45000},
    {u"60 Sekunden", 60000},
    {u"  2 Minuten", 120000},
    {u"  5 Minuten", 300000},
    {u"10 Minuten", 600000},
    {u"20 Minuten", 1200000},
    {u"30 Minuten", 1800000},
    {u"45 Minuten", 2700000},
    {u"60 Minuten", 3600000},
    {u"  2 Stunden", 7200000},
    {u"  3 Stunden", 10800000},
    {u"  4 Stunden", 14400000},
    {u"  6 Stunden", 21600000},
    {u"  8 Stunden", 28800000},
    {u"10 Stunden", 36000000},
    {u"12 Stunden", 43200000},
    {u"24 Stunden", 86400000},
}};
// clang-format on

// Items of the input box ComboBox17.
inline constexpr int kLoggerInputAnalog = 0;
inline constexpr int kLoggerInputDigital = 1;
inline constexpr std::array<QStringView, 2> kLoggerInputItems{u"Analog", u"Digital"};

// Texts of the page.
inline constexpr QStringView kLoggerRecorderBusyText = u"Zeitschreiber noch aktiv!";
inline constexpr QStringView kLoggerRunningText = u"Messung läuft ...";
inline constexpr QStringView kLoggerFinishedText = u"Messung beendet.";
inline constexpr QStringView kLoggerReadingText = u"Messung auslesen ...";
inline constexpr QStringView kLoggerReadDoneText = u"OK. Messung ausgelesen.";
inline constexpr QStringView kLoggerReadTimeoutText = u"LeseTimeout-Übertragungsfehler.";
inline constexpr QStringView kLoggerTransferErrorText = u"Übertragungsfehler!";

// Timing of the page.
inline constexpr int kLoggerCountdownTickMs = 500; // Timer2
inline constexpr int kLoggerSettleMs = 2000;       // after the countdown, before reading

// The duration item as used for lookups: negative or unknown indexes count as 0.
constexpr int loggerDurationItem(int item) {
    return item < 0 || item >= static_cast<int>(kLoggerDurations.size()) ? 0 : item;
}

constexpr qint32 loggerDurationMs(int item) {
    return kLoggerDurations[static_cast<std::size_t>(loggerDurationItem(item))].durationMs;
}

// Countdown target in whole seconds (LoggerSeconds): the duration, but 7 for item 0.
constexpr quint32 loggerSeconds(int item) {
    return loggerDurationItem(item) == 0 ? 7u : static_cast<quint32>(loggerDurationMs(item) / 1000);
}

// The interval value (a count of 1/16 s the board waits between samples) as
// the two configuration cells 1 (high byte) and 2 (low byte). Never 0.
struct LoggerIntervalCells {
    int hi = 0;
    int lo = 0;
    constexpr int value() const { return hi * 256 + lo; }
    friend constexpr bool operator==(const LoggerIntervalCells&,
                                     const LoggerIntervalCells&) = default;
};

constexpr LoggerIntervalCells loggerIntervalCellsFor(int count) {
    LoggerIntervalCells cells{(count / 256) & 255, count & 255};
    if (cells.hi == 0 && cells.lo == 0) {
        cells.lo = 1;
    }
    return cells;
}

// Cells 1 and 2 written at the start: whole seconds × 16 div 120.
constexpr LoggerIntervalCells loggerIntervalCells(int item) {
    return loggerIntervalCellsFor(loggerDurationMs(item) / 1000 * 16 / kLoggerIntervals);
}

// Cell 0: the command code of the input to sample, 62 ("A = Portin") for
// "Digital", 60 ("A = Uin") otherwise.
constexpr int loggerInputCode(int inputItem) {
    return inputItem == kLoggerInputDigital ? 62 : 60;
}

// One command frame ESC command operand.
struct BoardFrame {
    int command = 0;
    int operand = 0;
    friend constexpr bool operator==(const BoardFrame&, const BoardFrame&) = default;
};

// The six frames that configure the board, in sending order: load A with the
// input code, store it in cell 0, then the high and low interval bytes into
// cells 1 and 2. Each frame is answered by two bytes the page reads and does
// not check. ESC 123 follows to start the logger.
std::array<BoardFrame, 6> loggerConfigFrames(int durationItem, int inputItem);

// What ComboBox16Change shows for a duration item.
struct LoggerSummary {
    QString text;           // Label14: "120 Messpunkte, Dauer 7,5 s, Intervall 0,0625 s"
    double durationSeconds; // 7.5 for item 0
    double intervalSeconds; // 0.0625 for item 0; also the step of the text export
    double xmax;            // Diagram1.Xmax in the unit below
    QStringView unit;       // Diagram1.CaptionX: "Sekunden", "Minuten" or "Stunden"
};
LoggerSummary loggerSummary(int item);

// One Timer2 tick. While elapsed seconds are below the target the text reads
// "Messung läuft ... noch N Sekunden."; at or past it `finished` is set and
// the text is "Messung beendet.".
struct LoggerCountdown {
    bool finished = false;
    QString statusText;
};
LoggerCountdown loggerCountdown(quint32 loggerSeconds, quint32 elapsedMs);

// The label a read-out rebuilds from cells 1 and 2: (hi × 256 + lo) / 16 × 120
// seconds, as "… Sekunden", "… Minuten" or "… Stunden" (e.g. "2 Minuten").
QString loggerDurationLabel(int cell1, int cell2);

// The duration item whose text equals label, ignoring case and the item's
// leading blanks; 0 when none does.
int loggerDurationItemForLabel(QStringView label);

// The input item for cell 0: 1 ("Digital") for 62, 0 ("Analog") for 60 and
// for any other code.
int loggerInputItemForCode(int cell0);

// What the configuration cells of a read-out select on the page.
struct LoggerConfiguration {
    int durationItem = 0;
    int inputItem = 0;
    QString durationLabel;
};
LoggerConfiguration interpretLoggerConfiguration(int cell0, int cell1, int cell2);

// Y axis and display mode for an input item (ComboBox17Change):
// "Analog" 0..5 "Volt" with automatic division in one trace; "Digital" 0..6
// step 1 "Port" as six traces (bits 0..5). Nothing for any other item.
struct LoggerInputAxis {
    ChartYAxis axis;
    bool sixTraces = false;
};
std::optional<LoggerInputAxis> loggerInputAxis(int inputItem);

// The lines Diagram1Painted draws over samples 0..120 for a chart of width
// xmax. Analog: a polyline through the volts. Digital: for each interval and
// each bit 0..5 a level segment and, where the bit changes, the edge.
std::vector<LineSegment> loggerTrace(const LoggerValues& values, int inputItem, double xmax);

// Takes the bytes of the ESC 126 memory dump in order (cell 0 first). The
// three configuration cells are skipped; cells 3..127 go into the values.
// A -1 (failed read) stops the dump; in the value phase it has been stored
// in its slot. Later slots keep their contents.
class LoggerDump {
public:
    enum class Step { More, Complete, Failed };

    explicit LoggerDump(LoggerValues& values) : m_values(values) {}

    Step take(int byte);

    // The next cell expected (0..128).
    int nextCell() const { return m_nextCell; }
    // The progress bar position: the slot of the last stored value, 0 before any.
    int progress() const { return m_progress; }

private:
    LoggerValues& m_values;
    int m_nextCell = 0;
    int m_progress = 0;
    bool m_failed = false;
};

} // namespace zentor
