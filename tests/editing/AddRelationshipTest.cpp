#include "editing/AddRelationship.h"
#include "RelationFixture.h"
#include "store/Terms.h"

using namespace belvanto;
using belvanto::testing_support::RelationFixture;

namespace {

const QStringList kContexts{"C1", "C2", "C3", "C4", "C5"};
const QStringList kGroups{"G1", "G2", "G3"};
// "AW" sorts before every other unit, so its part-of row comes first.
const QStringList kWorkAreas{"AW", "W1"};

class Gate : public RelationFixture {
protected:
    void SetUp() override
    {
        RelationFixture::SetUp();
        make(kContexts);
        make(kGroups, kGroup);
        make(kWorkAreas, kWorkArea);
    }
};

// A refused relationship: what is stored first, what is added at which
// level, the message shown (kind and text; none at the quiet levels).
struct Refusal {
    const char* name;
    QStringList stored;
    const char* relationship;
    int level;
    AddResult result;
    std::optional<MessageKind> kind;
    const char* message;
};

void PrintTo(const Refusal& r, std::ostream* os) { *os << r.name; }

const char* const kSelf = "Relation between A:C1 and this same unit not allowed.\r\nNew relationship is not stored.";
const char* const kNotContexts = "Relation between A:G1 and A:C1:\r\nEarlier than, later than, equal to, and "
                                 "contemporary with relationships \r\nmay only be defined for contexts.";
const char* const kUnknownCategory = "Relation between A:C1 and A:C2:\r\nunknown relation category \"x\".\r\n"
                                     "New relationship is not stored.";

class Refusals : public Gate, public testing::WithParamInterface<Refusal> {};

TEST_P(Refusals, ShowTheMessageOfTheLevelAndStoreNothing)
{
    const Refusal& c = GetParam();
    for (const QString& r : c.stored) ASSERT_EQ(add(r), AddResult::Stored) << r.toStdString();
    const QStringList before = rows();
    if (c.kind) ui.expect(*c.kind, QString::fromUtf8(c.message), Buttons::Ok, kRelationHelpTopic);
    EXPECT_EQ(add(QString::fromUtf8(c.relationship), c.level, QStringLiteral("new")), c.result);
    EXPECT_EQ(rows(), before);
}

using K = MessageKind;
INSTANTIATE_TEST_SUITE_P(
    Table, Refusals,
    testing::Values(
        Refusal{"SelfAtLevel10", {}, "C1 > C1", 10, AddResult::SelfRelation, K::Warning, kSelf},
        Refusal{"SelfAtLevel1", {}, "C1 > C1", 1, AddResult::SelfRelation, {}, ""},
        Refusal{"SelfAtLevel0", {}, "C1 = C1", 0, AddResult::SelfRelation, {}, ""},
        Refusal{"SelfBeforeMissingUnit", {}, "X9 < X9", 10, AddResult::SelfRelation, K::Warning,
                "Relation between A:X9 and this same unit not allowed.\r\nNew relationship is not stored."},
        Refusal{"DuplicateSameDirection", {"C1 < C2"}, "C1 > C2", 10, AddResult::AlreadyDefined, K::Warning,
                "Relation between A:C1 and A:C2 has already been defined.\r\nNew relationship is not stored."},
        Refusal{"DuplicateReverseEarlier", {"C1 < C2"}, "C2 < C1", 10, AddResult::AlreadyDefined, K::Warning,
                "Relation between A:C2 and A:C1 has already been defined.\r\nNew relationship is not stored."},
        Refusal{"DuplicateReverseLater", {"C1 > C2"}, "C2 = C1", 10, AddResult::AlreadyDefined, K::Warning,
                "Relation between A:C2 and A:C1 has already been defined.\r\nNew relationship is not stored."},
        Refusal{"DuplicateReverseEqual", {"C1 = C2"}, "C2 - C1", 10, AddResult::AlreadyDefined, K::Warning,
                "Relation between A:C2 and A:C1 has already been defined.\r\nNew relationship is not stored."},
        Refusal{"DuplicateReverseContemporary", {"C1 - C2"}, "C2 = C1", 10, AddResult::AlreadyDefined, K::Warning,
                "Relation between A:C2 and A:C1 has already been defined.\r\nNew relationship is not stored."},
        Refusal{"DuplicatePartOf", {"C1 p G1"}, "C1 p G1", 10, AddResult::AlreadyDefined, K::Warning,
                "Relation between A:C1 and A:G1 has already been defined.\r\nNew relationship is not stored."},
        Refusal{"DuplicateAtLevel1", {"C1 < C2"}, "C2 > C1", 1, AddResult::AlreadyDefined, {}, ""},
        Refusal{"FirstUnitMissing", {}, "X9 < X8", 1, AddResult::UnitMissing, K::Error,
                "A:X9 not found in unit data base. \r\nUnit data base corrupt?"},
        Refusal{"SecondUnitMissing", {}, "C1 p X8", 10, AddResult::UnitMissing, K::Error,
                "A:X8 not found in unit data base. \r\nUnit data base corrupt?"},
        Refusal{"UnitMissingAtLevel0", {}, "C1 < X8", 0, AddResult::UnitMissing, {}, ""},
        Refusal{"EarlierWithGroup", {}, "G1 < C1", 1, AddResult::NotContexts, K::Error, kNotContexts},
        Refusal{"EqualWithWorkArea", {}, "C2 = W1", 10, AddResult::NotContexts, K::Error,
                "Relation between A:C2 and A:W1:\r\nEarlier than, later than, equal to, and contemporary with "
                "relationships \r\nmay only be defined for contexts."},
        Refusal{"NotContextsAtLevel0", {}, "G1 - C1", 0, AddResult::NotContexts, {}, ""},
        Refusal{"ContradictionInClass", {"C1 < C3", "C2 = C3"}, "C1 = C2", 1, AddResult::Contradiction, K::Error,
                "Relation between A:C1 and A:C2\r\nin contradiction with existing relationship between \r\n"
                "A: C1 and A: C3"},
        Refusal{"ContradictionOfOtherClassCode", {"C4 - C3", "C2 = C3"}, "C4 = C2", 10, AddResult::Contradiction,
                K::Error,
                "Relation between A:C4 and A:C2\r\nin contradiction with existing relationship between \r\n"
                "A: C4 and A: C3"},
        Refusal{"ContradictionFoundInIJOrder", {"C1 = C3", "C2 = C4", "C3 > C4"}, "C1 = C2", 10,
                AddResult::Contradiction, K::Error,
                "Relation between A:C1 and A:C2\r\nin contradiction with existing relationship between \r\n"
                "A: C3 and A: C4"},
        Refusal{"ContradictionAtLevel0", {"C1 < C3", "C2 = C3"}, "C1 = C2", 0, AddResult::Contradiction, {}, ""},
        Refusal{"PartOfContext", {}, "C1 p C2", 1, AddResult::PartOfRule, K::Error,
                "A:C1: cannot be part of a context."},
        Refusal{"ReversePartOfIsJudgedByTheRules", {"C1 p G1"}, "G1 p C1", 10, AddResult::PartOfRule, K::Error,
                "A:G1: cannot be part of a context."},
        Refusal{"WorkAreaIsPartOfNothing", {}, "W1 p G1", 1, AddResult::PartOfRule, K::Error,
                "A:W1: work area\r\ncannot be part of another unit."},
        Refusal{"GroupInWorkArea", {}, "G1 p W1", 1, AddResult::PartOfRule, K::Error,
                "A:G1: A group can only be part of another group, not of work area."},
        Refusal{"SecondGroup", {"C1 p AW", "C1 < C2", "C1 p G2"}, "C1 p G1", 10, AddResult::PartOfRule, K::Error,
                "A:C1 is already part of another group.\r\nNew relationship is not stored."},
        Refusal{"SecondGroupOfGroup", {"G1 p G2"}, "G1 p G3", 1, AddResult::PartOfRule, K::Error,
                "A:G1 is already part of another group.\r\nNew relationship is not stored."},
        Refusal{"PartOfRuleAtLevel0", {"C1 p G2"}, "C1 p G1", 0, AddResult::PartOfRule, {}, ""},
        Refusal{"UnknownCategory", {}, "C1 x C2", 10, AddResult::UnknownCategory, K::Error, kUnknownCategory},
        Refusal{"UnknownCategoryAtLevel1", {}, "C1 x C2", 1, AddResult::UnknownCategory, K::Error, kUnknownCategory},
        Refusal{"UnknownCategoryAtLevel0", {}, "C1 x C2", 0, AddResult::UnknownCategory, {}, ""}),
    [](const testing::TestParamInfo<Refusal>& info) { return std::string(info.param.name); });

TEST_F(Gate, EarlierAndLaterWriteBothRowsWithAnEmptyOppositeCommentWithoutTermFile)
{
    EXPECT_EQ(add("C1 < C2", level::Everything, "below"), AddResult::Stored);
    EXPECT_EQ(add("C3 > C4", level::Everything), AddResult::Stored);
    EXPECT_EQ(rows(), QStringList({"A:C1 < A:C2 [below] u", "A:C2 > A:C1 [] u", "A:C3 > A:C4 [] u",
                                   "A:C4 < A:C3 [] u"}));
}

TEST_F(Gate, PartOfWritesOneRowAndAllowsWorkAreasBesideOneGroup)
{
    EXPECT_EQ(add("C1 p AW", level::Everything, "in"), AddResult::Stored);
    EXPECT_EQ(add("C1 p G1", level::Everything), AddResult::Stored);
    EXPECT_EQ(add("C1 p W1", level::Everything), AddResult::Stored);
    EXPECT_EQ(add("G1 p G2", level::Everything), AddResult::Stored);
    EXPECT_EQ(add("G2 p W1", level::Silent), AddResult::PartOfRule);
    EXPECT_EQ(rows(), QStringList({"A:C1 p A:AW [in] u", "A:C1 p A:G1 [] u", "A:C1 p A:W1 [] u",
                                   "A:G1 p A:G2 [] u"}));
}

TEST_F(Gate, GroupCyclesAreStored)
{
    EXPECT_EQ(add("G1 p G2", level::Everything), AddResult::Stored);
    EXPECT_EQ(add("G2 p G1", level::Everything), AddResult::Stored);
    EXPECT_EQ(rows(), QStringList({"A:G1 p A:G2 [] u", "A:G2 p A:G1 [] u"}));
}

TEST_F(Gate, JoiningClassesWritesEveryMissingPairAndKeepsOldComments)
{
    ASSERT_EQ(add("C2 = C3", level::Silent, "old"), AddResult::Stored);
    ASSERT_EQ(add("C3 = C4", level::Silent, "old"), AddResult::Stored);
    EXPECT_EQ(add("C1 = C2", level::Everything, "new"), AddResult::Stored);
    EXPECT_EQ(rows(), QStringList({
                          "A:C1 = A:C2 [new] u", "A:C1 = A:C3 [new] u", "A:C1 = A:C4 [new] u",
                          "A:C2 = A:C1 [new] u", "A:C2 = A:C3 [old] u", "A:C2 = A:C4 [old] u",
                          "A:C3 = A:C1 [new] u", "A:C3 = A:C2 [old] u", "A:C3 = A:C4 [old] u",
                          "A:C4 = A:C1 [new] u", "A:C4 = A:C2 [old] u", "A:C4 = A:C3 [old] u",
                      }));
}

TEST_F(Gate, MergingTwoClassesClosesTheUnion)
{
    ASSERT_EQ(add("C1 - C2"), AddResult::Stored);
    ASSERT_EQ(add("C3 - C4"), AddResult::Stored);
    ASSERT_EQ(add("C5 < C1"), AddResult::Stored);
    EXPECT_EQ(add("C2 - C4"), AddResult::Stored);
    const QStringList all = rows();
    EXPECT_EQ(all.filter(QStringLiteral(" - ")).size(), 12);
    EXPECT_EQ(all.size(), 14);
}

TEST_F(Gate, EveryPathOutRestoresTheRelationshipFilterAndLeavesTheUnitListAlone)
{
    ASSERT_EQ(add("C1 < C3"), AddResult::Stored);
    ASSERT_EQ(add("C2 = C3"), AddResult::Stored);
    ASSERT_EQ(add("C4 p G2"), AddResult::Stored);
    Table& relations = session.relations();
    Table& units = session.units();
    relations.setFilter(QStringLiteral("RelationCat = '>'"));
    relations.setFiltered(true);
    units.setFilter(QStringLiteral("Unitclass = 'group'"));
    units.setFiltered(true);
    ASSERT_TRUE(units.locate(QStringLiteral("Excavation;Unitname"), {QStringLiteral("A"), QStringLiteral("G2")}));
    for (const char* r : {"C1 > C3", "X1 < C1", "G1 < C1", "C1 = C2", "C4 p G1", "C4 > C5", "C1 p W1"}) {
        add(QString::fromUtf8(r));
        EXPECT_TRUE(relations.filtered()) << r;
        EXPECT_EQ(relations.filterText(), QStringLiteral("RelationCat = '>'")) << r;
        EXPECT_TRUE(units.filtered()) << r;
        EXPECT_EQ(units.str(uf::Unitname), QStringLiteral("G2")) << r;
        EXPECT_FALSE(units.displaySuspended()) << r;
    }
    EXPECT_EQ(relations.count(), 2);   // C3 > C1 and C4 > C5
}

class GateWithTerms : public Gate {
protected:
    QString termFile() const override { return dir.filePath(QStringLiteral("terms.db")); }
    void SetUp() override
    {
        Gate::SetUp();
        ASSERT_TRUE(session.termsOpen());
        TermRecord cuts;
        cuts.TermField = kRelationshipComment;
        cuts.Term = QStringLiteral("cuts");
        cuts.RelationCat = QStringLiteral(">");
        cuts.OppositeRel = QStringLiteral("cut by");
        session.terms().insert();
        WriteTermRecord(session.terms(), cuts);
        session.terms().post();
    }
};

TEST_F(GateWithTerms, OppositeRowTakesTheOppositeTermOnlyForEarlierAndLater)
{
    EXPECT_EQ(add("C1 > C2", level::Everything, "cuts"), AddResult::Stored);
    EXPECT_EQ(add("C3 < C4", level::Everything, "fills"), AddResult::Stored);
    EXPECT_EQ(add("C4 = C5", level::Everything, "cuts"), AddResult::Stored);
    EXPECT_EQ(rows(), QStringList({"A:C1 > A:C2 [cuts] u", "A:C2 < A:C1 [cut by] u", "A:C3 < A:C4 [fills] u",
                                   "A:C4 > A:C3 [] u", "A:C4 = A:C5 [cuts] u", "A:C5 = A:C4 [cuts] u"}));
}

TEST_F(Gate, ClassCacheSeesUnitsCreatedAndReclassifiedDuringTheCommand)
{
    UnitClassCache classes(session.units());
    auto add = [&](const char* first, QChar code, const char* second) {
        return AddRelationship(session, session.units(), session.relations(), u(first), u(second), code, QString(),
                               level::Silent, &classes);
    };
    EXPECT_EQ(add("C1", QLatin1Char('<'), "X9"), AddResult::UnitMissing);
    CreateUnit(session.units(), u("X9"), kContext);
    EXPECT_EQ(add("C1", QLatin1Char('<'), "X9"), AddResult::Stored);

    EXPECT_EQ(add("C2", QLatin1Char('p'), "C3"), AddResult::PartOfRule);
    Table& units = session.units();
    ASSERT_TRUE(units.locate(QStringLiteral("Excavation;Unitname"), {QStringLiteral("A"), QStringLiteral("C3")}));
    units.edit();
    units.set(uf::Unitclass, kGroup);
    units.post();
    EXPECT_EQ(add("C2", QLatin1Char('p'), "C3"), AddResult::Stored);
    EXPECT_EQ(add("C2", QLatin1Char('p'), "G1"), AddResult::PartOfRule);   // C3 is a group now
}

} // namespace
