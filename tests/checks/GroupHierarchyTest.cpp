#include "checks/GroupHierarchy.h"
#include "core/Protocol.h"
#include "core/Regional.h"
#include "store/Project.h"
#include "store/Relations.h"
#include "store/Session.h"
#include "store/UnitFields.h"
#include "support/ScriptedUi.h"
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace belvanto;

namespace {

// A project of excavation "A". Units are written "<name> <class> [<value>]"
// with class g (group) or c (context) and the value of the Period field (or
// Phase field with phases); "part of" rows "<member> <container>".
class HierarchyProject {
public:
    HierarchyProject(const QStringList& units, const QStringList& partOf, bool single = false, int datingField = uf::Period)
    {
        EXPECT_TRUE(CreateProjectFiles(session, dir.filePath(QStringLiteral("P.bvp")), QStringLiteral("A"), QString(),
                                       single));
        Table& table = session.units();
        for (const QString& line : units) {
            const QStringList parts = line.split(QLatin1Char(' '));
            table.insert();
            table.set(uf::Excavation, QStringLiteral("A"));
            table.set(uf::Unitname, parts[0]);
            table.set(uf::Unitclass, parts[1] == QStringLiteral("g") ? kGroup : kContext);
            if (parts.size() > 2) table.set(datingField, parts[2]);
            table.post();
        }
        for (const QString& line : partOf) {
            const QStringList parts = line.split(QLatin1Char(' '));
            InsertRelationRow(session.relations(), {QStringLiteral("A"), parts[0]}, {QStringLiteral("A"), parts[1]},
                              category::PartOf, QString(), status::Stored);
        }
    }

    // "name=value" of every unit in key order.
    QStringList values(int field) const
    {
        QStringList rows;
        for (const auto& row : session.units().query(QString(), {}, kUnitKeyOrder))
            rows << valueToString(row.values[uf::Unitname]) + QLatin1Char('=') + valueToString(row.values[std::size_t(field)]);
        return rows;
    }

