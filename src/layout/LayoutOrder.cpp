#include "layout/LayoutOrder.h"
#include <algorithm>

namespace belvanto {

bool NodeList::contains(int node) const
{
    return std::find(cells_.begin(), cells_.end(), node) != cells_.end();
}

bool NodeList::remove(int node)
{
    const auto it = std::find(cells_.rbegin(), cells_.rend(), node);
    if (it == cells_.rend()) return false;
    cells_.erase(std::next(it).base());
    return true;
}

} // namespace belvanto
