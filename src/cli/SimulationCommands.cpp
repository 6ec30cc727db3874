#include "cli/SimulationCommands.h"
#include "cli/CliContext.h"
#include "simulation/Simulation.h"
#include "store/Project.h"
#include "store/Session.h"
#include "store/UnitFields.h"
#include <QFileInfo>

namespace belvanto {

namespace {

constexpr int kMaxPrefixLength = 3;   // what the dialog's edit takes

struct ListOption {
    const char* name;
    std::vector<SimField> fields;
};

} // namespace

// The options become the dialog's texts, so that the values are checked, and
// refused, exactly as the dialog does.
int cmdSimulate(CliContext& c)
{
    SimulationEntries e;
    const std::pair<const char*, SimField> single[] = {
        {"--contexts", SimField::StratCt},         {"--contemporary", SimField::ContempCt},
        {"--cubes", SimField::AvgCubeCt},          {"--upright", SimField::UprightFactor},
        {"--periods", SimField::PeriodCt},         {"--interval", SimField::IntervalLength},
        {"--prefix", SimField::Prefix},            {"--excavation", SimField::Excavation},
        {"--mean-contemporary", SimField::AvgCont}};
    bool excavationGiven = false;
    for (const auto& [name, field] : single) {
        if (const auto value = c.option(QString::fromLatin1(name))) {
            e[field] = *value;
            excavationGiven = excavationGiven || field == SimField::Excavation;
        }
    }
    if (e[SimField::Prefix].size() > kMaxPrefixLength)
        return c.usage(QStringLiteral("--prefix takes at most %1 characters").arg(kMaxPrefixLength));

    std::vector<SimField> seeds;
    for (int i = 0; i < kSeedCount; ++i) seeds.push_back(seedField(i));
    const ListOption lists[] = {{"--grid", {SimField::HorUnitCt, SimField::VertUnitCt}},
                                {"--years", {SimField::FirstYear, SimField::LastYear}},
                                {"--seeds", seeds}};
    for (const ListOption& list : lists) {
        const auto value = c.option(QString::fromLatin1(list.name));
        if (!value) continue;
        const QStringList parts = value->split(QLatin1Char(','));
        if (parts.size() != qsizetype(list.fields.size()))
            return c.usage(QStringLiteral("%1 takes %2 values separated by commas")
                               .arg(QString::fromLatin1(list.name))
                               .arg(list.fields.size()));
        for (std::size_t i = 0; i < list.fields.size(); ++i) e[list.fields[i]] = parts[qsizetype(i)].trimmed();
    }
    if (c.args.size() != 1) return c.usage(QStringLiteral("simulate takes P.bvp and its options (see --help)"));
    e[SimField::ProjectFile] = c.args[0];
    if (!excavationGiven) {
        const QString file = QFileInfo(c.args[0]).fileName();
        const qsizetype dot = file.lastIndexOf(QLatin1Char('.'));
        e[SimField::Excavation] = (dot < 0 ? file : file.left(dot)).left(UnitFieldCatalogue()[uf::Excavation].Size);
    }

    Session session(c.ui, c.regional);
    if (!BeginSimulation(session)) return Failed;
    SimulationSettings settings;
    if (ValidateSimulation(c.ui, e, settings) != SimField::None) return Failed;
    if (!RunSimulation(session, settings)) return Failed;
    CloseProject(session, true);
    return Ok;
}

} // namespace belvanto
