// The plot's trigger marks and reference curves.

#include <algorithm>
#include <cmath>

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
    // Laid out by time: reference sample s lies at live position s x stretch.
    const double stretch = ReferenceStretch(reference);
    std::vector<std::pair<int, double>> points;
    for (std::size_t i = 0; i < values.size(); ++i) {
        const double position = static_cast<double>(i + 1) * stretch;
        if (position > windowLast_) {
            break;
        }
        if (position >= windowFirst_) {
            points.emplace_back(ColumnOfPosition(position), values[i]);
        }
    }
    const ChannelCurve& live = curves_[Index(channel)];
    const bool liveShown = live.visible && !live.points.empty() && live.scale != 0;
    return PathThrough(points, liveShown ? live.scale : reference.scale[Index(channel)],
                       liveShown ? live.offset : reference.offset[Index(channel)],
                       reference.coefficient[Index(channel)]);
}

double ScopePlot::ReferenceStretch(const ReferenceCurve& reference) const {
    return reference.period > 0 && period_ > 0
               ? static_cast<double>(reference.period) / static_cast<double>(period_)
               : 1.0;
}

int ScopePlot::TotalSamples() const {
    int total = std::max(0, sampleCount_);
    for (const ReferenceCurve& reference : references_) {
        for (const auto& values : reference.values) {
            const double span = static_cast<double>(values.size()) * ReferenceStretch(reference);
            total = std::max(total, static_cast<int>(std::floor(span)));
        }
    }
    return total;
}

}  // namespace morlo::scope
