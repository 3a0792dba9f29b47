// The settings windows' widgets over their models: placement, forwarding of user actions,
// the wizard's flow and the System Settings rebuild, and screenshots of shipped content.
#include "settings_ui/dynamicbutton.h"
#include "settings_ui/dynamicpropertysheet.h"
#include "settings_ui/modelfixture.h"
#include "settings_ui/settingspage.h"
#include "uicommon/controlwidget.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QPushButton>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTest>

#include <filesystem>

namespace vexa {
namespace {

using testing::RecordedMessage;

// One QApplication for the whole binary, gone again before the process exits.
class QtApplicationEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        static int argc = 1;
        static char name[] = "settings_ui_qt_tests";
        static char* argv[] = {name, nullptr};
        app_ = std::make_unique<QApplication>(argc, argv);
    }
    void TearDown() override { app_.reset(); }

private:
    std::unique_ptr<QApplication> app_;
};

[[maybe_unused]] ::testing::Environment* const kEnvironment =
    ::testing::AddGlobalTestEnvironment(new QtApplicationEnvironment);

// Every UserOption type, in both columns.
const char* const kVariables = "Mode I16 1:0:x Def:0\nChan I16 1:2:x Def:0\nRad I16 1:4:x Def:0\n"
                               "V I16 1:6:x Def:0\nA I16 1:8:x Def:12\n";
const char* const kEverything =
    "[Options]\n"
    "UserOption CheckBox {\nLogicalName Cb\nDisplayName &Check\nHelpText Check help\n"
    "BitValState0 @Mode I:0\nBitValState1 @Mode I:1\n}\n"
    "UserOption ComboBox {\nLogicalName Co\nDisplayName Combo\nxPosition 1\nListTxt0 Zero\n"
    "ListTxt1 One\nListTxt2 Two\nBitValState0 @Chan I:0\nBitValState1 @Chan I:1\n"
    "BitValState2 @Chan I:2\n}\n"
    "UserOption RadioButton {\nLogicalName Ra\nDisplayName Radio\nTxtState0 a\nTxtState1 b\n"
    "TxtState2 c\nBitValState0 @Rad I:10\nBitValState1 @Rad I:11\nBitValState2 @Rad I:12\n}\n"
    "UserOption EditBox {\nLogicalName Ed\nDisplayName Speed\nxPosition 1\nHelpText Edit help\n"
    "StoreFormula I:@V = x*10\nDisplayFormula %.0f = x\nMinValue 0\nMaxValue 100\n}\n"
    "UserOption PushButton {\nLogicalName Pb\nDisplayName &Double A\nxPosition 1\n"
    "TargetLName Ed\nActionFormula %.1f = I:A: * 2\nMinValue 0\nMaxValue 90\n"
    "RangeFailFmt %.1f is outside %.1f to %.1f\n}\n"
    "UserOption TextBox {\nLogicalName Tx\nDisplayName Notes\nxPosition 4\n}\n"
    "UserOption Unknown {\nLogicalName Nothing\n}\n";

class Widgets : public testing::ModelTest {
protected:
    void ShowPage(const std::string& section) {
        model = std::make_unique<SettingsPageModel>(kPageTemplateLarge, doc.get(), nullptr,
                                                    SettingsModelServices{nullptr, &launcher});
        model->sectionName = section;
        model->title = "Options";
        page = std::make_unique<CSettingsPage>(*model, ids);
        page->Activate();
        page->show();
    }

    std::unique_ptr<SettingsPageModel> model;
    std::unique_ptr<CSettingsPage> page;
};

