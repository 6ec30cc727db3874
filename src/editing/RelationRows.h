#pragma once
// Rows of the relationship table found by their second unit. The table is
// indexed by its first unit only, so every look-up by the second unit reads
// the whole table: commands that need the rows of many units find them all
// in one pass.
#include "store/Table.h"
#include "store/UnitKey.h"
#include <vector>

namespace belvanto {

// Every row whose second unit is one of the units, in no particular order.
std::vector<Table::Row> RowsOfSecondUnits(const Table& relTable, const std::vector<UnitKey>& units);

} // namespace belvanto
