// CSV files of the measurement pages ("Messwerte exportieren ..."), made for
// spreadsheets set up for German: fields separated by a semicolon, numbers
// with the user's decimal separator (a comma under German), a header line
// with the column names and units, UTF-8 with a byte order mark (so that
// umlauts in the header survive), every line ending in CR LF, the last one
// too. The rows are the measurement's samples as "&Kopieren" lists them, but
// with the measurement's full precision: the times to the resolution of the
// sampling interval (at least milliseconds, the logger's 0,0625 s exactly),
// the values to the resolution of a reading, and every sample (the
// oscilloscope's 101), so that a curve fitted to the file agrees with the
// one fitted in the program.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace zentor {

struct Measurement;

inline constexpr char kCsvSeparator = ';';

// One field as written: quoted (with inner quotes doubled) when it holds the
// separator, a quote, a line break or leading/trailing blanks; as it is
// otherwise.
QString csvField(const QString& text);

// The bytes of a CSV file: the byte order mark, the header line, then one
// line per entry of rows. A row is given in the clipboard's form, its fields
// separated by tabs ("0,02\t5,00"); empty rows are left out.
QByteArray csvFileBytes(const QStringList& header, const QStringList& rows);

// Header lines of the pages, each column with its unit ("t in s", "U in V").
// The values are in the unit the evaluation ("Auswertung", zentor-mess)
// uses. The recorder's value column follows what its rows hold: "U in V"
// for volts of the voltage channel, the channel's name and unit for another
// channel shown converted ("Temperatur in °C"), the raw reading otherwise.
QStringList recorderCsvHeader(int channelCode, bool volts);
// "Extern Messen": time in s and the voltage (analog), or the port bits.
QStringList loggerCsvHeader(int inputItem);
// "Oszilloskop": time in ms and the voltage, or the raw reading when
// "Anzeige in Volt" is off.
QStringList scopeCsvHeader(bool volts);

// The rows of a measurement's CSV file in the clipboard's form ("0,020\t5,000"):
//   Zeitschreiber  every counted sample, time in s to the millisecond, the
//                  value as shown (volts to 3 decimals, the raw reading whole);
//   Extern Messen  121 samples, i × the interval in s (exact, at least to
//                  the millisecond), volts to 3 decimals (the port bits whole);
//   Oszilloskop    101 samples, i × the time base in ms, volts to 3 decimals
//                  or the raw reading whole, as the page shows them.
// A failed read (-1) leaves its value cell empty. Numbers in the user's locale.
QStringList measurementCsvRows(const Measurement& measurement);

// Decimals that write multiples of `step` exactly where up to six do
// (0.0625: 4), else one more than the step's first significant digit needs
// (5/255 V: 3).
int decimalsFor(double step);

// The page's header for a measurement (recorderCsvHeader, loggerCsvHeader
// or scopeCsvHeader with its settings).
QStringList measurementCsvHeader(const Measurement& measurement);

// The CSV file of a measurement as its page writes it: the page's header
// over measurementCsvRows.
QByteArray measurementCsvBytes(const Measurement& measurement);

} // namespace zentor