TEST_F(Widgets, EveryControlSitsAtItsModelRectangleWithAnIdOfItsOwn) {
    Load(kVariables, kEverything);
    ShowPage("[Options]");
    ASSERT_EQ(page->Buttons().size(), model->Buttons().size());
    ASSERT_EQ(page->Buttons().size(), 6u); // check box, three radios, group box, push button
    for (std::size_t i = 0; i < page->Buttons().size(); ++i) {
        EXPECT_EQ(page->Buttons()[i]->geometry(), ToQRect(model->Buttons()[i]->rect)) << i;
        EXPECT_EQ(page->Buttons()[i]->text().toStdString(), model->Buttons()[i]->text);
    }
    ASSERT_EQ(page->EditBoxes().size(), 1u);
    EXPECT_EQ(page->EditBoxes()[0]->geometry(), ToQRect(model->EditBoxes()[0]->rect));
    EXPECT_EQ(page->EditBoxes()[0]->Label()->geometry(),
              ToQRect(model->EditBoxes()[0]->label->rect));
    EXPECT_EQ(page->EditBoxes()[0]->Label()->text(), "Speed");
    ASSERT_EQ(page->TextBoxes().size(), 1u);
    EXPECT_EQ(page->TextBoxes()[0]->geometry(), ToQRect(model->TextBoxes()[0]->rect));
    EXPECT_EQ(page->TextBoxes()[0]->geometry().size(), QSize(680, 300)); // full width
    ASSERT_EQ(page->ComboBoxes().size(), 1u);
    CDynamicComboBox* combo = page->ComboBoxes()[0];
    EXPECT_EQ(combo->ModelRect(), ToQRect(model->ComboBoxes()[0]->rect));
    EXPECT_EQ(combo->geometry().topLeft(), combo->ModelRect().topLeft());
    EXPECT_EQ(combo->geometry().width(), 330);
    EXPECT_EQ(combo->count(), 3);
    EXPECT_EQ(combo->Label()->text(), "Combo");

    // Labels have no id; every control has one, and all are given back with the page.
    std::set<int> seen;
    for (auto* b : page->Buttons())
        seen.insert(b->ControlId());
    seen.insert(page->EditBoxes()[0]->ControlId());
    seen.insert(page->TextBoxes()[0]->ControlId());
    seen.insert(combo->ControlId());
    EXPECT_EQ(seen.size(), 9u);
    EXPECT_EQ(*seen.begin(), 1040);
    EXPECT_EQ(ids.inUse, seen);
    EXPECT_EQ(combo->property(kControlIdProperty).toInt(), combo->ControlId());
    page.reset();
    EXPECT_TRUE(ids.inUse.empty());
}

TEST_F(Widgets, ClickingCheckBoxesAndRadioButtonsAppliesTheirLists) {
    Load(kVariables, kEverything);
    ShowPage("[Options]");
    CDynamicButton* check = page->Buttons()[0];
    ASSERT_EQ(check->Kind(), ButtonModel::kCheckBox);
    QTest::mouseClick(check, Qt::LeftButton);
    EXPECT_TRUE(check->isChecked());
    EXPECT_EQ(Int("Mode"), 1);
    QTest::mouseClick(check, Qt::LeftButton);
    EXPECT_FALSE(check->isChecked());
    EXPECT_EQ(Int("Mode"), 0);

    CDynamicButton* a = page->Buttons()[1];
    CDynamicButton* c = page->Buttons()[3];
    EXPECT_TRUE(a->isChecked());
    QTest::mouseClick(c, Qt::LeftButton);
    EXPECT_EQ(Int("Rad"), 12);
    EXPECT_TRUE(c->isChecked());
    EXPECT_FALSE(a->isChecked()); // the model unchecks the rest of the group
    // Clicking a checked radio button keeps it checked and applies its list again.
    SetInt("Rad", 0);
    QTest::mouseClick(c, Qt::LeftButton);
    EXPECT_TRUE(c->isChecked());
    EXPECT_EQ(Int("Rad"), 12);
    // The group box lies over its buttons and takes no clicks.
    EXPECT_TRUE(page->Buttons()[4]->testAttribute(Qt::WA_TransparentForMouseEvents));
}

TEST_F(Widgets, ComboSelectionAppliesTheChosenState) {
    Load(kVariables, kEverything);
    ShowPage("[Options]");
    page->ComboBoxes()[0]->setCurrentIndex(2);
    EXPECT_EQ(Int("Chan"), 2);
    std::int32_t remembered = -1;
    doc->GetControlState("[Options]", "Co", remembered);
    EXPECT_EQ(remembered, 2);
}

TEST_F(Widgets, TypingAndReturnCommitsThroughTheStoreFormula) {
    Load(kVariables, kEverything);
    ShowPage("[Options]");
    // The field really has the focus (the wheel acts only on a focused field).
    QApplication::setActiveWindow(page.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(page.get()));
    CDynamicEdit* edit = page->EditBoxes()[0];
    struct Case {
        const char* typed;
        int stored;
        const char* shown;
    };
    for (const Case& c : {Case{"7.26", 73, "73"}, Case{"20", 100, "100"}, Case{"abc", 100, "100"},
                          Case{"-3", 0, "0"}}) {
        edit->setFocus();
        edit->selectAll();
        QTest::keyClicks(edit, c.typed);
        QTest::keyClick(edit, Qt::Key_Return);
        EXPECT_EQ(Int("V"), c.stored) << c.typed;
        EXPECT_EQ(edit->text().toStdString(), c.shown) << c.typed;
    }
    // A space is never typed; it commits instead.
    edit->selectAll();
    QTest::keyClicks(edit, "4 ");
    EXPECT_EQ(edit->text().toStdString(), "40");
    EXPECT_EQ(Int("V"), 40);
    // Up steps by DeltaIncrement (five with Shift); a notch of the wheel steps once.
    ASSERT_TRUE(edit->hasFocus());
    QTest::keyClick(edit, Qt::Key_Up, Qt::ShiftModifier);
    EXPECT_EQ(Int("V"), 45);
    QWheelEvent wheel(QPointF(5, 5), edit->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, 60),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(edit, &wheel);
    EXPECT_EQ(Int("V"), 45);
    QApplication::sendEvent(edit, &wheel);
    EXPECT_EQ(Int("V"), 46);
    EXPECT_TRUE(doc->IsModified());
}

