#include "chart_scale.h"

#include <algorithm>
#include <cmath>

namespace chart {

namespace {

int clampPixel(double v) {
    if (std::isnan(v)) {
        return -kPixelLimit;
    }
    // Clamp before converting: a double outside the int range is undefined
    // behaviour, and a line to +-1e6 is still clipped correctly by the painter.
    return static_cast<int>(std::clamp(v, double(-kPixelLimit), double(kPixelLimit)));
}

double fraction(double v, double min, double max, bool log) {
    if (log) {
        return std::log10(v / min) / std::log10(max / min);
    }
    return (v - min) / (max - min);
}

// Decimals that show a division exactly (0.25 needs 2), at most 6.
int divisionDecimals(double div) {
    double a = std::fabs(div);
    for (int d = 1; d < 6; ++d) {
        a *= 10;
        if (std::fabs(a - std::round(a)) < 1e-6 * std::max(1.0, a)) {
            return d;
        }
    }
    return 6;
}

} // namespace

double ChartScale::fractionX(double x) const {
    return fraction(x, xmin, xmax, logX());
}

double ChartScale::fractionY(double y) const {
    return fraction(y, ymin, ymax, logY());
}

int ChartScale::toPixelX(double x) const {
    const double f = fractionX(x);
    if (std::isnan(f)) {
        return -kPixelLimit;
    }
    return clampPixel(std::round(width * f) + left);
}

int ChartScale::toPixelY(double y) const {
    const double f = fractionY(y);
    if (std::isnan(f)) {
        return -kPixelLimit;
    }
    return clampPixel(top + height - std::round(height * f));
}

double effectiveDivision(double min, double max, double div) {
    return div > 0 ? div : (max - min) / 10;
}

bool rangesValid(double xmin, double xmax, double ymin, double ymax, int axisMode) {
    const bool finite =
        std::isfinite(xmin) && std::isfinite(xmax) && std::isfinite(ymin) && std::isfinite(ymax);
    if (!finite || !(xmax > xmin) || !(ymax > ymin)) {
        return false;
    }
    if ((axisMode & kLogX) && !(xmin > 0)) {
        return false;
    }
    if ((axisMode & kLogY) && !(ymin > 0)) {
        return false;
    }
    return true;
}

std::vector<double> linearTicks(double min, double max, double div, bool withTolerance) {
    std::vector<double> ticks;
    if (!(div > 0) || !std::isfinite(div) || !std::isfinite(min) || !std::isfinite(max)) {
        return ticks;
    }
    // The tolerance is taken from the range, not from max alone: a max of 0
    // or below would otherwise lose its last line, and a range far from 0
    // would get lines beyond its end.
    const double tolerance = withTolerance ? std::fabs(max - min) * 0.01 : 0.0;
    const double count = std::floor((max + tolerance - min) / div);
    if (count < 0 || count >= kMaxGridLines) {
        return ticks;
    }
    ticks.reserve(static_cast<std::size_t>(count) + 1);
    // Multiplying instead of adding up keeps the values from drifting.
    for (int i = 0; i <= static_cast<int>(count); ++i) {
        const double v = min + i * div;
        if (withTolerance ? v > max + tolerance : v >= max) {
            break;
        }
        ticks.push_back(v);
    }
    return ticks;
}

int linearDecimals(double min, double div) {
    if (div == std::floor(div)) {
        return 0;
    }
    int d = 1;
    if (std::fabs(min) > 0) {
        d = static_cast<int>(std::lround(std::log10(std::fabs(min)))) + 1;
    }
    // A range like 0.01 .. 0.1 would come out with no or negative decimals
    // and label every line alike; show the division's own digits instead.
    return d >= 1 ? d : divisionDecimals(div);
}

int logDecimals(double min) {
    const double l = std::log10(min);
    return l < 0 ? static_cast<int>(std::lround(-l)) : 0;
}

QString labelText(double v, int decimals, int fieldWidth) {
    decimals = std::clamp(decimals, 0, 15);
    const double scale = std::pow(10.0, decimals);
    if (std::round(std::fabs(v) * scale) == 0) {
        v = 0.0; // no "-0.0" for a value that only rounds to zero
    }
    // QString::number is locale-free: a point, no group separator.
    return QString::number(v, 'f', decimals).rightJustified(fieldWidth, QLatin1Char(' '));
}

namespace {

// Decades from the exponent k0 on while inRange(k); grid lines at 2..10 x
// 10^k up to max * 1.01. Values below min * (1 - 1e-9) are left out: with a
// rounded k0 the first decade can start left of the plot.
template <typename InRange> LogTicks logTicks(double min, double max, double k0, InRange inRange) {
    LogTicks t;
    const double lowest = min * (1 - 1e-9);
    const double highest = max * 1.01;
    // 10^-324 .. 10^308 bounds the loop; the cap guards against a NaN k.
    for (double k = k0; inRange(k) && t.labels.size() < 700; k += 1) {
        const double p = std::pow(10.0, k);
        if (p >= lowest) {
            t.labels.push_back(p);
        }
        for (int j = 2; j <= 10; ++j) {
            const double g = j * p;
            if (g <= highest && g >= lowest) {
                t.grid.push_back(g);
            }
        }
    }
    return t;
}

} // namespace

LogTicks logXTicks(double min, double max) {
    if (!(min > 0) || !(max > min) || !std::isfinite(max)) {
        return {};
    }
    const double lmax = std::log10(max);
    return logTicks(min, max, std::round(std::log10(std::fabs(min))),
                    [lmax](double k) { return lmax >= k; });
}

LogTicks logYTicks(double min, double max) {
    if (!(min > 0) || !(max > min) || !std::isfinite(max)) {
        return {};
    }
    const double lmax = std::log10(max);
    return logTicks(min, max, std::log10(std::fabs(min)), [lmax](double k) { return lmax > k; });
}

namespace {

int bottomOf(const ChartScale& s) {
    return s.top + s.height;
}

void addCaption(AxisLayout& a, TextItem item) {
    if (!item.text.isEmpty()) {
        a.captions.push_back(std::move(item));
    }
}

TextItem captionX(const ChartScale& s, const QString& caption, TextMetrics m) {
    return {QPoint(s.left + s.width / 2, bottomOf(s) + 2 * m.th), caption, HAlign::Center,
            VAlign::Top, false};
}

TextItem captionY(const ChartScale& s, const QString& caption, TextMetrics m) {
    return {QPoint(s.left - 2 * m.th, s.top + s.height / 2), caption, HAlign::Center,
            VAlign::Bottom, true};
}

QLine bottomEdge(const ChartScale& s) {
    return QLine(s.left, bottomOf(s), s.left + s.width, bottomOf(s));
}

QLine leftEdge(const ChartScale& s) {
    return QLine(s.left, s.top, s.left, bottomOf(s));
}

} // namespace

AxisLayout linearXAxis(const ChartScale& s, const QString& caption, TextMetrics m) {
    AxisLayout a;
    const int d = linearDecimals(s.xmin, s.xdiv);
    for (double v : linearTicks(s.xmin, s.xmax, s.xdiv, true)) {
        const int px = s.toPixelX(v);
        a.grid.emplace_back(px, bottomOf(s), px, s.top);
        a.labels.push_back({QPoint(px, bottomOf(s) + 4), labelText(v, d, kXLabelWidth),
                            HAlign::Center, VAlign::Top, false});
    }
    a.edges.push_back(bottomEdge(s));
    addCaption(a, captionX(s, caption, m));
    return a;
}

AxisLayout linearYAxis(const ChartScale& s, const QString& caption, TextMetrics m) {
    AxisLayout a;
    const int d = linearDecimals(s.ymin, s.ydiv);
    for (double v : linearTicks(s.ymin, s.ymax, s.ydiv, true)) {
        const int py = s.toPixelY(v);
        a.grid.emplace_back(s.left, py, s.left + s.width, py);
        a.labels.push_back({QPoint(s.left - m.tw, py), labelText(v, d, kYLabelWidth), HAlign::Right,
                            VAlign::Baseline, false});
    }
    a.edges.push_back(leftEdge(s));
    addCaption(a, captionY(s, caption, m));
    return a;
}

AxisLayout logXAxis(const ChartScale& s, const QString& caption, TextMetrics m) {
    AxisLayout a;
    const int d = logDecimals(s.xmin);
    const LogTicks t = logXTicks(s.xmin, s.xmax);
    for (double v : t.labels) {
        a.labels.push_back({QPoint(s.toPixelX(v), bottomOf(s) + m.th / 2),
                            labelText(v, d, kXLabelWidth), HAlign::Center, VAlign::Top, false});
    }
    for (double v : t.grid) {
        const int px = s.toPixelX(v);
        a.grid.emplace_back(px, bottomOf(s), px, s.top);
    }
    a.labels.push_back({QPoint(s.left + s.width, bottomOf(s) + 8),
                        labelText(s.xmax, d, kXLabelWidth), HAlign::Center, VAlign::Top, false});
    a.edges.push_back(bottomEdge(s));
    addCaption(a, captionX(s, caption, m));
    return a;
}

AxisLayout logYAxis(const ChartScale& s, const QString& caption, TextMetrics m) {
    AxisLayout a;
    const int d = logDecimals(s.ymin);
    const LogTicks t = logYTicks(s.ymin, s.ymax);
    for (double v : t.labels) {
        a.labels.push_back({QPoint(s.left - 4, s.toPixelY(v) + 4), labelText(v, d, kYLabelWidth),
                            HAlign::Right, VAlign::Baseline, false});
    }
    for (double v : t.grid) {
        const int py = s.toPixelY(v);
        a.grid.emplace_back(s.left, py, s.left + s.width, py);
    }
    a.labels.push_back({QPoint(s.left - 4, s.top + 4), labelText(s.ymax, d, kYLabelWidth),
                        HAlign::Right, VAlign::Baseline, false});
    a.edges.push_back(leftEdge(s));
    addCaption(a, captionY(s, caption, m));
    return a;
}

AxisLayout portYAxis(const ChartScale& s, const QString& caption, TextMetrics m) {
    AxisLayout a;
    const int d = linearDecimals(s.ymin, s.ydiv);
    for (double v : linearTicks(s.ymin, s.ymax, s.ydiv, false)) {
        const int py = s.toPixelY(v);
        a.grid.emplace_back(s.left, py, s.left + s.width, py);
        a.labels.push_back({QPoint(s.left - m.tw, py - m.th / 2), labelText(v, d, kYLabelWidth),
                            HAlign::Right, VAlign::Baseline, false});
    }
    a.edges.push_back(leftEdge(s));
    a.edges.emplace_back(s.left, s.top, s.left + s.width, s.top);
    addCaption(a, {QPoint(s.left - m.tw, s.top), caption, HAlign::Right, VAlign::Bottom, false});
    return a;
}

MarkerSegments markerSegments(int kind, int px, int py, int s) {
    const int l = px - s, r = px + s, t = py - s, b = py + s;
    switch (kind) {
    case 0: // cross: the diagonals of the box
        return {{QLine(l, t, r, b), QLine(l, b, r, t)}, 2};
    case 1: // diamond
        return {
            {QLine(px, t, r, py), QLine(r, py, px, b), QLine(px, b, l, py), QLine(l, py, px, t)},
            4};
    case 2: // square
        return {{QLine(l, t, r, t), QLine(r, t, r, b), QLine(r, b, l, b), QLine(l, b, l, t)}, 4};
    case 3: // triangle, apex up
        return {{QLine(px, t, r, b), QLine(r, b, l, b), QLine(l, b, px, t)}, 3};
    case 4: // dot
        return {{QLine(px, py, px, py)}, 1};
    case 5: // plus
        return {{QLine(l, py, r, py), QLine(px, t, px, b)}, 2};
    default:
        return {};
    }
}

} // namespace chart
