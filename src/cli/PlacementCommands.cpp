#include "cli/PlacementCommands.h"
#include "cli/CliContext.h"
#include "core/Format.h"
#include "core/Protocol.h"
#include "core/Random.h"
#include "exchange/DotExport.h"
#include "layout/PlacementRun.h"
#include "layout/RelationGraph.h"

namespace belvanto {

namespace {

using ExportWriter = int (*)(CliContext& c, Session& session, const QString& file);

int writeDot(CliContext& c, Session& session, const QString& file)
{
    const ProjectState& p = session.project();
    FilterOff units(session.units());
    FilterOff relations(session.relations());
    return ExportDot(c.ui, session.units(), session.relations(), p.SingleExcavation, p.ProjectName, MakeAbsolute(file))
               ? Ok
               : Failed;
}

// The export formats, each chosen by its option; the option's value is the
// file to write.
struct ExportFormat {
    const char* option;
    ExportWriter write;
};
const ExportFormat kExportFormats[] = {
    {"--dot", writeDot},
};

} // namespace

int cmdLayout(CliContext& c)
{
    const auto seedText = c.option(QStringLiteral("--seed"));
    const auto angleText = c.option(QStringLiteral("--use-coordinates"));
    if (c.args.size() != 1) return c.usage(QStringLiteral("layout takes P.bvp [--seed N] [--use-coordinates ANGLE]"));
    quint32 seed = kDefaultLayoutSeed;
    if (seedText) {
        const auto value = parseInt(*seedText);
        if (!value) return c.usage(QStringLiteral("--seed takes an integer"));
        // Modulo 2^32: a negative seed is its 32-bit pattern.
        seed = quint32(quint64(*value));
    }
    std::optional<int> angle;
    if (angleText) {
        const auto value = parseInt32(*angleText);
        if (!value || *value < 0 || *value > 180)
            return c.usage(QStringLiteral("--use-coordinates takes a section angle in whole degrees, 0 to 180"));
        angle = *value;
    }

    OpenedProject p(c, c.args[0]);
    if (!p.ok) return Failed;
    Session& s = p.session;
    s.units().setFilter(QString());
    s.relations().setFilter(QString());
    if (s.units().count() == 0) {
        s.ui().warning(QStringLiteral("Sorry, checking nothing does not make any sense."));
        return Failed;
    }
    Protocol protocol(ReportMode::Detailed);
    const PeriodList periods;
    RandomGenerator random(seed);
    // The projection dialog takes its mean point before the check.
    const MeanPoint mean = angle ? ContextMeanPoint(s.units()) : MeanPoint{};

    RelationGraph graph;
    bool ok = RunCycleCheck(s, graph, protocol).ok();
    if (ok) {
        if (angle) ProjectContextCoordinates(s.units(), *angle, mean.x, mean.y);
        PlacementOptions options;
        options.useCoordinates = angle.has_value();
        ok = LayoutWithoutGroups(s, graph, random, options, periods);
    }
    FreeRelationGraph(graph);
    s.project().DiagramPresent = ok;
    s.ui().status(QString());
    for (const QString& line : protocol.lines()) c.print(c.out, line + QLatin1Char('\n'));
    return ok ? Ok : Failed;
}

int cmdExport(CliContext& c)
{
    const ExportFormat* chosen = nullptr;
    QString file;
    for (const ExportFormat& format : kExportFormats) {
        const auto value = c.option(QString::fromLatin1(format.option));
        if (!value) continue;
        if (chosen) return c.usage(QStringLiteral("export takes one format"));
        chosen = &format;
        file = *value;
    }
    QStringList options;
    for (const ExportFormat& format : kExportFormats) options << QString::fromLatin1(format.option) + QStringLiteral(" FILE");
    if (!chosen || c.args.size() != 1)
        return c.usage(QStringLiteral("export takes P.bvp and one of %1").arg(options.join(QStringLiteral(", "))));
    OpenedProject p(c, c.args[0]);
    if (!p.ok) return Failed;
    return chosen->write(c, p.session, file);
}

} // namespace belvanto
