#include "layout/GroupLayout.h"

namespace belvanto {

std::optional<PlacedLayout> LayoutWithGroups(UserInterface&, const GroupLayoutInput&, RandomGenerator&,
                                             const GroupLayoutOptions&, Protocol&, PeriodList&)
{
    return std::nullopt;
}

GroupLayoutInput ReadGroupLayoutInput(Session&, const HierarchyTree&, int)
{
    return {};
}

bool LayoutWithGroups(Session&, const HierarchyTree&, RandomGenerator&, int, bool, Protocol&, PeriodList&)
{
    return false;
}

} // namespace belvanto
