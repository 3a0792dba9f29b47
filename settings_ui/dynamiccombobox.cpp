#include "settings_ui/dynamiccombobox.h"

#include "settings_ui/settingspage.h"
#include "uicommon/controlwidget.h"
#include "uicommon/textcodec.h"

#include <QAbstractItemView>
#include <QKeyEvent>
#include <QWheelEvent>

namespace vexa {

CDynamicComboBox::CDynamicComboBox(QWidget* parent, ControlIdSource& ids, CSettingsPage* page,
                                   int index, const ComboBoxModel& model)
    : QComboBox(parent), DynamicControl(*this, ids, page), index_(index),
      selection_(model.selection) {
    setEditable(false);
    setFocusPolicy(Qt::StrongFocus);
    setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    if (model.label)
        label_ = new CDynamicStatic(parent);
    connect(this, &QComboBox::currentIndexChanged, this, &CDynamicComboBox::OnIndexChanged);
    Sync(model);
}

CDynamicComboBox::~CDynamicComboBox() {
    delete label_.data();
}

void CDynamicComboBox::Detach() {
    DynamicControl::Detach();
    hide();
    if (label_)
        label_->hide();
}

void CDynamicComboBox::Sync(const ComboBoxModel& model) {
    syncing_ = true;
    modelRect_ = ToQRect(model.rect);
    setGeometry(modelRect_.left(), modelRect_.top(), modelRect_.width(),
                std::min(kFieldHeight, modelRect_.height()));
    // The open list may use the rest of the rectangle.
    const int rowHeight = std::max(1, fontMetrics().height() + 2);
    setMaxVisibleItems(std::max(1, (modelRect_.height() - kFieldHeight) / rowHeight));
    bool same = count() == static_cast<int>(model.entries.size());
    for (int i = 0; same && i < count(); ++i)
        same = itemText(i) == FromWindows1252(model.entries[static_cast<std::size_t>(i)]);
    if (!same) {
        clear();
        for (const std::string& entry : model.entries)
            addItem(FromWindows1252(entry));
    }
    if (currentIndex() != model.selected)
        setCurrentIndex(model.selected);
    if (label_ && model.label)
        SyncStatic(*label_, *model.label);
    SetAccessibleTexts(*this, model.label.get(), model.helpText);
    syncing_ = false;
}

void CDynamicComboBox::OnIndexChanged(int entry) {
    if (syncing_ || entry < 0 || index_ < 0)
        return;
    if (CSettingsPage* page = Page())
        page->ComboSelChange(index_, entry);
}

void CDynamicComboBox::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F1) {
        if (CSettingsPage* page = Page())
            page->Help(SettingsPageModel::ControlClass::kCombo, index_);
        event->accept();
        return;
    }
    QComboBox::keyPressEvent(event);
}

void CDynamicComboBox::wheelEvent(QWheelEvent* event) {
    // A list the pointer merely passes over keeps its choice: only the focused one takes
    // the wheel.
    if (!hasFocus()) {
        event->ignore();
        return;
    }
    QComboBox::wheelEvent(event);
}

bool CDynamicComboBox::event(QEvent* event) {
    if (ClaimHelpKey(event))
        return true;
    if (event->type() == QEvent::WhatsThis || event->type() == QEvent::QueryWhatsThis) {
        if (event->type() == QEvent::WhatsThis && Page())
            Page()->Help(SettingsPageModel::ControlClass::kCombo, index_);
        event->accept();
        return true;
    }
    return QComboBox::event(event);
}

} // namespace vexa
