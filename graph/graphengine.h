#pragma once
// CGraphEngine: a multi-trace line graph whose points are edited with pointer and keys.
// It knows nothing of the document: values change only through the adjust callback, and
// it draws onto a DrawingSurface, so it is built and tested without a window.
//
// Coordinates are device pixels (16-bit, y downwards). Trace and point indices outside
// the engine's size are ignored by setters and give 0 (or -1 where stated) from getters.
#include "core/curvegraph.h"
#include "graph/drawingsurface.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vexa {

// Virtual-key codes the engine understands, with the platform's numbers.
enum GraphKey : int {
    kGraphKeySpace = 0x20,
    kGraphKeyPageUp = 0x21,
    kGraphKeyPageDown = 0x22,
    kGraphKeyEnd = 0x23,
    kGraphKeyHome = 0x24,
    kGraphKeyLeft = 0x25,
    kGraphKeyUp = 0x26,
    kGraphKeyRight = 0x27,
    kGraphKeyDown = 0x28,
};

// Modifier and button flags of pointer and key events, summed.
enum GraphModifier : int {
    kGraphLeftButton = 0x01,
    kGraphShift = 0x04,
    kGraphCtrl = 0x08,
};

// Feature flags of GraphAppearance::features.
enum GraphFeature : unsigned {
    kGraphFillLabelStrips = 0x01,
    kGraphVerticalGrid = 0x02,
    kGraphHorizontalGrid = 0x04,
    kGraphXLabels = 0x08,
    kGraphYLabels = 0x10,
    kGraphCallouts = 0x20,
    kGraphCrosshair = 0x40,
};

struct GraphPoint {
    float value = 0.0f;
    std::uint8_t selected = 0;
};

struct GraphTrace {
    float min = 0.0f; // valid after UpdateTraceRange
    float max = 0.0f;
    std::int16_t link = 0; // next trace of the link ring; own index when unlinked
    Rgb colour = 0;
    std::uint8_t visible = 0;
    std::uint8_t hasSelection = 0; // kept by RecomputeSelection
    std::string name;              // at most 30 characters
    std::string calloutFormat;     // printf-style, at most 80 characters
};

struct GraphAppearance {
    std::int16_t yDivisions = 8;
    std::int16_t xLabelStep = 1;
    unsigned features = 0xFF;
    Rgb axisTextColour = 0xFFFFFF;
    Rgb labelStripColour = 0x000000;
    Rgb gridColour = 0xD0D0D0;
    Rgb plotBackgroundColour = 0xFFFFFF;
    Rgb markerFillColour = 0x0080FF;
    Rgb calloutTextColour = 0x000000;
    Rgb calloutBackgroundColour = 0x00FFFF;
    Rgb legendTextColourShown = 0x000000;
    Rgb legendTextColourHidden = 0xD0D0D0;
    Rgb crosshairColour = 0x0000FF;
};

struct GraphMetrics {
    std::int16_t leftMargin = 5;
    std::int16_t bottomMargin = 5;
    std::int16_t traceLineWidth = 2;
    std::int16_t gridLineWidth = 1;
    std::int16_t markerPenWidth = 1;
    std::int16_t xLabelGap = 1;
    std::int16_t yLabelGap = 2;
    std::int16_t markerRadius = 5;
    std::int16_t hitTolerance = 20;
    std::int16_t crosshairRadius = 20;
    std::int16_t crosshairPenWidth = 2;
};

// The scale AutoScale computes at the start of every Draw.
struct GraphScale {
    float xScale = 0.0f; // pixels per point index
    float yScale = 0.0f; // pixels per display unit
    std::int16_t yStep = 1;
    std::int16_t yLabelWidth = 0;
    std::int16_t widestXLabel = 0;
    std::int16_t tallestXLabel = 0;
    std::int32_t yMin = 0;
    std::int32_t yMax = 1;
    std::int16_t xOrigin = 0; // pixel of point index 0
    std::int16_t yOrigin = 0; // pixel of yMin
};

// The largest y step; values beyond +-kGraphValueBound are drawn at the bound's scale,
// so the axis stays within 8 steps of 25000 whatever the values.
constexpr std::int16_t kGraphMaxYStep = 25000;
constexpr float kGraphValueBound = 99999.0f;

// Argument kinds of a printf-style format, in order.
enum class PrintfArg : std::uint8_t { kText, kDouble, kInt };

