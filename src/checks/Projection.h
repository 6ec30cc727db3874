#pragma once
// The projection of the contexts onto a vertical section: which direction
// the centre points spread along, the section angle proposed from it, and
// the two pictures the projection dialog shows (a profile along the section
// and a plan with the section line), as plain display data that any painter
// can draw.
//
//   ProjectionModel model = AnalyseProjection(ReadProjectionPoints(units));
//   if (const QString w = ProjectionWarning(model.summary); !w.isEmpty()) ... // no dialog
//   ProjectionPicture profile = ProfilePicture(model, model.direction, 10, 2, false);
//   ProjectionPicture plan = PlanPicture(model, AngleDirection(angle), false);
#include <QLine>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <optional>
#include <vector>

namespace belvanto {

class Table;

// A context with all three centre coordinates.
struct ProjectionPoint {
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;
    std::optional<qint32> displayColour;    // DisplayColour
    std::optional<qint32> thematicColour;   // ThematicColour
};

struct ProjectionSummary {
    int n = 0;
    double sumX = 0.0, sumY = 0.0;
    double minX = 0.0, maxX = 0.0;
    double minY = 0.0, maxY = 0.0;
    double minZ = 0.0, maxZ = 0.0;          // all 0 when n is 0
};

// A unit vector in the plan; x east, y north.
struct SectionDirection {
    double vx = 1.0;
    double vy = 0.0;
};

// What the run needs to project the contexts.
struct ProjectionChoice {
    int angle = 0;          // degrees, 0 to 180
    double meanX = 0.0;     // the mean point of the contexts with all three
    double meanY = 0.0;     // centre coordinates
};

struct ProjectionModel {
    std::vector<ProjectionPoint> points;    // unit key order
    ProjectionSummary summary;
    double meanX = 0.0, meanY = 0.0;        // (0, 0) without points
    double sxx = 0.0, syy = 0.0, sxy = 0.0; // about the mean point
    SectionDirection direction;             // of the larger spread
    int proposedAngle = 0;                  // 0 to 180
};

// The contexts of the unit table with all three centre coordinates, in key
// order, past any filter: one pass over the table.
std::vector<ProjectionPoint> ReadProjectionPoints(const Table& unitTable);

ProjectionSummary SummarizeProjectionPoints(const std::vector<ProjectionPoint>& points);

// Why a projection of these points is not sensible, "" when it is:
// "<n> contexts with coordinates, projection not sensible." below five
// points, "No variation both in X- and Y-coordinates, projection not
// sensible." when they all share one plan position.
QString ProjectionWarning(const ProjectionSummary& summary);

// Mean point, spreads, direction and proposed angle. Defined for any input;
// meaningful when ProjectionWarning is empty.
ProjectionModel AnalyseProjection(std::vector<ProjectionPoint> points);

// The direction of the larger spread of points with these sums of squares
// and products about their mean: (0, 1) or (1, 0) when they are practically
// uncorrelated, else the principal axis; never pointing south.
SectionDirection LargerSpreadDirection(double sxx, double syy, double sxy);

// The direction's angle from the X axis in whole degrees (half to even),
// 0 to 180.
int SectionAngle(const SectionDirection& direction);

// (cos, sin) of an angle in degrees.
SectionDirection AngleDirection(int degrees);

// The heights of the ticks of spacing `spacing` between minZ and maxZ: with k
// the integer part of minZ / spacing, (k + 1) x spacing, (k + 2) x spacing, ...
// while they do not exceed maxZ. None for a spacing that is not above 0.
std::vector<double> TickHeights(double minZ, double maxZ, double spacing);

// --- pictures ----------------------------------------------------------------------------

// Colours are 24-bit values, red in the lowest byte. Pixel coordinates grow
// to the right and downwards.
struct PictureBox {
    QRect rect;          // the pixels it covers: a black frame on its edge pixels
    qint32 fill = 0;
};

struct PicturePixel {
    QPoint at;
    qint32 colour = 0;
};

struct PictureCircle {
    QPoint centre;
    int radius = 0;      // black outline, no fill
};

// On white ground, drawn in this order: boxes, pixels, lines (black, both
// end points included), circle.
struct ProjectionPicture {
    QSize size;
    std::vector<PictureBox> boxes;
    std::vector<PicturePixel> pixels;
    std::vector<QLine> lines;
    std::optional<PictureCircle> circle;
};

inline constexpr QSize kProfileSize{500, 385};
inline constexpr QSize kPlanSize{113, 97};
inline constexpr double kDefaultMajorTicks = 10.0;
inline constexpr double kDefaultMinorTicks = 2.0;
inline constexpr qint32 kWhite = 16777215;

// The section seen from the side: one framed box per context (its
// DisplayColour, or ThematicColour with `thematic`; white without one),
// the Z axis through the mean point with major (6 pixels) and minor
// (4 pixels) ticks, and the base line.
ProjectionPicture ProfilePicture(const ProjectionModel& model, const SectionDirection& direction, double majorTicks,
                                 double minorTicks, bool thematic);

// The plan: one pixel per context (black without a colour), the section
// line through the mean point and a circle around it.
ProjectionPicture PlanPicture(const ProjectionModel& model, const SectionDirection& direction, bool thematic);

} // namespace belvanto
