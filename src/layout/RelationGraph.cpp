#include "layout/RelationGraph.h"
#include "store/UnitKey.h"
#include "core/UserInterface.h"
#include "store/Relations.h"
#include "store/Session.h"
#include "store/Table.h"
#include "store/UnitFields.h"
#include <algorithm>
#include <unordered_map>
#include <utility>

namespace belvanto {

// --- graph ----------------------------------------------------------------------

int RelationGraph::nodeOf(const UnitKey& key) const
{
    const auto it = index_.find(key);
    return it == index_.end() ? -1 : it->second;
}

int RelationGraph::addNode(const UnitKey& key, const QString& label, qint64 unitPosition)
{
    const int number = size();
    GraphNode node;
    node.Key = key;
    node.Label = label;
    node.UnitPosition = unitPosition;
    nodes.push_back(std::move(node));
    index_.emplace(key, number);
    return number;
}

void RelationGraph::clear()
{
    nodes.clear();
    nodes.shrink_to_fit();
    index_.clear();
}

void FreeRelationGraph(RelationGraph& graph)
{
    graph.clear();
}

// --- building -------------------------------------------------------------------

bool BuildRelationGraph(UserInterface& ui, RelationGraph& graph, const std::vector<GraphUnit>& units,
                        const std::vector<GraphRelation>& relations, GraphMode mode, bool singleExcavation,
                        QString* failure)
{
    graph.clear();
    for (const GraphUnit& u : units)
        if (u.inGraph) graph.addNode(u.key, UnitLabel(u.key.excavation, u.key.unitname, singleExcavation), u.rowid);

    auto refuse = [&](const QString& text) {
        ui.error(text);
        if (failure) *failure = text;
        graph.clear();
        return false;
    };

    for (const GraphRelation& r : relations) {
        const QChar c = r.category;
        if (c == category::Later || c == category::PartOf) continue;
        if (c != category::Earlier && c != category::Contemporary && c != category::Equal) continue;
        if (c != category::Earlier) {
            // A symmetric relationship is stored in both directions; take it
            // from the row whose first unit has the smaller key text.
            if (!KeyTextLess(r.first.text(), r.second.text())) continue;
            if (mode == GraphMode::Group && c == category::Equal) continue;
        }
        // A unit without a node (missing, or not a context) would leave a
        // graph that silently lacks every later relationship.
        const int a = graph.nodeOf(r.first);
        if (a < 0) return refuse(kMissingFirstUnitMessage + r.first.text());
        const int b = graph.nodeOf(r.second);
        if (b < 0) return refuse(kMissingSecondUnitMessage + r.second.text());
        GraphNode& na = graph.nodes[std::size_t(a)];
        GraphNode& nb = graph.nodes[std::size_t(b)];
        if (c == category::Earlier) {
            na.LaterList.pushFront(b);
            nb.EarlierList.pushFront(a);
        } else if (c == category::Contemporary) {
            na.ContemporaryList.pushFront(b);
            nb.ContemporaryList.pushFront(a);
        } else {
            na.EqualList.pushFront(b);
            nb.EqualList.pushFront(a);
        }
    }
    return true;
}

namespace {

// What the table form of the build reads: the records that become nodes, in
// key order, and the rows that can enter the graph ("<", "-", "="; ">" rows
// mirror "<" rows and "p" rows never enter), in key order.
struct GraphSource {
    std::vector<GraphUnit> units;
    std::vector<GraphRelation> relations;
};

GraphSource readGraphSource(Table& relationTable, Table& unitTable, const GraphFields& fields)
{
    const int exc = unitTable.fieldIndexOrThrow(u"Excavation");
    const int name = unitTable.fieldIndexOrThrow(u"Unitname");
    const int e1 = relationTable.fieldIndexOrThrow(u"Excavation1");
    const int n1 = relationTable.fieldIndexOrThrow(u"Unitname1");
    const int e2 = relationTable.fieldIndexOrThrow(u"Excavation2");
    const int n2 = relationTable.fieldIndexOrThrow(u"Unitname2");
    const int cat = relationTable.fieldIndexOrThrow(fields.categoryField);
    const QString classColumn = unitTable.fields()[std::size_t(unitTable.fieldIndexOrThrow(fields.classField))].name;
    const QString categoryColumn = relationTable.fields()[std::size_t(cat)].name;

    GraphSource source;
    const auto unitRows =
        fields.mode == GraphMode::Normal
            ? unitTable.query(classColumn + QStringLiteral(" = ?"), {kContext}, kUnitKeyOrder)
            : unitTable.query(classColumn + QStringLiteral(" IS NOT ?"), {QStringLiteral("E")},
                              kUnitKeyOrder);
    source.units.reserve(unitRows.size());
    for (const auto& row : unitRows) source.units.push_back({{textAt(row, exc), textAt(row, name)}, true, row.rowid});

    const auto relRows = relationTable.query(categoryColumn + QStringLiteral(" IN (?, ?, ?)"),
                                             {QString(category::Earlier), QString(category::Contemporary), QString(category::Equal)},
                                             kRelationKeyOrder);
    source.relations.reserve(relRows.size());
    for (const auto& row : relRows)
        source.relations.push_back({{textAt(row, e1), textAt(row, n1)}, {textAt(row, e2), textAt(row, n2)},
                                    textAt(row, cat).front()});
    return source;
}

// Hands the record of every graph node to write, then writes them all in
// one transaction.
template <typename Write>
void writeNodeRecords(Table& table, const RelationGraph& graph, Write write)
{
    TableWriter writer(table);
    for (int i = 0; i < graph.size(); ++i) {
        write(writer, i);
        writer.update(graph.nodes[std::size_t(i)].UnitPosition);
    }
}

void writeNodeNumbers(Table& unitTable, const RelationGraph& graph, int nodeColumn)
{
    writeNodeRecords(unitTable, graph, [&](TableWriter& t, int node) { t.set(nodeColumn, qint32(node)); });
}

// Builds from the tables. The nodes are numbered before any relationship is
// read, so when a row is refused the numbers are stored all the same; on
// success they are stored only when asked (the cycle check stores them
// together with the levels).
bool buildFromTables(UserInterface& ui, RelationGraph& graph, Table& relationTable, Table& unitTable,
                     const GraphFields& fields, bool singleExcavation, QString* failure, bool storeNumbers)
{
    const int nodeColumn = unitTable.fieldIndexOrThrow(fields.nodeField);
    const GraphSource source = readGraphSource(relationTable, unitTable, fields);
    const bool ok = BuildRelationGraph(ui, graph, source.units, source.relations, fields.mode, singleExcavation, failure);
    if (!ok) {
        RelationGraph numbered;
        for (const GraphUnit& u : source.units) numbered.addNode(u.key, QString(), u.rowid);
        writeNodeNumbers(unitTable, numbered, nodeColumn);
    } else if (storeNumbers) {
        writeNodeNumbers(unitTable, graph, nodeColumn);
    }
    return ok;
}

} // namespace

bool BuildRelationGraph(UserInterface& ui, RelationGraph& graph, Table& relationTable, Table& unitTable,
                        const GraphFields& fields, bool singleExcavation, QString* failure)
{
    FilterOff unitsUnfiltered(unitTable);
    LinkOff unitsUnlinked(unitTable);
    FilterOff relationsUnfiltered(relationTable);
    LinkOff relationsUnlinked(relationTable);
    return buildFromTables(ui, graph, relationTable, unitTable, fields, singleExcavation, failure, true);
}

// --- same-level classes -------------------------------------------------------------

SameLevelClassFinder::SameLevelClassFinder(const RelationGraph& graph)
    : graph_(graph), stamp_(graph.nodes.size(), 0)
{
}

const std::vector<int>& SameLevelClassFinder::find(int node, bool skipFinished)
{
    if (++generation_ == 0) {
        std::fill(stamp_.begin(), stamp_.end(), 0);
        generation_ = 1;
    }
    members_.clear();
    members_.push_back(node);
    stamp_[std::size_t(node)] = generation_;
    for (std::size_t head = 0; head < members_.size(); ++head) {
        const GraphNode& n = graph_.nodes[std::size_t(members_[head])];
        for (const NodeList* list : {&n.ContemporaryList, &n.EqualList})
            for (int m : *list) {
                if (stamp_[std::size_t(m)] == generation_) continue;
                if (skipFinished && graph_.nodes[std::size_t(m)].Level == -1) continue;
                stamp_[std::size_t(m)] = generation_;
                members_.push_back(m);
            }
    }
    return members_;
}

std::vector<int> SameLevelClass(const RelationGraph& graph, int node, bool skipFinished)
{
    SameLevelClassFinder finder(graph);
    return finder.find(node, skipFinished);
}

// --- levels ----------------------------------------------------------------------------

QString RelationshipSummary(const GraphNode& node)
{
    QStringList parts;
    auto add = [&](qsizetype count, const char* word) {
        if (count != 0) parts << QString::number(count) + QLatin1Char(' ') + QLatin1String(word);
    };
    add(qsizetype(node.EarlierList.size()), "earlier");
    add(qsizetype(node.LaterList.size()), "later");
    add(qsizetype(node.ContemporaryList.size()), "contemporary");
    add(node.EqualCountShown >= 0 ? node.EqualCountShown : qsizetype(node.EqualList.size()), "equal");
    return QStringLiteral("(relationships: ") + parts.join(QStringLiteral(", ")) + QLatin1Char(')');
}

namespace {

// Period bookkeeping of a dating-mode run. Past the last period (possible only
// with counts that do not match the contexts) there is no current period: its
// name is empty and its count never reaches 0, so an empty frontier ends the
// run instead of starting further periods.
struct PeriodCursor {
    PeriodList* periods;
    int index = 0;
    bool valid() const { return periods && index < int(periods->size()); }
    QString name() const { return valid() ? (*periods)[std::size_t(index)].name : QString(); }
    bool exhausted() const { return valid() && (*periods)[std::size_t(index)].count == 0; }
    void countDown() { if (valid()) --(*periods)[std::size_t(index)].count; }
};

void showInitialStatus(UserInterface& ui, const QString& prefix, bool dating, int n)
{
    const QString total = QString::number(n);
    ui.status(prefix + (dating ? QStringLiteral("Initialize layout with dating constraints for unit 1 of ")
                               : QStringLiteral("Initialize cycle check for unit 1 of ")) + total);
    for (int i = 0; i < n; i += 50)
        ui.status(prefix + (dating ? QStringLiteral("Initialize layout with dating constraints %1 of ")
                                   : QStringLiteral("Initialize cycle check for unit %1 of ")).arg(i) + total);
}

} // namespace

// The description places a class by trying it from every later unit of its
// members until all of them lie above the level being built, and it rebuilds
// the class on every try: quadratic in the number of later units of a class.
// Here each class counts the later-unit entries of its members not yet
// expanded; the class is ready in the expansion that brings the count to 0,
// which is exactly when the first try of the description succeeds. A second
// walk over the same frontier then takes the ready classes in the order of
// the description (first member met decides and leads the class), so levels,
// frontier order, deferrals and period counts are the same.
LevelResult AssignNodeLevels(UserInterface& ui, RelationGraph& graph, Protocol& protocol, const LevelOptions& options)
{
    auto& nodes = graph.nodes;
    const int n = graph.size();
    const bool dating = options.dating != nullptr;
    const QString& prefix = options.prefix;

    for (GraphNode& node : nodes) node.Level = 0;
    showInitialStatus(ui, prefix, dating, n);

    // Class of every node and the later-unit entries still to be expanded.
    // They are counted as the expansions will meet them, from the
    // EarlierLists: after the redundancy test a LaterList lacks the
    // shortcuts that the EarlierLists still hold, and a count from the
    // LaterLists would make a class ready one expansion too early.
    std::vector<int> classOf(std::size_t(n), -1);
    std::vector<qint64> pending;
    std::vector<qint64> incoming(std::size_t(n), 0);
    for (const GraphNode& node : nodes)
        for (int u : node.EarlierList) ++incoming[std::size_t(u)];
    {
        std::vector<int> queue;
        for (int s = 0; s < n; ++s) {
            if (classOf[std::size_t(s)] >= 0) continue;
            const int c = int(pending.size());
            qint64 entries = 0;
            queue.assign(1, s);
            classOf[std::size_t(s)] = c;
            for (std::size_t head = 0; head < queue.size(); ++head) {
                const GraphNode& node = nodes[std::size_t(queue[head])];
                entries += incoming[std::size_t(queue[head])];
                for (const NodeList* list : {&node.ContemporaryList, &node.EqualList})
                    for (int m : *list)
                        if (classOf[std::size_t(m)] < 0) {
                            classOf[std::size_t(m)] = c;
                            queue.push_back(m);
                        }
            }
            pending.push_back(entries);
        }
    }
    std::vector<int> readyIn(pending.size(), 0);   // level a class became ready for

    auto datingOf = [&](int v) -> const QString& { return (*options.dating)[std::size_t(v)]; };
    PeriodCursor period{options.periods};
    qint64 remaining = n;
    std::vector<int> frontier, next;
    // Deferred nodes by dating value, each in the order of deferral.
    QHash<QString, std::vector<int>> deferred;
    std::vector<char> isDeferred(std::size_t(n), 0);
    qint64 deferredCount = 0;
    auto defer = [&](int v) {
        deferred[datingOf(v)].push_back(v);
        isDeferred[std::size_t(v)] = 1;
        ++deferredCount;
    };

    // Start set: units without later units. A class with a member that has
    // later units waits for that member.
    for (int v = 0; v < n; ++v) {
        if (!nodes[std::size_t(v)].LaterList.empty()) continue;
        if (pending[std::size_t(classOf[std::size_t(v)])] > 0) continue;
        if (dating) {
            if (period.valid() && datingOf(v) == period.name()) {
                nodes[std::size_t(v)].Level = 1;
                frontier.push_back(v);
                period.countDown();
                --remaining;
            } else {
                defer(v);
            }
        } else {
            nodes[std::size_t(v)].Level = 1;
            frontier.push_back(v);
            --remaining;
        }
    }

    SameLevelClassFinder classes(graph);
    int level = 1;
    for (;;) {
        if (frontier.empty() && deferredCount == 0) break;
        ++level;
        ui.status(prefix + (dating ? QStringLiteral("Assigning matrix row positions, level: ")
                                   : QStringLiteral("Checking for cycles, level: ")) + QString::number(level));
        if (dating) {
            if (period.exhausted()) {
                ++period.index;
                if (period.valid()) {
                    (*options.periods)[std::size_t(period.index)].position = level;
                    const auto it = deferred.find(period.name());
                    if (it != deferred.end()) {
                        for (int v : it.value()) {
                            nodes[std::size_t(v)].Level = level;
                            isDeferred[std::size_t(v)] = 0;
                            next.push_back(v);
                            period.countDown();
                            --remaining;
                        }
                        deferredCount -= qint64(it.value().size());
                        deferred.erase(it);
                    }
                }
            } else if (frontier.empty()) {
                deferred.clear();
                deferredCount = 0;
                break;
            }
        }
        for (int v : frontier)
            for (int u : nodes[std::size_t(v)].EarlierList) {
                const int c = classOf[std::size_t(u)];
                if (--pending[std::size_t(c)] == 0) readyIn[std::size_t(c)] = level;
            }
        for (int v : frontier)
            for (int u : nodes[std::size_t(v)].EarlierList) {
                if (nodes[std::size_t(u)].Level >= 1 || isDeferred[std::size_t(u)]) continue;
                if (readyIn[std::size_t(classOf[std::size_t(u)])] != level) continue;
                const std::vector<int>& members = classes.find(u);
                if (dating && datingOf(u) != period.name()) {
                    for (int m : members) defer(m);
                } else {
                    for (int m : members) {
                        nodes[std::size_t(m)].Level = level;
                        next.push_back(m);
                        --remaining;
                        if (dating) period.countDown();
                    }
                }
            }
        frontier.swap(next);
        next.clear();
    }

    LevelResult result;
    result.levelCount = level - 1;
    if (remaining == 0) {
        if (!dating && protocol.detailed() && prefix.isEmpty()) {
            protocol.add(QStringLiteral("No cycles found."));
            protocol.add(QString());
        }
    } else if (!dating) {
        result.errorCount = ListCycles(graph, protocol, prefix);
    } else {
        protocol.add(QString());
        protocol.add(options.datingName + QStringLiteral(" layout not successful, problem with ")
                     + options.datingName.toLower() + QLatin1Char(' ') + period.name());
        result.errorCount = 1;
    }
    return result;
}

// --- cycle listing --------------------------------------------------------------------

namespace {

class CycleLister {
public:
    CycleLister(RelationGraph& graph, Protocol& protocol)
        : graph_(graph), nodes_(graph.nodes), protocol_(protocol), detailed_(protocol.detailed()),
          classes_(graph), fullClasses_(graph)
    {
    }

