#include "checks/PeriodCheck.h"
#include "core/Protocol.h"
#include "core/UserInterface.h"
#include "layout/RelationGraph.h"
#include "store/Relations.h"
#include "store/Session.h"
#include "store/Table.h"
#include "store/UnitFields.h"
#include "store/UnitKey.h"
#include <QStringList>
#include <algorithm>
#include <stdexcept>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace belvanto {

namespace {

// What the check needs of the open project, read once. Every distinct text
// of the dating field gets a number (-1 for the empty one), so that the
// walks compare and look up numbers.
struct Snapshot {
    struct Unit {
        UnitKey key;
        int value;
        bool isContext;
        bool onTop;   // level 1 after the cycle check
    };
    // In key order.
    std::vector<Unit> units;
    std::vector<QString> values;

    // The rows of the categories the walks read, in key order. A unit the
    // unit table lacks is -1 - its index in missing.
    struct Relation {
        int first, second;
        QChar category;
    };
    std::vector<Relation> relations;
    std::vector<UnitKey> missing;
    // Where a first unit sorts among the units: 2i + 1 for unit i, 2i for a
    // key the unit table lacks that sorts just before unit i. By place: the
    // rows of every category whose first unit sorts before it.
    std::vector<int> rowsBefore;

    int place(int unit, const UnitKey& key) const
    {
        if (unit >= 0) return 2 * unit + 1;
        const auto at = std::lower_bound(units.begin(), units.end(), key,
                                         [](const Unit& u, const UnitKey& k) { return u.key < k; });
        return 2 * int(at - units.begin());
    }
};

// Plain scans of both tables, past any filter or link and in no particular
// order, which is much cheaper than a walk in key order: the snapshot sorts
// for itself.
Snapshot readSnapshot(Session& session, int datingField)
{
    Snapshot s;
    std::unordered_map<QString, int> valueIds;
    session.units().scan(QString(), {}, QString(), [&](Table::Row& row) {
        const QString text = textAt(row, datingField);
        int id = -1;
        if (!text.isEmpty()) {
            const auto [it, added] = valueIds.emplace(text, int(s.values.size()));
            if (added) s.values.push_back(text);
            id = it->second;
        }
        s.units.push_back({{textAt(row, uf::Excavation), textAt(row, uf::Unitname)}, id,
                           textAt(row, uf::Unitclass) == kContext, intOf(row.values[uf::Y]) == 1});
    });
    std::sort(s.units.begin(), s.units.end(), [](const Snapshot::Unit& a, const Snapshot::Unit& b) { return a.key < b.key; });
    std::unordered_map<UnitKey, int> index;
    index.reserve(s.units.size());
    for (std::size_t u = 0; u < s.units.size(); ++u) index.emplace(s.units[u].key, int(u));

    auto unitOf = [&](const UnitKey& key) {
        const auto it = index.find(key);
        return it == index.end() ? -1 : it->second;
    };
    struct Pending {
        Snapshot::Relation relation;
        int place1, place2;
    };
    std::vector<Pending> pending;
    std::vector<int> rowsAt(2 * s.units.size() + 2, 0);
    session.relations().scan(QString(), {}, QString(), [&](Table::Row& row) {
        UnitKey first{textAt(row, rel::Excavation1), textAt(row, rel::Unitname1)};
        int u1 = unitOf(first);
        const int place1 = s.place(u1, first);
        ++rowsAt[std::size_t(place1)];
        const QString category = textAt(row, rel::RelationCat);
        const QChar code = category.isEmpty() ? QChar() : category[0];
        if (code != category::Later && code != category::Equal && code != category::Contemporary) return;
        UnitKey second{textAt(row, rel::Excavation2), textAt(row, rel::Unitname2)};
        int u2 = unitOf(second);
        const int place2 = s.place(u2, second);
        if (u1 < 0) {
            s.missing.push_back(std::move(first));
            u1 = -int(s.missing.size());
        }
        if (u2 < 0) {
            s.missing.push_back(std::move(second));
            u2 = -int(s.missing.size());
        }
        pending.push_back({{u1, u2, code}, place1, place2});
    });
    s.rowsBefore.assign(rowsAt.size() + 1, 0);
    for (std::size_t p = 0; p < rowsAt.size(); ++p) s.rowsBefore[p + 1] = s.rowsBefore[p] + rowsAt[p];

    // Keys the unit table lacks may share a place; their texts decide.
    auto compareEnds = [&](int placeA, int unitA, int placeB, int unitB) {
        if (placeA != placeB) return placeA < placeB ? -1 : 1;
        if (unitA >= 0 || unitA == unitB) return 0;
        const auto order = s.missing[std::size_t(-unitA - 1)] <=> s.missing[std::size_t(-unitB - 1)];
        return order < 0 ? -1 : order > 0 ? 1 : 0;
    };
    std::sort(pending.begin(), pending.end(), [&](const Pending& a, const Pending& b) {
        if (const int c = compareEnds(a.place1, a.relation.first, b.place1, b.relation.first)) return c < 0;
        return compareEnds(a.place2, a.relation.second, b.place2, b.relation.second) < 0;
    });
    s.relations.reserve(pending.size());
    for (const Pending& p : pending) s.relations.push_back(p.relation);
    return s;
}

// The 1-based place of the row (first, second) among all rows of the
// relationship table in key order.
qint32 recordNumber(const Table& relationTable, const Snapshot& s, int first, int second)
{
    const UnitKey& key = s.units[std::size_t(second)].key;
    qint32 number = s.rowsBefore[std::size_t(s.place(first, UnitKey{}))] + 1;
    for (const Table::Row& row : RowsOfFirst(relationTable, s.units[std::size_t(first)].key))
        if (UnitKey{textAt(row, rel::Excavation2), textAt(row, rel::Unitname2)} < key) ++number;
    return number;
}

// One row of the period relation table; the periods are value numbers.
struct PeriodRelation {
    int later, earlier;
    qint32 recordNumber;
    qint32 count1 = 1, count2 = 0, flag = 0;
};

quint64 pairId(int a, int b)
{
    return (quint64(quint32(a)) << 32) | quint32(b);
}

struct PeriodRelations {
    std::vector<PeriodRelation> rows;
    std::unordered_map<quint64, std::size_t> rowOf;

