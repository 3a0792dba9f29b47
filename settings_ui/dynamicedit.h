#pragma once
// CDynamicEdit: a settings page's numeric field (UserOption EditBox). What the keys, the
// wheel and the loss of focus do is the model's (EditBoxModel, through the page): Return,
// line feed and Space commit the typed text, Up and Down step by DeltaIncrement (five
// steps with Shift), a wheel notch steps once, leaving the field commits. The field keeps
// Return for itself, swallows typed spaces and holds at most 70 characters.
#include "settings_ui/dynamiccontrol.h"
#include "uicommon/textcodec.h"

#include <QLineEdit>

namespace vexa {

class CDynamicEdit : public QLineEdit, public DynamicControl {
    Q_OBJECT
public:
    CDynamicEdit(QWidget* parent, ControlIdSource& ids, CSettingsPage* page, int index,
                 const EditBoxModel& model);
    ~CDynamicEdit() override;

    // Copies text, rectangle and label from the model.
    void Sync(const EditBoxModel& model);

    int Index() const { return index_; }
    CDynamicStatic* Label() const { return label_; }
    void Detach() override;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    bool event(QEvent* event) override;

private:
    std::string TypedText() const { return ToWindows1252(text()); }

    int index_;
    QPointer<CDynamicStatic> label_;
};

} // namespace vexa
