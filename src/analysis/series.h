// The points a measurement gives for evaluation: what its chart shows, as
// numbers. Pure; no widgets.
#pragma once

#include "measurement_file.h"

#include <QString>

#include <optional>
#include <span>
#include <vector>

namespace zentor::analysis {

// One value: t in seconds since the first sample of the measurement, y in
// the unit the chart shows (volts, or the raw value).
struct Point {
    double t = 0;
    double y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

struct Series {
    std::vector<Point> points; // in time order; failed reads are left out
    bool volts = true;         // y in volts; otherwise the raw value (or a channel's number)
    friend bool operator==(const Series&, const Series&) = default;
};

// What a computation gives: a value, or a German sentence saying why there
// is none.
template <typename T> struct Outcome {
    std::optional<T> value;
    QString error;
    explicit operator bool() const { return value.has_value(); }
    static Outcome failure(QString text) { return {std::nullopt, std::move(text)}; }
};

// The unit of y: "V", or "1" for raw values.
QString yUnit(bool volts);

// The series of a measurement as its page shows it:
//   Zeitschreiber  every counted sample at its time; y per "Anzeige in Volt"
//                  and the channel (volts for the voltage channel);
//   Extern Messen  samples 0..120 at i × the interval of the duration, in
//                  volts; the digital input (six bit lanes) gives an error;
//   Oszilloskop    samples 0..100 at i × the time base, volts or raw.
// Failed reads (-1) are left out.
Outcome<Series> seriesOf(const Measurement& measurement);

// `other` shown with the display settings of `shown` ("Anzeige in Volt",
// the channel), so that a stored measurement can be drawn on a page as it
// is now. Both must be of the same page; otherwise `other` is returned as it is.
Measurement shownLike(Measurement other, const Measurement& shown);

// The points with from <= t <= to (the bounds in either order).
std::span<const Point> pointsBetween(const Series& series, double from, double to);

// The index of the point nearest in time to t (the earlier one of two
// equally near); nothing for an empty series.
std::optional<int> nearestPoint(const Series& series, double t);

} // namespace zentor::analysis
