// The Edit menu as a user meets it: a drag taken back and done again by keyboard, menu and
// toolbar; a settings field taken back from the menu; curve points copied from one curve
// and pasted into another; the operations on selected points from the graph's context
// menu and the Edit menu, against values worked out by hand.
#include "graph/legendbutton.h"
#include "graph/vlxview.h"
#include "settings_ui/dynamiccombobox.h"
#include "uicommon/textcodec.h"
#include "userfixture.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QInputDialog>
#include <QLineEdit>
#include <QMenu>

#include <cmath>

namespace vexa::testing {
namespace {

class EditTest : public UserTest {
protected:
    CVLXView& View() { return *Frame().View(); }
    CGraphEngine& Engine() { return View().Engine(); }

    QPoint PointAt(int trace, int point) {
        return {Engine().PointX(static_cast<float>(point)),
                Engine().ValueY(Engine().GetValue(trace, point))};
    }
    void ClickPoint(int trace, int point, Qt::KeyboardModifiers modifiers = {}) {
        QTest::mouseClick(&View(), Qt::LeftButton, modifiers, PointAt(trace, point));
        QApplication::processEvents();
    }
    std::vector<float> Curve(int trace) {
        std::vector<float> values;
        for (int p = 0; p < kPointsPerCurve; ++p)
            values.push_back(Engine().GetValue(trace, p));
        return values;
    }
    // The distance between neighbouring values the curve can hold (its conversions are
    // straight lines), so a value worked out by hand is met within half of it.
    float Step(int trace) {
        return Doc().InternalToCurve(trace, 101, kIntToDisp) -
               Doc().InternalToCurve(trace, 100, kIntToDisp);
    }

