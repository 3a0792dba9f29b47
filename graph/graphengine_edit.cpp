// Pointer and key editing of the graph: hit test, selection with modifiers and link
// rings, drags and key steps through the adjust callback.
#include "graph/graphengine.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace vexa {

using namespace graphdetail;

int CGraphEngine::IsPointSelected(int trace, int point) const {
    return ValidTrace(trace) && ValidPoint(point) ? At(trace, point).selected : 0;
}

int CGraphEngine::HasSelection(int trace) const {
    return ValidTrace(trace) ? traces_[static_cast<std::size_t>(trace)].hasSelection : 0;
}

bool CGraphEngine::ColumnTest(int x, int& column) const {
    const int dx = x - scale_.xOrigin;
    const int c = Trunc16(static_cast<float>(dx) / scale_.xScale + 0.5f);
    if (c < 0 || c > pointCount_ - 1)
        return false;
    if (std::abs(Trunc16(static_cast<float>(c) * scale_.xScale - static_cast<float>(dx))) >
        metrics_.hitTolerance)
        return false;
    column = c;
    return true;
}

int CGraphEngine::TraceSearch(int column, int y) const {
    const int dy = scale_.yOrigin - y;
    const float yMin = static_cast<float>(scale_.yMin);
    int best = -1;
    int bestDistance = 0;
    for (int t = 0; t < traceCount_; ++t) {
        if (!traces_[static_cast<std::size_t>(t)].visible)
            continue;
        const int d = std::abs(
            Trunc16((At(t, column).value - yMin) * scale_.yScale - static_cast<float>(dy)));
        // Strictly nearer only, so ties go to the lower index.
        if (d <= metrics_.hitTolerance && (best < 0 || d < bestDistance)) {
            best = t;
            bestDistance = d;
        }
    }
    if (best >= 0 && ValidTrace(currentTrace_) &&
        traces_[static_cast<std::size_t>(currentTrace_)].visible &&
        At(currentTrace_, column).value == At(best, column).value)
        best = currentTrace_;
    return best;
}

int CGraphEngine::HitTest(int x, int y, int& trace, int& column) const {
    int c = 0;
    if (!ColumnTest(x, c))
        return 0;
    const int t = TraceSearch(c, y);
    if (t < 0)
        return 0;
    trace = t;
    column = c;
    return 1;
}

void CGraphEngine::RecomputeSelection(int start) {
    multiSelection_ = 0;
    int low = start;
    int high = start;
    for (int t = 0; t < traceCount_; ++t) {
        GraphTrace& tr = traces_[static_cast<std::size_t>(t)];
        tr.hasSelection = 0;
        for (int p = 0; p < pointCount_; ++p) {
            GraphPoint& pt = At(t, p);
            if (!tr.visible)
                pt.selected = 0;
            if (!pt.selected)
                continue;
            tr.hasSelection = 1;
            low = std::min(low, p);
            high = std::max(high, p);
            if (t != currentTrace_ || p != start)
                multiSelection_ = 1;
        }
    }
    spanLow_ = Clamp16(low);
    spanHigh_ = Clamp16(high);
}

void CGraphEngine::FillSelectionSpan() {
    const int low = std::max<int>(0, spanLow_);
    const int high = std::min<int>(pointCount_ - 1, spanHigh_);
    for (int t = 0; t < traceCount_; ++t) {
        if (!traces_[static_cast<std::size_t>(t)].hasSelection)
            continue;
        for (int p = low; p <= high; ++p)
            At(t, p).selected = 1;
    }
}

void CGraphEngine::SetPointSelected(int trace, int point, int on) {
    if (!ValidTrace(trace) || !ValidPoint(point))
        return;
    const std::uint8_t flag = on ? 1 : 0;
    At(trace, point).selected = flag;
    if (!linkMode_)
        return;
    // Walk the link ring; any shape that is not a ring or a chain ends the walk at the
    // first trace seen twice.
    std::vector<bool> visited(static_cast<std::size_t>(traceCount_), false);
    visited[static_cast<std::size_t>(trace)] = true;
    int next = traces_[static_cast<std::size_t>(trace)].link;
    while (ValidTrace(next) && !visited[static_cast<std::size_t>(next)]) {
        visited[static_cast<std::size_t>(next)] = true;
        const GraphTrace& tr = traces_[static_cast<std::size_t>(next)];
        if (tr.visible)
            At(next, point).selected = flag;
        if (tr.link == next)
            break;
        next = tr.link;
    }
}

