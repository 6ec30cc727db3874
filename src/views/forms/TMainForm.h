#pragma once
// The main window: menus, tool bar, the unit list and the relationship list,
// the status line, and the commands that belong to the window itself.
//
// Every command is known by an object name ("FileNew", "UnitsEdit", ...; see
// kCommands in TMainForm.cpp). A command is enabled only when it is built and
// its condition holds (a project open, a term file linked, ...). Commands of
// other windows are present from the start, disabled; the code that builds
// one installs it:
//
//     mainForm.installCommand(QStringLiteral("UnitsEdit"), [&] { ... });
//
// which connects its menu item, tool button and context-menu entries and
// lets the enabling rules enable it. After a command the window refreshes
// both lists and its menus.
#include "store/Settings.h"
#include <QMainWindow>
#include <QPointer>
#include <functional>
#include <map>
#include <memory>

class QAction;
class QLabel;
class QMenu;
class QSplitter;
class QTableView;
class QToolBar;
class QWidget;

namespace belvanto {

class Session;
class TableListModel;

inline const QString kApplicationTitle = QStringLiteral("Belvanto 1.5");

class TMainForm : public QMainWindow {
    Q_OBJECT
public:
    explicit TMainForm(Session& session, QWidget* parent = nullptr);
    ~TMainForm() override;

    // --- commands -----------------------------------------------------------
    // The menu item of a command; nullptr for an unknown name.
    QAction* command(const QString& name) const;
    // Makes a command work: its menu item, tool button and context entries
    // run `run`, and the enabling rules may enable it.
    void installCommand(const QString& name, std::function<void()> run);
    bool commandBuilt(const QString& name) const;
    QStringList commandNames() const;
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

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    struct Command;
    void buildCommands();
    void buildMenus();
    void buildToolBar();
    void buildLists();
    void buildContextMenus();
    QAction* addContextEntry(QMenu* menu, const QString& caption, const QString& commandName);
    void updateCommands();
    void updateColumns();
    void rebuildRecentMenu();
    void showHint(const QString& hint);
    void projectStateChanged();
    bool commandAvailable(const Command& c) const;

    void FileNewClick();
    void FileOpenClick();
    void FileRecentClick(const QString& path);
    void FileCloseClick();
    void FileExitClick();
    void FileDeleteClick();
    void FileSaveCopyClick();
    void FilePackClick();
    void FileRefreshClick();
    void FileAddProjectClick();
    void FilePrinterSetupClick();
    void UnitsFindClick();
    void UnitsCountClick();
    void ConfigureFieldsClick();
    void HelpAboutClick();
    void UnitTableCurrentChanged();
    void RelationTableCurrentChanged();

    Session& session_;
    std::map<QString, std::unique_ptr<Command>> commands_;
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
    QLabel* StatusLabel = nullptr;
    QList<QAction*> recentActions_;

    TableListModel* unitModel_ = nullptr;
    TableListModel* relationModel_ = nullptr;
    QPointer<QWidget> hierarchy_;
    QString persistent_;
    QString settingsPath_;
    int splitterPos_ = 420;
    bool wasOpen_ = false;
    bool syncing_ = false;
    bool closing_ = false;
};

} // namespace belvanto
