#pragma once
// Paints the thematic legend with the diagram's box painter: what the
// dialogs show and what the bitmap, JPEG and metafile legends hold.
#include "diagram/Thematic.h"
#include "diagram/export/RasterImage.h"
#include <QImage>

namespace belvanto {

// A white RGB32 image of the legend's size with every entry painted in
// order, each later box over the bottom of the one before.
QImage RenderLegendImage(const LegendDrawing& legend, const DiagramFont& font);
// The same pixels for the raster writers.
RasterImage RenderLegend(const LegendDrawing& legend, const DiagramFont& font);

} // namespace belvanto
