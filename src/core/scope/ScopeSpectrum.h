#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <vector>

namespace morlo::scope {

// The magnitude spectrum of a stretch of samples: the mean taken away, a Hann window, a real
// FFT; one amplitude per bin from 0 Hz to half the sampling rate, scaled so that a sine of
// amplitude A at a bin's frequency shows A there.
struct Spectrum {
    double binHertz = 0;
    std::vector<double> amplitude;
    std::size_t peakBin = 0;  // the strongest bin above 0 Hz
    double PeakHertz() const { return static_cast<double>(peakBin) * binHertz; }
    double PeakAmplitude() const { return amplitude.empty() ? 0 : amplitude[peakBin]; }
};

inline constexpr std::size_t kSpectrumMinimumSamples = 4;
// Amplitudes shown in dB never go below this (an amplitude of 0 has no logarithm).
inline constexpr double kSpectrumFloorDecibels = -200;

// nullopt for fewer than kSpectrumMinimumSamples samples or a sampling rate that is not
// positive. An odd count is padded with one zero.
std::optional<Spectrum> ComputeSpectrum(std::span<const double> values, double sampleRateHertz);

// 20 log10 of an amplitude, no lower than the floor.
double AmplitudeDecibels(double amplitude);

// The bin nearest to a frequency.
std::size_t BinOf(const Spectrum& spectrum, double hertz);

}  // namespace morlo::scope
