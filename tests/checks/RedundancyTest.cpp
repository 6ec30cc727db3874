// The redundancy test: which links it finds and in which order, the marks
// and deletions in the relationship table, field mode on a layout relation
// table, the fast search against the link-by-link one and against a plain
// transitive reduction, and what it changes in a layout.
#include "RedundancyReference.h"
#include "checks/Redundancy.h"
#include "core/Regional.h"
#include "editing/AddRelationship.h"
#include "layout/LayoutFiles.h"
#include "layout/PlacementRun.h"
#include "store/LayoutFileNames.h"
#include "store/Project.h"
#include "simulation/Simulation.h"
#include "store/Relations.h"
#include "store/Session.h"
#include "support/ScriptedUi.h"
#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <algorithm>
#include <deque>
#include <random>
#include <set>

using namespace belvanto;
using namespace belvanto::testing_support;

namespace {

const QString kExcavation = QStringLiteral("E");

UnitKey unit(const QString& name)
{
    return {kExcavation, name};
}

class Redundancy : public ::testing::Test {
protected:
    QTemporaryDir dir;
    ScriptedUi ui;
    FixedRegional regional;
    Session session{ui, regional};

    void SetUp() override { open(QStringLiteral("P")); }
    void TearDown() override
    {
        CloseProject(session, true);
        ui.verifyDone();
    }

    void open(const QString& folder)
    {
        ASSERT_TRUE(QDir(dir.path()).mkpath(folder));
        ASSERT_TRUE(CreateProjectFiles(session, dir.filePath(folder + QStringLiteral("/P.bvp")), kExcavation, QString(),
                                       true));
    }

    // "A>B" stores both rows, "D<A!" only the row as written; the units are
    // made as they first appear.
    void enter(const QStringList& relationships)
    {
        std::set<QString> made;
        for (const auto& row : session.units().query(QString(), {})) made.insert(valueToString(row.values[uf::Unitname]));
        for (QString r : relationships) {
            const bool oneRow = r.endsWith(QLatin1Char('!'));
            if (oneRow) r.chop(1);
            const qsizetype at = r.indexOf(QRegularExpression(QStringLiteral("[<>=-]")));
            const QString a = r.left(at), b = r.mid(at + 1);
            for (const QString& name : {a, b})
                if (made.insert(name).second) CreateUnit(session.units(), unit(name), kContext);
            InsertRelationRow(session.relations(), unit(a), unit(b), r[at], QString(), status::Stored);
            if (!oneRow)
                InsertRelationRow(session.relations(), unit(b), unit(a), OppositeCategory(r[at]), QString(), status::Stored);
        }
    }

    void remove(const QString& a, const QString& b)
    {
        ASSERT_TRUE(DeleteRelationPair(ui, session.relations(), unit(a), unit(b)));
    }

    // Every row in key order: "A>D R".
    QStringList rows()
    {
        QStringList text;
        for (const auto& r : session.relations().query(QString(), {}, QStringLiteral("Excavation1, Unitname1, Excavation2, Unitname2")))
            text << valueToString(r.values[rel::Unitname1]) + valueToString(r.values[rel::RelationCat])
                        + valueToString(r.values[rel::Unitname2]) + QLatin1Char(' ')
                        + valueToString(r.values[rel::RelationStatus]);
        return text;
    }