TEST_F(Widgets, PushButtonSendsItsValueOrReportsTheRange) {
    Load(kVariables, kEverything);
    ShowPage("[Options]");
    CDynamicButton* button = page->Buttons()[5];
    ASSERT_EQ(button->Kind(), ButtonModel::kPushButton);
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(page->EditBoxes()[0]->text().toStdString(), "100"); // 24 * 10, clamped
    EXPECT_EQ(Int("V"), 100);
    EXPECT_TRUE(host.messages.empty());

    SetInt("A", 50);
    SetInt("V", 7);
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(host.messages, (std::vector<RecordedMessage>{{"100.0 is outside 0.0 to 90.0",
                                                            "Double A", kMbIconExclamation}}));
    EXPECT_EQ(Int("V"), 7);
}

TEST_F(Widgets, F1ShowsTheControlsHelpWithTheApplicationTitle) {
    Load(kVariables, kEverything);
    ShowPage("[Options]");
    QTest::keyClick(page->EditBoxes()[0], Qt::Key_F1);
    QTest::keyClick(page->Buttons()[5], Qt::Key_F1); // no help text: nothing shown
    QTest::keyClick(page->Buttons()[0], Qt::Key_F1);
    EXPECT_EQ(host.messages,
              (std::vector<RecordedMessage>{{"Edit help", kApplicationTitle, kMbOk},
                                            {"Check help", kApplicationTitle, kMbOk}}));
}

TEST_F(Widgets, TextBoxStoresEveryChange) {
    Load(kVariables, kEverything);
    ShowPage("[Options]");
    CDynamicText* text = page->TextBoxes()[0];
    text->setFocus();
    QTest::keyClicks(text, "ab");
    std::string remembered;
    doc->ControlState("[Options]", "Tx", remembered, 0);
    EXPECT_EQ(remembered, "ab");
}

TEST_F(Widgets, ARebuildOfThePageReplacesItsControls) {
    Load(kVariables, "[Options]\nUserOption CheckBox {\nLogicalName Cb\nDisplayName Check\n"
                     "BitValState0 @Mode I:0\nBitValState1 @Mode I:1\n}\n"
                     "UserOption EditBox {\nLogicalName Ed\nDisplayName Level\nGlobalInfluence 8\n"
                     "MinValue 0\nMaxValue 50\n}\n");
    ShowPage("[Options]");
    QPointer<CDynamicEdit> old = page->EditBoxes()[0];
    old->setFocus();
    old->selectAll();
    QTest::keyClicks(old, "12");
    QTest::keyClick(old, Qt::Key_Return);
    ASSERT_EQ(page->EditBoxes().size(), 1u);
    EXPECT_NE(page->EditBoxes()[0], old.data());
    EXPECT_EQ(page->EditBoxes()[0]->text().toStdString(), "12.00"); // read back from the state
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(old.isNull());
    EXPECT_EQ(ids.inUse.size(), 2u);
}

// --- Sheets ------------------------------------------------------------------------------

std::string Definition(const std::string& identity, const std::string& rest) {
    return "[ApplicationID]\n" + identity + std::string(testing::kBlockSizes) +
           "Lvl I16 1:0:x Def:0\n" + rest;
}

class Sheets : public testing::ModelTest {
protected:
    // The main window: a sheet rebuild request goes to the sheet widget.
    class Host : public testing::RecordingHost {
    public:
        void RebuildSheetPages(void* sheet) override {
            RecordingHost::RebuildSheetPages(sheet);
            CDynamicPropertySheet::RebuildSheetPages(sheet);
        }
    };

