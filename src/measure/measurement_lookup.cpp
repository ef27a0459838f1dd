#include "measurement_lookup.h"

#include "conversion.h"
#include "number_format.h"

#include <cmath>

namespace zentor {

namespace {

constexpr int kPortBits = 6;

QString volts(double value) {
    return fixedText(value) + QStringLiteral(" V");
}

QString rawText(qint32 raw) {
    return QString::number(raw);
}

bool failedRead(qint32 raw) {
    return raw < 0;
}

const QString kFailedRead = QStringLiteral("Lesefehler");

} // namespace

std::optional<int> nearestSampleIndex(std::span<const double> positions, double x) {
    std::optional<int> best;
    double bestDistance = 0;
    for (std::size_t i = 0; i < positions.size(); ++i) {
        const double distance = std::fabs(positions[i] - x);
        if (std::isnan(distance))
            continue;
        if (!best || distance < bestDistance) {
            best = static_cast<int>(i);
            bestDistance = distance;
        }
    }
    return best;
}

QString hoverText(const QString& timeText, const QString& valueText) {
    return QStringLiteral("Zeit: %1   Wert: %2").arg(timeText, valueText);
}

QString recorderHoverText(const RecorderSample& sample, bool showVolts, int channelCode) {
    const QString time = fixedText(sample.time / 1000.0) + QStringLiteral(" s");
    const double y = recorderY(sample.value, showVolts, channelCode);
    if (showVolts && channelCode == kChannelVoltage)
        return hoverText(time, volts(y));
    return hoverText(time, shortForm(y));
}

QString loggerHoverText(int slot, qint32 raw, double intervalSeconds, int inputItem) {
    // The intervals are whole sixteenths of a second, so the product is
    // exact and its shortest form short ("3,75").
    const QString time = shortForm(slot * intervalSeconds) + QStringLiteral(" s");
    if (failedRead(raw))
        return hoverText(time, kFailedRead);
    if (inputItem == kLoggerInputDigital) {
        QString bits;
        for (int bit = kPortBits - 1; bit >= 0; --bit)
            bits += (raw & (1 << bit)) != 0 ? u'1' : u'0';
        return hoverText(time, QStringLiteral("%1 (Bits 5 bis 0: %2)").arg(rawText(raw), bits));
    }
    return hoverText(time, QStringLiteral("%1 (%2)").arg(
                               volts(ConvertReading(kChannelVoltage, raw).value), rawText(raw)));
}

QString scopeHoverText(int slot, qint32 raw, double xmax, bool showVolts) {
    const int intervals = kScopeSampleCount - 1;
    const QString time = fixedText(slot * xmax / intervals) + QStringLiteral(" ms");
    if (failedRead(raw))
        return hoverText(time, kFailedRead);
    return hoverText(time, showVolts ? volts(scopeY(raw, true)) : rawText(raw));
}

} // namespace zentor
