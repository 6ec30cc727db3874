#include "ProjectFixture.h"
#include <QDate>

using namespace belvanto;
using belvanto::testing::ProjectFixture;

namespace {

class UnitTable : public ProjectFixture {
protected:
    void SetUp() override { createProject(); }
    Table& units() { return session.units(); }
    void setValue(const QString& exc, const QString& name, int field, const Value& v)
    {
        ASSERT_TRUE(units().locate(QStringLiteral("Excavation;Unitname"), {exc, name}));
        units().edit();
        units().set(field, v);
        units().post();
    }
};

TEST_F(UnitTable, HasTheCatalogueColumnsAndOnlyTheKeyIndex)
{
    const auto& fields = units().fields();
    ASSERT_EQ(fields.size(), 43u);
    const UnitFieldCatalogue catalogue;
    for (int i = 0; i < 43; ++i) {
        EXPECT_EQ(fields[i].name, catalogue[i].Name);
        EXPECT_EQ(fields[i].type, catalogue[i].Type);
        EXPECT_EQ(fields[i].size, catalogue[i].Size);
        EXPECT_FALSE(fields[i].required);
    }
    EXPECT_EQ(units().primaryIndex().fields, (QStringList{"Excavation", "Unitname"}));
}

TEST_F(UnitTable, DistinctValuesSortByTheFieldsType)
{
    addUnit("A", "1");
    addUnit("A", "2");
    addUnit("A", "3");
    addUnit("A", "4", kWorkArea);
    setValue("A", "1", uf::AvgYear, qint32(10));
    setValue("A", "2", uf::AvgYear, qint32(9));
    setValue("A", "3", uf::AvgYear, qint32(10));
    setValue("A", "1", uf::Period, QStringLiteral("b"));
    setValue("A", "2", uf::Period, QStringLiteral("B"));
    setValue("A", "4", uf::Period, QStringLiteral("a"));
    setValue("A", "1", uf::ZMinCoord, -2.5);
    setValue("A", "2", uf::ZMinCoord, 10.0);
    setValue("A", "1", uf::ExcavationDate, QDate(2003, 2, 1));
    setValue("A", "2", uf::ExcavationDate, QDate(1999, 12, 31));
    setValue("A", "3", uf::ExcavationDate, QDate(2003, 2, 1));

    auto years = DistinctFieldValues(units(), uf::AvgYear + 1, false);
    EXPECT_EQ(years.values, (QStringList{"9", "10"}));
    EXPECT_TRUE(years.hasEmpty);
    auto periods = DistinctFieldValues(units(), uf::Period + 1, false);
    EXPECT_EQ(periods.values, (QStringList{"B", "a", "b"}));
    auto heights = DistinctFieldValues(units(), uf::ZMinCoord + 1, false);
    EXPECT_EQ(heights.values, (QStringList{"-2.5", "10"}));
    auto dates = DistinctFieldValues(units(), uf::ExcavationDate + 1, false);
    EXPECT_EQ(dates.values, (QStringList{"1999-12-31", "2003-02-01"}));

    units().setFilter(QStringLiteral("Unitname = '1'"));
    units().setFiltered(true);
    auto workAreas = DistinctFieldValues(units(), uf::Period + 1, true);
    EXPECT_EQ(workAreas.values, QStringList{"a"});
    EXPECT_FALSE(workAreas.hasEmpty);
    EXPECT_TRUE(units().filtered());
    EXPECT_EQ(units().filterText(), QStringLiteral("Unitname = '1'"));
}

TEST_F(UnitTable, ExcavationListIgnoresFilterAndActiveOrder)
{
    addUnit("C", "1");
    addUnit("A", "9");
    addUnit("B", "2");
    addUnit("A", "1");
    units().setOrderFields({QStringLiteral("Unitname")});
    units().setFilter(QStringLiteral("Excavation = 'C'"));
    units().setFiltered(true);
    units().first();
    EXPECT_EQ(ExcavationList(units()), (QStringList{"A", "B", "C"}));
    EXPECT_EQ(units().str(uf::Excavation), QStringLiteral("C"));
}

TEST_F(UnitTable, ClearSelectedMarksReachesFilteredUnitsAndKeepsThePosition)
{
    addUnit("A", "1");
    addUnit("A", "2");
    addUnit("A", "3");
    setValue("A", "1", uf::Selected, QStringLiteral("X"));
    setValue("A", "3", uf::Selected, QStringLiteral("X"));
    units().setFilter(QStringLiteral("Unitname = '2'"));
    units().setFiltered(true);
    units().first();
    ClearSelectedMarks(units());
    EXPECT_EQ(unitRows(units(), uf::Selected), (QStringList{"A:1=", "A:2=", "A:3="}));
    EXPECT_EQ(units().str(uf::Unitname), QStringLiteral("2"));
    EXPECT_FALSE(units().displaySuspended());
}

TEST_F(UnitTable, FieldValueRangeGivesSmallestLargestAndEmpties)
{
    addUnit("A", "1");
    addUnit("A", "2");
    addUnit("A", "3");
    ui.expectWarning(QStringLiteral("Field Center year does not contain any entries"));
    EXPECT_FALSE(FieldValueRange(ui, session.catalogue(), units(), uf::AvgYear + 1));
    setValue("A", "1", uf::AvgYear, qint32(-50));
    setValue("A", "2", uf::AvgYear, qint32(7));
    const auto range = FieldValueRange(ui, session.catalogue(), units(), uf::AvgYear + 1);
    ASSERT_TRUE(range);
    EXPECT_EQ(std::get<qint32>(range->min), -50);
    EXPECT_EQ(std::get<qint32>(range->max), 7);
    EXPECT_TRUE(range->hasEmpty);
    EXPECT_EQ(ui.busyDepth(), 0);
}

TEST_F(UnitTable, UnitLabelFollowsTheProjectComposition)
{
    EXPECT_EQ(UnitLabel(units(), false), QString());
    addUnit("Site", "12");
    units().first();
    EXPECT_EQ(UnitLabel(units(), false), QStringLiteral("Site:12"));
    EXPECT_EQ(UnitLabel(units(), true), QStringLiteral("12"));
}

} // namespace