    void SetUp() override {
        const std::string alpha = Definition(
            "LogicalName AlphaTx\nTransmissionType 4L60E\nDescription Four speed\n",
            "[QuickTuneDialog]\nTab0 ApplicationID\nText0 Transmission\nTab1 Shift\n"
            "Text1 Shifting\nTab2 Engine\nText2 Engine\nTab3 Misc\nText3 Misc\n"
            "[ConfigurationDialog]\nTab0 ApplicationID\nText0 Transmission\nTab1 Engine\n"
            "Text1 Engine\nTab2 Misc\nText2 Misc\n"
            "[Engine]\nUserOption EditBox {\nLogicalName Level\nDisplayName Level\n"
            "StoreFormula I:@Lvl = x\nMinValue 0\nMaxValue 100\nGlobalInfluence 4\n}\n"
            "[Shift]\nUserOption CheckBox {\nLogicalName Early\nDisplayName Early\n}\n[Misc]\n");
        dir.Write("PID2/3/alpha.def", alpha);
        doc = std::make_unique<CVLXDoc>(CVLXDocServices{&settings, dir.path(), nullptr});
        doc->SetHost(&sheetHost);
        windows =
            std::make_unique<CSettingsWindows>(ids, SettingsModelServices{nullptr, &launcher});
    }
    void TearDown() override { windows.reset(); }

    Host sheetHost;
    std::unique_ptr<CSettingsWindows> windows;
};

TEST_F(Sheets, WizardOffersItsButtonsAsThePagesSay) {
    auto wizard = windows->PrepareInitialSetup(doc.get(), kPageTemplateLarge);
    ASSERT_NE(wizard, nullptr);
    EXPECT_EQ(wizard->windowTitle(), "Initial Setup");
    ASSERT_EQ(wizard->PageCount(), 1);
    EXPECT_FALSE(wizard->NextButton()->isEnabled());
    EXPECT_FALSE(wizard->BackButton()->isEnabled());
    EXPECT_TRUE(wizard->FinishButton()->isHidden());

    CDynamicComboBox* types = wizard->PageWidget(0)->SelectionCombo();
    ASSERT_NE(types, nullptr);
    ASSERT_EQ(types->count(), 1);
    CSettingsPage* first = wizard->PageWidget(0);
    types->setCurrentIndex(0);
    EXPECT_EQ(doc->Header[kLogicalName], "AlphaTx");
    ASSERT_EQ(wizard->PageCount(), 4);
    EXPECT_EQ(wizard->PageWidget(0), first);
    EXPECT_EQ(wizard->Stack()->count(), 4);
    EXPECT_TRUE(wizard->NextButton()->isEnabled());
    EXPECT_FALSE(wizard->BackButton()->isEnabled());

    QTest::mouseClick(wizard->NextButton(), Qt::LeftButton);
    EXPECT_EQ(wizard->Stack()->currentIndex(), 1);
    EXPECT_TRUE(wizard->BackButton()->isEnabled());
    EXPECT_TRUE(wizard->NextButton()->isEnabled());
    QTest::mouseClick(wizard->NextButton(), Qt::LeftButton);
    QTest::mouseClick(wizard->NextButton(), Qt::LeftButton);
    EXPECT_EQ(wizard->Stack()->currentIndex(), 3);
    EXPECT_FALSE(wizard->FinishButton()->isHidden());
    EXPECT_TRUE(wizard->NextButton()->isHidden());
    QTest::mouseClick(wizard->BackButton(), Qt::LeftButton);
    EXPECT_EQ(wizard->Stack()->currentIndex(), 2);

    // Cancel keeps the chosen type.
    QTest::mouseClick(wizard->CancelButton(), Qt::LeftButton);
    EXPECT_EQ(wizard->result(), QDialog::Rejected);
    EXPECT_TRUE(doc->IsModified());
    wizard.reset();
    EXPECT_TRUE(ids.inUse.empty());
}

