#include "diagram/StoredLayout.h"
#include "core/Regional.h"
#include "core/UserInterface.h"
#include "layout/LayoutFiles.h"
#include "store/Session.h"
#include "store/Table.h"
#include "store/Terms.h"
#include <QDateTime>
#include <QFileInfo>

namespace belvanto {

AbbreviationList ExcavationAbbreviations(Session& session)
{
    AbbreviationList list;
    for (const TermRecord& term : TermsOf(session, QStringLiteral("Excavation")))
        if (!term.Abbreviation.isEmpty()) list.push_back({term.Term, term.Abbreviation});
    return list;
}

std::optional<LayoutSnapshot> ReadStoredLayout(Session& session, bool quiet)
{
    const ProjectState& project = session.project();
    const QString directory = project.ProjectDirectory;
    const QString units = project.ProjectName + kUnitLayoutSuffix;
    const QString relations = project.ProjectName + kRelLayoutSuffix;
    if (!Table::exists(directory, units) || !Table::exists(directory, relations)) {
        session.ui().warning(QStringLiteral("Layout files not found. Layout must be newly created."), 120);
        return std::nullopt;
    }
    auto parameters = ReadLayoutParameters(session.ui(), session.regional(), directory, project.ProjectName, quiet);
    if (!parameters) return std::nullopt;
    return ReadLayoutSnapshot(Table::pathOf(directory, units), Table::pathOf(directory, relations),
                              std::move(*parameters));
}

std::optional<LayoutSnapshot> ReadLayoutForExport(Session& session, bool& outdated)
{
    const ProjectState& project = session.project();
    const bool current = project.DiagramPresent;
    outdated = !current && Table::exists(project.ProjectDirectory, project.ProjectName + kUnitLayoutSuffix);
    if (outdated)
        session.ui().warning(QStringLiteral("The project records no current Harris diagram: the last layout run "
                                            "failed, or none was made since the project was created."));
    return ReadStoredLayout(session, current);
}

QString LayoutCreatedText(Session& session)
{
    const ProjectState& project = session.project();
    const QDateTime modified =
        QFileInfo(LayoutParameterPath(project.ProjectDirectory, project.ProjectName)).lastModified();
    return session.regional().formatDate(modified.date()) + QLatin1Char(' ')
           + modified.time().toString(QStringLiteral("hh:mm"));
}

} // namespace belvanto
