#pragma once
// The "Dashboard" bar as plain data: one column per monitored [DataItems] block, a caption
// over a value box, the bar's caption that says whether the controller answers, greying,
// and the crosshair the live operating point puts on the graph. The model registers with
// the controller link's live-data polling and receives its values (PollDisplay); the Qt
// bar (frame/dashboard.h) only shows what the model holds.
//
// Columns are numbered as the poller numbers its display slots: the n-th DataItem block
// with a non-zero DefMonState is column n. A monitored block of another type than
// "NumericValue" or "EnumeratedText" keeps its column (empty, without a box), and values
// are looked up by column, so later boxes still get their own values.
#include "core/vlxdoc.h"
#include "graph/graphengine.h"
#include "link/polling.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace vexa {

class CVLXController;

inline constexpr const char* kDashboardCaption = "Dashboard";
inline constexpr const char* kDashboardNoCommunication =
    "Dashboard - No Communication with Controller";
inline constexpr const char* kDashboardConnected = "Dashboard - Connected";
inline constexpr const char* kDashboardNoValue = "--";

struct DashboardRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    bool operator==(const DashboardRect&) const = default;
};

struct DashboardItem {
    int column = 0; // the poller's display slot
    std::string logicalName;
    std::string displayName;  // the caption, at most 200 characters
    std::uint32_t colour = 0; // value text, 0x00BBGGRR
    std::string helpText;
    std::string statusBarText; // at most 79 characters
    std::string toolTip;       // at most 79 characters
    DashboardRect valueRect;
    DashboardRect captionRect;
    std::string text = kDashboardNoValue;
    bool enabled = false;
};

class CDashboardModel : public PollDisplay {
public:
    static constexpr int kMaxItems = 51;
    // Text colour of an item without DefDisplayColor.
    static constexpr std::uint32_t kDefaultColour = 0x00000000;

    CDashboardModel() = default;
    ~CDashboardModel() override;
    CDashboardModel(const CDashboardModel&) = delete;
    CDashboardModel& operator=(const CDashboardModel&) = delete;

    // The document whose definition and controller link the dashboard uses (non-owning;
    // it must outlive the model, or ClearItems must run before it goes).
    void SetDocument(CVLXDoc* doc) { doc_ = doc; }
    CVLXDoc* Document() const { return doc_; }
    // The graph that shows the crosshair and how to repaint it; null engine: no crosshair.
    void SetGraphView(CGraphEngine* engine, std::function<void()> repaint);

    // Columns from [DataItems]; registers with the polling when at least one box was made
    // (caption "Dashboard - No Communication with Controller", boxes greyed until data
    // arrives). 0 without a document or without the section (nothing is made).
    int BuildFromDefinition();
    // Stops the live data, deletes the boxes and returns to the caption "Dashboard".
    void ClearItems();
    // 1 enables every box, 0 greys them and hides the crosshair.
    void SetConnected(int state);
    // While held, the crosshair shows a moment of a data log: live coordinates do not move
    // it and a lost link does not hide it. Released, the next live coordinate moves it.
    void HoldCrosshair(bool held) { crosshairHeld_ = held; }
    bool CrosshairHeld() const { return crosshairHeld_; }
    // A value from the polling: column (0...) with text, PollDisplay::kPollFailedId,
    // or a crosshair coordinate in *value. text null: none given.
    void OnLiveData(int index, const std::string* text, const float* value);
    void OnPollData(int id, const std::string& text, const float* value) override;

    const std::vector<DashboardItem>& Items() const { return items_; }
    // The item that shows column, or -1 when the column has no box.
    int ItemForColumn(int column) const;
    // Columns taken, boxes or not.
    int ColumnCount() const { return columns_; }
    const std::string& Caption() const { return caption_; }
    int Connected() const { return connected_; }
    // The polling slot while registered, else 0.
    int PollingSlot() const { return slot_; }
    // Width the columns need.
    int ContentWidth() const { return contentRight_ + 10; }

    // Called after every change: rebuilt (the boxes were made or deleted), caption, or the
    // text and enabled state of item i.
    std::function<void()> onRebuilt;
    std::function<void()> onCaptionChanged;
    std::function<void(int item)> onItemChanged;

private:
    CVLXController* Link() const;
    void SetCaption(const char* caption);
    void SetItem(std::size_t i, const std::string* text, bool enabled);
    void HideCrosshair();
    void MoveCrosshair(float x, float y);

    CVLXDoc* doc_ = nullptr;
    CGraphEngine* engine_ = nullptr;
    std::function<void()> repaint_;
    std::vector<DashboardItem> items_;
    std::vector<int> itemOfColumn_;
    int columns_ = 0;
    int contentRight_ = 0;
    std::string caption_ = kDashboardCaption;
    int connected_ = 0;
    int slot_ = 0;
    bool crosshairHeld_ = false;
    CVLXController* registeredWith_ = nullptr;
};

} // namespace vexa
