#include "cli/UnitCommands.h"
#include "cli/CliCommand.h"
#include "core/UserInterface.h"
#include "editing/AddRelationship.h"
#include "editing/RemoveRelationships.h"
#include "editing/UnitOperations.h"
#include "store/Relations.h"
#include "store/UnitFields.h"

namespace belvanto {

namespace {

const char* const kProjectFile = "the project file";

// The units named by the words, each of which must exist; a word that is no
// unit name is a usage error, a unit that does not exist a failure.
int existingUnits(CliContext& c, Session& s, const QStringList& words, std::vector<UnitKey>& units)
{
    for (const QString& word : words) {
        const auto unit = ParseUnitWord(word, s.project().CurrentExcavation);
        if (!unit) return c.usage(QStringLiteral("cannot read the unit '%1'").arg(word));
        if (!UnitExists(s.units(), *unit)) {
            s.ui().error(QStringLiteral("Unit %1 does not exist.").arg(unit->text()));
            return Failed;
        }
        units.push_back(*unit);
    }
    return Ok;
}

// unit delete and unit merge: the core command on the named units, in the
// order given, as the unit list's selection.
int onUnits(CliContext& c, bool (*operation)(Session&, const std::vector<UnitKey>&))
{
    OpenedProject p(c, c.args[0]);
    if (!p.ok) return Failed;
    std::vector<UnitKey> units;
    if (const int code = existingUnits(c, p.session, c.args.mid(1), units); code != Ok) return code;
    return operation(p.session, units) ? Ok : Failed;
}

int unitSplit(CliContext& c, const QStringList& moved)
{
    OpenedProject p(c, c.args[0]);
    if (!p.ok) return Failed;
    Session& s = p.session;
    std::vector<UnitKey> units;
    if (const int code = existingUnits(c, s, {c.args[1]}, units); code != Ok) return code;
    const UnitKey& old = units.front();
    // The new unit is in the old unit's excavation unless the word names one.
    const auto newUnit = ParseUnitWord(c.args[2], old.excavation);
    if (!newUnit) return c.usage(QStringLiteral("cannot read the unit '%1'").arg(c.args[2]));
    std::vector<UnitKey> members;
    if (const int code = existingUnits(c, s, moved, members); code != Ok) return code;
    for (const UnitKey& m : members) {
        const auto row = FindRelationRow(s.relations(), m, old);
        if (!row || CategoryOf(*row) != category::PartOf) {
            s.ui().error(QStringLiteral("%1 is not part of %2.").arg(m.text(), old.text()));
            return Failed;
        }
    }
    BulkScope bulk;
    if (!SplitUnit(s, old, *newUnit)) return Failed;
    if (!members.empty()) ApplyReassignment(s, old, *newUnit, category::PartOf, {}, members);
    return Ok;
}

int unitCombine(CliContext& c, const QString& into, const QString& containerClass)
{
    OpenedProject p(c, c.args[0]);
    if (!p.ok) return Failed;
    Session& s = p.session;
    const auto container = ParseUnitWord(into, s.project().CurrentExcavation);
    if (!container) return c.usage(QStringLiteral("cannot read the unit '%1'").arg(into));
    std::vector<UnitKey> units;
    if (const int code = existingUnits(c, s, c.args.mid(1), units); code != Ok) return code;
    return CombineUnits(s, units, *container, containerClass) ? Ok : Failed;
}

} // namespace

void RegisterUnitCommands(CLI::App& program, CliContext& c)
{
    CLI::App* unit = program.get_subcommand("unit");
    CLI::App* command = AddCommand(*unit, c, "delete", "delete units and every relationship that names them",
                                   [&c] { return onUnits(c, DeleteUnits); });
    AddWords(command, c, "P.bvp", kProjectFile);
    AddWords(command, c, "UNIT", "the units to delete, as [EXC:]NAME", 1, -1);

    command = AddCommand(*unit, c, "merge", "merge units of one class into the first; their relationships move to it",
                         [&c] { return onUnits(c, MergeUnits); });
    AddWords(command, c, "P.bvp", kProjectFile);
    AddWords(command, c, "TARGET", "the unit that stays, as [EXC:]NAME");
    AddWords(command, c, "OTHER", "the units merged into it and deleted, as [EXC:]NAME", 1, -1);

    struct CombineOptions {
        std::optional<QString> into;
        QString containerClass = kGroup;
    };
    auto combine = std::make_shared<CombineOptions>();
    command = AddCommand(*unit, c, "combine", "make units part of a new group or work area",
                         [&c, combine] { return unitCombine(c, *combine->into, combine->containerClass); });
    AddWords(command, c, "P.bvp", kProjectFile);
    AddWords(command, c, "UNIT", "the units to combine, as [EXC:]NAME", 1, -1);
    AddText(command, "--into", "[EXC:]NAME", "the new container", combine->into)->required();
    AddChoice(command, "--class", QStringLiteral("container class"), {kGroup, kWorkArea},
              "the class of the new container (default: group)", combine->containerClass);

    auto moved = std::make_shared<QStringList>();
    command = AddCommand(*unit, c, "split", "a new unit with the values and relationships of another",
                         [&c, moved] { return unitSplit(c, *moved); });
    AddWords(command, c, "P.bvp", kProjectFile);
    AddWords(command, c, "UNIT", "the unit to split, as [EXC:]NAME");
    AddWords(command, c, "NEWNAME", "the new unit, as [EXC:]NAME; without EXC: in the unit's excavation");
    AddValueOption(
        command, "--move", "[EXC:]NAME", "a member of the split container that becomes part of the new unit",
        [moved](const QString& unit) { *moved << unit; }, true);
}

} // namespace belvanto
