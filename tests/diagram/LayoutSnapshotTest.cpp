#include "diagram/LayoutSnapshot.h"
#include "store/Table.h"
#include "support/TempDir.h"
#include <gtest/gtest.h>

using namespace belvanto;
using belvanto::testing::TempDir;

namespace {

void addUnit(Table& t, const QString& excavation, const QString& name, qint32 nest, qint32 level,
             std::optional<qint32> colour)
{
    t.insert();
    t.set(ul::Excavation, excavation);
    t.set(ul::Unitname, name);
    t.set(ul::XStart, 1);
    t.set(ul::XStop, 2);
    t.set(ul::YLevelStart, level);
    t.set(ul::YLevelStop, level + 1);
    t.set(ul::NestCt, nest);
    if (colour) t.set(ul::Colour, *colour);
    t.set(ul::BoxStyle, 7);
    t.set(ul::ThemColour, 42);
    t.set(ul::Unitclass, nest > 0 ? QStringLiteral("G") : QStringLiteral("C"));
    t.post();
}

void addRelation(Table& t, const QString& lower, const QString& upper, const QString& category)
{
    t.insert();
    t.set(rl::Excavation1, QStringLiteral("E"));
    t.set(rl::Unitname1, lower);
    t.set(rl::Excavation2, QStringLiteral("E"));
    t.set(rl::Unitname2, upper);
    t.set(rl::YLevel1, 1);
    t.set(rl::YLevel2, 2);
    t.set(rl::XPos1, 3);
    t.set(rl::XPos2, 4);
    t.set(rl::NestCt2, 5);
    t.set(rl::Port1, -2);
    t.set(rl::Port2, 2);
    t.set(rl::RelationCat, category);
    t.post();
}

QStringList names(const LayoutSnapshot& s)
{
    QStringList list;
    for (const UnitRecord& u : s.units) list << u.Excavation + QLatin1Char(':') + u.Unitname;
    return list;
}

class LayoutSnapshotRead : public ::testing::Test {
protected:
    void SetUp() override
    {
        Table::create(dir.path(), QStringLiteral("U"), UnitLayoutFields(), UnitLayoutPrimaryIndex());
        Table::create(dir.path(), QStringLiteral("R"), RelLayoutFields(), RelLayoutPrimaryIndex());
        units.open(dir.path(), QStringLiteral("U"));
        relations.open(dir.path(), QStringLiteral("R"));
    }
    TempDir dir;
    Table units, relations;
};

} // namespace

TEST_F(LayoutSnapshotRead, BothTablesInPaintingAndKeyOrder)
{
    addUnit(units, QStringLiteral("E"), QStringLiteral("1"), 0, 3, 255);
    addUnit(units, QStringLiteral("E"), QStringLiteral("2"), 0, 1, std::nullopt);
    addUnit(units, QStringLiteral("F"), QStringLiteral("1"), 1, 1, 65280);
    addUnit(units, QStringLiteral("A"), QStringLiteral("9"), 2, 2, 0);
    addUnit(units, QStringLiteral("B"), QStringLiteral("9"), 1, 4, 0);
    addRelation(relations, QStringLiteral("2"), QStringLiteral("1"), QStringLiteral("<"));
    addRelation(relations, QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("="));

    LayoutParameters p;
    p.reset(2, 5);
    LayoutSnapshot s = ReadLayoutSnapshot(units, relations, p);
    EXPECT_EQ(names(s), (QStringList{"F:1", "E:2", "E:1", "B:9", "A:9"}));
    p.groups = true;
    s = ReadLayoutSnapshot(units, relations, p);
    EXPECT_EQ(names(s), (QStringList{"A:9", "B:9", "F:1", "E:1", "E:2"}));
    EXPECT_EQ(s.parameters, p);

    const UnitRecord& e2 = s.units.back();
    EXPECT_EQ(e2.XStart, 1);
    EXPECT_EQ(e2.XStop, 2);
    EXPECT_EQ(e2.YLevelStart, 1);
    EXPECT_EQ(e2.YLevelStop, 2);
    EXPECT_FALSE(e2.Colour);
    EXPECT_EQ(e2.BoxStyle, 7);
    EXPECT_EQ(e2.ThemColour, 42);
    EXPECT_FALSE(e2.ThemBoxStyle);
    EXPECT_EQ(e2.Unitclass, QStringLiteral("C"));

    ASSERT_EQ(s.relations.size(), 2u);
    EXPECT_EQ(s.relations[0].Unitname1, QStringLiteral("1"));
    EXPECT_TRUE(s.relations[0].isEqual());
    const RelRecord& r = s.relations[1];
    EXPECT_EQ(r.YSubLevel, 0);   // not set on this record
    EXPECT_EQ((std::vector<qint32>{r.YLevel1, r.YLevel2, r.XPos1, r.XPos2, r.NestCt2, r.Port1, r.Port2}),
              (std::vector<qint32>{1, 2, 3, 4, 5, -2, 2}));
    EXPECT_EQ(r.RelationCat, QStringLiteral("<"));
}

TEST_F(LayoutSnapshotRead, FiltersOfTheTablesDoNotHideRecords)
{
    addUnit(units, QStringLiteral("E"), QStringLiteral("1"), 0, 1, 255);
    addUnit(units, QStringLiteral("E"), QStringLiteral("2"), 0, 1, 255);
    units.setFilter(QStringLiteral("Unitname = '1'"));
    EXPECT_EQ(ReadLayoutSnapshot(units, relations, LayoutParameters{}).units.size(), 2u);
}
