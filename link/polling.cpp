#include "link/polling.h"

#include "core/vlxdoc.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace vexa {

namespace {

constexpr std::size_t kMaxValueText = 48;
constexpr std::size_t kMaxRangeText = 6;

std::string TrimRight(std::string text) {
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.pop_back();
    return text;
}

std::string Trim(const std::string& text) {
    std::size_t begin = 0;
    while (begin < text.size() && (text[begin] == ' ' || text[begin] == '\t'))
        ++begin;
    return TrimRight(text.substr(begin));
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

} // namespace

void SplitDisplayFormula(const std::string& text, std::string& format, std::string& formula) {
    const std::size_t equals = text.find('=');
    if (equals == std::string::npos || equals == 0) {
        format.clear();
        formula = text;
        return;
    }
    format = TrimRight(text.substr(0, equals));
    formula = Trim(text.substr(equals + 1));
}

bool IsSingleDoubleFormat(const std::string& format) {
    int conversions = 0;
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] != '%')
            continue;
        ++i;
        if (i < format.size() && format[i] == '%')
            continue;
        while (i < format.size() &&
               std::string_view("-+ #0").find(format[i]) != std::string_view::npos)
            ++i;
        // Widths and precisions stay short so the text always fits the formatter's buffer.
        int digits = 0;
        while (i < format.size() && IsDigit(format[i]) && ++digits <= 3)
            ++i;
        if (digits > 3)
            return false;
        if (i < format.size() && format[i] == '.') {
            ++i;
            digits = 0;
            while (i < format.size() && IsDigit(format[i]) && ++digits <= 3)
                ++i;
            if (digits > 3)
                return false;
        }
        if (i < format.size() && format[i] == 'l')
            ++i;
        if (i >= format.size() ||
            std::string_view("fFeEgGaA").find(format[i]) == std::string_view::npos)
            return false;
        ++conversions;
    }
    return conversions == 1;
}

std::string FormatDisplayValue(const std::string& format, double value) {
    char text[256];
    int length = 0;
    if (IsSingleDoubleFormat(format)) {
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
#endif
        length = std::snprintf(text, sizeof text, format.c_str(), value);
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif
    } else {
        length = std::snprintf(text, sizeof text, "%g", value);
    }
    if (length < 0)
        return {};
    std::string result(text);
    if (result.size() > kMaxValueText)
        result.resize(kMaxValueText);
    return result;
}

namespace {

void ReadItem(CVLXDoc& doc, DataItem& item, const std::string& kind) {
    doc.ReadKeyText("LogicalName", item.logicalName, 50, kBlockScope, "");
    doc.ReadKeyText("DisplayName", item.displayName, 80, kBlockScope, "");
    doc.ReadKeyText("Units", item.units, 20, kBlockScope, "");
    doc.ReadKeyInt("DefDisplayColor", item.displayColour, kBlockScope, -1);
    doc.ReadKeyInt("DefMonState", item.monitorState, kBlockScope, 0);
    doc.ReadKeyInt("DefLogState", item.logState, kBlockScope, 0);
    doc.ReadKeyInt("NumTicks", item.numTicks, kBlockScope, 1);
    item.numTicks = std::min(item.numTicks, CDataPoller::kMaxNumTicks);
    item.tickCounter = item.numTicks;
    doc.ReadKeyFloat("MinValue", item.minValue, kBlockScope, 0.0f);
    doc.ReadKeyFloat("MaxValue", item.maxValue, kBlockScope, 255.0f);
    doc.ReadKeyString("MaxErrorTxt", item.maxText, kBlockScope, "eH");
    doc.ReadKeyString("MinErrorTxt", item.minText, kBlockScope, "eL");
    std::string displayFormula;
    doc.ReadKeyString("DisplayFormula", displayFormula, kBlockScope, "");
    SplitDisplayFormula(displayFormula, item.format, item.formula);
    doc.ReadKeyText("CrosshairMode", item.crosshairMode, 9, kBlockScope, "");
    doc.ReadKeyString("CrosshairFormula", item.crosshairFormula, kBlockScope, "");
    item.valueKind = kind == "EnumeratedText" ? 1 : 0;
    if (item.valueKind == 1) {
        // Texts for the values 0, 1, ... up to the first missing key; the table holds ten.
        for (int i = 0; i < DataItem::kMaxEnumTexts; ++i) {
            if (!doc.ReadKeyText("EnumText" + std::to_string(i),
                                 item.enumTexts[static_cast<std::size_t>(i)], 9, kBlockScope))
                break;
        }
    }
}

} // namespace

