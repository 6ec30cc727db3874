#include "RelationFixture.h"
#include "editing/ConsecutiveNumbers.h"

namespace belvanto::testing_support {
namespace {

class Consecutive : public RelationFixture {
protected:
    static ConsecutiveRequest request(const char* first, const char* last, const char* prefix, int digits)
    {
        ConsecutiveRequest r;
        r.excavation = QStringLiteral("A");
        r.first = QString::fromLatin1(first);
        r.last = QString::fromLatin1(last);
        r.prefix = QString::fromLatin1(prefix);
        r.unitClass = kContext;
        r.digits = digits;
        return r;
    }

    // Validates, confirms with Yes and creates.
    std::optional<ConsecutiveOutcome> create(const ConsecutiveRequest& r, int count, int existing = 0)
    {
        EXPECT_EQ(ValidateConsecutive(session, r), ConsecutiveFocus::None);
        ui.expectConfirmation(QStringLiteral("Confirm creation of %1 units").arg(count), Buttons::YesNo, 75)
            .answer(Answer::Yes);
        if (existing > 0)
            ui.expectWarning(QStringLiteral("%1 units were already defined, not superseded").arg(existing), 75);
        return CreateConsecutiveUnits(session, r);
    }

    QStringList names()
    {
        QStringList text;
        for (const auto& r : session.units().query(QString(), {}, QStringLiteral("Excavation, Unitname")))
            text << valueToString(r.values[uf::Unitname]);
        return text;
    }

