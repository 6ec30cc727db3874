#pragma once
// The one gate through which every relationship enters a project: the
// relationship and chain dialogs, the edit form's commit, imports and the
// simulation all store relationships here and nowhere else, so that the
// invariants of the relationship table hold whoever writes.
//
// Imports and the simulation call it hundreds of thousands of times in one
// command, so it looks everything up by key and never walks a table; at the
// silent level it never reaches the user interface.
#include "store/Relations.h"
#include "store/Table.h"
#include "store/UnitKey.h"
#include <QString>
#include <map>
#include <optional>
#include <vector>

namespace belvanto {

class Session;
class UserInterface;

inline constexpr int kRelationHelpTopic = 133;
inline constexpr int kUnitNameHelpTopic = 17;

// How much AddRelationship tells the user.
namespace level {
inline constexpr int Everything = 10;   // dialogs: also the self and duplicate warnings
inline constexpr int Errors = 1;        // edit-form commit, part-of reassignment
inline constexpr int Silent = 0;        // imports, simulation: refusals are not stored, not shown
}

// What became of a relationship. The tables are the real answer; callers
// that count or report (chains, imports, belvanto-cli) read this, the others
// may ignore it.
enum class AddResult {
    Stored,
    SelfRelation,
    AlreadyDefined,
    UnitMissing,
    NotContexts,       // earlier/later/equal/contemporary with a unit that is no context
    Contradiction,     // completing an equal or contemporary class
    PartOfRule,
    UnknownCategory,   // not one of the five codes: an error from level 1 on
};

// Unit classes for a command that stores many relationships: imports,
// simulation, consecutive numbers. It keeps the classes it has read, so each
// unit is looked up once per command instead of once per relationship. A unit
// not found is looked up again next time, so units the command creates are
// seen. Changes posted to the unit table clear it, except while the table's
// display is suspended (the table tells nobody then): a command that deletes
// units or changes their class under suspension calls forget().
class UnitClassCache {
public:
    explicit UnitClassCache(Table& unitTable);
    ~UnitClassCache();
    UnitClassCache(const UnitClassCache&) = delete;
    UnitClassCache& operator=(const UnitClassCache&) = delete;

    // Reads every unit in one pass: worth it when most units will be named.
    void preload();
    void forget() { classes_.clear(); }
    std::optional<QString> classOf(const UnitKey& unit);
    Table& table() const { return table_; }

private:
    Table& table_;
    int observer_;
    std::map<UnitKey, QString> classes_;
};

// Stores "first <code> second" with its comment after the rules allow it.
// classes, when given, must be a cache of unitTable.
AddResult AddRelationship(Session& session, Table& unitTable, Table& relTable, const UnitKey& first,
                          const UnitKey& second, QChar code, const QString& comment, int level,
                          UnitClassCache* classes = nullptr);
// The same on the project's unit and relationship tables.
AddResult AddRelationship(Session& session, const UnitKey& first, const UnitKey& second, QChar code,
                          const QString& comment, int level);

// Keyed look-ups of the unit table; they ignore its filter and leave its
// cursor where it is.
std::optional<QString> UnitClassOf(const Table& unitTable, const UnitKey& unit);
inline bool UnitExists(const Table& unitTable, const UnitKey& unit) { return UnitClassOf(unitTable, unit).has_value(); }
// Creates a unit with only its key and class.
void CreateUnit(Table& unitTable, const UnitKey& unit, const QString& unitClass);

// The units X with a row (unit, X, code), except `except`: the other members
// of an equal or contemporary class.
std::vector<UnitKey> OtherClassMembers(const Table& relTable, const UnitKey& unit, const UnitKey& except,
                                       QChar code);

// Equal and contemporary: the categories closed over their class.
inline bool IsClassCategory(QChar code) { return code == category::Equal || code == category::Contemporary; }
// The category and second unit of a row read with Table::query; a null
// character for a code that is none of the five.
QChar CategoryOf(const Table::Row& row);
UnitKey SecondUnitOf(const Table::Row& row);

// "<excavation>:<unit name> not found in unit data base. \r\nUnit data base corrupt?"
QString UnitNotFoundMessage(const UnitKey& unit);

} // namespace belvanto
