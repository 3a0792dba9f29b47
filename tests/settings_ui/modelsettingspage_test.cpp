#include "modelfixture.h"

#include <functional>

namespace vexa {
namespace {

using testing::ModelTest;
using testing::RecordedMessage;

const char* const kVariables =
    "Mode I16 1:0:x Def:0\nChan I16 1:2:x Def:0\nRad I16 1:4:x Def:0\nLvl I16 1:6:x Def:0\n"
    "Sel I16 1:8:x Def:0\n";

const char* const kLayout =
    "[Layout]\n"
    "UserOption CheckBox {\nLogicalName Cb\nDisplayName Check\nGlobalInfluence 8\n"
    "BitValState0 @Mode I:0\nBitValState1 @Mode I:1\n}\n"
    "UserOption ComboBox {\nLogicalName Co\nDisplayName Combo\nxPosition 1\nListTxt0 Zero\n"
    "ListTxt1 One\nListTxt2 Two\nBitValState0 @Chan I:0\nBitValState1 @Chan I:1\n"
    "BitValState2 @Chan I:2\n}\n"
    "UserOption CheckBox {\nLogicalName Hidden\nDisplayName Hidden\nySpace 100\n"
    "EnableCondition @Mode I:5\n}\n"
    "UserOption RadioButton {\nLogicalName Ra\nDisplayName Radio\nySpace 10\nDefState 7\n"
    "TxtState0 a\nTxtState1 b\nTxtState2 c\nBitValState0 @Rad I:10\nBitValState1 @Rad I:11\n"
    "BitValState2 @Rad I:12\n}\n"
    "UserOption EditBox {\nLogicalName Ed\nDisplayName Edit\nxPosition 1\nStoreFormula I:@Lvl = x\n"
    "DisplayFormula %.0f = x\nMinValue 0\n}\n"
    "UserOption PushButton {\nLogicalName Pb\nDisplayName Push\nxPosition 3\n}\n"
    "UserOption TextBox {\nLogicalName Tx\nDisplayName Text\nxPosition 4\n}\n"
    "UserOption Slider {\nLogicalName Sl\nySpace 7\n}\n"
    "[Twins]\n"
    "UserOption RadioButton {\nLogicalName Same\nDisplayName First\nTxtState0 a\nTxtState1 b\n}\n"
    "UserOption RadioButton {\nLogicalName Same\nDisplayName Second\nxPosition 1\nTxtState0 c\n"
    "TxtState1 d\nTxtState2 e\n}\n";

class Pages : public ModelTest {
protected:
    void SetUp() override { Load(kVariables, kLayout); }
};

TEST_F(Pages, OptionsAreLaidOutInTwoColumns) {
    SetInt("Chan", 2);
    auto page = ShowPage("[Layout]");
    EXPECT_EQ(page->SelectionCombo(), nullptr);

    const auto& buttons = page->Buttons();
    ASSERT_EQ(buttons.size(), 6u); // check box, three radios, their group box, push button
    struct Expected {
        int kind;
        const char* text;
        ControlRect rect;
    };
    const Expected expected[] = {
        {ButtonModel::kCheckBox, "Check", {10, 5, 340, 25}},
        {ButtonModel::kRadioButton, "a", {25, 65, 325, 85}},
        {ButtonModel::kRadioButton, "b", {25, 90, 325, 110}},
        {ButtonModel::kRadioButton, "c", {25, 115, 325, 135}},
        {ButtonModel::kGroupBox, "Radio", {10, 45, 340, 145}},
        {ButtonModel::kPushButton, "Push", {515, 105, 655, 130}},
    };
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        EXPECT_EQ(buttons[i]->Kind(), expected[i].kind) << i;
        EXPECT_EQ(buttons[i]->text, expected[i].text) << i;
        EXPECT_EQ(buttons[i]->rect, expected[i].rect) << i;
    }
    EXPECT_EQ(buttons[1]->radioIndex, 0);
    EXPECT_TRUE(buttons[1]->groupStart);
    EXPECT_FALSE(buttons[2]->groupStart);

