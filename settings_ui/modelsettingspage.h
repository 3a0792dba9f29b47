#pragma once
// One tab of the settings sheets (CSettingsPage) as a plain model: the selection area at
// the top (section items, or the transmission catalogue on the transmission page), the
// section's UserOption blocks turned into control models laid out in two pixel columns,
// and what the user's actions on them do to the document.
//
// The widget layer creates the page's widgets from the lists below after OnInitDialog and
// again whenever OptionsGeneration() changes, forwards every user action to the matching
// page operation, and copies the models' states back afterwards. A page operation may
// rebuild the options (GlobalInfluence 8) or, through the document, the sheet's pages
// (GlobalInfluence 4); control models must not be used across such a call.
#include "core/transmissioncatalogue.h"
#include "core/vlxdoc.h"
#include "settings_ui/modelcontrols.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace vexa {

class PropertySheetModel;

// What every page and control of a sheet shares.
struct SettingsModelServices {
    ControlIdSource* ids = nullptr;      // none: every control gets id 0
    ProgramLauncher* launcher = nullptr; // none: programs cannot be started
    std::string applicationTitle = kApplicationTitle;
};

// Wizard buttons.
enum WizardButton : int { kWizardBack = 1, kWizardNext = 2, kWizardFinish = 4 };

class SettingsPageModel : public ControlOwner {
public:
    static constexpr std::size_t kMaxEditBoxes = 15;
    static constexpr std::size_t kMaxTextBoxes = 10;
    static constexpr std::size_t kMaxButtons = 20;
    static constexpr std::size_t kMaxComboBoxes = 10;
    static constexpr std::size_t kMaxCatalogueEntries = 50;
    static constexpr int kMaxItems = 20;
    static constexpr int kTemplateStaticId = 1030;

    // sheet: the sheet holding the page (none for a page on its own).
    SettingsPageModel(int templateId, CVLXDoc* doc, PropertySheetModel* sheet,
                      SettingsModelServices services);
    ~SettingsPageModel() override;
    SettingsPageModel(const SettingsPageModel&) = delete;
    SettingsPageModel& operator=(const SettingsPageModel&) = delete;

    // Set by the sheet before the page is first shown.
    std::string sectionName; // with its brackets; empty for a placeholder page
    std::string title;
    std::string helpText;
    unsigned pageFlags = 0;    // the page record's flags (0x800 hides the wizard header)
    bool questionIcon = false; // the page record carries the question-mark icon

    bool IsTransmissionPage() const { return sectionName == "[ApplicationID]"; }
    bool IsPlaceholder() const { return sectionName.empty(); }
    int TemplateId() const { return templateId_; }
    CVLXDoc* Document() const { return doc_; }

    // --- Lifecycle (the platform's page notifications) -------------------------------
    // First display: the selection area, then the options. Runs once.
    void OnInitDialog();
    bool Initialised() const { return initialised_; }
    // Every activation (runs OnInitDialog first when the page was never shown). false: the
    // page refuses to become active (a placeholder).
    bool OnSetActive();
    // The sheet's apply request.
    void OnApply();
    // The page stops being the current page (another becomes current, or the sheet closes):
    // numbers typed into its fields and not stored yet are stored, as leaving the field
    // would.
    void OnKillActive();
    // The page's window goes away.
    void OnDestroyWindow();

    // --- Options ---------------------------------------------------------------------
    void BuildUserOptions();
    void ClearUserOptions();
    EditBoxModel* FindEditByLogicalName(const std::string& name) override;
    void ShowPicture();
    void SelectCurrentTransmission();
    void ApplyItemSelection();
    void ApplyTransmissionType();

    // --- User actions, by position in the lists below --------------------------------
    void OnComboSelChange(int comboIndex, int entry);
    void OnButtonClicked(int buttonIndex, bool checkedAfterClick);
    // An arrow key on a radio button: the next (step 1) or previous (step -1) button of its
    // group, past either end the one at the other end, is chosen as a click would choose it.
    // Returns its index, or -1 when buttonIndex is not a radio button.
    int OnRadioArrow(int buttonIndex, int step);
    // The first and last button index of the radio group button buttonIndex belongs to: the
    // buttons made for one RadioButton block. {-1, -1} for any other button.
    std::pair<int, int> RadioGroup(int buttonIndex) const;
    void OnEditCommit(int editIndex, const std::string& text);
    void OnEditKeyDown(int editIndex, const std::string& text, int key, int repeatCount,
                       bool shift);
    void OnEditWheel(int editIndex, int delta);
    void OnEditFocusLost(int editIndex, const std::string& text);
    // The user changed the field's text (nothing is stored until it is committed).
    void OnEditTextEdited(int editIndex, const std::string& text);
    void OnTextChanged(int textIndex, const std::string& text);
    // F1 over a control: its help text (the SelectionCombo's is the page's).
    enum class ControlClass { kEdit, kText, kButton, kCombo };
    void OnHelp(ControlClass kind, int index);

