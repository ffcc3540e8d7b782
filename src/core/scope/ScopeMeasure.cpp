#include "scope/ScopeMeasure.h"

#include <algorithm>
#include <cmath>

namespace morlo::scope {
namespace {

constexpr double kMicrosecondsPerSecond = 1e6;

double SecondsPerSample(const ScopePlot& plot) {
    return plot.Period() * kPeriodUnitMicroseconds / kMicrosecondsPerSecond;
}

}  // namespace

std::optional<Measurement> Measure(std::span<const double> raw, double coefficient) {
    if (raw.empty()) {
        return std::nullopt;
    }
    Measurement m;
    m.count = raw.size();
    m.minimum = m.maximum = raw.front() * coefficient;
    // Sums with compensation, so that thousands of samples keep the figures exact to 1e-12.
    double sum = 0;
    double sumCarry = 0;
    double squares = 0;
    double squaresCarry = 0;
    auto add = [](double& total, double& carry, double value) {
        const double y = value - carry;
        const double t = total + y;
        carry = (t - total) - y;
        total = t;
    };
    for (double r : raw) {
        const double v = r * coefficient;
        m.minimum = std::min(m.minimum, v);
        m.maximum = std::max(m.maximum, v);
        add(sum, sumCarry, v);
        add(squares, squaresCarry, v * v);
    }
    const auto n = static_cast<double>(raw.size());
    m.mean = sum / n;
    m.rms = std::sqrt(squares / n);
    m.peakToPeak = m.maximum - m.minimum;
    return m;
}

SampleRange MeasuredRange(const ScopePlot& plot, int channel) {
    const auto& points = plot.Curve(channel).points;
    SampleRange whole{1, points.empty() ? 0 : points.back().sample};
    if (plot.CursorMode() != 2) {
        return whole;
    }
    const auto a = plot.SampleAt(channel, plot.CursorPosition(1));
    const auto b = plot.SampleAt(channel, plot.CursorPosition(2));
    if (!a || !b) {
        return whole;
    }
    const auto first = static_cast<int>(std::lround(std::min(a->sample, b->sample)));
    const auto last = static_cast<int>(std::lround(std::max(a->sample, b->sample)));
    return {first, last};
}

std::vector<double> SamplesIn(const ChannelCurve& curve, SampleRange range) {
    std::vector<double> values;
    for (const CurvePoint& point : curve.points) {
        if (point.sample >= range.first && point.sample <= range.last) {
            values.push_back(point.value);
        }
    }
    return values;
}

std::optional<CursorSpan> CursorSpanOf(const ScopePlot& plot, int channel) {
    if (plot.CursorMode() != 2 || plot.Period() <= 0) {
        return std::nullopt;
    }
    const auto a = plot.SampleAt(channel, plot.CursorPosition(1));
    const auto b = plot.SampleAt(channel, plot.CursorPosition(2));
    if (!a || !b) {
        return std::nullopt;
    }
    CursorSpan span;
    span.seconds = std::fabs(b->sample - a->sample) * SecondsPerSample(plot);
    if (span.seconds > 0) {
        span.hertz = 1 / span.seconds;
    }
    return span;
}

}  // namespace morlo::scope
