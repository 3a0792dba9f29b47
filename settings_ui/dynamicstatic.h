#pragma once
// What the generated controls of the settings windows share, and CDynamicStatic: the
// labels, descriptions and pictures beside them.
//
// Every generated control shows one control model of settings_ui/modelcontrols.h and
// forwards the user's actions to the CSettingsPage that created it; the page hands them to
// its model and then brings every widget in line with the models again. A forwarded action
// may replace the very control that forwarded it (the page's options or the whole sheet
// are rebuilt), so a control touches nothing of its own after forwarding.
#include "frame/controlwidget.h"
#include "settings_ui/modelcontrols.h"

#include <QColor>
#include <QImage>
#include <QLabel>
#include <QPointer>
#include <QString>

#include <string>

class QWidget;

namespace vexa {

class CDynamicButton;
class CSettingsPage;

// Calibration and definition texts are Windows-1252 bytes; widgets show Unicode.
QString FromDefinitionText(const std::string& bytes);
// Characters the code page lacks become '?'.
std::string ToDefinitionText(const QString& text);

// 0x00BBGGRR, as definitions give colours.
QColor FromColorRef(std::uint32_t colour);

// kControlIdProperty (frame/controlwidget.h): the property under which a generated
// control's widget carries its control id, so the main window can look up its prompt,
// tool tip and help from the widget alone.

// The part of a generated control that is not its widget: the control id it holds for its
// life, the status-bar prompt and tool tip the main window shows for it, and the page it
// forwards to (none once the page replaced it).
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

// A label, description or picture. Labels of the settings pages hold no control id of
// their own; a picture static shows a bitmap loaded with SetPicture.
class CDynamicStatic : public QLabel {
    Q_OBJECT
public:
    explicit CDynamicStatic(QWidget* parent = nullptr);

    // Copies rectangle, text, visibility, colours and picture from the model.
    void Sync(const StaticModel& model);

    // Loads the bitmap file (8-bit path); false, with no picture, when it cannot be read.
    bool SetPicture(const std::string& path);
    bool HasPicture() const { return !image_.isNull(); }

    // Clicks and double-clicks go to this button (not owned; none by default).
    void SetLinkedButton(CDynamicButton* button) { linked_ = button; }
    CDynamicButton* LinkedButton() const { return linked_; }

    // With the flag on, text and background are drawn in these colours (0x00BBGGRR).
    void SetColours(bool on, std::uint32_t text = 0xFF0000, std::uint32_t background = 0x80FF80);
    bool ColourFlag() const { return colourFlag_; }

    // A dotted focus frame around the static (the tuning bar marks its current label).
    void DrawFocusFrame(bool on = true);
    bool HasFocusFrame() const { return focusFrame_; }

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void ShowImage();

    QPointer<CDynamicButton> linked_;
    bool colourFlag_ = false;
    bool focusFrame_ = false;
    std::string picturePath_;
    QImage image_;
};

// The model's rectangle as a Qt rectangle.
QRect ToQRect(const ControlRect& rect);

} // namespace vexa
