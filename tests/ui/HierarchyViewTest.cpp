// The main window's group hierarchy view: "Show group hierarchy" and "Show
// unit list".
#include "checks/forms/THierarchyConfigForm.h"
#include "store/ProjectFixture.h"
#include "ui/HierarchyTreeModel.h"
#include "ui/TableListModel.h"
#include "ui/UiSupport.h"
#include "views/forms/TMainForm.h"
#include <QAction>
#include <QCheckBox>
#include <QPushButton>
#include <QMenu>
#include <QTableView>
#include <QTest>
#include <QTreeView>

using namespace belvanto;

namespace {

class HierarchyViewTest : public belvanto::testing::ProjectFixture {
protected:
    void SetUp() override
    {
        createProject(QStringLiteral("Site"), QStringLiteral("A"));
        const QString a = QStringLiteral("A");
        addUnit(a, QStringLiteral("100"));
        addUnit(a, QStringLiteral("101"));
        addUnit(a, QStringLiteral("102"));
        addUnit(a, QStringLiteral("Hof"), kGroup);
        addUnit(a, QStringLiteral("Haus"), kGroup);
        addRelation({a, QStringLiteral("100")}, {a, QStringLiteral("101")}, QLatin1Char('>'));
        addRelation({a, QStringLiteral("101")}, {a, QStringLiteral("102")}, QLatin1Char('>'));
        addRelation({a, QStringLiteral("101")}, {a, QStringLiteral("Haus")}, QLatin1Char('p'));
        addRelation({a, QStringLiteral("Haus")}, {a, QStringLiteral("Hof")}, QLatin1Char('p'));
        const QString file = session.project().ProjectFilePath;
        CloseProject(session, true);
        form = std::make_unique<TMainForm>(session);
        // Commands of other windows, so that the view's enabling shows.
        for (const char* name : {"UnitsMerge", "UnitsCombine", "RelationsTestPair", "FileAddProject"})
            form->commands().add(QString::fromLatin1(name), [](Session&, QWidget*) {});
        form->setHierarchyOptionsDialog([this](QWidget*) {
            ++asked;
            return answer;
        });
        ASSERT_TRUE(form->openProject(file));
    }
    void TearDown() override
    {
        form.reset();
        ui.verifyDone();
    }

    void show(const char* name) { form->command(QString::fromLatin1(name))->trigger(); }
    bool enabled(const char* name) const { return form->command(QString::fromLatin1(name))->isEnabled(); }
    bool filterMenuShown() const { return form->findChild<QMenu*>(QStringLiteral("FilterMenu"))->menuAction()->isVisible(); }
    bool treeShown() const { return form->hierarchyView() == form->groupTree(); }
    QString current() const { return form->groupTree()->currentIndex().data().toString(); }
    // The relationship row the list stands on, as "first unit name>second".
    QString currentRelation() const
    {
        const QModelIndex index = form->relationList()->currentIndex();
        if (!index.isValid()) return QString();
        auto cell = [&](int column) { return index.siblingAtColumn(column).data().toString(); };
        return cell(rel::Unitname1) + cell(rel::RelationCat) + cell(rel::Unitname2);
    }
    // The expanded tree, two blanks per depth.
    QStringList rows() const
    {
        QStringList lines;
        std::function<void(const QModelIndex&, int)> walk = [&](const QModelIndex& parent, int depth) {
            const QAbstractItemModel* model = form->groupTree()->model();
            for (int r = 0; r < model->rowCount(parent); ++r) {
                const QModelIndex index = model->index(r, 0, parent);
                EXPECT_TRUE(form->groupTree()->isExpanded(index) || model->rowCount(index) == 0);
                lines << QString(depth * 2, QLatin1Char(' ')) + index.data().toString();
                walk(index, depth + 1);
            }
        };
        walk({}, 0);
        return lines;
    }

    std::unique_ptr<TMainForm> form;
    std::optional<HierarchyOptions> answer = HierarchyOptions{};
    int asked = 0;
};

} // namespace

