#include "settings_ui/modelsettingspage.h"

#include "settings_ui/modelsheet.h"

#include <cstdio>
#include <filesystem>
#include <optional>

namespace vexa {

namespace {

std::string Numbered(const char* key, int n) {
    return key + std::to_string(n);
}

std::string ChooseLabel(const std::string& title) {
    return "Choose " + title.substr(0, 190) + ":";
}

} // namespace

// Influence requests made while a build or a user action runs are collected and carried
// out once, when the outermost one is over.
class SettingsPageModel::Batch {
public:
    explicit Batch(SettingsPageModel& page) : page_(page), sheet_(page.sheet_) {
        ++page_.batchDepth_;
        if (sheet_)
            sheet_->EnterPageEvent();
    }
    ~Batch() {
        if (--page_.batchDepth_ == 0)
            page_.Flush();
        if (sheet_)
            sheet_->LeavePageEvent();
    }
    Batch(const Batch&) = delete;
    Batch& operator=(const Batch&) = delete;

private:
    SettingsPageModel& page_;
    PropertySheetModel* sheet_;
};

SettingsPageModel::SettingsPageModel(int templateId, CVLXDoc* doc, PropertySheetModel* sheet,
                                     SettingsModelServices services)
    : templateId_(templateId), doc_(doc), sheet_(sheet), services_(std::move(services)) {}

SettingsPageModel::~SettingsPageModel() = default;

void SettingsPageModel::RequestInfluence(int flags) {
    // A sheet rebuild asked for by set-up would replace the very page being built (and the
    // new page would ask again when shown); the sheet was just built from this definition.
    if (buildDepth_ > 0)
        flags &= ~kInfluenceRebuildSheet;
    pendingInfluence_ |= flags;
    if (batchDepth_ == 0)
        Flush();
}

void SettingsPageModel::Flush() {
    int flags = pendingInfluence_;
    pendingInfluence_ = 0;
    if (!doc_)
        return;
    if (flags & kInfluenceRebuildPage) {
        // The rebuild's own set-up asks again (its EditBoxes store their values); those
        // requests join this one instead of rebuilding once more.
        ++batchDepth_;
        ClearUserOptions();
        BuildOptionsNow();
        --batchDepth_;
        flags |= pendingInfluence_ & ~kInfluenceRebuildPage;
        pendingInfluence_ = 0;
    }
    // Last: a sheet rebuild may retire this page.
    const int notify = flags & (kInfluenceRefresh | kInfluenceRebuildBars | kInfluenceRebuildSheet);
    if (notify != 0)
        doc_->NotifyChange(notify, sheet_);
}

void SettingsPageModel::SelectSection() {
    if (!doc_ || sectionName.empty())
        return;
    if (!selectedItemName_.empty() && doc_->FindItemByLogicalName(sectionName, selectedItemName_))
        return;
    doc_->FindSection(sectionName, 0);
}

bool SettingsPageModel::Holds(const char* key, int scope) {
    int match = 0;
    return doc_->ApplyActionList(key, scope, nullptr, &match) != kMissingValue && match == 1;
}

// --- Lifecycle ---------------------------------------------------------------------------

void SettingsPageModel::OnInitDialog() {
    if (initialised_)
        return;
    initialised_ = true;
    if (IsPlaceholder())
        return;
    Batch batch(*this);
    if (IsTransmissionPage())
        FillTransmissionCatalogue();
    else
        FillItemSelection();
    BuildOptionsNow();
}

bool SettingsPageModel::OnSetActive() {
    if (IsPlaceholder())
        return false;
    if (!initialised_)
        OnInitDialog();
    SelectSection();
    if (IsTransmissionPage())
        SelectCurrentTransmission();
    ComputeWizardButtons();
    ShowPicture();
    return true;
}

void SettingsPageModel::ComputeWizardButtons() {
    if (!sheet_)
        return;
    const int index = sheet_->IndexOf(this);
    const int count = sheet_->PageCount();
    if (index < 0)
        return; // retired by a rebuild
    if (index == 0)
        wizardButtons_ = count > 1 ? kWizardNext : 0;
    else if (index == count - 1)
        wizardButtons_ = kWizardBack | kWizardFinish;
    else
        wizardButtons_ = kWizardBack | kWizardNext;
    sheet_->SetWizardButtons(wizardButtons_);
}

void SettingsPageModel::OnApply() {
    if (doc_)
        doc_->ShowMessage(edits_.empty() ? std::string() : edits_.front()->Text(), "Applied!",
                          kMbOk);
}

void SettingsPageModel::OnDestroyWindow() {
    if (!doc_ || !IsTransmissionPage())
        return;
    // A chosen type is the calibration's own from now on: reloading it keeps its values.
    if (!doc_->Header[kLogicalName].empty() && doc_->Header[kTransmissionType] != "None")
        doc_->Identity.SetU16(IdentityBlock::kApplyDefaultsOnReload, 0);
}

// --- Selection area ----------------------------------------------------------------------

ComboBoxModel* SettingsPageModel::SelectionCombo() const {
    return selectionCombo_ >= 0 ? combos_[static_cast<std::size_t>(selectionCombo_)].get()
                                : nullptr;
}

std::unique_ptr<StaticModel> SettingsPageModel::MakeLabel(int left, int top, int right,
                                                          const std::string& text) {
    auto label = std::make_unique<StaticModel>();
    label->rect = {left, top, right, top + 20};
    label->text = text;
    return label;
}

void SettingsPageModel::CreateSelectionArea() {
    const int y = leftY_;
    selectionLabel_ = MakeLabel(10, y, 340, ChooseLabel(title));

    auto combo = std::make_unique<ComboBoxModel>(services_.ids);
    combo->rect = {10, y + 20, 340, y + 195};
    combo->selection = true;
    combo->helpText = helpText;
    combo->index = static_cast<int>(combos_.size());
    selectionCombo_ = combo->index;
    combo->tabOrder = totalControls_;
    combos_.push_back(std::move(combo));
    ++totalControls_;

    description_ = std::make_unique<StaticModel>();
    description_->rect = {10, y + 60, 340, y + 200};
    picture_ = std::make_unique<StaticModel>();
    picture_->rect = {350, rightY_, 680, rightY_ + 200};
    picture_->text = "Picture";
    rightY_ += 205;
    leftY_ = y + 205;
}

void SettingsPageModel::FillItemSelection() {
    if (!doc_)
        return;
    std::vector<SelectionEntry> items;
    for (int i = 0; i < kMaxItems; ++i) {
        SelectionEntry item;
        if (!doc_->ReadSectionTitles(sectionName, item.logicalName, item.displayName,
                                     i == 0 ? 0 : 1))
            break;
        items.push_back(std::move(item));
    }
    if (items.empty()) {
        doc_->FindSection(sectionName, 0);
        return;
    }
    if (items.size() == 1) {
        selectedItemName_ = items.front().logicalName;
    } else {
        CreateSelectionArea();
        ComboBoxModel& combo = *SelectionCombo();
        for (SelectionEntry& item : items) {
            if (item.logicalName.empty())
                continue;
            combo.entries.push_back(item.displayName);
            entries_.push_back(std::move(item));
        }
        std::string saved;
        doc_->ControlState(sectionName, "LogicalName", saved, 0);
        int savedEntry = -1;
        int matching = -1;
        for (std::size_t i = 0; i < entries_.size(); ++i) {
            const int entry = static_cast<int>(i);
            if (savedEntry < 0 && entries_[i].logicalName == saved)
                savedEntry = entry;
            if (!doc_->FindItemByLogicalName(sectionName, entries_[i].logicalName))
                continue;
            if (!Holds("BitValFixed", kSectionScope))
                continue;
            if (entry == savedEntry) {
                matching = entry;
                break;
            }
            if (matching < 0)
                matching = entry;
        }
        if (entries_.empty()) {
            doc_->FindSection(sectionName, 0);
            return;
        }
        const int selected = matching >= 0 ? matching : savedEntry >= 0 ? savedEntry : 0;
        combo.selected = selected;
        selectedItemName_ = entries_[static_cast<std::size_t>(selected)].logicalName;
    }
    std::string name = selectedItemName_;
    doc_->ControlState(sectionName, "LogicalName", name, 1);
    doc_->FindItemByLogicalName(sectionName, selectedItemName_);
    doc_->ApplyActionList("BitValFixed", kSectionScope, nullptr, nullptr);
}

void SettingsPageModel::FillTransmissionCatalogue() {
    CreateSelectionArea();
    if (!doc_)
        return;
    ComboBoxModel& combo = *SelectionCombo();
    for (SelectionEntry& entry : ReadTransmissionCatalogue(*doc_)) {
        if (entries_.size() >= kMaxCatalogueEntries)
            break;
        combo.entries.push_back(entry.transmissionType);
        entries_.push_back(std::move(entry));
    }
}

void SettingsPageModel::SelectCurrentTransmission() {
    ComboBoxModel* combo = SelectionCombo();
    if (!doc_ || !combo || applyingTransmission_)
        return;
    const std::string& logicalName = doc_->Header[kLogicalName];
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        // A calibration without a type has no LogicalName; that matches no entry.
        if (!logicalName.empty() && entries_[i].logicalName == logicalName) {
            combo->selected = static_cast<int>(i);
            return;
        }
    }
    const std::string type = doc_->Header[kTransmissionType].substr(0, 4);
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        if (entries_[i].transmissionType.substr(0, 4) == type) {
            combo->selected = static_cast<int>(i);
            applyingTransmission_ = true;
            ApplyTransmissionType();
            if (sheet_)
                sheet_->RebuildPages();
            applyingTransmission_ = false;
            return;
        }
    }
}

