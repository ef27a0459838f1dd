// The automatic values of a periodic signal, as an oscilloscope shows them:
// period and frequency, peak-to-peak value, mean and RMS value. Pure.
#pragma once

#include "series.h"

#include <span>

namespace zentor::analysis {

struct Periodic {
    double period = 0;     // s: the mean time between rising crossings
    double peakToPeak = 0; // maximum − minimum of the points
    double mean = 0;       // over the whole periods, the time between samples weighted
    double rms = 0;        // likewise: the root of the mean square
};

// The periods are counted at the rising crossings of the middle between
// minimum and maximum, with a hysteresis of a tenth of the peak-to-peak
// value so that noise makes no crossings; the crossing times are
// interpolated between samples. Mean and RMS value are taken over the whole
// periods (the straight lines between the samples integrated exactly), so
// that a part period does not bias them. Needs two rising crossings.
Outcome<Periodic> periodic(std::span<const Point> points);

} // namespace zentor::analysis
