#include "frame/dashboardmodel.h"

#include "link/vlxcontroller.h"

namespace vexa {

namespace {

constexpr int kColumnWidth = 90;
constexpr int kColumnGap = 10;
constexpr std::size_t kMaxCaption = 200;

} // namespace

CDashboardModel::~CDashboardModel() {
    // The poller must not call back into a dashboard that is gone.
    if (registeredWith_)
        registeredWith_->stop_polling(slot_);
}

void CDashboardModel::SetGraphView(CGraphEngine* engine, std::function<void()> repaint) {
    engine_ = engine;
    repaint_ = std::move(repaint);
}

CVLXController* CDashboardModel::Link() const {
    return doc_ ? dynamic_cast<CVLXController*>(&doc_->Controller()) : nullptr;
}

int CDashboardModel::BuildFromDefinition() {
    if (!items_.empty() || columns_ != 0 || registeredWith_)
        ClearItems();
    if (!doc_ || !doc_->FindSection("[DataItems]", 0))
        return 0;
    DashboardRect column{10, 10, 10 + kColumnWidth, 80};
    std::string type;
    for (int more = 0; doc_->FindBlock("DataItem", type, more); more = 1) {
        std::int32_t monitored = 0;
        doc_->ReadKeyInt("DefMonState", monitored, kBlockScope, 0);
        if (monitored == 0)
            continue;
        if ((type == "NumericValue" || type == "EnumeratedText") &&
            static_cast<int>(items_.size()) < kMaxItems) {
            DashboardItem item;
            item.column = columns_;
            doc_->ReadKeyText("LogicalName", item.logicalName, 50, kBlockScope, "");
            doc_->ReadKeyText("DisplayName", item.displayName, 80, kBlockScope, "");
            if (item.displayName.size() > kMaxCaption)
                item.displayName.resize(kMaxCaption);
            std::int32_t colour = static_cast<std::int32_t>(kDefaultColour);
            doc_->ReadKeyInt("DefDisplayColor", colour, kBlockScope);
            item.colour = static_cast<std::uint32_t>(colour);
            doc_->ReadKeyString("HelpText", item.helpText, kBlockScope);
            doc_->ReadKeyText("StatusBarTxt", item.statusBarText, 79, kBlockScope);
            doc_->ReadKeyText("ToolTip", item.toolTip, 79, kBlockScope);
            item.valueRect = {column.left + 5, column.top + 20, column.right - 5, column.bottom};
            item.captionRect = {column.left, column.top, column.right, column.top + 20};
            itemOfColumn_.push_back(static_cast<int>(items_.size()));
            items_.push_back(std::move(item));
        } else {
            itemOfColumn_.push_back(-1);
        }
        ++columns_;
        contentRight_ = column.right;
        column.left = column.right + kColumnGap;
        column.right = column.left + kColumnWidth;
    }
    if (onRebuilt)
        onRebuilt();
    if (!items_.empty()) {
        if (CVLXController* link = Link()) {
            slot_ = link->start_polling(this);
            if (slot_ != 0)
                registeredWith_ = link;
        }
        connected_ = 1;
        SetConnected(0);
    }
    return 1;
}

void CDashboardModel::ClearItems() {
    // Only the link still attached to the document knows this registration.
    if (registeredWith_ && Link() == registeredWith_)
        registeredWith_->stop_polling(slot_);
    registeredWith_ = nullptr;
    slot_ = 0;
    items_.clear();
    itemOfColumn_.clear();
    columns_ = 0;
    contentRight_ = 0;
    if (onRebuilt)
        onRebuilt();
    SetConnected(0);
    // After the greying, so an empty dashboard never claims a lost controller.
    SetCaption(kDashboardCaption);
}

void CDashboardModel::SetConnected(int state) {
    const int connected = state != 0 ? 1 : 0;
    if (connected_ == 1 && connected == 0)
        SetCaption(kDashboardNoCommunication);
    else if (connected_ == 0 && connected == 1)
        SetCaption(kDashboardConnected);
    connected_ = connected;
    for (std::size_t i = 0; i < items_.size(); ++i)
        SetItem(i, nullptr, connected == 1);
    if (connected == 0)
        HideCrosshair();
}

void CDashboardModel::OnLiveData(int index, const std::string* text, const float* value) {
    if (index == kPollFailedId) {
        SetConnected(0);
        return;
    }
    if (text && index >= 0 && index < columns_) {
        if (connected_ == 0) {
            SetCaption(kDashboardConnected);
            connected_ = 1;
        }
        const int item = itemOfColumn_[static_cast<std::size_t>(index)];
        if (item >= 0)
            SetItem(static_cast<std::size_t>(item), text, true);
        return;
    }
    if (!value || !engine_)
        return;
    if (index == kCrosshairXId)
        MoveCrosshair(*value, -1000.0f);
    else if (index == kCrosshairYId)
        MoveCrosshair(-1000.0f, *value);
}

void CDashboardModel::OnPollData(int id, const std::string& text, const float* value) {
    // The poller gives a text with every value of a column and none with a coordinate.
    OnLiveData(id, value ? nullptr : &text, value);
}

int CDashboardModel::ItemForColumn(int column) const {
    if (column < 0 || column >= columns_)
        return -1;
    return itemOfColumn_[static_cast<std::size_t>(column)];
}

void CDashboardModel::SetCaption(const char* caption) {
    if (caption_ == caption)
        return;
    caption_ = caption;
    if (onCaptionChanged)
        onCaptionChanged();
}

void CDashboardModel::SetItem(std::size_t i, const std::string* text, bool enabled) {
    DashboardItem& item = items_[i];
    bool changed = item.enabled != enabled;
    item.enabled = enabled;
    if (text && item.text != *text) {
        item.text = *text;
        changed = true;
    }
    if (changed && onItemChanged)
        onItemChanged(static_cast<int>(i));
}

void CDashboardModel::HideCrosshair() {
    if (engine_ && !crosshairHeld_ && engine_->SetCrosshair(-1.0f, -1.0f) && repaint_)
        repaint_();
}

void CDashboardModel::MoveCrosshair(float x, float y) {
    if (!crosshairHeld_ && engine_->SetCrosshair(x, y) && repaint_)
        repaint_();
}

} // namespace vexa
