#pragma once
// DrawingSurface on a QPainter, so the same drawing serves the screen's off-screen image,
// PNG export and printing. Exclusive-or needs a raster target (a QImage in Format_RGB32
// or Format_ARGB32_Premultiplied); on devices without raster operations (printers) the
// shapes drawn in exclusive-or mode are left out rather than painted opaquely.
#include "graph/drawingsurface.h"

#include <QPainter>
#include <QPainterPath>
#include <QPoint>

namespace vexa {

class QPainterSurface : public DrawingSurface {
public:
    // The painter must be active for the surface's life; its font is used for text.
    // Antialiasing is switched off so exclusive-or touches each pixel once.
    explicit QPainterSurface(QPainter& painter);

    void FillRect(int left, int top, int right, int bottom, Rgb colour) override;
    void Rectangle(int left, int top, int right, int bottom) override;
    void MoveTo(int x, int y) override;
    void LineTo(int x, int y) override;
    void Ellipse(int left, int top, int right, int bottom) override;
    void FullArc(int left, int top, int right, int bottom) override;
    void TextOut(int x, int y, const std::string& text) override;
    TextExtent GetTextExtent(const std::string& text) override;
    void SetTextAlign(TextAlign align) override { align_ = align; }
    void SetTextColor(Rgb colour) override { textColour_ = colour; }
    void SetBkColor(Rgb colour) override { bkColour_ = colour; }
    void SetBkOpaque(bool opaque) override { bkOpaque_ = opaque; }
    Pen SelectPen(const Pen& pen) override;
    Brush SelectBrush(const Brush& brush) override;
    void SetXorMode(bool on) override;

    static QColor ToQColor(Rgb colour);
    // 8-bit text as Windows-1252.
    static QString FromWindows1252(const std::string& text);

private:
    QPen MakeQPen() const;
    void FillXor(const QPainterPath& shape);

    QPainter& painter_;
    Pen pen_;
    Brush brush_;
    QPoint position_;
    TextAlign align_ = TextAlign::kLeftBottom;
    Rgb textColour_ = 0;
    Rgb bkColour_ = 0xFFFFFF;
    bool bkOpaque_ = true;
    bool xor_ = false;
};

} // namespace vexa
