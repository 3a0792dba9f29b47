#pragma once
// Live-data polling: the data items of the definition's [DataItems] section, read one per
// timer tick from the controller's RAM and handed, formatted, to the dashboard, with the
// graph crosshair's live operating point. The monitor's timer drives it: CTCS_Monitor calls
// its document's PollTick on every tick while connected, and CVLXController forwards that
// here.
#include "formula/formulaparser.h"
#include "link/tcs_monitor.h"

#include <array>
#include <string>
#include <vector>

namespace vexa {

class CVLXDoc;

// What the dashboard implements to receive polled values. The ids:
//   0, 1, 2 ...          the display slot of an item: text is its formatted value (at most
//                        48 characters), value is null;
//   kPollFailedId        a poll failed and the monitor is now disconnected: text is empty,
//                        or the value text just formatted when only the crosshair failed;
//   kCrosshairXId / Y    the crosshair's x or y moves to *value; text is empty.
class PollDisplay {
public:
    static constexpr int kPollFailedId = -1000;
    static constexpr int kCrosshairXId = 10000;
    static constexpr int kCrosshairYId = 10001;

    virtual ~PollDisplay() = default;
    virtual void OnPollData(int id, const std::string& text, const float* value) = 0;
};

// One [DataItems] block as the poller keeps it.
struct DataItem {
    static constexpr int kNoDisplaySlot = -100000;
    static constexpr int kMaxEnumTexts = 10;

    std::string logicalName; // up to 50 characters
    std::string displayName; // up to 80 characters
    int valueKind = 0;       // 0 NumericValue, 1 EnumeratedText
    int monitorState = 0;    // DefMonState
    int logState = 0;        // DefLogState
    int displaySlot = kNoDisplaySlot;
    int numTicks = 1;
    int tickCounter = 1; // starts at numTicks, so every item is due at the first tick
    float minValue = 0.0f;
    float maxValue = 255.0f;
    std::string crosshairMode; // up to 9 characters; X/x or Y/y names the axis
    std::string minText = "eL";
    std::string maxText = "eH";
    std::string formula;                                // the formula part of DisplayFormula
    std::string crosshairFormula;                       // CrosshairFormula
    std::string format;                                 // the printf format part of DisplayFormula
    std::array<std::string, kMaxEnumTexts> enumTexts{}; // EnumText0..9, up to 9 characters
};

// Splits a DisplayFormula at its first "=": the format (trailing blanks removed) and the
// formula (trimmed). Without "=", or with "=" first, the format is empty and the whole
// text is the formula.
void SplitDisplayFormula(const std::string& text, std::string& format, std::string& formula);

// Whether format consumes exactly one double: one conversion among f F e E g G a A, with
// flags, a width and a precision written as digits (no '*', no length modifier except 'l'),
// and any number of "%%". Only such formats reach the formatter.
bool IsSingleDoubleFormat(const std::string& format);

// value formatted with format when IsSingleDoubleFormat, else with "%g"; at most 48
// characters.
std::string FormatDisplayValue(const std::string& format, double value);

class CDataPoller {
public:
    static constexpr int kMaxItems = 20;
    // The one callback slot the dashboard registers in.
    static constexpr int kDashboardSlot = 1;
    // A NumTicks above this is taken as this, so the walk to the next due item stays short.
    static constexpr int kMaxNumTicks = 10000;

    CDataPoller(CTCS_Monitor& monitor, CVLXDoc& doc);

    // Loads the [DataItems] of the document's definition, registers display in the
    // dashboard slot and restarts the monitor's timer at the period that fits. Returns
    // kDashboardSlot, or 0 (nothing registered) when there is no [DataItems] section.
    int start_polling(PollDisplay* display);
    // Clears the callback slot and the items; the timer goes back to 1000 ms. Returns slot.
    int stop_polling(int slot);
    // One tick while connected: polls the one due item. Returns 0 when no display is
    // registered or no item is loaded (the monitor then checks the controller), else 1.
    int on_poll_timer();
    // After a failed read: every item due again, the walk resumes at the last item, and
    // the monitor disconnects.
    void poll_failed();

    const std::vector<DataItem>& Items() const { return items_; }
    int PollIndex() const { return pollIndex_; }
    bool Polling() const { return display_ != nullptr; }

private:
    void ReadItem(DataItem& item, const std::string& kind);
    std::string ItemText(const DataItem& item, int raw, double value) const;

    CTCS_Monitor& monitor_;
    CVLXDoc& doc_;
    CFormulaParser parser_;
    std::vector<DataItem> items_;
    PollDisplay* display_ = nullptr;
    int pollIndex_ = 0;
    int logItemCount_ = 0;
    int monitorItemCount_ = 0;
};

} // namespace vexa
