#include "views/forms/TMainForm.h"
#include "core/UserInterface.h"
#include "store/Project.h"
#include "store/Relations.h"
#include "store/Session.h"
#include "store/UnitFields.h"
#include "store/forms/TFieldConfigForm.h"
#include "store/forms/TNewProjectForm.h"
#include "ui/Help.h"
#include "ui/HelpTopics.h"
#include "ui/Icons.h"
#include "ui/Printer.h"
#include "ui/QtUserInterface.h"
#include "ui/TableListModel.h"
#include "views/MainCommands.h"
#include "views/forms/TAboutForm.h"
#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QSplitter>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTableView>
#include <QToolBar>
#include <QVBoxLayout>
#include <iterator>

namespace belvanto {

namespace {

// When a command may run, besides being built.
enum class Need { Always, NoProject, Project, TermFile, Diagram, MultiExcavation, UnitView };

struct CommandSpec {
    const char* name;
    const char* menu;        // "File", "Units", ..., "Terms" for the submenu
    const char* caption;
    const char* shortcut;    // "" for none
    const char* hint;
    Need need;
    bool built;              // works in this window already
    bool separatorBefore;
};

// The menus in their order. Commands that other windows provide are listed
// with built = false until installCommand() is called for them.
const CommandSpec kCommands[] = {
    {"FileNew", "File", "&New project...", "Ctrl+N", "Create a new project", Need::Always, true, false},
    {"FileOpen", "File", "&Open project...", "Ctrl+O", "Open an existing project", Need::Always, true, false},
    {"FileRefresh", "File", "&Refresh", "", "Reload project when selecting a unit or relationship does not work any more",
     Need::Project, true, true},
    {"FileAddProject", "File", "A&dd project...", "", "Add the units and relationships of another project to this one",
     Need::UnitView, true, false},
    {"FileSimulate", "File", "&Simulate...", "", "Create a project of simulated test data", Need::Always, false, true},
    {"FileImport", "File", "&Import...", "Ctrl+I", "Import units and relationships into a new project", Need::NoProject,
     false, false},
    {"FileExport", "File", "&Export...", "", "Export the units and relationships of the project", Need::Project, false,
     false},
    {"FileSaveCopy", "File", "Save project copy &as...", "", "Save a copy of the project under another name",
     Need::Project, true, true},
    {"FileSaveTermCopy", "File", "Save &term file copy as...", "", "Save a copy of the linked term file",
     Need::TermFile, false, false},
    {"FilePack", "File", "Pack tables", "", "Remove deleted records from the unit and relationship tables for good",
     Need::Project, true, false},
    {"FileDelete", "File", "De&lete project", "", "Delete the project and all its data files", Need::Project, true,
     false},
    {"FileClose", "File", "&Close project", "", "Close the project", Need::Project, true, false},
    {"FileHtmlReport", "File", "HTML report", "", "Write the units of the project as an HTML report", Need::Project,
     false, true},
    {"FilePrint", "File", "&Print...", "Ctrl+P", "Print reports of the project", Need::Project, false, false},
    {"FilePrinterSetup", "File", "Printer Set&up...", "", "Choose and set up the printer", Need::Always, true, false},
    {"FileExit", "File", "E&xit", "", "Close the project and end Belvanto", Need::Always, true, true},

    {"UnitsNew", "Units", "&New...", "F2", "Enter a new unit", Need::Project, false, false},
    {"UnitsEdit", "Units", "&Edit...", "F3", "Change the data of the current unit", Need::Project, false, false},
    {"UnitsDelete", "Units", "&Delete", "", "Delete the selected units and their relationships", Need::Project, false,
     false},
    {"UnitsCopy", "Units", "C&opy...", "", "Enter a new unit as a copy of the current unit", Need::Project, false,
     false},
    {"UnitsBlankField", "Units", "Bl&ank field...", "", "Clear one field in all listed units", Need::Project, false,
     true},
    {"UnitsSetDefault", "Units", "Set default...", "", "Set one field of all listed units to a value", Need::Project,
     false, false},
    {"UnitsSearchReplace", "Units", "Search/Replace...", "", "Replace a text in one field of all listed units",
     Need::Project, false, false},
    {"UnitsSplit", "Units", "&Split...", "", "Split the current unit into two units", Need::Project, false, true},
    {"UnitsMerge", "Units", "&Merge", "", "Merge the selected units into one", Need::UnitView, false, false},
    {"UnitsCombine", "Units", "Com&bine...", "", "Combine the selected units into a group", Need::UnitView, false,
     false},
    {"UnitsConsecutive", "Units", "&Consecutive numbers...", "", "Enter units with consecutive numbers",
     Need::Project, false, false},
    {"UnitsFind", "Units", "&Find unit...", "Ctrl+F", "Find a unit by its name", Need::Project, true, true},
    {"UnitsSort", "Units", "So&rt...", "", "Sort the unit list by a field", Need::Project, false, false},
    {"UnitsThematic", "Units", "&Thematic style...", "", "Colour the diagram boxes by the values of a field",
     Need::Project, false, false},
    {"UnitsEstimate", "Units", "Estimate center &year...", "", "Estimate center years of contexts from the stratigraphy",
     Need::Project, false, false},
    {"UnitsCount", "Units", "Co&unt", "", "Count the units of the project", Need::Project, true, true},

    {"RelationsAdd", "Relations", "&Add...", "F5", "Add a relationship", Need::Project, false, false},
    {"RelationsChain", "Relations", "&Chain...", "F6", "Add a chain of earlier/later relationships", Need::Project,
     false, false},
    {"RelationsRemove", "Relations", "&Remove", "", "Remove the selected relationships", Need::Project, false, false},
    {"RelationsEdit", "Relations", "&Edit...", "", "Change the comment of the current relationship", Need::Project,
     false, false},
    {"RelationsTestPair", "Relations", "&Test context pair", "", "Test how two contexts are related", Need::UnitView,
     false, true},

    // F2 belongs to "&New..." of the Units menu: two actions with one
    // shortcut would both be dead.
    {"DiagramNavigate", "Diagram", "&Navigate", "", "Walk through the stratigraphic network", Need::Project, false,
     false},
    {"DiagramLayout", "Diagram", "&Layout and check...", "", "Check the project and lay out the Harris diagram",
     Need::Project, false, false},
    {"DiagramDisplay", "Diagram", "&Display Harris diagram", "", "Show the Harris diagram of the last layout",
     Need::Diagram, false, false},

    {"FilterNone", "Filter", "&None", "", "Show all units and relationships", Need::Project, false, false},
    {"FilterExcavation", "Filter", "&Excavation...", "", "Show the units of one excavation", Need::MultiExcavation,
     false, true},
    {"FilterUnitClass", "Filter", "Unit &class...", "", "Show the units of one class", Need::Project, false, false},
    {"FilterField", "Filter", "Other unit &field...", "", "Show the units with a value of a field", Need::Project,
     false, false},
    {"FilterUnrelated", "Filter", "&Unrelated...", "", "Show the units without relationships", Need::Project, false,
     false},
    {"FilterTop", "Filter", "T&op contexts", "", "Show the contexts with no later context", Need::Project, false,
     true},
    {"FilterBottom", "Filter", "&Bottom contexts", "", "Show the contexts with no earlier context", Need::Project,
     false, false},
    {"FilterWithoutGroup", "Filter", "Contexts &without group", "", "Show the contexts that are part of no group",
     Need::Project, false, false},
    {"FilterPartOf", "Filter", "&Part of current unit", "", "Show the units that are part of the current unit",
     Need::Project, false, true},
    {"FilterLater", "Filter", "Show &later contexts", "", "Show the contexts later than the current unit",
     Need::Project, false, false},
    {"FilterEarlier", "Filter", "Show e&arlier contexts", "", "Show the contexts earlier than the current unit",
     Need::Project, false, false},
    {"FilterRelationsOfSelected", "Filter", "&Relations of selected unit(s)", "",
     "Show the relationships of the selected units", Need::Project, false, true},

    {"TermsCreateLoad", "Terms", "&Create or load term file...", "", "Link a term file to the project",
     Need::Project, false, false},
    {"TermsShowList", "Terms", "&Show term list...", "", "Show and edit the terms of the term file", Need::TermFile,
     false, false},
    {"TermsRemoveLink", "Terms", "&Remove link to term file", "", "Use the project without a term file",
     Need::TermFile, false, false},
    {"ConfigureExcavation", "Configure", "Change &excavation...", "", "Move the selected units to another excavation",
     Need::MultiExcavation, false, false},
    {"ConfigureFields", "Configure", "Configure &fields...", "", "Choose the fields shown in the list and in the form",
     Need::Project, true, false},
    {"ConfigureImages", "Configure", "Configure &link to images...", "",
     "Set the folders and name prefixes of photos and drawings", Need::Project, false, false},
    {"ConfigureShowHierarchy", "Configure", "Show group hierarchy", "", "Show the groups and their members as a tree", Need::Project, false,
     true},
    {"ConfigureShowUnitList", "Configure", "Show unit list", "", "Show the list of units", Need::Project, true,
     false},

    {"HelpTopics", "Help", "&Help topics", "F1", "Show the contents of the help", Need::Always, true, false},
    {"HelpFind", "Help", "&Find help", "", "Show the index of the help", Need::Always, true, false},
    {"HelpUsing", "Help", "&Using help", "", "How to use the help window", Need::Always, true, false},
    {"HelpAbout", "Help", "&About...", "", "Program version and memory", Need::Always, true, true},
};

// Tool bar, left to right; "" is a gap.
const char* const kToolBar[] = {"FileNew",     "FileOpen",      "FileClose",     "FilePrint",    "",
                                "UnitsFind",   "TermsShowList", "DiagramNavigate", "",           "UnitsNew",
                                "UnitsEdit",   "UnitsDelete",   "",              "RelationsAdd", "RelationsChain",
                                "RelationsRemove", "",          "DiagramLayout", "DiagramDisplay"};

// Visible order of the relationship list: first unit, category, second unit.
const char* const kRelationTitles[] = {"Excavation", "Unit name", "Excavation", "Unit name",
                                       "Rel.",       "Comment",   "Status"};

} // namespace

struct TMainForm::Command {
    QString name;
    Need need = Need::Always;
    bool built = false;
    std::function<void()> run;
    QAction* action = nullptr;
    QList<QAction*> entries;   // context-menu entries of the same command
};

TMainForm::TMainForm(Session& session, QWidget* parent) : QMainWindow(parent), session_(session)
{
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(kApplicationTitle);
    if (auto* ui = dynamic_cast<QtUserInterface*>(&session_.ui())) {
        ui->setMainWindow(this);
        ui->setStatusSink([this](const QString& text) { setPersistentStatus(text); });
    }
    buildCommands();
    buildMenus();
    buildToolBar();
    buildLists();
    buildContextMenus();

    StatusLabel = new QLabel(this);
    StatusLabel->setObjectName(QStringLiteral("StatusLabel"));
    StatusLabel->setTextFormat(Qt::PlainText);
    statusBar()->addWidget(StatusLabel, 1);
    statusBar()->setSizeGripEnabled(true);

    session_.onStateChanged = [this] { projectStateChanged(); };
    resize(1000, 680);
    updateState();
}

TMainForm::~TMainForm()
{
    session_.onStateChanged = nullptr;
    if (auto* ui = dynamic_cast<QtUserInterface*>(&session_.ui())) ui->setStatusSink({});
    unitModel_->detach();
    relationModel_->detach();
}

// --- commands ---------------------------------------------------------------------------

void TMainForm::buildCommands()
{
    for (const CommandSpec& entry : kCommands) {
        auto c = std::make_unique<Command>();
        c->name = QString::fromLatin1(entry.name);
        c->need = entry.need;
        c->built = entry.built;
        c->action = new QAction(QString::fromLatin1(entry.caption), this);
        c->action->setObjectName(c->name);
        c->action->setStatusTip(QString::fromLatin1(entry.hint));
        c->action->setToolTip(QString(c->action->text()).remove(QLatin1Char('&')).remove(QStringLiteral("...")));
        if (*entry.shortcut) c->action->setShortcut(QKeySequence(QString::fromLatin1(entry.shortcut)));
        c->action->setIcon(commandIcon(c->name));
        c->action->setIconVisibleInMenu(false);
        // Shortcuts work while the menus are closed or hidden.
        addAction(c->action);
        Command* raw = c.get();
        connect(c->action, &QAction::triggered, this, [this, raw] {
            if (raw->run && commandAvailable(*raw)) runCommand(raw->run);
        });
        commands_.emplace(c->name, std::move(c));
    }
    auto built = [this](const char* name, void (TMainForm::*handler)()) {
        Command& c = *commands_.at(QString::fromLatin1(name));
        c.built = true;
        c.run = [this, handler] { (this->*handler)(); };
    };
    built("FileNew", &TMainForm::FileNewClick);
    built("FileOpen", &TMainForm::FileOpenClick);
    built("FileRefresh", &TMainForm::FileRefreshClick);
    built("FileAddProject", &TMainForm::FileAddProjectClick);
    built("FileSaveCopy", &TMainForm::FileSaveCopyClick);
    built("FilePack", &TMainForm::FilePackClick);
    built("FileDelete", &TMainForm::FileDeleteClick);
    built("FileClose", &TMainForm::FileCloseClick);
    built("FilePrinterSetup", &TMainForm::FilePrinterSetupClick);
    built("FileExit", &TMainForm::FileExitClick);
    built("UnitsFind", &TMainForm::UnitsFindClick);
    built("UnitsCount", &TMainForm::UnitsCountClick);
    built("ConfigureFields", &TMainForm::ConfigureFieldsClick);
    built("HelpAbout", &TMainForm::HelpAboutClick);
    commands_.at(QStringLiteral("HelpTopics"))->run = [] { showHelp(HelpTopic(kHelpContents)); };
    commands_.at(QStringLiteral("HelpFind"))->run = [] { showHelp(HelpTopic(kHelpFind)); };
    commands_.at(QStringLiteral("HelpUsing"))->run = [] { showHelp(HelpTopic(kHelpUsing)); };
    // The unit list is the only view until the group hierarchy is built.
    Command& list = *commands_.at(QStringLiteral("ConfigureShowUnitList"));
    Command& tree = *commands_.at(QStringLiteral("ConfigureShowHierarchy"));
    auto* views = new QActionGroup(this);
    views->setExclusive(true);
    for (Command* c : {&list, &tree}) {
        c->action->setCheckable(true);
        views->addAction(c->action);
    }
    list.action->setChecked(true);
    list.run = [this] { showHierarchyView(nullptr); };
}

QAction* TMainForm::command(const QString& name) const
{
    const auto it = commands_.find(name);
    return it == commands_.end() ? nullptr : it->second->action;
}

void TMainForm::installCommand(const QString& name, std::function<void()> run)
{
    const auto it = commands_.find(name);
    if (it == commands_.end()) {
        qWarning("installCommand: no command named %s", qPrintable(name));
        return;
    }
    it->second->built = true;
    it->second->run = std::move(run);
    updateCommands();
}

bool TMainForm::commandBuilt(const QString& name) const
{
    const auto it = commands_.find(name);
    return it != commands_.end() && it->second->built;
}

QStringList TMainForm::commandNames() const
{
    QStringList names;
    for (const CommandSpec& entry : kCommands) names << QString::fromLatin1(entry.name);
    return names;
}

void TMainForm::runCommand(const std::function<void()>& work)
{
    try {
        work();
    } catch (const EngineError& e) {
        session_.ui().error(e.text());
    } catch (const std::exception& e) {
        session_.ui().error(QString::fromLocal8Bit(e.what()));
    }
    if (closing_) return;
    updateState();
    refreshLists();
}

bool TMainForm::commandAvailable(const Command& c) const
{
    const ProjectState& p = session_.project();
    const bool open = p.isOpen();
    switch (c.need) {
    case Need::Always: return true;
    case Need::NoProject: return !open;
    case Need::Project: return open;
    case Need::TermFile: return open && !p.TermFilePath.isEmpty();
    case Need::Diagram: return open && p.DiagramPresent;
    case Need::MultiExcavation: return open && !p.SingleExcavation;
    case Need::UnitView: return open && !hierarchy_;
    }
    return false;
}

void TMainForm::updateCommands()
{
    for (auto& [name, c] : commands_) {
        const bool enabled = c->built && commandAvailable(*c);
        c->action->setEnabled(enabled);
        for (QAction* entry : c->entries) entry->setEnabled(enabled);
    }
    const bool open = session_.project().isOpen();
    for (QMenu* menu : {UnitsMenu, RelationsMenu, DiagramMenu, FilterMenu, ConfigureMenu})
        menu->menuAction()->setVisible(open);
    // Filters work on the list, which the tree replaces.
    FilterMenu->menuAction()->setVisible(open && !hierarchy_);
}

// --- menus, tool bar, lists ----------------------------------------------------------

void TMainForm::buildMenus()
{
    FileMenu = menuBar()->addMenu(QStringLiteral("&File"));
    UnitsMenu = menuBar()->addMenu(QStringLiteral("&Units"));
    RelationsMenu = menuBar()->addMenu(QStringLiteral("&Relations"));
    DiagramMenu = menuBar()->addMenu(QStringLiteral("&Diagram"));
    FilterMenu = menuBar()->addMenu(QStringLiteral("F&ilter"));
    ConfigureMenu = menuBar()->addMenu(QStringLiteral("&Configure"));
    HelpMenu = menuBar()->addMenu(QStringLiteral("&Help"));
    QMenu* terms = ConfigureMenu->addMenu(QStringLiteral("&Terms..."));
    terms->setObjectName(QStringLiteral("TermsMenu"));
    terms->menuAction()->setStatusTip(QStringLiteral("Term file of the project"));
    const std::map<QString, QMenu*> menus{{QStringLiteral("File"), FileMenu},
                                          {QStringLiteral("Units"), UnitsMenu},
                                          {QStringLiteral("Relations"), RelationsMenu},
                                          {QStringLiteral("Diagram"), DiagramMenu},
                                          {QStringLiteral("Filter"), FilterMenu},
                                          {QStringLiteral("Configure"), ConfigureMenu},
                                          {QStringLiteral("Terms"), terms},
                                          {QStringLiteral("Help"), HelpMenu}};
    for (const auto& [name, menu] : menus) menu->setObjectName(name + QStringLiteral("Menu"));
    for (const CommandSpec& entry : kCommands) {
        QMenu* menu = menus.at(QString::fromLatin1(entry.menu));
        if (entry.separatorBefore && !menu->isEmpty()) menu->addSeparator();
        menu->addAction(commands_.at(QString::fromLatin1(entry.name))->action);
    }
    // Menus show hints in the status line, as the tool bar does.
    for (const auto& [name, menu] : menus) menu->setToolTipsVisible(false);
}

void TMainForm::buildToolBar()
{
    ToolBar = addToolBar(QStringLiteral("Tool bar"));
    ToolBar->setObjectName(QStringLiteral("ToolBar"));
    ToolBar->setMovable(false);
    ToolBar->setIconSize(QSize(24, 24));
    for (const char* name : kToolBar) {
        if (!*name) ToolBar->addSeparator();
        else ToolBar->addAction(commands_.at(QString::fromLatin1(name))->action);
    }
}

namespace {

QTableView* makeList(QWidget* parent, const QString& name, const QString& hint)
{
    auto* view = new QTableView(parent);
    view->setObjectName(name);
    view->setStatusTip(hint);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    view->setAlternatingRowColors(true);
    view->setWordWrap(false);
    view->setContextMenuPolicy(Qt::CustomContextMenu);
    view->verticalHeader()->setVisible(false);
    // Fixed row heights: the list never measures rows it does not show.
    view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view->verticalHeader()->setDefaultSectionSize(view->fontMetrics().height() + 6);
    view->horizontalHeader()->setHighlightSections(false);
    view->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    return view;
}

QWidget* makePanel(QWidget* parent, const QString& name, const QString& title, QWidget* list, int minWidth)
{
    auto* panel = new QWidget(parent);
    panel->setObjectName(name);
    panel->setMinimumWidth(minWidth);
    auto* label = new QLabel(title, panel);
    label->setObjectName(name + QStringLiteral("Title"));
    QFont bold = label->font();
    bold.setBold(true);
    label->setFont(bold);
    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(4, 4, 4, 0);
    layout->setSpacing(3);
    layout->addWidget(label);
    layout->addWidget(list, 1);
    list->setParent(panel);
    return panel;
}

// Wide enough for the title and for a typical value of the field.
int columnWidth(const QFontMetrics& fm, const QString& title, FieldType type, int size)
{
    int chars = 10;
    switch (type) {
    case FieldType::String: chars = std::clamp(size, 3, 24); break;
    case FieldType::Integer: chars = 7; break;
    case FieldType::Float: chars = 10; break;
    case FieldType::Date: chars = 10; break;
    }
    return std::max(fm.horizontalAdvance(title) + 18, fm.averageCharWidth() * chars + 12);
}

} // namespace

void TMainForm::buildLists()
{
    Splitter = new QSplitter(Qt::Horizontal, this);
    Splitter->setObjectName(QStringLiteral("Splitter"));
    Splitter->setChildrenCollapsible(false);
    UnitTable = makeList(Splitter, QStringLiteral("UnitTable"), QStringLiteral("Unit list: Double-click to change unit data"));
    RelationTable = makeList(Splitter, QStringLiteral("RelationTable"), QStringLiteral("List of Relationships"));
    UnitPanel = makePanel(Splitter, QStringLiteral("UnitPanel"), QStringLiteral("Units"), UnitTable, 200);
    RelationPanel = makePanel(Splitter, QStringLiteral("RelationPanel"), QStringLiteral("Relationships"), RelationTable, 150);
    Splitter->addWidget(UnitPanel);
    Splitter->addWidget(RelationPanel);
    Splitter->setStretchFactor(0, 1);
    Splitter->setStretchFactor(1, 1);
    setCentralWidget(Splitter);
    connect(Splitter, &QSplitter::splitterMoved, this, [this](int pos, int) { splitterPos_ = pos; });

    const UnitFieldCatalogue& catalogue = session_.catalogue();
    unitModel_ = new TableListModel(session_.units(), session_.regional(),
                                    [&catalogue](int field) { return field < catalogue.size() ? catalogue[field].Label : QString(); },
                                    this);
    relationModel_ = new TableListModel(session_.relations(), session_.regional(),
                                        [](int field) {
                                            return field >= 0 && field < int(std::size(kRelationTitles))
                                                       ? QString::fromLatin1(kRelationTitles[field])
                                                       : QString();
                                        },
                                        this);
    UnitTable->setModel(unitModel_);
    RelationTable->setModel(relationModel_);

    connect(UnitTable->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this] { UnitTableCurrentChanged(); });
    connect(RelationTable->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this] { RelationTableCurrentChanged(); });
    connect(unitModel_, &TableListModel::reloaded, this, &TMainForm::showCurrentUnit);
    connect(relationModel_, &TableListModel::reloaded, this, [this] {
        const int row = relationModel_->rowOf(session_.relations().rowid());
        if (row < 0) return;
        const QModelIndex index = relationModel_->index(row, int(rel::Unitname1));
        syncing_ = true;
        RelationTable->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        RelationTable->scrollTo(index);
        syncing_ = false;
    });
    connect(UnitTable, &QTableView::doubleClicked, this, [this] {
        if (QAction* edit = command(QStringLiteral("UnitsEdit")); edit->isEnabled()) edit->trigger();
    });
    connect(RelationTable, &QTableView::doubleClicked, this, [this] {
        if (QAction* edit = command(QStringLiteral("RelationsEdit")); edit->isEnabled()) edit->trigger();
    });
}

