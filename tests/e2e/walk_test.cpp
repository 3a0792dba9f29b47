// The windowed program walked end to end as a user would: the program objects started as
// main() starts them, on a copy of the shipped data and a temporary settings file, with
// the virtual controller of the demo (the shipped EEPROM controller with its calibration
// tables) as the port. Every message box and modal dialog is answered from a script.
#include "app/transtypedlg.h"
#include "app/vlx.h"
#include "core/documenthost.h"
#include "core/timerservice.h"
#include "datalog/datalogcontrol.h"
#include "datalog/logplotwidget.h"
#include "datalog/logwindow.h"
#include "frame/commandids.h"
#include "frame/dashboard.h"
#include "frame/mainfrm.h"
#include "graph/dynamicdialogbar.h"
#include "graph/vlxview.h"
#include "link/portdiscovery.h"
#include "link/supportpackage.h"
#include "link/vlxcontroller.h"
#include "settings_ui/dynamicpropertysheet.h"
#include "settings_ui/helpdialog.h"
#include "sim/drivecycle.h"
#include "sim/simtransport.h"
#include "support/appoptions.h"
#include "support/demoprogram.h"
#include "support/docfixture.h"
#include "support/memorysettings.h"
#include "support/shippedprogram.h"
#include "uicommon/messagebox.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QMouseEvent>
#include <QTabWidget>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace vexa::testing {
namespace {

namespace fs = std::filesystem;

class Walk : public DemoProgramTest {
protected:
    void Start() {
        ASSERT_NO_FATAL_FAILURE(StartProgram(DemoOptions()));
        Frame().resize(1000, 720);
        QApplication::processEvents();
    }

    std::vector<std::string> StopBoxes() const {
        std::vector<std::string> boxes;
        for (const ShownMessageBox& box : script.shown) {
            if ((box.flags & 0xF0u) == kMbIconStop)
                boxes.push_back(box.caption + ": " + box.text);
        }
        return boxes;
    }
    std::string AllBoxes() const {
        std::string all;
        for (const ShownMessageBox& box : script.shown)
            all += "[" + box.caption + "] " + box.text + "\n";
        return all;
    }

    // Chooses the transmission type on the wizard's first page, as picking it in the list
    // does; the wizard then holds the type's pages.
    static void ChooseType(CDynamicPropertySheet& wizard, const char* type) {
        CDynamicComboBox* types = wizard.PageWidget(0)->SelectionCombo();
        ASSERT_NE(types, nullptr);
        const int index = types->findText(QString::fromLatin1(type));
        ASSERT_GE(index, 0) << type;
        if (types->currentIndex() == index)
            types->setCurrentIndex(index == 0 ? 1 : 0);
        types->setCurrentIndex(index);
    }

    // The "Select Current Transmission Type" dialog of a read: the standard 4L60E.
    static int ChooseStandard4L60E(QDialog& dialog) {
        auto* chooser = dynamic_cast<CTransTypeDlg*>(&dialog);
        if (!chooser)
            return QDialog::Rejected;
        const int index = chooser->List()->findText(QStringLiteral("4L60E (standard duty)"));
        EXPECT_GE(index, 0);
        chooser->List()->setCurrentIndex(index);
        return QDialog::Accepted;
    }

    void Drag(int trace, int point, int dy) {
        CVLXView& view = *Frame().View();
        CGraphEngine& engine = view.Engine();
        const QPoint at(engine.PointX(static_cast<float>(point)),
                        engine.ValueY(engine.GetValue(trace, point)));
        const auto send = [&view](QEvent::Type type, QPoint where, Qt::MouseButton button,
                                  Qt::MouseButtons buttons) {
            QMouseEvent event(type, where, view.mapToGlobal(where), button, buttons, {});
            QApplication::sendEvent(&view, &event);
        };
        send(QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton);
        send(QEvent::MouseMove, at + QPoint(0, dy), Qt::NoButton, Qt::LeftButton);
        send(QEvent::MouseButtonRelease, at + QPoint(0, dy), Qt::LeftButton, Qt::NoButton);
    }

