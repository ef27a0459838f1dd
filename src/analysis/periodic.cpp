#include "periodic.h"

#include "results.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace zentor::analysis {

namespace {

// A crossing is armed below the middle − this share of the peak-to-peak
// value and counted above the middle + it.
constexpr double kHysteresis = 0.2;
// The single periods may differ by this share of their mean (standard deviation).
constexpr double kLargestSpread = 0.1;

const QString kFlat = QStringLiteral("Die Werte ändern sich nicht: das Signal hat keine Periode.");
const QString kNoPeriod =
    QStringLiteral("Keine volle Periode im Bereich: das Signal kreuzt seine Mitte nicht "
                   "zweimal steigend.");

const QString kNotRepeating =
    QStringLiteral("Keine volle Periode im Bereich: das Signal wiederholt sich nicht.");

QString unsteady(double shortest, double longest) {
    return QStringLiteral("Die Periode schwankt zu stark: die einzelnen Perioden liegen zwischen "
                          "%1 s und %2 s.")
        .arg(displayNumber(shortest), displayNumber(longest));
}

// The correlation of the signal with itself one period later, y(t) against
// y(t + period) (interpolated between samples) wherever both are measured:
// near 1 when the signal repeats, lower the more noise it carries, and below
// 0.5 for crossings that noise made within one rise.
constexpr double kLeastRepetition = 0.5;

double repetition(std::span<const Point> points, double period) {
    double n = 0, sumA = 0, sumB = 0, sumAA = 0, sumBB = 0, sumAB = 0;
    std::size_t j = 0;
    for (const Point& p : points) {
        const double t = p.t + period;
        if (t > points.back().t)
            break;
        while (j + 1 < points.size() && points[j + 1].t < t)
            ++j;
        const Point& a = points[j];
        const Point& b = points[std::min(j + 1, points.size() - 1)];
        const double later =
            b.t > a.t ? a.y + (b.y - a.y) * std::clamp((t - a.t) / (b.t - a.t), 0.0, 1.0) : a.y;
        n += 1;
        sumA += p.y;
        sumB += later;
        sumAA += p.y * p.y;
        sumBB += later * later;
        sumAB += p.y * later;
    }
    if (n < 3)
        return 0;
    const double covariance = sumAB - sumA * sumB / n;
    const double varianceA = sumAA - sumA * sumA / n;
    const double varianceB = sumBB - sumB * sumB / n;
    if (!(varianceA > 0) || !(varianceB > 0))
        return 0;
    return covariance / std::sqrt(varianceA * varianceB);
}

// The median time between samples.
double typicalStep(std::span<const Point> points) {
    std::vector<double> steps;
    steps.reserve(points.size());
    for (std::size_t i = 1; i < points.size(); ++i)
        steps.push_back(points[i].t - points[i - 1].t);
    const auto middle = steps.begin() + static_cast<std::ptrdiff_t>(steps.size() / 2);
    std::nth_element(steps.begin(), middle, steps.end());
    return *middle;
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
    const auto count = static_cast<double>(crossings.size() - 1);
    Periodic result;
    result.periods = static_cast<int>(crossings.size() - 1);
    result.period = (to - from) / count;
    double squares = 0, shortest = HUGE_VAL, longest = 0;
    for (std::size_t i = 1; i < crossings.size(); ++i) {
        const double single = crossings[i] - crossings[i - 1];
        squares += (single - result.period) * (single - result.period);
        shortest = std::min(shortest, single);
        longest = std::max(longest, single);
    }
    result.periodSpread = result.periods > 1 ? std::sqrt(squares / (count - 1)) : 0;
    if (result.periodSpread > kLargestSpread * result.period + typicalStep(points) / 2)
        return Outcome<Periodic>::failure(unsteady(shortest, longest));
    if (repetition(points, result.period) < kLeastRepetition)
        return Outcome<Periodic>::failure(kNotRepeating);

    double sum = 0, sumSquares = 0;
    int n = 0;
    for (const Point& p : points) {
        if (p.t >= from && p.t < to) {
            sum += p.y;
            sumSquares += p.y * p.y;
            ++n;
        }
    }
    if (n == 0) // cannot happen: a crossing lies between two samples
        return Outcome<Periodic>::failure(kNoPeriod);
    result.peakToPeak = peakToPeak;
    result.mean = sum / n;
    result.rms = std::sqrt(sumSquares / n);
    return {result, {}};
}

} // namespace zentor::analysis
