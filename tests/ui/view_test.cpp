// The main view: pointer, key and wheel events reach the graph engine, and its edits reach
// the document through AdjustCurvePoint; printing and screenshots draw the same picture.
#include "core/transmissioncatalogue.h"
#include "frame/commandids.h"
#include "graph/vlxview.h"
#include "uifixture.h"

#include <QFile>
#include <QMouseEvent>
#include <QPrinter>
#include <QWheelEvent>

namespace vexa::testing {
namespace {

class ViewTest : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        Start();
        SelectionEntry demo;
        demo.fileName = "Demo.def";
        ApplyTransmissionType(Doc(), demo);
        Doc().SetModifiedFlag(false);
        Frame().show();
        QApplication::processEvents();
        View().Snapshot(); // lays the scale out, as the first paint does
    }
    CVLXView& View() { return *Frame().View(); }
    CGraphEngine& Engine() { return View().Engine(); }
    QPoint PointAt(int trace, int point) {
        return {Engine().PointX(static_cast<float>(point)),
                Engine().ValueY(Engine().GetValue(trace, point))};
    }
    void Mouse(QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons buttons,
               Qt::KeyboardModifiers modifiers = {}) {
        QMouseEvent event(type, at, View().mapToGlobal(at), button, buttons, modifiers);
        QApplication::sendEvent(&View(), &event);
    }
    void Wheel(int delta, Qt::KeyboardModifiers modifiers = {}) {
        QWheelEvent event(QPointF(50, 50), View().mapToGlobal(QPointF(50, 50)), QPoint(),
                          QPoint(0, delta), Qt::NoButton, modifiers, Qt::NoScrollPhase, false);
        QApplication::sendEvent(&View(), &event);
    }
    void Key(int key, Qt::KeyboardModifiers modifiers = {}) {
        QKeyEvent event(QEvent::KeyPress, key, modifiers);
        QApplication::sendEvent(&View(), &event);
    }
};

TEST_F(ViewTest, DraggingAPointEditsTheDocument) {
    const std::int16_t before = Doc().Point(0, 3);
    const QPoint at = PointAt(0, 3);
    Mouse(QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton);
    EXPECT_TRUE(View().HasCapture());
    Mouse(QEvent::MouseMove, at - QPoint(0, 60), Qt::NoButton, Qt::LeftButton);
    Mouse(QEvent::MouseButtonRelease, at - QPoint(0, 60), Qt::LeftButton, Qt::NoButton);
    EXPECT_FALSE(View().HasCapture());
    EXPECT_GT(Doc().Point(0, 3), before);
    EXPECT_TRUE(Doc().IsModified());
    // The graph shows what the document stores.
    EXPECT_FLOAT_EQ(Engine().GetValue(0, 3), static_cast<float>(Doc().Point(0, 3)));

    // The selected point follows the arrow keys: one internal step up, five with Shift.
    const std::int16_t dragged = Doc().Point(0, 3);
    Key(Qt::Key_Up);
    EXPECT_EQ(Doc().Point(0, 3), dragged + 1);
    Key(Qt::Key_Up, Qt::ShiftModifier);
    EXPECT_EQ(Doc().Point(0, 3), dragged + 6);
    // Keys outside the navigation keys leave the graph alone.
    Key(Qt::Key_A);
    EXPECT_EQ(Doc().Point(0, 3), dragged + 6);
}

TEST_F(ViewTest, ADragFromElsewhereAndAStrayReleaseChangeNothing) {
    const std::int16_t before = Doc().Point(0, 3);
    const QPoint at = PointAt(0, 3);
    // The button went down in another window: moves with it held are dropped.
    Mouse(QEvent::MouseMove, at, Qt::NoButton, Qt::LeftButton);
    Mouse(QEvent::MouseMove, at - QPoint(0, 60), Qt::NoButton, Qt::LeftButton);
    Mouse(QEvent::MouseButtonRelease, at - QPoint(0, 60), Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(Doc().Point(0, 3), before);
    EXPECT_FALSE(Doc().IsModified());
    EXPECT_EQ(Engine().GetDragColumn(), -1);
}

TEST_F(ViewTest, WheelNotchesCollectUntil120AndAFocusChangeDropsThem) {
    const QPoint at = PointAt(0, 5);
    Mouse(QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton);
    Mouse(QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton);
    const std::int16_t start = Doc().Point(0, 5);

    Wheel(40);
    Wheel(40);
    EXPECT_EQ(Doc().Point(0, 5), start);
    Wheel(40);
    EXPECT_EQ(Doc().Point(0, 5), start + 1);
    EXPECT_EQ(View().WheelAccumulator(), 0);
    Wheel(-120);
    EXPECT_EQ(Doc().Point(0, 5), start);

    Wheel(100);
    QFocusEvent focusOut(QEvent::FocusOut);
    QApplication::sendEvent(&View(), &focusOut);
    EXPECT_EQ(View().WheelAccumulator(), 0);
    Wheel(40);
    EXPECT_EQ(Doc().Point(0, 5), start);
}

TEST_F(ViewTest, TheWindowKeepsItsMinimumSizeOnceTheViewIsSized) {
    EXPECT_EQ(Frame().minimumSize(), QSize(450, 420));
    Frame().resize(300, 300);
    EXPECT_GE(Frame().width(), 450);
    EXPECT_GE(Frame().height(), 420);
}

TEST_F(ViewTest, PrintingRendersThePictureToPdf) {
    const std::string pdf = dir.File("graph.pdf");
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(pdf));
    View().PrintTo(printer);
    QFile file(QString::fromStdString(pdf));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    EXPECT_TRUE(bytes.startsWith("%PDF"));
    EXPECT_GT(bytes.size(), 2000);
    // Also under the output folder, for a person to look at.
    QFile::remove(VEXA_TEST_OUTPUT_DIR "/main_view.pdf");
    QFile::copy(QString::fromStdString(pdf), VEXA_TEST_OUTPUT_DIR "/main_view.pdf");
}

TEST_F(ViewTest, TheViewPaintsTheTracesAndGivesTheGraphBackWhenDestroyed) {
    const QImage picture = View().Snapshot();
    ASSERT_FALSE(picture.isNull());
    EXPECT_EQ(picture.size(), View().size());
    // Trace 0 is drawn in its colour 0x0000FF (red) somewhere in the plot.
    bool red = false;
    for (int y = 0; y < picture.height() && !red; ++y)
        for (int x = 0; x < picture.width() && !red; ++x)
            red = picture.pixelColor(x, y) == QColor(255, 0, 0);
    EXPECT_TRUE(red);
    EXPECT_NE(Doc().Graph(), nullptr);
    app.reset();
}

} // namespace
} // namespace vexa::testing
