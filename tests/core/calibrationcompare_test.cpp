// Comparing two calibrations: what differs, as a person reads it, and what one side lacks.
#include "core/calibrationcompare.h"
#include "core/graphicaltuning.h"
#include "support/docfixture.h"

#include <gtest/gtest.h>

namespace vexa {
namespace {

using testing::DocFixture;

const char* const kGeneric = "[ApplicationID]\nLogicalName Generic\nTransmissionType None\n"
                             "ProdName VEXA Test\n[Declarations]\n$TotalBlockSize 0\n$NVMType 0\n";

std::string Definition(const std::string& type, const std::string& declarations,
                       const std::string& traces) {
    return "[ApplicationID]\nLogicalName " + type + "\nTransmissionType " + type +
           "\nProdName VEXA Test\n[Declarations]\n$TotalBlockSize 64\n$DynamicBlockSize 0\n"
           "$NumDynamicTableCells 0\n$NumDynamicTableEntries 0\n$DynamicBlockStart 0\n"
           "$DynamicBlockLayout 0\n$DynamicInterpolation 2\n$StaticBlockSize 64\n"
           "$StaticBlockStart 0\n$NVMType 0\n" +
           declarations + "[GraphicalTuning]\n" + traces +
           // Speed is kept in tenths of a unit per Ratio; the field shows whole units.
           "[Vehicle]\nUserOption EditBox {\nLogicalName SpeedBox\nDisplayName Speed limit\n"
           "DisplayFormula %.0f = x*F:Ratio:/10\nStoreFormula I@Speed = x*10/F:Ratio:\n}\n"
           "UserOption EditBox {\nLogicalName RatioBox\nDisplayName Axle ratio\n"
           "DisplayFormula %.2f = x\nStoreFormula F@Ratio = x\n}\n"
           // A field whose display names a variable no calibration declares.
           "UserOption EditBox {\nLogicalName TrimBox\nDisplayName Trim\n"
           "DisplayFormula %.1f = x*F:Missing:\nStoreFormula I@Trim = x\n}\n";
}

// Two curves with display conversions: stored / 10 internally, shown doubled (the shift
// curve) or as is (pressure).
const std::string kFourDeclarations =
    "Speed I16 1:0:x Def:200\nRatio F32 1:2:x Def:4\nOwner STR 0:0:x Def:Shop\n"
    "Trim I16 1:6:x Def:7\n"
    "Shift12 T8 10:0:x NVM:10:8:1 Def:100,200,300,400,500,600,700,800,900,1000,\n"
    "Press T8 10:1:x NVM:10:18:1 Def:10,20,30,40,50,60,70,80,90,100,\n";
const std::string kFourTraces =
    "GraphElement Trace {\nLogicalName Shift12\nTraceNum 0\nDisplayName 1-2 Up\nEnableButton 1\n"
    "TraceMode 1\nStoreToIntFormula x/10\nIntToStoreFormula x*10\nDispToIntFormula x/2\n"
    "IntToDispFormula x*2\n}\n"
    "GraphElement Trace {\nLogicalName Press\nTraceNum 1\nDisplayName Pressure\nEnableButton 1\n"
    "TraceMode 2\n}\n";
// Another type: Owner and Press are missing, Gears and Shift23 are its own, and its 1-2
// curve is curve 3.
const std::string kOtherDeclarations =
    "Speed I16 1:0:x Def:200\nRatio F32 1:2:x Def:4\nGears I16 1:6:x Def:5\n"
    "Shift12 T8 10:3:x NVM:10:8:1 Def:100,200,300,400,500,600,700,800,900,1000,\n"
    "Shift23 T8 10:4:x NVM:10:18:1 Def:10,20,30,40,50,60,70,80,90,100,\n";
const std::string kOtherTraces =
    "GraphElement Trace {\nLogicalName Shift12\nTraceNum 3\nDisplayName 1-2 Up\nEnableButton 1\n"
    "TraceMode 1\nStoreToIntFormula x/10\nIntToStoreFormula x*10\nDispToIntFormula x/2\n"
    "IntToDispFormula x*2\n}\n"
    "GraphElement Trace {\nLogicalName Shift23\nTraceNum 4\nDisplayName 2-3 Up\nEnableButton 1\n"
    "TraceMode 2\n}\n";

class Compare : public ::testing::Test, protected DocFixture {
protected:
    void SetUp() override {
        dir.Write("PID2/3/generic.init", kGeneric);
        dir.Write("PID2/3/four.def", Definition("FOUR", kFourDeclarations, kFourTraces));
        dir.Write("PID2/3/other.def", Definition("OTHER", kOtherDeclarations, kOtherTraces));
        MakeDoc();
        doc->SetGraph(&graph);
    }

