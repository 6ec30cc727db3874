#include "checks/forms/CheckCommands.h"
#include "checks/PairTest.h"
#include "store/Session.h"
#include "store/Table.h"
#include "store/UnitFields.h"
#include "ui/CommandRegistry.h"
#include "ui/TProtocolForm.h"

namespace belvanto {

void RegisterCheckCommands(CommandRegistry& commands)
{
    commands.add(QStringLiteral("RelationsTestPair"), ListSelection::Units,
                 [](Session& session, QWidget* parent, const std::vector<qint64>& rowids) {
                     if (const auto lines = TestContextPair(session, UnitKeysOfRows(session.units(), rowids)))
                         ShowProtocol(parent, session.ui(), kPairWindowCaption, *lines, HelpTopic(kPairWindowHelp),
                                      true);
                 });
}

} // namespace belvanto
