#include "support/docfixture.h"
#include "support/recordinggraph.h"

#include <gtest/gtest.h>

namespace vexa {
namespace {

using testing::DocFixture;

const char* const kSizes = "[Declarations]\n"
                           "$TotalBlockSize 256\n$DynamicBlockSize 64\n$NumDynamicTableCells 19\n"
                           "$NumDynamicTableEntries 1\n$DynamicBlockStart 0\n"
                           "$DynamicBlockLayout 0\n$DynamicInterpolation 2\n"
                           "$StaticBlockSize 128\n$StaticBlockStart 128\n$NVMType 0\n";

class Declarations : public ::testing::Test, protected DocFixture {
protected:
    void SetUp() override { MakeDoc(); }
    CVLXDoc& Doc() { return *doc; }
    int Declare(const std::string& lines, int level = 1, bool clear = true) {
        if (clear)
            Doc().ClearDeclarations(2);
        Doc().LoadDefinitionFile(dir.Write("d.def", std::string(kSizes) + lines));
        return Doc().ReadDeclarations(level);
    }
};

TEST_F(Declarations, RequiredKeysAndDefaults) {
    ASSERT_EQ(Declare(""), 1);
    const DeclarationsBlock& d = Doc().Declarations;
    EXPECT_EQ(d.TotalBlockSize(), 256);
    EXPECT_EQ(d.DynamicInterpolation(), 2);
    EXPECT_EQ(d.StaticBlockStart(), 128);
    EXPECT_EQ(d.CalBufferStart(), 0x100);
    EXPECT_EQ(d.CalNVMStart(), 0x7000);
    EXPECT_EQ(d.CalNVMPageSize(), 0x400);
    EXPECT_EQ(d.CalPSVBase(), -1);
    EXPECT_EQ(d.FlashBlockSize(), 0x40);
    EXPECT_EQ(d.CalBufferSize(), 0x200);

    // Without $NVMType nothing at all is stored.
    Doc().Declarations.Clear();
    Doc().DefinitionText = "\n[Declarations]\n$TotalBlockSize 9\n$DynamicBlockSize 1\n"
                           "$NumDynamicTableCells 1\n$NumDynamicTableEntries 1\n"
                           "$DynamicBlockStart 1\n$DynamicBlockLayout 1\n$DynamicInterpolation 1\n"
                           "$StaticBlockSize 1\n$StaticBlockStart 1\n";
    EXPECT_EQ(Doc().ReadDeclarations(1), 0);
    EXPECT_EQ(Doc().Declarations.TotalBlockSize(), 0);
}

TEST_F(Declarations, DefaultsApplyByLevelAndFixAlways) {
    ASSERT_EQ(Declare("Speed I16 1:12:x Def:300\nLimit I16 1:14:x Fix:7\n"), 1);
    EXPECT_EQ(Doc().FindIntVariable("Speed").Get(), 300);
    Doc().SetIntVariable("Speed", 1234);
    Doc().SetIntVariable("Limit", 99);
    Doc().ClearDeclarations(0);
    ASSERT_EQ(Doc().ReadDeclarations(0), 1);
    EXPECT_EQ(Doc().FindIntVariable("Speed").Get(), 1234);
    EXPECT_EQ(Doc().FindIntVariable("Limit").Get(), 7);
    Doc().ClearDeclarations(0);
    ASSERT_EQ(Doc().ReadDeclarations(1), 1);
    EXPECT_EQ(Doc().FindIntVariable("Speed").Get(), 300);
}

TEST_F(Declarations, MaskedDefaultsAndWideIntegers) {
    ASSERT_EQ(Declare("Mode I32 1:4:x Def:0x10000\nBits I16 1:8:x Def:0x3F Def:0\n"
                      "Flags I16 1:10:x Fix:0x10:0x30\n"),
              1);
    EXPECT_EQ(Doc().FindIntVariable("Mode").Get(), 0);
    const int mode = 0;
    EXPECT_EQ(Doc().Slot(mode).I32(), 0x10000);
    EXPECT_EQ(Doc().Slot(mode + 1).type, kTypeContinuation);
    EXPECT_EQ(Doc().FindIntVariable("Bits").Get(), 0x3F); // the first Def: counts
    EXPECT_EQ(Doc().FindIntVariable("Flags").Get(), 0x10);

    std::vector<std::uint8_t> image(256, 0xAA);
    ASSERT_EQ(Doc().BuildMemoryImage(image), 1);
    EXPECT_EQ(std::vector<std::uint8_t>(image.begin() + 132, image.begin() + 136),
              (std::vector<std::uint8_t>{0x00, 0x00, 0x01, 0x00}));
    EXPECT_EQ(image[136], 0x3F);
    EXPECT_EQ(image[137], 0x00);
}

TEST_F(Declarations, SlotsAreSharedByIntegerKindsOnly) {
    ASSERT_EQ(Declare("A I16 1:0:x\nB I16 1:2:x Def:5\nA I32 1:0:x\nC F32 1:4:x Def:1.5\n"
                      "C I16 1:8:x\n"),
              1);
    // A as I16 then I32 keeps one slot, and B after it survives.
    EXPECT_EQ(Doc().Declarations.VariableCount(), 4u);
    EXPECT_EQ(Doc().Slot(0).type, kTypeI32);
    EXPECT_EQ(Doc().Slot(1).name, "B");
    EXPECT_EQ(Doc().FindIntVariable("B").Get(), 5);
    EXPECT_FLOAT_EQ(Doc().FindFloatVariable("C").Get(), 1.5f);
    EXPECT_EQ(Doc().Slot(3).type, kTypeI16);
    EXPECT_EQ(Doc().Slot(3).name, "C");
}

TEST_F(Declarations, StringsAndLookupMessages) {
    ASSERT_EQ(Declare("Note STR 2:0:Hello\nOther STR 0:0:x Def:Some text\n"), 1);
    const int note = Doc().FindStringIndex("Note");
    ASSERT_GE(note, 0);
    EXPECT_EQ(Doc().Slot(note).name, "Hello");
    EXPECT_EQ(Doc().Slot(Doc().FindStringIndex("Other")).name, "Some text");

    host.messages.clear();
    EXPECT_FALSE(Doc().FindIntVariable("Missing"));
    EXPECT_FALSE(Doc().FindFloatVariable("Missing"));
    EXPECT_EQ(Doc().FindStringIndex("Missing"), -1);
    EXPECT_EQ(Doc().FindTableIndex("Missing"), -1);
    ASSERT_EQ(host.messages.size(), 4u);
    EXPECT_EQ(host.messages[0].caption, "Missing");
    EXPECT_EQ(host.messages[0].text,
              "Definition file error:\n\nCould not resolve integer variable listed above. Please "
              "contact us for assistance.");
    EXPECT_EQ(host.messages[3].flags, kMbIconExclamation);

    // NumNVMTables falls back to the identity block.
    EXPECT_TRUE(Doc().SetIntVariable("NumNVMTables", 2));
    EXPECT_EQ(Doc().Identity.NumNVMTables(), 2);
}

TEST_F(Declarations, CurveTableCellsCarryPointsAndTheirMeans) {
    ASSERT_EQ(Declare("Shift T8 10:3:x NVM:19:0x40:1 Def:10,20,30,40,50,60,70,80,90,100,\n"), 1);
    EXPECT_EQ(Doc().FindTableIndex("Shift"), 3);
    for (int point = 0; point < 10; ++point)
        EXPECT_EQ(Doc().Point(3, point), 10 * (point + 1));
    Doc().Curve(3).TraceMode = 2;
    std::vector<std::uint8_t> image(256, 0);
    ASSERT_EQ(Doc().BuildMemoryImage(image), 1);
    for (int cell = 0; cell < 19; ++cell) {
        const int expected = cell % 2 == 0 ? 10 * (cell / 2 + 1) : 10 * (cell / 2 + 1) + 5;
        EXPECT_EQ(image[static_cast<std::size_t>(0x40 + cell)], expected) << cell;
    }
    EXPECT_EQ(image[0x40 + 19], 0);

    // Read back: points come from the even cells.
    for (int point = 0; point < 10; ++point)
        Doc().Point(3, point) = 0;
    image[0x40 + 2] = 77;
    ASSERT_EQ(Doc().ApplyMemoryImage(image), 1);
    EXPECT_EQ(Doc().Point(3, 0), 10);
    EXPECT_EQ(Doc().Point(3, 1), 77);

    // Trace mode 0 zeroes every cell and every point read back.
    Doc().Curve(3).TraceMode = 0;
    ASSERT_EQ(Doc().BuildMemoryImage(image), 1);
    EXPECT_EQ(image[0x40], 0);
    ASSERT_EQ(Doc().ApplyMemoryImage(image), 1);
    EXPECT_EQ(Doc().Point(3, 0), 0);
}

TEST_F(Declarations, ValuesWithoutCommaRepeatIntoRemainingPoints) {
    ASSERT_EQ(Declare("Shift T8 5:4:x NVM:10:0:1 Def:10,20,30\n"), 1);
    const std::vector<int> expected = {10, 20, 30, 30, 30};
    for (int point = 0; point < 5; ++point)
        EXPECT_EQ(Doc().Point(4, point), expected[static_cast<std::size_t>(point)]);
    EXPECT_EQ(Doc().Point(4, 5), 2000); // beyond the slot's point count: untouched
}

TEST_F(Declarations, ImageFailsOutsideItsBlocks) {
    ASSERT_EQ(Declare("Far I16 1:200:x\n"), 1);
    std::vector<std::uint8_t> image(256, 0);
    EXPECT_EQ(Doc().BuildMemoryImage(image), 0);
    ASSERT_EQ(Declare("Big T8 10:60:x\n"), 1);
    EXPECT_EQ(Doc().BuildMemoryImage(image), 0);
    // A table that reaches past the image the caller gave is refused, not written.
    ASSERT_EQ(Declare("Wide T8 10:1:x NVM:19:250:1\n"), 1);
    EXPECT_EQ(Doc().BuildMemoryImage(image), 0);
}

TEST_F(Declarations, ImageThatDoesNotFitChangesNothingOnRead) {
    ASSERT_EQ(Declare("Speed I16 1:0:x Def:1500\nShift T8 10:3:x NVM:19:0:1\nFar I16 1:200:x\n"),
              1);
    std::vector<std::uint8_t> image(256, 9);
    const auto before = Doc().CurveTable;
    EXPECT_EQ(Doc().ApplyMemoryImage(image), 0);
    EXPECT_EQ(Doc().FindIntVariable("Speed").Get(), 1500);
    EXPECT_EQ(Doc().CurveTable, before);
}

TEST_F(Declarations, ImageRefusesTablesWithoutRealCellsOrStep) {
    std::vector<std::uint8_t> image(256, 0);
    // Zero-width cells: one byte is still written or read per cell, so the layout must
    // leave room for it, and nothing past that byte is touched.
    ASSERT_EQ(Declare("Flat T8 10:3:x NVM:19:256:0\n"), 1);
    EXPECT_EQ(Doc().BuildMemoryImage(image), 0);
    EXPECT_EQ(Doc().ApplyMemoryImage(image), 0);
    ASSERT_EQ(Declare("Flat T8 10:3:x NVM:19:0x40:0 Def:10,20,30,40,50,60,70,80,90,100,\n"), 1);
    Doc().Curve(3).TraceMode = 2;
    ASSERT_EQ(Doc().BuildMemoryImage(image), 1);
    EXPECT_EQ(image[0x40], 100);
    EXPECT_EQ(image[0x41], 0);

    // A negative points-to-cells factor would step backwards out of the image.
    ASSERT_EQ(Declare("Shift T8 10:3:x NVM:19:0:1\n"), 1);
    Doc().Declarations.SetI32(DeclarationsBlock::kDynamicInterpolation, -1);
    EXPECT_EQ(Doc().BuildMemoryImage(image), 0);
    EXPECT_EQ(Doc().ApplyMemoryImage(image), 0);
}

TEST_F(Declarations, TooManySlotsRestartsOnceThenGivesUp) {
    std::string lines;
    for (int i = 0; i < 2100; ++i)
        lines += "W" + std::to_string(i) + " I32 0:0:x\n";
    EXPECT_EQ(Declare(lines), 0);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].caption, "Static Memory Array Error");
    EXPECT_EQ(host.messages[0].flags, kMbIconStop);
    EXPECT_EQ(Doc().Declarations.VariableCount(), 4096u);

