#include "ProjectFixture.h"
#include "store/Terms.h"

using namespace belvanto;
using belvanto::testing::ProjectFixture;

namespace {

const UnitKey A1{QStringLiteral("A"), QStringLiteral("1")};
const UnitKey A2{QStringLiteral("A"), QStringLiteral("2")};
const UnitKey A3{QStringLiteral("A"), QStringLiteral("3")};
const UnitKey G{QStringLiteral("A"), QStringLiteral("G")};

class Relations : public ProjectFixture {
protected:
    void SetUp() override { createProject(); }
    Table& rels() { return session.relations(); }
    QStringList rows() { return relationRows(rels()); }
    void moveTo(const UnitKey& a, const UnitKey& b)
    {
        ASSERT_TRUE(rels().locate(QStringLiteral("Excavation1;Unitname1;Excavation2;Unitname2"),
                                  {a.excavation, a.unitname, b.excavation, b.unitname}));
    }
};

TEST_F(Relations, CategoriesComeInTheirOrderWithTheirOpposites)
{
    QString codes;
    for (const auto& c : RelationCategories()) codes += c.code;
    EXPECT_EQ(codes, QStringLiteral("><=-p"));
    EXPECT_EQ(RelationCategories()[3].explanation, QStringLiteral("Contemporary with"));
    EXPECT_EQ(OppositeCategory(QLatin1Char('<')), QLatin1Char('>'));
    EXPECT_EQ(OppositeCategory(QLatin1Char('=')), QLatin1Char('='));
    EXPECT_FALSE(IsRelationCategory(QLatin1Char('P')));
}

TEST_F(Relations, OppositeCommentComesFromTheTermFileOnlyForEarlierAndLater)
{
    EXPECT_EQ(OppositeComment(session, QLatin1Char('<'), QStringLiteral("cuts")), QString());
    const QString terms = path("T.db");
    CreateTermTableFile(terms);
    {
        Table t;
        t.openFile(terms);
        t.insert();
        t.set(tf::TermField, kRelationshipComment);
        t.set(tf::Term, QStringLiteral("cuts"));
        t.set(tf::RelationCat, QStringLiteral(">"));
        t.set(tf::OppositeRel, QStringLiteral("is cut by"));
        t.post();
    }
    session.project().TermFilePath = terms;
    ASSERT_TRUE(OpenTermTable(session));
    EXPECT_EQ(OppositeComment(session, QLatin1Char('>'), QStringLiteral("cuts")), QStringLiteral("is cut by"));
    EXPECT_EQ(OppositeComment(session, QLatin1Char('<'), QStringLiteral("cuts")), QStringLiteral("is cut by"));
    EXPECT_EQ(OppositeComment(session, QLatin1Char('='), QStringLiteral("cuts")), QString());
    EXPECT_EQ(OppositeComment(session, QLatin1Char('>'), QStringLiteral("fills")), QString());
    EXPECT_EQ(OppositeComment(session, QLatin1Char('>'), QString()), QString());
}

TEST_F(Relations, RelatedUnitsSkipsOtherCodesBetweenThem)
{
    addRelation(A1, A2, QLatin1Char('='));
    addRelation(A1, A3, QLatin1Char('<'));
    addRelation(A1, G, QLatin1Char('='));
    const auto equal = RelatedUnits(rels(), A1, QLatin1Char('='));
    ASSERT_EQ(equal.size(), 2u);
    EXPECT_EQ(equal[0], A2);
    EXPECT_EQ(equal[1], G);
    EXPECT_TRUE(RelatedUnits(rels(), A2, QLatin1Char('<')).empty());
}

TEST_F(Relations, DeletingAPartOfRowDeletesOnlyThatRow)
{
    addRelation(A1, G, QLatin1Char('p'));
    addRelation(G, A1, QLatin1Char('p'));   // a container's own part-of row stays
    EXPECT_TRUE(DeleteRelationPair(ui, rels(), A1, G));
    EXPECT_EQ(rows(), QStringList{"A:GpA:1  u"});
}

TEST_F(Relations, AMissingRowIsReportedAndWhatCouldBeDeletedStaysDeleted)
{
    InsertRelationRow(rels(), A1, A2, QLatin1Char('<'), QString(), status::Stored);
    ui.expectWarning(QStringLiteral("Opposite relation: Relation table seems to be corrupt."));
    EXPECT_TRUE(DeleteRelationPair(ui, rels(), A1, A2));
    EXPECT_TRUE(rows().isEmpty());
    ui.expectWarning(QStringLiteral("Relation table seems to be corrupt."));
    EXPECT_FALSE(DeleteRelationPair(ui, rels(), A1, A2));
}

TEST_F(Relations, DeletePairKeepsFilterAndLink)
{
    addRelation(A1, A2, QLatin1Char('<'));
    addRelation(A1, A3, QLatin1Char('<'));
    rels().setFilter(QStringLiteral("RelationCat = '>'"));
    rels().setFiltered(true);
    rels().setLink({QStringLiteral("Excavation1"), QStringLiteral("Unitname1")}, {A2.excavation, A2.unitname});
    ASSERT_EQ(rels().count(), 1);
    EXPECT_TRUE(DeleteRelationPair(ui, rels(), A1, A3));
    EXPECT_TRUE(rels().filtered());
    EXPECT_TRUE(rels().linkActive());
    EXPECT_EQ(rels().count(), 1);
    EXPECT_EQ(rows(), (QStringList{"A:1<A:2  u", "A:2>A:1  u"}));
}

TEST_F(Relations, DeleteRelationshipAsksNamingBothUnitsWithTheirExcavation)
{
    session.project().SingleExcavation = true;
    addRelation(A1, A2, QLatin1Char('<'));
    moveTo(A1, A2);
    ui.expectConfirmation(QStringLiteral("Do you really want to delete the relationship\r\nbetween A:1 and A:2?"),
                          Buttons::YesNo, 54)
        .answer(Answer::No);
    EXPECT_FALSE(DeleteRelationship(ui, rels(), 10, false));
    EXPECT_EQ(rows().size(), 2);
    ui.expectConfirmation(QStringLiteral("Do you really want to delete the relationship\r\nbetween A:1 and A:2?"),
                          Buttons::YesNo, 54)
        .answer(Answer::Yes);
    EXPECT_TRUE(DeleteRelationship(ui, rels(), 10, false));
    EXPECT_TRUE(rows().isEmpty());
    ui.expectWarning(QStringLiteral("Sorry, deleting nothing does not make any sense."));
    EXPECT_FALSE(DeleteRelationship(ui, rels(), 1, false));
}

TEST_F(Relations, DeleteRelationshipReportsWhetherItDeleted)
{
    InsertRelationRow(rels(), A1, A2, QLatin1Char('='), QString(), status::Stored);
    moveTo(A1, A2);
    ui.expectWarning(QStringLiteral("Sorry, deleting established contemporary or equal relations\r\n"
                                    "is only allowed in main window."),
                     54);
    EXPECT_FALSE(DeleteRelationship(ui, rels(), 1, true));
    EXPECT_EQ(rows().size(), 1);

    // The pair's second row is missing: one row goes, and the caller learns
    // that something was deleted; a missing first row deletes nothing.
    ui.expectWarning(QStringLiteral("Opposite relation: Relation table seems to be corrupt."));
    EXPECT_TRUE(DeleteRelationship(ui, rels(), 1, false));
    EXPECT_TRUE(rows().isEmpty());
}

TEST_F(Relations, FindRelationshipUnitNamesTheMissingUnit)
{
    addUnit(A1.excavation, A1.unitname);
    addRelation(A1, A2, QLatin1Char('<'));
    moveTo(A1, A2);
    EXPECT_TRUE(FindRelationshipUnit(ui, session.units(), rels(), true));
    EXPECT_EQ(session.units().str(uf::Unitname), QStringLiteral("1"));
    ui.expectError(QStringLiteral("Unittable corrupt? Could not find unit A:2"));
    EXPECT_FALSE(FindRelationshipUnit(ui, session.units(), rels(), false));
}

TEST_F(Relations, TableHasTheSevenFieldsAndTheKey)
{
    const auto& fields = rels().fields();
    ASSERT_EQ(fields.size(), 7u);
    EXPECT_EQ(fields[0].name, QStringLiteral("Excavation1"));
    EXPECT_EQ(fields[3].size, 8);
    EXPECT_TRUE(fields[4].required);
    EXPECT_FALSE(fields[5].required);
    EXPECT_EQ(fields[5].size, 20);
    EXPECT_EQ(rels().primaryIndex().fields,
              (QStringList{"Excavation1", "Unitname1", "Excavation2", "Unitname2"}));
}

} // namespace