void SettingsPageModel::ApplyTransmissionType() {
    ComboBoxModel* combo = SelectionCombo();
    if (!doc_ || !combo || combo->selected < 0 ||
        static_cast<std::size_t>(combo->selected) >= entries_.size())
        return;
    vexa::ApplyTransmissionType(*doc_, entries_[static_cast<std::size_t>(combo->selected)]);
}

void SettingsPageModel::ApplyItemSelection() {
    ComboBoxModel* combo = SelectionCombo();
    if (!doc_ || !combo || combo->selected < 0 ||
        static_cast<std::size_t>(combo->selected) >= entries_.size())
        return;
    selectedItemName_ = entries_[static_cast<std::size_t>(combo->selected)].logicalName;
    doc_->FindItemByLogicalName(sectionName, selectedItemName_);
    std::string name = selectedItemName_;
    doc_->ControlState(sectionName, "LogicalName", name, 1);
    doc_->ApplyActionList("BitValFixed", kSectionScope, nullptr, nullptr);
    doc_->RefreshViews(0);
    doc_->SetModifiedFlag();
}

void SettingsPageModel::ShowPicture() {
    if (!doc_ || !SelectionCombo())
        return;
    SelectSection();
    std::string picture;
    std::string description;
    doc_->ReadKeyString("DisplayPic", picture, kSectionScope);
    doc_->ReadKeyString("Description", description, kSectionScope);
    picture_->visible = false;
    picture_->picturePath.clear();
    if (!picture.empty()) {
        std::string path;
        if (!ResolveProgramFile(doc_->ProgramDir, picture, path)) {
            doc_->ShowMessage(kOutsideProgramDirError, picture, kMbIconExclamation);
        } else {
            std::error_code ec;
            if (std::filesystem::is_regular_file(path, ec)) {
                picture_->picturePath = path;
                picture_->visible = true;
            }
        }
    }
    description_->text = description;
}