    // Slots left over from an earlier definition are cleared by the one restart.
    host.messages.clear();
    std::string fits;
    for (int i = 0; i < 2048; ++i)
        fits += "N" + std::to_string(i) + " I32 0:0:x\n";
    EXPECT_EQ(Declare(fits, 0, false), 1);
    EXPECT_TRUE(host.messages.empty());
    EXPECT_EQ(Doc().Declarations.VariableCount(), 4096u);
    EXPECT_EQ(Doc().Slot(0).name, "N0");
}

TEST_F(Declarations, FormulaListsAppendAndCapAtForty) {
    ASSERT_EQ(Declare("StoreFormulae:\nI@A = 1\nLoadFormulae:\nI@B = 2\n"), 1);
    EXPECT_EQ(Doc().Declarations.StoreFormulaCount(), 1u);
    EXPECT_EQ(Doc().StoreFormulas[0], "I@A= 1");
    EXPECT_EQ(Doc().LoadFormulas[0], "I@B= 2");

    // A second read appends to the lists it finds (after a file is opened, the file's
    // formulas come first); a formula already held is not repeated. The store list stops
    // at forty with one message.
    std::string lines = "StoreFormulae:\nI@A = 1\n";
    for (int i = 0; i < 45; ++i)
        lines += "I@C = " + std::to_string(i) + "\n";
    lines += "LoadFormulae:\nI@D = 3\n";
    ASSERT_EQ(Declare(lines, 0, false), 1);
    EXPECT_EQ(Doc().Declarations.StoreFormulaCount(), 40u);
    EXPECT_EQ(Doc().StoreFormulas[0], "I@A= 1");
    EXPECT_EQ(Doc().StoreFormulas[1], "I@C= 0");
    EXPECT_EQ(Doc().StoreFormulas[39], "I@C= 38");
    EXPECT_EQ(Doc().Declarations.LoadFormulaCount(), 2u);
    EXPECT_EQ(Doc().LoadFormulas[0], "I@B= 2");
    EXPECT_EQ(Doc().LoadFormulas[1], "I@D= 3");
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].caption, "Error reading store formulas from definition file:");
}

