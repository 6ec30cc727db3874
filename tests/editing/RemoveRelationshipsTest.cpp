#include "editing/RemoveRelationships.h"
#include "RelationFixture.h"

using namespace belvanto;
using belvanto::testing_support::RelationFixture;

namespace {

const char* const kRelationCorrupt = "Relation table seems to be corrupt.";

class Removal : public RelationFixture {
protected:
    void SetUp() override
    {
        RelationFixture::SetUp();
        make({"C1", "C2", "C3", "C4", "C5"});
        make({"G1", "G2", "G3"}, kGroup);
        hooks.rebuildGroupTree = [this] { ++rebuilds; };
        hooks.reassign = [this](const UnitKey& first, const UnitKey& second, QChar code,
                                const std::vector<UnitKey>& members) {
            QStringList names;
            for (const UnitKey& m : members) names << m.unitname;
            reassigned << QStringLiteral("%1 %2 %3: %4").arg(first.unitname, code, second.unitname, names.join(','));
            return false;
        };
    }

    static RelationRowKey row(const QString& first, const QString& second) { return {u(first), u(second)}; }
    void expectSingleConfirmation(const QString& first, const QString& second, Answer answer)
    {
        ui.expectConfirmation(QStringLiteral("Do you really want to delete the relationship\r\nbetween A:%1 and A:%2?")
                                  .arg(first, second),
                              Buttons::YesNo, kDeleteRelationHelpTopic)
            .answer(answer);
    }

