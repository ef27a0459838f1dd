// CSV files of the measurement pages ("Messwerte exportieren ..."), made for
// spreadsheets set up for German: fields separated by a semicolon, numbers
// with the user's decimal separator (a comma under German), a header line
// with the column names and units, UTF-8 with a byte order mark (so that
// umlauts in the header survive), every line ending in CR LF, the last one
// too. The rows are those of "&Kopieren" for the same page, so the file and
// the clipboard never disagree.
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

// Header lines of the pages. The recorder's value column follows what its
// rows hold: "Spannung in V" for volts of the voltage channel, the channel's
// name for another channel shown converted, the raw reading otherwise.
QStringList recorderCsvHeader(int channelCode, bool volts);
// "Extern Messen": time in s and the raw reading (analog), or the port bits.
QStringList loggerCsvHeader(int inputItem);
// "Oszilloskop": time in ms and the voltage.
QStringList scopeCsvHeader();

// The CSV file of a measurement as its page writes it: the page's header
// over the rows of its "&Kopieren", with the measurement's settings.
QByteArray measurementCsvBytes(const Measurement& measurement);

} // namespace zentor
