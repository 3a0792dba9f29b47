#pragma once
// A graph that records what the document asks of it.
#include "core/curvegraph.h"

#include <array>
#include <cstddef>
#include <utility>
#include <vector>

namespace vexa::testing {

struct RecordingGraph : CurveGraph {
    void SetTraceVisible(int trace, bool visible) override {
        visibleCalls.push_back({trace, visible});
    }
    void SetValue(int trace, int point, double value) override {
        values[static_cast<std::size_t>(trace * 10 + point)] = value;
    }
    void UpdateTraceRange(int trace) override { ranges.push_back(trace); }
    void SetLink(int trace, int linked) override { links.push_back({trace, linked}); }

    std::vector<std::pair<int, bool>> visibleCalls;
    std::array<double, 500> values{};
    std::vector<int> ranges;
    std::vector<std::pair<int, int>> links;
};

} // namespace vexa::testing
