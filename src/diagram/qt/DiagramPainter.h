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

// The part of the diagram image in `part` (image pixels, right and bottom
// outside), painted on its own white RGB32 image; null when that cannot be
// had.
QImage RenderDiagramPart(const DiagramDrawing& drawing, const DiagramFont& font, const PixelRect& part);

// The diagram image for the raster writers, painted a strip of rows at a
// time on one reused image of about 16 MB, so that the whole
// picture is never in memory. ready() is false when not even one strip can
// be had (a diagram millions of pixels wide).
class PaintedRows : public RasterRows {
public:
    // stripRows 0: as many rows as the 16 MB hold.
    PaintedRows(const DiagramDrawing& drawing, const DiagramFont& font, int stripRows = 0);
    bool ready() const { return !buffer_.isNull(); }
    int width() const override;
    int height() const override;
    int stripRows() const override { return std::max(rows_, 1); }
    void rows(int top, int count, RasterImage& strip) override;

private:
    const DiagramDrawing& drawing_;
    const DiagramFont& font_;
    int margin_;
    int rows_ = 0;
    QImage buffer_;   // the strip with a margin all round
};

// The pages of a print plan on a device the painter is painting: each
// tile's page (a new page for every tile but the first) with its header
// when the plan has several, the tile stretched to its target. The header
// is in the diagram font, larger by scale / 3 above scale 2, as it is read
// on paper at the printer's resolution.
// Each tile is painted on its own when its page comes, so that no more than
// a page of the image is ever in memory, and reduced to the colour depth.
// False when a tile's image cannot be had.
bool PrintPages(QPainter& painter, QPagedPaintDevice& device, const DiagramDrawing& drawing, const PrintPlan& plan,
                const DiagramFont& font, ColourDepth colours, int scale, const QString& projectName);

// An RGB32 image's pixels reduced to a colour depth in place.
void ReduceColours(QImage& image, ColourReducer& reducer);

} // namespace belvanto