QAction* TMainForm::addContextEntry(QMenu* menu, const QString& caption, const QString& commandName)
{
    Command& c = *commands_.at(commandName);
    QAction* entry = menu->addAction(caption);
    entry->setObjectName(commandName + QStringLiteral("Entry"));
    entry->setStatusTip(c.action->statusTip());
    connect(entry, &QAction::triggered, c.action, &QAction::trigger);
    c.entries << entry;
    return entry;
}

void TMainForm::buildContextMenus()
{
    UnitContextMenu = new QMenu(this);
    UnitContextMenu->setObjectName(QStringLiteral("UnitContextMenu"));
    const std::pair<const char*, const char*> unitEntries[] = {
        {"&Edit", "UnitsEdit"},   {"&Delete", "UnitsDelete"}, {"&Copy", "UnitsCopy"},
        {"&Split", "UnitsSplit"}, {"&New", "UnitsNew"},       {"&Consecutive numbers", "UnitsConsecutive"},
        {"&Merge", "UnitsMerge"}, {"C&ombine", "UnitsCombine"}, {"&Find", "UnitsFind"},
        {"Configure fields", "ConfigureFields"}, {"Count", "UnitsCount"}};
    for (const auto& [caption, name] : unitEntries)
        addContextEntry(UnitContextMenu, QString::fromLatin1(caption), QString::fromLatin1(name));
    RelationContextMenu = new QMenu(this);
    RelationContextMenu->setObjectName(QStringLiteral("RelationContextMenu"));
    const std::pair<const char*, const char*> relationEntries[] = {
        {"&Remove", "RelationsRemove"}, {"&Edit", "RelationsEdit"}, {"&Add", "RelationsAdd"}, {"&Chain", "RelationsChain"}};
    for (const auto& [caption, name] : relationEntries)
        addContextEntry(RelationContextMenu, QString::fromLatin1(caption), QString::fromLatin1(name));
    connect(UnitTable, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { UnitContextMenu->popup(UnitTable->viewport()->mapToGlobal(at)); });
    connect(RelationTable, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { RelationContextMenu->popup(RelationTable->viewport()->mapToGlobal(at)); });
}

