// The main window and its dialogs as a user meets them: the size of the first start and of
// every start after it, the transmission-choice dialog of a read, the names assistive
// technology reads out, and F1 over the settings controls.
#include "app/transtypedlg.h"
#include "settings_ui/dynamicbutton.h"
#include "settings_ui/dynamiccombobox.h"
#include "userfixture.h"

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
    Key(Frame(), Qt::Key_F, Qt::AltModifier);
    ASSERT_NE(QApplication::activePopupWidget(), nullptr);
    QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_E);
    QApplication::processEvents();
    EXPECT_EQ(chooser, 1);
}

} // namespace
} // namespace vexa::testing
