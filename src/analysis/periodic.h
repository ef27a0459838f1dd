// The automatic values of a periodic signal, as an oscilloscope shows them:
// period and frequency, peak-to-peak value, mean and RMS value. Pure.
#pragma once

#include "series.h"

#include <span>

namespace zentor::analysis {

struct Periodic {
    double period = 0;       // s: the mean of the single periods
    double periodSpread = 0; // s: their standard deviation (0 for one period)
    int periods = 0;         // whole periods counted
    double peakToPeak = 0;   // maximum − minimum of the points
    double mean = 0;         // the mean of the samples within the whole periods
    double rms = 0;          // the root of the mean of their squares
};

// The periods are counted at the rising crossings of the middle between
// minimum and maximum. A crossing counts once the signal has been below 30 %
// of the peak-to-peak value and then rises above 70 %, so that noise makes
// no crossings of its own; its time is
// interpolated between the two samples around the middle. The single
// periods must agree: when their standard deviation exceeds a tenth of
// their mean (plus half a sample interval, which a jump between two samples
// leaves open) the outcome says "Die Periode schwankt zu stark"; when the
// signal does not repeat after the period found (its correlation with
// itself one period later is below 0.5, as for two crossings that noise
// made within one rise), there is "Keine volle Periode".
//
// Mean and RMS value are those of the samples from the first crossing up to
// (not including) the last one, as an oscilloscope takes them: the plain
// mean of the samples and the root of the mean of their squares, over whole
// periods so that a part period does not bias them. For a sine this is exact
// from three samples per period on; a signal with jumps (square, sawtooth)
// needs some ten samples per period for its RMS to within a few per cent,
// since each period then holds a whole number of samples only on average.
// Needs two rising crossings.
Outcome<Periodic> periodic(std::span<const Point> points);

} // namespace zentor::analysis
