// The graph and the levels over stored tables: what is read, what is written
// back, and what stays.
#include "core/Regional.h"
#include "layout/LayoutFiles.h"
#include "layout/RelationGraph.h"
#include "store/Project.h"
#include "store/Relations.h"
#include "store/Session.h"
#include "store/UnitFields.h"
#include "support/ScriptedUi.h"
#include "support/TempDir.h"
#include <gtest/gtest.h>

using namespace belvanto;
using belvanto::testing::TempDir;

namespace {

class StoredCycleCheck : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(CreateProjectFiles(session, dir.file(QStringLiteral("P.bvp")), QStringLiteral("A"), QString(), false));
    }
    void TearDown() override { CloseProject(session, true); }

    void unit(const QString& name, const QString& unitClass = kContext, const QString& period = QString())
    {
        Table& t = session.units();
        t.insert();
        t.set(uf::Excavation, QStringLiteral("A"));
        t.set(uf::Unitname, name);
        t.set(uf::Unitclass, unitClass);
        t.set(uf::Period, period);
        t.set(uf::X, 77);
        t.post();
    }
    // "1<2": 1 earlier than 2, both rows.
    void earlier(const QString& a, const QString& b)
    {
        InsertRelationRow(session.relations(), {QStringLiteral("A"), a}, {QStringLiteral("A"), b}, QLatin1Char('<'), {}, status::Stored);
        InsertRelationRow(session.relations(), {QStringLiteral("A"), b}, {QStringLiteral("A"), a}, QLatin1Char('>'), {}, status::Stored);
    }
    // Name, X and Y of every unit.
    QStringList stored()
    {
        QStringList lines;
        for (const auto& r : session.units().query(QString(), {}, QStringLiteral("Excavation, Unitname")))
            lines << valueToString(r.values[uf::Unitname]) + QLatin1Char(' ') + valueToString(r.values[uf::X])
                         + QLatin1Char(' ') + valueToString(r.values[uf::Y]);
        return lines;
    }

    TempDir dir;
    ScriptedUi ui;
    FixedRegional regional;
    Session session{ui, regional};
};

TEST_F(StoredCycleCheck, LevelsGoToYAndNodeNumbersAreReset)
{
    unit(QStringLiteral("1"));
    unit(QStringLiteral("2"));
    unit(QStringLiteral("G"), kGroup);
    unit(QStringLiteral("3"));
    earlier(QStringLiteral("3"), QStringLiteral("2"));
    earlier(QStringLiteral("2"), QStringLiteral("1"));
    RelationGraph graph;
    Protocol protocol;
    const LevelResult r = RunCycleCheck(session, graph, protocol);
    EXPECT_TRUE(r.ok());
    EXPECT_EQ(r.levelCount, 3);
    EXPECT_EQ(protocol.lines(), (QStringList{"No cycles found.", ""}));
    EXPECT_EQ(stored(), (QStringList{"1 0 1", "2 0 2", "3 0 3", "G 77 "}));
    EXPECT_TRUE(ui.statuses().contains(QStringLiteral("Initializing data structures for cycle test")));
    // The graph stays for the steps after the check.
    ASSERT_EQ(graph.size(), 3);
    EXPECT_EQ(graph.nodes[2].Level, 3);
    EXPECT_EQ(graph.nodes[1].Label, QStringLiteral("A:2"));
}

TEST_F(StoredCycleCheck, CycleLeavesNodeNumbersAndNoLevels)
{
    unit(QStringLiteral("1"));
    unit(QStringLiteral("2"));
    unit(QStringLiteral("3"));
    earlier(QStringLiteral("1"), QStringLiteral("2"));
    earlier(QStringLiteral("2"), QStringLiteral("3"));
    earlier(QStringLiteral("3"), QStringLiteral("1"));
    RelationGraph graph;
    Protocol protocol;
    EXPECT_EQ(RunCycleCheck(session, graph, protocol).errorCount, 1);
    EXPECT_EQ(stored(), (QStringList{"1 0 ", "2 1 ", "3 2 "}));
}

TEST_F(StoredCycleCheck, RowNamingAMissingUnitOrAGroupFailsTheCheck)
{
    struct Case {
        const char* first;
        const char* second;
        QString message;
    };
    const std::vector<Case> cases{
        {"1", "9", QStringLiteral("Unittable corrupt? Could not find unit A:9")},
        {"0", "1", QStringLiteral("Unit table corrupt?\r\nCould not find unit A:0")},
        {"G", "1", QStringLiteral("Unit table corrupt?\r\nCould not find unit A:G")},
    };
    unit(QStringLiteral("1"));
    unit(QStringLiteral("2"));
    unit(QStringLiteral("G"), kGroup);
    earlier(QStringLiteral("2"), QStringLiteral("1"));
    for (const auto& c : cases) {
        InsertRelationRow(session.relations(), {QStringLiteral("A"), QString::fromLatin1(c.first)},
                          {QStringLiteral("A"), QString::fromLatin1(c.second)}, QLatin1Char('<'), {}, status::Stored);
        ui.expectError(c.message);
        RelationGraph graph;
        Protocol protocol;
        const LevelResult r = RunCycleCheck(session, graph, protocol);
        EXPECT_EQ(r.errorCount, 1);
        EXPECT_TRUE(graph.empty());
        EXPECT_EQ(protocol.lines(), QStringList{c.message});
        EXPECT_EQ(stored(), (QStringList{"1 0 ", "2 1 ", "G 77 "}));
        ui.verifyDone();
        ASSERT_TRUE(session.relations().locate(QStringLiteral("Unitname1;Unitname2"),
                                               {QString::fromLatin1(c.first), QString::fromLatin1(c.second)}));
        session.relations().del();
    }
}