void TMainForm::updateColumns()
{
    const UnitFieldCatalogue& catalogue = session_.catalogue();
    const bool single = session_.project().SingleExcavation;
    const QFontMetrics fm = UnitTable->fontMetrics();
    for (int field = 0; field < unitModel_->columnCount(); ++field) {
        const bool visible = field < catalogue.size() && catalogue.listColumnVisible(field)
                             && !(single && field == uf::Excavation);
        UnitTable->setColumnHidden(field, !visible);
        if (visible)
            UnitTable->setColumnWidth(field, columnWidth(fm, catalogue[field].Label, catalogue[field].Type,
                                                         catalogue[field].Size));
    }
    unitModel_->refreshHeaders();
    auto* header = RelationTable->horizontalHeader();
    if (relationModel_->columnCount() > rel::RelationStatus) {
        if (header->visualIndex(rel::RelationCat) != 2) header->moveSection(header->visualIndex(rel::RelationCat), 2);
        for (int field : {int(rel::Excavation1), int(rel::Excavation2)}) RelationTable->setColumnHidden(field, single);
        const auto fields = session_.relations().fields();
        for (int field = 0; field < relationModel_->columnCount(); ++field)
            RelationTable->setColumnWidth(field, columnWidth(fm, QString::fromLatin1(kRelationTitles[field]),
                                                             fields[std::size_t(field)].type, fields[std::size_t(field)].size));
    }
}