TEST_F(HierarchyViewTest, TreeReplacesTheListExpandedWithTheFirstNodeSelected)
{
    show("ConfigureShowHierarchy");
    EXPECT_EQ(asked, 1);
    ASSERT_TRUE(treeShown());
    EXPECT_TRUE(form->command(QStringLiteral("ConfigureShowHierarchy"))->isChecked());
    EXPECT_TRUE(form->unitList()->isHidden());
    EXPECT_EQ(rows(), QStringList({"A:100", "A:102", "A:Hof", "  A:Haus", "    A:101"}));
    EXPECT_EQ(current(), QStringLiteral("A:100"));
    EXPECT_TRUE(form->groupTree()->selectionModel()->isSelected(form->groupTree()->currentIndex()));
    EXPECT_EQ(form->groupTree()->statusTip(), QStringLiteral("Units: Tree view"));
    EXPECT_EQ(currentRelation(), QStringLiteral("100>101"));
    EXPECT_EQ(session.hierarchyState, kHierarchyWithContexts);

    // Filters and the commands that need the list are off.
    EXPECT_FALSE(filterMenuShown());
    for (const char* name : {"UnitsMerge", "UnitsCombine", "RelationsTestPair", "FileAddProject"})
        EXPECT_FALSE(enabled(name)) << name;
    EXPECT_TRUE(enabled("UnitsCount"));

    // Once built, the tree is rebuilt with the same options, unasked.
    show("ConfigureShowHierarchy");
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(treeShown());
}

TEST_F(HierarchyViewTest, ClickingANodePositionsTheRelationshipListLikeClickingAUnit)
{
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    show("ConfigureShowHierarchy");
    HierarchyTreeModel* model = form->groupTreeModel();
    auto nodeNamed = [&](const QString& text) {
        for (int n = 0; n < model->tree().size(); ++n)
            if (model->tree().node(n).text == text) return model->indexOf(n);
        return QModelIndex();
    };
    struct Case {
        const char* node;
        const char* relation;
        const char* unit;
    };
    const Case cases[] = {
        {"A:101", "101<100", "101"},
        {"A:102", "102<101", "102"},
        // A group's own first row: Haus is part of Hof.
        {"A:Haus", "HauspHof", "Haus"},
    };
    for (const Case& c : cases) {
        const QModelIndex index = nodeNamed(QString::fromLatin1(c.node));
        ASSERT_TRUE(index.isValid()) << c.node;
        QTest::mouseClick(form->groupTree()->viewport(), Qt::LeftButton, {}, form->groupTree()->visualRect(index).center());
        EXPECT_EQ(current(), QString::fromLatin1(c.node));
        EXPECT_EQ(currentRelation(), QString::fromLatin1(c.relation)) << c.node;
        EXPECT_EQ(session.units().str(uf::Unitname), QString::fromLatin1(c.unit)) << c.node;
    }
}

TEST_F(HierarchyViewTest, ReturningToTheListClearsTheTreeAndGoesToTheFirstRecords)
{
    show("ConfigureShowHierarchy");
    form->groupTree()->setCurrentIndex(form->groupTreeModel()->index(1, 0));
    ASSERT_EQ(session.units().str(uf::Unitname), QStringLiteral("102"));
    show("ConfigureShowUnitList");
    EXPECT_FALSE(treeShown());
    EXPECT_TRUE(form->command(QStringLiteral("ConfigureShowUnitList"))->isChecked());
    EXPECT_FALSE(form->unitList()->isHidden());
    EXPECT_TRUE(ui.statuses().contains(QStringLiteral("Returning to unit list display")));
    EXPECT_EQ(form->groupTreeModel()->rowCount(), 0);
    EXPECT_EQ(session.units().str(uf::Unitname), QStringLiteral("100"));
    EXPECT_EQ(session.relations().recNo(), 1);
    EXPECT_EQ(form->unitList()->currentIndex().row(), 0);
    EXPECT_TRUE(filterMenuShown());
    for (const char* name : {"UnitsMerge", "UnitsCombine", "RelationsTestPair", "FileAddProject"})
        EXPECT_TRUE(enabled(name)) << name;
    // The options are asked for again.
    EXPECT_EQ(session.hierarchyState, kHierarchyNone);
    show("ConfigureShowHierarchy");
    EXPECT_EQ(asked, 2);
}