    ASSERT_EQ(page->ComboBoxes().size(), 1u);
    const ComboBoxModel& combo = *page->ComboBoxes()[0];
    EXPECT_EQ(combo.label->rect, (ControlRect{350, 5, 680, 25}));
    EXPECT_EQ(combo.label->text, "Combo");
    EXPECT_EQ(combo.rect, (ControlRect{350, 25, 680, 200}));
    EXPECT_EQ(combo.entries, (std::vector<std::string>{"Zero", "One", "Two"}));
    EXPECT_EQ(combo.selected, 2);

    const EditBoxModel& edit = *page->EditBoxes()[0];
    EXPECT_EQ(edit.label->rect, (ControlRect{350, 65, 490, 85}));
    EXPECT_EQ(edit.rect, (ControlRect{350, 85, 490, 105}));
    const TextBoxModel& text = *page->TextBoxes()[0];
    EXPECT_TRUE(text.fullWidth);
    EXPECT_EQ(text.label->rect, (ControlRect{10, 160, 690, 180}));
    EXPECT_EQ(text.rect, (ControlRect{10, 180, 690, 480}));

    // The unknown type made nothing but took its space; the hidden option took none.
    EXPECT_EQ(page->LeftColumnY(), 167);
    EXPECT_EQ(page->RightColumnY(), 220);

