// Hand-checked layouts of small stratigraphies with the default seed, whose
// first draws in [0, 99999) are 26866, 15633, 96639, 24493, 87523, 94958.
#include "PlacementFixture.h"
#include <gtest/gtest.h>

using namespace belvanto;
using namespace belvanto::testing_support;

namespace {

std::string lines(const QStringList& rows)
{
    return rows.join(QLatin1Char('\n')).toStdString();
}

TEST(PlacementGolden, ChainStandsInOneColumn)
{
    // Every box gets the level-1 draw 24493 as its sweep position: one chain.
    const auto layout = PlaceInput(MakeGraphInput({"A", "B", "C"}, {"A>B", "B>C"}));
    ASSERT_TRUE(layout);
    EXPECT_EQ(lines(UnitRows(*layout)), lines({
        "E:A C 1 ~ | 1 1 1 1 | 0 1 0 | 16777215 0 16777215 0 | ~ ~",
        "E:B C 2 ~ | 1 1 2 2 | 0 1 1 | 16777215 0 16777215 0 | ~ ~",
        "E:C C 3 ~ | 1 1 3 3 | 0 0 1 | 16777215 0 16777215 0 | ~ ~",
    }));
    EXPECT_EQ(lines(LineRows(*layout)), lines({
        "E:B<E:A | ~ 1 2 2 2 | 0 1 0 0",
        "E:C<E:B | ~ 2 3 2 2 | 0 1 0 0",
    }));
    EXPECT_EQ(ParameterInts(layout->parameters), (std::vector<qint32>{0, 1, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
}

TEST(PlacementGolden, DiamondOscillatesAndIsRefined)
{
    // Level 2 swaps its pair on every sweep (equal barycentres, previous
    // position descending), drifting 4 to the right per round: after ten
    // rounds A 87564, B 87562, C 87567, D 87562. Chains [B, D], [A], [C] give
    // columns 1, 1, 1, 2; the refinement moves D (desired 2) and A (desired
    // 2) right.
    const auto layout = PlaceInput(MakeGraphInput({"A", "B", "C", "D"}, {"A>B", "A>C", "B>D", "C>D"}));
    ASSERT_TRUE(layout);
    EXPECT_EQ(lines(UnitRows(*layout)), lines({
        "E:A C 1 ~ | 2 2 1 1 | 0 2 0 | 16777215 0 16777215 0 | ~ ~",
        "E:B C 2 ~ | 1 1 2 2 | 0 1 1 | 16777215 0 16777215 0 | ~ ~",
        "E:C C 2 ~ | 2 2 2 2 | 0 1 1 | 16777215 0 16777215 0 | ~ ~",
        "E:D C 3 ~ | 2 2 3 3 | 0 0 2 | 16777215 0 16777215 0 | ~ ~",
    }));
    EXPECT_EQ(lines(LineRows(*layout)), lines({
        "E:B<E:A | 1 1 2 4 2 | 0 1 -2 0",
        "E:C<E:A | ~ 1 2 4 4 | 0 1 0 0",
        "E:D<E:B | 1 2 3 2 4 | 0 1 0 -2",
        "E:D<E:C | ~ 2 3 4 4 | 0 1 0 0",
    }));
    EXPECT_EQ(ParameterInts(layout->parameters), (std::vector<qint32>{0, 2, 3, 0, 0, 0, 0, 0, 0, 0, 1, 1, 0, 0}));
}

TEST(PlacementGolden, EqualSetWithALongLink)
{
    // C = D; D has two earlier/later rows, C one, so D represents the set and
    // C's row to B becomes D's. D's row to A spans two levels: one dummy on
    // level 2. The chain [dummy, D, F] takes column 1 and D's level widens to
    // 2 for C; A moves right to its desired column 2.
    const auto layout = PlaceInput(
        MakeGraphInput({"A", "B", "C", "D", "F"}, {"A>B", "B>C", "C=D", "A>D", "D>F"}));
    ASSERT_TRUE(layout);
    EXPECT_EQ(lines(UnitRows(*layout)), lines({
        ":Dummy:       1 D 2 ~ | 1 1 2 2 | 0 1 1 | ~ ~ ~ ~ | ~ ~",
        "E:A C 1 ~ | 2 2 1 1 | 0 2 0 | 16777215 0 16777215 0 | ~ ~",
        "E:B C 2 ~ | 2 2 2 2 | 0 1 1 | 16777215 0 16777215 0 | ~ ~",
        "E:C E 3 ~ | 2 2 3 3 | 0 ~ ~ | 16777215 0 16777215 0 | ~ ~",
        "E:D C 3 ~ | 1 1 3 3 | 0 1 2 | 16777215 0 16777215 0 | ~ ~",
        "E:F C 4 ~ | 1 1 4 4 | 0 0 1 | 16777215 0 16777215 0 | ~ ~",
    }));
    EXPECT_EQ(lines(LineRows(*layout)), lines({
        ":Dummy:       1<E:A | 1 1 2 4 2 | 0 ~ -2 0",
        "E:B<E:A | ~ 1 2 4 4 | 0 1 0 0",
        "E:D<:Dummy:       1 | ~ 2 3 2 2 | 0 ~ 0 0",
        "E:D<E:B | 1 2 3 4 2 | 0 1 0 2",
        "E:D=E:C | ~ 3 ~ 1 2 | ~ ~ ~ ~",
        "E:F<E:D | ~ 3 4 2 2 | 0 1 0 0",
    }));
    EXPECT_EQ(ParameterInts(layout->parameters),
              (std::vector<qint32>{0, 2, 4, 0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 0, 0, 0}));
}

TEST(PlacementGolden, ContemporaryPairSharesALevelWithoutALine)
{
    // C has no later unit but is contemporary with B, so it stands on level
    // 2; it has no father and keeps its own draw 96639, right of B.
    const auto layout = PlaceInput(MakeGraphInput({"A", "B", "C"}, {"A>B", "B-C"}));
    ASSERT_TRUE(layout);
    EXPECT_EQ(lines(UnitRows(*layout)), lines({
        "E:A C 1 ~ | 1 1 1 1 | 0 1 0 | 16777215 0 16777215 0 | ~ ~",
        "E:B C 2 ~ | 1 1 2 2 | 0 0 1 | 16777215 0 16777215 0 | ~ ~",
        "E:C C 2 ~ | 2 2 2 2 | 0 0 0 | 16777215 0 16777215 0 | ~ ~",
    }));
    EXPECT_EQ(lines(LineRows(*layout)), lines({"E:B<E:A | ~ 1 2 2 2 | 0 1 0 0"}));
    EXPECT_EQ(ParameterInts(layout->parameters), (std::vector<qint32>{0, 2, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
}

} // namespace
