#include "graph/graphpainter.h"

#include "graph/qpaintersurface.h"

#include <QPainter>

namespace vexa {

void LayoutGraphForImage(CGraphEngine& engine, QImage& image) {
    QPainter painter(&image);
    QPainterSurface surface(painter);
    engine.MeasureLabels(surface);
    engine.SetPlotRect(20, 20, image.width() - 50, image.height() - 40);
}

void PaintGraph(CGraphEngine& engine, QImage& image) {
    QPainter painter(&image);
    painter.fillRect(image.rect(), QPainterSurface::ToQColor(engine.GetBackgroundColor()));
    QPainterSurface surface(painter);
    engine.Draw(surface);
    engine.DrawCrosshair(surface);
    engine.DrawCallout(surface);
}

} // namespace vexa
