#pragma once
// CLegendButton: the check box in front of each row of the "Graph Controls" bar, with the
// coloured labels that carry its name. Kind 4 shows and hides the curves attached to it,
// kind 7 switches the graph's link mode and kind 6 switches a calibration option through
// the BitValState action lists of its GraphElement block, after which the bar is rebuilt.
// Clicking a label acts like clicking the box.
//
// Every button and label holds a window id from a ControlIdSource for its life; the main
// window finds the status prompt, tool tip and help text of a widget from that id
// (uicommon/controlwidget.h). All of it runs on the user-interface thread.
#include "core/curvegraph.h"
#include "core/vlxdoc.h"
#include "uicommon/dynamicstatic.h"

#include <QCheckBox>
#include <QPointer>

#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace vexa {

class CDynamicDialogBar;

class CLegendButton : public QCheckBox, public LabelClickTarget {
public:
    enum Kind : int { kTraceButton = 4, kControlButton = 6, kLinkButton = 7 };
    static constexpr int kMaxTraces = 10;

    // bar is the parent widget and the bar rebuilt after a control button's click; doc may
    // be null (the button then only changes the graph, or does nothing).
    CLegendButton(CDynamicDialogBar* bar, CVLXDoc* doc, ControlIdSource* ids, Kind kind,
                  std::string logicalName, int index);
    ~CLegendButton() override;

    // Keeps the graph and puts trace into the first free of the 10 slots (with none free
    // the trace is not added, still a success). 0 without a graph or when trace is not a
    // curve index.
    int Attach(CurveGraph* graph, int trace);
    // The attached traces in slot order.
    std::vector<int> Traces() const;

    // Takes ownership of a label (the bar's child); the first is the button's own label.
    void AddLabel(CDynamicStatic* label);
    std::vector<CDynamicStatic*> Labels() const;

    // The element's texts, registered for the button's id (the help text is kept here).
    void SetTexts(std::string help, const std::string& status, const std::string& toolTip);
    const std::string& HelpText() const { return help_; }
    int ControlId() const { return id_.Id(); }
    Kind ButtonKind() const { return kind_; }
    const std::string& LogicalName() const { return logicalName_; }
    int Index() const { return index_; }
    // 0 unchecked, 1 checked, 2 the third state.
    int CheckState() const;
    void SetCheckState(int state);

    // F1 over the button: its help text in a message box with the program's title as
    // caption. The request counts as handled either way.
    bool HelpRequest();
    // What a click on one of its labels does: toggles the box, takes the focus, then the
    // click behaviour.
    void LabelClicked() override;
    // Gives the ids of the button and its labels back; the widgets are deleted later.
    void ReleaseIds();

protected:
    void nextCheckState() override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool event(QEvent* event) override;

private:
    void OnClicked();

    CDynamicDialogBar* bar_;
    CVLXDoc* doc_;
    Kind kind_;
    std::string logicalName_;
    int index_;
    ControlIdLease id_;
    std::string help_;
    CurveGraph* graph_ = nullptr;
    std::array<std::int16_t, kMaxTraces> traces_;
    std::vector<QPointer<CDynamicStatic>> labels_;
};

} // namespace vexa