// --- Options -----------------------------------------------------------------------------

void SettingsPageModel::ClearUserOptions() {
    const std::size_t keep =
        selectionCombo_ >= 0 ? static_cast<std::size_t>(selectionCombo_) + 1 : 0;
    std::size_t removed = edits_.size() + texts_.size() + buttons_.size();
    if (combos_.size() > keep)
        removed += combos_.size() - keep;
    edits_.clear();
    texts_.clear();
    buttons_.clear();
    combos_.resize(std::min(keep, combos_.size()));
    totalControls_ -= static_cast<int>(removed);
    leftY_ = rightY_ = selectionCombo_ >= 0 ? 210 : 5;
}

void SettingsPageModel::BuildUserOptions() {
    if (retired_)
        return;
    Batch batch(*this);
    BuildOptionsNow();
}

void SettingsPageModel::BuildOptionsNow() {
    ++generation_;
    if (!doc_ || sectionName.empty())
        return;
    ++buildDepth_;
    SelectSection();
    std::string type;
    for (int more = 0; doc_->FindBlock("UserOption", type, more); more = 1) {
        // The option's own reads must not move the walk through the section.
        const int sectionStart = doc_->SectionStart;
        const int sectionEnd = doc_->SectionEnd;
        const int blockStart = doc_->BlockStart;
        const int blockEnd = doc_->BlockEnd;
        BuildOption(type);
        doc_->SectionStart = sectionStart;
        doc_->SectionEnd = sectionEnd;
        doc_->BlockStart = blockStart;
        doc_->BlockEnd = blockEnd;
    }
    --buildDepth_;
}

