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

    // A layout saved with the bar hidden (as an earlier version could) does not hide it at
    // the next start.
    bar->hide();
    Frame().SaveBarState();
    app.reset();
    Start(MakeCalibration("4l60e.def", "street.gvr"));
    EXPECT_TRUE(Frame().TuningDock()->isVisible());
    EXPECT_FALSE(Frame().TuningBar()->Buttons().empty());
}

} // namespace
} // namespace vexa::testing