// --- state -----------------------------------------------------------------------------

void TMainForm::projectStateChanged()
{
    const bool open = session_.project().isOpen();
    if (open && !wasOpen_) {
        // Opening shows "<n> units loaded" but leaves no persistent text.
        persistent_.clear();
        unitModel_->attach();
        relationModel_->attach();
    } else if (!open && wasOpen_) {
        unitModel_->detach();
        relationModel_->detach();
    }
    wasOpen_ = open;
    updateState();
}

void TMainForm::updateState()
{
    const ProjectState& p = session_.project();
    setWindowTitle(p.isOpen() ? kApplicationTitle + QStringLiteral(" - ") + p.ProjectName : kApplicationTitle);
    Splitter->setVisible(p.isOpen());
    if (p.isOpen()) updateColumns();
    updateCommands();
    rebuildRecentMenu();
}

void TMainForm::showHierarchyView(QWidget* tree)
{
    auto* layout = static_cast<QVBoxLayout*>(UnitPanel->layout());
    if (hierarchy_ && hierarchy_ != tree) {
        layout->removeWidget(hierarchy_);
        hierarchy_->hide();
    }
    hierarchy_ = tree;
    if (tree) {
        if (layout->indexOf(tree) < 0) layout->addWidget(tree, 1);
        tree->show();
    }
    UnitTable->setVisible(!tree);
    command(tree ? QStringLiteral("ConfigureShowHierarchy") : QStringLiteral("ConfigureShowUnitList"))->setChecked(true);
    updateCommands();
}