int SettingsPageModel::OptionState() {
    std::int32_t state = 0;
    doc_->ReadKeyInt("DefState", state, kBlockScope, 0);
    doc_->GetControlState(sectionName, optionName_, state);
    int matched = state;
    doc_->MatchActionState("BitValState%d", kBlockScope, matched);
    return matched;
}

ButtonModel& SettingsPageModel::AddButton(int kind, const std::string& text, int xPosition,
                                          int height) {
    int left = 350;
    int right = 680;
    int top = rightY_;
    bool leftColumn = false;
    switch (xPosition) {
    case 0:
        left = 10;
        right = 340;
        top = leftY_;
        leftColumn = true;
        break;
    case 2:
        left = 175;
        right = 340;
        top = leftY_ - height;
        leftColumn = true;
        break;
    case 3:
        left = 515;
        right = 680;
        top = rightY_ - height;
        break;
    default:
        break;
    }
    int bottom = top + height;
    if (kind == ButtonModel::kRadioButton) {
        left += 15;
        right -= 15;
    } else if (kind == ButtonModel::kPushButton) {
        right = left + 140;
        bottom += 5;
    }
    (leftColumn ? leftY_ : rightY_) = top + height + 5;

    auto button = std::make_unique<ButtonModel>(services_.ids);
    button->rect = {left, top, right, bottom};
    button->text = text;
    button->logicalName = optionName_;
    button->helpText = optionHelp_;
    button->index = static_cast<int>(buttons_.size());
    button->tabOrder = totalControls_;
    buttons_.push_back(std::move(button));
    ++totalControls_;
    return *buttons_.back();
}

