#include "PlacementFixture.h"
#include "core/Random.h"
#include "layout/LayoutOrder.h"
#include "support/ScriptedUi.h"
#include <QtEndian>
#include <gtest/gtest.h>
#include <algorithm>
#include <set>

namespace belvanto::testing_support {

namespace {

QString field(const OptionalInt& v)
{
    return v ? QString::number(*v) : QStringLiteral("~");
}

QString field(const QString& s)
{
    return s.isEmpty() ? QStringLiteral("~") : s;
}

} // namespace

std::optional<PlacedLayout> PlaceInput(const GraphInput& input, quint32 seed, const PlacementOptions& options,
                                       const std::vector<OptionalInt>& x)
{
    ScriptedUi ui;
    RelationGraph graph;
    EXPECT_TRUE(BuildRelationGraph(ui, graph, input.units, input.relations, GraphMode::Normal, true));
    Protocol protocol;
    const LevelResult levels = AssignNodeLevels(ui, graph, protocol, LevelOptions{});
    EXPECT_TRUE(levels.ok()) << protocol.lines().join(QLatin1Char('\n')).toStdString();
    PlacementInput placement;
    for (std::size_t i = 0; i < graph.nodes.size(); ++i) {
        ContextInput c;
        c.key = graph.nodes[i].Key;
        c.level = graph.nodes[i].Level;
        if (i < x.size()) c.x = x[i];
        placement.contexts.push_back(c);
    }
    for (const GraphRelation& r : input.relations)
        if (r.category == QLatin1Char('=') || r.category == QLatin1Char('<') || r.category == QLatin1Char('>'))
            placement.relationRows.push_back(r);
    RandomGenerator random(seed);
    auto work = PlaceContexts(ui, placement, graph, random, options);
    if (!work) return std::nullopt;
    return RoutePlacement(ui, std::move(*work), options, {});
}

QString UnitRow(const PlacementUnit& u)
{
    return QStringList{u.key.text(), field(u.Unitclass), field(u.Clevel), field(u.CXPos), QStringLiteral("|"),
                       field(u.XStart), field(u.XStop), field(u.YLevelStart), field(u.YLevelStop), QStringLiteral("|"),
                       field(u.NestCt), field(u.SonCt), field(u.FatherCt), QStringLiteral("|"), field(u.Colour),
                       field(u.BoxStyle), field(u.ThemColour), field(u.ThemBoxStyle), QStringLiteral("|"),
                       field(u.GExcavation), field(u.GUnitname)}
        .join(QLatin1Char(' '));
}

QStringList UnitRows(const PlacedLayout& layout)
{
    QStringList rows;
    for (const PlacementUnit& u : layout.units) rows << UnitRow(u);
    return rows;
}

QStringList LineRows(const PlacedLayout& layout)
{
    QStringList rows;
    for (const PlacementLine& l : layout.lines)
        rows << QStringList{layout.units[std::size_t(l.first)].key.text() + l.category
                                + layout.units[std::size_t(l.second)].key.text(),
                            QStringLiteral("|"), field(l.YSubLevel), field(l.YLevel1), field(l.YLevel2), field(l.XPos1),
                            field(l.XPos2), QStringLiteral("|"), field(l.NestCt2), field(l.RelCount), field(l.Port1),
                            field(l.Port2)}
                    .join(QLatin1Char(' '));
    return rows;
}

std::vector<qint32> ParameterInts(const LayoutParameters& parameters)
{
    const QByteArray bytes = SerializeLayoutParameters(parameters);
    std::vector<qint32> ints;
    for (qsizetype i = 0; i + 4 <= bytes.size(); i += 4) ints.push_back(qFromLittleEndian<qint32>(bytes.constData() + i));
    return ints;
}

GraphInput GenerateStratigraphy(int n, quint32 seed)
{
    RandomGenerator random(seed);
    // Classes level by level from the top, 1 to 16 on a level; a class is
    // earlier than one or two classes of the level above and now and then
    // than one up to five levels higher, so that every class stands on its
    // own level and the long relationships stay short.
    std::vector<std::vector<int>> classes;
    std::vector<QChar> classKind;                  // '=', '-' or none
    std::vector<std::vector<int>> classesOfLevel{{}};
    for (int unit = 0; unit < n;) {
        classesOfLevel.emplace_back();
        const int width = 1 + int(random.nextInt(16));
        for (int w = 0; w < width && unit < n; ++w) {
            const quint32 roll = random.nextInt(100);
            int size = 1;
            QChar kind;
            if (roll < 6) {
                size = 2 + int(random.nextInt(2));
                kind = QLatin1Char('=');
            } else if (roll < 12) {
                size = 2;
                kind = QLatin1Char('-');
            }
            size = std::min(size, n - unit);
            std::vector<int> members;
            for (int i = 0; i < size; ++i) members.push_back(unit++);
            classesOfLevel.back().push_back(int(classes.size()));
            classes.push_back(members);
            classKind.push_back(size > 1 ? kind : QChar());
        }
    }
    auto name = [](int unit) { return QString::number(unit + 1); };
    GraphInput input;
    std::set<std::pair<int, int>> pairs;
    auto add = [&](int a, int b, QChar code) {
        if (!pairs.insert({a, b}).second) return;
        input.relations.push_back({{QStringLiteral("E"), name(a)}, {QStringLiteral("E"), name(b)}, code});
    };
    auto pick = [&](const std::vector<int>& from) { return from[random.nextInt(quint32(from.size()))]; };
    for (std::size_t level = 1; level < classesOfLevel.size(); ++level)
        for (int c : classesOfLevel[level]) {
            const auto& members = classes[std::size_t(c)];
            if (!classKind[std::size_t(c)].isNull())
                for (int a : members)
                    for (int b : members)
                        if (a != b) add(a, b, classKind[std::size_t(c)]);
            if (level == 1) continue;
            const int links = 1 + int(random.nextInt(2));
            for (int k = 0; k <= links; ++k) {
                std::size_t upper = level - 1;
                if (k == links) {   // the long one, now and then
                    if (random.nextInt(100) >= 8) continue;
                    const std::size_t up = 2 + random.nextInt(4);
                    if (up >= level) continue;
                    upper = level - up;
                }
                const int earlier = pick(members);
                const int later = pick(classes[std::size_t(pick(classesOfLevel[upper]))]);
                if (pairs.count({later, earlier})) continue;
                add(later, earlier, QLatin1Char('>'));
                add(earlier, later, QLatin1Char('<'));
            }
        }
    QStringList names;
    for (int u = 0; u < n; ++u) names << name(u);
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) { return KeyTextLess(a, b); });
    qint64 rowid = 1;
    for (const QString& u : names) input.units.push_back({{QStringLiteral("E"), u}, true, rowid++});
    std::sort(input.relations.begin(), input.relations.end(), [](const GraphRelation& x, const GraphRelation& y) {
        if (const int c = CompareKeyText(x.first.unitname, y.first.unitname)) return c < 0;
        return CompareKeyText(x.second.unitname, y.second.unitname) < 0;
    });
    return input;
}

} // namespace belvanto::testing_support
