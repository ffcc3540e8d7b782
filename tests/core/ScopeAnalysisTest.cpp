// Measurements, trigger marks, references, zoom and pan, and the engineering table.

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "scope/ScopeCapture.h"
#include "scope/ScopeMeasure.h"
#include "scope/ScopePlot.h"
#include "scope/ScopeTable.h"
#include "text/NumberIo.h"

namespace morlo::scope {
namespace {

constexpr PlotRect kArea{0, 18, 902, 368};  // the page at 96 dpi in Chinese

std::vector<double> Sine(int count, double amplitude, double periods, double offset = 0) {
    std::vector<double> values;
    for (int i = 0; i < count; ++i) {
        values.push_back(offset + amplitude * std::sin(2 * std::numbers::pi * periods * i / count));
    }
    return values;
}

ScopePlot PlotOf(const std::vector<double>& values, int period = 16) {
    ScopePlot plot(kArea);
    for (double v : values) {
        plot.AddPoint(0, v);
    }
    plot.SetCoefficient(0, 1);
    plot.SetPeriod(period);
    plot.ResetZoom();
    plot.Recompute();
    return plot;
}

TEST(ScopeMeasure, FiguresOfKnownSignalsInTheDisplayUnit) {
    struct Case {
        const char* what;
        std::vector<double> raw;
        double coefficient;
        double min, max, mean, rms;
    };
    const double a = 1500;  // raw amplitude
    const Case cases[] = {
        {"sine, 8 whole periods", Sine(4000, a, 8), 0.01, -15, 15, 0, 15 / std::sqrt(2.0)},
        {"sine on an offset", Sine(4000, a, 5, 500), 0.01, -10, 20, 5,
         std::sqrt(25 + 15.0 * 15 / 2)},
        {"square wave", {-3, 3, -3, 3}, 2, -6, 6, 0, 6},
        {"one sample", {-7}, 1, -7, -7, -7, 7},
        {"negative coefficient", {1, 2, 3}, -1, -3, -1, -2, std::sqrt(14.0 / 3)},
    };
    for (const Case& c : cases) {
        const auto m = Measure(c.raw, c.coefficient);
        ASSERT_TRUE(m) << c.what;
        EXPECT_EQ(m->count, c.raw.size()) << c.what;
        EXPECT_NEAR(m->minimum, c.min, 1e-9) << c.what;
        EXPECT_NEAR(m->maximum, c.max, 1e-9) << c.what;
        EXPECT_NEAR(m->mean, c.mean, 1e-9) << c.what;
        EXPECT_NEAR(m->rms, c.rms, 1e-6) << c.what;
        EXPECT_NEAR(m->peakToPeak, c.max - c.min, 1e-9) << c.what;
    }
    EXPECT_FALSE(Measure({}, 1));
    // The table shows six significant digits (the copy keeps every digit).
    const std::pair<double, const char*> shown[] = {
        {102713, "102713"},          {3099.597561, "3099.6"},         {-47.424240, "-47.4242"},
        {1234567890, "1.23457e+09"}, {0.000012345678, "1.23457e-05"}, {0, "0"}};
    for (const auto& [value, text] : shown) {
        EXPECT_EQ(WriteSignificant(value, kMeasureDigits), text);
    }
}

TEST(ScopeMeasure, BetweenTheCursorsOrTheWholeRecord) {
    // A ramp 1..1000 at 1 ms per sample.
    std::vector<double> ramp;
    for (int i = 1; i <= 1000; ++i) {
        ramp.push_back(i);
    }
    ScopePlot plot = PlotOf(ramp);
    const SampleRange whole = MeasuredRange(plot, 0);
    EXPECT_EQ(whole.first, 1);
    EXPECT_EQ(whole.last, 1000);
    EXPECT_FALSE(CursorSpanOf(plot, 0));  // no cursors: no time between them

    plot.SetCursorMode(1);  // one cursor still measures the whole record
    EXPECT_EQ(MeasuredRange(plot, 0).last, 1000);

    plot.SetCursorMode(2);
    plot.MoveCursor(1, 439);  // cursor 2 left of cursor 1: the range is the same
    plot.MoveCursor(2, 88);
    const SampleRange between = MeasuredRange(plot, 0);
    const auto left = plot.SampleAt(0, 88);
    const auto right = plot.SampleAt(0, 439);
    ASSERT_TRUE(left && right);
    EXPECT_EQ(between.first, std::lround(left->sample));
    EXPECT_EQ(between.last, std::lround(right->sample));
    const auto values = SamplesIn(plot.Curve(0), between);
    ASSERT_EQ(values.size(), static_cast<std::size_t>(between.last - between.first + 1));
    EXPECT_EQ(values.front(), between.first);  // the ramp's value is its sample number
    const auto span = CursorSpanOf(plot, 0);
    ASSERT_TRUE(span && span->hertz);
    EXPECT_NEAR(span->seconds, (right->sample - left->sample) * 1e-3, 1e-12);
    EXPECT_NEAR(*span->hertz, 1 / span->seconds, 1e-9);

    plot.MoveCursor(2, 439);  // both on one instant: no frequency
    const auto none = CursorSpanOf(plot, 0);
    ASSERT_TRUE(none);
    EXPECT_EQ(none->seconds, 0);
    EXPECT_FALSE(none->hertz);
}

TEST(ScopeTrigger, MarkFromTheSettingsTheRecordStartedWith) {
    RecordLayout layout;
    layout.slotValues[0] = 0x60770010;           // channel 1: torque, 16 bits
    layout.slotValues[kWideSlotB] = 0x606C0020;  // channel 4 (owner flag clear): velocity
    layout.channelSigned = {true, false, false, true};
    struct Case {
        const char* what;
        std::int32_t pointerOffset, samples;
        std::uint32_t trigger;
        std::int32_t level;
        int sample, channel;
        bool manual;
        double rawLevel;
    };
    const Case cases[] = {
        {"pre-trigger of 100 on channel 1", 100, 1000, 0x60770010, -200, 101, 0, false, -200},
        {"32-bit trigger object on the wide slot", 0, 500, 0x606C0020, 3000, 1, 3, false, 3000},
        {"manual start: the record begins there", 100, 1000, 0, 0, 1, -1, true, 0},
        {"pre-trigger beyond the record", 5000, 300, 0x60770010, 1, 300, 0, false, 1},
        {"object not recorded: no level line", 10, 300, 0x60640020, 7, 11, -1, false, 7},
    };
    for (const Case& c : cases) {
        RecorderMirror settings;
        settings.pointerOffset = c.pointerOffset;
        settings.samples = c.samples;
        settings.triggerObject = c.trigger;
        settings.triggerLevel = c.level;
        const TriggerMark mark = TriggerMarkOf(settings, layout);
        EXPECT_EQ(mark.sample, c.sample) << c.what;
        EXPECT_EQ(mark.channel, c.channel) << c.what;
        EXPECT_EQ(mark.manual, c.manual) << c.what;
        EXPECT_EQ(mark.level, c.rawLevel) << c.what;
    }
    // Where the drive reports the trigger (early: fewer samples before it), within the record.
    const TriggerMark at101{101, false, 0, 5};
    EXPECT_EQ(AtDriveTriggerIndex(at101, 3, 1000).sample, 4);
    EXPECT_EQ(AtDriveTriggerIndex(at101, 5000, 1000).sample, 1000);
    EXPECT_EQ(AtDriveTriggerIndex(at101, -2, 1000).sample, 1);
    EXPECT_EQ(AtDriveTriggerIndex({1, true, -1, 0}, 7, 1000).sample, 1);  // by hand: no trigger
    // An unsigned trigger object's level is the unsigned 32-bit pattern.
    layout.channelSigned = {};
    RecorderMirror settings;
    settings.triggerObject = 0x60770010;
    settings.triggerLevel = -1;
    EXPECT_EQ(TriggerMarkOf(settings, layout).level, 4294967295.0);
}

TEST(ScopeTrigger, MarkerLevelLineAndTimeAxisOnThePlot) {
    ScopePlot plot = PlotOf(Sine(1000, 1000, 4));
    plot.SetTrigger(TriggerMark{101, false, 0, 500});
    const PlotGeometry g = plot.Geometry();
    // Sample 101 of 1000 over 878 columns: column 101 * 878 / 1000 = 88.
    ASSERT_TRUE(plot.TriggerX());
    EXPECT_EQ(*plot.TriggerX(), g.left + 88 + 1);
    ASSERT_TRUE(plot.TriggerLevelY());
    EXPECT_EQ(*plot.TriggerLevelY(), plot.RawY(0, 500));
    // Hidden channel, manual start, trigger outside a zoomed window: no marks.
    plot.SetVisible(0, false);
    EXPECT_FALSE(plot.TriggerLevelY());
    plot.SetVisible(0, true);
    plot.SetTrigger(TriggerMark{101, true, -1, 0});
    EXPECT_TRUE(plot.TriggerX());
    EXPECT_FALSE(plot.TriggerLevelY());
    plot.Zoom(400, 800);
    EXPECT_FALSE(plot.TriggerX());
    plot.ResetZoom();
    plot.Recompute();

    // Time axis from the first sample (one period for sample 1), or from the trigger.
    EXPECT_EQ(plot.SampleMilliseconds(1), 1);
    plot.SetTimeZero(101);
    EXPECT_EQ(plot.SampleMilliseconds(1), -100);
    EXPECT_EQ(plot.SampleMilliseconds(101), 0);
    const auto labels = plot.TimeLabels();
    ASSERT_GE(labels.size(), 2u);
    EXPECT_EQ(labels.front().text.front(), '-');  // the first label lies before the trigger
}

TEST(ScopeReference, SurvivesANewCaptureWithTheLiveScales) {
    ScopePlot plot = PlotOf(Sine(1000, 100, 2));
    ReferenceCurve reference;
    reference.name = "before the gain change";
    reference.values[0] = plot.Curve(0).points.empty() ? std::vector<double>{} : Sine(1000, 100, 2);
    reference.coefficient[0] = 1;
    reference.scale[0] = plot.Scale(0);
    reference.offset[0] = plot.Offset(0);
    ASSERT_TRUE(plot.AddReference(reference));
    // Identical data on the same scales: the same path as the live curve.
    EXPECT_EQ(plot.ReferencePath(0, 0), plot.CurvePath(0));
    EXPECT_TRUE(plot.ReferencePath(0, 1).empty());  // a channel it has no data for

    // A new capture of twice the amplitude: the reference stays, drawn with the new scale.
    plot.ClearCurves();
    plot.ResetRanges();
    for (double v : Sine(1000, 200, 2)) {
        plot.AddPoint(0, v);
    }
    plot.ResetZoom();
    plot.Recompute();
    ASSERT_EQ(plot.References().size(), 1u);
    const auto path = plot.ReferencePath(0, 0);
    ASSERT_FALSE(path.empty());
    int high = path.front().y;
    for (const PathStep& step : path) {
        high = std::min(high, step.y);
    }
    EXPECT_EQ(high, plot.RawY(0, 100));  // its top is at 100 on the live channel's scale

    // Hidden, removed, and at most four.
    plot.SetReferenceHidden(0, true);
    EXPECT_TRUE(plot.ReferencePath(0, 0).empty());
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(plot.AddReference(reference));
    }
    EXPECT_FALSE(plot.AddReference(reference));
    plot.RemoveReference(0);
    EXPECT_EQ(plot.References().size(), 3u);
    EXPECT_FALSE(plot.References()[0].hidden);

