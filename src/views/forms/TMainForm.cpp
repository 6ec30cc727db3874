#include "views/forms/TMainForm.h"
#include "core/Regional.h"
#include "core/UserInterface.h"
#include "store/Project.h"
#include "store/Relations.h"
#include "store/Session.h"
#include "store/UnitFields.h"
#include "ui/Help.h"
#include "ui/HelpTopics.h"
#include "ui/HierarchyTreeModel.h"
#include "ui/Icons.h"
#include "ui/Printer.h"
#include "ui/QtUserInterface.h"
#include "ui/TableListModel.h"
#include "views/MainCommands.h"
#include "views/forms/TAboutForm.h"
#include <QItemSelection>
#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QScrollBar>
#include <QSplitter>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QToolBar>
#include <QTreeView>
#include <QVBoxLayout>
#include <algorithm>
#include <iterator>

namespace belvanto {

namespace {

// Decimals of floating point values in the unit list.
constexpr int kListDecimals = 2;

// Visible order of the relationship list: first unit, category, second unit.
const char* const kRelationTitles[] = {"Excavation", "Unit name", "Excavation", "Unit name",
                                       "Rel.",       "Comment",   "Status"};

} // namespace

TMainForm::TMainForm(Session& session, QWidget* parent) : QMainWindow(parent), session_(session)
{
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(kApplicationTitle);
    if (auto* ui = dynamic_cast<QtUserInterface*>(&session_.ui())) {
        ui->setMainWindow(this);
        ui->setStatusSink([this](const QString& text) { setPersistentStatus(text); });
        ui->setNoticeSink([this](const QString& text) { showHint(text); });
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
    if (auto* ui = dynamic_cast<QtUserInterface*>(&session_.ui())) {
        ui->setStatusSink({});
        ui->setNoticeSink({});
    }
    unitModel_->detach();
    relationModel_->detach();
}

// --- commands ---------------------------------------------------------------------------

void TMainForm::buildCommands()
{
    CommandRegistry::Host host;
    host.run = [this](const std::function<void()>& work) { runCommand(work); };
    host.unitListShown = [this] { return !hierarchy_; };
    host.selection = [this](ListSelection list) { return selectedRows(list); };
    commands_.install(session_, this, std::move(host));
    auto own = [this](const char* name, void (TMainForm::*handler)()) {
        commands_.add(QString::fromLatin1(name), [this, handler](Session&, QWidget*) { (this->*handler)(); });
    };
    own("FileClose", &TMainForm::FileCloseClick);
    own("FilePrinterSetup", &TMainForm::FilePrinterSetupClick);
    own("FileExit", &TMainForm::FileExitClick);
    own("UnitsFind", &TMainForm::UnitsFindClick);
    own("UnitsCount", &TMainForm::UnitsCountClick);
    own("HelpAbout", &TMainForm::HelpAboutClick);
    commands_.add(QStringLiteral("HelpTopics"), [](Session&, QWidget*) { showHelp(HelpTopic(kHelpContents)); });
    commands_.add(QStringLiteral("HelpFind"), [](Session&, QWidget*) { showHelp(HelpTopic(kHelpFind)); });
    commands_.add(QStringLiteral("HelpUsing"), [](Session&, QWidget*) { showHelp(HelpTopic(kHelpUsing)); });
    // The unit list is the only view until the group hierarchy is built.
    QAction* list = command(QStringLiteral("ConfigureShowUnitList"));
    QAction* tree = command(QStringLiteral("ConfigureShowHierarchy"));
    auto* views = new QActionGroup(this);
    views->setExclusive(true);
    for (QAction* view : {list, tree}) {
        view->setCheckable(true);
        views->addAction(view);
    }
    list->setChecked(true);
    own("ConfigureShowHierarchy", &TMainForm::ConfigureShowHierarchyClick);
    own("ConfigureShowUnitList", &TMainForm::ConfigureShowUnitListClick);
}

std::vector<qint64> TMainForm::selectedRows(ListSelection list) const
{
    // In its place the tree's node is the selection, never the hidden list's rows.
    if (list == ListSelection::Units && hierarchy_ == GroupTreeView) {
        const int node = hierarchyModel_->nodeAt(GroupTreeView->currentIndex());
        if (node < 0 || hierarchyModel_->tree().node(node).kind == HierarchyNodeKind::Period) return {};
        const UnitKey& unit = hierarchyModel_->tree().node(node).unit;
        std::vector<qint64> rowids;
        for (const Table::Row& row : session_.units().query(QStringLiteral("Excavation IS ? AND Unitname IS ?"),
                                                            {unit.excavation, unit.unitname}))
            rowids.push_back(row.rowid);
        return rowids;
    }
    QTableView* view = list == ListSelection::Units ? UnitTable : RelationTable;
    const TableListModel* model = list == ListSelection::Units ? unitModel_ : relationModel_;
    std::vector<qint64> rowids;
    for (const QModelIndex& index : view->selectionModel()->selectedRows()) rowids.push_back(model->rowidAt(index.row()));
    return rowids;
}

void TMainForm::runCommand(const std::function<void()>& work)
{
    // A command that leaves another unit current (a unit it created) moves
    // the relationship list along with it.
    const qint64 unitBefore = session_.units().isOpen() && session_.units().hasRecord() ? session_.units().rowid() : 0;
    const std::vector<qint64> selectedBefore = hierarchy_ ? std::vector<qint64>() : selectedRows(ListSelection::Units);
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
    if (session_.units().isOpen() && session_.units().hasRecord() && session_.units().rowid() != unitBefore)
        positionRelations();
    else if (selectedBefore.size() > 1)
        reselectUnits(selectedBefore);
}

// A command answered No or refused keeps the rows the user picked with Ctrl,
// so that it can be run again at once; rows it deleted are left out.
void TMainForm::reselectUnits(const std::vector<qint64>& rowids)
{
    if (!unitModel_->attached() || hierarchy_) return;
    QItemSelection rows;
    for (qint64 id : rowids)
        if (const int row = unitModel_->rowOf(id); row >= 0)
            rows.select(unitModel_->index(row, 0), unitModel_->index(row, unitModel_->columnCount() - 1));
    syncing_ = true;
    UnitTable->selectionModel()->select(rows, QItemSelectionModel::Select | QItemSelectionModel::Rows);
    syncing_ = false;
}

void TMainForm::updateCommands()
{
    commands_.updateEnabled();
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
    for (const CommandRow& row : CommandRegistry::rows()) {
        QMenu* menu = menus.at(QString::fromLatin1(row.menu));
        if (row.separatorBefore && !menu->isEmpty()) menu->addSeparator();
        menu->addAction(command(QString::fromLatin1(row.name)));
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
    for (const char* name : CommandRegistry::toolBar()) {
        if (!*name) ToolBar->addSeparator();
        else ToolBar->addAction(command(QString::fromLatin1(name)));
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

// Numbers stand right-aligned, floating point ones with the same number of
// decimals, so that the digits of a column line up. The list shows; the edit
// form keeps every digit.
class NumberDelegate : public QStyledItemDelegate {
public:
    // decimals < 0: the text as it is (whole numbers).
    NumberDelegate(const Regional& regional, int decimals, QObject* parent)
        : QStyledItemDelegate(parent), regional_(regional), decimals_(decimals)
    {
    }
    QString displayText(const QVariant& value, const QLocale& locale) const override
    {
        const QString text = QStyledItemDelegate::displayText(value, locale);
        if (decimals_ < 0 || text.isEmpty()) return text;
        const auto number = regional_.parseFloat(text);
        if (!number) return text;
        return QString::number(*number, 'f', decimals_).replace(QLatin1Char('.'), regional_.decimalSeparator());
    }

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        option->displayAlignment = Qt::AlignRight | Qt::AlignVCenter;
    }

private:
    const Regional& regional_;
    int decimals_;
};

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
    // A wider window widens the unit list, whose columns are many; the
    // relationship list keeps the width its few columns need.
    Splitter->setStretchFactor(0, 1);
    Splitter->setStretchFactor(1, 0);
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
    floatDelegate_ = new NumberDelegate(session_.regional(), kListDecimals, this);
    integerDelegate_ = new NumberDelegate(session_.regional(), -1, this);

    connect(UnitTable->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this] { UnitTableCurrentChanged(); });
    connect(RelationTable->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this] { RelationTableCurrentChanged(); });
    connect(unitModel_, &TableListModel::reloaded, this, &TMainForm::showCurrentUnit);
    connect(relationModel_, &TableListModel::reloaded, this, [this] {
        const int row = relationModel_->rowOf(session_.relations().rowid());
        if (row < 0) return;
        const QModelIndex index = relationModel_->index(row, firstRelationColumn());
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

    // The group hierarchy takes the unit list's place while it shows.
    GroupTreeView = new QTreeView(UnitPanel);
    GroupTreeView->setObjectName(QStringLiteral("GroupTreeView"));
    GroupTreeView->setStatusTip(QStringLiteral("Units: Tree view"));
    GroupTreeView->setHeaderHidden(true);
    GroupTreeView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    GroupTreeView->setSelectionMode(QAbstractItemView::SingleSelection);
    // The tree's order is the build's; one row height, so that a large tree
    // never measures the rows it does not show.
    GroupTreeView->setSortingEnabled(false);
    GroupTreeView->setUniformRowHeights(true);
    GroupTreeView->hide();
    hierarchyModel_ = new HierarchyTreeModel(this);
    GroupTreeView->setModel(hierarchyModel_);
    connect(GroupTreeView->selectionModel(), &QItemSelectionModel::currentChanged, this, [this] { GroupTreeViewChange(); });
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
        commands_.addEntry(UnitContextMenu, QString::fromLatin1(caption), QString::fromLatin1(name));
    RelationContextMenu = new QMenu(this);
    RelationContextMenu->setObjectName(QStringLiteral("RelationContextMenu"));
    const std::pair<const char*, const char*> relationEntries[] = {
        {"&Remove", "RelationsRemove"}, {"&Edit", "RelationsEdit"}, {"&Add", "RelationsAdd"}, {"&Chain", "RelationsChain"}};
    for (const auto& [caption, name] : relationEntries)
        commands_.addEntry(RelationContextMenu, QString::fromLatin1(caption), QString::fromLatin1(name));
    connect(UnitTable, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { UnitContextMenu->popup(UnitTable->viewport()->mapToGlobal(at)); });
    GroupTreeView->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(GroupTreeView, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { UnitContextMenu->popup(GroupTreeView->viewport()->mapToGlobal(at)); });
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
        if (field < catalogue.size()) {
            const FieldType type = catalogue[field].Type;
            UnitTable->setItemDelegateForColumn(field, type == FieldType::Float     ? floatDelegate_
                                                       : type == FieldType::Integer ? integerDelegate_
                                                                                    : nullptr);
        }
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
    // A tree shows one project's groups only.
    if (hierarchy_ == GroupTreeView && session_.project().ProjectFilePath != treeProject_) leaveGroupTree();
    wasOpen_ = open;
    updateState();
}

void TMainForm::updateState()
{
    const ProjectState& p = session_.project();
    setWindowTitle(p.isOpen() ? kApplicationTitle + QStringLiteral(" - ") + p.ProjectName : kApplicationTitle);
    Splitter->setVisible(p.isOpen());
    if (p.isOpen()) {
        updateColumns();
        if (!splitSet_) initialSplit();
    }
    updateCommands();
    rebuildRecentMenu();
}

void TMainForm::initialSplit()
{
    // Without a split from the settings the relationship list gets what its
    // visible columns need (within reason), the unit list the rest.
    int needed = 2 * RelationTable->frameWidth() + RelationTable->verticalScrollBar()->sizeHint().width();
    for (int column = 0; column < relationModel_->columnCount(); ++column)
        if (!RelationTable->isColumnHidden(column)) needed += RelationTable->columnWidth(column);
    const QMargins margins = RelationPanel->layout()->contentsMargins();
    needed += margins.left() + margins.right();
    const int total = std::max(centralWidget()->width(), width()) - Splitter->handleWidth();
    const int left = std::max(UnitPanel->minimumWidth(), std::min(total - needed, total * 2 / 3));
    Splitter->setSizes({left, std::max(RelationPanel->minimumWidth(), total - left)});
    splitterPos_ = left;
    splitSet_ = true;
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

int TMainForm::firstRelationColumn() const
{
    // Scrolling to it never moves the list sideways away from its start.
    return RelationTable->isColumnHidden(rel::Excavation1) ? int(rel::Unitname1) : int(rel::Excavation1);
}

void TMainForm::positionRelations()
{
    Table& units = session_.units();
    if (!units.isOpen() || !units.hasRecord()) return;
    positionRelationsOf({units.str(uf::Excavation), units.str(uf::Unitname)});
}

void TMainForm::positionRelationsOf(const UnitKey& unit)
{
    Table& relations = session_.relations();
    if (!relations.isOpen()) return;
    if (relations.filtered() && reapplyRelationFilter_) {
        reapplyRelationFilter_();
        return;
    }
    if (relationModel_->stale()) relationModel_->reload();
    // The unit's own first row; else, for a container, the rows of its
    // members; else nothing, so that no other unit's row stays highlighted
    // for Remove to act on.
    std::vector<int> rows;
    if (relations.locate(QStringLiteral("Excavation1;Unitname1"), {unit.excavation, unit.unitname})) {
        rows.push_back(relationModel_->rowOf(relations.rowid()));
    } else {
        for (const Table::Row& r : RowsOfSecond(relations, unit))
            if (valueToString(r.values[rel::RelationCat]) == QString(category::PartOf)) rows.push_back(relationModel_->rowOf(r.rowid));
    }
    std::erase(rows, -1);
    std::sort(rows.begin(), rows.end());
    syncing_ = true;
    QItemSelectionModel* selection = RelationTable->selectionModel();
    if (rows.empty()) {
        selection->clear();
    } else {
        const QModelIndex index = relationModel_->index(rows.front(), firstRelationColumn());
        if (relations.rowid() != relationModel_->rowidAt(rows.front())) relations.gotoRowid(relationModel_->rowidAt(rows.front()));
        selection->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        for (std::size_t i = 1; i < rows.size(); ++i)
            selection->select(relationModel_->index(rows[i], 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
        RelationTable->scrollTo(index, QAbstractItemView::PositionAtTop);
    }
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
        splitSet_ = true;
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
    // The split as it stands, also after the window was resized; while no
    // project shows, the last one shown.
    const QList<int> sizes = Splitter->sizes();
    s.splitterPos = splitSet_ && !sizes.isEmpty() && sizes.constFirst() > 0 ? sizes.constFirst() : splitterPos_;
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

void TMainForm::FileRecentClick(const QString& path)
{
    OpenProject(session_, path, true);
}

void TMainForm::FileCloseClick()
{
    CloseProject(session_, true);
    if (hierarchy_) showHierarchyView(nullptr);
}

// --- group hierarchy ---------------------------------------------------------------------

void TMainForm::ConfigureShowHierarchyClick()
{
    const QString persistent = persistent_;
    HierarchyOptions options = CurrentHierarchyOptions(session_);
    if (session_.hierarchyState == kHierarchyNone && askHierarchyOptions_) {
        const std::optional<HierarchyOptions> chosen = askHierarchyOptions_(this);
        if (!chosen) {
            showHierarchyView(hierarchy_);   // the choice falls back on the view that shows
            return;
        }
        options = *chosen;
    }
    HierarchyTree tree;
    const bool built = BuildGroupHierarchy(session_, options, tree, nullptr);
    session_.ui().status(persistent);
    if (!built) {
        if (hierarchy_ == GroupTreeView) leaveGroupTree();
        else showHierarchyView(hierarchy_);
        return;
    }
    treeProject_ = session_.project().ProjectFilePath;
    // The tree shows every unit: a node must be able to become the current
    // unit, which a filter on the hidden list would not let it.
    if (hierarchy_ != GroupTreeView && session_.units().filtered()) {
        session_.units().setFiltered(false);
        treeUnfiltered_ = true;
    }
    hierarchyModel_->setTree(std::move(tree));
    showHierarchyView(GroupTreeView);
    GroupTreeView->expandAll();
    const QModelIndex first = hierarchyModel_->index(0, 0);
    GroupTreeView->setCurrentIndex(first);
    GroupTreeView->scrollTo(first);
    GroupTreeView->setFocus();
}

void TMainForm::ConfigureShowUnitListClick()
{
    if (hierarchy_ != GroupTreeView) {
        showHierarchyView(nullptr);
        return;
    }
    const QString persistent = persistent_;
    session_.ui().status(QStringLiteral("Returning to unit list display"));
    leaveGroupTree();
    for (Table* table : {&session_.units(), &session_.relations()})
        if (table->isOpen()) table->first();
    session_.ui().status(persistent);
}

void TMainForm::leaveGroupTree()
{
    if (treeUnfiltered_ && session_.units().isOpen() && session_.project().ProjectFilePath == treeProject_)
        session_.units().setFiltered(true);
    treeUnfiltered_ = false;
    hierarchyModel_->clear();
    treeProject_.clear();
    session_.hierarchyState = kHierarchyNone;
    showHierarchyView(nullptr);
}

void TMainForm::GroupTreeViewChange()
{
    const int node = hierarchyModel_->nodeAt(GroupTreeView->currentIndex());
    if (node < 0 || !session_.units().isOpen() || session_.units().editing()) return;
    const HierarchyNode& n = hierarchyModel_->tree().node(node);
    if (n.kind == HierarchyNodeKind::Period) return;
    try {
        session_.units().locate(QStringLiteral("Excavation;Unitname"), {n.unit.excavation, n.unit.unitname});
        positionRelationsOf(n.unit);
    } catch (const EngineError& e) {
        session_.ui().error(e.text());
    }
}

void TMainForm::FileExitClick()
{
    close();
}

void TMainForm::FilePrinterSetupClick()
{
    setupPrinter(this);
}

// --- Units menu --------------------------------------------------------------------------

void TMainForm::UnitsFindClick()
{
    const auto text = session_.ui().inputText(kFindUnitTitle, FindUnitPrompt(session_.project().SingleExcavation), QString());
    if (!text) return;
    if (hierarchy_ == GroupTreeView) {
        const int node = FindTreeNode(hierarchyModel_->tree(), *text);
        if (node < 0) {
            session_.ui().beep();
            session_.ui().notice(FindUnitFailedNotice(*text));
            return;
        }
        GroupTreeView->setCurrentIndex(hierarchyModel_->indexOf(node));
        GroupTreeView->scrollTo(hierarchyModel_->indexOf(node));
        return;
    }
    if (!FindUnit(session_.units(), *text)) {
        session_.ui().beep();
        session_.ui().notice(FindUnitFailedNotice(*text));
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

// --- Help menu -----------------------------------------------------------------------------

void TMainForm::HelpAboutClick()
{
    TAboutForm about(this);
    about.exec();
}

} // namespace belvanto