void TMainForm::refreshLists()
{
    if (unitModel_->attached()) unitModel_->reload();
    if (relationModel_->attached()) relationModel_->reload();
}

void TMainForm::showCurrentUnit()
{
    if (!unitModel_->attached()) return;
    const int row = unitModel_->rowOf(session_.units().rowid());
    if (row < 0) return;
    int column = 0;
    while (column < unitModel_->columnCount() && UnitTable->isColumnHidden(column)) ++column;
    const QModelIndex index = unitModel_->index(row, column);
    syncing_ = true;
    UnitTable->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    UnitTable->scrollTo(index);
    syncing_ = false;
}

void TMainForm::positionRelations()
{
    Table& units = session_.units();
    Table& relations = session_.relations();
    if (!units.isOpen() || !relations.isOpen() || !units.hasRecord()) return;
    if (relations.filtered() && reapplyRelationFilter_) {
        reapplyRelationFilter_();
        return;
    }
    if (!relations.locate(QStringLiteral("Excavation1;Unitname1"), {units.str(uf::Excavation), units.str(uf::Unitname)}))
        return;
    const int row = relationModel_->rowOf(relations.rowid());
    if (row < 0) return;
    const QModelIndex index = relationModel_->index(row, int(rel::Unitname1));
    syncing_ = true;
    RelationTable->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    RelationTable->scrollTo(index, QAbstractItemView::PositionAtTop);
    syncing_ = false;
}

