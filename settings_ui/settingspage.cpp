#include "settings_ui/settingspage.h"

#include "settings_ui/dynamicpropertysheet.h"

#include <QEvent>
#include <QFont>
#include <QKeyEvent>

#include <algorithm>
#include <utility>

namespace vexa {

QSize PageTemplateSize(int templateId) {
    const bool large = templateId == 144;
    const int width = large ? 471 : 355;
    const int height = large ? 262 : 197;
    return QSize((width * 6 + 2) / 4, (height * 13 + 4) / 8);
}

CSettingsPage::CSettingsPage(SettingsPageModel& model, ControlIdSource& ids,
                             CDynamicPropertySheet* sheet, QWidget* parent)
    : QWidget(parent), model_(&model), ids_(ids), sheet_(sheet) {
    setFixedSize(PageTemplateSize(model.TemplateId()));
    setFocusPolicy(Qt::NoFocus);
    // The pixel layout is made for the 8-point dialog font of the page templates.
    QFont dialogFont = font();
    dialogFont.setPointSize(8);
    setFont(dialogFont);
}

CSettingsPage::~CSettingsPage() {
    // The controls go with the page; they must not forward anything while they do.
    Detach();
}

void CSettingsPage::Detach() {
    model_ = nullptr;
    for (CDynamicEdit* edit : edits_)
        edit->Detach();
    for (CDynamicText* text : texts_)
        text->Detach();
    for (CDynamicButton* button : buttons_)
        button->Detach();
    for (CDynamicComboBox* combo : combos_)
        combo->Detach();
}

bool CSettingsPage::Activate() {
    if (!model_)
        return false;
    const bool active = model_->OnSetActive();
    SyncControls();
    return active;
}

CDynamicComboBox* CSettingsPage::SelectionCombo() const {
    if (!model_ || model_->SelectionComboIndex() < 0)
        return nullptr;
    const auto at = static_cast<std::size_t>(model_->SelectionComboIndex());
    return at < combos_.size() ? combos_[at] : nullptr;
}

// --- Forwarding ----------------------------------------------------------------------------

template <typename Action> void CSettingsPage::Forward(Action action) {
    if (!model_)
        return;
    if (sheet_) {
        // The sheet brings every page in line afterwards: the action may rebuild it.
        sheet_->BeginPageAction();
        action(*model_);
        sheet_->EndPageAction();
        return;
    }
    action(*model_);
    SyncControls();
}

void CSettingsPage::ComboSelChange(int comboIndex, int entry) {
    Forward([&](SettingsPageModel& page) { page.OnComboSelChange(comboIndex, entry); });
}

void CSettingsPage::ButtonClicked(int buttonIndex, bool checkedAfterClick) {
    Forward([&](SettingsPageModel& page) { page.OnButtonClicked(buttonIndex, checkedAfterClick); });
}

void CSettingsPage::RadioArrow(int buttonIndex, int step) {
    int chosen = -1;
    const QPointer<CSettingsPage> self(this);
    Forward([&](SettingsPageModel& page) { chosen = page.OnRadioArrow(buttonIndex, step); });
    if (self && chosen >= 0 && static_cast<std::size_t>(chosen) < buttons_.size())
        buttons_[static_cast<std::size_t>(chosen)]->setFocus(Qt::TabFocusReason);
}

void CSettingsPage::EditKeyDown(int editIndex, const std::string& text, int key, int repeatCount,
                                bool shift) {
    Forward([&](SettingsPageModel& page) {
        page.OnEditKeyDown(editIndex, text, key, repeatCount, shift);
    });
}

void CSettingsPage::EditWheel(int editIndex, int delta) {
    Forward([&](SettingsPageModel& page) { page.OnEditWheel(editIndex, delta); });
}

void CSettingsPage::EditFocusLost(int editIndex, const std::string& text) {
    Forward([&](SettingsPageModel& page) { page.OnEditFocusLost(editIndex, text); });
}

void CSettingsPage::EditTextEdited(int editIndex, const std::string& text) {
    if (model_)
        model_->OnEditTextEdited(editIndex, text);
}

void CSettingsPage::TextChanged(int textIndex, const std::string& text) {
    Forward([&](SettingsPageModel& page) { page.OnTextChanged(textIndex, text); });
}

void CSettingsPage::Help(SettingsPageModel::ControlClass kind, int index) {
    if (model_)
        model_->OnHelp(kind, index);
}

bool CSettingsPage::event(QEvent* event) {
    // F1 over no control is the sheet's (its help on the tabs); the page has none.
    if (event->type() == QEvent::WhatsThis || event->type() == QEvent::QueryWhatsThis) {
        event->ignore();
        return false;
    }
    return QWidget::event(event);
}

// --- Widgets from the model ----------------------------------------------------------------

void CSettingsPage::SyncControls() {
    if (!model_)
        return;
    const bool sameCounts = edits_.size() == model_->EditBoxes().size() &&
                            texts_.size() == model_->TextBoxes().size() &&
                            buttons_.size() == model_->Buttons().size() &&
                            combos_.size() == model_->ComboBoxes().size();
    if (generation_ != model_->OptionsGeneration() || !sameCounts ||
        model_->SelectionCombo() != selectionModel_)
        RecreateOptions();
    else
        UpdateOptions();
    SyncSelectionArea();
}

void CSettingsPage::ClearOptions() {
    // Replaced widgets may be the ones whose action caused the rebuild: they are hidden
    // and detached now and deleted once control is back in the event loop.
    const auto retire = [](auto* widget) {
        widget->Detach();
        widget->deleteLater();
    };
    for (CDynamicEdit* edit : edits_)
        retire(edit);
    for (CDynamicText* text : texts_)
        retire(text);
    for (CDynamicButton* button : buttons_)
        retire(button);
    CDynamicComboBox* kept = nullptr;
    for (CDynamicComboBox* combo : combos_) {
        if (combo->IsSelectionCombo() && model_->SelectionCombo() == selectionModel_ &&
            selectionModel_)
            kept = combo;
        else
            retire(combo);
    }
    edits_.clear();
    texts_.clear();
    buttons_.clear();
    combos_.clear();
    if (kept)
        combos_.push_back(kept);
}

void CSettingsPage::RecreateOptions() {
    ClearOptions();
    CDynamicComboBox* kept = combos_.empty() ? nullptr : combos_.front();
    combos_.clear();
    selectionModel_ = model_->SelectionCombo();
    generation_ = model_->OptionsGeneration();

    const auto& combos = model_->ComboBoxes();
    for (std::size_t i = 0; i < combos.size(); ++i) {
        const int index = static_cast<int>(i);
        CDynamicComboBox* combo = nullptr;
        if (index == model_->SelectionComboIndex() && kept) {
            combo = kept;
            combo->Sync(*combos[i]);
        } else {
            combo = new CDynamicComboBox(this, ids_, this, index, *combos[i]);
        }
        combos_.push_back(combo);
    }
    const auto& edits = model_->EditBoxes();
    for (std::size_t i = 0; i < edits.size(); ++i)
        edits_.push_back(new CDynamicEdit(this, ids_, this, static_cast<int>(i), *edits[i]));
    const auto& texts = model_->TextBoxes();
    for (std::size_t i = 0; i < texts.size(); ++i)
        texts_.push_back(new CDynamicText(this, ids_, this, static_cast<int>(i), *texts[i]));
    const auto& buttons = model_->Buttons();
    for (std::size_t i = 0; i < buttons.size(); ++i)
        buttons_.push_back(new CDynamicButton(this, ids_, this, static_cast<int>(i), *buttons[i]));

    const auto show = [](QWidget* widget) {
        widget->show();
        if (auto* control = dynamic_cast<CDynamicComboBox*>(widget); control && control->Label())
            control->Label()->show();
    };
    for (CDynamicComboBox* combo : combos_)
        show(combo);
    for (CDynamicEdit* edit : edits_) {
        edit->show();
        if (edit->Label())
            edit->Label()->show();
    }
    for (CDynamicText* text : texts_) {
        text->show();
        if (text->Label())
            text->Label()->show();
    }
    for (CDynamicButton* button : buttons_) {
        button->show();
        if (button->Kind() == ButtonModel::kGroupBox)
            button->lower();
    }
    SetTabOrder();
}

void CSettingsPage::SetTabOrder() {
    // Tab goes through the options as the definition lists them, whatever their kind.
    std::vector<std::pair<int, QWidget*>> order;
    const auto add = [&order](const auto& widgets, const auto& models) {
        for (std::size_t i = 0; i < widgets.size() && i < models.size(); ++i)
            order.emplace_back(models[i]->tabOrder, widgets[i]);
    };
    add(combos_, model_->ComboBoxes());
    add(edits_, model_->EditBoxes());
    add(texts_, model_->TextBoxes());
    add(buttons_, model_->Buttons());
    std::stable_sort(order.begin(), order.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (std::size_t i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1].second, order[i].second);
}

void CSettingsPage::UpdateOptions() {
    const auto& combos = model_->ComboBoxes();
    for (std::size_t i = 0; i < combos_.size(); ++i)
        combos_[i]->Sync(*combos[i]);
    const auto& edits = model_->EditBoxes();
    for (std::size_t i = 0; i < edits_.size(); ++i)
        edits_[i]->Sync(*edits[i]);
    const auto& texts = model_->TextBoxes();
    for (std::size_t i = 0; i < texts_.size(); ++i)
        texts_[i]->Sync(*texts[i]);
    const auto& buttons = model_->Buttons();
    for (std::size_t i = 0; i < buttons_.size(); ++i)
        buttons_[i]->Sync(*buttons[i]);
}

void CSettingsPage::SyncSelectionArea() {
    const auto place = [this](QPointer<CDynamicStatic>& widget, const StaticModel* model) {
        if (!model) {
            delete widget.data();
            return;
        }
        if (!widget)
            widget = new CDynamicStatic(this);
        SyncStatic(*widget, *model);
    };
    place(selectionLabel_, model_->SelectionLabel());
    if (CDynamicComboBox* combo = SelectionCombo(); combo && selectionLabel_)
        combo->setAccessibleName(selectionLabel_->text());
    place(description_, model_->Description());
    if (description_)
        description_->setWordWrap(true);
    place(picture_, model_->Picture());
}

} // namespace vexa