bool ReadDataItems(CVLXDoc& doc, DataItemsSection& section) {
    section = DataItemsSection{};
    if (!doc.FindSection("[DataItems]", 0))
        return false;
    std::int32_t dashboardPeriod = CTCS_Monitor::kDefaultDashboardPeriodMs;
    std::int32_t dataLogPeriod = CTCS_Monitor::kDefaultDataLogPeriodMs;
    doc.ReadKeyInt("DashboardUpdatePeriod", dashboardPeriod, kSectionScope,
                   CTCS_Monitor::kDefaultDashboardPeriodMs);
    doc.ReadKeyInt("DataLogUpdatePeriod", dataLogPeriod, kSectionScope,
                   CTCS_Monitor::kDefaultDataLogPeriodMs);
    section.dashboardPeriodMs = dashboardPeriod;
    section.dataLogPeriodMs = dataLogPeriod;

    std::string kind;
    int continueSearch = 0;
    int monitored = 0;
    while (static_cast<int>(section.items.size()) < CDataPoller::kMaxItems &&
           doc.FindBlock("DataItem", kind, continueSearch)) {
        continueSearch = 1;
        DataItem item;
        ReadItem(doc, item, kind);
        if (item.monitorState == 0 && item.logState == 0 && item.crosshairMode.empty())
            continue;
        if (item.monitorState != 0)
            item.displaySlot = monitored++;
        section.items.push_back(std::move(item));
    }
    return true;
}

char CrosshairAxis(const DataItem& item) {
    if (item.crosshairMode.empty())
        return 0;
    const char first = item.crosshairMode[0];
    if (first == 'X' || first == 'x')
        return 'X';
    if (first == 'Y' || first == 'y')
        return 'Y';
    return 0;
}

bool CrosshairCoordinate(CVLXDoc& doc, CFormulaParser& parser, const DataItem& item, double value,
                         float& position) {
    std::string formula = item.crosshairFormula;
    if (doc.SubstituteReferences(formula, static_cast<float>(value)) == kMissingValue)
        return false;
    int errorPosition = 0;
    std::string errorText;
    position = static_cast<float>(parser.Evaluate(formula, value, errorPosition, errorText, 1));
    return true;
}

CDataPoller::CDataPoller(CTCS_Monitor& monitor, CVLXDoc& doc) : monitor_(monitor), doc_(doc) {}

bool CDataPoller::LoadItems() {
    ClearItems();
    DataItemsSection section;
    if (!ReadDataItems(doc_, section))
        return false;
    monitor_.set_update_periods(section.dashboardPeriodMs, section.dataLogPeriodMs);
    items_ = std::move(section.items);
    for (const DataItem& item : items_) {
        if (item.displaySlot != DataItem::kNoDisplaySlot)
            ++monitorItemCount_;
        if (item.logState != 0)
            ++logItemCount_;
    }
    monitor_.set_poll_item_counts(logItemCount_, monitorItemCount_);
    return true;
}

void CDataPoller::ClearItems() {
    ++generation_;
    items_.clear();
    logItemCount_ = 0;
    monitorItemCount_ = 0;
    pollIndex_ = 0;
    monitor_.set_poll_item_counts(0, 0);
}

int CDataPoller::start_polling(PollDisplay* display) {
    if (!LoadItems()) {
        display_ = nullptr;
        // A recorder keeps what it has; there is nothing more to poll for it.
        if (recorder_ != nullptr)
            recorder_->OnItemsLoaded(items_);
        return 0;
    }
    display_ = display;
    if (recorder_ != nullptr)
        recorder_->OnItemsLoaded(items_);
    monitor_.restart_poll_timer();
    return kDashboardSlot;
}

int CDataPoller::stop_polling(int slot) {
    display_ = nullptr;
    // A data log being recorded keeps the items and the polling period.
    if (recorder_ != nullptr)
        return slot;
    ClearItems();
    monitor_.restart_timer(CTCS_Monitor::kReconnectPeriodMs);
    return slot;
}

