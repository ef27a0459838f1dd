// Measurement files ("Messung speichern ..." / "Messung öffnen ..."): one
// measurement of "Zeitschreiber", "Extern Messen" or "Oszilloskop" with the
// settings it was taken with, so that it can be looked at again without the
// board. Pure: bytes in, bytes out.
//
// File form (UTF-8 text, lines end in CR LF; reading also takes LF, a byte
// order mark, blank lines and comment lines starting with ';' or '#'):
//
//   ; Zentor-Messung
//   [Messung]
//   Format=1
//   Seite=Zeitschreiber
//   Zeitpunkt=2024-05-14T10:31:07+02:00
//   Messdauer=10 Sekunden
//   Kanal=Spannung
//   AnzeigeInVolt=ja
//
//   [Werte]
//   ; Zeit in ms;Rohwert
//   0;128
//   20;131
//   [Ende]
//
// [Messung] comes first; its keys (names and values are trimmed, names are
// matched without regard to case, unknown names are skipped):
//   Format         1; a higher number is refused as written by a newer program.
//   Seite          "Zeitschreiber", "Extern Messen" or "Oszilloskop".
//   Zeitpunkt      when the values were taken (the logger: read from the
//                  board), ISO 8601 with the offset from UTC; may be missing.
//   Zeitschreiber: Messdauer   an item of the duration box without its
//                              leading blanks ("10 Sekunden");
//                  Kanal       an item of the channel list ("Spannung");
//                  AnzeigeInVolt "ja" or "nein".
//   Extern Messen: Messdauer   an item of the duration box ("7,5 Sekunden");
//                  Eingang     "Analog" or "Digital".
//   Oszilloskop:   Zeitbasis   ms between samples: 1, 2, 5, 10 or 20;
//                  AnzeigeInVolt "ja" or "nein".
// [Werte] holds one row per value, two whole numbers separated by ';':
//   Zeitschreiber: the time in ms since the first sample (0 first, never
//                  decreasing, below the duration) and the raw reading
//                  0..255; at most as many rows as the duration's budget.
//   Extern Messen: the slot 0..124 (cell 3..127 of the board) and the raw
//                  value -1..255 (-1: the read failed); all 125, in order.
//   Oszilloskop:   the sample 0..100 and the raw value -1..255; all 101, in
//                  order.
// [Ende] closes the rows: a file broken off anywhere (even in the middle of
// the last number) lacks it and is refused. Lines after it, and sections
// other than these, are skipped. Files larger than kMeasurementFileLimit
// bytes are refused unread.
#pragma once

#include "logger.h"
#include "recorder.h"
#include "scope.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringView>

#include <utility>
#include <variant>
#include <vector>

namespace zentor {

inline constexpr int kMeasurementFormat = 1;
inline constexpr qint64 kMeasurementFileLimit = 1 << 20;

// File name pattern of the dialogs and the suffix given to a name without one.
inline constexpr QStringView kMeasurementFileFilter = u"Zentor-Messungen (*.zmess)";
inline constexpr QStringView kMeasurementFileSuffix = u"zmess";

// "Zeitschreiber": the counted samples of a recording.
struct RecorderMeasurement {
    int durationItem = kRecorderDefaultItem; // item of timeyt
    int channelCode = kRecorderDefaultChannel;
    bool volts = true; // "Anzeige in &Volt"
    std::vector<RecorderSample> samples;
    friend bool operator==(const RecorderMeasurement&, const RecorderMeasurement&) = default;
};

// "Extern Messen": the values of a read-out.
struct LoggerMeasurement {
    int durationItem = 0; // item of ComboBox16
    int inputItem = kLoggerInputAnalog;
    LoggerValues values{};
    friend bool operator==(const LoggerMeasurement&, const LoggerMeasurement&) = default;
};

// "Oszilloskop": the samples of a capture.
struct ScopeMeasurement {
    qint32 timeBase = kScopeDefaultTimeBase; // ScopeTimeBase, ms between samples
    bool volts = true;                       // "Anzeige in &Volt"
    ScopeValues values{};
    friend bool operator==(const ScopeMeasurement&, const ScopeMeasurement&) = default;
};

struct Measurement {
    // When the values were taken; invalid when unknown. Stored to the second.
    QDateTime takenAt;
    std::variant<RecorderMeasurement, LoggerMeasurement, ScopeMeasurement> data;
    friend bool operator==(const Measurement&, const Measurement&) = default;
};

// The local time now, to the second: the time stamp of a new measurement.
QDateTime measurementTimeNow();

// The tab caption of the page a measurement belongs to.
QString measurementPageName(const Measurement& measurement);

// The entries of [Messung] after Format, as the file names and writes them:
// Seite, Zeitpunkt (when known), then the page's own settings.
std::vector<std::pair<QString, QString>> measurementSettings(const Measurement& measurement);

// The file bytes of a measurement. The recorder's samples are written up to
// the buffer size (1500).
QByteArray measurementFileBytes(const Measurement& measurement);

// What reading a file gives: the measurement, or a German sentence saying
// what is wrong with the file ("Zeile 12: ...").
struct MeasurementReadResult {
    bool ok = false;
    Measurement measurement;
    QString error;
};
// Reads file bytes. Never throws; anything that is not a complete, valid
// measurement of the form above is an error.
MeasurementReadResult readMeasurementFile(const QByteArray& bytes);

// A recorder with the samples of a stored recording, as if it had just taken
// them: started with durationItem, every sample taken and counted at its
// time, then stopped. The samples must be valid for the item (as
// readMeasurementFile checks); the ones beyond the budget or the duration
// are dropped, as a recording would.
void replayRecording(Recorder& recorder, int durationItem,
                     const std::vector<RecorderSample>& samples);

} // namespace zentor
