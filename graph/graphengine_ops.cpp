// Operations on the selected points and the clipboard text of curve values.
#include "graph/graphengine.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace vexa {

std::string FormatPointValues(std::span<const double> values) {
    std::string text;
    for (double value : values) {
        if (!text.empty())
            text += '\t';
        char buffer[64];
        const auto result =
            std::to_chars(buffer, buffer + sizeof buffer, static_cast<float>(value));
        text.append(buffer, result.ptr);
    }
    return text;
}

std::optional<std::vector<double>> ParsePointValues(std::string_view text) {
    std::vector<double> values;
    constexpr std::string_view kSeparators = "\t\r\n ;";
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t start = text.find_first_not_of(kSeparators, at);
        if (start == std::string_view::npos)
            break;
        std::size_t end = text.find_first_of(kSeparators, start);
        if (end == std::string_view::npos)
            end = text.size();
        std::string piece(text.substr(start, end - start));
        at = end;
        if (std::count(piece.begin(), piece.end(), ',') == 1 &&
            piece.find('.') == std::string::npos)
            piece[piece.find(',')] = '.';
        std::size_t first = piece.front() == '+' ? 1 : 0;
        double value = 0.0;
        const auto result = std::from_chars(piece.data() + first, piece.data() + piece.size(),
                                            value, std::chars_format::general);
        if (result.ec != std::errc() || result.ptr != piece.data() + piece.size() ||
            !std::isfinite(value))
            return std::nullopt;
        values.push_back(value);
    }
    if (values.empty())
        return std::nullopt;
    return values;
}

int CGraphEngine::SelectedPointCount() const {
    return static_cast<int>(std::count_if(points_.begin(), points_.end(),
                                          [](const GraphPoint& pt) { return pt.selected != 0; }));
}

std::vector<double> CGraphEngine::CopyValues() const {
    std::vector<double> values;
    if (!ValidTrace(currentTrace_))
        return values;
    for (int p = 0; p < pointCount_; ++p) {
        if (At(currentTrace_, p).selected)
            values.push_back(At(currentTrace_, p).value);
    }
    return values;
}

std::vector<CurvePointValue> CGraphEngine::OperationValues(PointOperation op,
                                                           double argument) const {
    std::vector<CurvePointValue> out;
    for (int t = 0; t < traceCount_; ++t) {
        std::vector<int> selected;
        for (int p = 0; p < pointCount_; ++p) {
            if (At(t, p).selected)
                selected.push_back(p);
        }
        if (selected.empty())
            continue;
        auto value = [this, t](int p) { return static_cast<double>(At(t, p).value); };
        const int first = selected.front();
        const int last = selected.back();
        for (int p : selected) {
            double result = 0.0;
            switch (op) {
            case PointOperation::kSetTo:
                result = argument;
                break;
            case PointOperation::kAdd:
                result = value(p) + argument;
                break;
            case PointOperation::kScale:
                result = value(p) * argument / 100.0;
                break;
            case PointOperation::kInterpolate:
                if (p == first || p == last)
                    continue;
                result = value(first) + (value(last) - value(first)) * (p - first) / (last - first);
                break;
            case PointOperation::kSmooth:
                if (p == first || p == last)
                    continue;
                result = (value(p - 1) + value(p) + value(p + 1)) / 3.0;
                break;
            }
            out.push_back({t, p, result});
        }
    }
    return out;
}

std::vector<CurvePointValue> CGraphEngine::PasteValues(std::span<const double> values) const {
    std::vector<CurvePointValue> out;
    if (!ValidTrace(currentTrace_) || !traces_[static_cast<std::size_t>(currentTrace_)].visible)
        return out;
    std::size_t next = 0;
    int selected = 0;
    for (int p = 0; p < pointCount_; ++p)
        selected += At(currentTrace_, p).selected;
    if (selected > 1) {
        for (int p = 0; p < pointCount_ && next < values.size(); ++p) {
            if (At(currentTrace_, p).selected)
                out.push_back({currentTrace_, p, values[next++]});
        }
        return out;
    }
    int start = ValidPoint(cursorColumn_) ? cursorColumn_ : 0;
    if (!ValidPoint(cursorColumn_)) {
        for (int p = 0; p < pointCount_; ++p) {
            if (At(currentTrace_, p).selected)
                start = p;
        }
    }
    for (int p = start; p < pointCount_ && next < values.size(); ++p)
        out.push_back({currentTrace_, p, values[next++]});
    return out;
}

} // namespace vexa
