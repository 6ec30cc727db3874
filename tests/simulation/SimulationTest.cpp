#include "SimulationFixture.h"
#include "editing/AddRelationship.h"
#include <map>
#include <set>

namespace belvanto::testing_support {
namespace {

using Sim = SimulationFixture;

const std::vector<int> kCoordinates{uf::XAvgCoord, uf::YAvgCoord, uf::ZAvgCoord};

TEST_F(Sim, DefaultRunGivesTheDerivedCenterYears)
{
    generate(settings());
    const QStringList years = column(uf::AvgYear);
    ASSERT_EQ(years.size(), 500);
    EXPECT_EQ(years.mid(0, 5), (QStringList{"F001=2", "F002=3", "F003=4", "F004=4", "F005=5"}));
    EXPECT_EQ(years.last(), QStringLiteral("F500=500"));
}

TEST_F(Sim, TenContextsAreNamedWithTwoDigitsAndColouredByNumber)
{
    generate(settings(10));
    const QStringList colours = column(uf::DisplayColour);
    ASSERT_EQ(colours.size(), 10);
    EXPECT_EQ(colours.first(), QStringLiteral("F01=7653621"));   // F5C874, red in the lowest byte
    EXPECT_EQ(colours.last(), QStringLiteral("F10=16760806"));   // E6BFFF
    for (int k = 1; k <= 10; ++k)
        EXPECT_EQ(colours[k - 1], QStringLiteral("F%1=%2").arg(k, 2, 10, QLatin1Char('0')).arg(SimulationColour(k)));
}

TEST_F(Sim, ColourIndexStopsAtTheLastColour)
{
    // 100 / 15 rounded is 7: context 7 has index 1, context 100 would have 14.
    generate(settings(100));
    const QStringList colours = column(uf::DisplayColour);
    EXPECT_EQ(colours[6], QStringLiteral("F007=%1").arg(SimulationColour(1)));
    EXPECT_EQ(colours[99], QStringLiteral("F100=%1").arg(SimulationColour(14)));
    EXPECT_EQ(SimulationColour(14), 0xC0C0C0);
    EXPECT_EQ(SimulationColour(0), 0x98BAE9);
}

TEST_F(Sim, WithoutPeriodsOrContemporaryBlocksNothingOfThemIsWritten)
{
    SimulationSettings s = settings(60);
    s.periods = 0;
    s.contemporary = 0;
    generate(s);
    for (const QString& period : column(uf::Period)) EXPECT_TRUE(period.endsWith(QLatin1Char('='))) << period.toStdString();
    for (const QString& row : relationRows()) EXPECT_FALSE(row.contains(QStringLiteral(" - "))) << row.toStdString();
}

TEST_F(Sim, PeriodsSpanEqualRunsOfContexts)
{
    // 40 contexts in 10 periods: four each, "Period 1" ... "Period10".
    SimulationSettings s = settings(40);
    s.periods = 10;
    generate(s);
    const QStringList periods = column(uf::Period);
    EXPECT_EQ(periods[0], QStringLiteral("F01=Period 1"));
    EXPECT_EQ(periods[3], QStringLiteral("F04=Period 1"));
    EXPECT_EQ(periods[4], QStringLiteral("F05=Period 2"));
    EXPECT_EQ(periods[35], QStringLiteral("F36=Period 9"));
    EXPECT_EQ(periods[39], QStringLiteral("F40=Period10"));
}

TEST_F(Sim, ContemporaryBlocksAreClosedAndShareTheirFirstContextsYear)
{
    SimulationSettings s = settings(300);
    s.contemporary = 200;
    generate(s);
    std::map<QString, std::set<QString>> partners;
    for (const QString& row : relationRows()) {
        const QStringList p = row.split(QLatin1Char(' '));
        if (p[1] != QStringLiteral("-")) continue;
        EXPECT_EQ(p[4], QStringLiteral("U")) << row.toStdString();
        partners[p[0]].insert(p[2]);
    }
    ASSERT_FALSE(partners.empty());
    std::map<QString, QString> year;
    for (const QString& entry : column(uf::AvgYear)) year[entry.section('=', 0, 0)] = entry.section('=', 1);
    for (const auto& [unit, others] : partners) {
        std::set<QString> block = others;
        block.insert(unit);
        for (const QString& other : others) {
            std::set<QString> otherBlock = partners[other];
            otherBlock.insert(other);
            EXPECT_EQ(otherBlock, block) << unit.toStdString() << " and " << other.toStdString();
            EXPECT_EQ(year[other], year[unit]);
        }
    }
}

// The rows the relationship rules would have written, and nothing else.
TEST_F(Sim, RelationshipTableKeepsTheInvariantsOfTheRules)
{
    SimulationSettings s = settings(300);
    s.contemporary = 100;
    generate(s);
    std::set<QString> rows;
    for (const QString& row : relationRows()) rows.insert(row);
    for (const QString& row : rows) {
        const QStringList p = row.split(QLatin1Char(' '));
        EXPECT_NE(p[0], p[2]) << row.toStdString();
        if (p[1] == QStringLiteral(">"))
            EXPECT_TRUE(rows.count(p[2] + QStringLiteral(" < ") + p[0] + QStringLiteral(" [] u"))) << row.toStdString();
        else if (p[1] == QStringLiteral("<"))
            EXPECT_TRUE(rows.count(p[2] + QStringLiteral(" > ") + p[0] + QStringLiteral(" [] u"))) << row.toStdString();
        else
            EXPECT_EQ(p[1], QStringLiteral("-")) << row.toStdString();
    }
}

TEST_F(Sim, DirectWritingStoresWhatTheRelationshipGateWould)
{
    SimulationSettings s = settings(150, QStringLiteral("Direct"));
    s.contemporary = 60;
    s.meanCubes = 30;
    generate(s, 7, RelationPath::Direct);
    const QStringList direct = relationRows();
    const QStringList units = unitRecords();
    CloseProject(session, true);

    s.projectFile = dir.filePath(QStringLiteral("Gate.bvp"));
    generate(s, 7, RelationPath::Gate);
    EXPECT_EQ(relationRows(), direct);
    EXPECT_EQ(unitRecords(), units);
}

TEST_F(Sim, EveryContextGetsCoordinatesInsideItsGridAndAnIntervalAroundItsYear)
{
    SimulationSettings s = settings(200);
    s.horizontal = 12;
    s.vertical = 15;
    s.interval = 30;
    generate(s);
    for (const auto& r : session.units().query(QString(), {}, QString())) {
        const QString name = valueToString(r.values[uf::Unitname]);
        const double x = std::get<double>(r.values[uf::XAvgCoord]);
        const double y = std::get<double>(r.values[uf::YAvgCoord]);
        const double z = std::get<double>(r.values[uf::ZAvgCoord]);
        EXPECT_TRUE(x >= 10 && x < 10 * (12 + 1)) << name.toStdString() << " x " << x;
        EXPECT_TRUE(y >= 10 && y < 10 * (15 + 1)) << name.toStdString() << " y " << y;
        EXPECT_GE(z, 0) << name.toStdString();
        const qint32 year = std::get<qint32>(r.values[uf::AvgYear]);
        const qint32 low = std::get<qint32>(r.values[uf::MinYear]);
        const qint32 high = std::get<qint32>(r.values[uf::MaxYear]);
        EXPECT_EQ(year - low, high - year) << name.toStdString();
        EXPECT_TRUE(year - low >= 0 && year - low < 30) << name.toStdString();
        EXPECT_EQ(valueToString(r.values[uf::Unitclass]), kContext);
        EXPECT_EQ(valueToString(r.values[uf::Excavation]), QStringLiteral("Site"));
    }
}

TEST(SimulatedCenterYears, RoundHalvesToEvenAndEndOnTheLastYear)
{
    // s(k) * 2 / 4: 0.5 -> 0, 1 -> 1, 1.5 -> 2, 2 -> 2.
    EXPECT_EQ(SimulatedCenterYears({1, 1, 1, 1}, 0, 2), (std::vector<qint32>{0, 1, 2, 2}));
    EXPECT_EQ(SimulatedCenterYears({1, 1, 1, 1}, -3, -1), (std::vector<qint32>{-3, -2, -1, -1}));
}

TEST(SimulatedCenterYears, LargeSumsDoNotOverflow)
{
    // 99,999 increments of 999 over 12,010 years: s(k) * span reaches 1.2e12.
    const std::vector<int> increments(99999, 999);
    const auto years = SimulatedCenterYears(increments, -10000, 2010);
    EXPECT_EQ(years.front(), -10000);   // 12010 / 99999 rounds to 0
    EXPECT_EQ(years[49999], -10000 + 6005);
    EXPECT_EQ(years.back(), 2010);
}

TEST(SimulatedCenterYears, AllZeroIncrementsSpreadTheYearsEvenly)
{
    EXPECT_EQ(SimulatedCenterYears({0, 0, 0, 0}, 0, 400), (std::vector<qint32>{100, 200, 300, 400}));
}

TEST(SimulationPeriodName, PadsOneDigitCountersWithABlank)
{
    EXPECT_EQ(SimulationPeriodName(1), QStringLiteral("Period 1"));
    EXPECT_EQ(SimulationPeriodName(9), QStringLiteral("Period 9"));
    EXPECT_EQ(SimulationPeriodName(10), QStringLiteral("Period10"));
    EXPECT_EQ(SimulationPeriodName(20), QStringLiteral("Period20"));
}

TEST_F(Sim, CommandLeavesTheNewProjectOpenAndCountsItsUnits)
{
    ASSERT_TRUE(BeginSimulation(session));
    const SimulationSettings s = settings(20);
    ASSERT_TRUE(RunSimulation(session, s, [] { return QTime(10, 0); }));
    EXPECT_TRUE(session.project().isOpen());
    EXPECT_EQ(session.project().ProjectFilePath, s.projectFile);
    EXPECT_FALSE(session.project().SingleExcavation);
    EXPECT_EQ(session.project().TermFilePath, QString());
    EXPECT_EQ(session.recent().paths().value(0), s.projectFile);
    EXPECT_EQ(ui.statuses().last(), QStringLiteral("20 units simulated"));
    EXPECT_EQ(column(uf::Unitname).size(), 20);
}

// Two runs with the same entries differ in the center coordinates only,
// which come from the clock.
TEST_F(Sim, TheClockSeedsTheCoordinatesOnly)
{
    auto run = [&](const QString& name, QTime time) {
        ASSERT_TRUE(BeginSimulation(session));
        SimulationSettings s = settings(60, name);
        s.contemporary = 20;
        ASSERT_TRUE(RunSimulation(session, s, [time] { return time; }));
    };
    run(QStringLiteral("A"), QTime(9, 30));
    const QStringList first = unitRecords();
    const QStringList firstWithoutCoordinates = unitRecords(kCoordinates);
    const QStringList rels = relationRows();
    CloseProject(session, true);
    run(QStringLiteral("B"), QTime(9, 30));
    EXPECT_EQ(unitRecords(), first);
    CloseProject(session, true);
    run(QStringLiteral("C"), QTime(9, 30, 0, 1));
    EXPECT_NE(unitRecords(), first);
    EXPECT_EQ(unitRecords(kCoordinates), firstWithoutCoordinates);
    EXPECT_EQ(relationRows(), rels);
}

TEST_F(Sim, NotWhileAProjectIsOpen)
{
    generate(settings(10));
    ui.expectWarning(QStringLiteral("Another project is still open, close project first."), 92);
    EXPECT_FALSE(BeginSimulation(session));
}

TEST_F(Sim, RefusingToReplaceTablesKeepsTheOldProject)
{
    generate(settings(10));
    const QStringList old = relationRows();
    CloseProject(session, true);

    ASSERT_TRUE(BeginSimulation(session));
    ui.expectConfirmation(QStringLiteral("Database file Sim_unit already exists\r\nDo you really want to overwrite this file?"))
        .answer(Answer::No);
    EXPECT_FALSE(RunSimulation(session, settings(20)));
    EXPECT_FALSE(session.project().isOpen());
    ASSERT_TRUE(OpenProject(session, dir.filePath(QStringLiteral("Sim.bvp"))));
    EXPECT_EQ(relationRows(), old);
    EXPECT_EQ(column(uf::Unitname).size(), 10);
}

} // namespace
} // namespace belvanto::testing_support
