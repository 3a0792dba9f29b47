#pragma once
// The main view's paint routine on any QImage: background, curves, crosshair, callout.
// The view, the image export and printing all draw through it.
#include "graph/graphengine.h"

#include <QImage>

namespace vexa {

// Lays the plot out for an image of width x height as the main view does on a resize
// (20 pixels left and top, 30 right, 20 bottom), measuring the labels with the image's
// default font.
void LayoutGraphForImage(CGraphEngine& engine, QImage& image);

// Fills the image with the engine's background colour, then draws the graph, the
// crosshair and the callout on it.
void PaintGraph(CGraphEngine& engine, QImage& image);

} // namespace vexa