    // The cycle check and the test, as a check run makes them.
    QStringList check(bool deleteRedundant, ReportMode mode = ReportMode::Detailed, RelationGraph* kept = nullptr)
    {
        Protocol protocol(mode);
        RelationGraph graph;
        EXPECT_TRUE(RunCycleCheck(session, graph, protocol).ok());
        RedundancyOptions options;
        options.deleteRedundant = deleteRedundant;
        const int counted = RedundancyTest(ui, graph, session.relations(), protocol, options);
        EXPECT_TRUE(protocol.lines().last().startsWith(QString::number(counted) + QLatin1Char(' ')));
        if (kept) *kept = graph;
        return protocol.lines();
    }
};

TEST_F(Redundancy, FindsShortcutsInListOrderAndMarksBothRows)
{
    struct Case {
        const char* name;
        QStringList relationships;
        QStringList lines;     // after the cycle check's
        QStringList marked;    // rows with "R"
    };
    const Case cases[] = {
        {"a shortcut of a chain of two", {"A>B", "B>D", "A>D"},
         {"Redundant: link from E:A down to E:D", "1 redundant relationships found."}, {"A>D R", "D<A R"}},
        // EarlierList(A) is [D, C, B]: D is reported before C.
        {"the list order, not the key order", {"A>B", "B>C", "B>D", "A>C", "A>D"},
         {"Redundant: link from E:A down to E:D", "Redundant: link from E:A down to E:C",
          "2 redundant relationships found."},
         {"A>C R", "A>D R", "C<A R", "D<A R"}},
        {"a chain through an equal unit", {"A>D", "A>B", "B=D"}, {"0 redundant relationships found."}, {}},
        {"a chain through a contemporary unit", {"A>B", "B-C", "C>D", "A>D"}, {"0 redundant relationships found."}, {}},
        {"a single earlier unit each", {"A>B", "B>C", "C>D"}, {"0 redundant relationships found."}, {}},
        {"two chains to one unit", {"A>B", "A>C", "B>D", "C>D"}, {"0 redundant relationships found."}, {}},
        {"a shortcut over a longer chain", {"A>B", "B>C", "C>D", "D>F", "A>F", "B>F"},
         {"Redundant: link from E:A down to E:F", "Redundant: link from E:B down to E:F",
          "2 redundant relationships found."},
         {"A>F R", "B>F R", "F<A R", "F<B R"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CloseProject(session, true);
        open(QString::fromUtf8(c.name));
        enter(c.relationships);
        EXPECT_EQ(check(false), QStringList({"No cycles found.", ""}) + c.lines);
        QStringList marked = rows().filter(QRegularExpression(QStringLiteral(" R$")));
        EXPECT_EQ(marked, c.marked);
        // The short report keeps the count line alone.
        EXPECT_EQ(check(false, ReportMode::Summary).last(), c.lines.last());
    }
}

TEST_F(Redundancy, TakesRedundantLinksOutOfTheLaterLists)
{
    enter({"A>B", "B>C", "B>D", "A>C", "A>D"});
    RelationGraph graph;
    check(false, ReportMode::Detailed, &graph);
    auto later = [&](const char* name) {
        std::vector<QString> names;
        for (int n : graph.nodes[std::size_t(graph.nodeOf(unit(QString::fromUtf8(name))))].LaterList)
            names.push_back(graph.nodes[std::size_t(n)].Key.unitname);
        return names;
    };
    EXPECT_EQ(later("C"), std::vector<QString>{"B"});
    EXPECT_EQ(later("D"), std::vector<QString>{"B"});
    EXPECT_EQ(later("B"), std::vector<QString>{"A"});
    // The earlier lists keep every link.
    EXPECT_EQ(graph.nodes[std::size_t(graph.nodeOf(unit("A")))].EarlierList.size(), 3u);
}

TEST_F(Redundancy, DeletesBothRowsOfEveryRedundantLink)
{
    enter({"A>B", "B>C", "B>D", "A>C", "A>D"});
    check(true);
    EXPECT_EQ(rows(), QStringList({"A>B u", "B<A u", "B>C u", "B>D u", "C<B u", "D<B u"}));
    EXPECT_EQ(ui.statuses().filter(QStringLiteral("Deleting")), QStringList{"Deleting redundant relationships"});
}

TEST_F(Redundancy, AMissingUpperRowIsReportedAndNotCounted)
{
    // Only D's row: the graph has the link, the table lacks (A, D).
    enter({"A>B", "B>D", "D<A!"});
    ui.expectWarning(QStringLiteral("Reltable corrupt?"));
    RelationGraph graph;
    EXPECT_EQ(check(true, ReportMode::Detailed, &graph),
              QStringList({"No cycles found.", "", "0 redundant relationships found."}));
    EXPECT_EQ(rows(), QStringList({"A>B u", "B<A u", "B>D u", "D<A u", "D<B u"}));
    // For the graph the link is still redundant: no line will be drawn.
    EXPECT_FALSE(graph.nodes[std::size_t(graph.nodeOf(unit("D")))].LaterList.contains(graph.nodeOf(unit("A"))));
}

TEST_F(Redundancy, OldMarksAreClearedAndNeverDeleted)
{
    enter({"A>B", "B>D", "A>D"});
    check(false);
    EXPECT_EQ(rows(), QStringList({"A>B u", "A>D R", "B<A u", "B>D u", "D<A R", "D<B u"}));

    // Without B>D the link A>D carries the order of A and D alone; a new
    // shortcut elsewhere must not take it with it.
    remove(QStringLiteral("B"), QStringLiteral("D"));
    enter({"X>Y", "Y>Z", "X>Z"});
    check(true);
    EXPECT_EQ(rows(), QStringList({"A>B u", "A>D u", "B<A u", "D<A u", "X>Y u", "Y<X u", "Y>Z u", "Z<Y u"}));
}

TEST_F(Redundancy, MarksStayWhileTheLinkIsStillRedundant)
{
    enter({"A>B", "B>D", "A>D"});
    check(false);
    EXPECT_EQ(check(false).mid(2), QStringList({"Redundant: link from E:A down to E:D", "1 redundant relationships found."}));
    EXPECT_EQ(rows(), QStringList({"A>B u", "A>D R", "B<A u", "B>D u", "D<A R", "D<B u"}));
}

TEST_F(Redundancy, ShowsProgressEveryTenNodes)
{
    QStringList chain;
    for (int i = 0; i < 21; ++i)
        chain << QStringLiteral("U%1>U%2").arg(i, 2, 10, QLatin1Char('0')).arg(i + 1, 2, 10, QLatin1Char('0'));
    enter(chain);
    check(false);
    EXPECT_EQ(ui.statuses().filter(QStringLiteral("Testing Redundant")),
              QStringList({"Testing Redundant 0 of 22", "Testing Redundant 10 of 22", "Testing Redundant 20 of 22"}));
}

// --- field mode -------------------------------------------------------------------------

TEST(RedundancyFieldMode, MarksTheEarlierRowOfTheWorkingTable)
{
    QTemporaryDir dir;
    Table::create(dir.path(), kTempRelTable, RelLayoutFields(), RelLayoutPrimaryIndex());
    Table table;
    table.open(dir.path(), kTempRelTable, true);
    // A over B over D, and A over D directly; both rows of a link but the
    // upper one of A over D, which field mode never looks for.
    const std::vector<std::pair<QString, QString>> links{{"A", "B"}, {"B", "D"}, {"A", "D"}};
    for (const auto& [upper, lower] : links)
        for (bool earlierRow : {false, true}) {
            if (!earlierRow && upper == "A" && lower == "D") continue;
            table.insert();
            table.set(rl::Excavation1, kExcavation);
            table.set(rl::Unitname1, earlierRow ? lower : upper);
            table.set(rl::Excavation2, kExcavation);
            table.set(rl::Unitname2, earlierRow ? upper : lower);
            table.set(rl::RelationCat, QString(earlierRow ? category::Earlier : category::Later));
            table.set(rl::NestCt2, qint32(0));
            table.post();
        }
    auto content = [&] {
        QStringList text;
        for (const auto& r : table.query(QString(), {}, QStringLiteral("Excavation1, Unitname1, Excavation2, Unitname2")))
            text << valueToString(r.values[rl::Unitname1]) + valueToString(r.values[rl::RelationCat])
                        + valueToString(r.values[rl::Unitname2]) + QLatin1Char(' ') + valueToString(r.values[rl::NestCt2]);
        return text;
    };

    for (bool deleteRedundant : {false, true}) {
        SCOPED_TRACE(deleteRedundant);
        ScriptedUi ui;
        RelationGraph graph;
        std::vector<GraphUnit> units;
        for (const char* name : {"A", "B", "D"}) units.push_back({unit(QString::fromUtf8(name)), true, qint64(units.size() + 1)});
        std::vector<GraphRelation> relations;
        for (const auto& r : table.query(QString(), {}, QStringLiteral("Excavation1, Unitname1, Excavation2, Unitname2")))
            relations.push_back({unit(valueToString(r.values[rl::Unitname1])), unit(valueToString(r.values[rl::Unitname2])),
                                 valueToString(r.values[rl::RelationCat]).front()});
        ASSERT_TRUE(BuildRelationGraph(ui, graph, units, relations, GraphMode::Group, false));
        Protocol protocol;
        ASSERT_TRUE(AssignNodeLevels(ui, graph, protocol, {}).ok());
        protocol.clear();

        RedundancyOptions options;
        options.mode = RedundancyMode::Field;
        options.prefix = QStringLiteral("group E:G: ");
        options.deleteRedundant = deleteRedundant;
        EXPECT_EQ(RedundancyTest(ui, graph, table, protocol, options), 1);
        EXPECT_EQ(protocol.lines(), QStringList{"group E:G: Redundant: link from E:A down to E:D"});
        if (deleteRedundant) {
            EXPECT_EQ(content(), QStringList({"A>B 0", "B<A 0", "B>D 0", "D<B 0"}));
            EXPECT_TRUE(ui.statuses().contains(QStringLiteral("group E:G: Deleting redundant relationships")));
        } else {
            EXPECT_EQ(content(), QStringList({"A>B 0", "B<A 0", "B>D 0", "D<A -1", "D<B 0"}));
        }
        EXPECT_TRUE(ui.statuses().contains(QStringLiteral("group E:G: Testing Redundant 0 of 3")));
    }
}

// --- the fast search against the plain ones -----------------------------------------

struct RandomGraph {
    std::vector<GraphUnit> units;
    std::vector<GraphRelation> relations;
    // The earlier units of each unit by the "<" rows, each once.
    std::vector<std::set<int>> earlier;
};

QString nodeName(int i)
{
    return QStringLiteral("U%1").arg(i, 3, 10, QLatin1Char('0'));
}

// Units on random layers with earlier/later links running down the layers,
// some contemporary and equal pairs, and now and then a "<" row twice.
RandomGraph MakeRandomGraph(std::mt19937& random)
{
    RandomGraph g;
    const int n = std::uniform_int_distribution<int>(2, 40)(random);
    const int layers = std::uniform_int_distribution<int>(2, 8)(random);
    const double density = std::uniform_real_distribution<double>(0.05, 0.5)(random);
    std::vector<int> layer(std::size_t(n), 0);
    g.earlier.resize(std::size_t(n));
    for (int i = 0; i < n; ++i) {
        g.units.push_back({unit(nodeName(i)), true, i + 1});
        layer[std::size_t(i)] = std::uniform_int_distribution<int>(0, layers - 1)(random);
    }
    std::bernoulli_distribution link(density), sideways(0.03), twice(0.05);
    for (int a = 0; a < n; ++a)
        for (int b = 0; b < n; ++b) {
            const UnitKey ka = unit(nodeName(a)), kb = unit(nodeName(b));
            if (layer[std::size_t(a)] < layer[std::size_t(b)] && link(random)) {
                // b earlier than a
                g.relations.push_back({kb, ka, category::Earlier});
                g.relations.push_back({ka, kb, category::Later});
                if (twice(random)) g.relations.push_back({kb, ka, category::Earlier});
                g.earlier[std::size_t(a)].insert(b);
            } else if (a < b && layer[std::size_t(a)] == layer[std::size_t(b)] && sideways(random)) {
                const QChar code = twice(random) ? category::Equal : category::Contemporary;
                g.relations.push_back({ka, kb, code});
                g.relations.push_back({kb, ka, code});
            }
        }
    std::stable_sort(g.relations.begin(), g.relations.end(), [](const GraphRelation& x, const GraphRelation& y) {
        return std::tie(x.first, x.second) < std::tie(y.first, y.second);
    });
    return g;
}

// u -> v is redundant when v can be reached from another earlier unit of u.
std::set<std::pair<int, int>> TransitiveShortcuts(const std::vector<std::set<int>>& earlier)
{
    std::set<std::pair<int, int>> shortcuts;
    for (int u = 0; u < int(earlier.size()); ++u) {
        std::vector<char> seen(earlier.size(), 0);
        std::deque<int> queue;
        for (int w : earlier[std::size_t(u)])
            for (int x : earlier[std::size_t(w)])
                if (!seen[std::size_t(x)]) {
                    seen[std::size_t(x)] = 1;
                    queue.push_back(x);
                }
        while (!queue.empty()) {
            const int w = queue.front();
            queue.pop_front();
            for (int x : earlier[std::size_t(w)])
                if (!seen[std::size_t(x)]) {
                    seen[std::size_t(x)] = 1;
                    queue.push_back(x);
                }
        }
        for (int v : earlier[std::size_t(u)])
            if (seen[std::size_t(v)]) shortcuts.insert({u, v});
    }
    return shortcuts;
}

std::vector<std::vector<int>> LaterLists(const RelationGraph& graph)
{
    std::vector<std::vector<int>> lists;
    for (const GraphNode& node : graph.nodes) lists.emplace_back(node.LaterList.begin(), node.LaterList.end());
    return lists;
}

TEST(RedundancyDifferential, FastSearchEqualsLinkByLinkAndTransitiveReduction)
{
    std::mt19937 random(20261210);
    int levelled = 0, found = 0, duplicatesFound = 0;
    for (int round = 0; round < 400; ++round) {
        SCOPED_TRACE(round);
        const RandomGraph input = MakeRandomGraph(random);
        ScriptedUi ui;
        RelationGraph fast;
        ASSERT_TRUE(BuildRelationGraph(ui, fast, input.units, input.relations, GraphMode::Normal, true));
        Protocol protocol;
        if (!AssignNodeLevels(ui, fast, protocol, {}).ok()) continue;   // a contemporary pair closed a cycle
        ++levelled;
        RelationGraph literal = fast;

        std::vector<std::pair<int, int>> fastCalls, literalCalls;
        std::vector<int> fastProgress, literalProgress;
        FindRedundantLinks(
            fast, [&](int u, int v) { fastCalls.emplace_back(u, v); }, [&](int u) { fastProgress.push_back(u); });
        LiteralRedundancyTest(
            literal, [&](int u, int v) { literalCalls.emplace_back(u, v); }, [&](int u) { literalProgress.push_back(u); });

        EXPECT_EQ(fastCalls, literalCalls);
        EXPECT_EQ(fastProgress, literalProgress);
        EXPECT_EQ(LaterLists(fast), LaterLists(literal));
        for (const GraphNode& node : fast.nodes) EXPECT_EQ(node.VisitMark, 0);

        const std::set<std::pair<int, int>> links(fastCalls.begin(), fastCalls.end());
        EXPECT_EQ(links, TransitiveShortcuts(input.earlier));
        found += int(links.size());
        duplicatesFound += int(fastCalls.size() - links.size());
    }
    // The rounds must exercise what they compare.
    EXPECT_GT(levelled, 300);
    EXPECT_GT(found, 1000);
    EXPECT_GT(duplicatesFound, 0);
}

// Levels that put a lower unit one level below the upper one rule the link
// out before any search, even where a chain exists in the lists.
TEST(RedundancyDifferential, OneLevelApartIsNeverRedundant)
{
    RandomGraph input;
    for (int i = 0; i < 3; ++i) input.units.push_back({unit(nodeName(i)), true, i + 1});
    // U000 over U001 over U002, and U000 over U002.
    for (auto [upper, lower] : {std::pair{0, 1}, {1, 2}, {0, 2}})
        input.relations.push_back({unit(nodeName(lower)), unit(nodeName(upper)), category::Earlier});
    std::stable_sort(input.relations.begin(), input.relations.end(), [](const GraphRelation& x, const GraphRelation& y) {
        return std::tie(x.first, x.second) < std::tie(y.first, y.second);
    });
    ScriptedUi ui;
    RelationGraph graph;
    ASSERT_TRUE(BuildRelationGraph(ui, graph, input.units, input.relations, GraphMode::Normal, true));
    struct Case {
        std::vector<int> levels;
        std::vector<std::pair<int, int>> found;
    };
    const Case cases[] = {
        {{1, 2, 3}, {{0, 2}}},
        {{1, 1, 2}, {}},   // as a level assignment never leaves it; the rule alone decides
    };
    for (const Case& c : cases) {
        RelationGraph fast = graph;
        for (std::size_t i = 0; i < c.levels.size(); ++i) fast.nodes[i].Level = c.levels[i];
        RelationGraph literal = fast;
        std::vector<std::pair<int, int>> fastCalls, literalCalls;
        FindRedundantLinks(fast, [&](int u, int v) { fastCalls.emplace_back(u, v); }, [](int) {});
        LiteralRedundancyTest(literal, [&](int u, int v) { literalCalls.emplace_back(u, v); }, [](int) {});
        EXPECT_EQ(fastCalls, c.found);
        EXPECT_EQ(literalCalls, c.found);
    }
}

// A simulated project stores every deposit's relationships: most of them
// are shortcuts, and the table is large enough to need the keyed writes.
TEST_F(Redundancy, DeletesWhatTheLinkByLinkTestFindsInASimulatedProject)
{
    CloseProject(session, true);
    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("S")));
    SimulationSettings settings;
    settings.projectFile = dir.filePath(QStringLiteral("S/S.bvp"));
    settings.excavation = kExcavation;
    settings.contexts = 300;
    ASSERT_TRUE(CreateProjectFiles(session, settings.projectFile, kExcavation, QString(), true));
    GenerateSimulation(session, settings, 1);

    Protocol protocol(ReportMode::Summary);
    RelationGraph graph;
    ASSERT_TRUE(RunCycleCheck(session, graph, protocol).ok());
    RelationGraph literal = graph;
    std::set<std::pair<QString, QString>> expected;
    LiteralRedundancyTest(
        literal,
        [&](int u, int v) { expected.insert({literal.nodes[std::size_t(u)].Key.unitname, literal.nodes[std::size_t(v)].Key.unitname}); },
        [](int) {});
    ASSERT_GT(expected.size(), 100u);

    std::set<std::pair<QString, QString>> laterRows;
    auto readLaterRows = [&] {
        laterRows.clear();
        for (const auto& r : session.relations().query(QStringLiteral("RelationCat = ?"), {QString(category::Later)}))
            laterRows.insert({valueToString(r.values[rel::Unitname1]), valueToString(r.values[rel::Unitname2])});
    };
    readLaterRows();
    const std::size_t before = laterRows.size();
    RedundancyOptions options;
    options.deleteRedundant = true;
    EXPECT_EQ(RedundancyTest(ui, graph, session.relations(), protocol, options), int(expected.size()));
    readLaterRows();
    EXPECT_EQ(laterRows.size(), before - expected.size());
    for (const auto& link : expected) EXPECT_FALSE(laterRows.count(link)) << link.first.toStdString();
    EXPECT_EQ(session.relations().query(QStringLiteral("RelationStatus = ?"), {status::Redundant}).size(), 0u);

    // What is left is its own transitive reduction.
    RelationGraph reduced;
    ASSERT_TRUE(RunCycleCheck(session, reduced, protocol).ok());
    EXPECT_EQ(RedundancyTest(ui, reduced, session.relations(), protocol, options), 0);
}

// --- the layout ---------------------------------------------------------------------------

class RedundancyLayout : public Redundancy {
protected:
    // Every record of both layout tables in key order; "~" for an empty field.
    QStringList layOut(const QStringList& relationships, bool deleteRedundant)
    {
        CloseProject(session, true);
        open(QStringLiteral("L%1%2").arg(relationships.size()).arg(deleteRedundant));
        enter(relationships);
        Protocol protocol;
        RelationGraph graph;
        EXPECT_TRUE(RunLayoutChecks(session, graph, protocol, deleteRedundant).ok());
        RandomGenerator random(932216981u);
        EXPECT_TRUE(LayoutWithoutGroups(session, graph, random, {}));
        const QString directory = session.project().ProjectDirectory;
        QStringList records;
        for (const QString& name : {UnitLayoutTableName(QStringLiteral("P")), RelLayoutTableName(QStringLiteral("P"))}) {
            Table t;
            t.open(directory, name);
            for (const auto& row : t.query(QString(), {}, t.primaryIndex().fields.join(QStringLiteral(", ")))) {
                QStringList fields;
                for (const Value& v : row.values) fields << (valueIsEmpty(v) ? QStringLiteral("~") : valueToString(v));
                records << fields.join(QLatin1Char(','));
            }
        }
        return records;
    }
};

TEST_F(RedundancyLayout, RedundantLinksDrawNoLine)
{
    const QStringList chain = layOut({"A>B", "B>D"}, false);
    ASSERT_FALSE(chain.isEmpty());
    for (bool deleteRedundant : {true, false}) {
        SCOPED_TRACE(deleteRedundant);
        EXPECT_EQ(layOut({"A>B", "B>D", "A>D"}, deleteRedundant), chain);
    }
}

} // namespace
