#pragma once
// Rows of the relationship table found by their second unit, for commands
// that need the rows of many units: one statement per few thousand units
// instead of one per unit.
#include "store/Table.h"
#include "store/UnitKey.h"
#include <vector>

namespace belvanto {

// Every row whose second unit is one of the units, in no particular order.
std::vector<Table::Row> RowsOfSecondUnits(const Table& relTable, const std::vector<UnitKey>& units);

} // namespace belvanto
