#pragma once
// The stratigraphy as a Graphviz digraph, for comparison with other layout
// tools: one node per context, one edge per earlier/later relationship from
// the later context to the earlier one, so that dot draws the later above.
//
//   digraph "P" {
//     node [shape=box];
//     "E:1" [label="1"];
//     "E:1" -> "E:2";
//   }
//
// Node names are the unit keys ("<excavation>:<unit name>"), labels the unit
// labels. The file is UTF-8, as Graphviz reads it by default.
#include <QString>

namespace belvanto {

class Table;
class UserInterface;

// The digraph text of the contexts of unitTable and the ">" rows of
// relationTable between them, both in key order.
QString DotGraph(Table& unitTable, Table& relationTable, bool singleExcavation, const QString& graphName);

// Writes DotGraph to path (replacing it); an error message and false when the
// file cannot be written.
bool ExportDot(UserInterface& ui, Table& unitTable, Table& relationTable, bool singleExcavation,
               const QString& graphName, const QString& path);

} // namespace belvanto
