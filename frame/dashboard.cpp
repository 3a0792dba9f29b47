#include "frame/dashboard.h"

#include "uicommon/textcodec.h"

#include <QDockWidget>

namespace vexa {

namespace {

QRect ToQRect(const DashboardRect& r) {
    return QRect(QPoint(r.left, r.top), QPoint(r.right - 1, r.bottom - 1));
}

// A box of the bar: sunken frame (client edge and static edge), centred text, greyable.
CDynamicStatic* MakeBox(QWidget* parent, ControlIdSource* ids, int pointSize) {
    auto* label = new CDynamicStatic(parent, ids);
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label->setLineWidth(2);
    label->setAlignment(Qt::AlignCenter);
    label->setTextFormat(Qt::PlainText);
    QFont f = label->font();
    f.setPointSize(pointSize);
    label->setFont(f);
    label->setEnabled(false);
    return label;
}

} // namespace

struct CDashboard::Box {
    ~Box() {
        delete value;
        delete caption;
    }
    CDynamicStatic* value = nullptr;
    CDynamicStatic* caption = nullptr;
};

CDashboard::CDashboard(ControlIdSource* ids, QWidget* parent) : QWidget(parent), ids_(ids) {
    model_.onRebuilt = [this] { Rebuild(); };
    model_.onCaptionChanged = [this] { ShowCaption(); };
    model_.onItemChanged = [this](int item) { ShowItem(item); };
    ShowCaption();
}

CDashboard::~CDashboard() {
    // The model may still call back while it unregisters.
    model_.onRebuilt = nullptr;
    model_.onCaptionChanged = nullptr;
    model_.onItemChanged = nullptr;
    boxes_.clear();
}

void CDashboard::Rebuild() {
    boxes_.clear();
    const std::vector<DashboardItem>& items = model_.Items();
    for (const DashboardItem& item : items) {
        auto box = std::make_unique<Box>();
        // Value text in the item's colour on white; a value or caption wider than its box
        // is drawn smaller rather than cut off.
        box->value = MakeBox(this, ids_, kValuePointSize);
        box->value->SetColours(true, item.colour, 0xFFFFFF);
        box->value->setGeometry(ToQRect(item.valueRect));
        box->value->SetFitToWidth(kValuePointSize);
        box->value->SetText(FromWindows1252(item.text));

        box->caption = MakeBox(this, ids_, kCaptionPointSize);
        box->caption->setGeometry(ToQRect(item.captionRect));
        box->caption->SetFitToWidth(kCaptionPointSize);
        box->caption->SetText(FromWindows1252(item.displayName));

        for (CDynamicStatic* label : {box->value, box->caption}) {
            label->RegisterTexts(item.helpText, item.statusBarText, item.toolTip);
            label->setAccessibleDescription(FromWindows1252(item.helpText));
        }
        // The value is read out under its caption.
        box->value->setAccessibleName(FromWindows1252(item.displayName));
        box->value->setEnabled(item.enabled);
        box->caption->setEnabled(item.enabled);
        box->caption->show();
        box->value->show();
        boxes_.push_back(std::move(box));
    }
    setMinimumWidth(items.empty() ? 0 : model_.ContentWidth());
    updateGeometry();
    update();
}

void CDashboard::ShowCaption() {
    const QString caption = QString::fromLatin1(model_.Caption().c_str());
    setWindowTitle(caption);
    // Docked or floating, the dock's title is the bar's caption.
    if (auto* dock = dynamic_cast<QDockWidget*>(parentWidget()))
        dock->setWindowTitle(caption);
}

void CDashboard::ShowItem(int item) {
    const auto i = static_cast<std::size_t>(item);
    if (i >= boxes_.size())
        return;
    const DashboardItem& shown = model_.Items()[i];
    Box& box = *boxes_[i];
    box.value->SetText(FromWindows1252(shown.text));
    box.value->setEnabled(shown.enabled);
    box.caption->setEnabled(shown.enabled);
}

CDynamicStatic* CDashboard::ValueLabel(std::size_t i) const {
    return i < boxes_.size() ? boxes_[i]->value : nullptr;
}

CDynamicStatic* CDashboard::CaptionLabel(std::size_t i) const {
    return i < boxes_.size() ? boxes_[i]->caption : nullptr;
}

int CDashboard::ValueId(std::size_t i) const {
    return i < boxes_.size() ? boxes_[i]->value->ControlId() : 0;
}

int CDashboard::CaptionId(std::size_t i) const {
    return i < boxes_.size() ? boxes_[i]->caption->ControlId() : 0;
}

QSize CDashboard::sizeHint() const {
    return QSize(std::max(model_.ContentWidth(), 200), 90);
}

} // namespace vexa
