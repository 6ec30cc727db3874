#include "checks/Projection.h"
#include "core/Random.h"
#include "store/ProjectFixture.h"
#include <cmath>
#include <gtest/gtest.h>
#include <numbers>

using namespace belvanto;

namespace {

ProjectionPoint at(double x, double y, double z = 0.0)
{
    return {x, y, z, std::nullopt, std::nullopt};
}

// Thirty points along the direction of `degrees`, each pushed a little
// across it.
std::vector<ProjectionPoint> alongAngle(int degrees, quint32 seed)
{
    const double theta = degrees * std::numbers::pi / 180.0;
    RandomGenerator random(seed);
    std::vector<ProjectionPoint> points;
    for (int i = 0; i < 30; ++i) {
        const double t = 3.0 * i - 40.0;
        const double across = random.nextReal() - 0.5;
        points.push_back(at(500.0 + t * std::cos(theta) - across * std::sin(theta),
                            200.0 + t * std::sin(theta) + across * std::cos(theta), 10.0 + 0.1 * i));
    }
    return points;
}

// The black lines of a picture that are horizontal ticks of this length.
std::vector<int> tickRows(const ProjectionPicture& picture, int axis, int length)
{
    std::vector<int> rows;
    for (const QLine& line : picture.lines)
        if (line.y1() == line.y2() && line.x1() == axis && line.x2() == axis + length) rows.push_back(line.y1());
    return rows;
}

} // namespace

TEST(Projection, ProposesTheAngleOfTheSpreadAcrossTheHalfCircle)
{
    for (int degrees : {0, 1, 30, 45, 60, 89, 90, 91, 120, 135, 150, 179, 180}) {
        for (quint32 seed : {1u, 77u}) {
            const ProjectionModel m = AnalyseProjection(alongAngle(degrees, seed));
            ASSERT_TRUE(ProjectionWarning(m.summary).isEmpty());
            // 0 and 180 degrees are the same section.
            const int off = std::abs(m.proposedAngle - degrees) % 180;
            EXPECT_LE(std::min(off, 180 - off), 1) << degrees << " degrees, seed " << seed << ": " << m.proposedAngle;
            EXPECT_GE(m.proposedAngle, 0);
            EXPECT_LE(m.proposedAngle, 180);
            EXPECT_GE(m.direction.vy, 0.0);
            EXPECT_NEAR(std::hypot(m.direction.vx, m.direction.vy), 1.0, 1e-12);
        }
    }
}

TEST(Projection, ExactLinesAndAxes)
{
    struct Case {
        const char* name;
        std::vector<ProjectionPoint> points;
        int angle;
    };
    const Case cases[] = {
        {"45 degree line", {at(0, 0), at(1, 1), at(2, 2), at(3, 3), at(4, 4)}, 45},
        {"135 degree line", {at(0, 4), at(1, 3), at(2, 2), at(3, 1), at(4, 0)}, 135},
        {"Y axis", {at(0, 1), at(0, 2), at(0, 3), at(0, 4), at(0, 9)}, 90},
        {"X axis", {at(1, 5), at(2, 5), at(3, 5), at(4, 5), at(9, 5)}, 0},
        // Uncorrelated: the larger spread wins, Y on a tie.
        {"cross wider in X", {at(-2, 0), at(2, 0), at(0, -1), at(0, 1), at(0, 0)}, 0},
        {"cross taller in Y", {at(-1, 0), at(1, 0), at(0, -2), at(0, 2), at(0, 0)}, 90},
        {"square cross", {at(-1, 0), at(1, 0), at(0, -1), at(0, 1), at(0, 0)}, 90},
    };
    for (const Case& c : cases) {
        const ProjectionModel m = AnalyseProjection(c.points);
        EXPECT_EQ(m.proposedAngle, c.angle) << c.name;
    }
    const ProjectionModel m = AnalyseProjection({at(0, 0), at(1, 1), at(2, 2), at(3, 3), at(4, 4)});
    EXPECT_DOUBLE_EQ(m.meanX, 2.0);
    EXPECT_DOUBLE_EQ(m.meanY, 2.0);
    EXPECT_DOUBLE_EQ(m.sxx, 10.0);
    EXPECT_DOUBLE_EQ(m.syy, 10.0);
    EXPECT_DOUBLE_EQ(m.sxy, 10.0);
}

