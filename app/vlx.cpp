#include "app/vlx.h"

#include "link/tracingtransport.h"

#include "app/commandline.h"
#include "app/comparesession.h"
#include "app/comselectdlg.h"
#include "app/printswitch.h"
#include "app/qttimerservice.h"
#include "app/restorepointsdlg.h"
#include "app/transtypedlg.h"
#include "core/restorepoints.h"
#include "core/settingskeys.h"
#include "datalog/datalogcontrol.h"
#include "frame/commandids.h"
#include "frame/dashboard.h"
#include "frame/mainfrm.h"
#include "graph/vlxview.h"
#include "link/portdiscovery.h"
#include "link/qtportlister.h"
#include "link/qtserial_transport.h"
#include "link/serialport.h"
#include "link/supportpackage.h"
#include "link/tracingtransport.h"
#include "link/vlxcontroller.h"
#include "settings_ui/aboutdlg.h"
#include "settings_ui/dynamicbutton.h"
#include "settings_ui/helpdialog.h"
#include "settings_ui/shellutils.h"
#include "settings_ui/startdlg.h"
#include "sim/simpresets.h"
#include "sim/simtransport.h"
#include "uicommon/messagebox.h"
#ifdef VEXA_HAVE_HIDAPI
#include "link/hidapi_backend.h"
#include "link/hiddevice.h"
#endif

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QUrl>

#include <algorithm>

