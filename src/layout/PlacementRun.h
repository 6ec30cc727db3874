#pragma once
// The layout without groups: the project's contexts placed, their lines
// routed, and the result stored in the layout tables and the layout
// parameter file.
//
//   RelationGraph graph;
//   RunLayoutChecks(session, graph, protocol, deleteRedundant);   // levels in Y
//   ProjectContextCoordinates(session, angle);    // only with "use coordinates"
//   RandomGenerator random(seed);
//   LayoutWithoutGroups(session, graph, random, options, periods);
//
// The steps themselves are in layout/Placement.h.
#include "core/Random.h"
#include "layout/LayoutFiles.h"
#include "layout/Placement.h"
#include "layout/RelationGraph.h"
#include <optional>

namespace belvanto {

class Session;
class Table;

struct PlacementOptions {
    // Projected coordinates (in X) order the contexts.
    bool useCoordinates = false;
    // Periods or phases were checked: one more track above every period
    // start but the first.
    bool periodsShown = false;
};

// The checks a layout without groups rests on, as the run makes them: the
// cycle check and, when it found no cycle, the redundancy test in status
// mode, whose removals from the later lists decide which lines are drawn.
// The redundant relationships are deleted only when the caller says so.
LevelResult RunLayoutChecks(Session& session, RelationGraph& graph, Protocol& protocol, bool deleteRedundant);

// Everything a placement reads, in memory.
struct PlacementInput {
    std::vector<ContextInput> contexts;          // table order
    // The project's "=" rows and the "<" and ">" rows of their first units
    // (more rows do no harm).
    std::vector<GraphRelation> relationRows;
};

// A placed and routed layout: the records of the two layout tables in table
// order (lines index `units`) and the parameter file.
struct PlacedLayout {
    std::vector<PlacementUnit> units;
    std::vector<PlacementLine> lines;
    LayoutParameters parameters;
};

// Steps 1 to 7 in memory: the working tables after placement. Frees the
// graph. Nothing when a step fails (its message has been shown).
std::optional<PlacementWork> PlaceContexts(UserInterface& ui, const PlacementInput& input, RelationGraph& graph,
                                           RandomGenerator& random, const PlacementOptions& options);

// The placed working tables as the records of the layout tables, with line
// ends, ports and tracks, and the parameters (K, L, tracks, the periods).
PlacedLayout RoutePlacement(UserInterface& ui, PlacementWork work, const PlacementOptions& options,
                            const PeriodList& periods);

// The contexts of the unit table in key order with their level, projected
// position and display fields. A context without a level shows
// "Programming error? No level for unit <excavation>:<unit name>" and gives nothing.
std::optional<std::vector<ContextInput>> ReadPlacementContexts(UserInterface& ui, Table& unitTable);
// What the equal sets need of the relationship table: its "=" rows and the
// "<" and ">" rows of their first units.
std::vector<GraphRelation> ReadPlacementRelations(Table& relationTable);

// The layout without groups of the open project. Preconditions: the relation
// graph of the cycle check exists and the levels are in Y (with "use
// coordinates", the projected positions in X). Creates the layout tables,
// places and routes, writes the tables and the parameter file; frees the
// graph. On failure the layout tables are deleted. The working tables are
// deleted in any case.
bool LayoutWithoutGroups(Session& session, RelationGraph& graph, RandomGenerator& random,
                         const PlacementOptions& options, const PeriodList& periods = {});

// After a failed layout no layout stays: neither the one it was to replace
// nor its own beginnings; the working tables go too.
void DiscardLayout(const QString& directory, const QString& projectName);

// Writes a placed layout into the staged layout tables (created before, as
// CreateLayoutTables makes them), with their indexes, and the parameter
// file, then puts them in place of the live ones. False (after its message)
// when the parameter file cannot be written.
bool StorePlacedLayout(UserInterface& ui, const QString& directory, const QString& projectName,
                       const PlacedLayout& layout);

// Append the working unit table, or the drawn lines (not routed), to a
// layout table in table order, in one transaction: the group layout's way of
// collecting the layouts of its groups.
void AppendUnitLayoutRecords(Table& unitLayout, const PlacementWork& work);
void AppendRelLayoutRecords(Table& relLayout, const PlacementWork& work);

// --- use coordinates ------------------------------------------------------------------

struct MeanPoint {
    double x = 0.0;
    double y = 0.0;
    int count = 0;   // contexts with all three center coordinates
};

// The mean center point of the contexts that have all three center
// coordinates, as the projection dialog takes it; (0, 0) when there is none.
MeanPoint ContextMeanPoint(Table& unitTable);

// Writes every context's projected position into X in one transaction
// (ProjectCoordinates); units of other classes keep their X.
void ProjectContextCoordinates(Table& unitTable, int angleDegrees, double meanX, double meanY);

} // namespace belvanto
