#include "layout/GroupLayout.h"
#include "checks/Redundancy.h"
#include "core/Protocol.h"
#include "core/UserInterface.h"
#include "layout/LayoutOrder.h"
#include "layout/PlacementOrder.h"
#include "layout/RelationGraph.h"
#include "store/Relations.h"
#include "store/Session.h"
#include "store/Table.h"
#include "store/UnitFields.h"
#include <algorithm>
#include <numeric>
#include <unordered_map>

namespace belvanto {

using namespace placement;

namespace {

const QString kDatingName = QStringLiteral("Period/phase");

quint64 memberPair(int first, int second)
{
    return (quint64(quint32(first)) << 32) | quint32(second);
}

bool isContextNode(const HierarchyNode& node)
{
    return node.kind == HierarchyNodeKind::Context;
}

// Number of "*"-separated components of a key.
int components(const QString& key)
{
    return key.isEmpty() ? 0 : int(key.count(QLatin1Char('*'))) + 1;
}

// A group and its first column share a horizontal key: trailing components
// that are the number 1 (with any leading zeros) go with their "*"; the
// first component stays.
QString shortenedHorizontalKey(QString key)
{
    for (qsizetype star = key.lastIndexOf(QLatin1Char('*')); star >= 0; star = key.lastIndexOf(QLatin1Char('*'))) {
        const QStringView last = QStringView(key).mid(star + 1);
        bool one = !last.isEmpty() && last.back() == QLatin1Char('1');
        for (qsizetype i = 0; one && i + 1 < last.size(); ++i) one = last[i] == QLatin1Char('0');
        if (!one) break;
        key.truncate(star);
    }
    return key;
}

// One layout run over the tree. Tree nodes are numbered as in the tree; the
// temporary " Root" node is number tree.size().
class GroupLayoutRun {
public:
    GroupLayoutRun(UserInterface& ui, const GroupLayoutInput& input, RandomGenerator& random,
                   const GroupLayoutOptions& options, Protocol& protocol, PeriodList& periods)
        : ui_(ui), in_(input), tree_(input.tree), random_(random), options_(options), protocol_(protocol),
          periods_(periods), root_(tree_.size())
    {
    }

    std::optional<PlacedLayout> run();

    // Per input unit: the member of the last group laid out that holds it
    // (its position in key order), or -1.
    const std::vector<int>& marks() const { return mark_; }

private:
    void prepare();
    void indexInput();
    bool layOutGroup(int node);
    // An empty line and the reason, in the protocol.
    bool fail(const QStringList& reason);
    void collectContexts(int node, std::vector<int>& contexts) const;
    bool removeRedundantMembers(PlacementWork& work, RelationGraph& graph, const QString& prefix);
    void assignStartPositions();
    bool placeEqualSets();
    bool assignStopPositions();
    void stretchDummies();
    void convertPeriodStarts();

    const QString& text(int node) const { return node == root_ ? kRootNodeText : tree_.node(node).text; }

    UserInterface& ui_;
    const GroupLayoutInput& in_;
    const HierarchyTree& tree_;
    RandomGenerator& random_;
    GroupLayoutOptions options_;
    Protocol& protocol_;
    PeriodList& periods_;
    const int root_;

    // The layout tree: the tree's children, " Root" over the top level.
    std::vector<std::vector<int>> children_;
    std::vector<int> parent_;

    // The input indexed.
    std::unordered_map<UnitKey, int> unitOf_;
    std::vector<int> unitRank_;                 // key order
    std::vector<int> rowBegin_, rows_;          // relationship rows by unit 1, in input order
    std::vector<int> mark_;
    std::vector<int> marked_;                   // the units mark_ holds a member for

    // The assembled layout tables.
    std::vector<PlacementUnit> records_;
    std::vector<PlacementLine> lines_;
    std::vector<int> recordOf_;                 // per tree node: its record, -1 before its group is laid out
    std::vector<int> nodeOfRecord_;             // per record: the tree node it stands for, or -1
    std::vector<std::vector<int>> direct_;      // per group node: the records of its own layout
    qint32 dummyCounter_ = 0;
    bool dated_ = false;
    qint32 columns_ = 0, levels_ = 0;
};

void GroupLayoutRun::indexInput()
{
    const std::size_t n = in_.units.size();
    unitOf_.reserve(n);
    for (std::size_t u = 0; u < n; ++u) unitOf_.emplace(in_.units[u].key, int(u));
    std::vector<int> order(n);
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(), [&](int a, int b) { return in_.units[std::size_t(a)].key < in_.units[std::size_t(b)].key; });
    unitRank_.assign(n, 0);
    for (std::size_t i = 0; i < n; ++i) unitRank_[std::size_t(order[i])] = int(i);

