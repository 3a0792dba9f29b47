#include "settings_ui/dynamicstatic.h"

#include "settings_ui/dynamicbutton.h"
#include "settings_ui/richtext.h"

#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>

#include <array>

namespace vexa {

QString FromDefinitionText(const std::string& bytes) {
    return QString::fromStdString(Windows1252ToUtf8(bytes));
}

std::string ToDefinitionText(const QString& text) {
    // The 32 bytes 0x80..0x9F are the only ones whose character differs from Latin-1.
    static const std::array<char16_t, 32> high = [] {
        std::array<char16_t, 32> table{};
        for (int i = 0; i < 32; ++i) {
            const std::string byte(1, static_cast<char>(0x80 + i));
            table[static_cast<std::size_t>(i)] = FromDefinitionText(byte).at(0).unicode();
        }
        return table;
    }();
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(text.size()));
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        char byte = '?';
        if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) {
            byte = static_cast<char>(u);
        } else {
            for (std::size_t i = 0; i < high.size(); ++i) {
                if (high[i] == u) {
                    byte = static_cast<char>(0x80 + i);
                    break;
                }
            }
        }
        bytes += byte;
    }
    return bytes;
}

QColor FromColorRef(std::uint32_t colour) {
    return QColor(static_cast<int>(colour & 0xFFu), static_cast<int>((colour >> 8) & 0xFFu),
                  static_cast<int>((colour >> 16) & 0xFFu));
}

QRect ToQRect(const ControlRect& rect) {
    return QRect(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
}

// --- DynamicControl ----------------------------------------------------------------------

DynamicControl::DynamicControl(QWidget& widget, ControlIdSource& ids, CSettingsPage* page)
    : widget_(widget), id_(&ids), page_(page) {
    widget_.setProperty(kControlIdProperty, id_.Id());
}

void DynamicControl::SetToolTipText(const std::string& text) {
    toolTip_ = text;
    widget_.setToolTip(FromDefinitionText(text));
}

// --- CDynamicStatic ----------------------------------------------------------------------

CDynamicStatic::CDynamicStatic(QWidget* parent) : QLabel(parent) {
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

void CDynamicStatic::Sync(const StaticModel& model) {
    setGeometry(ToQRect(model.rect));
    SetColours(model.colourFlag, model.textColour, model.backColour);
    if (!model.picturePath.empty() || !picturePath_.empty()) {
        if (model.picturePath != picturePath_)
            SetPicture(model.picturePath);
    } else {
        const QString text = FromDefinitionText(model.text);
        if (this->text() != text)
            setText(text);
        // A label cut off by its rectangle still tells its whole text on hovering.
        const bool cut = !wordWrap() && fontMetrics().horizontalAdvance(text) > width();
        setToolTip(cut ? text : QString());
    }
    setVisible(model.visible);
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

void CDynamicStatic::resizeEvent(QResizeEvent* event) {
    QLabel::resizeEvent(event);
    ShowImage();
}

void CDynamicStatic::SetColours(bool on, std::uint32_t text, std::uint32_t background) {
    colourFlag_ = on;
    setAutoFillBackground(on);
    QPalette colours = parentWidget() ? parentWidget()->palette() : QPalette();
    if (on) {
        colours.setColor(QPalette::WindowText, FromColorRef(text));
        colours.setColor(QPalette::Window, FromColorRef(background));
    }
    setPalette(colours);
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

void CDynamicStatic::mousePressEvent(QMouseEvent* event) {
    if (linked_ && event->button() == Qt::LeftButton) {
        linked_->click();
        return;
    }
    QLabel::mousePressEvent(event);
}

void CDynamicStatic::mouseDoubleClickEvent(QMouseEvent* event) {
    if (linked_ && event->button() == Qt::LeftButton)
        linked_->click();
    QLabel::mouseDoubleClickEvent(event);
}

} // namespace vexa
