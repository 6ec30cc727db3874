#pragma once
// The period list: the periods (or phases) of a check run in their order
// from the latest to the earliest. The period check fills it, the level
// assignment with dating constraints counts its contexts down and sets the
// start levels, the layout parameter file stores names and start levels.
#include <QString>
#include <QtGlobal>
#include <vector>

namespace belvanto {

inline constexpr int kMaxPeriods = 255;

struct Period {
    QString name;
    // Contexts of the period not yet placed.
    qint32 count = 0;
    // Place in the sequence (1 = latest) until the level assignment with
    // dating constraints replaces it by the period's first level. Kept as a
    // full 32-bit number: a layout may have more than 32767 levels.
    qint32 position = 0;
    bool ambiguous = false;

    bool operator==(const Period&) const = default;
};

using PeriodList = std::vector<Period>;

} // namespace belvanto