// Whether format's conversions consume exactly a prefix of args with matching types
// (C conversion grammar: flags, width, precision, length, conversion; '*' consumes an
// int). Rejects %n, positional arguments, length modifiers that change the argument
// size, unknown conversions, a trailing '%', and widths or precisions above 255.
bool IsPrintfFormatSafe(const std::string& format, std::span<const PrintfArg> args);

// The callout format's arguments: x label, value, x label, stored value rounded to 10,
// stored value.
bool IsCalloutFormatSafe(const std::string& format);

// Operations on the selected points, offered by the Edit menu and the graph's context menu.
enum class PointOperation { kSetTo, kAdd, kScale, kInterpolate, kSmooth };

// Display values as clipboard text: separated by tabs, each the shortest text that reads
// back as the same float, with '.' as the decimal point.
std::string FormatPointValues(std::span<const double> values);
// Values from clipboard text: separated by tabs, line breaks, spaces or semicolons, so a
// spreadsheet row or column pastes; a decimal comma reads as a point. nullopt when a piece
// is not a finite number, or when there is none.
std::optional<std::vector<double>> ParsePointValues(std::string_view text);

namespace graphdetail {

// Truncation toward zero into 16 bits; out-of-range values stick to the limits and NaN
// gives 0, so a degenerate scale cannot cause an undefined conversion.
inline std::int16_t Trunc16(double v) {
    if (v != v)
        return 0;
    if (v >= 32767.0)
        return 32767;
    if (v <= -32768.0)
        return -32768;
    return static_cast<std::int16_t>(v);
}

inline std::int16_t Clamp16(long long v) {
    return static_cast<std::int16_t>(v < -32768 ? -32768 : (v > 32767 ? 32767 : v));
}

// Truncation toward zero, limited to the 32-bit range.
inline long long TruncWide(double v) {
    if (v != v)
        return 0;
    if (v >= 2147483647.0)
        return 2147483647;
    if (v <= -2147483648.0)
        return -2147483648LL;
    return static_cast<long long>(v);
}

// Limits v to lo..hi; NaN becomes lo.
inline float LimitFloat(float v, float lo, float hi) {
    if (!(v >= lo))
        return lo;
    return v > hi ? hi : v;
}

} // namespace graphdetail

class CGraphEngine {
public:
    // Every value change passes through this; returns the value to show. delta is in the
    // document's internal units: 0 on entry for the grabbed point of a drag (the adjuster
    // sets it to the step it applied), the step to apply otherwise.
    using AdjustFunction =
        std::function<float(int trace, int point, float proposed, std::int16_t& delta)>;
    // The stored value of a point, shown by the callout.
    using StoredValueFunction = std::function<int(int trace, int point)>;

    CGraphEngine(int traceCount, int pointCount);
    virtual ~CGraphEngine();
    CGraphEngine(const CGraphEngine&) = delete;
    CGraphEngine& operator=(const CGraphEngine&) = delete;

    // Contents -------------------------------------------------------------------------

    // 1 on success. Needs 1..32767 traces and 2..32767 points; on failure (or when memory
    // runs out) the engine is left as it was and the result is 0.
    int Resize(int traceCount, int pointCount);
    void GetSize(int& traces, int& points) const;
    int TraceCount() const { return traceCount_; }
    int PointCount() const { return pointCount_; }

    // Label i becomes "%g" of first + i x step, cut to 6 characters.
    void SetXLabels(double first, double step);
    void SetXLabel(int i, const std::string& text);
    std::string GetXLabel(int i) const;
    void MeasureLabels(DrawingSurface& surface);

    void SetPlotRect(int left, int top, int width, int height,
                     const GraphMetrics* metrics = nullptr);

    void SetValue(int trace, int point, float value);
    float GetValue(int trace, int point) const;
    // Sets the first min(values.size(), point count) points, then UpdateTraceRange.
    void SetTraceValues(int trace, std::span<const float> values);
    void UpdateTraceRange(int trace);
    float GetTraceMin(int trace) const;
    float GetTraceMax(int trace) const;

    // Companions: another calibration's curve beside a trace, drawn dashed in the trace's
    // colour under the traces whenever its trace is shown, and counted in the y axis. They
    // are never selected or edited. Setting one takes the first min(values.size(), point
    // count) values; Resize and ClearCompanions remove them all.
    void SetCompanionValues(int trace, std::span<const float> values);
    void ClearCompanion(int trace);
    void ClearCompanions();
    int HasCompanion(int trace) const;
    float GetCompanionValue(int trace, int point) const;

