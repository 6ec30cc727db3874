// The layout and check run end to end on a small project with every check
// chosen: the protocol, the tables afterwards and the layout files.
#include "PlacementFixture.h"
#include "layout/LayoutCheckRun.h"
#include "layout/LayoutFiles.h"
#include "store/ProjectFixture.h"
#include "store/UnitFields.h"
#include <QtEndian>
#include <gtest/gtest.h>

using namespace belvanto;
using namespace belvanto::testing;
using namespace belvanto::testing_support;

namespace {

using C = RunControl;

class LayoutCheckRunTest : public ProjectFixture {
protected:
    void SetUp() override
    {
        createProject(QStringLiteral("P"), QStringLiteral("E"));
        // G holds a and b. a > b > c > d, a > c the shortcut, d = e. a, b, c
        // are of the later period, d and e of the earlier one.
        addUnit("E", "G", kGroup);
        struct Context {
            const char* name;
            const char* period;
            const char* z;      // "" without coordinates
            const char* year;
        };
        const Context contexts[] = {
            {"a", "Late", "1.0", "1500"}, {"b", "Late", "2.0", "1400"}, {"c", "Late", "0.5", "1450"},
            {"d", "Early", "0.2", "1000"}, {"e", "Early", "", "1010"},
        };
        for (const Context& c : contexts) {
            addUnit("E", c.name);
            Table& units = session.units();
            ASSERT_TRUE(units.locate(QStringLiteral("Excavation;Unitname"), {QStringLiteral("E"), QString::fromLatin1(c.name)}));
            units.edit();
            units.set(uf::Period, QString::fromLatin1(c.period));
            if (*c.z) {
                units.set(uf::XAvgCoord, 1.0);
                units.set(uf::YAvgCoord, 1.0);
                units.set(uf::ZAvgCoord, QString::fromLatin1(c.z).toDouble());
            }
            units.set(uf::AvgYear, QString::fromLatin1(c.year).toInt());
            units.post();
        }
        addRelation({"E", "a"}, {"E", "b"}, QLatin1Char('>'));
        addRelation({"E", "b"}, {"E", "c"}, QLatin1Char('>'));
        addRelation({"E", "a"}, {"E", "c"}, QLatin1Char('>'));
        addRelation({"E", "c"}, {"E", "d"}, QLatin1Char('>'));
        addRelation({"E", "d"}, {"E", "e"}, QLatin1Char('='));
        addRelation({"E", "a"}, {"E", "G"}, QLatin1Char('p'));
        addRelation({"E", "b"}, {"E", "G"}, QLatin1Char('p'));
    }

    static RunOptions everyCheck()
    {
        RunOptions o;
        for (C c : {C::CoordinatesPresent, C::LaterBelow, C::ContemporaryHeight, C::EqualHeight, C::YearsMatch,
                    C::ContemporaryYears, C::EqualYears, C::Components, C::Cycles, C::DeleteRedundant, C::Periods,
                    C::StrictGroups})
            SetRunOption(o, c, true);
        o.laterBelow = QStringLiteral("0.5");
        o.contemporaryHeight = QStringLiteral("0.1");
        o.equalHeight = QStringLiteral("0");
        o.contemporaryYears = QStringLiteral("0");
        o.equalYears = QStringLiteral("5");
        return o;
    }

