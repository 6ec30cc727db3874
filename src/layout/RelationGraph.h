#pragma once
// The relation graph of a set of units and the level assignment over it.
//
// The graph is built from records given in key order (the unit table, or the
// working table of a group layout) and the relationship rows in key order; it
// keeps one node per unit taken in, numbered from 0 in that order. The level
// assignment places every node on a row of the Harris diagram (level 1 at the
// top, the latest units), optionally keeping the periods of a period list in
// consecutive blocks of levels; when nodes cannot be placed the cycles are
// listed in the protocol.
//
// Each step is callable on its own: build (BuildRelationGraph), level
// (AssignLevels, repeatable on the same graph), read the lists (redundancy
// test, placement), free (FreeRelationGraph). The table forms load what they
// need once and write their results back in one transaction.
//
// Orders and ties are fixed in layout/LayoutOrder.h.
#include "core/Protocol.h"
#include "layout/LayoutOrder.h"
#include "layout/PeriodList.h"
#include "store/UnitKey.h"
#include <QChar>
#include <QString>
#include <optional>
#include <unordered_map>
#include <vector>

namespace belvanto {

class Session;
class Table;
class UserInterface;

struct GraphNode {
    // 0 not placed; 1, 2, ... level; -1 finished and -2 on the search path
    // (both only while cycles are listed).
    qint32 Level = 0;
    // Free for the redundancy test's visited mark.
    qint32 VisitMark = 0;
    // Row id of the unit's record in the table the graph was built from.
    qint64 UnitPosition = 0;
    UnitKey Key;
    QString Label;              // UnitLabel of the unit
    // The equal count shown in relationship summaries; -1 shows the length
    // of EqualList (the group layout shows merged contexts minus one).
    qint32 EqualCountShown = -1;
    NodeList EarlierList;       // units earlier than this one
    NodeList LaterList;         // units later than this one
    NodeList ContemporaryList;
    NodeList EqualList;
};

class RelationGraph {
public:
    std::vector<GraphNode> nodes;

    int size() const { return int(nodes.size()); }
    bool empty() const { return nodes.empty(); }
    // The node of a unit, or -1 when the unit is not in the graph.
    int nodeOf(const UnitKey& key) const;
    // Appends a node; its number is returned.
    int addNode(const UnitKey& key, const QString& label, qint64 unitPosition);
    void clear();

private:
    std::unordered_map<UnitKey, int> index_;
};

// Empties the graph (node array of length 0).
void FreeRelationGraph(RelationGraph& graph);

// --- building ---------------------------------------------------------------

enum class GraphMode {
    Normal,   // contexts of the unit table; "-" and "=" rows
    Group     // records whose class is not "E"; "=" rows are left out
};

// One record of the table the graph is built from.
struct GraphUnit {
    UnitKey key;
    bool inGraph = false;   // Normal: class "context"; Group: class not "E"
    qint64 rowid = 0;
};

// One relationship row.
struct GraphRelation {
    UnitKey first, second;
    QChar category;
};

inline const QString kMissingFirstUnitMessage = QStringLiteral("Unit table corrupt?\r\nCould not find unit ");
inline const QString kMissingSecondUnitMessage = QStringLiteral("Unittable corrupt? Could not find unit ");

// Builds the graph from records in key order and relationship rows in key
// order. A row whose unit has no node shows the error message and the graph
// is refused: it is left empty and the result is false (failure gets the
// message). The nodes are made before the rows are read.
bool BuildRelationGraph(UserInterface& ui, RelationGraph& graph, const std::vector<GraphUnit>& units,
                        const std::vector<GraphRelation>& relations, GraphMode mode, bool singleExcavation,
                        QString* failure = nullptr);

// Where the table form finds and puts things. The relationship table's
// columns are always Excavation1, Unitname1, Excavation2, Unitname2 and the
// category field.
struct GraphFields {
    GraphMode mode = GraphMode::Normal;
    QString classField = QStringLiteral("Unitclass");
    QString nodeField = QStringLiteral("X");
    QString categoryField = QStringLiteral("RelationCat");
};

// Reads the unit table and the relationship table once (filters and links
// off), builds the graph and writes every node's number into the node field
// in one transaction, also when a row names a missing unit.
bool BuildRelationGraph(UserInterface& ui, RelationGraph& graph, Table& relationTable, Table& unitTable,
                        const GraphFields& fields, bool singleExcavation, QString* failure = nullptr);

// --- same-level classes -------------------------------------------------------

// The nodes reachable through ContemporaryList and EqualList links, the start
// node first, breadth first. One finder serves many calls without work per
// graph node.
class SameLevelClassFinder {
public:
    explicit SameLevelClassFinder(const RelationGraph& graph);
    // skipFinished leaves out nodes whose Level is -1 (the cycle listing's
    // variant). The result lives until the next call.
    const std::vector<int>& find(int node, bool skipFinished = false);

private:
    const RelationGraph& graph_;
    std::vector<quint32> stamp_;
    quint32 generation_ = 0;
    std::vector<int> members_;
};

std::vector<int> SameLevelClass(const RelationGraph& graph, int node, bool skipFinished = false);

// --- levels -------------------------------------------------------------------

struct LevelOptions {
    // "" in the whole-project run; "group <name>: " or "top level groups: " in
    // the group layout. Put in front of status texts and "Layout not successful.".
    QString prefix;
    // Dating mode when set: each node's value of the dating field.
    const std::vector<QString>* dating = nullptr;
    PeriodList* periods = nullptr;
    // Display name of the dating field: "Period", "Phase", or "Period/phase"
    // in the group layout.
    QString datingName;
};

struct LevelResult {
    int errorCount = 0;   // 0 = every node placed
    int levelCount = 0;   // highest level assigned
    bool ok() const { return errorCount == 0; }
};

// Levels every node of the graph in memory; writes nothing but the protocol
// (the report mode is the protocol's) and status texts. In dating mode the
// periods' counts are counted down and the start levels of the periods after
// the first are set.
LevelResult AssignNodeLevels(UserInterface& ui, RelationGraph& graph, Protocol& protocol, const LevelOptions& options);

// The cycle listing of a failed cycle check; gives the error count.
int ListCycles(RelationGraph& graph, Protocol& protocol, const QString& prefix);

// "(relationships: 1 earlier, 2 contemporary)"
QString RelationshipSummary(const GraphNode& node);

// Columns of the table form.
struct LevelFields {
    QString levelField = QStringLiteral("Y");
    QString nodeField = QStringLiteral("X");
    QString keyField;      // rewritten as "<old>*<padded level>" when a prefix is given
    QString datingField;   // "" selects cycle-check mode
};

// AssignNodeLevels over a unit table: reads the dating (and key) values once;
// when every node was placed writes the level, the key and node number 0 of
// every node in one transaction. Leaves the table on its first record.
LevelResult AssignLevels(UserInterface& ui, RelationGraph& graph, Table& unitTable, Protocol& protocol,
                         const LevelFields& fields, const QString& prefix = QString(),
                         PeriodList* periods = nullptr, const QString& datingName = QString());

// The cycle check of a check run over the open project's contexts: builds
// the graph (node numbers in X) and levels it (levels in Y). A relationship
// naming a missing unit fails the check with the error message, which also
// goes into the protocol. The graph stays for the steps after the check.
LevelResult RunCycleCheck(Session& session, RelationGraph& graph, Protocol& protocol);

} // namespace belvanto
