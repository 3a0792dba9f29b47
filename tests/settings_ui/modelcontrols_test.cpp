#include "modelfixture.h"

namespace vexa {
namespace {

using testing::ModelTest;

TEST(FormatFitsDoubles, AcceptsOnlyDoubleConversionsUpToTheCount) {
    struct Case {
        const char* format;
        int count;
        bool fits;
    };
    const Case cases[] = {
        {"%#.2f", 1, true},      {"%.1f km/h", 1, true}, {"100%% %g", 1, true},
        {"plain text", 0, true}, {"%lf", 1, true},       {"%e %g %f", 3, true},
        {"%e %g %f", 2, false},  {"%d", 1, false},       {"%s", 1, false},
        {"%n", 1, false},        {"%*f", 1, false},      {"%Lf", 1, false},
        {"%300f", 1, false},     {"%.999f", 1, false},   {"%", 1, false},
        {"%1$f", 1, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FormatFitsDoubles(c.format, c.count), c.fits) << c.format;
    // A NUL byte ends the format for the C library, in the middle of a conversion too.
    for (const std::string& format : {std::string("%.\0", 3), std::string("%-\0f", 4)})
        EXPECT_FALSE(FormatFitsDoubles(format, 1)) << format.size();
}

TEST(ResolveProgramFile, KeepsNamesInsideTheProgramDirectory) {
    struct Case {
        const char* stored;
        const char* resolved; // nullptr: refused
    };
    const Case cases[] = {
        {"Help\\Guide.rtf", "/opt/vexa/Help/Guide.rtf"},
        {"tools/flash", "/opt/vexa/tools/flash"},
        {"a..b/c", "/opt/vexa/a..b/c"},
        {"..\\evil.exe", nullptr},
        {"tools/../../etc/passwd", nullptr},
        {"/bin/sh", nullptr},
        {"\\\\server\\share\\x", nullptr},
        {"C:\\Windows\\x.exe", nullptr},
        {"", nullptr},
    };
    for (const Case& c : cases) {
        std::string path = "unchanged";
        const bool ok = ResolveProgramFile("/opt/vexa", c.stored, path);
        EXPECT_EQ(ok, c.resolved != nullptr) << c.stored;
        EXPECT_EQ(path, c.resolved ? c.resolved : "unchanged") << c.stored;
    }
}

// --- Numeric fields ---------------------------------------------------------------------

const char* const kEditVariables = "VAL I16 1:0:x Def:0\nRAT F32 1:4:x Def:0\n";
const char* const kEdits =
    "[Edits]\n"
    "UserOption EditBox {\nLogicalName Speed\nDisplayName Speed\nStoreFormula I:@VAL = x*10\n"
    "StoreFormula2 F:@RAT = x/4\nDisplayFormula %.0f = x\nMinValue 0\nMaxValue 100\n}\n"
    "UserOption EditBox {\nLogicalName Factor\nDisplayName Factor\nDefValue 2.5\n"
    "DeltaIncrement 0.5\nMinValue -100\nMaxValue 100\n}\n"
    "[Rounded]\n"
    "UserOption EditBox {\nLogicalName Gap\nDisplayName Gap\nStoreFormula I:@VAL = x/0.3\n"
    "DisplayFormula %.0f = x*0.3\nMinValue 0\nMaxValue 2000\n}\n";

class EditBoxes : public ModelTest {
protected:
    void SetUp() override { Load(kEditVariables, kEdits); }
};

TEST_F(EditBoxes, CommitRunsTheStoreFormulaClampsAndRounds) {
    auto page = ShowPage("[Edits]");
    ASSERT_EQ(page->EditBoxes().size(), 2u);
    const EditBoxModel& speed = *page->EditBoxes()[0];
    EXPECT_EQ(speed.Text(), "0");

    struct Case {
        const char* typed;
        int stored;
        const char* shown;
        float second;
    };
    const Case cases[] = {
        {"7.26", 73, "73", 18.25f}, // 72.6 + 0.5 truncated
        {"20", 100, "100", 25.0f},  // clamped before rounding
        {"-0.27", 0, "0", 0.0f},    // clamped to MinValue
        {"abc", 0, "0", 0.0f},      // not a number: nothing stored
        {"nan", 0, "0", 0.0f},      // not finite: nothing stored
    };
    for (const Case& c : cases) {
        page->OnEditCommit(0, c.typed);
        EXPECT_EQ(Int("VAL"), c.stored) << c.typed;
        EXPECT_EQ(speed.Text(), c.shown) << c.typed;
        EXPECT_NEAR(Float("RAT"), c.second, 1e-6) << c.typed;
    }
    EXPECT_TRUE(host.messages.empty());
}

TEST_F(EditBoxes, ATypedNumberMarksTheCalibrationModifiedOnlyWhenItChanges) {
    auto page = ShowPage("[Edits]");
    page->OnEditCommit(0, "0");
    EXPECT_FALSE(doc->IsModified());
    page->OnEditCommit(0, "abc");
    EXPECT_FALSE(doc->IsModified());
    page->OnEditCommit(0, "5");
    EXPECT_TRUE(doc->IsModified());
}

TEST_F(EditBoxes, StepsComeFromKeysAndTheWheel) {
    auto page = ShowPage("[Edits]");
    const EditBoxModel& factor = *page->EditBoxes()[1];
    EXPECT_FLOAT_EQ(factor.Value(), 2.5f);
    for (int i = 0; i < 3; ++i)
        page->OnEditKeyDown(1, factor.Text(), kKeyUp, 1, true);
    EXPECT_FLOAT_EQ(factor.Value(), 10.0f);
    page->OnEditKeyDown(1, factor.Text(), kKeyDown, 2, false);
    EXPECT_FLOAT_EQ(factor.Value(), 9.0f);
    page->OnEditWheel(1, 120);
    EXPECT_FLOAT_EQ(factor.Value(), 9.5f);
    page->OnEditWheel(1, 60);
    EXPECT_FLOAT_EQ(factor.Value(), 9.5f);
    page->OnEditWheel(1, 60);
    EXPECT_FLOAT_EQ(factor.Value(), 10.0f);
    page->OnEditWheel(1, -250); // two notches down, 10 left over
    EXPECT_FLOAT_EQ(factor.Value(), 9.0f);
    EXPECT_EQ(factor.Text(), "9.00");
    EXPECT_FALSE(EditBoxModel::AcceptsCharacter(' '));
    EXPECT_TRUE(EditBoxModel::AcceptsCharacter('7'));
}

// The field shows a rounded number: reading it back would store another value than the
// calibration holds, so a field left as it was shown stores nothing.
TEST_F(EditBoxes, LeavingAFieldStoresOnlyWhatWasTyped) {
    SetInt("VAL", 319);
    auto page = ShowPage("[Rounded]");
    const EditBoxModel& gap = *page->EditBoxes()[0];
    ASSERT_EQ(gap.Text(), "96");
    page->OnEditFocusLost(0, "96");
    EXPECT_EQ(Int("VAL"), 319);
    EXPECT_FALSE(doc->IsModified());

    page->OnEditTextEdited(0, "97");
    EXPECT_TRUE(gap.HasTypedText());
    EXPECT_EQ(Int("VAL"), 319); // typing alone stores nothing
    page->OnEditFocusLost(0, "97");
    EXPECT_EQ(Int("VAL"), 323); // 97 / 0.3 = 323.3
    EXPECT_EQ(gap.Text(), "97");
    EXPECT_FALSE(gap.HasTypedText());
    EXPECT_TRUE(doc->IsModified());

    // Return stores what the field shows, typed or not, as before.
    page->OnEditKeyDown(0, "97", kKeyReturn, 1, false);
    EXPECT_EQ(Int("VAL"), 323);
}

TEST_F(EditBoxes, ValueWithoutTargetIsRememberedAcrossRebuilds) {
    auto page = ShowPage("[Edits]");
    page->OnEditFocusLost(1, "1.2345678");
    EXPECT_NE(doc->ControlStateText.find(":[Edits]:Factor 1.23457; "), std::string::npos);
    page->ClearUserOptions();
    page->BuildUserOptions();
    EXPECT_FLOAT_EQ(page->EditBoxes()[1]->Value(), 1.23457f);
    EXPECT_EQ(page->EditBoxes()[1]->Text(), "1.23");

    auto again = ShowPage("[Edits]");
    EXPECT_EQ(again->EditBoxes()[1]->Text(), "1.23");
}

TEST_F(EditBoxes, BuildingStoresClampedValuesBack) {
    SetInt("VAL", 5000);
    auto page = ShowPage("[Edits]");
    EXPECT_EQ(Int("VAL"), 100);
    EXPECT_FLOAT_EQ(Float("RAT"), 25.0f);
    EXPECT_EQ(page->EditBoxes()[0]->Text(), "100");
    EXPECT_FALSE(doc->IsModified()); // set-up never marks the calibration modified
}

TEST_F(EditBoxes, UnsafeDisplayFormatFallsBackToTheDefault) {
    Load(kEditVariables, "[Edits]\nUserOption EditBox {\nLogicalName Bad\n"
                         "DisplayFormula %s%n = x\nStoreFormula F:@RAT = x\n}\n");
    auto page = ShowPage("[Edits]");
    EXPECT_EQ(page->EditBoxes()[0]->DisplayFormat(), "%#.2f");
    page->OnEditCommit(0, "3");
    EXPECT_EQ(page->EditBoxes()[0]->Text(), "3.00");
}

// --- Free-text fields ---------------------------------------------------------------------

TEST_F(EditBoxes, TextBoxesWriteStringVariablesOrTheControlState) {
    Load("Note STR 2:0:Hello\n",
         "[Texts]\nUserOption TextBox {\nLogicalName Owner\nDisplayName Owner\nTargetVar Note\n}\n"
         "UserOption TextBox {\nLogicalName Free\nDisplayName Free\n}\n"
         "UserOption TextBox {\nLogicalName Lost\nTargetVar NoSuchString\n}\n");
    auto page = ShowPage("[Texts]");
    ASSERT_EQ(page->TextBoxes().size(), 3u);
    EXPECT_EQ(page->TextBoxes()[0]->Text(), "Hello");
    // The unknown string is reported once, at set-up.
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].caption, "NoSuchString");