    QStringList field(int f)
    {
        QStringList text;
        for (const auto& r : session.units().query(QString(), {}, QStringLiteral("Excavation, Unitname")))
            text << valueToString(r.values[uf::Unitname]) + QLatin1Char('=') + valueToString(r.values[std::size_t(f)]);
        return text;
    }
};

TEST_F(Consecutive, DigitsPadTheNumbers)
{
    const auto outcome = create(request("8", "12", "S", 2), 5);
    ASSERT_TRUE(outcome);
    EXPECT_EQ(outcome->created, 5);
    EXPECT_EQ(names(), (QStringList{"S08", "S09", "S10", "S11", "S12"}));
    EXPECT_EQ(field(uf::Unitclass).first(), QStringLiteral("S08=context"));
    EXPECT_TRUE(rows().isEmpty());
}

TEST_F(Consecutive, NoDigitsNoPadding)
{
    ASSERT_TRUE(create(request("8", "12", "S", 0), 5));
    EXPECT_EQ(names(), (QStringList{"S10", "S11", "S12", "S8", "S9"}));   // key order
}

TEST_F(Consecutive, OneNumberIsARunOfOne)
{
    ASSERT_TRUE(create(request("5", "5", " K ", 3), 1));   // the prefix is trimmed
    EXPECT_EQ(names(), QStringList{"K005"});
}

TEST_F(Consecutive, DecliningCreatesNothing)
{
    const ConsecutiveRequest r = request("1", "3", "", 0);
    ui.expectConfirmation(QStringLiteral("Confirm creation of 3 units"), Buttons::YesNo, 75).answer(Answer::No);
    EXPECT_FALSE(CreateConsecutiveUnits(session, r));
    EXPECT_TRUE(names().isEmpty());
}

TEST_F(Consecutive, ChainRunsFromTheLowestNumberDown)
{
    ConsecutiveRequest r = request("1", "3", "", 0);
    r.chain = true;
    ASSERT_TRUE(create(r, 3));
    EXPECT_EQ(rows(), (QStringList{"A:1 > A:2 [] u", "A:2 < A:1 [] u", "A:2 > A:3 [] u", "A:3 < A:2 [] u"}));
}

TEST_F(Consecutive, ExistingUnitsStayAsTheyAreButJoinTheChain)
{
    make({"2"});
    session.units().locate(QStringLiteral("Excavation;Unitname"), {QStringLiteral("A"), QStringLiteral("2")});
    session.units().edit();
    session.units().set(uf::Location, QStringLiteral("kept"));
    session.units().post();
    make({"3"}, kGroup);   // a group cannot be chained: refused without a word

    ConsecutiveRequest r = request("1", "4", "", 0);
    r.chain = true;
    r.model = QStringLiteral("2");
    const auto outcome = create(r, 4, 2);
    ASSERT_TRUE(outcome);
    EXPECT_EQ(outcome->created, 2);
    EXPECT_EQ(outcome->existing, 2);
    EXPECT_EQ(field(uf::Unitclass), (QStringList{"1=context", "2=context", "3=group", "4=context"}));
    EXPECT_EQ(field(uf::Location), (QStringList{"1=kept", "2=kept", "3=", "4=kept"}));
    EXPECT_EQ(rows(), (QStringList{"A:1 > A:2 [] u", "A:2 < A:1 [] u"}));
}

TEST_F(Consecutive, AModelGivesEveryFieldButKeyAndClass)
{
    Table& units = session.units();
    units.insert();
    units.set(uf::Excavation, QStringLiteral("A"));
    units.set(uf::Unitname, QStringLiteral("M"));
    units.set(uf::Unitclass, kGroup);
    units.set(uf::Description, QStringLiteral("ditch fill"));
    units.set(uf::AvgYear, qint32(120));
    units.set(uf::XAvgCoord, 2.5);
    units.set(uf::DisplayColour, qint32(255));
    units.post();

    ConsecutiveRequest r = request("1", "2", "G", 0);
    r.unitClass = kGroup;
    r.model = QStringLiteral("M");
    ASSERT_TRUE(create(r, 2));
    EXPECT_EQ(field(uf::Unitclass), (QStringList{"G1=group", "G2=group", "M=group"}));
    EXPECT_EQ(field(uf::Description), (QStringList{"G1=ditch fill", "G2=ditch fill", "M=ditch fill"}));
    EXPECT_EQ(field(uf::AvgYear), (QStringList{"G1=120", "G2=120", "M=120"}));
    EXPECT_EQ(field(uf::XAvgCoord), (QStringList{"G1=2.5", "G2=2.5", "M=2.5"}));
    EXPECT_EQ(field(uf::DisplayColour), (QStringList{"G1=255", "G2=255", "M=255"}));
}

struct RefusalCase {
    const char* title;
    std::function<void(ConsecutiveRequest&)> change;
    const char* message;
    int help;
    ConsecutiveFocus focus;
};

class ConsecutiveRefusals : public Consecutive, public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(ConsecutiveRefusals, StopAtTheFirstFailingCheck)
{
    make({"M"});
    make({"G"}, kGroup);
    const RefusalCase& c = GetParam();
    ConsecutiveRequest r = request("1", "20", "S", 0);
    c.change(r);
    ui.expectError(QString::fromUtf8(c.message), c.help);
    EXPECT_EQ(ValidateConsecutive(session, r), c.focus);
    EXPECT_EQ(names(), (QStringList{"G", "M"}));
}

using F = ConsecutiveFocus;
using R = ConsecutiveRequest;

INSTANTIATE_TEST_SUITE_P(
    Table, ConsecutiveRefusals,
    ::testing::Values(
        RefusalCase{"Excavation", [](R& r) { r.excavation = "A:B"; r.first.clear(); },
                    "The excavation name must not contain a colon.", 14, F::Excavation},
        RefusalCase{"NoFirst", [](R& r) { r.first.clear(); r.last.clear(); }, "Number of first unit must be entered", 75,
                    F::First},
        RefusalCase{"NoLast", [](R& r) { r.last.clear(); }, "Number of last unit must be entered", 75, F::Last},
        RefusalCase{"Reversed", [](R& r) { r.first = "12"; r.last = "8"; }, "First unit number must be lower than last",
                    75, F::First},
        RefusalCase{"NineDigits", [](R& r) { r.digits = 9; }, "Number of digits must be less or equal to 8", 75,
                    F::Digits},
        RefusalCase{"LastTooLong", [](R& r) { r.first = "100"; r.last = "120"; r.digits = 2; },
                    "Length of last number exceeds number of digits", 75, F::Digits},
        RefusalCase{"PrefixAndDigits", [](R& r) { r.prefix = "ABCD"; r.digits = 5; },
                    "Length of prefix combined with number of digits exceeds maximum of 8 characters", 75, F::Prefix},
        RefusalCase{"PrefixAndLastNumber", [](R& r) { r.prefix = "ABCD"; r.first = "1"; r.last = "10000"; },
                    "Length of prefix combined with number of digits exceeds maximum of 8 characters", 75, F::Prefix},
        RefusalCase{"PrefixWithColon", [](R& r) { r.prefix = "S:"; }, "The unit name must not contain a colon.", 17,
                    F::Prefix},
        RefusalCase{"PrefixOutsideWindows1252", [](R& r) { r.prefix = QString::fromUtf8("Ж"); },
                    "The unit name contains characters that cannot be stored.", 17, F::Prefix},
        RefusalCase{"ExcavationOutsideWindows1252", [](R& r) { r.excavation = QString::fromUtf8("Гора"); },
                    "The excavation name contains characters that cannot be stored.", 14, F::Excavation},
        RefusalCase{"ChainOfGroups", [](R& r) { r.chain = true; r.unitClass = kGroup; },
                    "Only units of class context may be chained", 75, F::UnitClass},
        RefusalCase{"NoModel", [](R& r) { r.model = "X9"; }, "Model unit X9 not defined.", 75, F::Model},
        RefusalCase{"ModelInAnotherExcavation", [](R& r) { r.excavation = "B"; r.model = "M"; },
                    "Model unit M not defined.", 75, F::Model},
        RefusalCase{"ModelOfAnotherClass", [](R& r) { r.model = "G"; },
                    "Model unit class is group,\r\nbut chain unit class is context.", 75, F::Model}),
    [](const auto& info) { return std::string(info.param.title); });

TEST_F(Consecutive, ALongRunSaysHowFarItGot)
{
    const qsizetype before = ui.statuses().size();
    ASSERT_TRUE(create(request("1", "2500", "", 0), 2500));
    EXPECT_EQ(ui.statuses().mid(before), (QStringList{"Creating unit 1 of 2500", "Creating unit 1001 of 2500",
                                          "Creating unit 2001 of 2500", ""}));
}

// Stopping keeps what was made, each unit whole and chained to the one
// before, and makes nothing after.
TEST_F(Consecutive, AStoppedRunKeepsTheUnitsMadeBeforeIt)
{
    ConsecutiveRequest r = request("1", "2500", "", 0);
    r.chain = true;
    ASSERT_EQ(ValidateConsecutive(session, r), ConsecutiveFocus::None);
    ui.expectConfirmation(QStringLiteral("Confirm creation of 2500 units"), Buttons::YesNo, 75).answer(Answer::Yes);
    ui.expectInformation(QStringLiteral("Stopped: 1000 units created, 0 already defined."), 75);
    ui.stopAtProgress(2);
    const qsizetype before = ui.statuses().size();
    const auto outcome = CreateConsecutiveUnits(session, r);
    ASSERT_TRUE(outcome);
    EXPECT_TRUE(outcome->stopped);
    EXPECT_EQ(outcome->created, 1000);
    EXPECT_EQ(session.units().count(), 1000);
    EXPECT_FALSE(UnitExists(session.units(), UnitKey{"A", "1001"}));
    // 999 "later" rows and their 999 "earlier" mirrors.
    EXPECT_EQ(session.relations().count(), 2 * 999);
    EXPECT_EQ(ui.statuses().mid(before), (QStringList{"Creating unit 1 of 2500", "Creating unit 1001 of 2500", ""}));
}

TEST_F(Consecutive, NamesForDigitsAndPrefix)
{
    EXPECT_EQ(ConsecutiveUnitName(request("1", "9", "S", 2), 8), QStringLiteral("S08"));
    EXPECT_EQ(ConsecutiveUnitName(request("1", "9", "", 0), 12345678), QStringLiteral("12345678"));
    EXPECT_EQ(ConsecutiveUnitName(request("1", "9", " T", 3), 42), QStringLiteral("T042"));
}

} // namespace
} // namespace belvanto::testing_support
