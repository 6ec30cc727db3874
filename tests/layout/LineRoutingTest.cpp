#include "layout/LineRouting.h"
#include "support/ScriptedUi.h"
#include "support/TempDir.h"
#include <gtest/gtest.h>

using namespace belvanto;
using belvanto::testing::TempDir;

namespace {

// A box of one column on one level.
RoutedBox box(const char* name, qint32 column, qint32 level, qint32 sons = 0, qint32 fathers = 0, qint32 nest = 0)
{
    return {{QStringLiteral("E"), QString::fromLatin1(name)}, column, column, level, level, nest, sons, fathers};
}

RoutedLine line(const char* lower, const char* upper, char category = '<')
{
    RoutedLine l;
    l.first = {QStringLiteral("E"), QString::fromLatin1(lower)};
    l.second = {QStringLiteral("E"), QString::fromLatin1(upper)};
    l.category = QLatin1Char(category);
    return l;
}

struct Routed {
    bool ok = false;
    std::vector<RoutedLine> lines;
    std::vector<qint32> tracks;
};

Routed route(std::vector<RoutedBox> boxes, std::vector<RoutedLine> lines, qint32 levels = 3)
{
    std::sort(boxes.begin(), boxes.end(), [](const RoutedBox& a, const RoutedBox& b) { return a.key < b.key; });
    std::sort(lines.begin(), lines.end(), [](const RoutedLine& a, const RoutedLine& b) {
        return std::tie(a.first, a.second) < std::tie(b.first, b.second);
    });
    ScriptedUi ui;
    Routed r;
    r.lines = lines;
    r.ok = RouteLineRecords(ui, boxes, r.lines, levels, r.tracks);
    return r;
}

const RoutedLine& find(const Routed& r, const char* lower, const char* upper)
{
    for (const auto& l : r.lines)
        if (l.first.unitname == QLatin1String(lower) && l.second.unitname == QLatin1String(upper)) return l;
    throw std::runtime_error("no such line");
}

TEST(RouteLines, LineEndsInHalfColumns)
{
    const Routed r = route({box("U", 2, 1, 1, 0, 3), box("L", 3, 2, 0, 1), box("Q", 5, 2), box("R", 7, 2)},
                           {line("L", "U"), line("Q", "R", '='), line("R", "Q", '=')});
    ASSERT_TRUE(r.ok);
    const RoutedLine& s = find(r, "L", "U");
    EXPECT_EQ(s.YLevel1, 1);
    EXPECT_EQ(s.YLevel2, 2);
    EXPECT_EQ(s.XPos1, 4);
    EXPECT_EQ(s.XPos2, 6);
    EXPECT_EQ(s.NestCt2, 3);
    EXPECT_EQ(s.Port1, 0);
    EXPECT_EQ(s.Port2, 0);
    EXPECT_EQ(s.YSubLevel, 1);
    for (const auto* e : {&find(r, "Q", "R"), &find(r, "R", "Q")}) {
        EXPECT_EQ(e->YLevel1, 2);
        EXPECT_EQ(e->XPos1, 5);
        EXPECT_EQ(e->XPos2, 7);
        EXPECT_FALSE(e->YLevel2);
        EXPECT_FALSE(e->Port1);
        EXPECT_FALSE(e->Port2);
        EXPECT_FALSE(e->YSubLevel);
        EXPECT_FALSE(e->NestCt2);
    }
}

TEST(RouteLines, PortsSpreadFromTheFirstVerticalLine)
{
    struct Case {
        const char* what;
        std::vector<qint32> lowerColumns;   // of the lines leaving U (column 3) downward
        std::vector<qint32> ports;          // Port1 in the same order
    };
    const std::vector<Case> cases{
        {"three sloping", {1, 4, 6}, {-2, 0, 2}},
        {"straight down and right", {3, 5}, {0, 2}},
        {"left, straight down, right", {1, 3, 5}, {-2, 0, 2}},
        {"two sloping", {1, 5}, {-1, 1}},
        {"single line keeps 0", {5}, {0}},
    };
    for (const auto& c : cases) {
        std::vector<RoutedBox> boxes{box("U", 3, 1, qint32(c.lowerColumns.size()))};
        std::vector<RoutedLine> lines;
        const char* names[] = {"A", "B", "C"};
        // Names against column order, so that the table order is not the ranking.
        for (std::size_t i = 0; i < c.lowerColumns.size(); ++i) {
            const char* name = names[c.lowerColumns.size() - 1 - i];
            boxes.push_back(box(name, c.lowerColumns[i], 2, 0, 1));
            lines.push_back(line(name, "U"));
        }
        const Routed r = route(boxes, lines);
        ASSERT_TRUE(r.ok);
        for (std::size_t i = 0; i < c.lowerColumns.size(); ++i)
            EXPECT_EQ(find(r, names[c.lowerColumns.size() - 1 - i], "U").Port1, c.ports[i]) << c.what << " line " << i;
    }
}

TEST(RouteLines, UpwardPortsAtTheLowerEnd)
{
    // D (column 3, level 2) has three later units.
    const Routed r = route({box("D", 3, 2, 0, 3), box("X", 5, 1, 1), box("Y", 3, 1, 1), box("Z", 1, 1, 1)},
                           {line("D", "X"), line("D", "Y"), line("D", "Z")});
    EXPECT_EQ(find(r, "D", "Z").Port2, -2);
    EXPECT_EQ(find(r, "D", "Y").Port2, 0);
    EXPECT_EQ(find(r, "D", "X").Port2, 2);
}

TEST(RouteLines, SlopingLinesShareATrackUnlessTheyOverlap)
{
    // Apart: A over B at columns 1..2, C over D at columns 4..5.
    const Routed apart = route({box("A", 1, 1, 1), box("B", 2, 2, 0, 1), box("C", 4, 1, 1), box("D", 5, 2, 0, 1)},
                               {line("B", "A"), line("D", "C")});
    EXPECT_EQ(find(apart, "B", "A").YSubLevel, 1);
    EXPECT_EQ(find(apart, "D", "C").YSubLevel, 1);
    EXPECT_EQ(apart.tracks, (std::vector<qint32>{0, 1, 0, 0}));
    // Overlapping: A (1) to D (5) and C (4) to B (2).
    const Routed overlap = route({box("A", 1, 1, 1), box("B", 2, 2, 0, 1), box("C", 4, 1, 1), box("D", 5, 2, 0, 1)},
                                 {line("D", "A"), line("B", "C")});
    EXPECT_EQ(find(overlap, "D", "A").YSubLevel, 1);
    EXPECT_EQ(find(overlap, "B", "C").YSubLevel, 2);
    EXPECT_EQ(overlap.tracks, (std::vector<qint32>{0, 2, 0, 0}));
    // The ends are restored after the track walk.
    EXPECT_EQ(find(overlap, "B", "C").XPos1, 8);
    EXPECT_EQ(find(overlap, "B", "C").XPos2, 4);
}

TEST(RouteLines, EqualPositionsKeepTheTablesKeyOrder)
{
    // A spans columns 2 to 4 and so has its centre where B has its own.
    RoutedBox a = box("A", 2, 2, 0, 1);
    a.XStop = 4;
    for (qint32 upper : {3, 1}) {
        const Routed r = route({box("U", upper, 1, 2), box("B", 3, 2, 0, 1), a}, {line("B", "U"), line("A", "U")});
        if (upper == 3) {   // both straight down: ranked in key order
            EXPECT_EQ(find(r, "A", "U").Port1, 0);
            EXPECT_EQ(find(r, "B", "U").Port1, 2);
        } else {            // both alike in the track walk
            EXPECT_EQ(find(r, "A", "U").YSubLevel, 1);
            EXPECT_EQ(find(r, "B", "U").YSubLevel, 2);
        }
    }
}

TEST(RouteLines, VerticalLinesGetNoTrack)
{
    const Routed r = route({box("A", 1, 1, 1), box("B", 1, 2, 1, 1), box("C", 1, 3, 0, 1)},
                           {line("B", "A"), line("C", "B")});
    EXPECT_FALSE(find(r, "B", "A").YSubLevel);
    EXPECT_FALSE(find(r, "C", "B").YSubLevel);
    EXPECT_EQ(r.tracks, (std::vector<qint32>{0, 0, 0, 0}));
}

TEST(RouteLines, UpperPortMovesOffALowerEndOnAnEarlierTrack)
{
    // B ends below column 3 on track 1 with port 0; the line leaving Y in
    // column 3 with port 0 takes track 2 and moves its upper port by one.
    const Routed r = route({box("X", 1, 1, 1), box("Y", 3, 1, 1), box("B", 3, 2, 0, 1), box("D", 5, 2, 0, 1)},
                           {line("B", "X"), line("D", "Y")});
    EXPECT_EQ(find(r, "B", "X").YSubLevel, 1);
    EXPECT_EQ(find(r, "D", "Y").YSubLevel, 2);
    EXPECT_EQ(find(r, "D", "Y").Port1, 1);
    EXPECT_EQ(find(r, "B", "X").Port1, 0);
    EXPECT_EQ(r.tracks[1], 2);
}

TEST(RouteLines, MissingBoxStopsBeforePortsAndTracks)
{
    std::vector<RoutedBox> boxes{box("A", 1, 1, 2), box("B", 2, 2, 0, 1)};
    std::vector<RoutedLine> lines{line("B", "A"), line("B", "Z")};
    ScriptedUi ui;
    ui.expectError(QStringLiteral("Error: Not found  E:Z"));
    std::vector<qint32> tracks;
    EXPECT_FALSE(RouteLineRecords(ui, boxes, lines, 2, tracks));
    EXPECT_EQ(lines[0].XPos2, 4);   // the first pass went through
    EXPECT_EQ(lines[0].XPos1, 2);   // the second found A before Z
    EXPECT_FALSE(lines[0].YSubLevel);
    EXPECT_EQ(tracks, (std::vector<qint32>{0, 0, 0}));
}

TEST(RouteLines, PeriodTracksGoAboveEveryPeriodButTheFirst)
{
    LayoutParameters p;
    p.reset(1, 5);
    p.TrackCount[2] = 3;
    p.periods = {{QStringLiteral("A"), 0, 1, false}, {QStringLiteral("B"), 0, 3, false}, {QStringLiteral("C"), 0, 5, false}};
    AddPeriodTracks(p);
    EXPECT_EQ(p.TrackCount, (std::vector<qint32>{0, 0, 4, 0, 1, 0}));
}

TEST(RouteLines, OverTheLayoutTables)
{
    TempDir dir;
    CreateLayoutTables(dir.path(), QStringLiteral("P"));
    Table units, rels;
    units.open(dir.path(), QStringLiteral("P") + kUnitLayoutSuffix);
    rels.open(dir.path(), QStringLiteral("P") + kRelLayoutSuffix);
    const std::vector<RoutedBox> boxes{box("A", 1, 1, 2), box("B", 1, 2, 0, 1), box("C", 2, 2, 0, 1)};
    for (const RoutedBox& b : boxes) {
        units.insert();
        units.set(ul::Excavation, b.key.excavation);
        units.set(ul::Unitname, b.key.unitname);
        units.set(ul::XStart, b.XStart);
        units.set(ul::XStop, b.XStop);
        units.set(ul::YLevelStart, b.YLevelStart);
        units.set(ul::YLevelStop, b.YLevelStop);
        units.set(ul::NestCt, 0);
        units.set(ul::SonCt, b.SonCt);
        units.set(ul::FatherCt, b.FatherCt);
        units.post();
    }
    for (const char* lower : {"B", "C"}) {
        rels.insert();
        rels.set(rl::Excavation1, QStringLiteral("E"));
        rels.set(rl::Unitname1, QString::fromLatin1(lower));
        rels.set(rl::Excavation2, QStringLiteral("E"));
        rels.set(rl::Unitname2, QStringLiteral("A"));
        rels.set(rl::RelationCat, QStringLiteral("<"));
        rels.set(rl::RelCount, 1);
        rels.post();
    }
    ScriptedUi ui;
    LayoutParameters p;
    p.reset(2, 2);
    ASSERT_TRUE(RouteLines(ui, units, rels, p));
    EXPECT_EQ(ui.statuses(), QStringList{kRoutingStatus});
    EXPECT_EQ(p.TrackCount, (std::vector<qint32>{0, 1, 0}));
    ASSERT_TRUE(rels.locate(QStringLiteral("Unitname1"), {QStringLiteral("C")}));
    EXPECT_EQ(rels.intValue(u"YSubLevel"), 1);
    EXPECT_EQ(rels.intValue(u"XPos1"), 2);
    EXPECT_EQ(rels.intValue(u"XPos2"), 4);
    EXPECT_EQ(rels.intValue(u"Port1"), 2);
    EXPECT_EQ(rels.intValue(u"NestCt2"), 0);
    EXPECT_EQ(rels.intValue(u"RelCount"), 1);
    ASSERT_TRUE(rels.locate(QStringLiteral("Unitname1"), {QStringLiteral("B")}));
    EXPECT_TRUE(rels.isEmpty(u"YSubLevel"));
    EXPECT_EQ(rels.intValue(u"Port1"), 0);
}

} // namespace
