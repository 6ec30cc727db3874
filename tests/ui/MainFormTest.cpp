#include "store/ProjectFixture.h"
#include "store/Settings.h"
#include "store/forms/StoreCommands.h"
#include "store/forms/TFieldConfigForm.h"
#include "store/forms/TNewProjectForm.h"
#include "ui/QtUserInterface.h"
#include "ui/TableListModel.h"
#include "ui/UiSupport.h"
#include "views/forms/TMainForm.h"
#include <QAction>
#include <QCoreApplication>
#include <QGroupBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QRadioButton>
#include <QScrollBar>
#include <QSplitter>
#include <QTest>
#include <QMenu>
#include <QStatusTipEvent>
#include <QStyledItemDelegate>
#include <QTableView>
#include <set>

using namespace belvanto;

namespace {

class MainFormTest : public belvanto::testing::ProjectFixture {
protected:
    void SetUp() override
    {
        createProject(QStringLiteral("Site"));
        addUnit(QStringLiteral("A"), QStringLiteral("1"));
        addUnit(QStringLiteral("A"), QStringLiteral("2"));
        addUnit(QStringLiteral("B"), QStringLiteral("1"));
        addRelation({QStringLiteral("A"), QStringLiteral("1")}, {QStringLiteral("A"), QStringLiteral("2")}, QLatin1Char('>'));
        addRelation({QStringLiteral("B"), QStringLiteral("1")}, {QStringLiteral("A"), QStringLiteral("2")}, QLatin1Char('>'));
        projectFile = session.project().ProjectFilePath;
        CloseProject(session, true);
        form = std::make_unique<TMainForm>(session);
        RegisterStoreCommands(form->commands());
    }
    void TearDown() override
    {
        form.reset();
        ui.verifyDone();
    }
    bool enabled(const char* name) const { return form->command(QString::fromLatin1(name))->isEnabled(); }
    bool menuShown(const char* name) const
    {
        return form->findChild<QMenu*>(QString::fromLatin1(name))->menuAction()->isVisible();
    }
    void open() { ASSERT_TRUE(form->openProject(projectFile)); }

    QString projectFile;
    std::unique_ptr<TMainForm> form;
};

} // namespace

TEST_F(MainFormTest, CaptionFollowsTheProject)
{
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Belvanto 1.5"));
    open();
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Belvanto 1.5 - Site"));
    form->command(QStringLiteral("FileClose"))->trigger();
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Belvanto 1.5"));
}

TEST_F(MainFormTest, ImportOnlyWithoutProjectExportOnlyWithOne)
{
    // Both belong to a later window; installed, the rules decide.
    form->commands().add(QStringLiteral("FileImport"), [](Session&, QWidget*) {});
    form->commands().add(QStringLiteral("FileExport"), [](Session&, QWidget*) {});
    form->commands().add(QStringLiteral("FileHtmlReport"), [](Session&, QWidget*) {});
    form->commands().add(QStringLiteral("FilePrint"), [](Session&, QWidget*) {});
    EXPECT_TRUE(enabled("FileImport"));
    for (const char* name : {"FileNew", "FileOpen", "FilePrinterSetup", "FileExit", "HelpTopics", "HelpFind",
                             "HelpUsing", "HelpAbout"})
        EXPECT_TRUE(enabled(name)) << name;
    for (const char* name : {"FileExport", "FileHtmlReport", "FilePrint", "FileRefresh", "FileAddProject",
                             "FileSaveCopy", "FileDelete", "FileClose"})
        EXPECT_FALSE(enabled(name)) << name;
    for (const char* menu : {"UnitsMenu", "RelationsMenu", "DiagramMenu", "FilterMenu", "ConfigureMenu"})
        EXPECT_FALSE(menuShown(menu)) << menu;
    EXPECT_FALSE(form->unitList()->isVisibleTo(form.get()));

    open();
    EXPECT_FALSE(enabled("FileImport"));
    for (const char* name : {"FileExport", "FileHtmlReport", "FilePrint", "FileRefresh", "FileAddProject",
                             "FileSaveCopy", "FileDelete", "FileClose", "UnitsFind", "UnitsCount", "ConfigureFields"})
        EXPECT_TRUE(enabled(name)) << name;
    for (const char* menu : {"UnitsMenu", "RelationsMenu", "DiagramMenu", "FilterMenu", "ConfigureMenu"})
        EXPECT_TRUE(menuShown(menu)) << menu;
    EXPECT_TRUE(form->unitList()->isVisibleTo(form.get()));
}

