#include "checks/PairTest.h"
#include "layout/RelationGraph.h"
#include "store/Relations.h"
#include "store/Session.h"
#include "store/Table.h"
#include "store/UnitFields.h"
#include <unordered_map>

namespace belvanto {

namespace {

const QString kSelectTwo = QStringLiteral("Select two contexts (press <Ctrl>-key and click) before starting this check.");
const QString kOnlyContexts = QStringLiteral("Check can only be performed for units of class context");
const QString kSelectedMark = QStringLiteral("X");

struct PairUnit {
    UnitKey key;
    qint64 rowid = 0;
    bool context = false;
    QString selected;   // the stored mark
};

// A qualifying relationship of a unit as first unit, in key order.
struct Step {
    int unit = -1;      // -1: the second unit is not in the unit table
    QChar category;
    UnitKey missing;    // the second unit's key when it is missing
};

// The units, the "later", "contemporary" and "equal" rows of each unit in
// key order, and the visited marks of one search.
class PairSearch {
public:
    PairSearch(UserInterface& ui, const Table& unitTable, const Table& relationTable) : ui_(ui)
    {
        const auto unitRows = unitTable.query(QString(), {}, kUnitKeyOrder);
        units.reserve(unitRows.size());
        for (const auto& row : unitRows) {
            PairUnit unit{{textAt(row, uf::Excavation), textAt(row, uf::Unitname)}, row.rowid,
                          textAt(row, uf::Unitclass) == kContext, textAt(row, uf::Selected)};
            index_.emplace(unit.key, int(units.size()));
            units.push_back(std::move(unit));
        }
        steps_.resize(units.size());
        const auto relRows = relationTable.query(
            QStringLiteral("RelationCat IN (?, ?, ?)"),
            {QString(category::Later), QString(category::Contemporary), QString(category::Equal)}, kRelationKeyOrder);
        for (const auto& row : relRows) {
            const int first = unitOf({textAt(row, rel::Excavation1), textAt(row, rel::Unitname1)});
            // A row of a unit that does not exist is never walked.
            if (first < 0) continue;
            const UnitKey second{textAt(row, rel::Excavation2), textAt(row, rel::Unitname2)};
            const int unit = unitOf(second);
            steps_[std::size_t(first)].push_back({unit, textAt(row, rel::RelationCat).front(), unit < 0 ? second : UnitKey{}});
        }
    }

    int unitOf(const UnitKey& key) const
    {
        const auto it = index_.find(key);
        return it == index_.end() ? -1 : it->second;
    }

    // The path from `from` to `to`, each unit with the category of the row
    // that led to it; empty when there is none. The marks of this search
    // replace those of the one before.
    std::vector<std::pair<int, QChar>> search(int from, int to)
    {
        marked.assign(units.size(), false);
        cursor_.assign(units.size(), 0);
        std::vector<std::pair<int, QChar>> stack{{from, QChar()}};
        while (!stack.empty()) {
            const int unit = stack.back().first;
            // The start stays unmarked while it is alone on the stack, so a
            // path may come back to it once.
            if (stack.size() > 1) marked[std::size_t(unit)] = true;
            const Step* next = nextStep(unit);
            if (!next) {
                stack.pop_back();
                continue;
            }
            stack.emplace_back(next->unit, next->category);
            if (next->unit == to) return stack;
        }
        return {};
    }

    std::vector<PairUnit> units;
    std::vector<bool> marked;

private:
    // The first row of the unit whose second unit is neither marked nor the
    // unit itself. Each unit's walk resumes where it stopped: every row
    // before that point leads to a marked unit or back to the unit, and
    // marks stay for the whole search, so a walk from the first row would
    // skip them all again.
    const Step* nextStep(int unit)
    {
        const auto& steps = steps_[std::size_t(unit)];
        int& at = cursor_[std::size_t(unit)];
        for (; at < int(steps.size()); ++at) {
            const Step& step = steps[std::size_t(at)];
            if (step.unit < 0) {
                // The walk ends here, and a later walk of the unit ends here again.
                ui_.error(kMissingSecondUnitMessage + step.missing.text());
                return nullptr;
            }
            if (step.unit == unit || marked[std::size_t(step.unit)]) continue;
            return &steps[std::size_t(at++)];
        }
        return nullptr;
    }

    UserInterface& ui_;
    std::unordered_map<UnitKey, int> index_;
    std::vector<std::vector<Step>> steps_;
    std::vector<int> cursor_;
};

// Every unit that the search marked gets "X", every other unit's mark is
// cleared; only records whose mark changes are written.
void writeMarks(Table& unitTable, const PairSearch& search)
{
    BulkScope bulk;
    for (std::size_t i = 0; i < search.units.size(); ++i) {
        const PairUnit& unit = search.units[i];
        const QString want = search.marked[i] ? kSelectedMark : QString();
        if (unit.selected == want || !unitTable.gotoRowid(unit.rowid)) continue;
        unitTable.edit();
        unitTable.set(uf::Selected, want.isEmpty() ? Value() : Value(want));
        unitTable.post();
    }
}

} // namespace

std::optional<QStringList> TestContextPair(Session& session, const std::vector<UnitKey>& selected)
{
    UserInterface& ui = session.ui();
    if (selected.size() != 2) {
        ui.warning(kSelectTwo);
        return std::nullopt;
    }
    Table& units = session.units();
    const bool single = session.project().SingleExcavation;
    auto label = [single](const UnitKey& key) { return UnitLabel(key.excavation, key.unitname, single); };

    // Both tables are read whole, whatever their filters; only the marks'
    // writing needs the unit table's filter off.
    PairSearch search(ui, units, session.relations());
    const int first = search.unitOf(selected[0]);
    const int second = search.unitOf(selected[1]);
    for (int unit : {first, second}) {
        if (unit < 0 || !search.units[std::size_t(unit)].context) {
            ui.error(kOnlyContexts);
            return std::nullopt;
        }
    }

    std::vector<std::pair<int, QChar>> path;
    {
        BusyCursor busy(ui);
        DisplaySuspended suspended(units);
        StatusScope status(ui);
        status.set(QStringLiteral("Testing relations between %1 and %2").arg(label(selected[0]), label(selected[1])));
        path = search.search(first, second);
        if (path.empty()) path = search.search(second, first);
        // A project opened for reading keeps its marks.
        if (!session.project().ReadOnly) {
            FilterOff unfiltered(units);
            LinkOff unlinked(units);
            writeMarks(units, search);
        }
        units.first();
    }
    if (path.empty()) {
        ui.information(QStringLiteral("There are no stratigraphic relations between %1 and %2")
                           .arg(label(selected[0]), label(selected[1])));
        return std::nullopt;
    }
    auto unitLabel = [&](int unit) { return label(search.units[std::size_t(unit)].key); };
    QStringList lines{QStringLiteral("Connection between %1 and %2:").arg(unitLabel(path.front().first),
                                                                          unitLabel(path.back().first)),
                      QString(), unitLabel(path.front().first)};
    for (std::size_t i = 1; i < path.size(); ++i)
        lines << QString(path[i].second) + QLatin1Char(' ') + unitLabel(path[i].first);
    return lines;
}

} // namespace belvanto
