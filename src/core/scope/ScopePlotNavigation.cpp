// Wheel zoom and drag pan of the plot: the time axis for all channels, the value axis per
// channel.

#include <algorithm>
#include <cmath>

#include "scope/ScopePlot.h"

namespace morlo::scope {
namespace {

constexpr int kSmallestWindow = 2;  // samples a window spans at least

}  // namespace

PlotView ScopePlot::View() const {
    PlotView view{windowFirst_, windowLast_, windowSpan_, {}, {}, {}};
    for (int channel = 0; channel < kChannelCount; ++channel) {
        const ChannelCurve& curve = curves_[Index(channel)];
        view.scale[Index(channel)] = curve.scale;
        view.offset[Index(channel)] = curve.offset;
        view.autoScale[Index(channel)] = curve.autoScale;
    }
    return view;
}

void ScopePlot::SetView(const PlotView& view) {
    windowFirst_ = view.first;
    windowLast_ = view.last;
    windowSpan_ = view.span;
    Layout();
    for (int channel = 0; channel < kChannelCount; ++channel) {
        ChannelCurve& curve = curves_[Index(channel)];
        curve.scale = view.scale[Index(channel)];
        curve.offset = view.offset[Index(channel)];
        curve.autoScale = view.autoScale[Index(channel)];
    }
}

void ScopePlot::ZoomTime(int column, double factor) {
    const int total = TotalSamples();
    if (total < kSmallestWindow || !(factor > 0) || windowSpan_ < kSmallestWindow) {
        return;
    }
    const double usable = Geometry().width - kLayoutReserve;
    const double share = std::clamp(column / usable, 0.0, 1.0);
    const double length = windowLast_ - windowFirst_;
    const double centre = windowFirst_ + share * length;
    const int newLength = static_cast<int>(
        std::clamp(std::round(length * factor), double(kSmallestWindow), double(total - 1)));
    int first = static_cast<int>(std::lround(centre - share * newLength));
    first = std::clamp(first, 1, total - newLength);
    windowFirst_ = first;
    windowLast_ = first + newLength;
    windowSpan_ = newLength;
    Recompute();
}

void ScopePlot::PanTime(int columns) {
    const int total = TotalSamples();
    if (windowSpan_ < kSmallestWindow || total < kSmallestWindow) {
        return;
    }
    const double usable = Geometry().width - kLayoutReserve;
    const int length = windowLast_ - windowFirst_;
    const auto shift = static_cast<int>(std::lround(-columns * length / usable));
    const int first = std::clamp(windowFirst_ + shift, 1, std::max(1, total - length));
    windowLast_ = first + length;
    windowFirst_ = first;
    Recompute();
}

void ScopePlot::ZoomValue(int channel, int y, double factor) {
    ChannelCurve& curve = curves_[Index(channel)];
    const PlotGeometry g = Geometry();
    if (curve.scale == 0 || !(factor > 0) || g.rowHeight == 0) {
        return;
    }
    const double centreY = g.bottom - g.height / 2 - 1;
    // The value at y stays at y.
    const double valueAtY = (centreY - y) * curve.scale / g.rowHeight - curve.offset;
    curve.scale *= factor;
    curve.offset = (centreY - y) * curve.scale / g.rowHeight - valueAtY;
    curve.autoScale = false;
}

void ScopePlot::PanValue(int channel, int pixels) {
    ChannelCurve& curve = curves_[Index(channel)];
    const PlotGeometry g = Geometry();
    if (g.rowHeight == 0) {
        return;
    }
    curve.offset -= pixels * curve.scale / g.rowHeight;
    curve.autoScale = false;
}

}  // namespace morlo::scope
