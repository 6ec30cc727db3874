#include "store/UnitFields.h"
#include <gtest/gtest.h>

using namespace belvanto;

namespace {

struct NameCase {
    const char* name;
    const char* message;   // "" = valid
};

class UnitNameRule : public testing::TestWithParam<NameCase> {};

TEST_P(UnitNameRule, GivesTheMessageOfTheDecidingTest)
{
    EXPECT_EQ(CheckUnitName(QString::fromUtf8(GetParam().name)), QString::fromUtf8(GetParam().message));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, UnitNameRule,
    testing::Values(NameCase{"12", ""}, NameCase{"ABCDEFGH", ""},
                    NameCase{"ab=c:d", "The unit name must not contain a colon."},
                    NameCase{"a b", "The unit name must not contain a blank."},
                    NameCase{"a=b", "The unit name must not contain an equal sign."},
                    NameCase{"a,b", "The unit name must not contain a comma."},
                    NameCase{"a,b=c d", "The unit name must not contain a blank."},
                    NameCase{"a\tb", "The unit name must not contain a control character."},
                    NameCase{"a\x7f", "The unit name must not contain a control character."},
                    NameCase{"a\r\n", "The unit name must not contain a control character."},
                    NameCase{"a:\nb", "The unit name must not contain a colon."},
                    NameCase{"é€œ", ""},
                    NameCase{"Ж1", "The unit name contains characters that cannot be stored."},
                    NameCase{"Ж:1", "The unit name must not contain a colon."},
                    NameCase{"", "The unit name must not be blank"},
                    NameCase{"ABCDEFGHI", "The unit name must not exceed maximum length of 8"},
                    NameCase{"ABCD EFGH", "The unit name must not exceed maximum length of 8"}));

class ExcavationNameRule : public testing::TestWithParam<NameCase> {};

TEST_P(ExcavationNameRule, LastFailingTestDecides)
{
    EXPECT_EQ(ExcavationNameProblem(QString::fromUtf8(GetParam().name)), QString::fromUtf8(GetParam().message));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ExcavationNameRule,
    testing::Values(NameCase{"A=B, C", ""}, NameCase{"ABCDEFGHIJKL", ""},
                    NameCase{"A:B", "The excavation name must not contain a colon."},
                    NameCase{"X\r\nTabView=-", "The excavation name must not contain a control character."},
                    NameCase{"A\tB:C", "The excavation name must not contain a control character."},
                    NameCase{"Grabung Ö°", ""},
                    NameCase{"Гора", "The excavation name contains characters that cannot be stored."},
                    NameCase{"", "The excavation name must not be blank"},
                    NameCase{"ABCDEFGHIJKLM", "The excavation name must not exceed maximum length of 12"},
                    NameCase{"ABCDEF:HIJKLM", "The excavation name must not exceed maximum length of 12"}));

struct RangeCase {
    std::optional<double> min, max, center;
    const char* message;
};

class MinMaxCenter : public testing::TestWithParam<RangeCase> {};

TEST_P(MinMaxCenter, FirstFailureWins)
{
    const auto& c = GetParam();
    const auto result = CheckMinMaxCenter(c.min, c.max, c.center, QStringLiteral("Year"));
    EXPECT_EQ(result.value_or(QString()), QString::fromUtf8(c.message));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MinMaxCenter,
    testing::Values(RangeCase{5, 5, 5, ""}, RangeCase{5, std::nullopt, 4, "Min. of Year is greater than Center"},
                    RangeCase{3, 2, 1, "Min. of Year is greater than Max."},
                    RangeCase{std::nullopt, 2, 3, "Center of Year is greater than Max."},
                    RangeCase{9, std::nullopt, std::nullopt, ""}, RangeCase{std::nullopt, -1, std::nullopt, ""},
                    RangeCase{-10, -20, std::nullopt, "Min. of Year is greater than Max."},
                    RangeCase{1, 10, 10, ""}));

TEST(FieldCatalogue, DefaultsGiveTheFifteenListColumnsAndTheWrittenOptionStrings)
{
    UnitFieldCatalogue catalogue;
    QStringList visible;
    for (int i = 0; i < catalogue.size(); ++i)
        if (catalogue.listColumnVisible(i)) visible << catalogue[i].Label;
    EXPECT_EQ(visible, (QStringList{"Excavation", "Unit name", "Unit class", "Location", "Unit type", "Colour",
                                    "Description", "Inclusions", "Interpretation", "Center year", "Period", "Phase",
                                    "Excavation date", "Excavator", "Find Category"}));
    const auto options = catalogue.FieldConfigurationStrings();
    EXPECT_EQ(options.TabView, QStringLiteral("***         *****       *  ** ****"));
    EXPECT_EQ(options.EditView, QString(34, QLatin1Char('*')));
    EXPECT_EQ(options.ClosedTerms, QString(34, QLatin1Char(' ')));
}

TEST(FieldCatalogue, OptionStringsSetFlagsByPosition)
{
    UnitFieldCatalogue catalogue;
    // "*" is on and anything else off; a short string leaves the rest at the
    // defaults; characters past the 43rd field are ignored.
    catalogue.ResetFieldCatalogue(QStringLiteral("X* "), QString(34, QLatin1Char(' ')),
                                  QString(50, QLatin1Char('*')));
    EXPECT_FALSE(catalogue[uf::Excavation].TabView);
    EXPECT_TRUE(catalogue[uf::Unitname].TabView);
    EXPECT_FALSE(catalogue[uf::Unitclass].TabView);
    EXPECT_TRUE(catalogue[uf::Location].TabView);
    EXPECT_FALSE(catalogue[uf::XMinCoord].TabView);
    EXPECT_FALSE(catalogue[uf::FindCat].EditView);
    EXPECT_TRUE(catalogue[uf::ThematicStyle].ClosedTerms);
    // Internal fields never show, whatever an edited file says.
    catalogue.ResetFieldCatalogue(QString(43, QLatin1Char('*')), QString(), QString());
    EXPECT_FALSE(catalogue.listColumnVisible(uf::X));
    EXPECT_EQ(catalogue.FieldConfigurationStrings().TabView, QString(34, QLatin1Char('*')));

    // A round trip keeps every written flag, trailing blanks included.
    const QString tab = QStringLiteral("* * * * * * * * * * * * * * * * *  ");
    catalogue.ResetFieldCatalogue(tab.left(34), QStringLiteral(" *"), QString(34, QLatin1Char(' ')));
    EXPECT_EQ(catalogue.FieldConfigurationStrings().TabView, tab.left(34));
}

TEST(FieldCatalogue, FindsFieldsByExactName)
{
    UnitFieldCatalogue catalogue;
    EXPECT_EQ(catalogue.FindField(QStringLiteral("Excavation")), 1);
    EXPECT_EQ(catalogue.FindField(QStringLiteral("ThematicStyle")), 43);
    EXPECT_EQ(catalogue.FindField(QStringLiteral("excavation")), std::nullopt);
    EXPECT_EQ(UnitClassList(), (QStringList{"context", "group", "work area"}));
}

} // namespace