int CDataPoller::start_recording(PollRecorder* recorder) {
    if (items_.empty()) {
        if (!LoadItems())
            return 0;
        monitor_.restart_poll_timer();
    }
    recorder_ = recorder;
    recorder_->OnItemsLoaded(items_);
    return 1;
}

void CDataPoller::stop_recording() {
    recorder_ = nullptr;
    if (display_ == nullptr && !items_.empty()) {
        ClearItems();
        monitor_.restart_timer(CTCS_Monitor::kReconnectPeriodMs);
    }
}

void CDataPoller::connection_changed(int state) {
    if (state == 0 && recorder_ != nullptr)
        recorder_->OnLinkLost();
}

void CDataPoller::poll_failed() {
    for (DataItem& item : items_)
        item.tickCounter = item.numTicks;
    pollIndex_ = items_.empty() ? 0 : static_cast<int>(items_.size()) - 1;
    monitor_.set_connected(0);
}

std::string CDataPoller::ItemText(const DataItem& item, int raw, double value) const {
    if (static_cast<float>(raw) < item.minValue)
        return item.minText.substr(0, kMaxRangeText);
    if (static_cast<float>(raw) > item.maxValue)
        return item.maxText.substr(0, kMaxRangeText);
    if (item.valueKind == 0)
        return FormatDisplayValue(item.format, value);
    // Values outside the table, or without a text, show nothing.
    if (!std::isfinite(value))
        return {};
    const double whole = std::trunc(value);
    if (whole < 0.0 || whole >= DataItem::kMaxEnumTexts)
        return {};
    return item.enumTexts[static_cast<std::size_t>(whole)].substr(0, kMaxRangeText);
}

int CDataPoller::on_poll_timer() {
    if ((display_ == nullptr && recorder_ == nullptr) || items_.empty())
        return 0;
    const int count = static_cast<int>(items_.size());
    pollIndex_ = std::clamp(pollIndex_, 0, count - 1);
    // Walk to the due item: each visit counts one tick of the item's own counter, so
    // NumTicks weights how often an item is read.
    for (;;) {
        DataItem& item = items_[static_cast<std::size_t>(pollIndex_)];
        ++item.tickCounter;
        if (item.tickCounter >= item.numTicks)
            break;
        pollIndex_ = (pollIndex_ + 1) % count;
        if (count == 1)
            return 1;
    }
    const auto index = static_cast<std::size_t>(pollIndex_);
    items_[index].tickCounter = 0;
    // The callbacks may stop or restart polling: keep what comes next, and stop when the
    // items changed under the tick.
    const DataItem item = items_[index];
    const unsigned generation = generation_;

    std::string formula = item.formula;
    const int raw = doc_.SubstituteReferences(formula, 0.0f);
    if (raw == kMissingValue) {
        poll_failed();
        if (display_ != nullptr)
            display_->OnPollData(PollDisplay::kPollFailedId, {}, nullptr);
        return 1;
    }
    int errorPosition = 0;
    std::string errorText;
    const double value = parser_.Evaluate(formula, 1.0, errorPosition, errorText, 1);
    const std::string text = ItemText(item, raw, value);
    if (recorder_ != nullptr) {
        const auto rawValue = static_cast<float>(raw);
        recorder_->OnItemRead(index, text, value,
                              rawValue >= item.minValue && rawValue <= item.maxValue);
    }
    if (display_ != nullptr && item.displaySlot != DataItem::kNoDisplaySlot)
        display_->OnPollData(item.displaySlot, text, nullptr);
    if (generation != generation_)
        return 1;

    // The crosshair is the dashboard's; a recording alone does not move it.
    if (display_ != nullptr && !item.crosshairMode.empty()) {
        float position = 0.0f;
        if (!CrosshairCoordinate(doc_, parser_, item, value, position)) {
            poll_failed();
            display_->OnPollData(PollDisplay::kPollFailedId, text, nullptr);
            return 1;
        }
        const char axis = CrosshairAxis(item);
        if (axis == 'X')
            display_->OnPollData(PollDisplay::kCrosshairXId, {}, &position);
        else if (axis == 'Y')
            display_->OnPollData(PollDisplay::kCrosshairYId, {}, &position);
        if (generation != generation_)
            return 1;
    }
    pollIndex_ = (pollIndex_ + 1) % count;
    return 1;
}

} // namespace vexa