    RelationListHooks hooks;
    int rebuilds = 0;
    QStringList reassigned;
};

TEST_F(Removal, EmptyTableSaysSo)
{
    ui.expectWarning(QStringLiteral("No relationships entered in current project."));
    EXPECT_FALSE(RemoveRelationships(session, {}, hooks));
}

TEST_F(Removal, SingleEarlierLaterPairAfterConfirmation)
{
    add("C1 < C2");
    add("C3 < C4");
    expectSingleConfirmation("C2", "C1", Answer::No);
    EXPECT_FALSE(RemoveRelationships(session, {row("C2", "C1")}, hooks));
    EXPECT_EQ(rows().size(), 4);
    expectSingleConfirmation("C2", "C1", Answer::Yes);
    EXPECT_TRUE(RemoveRelationships(session, {row("C2", "C1")}, hooks));
    EXPECT_EQ(rows(), QStringList({"A:C3 < A:C4 [] u", "A:C4 > A:C3 [] u"}));
}

TEST_F(Removal, NoSelectionMeansTheCurrentRowAndTheFilterComesBack)
{
    add("C1 < C2");
    add("C3 > C4");
    Table& relations = session.relations();
    relations.setFilter(QStringLiteral("RelationCat = '>'"));
    relations.setFiltered(true);
    relations.last();   // C3 > C4; C2 > C1 comes first
    expectSingleConfirmation("C3", "C4", Answer::Yes);
    EXPECT_TRUE(RemoveRelationships(session, {}, hooks));
    EXPECT_TRUE(relations.filtered());
    EXPECT_EQ(rows(), QStringList({"A:C1 < A:C2 [] u", "A:C2 > A:C1 [] u"}));
}

TEST_F(Removal, TwoMemberClassGoesWithOneConfirmation)
{
    add("C1 = C2");
    expectSingleConfirmation("C1", "C2", Answer::Yes);
    EXPECT_TRUE(RemoveRelationships(session, {row("C1", "C2")}, hooks));
    EXPECT_TRUE(rows().isEmpty());
    EXPECT_TRUE(reassigned.isEmpty());
}

TEST_F(Removal, ThirdMemberOpensTheReassignmentInstead)
{
    add("C1 - C2");
    add("C2 - C3");
    EXPECT_FALSE(RemoveRelationships(session, {row("C1", "C2")}, hooks));
    EXPECT_EQ(reassigned, QStringList({"C1 - C2: C3"}));
    EXPECT_EQ(rows().size(), 6);
}

TEST_F(Removal, PartOfRebuildsTheGroupTreeOnlyWhenItShows)
{
    add("C1 p G1");
    add("C2 p G1");
    expectSingleConfirmation("C1", "G1", Answer::Yes);
    RemoveRelationships(session, {row("C1", "G1")}, hooks);
    EXPECT_EQ(rebuilds, 0);
    hooks.groupTreeShowing = true;
    expectSingleConfirmation("C2", "G1", Answer::Yes);
    RemoveRelationships(session, {row("C2", "G1")}, hooks);
    EXPECT_EQ(rebuilds, 1);
    EXPECT_TRUE(rows().isEmpty());
}

TEST_F(Removal, SeveralRowsSkipClassRowsWithFurtherMembers)
{
    add("C1 = C2");
    add("C2 = C3");
    add("C4 < C5");
    add("C4 p G1");
    hooks.groupTreeShowing = true;
    ui.expectConfirmation(QStringLiteral("Do you really want to delete 3 relationships?"), Buttons::YesNo,
                          kDeleteRelationHelpTopic)
        .answer(Answer::Yes);
    ui.expectWarning(QStringLiteral("Equal and contemporary relationships must be deleted individually\r\n"
                                    "1 relationships not deleted."),
                     kDeleteRelationHelpTopic);
    EXPECT_TRUE(RemoveRelationships(session, {row("C1", "C2"), row("C5", "C4"), row("C4", "G1")}, hooks));
    EXPECT_EQ(rows().size(), 6);
    EXPECT_EQ(rows().filter(QStringLiteral(" = ")).size(), 6);
    EXPECT_EQ(rebuilds, 1);
}

TEST_F(Removal, BothRowsOfOnePairAreDeletedOnceWithoutFalseCorruption)
{
    add("C1 < C2");
    add("C3 = C4");
    add("G1 p G2");
    add("G2 p G1");
    ui.expectConfirmation(QStringLiteral("Do you really want to delete 6 relationships?"), Buttons::YesNo,
                          kDeleteRelationHelpTopic)
        .answer(Answer::Yes);
    EXPECT_TRUE(RemoveRelationships(session,
                                    {row("C1", "C2"), row("C2", "C1"), row("C3", "C4"), row("C4", "C3"),
                                     row("G1", "G2"), row("G2", "G1")},
                                    hooks));
    EXPECT_TRUE(rows().isEmpty());
}

TEST_F(Removal, SeveralRowsStopOnNo)
{
    add("C1 < C2");
    ui.expectConfirmation(QStringLiteral("Do you really want to delete 2 relationships?"), Buttons::YesNo,
                          kDeleteRelationHelpTopic)
        .answer(Answer::No);
    EXPECT_FALSE(RemoveRelationships(session, {row("C1", "C2"), row("C2", "C1")}, hooks));
    EXPECT_EQ(rows().size(), 2);
}

TEST_F(Removal, MissingOppositeRowIsReportedAndTheRowStaysDeleted)
{
    InsertRelationRow(session.relations(), u("C1"), u("C2"), QLatin1Char('<'), QString(), status::Stored);
    ui.expectConfirmation(QStringLiteral("Do you really want to delete 2 relationships?"), Buttons::YesNo,
                          kDeleteRelationHelpTopic)
        .answer(Answer::Yes);
    ui.expectWarning(QStringLiteral("Opposite relation: Relation table seems to be corrupt."));
    ui.expectWarning(QString::fromUtf8(kRelationCorrupt));
    EXPECT_TRUE(RemoveRelationships(session, {row("C1", "C2"), row("C3", "C4")}, hooks));
    EXPECT_TRUE(rows().isEmpty());
}

// An equal class of four split by the reassignment dialog.
TEST_F(Removal, ReassignmentSplitsAClassBetweenTheTwoLists)
{
    add("C1 = C2");
    add("C2 = C3");
    add("C3 = C4");
    add("C4 < C5");
    ApplyReassignment(session, u("C1"), u("C2"), QLatin1Char('='), {u("C3")}, {u("C4")});
    EXPECT_EQ(rows(), QStringList({"A:C1 = A:C3 [] u", "A:C2 = A:C4 [] u", "A:C3 = A:C1 [] u",
                                   "A:C4 = A:C2 [] u", "A:C4 < A:C5 [] u", "A:C5 > A:C4 [] u"}));
}

TEST_F(Removal, ReassignmentWithEverythingLeftTakesTheSecondUnitOut)
{
    add("C1 - C2");
    add("C2 - C3");
    ApplyReassignment(session, u("C1"), u("C2"), QLatin1Char('-'), {u("C3")}, {});
    EXPECT_EQ(rows(), QStringList({"A:C1 - A:C3 [] u", "A:C3 - A:C1 [] u"}));
}

TEST_F(Removal, PartOfReassignmentMovesTheRightListToTheSecondContainer)
{
    add("C1 p G1", level::Silent, "west");
    add("C2 p G1", level::Silent, "east");
    ApplyReassignment(session, u("G1"), u("G2"), QLatin1Char('p'), {u("C1")}, {u("C2")});
    EXPECT_EQ(rows(), QStringList({"A:C1 p A:G1 [west] u", "A:C2 p A:G2 [] u"}));
}

TEST_F(Removal, RefusedPartOfMoveKeepsTheOldContainer)
{
    add("C1 p G1", level::Silent, "west");
    ui.expectError(QStringLiteral("A:G9 not found in unit data base. \r\nUnit data base corrupt?"), kRelationHelpTopic);
    ApplyReassignment(session, u("G1"), u("G9"), QLatin1Char('p'), {}, {u("C1")});
    EXPECT_EQ(rows(), QStringList({"A:C1 p A:G1 [west] u"}));
}

} // namespace
