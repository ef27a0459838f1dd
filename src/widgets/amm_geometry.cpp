#include "amm_geometry.h"

#include <cmath>
#include <numbers>

namespace amm {

MeterFrame meterFrame(QSize size) {
    MeterFrame f;
    f.s = (size.width() + size.height()) / 2;
    f.y1 = (f.s * 5) / 10;
    f.cy = f.s - (f.s - f.y1) / 2;
    f.cx = size.width() / 2;
    f.radius = f.s - f.cy - (f.s * 9) / 10;
    return f;
}

int roundHalfEven(double x) {
    const double lower = std::floor(x);
    const double fraction = x - lower;
    constexpr double kTieTolerance = 1e-9;
    if (std::abs(fraction - 0.5) < kTieTolerance) {
        const bool lowerIsEven = std::fmod(lower, 2.0) == 0.0;
        return static_cast<int>(lowerIsEven ? lower : lower + 1.0);
    }
    return static_cast<int>(std::lround(x));
}

QPoint dialPoint(const MeterFrame& frame, double angleDegrees, double k) {
    const double a = angleDegrees * std::numbers::pi / 180.0;
    return {frame.cx + roundHalfEven(std::cos(a) * frame.radius * k),
            frame.cy + roundHalfEven(std::sin(a) * frame.radius * k)};
}

int scaleIntervals(const QString& scale) {
    const auto separators = static_cast<int>(scale.count(QLatin1Char(';')));
    return separators == 0 ? 1 : separators;
}

QStringList scaleLabels(const QString& scale) {
    const int n = scaleIntervals(scale);
    QStringList labels;
    QString rest = scale;
    for (int i = 0; i <= n; ++i) {
        const auto sep = rest.indexOf(QLatin1Char(';'));
        if (sep < 0) {
            // Nothing to cut off: the remaining text serves every further label.
            labels << rest;
        } else {
            labels << rest.left(sep);
            rest.remove(0, sep + 1);
        }
    }
    return labels;
}

double majorTickAngle(int i, int intervals) {
    return 90.0 * i / intervals + 45.0;
}

std::vector<double> minorTickAngles(int intervals, int minor) {
    std::vector<double> angles;
    if (minor <= 0 || minor > 10 || intervals <= 0) {
        return angles;
    }
    const double step = 90.0 / intervals / (minor + 1);
    for (int i = 0; i <= intervals; ++i) {
        double a = majorTickAngle(i, intervals);
        if (a >= 135.0) {
            continue;
        }
        for (int m = 0; m < minor; ++m) {
            a += step;
            angles.push_back(a);
        }
    }
    return angles;
}

double needleAngle(int value, int max) {
    // In double: value × 90 does not fit 32 bits for large values.
    return static_cast<double>(value) * 90.0 / max + 45.0;
}

QLine needleLine(const MeterFrame& frame, int value, int max) {
    return {QPoint(frame.cx, frame.cy), dialPoint(frame, needleAngle(value, max), kMajorOuter)};
}

DialLayout dialLayout(QSize size, const QString& scale, int minor) {
    DialLayout d;
    d.frame = meterFrame(size);
    d.captionAnchor = {d.frame.cx, d.frame.y1 - kCaptionAbove};
    d.valueAnchor = {d.frame.cx, d.frame.y1 + kValueBelow};
    const int n = scaleIntervals(scale);
    const QStringList texts = scaleLabels(scale);
    for (int i = 0; i <= n; ++i) {
        const double a = majorTickAngle(i, n);
        d.majorTicks.emplace_back(dialPoint(d.frame, a, kMajorInner),
                                  dialPoint(d.frame, a, kMajorOuter));
        d.labels.push_back({dialPoint(d.frame, a, kLabelRadius), texts.at(i)});
    }
    for (double a : minorTickAngles(n, minor)) {
        d.minorTicks.emplace_back(dialPoint(d.frame, a, kMinorOuter),
                                  dialPoint(d.frame, a, kMajorInner));
    }
    return d;
}

} // namespace amm
