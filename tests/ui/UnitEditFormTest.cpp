#include "editing/forms/EditUnit.h"
#include "editing/forms/TRelationshipForm.h"
#include "editing/forms/TUnitEditForm.h"
#include "store/ProjectFixture.h"
#include "store/Terms.h"
#include "ui/QtUserInterface.h"
#include "ui/UiSupport.h"
#include <QAction>
#include <QClipboard>
#include <QColorDialog>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QToolButton>
#include <QTreeWidget>
#include <QtTest/QTest>

using namespace belvanto;
using belvanto::testing::onNextDialog;
using belvanto::testing::onNextPopup;

namespace {

const QString kUndefinedTerm = QStringLiteral("Term xyz not defined in Term table,\r\nbut terms only was selected.");

class UnitEditFormTest : public belvanto::testing::ProjectFixture {
protected:
    void SetUp() override
    {
        createProject();
        for (const char* name : {"1", "2", "3"}) addUnit(QStringLiteral("A"), QString::fromLatin1(name));
    }
    void TearDown() override
    {
        form.reset();
        editor.reset();
        CloseProject(session, true);
        ui.verifyDone();
    }

    TUnitEditForm& open(EditMode mode, const QString& name = QString(), const QStringList& classes = {})
    {
        form.reset();
        editor = std::make_unique<UnitEditor>(session);
        EXPECT_TRUE(editor->open(QStringLiteral("A"), name, classes, mode));
        form = std::make_unique<TUnitEditForm>(session, *editor);
        return *form;
    }
    // Shown and active, so that the focus moves as on a screen.
    TUnitEditForm& openShown(EditMode mode, const QString& name = QString())
    {
        TUnitEditForm& f = open(mode, name);
        f.show();
        f.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&f));
        return f;
    }
    QLineEdit* edit(int field) const { return qobject_cast<QLineEdit*>(form->fieldControl(field)); }
    int focusedField() const
    {
        for (int f = 0; f < kUnitFieldCount; ++f)
            if (form->fieldControl(f) && form->fieldControl(f)->hasFocus()) return f;
        return kNoField;
    }
    // A term file with one term, linked to the project.
    void linkTermFile(const TermRecord& term)
    {
        const QString terms = path(QStringLiteral("T.db"));
        CreateTermTableFile(terms);
        {
            Table t;
            t.openFile(terms);
            t.insert();
            WriteTermRecord(t, term);
            t.post();
        }
        session.project().TermFilePath = terms;
        ASSERT_TRUE(OpenTermTable(session));
    }
    // Location limited to terms, of which "Trench" is the only one.
    void linkTermsOnlyLocation()
    {
        TermRecord trench;
        trench.TermField = QStringLiteral("Location");
        trench.Term = QStringLiteral("Trench");
        linkTermFile(trench);
        session.catalogue()[uf::Location].ClosedTerms = true;
    }
    QStringList listRows(RelationList list) const
    {
        QStringList rows;
        QTreeWidget* tree = form->relationList(list);
        for (int i = 0; i < tree->topLevelItemCount(); ++i)
            rows << tree->topLevelItem(i)->text(0) + tree->topLevelItem(i)->text(1) + tree->topLevelItem(i)->text(2);
        return rows;
    }

    std::unique_ptr<UnitEditor> editor;
    std::unique_ptr<TUnitEditForm> form;
    belvanto::testing::RecordingHelp help;
};

