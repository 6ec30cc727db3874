#include "checks/Plausibility.h"
#include "core/Protocol.h"
#include "core/Regional.h"
#include "core/UserInterface.h"
#include "layout/RelationGraph.h"
#include "store/Relations.h"
#include "store/Session.h"
#include "store/Table.h"
#include "store/UnitFields.h"
#include <algorithm>
#include <cmath>
#include <optional>
#include <unordered_map>
#include <utility>
#include <vector>

namespace belvanto {

namespace {

struct CheckedUnit {
    std::optional<double> value;
    QString label;
};

// Each unit's value and display name, read once: a unit in many relationships
// is looked up, not read, each time.
std::unordered_map<UnitKey, CheckedUnit> readUnits(const Table& units, int field, bool singleExcavation)
{
    std::unordered_map<UnitKey, CheckedUnit> found;
    found.reserve(std::size_t(units.count()));
    units.scan(QString(), {}, QString(), [&](Table::Row& row) {
        UnitKey key{textAt(row, uf::Excavation), textAt(row, uf::Unitname)};
        QString label = UnitLabel(key.excavation, key.unitname, singleExcavation);
        found.emplace(std::move(key), CheckedUnit{doubleOf(row.values[field]), std::move(label)});
    });
    return found;
}

QString relationCaption(QChar code)
{
    if (code == category::Later) return QStringLiteral("later than");
    if (code == category::Contemporary) return QStringLiteral("contemporary with");
    return QStringLiteral("equal to");
}

} // namespace

int CoordinatesPresentCheck(Session& session, Protocol& protocol)
{
    Table& units = session.units();
    BusyCursor busy(session.ui());
    DisplaySuspended suspended(units);
    protocol.separate();
    const bool single = session.project().SingleExcavation;
    int missing = 0;
    units.scan(QStringLiteral("(XAvgCoord IS NULL OR YAvgCoord IS NULL OR ZAvgCoord IS NULL) AND Unitclass = ?"),
               {kContext}, kUnitKeyOrder, [&](const Table::Row& row) {
                   if (protocol.detailed()) {
                       if (missing == 0) protocol.add(QStringLiteral("List of contexts without center coordinates:"));
                       protocol.add(UnitLabel(textAt(row, uf::Excavation), textAt(row, uf::Unitname), single));
                   }
                   ++missing;
               });
    if (!protocol.detailed())
        protocol.add(QStringLiteral("%1 contexts do not have full center coordinates.").arg(missing));
    else if (missing == 0)
        protocol.add(QStringLiteral("Center coordinates are present for all contexts."));
    return missing;
}

int DifferenceCheck(Session& session, int field, QChar code, const QString& limitText, Protocol& protocol)
{
    if (limitText.isEmpty()) return 0;
    const std::optional<double> limit = session.regional().parseFloat(limitText);
    if (!limit || *limit < 0) return -1;
    const double m = *limit;

    UserInterface& ui = session.ui();
    Table& units = session.units();
    Table& relations = session.relations();
    BusyCursor busy(ui);
    DisplaySuspended unitsSuspended(units);
    DisplaySuspended relationsSuspended(relations);
    protocol.separate();

    const bool height = field == uf::ZAvgCoord;
    const QString r = relationCaption(code);
    const QString k = height ? QStringLiteral("height") : QStringLiteral("year");
    const QString limitWords = limitText + (height ? QStringLiteral(" coordinate units") : QString());
    const auto values = readUnits(units, field, session.project().SingleExcavation);

    // A height stored as 10.3 and one as 10.0 differ by a hair more than 0.3
    // in binary; such a hair is no problem. Years are whole numbers.
    auto beyond = [&](double x1, double x2, double difference) {
        if (!height) return difference > m;
        const double scale = std::max({1.0, std::fabs(x1), std::fabs(x2), m});
        return difference > m + 1e-9 * scale;
    };
    // The rows are read in the table's stored order, which the engine gives
    // without sorting the whole table by key; the problems, and the first
    // row that names a missing unit, are put into key order afterwards, so
    // that the outcome is that of a walk in key order that ends at that row.
    using RowKey = std::pair<UnitKey, UnitKey>;
    struct Problem {
        RowKey row;
        const QString* d1;
        const QString* d2;
    };
    std::vector<Problem> found;
    std::optional<RowKey> firstFailure;
    UnitKey missingUnit;
    relations.scan(QStringLiteral("RelationCat = ?"), {QString(code)}, QString(), [&](const Table::Row& row) {
        RowKey key{{textAt(row, rel::Excavation1), textAt(row, rel::Unitname1)},
                   {textAt(row, rel::Excavation2), textAt(row, rel::Unitname2)}};
        if (firstFailure && *firstFailure < key) return;
        const CheckedUnit* pair[2] = {};
        for (int end = 0; end < 2; ++end) {
            const UnitKey& unit = end == 0 ? key.first : key.second;
            const auto it = values.find(unit);
            if (it == values.end()) {
                missingUnit = unit;
                firstFailure = std::move(key);
                return;
            }
            if (!it->second.value) return;
            pair[end] = &it->second;
        }
        const double x1 = *pair[0]->value;
        const double x2 = *pair[1]->value;
        const QString& d1 = pair[0]->label;
        const QString& d2 = pair[1]->label;
        if (code == category::Later) {
            if (!beyond(x1, x2, x2 - x1)) return;
        } else {
            // Both rows of a pair are stored; the one whose first name sorts
            // first stands for it.
            if (!KeyTextLess(d1, d2) || !beyond(x1, x2, std::fabs(x2 - x1))) return;
        }
        found.push_back({std::move(key), &d1, &d2});
    });
    if (firstFailure) {
        ui.error(kMissingSecondUnitMessage + missingUnit.text());
        std::erase_if(found, [&](const Problem& p) { return *firstFailure < p.row; });
    }
    std::sort(found.begin(), found.end(), [](const Problem& a, const Problem& b) { return a.row < b.row; });
    const int problems = int(found.size());
    if (protocol.detailed() && problems > 0) {
        protocol.add(QStringLiteral("List of ") + r + QStringLiteral(" relationships with problematic ") + k
                     + QStringLiteral(" difference of more than ") + limitWords + QLatin1Char(':'));
        for (const Problem& p : found) protocol.add(*p.d1 + QLatin1Char(' ') + r + QLatin1Char(' ') + *p.d2);
    }
    if (!protocol.detailed())
        protocol.add(QStringLiteral("%1 \"").arg(problems) + r + QStringLiteral("\" relationships with problematic ") + k
                     + QStringLiteral(" difference of more than ") + limitWords + QStringLiteral(" found."));
    else if (problems == 0)
        protocol.add(QStringLiteral("Test of \"") + r + QStringLiteral("\" relationships: No problematic ") + k
                     + QStringLiteral(" differences found."));
    return problems;
}

} // namespace belvanto
