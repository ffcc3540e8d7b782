#include <gtest/gtest.h>

#include "scope/ScaleText.h"
#include "scope/ScopePlot.h"

namespace morlo::scope {
namespace {

// The plot area of the page at 96 dpi in Chinese.
constexpr PlotRect kArea{0, 18, 902, 368};

ScopePlot PlotWith(const std::vector<double>& values, int channel = 0, double coefficient = 1) {
    ScopePlot plot(kArea);
    for (double v : values) {
        plot.AddPoint(channel, v);
    }
    plot.SetCoefficient(channel, coefficient);
    plot.ResetZoom();
    plot.Recompute();
    return plot;
}

std::vector<double> Ramp(int count, double from = 0, double step = 1) {
    std::vector<double> values;
    for (int i = 0; i < count; ++i) {
        values.push_back(from + i * step);
    }
    return values;
}

TEST(ScopePlotGeometry, DerivesFromTheArea) {
    const PlotGeometry g = GeometryOf(kArea);
    EXPECT_EQ(g.left, 9);
    EXPECT_EQ(g.bottom, 366);
    EXPECT_EQ(g.width, 882);
    EXPECT_EQ(g.height, 345);
    EXPECT_EQ(g.columnWidth, 88);
    EXPECT_EQ(g.rowHeight, 43);
    EXPECT_EQ(g.bandTop, 22);
    EXPECT_EQ(g.bandBottom, 364);
}

TEST(ScopePlotLayout, ThousandSamplesOverTheChinesePlotWidth) {
    ScopePlot plot = PlotWith(Ramp(1000));
    const auto& points = plot.Curve(0).points;
    ASSERT_EQ(points.size(), 1000u);
    EXPECT_EQ(plot.SampleCount(), 1000);
    EXPECT_EQ(points[0].sample, 1);
    EXPECT_EQ(points[0].column, 1);
    EXPECT_EQ(points[1].column, 1);  // step 0.878
    EXPECT_EQ(points[999].sample, 1000);
    EXPECT_EQ(points[999].column, 878);
    EXPECT_EQ(plot.Curve(0).minimum, 0);
    EXPECT_EQ(plot.Curve(0).maximum, 999);
}

TEST(ScopePlotLayout, FewerThanTwoSamplesLeaveTheColumnsAlone) {
    ScopePlot plot = PlotWith({5});
    EXPECT_EQ(plot.Curve(0).points[0].column, 0);
    EXPECT_TRUE(plot.CurvePath(0).empty());  // a curve of one point is not drawn
}

TEST(ScopePlotScaling, OneTwoFiveRuleAndLabels) {
    ScopePlot plot = PlotWith({0, 350, 700});
    EXPECT_DOUBLE_EQ(plot.Scale(0), 200);
    EXPECT_DOUBLE_EQ(plot.Offset(0), -350);
    const auto labels = plot.ValueLabels();
    ASSERT_EQ(labels.size(), 2u);
    EXPECT_EQ(labels[0].text, "950.000000");
    EXPECT_EQ(labels[1].text, "-250.000000");
    const PlotGeometry g = plot.Geometry();
    EXPECT_EQ(labels[0].rect.top, g.bottom - 7 * g.rowHeight - 15);
    EXPECT_EQ(labels[0].align, LabelAlign::Left);

    // The coefficient scales what the rule sees: 0..700 raw at 0.1 per unit is 0..70.
    ScopePlot scaled = PlotWith({0, 700}, 2, 0.1);
    EXPECT_DOUBLE_EQ(scaled.Scale(2), 20);
    EXPECT_DOUBLE_EQ(scaled.Offset(2), -35);
    EXPECT_EQ(scaled.ValueLabels()[0].align, LabelAlign::Right);
}

TEST(ScopePlotScaling, RoundsUpByTheFirstSignificantDigit) {
    EXPECT_DOUBLE_EQ(RoundUpOneTwoFive(116.67), 200);
    EXPECT_DOUBLE_EQ(RoundUpOneTwoFive(250), 500);
    EXPECT_DOUBLE_EQ(RoundUpOneTwoFive(600), 1000);
    EXPECT_DOUBLE_EQ(RoundUpOneTwoFive(1.5), 2);
    EXPECT_DOUBLE_EQ(RoundUpOneTwoFive(3), 5);
    EXPECT_DOUBLE_EQ(RoundUpOneTwoFive(7), 10);
    EXPECT_DOUBLE_EQ(RoundUpOneTwoFive(0.0123), 0.02);
    EXPECT_DOUBLE_EQ(RoundUpOneTwoFive(0.3), 0.5);
    EXPECT_DOUBLE_EQ(RoundUpOneTwoFive(0.07), 0.1);
    EXPECT_DOUBLE_EQ(RoundUpOneTwoFive(0.0000001), 1e-6);
}

TEST(ScopePlotScaling, FlatCurveAndZeroScale) {
    ScopePlot flat = PlotWith({42, 42, 42}, 1, 2);
    EXPECT_DOUBLE_EQ(flat.Scale(1), 1e-6);
    EXPECT_DOUBLE_EQ(flat.Offset(1), -84);
    // Values equal to the centre line are drawn on it.
    const PlotGeometry g = flat.Geometry();
    const int centre = g.bottom - g.height / 2 - 1;
    for (const PathStep& step : flat.CurvePath(1)) {
        EXPECT_EQ(step.y, centre);
    }

    // A channel neither auto-scaled nor given a scale draws flat instead of dividing by 0.
    ScopePlot plot(kArea);
    plot.SetAuto(0, false);
    for (double v : {1.0, 1000.0, -1000.0}) {
        plot.AddPoint(0, v);
    }
    plot.SetCoefficient(0, 1);
    plot.ResetZoom();
    plot.Recompute();
    EXPECT_EQ(plot.Scale(0), 0);
    for (const PathStep& step : plot.CurvePath(0)) {
        EXPECT_EQ(step.y, centre);
    }
}

TEST(ScopePlotDrawing, ValuesBeyondTheBandAreCutAtItsEdge) {
    ScopePlot plot(kArea);
    plot.SetAuto(0, false);
    plot.SetCoefficient(0, 1);
    plot.SetScale(0, 1);  // one row per unit: 5 rows up is inside, 10 beyond the top
    for (double v : {0.0, 2.0, 10.0, 10.0, 0.0}) {
        plot.AddPoint(0, v);
    }
    plot.ResetZoom();
    plot.Layout();
    const PlotGeometry g = plot.Geometry();
    const auto path = plot.CurvePath(0);
    ASSERT_EQ(path.size(), 6u);
    EXPECT_FALSE(path[0].line);
    EXPECT_TRUE(path[1].line);
    // The exit: a line that ends on the band's top edge, then a move to the point's column.
    EXPECT_TRUE(path[2].line);
    EXPECT_EQ(path[2].y, g.bandTop);
    EXPECT_LT(path[2].x, path[3].x);
    EXPECT_GT(path[2].x, path[1].x);
    EXPECT_EQ(path[3], (PathStep{false, path[3].x, g.bandTop}));
    EXPECT_EQ(path[4], (PathStep{false, path[4].x, g.bandTop}));  // still beyond: moves only
    EXPECT_TRUE(path[5].line);  // back inside: joined from the edge
    EXPECT_EQ(plot.RawY(0, 10), g.bottom - g.height / 2 - 10 * g.rowHeight - 1);
}

TEST(ScopePlotDrawing, HiddenAndEmptyChannelsHaveNoLabels) {
    ScopePlot plot = PlotWith(Ramp(10));
    plot.SetVisible(0, false);
    EXPECT_TRUE(plot.ValueLabels().empty());
    EXPECT_TRUE(plot.CurvePath(0).empty());
}

TEST(ScopePlotDrawing, TimeLabelsInMillisecondsAtOddGridLines) {
    ScopePlot plot = PlotWith(Ramp(1000));
    plot.SetPeriod(16);  // 1 ms per sample
    const auto labels = plot.TimeLabels();
    ASSERT_EQ(labels.size(), 6u);
    // Column 87 (one column width less one) holds sample 100.
    EXPECT_EQ(labels[0].text, "100.0000");
    EXPECT_EQ(labels[5].text, "(ms)");
    const PlotGeometry g = plot.Geometry();
    EXPECT_EQ(labels[0].rect.left, g.left + g.columnWidth / 2);
    EXPECT_EQ(labels[4].rect.right, g.left + 19 * g.columnWidth / 2);
}

TEST(ScopePlotZoom, DragLeftToRightZoomsAndResetRestores) {
    ScopePlot plot = PlotWith(Ramp(1000));
    plot.Zoom(438, 878);  // the right half: sample 499 is the first at column 438 or more
    EXPECT_EQ(plot.WindowFirst(), 499);
    EXPECT_EQ(plot.WindowLast(), 1000);
    EXPECT_EQ(plot.WindowSpan(), 501);
    plot.Recompute();
    const auto& points = plot.Curve(0).points;
    EXPECT_EQ(points[497].column, 0);
    EXPECT_EQ(points[498].column, 1);
    EXPECT_EQ(points[999].column, 879);  // the span counts from the first point on
    EXPECT_EQ(plot.Curve(0).minimum, 498);
    EXPECT_EQ(plot.Curve(0).maximum, 999);

    plot.ResetZoom();
    plot.Recompute();
    EXPECT_EQ(plot.WindowFirst(), 1);
    EXPECT_EQ(plot.WindowLast(), 1000);
    EXPECT_EQ(points[0].column, 1);
    EXPECT_EQ(points[999].column, 878);

    // Starting near the left edge the window starts at the first sample.
    plot.Zoom(1, 100);
    EXPECT_EQ(plot.WindowFirst(), 1);
    // A window of fewer than two samples is refused.
    plot.ResetZoom();
    plot.Recompute();
    plot.Zoom(500, 501);
    EXPECT_EQ(plot.WindowSpan(), 1000);
}

TEST(ScopePlotCursors, SampleUnderAColumnIsInterpolated) {
    ScopePlot plot = PlotWith(Ramp(1000, 0, 2));
    // Sample 100 sits at column 87, sample 101 at 88.
    auto at = plot.SampleAt(0, 87);
    ASSERT_TRUE(at);
    EXPECT_DOUBLE_EQ(at->sample, 100);
    EXPECT_DOUBLE_EQ(at->value, 198);
    // Columns 1: samples 1 and 2; the first at the column wins.
    at = plot.SampleAt(0, 1);
    EXPECT_DOUBLE_EQ(at->sample, 1);
    EXPECT_FALSE(plot.SampleAt(0, 900));  // no point that far
    EXPECT_FALSE(plot.SampleAt(1, 10));   // no curve

    ScopePlot sparse = PlotWith({0, 100, 200});  // columns 1, 585, 878
    at = sparse.SampleAt(0, 293);
    ASSERT_TRUE(at);
    EXPECT_NEAR(at->value, 50, 0.2);
    EXPECT_NEAR(at->sample, 1.5, 0.01);

    plot.MoveCursor(1, 300);
    EXPECT_EQ(plot.CursorX(1), plot.Geometry().left + 301);
    EXPECT_EQ(plot.CursorPosition(2), kCursorStart2);
    plot.SetCursorMode(1);
    EXPECT_TRUE(plot.CursorShown(1));
    EXPECT_FALSE(plot.CursorShown(2));
}

TEST(ScopePlotRows, ExportRowsStopPerCurve) {
    ScopePlot plot(kArea);
    plot.AddPoint(0, 1);
    plot.AddPoint(0, 2);
    plot.AddPoint(2, -3);
    plot.BeginRows();
    int mask = 0;
    std::array<double, kChannelCount> values{};
    ASSERT_TRUE(plot.NextRow(mask, values));
    EXPECT_EQ(mask, 0b101);
    EXPECT_EQ(values[2], -3);
    ASSERT_TRUE(plot.NextRow(mask, values));
    EXPECT_EQ(mask, 0b1);
    EXPECT_FALSE(plot.NextRow(mask, values));
    EXPECT_EQ(plot.SampleCount(), 2);  // counted on the first channel that got a point
    EXPECT_TRUE(plot.AnyNegative());
    plot.ClearCurves();
    EXPECT_EQ(plot.SampleCount(), 0);
    EXPECT_FALSE(plot.AnyNegative());
}

TEST(ScaleText, ParseFormatAndStep) {
    EXPECT_DOUBLE_EQ(ParseScaleText("2e-6"), 2e-6);
    EXPECT_DOUBLE_EQ(ParseScaleText("5e0"), 5);
    EXPECT_DOUBLE_EQ(ParseScaleText("1e3"), 1000);
    EXPECT_DOUBLE_EQ(ParseScaleText("3e2"), 1e-6);  // not a 1-2-5 mantissa
    EXPECT_DOUBLE_EQ(ParseScaleText("1e"), 1e-6);
    EXPECT_EQ(FormatScaleText(0.000002), "2e-6");
    EXPECT_EQ(FormatScaleText(5), "5e0");
    EXPECT_EQ(FormatScaleText(20), "2e1");
    EXPECT_EQ(FormatScaleText(0.5), "5e-1");
    EXPECT_EQ(FormatScaleText(0), "1e-6");

    EXPECT_EQ(StepScaleText("5e-1", true), "1e0");
    EXPECT_EQ(StepScaleText("1e0", true), "2e0");
    EXPECT_EQ(StepScaleText("2e0", true), "5e0");
    EXPECT_EQ(StepScaleText("1e-6", false), "1e-6");
    EXPECT_EQ(StepScaleText("1e0", false), "5e-1");
    EXPECT_EQ(StepScaleText("5e0", false), "2e0");
    EXPECT_EQ(StepScaleText("2e0", false), "1e0");
    EXPECT_EQ(StepScaleText("junk", true), "2e-6");
}

TEST(ScaleText, OffsetStepsHalfARow) {
    ScopePlot plot(kArea);
    plot.SetScale(3, 2);
    plot.StepOffset(3, true);
    EXPECT_DOUBLE_EQ(plot.Offset(3), 1);
    plot.StepOffset(3, false);
    plot.StepOffset(3, false);
    EXPECT_DOUBLE_EQ(plot.Offset(3), -1);
}

// No label reaches another one, in any of the page's plot areas, with all four channels.
TEST(ScopePlotLabels, NeverOverlap) {
    const PlotRect areas[] = {
        {0, 18, 902, 368}, {0, 18, 1002, 368}, {0, 24, 1154, 480}, {0, 20, 1250, 460}};
    auto overlap = [](const PlotRect& a, const PlotRect& b) {
        return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
    };
    for (const PlotRect& area : areas) {
        SCOPED_TRACE(area.right);
        ScopePlot plot(area);
        for (int channel = 0; channel < kChannelCount; ++channel) {
            for (double v : Ramp(1000, -500.0 * channel, channel + 1.0)) {
                plot.AddPoint(channel, v);
            }
            plot.SetCoefficient(channel, 1);
        }
        plot.SetPeriod(16);
        plot.ResetZoom();
        plot.Recompute();
        std::vector<PlotLabel> labels = plot.ValueLabels();
        const std::vector<PlotLabel> times = plot.TimeLabels();
        ASSERT_EQ(labels.size(), 8u);
        ASSERT_EQ(times.size(), 6u);
        labels.insert(labels.end(), times.begin(), times.end());
        const PlotGeometry g = plot.Geometry();
        for (std::size_t i = 0; i < labels.size(); ++i) {
            const PlotRect& r = labels[i].rect;
            EXPECT_GE(r.left, g.left);
            EXPECT_LE(r.right, g.left + g.width);
            EXPECT_GE(r.top, g.bottom - g.height);
            EXPECT_LE(r.bottom, g.bottom);
            for (std::size_t j = i + 1; j < labels.size(); ++j) {
                EXPECT_FALSE(overlap(r, labels[j].rect))
                    << labels[i].text << " (channel " << labels[i].channel << ") and "
                    << labels[j].text << " (channel " << labels[j].channel << ")";
            }
        }
    }
}

TEST(ScaleText, SamplingPeriodTexts) {
    EXPECT_EQ(PeriodText(15), "937.5us");
    EXPECT_EQ(PeriodText(16), "1.00ms");
    EXPECT_EQ(PeriodText(15999), "999.94ms");
    EXPECT_EQ(PeriodText(16000), "1.00s");
    EXPECT_EQ(PeriodText(16001), "1.00s");
    EXPECT_EQ(PeriodText(1), "62.5us");
    EXPECT_FALSE(PeriodText(-1));
}

}  // namespace
}  // namespace morlo::scope
