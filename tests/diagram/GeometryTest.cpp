#include "DiagramFixture.h"
#include <gtest/gtest.h>

using namespace belvanto;
using namespace belvanto::testing;

TEST(BoxGeometry, WidestAndHighestLabelRoundedUpToEven)
{
    struct Case {
        int widest, highest;
        BoxGeometry expected;
    } cases[] = {
        {37, 13, {38, 24, 14, 9, 5, 2}},
        {38, 14, {38, 24, 14, 9, 5, 2}},
        {0, 0, {0, 5, 0, 2, 5, 2}},
        {1, 1, {2, 6, 2, 3, 5, 2}},
    };
    for (const Case& c : cases) EXPECT_EQ(MakeBoxGeometry(c.widest, c.highest), c.expected) << c.widest;
}

TEST(BoxGeometry, MeasuredOverEveryLabelButDummies)
{
    FakeMetrics metrics;
    metrics.widths[QStringLiteral("wide")] = 37;
    metrics.widths[QStringLiteral("D9")] = 99;   // a dummy's number never widens the boxes
    const auto d = BuildDiagram(threeByThree({box("wide", 1, 1), box("b", 2, 2), dummy("D9", 3, 1, 3)}), {}, metrics);
    EXPECT_EQ(d.geometry.box(), (BoxGeometry{38, 24, 14, 9, 5, 2}));
    // A context box is BoxWidth + 10 by BoxHeight + 4; the dummy, painted
    // last (":" sorts before letters), is a line.
    ASSERT_TRUE(d.units.back().dummy);
    const Rect r = d.units.front().rect;
    EXPECT_EQ(r.right - r.left, 48);
    EXPECT_EQ(r.bottom - r.top, 18);
}

TEST(BoxGeometry, ItalicAddsAFifthToTheBoxAndToEachLabel)
{
    FakeMetrics metrics;
    metrics.widths[QStringLiteral("forty")] = 40;
    metrics.widths[QStringLiteral("ten")] = 10;
    DrawState state;
    state.font.italic = true;
    const auto d = BuildDiagram(threeByThree({box("forty", 1, 1), box("ten", 2, 2)}), state, metrics);
    EXPECT_EQ(d.geometry.box().BoxWidth, 48);
    // "ten" is 12 wide in italics: centred at ColumnX + 5 + (48 - 12) / 2.
    const UnitItem& ten = d.units.front();
    ASSERT_EQ(ten.label.text, QStringLiteral("ten"));
    EXPECT_EQ(ten.label.x, d.geometry.ColumnX(2) + 5 + 18);
}

TEST(Coordinates, ColumnsLevelsAndImageSize)
{
    const auto d = draw(threeByThree());
    const DiagramGeometry& g = d.geometry;
    EXPECT_EQ((std::vector<qint64>{g.ColumnX(1), g.ColumnX(2), g.ColumnX(3)}), (std::vector<qint64>{3, 54, 105}));
    EXPECT_EQ((std::vector<qint64>{g.LevelY(1), g.LevelY(2), g.LevelY(3)}), (std::vector<qint64>{6, 36, 66}));
    EXPECT_EQ(g.width(), 156);
    EXPECT_EQ(g.height(), 87);
}

TEST(Coordinates, FrameLanesWidenTheGaps)
{
    LayoutParameters p = parameters(2, 2, {0, 0});
    p.groups = true;
    p.LeftFrameLanes = {0, 2, 1};
    p.RightFrameLanes = {0, 1, 3};
    p.FrameLanesBelow = {0, 2, 1};
    const auto d = draw(layout(p, {box("AAAAA1", 1, 1), box("AAAAA2", 2, 2)}));
    const DiagramGeometry& g = d.geometry;
    EXPECT_EQ(g.ColumnX(1), 9);                            // 3 x (2 + 1)
    EXPECT_EQ(g.ColumnX(2), 9 + 48 + 3 * (1 + 1 + 1));     // 66
    EXPECT_EQ(g.width(), 66 + 38 + 3 * (3 + 1) + 10);      // 126
    EXPECT_EQ(g.LevelY(2), 6 + 18 + 3 * (2 + 2));          // 36
    EXPECT_EQ(g.height(), 36 + 14 + 3 * (1 + 1) + 4);      // 60
}

