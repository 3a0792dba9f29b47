// Restore points and comparing calibrations as a user meets them: a write from the toolbar
// keeps what the table held, File > Restore Points... opens or compares it, and File >
// Compare With... shows another calibration's curves dashed beside the open one's with a
// list of what differs.
#include "app/comparesession.h"
#include "app/restorepointsdlg.h"
#include "core/restorepoints.h"
#include "graph/vlxview.h"
#include "sim/simtransport.h"
#include "userfixture.h"

#include <QPushButton>
#include <QStatusBar>
#include <QTreeWidget>

#include <filesystem>
#include <functional>

namespace vexa::testing {
namespace {

class CompareTest : public UserTest {
protected:
    // A copy of the calibration at from, changed by edit and saved as name.
    std::string EditedCopy(const std::string& from, const std::string& name,
                           const std::function<void(CVLXDoc&)>& edit) {
        MemorySettings settings;
        RememberDemoController(settings);
        NullDocumentHost host;
        CVLXDoc doc(CVLXDocServices{&settings, dir.path(), nullptr});
        doc.SetHost(&host);
        EXPECT_TRUE(doc.OnOpenDocument(from));
        edit(doc);
        const std::string path = dir.File(name);
        EXPECT_TRUE(doc.OnSaveDocument(path));
        doc.SetHost(nullptr);
        return path;
    }
    // The compared file's curve in display units, as a comparison reads it.
    std::vector<float> CurveOf(const std::string& path, int curve) {
        MemorySettings settings;
        ComparedCalibration other(settings, dir.path());
        std::string error;
        EXPECT_TRUE(other.Open(path, error)) << error;
        std::vector<float> values;
        for (int point = 0; point < kPointsPerCurve; ++point)
            values.push_back(other.Doc().CurveDisplayValue(curve, point));
        return values;
    }
    // The Differences window's rows as "item | here | there", groups left out.
    std::vector<std::string> DifferenceRows() {
        std::vector<std::string> rows;
        QTreeWidget* list = app->Compare()->DifferencesList();
        for (int g = 0; list && g < list->topLevelItemCount(); ++g) {
            QTreeWidgetItem* group = list->topLevelItem(g);
            for (int r = 0; r < group->childCount(); ++r) {
                const QTreeWidgetItem* row = group->child(r);
                rows.push_back(
                    (row->text(0) + " | " + row->text(1) + " | " + row->text(2)).toStdString());
            }
        }
        return rows;
    }
    std::vector<float> Companion(int curve) {
        std::vector<float> values;
        for (int point = 0; point < kPointsPerCurve; ++point)
            values.push_back(Frame().View()->Engine().GetCompanionValue(curve, point));
        return values;
    }
    AppOptions WithRestorePoints() {
        AppOptions options = Options();
        options.paths.restorePointDir = dir.File("restore-points");
        return options;
    }
};

TEST_F(CompareTest, TheOtherCalibrationIsDashedOnTheGraphAndListed) {
    const std::string mine = MakeCalibration("4l60e.def", "mine.gvr");
    // One setting, one curve point and the transmission type changed.
    const std::string theirs = EditedCopy(mine, "theirs.gvr", [](CVLXDoc& doc) {
        doc.SetFloatVariable("AxleRatio", 4.10f);
        doc.Point(0, 3) = 720;
        doc.Header[kDefinitionFileName] = "4l60ehd.def";
    });
    Start(mine);
    const QImage plain = Frame().View()->Snapshot();
    app->fileDialog = [&theirs](QWidget*, bool save, const std::string&) {
        return save ? std::string() : theirs;
    };
    ChooseMenuItem(Qt::Key_F, Qt::Key_H); // Compare Wit&h...

    QDialog* window = app->Compare()->DifferencesWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    const std::vector<std::string> expected = {
        "Transmission type | 4L60E | 4L60E-HD",
        "Axle ratio (AxleRatio) | 3.73 | 4.10",
        // Each side in its own units: theirs shows its 720 through its own axle ratio.
        "1-2 Up point 3 | 15 | 14.6",
    };
    EXPECT_EQ(DifferenceRows(), expected);
    // Every curve of the other calibration lies dashed beside this one's, in its values.
    for (int curve : {0, 1, 6}) {
        EXPECT_EQ(Frame().View()->Engine().HasCompanion(curve), 1) << curve;
        EXPECT_EQ(Companion(curve), CurveOf(theirs, curve)) << curve;
    }
    EXPECT_NE(Frame().View()->Snapshot(), plain);
    EXPECT_TRUE(Frame().Action(kIdCloseCompare)->isEnabled());

    // The list follows the open calibration: the axle ratio typed into System Settings
    // leaves only the other two differences.
    CDynamicPropertySheet& sheet = SystemSettings();
    ClickTab(sheet.Tabs(), "Vehicle");
    CDynamicEdit* axle = Field(ShownPage(sheet), "Axle ratio");
    ASSERT_NE(axle, nullptr);
    Click(axle);
    QTest::keyClick(axle, Qt::Key_A, Qt::ControlModifier);
    Type(QStringLiteral("4.10"));
    Key(sheet, Qt::Key_Tab);
    EXPECT_TRUE(QTest::qWaitFor([&] { return DifferenceRows().size() == 2; }, 2000));
    EXPECT_EQ(DifferenceRows(),
              (std::vector<std::string>{expected[0], "1-2 Up point 3 | 13.7 | 14.6"}));
    sheet.close();

    // Close Compare, the window's button, ends it: no dashed lines, no list.
    Activate(*window);
    Click(window->findChild<QPushButton*>(QStringLiteral("CloseCompareButton")));
    EXPECT_EQ(app->Compare()->DifferencesWindow(), nullptr);
    EXPECT_FALSE(app->Compare()->Active());
    EXPECT_EQ(Frame().View()->Engine().HasCompanion(0), 0);
    Frame().UpdateCommandUI();
    EXPECT_FALSE(Frame().Action(kIdCloseCompare)->isEnabled());
}

TEST_F(CompareTest, AWriteKeepsWhatTheTableHeldAndRestorePointsOpenIt) {
    const std::string mine = MakeCalibration("4l60ehd.def", "mine.gvr");
    Start(WithRestorePoints());
    ASSERT_TRUE(app->OpenDocumentFile(mine));
    ConnectAndPoll();
    ASSERT_TRUE(Frame().Action(kIdWriteCalibration)->isEnabled());
    const std::vector<std::uint8_t> held = app->VirtualController()->Controller().Eeprom(0);
    Click(ToolButton(kIdWriteCalibration));

    const std::vector<RestorePoint> points = ListRestorePoints(dir.File("restore-points"));
    ASSERT_EQ(points.size(), 1u);
    // The demo controller's table 1 fits both 4L60E types; the open calibration's is kept.
    EXPECT_EQ(points[0].transmissionType, "4L60E-HD");
    EXPECT_EQ(points[0].what, "TCS-2 table 1");
    EXPECT_EQ(Frame().MessageText().toStdString(),
              "Write to controller NVM table 1 complete. Restore point: " +
                  StoredFileName(points[0].path));
    const std::string kept = ReadFileBytes(points[0].path);
    {
        MemorySettings settings;
        ComparedCalibration saved(settings, dir.path());
        std::string error;
        ASSERT_TRUE(saved.Open(points[0].path, error)) << error;
        std::vector<std::uint8_t> image(
            static_cast<std::size_t>(saved.Doc().Declarations.TotalBlockSize()));
        ASSERT_EQ(saved.Doc().BuildMemoryImage(image), 1);
        // The image a write of it sends is what the table held, but for the 4-3 curve
        // (19 cells from 0x5F), which follows its formula from the 3-4 curve and so is
        // computed again whenever an image is built.
        ASSERT_EQ(saved.Doc().ProxyActive[5], 1);
        for (std::size_t i = 0; i < image.size(); ++i) {
            if (i < 0x5F || i >= 0x5F + 19) {
                EXPECT_EQ(int{image[i]}, int{held[i]}) << "byte " << i;
            }
        }
        EXPECT_NE(app->VirtualController()->Controller().Eeprom(0), held);
    }

    // File > Restore Points... lists it; Open opens it.
    script.runDialog = [&](QDialog& dialog) {
        auto* list = dynamic_cast<CRestorePointsDlg*>(&dialog);
        if (!list)
            return int{QDialog::Rejected};
        dialog.show();
        QApplication::processEvents();
        QTreeWidgetItem* row = list->List()->topLevelItem(0);
        EXPECT_EQ(list->List()->topLevelItemCount(), 1);
        EXPECT_EQ(row->text(0).toStdString(), points[0].when);
        EXPECT_EQ(row->text(1).toStdString(), "4L60E-HD");
        EXPECT_EQ(row->text(2).toStdString(), "TCS-2 table 1");
        Click(list->List()->viewport(), list->List()->visualItemRect(row).center());
        Click(list->OpenButton());
        return dialog.result();
    };
    ChooseMenuItem(Qt::Key_F, Qt::Key_T); // Restore Poin&ts...
    EXPECT_EQ(app->PathName(), points[0].path);
    EXPECT_EQ(Doc().Header[kTransmissionType], "4L60E-HD");

    // Saving a changed restore point asks for a new name; the restore point stays.
    Doc().SetModifiedFlag();
    savePath = dir.File("from-the-controller.gvr");
    Activate(Frame());
    Key(Frame(), Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(app->PathName(), savePath);
    EXPECT_EQ(ReadFileBytes(points[0].path), kept);

    // With restore points turned off in the settings, a write keeps none.
    app->Settings().WriteInt("Restore Points", "Enabled", 0);
    Click(ToolButton(kIdWriteCalibration));
    EXPECT_EQ(ListRestorePoints(dir.File("restore-points")).size(), 1u);
}

TEST_F(CompareTest, AFailedBackupReadAsksAndNoIsTheAnswerEnterGives) {
    AppOptions options = WithRestorePoints();
    options.simOptions.faults.silentAfter = 2000; // in the middle of the backup read
    Start(std::move(options));
    ConnectAndPoll();
    std::vector<std::uint8_t>& table = app->VirtualController()->Controller().Eeprom(0);
    const std::vector<std::uint8_t> held = table;
    script.shown.clear();
    Click(ToolButton(kIdWriteCalibration));
    ASSERT_FALSE(script.shown.empty());
    EXPECT_EQ(script.shown.back().caption, "Restore Point Error:");
    EXPECT_EQ(table, held);
    EXPECT_FALSE(app->VirtualController()->Controller().EepromWriteEnabled());
}

} // namespace
} // namespace vexa::testing
