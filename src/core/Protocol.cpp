#include "core/Protocol.h"

namespace belvanto {

QString reportModeCaption(ReportMode mode)
{
    return mode == ReportMode::Summary ? QStringLiteral("Short summary only")
                                       : QStringLiteral("Detailed report");
}

} // namespace belvanto