    std::vector<int> firstOf(in_.relations.size(), -1);
    rowBegin_.assign(n + 1, 0);
    for (std::size_t r = 0; r < in_.relations.size(); ++r) {
        const auto it = unitOf_.find(in_.relations[r].first);
        if (it == unitOf_.end()) continue;
        firstOf[r] = it->second;
        ++rowBegin_[std::size_t(it->second) + 1];
    }
    for (std::size_t u = 1; u <= n; ++u) rowBegin_[u] += rowBegin_[u - 1];
    rows_.assign(std::size_t(rowBegin_[n]), 0);
    std::vector<int> next(rowBegin_.begin(), rowBegin_.end() - 1);
    for (std::size_t r = 0; r < firstOf.size(); ++r)
        if (firstOf[r] >= 0) rows_[std::size_t(next[std::size_t(firstOf[r])]++)] = int(r);
    mark_.assign(n, -1);
}

void GroupLayoutRun::prepare()
{
    const int size = tree_.size();
    children_.assign(std::size_t(size) + 1, {});
    parent_.assign(std::size_t(size) + 1, -1);
    for (int i = 0; i < size; ++i) {
        children_[std::size_t(i)] = tree_.node(i).children;
        for (int c : children_[std::size_t(i)]) parent_[std::size_t(c)] = i;
    }
    // The top-level nodes collected from the last to the first, each
    // appended to " Root" as its last child.
    std::vector<int>& top = children_[std::size_t(root_)];
    top.assign(tree_.roots().rbegin(), tree_.roots().rend());
    // Period nodes give way to their members; a period counts the members
    // the top level has to place for it.
    std::vector<int> kept, moved;
    for (int node : top) {
        if (tree_.node(node).kind != HierarchyNodeKind::Period) {
            kept.push_back(node);
            continue;
        }
        for (Period& period : periods_)
            if (period.name == tree_.node(node).text) period.count = qint32(children_[std::size_t(node)].size());
        moved.insert(moved.end(), children_[std::size_t(node)].begin(), children_[std::size_t(node)].end());
        children_[std::size_t(node)].clear();
    }
    kept.insert(kept.end(), moved.begin(), moved.end());
    top = std::move(kept);
    for (int node : top) parent_[std::size_t(node)] = root_;
    recordOf_.assign(std::size_t(size) + 1, -1);
    direct_.assign(std::size_t(size) + 1, {});
}

bool GroupLayoutRun::fail(const QStringList& reason)
{
    protocol_.add(QString());
    for (const QString& line : reason) protocol_.add(line);
    return false;
}

void GroupLayoutRun::collectContexts(int node, std::vector<int>& contexts) const
{
    std::vector<int> stack{node};
    while (!stack.empty()) {
        const int n = stack.back();
        stack.pop_back();
        if (isContextNode(tree_.node(n))) {
            const auto it = unitOf_.find(tree_.node(n).unit);
            if (it != unitOf_.end()) contexts.push_back(it->second);
            continue;
        }
        const auto& c = children_[std::size_t(n)];
        stack.insert(stack.end(), c.begin(), c.end());
    }
}

bool GroupLayoutRun::removeRedundantMembers(PlacementWork& work, RelationGraph& graph, const QString& prefix)
{
    std::unordered_map<quint64, int> recordOfPair;
    for (std::size_t r = 0; r < work.relations.size(); ++r)
        recordOfPair.emplace(memberPair(work.relations[r].first, work.relations[r].second), int(r));
    std::vector<char> redundant(work.relations.size(), 0);
    int counter = 0;
    const int n = graph.size();
    FindRedundantLinks(
        graph,
        [&](int u, int v) {
            if (protocol_.detailed()) protocol_.add(RedundantLinkLine(prefix, graph, u, v));
            const auto it = recordOfPair.find(memberPair(int(graph.nodes[std::size_t(v)].UnitPosition),
                                                         int(graph.nodes[std::size_t(u)].UnitPosition)));
            if (it != recordOfPair.end()) redundant[std::size_t(it->second)] = 1;
            ++counter;
        },
        [&](int u) { ui_.status(RedundancyProgressText(prefix, u, n)); });
    if (counter == 0) return false;
    ui_.status(prefix + QStringLiteral("Deleting redundant relationships"));
    std::vector<PlacementLine> kept;
    kept.reserve(work.relations.size());
    for (std::size_t r = 0; r < work.relations.size(); ++r)
        if (!redundant[r]) kept.push_back(std::move(work.relations[r]));
    work.relations = std::move(kept);
    return true;
}

bool GroupLayoutRun::layOutGroup(int node)
{
    ui_.status(QStringLiteral("Laying out group ") + text(node));
    PlacementGroup group;
    group.active = true;
    if (node == root_) {
        group.excavation = in_.excavation;
        group.unitname = kRootNodeText;
    } else {
        const int record = recordOf_[std::size_t(node)];
        if (record < 0) {
            ui_.error(QStringLiteral("Error: Could not find ") + text(node) + QStringLiteral(" in SubGroupTab."));
            return false;
        }
        group.levelKey = records_[std::size_t(record)].Clevel;
        group.horizontalKey = records_[std::size_t(record)].CXPos;
        group.excavation = tree_.node(node).unit.excavation;
        group.unitname = tree_.node(node).unit.unitname;
    }
    if (dated_) group.periods = &periods_;

    // Members, in the working table's key order.
    struct Member {
        int node, unit;
    };
    std::vector<Member> members;
    members.reserve(children_[std::size_t(node)].size());
    for (int child : children_[std::size_t(node)]) {
        const auto it = unitOf_.find(tree_.node(child).unit);
        if (it == unitOf_.end()) {
            const QString message = QStringLiteral("Error: Unit ") + text(child) + QStringLiteral(" not found in unit table.");
            ui_.error(message);
            return fail({message});
        }
        members.push_back({child, it->second});
    }
    std::sort(members.begin(), members.end(),
              [&](const Member& a, const Member& b) { return unitRank_[std::size_t(a.unit)] < unitRank_[std::size_t(b.unit)]; });

    PlacementWork work;
    work.units.reserve(members.size());
    for (const Member& m : members) {
        const GroupLayoutUnit& source = in_.units[std::size_t(m.unit)];
        PlacementUnit u;
        u.key = source.key;
        const bool context = isContextNode(tree_.node(m.node));
        u.Unitclass = context ? kContextRecord : kGroupRecord;
        if (context) u.XStop = 1;
        u.Clevel = group.levelKey;
        u.CXPos = group.horizontalKey;
        u.Colour = source.displayColour.value_or(16777215);
        u.BoxStyle = source.dispStyle.value_or(0);
        u.ThemColour = source.thematicColour.value_or(16777215);
        u.ThemBoxStyle = source.thematicStyle.value_or(0);
        if (dated_) u.GUnitname = source.dating;
        u.NestCt = 0;
        work.units.push_back(std::move(u));
    }

    // Which member holds each context: the marks of this group only.
    for (int u : marked_) mark_[std::size_t(u)] = -1;
    marked_.clear();
    std::vector<std::vector<int>> contextsOf(members.size());
    for (std::size_t r = 0; r < members.size(); ++r) {
        std::vector<int>& contexts = contextsOf[r];
        collectContexts(members[r].node, contexts);
        std::sort(contexts.begin(), contexts.end(),
                  [&](int a, int b) { return unitRank_[std::size_t(a)] < unitRank_[std::size_t(b)]; });
        for (int u : contexts) mark_[std::size_t(u)] = int(r);
        marked_.insert(marked_.end(), contexts.begin(), contexts.end());
    }

    // Relationships between members, counted and, where they contradict
    // each other, turned into contemporaneity.
    std::unordered_map<quint64, int> recordOfPair;
    auto insert = [&](int first, int second, QChar c) {
        recordOfPair.emplace(memberPair(first, second), int(work.relations.size()));
        work.relations.push_back(LoadedLine(first, second, c));
    };
    for (std::size_t r = 0; r < members.size(); ++r) {
        const int g1 = int(r);
        for (int u : contextsOf[r]) {
            for (int k = rowBegin_[std::size_t(u)]; k < rowBegin_[std::size_t(u) + 1]; ++k) {
                const GraphRelation& row = in_.relations[std::size_t(rows_[std::size_t(k)])];
                QChar c = row.category;
                if (c != category::Earlier && c != category::Contemporary) continue;
                const auto other = unitOf_.find(row.second);
                if (other == unitOf_.end()) continue;
                const int g2 = mark_[std::size_t(other->second)];
                if (g2 < 0 || g2 == g1) continue;
                auto found = recordOfPair.find(memberPair(g1, g2));
                if (found == recordOfPair.end() && c == category::Earlier) {
                    found = recordOfPair.find(memberPair(g2, g1));
                    if (found != recordOfPair.end()) c = category::Later;
                }
                if (found == recordOfPair.end()) {
                    insert(g1, g2, c);
                    continue;
                }
                PlacementLine& record = work.relations[std::size_t(found->second)];
                if (options_.strict && record.category != c) {
                    const UnitKey& a = work.units[std::size_t(g1)].key;
                    const UnitKey& b = work.units[std::size_t(g2)].key;
                    return fail({kGroupConflictHeading, QStringLiteral("Groups with contradicting relationships: ")
                                                            + a.text() + QStringLiteral(" and ") + b.text() + QLatin1Char('.')});
                }
                record.RelCount = record.RelCount.value_or(0) + 1;
                if (record.category != c && record.category != category::Contemporary) {
                    record.category = category::Contemporary;
                    const int first = record.second, second = record.first;
                    const auto opposite = recordOfPair.find(memberPair(first, second));
                    if (opposite == recordOfPair.end()) insert(first, second, category::Contemporary);
                    else work.relations[std::size_t(opposite->second)].category = category::Contemporary;
                }
            }
        }
    }
    contextsOf = {};

    // Equal contexts among the members: their "=" rows and the earlier and
    // later rows that choose the representative.
    std::vector<GraphRelation> equalRows;
    for (const Member& m : members) {
        if (!isContextNode(tree_.node(m.node))) continue;
        const auto begin = rows_.begin() + rowBegin_[std::size_t(m.unit)];
        const auto end = rows_.begin() + rowBegin_[std::size_t(m.unit) + 1];
        if (std::none_of(begin, end, [&](int r) { return in_.relations[std::size_t(r)].category == category::Equal; }))
            continue;
        for (auto it = begin; it != end; ++it) equalRows.push_back(in_.relations[std::size_t(*it)]);
    }
    MergeEqualContexts(work, equalRows, group);

    // Levels of the members.
    const QString prefix = node == root_ ? kTopLevelName + QStringLiteral(": ")
                                         : QStringLiteral("group ") + text(node) + QStringLiteral(": ");
    const std::vector<int> order = work.keyOrder();
    const std::vector<int> rank = UnitRanks(order);
    RelationGraph graph;
    {
        std::vector<GraphUnit> graphUnits;
        graphUnits.reserve(order.size());
        for (int u : order)
            graphUnits.push_back({work.units[std::size_t(u)].key, work.units[std::size_t(u)].Unitclass != kMergedRecord, u});
        std::vector<GraphRelation> graphRelations;
        graphRelations.reserve(work.relations.size());
        for (int r : LineKeyOrder(work.relations, rank)) {
            const PlacementLine& line = work.relations[std::size_t(r)];
            graphRelations.push_back({work.units[std::size_t(line.first)].key, work.units[std::size_t(line.second)].key, line.category});
        }
        if (!BuildRelationGraph(ui_, graph, graphUnits, graphRelations, GraphMode::Group, in_.singleExcavation))
            return false;
    }
    std::vector<QString> dating;
    for (GraphNode& n : graph.nodes) {
        const PlacementUnit& u = work.units[std::size_t(n.UnitPosition)];
        if (u.Unitclass == kContextRecord) n.EqualCountShown = u.XStop.value_or(1) - 1;
        if (dated_) dating.push_back(u.GUnitname);
    }
    LevelOptions levelOptions;
    levelOptions.prefix = prefix;
    if (dated_) {
        levelOptions.dating = &dating;
        levelOptions.periods = &periods_;
        levelOptions.datingName = kDatingName;
    }
    const LevelResult levels = AssignNodeLevels(ui_, graph, protocol_, levelOptions);
    if (!levels.ok()) return false;
    for (const GraphNode& n : graph.nodes) {
        PlacementUnit& u = work.units[std::size_t(n.UnitPosition)];
        u.YLevelStart = n.Level;
        u.Clevel = JoinKey(group.levelKey, PaddedNumber(n.Level, levels.levelCount));
        u.XStart = 0;
    }
    work.levels = levels.levelCount;
    removeRedundantMembers(work, graph, prefix);
    FreeRelationGraph(graph);

    // Dummy units, ordering and columns.
    SegmentLevels(work);
    if (!CreateDummyUnits(ui_, work, dummyCounter_, group)) return false;
    work.relations = {};
    OrderLevels(ui_, work, random_, false);
    AssignColumns(ui_, work, group);

    // Only the top level is laid out in periods.
    if (dated_)
        for (PlacementUnit& u : work.units)
            if (u.Unitclass != kDummyRecord) u.GUnitname.clear();
    dated_ = false;

    // Onto the layout tables.
    const int base = int(records_.size());
    std::vector<int>& mine = direct_[std::size_t(node)];
    mine.reserve(work.units.size());
    for (std::size_t u = 0; u < work.units.size(); ++u) {
        mine.push_back(base + int(u));
        if (u < members.size()) recordOf_[std::size_t(members[u].node)] = base + int(u);
        records_.push_back(std::move(work.units[u]));
    }
    for (PlacementLine& line : work.proper) {
        line.first += base;
        line.second += base;
        lines_.push_back(std::move(line));
    }
    return true;
}

void GroupLayoutRun::assignStartPositions()
{
    std::vector<int> order(records_.size());
    std::iota(order.begin(), order.end(), 0);
    auto numbered = [&](auto less, auto same, auto assign) {
        std::stable_sort(order.begin(), order.end(), less);
        qint32 number = 0;
        for (std::size_t i = 0; i < order.size(); ++i) {
            if (i == 0 || !same(order[i - 1], order[i])) ++number;
            assign(records_[std::size_t(order[i])], number);
        }
        return number;
    };
    auto boxed = [](const PlacementUnit& u) { return u.Unitclass != kGroupRecord; };

    ui_.status(QStringLiteral("Assigning vertical start position to each group"));
    levels_ = numbered(
        [&](int a, int b) { return records_[std::size_t(a)].Clevel < records_[std::size_t(b)].Clevel; },
        [&](int a, int b) { return records_[std::size_t(a)].Clevel == records_[std::size_t(b)].Clevel; },
        [&](PlacementUnit& u, qint32 n) {
            u.YLevelStart = n;
            if (boxed(u)) {
                u.YLevelStop = n;
                u.NestCt = 0;
            }
        });

    ui_.status(QStringLiteral("Assigning horizontal start position to each group"));
    for (PlacementUnit& u : records_) u.CXPos = shortenedHorizontalKey(u.CXPos);
    columns_ = numbered(
        [&](int a, int b) {
            const PlacementUnit& x = records_[std::size_t(a)];
            const PlacementUnit& y = records_[std::size_t(b)];
            return x.CXPos != y.CXPos ? x.CXPos < y.CXPos : x.Clevel < y.Clevel;
        },
        [&](int a, int b) { return records_[std::size_t(a)].CXPos == records_[std::size_t(b)].CXPos; },
        [&](PlacementUnit& u, qint32 n) {
            u.XStart = n;
            if (boxed(u)) {
                u.XStop = n;
                u.NestCt = 0;
            }
        });
}

bool GroupLayoutRun::placeEqualSets()
{
    std::vector<int> previous(records_.size(), -1);
    for (const PlacementLine& line : lines_)
        if (line.category == category::Equal) previous[std::size_t(line.second)] = line.first;
    for (std::size_t e = 0; e < records_.size(); ++e) {
        if (records_[e].Unitclass != kMergedRecord) continue;
        // Up the chain to the representative, counting the steps.
        int at = int(e);
        qint32 steps = 0;
        while (at >= 0 && records_[std::size_t(at)].Unitclass == kMergedRecord && steps <= qint32(records_.size())) {
            at = previous[std::size_t(at)];
            ++steps;
        }
        if (at < 0 || records_[std::size_t(at)].Unitclass != kContextRecord) {
            ui_.error(QStringLiteral("Equal relationships are not sorted as expected."));
            return false;
        }
        records_[e].XStart = records_[e].XStop = records_[std::size_t(at)].XStart.value_or(0) + steps;
    }
    return true;
}

// Frames from the innermost group outwards. A frame starts at its group's
// own column and level and ends at the furthest record of its own layout
// (member groups already compacted); columns and levels inside it that none
// of its own records covers are removed. A member group is covered over its
// whole frame, so everything inside it moves by one amount: that shift is
// kept for the member group's own records and applied once at the end.
bool GroupLayoutRun::assignStopPositions()
{
    ui_.status(QStringLiteral("Assigning stop position to each group"));
    PlacementUnit root;
    root.key = {in_.excavation, kRootNodeText};
    root.XStart = 1;
    root.XStop = columns_;
    root.YLevelStart = 0;
    root.YLevelStop = levels_;
    root.Unitclass = kGroupRecord;

    // Groups in the order of the tree, " Root" first.
    std::vector<int> groups{root_};
    for (std::size_t i = 0; i < groups.size(); ++i)
        for (int c : children_[std::size_t(groups[i])])
            if (!isContextNode(tree_.node(c))) groups.push_back(c);

    std::vector<qint32> shiftX(children_.size(), 0), shiftY(children_.size(), 0);
    std::vector<char> occupiedColumn, occupiedLevel;
    std::vector<qint32> goneColumns, goneLevels;
    for (auto it = groups.rbegin(); it != groups.rend(); ++it) {
        const int g = *it;
        PlacementUnit* own = &root;
        if (g != root_) {
            const int record = recordOf_[std::size_t(g)];
            if (record < 0) {
                ui_.error(QStringLiteral("Error: Did not find unit ") + text(g) + QStringLiteral(" in AllUnitsTable."));
                return false;
            }
            own = &records_[std::size_t(record)];
        }
        const qint32 xs = own->XStart.value_or(0), ys = own->YLevelStart.value_or(0);
        qint32 xe = xs, ye = ys;
        qint32 nest = 0;
        const std::vector<int>& mine = direct_[std::size_t(g)];
        for (int r : mine) {
            const PlacementUnit& u = records_[std::size_t(r)];
            xe = std::max(xe, u.XStop.value_or(0));
            ye = std::max(ye, u.YLevelStop.value_or(0));
            if (u.Unitclass == kGroupRecord) nest = std::max(nest, u.NestCt.value_or(0));
        }
        occupiedColumn.assign(std::size_t(xe - xs) + 1, 0);
        occupiedLevel.assign(std::size_t(ye - ys) + 1, 0);
        occupiedLevel[0] = 1;
        for (int r : mine) {
            const PlacementUnit& u = records_[std::size_t(r)];
            for (qint32 x = std::max(xs, u.XStart.value_or(0)); x <= u.XStop.value_or(0); ++x) occupiedColumn[std::size_t(x - xs)] = 1;
            for (qint32 y = std::max(ys, u.YLevelStart.value_or(0)); y <= u.YLevelStop.value_or(0); ++y) occupiedLevel[std::size_t(y - ys)] = 1;
        }
        // Empty columns (levels) left of (above) each position of the frame.
        auto gone = [](const std::vector<char>& occupied, std::vector<qint32>& before) {
            before.assign(occupied.size() + 1, 0);
            for (std::size_t i = 0; i < occupied.size(); ++i) before[i + 1] = before[i] + (occupied[i] ? 0 : 1);
        };
        gone(occupiedColumn, goneColumns);
        gone(occupiedLevel, goneLevels);
        auto moveX = [&](qint32 x) { return x - goneColumns[std::size_t(x - xs)]; };
        auto moveY = [&](qint32 y) { return y - goneLevels[std::size_t(y - ys)]; };
        for (int r : mine) {
            PlacementUnit& u = records_[std::size_t(r)];
            const qint32 x = u.XStart.value_or(0), y = u.YLevelStart.value_or(0);
            // A member group's frame moves with it, as one.
            if (const int member = nodeOfRecord_[std::size_t(r)]; member >= 0 && u.Unitclass == kGroupRecord) {
                shiftX[std::size_t(member)] = x - moveX(x);
                shiftY[std::size_t(member)] = y - moveY(y);
            }
            u.XStart = moveX(x);
            u.XStop = moveX(u.XStop.value_or(0));
            u.YLevelStart = moveY(y);
            u.YLevelStop = moveY(u.YLevelStop.value_or(0));
        }
        own->XStop = xe - goneColumns.back();
        own->YLevelStop = ye - goneLevels.back();
        own->NestCt = nest + 1;
    }
    columns_ = root.XStop.value_or(0);
    levels_ = root.YLevelStop.value_or(0);

    // The shifts of the enclosing frames, outermost first.
    for (int g : groups) {
        if (g == root_) continue;
        const int up = parent_[std::size_t(g)];
        if (up != root_) {
            shiftX[std::size_t(g)] += shiftX[std::size_t(up)];
            shiftY[std::size_t(g)] += shiftY[std::size_t(up)];
        }
        const qint32 dx = shiftX[std::size_t(g)], dy = shiftY[std::size_t(g)];
        if (dx == 0 && dy == 0) continue;
        for (int r : direct_[std::size_t(g)]) {
            PlacementUnit& u = records_[std::size_t(r)];
            u.XStart = u.XStart.value_or(0) - dx;
            u.XStop = u.XStop.value_or(0) - dx;
            u.YLevelStart = u.YLevelStart.value_or(0) - dy;
            u.YLevelStop = u.YLevelStop.value_or(0) - dy;
        }
    }
    return true;
}

void GroupLayoutRun::stretchDummies()
{
    for (const PlacementLine& line : lines_) {
        if (line.category != category::Earlier) continue;
        PlacementUnit& upper = records_[std::size_t(line.second)];
        if (upper.Unitclass != kDummyRecord) continue;
        const qint32 below = records_[std::size_t(line.first)].YLevelStart.value_or(0);
        if (below != upper.YLevelStop.value_or(0) + 1) upper.YLevelStop = below - 1;
    }
}

// Lanes for the frames: at each frame's first and last column and below its
// last level, as many as frames nest there.
void setFrameLanes(LayoutParameters& p, const std::vector<PlacementUnit>& records)
{
    auto raise = [](std::vector<qint32>& lanes, qint32 at, qint32 nest) {
        if (at >= 1 && std::size_t(at) < lanes.size()) lanes[std::size_t(at)] = std::max(lanes[std::size_t(at)], nest);
    };
    for (const PlacementUnit& u : records) {
        const qint32 nest = u.NestCt.value_or(0);
        if (nest <= 0) continue;
        raise(p.LeftFrameLanes, u.XStart.value_or(0), nest);
        raise(p.RightFrameLanes, u.XStop.value_or(0), nest);
        raise(p.FrameLanesBelow, u.YLevelStop.value_or(0), nest);
    }
}

// The periods start on levels of the top level's layout; the diagram level
// is that of a top-level record on the level, whose key is the level padded
// to some width.
void GroupLayoutRun::convertPeriodStarts()
{
    QHash<QString, qint32> topLevels;
    for (const PlacementUnit& u : records_)
        if (components(u.Clevel) == 1) topLevels.insert(u.Clevel, u.YLevelStart.value_or(0));
    for (std::size_t p = 1; p < periods_.size(); ++p) {
        QString key = QString::number(periods_[p].position);
        while (!topLevels.contains(key)) {
            key.prepend(QLatin1Char('0'));
            if (key.size() > 10) {
                ui_.error(kPeriodLinesMessage);
                periods_.clear();
                return;
            }
        }
        periods_[p].position = topLevels.value(key);
    }
}

std::optional<PlacedLayout> GroupLayoutRun::run()
{
    indexInput();
    prepare();
    dated_ = options_.dated && !periods_.empty();
    const bool bands = dated_;
    // Depth first: a group's member groups are pushed in tree order, so the
    // last of them is laid out next.
    std::vector<int> stack{root_};
    while (!stack.empty()) {
        const int node = stack.back();
        if (!layOutGroup(node)) return std::nullopt;
        stack.pop_back();
        for (int child : children_[std::size_t(node)])
            if (!isContextNode(tree_.node(child))) stack.push_back(child);
    }

    nodeOfRecord_.assign(records_.size(), -1);
    for (std::size_t n = 0; n < recordOf_.size(); ++n)
        if (recordOf_[n] >= 0) nodeOfRecord_[std::size_t(recordOf_[n])] = int(n);
    assignStartPositions();
    placeEqualSets();
    if (!assignStopPositions()) return std::nullopt;
    stretchDummies();
    if (bands) convertPeriodStarts();

    PlacementWork work;
    work.units = std::move(records_);
    work.proper = std::move(lines_);
    work.columns = columns_;
    work.levels = levels_;
    PlacementOptions routing;
    routing.periodsShown = bands;
    PlacedLayout layout = RoutePlacement(ui_, std::move(work), routing, bands ? periods_ : PeriodList{});
    layout.parameters.groups = true;
    setFrameLanes(layout.parameters, layout.units);
    return layout;
}

// Leaves every unit's Group as the last group laid out marked it, writing
// only the values that change.
void writeGroupMarks(Table& units, const std::vector<int>& marks)
{
    WholeTable all(units);
    std::vector<std::pair<qint64, int>> changes;
    std::size_t i = 0;
    units.scan(QString(), {}, kUnitKeyOrder, [&](const Table::Row& row) {
        const int mark = i < marks.size() ? marks[i] : -1;
        ++i;
        if (intOf(row.values[uf::Group]) != mark) changes.emplace_back(row.rowid, mark);
    });
    if (changes.empty()) return;
    DisplaySuspended quiet(units);
    BulkScope bulk;
    for (const auto& [rowid, mark] : changes) {
        if (!units.gotoRowid(rowid)) continue;
        units.edit();
        units.set(uf::Group, qint32(mark));
        units.post();
    }
}

} // namespace

