#pragma once
// What the diagram window shows of the diagram image: the zoom factor, the
// size the image is displayed at, and the one mapping between displayed
// and image coordinates, through the scale actually displayed (after a
// font change the new image is stretched to the size the zoom commands
// made, so the scale is the displayed size over the image size, not the
// zoom factor). Hit tests after zooms and font changes go through it.
#include "diagram/DisplayList.h"
#include <QPointF>
#include <QString>
#include <optional>

namespace belvanto {

inline constexpr double kZoomMaximum = 4.0;
inline constexpr double kZoomMinimum = 0.02;

inline const QString kZoomMaximumMessage = QStringLiteral("Cannot exceed zoom maximum");
inline const QString kZoomMinimumMessage = QStringLiteral("Cannot exceed zoom minimum");

class DiagramView {
public:
    // A full redraw's image of W0 x H0. Until the first zoom command the
    // displayed size follows the image; from then on only zoom commands
    // change it, and a new image is stretched to it.
    void setImageSize(qint64 width, qint64 height);

    // Doubles (halves) the factor within the limits; false when it is at
    // the limit already (the caller shows the message) and nothing changes.
    bool zoomIn();
    bool zoomOut();
    // Factor 1 and the image at its own size.
    void zoomActualSize();

    double factor() const { return factor_; }
    qint64 imageWidth() const { return imageWidth_; }
    qint64 imageHeight() const { return imageHeight_; }
    qint64 displayedWidth() const { return displayedWidth_; }
    qint64 displayedHeight() const { return displayedHeight_; }

    // Displayed pixel <-> image pixel.
    QPointF toImage(const QPointF& displayed) const;
    QPointF toDisplayed(const QPointF& image) const;

    // "Diagram info...".
    QString infoText() const;

private:
    void zoomTo(double factor);
    double factor_ = 1.0;
    bool zoomed_ = false;
    qint64 imageWidth_ = 0, imageHeight_ = 0;
    qint64 displayedWidth_ = 0, displayedHeight_ = 0;
};

// The scroll position that keeps the same diagram point in the middle of a
// view of `visible` pixels when the displayed size goes from oldSize to
// newSize; centre is the middle's displayed position before.
qint64 KeptScrollPosition(double centre, qint64 oldSize, qint64 newSize, qint64 visible);

// The box at an image point: its column band and level band, measured from
// the top left cell of a box (a box is also hit in the gaps right of and
// below that cell; a group only at its top left cell). Nothing outside the
// columns and levels or where no box starts.
const UnitItem* UnitAt(const DiagramDrawing& drawing, const QPointF& image);

} // namespace belvanto
