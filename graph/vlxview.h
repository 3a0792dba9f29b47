#pragma once
// CVLXView: the main view. It owns the graph engine, paints it through an off-screen image
// copied to the screen in one step, and turns pointer, key and wheel events into the
// engine's editing calls, repainting at once after each so the picture follows the
// pointer. Values change only through the document's AdjustCurvePoint.
#include "core/vlxdoc.h"
#include "graph/graphengine.h"

#include <QImage>
#include <QWidget>

#include <functional>
#include <memory>

class QPrinter;

namespace vexa {

class CVLXView : public QWidget {
public:
    // The plot rectangle leaves these pixels of the client area free.
    static constexpr int kPlotMarginLeft = 20;
    static constexpr int kPlotMarginTop = 20;
    static constexpr int kPlotMarginRight = 30;
    static constexpr int kPlotMarginBottom = 20;
    static constexpr int kWheelNotch = 120;

    // Hands the engine to the document (SetGraph) and loads the curves into it; the
    // document must outlive the view. The view gives the engine back when destroyed.
    explicit CVLXView(CVLXDoc& doc, QWidget* parent = nullptr);
    ~CVLXView() override;

    CGraphEngine& Engine() { return engine_; }
    CVLXDoc& Document() { return doc_; }

    // Called after every resize with the frame's minimum tracking size (450 x 420).
    void SetMinTrackSizeHandler(std::function<void(int, int)> handler) {
        minTrackSize_ = std::move(handler);
    }

    // Invalidates and paints synchronously.
    void RepaintNow();
    // The picture the screen shows, at the view's size; null before the first resize.
    QImage Snapshot();
    // Draws the view onto a printer page, scaled to fit, keeping its proportions. A view
    // that was never shown (printing from the command line) draws the graph at a size of
    // its own. false when the printer could not be started.
    bool PrintTo(QPrinter& printer);

    // The framework's print commands.
    void OnFilePrint();
    void OnFilePrintPreview();
    void OnFilePrintSetup();
    QPrinter& Printer();

    int WheelAccumulator() const { return wheelAccumulator_; }
    bool HasCapture() const { return captured_; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    // The picture printed by a view that was never shown.
    static constexpr int kUnshownWidth = 1280;
    static constexpr int kUnshownHeight = 800;
    // Background, graph, crosshair and callout into the off-screen image.
    void DrawOffscreen();
    static int Modifiers(Qt::KeyboardModifiers modifiers);
    void EndDragStep();

    CVLXDoc& doc_;
    CGraphEngine engine_;
    GraphEngineCurveGraph curveGraph_;
    QImage offscreen_;
    int wheelAccumulator_ = 0;
    bool captured_ = false;
    bool dragStep_ = false; // a press opened a step of the history; the release closes it
    std::function<void(int, int)> minTrackSize_;
    std::unique_ptr<QPrinter> printer_;
};

// The virtual-key code (0x20..0x28) of a navigation key, or 0 for any other key.
int GraphKeyFromQt(int qtKey);

} // namespace vexa