    // The Edit menu opened with Alt+E: its items' texts, and whether each is enabled.
    QMenu* OpenEditMenu() {
        Key(Frame(), Qt::Key_E, Qt::AltModifier);
        return qobject_cast<QMenu*>(QApplication::activePopupWidget());
    }
    std::vector<std::string> EditMenu() {
        std::vector<std::string> items;
        QMenu* menu = OpenEditMenu();
        EXPECT_NE(menu, nullptr);
        if (!menu)
            return items;
        for (QAction* action : menu->actions()) {
            if (!action->isSeparator())
                items.push_back((action->isEnabled() ? "" : "(off) ") +
                                action->text().toStdString());
        }
        QTest::keyClick(menu, Qt::Key_Escape);
        QApplication::processEvents();
        return items;
    }
    // An item of the Edit menu chosen by its underlined letter.
    void FromEditMenu(Qt::Key letter) {
        QMenu* menu = OpenEditMenu();
        ASSERT_NE(menu, nullptr);
        QTest::keyClick(menu, letter);
        QApplication::processEvents();
    }
    // The graph's context menu, as the platform asks for it on a right click.
    QMenu* ContextMenuAt(QPoint at) {
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, View().mapToGlobal(at));
        QApplication::sendEvent(&View(), &event);
        QApplication::processEvents();
        return qobject_cast<QMenu*>(QApplication::activePopupWidget());
    }
    // The curves of a saved file, read back as File>Open reads it.
    std::array<std::int16_t, kNumCurves * kPointsPerCurve> SavedCurves(const std::string& path) {
        MemorySettings settings;
        const SimIdentity& identity = Options().simOptions.identity;
        settings.WriteInt("HardwareProfile", "DeviceType", identity.deviceType);
        settings.WriteInt("HardwareProfile", "FirmwareVersion", identity.firmwareVersion);
        NullDocumentHost host;
        CVLXDoc doc(CVLXDocServices{&settings, dir.path(), nullptr});
        doc.SetHost(&host);
        EXPECT_TRUE(doc.OnOpenDocument(path));
        return doc.CurveTable;
    }
};

TEST_F(EditTest, ADragIsTakenBackAndDoneAgainByKeyboardMenuAndToolbar) {
    savePath = MakeCalibration("4l60e.def", "street.gvr");
    Start(savePath);
    // The file as this program saves it, before anything is changed.
    Key(Frame(), Qt::Key_S, Qt::ControlModifier);
    const std::string saved = ReadFileBytes(savePath);
    const std::vector<float> before = Curve(0);
    EXPECT_EQ(EditMenu()[0], "(off) &Undo\tCtrl+Z");

    // Point 4 of 1-2 Up dragged upwards in several moves.
    const QPoint grab = PointAt(0, 4);
    QTest::mousePress(&View(), Qt::LeftButton, {}, grab);
    for (int dy = 10; dy <= 60; dy += 10)
        QTest::mouseMove(&View(), grab - QPoint(0, dy));
    QTest::mouseRelease(&View(), Qt::LeftButton, {}, grab - QPoint(0, 60));
    QApplication::processEvents();
    const std::vector<float> moved = Curve(0);
    ASSERT_GT(moved[4], before[4]);
    EXPECT_TRUE(Doc().IsModified());
    const std::vector<std::string> menu = EditMenu();
    EXPECT_EQ(menu[0], "&Undo Move 1 Point of 1-2 Up\tCtrl+Z");
    EXPECT_EQ(menu[1], "(off) &Redo\tCtrl+Y");
    EXPECT_EQ(ToolButton(kIdEditUndo)->toolTip().toStdString(), "Undo Move 1 Point of 1-2 Up");

    // Ctrl+Z: the graph and the saved file are back, and nothing is left to save.
    Key(Frame(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(Curve(0), before);
    EXPECT_FALSE(Doc().IsModified());
    EXPECT_EQ(EditMenu()[1], "&Redo Move 1 Point of 1-2 Up\tCtrl+Y");
    Key(Frame(), Qt::Key_S, Qt::ControlModifier);
    EXPECT_TRUE(ReadFileBytes(savePath) == saved) << "the saved file differs";

    // Again with Ctrl+Shift+Z, back with the toolbar, again with Ctrl+Y, back from the menu.
    Key(Frame(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(Curve(0), moved);
    Click(ToolButton(kIdEditUndo));
    EXPECT_EQ(Curve(0), before);
    Key(Frame(), Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(Curve(0), moved);
    FromEditMenu(Qt::Key_U);
    EXPECT_EQ(Curve(0), before);
    Click(ToolButton(kIdEditRedo));
    EXPECT_EQ(Curve(0), moved);
}

TEST_F(EditTest, ASettingsFieldTakenBackFromTheMenuShowsItsOldValue) {
    Start(MakeCalibration("4l60e.def", "street.gvr"));
    CDynamicPropertySheet& sheet = SystemSettings();
    CDynamicEdit* axle = nullptr;
    for (int tab = 0; tab < sheet.Tabs()->count() && !axle; ++tab) {
        ClickTab(sheet.Tabs(), sheet.Tabs()->tabText(tab));
        axle = Field(ShownPage(sheet), QStringLiteral("Axle ratio"));
    }
    ASSERT_NE(axle, nullptr);
    const QString old = axle->text();
    const std::vector<float> curve = Curve(0);
    Click(axle);
    QTest::keyClick(axle, Qt::Key_A, Qt::ControlModifier);
    Type(QStringLiteral("4.56"));
    Key(sheet, Qt::Key_Return);
    ASSERT_NE(Curve(0), curve); // the shift speeds follow the axle ratio

    Activate(Frame());
    EXPECT_EQ(EditMenu()[0], "&Undo Axle ratio\tCtrl+Z");
    FromEditMenu(Qt::Key_U);
    // The open window, the graph and the calibration show the old ratio again.
    CDynamicEdit* shown = Field(ShownPage(sheet), QStringLiteral("Axle ratio"));
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(shown->text(), old);
    EXPECT_EQ(Curve(0), curve);
    EXPECT_FLOAT_EQ(Doc().FindFloatVariable("AxleRatio").Get(), 3.73f);
    EXPECT_FALSE(Doc().IsModified());
}

TEST_F(EditTest, ATransmissionTypeTakenBackIsShownInTheOpenList) {
    Start(MakeCalibration("4l60e.def", "street.gvr"));
    CDynamicPropertySheet& sheet = SystemSettings();
    CDynamicComboBox* types = ShownPage(sheet)->SelectionCombo();
    ASSERT_NE(types, nullptr);
    ASSERT_EQ(types->currentText(), QStringLiteral("4L60E"));
    // The next type chosen with the keyboard in the list of the page in view.
    Click(types);
    if (QWidget* popup = QApplication::activePopupWidget())
        QTest::keyClick(popup, Qt::Key_Escape);
    QTest::keyClick(types, Qt::Key_Down);
    QApplication::processEvents();
    ASSERT_EQ(Doc().Header[kTransmissionType], "4L60E-HD");

    // Taken back and done again from the main window; the list in view follows.
    for (const auto& [key, type] :
         {std::pair{Qt::Key_Z, "4L60E"}, std::pair{Qt::Key_Y, "4L60E-HD"}}) {
        Activate(Frame());
        Key(Frame(), key, Qt::ControlModifier);
        ASSERT_EQ(Doc().Header[kTransmissionType], type);
        CSettingsPage* page = ShownPage(sheet);
        ASSERT_NE(page, nullptr);
        ASSERT_NE(page->SelectionCombo(), nullptr);
        EXPECT_EQ(page->SelectionCombo()->currentText().toStdString(), type);
    }
}

TEST_F(EditTest, ATraceBoxTakenBackHidesItsCurvesAgain) {
    Start(MakeCalibration("4l60e.def", "street.gvr"));
    CLegendButton* box = Frame().TuningBar()->FindButton("Shift34");
    ASSERT_NE(box, nullptr);
    ASSERT_EQ(box->CheckState(), 0);
    Click(box);
    ASSERT_TRUE(Engine().IsTraceVisible(4));
    const std::string name = ToWindows1252(box->accessibleName());
    EXPECT_EQ(EditMenu()[0], "&Undo " + name + "\tCtrl+Z");

    Key(Frame(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_FALSE(Engine().IsTraceVisible(4));
    ASSERT_NE(Frame().TuningBar()->FindButton("Shift34"), nullptr);
    EXPECT_EQ(Frame().TuningBar()->FindButton("Shift34")->CheckState(), 0);
    EXPECT_FALSE(Doc().Display.TraceVisible(4));
    Key(Frame(), Qt::Key_Y, Qt::ControlModifier);
    EXPECT_TRUE(Engine().IsTraceVisible(4));
    EXPECT_EQ(Frame().TuningBar()->FindButton("Shift34")->CheckState(), 1);
}

TEST_F(EditTest, PointsCopiedFromOneCurvePasteIntoAnother) {
    savePath = MakeCalibration("4l60e.def", "street.gvr");
    Start(savePath);
    // Points 2 to 4 of 1-2 Up: a click and a Shift+click.
    ClickPoint(0, 2);
    ClickPoint(0, 4, Qt::ShiftModifier);
    Key(Frame(), Qt::Key_C, Qt::ControlModifier);
    const QStringList copied = QApplication::clipboard()->text().split(QLatin1Char('\t'));
    ASSERT_EQ(copied.size(), 3);
    EXPECT_FLOAT_EQ(copied[1].toFloat(), Engine().GetValue(0, 3));

    // Into 2-1 Down from its point 0 on.
    ClickPoint(1, 0);
    Key(Frame(), Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(EditMenu()[0], "&Undo Paste 3 Points of 2-1 Down\tCtrl+Z");
    Key(Frame(), Qt::Key_S, Qt::ControlModifier);
    const auto saved = SavedCurves(savePath);
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(saved[static_cast<std::size_t>(10 + i)], saved[static_cast<std::size_t>(2 + i)]);
        EXPECT_EQ(Engine().GetValue(1, i), Engine().GetValue(0, 2 + i));
    }

    // A spreadsheet column pastes too; text that is not numbers is refused with a notice.
    QApplication::clipboard()->setText(QStringLiteral("20\r\n25\r\n"));
    ClickPoint(1, 8);
    Key(Frame(), Qt::Key_V, Qt::ControlModifier);
    EXPECT_NEAR(Engine().GetValue(1, 8), 20.0f, Step(1) / 2);
    EXPECT_NEAR(Engine().GetValue(1, 9), 25.0f, Step(1) / 2);
    const std::vector<float> before = Curve(1);
    QApplication::clipboard()->setText(QStringLiteral("twenty"));
    Key(Frame(), Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(Curve(1), before);
    EXPECT_EQ(script.Captions(), std::vector<std::string>{"Paste"});
}

TEST_F(EditTest, OperationsOnSelectedPointsMeetTheirHandWorkedValues) {
    Start(MakeCalibration("4l60e.def", "street.gvr"));
    // With nothing selected, nothing to operate on; Cut never applies to the graph.
    EXPECT_EQ(EditMenu(),
              (std::vector<std::string>{"(off) &Undo\tCtrl+Z", "(off) &Redo\tCtrl+Y",
                                        "(off) Cu&t\tCtrl+X", "(off) &Copy\tCtrl+C",
                                        "(off) &Paste\tCtrl+V", "(off) &Set To...", "(off) &Add...",
                                        "(off) Sca&le...", "(off) &Interpolate", "(off) S&mooth"}));

    // Points 2 to 6 of 1-2 Up and of 2-1 Down: a click, a Ctrl+click, a Shift+click.
    ClickPoint(0, 2);
    ClickPoint(1, 2, Qt::ControlModifier);
    ClickPoint(0, 6, Qt::ShiftModifier);
    ASSERT_EQ(Engine().SelectedPointCount(), 10);
    const std::vector<float> up = Curve(0);
    const std::vector<float> down = Curve(1);
    const auto near = [this](int trace, int point, double expected) {
        SCOPED_TRACE("curve " + std::to_string(trace) + " point " + std::to_string(point));
        EXPECT_NEAR(Engine().GetValue(trace, point), expected, Step(trace) / 2 + 1e-3);
    };

    // Interpolate from the graph's context menu.
    QMenu* menu = ContextMenuAt(PointAt(0, 4));
    ASSERT_NE(menu, nullptr);
    EXPECT_FALSE(Frame().Action(kIdEditCut)->isEnabled());
    QTest::keyClick(menu, Qt::Key_I);
    QApplication::processEvents();
    for (const auto& [trace, v] : {std::pair{0, up}, std::pair{1, down}}) {
        for (int p = 3; p <= 5; ++p)
            near(trace, p, v[2] + (v[6] - v[2]) * static_cast<float>(p - 2) / 4.0f);
        EXPECT_EQ(Engine().GetValue(trace, 2), v[2]);
        EXPECT_EQ(Engine().GetValue(trace, 6), v[6]);
    }
    EXPECT_EQ(EditMenu()[0], "&Undo Interpolate 6 Points of 1-2 Up and 2-1 Down\tCtrl+Z");

    // Back, then Smooth from the Edit menu.
    Key(Frame(), Qt::Key_Z, Qt::ControlModifier);
    ASSERT_EQ(Curve(0), up);
    FromEditMenu(Qt::Key_M);
    for (const auto& [trace, v] : {std::pair{0, up}, std::pair{1, down}}) {
        for (std::size_t p = 3; p <= 5; ++p)
            near(trace, static_cast<int>(p), (v[p - 1] + v[p] + v[p + 1]) / 3.0);
        EXPECT_EQ(Engine().GetValue(trace, 2), v[2]);
        EXPECT_EQ(Engine().GetValue(trace, 6), v[6]);
    }

    // Set To and Scale ask for their number in a dialog, typed and confirmed with Enter.
    QString typed;
    script.runDialog = [&typed](QDialog& dialog) {
        dialog.show();
        auto* field = dialog.findChild<QLineEdit*>();
        EXPECT_NE(field, nullptr);
        if (!field)
            return int{QDialog::Rejected};
        field->setFocus();
        QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(field, typed);
        QTest::keyClick(field, Qt::Key_Return);
        return dialog.result();
    };
    typed = QStringLiteral("30");
    FromEditMenu(Qt::Key_S);
    for (int trace : {0, 1})
        for (int p = 2; p <= 6; ++p)
            near(trace, p, 30.0);
    const std::vector<std::vector<float>> set{Curve(0), Curve(1)};
    typed = QStringLiteral("50");
    FromEditMenu(Qt::Key_L);
    for (int trace : {0, 1})
        for (int p = 2; p <= 6; ++p)
            near(trace, p, set[static_cast<std::size_t>(trace)][static_cast<std::size_t>(p)] / 2.0);
    // Not a number: a notice, and the points stay.
    const std::vector<float> kept = Curve(0);
    typed = QStringLiteral("half");
    FromEditMenu(Qt::Key_A);
    EXPECT_EQ(Curve(0), kept);
    EXPECT_EQ(script.Captions(), std::vector<std::string>{"Add"});
}

} // namespace
} // namespace vexa::testing
