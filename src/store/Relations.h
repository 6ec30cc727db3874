#pragma once
// The relationship table and its primitives. The rules that decide whether a
// relationship may be stored live with AddRelationship; these routines keep
// no invariants of their own.
#include "store/Table.h"
#include "store/UnitKey.h"
#include <QString>
#include <optional>
#include <vector>

namespace belvanto {

class Session;
class UserInterface;

// Category codes of RelationCat.
namespace category {
inline constexpr QChar Later{u'>'};
inline constexpr QChar Earlier{u'<'};
inline constexpr QChar Equal{u'='};
inline constexpr QChar Contemporary{u'-'};
inline constexpr QChar PartOf{u'p'};
}

struct RelationCategory {
    QChar code;
    QString explanation;
};
// ">", "<", "=", "-", "p" in this order.
const std::vector<RelationCategory>& RelationCategories();
QChar OppositeCategory(QChar code);   // "<" and ">" swap; others unchanged
bool IsRelationCategory(QChar code);

namespace rel {
enum : int { Excavation1 = 0, Unitname1, Excavation2, Unitname2, RelationCat, RelationFull, RelationStatus };
inline constexpr int kCommentSize = 20;
}

// Status codes of RelationStatus.
namespace status {
inline const QString Stored = QStringLiteral("u");
inline const QString New = QStringLiteral("n");
inline const QString Redundant = QStringLiteral("R");
inline const QString Completed = QStringLiteral("t");
inline const QString Simulated = QStringLiteral("U");
}

// The placeholder first unit of the edit form's relationship table.
inline const UnitKey kPlaceholderUnit{QStringLiteral("x"), QStringLiteral("x")};

std::vector<FieldDef> RelationTableFields();
void CreateRelationTable(const QString& directory, const QString& tableName);
// The rows naming a unit as second unit (its opposites, a container's
// members) are found through this index rather than by reading every row.
IndexDef SecondUnitIndex();
// Tables made before the index existed get it when a project opens.
void EnsureSecondUnitIndex(Table& relTable);

void InsertRelationRow(Table& table, const UnitKey& first, const UnitKey& second, QChar code,
                       const QString& comment, const QString& status);
void InsertRelationRow(TableWriter& table, const UnitKey& first, const UnitKey& second, QChar code,
                       const QString& comment, const QString& status);
// Second units of the rows (unit, *, code), each once, in index order.
std::vector<UnitKey> RelatedUnits(const Table& table, const UnitKey& unit, QChar code);
// The comment of the opposite row of an earlier/later relationship.
QString OppositeComment(Session& session, QChar code, const QString& comment);
// Deletes (first, second) and, unless it is a part-of row, (second, first).
// True when the first row existed.
bool DeleteRelationPair(UserInterface& ui, Table& table, const UnitKey& first, const UnitKey& second);
// Deletes the relationship of the current row; true only when rows were deleted.
// shownFirst: the unit the question names as first unit where the row holds
// the edit form's placeholder.
bool DeleteRelationship(UserInterface& ui, Table& table, int level, bool singleRow,
                        const std::optional<UnitKey>& shownFirst = std::nullopt);
// Moves the unit table to the unit named at one end of the current row.
bool FindRelationshipUnit(UserInterface& ui, Table& unitTable, const Table& relTable, bool firstEnd);

UnitKey FirstUnit(const Table& relTable);
UnitKey SecondUnit(const Table& relTable);

// Keyed look-ups for the hot paths; they use the primary index.
std::optional<Table::Row> FindRelationRow(const Table& table, const UnitKey& first, const UnitKey& second);
std::vector<Table::Row> RowsOfFirst(const Table& table, const UnitKey& first);
std::vector<Table::Row> RowsOfSecond(const Table& table, const UnitKey& second);

} // namespace belvanto