std::optional<PlacedLayout> LayoutWithGroups(UserInterface& ui, const GroupLayoutInput& input, RandomGenerator& random,
                                             const GroupLayoutOptions& options, Protocol& protocol,
                                             PeriodList& periods)
{
    StatusScope clearAtEnd(ui);
    return GroupLayoutRun(ui, input, random, options, protocol, periods).run();
}

GroupLayoutInput ReadGroupLayoutInput(Session& session, const HierarchyTree& tree, int datingField)
{
    GroupLayoutInput input;
    input.tree = tree;
    input.excavation = session.project().CurrentExcavation;
    input.singleExcavation = session.project().SingleExcavation;
    Table& units = session.units();
    Table& relations = session.relations();
    WholeTable allUnits(units);
    WholeTable allRelations(relations);
    units.scan(QString(), {}, kUnitKeyOrder, [&](const Table::Row& row) {
        const auto& v = row.values;
        GroupLayoutUnit u;
        u.key = {valueToString(v[uf::Excavation]), valueToString(v[uf::Unitname])};
        u.displayColour = intOf(v[uf::DisplayColour]);
        u.dispStyle = intOf(v[uf::DispStyle]);
        u.thematicColour = intOf(v[uf::ThematicColour]);
        u.thematicStyle = intOf(v[uf::ThematicStyle]);
        if (datingField >= 0) u.dating = valueToString(v[std::size_t(datingField)]);
        input.units.push_back(std::move(u));
    });
    relations.scan(QStringLiteral("RelationCat IN ('<', '>', '-', '=')"), {}, kRelationKeyOrder, [&](const Table::Row& row) {
        const auto& v = row.values;
        const QString category = valueToString(v[rel::RelationCat]);
        input.relations.push_back({{valueToString(v[rel::Excavation1]), valueToString(v[rel::Unitname1])},
                                   {valueToString(v[rel::Excavation2]), valueToString(v[rel::Unitname2])},
                                   category.front()});
    });
    return input;
}

bool LayoutWithGroups(Session& session, const HierarchyTree& tree, RandomGenerator& random, int datingField,
                      bool strict, Protocol& protocol, PeriodList& periods)
{
    UserInterface& ui = session.ui();
    StatusScope clearAtEnd(ui);
    const QString directory = session.project().ProjectDirectory;
    const QString name = session.project().ProjectName;
    RecoverLayoutFiles(directory, name);
    CreateLayoutTables(directory, name, LayoutStage::Staged);
    try {
        std::optional<PlacedLayout> layout;
        {
            const GroupLayoutInput input = ReadGroupLayoutInput(session, tree, datingField);
            GroupLayoutOptions options;
            options.dated = datingField >= 0;
            options.strict = strict;
            GroupLayoutRun run(ui, input, random, options, protocol, periods);
            layout = run.run();
            if (layout) writeGroupMarks(session.units(), run.marks());
        }
        if (!layout || !StorePlacedLayout(ui, directory, name, *layout)) {
            DiscardLayout(directory, name);
            return false;
        }
    } catch (...) {
        DiscardLayout(directory, name);
        throw;
    }
    return true;
}

} // namespace belvanto
