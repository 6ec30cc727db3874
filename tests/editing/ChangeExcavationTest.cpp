#include "editing/ChangeExcavation.h"
#include "RelationFixture.h"

using namespace belvanto;
using belvanto::testing_support::RelationFixture;

namespace {

class ChangeExcavation : public RelationFixture {
protected:
    void expectInput(const QString& initial, const QString& answer)
    {
        ui.expectInput().withPrompt(QStringLiteral("Enter excavation name")).withInitial(initial).answer(answer);
    }
    SelectExpectation& expectSelection(const QStringList& items)
    {
        return ui.expectSelect().withCaption(QStringLiteral("Excavations")).withItems(items);
    }
    QString current() { return session.project().CurrentExcavation; }
};

TEST_F(ChangeExcavation, OneExcavationAsksForANameUntilItIsValid)
{
    make({"1"});
    expectInput("A", "X:Y");
    ui.expectError(QStringLiteral("The excavation name must not contain a colon."), 14);
    expectInput("A", "North");
    EXPECT_TRUE(ChangeCurrentExcavation(session));
    EXPECT_EQ(current(), QStringLiteral("North"));

    ui.expectInput().cancel();
    EXPECT_FALSE(ChangeCurrentExcavation(session));
    EXPECT_EQ(current(), QStringLiteral("North"));
}

TEST_F(ChangeExcavation, SeveralExcavationsAreOfferedInKeyOrder)
{
    CreateUnit(session.units(), {QStringLiteral("B"), QStringLiteral("1")}, kContext);
    make({"1"});
    const QStringList items{"A", "B", "** New Excavation **"};

    expectSelection(items).answerItem(QStringLiteral("B"));
    EXPECT_TRUE(ChangeCurrentExcavation(session));
    EXPECT_EQ(current(), QStringLiteral("B"));

    expectSelection(items).cancel();
    EXPECT_FALSE(ChangeCurrentExcavation(session));
    EXPECT_EQ(current(), QStringLiteral("B"));

    expectSelection(items).answerItem(QStringLiteral("** New Excavation **"));
    expectInput("B", "C");
    EXPECT_TRUE(ChangeCurrentExcavation(session));
    EXPECT_EQ(current(), QStringLiteral("C"));
}

TEST_F(ChangeExcavation, NothingInASingleExcavationProject)
{
    session.project().SingleExcavation = true;
    EXPECT_FALSE(ChangeCurrentExcavation(session));
    EXPECT_EQ(current(), QStringLiteral("A"));
}

} // namespace
