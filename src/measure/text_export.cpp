#include "text_export.h"

#include "conversion.h"
#include "number_format.h"

#include <algorithm>

namespace zentor {

namespace {

const QString kLineBreak = QStringLiteral("\r\n");

void appendLine(QString& text, double time, double value) {
    if (!text.isEmpty()) {
        text += kLineBreak;
    }
    text += fixedText(time) + QLatin1Char('\t') + fixedText(value);
}

} // namespace

QString recorderExportText(const RecorderBuffer& buffer, int count, bool volts, int channelCode) {
    count = std::clamp(count, 0, RecorderBuffer::kSize);
    QString text;
    for (int i = 0; i < count; ++i) {
        appendLine(text, buffer[i].time / 1000.0, recorderY(buffer[i].value, volts, channelCode));
    }
    return text;
}

QString loggerExportText(const LoggerValues& values, int durationItem) {
    // The interval of the summary line, so the times match the chart's x positions.
    const double interval = loggerSummary(durationItem).intervalSeconds;
    QString text;
    for (int i = 0; i < kLoggerChartSamples; ++i) {
        appendLine(text, i * interval, values[static_cast<std::size_t>(i)]);
    }
    return text;
}

QString scopeExportText(const ScopeValues& values, qint32 timeBase) {
    QString text;
    for (int i = 0; i < kScopeSampleCount - 1; ++i) {
        const double time = static_cast<double>(i) * timeBase;
        if (values[static_cast<std::size_t>(i)] < 0) { // a failed read: no value
            if (!text.isEmpty())
                text += kLineBreak;
            text += fixedText(time) + QLatin1Char('\t');
            continue;
        }
        appendLine(text, time, scopeY(values[static_cast<std::size_t>(i)], true));
    }
    return text;
}

QString listingExportText(const QStringList& lines) {
    return lines.join(kLineBreak);
}

} // namespace zentor
