#pragma once
// CDynamicDialogBar: the contents of the "Graph Controls" bar. Each build deletes its
// controls and makes them anew from the definition's [GraphicalTuning] section, so what
// they show always comes from the document: TraceVisible, LinkMode and the variables the
// control buttons' BitValState lists test. The main window puts the bar into its
// "Graph Controls" dock and calls BuildFromDefinition (or BuildFromControls with the
// description it already built) from DocumentHost::RebuildBars.
#include "core/graphicaltuning.h"
#include "core/vlxdoc.h"
#include "graph/legendbutton.h"

#include <QFont>
#include <QPointer>
#include <QWidget>

#include <vector>

namespace vexa {

class CDynamicDialogBar : public QWidget {
public:
    // ids hands out the controls' window ids (may be null: every id is then 0).
    explicit CDynamicDialogBar(ControlIdSource* ids, QWidget* parent = nullptr);
    ~CDynamicDialogBar() override;

    // DestroyControls, then the controls of the document's [GraphicalTuning] section;
    // building also configures the graph's traces and the curves' conversions. Repaints the
    // document's view. 0 without a document or without the section (the bar stays empty).
    int BuildFromDefinition(CVLXDoc* doc);
    // The same from a description BuildGraphicalTuning made just before for doc.
    int BuildFromControls(CVLXDoc* doc, const std::vector<TuningControl>& controls);
    // Deletes every control the bar made (the widgets go once control returns to the event
    // loop, so a button may rebuild the bar from its own click); their ids are free at once.
    void DestroyControls();

    // The controls in creation order: CLegendButton or, for headings, CDynamicStatic.
    const std::vector<QWidget*>& Controls() const { return controls_; }
    std::vector<CLegendButton*> Buttons() const;
    // The button whose row shows logicalName (the first one), or null.
    CLegendButton* FindButton(const std::string& logicalName) const;
    // Counts the builds, so a control button knows whether its rebuild request reached the
    // bar.
    int BuildCount() const { return builds_; }
    CVLXDoc* Document() const { return doc_; }
    ControlIdSource* Ids() const { return ids_; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    // F1 over the bar itself is swallowed; over a control it is the control's.
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool Docked() const;

    ControlIdSource* ids_;
    CVLXDoc* doc_ = nullptr;
    std::vector<QWidget*> controls_;
    int bottom_ = 0;
    int builds_ = 0;
};

} // namespace vexa
