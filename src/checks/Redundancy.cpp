#include "checks/Redundancy.h"
#include "core/UserInterface.h"
#include "store/Relations.h"
#include "store/Table.h"
#include <algorithm>
#include <optional>
#include <unordered_map>
#include <unordered_set>

namespace belvanto {

namespace {

quint64 pairId(int upper, int lower)
{
    return (quint64(quint32(upper)) << 32) | quint32(lower);
}

// The rows of the table between two graph nodes, by (unit 1, unit 2), and
// the rows a status-mode test finds marked "R" from before.
struct RowIndex {
    std::unordered_map<quint64, qint64> rowOfPair;
    std::vector<qint64> staleMarks;

    std::optional<qint64> find(int first, int second) const
    {
        const auto it = rowOfPair.find(pairId(first, second));
        if (it == rowOfPair.end()) return std::nullopt;
        return it->second;
    }
};

RowIndex indexRows(const Table& table, const RelationGraph& graph, int statusColumn)
{
    const int e1 = table.fieldIndexOrThrow(u"Excavation1");
    const int n1 = table.fieldIndexOrThrow(u"Unitname1");
    const int e2 = table.fieldIndexOrThrow(u"Excavation2");
    const int n2 = table.fieldIndexOrThrow(u"Unitname2");
    RowIndex index;
    const auto rows = table.query(QString(), {});
    index.rowOfPair.reserve(rows.size());
    for (const Table::Row& row : rows) {
        if (statusColumn >= 0 && textAt(row, statusColumn) == status::Redundant) index.staleMarks.push_back(row.rowid);
        const int first = graph.nodeOf({textAt(row, e1), textAt(row, n1)});
        if (first < 0) continue;
        const int second = graph.nodeOf({textAt(row, e2), textAt(row, n2)});
        if (second >= 0) index.rowOfPair.emplace(pairId(first, second), row.rowid);
    }
    return index;
}

} // namespace

QString RedundantLinkLine(const QString& prefix, const RelationGraph& graph, int u, int v)
{
    return prefix + QStringLiteral("Redundant: link from ") + graph.nodes[std::size_t(u)].Key.text()
           + QStringLiteral(" down to ") + graph.nodes[std::size_t(v)].Key.text();
}

QString RedundancyProgressText(const QString& prefix, int u, int n)
{
    return prefix + QStringLiteral("Testing Redundant ") + QString::number(u) + QStringLiteral(" of ") + QString::number(n);
}

int RedundancyTest(UserInterface& ui, RelationGraph& graph, Table& relationTable, Protocol& protocol,
                   const RedundancyOptions& options)
{
    const bool statusMode = options.mode == RedundancyMode::Status;
    FilterOff unfiltered(relationTable);
    LinkOff unlinked(relationTable);
    const int markColumn = relationTable.fieldIndexOrThrow(statusMode ? QStringLiteral("RelationStatus") : options.markField);
    const RowIndex rows = indexRows(relationTable, graph, statusMode ? markColumn : -1);

    int counter = 0;
    std::vector<qint64> marked;
    std::unordered_set<qint64> markedSet;
    auto mark = [&](qint64 rowid) {
        if (markedSet.insert(rowid).second) marked.push_back(rowid);
    };
    FindRedundantLinks(
        graph,
        [&](int u, int v) {
            if (statusMode) {
                const auto row = rows.find(u, v);
                if (!row) {
                    ui.warning(kRelTableCorruptMessage);
                    return;
                }
                mark(*row);
            }
            if (protocol.detailed()) protocol.add(RedundantLinkLine(options.prefix, graph, u, v));
            if (const auto opposite = rows.find(v, u)) mark(*opposite);
            ++counter;
        },
        [&](int u) { ui.status(RedundancyProgressText(options.prefix, u, graph.size())); });

    if (statusMode) protocol.add(QString::number(counter) + QStringLiteral(" redundant relationships found."));

    const bool deleting = options.deleteRedundant && counter > 0;
    if (deleting) ui.status(options.prefix + QStringLiteral("Deleting redundant relationships"));
    // A stale mark would let a later deletion take a relationship that is
    // needed again; only what this test found stays marked or is deleted.
    if (rows.staleMarks.empty() && marked.empty()) return counter;
    const std::unordered_set<qint64> stale(rows.staleMarks.begin(), rows.staleMarks.end());
    const Value markValue = statusMode ? Value(status::Redundant) : Value(qint32(-1));
    DisplaySuspended quiet(relationTable);
    TableWriter writer(relationTable);
    auto write = [&](qint64 rowid, const Value& value) {
        writer.set(markColumn, value);
        writer.update(rowid);
    };
    for (qint64 rowid : rows.staleMarks)
        if (!markedSet.count(rowid)) write(rowid, status::Stored);
    if (deleting) {
        // In file order the deletions touch each page of the table once.
        std::sort(marked.begin(), marked.end());
        for (qint64 rowid : marked) writer.remove(rowid);
    } else {
        for (qint64 rowid : marked)
            if (!stale.count(rowid)) write(rowid, markValue);
    }
    return counter;
}

} // namespace belvanto
