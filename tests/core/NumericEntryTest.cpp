#include "core/NumericEntry.h"

#include "support/ScriptedUi.h"

#include <gtest/gtest.h>

#include <cmath>

namespace belvanto {
namespace {

const QString floatFailure = QStringLiteral("Tolerance cannot be converted to a floating point number.");
const QString intFailure = QStringLiteral("Tolerance cannot be converted to an integer number.");
const QString negative = QStringLiteral("Being negative does not solve any problems.");

struct EntryCase {
    const char* text;
    bool isFloat;
    char separator;
    std::optional<double> value;
    QStringList events; // what the user sees and hears, in order
};

TEST(CheckNonNegativeNumber, ConvertsOrTellsWhy)
{
    const EntryCase cases[] = {
        {"12.5", true, '.', 12.5, {}},
        {" 3,25 ", true, ',', 3.25, {}},
        {"3.25", true, ',', 3.25, {}},
        {"1e2", true, '.', 100.0, {}},
        {"0", true, '.', 0.0, {}},
        {"7", false, '.', 7.0, {}},
        {" 7 ", false, ',', 7.0, {}},
        {"abc", true, '.', {}, {"beep", "error: " + floatFailure}},
        {"", true, '.', {}, {"beep", "error: " + floatFailure}},
        {"3,25", true, '.', {}, {"beep", "error: " + floatFailure}},
        {"2.5", false, '.', {}, {"beep", "error: " + intFailure}},
        {"2,5", false, ',', {}, {"beep", "error: " + intFailure}},
        {"99999999999", false, '.', {}, {"beep", "error: " + intFailure}},
        {"-1", false, '.', {}, {"error: " + negative}},
        {"-0.5", true, '.', {}, {"error: " + negative}},
        {"-0,001", true, ',', {}, {"error: " + negative}},
    };
    for (const EntryCase& c : cases) {
        SCOPED_TRACE(c.text);
        const FixedRegional regional(QLatin1Char(c.separator));
        ScriptedUi ui;
        for (const QString& event : c.events) {
            if (event.startsWith(QLatin1String("error: "))) ui.expectError(event.mid(7));
        }
        EXPECT_EQ(CheckNonNegativeNumber(ui, regional, QString::fromUtf8(c.text),
                                         QStringLiteral("Tolerance"), c.isFloat),
                  c.value);
        EXPECT_EQ(ui.events(), c.events);
    }
}

TEST(CheckNonNegativeNumber, MinusZeroIsZero)
{
    const FixedRegional regional;
    ScriptedUi ui;
    for (bool isFloat : {true, false}) {
        const auto value = CheckNonNegativeNumber(ui, regional, QStringLiteral("-0"),
                                                  QStringLiteral("Scale"), isFloat);
        ASSERT_EQ(value, 0.0);
        EXPECT_FALSE(std::signbit(*value));
    }
}

} // namespace
} // namespace belvanto
