// The windowed program's menus and its File and controller commands, against the
// in-process virtual controller.
#include "core/settingskeys.h"
#include "core/transmissioncatalogue.h"
#include "frame/commandids.h"
#include "frame/dashboard.h"
#include "graph/dynamicdialogbar.h"
#include "graph/vlxview.h"
#include "sim/simtransport.h"
#include "sim/virtualcontroller.h"
#include "uifixture.h"

#include <QDialog>
#include <QPrinterInfo>
#include <QProgressBar>

#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <fstream>
#include <map>

namespace vexa::testing {
namespace {

std::vector<std::vector<std::string>> MenuTree(CMainFrame& frame) {
    std::vector<std::vector<std::string>> tree;
    for (QAction* top : frame.menuBar()->actions()) {
        std::vector<std::string> items = MenuItems(top->menu());
        items.insert(items.begin(), top->text().toStdString());
        tree.push_back(items);
    }
    return tree;
}

void LoadDemo(CVLXDoc& doc) {
    SelectionEntry demo;
    demo.fileName = "Demo.def";
    demo.logicalName = "Demo";
    demo.transmissionType = "4L60E";
    ApplyTransmissionType(doc, demo);
}

TEST_F(AppTest, MenusListTheCommandsInOrderWithTheirAccelerators) {
    Start();
    const std::vector<std::vector<std::string>> expected = {
        {"&File",
         "&New\tCtrl+N",
         "&Open...\tCtrl+O",
         "&Save\tCtrl+S",
         "Save &As...",
         "E-&mail Data to Tech Support for Assistance",
         "&Dump Controller System State",
         "-",
         "&Write Calibration to Controller",
         "R&ead Calibration from Controller",
         "-",
         "Start Data Log\tCtrl+L",
         "Open Data Lo&g...",
         "-",
         "Read/Write Table #&1",
         "Read/Write Table #&2",
         "-",
         "Restore Poin&ts...",
         "Compare Wit&h...",
         "C&lose Compare",
         "-",
         "&Print...\tCtrl+P",
         "Print Pre&view",
         "P&rint Setup...",
         "-",
         "Recent File",
         "-",
         "E&xit"},
        {"&Edit", "&Undo\tCtrl+Z", "&Redo\tCtrl+Y", "-", "Cu&t\tCtrl+X", "&Copy\tCtrl+C",
         "&Paste\tCtrl+V", "-", "&Set To...", "&Add...", "Sca&le...", "&Interpolate", "S&mooth"},
        {"&View", "&Toolbar", "&Status Bar", "&Dashboard", "Initial Setup &Wizard",
         "&Configure System Settings", "Co&mmunication Setup..."},
        {"&Help", "&Help Topics", "-", "&Getting Started...",
         "&About VEXA Transmission Control..."},
    };
    EXPECT_EQ(MenuTree(Frame()), expected);
    // Within a menu, each item's underlined letter picks one item only.
    for (const std::vector<std::string>& menu : MenuTree(Frame())) {
        std::map<char, std::string> letters;
        for (std::size_t i = 1; i < menu.size(); ++i) {
            const std::size_t amp = menu[i].find('&');
            if (amp == std::string::npos || amp + 1 >= menu[i].size())
                continue;
            const char letter = static_cast<char>(std::tolower(menu[i][amp + 1]));
            const auto [it, added] = letters.emplace(letter, menu[i]);
            EXPECT_TRUE(added) << menu[0] << ": " << it->second << " and " << menu[i];
        }
    }

    const auto keys = [this](int id) {
        QStringList list;
        for (const QKeySequence& key : Frame().Action(id)->shortcuts())
            list << key.toString();
        return list.join(QStringLiteral(", ")).toStdString();
    };
    EXPECT_EQ(keys(kIdEditUndo), "Ctrl+Z, Alt+Backspace");
    EXPECT_EQ(keys(kIdEditRedo), "Ctrl+Y, Ctrl+Shift+Z");
    EXPECT_EQ(keys(kIdEditCut), "Ctrl+X, Shift+Del");
    EXPECT_EQ(keys(kIdEditCopy), "Ctrl+C, Ctrl+Ins");
    EXPECT_EQ(keys(kIdEditPaste), "Ctrl+V, Shift+Ins");
    EXPECT_EQ(keys(kIdHelp), "F1");
    EXPECT_EQ(keys(kIdContextHelp), "Shift+F1");
    EXPECT_EQ(keys(kIdNextPane), "F6");
    EXPECT_EQ(keys(kIdPrevPane), "Shift+F6");

    // Prompts: the status text and the tool tip.
    EXPECT_EQ(Frame().Action(kIdViewDashboard)->statusTip().toStdString(),
              "Show or hide the dashboard to monitor live data");
    EXPECT_EQ(Frame().Action(kIdViewDashboard)->toolTip().toStdString(), "Toggle Dashboard");
    EXPECT_EQ(Frame().Action(kIdCommSettings)->toolTip().toStdString(),
              "Show  Communication Setup");
    EXPECT_EQ(Frame().MessageText().toStdString(), "For Help, press F1");
}

TEST_F(AppTest, WithoutAMailProgramTheMailCommandIsNotOffered) {
    Start(Options(true, false));
    const std::vector<std::string> file = MenuItems(Frame().menuBar()->actions()[0]->menu());
    EXPECT_EQ(std::vector<std::string>(file.begin() + 3, file.begin() + 6),
              (std::vector<std::string>{"Save &As...", "&Dump Controller System State", "-"}));
}

TEST_F(AppTest, ControllerCommandsAreEnabledExactlyWhileConnected) {
    Start();
    const std::vector<int> controller = {kIdWriteCalibration, kIdReadCalibration, kIdDumpState};
    const std::vector<int> always = {
        kIdFileNew,       kIdFileOpen,     kIdFileSave,    kIdFileSaveAs, kIdTable1,
        kIdTable2,        kIdFilePrint,    kIdAppExit,     kIdAppAbout,   kIdGettingStarted,
        kIdViewDashboard, kIdCommSettings, kIdFileSendMail};
    const std::vector<int> never = {kIdEditUndo, kIdEditCut, kIdEditCopy, kIdEditPaste};
    for (int id : controller)
        EXPECT_FALSE(Enabled(id)) << id;
    for (int id : always)
        EXPECT_TRUE(Enabled(id)) << id;
    for (int id : never)
        EXPECT_FALSE(Enabled(id)) << id;
    EXPECT_FALSE(Frame().RunCommand(kIdWriteCalibration));

    Connect();
    for (int id : controller)
        EXPECT_TRUE(Enabled(id)) << id;
    for (int id : never)
        EXPECT_FALSE(Enabled(id)) << id;

    app->Controller()->Monitor().set_connected(0);
    for (int id : controller)
        EXPECT_FALSE(Enabled(id)) << id;
}

TEST_F(AppTest, TableItemsCarryTheRadioMarkOfTheSelectedTable) {
    Start();
    Frame().UpdateCommandUI();
    EXPECT_TRUE(Frame().Action(kIdTable1)->isChecked());
    EXPECT_FALSE(Frame().Action(kIdTable2)->isChecked());
    EXPECT_FALSE(Doc().IsModified());
    ASSERT_TRUE(Frame().RunCommand(kIdTable2));
    EXPECT_EQ(app->SelectedTable(), 1);
    EXPECT_TRUE(Doc().IsModified());
    EXPECT_FALSE(Frame().Action(kIdTable1)->isChecked());
    EXPECT_TRUE(Frame().Action(kIdTable2)->isChecked());
}

TEST_F(AppTest, NewAsksToSaveAModifiedCalibrationAndRunsTheWizardAfterTheFirst) {
    Start();
    EXPECT_EQ(Title(), "Untitled - VEXA Transmission Control");
    EXPECT_EQ(app->FirstNewDone(), 1);
    int wizards = 0;
    Frame().setupWizardFactory = [&wizards](CMainFrame&) {
        ++wizards;
        return std::make_unique<QDialog>();
    };

    Doc().Point(0, 3) = 123;
    Doc().SetModifiedFlag();
    script.answers = {kIdCancel};
    ASSERT_TRUE(Frame().RunCommand(kIdFileNew));
    ASSERT_EQ(script.shown.size(), 1u);
    EXPECT_EQ(script.shown[0].text, "Save changes to Untitled?");
    EXPECT_EQ(script.shown[0].flags, unsigned{kMbYesNoCancel | kMbIconExclamation});
    EXPECT_EQ(Doc().Point(0, 3), 123); // cancelled: nothing happened
    EXPECT_TRUE(Doc().IsModified());
    EXPECT_EQ(wizards, 0);

    script.answers = {kIdNo};
    ASSERT_TRUE(Frame().RunCommand(kIdFileNew));
    EXPECT_NE(Doc().Point(0, 3), 123);
    EXPECT_FALSE(Doc().IsModified());
    EXPECT_EQ(wizards, 1);
    EXPECT_TRUE(dialogRequests.empty());
}

TEST_F(AppTest, NewIsRefusedWhileSystemSettingsIsOpen) {
    Start();
    Doc().Point(0, 3) = 123;
    auto* sheet = new QWidget;
    Frame().SetSystemSettingsWindow(sheet);
    ASSERT_TRUE(Frame().RunCommand(kIdFileNew));
    ASSERT_EQ(script.shown.size(), 1u);
    EXPECT_EQ(script.shown[0].caption, "Error");
    EXPECT_EQ(script.shown[0].text, "Please close the \"System Settings\" window before "
                                    "selecting the \"New File\" option.");
    EXPECT_EQ(script.shown[0].flags, unsigned{kMbIconStop});
    EXPECT_EQ(Doc().Point(0, 3), 123);
    // With it open, the wizard does not open either; closed, New works again.
    int wizards = 0;
    Frame().setupWizardFactory = [&wizards](CMainFrame&) {
        ++wizards;
        return std::unique_ptr<QDialog>();
    };
    Frame().OnSetupWizard();
    EXPECT_EQ(wizards, 0);
    delete sheet;
    EXPECT_FALSE(Frame().IsSystemSettingsOpen());
    ASSERT_TRUE(Frame().RunCommand(kIdFileNew));
    EXPECT_NE(Doc().Point(0, 3), 123);
}

TEST_F(AppTest, SaveAsOpenAndTheRecentFileList) {
    Start();
    LoadDemo(Doc());
    Doc().Point(0, 4) = 61;
    dialogAnswers = {dir.File("mine")};
    ASSERT_TRUE(Frame().RunCommand(kIdFileSaveAs));
    ASSERT_EQ(dialogRequests.size(), 1u);
    EXPECT_TRUE(dialogRequests[0].save);
    EXPECT_EQ(dialogRequests[0].suggested, "VEXA-Cal.gvr");
    const std::string saved = dir.File("mine.gvr"); // the extension is added
    EXPECT_TRUE(std::filesystem::exists(saved));
    EXPECT_EQ(Title(), "mine.gvr - VEXA Transmission Control");
    EXPECT_FALSE(Doc().IsModified());
    EXPECT_EQ(app->RecentFiles(), std::vector<std::string>{saved});
    EXPECT_EQ(app->Settings().GetString(kSectionRecentFileList, "File1", ""), saved);

    // Save with a name writes without asking.
    Doc().Point(0, 4) = 62;
    Doc().SetModifiedFlag();
    ASSERT_TRUE(Frame().RunCommand(kIdFileSave));
    EXPECT_EQ(dialogRequests.size(), 1u);

    script.answers = {kIdNo};
    ASSERT_TRUE(Frame().RunCommand(kIdFileNew));
    EXPECT_EQ(Title(), "Untitled - VEXA Transmission Control");
    dialogAnswers = {saved};
    ASSERT_TRUE(Frame().RunCommand(kIdFileOpen));
    EXPECT_FALSE(dialogRequests.back().save);
    EXPECT_EQ(Doc().Point(0, 4), 62);
    EXPECT_EQ(Title(), "mine.gvr - VEXA Transmission Control");
    EXPECT_TRUE(StopBoxes().empty());

    // A file that cannot be opened changes nothing, and leaves the recent list.
    std::ofstream(dir.File("broken.gvr")) << "not a calibration";
    EXPECT_FALSE(app->OpenDocumentFile(dir.File("broken.gvr")));
    EXPECT_EQ(Doc().Point(0, 4), 62);
    EXPECT_EQ(Title(), "mine.gvr - VEXA Transmission Control");
    ASSERT_FALSE(script.shown.empty());
    EXPECT_EQ(script.shown.back().caption, "Invalid Calibration File Format:");

    // The list keeps five, newest first, each once.
    for (int i = 0; i < 6; ++i) {
        dialogAnswers = {dir.File("copy" + std::to_string(i) + ".gvr")};
        ASSERT_TRUE(app->OnFileSaveAs());
    }
    ASSERT_EQ(app->RecentFiles().size(), 5u);
    EXPECT_EQ(app->RecentFiles()[0], dir.File("copy5.gvr"));
    EXPECT_EQ(app->RecentFiles()[4], dir.File("copy1.gvr"));
    std::filesystem::remove(dir.File("copy4.gvr"));
    app->OnOpenRecentFile(1);
    EXPECT_EQ(app->RecentFiles().size(), 4u);
    EXPECT_EQ(app->Settings().GetString(kSectionRecentFileList, "File5", "none"), "");
}

TEST_F(AppTest, ExitAsksToSaveAndCancelKeepsTheWindow) {
    Start();
    Frame().show();
    Doc().SetModifiedFlag();
    script.answers = {kIdCancel};
    EXPECT_FALSE(Frame().close());
    EXPECT_TRUE(Frame().isVisible());
    // Yes saves first; a cancelled save dialog keeps the window too.
    script.answers = {kIdYes};
    EXPECT_FALSE(Frame().close());
    EXPECT_EQ(dialogRequests.size(), 1u);
    script.answers = {kIdNo};
    EXPECT_TRUE(Frame().close());
}

TEST_F(AppTest, WriteThenReadThroughTheVirtualController) {
    Start();
    Connect();
    LoadDemo(Doc());
    ASSERT_TRUE(Doc().SetIntVariable("WOTTPS", 77));
    Doc().Point(0, 2) = 40;
    std::string status;

    // The progress bar shows while the transfer runs and the status bar keeps painting.
    int progressShown = 0;
    int paints = 0;
    struct Counter : QObject {
        int* shown;
        int* paints;
        bool eventFilter(QObject*, QEvent* event) override {
            if (event->type() == QEvent::Show)
                ++*shown;
            if (event->type() == QEvent::Paint)
                ++*paints;
            return false;
        }
    } counter;
    counter.shown = &progressShown;
    counter.paints = &paints;
    Frame().Progress()->installEventFilter(&counter);
    Frame().show();
    QApplication::processEvents();
    paints = 0;

    ASSERT_TRUE(Frame().RunCommand(kIdWriteCalibration));
    EXPECT_TRUE(StopBoxes().empty()) << StopBoxes().front();
    EXPECT_EQ(Frame().MessageText().toStdString(), "Write to controller NVM table 1 complete.");
    EXPECT_EQ(progressShown, 1);
    EXPECT_GT(paints, 0);
    EXPECT_FALSE(Frame().Progress()->isVisible());
    EXPECT_EQ(app->VirtualController()->Controller().Eeprom(0)[0x04], 40); // Shift12 point 2

    ASSERT_TRUE(Doc().SetIntVariable("WOTTPS", 5));
    Doc().Point(0, 2) = 90;
    Doc().SetModifiedFlag();
    script.answers = {kIdNo};
    ASSERT_TRUE(Frame().RunCommand(kIdReadCalibration));
    EXPECT_EQ(script.shown.front().text, "Save changes to Untitled?");
    EXPECT_TRUE(StopBoxes().empty()) << StopBoxes().front();
    EXPECT_EQ(Doc().FindIntVariable("WOTTPS").Get(), 77);
    EXPECT_EQ(Doc().Point(0, 2), 40);
    EXPECT_EQ(Frame().MessageText().toStdString(), "Read of controller NVM table 1 complete.");
    EXPECT_EQ(Title(), "ControllerReadback_Table#1 - VEXA Transmission Control");
    EXPECT_TRUE(app->RecentFiles().empty());
    // What the graph shows is the value read.
    EXPECT_FLOAT_EQ(Frame().View()->Engine().GetValue(0, 2), 40.0f);

    // Table 2 is read into a name of its own.
    ASSERT_TRUE(Frame().RunCommand(kIdTable2));
    script.answers = {kIdNo};
    ASSERT_TRUE(Frame().RunCommand(kIdReadCalibration));
    EXPECT_EQ(Title(), "ControllerReadback_Table#2 - VEXA Transmission Control");
}

TEST_F(AppTest, TheStateDumpIsWrittenAndOpened) {
    Start();
    Connect();
    ASSERT_TRUE(Frame().RunCommand(kIdDumpState));
    EXPECT_EQ(opened, std::vector<std::string>{dir.File("RAMDump.txt")});
    std::ifstream dump(dir.File("RAMDump.txt"));
    int lines = 0;
    for (std::string line; std::getline(dump, line);)
        ++lines;
    EXPECT_EQ(lines, 18);
}

TEST_F(AppTest, TheSupportMailCarriesTheCalibrationAndTheDump) {
    Start();
    Connect();
    ASSERT_TRUE(Frame().RunCommand(kIdFileSendMail));
    ASSERT_EQ(mail->sent.size(), 1u);
    const SupportMail& sent = mail->sent[0];
    EXPECT_EQ(sent.subject, "VEXA data for troubleshooting");
    ASSERT_EQ(sent.attachments.size(), 2u);
    EXPECT_EQ(sent.attachments[0].shownName, "Untitled.gvr");
    EXPECT_EQ(sent.attachments[1].shownName, "RAMDump.txt");
    EXPECT_TRUE(Frame().isEnabled());
}

TEST_F(AppTest, ASecondCopyIsRefusedWhileTheFirstRuns) {
    const std::string lock = dir.File("copy.lock");
    int ready[2];
    int release[2];
    ASSERT_EQ(pipe(ready), 0);
    ASSERT_EQ(pipe(release), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // The first copy: holds the lock until the test lets it go.
        InstanceLock first(lock);
        const char state = first.Acquire() == InstanceLock::Status::Acquired ? '1' : '0';
        (void)!write(ready[1], &state, 1);
        char done;
        (void)!read(release[0], &done, 1);
        _exit(0);
    }
    char state = 0;
    ASSERT_EQ(read(ready[0], &state, 1), 1);
    ASSERT_EQ(state, '1');

    AppOptions options = Options();
    options.singleInstance = true;
    options.lockPath = lock;
    app = std::make_unique<CVLXApp>(std::move(options));
    EXPECT_FALSE(app->InitInstance());
    ASSERT_EQ(script.shown.size(), 1u);
    EXPECT_EQ(script.shown[0].caption, "Application Already Running!");
    EXPECT_EQ(script.shown[0].text,
              "This application is already running, and you cannot start a second session.  "
              "Try holding down the \"ALT\" key and pressing the \"Tab\" key to switch to the "
              "original instance.  If this does not work, try restarting Windows.");
    EXPECT_EQ(script.shown[0].flags, unsigned{kMbIconStop});
    EXPECT_EQ(app->Frame(), nullptr);

    (void)!write(release[1], "x", 1);
    int status = 0;
    waitpid(child, &status, 0);
    // Once the first copy is gone the program starts.
    options = Options();
    options.singleInstance = true;
    options.lockPath = lock;
    app = std::make_unique<CVLXApp>(std::move(options));
    EXPECT_TRUE(app->InitInstance());
    for (int fd : {ready[0], ready[1], release[0], release[1]})
        close(fd);
}

TEST_F(AppTest, ALockThatCannotBeTakenIsReportedAndTheProgramStarts) {
    AppOptions options = Options();
    options.singleInstance = true;
    options.lockPath = dir.File("no-such-folder/copy.lock");
    app = std::make_unique<CVLXApp>(std::move(options));
    EXPECT_TRUE(app->InitInstance());
    ASSERT_EQ(script.shown.size(), 1u);
    EXPECT_EQ(script.shown[0].caption, "Running Copy Check Error:");
    EXPECT_EQ(script.shown[0].flags, unsigned{kMbIconExclamation});
    EXPECT_NE(script.shown[0].text.find("could not check whether another copy"), std::string::npos);
    // Names the file and why it failed.
    EXPECT_NE(script.shown[0].text.find(dir.File("no-such-folder/copy.lock")), std::string::npos)
        << script.shown[0].text;
    ASSERT_NE(app->Frame(), nullptr);
    EXPECT_TRUE(Frame().isVisible());
}

TEST_F(AppTest, ACalibrationNamedOnTheCommandLineIsOpened) {
    Start();
    LoadDemo(Doc());
    Doc().Point(1, 1) = 51;
    ASSERT_TRUE(Doc().OnSaveDocument(dir.File("start.gvr")));
    app.reset();

    AppOptions options = Options();
    options.fileName = dir.File("start.gvr");
    Start(std::move(options));
    EXPECT_EQ(Doc().Point(1, 1), 51);
    EXPECT_EQ(Title(), "start.gvr - VEXA Transmission Control");
    app.reset();

    // A file that cannot be opened ends the start.
    options = Options();
    options.fileName = dir.File("missing.gvr");
    app = std::make_unique<CVLXApp>(std::move(options));
    EXPECT_FALSE(app->InitInstance());
}

// /p and /pt: the graph goes to the printer, no window or start-up dialog is shown, and
// the run ends with success only when something was printed.
TEST_F(AppTest, PrintSwitchesPrintWithoutAWindowAndReportFailures) {
    Start();
    LoadDemo(Doc());
    ASSERT_TRUE(Doc().OnSaveDocument(dir.File("print.gvr")));
    app.reset();
    int dialogsRun = 0;
    script.runDialog = [&](QDialog&) {
        ++dialogsRun;
        return 0;
    };
    const auto printRun = [&](const std::string& file, const std::string& printer) {
        script.shown.clear();
        AppOptions options = Options();
        options.startupDialogs = true; // the settings ask for About and Getting Started
        options.print = true;
        options.fileName = file;
        options.printerName = printer;
        app = std::make_unique<CVLXApp>(std::move(options));
        EXPECT_FALSE(app->InitInstance());
        if (app->Frame()) {
            EXPECT_FALSE(app->Frame()->isVisible());
        }
        return app->ExitCode();
    };

    const std::string pdf = dir.File("out.pdf");
    EXPECT_EQ(printRun(dir.File("print.gvr"), pdf), 0);
    EXPECT_EQ(ReadFileBytes(pdf).rfind("%PDF-", 0), 0u);
    EXPECT_EQ(script.shown.size(), 0u);
    EXPECT_EQ(dialogsRun, 0);

    EXPECT_EQ(printRun(dir.File("print.gvr"), "No Such Printer"), 1);
    EXPECT_EQ(StopBoxes(),
              (std::vector<std::string>{
                  "Print Error: The printer \"No Such Printer\" could not be found."}));

    if (QPrinterInfo::defaultPrinter().isNull()) {
        EXPECT_EQ(printRun(dir.File("print.gvr"), ""), 1);
        EXPECT_EQ(StopBoxes(), (std::vector<std::string>{
                                   "Print Error: No default printer is set up. Set one up, or "
                                   "name a printer with /pt."}));
    }

    EXPECT_EQ(printRun(dir.File("missing.gvr"), dir.File("never.pdf")), 1);
    EXPECT_FALSE(std::filesystem::exists(dir.File("never.pdf")));
}

TEST_F(AppTest, TheBarsFollowTheCalibrationAndTheirPromptsReachTheStatusBar) {
    Start();
    Frame().show();
    ASSERT_NE(Frame().TuningBar(), nullptr);
    EXPECT_TRUE(Frame().TuningBar()->Buttons().empty()); // no type yet
    const int builds = Frame().TuningBar()->BuildCount();
    LoadDemo(Doc()); // RefreshViews(1): the bars are rebuilt
    EXPECT_GT(Frame().TuningBar()->BuildCount(), builds);
    const std::vector<CLegendButton*> buttons = Frame().TuningBar()->Buttons();
    ASSERT_FALSE(buttons.empty());
    QEvent enter(QEvent::Enter);
    QApplication::sendEvent(buttons.front(), &enter);
    EXPECT_EQ(Frame().MessageText().toStdString(), "Upshift from first to second gear");
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(buttons.front(), &leave);
    EXPECT_EQ(Frame().MessageText().toStdString(), "For Help, press F1");
}

TEST_F(AppTest, SystemSettingsAndTheWizardAreTheSettingsWindows) {
    Start();
    EXPECT_TRUE(Enabled(kIdSystemSettings));
    EXPECT_TRUE(Enabled(kIdSetupWizard));
    std::vector<std::string> dialogs;
    script.runDialog = [&dialogs](QDialog& dialog) {
        dialogs.push_back(dialog.windowTitle().toStdString());
        return int{QDialog::Rejected};
    };
    ASSERT_TRUE(Frame().RunCommand(kIdFileNew)); // not the first New: the wizard runs
    ASSERT_TRUE(Frame().RunCommand(kIdSetupWizard));
    EXPECT_EQ(dialogs, (std::vector<std::string>{"Initial Setup", "Initial Setup"}));

    ASSERT_TRUE(Frame().RunCommand(kIdSystemSettings));
    ASSERT_TRUE(Frame().IsSystemSettingsOpen());
    QWidget* sheet = Frame().SystemSettingsWindow();
    EXPECT_EQ(sheet->windowTitle().toStdString(), "System Settings");
    EXPECT_TRUE(sheet->isVisible());
    ASSERT_TRUE(Frame().RunCommand(kIdSystemSettings)); // one window at a time
    EXPECT_EQ(Frame().SystemSettingsWindow(), sheet);
    ASSERT_TRUE(Frame().RunCommand(kIdSetupWizard)); // does nothing while it is open
    EXPECT_EQ(dialogs.size(), 2u);
    sheet->close();
    QApplication::processEvents();
    EXPECT_FALSE(Frame().IsSystemSettingsOpen());
}

TEST_F(AppTest, TheDemoIsTheShippedEepromControllerWithItsCalibration) {
    // The settings remember another controller; the demo starts with its own identity.
    std::ofstream(dir.File("vexa.INI"))
        << "[HardwareProfile]\nDeviceType=3\nFirmwareVersion=1\nFirmwareVersionMinor=2\n"
           "HardwareVersion=1\n";
    AppOptions options = Options();
    options.simOptions = AppOptions::DefaultDemoSimOptions();
    ASSERT_EQ(options.simOptions.baud, 9600); // the real line speed ...
    options.simOptions.baud = 0;              // ... which the test need not wait for
    Start(std::move(options));
    EXPECT_EQ(Doc().Identity.U16(IdentityBlock::kDeviceType), 2);
    EXPECT_EQ(Doc().Identity.U16(IdentityBlock::kFirmwareVersion), 3);
    EXPECT_EQ(Doc().Identity.U16(IdentityBlock::kFirmwareVersionMinor), 4);
    EXPECT_EQ(Doc().Identity.U16(IdentityBlock::kHardwareVersion), 1);
    Connect();
    EXPECT_EQ(Frame().Dashboard()->Model().Connected(), 1);
    // Table 1 holds a 4L60E calibration (its transmission code at byte 152).
    EXPECT_EQ(app->VirtualController()->Controller().Eeprom(0).at(152), 0x01);

    // Left out, the controller starts blank.
    app.reset();
    options = Options();
    options.simPresetMemory = false;
    Start(std::move(options));
    Connect();
    EXPECT_NE(app->VirtualController()->Controller().Eeprom(0).at(152), 0x01);
}

} // namespace
} // namespace vexa::testing
