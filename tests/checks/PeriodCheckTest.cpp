// The period and phase order check: its findings and result for each kind of
// fault, the period relation table it leaves, the order it gives and the one
// the user chooses, the levels with dating constraints, and the same on
// simulated projects whose periods follow their deposits.
#include "ComponentsFixture.h"
#include "checks/PeriodCheck.h"
#include "core/Protocol.h"
#include "core/Regional.h"
#include "layout/RelationGraph.h"
#include "simulation/Simulation.h"
#include "store/Project.h"
#include "store/Relations.h"
#include "store/Session.h"
#include "store/UnitFields.h"
#include "support/ScriptedUi.h"
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <algorithm>
#include <climits>
#include <map>

using namespace belvanto;
using namespace belvanto::testing_support;

namespace {

enum class Choice { NotAsked, Cancel, SwapFirstTwo };

class PeriodCheckFixture : public ComponentsFixture {
protected:
    RelationGraph graph;
    PeriodList periods;
    // The lists the chooser was shown, as periodsText() writes them.
    QStringList shown;

    // "101:I 102:II 103 G1:I/g": contexts (groups with "/g") with their
    // value of the dating field, none after a bare name.
    void datedUnits(const QString& text, int datingField)
    {
        BulkScope bulk;
        Table& t = session.units();
        for (QString word : text.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            const bool group = word.endsWith(QStringLiteral("/g"));
            if (group) word.chop(2);
            const QStringList parts = word.split(QLatin1Char(':'));
            t.insert();
            t.set(uf::Excavation, kExcavation);
            t.set(uf::Unitname, parts[0]);
            t.set(uf::Unitclass, group ? kGroup : kContext);
            if (parts.size() > 1) t.set(datingField, parts[1]);
            t.post();
        }
    }

    void cycleCheck()
    {
        Protocol cycles(ReportMode::Summary);
        ASSERT_TRUE(RunCycleCheck(session, graph, cycles).ok()) << cycles.lines().join(u'|').toStdString();
    }

    PeriodOrderChooser chooser(Choice choice)
    {
        return [this, choice](const PeriodList& list) -> std::optional<std::vector<int>> {
            shown << periodsText(list);
            EXPECT_NE(choice, Choice::NotAsked) << "the order was asked for";
            if (choice != Choice::SwapFirstTwo) return std::nullopt;
            std::vector<int> order(list.size());
            for (std::size_t i = 0; i < order.size(); ++i) order[i] = int(i);
            std::swap(order[0], order[1]);
            return order;
        };
    }

    // "II:1 I:2*": name, position and "*" for an ambiguous period.
    static QString periodsText(const PeriodList& list)
    {
        QStringList words;
        for (const Period& p : list)
            words << QStringLiteral("%1:%2%3").arg(p.name).arg(p.position).arg(p.ambiguous ? QStringLiteral("*") : QString());
        return words.join(u' ');
    }

    // "Period1 Period2 RecPos Count1 Count2 Flag" per row in index order;
    // nothing when the check made no table.
    QStringList periodRelations()
    {
        QStringList rows;
        const QString path = PeriodRelationTablePath(session.project().ProjectDirectory);
        if (!QFileInfo::exists(path)) return rows;
        Table t;
        t.openFile(path);
        for (const Table::Row& row : t.query(QString(), {}, QStringLiteral("Period1, Period2"))) {
            QStringList values;
            for (const Value& v : row.values) values << valueToString(v);
            rows << values.join(u' ');
        }
        return rows;
    }

