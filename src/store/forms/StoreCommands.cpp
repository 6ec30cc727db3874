#include "store/forms/StoreCommands.h"
#include "core/UserInterface.h"
#include "store/Project.h"
#include "store/Session.h"
#include "store/UnitFields.h"
#include "store/forms/TFieldConfigForm.h"
#include "store/forms/TNewProjectForm.h"
#include "ui/CommandRegistry.h"

namespace belvanto {

namespace {

void NewProjectCommand(Session& session, QWidget* parent)
{
    if (!BeginNewProject(session)) return;
    TNewProjectForm form(session, parent);
    const bool ok = form.exec() == QDialog::Accepted && NewProject(session, form.request());
    if (!ok) session.project() = ProjectState{};
}

void ConfigureFieldsCommand(Session& session, QWidget* parent)
{
    ProjectState& p = session.project();
    bool oneExcavation = p.SingleExcavation;
    if (!oneExcavation) {
        // The composition may become "single" only while that is true.
        const auto first = session.units().query(QString(), {}, QStringLiteral("Excavation LIMIT 1"));
        const auto last = session.units().query(QString(), {}, QStringLiteral("Excavation DESC LIMIT 1"));
        oneExcavation = first.empty() || first.front().values[uf::Excavation] == last.front().values[uf::Excavation];
    }
    TFieldConfigForm form(session.catalogue(), !p.TermFilePath.isEmpty(), oneExcavation, p.SingleExcavation,
                          session.ui(), parent);
    if (form.exec() != QDialog::Accepted) return;
    form.applyTo(session.catalogue());
    if (oneExcavation && form.singleExcavation() != p.SingleExcavation) {
        p.SingleExcavation = form.singleExcavation();
        session.notifyStateChanged();
    }
}

// The sizes of the open project, as the status line reports them.
QString projectSize(Session& session)
{
    FilterOff units(session.units());
    FilterOff relations(session.relations());
    return QStringLiteral("%1 units, %2 relationship rows").arg(session.units().count()).arg(session.relations().count());
}

} // namespace

void RegisterStoreCommands(CommandRegistry& commands)
{
    commands.add(QStringLiteral("FileNew"), NewProjectCommand);
    commands.add(QStringLiteral("FileOpen"), [](Session& session, QWidget*) { OpenProject(session); });
    // The commands below end without a message of their own; the status line
    // says what they did.
    commands.add(QStringLiteral("FileRefresh"), [](Session& session, QWidget*) {
        RefreshProject(session);
        session.ui().notice(QStringLiteral("Project %1 reloaded: %2.").arg(session.project().ProjectName, projectSize(session)));
    });
    commands.add(QStringLiteral("FileAddProject"), [](Session& session, QWidget*) {
        if (AddProject(session))
            session.ui().notice(QStringLiteral("Project added; %1 now has %2.")
                                    .arg(session.project().ProjectName, projectSize(session)));
    });
    commands.add(QStringLiteral("FileSaveCopy"), [](Session& session, QWidget*) {
        if (SaveProjectCopy(session) && !session.recent().paths().isEmpty())
            session.ui().notice(QStringLiteral("Project copy saved as %1.").arg(NativePath(session.recent().paths().front())));
    });
    commands.add(QStringLiteral("FilePack"), [](Session& session, QWidget*) {
        if (PackTables(session))
            session.ui().notice(QStringLiteral("Tables packed: %1.").arg(projectSize(session)));
    });
    commands.add(QStringLiteral("FileDelete"), [](Session& session, QWidget*) { DeleteProject(session); });
    commands.add(QStringLiteral("ConfigureFields"), ConfigureFieldsCommand);
}

} // namespace belvanto
