#pragma once
// CMainFrame: the program's one top-level window. It holds the menus, the toolbar, the
// "Graph Controls" bar on the right, the "Dashboard" bar at the bottom, the status bar and
// the graph view, and it is the document's host (message boxes, status text, bar
// rebuilds, repaints). Commands are numbered as the controller program numbers them;
// whoever handles one registers a handler with its enable and check rules, and a command
// without a handler is shown disabled.
#include "core/documenthost.h"
#include "core/graphicaltuning.h"
#include "core/settingsstore.h"
#include "core/vlxdoc.h"

#include <QDialog>
#include <QMainWindow>
#include <QPointer>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

class QAction;
class QDockWidget;
class QLabel;
class QMenu;
class QProgressBar;
class QToolBar;

namespace vexa {

class CDashboard;
class CDynamicDialogBar;
class CHelpDialog;
class CSettingsWindows;
class CVLXView;
class ProgramLauncher;
class SuspendNotifier;

class CMainFrame : public QMainWindow, public DocumentHost {
public:
    static constexpr int kInitialMinWidth = 450;
    static constexpr int kInitialMinHeight = 450;

    // Clears the ControlIdRegistry, builds menus, toolbar, bars and status bar.
    // settings keeps the bar layout and the start-up dialogs' check boxes; programDir is
    // where the About dialog finds Package.ver. Both must outlive the frame.
    CMainFrame(SettingsStore& settings, std::string programDir, QWidget* parent = nullptr);
    ~CMainFrame() override;

    // Creates the view on the document (it becomes the central widget), fills the bars
    // (the tuning bar and the dashboard, wired to the document, the view and the rebuild
    // hooks), makes the settings windows and restores the saved bar layout. launcher
    // starts what the settings pages' buttons name and shows their help files (not owned;
    // none: programs cannot be started).
    void AttachDocument(CVLXDoc& doc, ProgramLauncher* launcher = nullptr);
    CVLXView* View() const { return view_; }
    CDynamicDialogBar* TuningBar() const { return tuningBar_; }
    CDashboard* Dashboard() const { return dashboard_; }
    CSettingsWindows* SettingsWindows() const { return settingsWindows_.get(); }
    CVLXDoc* Document() const { return doc_; }

    // ---- Commands -------------------------------------------------------------------
    using Handler = std::function<void()>;
    using EnableRule = std::function<bool()>;
    // -1 no check mark, 0 unchecked, 1 checked, 2 radio mark.
    using CheckRule = std::function<int()>;
    void SetCommandHandler(int id, Handler handler, EnableRule enabled = {},
                           CheckRule checked = {});
    // A command whose menu text follows the document ("&Undo Axle ratio\tCtrl+Z"); its
    // tool tip is the same text without the mnemonic and the keys.
    using TextRule = std::function<QString()>;
    void SetCommandText(int id, TextRule text);
    QAction* Action(int id) const;
    // Runs a command as the menu does; false when it has no handler or is disabled.
    bool RunCommand(int id);
    // Brings enabled states and check marks up to date (the framework's idle update).
    void UpdateCommandUI();
    // The recent-file entries of the File menu; the handler receives the entry's index.
    void SetRecentFiles(const std::vector<std::string>& paths);
    void SetRecentFileHandler(std::function<void(int)> handler) {
        recentHandler_ = std::move(handler);
    }
    // "E-mail Data to Tech Support for Assistance" is on the File menu only where a mail
    // program can be reached.
    void SetMailAvailable(bool available);
    // Whether the frame may close (the application's save prompt); true when unset.
    void SetCloseGuard(std::function<bool()> guard) { closeGuard_ = std::move(guard); }

    // ---- Bars -----------------------------------------------------------------------
    QToolBar* ToolBar() const { return toolBar_; }
    QDockWidget* TuningDock() const { return tuningDock_; }
    QDockWidget* DashboardDock() const { return dashboardDock_; }
    // The tuning bar's contents as of the last rebuild.
    const std::vector<TuningControl>& TuningControls() const { return tuningControls_; }
    // The bars' own widgets hook in here: after a rebuild of the tuning description, to
    // clear the dashboard (stop its live data), to build it from the definition.
    std::function<void()> onTuningRebuilt;
    std::function<void()> clearDashboard;
    std::function<void()> buildDashboard;
    // Dashboard command: shows or hides the dashboard.
    void OnViewDashboard();
    // A shown dashboard bar is built from the definition, a hidden one cleared.
    void SyncDashboardWithDock();
    // The bar layout under the one profile name it is saved and read under.
    void SaveBarState();
    void LoadBarState();

