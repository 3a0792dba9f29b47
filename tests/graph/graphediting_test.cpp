// Editing the graph through its event operations: hit test, selection with modifiers,
// drags, keys, link rings and the value adjusters.
#include "graph/graphengine.h"
#include "graph/recordingsurface.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <ostream>

#include <algorithm>
#include <array>
#include <cmath>
#include <string>
#include <vector>

namespace vexa {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using testing::RecordingSurface;

// Three visible traces of 10 points on a plot where X(p) = 47 + 60 p and Y(v) = 620 - 2 v
// (axis 0..300 in steps of 50). Trace 0 rises 10, 20, ... 100; trace 1 is 150 except 40
// at point 3 (equal to trace 0) and 95 at point 8; trace 2 is 250; trace 3 is hidden.
class GraphEditTest : public ::testing::Test {
protected:
    GraphEditTest() : g(4, 10) {
        g.MeasureLabels(s);
        g.SetPlotRect(20, 20, 563, 617);
        std::vector<float> rising(10);
        for (int p = 0; p < 10; ++p)
            rising[static_cast<std::size_t>(p)] = 10.0f + 10.0f * static_cast<float>(p);
        std::vector<float> middle(10, 150.0f);
        middle[3] = 40.0f;
        middle[8] = 95.0f;
        g.SetTraceValues(0, rising);
        g.SetTraceValues(1, middle);
        g.SetTraceValues(2, std::vector<float>(10, 250.0f));
        g.SetTraceValues(3, std::vector<float>(10, 120.0f));
        for (int t = 0; t < 3; ++t)
            g.SetTraceVisible(t, 1);
        Redraw();
    }

    void Redraw() {
        s.calls.clear();
        g.Draw(s);
    }
    static int X(int p) { return 47 + 60 * p; }
    static int Y(float v) { return 620 - static_cast<int>(std::lround(2.0f * v)); }
    int Press(int modifiers, int trace, int point, int dy = 0) {
        return g.OnMouseDown(modifiers, X(point), Y(g.GetValue(trace, point)) + dy);
    }
    // Selected points as "trace:point".
    std::vector<std::string> Selected() const {
        std::vector<std::string> out;
        for (int t = 0; t < g.TraceCount(); ++t)
            for (int p = 0; p < g.PointCount(); ++p)
                if (g.IsPointSelected(t, p))
                    out.push_back(std::to_string(t) + ":" + std::to_string(p));
        return out;
    }

