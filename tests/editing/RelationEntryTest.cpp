#include "editing/RelationEntry.h"
#include "RelationFixture.h"
#include "store/Terms.h"

using namespace belvanto;
using belvanto::testing_support::RelationFixture;

namespace {

class Entry : public RelationFixture {
protected:
    void SetUp() override
    {
        RelationFixture::SetUp();
        make({"C1", "C2"});
        make({"G1"}, kGroup);
        make({"W1"}, kWorkArea);
    }
};

struct EntryCase {
    const char* name;
    const char* category;
    const char* excavation;
    const char* unitName;
    std::optional<int> help;     // the error shown, when there is one
    const char* message;
    EntryControl focus;
};

void PrintTo(const EntryCase& c, std::ostream* os) { *os << c.name; }

class EntryChecks : public Entry, public testing::WithParamInterface<EntryCase> {};

TEST_P(EntryChecks, FirstProblemWins)
{
    const EntryCase& c = GetParam();
    if (c.help) ui.expectError(QString::fromUtf8(c.message), *c.help);
    EXPECT_EQ(CheckRelationEntry(session, QString::fromUtf8(c.category),
                                 {QString::fromUtf8(c.excavation), QString::fromUtf8(c.unitName)}),
              c.focus);
    EXPECT_EQ(session.units().count(), 4);
}

INSTANTIATE_TEST_SUITE_P(
    Table, EntryChecks,
    testing::Values(
        EntryCase{"Valid", "<", "A", "C2", {}, "", EntryControl::None},
        EntryCase{"NoCategory", "", "", "", kRelationHelpTopic, "Relation category must be entered.",
                  EntryControl::Category},
        EntryCase{"BadExcavation", "=", "A:B", "C2", 14, "The excavation name must not contain a colon.",
                  EntryControl::Excavation},
        EntryCase{"BlankUnitName", "=", "A", "", kRelationHelpTopic, "Unit name may not be blank.",
                  EntryControl::UnitName},
        EntryCase{"BadNewUnitName", "p", "A", "G 2", kUnitNameHelpTopic, "The unit name must not contain a blank.",
                  EntryControl::UnitName},
        EntryCase{"NewUnitNameOutsideWindows1252", "<", "A", "Ж1", kUnitNameHelpTopic,
                  "The unit name contains characters that cannot be stored.", EntryControl::UnitName},
        EntryCase{"ExcavationOutsideWindows1252", "=", "Гора", "C2", 14,
                  "The excavation name contains characters that cannot be stored.", EntryControl::Excavation}),
    [](const testing::TestParamInfo<EntryCase>& info) { return std::string(info.param.name); });

TEST_F(Entry, MissingSecondUnitIsOfferedAsGroupForPartOfAndAsContextOtherwise)
{
    ui.expectConfirmation(QStringLiteral("Unit name G2 does not exist\r\nDo you want to create a group?"),
                          Buttons::YesNo, kRelationHelpTopic)
        .answer(Answer::Yes);
    EXPECT_EQ(CheckRelationEntry(session, QStringLiteral("p"), u("G2")), EntryControl::None);
    EXPECT_EQ(UnitClassOf(session.units(), u("G2")), kGroup);

    ui.expectConfirmation(QStringLiteral("Unit name C3 does not exist\r\nDo you want to create a context?"),
                          Buttons::YesNo, kRelationHelpTopic)
        .answer(Answer::No);
    EXPECT_EQ(CheckRelationEntry(session, QStringLiteral("-"), u("C3")), EntryControl::UnitName);
    EXPECT_FALSE(UnitExists(session.units(), u("C3")));
}

TEST_F(Entry, AddCommandPresetsFollowTheFirstUnit)
{
    const auto context = BeginAddRelationship(session, u("C1"));
    ASSERT_TRUE(context);
    EXPECT_TRUE(context->category.isEmpty());
    EXPECT_FALSE(context->categoryFixed);

    const auto group = BeginAddRelationship(session, u("G1"));
    ASSERT_TRUE(group);
    EXPECT_EQ(group->category, QStringLiteral("p"));
    EXPECT_TRUE(group->categoryFixed);

    ui.expectInformation(QStringLiteral("A work area may not have any relationships.\r\nIn order to add a new member "
                                        "to a work area,\r\nclick on the member unit and choose Relations -> Add."),
                         20);
    EXPECT_FALSE(BeginAddRelationship(session, u("W1")));

    add("G1 p W1");   // refused: a group is part of groups only
    add("G1 p G2");   // G2 does not exist
    EXPECT_TRUE(BeginAddRelationship(session, u("G1")));
    make({"G2"}, kGroup);
    add("G1 p G2");
    ui.expectInformation(QStringLiteral("A group must not be part of more than one group.\r\nIn order to change the "
                                        "membership of a group,\r\ndelete the incorrect relationship first using "
                                        "Relations | Remove."),
                         12);
    EXPECT_FALSE(BeginAddRelationship(session, u("G1")));
}

TEST_F(Entry, AddCommandNeedsUnits)
{
    session.units().setFilter(QStringLiteral("Unitclass = 'none'"));
    session.units().setFiltered(true);
    ui.expectWarning(QStringLiteral("Please define units before adding their relationships"));
    EXPECT_FALSE(BeginAddRelationship(session, std::nullopt));
}

TEST_F(Entry, EditCommandNeedsRelationshipsAndChangesOneRowOnly)
{
    ui.expectWarning(QStringLiteral("To add relationships use Relations | Add\r\nor the corresponding toolbar button."),
                     79);
    EXPECT_FALSE(BeginEditRelationship(session));
    add("C1 < C2", level::Silent, "old");
    session.relations().first();
    EXPECT_TRUE(BeginEditRelationship(session));
    EXPECT_TRUE(SetRelationComment(session.relations(), {u("C2"), u("C1")}, QStringLiteral("new")));
    EXPECT_EQ(rows(), QStringList({"A:C1 < A:C2 [old] u", "A:C2 > A:C1 [new] u"}));
    EXPECT_FALSE(SetRelationComment(session.relations(), {u("C1"), u("G1")}, QStringLiteral("x")));
}

TEST_F(Entry, TermLookupWithoutTermFile)
{
    ui.expectInformation(QStringLiteral("No term file available for current project."));
    EXPECT_FALSE(TermLookupField(session, LookupEdit::Other));
}

class EntryWithTerms : public Entry {
protected:
    QString termFile() const override { return dir.filePath(QStringLiteral("terms.db")); }
};

TEST_F(EntryWithTerms, TermLookupNamesItsTargetField)
{
    ui.expectInformation(QStringLiteral("Term lookup not supported for unit names."));
    EXPECT_FALSE(TermLookupField(session, LookupEdit::UnitName));

    ui.expectConfirmation(QStringLiteral("No terms available for field Excavation.\r\nDo you want to create terms?"),
                          Buttons::YesNo, kTermLookupHelpTopic)
        .answer(Answer::No);
    EXPECT_FALSE(TermLookupField(session, LookupEdit::Excavation));
    ui.expectConfirmation(
          QStringLiteral("No terms available for field Relationship comment.\r\nDo you want to create terms?"),
          Buttons::YesNo, kTermLookupHelpTopic)
        .answer(Answer::Yes);
    EXPECT_EQ(TermLookupField(session, LookupEdit::Other), kRelationshipComment);

    TermRecord cuts;
    cuts.TermField = kRelationshipComment;
    cuts.Term = QStringLiteral("cuts");
    session.terms().insert();
    WriteTermRecord(session.terms(), cuts);
    session.terms().post();
    EXPECT_EQ(TermLookupField(session, LookupEdit::Other), kRelationshipComment);
}

} // namespace