    QTemporaryDir dir;
    ScriptedUi ui;
    FixedRegional regional;
    mutable Session session{ui, regional};
};

// The expanded tree top to bottom: two blanks per depth, the kind's image
// index, the text.
QStringList Dump(const HierarchyTree& tree)
{
    QStringList lines;
    for (int index : tree.displayOrder()) {
        int depth = 0;
        for (int p = tree.node(index).parent; p >= 0; p = tree.node(p).parent) ++depth;
        lines << QString(depth * 2, QLatin1Char(' ')) + QString::number(tree.node(index).image) + QLatin1Char(' ')
                     + tree.node(index).text;
    }
    return lines;
}

struct TreeCase {
    const char* name;
    QStringList units;
    QStringList partOf;
    HierarchyOptions options;
    QStringList tree;       // empty: the build fails
    QStringList protocol;
};

const HierarchyOptions kGroupsOnly{false, Chronology::Ignore};
const HierarchyOptions kWithContexts{true, Chronology::Ignore};
const HierarchyOptions kPeriods{true, Chronology::Periods};

class TreeCases : public ::testing::TestWithParam<TreeCase> {};

TEST_P(TreeCases, TreeOrMessage)
{
    const TreeCase& c = GetParam();
    HierarchyProject project(c.units, c.partOf);
    HierarchyTree tree;
    Protocol protocol;
    const bool ok = BuildGroupHierarchy(project.session, c.options, tree, &protocol);
    EXPECT_EQ(ok, !c.tree.isEmpty());
    EXPECT_EQ(Dump(tree), c.tree);
    EXPECT_EQ(protocol.lines(), c.protocol);
    EXPECT_EQ(project.session.hierarchyState, ok ? (c.options.includeContexts ? 2 : 1) : 0);
}

const TreeCase kTreeCases[] = {
    {"GroupsWithoutPartOfRowsAreRootsAndSoAreTheContexts",
     {"G1 g", "G2 g", "101 c", "102 c"},
     {},
     kWithContexts,
     {"2 A:101", "2 A:102", "0 A:G1", "0 A:G2"},
     {}},
    {"GroupsOnlyLeavesTheContextsOut",
     {"G1 g", "G2 g", "101 c"},
     {"G2 G1", "101 G2"},
     kGroupsOnly,
     {"0 A:G1", "  0 A:G2"},
     {}},
    {"NestedGroupsAndContextsUnderTheirGroup",
     {"G1 g", "G2 g", "G3 g", "101 c", "102 c", "103 c"},
     {"G2 G1", "G3 G1", "101 G2", "102 G1", "103 G3"},
     kWithContexts,
     {"0 A:G1", "  2 A:102", "  0 A:G2", "    2 A:101", "  0 A:G3", "    2 A:103"},
     {}},
    {"LastPartOfRowToAGroupGivesTheParent",
     {"G1 g", "G2 g", "G3 g"},
     {"G3 G1", "G3 G2"},
     kGroupsOnly,
     {"0 A:G1", "0 A:G2", "  0 A:G3"},
     {}},
    {"FirstPartOfRowToAGroupGivesTheContextsGroup",
     {"G1 g", "G2 g", "101 c"},
     {"101 G1", "101 G2"},
     kWithContexts,
     {"0 A:G1", "  2 A:101", "0 A:G2"},
     {}},
    {"PartOfRowsToContextsAndMissingUnitsAreNoContainers",
     {"G1 g", "101 c", "102 c"},
     {"101 102", "102 X9", "G1 101"},
     kWithContexts,
     {"2 A:101", "2 A:102", "0 A:G1"},
     {}},
    {"SortIsCodePointOrderCaseFirstAccentsLast",
     {"G g", "Zeta c", "alpha c", "Beta c", "\u00c4rger c", "beta c", "10 c", "9 c"},
     {"Zeta G", "alpha G", "Beta G", "\u00c4rger G", "beta G", "10 G", "9 G"},
     kWithContexts,
     {"0 A:G", "  2 A:10", "  2 A:9", "  2 A:Beta", "  2 A:Zeta", "  2 A:alpha", "  2 A:beta", "  2 A:\u00c4rger"},
     {}},
    {"GroupPartOfItselfIsListedWithEverythingBelowIt",
     {"G1 g", "G2 g", "G3 g", "G4 g"},
     {"G2 G2", "G3 G2", "G4 G3"},
     kGroupsOnly,
     {},
     {QStringLiteral("There is a group cycle. Possible cycle members are:\r\nA:G2, A:G3, A:G4")}},
    {"TwoGroupsPartOfEachOther",
     {"G1 g", "G2 g", "G3 g"},
     {"G1 G2", "G2 G1", "G3 G1"},
     kWithContexts,
     {},
     {QStringLiteral("There is a group cycle. Possible cycle members are:\r\nA:G1, A:G2, A:G3")}},
    {"NoGroups",
     {"101 c"},
     {},
     kWithContexts,
     {},
     {QStringLiteral("No groups defined for current project.")}},
    // Periods: roots are period nodes holding the top-level groups and the
    // ungrouped contexts; every group carries its members' period.
    {"PeriodNodesHoldTopGroupsAndUngroupedContexts",
     {"G1 g", "G2 g", "101 c II", "102 c I", "103 c I"},
     {"G2 G1", "101 G2"},
     kPeriods,
     {"4 I", "  2 A:102", "  2 A:103", "4 II", "  0 A:G1", "    0 A:G2", "      2 A:101"},
     {}},
    {"SecondMemberStopsAtThePeriodNode",
     {"G1 g", "G2 g", "G3 g", "101 c I", "102 c I"},
     {"G2 G1", "G3 G1", "101 G2", "102 G3"},
     kPeriods,
     {"4 I", "  0 A:G1", "    0 A:G2", "      2 A:101", "    0 A:G3", "      2 A:102"},
     {}},
    {"GroupWithoutContextsStaysARoot",
     {"G1 g", "G2 g", "101 c I"},
     {"101 G1"},
     kPeriods,
     {"0 A:G2", "4 I", "  0 A:G1", "    2 A:101"},
     {}},
    {"SecondMemberWithAnotherPeriodFails",
     {"G1 g", "101 c I", "102 c II"},
     {"101 G1", "102 G1"},
     kPeriods,
     {},
     {QStringLiteral("Error: group A:G1 has different Period than member A:102.")}},
    {"UpperGroupWithAnotherPeriodFails",
     {"G1 g II", "G2 g", "101 c I"},
     {"G2 G1", "101 G2"},
     kPeriods,
     {},
     {QStringLiteral("Error: group A:G1 has different Period than member A:101.")}},
    {"ContextWithoutPeriodFailsBeforeItsGroupIsLookedAt",
     {"G1 g", "101 c I", "102 c"},
     {"101 G1", "102 G1"},
     kPeriods,
     {},
     {QStringLiteral("Error: context A:102 does not belong to a Period.")}},
    {"WithoutContextsPeriodsAreNotChecked",
     {"G1 g", "101 c"},
     {"101 G1"},
     {false, Chronology::Periods},
     {"0 A:G1"},
     {}},
};

INSTANTIATE_TEST_SUITE_P(GroupHierarchy, TreeCases, ::testing::ValuesIn(kTreeCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(GroupHierarchy, GroupTakesItsFirstMembersPeriodAndKeepsItWhenTheBuildFails)
{
    HierarchyProject project({"G1 g", "G2 g", "G3 g", "101 c I", "102 c II"}, {"G2 G1", "101 G2", "102 G3"});
    HierarchyTree tree;
    Protocol protocol;
    ASSERT_TRUE(BuildGroupHierarchy(project.session, kPeriods, tree, &protocol));
    EXPECT_EQ(project.values(uf::Period),
              QStringList({"101=I", "102=II", "G1=I", "G2=I", "G3=II"}));
    EXPECT_EQ(project.session.hierarchyChronology, 1);

    // A third member of G2 from another period: the build fails, but what
    // it wrote before stays.
    HierarchyProject failing({"G1 g", "G2 g", "101 c I", "102 c II"}, {"G2 G1", "101 G2", "102 G2"});
    EXPECT_FALSE(BuildGroupHierarchy(failing.session, kPeriods, tree, &protocol));
    EXPECT_TRUE(tree.empty());
    EXPECT_EQ(failing.values(uf::Period), QStringList({"101=I", "102=II", "G1=I", "G2=I"}));
}

TEST(GroupHierarchy, PhasesUseThePhaseFieldAndItsName)
{
    HierarchyProject project({"G1 g", "101 c", "102 c"}, {"101 G1", "102 G1"}, true, uf::Phase);
    project.ui.expectError(QStringLiteral("Error: context 101 does not belong to a Phase."), kHierarchyHelpContext);
    HierarchyTree tree;
    EXPECT_FALSE(BuildGroupHierarchy(project.session, {true, Chronology::Phases}, tree, nullptr));
    project.ui.verifyDone();

    // With the label of the single-excavation project, as a box.
    HierarchyProject noPeriod({"G1 g", "101 c"}, {"101 G1"}, true);
    noPeriod.ui.expectError(QStringLiteral("Error: context 101 does not belong to a Period."), kHierarchyHelpContext);
    EXPECT_FALSE(BuildGroupHierarchy(noPeriod.session, kPeriods, tree, nullptr));
    noPeriod.ui.verifyDone();

    HierarchyProject phases({"G1 g", "101 c X", "102 c Y"}, {"101 G1", "102 G1"}, true, uf::Phase);
    phases.ui.expectError(QStringLiteral("Error: group G1 has different Phase than member 102."), kHierarchyHelpContext);
    EXPECT_FALSE(BuildGroupHierarchy(phases.session, {true, Chronology::Phases}, tree, nullptr));
    EXPECT_EQ(phases.values(uf::Phase), QStringList({"101=X", "102=Y", "G1=X"}));
    EXPECT_EQ(phases.values(uf::Period), QStringList({"101=", "102=", "G1="}));
}

TEST(GroupHierarchy, OutsideARunMessagesAreBoxesWithTheirKind)
{
    HierarchyProject none({"101 c"}, {});
    none.ui.expectWarning(QStringLiteral("No groups defined for current project."), kHierarchyHelpContext);
    HierarchyTree tree;
    EXPECT_FALSE(BuildGroupHierarchy(none.session, kWithContexts, tree, nullptr));
    none.ui.verifyDone();
    EXPECT_TRUE(none.ui.statuses().contains(QStringLiteral("Counting number of 'group's")));
    EXPECT_EQ(none.ui.busyDepth(), 0);

    HierarchyProject cycle({"G1 g"}, {"G1 G1"});
    cycle.ui.expectError(QStringLiteral("There is a group cycle. Possible cycle members are:\r\nA:G1"),
                         kHierarchyHelpContext);
    EXPECT_FALSE(BuildGroupHierarchy(cycle.session, kWithContexts, tree, nullptr));
    cycle.ui.verifyDone();
    EXPECT_TRUE(cycle.ui.statuses().contains(QStringLiteral("Building hierarchy tree")));
    EXPECT_EQ(cycle.ui.statuses().last(), QString());
}

// The cycle list stops right after the label that takes it beyond 100
// characters.
TEST(GroupHierarchy, CycleListIsCutAfterTheLabelThatPassesOneHundredCharacters)
{
    struct Case {
        bool single;
        int digits;     // of the group names "G01", "G001"
        int groups;
        QString last;   // the last label listed
    };
    // "G01".."G30": 5n - 2 characters for n labels, 103 at n = 21; with
    // "A:" before each, 7n - 2, 103 at n = 15; 20 labels (98) are all
    // listed; "G001"...: 6n - 2, exactly 100 at n = 17 is not beyond.
    const Case cases[] = {{true, 2, 30, "G21"}, {false, 2, 30, "A:G15"}, {true, 2, 20, "G20"}, {true, 3, 30, "G018"}};
    for (const Case& c : cases) {
        QStringList units, partOf;
        auto name = [&](int i) { return QStringLiteral("G%1").arg(i, c.digits, 10, QLatin1Char('0')); };
        for (int i = 1; i <= c.groups; ++i) {
            units << name(i) + QStringLiteral(" g");
            partOf << name(i) + QLatin1Char(' ') + name(i % c.groups + 1);
        }
        HierarchyProject project(units, partOf, c.single);
        HierarchyTree tree;
        Protocol protocol;
        EXPECT_FALSE(BuildGroupHierarchy(project.session, kGroupsOnly, tree, &protocol));
        ASSERT_EQ(protocol.lines().size(), 1);
        const QString list = protocol.lines().front().section(QStringLiteral("\r\n"), 1);
        EXPECT_TRUE(list.endsWith(c.last)) << list.toStdString();
        EXPECT_EQ(list.split(QStringLiteral(", ")).size(), c.last.right(2).toInt()) << list.toStdString();
    }
}

TEST(GroupHierarchy, EmptyGroupCheckReportsTheOneMetFirstFromTheLastNode)
{
    struct Case {
        const char* name;
        QStringList units;
        QStringList partOf;
        QString expected;
    };
    const Case cases[] = {
        {"several empty roots: the alphabetically last",
         {"G1 g", "G3 g", "G2 g", "101 c"},
         {},
         "Error: group A:G3 does not contain any members."},
        {"an empty subgroup above a filled group",
         {"G1 g", "G2 g", "G3 g", "101 c"},
         {"G2 G1", "101 G3"},
         "Error: group A:G2 does not contain any members."},
        {"a group holding only an empty subgroup is not empty",
         {"G1 g", "G2 g"},
         {"G2 G1"},
         "Error: group A:G2 does not contain any members."},
        {"every group has members", {"G1 g", "G2 g", "101 c"}, {"G2 G1", "101 G2"}, "No empty group detected."},
    };
    for (const Case& c : cases) {
        HierarchyProject project(c.units, c.partOf);
        HierarchyTree tree;
        ASSERT_TRUE(BuildGroupHierarchy(project.session, kWithContexts, tree, nullptr)) << c.name;
        EXPECT_EQ(CheckEmptyGroups(tree), c.expected) << c.name;
    }
}

TEST(GroupHierarchy, TreeKeepsTheUnitsAndGroupPositions)
{
    HierarchyProject project({"G2 g", "G1 g", "101 c I"}, {"101 G2"});
    HierarchyTree tree;
    ASSERT_TRUE(BuildGroupHierarchy(project.session, kPeriods, tree, nullptr));
    for (int index : tree.displayOrder()) {
        const HierarchyNode& node = tree.node(index);
        const std::vector<int>& siblings = node.parent < 0 ? tree.roots() : tree.node(node.parent).children;
        EXPECT_EQ(siblings[std::size_t(tree.row(index))], index);
        EXPECT_EQ(node.selectedImage(), node.image + 1);
        if (node.kind == HierarchyNodeKind::Group) {
            EXPECT_EQ(node.groupPosition, node.text == QStringLiteral("A:G1") ? 0 : 1) << node.text.toStdString();
        }
        EXPECT_EQ(node.unit.text(), node.kind == HierarchyNodeKind::Period ? QStringLiteral(":") : node.text);
    }
}

TEST(GroupHierarchy, StateFollowsTheLastBuildAndGivesTheOptions)
{
    HierarchyProject project({"G1 g", "101 c I"}, {"101 G1"});
    HierarchyTree tree;
    EXPECT_EQ(CurrentHierarchyOptions(project.session).includeContexts, true);
    EXPECT_EQ(CurrentHierarchyOptions(project.session).chronology, Chronology::Ignore);
    ASSERT_TRUE(BuildGroupHierarchy(project.session, {false, Chronology::Phases}, tree, nullptr));
    EXPECT_EQ(project.session.hierarchyState, kHierarchyGroups);
    EXPECT_FALSE(CurrentHierarchyOptions(project.session).includeContexts);
    EXPECT_EQ(CurrentHierarchyOptions(project.session).chronology, Chronology::Phases);
    ASSERT_TRUE(BuildGroupHierarchy(project.session, kPeriods, tree, nullptr));
    EXPECT_EQ(project.session.hierarchyState, kHierarchyWithContexts);
    EXPECT_EQ(CurrentHierarchyOptions(project.session).chronology, Chronology::Periods);
}

} // namespace
