#include "settings_ui/dynamiccontrol.h"

#include "uicommon/controlwidget.h"
#include "uicommon/textcodec.h"

namespace vexa {

QRect ToQRect(const ControlRect& rect) {
    return QRect(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
}

DynamicControl::DynamicControl(QWidget& widget, ControlIdSource& ids, CSettingsPage* page)
    : widget_(widget), id_(&ids), page_(page) {
    SetControlId(&widget_, id_.Id());
}

void DynamicControl::SetToolTipText(const std::string& text) {
    toolTip_ = text;
    widget_.setToolTip(FromWindows1252(text));
}

void SetAccessibleTexts(QWidget& control, const StaticModel* label, const std::string& help) {
    if (label)
        control.setAccessibleName(FromWindows1252(label->text));
    control.setAccessibleDescription(FromWindows1252(help));
}

void SyncStatic(CDynamicStatic& label, const StaticModel& model) {
    label.setGeometry(ToQRect(model.rect));
    label.SetColours(model.colourFlag, model.textColour, model.backColour);
    if (!model.picturePath.empty() || !label.PicturePath().empty()) {
        if (model.picturePath != label.PicturePath())
            label.SetPicture(model.picturePath);
    } else {
        const QString text = FromWindows1252(model.text);
        label.SetText(text);
        // A label cut off by its rectangle still tells its whole text on hovering.
        const bool cut =
            !label.wordWrap() && label.fontMetrics().horizontalAdvance(text) > label.width();
        label.setToolTip(cut ? text : QString());
    }
    label.setVisible(model.visible);
}

} // namespace vexa
