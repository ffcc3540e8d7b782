#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "scope/ScopeSpectrum.h"

namespace morlo::scope {
namespace {

std::vector<double> Tone(std::size_t count, double rate, double hertz, double amplitude,
                         double offset = 0) {
    std::vector<double> values;
    for (std::size_t i = 0; i < count; ++i) {
        values.push_back(offset + amplitude * std::sin(2 * std::numbers::pi * hertz *
                                                       static_cast<double>(i) / rate));
    }
    return values;
}

TEST(ScopeSpectrum, FindsTheFrequencyOfASampledSineWithinOneBin) {
    struct Case {
        std::size_t count;
        double rate;
        double hertz;
        double amplitude;
        double offset;
    };
    const Case cases[] = {
        {4000, 16000, 1000, 1, 0},      // on a bin
        {4000, 16000, 1234.5, 3, 100},  // between bins, on a large offset
        {1000, 1000, 37.3, 0.5, -2},    // 1 ms per sample
        {999, 1000, 250, 10, 0},        // odd count: padded
        {500, 16000, 7900, 1, 0},       // near half the rate
    };
    for (const Case& c : cases) {
        const auto spectrum =
            ComputeSpectrum(Tone(c.count, c.rate, c.hertz, c.amplitude, c.offset), c.rate);
        ASSERT_TRUE(spectrum) << c.hertz;
        const std::size_t size = c.count + c.count % 2;
        EXPECT_DOUBLE_EQ(spectrum->binHertz, c.rate / static_cast<double>(size));
        EXPECT_EQ(spectrum->amplitude.size(), size / 2 + 1);
        EXPECT_LE(std::fabs(spectrum->PeakHertz() - c.hertz), spectrum->binHertz) << c.hertz;
        // The window's scaling shows the sine's amplitude (within the scalloping of the
        // Hann window between bins, at most 1.42 dB).
        EXPECT_GT(spectrum->PeakAmplitude(), c.amplitude * 0.84) << c.hertz;
        EXPECT_LT(spectrum->PeakAmplitude(), c.amplitude * 1.01) << c.hertz;
        EXPECT_EQ(BinOf(*spectrum, spectrum->PeakHertz()), spectrum->peakBin);
    }
}

TEST(ScopeSpectrum, EdgesDecibelsAndTooLittleData) {
    EXPECT_FALSE(ComputeSpectrum(std::vector<double>{1, 2, 3}, 1000));
    EXPECT_FALSE(ComputeSpectrum(Tone(100, 1000, 10, 1), 0));
    // A constant has nothing above 0 Hz once its mean is taken away.
    const auto flat = ComputeSpectrum(std::vector<double>(64, 5.0), 1000);
    ASSERT_TRUE(flat);
    EXPECT_LT(flat->PeakAmplitude(), 1e-6);
    EXPECT_DOUBLE_EQ(AmplitudeDecibels(1), 0);
    EXPECT_DOUBLE_EQ(AmplitudeDecibels(0.001), -60);
    EXPECT_EQ(AmplitudeDecibels(0), kSpectrumFloorDecibels);
    EXPECT_EQ(BinOf(*flat, -5), 0u);
    EXPECT_EQ(BinOf(*flat, 1e9), flat->amplitude.size() - 1);
}

}  // namespace
}  // namespace morlo::scope