TEST(Projection, AnglesAreMeasuredFromTheXAxis)
{
    auto direction = [](double degrees) {
        const double t = degrees * std::numbers::pi / 180.0;
        return SectionDirection{std::cos(t), std::sin(t)};
    };
    EXPECT_EQ(SectionAngle(direction(44.4)), 44);
    EXPECT_EQ(SectionAngle(direction(135.6)), 136);
    EXPECT_EQ(SectionAngle({1.0, 0.0}), 0);
    EXPECT_EQ(SectionAngle({0.0, 1.0}), 90);
    EXPECT_EQ(SectionAngle({-1.0, 0.0}), 180);
}

TEST(Projection, WarningsWhenAProjectionIsNotSensible)
{
    struct Case {
        const char* name;
        std::vector<ProjectionPoint> points;
        const char* warning;
    };
    const Case cases[] = {
        {"none", {}, "0 contexts with coordinates, projection not sensible."},
        {"four", {at(0, 0), at(1, 1), at(2, 2), at(3, 3)}, "4 contexts with coordinates, projection not sensible."},
        {"one plan position",
         {at(7, 3, 1), at(7, 3, 2), at(7, 3, 3), at(7, 3, 4), at(7, 3, 5)},
         "No variation both in X- and Y-coordinates, projection not sensible."},
        {"X only varies", {at(1, 3), at(2, 3), at(3, 3), at(4, 3), at(5, 3)}, ""},
        {"Y only varies", {at(7, 1), at(7, 2), at(7, 3), at(7, 4), at(7, 5)}, ""},
    };
    for (const Case& c : cases) {
        const ProjectionModel m = AnalyseProjection(c.points);
        EXPECT_EQ(ProjectionWarning(m.summary), QString::fromLatin1(c.warning)) << c.name;
    }
}

class ProjectionTable : public belvanto::testing::ProjectFixture {
protected:
    void SetUp() override { createProject(); }
    void TearDown() override { CloseProject(session, true); }
    void unit(const QString& name, const QString& unitClass, std::optional<double> x, std::optional<double> y,
              std::optional<double> z, std::optional<qint32> colour = {})
    {
        Table& t = session.units();
        t.insert();
        t.set(uf::Excavation, QStringLiteral("A"));
        t.set(uf::Unitname, name);
        t.set(uf::Unitclass, unitClass);
        if (x) t.set(uf::XAvgCoord, *x);
        if (y) t.set(uf::YAvgCoord, *y);
        if (z) t.set(uf::ZAvgCoord, *z);
        if (colour) t.set(uf::DisplayColour, *colour);
        t.post();
    }
};

// Only contexts with all three centre coordinates count, in key order,
// whatever filter the unit list has.
TEST_F(ProjectionTable, ReadsContextsWithAllThreeCoordinates)
{
    unit(QStringLiteral("C2"), kContext, 2.5, 3.0, 4.0, 255);
    unit(QStringLiteral("C1"), kContext, 1.0, -1.0, 0.5);
    unit(QStringLiteral("noZ"), kContext, 1.0, 1.0, std::nullopt);
    unit(QStringLiteral("noX"), kContext, std::nullopt, 1.0, 1.0);
    unit(QStringLiteral("G"), kGroup, 9.0, 9.0, 9.0);
    session.units().setFilter(QStringLiteral("Unitname = 'G'"));
    const std::vector<ProjectionPoint> points = ReadProjectionPoints(session.units());
    session.units().setFilter(QString());
    ASSERT_EQ(points.size(), 2u);
    EXPECT_EQ(points[0].x, 1.0);
    EXPECT_EQ(points[0].y, -1.0);
    EXPECT_EQ(points[0].z, 0.5);
    EXPECT_FALSE(points[0].displayColour);
    EXPECT_EQ(points[1].x, 2.5);
    EXPECT_EQ(points[1].displayColour, 255);
    const ProjectionSummary s = SummarizeProjectionPoints(points);
    EXPECT_EQ(s.n, 2);
    EXPECT_EQ(s.sumX, 3.5);
    EXPECT_EQ(s.sumY, 2.0);
    EXPECT_EQ(s.minY, -1.0);
    EXPECT_EQ(s.maxZ, 4.0);
}