TEST_F(UnitEditFormTest, ButtonsFollowTheOpeningMode)
{
    struct Case {
        EditMode mode;
        bool next, move;
        const char* help;
    };
    const Case cases[] = {{EditMode::New, true, false, "Enter_new_unit"},
                          {EditMode::Edit, false, true, "Unit_edit"},
                          {EditMode::Combine, false, false, "Combining_units"},
                          {EditMode::Copy, false, false, "Unit_copy"},
                          {EditMode::Split, false, false, "Unit_split"}};
    const BrowserHelp pages{QStringLiteral(BELVANTO_HELP_DIR)};
    // The messages' numbered topics have pages of their own too.
    for (const int topic : {kUnitSaveHelpTopic, kUnitRelationsHelpTopic, kMoveButtonsHelpTopic, kDiscardUnitHelpTopic,
                            kUnitTermLookupHelpTopic})
        EXPECT_NE(QFileInfo(pages.pagePath(HelpTopic(topic))).fileName(), QStringLiteral("Contents.html")) << topic;
    for (const Case& c : cases) {
        const bool existing = c.mode != EditMode::New && c.mode != EditMode::Combine;
        TUnitEditForm& f = openShown(c.mode, existing ? QStringLiteral("2") : QString());
        SCOPED_TRACE(c.help);
        EXPECT_EQ(f.windowTitle(), QStringLiteral("Edit unit data"));
        EXPECT_EQ(f.NextButton->isVisible(), c.next);
        EXPECT_EQ(f.NextOlderButton->isVisible(), c.next);
        for (QToolButton* b : {f.FirstButton, f.PriorButton, f.NextUnitButton, f.LastButton})
            EXPECT_EQ(b->isVisible(), c.move);
        EXPECT_FALSE(f.TermListButton->isEnabled());   // no term file
        help.topics.clear();
        QTest::keyClick(f.NameEdit, Qt::Key_F1);
        EXPECT_EQ(help.topics, QStringList{QString::fromLatin1(c.help)});
        EXPECT_EQ(QFileInfo(pages.pagePath(HelpTopic(c.help))).fileName(), QString::fromLatin1(c.help) + ".html");
        EXPECT_TRUE(f.NameEdit->hasFocus());
    }
    form.reset();
    TUnitEditForm& f = open(EditMode::New);
    EXPECT_EQ(f.NextButton->toolTip(), QStringLiteral("Create another unit"));
    EXPECT_EQ(f.NextOlderButton->toolTip(), QStringLiteral("Create next unit which is older than current unit"));
    EXPECT_EQ(f.ColourButton->toolTip(), QStringLiteral("Select unit colour"));
    EXPECT_EQ(f.FirstButton->toolTip(), QStringLiteral("First unit"));
    EXPECT_EQ(f.LastButton->toolTip(), QStringLiteral("Last unit"));
}

TEST_F(UnitEditFormTest, FieldsShowByTheirFormViewWithTheirCaptions)
{
    session.catalogue()[uf::Description].EditView = false;
    session.catalogue()[uf::Drawings].EditView = false;
    session.catalogue()[uf::XMinCoord].EditView = false;
    session.catalogue()[uf::YMinCoord].EditView = false;
    session.catalogue()[uf::ZMinCoord].EditView = false;
    session.project().SingleExcavation = true;
    TUnitEditForm& f = openShown(EditMode::New);
    EXPECT_FALSE(f.fieldControl(uf::Description)->isVisible());
    EXPECT_FALSE(f.fieldCaption(uf::Description)->isVisible());
    EXPECT_FALSE(f.DrawingsButton->isVisible());
    EXPECT_TRUE(f.PhotosButton->isVisible());
    EXPECT_FALSE(f.fieldControl(uf::XMinCoord)->isVisible());
    EXPECT_TRUE(f.fieldControl(uf::XMaxCoord)->isVisible());
    EXPECT_TRUE(f.fieldCaption(uf::XMaxCoord)->isVisible());   // the row caption stays
    EXPECT_EQ(qobject_cast<QLabel*>(f.fieldCaption(uf::Inclusions))->text(), QStringLiteral("Inclusions:"));
    // Lengths from the catalogue; the excavation is no Tab stop here.
    EXPECT_EQ(f.NameEdit->maxLength(), 8);
    EXPECT_EQ(edit(uf::Location)->maxLength(), 20);
    EXPECT_TRUE(f.ExcavationEdit->isReadOnly());
    EXPECT_EQ(f.ExcavationEdit->focusPolicy(), Qt::ClickFocus);
    EXPECT_EQ(f.Pages->tabText(0), QStringLiteral("&Unit Data"));
    EXPECT_EQ(f.Pages->tabText(1), QStringLiteral("&Relations"));
    EXPECT_EQ(f.Pages->tabText(2), QStringLiteral("&Finds"));
    EXPECT_EQ(qobject_cast<QLabel*>(f.fieldCaption(uf::FindCat))->text(), QStringLiteral("Find category:"));
    // A memo holds no more than its field's size.
    auto* memo = qobject_cast<QPlainTextEdit*>(f.fieldControl(uf::Inclusions));
    memo->setPlainText(QString(120, QLatin1Char('a')));
    EXPECT_EQ(memo->toPlainText().size(), 100);
    EXPECT_EQ(editor->text(uf::Inclusions).size(), 100);
}

