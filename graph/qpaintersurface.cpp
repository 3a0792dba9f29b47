#include "graph/qpaintersurface.h"

#include "core/cp1252.h"

#include <QFontMetrics>
#include <QPaintEngine>
#include <QPainterPath>
#include <QPainterPathStroker>

namespace vexa {

namespace {

// A box whose right and bottom edges are excluded, as Qt's outline rectangle.
QRect OutlineBox(int left, int top, int right, int bottom) {
    return QRect(left, top, right - left - 1, bottom - top - 1);
}

} // namespace

QPainterSurface::QPainterSurface(QPainter& painter) : painter_(painter) {
    painter_.setRenderHint(QPainter::Antialiasing, false);
    painter_.setRenderHint(QPainter::TextAntialiasing, true);
}

QColor QPainterSurface::ToQColor(Rgb colour) {
    return QColor(static_cast<int>(RgbRed(colour)), static_cast<int>(RgbGreen(colour)),
                  static_cast<int>(RgbBlue(colour)));
}

QString QPainterSurface::FromWindows1252(const std::string& text) {
    return QString::fromStdU16String(Cp1252ToUtf16(text));
}

QPen QPainterSurface::MakeQPen() const {
    QPen pen(ToQColor(pen_.colour));
    const int width = pen_.width < 1 ? 1 : pen_.width;
    pen.setWidth(width);
    switch (pen_.style) {
    case PenStyle::kSolid:
        pen.setCapStyle(width > 1 ? Qt::RoundCap : Qt::SquareCap);
        pen.setJoinStyle(width > 1 ? Qt::RoundJoin : Qt::MiterJoin);
        break;
    case PenStyle::kGeometricSolid:
        pen.setCapStyle(Qt::RoundCap);
        pen.setJoinStyle(Qt::MiterJoin);
        break;
    case PenStyle::kGeometricDotted:
        // Square dots one pen width long, one width apart: near-zero dashes whose square
        // caps make the dots (Qt drops dashes of length zero).
        pen.setCapStyle(Qt::SquareCap);
        pen.setJoinStyle(Qt::MiterJoin);
        pen.setDashPattern({0.01, 1.99});
        break;
    case PenStyle::kGeometricDashed:
        pen.setCapStyle(Qt::FlatCap);
        pen.setJoinStyle(Qt::MiterJoin);
        pen.setDashPattern({4.0, 2.0});
        break;
    }
    return pen;
}

void QPainterSurface::FillRect(int left, int top, int right, int bottom, Rgb colour) {
    if (right > left && bottom > top)
        painter_.fillRect(QRect(left, top, right - left, bottom - top), ToQColor(colour));
}

void QPainterSurface::Rectangle(int left, int top, int right, int bottom) {
    if (right <= left || bottom <= top)
        return;
    if (xor_) {
        QPainterPath rect;
        rect.addRect(QRectF(OutlineBox(left, top, right, bottom)));
        FillXor(rect);
        return;
    }
    painter_.fillRect(QRect(left, top, right - left, bottom - top), ToQColor(brush_.colour));
    painter_.setPen(MakeQPen());
    painter_.setBrush(Qt::NoBrush);
    painter_.drawRect(OutlineBox(left, top, right, bottom));
}

// Exclusive-or must touch every pixel once: the inside and the outline are filled as two
// separate areas instead of letting the stroke overlap the fill.
void QPainterSurface::FillXor(const QPainterPath& shape) {
    if (!painter_.paintEngine()->hasFeature(QPaintEngine::RasterOpModes))
        return;
    QPainterPathStroker stroker(MakeQPen());
    const QPainterPath outline = stroker.createStroke(shape);
    painter_.fillPath(shape.subtracted(outline), ToQColor(brush_.colour));
    painter_.fillPath(outline, ToQColor(pen_.colour));
}

void QPainterSurface::MoveTo(int x, int y) {
    position_ = QPoint(x, y);
}

void QPainterSurface::LineTo(int x, int y) {
    const QPoint end(x, y);
    if (!xor_ || painter_.paintEngine()->hasFeature(QPaintEngine::RasterOpModes)) {
        painter_.setPen(MakeQPen());
        painter_.drawLine(position_, end);
    }
    position_ = end;
}

void QPainterSurface::Ellipse(int left, int top, int right, int bottom) {
    if (right <= left || bottom <= top)
        return;
    const QRect box = OutlineBox(left, top, right, bottom);
    if (!xor_) {
        painter_.setPen(MakeQPen());
        painter_.setBrush(ToQColor(brush_.colour));
        painter_.drawEllipse(box);
        return;
    }
    QPainterPath ellipse;
    ellipse.addEllipse(QRectF(box));
    FillXor(ellipse);
}

void QPainterSurface::FullArc(int left, int top, int right, int bottom) {
    if (right <= left || bottom <= top)
        return;
    if (xor_ && !painter_.paintEngine()->hasFeature(QPaintEngine::RasterOpModes))
        return;
    painter_.setPen(MakeQPen());
    painter_.setBrush(Qt::NoBrush);
    painter_.drawEllipse(OutlineBox(left, top, right, bottom));
}

void QPainterSurface::TextOut(int x, int y, const std::string& text) {
    const QString shown = FromWindows1252(text);
    const QFontMetrics metrics(painter_.font());
    const int width = metrics.horizontalAdvance(shown);
    const int height = metrics.height();
    const int left = align_ == TextAlign::kCentreTop ? x - width / 2 : x;
    const int top = align_ == TextAlign::kCentreTop ? y : y - height;
    if (bkOpaque_)
        painter_.fillRect(QRect(left, top, width, height), ToQColor(bkColour_));
    painter_.setPen(ToQColor(textColour_));
    painter_.drawText(QPoint(left, top + metrics.ascent()), shown);
}

TextExtent QPainterSurface::GetTextExtent(const std::string& text) {
    const QFontMetrics metrics(painter_.font());
    return {metrics.horizontalAdvance(FromWindows1252(text)), metrics.height()};
}

Pen QPainterSurface::SelectPen(const Pen& pen) {
    const Pen old = pen_;
    pen_ = pen;
    return old;
}

Brush QPainterSurface::SelectBrush(const Brush& brush) {
    const Brush old = brush_;
    brush_ = brush;
    return old;
}

void QPainterSurface::SetXorMode(bool on) {
    xor_ = on;
    if (painter_.paintEngine()->hasFeature(QPaintEngine::RasterOpModes))
        painter_.setCompositionMode(on ? QPainter::RasterOp_SourceXorDestination
                                       : QPainter::CompositionMode_SourceOver);
}

} // namespace vexa
