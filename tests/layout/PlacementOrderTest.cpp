#include "core/Random.h"
#include "layout/PlacementOrder.h"
#include <gtest/gtest.h>
#include <vector>

using namespace belvanto;
using namespace belvanto::placement;

namespace {

TEST(PlacementOrder, BarycentreRoundsHalfToEven)
{
    struct Case { qint64 sum, count, expected; };
    const Case cases[] = {
        {175051, 2, 87526}, {175057, 2, 87528}, {5, 2, 2}, {7, 2, 4}, {1, 3, 0}, {2, 3, 1},
        {-3, 2, -2}, {-5, 2, -2}, {-4, 3, -1}, {0, 7, 0},
        // Sums beyond 32 bits: ten thousand fathers far right.
        {10000 * qint64(600000) + 5000, 10000, 600000}, {10000 * qint64(600000) + 15000, 10000, 600002},
    };
    for (const Case& c : cases) EXPECT_EQ(DivideHalfEven(c.sum, c.count), c.expected) << c.sum << "/" << c.count;
}

TEST(PlacementOrder, DesiredColumnRoundsUp)
{
    struct Case { qint64 sum, count, expected; };
    const Case cases[] = {{3, 2, 2}, {4, 2, 2}, {4, 3, 2}, {1, 5, 1}, {0, 3, 0}, {9, 3, 3}};
    for (const Case& c : cases) EXPECT_EQ(DivideCeil(c.sum, c.count), c.expected) << c.sum << "/" << c.count;
}

TEST(PlacementOrder, SortPutsTheHigherPreviousPositionFirst)
{
    EXPECT_TRUE(SortsBefore(10, 0, 11, 99));
    EXPECT_TRUE(SortsBefore(10, 7, 10, 3));
    EXPECT_FALSE(SortsBefore(10, 3, 10, 7));
    EXPECT_FALSE(SortsBefore(10, 3, 10, 3));   // ties keep the level list's order
}

// The spreading as its description words it: runs of elements that take
// last + 5, last + 10, ...
std::vector<qint64> spreadByRuns(const std::vector<qint64>& sorted)
{
    std::vector<qint64> out = sorted;
    qint64 last = kSpreadStart;
    std::size_t i = 0;
    while (i < out.size()) {
        if (out[i] - last >= 5) {
            last = out[i++];
            continue;
        }
        std::size_t r = 1;
        while (i + r < out.size() && out[i + r] <= last + 5 * qint64(r)) ++r;
        for (std::size_t k = 0; k < r; ++k) out[i + k] = last + 5 * qint64(k + 1);
        last = out[i + r - 1];
        i += r;
    }
    return out;
}

TEST(PlacementOrder, SpreadingElementByElementEqualsTheRuns)
{
    RandomGenerator random(7);
    for (int trial = 0; trial < 2000; ++trial) {
        std::vector<qint64> positions(1 + random.nextInt(12));
        for (qint64& p : positions) p = qint64(random.nextInt(40)) - 99999 * qint64(random.nextInt(50) == 0);
        std::sort(positions.begin(), positions.end());
        std::vector<qint64> spread;
        qint64 last = kSpreadStart;
        for (qint64 p : positions) spread.push_back(last = SpreadPosition(p, last));
        ASSERT_EQ(spread, spreadByRuns(positions));
    }
}

TEST(PlacementOrder, SpreadingKeepsFiveApart)
{
    // 87523 stays, the equal one moves 5 on; a gap of exactly 5 is kept.
    EXPECT_EQ(SpreadPosition(87523, kSpreadStart), 87523);
    EXPECT_EQ(SpreadPosition(87523, 87523), 87528);
    EXPECT_EQ(SpreadPosition(87528, 87523), 87528);
    EXPECT_EQ(SpreadPosition(87527, 87523), 87528);
    EXPECT_EQ(SpreadPosition(-99995, kSpreadStart), -99994);
}

TEST(PlacementOrder, ChainSegmentsGrowWhileCheapOrShort)
{
    EXPECT_TRUE(SegmentGrows(5, 1000));   // short runs always grow
    EXPECT_TRUE(SegmentGrows(6, 18));
    EXPECT_FALSE(SegmentGrows(6, 19));
    EXPECT_TRUE(SegmentGrows(10, 30));
}

TEST(PlacementOrder, KeysAndDummyNames)
{
    EXPECT_EQ(DummyName(1), QStringLiteral("       1"));
    EXPECT_EQ(DummyName(12345678), QStringLiteral("12345678"));
    EXPECT_EQ(PaddedNumber(2, 4), QStringLiteral("2"));
    EXPECT_EQ(PaddedNumber(2, 11), QStringLiteral("02"));
    EXPECT_EQ(PaddedNumber(7, 100), QStringLiteral("007"));
    EXPECT_EQ(JoinKey(QString(), QStringLiteral("03")), QStringLiteral("03"));
    EXPECT_EQ(JoinKey(QStringLiteral("2*1"), QStringLiteral("03")), QStringLiteral("2*1*03"));
}

TEST(PlacementOrder, DrawsOfTheDefaultSeed)
{
    RandomGenerator random(932216981u);
    std::vector<quint32> draws;
    for (int i = 0; i < 6; ++i) draws.push_back(random.nextInt(kRandomRange));
    EXPECT_EQ(draws, (std::vector<quint32>{26866, 15633, 96639, 24493, 87523, 94958}));
}

} // namespace
