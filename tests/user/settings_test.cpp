// The settings windows as a user drives them: what is typed is kept whatever takes the
// focus away, visiting a field changes nothing, the wheel leaves unfocused controls alone,
// and radio groups answer the keyboard.
#include "settings_ui/dynamicbutton.h"
#include "settings_ui/dynamiccombobox.h"
#include "userfixture.h"

#include <QPushButton>
#include <QWindow>

#include <algorithm>
#include <fstream>
#include <functional>

namespace vexa::testing {
namespace {

// The axle ratio a calibration file holds.
float SavedAxleRatio(const std::string& programDir, const std::string& path) {
    MemorySettings settings;
    NullDocumentHost host;
    CVLXDoc saved(CVLXDocServices{&settings, programDir, nullptr});
    saved.SetHost(&host);
    EXPECT_TRUE(saved.OnOpenDocument(path));
    const FloatVariableRef ratio = saved.FindFloatVariable("AxleRatio");
    const float value = ratio ? ratio.Get() : 0.0f;
    saved.SetHost(nullptr);
    return value;
}

// The offset of the first byte in which a and b differ (the shorter length when one is a
// prefix of the other), -1 when they are equal.
long FirstDifference(const std::string& a, const std::string& b) {
    const auto [ia, ib] = std::mismatch(a.begin(), a.end(), b.begin(), b.end());
    return ia == a.end() && ib == b.end() ? -1 : static_cast<long>(ia - a.begin());
}

TEST_F(UserTest, ATypedNumberIsKeptWhateverTakesTheFocusAway) {
    struct Case {
        const char* leave;
        std::function<void(UserTest&, CDynamicPropertySheet&)> away;
    };
    const Case cases[] = {
        {"another tab clicked",
         [](UserTest&, CDynamicPropertySheet& sheet) { ClickTab(sheet.Tabs(), "Drive"); }},
        {"the window closed with its close box",
         [](UserTest&, CDynamicPropertySheet& sheet) { sheet.windowHandle()->close(); }},
        {"the main window clicked",
         [](UserTest& test, CDynamicPropertySheet&) { Activate(test.Frame()); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.leave);
        app.reset();
        savePath = MakeCalibration("4l60e.def", "street.gvr");
        Start(savePath);
        CDynamicPropertySheet& sheet = SystemSettings();
        ClickTab(sheet.Tabs(), "Vehicle");
        CDynamicEdit* axle = Field(ShownPage(sheet), "Axle ratio");
        ASSERT_NE(axle, nullptr);
        ASSERT_EQ(axle->text(), "3.73");
        Click(axle);
        QTest::keyClick(axle, Qt::Key_A, Qt::ControlModifier);
        Type(QStringLiteral("4.10"));

        c.away(*this, sheet);

        const FloatVariableRef ratio = Doc().FindFloatVariable("AxleRatio");
        ASSERT_TRUE(ratio);
        EXPECT_FLOAT_EQ(ratio.Get(), 4.10f);
        EXPECT_TRUE(Doc().IsModified());
        QApplication::processEvents();
        if (auto* open = dynamic_cast<CDynamicPropertySheet*>(Frame().SystemSettingsWindow())) {
            ClickTab(open->Tabs(), "Vehicle");
            ASSERT_NE(Field(ShownPage(*open), "Axle ratio"), nullptr);
            EXPECT_EQ(Field(ShownPage(*open), "Axle ratio")->text(), "4.10");
        }
        // File>Save from the main window's keyboard.
        Activate(Frame());
        Key(Frame(), Qt::Key_S, Qt::ControlModifier);
        EXPECT_FALSE(Doc().IsModified());
        EXPECT_FLOAT_EQ(SavedAxleRatio(dir.path(), savePath), 4.10f);
    }
}

TEST_F(UserTest, ANumberTypedInTheWizardIsKeptByAltNAndAltB) {
    savePath = MakeCalibration("4l60e.def", "street.gvr");
    Start(savePath);
    int runs = 0;
    QString shownAfterBack;
    script.runDialog = [&](QDialog& dialog) {
        ++runs;
        auto* wizard = dynamic_cast<CDynamicPropertySheet*>(&dialog);
        EXPECT_NE(wizard, nullptr);
        if (!wizard)
            return int{QDialog::Rejected};
        Activate(*wizard);
        Key(*wizard, Qt::Key_N, Qt::AltModifier); // to the Vehicle page
        CDynamicEdit* axle = Field(ShownPage(*wizard), "Axle ratio");
        EXPECT_NE(axle, nullptr);
        if (!axle)
            return int{QDialog::Rejected};
        Click(axle);
        QTest::keyClick(axle, Qt::Key_A, Qt::ControlModifier);
        Type(QStringLiteral("4.10"));
        Key(*wizard, Qt::Key_N, Qt::AltModifier);
        Key(*wizard, Qt::Key_B, Qt::AltModifier);
        if (CDynamicEdit* back = Field(ShownPage(*wizard), "Axle ratio"))
            shownAfterBack = back->text();
        Click(wizard->CancelButton());
        return int{QDialog::Rejected};
    };
    // View > Initial Setup Wizard, by keyboard.
    ChooseMenuItem(Qt::Key_V, Qt::Key_W);
    ASSERT_EQ(runs, 1);
    EXPECT_EQ(shownAfterBack.toStdString(), "4.10");
    const FloatVariableRef ratio = Doc().FindFloatVariable("AxleRatio");
    ASSERT_TRUE(ratio);
    EXPECT_FLOAT_EQ(ratio.Get(), 4.10f);
}

TEST_F(UserTest, VisitingEveryFieldWithoutTypingChangesNothing) {
    savePath = MakeCalibration("4l60e.def", "street.gvr");
    Start(savePath);
    // Opening checks the controller (the identity is marked as the connected one's), and
    // each page remembers which of its items it shows when it is first displayed: the file
    // as saved once every page was shown is what visiting the fields must leave alone.
    CDynamicPropertySheet& sheet = SystemSettings();
    for (int tab = 1; tab < sheet.Tabs()->count(); ++tab)
        ClickTab(sheet.Tabs(), sheet.Tabs()->tabText(tab));
    Activate(Frame());
    Key(Frame(), Qt::Key_S, Qt::ControlModifier);
    const std::string opened = ReadFileBytes(savePath);
    Activate(sheet);

    int visited = 0;
    for (int tab = 1; tab < sheet.Tabs()->count(); ++tab) {
        ClickTab(sheet.Tabs(), sheet.Tabs()->tabText(tab));
        CSettingsPage* page = ShownPage(sheet);
        ASSERT_NE(page, nullptr);
        const std::size_t fields = page->EditBoxes().size();
        for (std::size_t i = 0; i < fields; ++i) {
            CDynamicEdit* field = ShownPage(sheet)->EditBoxes()[i];
            if (!field->isVisible())
                continue;
            Click(field);
            Key(sheet, Qt::Key_Tab);
            ++visited;
        }
    }
    EXPECT_GT(visited, 10);
    EXPECT_FALSE(Doc().IsModified());
    Activate(Frame());
    Key(Frame(), Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(FirstDifference(ReadFileBytes(savePath), opened), -1);
}

TEST_F(UserTest, TheWheelOverAControlWithoutTheFocusChangesNothing) {
    savePath = MakeCalibration("4l60e.def", "street.gvr");
    const std::string opened = ReadFileBytes(savePath);
    Start(savePath);
    CDynamicPropertySheet& sheet = SystemSettings();

    // The transmission list, as the window opens.
    CSettingsPage* types = ShownPage(sheet);
    ASSERT_NE(types, nullptr);
    ASSERT_NE(types->SelectionCombo(), nullptr);
    const QString type = types->SelectionCombo()->currentText();
    EXPECT_FALSE(types->SelectionCombo()->hasFocus());
    WheelOver(types->SelectionCombo(), -120);
    WheelOver(types->SelectionCombo(), 120);
    WheelOver(types->SelectionCombo(), -120);
    EXPECT_EQ(types->SelectionCombo()->currentText(), type);
    EXPECT_EQ(Doc().Header[kTransmissionType], "4L60E");

    // A list and a field of the Vehicle page, with the focus in another field.
    ClickTab(sheet.Tabs(), "Vehicle");
    CSettingsPage* vehicle = ShownPage(sheet);
    Click(Field(vehicle, "Tire diameter (in)"));
    CDynamicComboBox* gear = nullptr;
    for (CDynamicComboBox* combo : vehicle->ComboBoxes()) {
        if (combo->Label() && combo->Label()->text() == "Speedometer drive gear")
            gear = combo;
    }
    ASSERT_NE(gear, nullptr);
    const int gearShown = gear->currentIndex();
    WheelOver(gear, -120);
    EXPECT_EQ(gear->currentIndex(), gearShown);
    CDynamicEdit* axle = Field(vehicle, "Axle ratio");
    WheelOver(axle, 120);
    EXPECT_EQ(axle->text(), "3.73");
    EXPECT_FALSE(Doc().IsModified());

    // The focused field still takes the wheel.
    CDynamicEdit* tire = Field(ShownPage(sheet), "Tire diameter (in)");
    const QString tireShown = tire->text();
    WheelOver(tire, 120);
    EXPECT_NE(tire->text(), tireShown);

    EXPECT_EQ(FirstDifference(ReadFileBytes(savePath), opened), -1);
}

TEST_F(UserTest, TabReachesTheRadioGroupAndArrowKeysMoveWithinIt) {
    savePath = MakeCalibration("4l60e.def", "street.gvr");
    Start(savePath);
    CDynamicPropertySheet& sheet = SystemSettings();
    ClickTab(sheet.Tabs(), "Shift Feel");
    CSettingsPage* page = ShownPage(sheet);
    std::vector<CDynamicButton*> radios;
    for (CDynamicButton* button : page->Buttons()) {
        if (button->Kind() == ButtonModel::kRadioButton)
            radios.push_back(button);
    }
    ASSERT_EQ(radios.size(), 4u);
    const auto checked = [&radios] {
        std::string names;
        for (CDynamicButton* radio : radios)
            names += radio->isChecked() ? radio->text().toStdString() + " " : "";
        return names;
    };
    ASSERT_EQ(checked(), "Normal ");

    // Tab from the tab row reaches the group at its checked button.
    sheet.Tabs()->tabBar()->setFocus(Qt::MouseFocusReason);
    int presses = 0;
    while (!radios[1]->hasFocus() && presses++ < 30)
        Key(sheet, Qt::Key_Tab);
    ASSERT_TRUE(radios[1]->hasFocus()) << "Tab never reached the checked button";

    // Down and Right move to the next button of the group and choose it, Up and Left to the
    // one before; past either end the group starts again at the other.
    const auto pressure = [this] { return Doc().FindIntVariable("LinePressureAdj").Get(); };
    const struct {
        int key;
        const char* chosen;
        std::size_t focus;
        int pressure;
    } steps[] = {
        {Qt::Key_Down, "Firm ", 2, 20},   {Qt::Key_Right, "Towing ", 3, 30},
        {Qt::Key_Down, "Comfort ", 0, 0}, {Qt::Key_Up, "Towing ", 3, 30},
        {Qt::Key_Left, "Firm ", 2, 20},
    };
    for (const auto& step : steps) {
        Key(sheet, step.key);
        EXPECT_EQ(checked(), step.chosen);
        EXPECT_TRUE(radios[step.focus]->hasFocus()) << step.chosen;
        EXPECT_EQ(pressure(), step.pressure);
    }
}

TEST_F(UserTest, TabGoesThroughTheOptionsInTheirOrder) {
    savePath = MakeCalibration("4l60e.def", "street.gvr");
    Start(savePath);
    CDynamicPropertySheet& sheet = SystemSettings();
    ClickTab(sheet.Tabs(), "Vehicle");
    Click(Field(ShownPage(sheet), "Axle ratio"));
    // Down the left column, the list among the fields, then the right column.
    std::vector<std::string> visited;
    for (int i = 0; i < 6; ++i) {
        Key(sheet, Qt::Key_Tab);
        QWidget* focus = QApplication::focusWidget();
        visited.push_back(focus ? focus->accessibleName().toStdString() : "");
    }
    EXPECT_EQ(visited,
              (std::vector<std::string>{"Tire diameter (in)", "Speed sensor factor",
                                        "Speedometer drive gear", "Speedometer driven gear teeth",
                                        "Tire width (mm)", "Aspect ratio (%)"}));
}

} // namespace
} // namespace vexa::testing
