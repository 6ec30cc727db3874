// The check command runs the chosen checks in the run's order and answers
// the components question from its options; pair prints the path window.
#include "CliRunner.h"
#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

using namespace belvanto;
using belvanto::testing::runCliCaptured;

namespace {

class CheckCommands : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        ASSERT_EQ(runCliCaptured({"new", project(), "--excavation", "E", "--single"}).code, 0);
    }
    QString project() const { return dir.filePath(QStringLiteral("P.bvp")); }
    void units(const QStringList& names, const char* unitClass = "context")
    {
        ASSERT_EQ(runCliCaptured(QStringList{"unit", "add", project()} + names
                                 + QStringList{"--class", QString::fromLatin1(unitClass)})
                      .code,
                  0);
    }
    void rels(const QStringList& words)
    {
        const auto r = runCliCaptured(QStringList{"rel", "add", project()} + words);
        ASSERT_EQ(r.code, 0) << r.err.toStdString();
    }
    QString relDump() { return runCliCaptured({"dump", project(), "rels"}).out; }
    QTemporaryDir dir;
};

TEST_F(CheckCommands, ComponentsAreReportedAndTheAnswerComesFromTheOptions)
{
    units({"A", "B", "D", "F"});
    rels({"A<B", "D=F"});
    const std::string lines = "Component 1 consists of 2 connected contexts.\n"
                              "Component 2 consists of 2 connected contexts.\n\n";
    const std::string question = "warning: 2 separate components detected.\n"
                                 "  Do you want to store the components in separate projects?";
    // No: the run goes on with the cycle check.
    auto r = runCliCaptured({"check", project(), "--components"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.out.toStdString(), lines + "No cycles found.\n\n");
    EXPECT_EQ(r.err.toStdString(), question + " [answer: No]\n");
    EXPECT_FALSE(QFile::exists(dir.filePath("P_1.bvp")));
    // --cancel ends the run at the question.
    r = runCliCaptured({"--cancel", "check", project(), "--components"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.out.toStdString(), lines);
    EXPECT_FALSE(QFile::exists(dir.filePath("P_1.bvp")));
    // Yes stores them and ends the run.
    r = runCliCaptured({"check", project(), "--components", "--store-components"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.out.toStdString(), lines);
    EXPECT_EQ(r.err.toStdString(),
              question + " [answer: Yes]\ninformation: 2 components stored in projects P_1, P_2\n");
    for (const char* name : {"P_1.bvp", "P_1_unit.db", "P_1_rel.db", "P_2.bvp", "P_2_unit.db", "P_2_rel.db"})
        EXPECT_TRUE(QFile::exists(dir.filePath(QString::fromLatin1(name)))) << name;
    // The stored projects are projects of their own.
    r = runCliCaptured({"dump", dir.filePath("P_2.bvp"), "units"});
    EXPECT_EQ(r.code, 0);
    EXPECT_TRUE(r.out.contains(QStringLiteral("\nE,D,")) && r.out.contains(QStringLiteral("\nE,F,")));
    EXPECT_FALSE(r.out.contains(QStringLiteral("\nE,A,")));
}

TEST_F(CheckCommands, RedundantRelationshipsAreMarkedAndDeletedOnlyWhenAsked)
{
    units({"A", "B", "D"});
    rels({"A>B", "B>D", "A>D"});
    auto r = runCliCaptured({"check", project(), "--redundancy"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.out.toStdString(),
              "No cycles found.\n\nRedundant: link from E:A down to E:D\n1 redundant relationships found.\n");
    EXPECT_TRUE(relDump().contains(QStringLiteral("E,A,E,D,>,,R")));
    EXPECT_TRUE(relDump().contains(QStringLiteral("E,D,E,A,<,,R")));
    r = runCliCaptured({"check", project(), "--redundancy", "--delete-redundant", "--short"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.out.toStdString(), "1 redundant relationships found.\n");
    EXPECT_FALSE(relDump().contains(QStringLiteral("E,A,E,D")));
    EXPECT_TRUE(relDump().contains(QStringLiteral("E,A,E,B")));
    r = runCliCaptured({"check", project(), "--redundancy"});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out.toStdString(), "No cycles found.\n\n0 redundant relationships found.\n");
}

TEST_F(CheckCommands, GroupAssignmentsAndHierarchy)
{
    units({"101", "102"});
    units({"G", "H"}, "group");
    rels({"101", "p", "G", "101=102"});
    auto r = runCliCaptured({"check", project(), "--group-assignments"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.out.toStdString(), "No cycles found.\n\n\n"
                                   "List of \"equal to\" relationships with conflicting group assignments:\n"
                                   "102 equal to 101\n");
    r = runCliCaptured({"check", project(), "--group-assignments", "--no-cycles", "--short"});
    EXPECT_EQ(r.out.toStdString(), "1 \"equal to\" relationships with conflicting group assignments found\n");
    // A conflict ends the run before the hierarchy.
    r = runCliCaptured({"check", project(), "--group-assignments", "--hierarchy", "--no-cycles", "--short"});
    EXPECT_EQ(r.out.toStdString(), "1 \"equal to\" relationships with conflicting group assignments found\n");
    r = runCliCaptured({"check", project(), "--hierarchy", "--no-cycles"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.out.toStdString(), "\nError: group H does not contain any members.\n");
    rels({"H", "p", "G"});
    r = runCliCaptured({"check", project(), "--hierarchy", "--no-cycles"});
    EXPECT_EQ(r.out.toStdString(), "\nError: group H does not contain any members.\n");
    rels({"102", "p", "H"});
    r = runCliCaptured({"check", project(), "--hierarchy", "--no-cycles", "--with-contexts"});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out.toStdString(), "\nNo empty group detected.\n");
    // A chronology needs every context's period.
    r = runCliCaptured({"check", project(), "--hierarchy", "--no-cycles", "--chronology", "period"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.out.toStdString(), "Error: context 101 does not belong to a Period.\n");
}

TEST_F(CheckCommands, PairPrintsThePathFromTheLaterContext)
{
    units({"101", "200", "300"});
    rels({"101>200"});
    const std::string path = "Connection between 101 and 200:\n\n101\n> 200\n";
    for (const auto& words : {QStringList{"101", "200"}, QStringList{"200", "E:101"}}) {
        const auto r = runCliCaptured(QStringList{"pair", project()} + words);
        EXPECT_EQ(r.code, 0);
        EXPECT_EQ(r.out.toStdString(), path);
    }
    const auto r = runCliCaptured({"pair", project(), "101", "300"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err.toStdString(), "information: There are no stratigraphic relations between 101 and 300\n");
}

// The order check prints the sequence it found, marking what the
// stratigraphy leaves open, or the period relation counts that stopped it;
TEST_F(CheckCommands, PeriodsArePutInOrderOrTheirCountsPrinted)
{
    auto withPeriod = [&](const QStringList& names, const char* period) {
        ASSERT_EQ(runCliCaptured(QStringList{"unit", "add", project()} + names +
                                 QStringList{"--set", QStringLiteral("Period=") + QString::fromUtf8(period)})
                      .code,
                  0);
    };
    withPeriod({"101", "103"}, "II");
    withPeriod({"102", "104"}, "I");
    withPeriod({"105"}, "III");
    withPeriod({"106"}, "R\u00f6misch");
    rels({"105>101", "101>102", "103>104", "106>104"});
    auto r = runCliCaptured({"check", project(), "--periods"});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.out.toStdString(), "No cycles found.\n\n"
                                   "Sequence of Periods, latest first: III*, R\u00f6misch*, II, I\n"
                                   "* the stratigraphy leaves the order of these open\n");

    rels({"102>103"});
    r = runCliCaptured({"check", project(), "--periods", "--short"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.out.toStdString(), "\nError: period I is later and earlier than II.\n\n"
                                   "Check period relation count list:\n"
                                   "Period1\tPeriod2\t> count\t< count\n"
                                   "II\tI\t2\t1\nIII\tII\t1\t0\nR\u00f6misch\tI\t1\t0\n");
    EXPECT_EQ(runCliCaptured({"check", project(), "--phases"}).out.toStdString(),
              "No cycles found.\n\n\nError: Context 101 does not belong to a Phase.\n");
    EXPECT_EQ(runCliCaptured({"check", project(), "--periods", "--phases"}).code, 2);
}

TEST_F(CheckCommands, BadInputIsAUsageError)
{
    units({"A", "B"});
    const QStringList cases[] = {
        {"check", project(), "--store-components"},
        {"check", project(), "--delete-redundant"},
        {"check", project(), "--redundancy", "--no-cycles"},
        {"check", project(), "--hierarchy", "--chronology", "century"},
        {"check", project(), "--with-contexts"},
        {"pair", project(), "A"},
        {"pair", project(), "A", "B", "C"},
        {"pair", project(), "A", "X"},
        {"pair", project(), "A", "B:C:D"},
    };
    for (const QStringList& args : cases) {
        const auto r = runCliCaptured(args);
        EXPECT_EQ(r.code, 2) << args.join(' ').toStdString() << "\n" << r.err.toStdString();
    }
    EXPECT_EQ(runCliCaptured({"pair", project(), "A", "X"}).err.toStdString(), "error: Unit E:X does not exist.\n");
}

TEST_F(CheckCommands, HeightAndYearChecksComeFirstAndReportWithoutEndingTheRun)
{
    units({"A", "--set", "XAvgCoord=1", "--set", "YAvgCoord=1", "--set", "ZAvgCoord=10.0", "--set", "AvgYear=1200"});
    units({"B", "--set", "XAvgCoord=2", "--set", "YAvgCoord=2", "--set", "ZAvgCoord=10.3", "--set", "AvgYear=1250"});
    units({"C", "D"});
    rels({"A>B", "C-D"});
    auto r = runCliCaptured({"check", project(), "--coordinates", "--later-below", "0.2", "--years-match"});
    EXPECT_EQ(r.code, 1) << r.err.toStdString();
    EXPECT_EQ(r.out.toStdString(),
              "List of contexts without center coordinates:\nC\nD\n\n"
              "List of later than relationships with problematic height difference of more than 0.2 coordinate units:\n"
              "A later than B\n\n"
              "List of later than relationships with problematic year difference of more than 0:\n"
              "A later than B\n"
              "No cycles found.\n\n");
    // 10.3 - 10.0 at the limit 0.3 is no problem.
    r = runCliCaptured({"check", project(), "--summary", "--no-cycles", "--later-below", "0.3", "--equal-height",
                        "0", "--contemporary-years", "5", "--equal-years", "0"});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.out.toStdString(),
              "0 \"later than\" relationships with problematic height difference of more than 0.3 coordinate units found.\n"
              "0 \"equal to\" relationships with problematic height difference of more than 0 coordinate units found.\n"
              "0 \"contemporary with\" relationships with problematic year difference of more than 5 found.\n"
              "0 \"equal to\" relationships with problematic year difference of more than 0 found.\n");
    // Heights are numbers, years whole numbers, as the run's dialog takes them.
    for (const char* option : {"--later-below", "--contemporary-height", "--equal-height", "--contemporary-years",
                               "--equal-years"}) {
        const bool years = QByteArray(option).endsWith("years");
        for (const char* value : {"abc", "-1", "0,5", "", "2.5"}) {
            if (!years && QByteArray(value) == "2.5") continue;
            r = runCliCaptured({"check", project(), QString::fromLatin1(option), QString::fromLatin1(value)});
            EXPECT_EQ(r.code, 2) << option << " " << value;
            EXPECT_TRUE(r.err.contains(QString::fromLatin1(option)
                                       + (years ? QStringLiteral(" takes a non-negative integer")
                                                : QStringLiteral(" takes a non-negative number, such as 0.5"))))
                << r.err.toStdString();
        }
    }
}

} // namespace