    // ---- System Settings and the setup wizard ---------------------------------------
    // Builders from the active document; null when the sheet cannot be built. The System
    // Settings builder shows the window it returns; the window belongs to the frame and
    // deletes itself when closed.
    std::function<QWidget*(CMainFrame&)> systemSettingsFactory;
    std::function<std::unique_ptr<QDialog>(CMainFrame&)> setupWizardFactory;
    bool IsSystemSettingsOpen() const { return !systemSettings_.isNull(); }
    QWidget* SystemSettingsWindow() const { return systemSettings_; }
    // For the sheet itself: records (or, with nullptr, forgets) the open window.
    void SetSystemSettingsWindow(QWidget* window) { systemSettings_ = window; }
    void OnSystemSettings();
    void OnSetupWizard();
    // The settings sheets' page template: the large one with normal-size system fonts.
    int SheetTemplate() const;

    // ---- Status bar, prompts and help ----------------------------------------------
    QString MessageText() const;
    void SetMessageText(const QString& text);
    // Progress of a controller transfer beside the message; hidden until started.
    void BeginProgress(int maximum);
    void SetProgress(int value);
    void EndProgress();
    QProgressBar* Progress() const { return progress_; }
    void SetMinTrackSize(int x, int y);
    QSize MinTrackSize() const { return minimumSize(); }
    // Help for a help context: nothing for the main window (0x20080), the registered help
    // text of a generated control (0x10410..0x1053B), else the help index.
    void WinHelp(int context);
    // F1: help for the control that has the focus.
    void OnHelp();
    // The help index (Help Topics); the command is disabled while none is set.
    void SetHelpIndexHandler(Handler handler);

    // ---- Start-up dialogs and suspend -----------------------------------------------
    // The Help menu's About and Getting Started: modeless, so the window and its live data
    // keep running; one of each at a time.
    void OnAppAbout();
    void OnGettingStarted();
    QDialog* AboutDialog() const { return about_; }
    QDialog* StartDialog() const { return start_; }
    // The computer is about to suspend; handled by the controller link.
    std::function<void()> onSuspend;
    void NotifySuspend();

    // ---- DocumentHost ---------------------------------------------------------------
    int MessageBox(const std::string& text, const std::string& caption, unsigned flags) override;
    bool HasFrame() const override { return true; }
    void SetStatusText(const std::string& text) override;
    void RebuildBars() override;
    void RedrawView() override;
    void RebuildSheetPages(void* sheet) override;
    void RefreshSettingsSheet(int rebuild) override;
    std::function<void(void*)> rebuildSheetPages;
    std::function<void(int)> refreshSettingsSheet;

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

public:
    // Files dropped on the window.
    std::function<void(const std::string&)> onFileDropped;

private:
    struct Command {
        QAction* action = nullptr;
        Handler handler;
        EnableRule enabled;
        CheckRule checked;
        TextRule text;
    };
    QAction* MakeAction(int id, const QString& text, const QList<QKeySequence>& keys = {});
    void BuildMenus();
    void BuildToolBar();
    void BuildBars();
    void BuildStatusBar();
    void RegisterOwnCommands();
    void ShowControlPrompt(QWidget* widget);
    void FocusNextPane(int direction);
    void EnterContextHelp();

    SettingsStore& settings_;
    std::string programDir_;
    CVLXDoc* doc_ = nullptr;
    CVLXView* view_ = nullptr;
    std::map<int, Command> commands_;
    QMenu* fileMenu_ = nullptr;
    QAction* recentPlaceholder_ = nullptr;
    QAction* recentSeparator_ = nullptr;
    std::vector<QAction*> recentActions_;
    std::vector<std::string> recentPaths_;
    std::function<void(int)> recentHandler_;
    std::function<bool()> closeGuard_;
    QAction* mailAction_ = nullptr;
    QAction* afterMail_ = nullptr;
    QToolBar* toolBar_ = nullptr;
    QDockWidget* tuningDock_ = nullptr;
    QDockWidget* dashboardDock_ = nullptr;
    QLabel* message_ = nullptr;
    QProgressBar* progress_ = nullptr;
    std::vector<TuningControl> tuningControls_;
    bool normalFonts_ = true;
    CDynamicDialogBar* tuningBar_ = nullptr;
    CDashboard* dashboard_ = nullptr;
    std::unique_ptr<CSettingsWindows> settingsWindows_;
    QPointer<QWidget> systemSettings_;
    QPointer<QDialog> about_;
    QPointer<QDialog> start_;
    bool contextHelpMode_ = false;
    SuspendNotifier* suspendNotifier_ = nullptr;
};

} // namespace vexa
