#include "checks/Projection.h"
#include "core/Rounding.h"
#include "store/Table.h"
#include "store/UnitFields.h"
#include "store/UnitKey.h"
#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace belvanto {

namespace {

// A box without a colour of its own is white.
constexpr qint32 kUncoloured = 16777215;


// The margin of the profile around its contexts, in pixels.
constexpr int kProfileMargin = 10;
// The plan's margin on the axis that sets the scale.
constexpr int kPlanMargin = 6;
constexpr int kMajorTickLength = 6;
constexpr int kMinorTickLength = 4;
// More ticks than this never fit on the axis as separate lines.
constexpr double kMaxSeparateTicks = 4.0 * kProfileSize.height();

// Pixel positions are rounded half to even; images hold far fewer pixels
// than this, so out-of-range values only come from absurd coordinates.
int px(double v)
{
    constexpr qint64 limit = qint64(1) << 28;
    return int(std::clamp(roundHalfEven(v), -limit, limit));
}

// The first tick above minZ: k + 1 spacings, k the integer part of
// minZ / spacing (toward zero, so below zero it may lie more than one
// spacing above minZ).
double firstTick(double minZ, double spacing)
{
    return (std::trunc(minZ / spacing) + 1.0) * spacing;
}

bool drawableSpacing(double spacing)
{
    return spacing > 0.0 && std::isfinite(spacing);
}

qint32 colourOf(const ProjectionPoint& p, bool thematic, qint32 none)
{
    return (thematic ? p.thematicColour : p.displayColour).value_or(none);
}

} // namespace

std::vector<ProjectionPoint> ReadProjectionPoints(const Table& unitTable)
{
    std::vector<ProjectionPoint> points;
    unitTable.scan(QStringLiteral("Unitclass = ? AND XAvgCoord IS NOT NULL AND YAvgCoord IS NOT NULL"
                                  " AND ZAvgCoord IS NOT NULL"),
                   {kContext}, kUnitKeyOrder, [&](const Table::Row& row) {
                       const auto x = doubleOf(row.values[uf::XAvgCoord]);
                       const auto y = doubleOf(row.values[uf::YAvgCoord]);
                       const auto z = doubleOf(row.values[uf::ZAvgCoord]);
                       if (!x || !y || !z) return;
                       points.push_back({*x, *y, *z, intOf(row.values[uf::DisplayColour]),
                                         intOf(row.values[uf::ThematicColour])});
                   });
    return points;
}

ProjectionSummary SummarizeProjectionPoints(const std::vector<ProjectionPoint>& points)
{
    ProjectionSummary s;
    for (const ProjectionPoint& p : points) {
        if (s.n == 0) {
            s.minX = s.maxX = p.x;
            s.minY = s.maxY = p.y;
            s.minZ = s.maxZ = p.z;
        }
        ++s.n;
        s.sumX += p.x;
        s.sumY += p.y;
        s.minX = std::min(s.minX, p.x);
        s.maxX = std::max(s.maxX, p.x);
        s.minY = std::min(s.minY, p.y);
        s.maxY = std::max(s.maxY, p.y);
        s.minZ = std::min(s.minZ, p.z);
        s.maxZ = std::max(s.maxZ, p.z);
    }
    return s;
}

QString ProjectionWarning(const ProjectionSummary& summary)
{
    if (summary.n < 5) return QStringLiteral("%1 contexts with coordinates, projection not sensible.").arg(summary.n);
    if (summary.minX == summary.maxX && summary.minY == summary.maxY)
        return QStringLiteral("No variation both in X- and Y-coordinates, projection not sensible.");
    return QString();
}

SectionDirection LargerSpreadDirection(double sxx, double syy, double sxy)
{
    if (std::max(sxx, syy) > std::abs(sxy) * 1000000.0) return sxx <= syy ? SectionDirection{0.0, 1.0} : SectionDirection{1.0, 0.0};
    const double half = (sxx - syy) / 2.0;
    const double lambda = std::sqrt(sxy * sxy + half * half) + (sxx + syy) / 2.0;
    // λ - Sxx vanishes only for an axis along X whose correlation the test
    // above did not catch; the limit of (a, 1) / |(a, 1)| is then (1, 0).
    if (lambda - sxx == 0.0) return {1.0, 0.0};
    const double a = sxy / (lambda - sxx);
    const double norm = std::sqrt(a * a + 1.0);
    SectionDirection d{a / norm, 1.0 / norm};
    if (d.vy < 0.0) d = {-d.vx, -d.vy};
    return d;
}

int SectionAngle(const SectionDirection& direction)
{
    double degrees = std::asin(std::clamp(direction.vy, -1.0, 1.0)) * 180.0 / std::numbers::pi;
    if (direction.vx < 0.0) degrees = 180.0 - degrees;
    return int(std::clamp<qint64>(roundHalfEven(degrees), 0, 180));
}

SectionDirection AngleDirection(int degrees)
{
    const double theta = double(degrees) * std::numbers::pi / 180.0;
    return {std::cos(theta), std::sin(theta)};
}

ProjectionModel AnalyseProjection(std::vector<ProjectionPoint> points)
{
    ProjectionModel m;
    m.points = std::move(points);
    m.summary = SummarizeProjectionPoints(m.points);
    if (m.summary.n == 0) return m;
    m.meanX = m.summary.sumX / m.summary.n;
    m.meanY = m.summary.sumY / m.summary.n;
    for (const ProjectionPoint& p : m.points) {
        const double dx = p.x - m.meanX;
        const double dy = p.y - m.meanY;
        m.sxx += dx * dx;
        m.syy += dy * dy;
        m.sxy += dx * dy;
    }
    m.direction = LargerSpreadDirection(m.sxx, m.syy, m.sxy);
    m.proposedAngle = SectionAngle(m.direction);
    return m;
}

