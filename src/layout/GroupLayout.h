#pragma once
// The layout with groups: every group of the group hierarchy laid out on its
// own as a small Harris diagram of its direct members (contexts and member
// groups), the results nested so that a group's members stand inside its
// frame, below the group's own level. With periods or phases the top level
// is laid out with dating constraints, so that the periods follow each other
// in horizontal bands.
//
// Every record carries two hierarchical keys: Clevel (the level key) and
// CXPos (the horizontal key), each its group's key + "*" + the member's
// zero-padded level or column there. Sorting the keys by code point gives the
// diagram's levels and columns; each frame is then compacted, innermost
// first, so that no column or level inside it stays empty.
//
// The work runs in memory on an abstract input (units, relationships, the
// tree), so that a contracted diagram can be laid out again from its own
// tables; the table form reads the project once and writes the layout
// tables and the parameter file once. Order rules: layout/LayoutOrder.h.
#include "checks/GroupHierarchy.h"
#include "core/Random.h"
#include "layout/PlacementRun.h"
#include <optional>
#include <vector>

namespace belvanto {

class Protocol;
class Session;
class UserInterface;

// A unit the tree may name, with what its box shows.
struct GroupLayoutUnit {
    UnitKey key;
    OptionalInt displayColour, dispStyle, thematicColour, thematicStyle;
    // Its value of the dating field (Period or Phase), when the layout is dated.
    QString dating;
};

struct GroupLayoutInput {
    // Groups and contexts; when dated, the periods (or phases) above them.
    HierarchyTree tree;
    // Every unit the tree names, in any order.
    std::vector<GroupLayoutUnit> units;
    // The relationship rows in key order: "<" and "-" rows relate members,
    // "=" rows (with the "<" and ">" rows of their first units) merge equal
    // contexts; other rows are not looked at.
    std::vector<GraphRelation> relations;
    // The project's excavation: the group of the top level's dummy units.
    QString excavation;
    bool singleExcavation = false;
};

struct GroupLayoutOptions {
    // Lay the top level out with the periods of the period list in bands.
    bool dated = false;
    // Members related both ways make the layout fail instead of being placed
    // side by side.
    bool strict = false;
};

// Status texts and protocol lines of the group layout.
inline const QString kTopLevelName = QStringLiteral("top level groups");
inline const QString kRootNodeText = QStringLiteral(" Root");
inline const QString kGroupConflictHeading = QStringLiteral("Conflicting relationship between groups found:");
inline const QString kPeriodLinesMessage = QStringLiteral("Something is wrong with the phase/period dividing lines.");

// Lays out the input in memory. The period list (from the period check, in
// its order) gets its counts from the tree and its start levels as diagram
// levels; it is emptied when they cannot be found. Nothing when the layout
// fails: the protocol (or a message) says why.
std::optional<PlacedLayout> LayoutWithGroups(UserInterface& ui, const GroupLayoutInput& input, RandomGenerator& random,
                                             const GroupLayoutOptions& options, Protocol& protocol,
                                             PeriodList& periods);

// The units and relationships of the open project that the tree names, read
// once, unfiltered. datingField: uf::Period, uf::Phase or -1.
GroupLayoutInput ReadGroupLayoutInput(Session& session, const HierarchyTree& tree, int datingField);

// The group layout of the open project: the tree as the group hierarchy
// built it with contexts (and with the chronology when dated). Writes the
// layout tables, the parameter file (groups flag 1) and the units' Group
// marks; on failure the layout tables are deleted.
bool LayoutWithGroups(Session& session, const HierarchyTree& tree, RandomGenerator& random, int datingField,
                      bool strict, Protocol& protocol, PeriodList& periods);

} // namespace belvanto
