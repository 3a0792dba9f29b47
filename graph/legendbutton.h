#pragma once
// CLegendButton: the check box in front of each row of the "Graph Controls" bar, with the
// coloured labels that carry its name. Kind 4 shows and hides the curves attached to it,
// kind 7 switches the graph's link mode and kind 6 switches a calibration option through
// the BitValState action lists of its GraphElement block, after which the bar is rebuilt.
// Clicking a label acts like clicking the box.
//
// Every button and label holds a window id from a ControlIdAllocator for its life; the
// main window finds the status prompt, tool tip and help text of a widget from that id
// (frame/controlwidget.h). All of it runs on the user-interface thread.
#include "core/curvegraph.h"
#include "core/vlxdoc.h"

#include <QCheckBox>
#include <QColor>
#include <QLabel>
#include <QPointer>
#include <QString>

#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace vexa {

class ControlIdRegistry;

// Hands out the window ids of generated controls and keeps the texts the main window shows
// for them. AllocateControlId returns 0 when every id is taken; a control with id 0 has no
// texts.
class ControlIdAllocator {
public:
    virtual ~ControlIdAllocator() = default;
    virtual int AllocateControlId(int start) = 0;
    virtual void ReleaseControlId(int id) = 0;
    virtual void SetControlStatusText(int id, const std::string& text) = 0;
    virtual void SetControlToolTip(int id, const std::string& text) = 0;
    // help must live until the id is released; the first registration for an id wins.
    virtual void SetControlHelpText(int id, const std::string* help) = 0;
};

// The allocator the main window passes: its ControlIdRegistry.
class RegistryIdAllocator : public ControlIdAllocator {
public:
    explicit RegistryIdAllocator(ControlIdRegistry& registry) : registry_(registry) {}
    int AllocateControlId(int start) override;
    void ReleaseControlId(int id) override;
    void SetControlStatusText(int id, const std::string& text) override;
    void SetControlToolTip(int id, const std::string& text) override;
    void SetControlHelpText(int id, const std::string* help) override;

private:
    ControlIdRegistry& registry_;
};

// A generated control's id: taken at construction, given back by Release or at
// destruction. Without an allocator the id is 0.
class ControlIdHold {
public:
    explicit ControlIdHold(ControlIdAllocator* ids);
    ~ControlIdHold() { Release(); }
    ControlIdHold(const ControlIdHold&) = delete;
    ControlIdHold& operator=(const ControlIdHold&) = delete;
    int Id() const { return id_; }
    // Registers the texts (empty ones are not registered); help must outlive the id.
    void RegisterTexts(const std::string* help, const std::string& status,
                       const std::string& toolTip);
    void Release();

private:
    ControlIdAllocator* ids_;
    int id_;
};

// Calibration texts are Windows-1252 bytes; widgets show Unicode.
QString BarText(const std::string& bytes);
// 0x00BBGGRR as a colour.
QColor BarColour(std::uint32_t rgb);

class CLegendButton;

// A label of a bar: plain (a heading) or coloured (black text on the element's colour),
// centred. A label owned by a legend button forwards clicks and double clicks to it.
class CLegendLabel : public QLabel {
public:
    CLegendLabel(QWidget* parent, ControlIdAllocator* ids, const std::string& text, bool coloured,
                 std::uint32_t colour, int pointSize, bool withId = true);
    int ControlId() const { return id_.Id(); }
    void SetOwner(CLegendButton* owner) { owner_ = owner; }
    // Registers the label's own texts under its id (the help text is copied).
    void RegisterTexts(const std::string& help, const std::string& status,
                       const std::string& toolTip);
    const std::string& HelpText() const { return help_; }
    // Gives the id back before the widget goes (the bar deletes its controls later).
    void ReleaseId() { id_.Release(); }

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    ControlIdHold id_;
    std::string help_;
    CLegendButton* owner_ = nullptr;
    int pointSize_;
    bool afterDoubleClick_ = false;
};

class CDynamicDialogBar;

class CLegendButton : public QCheckBox {
public:
    enum Kind : int { kTraceButton = 4, kControlButton = 6, kLinkButton = 7 };
    static constexpr int kMaxTraces = 10;

    // bar is the parent widget and the bar rebuilt after a control button's click; doc may
    // be null (the button then only changes the graph, or does nothing).
    CLegendButton(CDynamicDialogBar* bar, CVLXDoc* doc, ControlIdAllocator* ids, Kind kind,
                  std::string logicalName, int index);
    ~CLegendButton() override;

    // Keeps the graph and puts trace into the first free of the 10 slots (with none free
    // the trace is not added, still a success). 0 without a graph or when trace is not a
    // curve index.
    int Attach(CurveGraph* graph, int trace);
    // The attached traces in slot order.
    std::vector<int> Traces() const;

    // Takes ownership of a label (the bar's child); the first is the button's own label.
    void AddLabel(CLegendLabel* label);
    std::vector<CLegendLabel*> Labels() const;

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
    void LabelClicked();
    // Gives the ids of the button and its labels back; the widgets are deleted later.
    void ReleaseIds();

protected:
    void nextCheckState() override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void OnClicked();

    CDynamicDialogBar* bar_;
    CVLXDoc* doc_;
    Kind kind_;
    std::string logicalName_;
    int index_;
    ControlIdHold id_;
    std::string help_;
    CurveGraph* graph_ = nullptr;
    std::array<std::int16_t, kMaxTraces> traces_;
    std::vector<QPointer<CLegendLabel>> labels_;
};

} // namespace vexa
