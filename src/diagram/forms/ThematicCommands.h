#pragma once
// The main window's "&Thematic style..." (UnitsThematic).
class QWidget;

namespace belvanto {

class CommandRegistry;
class Session;

// With the unit table's filter off throughout: the field, then the term or
// range dialog.
void ThematicStyleCommand(Session& session, QWidget* parent);
void RegisterThematicCommands(CommandRegistry& commands);

} // namespace belvanto