namespace vexa {
namespace {

constexpr const char* kAlreadyRunningText =
    "This application is already running, and you cannot start a second session.  Try holding "
    "down the \"ALT\" key and pressing the \"Tab\" key to switch to the original instance.  If "
    "this does not work, try restarting Windows.";
constexpr const char* kAlreadyRunningCaption = "Application Already Running!";
constexpr const char* kLockFailedCaption = "Running Copy Check Error:";
constexpr const char* kCloseSettingsFirst =
    "Please close the \"System Settings\" window before selecting the \"New File\" option.";

// The virtual controller outlives every open of its port, so what was written into it is
// still there after the link was reopened.
class SharedSimPort : public ByteTransport {
public:
    explicit SharedSimPort(SimTransport& sim) : sim_(sim) {}
    int Open(std::string& error) override { return sim_.Open(error); }
    void Close() override { sim_.Close(); }
    bool IsOpen() const override { return sim_.IsOpen(); }
    int Read(std::uint8_t* destination, int n) override { return sim_.Read(destination, n); }
    int ReadAvailable(std::uint8_t* destination, int max, int waitMs) override {
        return sim_.ReadAvailable(destination, max, waitMs);
    }
    int Write(const std::uint8_t* source, int n) override { return sim_.Write(source, n); }
    int Purge() override { return sim_.Purge(); }

private:
    SimTransport& sim_;
};

bool SameLayout(const SimLayout& a, const SimLayout& b) {
    return a.nvmType == b.nvmType && a.bufferStart == b.bufferStart &&
           a.bufferSize == b.bufferSize && a.flashBlockSize == b.flashBlockSize &&
           a.flashSize == b.flashSize && a.eepromTableSize == b.eepromTableSize;
}

std::string FileNamePart(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string DefaultFileDialog(QWidget* parent, bool save, const std::string& suggested) {
    const QString filter =
        QString::fromLatin1(kCalibrationFilter) + QStringLiteral(";;All Files (*)");
    const QString start = QFile::decodeName(suggested.c_str());
    const QString chosen =
        save ? QFileDialog::getSaveFileName(parent, QStringLiteral("Save As"), start, filter)
             : QFileDialog::getOpenFileName(parent, QStringLiteral("Open"), start, filter);
    return QFile::encodeName(chosen).toStdString();
}

} // namespace

SimOptions AppOptions::DefaultDemoSimOptions() {
    SimOptions options;
    // The demo presents the shipped EEPROM controller (the PID2/3 definitions), so a read
    // yields a calibration of one of its transmission types.
    if (const SimPreset* preset = FindSimPresetByIdentity(options.identity))
        ApplySimPreset(*preset, options);
    // The demo runs at the real line speed, so transfers take the time they take.
    options.baud = 9600;
    return options;
}

bool OptionsFromCommandLine(const std::vector<std::string>& args, const char* argv0,
                            AppOptions& options, std::string& error) {
    CommandLine line;
    if (!ParseCommandLine(args, line, error))
        return false;
    options.paths =
        ResolveProgramPaths(CurrentPathEnvironment(argv0), line.overrides, IsDirectoryWritable);
    options.demo = line.demo;
    options.fileName = line.fileName;
    options.print = line.print;
    options.printerName = line.printerName;
    return true;
}

CVLXApp::CVLXApp(AppOptions options)
    : options_(std::move(options)), settings_(options_.paths.settingsFile), overlay_(settings_) {
    fileDialog = DefaultFileDialog;
    openWithDesktop = [](const std::string& path) {
        QDesktopServices::openUrl(QUrl::fromLocalFile(QFile::decodeName(path.c_str())));
    };
    mail_ = options_.mail ? std::move(options_.mail) : std::make_unique<XdgEmailProgram>();
}

CVLXApp::~CVLXApp() {
    // A recording ends with its rows kept; the log windows go with it.
    dataLogs_.reset();
    // The frame is the document's host and its view holds the document's graph: both
    // let go of the document before either goes. The settings windows in the frame use
    // the launcher, which goes after them.
    if (doc_)
        doc_->SetHost(nullptr);
    help_ = nullptr;
    compare_.reset();
    frame_.reset();
    launcher_.reset();
    doc_.reset();
    // The mail program has had the whole session to read the copies it was given.
    RemoveSupportMailCopies();
}

bool CVLXApp::InitInstance() {
    // One running copy: the name stays taken for the life of the process.
    if (options_.singleInstance) {
        lock_ = std::make_unique<InstanceLock>(options_.lockPath.empty() ? InstanceLockPath()
                                                                         : options_.lockPath);
        const InstanceLock::Status status = lock_->Acquire();
        if (status == InstanceLock::Status::AlreadyRunning) {
            ShowMessageBox(nullptr, kAlreadyRunningText, kAlreadyRunningCaption, kMbIconStop);
            return false;
        }
        // Without the lock a second copy cannot be refused; the user should know that.
        if (status == InstanceLock::Status::Failed)
            ShowMessageBox(nullptr,
                           "The program could not check whether another copy of it is "
                           "running.\n\n" +
                               lock_->Error() +
                               "\n\nIt starts anyway. Do not start a second copy while this one "
                               "runs: both would write the same settings and calibrations.",
                           kLockFailedCaption, kMbIconExclamation);
    }

    // The settings file; in the user's configuration directory it may not exist yet.
    if (options_.paths.settingsInUserConfig) {
        std::string error;
        EnsureDirectory(QFileInfo(QFile::decodeName(options_.paths.settingsFile.c_str()))
                            .absolutePath()
                            .toStdString(),
                        error);
    }
    LoadRecentFileList();
    if (options_.demo) {
        overlay_.OverrideString(kSectionCommunication, kKeyCOMPortName, kSimPortName);
        // A new calibration starts with the virtual controller's identity (the folder of
        // definitions it selects), whatever controller the settings remember; the first
        // identification writes the keys as usual.
        const SimIdentity& identity = options_.simOptions.identity;
        overlay_.OverrideInt(kSectionHardwareProfile, "DeviceType", identity.deviceType);
        overlay_.OverrideInt(kSectionHardwareProfile, "FirmwareVersion", identity.firmwareVersion);
        overlay_.OverrideInt(kSectionHardwareProfile, "FirmwareVersionMinor",
                             identity.firmwareVersionMinor);
        overlay_.OverrideInt(kSectionHardwareProfile, "HardwareVersion", identity.hardwareVersion);
    }

    // The document comes first (its construction writes the desktop entry and shows the
    // start-up dialogs), then its controller link, then the main window and the view.
    timers_ = options_.timers;
    if (!timers_) {
        ownTimers_ = std::make_unique<QtTimerService>();
        timers_ = ownTimers_.get();
    }
    doc_ = std::make_unique<CVLXDoc>(CVLXDocServices{&overlay_, options_.paths.programDir, this});
    frame_ = std::make_unique<CMainFrame>(overlay_, options_.paths.programDir);
    // The help viewer exists hidden from start-up on; the settings pages' help buttons
    // and Help Topics show their files in it.
    help_ = new CHelpDialog(frame_.get());
    help_->SetMessageHost(frame_.get());
    help_->hide();
    launcher_ = std::make_unique<QtProgramLauncher>(help_);
    frame_->AttachDocument(*doc_, launcher_.get());
    compare_ =
        std::make_unique<CCompareSession>(*doc_, overlay_, options_.paths.programDir, *frame_);
    compare_->title = [this] { return Title(); };
    CreateControllerLink();
    WireCommands();
    dataLogs_ = std::make_unique<CDataLogControl>(
        *frame_, *doc_, *controller_, options_.paths.dataLogDir, [this] { return pathName_; },
        options_.dataLogClock ? *options_.dataLogClock : SteadyClock::Instance());

    // The command line: a calibration to open, else File>New.
    if (!options_.fileName.empty()) {
        if (!doc_->OnOpenDocument(options_.fileName))
            return false;
        SetPathName(options_.fileName);
        firstNewDone_ = 1;
    } else {
        OnFileNew();
    }
    if (options_.print) {
        exitCode_ = PrintFromCommandLine(*frame_->View(), options_.printerName) ? 0 : 1;
        return false;
    }
    UpdateTitle();
    frame_->show();
    frame_->UpdateCommandUI();
    return true;
}

void CVLXApp::CreateControllerLink() {
    factory_.Register(
        kSimPortName, [this](const std::string&, int) -> std::unique_ptr<ByteTransport> {
            if (!sim_) {
                const SimOptions& simOptions = options_.simOptions;
                sim_ = std::make_unique<SimTransport>(SteadyClock::Instance(), simOptions);
                const SimPreset* preset = FindSimPresetByIdentity(simOptions.identity);
                if (options_.simPresetMemory && preset &&
                    SameLayout(preset->layout, simOptions.layout))
                    LoadSimPresetMemory(*preset, sim_->Controller());
            }
            return std::make_unique<SharedSimPort>(*sim_);
        });
    RegisterQtSerialPorts(factory_);
#ifdef VEXA_HAVE_HIDAPI
    // With the virtual controller chosen for the run, a controller on USB stays unused.
    if (options_.usbLink && !options_.demo) {
        hidBackend_ = std::make_unique<HidapiBackend>();
        const UsbIds ids = UsbIdsFromSettings(overlay_);
        hid_ = std::make_unique<CHidDevice>(*hidBackend_, ids.vendor, ids.product);
    }
#endif
    std::unique_ptr<ByteTransport> port =
        std::make_unique<CSerialPort>(&overlay_, &factory_, hid_.get());
    port = WithTraceFile(std::move(port),
                         overlay_.GetString(kSectionCommunication, kKeyTraceFile, ""));
    auto controller = std::make_unique<CVLXController>(*doc_, std::move(port), *timers_);
    controller_ = controller.get();
    controller_->SetConnectionListener([this](int state) {
        if (!frame_)
            return;
        frame_->Dashboard()->SetConnected(state);
        frame_->UpdateCommandUI();
    });
    controller_->SetProgressCallback([this](int done, int total) {
        if (!frame_)
            return;
        if (done == 0)
            frame_->BeginProgress(total);
        frame_->SetProgress(done);
    });
    controller_->SetTransmissionChooser(
        [this](const std::vector<std::string>& names, int& selected) {
            return ChooseTransmissionType(frame_.get(), names, selected);
        });
    doc_->SetControllerLink(std::move(controller));
    frame_->onSuspend = [this] { controller_->Monitor().suspend(); };
}

void CVLXApp::WireCommands() {
    CMainFrame& frame = *frame_;
    frame.SetCommandHandler(kIdFileNew, [this] { OnFileNew(); });
    frame.SetCommandHandler(kIdFileOpen, [this] { OnFileOpen(); });
    frame.SetCommandHandler(kIdFileSave, [this] { OnFileSave(); });
    frame.SetCommandHandler(kIdFileSaveAs, [this] { OnFileSaveAs(); });
    frame.SetRecentFileHandler([this](int index) { OnOpenRecentFile(index); });
    frame.SetRecentFiles(recentFiles_);
    frame.onFileDropped = [this](const std::string& path) { OpenDocumentFile(path); };
    frame.SetCloseGuard([this] { return SaveModified(); });

    const auto connected = [this] { return IsConnected(); };
    frame.SetCommandHandler(
        kIdWriteCalibration, [this] { OnWriteCalibration(); }, connected);
    frame.SetCommandHandler(
        kIdReadCalibration, [this] { OnReadCalibration(); }, connected);
    frame.SetCommandHandler(
        kIdDumpState, [this] { OnDumpControllerState(); }, connected);
    frame.SetCommandHandler(
        kIdTable1, [this] { OnSelectTable(0); }, {},
        [this] { return SelectedTable() == 0 ? 2 : 0; });
    frame.SetCommandHandler(
        kIdTable2, [this] { OnSelectTable(1); }, {},
        [this] { return SelectedTable() == 1 ? 2 : 0; });
    frame.SetMailAvailable(mail_->Available());
    frame.SetCommandHandler(kIdFileSendMail, [this] { OnSendMail(); });
    frame.SetCommandHandler(kIdCommSettings, [this] { OnCommSettings(); });
    frame.SetCommandHandler(kIdRestorePoints, [this] { OnRestorePoints(); });
    frame.SetCommandHandler(kIdCompareWith, [this] { OnCompareWith(); });
    frame.SetCommandHandler(
        kIdCloseCompare, [this] { compare_->Close(); },
        [this] { return compare_ && compare_->Active(); });

    CVLXView* view = frame.View();
    frame.SetCommandHandler(kIdFilePrint, [view] { view->OnFilePrint(); });
    frame.SetCommandHandler(kIdFilePrintDirect, [view] { view->PrintTo(view->Printer()); });
    frame.SetCommandHandler(kIdFilePrintPreview, [view] { view->OnFilePrintPreview(); });
    frame.SetCommandHandler(kIdFilePrintSetup, [view] { view->OnFilePrintSetup(); });

    // Help Topics opens the program's help file where one is installed.
    const std::string helpFile = options_.paths.programDir + "/VEXA Transmission Control.rtf";
    if (QFileInfo::exists(QFile::decodeName(helpFile.c_str())))
        frame.SetHelpIndexHandler([this, helpFile] { ShowHelpFile(helpFile); });
}

// ---- Title and recent files ---------------------------------------------------------

std::string CVLXApp::Title() const {
    return pathName_.empty() ? std::string(kUntitled) : FileNamePart(pathName_);
}

void CVLXApp::UpdateTitle() {
    if (frame_)
        frame_->setWindowTitle(QFile::decodeName(Title().c_str()) + QStringLiteral(" - ") +
                               QString::fromLatin1(kProgramTitle));
}

void CVLXApp::SetPathName(const std::string& path, bool addToRecentFiles) {
    pathName_ = path;
    if (addToRecentFiles && !path.empty())
        AddToRecentFileList(path);
    UpdateTitle();
}

void CVLXApp::LoadRecentFileList() {
    recentFiles_.clear();
    for (int n = 1; n <= kRecentFileCount; ++n) {
        std::string path = overlay_.GetString(kSectionRecentFileList, RecentFileKey(n), "");
        if (!path.empty())
            recentFiles_.push_back(std::move(path));
    }
}

void CVLXApp::SaveRecentFileList() {
    for (int n = 1; n <= kRecentFileCount; ++n) {
        const auto index = static_cast<std::size_t>(n - 1);
        const std::string path = index < recentFiles_.size() ? recentFiles_[index] : "";
        if (overlay_.GetString(kSectionRecentFileList, RecentFileKey(n), "") != path)
            overlay_.WriteString(kSectionRecentFileList, RecentFileKey(n), path);
    }
    if (frame_)
        frame_->SetRecentFiles(recentFiles_);
}

void CVLXApp::AddToRecentFileList(const std::string& path) {
    const std::string absolute =
        QFile::encodeName(QFileInfo(QFile::decodeName(path.c_str())).absoluteFilePath())
            .toStdString();
    recentFiles_.erase(std::remove(recentFiles_.begin(), recentFiles_.end(), absolute),
                       recentFiles_.end());
    recentFiles_.insert(recentFiles_.begin(), absolute);
    if (recentFiles_.size() > static_cast<std::size_t>(kRecentFileCount))
        recentFiles_.resize(static_cast<std::size_t>(kRecentFileCount));
    SaveRecentFileList();
}

// ---- File commands ------------------------------------------------------------------

void CVLXApp::OnFileNew() {
    if (frame_ && frame_->IsSystemSettingsOpen()) {
        ShowMessageBox(nullptr, kCloseSettingsFirst, "Error", kMbIconStop);
        return;
    }
    if (!SaveModified())
        return;
    doc_->OnNewDocument();
    doc_->SetModifiedFlag(false);
    SetPathName({});
    if (frame_ && firstNewDone_ == 1)
        frame_->OnSetupWizard();
    firstNewDone_ = 1;
}

std::string CVLXApp::AskFileName(bool save, const std::string& suggested) {
    std::string path = fileDialog ? fileDialog(frame_.get(), save, suggested) : std::string();
    // A name typed without an extension gets the calibration extension.
    if (save && !path.empty() && FileNamePart(path).find('.') == std::string::npos)
        path += kCalibrationExtension;
    return path;
}

void CVLXApp::OnFileOpen() {
    const std::string path = AskFileName(false, pathName_);
    if (!path.empty())
        OpenDocumentFile(path);
}

bool CVLXApp::OpenDocumentFile(const std::string& path) {
    if (!SaveModified())
        return false;
    if (!doc_->OnOpenDocument(path))
        return false;
    SetPathName(path);
    return true;
}

void CVLXApp::OnOpenRecentFile(int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= recentFiles_.size())
        return;
    const std::string path = recentFiles_[static_cast<std::size_t>(index)];
    if (!SaveModified())
        return;
    if (!doc_->OnOpenDocument(path)) {
        // A file that cannot be opened leaves the list, as the framework does.
        recentFiles_.erase(recentFiles_.begin() + index);
        SaveRecentFileList();
        return;
    }
    SetPathName(path);
}

bool CVLXApp::DoSave(const std::string& path) {
    std::string target = path;
    if (target.empty()) {
        const std::string suggested = pathName_.empty()
                                          ? std::string(kNewFileName) + kCalibrationExtension
                                      : FileNamePart(pathName_).find('.') == std::string::npos
                                          ? pathName_ + kCalibrationExtension
                                          : pathName_;
        target = AskFileName(true, suggested);
        if (target.empty())
            return false;
    }
    if (!doc_->OnSaveDocument(target))
        return false;
    SetPathName(target);
    return true;
}

bool CVLXApp::OnFileSave() {
    // A restore point stays as it was saved: changes to one are saved under a new name.
    return DoSave(IsRestorePoint(pathName_) ? std::string() : pathName_);
}

bool CVLXApp::IsRestorePoint(const std::string& path) const {
    const std::string& folder = options_.paths.restorePointDir;
    if (path.empty() || folder.empty())
        return false;
    const QFileInfo file(QFile::decodeName(path.c_str()));
    const QFileInfo points(QFile::decodeName(folder.c_str()));
    return points.exists() && file.absoluteDir() == QDir(points.absoluteFilePath());
}

bool CVLXApp::OnFileSaveAs() {
    return DoSave({});
}

bool CVLXApp::SaveModified() {
    if (!doc_ || !doc_->IsModified())
        return true;
    const std::string prompt = "Save changes to " + Title() + "?";
    switch (
        ShowMessageBox(frame_.get(), prompt, kProgramTitle, kMbYesNoCancel | kMbIconExclamation)) {
    case kIdCancel:
        return false;
    case kIdYes:
        return OnFileSave();
    default:
        return true;
    }
}

// ---- Controller commands ------------------------------------------------------------

bool CVLXApp::IsConnected() const {
    return controller_ && controller_->Monitor().is_connected() == 1;
}

int CVLXApp::SelectedTable() const {
    return doc_ ? doc_->Display.I32(DisplayBlock::kSelectedNVMTable) : 0;
}

void CVLXApp::OnSelectTable(int table) {
    ChangeScope step(*doc_, "Read/Write Table #" + std::to_string(table + 1));
    doc_->Display.SetI32(DisplayBlock::kSelectedNVMTable, table);
    doc_->SetModifiedFlag();
}

void CVLXApp::RunTransfer(int direction) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    controller_->TransferCalibration(direction);
    QApplication::restoreOverrideCursor();
    frame_->EndProgress();
}