    // --- What the widgets show ---------------------------------------------------------
    const std::vector<std::unique_ptr<EditBoxModel>>& EditBoxes() const { return edits_; }
    const std::vector<std::unique_ptr<TextBoxModel>>& TextBoxes() const { return texts_; }
    const std::vector<std::unique_ptr<ButtonModel>>& Buttons() const { return buttons_; }
    const std::vector<std::unique_ptr<ComboBoxModel>>& ComboBoxes() const { return combos_; }
    ComboBoxModel* SelectionCombo() const;
    int SelectionComboIndex() const { return selectionCombo_; }
    const std::vector<SelectionEntry>& Entries() const { return entries_; }
    // The selection area's label, description and picture (present with a SelectionCombo).
    const StaticModel* SelectionLabel() const { return selectionLabel_.get(); }
    const StaticModel* Description() const { return description_.get(); }
    const StaticModel* Picture() const { return picture_.get(); }
    int LeftColumnY() const { return leftY_; }
    int RightColumnY() const { return rightY_; }
    int TotalControlCount() const { return totalControls_; }
    // Grows every time the options are rebuilt.
    int OptionsGeneration() const { return generation_; }
    int WizardButtons() const { return wizardButtons_; }
    // A rebuild of the sheet took the page out; it ignores every further user action.
    void Retire() { retired_ = true; }
    bool Retired() const { return retired_; }
    // Recomputes the wizard buttons from the page's place in its sheet.
    void UpdateWizardButtons() { ComputeWizardButtons(); }

    // --- ControlOwner ------------------------------------------------------------------
    const std::string& SectionName() const override { return sectionName; }
    const std::string& SelectedItemName() const override { return selectedItemName_; }
    void SelectSection() override;
    void RequestInfluence(int flags) override;
    ProgramLauncher* Launcher() override { return services_.launcher; }
    const std::string& ApplicationTitle() const override { return services_.applicationTitle; }

private:
    // The control at index of a list, or nullptr when the page is retired or the index is
    // outside the list (a widget may forward an event for a control already replaced).
    template <typename T> T* Live(std::vector<std::unique_ptr<T>>& list, int index) {
        if (retired_ || index < 0 || static_cast<std::size_t>(index) >= list.size())
            return nullptr;
        return list[static_cast<std::size_t>(index)].get();
    }

    // Holds back influence requests until the outermost build or user action is over.
    class Batch;
    // A user action: one step of the calibration's history around a Batch.
    class UserAction;
    void Flush();
    void BuildOptionsNow();
    void BuildOption(const std::string& type);
    void FillItemSelection();
    void FillTransmissionCatalogue();
    void CreateSelectionArea();
    int OptionState();
    bool Holds(const char* key, int scope);
    std::unique_ptr<StaticModel> MakeLabel(int left, int top, int right, const std::string& text);
    ButtonModel& AddButton(int kind, const std::string& text, int xPosition, int height);
    void ComputeWizardButtons();

    int templateId_;
    CVLXDoc* doc_;
    PropertySheetModel* sheet_;
    SettingsModelServices services_;
    bool initialised_ = false;

    std::vector<std::unique_ptr<EditBoxModel>> edits_;
    std::vector<std::unique_ptr<TextBoxModel>> texts_;
    std::vector<std::unique_ptr<ButtonModel>> buttons_;
    std::vector<std::unique_ptr<ComboBoxModel>> combos_;
    std::vector<SelectionEntry> entries_;
    std::unique_ptr<StaticModel> selectionLabel_;
    std::unique_ptr<StaticModel> description_;
    std::unique_ptr<StaticModel> picture_;
    int selectionCombo_ = -1;
    std::string selectedItemName_;
    int leftY_ = 5;
    int rightY_ = 5;
    int totalControls_ = 0;
    int generation_ = 0;
    int wizardButtons_ = 0;

    // The option being built.
    std::string optionName_;
    std::string optionDisplay_;
    std::string optionHelp_;

    int batchDepth_ = 0;
    int buildDepth_ = 0;
    bool retired_ = false;
    int pendingInfluence_ = 0;
    bool applyingTransmission_ = false;
};

} // namespace vexa
