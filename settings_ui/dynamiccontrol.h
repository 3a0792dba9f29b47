#pragma once
// What the generated controls of the settings windows share.
//
// Every generated control shows one control model of settings_ui/modelcontrols.h and
// forwards the user's actions to the CSettingsPage that created it; the page hands them to
// its model and then brings every widget in line with the models again. A forwarded action
// may replace the very control that forwarded it (the page's options or the whole sheet
// are rebuilt), so a control touches nothing of its own after forwarding.
#include "settings_ui/modelcontrols.h"
#include "uicommon/dynamicstatic.h"

#include <QRect>

#include <string>

class QWidget;

namespace vexa {

class CSettingsPage;

// The part of a generated control that is not its widget: the control id it holds for its
// life (kept on the widget, uicommon/controlwidget.h, so the main window can look up its
// prompt, tool tip and help from the widget alone), the tool tip, and the page it forwards
// to (none once the page replaced it).
class DynamicControl {
public:
    DynamicControl(QWidget& widget, ControlIdSource& ids, CSettingsPage* page);
    virtual ~DynamicControl() = default;
    DynamicControl(const DynamicControl&) = delete;
    DynamicControl& operator=(const DynamicControl&) = delete;

    // 0 when every id was taken.
    int ControlId() const { return id_.Id(); }

    // The settings pages register none; the tuning bar and dashboard do.
    const std::string& StatusPrompt() const { return statusPrompt_; }
    void SetStatusPrompt(const std::string& text) { statusPrompt_ = text; }
    const std::string& ToolTipText() const { return toolTip_; }
    void SetToolTipText(const std::string& text);

    CSettingsPage* Page() const { return page_; }
    // The page replaced the control: user actions are ignored from now on.
    virtual void Detach() { page_ = nullptr; }

private:
    QWidget& widget_;
    ControlIdLease id_;
    std::string statusPrompt_;
    std::string toolTip_;
    CSettingsPage* page_;
};

// Copies rectangle, text, visibility, colours and picture from the model.
void SyncStatic(CDynamicStatic& label, const StaticModel& model);

// What assistive technology reads out for a control: the name a person sees beside it (its
// label, when it has one) and its help text.
void SetAccessibleTexts(QWidget& control, const StaticModel* label, const std::string& help);

// The model's rectangle as a Qt rectangle.
QRect ToQRect(const ControlRect& rect);

} // namespace vexa
