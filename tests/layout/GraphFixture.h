#pragma once
// Small relation graphs written as text, for the layout tests.
//
//   MakeGraphInput({"A", "B", "C"}, {"A<B", "B-C", "C=A!"})
//
// "A<B" is A earlier than B and stores both rows, as adding it would; so do
// "A>B", "A-B" and "A=B". A trailing "!" stores only the row as written.
// Rows come out in the relationship table's key order.
#include "layout/RelationGraph.h"
#include <QStringList>

namespace belvanto::testing_support {

struct GraphInput {
    std::vector<GraphUnit> units;
    std::vector<GraphRelation> relations;
};

GraphInput MakeGraphInput(const QStringList& units, const QStringList& relationships,
                          const QString& excavation = QStringLiteral("E"));
// Builds with a user interface that must see no message.
RelationGraph BuildGraph(const GraphInput& input, bool singleExcavation = true);
// Every node's level, in node order.
std::vector<int> Levels(const RelationGraph& graph);

} // namespace belvanto::testing_support
