#pragma once
// The link between a generated control's widget and its ControlIdRegistry entry: the id is
// kept as a property of the widget, so the main window can find the texts of whatever
// widget the pointer rests on or the focus is in.
#include <QKeyEvent>
#include <QWidget>

namespace vexa {

inline constexpr const char* kControlIdProperty = "vexaControlId";

inline void SetControlId(QWidget* widget, int id) {
    widget->setProperty(kControlIdProperty, id);
}

// The id of the widget or of the nearest parent that has one; 0 when none has.
inline int ControlIdOf(const QWidget* widget) {
    for (; widget; widget = widget->parentWidget()) {
        const QVariant id = widget->property(kControlIdProperty);
        if (id.isValid())
            return id.toInt();
        if (widget->isWindow())
            break;
    }
    return 0;
}

// For a generated control's event(): F1 is the control's own (its help text), ahead of a
// window's F1 shortcut. True, with the event accepted, for the shortcut check of a plain F1.
inline bool ClaimHelpKey(QEvent* event) {
    if (event->type() != QEvent::ShortcutOverride)
        return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() != Qt::Key_F1 || key->modifiers() != Qt::NoModifier)
        return false;
    event->accept();
    return true;
}

} // namespace vexa