void TMainForm::UnitTableCurrentChanged()
{
    if (syncing_ || unitModel_->stale() || !session_.units().isOpen()) return;
    const qint64 id = unitModel_->rowidAt(UnitTable->currentIndex().row());
    if (id == 0 || session_.units().editing()) return;
    try {
        if (session_.units().gotoRowid(id)) positionRelations();
    } catch (const EngineError& e) {
        session_.ui().error(e.text());
    }
}

void TMainForm::RelationTableCurrentChanged()
{
    if (syncing_ || relationModel_->stale() || !session_.relations().isOpen()) return;
    const qint64 id = relationModel_->rowidAt(RelationTable->currentIndex().row());
    if (id == 0 || session_.relations().editing()) return;
    try {
        session_.relations().gotoRowid(id);
    } catch (const EngineError& e) {
        session_.ui().error(e.text());
    }
}

// --- status line -------------------------------------------------------------------------

void TMainForm::setPersistentStatus(const QString& text)
{
    persistent_ = text;
    StatusLabel->setText(text);
    // Long passes write progress without returning to the event loop.
    StatusLabel->repaint();
}

QString TMainForm::statusText() const
{
    return StatusLabel->text();
}

void TMainForm::showHint(const QString& hint)
{
    if (hint.isEmpty()) StatusLabel->setText(persistent_);
    else if (persistent_.isEmpty()) StatusLabel->setText(hint);
    else StatusLabel->setText(hint + QStringLiteral(" | ") + persistent_);
}

