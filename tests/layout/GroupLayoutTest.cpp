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

} // namespace
