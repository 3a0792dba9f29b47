// Construction, contents, scaling and drawing of the graph engine.
#include "graph/graphengine.h"
#include "graph/recordingsurface.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <ostream>

#include <cmath>
#include <limits>
#include <vector>

namespace vexa {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;
using testing::RecordingSurface;

TEST(GraphEngineTest, ConstructionSetsDefaults) {
    CGraphEngine g(50, 10);
    int traces = 0;
    int points = 0;
    g.GetSize(traces, points);
    EXPECT_EQ(traces, 50);
    EXPECT_EQ(points, 10);
    EXPECT_EQ(g.GetXLabel(0), "0");
    EXPECT_EQ(g.GetXLabel(9), "9");
    EXPECT_EQ(g.GetTraceColor(0), 0xFF0000u);
    EXPECT_EQ(g.GetTraceColor(19), 0xFF8000u);
    EXPECT_EQ(g.GetTraceColor(20), 0xFF0000u); // colours repeat every 20 traces
    EXPECT_EQ(g.GetTraceColor(49), 0x800080u);
    EXPECT_EQ(g.GetTraceColor(50), 0u);
    EXPECT_EQ(g.GetTraceColor(-1), 0u);
    EXPECT_EQ(g.IsTraceVisible(0), 0);
    EXPECT_EQ(g.SetLink(7, -2), 7);
    EXPECT_EQ(g.GetCurrentTrace(), -1);
    EXPECT_EQ(g.GetCursorColumn(), -1);
    EXPECT_EQ(g.GetDragColumn(), -1);
    EXPECT_EQ(g.SetEditEnabled('?'), 1);
    EXPECT_EQ(g.SetLinkMode('?'), 0);
    EXPECT_EQ(g.GetCrosshairX(), -1.0f);
    EXPECT_EQ(g.GetBackgroundColor(), 0xFFFFFFu);
    EXPECT_EQ(g.GetMetrics().hitTolerance, 20);
    EXPECT_EQ(g.GetAppearance().features, 0xFFu);
}

TEST(GraphEngineTest, ResizeRejectsInvalidSizesAndKeepsTheOldArrays) {
    CGraphEngine g(3, 4);
    g.SetValue(2, 3, 7.0f);
    EXPECT_EQ(g.Resize(3, 1), 0);
    EXPECT_EQ(g.Resize(0, 10), 0);
    EXPECT_EQ(g.Resize(-1, 10), 0);
    EXPECT_EQ(g.Resize(32767, 32767), 0);
    EXPECT_EQ(g.TraceCount(), 3);
    EXPECT_EQ(g.GetValue(2, 3), 7.0f);

    g.SetLink(0, 1);
    g.SetTraceVisible(1, 1);
    g.SetPointSelected(1, 1, 1);
    ASSERT_EQ(g.Resize(5, 6), 1);
    EXPECT_EQ(g.PointCount(), 6);
    EXPECT_EQ(g.GetValue(2, 3), 0.0f);
    EXPECT_EQ(g.SetLink(0, -2), 0);
    EXPECT_EQ(g.IsTraceVisible(1), 0);
    EXPECT_EQ(g.IsPointSelected(1, 1), 0);
    EXPECT_EQ(g.GetTraceColor(1), 0u);
    EXPECT_EQ(g.GetXLabel(0), "");
}

TEST(GraphEngineTest, LabelsAndTextsAreCut) {
    CGraphEngine g(2, 4);
    g.SetXLabels(0.5, 0.25);
    EXPECT_EQ(g.GetXLabel(1), "0.75");
    g.SetXLabels(1000, 1234567.0);
    EXPECT_EQ(g.GetXLabel(1), "1.2355"); // "1.23557e+06" cut to 6 characters
    g.SetXLabel(2, "Throttle");
    EXPECT_EQ(g.GetXLabel(2), "Thrott");
    g.SetXLabel(4, "ignored");

    const std::string longName(40, 'n');
    const std::string longFormat(100, 'f');
    g.SetTraceText(1, longName, longFormat);
    EXPECT_EQ(g.GetTraceName(1), std::string(30, 'n'));
    EXPECT_EQ(g.GetCalloutFormat(1), std::string(80, 'f'));

    Rgb colour = 1;
    Rgb text = 1;
    int width = 0;
    std::string name;
    EXPECT_EQ(g.GetLegendInfo(1, colour, text, width, name), 0);
    EXPECT_EQ(text, 0xD0D0D0u);
    g.SetTraceVisible(1, 1);
    EXPECT_EQ(g.GetLegendInfo(1, colour, text, width, name), 1);
    EXPECT_EQ(colour, 0x00FF00u);
    EXPECT_EQ(text, 0x000000u);
    EXPECT_EQ(width, 2);
    EXPECT_EQ(name, std::string(30, 'n'));
}

TEST(GraphEngineTest, SetLinkValidatesBothIndices) {
    CGraphEngine g(4, 2);
    EXPECT_EQ(g.SetLink(0, 2), 2);
    EXPECT_EQ(g.SetLink(0, -2), 2);
    EXPECT_EQ(g.SetLink(0, 4), -1);
    EXPECT_EQ(g.SetLink(0, -3), -1);
    EXPECT_EQ(g.SetLink(0, -2), 2); // unchanged by the rejected calls
    EXPECT_EQ(g.SetLink(4, 1), -1);
    EXPECT_EQ(g.SetLink(-1, -2), -1);
    EXPECT_EQ(g.SetLink(0, -1), 0);
}

TEST(GraphEngineTest, VisibilityAndColoursInBulk) {
    CGraphEngine g(3, 2);
    g.SetTraceVisible(5, 1); // ignored
    const std::uint8_t flags[] = {1, 0, 1};
    g.SetAllTracesVisible(flags);
    std::uint8_t out[3] = {9, 9, 9};
    g.GetAllTracesVisible(out);
    EXPECT_THAT(out, ElementsAre(1, 0, 1));
    const Rgb colours[] = {0x111111, 0x222222};
    g.SetAllTraceColors(colours); // shorter than the trace count: the rest stays
    Rgb got[3] = {};
    g.GetAllTraceColors(got);
    EXPECT_THAT(got, ElementsAre(0x111111u, 0x222222u, 0x0000FFu));
}

TEST(GraphEngineTest, TraceRangeFollowsValues) {
    CGraphEngine g(1, 4);
    const float values[] = {3.0f, -2.5f, 8.0f, 1.0f};
    g.SetTraceValues(0, values);
    EXPECT_EQ(g.GetTraceMin(0), -2.5f);
    EXPECT_EQ(g.GetTraceMax(0), 8.0f);
    g.SetValue(0, 2, 1.0f); // ranges wait for UpdateTraceRange
    EXPECT_EQ(g.GetTraceMax(0), 8.0f);
    g.UpdateTraceRange(0);
    EXPECT_EQ(g.GetTraceMax(0), 3.0f);
}

// --- AutoScale -------------------------------------------------------------------------

struct ScaleCase {
    float low;
    float high;
    int step;
    int yMin;
    int yMax;
};

void PrintTo(const ScaleCase& c, std::ostream* os) {
    *os << c.low << ".." << c.high;
}

class AutoScaleTest : public ::testing::TestWithParam<ScaleCase> {};

TEST_P(AutoScaleTest, ChoosesStepAndAxis) {
    const ScaleCase& c = GetParam();
    CGraphEngine g(3, 10);
    g.SetPlotRect(20, 20, 500, 300);
    const float values[] = {c.low, c.high, c.low, c.low, c.low, c.low, c.low, c.low, c.low, c.high};
    g.SetTraceValues(1, values);
    g.SetTraceVisible(1, 1);
    g.SetTraceValues(0, std::vector<float>(10, 1e6f)); // hidden: ignored
    RecordingSurface s;
    g.AutoScale(s);
    EXPECT_EQ(g.GetScale().yStep, c.step) << c.low << ".." << c.high;
    EXPECT_EQ(g.GetScale().yMin, c.yMin) << c.low << ".." << c.high;
    EXPECT_EQ(g.GetScale().yMax, c.yMax) << c.low << ".." << c.high;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AutoScaleTest,
    ::testing::Values(
        // The documented examples.
        ScaleCase{0, 100, 25, 0, 125}, ScaleCase{37, 41, 1, 36, 42}, ScaleCase{10, 60, 10, 0, 70},
        ScaleCase{35, 50, 5, 30, 55}, ScaleCase{-7, 3, 5, -10, 5}, ScaleCase{-10, 10, 5, -15, 15},
        ScaleCase{37, 60, 5, 30, 65},
        // Spans on either side of each step boundary (8 divisions, axis from 0).
        ScaleCase{0, 7.9f, 1, 0, 8}, ScaleCase{0, 8, 5, 0, 10}, ScaleCase{0, 39.5f, 5, 0, 40},
        ScaleCase{0, 40, 10, 0, 50}, ScaleCase{0, 79, 10, 0, 80}, ScaleCase{0, 80, 25, 0, 100},
        ScaleCase{0, 199, 25, 0, 200}, ScaleCase{0, 200, 50, 0, 250}, ScaleCase{0, 399, 50, 0, 400},
        ScaleCase{0, 400, 100, 0, 500}, ScaleCase{0, 799, 100, 0, 800},
        ScaleCase{0, 800, 250, 0, 1000}, ScaleCase{0, 1999, 250, 0, 2000},
        ScaleCase{0, 2000, 500, 0, 2500}, ScaleCase{0, 3999, 500, 0, 4000},
        ScaleCase{0, 4000, 1000, 0, 5000}, ScaleCase{0, 7999, 1000, 0, 8000},
        ScaleCase{0, 8000, 2500, 0, 10000}, ScaleCase{0, 19999, 2500, 0, 20000},
        ScaleCase{0, 20000, 5000, 0, 25000}, ScaleCase{0, 32767, 5000, 0, 35000},
        ScaleCase{0, 39999, 5000, 0, 40000}, ScaleCase{0, 40000, 10000, 0, 50000},
        ScaleCase{0, 79999, 10000, 0, 80000}, ScaleCase{0, 80000, 25000, 0, 100000},
        // At and beyond the largest step: values are held at +-99999.
        ScaleCase{-99999, 99999, 25000, -100000, 100000},
        ScaleCase{-1e30f, 1e30f, 25000, -100000, 100000}, ScaleCase{0, 3e9f, 25000, 0, 100000},
        ScaleCase{-32768, 32767, 10000, -40000, 40000},
        // A value of the lower bound that is exactly a multiple still gets a step below.
        ScaleCase{-100, -100, 1, -101, -99}));

TEST(AutoScaleTest, NoVisibleTraceGivesAxisZeroToOne) {
    CGraphEngine g(2, 10);
    g.SetPlotRect(20, 20, 500, 300);
    g.SetTraceValues(0, std::vector<float>(10, 50.0f));
    RecordingSurface s;
    g.Draw(s);
    EXPECT_EQ(g.GetScale().yStep, 1);
    EXPECT_EQ(g.GetScale().yMin, 0);
    EXPECT_EQ(g.GetScale().yMax, 1);
    std::vector<std::string> yLabels;
    for (const std::string& call : s.Matching("TextOut 22,"))
        yLabels.push_back(call.substr(call.find('"')));
    EXPECT_THAT(yLabels, ElementsAre("\"0\"", "\"1\""));
}

TEST(AutoScaleTest, NaNValuesDoNotBreakTheScale) {
    CGraphEngine g(1, 2);
    g.SetPlotRect(0, 0, 200, 100);
    g.SetValue(0, 0, std::numeric_limits<float>::quiet_NaN());
    g.SetValue(0, 1, 10.0f);
    g.UpdateTraceRange(0);
    g.SetTraceVisible(0, 1);
    RecordingSurface s;
    g.Draw(s);
    EXPECT_GT(g.GetScale().yMax, g.GetScale().yMin);
}

TEST(AutoScaleTest, DegeneratePlotRectangleDrawsWithoutFault) {
    // Zero-sized plots give zero or negative scales; drawing and hit testing must stay
    // defined (sanitizer build).
    CGraphEngine g(2, 10);
    g.SetPlotRect(0, 0, 0, 0);
    g.SetTraceVisible(0, 1);
    g.SetTraceValues(0, std::vector<float>(10, 3.0f));
    RecordingSurface s;
    g.Draw(s);
    g.SetCrosshair(4.0f, 3.0f);
    g.DrawCrosshair(s);
    int t = 0;
    int c = 0;
    g.HitTest(0, 0, t, c);
    g.OnMouseDown(0, 0, 0);
    g.OnMouseMove(1, 0, -100);
    g.OnMouseUp(0, 0, 0);
    SUCCEED();
}

// --- Drawing ---------------------------------------------------------------------------

// Two traces of three points on a 200 x 100 plot at (20, 20): axis 0..25 in steps of 5,
// xScale 91.5, yScale 3.32, origin (41, 103).
class GraphDrawTest : public ::testing::Test {
protected:
    GraphDrawTest() : g(2, 3) {
        g.MeasureLabels(s);
        g.SetPlotRect(20, 20, 200, 100);
        const float rising[] = {0.0f, 10.0f, 20.0f};
        const float flat[] = {5.0f, 5.0f, 5.0f};
        g.SetTraceValues(0, rising);
        g.SetTraceValues(1, flat);
        g.SetTraceVisible(0, 1);
        g.SetTraceVisible(1, 1);
    }
    CGraphEngine g;
    RecordingSurface s;
};

TEST_F(GraphDrawTest, FullDrawOrderAndCoordinates) {
    g.SetPointSelected(1, 1, 1);
    g.Draw(s);
    EXPECT_EQ(g.GetScale().xOrigin, 41);
    EXPECT_EQ(g.GetScale().yOrigin, 103);
    EXPECT_FLOAT_EQ(g.GetScale().xScale, 91.5f);
    EXPECT_FLOAT_EQ(g.GetScale().yScale, 3.32f);
    EXPECT_THAT(
        s.calls,
        ElementsAreArray<std::string>(
            {// Label strips under and left of the plot.
             "Pen solid 1 000000", "Brush 000000", "Rectangle 20,104-230,120",
             "Rectangle 20,13-41,120", "Brush FFFFFF",
             // Vertical grid with ticks, x labels.
             "Align centre-top", "TextColor FFFFFF", "Bk transparent", "Pen solid 1 D0D0D0",
             "MoveTo 41,108", "LineTo 41,20", "TextOut 41,109 \"0\"", "MoveTo 132,108",
             "LineTo 132,20", "TextOut 132,109 \"1\"", "MoveTo 224,108", "LineTo 224,20",
             "TextOut 224,109 \"2\"",
             // Horizontal grid and y labels, bottom up.
             "Align left-bottom", "MoveTo 36,103", "LineTo 225,103", "TextOut 22,108 \"0\"",
             "MoveTo 36,87", "LineTo 225,87", "TextOut 22,92 \"5\"", "MoveTo 36,70",
             "LineTo 225,70", "TextOut 22,75 \"10\"", "MoveTo 36,54", "LineTo 225,54",
             "TextOut 22,59 \"15\"", "MoveTo 36,37", "LineTo 225,37", "TextOut 22,42 \"20\"",
             "MoveTo 36,20", "LineTo 225,20", "TextOut 22,25 \"25\"", "Pen solid 1 000000",
             // Trace 1 first (highest index), its selected point 1 marked after the
             // segment that leaves it.
             "Brush 0080FF", "Pen geometric 2 00FF00", "MoveTo 41,87", "LineTo 132,87",
             "LineTo 224,87", "Pen solid 1 00FF00", "Ellipse 127,82-137,92",
             "Pen geometric 2 00FF00",
             // Then trace 0.
             "Brush 0080FF", "Pen geometric 2 FF0000", "MoveTo 41,103", "LineTo 132,70",
             "LineTo 224,37",
             // Pen and brush restored.
             "Pen solid 1 000000", "Brush FFFFFF"}));
    EXPECT_EQ(s.CurrentPen(), Pen{});
    EXPECT_EQ(s.CurrentBrush(), Brush{});
}

TEST_F(GraphDrawTest, CurrentTraceIsDrawnLast) {
    CGraphEngine many(4, 3);
    many.SetPlotRect(20, 20, 200, 100);
    for (int t = 0; t < 4; ++t) {
        many.SetTraceValues(t, std::vector<float>{1.0f, 2.0f, 3.0f});
        many.SetTraceVisible(t, t != 2);
    }
    RecordingSurface first;
    many.Draw(first);
    // Page Down from no current trace makes trace 0 current.
    many.OnKey(kGraphKeyPageDown, 1, 0);
    ASSERT_EQ(many.GetCurrentTrace(), 0);
    many.OnKey(kGraphKeyPageUp, 1, 0);
    ASSERT_EQ(many.GetCurrentTrace(), 1);
    RecordingSurface second;
    many.Draw(second);
    EXPECT_THAT(
        first.Matching("Pen geometric"),
        ElementsAre("Pen geometric 2 FF00FF", "Pen geometric 2 00FF00", "Pen geometric 2 FF0000"));
    EXPECT_THAT(second.Matching("Pen geometric"),
                ElementsAre("Pen geometric 2 FF00FF", "Pen geometric 2 FF0000",
                            "Pen geometric 2 00FF00", "Pen geometric 2 00FF00"));
}

TEST_F(GraphDrawTest, CompanionsAreDashedUnderTheirShownTracesAndCountInTheAxis) {
    const float compared[] = {0.0f, 20.0f, 40.0f};
    g.SetCompanionValues(0, compared);
    g.SetCompanionValues(1, std::vector<float>(3, 1000.0f));
    g.SetTraceVisible(1, 0); // its companion goes with it, from the picture and the axis
    g.Draw(s);
    EXPECT_EQ(g.GetScale().yMax, 50);
    EXPECT_THAT(s.Matching("Pen dashed"), ElementsAre("Pen dashed 2 FF0000"));
    const std::vector<std::string> pens = s.Matching("Pen ");
    EXPECT_THAT(std::vector<std::string>(pens.end() - 4, pens.end()),
                ElementsAre("Pen dashed 2 FF0000", "Pen solid 1 000000", "Pen geometric 2 FF0000",
                            "Pen solid 1 000000"));
    const auto dashed = std::find(s.calls.begin(), s.calls.end(), "Pen dashed 2 FF0000");
    ASSERT_NE(dashed, s.calls.end());
    EXPECT_THAT(std::vector<std::string>(dashed + 1, dashed + 4),
                ElementsAre("MoveTo 41,103", "LineTo 132,70", "LineTo 224,37"));
    EXPECT_EQ(g.GetCompanionValue(0, 2), 40.0f);
    EXPECT_EQ(s.CurrentPen(), Pen{});

    // Companions are drawn from the highest trace down, like the traces.
    g.SetTraceVisible(1, 1);
    g.SetCompanionValues(1, std::vector<float>(3, 5.0f));
    RecordingSurface both;
    g.Draw(both);
    EXPECT_THAT(both.Matching("Pen dashed"),
                ElementsAre("Pen dashed 2 00FF00", "Pen dashed 2 FF0000"));

    g.ClearCompanions();
    EXPECT_EQ(g.HasCompanion(0), 0);
    RecordingSurface after;
    g.Draw(after);
    EXPECT_TRUE(after.Matching("Pen dashed").empty());
    EXPECT_EQ(g.GetScale().yMax, 25);
}

TEST_F(GraphDrawTest, FeatureFlagsLeaveOutTheirParts) {
    const GraphAppearance d;
    g.SetAppearance(d.yDivisions, d.xLabelStep, 0x00, d.axisTextColour, d.labelStripColour,
                    d.gridColour, d.plotBackgroundColour, d.markerFillColour, d.calloutTextColour,
                    d.calloutBackgroundColour, d.legendTextColourShown, d.legendTextColourHidden,
                    d.crosshairColour);
    g.Draw(s);
    EXPECT_THAT(s.Matching("Rectangle"), IsEmpty());
    EXPECT_THAT(s.Matching("TextOut"), IsEmpty());
    EXPECT_EQ(s.Matching("LineTo").size(), 4u); // the two traces only
    EXPECT_FALSE(g.SetCallout(0, 1));
    EXPECT_FALSE(g.SetCrosshair(1.0f, 5.0f));
}

TEST_F(GraphDrawTest, XLabelStepSkipsLabelsAndGridLines) {
    const GraphAppearance d;
    g.SetAppearance(d.yDivisions, 2, d.features, d.axisTextColour, d.labelStripColour, d.gridColour,
                    d.plotBackgroundColour, d.markerFillColour, d.calloutTextColour,
                    d.calloutBackgroundColour, d.legendTextColourShown, d.legendTextColourHidden,
                    d.crosshairColour);
    g.Draw(s);
    EXPECT_THAT(s.Matching("TextOut 41,109"), ElementsAre("TextOut 41,109 \"0\""));
    EXPECT_THAT(s.Matching("TextOut 132,109"), IsEmpty());
    EXPECT_THAT(s.Matching("TextOut 224,109"), ElementsAre("TextOut 224,109 \"2\""));
    EXPECT_THAT(s.Matching("LineTo 132,20"), IsEmpty());
    EXPECT_EQ(s.Matching("LineTo 224,20").size(), 1u);
}

TEST_F(GraphDrawTest, CrosshairInvertsADiscAndDrawsArmsAndCircle) {
    g.Draw(s);
    ASSERT_TRUE(g.SetCrosshair(1.5f, 10.0f));
    s.calls.clear();
    g.DrawCrosshair(s);
    // cx = trunc(91.5 x 1.5) + 41 = 178, cy = Y(10) = 70, radius 20.
    EXPECT_THAT(
        s.calls,
        ElementsAreArray<std::string>(
            {"Pen solid 2 FFFFFF", "Brush FFFFFF", "Xor on", "Ellipse 159,51-197,89", "Xor off",
             "Pen dotted 5 0000FF", "MoveTo 190,70", "LineTo 238,70", "MoveTo 166,70",
             "LineTo 118,70", "MoveTo 178,82", "LineTo 178,130", "MoveTo 178,58", "LineTo 178,10",
             "Pen solid 2 0000FF", "FullArc 158,50-198,90", "Pen solid 1 000000", "Brush FFFFFF"}));
}

TEST_F(GraphDrawTest, CrosshairCircleStaysRedWhateverTheArmColour) {
    const GraphAppearance d;
    g.SetAppearance(d.yDivisions, d.xLabelStep, d.features, d.axisTextColour, d.labelStripColour,
                    d.gridColour, 0x101010, d.markerFillColour, d.calloutTextColour,
                    d.calloutBackgroundColour, d.legendTextColourShown, d.legendTextColourHidden,
                    0x00FF00);
    g.Draw(s);
    g.SetCrosshair(0.0f, 0.0f);
    s.calls.clear();
    g.DrawCrosshair(s);
    EXPECT_THAT(s.Matching("Pen"), ElementsAre("Pen solid 2 101010", "Pen dotted 5 00FF00",
                                               "Pen solid 2 0000FF", "Pen solid 1 000000"));
    EXPECT_THAT(s.Matching("Brush"), ElementsAre("Brush 101010", "Brush FFFFFF"));
}

TEST(CrosshairTest, SetCrosshairRules) {
    CGraphEngine g(1, 10);
    EXPECT_FALSE(g.SetCrosshair(-1.0f, 5.0f)); // hiding a hidden crosshair
    EXPECT_EQ(g.GetCrosshairY(), -1.0f);
    EXPECT_TRUE(g.SetCrosshair(2.0f, 30.0f));
    EXPECT_FALSE(g.SetCrosshair(2.0f, 30.0f));
    EXPECT_FALSE(g.SetCrosshair(-1000.0f, -1000.0f));
    EXPECT_FALSE(g.SetCrosshair(2.0f, -1000.0f));
    EXPECT_TRUE(g.SetCrosshair(-1000.0f, 40.0f)); // moves only the vertical position
    EXPECT_EQ(g.GetCrosshairX(), 2.0f);
    EXPECT_EQ(g.GetCrosshairY(), 40.0f);
    EXPECT_TRUE(g.SetCrosshair(3.5f, -1000.0f));
    EXPECT_EQ(g.GetCrosshairX(), 3.5f);
    EXPECT_EQ(g.GetCrosshairY(), 40.0f);
    EXPECT_TRUE(g.SetCrosshair(-1.0f, 0.0f));
    EXPECT_EQ(g.GetCrosshairX(), -1.0f);
    EXPECT_EQ(g.GetCrosshairY(), -1.0f);
    EXPECT_FALSE(g.SetCrosshair(-1.0f, 0.0f));
}

TEST(CrosshairTest, HiddenCrosshairIsNotDrawnEvenWithY) {
    CGraphEngine g(1, 10);
    g.SetPlotRect(0, 0, 300, 200);
    RecordingSurface s;
    g.Draw(s);
    EXPECT_TRUE(g.SetCrosshair(-1000.0f, 0.5f));
    s.calls.clear();
    g.DrawCrosshair(s);
    EXPECT_THAT(s.calls, IsEmpty());
}

TEST_F(GraphDrawTest, CalloutFormatsFiveArgumentsAndDrawsTheLeader) {
    g.SetTraceText(0, "Line", "%s: %.1f (%s) %d/%d");
    g.SetStoredValueCallback([](int trace, int point) { return trace * 100 + point + 45; });
    g.Draw(s);
    ASSERT_TRUE(g.SetCallout(0, 2));
    s.calls.clear();
    g.DrawCallout(s);
    // Stored value 47, rounded to 50; text "2: 20.0 (2) 50/47" is 17 x 6 = 102 wide.
    EXPECT_THAT(s.calls,
                ElementsAreArray<std::string>(
                    {"Brush 0080FF", "Pen solid 3 00FFFF", "TextColor 000000", "BkColor 00FFFF",
                     "Bk opaque", "Align left-bottom", "MoveTo 144,20", "LineTo 224,37",
                     "Pen solid 1 000000", "LineTo 144,20", "TextOut 42,20 \"2: 20.0 (2) 50/47\"",
                     "Pen solid 1 000000", "Brush FFFFFF"}));
    EXPECT_EQ(g.GetCalloutTrace(), -1);
    s.calls.clear();
    g.DrawCallout(s); // the request lives for one paint
    EXPECT_THAT(s.calls, IsEmpty());
}

TEST_F(GraphDrawTest, CalloutMarksASelectedPoint) {
    g.SetTraceText(1, "Flat", "%s");
    g.SetPointSelected(1, 0, 1);
    g.Draw(s);
    g.SetCallout(1, 0);
    s.calls.clear();
    g.DrawCallout(s);
    EXPECT_THAT(s.Matching("Ellipse"), ElementsAre("Ellipse 36,82-46,92"));
    EXPECT_THAT(s.Matching("Pen"),
                ElementsAre("Pen solid 3 00FFFF", "Pen solid 1 000000", "Pen solid 1 00FF00",
                            "Pen solid 1 000000", "Pen solid 1 000000"));
}

TEST_F(GraphDrawTest, CalloutRoundsNegativeStoredValuesTowardZero) {
    g.SetTraceText(0, "", "%s %g %s %d %d");
    g.SetStoredValueCallback([](int, int) { return -17; });
    g.Draw(s);
    g.SetCallout(0, 1);
    s.calls.clear();
    g.DrawCallout(s);
    EXPECT_THAT(s.Matching("TextOut"), ElementsAre("TextOut 42,20 \"1 10 1 -10 -17\""));
}

TEST_F(GraphDrawTest, CalloutWithoutStoredValueSourceUsesTheRoundedValue) {
    g.SetValue(0, 1, 12.5f);
    g.SetTraceText(0, "", "%s %g %s %d %d");
    g.Draw(s);
    g.SetCallout(0, 1);
    s.calls.clear();
    g.DrawCallout(s);
    EXPECT_THAT(s.Matching("TextOut"), ElementsAre("TextOut 42,20 \"1 12.5 1 10 13\""));
}

class UnsafeCalloutTest : public GraphDrawTest,
                          public ::testing::WithParamInterface<const char*> {};

TEST_P(UnsafeCalloutTest, DrawsNothingAndClearsTheRequest) {
    g.SetTraceText(0, "Line", GetParam());
    g.Draw(s);
    ASSERT_TRUE(g.SetCallout(0, 1));
    s.calls.clear();
    g.DrawCallout(s);
    EXPECT_THAT(s.calls, IsEmpty());
    EXPECT_EQ(g.GetCalloutTrace(), -1);
}

INSTANTIATE_TEST_SUITE_P(Formats, UnsafeCalloutTest,
                         ::testing::Values("", "%d", "%s %f %n", "%s %s %s", "%s %f %s %d %d %d",
                                           "%s %Lf", "%300s", "%1$s"));

TEST_F(GraphDrawTest, CalloutForAPointOutsideTheGraphIsDropped) {
    g.SetTraceText(0, "", "%s");
    g.Draw(s);
    ASSERT_TRUE(g.SetCallout(0, 3));
    s.calls.clear();
    g.DrawCallout(s);
    EXPECT_THAT(s.calls, IsEmpty());
    ASSERT_TRUE(g.SetCallout(-1, 0));
    g.DrawCallout(s);
    EXPECT_THAT(s.calls, IsEmpty());
}

TEST(GraphCurveGraphTest, DocumentSideForwardsToTheEngine) {
    CGraphEngine g(3, 2);
    GraphEngineCurveGraph view(g);
    CurveGraph& graph = view;
    graph.SetTraceVisible(2, true);
    graph.SetValue(2, 1, 4.5);
    graph.UpdateTraceRange(2);
    graph.SetLink(2, 0);
    EXPECT_EQ(g.IsTraceVisible(2), 1);
    EXPECT_EQ(g.GetTraceMax(2), 4.5f);
    EXPECT_EQ(g.SetLink(2, -2), 0);
}

} // namespace
} // namespace vexa
