#include "store/Relations.h"
#include "store/UnitKey.h"
#include "core/UserInterface.h"
#include "store/Session.h"
#include "store/Terms.h"

namespace belvanto {

const std::vector<RelationCategory>& RelationCategories()
{
    static const std::vector<RelationCategory> categories{
        {category::Later, QStringLiteral("Later than")},
        {category::Earlier, QStringLiteral("Earlier than")},
        {category::Equal, QStringLiteral("Equal to")},
        {category::Contemporary, QStringLiteral("Contemporary with")},
        {category::PartOf, QStringLiteral("Part of")}};
    return categories;
}

QChar OppositeCategory(QChar code)
{
    if (code == category::Earlier) return category::Later;
    if (code == category::Later) return category::Earlier;
    return code;
}

bool IsRelationCategory(QChar code)
{
    for (const auto& c : RelationCategories())
        if (c.code == code) return true;
    return false;
}

std::vector<FieldDef> RelationTableFields()
{
    return {{QStringLiteral("Excavation1"), FieldType::String, 12, true},
            {QStringLiteral("Unitname1"), FieldType::String, 8, true},
            {QStringLiteral("Excavation2"), FieldType::String, 12, true},
            {QStringLiteral("Unitname2"), FieldType::String, 8, true},
            {QStringLiteral("RelationCat"), FieldType::String, 1, true},
            {QStringLiteral("RelationFull"), FieldType::String, rel::kCommentSize, false},
            {QStringLiteral("RelationStatus"), FieldType::String, 1, false}};
}

IndexDef SecondUnitIndex()
{
    return {QStringLiteral("SecondUnit"), {QStringLiteral("Excavation2"), QStringLiteral("Unitname2")}};
}

void CreateRelationTable(const QString& directory, const QString& tableName)
{
    Table::create(directory, tableName, RelationTableFields(),
                  IndexDef{QString(), {QStringLiteral("Excavation1"), QStringLiteral("Unitname1"),
                                       QStringLiteral("Excavation2"), QStringLiteral("Unitname2")}},
                  {SecondUnitIndex()});
}

void EnsureSecondUnitIndex(Table& relTable)
{
    if (!relTable.hasIndex(SecondUnitIndex().name)) relTable.addIndex(SecondUnitIndex());
}

namespace {

template <class Target>
void setRelationRow(Target& table, const UnitKey& first, const UnitKey& second, QChar code, const QString& comment,
                    const QString& status)
{
    table.set(rel::Excavation1, first.excavation);
    table.set(rel::Unitname1, first.unitname);
    table.set(rel::Excavation2, second.excavation);
    table.set(rel::Unitname2, second.unitname);
    table.set(rel::RelationCat, QString(code));
    table.set(rel::RelationFull, comment);
    table.set(rel::RelationStatus, status);
}

} // namespace

void InsertRelationRow(Table& table, const UnitKey& first, const UnitKey& second, QChar code,
                       const QString& comment, const QString& status)
{
    table.insert();
    setRelationRow(table, first, second, code, comment, status);
    table.post();
}

void InsertRelationRow(TableWriter& table, const UnitKey& first, const UnitKey& second, QChar code,
                       const QString& comment, const QString& status)
{
    setRelationRow(table, first, second, code, comment, status);
    table.append();
}

UnitKey FirstUnit(const Table& relTable)
{
    return {relTable.str(rel::Excavation1), relTable.str(rel::Unitname1)};
}

UnitKey SecondUnit(const Table& relTable)
{
    return {relTable.str(rel::Excavation2), relTable.str(rel::Unitname2)};
}

std::optional<Table::Row> FindRelationRow(const Table& table, const UnitKey& first, const UnitKey& second)
{
    auto rows = table.query(
        QStringLiteral("Excavation1 IS ? AND Unitname1 IS ? AND Excavation2 IS ? AND Unitname2 IS ?"),
        {first.excavation, first.unitname, second.excavation, second.unitname});
    if (rows.empty()) return std::nullopt;
    return std::move(rows.front());
}

std::vector<Table::Row> RowsOfFirst(const Table& table, const UnitKey& first)
{
    return table.query(QStringLiteral("Excavation1 IS ? AND Unitname1 IS ?"),
                       {first.excavation, first.unitname},
                       kRelationKeyOrder);
}

std::vector<Table::Row> RowsOfSecond(const Table& table, const UnitKey& second)
{
    return table.query(QStringLiteral("Excavation2 IS ? AND Unitname2 IS ?"),
                       {second.excavation, second.unitname},
                       kRelationKeyOrder);
}

std::vector<UnitKey> RelatedUnits(const Table& table, const UnitKey& unit, QChar code)
{
    std::vector<UnitKey> result;
    for (const auto& row : RowsOfFirst(table, unit)) {
        if (valueToString(row.values[rel::RelationCat]) != QString(code)) continue;
        UnitKey second{valueToString(row.values[rel::Excavation2]), valueToString(row.values[rel::Unitname2])};
        // The key makes pairs unique; the guard keeps the "each once" promise
        // should a caller pass a table without that key.
        if (result.empty() || !(result.back() == second)) result.push_back(second);
    }
    return result;
}

QString OppositeComment(Session& session, QChar code, const QString& comment)
{
    if (code != category::Earlier && code != category::Later) return QString();
    if (comment.isEmpty()) return QString();
    return TermOppositeComment(session, comment);
}

bool DeleteRelationPair(UserInterface& ui, Table& table, const UnitKey& first, const UnitKey& second)
{
    FilterOff unfiltered(table);
    LinkOff unlinked(table);
    const auto row = FindRelationRow(table, first, second);
    if (!row || !table.gotoRowid(row->rowid)) {
        ui.message(MessageKind::Warning, QStringLiteral("Relation table seems to be corrupt."), Buttons::Ok);
        return false;
    }
    const bool partOf = table.str(rel::RelationCat) == category::PartOf;
    table.del();
    if (partOf) return true;
    const auto opposite = FindRelationRow(table, second, first);
    if (!opposite || !table.gotoRowid(opposite->rowid)) {
        ui.message(MessageKind::Warning, QStringLiteral("Opposite relation: Relation table seems to be corrupt."),
                   Buttons::Ok);
        return true;
    }
    table.del();
    return true;
}

bool DeleteRelationship(UserInterface& ui, Table& table, int level, bool singleRow,
                        const std::optional<UnitKey>& shownFirst)
{
    if (table.count() == 0 || !table.hasRecord()) {
        ui.message(MessageKind::Warning, QStringLiteral("Sorry, deleting nothing does not make any sense."),
                   Buttons::Ok);
        return false;
    }
    const QString code = table.str(rel::RelationCat);
    if (singleRow && (code == category::Equal || code == category::Contemporary)
        && table.str(rel::RelationStatus) != status::New) {
        ui.message(MessageKind::Warning,
                   QStringLiteral("Sorry, deleting established contemporary or equal relations\r\n"
                                  "is only allowed in main window."),
                   Buttons::Ok, HelpTopic(54));
        return false;
    }
    const UnitKey first = FirstUnit(table);
    const UnitKey second = SecondUnit(table);
    if (level == 10) {
        const Answer a = ui.confirmDestructive(
            QStringLiteral("Do you really want to delete the relationship\r\nbetween %1 and %2?")
                .arg(shownFirst.value_or(first).text(), second.text()),
            HelpTopic(54));
        if (a != Answer::Yes) return false;
    }
    bool deleted = true;
    if (singleRow) table.del();
    else deleted = DeleteRelationPair(ui, table, first, second);
    table.refresh();
    return deleted;
}

bool FindRelationshipUnit(UserInterface& ui, Table& unitTable, const Table& relTable, bool firstEnd)
{
    const UnitKey unit = firstEnd ? FirstUnit(relTable) : SecondUnit(relTable);
    if (unitTable.locate(QStringLiteral("Excavation;Unitname"), {unit.excavation, unit.unitname})) return true;
    ui.message(MessageKind::Error, QStringLiteral("Unittable corrupt? Could not find unit %1").arg(unit.text()),
               Buttons::Ok);
    return false;
}

} // namespace belvanto
