#pragma once
// The check behind the numeric entry fields of the dialogs (tolerances,
// distances, years, scales).
#include "core/Regional.h"
#include "core/UserInterface.h"

#include <QString>
#include <optional>

namespace belvanto {

// Converts `text` (blanks around it allowed) to a non-negative number, or tells
// the user why it cannot and gives nothing:
// - not a number: a beep, then the error box "<subject> cannot be converted to
//   a floating point number." (or "... to an integer number."). The beep comes
//   first so that it sounds as the box appears, not after it is closed;
// - negative: the error box "Being negative does not solve any problems.",
//   without a beep.
// A float may use "." or the regional decimal separator and an exponent; an
// integer is digits only and must fit 32 bits. -0 gives 0.
std::optional<double> CheckNonNegativeNumber(UserInterface& ui, const Regional& regional,
                                             const QString& text, const QString& subject,
                                             bool isFloat);

} // namespace belvanto
