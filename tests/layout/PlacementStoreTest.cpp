// The layout without groups over the stored tables of a project.
#include "PlacementFixture.h"
#include "editing/AddRelationship.h"
#include "layout/LayoutFiles.h"
#include "store/ProjectFixture.h"
#include <QFile>
#include <QtEndian>
#include <gtest/gtest.h>

using namespace belvanto;
using namespace belvanto::testing;
using namespace belvanto::testing_support;

namespace {

class PlacementStore : public ProjectFixture {
protected:
    void SetUp() override { createProject(); }

    void relate(const char* first, QChar code, const char* second)
    {
        ASSERT_EQ(AddRelationship(session, {"A", first}, {"A", second}, code, QString(), level::Silent),
                  AddResult::Stored);
    }

    // The checks and the layout, as a run does them.
    bool layOut(quint32 seed = kDefaultSeed, const PlacementOptions& options = {})
    {
        Protocol protocol;
        RelationGraph graph;
        if (!RunLayoutChecks(session, graph, protocol, false).ok()) return false;
        RandomGenerator random(seed);
        return LayoutWithoutGroups(session, graph, random, options);
    }

    QString file(const QString& suffix) const { return path(QStringLiteral("P") + suffix); }
    bool tableExists(const QString& name) const { return Table::exists(dir.path(), name); }

    // Every record of a layout table in key order; "~" for an empty field.
    QStringList records(const QString& suffix)
    {
        Table t;
        t.open(dir.path(), QStringLiteral("P") + suffix);
        QStringList rows;
        const QString order = suffix == kUnitLayoutSuffix ? QStringLiteral("Excavation, Unitname")
                                                          : QStringLiteral("Excavation1, Unitname1, Excavation2, Unitname2");
        for (const auto& row : t.query(QString(), {}, order)) {
            QStringList fields;
            for (const Value& v : row.values) fields << (valueIsEmpty(v) ? QStringLiteral("~") : valueToString(v));
            rows << fields.join(QLatin1Char(','));
        }
        return rows;
    }