bool TMainForm::event(QEvent* event)
{
    if (event->type() == QEvent::StatusTip) {
        showHint(static_cast<QStatusTipEvent*>(event)->tip());
        return true;
    }
    return QMainWindow::event(event);
}

// --- settings, start and end ------------------------------------------------------------

void TMainForm::applySettings(const AppSettings& settings)
{
    if (settings.width > 0 && settings.height > 0) resize(settings.width, settings.height);
    if (settings.splitterPos > 0) {
        splitterPos_ = settings.splitterPos;
        Splitter->setSizes({splitterPos_, std::max(150, settings.width - splitterPos_)});
    }
    if (settings.maximized) setWindowState(windowState() | Qt::WindowMaximized);
    session_.recent().setPaths(settings.recent);
    rebuildRecentMenu();
}

AppSettings TMainForm::currentSettings() const
{
    AppSettings s;
    s.maximized = isMaximized();
    // The normal size, also while maximized: the next start restores it.
    const QRect normal = isMaximized() && normalGeometry().isValid() ? normalGeometry() : geometry();
    s.height = normal.height();
    s.width = normal.width();
    s.splitterPos = Splitter->isVisible() && !Splitter->sizes().isEmpty() ? Splitter->sizes().constFirst() : splitterPos_;
    s.recent = session_.recent().paths();
    return s;
}

bool TMainForm::openProject(const QString& path)
{
    bool opened = false;
    runCommand([&] { opened = OpenProject(session_, path); });
    return opened;
}

void TMainForm::bringToFront()
{
    if (isMinimized()) setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    show();
    raise();
    activateWindow();
}

