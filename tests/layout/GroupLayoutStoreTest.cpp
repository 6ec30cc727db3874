// The group layout over the stored tables of a project.
#include "PlacementFixture.h"
#include "checks/GroupHierarchy.h"
#include "core/Protocol.h"
#include "editing/AddRelationship.h"
#include "layout/GroupLayout.h"
#include "layout/LayoutFiles.h"
#include "store/ProjectFixture.h"
#include "store/UnitFields.h"
#include <QFile>
#include <gtest/gtest.h>

using namespace belvanto;
using namespace belvanto::testing;
using namespace belvanto::testing_support;

namespace {

class GroupLayoutStore : public ProjectFixture {
protected:
    void SetUp() override
    {
        createProject();
        for (const char* u : {"G", "H"}) addUnit("A", u, kGroup);
        for (const char* u : {"a", "b", "c", "d"}) addUnit("A", u);
        relate("a", QLatin1Char('<'), "b");
        relate("c", QLatin1Char('<'), "d");
        relate("a", QLatin1Char('p'), "G");
        relate("b", QLatin1Char('p'), "G");
        relate("c", QLatin1Char('p'), "H");
        relate("d", QLatin1Char('p'), "H");
    }

    void relate(const char* first, QChar code, const char* second)
    {
        ASSERT_EQ(AddRelationship(session, {"A", first}, {"A", second}, code, QString(), level::Silent),
                  AddResult::Stored);
    }

    bool layOut(bool strict = false)
    {
        HierarchyTree tree;
        HierarchyOptions options;
        if (!BuildGroupHierarchy(session, options, tree, &protocol)) return false;
        RandomGenerator random(kDefaultSeed);
        PeriodList periods;
        return LayoutWithGroups(session, tree, random, -1, strict, protocol, periods);
    }

    std::vector<qint32> groupMarks()
    {
        std::vector<qint32> marks;
        for (const auto& row : session.units().query(QString(), {}, kUnitKeyOrder))
            marks.push_back(intOf(row.values[uf::Group]).value_or(-99));
        return marks;
    }

    bool layoutExists()
    {
        return Table::exists(dir.path(), QStringLiteral("P") + kUnitLayoutSuffix)
               || QFile::exists(LayoutParameterPath(dir.path(), QStringLiteral("P")));
    }

    Protocol protocol;
};

TEST_F(GroupLayoutStore, WritesTheTablesTheParametersAndTheLastGroupsMarks)
{
    ASSERT_TRUE(layOut()) << protocol.lines().join(QLatin1Char('\n')).toStdString();
    Table units;
    units.open(dir.path(), QStringLiteral("P") + kUnitLayoutSuffix);
    EXPECT_EQ(units.count(), 6);
    const auto groups = units.query(QStringLiteral("Unitclass = 'G'"), {}, QStringLiteral("Unitname"));
    ASSERT_EQ(groups.size(), 2u);
    EXPECT_EQ(intOf(groups[0].values[ul::NestCt]), 1);
    const auto parameters = ParseLayoutParameters(readAll(LayoutParameterPath(dir.path(), QStringLiteral("P"))));
    ASSERT_TRUE(parameters);
    EXPECT_TRUE(parameters->groups);
    // " Root" holds H and G in that order and pushes them so, so G is laid
    // out before H. H's members c and d are its records 0 and 1; every
    // other unit is -1.
    EXPECT_EQ(groupMarks(), (std::vector<qint32>{-1, -1, -1, -1, 0, 1}));
    for (const QString& name : {kTempUnitTable, kTempRelTable, kProperRelTable})
        EXPECT_FALSE(Table::exists(dir.path(), name));
}

TEST_F(GroupLayoutStore, AStrictConflictLeavesNoLayout)
{
    ASSERT_TRUE(layOut());
    ASSERT_TRUE(layoutExists());
    relate("a", QLatin1Char('<'), "c");
    relate("d", QLatin1Char('<'), "b");
    const std::vector<qint32> marks = groupMarks();
    EXPECT_FALSE(layOut(true));
    EXPECT_EQ(protocol.lines().mid(protocol.lines().size() - 2),
              (QStringList{QStringLiteral("Conflicting relationship between groups found:"),
                           QStringLiteral("Groups with contradicting relationships: A:H and A:G.")}));
    EXPECT_FALSE(layoutExists());
    EXPECT_EQ(groupMarks(), marks);
}

TEST_F(GroupLayoutStore, DeepNestingKeepsItsLongKeysWhole)
{
    // N01 holds N02 ... holds N20, which holds z: z's level key has 21
    // components, far longer than the level key field's nominal size.
    QString previous;
    for (int i = 1; i <= 20; ++i) {
        const QString name = QStringLiteral("N%1").arg(i, 2, 10, QLatin1Char('0'));
        addUnit("A", name, kGroup);
        if (!previous.isEmpty()) {
            ASSERT_EQ(AddRelationship(session, {"A", name}, {"A", previous}, QLatin1Char('p'), QString(), level::Silent),
                      AddResult::Stored);
        }
        previous = name;
    }
    addUnit("A", "z");
    relate("z", QLatin1Char('p'), "N20");
    ASSERT_TRUE(layOut()) << protocol.lines().join(QLatin1Char('\n')).toStdString();
    Table units;
    units.open(dir.path(), QStringLiteral("P") + kUnitLayoutSuffix);
    const auto z = units.query(QStringLiteral("Unitname = 'z'"), {});
    ASSERT_EQ(z.size(), 1u);
    EXPECT_EQ(textAt(z[0], ul::Clevel), QStringList(21, QStringLiteral("1")).join(QLatin1Char('*')));
    // One level per group and one for z, in the outermost group's column.
    EXPECT_EQ(intOf(z[0].values[ul::YLevelStart]), 21);
    const auto outer = units.query(QStringLiteral("Unitname = 'N01'"), {});
    ASSERT_EQ(outer.size(), 1u);
    EXPECT_EQ(intOf(z[0].values[ul::XStart]), intOf(outer[0].values[ul::XStart]));
}

} // namespace
