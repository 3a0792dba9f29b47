#pragma once
// CVLXApp: the windowed program's application object. It refuses a second running copy,
// opens the settings file, creates the one document with its controller link, the main
// window and its view, processes the command line (a calibration to open, else File>New),
// and handles the File commands (New with its guard, Open, Save, Save As, the recent
// files) and the controller commands of the File and View menus.
#include "app/overlaysettings.h"
#include "core/clock.h"
#include "core/inifile.h"
#include "core/instancelock.h"
#include "core/programpaths.h"
#include "core/vlxdoc.h"
#include "link/serialdevicefactory.h"
#include "link/supportpackage.h"
#include "sim/simoptions.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

class QWidget;

namespace vexa {

class CCompareSession;
class CDataLogControl;
class CHelpDialog;
class CHidDevice;
class CMainFrame;
class CVLXController;
class HidBackend;
class PortLister;
class QtProgramLauncher;
class SimTransport;
class TimerService;

inline constexpr const char* kCalibrationFilter = "VEXA Calibration Files (*.gvr)";
inline constexpr const char* kCalibrationExtension = ".gvr";
inline constexpr const char* kNewFileName = "VEXA-Cal";
inline constexpr const char* kUntitled = "Untitled";

struct AppOptions {
    ProgramPaths paths;
    bool demo = false;    // the virtual controller is the port for this run
    std::string fileName; // a calibration to open at start-up instead of File>New
    // The print switches (/p, /pt): fileName's graph goes to the printer (printerName,
    // empty for the default one) and the program quits without showing its window.
    bool print = false;
    std::string printerName;
    // Tests switch off what reaches outside the test: the lock of the running copy, the
    // desktop entry, the start-up dialogs, the USB link.
    bool singleInstance = true;
    std::string lockPath;        // empty: the lock of the user's running copy
    bool desktopShortcut = true; // written into the user's desktop directory ...
    std::string desktopDir;      // ... or into this one when set
    bool startupDialogs = true;
    bool usbLink = true;
    // The virtual controller behind the "Virtual controller (demo)" port. When its identity
    // and memory layout are those of a shipped controller, its memory starts with that
    // controller's calibration tables (sim/simpresets.h) unless simPresetMemory is off.
    SimOptions simOptions = DefaultDemoSimOptions();
    bool simPresetMemory = true;
    // Timers of the controller link; null: QTimer-backed timers.
    TimerService* timers = nullptr;
    // The ports the port dialog lists; null: the system's.
    PortLister* portLister = nullptr;
    // The mail program; null: xdg-email.
    std::unique_ptr<MailProgram> mail;
    // The time of the data logs' rows; null: the steady clock.
    Clock* dataLogClock = nullptr;

    static SimOptions DefaultDemoSimOptions();
};

// Parses the command line (without the program's name) into options; false with a reason
// in error for a bad command line.
bool OptionsFromCommandLine(const std::vector<std::string>& args, const char* argv0,
                            AppOptions& options, std::string& error);

class CVLXApp : public DocumentPlatform {
public:
    explicit CVLXApp(AppOptions options);
    ~CVLXApp() override;
    CVLXApp(const CVLXApp&) = delete;
    CVLXApp& operator=(const CVLXApp&) = delete;

    // Start-up. false: quit at once with ExitCode() (a second copy, the calibration named
    // on the command line could not be opened, or a print switch has done its work).
    bool InitInstance();
    int ExitCode() const { return exitCode_; }

    CMainFrame* Frame() const { return frame_.get(); }
    CVLXDoc* Doc() const { return doc_.get(); }
    CVLXController* Controller() const { return controller_; }
    CDataLogControl* DataLogs() const { return dataLogs_.get(); }
    SettingsStore& Settings() { return overlay_; }
    const AppOptions& Options() const { return options_; }
    SimTransport* VirtualController() const { return sim_.get(); }