void TMainForm::closeEvent(QCloseEvent* event)
{
    closing_ = true;
    // Whichever way the window closes, the project file keeps the field
    // configuration and the layout state, as "E&xit" does.
    if (session_.project().isOpen()) {
        try {
            CloseProject(session_, false);
        } catch (const EngineError& e) {
            session_.ui().error(e.text());
        }
    }
    if (!settingsPath_.isEmpty()) WriteSettings(settingsPath_, currentSettings());
    event->accept();
}

void TMainForm::rebuildRecentMenu()
{
    for (QAction* a : recentActions_) {
        FileMenu->removeAction(a);
        a->deleteLater();
    }
    recentActions_.clear();
    QAction* exit = command(QStringLiteral("FileExit"));
    const QStringList& paths = session_.recent().paths();
    for (int i = 0; i < paths.size(); ++i) {
        const QString native = NativePath(paths[i]);
        auto* entry = new QAction(RecentProjectCaption(i + 1, native, QDir::separator()), FileMenu);
        entry->setObjectName(QStringLiteral("Recent%1").arg(i + 1));
        entry->setStatusTip(native);
        const QString path = paths[i];
        connect(entry, &QAction::triggered, this, [this, path] { runCommand([this, path] { FileRecentClick(path); }); });
        FileMenu->insertAction(exit, entry);
        recentActions_ << entry;
    }
    if (!recentActions_.isEmpty()) {
        QAction* below = new QAction(FileMenu);
        below->setSeparator(true);
        FileMenu->insertAction(exit, below);
        recentActions_ << below;
    }
}

// --- File menu -------------------------------------------------------------------------

void TMainForm::FileNewClick()
{
    if (!BeginNewProject(session_)) return;
    TNewProjectForm form(session_, this);
    const bool ok = form.exec() == QDialog::Accepted && NewProject(session_, form.request());
    if (!ok) session_.project() = ProjectState{};
}

void TMainForm::FileOpenClick()
{
    OpenProject(session_);
}

void TMainForm::FileRecentClick(const QString& path)
{
    OpenProject(session_, path, true);
}

void TMainForm::FileCloseClick()
{
    CloseProject(session_, true);
    if (hierarchy_) showHierarchyView(nullptr);
}

void TMainForm::FileExitClick()
{
    close();
}

void TMainForm::FileDeleteClick()
{
    DeleteProject(session_);
}

void TMainForm::FileSaveCopyClick()
{
    SaveProjectCopy(session_);
}

void TMainForm::FilePackClick()
{
    PackTables(session_);
}

void TMainForm::FileRefreshClick()
{
    RefreshProject(session_);
}

void TMainForm::FileAddProjectClick()
{
    AddProject(session_);
}

void TMainForm::FilePrinterSetupClick()
{
    setupPrinter(this);
}

// --- Units and Configure menus -----------------------------------------------------------

void TMainForm::UnitsFindClick()
{
    const auto text = session_.ui().inputText(kFindUnitTitle, FindUnitPrompt(session_.project().SingleExcavation), QString());
    if (!text) return;
    if (!FindUnit(session_.units(), *text)) {
        session_.ui().beep();
        return;
    }
    if (unitModel_->stale()) unitModel_->reload();
    showCurrentUnit();
    positionRelations();
}

void TMainForm::UnitsCountClick()
{
    Table& units = session_.units();
    std::optional<int> shown;
    int all = 0;
    {
        BookmarkRestore position(units);
        if (units.filtered()) shown = units.count();
        FilterOff unfiltered(units);
        all = units.count();
    }
    session_.ui().message(MessageKind::Information, CountMessage(session_.project().ProjectName, all, shown), Buttons::Ok,
                          HelpTopic(kCountHelpTopic));
}

void TMainForm::ConfigureFieldsClick()
{
    ProjectState& p = session_.project();
    bool oneExcavation = p.SingleExcavation;
    if (!oneExcavation) {
        // The composition may become "single" only while that is true.
        const auto first = session_.units().query(QString(), {}, QStringLiteral("Excavation LIMIT 1"));
        const auto last = session_.units().query(QString(), {}, QStringLiteral("Excavation DESC LIMIT 1"));
        oneExcavation = first.empty() || first.front().values[uf::Excavation] == last.front().values[uf::Excavation];
    }
    TFieldConfigForm form(session_.catalogue(), !p.TermFilePath.isEmpty(), oneExcavation, p.SingleExcavation,
                          session_.ui(), this);
    if (form.exec() != QDialog::Accepted) return;
    form.applyTo(session_.catalogue());
    if (oneExcavation && form.singleExcavation() != p.SingleExcavation) {
        p.SingleExcavation = form.singleExcavation();
        session_.notifyStateChanged();
    }
    updateColumns();
}

// --- Help menu -----------------------------------------------------------------------------

void TMainForm::HelpAboutClick()
{
    TAboutForm about(this);
    about.exec();
}

} // namespace belvanto
