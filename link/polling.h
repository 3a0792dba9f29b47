#pragma once
// Live-data polling: the data items of the definition's [DataItems] section, read one per
// timer tick from the controller's RAM and handed, formatted, to the dashboard, with the
// graph crosshair's live operating point. The monitor's timer drives it: CTCS_Monitor calls
// its document's PollTick on every tick while connected, and CVLXController forwards that
// here.
#include "formula/formulaparser.h"
#include "link/tcs_monitor.h"

#include <array>
#include <cstdint>
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

    std::string logicalName;         // up to 50 characters
    std::string displayName;         // up to 80 characters
    std::string units;               // Units, when the definition gives them apart from the name
    std::int32_t displayColour = -1; // DefDisplayColor (0x00BBGGRR), -1 when not given
    int valueKind = 0;               // 0 NumericValue, 1 EnumeratedText
    int monitorState = 0;            // DefMonState
    int logState = 0;                // DefLogState
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

// The [DataItems] section as polling takes it: the items that have DefMonState, DefLogState
// or a CrosshairMode (at most CDataPoller::kMaxItems, in definition order), and the periods.
struct DataItemsSection {
    std::vector<DataItem> items;
    int dashboardPeriodMs = CTCS_Monitor::kDefaultDashboardPeriodMs;
    int dataLogPeriodMs = CTCS_Monitor::kDefaultDataLogPeriodMs;
};

// Reads the [DataItems] of doc's definition (moving the document's section and block
// scopes). Returns false when the definition has none.
bool ReadDataItems(CVLXDoc& doc, DataItemsSection& section);

// The crosshair axis an item drives: 'X', 'Y', or 0 for none.
char CrosshairAxis(const DataItem& item);

// The crosshair coordinate of item at display value `value`: its CrosshairFormula with its
// references substituted (x = value) and evaluated with x = value, as live polling moves
// the crosshair. Returns false when a reference cannot be resolved (an M: reference reads
// the controller).
bool CrosshairCoordinate(CVLXDoc& doc, CFormulaParser& parser, const DataItem& item, double value,
                         float& position);

// What a data log implements to see every value the poller reads, whether or not a
// dashboard is registered. While one is attached the poller keeps polling.
class PollRecorder {
public:
    virtual ~PollRecorder() = default;
    // The poller (re)loaded its items; the indices of OnItemRead refer to this list.
    virtual void OnItemsLoaded(const std::vector<DataItem>& items) = 0;
    // Item `index` was read. text: what the dashboard shows; value: the display value;
    // inRange: the raw value lay within MinValue..MaxValue (else text is the range text).
    virtual void OnItemRead(std::size_t index, const std::string& text, double value,
                            bool inRange) = 0;
    // The link went down: values read since then are of no use.
    virtual void OnLinkLost() = 0;
};

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

    // Attaches a recorder (one at a time). Without a registered display the items are
    // loaded for it and the timer runs at the polling period. Returns 1, or 0 (nothing
    // attached) when the definition has no [DataItems].
    int start_recording(PollRecorder* recorder);
    // Detaches the recorder; without a display polling stops as stop_polling does.
    void stop_recording();
    // The controller link's state changed; a recorder hears when it goes down.
    void connection_changed(int state);

    const std::vector<DataItem>& Items() const { return items_; }
    int PollIndex() const { return pollIndex_; }
    bool Polling() const { return display_ != nullptr; }
    bool Recording() const { return recorder_ != nullptr; }

private:
    bool LoadItems();
    void ClearItems();
    std::string ItemText(const DataItem& item, int raw, double value) const;

    CTCS_Monitor& monitor_;
    CVLXDoc& doc_;
    CFormulaParser parser_;
    std::vector<DataItem> items_;
    PollDisplay* display_ = nullptr;
    PollRecorder* recorder_ = nullptr;
    // Counts loads and clears of the items, so a tick sees a callback that changed them.
    unsigned generation_ = 0;
    int pollIndex_ = 0;
    int logItemCount_ = 0;
    int monitorItemCount_ = 0;
};

} // namespace vexa