    page->OnTextChanged(0, "World");
    EXPECT_EQ(doc->Slot(doc->FindStringIndex("Note")).name, "World");
    EXPECT_TRUE(doc->IsModified());

    // ";" and ":" would split or hide control-state entries.
    doc->SetModifiedFlag(false);
    page->OnTextChanged(1, "a;b :Other x");
    page->OnTextChanged(2, "kept");
    EXPECT_NE(doc->ControlStateText.find(":[Texts]:Free a b  Other x; :[Texts]:Lost kept; "),
              std::string::npos);
    EXPECT_EQ(doc->ControlStateText.find(":Other"), std::string::npos);
    EXPECT_TRUE(doc->IsModified());
    EXPECT_EQ(host.messages.size(), 1u);

    auto again = ShowPage("[Texts]");
    EXPECT_EQ(again->TextBoxes()[1]->Text(), "a b  Other x");
    EXPECT_EQ(again->TextBoxes()[2]->Text(), "kept");
}

// --- Push buttons -----------------------------------------------------------------------------

const char* const kButtonVariables = "A I16 1:0:x Def:12\nOut I16 1:2:x Def:0\n";

std::string ButtonSection(const std::string& buttonKeys) {
    return "[Buttons]\n"
           "UserOption EditBox {\nLogicalName Target\nDisplayName Target\nStoreFormula I:@Out = x\n"
           "DisplayFormula %.0f = x\nMinValue 0\nMaxValue 1000\n}\n"
           "UserOption PushButton {\nLogicalName Go\nDisplayName &Compute\n" +
           buttonKeys + "}\n";
}

class PushButtons : public ModelTest {};

TEST_F(PushButtons, ActionFormulaIsSentThroughTheTargetOrRefused) {
    struct Case {
        const char* keys;
        int stored;        // Out afterwards
        const char* shown; // the target's text afterwards
        const char* message;
    };
    const Case cases[] = {
        {"TargetLName Target\nActionFormula %.1f = I:A: * 2\nMaxValue 100\n", 24, "24", nullptr},
        {"TargetLName Target\nActionFormula %.1f = I:A: * 2\nMinValue 0\nMaxValue 20\n"
         "RangeFailFmt %.1f is outside %.1f to %.1f\n",
         0, "0", "24.0 is outside 0.0 to 20.0"},
        {"TargetLName Target\nActionFormula %.1f = I:A: * 2\nMinValue 24\nMaxValue 24\n", 24, "24",
         nullptr},
        {"TargetLName Target\nActionFormula I:A: + 1\n", 13, "13", nullptr},
        {"TargetLName Target\nActionFormula %d = I:A:\n", 12, "12", nullptr},
        {"TargetLName Target\nActionFormula %.1f = I:A: * 2\nMaxValue 20\nRangeFailFmt %s%n\n", 0,
         "0", "%s%n"},
        {"TargetLName Target\nActionFormula %.1f = I:Nope: * 2\nActionFailText Cannot compute\n", 0,
         "0", "Cannot compute"},
        {"TargetLName Elsewhere\nActionFormula %.1f = I:A:\n", 0, "0", kNoTargetError},
        {"", 0, "0", kNoTargetError},
    };
    for (const Case& c : cases) {
        Load(kButtonVariables, ButtonSection(c.keys));
        auto page = ShowPage("[Buttons]");
        page->OnButtonClicked(0, false);
        EXPECT_EQ(Int("Out"), c.stored) << c.keys;
        EXPECT_EQ(page->EditBoxes()[0]->Text(), c.shown) << c.keys;
        if (c.message) {
            ASSERT_FALSE(host.messages.empty()) << c.keys;
            EXPECT_EQ(host.messages.back(),
                      (testing::RecordedMessage{c.message, "Compute", kMbIconExclamation}))
                << c.keys;
        } else {
            EXPECT_TRUE(host.messages.empty()) << c.keys;
        }
    }
}

TEST_F(PushButtons, ExecuteShowsHelpFilesAndStartsProgramsOnce) {
    Load(kButtonVariables, ButtonSection("Execute Help\\Guide.rtf\n") +
                               "UserOption PushButton {\nLogicalName Run\nDisplayName Run\n"
                               "Execute Tools\\Guide.RTF\n}\n");
    auto page = ShowPage("[Buttons]");
    page->OnButtonClicked(0, false);
    ASSERT_EQ(launcher.helpFiles.size(), 1u);
    EXPECT_EQ(launcher.helpFiles[0], dir.path() + "/Help/Guide.rtf");
    EXPECT_TRUE(launcher.started.empty());

    const std::string program = dir.path() + "/Tools/Guide.RTF";
    page->OnButtonClicked(1, false);
    page->OnButtonClicked(1, false); // still running: no second copy
    EXPECT_EQ(launcher.started, std::vector<std::string>{program});
    EXPECT_EQ(launcher.lastArguments, (std::vector<std::string>{program, "", ""}));
    launcher.running[page->Buttons()[1]->ProcessHandle()] = false;
    page->OnButtonClicked(1, false);
    EXPECT_EQ(launcher.started.size(), 2u);

    // An exit-code query that fails is reported; the next click starts a new copy.
    launcher.queryError = true;
    page->OnButtonClicked(1, false);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0],
              (testing::RecordedMessage{"The handle is invalid.", "Process Status Error:", kMbOk}));
    EXPECT_EQ(launcher.started.size(), 2u);
    launcher.queryError = false;
    launcher.failStart = true;
    page->OnButtonClicked(1, false);
    EXPECT_EQ(launcher.started.size(), 3u);
    EXPECT_EQ(host.messages.back(),
              (testing::RecordedMessage{kExternalProgramError, "Run", kMbIconExclamation}));
}

