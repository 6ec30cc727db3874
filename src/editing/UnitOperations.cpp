#include "editing/UnitOperations.h"
#include "core/UserInterface.h"
#include "editing/AddRelationship.h"
#include "editing/RelationRows.h"
#include "editing/UnitEntry.h"
#include "store/Relations.h"
#include "store/Session.h"
#include "store/UnitFields.h"
#include <algorithm>
#include <map>
#include <set>

namespace belvanto {

namespace {

UnitKey firstUnitOf(const Table::Row& row)
{
    return {valueToString(row.values[rel::Excavation1]), valueToString(row.values[rel::Unitname1])};
}

std::optional<Table::Row> unitRow(const Table& unitTable, const UnitKey& unit)
{
    auto rows = unitTable.query(QStringLiteral("Excavation IS ? AND Unitname IS ?"), {unit.excavation, unit.unitname});
    if (rows.empty()) return std::nullopt;
    return std::move(rows.front());
}

UnitKey currentUnit(const Table& unitTable)
{
    return {unitTable.str(uf::Excavation), unitTable.str(uf::Unitname)};
}

// The selection, or the current row when nothing is selected.
std::vector<UnitKey> selectedOrCurrent(const Table& unitTable, const std::vector<UnitKey>& selection)
{
    if (!selection.empty() || !unitTable.hasRecord()) return selection;
    return {currentUnit(unitTable)};
}

// Every pair of the unit's equal and contemporary classes that lacks a row
// gets one. A pair already related otherwise keeps its row: that
// contradiction is the consistency checks' to show, not ours to erase.
void closeClasses(Table& relTable, const UnitKey& unit)
{
    for (QChar code : {category::Equal, category::Contemporary}) {
        std::vector<UnitKey> members = RelatedUnits(relTable, unit, code);
        if (members.empty()) continue;
        members.push_back(unit);
        std::vector<std::set<UnitKey>> related;
        related.reserve(members.size());
        for (const UnitKey& m : members) {
            std::set<UnitKey> ends;
            for (const auto& row : RowsOfFirst(relTable, m)) ends.insert(SecondUnitOf(row));
            related.push_back(std::move(ends));
        }
        for (std::size_t i = 0; i < members.size(); ++i)
            for (std::size_t j = 0; j < members.size(); ++j)
                if (i != j && !related[i].contains(members[j]))
                    InsertRelationRow(relTable, members[i], members[j], code, QString(), status::Stored);
    }
}

// Merging the selection makes the target's equal and contemporary classes
// the union of what the target and the merged units had (less the ends the
// target already has a row with, whose rows go). When two units of such a
// union are related otherwise, the class cannot be closed: the message
// names them, or is empty when the merge may go ahead.
QString mergeContradiction(const Table& relTable, const std::vector<UnitKey>& selection)
{
    const std::set<UnitKey> selected(selection.begin(), selection.end());
    const UnitKey& target = selection.front();
    std::map<UnitKey, QChar> ends;   // the target's other ends as the merge goes
    auto endsOf = [&](const UnitKey& unit) {
        std::map<UnitKey, QChar> found;
        for (const auto& row : RowsOfSecond(relTable, unit)) found.emplace(firstUnitOf(row), category::PartOf);
        for (const auto& row : RowsOfFirst(relTable, unit)) found.insert_or_assign(SecondUnitOf(row), CategoryOf(row));
        return found;
    };
    ends = endsOf(target);
    for (std::size_t i = 1; i < selection.size(); ++i)
        for (const auto& [end, code] : endsOf(selection[i]))
            if (!selected.contains(end)) ends.emplace(end, code);
    auto refusal = [&](const UnitKey& a, const UnitKey& b, QChar code, QChar other) {
        return QStringLiteral("Units cannot be merged:\r\n%1 and %2 would join the class of %3 "
                              "with relation \"%4\"\r\nbut are related by \"%5\".")
            .arg(a.text(), b.text(), target.text(), QString(code), QString(other));
    };
    for (QChar code : {category::Equal, category::Contemporary}) {
        // The class is the target's ends of this code and their classes: a
        // member whose row with a merged unit went because the target has
        // another row with it still belongs through its class-mates.
        std::set<UnitKey> members;
        std::map<UnitKey, std::vector<Table::Row>> rowsOf;
        for (const auto& [end, c] : ends)
            if (c == code && !selected.contains(end)) {
                members.insert(end);
                rowsOf.emplace(end, RowsOfFirst(relTable, end));
            }
        for (const auto& [member, memberRows] : rowsOf)
            for (const auto& row : memberRows)
                if (CategoryOf(row) == code && !selected.contains(SecondUnitOf(row))) members.insert(SecondUnitOf(row));
        for (const UnitKey& m : members) {
            if (const auto withTarget = ends.find(m); withTarget != ends.end() && withTarget->second != code)
                return refusal(m, target, code, withTarget->second);
            if (!rowsOf.contains(m)) rowsOf.emplace(m, RowsOfFirst(relTable, m));
            for (const auto& row : rowsOf.at(m)) {
                const UnitKey other = SecondUnitOf(row);
                if (members.contains(other) && CategoryOf(row) != code)
                    return refusal(m, other, code, CategoryOf(row));
            }
        }
    }
    return QString();
}

// The selection test of Merge and Combine: two or more units of one class.
// The word ("merge", "combine") names the operation in the messages. Gives
// the class.
std::optional<QString> commonClass(Session& session, const std::vector<UnitKey>& selection, const QString& word,
                                   const HelpTopic& help)
{
    UserInterface& ui = session.ui();
    if (selection.size() < 2) {
        ui.information(QStringLiteral("Select two or more contexts (press <Ctrl>-key and click)\r\nwhich are to be %1d.")
                           .arg(word),
                       help);
        return std::nullopt;
    }
    std::vector<QString> classes;
    for (const UnitKey& key : selection) {
        const auto cls = UnitClassOf(session.units(), key);
        if (!cls) {
            ui.error(UnitNotFoundMessage(key));
            return std::nullopt;
        }
        classes.push_back(*cls);
    }
    for (std::size_t i = 1; i < classes.size(); ++i)
        if (classes[i] != classes.front()) {
            ui.error(QStringLiteral("%1 can only be performed for units of the same unit class \r\n"
                                    "but units of class %2 and %3 were selected.")
                         .arg(word, classes[i], classes.front()),
                     help);
            return std::nullopt;
        }
    return classes.front();
}

} // namespace

void RemoveUnits(Table& unitTable, Table& relTable, const std::vector<UnitKey>& keys)
{
    WholeTable wholeRelations(relTable);
    BulkScope bulk;
    std::set<qint64> relRows, unitRows;
    for (const UnitKey& key : keys) {
        for (const auto& row : RowsOfFirst(relTable, key)) relRows.insert(row.rowid);
        if (const auto row = unitRow(unitTable, key)) unitRows.insert(row->rowid);
    }
    for (const auto& row : RowsOfSecondUnits(relTable, keys)) relRows.insert(row.rowid);
    // Each table file commits on its own, in the order first written: the
    // relationships go first, so that a kill between the commits leaves
    // units without relationships, never rows naming a missing unit.
    {
        TableWriter rels(relTable);
        for (qint64 id : relRows) rels.remove(id);
    }
    TableWriter units(unitTable);
    for (qint64 id : unitRows) units.remove(id);
}

bool DeleteUnits(Session& session, const std::vector<UnitKey>& selection)
{
    UserInterface& ui = session.ui();
    Table& units = session.units();
    if (units.count() == 0) {
        ui.warning(QStringLiteral("Sorry, deleting nothing does not make any sense."));
        return false;
    }
    const std::vector<UnitKey> keys = selectedOrCurrent(units, selection);
    if (keys.empty()) return false;
    const QString question =
        keys.size() > 1 ? QStringLiteral("Do you really want to delete %1 units and all their relations?").arg(keys.size())
                        : QStringLiteral("Do you really want to delete unit %1 and all its relations?").arg(keys.front().unitname);
    if (ui.confirmDestructive(question, HelpTopic(kDeleteUnitHelpTopic)) != Answer::Yes) return false;
    BusyCursor busy(ui);
    RemoveUnits(units, session.relations(), keys);
    return true;
}

void MergeUnitInto(Table& unitTable, Table& relTable, const UnitKey& target, const UnitKey& other)
{
    if (target == other) return;
    WholeTable wholeRelations(relTable);
    BulkScope bulk;
    std::set<UnitKey> targetEnds;
    for (const auto& row : RowsOfFirst(relTable, target)) targetEnds.insert(SecondUnitOf(row));
    for (const auto& row : RowsOfSecond(relTable, target)) targetEnds.insert(firstUnitOf(row));
    // Read before the writer starts, which owns the file until it ends.
    const auto asSecond = RowsOfSecond(relTable, other);
    const auto asFirst = RowsOfFirst(relTable, other);
    {
        TableWriter rels(relTable);
        // Rows with the other unit as second unit first, then as first unit;
        // the decision per other end was taken above, before anything moved.
        // otherEnd is the column pair of the row's other end; the other
        // pair names the merged unit and is renamed.
        auto transfer = [&](const std::vector<Table::Row>& rows, int otherEnd, int renamed) {
            for (const auto& row : rows) {
                const UnitKey end{textAt(row, otherEnd), textAt(row, otherEnd + 1)};
                if (end == target || targetEnds.contains(end)) {
                    rels.remove(row.rowid);
                    continue;
                }
                rels.set(renamed, target.excavation);
                rels.set(renamed + 1, target.unitname);
                rels.update(row.rowid);
            }
        };
        transfer(asSecond, rel::Excavation1, rel::Excavation2);
        transfer(asFirst, rel::Excavation2, rel::Excavation1);
    }
    if (const auto row = unitRow(unitTable, other)) {
        TableWriter units(unitTable);
        units.remove(row->rowid);
    }
    closeClasses(relTable, target);
}

bool MergeUnits(Session& session, const std::vector<UnitKey>& selection)
{
    UserInterface& ui = session.ui();
    Table& units = session.units();
    Table& rels = session.relations();
    const HelpTopic help(kMergeHelpTopic);
    if (!commonClass(session, selection, QStringLiteral("merge"), help)) return false;
    if (ui.confirm(QStringLiteral("Do you really want to merge the selected units?"), Buttons::YesNo, help) != Answer::Yes)
        return false;
    std::set<UnitKey> groups;
    for (const UnitKey& key : selection)
        for (const auto& row : RowsOfFirst(rels, key))
            if (CategoryOf(row) == category::PartOf && UnitClassOf(units, SecondUnitOf(row)) == kGroup)
                groups.insert(SecondUnitOf(row));
    if (groups.size() > 1) {
        ui.error(QStringLiteral("Error: Units belong to more than one group."), help);
        return false;
    }
    if (const QString problem = mergeContradiction(rels, selection); !problem.isEmpty()) {
        ui.error(problem, help);
        return false;
    }
    {
        BusyCursor busy(ui);
        BulkScope bulk;
        std::set<UnitKey> merged{selection.front()};
        for (std::size_t i = 1; i < selection.size(); ++i)
            if (merged.insert(selection[i]).second) MergeUnitInto(units, rels, selection.front(), selection[i]);
    }
    units.refresh();
    rels.refresh();
    const UnitKey& target = selection.front();
    ui.information(QStringLiteral("Unit relations have been merged.\r\nAll relations were transferred to unit %1.")
                       .arg(UnitLabel(target.excavation, target.unitname, session.project().SingleExcavation)),
                   help);
    return true;
}

bool SplitAllowed(Session& session, const std::vector<UnitKey>& selection)
{
    UserInterface& ui = session.ui();
    const Table& units = session.units();
    if (units.count() == 0) {
        ui.warning(QStringLiteral("Splitting a unit when unit list is empty does not make any sense"));
        return false;
    }
    const std::vector<UnitKey> keys = selectedOrCurrent(units, selection);
    if (keys.size() != 1) {
        ui.warning(QStringLiteral("You can only split one unit at a time."), HelpTopic(kSplitHelpTopic));
        return false;
    }
    bool equal = false, contemporary = false;
    for (const auto& row : RowsOfFirst(session.relations(), keys.front())) {
        equal = equal || CategoryOf(row) == category::Equal;
        contemporary = contemporary || CategoryOf(row) == category::Contemporary;
    }
    if (equal && contemporary) {
        ui.warning(QStringLiteral("You cannot split a context with both contemporary and equal relationships."),
                   HelpTopic(kSplitHelpTopic));
        return false;
    }
    return true;
}

bool SplitUnit(Session& session, const UnitKey& unit, const UnitKey& newUnit)
{
    UserInterface& ui = session.ui();
    Table& units = session.units();
    Table& rels = session.relations();
    const auto source = unitRow(units, unit);
    if (!source) {
        ui.error(UnitNotFoundMessage(unit));
        return false;
    }
    if (!SplitAllowed(session, {unit}) || !CheckExcavationName(ui, newUnit.excavation)) return false;
    if (const QString problem = CheckUnitName(newUnit.unitname); !problem.isEmpty()) {
        ui.error(problem);
        return false;
    }
    if (UnitExists(units, newUnit)) {
        ui.error(QStringLiteral("Unitname %1: %2 already entered").arg(newUnit.excavation, newUnit.unitname),
                 HelpTopic(kUnitSaveHelpTopic));
        return false;
    }
    WholeTable wholeRelations(rels);
    BulkScope bulk;
    units.insert();
    for (std::size_t i = 0; i < source->values.size(); ++i) units.set(int(i), source->values[i]);
    units.set(uf::Excavation, newUnit.excavation);
    units.set(uf::Unitname, newUnit.unitname);
    units.post();
    std::set<QChar> classCodes;
    for (const auto& row : RowsOfFirst(rels, unit)) {
        const QChar code = CategoryOf(row);
        if (IsClassCategory(code)) {
            classCodes.insert(code);
            continue;
        }
        AddRelationship(session, newUnit, SecondUnitOf(row), code, textAt(row, rel::RelationFull), level::Errors);
    }
    // Joining the old unit's class brings the rows to every other member.
    for (QChar code : classCodes) AddRelationship(session, newUnit, unit, code, QString(), level::Errors);
    LeaveSingleExcavationIfMixed(session);
    return true;
}

} // namespace belvanto