void CGraphEngine::ClearSelection() {
    multiSelection_ = 0;
    for (GraphPoint& pt : points_)
        pt.selected = 0;
    for (GraphTrace& tr : traces_)
        tr.hasSelection = 0;
}

float CGraphEngine::AdjustValue(int trace, int point, float proposed, std::int16_t& delta) {
    if (adjust_)
        return adjust_(trace, point, proposed, delta);
    const long long s =
        std::clamp<long long>(TruncWide(static_cast<double>(proposed)) + delta, 0, 32767);
    const long long old = TruncWide(static_cast<double>(GetValue(trace, point)) + 0.5);
    delta = Clamp16(s - old);
    return static_cast<float>(s);
}

int CGraphEngine::OnMouseDown(int modifiers, int x, int y) {
    int c = 0;
    if (!editEnabled_ || !ColumnTest(x, c)) {
        dragColumn_ = -1;
        return 0;
    }
    dragColumn_ = static_cast<std::int16_t>(c);
    const int dy = scale_.yOrigin - y;
    pointerValue_ = static_cast<float>(dy) / scale_.yScale + static_cast<float>(scale_.yMin);
    const int t = TraceSearch(c, y);
    if (t < 0) {
        dragColumn_ = -1;
        return 0;
    }
    currentTrace_ = static_cast<std::int16_t>(t);

    const int mods = modifiers & (kGraphShift | kGraphCtrl);
    if (mods == 0 && !At(t, c).selected)
        ClearSelection();
    if (At(t, c).selected) {
        if (mods == kGraphCtrl) {
            // Ctrl+click on a selected point deselects it and starts no drag.
            SetPointSelected(t, c, 0);
            dragColumn_ = -1;
            RecomputeSelection(-1);
            cursorColumn_ = -1;
            return 1;
        }
    } else {
        SetPointSelected(t, c, 1);
    }
    RecomputeSelection(dragColumn_);
    if (mods & kGraphShift) {
        SetPointSelected(t, c, 1);
        FillSelectionSpan();
    }
    dragOffset_ = Trunc16((At(t, c).value - static_cast<float>(scale_.yMin)) * scale_.yScale -
                          static_cast<float>(dy));
    cursorColumn_ = static_cast<std::int16_t>(c);
    SetCallout(t, c);
    return 1;
}

int CGraphEngine::OnMouseMove(int buttonDown, int x, int y) {
    if (!buttonDown) {
        int t = 0;
        int c = 0;
        if (HitTest(x, y, t, c))
            SetCallout(t, c);
        return 0;
    }
    if (dragColumn_ == -1 || currentTrace_ == -1)
        return 0;
    if (!editEnabled_) {
        dragColumn_ = -1;
        return 0;
    }
    const float proposed =
        LimitFloat(static_cast<float>(scale_.yOrigin - y + dragOffset_) / scale_.yScale +
                       static_cast<float>(scale_.yMin),
                   -32768.0f, 32767.0f);
    std::int16_t delta = 0;
    At(currentTrace_, dragColumn_).value = AdjustValue(currentTrace_, dragColumn_, proposed, delta);
    if (multiSelection_ && delta != 0) {
        for (int t = 0; t < traceCount_; ++t) {
            if (!traces_[static_cast<std::size_t>(t)].hasSelection)
                continue;
            for (int p = 0; p < pointCount_; ++p) {
                GraphPoint& pt = At(t, p);
                if (!pt.selected || (t == currentTrace_ && p == dragColumn_))
                    continue;
                // Each point gets the grabbed point's step, even when an earlier one was
                // held at a limit.
                std::int16_t step = delta;
                pt.value = AdjustValue(t, p, pt.value, step);
            }
        }
    }
    SetCallout(currentTrace_, dragColumn_);
    return 1;
}

int CGraphEngine::OnMouseUp(int, int, int) {
    if (!editEnabled_) {
        dragColumn_ = -1;
        return 0;
    }
    if (dragColumn_ == -1)
        return 1;
    dragColumn_ = -1;
    for (int t = 0; t < traceCount_; ++t) {
        if (traces_[static_cast<std::size_t>(t)].hasSelection)
            UpdateTraceRange(t);
    }
    return 1;
}

