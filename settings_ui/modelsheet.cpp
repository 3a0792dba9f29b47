#include "settings_ui/modelsheet.h"

#include <algorithm>

namespace vexa {

PropertySheetModel::PropertySheetModel(std::string caption, int pageTemplate, int wizardMode,
                                       SettingsModelServices services)
    : caption_(std::move(caption)), pageTemplate_(pageTemplate), wizardMode_(wizardMode),
      services_(std::move(services)) {}

PropertySheetModel::~PropertySheetModel() = default;

SettingsPageModel& PropertySheetModel::AppendPage(std::string section, std::string title,
                                                  std::string help) {
    auto page = std::make_unique<SettingsPageModel>(pageTemplate_, doc_, this, services_);
    page->sectionName = std::move(section);
    page->title = std::move(title);
    page->helpText = std::move(help);
    pages_.push_back(std::move(page));
    ++generation_;
    return *pages_.back();
}

int PropertySheetModel::IndexOf(const SettingsPageModel* page) const {
    for (std::size_t i = 0; i < pages_.size(); ++i) {
        if (pages_[i].get() == page)
            return static_cast<int>(i);
    }
    return -1;
}

int PropertySheetModel::BuildPages(CVLXDoc* doc) {
    if (doc)
        doc_ = doc;
    if (!doc_)
        return 0;
    const char* section = wizardMode_ ? "[QuickTuneDialog]" : "[ConfigurationDialog]";
    const int previousActive = active_;
    if (!doc_->FindSection(section, 0)) {
        if (pages_.size() == 1)
            return 0;
        // A rebuild keeps page 0, the transmission page: only its companions follow it.
        if (pages_.empty()) {
            SettingsPageModel& page =
                AppendPage("[ApplicationID]", kTransmissionPageTitle, kTransmissionPageHelp);
            if (wizardMode_) {
                page.pageFlags = kPageHideHeader;
                page.questionIcon = true;
            }
        }
        if (!wizardMode_) {
            AppendPage({}, std::string(70, ' '), {});
            AppendPage({}, std::string(70, ' '), {});
        }
    } else {
        std::string tab;
        for (int n = pages_.empty() ? 0 : 1; n < kMaxDefinitionPages; ++n) {
            if (!doc_->ReadKeyString("Tab" + std::to_string(n), tab, kSectionScope))
                break;
            std::string title;
            std::string help;
            doc_->ReadKeyString("Text" + std::to_string(n), title, kSectionScope);
            doc_->ReadKeyString("HelpText" + std::to_string(n), help, kSectionScope);
            AppendPage("[" + tab + "]", std::move(title), std::move(help));
        }
    }
    if (pages_.empty())
        return 0; // a section without Tab0: a sheet without pages cannot be shown
    active_ = 0;
    if (shown_ && previousActive != 0)
        pages_.front()->OnSetActive();
    return 1;
}

void PropertySheetModel::RebuildPages() {
    // Pages retired earlier are out of use once neither a rebuild nor a page action runs.
    if (rebuildDepth_ == 0 && pageEvents_ == 0)
        retired_.clear();
    ++rebuildDepth_;
    const int k = PageCount();
    BuildPages(nullptr);
    for (int i = k - 1; i >= 1 && i < PageCount(); --i) {
        const auto at = pages_.begin() + i;
        (*at)->Retire();
        retired_.push_back(std::move(*at));
        pages_.erase(at);
    }
    if (active_ >= PageCount())
        active_ = PageCount() > 0 ? 0 : -1;
    ++generation_;
    SetTabTexts();
    // Page 0 computed its buttons while the old pages were still there.
    if (shown_ && active_ == 0)
        pages_.front()->UpdateWizardButtons();
    --rebuildDepth_;
}

void PropertySheetModel::SetTabTexts() {
    if (wizardMode_)
        return;
    tabTexts_.clear();
    for (const auto& page : pages_)
        tabTexts_.push_back(page->title);
}

void PropertySheetModel::OnHelp() {
    if (doc_)
        doc_->ShowMessage(kSheetHelp, services_.applicationTitle, kMbOk);
}

void PropertySheetModel::CommitTypedText() {
    if (active_ >= 0 && active_ < PageCount())
        pages_[static_cast<std::size_t>(active_)]->OnKillActive();
}

bool PropertySheetModel::SetActivePage(int index) {
    if (index < 0 || index >= PageCount())
        return false;
    if (index != active_) {
        CommitTypedText();
        // What was stored may have rebuilt the pages.
        if (index >= PageCount())
            return false;
    }
    shown_ = true;
    const int previous = active_;
    active_ = index;
    if (!pages_[static_cast<std::size_t>(index)]->OnSetActive()) {
        active_ = previous;
        return false;
    }
    return true;
}

// --- SettingsSheets ----------------------------------------------------------------------

PropertySheetModel* SettingsSheets::OpenSystemSettings(CVLXDoc* doc, int pageTemplate) {
    if (systemSettings_)
        return nullptr;
    auto sheet =
        std::make_unique<PropertySheetModel>(kSystemSettingsCaption, pageTemplate, 0, services_);
    if (!sheet->BuildPages(doc))
        return nullptr;
    sheet->SetTabTexts();
    if (sheet->PageCount() > 1)
        sheet->SetActivePage(1);
    sheet->SetActivePage(0);
    systemSettings_ = std::move(sheet);
    return systemSettings_.get();
}

std::unique_ptr<PropertySheetModel> SettingsSheets::PrepareInitialSetup(CVLXDoc* doc,
                                                                        int pageTemplate) {
    if (systemSettings_)
        return nullptr;
    auto sheet =
        std::make_unique<PropertySheetModel>(kInitialSetupCaption, pageTemplate, 1, services_);
    if (!sheet->BuildPages(doc))
        return nullptr;
    return sheet;
}

SettingsRefresh SettingsSheets::PlanRefresh(const CVLXDoc& doc, int cycle) const {
    const bool cycled = cycle == 1 && doc.Header[kTransmissionType] != "None";
    SettingsRefresh plan;
    if (systemSettings_) {
        plan.rebuild = true;
        plan.cycle = cycled;
    } else if (cycled) {
        plan.open = true;
        plan.cycle = true;
    }
    return plan;
}

bool SettingsSheets::AllowNewFile(CVLXDoc& doc) {
    if (!systemSettings_)
        return true;
    doc.ShowMessage(kCloseSystemSettingsFirst, "Error", kMbIconStop);
    return false;
}

} // namespace vexa
