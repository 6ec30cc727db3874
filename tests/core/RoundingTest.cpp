#include "core/Rounding.h"

#include <gtest/gtest.h>

#include <cfenv>
#include <limits>

namespace belvanto {
namespace {

struct RoundCase {
    double value;
    qint64 rounded;
    qint64 truncated;
};

TEST(Rounding, HalvesGoToEvenAndTruncationCutsTowardZero)
{
    const RoundCase cases[] = {
        {0.5, 0, 0},          {1.5, 2, 1},        {2.5, 2, 2},       {3.5, 4, 3},
        {-0.5, 0, 0},         {-1.5, -2, -1},     {-2.5, -2, -2},    {-2.7, -3, -2},
        {2.4999999999, 2, 2}, {2.5000000001, 3, 2}, {-0.2, 0, 0},    {7.0, 7, 7},
        // Just below 2^52 halves still exist; this one goes up to the even 2^52.
        {4503599627370495.5, 4503599627370496, 4503599627370495},
    };
    for (const RoundCase& c : cases) {
        EXPECT_EQ(roundHalfEven(c.value), c.rounded) << c.value;
        EXPECT_EQ(truncateToInt(c.value), c.truncated) << c.value;
    }
}

TEST(Rounding, IndependentOfTheCurrentRoundingMode)
{
    const int before = std::fegetround();
    for (int mode : {FE_UPWARD, FE_DOWNWARD, FE_TOWARDZERO}) {
        ASSERT_EQ(std::fesetround(mode), 0);
        const qint64 results[] = {roundHalfEven(2.5), roundHalfEven(-1.5), roundHalfEven(3.5),
                                  roundHalfEven(-2.7), roundHalfEven(0.49999999999999994),
                                  roundHalfEven(4503599627370495.5)};
        const int after = std::fegetround();
        std::fesetround(before);
        EXPECT_EQ(after, mode) << "the caller's mode must stay";
        const qint64 expected[] = {2, -2, 4, -3, 0, 4503599627370496};
        for (size_t i = 0; i < std::size(expected); ++i) {
            EXPECT_EQ(results[i], expected[i]) << "mode " << mode << ", case " << i;
        }
    }
}

TEST(Rounding, OutOfRangeSaturatesAndNaNGivesZero)
{
    constexpr qint64 max = std::numeric_limits<qint64>::max();
    constexpr qint64 min = std::numeric_limits<qint64>::min();
    EXPECT_EQ(roundHalfEven(1e300), max);
    EXPECT_EQ(roundHalfEven(-1e300), min);
    EXPECT_EQ(truncateToInt(std::numeric_limits<double>::infinity()), max);
    EXPECT_EQ(roundHalfEven(std::numeric_limits<double>::quiet_NaN()), 0);
    EXPECT_EQ(roundHalfEven(-0x1p63), min);
}

TEST(Rounding, Int32VersionsRefuseWhatDoesNotFit)
{
    EXPECT_EQ(roundHalfEvenInt32(2147483647.4), 2147483647);
    // Half to even goes up to 2^31 here, one past the range.
    EXPECT_EQ(roundHalfEvenInt32(2147483647.5), std::nullopt);
    EXPECT_EQ(roundHalfEvenInt32(-2147483648.5), -2147483647 - 1);
    EXPECT_EQ(roundHalfEvenInt32(-2147483649.0), std::nullopt);
    EXPECT_EQ(truncateToInt32(2147483647.9), 2147483647);
    EXPECT_EQ(truncateToInt32(-2147483648.9), -2147483647 - 1);
    EXPECT_EQ(truncateToInt32(std::numeric_limits<double>::quiet_NaN()), std::nullopt);
}

} // namespace
} // namespace belvanto
