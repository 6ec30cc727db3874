#include "GraphFixture.h"
#include "checks/Redundancy.h"
#include "layout/RelationGraph.h"
#include "support/ScriptedUi.h"
#include <gtest/gtest.h>

using namespace belvanto;
using namespace belvanto::testing_support;

namespace {

struct CheckRun {
    LevelResult result;
    QStringList lines;
    std::vector<int> levels;
};

CheckRun CycleCheck(const QStringList& units, const QStringList& rels, ReportMode mode = ReportMode::Detailed,
               const QStringList& before = {})
{
    RelationGraph graph = BuildGraph(MakeGraphInput(units, rels));
    ScriptedUi ui;
    Protocol protocol(mode);
    for (const QString& l : before) protocol.add(l);
    CheckRun run;
    run.result = AssignNodeLevels(ui, graph, protocol, {});
    run.lines = protocol.lines();
    run.levels = Levels(graph);
    return run;
}

TEST(BuildRelationGraph, ListsHoldNeighboursInReverseOrderOfInsertion)
{
    // Rows in key order: (A,B,<) (A,C,<) (A,D,-) ... so LaterList(A) gets B, then C.
    const RelationGraph g = BuildGraph(MakeGraphInput({"A", "B", "C", "D"}, {"A<B", "A<C", "A-D", "B=C"}));
    ASSERT_EQ(g.size(), 4);
    EXPECT_EQ(std::vector<int>(g.nodes[0].LaterList.begin(), g.nodes[0].LaterList.end()), (std::vector<int>{2, 1}));
    EXPECT_EQ(g.nodes[0].LaterList[0], 2);
    EXPECT_EQ(std::vector<int>(g.nodes[1].EarlierList.begin(), g.nodes[1].EarlierList.end()), std::vector<int>{0});
    EXPECT_EQ(std::vector<int>(g.nodes[3].ContemporaryList.begin(), g.nodes[3].ContemporaryList.end()), std::vector<int>{0});
    EXPECT_TRUE(g.nodes[1].EqualList.contains(2));
    EXPECT_TRUE(g.nodes[2].EqualList.contains(1));
    EXPECT_EQ(g.nodes[2].Label, QStringLiteral("C"));
    EXPECT_EQ(g.nodeOf({QStringLiteral("E"), QStringLiteral("D")}), 3);
    EXPECT_EQ(g.nodeOf({QStringLiteral("E"), QStringLiteral("Z")}), -1);
}

TEST(BuildRelationGraph, SymmetricRowEntersOnlyFromTheSmallerKey)
{
    const RelationGraph stored = BuildGraph(MakeGraphInput({"A", "B"}, {"A-B!"}));
    EXPECT_EQ(stored.nodes[0].ContemporaryList.size(), 1u);
    EXPECT_EQ(stored.nodes[1].ContemporaryList.size(), 1u);
    const RelationGraph ignored = BuildGraph(MakeGraphInput({"A", "B"}, {"B-A!", "B=A!", "B>A!"}));
    for (const auto& node : ignored.nodes) {
        EXPECT_TRUE(node.ContemporaryList.empty());
        EXPECT_TRUE(node.EqualList.empty());
        EXPECT_TRUE(node.LaterList.empty());
        EXPECT_TRUE(node.EarlierList.empty());
    }
}

TEST(BuildRelationGraph, GroupModeLeavesOutEqualRowsAndTakesEveryRecordButE)
{
    auto input = MakeGraphInput({"A", "B", "C"}, {"A=B", "A-C", "B<C"});
    ScriptedUi ui;
    RelationGraph g;
    ASSERT_TRUE(BuildRelationGraph(ui, g, input.units, input.relations, GraphMode::Group, false));
    EXPECT_TRUE(g.nodes[0].EqualList.empty());
    EXPECT_EQ(g.nodes[0].ContemporaryList.size(), 1u);
    EXPECT_EQ(g.nodes[1].Label, QStringLiteral("E:B"));
}

TEST(BuildRelationGraph, RowNamingAUnitWithoutNodeRefusesTheGraph)
{
    struct Case {
        QStringList rels;
        QString message;
    };
    // B is in the table but no context, Z is missing altogether.
    const std::vector<Case> cases{
        {{"A<C", "Z<A!"}, QStringLiteral("Unit table corrupt?\r\nCould not find unit E:Z")},
        {{"A<Z!", "A<C"}, QStringLiteral("Unittable corrupt? Could not find unit E:Z")},
        {{"A<C", "B<C!"}, QStringLiteral("Unit table corrupt?\r\nCould not find unit E:B")},
        {{"A-B!"}, QStringLiteral("Unittable corrupt? Could not find unit E:B")},
    };
    for (const auto& c : cases) {
        auto input = MakeGraphInput({"A", "B", "C"}, c.rels);
        input.units[1].inGraph = false;
        ScriptedUi ui;
        ui.expectError(c.message);
        RelationGraph g;
        QString failure;
        EXPECT_FALSE(BuildRelationGraph(ui, g, input.units, input.relations, GraphMode::Normal, false, &failure));
        EXPECT_EQ(failure, c.message);
        EXPECT_TRUE(g.empty());
    }
}

TEST(SameLevelClass, BreadthFirstContemporaryBeforeEqual)
{
    // A: contemporary D, equal B; B: equal C; D: contemporary E.
    const RelationGraph g = BuildGraph(MakeGraphInput({"A", "B", "C", "D", "E"}, {"A=B", "A-D", "B=C", "D-E"}));
    EXPECT_EQ(SameLevelClass(g, 0), (std::vector<int>{0, 3, 1, 4, 2}));
    EXPECT_EQ(SameLevelClass(g, 2), (std::vector<int>{2, 1, 0, 3, 4}));
    RelationGraph h = g;
    h.nodes[3].Level = -1;
    EXPECT_EQ(SameLevelClass(h, 0, true), (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(SameLevelClass(h, 0, false).size(), 5u);
}

TEST(AssignLevels, EmptyGraphSucceedsWithNoLevels)
{
    const CheckRun detailed = CycleCheck({}, {});
    EXPECT_EQ(detailed.result.errorCount, 0);
    EXPECT_EQ(detailed.result.levelCount, 0);
    EXPECT_EQ(detailed.lines, (QStringList{"No cycles found.", ""}));
    EXPECT_TRUE(CycleCheck({}, {}, ReportMode::Summary).lines.isEmpty());
}

TEST(AssignLevels, LongestPathFromTheTop)
{
    // D earlier than A and C; C earlier than B; B earlier than A.
    const CheckRun run = CycleCheck({"A", "B", "C", "D"}, {"D<A", "D<C", "C<B", "B<A"});
    EXPECT_TRUE(run.result.ok());
    EXPECT_EQ(run.result.levelCount, 4);
    EXPECT_EQ(run.levels, (std::vector<int>{1, 2, 3, 4}));
}

TEST(AssignLevels, AgainAfterTheRedundancyTestTookShortcutsOutOfTheLaterLists)
{
    // C < B < A and the shortcut C < A; without A in its later list C must
    // still wait for B. Levelled again, as the period check does, with and
    // without periods.
    RelationGraph graph = BuildGraph(MakeGraphInput({"A", "B", "C"}, {"C<A", "C<B", "B<A"}));
    ScriptedUi ui;
    Protocol protocol;
    ASSERT_TRUE(AssignNodeLevels(ui, graph, protocol, {}).ok());
    int found = 0;
    FindRedundantLinks(graph, [&](int, int) { ++found; }, [](int) {});
    ASSERT_EQ(found, 1);
    ASSERT_EQ(graph.nodes[2].LaterList.size(), 1u);
    ASSERT_TRUE(AssignNodeLevels(ui, graph, protocol, {}).ok());
    EXPECT_EQ(Levels(graph), (std::vector<int>{1, 2, 3}));
    const std::vector<QString> dating{"P", "P", "P"};
    PeriodList periods{{"P", 3, 1, false}};
    ASSERT_TRUE(AssignNodeLevels(ui, graph, protocol, LevelOptions{QString(), &dating, &periods, "Period"}).ok());
    EXPECT_EQ(Levels(graph), (std::vector<int>{1, 2, 3}));
}

TEST(AssignLevels, ClassSharesTheLevelOfItsDeepestLaterUnit)
{
    struct Case {
        QStringList rels;
        std::vector<int> levels;
    };
    const std::vector<Case> cases{
        // Contemporary units on one level though only A has a later unit.
        {{"A<C", "A-B"}, {2, 2, 1}},
        {{"A<C", "B=A"}, {2, 2, 1}},
        // A chain of a contemporary and an equal link.
        {{"A<D", "A-B", "B=C"}, {2, 2, 2, 1}},
        // B's later unit lies deeper than A's.
        {{"A<D", "B<C", "C<D", "A-B"}, {3, 3, 2, 1}},
    };
    for (const auto& c : cases) {
        QStringList units;
        for (std::size_t i = 0; i < c.levels.size(); ++i) units << QString(QChar(char16_t(u'A' + i)));
        const CheckRun run = CycleCheck(units, c.rels);
        EXPECT_TRUE(run.result.ok()) << c.rels.join(' ').toStdString();
        EXPECT_EQ(run.levels, c.levels) << c.rels.join(' ').toStdString();
    }
}

TEST(AssignLevels, ThreeUnitCycle)
{
    const CheckRun detailed = CycleCheck({"P", "Q", "R"}, {"P<Q", "Q<R", "R<P"});
    EXPECT_EQ(detailed.result.errorCount, 1);
    EXPECT_EQ(detailed.lines, (QStringList{"Layout not successful.", "Cycle list:", "", "Cycle no. 1:",
                                           "  P (relationships: 1 earlier, 1 later)",
                                           "> R (relationships: 1 earlier, 1 later)",
                                           "> Q (relationships: 1 earlier, 1 later)",
                                           "> P (relationships: 1 earlier, 1 later)"}));
    const CheckRun summary = CycleCheck({"P", "Q", "R"}, {"P<Q", "Q<R", "R<P"}, ReportMode::Summary, {"earlier finding"});
    EXPECT_EQ(summary.lines, (QStringList{"earlier finding", "", "Layout not successful.", "Cycle list:", "",
                                          "Cycle no. 1:", "  P ", "> R ", "> Q ", "> P "}));
}

TEST(AssignLevels, EqualAndEarlierConflictThroughAClass)
{
    const CheckRun run = CycleCheck({"A", "B", "C"}, {"A=B", "B-C", "A<C"});
    EXPECT_EQ(run.result.errorCount, 1);
    EXPECT_EQ(run.lines, (QStringList{"Layout not successful.", "Cycle list:", "", "Cycle no. 1:",
                                      "  C (relationships: 1 earlier, 1 contemporary)",
                                      "-/= A (equal/contemporary: C, B)",
                                      "< C (relationships: 1 earlier, 1 contemporary)"}));
    const CheckRun summary = CycleCheck({"A", "B", "C"}, {"A=B", "B-C", "A<C"}, ReportMode::Summary);
    EXPECT_EQ(summary.lines.mid(3), (QStringList{"Cycle no. 1:", "  C ", "-/= A ", "< C "}));
}

TEST(AssignLevels, CycleThroughAClassLink)
{
    // A earlier than B, B contemporary with C, C earlier than ... A later than C.
    const CheckRun run = CycleCheck({"A", "B", "C"}, {"A<B", "B-C", "C<A"});
    EXPECT_EQ(run.result.errorCount, 1);
    EXPECT_EQ(run.lines.mid(3), (QStringList{"Cycle no. 1:", "  A (relationships: 1 earlier, 1 later)",
                                             "> C (relationships: 1 later, 1 contemporary)",
                                             "- B (relationships: 1 earlier, 1 contemporary)",
                                             "> A (relationships: 1 earlier, 1 later)"}));
}

TEST(AssignLevels, TwoCyclesAreNumberedAndSeparated)
{
    const CheckRun run = CycleCheck({"A", "B", "C", "D", "E", "F"}, {"A<B", "B<C", "C<A", "D<E", "E<F", "F<D"},
                               ReportMode::Summary);
    EXPECT_EQ(run.result.errorCount, 2);
    EXPECT_EQ(run.lines, (QStringList{"Layout not successful.", "Cycle list:", "", "Cycle no. 1:", "  A ", "> C ",
                                      "> B ", "> A ", "", "Cycle no. 2:", "  D ", "> F ", "> E ", "> D "}));
}

TEST(ListCycles, NoCycleFoundIsOneLineWithItsOwnLineBreak)
{
    // A graph whose nodes were never placed, though nothing closes a cycle.
    RelationGraph g = BuildGraph(MakeGraphInput({"A", "B"}, {"A<B"}));
    Protocol protocol;
    EXPECT_EQ(ListCycles(g, protocol, QString()), 1);
    EXPECT_EQ(protocol.lines(), (QStringList{"Layout not successful.", "Cycle list:", "",
                                             "Cycles could not be listed (contemporary/equal conflict?).\r\n"}));
    EXPECT_EQ(Levels(g), (std::vector<int>{-1, -1}));
}

TEST(ListCycles, CycleThroughContemporariesIsFoundFromTheEarlierUnit)
{
    // A and B contemporary, C between them.
    const CheckRun run = CycleCheck({"A", "B", "C"}, {"A<C", "C<B", "A-B"}, ReportMode::Summary);
    EXPECT_EQ(run.result.errorCount, 1);
    EXPECT_EQ(run.lines.mid(3), (QStringList{"Cycle no. 1:", "  B ", "> C ", "> A ", "- B "}));
}

TEST(AssignLevels, PrefixGoesBeforeStatusAndFailureButSuppressesSuccessLines)
{
    RelationGraph g = BuildGraph(MakeGraphInput({"A", "B"}, {"A<B"}));
    ScriptedUi ui;
    Protocol protocol;
    LevelOptions group;
    group.prefix = QStringLiteral("group G: ");
    const auto result = AssignNodeLevels(ui, g, protocol, group);
    EXPECT_TRUE(result.ok());
    EXPECT_TRUE(protocol.isEmpty());
    EXPECT_EQ(ui.statuses(), (QStringList{"group G: Initialize cycle check for unit 1 of 2",
                                          "group G: Initialize cycle check for unit 0 of 2",
                                          "group G: Checking for cycles, level: 2",
                                          "group G: Checking for cycles, level: 3"}));
    RelationGraph c = BuildGraph(MakeGraphInput({"A", "B"}, {"A<B!", "B<A!"}));
    LevelOptions top;
    top.prefix = QStringLiteral("top level groups: ");
    AssignNodeLevels(ui, c, protocol, top);
    EXPECT_EQ(protocol.lines().first(), QStringLiteral("top level groups: Layout not successful."));
}

TEST(AssignLevels, GroupLayoutShowsMergedContextsAsEqualCount)
{
    GraphNode node;
    node.EarlierList.pushFront(1);
    node.EqualList.pushFront(2);
    EXPECT_EQ(RelationshipSummary(node), QStringLiteral("(relationships: 1 earlier, 1 equal)"));
    node.EqualCountShown = 3;
    EXPECT_EQ(RelationshipSummary(node), QStringLiteral("(relationships: 1 earlier, 3 equal)"));
    node.EqualCountShown = 0;
    EXPECT_EQ(RelationshipSummary(node), QStringLiteral("(relationships: 1 earlier)"));
}

// --- dating mode -------------------------------------------------------------------

struct DatingRun {
    LevelResult result;
    std::vector<int> levels;
    PeriodList periods;
    QStringList lines;
};

DatingRun Dated(const QStringList& units, const QStringList& rels, const std::vector<QString>& dating,
                PeriodList periods)
{
    RelationGraph g = BuildGraph(MakeGraphInput(units, rels));
    ScriptedUi ui;
    Protocol protocol;
    LevelOptions o{QString(), &dating, &periods, QStringLiteral("Period")};
    DatingRun run;
    run.result = AssignNodeLevels(ui, g, protocol, o);
    run.levels = Levels(g);
    run.periods = periods;
    run.lines = protocol.lines();
    return run;
}

TEST(AssignLevelsWithDating, ReadyContextOfALaterPeriodWaitsForItsPeriod)
{
    // A over C in P1; B has no later unit but belongs to P2.
    const DatingRun run = Dated({"A", "B", "C"}, {"C<A"}, {"P1", "P2", "P1"},
                                {{"P1", 2, 1, false}, {"P2", 1, 2, false}});
    EXPECT_TRUE(run.result.ok());
    EXPECT_EQ(run.result.levelCount, 3);
    EXPECT_EQ(run.levels, (std::vector<int>{1, 3, 2}));
    EXPECT_EQ(run.periods[0].count, 0);
    EXPECT_EQ(run.periods[1].count, 0);
    EXPECT_EQ(run.periods[1].position, 3);
    EXPECT_TRUE(run.lines.isEmpty());
}

TEST(AssignLevelsWithDating, ClassOfAnotherPeriodIsDeferredWhole)
{
    // D (P1) on top; A and B contemporary below it, A in P2, B in P1. The
    // class waits whole because A, met first, is of P2; B waits with it, so
    // P1 never completes.
    const DatingRun run = Dated({"A", "B", "D"}, {"A<D", "A-B"}, {"P2", "P1", "P1"},
                                {{"P1", 2, 1, false}, {"P2", 1, 2, false}});
    EXPECT_EQ(run.result.errorCount, 1);
    EXPECT_EQ(run.lines, (QStringList{"", "Period layout not successful, problem with period P1"}));
}

TEST(AssignLevelsWithDating, ClassPlacedInTheCurrentPeriodCountsEveryMemberThere)
{
    // A (P2) leads the class, so B (P3) comes with it into P2, and P2 is
    // counted down twice.
    const DatingRun run = Dated({"A", "B", "D"}, {"A<D", "A-B"}, {"P2", "P3", "P1"},
                                {{"P1", 1, 1, false}, {"P2", 1, 2, false}, {"P3", 1, 3, false}});
    EXPECT_TRUE(run.result.ok());
    EXPECT_EQ(run.levels, (std::vector<int>{2, 2, 1}));
    EXPECT_EQ(run.periods[1].count, -1);
    EXPECT_EQ(run.periods[1].position, 2);
    EXPECT_EQ(run.periods[2].count, 1);
    EXPECT_EQ(run.periods[2].position, 3);
}

TEST(AssignLevelsWithDating, CountsThatDoNotMatchEndTheRunInsteadOfRunningPastTheList)
{
    const DatingRun run = Dated({"A", "B"}, {"B<A"}, {"P1", "P1"}, {{"P1", 1, 1, false}});
    EXPECT_EQ(run.result.errorCount, 1);
    EXPECT_EQ(run.lines.last(), QStringLiteral("Period layout not successful, problem with period "));
    const DatingRun none = Dated({"A"}, {}, {"P1"}, {});
    EXPECT_EQ(none.result.errorCount, 1);
}

} // namespace
