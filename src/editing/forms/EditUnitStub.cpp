#include "editing/forms/EditUnit.h"

namespace belvanto {

UnitEditResult EditUnit(Session&, QWidget*, const QString&, const QString&, const QStringList&, EditMode)
{
    return {};
}

} // namespace belvanto
