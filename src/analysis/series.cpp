#include "series.h"

#include "conversion.h"
#include "logger.h"
#include "recorder.h"
#include "scope.h"

#include <algorithm>
#include <array>

namespace zentor::analysis {

namespace {

const QString kDigitalLanes = QStringLiteral(
    "Die Messung zeigt die Eingänge als Bits: ausgewertet werden nur analoge Werte.");

Series seriesOf(const RecorderMeasurement& m) {
    // The conversion also formats a status text; work out each of the 256
    // readings once instead of once per sample.
    std::array<double, 256> y{};
    for (int raw = 0; raw < 256; ++raw)
        y[static_cast<std::size_t>(raw)] = recorderY(raw, m.volts, m.channelCode);
    Series series;
    series.volts = m.volts && m.channelCode == kChannelVoltage;
    const std::size_t count =
        std::min(m.samples.size(), static_cast<std::size_t>(RecorderBuffer::kSize));
    series.points.reserve(count);
    for (std::size_t i = 0; i < count; ++i)
        series.points.push_back({m.samples[i].time / 1000.0, y[m.samples[i].value]});
    return series;
}

Series seriesOf(const LoggerMeasurement& m) {
    const double interval = loggerSummary(m.durationItem).intervalSeconds;
    Series series;
    series.points.reserve(kLoggerChartSamples);
    for (int i = 0; i < kLoggerChartSamples; ++i) {
        const qint32 raw = m.values[static_cast<std::size_t>(i)];
        if (raw >= 0)
            series.points.push_back({i * interval, ConvertReading(kChannelVoltage, raw).value});
    }
    return series;
}

Series seriesOf(const ScopeMeasurement& m) {
    Series series;
    series.volts = m.volts;
    series.points.reserve(kScopeSampleCount);
    for (int i = 0; i < kScopeSampleCount; ++i) {
        const qint32 raw = m.values[static_cast<std::size_t>(i)];
        if (raw >= 0)
            series.points.push_back({i * m.timeBase / 1000.0, scopeY(raw, m.volts)});
    }
    return series;
}

} // namespace

QString yUnit(bool volts) {
    return volts ? QStringLiteral("V") : QStringLiteral("1");
}

Outcome<Series> seriesOf(const Measurement& measurement) {
    if (const auto* logger = std::get_if<LoggerMeasurement>(&measurement.data);
        logger && logger->inputItem == kLoggerInputDigital)
        return Outcome<Series>::failure(kDigitalLanes);
    return {std::visit([](const auto& m) { return seriesOf(m); }, measurement.data), {}};
}

Measurement shownLike(Measurement other, const Measurement& shown) {
    if (auto* recorder = std::get_if<RecorderMeasurement>(&other.data)) {
        if (const auto* now = std::get_if<RecorderMeasurement>(&shown.data)) {
            recorder->volts = now->volts;
            recorder->channelCode = now->channelCode;
        }
    } else if (auto* scope = std::get_if<ScopeMeasurement>(&other.data)) {
        if (const auto* now = std::get_if<ScopeMeasurement>(&shown.data))
            scope->volts = now->volts;
    }
    return other;
}

std::span<const Point> pointsBetween(const Series& series, double from, double to) {
    if (from > to)
        std::swap(from, to);
    const auto begin = std::lower_bound(series.points.begin(), series.points.end(), from,
                                        [](const Point& p, double t) { return p.t < t; });
    const auto end = std::upper_bound(begin, series.points.end(), to,
                                      [](double t, const Point& p) { return t < p.t; });
    return {begin, end};
}

std::optional<int> nearestPoint(const Series& series, double t) {
    const std::vector<Point>& points = series.points;
    if (points.empty())
        return std::nullopt;
    const auto after = std::lower_bound(points.begin(), points.end(), t,
                                        [](const Point& p, double value) { return p.t < value; });
    if (after == points.begin())
        return 0;
    if (after == points.end())
        return static_cast<int>(points.size()) - 1;
    const auto before = after - 1;
    const bool earlier = t - before->t <= after->t - t;
    return static_cast<int>((earlier ? before : after) - points.begin());
}

} // namespace zentor::analysis