TEST(Projection, TickHeights)
{
    struct Case {
        const char* name;
        double minZ, maxZ, spacing;
        std::vector<double> heights;
    };
    const Case cases[] = {
        {"major 10 over 0.5 to 23", 0.5, 23.0, 10.0, {10.0, 20.0}},
        {"minor 2 from -5.5", -5.5, 1.0, 2.0, {-2.0, 0.0}},
        {"a tick at minZ itself is skipped", 10.0, 30.0, 10.0, {20.0, 30.0}},
        {"range inside one spacing", 1.0, 9.0, 10.0, {}},
        {"spacing 0 draws none", 0.5, 23.0, 0.0, {}},
        {"negative spacing draws none", 0.5, 23.0, -2.0, {}},
    };
    for (const Case& c : cases) EXPECT_EQ(TickHeights(c.minZ, c.maxZ, c.spacing), c.heights) << c.name;
}

// Five contexts along X (angle 0) from height 0.5 to 23.
class ProfileFixture : public ::testing::Test {
protected:
    ProjectionModel model = AnalyseProjection({at(0, 0, 0.5), at(10, 0, 5), at(20, 0, 12), at(30, 0, 20), at(40, 0, 23)});
    static int row(double z) { return int(std::nearbyint(385 - ((z - 0.5) * 365.0 / 22.5 + 10))); }
};

TEST_F(ProfileFixture, BoxesAxisTicksAndBaseLine)
{
    model.points[1].displayColour = 0x0000FF;
    model.points[1].thematicColour = 0x00FF00;
    const ProjectionPicture p = ProfilePicture(model, model.direction, 10, 2, false);
    EXPECT_EQ(p.size, QSize(500, 385));
    ASSERT_EQ(p.boxes.size(), 5u);
    // u runs from -20 to 20: 12 pixels per unit.
    EXPECT_EQ(p.boxes[0].rect, QRect(10 - 3, 375 - 2, 6, 4));
    EXPECT_EQ(p.boxes[4].rect, QRect(490 - 3, 10 - 2, 6, 4));
    EXPECT_EQ(p.boxes[1].rect, QRect(130 - 3, row(5) - 2, 6, 4));
    EXPECT_EQ(p.boxes[0].fill, 16777215);
    EXPECT_EQ(p.boxes[1].fill, 0x0000FF);
    EXPECT_EQ(ProfilePicture(model, model.direction, 10, 2, true).boxes[1].fill, 0x00FF00);
    // The Z axis stands at the mean point, u = 0.
    EXPECT_EQ(p.lines.front(), QLine(250, 375, 250, 10));
    EXPECT_EQ(tickRows(p, 250, 6), (std::vector<int>{row(10), row(20)}));
    std::vector<int> minor;
    for (int z = 2; z <= 22; z += 2) minor.push_back(row(z));
    EXPECT_EQ(tickRows(p, 250, 4), minor);
    EXPECT_EQ(p.lines.back(), QLine(250, 375, 490, 375));
    EXPECT_TRUE(p.pixels.empty());
    EXPECT_FALSE(p.circle);
}

TEST_F(ProfileFixture, TickSpacingZeroOrTinyStaysBounded)
{
    const ProjectionPicture none = ProfilePicture(model, model.direction, 0, 0, false);
    EXPECT_EQ(none.lines.size(), 2u);   // axis and base line
    // Ticks closer than a pixel fill the axis from the first to the last.
    const ProjectionPicture dense = ProfilePicture(model, model.direction, 0, 1e-9, false);
    const std::vector<int> rows = tickRows(dense, 250, 4);
    ASSERT_FALSE(rows.empty());
    EXPECT_EQ(rows.front(), 10);
    EXPECT_EQ(rows.back(), 375);
    EXPECT_EQ(rows.size(), 366u);
}

