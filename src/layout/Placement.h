#pragma once
// Horizontal placement of the contexts of a Harris diagram, in memory.
//
// Once every context has a level, the placement merges sets of equal
// contexts into runs of adjacent boxes, breaks relationships that span
// several levels into single-level segments through dummy units, orders the
// units of every level by barycentre sweeps and packs them into integer
// columns. The working records here are those of the working tables
// "__TempUnit", "__TempRel" and "__ProperRelS": the same fields as the layout
// tables, filled step by step.
//
// Each step is callable on its own: the layout without groups runs them once
// over the project's contexts (layout/PlacementRun.h), the group layout runs
// steps 5 to 7 for every group with the group's keys (PlacementGroup).
//
// Orders, ties and rounding are fixed in layout/PlacementOrder.h.
#include "core/Random.h"
#include "layout/LayoutFiles.h"
#include "layout/PeriodList.h"
#include "store/UnitKey.h"
#include <QChar>
#include <QString>
#include <optional>
#include <vector>

namespace belvanto {

class RelationGraph;
class UserInterface;
struct GraphRelation;

using OptionalInt = std::optional<qint32>;

// One record of the working unit table; afterwards a box of the unit layout
// table. Empty fields are nullopt / "".
struct PlacementUnit {
    UnitKey key;
    QString Clevel;
    QString CXPos;
    OptionalInt XStart, XStop, YLevelStart, YLevelStop, NestCt, SonCt, FatherCt;
    OptionalInt Colour, BoxStyle, ThemColour, ThemBoxStyle;
    QString Unitclass;
    QString GExcavation, GUnitname;

    bool operator==(const PlacementUnit&) const = default;
};

// One record of a working relationship table; afterwards a line of the
// relationship layout table. first and second index PlacementWork::units.
// "<": first is the lower (earlier) unit, second the upper (later) one.
struct PlacementLine : LineRecord {
    int first = -1;
    int second = -1;
    OptionalInt RelCount;

    bool operator==(const PlacementLine&) const = default;
};

// The working tables of one placement. Unit indexes never change: dummy
// units are appended, and the table order is computed (keyOrder).
struct PlacementWork {
    std::vector<PlacementUnit> units;        // "__TempUnit"
    std::vector<PlacementLine> relations;    // "__TempRel"
    std::vector<PlacementLine> proper;       // "__ProperRelS": "<" segments and "=" links
    qint32 levels = 0;                       // L
    qint32 columns = 0;                      // K

    // Unit indexes in table order (excavation, unit name by code point).
    std::vector<int> keyOrder() const;
    // Appends a unit; its index is returned.
    int addUnit(PlacementUnit unit);
};

// Lines sorted into table order (the four names), given the units' table
// order ranks.
std::vector<int> LineKeyOrder(const std::vector<PlacementLine>& lines, const std::vector<int>& unitRank);
// rank[unit] from keyOrder().
std::vector<int> UnitRanks(const std::vector<int>& keyOrder);

// What the group layout adds to the steps; empty for the layout without
// groups.
struct PlacementGroup {
    bool active = false;          // group mode
    QString levelKey;             // the group's Clevel ("" for the top level)
    QString horizontalKey;        // the group's CXPos
    QString excavation;           // GExcavation / GUnitname of the group's dummies
    QString unitname;
    // Dated top level: a merged member is taken off its period's count (the
    // period named by the member's GUnitname).
    PeriodList* periods = nullptr;
};

inline const QString kInitialPositionStatus = QStringLiteral("Assigning an initial horizontal position to each context");
inline const QString kFinalPositionStatus = QStringLiteral("Assigning the final horizontal position to each context");
inline const QString kNegativeLevelDifference = QStringLiteral("Programming error? Negative level difference for units ");

// --- projection of coordinates ----------------------------------------------------

struct CoordinatePoint {
    std::optional<double> x, y;   // XAvgCoord, YAvgCoord
};

// Each point with both coordinates gets its position p = cos(angle) (x - mean
// x) + sin(angle) (y - mean y) scaled onto 0..100000 and rounded half to
// even; the others get -2. When every p is the same, every such point gets
// 50000.
std::vector<qint32> ProjectCoordinates(const std::vector<CoordinatePoint>& points, int angleDegrees,
                                       double meanX, double meanY);

// --- step 1: contexts ---------------------------------------------------------------

struct ContextInput {
    UnitKey key;
    qint32 level = 0;                  // Y
    OptionalInt x;                     // X: the projected position
    OptionalInt displayColour, dispStyle, thematicColour, thematicStyle;
};

// Appends a "C" record per context, in the given (table) order, and sets L
// to the highest level.
void LoadContexts(PlacementWork& work, const std::vector<ContextInput>& contexts, bool useCoordinates);

// --- step 2: relationships of the relation graph -------------------------------------

// A relationship as it enters the working table: NestCt2 0, RelCount 1.
PlacementLine LoadedLine(int first, int second, QChar category);

// For every node in node order, its later units ("<") then its contemporary
// units ("-"), with NestCt2 0 and RelCount 1. Nodes are matched to units by
// key; a relationship already in the table is not entered twice.
void LoadGraphRelations(PlacementWork& work, const RelationGraph& graph);

// --- step 3: equal sets ---------------------------------------------------------------

// Merges sets of equal "C" records, given the project's relationship rows
// (any order; only "=", "<" and ">" rows are looked at). Does nothing when
// there is no "=" row.
void MergeEqualContexts(PlacementWork& work, const std::vector<GraphRelation>& relationRows,
                        const PlacementGroup& group = {});

// --- step 4: segment levels -------------------------------------------------------------

void SegmentLevels(PlacementWork& work);

// --- step 5: dummy units ------------------------------------------------------------------

// Fills `proper`: single-level "<" records, the segments through new dummy
// units, and the "=" records. A "<" record that does not go down at least one
// level shows the error and gives false.
bool CreateDummyUnits(UserInterface& ui, PlacementWork& work, qint32& dummyCounter,
                      const PlacementGroup& group = {});

// --- step 6: ordering ------------------------------------------------------------------------

// Barycentre sweeps; leaves the sweep position in XStart, the segment counts
// in SonCt and FatherCt, and NestCt 0, of every record but the "E" records.
void OrderLevels(UserInterface& ui, PlacementWork& work, RandomGenerator& random, bool useCoordinates);

// --- step 7: columns ---------------------------------------------------------------------------

// Columns from the chains, the equal sets and the refinement; sets K and the
// final values.
void AssignColumns(UserInterface& ui, PlacementWork& work, const PlacementGroup& group = {});

} // namespace belvanto
