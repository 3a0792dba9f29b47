#include "frame/dashboard.h"

#include "frame/controlwidget.h"

#include <QDockWidget>
#include <QLabel>
#include <QPalette>

namespace vexa {

namespace {

QRect ToQRect(const DashboardRect& r) {
    return QRect(QPoint(r.left, r.top), QPoint(r.right - 1, r.bottom - 1));
}

// The boxes' sunken frame (client edge and static edge), centred text, greyable.
QLabel* MakeBox(QWidget* parent, int pointSize) {
    auto* label = new QLabel(parent);
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
    explicit Box(ControlIdAllocator* ids) : valueId(ids), captionId(ids) {}
    ~Box() {
        delete value;
        delete caption;
    }
    ControlIdHold valueId;
    ControlIdHold captionId;
    std::string help;
    QLabel* value = nullptr;
    QLabel* caption = nullptr;
};

CDashboard::CDashboard(ControlIdAllocator* ids, QWidget* parent) : QWidget(parent), ids_(ids) {
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
        auto box = std::make_unique<Box>(ids_);
        box->help = item.helpText;

        box->value = MakeBox(this, kValuePointSize);
        QPalette p = box->value->palette();
        for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
            p.setColor(group, QPalette::WindowText, BarColour(item.colour));
            p.setColor(group, QPalette::Window, Qt::white);
        }
        p.setColor(QPalette::Disabled, QPalette::Window, Qt::white);
        box->value->setPalette(p);
        box->value->setAutoFillBackground(true);
        box->value->setText(BarText(item.text));
        box->value->setGeometry(ToQRect(item.valueRect));

        box->caption = MakeBox(this, kCaptionPointSize);
        box->caption->setText(BarText(item.displayName));
        box->caption->setGeometry(ToQRect(item.captionRect));

        for (ControlIdHold* id : {&box->valueId, &box->captionId})
            id->RegisterTexts(&box->help, item.statusBarText, item.toolTip);
        if (box->valueId.Id() != 0)
            SetControlId(box->value, box->valueId.Id());
        if (box->captionId.Id() != 0)
            SetControlId(box->caption, box->captionId.Id());
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
    const QString text = BarText(shown.text);
    if (box.value->text() != text)
        box.value->setText(text);
    box.value->setEnabled(shown.enabled);
    box.caption->setEnabled(shown.enabled);
}

QLabel* CDashboard::ValueLabel(std::size_t i) const {
    return i < boxes_.size() ? boxes_[i]->value : nullptr;
}

QLabel* CDashboard::CaptionLabel(std::size_t i) const {
    return i < boxes_.size() ? boxes_[i]->caption : nullptr;
}

int CDashboard::ValueId(std::size_t i) const {
    return i < boxes_.size() ? boxes_[i]->valueId.Id() : 0;
}

int CDashboard::CaptionId(std::size_t i) const {
    return i < boxes_.size() ? boxes_[i]->captionId.Id() : 0;
}

QSize CDashboard::sizeHint() const {
    return QSize(std::max(model_.ContentWidth(), 200), 90);
}

} // namespace vexa