TEST_F(UnitEditFormTest, NameEditDropsRefusedCharactersWithABeep)
{
    TUnitEditForm& f = openShown(EditMode::New);
    QTest::keyClicks(f.NameEdit, QStringLiteral("F :1=,2"));
    EXPECT_EQ(f.NameEdit->text(), QStringLiteral("F12"));
    EXPECT_EQ(editor->text(uf::Unitname), QStringLiteral("F12"));
    EXPECT_EQ(ui.beeps(), 4);
    QTest::keyClicks(f.NameEdit, QStringLiteral("3456789"));
    EXPECT_EQ(f.NameEdit->text(), QStringLiteral("F1234567"));
    f.NameEdit->clear();
    f.NameEdit->insert(QStringLiteral("a b"));   // pasted
    EXPECT_EQ(f.NameEdit->text(), QString());
    // Numbers take only what a number can hold.
    QTest::keyClicks(edit(uf::XMinCoord), QStringLiteral("1x2.5"));
    EXPECT_EQ(edit(uf::XMinCoord)->text(), QStringLiteral("12.5"));
    QTest::keyClicks(edit(uf::MinYear), QStringLiteral("-1.2"));
    EXPECT_EQ(edit(uf::MinYear)->text(), QStringLiteral("-12"));
}

TEST_F(UnitEditFormTest, TabWalksEveryVisibleFieldInReadingOrder)
{
    session.catalogue()[uf::Conditions].EditView = false;
    session.catalogue()[uf::YAvgCoord].EditView = false;
    TUnitEditForm& f = openShown(EditMode::New);
    f.NameEdit->setFocus();
    QList<int> walked{uf::Unitname};
    for (int i = 0; i < 60 && !f.OKButton->hasFocus(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        if (const int field = focusedField(); field != kNoField) walked << field;
    }
    const QList<int> expected{uf::Unitname,  uf::Excavation, uf::Unitclass, uf::XMinCoord, uf::XAvgCoord,
                              uf::XMaxCoord, uf::YMinCoord,  uf::YMaxCoord, uf::ZMinCoord, uf::ZAvgCoord,
                              uf::ZMaxCoord, uf::Location,   uf::Unittype,  uf::Colour,    uf::Visibility,
                              uf::ExcavationMethod,          uf::Formation, uf::Drawings,  uf::Photos,
                              uf::Samples,   uf::ExcavationDate,             uf::Excavator, uf::Description,
                              uf::Inclusions, uf::Interpretation,            uf::MinYear,   uf::MaxYear,
                              uf::AvgYear,   uf::Period,     uf::Phase,     uf::DateSource};
    EXPECT_EQ(walked, expected);
    EXPECT_TRUE(f.OKButton->hasFocus());
    // The other pages' controls follow their tab.
    f.Pages->setCurrentIndex(1);
    f.Pages->tabBar()->setFocus();
    QStringList relations;
    for (int i = 0; i < 6; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        relations << QApplication::focusWidget()->objectName();
    }
    EXPECT_EQ(relations, QStringList({"LaterList", "LaterAddButton", "LaterRemoveButton", "EarlierList",
                                      "EarlierAddButton", "EarlierRemoveButton"}));
    f.Pages->setCurrentIndex(2);
    f.Pages->tabBar()->setFocus();
    QTest::keyClick(f.Pages->tabBar(), Qt::Key_Tab);
    EXPECT_EQ(focusedField(), uf::FindCat);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_TRUE(f.OKButton->hasFocus());
}

TEST_F(UnitEditFormTest, LeavingRulesRunOnlyWhenTheFocusMovesWithinTheForm)
{
    linkTermsOnlyLocation();
    TUnitEditForm& f = openShown(EditMode::New);
    QLineEdit* location = edit(uf::Location);
    location->setFocus();
    QTest::keyClicks(location, QStringLiteral("xyz"));

    // A popup is no move.
    onNextPopup([](QMenu* menu) { menu->close(); });
    QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, QPoint(4, 4), location->mapToGlobal(QPoint(4, 4)));
    QApplication::sendEvent(location, &menuEvent);
    EXPECT_TRUE(location->hasFocus());
    EXPECT_TRUE(ui.messages().empty());

    // Nor is Cancel, which only asks about relationships.
    belvanto::testing::ExpectCancelSkipsTheCheck(f, location, QStringLiteral("xyz"), f.CancelButton, ui);

    // A real move: refused, and the focus comes back.
    TUnitEditForm& g = openShown(EditMode::New);
    QLineEdit* again = edit(uf::Location);
    again->setFocus();
    QTest::keyClicks(again, QStringLiteral("xyz"));
    ui.expectWarning(kUndefinedTerm);
    edit(uf::Unittype)->setFocus();
    QTest::qWait(10);
    EXPECT_TRUE(again->hasFocus());
    EXPECT_GE(ui.beeps(), 1);
    // A click on OK is refused once, without a second message.
    ui.expectWarning(kUndefinedTerm);
    QTest::mouseClick(g.OKButton, Qt::LeftButton);
    QTest::qWait(10);
    EXPECT_TRUE(again->hasFocus());
    EXPECT_TRUE(g.isVisible());
    ui.verifyDone();
    // Another page is a move too; the field's page comes back with it.
    ui.expectWarning(kUndefinedTerm);
    QTest::keyClick(again, Qt::Key_R, Qt::AltModifier);
    QTest::qWait(10);
    EXPECT_EQ(g.Pages->currentIndex(), 0);
    EXPECT_TRUE(again->hasFocus());
    ui.verifyDone();
    again->setText(QStringLiteral("Trench"));
    edit(uf::Unittype)->setFocus();
    EXPECT_TRUE(edit(uf::Unittype)->hasFocus());
}