    // ---- File commands --------------------------------------------------------------
    // File>New: refused while the System Settings window is open; after every New but the
    // first, the Initial Setup wizard runs.
    void OnFileNew();
    void OnFileOpen();
    bool OnFileSave();
    bool OnFileSaveAs();
    // Asks to save a modified document: true to go on (saved, or not wanted), false when
    // the user cancelled or the save failed.
    bool SaveModified();
    // Opens path as File>Open does after its dialog (asks to save first). On success the
    // path goes to the top of the recent-file list.
    bool OpenDocumentFile(const std::string& path);
    void OnOpenRecentFile(int index);
    int FirstNewDone() const { return firstNewDone_; }

    const std::string& PathName() const { return pathName_; }
    std::string Title() const;
    void SetPathName(const std::string& path, bool addToRecentFiles = true);
    const std::vector<std::string>& RecentFiles() const { return recentFiles_; }

    // The standard open and save dialogs; tests answer them. save: the save dialog with
    // suggested as the proposed name. An empty result means cancelled.
    std::function<std::string(QWidget* parent, bool save, const std::string& suggested)> fileDialog;
    // Asks the desktop to open a file (the state dump).
    std::function<void(const std::string& path)> openWithDesktop;

    // ---- Controller commands --------------------------------------------------------
    bool IsConnected() const;
    void OnWriteCalibration();
    void OnReadCalibration();
    void OnSelectTable(int table);
    int SelectedTable() const;
    void OnDumpControllerState();
    void OnSendMail();
    void OnCommSettings();

    // ---- Restore points and comparing -----------------------------------------------
    // File > Restore Points...: the list of restore points; the chosen one is opened as
    // File>Open opens a file, or compared with the open calibration.
    void OnRestorePoints();
    // File > Compare With...: a calibration file chosen in the open dialog.
    void OnCompareWith();
    CCompareSession* Compare() const { return compare_.get(); }

    // The help viewer ("Tuning Help Viewer"): one window, reused by every request.
    int ShowHelpFile(const std::string& path);
    CHelpDialog* HelpViewer() const { return help_; }

    // ---- DocumentPlatform -----------------------------------------------------------
    void WriteDesktopShortcut(const std::string& programDir) override;
    void ShowStartupDialogs(bool about, bool gettingStarted) override;

private:
    void CreateControllerLink();
    void WireCommands();
    void UpdateTitle();
    void LoadRecentFileList();
    void SaveRecentFileList();
    void AddToRecentFileList(const std::string& path);
    bool DoSave(const std::string& path);
    std::string AskFileName(bool save, const std::string& suggested);
    void RunTransfer(int direction);
    // Whether path is a file of the restore point folder.
    bool IsRestorePoint(const std::string& path) const;

    AppOptions options_;
    std::unique_ptr<InstanceLock> lock_;
    IniSettingsStore settings_;
    OverlaySettingsStore overlay_;
    std::unique_ptr<TimerService> ownTimers_;
    TimerService* timers_ = nullptr;
    SerialDeviceFactory factory_;
    std::unique_ptr<SimTransport> sim_;
    std::unique_ptr<HidBackend> hidBackend_;
    std::unique_ptr<CHidDevice> hid_;
    std::unique_ptr<PortLister> ownLister_;
    std::unique_ptr<MailProgram> mail_;
    std::unique_ptr<CVLXDoc> doc_;
    CVLXController* controller_ = nullptr; // owned by the document
    std::unique_ptr<QtProgramLauncher> launcher_;
    std::unique_ptr<CMainFrame> frame_;
    std::unique_ptr<CCompareSession> compare_;
    std::unique_ptr<CDataLogControl> dataLogs_; // data-log commands and log windows
    CHelpDialog* help_ = nullptr;               // a child of the frame
    std::string pathName_;
    std::vector<std::string> recentFiles_;
    int firstNewDone_ = 0;
    int exitCode_ = 1;
};

} // namespace vexa
