// The plot's trigger marks and reference curves.

#include <algorithm>

#include "scope/ScopePlot.h"

namespace morlo::scope {

std::optional<int> ScopePlot::TriggerX() const {
    if (!trigger_) {
        return std::nullopt;
    }
    const int column = ColumnOfSample(trigger_->sample);
    if (column == 0) {
        return std::nullopt;
    }
    return Geometry().left + column + 1;
}

std::optional<int> ScopePlot::TriggerLevelY() const {
    if (!trigger_ || trigger_->manual || trigger_->channel < 0 ||
        trigger_->channel >= kChannelCount) {
        return std::nullopt;
    }
    const ChannelCurve& curve = curves_[Index(trigger_->channel)];
    if (!curve.visible || curve.points.empty()) {
        return std::nullopt;
    }
    const int y = RawY(trigger_->channel, trigger_->level);
    const PlotGeometry g = Geometry();
    if (y < g.bandTop || y > g.bandBottom) {
        return std::nullopt;
    }
    return y;
}

bool ScopePlot::AddReference(ReferenceCurve reference) {
    if (references_.size() >= kReferenceLimit) {
        return false;
    }
    references_.push_back(std::move(reference));
    return true;
}

void ScopePlot::RemoveReference(std::size_t index) {
    if (index < references_.size()) {
        references_.erase(references_.begin() + static_cast<std::ptrdiff_t>(index));
    }
}

void ScopePlot::SetReferenceHidden(std::size_t index, bool hidden) {
    if (index < references_.size()) {
        references_[index].hidden = hidden;
    }
}

std::vector<PathStep> ScopePlot::ReferencePath(std::size_t index, int channel) const {
    if (index >= references_.size() || channel < 0 || channel >= kChannelCount) {
        return {};
    }
    const ReferenceCurve& reference = references_[index];
    const auto& values = reference.values[Index(channel)];
    if (reference.hidden || values.size() < 2) {
        return {};
    }
    std::vector<std::pair<int, double>> points;
    const int last = std::min(windowLast_, static_cast<int>(values.size()));
    for (int sample = std::max(1, windowFirst_); sample <= last; ++sample) {
        points.emplace_back(ColumnOfSample(sample), values[static_cast<std::size_t>(sample - 1)]);
    }
    const ChannelCurve& live = curves_[Index(channel)];
    const bool liveShown = live.visible && !live.points.empty() && live.scale != 0;
    return PathThrough(points, liveShown ? live.scale : reference.scale[Index(channel)],
                       liveShown ? live.offset : reference.offset[Index(channel)],
                       reference.coefficient[Index(channel)]);
}

int ScopePlot::TotalSamples() const {
    std::size_t total = static_cast<std::size_t>(std::max(0, sampleCount_));
    for (const ReferenceCurve& reference : references_) {
        for (const auto& values : reference.values) {
            total = std::max(total, values.size());
        }
    }
    return static_cast<int>(total);
}

}  // namespace morlo::scope
