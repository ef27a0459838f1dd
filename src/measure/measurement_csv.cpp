#include "measurement_csv.h"

#include "conversion.h"
#include "logger.h"
#include "measurement_file.h"
#include "recorder.h"
#include "text_export.h"

namespace zentor {

namespace {

const QString kLineEnd = QStringLiteral("\r\n");
const QString kTimeSeconds = QStringLiteral("Zeit in s");
const QString kTimeMilliseconds = QStringLiteral("Zeit in ms");
const QString kVoltage = QStringLiteral("Spannung in V");
const QString kRaw = QStringLiteral("Rohwert (0 bis 255)");
const QString kPortBits = QStringLiteral("Eingänge (Bits 0 bis 5)");

bool needsQuotes(const QString& text) {
    if (text.isEmpty())
        return false;
    if (text.front().isSpace() || text.back().isSpace())
        return true;
    for (QChar c : text) {
        if (c == QLatin1Char(kCsvSeparator) || c == u'"' || c == u'\r' || c == u'\n')
            return true;
    }
    return false;
}

} // namespace

QString csvField(const QString& text) {
    if (!needsQuotes(text))
        return text;
    QString quoted = text;
    quoted.replace(QStringLiteral("\""), QStringLiteral("\"\""));
    return u'"' + quoted + u'"';
}

QByteArray csvFileBytes(const QStringList& header, const QStringList& rows) {
    auto line = [](const QStringList& fields) {
        QStringList written;
        written.reserve(fields.size());
        for (const QString& field : fields)
            written << csvField(field);
        return written.join(QLatin1Char(kCsvSeparator)) + kLineEnd;
    };
    QString text = line(header);
    for (const QString& row : rows) {
        if (!row.isEmpty())
            text += line(row.split(u'\t'));
    }
    // Spreadsheets take a file without the mark for the old single-byte code
    // page and garble every umlaut.
    return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
}

QStringList recorderCsvHeader(int channelCode, bool volts) {
    if (!volts)
        return {kTimeSeconds, kRaw};
    if (channelCode == kChannelVoltage)
        return {kTimeSeconds, kVoltage};
    for (const RecorderChannelRow& row : kRecorderChannels) {
        if (row.code == channelCode)
            return {kTimeSeconds, row.itemText.toString()};
    }
    return {kTimeSeconds, kRaw};
}

QStringList loggerCsvHeader(int inputItem) {
    return {kTimeSeconds, inputItem == kLoggerInputDigital ? kPortBits : kRaw};
}

QStringList scopeCsvHeader() {
    return {kTimeMilliseconds, kVoltage};
}

QByteArray measurementCsvBytes(const Measurement& measurement) {
    const QString lineBreak = QStringLiteral("\r\n");
    if (const auto* m = std::get_if<RecorderMeasurement>(&measurement.data)) {
        RecorderBuffer buffer;
        const int count = static_cast<int>(
            std::min(m->samples.size(), static_cast<std::size_t>(RecorderBuffer::kSize)));
        for (int i = 0; i < count; ++i)
            buffer.store(i, m->samples[static_cast<std::size_t>(i)]);
        return csvFileBytes(
            recorderCsvHeader(m->channelCode, m->volts),
            recorderExportText(buffer, count, m->volts, m->channelCode).split(lineBreak));
    }
    if (const auto* m = std::get_if<LoggerMeasurement>(&measurement.data))
        return csvFileBytes(loggerCsvHeader(m->inputItem),
                            loggerExportText(m->values, m->durationItem).split(lineBreak));
    const auto& m = std::get<ScopeMeasurement>(measurement.data);
    return csvFileBytes(scopeCsvHeader(), scopeExportText(m.values, m.timeBase).split(lineBreak));
}

} // namespace zentor