TEST(BoxRectangle, GroupFramesGrowThreePixelsPerNesting)
{
    LayoutParameters p = parameters(3, 3, {0, 0, 0});
    p.groups = true;
    const auto d = draw(layout(p, {group("G", 1, 3, 1, 2, 2), box("AAAAA1", 1, 1)}));
    ASSERT_EQ(d.units.front().record->Unitname, QStringLiteral("G"));   // outer frames first
    const Rect r = d.units.front().rect;
    const DiagramGeometry& g = d.geometry;
    EXPECT_EQ(r, (Rect{g.ColumnX(1) - 6, g.LevelY(1), g.ColumnX(3) + 48 + 6, g.LevelY(2) + 18 + 6}));
}

TEST(Labels, CentredInOneColumnAndLeftAlignedOverSeveral)
{
    LayoutParameters p = parameters(3, 2, {0, 0});
    p.groups = true;
    const auto d = draw(layout(p, {group("Wide", 1, 3, 1, 2, 1), group("N", 2, 2, 1, 2, 1), box("AAAAA1", 3, 2)}));
    for (const UnitItem& u : d.units) {
        const qint64 left = d.geometry.ColumnX(u.record->XStart) + 5;
        const qint64 centring = u.record->Unitname == QStringLiteral("N") ? (38 - 7) / 2 : 0;
        EXPECT_EQ(u.label.x, left + centring) << u.record->Unitname.toStdString();
        EXPECT_EQ(u.label.top, u.rect.top + 2);
        EXPECT_EQ(u.label.baseline, u.rect.top + 14 - 2);
    }
}

TEST(Labels, TheThreeBoxContentModes)
{
    const AbbreviationList abbreviations{{QStringLiteral("Alpha"), QStringLiteral("A")},
                                         {QStringLiteral("Gamma"), QStringLiteral("G")},
                                         {QStringLiteral("Zeta"), QStringLiteral("Z")}};
    struct Case {
        const char* excavation;
        BoxContents mode;
        const char* expected;
    } cases[] = {
        {"Gamma", BoxContents::UnitName, "12"},
        {"Gamma", BoxContents::ExcavationName, "Gamma:12"},
        {"Gamma", BoxContents::AbbreviationName, "G:12"},
        {"Beta", BoxContents::AbbreviationName, "Beta:12"},   // walk stops at Gamma
        {"Omega", BoxContents::AbbreviationName, "Omega:12"},
        {"Zulu", BoxContents::AbbreviationName, "Zulu:12"},   // past the end
    };
    for (const Case& c : cases)
        EXPECT_EQ(LabelText(QString::fromUtf8(c.excavation), QStringLiteral("12"), c.mode, abbreviations),
                  QString::fromUtf8(c.expected));
    // A list out of order is walked as given: the walk stops at "Zeta".
    const AbbreviationList unsorted{{QStringLiteral("Zeta"), QStringLiteral("Z")}, {QStringLiteral("Alpha"), QStringLiteral("A")}};
    EXPECT_EQ(LabelText(QStringLiteral("Alpha"), QStringLiteral("1"), BoxContents::AbbreviationName, unsorted),
              QStringLiteral("Alpha:1"));
}

TEST(BoxLook, ThematicBlackAndWhiteAndEmptyValues)
{
    UnitRecord u = box("1", 1, 1, 255, 3);
    u.ThemColour = 65280;
    u.ThemBoxStyle = 9;
    EXPECT_EQ(BoxStyleAndColour(u, false, false), (BoxLook{255, 3}));
    EXPECT_EQ(BoxStyleAndColour(u, true, false), (BoxLook{65280, 9}));
    EXPECT_EQ(BoxStyleAndColour(u, false, true), (BoxLook{kWhite, 3}));
    EXPECT_EQ(BoxStyleAndColour(u, true, true), (BoxLook{kWhite, 9}));
    u.Colour.reset();
    u.BoxStyle.reset();
    EXPECT_EQ(BoxStyleAndColour(u, false, false), (BoxLook{kWhite, 0}));
}

