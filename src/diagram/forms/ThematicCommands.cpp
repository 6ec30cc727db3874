#include "diagram/forms/ThematicCommands.h"
#include "diagram/forms/TThemRangeForm.h"
#include "diagram/forms/TThematicForm.h"
#include "store/Session.h"
#include "ui/CommandRegistry.h"

namespace belvanto {

void ThematicStyleCommand(Session& session, QWidget* parent)
{
    WholeTable whole(session.units());
    const auto pos = ChooseThematicField(session);
    if (!pos) return;
    auto start = StartThematic(session, *pos);
    if (!start) return;
    if (start->field.type == FieldType::String) {
        TThematicForm form(session, std::move(*start), parent);
        form.exec();
    } else {
        TThemRangeForm form(session, std::move(*start), parent);
        form.exec();
    }
}

void RegisterThematicCommands(CommandRegistry& commands)
{
    commands.add(QStringLiteral("UnitsThematic"), ThematicStyleCommand);
}

} // namespace belvanto
