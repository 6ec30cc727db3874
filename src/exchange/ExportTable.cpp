#include "exchange/ExportTable.h"

#include "store/Relations.h"
#include "store/Session.h"
#include "store/UnitFields.h"

#include <QHash>
#include <array>

namespace belvanto {

namespace {

constexpr int kFirstExportedField = uf::Unitclass;
constexpr int kLastExportedField = uf::FindCat;
constexpr int kCategoryCount = 5;

QString unitText(const QString& excavation, const QString& unitname, bool singleExcavation)
{
    return singleExcavation ? unitname : excavation + QLatin1Char(':') + unitname;
}

QString keyOf(const QString& excavation, const QString& unitname)
{
    return excavation + QChar(u'\x1f') + unitname;
}

} // namespace

ExportTable CollectExportTable(Session& session)
{
    const bool single = session.project().SingleExcavation;
    const UnitFieldCatalogue& catalogue = session.catalogue();
    const auto& categories = RelationCategories();

    // The relationship rows come in table order, so each unit's lists are in
    // the order of the second unit's key.
    QHash<QString, std::array<QStringList, kCategoryCount>> lists;
    for (const Table::Row& row : session.relations().query(
             QString(), {}, QStringLiteral("Excavation1, Unitname1, Excavation2, Unitname2"))) {
        const QString code = valueToString(row.values[rel::RelationCat]);
        int c = 0;
        while (c < kCategoryCount && QString(categories[c].code) != code) ++c;
        if (c == kCategoryCount) continue;
        lists[keyOf(valueToString(row.values[rel::Excavation1]), valueToString(row.values[rel::Unitname1]))][c]
            .append(unitText(valueToString(row.values[rel::Excavation2]),
                             valueToString(row.values[rel::Unitname2]), single));
    }

    std::vector<Table::Row> units = session.units().query(QString(), {}, QStringLiteral("Excavation, Unitname"));
    std::array<bool, kUnitFieldCount> used{};
    std::array<int, kCategoryCount> longest{};
    std::vector<std::array<QString, kCategoryCount>> joined(units.size());
    for (size_t u = 0; u < units.size(); ++u) {
        const auto& values = units[u].values;
        for (int f = kFirstExportedField; f <= kLastExportedField; ++f)
            used[f] = used[f] || !valueIsEmpty(values[f]);
        const auto it = lists.constFind(keyOf(valueToString(values[uf::Excavation]),
                                              valueToString(values[uf::Unitname])));
        if (it == lists.constEnd()) continue;
        for (int c = 0; c < kCategoryCount; ++c) {
            joined[u][c] = (*it)[c].join(QStringLiteral(", "));
            longest[c] = std::max(longest[c], int(joined[u][c].size()));
        }
    }

    ExportTable table;
    if (single)
        table.columns.push_back({catalogue[uf::Unitname].Name, FieldType::String, catalogue[uf::Unitname].Size, -1, QChar()});
    else
        table.columns.push_back({QStringLiteral("Excavation_Unitname"), FieldType::String,
                                 catalogue[uf::Excavation].Size + catalogue[uf::Unitname].Size + 1, -1, QChar()});
    for (int f = kFirstExportedField; f <= kLastExportedField; ++f)
        if (used[f])
            table.columns.push_back({catalogue[f].Name, catalogue[f].Type, catalogue[f].Size, f, QChar()});
    for (int c = 0; c < kCategoryCount; ++c)
        if (longest[c] > 0)
            table.columns.push_back({categories[c].explanation, FieldType::String, longest[c], -1, categories[c].code});

    table.rows.reserve(units.size());
    for (size_t u = 0; u < units.size(); ++u) {
        const auto& values = units[u].values;
        std::vector<Value> row;
        row.reserve(table.columns.size());
        for (const ExportColumn& column : table.columns) {
            if (column.field >= 0) {
                row.push_back(values[column.field]);
            } else if (column.isList()) {
                int c = 0;
                while (categories[c].code != column.category) ++c;
                row.push_back(joined[u][c].isEmpty() ? Value() : Value(joined[u][c]));
            } else {
                row.push_back(unitText(valueToString(values[uf::Excavation]),
                                       valueToString(values[uf::Unitname]), single));
            }
        }
        table.rows.push_back(std::move(row));
    }
    return table;
}

TextFileResult ExportFailure(const QString& text)
{
    TextFileResult r;
    r.ok = false;
    r.error = text;
    return r;
}

} // namespace belvanto