    // Laid out by time: a reference sampled at twice the period reaches twice as far.
    ScopePlot timed = PlotOf(Sine(1000, 100, 2), 16);
    reference.values[0] = Sine(400, 100, 1);
    reference.period = 32;
    timed.AddReference(reference);
    const auto stretched = timed.ReferencePath(0, 0);
    ASSERT_FALSE(stretched.empty());
    EXPECT_EQ(stretched.back().x, timed.Geometry().left + 800 * 878 / 1000 + 1);
    reference.period = 0;

    // A reference longer than the live curve widens the sample window.
    ScopePlot empty(kArea);
    reference.values[0] = Sine(300, 10, 1);
    empty.AddReference(reference);
    empty.ResetZoom();
    EXPECT_EQ(empty.WindowLast(), 300);
    EXPECT_FALSE(empty.ReferencePath(0, 0).empty());  // drawn with its own scale
}

TEST(ScopeNavigation, WheelZoomPanAndViewsToGoBackTo) {
    ScopePlot plot = PlotOf(Sine(1000, 100, 2));
    const PlotView whole = plot.View();
    const int usable = plot.Geometry().width - kLayoutReserve;
    // Zooming in at the middle keeps the middle sample there.
    plot.ZoomTime(usable / 2, 0.5);
    EXPECT_NEAR(plot.WindowFirst(), 250, 2);
    EXPECT_NEAR(plot.WindowLast(), 750, 2);
    // Panning right by a quarter of the width moves the window left by a quarter of it.
    const int first = plot.WindowFirst();
    plot.PanTime(usable / 4);
    EXPECT_NEAR(plot.WindowFirst(), first - 125, 2);
    // Never beyond the record; never fewer than two samples.
    plot.PanTime(10 * usable);
    EXPECT_EQ(plot.WindowFirst(), 1);
    for (int i = 0; i < 20; ++i) {
        plot.ZoomTime(0, 0.1);
    }
    EXPECT_GE(plot.WindowLast() - plot.WindowFirst(), 2);
    plot.ZoomTime(usable, 1000);
    EXPECT_EQ(plot.WindowFirst(), 1);
    EXPECT_EQ(plot.WindowLast(), 1000);

    // The value axis of one channel: the value under the mouse stays there.
    const int y = plot.RawY(0, 50);
    plot.ZoomValue(0, y, 0.5);
    EXPECT_FALSE(plot.Curve(0).autoScale);
    EXPECT_NEAR(plot.RawY(0, 50), y, 1);
    EXPECT_DOUBLE_EQ(plot.Scale(0), whole.scale[0] * 0.5);
    const int before = plot.RawY(0, 0);
    plot.PanValue(0, 30);  // dragged down by 30 pixels
    EXPECT_NEAR(plot.RawY(0, 0), before + 30, 1);

    // Back to the view kept before.
    plot.SetView(whole);
    EXPECT_EQ(plot.WindowFirst(), 1);
    EXPECT_EQ(plot.WindowLast(), 1000);
    EXPECT_DOUBLE_EQ(plot.Scale(0), whole.scale[0]);
    EXPECT_TRUE(plot.Curve(0).autoScale);
}

TEST(ScopeTable, HeaderTimeColumnAndValuesInTheirUnits) {
    Curves curves;
    curves[0] = {1000, -2000, 3};
    curves[2] = {-1, 65535};
    curves[3] = {5};  // not shown
    std::array<TableChannel, kChannelCount> channels{};
    channels[0] = {true, "Torque actual value", "%", 0.1, 0};
    channels[2] = {true, "Digital inputs, raw", "HEX", 1, 4};
    struct Case {
        int period;
        int timeZero;
        const char* expected;
    };
    const Case cases[] = {
        {16, 0,
         "time_ms,Torque actual value [%],\"Digital inputs, raw [HEX]\"\n"
         "1,100,FFFF\n2,-200,FFFF\n3,0.3,\n"},
        {1, 2,
         "time_ms,Torque actual value [%],\"Digital inputs, raw [HEX]\"\n"
         "-0.0625,100,FFFF\n0,-200,FFFF\n0.0625,0.3,\n"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(WriteScopeTable(curves, channels, c.period, c.timeZero), c.expected) << c.period;
    }
    EXPECT_EQ(WriteScopeTable(Curves{}, {}, 16), "time_ms\n");
}

}  // namespace
}  // namespace morlo::scope
