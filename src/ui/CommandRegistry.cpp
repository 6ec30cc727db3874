#include "ui/CommandRegistry.h"
#include "store/Session.h"
#include "ui/Icons.h"
#include <QAction>
#include <QMenu>
#include <QWidget>

namespace belvanto {

namespace {

// The menus in their order. A new command is a row here and an add() in the
// subsystem that does it.
const CommandRow kCommands[] = {
    {"FileNew", "File", "&New project...", "Ctrl+N", "Create a new project", Need::Always, false},
    {"FileOpen", "File", "&Open project...", "Ctrl+O", "Open an existing project", Need::Always, false},
    {"FileRefresh", "File", "&Refresh", "", "Reload project when selecting a unit or relationship does not work any more",
     Need::Project, true},
    {"FileAddProject", "File", "A&dd project...", "", "Add the units and relationships of another project to this one",
     Need::UnitView, false},
    {"FileSimulate", "File", "&Simulate...", "", "Create a project of simulated test data", Need::Always, true},
    {"FileImport", "File", "&Import...", "Ctrl+I", "Import data in Harris list format", Need::NoProject,
     false},
    {"FileExport", "File", "&Export...", "", "Export data", Need::Project, false},
    {"FileSaveCopy", "File", "Save project copy &as...", "", "Save a copy of the project under another name",
     Need::Project, true},
    {"FileSaveTermCopy", "File", "Save &term file copy as...", "", "Save a copy of the linked term file",
     Need::TermFile, false},
    {"FilePack", "File", "Pack tables", "", "Remove deleted records from the unit and relationship tables for good",
     Need::Project, false},
    {"FileDelete", "File", "De&lete project", "", "Delete the project and all its data files", Need::Project, false},
    {"FileClose", "File", "&Close project", "", "Close the project", Need::Project, false},
    {"FileHtmlReport", "File", "HTML report", "", "Write the units of the project as an HTML report", Need::Project,
     true},
    {"FilePrint", "File", "&Print...", "Ctrl+P", "Print reports of the project", Need::Project, false},
    {"FilePrinterSetup", "File", "Printer Set&up...", "", "Choose and set up the printer", Need::Always, false},
    {"FileExit", "File", "E&xit", "", "Close the project and end Belvanto", Need::Always, true},

    {"UnitsNew", "Units", "&New...", "F2", "Enter a new unit", Need::Project, false},
    {"UnitsEdit", "Units", "&Edit...", "F3", "Change the data of the current unit", Need::Project, false},
    {"UnitsDelete", "Units", "&Delete", "", "Delete the selected units and their relationships", Need::Project, false},
    {"UnitsCopy", "Units", "C&opy...", "", "Enter a new unit as a copy of the current unit", Need::Project, false},
    {"UnitsBlankField", "Units", "Bl&ank field...", "", "Clear one field in all listed units", Need::Project, true},
    {"UnitsSetDefault", "Units", "Set default...", "", "Set one field of all listed units to a value", Need::Project,
     false},
    {"UnitsSearchReplace", "Units", "Search/Replace...", "", "Replace a text in one field of all listed units",
     Need::Project, false},
    {"UnitsSplit", "Units", "&Split...", "", "Split the current unit into two units", Need::Project, true},
    {"UnitsMerge", "Units", "&Merge", "", "Merge the selected units into one", Need::UnitView, false},
    {"UnitsCombine", "Units", "Com&bine...", "", "Combine the selected units into a group", Need::UnitView, false},
    {"UnitsConsecutive", "Units", "&Consecutive numbers...", "", "Enter units with consecutive numbers",
     Need::Project, false},
    {"UnitsFind", "Units", "&Find unit...", "Ctrl+F", "Find a unit by its name", Need::Project, true},
    {"UnitsSort", "Units", "So&rt...", "", "Sort the unit list by a field", Need::Project, false},
    {"UnitsThematic", "Units", "&Thematic style...", "", "Colour the diagram boxes by the values of a field",
     Need::Project, false},
    {"UnitsEstimate", "Units", "Estimate center &year...", "", "Estimate center years of contexts from the stratigraphy",
     Need::Project, false},
    {"UnitsCount", "Units", "Co&unt", "", "Count the units of the project", Need::Project, true},

    {"RelationsAdd", "Relations", "&Add...", "F5", "Add a relationship", Need::Project, false},
    {"RelationsChain", "Relations", "&Chain...", "F6", "Add a chain of earlier/later relationships", Need::Project,
     false},
    {"RelationsRemove", "Relations", "&Remove", "", "Remove the selected relationships", Need::Project, false},
    {"RelationsEdit", "Relations", "&Edit...", "", "Change the comment of the current relationship", Need::Project,
     false},
    {"RelationsTestPair", "Relations", "&Test context pair", "", "Test how two contexts are related", Need::UnitView,
     true},

    // F2 belongs to "&New..." of the Units menu: two actions with one
    // shortcut would both be dead.
    {"DiagramNavigate", "Diagram", "&Navigate", "", "Walk through the stratigraphic network", Need::Project, false},
    {"DiagramLayout", "Diagram", "&Layout and check...", "", "Check the project and lay out the Harris diagram",
     Need::Project, false},
    {"DiagramDisplay", "Diagram", "&Display Harris diagram", "", "Show the Harris diagram of the last layout",
     Need::Diagram, false},

    {"FilterNone", "Filter", "&None", "", "Show all units and relationships", Need::Project, false},
    {"FilterExcavation", "Filter", "&Excavation...", "", "Show the units of one excavation", Need::MultiExcavation,
     true},
    {"FilterUnitClass", "Filter", "Unit &class...", "", "Show the units of one class", Need::Project, false},
    {"FilterField", "Filter", "Other unit &field...", "", "Show the units with a value of a field", Need::Project,
     false},
    {"FilterUnrelated", "Filter", "&Unrelated...", "", "Show the units without relationships", Need::Project, false},
    {"FilterTop", "Filter", "T&op contexts", "", "Show the contexts with no later context", Need::Project, true},
    {"FilterBottom", "Filter", "&Bottom contexts", "", "Show the contexts with no earlier context", Need::Project,
     false},
    {"FilterWithoutGroup", "Filter", "Contexts &without group", "", "Show the contexts that are part of no group",
     Need::Project, false},
    {"FilterPartOf", "Filter", "&Part of current unit", "", "Show the units that are part of the current unit",
     Need::Project, true},
    {"FilterLater", "Filter", "Show &later contexts", "", "Show the contexts later than the current unit",
     Need::Project, false},
    {"FilterEarlier", "Filter", "Show e&arlier contexts", "", "Show the contexts earlier than the current unit",
     Need::Project, false},
    {"FilterRelationsOfSelected", "Filter", "&Relations of selected unit(s)", "",
     "Show the relationships of the selected units", Need::Project, true},

    {"TermsCreateLoad", "Terms", "&Create or load term file...", "", "Link a term file to the project",
     Need::Project, false},
    {"TermsShowList", "Terms", "&Show term list...", "", "Show and edit the terms of the term file", Need::TermFile,
     false},
    {"TermsRemoveLink", "Terms", "&Remove link to term file", "", "Use the project without a term file",
     Need::TermFile, false},
    {"ConfigureExcavation", "Configure", "Change &excavation...", "", "Move the selected units to another excavation",
     Need::MultiExcavation, false},
    {"ConfigureFields", "Configure", "Configure &fields...", "", "Choose the fields shown in the list and in the form",
     Need::Project, false},
    {"ConfigureImages", "Configure", "Configure &link to images...", "",
     "Set the folders and name prefixes of photos and drawings", Need::Project, false},
    {"ConfigureShowHierarchy", "Configure", "Show group hierarchy", "", "Show the groups and their members as a tree",
     Need::Project, true},
    {"ConfigureShowUnitList", "Configure", "Show unit list", "", "Show the list of units", Need::Project, false},

    {"HelpTopics", "Help", "&Help topics", "F1", "Show the contents of the help", Need::Always, false},
    {"HelpFind", "Help", "&Find help", "", "Show the index of the help", Need::Always, false},
    {"HelpUsing", "Help", "&Using help", "", "How to use the help window", Need::Always, false},
    {"HelpAbout", "Help", "&About...", "", "Program version and memory", Need::Always, true},
};

// Tool bar, left to right; "" is a gap.
const char* const kToolBar[] = {"FileNew",     "FileOpen",      "FileClose",     "FilePrint",    "",
                                "UnitsFind",   "TermsShowList", "DiagramNavigate", "",           "UnitsNew",
                                "UnitsEdit",   "UnitsDelete",   "",              "RelationsAdd", "RelationsChain",
                                "RelationsRemove", "",          "DiagramLayout", "DiagramDisplay"};

bool needHolds(Need need, const ProjectState& project, bool unitListShown)
{
    const bool open = project.isOpen();
    switch (need) {
    case Need::Always: return true;
    case Need::NoProject: return !open;
    case Need::Project: return open;
    case Need::TermFile: return open && !project.TermFilePath.isEmpty();
    case Need::Diagram: return open && project.DiagramPresent;
    case Need::MultiExcavation: return open && !project.SingleExcavation;
    case Need::UnitView: return open && unitListShown;
    }
    return false;
}

} // namespace

struct CommandRegistry::Command {
    const CommandRow* row = nullptr;
    Run run;                   // empty: not registered
    QAction* action = nullptr;
    QList<QAction*> entries;   // context-menu entries of the same command
};

CommandRegistry::CommandRegistry()
{
    for (const CommandRow& row : kCommands) {
        auto c = std::make_unique<Command>();
        c->row = &row;
        commands_.emplace(QString::fromLatin1(row.name), std::move(c));
    }
}

CommandRegistry::~CommandRegistry() = default;

std::span<const CommandRow> CommandRegistry::rows()
{
    return kCommands;
}

std::span<const char* const> CommandRegistry::toolBar()
{
    return kToolBar;
}

CommandRegistry::Command* CommandRegistry::find(const QString& name) const
{
    const auto it = commands_.find(name);
    return it == commands_.end() ? nullptr : it->second.get();
}

void CommandRegistry::add(const QString& name, Run run)
{
    Command* c = find(name);
    if (!c) {
        qWarning("CommandRegistry: no command named %s", qPrintable(name));
        return;
    }
    c->run = std::move(run);
    if (window_) updateEnabled();
}

void CommandRegistry::add(const QString& name, ListSelection list, RunOnSelection run)
{
    add(name, [this, list, run = std::move(run)](Session& session, QWidget* parent) {
        run(session, parent, host_.selection ? host_.selection(list) : std::vector<qint64>{});
    });
}

bool CommandRegistry::registered(const QString& name) const
{
    const Command* c = find(name);
    return c && c->run;
}

void CommandRegistry::install(Session& session, QWidget* window, Host host)
{
    Q_ASSERT(!window_);
    session_ = &session;
    window_ = window;
    host_ = std::move(host);
    for (const CommandRow& row : kCommands) {
        const QString name = QString::fromLatin1(row.name);
        Command* c = commands_.at(name).get();
        c->action = new QAction(QString::fromLatin1(row.caption), window);
        c->action->setObjectName(name);
        c->action->setStatusTip(QString::fromLatin1(row.hint));
        c->action->setToolTip(QString(c->action->text()).remove(QLatin1Char('&')).remove(QStringLiteral("...")));
        if (*row.shortcut) c->action->setShortcut(QKeySequence(QString::fromLatin1(row.shortcut)));
        c->action->setIcon(commandIcon(name));
        c->action->setIconVisibleInMenu(false);
        window->addAction(c->action);
        QObject::connect(c->action, &QAction::triggered, window, [this, raw = c] {
            if (!raw->run || !available(*raw)) return;
            const auto work = [this, raw] { raw->run(*session_, window_); };
            if (host_.run) host_.run(work);
            else work();
        });
    }
    updateEnabled();
}

QAction* CommandRegistry::action(const QString& name) const
{
    const Command* c = find(name);
    return c ? c->action : nullptr;
}

QAction* CommandRegistry::addEntry(QMenu* menu, const QString& caption, const QString& name)
{
    Command& c = *commands_.at(name);
    QAction* entry = menu->addAction(caption);
    entry->setObjectName(name + QStringLiteral("Entry"));
    entry->setStatusTip(c.action->statusTip());
    QObject::connect(entry, &QAction::triggered, c.action, &QAction::trigger);
    entry->setEnabled(c.action->isEnabled());
    c.entries << entry;
    return entry;
}

bool CommandRegistry::available(const Command& c) const
{
    return needHolds(c.row->need, session_->project(), !host_.unitListShown || host_.unitListShown());
}

void CommandRegistry::updateEnabled()
{
    if (!window_) return;
    for (auto& [name, c] : commands_) {
        const bool enabled = c->run && available(*c);
        c->action->setEnabled(enabled);
        for (QAction* entry : c->entries) entry->setEnabled(enabled);
    }
}

} // namespace belvanto