TEST(BoxLook, StyleOutsideTheThirteenIsSolid)
{
    for (qint32 stored : {-1, 13, 100, 2147483647, -2147483647 - 1}) {
        UnitRecord u = box("1", 1, 1, 255, stored);
        u.ThemBoxStyle = stored;
        EXPECT_EQ(BoxStyleAndColour(u, false, false).style, 0) << stored;
        EXPECT_EQ(BoxStyleAndColour(u, true, false).style, 0) << stored;
    }
    EXPECT_EQ(ValidBoxStyle(12), 12);
    EXPECT_EQ(BoxStyleNames()[12], QStringLiteral("arrow right"));
}

TEST(ShapePoints, SixPointsPerShape)
{
    const Rect r{10, 20, 60, 38};   // middle 29
    using P = std::array<Point, 6>;
    EXPECT_EQ(ShapePoints(8, r, 5, true), (P{{{15, 38}, {55, 38}, {60, 29}, {55, 20}, {15, 20}, {10, 29}}}));
    EXPECT_EQ(ShapePoints(10, r, 5, true), (P{{{10, 38}, {60, 38}, {55, 29}, {60, 20}, {10, 20}, {15, 29}}}));
    EXPECT_EQ(ShapePoints(11, r, 5, true), (P{{{15, 38}, {60, 38}, {55, 29}, {60, 20}, {15, 20}, {10, 29}}}));
    EXPECT_EQ(ShapePoints(12, r, 5, true), (P{{{10, 38}, {55, 38}, {60, 29}, {55, 20}, {10, 20}, {15, 29}}}));
    // The roof points up on the page whichever way the y axis runs.
    EXPECT_EQ(ShapePoints(9, r, 5, true), (P{{{10, 38}, {60, 38}, {60, 29}, {55, 20}, {15, 20}, {10, 29}}}));
    EXPECT_EQ(ShapePoints(9, r, 5, false), (P{{{10, 20}, {60, 20}, {60, 29}, {55, 38}, {15, 38}, {10, 29}}}));
    const Rect upward{10, 38, 60, 20};   // an export with y up: top above bottom
    EXPECT_EQ(ShapePoints(9, upward, 5, false), (P{{{10, 20}, {60, 20}, {60, 29}, {55, 38}, {15, 38}, {10, 29}}}));
}

TEST(RelationshipPath, ScreenParameters)
{
    const DiagramGeometry g = draw(threeByThree()).geometry;
    const PathParams screen = ScreenPathParams(g.box());
    struct Case {
        const char* what;
        RelRecord record;
        RelPath expected;
    } cases[] = {
        {"sloping, track 1", segment("L", "U", 2, 1, 4, 2), {27, 27, 24, 30, 78, 36, false}},
        {"second track", segment("L", "U", 2, 1, 4, 2, 2), {27, 27, 24, 36, 78, 36, false}},
        {"straight down", segment("L", "U", 4, 1, 4, 2, 0), {78, 78, 24, 24, 78, 36, true}},
        {"equal ends, other ports: a jog", segment("L", "U", 4, 1, 4, 2, 1, 0, 1), {78, 78, 24, 30, 81, 36, false}},
        {"port clamped to 8", segment("L", "U", 4, 1, 4, 2, 1, 20, -20), {102, 102, 24, 30, 54, 36, false}},
        {"odd half-column: lane left of a column", segment("L", "U", 3, 1, 5, 2), {54, 54, 24, 30, 105, 36, false}},
        {"second gap", segment("L", "U", 4, 2, 6, 3), {78, 78, 54, 60, 129, 66, false}},
    };
    for (const Case& c : cases) EXPECT_EQ(g.path(c.record, screen), c.expected) << c.what;
}

