#include "checks/PairFixture.h"
#include "checks/PairTest.h"
#include <QRandomGenerator>
#include <map>
#include <set>

using namespace belvanto;
using namespace belvanto::pair_testing;

namespace {

const QString kSelectTwo = QStringLiteral("Select two contexts (press <Ctrl>-key and click) before starting this check.");
const QString kOnlyContexts = QStringLiteral("Check can only be performed for units of class context");

std::vector<UnitKey> keys(const QStringList& names)
{
    std::vector<UnitKey> result;
    for (const QString& name : names) result.push_back(key(name));
    return result;
}

void setMark(SmallProject& p, const QString& unit, const QString& mark)
{
    Table& units = p.session.units();
    ASSERT_TRUE(units.locate(QStringLiteral("Excavation;Unitname"), {key(unit).excavation, key(unit).unitname}));
    units.edit();
    units.set(uf::Selected, mark);
    units.post();
}

} // namespace

TEST(PairTest, PathsMessagesAndMarks)
{
    struct Case {
        const char* name;
        QStringList contexts;
        QStringList groups;
        QStringList relations;
        QStringList selected;
        std::vector<Message> messages;
        std::optional<QStringList> lines;
        QStringList marks;   // after the test; before it, 101 holds "X"
        bool singleExcavation = true;
    };
    const QString noRelations = QStringLiteral("There are no stratigraphic relations between %1 and %2");
    const Case cases[] = {
        {"one unit selected", {"101", "200"}, {}, {"101 > 200"}, {"101"}, {{MessageKind::Warning, kSelectTwo}},
         std::nullopt, {"101=X"}},
        {"three units selected", {"101", "200", "300"}, {}, {"101 > 200", "200 > 300"}, {"101", "200", "300"},
         {{MessageKind::Warning, kSelectTwo}}, std::nullopt, {"101=X"}},
        {"a group selected second", {"101"}, {"G"}, {"101 p G"}, {"101", "G"}, {{MessageKind::Error, kOnlyContexts}},
         std::nullopt, {"101=X"}},
        {"a group selected first", {"101"}, {"G"}, {"101 p G"}, {"G", "101"}, {{MessageKind::Error, kOnlyContexts}},
         std::nullopt, {"101=X"}},
        {"first above second", {"101", "200"}, {}, {"101 > 200"}, {"101", "200"}, {},
         QStringList{"Connection between 101 and 200:", "", "101", "> 200"}, {}},
        {"second above first: the path starts at the second", {"101", "200"}, {}, {"101 > 200"}, {"200", "101"}, {},
         QStringList{"Connection between 101 and 200:", "", "101", "> 200"}, {}},
        {"related only through a common group", {"101", "102"}, {"G"}, {"101 p G", "102 p G"}, {"101", "102"},
         {{MessageKind::Information, noRelations.arg("101", "102")}}, std::nullopt, {}},
        {"the path comes back to its start once", {"101", "102", "200"}, {}, {"101 = 102", "101 > 200"},
         {"101", "200"}, {}, QStringList{"Connection between 101 and 200:", "", "101", "= 102", "= 101", "> 200"},
         {"101=X", "102=X"}},
        {"contemporary and equal steps between later and earlier", {"101", "102", "103", "104"}, {},
         {"101 > 102", "102 - 103", "103 > 104"}, {"101", "104"}, {},
         QStringList{"Connection between 101 and 104:", "", "101", "> 102", "- 103", "> 104"}, {"102=X", "103=X"}},
        // The failed first search marked 300; the second search's marks replace them.
        {"the marks of the last search stay", {"101", "150", "200", "300"}, {},
         {"101 > 150", "150 > 200", "200 > 300"}, {"200", "101"}, {},
         QStringList{"Connection between 101 and 200:", "", "101", "> 150", "> 200"}, {"150=X"}},
        // 110 and 111 are a dead end: visited and marked, but not on the path.
        {"a dead end is left", {"101", "110", "111", "120", "200"}, {},
         {"101 > 110", "101 > 120", "110 > 111", "120 > 200"}, {"101", "200"}, {},
         QStringList{"Connection between 101 and 200:", "", "101", "> 120", "> 200"}, {"110=X", "111=X", "120=X"}},
        {"a missing unit ends the walk of its unit", {"101", "200"}, {}, {"101 >! 150", "101 > 200"}, {"101", "200"},
         {{MessageKind::Error, "Unittable corrupt? Could not find unit E:150"},
          {MessageKind::Information, noRelations.arg("101", "200")}},
         std::nullopt, {}},
        {"several excavations name the excavation", {"A:1", "B:\u00C6r\u00F85"}, {}, {"A:1 > B:\u00C6r\u00F85"},
         {"B:\u00C6r\u00F85", "A:1"}, {},
         QStringList{"Connection between A:1 and B:\u00C6r\u00F85:", "", "A:1", "> B:\u00C6r\u00F85"}, {}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SmallProject p(c.singleExcavation);
        p.contexts(c.contexts);
        p.units(c.groups, kGroup);
        p.relate(c.relations);
        if (c.contexts.contains("101")) setMark(p, "101", "X");
        Table& units = p.session.units();
        Table& relations = p.session.relations();
        units.setFilter(QStringLiteral("Unitname <> 'zzz'"));
        relations.setFilter(QStringLiteral("RelationCat <> 'x'"));
        relations.setFiltered(false);
        p.expect(c.messages);

        EXPECT_EQ(TestContextPair(p.session, keys(c.selected)), c.lines);
        EXPECT_EQ(p.marks(), c.marks);
        EXPECT_TRUE(units.filtered());
        EXPECT_EQ(units.filterText(), QStringLiteral("Unitname <> 'zzz'"));
        EXPECT_FALSE(relations.filtered());
        EXPECT_EQ(relations.filterText(), QStringLiteral("RelationCat <> 'x'"));
        p.ui.verifyDone();
    }
}

TEST(PairTest, StatusNamesThePairAndIsClearedAfterwards)
{
    SmallProject p(true);
    p.contexts({"101", "200"});
    p.relate({"101 > 200"});
    const qsizetype statuses = p.ui.statuses().size();
    ASSERT_TRUE(TestContextPair(p.session, keys({"200", "101"})));
    EXPECT_EQ(p.ui.statuses().mid(statuses), (QStringList{"Testing relations between 200 and 101", ""}));
}

TEST(PairTest, ProjectOpenedForReadingKeepsItsMarks)
{
    SmallProject p(true);
    p.contexts({"101", "150", "200"});
    p.relate({"101 > 150", "150 > 200"});
    setMark(p, "200", "X");
    const QString file = p.session.project().ProjectFilePath;
    ASSERT_TRUE(CloseProject(p.session, true));
    ASSERT_TRUE(OpenProject(p.session, file, false, OpenMode::ReadOnly));
    EXPECT_EQ(TestContextPair(p.session, keys({"101", "200"})),
              (QStringList{"Connection between 101 and 200:", "", "101", "> 150", "> 200"}));
    EXPECT_EQ(p.marks(), QStringList{"200=X"});
}

namespace {

// The search as first described: each step walks the unit's rows from the
// first one again. The test's own graph: units 0..n-1 named "1000" + i, so
// that number order is key order, and rows (from, to, category) per unit in
// key order of `to`.
struct Reference {
    std::vector<std::map<int, QChar>> rows;

    std::vector<std::pair<int, QChar>> search(int from, int to, std::vector<bool>& marked) const
    {
        marked.assign(rows.size(), false);
        std::vector<std::pair<int, QChar>> stack{{from, QChar()}};
        while (!stack.empty()) {
            const int unit = stack.back().first;
            if (stack.size() > 1) marked[std::size_t(unit)] = true;
            std::optional<std::pair<int, QChar>> next;
            for (const auto& [second, category] : rows[std::size_t(unit)]) {
                if (category == QLatin1Char('<') || second == unit || marked[std::size_t(second)]) continue;
                next = {second, category};
                break;
            }
            if (!next) {
                stack.pop_back();
                continue;
            }
            stack.push_back(*next);
            if (next->first == to) return stack;
        }
        return {};
    }
};

QString unitName(int i)
{
    return QString::number(1000 + i);
}

} // namespace

// Random layered projects with equal and contemporary rows: the path and the
// marks equal those of a search that walks every unit's rows from the start
// at each step.
TEST(PairTest, SameAsWalkingEachUnitsRowsFromTheStart)
{
    QRandomGenerator random(20261210);
    for (int round = 0; round < 30; ++round) {
        SCOPED_TRACE(round);
        const int n = 6 + int(random.bounded(20));
        Reference reference;
        reference.rows.resize(std::size_t(n));
        QStringList names;
        for (int i = 0; i < n; ++i) names << unitName(i);
        QStringList relations;
        // Later units have lower numbers; equal and contemporary rows may
        // join any two, so paths go sideways and back.
        for (int i = 0; i < n; ++i)
            for (int j = i + 1; j < n; ++j) {
                const quint32 draw = random.bounded(100);
                QChar category;
                if (draw < 12) category = QLatin1Char('>');
                else if (draw < 16) category = QLatin1Char('=');
                else if (draw < 19) category = QLatin1Char('-');
                else continue;
                relations << unitName(i) + QLatin1Char(' ') + category + QLatin1Char(' ') + unitName(j);
                reference.rows[std::size_t(i)][j] = category;
                reference.rows[std::size_t(j)][i] = OppositeCategory(category);
            }
        const int a = int(random.bounded(n));
        int b = int(random.bounded(n - 1));
        if (b >= a) ++b;

        std::vector<bool> marked;
        auto path = reference.search(a, b, marked);
        if (path.empty()) path = reference.search(b, a, marked);
        std::optional<QStringList> lines;
        QStringList marks;
        for (int i = 0; i < n; ++i)
            if (marked[std::size_t(i)]) marks << unitName(i) + QStringLiteral("=X");
        SmallProject p(true);
        p.contexts(names);
        p.relate(relations);
        if (path.empty()) {
            p.ui.expectInformation(QStringLiteral("There are no stratigraphic relations between %1 and %2")
                                       .arg(unitName(a), unitName(b)));
        } else {
            lines = QStringList{QStringLiteral("Connection between %1 and %2:")
                                    .arg(unitName(path.front().first), unitName(path.back().first)),
                                QString(), unitName(path.front().first)};
            for (std::size_t i = 1; i < path.size(); ++i)
                *lines << QString(path[i].second) + QLatin1Char(' ') + unitName(path[i].first);
        }
        EXPECT_EQ(TestContextPair(p.session, keys({unitName(a), unitName(b)})), lines);
        EXPECT_EQ(p.marks(), marks);
    }
}