void CGraphEngine::OnKey(int key, int count, int modifiers) {
    if (!editEnabled_) {
        dragColumn_ = -1;
        return;
    }
    if (key == kGraphKeyHome || key == kGraphKeyEnd)
        count = pointCount_ - 1;
    auto cursorCallout = [this] {
        if (ValidTrace(currentTrace_) && cursorColumn_ >= 0 &&
            traces_[static_cast<std::size_t>(currentTrace_)].visible)
            SetCallout(currentTrace_, cursorColumn_);
    };

    switch (key) {
    case kGraphKeySpace:
        if (ValidTrace(currentTrace_) && ValidPoint(cursorColumn_) && multiSelection_)
            SetPointSelected(currentTrace_, cursorColumn_,
                             !At(currentTrace_, cursorColumn_).selected);
        break;
    case kGraphKeyPageUp:
    case kGraphKeyPageDown: {
        const int step = key == kGraphKeyPageUp ? count : -count;
        if (step != 0) {
            for (int t = currentTrace_ + step; t >= 0 && t < traceCount_; t += step) {
                if (traces_[static_cast<std::size_t>(t)].visible) {
                    currentTrace_ = static_cast<std::int16_t>(t);
                    break;
                }
            }
        }
        if (currentTrace_ == -1)
            currentTrace_ = 0;
        MoveCursor(0, modifiers);
        break;
    }
    case kGraphKeyLeft:
    case kGraphKeyHome:
        MoveCursor(-count, modifiers);
        cursorCallout();
        break;
    case kGraphKeyRight:
    case kGraphKeyEnd:
        MoveCursor(count, modifiers);
        cursorCallout();
        break;
    case kGraphKeyUp:
    case kGraphKeyDown: {
        long long step = key == kGraphKeyUp ? count : -static_cast<long long>(count);
        if (modifiers & kGraphShift)
            step *= 5;
        for (int t = 0; t < traceCount_; ++t) {
            for (int p = 0; p < pointCount_; ++p) {
                GraphPoint& pt = At(t, p);
                if (!pt.selected)
                    continue;
                std::int16_t delta = Clamp16(step);
                pt.value = AdjustValue(t, p, pt.value, delta);
            }
            UpdateTraceRange(t);
        }
        cursorCallout();
        break;
    }
    default:
        break;
    }
}

void CGraphEngine::MoveCursor(int delta, int modifiers) {
    if (currentTrace_ == -1) {
        for (int t = 0; t < traceCount_; ++t) {
            if (traces_[static_cast<std::size_t>(t)].visible) {
                currentTrace_ = static_cast<std::int16_t>(t);
                break;
            }
        }
        if (currentTrace_ == -1)
            return;
    }
    const int cur = currentTrace_;
    const int last = pointCount_ - 1;
    int start = cursorColumn_;
    if (start < 0) {
        if (delta < 0) {
            // First selected point with an unselected one before it.
            start = pointCount_;
            bool unselectedSeen = false;
            for (int p = 0; p <= last; ++p) {
                if (!At(cur, p).selected)
                    unselectedSeen = true;
                else if (unselectedSeen) {
                    start = p == last ? 0 : p;
                    break;
                }
            }
        } else {
            // Last selected point with an unselected one after it.
            start = -1;
            bool unselectedSeen = false;
            for (int p = last; p >= 0; --p) {
                if (!At(cur, p).selected)
                    unselectedSeen = true;
                else if (unselectedSeen) {
                    start = p == 0 ? last : p;
                    break;
                }
            }
        }
    }
    if ((modifiers & (kGraphShift | kGraphCtrl)) == 0)
        ClearSelection();
    cursorColumn_ = static_cast<std::int16_t>(
        std::clamp<long long>(static_cast<long long>(start) + delta, 0, last));
    SetPointSelected(cur, cursorColumn_, 1);
    RecomputeSelection(cursorColumn_);
    if (modifiers & kGraphShift) {
        SetPointSelected(cur, cursorColumn_, 1);
        FillSelectionSpan();
    }
}

} // namespace vexa
