#pragma once
#include <QString>
#include <compare>

namespace belvanto {

// (excavation name, unit name): the key of the unit table and the way every
// other table names a unit. Ordered by code point, as the tables order keys.
struct UnitKey {
    QString excavation;
    QString unitname;
    // Written "<excavation>:<unit name>" in relationship messages.
    QString text() const { return excavation + QLatin1Char(':') + unitname; }
    bool operator==(const UnitKey&) const = default;
    std::strong_ordering operator<=>(const UnitKey& o) const
    {
        if (int c = QString::compare(excavation, o.excavation, Qt::CaseSensitive)) return c <=> 0;
        return QString::compare(unitname, o.unitname, Qt::CaseSensitive) <=> 0;
    }
};

} // namespace belvanto
