#include "core/NumericEntry.h"

#include "core/Format.h"

namespace belvanto {

std::optional<double> CheckNonNegativeNumber(UserInterface& ui, const Regional& regional,
                                             const QString& text, const QString& subject,
                                             bool isFloat)
{
    std::optional<double> value;
    if (isFloat) {
        value = regional.parseFloat(text);
    } else if (const auto whole = parseInt32(text)) {
        value = *whole;
    }
    if (!value) {
        ui.beep();
        ui.error(subject + (isFloat ? QStringLiteral(" cannot be converted to a floating point number.")
                                    : QStringLiteral(" cannot be converted to an integer number.")));
        return std::nullopt;
    }
    if (*value < 0) {
        ui.error(QStringLiteral("Being negative does not solve any problems."));
        return std::nullopt;
    }
    return *value + 0.0; // -0.0 + 0.0 is +0.0
}

} // namespace belvanto
