// The "Graph Controls" and "Dashboard" bars as a user meets them: the dashboard shows the
// controller's live values whatever order the window was built and shown in, keeps them
// through a click on a control button, fits its values in their boxes, and the Graph
// Controls bar cannot be lost.
#include "graph/legendbutton.h"
#include "graph/vlxview.h"
#include "userfixture.h"

#include <QAbstractButton>
#include <QMenu>
#include <QTimer>
#include <QWindow>

namespace vexa::testing {
namespace {

TEST_F(UserTest, ACalibrationNamedOnTheCommandLineShowsLiveValues) {
    Start(MakeCalibration("4l60e.def", "street.gvr"));
    ASSERT_GT(Frame().Dashboard()->BoxCount(), 5u);
    EXPECT_EQ(LiveValueCount(), 0);
    ConnectAndPoll();
    EXPECT_EQ(Frame().Dashboard()->Caption(), "Dashboard - Connected");
    EXPECT_EQ(LiveValueCount(), static_cast<int>(Frame().Dashboard()->BoxCount()));
}

TEST_F(UserTest, TheDashboardShownAgainWithItsOwnToggleShowsLiveValues) {
    Start(MakeCalibration("4l60e.def", "street.gvr"));
    QDockWidget* dock = Frame().DashboardDock();
    // Closed with its close box...
    auto* closeBox = dock->findChild<QAbstractButton*>(QStringLiteral("qt_dockwidget_closebutton"));
    ASSERT_NE(closeBox, nullptr);
    Click(closeBox);
    ASSERT_FALSE(dock->isVisible());
    EXPECT_EQ(Frame().Dashboard()->BoxCount(), 0u);
    // ... and shown again from the bars' menu of the main window (a right click on the
    // toolbar), with the dock's own entry.
    bool chosen = false;
    QTimer::singleShot(0, [&chosen] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu)
            return;
        for (QAction* action : menu->actions()) {
            if (action->text() == QStringLiteral("Dashboard")) {
                QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(action).center());
                chosen = true;
                return;
            }
        }
        menu->close();
    });
    QWidget* toolbar = Frame().ToolBar();
    QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, toolbar->rect().center(),
                                toolbar->mapToGlobal(toolbar->rect().center()));
    QApplication::sendEvent(toolbar, &menuEvent);
    QApplication::processEvents();
    ASSERT_TRUE(chosen);
    ASSERT_TRUE(dock->isVisible());
    ConnectAndPoll();
    EXPECT_GT(Frame().Dashboard()->BoxCount(), 5u);
    EXPECT_EQ(LiveValueCount(), static_cast<int>(Frame().Dashboard()->BoxCount()));
}

TEST_F(UserTest, AControlButtonClickKeepsTheLiveValues) {
    Start(MakeCalibration("4l60e.def", "street.gvr"));
    ConnectAndPoll();
    ASSERT_EQ(Frame().Dashboard()->Caption(), "Dashboard - Connected");
    const int slot = Frame().Dashboard()->Model().PollingSlot();
    ASSERT_NE(slot, 0);
    CLegendButton* towHaul = Frame().TuningBar()->FindButton("TowHaul");
    ASSERT_NE(towHaul, nullptr);
    ASSERT_EQ(towHaul->CheckState(), 0);
    const std::int16_t config = Doc().FindIntVariable("SYCONFIG").Get();

    Click(towHaul);
    QApplication::processEvents();
    // The option is switched and the bar rebuilt...
    EXPECT_EQ(Doc().FindIntVariable("SYCONFIG").Get(), config | 0x02);
    ASSERT_NE(Frame().TuningBar()->FindButton("TowHaul"), nullptr);
    EXPECT_EQ(Frame().TuningBar()->FindButton("TowHaul")->CheckState(), 1);
    // ... while the dashboard went on as it was.
    EXPECT_EQ(Frame().Dashboard()->Caption(), "Dashboard - Connected");
    EXPECT_EQ(LiveValueCount(), static_cast<int>(Frame().Dashboard()->BoxCount()));
    EXPECT_EQ(Frame().Dashboard()->Model().PollingSlot(), slot);
}

TEST_F(UserTest, EveryDashboardValueFitsItsBox) {
    Start(MakeCalibration("4l60e.def", "street.gvr"));
    ConnectAndPoll();
    CDashboard* dashboard = Frame().Dashboard();
    ASSERT_GT(dashboard->BoxCount(), 5u);
    // The live values, and the widest texts a box may have to show: the longest word of
    // the shipped enumerations, and six digits.
    for (std::size_t i = 0; i < dashboard->BoxCount(); ++i) {
        CDynamicStatic* value = dashboard->ValueLabel(i);
        EXPECT_LE(value->fontMetrics().horizontalAdvance(value->text()),
                  value->contentsRect().width())
            << dashboard->CaptionLabel(i)->text().toStdString() << ": "
            << value->text().toStdString();
        for (const char* text : {"Locked", "8888.8"}) {
            value->SetText(QString::fromLatin1(text));
            EXPECT_LE(value->fontMetrics().horizontalAdvance(value->text()),
                      value->contentsRect().width())
                << dashboard->CaptionLabel(i)->text().toStdString() << ": " << text;
        }
    }
}

