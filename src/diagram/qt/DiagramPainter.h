#pragma once
// Paints the display list with QPainter, without antialiasing: the master
// image of the diagram window, its printing and its raster exports.
#include "diagram/DisplayList.h"
#include "diagram/PrintPlan.h"
#include "diagram/export/RasterImage.h"
#include <QImage>

class QPagedPaintDevice;
class QPainter;

namespace belvanto {

// The whole diagram over a white background, in display list order. With
// a visible part (image pixels) only the items that reach into it are
// drawn: what the part shows is the same.
void PaintDiagram(QPainter& painter, const DiagramDrawing& drawing, const DiagramFont& font,
                  const Rect* visible = nullptr);

// One box and its label (or a dummy's line). single: repainting one box
// after a change of its colour or style; a shape first wipes the rectangle,
// so that no corner of its old outline is left.
void PaintUnit(QPainter& painter, const UnitItem& unit, const BoxGeometry& box, const DiagramFont& font, bool single);

void PaintContractionMark(QPainter& painter, const ContractionMark& mark);

// A new white RGB32 image of the diagram's size with the diagram painted on
// it; a null image when an image of that size cannot be had.
QImage RenderDiagram(const DiagramDrawing& drawing, const DiagramFont& font);

// The pages of a print plan on a device the painter is painting: each
// tile's page (a new page for every tile but the first) with its header
// when the plan has several, the tile stretched to its target. The header
// is in the diagram font, larger by scale / 3 above scale 2, as it is read
// on paper at the printer's resolution.
void PrintPages(QPainter& painter, QPagedPaintDevice& device, const QImage& image, const PrintPlan& plan,
                const DiagramFont& font, int scale, const QString& projectName);

// The painter's image as plain pixels for the raster writers.
RasterImage ToRasterImage(const QImage& image);

} // namespace belvanto
