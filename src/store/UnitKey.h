#pragma once
#include <QString>
#include <compare>

namespace belvanto {

// Primary-key order of every table that names units by (Excavation,
// Unitname), and of every table that names pairs of them: the unit and
// relationship tables and the layout tables. Walks "in key order" request it
// explicitly, so that a sort the user chose for the lists changes nothing.
inline const QString kUnitKeyOrder = QStringLiteral("Excavation, Unitname");
inline const QString kRelationKeyOrder = QStringLiteral("Excavation1, Unitname1, Excavation2, Unitname2");

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
