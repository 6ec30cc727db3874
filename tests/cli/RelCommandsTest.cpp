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
                         "error: Unit A:X does not exist.\n"
                         "  New relationship is not stored.\n"
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
    const auto r = runCliCaptured({"--yes", "rel", "delete", project(), "1", "2", "--with", "4"});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(rels(), std::string("A,1,A,3,=,,u\n"
                                  "A,2,A,4,=,,u\n"
                                  "A,3,A,1,=,,u\n"
                                  "A,4,A,2,=,,u\n"));
}

TEST_F(RelCommands, SplittingAClassAsksAndTakesNoForAnAnswer)
{
    ASSERT_EQ(runCliCaptured({"rel", "add", project(), "1=2", "2=3", "3=4"}).code, 0);
    const std::string before = rels();
    for (const QStringList& answer : {QStringList{"--no"}, QStringList{}}) {
        const auto r = runCliCaptured(answer + QStringList{"rel", "delete", project(), "1", "2", "--with", "4"});
        EXPECT_EQ(r.code, 1);
        EXPECT_EQ(r.err.toStdString(), std::string("confirmation: Do you really want to split the equal class\n"
                                                   "  into A:1, A:3\n"
                                                   "  and A:2, A:4? [answer: No]\n"));
        EXPECT_EQ(rels(), before);
    }
}

TEST_F(RelCommands, RefusalsFailAndStoreNothing)
{
    struct Case {
        const char* title;
        QStringList args;
        const char* err;
    };
    const Case cases[] = {
        {"one name is no chain", {"--yes", "chain", project(), "N1"},
         "error: Only one context in chain. No relationships created.\n"},
        {"comment beyond 20 characters", {"rel", "add", project(), "1>2", "--comment", QString(40, QLatin1Char('c'))},
         "error: Relationship comment must not exceed maximum length of 20\n"},
        {"mistyped unit", {"rel", "add", project(), "1>2x"},
         "error: Unit A:2x does not exist.\n  New relationship is not stored.\n"},
        {"name outside Windows-1252", {"--yes", "chain", project(), "1", QString::fromUtf8("Ж1")},
         "error: The unit name contains characters that cannot be stored.\n"},
        {"excavation outside Windows-1252", {"--yes", "chain", project(), "1", "2", "--excavation", QString::fromUtf8("Гора")},
         "error: The excavation name contains characters that cannot be stored.\n"},
    };
    for (const Case& c : cases) {
        const auto r = runCliCaptured(c.args);
        EXPECT_EQ(r.code, 1) << c.title;
        EXPECT_EQ(r.err.toStdString(), c.err) << c.title;
        EXPECT_EQ(rels(), "") << c.title;
    }
    EXPECT_EQ(runCliCaptured({"dump", project(), "units"}).out.count(QLatin1Char('\n')), 9) << "units were created";
}

TEST_F(RelCommands, ChainInASecondExcavationEndsSingleExcavationMode)
{
    const QString single = dir.filePath(QStringLiteral("S.bvp"));
    ASSERT_EQ(runCliCaptured({"new", single, "--excavation", "A", "--single"}).code, 0);
    ASSERT_EQ(runCliCaptured({"unit", "add", single, "1"}).code, 0);
    const auto r = runCliCaptured({"--yes", "chain", single, "--excavation", "B", "X", "Y"});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.err.toStdString(), std::string("confirmation: Do you really want to create 2 units? [answer: Yes]\n"
                                               "warning: The project holds more than one excavation now; it is no "
                                               "single-excavation project any more.\n"));
    EXPECT_TRUE(runCliCaptured({"info", single}).out.contains(QStringLiteral("Single excavation: no\n")));
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
