#include "cli/LayoutCommands.h"
#include "cli/CliCommand.h"
#include "cli/StoreCommands.h"
#include "layout/LayoutFiles.h"
#include "layout/RelationGraph.h"
#include <QDir>

namespace belvanto {

namespace {

int cmdCheck(CliContext& c, bool summary)
{
    OpenedProject p(c, c.args[0]);
    if (!p.ok) return Failed;
    Session& s = p.session;
    s.units().setFilter(QString());
    if (s.units().count() == 0) {
        s.ui().warning(QStringLiteral("Sorry, checking nothing does not make any sense."));
        return Failed;
    }
    Protocol protocol(summary ? ReportMode::Summary : ReportMode::Detailed);
    RelationGraph graph;
    const LevelResult result = RunCycleCheck(s, graph, protocol);
    s.ui().status(QString());
    for (const QString& line : protocol.lines()) c.print(c.out, line + QLatin1Char('\n'));
    return result.ok() ? Ok : Failed;
}

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
    auto summary = std::make_shared<bool>(false);
    CLI::App* command = AddCommand(program, c, "check", "check for cycles; print the protocol, store the levels",
                                   [&c, summary] { return cmdCheck(c, *summary); });
    AddWords(command, c, "P.bvp", "the project file");
    // The only check for now; the others will be options beside it.
    command->add_flag("--cycles")->description("the cycle check")->required();
    command->add_flag("--summary", *summary, "a short summary instead of the detailed protocol");

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
