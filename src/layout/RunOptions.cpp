#include "layout/RunOptions.h"
#include "core/Format.h"
#include "core/Random.h"
#include "store/Session.h"
#include "store/Table.h"
#include "store/UnitFields.h"

namespace belvanto {

namespace {

using C = RunControl;

void set(RunOptions& o, C control, bool value)
{
    SetRunOption(o, control, value);
}

// The rules of a control that has just changed to value.
void cascade(RunOptions& o, C control, bool value)
{
    switch (control) {
    case C::Periods:
        if (value) {
            set(o, C::Cycles, true);
            set(o, C::Phases, false);
        }
        break;
    case C::Phases:
        if (value) {
            set(o, C::Cycles, true);
            set(o, C::Periods, false);
        }
        break;
    case C::DeleteRedundant:
        if (value) set(o, C::Cycles, true);
        break;
    case C::Cycles:
        if (!value) {
            for (C c : {C::Groups, C::StrictGroups, C::Periods, C::Phases, C::DeleteRedundant}) set(o, c, false);
            set(o, C::Layout, false);
        }
        break;
    case C::Groups:
        if (value) {
            set(o, C::Cycles, true);
            set(o, C::Layout, true);
            set(o, C::CoordinateOrder, false);
        } else {
            set(o, C::StrictGroups, false);
        }
        break;
    case C::StrictGroups:
        if (value) {
            set(o, C::Cycles, true);
            set(o, C::Groups, true);
        }
        break;
    case C::Layout:
        // "Check only" cannot stand beside the groups.
        if (!value && o[C::Groups]) set(o, C::Layout, true);
        if (o[C::Layout]) set(o, C::Cycles, true);
        break;
    case C::CoordinateOrder:
        if (value) set(o, C::Groups, false);
        break;
    default:
        break;
    }
}

std::optional<FieldProblem> numberProblem(const QString& text, bool integer, const QString& what)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty()) return std::nullopt;
    if (integer) {
        const auto value = parseInt32(trimmed);
        if (!value) return FieldProblem{what + QStringLiteral(" cannot be converted to an integer number."), true};
        if (*value < 0) return FieldProblem{QStringLiteral("Being negative does not solve any problems."), false};
        return std::nullopt;
    }
    const auto value = parseDouble(trimmed);
    if (!value) return FieldProblem{what + QStringLiteral(" cannot be converted to a floating point number."), true};
    if (*value < 0) return FieldProblem{QStringLiteral("Being negative does not solve any problems."), false};
    return std::nullopt;
}

} // namespace

RunOptions::RunOptions()
{
    on[int(C::Cycles)] = true;
    on[int(C::DeleteRedundant)] = true;
    on[int(C::Layout)] = true;
}

int BitsPerPixel(ColourDepth depth)
{
    static constexpr int bits[] = {1, 4, 8, 16, 24};
    return bits[int(depth)];
}

void SetRunOption(RunOptions& options, RunControl control, bool value)
{
    if (options[control] == value) return;
    options.on[int(control)] = value;
    cascade(options, control, value);
}

RunOptions PresetRunOptions(Session& session)
{
    RunOptions options;
    Table& units = session.units();
    WholeTable all(units);
    bool group = false, periodMissing = false, phaseMissing = false, coloured = false;
    qint64 count = 0;
    units.scan(QString(), {}, QString(), [&](const Table::Row& row) {
        ++count;
        group = group || textAt(row, uf::Unitclass) == kGroup;
        periodMissing = periodMissing || textAt(row, uf::Period).isEmpty();
        phaseMissing = phaseMissing || textAt(row, uf::Phase).isEmpty();
        const auto colour = intOf(row.values[uf::DisplayColour]);
        coloured = coloured || (colour && *colour != 16777215);
    });
    if (group) SetRunOption(options, C::Groups, true);
    if (!periodMissing) SetRunOption(options, C::Periods, true);
    else if (!phaseMissing) SetRunOption(options, C::Phases, true);
    if (count <= 1000 && coloured) options.colours = ColourDepth::Colours65536;
    return options;
}

std::optional<FieldProblem> HeightProblem(const QString& text)
{
    return numberProblem(text, false, QStringLiteral("Coordinate unit value"));
}

std::optional<FieldProblem> YearProblem(const QString& text)
{
    return numberProblem(text, true, QStringLiteral("Year value"));
}

std::optional<FieldProblem> SeedProblem(const QString& text)
{
    // Shuffle may give a negative seed, and the run takes it: so does the
    // field.
    if (parseInt(text.trimmed())) return std::nullopt;
    return FieldProblem{QStringLiteral("Random seed cannot be converted to an integer number."), true};
}

quint32 SeedOf(const QString& text)
{
    return quint32(quint64(parseInt(text.trimmed()).value_or(0)));
}

QString ShuffledSeed(const QTime& time)
{
    RandomGenerator random(quint32(time.second() * 1000 + time.msec() - time.minute() * 703));
    random.nextReal();
    return QString::number(qint32(random.seed()) % 999999999);
}

} // namespace belvanto
