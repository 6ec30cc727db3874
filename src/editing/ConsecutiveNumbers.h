#pragma once
// "Units with consecutive numbers": a run of units named prefix + number,
// created in one go, optionally copied from a model unit and chained from
// the lowest number (latest) to the highest (earliest).
#include "store/Table.h"
#include "store/UnitKey.h"
#include <QString>
#include <optional>
#include <vector>

namespace belvanto {

class Session;

inline constexpr int kConsecutiveHelpTopic = 75;
inline const QString kConsecutiveHelpName = QStringLiteral("Units_with_consecutive_numbers");
inline constexpr int kMaxNumberDigits = 8;   // the unit name's size
inline constexpr int kMaxConsecutivePrefix = 4;
inline constexpr int kConsecutiveProgressStep = 1000;   // units between two progress texts

// The dialog's entries as typed.
struct ConsecutiveRequest {
    QString excavation;
    QString first;      // digits, no leading zero
    QString last;
    QString prefix;     // trimmed before use
    QString unitClass;
    int digits = 0;     // 0: numbers without leading zeros
    QString model;      // a unit of the excavation whose fields are copied; "" for none
    bool chain = false;
};

// The control that gets the focus back after a refusal.
enum class ConsecutiveFocus { None, Excavation, First, Last, Digits, Prefix, UnitClass, Model };

// The checks of OK in their order; the first failure is shown.
ConsecutiveFocus ValidateConsecutive(Session& session, const ConsecutiveRequest& request);

// Name of the unit with this number.
QString ConsecutiveUnitName(const ConsecutiveRequest& request, qint64 number);

struct ConsecutiveOutcome {
    int created = 0;
    int existing = 0;   // left unchanged
    bool stopped = false;   // the user stopped the run; what was made before stays
};

// Creates the units of a validated request, after the confirmation, and
// reports the units that already existed. Nothing when the user declines.
// The user may stop a long run at a progress report: the units made so far,
// each whole and chained, stay.
std::optional<ConsecutiveOutcome> CreateConsecutiveUnits(Session& session, const ConsecutiveRequest& request);

// Creates a unit with its key and class and, when model holds a unit record,
// every other field copied from it.
void CreateUnitFromModel(Table& units, const UnitKey& key, const QString& unitClass,
                         const std::vector<Value>& model);

} // namespace belvanto