TEST_F(Declarations, StoreAndLoadFormulasRunAroundTheImage) {
    ASSERT_EQ(Declare("Raw I16 1:0:x Def:10\nScaled I16 0:2:x\nRatio F32 1:4:x Def:2.5\n"
                      "StoreFormulae:\nI@Raw = I:Scaled:*4\nLoadFormulae:\nI@Scaled = I:Raw:/4\n"
                      "F@Ratio = F:Ratio:*2\n"),
              1);
    Doc().SetIntVariable("Scaled", 25);
    std::vector<std::uint8_t> image(256, 0);
    ASSERT_EQ(Doc().BuildMemoryImage(image), 1);
    EXPECT_EQ(image[128], 100);
    image[128] = 40;
    ASSERT_EQ(Doc().ApplyMemoryImage(image), 1);
    EXPECT_EQ(Doc().FindIntVariable("Scaled").Get(), 10);
    EXPECT_FLOAT_EQ(Doc().FindFloatVariable("Ratio").Get(), 5.0f);

    Doc().StoreFormulas[0] = "= 3";
    host.messages.clear();
    ASSERT_EQ(Doc().BuildMemoryImage(image), 1);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].caption, "Error in store formula");
    EXPECT_EQ(host.messages[0].text, "Store variable not found for formula = 3");

    Doc().Declarations.SetStoreFormulaCount(41);
    host.messages.clear();
    EXPECT_EQ(Doc().BuildMemoryImage(image), 0);
    EXPECT_EQ(host.messages.back().text, "Too many store formulas (41) for array size");
}