TEST_F(StoredCycleCheck, DatingFieldIsReadFromTheTable)
{
    unit(QStringLiteral("1"), kContext, QStringLiteral("Late"));
    unit(QStringLiteral("2"), kContext, QStringLiteral("Early"));
    unit(QStringLiteral("3"), kContext, QStringLiteral("Late"));
    earlier(QStringLiteral("2"), QStringLiteral("1"));
    RelationGraph graph;
    ASSERT_TRUE(BuildRelationGraph(ui, graph, session.relations(), session.units(), GraphFields{}, false));
    PeriodList periods{{QStringLiteral("Late"), 2, 1, false}, {QStringLiteral("Early"), 1, 2, false}};
    Protocol protocol;
    LevelFields fields;
    fields.datingField = QStringLiteral("Period");
    const LevelResult r = AssignLevels(ui, graph, session.units(), protocol, fields, QString(), &periods, QStringLiteral("Period"));
    EXPECT_TRUE(r.ok());
    EXPECT_EQ(stored(), (QStringList{"1 0 1", "2 0 2", "3 0 1"}));
    EXPECT_EQ(periods[1].position, 2);
    EXPECT_TRUE(protocol.isEmpty());
}

TEST(StoredGroupLevels, WorkingTableKeysGetTheirPaddedLevel)
{
    TempDir dir;
    CreateLayoutTables(dir.path(), QStringLiteral("P"));
    Table units, rels;
    units.open(dir.path(), kTempUnitTable);
    rels.open(dir.path(), kTempRelTable);
    struct Rec {
        const char* name;
        const char* kind;
        const char* key;
    };
    // Eleven records so that the level count has two digits.
    std::vector<Rec> recs{{"a", "C", "03"}, {"b", "E", "03"}, {"c", "G", ""}};
    for (int i = 0; i < 9; ++i) recs.push_back({nullptr, "C", "x"});
    QStringList names;
    for (std::size_t i = 0; i < recs.size(); ++i) {
        const QString name = recs[i].name ? QString::fromLatin1(recs[i].name) : QStringLiteral("n%1").arg(i);
        names << name;
        units.insert();
        units.set(ul::Excavation, QStringLiteral("A"));
        units.set(ul::Unitname, name);
        units.set(ul::Unitclass, QString::fromLatin1(recs[i].kind));
        units.set(ul::Clevel, QString::fromLatin1(recs[i].key));
        units.post();
    }
    auto relate = [&](const QString& a, const QString& b, const char* cat) {
        rels.insert();
        rels.set(rl::Excavation1, QStringLiteral("A"));
        rels.set(rl::Unitname1, a);
        rels.set(rl::Excavation2, QStringLiteral("A"));
        rels.set(rl::Unitname2, b);
        rels.set(rl::RelationCat, QString::fromLatin1(cat));
        rels.post();
    };
    // A chain a < n3 < n4 < ... < n11 < c, and an equal row that group mode leaves out.
    relate(QStringLiteral("a"), QStringLiteral("n3"), "<");
    for (int i = 3; i < 11; ++i) relate(QStringLiteral("n%1").arg(i), QStringLiteral("n%1").arg(i + 1), "<");
    relate(QStringLiteral("n11"), QStringLiteral("c"), "<");
    relate(QStringLiteral("a"), QStringLiteral("c"), "=");

    ScriptedUi ui;
    RelationGraph graph;
    GraphFields graphFields{GraphMode::Group, QStringLiteral("Unitclass"), QStringLiteral("XStart"), QStringLiteral("RelationCat")};
    ASSERT_TRUE(BuildRelationGraph(ui, graph, rels, units, graphFields, false));
    EXPECT_EQ(graph.size(), 11);
    EXPECT_TRUE(graph.nodes[0].EqualList.empty());
    Protocol protocol;
    LevelFields fields{QStringLiteral("YLevelStart"), QStringLiteral("XStart"), QStringLiteral("Clevel"), QString()};
    const LevelResult r = AssignLevels(ui, graph, units, protocol, fields, QStringLiteral("group G: "));
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r.levelCount, 11);
    QStringList keys;
    for (const auto& row : units.query(QString(), {}, QStringLiteral("Unitname")))
        keys << valueToString(row.values[ul::Unitname]) + QLatin1Char(' ') + valueToString(row.values[ul::Clevel]) + QLatin1Char(' ')
                    + valueToString(row.values[ul::XStart]) + QLatin1Char(' ') + valueToString(row.values[ul::YLevelStart]);
    EXPECT_EQ(keys.mid(0, 4), (QStringList{"a 03*11 0 11", "b 03  ", "c 01 0 1", "n10 x*03 0 3"}));
}

} // namespace