    CGraphEngine g;
    RecordingSurface s;
};

TEST_F(GraphEditTest, FixtureScale) {
    EXPECT_EQ(g.GetScale().yMax, 300);
    EXPECT_EQ(g.GetScale().yStep, 50);
    EXPECT_FLOAT_EQ(g.GetScale().xScale, 60.0f);
    EXPECT_FLOAT_EQ(g.GetScale().yScale, 2.0f);
    EXPECT_EQ(g.PointX(3.0f), X(3));
    EXPECT_EQ(g.ValueY(40.0f), Y(40.0f));
}

TEST_F(GraphEditTest, EqualValuesGrabTheCurrentTraceOrElseTheLowerIndex) {
    EXPECT_EQ(Press(0, 0, 3), 1);
    EXPECT_EQ(g.GetCurrentTrace(), 0);
    Press(0, 1, 0);
    ASSERT_EQ(g.GetCurrentTrace(), 1);
    Press(0, 1, 3); // same value as trace 0: the current trace wins
    EXPECT_EQ(g.GetCurrentTrace(), 1);
    Press(0, 2, 0);
    Press(0, 1, 3); // neither is current: the lower index wins
    EXPECT_EQ(g.GetCurrentTrace(), 0);
    EXPECT_THAT(Selected(), ElementsAre("0:3"));
}

TEST_F(GraphEditTest, NearestTraceWinsAndTiesGoToTheLowerIndex) {
    // Column 8: trace 0 at 90, trace 1 at 95, both within 20 pixels.
    int trace = -1;
    int column = -1;
    ASSERT_EQ(g.HitTest(X(8), Y(93.0f), trace, column), 1);
    EXPECT_EQ(trace, 1);
    EXPECT_EQ(column, 8);
    ASSERT_EQ(g.HitTest(X(8), Y(92.5f), trace, column), 1);
    EXPECT_EQ(trace, 0);
    g.SetTraceVisible(0, 0);
    ASSERT_EQ(g.HitTest(X(8), Y(92.5f), trace, column), 1);
    EXPECT_EQ(trace, 1); // hidden traces are never hit
}

struct MissCase {
    int dx;
    int dy;
    bool hit;
};

void PrintTo(const MissCase& c, std::ostream* os) {
    *os << "(" << c.dx << ", " << c.dy << ")";
}

class GraphHitToleranceTest : public GraphEditTest,
                              public ::testing::WithParamInterface<MissCase> {};

TEST_P(GraphHitToleranceTest, PressesBeyondTwentyPixelsMissAndKeepTheSelection) {
    Press(0, 2, 5);
    const MissCase& c = GetParam();
    const int result = g.OnMouseDown(0, X(3) + c.dx, Y(40.0f) + c.dy);
    EXPECT_EQ(result, c.hit ? 1 : 0);
    if (c.hit) {
        EXPECT_THAT(Selected(), ElementsAre("0:3"));
        EXPECT_EQ(g.GetDragColumn(), 3);
    } else {
        EXPECT_THAT(Selected(), ElementsAre("2:5"));
        EXPECT_EQ(g.GetDragColumn(), -1);
        EXPECT_EQ(g.GetCurrentTrace(), 2);
    }
}

INSTANTIATE_TEST_SUITE_P(Offsets, GraphHitToleranceTest,
                         ::testing::Values(MissCase{20, 0, true}, MissCase{-20, 0, true},
                                           MissCase{21, 0, false}, MissCase{-21, 0, false},
                                           MissCase{0, 20, true}, MissCase{0, -20, true},
                                           MissCase{0, 21, false}, MissCase{0, -21, false},
                                           MissCase{-3 * 60 - 21, 0, false},
                                           MissCase{6 * 60 + 40, 0, false}));

TEST_F(GraphEditTest, PlainPressSelectsOnePointAndPreparesTheDrag) {
    Press(0, 0, 1);
    Press(kGraphCtrl, 2, 4);
    ASSERT_THAT(Selected(), ElementsAre("0:1", "2:4"));
    // 3 pixels below point (0, 5) at value 60.
    EXPECT_EQ(Press(0, 0, 5, 3), 1);
    EXPECT_THAT(Selected(), ElementsAre("0:5"));
    EXPECT_EQ(g.GetCurrentTrace(), 0);
    EXPECT_EQ(g.GetCursorColumn(), 5);
    EXPECT_EQ(g.GetDragColumn(), 5);
    EXPECT_FLOAT_EQ(g.GetPointerValue(), 58.5f);
    EXPECT_EQ(g.GetDragOffset(), 3);
    EXPECT_EQ(g.GetCalloutTrace(), 0);
    EXPECT_EQ(g.GetCalloutPoint(), 5);
    EXPECT_EQ(g.IsMultiSelection(), 0);
    EXPECT_EQ(g.HasSelection(0), 1);
    EXPECT_EQ(g.HasSelection(2), 0);
}

TEST_F(GraphEditTest, PressOnASelectedPointKeepsTheSelectionForTheDrag) {
    Press(0, 0, 1);
    Press(kGraphCtrl, 2, 4);
    Press(0, 2, 4);
    EXPECT_THAT(Selected(), ElementsAre("0:1", "2:4"));
    EXPECT_EQ(g.IsMultiSelection(), 1);
}

TEST_F(GraphEditTest, CtrlClickOnASelectedPointDeselectsItAndStartsNoDrag) {
    Press(0, 0, 1);
    Press(kGraphCtrl, 1, 2);
    g.SetCallout(-1, -1);
    g.OnMouseUp(0, 0, 0);
    EXPECT_EQ(Press(kGraphCtrl, 1, 2), 1);
    EXPECT_THAT(Selected(), ElementsAre("0:1"));
    EXPECT_EQ(g.GetDragColumn(), -1);
    EXPECT_EQ(g.GetCursorColumn(), -1);
    EXPECT_EQ(g.GetCalloutTrace(), -1);
    EXPECT_EQ(g.HasSelection(1), 0);
    EXPECT_EQ(g.OnMouseMove(1, X(2), Y(100.0f)), 0);
    EXPECT_EQ(g.GetValue(1, 2), 150.0f);
}

TEST_F(GraphEditTest, ShiftClickSelectsTheColumnSpanInEveryTraceWithASelection) {
    Press(0, 0, 2);
    Press(kGraphCtrl, 1, 4);
    Press(kGraphShift, 0, 6);
    EXPECT_THAT(Selected(),
                ElementsAre("0:2", "0:3", "0:4", "0:5", "0:6", "1:2", "1:3", "1:4", "1:5", "1:6"));
    // Spans reach left as well.
    Press(0, 2, 7);
    Press(kGraphShift, 2, 5);
    EXPECT_THAT(Selected(), ElementsAre("2:5", "2:6", "2:7"));
}

// An adjuster like the document's: internal units 0..255 equal to display units, stored
// values kept beside the graph.
struct DocumentLikeAdjuster {
    std::array<std::array<int, 10>, 4> stored{};
    std::vector<std::string> calls;