    int run(const QString& prefix)
    {
        if (!protocol_.isEmpty()) protocol_.add(QString());
        protocol_.add(prefix + QStringLiteral("Layout not successful."));
        protocol_.add(QStringLiteral("Cycle list:"));
        protocol_.add(QString());
        for (int s = 0; s < graph_.size(); ++s)
            if (nodes_[std::size_t(s)].Level == 0 && !nodes_[std::size_t(s)].EarlierList.empty()) search(s);
        if (cycles_ == 0) {
            protocol_.add(QStringLiteral("Cycles could not be listed (contemporary/equal conflict?).\r\n"));
            return 1;
        }
        return cycles_;
    }

private:
    int& level(int v) { return nodes_[std::size_t(v)].Level; }
    const GraphNode& node(int v) const { return nodes_[std::size_t(v)]; }
    QString summary(int v) const { return detailed_ ? RelationshipSummary(node(v)) : QString(); }

    void search(int start)
    {
        stack_.assign(1, {start, start});
        path_.clear();
        while (!stack_.empty()) {
            const auto [k, parent] = stack_.back();
            stack_.pop_back();
            if (k != parent) {
                while (!path_.empty() && path_.back() != parent) {
                    level(path_.back()) = -1;
                    path_.pop_back();
                }
                if (path_.empty()) path_.push_back(parent);
            }
            path_.push_back(k);
            level(k) = -2;
            const std::vector<int> members = classes_.find(k, true);
            const bool parentInClass =
                parent != k && std::find(members.begin() + 1, members.end(), parent) != members.end();
            if (!parentInClass) {
                if (twoUnitConflict(k, members)) break;
                for (std::size_t i = 1; i < members.size(); ++i) push(members[i], k);
            }
            for (int w : node(k).EarlierList) push(w, k);
        }
        for (int v : path_) level(v) = -1;
    }