TEST(RelationshipPath, NestedUpperBoxAndFrameLanes)
{
    LayoutParameters p = parameters(2, 2, {1});
    p.groups = true;
    p.FrameLanesBelow = {0, 2, 0};
    const DiagramGeometry g = draw(layout(p, {box("AAAAA1", 1, 1)})).geometry;
    RelRecord r = segment("L", "U", 2, 1, 4, 2);
    r.NestCt2 = 2;
    const RelPath path = g.path(r, ScreenPathParams(g.box()));
    EXPECT_EQ(path.y1, 6 + 14 + 4 + 6);             // below the upper box and its two frames
    EXPECT_EQ(path.trackY, 6 + 14 + 4 + 3 * 4);     // past the frame lanes of level 1
}

TEST(RelationshipPath, UpwardDirectionSubtracts)
{
    const DiagramGeometry g = draw(threeByThree()).geometry;
    PathParams up = ScreenPathParams(g.box());
    up.down = false;
    const RelPath p = g.path(segment("L", "U", 2, 2, 4, 3), up);
    EXPECT_EQ(p.y1, 36 - 18);
    EXPECT_EQ(p.trackY, 36 - 24);
    EXPECT_EQ(p.y2, 66);
}

TEST(RelationshipPath, LeavingADummyLineJogsFromItsCentre)
{
    const DiagramGeometry g = draw(threeByThree()).geometry;
    RelRecord r = segment("L", "7", 2, 1, 4, 2, 1, 2, 0);
    r.Excavation2 = QStringLiteral(":Dummy");
    const RelPath p = g.path(r, ScreenPathParams(g.box()));
    EXPECT_EQ(p.startX, 27);
    EXPECT_EQ(p.x1, 33);
    r.Port1 = 0;
    EXPECT_EQ(g.path(r, ScreenPathParams(g.box())).startX, 27);
}

TEST(EqualLines, FromTheRightEdgeToTheLeftEdge)
{
    const DiagramGeometry g = draw(threeByThree()).geometry;
    EXPECT_EQ(g.equalLine(equal("A", "B", 1, 2, 1)), (EqualLine{51, 54, 15}));
    EXPECT_EQ(g.equalLine(equal("A", "B", 2, 3, 3)), (EqualLine{102, 105, 75}));
}

TEST(ContractionMark, RedBarWithAYellowLine)
{
    LayoutParameters p = parameters(2, 2, {0});
    p.groups = true;
    p.LeftFrameLanes = {0, 1, 0};
    DrawState state;
    state.markedGroups = {QStringLiteral("E:G")};
    const auto d = draw(layout(p, {group("G", 1, 2, 1, 2, 1), box("AAAAA1", 1, 1)}), state);
    ASSERT_EQ(d.marks.size(), 1u);
    const ContractionMark& m = d.marks.front();
    // Column 1 starts at 3 x (1 lane + 1) = 6: the bar runs from x 6 - 3 + 1 to 6 + 5 - 2.
    EXPECT_EQ(m.rect, (Rect{4, 7, 9, 19}));
    EXPECT_EQ(m.fill, kRed);
    EXPECT_EQ(m.line, (VerticalLine{6, 8, 18}));
    const ContractionMark off = d.geometry.contractionMark(*d.units.front().record, false, 4210752);
    EXPECT_EQ(off.fill, 4210752u);
    EXPECT_FALSE(off.marked);
}

TEST(DrawingOrder, WithoutGroupsByKeyDescendingByCodePoint)
{
    UnitRecord a = box("1", 1, 1), b = box("2", 2, 1), c = box("1", 3, 1), e = box("1", 1, 2);
    c.Excavation = QString::fromUtf8("\xc3\xa9");   // é, code point 233
    e.Excavation = QString::fromUtf8("\xc5\xa0");   // Š, code point 352 (138 in Windows-1252)
    const auto d = draw(layout(parameters(3, 2, {0}), {a, b, c, e}));
    QStringList order;
    for (const UnitItem& u : d.units) order << u.record->Excavation + QLatin1Char(':') + u.record->Unitname;
    EXPECT_EQ(order, (QStringList{QString::fromUtf8("\xc5\xa0:1"), QString::fromUtf8("\xc3\xa9:1"),
                                  QStringLiteral("E:2"), QStringLiteral("E:1")}));
}

