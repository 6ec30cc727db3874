#include "core/Random.h"

#include <gtest/gtest.h>

namespace belvanto {
namespace {

TEST(RandomGenerator, KnownSequenceOfSeedsAndDraws)
{
    RandomGenerator g(932216981u);
    const quint32 seeds[] = {1153914602u, 671439507u, 4150694112u};
    const quint32 draws[] = {26866u, 15633u, 96639u};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(g.nextInt(99999), draws[i]) << "draw " << i;
        EXPECT_EQ(g.seed(), seeds[i]) << "draw " << i;
    }
}

TEST(RandomGenerator, RealDrawIsTheNewSeedScaledDown)
{
    RandomGenerator g(932216981u);
    EXPECT_EQ(g.nextReal(), 1153914602.0 / 4294967296.0);
    EXPECT_EQ(g.seed(), 1153914602u);
}

TEST(RandomGenerator, SettingTheSeedRepeatsTheSequence)
{
    RandomGenerator g(1);
    const quint32 first = g.nextInt(1000);
    const double second = g.nextReal();
    g.setSeed(1);
    EXPECT_EQ(g.nextInt(1000), first);
    EXPECT_EQ(g.nextReal(), second);
}

TEST(RandomGenerator, LargestSeedStaysInsideTheRange)
{
    // 0x4D60AE66 steps to 0xFFFFFFFF, the largest seed a draw can see.
    RandomGenerator g(0x4D60AE66u);
    EXPECT_EQ(g.nextInt(0xFFFFFFFFu), 0xFFFFFFFEu);
    EXPECT_EQ(g.seed(), 0xFFFFFFFFu);
    g.setSeed(0x4D60AE66u);
    EXPECT_EQ(g.nextReal(), 4294967295.0 / 4294967296.0);
    g.setSeed(0x4D60AE66u);
    EXPECT_EQ(g.nextInt(1), 0u);
}

} // namespace
} // namespace belvanto
