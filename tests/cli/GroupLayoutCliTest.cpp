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

// The lines every run with groups begins with on these small projects: the
// cycle check and the redundancy test, and before the hierarchy the group
// assignment test.
const std::string kChecked = "No cycles found.\n\n0 redundant relationships found.\n";
const std::string kAssigned = "\nNo \"equal to\" relationships with conflicting group assignments found.\n";
// The empty-group check adds its text after an empty line whatever it
// finds, as the layout and check run does.
const std::string kNoEmptyGroup = "\nNo empty group detected.\n";

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
     kChecked + kAssigned + "There is a group cycle. Possible cycle members are:\r\nG1, G2\n"},
    {"GroupWithoutMembers",
     [](GroupLayoutCli& t) {
         t.units({"1", "2"});
         t.groups({"G1", "H"});
         t.rels({"1", "p", "G1", "2", "p", "G1", "1<2"});
     },
     {},
     kChecked + kAssigned + "\nError: group H does not contain any members.\n"},
    {"PeriodsAgainstTheStratigraphy",
     [](GroupLayoutCli& t) {
         t.withPeriod({"1", "3"}, "I");
         t.withPeriod({"2", "4"}, "II");
         t.groups({"G1", "G2"});
         t.rels({"1", "p", "G1", "3", "p", "G1", "2", "p", "G2", "4", "p", "G2", "1>2", "4>3"});
     },
     {"--periods"},
     // The relation counts the run's window would show follow the protocol.
     kChecked + "\nError: period II is later and earlier than I.\n\nCheck period relation count list:\n"
                "Period1\tPeriod2\t> count\t< count\nI\tII\t1\t1\n"},
    // Contexts related both ways make their groups contradict each other.
    // The conflict shows when the second group's contexts are walked, and the
    // text names the group being walked first.
    {"StrictGroupsRelatedBothWays",
     [](GroupLayoutCli& t) {
         TwoGroupsOfTwo(t);
         t.rels({"1<3", "4<2"});
     },
     {"--strict"},
     kChecked + kAssigned + kNoEmptyGroup + "\nConflicting relationship between groups found:\n"
                "Groups with contradicting relationships: E:G2 and E:G1.\n"},
    // Here the first group's own contexts already relate it both ways.
    {"StrictGroupsEarlierAndContemporary",
     [](GroupLayoutCli& t) {
         TwoGroupsOfTwo(t);
         t.rels({"1<3", "2-4"});
     },
     {"--strict"},
     kChecked + kAssigned + kNoEmptyGroup + "\nConflicting relationship between groups found:\n"
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
// level, side by side, and the run succeeds.
TEST_F(GroupLayoutCli, GroupsRelatedBothWaysShareALevelWithoutStrict)
{
    TwoGroupsOfTwo(*this);
    rels({"1<3", "4<2"});
    const auto r = runCliCaptured({"layout", project(), "--groups"});
    ASSERT_EQ(r.code, 0) << r.out.toStdString() << r.err.toStdString();
    const QStringList g1 = layoutRecord("G1");
    const QStringList g2 = layoutRecord("G2");
    ASSERT_GT(g1.size(), ul::YLevelStop);
    ASSERT_GT(g2.size(), ul::YLevelStop);
    EXPECT_EQ(g1[ul::Clevel], g2[ul::Clevel]);
    EXPECT_EQ(g1[ul::YLevelStart], g2[ul::YLevelStart]);
    EXPECT_NE(g1[ul::XStart], g2[ul::XStart]);
    EXPECT_EQ(layoutFiles().size(), 3);
}

// A context that two "part of" rows put into two groups is no fault: it
// belongs to the group of its first row in key order, as the group
// hierarchy reads it, whichever row was entered first.
TEST_F(GroupLayoutCli, AContextInTwoGroupsBelongsToTheFirstInKeyOrder)
{
    units({"1", "2", "3", "4"});
    groups({"G1", "G2"});
    rels({"2", "p", "G1", "1", "p", "G2", "3", "p", "G2", "4", "p", "G2"});
    partOfRow("1", "G1");
    const auto r = runCliCaptured({"layout", project(), "--groups"});
    ASSERT_EQ(r.code, 0) << r.out.toStdString() << r.err.toStdString();
    const QStringList context = layoutRecord("1");
    const QStringList first = layoutRecord("G1");
    const QStringList second = layoutRecord("G2");
    ASSERT_GT(context.size(), ul::YLevelStop);
    ASSERT_GT(first.size(), ul::YLevelStop);
    ASSERT_GT(second.size(), ul::YLevelStop);
    const int column = context[ul::XStart].toInt();
    EXPECT_GE(column, first[ul::XStart].toInt()) << context.join(',').toStdString();
    EXPECT_LE(column, first[ul::XStop].toInt()) << context.join(',').toStdString();
    EXPECT_TRUE(column < second[ul::XStart].toInt() || column > second[ul::XStop].toInt())
        << context.join(',').toStdString();
}

// After a layout, a run that a check ends leaves the stored files alone; a
// run that the group layout itself fails deletes them. Either way the
// project no longer records a current diagram.
TEST_F(GroupLayoutCli, AFailedRunAfterALayout)
{
    TwoGroupsOfTwo(*this);
    rels({"1<3", "4<2"});
    ASSERT_EQ(runCliCaptured({"layout", project(), "--groups"}).code, 0);
    const std::string before = dump("unitlayout");
    ASSERT_EQ(layoutFiles().size(), 3);
    auto diagramPresent = [&] {
        return runCliCaptured({"info", project()}).out.indexOf(QStringLiteral("Diagram present: yes")) >= 0;
    };
    ASSERT_TRUE(diagramPresent());

    units({"5"});
    groups({"H"});
    EXPECT_EQ(runCliCaptured({"layout", project(), "--groups"}).code, 1);
    EXPECT_EQ(layoutFiles().size(), 3);
    EXPECT_EQ(dump("unitlayout"), before);
    EXPECT_FALSE(diagramPresent());

    rels({"5", "p", "H"});
    ASSERT_EQ(runCliCaptured({"layout", project(), "--groups"}).code, 0);
    EXPECT_EQ(runCliCaptured({"layout", project(), "--groups", "--strict"}).code, 1);
    EXPECT_EQ(layoutFiles(), QStringList());
    EXPECT_FALSE(diagramPresent());
}

} // namespace
