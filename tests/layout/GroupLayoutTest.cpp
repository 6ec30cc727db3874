// Hand-checked group layouts of small hierarchies with the default seed.
#include "GraphFixture.h"
#include "PlacementFixture.h"
#include "layout/GroupLayout.h"
#include "support/ScriptedUi.h"
#include <QHash>
#include <gtest/gtest.h>

using namespace belvanto;
using namespace belvanto::testing_support;

namespace {

std::string lines(const QStringList& rows)
{
    return rows.join(QLatin1Char('\n')).toStdString();
}

// A hierarchy written as text: "G: a b H" makes a, b and H members of the
// group G; every name heading such a line is a group, every other name a
// context. "a=P1" in dating gives a unit its period; with dating the top
// level hangs under period nodes, as the hierarchy builds it.
GroupLayoutInput MakeGroupInput(const QStringList& groups, const QStringList& relationships,
                                const QStringList& dating = {})
{
    QHash<QString, QStringList> members;
    QStringList groupNames, order;
    QHash<QString, QString> parent;
    auto note = [&](const QString& name) {
        if (!order.contains(name)) order << name;
    };
    for (const QString& line : groups) {
        const QString group = line.section(QLatin1Char(':'), 0, 0).trimmed();
        groupNames << group;
        note(group);
        for (const QString& m : line.section(QLatin1Char(':'), 1).split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            members[group] << m;
            parent.insert(m, group);
            note(m);
        }
    }
    const GraphInput graph = MakeGraphInput({}, relationships);
    for (const GraphRelation& r : graph.relations) {
        note(r.first.unitname);
        note(r.second.unitname);
    }
    QHash<QString, QString> periodOf;
    QStringList periodNames;
    for (const QString& d : dating) {
        periodOf.insert(d.section(QLatin1Char('='), 0, 0), d.section(QLatin1Char('='), 1));
        note(d.section(QLatin1Char('='), 0, 0));
        if (!periodNames.contains(d.section(QLatin1Char('='), 1))) periodNames << d.section(QLatin1Char('='), 1);
    }

    GroupLayoutInput input;
    input.excavation = QStringLiteral("E");
    input.relations = graph.relations;
    for (const QString& name : order) {
        GroupLayoutUnit u;
        u.key = {QStringLiteral("E"), name};
        u.dating = periodOf.value(name);
        input.units.push_back(u);
    }
    QHash<QString, int> periodNode;
    for (const QString& p : periodNames) periodNode.insert(p, input.tree.add(HierarchyNodeKind::Period, p, -1));
    std::function<void(const QString&, int)> add = [&](const QString& name, int up) {
        const bool group = groupNames.contains(name);
        const int node = input.tree.add(group ? HierarchyNodeKind::Group : HierarchyNodeKind::Context,
                                        QStringLiteral("E:") + name, up, -1, {QStringLiteral("E"), name});
        for (const QString& m : members.value(name)) add(m, node);
    };
    for (const QString& name : order)
        if (!parent.contains(name)) add(name, periodOf.contains(name) ? periodNode.value(periodOf.value(name)) : -1);
    input.tree.sort();
    return input;
}

struct GroupRun {
    ScriptedUi ui;
    Protocol protocol;
    PeriodList periods;
    std::optional<PlacedLayout> layout;

