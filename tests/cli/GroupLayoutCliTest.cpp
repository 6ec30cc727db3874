// layout --groups on projects the group layout must refuse: the run ends
// with the protocol lines that say why, exit code 1, and no layout stored.
#include "CliRunner.h"
#include "core/Regional.h"
#include "layout/LayoutFiles.h"
#include "store/LayoutFileNames.h"
#include "store/Project.h"
#include "store/Relations.h"
#include "store/Session.h"
#include "support/ScriptedUi.h"
#include <QFile>
#include <gtest/gtest.h>
#include <functional>

using namespace belvanto;
using belvanto::testing::runCliCaptured;

namespace {

class GroupLayoutCli : public ::testing::Test {
public:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        ASSERT_EQ(runCliCaptured({"new", project(), "--excavation", "E", "--single"}).code, 0);
    }
    QString project() const { return dir.filePath(QStringLiteral("P.bvp")); }
    void units(const QStringList& names, const QStringList& options = {})
    {
        ASSERT_EQ(runCliCaptured(QStringList{"unit", "add", project()} + names + options).code, 0);
    }
    void groups(const QStringList& names) { units(names, {"--class", "group"}); }
    void withPeriod(const QStringList& names, const QString& period)
    {
        units(names, {"--set", QStringLiteral("Period=") + period});
    }
    void rels(const QStringList& words)
    {
        const auto r = runCliCaptured(QStringList{"rel", "add", project()} + words);
        ASSERT_EQ(r.code, 0) << r.err.toStdString();
    }
    // A "part of" row the relationship gate would refuse, written straight
    // into the table.
    void partOfRow(const QString& member, const QString& group)
    {
        ScriptedUi ui;
        FixedRegional regional;
        Session session(ui, regional);
        ASSERT_TRUE(OpenProject(session, project()));
        InsertRelationRow(session.relations(), {"E", member}, {"E", group}, category::PartOf, QString(), status::Stored);
        CloseProject(session, true);
    }
    // The layout files of the project that exist.
    QStringList layoutFiles() const
    {
        QStringList present;
        for (const QString& path : LayoutFilePaths(dir.path(), QStringLiteral("P")))
            if (QFile::exists(path)) present << path;
        return present;
    }
    std::string dump(const char* what) { return runCliCaptured({"dump", project(), what}).out.toStdString(); }
    // The fields of a unit's record in the unit layout table; none when it
    // has no record.
    QStringList layoutRecord(const QString& name)
    {
        const QString prefix = QStringLiteral("E,") + name + QLatin1Char(',');
        for (const QString& line : runCliCaptured({"dump", project(), "unitlayout"}).out.split(QLatin1Char('\n')))
            if (line.startsWith(prefix)) return line.split(QLatin1Char(','));
        return {};
    }
    QTemporaryDir dir;
};

// The lines every run with groups begins with on these small projects.
const std::string kChecked = "No cycles found.\n\n0 redundant relationships found.\n\n"
                             "No \"equal to\" relationships with conflicting group assignments found.\n";

struct Fault {
    const char* name;
    std::function<void(GroupLayoutCli&)> make;
    QStringList options;
    std::string protocol;
};

void PrintTo(const Fault& fault, std::ostream* os)
{
    *os << fault.name;
}

class GroupLayoutFaults : public GroupLayoutCli, public ::testing::WithParamInterface<Fault> {};

void TwoGroupsOfTwo(GroupLayoutCli& t)
{
    t.units({"1", "2", "3", "4"});
    t.groups({"G1", "G2"});
    t.rels({"1", "p", "G1", "2", "p", "G1", "3", "p", "G2", "4", "p", "G2"});
}

const Fault kFaults[] = {
    {"GroupCycle",
     [](GroupLayoutCli& t) {
         t.units({"1", "2"});
         t.groups({"G1", "G2"});
         t.rels({"1", "p", "G1", "2", "p", "G2", "G1", "p", "G2", "G2", "p", "G1"});
     },
     {},
     kChecked + "There is a group cycle. Possible cycle members are:\r\nG1, G2\n"},
    {"GroupWithoutMembers",
     [](GroupLayoutCli& t) {
         t.units({"1", "2"});
         t.groups({"G1", "H"});
         t.rels({"1", "p", "G1", "2", "p", "G1", "1<2"});
     },
     {},
     kChecked + "\nError: group H does not contain any members.\n"},
    {"PeriodsAgainstTheStratigraphy",
     [](GroupLayoutCli& t) {
         t.withPeriod({"1", "3"}, "I");
         t.withPeriod({"2", "4"}, "II");
         t.groups({"G1", "G2"});
         t.rels({"1", "p", "G1", "3", "p", "G1", "2", "p", "G2", "4", "p", "G2", "1>2", "4>3"});
     },
     {"--periods"},
     "No cycles found.\n\n0 redundant relationships found.\n\nError: period II is later and earlier than I.\n\n"
     "Check period relation count list:\nPeriod1\tPeriod2\t> count\t< count\nI\tII\t1\t1\n"},
    // Contexts related both ways make their groups contradict each other.
    {"StrictGroupsRelatedBothWays",
     [](GroupLayoutCli& t) {
         TwoGroupsOfTwo(t);
         t.rels({"1<3", "4<2"});
     },
     {"--strict"},
     kChecked + "\nNo empty group detected.\n\nConflicting relationship between groups found:\n"
                "Groups with contradicting relationships: E:G2 and E:G1.\n"},
    {"StrictGroupsEarlierAndContemporary",
     [](GroupLayoutCli& t) {
         TwoGroupsOfTwo(t);
         t.rels({"1<3", "2-4"});
     },
     {"--strict"},
     kChecked + "\nNo empty group detected.\n\nConflicting relationship between groups found:\n"
                "Groups with contradicting relationships: E:G1 and E:G2.\n"},
};