TEST_F(MainFormTest, CommandsOfLaterWindowsStayDisabledUntilInstalled)
{
    open();
    for (const char* name : {"UnitsNew", "UnitsEdit", "RelationsAdd", "DiagramLayout", "FilterNone", "FileSimulate"})
        EXPECT_FALSE(enabled(name)) << name;
    // Conditions hold beyond being built: no layout, no term file yet.
    int runs = 0;
    form->commands().add(QStringLiteral("UnitsEdit"), [&](Session&, QWidget*) { ++runs; });
    form->commands().add(QStringLiteral("DiagramDisplay"), [&](Session&, QWidget*) { ++runs; });
    form->commands().add(QStringLiteral("TermsShowList"), [&](Session&, QWidget*) { ++runs; });
    EXPECT_TRUE(enabled("UnitsEdit"));
    EXPECT_FALSE(enabled("DiagramDisplay"));
    EXPECT_FALSE(enabled("TermsShowList"));
    // The context entry runs the same command.
    auto* entry = form->findChild<QAction*>(QStringLiteral("UnitsEditEntry"));
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->text(), QStringLiteral("&Edit"));
    EXPECT_TRUE(entry->isEnabled());
    entry->trigger();
    form->command(QStringLiteral("UnitsEdit"))->trigger();
    EXPECT_EQ(runs, 2);
}

TEST_F(MainFormTest, SelectionCommandsGetTheSelectedRowsOfTheirOwnList)
{
    open();
    std::vector<qint64> units;
    std::vector<qint64> relations;
    QWidget* parent = nullptr;
    form->commands().add(QStringLiteral("UnitsDelete"), ListSelection::Units,
                         [&](Session&, QWidget* window, const std::vector<qint64>& rowids) {
                             parent = window;
                             units = rowids;
                         });
    form->commands().add(QStringLiteral("RelationsRemove"), ListSelection::Relations,
                         [&](Session&, QWidget*, const std::vector<qint64>& rowids) { relations = rowids; });
    auto select = [](QTableView* view, std::initializer_list<int> rows) {
        view->clearSelection();
        for (int row : rows)
            view->selectionModel()->select(view->model()->index(row, 0),
                                           QItemSelectionModel::Select | QItemSelectionModel::Rows);
    };
    // Each list is reloaded after a command, so each selection is made just before.
    select(form->unitList(), {0, 2});
    select(form->relationList(), {3});
    form->command(QStringLiteral("UnitsDelete"))->trigger();
    EXPECT_EQ(units, (std::vector<qint64>{form->unitModel()->rowidAt(0), form->unitModel()->rowidAt(2)}));
    EXPECT_EQ(parent, form.get());
    select(form->unitList(), {1});
    select(form->relationList(), {3});
    form->command(QStringLiteral("RelationsRemove"))->trigger();
    EXPECT_EQ(relations, std::vector<qint64>{form->relationModel()->rowidAt(3)});
}

TEST_F(MainFormTest, EveryShortcutBelongsToOneCommand)
{
    std::set<QString> seen;
    for (QAction* a : form->findChildren<QAction*>()) {
        if (a->shortcut().isEmpty()) continue;
        EXPECT_TRUE(seen.insert(a->shortcut().toString()).second) << qPrintable(a->shortcut().toString());
    }
    EXPECT_EQ(form->command(QStringLiteral("UnitsNew"))->shortcut(), QKeySequence(Qt::Key_F2));
    EXPECT_TRUE(form->command(QStringLiteral("DiagramNavigate"))->shortcut().isEmpty());
    EXPECT_EQ(form->command(QStringLiteral("FileNew"))->text(), QStringLiteral("&New project..."));
    EXPECT_EQ(form->command(QStringLiteral("FileImport"))->shortcut(), QKeySequence(QStringLiteral("Ctrl+I")));
    EXPECT_EQ(form->command(QStringLiteral("FileRefresh"))->statusTip(),
              QStringLiteral("Reload project when selecting a unit or relationship does not work any more"));
}