    // A new calibration of that type, with every default, saved as name.
    std::string Save(const std::string& name) {
        EXPECT_TRUE(doc->OnSaveDocument(dir.File(name)));
        return dir.File(name);
    }
    void ChooseType(const std::string& file) {
        doc->Header[kDefinitionFileName] = file;
        ASSERT_EQ(doc->LoadDefinitionFile(doc->DefinitionFilePath()), 1);
        doc->ReadApplicationID();
        doc->ClearDeclarations(2);
        ASSERT_EQ(doc->ReadDeclarations(1), 1);
        std::vector<TuningControl> controls;
        BuildGraphicalTuning(*doc, controls);
    }
    // The two files opened as the comparison opens them, and compared.
    CalibrationComparison Diff(const std::string& a, const std::string& b) {
        ComparedCalibration here(settings, dir.path());
        ComparedCalibration there(settings, dir.path());
        std::string error;
        EXPECT_TRUE(here.Open(a, error)) << error;
        EXPECT_TRUE(there.Open(b, error)) << error;
        return CompareCalibrations(here.Doc(), there.Doc());
    }

    NullCurveGraph graph;
};

TEST_F(Compare, ACalibrationEqualsItsCopy) {
    ChooseType("four.def");
    const std::string a = Save("a.gvr");
    const CalibrationComparison same = Diff(a, Save("b.gvr"));
    EXPECT_TRUE(same.Same());
    EXPECT_EQ(same.matchedCurve[0], 0);
    EXPECT_EQ(same.matchedCurve[1], 1);
    EXPECT_EQ(same.matchedCurve[2], -1);
}

TEST_F(Compare, ListsExactlyTheEditedValuesAsTheyAreShown) {
    ChooseType("four.def");
    const std::string a = Save("a.gvr");
    doc->SetFloatVariable("Ratio", 4.1f);
    doc->Point(0, 3) = 470;
    doc->Point(1, 9) = 95;
    doc->Slot(doc->FindStringIndex("Owner")).name = "Owner two";
    const CalibrationComparison c = Diff(a, Save("b.gvr"));

    EXPECT_FALSE(c.Same());
    EXPECT_FALSE(c.TypesDiffer());
    // Speed keeps its stored value: not listed, though its field shows it through Ratio.
    ASSERT_EQ(c.variables.size(), 2u);
    EXPECT_EQ(c.variables[0].name, "Ratio");
    EXPECT_EQ(c.variables[0].label, "Axle ratio");
    EXPECT_EQ(c.variables[0].here, "4.00");
    EXPECT_EQ(c.variables[0].there, "4.10");
    EXPECT_EQ(c.variables[1].name, "Owner");
    EXPECT_EQ(c.variables[1].here, "\"Shop\"");
    EXPECT_EQ(c.variables[1].there, "\"Owner two\"");

    // In display units: stored 400 -> 40 -> 80; 470 -> 47 -> 94; pressure shown as stored.
    ASSERT_EQ(c.points.size(), 2u);
    EXPECT_EQ(CurvePointPlace(c.points[0]), "1-2 Up point 3");
    EXPECT_EQ(c.points[0].here, 80.0f);
    EXPECT_EQ(c.points[0].there, 94.0f);
    EXPECT_EQ(c.points[0].storedThere, 470);
    EXPECT_EQ(CurvePointPlace(c.points[1]), "Pressure point 9");
    EXPECT_EQ(c.points[1].here, 100.0f);
    EXPECT_EQ(c.points[1].there, 95.0f);
}

TEST_F(Compare, ShownTextsThatReadAlikeKeepTheirStoredValues) {
    ChooseType("four.def");
    const std::string a = Save("a.gvr");
    doc->SetIntVariable("Speed", 201); // 80.4 shows as 80 like 200
    const CalibrationComparison c = Diff(a, Save("b.gvr"));
    ASSERT_EQ(c.variables.size(), 1u);
    EXPECT_EQ(c.variables[0].here, "80");
    EXPECT_EQ(c.variables[0].there, "80");
    EXPECT_EQ(c.variables[0].storedHere, "200");
    EXPECT_EQ(c.variables[0].storedThere, "201");
}

TEST_F(Compare, AnotherTypeIsComparedByName) {
    ChooseType("four.def");
    doc->Point(0, 0) = 120;
    const std::string a = Save("a.gvr");
    ChooseType("other.def");
    const CalibrationComparison c = Diff(a, Save("b.gvr"));

    EXPECT_TRUE(c.TypesDiffer());
    EXPECT_EQ(c.typeHere, "FOUR");
    EXPECT_EQ(c.typeThere, "OTHER");
    EXPECT_TRUE(c.variables.empty());
    EXPECT_EQ(c.variablesOnlyHere, (std::vector<std::string>{"Owner", "Trim"}));
    EXPECT_EQ(c.variablesOnlyThere, std::vector<std::string>{"Gears"});
    EXPECT_EQ(c.curvesOnlyHere, std::vector<std::string>{"Pressure"});
    EXPECT_EQ(c.curvesOnlyThere, std::vector<std::string>{"2-3 Up"});
    // The 1-2 curve is curve 3 there, and only its first point differs.
    EXPECT_EQ(c.matchedCurve[0], 3);
    EXPECT_EQ(c.matchedCurve[1], -1);
    ASSERT_EQ(c.points.size(), 1u);
    EXPECT_EQ(c.points[0].curve, 0);
    EXPECT_EQ(c.points[0].otherCurve, 3);
    EXPECT_EQ(c.points[0].storedHere, 120);
    EXPECT_EQ(c.points[0].storedThere, 100);
}

// The open calibration is compared while its windows may be reading its definition: its
// scopes stay where they were, and what the comparison cannot resolve shows no message.
TEST_F(Compare, TheOpenCalibrationIsLeftAsItWas) {
    ChooseType("four.def");
    ComparedCalibration other(settings, dir.path());
    std::string error;
    ASSERT_TRUE(other.Open(Save("a.gvr"), error)) << error;
    doc->SetIntVariable("Trim", 8);
    const std::string before = doc->SaveToBytes();
    ASSERT_TRUE(doc->FindSection("[Vehicle]", 0));
    std::string header;
    ASSERT_TRUE(doc->FindBlock("UserOption", header, 0));
    const std::array<int, 5> scopes = {doc->SectionStart, doc->SectionEnd, doc->ItemCursor,
                                       doc->BlockStart, doc->BlockEnd};
    host.messages.clear();

    const CalibrationComparison c = CompareCalibrations(*doc, other.Doc());
    ASSERT_EQ(c.variables.size(), 1u);
    EXPECT_EQ(c.variables[0].name, "Trim");
    EXPECT_EQ(c.variables[0].storedHere, "8");
    EXPECT_TRUE(host.messages.empty()) << host.messages.front().text;
    EXPECT_EQ(&doc->Host(), &host);
    EXPECT_EQ((std::array<int, 5>{doc->SectionStart, doc->SectionEnd, doc->ItemCursor,
                                  doc->BlockStart, doc->BlockEnd}),
              scopes);
    EXPECT_EQ(doc->SaveToBytes(), before);
}

TEST_F(Compare, AFileThatCannotBeOpenedSaysWhy) {
    ComparedCalibration compared(settings, dir.path());
    std::string error;
    EXPECT_FALSE(compared.Open(dir.Write("bad.gvr", "not a calibration\n"), error));
    EXPECT_NE(error.find("not recognized as a valid calibration file"), std::string::npos) << error;
    EXPECT_FALSE(compared.Open(dir.File("missing.gvr"), error));
    EXPECT_NE(error.find("could not be read"), std::string::npos) << error;
}

} // namespace
} // namespace vexa
