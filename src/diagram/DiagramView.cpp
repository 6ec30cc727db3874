#include "diagram/DiagramView.h"
#include "diagram/Interaction.h"
#include "core/Rounding.h"
#include <algorithm>
#include <cmath>

namespace belvanto {

void DiagramView::setImageSize(qint64 width, qint64 height)
{
    imageWidth_ = width;
    imageHeight_ = height;
    if (zoomed_) return;
    displayedWidth_ = width;
    displayedHeight_ = height;
}

void DiagramView::zoomTo(double factor)
{
    zoomed_ = true;
    factor_ = factor;
    displayedWidth_ = qint64(roundHalfEven(double(imageWidth_) * factor));
    displayedHeight_ = qint64(roundHalfEven(double(imageHeight_) * factor));
}

bool DiagramView::zoomIn()
{
    if (factor_ >= kZoomMaximum) return false;
    zoomTo(std::min(factor_ * 2.0, kZoomMaximum));
    return true;
}

bool DiagramView::zoomOut()
{
    if (factor_ <= kZoomMinimum) return false;
    zoomTo(std::max(factor_ / 2.0, kZoomMinimum));
    return true;
}

void DiagramView::zoomActualSize()
{
    zoomTo(1.0);
}

QPointF DiagramView::toImage(const QPointF& displayed) const
{
    const double sx = displayedWidth_ > 0 ? double(imageWidth_) / double(displayedWidth_) : 1.0;
    const double sy = displayedHeight_ > 0 ? double(imageHeight_) / double(displayedHeight_) : 1.0;
    return {displayed.x() * sx, displayed.y() * sy};
}

QPointF DiagramView::toDisplayed(const QPointF& image) const
{
    const double sx = imageWidth_ > 0 ? double(displayedWidth_) / double(imageWidth_) : 1.0;
    const double sy = imageHeight_ > 0 ? double(displayedHeight_) / double(imageHeight_) : 1.0;
    return {image.x() * sx, image.y() * sy};
}

QString DiagramView::infoText() const
{
    if (factor_ != 1.0)
        return QStringLiteral("Original size:  %1 x %2 pixels\r\nCurrently displayed: %3 x %4 pixels")
            .arg(imageWidth_)
            .arg(imageHeight_)
            .arg(displayedWidth_)
            .arg(displayedHeight_);
    return QStringLiteral("Image size:  %1 x %2 pixels").arg(imageWidth_).arg(imageHeight_);
}

qint64 KeptScrollPosition(double centre, qint64 oldSize, qint64 newSize, qint64 visible)
{
    if (oldSize <= 0) return 0;
    return qint64(roundHalfEven(double(newSize) * centre / double(oldSize))) - visible / 2;
}

const UnitItem* UnitAt(const DiagramDrawing& drawing, const QPointF& image)
{
    const auto hit = HitUnit(drawing, qint64(std::floor(image.x())), qint64(std::floor(image.y())));
    return hit ? &drawing.units[*hit] : nullptr;
}

} // namespace belvanto