    void push(int x, int from)
    {
        if (level(x) == -2) {
            printCycle(x);
            return;
        }
        if (level(x) == -1) return;
        stack_.push_back({x, from});
    }

    void heading()
    {
        ++cycles_;
        if (cycles_ > 1) protocol_.add(QString());
        protocol_.add(QStringLiteral("Cycle no. %1:").arg(cycles_));
    }

    QString symbol(int a, int b)
    {
        if (a == b) return QStringLiteral(" ");
        const std::vector<int>& members = fullClasses_.find(a);
        if (std::find(members.begin(), members.end(), b) == members.end()) return QString(category::Later);
        if (node(a).ContemporaryList.contains(b)) return QString(category::Contemporary);
        if (node(a).EqualList.contains(b)) return QString(category::Equal);
        return QStringLiteral("-/=");
    }

    QString line(int a, int b) { return symbol(a, b) + QLatin1Char(' ') + node(b).Label + QLatin1Char(' ') + summary(b); }

    void printCycle(int x)
    {
        heading();
        const auto from = std::find(path_.begin(), path_.end(), x);
        int a = x;
        for (auto it = from; it != path_.end(); ++it) {
            protocol_.add(line(a, *it));
            a = *it;
        }
        protocol_.add(line(a, x));
    }

    bool twoUnitConflict(int k, const std::vector<int>& members)
    {
        int x = -1;
        QString sym;
        for (std::size_t i = 1; i < members.size(); ++i) {
            const int m = members[i];
            if (node(k).EarlierList.contains(m)) {
                x = m;
                sym = QString(category::Earlier);
            } else if (node(k).LaterList.contains(m)) {
                x = m;
                sym = QString(category::Later);
            }
        }
        if (x < 0) return false;
        for (int m : members) level(m) = -2;
        heading();
        protocol_.add(QStringLiteral("  ") + node(k).Label + QLatin1Char(' ') + summary(k));
        QString others;
        if (detailed_) {
            QStringList labels;
            for (int m : members)
                if (m != x) labels << node(m).Label;
            others = QStringLiteral("(equal/contemporary: ") + labels.join(QStringLiteral(", ")) + QLatin1Char(')');
        }
        protocol_.add(QStringLiteral("-/= ") + node(x).Label + QLatin1Char(' ') + others);
        protocol_.add(sym + QLatin1Char(' ') + node(k).Label + QLatin1Char(' ') + summary(k));
        for (int m : members) level(m) = -1;
        return true;
    }