namespace belvanto {

std::optional<QStringList> CombineClasses(Session& session, const std::vector<UnitKey>& selection)
{
    const HelpTopic help(kCombineHelpTopic);
    const auto unitClass = commonClass(session, selection, QStringLiteral("combine"), help);
    if (!unitClass) return std::nullopt;
    if (*unitClass == kWorkArea) {
        session.ui().error(QStringLiteral("Combine can only be performed for units of class\r\ncontext or group."), help);
        return std::nullopt;
    }
    if (*unitClass == kGroup) return QStringList{kGroup};
    return QStringList{kGroup, kWorkArea};
}

void CombineInto(Session& session, const std::vector<UnitKey>& selection, const UnitKey& container)
{
    Table& units = session.units();
    Table& rels = session.relations();
    const bool intoGroup = UnitClassOf(units, container) == kGroup;
    QStringList skipped;
    {
        WholeTable wholeRelations(rels);
        BulkScope bulk;
        for (const UnitKey& unit : selection) {
            bool inGroup = false;
            for (const auto& row : RowsOfFirst(rels, unit))
                inGroup = inGroup
                    || (CategoryOf(row) == category::PartOf && UnitClassOf(units, SecondUnitOf(row)) == kGroup);
            if (intoGroup && inGroup) {
                skipped << UnitLabel(unit.excavation, unit.unitname, session.project().SingleExcavation);
                continue;
            }
            if (!FindRelationRow(rels, unit, container))
                InsertRelationRow(rels, unit, container, category::PartOf, QString(), status::Stored);
        }
    }
    rels.refresh();
    if (!skipped.isEmpty())
        session.ui().warning(QStringLiteral("Units\r\n%1\r\nare already part of another group.\r\n"
                                            "Relationships not superseded.")
                                 .arg(skipped.join(QStringLiteral("\r\n"))),
                             HelpTopic(kCombineHelpTopic));
}

bool CombineUnits(Session& session, const std::vector<UnitKey>& selection, const UnitKey& container,
                  const QString& containerClass)
{
    UserInterface& ui = session.ui();
    const auto allowed = CombineClasses(session, selection);
    if (!allowed || !CheckExcavationName(ui, container.excavation)) return false;
    QString problem = CheckUnitName(container.unitname);
    if (problem.isEmpty() && !allowed->contains(containerClass))
        problem = QStringLiteral("Result of combination process must not belong to class %1").arg(containerClass);
    if (problem.isEmpty() && UnitExists(session.units(), container))
        problem = QStringLiteral("Unitname %1: %2 already entered").arg(container.excavation, container.unitname);
    if (!problem.isEmpty()) {
        ui.error(problem, HelpTopic(kUnitSaveHelpTopic));
        return false;
    }
    BulkScope bulk;
    CreateUnit(session.units(), container, containerClass);
    CombineInto(session, selection, container);
    LeaveSingleExcavationIfMixed(session);
    return true;
}

UnitEditStart NewUnitStart(Session& session)
{
    return {session.project().CurrentExcavation, QString(), {}, EditMode::New};
}

namespace {

// The unit as the form's edit and split modes open it: with only its class,
// so that the class box offers no change the save would refuse.
std::optional<UnitEditStart> existingUnitStart(Session& session, const UnitKey& unit, EditMode mode)
{
    const auto unitClass = UnitClassOf(session.units(), unit);
    QStringList classes;
    if (unitClass) classes << *unitClass;
    return UnitEditStart{unit.excavation, unit.unitname, classes, mode};
}

} // namespace

std::optional<UnitEditStart> EditUnitStart(Session& session, const std::vector<UnitKey>& selection)
{
    if (selection.size() > 1) {
        session.ui().warning(QStringLiteral("Change multiple units by editing the first unit and \r\n"
                                            "using Arrow-buttons in the unit edit form afterwards."),
                             HelpTopic(kMoveButtonsHelpTopic));
        return std::nullopt;
    }
    const std::vector<UnitKey> keys = selectedOrCurrent(session.units(), selection);
    if (session.units().count() == 0 || keys.empty()) return NewUnitStart(session);
    return existingUnitStart(session, keys.front(), EditMode::Edit);
}

std::optional<UnitEditStart> CopyUnitStart(Session& session, const std::vector<UnitKey>& selection)
{
    if (session.units().count() == 0) {
        session.ui().warning(QStringLiteral("Copying a unit when unit list is empty does not make any sense"));
        return std::nullopt;
    }
    const std::vector<UnitKey> keys = selectedOrCurrent(session.units(), selection);
    if (keys.size() != 1) {
        session.ui().warning(QStringLiteral("You can copy only one unit at a time."), HelpTopic(kCopyUnitHelpTopic));
        return std::nullopt;
    }
    return UnitEditStart{keys.front().excavation, keys.front().unitname, {}, EditMode::Copy};
}

std::optional<UnitEditStart> SplitUnitStart(Session& session, const std::vector<UnitKey>& selection)
{
    if (!SplitAllowed(session, selection)) return std::nullopt;
    return existingUnitStart(session, selectedOrCurrent(session.units(), selection).front(), EditMode::Split);
}

std::optional<UnitEditStart> CombineUnitStart(Session& session, const std::vector<UnitKey>& selection)
{
    const auto classes = CombineClasses(session, selection);
    if (!classes) return std::nullopt;
    return UnitEditStart{session.project().CurrentExcavation, QString(), *classes, EditMode::Combine};
}

std::vector<UnitKey> ContainerMembers(const Table& relTable, const UnitKey& container)
{
    std::vector<UnitKey> members;
    for (const auto& row : RowsOfSecond(relTable, container))
        if (CategoryOf(row) == category::PartOf) members.push_back(firstUnitOf(row));
    std::sort(members.begin(), members.end());
    return members;
}

} // namespace belvanto
