#pragma once
// The commands of the consistency checks that the user starts by hand.
#include "store/UnitKey.h"
#include <QtGlobal>
#include <vector>

namespace belvanto {

class CommandRegistry;
class Table;

// RelationsTestPair.
void RegisterCheckCommands(CommandRegistry& commands);

// The keys of the unit table's records with these row ids, in their order;
// a row id that names no record is left out.
std::vector<UnitKey> UnitKeysOfRows(const Table& unitTable, const std::vector<qint64>& rowids);

} // namespace belvanto
