#include "core/graphicaltuning.h"
#include "support/docfixture.h"

#include <gtest/gtest.h>

#include <map>

namespace vexa {
namespace {

using testing::DocFixture;

struct TraceGraph : CurveGraph {
    void SetTraceVisible(int trace, bool on) override { visible[trace] = on; }
    void SetValue(int, int, double) override {}
    void UpdateTraceRange(int) override {}
    void SetLink(int trace, int link) override { links[trace] = link; }
    void SetTraceColor(int trace, std::uint32_t colour) override { colours[trace] = colour; }
    void SetTraceText(int trace, const std::string& name, const std::string& callout) override {
        names[trace] = name + "|" + callout;
    }
    void SetLinkMode(int mode) override { linkMode = mode; }
    std::map<int, bool> visible;
    std::map<int, int> links;
    std::map<int, std::uint32_t> colours;
    std::map<int, std::string> names;
    int linkMode = -1;
};

const char* const kDefinition =
    "[Declarations]\n$TotalBlockSize 64\n$DynamicBlockSize 1\n$NumDynamicTableCells 1\n"
    "$NumDynamicTableEntries 1\n$DynamicBlockStart 0\n$DynamicBlockLayout 0\n"
    "$DynamicInterpolation 1\n$StaticBlockSize 32\n$StaticBlockStart 32\n$NVMType 0\n"
    "Mode I16 1:0:x Def:1\nLinked I16 1:2:x Def:0\nProxied T8 10:5:x NVM:10:0:1\n"
    "[GraphicalTuning]\n"
    "GraphElement Label {\nDisplayName Shift Curves\n}\n"
    "GraphElement Trace {\nTraceNum 0\nTraceColor 0x0000FF\nEnableButton 0\nDisplayName 1-2\n"
    "CallOutFmt %s %.0f\nTraceMode 2\nLink 2\nStatusBarTxt Upshift one to two\n}\n"
    "GraphElement Trace {\nTraceNum 1\nTraceColor 0x00FF00\nEnableButton 1\nDisplayName 2-3\n}\n"
    "GraphElement Trace {\nTraceNum 3\nTraceColor 0xFF0000\nEnableButton 2\nDisplayName 3-2\n}\n"
    "GraphElement Trace {\nTraceNum 4\nEnableButton 1\nDisplayName Solo\n"
    "SingleLabelEnable @Mode I:1\n}\n"
    "GraphElement Trace {\nTraceNum 5\nEnableButton 2\nDisplayName Proxy\nProxyEnable @Mode I:1\n"
    "ProxyFormula x+10\nTraceMode 2\n}\n"
    "GraphElement Trace {\nTraceNum 6\nEnableButton -1\nTraceMode 3\n}\n"
    "GraphElement TraceLinkButton {\nDisplayName Link\nEnableCondition @Linked I:1\n}\n"
    "GraphElement ControlButton {\nDisplayName Mode\nBackColor 0x808080\n"
    "BitValState0 @Mode I:0\nBitValState1 @Mode I:1\n}\n"
    "GraphElement Unknown {\nDisplayName Skipped\n}\n";

class GraphicalTuning : public ::testing::Test, protected DocFixture {
protected:
    void SetUp() override {
        MakeDoc();
        doc->SetGraph(&graph);
        doc->DefinitionText.clear();
        ASSERT_EQ(doc->LoadDefinitionFile(dir.Write("t.def", kDefinition)), 1);
        ASSERT_EQ(doc->ReadDeclarations(1), 1);
        doc->Display.SetTraceVisible(1, true);
        doc->Display.SetTraceVisible(0, false);
    }
    TraceGraph graph;
    std::vector<TuningControl> controls;
};

TEST_F(GraphicalTuning, RowsLabelsAndCompanionsFollowTheDefinition) {
    ASSERT_EQ(BuildGraphicalTuning(*doc, controls), 1);
    ASSERT_EQ(controls.size(), 5u); // heading, 0, 1 (+3), 4, control button
    EXPECT_EQ(controls[0].kind, TuningControl::kHeading);
    EXPECT_EQ(controls[0].labels[0].rect, (TuningRect{5, 20, 130, 36}));

    // Full-width label for EnableButton 0, rows 20 high with 10 between.
    const TuningControl& first = controls[1];
    EXPECT_EQ(first.kind, TuningControl::kTraceButton);
    EXPECT_EQ(first.checkBox, (TuningRect{5, 41, 20, 61}));
    EXPECT_EQ(first.labels[0].rect, (TuningRect{23, 41, 130, 61}));
    EXPECT_EQ(first.labels[0].colour, 0x0000FFu);
    EXPECT_EQ(first.statusBarText, "Upshift one to two");
    EXPECT_EQ(first.checked, 0);

    // EnableButton 1 and its companion share one check box, half a row each.
    const TuningControl& pair = controls[2];
    EXPECT_EQ(pair.traces, (std::vector<int>{1, 3}));
    ASSERT_EQ(pair.labels.size(), 2u);
    EXPECT_EQ(pair.labels[0].rect, (TuningRect{23, 71, 76, 91}));
    EXPECT_EQ(pair.labels[1].rect, (TuningRect{76, 71, 130, 91}));
    EXPECT_EQ(pair.labels[1].text, "3-2");
    EXPECT_EQ(pair.checked, 1);
    EXPECT_TRUE(graph.visible[3]);

    // SingleLabelEnable holds: full width; the proxy companion hides its curve.
    EXPECT_EQ(controls[3].labels[0].rect.right, 130);
    EXPECT_EQ(controls[3].traces, std::vector<int>{4});
    EXPECT_FALSE(graph.visible[5]);
    EXPECT_EQ(doc->ProxyActive[5], 1);

    // The link button's condition does not hold, so the link mode stays untouched.
    EXPECT_EQ(graph.linkMode, -1);
    EXPECT_EQ(controls[4].kind, TuningControl::kControlButton);
    EXPECT_EQ(controls[4].checked, 1);
    EXPECT_EQ(controls[4].labels[0].colour, 0x808080u);

    // Trace configuration reaches the graph and the document.
    EXPECT_EQ(graph.colours[0], 0x0000FFu);
    EXPECT_EQ(graph.names[0], "1-2|%s %.0f");
    EXPECT_EQ(graph.links[0], 2);
    EXPECT_EQ(doc->Curve(0).TraceMode, 2);
    EXPECT_EQ(doc->Curve(6).TraceMode, 3);
}

TEST_F(GraphicalTuning, ConditionsAreReevaluatedOnEveryBuild) {
    doc->SetIntVariable("Mode", 0);
    doc->SetIntVariable("Linked", 1);
    doc->Display.SetU8(DisplayBlock::kLinkMode, 1);
    ASSERT_EQ(BuildGraphicalTuning(*doc, controls), 1);
    // Solo gets half a row, the proxy becomes a visible companion, the link button appears.
    ASSERT_EQ(controls.size(), 6u);
    EXPECT_EQ(controls[3].labels.size(), 2u);
    EXPECT_EQ(doc->ProxyActive[5], 0);
    EXPECT_EQ(controls[4].kind, TuningControl::kLinkButton);
    EXPECT_EQ(controls[4].checked, 1);
    EXPECT_EQ(graph.linkMode, 1);
    EXPECT_EQ(controls[5].checked, 0);
    EXPECT_FALSE(doc->IsModified()); // conditions are tested, never applied
}

TEST_F(GraphicalTuning, ProxyCurvesFollowTheirFormulaInTheImageOnly) {
    ASSERT_EQ(BuildGraphicalTuning(*doc, controls), 1);
    doc->Point(5, 3) = 100;
    const std::string calibration = doc->SaveToBytes();
    std::vector<std::uint8_t> image(64, 0);
    ASSERT_EQ(doc->BuildMemoryImage(image), 1);
    EXPECT_EQ(image[3], 110);
    // The calibration keeps its own point, so a second build (a retried write) sends the
    // same image instead of adding 10 again.
    EXPECT_EQ(doc->Point(5, 3), 100);
    EXPECT_TRUE(doc->SaveToBytes() == calibration) << "building the image changed the file";
    std::vector<std::uint8_t> again(64, 0);
    ASSERT_EQ(doc->BuildMemoryImage(again), 1);
    EXPECT_EQ(again, image);
    EXPECT_FALSE(doc->IsModified());
}

TEST_F(GraphicalTuning, NoSectionMeansNoControls) {
    doc->DefinitionText = "\n[Other]\nKey 1";
    controls.resize(3);
    EXPECT_EQ(BuildGraphicalTuning(*doc, controls), 0);
    EXPECT_TRUE(controls.empty());
}

TEST_F(GraphicalTuning, AtMostThirtyFiveControls) {
    std::string text = "\n[GraphicalTuning]";
    for (int i = 0; i < 40; ++i)
        text += "\nGraphElement Label {\nDisplayName L" + std::to_string(i) + "\n}";
    doc->DefinitionText = text;
    ASSERT_EQ(BuildGraphicalTuning(*doc, controls), 1);
    EXPECT_EQ(controls.size(), 35u);
}

} // namespace
} // namespace vexa
