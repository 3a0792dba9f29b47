#pragma once
// CDynamicStatic: the label of every generated window: the settings pages' labels,
// descriptions and pictures, the "Graph Controls" bar's coloured names and headings, and
// the dashboard's captions and value boxes. A static may hold a window id of its own (with
// the prompt, tool tip and help text the main window shows for it), draw its text in its
// own colours, shrink its font so a long text fits, and pass its clicks to a button.
#include "uicommon/controlidsource.h"

#include <QAbstractButton>
#include <QImage>
#include <QLabel>
#include <QPointer>
#include <QString>

#include <cstdint>
#include <string>

namespace vexa {

// A button that reacts to a click on its label in its own way (the tuning bar's check
// boxes keep a third state); other linked buttons are simply clicked.
class LabelClickTarget {
public:
    virtual ~LabelClickTarget() = default;
    virtual void LabelClicked() = 0;
};

class CDynamicStatic : public QLabel {
    Q_OBJECT
public:
    // ids: where the static takes a window id of its own; none for the settings pages'
    // labels and the bar's headings, which have none.
    explicit CDynamicStatic(QWidget* parent = nullptr, ControlIdSource* ids = nullptr);

    // 0 without an id of its own.
    int ControlId() const { return id_.Id(); }
    // Registers the static's texts under its id (the help text is copied).
    void RegisterTexts(const std::string& help, const std::string& status,
                       const std::string& toolTip);
    const std::string& HelpText() const { return help_; }
    // Gives the id back before the widget goes (a bar deletes its controls later).
    void ReleaseId() { id_.Release(); }

    // Loads the bitmap file (8-bit path); false, with no picture, when it cannot be read.
    bool SetPicture(const std::string& path);
    bool HasPicture() const { return !image_.isNull(); }
    const std::string& PicturePath() const { return picturePath_; }

    // Clicks and double-clicks go to this button (not owned; none by default): to its
    // LabelClicked when it is a LabelClickTarget, otherwise as a click on the button,
    // which takes the focus as it would from the pointer.
    void SetLinkedButton(QAbstractButton* button);
    QAbstractButton* LinkedButton() const { return linked_; }

    // With the flag on, text and background are drawn in these colours (0x00BBGGRR); a
    // greyed static keeps the greyed text colour.
    void SetColours(bool on, std::uint32_t text = 0xFF0000, std::uint32_t background = 0x80FF80);
    bool ColourFlag() const { return colourFlag_; }

    // From now on a text wider than the static is drawn smaller, down to 6 points, rather
    // than cut off; pointSize is the size the text is drawn in when it fits.
    void SetFitToWidth(int pointSize);
    // Shows text (fitted when SetFitToWidth was called).
    void SetText(const QString& text);

    // A dotted focus frame around the static (the tuning bar marks its current label).
    void DrawFocusFrame(bool on = true);
    bool HasFocusFrame() const { return focusFrame_; }

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void ShowImage();
    void FitText();
    void ForwardClick();

    ControlIdLease id_;
    std::string help_;
    QPointer<QAbstractButton> linked_;
    bool colourFlag_ = false;
    bool focusFrame_ = false;
    bool afterDoubleClick_ = false;
    int fitPointSize_ = 0;
    std::string picturePath_;
    QImage image_;
};

} // namespace vexa
