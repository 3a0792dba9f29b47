#include "graph/graphengine.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <new>

namespace vexa {

using namespace graphdetail;

namespace {

constexpr Rgb kDefaultTraceColours[20] = {
    0xFF0000, 0x00FF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFF00, 0xA00000,
    0x008000, 0x000080, 0x800080, 0x008080, 0x808000, 0x4040C0, 0xC0FF00,
    0x80FF40, 0xC00080, 0x40C000, 0x8000FF, 0x0080FF, 0xFF8000,
};

// 1, 5, then the factors x2, x2.5, x2 repeat; the last one that fits 16 bits ends it.
constexpr int kYSteps[] = {1, 5, 10, 25, 50, 100, 250, 500, 1000, 2500, 5000, 10000, 25000};

constexpr std::size_t kMaxTotalPoints = std::size_t{1} << 20;
constexpr std::size_t kMaxNameLength = 30;
constexpr std::size_t kMaxCalloutFormatLength = 80;
constexpr std::size_t kMaxXLabelLength = 6;

std::string Cut(const std::string& text, std::size_t n) {
    return text.size() > n ? text.substr(0, n) : text;
}

std::string IntText(long long v) {
    return std::to_string(v);
}

} // namespace

CGraphEngine::CGraphEngine(int traceCount, int pointCount) {
    Resize(traceCount, pointCount);
    for (int t = 0; t < traceCount_; ++t)
        traces_[static_cast<std::size_t>(t)].colour = kDefaultTraceColours[t % 20];
    SetXLabels(0.0, 1.0);
}

CGraphEngine::~CGraphEngine() = default;

GraphPoint& CGraphEngine::At(int trace, int point) {
    return points_[static_cast<std::size_t>(trace) * static_cast<std::size_t>(pointCount_) +
                   static_cast<std::size_t>(point)];
}

const GraphPoint& CGraphEngine::At(int trace, int point) const {
    return points_[static_cast<std::size_t>(trace) * static_cast<std::size_t>(pointCount_) +
                   static_cast<std::size_t>(point)];
}

int CGraphEngine::Resize(int traceCount, int pointCount) {
    if (traceCount < 1 || traceCount > 32767 || pointCount < 2 || pointCount > 32767)
        return 0;
    const auto tc = static_cast<std::size_t>(traceCount);
    const auto pc = static_cast<std::size_t>(pointCount);
    if (tc * pc > kMaxTotalPoints)
        return 0;
    std::vector<GraphTrace> traces;
    std::vector<GraphPoint> points;
    std::vector<std::string> labels;
    std::vector<float> companions;
    std::vector<std::uint8_t> hasCompanion;
    try {
        traces.resize(tc);
        points.resize(tc * pc);
        labels.resize(pc);
        companions.resize(tc * pc);
        hasCompanion.resize(tc);
    } catch (const std::bad_alloc&) {
        return 0;
    }
    for (std::size_t t = 0; t < tc; ++t)
        traces[t].link = static_cast<std::int16_t>(t);
    traces_.swap(traces);
    points_.swap(points);
    xLabels_.swap(labels);
    companions_.swap(companions);
    hasCompanion_.swap(hasCompanion);
    traceCount_ = static_cast<std::int16_t>(traceCount);
    pointCount_ = static_cast<std::int16_t>(pointCount);
    dragColumn_ = -1;
    cursorColumn_ = -1;
    currentTrace_ = -1;
    pointerValue_ = 0.0f;
    multiSelection_ = 0;
    calloutTrace_ = -1;
    calloutPoint_ = -1;
    return 1;
}

void CGraphEngine::GetSize(int& traces, int& points) const {
    traces = traceCount_;
    points = pointCount_;
}

void CGraphEngine::SetXLabels(double first, double step) {
    for (int i = 0; i < pointCount_; ++i) {
        char text[64];
        std::snprintf(text, sizeof text, "%g", first + i * step);
        xLabels_[static_cast<std::size_t>(i)] = Cut(text, kMaxXLabelLength);
    }
}

void CGraphEngine::SetXLabel(int i, const std::string& text) {
    if (ValidPoint(i))
        xLabels_[static_cast<std::size_t>(i)] = Cut(text, kMaxXLabelLength);
}

std::string CGraphEngine::GetXLabel(int i) const {
    return ValidPoint(i) ? xLabels_[static_cast<std::size_t>(i)] : std::string();
}

void CGraphEngine::MeasureLabels(DrawingSurface& surface) {
    int widest = 0;
    int tallest = 0;
    for (const std::string& label : xLabels_) {
        const TextExtent e = surface.GetTextExtent(label);
        widest = std::max(widest, e.width);
        tallest = std::max(tallest, e.height);
    }
    scale_.widestXLabel = Clamp16(widest);
    scale_.tallestXLabel = Clamp16(tallest);
}

void CGraphEngine::SetPlotRect(int left, int top, int width, int height,
                               const GraphMetrics* metrics) {
    plotLeft_ = Clamp16(left);
    plotTop_ = Clamp16(top);
    plotWidth_ = Clamp16(width);
    plotHeight_ = Clamp16(height);
    if (metrics)
        metrics_ = *metrics;
}

void CGraphEngine::SetValue(int trace, int point, float value) {
    if (ValidTrace(trace) && ValidPoint(point))
        At(trace, point).value = value;
}

float CGraphEngine::GetValue(int trace, int point) const {
    return ValidTrace(trace) && ValidPoint(point) ? At(trace, point).value : 0.0f;
}

void CGraphEngine::SetTraceValues(int trace, std::span<const float> values) {
    if (!ValidTrace(trace))
        return;
    const std::size_t n = std::min(values.size(), static_cast<std::size_t>(pointCount_));
    for (std::size_t p = 0; p < n; ++p)
        At(trace, static_cast<int>(p)).value = values[p];
    UpdateTraceRange(trace);
}

void CGraphEngine::UpdateTraceRange(int trace) {
    if (!ValidTrace(trace))
        return;
    GraphTrace& tr = traces_[static_cast<std::size_t>(trace)];
    tr.min = tr.max = At(trace, 0).value;
    for (int p = 1; p < pointCount_; ++p) {
        const float v = At(trace, p).value;
        tr.min = std::min(tr.min, v);
        tr.max = std::max(tr.max, v);
    }
}

float CGraphEngine::GetTraceMin(int trace) const {
    return ValidTrace(trace) ? traces_[static_cast<std::size_t>(trace)].min : 0.0f;
}

float CGraphEngine::GetTraceMax(int trace) const {
    return ValidTrace(trace) ? traces_[static_cast<std::size_t>(trace)].max : 0.0f;
}

void CGraphEngine::SetCompanionValues(int trace, std::span<const float> values) {
    if (!ValidTrace(trace))
        return;
    const auto count = std::min(values.size(), static_cast<std::size_t>(pointCount_));
    std::copy_n(values.begin(), count,
                companions_.begin() + static_cast<std::ptrdiff_t>(trace) * pointCount_);
    hasCompanion_[static_cast<std::size_t>(trace)] = 1;
}

void CGraphEngine::ClearCompanion(int trace) {
    if (ValidTrace(trace))
        hasCompanion_[static_cast<std::size_t>(trace)] = 0;
}

void CGraphEngine::ClearCompanions() {
    std::fill(hasCompanion_.begin(), hasCompanion_.end(), std::uint8_t{0});
}

int CGraphEngine::HasCompanion(int trace) const {
    return ValidTrace(trace) && hasCompanion_[static_cast<std::size_t>(trace)] ? 1 : 0;
}

float CGraphEngine::GetCompanionValue(int trace, int point) const {
    if (!ValidTrace(trace) || !ValidPoint(point))
        return 0.0f;
    return companions_[static_cast<std::size_t>(trace) * static_cast<std::size_t>(pointCount_) +
                       static_cast<std::size_t>(point)];
}

void CGraphEngine::SetTraceVisible(int trace, int on) {
    if (!ValidTrace(trace))
        return;
    GraphTrace& tr = traces_[static_cast<std::size_t>(trace)];
    tr.visible = on ? 1 : 0;
    if (!on) {
        for (int p = 0; p < pointCount_; ++p)
            At(trace, p).selected = 0;
        tr.hasSelection = 0;
    }
}

int CGraphEngine::IsTraceVisible(int trace) const {
    return ValidTrace(trace) ? traces_[static_cast<std::size_t>(trace)].visible : 0;
}

void CGraphEngine::SetAllTracesVisible(std::span<const std::uint8_t> flags) {
    const std::size_t n = std::min(flags.size(), traces_.size());
    for (std::size_t t = 0; t < n; ++t)
        SetTraceVisible(static_cast<int>(t), flags[t]);
}

void CGraphEngine::GetAllTracesVisible(std::span<std::uint8_t> flags) const {
    const std::size_t n = std::min(flags.size(), traces_.size());
    for (std::size_t t = 0; t < n; ++t)
        flags[t] = traces_[t].visible;
}

void CGraphEngine::SetTraceColor(int trace, Rgb colour) {
    if (ValidTrace(trace))
        traces_[static_cast<std::size_t>(trace)].colour = colour;
}

Rgb CGraphEngine::GetTraceColor(int trace) const {
    return ValidTrace(trace) ? traces_[static_cast<std::size_t>(trace)].colour : 0;
}

void CGraphEngine::SetAllTraceColors(std::span<const Rgb> colours) {
    const std::size_t n = std::min(colours.size(), traces_.size());
    for (std::size_t t = 0; t < n; ++t)
        traces_[t].colour = colours[t];
}

void CGraphEngine::GetAllTraceColors(std::span<Rgb> colours) const {
    const std::size_t n = std::min(colours.size(), traces_.size());
    for (std::size_t t = 0; t < n; ++t)
        colours[t] = traces_[t].colour;
}

void CGraphEngine::SetTraceText(int trace, const std::string& name,
                                const std::string& calloutFormat) {
    if (!ValidTrace(trace))
        return;
    GraphTrace& tr = traces_[static_cast<std::size_t>(trace)];
    tr.name = Cut(name, kMaxNameLength);
    tr.calloutFormat = Cut(calloutFormat, kMaxCalloutFormatLength);
}

std::string CGraphEngine::GetTraceName(int trace) const {
    return ValidTrace(trace) ? traces_[static_cast<std::size_t>(trace)].name : std::string();
}

std::string CGraphEngine::GetCalloutFormat(int trace) const {
    return ValidTrace(trace) ? traces_[static_cast<std::size_t>(trace)].calloutFormat
                             : std::string();
}

int CGraphEngine::GetLegendInfo(int trace, Rgb& colour, Rgb& textColour, int& lineWidth,
                                std::string& name) const {
    if (!ValidTrace(trace))
        return 0;
    const GraphTrace& tr = traces_[static_cast<std::size_t>(trace)];
    colour = tr.colour;
    textColour =
        tr.visible ? appearance_.legendTextColourShown : appearance_.legendTextColourHidden;
    lineWidth = metrics_.traceLineWidth;
    name = tr.name;
    return tr.visible;
}

int CGraphEngine::SetLink(int trace, int link) {
    if (!ValidTrace(trace))
        return -1;
    GraphTrace& tr = traces_[static_cast<std::size_t>(trace)];
    if (link == -1)
        tr.link = static_cast<std::int16_t>(trace);
    else if (link != -2) {
        if (!ValidTrace(link))
            return -1;
        tr.link = static_cast<std::int16_t>(link);
    }
    return tr.link;
}

int CGraphEngine::SetLinkMode(int c) {
    if (c != '?')
        linkMode_ = static_cast<std::uint8_t>(c);
    return linkMode_;
}

int CGraphEngine::SetEditEnabled(int c) {
    if (c != '?') {
        editEnabled_ = static_cast<std::uint8_t>(c);
        if (!editEnabled_)
            ClearSelection();
    }
    return editEnabled_;
}

void CGraphEngine::SetAdjustCallback(AdjustFunction function) {
    adjust_ = std::move(function);
}

void CGraphEngine::SetStoredValueCallback(StoredValueFunction function) {
    storedValue_ = std::move(function);
}

bool CGraphEngine::SetCrosshair(float x, float y) {
    const bool featureOn = (appearance_.features & kGraphCrosshair) != 0;
    if (featureOn && x != -1.0f) {
        const bool sameX = x == crosshairX_ || x == -1000.0f;
        const bool sameY = y == crosshairY_ || y == -1000.0f;
        if (sameX && sameY)
            return false;
        if (x != -1000.0f)
            crosshairX_ = x;
        if (y != -1000.0f)
            crosshairY_ = y;
        return true;
    }
    const bool wasShown = crosshairX_ > -1.0f;
    crosshairX_ = -1.0f;
    crosshairY_ = -1.0f;
    return featureOn && x == -1.0f && wasShown;
}

bool CGraphEngine::SetCallout(int trace, int point) {
    if ((appearance_.features & kGraphCallouts) == 0) {
        calloutTrace_ = -1;
        calloutPoint_ = -1;
        return false;
    }
    calloutTrace_ = Clamp16(trace);
    calloutPoint_ = Clamp16(point);
    return true;
}

void CGraphEngine::SetAppearance(int yDivisions, int xLabelStep, unsigned features, Rgb axisText,
                                 Rgb labelStrip, Rgb grid, Rgb plotBackground, Rgb markerFill,
                                 Rgb calloutText, Rgb calloutBackground, Rgb legendShown,
                                 Rgb legendHidden, Rgb crosshair) {
    appearance_.yDivisions = Clamp16(yDivisions);
    appearance_.xLabelStep = Clamp16(xLabelStep);
    appearance_.features = features;
    appearance_.axisTextColour = axisText;
    appearance_.labelStripColour = labelStrip;
    appearance_.gridColour = grid;
    appearance_.plotBackgroundColour = plotBackground;
    appearance_.markerFillColour = markerFill;
    appearance_.calloutTextColour = calloutText;
    appearance_.calloutBackgroundColour = calloutBackground;
    appearance_.legendTextColourShown = legendShown;
    appearance_.legendTextColourHidden = legendHidden;
    appearance_.crosshairColour = crosshair;
}

int CGraphEngine::PointX(float index) const {
    return Clamp16(Trunc16(index * scale_.xScale) + scale_.xOrigin);
}

int CGraphEngine::ValueY(float value) const {
    return Clamp16(scale_.yOrigin -
                   Trunc16((value - static_cast<float>(scale_.yMin)) * scale_.yScale));
}

int CGraphEngine::StoredValue(int trace, int point) const {
    if (storedValue_)
        return storedValue_(trace, point);
    return static_cast<int>(TruncWide(static_cast<double>(GetValue(trace, point)) + 0.5));
}

// ---------------------------------------------------------------------------------------
// Drawing

void CGraphEngine::Draw(DrawingSurface& surface) {
    AutoScale(surface);
    DrawAxes(surface);
    DrawTraces(surface);
}

void CGraphEngine::AutoScale(DrawingSurface& surface) {
    float gmin = 0.0f;
    float gmax = 0.0f;
    bool any = false;
    const auto include = [&](float low, float high) {
        gmin = any ? std::min(gmin, low) : low;
        gmax = any ? std::max(gmax, high) : high;
        any = true;
    };
    for (int t = 0; t < traceCount_; ++t) {
        const GraphTrace& tr = traces_[static_cast<std::size_t>(t)];
        if (!tr.visible)
            continue;
        include(tr.min, tr.max);
        // A companion shares its trace's axis, so both lines stay in view.
        if (hasCompanion_[static_cast<std::size_t>(t)]) {
            const auto first = companions_.begin() + static_cast<std::ptrdiff_t>(t) * pointCount_;
            const auto [low, high] = std::minmax_element(first, first + pointCount_);
            include(*low, *high);
        }
    }
    // Keep the axis within 8 steps of the largest step so nothing below can overflow.
    gmin = std::isnan(gmin) ? 0.0f : std::clamp(gmin, -kGraphValueBound, kGraphValueBound);
    gmax = std::isnan(gmax) ? 0.0f : std::clamp(gmax, -kGraphValueBound, kGraphValueBound);

    const float range = gmax - gmin;
    const bool fromZero = 0.0f < gmin && gmin < range;
    const float span = fromZero ? gmax : range;

    int step = kYSteps[std::size(kYSteps) - 1];
    for (int candidate : kYSteps) {
        if (static_cast<double>(appearance_.yDivisions) * candidate > static_cast<double>(span)) {
            step = candidate;
            break;
        }
    }
    const auto tmax = static_cast<std::int32_t>(gmax);
    const std::int32_t yMax = tmax + step - tmax % step;
    std::int32_t yMin = 0;
    if (!(gmin == 0.0f || fromZero)) {
        const auto tmin = static_cast<std::int32_t>(gmin);
        yMin = tmin - step - tmin % step;
    }
    scale_.yStep = static_cast<std::int16_t>(step);
    scale_.yMax = yMax;
    scale_.yMin = yMin;

    const int maxWidth = surface.GetTextExtent(IntText(yMax)).width;
    const int minWidth = surface.GetTextExtent(IntText(yMin)).width;
    scale_.yLabelWidth = Clamp16(std::max(maxWidth, minWidth));

    const int xPixels = plotWidth_ - scale_.yLabelWidth - metrics_.leftMargin;
    const int yPixels =
        plotHeight_ - scale_.tallestXLabel - metrics_.bottomMargin - 2 * metrics_.xLabelGap;
    scale_.xScale = static_cast<float>(xPixels) / static_cast<float>(pointCount_ - 1);
    scale_.yScale = static_cast<float>(yPixels) / static_cast<float>(yMax - yMin);
    scale_.xOrigin =
        Clamp16(plotLeft_ + metrics_.leftMargin + scale_.yLabelWidth + 2 * metrics_.yLabelGap);
    scale_.yOrigin = Clamp16(plotTop_ + plotHeight_ - scale_.tallestXLabel - metrics_.bottomMargin -
                             2 * metrics_.xLabelGap);
}

void CGraphEngine::DrawAxes(DrawingSurface& surface) {
    const GraphAppearance& a = appearance_;
    const GraphMetrics& m = metrics_;
    const GraphScale& s = scale_;
    const int bottom = plotTop_ + plotHeight_;
    const int lastX = PointX(static_cast<float>(pointCount_ - 1));

    const Pen oldPen = surface.SelectPen({PenStyle::kSolid, 1, a.labelStripColour});
    if (a.features & kGraphFillLabelStrips) {
        const Brush oldBrush = surface.SelectBrush({a.labelStripColour});
        surface.Rectangle(plotLeft_, s.yOrigin + m.gridLineWidth, lastX + s.widestXLabel, bottom);
        surface.Rectangle(plotLeft_, plotTop_ - s.tallestXLabel / 2 - m.yLabelGap, s.xOrigin,
                          bottom);
        surface.SelectBrush(oldBrush);
    }

    surface.SetTextAlign(TextAlign::kCentreTop);
    surface.SetTextColor(a.axisTextColour);
    surface.SetBkOpaque(false);
    surface.SelectPen({PenStyle::kSolid, m.gridLineWidth, a.gridColour});

    const int gridTop = s.yOrigin - Trunc16(static_cast<float>(s.yMax - s.yMin) * s.yScale);
    const int labelStep = std::max<int>(1, a.xLabelStep);
    for (int i = 0; i < pointCount_; i += labelStep) {
        if (a.features & kGraphVerticalGrid) {
            const int xi =
                Trunc16(static_cast<float>(i) * s.xScale + static_cast<float>(s.xOrigin));
            surface.MoveTo(xi, s.yOrigin + m.bottomMargin);
            surface.LineTo(xi, gridTop);
        }
        if (a.features & kGraphXLabels)
            surface.TextOut(PointX(static_cast<float>(i)), s.yOrigin + m.bottomMargin + m.xLabelGap,
                            xLabels_[static_cast<std::size_t>(i)]);
    }

    surface.SetTextAlign(TextAlign::kLeftBottom);
    const int gridRight =
        s.xOrigin + m.gridLineWidth + Trunc16(static_cast<float>(pointCount_ - 1) * s.xScale);
    const std::int32_t lines = (s.yMax - s.yMin) / s.yStep;
    for (std::int32_t j = 0; j <= lines; ++j) {
        const int yj =
            s.yOrigin - Trunc16(static_cast<float>(j) * s.yScale * static_cast<float>(s.yStep));
        if (a.features & kGraphHorizontalGrid) {
            surface.MoveTo(s.xOrigin - m.leftMargin, yj);
            surface.LineTo(gridRight, yj);
        }
        if (a.features & kGraphYLabels)
            surface.TextOut(plotLeft_ + m.yLabelGap, yj + s.tallestXLabel / 2,
                            IntText(static_cast<long long>(s.yMin) + j * s.yStep));
    }
    surface.SelectPen(oldPen);
}

void CGraphEngine::DrawMarker(DrawingSurface& surface, int trace, int point, const Pen& tracePen) {
    const int x = PointX(static_cast<float>(point));
    const int y = ValueY(At(trace, point).value);
    const int r = metrics_.markerRadius;
    surface.SelectPen({PenStyle::kSolid, metrics_.markerPenWidth,
                       traces_[static_cast<std::size_t>(trace)].colour});
    surface.Ellipse(x - r, y - r, x + r, y + r);
    surface.SelectPen(tracePen);
}

void CGraphEngine::DrawTrace(DrawingSurface& surface, int trace, Pen& oldPen, Brush& oldBrush) {
    const Pen tracePen{PenStyle::kGeometricSolid, metrics_.traceLineWidth,
                       traces_[static_cast<std::size_t>(trace)].colour};
    oldBrush = surface.SelectBrush({appearance_.markerFillColour});
    oldPen = surface.SelectPen(tracePen);
    surface.MoveTo(PointX(0.0f), ValueY(At(trace, 0).value));
    for (int i = 1; i < pointCount_; ++i) {
        surface.LineTo(PointX(static_cast<float>(i)), ValueY(At(trace, i).value));
        if (At(trace, i - 1).selected)
            DrawMarker(surface, trace, i - 1, tracePen);
    }
    if (At(trace, pointCount_ - 1).selected)
        DrawMarker(surface, trace, pointCount_ - 1, tracePen);
}

void CGraphEngine::DrawCompanions(DrawingSurface& surface) {
    Pen oldPen;
    bool selected = false;
    for (int t = traceCount_ - 1; t >= 0; --t) {
        const auto index = static_cast<std::size_t>(t);
        if (!traces_[index].visible || !hasCompanion_[index])
            continue;
        const Pen pen{PenStyle::kGeometricDashed, metrics_.traceLineWidth, traces_[index].colour};
        if (selected) {
            surface.SelectPen(pen);
        } else {
            oldPen = surface.SelectPen(pen);
            selected = true;
        }
        surface.MoveTo(PointX(0.0f), ValueY(GetCompanionValue(t, 0)));
        for (int i = 1; i < pointCount_; ++i)
            surface.LineTo(PointX(static_cast<float>(i)), ValueY(GetCompanionValue(t, i)));
    }
    if (selected)
        surface.SelectPen(oldPen);
}

void CGraphEngine::DrawTraces(DrawingSurface& surface) {
    // Companions first: the calibration being edited lies on top of what it is compared with.
    DrawCompanions(surface);
    // The current trace goes last, so it lies on top.
    std::vector<int> order;
    for (int t = traceCount_ - 1; t >= 0; --t) {
        if (t != currentTrace_ && traces_[static_cast<std::size_t>(t)].visible)
            order.push_back(t);
    }
    if (ValidTrace(currentTrace_) && traces_[static_cast<std::size_t>(currentTrace_)].visible)
        order.push_back(currentTrace_);
    if (order.empty())
        return;
    Pen oldPen;
    Brush oldBrush;
    DrawTrace(surface, order.front(), oldPen, oldBrush);
    Pen pen;
    Brush brush;
    for (std::size_t i = 1; i < order.size(); ++i)
        DrawTrace(surface, order[i], pen, brush);
    surface.SelectPen(oldPen);
    surface.SelectBrush(oldBrush);
}

void CGraphEngine::DrawCrosshair(DrawingSurface& surface) {
    if (crosshairX_ <= -1.0f)
        return;
    const GraphMetrics& m = metrics_;
    const int cx = Clamp16(Trunc16(scale_.xScale * crosshairX_) + scale_.xOrigin);
    const int cy = ValueY(crosshairY_);
    const int r = m.crosshairRadius;
    const Rgb background = appearance_.plotBackgroundColour;

    // Drawing in the background colour by exclusive or inverts the disc beneath.
    const Pen oldPen = surface.SelectPen({PenStyle::kSolid, m.crosshairPenWidth, background});
    const Brush oldBrush = surface.SelectBrush({background});
    surface.SetXorMode(true);
    surface.Ellipse(cx - r + 1, cy - r + 1, cx + r - 1, cy + r - 1);
    surface.SetXorMode(false);

    surface.SelectPen({PenStyle::kGeometricDotted, 5, appearance_.crosshairColour});
    surface.MoveTo(cx + r - 8, cy);
    surface.LineTo(cx + r + 40, cy);
    surface.MoveTo(cx - r + 8, cy);
    surface.LineTo(cx - r - 40, cy);
    surface.MoveTo(cx, cy + r - 8);
    surface.LineTo(cx, cy + r + 40);
    surface.MoveTo(cx, cy - r + 8);
    surface.LineTo(cx, cy - r - 40);

    surface.SelectPen({PenStyle::kSolid, m.crosshairPenWidth, 0x0000FF});
    surface.FullArc(cx - r, cy - r, cx + r, cy + r);
    surface.SelectPen(oldPen);
    surface.SelectBrush(oldBrush);
}

void CGraphEngine::DrawCallout(DrawingSurface& surface) {
    const int t = calloutTrace_;
    const int p = calloutPoint_;
    calloutTrace_ = -1;
    calloutPoint_ = -1;
    if (!ValidTrace(t) || !ValidPoint(p))
        return;
    const GraphTrace& tr = traces_[static_cast<std::size_t>(t)];
    // The format comes from the definition file: only one whose conversions fit the
    // arguments below is ever handed to snprintf.
    if (!IsCalloutFormatSafe(tr.calloutFormat))
        return;

    const std::string& label = xLabels_[static_cast<std::size_t>(p)];
    const float value = At(t, p).value;
    const int stored = StoredValue(t, p);
    const int rounded = (stored + 5) / 10 * 10;
    char text[2048];
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
#endif
    const int n = std::snprintf(text, sizeof text, tr.calloutFormat.c_str(), label.c_str(),
                                static_cast<double>(value), label.c_str(), rounded, stored);
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif
    if (n <= 0)
        return;
    const std::string callout(text);
    const GraphAppearance& a = appearance_;
    const GraphMetrics& m = metrics_;

    const int w = surface.GetTextExtent(callout).width;
    const Brush oldBrush = surface.SelectBrush({a.markerFillColour});
    const Pen oldPen =
        surface.SelectPen({PenStyle::kSolid, m.traceLineWidth + 1, a.calloutBackgroundColour});
    surface.SetTextColor(a.calloutTextColour);
    surface.SetBkColor(a.calloutBackgroundColour);
    surface.SetBkOpaque(true);
    surface.SetTextAlign(TextAlign::kLeftBottom);

    const int anchorX = scale_.xOrigin + m.xLabelGap + w;
    surface.MoveTo(anchorX, plotTop_);
    surface.LineTo(PointX(static_cast<float>(p)), ValueY(value));
    const Pen centreLine{PenStyle::kSolid, m.gridLineWidth, a.calloutTextColour};
    surface.SelectPen(centreLine);
    surface.LineTo(anchorX, plotTop_);

    if (At(t, p).selected)
        DrawMarker(surface, t, p, centreLine);
    surface.TextOut(scale_.xOrigin + m.xLabelGap, plotTop_, callout);
    surface.SelectPen(oldPen);
    surface.SelectBrush(oldBrush);
}

} // namespace vexa
