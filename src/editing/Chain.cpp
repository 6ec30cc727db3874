#include "editing/Chain.h"
#include "core/UserInterface.h"
#include "editing/AddRelationship.h"
#include "editing/UnitEntry.h"
#include "store/Session.h"
#include "store/UnitFields.h"
#include <set>

namespace belvanto {

QString ChainClassCell(const Table& unitTable, const QString& excavation, const QString& unitName)
{
    return UnitClassOf(unitTable, {excavation, unitName}).value_or(kUndefinedClass);
}

ChainResult EnterChain(Session& session, const QString& excavation, const QStringList& rows)
{
    UserInterface& ui = session.ui();
    Table& units = session.units();
    ChainResult result;
    if (!CheckExcavationName(ui, excavation)) {
        result.focusExcavation = true;
        return result;
    }

    std::vector<int> named;   // rows with a name, top to bottom
    for (int i = 0; i < rows.size(); ++i) {
        result.classCells << (rows[i].isEmpty() ? QString() : ChainClassCell(units, excavation, rows[i]));
        if (!rows[i].isEmpty()) named.push_back(i);
    }
    QString chainClass;
    // A name may stand in several rows; it is one unit, created once.
    std::vector<QString> undefined;
    std::set<QString> undefinedSeen;
    for (int i : named) {
        const QString& cell = result.classCells[i];
        if (cell != kUndefinedClass) {
            if (chainClass.isEmpty()) chainClass = cell;
            if (cell == chainClass) continue;
            ui.message(MessageKind::Error,
                       QStringLiteral("Units belonging to different unit classes\r\nmay not be chained!"), Buttons::Ok,
                       HelpTopic(kChainHelpTopic));
            return result;
        }
        if (const QString problem = CheckUnitName(rows[i]); !problem.isEmpty()) {
            ui.message(MessageKind::Error, problem, Buttons::Ok, HelpTopic(kUnitNameHelpTopic));
            result.focusRow = i;
            return result;
        }
        if (undefinedSeen.insert(rows[i]).second) undefined.push_back(rows[i]);
    }
    if (named.size() < 2) {
        ui.message(MessageKind::Error, QStringLiteral("Only one context in chain. No relationships created."),
                   Buttons::Ok, HelpTopic(kChainHelpTopic));
        result.close = true;
        return result;
    }
    if (!chainClass.isEmpty() && chainClass != kContext) {
        ui.message(MessageKind::Error,
                   QStringLiteral("Sorry, current implementation allows only\r\nthat units of class context are chained!"),
                   Buttons::Ok, HelpTopic(kChainHelpTopic));
        return result;
    }
    if (!undefined.empty()
        && ui.confirm(QStringLiteral("Do you really want to create %1 units?").arg(undefined.size()), Buttons::YesNo,
                      HelpTopic(kChainHelpTopic))
               != Answer::Yes)
        return result;

    {
        // One transaction for the whole chain: a row each would make a long
        // chain take seconds.
        BulkScope bulk;
        for (const QString& name : undefined) {
            CreateUnit(units, {excavation, name}, kContext);
            ++result.unitsCreated;
        }
        FilterOff unfiltered(session.relations());
        UnitClassCache classes(units);
        for (std::size_t k = 0; k + 1 < named.size(); ++k) {
            const UnitKey upper{excavation, rows[named[k]]};
            const UnitKey lower{excavation, rows[named[k + 1]]};
            if (AddRelationship(session, units, session.relations(), upper, lower, category::Later, QString(),
                                level::Everything, &classes)
                == AddResult::Stored)
                ++result.relationshipsStored;
        }
    }
    if (!undefined.empty()) {
        for (int i : named) result.classCells[i] = kContext;
        LeaveSingleExcavationIfMixed(session);
    }
    result.close = true;
    return result;
}

} // namespace belvanto
