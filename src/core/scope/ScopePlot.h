#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "common/MessageSink.h"
#include "scope/RecordDecoder.h"
#include "scope/ScopeConstants.h"

namespace morlo::scope {

// A rectangle in the page's pixels: left, top, right, bottom.
struct PlotRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

// The plot inside its area: left edge L, bottom B, width W, height H, one of the 10 columns
// and of the 8 rows, and the band the curves are kept in.
struct PlotGeometry {
    int left = 0;
    int bottom = 0;
    int width = 0;
    int height = 0;
    int columnWidth = 0;
    int rowHeight = 0;
    int bandTop = 0;
    int bandBottom = 0;
};
PlotGeometry GeometryOf(const PlotRect& area);

inline constexpr int kGridColumns = 10;
inline constexpr int kGridRows = 8;
inline constexpr int kCursorStart1 = 230;
inline constexpr int kCursorStart2 = 650;
inline constexpr int kLayoutReserve = 4;  // columns kept free at the right end of the plot

// One sample of a curve: its number (1 for the first), its pixel column (0 = outside the
// sample window) and its raw value.
struct CurvePoint {
    int sample = 0;
    int column = 0;
    double value = 0;
};

struct ChannelCurve {
    std::vector<CurvePoint> points;
    bool visible = true;
    bool autoScale = true;
    double scale = 0;        // coefficient-scaled value per row
    double coefficient = 0;  // raw value to the display unit
    double offset = 0;
    double maximum = 0;  // of the raw values in the sample window
    double minimum = 0;
};

// One drawing step of a curve: move to or line to (x, y).
struct PathStep {
    bool line = false;
    int x = 0;
    int y = 0;
    bool operator==(const PathStep&) const = default;
};

enum class LabelAlign { Left, Right, Centre };
struct PlotLabel {
    PlotRect rect;
    std::string text;
    int channel = -1;  // -1: frame colour
    LabelAlign align = LabelAlign::Centre;
};

// A capture kept to compare with: drawn dimmed behind the live curves with their scales.
struct ReferenceCurve {
    std::string name;
    Curves values;                                    // raw values
    std::array<double, kChannelCount> coefficient{};  // raw value to the unit it was shown in
    // Its own scale and offset, used for a channel the live capture does not show.
    std::array<double, kChannelCount> scale{};
    std::array<double, kChannelCount> offset{};
    std::int32_t period = 0;  // its sampling period: it is laid out by time (0: as the live one)
    bool hidden = false;
};
inline constexpr std::size_t kReferenceLimit = 4;

// Where the record triggered: the sample after the pre-trigger samples, and the level (raw
// units of the trigger object) on the channel that records the trigger object.
struct TriggerMark {
    int sample = 1;
    bool manual = false;  // started by hand: no trigger, no level
    int channel = -1;     // the channel recording the trigger object, -1 none
    double level = 0;     // raw
};

// How far the view is zoomed and panned: the sample window and each channel's value axis.
struct PlotView {
    int first = 1;
    int last = 0;
    int span = 0;
    std::array<double, kChannelCount> scale{};
    std::array<double, kChannelCount> offset{};
    std::array<bool, kChannelCount> autoScale{};
};

// What lies under a column of a curve: a value and a sample number, interpolated between
// two points when no point is at that very column.
struct SampleUnder {
    double value = 0;
    double sample = 0;
};

// The oscilloscope's picture without a painter: curve data, the layout of the samples over
// the plot width, zoom, automatic 1-2-5 scaling, labels, cursors and the value under a cursor.
// Channels are 0-based.
class ScopePlot {
  public:
    explicit ScopePlot(PlotRect area = {}, MessageSink* messages = nullptr);

    void SetArea(PlotRect area) { area_ = area; }
    PlotRect Area() const { return area_; }
    PlotGeometry Geometry() const { return GeometryOf(area_); }

    // Curve data.
    void AddPoint(int channel, double value, int step = 1);
    void ClearCurves();
    // At each capture start: ranges 0, every curve visible and auto-scaled.
    void ResetRanges();
    const ChannelCurve& Curve(int channel) const { return curves_[Index(channel)]; }
    int SampleCount() const { return sampleCount_; }
    bool AnyNegative() const { return negative_; }

    // Channel settings.
    void SetVisible(int channel, bool on) { curves_[Index(channel)].visible = on; }
    void SetAuto(int channel, bool on) { curves_[Index(channel)].autoScale = on; }
    void SetScale(int channel, double scale) { curves_[Index(channel)].scale = scale; }
    double Scale(int channel) const { return curves_[Index(channel)].scale; }
    void SetCoefficient(int channel, double c) { curves_[Index(channel)].coefficient = c; }
    void SetOffset(int channel, double offset) { curves_[Index(channel)].offset = offset; }
    double Offset(int channel) const { return curves_[Index(channel)].offset; }
    // Moves the offset half a row up or down.
    void StepOffset(int channel, bool up);
    void SetPeriod(int period) { period_ = period; }
    int Period() const { return period_; }

