#pragma once
// The commands of the consistency checks that the user starts by hand.

namespace belvanto {

class CommandRegistry;

// RelationsTestPair.
void RegisterCheckCommands(CommandRegistry& commands);

} // namespace belvanto
