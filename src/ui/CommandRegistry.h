#pragma once
// The commands of the main window's menus, tool bar and context menus.
//
// Every command is one row of the table in CommandRegistry.cpp: its object
// name ("FileNew", "UnitsEdit", ...), menu, caption, shortcut, hint and the
// condition under which it may run. The subsystem that owns a command makes
// it work by registering a plain function of the session and the window that
// parents its dialogs:
//
//     void RegisterEditingCommands(CommandRegistry& commands)
//     {
//         commands.add(QStringLiteral("RelationsChain"), ChainCommand);
//         ...
//     }
//
// A row nobody registered stays disabled, so a menu shows commands whose
// windows come later. A new command is one row of that table and one add()
// in its subsystem.
//
// The hosting window installs the registry once: every row becomes a QAction
// of that window, which it places in its menus and tool bar. Triggering one
// runs the registered function through the host's runner, and only while the
// row's condition holds.
#include <QString>
#include <functional>
#include <map>
#include <memory>
#include <span>
#include <vector>

class QAction;
class QMenu;
class QWidget;

namespace belvanto {

class Session;

// When a command may run, besides being registered. UnitView: a project is
// open and the unit list shows (the group hierarchy may take its place).
enum class Need { Always, NoProject, Project, TermFile, Diagram, MultiExcavation, UnitView };

struct CommandRow {
    const char* name;
    const char* menu;       // "File", "Units", ..., "Terms" for the Configure submenu
    const char* caption;
    const char* shortcut;   // "" for none
    const char* hint;
    Need need;
    bool separatorBefore;
};

// The list whose selected rows a command works on.
enum class ListSelection { Units, Relations };

class CommandRegistry {
public:
    using Run = std::function<void(Session& session, QWidget* parent)>;
    // rowids: the record ids of the list's selected rows.
    using RunOnSelection = std::function<void(Session& session, QWidget* parent, const std::vector<qint64>& rowids)>;

    // What the hosting window lends the commands.
    struct Host {
        // Runs one command: engine errors become an error box, and afterwards
        // the window follows the tables.
        std::function<void(const std::function<void()>&)> run;
        std::function<bool()> unitListShown;
        std::function<std::vector<qint64>(ListSelection)> selection;
    };

    CommandRegistry();
    ~CommandRegistry();
    CommandRegistry(const CommandRegistry&) = delete;
    CommandRegistry& operator=(const CommandRegistry&) = delete;

    // The menus' rows in their order.
    static std::span<const CommandRow> rows();
    // The tool bar, left to right; "" is a gap.
    static std::span<const char* const> toolBar();

    // Makes the row `name` work, also after install().
    void add(const QString& name, Run run);
    // The same for a command on a list's selection, read when it runs.
    void add(const QString& name, ListSelection list, RunOnSelection run);
    bool registered(const QString& name) const;

    // One QAction per row, owned by window, whose shortcuts then work while
    // the menus are closed. Once per registry.
    void install(Session& session, QWidget* window, Host host);
    // nullptr for an unknown name or before install().
    QAction* action(const QString& name) const;
    // A context-menu entry with a caption of its own; it runs the command and
    // is enabled with it.
    QAction* addEntry(QMenu* menu, const QString& caption, const QString& name);
    // Enables the actions of the registered commands whose condition holds.
    void updateEnabled();

private:
    struct Command;
    bool available(const Command& c) const;
    Command* find(const QString& name) const;

    std::map<QString, std::unique_ptr<Command>> commands_;
    Session* session_ = nullptr;
    QWidget* window_ = nullptr;
    Host host_;
};

} // namespace belvanto