void CVLXApp::OnWriteCalibration() {
    // The setting is read at every write, so a change to it counts at once.
    controller_->SetRestorePointFolder(
        RestorePointsEnabled(overlay_) ? options_.paths.restorePointDir : std::string());
    RunTransfer(1);
}

void CVLXApp::OnRestorePoints() {
    CRestorePointsDlg dialog(ListRestorePoints(options_.paths.restorePointDir), frame_.get());
    if (RunModal(dialog) != QDialog::Accepted || dialog.ChosenPath().empty())
        return;
    if (dialog.Chosen() == CRestorePointsDlg::kCompare)
        compare_->Start(dialog.ChosenPath());
    else
        OpenDocumentFile(dialog.ChosenPath());
}

void CVLXApp::OnCompareWith() {
    const std::string path = AskFileName(false, pathName_);
    if (!path.empty())
        compare_->Start(path);
}

void CVLXApp::OnReadCalibration() {
    if (!SaveModified())
        return;
    // The readback is named after its table; it does not join the recent files.
    const std::string readback = ReadbackPathName(pathName_, SelectedTable());
    if (readback != pathName_) {
        // No step of the history matches the file of the new name, so taking the read
        // back leaves the document marked as changed.
        doc_->History().ForgetSaved();
    }
    SetPathName(readback, false);
    // The read and the rebuild after it are one step of the history.
    ChangeScope step(*doc_, "Read Calibration from Controller");
    RunTransfer(0);
    doc_->RefreshViews(1);
    controller_->RefreshSettingsSheet(0);
}

