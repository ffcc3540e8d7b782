#include "scope/ScopePlot.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "scope/ScaleText.h"
#include "text/NumberIo.h"

namespace morlo::scope {
namespace {

constexpr int kMarginLeft = 9;
constexpr int kMarginRight = 10;
constexpr int kMarginTopBottom = 2;
constexpr int kBandInset = 4;
constexpr int kRightEdgeSlack = 3;
constexpr double kFlatRange = 1e-6;
constexpr int kScaledRows = 6;  // auto-scaling fills the middle six rows
constexpr int kLabelRows = 3;   // value labels three rows above and below the centre
constexpr int kLabelDecimals = 6;
constexpr int kLabelHeight = 15;  // one line of the plot font
constexpr int kLabelGap = 2;      // between a grid line and a label below it
constexpr int kTimeDecimals = 4;
constexpr double kMillisecondsPerMicrosecond = 0.001;
constexpr double kLargestTerm = 1e9;  // keeps far-off values in the range of int

}  // namespace

PlotGeometry GeometryOf(const PlotRect& a) {
    PlotGeometry g;
    g.left = a.left + kMarginLeft;
    g.bottom = a.bottom - kMarginTopBottom;
    g.width = a.right - kMarginRight - a.left - kMarginLeft - 1;
    g.height = a.bottom - 2 * kMarginTopBottom - a.top - 1;
    g.columnWidth = g.width / kGridColumns;
    g.rowHeight = g.height / kGridRows;
    g.bandTop = a.top + kBandInset;
    g.bandBottom = a.bottom - kBandInset;
    return g;
}

ScopePlot::ScopePlot(PlotRect area, MessageSink* messages) : area_(area), messages_(messages) {}

// ---- curve data ----

void ScopePlot::AddPoint(int channel, double value, int step) {
    auto& points = curves_[Index(channel)].points;
    try {
        const int sample = points.empty() ? 1 : points.back().sample + step;
        points.push_back({sample, 0, value});
    } catch (const std::bad_alloc&) {
        if (messages_) {
            messages_->ShowMessage(kMsgCurveNoMemory);
        }
        return;
    }
    if (countingChannel_ < 0) {
        countingChannel_ = channel;
    }
    if (channel == countingChannel_) {
        ++sampleCount_;
    }
    if (value < 0) {
        negative_ = true;
    }
}

void ScopePlot::ClearCurves() {
    for (auto& curve : curves_) {
        curve.points.clear();
        curve.points.shrink_to_fit();
    }
    sampleCount_ = 0;
    countingChannel_ = -1;
    negative_ = false;
    rowPosition_ = {};
}

void ScopePlot::ResetRanges() {
    for (auto& curve : curves_) {
        curve.maximum = 0;
        curve.minimum = 0;
        curve.visible = true;
        curve.autoScale = true;
    }
    negative_ = false;
    sampleCount_ = 0;
}

void ScopePlot::StepOffset(int channel, bool up) {
    ChannelCurve& curve = curves_[Index(channel)];
    curve.offset += up ? curve.scale / 2 : -curve.scale / 2;
}

// ---- layout and scaling ----

void ScopePlot::Recompute() {
    Layout();
    AutoScale();
}

void ScopePlot::Layout() {
    if (windowSpan_ < 2) {
        return;
    }
    const std::int64_t usable = Geometry().width - kLayoutReserve;
    for (auto& curve : curves_) {
        std::int64_t k = 0;
        for (CurvePoint& point : curve.points) {
            if (point.sample < windowFirst_ || point.sample > windowLast_) {
                point.column = 0;
                continue;
            }
            ++k;
            // k x step with step = usable / span, in whole numbers so that no rounding of
            // the step moves a sample into the neighbouring column.
            point.column = k == 1 ? 1 : static_cast<int>(k * usable / windowSpan_);
            if (k == 1) {
                curve.maximum = curve.minimum = point.value;
            } else {
                curve.maximum = std::max(curve.maximum, point.value);
                curve.minimum = std::min(curve.minimum, point.value);
            }
        }
    }
}

void ScopePlot::AutoScale() {
    for (auto& curve : curves_) {
        if (!curve.autoScale) {
            continue;
        }
        const double range = curve.maximum - curve.minimum;
        curve.scale = range < kFlatRange
                          ? kSmallestScale
                          : RoundUpOneTwoFive(range * curve.coefficient / kScaledRows);
        curve.offset = -(curve.maximum + curve.minimum) * curve.coefficient / 2;
    }
}

int ScopePlot::FirstCurveWithPoints() const {
    for (int channel = 0; channel < kChannelCount; ++channel) {
        if (!curves_[Index(channel)].points.empty()) {
            return channel;
        }
    }
    return -1;
}

void ScopePlot::Zoom(int fromColumn, int toColumn) {
    const int channel = FirstCurveWithPoints();
    if (channel < 0) {
        return;
    }
    const auto& points = curves_[Index(channel)].points;
    const int limit = std::min(Geometry().width - kLayoutReserve, toColumn);
    int shownBefore = 0;
    std::size_t start = points.size();
    for (std::size_t i = 0; i < points.size(); ++i) {
        if (points[i].column == 0) {
            continue;
        }
        if (points[i].column >= fromColumn) {
            start = i;
            break;
        }
        ++shownBefore;
    }
    if (start == points.size()) {
        return;
    }
    int counted = 0;
    for (std::size_t i = start; i < points.size(); ++i) {
        if (points[i].column == 0) {
            continue;
        }
        if (points[i].column >= limit) {
            if (counted < 2) {
                return;  // a window of fewer than two samples cannot be laid out
            }
            windowFirst_ = shownBefore >= 2 ? points[start].sample : 1;
            windowLast_ = points[i].sample;
            windowSpan_ = counted;
            return;
        }
        ++counted;
    }
}

void ScopePlot::ResetZoom() {
    windowFirst_ = 1;
    windowLast_ = TotalSamples();
    windowSpan_ = windowLast_;
}

double ScopePlot::SampleMilliseconds(double sample) const {
    return (sample - timeZero_) * period_ * kPeriodUnitMicroseconds * kMillisecondsPerMicrosecond;
}

// ---- drawing ----

int ScopePlot::RawY(int channel, double value) const {
    const ChannelCurve& curve = curves_[Index(channel)];
    return YOf(curve.scale, curve.offset, curve.coefficient, value);
}

int ScopePlot::YOf(double scale, double offset, double coefficient, double value) const {
    const PlotGeometry g = Geometry();
    double term = 0;
    if (scale != 0) {  // a scale of 0 draws flat on the centre line
        term = (value * coefficient + offset) * g.rowHeight / scale;
        if (!std::isfinite(term)) {
            term = term > 0 ? kLargestTerm : -kLargestTerm;
        }
        term = std::clamp(term, -kLargestTerm, kLargestTerm);
    }
    return g.bottom - g.height / 2 - static_cast<int>(std::trunc(term)) - 1;
}

int ScopePlot::ColumnOfSample(int sample) const {
    if (windowSpan_ < 2 || sample < windowFirst_ || sample > windowLast_) {
        return 0;
    }
    const std::int64_t usable = Geometry().width - kLayoutReserve;
    const std::int64_t k = sample - windowFirst_ + 1;
    return k == 1 ? 1 : static_cast<int>(k * usable / windowSpan_);
}

int ScopePlot::ColumnOfPosition(double position) const {
    if (windowSpan_ < 2 || position < windowFirst_ || position > windowLast_) {
        return 0;
    }
    const double usable = Geometry().width - kLayoutReserve;
    const double k = position - windowFirst_ + 1;
    return k <= 1 ? 1 : static_cast<int>(k * usable / windowSpan_);
}

std::vector<PathStep> ScopePlot::CurvePath(int channel) const {
    const ChannelCurve& curve = curves_[Index(channel)];
    if (!curve.visible || curve.points.size() < 2) {
        return {};
    }
    std::vector<std::pair<int, double>> points;
    points.reserve(curve.points.size());
    for (const CurvePoint& point : curve.points) {
        points.emplace_back(point.column, point.value);
    }
    return PathThrough(points, curve.scale, curve.offset, curve.coefficient);
}

std::vector<PathStep> ScopePlot::PathThrough(const std::vector<std::pair<int, double>>& points,
                                             double scale, double offset,
                                             double coefficient) const {
    std::vector<PathStep> steps;
    const PlotGeometry g = Geometry();
    steps.reserve(points.size() + 8);
    bool started = false;
    bool inside = false;
    bool rightEdgeDrawn = false;
    int xPrev = 0;
    int yPrev = 0;
    for (const auto& [column, value] : points) {
        if (column == 0) {
            continue;
        }
        int x = g.left + column + 1;
        if (column >= g.width - 1) {
            if (rightEdgeDrawn) {
                continue;
            }
            rightEdgeDrawn = true;
            x = g.left + g.width - kRightEdgeSlack;
        }
        const int yRaw = YOf(scale, offset, coefficient, value);
        const bool in = yRaw >= g.bandTop && yRaw <= g.bandBottom;
        const int yEdge = yRaw < g.bandTop ? g.bandTop : g.bandBottom;
        const int y = in ? yRaw : yEdge;
        if (!started) {
            steps.push_back({false, x, y});
            started = true;
            inside = in;
        } else if (in) {
            steps.push_back({true, x, y});
            inside = true;
        } else if (inside) {
            // Leaving the band: the line ends where it meets the edge.
            const double share = static_cast<double>(yRaw - yEdge) / (yRaw - yPrev);
            const int xCut = x - static_cast<int>(std::trunc(share * (x - xPrev) + 1));
            steps.push_back({true, xCut, yEdge});
            steps.push_back({false, x, yEdge});
            inside = false;
        } else {
            steps.push_back({false, x, yEdge});
        }
        xPrev = x;
        yPrev = y;
    }
    return steps;
}

std::vector<PlotLabel> ScopePlot::ValueLabels() const {
    const PlotGeometry g = Geometry();
    const int L = g.left;
    const int B = g.bottom;
    const int CW = g.columnWidth;
    const int RH = g.rowHeight;
    std::vector<PlotLabel> labels;
    for (int channel = 0; channel < kChannelCount; ++channel) {
        const ChannelCurve& curve = curves_[Index(channel)];
        if (!curve.visible || curve.points.empty()) {
            continue;
        }
        const bool left = channel < 2;
        const bool upperLine = channel % 2 == 0;  // channels 1 and 3 above the grid line
        const int x1 = left ? L + 2 : L + 8 * CW;
        const int x2 = left ? L + 2 * CW : L + 10 * CW - 2;
        const LabelAlign align = left ? LabelAlign::Left : LabelAlign::Right;
        // Channels 1 and 3 just above their grid line, 2 and 4 just below it, one text line
        // high, so that no label reaches another or the time labels at the bottom.
        const int upperLineY = B - (kGridRows - 1) * RH;
        const int lowerLineY = B - RH;
        auto band = [&](int lineY) {
            return upperLine
                       ? PlotRect{x1, lineY - kLabelHeight, x2, lineY}
                       : PlotRect{x1, lineY + kLabelGap, x2, lineY + kLabelGap + kLabelHeight};
        };
        const PlotRect upper = band(upperLineY);
        const PlotRect lower = band(lowerLineY);
        labels.push_back({upper,
                          WriteFixed(kLabelRows * curve.scale - curve.offset, kLabelDecimals),
                          channel, align});
        labels.push_back({lower,
                          WriteFixed(-curve.offset - kLabelRows * curve.scale, kLabelDecimals),
                          channel, align});
    }
    return labels;
}

std::vector<PlotLabel> ScopePlot::TimeLabels() const {
    std::vector<PlotLabel> labels;
    const int channel = FirstCurveWithPoints();
    if (channel < 0) {
        return labels;
    }
    const PlotGeometry g = Geometry();
    const int L = g.left;
    const int B = g.bottom;
    const int CW = g.columnWidth;
    auto milliseconds = [this](double sample) {
        return WriteFixed(SampleMilliseconds(sample), kTimeDecimals);
    };
    auto rect = [&](int line) {  // centred on grid line 1, 3, 5, 7 or 9
        return PlotRect{L + (2 * line - 1) * CW / 2, B - 18, L + (2 * line + 1) * CW / 2, B - 5};
    };
    const auto t1 = SampleAt(channel, CW - 1);
    if (t1) {
        labels.push_back({rect(1), milliseconds(t1->sample), -1, LabelAlign::Centre});
        if (const auto t3 = SampleAt(channel, 3 * CW - 1)) {
            const double d = t3->sample - t1->sample;
            for (int i = 0; i < 4; ++i) {
                labels.push_back(
                    {rect(3 + 2 * i), milliseconds(t3->sample + i * d), -1, LabelAlign::Centre});
            }
        }
    }
    labels.push_back(
        {{L + 29 * CW / 3, B - 18, L + 10 * CW, B - 5}, "(ms)", -1, LabelAlign::Centre});
    return labels;
}

// ---- cursors ----

void ScopePlot::MoveCursor(int cursor, int position) {
    (cursor == 1 ? cursor1_ : cursor2_) = position;
}

int ScopePlot::CursorX(int cursor) const {
    return Geometry().left + CursorPosition(cursor) + 1;
}

std::optional<SampleUnder> ScopePlot::SampleAt(int channel, int column) const {
    const auto& points = curves_[Index(channel)].points;
    if (points.empty()) {
        return std::nullopt;
    }
    const CurvePoint* before = &points.front();
    for (const CurvePoint& point : points) {
        if (point.column == 0) {
            continue;
        }
        if (point.column >= column) {
            if (point.column == column || point.column == before->column) {
                return SampleUnder{point.value, static_cast<double>(point.sample)};
            }
            const double share =
                static_cast<double>(column - before->column) / (point.column - before->column);
            return SampleUnder{before->value + share * (point.value - before->value),
                               before->sample + share * (point.sample - before->sample)};
        }
        before = &point;
    }
    return std::nullopt;
}

// ---- export rows ----

void ScopePlot::BeginRows() {
    rowPosition_ = {};
}

bool ScopePlot::NextRow(int& channelMask, std::array<double, kChannelCount>& values) {
    channelMask = 0;
    for (int channel = 0; channel < kChannelCount; ++channel) {
        const auto& points = curves_[Index(channel)].points;
        std::size_t& at = rowPosition_[Index(channel)];
        if (at < points.size()) {
            channelMask |= 1 << channel;
            values[Index(channel)] = points[at].value;
            ++at;
        }
    }
    return channelMask != 0;
}

}  // namespace morlo::scope