TEST_F(HierarchyViewTest, CancelOrAFailedBuildKeepsTheUnitList)
{
    answer.reset();
    show("ConfigureShowHierarchy");
    EXPECT_FALSE(treeShown());
    EXPECT_TRUE(form->command(QStringLiteral("ConfigureShowUnitList"))->isChecked());
    EXPECT_FALSE(form->command(QStringLiteral("ConfigureShowHierarchy"))->isChecked());

    // A group part of itself: the cycle message, and still the list.
    answer = HierarchyOptions{};
    addRelation({QStringLiteral("A"), QStringLiteral("Hof")}, {QStringLiteral("A"), QStringLiteral("Hof")}, QLatin1Char('p'));
    ui.expectError(QStringLiteral("There is a group cycle. Possible cycle members are:\r\nA:Haus, A:Hof"), 110);
    show("ConfigureShowHierarchy");
    EXPECT_FALSE(treeShown());
    EXPECT_TRUE(form->command(QStringLiteral("ConfigureShowUnitList"))->isChecked());
    EXPECT_FALSE(form->unitList()->isHidden());
}

TEST_F(HierarchyViewTest, ClosingTheProjectTakesTheTreeAway)
{
    show("ConfigureShowHierarchy");
    show("FileClose");
    EXPECT_FALSE(treeShown());
    EXPECT_EQ(form->groupTreeModel()->rowCount(), 0);
}

TEST_F(HierarchyViewTest, FindUnitSearchesTheTree)
{
    show("ConfigureShowHierarchy");
    struct Case {
        const char* text;
        const char* node;   // "" beeps
    };
    const Case cases[] = {{"haus", "A:Haus"}, {"::A:101", "A:101"}, {"A:h", "A:Hof"}, {"B:101", ""}};
    int beeps = 0;
    for (const Case& c : cases) {
        ui.expectInput().answer(QString::fromLatin1(c.text));
        show("UnitsFind");
        if (!*c.node) {
            EXPECT_EQ(ui.beeps(), ++beeps) << c.text;
            continue;
        }
        EXPECT_EQ(current(), QString::fromLatin1(c.node)) << c.text;
    }
}

// Commands on the unit list's selection take the tree's node in its place,
// never the rows left selected in the hidden list.
TEST_F(HierarchyViewTest, SelectionCommandsTakeTheTreesNode)
{
    std::vector<qint64> got;
    form->commands().add(QStringLiteral("UnitsDelete"), ListSelection::Units,
                         [&](Session&, QWidget*, const std::vector<qint64>& rowids) { got = rowids; });
    form->unitList()->selectRow(0);
    show("ConfigureShowHierarchy");
    auto rowidOf = [&](const char* name) {
        return session.units().query(QStringLiteral("Unitname = ?"), {QString::fromLatin1(name)}).front().rowid;
    };
    form->groupTree()->setCurrentIndex(form->groupTreeModel()->index(1, 0));
    show("UnitsDelete");
    EXPECT_EQ(got, std::vector<qint64>{rowidOf("102")});
    form->groupTree()->setCurrentIndex(form->groupTreeModel()->index(2, 0));
    show("UnitsDelete");
    EXPECT_EQ(got, std::vector<qint64>{rowidOf("Hof")});
}

TEST_F(HierarchyViewTest, TheConfigurationDialogDecidesWhatTheTreeHolds)
{
    form->setHierarchyOptionsDialog(AskHierarchyOptions);
    belvanto::testing::onNextModal([](QWidget* modal) {
        auto* dialog = qobject_cast<THierarchyConfigForm*>(modal);
        ASSERT_TRUE(dialog);
        dialog->includeContextsCheck()->click();
        dialog->okButton()->click();
    });
    show("ConfigureShowHierarchy");
    EXPECT_EQ(rows(), QStringList({"A:Hof", "  A:Haus"}));
    EXPECT_EQ(session.hierarchyState, kHierarchyGroups);
}

// Every node can become the current unit: the unit list's filter rests
// while the tree shows and is back with the list.
TEST_F(HierarchyViewTest, UnitFilterRestsWhileTheTreeShows)
{
    session.units().setFilter(QStringLiteral("Unitname = '100'"));
    show("ConfigureShowHierarchy");
    form->groupTree()->setCurrentIndex(form->groupTreeModel()->index(1, 0));
    EXPECT_EQ(session.units().str(uf::Unitname), QStringLiteral("102"));
    show("ConfigureShowUnitList");
    EXPECT_TRUE(session.units().filtered());
    EXPECT_EQ(session.units().count(), 1);
    EXPECT_EQ(form->unitModel()->rowCount(), 1);
}