TEST_F(UnitEditFormTest, RefusedSaveFocusesTheOffendingControl)
{
    struct Case {
        const char* name;
        int field;
        const char* value;
        const char* message;
        int focus;
    };
    const Case cases[] = {
        {"1", uf::Location, "", "Unitname A: 1 already entered", uf::Unitname},
        {"", uf::Location, "", "The unit name must not be blank", uf::Unitname},
        {"N", uf::YMaxCoord, "1", "Min. of Y-Coordinate is greater than Max.", uf::YMinCoord},
        {"N", uf::MaxYear, "1", "Min. of Year is greater than Max.", uf::MinYear},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        TUnitEditForm& f = openShown(EditMode::New);
        edit(uf::YMinCoord)->setText(QStringLiteral("5"));
        edit(uf::MinYear)->setText(QStringLiteral("5"));
        f.NameEdit->setText(QString::fromLatin1(c.name));
        edit(c.field)->setText(QString::fromLatin1(c.value));
        edit(uf::Excavator)->setFocus();
        ui.expectError(QString::fromLatin1(c.message), kUnitSaveHelpTopic);
        QTest::mouseClick(f.OKButton, Qt::LeftButton);
        EXPECT_TRUE(f.isVisible());
        EXPECT_EQ(focusedField(), c.focus);
        ui.verifyDone();
    }
    EXPECT_EQ(unitRows(session.units(), uf::Unitclass).size(), 3);
}

TEST_F(UnitEditFormTest, NextOlderStartsAnEarlierUnit)
{
    TUnitEditForm& f = openShown(EditMode::New);
    QTest::keyClicks(f.NameEdit, QStringLiteral("N1"));
    edit(uf::Location)->setText(QStringLiteral("north"));
    QTest::mouseClick(f.NextOlderButton, Qt::LeftButton);
    EXPECT_EQ(f.NameEdit->text(), QString());
    EXPECT_EQ(edit(uf::Location)->text(), QString());
    EXPECT_TRUE(f.NameEdit->hasFocus());
    EXPECT_EQ(listRows(RelationList::EarlierThan), QStringList{QStringLiteral("A:N1<")});
    EXPECT_TRUE(listRows(RelationList::LaterThan).isEmpty());
    QTest::keyClicks(f.NameEdit, QStringLiteral("N2"));
    // Neither Enter nor Escape in a field ends the form; Enter on a button
    // presses it.
    QTest::keyClick(f.NameEdit, Qt::Key_Return);
    QTest::keyClick(f.NameEdit, Qt::Key_Escape);
    EXPECT_TRUE(f.isVisible());
    f.OKButton->setFocus();
    QTest::keyClick(f.OKButton, Qt::Key_Return);
    EXPECT_FALSE(f.isVisible());
    EXPECT_EQ(f.result(), QDialog::Accepted);
    EXPECT_EQ(relationRows(session.relations()),
              QStringList({QStringLiteral("A:N1>A:N2  u"), QStringLiteral("A:N2<A:N1  u")}));
}

