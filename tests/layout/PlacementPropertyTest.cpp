// Properties of the layouts of generated stratigraphies of 10,000 contexts.
#include "PlacementFixture.h"
#include "layout/LayoutFiles.h"
#include <gtest/gtest.h>
#include <set>

using namespace belvanto;
using namespace belvanto::testing_support;

namespace {

class PlacementProperties : public ::testing::TestWithParam<quint32> {};

TEST_P(PlacementProperties, HoldOnAGeneratedStratigraphy)
{
    const GraphInput input = GenerateStratigraphy(10000, GetParam());
    const auto layout = PlaceInput(input, GetParam() * 7919u + 1u);
    ASSERT_TRUE(layout);
    const qint32 k = layout->parameters.columns;
    const qint32 l = layout->parameters.levels;
    ASSERT_GT(l, 100);

    std::set<std::pair<qint32, qint32>> boxes;
    int contexts = 0, dummies = 0, merged = 0;
    for (const PlacementUnit& u : layout->units) {
        ASSERT_TRUE(u.XStart && u.XStop && u.YLevelStart && u.YLevelStop) << UnitRow(u).toStdString();
        EXPECT_EQ(*u.XStart, *u.XStop) << UnitRow(u).toStdString();
        EXPECT_EQ(*u.YLevelStart, *u.YLevelStop) << UnitRow(u).toStdString();
        EXPECT_GE(*u.XStart, 1);
        EXPECT_LE(*u.XStart, k);
        EXPECT_GE(*u.YLevelStart, 1);
        EXPECT_LE(*u.YLevelStart, l);
        EXPECT_TRUE(boxes.insert({*u.YLevelStart, *u.XStart}).second) << "two boxes at " << UnitRow(u).toStdString();
        if (u.Unitclass == kContextRecord) ++contexts;
        else if (u.Unitclass == kDummyRecord) ++dummies;
        else if (u.Unitclass == kMergedRecord) ++merged;
    }
    EXPECT_EQ(contexts + merged, 10000);
    EXPECT_GT(dummies, 0);
    EXPECT_GT(merged, 0);

    int equalLinks = 0;
    for (const PlacementLine& line : layout->lines) {
        const PlacementUnit& lower = layout->units[std::size_t(line.first)];
        const PlacementUnit& upper = layout->units[std::size_t(line.second)];
        if (line.category == QLatin1Char('<')) {
            EXPECT_EQ(*lower.YLevelStart, *upper.YLevelStart + 1) << UnitRow(lower).toStdString();
            EXPECT_EQ(line.YLevel2, lower.YLevelStart);
            EXPECT_EQ(line.YLevel1, upper.YLevelStart);
        } else {
            ASSERT_EQ(line.category, QLatin1Char('='));
            ++equalLinks;
            // The "=" chain runs from the representative to the right.
            EXPECT_EQ(*lower.YLevelStart, *upper.YLevelStart);
            EXPECT_EQ(*upper.XStart, *lower.XStart + 1) << UnitRow(lower).toStdString();
            EXPECT_EQ(upper.Unitclass, kMergedRecord);
        }
    }
    EXPECT_EQ(equalLinks, merged);
}

INSTANTIATE_TEST_SUITE_P(Seeds, PlacementProperties, ::testing::Values(1u, 2u));

} // namespace