TEST(Projection, ProfileScalesOfAZeroRange)
{
    // All at one height, along Y: with the half scale of Z they stand on
    // the bottom margin.
    const ProjectionModel m = AnalyseProjection({at(0, 0, 7), at(0, 1, 7), at(0, 2, 7), at(0, 3, 7), at(0, 4, 7)});
    EXPECT_EQ(m.proposedAngle, 90);
    const ProjectionPicture p = ProfilePicture(m, m.direction, 10, 2, false);
    for (const PictureBox& b : p.boxes) EXPECT_EQ(b.rect.y(), 375 - 2) << b.rect.x();
    EXPECT_EQ(p.boxes[0].rect.x(), 10 - 3);
    EXPECT_EQ(p.boxes[4].rect.x(), 490 - 3);
}

TEST(Projection, PlanScalesAndOffsets)
{
    struct Case {
        const char* name;
        std::vector<ProjectionPoint> points;
        QPoint first, last;   // pixels of the first and the last point
    };
    const Case cases[] = {
        // 101 / 100 pixels per unit across, Y centred: (97 - 10.1) rounded, halved.
        {"wide", {at(0, 0), at(25, 10), at(50, 5), at(75, 0), at(100, 10)}, QPoint(6, 97 - 43), QPoint(107, 97 - 53)},
        // 85 / 100 per unit upward, X centred: (113 - 8.5) rounded 104 (even), halved 52.
        {"tall", {at(0, 0), at(10, 25), at(5, 50), at(0, 75), at(10, 100)}, QPoint(52, 91), QPoint(60, 6)},
        {"no X range", {at(3, 0), at(3, 1), at(3, 2), at(3, 3), at(3, 4)}, QPoint(56, 91), QPoint(56, 6)},
        {"no Y range", {at(0, 3), at(1, 3), at(2, 3), at(3, 3), at(4, 3)}, QPoint(6, 97 - 48), QPoint(107, 97 - 48)},
    };
    for (const Case& c : cases) {
        const ProjectionModel m = AnalyseProjection(c.points);
        const ProjectionPicture p = PlanPicture(m, m.direction, false);
        EXPECT_EQ(p.size, QSize(113, 97));
        ASSERT_EQ(p.pixels.size(), 5u) << c.name;
        EXPECT_EQ(p.pixels.front().at, c.first) << c.name;
        EXPECT_EQ(p.pixels.back().at, c.last) << c.name;
        EXPECT_EQ(p.pixels.front().colour, 0) << c.name;   // black without a colour
    }
}

// A line at 45 degrees: the section line rises to the right through the
// mean point, which lies on the plotted points; a circle of radius 10
// around it.
TEST(Projection, PlanSectionLineFollowsTheAngle)
{
    ProjectionModel m = AnalyseProjection({at(0, 0), at(1, 1), at(2, 2), at(3, 3), at(4, 4)});
    m.points[0].thematicColour = 0x123456;
    ASSERT_EQ(m.proposedAngle, 45);
    const ProjectionPicture p = PlanPicture(m, AngleDirection(m.proposedAngle), true);
    EXPECT_EQ(p.pixels[0].colour, 0x123456);
    EXPECT_EQ(p.pixels[2].at, QPoint(56, 48));    // the mean point's own context
    ASSERT_EQ(p.lines.size(), 1u);
    const QPoint half(40, -34);                   // cos 45 x 56, -sin 45 x 48, rounded
    EXPECT_EQ(p.lines[0], QLine(QPoint(56, 48) - half, QPoint(56, 48) + half));
    EXPECT_LT(p.lines[0].dx() * p.lines[0].dy(), 0);
    ASSERT_TRUE(p.circle);
    EXPECT_EQ(p.circle->centre, QPoint(56, 48));
    EXPECT_EQ(p.circle->radius, 10);
    // At 135 degrees it falls to the right.
    const QLine falling = PlanPicture(m, AngleDirection(135), false).lines[0];
    EXPECT_GT(falling.dx() * falling.dy(), 0);
}