TEST_F(UnitEditFormTest, CancelAsksOnlyForANewUnitWithRelationships)
{
    TUnitEditForm& f = openShown(EditMode::New);
    QTest::keyClicks(f.NameEdit, QStringLiteral("N1"));
    QTest::mouseClick(f.CancelButton, Qt::LeftButton);
    EXPECT_FALSE(f.isVisible());
    EXPECT_TRUE(ui.messages().empty());

    TUnitEditForm& g = openShown(EditMode::New);
    QTest::keyClicks(g.NameEdit, QStringLiteral("N1"));
    ASSERT_TRUE(editor->storeRelation({QStringLiteral("A"), QStringLiteral("1")}, QLatin1Char('<'), QString()));
    const QString question = QStringLiteral("Do you really want to discard the current unit and all its relations?");
    ui.expectConfirmation(question, Buttons::YesNo, kDiscardUnitHelpTopic).answer(Answer::No);
    QTest::mouseClick(g.CancelButton, Qt::LeftButton);
    EXPECT_TRUE(g.isVisible());
    // Closing the window is Cancel too.
    ui.expectConfirmation(question, Buttons::YesNo, kDiscardUnitHelpTopic).answer(Answer::Yes);
    g.close();
    EXPECT_FALSE(g.isVisible());
    EXPECT_EQ(g.result(), QDialog::Rejected);
    EXPECT_TRUE(relationRows(session.relations()).isEmpty());

    addRelation({QStringLiteral("A"), QStringLiteral("1")}, {QStringLiteral("A"), QStringLiteral("2")}, QLatin1Char('<'));
    TUnitEditForm& h = openShown(EditMode::Edit, QStringLiteral("1"));
    EXPECT_EQ(listRows(RelationList::EarlierThan), QStringList{QStringLiteral("A:2<")});
    QTest::mouseClick(h.CancelButton, Qt::LeftButton);
    EXPECT_FALSE(h.isVisible());
}