void SettingsPageModel::BuildOption(const std::string& type) {
    optionName_.clear();
    optionDisplay_.clear();
    optionHelp_.clear();
    doc_->ReadKeyText("LogicalName", optionName_, 51, kBlockScope);
    doc_->ReadKeyText("DisplayName", optionDisplay_, 81, kBlockScope);
    std::int32_t xPosition = 0;
    std::int32_t ySpace = 0;
    doc_->ReadKeyInt("xPosition", xPosition, kBlockScope, 0);
    doc_->ReadKeyInt("ySpace", ySpace, kBlockScope, 0);

    int condition = 0;
    if (doc_->ApplyActionList("EnableCondition", kBlockScope, nullptr, &condition) !=
            kMissingValue &&
        condition != 1)
        return;

    int radios = 0;
    if (type == "RadioButton") {
        std::string text;
        while (doc_->ReadKeyString(Numbered("TxtState", radios), text, kBlockScope))
            ++radios;
    }

    // Options beyond a list's capacity are left out, as if disabled.
    const bool fits =
        (type == "ComboBox" && combos_.size() < kMaxComboBoxes) ||
        ((type == "CheckBox" || type == "PushButton") && buttons_.size() < kMaxButtons) ||
        (type == "RadioButton" &&
         buttons_.size() + static_cast<std::size_t>(radios) + 1 <= kMaxButtons) ||
        (type == "EditBox" && edits_.size() < kMaxEditBoxes) ||
        (type == "TextBox" && texts_.size() < kMaxTextBoxes) ||
        (type != "ComboBox" && type != "CheckBox" && type != "PushButton" &&
         type != "RadioButton" && type != "EditBox" && type != "TextBox");
    if (!fits)
        return;

    doc_->ReadKeyString("HelpText", optionHelp_, kBlockScope);
    (xPosition == 0 || xPosition == 2 ? leftY_ : rightY_) += ySpace;

    if (type == "ComboBox") {
        const bool leftColumn = xPosition == 0;
        const int left = leftColumn ? 10 : 350;
        const int right = leftColumn ? 340 : 680;
        const int y = leftColumn ? leftY_ : rightY_;
        auto combo = std::make_unique<ComboBoxModel>(services_.ids);
        combo->logicalName = optionName_;
        combo->helpText = optionHelp_;
        combo->index = static_cast<int>(combos_.size());
        combo->label = MakeLabel(left, y, right, optionDisplay_);
        combo->rect = {left, y + 20, right, y + 195};
        doc_->ReadKeyInt("GlobalInfluence", combo->globalInfluence, kBlockScope);
        std::string entry;
        for (int i = 0; doc_->ReadKeyString(Numbered("ListTxt", i), entry, kBlockScope); ++i)
            combo->entries.push_back(entry);
        int state = OptionState();
        if (state < 0 || state >= static_cast<int>(combo->entries.size()))
            state = 0;
        combo->selected = combo->entries.empty() ? -1 : state;
        doc_->ApplyActionList(Numbered("BitValState", state), kBlockScope, nullptr, nullptr);
        (leftColumn ? leftY_ : rightY_) = y + 60;
        combo->tabOrder = totalControls_;
        combos_.push_back(std::move(combo));
        ++totalControls_;
    } else if (type == "CheckBox") {
        int state = OptionState();
        if (state < 0 || state > 1)
            state = 0;
        ButtonModel& box = AddButton(ButtonModel::kCheckBox, optionDisplay_, xPosition, 20);
        box.SetupFromDefinition(ButtonModel::kCheckBox, doc_, *this);
        box.checked = state == 1;
        doc_->ApplyActionList(Numbered("BitValState", state), kBlockScope, nullptr, nullptr);
    } else if (type == "PushButton") {
        ButtonModel& button = AddButton(ButtonModel::kPushButton, optionDisplay_, xPosition, 20);
        button.SetupFromDefinition(ButtonModel::kPushButton, doc_, *this);
    } else if (type == "RadioButton") {
        const int state = OptionState();
        int& column = xPosition != 0 ? rightY_ : leftY_;
        column += 25;
        const int wanted = state < 0 ? 0 : state;
        const std::size_t first = buttons_.size();
        bool anyChecked = false;
        for (int i = 0; i < radios; ++i) {
            std::string text;
            doc_->ReadKeyString(Numbered("TxtState", i), text, kBlockScope);
            ButtonModel& radio = AddButton(ButtonModel::kRadioButton, text, xPosition, 20);
            radio.SetupFromDefinition(ButtonModel::kRadioButton, doc_, *this);
            radio.radioIndex = i;
            radio.groupStart = i == 0;
            radio.tabStop = i == 0;
            radio.checked = i == wanted;
            anyChecked = anyChecked || radio.checked;
        }
        if (!anyChecked && radios > 0)
            buttons_[first]->checked = true;
        column -= radios * 25 + 20;
        ButtonModel& group =
            AddButton(ButtonModel::kGroupBox, optionDisplay_, xPosition, radios * 25 + 25);
        group.SetupFromDefinition(ButtonModel::kGroupBox, doc_, *this);
        group.tabStop = false;
        column += 10;
    } else if (type == "EditBox" || type == "TextBox") {
        const bool isText = type == "TextBox";
        const bool fullWidth = isText && xPosition == 4;
        int x = 350;
        int y = rightY_;
        bool leftColumn = false;
        if (xPosition == 0 || fullWidth) {
            x = 10;
            y = leftY_;
            leftColumn = xPosition == 0;
        } else if (xPosition == 2) {
            x = 175;
            y = leftY_ - 60;
            leftColumn = true;
        } else if (xPosition == 3) {
            x = 515;
            y = rightY_ - 60;
        }
        const int width = fullWidth ? 680 : 140;
        const ControlRect field{x, y + 20, x + width, fullWidth ? y + 320 : y + 40};
        (leftColumn ? leftY_ : rightY_) = y + 60;
        if (isText) {
            auto text = std::make_unique<TextBoxModel>(services_.ids);
            text->logicalName = optionName_;
            text->helpText = optionHelp_;
            text->index = static_cast<int>(texts_.size());
            text->label = MakeLabel(x, y, x + width, optionDisplay_);
            text->rect = field;
            text->fullWidth = fullWidth;
            text->tabOrder = totalControls_;
            texts_.push_back(std::move(text));
            ++totalControls_;
            texts_.back()->SetupFromDefinition(*doc_, *this);
        } else {
            auto edit = std::make_unique<EditBoxModel>(services_.ids);
            edit->logicalName = optionName_;
            edit->helpText = optionHelp_;
            edit->index = static_cast<int>(edits_.size());
            edit->label = MakeLabel(x, y, x + width, optionDisplay_);
            edit->rect = field;
            edit->tabOrder = totalControls_;
            edits_.push_back(std::move(edit));
            ++totalControls_;
            edits_.back()->SetupFromDefinition(*doc_, *this);
        }
    }
}