std::vector<double> TickHeights(double minZ, double maxZ, double spacing)
{
    std::vector<double> heights;
    if (!drawableSpacing(spacing)) return heights;
    const double k = std::trunc(minZ / spacing);
    double previous = -std::numeric_limits<double>::infinity();
    for (double i = 1.0;; i += 1.0) {
        const double t = (k + i) * spacing;
        // Beyond 2^53 steps k + i stops growing; the loop must still end.
        if (!(t <= maxZ) || !(t > previous)) break;
        heights.push_back(t);
        previous = t;
    }
    return heights;
}

ProjectionPicture ProfilePicture(const ProjectionModel& model, const SectionDirection& direction, double majorTicks,
                                 double minorTicks, bool thematic)
{
    ProjectionPicture picture;
    picture.size = kProfileSize;
    const ProjectionSummary& s = model.summary;
    if (s.n == 0) return picture;
    const int width = kProfileSize.width();
    const int height = kProfileSize.height();
    auto along = [&](const ProjectionPoint& p) {
        return (p.x - model.meanX) * direction.vx + (p.y - model.meanY) * direction.vy;
    };
    double minU = along(model.points.front());
    double maxU = minU;
    for (const ProjectionPoint& p : model.points) {
        minU = std::min(minU, along(p));
        maxU = std::max(maxU, along(p));
    }
    const double innerWidth = width - 2 * kProfileMargin;
    const double innerHeight = height - 2 * kProfileMargin;
    const double su = maxU > minU ? innerWidth / (maxU - minU) : innerWidth / 2.0;
    const double sz = s.maxZ > s.minZ ? innerHeight / (s.maxZ - s.minZ) : innerHeight / 2.0;
    auto row = [&](double z) { return height - ((z - s.minZ) * sz + kProfileMargin); };

    picture.boxes.reserve(model.points.size());
    for (const ProjectionPoint& p : model.points) {
        const QPoint centre(px((along(p) - minU) * su + kProfileMargin), px(row(p.z)));
        picture.boxes.push_back({QRect(centre.x() - 3, centre.y() - 2, 6, 4), colourOf(p, thematic, kUncoloured)});
    }

    const int axis = px(kProfileMargin - minU * su);
    const int bottom = height - kProfileMargin;
    picture.lines.emplace_back(axis, bottom, axis, kProfileMargin);
    for (const auto& [spacing, length] : {std::pair{majorTicks, kMajorTickLength}, std::pair{minorTicks, kMinorTickLength}}) {
        if (!drawableSpacing(spacing)) continue;
        // Ticks closer than a pixel fill the axis between the first and
        // the last one; counting them one by one could take forever.
        if ((s.maxZ - s.minZ) / spacing > kMaxSeparateTicks) {
            const double first = firstTick(s.minZ, spacing);
            const double last = std::floor(s.maxZ / spacing) * spacing;
            for (int y = px(row(last)); y <= px(row(first)); ++y) picture.lines.emplace_back(axis, y, axis + length, y);
            continue;
        }
        int previousRow = std::numeric_limits<int>::min();
        for (double t : TickHeights(s.minZ, s.maxZ, spacing)) {
            const int y = px(row(t));
            if (y == previousRow) continue;
            picture.lines.emplace_back(axis, y, axis + length, y);
            previousRow = y;
        }
    }
    const int baseEnd = px(su * ((s.maxX - model.meanX) * direction.vx - minU) + kProfileMargin);
    picture.lines.emplace_back(axis, bottom, baseEnd, bottom);
    return picture;
}

ProjectionPicture PlanPicture(const ProjectionModel& model, const SectionDirection& direction, bool thematic)
{
    ProjectionPicture picture;
    picture.size = kPlanSize;
    const ProjectionSummary& s = model.summary;
    if (s.n == 0) return picture;
    const int width = kPlanSize.width();
    const int height = kPlanSize.height();
    const double rangeX = s.maxX - s.minX;
    const double rangeY = s.maxY - s.minY;
    const double sx = rangeX > 0.0 ? (width - 2 * kPlanMargin) / rangeX : 0.0;
    const double sy = rangeY > 0.0 ? (height - 2 * kPlanMargin) / rangeY : 0.0;
    double scale = 0.0;
    int offsetX = width / 2;
    int offsetY = height / 2;
    if (rangeX > 0.0 && rangeY > 0.0) {
        scale = std::min(sx, sy);
        if (sx <= sy) {
            offsetX = kPlanMargin;
            offsetY = int(roundHalfEven(height - rangeY * scale)) / 2;
        } else {
            offsetY = kPlanMargin;
            offsetX = int(roundHalfEven(width - rangeX * scale)) / 2;
        }
    } else if (rangeY > 0.0) {
        scale = sy;
        offsetY = kPlanMargin;
    } else if (rangeX > 0.0) {
        scale = sx;
        offsetX = kPlanMargin;
    }
    auto map = [&](double x, double y) {
        return QPoint(px((x - s.minX) * scale + offsetX), px(height - ((y - s.minY) * scale + offsetY)));
    };

    picture.pixels.reserve(model.points.size());
    for (const ProjectionPoint& p : model.points) picture.pixels.push_back({map(p.x, p.y), colourOf(p, thematic, 0)});

    const QPoint centre = map(model.meanX, model.meanY);
    const QPoint half(px(direction.vx * (width / 2)), px(-direction.vy * (height / 2)));
    picture.lines.emplace_back(centre - half, centre + half);
    picture.circle = PictureCircle{centre, px(0.1 * std::min(width, height))};
    return picture;
}

} // namespace belvanto