    std::vector<qint32> parameterInts()
    {
        const QByteArray bytes = readAll(LayoutParameterPath(dir.path(), QStringLiteral("P")));
        std::vector<qint32> ints;
        for (qsizetype i = 0; i + 4 <= bytes.size(); i += 4) ints.push_back(qFromLittleEndian<qint32>(bytes.constData() + i));
        return ints;
    }
};

TEST_F(PlacementStore, ChainIsStoredWithEmptyFieldsKeptEmpty)
{
    for (const char* u : {"A", "B", "C"}) addUnit("A", u);
    relate("A", QLatin1Char('>'), "B");
    relate("B", QLatin1Char('>'), "C");
    ASSERT_TRUE(layOut());
    EXPECT_EQ(records(kUnitLayoutSuffix), (QStringList{
        "A,A,1,~,1,1,1,1,0,1,0,16777215,0,16777215,0,C,~,~",
        "A,B,2,~,1,1,2,2,0,1,1,16777215,0,16777215,0,C,~,~",
        "A,C,3,~,1,1,3,3,0,0,1,16777215,0,16777215,0,C,~,~",
    }));
    EXPECT_EQ(records(kRelLayoutSuffix), (QStringList{
        "A,B,A,A,~,1,2,2,2,0,<,1,0,0",
        "A,C,A,B,~,2,3,2,2,0,<,1,0,0",
    }));
    EXPECT_EQ(parameterInts(), (std::vector<qint32>{0, 1, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    for (const QString& name : {kTempUnitTable, kTempRelTable, kProperRelTable}) EXPECT_FALSE(tableExists(name));
    EXPECT_EQ(unitRows(session.units(), uf::Y), (QStringList{"A:A=1", "A:B=2", "A:C=3"}));
}

TEST_F(PlacementStore, UnitFieldsGiveTheBoxColours)
{
    addUnit("A", "A");
    addUnit("A", "G", kGroup);
    Table& units = session.units();
    ASSERT_TRUE(units.locate(QStringLiteral("Excavation;Unitname"), {QStringLiteral("A"), QStringLiteral("A")}));
    units.edit();
    units.set(uf::DisplayColour, 255);
    units.set(uf::DispStyle, 7);
    units.set(uf::ThematicColour, 0);
    units.set(uf::ThematicStyle, 3);
    units.post();
    ASSERT_TRUE(layOut());
    EXPECT_EQ(records(kUnitLayoutSuffix), (QStringList{"A,A,1,~,1,1,1,1,0,0,0,255,7,0,3,C,~,~"}));
}

TEST_F(PlacementStore, TheSameSeedGivesIdenticalFiles)
{
    const GraphInput input = GenerateStratigraphy(300, 3);
    {
        BulkScope bulk;
        for (const auto& u : input.units) addUnit("A", u.key.unitname);
        for (const auto& r : input.relations)
            InsertRelationRow(session.relations(), {"A", r.first.unitname}, {"A", r.second.unitname}, r.category,
                              QString(), status::Stored);
    }
    const QStringList files{Table::pathOf(dir.path(), QStringLiteral("P") + kUnitLayoutSuffix),
                            Table::pathOf(dir.path(), QStringLiteral("P") + kRelLayoutSuffix),
                            LayoutParameterPath(dir.path(), QStringLiteral("P"))};
    ASSERT_TRUE(layOut(77));
    std::vector<QByteArray> first;
    for (const QString& f : files) first.push_back(readAll(f));
    ASSERT_TRUE(layOut(77));
    for (qsizetype i = 0; i < files.size(); ++i) {
        EXPECT_FALSE(first[i].isEmpty());
        EXPECT_EQ(readAll(files[i]), first[i]) << files[i].toStdString();
    }
    ASSERT_TRUE(layOut(78));
    EXPECT_NE(readAll(files[0]), first[0]);
}

TEST_F(PlacementStore, AContextWithoutALevelFailsTheLayout)
{
    addUnit("A", "A");
    addUnit("A", "B");
    RelationGraph graph;
    RandomGenerator random(1);
    ui.expectError(QStringLiteral("Programming error? No level for unit A:A"));
    EXPECT_FALSE(LayoutWithoutGroups(session, graph, random, {}));
    EXPECT_FALSE(tableExists(QStringLiteral("P") + kUnitLayoutSuffix));
    EXPECT_FALSE(tableExists(QStringLiteral("P") + kRelLayoutSuffix));
    EXPECT_FALSE(QFile::exists(LayoutParameterPath(dir.path(), QStringLiteral("P"))));
    EXPECT_FALSE(tableExists(kTempUnitTable));
}

TEST_F(PlacementStore, AFailedLayoutLeavesNoLayoutFiles)
{
    addUnit("A", "A");
    addUnit("A", "B");
    relate("A", QLatin1Char('>'), "B");
    ASSERT_TRUE(layOut());
    // Levels changed behind the check's back: B would stand above A.
    Protocol protocol;
    RelationGraph graph;
    ASSERT_TRUE(RunCycleCheck(session, graph, protocol).ok());
    Table& units = session.units();
    for (const auto& [name, level] : {std::pair{"A", 2}, std::pair{"B", 1}}) {
        ASSERT_TRUE(units.locate(QStringLiteral("Excavation;Unitname"), {QStringLiteral("A"), QString::fromLatin1(name)}));
        units.edit();
        units.set(uf::Y, level);
        units.post();
    }
    ui.expectError(QStringLiteral("Programming error? Negative level difference for units B and A"));
    RandomGenerator random(1);
    EXPECT_FALSE(LayoutWithoutGroups(session, graph, random, {}));
    EXPECT_TRUE(graph.empty());
    EXPECT_FALSE(tableExists(QStringLiteral("P") + kUnitLayoutSuffix));
    EXPECT_FALSE(QFile::exists(LayoutParameterPath(dir.path(), QStringLiteral("P"))));
}

TEST_F(PlacementStore, EqualSetsReadOnlyTheRowsTheyNeed)
{
    for (const char* u : {"A", "B", "C", "D"}) addUnit("A", u);
    relate("A", QLatin1Char('='), "B");
    relate("C", QLatin1Char('>'), "D");
    relate("A", QLatin1Char('>'), "C");
    QStringList rows;
    for (const GraphRelation& r : ReadPlacementRelations(session.relations()))
        rows << r.first.unitname + r.category + r.second.unitname;
    EXPECT_EQ(rows, (QStringList{"A=B", "B=A", "A>C"}));
}

TEST_F(PlacementStore, ProjectedCoordinatesGoIntoX)
{
    struct Unit { const char* name; std::optional<double> x, y, z; const QString& unitClass; };
    const Unit units[] = {{"A", 0.0, 0.0, 1.0, kContext}, {"B", 10.0, 0.0, 1.0, kContext},
                          {"C", 5.0, 3.0, std::nullopt, kContext}, {"D", std::nullopt, 1.0, 1.0, kContext},
                          {"G", 1.0, 1.0, 1.0, kGroup}};
    Table& t = session.units();
    for (const Unit& u : units) {
        addUnit("A", u.name, u.unitClass);
        ASSERT_TRUE(t.locate(QStringLiteral("Excavation;Unitname"), {QStringLiteral("A"), QString::fromLatin1(u.name)}));
        t.edit();
        if (u.x) t.set(uf::XAvgCoord, *u.x);
        if (u.y) t.set(uf::YAvgCoord, *u.y);
        if (u.z) t.set(uf::ZAvgCoord, *u.z);
        t.set(uf::X, 7);
        t.post();
    }
    const MeanPoint mean = ContextMeanPoint(t);
    EXPECT_EQ(mean.count, 2);
    EXPECT_DOUBLE_EQ(mean.x, 5.0);
    EXPECT_DOUBLE_EQ(mean.y, 0.0);
    ProjectContextCoordinates(t, 0, mean.x, mean.y);
    EXPECT_EQ(unitRows(t, uf::X), (QStringList{"A:A=0", "A:B=100000", "A:C=50000", "A:D=-2", "A:G=7"}));
}

} // namespace
