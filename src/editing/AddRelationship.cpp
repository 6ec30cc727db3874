#include "editing/AddRelationship.h"
#include "core/UserInterface.h"
#include "store/Relations.h"
#include "store/Session.h"
#include "store/UnitFields.h"
#include <map>
#include <set>

namespace belvanto {

namespace {


// A refusal is shown as an error from level 1 on.
AddResult refuse(Session& session, int lvl, AddResult why, const QString& message)
{
    if (lvl >= level::Errors) session.ui().message(MessageKind::Error, message, Buttons::Ok, HelpTopic(kRelationHelpTopic));
    return why;
}

// Writes the rows of an equal or contemporary relationship and of every pair
// of the merged class that lacks one, after making sure that no two members
// are already related otherwise.
AddResult completeClass(Session& session, Table& relTable, const UnitKey& first, const UnitKey& second, QChar code,
                        const QString& comment, int lvl)
{
    // Classes are closed, so the rows of the two units name both classes
    // whole. Each member's rows are read once, by key.
    std::vector<UnitKey> members;
    std::vector<std::map<UnitKey, QChar>> rowsOf;
    auto addMember = [&](const UnitKey& unit) {
        std::map<UnitKey, QChar> rows;
        for (const auto& row : RowsOfFirst(relTable, unit)) rows.emplace(SecondUnitOf(row), CategoryOf(row));
        members.push_back(unit);
        rowsOf.push_back(std::move(rows));
    };
    addMember(first);
    addMember(second);
    std::vector<UnitKey> further;
    std::set<UnitKey> inClass{first, second};
    for (std::size_t i = 0; i < 2; ++i)
        for (const auto& [other, otherCode] : rowsOf[i])
            if (otherCode == code && inClass.insert(other).second) further.push_back(other);
    for (const UnitKey& unit : further) addMember(unit);

    for (std::size_t i = 0; i < members.size(); ++i)
        for (std::size_t j = 0; j < members.size(); ++j) {
            if (i == j) continue;
            const auto found = rowsOf[i].find(members[j]);
            if (found == rowsOf[i].end() || found->second == code) continue;
            return refuse(session, lvl, AddResult::Contradiction,
                          QStringLiteral("Relation between %1 and %2\r\nin contradiction with existing relationship "
                                         "between \r\n%3: %4 and %5: %6")
                              .arg(first.text(), second.text(), members[i].excavation, members[i].unitname,
                                   members[j].excavation, members[j].unitname));
        }

    for (std::size_t i = 0; i < members.size(); ++i)
        for (std::size_t j = 0; j < members.size(); ++j)
            if (i != j && !rowsOf[i].contains(members[j]))
                InsertRelationRow(relTable, members[i], members[j], code, comment, status::Stored);
    return AddResult::Stored;
}

// first is the part, second the container.
template <typename ClassOf>
AddResult addPartOf(Session& session, ClassOf&& classOf, Table& relTable, const UnitKey& first,
                    const QString& partClass, const UnitKey& second, const QString& containerClass,
                    const QString& comment, int lvl)
{
    QString message;
    if (containerClass == kContext) {
        message = QStringLiteral("%1: cannot be part of a context.").arg(first.text());
    } else if (partClass == kWorkArea) {
        message = QStringLiteral("%1: work area\r\ncannot be part of another unit.").arg(first.text());
    } else if (partClass == kGroup && containerClass != kGroup) {
        message = QStringLiteral("%1: A group can only be part of another group, not of %2.")
                      .arg(first.text(), containerClass);
    } else if (containerClass == kGroup) {
        for (const auto& row : RowsOfFirst(relTable, first)) {
            if (CategoryOf(row) != category::PartOf || classOf(SecondUnitOf(row)) != kGroup) continue;
            message = QStringLiteral("%1 is already part of another group.\r\nNew relationship is not stored.")
                          .arg(first.text());
            break;
        }
    }
    if (!message.isEmpty()) return refuse(session, lvl, AddResult::PartOfRule, message);
    InsertRelationRow(relTable, first, second, category::PartOf, comment, status::Stored);
    return AddResult::Stored;
}

} // namespace

QChar CategoryOf(const Table::Row& row)
{
    const QString code = valueToString(row.values[rel::RelationCat]);
    return code.size() == 1 && IsRelationCategory(code.front()) ? code.front() : QChar();
}

UnitKey SecondUnitOf(const Table::Row& row)
{
    return {valueToString(row.values[rel::Excavation2]), valueToString(row.values[rel::Unitname2])};
}

std::optional<QString> UnitClassOf(const Table& unitTable, const UnitKey& unit)
{
    const auto rows = unitTable.query(QStringLiteral("Excavation IS ? AND Unitname IS ?"),
                                      {unit.excavation, unit.unitname});
    if (rows.empty()) return std::nullopt;
    return valueToString(rows.front().values[uf::Unitclass]);
}

UnitClassCache::UnitClassCache(Table& unitTable)
    : table_(unitTable), observer_(unitTable.addChangeObserver([this] { classes_.clear(); }))
{
}

UnitClassCache::~UnitClassCache()
{
    table_.removeChangeObserver(observer_);
}

void UnitClassCache::preload()
{
    for (const auto& row : table_.query(QString(), {}))
        classes_.insert_or_assign(UnitKey{valueToString(row.values[uf::Excavation]), valueToString(row.values[uf::Unitname])},
                                  valueToString(row.values[uf::Unitclass]));
}

std::optional<QString> UnitClassCache::classOf(const UnitKey& unit)
{
    if (const auto it = classes_.find(unit); it != classes_.end()) return it->second;
    auto found = UnitClassOf(table_, unit);
    if (found) classes_.emplace(unit, *found);
    return found;
}

void CreateUnit(Table& unitTable, const UnitKey& unit, const QString& unitClass)
{
    unitTable.insert();
    unitTable.set(uf::Excavation, unit.excavation);
    unitTable.set(uf::Unitname, unit.unitname);
    unitTable.set(uf::Unitclass, unitClass);
    unitTable.post();
}

std::vector<UnitKey> OtherClassMembers(const Table& relTable, const UnitKey& unit, const UnitKey& except, QChar code)
{
    std::vector<UnitKey> members;
    for (const auto& row : RowsOfFirst(relTable, unit)) {
        const UnitKey other = SecondUnitOf(row);
        if (CategoryOf(row) == code && other != except) members.push_back(other);
    }
    return members;
}

QString UnitNotFoundMessage(const UnitKey& unit)
{
    return QStringLiteral("%1 not found in unit data base. \r\nUnit data base corrupt?").arg(unit.text());
}

AddResult AddRelationship(Session& session, Table& unitTable, Table& relTable, const UnitKey& first,
                          const UnitKey& second, QChar code, const QString& comment, int lvl,
                          UnitClassCache* classes)
{
    UserInterface& ui = session.ui();
    if (first == second) {
        if (lvl >= level::Everything)
            ui.message(MessageKind::Warning,
                       QStringLiteral("Relation between %1 and this same unit not allowed.\r\n"
                                      "New relationship is not stored.")
                           .arg(first.text()),
                       Buttons::Ok, HelpTopic(kRelationHelpTopic));
        return AddResult::SelfRelation;
    }
    if (!IsRelationCategory(code))
        return refuse(session, lvl, AddResult::UnknownCategory,
                      QStringLiteral("Relation between %1 and %2:\r\nunknown relation category \"%3\".\r\n"
                                     "New relationship is not stored.")
                          .arg(first.text(), second.text(), code.isNull() ? QString() : QString(code)));

    // Restored on every way out, refusals included.
    FilterOff unfiltered(relTable);
    LinkOff unlinked(relTable);

    if (FindRelationRow(relTable, first, second)) {
        if (lvl >= level::Everything)
            ui.message(MessageKind::Warning,
                       QStringLiteral("Relation between %1 and %2 has already been defined.\r\n"
                                      "New relationship is not stored.")
                           .arg(first.text(), second.text()),
                       Buttons::Ok, HelpTopic(kRelationHelpTopic));
        return AddResult::AlreadyDefined;
    }

    // Keyed look-ups leave the unit table's filter, cursor and display alone.
    auto classOf = [&](const UnitKey& unit) {
        return classes ? classes->classOf(unit) : UnitClassOf(unitTable, unit);
    };
    std::optional<QString> firstClass, secondClass;
    if (classes) {
        firstClass = classes->classOf(first);
        if (firstClass) secondClass = classes->classOf(second);
    } else {
        // Both units in one statement: every statement costs a file lock.
        for (const auto& row : unitTable.query(
                 QStringLiteral("Excavation IS ? AND Unitname IS ? OR Excavation IS ? AND Unitname IS ?"),
                 {first.excavation, first.unitname, second.excavation, second.unitname})) {
            const UnitKey unit{valueToString(row.values[uf::Excavation]), valueToString(row.values[uf::Unitname])};
            (unit == first ? firstClass : secondClass) = valueToString(row.values[uf::Unitclass]);
        }
    }
    if (!firstClass) return refuse(session, lvl, AddResult::UnitMissing, UnitNotFoundMessage(first));
    if (!secondClass) return refuse(session, lvl, AddResult::UnitMissing, UnitNotFoundMessage(second));

    if (code != category::PartOf && (*firstClass != kContext || *secondClass != kContext))
        return refuse(session, lvl, AddResult::NotContexts,
                      QStringLiteral("Relation between %1 and %2:\r\nEarlier than, later than, equal to, and "
                                     "contemporary with relationships \r\nmay only be defined for contexts.")
                          .arg(first.text(), second.text()));

    if (code == category::Earlier || code == category::Later) {
        const QString opposite = OppositeComment(session, code, comment);
        InsertRelationRow(relTable, first, second, code, comment, status::Stored);
        InsertRelationRow(relTable, second, first, OppositeCategory(code), opposite, status::Stored);
        return AddResult::Stored;
    }
    if (IsClassCategory(code)) return completeClass(session, relTable, first, second, code, comment, lvl);
    return addPartOf(session, classOf, relTable, first, *firstClass, second, *secondClass, comment, lvl);
}

AddResult AddRelationship(Session& session, const UnitKey& first, const UnitKey& second, QChar code,
                          const QString& comment, int lvl)
{
    return AddRelationship(session, session.units(), session.relations(), first, second, code, comment, lvl);
}

} // namespace belvanto