    PeriodRelation* find(int later, int earlier)
    {
        const auto it = rowOf.find(pairId(later, earlier));
        return it == rowOf.end() ? nullptr : &rows[it->second];
    }
    void add(int later, int earlier, qint32 recordNumber)
    {
        rowOf.emplace(pairId(later, earlier), rows.size());
        rows.push_back({later, earlier, recordNumber});
    }
};

// Creates the table anew, replacing an old one, and fills it in one
// transaction.
void writePeriodRelations(Session& session, int fieldSize, const Snapshot& s, const PeriodRelations& relations)
{
    const QString dir = session.project().ProjectDirectory;
    Table::create(dir, kPeriodRelationTable,
                  {{QStringLiteral("Period1"), FieldType::String, fieldSize},
                   {QStringLiteral("Period2"), FieldType::String, fieldSize},
                   {QStringLiteral("RecPos"), FieldType::Integer},
                   {QStringLiteral("Count1"), FieldType::Integer},
                   {QStringLiteral("Count2"), FieldType::Integer},
                   {QStringLiteral("Flag"), FieldType::Integer}},
                  IndexDef{QString(), {QStringLiteral("Period1"), QStringLiteral("Period2")}});
    Table table;
    table.open(dir, kPeriodRelationTable, true);
    {
        BulkScope bulk;
        for (const PeriodRelation& r : relations.rows) {
            table.insert();
            table.set(0, s.values[std::size_t(r.later)]);
            table.set(1, s.values[std::size_t(r.earlier)]);
            table.set(2, r.recordNumber);
            table.set(3, r.count1);
            table.set(4, r.count2);
            table.set(5, r.flag);
            table.post();
        }
    }
    table.close();
}

class Check {
public:
    Check(Session& session, int datingField, Protocol& protocol, PeriodList& periods)
        : session_(session), ui_(session.ui()), protocol_(protocol), periods_(periods),
          field_(session.catalogue()[datingField]), label_(field_.Label), lower_(field_.Label.toLower()),
          status_(ui_)
    {
        BusyCursor busy(ui_);
        s_ = readSnapshot(session, datingField);
    }

