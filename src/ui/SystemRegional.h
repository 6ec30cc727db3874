#pragma once
#include "core/Regional.h"

namespace belvanto {

// The user's own conventions, as the desktop reports them at start.
class SystemRegional : public FixedRegional {
public:
    SystemRegional();
};

} // namespace belvanto
