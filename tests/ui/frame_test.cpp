// The main window's bars, prompts, help routing and start-up dialogs; the desktop entry;
// the message boxes; the command line.
#include "app/commandline.h"
#include "core/settingskeys.h"
#include "frame/commandids.h"
#include "settings_ui/aboutdlg.h"
#include "settings_ui/shellutils.h"
#include "settings_ui/startdlg.h"
#include "uicommon/controlidregistry.h"
#include "uicommon/controlwidget.h"
#include "uicommon/textcodec.h"
#include "uifixture.h"

#include <QCheckBox>
#include <QDockWidget>
#include <QDropEvent>
#include <QHelpEvent>
#include <QMessageBox>
#include <QMimeData>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QStatusTipEvent>
#include <QTimer>
#include <QToolBar>
#include <QToolTip>
#include <QUrl>

#include <fstream>

namespace vexa::testing {
namespace {

TEST_F(AppTest, GeneratedControlsShowTheirPromptTipAndHelp) {
    Start();
    Frame().show();
    auto* withTexts = new QWidget(Frame().TuningDock()->widget());
    auto* bare = new QWidget(Frame().TuningDock()->widget());
    const int id = ControlIds().AllocateControlId(0);
    const int bareId = ControlIds().AllocateControlId(0);
    EXPECT_EQ(id, 1040); // the frame cleared the table
    SetControlId(withTexts, id);
    SetControlId(bare, bareId);
    const std::string help = "Moves the 1-2 upshift.";
    ControlIds().SetControlStatusText(id, "Upshift from first to second gear");
    ControlIds().SetControlToolTip(id, "1-2 upshift");
    ControlIds().SetControlHelpText(id, &help);

    QEvent enter(QEvent::Enter);
    QApplication::sendEvent(withTexts, &enter);
    EXPECT_EQ(Frame().MessageText().toStdString(), "Upshift from first to second gear");
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(withTexts, &leave);
    EXPECT_EQ(Frame().MessageText().toStdString(), "For Help, press F1");
    QApplication::sendEvent(bare, &enter);
    EXPECT_EQ(Frame().MessageText().toStdString(), "For Help, press F1");

    QHelpEvent tip(QEvent::ToolTip, QPoint(1, 1), withTexts->mapToGlobal(QPoint(1, 1)));
    QApplication::sendEvent(withTexts, &tip);
    EXPECT_EQ(QToolTip::text().toStdString(), "1-2 upshift");
    QToolTip::hideText();
    bare->setToolTip(QStringLiteral("should not show"));
    QHelpEvent bareTip(QEvent::ToolTip, QPoint(1, 1), bare->mapToGlobal(QPoint(1, 1)));
    QApplication::sendEvent(bare, &bareTip);
    EXPECT_NE(QToolTip::text().toStdString(), "should not show");

    // F1 on the control shows its help with the program's title; on the view, nothing.
    withTexts->setFocusPolicy(Qt::StrongFocus);
    withTexts->show();
    QApplication::setActiveWindow(&Frame());
    withTexts->setFocus();
    QApplication::processEvents();
    ASSERT_EQ(QApplication::focusWidget(), withTexts);
    ASSERT_TRUE(Frame().RunCommand(kIdHelp));
    ASSERT_EQ(script.shown.size(), 1u);
    EXPECT_EQ(script.shown[0].caption, "VEXA Transmission Control");
    EXPECT_EQ(script.shown[0].text, "Moves the 1-2 upshift.");
    Frame().WinHelp(kHelpContextMainWindow);
    Frame().WinHelp(kHelpContextCommandBase + bareId);
    EXPECT_EQ(script.shown.size(), 1u);

    // Menu prompts reach the message pane; leaving them brings the idle prompt back.
    Frame().Action(kIdSetupWizard)->showStatusText(&Frame());
    EXPECT_EQ(Frame().MessageText().toStdString(), "Show the initial setup wizard");
    QStatusTipEvent none{QString()};
    QApplication::sendEvent(&Frame(), &none);
    EXPECT_EQ(Frame().MessageText().toStdString(), "For Help, press F1");
    ControlIds().ReleaseControlId(id);
    ControlIds().ReleaseControlId(bareId);
}

TEST_F(AppTest, TheDashboardCommandAndTheBarsCloseRules) {
    Start();
    Frame().show();
    QApplication::processEvents();
    int cleared = 0;
    int built = 0;
    Frame().clearDashboard = [&cleared] { ++cleared; };
    Frame().buildDashboard = [&built] { ++built; };

    ASSERT_TRUE(Frame().DashboardDock()->isVisible());
    Frame().UpdateCommandUI();
    EXPECT_TRUE(Frame().Action(kIdViewDashboard)->isChecked());
    ASSERT_TRUE(Frame().RunCommand(kIdViewDashboard));
    EXPECT_FALSE(Frame().DashboardDock()->isVisible());
    EXPECT_FALSE(Frame().Action(kIdViewDashboard)->isChecked());
    EXPECT_EQ(cleared, 1);
    EXPECT_EQ(built, 0);
    ASSERT_TRUE(Frame().RunCommand(kIdViewDashboard));
    EXPECT_TRUE(Frame().DashboardDock()->isVisible());
    EXPECT_EQ(cleared, 2);
    EXPECT_EQ(built, 1);

    // The floating dashboard closes and stops its live data; Graph Controls has no close box.
    Frame().DashboardDock()->setFloating(true);
    Frame().DashboardDock()->close();
    EXPECT_EQ(cleared, 3);
    EXPECT_FALSE(Frame().DashboardDock()->isVisible());
    EXPECT_FALSE(Frame().TuningDock()->features() & QDockWidget::DockWidgetClosable);
    EXPECT_EQ(Frame().TuningDock()->allowedAreas(),
              Qt::LeftDockWidgetArea | Qt::RightDockWidgetArea);
    EXPECT_EQ(Frame().dockWidgetArea(Frame().TuningDock()), Qt::RightDockWidgetArea);
}

TEST_F(AppTest, TheBarLayoutComesBackAtTheNextStart) {
    Start();
    Frame().show();
    QApplication::processEvents();
    Frame().DashboardDock()->hide();
    Frame().ToolBar()->hide();
    ASSERT_TRUE(Frame().close());
    app.reset();

    Start();
    Frame().show();
    QApplication::processEvents();
    EXPECT_FALSE(Frame().DashboardDock()->isVisible());
    EXPECT_FALSE(Frame().ToolBar()->isVisible());
    EXPECT_TRUE(Frame().TuningDock()->isVisible());
}

TEST_F(AppTest, AboutAndGettingStartedFromTheHelpMenuDoNotBlock) {
    Start();
    Frame().show();
    ASSERT_TRUE(Frame().RunCommand(kIdAppAbout));
    ASSERT_NE(Frame().AboutDialog(), nullptr);
    EXPECT_TRUE(Frame().AboutDialog()->isVisible());
    EXPECT_FALSE(Frame().AboutDialog()->isModal());
    ASSERT_TRUE(Frame().RunCommand(kIdGettingStarted));
    ASSERT_NE(Frame().StartDialog(), nullptr);
    EXPECT_TRUE(Frame().StartDialog()->isVisible());
    // The main window goes on taking commands meanwhile.
    EXPECT_TRUE(Frame().RunCommand(kIdTable2));
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    // One of each.
    QDialog* about = Frame().AboutDialog();
    ASSERT_TRUE(Frame().RunCommand(kIdAppAbout));
    EXPECT_EQ(Frame().AboutDialog(), about);
}

TEST_F(AppTest, AFileDroppedOnTheWindowIsOpened) {
    Start();
    Doc().Point(2, 2) = 44;
    ASSERT_TRUE(Doc().OnSaveDocument(dir.File("dropped.gvr")));
    Doc().Point(2, 2) = 0;
    Doc().SetModifiedFlag(false);
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString(dir.File("dropped.gvr")))});
    QDragEnterEvent enter(QPoint(100, 100), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&Frame(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(100, 100), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&Frame(), &drop);
    EXPECT_EQ(Doc().Point(2, 2), 44);
    EXPECT_EQ(Title(), "dropped.gvr - VEXA Transmission Control");
    ASSERT_FALSE(app->RecentFiles().empty());
    EXPECT_EQ(app->RecentFiles().front(), dir.File("dropped.gvr"));
}