    // Each stage gives the check's result when it ends it.
    std::optional<int> sameValuesOfClasses();
    std::optional<int> listPeriods();
    std::optional<int> relatePeriods();
    std::optional<int> orderPeriods();
    int finalOrder(const PeriodOrderChooser& choose);
    int datingLevels(RelationGraph* graph);

private:
    void error(const QString& line)
    {
        protocol_.add(QString());
        protocol_.add(line);
    }
    QString label(int unit) const
    {
        const UnitKey& key = s_.units[std::size_t(unit)].key;
        return UnitLabel(key.excavation, key.unitname, session_.project().SingleExcavation);
    }
    // False (after the error message) for a unit the unit table lacks: the
    // walk ends there.
    bool present(int unit)
    {
        if (unit >= 0) return true;
        ui_.error(kMissingSecondUnitMessage + s_.missing[std::size_t(-unit - 1)].text());
        return false;
    }
    QString plural() const { return label_ + QLatin1Char('s'); }

    Session& session_;
    UserInterface& ui_;
    Protocol& protocol_;
    PeriodList& periods_;
    const UnitFieldEntry& field_;
    QString label_, lower_;
    StatusScope status_;
    Snapshot s_;
    // By value number: the period's index in the list, or -1.
    std::vector<int> periodOf_;
    std::vector<char> topPeriods_;
    PeriodRelations relations_;
    bool ambiguous_ = false;
};

std::optional<int> Check::sameValuesOfClasses()
{
    status_.set(QStringLiteral("Checking contemporary and equal relationships"));
    for (const Snapshot::Relation& r : s_.relations) {
        if (r.category == category::Later) continue;
        if (!present(r.first)) break;
        const int v1 = s_.units[std::size_t(r.first)].value;
        if (v1 < 0) continue;
        if (!present(r.second)) break;
        const int v2 = s_.units[std::size_t(r.second)].value;
        if (v2 >= 0 && v2 != v1) {
            error(QStringLiteral("Error: %1 contexts %2 and %3 belong to different %4.")
                      .arg(r.category == category::Contemporary ? QStringLiteral("Contemporary") : QStringLiteral("Equal"),
                           label(r.first), label(r.second), plural()));
            return kPeriodCheckStop;
        }
    }
    return std::nullopt;
}

std::optional<int> Check::listPeriods()
{
    status_.set(QStringLiteral("Creating list of all ") + plural());
    periods_.clear();
    periodOf_.assign(s_.values.size(), -1);
    topPeriods_.clear();
    for (std::size_t u = 0; u < s_.units.size(); ++u) {
        if (!s_.units[u].isContext) continue;
        const int v = s_.units[u].value;
        if (v < 0) {
            error(QStringLiteral("Error: Context %1 does not belong to a %2.").arg(label(int(u)), label_));
            periods_.clear();
            return kPeriodCheckStop;
        }
        int& p = periodOf_[std::size_t(v)];
        if (p < 0) {
            if (int(periods_.size()) == kMaxPeriods) {
                ui_.error(QStringLiteral("Error: Cannot process more than %1 %2s.").arg(kMaxPeriods).arg(lower_));
                periods_.clear();
                return kPeriodCheckStop;
            }
            p = int(periods_.size());
            periods_.push_back({s_.values[std::size_t(v)], 0, 0, false});
            topPeriods_.push_back(0);
        }
        ++periods_[std::size_t(p)].count;
        if (s_.units[u].onTop) topPeriods_[std::size_t(p)] = 1;
    }
    if (periods_.size() == 1) {
        error(QStringLiteral("Error: All contexts belong to the same %1.").arg(label_));
        periods_.clear();
        return kPeriodCheckStop;
    }
    return std::nullopt;
}

std::optional<int> Check::relatePeriods()
{
    bool contradiction = false;
    for (const Snapshot::Relation& r : s_.relations) {
        if (r.category != category::Later) continue;
        if (!present(r.first)) break;
        const int p1 = s_.units[std::size_t(r.first)].value;
        if (p1 < 0) continue;
        if (!present(r.second)) break;
        const int p2 = s_.units[std::size_t(r.second)].value;
        if (p2 < 0 || p2 == p1) continue;
        if (PeriodRelation* row = relations_.find(p1, p2)) {
            ++row->count1;
        } else if (PeriodRelation* opposite = relations_.find(p2, p1)) {
            error(QStringLiteral("Error: %1 %2 is later and earlier than %3.")
                      .arg(lower_, s_.values[std::size_t(p1)], s_.values[std::size_t(p2)]));
            ++opposite->count2;
            contradiction = true;
        } else {
            relations_.add(p1, p2, recordNumber(session_.relations(), s_, r.first, r.second));
        }
    }
    if (contradiction) {
        writePeriodRelations(session_, field_.Size, s_, relations_);
        return kPeriodCheckShowRelations;
    }
    return std::nullopt;
}

std::optional<int> Check::orderPeriods()
{
    const std::size_t n = periods_.size();
    // Rows whose ends are both periods of the list: a value that only units
    // other than contexts carry neither waits for nor follows anything.
    std::vector<std::vector<int>> laterOf(n), earlierOf(n);
    for (const PeriodRelation& r : relations_.rows) {
        const int later = periodOf_[std::size_t(r.later)], earlier = periodOf_[std::size_t(r.earlier)];
        if (later < 0 || earlier < 0) continue;
        laterOf[std::size_t(earlier)].push_back(later);
        earlierOf[std::size_t(later)].push_back(earlier);
    }

    std::vector<char> candidate = topPeriods_;
    std::size_t ordered = 0;
    qint32 position = 1;
    std::vector<int> before, pass;
    while (ordered < n) {
        status_.set(QStringLiteral("Ordering list of %1 - level %2").arg(plural()).arg(position));
        before.clear();
        pass.clear();
        for (std::size_t p = 0; p < n; ++p)
            if (candidate[p]) before.push_back(int(p));
        for (int p : before) {
            const auto& later = laterOf[std::size_t(p)];
            if (std::none_of(later.begin(), later.end(), [&](int q) { return periods_[std::size_t(q)].position == 0; }))
                pass.push_back(p);
        }
        if (pass.empty()) {
            std::vector<char> inCycle(s_.values.size(), 0);
            QStringList names;
            for (int p : before) {
                names << periods_[std::size_t(p)].name;
                for (std::size_t v = 0; v < periodOf_.size(); ++v)
                    if (periodOf_[v] == p) inCycle[v] = 1;
            }
            for (PeriodRelation& r : relations_.rows)
                if (inCycle[std::size_t(r.later)]) r.flag = 1;
            for (PeriodRelation& r : relations_.rows)
                if (inCycle[std::size_t(r.earlier)]) r.flag = 2;
            error(QStringLiteral("Error: Cycle in ") + plural());
            if (!names.isEmpty()) protocol_.add(QStringLiteral("Problem %1: %2").arg(plural(), names.join(QStringLiteral(", "))));
            writePeriodRelations(session_, field_.Size, s_, relations_);
            return kPeriodCheckShowRelations;
        }
        const bool several = pass.size() >= 2;
        ambiguous_ = ambiguous_ || several;
        std::fill(candidate.begin(), candidate.end(), 0);
        for (int p : pass) {
            Period& period = periods_[std::size_t(p)];
            period.position = position++;
            period.ambiguous = several;
            ++ordered;
            for (int q : earlierOf[std::size_t(p)]) candidate[std::size_t(q)] = 1;
        }
    }
    writePeriodRelations(session_, field_.Size, s_, relations_);
    return std::nullopt;
}

int Check::finalOrder(const PeriodOrderChooser& choose)
{
    std::stable_sort(periods_.begin(), periods_.end(),
                     [](const Period& a, const Period& b) { return a.position < b.position; });
    // Without anyone to ask, the order stands as the passes found it.
    if (!ambiguous_ || !choose) return kPeriodCheckOk;
    status_.set(QString());
    const std::optional<std::vector<int>> order = choose(periods_);
    if (!order) {
        protocol_.clear();
        return kPeriodCheckStop;
    }
    std::vector<char> taken(periods_.size(), 0);
    bool permutation = order->size() == periods_.size();
    for (int i : *order) {
        permutation = permutation && i >= 0 && i < int(periods_.size()) && !taken[std::size_t(i)];
        if (permutation) taken[std::size_t(i)] = 1;
    }
    if (!permutation) throw std::invalid_argument("the chosen period order is not an order of the periods");
    PeriodList sorted;
    sorted.reserve(periods_.size());
    for (int i : *order) {
        sorted.push_back(periods_[std::size_t(i)]);
        sorted.back().position = qint32(sorted.size());
    }
    periods_ = std::move(sorted);
    return kPeriodCheckOk;
}

int Check::datingLevels(RelationGraph* graph)
{
    Table& units = session_.units();
    RelationGraph own;
    if (!graph) {
        if (!BuildRelationGraph(ui_, own, session_.relations(), units, GraphFields{},
                                session_.project().SingleExcavation))
            return kPeriodCheckShowRelations;
        graph = &own;
    }
    LevelFields fields;
    fields.datingField = field_.Name;
    const LevelResult result = AssignLevels(ui_, *graph, units, protocol_, fields, QString(), &periods_, label_);
    return result.ok() ? kPeriodCheckOk : kPeriodCheckShowRelations;
}

} // namespace

