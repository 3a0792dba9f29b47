#pragma once
// CDashboard: the contents of the "Dashboard" bar: for each monitored [DataItems] block a
// small caption over a large value box, greyed while the controller does not answer. It
// shows what its CDashboardModel holds; the model registers with the controller link's
// live-data polling and moves the graph's crosshair. The main window puts it into its
// "Dashboard" dock (whose title follows the caption) and calls BuildFromDefinition and
// ClearItems when the dock is shown or hidden and after a rebuild of the bars.
#include "frame/dashboardmodel.h"
#include "uicommon/dynamicstatic.h"

#include <QWidget>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace vexa {

class CDashboard : public QWidget {
public:
    static constexpr int kValuePointSize = 20;
    static constexpr int kCaptionPointSize = 8;

    // ids hands out the boxes' window ids (may be null: every id is then 0).
    explicit CDashboard(ControlIdSource* ids, QWidget* parent = nullptr);
    ~CDashboard() override;

    void SetDocument(CVLXDoc* doc) { model_.SetDocument(doc); }
    // The graph whose crosshair follows the live operating point, and its repaint.
    void SetGraphView(CGraphEngine* engine, std::function<void()> repaint) {
        model_.SetGraphView(engine, std::move(repaint));
    }
    int BuildFromDefinition() { return model_.BuildFromDefinition(); }
    void ClearItems() { model_.ClearItems(); }
    void SetConnected(int state) { model_.SetConnected(state); }
    void OnLiveData(int index, const std::string* text, const float* value) {
        model_.OnLiveData(index, text, value);
    }

    CDashboardModel& Model() { return model_; }
    const std::string& Caption() const { return model_.Caption(); }
    // The value box and caption of item i (in the model's order).
    CDynamicStatic* ValueLabel(std::size_t i) const;
    CDynamicStatic* CaptionLabel(std::size_t i) const;
    int ValueId(std::size_t i) const;
    int CaptionId(std::size_t i) const;
    std::size_t BoxCount() const { return boxes_.size(); }
    QSize sizeHint() const override;

private:
    struct Box;
    void Rebuild();
    void ShowCaption();
    void ShowItem(int item);

    ControlIdSource* ids_;
    CDashboardModel model_;
    std::vector<std::unique_ptr<Box>> boxes_;
};

} // namespace vexa