class StartupDialogs : public ::testing::Test {
protected:
    TempDir dir;
    MemorySettings settings;
};

TEST_F(StartupDialogs, OkStoresOnlyAChangedBoxAndEscapeStoresNothing) {
    {
        CAboutDlg about(settings, dir.path());
        EXPECT_TRUE(about.CheckBox()->isChecked());
        about.accept(); // unchanged: nothing written
    }
    EXPECT_EQ(settings.GetString(kSectionAboutBox, kKeyShowAtStartup, "unset"), "unset");
    {
        CAboutDlg about(settings, dir.path());
        about.CheckBox()->setChecked(false);
        about.reject();
    }
    EXPECT_EQ(settings.GetString(kSectionAboutBox, kKeyShowAtStartup, "unset"), "unset");
    {
        CStartDlg start(settings);
        start.CheckBox()->setChecked(false);
        start.accept();
    }
    EXPECT_EQ(settings.GetInt(kSectionStartBox, kKeyShowAtStartup, 1), 0);
    EXPECT_EQ(settings.GetString(kSectionAboutBox, kKeyShowAtStartup, "unset"), "unset");
    // Shown again from the menu, the box is unchecked.
    CStartDlg again(settings);
    EXPECT_FALSE(again.CheckBox()->isChecked());
}

