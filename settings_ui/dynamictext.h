#pragma once
// CDynamicText: a settings page's free-text field (UserOption TextBox), bound to a string
// variable or to the control state. Every change of the text is stored at once (the
// page's OnTextChanged); gaining the focus removes any selection.
#include "settings_ui/dynamiccontrol.h"

#include <QPlainTextEdit>

namespace vexa {

class CDynamicText : public QPlainTextEdit, public DynamicControl {
    Q_OBJECT
public:
    CDynamicText(QWidget* parent, ControlIdSource& ids, CSettingsPage* page, int index,
                 const TextBoxModel& model);
    ~CDynamicText() override;

    void Sync(const TextBoxModel& model);

    int Index() const { return index_; }
    CDynamicStatic* Label() const { return label_; }
    void Detach() override;

protected:
    void focusInEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool event(QEvent* event) override;

private:
    void OnTextChanged();

    int index_;
    bool syncing_ = false;
    QPointer<CDynamicStatic> label_;
};

} // namespace vexa