    GroupRun(const GroupLayoutInput& input, bool strict = false, const QStringList& periodNames = {})
    {
        for (const QString& name : periodNames) periods.push_back({name, 0, qint32(periods.size()) + 1, false});
        RandomGenerator random(kDefaultSeed);
        GroupLayoutOptions options;
        options.strict = strict;
        options.dated = !periodNames.isEmpty();
        layout = LayoutWithGroups(ui, input, random, options, protocol, periods);
    }
    const PlacementUnit& unit(const QString& name) const
    {
        for (const PlacementUnit& u : layout->units)
            if (u.key.unitname == name) return u;
        throw std::runtime_error("no unit " + name.toStdString());
    }
};

TEST(GroupLayoutGolden, GroupOfTwoContextsIsAFrameOfThreeLevels)
{
    GroupRun run(MakeGroupInput({"G: a b"}, {"a<b"}));
    ASSERT_TRUE(run.layout) << lines(run.protocol.lines());
    EXPECT_EQ(lines(UnitRows(*run.layout)), lines({
        "E:G G 1 1 | 1 1 1 3 | 1 0 0 | 16777215 0 16777215 0 | ~ ~",
        "E:a C 1*2 1 | 1 1 3 3 | 0 0 1 | 16777215 0 16777215 0 | ~ ~",
        "E:b C 1*1 1 | 1 1 2 2 | 0 1 0 | 16777215 0 16777215 0 | ~ ~",
    }));
    EXPECT_EQ(lines(LineRows(*run.layout)), lines({"E:a<E:b | ~ 2 3 2 2 | 0 1 0 0"}));
    const LayoutParameters& p = run.layout->parameters;
    EXPECT_TRUE(p.groups);
    EXPECT_EQ(p.columns, 1);
    EXPECT_EQ(p.levels, 3);
    EXPECT_EQ(p.FrameLanesBelow, (std::vector<qint32>{0, 0, 0, 1}));
    EXPECT_EQ(p.LeftFrameLanes, (std::vector<qint32>{0, 1}));
    EXPECT_EQ(p.RightFrameLanes, (std::vector<qint32>{0, 1}));
}

QStringList layingOut(const ScriptedUi& ui)
{
    QStringList groups;
    for (const QString& s : ui.statuses())
        if (s.startsWith(QStringLiteral("Laying out group "))) groups << s.mid(17);
    return groups;
}

TEST(GroupLayoutGolden, ContradictingGroupsStandSideBySideUnlessStrict)
{
    // a < c puts G1 below G2, d < b puts G2 below G1.
    const GroupLayoutInput input = MakeGroupInput({"G1: a b", "G2: c d"}, {"a<c", "d<b"});
    GroupRun loose(input);
    ASSERT_TRUE(loose.layout) << lines(loose.protocol.lines());
    EXPECT_EQ(loose.unit("G1").YLevelStart, loose.unit("G2").YLevelStart);
    EXPECT_TRUE(LineRows(*loose.layout).isEmpty());

    GroupRun strict(input, true);
    EXPECT_FALSE(strict.layout);
    // The conflict is met at d, in the second member.
    EXPECT_EQ(lines(strict.protocol.lines()),
              lines({"", "Conflicting relationship between groups found:",
                     "Groups with contradicting relationships: E:G2 and E:G1."}));
}

TEST(GroupLayoutGolden, SingleMemberSubgroupSharesItsParentsFirstColumn)
{
    GroupRun run(MakeGroupInput({"G: H", "H: a b"}, {"a<b"}));
    ASSERT_TRUE(run.layout) << lines(run.protocol.lines());
    EXPECT_EQ(lines(UnitRows(*run.layout)), lines({
        "E:G G 1 1 | 1 1 1 4 | 2 0 0 | 16777215 0 16777215 0 | ~ ~",
        "E:H G 1*1 1 | 1 1 2 4 | 1 0 0 | 16777215 0 16777215 0 | ~ ~",
        "E:a C 1*1*2 1 | 1 1 4 4 | 0 0 1 | 16777215 0 16777215 0 | ~ ~",
        "E:b C 1*1*1 1 | 1 1 3 3 | 0 1 0 | 16777215 0 16777215 0 | ~ ~",
    }));
    const LayoutParameters& p = run.layout->parameters;
    EXPECT_EQ(p.FrameLanesBelow, (std::vector<qint32>{0, 0, 0, 0, 2}));
    EXPECT_EQ(p.LeftFrameLanes, (std::vector<qint32>{0, 2}));
}

TEST(GroupLayoutGolden, SiblingGroupsOfNineAndTenLevelsAreCompacted)
{
    QStringList nine, ten, chain;
    for (int i = 1; i <= 10; ++i) {
        if (i <= 9) nine << QStringLiteral("a%1").arg(i);
        ten << QStringLiteral("b%1").arg(i, 2, 10, QLatin1Char('0'));
    }
    for (int i = 1; i < 9; ++i) chain << nine[i] + QLatin1Char('<') + nine[i - 1];
    for (int i = 1; i < 10; ++i) chain << ten[i] + QLatin1Char('<') + ten[i - 1];
    GroupRun run(MakeGroupInput({"A: " + nine.join(' '), "B: " + ten.join(' ')}, chain));
    ASSERT_TRUE(run.layout) << lines(run.protocol.lines());
    for (const auto& [group, members] : {std::pair{QStringLiteral("A"), nine}, std::pair{QStringLiteral("B"), ten}}) {
        const PlacementUnit& g = run.unit(group);
        EXPECT_EQ(*g.YLevelStop, *g.YLevelStart + members.size()) << group.toStdString();
        for (qsizetype i = 0; i < members.size(); ++i)
            EXPECT_EQ(*run.unit(members[i]).YLevelStart, *g.YLevelStart + 1 + i) << members[i].toStdString();
    }
    EXPECT_EQ(run.layout->parameters.levels, 11);
}

TEST(GroupLayoutGolden, TopLevelDummiesBelongToTheRoot)
{
    // x < y spans two levels beside x < z < w.
    GroupRun run(MakeGroupInput({"G: w"}, {"z<w", "x<z", "x<y"}));
    ASSERT_TRUE(run.layout) << lines(run.protocol.lines());
    const PlacementUnit& dummy = run.unit(QStringLiteral("       1"));
    EXPECT_EQ(dummy.key.excavation, QStringLiteral(":Dummy"));
    EXPECT_EQ(dummy.Clevel, QStringLiteral("2"));
    EXPECT_EQ(dummy.GExcavation, QStringLiteral("E"));
    EXPECT_EQ(dummy.GUnitname, QStringLiteral(" Root"));
    // The dummy's level is the level of z, not one above the top level.
    EXPECT_EQ(dummy.YLevelStart, run.unit(QStringLiteral("z")).YLevelStart);
}

TEST(GroupLayoutGolden, RedundantMemberLinksAreDroppedWithTheGroupsName)
{
    GroupRun run(MakeGroupInput({"G: a b c"}, {"a<b", "b<c", "a<c", "x<y", "y<z", "x<z"}));
    ASSERT_TRUE(run.layout) << lines(run.protocol.lines());
    EXPECT_EQ(lines(run.protocol.lines()), lines({"top level groups: Redundant: link from E:z down to E:x",
                                                  "group E:G: Redundant: link from E:c down to E:a"}));
    for (const QString& row : LineRows(*run.layout)) {
        EXPECT_FALSE(row.startsWith(QStringLiteral("E:a<E:c"))) << row.toStdString();
        EXPECT_FALSE(row.startsWith(QStringLiteral("E:x<E:z"))) << row.toStdString();
    }
}

TEST(GroupLayoutGolden, GroupsAreLaidOutDepthFirstFromTheLastChild)
{
    GroupRun run(MakeGroupInput({"A: B C", "B: a", "C: b", "D: c"}, {}));
    ASSERT_TRUE(run.layout) << lines(run.protocol.lines());
    EXPECT_EQ(lines(layingOut(run.ui)), lines({" Root", "E:A", "E:C", "E:B", "E:D"}));
}

TEST(GroupLayoutGolden, EqualContextsOfAGroupStandSideBySide)
{
    GroupRun run(MakeGroupInput({"G: a b c"}, {"a=b", "c<a", "c<b"}));
    ASSERT_TRUE(run.layout) << lines(run.protocol.lines());
    const PlacementUnit& a = run.unit("a");
    const PlacementUnit& b = run.unit("b");
    EXPECT_NE(a.Unitclass, b.Unitclass);
    EXPECT_EQ(a.YLevelStart, b.YLevelStart);
    EXPECT_EQ(std::abs(*a.XStart - *b.XStart), 1);
    EXPECT_EQ(*run.unit("G").XStop, 2);
}

TEST(GroupLayoutGolden, PeriodsFollowEachOtherInBands)
{
    // P1 is the later period: G and x above y and z.
    GroupRun run(MakeGroupInput({"G: a b"}, {"a<b", "y<a", "z<y"}, {"G=P1", "a=P1", "b=P1", "x=P1", "y=P2", "z=P2"}),
                 false, {"P1", "P2"});
    ASSERT_TRUE(run.layout) << lines(run.protocol.lines());
    qint32 lowestP1 = 0, highestP2 = 1 << 30;
    for (const char* name : {"a", "b", "x"}) lowestP1 = std::max(lowestP1, *run.unit(name).YLevelStart);
    for (const char* name : {"y", "z"}) highestP2 = std::min(highestP2, *run.unit(name).YLevelStart);
    EXPECT_LT(lowestP1, highestP2);
    const LayoutParameters& p = run.layout->parameters;
    ASSERT_EQ(p.periods.size(), 2u);
    EXPECT_EQ(p.periods[0].position, 1);
    // The second period starts on the diagram level of y, the first record
    // of its top-level level.
    EXPECT_EQ(p.periods[1].position, highestP2);
    EXPECT_EQ(p.TrackCount[std::size_t(highestP2) - 1], 1);
    // Every period counted its top-level members down to nothing.
    EXPECT_EQ(run.periods[0].count, 0);
    EXPECT_EQ(run.periods[1].count, 0);
}

TEST(GroupLayoutErrors, AUnitMissingFromTheUnitsEndsTheLayoutWithItsOwnReason)
{
    GroupLayoutInput input = MakeGroupInput({"G: a b"}, {});
    input.units.erase(input.units.begin() + 1);   // a
    ScriptedUi ui;
    ui.expectError(QStringLiteral("Error: Unit E:a not found in unit table."));
    Protocol protocol;
    PeriodList periods;
    RandomGenerator random(kDefaultSeed);
    EXPECT_FALSE(LayoutWithGroups(ui, input, random, {}, protocol, periods));
    EXPECT_EQ(lines(protocol.lines()), lines({"", "Error: Unit E:a not found in unit table."}));
}

TEST(GroupLayoutErrors, ACycleAmongMembersIsListedWithTheGroupsName)
{
    GroupRun run(MakeGroupInput({"T: G1 G2 G3", "G1: a f", "G2: b c", "G3: d e"}, {"a<b", "c<d", "e<f"}));
    EXPECT_FALSE(run.layout);
    ASSERT_GE(run.protocol.lines().size(), 3);
    EXPECT_EQ(run.protocol.lines()[0], QStringLiteral("group E:T: Layout not successful."));
    EXPECT_EQ(run.protocol.lines()[1], QStringLiteral("Cycle list:"));
}

} // namespace