void CVLXApp::OnDumpControllerState() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    controller_->DumpControllerState(options_.paths.ramDumpFile);
    QApplication::restoreOverrideCursor();
    if (openWithDesktop)
        openWithDesktop(options_.paths.ramDumpFile);
}

void CVLXApp::OnSendMail() {
    SupportMailRequest request;
    request.doc = doc_.get();
    request.pathName = pathName_;
    request.title = Title();
    request.controller = controller_;
    request.ramDumpPath = options_.paths.ramDumpFile;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    // The mail program's window is the user's now; this window takes no input meanwhile.
    frame_->setEnabled(false);
    SendSupportMail(request, *mail_);
    frame_->setEnabled(true);
    QApplication::restoreOverrideCursor();
}

void CVLXApp::OnCommSettings() {
    CTCS_Monitor* monitor = controller_ ? &controller_->Monitor() : nullptr;
    if (monitor && monitor->is_usb_direct())
        ShowMessageBox(frame_.get(),
                       "A controller has been connected via USB Direct. USB Direct connects "
                       "automatically, and no communication settings are necessary for this "
                       "controller. The settings displayed on this screen are for information "
                       "only, and will have no effect with this controller.",
                       "USB Direct Connection Detected:", kMbIconInformation);
    if (!options_.portLister && !ownLister_)
        ownLister_ = std::make_unique<QtPortLister>();
    PortLister& lister = options_.portLister ? *options_.portLister : *ownLister_;
    CComSelectDlg dialog(overlay_, lister, monitor, kSimPortName, frame_.get());
    RunModal(dialog);
}

int CVLXApp::ShowHelpFile(const std::string& path) {
    if (!help_)
        return 0;
    help_->ShowHelpFile(path);
    return 1;
}

// ---- DocumentPlatform ---------------------------------------------------------------

void CVLXApp::WriteDesktopShortcut(const std::string& programDir) {
    if (!options_.desktopShortcut)
        return;
    const std::string target =
        QFile::encodeName(QCoreApplication::applicationFilePath()).toStdString();
    if (options_.desktopDir.empty())
        CreateDesktopShortcut(target, kShortcutName, programDir, kShortcutDescription,
                              SpecialFolder::kDesktop);
    else
        CreateDesktopShortcutIn(options_.desktopDir, target, kShortcutName, programDir,
                                kShortcutDescription);
}

void CVLXApp::ShowStartupDialogs(bool about, bool gettingStarted) {
    // A print from the command line runs without a window to greet.
    if (!options_.startupDialogs || options_.print)
        return;
    if (about) {
        CAboutDlg dialog(overlay_, options_.paths.programDir);
        RunModal(dialog);
    }
    if (gettingStarted) {
        CStartDlg dialog(overlay_);
        RunModal(dialog);
    }
}

} // namespace vexa
