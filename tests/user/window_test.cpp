// The main window and its dialogs as a user meets them: the size of the first start and of
// every start after it, the transmission-choice dialog of a read, the names assistive
// technology reads out, and F1 over the settings controls.
#include "app/transtypedlg.h"
#include "settings_ui/dynamicbutton.h"
#include "settings_ui/dynamiccombobox.h"
#include "userfixture.h"

#include <QAccessible>
#include <QComboBox>
#include <QScreen>
#include <QStatusBar>

namespace vexa::testing {
namespace {

TEST_F(UserTest, TheFirstStartOpensALargeCentredWindowAndLaterStartsKeepIt) {
    Start();
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    const QRect frame = Frame().frameGeometry();
    EXPECT_NEAR(frame.width(), screen.width() * 8 / 10, screen.width() / 20);
    EXPECT_NEAR(frame.height(), screen.height() * 8 / 10, screen.height() / 20);
    EXPECT_NEAR(frame.center().x(), screen.center().x(), 2);
    EXPECT_NEAR(frame.center().y(), screen.center().y(), 2);
    EXPECT_TRUE(screen.contains(frame));
    // The status bar's text is not cut off.
    EXPECT_GE(Frame().statusBar()->width(), Frame().statusBar()->sizeHint().width());

    // Moved and resized, it comes back so at the next start ...
    const QRect moved(screen.left() + 10, screen.top() + 20, screen.width() * 3 / 4,
                      screen.height() * 2 / 3);
    Frame().setGeometry(moved);
    QApplication::processEvents();
    const QRect placed = Frame().geometry();
    ASSERT_TRUE(Frame().close());
    app.reset();
    Start();
    EXPECT_EQ(Frame().geometry(), placed);
    EXPECT_FALSE(Frame().isMaximized());

    // ... and maximised, maximised.
    Frame().showMaximized();
    QApplication::processEvents();
    ASSERT_TRUE(Frame().close());
    app.reset();
    Start();
    EXPECT_TRUE(Frame().isMaximized());
}

TEST_F(UserTest, TheTransmissionChoiceOfAReadHasNoEmptyArea) {
    Start();
    ConnectAndPoll();
    int chooser = 0;
    script.runDialog = [&chooser](QDialog& dialog) {
        auto* choice = dynamic_cast<CTransTypeDlg*>(&dialog);
        if (!choice)
            return int{QDialog::Rejected};
        ++chooser;
        choice->show();
        QApplication::processEvents();
        // The list is the dialog's last row: below it only the margin is left.
        const int below = choice->height() - choice->List()->geometry().bottom();
        EXPECT_LE(below, 2 * choice->List()->geometry().height()) << "empty area below the list";
        EXPECT_GT(below, 0);
        choice->hide();
        return int{QDialog::Accepted};
    };
    // File > Read Calibration from Controller, by keyboard.
    ChooseMenuItem(Qt::Key_F, Qt::Key_E);
    EXPECT_EQ(chooser, 1);
}

TEST_F(UserTest, SettingsControlsAreNamedForAssistiveTechnology) {
    Start(MakeCalibration("4l60e.def", "street.gvr"));
    CDynamicPropertySheet& sheet = SystemSettings();
    int named = 0;
    for (int tab = 0; tab < sheet.Tabs()->count(); ++tab) {
        ClickTab(sheet.Tabs(), sheet.Tabs()->tabText(tab));
        CSettingsPage* page = ShownPage(sheet);
        ASSERT_NE(page, nullptr);
        for (CDynamicEdit* edit : page->EditBoxes()) {
            EXPECT_EQ(edit->accessibleName(), edit->Label()->text());
            EXPECT_FALSE(edit->accessibleDescription().isEmpty())
                << edit->Label()->text().toStdString();
            ++named;
        }
        for (CDynamicComboBox* combo : page->ComboBoxes()) {
            // A list's label is above it; the selection list's is the page's selection area.
            CDynamicStatic* label =
                combo->IsSelectionCombo() ? page->SelectionLabel() : combo->Label();
            ASSERT_NE(label, nullptr);
            EXPECT_EQ(combo->accessibleName(), label->text());
            EXPECT_FALSE(combo->accessibleDescription().isEmpty()) << label->text().toStdString();
            ++named;
        }
        for (CDynamicText* text : page->TextBoxes()) {
            EXPECT_EQ(text->accessibleName(), text->Label()->text());
            ++named;
        }
        for (CDynamicButton* button : page->Buttons()) {
            if (button->Kind() == ButtonModel::kGroupBox)
                continue;
            EXPECT_FALSE(button->accessibleDescription().isEmpty()) << button->text().toStdString();
            ++named;
        }
    }
    EXPECT_GT(named, 30);
    CDynamicEdit* axle = nullptr;
    ClickTab(sheet.Tabs(), "Vehicle");
    axle = Field(ShownPage(sheet), "Axle ratio");
    ASSERT_NE(axle, nullptr);
    // As a screen reader asks for them.
    QAccessibleInterface* announced = QAccessible::queryAccessibleInterface(axle);
    ASSERT_NE(announced, nullptr);
    EXPECT_EQ(announced->text(QAccessible::Name).toStdString(), "Axle ratio");
    EXPECT_EQ(announced->text(QAccessible::Description).toStdString(),
              "The rear axle (differential) ratio, for example 3.73.");
}

TEST_F(UserTest, F1OnASettingsControlShowsItsHelpText) {
    Start(MakeCalibration("4l60e.def", "street.gvr"));
    CDynamicPropertySheet& sheet = SystemSettings();
    ClickTab(sheet.Tabs(), "Vehicle");
    CDynamicEdit* axle = Field(ShownPage(sheet), "Axle ratio");
    ASSERT_NE(axle, nullptr);
    Click(axle);
    script.shown.clear();
    Key(sheet, Qt::Key_F1);
    ASSERT_EQ(script.shown.size(), 1u);
    EXPECT_EQ(script.shown[0].caption, "VEXA Transmission Control");
    EXPECT_EQ(script.shown[0].text, "The rear axle (differential) ratio, for example 3.73.");
    // On the tab row the window's own help explains the tabs.
    sheet.Tabs()->tabBar()->setFocus(Qt::TabFocusReason);
    script.shown.clear();
    Key(sheet, Qt::Key_F1);
    ASSERT_EQ(script.shown.size(), 1u);
    EXPECT_EQ(script.shown[0].text.substr(0, 22), "Click on the tab for t");
}

} // namespace
} // namespace vexa::testing
