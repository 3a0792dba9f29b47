#include "modelfixture.h"

namespace vexa {
namespace {

using testing::RecordedMessage;

std::string Definition(const std::string& identity, const std::string& rest) {
    return "[ApplicationID]\n" + identity + std::string(testing::kBlockSizes) +
           "Lvl I16 1:0:x Def:0\n" + rest;
}

const std::string kAlpha = Definition(
    "LogicalName AlphaTx\nTransmissionType 4L60E\nProdName Alpha\nDescription Four speed\n"
    "DisplayPic pics\\alpha.bmp\n",
    "[QuickTuneDialog]\nTab0 ApplicationID\nText0 Transmission\nTab1 Shift\nText1 Shifting\n"
    "HelpText1 Shift help\nTab2 Engine\nText2 Engine\nTab3 Misc\nText3 Misc\n"
    "[ConfigurationDialog]\nTab0 ApplicationID\nText0 Transmission\nTab1 Engine\nText1 Engine\n"
    "Tab2 Misc\nText2 Misc\n"
    "[Engine]\nUserOption EditBox {\nLogicalName Level\nDisplayName Level\n"
    "StoreFormula I:@Lvl = x\nMinValue 0\nMaxValue 100\nGlobalInfluence 4\n}\n"
    "[Shift]\nUserOption CheckBox {\nLogicalName Early\nDisplayName Early\n}\n[Misc]\n");
const std::string kBeta = Definition(
    "LogicalName BetaTx\nTransmissionType 4L80E\nProdName Beta\nDescription Heavy duty\n",
    "[ConfigurationDialog]\nTab0 Whatever\nText0 First\nTab1 Other\nText1 Other\n[Other]\n");

class Sheets : public testing::ModelTest {
protected:
    void SetUp() override {
        dir.Write("PID2/3/alpha.def", kAlpha);
        dir.Write("PID2/3/beta.def", kBeta);
        dir.Write("PID2/3/notype.def", "[ApplicationID]\nLogicalName X\nProdName Y\n");
        dir.Write("pics/alpha.bmp", "BM");
        doc = std::make_unique<CVLXDoc>(CVLXDocServices{&settings, dir.path(), nullptr});
        doc->SetHost(&host);
        sheets = std::make_unique<SettingsSheets>(Services());
    }
    static std::vector<std::string> Titles(const PropertySheetModel& sheet) {
        std::vector<std::string> titles;
        for (int i = 0; i < sheet.PageCount(); ++i)
            titles.push_back(sheet.Page(i).title);
        return titles;
    }
    std::unique_ptr<SettingsSheets> sheets;
};

TEST_F(Sheets, WizardLeadsFromTheTransmissionTypeThroughItsPages) {
    auto wizard = sheets->PrepareInitialSetup(doc.get(), kPageTemplateNormal);
    ASSERT_NE(wizard, nullptr);
    EXPECT_EQ(wizard->Caption(), "Initial Setup");
    ASSERT_EQ(wizard->PageCount(), 1);
    SettingsPageModel& first = wizard->Page(0);
    EXPECT_EQ(first.title, "Transmission Type");
    EXPECT_EQ(first.helpText, kTransmissionPageHelp);
    EXPECT_EQ(first.pageFlags, kPageHideHeader);
    EXPECT_TRUE(first.questionIcon);

    ASSERT_TRUE(wizard->SetActivePage(0));
    ASSERT_NE(first.SelectionCombo(), nullptr);
    EXPECT_EQ(first.SelectionCombo()->entries, (std::vector<std::string>{"4L60E", "4L80E"}));
    EXPECT_EQ(first.SelectionCombo()->selected, -1);
    EXPECT_EQ(first.SelectionLabel()->text, "Choose Transmission Type:");
    EXPECT_EQ(wizard->WizardButtons(), 0); // only Cancel

    first.OnComboSelChange(0, 0);
    EXPECT_EQ(doc->Header[kLogicalName], "AlphaTx");
    EXPECT_EQ(doc->Header[kDefinitionFileName], "alpha.def");
    EXPECT_TRUE(doc->IsModified());
    ASSERT_EQ(wizard->PageCount(), 4);
    EXPECT_EQ(&wizard->Page(0), &first);
    EXPECT_EQ(Titles(*wizard),
              (std::vector<std::string>{"Transmission Type", "Shifting", "Engine", "Misc"}));
    EXPECT_EQ(wizard->Page(1).sectionName, "[Shift]");
    EXPECT_EQ(wizard->Page(1).helpText, "Shift help");
    EXPECT_EQ(wizard->WizardButtons(), kWizardNext);
    EXPECT_TRUE(first.Picture()->visible);
    EXPECT_EQ(first.Description()->text, "Four speed");

    const int expected[] = {kWizardBack | kWizardNext, kWizardBack | kWizardNext,
                            kWizardBack | kWizardFinish};
    for (int step = 1; step <= 3; ++step) {
        ASSERT_TRUE(wizard->Next()) << step;
        EXPECT_EQ(wizard->ActivePage(), step);
        EXPECT_EQ(wizard->WizardButtons(), expected[step - 1]) << step;
    }
    EXPECT_EQ(wizard->Page(1).Buttons().size(), 1u);
    EXPECT_TRUE(wizard->Back());
    EXPECT_EQ(wizard->WizardButtons(), kWizardBack | kWizardNext);

    // Finishing or cancelling keeps every change; the page's end makes the type the
    // calibration's own.
    first.OnDestroyWindow();
    EXPECT_EQ(doc->Identity.ApplyDefaultsOnReload(), 0);
    wizard.reset();
    EXPECT_EQ(doc->Header[kTransmissionType], "4L60E");
    EXPECT_TRUE(doc->IsModified());
    EXPECT_TRUE(ids.inUse.empty());
}

TEST_F(Sheets, ACalibrationOfAKnownTypeFamilyLoadsItsDefinitionWhenShown) {
    doc->Header[kLogicalName] = "OldName";
    doc->Header[kTransmissionType] = "4L80E-HD";
    auto wizard = sheets->PrepareInitialSetup(doc.get(), kPageTemplateNormal);
    ASSERT_NE(wizard, nullptr);
    ASSERT_TRUE(wizard->SetActivePage(0));
    EXPECT_EQ(wizard->Page(0).SelectionCombo()->selected, 1);
    EXPECT_EQ(doc->Header[kDefinitionFileName], "beta.def");
    EXPECT_EQ(doc->Header[kLogicalName], "BetaTx");
    EXPECT_TRUE(doc->IsModified());
    EXPECT_EQ(wizard->PageCount(), 1); // beta has no wizard pages

    // A new calibration keeps the ApplyDefaultsOnReload mark.
    auto fresh = std::make_unique<CVLXDoc>(CVLXDocServices{&settings, dir.path(), nullptr});
    SettingsPageModel page(kPageTemplateNormal, fresh.get(), nullptr, Services());
    page.sectionName = "[ApplicationID]";
    page.OnSetActive();
    page.OnDestroyWindow();
    EXPECT_EQ(fresh->Identity.ApplyDefaultsOnReload(), 1);
}

TEST_F(Sheets, SystemSettingsWithoutItsSectionHoldsTheTransmissionPageAndTwoBlankTabs) {
    PropertySheetModel* sheet = sheets->OpenSystemSettings(doc.get(), kPageTemplateLarge);
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(sheet->Caption(), "System Settings");
    const std::string blank(70, ' ');
    EXPECT_EQ(sheet->TabTexts(), (std::vector<std::string>{"Transmission Type", blank, blank}));
    EXPECT_EQ(sheet->Page(0).pageFlags, 0u);
    EXPECT_EQ(sheet->ActivePage(), 0);
    EXPECT_FALSE(sheet->SetActivePage(1));
    EXPECT_FALSE(sheet->SetActivePage(2));
    EXPECT_EQ(sheet->ActivePage(), 0);

    // One window at a time; no Initial Setup and no File>New meanwhile.
    EXPECT_EQ(sheets->OpenSystemSettings(doc.get(), kPageTemplateLarge), nullptr);
    EXPECT_EQ(sheets->PrepareInitialSetup(doc.get(), kPageTemplateLarge), nullptr);
    EXPECT_FALSE(sheets->AllowNewFile(*doc));
    EXPECT_EQ(host.messages,
              std::vector<RecordedMessage>({{kCloseSystemSettingsFirst, "Error", kMbIconStop}}));
    sheets->CloseSystemSettings();
    EXPECT_TRUE(sheets->AllowNewFile(*doc));
    EXPECT_EQ(host.messages.size(), 1u);
}

TEST_F(Sheets, RebuildsKeepTheTransmissionPageAndReplaceTheOthers) {
    PropertySheetModel* sheet = sheets->OpenSystemSettings(doc.get(), kPageTemplateNormal);
    ASSERT_NE(sheet, nullptr);
    SettingsPageModel* first = &sheet->Page(0);

    first->OnComboSelChange(0, 0);
    EXPECT_EQ(Titles(*sheet), (std::vector<std::string>{"Transmission Type", "Engine", "Misc"}));
    EXPECT_EQ(sheet->TabTexts(), Titles(*sheet));
    EXPECT_EQ(&sheet->Page(0), first);
    EXPECT_EQ(first->SelectionCombo()->selected, 0);

    // An edit with GlobalInfluence 4 rebuilds the sheet after its change, not while its
    // page is being built.
    ASSERT_TRUE(sheet->SetActivePage(1));
    SettingsPageModel* engine = &sheet->Page(1);
    ASSERT_EQ(engine->EditBoxes().size(), 1u);
    host.calls.clear();
    engine->OnEditCommit(0, "50");
    EXPECT_EQ(Int("Lvl"), 50);
    EXPECT_EQ(host.calls, std::vector<std::string>{"RebuildSheetPages"});
    EXPECT_NE(&sheet->Page(1), engine);
    EXPECT_EQ(&sheet->Page(0), first);
    EXPECT_EQ(sheet->ActivePage(), 0);
    // The replaced page outlives its own action and ignores any that still reach it.
    ASSERT_TRUE(engine->Retired());
    engine->OnEditCommit(0, "70");
    EXPECT_EQ(Int("Lvl"), 50);
    EXPECT_EQ(host.calls.size(), 1u);
    sheet->DiscardRetiredPages();
    EXPECT_EQ(sheet->RetiredPageCount(), 0);

    // Whatever the new definition's Tab0 says, page 0 stays.
    first->OnComboSelChange(0, 1);
    EXPECT_EQ(doc->Header[kLogicalName], "BetaTx");
    EXPECT_EQ(Titles(*sheet), (std::vector<std::string>{"Transmission Type", "Other"}));
    EXPECT_EQ(&sheet->Page(0), first);

    // A definition without the sheet's section: the blank tabs again, one transmission page.
    doc->DefinitionText = "\n[ApplicationID]\nLogicalName Bare";
    sheet->RebuildPages();
    const std::string blank(70, ' ');
    EXPECT_EQ(Titles(*sheet), (std::vector<std::string>{"Transmission Type", blank, blank}));
    EXPECT_EQ(&sheet->Page(0), first);
}

TEST_F(Sheets, BuildPagesNeedsADocumentAndAPage) {
    PropertySheetModel orphan(kSystemSettingsCaption, kPageTemplateNormal, 0, Services());
    EXPECT_EQ(orphan.BuildPages(nullptr), 0);
    EXPECT_EQ(sheets->OpenSystemSettings(nullptr, kPageTemplateNormal), nullptr);
    EXPECT_EQ(sheets->SystemSettings(), nullptr);

    doc->DefinitionText = "\n[ConfigurationDialog]\nText0 No tab";
    PropertySheetModel noTabs(kSystemSettingsCaption, kPageTemplateNormal, 0, Services());
    EXPECT_EQ(noTabs.BuildPages(doc.get()), 0);
    EXPECT_EQ(noTabs.PageCount(), 0);
}

// After the calibration changed underneath: an open window follows it, and a check that
// found a transmission type brings the window up with every page shown once.
TEST_F(Sheets, TheRefreshAfterAControllerCheckOpensRebuildsAndCycles) {
    struct Case {
        bool open;
        const char* type;
        int cycle;
        SettingsRefresh plan;
    };
    const Case cases[] = {
        {false, "None", 0, {}},
        {false, "None", 1, {}},
        {false, "4L60E", 0, {}},
        {false, "4L60E", 1, {true, false, true}},
        {true, "None", 0, {false, true, false}},
        {true, "None", 1, {false, true, false}},
        {true, "4L60E", 0, {false, true, false}},
        {true, "4L60E", 1, {false, true, true}},
    };
    for (const Case& c : cases) {
        SettingsSheets record(Services());
        doc->Header[kTransmissionType] = "None";
        if (c.open) {
            ASSERT_NE(record.OpenSystemSettings(doc.get(), kPageTemplateLarge), nullptr);
        }
        doc->Header[kTransmissionType] = c.type;
        EXPECT_EQ(record.PlanRefresh(*doc, c.cycle), c.plan)
            << "open " << c.open << ", type " << c.type << ", cycle " << c.cycle;
    }
}

// A number typed into a field and not committed is stored when its page is left, and when
// the sheet is told to (it closes, or the main window acts), even when storing it
// rebuilds the pages (the Level field asks for that).
TEST_F(Sheets, LeavingAPageStoresWhatWasTypedIntoItsFields) {
    doc->Header[kLogicalName] = "AlphaTx";
    doc->Header[kTransmissionType] = "4L60E";
    doc->Header[kDefinitionFileName] = "alpha.def";
    ASSERT_TRUE(doc->LoadDefinitionFile(doc->DefinitionFilePath()));
    doc->ReadDeclarations(1);
    PropertySheetModel* sheet = sheets->OpenSystemSettings(doc.get(), kPageTemplateLarge);
    ASSERT_NE(sheet, nullptr);
    ASSERT_EQ(Titles(*sheet), (std::vector<std::string>{"Transmission", "Engine", "Misc"}));

    ASSERT_TRUE(sheet->SetActivePage(1));
    sheet->Page(1).OnEditTextEdited(0, "42");
    EXPECT_EQ(Int("Lvl"), 0);
    ASSERT_TRUE(sheet->SetActivePage(2));
    EXPECT_EQ(Int("Lvl"), 42);
    EXPECT_EQ(sheet->ActivePage(), 2);

    ASSERT_TRUE(sheet->SetActivePage(1));
    sheet->Page(1).OnEditTextEdited(0, "17");
    sheet->CommitTypedText();
    EXPECT_EQ(Int("Lvl"), 17);
    EXPECT_TRUE(doc->IsModified());
}

TEST_F(Sheets, HelpOutsideAnyControlExplainsTheTabs) {
    auto wizard = sheets->PrepareInitialSetup(doc.get(), kPageTemplateNormal);
    ASSERT_NE(wizard, nullptr);
    wizard->SetActivePage(0);
    wizard->OnHelp();
    wizard->Page(0).OnHelp(SettingsPageModel::ControlClass::kCombo, 0);
    EXPECT_EQ(host.messages,
              std::vector<RecordedMessage>({{kSheetHelp, kApplicationTitle, kMbOk},
                                            {kTransmissionPageHelp, kApplicationTitle, kMbOk}}));
}

} // namespace
} // namespace vexa
