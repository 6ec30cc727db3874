#pragma once
// Entering new units: the names and field values are checked before the
// first unit is stored, so that a refused entry leaves the project as it was.
#include "store/UnitFields.h"
#include "store/UnitKey.h"
#include <QString>
#include <functional>
#include <optional>
#include <vector>

namespace belvanto {

class Regional;
class Session;

struct UnitFieldText {
    QString field;   // the field's name, such as "Period"
    QString text;    // as typed; empty leaves the field empty
};

// "FIELD=VALUE", split at the first equal sign; none without one. The
// value may be empty.
std::optional<UnitFieldText> ParseFieldAssignment(const QString& word);

struct UnitEntryRequest {
    std::vector<UnitKey> keys;
    QString unitClass = kContext;   // one of UnitClassList()
    std::vector<UnitFieldText> fields;
};

// A typed text as a value of the field; the message explains a refusal.
// Locale-free: "." for decimals, dates as yyyy-mm-dd.
std::optional<Value> ConvertFieldText(const UnitFieldEntry& field, const QString& text, QString& message);
// As the user types it: the regional decimal separator (or "."), dates in
// the regional order with two- or four-digit years, or ISO.
std::optional<Value> ConvertFieldText(const UnitFieldEntry& field, const QString& text, const Regional& regional,
                                      QString& message);

// The first coordinate or year triple whose minimum, maximum and center
// disagree: the unit form's message and the triple's "Min." field.
struct RangeProblem {
    QString message;
    int minField;
};
std::optional<RangeProblem> FirstRangeProblem(const std::function<std::optional<double>(int field)>& number);

// The 0-based position of a field that a command may set by name: none
// for the key, the work fields and, unless classToo, the class; the
// message then says why.
std::optional<int> SettableUnitField(const UnitFieldCatalogue& catalogue, const QString& name, bool classToo,
                                     QString& message);

// Stores one unit per key, each with the class and the field values. The
// first refused name or value is shown as an error and nothing is stored. A
// single-excavation project that holds a second excavation afterwards says
// so and leaves single-excavation mode. True when the units are stored.
bool EnterUnits(Session& session, const UnitEntryRequest& request);

// After units were created: a single-excavation project that holds a second
// excavation now says so and leaves single-excavation mode, since its labels
// (the unit name alone) would no longer tell the units apart.
void LeaveSingleExcavationIfMixed(Session& session);

} // namespace belvanto