    // Hiding a trace deselects its points.
    void SetTraceVisible(int trace, int on);
    int IsTraceVisible(int trace) const;
    void SetAllTracesVisible(std::span<const std::uint8_t> flags);
    void GetAllTracesVisible(std::span<std::uint8_t> flags) const;
    void SetTraceColor(int trace, Rgb colour);
    Rgb GetTraceColor(int trace) const;
    void SetAllTraceColors(std::span<const Rgb> colours);
    void GetAllTraceColors(std::span<Rgb> colours) const;
    void SetTraceText(int trace, const std::string& name, const std::string& calloutFormat);
    std::string GetTraceName(int trace) const;
    std::string GetCalloutFormat(int trace) const;
    // Returns the visible flag (0 out of range) and fills the legend details.
    int GetLegendInfo(int trace, Rgb& colour, Rgb& textColour, int& lineWidth,
                      std::string& name) const;

    // link -1 links the trace to itself, -2 only queries; anything else must be a trace
    // index. Returns the trace's link afterwards, or -1 (nothing changed) when invalid.
    int SetLink(int trace, int link);
    // Set the flag to c and return it; '?' only queries. Turning editing off clears the
    // selection.
    int SetLinkMode(int c);
    int SetEditEnabled(int c);

    void SetAdjustCallback(AdjustFunction function);
    void SetStoredValueCallback(StoredValueFunction function);

    // Returns whether a redraw is needed. -1000 leaves a coordinate as it is; x -1 hides.
    bool SetCrosshair(float x, float y);
    float GetCrosshairX() const { return crosshairX_; }
    float GetCrosshairY() const { return crosshairY_; }
    // Requests a callout for the next DrawCallout; false (and no request) when the
    // callout feature is off.
    bool SetCallout(int trace, int point);
    int GetCalloutTrace() const { return calloutTrace_; }
    int GetCalloutPoint() const { return calloutPoint_; }

    Rgb GetBackgroundColor() const { return appearance_.plotBackgroundColour; }
    void SetAppearance(int yDivisions, int xLabelStep, unsigned features, Rgb axisText,
                       Rgb labelStrip, Rgb grid, Rgb plotBackground, Rgb markerFill,
                       Rgb calloutText, Rgb calloutBackground, Rgb legendShown, Rgb legendHidden,
                       Rgb crosshair);
    const GraphAppearance& GetAppearance() const { return appearance_; }
    const GraphMetrics& GetMetrics() const { return metrics_; }
    const GraphScale& GetScale() const { return scale_; }

    // Pixel positions under the current scale.
    int PointX(float index) const;
    int ValueY(float value) const;

    // Drawing --------------------------------------------------------------------------

    // AutoScale, DrawAxes, DrawTraces. The view then calls DrawCrosshair and DrawCallout.
    void Draw(DrawingSurface& surface);
    virtual void DrawCallout(DrawingSurface& surface);
    virtual void DrawCrosshair(DrawingSurface& surface);
    void AutoScale(DrawingSurface& surface);
    void DrawAxes(DrawingSurface& surface);
    void DrawTraces(DrawingSurface& surface);

    // Editing (pointer coordinates in the surface's pixels) ---------------------------

    int OnMouseDown(int modifiers, int x, int y);
    int OnMouseMove(int buttonDown, int x, int y);
    int OnMouseUp(int modifiers, int x, int y);
    void OnKey(int key, int count, int modifiers);
    void MoveCursor(int delta, int modifiers);
    void SetPointSelected(int trace, int point, int on);
    void ClearSelection();
    int IsPointSelected(int trace, int point) const;
    int HasSelection(int trace) const;
    // Rebuilds the per-trace selection flags and the multi-selection flag (set by any
    // selected point other than (current trace, start)), deselects the points of hidden
    // traces and keeps the column span of the selection, widened from start, for the
    // Shift span fill.
    void RecomputeSelection(int start);
    // Finds the point under (x, y): 1 and the trace and column on a hit.
    int HitTest(int x, int y, int& trace, int& column) const;
    // The callback when installed, otherwise the default adjuster.
    float AdjustValue(int trace, int point, float proposed, std::int16_t& delta);

