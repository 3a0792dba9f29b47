#pragma once
// CDynamicComboBox: a drop-down list of a settings page, either the page's SelectionCombo
// (items of a section, or the transmission catalogue) or a UserOption ComboBox. The user's
// pick goes to the page's OnComboSelChange; the field occupies the top of the model's
// rectangle, whose height is the room its open list may take.
#include "settings_ui/dynamiccontrol.h"

#include <QComboBox>

namespace vexa {

class CDynamicComboBox : public QComboBox, public DynamicControl {
    Q_OBJECT
public:
    // Height of the closed field in pixels.
    static constexpr int kFieldHeight = 22;

    // The label (DisplayName above the field) is created beside the box and owned by it.
    CDynamicComboBox(QWidget* parent, ControlIdSource& ids, CSettingsPage* page, int index,
                     const ComboBoxModel& model);
    ~CDynamicComboBox() override;

    // Copies entries, selection, rectangle and label from the model.
    void Sync(const ComboBoxModel& model);

    int Index() const { return index_; }
    bool IsSelectionCombo() const { return selection_; }
    CDynamicStatic* Label() const { return label_; }
    // The model's rectangle: field and open list.
    QRect ModelRect() const { return modelRect_; }
    void Detach() override;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    bool event(QEvent* event) override;

private:
    void OnIndexChanged(int entry);

    int index_;
    bool selection_;
    bool syncing_ = false;
    QRect modelRect_;
    QPointer<CDynamicStatic> label_;
};

} // namespace vexa
