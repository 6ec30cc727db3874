#include "editing/UnitOperations.h"
#include "RelationFixture.h"

using namespace belvanto;
using belvanto::testing_support::RelationFixture;

namespace {

class UnitOperations : public RelationFixture {
protected:
    // "C1 < C2, C3 = C4": each stored through the one gate.
    void relate(const QStringList& relationships)
    {
        for (const QString& r : relationships) ASSERT_EQ(add(r), AddResult::Stored) << r.toStdString();
    }
    static std::vector<UnitKey> keys(const QStringList& names)
    {
        std::vector<UnitKey> result;
        for (const QString& n : names) result.push_back(u(n));
        return result;
    }
    // Each case of a table starts from empty tables.
    void startAfresh()
    {
        session.units().empty();
        session.relations().empty();
    }
    QStringList unitNames()
    {
        QStringList names;
        for (const auto& r : session.units().query(QString(), {}, QStringLiteral("Excavation, Unitname")))
            names << valueToString(r.values[uf::Unitname]);
        return names;
    }
    void expectMergeConfirmation(Answer answer)
    {
        ui.expectConfirmation(QStringLiteral("Do you really want to merge the selected units?"), Buttons::YesNo,
                              kMergeHelpTopic)
            .answer(answer);
    }
    void expectMerged(const QString& target)
    {
        ui.expectInformation(
            QStringLiteral("Unit relations have been merged.\r\nAll relations were transferred to unit A:%1.").arg(target),
            kMergeHelpTopic);
    }
};

// --- Delete ---------------------------------------------------------------

TEST_F(UnitOperations, DeletingFromAnEmptyUnitTableSaysSo)
{
    ui.expectWarning(QStringLiteral("Sorry, deleting nothing does not make any sense."));
    EXPECT_FALSE(DeleteUnits(session, {}));
}

TEST_F(UnitOperations, DeleteTakesEveryRowAtBothEndsAndAsksFirst)
{
    struct Case {
        const char* name;
        QStringList selection;
        const char* question;
        QStringList unitsLeft;
        QStringList rowsLeft;
    };
    const QList<Case> cases = {
        {"one context; the single question names only the unit",
         {"C2"},
         "Do you really want to delete unit C2 and all its relations?",
         {"C1", "C3", "C4", "G1"},
         {"A:C1 p A:G1 [] u", "A:C3 = A:C4 [] u", "A:C4 = A:C3 [] u"}},
        {"a group: its own and its members' part-of rows go, the members stay",
         {"G1"},
         "Do you really want to delete unit G1 and all its relations?",
         {"C1", "C2", "C3", "C4"},
         {"A:C1 < A:C2 [x] u", "A:C2 > A:C1 [] u", "A:C2 = A:C3 [] u", "A:C2 = A:C4 [] u", "A:C3 = A:C2 [] u",
          "A:C3 = A:C4 [] u", "A:C4 = A:C2 [] u", "A:C4 = A:C3 [] u"}},
        {"several units",
         {"C3", "C1"},
         "Do you really want to delete 2 units and all their relations?",
         {"C2", "C4", "G1"},
         {"A:C2 = A:C4 [] u", "A:C4 = A:C2 [] u"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        startAfresh();
        make({"C1", "C2", "C3", "C4"});
        make({"G1"}, kGroup);
        relate({"C2 = C3", "C3 = C4", "C1 p G1"});
        add("C1 < C2", level::Silent, QStringLiteral("x"));
        const QStringList before = rows();

        ui.expectConfirmation(QString::fromLatin1(c.question), Buttons::YesNo, kDeleteUnitHelpTopic).answer(Answer::No);
        EXPECT_FALSE(DeleteUnits(session, keys(c.selection)));
        EXPECT_EQ(rows(), before);

        ui.expectConfirmation(QString::fromLatin1(c.question), Buttons::YesNo, kDeleteUnitHelpTopic).answer(Answer::Yes);
        EXPECT_TRUE(DeleteUnits(session, keys(c.selection)));
        EXPECT_EQ(unitNames(), c.unitsLeft);
        EXPECT_EQ(rows(), c.rowsLeft);
        ui.verifyDone();
    }
}

TEST_F(UnitOperations, NoSelectionDeletesTheCurrentUnit)
{
    make({"C1", "C2"});
    relate({"C1 < C2"});
    session.units().last();
    ui.expectConfirmation(QStringLiteral("Do you really want to delete unit C2 and all its relations?"), Buttons::YesNo,
                          kDeleteUnitHelpTopic)
        .answer(Answer::Yes);
    EXPECT_TRUE(DeleteUnits(session, {}));
    EXPECT_EQ(unitNames(), QStringList({"C1"}));
    EXPECT_TRUE(rows().isEmpty());
}

// --- Merge ----------------------------------------------------------------

TEST_F(UnitOperations, MergeRefusals)
{
    make({"C1", "C2", "C3"});
    make({"G1", "G2"}, kGroup);
    relate({"C1 p G1", "C2 p G2"});
    const QStringList before = rows();

    ui.expectInformation(QStringLiteral("Select two or more contexts (press <Ctrl>-key and click)\r\nwhich are to be merged."),
                         kMergeHelpTopic);
    EXPECT_FALSE(MergeUnits(session, keys({"C1"})));

    ui.expectError(QStringLiteral("merge can only be performed for units of the same unit class \r\n"
                                  "but units of class group and context were selected."),
                   kMergeHelpTopic);
    EXPECT_FALSE(MergeUnits(session, keys({"C3", "G1"})));

    expectMergeConfirmation(Answer::No);
    EXPECT_FALSE(MergeUnits(session, keys({"C1", "C3"})));

    expectMergeConfirmation(Answer::Yes);
    ui.expectError(QStringLiteral("Error: Units belong to more than one group."), kMergeHelpTopic);
    EXPECT_FALSE(MergeUnits(session, keys({"C1", "C2", "C3"})));

    EXPECT_EQ(unitNames(), QStringList({"C1", "C2", "C3", "G1", "G2"}));
    EXPECT_EQ(rows(), before);
}

TEST_F(UnitOperations, MergeMovesOrDeletesBothRowsOfEachPairAndClosesClasses)
{
    struct Case {
        const char* name;
        QStringList relationships;
        QStringList selection;   // the first is the target
        QStringList rowsAfter;
    };
    const QList<Case> cases = {
        {"both later than a third unit: only the target's rows stay",
         {"C1 < C3", "C2 < C3"},
         {"C1", "C2"},
         {"A:C1 < A:C3 [] u", "A:C3 > A:C1 [] u"}},
        {"a pair between the two merged units goes whole",
         {"C1 < C2"},
         {"C1", "C2"},
         {}},
        {"a pair the target lacks moves whole, whatever the order of the rows",
         {"C2 < C3", "C4 > C2"},
         {"C1", "C2"},
         {"A:C1 < A:C3 [] u", "A:C1 < A:C4 [] u", "A:C3 > A:C1 [] u", "A:C4 > A:C1 [] u"}},
        {"two classes become one closed class",
         {"C1 = C3", "C2 = C4"},
         {"C1", "C2"},
         {"A:C1 = A:C3 [] u", "A:C1 = A:C4 [] u", "A:C3 = A:C1 [] u", "A:C3 = A:C4 [] u", "A:C4 = A:C1 [] u",
          "A:C4 = A:C3 [] u"}},
        {"three units, the third related to the second",
         {"C2 - C3", "C3 < C4"},
         {"C1", "C2", "C3"},
         {"A:C1 < A:C4 [] u", "A:C4 > A:C1 [] u"}},
        {"a class row to a unit the target is related to otherwise goes",
         {"C2 = C3", "C1 < C3"},
         {"C1", "C2"},
         {"A:C1 < A:C3 [] u", "A:C3 > A:C1 [] u"}},
        {"part-of rows move to the target in both directions",
         {"C2 p G1"},
         {"C1", "C2"},
         {"A:C1 p A:G1 [] u"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        startAfresh();
        make({"C1", "C2", "C3", "C4"});
        make({"G1"}, kGroup);
        relate(c.relationships);
        expectMergeConfirmation(Answer::Yes);
        expectMerged(c.selection.front());
        EXPECT_TRUE(MergeUnits(session, keys(c.selection)));
        EXPECT_EQ(rows(), c.rowsAfter);
        for (qsizetype i = 1; i < c.selection.size(); ++i) EXPECT_FALSE(unitNames().contains(c.selection[i]));
        ui.verifyDone();
    }
}

TEST_F(UnitOperations, MergedRowsKeepTheirCommentsAndStatuses)
{
    make({"C1", "C2", "C3"});
    add("C2 < C3", level::Silent, QStringLiteral("cut by"));
    expectMergeConfirmation(Answer::Yes);
    expectMerged("C1");
    EXPECT_TRUE(MergeUnits(session, keys({"C1", "C2"})));
    const QStringList after = rows();
    ASSERT_EQ(after.size(), 2);
    EXPECT_EQ(after[0], QStringLiteral("A:C1 < A:C3 [cut by] u"));
    EXPECT_TRUE(after[1].startsWith(QStringLiteral("A:C3 > A:C1 ")));
}

TEST_F(UnitOperations, MergeThatCannotCloseAClassIsRefused)
{
    struct Case {
        const char* name;
        QStringList relationships;
        const char* message;
    };
    const QList<Case> cases = {
        {"two members of the joined class are related otherwise",
         {"C1 = C3", "C2 = C4", "C3 < C4"},
         "Units cannot be merged:\r\nA:C3 and A:C4 would join the class of A:C1 with relation \"=\"\r\n"
         "but are related by \"<\"."},
        {"the target is related otherwise to a class-mate of the merged unit",
         {"C2 - C3", "C2 - C4", "C1 < C4"},
         "Units cannot be merged:\r\nA:C4 and A:C1 would join the class of A:C1 with relation \"-\"\r\n"
         "but are related by \"<\"."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        startAfresh();
        make({"C1", "C2", "C3", "C4"});
        relate(c.relationships);
        const QStringList before = rows();
        expectMergeConfirmation(Answer::Yes);
        ui.expectError(QString::fromLatin1(c.message), kMergeHelpTopic);
        EXPECT_FALSE(MergeUnits(session, keys({"C1", "C2"})));
        EXPECT_EQ(rows(), before);
        EXPECT_EQ(unitNames().size(), 4);
        ui.verifyDone();
    }
}

// --- Split ----------------------------------------------------------------

TEST_F(UnitOperations, SplitRefusals)
{
    ui.expectWarning(QStringLiteral("Splitting a unit when unit list is empty does not make any sense"));
    EXPECT_FALSE(SplitAllowed(session, {}));

    make({"C1", "C2", "C3", "C4"});
    relate({"C1 = C2", "C1 - C3"});
    ui.expectWarning(QStringLiteral("You can only split one unit at a time."), kSplitHelpTopic);
    EXPECT_FALSE(SplitAllowed(session, keys({"C1", "C2"})));

    const QStringList before = rows();
    ui.expectWarning(QStringLiteral("You cannot split a context with both contemporary and equal relationships."),
                     kSplitHelpTopic);
    EXPECT_FALSE(SplitUnit(session, u("C1"), u("C9")));
    EXPECT_EQ(rows(), before);

    ui.expectError(QStringLiteral("Unitname A: C4 already entered"), 129);
    EXPECT_FALSE(SplitUnit(session, u("C2"), u("C4")));
    EXPECT_EQ(rows(), before);
    EXPECT_TRUE(SplitAllowed(session, keys({"C2"})));
}

TEST_F(UnitOperations, SplitJoinsTheClassAndCopiesTheOtherRows)
{
    make({"C1", "C2", "C3", "C4"});
    make({"G1"}, kGroup);
    relate({"C1 = C2", "C1 = C3", "C1 p G1"});
    add("C1 < C4", level::Silent, QStringLiteral("under"));
    Table& units = session.units();
    ASSERT_TRUE(units.locate(QStringLiteral("Excavation;Unitname"), {QStringLiteral("A"), QStringLiteral("C1")}));
    units.edit();
    units.set(QStringView(u"Period"), QStringLiteral("Roman"));
    units.post();

    EXPECT_TRUE(SplitUnit(session, u("C1"), u("C5")));
    int equalRows = 0;
    for (const QString& r : rows()) equalRows += r.contains(QStringLiteral(" = "));
    EXPECT_EQ(equalRows, 12);
    for (const QString& other : QStringList({"C1", "C2", "C3"})) {
        EXPECT_TRUE(rows().contains(QStringLiteral("A:C5 = A:%1 [] u").arg(other)));
        EXPECT_TRUE(rows().contains(QStringLiteral("A:%1 = A:C5 [] u").arg(other)));
    }
    EXPECT_TRUE(rows().contains(QStringLiteral("A:C5 < A:C4 [under] u")));
    EXPECT_TRUE(rows().contains(QStringLiteral("A:C5 p A:G1 [] u")));
    ASSERT_TRUE(units.locate(QStringLiteral("Excavation;Unitname"), {QStringLiteral("A"), QStringLiteral("C5")}));
    EXPECT_EQ(units.str(QStringView(u"Period")), QStringLiteral("Roman"));
    EXPECT_EQ(units.str(uf::Unitclass), kContext);
}

// --- Combine --------------------------------------------------------------

TEST_F(UnitOperations, CombineRefusalsAndTheClassesOffered)
{
    make({"C1", "C2"});
    make({"G1", "G2"}, kGroup);
    make({"W1", "W2"}, kWorkArea);
    ui.expectInformation(QStringLiteral("Select two or more contexts (press <Ctrl>-key and click)\r\nwhich are to be combined."),
                         kCombineHelpTopic);
    EXPECT_FALSE(CombineClasses(session, keys({"C1"})));
    ui.expectError(QStringLiteral("combine can only be performed for units of the same unit class \r\n"
                                  "but units of class group and context were selected."),
                   kCombineHelpTopic);
    EXPECT_FALSE(CombineClasses(session, keys({"C1", "G1"})));
    ui.expectError(QStringLiteral("Combine can only be performed for units of class\r\ncontext or group."),
                   kCombineHelpTopic);
    EXPECT_FALSE(CombineClasses(session, keys({"W1", "W2"})));
    EXPECT_EQ(CombineClasses(session, keys({"C1", "C2"})), QStringList({kGroup, kWorkArea}));
    EXPECT_EQ(CombineClasses(session, keys({"G1", "G2"})), QStringList({kGroup}));

    ui.expectError(QStringLiteral("Result of combination process must not belong to class work area"), 129);
    EXPECT_FALSE(CombineUnits(session, keys({"G1", "G2"}), u("W9"), kWorkArea));
    ui.expectError(QStringLiteral("Unitname A: W1 already entered"), 129);
    EXPECT_FALSE(CombineUnits(session, keys({"C1", "C2"}), u("W1"), kWorkArea));
    EXPECT_TRUE(rows().isEmpty());
    EXPECT_EQ(unitNames().size(), 6);
}

TEST_F(UnitOperations, CombineSkipsUnitsAlreadyInAGroupOnlyForANewGroup)
{
    struct Case {
        QString containerClass;
        bool warned;
        QStringList rowsAfter;
    };
    const QList<Case> cases = {
        {kGroup, true, {"A:C1 p A:G1 [] u", "A:C2 p A:N [] u"}},
        {kWorkArea, false, {"A:C1 p A:G1 [] u", "A:C1 p A:N [] u", "A:C2 p A:N [] u"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.containerClass.toStdString());
        startAfresh();
        make({"C1", "C2"});
        make({"G1"}, kGroup);
        relate({"C1 p G1"});
        if (c.warned)
            ui.expectWarning(QStringLiteral("Units\r\nA:C1\r\nare already part of another group.\r\n"
                                            "Relationships not superseded."),
                             kCombineHelpTopic);
        EXPECT_TRUE(CombineUnits(session, keys({"C1", "C2"}), u("N"), c.containerClass));
        EXPECT_EQ(rows(), c.rowsAfter);
        EXPECT_EQ(UnitClassOf(session.units(), u("N")), c.containerClass);
        ui.verifyDone();
    }
}

} // namespace
