#include "settings_ui/dynamictext.h"

#include "settings_ui/settingspage.h"
#include "uicommon/controlwidget.h"
#include "uicommon/textcodec.h"

#include <QKeyEvent>
#include <QTextCursor>

namespace vexa {

CDynamicText::CDynamicText(QWidget* parent, ControlIdSource& ids, CSettingsPage* page, int index,
                           const TextBoxModel& model)
    : QPlainTextEdit(parent), DynamicControl(*this, ids, page), index_(index) {
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setTabChangesFocus(true);
    setFocusPolicy(Qt::StrongFocus);
    if (model.label)
        label_ = new CDynamicStatic(parent);
    connect(this, &QPlainTextEdit::textChanged, this, &CDynamicText::OnTextChanged);
    Sync(model);
}

CDynamicText::~CDynamicText() {
    delete label_.data();
}

void CDynamicText::Detach() {
    DynamicControl::Detach();
    hide();
    if (label_)
        label_->hide();
}

void CDynamicText::Sync(const TextBoxModel& model) {
    setGeometry(ToQRect(model.rect));
    const QString shown = FromWindows1252(model.Text());
    if (toPlainText() != shown) {
        syncing_ = true;
        setPlainText(shown);
        syncing_ = false;
    }
    if (label_ && model.label)
        SyncStatic(*label_, *model.label);
    SetAccessibleTexts(*this, model.label.get(), model.helpText);
}

void CDynamicText::OnTextChanged() {
    if (syncing_)
        return;
    if (CSettingsPage* page = Page())
        page->TextChanged(index_, ToWindows1252(toPlainText()));
}

void CDynamicText::focusInEvent(QFocusEvent* event) {
    QPlainTextEdit::focusInEvent(event);
    QTextCursor cursor = textCursor();
    cursor.clearSelection();
    setTextCursor(cursor);
}

void CDynamicText::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F1) {
        if (CSettingsPage* page = Page())
            page->Help(SettingsPageModel::ControlClass::kText, index_);
        event->accept();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

bool CDynamicText::event(QEvent* event) {
    if (ClaimHelpKey(event))
        return true;
    if (event->type() == QEvent::WhatsThis || event->type() == QEvent::QueryWhatsThis) {
        if (event->type() == QEvent::WhatsThis && Page())
            Page()->Help(SettingsPageModel::ControlClass::kText, index_);
        event->accept();
        return true;
    }
    return QPlainTextEdit::event(event);
}

} // namespace vexa