TEST_F(UnitEditFormTest, PageKeysMoveOnlyInEditMode)
{
    TUnitEditForm& f = openShown(EditMode::Edit, QStringLiteral("2"));
    QTest::keyClick(f.NameEdit, Qt::Key_PageDown);
    EXPECT_EQ(f.NameEdit->text(), QStringLiteral("3"));
    QTest::keyClick(edit(uf::Location), Qt::Key_PageUp);
    EXPECT_EQ(f.NameEdit->text(), QStringLiteral("2"));
    QTest::keyClick(f.NameEdit, Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(f.NameEdit->text(), QStringLiteral("1"));
    QTest::keyClick(f.NameEdit, Qt::Key_Home, Qt::ControlModifier);   // already there
    EXPECT_EQ(ui.beeps(), 1);
    QTest::keyClick(f.NameEdit, Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(f.NameEdit->text(), QStringLiteral("3"));

    TUnitEditForm& g = openShown(EditMode::New);
    QTest::keyClicks(g.NameEdit, QStringLiteral("N1"));
    QTest::keyClick(g.NameEdit, Qt::Key_PageDown);
    QTest::keyClick(g.NameEdit, Qt::Key_PageUp);
    EXPECT_EQ(g.NameEdit->text(), QStringLiteral("N1"));
    EXPECT_TRUE(g.isVisible());
    EXPECT_EQ(unitRows(session.units(), uf::Unitclass).size(), 3);
}

TEST_F(UnitEditFormTest, RenamingDisablesTheMoveButtonsAndClosesWithOK)
{
    addRelation({QStringLiteral("A"), QStringLiteral("1")}, {QStringLiteral("A"), QStringLiteral("2")}, QLatin1Char('<'));
    TUnitEditForm& f = openShown(EditMode::Edit, QStringLiteral("2"));
    f.NameEdit->setText(QStringLiteral("2b"));
    ui.expectError(QStringLiteral("Excavation or unit name change disables all Move-buttons"), kMoveButtonsHelpTopic);
    QTest::mouseClick(f.NextUnitButton, Qt::LeftButton);
    EXPECT_FALSE(f.isVisible());
    EXPECT_EQ(f.result(), QDialog::Accepted);
    EXPECT_EQ(relationRows(session.relations()),
              QStringList({QStringLiteral("A:1<A:2b  u"), QStringLiteral("A:2b>A:1  u")}));
}

TEST_F(UnitEditFormTest, EditUnitTellsWhatWasSaved)
{
    onNextDialog<TUnitEditForm>([](TUnitEditForm* form) {
        QTest::keyClicks(form->NameEdit, QStringLiteral("N7"));
        QTest::mouseClick(form->OKButton, Qt::LeftButton);
    });
    const UnitEditResult result = EditUnit(session, nullptr, QStringLiteral("A"), QString(), {}, EditMode::New);
    EXPECT_TRUE(result.accepted);
    EXPECT_TRUE(result.unitsChanged);
    EXPECT_EQ(result.savedKey, (UnitKey{QStringLiteral("A"), QStringLiteral("N7")}));
    EXPECT_EQ(unitRows(session.units(), uf::Unitclass).size(), 4);
}

TEST_F(UnitEditFormTest, ImageButtonsShowTheNumbersOfTheirField)
{
    TUnitEditForm& f = openShown(EditMode::New);
    ui.expectWarning(QStringLiteral("Please enter drawing numbers first."));
    QTest::mouseClick(f.DrawingsButton, Qt::LeftButton);
    edit(uf::Photos)->setText(QStringLiteral("12;13"));
    ui.expectWarning(QStringLiteral("Please enter photo path first."));
    QTest::keyClick(edit(uf::Location), Qt::Key_P, Qt::AltModifier);
    QTest::qWait(200);   // a mnemonic presses the button animated
}

TEST_F(UnitEditFormTest, ColourIsStoredWithRedInTheLowestByte)
{
    EXPECT_EQ(StoredFromColour(QColor(0x10, 0x20, 0x30)), 0x302010);
    EXPECT_EQ(ColourFromStored(0x302010), QColor(0x10, 0x20, 0x30));
    EXPECT_EQ(ColourFromStored(255), QColor(Qt::red));

    TUnitEditForm& f = openShown(EditMode::New);
    EXPECT_EQ(f.NameEdit->palette().color(QPalette::Base), QColor(Qt::white));
    QColor offered;
    onNextDialog<QColorDialog>([&offered](QColorDialog* dialog) {
        offered = dialog->currentColor();
        dialog->setCurrentColor(QColor(0x10, 0x20, 0x30));
        dialog->accept();
    });
    QTest::mouseClick(f.ColourButton, Qt::LeftButton);
    EXPECT_EQ(offered, QColor(Qt::white));
    EXPECT_EQ(editor->text(uf::DisplayColour), QString::number(0x302010));
    EXPECT_EQ(f.NameEdit->palette().color(QPalette::Base), QColor(0x10, 0x20, 0x30));
    f.StyleCombo->setCurrentIndex(8);
    EXPECT_EQ(f.StyleCombo->currentText(), QStringLiteral("hexagon"));
    EXPECT_EQ(editor->text(uf::DispStyle), QStringLiteral("8"));
}

TEST_F(UnitEditFormTest, FieldMenuOffersWhatTheFieldCanDo)
{
    TUnitEditForm& f = openShown(EditMode::New);
    auto enabledItems = [&](int field) {
        QMenu menu;
        f.fillFieldMenu(menu, field);
        QStringList items;
        for (const QAction* a : menu.actions())
            if (!a->isSeparator()) items << (a->isEnabled() ? QString() : QStringLiteral("-")) + a->text();
        return items;
    };
    QApplication::clipboard()->setText(QStringLiteral("clip"));
    edit(uf::Location)->setText(QStringLiteral("north"));
    EXPECT_EQ(enabledItems(uf::Location), QStringList({"-Cut", "-Copy", "Paste", "Delete", "-Undo", "Select All",
                                                       "-Term lookup", "-Copy Previous"}));
    QApplication::clipboard()->clear();
    EXPECT_EQ(enabledItems(uf::ExcavationDate), QStringList({"-Cut", "-Copy", "-Paste", "-Delete", "-Undo",
                                                             "-Select All", "-Term lookup", "-Copy Previous", "Today"}));
    edit(uf::ExcavationDate)->setFocus();
    QTest::keyClick(edit(uf::ExcavationDate), Qt::Key_F6);
    EXPECT_EQ(edit(uf::ExcavationDate)->text(), editor->todayText());
    EXPECT_FALSE(editor->text(uf::ExcavationDate).isEmpty());
    // F5 without a unit saved before only beeps.
    const int beeps = ui.beeps();
    QTest::keyClick(edit(uf::Location), Qt::Key_F5);
    EXPECT_EQ(ui.beeps(), beeps + 1);
}

TEST_F(UnitEditFormTest, EditUnitShowsNoFormForAMissingUnit)
{
    ui.expectError(QStringLiteral("Unitname 9 not found. Data base corrupt?"));
    const UnitEditResult result = EditUnit(session, nullptr, QStringLiteral("A"), QStringLiteral("9"), {}, EditMode::Edit);
    EXPECT_FALSE(result.accepted);
    EXPECT_FALSE(result.unitsChanged);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

} // namespace

namespace {

// Fills the relationship dialog when it comes up and presses OK.
void enterRelationWhenAsked(const QString& second, const QString& comment, QString* category = nullptr)
{
    onNextDialog<TRelationshipForm>([=](TRelationshipForm* dialog) {
        if (category) *category = dialog->categoryEdit()->text() + (dialog->categoryEdit()->isReadOnly() ? "!" : "");
        if (!dialog->secondUnitEdit()->isReadOnly()) dialog->secondUnitEdit()->setText(second);
        dialog->commentEdit()->setText(comment);
        QTest::mouseClick(dialog->okButton(), Qt::LeftButton);
    });
}

TEST_F(UnitEditFormTest, RelationshipListsAddChangeAndRemoveThroughTheEditor)
{
    TUnitEditForm& f = openShown(EditMode::New);
    f.Pages->setCurrentIndex(1);
    ui.expectError(QStringLiteral("Unit name must be entered before relations are entered!"), kUnitRelationsHelpTopic);
    QTest::mouseClick(f.addButton(RelationList::LaterThan), Qt::LeftButton);
    EXPECT_TRUE(f.NameEdit->hasFocus());

    f.NameEdit->setText(QStringLiteral("N1"));
    f.Pages->setCurrentIndex(1);
    QString category;
    enterRelationWhenAsked(QStringLiteral("1"), QString(), &category);
    QTest::mouseClick(f.addButton(RelationList::LaterThan), Qt::LeftButton);
    EXPECT_EQ(category, QStringLiteral(">!"));
    EXPECT_EQ(listRows(RelationList::LaterThan), QStringList{QStringLiteral("A:1>")});

    // One second unit once, in whichever list.
    ui.expectWarning(QStringLiteral("Relation to A:1 has already been defined.\r\nNew relationship is not stored."), 133);
    enterRelationWhenAsked(QStringLiteral("1"), QString(), &category);
    QTest::mouseClick(f.addButton(RelationList::EarlierThan), Qt::LeftButton);
    EXPECT_EQ(category, QStringLiteral("<!"));
    EXPECT_TRUE(listRows(RelationList::EarlierThan).isEmpty());

    ui.expectWarning(QStringLiteral("Add relationships with Add button"), kUnitRelationsHelpTopic);
    QTest::mouseDClick(f.relationList(RelationList::Other)->viewport(), Qt::LeftButton);

    // Enter on a row changes its comment, shown with the form's unit first.
    QTreeWidget* later = f.relationList(RelationList::LaterThan);
    later->setFocus();
    QString first;
    onNextDialog<TRelationshipForm>([&first](TRelationshipForm* dialog) {
        first = dialog->firstExcavationEdit()->text() + QLatin1Char(':') + dialog->firstUnitEdit()->text()
                + (dialog->nextButton()->isVisible() ? " next" : "");
        dialog->commentEdit()->setText(QStringLiteral("cuts"));
        QTest::mouseClick(dialog->okButton(), Qt::LeftButton);
    });
    QTest::keyClick(later, Qt::Key_Return);
    EXPECT_EQ(first, QStringLiteral("A:N1"));
    EXPECT_EQ(listRows(RelationList::LaterThan), QStringList{QStringLiteral("A:1>cuts")});
    EXPECT_TRUE(editor->relationsChanged());

    ui.expectConfirmation(QStringLiteral("Do you really want to delete the relationship\r\nbetween A:N1 and A:1?"),
                          Buttons::YesNo, 54)
        .answer(Answer::Yes);
    QTest::mouseClick(f.removeButton(RelationList::LaterThan), Qt::LeftButton);
    EXPECT_TRUE(listRows(RelationList::LaterThan).isEmpty());
}

TEST_F(UnitEditFormTest, TermLookupReplacesTheTextAndFillsEmptyYears)
{
    TermRecord roman;
    roman.TermField = QStringLiteral("Period");
    roman.Term = QStringLiteral("Roman");
    roman.MinYear = -50;
    roman.MaxYear = 400;
    linkTermFile(roman);
    TUnitEditForm& f = openShown(EditMode::New);
    EXPECT_TRUE(f.TermListButton->isEnabled());
    edit(uf::MaxYear)->setText(QStringLiteral("300"));
    edit(uf::Period)->setFocus();
    ui.expectSelect().withCaption(QStringLiteral("Terms for: Period")).answer(0);
    QTest::keyClick(edit(uf::Period), Qt::Key_F4);
    EXPECT_EQ(edit(uf::Period)->text(), QStringLiteral("Roman"));
    EXPECT_EQ(edit(uf::MinYear)->text(), QStringLiteral("-50"));
    EXPECT_EQ(edit(uf::MaxYear)->text(), QStringLiteral("300"));
    // Typed terms are looked up when the field is left.
    edit(uf::Period)->clear();
    edit(uf::MinYear)->clear();
    QTest::keyClicks(edit(uf::Period), QStringLiteral("Roman"));
    edit(uf::Phase)->setFocus();
    EXPECT_EQ(edit(uf::MinYear)->text(), QStringLiteral("-50"));

    // The button looks up the last field, which keeps the focus.
    ui.expectInformation(QStringLiteral("Term lookup not supported for current field."), kUnitTermLookupHelpTopic);
    f.NameEdit->setFocus();
    QTest::mouseClick(f.TermListButton, Qt::LeftButton);
    EXPECT_TRUE(f.NameEdit->hasFocus());
}

} // namespace

namespace {

// With real message boxes the refusal's box comes up while the mouse button
// is down on OK: still one box, and the press does not save afterwards.
TEST(UnitEditFormBoxes, RefusedClickShowsOneBox)
{
    QTemporaryDir dir;
    QtUserInterface ui;
    FixedRegional regional;
    Session session(ui, regional);
    ASSERT_TRUE(CreateProjectFiles(session, dir.filePath(QStringLiteral("P.bvp")), QStringLiteral("A"), QString(), false));
    const QString terms = dir.filePath(QStringLiteral("T.db"));
    CreateTermTableFile(terms);
    session.project().TermFilePath = terms;
    ASSERT_TRUE(OpenTermTable(session));
    session.catalogue()[uf::Location].ClosedTerms = true;
    {
        UnitEditor editor(session);
        ASSERT_TRUE(editor.open(QStringLiteral("A"), QString(), {}, EditMode::New));
        TUnitEditForm form(session, editor);
        form.show();
        form.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
        form.NameEdit->setText(QStringLiteral("N1"));
        auto* location = qobject_cast<QLineEdit*>(form.fieldControl(uf::Location));
        location->setFocus();
        QTest::keyClicks(location, QStringLiteral("xyz"));
        // A timer of this scope answers the boxes: nothing of it outlives
        // the test.
        QStringList boxes;
        QTimer answering;
        answering.setInterval(20);
        QObject::connect(&answering, &QTimer::timeout, [&boxes] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                boxes << box->text();
                box->accept();
            }
        });
        answering.start();
        QTest::mouseClick(form.OKButton, Qt::LeftButton);
        QTest::qWait(300);
        answering.stop();
        EXPECT_EQ(boxes.size(), 1) << boxes.join(QLatin1Char('|')).toStdString();
        EXPECT_TRUE(form.isVisible());
        // The offscreen platform gives the form no activation back; the
        // field is its focus widget.
        EXPECT_EQ(form.focusWidget(), location);
        EXPECT_EQ(session.units().count(), 0);
    }
    CloseProject(session, true);
}

} // namespace
