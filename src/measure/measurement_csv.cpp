#include "measurement_csv.h"

#include "conversion.h"
#include "logger.h"
#include "measurement_file.h"
#include "number_format.h"
#include "recorder.h"
#include "scope.h"

#include <algorithm>
#include <cmath>

namespace zentor {

namespace {

const QString kLineEnd = QStringLiteral("\r\n");
const QString kTimeSeconds = QStringLiteral("t in s");
const QString kTimeMilliseconds = QStringLiteral("t in ms");
const QString kVoltage = QStringLiteral("U in V");
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
        if (row.code != channelCode)
            continue;
        // The unit of the channel's axis, where it has one people read as a unit.
        const QStringView axisUnit = row.axis.captionY;
        QString unit;
        if (axisUnit == u"Volt")
            unit = QStringLiteral("V");
        else if (axisUnit == u"k")
            unit = QStringLiteral("kΩ");
        else if (axisUnit == u"°C")
            unit = axisUnit.toString();
        return {kTimeSeconds, unit.isEmpty()
                                  ? row.itemText.toString()
                                  : row.itemText.toString() + QStringLiteral(" in ") + unit};
    }
    return {kTimeSeconds, kRaw};
}

QStringList loggerCsvHeader(int inputItem) {
    return {kTimeSeconds, inputItem == kLoggerInputDigital ? kPortBits : kVoltage};
}

QStringList scopeCsvHeader(bool volts) {
    return {kTimeMilliseconds, volts ? kVoltage : kRaw};
}

int decimalsFor(double step) {
    if (!(step > 0) || !std::isfinite(step))
        return 0;
    constexpr int kExactDecimals = 6;
    for (int decimals = 0; decimals <= kExactDecimals; ++decimals) {
        const double scaled = step * std::pow(10.0, decimals);
        if (std::fabs(scaled - std::round(scaled)) < 1e-9 * std::max(1.0, scaled))
            return decimals;
    }
    return static_cast<int>(std::ceil(-std::log10(step))) + 1;
}

namespace {

constexpr int kMillisecondDecimals = 3;

int recorderValueDecimals(int channelCode, bool volts) {
    if (!volts)
        return 0;
    if (channelCode == kChannelVoltage)
        return decimalsFor(kAnalogFullScaleVolts / kAnalogFullScaleRaw);
    if (channelCode == kChannelTemperature)
        return decimalsFor(0.1); // 0,3 or 0,7
    return 0;                    // passed through as read
}

QString row(double time, int timeDecimals, double value, int valueDecimals) {
    return fixedText(time, timeDecimals) + u'\t' + fixedText(value, valueDecimals);
}

// A failed read (-1): the time with an empty value cell.
QString failedRow(double time, int timeDecimals) {
    return fixedText(time, timeDecimals) + u'\t';
}

} // namespace

QStringList measurementCsvRows(const Measurement& measurement) {
    QStringList rows;
    if (const auto* m = std::get_if<RecorderMeasurement>(&measurement.data)) {
        const int decimals = recorderValueDecimals(m->channelCode, m->volts);
        const std::size_t count =
            std::min(m->samples.size(), static_cast<std::size_t>(RecorderBuffer::kSize));
        for (std::size_t i = 0; i < count; ++i) {
            const RecorderSample& sample = m->samples[i];
            rows << row(sample.time / 1000.0, kMillisecondDecimals,
                        recorderY(sample.value, m->volts, m->channelCode), decimals);
        }
    } else if (const auto* m = std::get_if<LoggerMeasurement>(&measurement.data)) {
        const double interval = loggerSummary(m->durationItem).intervalSeconds;
        const int decimals = std::max(kMillisecondDecimals, decimalsFor(interval));
        const bool bits = m->inputItem == kLoggerInputDigital;
        const int valueDecimals =
            bits ? 0 : decimalsFor(kAnalogFullScaleVolts / kAnalogFullScaleRaw);
        for (int i = 0; i < kLoggerChartSamples; ++i) {
            const qint32 raw = m->values[static_cast<std::size_t>(i)];
            if (raw < 0)
                rows << failedRow(i * interval, decimals);
            else
                rows << row(i * interval, decimals,
                            bits ? raw : ConvertReading(kChannelVoltage, raw).value, valueDecimals);
        }
    } else {
        const auto& scope = std::get<ScopeMeasurement>(measurement.data);
        const int decimals = scope.volts ? decimalsFor(1 / kScopeRawPerVolt) : 0;
        for (int i = 0; i < kScopeSampleCount; ++i) {
            const qint32 raw = scope.values[static_cast<std::size_t>(i)];
            const double time = static_cast<double>(i) * scope.timeBase;
            if (raw < 0)
                rows << failedRow(time, 0);
            else
                rows << row(time, 0, scopeY(raw, scope.volts), decimals);
        }
    }
    return rows;
}

QStringList measurementCsvHeader(const Measurement& measurement) {
    if (const auto* m = std::get_if<RecorderMeasurement>(&measurement.data))
        return recorderCsvHeader(m->channelCode, m->volts);
    if (const auto* m = std::get_if<LoggerMeasurement>(&measurement.data))
        return loggerCsvHeader(m->inputItem);
    return scopeCsvHeader(std::get<ScopeMeasurement>(measurement.data).volts);
}

QByteArray measurementCsvBytes(const Measurement& measurement) {
    return csvFileBytes(measurementCsvHeader(measurement), measurementCsvRows(measurement));
}

} // namespace zentor
