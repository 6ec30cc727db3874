#pragma once
// Placements of small and generated stratigraphies in memory, and the
// records of a placed layout as text for exact comparisons.
#include "GraphFixture.h"
#include "layout/PlacementRun.h"
#include <QStringList>
#include <optional>

namespace belvanto::testing_support {

inline constexpr quint32 kDefaultSeed = 932216981u;

// Builds the graph of the input, levels it and places it; every context's
// X (for "use coordinates") may be given in key order.
std::optional<PlacedLayout> PlaceInput(const GraphInput& input, quint32 seed = kDefaultSeed,
                                       const PlacementOptions& options = {},
                                       const std::vector<OptionalInt>& x = {});

// "E:A C 1 ~ | 2 2 1 1 | 0 2 0 | 16777215 0 16777215 0 |  " : key, class,
// Clevel, CXPos, XStart XStop YLevelStart YLevelStop, NestCt SonCt FatherCt,
// colours and styles, GExcavation GUnitname; "~" stands for an empty field.
QString UnitRow(const PlacementUnit& unit);
QStringList UnitRows(const PlacedLayout& layout);
// "E:B<E:A | ~ 1 2 4 4 | 0 1 0 0" : unit 1, category, unit 2, YSubLevel
// YLevel1 YLevel2 XPos1 XPos2, NestCt2 RelCount Port1 Port2.
QStringList LineRows(const PlacedLayout& layout);
// The parameter file's integers.
std::vector<qint32> ParameterInts(const LayoutParameters& parameters);

// A generated stratigraphy of n contexts on levels of 1 to 16 classes, each
// earlier than one or two classes of the level above and now and then than
// one a few levels higher; small sets of equal and of contemporary
// contexts. The same seed gives the same input.
GraphInput GenerateStratigraphy(int n, quint32 seed);

} // namespace belvanto::testing_support
