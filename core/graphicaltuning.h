#pragma once
// The "Graph Controls" bar as the definition's [GraphicalTuning] section describes it:
// which traces it shows and how, its link and control buttons, its headings and where
// each sits. Building it also configures the graph's traces (colour, legend, callout)
// and the document's curve conversions, so every front end calls this one function: the
// tuning bar turns the result into widgets, the command line only needs the configuration.
#include "core/vlxdoc.h"

#include <cstdint>
#include <string>
#include <vector>

namespace vexa {

struct TuningRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    bool operator==(const TuningRect&) const = default;
};

struct TuningLabel {
    TuningRect rect;
    std::string text;
    bool coloured = false;    // black text on colour; a heading is plain
    std::uint32_t colour = 0; // 0x00BBGGRR
    // Texts of the element the label belongs to (a companion trace brings its own).
    std::string helpText;
    std::string statusBarText;
    std::string toolTip;
};

struct TuningControl {
    enum Kind : int { kHeading = 0, kTraceButton = 4, kControlButton = 6, kLinkButton = 7 };
    Kind kind = kHeading;
    std::string logicalName;
    std::string displayName;
    std::string helpText;
    std::string statusBarText; // at most 79 characters
    std::string toolTip;       // at most 79 characters
    TuningRect checkBox;       // empty for headings
    std::vector<TuningLabel> labels;
    std::vector<int> traces; // what the check box of a trace button shows and hides
    int checked = 0;
};

constexpr int kMaxTuningControls = 35;
constexpr std::uint32_t kDefaultTuningColour = 0x00C0C0C0; // elements without a colour

// Rebuilds the bar's description from the definition text. Returns 1, or 0 when there is
// no [GraphicalTuning] section (controls stay empty and every trace stays as it was).
int BuildGraphicalTuning(CVLXDoc& doc, std::vector<TuningControl>& controls);

} // namespace vexa