TEST_F(PushButtons, ExecuteOutsideTheProgramDirectoryIsRefused) {
    for (const char* name : {"..\\..\\bin\\sh", "/bin/sh", "../notes.rtf"}) {
        Load(kButtonVariables, ButtonSection(std::string("Execute ") + name + "\n"));
        auto page = ShowPage("[Buttons]");
        page->OnButtonClicked(0, false);
        EXPECT_TRUE(launcher.started.empty()) << name;
        EXPECT_TRUE(launcher.helpFiles.empty()) << name;
        ASSERT_EQ(host.messages.size(), 1u) << name;
        EXPECT_EQ(host.messages[0],
                  (testing::RecordedMessage{kOutsideProgramDirError, name, kMbIconExclamation}));
    }
}

TEST_F(PushButtons, GlobalInfluenceOfTheButtonAndItsTargetIsCarriedOutOnce) {
    Load(kButtonVariables, ButtonSection("TargetLName Target\nActionFormula %.0f = 5\n"
                                         "GlobalInfluence 9\n"));
    auto page = ShowPage("[Buttons]");
    const int generation = page->OptionsGeneration();
    page->OnButtonClicked(0, false);
    EXPECT_EQ(Int("Out"), 5);
    EXPECT_EQ(page->OptionsGeneration(), generation + 1);
    EXPECT_EQ(host.calls, std::vector<std::string>{"RedrawView"});
    EXPECT_EQ(page->EditBoxes()[0]->Text(), "5");
}

TEST_F(PushButtons, HelpTextsAreShownWithTheApplicationTitle) {
    Load(kButtonVariables,
         "[Buttons]\nUserOption CheckBox {\nLogicalName C\nHelpText Checks it\n}\n"
         "UserOption CheckBox {\nLogicalName D\n}\n");
    auto page = ShowPage("[Buttons]");
    page->OnHelp(SettingsPageModel::ControlClass::kButton, 1);
    EXPECT_TRUE(host.messages.empty());
    page->OnHelp(SettingsPageModel::ControlClass::kButton, 0);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0], (testing::RecordedMessage{"Checks it", kApplicationTitle, kMbOk}));
}

} // namespace
} // namespace vexa
