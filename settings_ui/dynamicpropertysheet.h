#pragma once
// CDynamicPropertySheet: the window of a PropertySheetModel. In System Settings mode a
// modeless dialog with one tab per page (placeholder tabs cannot be chosen); in wizard
// mode the modal "Initial Setup" dialog with a page stack and Back, Next, Finish and
// Cancel, offered as the active page says. The pages write every change into the
// document at once, so Finish and Cancel both just end the run.
//
// CSettingsWindows is what the main window holds: the one System Settings window at a
// time, the wizard, the rebuild and refresh requests the document sends, and the refusal
// of File>New while System Settings is open (the model's SettingsSheets).
#include "settings_ui/modelsheet.h"
#include "settings_ui/settingspage.h"

#include <QDialog>
#include <QPointer>

#include <functional>
#include <memory>
#include <vector>

class QPushButton;
class QStackedWidget;
class QTabWidget;

namespace vexa {

class CDynamicPropertySheet : public QDialog {
    Q_OBJECT
public:
    // A sheet on a model held elsewhere (not owned), or on its own model.
    CDynamicPropertySheet(PropertySheetModel& model, ControlIdSource& ids,
                          QWidget* parent = nullptr);
    CDynamicPropertySheet(std::unique_ptr<PropertySheetModel> model, ControlIdSource& ids,
                          QWidget* parent = nullptr);
    ~CDynamicPropertySheet() override;

    PropertySheetModel& Model() const { return model_; }

    // The model's operations, with the window brought in line afterwards.
    int BuildPages(CVLXDoc* doc);
    void RebuildPages();
    void SetTabTexts();
    bool SetActivePage(int index);
    // Wizard navigation (what the buttons do).
    bool Next();
    bool Back();
    // Stores what was typed into the current page's fields and not committed yet (the
    // window closes, or the main window is about to run a command).
    void CommitTypedText();
    // Activates every page in turn, pauseMs apart, then page 0, so each runs its first
    // display (the document's refresh after the calibration changed underneath).
    void CyclePages(int pauseMs = 50);

    // Makes the window match the model: its pages, tab texts, active page and buttons.
    void SyncWithModel();

    // The sheet widget whose model is sheet (a PropertySheetModel*, as the document's
    // NotifyChange passes it) rebuilds its pages; false when no live sheet has that model.
    static bool RebuildSheetPages(void* sheet);

    int PageCount() const { return static_cast<int>(pages_.size()); }
    CSettingsPage* PageWidget(int index) const;
    QTabWidget* Tabs() const { return tabs_; }
    QStackedWidget* Stack() const { return stack_; }
    QPushButton* BackButton() const { return back_; }
    QPushButton* NextButton() const { return next_; }
    QPushButton* FinishButton() const { return finish_; }
    QPushButton* CancelButton() const { return cancel_; }

    // A page's user action is running: the sheet syncs once it is over.
    void BeginPageAction() { ++pageActions_; }
    void EndPageAction();

    // Finish, Cancel and Escape: the typed text is stored first.
    void done(int result) override;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void SetUp();
    void OnTabChanged(int index);
    void ShowActivePage();
    void UpdateButtons();
    void DiscardRetired();

    std::unique_ptr<PropertySheetModel> own_;
    PropertySheetModel& model_;
    ControlIdSource& ids_;
    std::vector<CSettingsPage*> pages_; // in the model's order
    QTabWidget* tabs_ = nullptr;
    QStackedWidget* stack_ = nullptr;
    QPushButton* back_ = nullptr;
    QPushButton* next_ = nullptr;
    QPushButton* finish_ = nullptr;
    QPushButton* cancel_ = nullptr;
    int pageActions_ = 0;
    bool syncing_ = false;
    int generation_ = -1;
};

class CSettingsWindows {
public:
    // ids: where every generated control takes its id (the main window's registry);
    // services.ids is not used (the widgets hold the ids). mainWindow parents the sheets.
    CSettingsWindows(ControlIdSource& ids, SettingsModelServices services,
                     QWidget* mainWindow = nullptr);
    ~CSettingsWindows();
    CSettingsWindows(const CSettingsWindows&) = delete;
    CSettingsWindows& operator=(const CSettingsWindows&) = delete;

    // Opens the modeless System Settings window; nullptr when one is open already (the
    // request does nothing) or its pages cannot be built.
    CDynamicPropertySheet* OpenSystemSettings(CVLXDoc* doc, int pageTemplate);
    bool IsSystemSettingsOpen() const { return !systemSettings_.isNull(); }
    CDynamicPropertySheet* SystemSettingsWindow() const { return systemSettings_; }
    // Closes (and deletes) the System Settings window.
    void CloseSystemSettings();

    // The Initial Setup wizard, not yet run; nullptr while System Settings is open or when
    // its pages cannot be built.
    std::unique_ptr<CDynamicPropertySheet> PrepareInitialSetup(CVLXDoc* doc, int pageTemplate);
    // Runs the wizard modally; 0 when it could not be shown.
    int RunInitialSetup(CVLXDoc* doc, int pageTemplate);

    // DocumentHost::RebuildSheetPages: the sheet holding the control rebuilds its pages.
    bool RebuildSheetPages(void* sheet) { return CDynamicPropertySheet::RebuildSheetPages(sheet); }
    // DocumentHost::RefreshSettingsSheet: an open System Settings window rebuilds its pages;
    // with cycle 1 and a chosen transmission type it also cycles them, and it is opened
    // first when it was not open.
    void RefreshSettingsSheet(CVLXDoc* doc, int cycle, int pageTemplate);

    // File>New: refused with a message while System Settings is open.
    bool AllowNewFile(CVLXDoc& doc);

    // The main window is about to act: System Settings stores what was typed into it.
    void CommitTypedText();

    // Called with the window when System Settings opens and with nullptr when it closes,
    // so the main window can keep its record.
    std::function<void(QWidget*)> onSystemSettingsChanged;

private:
    ControlIdSource& ids_;
    SettingsSheets sheets_;
    QWidget* mainWindow_;
    QPointer<CDynamicPropertySheet> systemSettings_;
};

} // namespace vexa
