#pragma once
// The period (or phase) order check: whether the periods given to the
// contexts form one chronological sequence that agrees with the
// stratigraphy, and which. It fills the period list in that order, from the
// latest to the earliest, and stores the later/earlier counts between pairs
// of periods in the period relation table "_PerRel.db" of the project
// directory, which the relation count window shows when the check fails.
//
// The check reads the unit and relationship tables once into memory, works
// there and writes the period relation table in one transaction, with the
// contents a walk of the relationship table row by row would give.
#include "layout/PeriodList.h"
#include "store/LayoutFileNames.h"
#include <QString>
#include <functional>
#include <optional>
#include <vector>

namespace belvanto {

class Protocol;
class RelationGraph;
class Session;

// The order the user gives to periods that could not be told apart, as
// indices into the list it is given (the periods in position order), or
// nothing when the user cancels. The desktop program shows the "Sorted list"
// dialog; tests give their answer directly. An empty chooser keeps the order
// as found, as the command line does.
using PeriodOrderChooser = std::function<std::optional<std::vector<int>>(const PeriodList& periodsInPositionOrder)>;

// Results of the check.
inline constexpr int kPeriodCheckOk = 0;
inline constexpr int kPeriodCheckStop = 1;
// Stop, and show the period relation counts.
inline constexpr int kPeriodCheckShowRelations = 2;


// datingField is uf::Period or uf::Phase. The levels in Y of a cycle check
// of the same run must be in the unit table: contexts on level 1 start the
// ordering. With runDatingLevels the contexts get levels with dating
// constraints in Y (the periods in consecutive blocks, their positions
// replaced by their first levels), on graph when one is given (the cycle
// check's), otherwise on a graph built from the tables here. Cancel in the
// chooser empties the protocol. Returns kPeriodCheckOk, kPeriodCheckStop or
// kPeriodCheckShowRelations.
int PeriodCheck(Session& session, int datingField, Protocol& protocol, bool runDatingLevels, PeriodList& periods,
                const PeriodOrderChooser& choose, RelationGraph* graph = nullptr);

// "<project directory>/_PerRel.db".
QString PeriodRelationTablePath(const QString& projectDirectory);

// One relationship row as the relation count window lists it.
struct RelationRow {
    QString excavation1, unitname1, relation, excavation2, unitname2;
    bool operator==(const RelationRow&) const = default;
};

// The relationships behind a row of the period relation table: the "later
// than" rows (later) and the "earlier than" rows (earlier) whose unit 1 has
// the value period1 and unit 2 the value period2 in the dating field, in the
// relationship table's key order.
std::vector<RelationRow> PeriodRelationsBehind(Session& session, int datingField, const QString& period1,
                                               const QString& period2, bool later, bool earlier);

} // namespace belvanto
