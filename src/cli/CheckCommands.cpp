#include "cli/CheckCommands.h"
#include "checks/CheckRun.h"
#include "checks/PairTest.h"
#include "cli/CliCommand.h"
#include "core/Format.h"
#include "core/UserInterface.h"
#include "editing/AddRelationship.h"
#include "store/Session.h"
#include "store/Table.h"
#include "store/UnitFields.h"

namespace belvanto {

namespace {

int cmdPair(CliContext& c)
{
    OpenedProject p(c, c.args[0]);
    if (!p.ok) return Failed;
    Session& s = p.session;
    std::vector<UnitKey> units;
    for (const QString& word : c.args.mid(1)) {
        const auto key = ParseUnitWord(word, s.project().CurrentExcavation);
        if (!key) return c.usage(QStringLiteral("cannot read the unit '%1'").arg(word));
        if (!UnitExists(s.units(), *key)) {
            s.ui().error(QStringLiteral("Unit %1 does not exist.").arg(key->text()));
            return Usage;
        }
        units.push_back(*key);
    }
    const auto lines = TestContextPair(s, units);
    if (!lines) return Failed;
    for (const QString& line : *lines) c.print(c.out, line + QLatin1Char('\n'));
    return Ok;
}

} // namespace

void RegisterCheckCommands(CLI::App& program, CliContext& c)
{
    CLI::App* pair = AddCommand(program, c, "pair", "the stratigraphic path between two contexts",
                                [&c] { return cmdPair(c); });
    AddWords(pair, c, "P.bvp", "the project file");
    AddWords(pair, c, "UNIT", "two contexts, [EXCAVATION:]NAME each", 2, 2);
}

} // namespace belvanto