TEST_F(UserTest, TheGraphControlsBarCannotBeClosed) {
    Start(MakeCalibration("4l60e.def", "street.gvr"));
    QDockWidget* bar = Frame().TuningDock();
    ASSERT_TRUE(bar->isVisible());
    // Floated by a double click on its title, then closed as the window manager closes a
    // window (its close box, Alt+F4).
    QTest::mouseDClick(bar, Qt::LeftButton, {}, QPoint(bar->width() / 2, 5));
    QApplication::processEvents();
    ASSERT_TRUE(bar->isFloating());
    ASSERT_NE(bar->windowHandle(), nullptr);
    bar->windowHandle()->close();
    QApplication::processEvents();
    EXPECT_TRUE(bar->isVisible());
    // Once the main window is closed, the program's end closes every window: this one then
    // closes too, or the program would not end.
    Frame().windowHandle()->close();
    QApplication::processEvents();
    ASSERT_FALSE(Frame().isVisible());
    bar->windowHandle()->close();
    QApplication::processEvents();
    EXPECT_FALSE(bar->isVisible());

    // A layout saved with the bar hidden (as an earlier version could) does not hide it at
    // the next start.
    bar->hide();
    Frame().SaveBarState();
    app.reset();
    Start(MakeCalibration("4l60e.def", "street.gvr"));
    EXPECT_TRUE(Frame().TuningDock()->isVisible());
    EXPECT_FALSE(Frame().TuningBar()->Buttons().empty());
}

TEST_F(UserTest, TuningBarControlsAreNamedForAssistiveTechnology) {
    Start(MakeCalibration("4l60e.def", "street.gvr"));
    CLegendButton* shift12 = Frame().TuningBar()->FindButton("Shift12");
    ASSERT_NE(shift12, nullptr);
    // The box carries the names on its labels, and its help text.
    EXPECT_EQ(shift12->accessibleName().toStdString(), "1-2 Up / 2-1 Down");
    EXPECT_EQ(shift12->accessibleDescription().toStdString(), shift12->HelpText());
    for (CLegendButton* button : Frame().TuningBar()->Buttons()) {
        EXPECT_FALSE(button->accessibleName().isEmpty()) << button->LogicalName();
        EXPECT_FALSE(button->accessibleDescription().isEmpty()) << button->LogicalName();
    }
    // The dashboard's boxes are named by their captions.
    ConnectAndPoll();
    CDashboard* dashboard = Frame().Dashboard();
    ASSERT_GT(dashboard->BoxCount(), 0u);
    EXPECT_EQ(dashboard->ValueLabel(0)->accessibleName(), dashboard->CaptionLabel(0)->text());
}

TEST_F(UserTest, F1OnATuningBarButtonShowsItsHelpText) {
    Start(MakeCalibration("4l60e.def", "street.gvr"));
    CLegendButton* shift12 = Frame().TuningBar()->FindButton("Shift12");
    ASSERT_NE(shift12, nullptr);
    Click(shift12); // takes the focus (and hides the curves)
    ASSERT_TRUE(shift12->hasFocus());
    script.shown.clear();
    Key(Frame(), Qt::Key_F1);
    ASSERT_EQ(script.shown.size(), 1u);
    EXPECT_EQ(script.shown[0].caption, "VEXA Transmission Control");
    EXPECT_EQ(script.shown[0].text, shift12->HelpText());

    // Elsewhere F1 keeps the main window's meaning: over the graph it shows nothing.
    Click(Frame().View());
    script.shown.clear();
    Key(Frame(), Qt::Key_F1);
    EXPECT_TRUE(script.shown.empty());
}

TEST_F(UserTest, F1WithThePointerOnAControlShowsItsHelpText) {
    Start(MakeCalibration("4l60e.def", "street.gvr"));
    ConnectAndPoll();
    // The focus stays in the graph; the pointer rests on a curve's name, a dashboard box,
    // then the graph itself.
    Click(Frame().View());
    ASSERT_TRUE(Frame().View()->hasFocus());
    CLegendButton* pressure = Frame().TuningBar()->FindButton("LinePressure");
    ASSERT_NE(pressure, nullptr);
    ASSERT_FALSE(pressure->Labels().empty());
    CDashboard* dashboard = Frame().Dashboard();
    ASSERT_GT(dashboard->BoxCount(), 0u);
    struct Case {
        QWidget* under;
        std::string help; // empty: nothing is shown
    };
    const Case cases[] = {
        {pressure->Labels()[0], pressure->HelpText()},
        {dashboard->ValueLabel(0), dashboard->ValueLabel(0)->HelpText()},
        {Frame().View(), ""},
    };
    for (const Case& c : cases) {
        QTest::mouseMove(c.under, c.under->rect().center());
        script.shown.clear();
        Key(Frame(), Qt::Key_F1);
        if (c.help.empty()) {
            EXPECT_TRUE(script.shown.empty());
            continue;
        }
        ASSERT_EQ(script.shown.size(), 1u) << c.help;
        EXPECT_EQ(script.shown[0].text, c.help);
        EXPECT_EQ(script.shown[0].caption, "VEXA Transmission Control");
    }
    EXPECT_FALSE(dashboard->ValueLabel(0)->HelpText().empty());
}

} // namespace
} // namespace vexa::testing
