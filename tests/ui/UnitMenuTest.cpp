// The Units menu in the main window: the commands run on what the unit list
// shows selected, in selection order, and the lists follow the tables.
#include "editing/AddRelationship.h"
#include "editing/UnitOperations.h"
#include "editing/forms/EditingCommands.h"
#include "editing/forms/TReassignForm.h"
#include "editing/forms/TUnitEditForm.h"
#include "store/ProjectFixture.h"
#include "store/Relations.h"
#include "ui/TableListModel.h"
#include "ui/UiSupport.h"
#include "views/forms/TMainForm.h"
#include <QAction>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTreeWidget>
#include <QtTest/QTest>

using namespace belvanto;
using belvanto::testing::onNextDialog;

namespace {

class UnitMenu : public belvanto::testing::ProjectFixture {
protected:
    void SetUp() override
    {
        createProject();
        for (const char* name : {"1", "2", "3"}) addUnit(QStringLiteral("A"), QString::fromLatin1(name));
        addRelation({"A", "1"}, {"A", "3"}, QLatin1Char('<'));
        addRelation({"A", "2"}, {"A", "3"}, QLatin1Char('<'));
        const QString project = session.project().ProjectFilePath;
        CloseProject(session, true);
        window = std::make_unique<TMainForm>(session);
        RegisterEditingCommands(window->commands());
        ASSERT_TRUE(window->openProject(project));
    }
    void TearDown() override
    {
        CloseProject(session, true);
        window.reset();
        ui.verifyDone();
    }
    // Selects the rows of these units, in this order, as Ctrl+clicks do.
    void select(const QStringList& names)
    {
        QItemSelectionModel* selection = window->unitList()->selectionModel();
        selection->clearSelection();
        for (const QString& name : names) {
            const auto rows = session.units().query(QStringLiteral("Unitname = ?"), {name});
            ASSERT_EQ(rows.size(), 1u) << name.toStdString();
            const QModelIndex index = window->unitModel()->index(window->unitModel()->rowOf(rows.front().rowid), 0);
            selection->setCurrentIndex(index, QItemSelectionModel::Select | QItemSelectionModel::Rows);
        }
    }
    QStringList unitNames()
    {
        QStringList names;
        for (const auto& r : session.units().query(QString(), {}, QStringLiteral("Unitname")))
            names << valueToString(r.values[uf::Unitname]);
        return names;
    }
    QStringList relationRows()
    {
        QStringList rows;
        for (const auto& r : session.relations().query(QString(), {}, QStringLiteral("Unitname1, Unitname2")))
            rows << valueToString(r.values[rel::Unitname1]) + valueToString(r.values[rel::RelationCat])
                        + valueToString(r.values[rel::Unitname2]);
        return rows;
    }
    void trigger(const char* command) { window->command(QString::fromLatin1(command))->trigger(); }