TEST_P(GroupLayoutFaults, EndTheRunWithoutALayout)
{
    const Fault& fault = GetParam();
    fault.make(*this);
    const auto r = runCliCaptured(QStringList{"layout", project(), "--groups"} + fault.options);
    EXPECT_EQ(r.code, 1) << r.err.toStdString();
    EXPECT_EQ(r.out.toStdString(), fault.protocol);
    EXPECT_EQ(r.err.toStdString(), "");
    EXPECT_EQ(layoutFiles(), QStringList());
    EXPECT_NE(runCliCaptured({"info", project()}).out.indexOf(QStringLiteral("Diagram present: no")), -1);
}

INSTANTIATE_TEST_SUITE_P(Faults, GroupLayoutFaults, ::testing::ValuesIn(kFaults),
                         [](const ::testing::TestParamInfo<Fault>& info) { return std::string(info.param.name); });

// Without --strict the groups related both ways become contemporary: one
// level, and the run succeeds.
TEST_F(GroupLayoutCli, GroupsRelatedBothWaysShareALevelWithoutStrict)
{
    TwoGroupsOfTwo(*this);
    rels({"1<3", "4<2"});
    const auto r = runCliCaptured({"layout", project(), "--groups"});
    ASSERT_EQ(r.code, 0) << r.out.toStdString() << r.err.toStdString();
    EXPECT_EQ(r.out.toStdString(), kChecked + "\nNo empty group detected.\n");
    const QStringList g1 = layoutRecord("G1");
    const QStringList g2 = layoutRecord("G2");
    ASSERT_GT(g1.size(), ul::YLevelStop);
    ASSERT_GT(g2.size(), ul::YLevelStop);
    EXPECT_EQ(g1[ul::Clevel], g2[ul::Clevel]);
    EXPECT_EQ(g1[ul::YLevelStart], g2[ul::YLevelStart]);
    EXPECT_NE(g1[ul::XStart], g2[ul::XStart]);
}

// A context that two "part of" rows put into two groups belongs to the
// first of them, as the group hierarchy reads it.
TEST_F(GroupLayoutCli, AContextInTwoGroupsStaysInTheFirst)
{
    TwoGroupsOfTwo(*this);
    partOfRow("1", "G2");
    const auto r = runCliCaptured({"layout", project(), "--groups"});
    EXPECT_EQ(r.code, 0) << r.out.toStdString() << r.err.toStdString();
    EXPECT_EQ(r.out.toStdString(), kChecked + "\nNo empty group detected.\n");
    const QStringList context = layoutRecord("1");
    const QStringList first = layoutRecord("G1");
    const QStringList second = layoutRecord("G2");
    ASSERT_GT(context.size(), ul::YLevelStop);
    ASSERT_GT(first.size(), ul::YLevelStop);
    ASSERT_GT(second.size(), ul::YLevelStop);
    EXPECT_TRUE(context[ul::Clevel].startsWith(first[ul::Clevel] + QLatin1Char('*'))) << context.join(',').toStdString();
    EXPECT_GE(context[ul::XStart].toInt(), first[ul::XStart].toInt());
    EXPECT_LE(context[ul::XStart].toInt(), first[ul::XStop].toInt());
    EXPECT_FALSE(context[ul::Clevel].startsWith(second[ul::Clevel] + QLatin1Char('*'))) << context.join(',').toStdString();
}

// A failing run leaves the layout of the run before it.
TEST_F(GroupLayoutCli, AFailedRunAfterALayout)
{
    TwoGroupsOfTwo(*this);
    rels({"1<3", "4<2"});
    ASSERT_EQ(runCliCaptured({"layout", project(), "--groups"}).code, 0);
    const std::string before = dump("unitlayout");
    ASSERT_EQ(layoutFiles().size(), 3);
    const auto r = runCliCaptured({"layout", project(), "--groups", "--strict"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(layoutFiles().size(), 3);
    EXPECT_EQ(dump("unitlayout"), before);
    EXPECT_NE(runCliCaptured({"info", project()}).out.indexOf(QStringLiteral("Diagram present: no")), -1);
}

} // namespace
