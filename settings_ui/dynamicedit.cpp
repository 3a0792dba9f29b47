#include "settings_ui/dynamicedit.h"

#include "settings_ui/settingspage.h"
#include "uicommon/controlwidget.h"
#include "uicommon/textcodec.h"

#include <QKeyEvent>
#include <QWheelEvent>

namespace vexa {

CDynamicEdit::CDynamicEdit(QWidget* parent, ControlIdSource& ids, CSettingsPage* page, int index,
                           const EditBoxModel& model)
    : QLineEdit(parent), DynamicControl(*this, ids, page), index_(index) {
    setMaxLength(static_cast<int>(EditBoxModel::kMaxTextLength));
    setFocusPolicy(Qt::StrongFocus);
    if (model.label)
        label_ = new CDynamicStatic(parent);
    // What is typed is held by the model until it is committed, so the page can store it
    // whatever takes the focus away, and bringing the widgets in line does not undo it.
    connect(this, &QLineEdit::textEdited, this, [this] {
        if (CSettingsPage* owner = Page())
            owner->EditTextEdited(index_, TypedText());
    });
    Sync(model);
}

CDynamicEdit::~CDynamicEdit() {
    delete label_.data();
}

void CDynamicEdit::Detach() {
    DynamicControl::Detach();
    hide();
    if (label_)
        label_->hide();
}

void CDynamicEdit::Sync(const EditBoxModel& model) {
    setGeometry(ToQRect(model.rect));
    const QString shown = FromWindows1252(model.Text());
    if (text() != shown)
        setText(shown);
    if (label_ && model.label)
        SyncStatic(*label_, *model.label);
    SetAccessibleTexts(*this, model.label.get(), model.helpText);
}

void CDynamicEdit::keyPressEvent(QKeyEvent* event) {
    CSettingsPage* page = Page();
    const bool shift = (event->modifiers() & Qt::ShiftModifier) != 0;
    const int repeat = std::max(1, event->count());
    int key = 0;
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        key = kKeyReturn;
        break;
    case Qt::Key_Space:
        key = kKeySpace;
        break;
    case Qt::Key_Up:
        key = kKeyUp;
        break;
    case Qt::Key_Down:
        key = kKeyDown;
        break;
    case Qt::Key_F1:
        if (page)
            page->Help(SettingsPageModel::ControlClass::kEdit, index_);
        event->accept();
        return;
    default:
        break;
    }
    if (key == 0) {
        QLineEdit::keyPressEvent(event);
        return;
    }
    // Return stays in the field (it must not press the dialog's default button), and a
    // space is never typed.
    event->accept();
    if (page)
        page->EditKeyDown(index_, TypedText(), key, repeat, shift);
}

void CDynamicEdit::wheelEvent(QWheelEvent* event) {
    // Only the field being edited takes the wheel; over any other the wheel scrolls what
    // lies under the pointer, or nothing.
    if (!hasFocus()) {
        event->ignore();
        return;
    }
    event->accept();
    if (CSettingsPage* page = Page())
        page->EditWheel(index_, event->angleDelta().y());
}

void CDynamicEdit::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    // A field hidden with its page (another tab, Next or Back, the window closing) was
    // committed by the page being left.
    if (CSettingsPage* page = Page(); page && isVisible())
        page->EditFocusLost(index_, TypedText());
}

bool CDynamicEdit::event(QEvent* event) {
    if (ClaimHelpKey(event))
        return true;
    if (event->type() == QEvent::WhatsThis || event->type() == QEvent::QueryWhatsThis) {
        if (event->type() == QEvent::WhatsThis && Page())
            Page()->Help(SettingsPageModel::ControlClass::kEdit, index_);
        event->accept();
        return true;
    }
    return QLineEdit::event(event);
}

} // namespace vexa