    // The calibration as the controller's table holds it.
    static std::vector<std::uint8_t> Image(CVLXDoc& doc) {
        const int size = doc.Declarations.TotalBlockSize();
        std::vector<std::uint8_t> image(static_cast<std::size_t>(size > 0 ? size : 0),
                                        doc.Declarations.NVMType() > 1 ? 0xFF : 0x00);
        EXPECT_EQ(doc.BuildMemoryImage(image), 1);
        return image;
    }
};

TEST_F(Walk, SetUpTuneSaveWriteAndReadBack) {
    Start();
    savePath = dir.File("street.gvr");
    // The start-up New runs no wizard; the bars of a calibration without a type are empty.
    EXPECT_TRUE(script.shown.empty()) << AllBoxes();
    EXPECT_EQ(Doc().Header[kTransmissionType], "None");
    ASSERT_TRUE(Frame().Action(kIdSetupWizard)->isEnabled());
    ASSERT_TRUE(Frame().Action(kIdSystemSettings)->isEnabled());

    // Initial Setup: the 4L60E, then one step up of the first setting of the next page.
    std::vector<std::uint8_t> beforeSetting;
    std::vector<std::uint8_t> afterSetting;
    int wizards = 0;
    script.runDialog = [&](QDialog& dialog) {
        ++wizards;
        auto* wizard = dynamic_cast<CDynamicPropertySheet*>(&dialog);
        EXPECT_NE(wizard, nullptr);
        if (!wizard)
            return int{QDialog::Rejected};
        EXPECT_EQ(wizard->windowTitle().toStdString(), "Initial Setup");
        EXPECT_EQ(wizard->PageCount(), 1); // the transmission page alone
        ChooseType(*wizard, "4L60E");
        EXPECT_GT(wizard->PageCount(), 1);
        beforeSetting = Image(Doc());
        EXPECT_TRUE(wizard->Next());
        CSettingsPage* page = wizard->PageWidget(1);
        EXPECT_FALSE(page->EditBoxes().empty());
        if (!page->EditBoxes().empty()) {
            QKeyEvent up(QEvent::KeyPress, Qt::Key_Up, Qt::NoModifier);
            QApplication::sendEvent(page->EditBoxes().front(), &up);
        }
        afterSetting = Image(Doc());
        return int{QDialog::Accepted};
    };
    ASSERT_TRUE(Frame().RunCommand(kIdSetupWizard));
    ASSERT_EQ(wizards, 1);
    EXPECT_EQ(Doc().Header[kTransmissionType], "4L60E");
    EXPECT_NE(beforeSetting, afterSetting) << "the page setting reached the calibration";
    EXPECT_TRUE(Doc().IsModified());

    // The new type rebuilt both bars.
    ASSERT_NE(Frame().TuningBar(), nullptr);
    EXPECT_FALSE(Frame().TuningBar()->Buttons().empty());
    EXPECT_GT(Frame().Dashboard()->BoxCount(), 0u);

    // Drag the third point of the first trace up.
    Frame().show();
    QApplication::processEvents();
    Frame().View()->Snapshot();
    const std::int16_t point = Doc().Point(0, 2);
    Drag(0, 2, -50);
    EXPECT_NE(Doc().Point(0, 2), point);

    // Save; the saved file is what the controller should hold.
    ASSERT_TRUE(Frame().RunCommand(kIdFileSave));
    EXPECT_FALSE(Doc().IsModified());
    ASSERT_TRUE(fs::exists(savePath));

    // Connect (one poll tick) and write table 1; the dashboard follows the connection.
    timers.Advance(1000);
    ASSERT_TRUE(app->IsConnected()) << app->Controller()->LastError();
    EXPECT_EQ(Frame().Dashboard()->Caption(), "Dashboard - Connected");
    ASSERT_TRUE(Frame().RunCommand(kIdWriteCalibration));
    EXPECT_TRUE(StopBoxes().empty()) << AllBoxes();
    EXPECT_EQ(Frame().MessageText().toStdString(), "Write to controller NVM table 1 complete.");

    // File>New: the wizard runs again (cancelled this time) and the type is gone.
    bool cancelled = false;
    script.runDialog = [&](QDialog& dialog) {
        if (dynamic_cast<CDynamicPropertySheet*>(&dialog)) {
            cancelled = true;
            return int{QDialog::Rejected};
        }
        return ChooseStandard4L60E(dialog);
    };
    ASSERT_TRUE(Frame().RunCommand(kIdFileNew));
    EXPECT_TRUE(cancelled);
    EXPECT_EQ(Doc().Header[kTransmissionType], "None");

    // Read table 1: the signature picks the type, and the calibration is the saved one.
    ASSERT_TRUE(Frame().RunCommand(kIdReadCalibration));
    EXPECT_TRUE(StopBoxes().empty()) << AllBoxes();
    EXPECT_EQ(Frame().MessageText().toStdString(), "Read of controller NVM table 1 complete.");
    EXPECT_EQ(Doc().Header[kTransmissionType], "4L60E");
    EXPECT_FALSE(Frame().TuningBar()->Buttons().empty());

    MemorySettings settings;
    NullDocumentHost host;
    CVLXDoc saved(CVLXDocServices{&settings, dir.path(), nullptr});
    saved.SetHost(&host);
    ASSERT_TRUE(saved.OnOpenDocument(savePath));
    EXPECT_EQ(saved.Header[kTransmissionType], "4L60E");
    EXPECT_EQ(Doc().CurveTable, saved.CurveTable);
    // ... and the readback makes the very table the controller holds.
    EXPECT_EQ(Image(Doc()), app->VirtualController()->Controller().Eeprom(0));
    // Both hold the declarations of the same definition, slot for slot.
    ASSERT_EQ(Doc().VariableTable.size(), saved.VariableTable.size());
    int compared = 0;
    for (std::size_t i = 0; i < saved.VariableTable.size(); ++i) {
        const VariableSlot& slot = saved.VariableTable[i];
        if ((slot.flags & 1) == 0 || slot.name.empty() || slot.type == kTypeContinuation ||
            slot.type == kTypeSTR)
            continue;
        EXPECT_EQ(Doc().VariableTable[i].name, slot.name);
        EXPECT_EQ(Doc().VariableTable[i].value.I32(0), slot.value.I32(0)) << slot.name;
        ++compared;
    }
    EXPECT_GT(compared, 10);
    saved.SetHost(nullptr);
}

TEST_F(Walk, SystemSettingsAndTheHelpViewer) {
    Start();
    // A calibration read from the demo's controller opens System Settings on its own.
    timers.Advance(1000);
    ASSERT_TRUE(app->IsConnected()) << app->Controller()->LastError();
    script.runDialog = ChooseStandard4L60E;
    ASSERT_TRUE(Frame().RunCommand(kIdReadCalibration));
    EXPECT_EQ(Doc().Header[kTransmissionType], "4L60E");
    if (!Frame().IsSystemSettingsOpen()) {
        ASSERT_TRUE(Frame().RunCommand(kIdSystemSettings));
    }
    ASSERT_TRUE(Frame().IsSystemSettingsOpen());
    auto* sheet = dynamic_cast<CDynamicPropertySheet*>(Frame().SystemSettingsWindow());
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(sheet->windowTitle().toStdString(), "System Settings");
    EXPECT_GT(sheet->PageCount(), 2);
    EXPECT_EQ(sheet->Tabs()->tabText(0).toStdString(), "Transmission Type");

    // A second request opens no second window; the wizard and New are refused meanwhile.
    ASSERT_TRUE(Frame().RunCommand(kIdSystemSettings));
    EXPECT_EQ(Frame().SystemSettingsWindow(), sheet);
    int wizards = 0;
    script.runDialog = [&wizards](QDialog&) {
        ++wizards;
        return int{QDialog::Rejected};
    };
    Frame().RunCommand(kIdSetupWizard);
    EXPECT_EQ(wizards, 0);
    script.shown.clear();
    ASSERT_TRUE(Frame().RunCommand(kIdFileNew));
    ASSERT_EQ(script.shown.size(), 1u);
    EXPECT_EQ(script.shown[0].caption, "Error");
    EXPECT_EQ(Doc().Header[kTransmissionType], "4L60E");

    // Closed, the window is forgotten and New works again.
    sheet->close();
    QApplication::processEvents();
    EXPECT_FALSE(Frame().IsSystemSettingsOpen());

    // Help files go to the one viewer, reused.
    ASSERT_EQ(app->ShowHelpFile(dir.File("Help/ShiftTuning.rtf")), 1);
    CHelpDialog* viewer = app->HelpViewer();
    ASSERT_NE(viewer, nullptr);
    EXPECT_TRUE(viewer->isVisible());
    EXPECT_FALSE(viewer->TextControl()->toPlainText().isEmpty());
    const QString first = viewer->TextControl()->toPlainText();
    ASSERT_EQ(app->ShowHelpFile(dir.File("Help/Inputs.rtf")), 1);
    EXPECT_EQ(app->HelpViewer(), viewer);
    EXPECT_NE(viewer->TextControl()->toPlainText(), first);
}

// The pictures of the README: scripts/screenshots runs this with VEXA_SCREENSHOT_DIR set;
// otherwise they go to the test output folder.
TEST_F(Walk, Screenshots) {
    const QString out = qEnvironmentVariableIsEmpty("VEXA_SCREENSHOT_DIR")
                            ? QStringLiteral(VEXA_TEST_OUTPUT_DIR)
                            : qEnvironmentVariable("VEXA_SCREENSHOT_DIR");
    QDir().mkpath(out);
    const auto save = [&out](QWidget& widget, const char* name) {
        QApplication::processEvents();
        const QString path = out + QLatin1Char('/') + QLatin1String(name);
        EXPECT_TRUE(widget.grab().save(path)) << path.toStdString();
    };
    Start();
    Frame().resize(1000, 700);
    Frame().show();

    // The wizard of a new calibration, with the 4L60E chosen.
    script.runDialog = [&](QDialog& dialog) {
        auto* wizard = dynamic_cast<CDynamicPropertySheet*>(&dialog);
        if (!wizard)
            return int{QDialog::Rejected};
        ChooseType(*wizard, "4L60E");
        wizard->show();
        save(*wizard, "initial_setup.png");
        wizard->hide();
        return int{QDialog::Rejected};
    };
    ASSERT_TRUE(Frame().RunCommand(kIdSetupWizard));

    // The calibration read from the controller, with live data on the dashboard.
    timers.Advance(1000);
    ASSERT_TRUE(app->IsConnected()) << app->Controller()->LastError();
    script.runDialog = ChooseStandard4L60E;
    ASSERT_TRUE(Frame().RunCommand(kIdReadCalibration));
    if (QWidget* sheet = Frame().SystemSettingsWindow())
        sheet->hide();
    for (int tick = 0; tick < 20; ++tick)
        timers.Advance(100);
    Frame().View()->Snapshot();
    save(Frame(), "main_window.png");

    if (!Frame().IsSystemSettingsOpen()) {
        ASSERT_TRUE(Frame().RunCommand(kIdSystemSettings));
    }
    QWidget* sheet = Frame().SystemSettingsWindow();
    ASSERT_NE(sheet, nullptr);
    sheet->show();
    if (auto* tabs = dynamic_cast<CDynamicPropertySheet*>(sheet)) {
        if (tabs->PageCount() > 1)
            tabs->SetActivePage(1);
    }
    save(*sheet, "system_settings.png");

    ASSERT_EQ(app->ShowHelpFile(dir.File("Help/ShiftTuning.rtf")), 1);
    save(*app->HelpViewer(), "help_viewer.png");
    app->HelpViewer()->hide();
    sheet->hide();

    // A minute of the virtual controller's drive as the 4L60E's items log it, in the log
    // window, with the cursor on the 2-3 upshift and the graph's crosshair where it happened.
    std::string text = "Time,Speed (mph),Throttle (%),Gear,Engine rpm\n";
    const char* gears[] = {"N", "1st", "2nd", "3rd", "4th"};
    double upshift23 = -1.0;
    for (int ms = 0; ms <= 60000; ms += 50) {
        const DriveState state = DriveCycle::At(ms);
        if (upshift23 < 0 && state.gear == 3)
            upshift23 = ms / 1000.0;
        text += std::to_string(ms / 1000.0) + "," + std::to_string(state.speedKmh * 0.6214) + "," +
                std::to_string(state.throttle * 100) + "," + gears[state.gear] + "," +
                std::to_string(state.engineRpm) + "\n";
    }
    CDataLogWindow* log = app->DataLogs()->OpenLogFile(dir.Write("drive.csv", text));
    ASSERT_NE(log, nullptr);
    log->resize(900, 380);
    log->Plot()->SetCursorTime(upshift23);
    Frame().View()->Snapshot();
    save(*log, "data_log.png");
    save(Frame(), "data_log_crosshair.png");
}

} // namespace
} // namespace vexa::testing
