#include "GraphFixture.h"
#include "layout/LayoutOrder.h"
#include "support/ScriptedUi.h"
#include <QRegularExpression>
#include <gtest/gtest.h>
#include <algorithm>

namespace belvanto::testing_support {

GraphInput MakeGraphInput(const QStringList& units, const QStringList& relationships, const QString& excavation)
{
    GraphInput input;
    QStringList sorted = units;
    std::sort(sorted.begin(), sorted.end(), [](const QString& a, const QString& b) { return KeyTextLess(a, b); });
    qint64 rowid = 1;
    for (const QString& u : sorted) input.units.push_back({{excavation, u}, true, rowid++});
    for (QString r : relationships) {
        const bool oneRow = r.endsWith(QLatin1Char('!'));
        if (oneRow) r.chop(1);
        const qsizetype at = r.indexOf(QRegularExpression(QStringLiteral("[<>=-]")));
        const QChar code = r[at];
        const UnitKey a{excavation, r.left(at)}, b{excavation, r.mid(at + 1)};
        input.relations.push_back({a, b, code});
        if (!oneRow) {
            const QChar opposite = code == QLatin1Char('<') ? QLatin1Char('>') : code == QLatin1Char('>') ? QLatin1Char('<') : code;
            input.relations.push_back({b, a, opposite});
        }
    }
    std::sort(input.relations.begin(), input.relations.end(), [](const GraphRelation& x, const GraphRelation& y) {
        if (const int c = CompareKeyText(x.first.unitname, y.first.unitname)) return c < 0;
        return CompareKeyText(x.second.unitname, y.second.unitname) < 0;
    });
    return input;
}

RelationGraph BuildGraph(const GraphInput& input, bool singleExcavation)
{
    ScriptedUi ui;
    RelationGraph graph;
    EXPECT_TRUE(BuildRelationGraph(ui, graph, input.units, input.relations, GraphMode::Normal, singleExcavation));
    return graph;
}

std::vector<int> Levels(const RelationGraph& graph)
{
    std::vector<int> levels;
    for (const auto& node : graph.nodes) levels.push_back(node.Level);
    return levels;
}

} // namespace belvanto::testing_support