TEST_F(StartupDialogs, TextsAndTheVersionLetter) {
    CAboutDlg plain(settings, dir.path());
    EXPECT_EQ(plain.windowTitle().toStdString(), "About VEXA Transmission Control");
    EXPECT_EQ(plain.VersionLine().toStdString(), "VEXA Transmission Control, Version 3.30");
    EXPECT_TRUE(plain.WarrantyText().startsWith("Limited Warranty and Return Policy\n\n"));
    EXPECT_EQ(plain.CheckBox()->text().toStdString(), "Show this message at startup");
    dir.Write("Package.ver", "P\n");
    CAboutDlg lettered(settings, dir.path());
    EXPECT_EQ(lettered.VersionLine().toStdString(), "VEXA Transmission Control, Version 3.30P");

    CStartDlg start(settings);
    EXPECT_EQ(start.windowTitle().toStdString(), "Getting Started");
    EXPECT_EQ(start.FirstParagraph().toStdString(),
              "To begin setting up your system, you can choose to either open an existing "
              "calibration file to use as a starting point, or you can create a new calibration "
              "from scratch.  If possible, please connect the controller to your PC and power "
              "it up before proceeding.");
}

TEST(DesktopEntry, IsWrittenOnceAndValidates) {
    TempDir dir;
    const std::string target = "/opt/my tools/$vexa \"v3\"/vexa";
    const std::string path = CreateDesktopShortcutIn(dir.path(), target, kShortcutName,
                                                     "/opt/my tools", kShortcutDescription);
    ASSERT_EQ(path, dir.File("VEXA Transmission Controller.desktop"));
    EXPECT_EQ(CreateDesktopShortcutIn(dir.path(), target, kShortcutName, "/opt/my tools",
                                      kShortcutDescription),
              path);
    int entries = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.path()))
        ++entries;
    EXPECT_EQ(entries, 1);
    const std::string text = ReadFileBytes(path);
    EXPECT_NE(text.find("Exec=\"/opt/my tools/\\\\$vexa \\\\\"v3\\\\\"/vexa\" %f\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("Comment=The VEXA Transmission Controller application is used to tune "
                        "the VEXA Transmission Controller from Kestova.\n"),
              std::string::npos);
    EXPECT_NE(text.find("Path=/opt/my tools\n"), std::string::npos);
    // No folder: nothing is written, nothing reported.
    EXPECT_EQ(CreateDesktopShortcutIn("", target, kShortcutName, "/", kShortcutDescription), "");
    EXPECT_EQ(CreateDesktopShortcutIn(dir.File("missing"), target, kShortcutName, "/",
                                      kShortcutDescription),
              "");

    const QString validate =
        QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate"));
    if (validate.isEmpty())
        GTEST_SKIP() << "desktop-file-validate is not installed";
    QProcess process;
    process.start(validate, {QString::fromStdString(path)});
    ASSERT_TRUE(process.waitForFinished(10000));
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardOutput().toStdString();
    EXPECT_EQ(process.readAllStandardOutput().toStdString(), "");
}

// Real message boxes: the icon and buttons follow the flags, and the answer comes back.
TEST(MessageBoxes, IconsButtonsAndAnswersFollowTheFlags) {
    InstallUiScript(nullptr);
    struct Case {
        unsigned flags;
        QMessageBox::Icon icon;
        QMessageBox::StandardButtons buttons;
        QMessageBox::StandardButton press;
        int result;
    };
    const Case cases[] = {
        {kMbIconStop, QMessageBox::Critical, QMessageBox::Ok, QMessageBox::Ok, kIdOk},
        {kMbIconExclamation | kMbOkCancel, QMessageBox::Warning,
         QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Cancel, kIdCancel},
        {kMbIconInformation | kMbTaskModal, QMessageBox::Information, QMessageBox::Ok,
         QMessageBox::Ok, kIdOk},
        {kMbYesNoCancel | kMbIconExclamation, QMessageBox::Warning,
         QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::No, kIdNo},
        {kMbYesNo | kMbIconQuestion, QMessageBox::Question, QMessageBox::Yes | QMessageBox::No,
         QMessageBox::Yes, kIdYes},
    };
    for (const Case& c : cases) {
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QMessageBox::StandardButtons buttons;
        QString caption;
        QString text;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            icon = box->icon();
            buttons = box->standardButtons();
            caption = box->windowTitle();
            text = box->text();
            box->button(c.press)->click();
        });
        EXPECT_EQ(ShowMessageBox(nullptr, "Caf\xe9 \x80 5",
                                 c.flags == kMbIconStop ? "" : "Cap:", c.flags),
                  c.result)
            << c.flags;
        EXPECT_EQ(icon, c.icon) << c.flags;
        EXPECT_EQ(buttons, c.buttons) << c.flags;
        EXPECT_EQ(text, QString::fromUtf8("Caf\u00e9 \u20ac 5"));
        EXPECT_EQ(caption.toStdString(),
                  c.flags == kMbIconStop ? "VEXA Transmission Control" : "Cap:");
    }
}

