#include "exchange/DotExport.h"
#include "store/UnitKey.h"
#include "core/UserInterface.h"
#include "store/Relations.h"
#include "store/Table.h"
#include "store/UnitFields.h"
#include <QDir>
#include <QSaveFile>
#include <QSet>

namespace belvanto {

namespace {

// A DOT double-quoted string.
QString quoted(const QString& text)
{
    QString escaped = text;
    escaped.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    escaped.replace(QLatin1Char('"'), QStringLiteral("\\\""));
    return QLatin1Char('"') + escaped + QLatin1Char('"');
}

} // namespace

QString DotGraph(Table& unitTable, Table& relationTable, bool singleExcavation, const QString& graphName)
{
    QString text;
    text += QStringLiteral("digraph ") + quoted(graphName) + QStringLiteral(" {\n");
    text += QStringLiteral("  node [shape=box];\n");
    QSet<QString> contexts;
    for (const auto& row : unitTable.query(QStringLiteral("Unitclass = ?"), {kContext},
                                           kUnitKeyOrder)) {
        const QString excavation = valueToString(row.values[uf::Excavation]);
        const QString unitname = valueToString(row.values[uf::Unitname]);
        const UnitKey key{excavation, unitname};
        contexts.insert(key.text());
        text += QStringLiteral("  ") + quoted(key.text()) + QStringLiteral(" [label=")
                + quoted(UnitLabel(excavation, unitname, singleExcavation)) + QStringLiteral("];\n");
    }
    for (const auto& row : relationTable.query(QStringLiteral("RelationCat = '>'"), {},
                                               kRelationKeyOrder)) {
        const UnitKey later{valueToString(row.values[rel::Excavation1]), valueToString(row.values[rel::Unitname1])};
        const UnitKey earlier{valueToString(row.values[rel::Excavation2]), valueToString(row.values[rel::Unitname2])};
        if (!contexts.contains(later.text()) || !contexts.contains(earlier.text())) continue;
        text += QStringLiteral("  ") + quoted(later.text()) + QStringLiteral(" -> ") + quoted(earlier.text())
                + QStringLiteral(";\n");
    }
    text += QStringLiteral("}\n");
    return text;
}

bool ExportDot(UserInterface& ui, Table& unitTable, Table& relationTable, bool singleExcavation,
               const QString& graphName, const QString& path)
{
    const QByteArray bytes = DotGraph(unitTable, relationTable, singleExcavation, graphName).toUtf8();
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        ui.error(QStringLiteral("Could not write %1").arg(QDir::toNativeSeparators(path)));
        return false;
    }
    return true;
}

} // namespace belvanto