QString PeriodRelationTablePath(const QString& projectDirectory)
{
    return Table::pathOf(projectDirectory, kPeriodRelationTable);
}

int PeriodCheck(Session& session, int datingField, Protocol& protocol, bool runDatingLevels, PeriodList& periods,
                const PeriodOrderChooser& choose, RelationGraph* graph)
{
    Check check(session, datingField, protocol, periods);
    if (const auto stop = check.sameValuesOfClasses()) return *stop;
    if (const auto stop = check.listPeriods()) return *stop;
    if (const auto stop = check.relatePeriods()) return *stop;
    if (const auto stop = check.orderPeriods()) return *stop;
    if (const int result = check.finalOrder(choose); result != kPeriodCheckOk) return result;
    return runDatingLevels ? check.datingLevels(graph) : kPeriodCheckOk;
}

std::vector<RelationRow> PeriodRelationsBehind(Session& session, int datingField, const QString& period1,
                                               const QString& period2, bool later, bool earlier)
{
    std::vector<RelationRow> rows;
    QStringList categories;
    if (later) categories << QString(category::Later);
    if (earlier) categories << QString(category::Earlier);
    if (categories.isEmpty() || period1.isEmpty() || period2.isEmpty()) return rows;

    const QString column = session.catalogue()[datingField].Name;
    std::unordered_set<UnitKey> ofFirst, ofSecond;
    for (const Table::Row& row : session.units().query(column + QStringLiteral(" IN (?, ?)"), {period1, period2})) {
        const QString value = textAt(row, datingField);
        UnitKey key{textAt(row, uf::Excavation), textAt(row, uf::Unitname)};
        if (value == period1) ofFirst.insert(key);
        if (value == period2) ofSecond.insert(std::move(key));
    }
    const QString where = categories.size() == 1 ? QStringLiteral("RelationCat = ?") : QStringLiteral("RelationCat IN (?, ?)");
    std::vector<Value> params(categories.begin(), categories.end());
    session.relations().scan(where, params, kRelationKeyOrder, [&](Table::Row& row) {
        RelationRow r{textAt(row, rel::Excavation1), textAt(row, rel::Unitname1), textAt(row, rel::RelationCat),
                      textAt(row, rel::Excavation2), textAt(row, rel::Unitname2)};
        if (ofFirst.contains({r.excavation1, r.unitname1}) && ofSecond.contains({r.excavation2, r.unitname2}))
            rows.push_back(std::move(r));
    });
    return rows;
}

} // namespace belvanto
