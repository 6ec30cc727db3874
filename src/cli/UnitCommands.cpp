#include "cli/UnitCommands.h"
#include "cli/CliCommand.h"
#include "core/UserInterface.h"
#include "editing/AddRelationship.h"
#include "editing/RemoveRelationships.h"
#include "editing/UnitEditor.h"
#include "editing/UnitEntry.h"
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

// unit set and unit rename: the edit form in edit mode, each text typed into
// its field and the field left, then OK.
int editUnit(CliContext& c, const std::function<int(Session&, UnitEditor&, const UnitKey&)>& type)
{
    OpenedProject p(c, c.args[0]);
    if (!p.ok) return Failed;
    Session& s = p.session;
    std::vector<UnitKey> units;
    if (const int code = existingUnits(c, s, {c.args[1]}, units); code != Ok) return code;
    UnitEditor editor(s);
    if (!editor.open(units.front().excavation, units.front().unitname, {}, EditMode::Edit)) return Failed;
    if (const int code = type(s, editor, units.front()); code != Ok) return code;
    return editor.save() ? Ok : Failed;
}

int unitSet(CliContext& c)
{
    return editUnit(c, [&c](Session& s, UnitEditor& editor, const UnitKey&) {
        for (const QString& word : c.args.mid(2)) {
            const auto assignment = ParseFieldAssignment(word);
            if (!assignment) return c.usage(QStringLiteral("'%1' is no FIELD=VALUE, such as Period=Roman").arg(word));
            const QString& value = assignment->text;
            QString message;
            const auto field = SettableUnitField(s.catalogue(), assignment->field, true, message);
            if (!field) {
                s.ui().error(message);
                return int(Failed);
            }
            if (*field == uf::Unitclass && !UnitClassList().contains(value))
                return c.usage(QStringLiteral("the unit class must be one of: %1").arg(UnitClassList().join(QStringLiteral(", "))));
            editor.setText(*field, value);
            if (!editor.leaveField(*field)) return int(Failed);
        }
        return int(Ok);
    });
}

int unitRename(CliContext& c)
{
    return editUnit(c, [&c](Session&, UnitEditor& editor, const UnitKey& unit) {
        // The new name stays in the unit's excavation unless the word names one.
        const auto renamed = ParseUnitWord(c.args[2], unit.excavation);
        if (!renamed) return c.usage(QStringLiteral("cannot read the unit '%1'").arg(c.args[2]));
        editor.setText(uf::Excavation, renamed->excavation);
        editor.setText(uf::Unitname, renamed->unitname);
        return int(Ok);
    });
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

    command = AddCommand(*unit, c, "set", "change field values of a unit as the unit edit form does",
                         [&c] { return unitSet(c); });
    AddWords(command, c, "P.bvp", kProjectFile);
    AddWords(command, c, "UNIT", "the unit to change, as [EXC:]NAME");
    AddWords(command, c, "FIELD=VALUE",
             "a field and its new value as typed into the form, such as Period=Roman, MinYear=-120 or "
             "ExcavationDate=3.4.2026; an empty VALUE empties the field",
             1, -1);

    command = AddCommand(*unit, c, "rename", "give a unit a new name; its relationships follow it",
                         [&c] { return unitRename(c); });
    AddWords(command, c, "P.bvp", kProjectFile);
    AddWords(command, c, "UNIT", "the unit to rename, as [EXC:]NAME");
    AddWords(command, c, "NEWNAME", "the new key, as [EXC:]NAME; without EXC: in the unit's excavation");
}

} // namespace belvanto
