#include "editing/UnitEditor.h"
#include "RelationFixture.h"
#include "store/Terms.h"

using namespace belvanto;
using belvanto::testing_support::RelationFixture;

namespace {

class UnitEditorTest : public RelationFixture {
protected:
    void TearDown() override
    {
        editor.close();
        RelationFixture::TearDown();
    }

    // "C1 < C2, C3 = C4": each stored through the one gate.
    void relate(const QStringList& relationships)
    {
        for (const QString& r : relationships) ASSERT_EQ(add(r), AddResult::Stored) << r.toStdString();
    }
    // Writes one field of a stored row, as other commands leave them.
    void setRowField(const QString& first, const QString& second, int field, const QString& value)
    {
        const auto row = FindRelationRow(session.relations(), u(first), u(second));
        ASSERT_TRUE(row);
        TableWriter writer(session.relations());
        writer.set(field, value);
        writer.update(row->rowid);
    }
    Value unitValue(const QString& name, int field)
    {
        const auto rows = session.units().query(QStringLiteral("Unitname IS ?"), {name});
        return rows.empty() ? Value() : rows.front().values[std::size_t(field)];
    }
    QStringList unitNames()
    {
        QStringList names;
        for (const auto& r : session.units().query(QString(), {}, kUnitKeyOrder)) names << textAt(r, uf::Unitname);
        return names;
    }
    static QStringList seconds(const std::vector<EditorRelation>& list)
    {
        QStringList names;
        for (const auto& r : list) names << r.second.text() + QLatin1Char(' ') + r.code;
        return names;
    }
    bool openEdit(const QString& name) { return editor.open(QStringLiteral("A"), name, {}, EditMode::Edit); }
    bool openNew(const QStringList& classes = {}, EditMode mode = EditMode::New)
    {
        return editor.open(QStringLiteral("A"), QString(), classes, mode);
    }
    void expectSaveError(const QString& text) { ui.expectError(text, kUnitSaveHelpTopic); }

