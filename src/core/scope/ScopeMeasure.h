#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <vector>

#include "scope/ScopePlot.h"

namespace morlo::scope {

// Significant digits of a figure as the measurement table shows it.
inline constexpr int kMeasureDigits = 6;

// Figures of a stretch of samples in the channel's display unit.
struct Measurement {
    std::size_t count = 0;
    double minimum = 0;
    double maximum = 0;
    double mean = 0;
    double rms = 0;
    double peakToPeak = 0;
};

// The figures of raw samples scaled by the unit coefficient; nullopt for no sample.
std::optional<Measurement> Measure(std::span<const double> raw, double coefficient);

// The samples measured: numbers first .. last (1-based, inclusive).
struct SampleRange {
    int first = 1;
    int last = 0;
};

// Between the two cursors when two are placed (the samples under them, rounded to the nearest
// sample), else the whole record of the channel.
SampleRange MeasuredRange(const ScopePlot& plot, int channel);

// The raw samples of a curve whose numbers lie in the range.
std::vector<double> SamplesIn(const ChannelCurve& curve, SampleRange range);

// The time between the two cursors and its inverse; only with two cursors and a known period.
struct CursorSpan {
    double seconds = 0;
    std::optional<double> hertz;  // none when the cursors stand on the same instant
};
std::optional<CursorSpan> CursorSpanOf(const ScopePlot& plot, int channel);

}  // namespace morlo::scope
