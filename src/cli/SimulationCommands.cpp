#include "cli/SimulationCommands.h"
#include "cli/CliCommand.h"
#include "simulation/Simulation.h"
#include "store/Project.h"
#include "store/Session.h"
#include "store/UnitFields.h"
#include <QFileInfo>

namespace belvanto {

namespace {

constexpr int kMaxPrefixLength = 3;   // what the dialog's edit takes

struct SimulateOptions {
    SimulationEntries entries;
    bool excavationGiven = false;
};

int cmdSimulate(CliContext& c, SimulateOptions& o)
{
    SimulationEntries& e = o.entries;
    e[SimField::ProjectFile] = c.args[0];
    if (!o.excavationGiven) {
        const QString file = QFileInfo(c.args[0]).fileName();
        const qsizetype dot = file.lastIndexOf(QLatin1Char('.'));
        e[SimField::Excavation] = (dot < 0 ? file : file.left(dot)).left(UnitFieldCatalogue()[uf::Excavation].Size);
    }

    Session session(c.ui, c.regional);
    if (!BeginSimulation(session)) return Failed;
    SimulationSettings settings;
    if (ValidateSimulation(c.ui, e, settings) != SimField::None) return Failed;
    if (!RunSimulation(session, settings)) return Failed;
    return CloseProject(session, true) ? Ok : Failed;
}

} // namespace

// The options become the dialog's texts, so that the values are checked, and
// refused, exactly as the dialog does.
void RegisterSimulationCommands(CLI::App& program, CliContext& c)
{
    auto o = std::make_shared<SimulateOptions>();
    CLI::App* command =
        AddCommand(program, c, "simulate",
                   "create a simulated project, as the Simulation Configuration dialog does",
                   [&c, o] { return cmdSimulate(c, *o); });
    AddWords(command, c, "P.bvp", "the project file to create");
    SetWrongWordsText(c, command, QStringLiteral("P.bvp and its options (see --help)"));

    struct Single {
        const char* name;
        const char* valueName;
        SimField field;
        const char* description;
    };
    const Single single[] = {
        {"--contexts", "N", SimField::StratCt, "the number of contexts, 10 to 99999"},
        {"--contemporary", "N", SimField::ContempCt, "the chance of a block of contemporary contexts"},
        {"--cubes", "N", SimField::AvgCubeCt, "the mean number of grid cubes of a context"},
        {"--upright", "N", SimField::UprightFactor, "the weight of staying in place"},
        {"--periods", "N", SimField::PeriodCt, "the number of periods"},
        {"--interval", "N", SimField::IntervalLength, "the length of a context's year range"},
        {"--prefix", "P", SimField::Prefix, "the first characters of the unit names, at most 3"},
        {"--excavation", "E", SimField::Excavation, "the excavation (default: the project name)"},
        {"--mean-contemporary", "N", SimField::AvgCont, "the mean size of a contemporary block"}};
    // The dialog's first texts are the defaults.
    const SimulationEntries defaults;
    auto described = [](const char* description, const QString& value) {
        return QStringLiteral("%1 (default %2)").arg(QString::fromUtf8(description), value).toStdString();
    };
    for (const Single& option : single) {
        const SimField field = option.field;
        const std::string description = field == SimField::Excavation ? std::string(option.description)
                                                                      : described(option.description, defaults[field]);
        AddValueOption(command, option.name, option.valueName, description, [o, field](const QString& value) {
            if (field == SimField::Prefix && value.size() > kMaxPrefixLength)
                RefuseValue(QStringLiteral("--prefix takes at most %1 characters").arg(kMaxPrefixLength));
            o->entries[field] = value;
            o->excavationGiven = o->excavationGiven || field == SimField::Excavation;
        });
    }

    struct List {
        const char* name;
        const char* valueName;
        std::vector<SimField> fields;
        const char* description;
    };
    std::vector<SimField> seeds;
    for (int i = 0; i < kSeedCount; ++i) seeds.push_back(seedField(i));
    const List lists[] = {
        {"--grid", "X,Y", {SimField::HorUnitCt, SimField::VertUnitCt}, "the rows and columns of the grid"},
        {"--years", "FIRST,LAST", {SimField::FirstYear, SimField::LastYear},
         "the first and the last year, negative before the common era"},
        {"--seeds", "S1,...,S7", seeds, "the seven seeds of the random draws"}};
    for (const List& list : lists) {
        const QString name = QString::fromLatin1(list.name);
        QStringList values;
        for (SimField field : list.fields) values << defaults[field];
        AddValueOption(command, list.name, list.valueName, described(list.description, values.join(QLatin1Char(','))),
                       [o, name, fields = list.fields](const QString& value) {
                           const QStringList parts = value.split(QLatin1Char(','));
                           if (parts.size() != qsizetype(fields.size()))
                               RefuseValue(QStringLiteral("%1 takes %2 values separated by commas")
                                               .arg(name)
                                               .arg(fields.size()));
                           for (std::size_t i = 0; i < fields.size(); ++i)
                               o->entries[fields[i]] = parts[qsizetype(i)].trimmed();
                       });
    }
}

} // namespace belvanto