    float operator()(int t, int p, float proposed, std::int16_t& delta) {
        calls.push_back(std::to_string(t) + ":" + std::to_string(p) + " " +
                        std::to_string(static_cast<int>(proposed)) + " " + std::to_string(delta));
        int& s = stored[static_cast<std::size_t>(t)][static_cast<std::size_t>(p)];
        int raw = 0;
        if (delta == 0) {
            raw = std::clamp(static_cast<int>(proposed), 0, 255);
            delta = static_cast<std::int16_t>(raw - s);
        } else {
            raw = std::clamp(s + delta, 0, 255);
        }
        s = raw;
        return static_cast<float>(raw);
    }
};

TEST_F(GraphEditTest, DragMovesEverySelectedPointByTheSameStepsWithinLimits) {
    DocumentLikeAdjuster doc;
    for (int t = 0; t < 4; ++t)
        for (int p = 0; p < 10; ++p)
            doc.stored[static_cast<std::size_t>(t)][static_cast<std::size_t>(p)] =
                static_cast<int>(g.GetValue(t, p));
    g.SetAdjustCallback([&doc](int t, int p, float v, std::int16_t& d) { return doc(t, p, v, d); });

    Press(0, 0, 1);             // 20
    Press(kGraphCtrl, 2, 0);    // 250
    Press(kGraphCtrl, 0, 5, 2); // 60, grabbed 2 pixels low
    ASSERT_EQ(g.GetDragOffset(), 2);
    const int pressY = Y(60.0f) + 2;

    EXPECT_EQ(g.OnMouseMove(1, X(5), pressY - 10), 1); // up by 5 units
    EXPECT_EQ(g.GetValue(0, 5), 65.0f);
    EXPECT_EQ(g.GetValue(0, 1), 25.0f);
    EXPECT_EQ(g.GetValue(2, 0), 255.0f);
    EXPECT_EQ(g.OnMouseMove(1, X(5), pressY - 40), 1); // 20 units above the press
    EXPECT_EQ(g.GetValue(0, 5), 80.0f);
    EXPECT_EQ(g.GetValue(0, 1), 40.0f);
    EXPECT_EQ(g.GetValue(2, 0), 255.0f); // held at the limit
    EXPECT_EQ(g.GetCalloutPoint(), 5);
    EXPECT_THAT(doc.calls, ElementsAre("0:5 65 0", "0:1 20 5", "2:0 250 5", "0:5 80 0", "0:1 25 15",
                                       "2:0 255 15"));
    EXPECT_EQ(g.GetValue(1, 5), 150.0f); // unselected points stay
}

TEST_F(GraphEditTest, AxesRescaleOnReleaseNotDuringTheDrag) {
    Press(0, 2, 0);
    g.OnMouseMove(1, X(0), Y(310.0f));
    EXPECT_EQ(g.GetValue(2, 0), 310.0f);
    EXPECT_EQ(g.GetTraceMax(2), 250.0f);
    Redraw();
    EXPECT_EQ(g.GetScale().yMax, 300);
    g.OnMouseUp(0, X(0), Y(310.0f));
    EXPECT_EQ(g.GetDragColumn(), -1);
    EXPECT_EQ(g.GetTraceMax(2), 310.0f);
    Redraw();
    EXPECT_EQ(g.GetScale().yMax, 350);
    EXPECT_EQ(g.OnMouseMove(1, X(0), Y(200.0f)), 0); // no drag after the release
}

TEST_F(GraphEditTest, DragProposalsAreLimitedTo16Bits) {
    std::vector<float> proposals;
    g.SetAdjustCallback([&proposals](int, int, float v, std::int16_t&) {
        proposals.push_back(v);
        return v;
    });
    Press(0, 2, 0);
    g.OnMouseMove(1, X(0), -70000);
    g.OnMouseMove(1, X(0), 70000);
    EXPECT_THAT(proposals, ElementsAre(32767.0f, -32768.0f));
}

TEST_F(GraphEditTest, OtherPointsKeepTheirStepWhenOneIsHeldAtALimit) {
    // Default adjuster: point 0 sits at 0 and cannot go lower, point 1 must still move.
    g.SetValue(0, 0, 0.0f);
    g.SetValue(0, 1, 40.0f);
    Press(0, 0, 0);
    Press(kGraphCtrl, 0, 1);
    Press(kGraphCtrl, 0, 2); // 30
    g.OnMouseMove(1, X(2), Y(15.0f));
    EXPECT_EQ(g.GetValue(0, 2), 15.0f);
    EXPECT_EQ(g.GetValue(0, 0), 0.0f);
    EXPECT_EQ(g.GetValue(0, 1), 25.0f);
}

struct AdjustCase {
    float old;
    float proposed;
    int deltaIn;
    float result;
    int deltaOut;
};

void PrintTo(const AdjustCase& c, std::ostream* os) {
    *os << "old " << c.old << " proposed " << c.proposed << " delta " << c.deltaIn;
}

class DefaultAdjusterTest : public ::testing::TestWithParam<AdjustCase> {};

TEST_P(DefaultAdjusterTest, TruncatesAddsAndLimits) {
    const AdjustCase& c = GetParam();
    CGraphEngine g(1, 2);
    g.SetValue(0, 1, c.old);
    auto delta = static_cast<std::int16_t>(c.deltaIn);
    EXPECT_EQ(g.AdjustValue(0, 1, c.proposed, delta), c.result);
    EXPECT_EQ(delta, c.deltaOut);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DefaultAdjusterTest,
    ::testing::Values(AdjustCase{10, 15.7f, 0, 15, 5}, AdjustCase{10.6f, 20, 0, 20, 9},
                      AdjustCase{10, 10, 3, 13, 3}, AdjustCase{2, 2, -5, 0, -2},
                      AdjustCase{32765, 32765, 10, 32767, 2}, AdjustCase{0, -5.9f, 0, 0, 0},
                      AdjustCase{100, 1e9f, 0, 32767, 32667}));

TEST_F(GraphEditTest, UpAndDownStepEverySelectedPoint) {
    Press(0, 0, 2);          // 30
    Press(kGraphCtrl, 1, 7); // 150
    g.OnKey(kGraphKeyUp, 3, 0);
    EXPECT_EQ(g.GetValue(0, 2), 33.0f);
    EXPECT_EQ(g.GetValue(1, 7), 153.0f);
    EXPECT_EQ(g.GetTraceMax(1), 153.0f); // ranges follow key steps at once
    g.OnKey(kGraphKeyUp, 1, kGraphShift);
    EXPECT_EQ(g.GetValue(0, 2), 38.0f);
    g.OnKey(kGraphKeyDown, 2, kGraphShift);
    EXPECT_EQ(g.GetValue(0, 2), 28.0f);
    g.OnKey(kGraphKeyUp, -4, 0); // wheel notches downwards
    EXPECT_EQ(g.GetValue(0, 2), 24.0f);
    EXPECT_EQ(g.GetValue(1, 7), 144.0f);
    EXPECT_EQ(g.GetValue(0, 3), 40.0f);
    EXPECT_EQ(g.GetCalloutTrace(), 1);
    EXPECT_EQ(g.GetCalloutPoint(), 7);
}

struct CursorCase {
    int key;
    int count;
    int modifiers;
    std::vector<std::string> selected;
    int cursor;
};

void PrintTo(const CursorCase& c, std::ostream* os) {
    *os << "key " << c.key << " x" << c.count << " modifiers " << c.modifiers;
}

class GraphCursorKeyTest : public GraphEditTest,
                           public ::testing::WithParamInterface<CursorCase> {};

TEST_P(GraphCursorKeyTest, MovesTheCursorFromPointFive) {
    Press(0, 0, 5);
    const CursorCase& c = GetParam();
    g.OnKey(c.key, c.count, c.modifiers);
    EXPECT_EQ(g.GetCursorColumn(), c.cursor);
    EXPECT_THAT(Selected(), ElementsAreArray(c.selected));
    EXPECT_EQ(g.GetCalloutPoint(), c.cursor);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, GraphCursorKeyTest,
    ::testing::Values(
        CursorCase{kGraphKeyLeft, 1, 0, {"0:4"}, 4}, CursorCase{kGraphKeyRight, 1, 0, {"0:6"}, 6},
        CursorCase{kGraphKeyLeft, 3, 0, {"0:2"}, 2}, CursorCase{kGraphKeyLeft, 9, 0, {"0:0"}, 0},
        CursorCase{kGraphKeyRight, 9, 0, {"0:9"}, 9}, CursorCase{kGraphKeyHome, 1, 0, {"0:0"}, 0},
        CursorCase{kGraphKeyEnd, 1, 0, {"0:9"}, 9},
        CursorCase{kGraphKeyRight, 2, kGraphCtrl, {"0:5", "0:7"}, 7},
        CursorCase{kGraphKeyRight, 2, kGraphShift, {"0:5", "0:6", "0:7"}, 7},
        CursorCase{kGraphKeyHome, 1, kGraphShift, {"0:0", "0:1", "0:2", "0:3", "0:4", "0:5"}, 0}));

TEST_F(GraphEditTest, ShiftArrowsSpanEveryTraceWithASelection) {
    Press(0, 0, 5);
    Press(kGraphCtrl, 2, 5);
    g.OnKey(kGraphKeyLeft, 1, kGraphShift);
    EXPECT_THAT(Selected(), ElementsAre("0:4", "0:5", "2:4", "2:5"));
}

TEST(GraphCursorTest, WithoutCursorOrSelectionLeftGoesToTheLastPointAndRightToTheFirst) {
    CGraphEngine g(3, 10);
    g.SetTraceVisible(1, 1);
    g.OnKey(kGraphKeyLeft, 1, 0);
    EXPECT_EQ(g.GetCurrentTrace(), 1); // the lowest visible trace
    EXPECT_EQ(g.GetCursorColumn(), 9);
    EXPECT_EQ(g.IsPointSelected(1, 9), 1);

    CGraphEngine h(3, 10);
    h.SetTraceVisible(2, 1);
    h.OnKey(kGraphKeyRight, 1, 0);
    EXPECT_EQ(h.GetCursorColumn(), 0);
    EXPECT_EQ(h.IsPointSelected(2, 0), 1);

    CGraphEngine none(3, 10);
    none.OnKey(kGraphKeyRight, 1, 0);
    EXPECT_EQ(none.GetCurrentTrace(), -1);
    EXPECT_EQ(none.GetCursorColumn(), -1);
}

TEST_F(GraphEditTest, WithoutCursorArrowsStartFromTheSelectionEdges) {
    Press(0, 0, 5);
    Press(kGraphCtrl, 0, 6);
    Press(kGraphCtrl, 0, 8);
    Press(kGraphCtrl, 0, 8); // deselects 8 and forgets the cursor
    ASSERT_EQ(g.GetCursorColumn(), -1);
    g.OnKey(kGraphKeyLeft, 1, kGraphCtrl);
    EXPECT_EQ(g.GetCursorColumn(), 4);
    EXPECT_THAT(Selected(), ElementsAre("0:4", "0:5", "0:6"));

    Press(kGraphCtrl, 0, 4);
    ASSERT_EQ(g.GetCursorColumn(), -1);
    g.OnKey(kGraphKeyRight, 1, 0);
    EXPECT_EQ(g.GetCursorColumn(), 7);
    EXPECT_THAT(Selected(), ElementsAre("0:7"));
}

TEST_F(GraphEditTest, PageKeysMoveBetweenVisibleTracesKeepingTheColumn) {
    g.SetTraceVisible(3, 1);
    g.SetTraceVisible(2, 0);
    Press(0, 0, 4);
    g.OnKey(kGraphKeyPageUp, 1, 0);
    EXPECT_EQ(g.GetCurrentTrace(), 1);
    EXPECT_THAT(Selected(), ElementsAre("1:4"));
    g.OnKey(kGraphKeyPageUp, 1, 0); // hidden trace 2 is skipped
    EXPECT_EQ(g.GetCurrentTrace(), 3);
    g.OnKey(kGraphKeyPageUp, 1, 0); // from the highest visible trace: stays
    EXPECT_EQ(g.GetCurrentTrace(), 3);
    EXPECT_THAT(Selected(), ElementsAre("3:4"));
    g.OnKey(kGraphKeyPageDown, 1, kGraphCtrl);
    EXPECT_EQ(g.GetCurrentTrace(), 1);
    EXPECT_THAT(Selected(), ElementsAre("1:4", "3:4"));
    g.OnKey(kGraphKeyPageDown, 5, 0); // too far: stays
    EXPECT_EQ(g.GetCurrentTrace(), 1);
}

TEST(GraphCursorTest, PageUpWithoutCurrentTraceFindsTheFirstVisibleOne) {
    CGraphEngine g(4, 3);
    g.SetTraceVisible(2, 1);
    g.OnKey(kGraphKeyPageUp, 1, 0);
    EXPECT_EQ(g.GetCurrentTrace(), 2);
    EXPECT_EQ(g.GetCursorColumn(), 0);
}

TEST_F(GraphEditTest, SpaceTogglesTheCursorPointOnlyInAMultiSelection) {
    Press(0, 0, 5);
    g.OnKey(kGraphKeySpace, 1, 0);
    EXPECT_THAT(Selected(), ElementsAre("0:5")); // only the cursor point: nothing
    Press(kGraphCtrl, 1, 2);
    g.OnKey(kGraphKeyRight, 1, kGraphCtrl); // cursor to (1, 3), three points selected
    g.OnKey(kGraphKeySpace, 1, 0);
    EXPECT_THAT(Selected(), ElementsAre("0:5", "1:2"));
    g.OnKey(kGraphKeySpace, 1, 0);
    EXPECT_THAT(Selected(), ElementsAre("0:5", "1:2", "1:3"));
}

TEST_F(GraphEditTest, HidingATraceRemovesItsSelectedPoints) {
    Press(0, 0, 5);
    Press(kGraphCtrl, 1, 5);
    g.SetTraceVisible(1, 0);
    EXPECT_THAT(Selected(), ElementsAre("0:5"));
    EXPECT_EQ(g.HasSelection(1), 0);
    // Selections made on a hidden trace are dropped by the next recomputation.
    g.SetPointSelected(3, 1, 1);
    g.RecomputeSelection(5);
    EXPECT_THAT(Selected(), ElementsAre("0:5"));
}

TEST_F(GraphEditTest, WithEditingOffNothingIsSelectedOrChanged) {
    Press(0, 0, 5);
    Press(kGraphCtrl, 1, 5);
    EXPECT_EQ(g.SetEditEnabled(0), 0);
    EXPECT_THAT(Selected(), ElementsAre()); // turning editing off clears the selection
    EXPECT_EQ(Press(0, 0, 5), 0);
    EXPECT_EQ(g.GetDragColumn(), -1);
    EXPECT_THAT(Selected(), ElementsAre());
    g.SetPointSelected(0, 5, 1);
    g.OnKey(kGraphKeyUp, 1, 0);
    EXPECT_EQ(g.GetValue(0, 5), 60.0f);
    EXPECT_EQ(g.OnMouseUp(0, 0, 0), 0);
    // Hover callouts still appear.
    g.SetCallout(-1, -1);
    EXPECT_EQ(g.OnMouseMove(0, X(2), Y(250.0f)), 0);
    EXPECT_EQ(g.GetCalloutTrace(), 2);
    EXPECT_EQ(g.GetCalloutPoint(), 2);
}

TEST_F(GraphEditTest, TurningEditingOffDuringADragEndsIt) {
    Press(0, 0, 5);
    g.SetEditEnabled(0);
    EXPECT_EQ(g.OnMouseMove(1, X(5), Y(100.0f)), 0);
    EXPECT_EQ(g.GetDragColumn(), -1);
    EXPECT_EQ(g.GetValue(0, 5), 60.0f);
    g.SetEditEnabled(1);
    EXPECT_EQ(g.OnMouseMove(1, X(5), Y(100.0f)), 0);
}

TEST_F(GraphEditTest, HoverRequestsACalloutWithoutChangingTheSelection) {
    Press(0, 0, 5);
    EXPECT_EQ(g.OnMouseMove(0, X(8), Y(95.0f)), 0);
    EXPECT_EQ(g.GetCalloutTrace(), 1);
    EXPECT_EQ(g.GetCalloutPoint(), 8);
    EXPECT_EQ(g.GetCurrentTrace(), 0);
    EXPECT_THAT(Selected(), ElementsAre("0:5"));
    g.SetCallout(-1, -1);
    g.OnMouseMove(0, X(8) + 30, Y(95.0f)); // between points: no callout
    EXPECT_EQ(g.GetCalloutTrace(), -1);
}

TEST_F(GraphEditTest, ReleaseWithoutDragReportsSuccess) {
    EXPECT_EQ(g.OnMouseUp(0, 0, 0), 1);
}

// --- Link rings ------------------------------------------------------------------------

struct RingCase {
    const char* name;
    std::vector<int> links; // link of trace i
    std::vector<int> hidden;
    int start;
    std::vector<int> selected; // traces selected at the point afterwards
};

void PrintTo(const RingCase& c, std::ostream* os) {
    *os << c.name;
}

class LinkRingTest : public ::testing::TestWithParam<RingCase> {};

TEST_P(LinkRingTest, SelectionFollowsTheLinks) {
    const RingCase& c = GetParam();
    const int n = static_cast<int>(c.links.size());
    CGraphEngine g(n, 4);
    for (int t = 0; t < n; ++t) {
        g.SetTraceVisible(t, 1);
        g.SetLink(t, c.links[static_cast<std::size_t>(t)]);
    }
    for (int t : c.hidden)
        g.SetTraceVisible(t, 0);
    g.SetLinkMode(1);
    g.SetPointSelected(c.start, 2, 1);
    std::vector<int> selected;
    for (int t = 0; t < n; ++t) {
        EXPECT_EQ(g.IsPointSelected(t, 1), 0);
        if (g.IsPointSelected(t, 2))
            selected.push_back(t);
    }
    EXPECT_EQ(selected, c.selected) << c.name;

    // Deselecting walks the same way.
    g.SetPointSelected(c.start, 2, 0);
    for (int t = 0; t < n; ++t)
        EXPECT_EQ(g.IsPointSelected(t, 2), 0) << c.name << " trace " << t;
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, LinkRingTest,
    ::testing::Values(RingCase{"ring", {1, 2, 0, 3}, {}, 1, {0, 1, 2}},
                      RingCase{"unlinked", {0, 1, 2}, {}, 1, {1}},
                      RingCase{"chain from the head", {1, 2, 2, 3}, {}, 0, {0, 1, 2}},
                      RingCase{"chain from the middle", {1, 2, 2, 3}, {}, 1, {1, 2}},
                      RingCase{"loop not through the start", {1, 2, 1, 3}, {}, 0, {0, 1, 2}},
                      RingCase{"two into one ring", {1, 0, 1}, {}, 2, {0, 1, 2}},
                      RingCase{"hidden member skipped", {1, 2, 0}, {1}, 0, {0, 2}},
                      RingCase{"long ring", {1, 2, 3, 4, 0}, {}, 3, {0, 1, 2, 3, 4}}));

TEST(LinkRingTest, LinkModeOffSelectsOnlyThePoint) {
    CGraphEngine g(3, 4);
    for (int t = 0; t < 3; ++t) {
        g.SetTraceVisible(t, 1);
        g.SetLink(t, (t + 1) % 3);
    }
    g.SetPointSelected(0, 1, 1);
    EXPECT_EQ(g.IsPointSelected(1, 1), 0);
    EXPECT_EQ(g.IsPointSelected(0, 1), 1);
}

TEST_F(GraphEditTest, CtrlClickInLinkModeDeselectsTheLinkedPoints) {
    g.SetLink(0, 2);
    g.SetLink(2, 0);
    g.SetLinkMode(1);
    Press(0, 0, 6);
    EXPECT_THAT(Selected(), ElementsAre("0:6", "2:6"));
    EXPECT_EQ(g.IsMultiSelection(), 1);
    Press(kGraphCtrl, 0, 6);
    EXPECT_THAT(Selected(), ElementsAre());
}

} // namespace
} // namespace vexa