TEST_F(MainFormTest, ListsShowTheTablesAndFollowTheCurrentUnit)
{
    open();
    EXPECT_EQ(form->unitModel()->rowCount(), 3);
    EXPECT_EQ(form->relationModel()->rowCount(), 4);
    auto cell = [](QTableView* view, int row, int column) { return view->model()->index(row, column).data().toString(); };
    EXPECT_EQ(cell(form->unitList(), 2, uf::Excavation), QStringLiteral("B"));
    EXPECT_EQ(form->unitList()->model()->headerData(uf::Unitname, Qt::Horizontal).toString(), QStringLiteral("Unit name"));
    EXPECT_FALSE(form->unitList()->isColumnHidden(uf::Excavation));
    EXPECT_TRUE(form->unitList()->isColumnHidden(uf::XMinCoord));
    EXPECT_TRUE(form->unitList()->isColumnHidden(uf::Selected));

    // Choosing B:1 moves the relationship list to B:1's first relationship.
    form->unitList()->setCurrentIndex(form->unitModel()->index(2, uf::Unitname));
    EXPECT_EQ(session.units().str(uf::Excavation), QStringLiteral("B"));
    const int relRow = form->relationList()->currentIndex().row();
    EXPECT_EQ(cell(form->relationList(), relRow, 0), QStringLiteral("B"));
    EXPECT_EQ(session.relations().str(0), QStringLiteral("B"));

    // A filter set by a command shows in the list after the command.
    form->runCommand([&] { session.units().setFilter(QStringLiteral("Excavation = 'A'")); });
    EXPECT_EQ(form->unitModel()->rowCount(), 2);
}

TEST_F(MainFormTest, NumbersShowWithTheSameDecimals)
{
    open();
    auto* floats = qobject_cast<QStyledItemDelegate*>(form->unitList()->itemDelegateForColumn(uf::XAvgCoord));
    auto* integers = qobject_cast<QStyledItemDelegate*>(form->unitList()->itemDelegateForColumn(uf::AvgYear));
    ASSERT_TRUE(floats);
    ASSERT_TRUE(integers);
    EXPECT_EQ(form->unitList()->itemDelegateForColumn(uf::Unitname), nullptr);
    const QLocale c = QLocale::c();
    EXPECT_EQ(floats->displayText(QStringLiteral("12.5"), c), QStringLiteral("12.50"));
    EXPECT_EQ(floats->displayText(QStringLiteral("3"), c), QStringLiteral("3.00"));
    EXPECT_EQ(floats->displayText(QStringLiteral("0.126"), c), QStringLiteral("0.13"));
    EXPECT_EQ(floats->displayText(QString(), c), QString());
    EXPECT_EQ(integers->displayText(QStringLiteral("-250"), c), QStringLiteral("-250"));
}

TEST_F(MainFormTest, SingleExcavationHidesTheExcavationColumns)
{
    open();
    session.project().SingleExcavation = true;
    session.notifyStateChanged();
    EXPECT_TRUE(form->unitList()->isColumnHidden(uf::Excavation));
    EXPECT_TRUE(form->relationList()->isColumnHidden(0));
    EXPECT_TRUE(form->relationList()->isColumnHidden(2));
    EXPECT_FALSE(form->relationList()->isColumnHidden(1));
    EXPECT_FALSE(enabled("ConfigureExcavation") && form->commands().registered(QStringLiteral("ConfigureExcavation")));
}

TEST_F(MainFormTest, TreeViewTakesTheListsPlace)
{
    open();
    QWidget tree;
    form->showHierarchyView(&tree);
    EXPECT_TRUE(form->command(QStringLiteral("ConfigureShowHierarchy"))->isChecked());
    EXPECT_FALSE(form->command(QStringLiteral("ConfigureShowUnitList"))->isChecked());
    EXPECT_FALSE(menuShown("FilterMenu"));
    EXPECT_FALSE(enabled("FileAddProject"));
    EXPECT_TRUE(form->unitList()->isHidden());
    // "Show unit list" switches back.
    form->command(QStringLiteral("ConfigureShowUnitList"))->trigger();
    EXPECT_EQ(form->hierarchyView(), nullptr);
    EXPECT_TRUE(menuShown("FilterMenu"));
    EXPECT_TRUE(enabled("FileAddProject"));
    EXPECT_FALSE(form->unitList()->isHidden());
    EXPECT_TRUE(tree.isHidden());
}