TEST(TextCodec, Windows1252BothWays) {
    std::string all;
    for (int byte = 1; byte < 256; ++byte)
        all.push_back(static_cast<char>(byte));
    EXPECT_EQ(ToWindows1252(FromWindows1252(all)), all);
    EXPECT_EQ(FromWindows1252("\x80\x99\xa9"), QString::fromUtf8("\u20ac\u2122\u00a9"));
    EXPECT_EQ(ToWindows1252(QString::fromUtf8("a\u0100\u4e2d")), "a??");
}

TEST(CommandLine, OptionsAndTheFileToOpen) {
    struct Case {
        std::vector<std::string> args;
        bool ok;
        bool demo;
        std::string file;
        std::string programDir;
        std::string settings;
    };
    const Case cases[] = {
        {{}, true, false, "", "", ""},
        {{"--demo"}, true, true, "", "", ""},
        {{"cal.gvr"}, true, false, "cal.gvr", "", ""},
        {{"--program-dir", "/opt/v", "--settings=/tmp/s.INI", "--demo", "a.gvr"},
         true,
         true,
         "a.gvr",
         "/opt/v",
         "/tmp/s.INI"},
        {{"--", "--demo"}, true, false, "--demo", "", ""},
        {{"--bogus"}, false, false, "", "", ""},
        {{"a.gvr", "b.gvr"}, false, false, "", "", ""},
        {{"--settings"}, false, false, "", "", ""},
    };
    for (const Case& c : cases) {
        CommandLine line;
        std::string error;
        EXPECT_EQ(ParseCommandLine(c.args, line, error), c.ok) << c.args.size();
        if (!c.ok) {
            EXPECT_FALSE(error.empty());
            continue;
        }
        EXPECT_EQ(line.demo, c.demo);
        EXPECT_EQ(line.fileName, c.file);
        EXPECT_EQ(line.overrides.programDir, c.programDir);
        EXPECT_EQ(line.overrides.settingsFile, c.settings);
    }
}

TEST(CommandLine, PrintSwitchesHelpVersionAndToolkitOptions) {
    struct Case {
        std::vector<std::string> args;
        bool ok;
        std::string file;
        bool print;
        std::string printer;
    };
    const Case cases[] = {
        {{"/p", "a.gvr"}, true, "a.gvr", true, ""},
        {{"-p", "a.gvr"}, true, "a.gvr", true, ""},
        {{"/pt", "a.gvr", "Office Laser"}, true, "a.gvr", true, "Office Laser"},
        // The desktop's print-to command also passes the printer's driver and port.
        {{"/pt", "a.gvr", "Office Laser", "driver", "port"}, true, "a.gvr", true, "Office Laser"},
        {{"/pt", "a.gvr", "P", "driver", "port", "b.gvr"}, false, "", false, ""},
        {{"/p"}, false, "", false, ""},
        {{"/pt", "a.gvr"}, false, "", false, ""},
        {{"/p", "a.gvr", "b.gvr"}, false, "", false, ""},
        {{"b.gvr", "/p", "a.gvr"}, false, "", false, ""},
        {{"/data/p.gvr"}, true, "/data/p.gvr", false, ""},
    };
    for (const Case& c : cases) {
        CommandLine line;
        std::string error;
        ASSERT_EQ(ParseCommandLine(c.args, line, error), c.ok) << c.args.size() << error;
        if (!c.ok) {
            EXPECT_FALSE(error.empty());
            continue;
        }
        EXPECT_EQ(line.fileName, c.file);
        EXPECT_EQ(line.print, c.print);
        EXPECT_EQ(line.printerName, c.printer);
    }

    CommandLine line;
    std::string error;
    ASSERT_TRUE(ParseCommandLine({"--help", "--version"}, line, error));
    EXPECT_TRUE(line.help);
    EXPECT_TRUE(line.version);

    std::vector<std::string> args = {"-platform", "offscreen", "--style=fusion",
                                     "-reverse",  "--demo",    "a.gvr",
                                     "--",        "-platform"};
    RemoveToolkitOptions(args);
    EXPECT_EQ(args, (std::vector<std::string>{"--demo", "a.gvr", "--", "-platform"}));
}

} // namespace
} // namespace vexa::testing