TEST(DrawingOrder, WithGroupsOuterFramesFirst)
{
    LayoutParameters p = parameters(3, 3, {0, 0});
    p.groups = true;
    const auto d = draw(layout(p, {box("c1", 1, 3), group("inner", 1, 1, 2, 3, 1), group("outer", 1, 2, 1, 3, 2),
                                   group("low", 2, 2, 3, 3, 1), box("c2", 2, 1)}));
    QStringList order;
    for (const UnitItem& u : d.units) order << u.record->Unitname;
    EXPECT_EQ(order, (QStringList{"outer", "low", "inner", "c1", "c2"}));
}

TEST(Periods, OnePeriodDrawsNoDividingLineAndCentresItsName)
{
    LayoutSnapshot s = threeByThree();
    s.parameters.periods = {Period{QStringLiteral("Roman"), 0, 1}};
    const auto d = draw(s);
    EXPECT_TRUE(d.periodLines.empty());
    ASSERT_EQ(d.periodNames.size(), 1u);
    // Legend strip: "Roman" is 31 wide, + 6.
    EXPECT_EQ(d.geometry.legendWidth(), 37);
    EXPECT_EQ(d.geometry.ColumnX(1), 40);
    EXPECT_EQ(d.periodNames[0].x, 3);
    EXPECT_EQ(d.periodNames[0].top, (0 + 87 - 13) / 2);
    EXPECT_EQ(d.periodNames[0].baseline, (0 + 87 + 14) / 2);
}

TEST(Periods, DividingLinesAboveEachLaterPeriod)
{
    LayoutSnapshot s = threeByThree();
    s.parameters.periods = {Period{QStringLiteral("A"), 0, 1}, Period{QStringLiteral("B"), 0, 2},
                            Period{QStringLiteral("C"), 0, 3}};
    const auto d = draw(s);
    EXPECT_EQ(d.periodLines, (std::vector<qint64>{31, 61}));
    ASSERT_EQ(d.periodNames.size(), 3u);
    EXPECT_EQ(d.periodNames[0].top, (0 + 31 - 13) / 2);
    EXPECT_EQ(d.periodNames[1].top, (31 + 61 - 13) / 2);
    EXPECT_EQ(d.periodNames[2].top, (61 + 87 - 13) / 2);
    EXPECT_EQ(d.periodNames[2].baseline, (61 + 87 + 14) / 2);
}

TEST(DamagedLayouts, EmptyLayoutsDrawOnlyTheLegendStrip)
{
    struct Case {
        const char* what;
        LayoutSnapshot snapshot;
    } cases[] = {
        {"no columns", layout(parameters(0, 3), {box("1", 1, 1)}, {segment("1", "2", 2, 1, 2, 2)})},
        {"no levels", layout(parameters(3, 0), {box("1", 1, 1)}, {equal("1", "2", 1, 2, 1)})},
        {"neither", layout(parameters(0, 0), {})},
        {"no records", layout(parameters(2, 2, {1}), {}, {segment("1", "2", 2, 1, 2, 2)})},
    };
    for (Case& c : cases) {
        for (bool withPeriods : {false, true}) {
            if (withPeriods)
                c.snapshot.parameters.periods = {Period{QStringLiteral("Roman"), 0, 1}, Period{QStringLiteral("Iron"), 0, 2}};
            const auto d = draw(c.snapshot);
            EXPECT_TRUE(d.geometry.empty()) << c.what;
            EXPECT_EQ(d.geometry.width(), (withPeriods ? 37 : 0) + 13) << c.what;
            EXPECT_EQ(d.geometry.height(), 10) << c.what;
            EXPECT_TRUE(d.units.empty() && d.relations.empty() && d.periodLines.empty() && d.periodNames.empty())
                << c.what;
        }
    }
}