TEST_F(MainFormTest, NewProjectCommandCreatesAndOpensTheProject)
{
    const QString file = path(QStringLiteral("Fresh.bvp"));
    belvanto::testing::onNextModal([&](QWidget* dialog) {
        auto* form = qobject_cast<TNewProjectForm*>(dialog);
        ASSERT_TRUE(form);
        form->projectFileEdit()->setText(file);
        form->excavationEdit()->setText(QStringLiteral("Trench"));
        form->accept();
    });
    form->command(QStringLiteral("FileNew"))->trigger();
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Belvanto 1.5 - Fresh"));
    EXPECT_EQ(session.project().CurrentExcavation, QStringLiteral("Trench"));
    EXPECT_EQ(form->unitModel()->rowCount(), 0);
    // Cancelled, nothing is left of the attempt.
    form->command(QStringLiteral("FileClose"))->trigger();
    belvanto::testing::onNextModal([](QWidget* dialog) { static_cast<QDialog*>(dialog)->reject(); });
    form->command(QStringLiteral("FileNew"))->trigger();
    EXPECT_FALSE(session.project().isOpen());
    EXPECT_TRUE(session.project().CurrentExcavation.isEmpty());
}

TEST_F(MainFormTest, FieldConfigurationCanMakeAOneExcavationProjectSingle)
{
    open();
    // Two excavations: the composition is not offered.
    belvanto::testing::onNextModal([](QWidget* dialog) {
        auto* config = qobject_cast<TFieldConfigForm*>(dialog);
        ASSERT_TRUE(config);
        EXPECT_TRUE(config->compositionGroup()->isHidden());
        config->reject();
    });
    form->command(QStringLiteral("ConfigureFields"))->trigger();
    // One excavation left: offered, and choosing it hides the column.
    form->runCommand([&] {
        ASSERT_TRUE(session.units().locate(QStringLiteral("Excavation;Unitname"), {QStringLiteral("B"), QStringLiteral("1")}));
        session.units().del();
    });
    belvanto::testing::onNextModal([](QWidget* dialog) {
        auto* config = qobject_cast<TFieldConfigForm*>(dialog);
        ASSERT_TRUE(config);
        EXPECT_FALSE(config->compositionGroup()->isHidden());
        config->singleRadio()->setChecked(true);
        config->accept();
    });
    form->command(QStringLiteral("ConfigureFields"))->trigger();
    EXPECT_TRUE(session.project().SingleExcavation);
    EXPECT_TRUE(form->unitList()->isColumnHidden(uf::Excavation));
}

TEST_F(MainFormTest, CountWithFilterReportsBothAndKeepsTheFilter)
{
    open();
    session.units().setFilter(QStringLiteral("Excavation = 'B'"));
    ui.expectInformation(QStringLiteral("Project Site consists of 3 units.\r\nAfter filtering, 1 units are displayed."), 94);
    form->command(QStringLiteral("UnitsCount"))->trigger();
    EXPECT_TRUE(session.units().filtered());
    EXPECT_EQ(session.units().count(), 1);
    session.units().setFilter(QString());
    ui.expectInformation(QStringLiteral("Project Site consists of 3 units."), 94);
    form->command(QStringLiteral("UnitsCount"))->trigger();
}

TEST_F(MainFormTest, FindUnitSelectsTheUnitOrBeeps)
{
    open();
    ui.expectInput().withPrompt(QStringLiteral("Enter excavation name:unit name or unit name")).answer(QStringLiteral("B:"));
    form->command(QStringLiteral("UnitsFind"))->trigger();
    EXPECT_EQ(form->unitList()->currentIndex().row(), 2);
    EXPECT_EQ(session.units().str(uf::Excavation), QStringLiteral("B"));
    ui.expectInput().answer(QStringLiteral("Z:9"));
    form->command(QStringLiteral("UnitsFind"))->trigger();
    EXPECT_EQ(ui.beeps(), 1);
    EXPECT_EQ(ui.notices(), QStringList{QStringLiteral("Find unit: no unit matches \"Z:9\".")});
    EXPECT_EQ(session.units().str(uf::Excavation), QStringLiteral("B"));
}

TEST_F(MainFormTest, FileCommandsWithoutMessagesSayWhatTheyDid)
{
    open();
    form->command(QStringLiteral("FilePack"))->trigger();
    form->command(QStringLiteral("FileRefresh"))->trigger();
    EXPECT_EQ(ui.notices(), QStringList({QStringLiteral("Tables packed: 3 units, 4 relationship rows."),
                                         QStringLiteral("Project Site reloaded: 3 units, 4 relationship rows.")}));
    const QString copy = path(QStringLiteral("Copy.bvp"));
    ui.expectSaveFile().answer(copy);
    form->command(QStringLiteral("FileSaveCopy"))->trigger();
    EXPECT_EQ(ui.notices().last(), QStringLiteral("Project copy saved as %1.").arg(NativePath(copy)));
}