    QString levels(const QString& names)
    {
        QStringList words;
        for (const QString& name : names.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            const auto row = session.units().query(QStringLiteral("Unitname = ?"), {name});
            words << name + QLatin1Char(':') + (row.empty() ? QString() : valueToString(row[0].values[uf::Y]));
        }
        return words.join(u' ');
    }
};

struct Case {
    const char* name;
    int field;
    const char* units;
    const char* relations;
    int result;
    QStringList protocol;
    QStringList table;        // period relation rows; none: no table written
    const char* periods;      // the list afterwards
    Choice choice = Choice::NotAsked;
    const char* shown = "";   // what the chooser was shown
    const char* box = "";     // an error box
    const char* levels = "";  // with dating levels: "<unit>:<Y>" ...
};

const QStringList kNoLines;

const Case kCases[] = {
    {"ContemporaryAcrossPeriods", uf::Period, "101:I 102:II", "101-102", 1,
     {"", "Error: Contemporary contexts 101 and 102 belong to different Periods."}, {}, ""},
    {"EqualAcrossPhases", uf::Phase, "101:I 102:II 103:I", "103>101 101=102", 1,
     {"", "Error: Equal contexts 101 and 102 belong to different Phases."}, {}, ""},
    {"ContemporaryInOnePeriodAndUnperiodedPartner", uf::Period, "101:I 102:I 103 104:II",
     "101-102 101>104 102-103", 1, {"", "Error: Context 103 does not belong to a Period."}, {}, ""},
    // Only the first context without a period, though the rows contradict.
    {"ContextWithoutPeriod", uf::Period, "101:II 102 103:I 104 105:I 106:II", "101>103 105>106", 1,
     {"", "Error: Context 102 does not belong to a Period."}, {}, ""},
    {"GroupsNeedNoPeriod", uf::Period, "101:II 102:I G1/g", "101>102", 0, kNoLines, {"II I 1 1 0 0"}, "II:1 I:2"},
    {"OnePeriod", uf::Period, "101:I 102:I G1:II/g", "101>102", 1,
     {"", "Error: All contexts belong to the same Period."}, {}, ""},
    {"OnePhase", uf::Phase, "101:I 102:I", "101>102", 1, {"", "Error: All contexts belong to the same Phase."}, {}, ""},
    {"LaterAndEarlier", uf::Period, "101:II 102:I 103:I 104:II", "101>102 103>104", 2,
     {"", "Error: period I is later and earlier than II."}, {"II I 1 1 1 0"}, "II:0 I:0"},
    {"LaterAndEarlierPhases", uf::Phase, "101:b 102:a 103:a 104:b 105:a 106:b", "101>102 103>104 105>106", 2,
     {"", "Error: phase a is later and earlier than b.", "", "Error: phase a is later and earlier than b."},
     {"b a 1 1 2 0"}, "b:0 a:0"},
    {"Chain", uf::Period, "101:III 102:II 103:I", "101>102 102>103", 0, kNoLines,
     {"II I 3 1 0 0", "III II 1 1 0 0"}, "III:1 II:2 I:3"},
    {"CountsOfOnePair", uf::Period, "101:II 102:II 103:I 104:I", "101>103 102>103 102>104 101>102", 0, kNoLines,
     {"II I 2 3 0 0"}, "II:1 I:2"},
    // II's top context does not make it a candidate before III is ordered.
    {"TopContextBelowLaterPeriod", uf::Period, "101:III 102:II 103:II 104:I", "101>102 102>104 103>104", 0, kNoLines,
     {"II I 3 2 0 0", "III II 1 1 0 0"}, "III:1 II:2 I:3"},
    {"UnrelatedTopPeriodsCancelled", uf::Period, "101:A 102:B 103:C", "101>103 102>103", 1, {}, {"A C 1 1 0 0", "B C 2 1 0 0"},
     "A:1* B:2* C:3", Choice::Cancel, "A:1* B:2* C:3"},
    {"UnrelatedTopPeriodsSwapped", uf::Period, "101:A 102:B 103:C", "101>103 102>103", 0, kNoLines,
     {"A C 1 1 0 0", "B C 2 1 0 0"}, "B:1* A:2* C:3", Choice::SwapFirstTwo, "A:1* B:2* C:3"},
    {"PeriodCycle", uf::Period, "101:I 102:I 103:II 104:II 105:III 106:III", "103>105 103>106 106>101 102>104", 2,
     {"", "Error: Cycle in Periods", "Problem Periods: I, II"}, {"I II 2 1 0 2", "II III 3 2 0 1", "III I 7 1 0 2"},
     "I:0 II:0 III:0"},
    {"PhaseCycle", uf::Phase, "101:I 102:I 103:II 104:II 105:III 106:III", "103>105 103>106 106>101 102>104", 2,
     {"", "Error: Cycle in Phases", "Problem Phases: I, II"}, {"I II 2 1 0 2", "II III 3 2 0 1", "III I 7 1 0 2"},
     "I:0 II:0 III:0"},
    // The walk ends at the missing unit; what it read still counts.
    {"MissingUnitEndsWalk", uf::Period, "101:II 102:I 103:II", "101>102 101>109! 103>102", 0, kNoLines,
     {"II I 1 1 0 0"}, "II:1 I:2", Choice::NotAsked, "", "Unittable corrupt? Could not find unit E:109"},
    // Rows the walks skip still count in a row's record number, whatever
    // units they name.
    {"RecordNumberCountsEveryRow", uf::Period, "101:II 102:I G1/g", "099 p G1 101 p 100 101>102 101 p G1", 0, kNoLines,
     {"II I 3 1 0 0"}, "II:1 I:2"},
    // 103 is on the top row without dating, below II's contexts with it.
    {"DatingLevels", uf::Period, "101:II 102:I 103:I 104:II", "101>102 104>101", 0, kNoLines, {"II I 1 1 0 0"},
     "II:1 I:3", Choice::NotAsked, "", "", "101:2 102:3 103:3 104:1"},
    // A "later than" row without its mirror orders the periods, but the
    // graph only sees the "earlier than" row that contradicts it.
    {"DatingConflict", uf::Period, "101:II 102:I 103:II 104:I", "101>102! 103<104!", 2,
     {"", "Period layout not successful, problem with period II"}, {"II I 1 1 0 0"}, "II:1 I:2", Choice::NotAsked,
     "", "", "101:1 102:1 103:2 104:1"},
};

class PeriodCheckCases : public PeriodCheckFixture, public ::testing::WithParamInterface<Case> {};

TEST_P(PeriodCheckCases, ProtocolTableAndOrder)
{
    const Case& c = GetParam();
    datedUnits(QString::fromUtf8(c.units), c.field);
    relations(QString::fromUtf8(c.relations));
    cycleCheck();
    if (*c.box) ui.expectError(QString::fromUtf8(c.box));
    protocol.add(QStringLiteral("before"));
    const bool dating = *c.levels != '\0';
    const int result = PeriodCheck(session, c.field, protocol, dating, periods, chooser(c.choice), &graph);
    EXPECT_EQ(result, c.result);
    QStringList expected = c.protocol;
    if (!(c.choice == Choice::Cancel)) expected.prepend(QStringLiteral("before"));
    EXPECT_EQ(protocol.lines(), expected);
    EXPECT_EQ(periodRelations(), c.table);
    EXPECT_EQ(periodsText(periods), QString::fromUtf8(c.periods));
    EXPECT_EQ(shown.join(u'|'), QString::fromUtf8(c.shown));
    if (dating) {
        const QString names = QString::fromUtf8(c.levels).remove(QRegularExpression(QStringLiteral(":\\d*")));
        EXPECT_EQ(levels(names), QString::fromUtf8(c.levels));
    }
}

INSTANTIATE_TEST_SUITE_P(Check, PeriodCheckCases, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(PeriodCheckFixture, DatingLevelsOnAGraphOfItsOwn)
{
    datedUnits(QStringLiteral("101:II 102:I 103:I 104:II"), uf::Period);
    relations(QStringLiteral("101>102 104>101"));
    cycleCheck();
    EXPECT_EQ(PeriodCheck(session, uf::Period, protocol, true, periods, chooser(Choice::NotAsked)), 0);
    EXPECT_EQ(levels(QStringLiteral("101 102 103 104")), QStringLiteral("101:2 102:3 103:3 104:1"));
    EXPECT_EQ(periodsText(periods), QStringLiteral("II:1 I:3"));
    EXPECT_TRUE(protocol.isEmpty());
}

TEST_F(PeriodCheckFixture, StatusTextsOfEachStage)
{
    datedUnits(QStringLiteral("101:III 102:II 103:I"), uf::Phase);
    relations(QStringLiteral("101>102 102>103"));
    cycleCheck();
    const qsizetype before = ui.statuses().size();
    EXPECT_EQ(PeriodCheck(session, uf::Phase, protocol, false, periods, chooser(Choice::NotAsked)), 0);
    EXPECT_EQ(ui.statuses().mid(before),
              (QStringList{"Checking contemporary and equal relationships", "Creating list of all Phases",
                           "Ordering list of Phases - level 1", "Ordering list of Phases - level 2",
                           "Ordering list of Phases - level 3", ""}));
    EXPECT_EQ(ui.busyDepth(), 0);
}

TEST_F(PeriodCheckFixture, ReplacesTheOldTable)
{
    datedUnits(QStringLiteral("101:II 102:I"), uf::Period);
    relations(QStringLiteral("101>102"));
    cycleCheck();
    ASSERT_EQ(PeriodCheck(session, uf::Period, protocol, false, periods, chooser(Choice::NotAsked)), 0);
    session.relations().empty();
    relations(QStringLiteral("102>101"));
    cycleCheck();
    EXPECT_EQ(PeriodCheck(session, uf::Period, protocol, false, periods, chooser(Choice::NotAsked)), 0);
    EXPECT_EQ(periodRelations(), QStringList{QStringLiteral("I II 2 1 0 0")});
    EXPECT_EQ(periodsText(periods), QStringLiteral("I:1 II:2"));
}

TEST_F(PeriodCheckFixture, MoreThan255Periods)
{
    QStringList words;
    for (int i = 1; i <= 256; ++i) words << QStringLiteral("%1:P%1").arg(i, 3, 10, QLatin1Char('0'));
    datedUnits(words.join(u' '), uf::Period);
    cycleCheck();
    ui.expectError(QStringLiteral("Error: Cannot process more than 255 periods."));
    EXPECT_EQ(PeriodCheck(session, uf::Period, protocol, true, periods, chooser(Choice::NotAsked), &graph), 1);
    EXPECT_TRUE(protocol.isEmpty());
    EXPECT_TRUE(periods.empty());
}

TEST_F(PeriodCheckFixture, Exactly255PhasesAreOrdered)
{
    QStringList words;
    for (int i = 1; i <= 255; ++i) words << QStringLiteral("%1:P%1").arg(i, 3, 10, QLatin1Char('0'));
    datedUnits(words.join(u' '), uf::Phase);
    QStringList chain;
    for (int i = 1; i < 255; ++i) chain << QStringLiteral("%1>%2").arg(i, 3, 10, QLatin1Char('0')).arg(i + 1, 3, 10, QLatin1Char('0'));
    relations(chain.join(u' '));
    cycleCheck();
    EXPECT_EQ(PeriodCheck(session, uf::Phase, protocol, true, periods, chooser(Choice::NotAsked), &graph), 0);
    ASSERT_EQ(periods.size(), 255u);
    EXPECT_EQ(periods.front().name, QStringLiteral("P001"));
    EXPECT_EQ(periods.back().name, QStringLiteral("P255"));
    EXPECT_EQ(periods.back().position, 255);
}

TEST_F(PeriodCheckFixture, RelationsBehindARow)
{
    datedUnits(QStringLiteral("101:II 102:I 103:I 104:II 105:II 106:III"), uf::Period);
    relations(QStringLiteral("101>102 103>104 105>103 105>106 102=103"));
    auto text = [](const std::vector<RelationRow>& rows) {
        QStringList lines;
        for (const RelationRow& r : rows)
            lines << QStringList{r.excavation1, r.unitname1, r.relation, r.excavation2, r.unitname2}.join(u' ');
        return lines;
    };
    const QString I = QStringLiteral("I"), II = QStringLiteral("II");
    EXPECT_EQ(text(PeriodRelationsBehind(session, uf::Period, II, I, true, true)),
              (QStringList{"E 101 > E 102", "E 104 < E 103", "E 105 > E 103"}));
    EXPECT_EQ(text(PeriodRelationsBehind(session, uf::Period, II, I, true, false)),
              (QStringList{"E 101 > E 102", "E 105 > E 103"}));
    EXPECT_EQ(text(PeriodRelationsBehind(session, uf::Period, II, I, false, true)), (QStringList{"E 104 < E 103"}));
    EXPECT_EQ(text(PeriodRelationsBehind(session, uf::Period, I, II, true, true)),
              (QStringList{"E 102 < E 101", "E 103 > E 104", "E 103 < E 105"}));
    EXPECT_TRUE(PeriodRelationsBehind(session, uf::Phase, II, I, true, true).empty());
}

// Simulated deposits get periods in the order they are laid down, so the
// periods always admit the order from the last to the first; with dating
// levels every period lies in a block below the later ones.
TEST_F(PeriodCheckFixture, SimulatedProjectsOrderTheirPeriods)
{
    CloseProject(session, true);
    for (int run = 0; run < 4; ++run) {
        SimulationSettings s;
        s.projectFile = dir.filePath(QStringLiteral("S%1.bvp").arg(run));
        s.excavation = kExcavation;
        s.contexts = 300 + 100 * run;
        s.periods = 3 + run;
        s.contemporary = run % 2 ? 40 : 0;
        for (auto& seed : s.seeds) seed += 7919 * run;
        ASSERT_TRUE(CreateProjectFiles(session, s.projectFile, s.excavation, QString(), true));
        GenerateSimulation(session, s, 1);
        cycleCheck();
        periods.clear();
        protocol.clear();
        shown.clear();
        const PeriodOrderChooser keep = [this](const PeriodList& list) -> std::optional<std::vector<int>> {
            shown << periodsText(list);
            std::vector<int> order(list.size());
            for (std::size_t i = 0; i < order.size(); ++i) order[i] = int(i);
            return order;
        };
        ASSERT_EQ(PeriodCheck(session, uf::Period, protocol, true, periods, keep, run % 2 ? &graph : nullptr), 0)
            << protocol.lines().join(u'|').toStdString();
        EXPECT_TRUE(protocol.isEmpty());
        ASSERT_EQ(int(periods.size()), s.periods);
        if (shown.isEmpty()) {
            for (int p = 0; p < s.periods; ++p)
                EXPECT_EQ(periods[std::size_t(p)].name, SimulationPeriodName(s.periods - p)) << run;
        }

        std::map<QString, int> rank;
        for (std::size_t p = 0; p < periods.size(); ++p) rank[periods[p].name] = int(p);
        std::vector<int> highest(periods.size(), 0), lowest(periods.size(), INT_MAX);
        for (const auto& row : session.units().query(QStringLiteral("Unitclass = ?"), {kContext})) {
            const int p = rank.at(valueToString(row.values[uf::Period]));
            const int y = intOrZero(row.values[uf::Y]);
            ASSERT_GT(y, 0);
            highest[std::size_t(p)] = std::max(highest[std::size_t(p)], y);
            lowest[std::size_t(p)] = std::min(lowest[std::size_t(p)], y);
        }
        for (std::size_t p = 1; p < periods.size(); ++p) {
            EXPECT_LT(highest[p - 1], lowest[p]) << run << " " << periods[p].name.toStdString();
            EXPECT_EQ(periods[p].position, lowest[p]);
        }
        CloseProject(session, true);
    }
}

} // namespace