    RelationGraph& graph_;
    std::vector<GraphNode>& nodes_;
    Protocol& protocol_;
    const bool detailed_;
    SameLevelClassFinder classes_;
    SameLevelClassFinder fullClasses_;
    std::vector<std::pair<int, int>> stack_;
    std::vector<int> path_;
    int cycles_ = 0;
};

} // namespace

int ListCycles(RelationGraph& graph, Protocol& protocol, const QString& prefix)
{
    CycleLister lister(graph, protocol);
    return lister.run(prefix);
}

// --- table form -------------------------------------------------------------------------

namespace {

// The write-back of a run that placed every node: the level, the key with
// its padded level when a prefix is given, node number 0.
void writeLevels(Table& unitTable, const RelationGraph& graph, const LevelFields& fields, bool rewriteKey,
                 int levelCount)
{
    const int levelColumn = unitTable.fieldIndexOrThrow(fields.levelField);
    const int nodeColumn = unitTable.fieldIndexOrThrow(fields.nodeField);
    const int keyColumn = rewriteKey ? unitTable.fieldIndexOrThrow(fields.keyField) : -1;
    const int digits = int(QString::number(levelCount).size());
    std::unordered_map<qint64, QString> oldKeys;
    if (keyColumn >= 0)
        unitTable.scan(QString(), {}, QString(), [&](Table::Row& row) { oldKeys.emplace(row.rowid, textAt(row, keyColumn)); },
                       Table::Unreadable::KeepText);
    writeNodeRecords(unitTable, graph, [&](TableWriter& t, int n) {
        const qint32 level = graph.nodes[std::size_t(n)].Level;
        t.set(levelColumn, level);
        if (keyColumn >= 0) {
            const QString old = oldKeys[graph.nodes[std::size_t(n)].UnitPosition];
            const QString padded = QString::number(level).rightJustified(digits, QLatin1Char('0'));
            t.set(keyColumn, old.isEmpty() ? padded : old + QLatin1Char('*') + padded);
        }
        t.set(nodeColumn, qint32(0));
    });
}

} // namespace

LevelResult AssignLevels(UserInterface& ui, RelationGraph& graph, Table& unitTable, Protocol& protocol,
                         const LevelFields& fields, const QString& prefix, PeriodList* periods,
                         const QString& datingName)
{
    LevelResult result;
    {
        FilterOff unfiltered(unitTable);
        LinkOff unlinked(unitTable);
        std::vector<QString> dating;
        LevelOptions options{prefix, nullptr, periods, datingName};
        if (!fields.datingField.isEmpty()) {
            const int datingColumn = unitTable.fieldIndexOrThrow(fields.datingField);
            std::unordered_map<qint64, QString> valueOfRow;
            for (const auto& row : unitTable.query(QString(), {}, QString()))
                valueOfRow.emplace(row.rowid, valueToString(row.values[std::size_t(datingColumn)]));
            dating.reserve(graph.nodes.size());
            for (const GraphNode& node : graph.nodes) {
                const auto it = valueOfRow.find(node.UnitPosition);
                dating.push_back(it == valueOfRow.end() ? QString() : it->second);
            }
            options.dating = &dating;
        }
        result = AssignNodeLevels(ui, graph, protocol, options);
        if (result.ok()) writeLevels(unitTable, graph, fields, !prefix.isEmpty() && !fields.keyField.isEmpty(), result.levelCount);
    }
    unitTable.first();
    return result;
}

// Building and levelling store, one after the other, the node numbers and on
// success the levels with node number 0; the check stores the end state of
// the two in one pass over the unit table.
LevelResult RunCycleCheck(Session& session, RelationGraph& graph, Protocol& protocol)
{
    UserInterface& ui = session.ui();
    Table& units = session.units();
    Table& relations = session.relations();
    ui.status(QStringLiteral("Initializing data structures for cycle test"));
    FreeRelationGraph(graph);
    LevelResult result;
    {
        FilterOff unitsUnfiltered(units);
        LinkOff unitsUnlinked(units);
        FilterOff relationsUnfiltered(relations);
        LinkOff relationsUnlinked(relations);
        const GraphFields graphFields;
        QString failure;
        if (!buildFromTables(ui, graph, relations, units, graphFields, session.project().SingleExcavation, &failure,
                             false)) {
            protocol.add(failure);
            result = {1, 0};
        } else {
            result = AssignNodeLevels(ui, graph, protocol, {});
            if (result.ok()) writeLevels(units, graph, LevelFields{}, false, result.levelCount);
            else writeNodeNumbers(units, graph, units.fieldIndexOrThrow(graphFields.nodeField));
        }
    }
    units.first();
    return result;
}

} // namespace belvanto