TEST(DamagedLayouts, RecordsOutsideTheColumnsAndLevelsAreSkipped)
{
    std::vector<UnitRecord> units{box("AAAAA1", 1, 1), box("col0", 0, 1), box("col4", 4, 1), box("lev0", 1, 0),
                                  box("lev4", 2, 4)};
    UnitRecord backwards = box("back", 3, 2);
    backwards.XStop = 2;
    units.push_back(backwards);
    UnitRecord nested = box("nest", 2, 2);
    nested.NestCt = -1;
    units.push_back(nested);
    std::vector<RelRecord> relations{segment("a", "b", 2, 1, 4, 2),  segment("a", "c", 0, 1, 4, 2),
                                     segment("a", "d", 2, 1, 7, 2),  segment("a", "e", 2, 0, 4, 2),
                                     segment("a", "f", 2, 1, 4, 4),  segment("a", "g", 2, 1, 4, 1),
                                     equal("a", "h", 1, 4, 1),       equal("a", "i", 1, 2, 3)};
    const auto d = draw(layout(parameters(3, 2, {1}), units, relations));
    ASSERT_EQ(d.units.size(), 1u);
    EXPECT_EQ(d.units[0].record->Unitname, QStringLiteral("AAAAA1"));
    ASSERT_EQ(d.relations.size(), 1u);
    EXPECT_EQ(d.relations[0].record->Unitname2, QStringLiteral("b"));
    EXPECT_EQ(d.skipped.size(), 13);
    EXPECT_TRUE(d.skipped.contains(QStringLiteral(
        "Unit layout record E:col4 (columns 4 to 4, levels 1 to 1) lies outside the layout of 3 columns and 2 levels and is not drawn.")));
    EXPECT_TRUE(d.skipped.contains(
        QStringLiteral("Relationship layout record E:a = E:h lies outside the layout of 3 columns and 2 levels and is not drawn.")));
}

TEST(DamagedLayouts, LinesAgainstTheStratigraphyAreSkipped)
{
    RelRecord unknown = segment("a", "k", 2, 1, 4, 2);
    unknown.RelationCat = QStringLiteral(">");
    const auto d = draw(layout(parameters(3, 3, {1, 1}), {box("AAAAA1", 1, 1)},
                               {segment("a", "b", 2, 1, 4, 2), segment("a", "up", 2, 3, 4, 2),
                                segment("a", "flat", 2, 2, 4, 2), unknown}));
    ASSERT_EQ(d.relations.size(), 1u);
    EXPECT_EQ(d.relations[0].record->Unitname2, QStringLiteral("b"));
    EXPECT_EQ(d.skipped, (QStringList{
        QStringLiteral("Relationship layout record E:a < E:up runs upward from level 2 to level 3 and is not drawn."),
        QStringLiteral("Relationship layout record E:a < E:flat runs upward from level 2 to level 2 and is not drawn."),
        QStringLiteral("Relationship layout record E:a > E:k has no category of a drawn line and is not drawn.")}));
}

TEST(DamagedLayouts, PeriodsStartingOutsideTheLevelsAreLeftOut)
{
    LayoutSnapshot s = threeByThree();
    s.parameters.periods = {Period{QStringLiteral("A"), 0, 7}, Period{QStringLiteral("B"), 0, 9},
                            Period{QStringLiteral("C"), 0, 2}};
    const auto d = draw(s);
    // The first period's start level is never used; "B" cannot be placed.
    EXPECT_EQ(d.periodLines, (std::vector<qint64>{31}));
    ASSERT_EQ(d.periodNames.size(), 2u);
    EXPECT_EQ(d.periodNames[1].text, QStringLiteral("C"));
    EXPECT_EQ(d.skipped, QStringList{
        QStringLiteral("Period B starts on level 9, outside the layout of 3 levels, and is not shown.")});
}

TEST(DamagedLayouts, ExtremeNumbersDoNotOverflow)
{
    LayoutParameters p = parameters(2, 2, {2147483647});
    p.LeftFrameLanes = {0, 2147483647, 2147483647};
    p.FrameLanesBelow = {0, 2147483647, 2147483647};
    UnitRecord u = box("1", 1, 1);
    u.NestCt = 2147483647;
    RelRecord r = segment("a", "b", 2, 1, 4, 2, 2147483647, 2147483647, -2147483647 - 1);
    r.NestCt2 = 2147483647;
    const auto d = draw(layout(p, {u}, {r}));
    EXPECT_GT(d.geometry.width(), qint64(2147483647) * 3);
    ASSERT_EQ(d.relations.size(), 1u);
    EXPECT_GT(d.relations[0].path.trackY, 0);
}
