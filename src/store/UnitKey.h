#pragma once
#include <QHashFunctions>
#include <QString>
#include <QStringView>
#include <compare>
#include <cstddef>
#include <functional>

namespace belvanto {

// Primary-key order of every table that names units by (Excavation,
// Unitname), and of every table that names pairs of them: the unit and
// relationship tables and the layout tables. Walks "in key order" request it
// explicitly, so that a sort the user chose for the lists changes nothing.
inline const QString kUnitKeyOrder = QStringLiteral("Excavation, Unitname");
inline const QString kRelationKeyOrder = QStringLiteral("Excavation1, Unitname1, Excavation2, Unitname2");

// Code point order of two texts, case-sensitive: the order SQLite's BINARY
// collation gives on UTF-8, so that in-memory orders agree with the tables'
// key order. UTF-16 code unit order differs from it where a surrogate pair
// (a character above U+FFFF) meets a character from U+E000 on.
int CompareKeyText(QStringView a, QStringView b);
inline bool KeyTextLess(QStringView a, QStringView b) { return CompareKeyText(a, b) < 0; }

// (excavation name, unit name): the key of the unit table and the way every
// other table names a unit. Ordered as the tables order keys: by excavation,
// then unit name, each by code point.
struct UnitKey {
    QString excavation;
    QString unitname;
    // Written "<excavation>:<unit name>" in relationship messages.
    QString text() const { return excavation + QLatin1Char(':') + unitname; }
    bool operator==(const UnitKey&) const = default;
    std::strong_ordering operator<=>(const UnitKey& o) const
    {
        if (const int c = CompareKeyText(excavation, o.excavation)) return c <=> 0;
        return CompareKeyText(unitname, o.unitname) <=> 0;
    }
};

inline std::size_t qHash(const UnitKey& key, std::size_t seed = 0) noexcept
{
    return qHashMulti(seed, key.excavation, key.unitname);
}

} // namespace belvanto

template <>
struct std::hash<belvanto::UnitKey> {
    std::size_t operator()(const belvanto::UnitKey& key) const noexcept { return belvanto::qHash(key); }
};
