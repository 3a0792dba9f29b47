#include "graph/legendbutton.h"

#include "graph/dynamicdialogbar.h"
#include "uicommon/controlwidget.h"
#include "uicommon/messagebox.h"
#include "uicommon/textcodec.h"

#include <QKeyEvent>

#include <optional>

namespace vexa {

// ---- Buttons ----------------------------------------------------------------------

CLegendButton::CLegendButton(CDynamicDialogBar* bar, CVLXDoc* doc, ControlIdSource* ids, Kind kind,
                             std::string logicalName, int index)
    : QCheckBox(bar), bar_(bar), doc_(doc), kind_(kind), logicalName_(std::move(logicalName)),
      index_(index), id_(ids) {
    traces_.fill(-1);
    setFocusPolicy(Qt::StrongFocus);
    if (id_.Id() != 0)
        SetControlId(this, id_.Id());
    connect(this, &QCheckBox::clicked, this, [this] { OnClicked(); });
}

CLegendButton::~CLegendButton() {
    for (const QPointer<CDynamicStatic>& label : labels_)
        delete label.data();
}

int CLegendButton::Attach(CurveGraph* graph, int trace) {
    if (!graph || trace < 0 || trace >= kNumCurves)
        return 0;
    graph_ = graph;
    for (std::int16_t& slot : traces_) {
        if (slot == -1) {
            slot = static_cast<std::int16_t>(trace);
            break;
        }
    }
    return 1;
}

std::vector<int> CLegendButton::Traces() const {
    std::vector<int> traces;
    for (const std::int16_t slot : traces_) {
        if (slot != -1)
            traces.push_back(slot);
    }
    return traces;
}

void CLegendButton::AddLabel(CDynamicStatic* label) {
    label->SetLinkedButton(this);
    labels_.emplace_back(label);
}

std::vector<CDynamicStatic*> CLegendButton::Labels() const {
    std::vector<CDynamicStatic*> labels;
    for (const QPointer<CDynamicStatic>& label : labels_) {
        if (label)
            labels.push_back(label.data());
    }
    return labels;
}

void CLegendButton::SetTexts(std::string help, const std::string& status,
                             const std::string& toolTip) {
    help_ = std::move(help);
    id_.RegisterTexts(&help_, status, toolTip);
}

int CLegendButton::CheckState() const {
    switch (checkState()) {
    case Qt::Checked:
        return 1;
    case Qt::PartiallyChecked:
        return 2;
    default:
        return 0;
    }
}

void CLegendButton::SetCheckState(int state) {
    setCheckState(state == 0 ? Qt::Unchecked : state == 1 ? Qt::Checked : Qt::PartiallyChecked);
}

void CLegendButton::nextCheckState() {
    // An auto check box: checked and unchecked swap, the third state clears.
    SetCheckState(CheckState() == 0 ? 1 : 0);
}

bool CLegendButton::HelpRequest() {
    if (!help_.empty() && doc_)
        doc_->ShowMessage(help_, kProgramTitle, kMbOk);
    return true;
}

void CLegendButton::LabelClicked() {
    const int state = CheckState();
    if (state == 0)
        SetCheckState(1);
    else if (state == 1)
        SetCheckState(0);
    setFocus(Qt::MouseFocusReason);
    OnClicked();
}

void CLegendButton::ReleaseIds() {
    id_.Release();
    for (CDynamicStatic* label : Labels())
        label->ReleaseId();
}

void CLegendButton::focusInEvent(QFocusEvent* event) {
    QCheckBox::focusInEvent(event);
    // The bar draws the focus frame around the labels of the focused button.
    if (QWidget* parent = parentWidget())
        parent->repaint();
}

void CLegendButton::focusOutEvent(QFocusEvent* event) {
    QCheckBox::focusOutEvent(event);
    if (QWidget* parent = parentWidget())
        parent->update();
}

void CLegendButton::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F1) {
        HelpRequest();
        event->accept();
        return;
    }
    QCheckBox::keyPressEvent(event);
}

bool CLegendButton::event(QEvent* event) {
    if (ClaimHelpKey(event))
        return true;
    return QCheckBox::event(event);
}

void CLegendButton::OnClicked() {
    const int state = CheckState();
    // One step of the history, named as the bar shows the box. The scope is on the document,
    // not on this button, which a control button's rebuild deletes.
    std::optional<ChangeScope> step;
    if (doc_)
        step.emplace(*doc_, ToWindows1252(accessibleName()));
    switch (kind_) {
    case kTraceButton: {
        bool any = false;
        for (const int trace : Traces()) {
            graph_->SetTraceVisible(trace, state != 0);
            if (doc_) {
                doc_->Display.SetTraceVisible(trace, state != 0);
                doc_->SetModifiedFlag();
            }
            any = true;
        }
        if (any && doc_)
            doc_->Host().RedrawView();
        break;
    }
    case kLinkButton:
        if (doc_) {
            doc_->Display.SetU8(DisplayBlock::kLinkMode, static_cast<std::uint8_t>(state));
            doc_->SetModifiedFlag();
            if (CurveGraph* graph = doc_->Graph())
                graph->SetLinkMode(state);
            doc_->Host().RedrawView();
        }
        break;
    case kControlButton: {
        if (!doc_)
            break;
        if (doc_->FindSection("[GraphicalTuning]", 0) &&
            doc_->FindBlockByLogicalName("GraphElement", logicalName_)) {
            int apply = 1;
            doc_->ApplyActionList("BitValState" + std::to_string(state), kBlockScope, nullptr,
                                  &apply);
        }
        // The bar is rebuilt, so what the option shows or hides follows it, and the curves
        // are shown again (a curve may have started or stopped following another); the
        // dashboard and its live data go on. The rebuild deletes this button: nothing of it
        // is used once it starts.
        CVLXDoc* const doc = doc_;
        if (const QPointer<CDynamicDialogBar> bar = bar_)
            bar->BuildFromDefinition(doc);
        doc->RefreshViews(0);
        break;
    }
    }
}

} // namespace vexa
