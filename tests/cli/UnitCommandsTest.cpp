#include "CliRunner.h"
#include <gtest/gtest.h>

using namespace belvanto;
using belvanto::testing::runCliCaptured;

namespace {

class UnitCommands : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        ASSERT_EQ(runCliCaptured({"new", project(), "--excavation", "A"}).code, 0);
        ASSERT_EQ(runCliCaptured({"unit", "add", project(), "1", "2", "3", "4", "--set", "Period=Roman"}).code, 0);
        ASSERT_EQ(runCliCaptured({"unit", "add", project(), "G1", "--class", "group"}).code, 0);
        ASSERT_EQ(runCliCaptured({"rel", "add", project(), "1<2", "2=3", "4", "p", "G1", "3", "p", "G1"}).code, 0);
    }
    QString project() const { return dir.filePath(QStringLiteral("P.bvp")); }
    // The rows of a table as CSV lines, without the header.
    std::string dump(const char* table)
    {
        const auto r = runCliCaptured({"dump", project(), table});
        return r.out.mid(r.out.indexOf(QLatin1Char('\n')) + 1).toStdString();
    }
    QTemporaryDir dir;
};

TEST_F(UnitCommands, DeleteAsksAndTakesEveryRowOfTheUnits)
{
    const std::string before = dump("rels");
    auto r = runCliCaptured({"unit", "delete", project(), "2", "G1"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err.toStdString(),
              "confirmation: Do you really want to delete 2 units and all their relations? [answer: No]\n");
    EXPECT_EQ(dump("rels"), before);

    r = runCliCaptured({"--yes", "unit", "delete", project(), "2", "G1"});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(dump("rels"), "");

    r = runCliCaptured({"--yes", "unit", "delete", project(), "A:7"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err.toStdString(), "error: Unit A:7 does not exist.\n");
}

TEST_F(UnitCommands, MergeMovesTheRowsToTheTarget)
{
    const auto r = runCliCaptured({"--yes", "unit", "merge", project(), "4", "2"});
    EXPECT_EQ(r.err.toStdString(), "confirmation: Do you really want to merge the selected units? [answer: Yes]\n"
                                   "information: Unit relations have been merged.\n"
                                   "  All relations were transferred to unit A:4.\n");
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(dump("rels"), "A,1,A,4,<,,u\n"
                            "A,3,A,4,=,,u\n"
                            "A,3,A,G1,p,,u\n"
                            "A,4,A,1,>,,u\n"
                            "A,4,A,3,=,,u\n"
                            "A,4,A,G1,p,,u\n");
}

TEST_F(UnitCommands, SplitCopiesTheUnitAndMovesChosenMembers)
{
    auto r = runCliCaptured({"unit", "split", project(), "3", "5"});
    EXPECT_EQ(r.err.toStdString(), "");
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(dump("rels"), "A,1,A,2,<,,u\n"
                            "A,2,A,1,>,,u\n"
                            "A,2,A,3,=,,u\n"
                            "A,2,A,5,=,,u\n"
                            "A,3,A,2,=,,u\n"
                            "A,3,A,5,=,,u\n"
                            "A,3,A,G1,p,,u\n"
                            "A,4,A,G1,p,,u\n"
                            "A,5,A,2,=,,u\n"
                            "A,5,A,3,=,,u\n"
                            "A,5,A,G1,p,,u\n");

    r = runCliCaptured({"unit", "split", project(), "G1", "G2", "--move", "4"});
    EXPECT_EQ(r.err.toStdString(), "");
    EXPECT_EQ(r.code, 0);
    const std::string rels = dump("rels");
    EXPECT_NE(rels.find("A,4,A,G2,p,,u\n"), std::string::npos) << rels;
    EXPECT_EQ(rels.find("A,4,A,G1,p"), std::string::npos) << rels;
}

TEST_F(UnitCommands, CombineMakesANewContainer)
{
    auto r = runCliCaptured({"unit", "combine", project(), "--into", "G2", "3", "1"});
    EXPECT_EQ(r.err.toStdString(), "warning: Units\n  A:3\n  are already part of another group.\n"
                                   "  Relationships not superseded.\n");
    EXPECT_EQ(r.code, 0);
    r = runCliCaptured({"unit", "combine", project(), "--into", "W", "--class", "work area", "3", "1"});
    EXPECT_EQ(r.err.toStdString(), "");
    EXPECT_EQ(r.code, 0);
    const std::string rels = dump("rels");
    for (const char* row : {"A,1,A,G2,p,,u\n", "A,1,A,W,p,,u\n", "A,3,A,W,p,,u\n"})
        EXPECT_NE(rels.find(row), std::string::npos) << row << rels;
    EXPECT_EQ(rels.find("A,3,A,G2"), std::string::npos) << rels;
}

TEST_F(UnitCommands, SetChangesFieldsAndLeavesTheRelationshipsAlone)
{
    const std::string rels = dump("rels");
    const auto r = runCliCaptured({"unit", "set", project(), "A:1", "Location=north", "ExcavationDate=3.4.2026",
                                   "XMinCoord=1.5", "Period="});
    EXPECT_EQ(r.err.toStdString(), "");
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(dump("rels"), rels);
    const std::string units = dump("units");
    EXPECT_EQ(units.substr(0, units.find('\n')), "A,1,context,1.5,,,,,,,,,north,,,,,,,,,,,,,,,,,,,2026-04-03,,,,,,,,,,,");
}

TEST_F(UnitCommands, RenameTakesTheRelationshipsAlong)
{
    const auto r = runCliCaptured({"unit", "rename", project(), "2", "7"});
    EXPECT_EQ(r.err.toStdString(), "");
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(dump("rels"), "A,1,A,7,<,,u\n"
                            "A,3,A,7,=,,u\n"
                            "A,3,A,G1,p,,u\n"
                            "A,4,A,G1,p,,u\n"
                            "A,7,A,1,>,,u\n"
                            "A,7,A,3,=,,u\n");
}

TEST_F(UnitCommands, ClassChangeOfAnEqualUnitIsRevertedByTheSet)
{
    const std::string rels = dump("rels");
    const auto r = runCliCaptured({"unit", "set", project(), "2", "Unitclass=group"});
    EXPECT_EQ(r.err.toStdString(), "error: Class change of units with equal or contemporary relations not allowed.\n"
                                   "  Initial class context restored.\n");
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(dump("rels"), rels);
}

TEST_F(UnitCommands, RefusalsAndBadWords)
{
    struct Case {
        const char* name;
        QStringList args;
        int code;
        const char* err;
    };
    const Case cases[] = {
        {"split into an existing name", {"unit", "split", "P", "3", "4"}, 1, "error: Unitname A: 4 already entered\n"},
        {"merge of different classes", {"--yes", "unit", "merge", "P", "1", "G1"}, 1,
         "error: merge can only be performed for units of the same unit class \n"
         "  but units of class group and context were selected.\n"},
        {"a member that is none", {"unit", "split", "P", "G1", "G2", "--move", "1"}, 1, "error: A:1 is not part of A:G1.\n"},
        {"merge needs two units", {"unit", "merge", "P", "1"}, 2, nullptr},
        {"combine needs a container", {"unit", "combine", "P", "1", "2"}, 2, nullptr},
        {"combine into a context", {"unit", "combine", "P", "1", "2", "--into", "N", "--class", "context"}, 2, nullptr},
        {"rename onto an existing unit", {"unit", "rename", "P", "1", "4"}, 1, "error: Unitname A: 4 already entered\n"},
        {"rename of a missing unit", {"unit", "rename", "P", "8", "9"}, 1, "error: Unit A:8 does not exist.\n"},
        {"a value the field cannot hold", {"unit", "set", "P", "1", "MinYear=early"}, 1,
         "error: First year cannot be converted to an integer number.\n"},
        {"years out of order", {"unit", "set", "P", "1", "MinYear=10", "MaxYear=5"}, 1,
         "error: Min. of Year is greater than Max.\n"},
        {"a work field", {"unit", "set", "P", "1", "Selected=X"}, 1, "error: Field Selected cannot be set here\n"},
        {"no FIELD=VALUE", {"unit", "set", "P", "1", "Roman"}, 2, nullptr},
        {"no such class", {"unit", "set", "P", "1", "Unitclass=pit"}, 2, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QStringList args = c.args;
        args.replace(args.indexOf(QStringLiteral("P")), project());
        const auto r = runCliCaptured(args);
        EXPECT_EQ(r.code, c.code);
        if (c.err) {
            EXPECT_EQ(r.err.toStdString(), c.err);
        }
    }
}

} // namespace
