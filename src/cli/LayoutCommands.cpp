#include "cli/LayoutCommands.h"
#include "cli/CliCommand.h"
#include "cli/StoreCommands.h"
#include "layout/LayoutFiles.h"
#include <QDir>

namespace belvanto {

namespace {

QString numbers(const std::vector<qint32>& values)
{
    QStringList texts;
    for (std::size_t i = 1; i < values.size(); ++i) texts << QString::number(values[i]);
    return texts.join(QLatin1Char(' '));
}

int dumpLayout(CliContext& c, const QString& project, const QString& what)
{
    OpenedProject p(c, project, OpenMode::ReadOnly);
    if (!p.ok) return Failed;
    const ProjectState& state = p.session.project();
    if (what != QStringLiteral("layoutparams")) {
        const QString name = state.ProjectName + (what == QStringLiteral("unitlayout") ? kUnitLayoutSuffix : kRelLayoutSuffix);
        if (!Table::exists(state.ProjectDirectory, name)) {
            c.ui.error(QStringLiteral("The project has no stored layout: %1 does not exist")
                           .arg(QDir::toNativeSeparators(Table::pathOf(state.ProjectDirectory, name))));
            return Failed;
        }
        Table table;
        table.open(state.ProjectDirectory, name);
        DumpTable(c, table);
        return Ok;
    }
    const auto parameters = ReadLayoutParameters(c.ui, c.regional, state.ProjectDirectory, state.ProjectName, true);
    if (!parameters) return Failed;
    QString text;
    text += QStringLiteral("Groups: %1\n").arg(parameters->groups ? QStringLiteral("yes") : QStringLiteral("no"));
    text += QStringLiteral("Columns: %1\n").arg(parameters->columns);
    text += QStringLiteral("Levels: %1\n").arg(parameters->levels);
    text += QStringLiteral("LeftFrameLanes: ") + numbers(parameters->LeftFrameLanes) + QLatin1Char('\n');
    text += QStringLiteral("RightFrameLanes: ") + numbers(parameters->RightFrameLanes) + QLatin1Char('\n');
    text += QStringLiteral("FrameLanesBelow: ") + numbers(parameters->FrameLanesBelow) + QLatin1Char('\n');
    text += QStringLiteral("TrackCount: ") + numbers(parameters->TrackCount) + QLatin1Char('\n');
    text += QStringLiteral("Periods: %1\n").arg(parameters->periods.size());
    for (const Period& period : parameters->periods)
        text += QStringLiteral("Period: %1 from level %2\n").arg(period.name).arg(period.position);
    c.print(c.out, text);
    return Ok;
}

} // namespace

void RegisterLayoutCommands(CLI::App& program, CliContext& c)
{
    const std::pair<const char*, const char*> dumps[] = {{"unitlayout", "the stored layout's unit table"},
                                                         {"rellayout", "the stored layout's line table"},
                                                         {"layoutparams", "the stored layout's parameter file"}};
    for (const auto& [name, description] : dumps) {
        const QString what = QString::fromLatin1(name);
        AddProjectDump(program, c, what, QString::fromLatin1(description),
                       [&c, what](const QString& project) { return dumpLayout(c, project, what); });
    }
}

} // namespace belvanto
