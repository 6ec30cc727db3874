#include "checks/GroupAssignments.h"
#include "core/Protocol.h"
#include "core/UserInterface.h"
#include "layout/RelationGraph.h"
#include "store/Relations.h"
#include "store/Session.h"
#include "store/Table.h"
#include "store/UnitFields.h"
#include <optional>
#include <unordered_map>

namespace belvanto {

namespace {

UnitKey firstUnitOf(const Table::Row& row)
{
    return {textAt(row, rel::Excavation1), textAt(row, rel::Unitname1)};
}

UnitKey secondUnitOf(const Table::Row& row)
{
    return {textAt(row, rel::Excavation2), textAt(row, rel::Unitname2)};
}

// Each unit's group, found once: an "equal to" class of s contexts asks for
// each of them s - 1 times.
class GroupFinder {
public:
    GroupFinder(UserInterface& ui, const Table& unitTable, const std::vector<Table::Row>& partOfRows)
        : ui_(ui)
    {
        for (const auto& row : unitTable.query(QString(), {}, QString()))
            isGroup_.emplace(UnitKey{textAt(row, uf::Excavation), textAt(row, uf::Unitname)},
                             textAt(row, uf::Unitclass) == kGroup);
        // The rows come in key order, so each unit's containers do too.
        for (const auto& row : partOfRows) containers_[firstUnitOf(row)].push_back(secondUnitOf(row));
    }

    // None for a unit in no group.
    const std::optional<UnitKey>& groupOf(const UnitKey& unit)
    {
        const auto known = group_.find(unit);
        if (known != group_.end()) return known->second;
        return group_.emplace(unit, find(unit)).first->second;
    }

private:
    std::optional<UnitKey> find(const UnitKey& unit)
    {
        const auto rows = containers_.find(unit);
        if (rows == containers_.end()) return std::nullopt;
        for (const UnitKey& container : rows->second) {
            const auto it = isGroup_.find(container);
            if (it == isGroup_.end()) {
                ui_.error(kMissingSecondUnitMessage + container.text());
                return std::nullopt;
            }
            if (it->second) return container;
        }
        return std::nullopt;
    }

    UserInterface& ui_;
    std::unordered_map<UnitKey, bool> isGroup_;
    std::unordered_map<UnitKey, std::vector<UnitKey>> containers_;
    std::unordered_map<UnitKey, std::optional<UnitKey>> group_;
};

} // namespace

bool GroupAssignmentTest(Session& session, Protocol& protocol)
{
    UserInterface& ui = session.ui();
    Table& units = session.units();
    Table& relations = session.relations();
    BusyCursor busy(ui);
    DisplaySuspended unitsSuspended(units);
    DisplaySuspended relationsSuspended(relations);
    StatusScope status(ui);
    status.set(QStringLiteral("Testing group assignments"));
    protocol.separate();

    const auto partOfRows =
        relations.query(QStringLiteral("RelationCat = ?"), {QString(category::PartOf)}, kRelationKeyOrder);
    GroupFinder groups(ui, units, partOfRows);
    const bool single = session.project().SingleExcavation;
    int conflicts = 0;
    for (const auto& row : relations.query(QStringLiteral("RelationCat = ?"), {QString(category::Equal)}, kRelationKeyOrder)) {
        const UnitKey first = firstUnitOf(row);
        const UnitKey second = secondUnitOf(row);
        // Both rows of a pair are stored; the one whose first unit has the
        // later key stands for it.
        if (first < second) continue;
        const std::optional<UnitKey> firstGroup = groups.groupOf(first);
        if (firstGroup == groups.groupOf(second)) continue;
        if (protocol.detailed()) {
            if (conflicts == 0)
                protocol.add(QStringLiteral("List of \"equal to\" relationships with conflicting group assignments:"));
            protocol.add(UnitLabel(first.excavation, first.unitname, single) + QStringLiteral(" equal to ")
                         + UnitLabel(second.excavation, second.unitname, single));
        }
        ++conflicts;
    }
    if (protocol.detailed() && conflicts == 0)
        protocol.add(QStringLiteral("No \"equal to\" relationships with conflicting group assignments found."));
    if (!protocol.detailed() && conflicts > 0)
        protocol.add(QStringLiteral("%1 \"equal to\" relationships with conflicting group assignments found").arg(conflicts));
    return conflicts > 0;
}

} // namespace belvanto
