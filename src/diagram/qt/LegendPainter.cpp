#include "diagram/qt/LegendPainter.h"
#include "diagram/qt/DiagramPainter.h"
#include <QPainter>

namespace belvanto {

QImage RenderLegendImage(const LegendDrawing& legend, const DiagramFont& font)
{
    QImage image(std::max(legend.width, 1), std::max(legend.height, 1), QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    for (const UnitItem& entry : legend.entries) PaintUnit(painter, entry, legend.box, font, false);
    painter.end();
    return image;
}

RasterImage RenderLegend(const LegendDrawing& legend, const DiagramFont& font)
{
    const QImage image = RenderLegendImage(legend, font);
    RasterImage raster(image.width(), image.height());
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) raster.pixel(x, y) = line[x] & 0xFFFFFF;
    }
    return raster;
}

} // namespace belvanto
