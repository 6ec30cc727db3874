#include "editing/AddRelationship.h"
#include "editing/forms/EditingCommands.h"
#include "editing/forms/RelationCommands.h"
#include "editing/forms/TChainForm.h"
#include "editing/forms/TConsecutiveForm.h"
#include "editing/forms/TReassignForm.h"
#include "editing/forms/TRelationshipForm.h"
#include "editing/forms/TSelectRelationForm.h"
#include "store/ProjectFixture.h"
#include "ui/TableListModel.h"
#include "ui/UiSupport.h"
#include "views/forms/TMainForm.h"
#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTreeWidget>
#include <QtTest/QTest>

using namespace belvanto;
using belvanto::testing::onNextModal;

namespace {

// Picks a row of the "Select Relation" dialog when it comes up, and tells
// what it offered.
const QStringList& pickRelation(int row, bool cancel = false)
{
    static QStringList offered;
    offered.clear();
    onNextModal([row, cancel](QWidget* modal) {
        auto* form = qobject_cast<TSelectRelationForm*>(modal);
        if (!form) {
            modal->close();
            return;
        }
        for (int r = 0; r < form->grid()->rowCount(); ++r) offered << form->grid()->item(r, 0)->text();
        if (cancel) {
            form->reject();
            return;
        }
        form->grid()->setCurrentCell(row, 1);
        QTest::keyClick(form->grid(), Qt::Key_Return);
    });
    return offered;
}

// Fills the chain dialog's name column when it comes up and presses OK.
void enterChainWhenAsked(const QStringList& names)
{
    onNextModal([names](QWidget* modal) {
        auto* form = qobject_cast<TChainForm*>(modal);
        if (!form) {
            modal->close();
            return;
        }
        for (int row = 0; row < names.size(); ++row)
            form->grid()->item(row, TChainGrid::kNameColumn)->setText(names[row]);
        QTest::mouseClick(form->okButton(), Qt::LeftButton);
    });
}

// Shown and active, so that shortcuts and focus work as on a screen.
void showActive(QWidget& form)
{
    form.show();
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
}

class RelationForms : public belvanto::testing::ProjectFixture {
protected:
    void SetUp() override
    {
        createProject();
        for (const char* name : {"1", "2", "3"}) addUnit(QStringLiteral("A"), QString::fromLatin1(name));
        addUnit(QStringLiteral("A"), QStringLiteral("G1"), kGroup);
    }
    void TearDown() override
    {
        CloseProject(session, true);
        ui.verifyDone();
    }
    TRelationshipForm::AddSetup setupFor(const char* first)
    {
        TRelationshipForm::AddSetup s;
        s.first = {QStringLiteral("A"), QString::fromLatin1(first)};
        s.storeNext = [this](const RelationshipEntry& e) {
            stored << e.second.unitname + e.code + e.comment;
            return true;
        };
        return s;
    }
    // The project again, in a main window with the editing commands.
    std::unique_ptr<TMainForm> openInMainWindow()
    {
        const QString project = session.project().ProjectFilePath;
        CloseProject(session, true);
        auto window = std::make_unique<TMainForm>(session);
        RegisterEditingCommands(window->commands());
        if (!window->openProject(project)) return nullptr;
        return window;
    }
    QStringList stored;
    belvanto::testing::RecordingHelp help;
};

TEST_F(RelationForms, SelectRelationOffersFiveOrThreeCategoriesAndReturnsTheChosenOne)
{
    TSelectRelationForm all(true);
    EXPECT_EQ(all.windowTitle(), QStringLiteral("Select Relation"));
    EXPECT_EQ(all.grid()->horizontalHeaderItem(0)->text(), QStringLiteral("Symbol"));
    EXPECT_EQ(all.grid()->horizontalHeaderItem(1)->text(), QStringLiteral("Explanation"));
    EXPECT_EQ(all.grid()->rowCount(), 5);
    EXPECT_EQ(all.grid()->item(1, 1)->text(), QStringLiteral("Earlier than"));

    const QStringList& offered = pickRelation(2);
    EXPECT_EQ(SelectRelation(false, nullptr), QChar(QLatin1Char('p')));
    EXPECT_EQ(offered, QStringList({"=", "-", "p"}));
    pickRelation(0, true);
    EXPECT_EQ(SelectRelation(true, nullptr), std::nullopt);
}

TEST_F(RelationForms, CategoryTakesItsKeysAndSendsEverythingElseToTheSelection)
{
    auto setup = setupFor("1");
    setup.earlierLater = false;   // as in the unit edit form
    TRelationshipForm form(session, setup);
    showActive(form);
    QLineEdit* category = form.categoryEdit();
    QTest::keyClick(category, 'p');
    EXPECT_EQ(category->text(), QStringLiteral("p"));
    QTest::keyClick(category, Qt::Key_Backspace);
    EXPECT_EQ(category->text(), QString());
    pickRelation(1);
    QTest::keyClick(category, '<');   // earlier/later belongs to the edit form's own lists
    EXPECT_EQ(category->text(), QStringLiteral("-"));
    pickRelation(0);
    QTest::mouseClick(category, Qt::LeftButton);
    EXPECT_EQ(category->text(), QStringLiteral("="));
}

TEST_F(RelationForms, CategoryRefusesPastedText)
{
    TRelationshipForm form(session, setupFor("1"));
    showActive(form);
    QLineEdit* category = form.categoryEdit();
    QApplication::clipboard()->setText(QStringLiteral("xyz"));
    // The edit's own paste (context menu, drop) is held to the codes ...
    category->paste();
    EXPECT_EQ(category->text(), QString());
    EXPECT_EQ(category->contextMenuPolicy(), Qt::NoContextMenu);
    QApplication::clipboard()->setText(QStringLiteral("="));
    category->paste();
    EXPECT_EQ(category->text(), QStringLiteral("="));
    // ... and Ctrl+V asks for the category as any other key does.
    QApplication::clipboard()->setText(QStringLiteral("xyz"));
    pickRelation(4);
    QTest::keyClick(category, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(category->text(), QStringLiteral("p"));
}

TEST_F(RelationForms, NextCountsOnlyStoredEntries)
{
    addRelation({"A", "1"}, {"A", "2"}, QLatin1Char('<'));
    auto setup = setupFor("1");
    setup.storeNext = [this](const RelationshipEntry& e) {
        return AddRelationship(session, e.first, e.second, e.code, e.comment, level::Everything) == AddResult::Stored;
    };
    TRelationshipForm form(session, setup);
    showActive(form);
    QTest::keyClicks(form.secondUnitEdit(), QStringLiteral("2"));
    QTest::keyClick(form.categoryEdit(), '>');
    ui.expectWarning(QStringLiteral("Relation between A:1 and A:2 has already been defined.\r\n"
                                    "New relationship is not stored."),
                     133);
    QTest::mouseClick(form.nextButton(), Qt::LeftButton);
    EXPECT_EQ(form.entered(), 0);
    EXPECT_EQ(form.findChild<QLabel*>(QStringLiteral("CountLabel"))->text(), QString());
    EXPECT_EQ(form.secondUnitEdit()->text(), QStringLiteral("2"));   // kept, to be corrected
    form.secondUnitEdit()->setText(QStringLiteral("3"));
    QTest::mouseClick(form.nextButton(), Qt::LeftButton);
    EXPECT_EQ(form.entered(), 1);
}

TEST_F(RelationForms, EntryOrderTabStopsAndSteadyButtons)
{
    TRelationshipForm form(session, setupFor("1"));
    showActive(form);
    // Read-only fields are no Tab stops; name, category and comment follow
    // each other, from where the focus starts and returns after Next.
    EXPECT_EQ(form.firstExcavationEdit()->focusPolicy(), Qt::ClickFocus);
    EXPECT_EQ(form.firstUnitEdit()->focusPolicy(), Qt::ClickFocus);
    EXPECT_TRUE(form.secondUnitEdit()->hasFocus());
    QTest::keyClicks(form.secondUnitEdit(), QStringLiteral("2"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_TRUE(form.categoryEdit()->hasFocus());
    QTest::keyClick(form.categoryEdit(), '<');
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_TRUE(form.commentEdit()->hasFocus());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_FALSE(form.firstExcavationEdit()->hasFocus());
    EXPECT_FALSE(form.firstUnitEdit()->hasFocus());

    const QRect ok = form.okButton()->geometry();
    const QSize size = form.size();
    QTest::mouseClick(form.nextButton(), Qt::LeftButton);
    QApplication::processEvents();
    EXPECT_EQ(form.findChild<QLabel*>(QStringLiteral("CountLabel"))->text(), QStringLiteral("Entered: 1"));
    EXPECT_EQ(form.size(), size);
    EXPECT_EQ(form.okButton()->geometry(), ok);
    EXPECT_TRUE(form.secondUnitEdit()->hasFocus());

    // Every editable field has an accelerator on its label.
    for (QLineEdit* edit : {form.categoryEdit(), form.secondExcavationEdit(), form.secondUnitEdit(), form.commentEdit()}) {
        bool labelled = false;
        for (QLabel* l : form.findChildren<QLabel*>())
            if (l->buddy() == edit && l->text().contains(QLatin1Char('&'))) labelled = true;
        EXPECT_TRUE(labelled) << qPrintable(edit->objectName());
    }
}

TEST_F(RelationForms, FixedCategoryAndUnitNameKeys)
{
    auto setup = setupFor("G1");
    setup.category = QStringLiteral("p");
    setup.categoryFixed = true;
    TRelationshipForm form(session, setup);
    EXPECT_EQ(form.windowTitle(), QStringLiteral("New Relationship"));
    EXPECT_TRUE(form.categoryEdit()->isReadOnly());
    EXPECT_EQ(form.secondExcavationEdit()->text(), QStringLiteral("A"));
    QTest::keyClicks(form.secondUnitEdit(), QStringLiteral("a b,c:d=e123456"));
    EXPECT_EQ(form.secondUnitEdit()->text(), QStringLiteral("abcde123"));
    EXPECT_EQ(ui.beeps(), 4);
    EXPECT_EQ(form.commentEdit()->maxLength(), 20);
}

TEST_F(RelationForms, OkChecksTheEntryAndOffersTheMissingUnit)
{
    TRelationshipForm form(session, setupFor("1"));
    showActive(form);
    ui.expectError(QStringLiteral("Relation category must be entered."), 133);
    QTest::mouseClick(form.okButton(), Qt::LeftButton);
    EXPECT_TRUE(form.isVisible());
    EXPECT_TRUE(form.categoryEdit()->hasFocus());

    QTest::keyClick(form.categoryEdit(), '>');
    QTest::keyClicks(form.secondUnitEdit(), QStringLiteral("9"));
    QTest::keyClicks(form.commentEdit(), QStringLiteral("cuts"));
    ui.expectConfirmation(QStringLiteral("Unit name 9 does not exist\r\nDo you want to create a context?"),
                          Buttons::YesNo, 133)
        .answer(Answer::Yes);
    QTest::mouseClick(form.okButton(), Qt::LeftButton);
    EXPECT_EQ(form.result(), QDialog::Accepted);
    EXPECT_EQ(form.unitsCreated(), 1);
    const RelationshipEntry e = form.entry();
    EXPECT_EQ(e.second.text(), QStringLiteral("A:9"));
    EXPECT_EQ(e.code, QLatin1Char('>'));
    EXPECT_EQ(e.comment, QStringLiteral("cuts"));
    EXPECT_TRUE(unitRows(session.units(), uf::Unitclass).contains(QStringLiteral("A:9=context")));
}

TEST_F(RelationForms, NextAndPageDownStoreAndClearForTheNextEntry)
{
    TRelationshipForm form(session, setupFor("1"));
    showActive(form);
    QTest::keyClick(form.categoryEdit(), '<');
    QTest::keyClicks(form.secondUnitEdit(), QStringLiteral("2"));
    QTest::keyClicks(form.commentEdit(), QStringLiteral("x"));
    QTest::mouseClick(form.nextButton(), Qt::LeftButton);
    EXPECT_EQ(form.secondUnitEdit()->text(), QString());
    EXPECT_EQ(form.commentEdit()->text(), QString());
    EXPECT_EQ(form.categoryEdit()->text(), QString());
    EXPECT_TRUE(form.secondUnitEdit()->hasFocus());
    QTest::keyClick(form.categoryEdit(), '=');
    QTest::keyClicks(form.secondUnitEdit(), QStringLiteral("3"));
    QTest::keyClick(form.secondUnitEdit(), Qt::Key_PageDown);
    EXPECT_EQ(stored, QStringList({"2<x", "3="}));
    EXPECT_EQ(form.entered(), 2);
    QTest::keyClick(&form, Qt::Key_F1);
    EXPECT_EQ(help.topics, QStringList({"New_relationship"}));
}

TEST_F(RelationForms, TermLookupWithoutTermFileOrOnAUnitName)
{
    TRelationshipForm form(session, setupFor("1"));
    showActive(form);
    ui.expectInformation(QStringLiteral("No term file available for current project."));
    QTest::keyClick(form.commentEdit(), Qt::Key_F4);
    ui.expectInformation(QStringLiteral("No term file available for current project."));
    form.termLookup(form.secondUnitEdit());
}

TEST_F(RelationForms, ChangeCommentWritesOneRowAndWalksToTheEnd)
{
    addRelation({"A", "1"}, {"A", "2"}, QLatin1Char('<'), QStringLiteral("old"));
    Table& relations = session.relations();
    relations.first();
    TRelationshipForm form(session, relations);
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Change relationship comment"));
    EXPECT_TRUE(form.secondUnitEdit()->isReadOnly());
    EXPECT_TRUE(form.categoryEdit()->isReadOnly());
    EXPECT_EQ(form.commentEdit()->text(), QStringLiteral("old"));
    form.commentEdit()->setText(QStringLiteral("new"));
    QTest::mouseClick(form.nextButton(), Qt::LeftButton);
    EXPECT_EQ(form.secondUnitEdit()->text(), QStringLiteral("1"));
    form.commentEdit()->setText(QStringLiteral("back"));
    QTest::mouseClick(form.nextButton(), Qt::LeftButton);
    EXPECT_EQ(ui.beeps(), 1);
    EXPECT_EQ(relationRows(relations), QStringList({"A:1<A:2 new u", "A:2>A:1 back u"}));
}

TEST_F(RelationForms, ChainGridTakesNamesAddsRowsAndStoresTheChain)
{
    TChainForm form(session);
    showActive(form);
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Chain Relationship Entry"));
    TChainGrid* grid = form.grid();
    EXPECT_EQ(grid->horizontalHeaderItem(0)->text(), QStringLiteral("Unit class"));
    EXPECT_EQ(grid->horizontalHeaderItem(1)->text(), QStringLiteral("Unit name"));
    const int rows = grid->rowCount();
    grid->setCurrentCell(rows - 1, TChainGrid::kNameColumn);
    QTest::keyClick(grid, '-');
    EXPECT_EQ(grid->rowCount(), rows + 1);
    EXPECT_EQ(grid->currentRow(), rows);

    grid->item(0, TChainGrid::kNameColumn)->setText(QStringLiteral("top"));
    grid->item(1, TChainGrid::kNameColumn)->setText(QStringLiteral("1"));
    grid->item(3, TChainGrid::kNameColumn)->setText(QStringLiteral("low"));
    EXPECT_EQ(grid->classCell(0), QStringLiteral("undefined"));
    EXPECT_EQ(grid->classCell(1), QStringLiteral("context"));
    ui.expectConfirmation(QStringLiteral("Do you really want to create 2 units?"), Buttons::YesNo, 128)
        .answer(Answer::Yes);
    QTest::mouseClick(form.okButton(), Qt::LeftButton);
    EXPECT_EQ(form.result(), QDialog::Accepted);
    EXPECT_EQ(relationRows(session.relations()),
              QStringList({"A:1>A:low  u", "A:1<A:top  u", "A:low<A:1  u", "A:top>A:1  u"}));
}

TEST_F(RelationForms, ChainNameCellsRefuseWhatNoUnitNameHolds)
{
    TChainForm form(session);
    showActive(form);
    TChainGrid* grid = form.grid();
    grid->setCurrentCell(0, TChainGrid::kNameColumn);
    QTest::keyClicks(grid, QStringLiteral("a"));   // opens the editor with the first key
    QWidget* editor = QApplication::focusWidget();
    ASSERT_TRUE(qobject_cast<QLineEdit*>(editor));
    EXPECT_EQ(grid->classCell(0), QStringLiteral("undefined"));   // as it is typed
    QTest::keyClick(editor, Qt::Key_Backspace);
    QTest::keyClicks(editor, QStringLiteral("1"));
    EXPECT_EQ(grid->classCell(0), QStringLiteral("context"));
    QTest::keyClick(editor, Qt::Key_Backspace);
    QTest::keyClicks(editor, QStringLiteral("a"));
    QTest::keyClicks(editor, QStringLiteral(" b:c=1234567"));
    EXPECT_EQ(qobject_cast<QLineEdit*>(editor)->text(), QStringLiteral("abc12345"));
    EXPECT_GE(ui.beeps(), 4);
    QTest::keyClick(editor, '-');
    EXPECT_EQ(grid->name(0), QStringLiteral("abc12345"));
    EXPECT_EQ(grid->currentRow(), grid->rowCount() - 1);
}

TEST_F(RelationForms, ReassignListsMoveRowsAndOkSplitsTheClass)
{
    addRelation({"A", "1"}, {"A", "2"}, QLatin1Char('='));
    addRelation({"A", "1"}, {"A", "3"}, QLatin1Char('='));
    addRelation({"A", "2"}, {"A", "3"}, QLatin1Char('='));
    TReassignForm form(session, {"A", "1"}, {"A", "2"}, QLatin1Char('='), {{"A", "3"}});
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Reassign equal relations"));
    EXPECT_EQ(form.findChild<QLabel*>(QStringLiteral("FirstUnitLabel"))->text(), QStringLiteral("A: 1"));
    EXPECT_EQ(form.leftTree()->headerItem()->text(1), QStringLiteral("Unit name"));
    QTest::mouseClick(form.moveLeftButton(), Qt::LeftButton);   // nothing on the right
    EXPECT_EQ(ui.beeps(), 1);
    QTest::mouseClick(form.moveRightButton(), Qt::LeftButton);
    EXPECT_EQ(form.rightList().size(), 1u);
    QTest::mouseClick(form.allLeftButton(), Qt::LeftButton);
    EXPECT_EQ(form.leftList().size(), 1u);
    QTest::mouseClick(form.allRightButton(), Qt::LeftButton);
    ApplyReassignment(session, {"A", "1"}, {"A", "2"}, QLatin1Char('='), form.leftList(), form.rightList());
    EXPECT_EQ(relationRows(session.relations()), QStringList({"A:2=A:3  u", "A:3=A:2  u"}));
}

TEST_F(RelationForms, RemoveCommandOpensTheReassignmentForAClassOfThree)
{
    addRelation({"A", "1"}, {"A", "2"}, QLatin1Char('-'));
    addRelation({"A", "1"}, {"A", "3"}, QLatin1Char('-'));
    addRelation({"A", "2"}, {"A", "3"}, QLatin1Char('-'));
    QString caption;
    onNextModal([&caption](QWidget* modal) {
        caption = modal->windowTitle();
        auto* form = qobject_cast<TReassignForm*>(modal);
        if (form) QTest::mouseClick(form->okButton(), Qt::LeftButton);
        else modal->close();
    });
    EXPECT_TRUE(RemoveRelationshipsCommand(session, nullptr, {{{"A", "1"}, {"A", "2"}}}));
    EXPECT_EQ(caption, QStringLiteral("Reassign contemporary relations"));
    EXPECT_EQ(relationRows(session.relations()), QStringList({"A:1-A:3  u", "A:3-A:1  u"}));
}

TEST_F(RelationForms, MainWindowCommandsRunTheDialogsOnTheCurrentUnit)
{
    const auto owned = openInMainWindow();
    ASSERT_TRUE(owned);
    TMainForm& window = *owned;
    for (const char* name : {"RelationsAdd", "RelationsEdit", "RelationsChain", "RelationsRemove"})
        EXPECT_TRUE(window.command(QString::fromLatin1(name))->isEnabled()) << name;

    ASSERT_TRUE(session.units().locate(QStringLiteral("Excavation;Unitname"), {QStringLiteral("A"), QStringLiteral("2")}));
    QString first;
    onNextModal([&first](QWidget* modal) {
        auto* form = qobject_cast<TRelationshipForm*>(modal);
        if (!form) {
            modal->close();
            return;
        }
        first = form->firstUnitEdit()->text();
        QTest::keyClick(form->categoryEdit(), '>');
        QTest::keyClicks(form->secondUnitEdit(), QStringLiteral("3"));
        QTest::mouseClick(form->okButton(), Qt::LeftButton);
    });
    window.command(QStringLiteral("RelationsAdd"))->trigger();
    EXPECT_EQ(first, QStringLiteral("2"));
    EXPECT_EQ(relationRows(session.relations()), QStringList({"A:2>A:3  u", "A:3<A:2  u"}));
    CloseProject(session, true);
}

TEST_F(RelationForms, RelationshipListFollowsTheCurrentUnitAndRemoveActsOnlyOnWhatItShows)
{
    addUnit(QStringLiteral("A"), QStringLiteral("4"));
    addRelation({"A", "1"}, {"A", "2"}, QLatin1Char('<'));
    addRelation({"A", "2"}, {"A", "G1"}, QLatin1Char('p'));
    addRelation({"A", "3"}, {"A", "G1"}, QLatin1Char('p'));
    const auto owned = openInMainWindow();
    ASSERT_TRUE(owned);
    TMainForm& window = *owned;
    auto choose = [&](const char* name) {
        const int row = window.unitModel()->rowOf(
            session.units().query(QStringLiteral("Unitname = ?"), {QString::fromLatin1(name)}).front().rowid);
        window.unitList()->setCurrentIndex(window.unitModel()->index(row, uf::Unitname));
    };
    auto highlighted = [&] {
        QStringList rows;
        for (const QModelIndex& i : window.relationList()->selectionModel()->selectedRows())
            rows << window.relationModel()->index(i.row(), rel::Unitname1).data().toString()
                        + window.relationModel()->index(i.row(), rel::RelationCat).data().toString()
                        + window.relationModel()->index(i.row(), rel::Unitname2).data().toString();
        rows.sort();
        return rows;
    };
    choose("1");
    EXPECT_EQ(highlighted(), QStringList{"1<2"});
    // A group shows its members' part-of rows.
    choose("G1");
    EXPECT_EQ(highlighted(), QStringList({"2pG1", "3pG1"}));
    // A unit without relationships leaves nothing highlighted, and Remove
    // does not fall back on another unit's row.
    choose("1");
    choose("4");
    EXPECT_EQ(highlighted(), QStringList());
    const QStringList before = relationRows(session.relations());
    ui.expectWarning(kNoRelationSelectedMessage);
    window.command(QStringLiteral("RelationsRemove"))->trigger();
    EXPECT_EQ(relationRows(session.relations()), before);

    // A unit made in the relationship dialog becomes current in both lists.
    choose("1");
    onNextModal([](QWidget* modal) {
        auto* form = qobject_cast<TRelationshipForm*>(modal);
        if (!form) {
            modal->close();
            return;
        }
        QTest::keyClick(form->categoryEdit(), '>');
        QTest::keyClicks(form->secondUnitEdit(), QStringLiteral("9"));
        QTest::mouseClick(form->okButton(), Qt::LeftButton);
    });
    ui.expectConfirmation(QStringLiteral("Unit name 9 does not exist\r\nDo you want to create a context?"),
                          Buttons::YesNo, 133)
        .answer(Answer::Yes);
    window.command(QStringLiteral("RelationsAdd"))->trigger();
    EXPECT_EQ(window.unitModel()->index(window.unitList()->currentIndex().row(), uf::Unitname).data().toString(),
              QStringLiteral("9"));
    EXPECT_EQ(highlighted(), QStringList{"9<1"});

    // So do the units a chain creates: the last one, at the bottom.
    enterChainWhenAsked({"2", "low"});
    ui.expectConfirmation(QStringLiteral("Do you really want to create 1 units?"), Buttons::YesNo, 128)
        .answer(Answer::Yes);
    window.command(QStringLiteral("RelationsChain"))->trigger();
    EXPECT_EQ(window.unitModel()->index(window.unitList()->currentIndex().row(), uf::Unitname).data().toString(),
              QStringLiteral("low"));
    EXPECT_EQ(highlighted(), QStringList{"low<2"});
    CloseProject(session, true);
}

TEST_F(RelationForms, ChainAndConsecutiveNumbersSayWhatTheyStored)
{
    const auto owned = openInMainWindow();
    ASSERT_TRUE(owned);
    TMainForm& window = *owned;
    enterChainWhenAsked({"1", "2", "new"});
    ui.expectConfirmation(QStringLiteral("Do you really want to create 1 units?"), Buttons::YesNo, 128)
        .answer(Answer::Yes);
    window.command(QStringLiteral("RelationsChain"))->trigger();
    EXPECT_EQ(ui.notices(), QStringList{"Chain: 1 units created, 2 relationships stored."});

    onNextModal([](QWidget* modal) {
        auto* form = qobject_cast<TConsecutiveForm*>(modal);
        if (!form) {
            modal->close();
            return;
        }
        form->FirstNumberEdit->setText(QStringLiteral("7"));
        form->LastNumberEdit->setText(QStringLiteral("9"));
        form->ChainCheck->setChecked(true);
        form->accept();
    });
    ui.expectConfirmation(QStringLiteral("Confirm creation of 3 units"), Buttons::YesNo, 75).answer(Answer::Yes);
    window.command(QStringLiteral("UnitsConsecutive"))->trigger();
    EXPECT_EQ(ui.notices().last(), QStringLiteral("Consecutive numbers: 3 units created, 2 relationships stored."));
    CloseProject(session, true);
}

} // namespace