TEST_F(MainFormTest, FirstStartShowsTheRelationshipListWholeAndRecordsTheSplit)
{
    // No settings: the defaults decide.
    form->resize(1000, 680);
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    open();
    form->unitList()->setCurrentIndex(form->unitModel()->index(2, uf::Unitname));
    QApplication::processEvents();
    QTableView* relations = form->relationList();
    EXPECT_EQ(relations->horizontalScrollBar()->value(), 0);
    int needed = 0;
    for (int column = 0; column < relations->model()->columnCount(); ++column)
        if (!relations->isColumnHidden(column)) needed += relations->columnWidth(column);
    EXPECT_LE(needed, relations->viewport()->width());
    auto* splitter = form->findChild<QSplitter*>(QStringLiteral("Splitter"));
    EXPECT_EQ(form->currentSettings().splitterPos, splitter->sizes().constFirst());
    // A resized window moves the split; the settings record where it is.
    form->resize(1200, 680);
    QApplication::processEvents();
    EXPECT_EQ(form->currentSettings().splitterPos, splitter->sizes().constFirst());
    EXPECT_GE(relations->viewport()->width(), needed);
}

TEST_F(MainFormTest, RecentProjectsStandAboveExit)
{
    open();
    form->command(QStringLiteral("FileClose"))->trigger();
    const QList<QAction*> actions = form->fileMenu()->actions();
    const qsizetype exit = actions.indexOf(form->command(QStringLiteral("FileExit")));
    ASSERT_GE(exit, 3);
    EXPECT_TRUE(actions[exit - 1]->isSeparator());
    EXPECT_EQ(actions[exit - 2]->text(), RecentProjectCaption(1, NativePath(projectFile), QDir::separator()));
    EXPECT_TRUE(actions[exit - 3]->isSeparator());
    // Choosing the entry opens the project.
    actions[exit - 2]->trigger();
    EXPECT_TRUE(session.project().isOpen());
}

TEST_F(MainFormTest, ClosingTheWindowClosesTheProjectAndWritesSettings)
{
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("Belvanto.ini"));
    AppSettings start;
    start.width = 800;
    start.height = 500;
    start.splitterPos = 300;
    form->applySettings(start);
    form->setSettingsPath(ini);
    open();
    session.catalogue()[uf::Location].TabView = false;   // a field configuration to keep
    QFile::remove(projectFile);
    form->close();
    EXPECT_FALSE(session.project().isOpen());
    EXPECT_TRUE(QFile::exists(projectFile));
    const auto written = ReadSettings(ini);
    ASSERT_TRUE(written);
    EXPECT_EQ(written->width, 800);
    EXPECT_EQ(written->height, 500);
    EXPECT_FALSE(written->maximized);
    EXPECT_EQ(written->recent, QStringList{projectFile});
}

TEST(MainFormStatus, UnitsLoadedThenHintsWithPersistentText)
{
    QTemporaryDir dir;
    QtUserInterface ui;
    FixedRegional regional;
    Session session(ui, regional);
    const QString file = dir.filePath(QStringLiteral("Dig.bvp"));
    ASSERT_TRUE(CreateProjectFiles(session, file, QStringLiteral("A"), QString(), false));
    for (const char* name : {"1", "2", "3", "4", "5"}) {
        session.units().insert();
        session.units().set(uf::Excavation, QStringLiteral("A"));
        session.units().set(uf::Unitname, QString::fromLatin1(name));
        session.units().post();
    }
    CloseProject(session, true);
    TMainForm form(session);
    ASSERT_TRUE(form.openProject(file));
    EXPECT_EQ(form.statusText(), QStringLiteral("5 units loaded"));
    EXPECT_TRUE(form.persistentStatus().isEmpty());
    auto hint = [&](const QString& tip) {
        QStatusTipEvent e(tip);
        QCoreApplication::sendEvent(&form, &e);
        return form.statusText();
    };
    EXPECT_EQ(hint(QStringLiteral("List of Relationships")), QStringLiteral("List of Relationships"));
    ui.status(QStringLiteral("Filter: excavation A"));
    EXPECT_EQ(hint(QStringLiteral("List of Relationships")), QStringLiteral("List of Relationships | Filter: excavation A"));
    EXPECT_EQ(hint(QString()), QStringLiteral("Filter: excavation A"));
}
