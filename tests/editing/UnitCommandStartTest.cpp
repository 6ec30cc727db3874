// What the Units menu's form commands hand to the edit form, and their
// refusals before any form opens.
#include "editing/UnitOperations.h"
#include "RelationFixture.h"

using namespace belvanto;
using belvanto::testing_support::RelationFixture;

namespace {

class UnitCommandStart : public RelationFixture {
protected:
    void onUnit(const QString& name)
    {
        ASSERT_TRUE(session.units().locate(QStringLiteral("Excavation;Unitname"), {QStringLiteral("A"), name}));
    }
};

TEST_F(UnitCommandStart, EmptyUnitTable)
{
    session.project().CurrentExcavation = QStringLiteral("B");
    // Edit falls back on a new unit; the others refuse.
    const auto edit = EditUnitStart(session, {});
    ASSERT_TRUE(edit);
    EXPECT_EQ(edit->mode, EditMode::New);
    EXPECT_EQ(edit->excavation, QStringLiteral("B"));
    EXPECT_TRUE(edit->unitName.isEmpty());
    EXPECT_TRUE(edit->classes.isEmpty());

    ui.expectWarning(QStringLiteral("Copying a unit when unit list is empty does not make any sense"));
    EXPECT_FALSE(CopyUnitStart(session, {}));
    ui.expectWarning(QStringLiteral("Splitting a unit when unit list is empty does not make any sense"));
    EXPECT_FALSE(SplitUnitStart(session, {}));
}

TEST_F(UnitCommandStart, SeveralSelectedUnits)
{
    make({"1", "2"});
    const std::vector<UnitKey> both{u("1"), u("2")};
    ui.expectWarning(QStringLiteral("Change multiple units by editing the first unit and \r\n"
                                    "using Arrow-buttons in the unit edit form afterwards."),
                     49);
    EXPECT_FALSE(EditUnitStart(session, both));
    ui.expectWarning(QStringLiteral("You can copy only one unit at a time."), 73);
    EXPECT_FALSE(CopyUnitStart(session, both));
    ui.expectWarning(QStringLiteral("You can only split one unit at a time."), 74);
    EXPECT_FALSE(SplitUnitStart(session, both));
}

TEST_F(UnitCommandStart, EachModeGetsItsUnitAndClasses)
{
    make({"1"});
    make({"G"}, kGroup);
    make({"W"}, kWorkArea);
    onUnit(QStringLiteral("G"));
    struct Case {
        const char* command;
        std::optional<UnitEditStart> start;
        EditMode mode;
        QString unitName;
        QStringList classes;
    };
    const Case cases[] = {
        // The current row when nothing is selected; only the unit's own class.
        {"edit current", EditUnitStart(session, {}), EditMode::Edit, "G", {kGroup}},
        {"edit selected", EditUnitStart(session, {u("W")}), EditMode::Edit, "W", {kWorkArea}},
        // A copy is a new unit of any class.
        {"copy", CopyUnitStart(session, {u("1")}), EditMode::Copy, "1", {}},
        {"split", SplitUnitStart(session, {u("W")}), EditMode::Split, "W", {kWorkArea}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command);
        ASSERT_TRUE(c.start);
        EXPECT_EQ(c.start->mode, c.mode);
        EXPECT_EQ(c.start->excavation, QStringLiteral("A"));
        EXPECT_EQ(c.start->unitName, c.unitName);
        EXPECT_EQ(c.start->classes, c.classes);
    }
}

TEST_F(UnitCommandStart, CombineOffersTheContainerClassesOfTheSelection)
{
    make({"1", "2"});
    make({"G1", "G2"}, kGroup);
    session.project().CurrentExcavation = QStringLiteral("A");
    const auto contexts = CombineUnitStart(session, {u("1"), u("2")});
    ASSERT_TRUE(contexts);
    EXPECT_EQ(contexts->mode, EditMode::Combine);
    EXPECT_TRUE(contexts->unitName.isEmpty());
    EXPECT_EQ(contexts->classes, QStringList({kGroup, kWorkArea}));
    const auto groups = CombineUnitStart(session, {u("G1"), u("G2")});
    ASSERT_TRUE(groups);
    EXPECT_EQ(groups->classes, QStringList{kGroup});
}

TEST_F(UnitCommandStart, ContainerMembersAreThePartOfRowsNamingIt)
{
    make({"3", "1", "2"});
    make({"G", "H"}, kGroup);
    for (const char* r : {"3 p G", "1 p G", "2 p H", "1 < 2"}) ASSERT_EQ(add(QString::fromLatin1(r)), AddResult::Stored) << r;
    EXPECT_EQ(ContainerMembers(session.relations(), u("G")), (std::vector<UnitKey>{u("1"), u("3")}));
    EXPECT_TRUE(ContainerMembers(session.relations(), u("1")).empty());
}

} // namespace