TEST_F(Declarations, CurveConversionsByTraceMode) {
    MakeDoc();
    CurveSettings& curve = Doc().Curve(5);
    struct Case {
        int mode;
        const char* toInternal;
        float value;
        std::int16_t offset;
        int expected;
    } cases[] = {
        {0, "", 123.0f, 5, 0},   {2, "", 12.5f, 0, 13},     {3, "", 254.6f, 3, 255},
        {2, "", -7.0f, 0, 0},    {1, "x/2", 101.0f, 0, 50}, {1, "x*100", 9.0f, 0, 255},
        {1, "x-20", 5.0f, 0, 0},
    };
    for (const Case& c : cases) {
        curve.TraceMode = c.mode;
        curve.StoreToIntFormula = c.toInternal;
        EXPECT_EQ(Doc().CurveToInternal(5, c.value, kStoreToInt, c.offset, 0.0f), c.expected)
            << c.mode << " " << c.toInternal << " " << c.value;
    }
    curve.TraceMode = 1;
    curve.IntToDispFormula = "x*300";
    EXPECT_FLOAT_EQ(Doc().InternalToCurve(5, 200, kIntToDisp), 32767.0f);
    curve.IntToDispFormula = "x-300";
    EXPECT_FLOAT_EQ(Doc().InternalToCurve(5, 200, kIntToDisp), 0.0f);
}