EditBoxModel* SettingsPageModel::FindEditByLogicalName(const std::string& name) {
    for (const auto& edit : edits_) {
        if (edit->logicalName == name)
            return edit.get();
    }
    return nullptr;
}

// --- User actions ------------------------------------------------------------------------

namespace {

// A control's label as a step of the history names it: without its mnemonic marks and
// the colon it ends with; the logical name when it has no label.
std::string StepName(const StaticModel* label, const std::string& fallback) {
    std::string name;
    if (label) {
        for (char c : label->text) {
            if (c != '&')
                name += c;
        }
    }
    while (!name.empty() && (name.back() == ':' || name.back() == ' '))
        name.pop_back();
    return name.empty() ? fallback : name;
}

} // namespace

// One user action on a page is one step of the calibration's history, and the influence
// it asks for is carried out inside that step: a rebuild it causes belongs to it.
class SettingsPageModel::UserAction {
public:
    UserAction(SettingsPageModel& page, std::string name, const void* mergeKey = nullptr) {
        if (page.doc_)
            step_.emplace(*page.doc_, std::move(name), ChangeNaming::kAsGiven, mergeKey);
        batch_.emplace(page);
    }

private:
    // Declared in this order so that the batch is over before the step closes.
    std::optional<ChangeScope> step_;
    std::optional<Batch> batch_;
};

void SettingsPageModel::OnComboSelChange(int comboIndex, int entry) {
    if (retired_)
        return;
    if (!doc_ || comboIndex < 0 || static_cast<std::size_t>(comboIndex) >= combos_.size())
        return;
    ComboBoxModel& combo = *combos_[static_cast<std::size_t>(comboIndex)];
    // A transmission type names its own step.
    UserAction action(*this, !combo.selection       ? StepName(combo.label.get(), combo.logicalName)
                             : IsTransmissionPage() ? std::string()
                                                    : StepName(selectionLabel_.get(), sectionName));
    combo.selected = entry;
    const int influence = combo.globalInfluence;
    if (combo.selection) {
        if (IsTransmissionPage()) {
            applyingTransmission_ = true;
            ApplyTransmissionType();
            ClearUserOptions();
            if (sheet_)
                sheet_->RebuildPages();
            applyingTransmission_ = false;
            SelectSection();
            ShowPicture();
            BuildOptionsNow();
            return;
        }
        ApplyItemSelection();
        ClearUserOptions();
        ShowPicture();
        BuildOptionsNow();
        RequestInfluence(influence);
        return;
    }
    std::int32_t state = entry;
    doc_->SetControlState(sectionName, combo.logicalName, state);
    SelectSection();
    if (doc_->FindBlockByLogicalName("UserOption", combo.logicalName))
        doc_->ApplyActionList(Numbered("BitValState", state), kBlockScope, nullptr, nullptr);
    RequestInfluence(influence);
}

void SettingsPageModel::OnButtonClicked(int buttonIndex, bool checkedAfterClick) {
    ButtonModel* clicked = Live(buttons_, buttonIndex);
    if (!clicked)
        return;
    UserAction action(*this,
                      clicked->Caption().empty() ? clicked->logicalName : clicked->Caption());
    ButtonModel& button = *clicked;
    if (button.radioIndex >= 0 && checkedAfterClick) {
        // The platform unchecks the other buttons of the group, whatever their blocks are
        // called: two options may share a LogicalName, two groups never share a button.
        const auto [first, last] = RadioGroup(buttonIndex);
        for (int i = first; i <= last; ++i) {
            if (i != buttonIndex)
                buttons_[static_cast<std::size_t>(i)]->checked = false;
        }
    }
    button.Click(checkedAfterClick);
}

