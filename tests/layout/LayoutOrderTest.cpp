// The orders and tie rules of layout/LayoutOrder.h.
#include "GraphFixture.h"
#include "layout/LayoutOrder.h"
#include "layout/RelationGraph.h"
#include "support/ScriptedUi.h"
#include <gtest/gtest.h>

using namespace belvanto;
using namespace belvanto::testing_support;

namespace {

TEST(NodeListOrder, NewestFirst)
{
    NodeList list;
    for (int n : {2, 1, 2, 5}) list.pushFront(n);
    EXPECT_EQ(std::vector<int>(list.begin(), list.end()), (std::vector<int>{5, 2, 1, 2}));
    EXPECT_EQ(list[0], 5);
    EXPECT_EQ(list[3], 2);
    EXPECT_TRUE(list.contains(1));
    EXPECT_TRUE(list.remove(2));   // the one nearest the head
    EXPECT_EQ(std::vector<int>(list.begin(), list.end()), (std::vector<int>{5, 1, 2}));
    EXPECT_FALSE(list.remove(7));
}

TEST(SymmetricRowFilter, ComparesTheWrittenUnitsNotTheKeyPairs)
{
    // "A1:x" < "A:x" though excavation "A" comes before "A1" in key order.
    GraphInput input;
    input.units = {{{QStringLiteral("A"), QStringLiteral("x")}, true, 1}, {{QStringLiteral("A1"), QStringLiteral("x")}, true, 2}};
    input.relations = {{{QStringLiteral("A"), QStringLiteral("x")}, {QStringLiteral("A1"), QStringLiteral("x")}, QLatin1Char('-')}};
    EXPECT_TRUE(BuildGraph(input).nodes[0].ContemporaryList.empty());
    input.relations = {{{QStringLiteral("A1"), QStringLiteral("x")}, {QStringLiteral("A"), QStringLiteral("x")}, QLatin1Char('-')}};
    EXPECT_EQ(BuildGraph(input).nodes[0].ContemporaryList.size(), 1u);
}

TEST(CycleListingOrder, FinishedNodePoppedAgainClosesAnotherCycle)
{
    // EarlierList(A) = [D, B]: B is searched first and finishes D; the pair
    // (D, A) still on the stack brings D back onto the path.
    RelationGraph g = BuildGraph(MakeGraphInput({"A", "B", "D"}, {"B<A", "D<A!", "A<D!", "D<B"}));
    ASSERT_EQ(std::vector<int>(g.nodes[0].EarlierList.begin(), g.nodes[0].EarlierList.end()), (std::vector<int>{2, 1}));
    ScriptedUi ui;
    Protocol protocol(ReportMode::Summary);
    EXPECT_EQ(AssignNodeLevels(ui, g, protocol, {}).errorCount, 2);
    EXPECT_EQ(protocol.lines().mid(3), (QStringList{"Cycle no. 1:", "  A ", "> B ", "> D ", "> A ", "", "Cycle no. 2:",
                                                    "  A ", "> D ", "> A "}));
}

TEST(CycleListingOrder, LineSymbolUsesTheFullClass)
{
    // A and B are contemporary only through F, which an earlier search has
    // finished: the search steps from A to B as an earlier unit, but the
    // line is written with the class that still holds F.
    RelationGraph g = BuildGraph(MakeGraphInput({"A", "B", "F"}, {"B<A!", "A<B!", "A-F", "F-B"}));
    g.nodes[2].Level = -1;
    Protocol protocol(ReportMode::Summary);
    EXPECT_EQ(ListCycles(g, protocol, QString()), 1);
    EXPECT_EQ(protocol.lines().mid(3), (QStringList{"Cycle no. 1:", "  A ", "-/= B ", "-/= A "}));
}

} // namespace