    std::unique_ptr<TMainForm> window;
};

TEST_F(UnitMenu, TheFormCommandsAndTheOperationsAreLive)
{
    for (const char* name : {"UnitsNew", "UnitsEdit", "UnitsCopy", "UnitsDelete", "UnitsSplit", "UnitsMerge",
                             "UnitsCombine"})
        EXPECT_TRUE(window->command(QString::fromLatin1(name))->isEnabled()) << name;
}

TEST_F(UnitMenu, DeleteTakesTheSelectedRowsAndTheListsFollow)
{
    select({"3", "1"});
    ui.expectConfirmation(QStringLiteral("Do you really want to delete 2 units and all their relations?"),
                          Buttons::YesNo, kDeleteUnitHelpTopic)
        .answer(Answer::No);
    trigger("UnitsDelete");
    EXPECT_EQ(unitNames(), QStringList({"1", "2", "3"}));
    // The answer No keeps the selection for another try.

    ui.expectConfirmation(QStringLiteral("Do you really want to delete 2 units and all their relations?"),
                          Buttons::YesNo, kDeleteUnitHelpTopic)
        .answer(Answer::Yes);
    trigger("UnitsDelete");
    EXPECT_EQ(unitNames(), QStringList{"2"});
    EXPECT_TRUE(relationRows().isEmpty());
    EXPECT_EQ(window->unitModel()->rowCount(), 1);
    EXPECT_EQ(window->relationModel()->rowCount(), 0);
}

TEST_F(UnitMenu, MergeMakesTheFirstSelectedUnitTheTarget)
{
    // Selection order, not list order: 2 was selected first.
    select({"2", "1"});
    ui.expectConfirmation(QStringLiteral("Do you really want to merge the selected units?"), Buttons::YesNo,
                          kMergeHelpTopic)
        .answer(Answer::Yes);
    ui.expectInformation(QStringLiteral("Unit relations have been merged.\r\nAll relations were transferred to unit A:2."),
                         kMergeHelpTopic);
    trigger("UnitsMerge");
    EXPECT_EQ(unitNames(), QStringList({"2", "3"}));
    EXPECT_EQ(relationRows(), QStringList({"2<3", "3>2"}));
}

TEST_F(UnitMenu, TheFormCommandsRefuseBeforeAnyFormOpens)
{
    select({"1", "2"});
    ui.expectWarning(QStringLiteral("Change multiple units by editing the first unit and \r\n"
                                    "using Arrow-buttons in the unit edit form afterwards."),
                     kMoveButtonsHelpTopic);
    trigger("UnitsEdit");
    ui.expectWarning(QStringLiteral("You can copy only one unit at a time."), kCopyUnitHelpTopic);
    trigger("UnitsCopy");
    ui.expectWarning(QStringLiteral("You can only split one unit at a time."), kSplitHelpTopic);
    trigger("UnitsSplit");
    select({"1"});
    ui.expectInformation(QStringLiteral("Select two or more contexts (press <Ctrl>-key and click)\r\n"
                                        "which are to be combined."),
                         kCombineHelpTopic);
    trigger("UnitsCombine");
}

// The form's OK leaves the unit list on the unit saved, with the
// relationship list on its relationships.
TEST_F(UnitMenu, NewAndEditEndOnTheUnitSaved)
{
    select({"1"});
    QString caption;
    onNextDialog<TUnitEditForm>([&caption](TUnitEditForm* form) {
        caption = form->windowTitle();
        QTest::keyClicks(form->NameEdit, QStringLiteral("9"));
        QTest::mouseClick(form->OKButton, Qt::LeftButton);
    });
    trigger("UnitsNew");
    EXPECT_EQ(caption, QStringLiteral("Edit unit data"));
    EXPECT_EQ(unitNames(), QStringList({"1", "2", "3", "9"}));
    EXPECT_EQ(session.units().str(uf::Unitname), QStringLiteral("9"));

    // Edit of 2, renamed to 7: every row follows the new name.
    select({"2"});
    onNextDialog<TUnitEditForm>([](TUnitEditForm* form) {
        form->NameEdit->selectAll();
        QTest::keyClicks(form->NameEdit, QStringLiteral("7"));
        QTest::mouseClick(form->OKButton, Qt::LeftButton);
    });
    trigger("UnitsEdit");
    EXPECT_EQ(unitNames(), QStringList({"1", "3", "7", "9"}));
    EXPECT_EQ(session.units().str(uf::Unitname), QStringLiteral("7"));
    EXPECT_EQ(relationRows(), QStringList({"1<3", "3>1", "3>7", "7<3"}));
}

// A split group's members may move to the new group.
TEST_F(UnitMenu, SplittingAGroupOffersItsMembersToTheNewGroup)
{
    addUnit(QStringLiteral("A"), QStringLiteral("G"), kGroup);
    ASSERT_EQ(AddRelationship(session, {"A", "1"}, {"A", "G"}, category::PartOf, QString(), level::Silent),
              AddResult::Stored);
    ASSERT_EQ(AddRelationship(session, {"A", "2"}, {"A", "G"}, category::PartOf, QString(), level::Silent),
              AddResult::Stored);
    window->refreshLists();
    select({"G"});
    QStringList offered;
    onNextDialog<TUnitEditForm>([&offered](TUnitEditForm* form) {
        form->NameEdit->selectAll();
        QTest::keyClicks(form->NameEdit, QStringLiteral("H"));
        onNextDialog<TReassignForm>([&offered](TReassignForm* reassign) {
            for (int i = 0; i < reassign->leftTree()->topLevelItemCount(); ++i)
                offered << reassign->leftTree()->topLevelItem(i)->text(1);
            reassign->leftTree()->setCurrentItem(reassign->leftTree()->topLevelItem(1));
            QTest::mouseClick(reassign->moveRightButton(), Qt::LeftButton);
            QTest::mouseClick(reassign->okButton(), Qt::LeftButton);
        });
        QTest::mouseClick(form->OKButton, Qt::LeftButton);
    });
    trigger("UnitsSplit");
    EXPECT_EQ(offered, QStringList({"1", "2"}));
    EXPECT_EQ(unitNames(), QStringList({"1", "2", "3", "G", "H"}));
    EXPECT_TRUE(relationRows().contains(QStringLiteral("1pG")));
    EXPECT_TRUE(relationRows().contains(QStringLiteral("2pH")));
    EXPECT_FALSE(relationRows().contains(QStringLiteral("2pG")));
}

} // namespace
