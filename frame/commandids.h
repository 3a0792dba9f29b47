#pragma once
// The main window's command numbers (the controller program's own, so help contexts and
// stored layouts keep their meaning) and their prompts: the status-bar text, a line feed,
// then the tool tip.
#include <string>

namespace vexa {

enum CommandId : int {
    kIdSetupWizard = 32771,
    kIdSystemSettings = 32772,
    kIdWriteCalibration = 32776,
    kIdCommSettings = 32777,
    kIdViewDashboard = 32778,
    kIdReadCalibration = 32779,
    kIdTable1 = 32791,
    kIdTable2 = 32792,
    kIdGettingStarted = 32794,
    kIdDumpState = 32797,
    // Restore points and comparing calibrations.
    kIdRestorePoints = 32870,
    kIdCompareWith = 32871,
    kIdCloseCompare = 32872,
    kIdFileNew = 57600,
    kIdFileOpen = 57601,
    kIdFileSave = 57603,
    kIdFileSaveAs = 57604,
    kIdFilePrintSetup = 57606,
    kIdFilePrint = 57607,
    kIdFilePrintDirect = 57608,
    kIdFilePrintPreview = 57609,
    kIdFileSendMail = 57612,
    kIdFileMruFirst = 57616, // the recent files take 57616..57620
    kIdEditCopy = 57634,
    kIdEditCut = 57635,
    kIdEditPaste = 57637,
    kIdEditUndo = 57643,
    kIdAppAbout = 57664,
    kIdAppExit = 57665,
    kIdHelpFinder = 57667,
    kIdContextHelp = 57669,
    kIdHelp = 57670,
    kIdDefaultHelp = 57671,
    kIdNextPane = 57680,
    kIdPrevPane = 57681,
    kIdViewToolbar = 59392,
    kIdViewStatusBar = 59393,

    // Undo history and the operations on selected curve points.
    kIdEditRedo = 57644,
    kIdEditSetTo = 32830,
    kIdEditAdd = 32831,
    kIdEditScale = 32832,
    kIdEditInterpolate = 32833,
    kIdEditSmooth = 32834,

    // Data logs: recording from the controller and the log window.
    kIdDataLogStartStop = 32850, // the File menu's item: Start Data Log or Stop Data Log
    kIdDataLogToggle = 32851,    // the toolbar's button, pressed while recording
    kIdDataLogOpen = 32852,
};

// Help contexts: the main window itself, and command help for a control id (0x10000 + id).
inline constexpr int kHelpContextMainWindow = 0x20080;
inline constexpr int kHelpContextCommandBase = 0x10000;

// "status text\ntool tip" of a command; empty for commands without a prompt.
std::string CommandPrompt(int id);
// The two halves of a prompt.
std::string PromptStatusText(const std::string& prompt);
std::string PromptToolTip(const std::string& prompt);

// The text the status bar shows while nothing else is shown.
inline constexpr const char* kIdlePrompt = "For Help, press F1";

} // namespace vexa
