#pragma once
// CSettingsPage: one tab of the settings sheets, showing a SettingsPageModel. The widgets
// sit at the model's pixel rectangles: the selection area at the top (label, SelectionCombo,
// description and picture) and one control per UserOption block below it. The page
// forwards every user action to its model and then brings its widgets in line again:
// when the model rebuilt its options (OptionsGeneration) the option widgets are replaced,
// otherwise their texts, checks and selections are copied back. Inside a sheet, the sheet
// does this for all of its pages, since an action may rebuild the sheet itself.
#include "settings_ui/dynamicbutton.h"
#include "settings_ui/dynamiccombobox.h"
#include "settings_ui/dynamiccontrol.h"
#include "settings_ui/dynamicedit.h"
#include "settings_ui/dynamictext.h"
#include "settings_ui/modelsettingspage.h"

#include <QPointer>
#include <QWidget>

#include <vector>

namespace vexa {

class CDynamicPropertySheet;

// The size in pixels of a page template (355 x 197 or 471 x 262 dialog units of the
// 8-point dialog font, 6 x 13 pixels a base unit).
QSize PageTemplateSize(int templateId);

class CSettingsPage : public QWidget {
    Q_OBJECT
public:
    // model: not owned; sheet: the sheet widget holding the page (none on its own).
    CSettingsPage(SettingsPageModel& model, ControlIdSource& ids,
                  CDynamicPropertySheet* sheet = nullptr, QWidget* parent = nullptr);
    ~CSettingsPage() override;

    // The model's activation (first display included), then the widgets. false: the page
    // refuses to become active (a placeholder).
    bool Activate();
    // Brings the widgets in line with the model.
    void SyncControls();
    // The sheet retired the model: the page and its controls ignore every action.
    void Detach();
    SettingsPageModel* Model() const { return model_; }

    // --- What the controls forward (the caller must not touch itself afterwards) -------
    void ComboSelChange(int comboIndex, int entry);
    void ButtonClicked(int buttonIndex, bool checkedAfterClick);
    // An arrow key on a radio button: the next or previous button of its group is chosen
    // and takes the focus.
    void RadioArrow(int buttonIndex, int step);
    void EditKeyDown(int editIndex, const std::string& text, int key, int repeatCount, bool shift);
    void EditWheel(int editIndex, int delta);
    void EditFocusLost(int editIndex, const std::string& text);
    // Typing: the model holds the text until it is committed; nothing else changes.
    void EditTextEdited(int editIndex, const std::string& text);
    void TextChanged(int textIndex, const std::string& text);
    void Help(SettingsPageModel::ControlClass kind, int index);

    // --- The widgets, in the model's order -------------------------------------------
    const std::vector<CDynamicEdit*>& EditBoxes() const { return edits_; }
    const std::vector<CDynamicText*>& TextBoxes() const { return texts_; }
    const std::vector<CDynamicButton*>& Buttons() const { return buttons_; }
    // The SelectionCombo (when the page has one) at its model index, then the options'.
    const std::vector<CDynamicComboBox*>& ComboBoxes() const { return combos_; }
    CDynamicComboBox* SelectionCombo() const;
    CDynamicStatic* SelectionLabel() const { return selectionLabel_; }
    CDynamicStatic* Description() const { return description_; }
    CDynamicStatic* Picture() const { return picture_; }

protected:
    bool event(QEvent* event) override;

private:
    template <typename Action> void Forward(Action action);
    void RecreateOptions();
    void SetTabOrder();
    void ClearOptions();
    void SyncSelectionArea();
    void UpdateOptions();

    SettingsPageModel* model_;
    ControlIdSource& ids_;
    CDynamicPropertySheet* sheet_;
    int generation_ = -1;
    const ComboBoxModel* selectionModel_ = nullptr;
    std::vector<CDynamicEdit*> edits_;
    std::vector<CDynamicText*> texts_;
    std::vector<CDynamicButton*> buttons_;
    std::vector<CDynamicComboBox*> combos_;
    QPointer<CDynamicStatic> selectionLabel_;
    QPointer<CDynamicStatic> description_;
    QPointer<CDynamicStatic> picture_;
    std::string shownPicture_;
};

} // namespace vexa
