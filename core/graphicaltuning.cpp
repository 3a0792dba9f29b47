#include "core/graphicaltuning.h"

namespace vexa {

namespace {

constexpr int kRowHeight = 20;
constexpr int kRowGap = 10;
constexpr int kLabelOffset = 18;
constexpr int kCheckBoxWidth = 15;

// An action list evaluated without changing anything holds when every entry matches; a
// missing list does not hold.
bool Holds(CVLXDoc& doc, const char* key) {
    int match = 0;
    return doc.ApplyActionList(key, kBlockScope, nullptr, &match) != kMissingValue && match == 1;
}

class Builder {
public:
    Builder(CVLXDoc& doc, std::vector<TuningControl>& controls) : doc_(doc), controls_(controls) {}

    void Element(const std::string& type) {
        logicalName_.clear();
        displayName_.clear();
        doc_.ReadKeyText("LogicalName", logicalName_, 50, kBlockScope);
        doc_.ReadKeyText("DisplayName", displayName_, 80, kBlockScope);
        if (type == "Trace") {
            AddTrace();
        } else if (type == "TraceLinkButton") {
            int match = 0;
            const int condition =
                doc_.ApplyActionList("EnableCondition", kBlockScope, nullptr, &match);
            if (condition == kMissingValue || match == 1)
                AddButton(TuningControl::kLinkButton);
        } else if (type == "ControlButton") {
            AddButton(TuningControl::kControlButton);
        } else if (type == "Label") {
            AddHeading();
        }
    }

private:
    bool Full() const { return static_cast<int>(controls_.size()) >= kMaxTuningControls; }

    void NewRow() {
        row_.top = row_.bottom + kRowGap;
        row_.bottom = row_.top + kRowHeight;
    }

    TuningControl MakeControl(TuningControl::Kind kind, std::uint32_t colour, int labelRight) {
        TuningControl control;
        control.kind = kind;
        control.logicalName = logicalName_;
        control.displayName = displayName_;
        ReadTexts(control.helpText, control.statusBarText, control.toolTip);
        control.checkBox = {row_.left, row_.top, row_.left + kCheckBoxWidth, row_.bottom};
        control.labels.push_back(
            Label({row_.left + kLabelOffset, row_.top, labelRight, row_.bottom}, true, colour));
        return control;
    }

    TuningLabel Label(TuningRect rect, bool coloured, std::uint32_t colour) {
        TuningLabel label;
        label.rect = rect;
        label.text = displayName_;
        label.coloured = coloured;
        label.colour = colour;
        ReadTexts(label.helpText, label.statusBarText, label.toolTip);
        return label;
    }

    void ReadTexts(std::string& help, std::string& status, std::string& tip) {
        doc_.ReadKeyString("HelpText", help, kBlockScope);
        doc_.ReadKeyText("StatusBarTxt", status, 79, kBlockScope);
        doc_.ReadKeyText("ToolTip", tip, 79, kBlockScope);
    }

    std::uint32_t Colour(const char* key) {
        std::int32_t colour = static_cast<std::int32_t>(kDefaultTuningColour);
        doc_.ReadKeyInt(key, colour, kBlockScope);
        return static_cast<std::uint32_t>(colour);
    }

    void AddTrace() {
        std::int32_t trace = 0;
        doc_.ReadKeyInt("TraceNum", trace, kBlockScope);
        if (trace < 0 || trace >= kNumCurves)
            return; // no such curve: nothing to configure
        const std::uint32_t colour = Colour("TraceColor");
        std::int32_t enable = -1;
        doc_.ReadKeyInt("EnableButton", enable, kBlockScope);
        std::string callout;
        doc_.ReadKeyText("CallOutFmt", callout, 80, kBlockScope);

        CurveGraph* graph = doc_.Graph();
        if (graph) {
            graph->SetTraceColor(trace, colour);
            graph->SetTraceText(trace, displayName_, callout);
        }
        doc_.ReadGraphElementSettings(trace);
        const auto t = static_cast<std::size_t>(trace);
        doc_.ProxyActive[t] = 0;

        if (enable == 0 || enable == 1) {
            if (Full())
                return;
            NewRow();
            const int labelLeft = row_.left + kLabelOffset;
            const bool fullWidth = enable == 0 || Holds(doc_, "SingleLabelEnable");
            const int right = fullWidth ? row_.right : (row_.right - labelLeft) / 2 + labelLeft;
            TuningControl control = MakeControl(TuningControl::kTraceButton, colour, right);
            control.traces.push_back(trace);
            control.checked = doc_.Display.TraceVisible(trace) ? 1 : 0;
            if (graph)
                graph->SetTraceVisible(trace, control.checked != 0);
            controls_.push_back(std::move(control));
        } else if (enable == 2) {
            // A companion shares the check box of the trace button made just before it.
            if (controls_.empty() || controls_.back().kind != TuningControl::kTraceButton)
                return;
            TuningControl& owner = controls_.back();
            if (Holds(doc_, "ProxyEnable")) {
                if (graph)
                    graph->SetTraceVisible(trace, false);
                doc_.ProxyActive[t] = 1;
                return;
            }
            const int labelLeft = row_.left + kLabelOffset;
            owner.labels.push_back(Label({labelLeft + (row_.right - row_.left - kLabelOffset) / 2,
                                          row_.top, row_.right, row_.bottom},
                                         true, colour));
            owner.traces.push_back(trace);
            if (graph)
                graph->SetTraceVisible(trace, owner.checked != 0);
        }
    }

    void AddButton(TuningControl::Kind kind) {
        if (Full())
            return;
        const std::uint32_t colour = Colour("BackColor");
        NewRow();
        TuningControl control = MakeControl(kind, colour, row_.right);
        if (kind == TuningControl::kLinkButton) {
            control.checked = doc_.Display.U8(DisplayBlock::kLinkMode);
            if (CurveGraph* graph = doc_.Graph())
                graph->SetLinkMode(control.checked);
        } else {
            int state = 0;
            control.checked =
                doc_.MatchActionState("BitValState%d", kBlockScope, state) ? state : 0;
        }
        controls_.push_back(std::move(control));
    }

    void AddHeading() {
        if (Full())
            return;
        row_.top = row_.bottom + 15;
        row_.bottom = row_.top + 16;
        TuningControl control;
        control.kind = TuningControl::kHeading;
        control.logicalName = logicalName_;
        control.displayName = displayName_;
        control.labels.push_back(Label({row_.left, row_.top, row_.right, row_.bottom}, false, 0));
        controls_.push_back(std::move(control));
        row_.bottom -= 5;
    }

    CVLXDoc& doc_;
    std::vector<TuningControl>& controls_;
    TuningRect row_{5, 0, 130, 5};
    std::string logicalName_;
    std::string displayName_;
};

} // namespace

int BuildGraphicalTuning(CVLXDoc& doc, std::vector<TuningControl>& controls) {
    controls.clear();
    if (!doc.FindSection("[GraphicalTuning]", 0))
        return 0;
    Builder builder(doc, controls);
    std::string type;
    for (int more = 0; doc.FindBlock("GraphElement", type, more); more = 1)
        builder.Element(type);
    return 1;
}

} // namespace vexa
