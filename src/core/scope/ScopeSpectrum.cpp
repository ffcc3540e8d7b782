#include "scope/ScopeSpectrum.h"

#include <kiss_fftr.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <numbers>

namespace morlo::scope {
namespace {

struct ConfigFree {
    void operator()(kiss_fftr_cfg config) const { kiss_fftr_free(config); }
};
using FftConfig = std::unique_ptr<std::remove_pointer_t<kiss_fftr_cfg>, ConfigFree>;

}  // namespace

std::optional<Spectrum> ComputeSpectrum(std::span<const double> values, double sampleRateHertz) {
    if (values.size() < kSpectrumMinimumSamples || !(sampleRateHertz > 0)) {
        return std::nullopt;
    }
    const std::size_t n = values.size();
    const std::size_t size = n + n % 2;  // the real transform takes an even size
    FftConfig config(kiss_fftr_alloc(static_cast<int>(size), 0, nullptr, nullptr));
    if (!config) {
        return std::nullopt;
    }
    double mean = 0;
    for (double v : values) {
        mean += v;
    }
    mean /= static_cast<double>(n);
    std::vector<kiss_fft_scalar> input(size, 0);
    double windowSum = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const double w = n > 1
                             ? 0.5 - 0.5 * std::cos(2 * std::numbers::pi * static_cast<double>(i) /
                                                    static_cast<double>(n - 1))
                             : 1;
        windowSum += w;
        input[i] = static_cast<kiss_fft_scalar>((values[i] - mean) * w);
    }
    std::vector<kiss_fft_cpx> output(size / 2 + 1);
    kiss_fftr(config.get(), input.data(), output.data());

    Spectrum spectrum;
    spectrum.binHertz = sampleRateHertz / static_cast<double>(size);
    spectrum.amplitude.resize(output.size());
    for (std::size_t k = 0; k < output.size(); ++k) {
        const double magnitude = std::hypot(output[k].r, output[k].i);
        // Single-sided: every bin but 0 Hz and the last holds half of the sine's energy.
        const double sides = k == 0 || k == size / 2 ? 1 : 2;
        spectrum.amplitude[k] = sides * magnitude / windowSum;
    }
    const auto strongest =
        std::max_element(spectrum.amplitude.begin() + 1, spectrum.amplitude.end());
    spectrum.peakBin = static_cast<std::size_t>(strongest - spectrum.amplitude.begin());
    return spectrum;
}

double AmplitudeDecibels(double amplitude) {
    if (!(amplitude > 0)) {
        return kSpectrumFloorDecibels;
    }
    return std::max(kSpectrumFloorDecibels, 20 * std::log10(amplitude));
}

std::size_t BinOf(const Spectrum& spectrum, double hertz) {
    if (spectrum.amplitude.empty() || !(spectrum.binHertz > 0)) {
        return 0;
    }
    const double bin = std::round(hertz / spectrum.binHertz);
    return static_cast<std::size_t>(
        std::clamp(bin, 0.0, static_cast<double>(spectrum.amplitude.size() - 1)));
}

}  // namespace morlo::scope
