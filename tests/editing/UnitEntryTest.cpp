#include "editing/UnitEntry.h"
#include "RelationFixture.h"

using namespace belvanto;
using belvanto::testing_support::RelationFixture;

namespace {

struct ConversionCase {
    const char* title;
    const char* field;
    QString text;
    Value value;              // when accepted
    const char* message;      // when refused
};

class FieldConversion : public ::testing::TestWithParam<ConversionCase> {};

TEST_P(FieldConversion, AcceptsTheFieldsTypeAndExplainsARefusal)
{
    const ConversionCase& c = GetParam();
    const UnitFieldCatalogue catalogue;
    const auto number = catalogue.FindField(QString::fromLatin1(c.field));
    ASSERT_TRUE(number);
    QString message;
    const auto value = ConvertFieldText(catalogue[*number - 1], c.text, message);
    if (c.message) {
        EXPECT_FALSE(value);
        EXPECT_EQ(message, QString::fromUtf8(c.message));
    } else {
        ASSERT_TRUE(value) << message.toStdString();
        EXPECT_EQ(*value, c.value);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, FieldConversion,
    ::testing::Values(
        ConversionCase{"EmptyLeavesAnyFieldEmpty", "AvgYear", "", Value(), nullptr},
        ConversionCase{"Text", "Period", "Roman", Value(QStringLiteral("Roman")), nullptr},
        ConversionCase{"TextOfFullLength", "Period", "12345678", Value(QStringLiteral("12345678")), nullptr},
        ConversionCase{"TextTooLong", "Period", "123456789", {}, "Period must not exceed maximum length of 8"},
        ConversionCase{"TextOutsideTheCodePage", "Location", QString::fromUtf8("Łódź"), {},
                       "Location contains characters that cannot be stored"},
        ConversionCase{"LatinAccentsFit", "Location", QString::fromUtf8("Köln"), Value(QString::fromUtf8("Köln")),
                       nullptr},
        ConversionCase{"NegativeInteger", "AvgYear", "-800", Value(qint32(-800)), nullptr},
        ConversionCase{"FractionForAnInteger", "AvgYear", "12.5", {},
                       "Center year cannot be converted to an integer number."},
        ConversionCase{"IntegerBeyond32Bits", "MinYear", "3000000000", {},
                       "First year cannot be converted to an integer number."},
        ConversionCase{"Float", "XAvgCoord", "12.25", Value(12.25), nullptr},
        ConversionCase{"WordForAFloat", "ZMinCoord", "deep", {},
                       "Minimum Z-Coordinate cannot be converted to a floating point number."},
        ConversionCase{"IsoDate", "ExcavationDate", "2024-03-01", Value(QDate(2024, 3, 1)), nullptr},
        ConversionCase{"LocalDate", "ExcavationDate", "01.03.2024", {},
                       "Excavation date is no date (write yyyy-mm-dd)"},
        ConversionCase{"ImpossibleDate", "ExcavationDate", "2023-02-29", {},
                       "Excavation date is no date (write yyyy-mm-dd)"}),
    [](const auto& info) { return std::string(info.param.title); });

class UnitEntry : public RelationFixture {
protected:
    // Every unit in key order: "A:1 context Roman 120".
    QStringList units()
    {
        QStringList text;
        for (const auto& r : session.units().query(QString(), {}, QStringLiteral("Excavation, Unitname")))
            text << QStringLiteral("%1:%2 %3 %4 %5")
                        .arg(valueToString(r.values[uf::Excavation]), valueToString(r.values[uf::Unitname]),
                             valueToString(r.values[uf::Unitclass]), valueToString(r.values[uf::Period]),
                             valueToString(r.values[uf::AvgYear]));
        return text;
    }
};

TEST_F(UnitEntry, StoresEveryKeyWithTheClassAndValues)
{
    UnitEntryRequest request;
    request.keys = {u(QStringLiteral("1")), {QStringLiteral("A"), QStringLiteral("2")}};
    request.unitClass = QStringLiteral("work area");
    request.fields = {{QStringLiteral("Period"), QStringLiteral("Roman")}, {QStringLiteral("AvgYear"), QStringLiteral("120")}};
    EXPECT_TRUE(EnterUnits(session, request));
    EXPECT_EQ(units(), QStringList({"A:1 work area Roman 120", "A:2 work area Roman 120"}));
}

struct RefusalCase {
    const char* title;
    std::vector<UnitKey> keys;                 // after A:new, which would be valid
    std::vector<UnitFieldText> fields;
    const char* message;
    int helpTopic = 0;
};

class UnitEntryRefusals : public UnitEntry, public ::testing::WithParamInterface<RefusalCase> {};

// The valid unit before the refused one is not stored either.
TEST_P(UnitEntryRefusals, StoreNothing)
{
    const RefusalCase& c = GetParam();
    make({QStringLiteral("old")});
    UnitEntryRequest request;
    request.keys = {u(QStringLiteral("new"))};
    request.keys.insert(request.keys.end(), c.keys.begin(), c.keys.end());
    request.fields = c.fields;
    ui.expectError(QString::fromUtf8(c.message), c.helpTopic ? HelpTopic(c.helpTopic) : HelpTopic());
    EXPECT_FALSE(EnterUnits(session, request));
    EXPECT_EQ(units(), QStringList({"A:old context  "}));
}

INSTANTIATE_TEST_SUITE_P(
    Table, UnitEntryRefusals,
    ::testing::Values(
        RefusalCase{"StoredUnit", {{"A", "old"}}, {}, "Unit A:old already exists"},
        RefusalCase{"SameKeyTwice", {{"B", "1"}, {"B", "1"}}, {}, "Unit B:1 already exists"},
        RefusalCase{"BlankInName", {{"A", "a b"}}, {}, "The unit name must not contain a blank."},
        RefusalCase{"LongExcavation", {{"ABCDEFGHIJKLM", "1"}}, {},
                    "The excavation name must not exceed maximum length of 12", 14},
        RefusalCase{"NameOutsideTheCodePage", {{"A", QString::fromUtf8("Ł1")}}, {},
                    "The unit name contains characters that cannot be stored."},
        RefusalCase{"ExcavationOutsideTheCodePage", {{QString::fromUtf8("Гора"), "1"}}, {},
                    "The excavation name contains characters that cannot be stored.", 14},
        // The unit form refuses such intervals; so does every other entry.
        RefusalCase{"YearsReversed", {}, {{"MinYear", "1900"}, {"MaxYear", "1800"}},
                    "Min. of Year is greater than Max."},
        RefusalCase{"CentreBelowMin", {}, {{"XMinCoord", "5"}, {"XAvgCoord", "4.5"}},
                    "Min. of X-Coordinate is greater than Center"},
        RefusalCase{"CentreAboveMax", {}, {{"ZMaxCoord", "-2"}, {"ZAvgCoord", "-1"}},
                    "Center of Z-Coordinate is greater than Max."},
        RefusalCase{"LastValueCounts", {}, {{"MaxYear", "2000"}, {"MinYear", "1900"}, {"MaxYear", "1800"}},
                    "Min. of Year is greater than Max."},
        RefusalCase{"BadValue", {}, {{"AvgYear", "12.5"}}, "Center year cannot be converted to an integer number."},
        RefusalCase{"KeyField", {}, {{"Unitclass", "group"}}, "Field Unitclass cannot be set here"},
        RefusalCase{"WorkField", {}, {{"X", "3"}}, "Field X cannot be set here"},
        RefusalCase{"UnknownField", {}, {{"Colourr", "red"}}, "Field Colourr cannot be set here"},
        // A bad value is found even when every name would be refused later.
        RefusalCase{"ValuesFirst", {{"A", "old"}}, {{"AvgYear", "x"}},
                    "Center year cannot be converted to an integer number."}),
    [](const auto& info) { return std::string(info.param.title); });

TEST_F(UnitEntry, OneValueOfATripleOrAnOrderedOneIsStored)
{
    UnitEntryRequest request;
    request.keys = {u(QStringLiteral("1"))};
    request.fields = {{QStringLiteral("MaxYear"), QStringLiteral("1800")},
                      {QStringLiteral("YMinCoord"), QStringLiteral("3")},
                      {QStringLiteral("YMaxCoord"), QStringLiteral("3")},
                      {QStringLiteral("YAvgCoord"), QStringLiteral("3")}};
    EXPECT_TRUE(EnterUnits(session, request));
    EXPECT_EQ(units(), QStringList({"A:1 context  "}));
}

TEST_F(UnitEntry, ASecondExcavationEndsSingleExcavationMode)
{
    session.project().SingleExcavation = true;
    ASSERT_TRUE(EnterUnits(session, {{u(QStringLiteral("1"))}, kContext, {}}));
    EXPECT_TRUE(session.project().SingleExcavation);
    ui.expectWarning(QStringLiteral(
        "The project holds more than one excavation now; it is no single-excavation project any more."));
    EXPECT_TRUE(EnterUnits(session, {{{QStringLiteral("B"), QStringLiteral("1")}}, kContext, {}}));
    EXPECT_FALSE(session.project().SingleExcavation);
    EXPECT_EQ(units(), QStringList({"A:1 context  ", "B:1 context  "}));
}

} // namespace
