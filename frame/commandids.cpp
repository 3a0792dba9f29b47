#include "frame/commandids.h"

namespace vexa {

std::string CommandPrompt(int id) {
    switch (id) {
    case kIdDataLogStartStop:
        return "Start or stop recording the controller's live data into a data log\nStart or "
               "Stop Data Log";
    case kIdDataLogToggle:
        return "Start or stop recording the controller's live data\nToggle Data Log";
    case kIdDataLogOpen:
        return "Open a data log and replay it over the shift curves\nOpen Data Log";
    case kIdSetupWizard:
        return "Show the initial setup wizard\nShow Setup Wizard";
    case kIdSystemSettings:
        return "Show the system configuration settings\nShow System Settings";
    case kIdCommSettings:
        return "Configure communication port parameters\nShow  Communication Setup";
    case kIdViewDashboard:
        return "Show or hide the dashboard to monitor live data\nToggle Dashboard";
    case kIdGettingStarted:
        return "Displays the \"Getting Started\" information box\nGetting Started";
    case kIdHelpFinder:
        return "List Help topics\nHelp Topics";
    case kIdContextHelp:
        return "Display help for clicked on buttons, menus and windows\nHelp";
    case kIdHelp:
        return "Display help for current task or command\nHelp";
    case kIdViewToolbar:
        return "Show or hide the toolbar\nToggle ToolBar";
    case kIdViewStatusBar:
        return "Show or hide the status bar\nToggle StatusBar";
    case kIdFileSendMail:
        return "Send this file as an email attachment to Technical Support for "
               "assistance\nEmail file to Tech Support";
    case kIdWriteCalibration:
        return "Write the calibration into the controller\nWrite Calibration to Controller";
    case kIdReadCalibration:
        return "Read the calibration from the controller\nRead Calibration from Controller";
    case kIdTable1:
        return "Use calibration table #1 of the controller for reading and writing\nTable #1";
    case kIdTable2:
        return "Use calibration table #2 of the controller for reading and writing\nTable #2";
    case kIdDumpState:
        return "Save the controller's operating state to a file for technical "
               "support\nDump Controller System State";
    case kIdRestorePoints:
        return "Open or compare what a controller table held before a write replaced "
               "it\nRestore Points";
    case kIdCompareWith:
        return "Show another calibration beside this one and list what differs\nCompare With";
    case kIdCloseCompare:
        return "Stop comparing with the other calibration\nClose Compare";
    // The framework's own prompts.
    case kIdFileNew:
        return "Create a new document\nNew";
    case kIdFileOpen:
        return "Open an existing document\nOpen";
    case kIdFileSave:
        return "Save the active document\nSave";
    case kIdFileSaveAs:
        return "Save the active document with a new name\nSave As";
    case kIdFilePrint:
        return "Print the active document\nPrint";
    case kIdFilePrintPreview:
        return "Display full pages\nPrint Preview";
    case kIdFilePrintSetup:
        return "Change the printer and printing options\nPrint Setup";
    case kIdAppExit:
        return "Quit the application; prompts to save documents\nExit";
    case kIdEditUndo:
        return "Undo the last action\nUndo";
    case kIdEditRedo:
        return "Redo the previously undone action\nRedo";
    case kIdEditSetTo:
        return "Set the selected curve points to one value\nSet To";
    case kIdEditAdd:
        return "Add a value to each selected curve point\nAdd";
    case kIdEditScale:
        return "Scale the selected curve points by a percentage\nScale";
    case kIdEditInterpolate:
        return "Put the selected points between the first and the last selected point of each "
               "curve on a straight line\nInterpolate";
    case kIdEditSmooth:
        return "Smooth the selected points between the first and the last selected point of "
               "each curve with their neighbours\nSmooth";
    case kIdEditCut:
        return "Cut the selection and put it on the Clipboard\nCut";
    case kIdEditCopy:
        return "Copy the selection and put it on the Clipboard\nCopy";
    case kIdEditPaste:
        return "Insert Clipboard contents\nPaste";
    case kIdAppAbout:
        return "Display program information, version number and copyright\nAbout";
    default:
        if (id >= kIdFileMruFirst && id < kIdFileMruFirst + 5)
            return "Open this document";
        return {};
    }
}

std::string PromptStatusText(const std::string& prompt) {
    return prompt.substr(0, prompt.find('\n'));
}

std::string PromptToolTip(const std::string& prompt) {
    const auto lf = prompt.find('\n');
    return lf == std::string::npos ? std::string() : prompt.substr(lf + 1);
}

} // namespace vexa
