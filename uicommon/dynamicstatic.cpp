#include "uicommon/dynamicstatic.h"

#include "uicommon/controlwidget.h"
#include "uicommon/textcodec.h"

#include <QAbstractButton>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>

#include <utility>

namespace vexa {

CDynamicStatic::CDynamicStatic(QWidget* parent, ControlIdSource* ids) : QLabel(parent), id_(ids) {
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    if (id_.Id() != 0)
        SetControlId(this, id_.Id());
}

void CDynamicStatic::RegisterTexts(const std::string& help, const std::string& status,
                                   const std::string& toolTip) {
    help_ = help;
    id_.RegisterTexts(&help_, status, toolTip);
}

bool CDynamicStatic::SetPicture(const std::string& path) {
    picturePath_ = path;
    image_ = QImage();
    if (!path.empty())
        image_.load(QString::fromLocal8Bit(path.c_str()));
    if (image_.isNull()) {
        clear();
        return false;
    }
    setAlignment(Qt::AlignCenter);
    ShowImage();
    return true;
}

void CDynamicStatic::ShowImage() {
    if (image_.isNull())
        return;
    // Centred; a bitmap larger than the area is scaled down to fit, keeping its shape.
    QImage shown = image_;
    if (shown.width() > width() || shown.height() > height())
        shown = shown.scaled(size(), Qt::KeepAspectRatio, Qt::SmoothTransformation);
    setPixmap(QPixmap::fromImage(shown));
}

void CDynamicStatic::SetLinkedButton(QAbstractButton* button) {
    linked_ = button;
}

void CDynamicStatic::SetColours(bool on, std::uint32_t text, std::uint32_t background) {
    colourFlag_ = on;
    setAutoFillBackground(on);
    QPalette colours = parentWidget() ? parentWidget()->palette() : QPalette();
    if (on) {
        colours.setColor(QPalette::Window, FromColorRef(background));
        for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive})
            colours.setColor(group, QPalette::WindowText, FromColorRef(text));
    }
    setPalette(colours);
}

void CDynamicStatic::SetFitToWidth(int pointSize) {
    fitPointSize_ = pointSize;
    FitText();
}

void CDynamicStatic::SetText(const QString& text) {
    if (this->text() != text)
        setText(text);
    FitText();
}

void CDynamicStatic::FitText() {
    if (fitPointSize_ <= 0)
        return;
    QFont f = font();
    f.setPointSize(fitPointSize_);
    const int room = contentsRect().width() - 2;
    while (f.pointSize() > 6 && QFontMetrics(f).horizontalAdvance(text()) > room)
        f.setPointSize(f.pointSize() - 1);
    if (f != font())
        setFont(f);
}

void CDynamicStatic::resizeEvent(QResizeEvent* event) {
    QLabel::resizeEvent(event);
    FitText();
    ShowImage();
}

void CDynamicStatic::DrawFocusFrame(bool on) {
    focusFrame_ = on;
    update();
}

void CDynamicStatic::paintEvent(QPaintEvent* event) {
    QLabel::paintEvent(event);
    if (!focusFrame_)
        return;
    QPainter painter(this);
    QStyleOptionFocusRect option;
    option.initFrom(this);
    option.rect = rect();
    style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
}

void CDynamicStatic::ForwardClick() {
    if (!linked_)
        return;
    if (auto* target = dynamic_cast<LabelClickTarget*>(linked_.data())) {
        target->LabelClicked();
        return;
    }
    if (linked_->focusPolicy() & Qt::ClickFocus)
        linked_->setFocus(Qt::MouseFocusReason);
    linked_->click();
}

void CDynamicStatic::mouseReleaseEvent(QMouseEvent* event) {
    QLabel::mouseReleaseEvent(event);
    if (event->button() != Qt::LeftButton || !rect().contains(event->position().toPoint()))
        return;
    // The release that ends a double click was counted by the double click.
    if (std::exchange(afterDoubleClick_, false))
        return;
    ForwardClick();
}

void CDynamicStatic::mouseDoubleClickEvent(QMouseEvent* event) {
    if (linked_ && event->button() == Qt::LeftButton) {
        afterDoubleClick_ = true;
        ForwardClick();
        return;
    }
    QLabel::mouseDoubleClickEvent(event);
}

} // namespace vexa