    // Operations on the selection -----------------------------------------------------
    // The engine changes nothing here: it says which points get which display value, in
    // trace and point order, and the document stores them, snapped to what each curve can
    // hold. argument is the value (Set To), the offset (Add) or the percentage (Scale).
    // Interpolate and Smooth keep the first and last selected point of each trace and
    // change the selected points between them: Interpolate to the straight line between
    // the two, Smooth to the mean of each point and its two neighbours as they were.
    std::vector<CurvePointValue> OperationValues(PointOperation op, double argument) const;
    // Where pasted values go, always into the current trace (in link mode a click selects
    // points of other curves too): into its selected points in order when more than one is
    // selected, otherwise from the cursor point (the first point without a cursor) on; as
    // far as values and points last. Empty without a current trace that is visible.
    std::vector<CurvePointValue> PasteValues(std::span<const double> values) const;
    // The selected points of the current trace, in point order: what Copy takes.
    std::vector<double> CopyValues() const;
    int SelectedPointCount() const;

    int GetCurrentTrace() const { return currentTrace_; }
    int GetCursorColumn() const { return cursorColumn_; }
    int GetDragColumn() const { return dragColumn_; }
    float GetPointerValue() const { return pointerValue_; }
    int GetDragOffset() const { return dragOffset_; }
    int IsMultiSelection() const { return multiSelection_; }
    int IsEditEnabled() const { return editEnabled_; }
    int IsLinkMode() const { return linkMode_; }

private:
    bool ValidTrace(int trace) const { return trace >= 0 && trace < traceCount_; }
    bool ValidPoint(int point) const { return point >= 0 && point < pointCount_; }
    GraphPoint& At(int trace, int point);
    const GraphPoint& At(int trace, int point) const;
    bool ColumnTest(int x, int& column) const;
    int TraceSearch(int column, int y) const;
    void FillSelectionSpan();
    void DrawTrace(DrawingSurface& surface, int trace, Pen& oldPen, Brush& oldBrush);
    void DrawCompanions(DrawingSurface& surface);
    void DrawMarker(DrawingSurface& surface, int trace, int point, const Pen& tracePen);
    int StoredValue(int trace, int point) const;

    std::int16_t traceCount_ = 0;
    std::int16_t pointCount_ = 0;
    std::int16_t plotLeft_ = 0;
    std::int16_t plotTop_ = 0;
    std::int16_t plotWidth_ = 0;
    std::int16_t plotHeight_ = 0;
    std::vector<GraphTrace> traces_;
    std::vector<GraphPoint> points_; // trace-major
    std::vector<float> companions_;  // trace-major, as points_
    std::vector<std::uint8_t> hasCompanion_;
    std::vector<std::string> xLabels_;
    GraphAppearance appearance_;
    GraphMetrics metrics_;
    GraphScale scale_;

    std::int16_t dragColumn_ = -1;
    float pointerValue_ = 0.0f;
    std::int16_t dragOffset_ = 0;
    std::int16_t currentTrace_ = -1;
    std::int16_t cursorColumn_ = -1;
    std::uint8_t editEnabled_ = 1;
    std::uint8_t linkMode_ = 0;
    std::uint8_t multiSelection_ = 0;
    std::int16_t spanLow_ = 0; // column span of the last RecomputeSelection
    std::int16_t spanHigh_ = 0;
    std::int16_t calloutTrace_ = -1;
    std::int16_t calloutPoint_ = -1;
    float crosshairX_ = -1.0f;
    float crosshairY_ = -1.0f;

    AdjustFunction adjust_;
    StoredValueFunction storedValue_;
};

// The document's view of the engine (core/curvegraph.h). The view owns both and hands
// this to the document; it must not outlive the engine.
class GraphEngineCurveGraph final : public CurveGraph {
public:
    explicit GraphEngineCurveGraph(CGraphEngine& engine) : engine_(engine) {}
    void SetTraceVisible(int trace, bool visible) override {
        engine_.SetTraceVisible(trace, visible ? 1 : 0);
    }
    void SetValue(int trace, int point, double value) override {
        engine_.SetValue(trace, point, static_cast<float>(value));
    }
    void UpdateTraceRange(int trace) override { engine_.UpdateTraceRange(trace); }
    void SetLink(int trace, int linkedTrace) override { engine_.SetLink(trace, linkedTrace); }
    void SetTraceColor(int trace, std::uint32_t colour) override {
        engine_.SetTraceColor(trace, colour);
    }
    void SetTraceText(int trace, const std::string& name,
                      const std::string& calloutFormat) override {
        engine_.SetTraceText(trace, name, calloutFormat);
    }
    void SetLinkMode(int mode) override { engine_.SetLinkMode(mode); }
    std::string TraceName(int trace) const override { return engine_.GetTraceName(trace); }

private:
    CGraphEngine& engine_;
};

} // namespace vexa
