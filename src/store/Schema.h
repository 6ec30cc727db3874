#pragma once
// Tables of a known kind are checked when they are opened. Code addresses
// their fields by position, so a column that another program dropped, moved
// or retyped would put values into the wrong field without a word.
#include "store/Table.h"
#include <QString>
#include <optional>
#include <vector>

namespace belvanto {

// The first difference between the table's fields and the definition (count,
// then per field its name, type and size), as a message naming the file and
// the kind ("unit table"); nothing when they agree.
std::optional<QString> SchemaProblem(const Table& table, const std::vector<FieldDef>& expected, const QString& kind);

} // namespace belvanto