    // Every control but the labels holds an id of its own until the page goes.
    EXPECT_EQ(ids.inUse.size(), 9u);
    EXPECT_EQ(*ids.inUse.begin(), 1040);
    page.reset();
    EXPECT_TRUE(ids.inUse.empty());
}

TEST_F(Pages, StatesComeFromTheVariablesOrTheRememberedState) {
    std::int32_t remembered = 5;
    doc->SetControlState("[Layout]", "Cb", remembered);
    SetInt("Mode", 3);
    auto page = ShowPage("[Layout]");
    // State 5 is out of range and no list holds: unchecked, and BitValState0 applied.
    EXPECT_FALSE(page->Buttons()[0]->checked);
    EXPECT_EQ(Int("Mode"), 0);
    EXPECT_TRUE(doc->IsModified());
    // DefState 7 with no list holding: the first radio button, and nothing applied.
    EXPECT_TRUE(page->Buttons()[1]->checked);
    EXPECT_FALSE(page->Buttons()[2]->checked);
    EXPECT_EQ(Int("Rad"), 0);

    // A list that holds decides.
    SetInt("Rad", 12);
    SetInt("Mode", 1);
    auto again = ShowPage("[Layout]");
    EXPECT_TRUE(again->Buttons()[0]->checked);
    EXPECT_TRUE(again->Buttons()[3]->checked);
    EXPECT_FALSE(again->Buttons()[1]->checked);
}

// Each RadioButton block is a group of its own, even when two blocks share a LogicalName;
// the arrow keys choose within the group and start again at its other end.
TEST_F(Pages, RadioGroupsAreTheBlocksButtons) {
    auto page = ShowPage("[Twins]");
    const auto& buttons = page->Buttons();
    ASSERT_EQ(buttons.size(), 7u); // a, b, their box, c, d, e, their box
    const auto checked = [&buttons] {
        std::string names;
        for (const auto& button : buttons)
            names += button->checked ? button->text : "";
        return names;
    };
    ASSERT_EQ(checked(), "ac");
    EXPECT_EQ(page->RadioGroup(1), (std::pair<int, int>{0, 1}));
    EXPECT_EQ(page->RadioGroup(4), (std::pair<int, int>{3, 5}));
    EXPECT_EQ(page->RadioGroup(2), (std::pair<int, int>{-1, -1}));

    page->OnButtonClicked(4, true);
    EXPECT_EQ(checked(), "ad");

    struct Step {
        int from;
        int step;
        int to;
        const char* checked;
    };
    for (const Step& s : {Step{4, 1, 5, "ae"}, Step{5, 1, 3, "ac"}, Step{3, -1, 5, "ae"},
                          Step{0, 1, 1, "be"}, Step{1, 1, 0, "ae"}, Step{2, 1, -1, "ae"}}) {
        EXPECT_EQ(page->OnRadioArrow(s.from, s.step), s.to) << s.from << " " << s.step;
        EXPECT_EQ(checked(), s.checked) << s.from << " " << s.step;
    }
}

TEST_F(Pages, ClicksApplyTheirListsAndRememberTheirState) {
    auto page = ShowPage("[Layout]");
    const int generation = page->OptionsGeneration();
    host.calls.clear();

    page->OnButtonClicked(0, true);
    EXPECT_EQ(Int("Mode"), 1);
    EXPECT_NE(doc->ControlStateText.find(":[Layout]:Cb 1; "), std::string::npos);
    page->OnButtonClicked(0, false);
    EXPECT_EQ(Int("Mode"), 0);
    EXPECT_NE(doc->ControlStateText.find(":[Layout]:Cb 0; "), std::string::npos);
    // A check box has no GlobalInfluence of its own, whatever its block says.
    EXPECT_EQ(page->OptionsGeneration(), generation);
    EXPECT_TRUE(host.calls.empty());

    page->OnButtonClicked(2, true);
    EXPECT_EQ(Int("Rad"), 11);
    EXPECT_NE(doc->ControlStateText.find(":[Layout]:Ra 1; "), std::string::npos);
    EXPECT_FALSE(page->Buttons()[1]->checked);
    EXPECT_TRUE(page->Buttons()[2]->checked);
    // Clicking the checked radio button again applies its list again.
    SetInt("Rad", 99);
    page->OnButtonClicked(2, true);
    EXPECT_EQ(Int("Rad"), 11);
    // A radio button that ends up unchecked and the group box change nothing.
    page->OnButtonClicked(3, false);
    page->OnButtonClicked(4, true);
    EXPECT_EQ(Int("Rad"), 11);
    EXPECT_NE(doc->ControlStateText.find(":[Layout]:Ra 1; "), std::string::npos);

    page->OnComboSelChange(0, 1);
    EXPECT_EQ(Int("Chan"), 1);
    EXPECT_NE(doc->ControlStateText.find(":[Layout]:Co 1; "), std::string::npos);

    // The definition engine's section may have moved meanwhile (a bar rebuild does so).
    doc->FindSection("[Declarations]", 0);
    page->OnButtonClicked(0, true);
    EXPECT_EQ(Int("Mode"), 1);
    EXPECT_TRUE(host.messages.empty());
}

TEST_F(Pages, EachUserActionIsOneStepNamedAfterItsControl) {
    struct Case {
        const char* what;
        std::function<void(SettingsPageModel&)> act;
        std::string step;
    };
    const Case cases[] = {
        {"check box", [](SettingsPageModel& p) { p.OnButtonClicked(0, true); }, "Check"},
        {"list", [](SettingsPageModel& p) { p.OnComboSelChange(0, 2); }, "Combo"},
        {"radio button", [](SettingsPageModel& p) { p.OnButtonClicked(3, true); }, "c"},
        {"number typed", [](SettingsPageModel& p) { p.OnEditCommit(0, "42"); }, "Edit"},
        {"arrow key", [](SettingsPageModel& p) { p.OnEditKeyDown(0, "", kKeyUp, 1, true); },
         "Edit"},
        {"wheel", [](SettingsPageModel& p) { p.OnEditWheel(0, -120); }, "Edit"},
        {"leaving the page",
         [](SettingsPageModel& p) {
             p.OnEditTextEdited(0, "7");
             p.OnKillActive();
         },
         "Edit"},
        {"text typed, one character at a time",
         [](SettingsPageModel& p) {
             for (const char* text : {"T", "To", "Tow"})
                 p.OnTextChanged(0, text);
         },
         "Text"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Load(kVariables, kLayout);
        SetInt("Lvl", 5);
        auto page = ShowPage("[Layout]");
        doc->ClearHistory();
        // Whole saved files, compared without printing them.
        const std::string before = doc->SaveToBytes();
        c.act(*page);
        const std::string after = doc->SaveToBytes();
        ASSERT_TRUE(after != before) << "nothing changed";
        EXPECT_EQ(doc->History().StepCount(), 1u);
        EXPECT_EQ(doc->UndoName(), c.step);
        doc->Undo();
        EXPECT_TRUE(doc->SaveToBytes() == before) << "undo left a difference";
        doc->Redo();
        EXPECT_TRUE(doc->SaveToBytes() == after) << "redo left a difference";
    }
}

TEST_F(Pages, RebuildAskedForDuringTheBuildRunsOnceAfterIt) {
    Load(kVariables,
         "[Deferred]\n"
         "UserOption CheckBox {\nLogicalName Extra\nDisplayName Extra\n"
         "EnableCondition @Lvl I:100\n}\n"
         "UserOption EditBox {\nLogicalName Ed\nDisplayName Level\nStoreFormula I:@Lvl = x\n"
         "MinValue 0\nMaxValue 100\nGlobalInfluence 9\n}\n");
    SetInt("Lvl", 500);
    auto page = ShowPage("[Deferred]");
    // The edit clamped Lvl while the page was built; the rebuild then shows Extra.
    EXPECT_EQ(Int("Lvl"), 100);
    EXPECT_EQ(page->Buttons().size(), 1u);
    EXPECT_EQ(page->OptionsGeneration(), 2);
    EXPECT_EQ(host.calls, std::vector<std::string>{"RedrawView"});
}

TEST_F(Pages, OptionsBeyondTheListsAreLeftOut) {
    std::string section = "[Many]\n";
    auto checkBox = [](int n) {
        return "UserOption CheckBox {\nLogicalName C" + std::to_string(n) + "\n}\n";
    };
    for (int i = 0; i < 18; ++i)
        section += checkBox(i);
    section += "UserOption RadioButton {\nLogicalName R\nTxtState0 a\nTxtState1 b\nTxtState2 c\n"
               "ySpace 50\n}\n";
    section += checkBox(18) + checkBox(19) + checkBox(20);
    for (int i = 0; i < 16; ++i)
        section += "UserOption EditBox {\nLogicalName E" + std::to_string(i) + "\n}\n";
    Load(kVariables, section);
    auto page = ShowPage("[Many]");
    ASSERT_EQ(page->Buttons().size(), 20u);
    EXPECT_EQ(page->Buttons()[18]->logicalName, "C18");
    EXPECT_EQ(page->Buttons()[19]->rect.top, 5 + 19 * 25); // the left-out group took no space
    EXPECT_EQ(page->EditBoxes().size(), 15u);
}

TEST_F(Pages, ApplyShowsTheFirstEditBoxText) {
    SetInt("Lvl", 42);
    auto page = ShowPage("[Layout]");
    page->OnApply();
    EXPECT_EQ(host.messages, std::vector<RecordedMessage>({{"42", "Applied!", kMbOk}}));
}

// --- Items of a section -------------------------------------------------------------------

const char* const kItems =
    "[Shift]\nLogicalName Soft\nDisplayName Soft shifts\nBitValFixed @Sel I:1\n"
    "DisplayPic pics\\soft.bmp\nDescription Gentle\n"
    "UserOption CheckBox {\nLogicalName SoftOnly\nDisplayName Soft only\n}\n"
    "[Shift]\nLogicalName Firm\nDisplayName Firm shifts\nBitValFixed @Sel I:2\n"
    "UserOption CheckBox {\nLogicalName FirmOnly\nDisplayName Firm only\n}\n"
    "[Shift]\nLogicalName Sport\nDisplayName Sport shifts\nBitValFixed @Sel I:3\n"
    "DisplayPic ..\\outside.bmp\n"
    "[Single]\nLogicalName One\nDisplayName Only\nBitValFixed @Sel I:7\n";

class Items : public ModelTest {
protected:
    void SetUp() override {
        Load(kVariables, kItems);
        dir.Write("pics/soft.bmp", "BM");
    }
};

TEST_F(Items, TheItemTheCalibrationMatchesWinsOverTheRememberedOne) {
    SetInt("Sel", 2);
    std::string remembered = "Sport";
    doc->ControlState("[Shift]", "LogicalName", remembered, 1);
    auto page = ShowPage("[Shift]");

    ComboBoxModel* combo = page->SelectionCombo();
    ASSERT_NE(combo, nullptr);
    EXPECT_EQ(combo->entries,
              (std::vector<std::string>{"Soft shifts", "Firm shifts", "Sport shifts"}));
    EXPECT_EQ(combo->selected, 1);
    EXPECT_EQ(page->SelectedItemName(), "Firm");
    std::string saved;
    doc->ControlState("[Shift]", "LogicalName", saved, 0);
    EXPECT_EQ(saved, "Firm");
    EXPECT_FALSE(doc->IsModified());

    // The selection area, then the item's options from y 210.
    EXPECT_EQ(page->SelectionLabel()->text, "Choose Options:");
    EXPECT_EQ(page->SelectionLabel()->rect, (ControlRect{10, 5, 340, 25}));
    EXPECT_EQ(combo->rect, (ControlRect{10, 25, 340, 200}));
    EXPECT_EQ(page->Description()->rect, (ControlRect{10, 65, 340, 205}));
    EXPECT_EQ(page->Picture()->rect, (ControlRect{350, 5, 680, 205}));
    ASSERT_EQ(page->Buttons().size(), 1u);
    EXPECT_EQ(page->Buttons()[0]->logicalName, "FirmOnly");
    EXPECT_EQ(page->Buttons()[0]->rect, (ControlRect{10, 210, 340, 230}));
    EXPECT_FALSE(page->Picture()->visible);
    EXPECT_EQ(page->Description()->text, "");
}

TEST_F(Items, WithoutAMatchTheRememberedItemThenTheFirstIsTaken) {
    struct Case {
        const char* remembered;
        int selected;
    };
    const Case cases[] = {{"Sport", 2}, {"Gone", 0}, {"", 0}};
    for (const Case& c : cases) {
        doc->ControlStateText.clear();
        std::string remembered = c.remembered;
        doc->ControlState("[Shift]", "LogicalName", remembered, 1);
        SetInt("Sel", 0);
        auto page = ShowPage("[Shift]");
        EXPECT_EQ(page->SelectionCombo()->selected, c.selected) << c.remembered;
        EXPECT_EQ(Int("Sel"), c.selected + 1) << c.remembered; // its BitValFixed applied
    }
}

TEST_F(Items, ChoosingAnItemAppliesItAndShowsItsPicture) {
    SetInt("Sel", 2);
    auto page = ShowPage("[Shift]");
    host.calls.clear();
    page->OnComboSelChange(0, 0);
    EXPECT_EQ(Int("Sel"), 1);
    EXPECT_TRUE(doc->IsModified());
    EXPECT_EQ(page->SelectedItemName(), "Soft");
    EXPECT_EQ(host.calls, std::vector<std::string>{"RedrawView"});
    ASSERT_EQ(page->Buttons().size(), 1u);
    EXPECT_EQ(page->Buttons()[0]->logicalName, "SoftOnly");
    EXPECT_TRUE(page->Picture()->visible);
    EXPECT_EQ(page->Picture()->picturePath, dir.path() + "/pics/soft.bmp");
    EXPECT_EQ(page->Description()->text, "Gentle");

    // A picture outside the program directory is refused and hidden.
    page->OnComboSelChange(0, 2);
    EXPECT_FALSE(page->Picture()->visible);
    EXPECT_EQ(host.messages,
              std::vector<RecordedMessage>(
                  {{kOutsideProgramDirError, "..\\outside.bmp", kMbIconExclamation}}));
}

TEST_F(Items, ASingleItemIsAppliedWithoutASelectionArea) {
    auto page = ShowPage("[Single]");
    EXPECT_EQ(page->SelectionCombo(), nullptr);
    EXPECT_EQ(page->SelectedItemName(), "One");
    EXPECT_EQ(Int("Sel"), 7);
    EXPECT_TRUE(doc->IsModified());
    EXPECT_EQ(page->LeftColumnY(), 5);
}

} // namespace
} // namespace vexa
