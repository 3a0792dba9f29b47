// The operations on selected points (Set To, Add, Scale, Interpolate, Smooth), where Paste
// puts values, what Copy takes, and the clipboard text of curve values.
#include "graph/graphengine.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace vexa {

void PrintTo(const CurvePointValue& v, std::ostream* os) {
    *os << "{" << v.curve << ", " << v.point << ", " << v.value << "}";
}

namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

// Trace 0: 0 10 20 35 38 45 60 70 80 90; trace 1: 100 each; trace 2 is hidden.
class PointOperations : public ::testing::Test {
protected:
    PointOperations() : g(3, 10) {
        g.SetTraceValues(0, std::vector<float>{0, 10, 20, 35, 38, 45, 60, 70, 80, 90});
        g.SetTraceValues(1, std::vector<float>(10, 100.0f));
        g.SetTraceVisible(0, 1);
        g.SetTraceVisible(1, 1);
    }
    void Select(int trace, std::initializer_list<int> points) {
        for (int p : points)
            g.SetPointSelected(trace, p, 1);
        g.RecomputeSelection(-1);
    }
    CGraphEngine g;
};

TEST_F(PointOperations, EachOperationGivesTheSelectedPointsTheirNewValues) {
    Select(0, {2, 3, 4, 5, 6});
    Select(1, {4, 5});
    struct Case {
        PointOperation op;
        double argument;
        std::vector<CurvePointValue> expected;
    };
    const Case cases[] = {
        {PointOperation::kSetTo,
         55.0,
         {{0, 2, 55}, {0, 3, 55}, {0, 4, 55}, {0, 5, 55}, {0, 6, 55}, {1, 4, 55}, {1, 5, 55}}},
        {PointOperation::kAdd,
         -5.0,
         {{0, 2, 15}, {0, 3, 30}, {0, 4, 33}, {0, 5, 40}, {0, 6, 55}, {1, 4, 95}, {1, 5, 95}}},
        {PointOperation::kScale,
         150.0,
         {{0, 2, 30},
          {0, 3, 52.5},
          {0, 4, 57},
          {0, 5, 67.5},
          {0, 6, 90},
          {1, 4, 150},
          {1, 5, 150}}},
        // From 20 at point 2 to 60 at point 6; trace 1's two points are its ends.
        {PointOperation::kInterpolate, 0.0, {{0, 3, 30}, {0, 4, 40}, {0, 5, 50}}},
        // Each inner point becomes the mean of itself and its neighbours as they were.
        {PointOperation::kSmooth,
         0.0,
         {{0, 3, (20 + 35 + 38) / 3.0},
          {0, 4, (35 + 38 + 45) / 3.0},
          {0, 5, (38 + 45 + 60) / 3.0}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.op));
        EXPECT_THAT(g.OperationValues(c.op, c.argument), ElementsAreArray(c.expected));
    }
    // The engine itself changes nothing.
    EXPECT_EQ(g.GetValue(0, 3), 35.0f);
}

TEST_F(PointOperations, InterpolateAndSmoothChangeOnlySelectedPointsBetweenTheEnds) {
    // Point 5 lies between the first and last selected point; 3, 4, 6 and 7 are not selected.
    Select(0, {2, 5, 8});
    EXPECT_THAT(g.OperationValues(PointOperation::kInterpolate, 0),
                ElementsAre(CurvePointValue{0, 5, 20 + (80 - 20) * 3 / 6.0}));
    EXPECT_THAT(g.OperationValues(PointOperation::kSmooth, 0),
                ElementsAre(CurvePointValue{0, 5, (38 + 45 + 60) / 3.0}));
    // A single point has no inner points; nothing selected, nothing to do.
    g.ClearSelection();
    Select(0, {4});
    EXPECT_TRUE(g.OperationValues(PointOperation::kSmooth, 0).empty());
    g.ClearSelection();
    EXPECT_TRUE(g.OperationValues(PointOperation::kSetTo, 1).empty());
}

