// The options of the layout and check run: the rules between the controls,
// the presets, the field checks and Shuffle.
#include "layout/RunOptions.h"
#include "store/ProjectFixture.h"
#include "store/UnitFields.h"
#include <gtest/gtest.h>

using namespace belvanto;
using namespace belvanto::testing;

namespace {

using C = RunControl;

// The controls that are on, as text, for readable failures.
std::string onText(const RunOptions& o)
{
    static const char* names[] = {"CoordinatesPresent", "LaterBelow", "ContemporaryHeight", "EqualHeight",
                                  "CoordinateOrder", "YearsMatch", "ContemporaryYears", "EqualYears",
                                  "Components", "Cycles", "DeleteRedundant", "Periods", "Phases",
                                  "Groups", "StrictGroups", "Layout"};
    std::string text;
    for (int c = 0; c < kRunControlCount; ++c)
        if (o.on[c]) text += std::string(text.empty() ? "" : " ") + names[c];
    return text;
}

RunOptions with(std::initializer_list<std::pair<C, bool>> clicks)
{
    RunOptions o;
    for (const auto& [control, value] : clicks) SetRunOption(o, control, value);
    return o;
}

TEST(RunOptionRules, CascadeAsClickingDoes)
{
    struct Case {
        const char* what;
        std::initializer_list<std::pair<C, bool>> clicks;
        const char* expected;
    };
    const Case cases[] = {
        {"defaults", {}, "Cycles DeleteRedundant Layout"},
        {"no cycles: check only, nothing that needs them",
         {{C::Groups, true}, {C::StrictGroups, true}, {C::Periods, true}, {C::Cycles, false}},
         ""},
        {"periods and phases exclude each other", {{C::Periods, true}, {C::Phases, true}},
         "Cycles DeleteRedundant Phases Layout"},
        {"a period check brings the cycle check back", {{C::Cycles, false}, {C::Periods, true}},
         "Cycles Periods"},
        {"deleting redundant rows needs the cycle check", {{C::Cycles, false}, {C::DeleteRedundant, true}},
         "Cycles DeleteRedundant"},
        {"groups: the layout, not the coordinate order",
         {{C::Cycles, false}, {C::CoordinateOrder, true}, {C::Groups, true}},
         "Cycles Groups Layout"},
        {"strict brings the groups and so the layout", {{C::Cycles, false}, {C::StrictGroups, true}},
         "Cycles Groups StrictGroups Layout"},
        {"groups off takes strict with them", {{C::StrictGroups, true}, {C::Groups, false}},
         "Cycles DeleteRedundant Layout"},
        {"check only is refused beside the groups", {{C::Groups, true}, {C::Layout, false}},
         "Cycles DeleteRedundant Groups Layout"},
        {"check only keeps the cycle check", {{C::Layout, false}}, "Cycles DeleteRedundant"},
        {"the layout brings the cycle check back", {{C::Cycles, false}, {C::Layout, true}}, "Cycles Layout"},
        {"the coordinate order takes the groups off", {{C::StrictGroups, true}, {C::CoordinateOrder, true}},
         "CoordinateOrder Cycles DeleteRedundant Layout"},
        {"plain checks change nothing else", {{C::Components, true}, {C::YearsMatch, true}},
         "YearsMatch Components Cycles DeleteRedundant Layout"},
    };
    for (const Case& c : cases) EXPECT_EQ(onText(with(c.clicks)), c.expected) << c.what;
}

TEST(RunOptionFields, ChecksAndTheirMessages)
{
    struct Case {
        std::optional<FieldProblem> (*check)(const QString&);
        const char* text;
        const char* message;   // "" when valid
        bool beep;
    };
    const Case cases[] = {
        {HeightProblem, "", "", false},
        {HeightProblem, " 0.25 ", "", false},
        {HeightProblem, "1e2", "", false},
        {HeightProblem, "0,5", "Coordinate unit value cannot be converted to a floating point number.", true},
        {HeightProblem, "-0.1", "Being negative does not solve any problems.", false},
        {YearProblem, "25", "", false},
        {YearProblem, "2.5", "Year value cannot be converted to an integer number.", true},
        {YearProblem, "-3", "Being negative does not solve any problems.", false},
        {SeedProblem, "932216981", "", false},
        {SeedProblem, "-34087340", "", false},
        {SeedProblem, "", "Random seed cannot be converted to an integer number.", true},
        {SeedProblem, "12a", "Random seed cannot be converted to an integer number.", true},
    };
    for (const Case& c : cases) {
        const auto problem = c.check(QString::fromLatin1(c.text));
        EXPECT_EQ(problem ? problem->text.toStdString() : std::string(), c.message) << c.text;
        EXPECT_EQ(problem ? problem->beep : false, c.beep) << c.text;
    }
}

TEST(RunOptionFields, SeedIsTakenModulo2To32)
{
    EXPECT_EQ(SeedOf(QStringLiteral("932216981")), 932216981u);
    EXPECT_EQ(SeedOf(QStringLiteral("-1")), 4294967295u);
    EXPECT_EQ(SeedOf(QStringLiteral("4294967296")), 0u);
}

TEST(RunOptionFields, ShuffleAtAFixedTime)
{
    // 56 * 1000 + 789 - 34 * 703 = 32887; one draw later the seed is
    // 4260879956, as a signed number -34087340.
    EXPECT_EQ(ShuffledSeed(QTime(12, 34, 56, 789)), QStringLiteral("-34087340"));
    // A negative start wraps like the generator's seed.
    EXPECT_EQ(ShuffledSeed(QTime(0, 59, 0, 0)), ShuffledSeed(QTime(1, 59, 0, 0)));
}

class RunOptionPresets : public ProjectFixture {
protected:
    void SetUp() override { createProject(); }
    void unit(const QString& name, const QString& period, const QString& phase, const QString& unitClass = kContext,
              std::optional<qint32> colour = std::nullopt)
    {
        addUnit("A", name, unitClass);
        Table& units = session.units();
        ASSERT_TRUE(units.locate(QStringLiteral("Excavation;Unitname"), {QStringLiteral("A"), name}));
        units.edit();
        units.set(uf::Period, period);
        units.set(uf::Phase, phase);
        if (colour) units.set(uf::DisplayColour, *colour);
        units.post();
    }
};

TEST_F(RunOptionPresets, FollowTheProject)
{
    unit("a", "P1", "");
    unit("b", "P2", "x");
    EXPECT_EQ(onText(PresetRunOptions(session)), "Cycles DeleteRedundant Periods Layout");
    unit("c", "", "y");
    // Without a period everywhere, the phases; a group shows groups.
    session.units().locate(QStringLiteral("Excavation;Unitname"), {QStringLiteral("A"), QStringLiteral("a")});
    session.units().edit();
    session.units().set(uf::Phase, QStringLiteral("z"));
    session.units().post();
    EXPECT_EQ(onText(PresetRunOptions(session)), "Cycles DeleteRedundant Phases Layout");
    unit("G", "", "", kGroup);
    EXPECT_EQ(onText(PresetRunOptions(session)), "Cycles DeleteRedundant Groups Layout");
    EXPECT_EQ(PresetRunOptions(session).colours, ColourDepth::BlackWhite);
    unit("d", "", "", kContext, 255);
    EXPECT_EQ(PresetRunOptions(session).colours, ColourDepth::Colours65536);
}

} // namespace