    QStringList records(const QString& table)
    {
        Table t;
        t.open(dir.path(), table);
        QStringList rows;
        for (const auto& row : t.query(QString(), {}, t.fields()[0].name + QStringLiteral(", ") + t.fields()[1].name + QStringLiteral(", ") + t.fields()[2].name + QStringLiteral(", ") + t.fields()[3].name)) {
            QStringList fields;
            for (const Value& v : row.values) fields << (valueIsEmpty(v) ? QStringLiteral("~") : valueToString(v));
            rows << fields.join(QLatin1Char(','));
        }
        return rows;
    }
};

std::string text(const QStringList& lines)
{
    return lines.join(QLatin1Char('\n')).toStdString();
}

std::vector<qint32> parameterInts(const QByteArray& bytes)
{
    std::vector<qint32> ints;
    for (qsizetype i = 0; i + 4 <= bytes.size(); i += 4) ints.push_back(qFromLittleEndian<qint32>(bytes.constData() + i));
    return ints;
}

TEST_F(LayoutCheckRunTest, EveryCheckThenTheGroupLayout)
{
    const RunOptions options = everyCheck();
    EXPECT_TRUE(options[C::Groups]) << "strict brings the groups";
    Protocol protocol;
    const LayoutRunResult result = RunLayoutAndCheck(session, options, RunCheckOptions(options), {}, protocol);
    ASSERT_TRUE(result.layoutStored) << text(protocol.lines());
    // The coordinate, height and year checks found problems; they only report.
    EXPECT_TRUE(result.problems);
    EXPECT_FALSE(result.ended);
    EXPECT_TRUE(session.project().DiagramPresent);
    EXPECT_EQ(text(protocol.lines()), text({
        "List of contexts without center coordinates:", "E:e", "",
        "List of later than relationships with problematic height difference of more than 0.5 coordinate units:",
        "E:a later than E:b", "",
        "Test of \"contemporary with\" relationships: No problematic height differences found.", "",
        "Test of \"equal to\" relationships: No problematic height differences found.", "",
        "List of later than relationships with problematic year difference of more than 0:", "E:b later than E:c", "",
        "Test of \"contemporary with\" relationships: No problematic year differences found.", "",
        "List of equal to relationships with problematic year difference of more than 5:", "E:d equal to E:e",
        "All contexts are connected.", "",
        "No cycles found.", "",
        "Redundant: link from E:a down to E:c", "1 redundant relationships found.", "",
        "No \"equal to\" relationships with conflicting group assignments found.", "",
        "No empty group detected.",
    }));
    // The shortcut is deleted; the levels of the cycle check stay in Y.
    QStringList rows;
    for (const auto& row : session.relations().query(QString(), {}, kRelationKeyOrder))
        rows << textAt(row, 1) + textAt(row, 4) + textAt(row, 3) + textAt(row, 6);
    EXPECT_EQ(text(rows), text({"apGu", "a>bu", "bpGu", "b<au", "b>cu", "c<bu", "c>du", "d<cu", "d=eu", "e=du"}));

    // G's frame over levels 1 to 3 (a, b inside); c below it, then the
    // earlier period with d and e merged beside it.
    EXPECT_EQ(text(records(QStringLiteral("P_UnitLayout"))), text({
        "E,G,1,1,1,1,1,3,1,1,0,16777215,0,16777215,0,G,~,~",
        "E,a,1*1,1,1,1,2,2,0,1,0,16777215,0,16777215,0,C,~,~",
        "E,b,1*2,1,1,1,3,3,0,0,1,16777215,0,16777215,0,C,~,~",
        "E,c,2,1,1,1,4,4,0,1,1,16777215,0,16777215,0,C,~,~",
        "E,d,3,1,1,1,5,5,0,0,1,16777215,0,16777215,0,C,~,~",
        "E,e,3,2,2,2,5,5,0,~,~,16777215,0,16777215,0,E,~,~",
    }));
    // The line from c starts below G's frame, on G's last level.
    EXPECT_EQ(text(records(QStringLiteral("P_RelLayout"))), text({
        "E,b,E,a,~,2,3,2,2,0,<,1,0,0",
        "E,c,E,G,~,3,4,2,2,1,<,1,0,0",
        "E,d,E,c,~,4,5,2,2,0,<,1,0,0",
        "E,d,E,e,~,5,~,1,2,~,=,~,~,~",
    }));
    // Groups; 2 columns, 5 levels; frame lanes at G's columns and below its
    // last level; the dividing line's track above level 5; Late from 1,
    // Early from 5.
    EXPECT_EQ(parameterInts(readAll(LayoutParameterPath(dir.path(), QStringLiteral("P")))),
              (std::vector<qint32>{1, 2, 5, 1, 0, 1, 0, 0, 0, 1, 0, 0, 0, 0, 0, 1, 0, 2,
                                   4, 'L', 'a', 't', 'e', 1, 5, 'E', 'a', 'r', 'l', 'y', 5}));
}

TEST_F(LayoutCheckRunTest, ACheckThatEndsTheRunLeavesTheStoredLayout)
{
    RunOptions options = everyCheck();
    Protocol first;
    ASSERT_TRUE(RunLayoutAndCheck(session, options, RunCheckOptions(options), {}, first).layoutStored);
    const QStringList before = records(QStringLiteral("P_UnitLayout"));
    // e later than a closes a cycle through the equal set.
    addRelation({"E", "e"}, {"E", "a"}, QLatin1Char('>'));
    Protocol second;
    const LayoutRunResult result = RunLayoutAndCheck(session, options, RunCheckOptions(options), {}, second);
    EXPECT_FALSE(result.layoutStored);
    EXPECT_TRUE(result.ended);
    EXPECT_TRUE(second.lines().contains(QStringLiteral("Layout not successful."))) << text(second.lines());
    EXPECT_FALSE(session.project().DiagramPresent);
    EXPECT_EQ(records(QStringLiteral("P_UnitLayout")), before);

    // Check only: no layout, and the display command goes off.
    SetRunOption(options, C::Groups, false);
    SetRunOption(options, C::Layout, false);
    Protocol third;
    EXPECT_FALSE(RunLayoutAndCheck(session, options, RunCheckOptions(options), {}, third).layoutStored);
    EXPECT_FALSE(session.project().DiagramPresent);
}

TEST_F(LayoutCheckRunTest, TheDialogsOnTheWay)
{
    RunOptions options;
    SetRunOption(options, C::CoordinateOrder, true);
    // No projection confirmed: the run ends before the cycle check.
    int asked = 0;
    RunDialogs dialogs;
    dialogs.projection = [&]() -> std::optional<ProjectionChoice> {
        ++asked;
        return std::nullopt;
    };
    Protocol protocol;
    LayoutRunResult result = RunLayoutAndCheck(session, options, RunCheckOptions(options), dialogs, protocol);
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(result.ended);
    EXPECT_TRUE(protocol.isEmpty());
    // Confirmed: the contexts are ordered by their projection (all at one
    // point here: 50000, a and b; the others -2).
    dialogs.projection = [&]() -> std::optional<ProjectionChoice> { return ProjectionChoice{0, 1.0, 1.0}; };
    result = RunLayoutAndCheck(session, options, RunCheckOptions(options), dialogs, protocol);
    EXPECT_TRUE(result.layoutStored);
    Table& units = session.units();
    ASSERT_TRUE(units.locate(QStringLiteral("Excavation;Unitname"), {QStringLiteral("E"), QStringLiteral("a")}));
    EXPECT_EQ(units.get(uf::X), Value(qint32(50000)));
    ASSERT_TRUE(units.locate(QStringLiteral("Excavation;Unitname"), {QStringLiteral("E"), QStringLiteral("e")}));
    EXPECT_EQ(units.get(uf::X), Value(qint32(-2)));

    // Periods against the stratigraphy: the relation counts of the field.
    units.locate(QStringLiteral("Excavation;Unitname"), {QStringLiteral("E"), QStringLiteral("a")});
    units.edit();
    units.set(uf::Period, QStringLiteral("Early"));
    units.post();
    RunOptions dated;
    SetRunOption(dated, C::Periods, true);
    int shown = -1;
    dialogs = {};
    dialogs.periodRelations = [&](int field) { shown = field; };
    Protocol datedProtocol;
    result = RunLayoutAndCheck(session, dated, RunCheckOptions(dated), dialogs, datedProtocol);
    EXPECT_FALSE(result.layoutStored);
    EXPECT_EQ(result.periodResult, kPeriodCheckShowRelations);
    EXPECT_EQ(shown, int(uf::Period));
}

} // namespace