    UnitEditor editor{session};
};

// --- Opening --------------------------------------------------------------

TEST_F(UnitEditorTest, EditLoadsTheUnitAndItsRowsIntoTheThreeLists)
{
    make({"C1", "C2", "C3", "C4"});
    make({"G1"}, kGroup);
    relate({"C1 < C2", "C1 > C3", "C1 = C4", "C1 p G1"});
    ASSERT_TRUE(openEdit(QStringLiteral("C1")));
    EXPECT_EQ(editor.mode(), EditMode::Edit);
    EXPECT_TRUE(editor.unitsChanged());
    EXPECT_EQ(editor.text(uf::Unitclass), kContext);
    EXPECT_EQ(seconds(editor.relations(RelationList::LaterThan)), QStringList{"A:C3 >"});
    EXPECT_EQ(seconds(editor.relations(RelationList::EarlierThan)), QStringList{"A:C2 <"});
    EXPECT_EQ(seconds(editor.relations(RelationList::Other)), (QStringList{"A:C4 =", "A:G1 p"}));
    EXPECT_TRUE(session.units().displaySuspended());
    EXPECT_TRUE(session.relations().displaySuspended());
    editor.close();
    EXPECT_FALSE(session.units().displaySuspended());
    EXPECT_FALSE(session.relations().displaySuspended());
}

TEST_F(UnitEditorTest, AFailedOpeningLeavesFilterAndDisplayAsBefore)
{
    make({"C1"});
    session.relations().setFilter(QStringLiteral("RelationCat = '<'"));
    for (EditMode mode : {EditMode::Edit, EditMode::Copy, EditMode::Split}) {
        ui.expectError(QStringLiteral("Unitname C9 not found. Data base corrupt?"));
        EXPECT_FALSE(editor.open(QStringLiteral("A"), QStringLiteral("C9"), {}, mode));
        EXPECT_FALSE(editor.isOpen());
        EXPECT_TRUE(session.relations().filtered());
        EXPECT_EQ(session.relations().filterText(), QStringLiteral("RelationCat = '<'"));
        EXPECT_FALSE(session.relations().displaySuspended());
        EXPECT_FALSE(session.units().displaySuspended());
    }
}

TEST_F(UnitEditorTest, TheRelationshipFilterIsOffWhileEditingAndComesBack)
{
    make({"C1"});
    session.relations().setFilter(QStringLiteral("RelationCat = '<'"));
    ASSERT_TRUE(openEdit(QStringLiteral("C1")));
    EXPECT_FALSE(session.relations().filtered());
    EXPECT_TRUE(editor.cancel());
    EXPECT_TRUE(session.relations().filtered());
    EXPECT_EQ(session.relations().filterText(), QStringLiteral("RelationCat = '<'"));
}

// --- Values ---------------------------------------------------------------

TEST_F(UnitEditorTest, ValuesAreShownAndReadInTheRegionalForms)
{
    FixedRegional comma(QLatin1Char(','), QStringLiteral("dd.MM.yy"));
    Session local(ui, comma);
    ASSERT_TRUE(CreateProjectFiles(local, dir.filePath(QStringLiteral("Q.bvp")), QStringLiteral("A"), QString(), false));
    CreateUnit(local.units(), u(QStringLiteral("C1")), kContext);
    {
        UnitEditor e(local);
        ASSERT_TRUE(e.open(QStringLiteral("A"), QStringLiteral("C1"), {}, EditMode::Edit));
        e.setText(uf::XMinCoord, QStringLiteral("1,5"));
        e.setText(uf::XMaxCoord, QStringLiteral("2.25"));
        e.setText(uf::ExcavationDate, QStringLiteral("3.4.26"));
        e.setText(uf::DispStyle, QStringLiteral("7"));
        ASSERT_TRUE(e.save());
        EXPECT_EQ(e.text(uf::XMinCoord), QStringLiteral("1,5"));
        EXPECT_EQ(e.text(uf::XMaxCoord), QStringLiteral("2,25"));
        EXPECT_EQ(e.text(uf::ExcavationDate), QStringLiteral("03.04.2026"));
        EXPECT_EQ(e.text(uf::DispStyle), QStringLiteral("7"));
        EXPECT_EQ(e.todayText(QDate(2024, 2, 29)), QStringLiteral("29.02.2024"));
        e.close();
    }
    const auto row = local.units().query(QString(), {}).front();
    EXPECT_EQ(doubleOf(row.values[uf::XMinCoord]), 1.5);
    EXPECT_EQ(row.values[uf::ExcavationDate], Value(QDate(2026, 4, 3)));
    EXPECT_EQ(row.values[uf::DispStyle], Value(qint32(7)));
    CloseProject(local, true);
}

TEST_F(UnitEditorTest, ARefusedValueWritesNothingAndFocusesItsField)
{
    make({"C1"});
    struct Case {
        int field;
        QString text;
        QString message;
    };
    const QList<Case> cases = {
        {uf::Location, QString(21, QLatin1Char('x')), "Location must not exceed maximum length of 20"},
        {uf::Colour, QStringLiteral("\u4e2d"), "Colour contains characters that cannot be stored"},
        {uf::MinYear, QStringLiteral("12a"), "First year cannot be converted to an integer number."},
        {uf::ZAvgCoord, QStringLiteral("1,5"), "Z-Coordinate of center cannot be converted to a floating point number."},
        {uf::ExcavationDate, QStringLiteral("31.02.2020"), "Excavation date is no date (write dd.mm.yyyy)"},
        {uf::XMaxCoord, QStringLiteral("-1"), "Min. of X-Coordinate is greater than Max."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message.toStdString());
        ASSERT_TRUE(openEdit(QStringLiteral("C1")));
        editor.setText(uf::Description, QStringLiteral("changed"));
        editor.setText(uf::XMinCoord, QStringLiteral("0"));
        editor.setText(c.field, c.text);
        expectSaveError(c.message);
        EXPECT_FALSE(editor.save());
        EXPECT_EQ(editor.focusField(), c.field == uf::XMaxCoord ? uf::XMinCoord : c.field);
        EXPECT_TRUE(valueIsEmpty(unitValue(QStringLiteral("C1"), uf::Description)));
        editor.close();
    }
}

// --- Saving checks ----------------------------------------------------------

TEST_F(UnitEditorTest, SaveRefusalsNameTheFirstProblem)
{
    make({"7"});
    struct Case {
        const char* name;
        QString unitName;
        QString unitClass;
        QStringList allowed;
        QString message;
        int focus;
    };
    const QList<Case> cases = {
        {"blank name", "", kContext, {}, "The unit name must not be blank", uf::Unitname},
        {"existing key; a blank after the colon", "7", kContext, {}, "Unitname A: 7 already entered", uf::Unitname},
        {"class not allowed", "8", kContext, {kGroup, kWorkArea},
         "Result of combination process must not belong to class context", uf::Unitclass},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(openNew(c.allowed));
        editor.setText(uf::Unitname, c.unitName);
        editor.setText(uf::Unitclass, c.unitClass);
        expectSaveError(c.message);
        EXPECT_FALSE(editor.save());
        EXPECT_EQ(editor.focusField(), c.focus);
        EXPECT_EQ(unitNames(), QStringList{"7"});
        editor.close();
    }
}

TEST_F(UnitEditorTest, RelationsNeedTheNameAndExcavationFirst)
{
    ASSERT_TRUE(editor.open(QString(), QString(), {}, EditMode::New));
    ui.expectError(QStringLiteral("Unit name must be entered before relations are entered!"), kUnitRelationsHelpTopic);
    EXPECT_EQ(editor.checkRelationStart(), uf::Unitname);
    editor.setText(uf::Unitname, QStringLiteral("C1"));
    ui.expectError(QStringLiteral("Excavation name must be entered before relations are entered!"),
                   kUnitRelationsHelpTopic);
    EXPECT_EQ(editor.checkRelationStart(), uf::Excavation);
    editor.setText(uf::Excavation, QStringLiteral("A"));
    EXPECT_EQ(editor.checkRelationStart(), kNoField);
}

// --- Relationships in the form ----------------------------------------------

TEST_F(UnitEditorTest, ASecondEntryToTheSameUnitIsRefusedInAnyTwoLists)
{
    make({"C1", "C2"});
    const QList<std::pair<QChar, QChar>> pairs = {
        {'>', '<'}, {'<', '>'}, {'>', '='}, {'=', '<'}, {'-', '>'}, {'<', '<'}};
    for (const auto& [firstCode, secondCode] : pairs) {
        ASSERT_TRUE(openEdit(QStringLiteral("C1")));
        EXPECT_TRUE(editor.storeRelation(u(QStringLiteral("C2")), firstCode, QString()));
        ui.expectWarning(QStringLiteral("Relation to A:C2 has already been defined.\r\nNew relationship is not stored."),
                         kRelationHelpTopic);
        EXPECT_FALSE(editor.storeRelation(u(QStringLiteral("C2")), secondCode, QString()));
        editor.close();
    }
}

TEST_F(UnitEditorTest, ARelationshipToTheUnitInTheEditsIsRefused)
{
    make({"C1", "C2"});
    ASSERT_TRUE(openEdit(QStringLiteral("C1")));
    // The key being typed counts, not the key loaded.
    editor.setText(uf::Unitname, QStringLiteral("C5"));
    ui.expectWarning(QStringLiteral("Relation between A:C5 and this same unit not allowed.\r\n"
                                    "New relationship is not stored."),
                     kRelationHelpTopic);
    EXPECT_FALSE(editor.storeRelation(u(QStringLiteral("C5")), category::Earlier, QString()));
    EXPECT_FALSE(editor.hasRelations());
    EXPECT_FALSE(editor.relationsChanged());
}

TEST_F(UnitEditorTest, AnEqualEntryRemovedBeforeSavingLeavesNoTraceAStoredOneStays)
{
    make({"C1", "C2", "C3"});
    relate({"C1 = C3"});
    ASSERT_TRUE(openEdit(QStringLiteral("C1")));
    ASSERT_TRUE(editor.storeRelation(u(QStringLiteral("C2")), category::Equal, QString()));
    ui.expectConfirmation(QStringLiteral("Do you really want to delete the relationship\r\nbetween A:C1 and A:C2?"),
                          Buttons::YesNo, 54)
        .answer(Answer::Yes);
    EXPECT_TRUE(editor.removeRelation(u(QStringLiteral("C2"))));
    ui.expectWarning(QStringLiteral("Sorry, deleting established contemporary or equal relations\r\n"
                                    "is only allowed in main window."),
                     54);
    EXPECT_FALSE(editor.removeRelation(u(QStringLiteral("C3"))));
    ASSERT_TRUE(editor.save());
    EXPECT_EQ(rows(), (QStringList{"A:C1 = A:C3 [] u", "A:C3 = A:C1 [] u"}));
}

// --- Saving ---------------------------------------------------------------------

TEST_F(UnitEditorTest, ADescriptiveEditLeavesEveryRelationshipRowAsItWas)
{
    make({"C1", "C2", "C3", "C4"});
    make({"G1"}, kGroup);
    relate({"C1 < C2", "C3 < C1", "C1 = C4", "C1 p G1"});
    setRowField(QStringLiteral("C1"), QStringLiteral("C2"), rel::RelationFull, QStringLiteral("cuts"));
    setRowField(QStringLiteral("C2"), QStringLiteral("C1"), rel::RelationFull, QStringLiteral("is cut"));
    setRowField(QStringLiteral("C1"), QStringLiteral("C2"), rel::RelationStatus, status::Redundant);
    setRowField(QStringLiteral("C4"), QStringLiteral("C1"), rel::RelationStatus, status::Completed);
    const QStringList before = rows();
    ASSERT_TRUE(openEdit(QStringLiteral("C1")));
    editor.setText(uf::Location, QStringLiteral("north"));
    ASSERT_TRUE(editor.save());
    editor.close();
    EXPECT_EQ(rows(), before);
    EXPECT_EQ(unitValue(QStringLiteral("C1"), uf::Location), Value(QStringLiteral("north")));
}

TEST_F(UnitEditorTest, RenamingRenamesEveryRowAtBothEnds)
{
    struct Case {
        const char* name;
        QString unit, newName;
        QStringList expected;
    };
    const QList<Case> cases = {
        {"a context",
         "C1",
         "C9",
         {"A:C2 > A:C9 [] u", "A:C3 = A:C9 [] u", "A:C9 < A:C2 [x] u", "A:C9 = A:C3 [] u", "A:C9 p A:G1 [] u"}},
        {"a group: its members still point to it",
         "G1",
         "G9",
         {"A:C1 < A:C2 [x] u", "A:C1 = A:C3 [] u", "A:C1 p A:G9 [] u", "A:C2 > A:C1 [] u", "A:C3 = A:C1 [] u"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        session.units().empty();
        session.relations().empty();
        make({"C1", "C2", "C3"});
        make({"G1"}, kGroup);
        relate({"C1 = C3", "C1 p G1"});
        ASSERT_EQ(add(QStringLiteral("C1 < C2"), level::Silent, QStringLiteral("x")), AddResult::Stored);
        ASSERT_TRUE(openEdit(c.unit));
        editor.setText(uf::Unitname, c.newName);
        ASSERT_TRUE(editor.save());
        editor.close();
        EXPECT_EQ(rows(), c.expected);
        EXPECT_FALSE(unitNames().contains(c.unit));
        EXPECT_TRUE(unitNames().contains(c.newName));
        EXPECT_EQ(editor.loadedKey(), u(c.newName));
    }
}

TEST_F(UnitEditorTest, ARelationshipEnteredWithARenameIsStoredUnderTheNewKey)
{
    make({"C1", "C2", "C3"});
    relate({"C1 < C2"});
    ASSERT_TRUE(openEdit(QStringLiteral("C1")));
    editor.setText(uf::Unitname, QStringLiteral("C9"));
    ASSERT_TRUE(editor.storeRelation(u(QStringLiteral("C3")), category::Equal, QString()));
    ASSERT_TRUE(editor.save());
    EXPECT_EQ(rows(), (QStringList{"A:C2 > A:C9 [] u", "A:C3 = A:C9 [] u", "A:C9 < A:C2 [] u", "A:C9 = A:C3 [] u"}));
}

TEST_F(UnitEditorTest, EditedRelationshipsAreRewrittenThroughTheRules)
{
    make({"C1", "C2", "C3", "C4"});
    make({"G1"}, kGroup);
    relate({"C1 < C2", "C1 p G1", "C3 = C4"});
    ASSERT_TRUE(openEdit(QStringLiteral("C1")));
    ui.expectConfirmation(QStringLiteral("Do you really want to delete the relationship\r\nbetween A:C1 and A:C2?"),
                          Buttons::YesNo, 54)
        .answer(Answer::Yes);
    ASSERT_TRUE(editor.removeRelation(u(QStringLiteral("C2"))));
    ASSERT_TRUE(editor.storeRelation(u(QStringLiteral("C3")), category::Later, QStringLiteral("over")));
    ASSERT_TRUE(editor.setRelationComment(u(QStringLiteral("G1")), QStringLiteral("in")));
    ASSERT_TRUE(editor.save());
    EXPECT_EQ(rows(), (QStringList{"A:C1 > A:C3 [over] u", "A:C1 p A:G1 [in] u", "A:C3 < A:C1 [] u",
                                   "A:C3 = A:C4 [] u", "A:C4 = A:C3 [] u"}));
}

TEST_F(UnitEditorTest, ANewGroupWithALaterEntryIsSavedWithoutIt)
{
    make({"C1"});
    ASSERT_TRUE(openNew());
    editor.setText(uf::Unitname, QStringLiteral("G9"));
    editor.setText(uf::Unitclass, kGroup);
    ASSERT_TRUE(editor.storeRelation(u(QStringLiteral("C1")), category::Later, QString()));
    ui.expectError(QStringLiteral("Relation between A:G9 and A:C1:\r\nEarlier than, later than, equal to, and "
                                  "contemporary with relationships \r\nmay only be defined for contexts."),
                   kRelationHelpTopic);
    ASSERT_TRUE(editor.save());
    EXPECT_EQ(UnitClassOf(session.units(), u(QStringLiteral("G9"))), kGroup);
    EXPECT_TRUE(rows().isEmpty());
    EXPECT_TRUE(editor.unitsChanged());
}

TEST_F(UnitEditorTest, AClassChangeOfAnEqualUnitIsRevertedAndItsRelationsKept)
{
    make({"C1", "C2", "C3"});
    relate({"C1 = C2", "C1 < C3"});
    ASSERT_TRUE(openEdit(QStringLiteral("C1")));
    editor.setText(uf::Unitclass, kGroup);
    ui.expectError(QStringLiteral("Class change of units with equal or contemporary relations not allowed.\r\n"
                                  "Initial class context restored."));
    ASSERT_TRUE(editor.save());
    EXPECT_EQ(UnitClassOf(session.units(), u(QStringLiteral("C1"))), kContext);
    EXPECT_EQ(editor.text(uf::Unitclass), kContext);
    EXPECT_EQ(rows(), (QStringList{"A:C1 = A:C2 [] u", "A:C1 < A:C3 [] u", "A:C2 = A:C1 [] u", "A:C3 > A:C1 [] u"}));
}

TEST_F(UnitEditorTest, SplittingAUnitEqualToTwoOthersMakesAClassOfFour)
{
    make({"C1", "C2", "C3", "C5"});
    relate({"C1 = C2", "C1 = C3", "C1 < C5"});
    ASSERT_TRUE(editor.open(QStringLiteral("A"), QStringLiteral("C1"), {}, EditMode::Split));
    EXPECT_EQ(editor.mode(), EditMode::New);
    EXPECT_EQ(editor.openingMode(), EditMode::Split);
    EXPECT_TRUE(editor.relationsChanged());
    EXPECT_EQ(seconds(editor.relations(RelationList::Other)), (QStringList{"A:C1 =", "A:C2 =", "A:C3 ="}));
    editor.setText(uf::Unitname, QStringLiteral("C4"));
    ASSERT_TRUE(editor.save());
    int equalRows = 0;
    for (const QString& r : rows()) equalRows += r.contains(QStringLiteral(" = "));
    EXPECT_EQ(equalRows, 12);
    EXPECT_TRUE(rows().contains(QStringLiteral("A:C4 < A:C5 [] u")));
    EXPECT_TRUE(rows().contains(QStringLiteral("A:C5 > A:C4 [] u")));
}

TEST_F(UnitEditorTest, CopyTakesTheValuesButNoRelationships)
{
    make({"C1", "C2"});
    relate({"C1 < C2"});
    ASSERT_TRUE(openEdit(QStringLiteral("C1")));
    editor.setText(uf::Location, QStringLiteral("north"));
    ASSERT_TRUE(editor.save());
    editor.close();
    ASSERT_TRUE(editor.open(QStringLiteral("A"), QStringLiteral("C1"), {}, EditMode::Copy));
    EXPECT_FALSE(editor.hasRelations());
    EXPECT_EQ(editor.text(uf::Location), QStringLiteral("north"));
    expectSaveError(QStringLiteral("Unitname A: C1 already entered"));
    EXPECT_FALSE(editor.save());
    editor.setText(uf::Unitname, QStringLiteral("C7"));
    ASSERT_TRUE(editor.save());
    EXPECT_EQ(unitValue(QStringLiteral("C7"), uf::Location), Value(QStringLiteral("north")));
    EXPECT_EQ(rows(), (QStringList{"A:C1 < A:C2 [] u", "A:C2 > A:C1 [] u"}));
}

TEST_F(UnitEditorTest, NextOlderMakesTheNextUnitEarlierThanTheOneSaved)
{
    ASSERT_TRUE(openNew());
    EXPECT_FALSE(editor.unitsChanged());
    EXPECT_FALSE(editor.hasPrevious());
    editor.setText(uf::Unitname, QStringLiteral("A"));
    editor.setText(uf::Location, QStringLiteral("pit"));
    ASSERT_TRUE(editor.next(true));
    EXPECT_TRUE(editor.unitsChanged());
    EXPECT_EQ(editor.text(uf::Unitname), QString());
    EXPECT_EQ(editor.text(uf::Excavation), QStringLiteral("A"));
    EXPECT_EQ(editor.text(uf::Location), QString());
    EXPECT_EQ(seconds(editor.relations(RelationList::EarlierThan)), QStringList{"A:A <"});
    ASSERT_TRUE(editor.hasPrevious());
    ASSERT_TRUE(editor.copyPrevious(uf::Location));
    EXPECT_EQ(editor.text(uf::Location), QStringLiteral("pit"));
    editor.setText(uf::Unitname, QStringLiteral("B"));
    ASSERT_TRUE(editor.save());
    EXPECT_EQ(rows(), (QStringList{"A:A > A:B [] u", "A:B < A:A [] u"}));
    EXPECT_EQ(unitNames(), (QStringList{"A", "B"}));
}

TEST_F(UnitEditorTest, CancelAsksOnlyForANewUnitWithRelationships)
{
    make({"C1", "C2"});
    relate({"C1 < C2"});
    ASSERT_TRUE(openEdit(QStringLiteral("C1")));
    EXPECT_TRUE(editor.cancel());

    ASSERT_TRUE(openNew());
    EXPECT_TRUE(editor.cancel());

    ASSERT_TRUE(openNew());
    editor.setText(uf::Unitname, QStringLiteral("C3"));
    ASSERT_TRUE(editor.storeRelation(u(QStringLiteral("C1")), category::Later, QString()));
    const QString question = QStringLiteral("Do you really want to discard the current unit and all its relations?");
    ui.expectConfirmation(question, Buttons::YesNo, kDiscardUnitHelpTopic).answer(Answer::No);
    EXPECT_FALSE(editor.cancel());
    EXPECT_TRUE(editor.isOpen());
    ui.expectConfirmation(question, Buttons::YesNo, kDiscardUnitHelpTopic).answer(Answer::Yes);
    EXPECT_TRUE(editor.cancel());
    EXPECT_FALSE(editor.isOpen());
    EXPECT_EQ(unitNames(), (QStringList{"C1", "C2"}));
    EXPECT_EQ(rows().size(), 2);
}

// --- Move buttons ---------------------------------------------------------------

TEST_F(UnitEditorTest, MoveButtonsFollowTheUnitListsOrderAndFilter)
{
    make({"C1", "C2", "C3", "C4"});
    relate({"C3 < C4"});
    session.units().setFilter(QStringLiteral("Unitname <> 'C2'"));
    ASSERT_TRUE(openEdit(QStringLiteral("C1")));
    EXPECT_EQ(editor.move(MoveDirection::Next), MoveResult::Moved);
    EXPECT_EQ(editor.loadedKey(), u(QStringLiteral("C3")));
    EXPECT_EQ(seconds(editor.relations(RelationList::EarlierThan)), QStringList{"A:C4 <"});
    EXPECT_EQ(editor.classChoices(), QStringList{kContext});
    EXPECT_EQ(editor.move(MoveDirection::Last), MoveResult::Moved);
    EXPECT_EQ(editor.loadedKey(), u(QStringLiteral("C4")));
    ui.expectWarning(QStringLiteral("Bottom of unit list"));
    EXPECT_EQ(editor.move(MoveDirection::Next), MoveResult::Same);
    EXPECT_EQ(ui.beeps(), 1);
    EXPECT_EQ(editor.move(MoveDirection::First), MoveResult::Moved);
    ui.expectWarning(QStringLiteral("Top of unit list"));
    EXPECT_EQ(editor.move(MoveDirection::Previous), MoveResult::Same);
    EXPECT_EQ(ui.beeps(), 2);
    // Each move saves the unit it leaves.
    editor.setText(uf::Location, QStringLiteral("west"));
    EXPECT_EQ(editor.move(MoveDirection::Next), MoveResult::Moved);
    EXPECT_EQ(unitValue(QStringLiteral("C1"), uf::Location), Value(QStringLiteral("west")));
}

TEST_F(UnitEditorTest, AKeyChangeSavesAndClosesInsteadOfMoving)
{
    make({"C1", "C2"});
    ASSERT_TRUE(openEdit(QStringLiteral("C1")));
    editor.setText(uf::Unitname, QStringLiteral("C0"));
    ui.expectError(QStringLiteral("Excavation or unit name change disables all Move-buttons"), kMoveButtonsHelpTopic);
    EXPECT_EQ(editor.move(MoveDirection::Next), MoveResult::Closed);
    EXPECT_FALSE(editor.isOpen());
    EXPECT_FALSE(session.units().displaySuspended());
    EXPECT_EQ(unitNames(), (QStringList{"C0", "C2"}));
}

TEST_F(UnitEditorTest, AMoveFromAUnitThatLeftTheListSaysSo)
{
    make({"C1", "C2"});
    ASSERT_TRUE(openEdit(QStringLiteral("C1")));
    session.units().setFilter(QStringLiteral("Unitname = 'C2'"));
    ui.expectError(QStringLiteral("Unitname C1 not found in excavation A"));
    EXPECT_EQ(editor.move(MoveDirection::Next), MoveResult::Failed);
    EXPECT_TRUE(editor.isOpen());
}

// --- Terms --------------------------------------------------------------------

TEST_F(UnitEditorTest, TermLookupNeedsATermFile)
{
    ASSERT_TRUE(openNew());
    ui.expectWarning(QStringLiteral("No term file available for currently open project.\r\n"
                                    "Select Configure | Terms to link to a new or existing term file."));
    EXPECT_FALSE(editor.termLookupLabel(uf::Period));
    // Without a term file leaving a field changes nothing.
    editor.setText(uf::Period, QStringLiteral("RO"));
    EXPECT_TRUE(editor.leaveField(uf::Period));
    EXPECT_EQ(editor.text(uf::Period), QStringLiteral("RO"));
}

class UnitEditorTerms : public UnitEditorTest {
protected:
    QString termFile() const override { return dir.filePath(QStringLiteral("terms.db")); }
    void SetUp() override
    {
        UnitEditorTest::SetUp();
        ASSERT_TRUE(session.termsOpen());
        TermRecord roman;
        roman.TermField = QStringLiteral("Period");
        roman.Term = QStringLiteral("Roman");
        roman.Abbreviation = QStringLiteral("RO");
        roman.MinYear = -50;
        roman.MaxYear = 400;
        TermRecord north;
        north.TermField = QStringLiteral("Location");
        north.Term = QStringLiteral("north");
        north.Abbreviation = QStringLiteral("n");
        for (const TermRecord& t : {roman, north}) {
            session.terms().insert();
            WriteTermRecord(session.terms(), t);
            session.terms().post();
        }
        session.catalogue()[uf::Location].ClosedTerms = true;
        ASSERT_TRUE(openNew());
    }
};

TEST_F(UnitEditorTerms, LeavingAFieldAppliesTheTermRules)
{
    struct Case {
        const char* name;
        int field;
        QString typed;
        bool accepted;
        QString shown;
    };
    const QList<Case> cases = {
        {"abbreviation", uf::Location, "n", true, "north"},
        {"term of a terms-only field", uf::Location, "north", true, "north"},
        {"free field keeps any text", uf::Colour, "n", true, "n"},
        {"unknown term of a terms-only field", uf::Location, "south", false, "south"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        editor.setText(c.field, c.typed);
        if (!c.accepted)
            ui.expectWarning(QStringLiteral("Term %1 not defined in Term table,\r\nbut terms only was selected.").arg(c.typed));
        EXPECT_EQ(editor.leaveField(c.field), c.accepted);
        EXPECT_EQ(editor.text(c.field), c.shown);
        if (!c.accepted) {
            EXPECT_EQ(editor.focusField(), c.field);
            EXPECT_EQ(ui.beeps(), 1);
        }
    }
}

TEST_F(UnitEditorTerms, APeriodTermFillsOnlyTheEmptyYears)
{
    std::vector<int> told;
    editor.onValueChanged = [&](int field) { told.push_back(field); };
    editor.setText(uf::MaxYear, QStringLiteral("300"));
    editor.setText(uf::Period, QStringLiteral("RO"));
    EXPECT_TRUE(editor.leaveField(uf::Period));
    EXPECT_EQ(editor.text(uf::Period), QStringLiteral("Roman"));
    EXPECT_EQ(editor.text(uf::MinYear), QStringLiteral("-50"));
    EXPECT_EQ(editor.text(uf::MaxYear), QStringLiteral("300"));
    EXPECT_EQ(editor.text(uf::AvgYear), QString());
    EXPECT_EQ(told, (std::vector<int>{uf::Period, uf::MinYear}));

    // The same by term lookup.
    editor.setText(uf::MinYear, QString());
    editor.setText(uf::Period, QString());
    ASSERT_EQ(editor.termLookupLabel(uf::Period), QStringLiteral("Period"));
    editor.applyTerm(uf::Period, *FindTerm(session, QStringLiteral("Period"), QStringLiteral("Roman")), true);
    EXPECT_EQ(editor.text(uf::Period), QStringLiteral("Roman"));
    EXPECT_EQ(editor.text(uf::MinYear), QStringLiteral("-50"));
    EXPECT_EQ(editor.text(uf::MaxYear), QStringLiteral("300"));
}

TEST_F(UnitEditorTerms, TermLookupRefusesFieldsWithoutTermsAndAsksForNewOnes)
{
    for (int field : {int(uf::Unitname), int(uf::MinYear), int(uf::ExcavationDate)}) {
        ui.expectInformation(QStringLiteral("Term lookup not supported for current field."), kUnitTermLookupHelpTopic);
        EXPECT_FALSE(editor.termLookupLabel(field));
    }
    ui.expectConfirmation(QStringLiteral("No terms available for field Colour\r\nDo you want to create terms?"),
                          Buttons::YesNo, kUnitTermLookupHelpTopic)
        .answer(Answer::No);
    EXPECT_FALSE(editor.termLookupLabel(uf::Colour));
    ui.expectConfirmation(QStringLiteral("No terms available for field Colour\r\nDo you want to create terms?"),
                          Buttons::YesNo, kUnitTermLookupHelpTopic)
        .answer(Answer::Yes);
    EXPECT_EQ(editor.termLookupLabel(uf::Colour), QStringLiteral("Colour"));
    EXPECT_EQ(editor.termLookupLabel(uf::Location), QStringLiteral("Location"));
}

} // namespace
