#pragma once
// The main window: menus, tool bar, the unit list and the relationship list,
// and the status line.
//
// The window hosts the commands of its CommandRegistry (ui/CommandRegistry.h):
// it builds its menus and tool bar from the registry's rows, registers the
// commands that belong to the window itself, and runs every command through
// runCommand(). The subsystems register theirs:
//
//     RegisterEditingCommands(mainForm.commands());
//
// After a command the window refreshes both lists and its menus.
#include "checks/GroupHierarchy.h"
#include "store/Settings.h"
#include "store/UnitKey.h"
#include "ui/CommandRegistry.h"
#include <QMainWindow>
#include <QPointer>
#include <functional>
#include <optional>
#include <vector>

class QAction;
class QLabel;
class QMenu;
class QSplitter;
class QStyledItemDelegate;
class QTableView;
class QToolBar;
class QTreeView;
class QWidget;

namespace belvanto {

class HierarchyTreeModel;
class Session;
class TableListModel;

inline const QString kApplicationTitle = QStringLiteral("Belvanto 1.5");

class TMainForm : public QMainWindow {
    Q_OBJECT
public:
    explicit TMainForm(Session& session, QWidget* parent = nullptr);
    ~TMainForm() override;

    // --- commands -----------------------------------------------------------
    CommandRegistry& commands() { return commands_; }
    // The menu item of a command; nullptr for an unknown name.
    QAction* command(const QString& name) const { return commands_.action(name); }
    // Runs a piece of work as a command: engine errors become an error box,
    // and afterwards the lists, menus and caption follow the tables.
    void runCommand(const std::function<void()>& work);
    // While the relationship list is filtered, clicking a unit re-applies this
    // instead of moving to the unit's first relationship.
    void setRelationFilterReapply(std::function<void()> reapply) { reapplyRelationFilter_ = std::move(reapply); }

    // --- start and end ---------------------------------------------------------
    void applySettings(const AppSettings& settings);
    AppSettings currentSettings() const;
    // Where closing the window writes the settings; empty: nowhere.
    void setSettingsPath(const QString& path) { settingsPath_ = path; }
    bool openProject(const QString& path);
    void bringToFront();

    // --- lists and status line ----------------------------------------------------
    QTableView* unitList() const { return UnitTable; }
    QTableView* relationList() const { return RelationTable; }
    TableListModel* unitModel() const { return unitModel_; }
    TableListModel* relationModel() const { return relationModel_; }
    // Both lists re-read their tables and select the current records.
    void refreshLists();
    // Selects the unit table's current record in the list.
    void showCurrentUnit();
    // The relationship list to the first relationship of the current unit.
    void positionRelations();
    void setPersistentStatus(const QString& text);
    QString persistentStatus() const { return persistent_; }
    QString statusText() const;
    QMenu* fileMenu() const { return FileMenu; }
    // Re-evaluates caption, menus, enabling and list columns.
    void updateState();
    // The group hierarchy's tree takes the unit list's place (nullptr: the
    // unit list again). The tree stays the caller's; while it shows, the
    // Filter menu is hidden and the commands that need the list are off.
    void showHierarchyView(QWidget* tree);
    QWidget* hierarchyView() const { return hierarchy_; }
    // The group hierarchy's own tree view ("Show group hierarchy") and its model.
    QTreeView* groupTree() const { return GroupTreeView; }
    HierarchyTreeModel* groupTreeModel() const { return hierarchyModel_; }
    // How "Show group hierarchy" asks for its options while no tree has been
    // built (the "Hierarchy configuration" dialog); nothing: cancelled.
    // Without one the defaults are taken.
    using HierarchyOptionsDialog = std::function<std::optional<HierarchyOptions>(QWidget* parent)>;
    void setHierarchyOptionsDialog(HierarchyOptionsDialog ask) { askHierarchyOptions_ = std::move(ask); }

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildCommands();
    void buildMenus();
    void buildToolBar();
    void buildLists();
    void buildContextMenus();
    void updateCommands();
    void updateColumns();
    void initialSplit();
    int firstRelationColumn() const;
    void rebuildRecentMenu();
    void showHint(const QString& hint);
    void projectStateChanged();
    std::vector<qint64> selectedRows(ListSelection list) const;
    void reselectUnits(const std::vector<qint64>& rowids);

    void FileRecentClick(const QString& path);
    void FileCloseClick();
    void FileExitClick();
    void FilePrinterSetupClick();
    void UnitsFindClick();
    void UnitsCountClick();
    void HelpAboutClick();
    void positionRelationsOf(const UnitKey& unit);
    void leaveGroupTree();
    void ConfigureShowHierarchyClick();
    void ConfigureShowUnitListClick();
    void GroupTreeViewChange();
    void UnitTableCurrentChanged();
    void RelationTableCurrentChanged();

    Session& session_;
    CommandRegistry commands_;
    std::function<void()> reapplyRelationFilter_;

    QMenu* FileMenu = nullptr;
    QMenu* UnitsMenu = nullptr;
    QMenu* RelationsMenu = nullptr;
    QMenu* DiagramMenu = nullptr;
    QMenu* FilterMenu = nullptr;
    QMenu* ConfigureMenu = nullptr;
    QMenu* HelpMenu = nullptr;
    QMenu* UnitContextMenu = nullptr;
    QMenu* RelationContextMenu = nullptr;
    QToolBar* ToolBar = nullptr;
    QSplitter* Splitter = nullptr;
    QWidget* UnitPanel = nullptr;
    QWidget* RelationPanel = nullptr;
    QTableView* UnitTable = nullptr;
    QTableView* RelationTable = nullptr;
    QTreeView* GroupTreeView = nullptr;
    QLabel* StatusLabel = nullptr;
    QList<QAction*> recentActions_;

    TableListModel* unitModel_ = nullptr;
    TableListModel* relationModel_ = nullptr;
    QStyledItemDelegate* floatDelegate_ = nullptr;
    QStyledItemDelegate* integerDelegate_ = nullptr;
    HierarchyTreeModel* hierarchyModel_ = nullptr;
    HierarchyOptionsDialog askHierarchyOptions_;
    QString treeProject_;   // the project file the tree was built from
    bool treeUnfiltered_ = false;   // the unit filter is off while the tree shows
    QPointer<QWidget> hierarchy_;
    QString persistent_;
    QString settingsPath_;
    int splitterPos_ = 420;
    bool wasOpen_ = false;
    bool splitSet_ = false;   // from the settings or by initialSplit()
    bool syncing_ = false;
    bool closing_ = false;
};

} // namespace belvanto