std::pair<int, int> SettingsPageModel::RadioGroup(int buttonIndex) const {
    const auto count = static_cast<int>(buttons_.size());
    const auto radio = [this](int i) { return buttons_[static_cast<std::size_t>(i)].get(); };
    if (buttonIndex < 0 || buttonIndex >= count || radio(buttonIndex)->radioIndex < 0)
        return {-1, -1};
    // A block's buttons are made one after the other, numbered from 0.
    const int first = buttonIndex - radio(buttonIndex)->radioIndex;
    int last = buttonIndex;
    while (last + 1 < count && radio(last + 1)->radioIndex == radio(last)->radioIndex + 1)
        ++last;
    return {first, last};
}

int SettingsPageModel::OnRadioArrow(int buttonIndex, int step) {
    if (!Live(buttons_, buttonIndex))
        return -1;
    const auto [first, last] = RadioGroup(buttonIndex);
    if (first < 0)
        return -1;
    const int size = last - first + 1;
    const int next = first + ((buttonIndex - first + step) % size + size) % size;
    OnButtonClicked(next, true);
    return next;
}

void SettingsPageModel::OnEditCommit(int editIndex, const std::string& text) {
    EditBoxModel* edit = Live(edits_, editIndex);
    if (!edit)
        return;
    UserAction action(*this, StepName(edit->label.get(), edit->logicalName));
    edit->SetText(text);
    edit->CommitText();
}

void SettingsPageModel::OnEditKeyDown(int editIndex, const std::string& text, int key,
                                      int repeatCount, bool shift) {
    EditBoxModel* edit = Live(edits_, editIndex);
    if (!edit)
        return;
    UserAction action(*this, StepName(edit->label.get(), edit->logicalName));
    edit->SetText(text);
    edit->KeyDown(key, repeatCount, shift);
}

void SettingsPageModel::OnEditWheel(int editIndex, int delta) {
    EditBoxModel* edit = Live(edits_, editIndex);
    if (!edit)
        return;
    UserAction action(*this, StepName(edit->label.get(), edit->logicalName));
    edit->Wheel(delta);
}

void SettingsPageModel::OnEditFocusLost(int editIndex, const std::string& text) {
    EditBoxModel* edit = Live(edits_, editIndex);
    if (!edit)
        return;
    UserAction action(*this, StepName(edit->label.get(), edit->logicalName));
    edit->SetText(text);
    edit->FocusLost();
}

void SettingsPageModel::OnEditTextEdited(int editIndex, const std::string& text) {
    if (EditBoxModel* edit = Live(edits_, editIndex))
        edit->SetText(text);
}

void SettingsPageModel::OnKillActive() {
    if (retired_)
        return;
    // Leaving the page stores what was typed into its fields.
    std::string name;
    for (const auto& edit : edits_) {
        if (name.empty() && edit->HasTypedText())
            name = StepName(edit->label.get(), edit->logicalName);
    }
    UserAction action(*this, name);
    // By index: a stored value may ask for the page's options to be rebuilt, which happens
    // only when the batch is over.
    for (std::size_t i = 0; i < edits_.size(); ++i) {
        if (edits_[i]->HasTypedText())
            edits_[i]->FocusLost();
    }
}

void SettingsPageModel::OnTextChanged(int textIndex, const std::string& text) {
    TextBoxModel* textBox = Live(texts_, textIndex);
    if (!textBox)
        return;
    // Typing into one box is one step, however many characters.
    UserAction action(*this, StepName(textBox->label.get(), textBox->logicalName), textBox);
    textBox->StoreText(text);
}

void SettingsPageModel::OnHelp(ControlClass kind, int index) {
    if (index < 0)
        return;
    const auto at = static_cast<std::size_t>(index);
    const std::string* help = nullptr;
    if (kind == ControlClass::kEdit && at < edits_.size())
        help = &edits_[at]->helpText;
    else if (kind == ControlClass::kText && at < texts_.size())
        help = &texts_[at]->helpText;
    else if (kind == ControlClass::kButton && at < buttons_.size())
        help = &buttons_[at]->helpText;
    else if (kind == ControlClass::kCombo && at < combos_.size())
        help = &combos_[at]->helpText;
    if (help)
        ShowControlHelp(doc_, *help, services_.applicationTitle);
}

} // namespace vexa
