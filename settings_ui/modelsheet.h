#pragma once
// The Initial Setup wizard and the System Settings window (CDynamicPropertySheet) as a
// plain model: which pages exist, built from the definition's [QuickTuneDialog] or
// [ConfigurationDialog], how they are rebuilt when the definition changes, and the rules
// the main window keeps (one System Settings window at a time, no File>New while it is
// open).
//
// The sheet is what the pages pass to the document's NotifyChange: a host receiving
// RebuildSheetPages(sheet) calls static_cast<PropertySheetModel*>(sheet)->RebuildPages().
// Pages removed by a rebuild are retired, not deleted: they ignore further user actions
// and stay alive until DiscardRetiredPages (which the widget layer calls once no widget
// refers to them any more), a rebuild made outside any page action, or the sheet's end.
// So a page whose own action caused the rebuild can still return safely.
#include "core/vlxdoc.h"
#include "settings_ui/modelsettingspage.h"

#include <memory>
#include <string>
#include <vector>

namespace vexa {

inline constexpr const char* kInitialSetupCaption = "Initial Setup";
inline constexpr const char* kSystemSettingsCaption = "System Settings";
inline constexpr const char* kTransmissionPageTitle = "Transmission Type";
inline constexpr const char* kTransmissionPageHelp =
    "Scroll through the list to select the correct transmission model.\nWhen you select a "
    "transmission, its picture and description will be shown.";
inline constexpr const char* kSheetHelp =
    "Click on the tab for the category of settings that you want to modify in order to make "
    "your changes. You can also navigate between tabs and their various controls using the "
    "\"Tab\" key and between different tabs using the left and right arrow keys.";
inline constexpr const char* kCloseSystemSettingsFirst =
    "Please close the \"System Settings\" window before selecting the \"New File\" option.";

// Page templates: 355 x 197 and 471 x 262 dialog units.
inline constexpr int kPageTemplateNormal = 136;
inline constexpr int kPageTemplateLarge = 144;
// The built-in transmission page's record flag in the wizard (PSP_HIDEHEADER).
inline constexpr unsigned kPageHideHeader = 0x800;

class PropertySheetModel {
public:
    static constexpr int kMaxDefinitionPages = 20;

    PropertySheetModel(std::string caption, int pageTemplate, int wizardMode,
                       SettingsModelServices services = {});
    ~PropertySheetModel();
    PropertySheetModel(const PropertySheetModel&) = delete;
    PropertySheetModel& operator=(const PropertySheetModel&) = delete;

    // Appends pages from the definition; 1, or 0 when there is no document (nor one given
    // earlier), the section is missing while the sheet holds exactly one page, or the
    // sheet ends up without any page.
    int BuildPages(CVLXDoc* doc);
    // Brings the pages in line with the document's definition; page 0 is kept.
    void RebuildPages();
    // System Settings: every tab's text becomes its page's title.
    void SetTabTexts();
    // F1 that no control handles.
    void OnHelp();

    // Makes page index the current page; false when it refuses (or there is no such page).
    // The page left stores what was typed into its fields first.
    bool SetActivePage(int index);
    // The sheet closes, or something outside it is about to act: the current page stores
    // what was typed into its fields.
    void CommitTypedText();
    bool Next() { return SetActivePage(active_ + 1); }
    bool Back() { return SetActivePage(active_ - 1); }

    const std::string& Caption() const { return caption_; }
    int PageTemplate() const { return pageTemplate_; }
    int WizardMode() const { return wizardMode_; }
    CVLXDoc* Document() const { return doc_; }
    int PageCount() const { return static_cast<int>(pages_.size()); }
    SettingsPageModel& Page(int index) const { return *pages_[static_cast<std::size_t>(index)]; }
    int IndexOf(const SettingsPageModel* page) const;
    int ActivePage() const { return active_; }
    const std::vector<std::string>& TabTexts() const { return tabTexts_; }
    // The buttons the active wizard page offers (kWizardBack | kWizardNext | kWizardFinish).
    int WizardButtons() const { return wizardButtons_; }
    void SetWizardButtons(int buttons) { wizardButtons_ = buttons; }
    // Pages retired by rebuilds, kept until discarded.
    int RetiredPageCount() const { return static_cast<int>(retired_.size()); }
    void DiscardRetiredPages() { retired_.clear(); }
    // Bracket a page's user action (the page does this itself).
    void EnterPageEvent() { ++pageEvents_; }
    void LeavePageEvent() { --pageEvents_; }
    // Grows whenever pages are added or removed.
    int PagesGeneration() const { return generation_; }

private:
    SettingsPageModel& AppendPage(std::string section, std::string title, std::string help);

    std::string caption_;
    int pageTemplate_;
    int wizardMode_;
    SettingsModelServices services_;
    CVLXDoc* doc_ = nullptr;
    std::vector<std::unique_ptr<SettingsPageModel>> pages_;
    std::vector<std::unique_ptr<SettingsPageModel>> retired_;
    std::vector<std::string> tabTexts_;
    int active_ = -1;
    bool shown_ = false;
    int rebuildDepth_ = 0;
    int pageEvents_ = 0;
    int wizardButtons_ = 0;
    int generation_ = 0;
};

// What the System Settings window does when the document refreshes it after the calibration
// changed underneath (a read, a controller check).
struct SettingsRefresh {
    bool open = false;    // open the window first (it was closed)
    bool rebuild = false; // rebuild the pages of the open window
    bool cycle = false;   // then activate every page in turn, so each runs its first display
    bool operator==(const SettingsRefresh&) const = default;
};

// The main window's record of its settings sheets.
class SettingsSheets {
public:
    explicit SettingsSheets(SettingsModelServices services = {}) : services_(std::move(services)) {}

    // The System Settings window: built and activated (page 1 when there is more than
    // one, then page 0). nullptr when one is already open (the request does nothing) or
    // the pages could not be built (nothing is recorded).
    PropertySheetModel* OpenSystemSettings(CVLXDoc* doc, int pageTemplate);
    // The window was closed: its sheet and pages go.
    void CloseSystemSettings() { systemSettings_.reset(); }
    PropertySheetModel* SystemSettings() const { return systemSettings_.get(); }

    // The Initial Setup wizard, ready to run modally, or nullptr while System Settings is
    // open (the command does nothing) or when its pages could not be built.
    std::unique_ptr<PropertySheetModel> PrepareInitialSetup(CVLXDoc* doc, int pageTemplate);

    // File>New: refused with a message while System Settings is open.
    bool AllowNewFile(CVLXDoc& doc);

    // The refresh the document asks for with cycle (0 or 1): an open window rebuilds its
    // pages; with cycle 1 and a transmission type chosen, its pages are cycled, and a
    // closed window is opened for it. Nothing happens to a closed window otherwise.
    SettingsRefresh PlanRefresh(const CVLXDoc& doc, int cycle) const;

private:
    SettingsModelServices services_;
    std::unique_ptr<PropertySheetModel> systemSettings_;
};

} // namespace vexa
