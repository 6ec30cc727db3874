#pragma once
// Opening the unit edit form: what the Units menu, the relationship list,
// the navigation window and the group tree call.
#include "editing/UnitEditor.h"
#include "store/UnitKey.h"
#include <QString>
#include <QStringList>

class QWidget;

namespace belvanto {

class Session;

struct UnitEditResult {
    bool accepted = false;      // closed with OK (also by the move buttons' rule)
    bool unitsChanged = false;  // some unit or relationship was written
    UnitKey savedKey;           // the unit saved last, or as loaded
};

// Prepares the form and shows it modally; a unit missing at opening shows
// its message and no form.
UnitEditResult EditUnit(Session& session, QWidget* parent, const QString& excavation, const QString& unitName,
                        const QStringList& classList, EditMode mode);

} // namespace belvanto
