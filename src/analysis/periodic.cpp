#include "periodic.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace zentor::analysis {

namespace {

constexpr double kHysteresis = 0.1;

const QString kFlat = QStringLiteral("Die Werte ändern sich nicht: das Signal hat keine Periode.");
const QString kNoPeriod =
    QStringLiteral("Keine volle Periode im Bereich: das Signal kreuzt seine Mitte nicht "
                   "zweimal steigend.");

// The integrals of y and y² over the straight line from a to b, cut to [from, to].
struct Integrals {
    double y = 0, y2 = 0;
};

void addSegment(Integrals& sum, Point a, Point b, double from, double to) {
    const double left = std::max(a.t, from);
    const double right = std::min(b.t, to);
    if (!(right > left))
        return;
    const double slope = (b.y - a.y) / (b.t - a.t);
    const double y0 = a.y + slope * (left - a.t);
    const double y1 = a.y + slope * (right - a.t);
    const double width = right - left;
    sum.y += width * (y0 + y1) / 2;
    sum.y2 += width * (y0 * y0 + y0 * y1 + y1 * y1) / 3;
}

} // namespace

Outcome<Periodic> periodic(std::span<const Point> points) {
    if (points.size() < 3)
        return Outcome<Periodic>::failure(kNoPeriod);
    const auto [low, high] = std::minmax_element(
        points.begin(), points.end(), [](const Point& a, const Point& b) { return a.y < b.y; });
    const double peakToPeak = high->y - low->y;
    if (!(peakToPeak > 0))
        return Outcome<Periodic>::failure(kFlat);
    const double middle = (high->y + low->y) / 2;
    const double band = kHysteresis * peakToPeak;

    std::vector<double> crossings;
    bool armed = false;  // the signal was below the band since the last crossing
    double crossing = 0; // the last upward pass through the middle
    for (std::size_t i = 0; i < points.size(); ++i) {
        const Point& p = points[i];
        if (p.y < middle - band)
            armed = true;
        if (!armed || i == 0)
            continue;
        const Point& before = points[i - 1];
        if (before.y < middle && p.y >= middle)
            crossing = before.t + (middle - before.y) / (p.y - before.y) * (p.t - before.t);
        if (p.y > middle + band) {
            crossings.push_back(crossing);
            armed = false;
        }
    }
    if (crossings.size() < 2)
        return Outcome<Periodic>::failure(kNoPeriod);

    const double from = crossings.front();
    const double to = crossings.back();
    Integrals sum;
    for (std::size_t i = 1; i < points.size(); ++i)
        addSegment(sum, points[i - 1], points[i], from, to);
    Periodic result;
    result.period = (to - from) / static_cast<double>(crossings.size() - 1);
    result.peakToPeak = peakToPeak;
    result.mean = sum.y / (to - from);
    result.rms = std::sqrt(sum.y2 / (to - from));
    return {result, {}};
}

} // namespace zentor::analysis
