#include "editing/Chain.h"
#include "RelationFixture.h"

using namespace belvanto;
using belvanto::testing_support::RelationFixture;

namespace {

class Chain : public RelationFixture {
protected:
    void expectCreate(int n, Answer answer)
    {
        ui.expectConfirmation(QStringLiteral("Do you really want to create %1 units?").arg(n), Buttons::YesNo,
                              kChainHelpTopic)
            .answer(answer);
    }
    QStringList unitsWithClass()
    {
        QStringList text;
        for (const auto& r : session.units().query(QString(), {}, QStringLiteral("Excavation, Unitname")))
            text << valueToString(r.values[uf::Unitname]) + QLatin1Char(' ') + valueToString(r.values[uf::Unitclass]);
        return text;
    }
};

TEST_F(Chain, ThreeNewNamesBecomeThreeContextsOneAboveTheOther)
{
    expectCreate(3, Answer::Yes);
    const ChainResult r = EnterChain(session, QStringLiteral("A"), {"top", "middle", "bottom"});
    EXPECT_TRUE(r.close);
    EXPECT_EQ(r.unitsCreated, 3);
    EXPECT_EQ(r.relationshipsStored, 2);
    EXPECT_EQ(unitsWithClass(), QStringList({"bottom context", "middle context", "top context"}));
    EXPECT_EQ(rows(), QStringList({"A:bottom < A:middle [] u", "A:middle > A:bottom [] u", "A:middle < A:top [] u",
                                   "A:top > A:middle [] u"}));
}

TEST_F(Chain, NoToCreatingKeepsTheDialogOpenAndChangesNothing)
{
    make({"top"});
    expectCreate(1, Answer::No);
    const ChainResult r = EnterChain(session, QStringLiteral("A"), {"top", "", "new"});
    EXPECT_FALSE(r.close);
    EXPECT_EQ(r.classCells, QStringList({"context", "", "undefined"}));
    EXPECT_EQ(unitsWithClass(), QStringList({"top context"}));
    EXPECT_TRUE(rows().isEmpty());
}

TEST_F(Chain, AnUndefinedNameTwiceIsCreatedAndCountedOnce)
{
    expectCreate(2, Answer::Yes);
    ui.expectWarning(QStringLiteral("Relation between A:b and A:a has already been defined.\r\n"
                                    "New relationship is not stored."),
                     kRelationHelpTopic);
    const ChainResult r = EnterChain(session, QStringLiteral("A"), {"a", "b", "a"});
    EXPECT_TRUE(r.close);
    EXPECT_EQ(r.unitsCreated, 2);
    EXPECT_EQ(r.relationshipsStored, 1);
    EXPECT_EQ(unitsWithClass(), QStringList({"a context", "b context"}));
    EXPECT_EQ(rows(), QStringList({"A:a > A:b [] u", "A:b < A:a [] u"}));
}

TEST_F(Chain, EmptyRowsAreSkippedAndExistingContextsJoin)
{
    make({"1", "3"});
    const ChainResult r = EnterChain(session, QStringLiteral("A"), {"", "1", "", "3", ""});
    EXPECT_TRUE(r.close);
    EXPECT_EQ(rows(), QStringList({"A:1 > A:3 [] u", "A:3 < A:1 [] u"}));
}

TEST_F(Chain, NewUnitsInASecondExcavationEndSingleExcavationMode)
{
    make({"1"});
    session.project().SingleExcavation = true;
    expectCreate(2, Answer::Yes);
    ui.expectWarning(QStringLiteral(
        "The project holds more than one excavation now; it is no single-excavation project any more."));
    const ChainResult r = EnterChain(session, QStringLiteral("B"), {"X", "Y"});
    EXPECT_TRUE(r.close);
    EXPECT_FALSE(session.project().SingleExcavation);
}

TEST_F(Chain, NewUnitsInTheOnlyExcavationKeepSingleExcavationMode)
{
    make({"1"});
    session.project().SingleExcavation = true;
    expectCreate(2, Answer::Yes);
    EXPECT_TRUE(EnterChain(session, QStringLiteral("A"), {"X", "Y"}).close);
    EXPECT_TRUE(session.project().SingleExcavation);
}

struct Refusal {
    const char* name;
    QStringList rows;
    const char* excavation;
    MessageKind kind;
    const char* message;
    int help;
    bool close;
    int focusRow;
};

void PrintTo(const Refusal& r, std::ostream* os) { *os << r.name; }

class ChainRefusals : public Chain, public testing::WithParamInterface<Refusal> {};

TEST_P(ChainRefusals, StoreNothing)
{
    const Refusal& c = GetParam();
    make({"c1", "c2"});
    make({"g1", "g2"}, kGroup);
    ui.expect(c.kind, QString::fromUtf8(c.message), Buttons::Ok, c.help);
    const ChainResult r = EnterChain(session, QString::fromUtf8(c.excavation), c.rows);
    EXPECT_EQ(r.close, c.close);
    EXPECT_EQ(r.focusRow, c.focusRow);
    EXPECT_EQ(r.focusExcavation, c.help == 14);   // the excavation name rules' topic
    EXPECT_EQ(r.unitsCreated, 0);
    EXPECT_TRUE(rows().isEmpty());
    EXPECT_EQ(session.units().count(), 4);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ChainRefusals,
    testing::Values(
        Refusal{"BadExcavation", {"c1", "c2"}, "", MessageKind::Error, "The excavation name must not be blank", 14,
                false, -1},
        Refusal{"MixedClasses", {"c1", "new", "g1"}, "A", MessageKind::Error,
                "Units belonging to different unit classes\r\nmay not be chained!", kChainHelpTopic, false, -1},
        Refusal{"BadNewName", {"c1", "a,b", "c2"}, "A", MessageKind::Error, "The unit name must not contain a comma.",
                kUnitNameHelpTopic, false, 1},
        Refusal{"NewNameOutsideWindows1252", {"c1", "c2", "Ж1"}, "A", MessageKind::Error,
                "The unit name contains characters that cannot be stored.", kUnitNameHelpTopic, false, 2},
        Refusal{"ExcavationOutsideWindows1252", {"c1", "c2"}, "Гора", MessageKind::Error,
                "The excavation name contains characters that cannot be stored.", 14, false, -1},
        Refusal{"OneName", {"", "c1", ""}, "A", MessageKind::Error,
                "Only one context in chain. No relationships created.", kChainHelpTopic, true, -1},
        Refusal{"NoName", {}, "A", MessageKind::Error, "Only one context in chain. No relationships created.",
                kChainHelpTopic, true, -1},
        Refusal{"Groups", {"g1", "g2", "new"}, "A", MessageKind::Error,
                "Sorry, current implementation allows only\r\nthat units of class context are chained!",
                kChainHelpTopic, false, -1}),
    [](const testing::TestParamInfo<Refusal>& info) { return std::string(info.param.name); });

} // namespace