TEST_F(Sheets, SystemSettingsRebuildKeepsTheTransmissionPage) {
    // Without a type: the transmission page and two blank tabs that cannot be chosen.
    CDynamicPropertySheet* sheet = windows->OpenSystemSettings(doc.get(), kPageTemplateLarge);
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(windows->OpenSystemSettings(doc.get(), kPageTemplateLarge), nullptr);
    EXPECT_EQ(sheet->windowTitle(), "System Settings");
    ASSERT_EQ(sheet->Tabs()->count(), 3);
    EXPECT_EQ(sheet->Tabs()->tabText(0), "Transmission Type");
    EXPECT_FALSE(sheet->Tabs()->isTabEnabled(1));
    sheet->Tabs()->setCurrentIndex(2);
    EXPECT_EQ(sheet->Tabs()->currentIndex(), 0);

    CSettingsPage* first = sheet->PageWidget(0);
    first->SelectionCombo()->setCurrentIndex(0);
    ASSERT_EQ(sheet->Tabs()->count(), 3);
    EXPECT_EQ(sheet->PageWidget(0), first);
    EXPECT_EQ(sheet->Tabs()->tabText(1), "Engine");
    EXPECT_EQ(sheet->Tabs()->tabText(2), "Misc");

    // GlobalInfluence 4 on the Engine page rebuilds the sheet from inside its own page.
    sheet->Tabs()->setCurrentIndex(1);
    QPointer<CSettingsPage> engine = sheet->PageWidget(1);
    CDynamicEdit* level = engine->EditBoxes().at(0);
    level->selectAll();
    QTest::keyClicks(level, "42");
    QTest::keyClick(level, Qt::Key_Return);
    EXPECT_EQ(Int("Lvl"), 42);
    EXPECT_EQ(sheet->PageWidget(0), first);
    EXPECT_NE(sheet->PageWidget(1), engine.data());
    EXPECT_EQ(sheet->Tabs()->count(), 3);
    EXPECT_EQ(sheet->Model().RetiredPageCount(), 0);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(engine.isNull());

    // F1 over no control: the sheet's help. New is refused while the window is open.
    QTest::keyClick(sheet->Tabs()->tabBar(), Qt::Key_F1);
    ASSERT_FALSE(sheetHost.messages.empty());
    EXPECT_EQ(sheetHost.messages.back(), (RecordedMessage{kSheetHelp, kApplicationTitle, kMbOk}));
    EXPECT_FALSE(windows->AllowNewFile(*doc));
    EXPECT_EQ(windows->PrepareInitialSetup(doc.get(), kPageTemplateLarge), nullptr);

    sheet->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(windows->IsSystemSettingsOpen());
    EXPECT_TRUE(windows->AllowNewFile(*doc));
    EXPECT_TRUE(ids.inUse.empty());
}

// --- The launcher ------------------------------------------------------------------------

TEST(QtProgramLauncher, StartsWithoutWaitingAndTellsWhetherItStillRuns) {
    testing::TempDir dir;
    const std::string script = dir.Write("run.sh", "#!/bin/sh\nsleep 0.5\n");
    std::filesystem::permissions(script, std::filesystem::perms::owner_all);
    QtProgramLauncher launcher;
    std::string error;
    const std::int64_t handle = launcher.StartProgram(script, {script, "", ""});
    ASSERT_NE(handle, 0);
    EXPECT_EQ(launcher.QueryProgram(handle, error), 1);
    QElapsedTimer timer;
    timer.start();
    while (launcher.QueryProgram(handle, error) == 1 && timer.elapsed() < 10000)
        QTest::qWait(50);
    EXPECT_EQ(launcher.QueryProgram(handle, error), 0) << error;
    EXPECT_EQ(launcher.StartProgram(dir.path() + "/missing", {}), 0);
}

// --- Screenshots of shipped content -------------------------------------------------------

class Screens : public Sheets {
protected:
    void SetUp() override {
        doc = std::make_unique<CVLXDoc>(CVLXDocServices{&settings, VEXA_DATA_DIR, nullptr});
        doc->SetHost(&sheetHost);
        windows =
            std::make_unique<CSettingsWindows>(ids, SettingsModelServices{nullptr, &launcher});
        QDir().mkpath(VEXA_TEST_OUTPUT_DIR);
    }
    static void Save(QWidget& widget, const char* name) {
        const QString path = QString(VEXA_TEST_OUTPUT_DIR) + "/" + name;
        EXPECT_TRUE(widget.grab().save(path)) << path.toStdString();
    }
};

TEST_F(Screens, WizardAndSettingsPageOfThe4L60E) {
    auto wizard = windows->PrepareInitialSetup(doc.get(), kPageTemplateLarge);
    ASSERT_NE(wizard, nullptr);
    CDynamicComboBox* types = wizard->PageWidget(0)->SelectionCombo();
    const int index = types->findText("4L60E");
    ASSERT_GE(index, 0);
    types->setCurrentIndex(index == 0 && types->count() > 1 ? 1 : index);
    types->setCurrentIndex(index);
    ASSERT_GT(wizard->PageCount(), 1);
    wizard->show();
    CDynamicStatic* picture = wizard->PageWidget(0)->Picture();
    ASSERT_NE(picture, nullptr);
    EXPECT_TRUE(picture->HasPicture());
    Save(*wizard, "settings_wizard.png");
    wizard->Next();
    Save(*wizard, "settings_wizard_vehicle.png");
    Save(*wizard->PageWidget(1), "settings_page_vehicle.png");
    wizard->Next();
    Save(*wizard, "settings_wizard_drive.png");
    wizard->Next();
    Save(*wizard, "settings_wizard_shiftfeel.png");
    wizard.reset();
}

} // namespace
} // namespace vexa