TEST_F(Declarations, PaddingAddsTheVariableToListedPoints) {
    ASSERT_EQ(Declare("Offset I16 0:0:x Def:7\n"), 1);
    Doc().Point(3, 2) = 100;
    Doc().Point(3, 5) = 100;
    Doc().Curve(3).PadEnable = "1:3:Offset 2 3 4";
    EXPECT_EQ(Doc().PadPoint(3, 2, 0), 107);
    EXPECT_EQ(Doc().PadPoint(3, 2, 1), 93);
    EXPECT_EQ(Doc().PadPoint(3, 5, 0), 100);
    Doc().Curve(3).PadEnable = "0:3:Offset 2 3 4";
    EXPECT_EQ(Doc().PadPoint(3, 2, 0), 100);
    Doc().Curve(3).PadEnable = "1:60:Offset 2";
    EXPECT_EQ(Doc().PadPoint(3, 2, 0), 100);
}

TEST_F(Declarations, AdjustCurvePointConvertsThroughTheFormulas) {
    MakeDoc();
    CurveSettings& curve = Doc().Curve(0);
    curve.TraceMode = 1;
    curve.StoreToIntFormula = "x/10";
    curve.IntToStoreFormula = "x*10";
    curve.DispToIntFormula = "x/2";
    curve.IntToDispFormula = "x*2";
    Doc().Point(0, 4) = 1000;
    std::int16_t delta = 0;
    EXPECT_FLOAT_EQ(Doc().AdjustCurvePoint(0, 4, 150.0f, delta), 150.0f);
    EXPECT_EQ(Doc().Point(0, 4), 750);
    EXPECT_EQ(delta, 75 - 100); // the step applied, in internal units
    EXPECT_TRUE(Doc().IsModified());
    delta = 3;
    EXPECT_FLOAT_EQ(Doc().AdjustCurvePoint(0, 4, 0.0f, delta), 156.0f);
    EXPECT_EQ(Doc().Point(0, 4), 780);
    EXPECT_EQ(delta, 3);
}

