#include "core/UserInterface.h"

namespace belvanto {

QString HelpTopic::toString() const
{
    if (auto n = std::get_if<int>(&topic)) return QString::number(*n);
    if (auto s = std::get_if<QString>(&topic)) return *s;
    return QString();
}

} // namespace belvanto