    // Layout of the samples in the window, then automatic scaling.
    void Recompute();
    void Layout();
    void AutoScale();

    // Zooms to the samples between two plot columns; refuses a window of fewer than 2.
    void Zoom(int fromColumn, int toColumn);
    void ResetZoom();
    int WindowFirst() const { return windowFirst_; }
    int WindowLast() const { return windowLast_; }
    int WindowSpan() const { return windowSpan_; }

    // Drawing.
    // The y of a value, and whether it lies inside the band (else it is the nearer edge).
    int RawY(int channel, double value) const;
    std::vector<PathStep> CurvePath(int channel) const;
    std::vector<PlotLabel> ValueLabels() const;
    std::vector<PlotLabel> TimeLabels() const;

    // Cursors (1 and 2): mode 0 none, 1 one, 2 two; positions in plot columns.
    void SetCursorMode(int mode) { cursorMode_ = mode; }
    int CursorMode() const { return cursorMode_; }
    void MoveCursor(int cursor, int position);
    int CursorPosition(int cursor) const { return cursor == 1 ? cursor1_ : cursor2_; }
    int CursorX(int cursor) const;
    bool CursorShown(int cursor) const { return cursorMode_ >= cursor; }

    std::optional<SampleUnder> SampleAt(int channel, int column) const;

    // The time axis: sample numbers count from this sample (0: the first sample is one
    // period, as the plot always counted; the trigger sample: negative before it).
    void SetTimeZero(int sample) { timeZero_ = sample; }
    int TimeZero() const { return timeZero_; }
    // Milliseconds of a (fractional) sample number on the time axis.
    double SampleMilliseconds(double sample) const;

    // Trigger marks (ScopePlotOverlays.cpp).
    void SetTrigger(std::optional<TriggerMark> mark) { trigger_ = mark; }
    const std::optional<TriggerMark>& Trigger() const { return trigger_; }
    // The x of the trigger sample, when it lies in the sample window.
    std::optional<int> TriggerX() const;
    // The y of the trigger level on its channel, when the channel is drawn and the level lies
    // inside the band.
    std::optional<int> TriggerLevelY() const;

    // References (ScopePlotOverlays.cpp): at most kReferenceLimit.
    bool AddReference(ReferenceCurve reference);
    void RemoveReference(std::size_t index);
    void SetReferenceHidden(std::size_t index, bool hidden);
    const std::vector<ReferenceCurve>& References() const { return references_; }
    // The path of a reference's channel in the live sample window and the live channel's
    // scale (its own where the live channel has no curve).
    std::vector<PathStep> ReferencePath(std::size_t index, int channel) const;

    // Zoom and pan by wheel and drag (ScopePlotNavigation.cpp). Time: around a plot column,
    // factor below 1 zooms in; pan by columns. Value axis of one channel: around a y, pan by
    // pixels; that channel's auto-scaling goes off.
    PlotView View() const;
    void SetView(const PlotView& view);
    void ZoomTime(int column, double factor);
    void PanTime(int columns);
    void ZoomValue(int channel, int y, double factor);
    void PanValue(int channel, int pixels);
    // The samples the sample window can cover: the longest of the live and reference curves.
    int TotalSamples() const;

    // Export: one row per sample number, the values of the curves that still have one.
    void BeginRows();
    bool NextRow(int& channelMask, std::array<double, kChannelCount>& values);

  private:
    static std::size_t Index(int channel) { return static_cast<std::size_t>(channel); }
    int FirstCurveWithPoints() const;
    int ColumnOfSample(int sample) const;
    // The column of a position in live sample numbers, which may fall between two samples.
    int ColumnOfPosition(double position) const;
    // Live samples per sample of the reference (their periods' ratio, 1 when one is unknown).
    double ReferenceStretch(const ReferenceCurve& reference) const;
    int YOf(double scale, double offset, double coefficient, double value) const;
    // A path through (column, value) points with the band clipping of the live curves.
    std::vector<PathStep> PathThrough(const std::vector<std::pair<int, double>>& points,
                                      double scale, double offset, double coefficient) const;

    PlotRect area_;
    MessageSink* messages_;
    std::array<ChannelCurve, kChannelCount> curves_;
    int period_ = 0;
    int sampleCount_ = 0;
    int countingChannel_ = -1;
    bool negative_ = false;
    int windowFirst_ = 1;
    int windowLast_ = 0;
    int windowSpan_ = 0;
    int cursorMode_ = 0;
    int cursor1_ = kCursorStart1;
    int cursor2_ = kCursorStart2;
    std::array<std::size_t, kChannelCount> rowPosition_{};
    int timeZero_ = 0;
    std::optional<TriggerMark> trigger_;
    std::vector<ReferenceCurve> references_;
};

}  // namespace morlo::scope