// The settings of a curve come from its GraphElement block in the tuning section.
class GraphElementSettings : public Declarations {
protected:
    void SetUp() override {
        Declarations::SetUp();
        Doc().SetGraph(&graph);
    }
    // Reads curve 3's settings from a block holding lines.
    int Read(const std::string& lines) {
        Doc().DefinitionText = "\n[GraphicalTuning]\nGraphElement Trace {\n" + lines + "\n}";
        std::string header;
        EXPECT_EQ(Doc().FindSection("[GraphicalTuning]", 0), 1);
        EXPECT_EQ(Doc().FindBlock("GraphElement", header, 0), 1);
        return Doc().ReadGraphElementSettings(3);
    }
    testing::RecordingGraph graph;
};

TEST_F(GraphElementSettings, ConvTableIsReadPairByPair) {
    ASSERT_EQ(Read("ConvTable 0 1.5, 128 -2.25,255 40,"), 1);
    const auto& pairs = Doc().ConvTable[3];
    EXPECT_EQ(pairs[0].raw, 0);
    EXPECT_FLOAT_EQ(pairs[0].value, 1.5f);
    EXPECT_EQ(pairs[1].raw, 128);
    EXPECT_FLOAT_EQ(pairs[1].value, -2.25f);
    EXPECT_EQ(pairs[2].raw, 255);
    EXPECT_FLOAT_EQ(pairs[2].value, 40.0f);
    EXPECT_EQ(pairs[3].raw, 0);

    // A pair without its comma is not consumed, so it fills every remaining pair.
    ASSERT_EQ(Read("ConvTable 7 0.5, 9 1.5"), 1);
    EXPECT_EQ(pairs[0].raw, 7);
    for (std::size_t i = 1; i < pairs.size(); ++i) {
        EXPECT_EQ(pairs[i].raw, 9) << i;
        EXPECT_FLOAT_EQ(pairs[i].value, 1.5f) << i;
    }
}

TEST_F(GraphElementSettings, ResetEmptiesTheConversionsButKeepsThePadding) {
    ASSERT_EQ(Read("TraceMode 1\nLink 5\nStoreToIntFormula x/4\nIntToStoreFormula x*4\n"
                   "DispToIntFormula x\nIntToDispFormula x\nProxyFormula x+1\n"
                   "PadEnable 1:3:Offset 2\nConvTable 1 2.5,"),
              1);
    ASSERT_EQ(Doc().ResetGraphElement(3), 1);
    const CurveSettings& curve = Doc().Curve(3);
    EXPECT_EQ(curve.TraceMode, 0);
    for (const std::string* text :
         {&curve.StoreToIntFormula, &curve.IntToStoreFormula, &curve.DispToIntFormula,
          &curve.IntToDispFormula, &curve.ProxyFormula})
        EXPECT_EQ(*text, "");
    EXPECT_EQ(curve.PadEnable, "1:3:Offset 2");
    EXPECT_EQ(Doc().ConvTable[3][0].raw, 0);
    EXPECT_FLOAT_EQ(Doc().ConvTable[3][0].value, 0.0f);
    EXPECT_EQ(graph.links.back(), std::make_pair(3, 3));
}

// The graph shows each point converted to internal units and from there to display units.
TEST_F(GraphElementSettings, CurvesReachTheGraphThroughTheStoreAndDisplayFormulas) {
    CurveSettings& curve = Doc().Curve(3);
    curve.TraceMode = 1;
    // Every slot different, so a wrong one shows in the value.
    curve.StoreToIntFormula = "x/10";
    curve.IntToStoreFormula = "x*7";
    curve.DispToIntFormula = "x*3";
    curve.IntToDispFormula = "x*2";
    Doc().Point(3, 4) = 1000;
    Doc().LoadCurvesIntoGraph();
    EXPECT_DOUBLE_EQ(graph.values[3 * 10 + 4], 200.0);
    EXPECT_EQ(graph.ranges.size(), static_cast<std::size_t>(kNumCurves));
}

} // namespace
} // namespace vexa
