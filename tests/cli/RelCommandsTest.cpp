#include "CliRunner.h"
#include <gtest/gtest.h>

using namespace belvanto;
using belvanto::testing::runCliCaptured;

namespace {

class RelCommands : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        ASSERT_EQ(runCliCaptured({"new", project(), "--excavation", "A"}).code, 0);
        ASSERT_EQ(runCliCaptured({"unit", "add", project(), "1", "2", "3", "4", "1-2", "B:9"}).code, 0);
        ASSERT_EQ(runCliCaptured({"unit", "add", project(), "G1", "G2", "--class", "group"}).code, 0);
    }
    QString project() const { return dir.filePath(QStringLiteral("P.bvp")); }
    // The relationship rows as CSV lines, without the header.
    std::string rels()
    {
        const auto r = runCliCaptured({"dump", project(), "rels"});
        return r.out.mid(r.out.indexOf(QLatin1Char('\n')) + 1).toStdString();
    }
    QTemporaryDir dir;
};

TEST_F(RelCommands, AddWritesTheRowsOfEveryCategory)
{
    const auto r = runCliCaptured({"rel", "add", project(), "1>2", "3<B:9", "2=3", "G1", "p", "G2", "4", "-", "1-2",
                                   "--comment", "seen"});
    EXPECT_EQ(r.err.toStdString(), "");
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(rels(), std::string("A,1,A,2,>,seen,u\n"
                                  "A,1-2,A,4,-,seen,u\n"
                                  "A,2,A,1,<,,u\n"
                                  "A,2,A,3,=,seen,u\n"
                                  "A,3,A,2,=,seen,u\n"
                                  "A,3,B,9,<,seen,u\n"
                                  "A,4,A,1-2,-,seen,u\n"
                                  "A,G1,A,G2,p,seen,u\n"
                                  "B,9,A,3,>,,u\n"));
}

TEST_F(RelCommands, AddPrintsEveryRefusalAndStoresTheRest)
{
    const auto r = runCliCaptured({"rel", "add", project(), "1<2", "2>1", "1=1", "3=4", "1", "p", "3", "1>X", "G1<1"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err.toStdString(), std::string(
                         "warning: Relation between A:2 and A:1 has already been defined.\n"
                         "  New relationship is not stored.\n"
                         "warning: Relation between A:1 and this same unit not allowed.\n"
                         "  New relationship is not stored.\n"
                         "error: A:1: cannot be part of a context.\n"
                         "error: A:X not found in unit data base. \n"
                         "  Unit data base corrupt?\n"
                         "error: Relation between A:G1 and A:1:\n"
                         "  Earlier than, later than, equal to, and contemporary with relationships \n"
                         "  may only be defined for contexts.\n"));
    EXPECT_EQ(rels(), std::string("A,1,A,2,<,,u\n"
                                  "A,2,A,1,>,,u\n"
                                  "A,3,A,4,=,,u\n"
                                  "A,4,A,3,=,,u\n"));
}

TEST_F(RelCommands, AddRefusesWordsItCannotReadBeforeStoringAnything)
{
    const auto unreadable = runCliCaptured({"rel", "add", project(), "1>2", "1+2"});
    EXPECT_EQ(unreadable.code, 2);
    EXPECT_EQ(unreadable.err.toStdString(),
              std::string("error: cannot read the relationship '1+2': write A>B, A<B, A=B, A-B or A p B\n"));
    // "1-2-3" reads as 1 - "2-3" or "1-2" - 3; only the second names existing units.
    const auto r = runCliCaptured({"rel", "add", project(), "1-2-3"});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(rels(), std::string("A,1-2,A,3,-,,u\n"
                                  "A,3,A,1-2,-,,u\n"));
}

TEST_F(RelCommands, DeleteAsksAndRemovesThePair)
{
    ASSERT_EQ(runCliCaptured({"rel", "add", project(), "1>2", "3=4"}).code, 0);
    auto r = runCliCaptured({"rel", "delete", project(), "2", "1"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err.toStdString(), std::string("confirmation: Do you really want to delete the relationship\n"
                                    "  between A:2 and A:1? [answer: No]\n"));
    r = runCliCaptured({"--yes", "rel", "delete", project(), "2", "1"});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(rels(), std::string("A,3,A,4,=,,u\n"
                                  "A,4,A,3,=,,u\n"));
    r = runCliCaptured({"--yes", "rel", "delete", project(), "1", "2"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err.toStdString(), std::string("error: There is no relationship between A:1 and A:2.\n"));
}

TEST_F(RelCommands, DeleteSplitsAClassWithTheWithMembersOnTheSecondSide)
{
    ASSERT_EQ(runCliCaptured({"rel", "add", project(), "1=2", "2=3", "3=4"}).code, 0);
    const auto r = runCliCaptured({"rel", "delete", project(), "1", "2", "--with", "4"});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(rels(), std::string("A,1,A,3,=,,u\n"
                                  "A,2,A,4,=,,u\n"
                                  "A,3,A,1,=,,u\n"
                                  "A,4,A,2,=,,u\n"));
}

TEST_F(RelCommands, ChainCreatesTheMissingUnitsOnYes)
{
    auto r = runCliCaptured({"chain", project(), "top", "1", "top2"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err.toStdString(), std::string("confirmation: Do you really want to create 2 units? [answer: No]\n"));
    r = runCliCaptured({"--yes", "chain", project(), "top", "1", "top2"});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(rels(), std::string("A,1,A,top,<,,u\n"
                                  "A,1,A,top2,>,,u\n"
                                  "A,top,A,1,>,,u\n"
                                  "A,top2,A,1,<,,u\n"));
}

} // namespace