TEST_F(PointOperations, PasteFillsFromTheCursorOrIntoTheSelectedPoints) {
    const std::vector<double> values{1, 2, 3};
    // No current trace yet: nowhere to paste.
    EXPECT_TRUE(g.PasteValues(values).empty());

    // From the cursor on, as far as the curve goes.
    g.MoveCursor(9, 0);
    EXPECT_THAT(g.PasteValues(values),
                ElementsAre(CurvePointValue{0, 8, 1}, CurvePointValue{0, 9, 2}));
    g.MoveCursor(-7, 0);
    EXPECT_THAT(
        g.PasteValues(values),
        ElementsAre(CurvePointValue{0, 1, 1}, CurvePointValue{0, 2, 2}, CurvePointValue{0, 3, 3}));

    // Points of other curves do not count (in link mode a click selects them too).
    Select(1, {0, 6, 9});
    EXPECT_THAT(
        g.PasteValues(values),
        ElementsAre(CurvePointValue{0, 1, 1}, CurvePointValue{0, 2, 2}, CurvePointValue{0, 3, 3}));
    // More than one point of the current curve selected: into them in order, as far as the
    // values go.
    Select(0, {5, 8});
    EXPECT_THAT(
        g.PasteValues(values),
        ElementsAre(CurvePointValue{0, 1, 1}, CurvePointValue{0, 5, 2}, CurvePointValue{0, 8, 3}));

    // A current trace that was hidden takes nothing.
    g.SetTraceVisible(0, 0);
    EXPECT_TRUE(g.PasteValues(values).empty());
}

TEST_F(PointOperations, CopyTakesTheSelectedPointsOfTheCurrentTrace) {
    EXPECT_TRUE(g.CopyValues().empty());
    g.MoveCursor(3, 0);
    g.MoveCursor(2, kGraphCtrl);
    Select(1, {1});
    EXPECT_THAT(g.CopyValues(), ElementsAre(20.0, 38.0));
    EXPECT_EQ(g.SelectedPointCount(), 3);
}

TEST(PointValueText, ValuesGoOutSeparatedByTabsAndComeBackExactly) {
    const std::vector<double> values{1.5, -2.25, 1000, static_cast<float>(33.180164)};
    const std::string text = FormatPointValues(values);
    EXPECT_EQ(text, "1.5\t-2.25\t1000\t33.180164");
    // The engine holds floats: each comes back as the same float.
    const std::optional<std::vector<double>> back = ParsePointValues(text);
    ASSERT_TRUE(back);
    ASSERT_EQ(back->size(), values.size());
    for (std::size_t i = 0; i < values.size(); ++i)
        EXPECT_EQ(static_cast<float>((*back)[i]), static_cast<float>(values[i]));
}

TEST(PointValueText, SpreadsheetRowsAndColumnsPaste) {
    struct Case {
        const char* text;
        std::optional<std::vector<double>> expected;
    };
    const Case cases[] = {
        {"1\t2\t3", std::vector<double>{1, 2, 3}},
        {"1\r\n2\r\n3\r\n", std::vector<double>{1, 2, 3}},
        {" 4 ; +5\n\n6 ", std::vector<double>{4, 5, 6}},
        {"1,5\t2,25", std::vector<double>{1.5, 2.25}},
        {"1e2", std::vector<double>{100}},
        // Not curve values: nothing is pasted.
        {"", std::nullopt},
        {"\t\r\n", std::nullopt},
        {"12 mph", std::nullopt},
        {"1\tx\t3", std::nullopt},
        {"1,2,3", std::nullopt},
        {"1.5,2", std::nullopt},
        {"nan", std::nullopt},
        {"inf", std::nullopt},
        {"1e400", std::nullopt},
        {"--1", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(ParsePointValues(c.text), c.expected);
    }
}

} // namespace
} // namespace vexa
