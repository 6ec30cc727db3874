#include "editing/RelationRows.h"
#include "store/Relations.h"

namespace belvanto {

std::vector<Table::Row> RowsOfSecondUnits(const Table& relTable, const std::vector<UnitKey>& units)
{
    if (units.size() == 1) return RowsOfSecond(relTable, units.front());
    // One statement per chunk, each one pass over the table; a chunk stays
    // well below SQLite's limit on bound values.
    constexpr std::size_t kChunk = 8000;
    std::vector<Table::Row> rows;
    for (std::size_t start = 0; start < units.size(); start += kChunk) {
        const std::size_t end = std::min(units.size(), start + kChunk);
        QString where = QStringLiteral("(Excavation2, Unitname2) IN (VALUES ");
        std::vector<Value> params;
        params.reserve(2 * (end - start));
        for (std::size_t i = start; i < end; ++i) {
            where += i == start ? QStringLiteral("(?, ?)") : QStringLiteral(", (?, ?)");
            params.emplace_back(units[i].excavation);
            params.emplace_back(units[i].unitname);
        }
        where += QLatin1Char(')');
        relTable.scan(where, params, QString(), [&](Table::Row& row) { rows.push_back(std::move(row)); });
    }
    return rows;
}

} // namespace belvanto
