#include "PlacementFixture.h"
#include "layout/LayoutFiles.h"
#include "support/ScriptedUi.h"
#include <gtest/gtest.h>
#include <algorithm>

using namespace belvanto;
using namespace belvanto::testing_support;

namespace {

std::string lines(const QStringList& rows)
{
    return rows.join(QLatin1Char('\n')).toStdString();
}

const PlacementUnit& unit(const PlacedLayout& layout, const QString& text)
{
    for (const PlacementUnit& u : layout.units)
        if (u.key.text() == text) return u;
    throw std::runtime_error("no unit " + text.toStdString());
}

// A record of a hand-made working table.
PlacementUnit record(const char* name, qint32 level, std::optional<qint32> position, const QString& kind = kContextRecord)
{
    PlacementUnit u;
    u.key = {QStringLiteral("E"), QString::fromLatin1(name)};
    u.Unitclass = kind;
    u.YLevelStart = level;
    u.XStart = position;
    u.XStop = 1;
    u.Clevel = QString::number(level);
    u.FatherCt = 0;
    u.SonCt = 0;
    return u;
}

int indexOf(const PlacementWork& work, const char* name)
{
    for (std::size_t i = 0; i < work.units.size(); ++i)
        if (work.units[i].key.unitname == QLatin1String(name)) return int(i);
    throw std::runtime_error(std::string("no unit ") + name);
}

void segment(PlacementWork& work, const char* lower, const char* upper, char category = '<')
{
    PlacementLine line;
    line.first = indexOf(work, lower);
    line.second = indexOf(work, upper);
    line.category = QLatin1Char(category);
    work.proper.push_back(line);
    if (category == '<') {
        work.units[std::size_t(line.first)].FatherCt = *work.units[std::size_t(line.first)].FatherCt + 1;
        work.units[std::size_t(line.second)].SonCt = *work.units[std::size_t(line.second)].SonCt + 1;
    }
}

// "name:column" for every record, in the working table's order.
QStringList columns(const PlacementWork& work)
{
    QStringList out;
    for (const PlacementUnit& u : work.units)
        out << u.key.unitname + QLatin1Char(':') + QString::number(u.XStart.value_or(-99));
    return out;
}

// The working relationship table as "A<B", in key order.
QStringList relationKeys(const PlacementWork& work, const std::vector<PlacementLine>& table)
{
    QStringList out;
    for (int r : LineKeyOrder(table, UnitRanks(work.keyOrder())))
        out << work.units[std::size_t(table[std::size_t(r)].first)].key.unitname + table[std::size_t(r)].category
                   + work.units[std::size_t(table[std::size_t(r)].second)].key.unitname;
    return out;
}

TEST(PlacementDummies, LongRelationshipsAreBrokenInTableOrder)
{
    // D<A spans three levels (two dummies, three segments), E<B as well; the
    // counter follows the working table's key order.
    const auto layout = PlaceInput(
        MakeGraphInput({"A", "B", "C", "D", "E"}, {"A>B", "B>C", "C>D", "A>D", "B>E", "D>E"}));
    ASSERT_TRUE(layout);
    QStringList dummies;
    for (const PlacementUnit& u : layout->units)
        if (u.Unitclass == kDummyRecord) dummies << UnitRow(u).section(QStringLiteral(" | "), 0, 0) + QLatin1Char(' ')
                                                         + UnitRow(u).section(QStringLiteral(" | "), 2, 3);
    EXPECT_EQ(lines(dummies), lines({
        ":Dummy:       1 D 2 ~ 0 1 1 | ~ ~ ~ ~",
        ":Dummy:       2 D 3 ~ 0 1 1 | ~ ~ ~ ~",
        ":Dummy:       3 D 3 ~ 0 1 1 | ~ ~ ~ ~",
        ":Dummy:       4 D 4 ~ 0 1 1 | ~ ~ ~ ~",
    }));
    for (const char* level : {"       1", "       2", "       3", "       4"}) {
        const PlacementUnit& d = unit(*layout, QStringLiteral(":Dummy:") + QLatin1String(level));
        EXPECT_EQ(d.YLevelStart, d.YLevelStop);
        EXPECT_EQ(d.XStart, d.XStop);
    }
    QStringList segments;
    for (const PlacementLine& l : layout->lines)
        segments << layout->units[std::size_t(l.first)].key.text() + l.category
                        + layout->units[std::size_t(l.second)].key.text() + QLatin1Char(' ')
                        + (l.RelCount ? QString::number(*l.RelCount) : QStringLiteral("~"));
    EXPECT_EQ(lines(segments), lines({
        ":Dummy:       1<E:A ~",
        ":Dummy:       2<:Dummy:       1 ~",
        ":Dummy:       3<E:B ~",
        ":Dummy:       4<:Dummy:       3 ~",
        "E:B<E:A 1",
        "E:C<E:B 1",
        "E:D<:Dummy:       2 ~",
        "E:D<E:C 1",
        "E:E<:Dummy:       4 ~",
        "E:E<E:D 1",
    }));
}

TEST(PlacementDummies, LevelKeysArePaddedToTheDigitsOfTheLevelCount)
{
    QStringList units, relations;
    for (int i = 1; i <= 11; ++i) units << QStringLiteral("U%1").arg(i, 2, 10, QLatin1Char('0'));
    for (int i = 1; i < 11; ++i) relations << units[i - 1] + QLatin1Char('>') + units[i];
    relations << QStringLiteral("U01>U11");
    const auto layout = PlaceInput(MakeGraphInput(units, relations));
    ASSERT_TRUE(layout);
    QStringList keys;
    for (const PlacementUnit& u : layout->units)
        if (u.Unitclass == kDummyRecord) keys << u.Clevel;
        else EXPECT_EQ(u.Clevel, QString::number(*u.YLevelStart));   // contexts unpadded
    EXPECT_EQ(keys, (QStringList{"02", "03", "04", "05", "06", "07", "08", "09", "10"}));
}

TEST(PlacementDummies, ARelationshipGoingUpFailsTheLayout)
{
    PlacementWork work;
    work.units = {record("A", 1, std::nullopt), record("B", 2, std::nullopt)};
    work.levels = 2;
    PlacementLine line;
    line.first = 0;   // A as the lower unit, but it stands above B
    line.second = 1;
    line.category = QLatin1Char('<');
    work.relations.push_back(line);
    SegmentLevels(work);
    ScriptedUi ui;
    ui.expectError(QStringLiteral("Programming error? Negative level difference for units A and B"));
    qint32 counter = 0;
    EXPECT_FALSE(CreateDummyUnits(ui, work, counter));
    ui.verifyDone();
}

TEST(PlacementDummies, GroupModeKeysAndEnclosingGroup)
{
    PlacementWork work;
    work.units = {record("A", 1, std::nullopt), record("B", 4, std::nullopt)};
    work.levels = 12;
    PlacementLine line;
    line.first = 1;
    line.second = 0;
    line.category = QLatin1Char('<');
    work.relations.push_back(line);
    SegmentLevels(work);
    PlacementGroup group;
    group.active = true;
    group.levelKey = QStringLiteral("2*1");
    group.horizontalKey = QStringLiteral("3");
    group.excavation = QStringLiteral("E");
    group.unitname = QStringLiteral("G");
    ScriptedUi ui;
    qint32 counter = 5;
    ASSERT_TRUE(CreateDummyUnits(ui, work, counter, group));
    EXPECT_EQ(counter, 7);
    ASSERT_EQ(work.units.size(), 4u);
    EXPECT_EQ(work.units[2].key.unitname, QStringLiteral("       6"));
    EXPECT_EQ(work.units[2].Clevel, QStringLiteral("2*1*02"));
    EXPECT_EQ(work.units[3].Clevel, QStringLiteral("2*1*03"));
    EXPECT_EQ(work.units[3].CXPos, QStringLiteral("3"));
    EXPECT_EQ(work.units[3].GExcavation, QStringLiteral("E"));
    EXPECT_EQ(work.units[3].GUnitname, QStringLiteral("G"));
}

TEST(PlacementEqualSets, RepresentativeHasTheMostEarlierLaterRows)
{
    struct Case {
        const char* name;
        QStringList rows;        // besides A=B=C
        const char* representative;
    };
    const Case cases[] = {
        {"most rows", {"B<X", "B<Y", "A<X"}, "B"},
        {"tie goes to the first listed", {"B<X", "C<X"}, "B"},
        {"none", {}, "A"},
        {"earlier and later rows both count", {"C>X", "C<Y", "B<X"}, "C"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QStringList rows = c.rows;
        rows << QStringLiteral("A=B") << QStringLiteral("A=C") << QStringLiteral("B=C");
        const GraphInput input = MakeGraphInput({"A", "B", "C", "X", "Y"}, rows);
        PlacementWork work;
        for (const auto& u : input.units) work.units.push_back(record(qPrintable(u.key.unitname), 1, std::nullopt));
        MergeEqualContexts(work, input.relations);
        QString representative;
        for (const PlacementUnit& u : work.units)
            if (u.XStop == 3) representative = u.key.unitname;
        EXPECT_EQ(representative, QLatin1String(c.representative));
        int merged = 0;
        for (const PlacementUnit& u : work.units)
            if (u.Unitclass == kMergedRecord) {
                ++merged;
                EXPECT_EQ(u.XStart, -1);
            }
        EXPECT_EQ(merged, 2);
    }
}

TEST(PlacementEqualSets, MembersAreRewrittenAndChainedInListOrder)
{
    // B represents {A, B, C}. A's record to X duplicates B's and goes; the
    // record naming A as unit 2 now names B.
    const GraphInput input = MakeGraphInput({"A", "B", "C", "X", "Y", "Z"}, {"A=B", "A=C", "B=C", "A<X", "B<X", "B<Y"});
    PlacementWork work;
    for (const auto& u : input.units) work.units.push_back(record(qPrintable(u.key.unitname), 1, std::nullopt));
    for (const char* r : {"A<X", "B<X", "B<Y", "Z<A"}) {
        PlacementLine line;
        line.first = indexOf(work, QByteArray(r, 1).constData());
        line.second = indexOf(work, QByteArray(r + 2, 1).constData());
        line.category = QLatin1Char('<');
        work.relations.push_back(line);
    }
    MergeEqualContexts(work, input.relations);
    EXPECT_EQ(relationKeys(work, work.relations), (QStringList{"A=C", "B=A", "B<X", "B<Y", "Z<B"}));
    EXPECT_EQ(work.units[std::size_t(indexOf(work, "B"))].XStop, 3);
}

TEST(PlacementEqualSets, NoEqualRowsLeaveTheTablesAlone)
{
    const GraphInput input = MakeGraphInput({"A", "B"}, {"A<B"});
    PlacementWork work;
    for (const auto& u : input.units) work.units.push_back(record(qPrintable(u.key.unitname), 1, std::nullopt));
    const PlacementWork before = work;
    MergeEqualContexts(work, input.relations);
    EXPECT_EQ(work.units, before.units);
    EXPECT_EQ(work.relations, before.relations);
}

TEST(PlacementColumns, AWidenedLevelStartsTheNextChainBeyondTheMembers)
{
    // R stands for three contexts; its members follow the "=" chain (Z
    // before Y), and N, next on the level, starts after them.
    PlacementWork work;
    work.units = {record("N", 1, 10), record("R", 1, 0), record("Y", 1, -1, kMergedRecord),
                  record("Z", 1, -1, kMergedRecord)};
    work.units[1].XStop = 3;
    work.levels = 1;
    segment(work, "R", "Z", '=');
    segment(work, "Z", "Y", '=');
    ScriptedUi ui;
    AssignColumns(ui, work);
    EXPECT_EQ(columns(work), (QStringList{"N:4", "R:1", "Y:3", "Z:2"}));
    EXPECT_EQ(work.columns, 4);
    EXPECT_EQ(work.units[1].XStop, 1);   // the representative's own column
    EXPECT_EQ(work.units[2].XStop, 3);
    EXPECT_EQ(work.units[2].YLevelStop, 1);
}

TEST(PlacementColumns, DesiredColumnsAreTakenBeforeAnyMove)
{
    // Q moves to its desired column 2 (between P above and U below); P's
    // desired column was 1 before Q moved, so P stays.
    PlacementWork work;
    work.units = {record("P", 1, 0), record("Q", 2, 0), record("U", 3, 100), record("X1", 3, 60), record("X2", 3, 70)};
    work.levels = 3;
    segment(work, "Q", "P");
    segment(work, "U", "Q");
    ScriptedUi ui;
    AssignColumns(ui, work);
    EXPECT_EQ(columns(work), (QStringList{"P:1", "Q:2", "U:3", "X1:1", "X2:2"}));
    EXPECT_EQ(work.columns, 3);
}

TEST(PlacementColumns, MembersMoveWithTheirRepresentative)
{
    PlacementWork work;
    work.units = {record("M", 2, -1, kMergedRecord), record("R", 2, 20), record("S1", 1, 0), record("S2", 1, 5),
                  record("S3", 1, 10)};
    work.units[1].XStop = 2;
    work.levels = 2;
    segment(work, "R", "M", '=');
    segment(work, "R", "S3");
    ScriptedUi ui;
    AssignColumns(ui, work);
    EXPECT_EQ(columns(work), (QStringList{"M:3", "R:2", "S1:1", "S2:2", "S3:3"}));
}

TEST(PlacementColumns, ChainsBreakWhereTheyWouldCostTooMuch)
{
    // A chain of eight records over levels whose fill is 0, 0, 0, 0, 0, 0, 9,
    // 9: at level 7 the run of 6 would cost 6 * 9 > 3 * 6, so levels 1-6 get
    // column 1 and levels 7-8 column 10. The refinement then draws C6
    // towards its lower neighbour, to Ceil((1 + 10) / 2) = 6.
    PlacementWork work;
    work.levels = 8;
    const char* names[] = {"C1", "C2", "C3", "C4", "C5", "C6", "C7", "C8"};
    for (int l = 1; l <= 8; ++l) work.units.push_back(record(names[l - 1], l, 500));
    for (int l = 7; l <= 8; ++l)
        for (int k = 0; k < 9; ++k)
            work.units.push_back(record(qPrintable(QStringLiteral("F%1_%2").arg(l).arg(k)), l, k));
    for (int l = 2; l <= 8; ++l) segment(work, names[l - 1], names[l - 2]);
    ScriptedUi ui;
    AssignColumns(ui, work);
    for (int l = 1; l <= 8; ++l)
        EXPECT_EQ(work.units[std::size_t(l - 1)].XStart, l <= 5 ? 1 : l == 6 ? 6 : 10) << names[l - 1];
}

TEST(PlacementColumns, GroupModeKeepsColumnsInKeysAndLineEnds)
{
    // In a group the columns go into the horizontal keys (padded to the
    // digits of K) and into the segments' XPos1 / XPos2; YLevelStart is 0.
    PlacementWork work;
    work.units = {record("P", 1, 0), record("Q", 2, 0), record("R", 1, 5), record("S", 1, 10)};
    for (int i = 0; i < 7; ++i) work.units.push_back(record(qPrintable(QStringLiteral("T%1").arg(i)), 2, 20 + i));
    work.levels = 2;
    segment(work, "Q", "P");
    PlacementGroup group;
    group.active = true;
    group.horizontalKey = QStringLiteral("2*1");
    ScriptedUi ui;
    AssignColumns(ui, work, group);
    EXPECT_EQ(work.columns, 8);
    const PlacementUnit& q = work.units[1];
    EXPECT_EQ(q.YLevelStart, 0);
    EXPECT_EQ(q.YLevelStop, 1);   // the column
    EXPECT_EQ(q.CXPos, QStringLiteral("2*1*1"));
    EXPECT_EQ(work.units[10].CXPos, QStringLiteral("2*1*8"));
    EXPECT_EQ(work.proper[0].XPos1, 1);
    EXPECT_EQ(work.proper[0].XPos2, 1);
}

TEST(PlacementProjection, ScalesOntoTheRangeAndRoundsHalfToEven)
{
    std::vector<CoordinatePoint> points = {{0.0, 0.0}, {1.0, 5.0}, {3.0, 0.0}, {5.0, 0.0}, {200000.0, 0.0},
                                           {7.0, std::nullopt}, {std::nullopt, std::nullopt}};
    EXPECT_EQ(ProjectCoordinates(points, 0, 0.0, 0.0), (std::vector<qint32>{0, 0, 2, 2, 100000, -2, -2}));
    // Along the Y axis from a mean point: only the y values count.
    points = {{0.0, 10.0}, {50.0, 30.0}, {9.0, 20.0}};
    EXPECT_EQ(ProjectCoordinates(points, 90, 3.0, 20.0), (std::vector<qint32>{0, 100000, 50000}));
    // 180 degrees reverses the order.
    points = {{1.0, 0.0}, {2.0, 0.0}, {5.0, 0.0}};
    EXPECT_EQ(ProjectCoordinates(points, 180, 0.0, 0.0), (std::vector<qint32>{100000, 75000, 0}));
}

TEST(PlacementProjection, ASingleValueGoesToTheMiddle)
{
    const std::vector<CoordinatePoint> points = {{4.0, 1.0}, {4.0, 9.0}, {std::nullopt, 2.0}};
    EXPECT_EQ(ProjectCoordinates(points, 0, 4.0, 5.0), (std::vector<qint32>{50000, 50000, -2}));
}

TEST(PlacementCoordinates, CoordinatesOrderALevel)
{
    // Without coordinates the draws decide; with them B3, B2, B1 stand in
    // the order of their projected positions.
    const GraphInput input = MakeGraphInput({"A", "B1", "B2", "B3"}, {"A>B1", "A>B2", "A>B3"});
    PlacementOptions options;
    options.useCoordinates = true;
    for (quint32 seed : {1u, 2u, kDefaultSeed}) {
        const auto layout = PlaceInput(input, seed, options, {50, 300, 200, 100});
        ASSERT_TRUE(layout);
        EXPECT_LT(*unit(*layout, "E:B3").XStart, *unit(*layout, "E:B2").XStart);
        EXPECT_LT(*unit(*layout, "E:B2").XStart, *unit(*layout, "E:B1").XStart);
    }
}

TEST(PlacementCoordinates, ContextsWithoutCoordinatesKeepTheirSlots)
{
    // B2 has no coordinate: the exchange orders B1 and B3 around it.
    const GraphInput input = MakeGraphInput({"A", "B1", "B2", "B3"}, {"A>B1", "A>B2", "A>B3"});
    PlacementOptions options;
    options.useCoordinates = true;
    const auto layout = PlaceInput(input, kDefaultSeed, options, {50, 300, -2, 100});
    ASSERT_TRUE(layout);
    EXPECT_LT(*unit(*layout, "E:B3").XStart, *unit(*layout, "E:B1").XStart);
}

TEST(PlacementLevels, IsolatedContextsStandInKeyOrder)
{
    // One level: no sweeps, every context parked at 99999 + its index.
    const auto layout = PlaceInput(MakeGraphInput({"D", "B", "A", "C"}, {}));
    ASSERT_TRUE(layout);
    QStringList placed;
    for (const PlacementUnit& u : layout->units) placed << u.key.unitname + QLatin1Char(':') + QString::number(*u.XStart);
    EXPECT_EQ(placed, (QStringList{"A:1", "B:2", "C:3", "D:4"}));
    EXPECT_EQ(ParameterInts(layout->parameters), (std::vector<qint32>{0, 4, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
}

TEST(PlacementLevels, NothingToPlace)
{
    const auto layout = PlaceInput(MakeGraphInput({}, {}));
    ASSERT_TRUE(layout);
    EXPECT_TRUE(layout->units.empty());
    EXPECT_EQ(ParameterInts(layout->parameters), (std::vector<qint32>{0, 0, 0, 0}));
}

TEST(PlacementSeeds, TheSameSeedGivesTheSameLayout)
{
    const GraphInput input = GenerateStratigraphy(600, 11);
    const auto a = PlaceInput(input, 5);
    const auto b = PlaceInput(input, 5);
    ASSERT_TRUE(a && b);
    EXPECT_EQ(a->units, b->units);
    EXPECT_EQ(a->lines, b->lines);
    EXPECT_EQ(a->parameters, b->parameters);
}

TEST(PlacementSeeds, AnotherSeedChangesOnlyTheOrderWithinLevels)
{
    const GraphInput input = GenerateStratigraphy(600, 11);
    const auto a = PlaceInput(input, 5);
    const auto b = PlaceInput(input, 6);
    ASSERT_TRUE(a && b);
    ASSERT_EQ(a->units.size(), b->units.size());
    bool moved = false;
    for (std::size_t i = 0; i < a->units.size(); ++i) {
        EXPECT_EQ(a->units[i].key, b->units[i].key);
        EXPECT_EQ(a->units[i].YLevelStart, b->units[i].YLevelStart);
        EXPECT_EQ(a->units[i].Unitclass, b->units[i].Unitclass);
        moved = moved || a->units[i].XStart != b->units[i].XStart;
    }
    EXPECT_TRUE(moved);
    ASSERT_EQ(a->lines.size(), b->lines.size());
    for (std::size_t i = 0; i < a->lines.size(); ++i) {
        EXPECT_EQ(a->lines[i].first, b->lines[i].first);
        EXPECT_EQ(a->lines[i].second, b->lines[i].second);
        EXPECT_EQ(a->lines[i].category, b->lines[i].category);
    }
    EXPECT_EQ(a->parameters.levels, b->parameters.levels);
}

} // namespace
