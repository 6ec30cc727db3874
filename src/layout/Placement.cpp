#include "layout/Placement.h"
#include "core/Rounding.h"
#include "core/UserInterface.h"
#include "layout/LayoutFiles.h"
#include "layout/LayoutOrder.h"
#include "layout/PlacementOrder.h"
#include "layout/RelationGraph.h"
#include "store/Relations.h"
#include <algorithm>
#include <cmath>
#include <numbers>
#include <numeric>
#include <tuple>
#include <unordered_map>
#include <unordered_set>

namespace belvanto {

using namespace placement;

namespace {


// The unit index of every key of the working unit table.
class KeyIndex {
public:
    explicit KeyIndex(const std::vector<PlacementUnit>& units)
    {
        index_.reserve(units.size());
        for (std::size_t i = 0; i < units.size(); ++i) index_.emplace(units[i].key, int(i));
    }
    int find(const UnitKey& key) const
    {
        const auto it = index_.find(key);
        return it == index_.end() ? -1 : it->second;
    }

private:
    std::unordered_map<UnitKey, int> index_;
};

qint64 pairKey(int first, int second)
{
    return (qint64(first) << 32) | qint64(quint32(second));
}

bool isMerged(const PlacementUnit& u)
{
    return u.Unitclass == kMergedRecord;
}

} // namespace

// --- working tables -------------------------------------------------------------------

std::vector<int> PlacementWork::keyOrder() const
{
    std::vector<int> order(units.size());
    std::iota(order.begin(), order.end(), 0);
    auto less = [&](int a, int b) { return units[std::size_t(a)].key < units[std::size_t(b)].key; };
    // The units come as a few runs already in key order (the contexts, then
    // the dummies by their counter): find the runs and merge them, which
    // costs a few comparisons per unit instead of a full sort.
    std::vector<std::size_t> runs{0};
    for (std::size_t i = 1; i < order.size(); ++i)
        if (less(order[i], order[i - 1])) runs.push_back(i);
    runs.push_back(order.size());
    if (runs.size() > 16) {
        std::stable_sort(order.begin(), order.end(), less);
        return order;
    }
    while (runs.size() > 2) {
        std::vector<std::size_t> merged{0};
        for (std::size_t r = 0; r + 2 < runs.size(); r += 2) {
            std::inplace_merge(order.begin() + std::ptrdiff_t(runs[r]), order.begin() + std::ptrdiff_t(runs[r + 1]),
                               order.begin() + std::ptrdiff_t(runs[r + 2]), less);
            merged.push_back(runs[r + 2]);
        }
        if (runs.size() % 2 == 0) merged.push_back(runs.back());
        runs = std::move(merged);
    }
    return order;
}

int PlacementWork::addUnit(PlacementUnit unit)
{
    units.push_back(std::move(unit));
    return int(units.size()) - 1;
}

std::vector<int> UnitRanks(const std::vector<int>& keyOrder)
{
    std::vector<int> rank(keyOrder.size());
    for (std::size_t i = 0; i < keyOrder.size(); ++i) rank[std::size_t(keyOrder[i])] = int(i);
    return rank;
}

std::vector<int> LineKeyOrder(const std::vector<PlacementLine>& lines, const std::vector<int>& unitRank)
{
    std::vector<int> order(lines.size());
    std::iota(order.begin(), order.end(), 0);
    auto rankOf = [&](int unit) { return unit >= 0 && std::size_t(unit) < unitRank.size() ? unitRank[std::size_t(unit)] : -1; };
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        const PlacementLine& x = lines[std::size_t(a)];
        const PlacementLine& y = lines[std::size_t(b)];
        const int x1 = rankOf(x.first), y1 = rankOf(y.first);
        if (x1 != y1) return x1 < y1;
        return rankOf(x.second) < rankOf(y.second);
    });
    return order;
}

// --- projection -------------------------------------------------------------------------

std::vector<qint32> ProjectCoordinates(const std::vector<CoordinatePoint>& points, int angleDegrees,
                                       double meanX, double meanY)
{
    const double theta = double(angleDegrees) * std::numbers::pi / 180.0;
    const double c = std::cos(theta);
    const double s = std::sin(theta);
    std::vector<double> p(points.size(), 0.0);
    bool any = false;
    double pmin = 0.0, pmax = 0.0;
    for (std::size_t i = 0; i < points.size(); ++i) {
        if (!points[i].x || !points[i].y) continue;
        p[i] = c * (*points[i].x - meanX) + s * (*points[i].y - meanY);
        if (!any || p[i] < pmin) pmin = p[i];
        if (!any || p[i] > pmax) pmax = p[i];
        any = true;
    }
    std::vector<qint32> result(points.size(), kNoCoordinate);
    if (!any) return result;
    const double scale = pmax > pmin ? double(kProjectionRange) / (pmax - pmin) : 0.0;
    for (std::size_t i = 0; i < points.size(); ++i) {
        if (!points[i].x || !points[i].y) continue;
        // With a single value the scale is undefined; the middle is as good
        // as any place.
        result[i] = pmax > pmin ? qint32(roundHalfEven((p[i] - pmin) * scale)) : kProjectionSingleValue;
    }
    return result;
}

// --- step 1 ---------------------------------------------------------------------------------

void LoadContexts(PlacementWork& work, const std::vector<ContextInput>& contexts, bool useCoordinates)
{
    work.units.reserve(work.units.size() + contexts.size());
    for (const ContextInput& c : contexts) {
        PlacementUnit u;
        u.key = c.key;
        u.Unitclass = kContextRecord;
        u.XStop = 1;
        u.Clevel = QString::number(c.level);
        u.YLevelStart = c.level;
        u.YLevelStop = useCoordinates ? c.x.value_or(kNoCoordinate) : c.level;
        u.NestCt = 0;
        u.Colour = c.displayColour.value_or(16777215);
        u.BoxStyle = c.dispStyle.value_or(0);
        u.ThemColour = c.thematicColour.value_or(16777215);
        u.ThemBoxStyle = c.thematicStyle.value_or(0);
        work.levels = std::max(work.levels, c.level);
        work.units.push_back(std::move(u));
    }
}

// --- step 2 ---------------------------------------------------------------------------------

PlacementLine LoadedLine(int first, int second, QChar category)
{
    PlacementLine line;
    line.first = first;
    line.second = second;
    line.category = category;
    line.NestCt2 = 0;
    line.RelCount = 1;
    return line;
}

void LoadGraphRelations(PlacementWork& work, const RelationGraph& graph)
{
    // Without groups the nodes are the contexts in the same order; else by key.
    std::vector<int> unitOfNode(graph.nodes.size(), -1);
    bool same = graph.nodes.size() <= work.units.size();
    for (std::size_t n = 0; same && n < graph.nodes.size(); ++n) {
        same = work.units[n].key == graph.nodes[n].Key;
        unitOfNode[n] = int(n);
    }
    if (!same) {
        const KeyIndex index(work.units);
        for (std::size_t n = 0; n < graph.nodes.size(); ++n) unitOfNode[n] = index.find(graph.nodes[n].Key);
    }

    const std::size_t before = work.relations.size();
    auto add = [&](int a, int b, QChar category) {
        if (a >= 0 && b >= 0) work.relations.push_back(LoadedLine(a, b, category));
    };
    for (std::size_t n = 0; n < graph.nodes.size(); ++n) {
        const GraphNode& node = graph.nodes[n];
        const int self = unitOfNode[n];
        for (int later : node.LaterList) add(self, unitOfNode[std::size_t(later)], category::Earlier);
        for (int other : node.ContemporaryList) add(self, unitOfNode[std::size_t(other)], category::Contemporary);
    }
    // The table is keyed on the two units: a second record for a pair would
    // be refused, the first stays.
    std::vector<std::size_t> byPair(work.relations.size());
    std::iota(byPair.begin(), byPair.end(), std::size_t(0));
    std::stable_sort(byPair.begin(), byPair.end(), [&](std::size_t a, std::size_t b) {
        return pairKey(work.relations[a].first, work.relations[a].second)
               < pairKey(work.relations[b].first, work.relations[b].second);
    });
    std::vector<char> refused(work.relations.size(), 0);
    bool anyRefused = false;
    for (std::size_t i = 1; i < byPair.size(); ++i) {
        const PlacementLine& x = work.relations[byPair[i - 1]];
        const PlacementLine& y = work.relations[byPair[i]];
        if (x.first == y.first && x.second == y.second && std::max(byPair[i - 1], byPair[i]) >= before) {
            refused[std::max(byPair[i - 1], byPair[i])] = 1;
            anyRefused = true;
        }
    }
    if (!anyRefused) return;
    std::vector<PlacementLine> kept;
    kept.reserve(work.relations.size());
    for (std::size_t r = 0; r < work.relations.size(); ++r)
        if (!refused[r]) kept.push_back(work.relations[r]);
    work.relations = std::move(kept);
}

// --- step 3 ---------------------------------------------------------------------------------

void MergeEqualContexts(PlacementWork& work, const std::vector<GraphRelation>& relationRows, const PlacementGroup& group)
{
    if (std::none_of(relationRows.begin(), relationRows.end(),
                     [](const GraphRelation& row) { return row.category == category::Equal; }))
        return;
    const KeyIndex index(work.units);
    // "=" partners and earlier/later counts, by unit 1.
    std::unordered_map<int, std::vector<int>> partners;
    std::unordered_map<int, qint64> counts;
    for (const GraphRelation& row : relationRows) {
        if (row.category != category::Equal && row.category != category::Earlier && row.category != category::Later) continue;
        const int a = index.find(row.first);
        if (a < 0) continue;
        if (row.category == category::Equal) partners[a].push_back(index.find(row.second));
        else ++counts[a];
    }

    const std::vector<int> order = work.keyOrder();
    const std::vector<int> rank = UnitRanks(order);
    std::vector<int> listed;
    std::unordered_map<int, int> listPosition;
    for (int u : order)
        if (work.units[std::size_t(u)].Unitclass == kContextRecord && partners.count(u)) {
            listPosition.emplace(u, int(listed.size()));
            listed.push_back(u);
        }

    struct EqualSet {
        std::vector<int> members;   // list positions, in list order
        int representative = 0;     // list position
    };
    std::vector<EqualSet> sets;
    std::vector<int> setOf(listed.size(), -1);
    for (std::size_t i = 0; i < listed.size(); ++i) {
        if (setOf[i] >= 0) continue;
        EqualSet set;
        setOf[i] = int(sets.size());
        set.members.push_back(int(i));
        for (int partner : partners[listed[i]]) {
            const auto it = listPosition.find(partner);
            if (it == listPosition.end()) continue;
            const int j = it->second;
            if (j > int(i) && setOf[std::size_t(j)] < 0) {
                setOf[std::size_t(j)] = int(sets.size());
                set.members.push_back(j);
            }
        }
        std::sort(set.members.begin(), set.members.end());
        set.representative = set.members.front();
        for (int m : set.members)
            if (counts[listed[std::size_t(m)]] > counts[listed[std::size_t(set.representative)]]) set.representative = m;
        sets.push_back(std::move(set));
    }

    // Records by their units as they were before any rewriting; a record's
    // unit changes only to a representative, which is never rewritten. Only
    // records of set members can change or collide.
    std::vector<PlacementLine>& rels = work.relations;
    std::vector<char> inSet(work.units.size(), 0);
    for (const EqualSet& set : sets)
        if (set.members.size() > 1)
            for (int m : set.members) inSet[std::size_t(listed[std::size_t(m)])] = 1;
    std::vector<char> alive(rels.size(), 1);
    std::unordered_map<qint64, int> byKey;
    std::unordered_map<int, std::vector<int>> asFirst, asSecond;
    for (std::size_t r = 0; r < rels.size(); ++r) {
        const bool first = rels[r].first >= 0 && inSet[std::size_t(rels[r].first)];
        const bool second = rels[r].second >= 0 && inSet[std::size_t(rels[r].second)];
        if (!first && !second) continue;
        byKey.emplace(pairKey(rels[r].first, rels[r].second), int(r));
        if (first) asFirst[rels[r].first].push_back(int(r));
        if (second) asSecond[rels[r].second].push_back(int(r));
    }
    auto rankOf = [&](int unit) { return unit >= 0 ? rank[std::size_t(unit)] : -1; };
    auto rewrite = [&](int member, int representative, bool asUnit1) {
        std::vector<int> records;
        for (int r : (asUnit1 ? asFirst : asSecond)[member]) {
            const PlacementLine& line = rels[std::size_t(r)];
            if (alive[std::size_t(r)] && (asUnit1 ? line.first : line.second) == member) records.push_back(r);
        }
        // Primary-key order: by the other unit.
        std::sort(records.begin(), records.end(), [&](int a, int b) {
            const PlacementLine& x = rels[std::size_t(a)];
            const PlacementLine& y = rels[std::size_t(b)];
            return asUnit1 ? rankOf(x.second) < rankOf(y.second) : rankOf(x.first) < rankOf(y.first);
        });
        for (int r : records) {
            PlacementLine& line = rels[std::size_t(r)];
            const int first = asUnit1 ? representative : line.first;
            const int second = asUnit1 ? line.second : representative;
            byKey.erase(pairKey(line.first, line.second));
            if (!byKey.emplace(pairKey(first, second), r).second) {
                alive[std::size_t(r)] = 0;
                continue;
            }
            line.first = first;
            line.second = second;
        }
    };

    for (std::size_t i = 0; i < listed.size(); ++i) {
        const EqualSet& set = sets[std::size_t(setOf[i])];
        if (set.representative == int(i)) continue;
        const int member = listed[i];
        const int representative = listed[std::size_t(set.representative)];
        rewrite(member, representative, true);
        rewrite(member, representative, false);
        PlacementUnit& u = work.units[std::size_t(member)];
        if (group.periods) {
            for (Period& period : *group.periods)
                if (period.name == u.GUnitname) {
                    --period.count;
                    break;
                }
        }
        u.Unitclass = kMergedRecord;
        u.XStart = -1;
    }

    std::vector<PlacementLine> kept;
    kept.reserve(rels.size() + listed.size());
    for (std::size_t r = 0; r < rels.size(); ++r)
        if (alive[r]) kept.push_back(rels[r]);
    for (const EqualSet& set : sets) {
        int previous = listed[std::size_t(set.representative)];
        for (int m : set.members) {
            if (m == set.representative) continue;
            const int member = listed[std::size_t(m)];
            if (byKey.emplace(pairKey(previous, member), -1).second) {
                PlacementLine link;
                link.first = previous;
                link.second = member;
                link.category = category::Equal;
                kept.push_back(link);
            }
            previous = member;
        }
        work.units[std::size_t(listed[std::size_t(set.representative)])].XStop = qint32(set.members.size());
    }
    rels = std::move(kept);
}

// --- step 4 ---------------------------------------------------------------------------------

void SegmentLevels(PlacementWork& work)
{
    for (PlacementLine& line : work.relations) {
        if (line.category != category::Earlier) continue;
        line.YLevel1 = work.units[std::size_t(line.first)].YLevelStart;
        line.YLevel2 = work.units[std::size_t(line.second)].YLevelStart;
    }
}

// --- step 5 ---------------------------------------------------------------------------------

bool CreateDummyUnits(UserInterface& ui, PlacementWork& work, qint32& dummyCounter, const PlacementGroup& group)
{
    ui.status(kInitialPositionStatus);
    work.proper.clear();
    const std::vector<int> order = LineKeyOrder(work.relations, UnitRanks(work.keyOrder()));
    // Dummies of one level share their level key text.
    QHash<qint32, QString> levelKeys;
    auto levelKey = [&](qint32 level) {
        auto it = levelKeys.find(level);
        if (it == levelKeys.end()) {
            const QString padded = PaddedNumber(level, work.levels);
            it = levelKeys.insert(level, group.active ? JoinKey(group.levelKey, padded) : padded);
        }
        return it.value();
    };
    const QString dummyExcavation = kDummyExcavation;
    qint64 dummies = 0;
    for (const PlacementLine& line : work.relations)
        if (line.category == category::Earlier) dummies += std::max<qint64>(0, qint64(line.YLevel1.value_or(0)) - line.YLevel2.value_or(0) - 1);
    work.units.reserve(work.units.size() + std::size_t(dummies));
    work.proper.reserve(work.relations.size() + std::size_t(dummies));
    bool equalSeen = false;
    for (int r : order) {
        const PlacementLine line = work.relations[std::size_t(r)];
        if (line.category == category::Equal) {
            equalSeen = true;
            continue;
        }
        if (line.category != category::Earlier) continue;
        const qint64 upperLevel = line.YLevel2.value_or(0);
        const qint64 difference = qint64(line.YLevel1.value_or(0)) - upperLevel;
        if (difference < 1) {
            ui.error(kNegativeLevelDifference + work.units[std::size_t(line.first)].key.unitname + QStringLiteral(" and ")
                     + work.units[std::size_t(line.second)].key.unitname);
            return false;
        }
        if (difference == 1) {
            work.proper.push_back(line);
            continue;
        }
        int upper = line.second;
        for (qint64 i = 1; i < difference; ++i) {
            const qint32 level = qint32(upperLevel + i);
            ++dummyCounter;
            PlacementUnit dummy;
            dummy.key = {dummyExcavation, DummyName(dummyCounter)};
            dummy.Clevel = levelKey(level);
            dummy.CXPos = group.horizontalKey;
            dummy.YLevelStart = level;
            dummy.YLevelStop = kNoCoordinate;
            dummy.SonCt = 1;
            dummy.FatherCt = 1;
            dummy.Unitclass = kDummyRecord;
            dummy.GExcavation = group.excavation;
            dummy.GUnitname = group.unitname;
            const int id = work.addUnit(std::move(dummy));
            PlacementLine segment;
            segment.first = id;
            segment.second = upper;
            segment.category = category::Earlier;
            work.proper.push_back(segment);
            upper = id;
        }
        PlacementLine last;
        last.first = line.first;
        last.second = upper;
        last.category = category::Earlier;
        work.proper.push_back(last);
    }
    if (equalSeen)
        for (int r : order)
            if (work.relations[std::size_t(r)].category == category::Equal) work.proper.push_back(work.relations[std::size_t(r)]);
    return true;
}

// --- step 6 ---------------------------------------------------------------------------------

namespace {

// The level lists of the sweeps, flat: the elements of level l are
// begin[l] .. begin[l + 1] - 1, each level in table order. Fathers and sons
// are kept as index ranges into two shared arrays.
class LevelLists {
public:
    LevelLists(PlacementWork& work, const std::vector<int>& tableOrder, bool useCoordinates)
        : work_(work), useCoordinates_(useCoordinates)
    {
        const qint32 levels = std::max(work.levels, 0);
        begin_.assign(std::size_t(levels) + 2, 0);
        elementOf_.assign(work.units.size(), -1);
        for (int u : tableOrder) {
            const auto level = levelOf(u);
            if (level) ++begin_[std::size_t(*level) + 1];
        }
        for (std::size_t l = 1; l < begin_.size(); ++l) begin_[l] += begin_[l - 1];
        std::vector<int> next(begin_.begin(), begin_.end() - 1);
        unit_.assign(std::size_t(begin_.back()), -1);
        for (int u : tableOrder) {
            const auto level = levelOf(u);
            if (!level) continue;
            const int e = next[std::size_t(*level)]++;
            unit_[std::size_t(e)] = u;
            elementOf_[std::size_t(u)] = e;
        }
        position_.assign(unit_.size(), 0);
        previous_.assign(unit_.size(), 0);
        coordinate_.assign(unit_.size(), kNoCoordinate);
    }

    qint32 levels() const { return qint32(begin_.size()) - 2; }
    int first(qint32 level) const { return begin_[std::size_t(level)]; }
    int end(qint32 level) const { return begin_[std::size_t(level) + 1]; }
    int size() const { return int(unit_.size()); }
    int element(int unit) const { return elementOf_[std::size_t(unit)]; }
    qint32 levelOfElement(int e) const
    {
        return qint32(std::upper_bound(begin_.begin(), begin_.end(), e) - begin_.begin()) - 1;
    }

    // Initial positions: the working value, or one draw per record in table
    // order.
    void initialise(const std::vector<int>& tableOrder, RandomGenerator& random)
    {
        for (int u : tableOrder) {
            const int e = elementOf_[std::size_t(u)];
            if (e < 0) continue;
            if (useCoordinates_) {
                const qint64 value = work_.units[std::size_t(u)].YLevelStop.value_or(kNoCoordinate);
                position_[std::size_t(e)] = previous_[std::size_t(e)] = value;
                coordinate_[std::size_t(e)] = value;
            } else {
                position_[std::size_t(e)] = previous_[std::size_t(e)] = random.nextInt(kRandomRange);
            }
        }
    }

    // Fathers and sons through the "<" segments, in table order. Linking ends
    // at the first segment whose elements are not found.
    void link(const std::vector<std::pair<int, int>>& segments)
    {
        std::vector<std::pair<int, int>> links;   // (lower element, upper element)
        for (const auto& [lower, upper] : segments) {
            const int a = lower >= 0 && std::size_t(lower) < elementOf_.size() ? elementOf_[std::size_t(lower)] : -1;
            const int b = upper >= 0 && std::size_t(upper) < elementOf_.size() ? elementOf_[std::size_t(upper)] : -1;
            if (a < 0 || b < 0 || levelOfElement(b) != levelOfElement(a) - 1) break;
            links.emplace_back(a, b);
        }
        fatherBegin_.assign(unit_.size() + 1, 0);
        sonBegin_.assign(unit_.size() + 1, 0);
        for (const auto& [a, b] : links) {
            ++fatherBegin_[std::size_t(a) + 1];
            ++sonBegin_[std::size_t(b) + 1];
        }
        for (std::size_t e = 1; e < fatherBegin_.size(); ++e) {
            fatherBegin_[e] += fatherBegin_[e - 1];
            sonBegin_[e] += sonBegin_[e - 1];
        }
        fathers_.assign(links.size(), 0);
        sons_.assign(links.size(), 0);
        std::vector<int> nextFather(fatherBegin_.begin(), fatherBegin_.end() - 1);
        std::vector<int> nextSon(sonBegin_.begin(), sonBegin_.end() - 1);
        for (const auto& [a, b] : links) {
            fathers_[std::size_t(nextFather[std::size_t(a)]++)] = b;
            sons_[std::size_t(nextSon[std::size_t(b)]++)] = a;
        }
        if (useCoordinates_)
            for (int e = 0; e < size(); ++e)
                if (fatherCount(e) == 1 && sonCount(e) == 1) coordinate_[std::size_t(e)] = kNoCoordinate;
    }

    int fatherCount(int e) const { return fatherBegin_[std::size_t(e) + 1] - fatherBegin_[std::size_t(e)]; }
    int sonCount(int e) const { return sonBegin_[std::size_t(e) + 1] - sonBegin_[std::size_t(e)]; }

    void startLevelOne(RandomGenerator& random)
    {
        if (levels() < 1) return;
        for (int e = first(1); e < end(1); ++e) {
            if (sonCount(e) == 0) {
                position_[std::size_t(e)] = kParkedBase + (e - first(1));
            } else if (useCoordinates_ && coordinate_[std::size_t(e)] != kNoCoordinate) {
                position_[std::size_t(e)] = coordinate_[std::size_t(e)];
            } else {
                position_[std::size_t(e)] = random.nextInt(kRandomRange);
            }
        }
    }

    void sweeps()
    {
        const qint32 l = levels();
        for (int round = 0; round < kSweeps; ++round) {
            for (qint32 level = 2; level <= l; ++level) {
                barycentres(level, fatherBegin_, fathers_);
                rearrange(level);
            }
            for (qint32 level = l - 1; level >= 1; --level) {
                barycentres(level, sonBegin_, sons_);
                rearrange(level);
            }
        }
    }

    void writeBack()
    {
        for (int e = 0; e < size(); ++e) {
            PlacementUnit& u = work_.units[std::size_t(unit_[std::size_t(e)])];
            u.FatherCt = fatherCount(e);
            u.SonCt = sonCount(e);
            u.XStart = qint32(position_[std::size_t(e)]);
            u.NestCt = 0;
        }
    }

private:
    std::optional<qint32> levelOf(int u) const
    {
        const PlacementUnit& unit = work_.units[std::size_t(u)];
        if (unit.XStart == -1 || !unit.YLevelStart) return std::nullopt;
        const qint32 level = *unit.YLevelStart;
        if (level < 1 || level > work_.levels) return std::nullopt;
        return level;
    }

    void barycentres(qint32 level, const std::vector<int>& begin, const std::vector<int>& neighbours)
    {
        for (int e = first(level); e < end(level); ++e) {
            const int from = begin[std::size_t(e)], to = begin[std::size_t(e) + 1];
            if (from == to) continue;
            qint64 sum = 0;
            for (int i = from; i < to; ++i) sum += position_[std::size_t(neighbours[std::size_t(i)])];
            previous_[std::size_t(e)] = position_[std::size_t(e)];
            position_[std::size_t(e)] = DivideHalfEven(sum, to - from);
        }
    }

    void rearrange(qint32 level)
    {
        const int from = first(level), to = end(level);
        if (to - from <= 1) return;
        buffer_.resize(std::size_t(to - from));
        std::iota(buffer_.begin(), buffer_.end(), from);
        auto before = [&](int a, int b) {
            return SortsBefore(position_[std::size_t(a)], previous_[std::size_t(a)], position_[std::size_t(b)],
                               previous_[std::size_t(b)]);
        };
        // After the first sweeps a level is nearly in order: insertion sort
        // (stable, as the sort must be) is cheapest for the usual widths.
        if (buffer_.size() <= 64) {
            for (std::size_t i = 1; i < buffer_.size(); ++i) {
                const int e = buffer_[i];
                std::size_t j = i;
                for (; j > 0 && before(e, buffer_[j - 1]); --j) buffer_[j] = buffer_[j - 1];
                buffer_[j] = e;
            }
        } else {
            std::stable_sort(buffer_.begin(), buffer_.end(), before);
        }
        if (useCoordinates_) exchangeByCoordinate();
        qint64 last = kSpreadStart;
        for (int e : buffer_) {
            last = SpreadPosition(position_[std::size_t(e)], last);
            position_[std::size_t(e)] = last;
        }
    }

    // The elements with a coordinate go into their own slots in coordinate
    // order; each takes the position of the slot it moves into.
    void exchangeByCoordinate()
    {
        slots_.clear();
        for (std::size_t k = 0; k < buffer_.size(); ++k)
            if (coordinate_[std::size_t(buffer_[k])] != kNoCoordinate) slots_.push_back(k);
        if (slots_.size() < 2) return;
        slotElements_.clear();
        slotPositions_.clear();
        for (std::size_t k : slots_) {
            slotElements_.push_back(buffer_[k]);
            slotPositions_.push_back(position_[std::size_t(buffer_[k])]);
        }
        std::stable_sort(slotElements_.begin(), slotElements_.end(),
                         [&](int a, int b) { return coordinate_[std::size_t(a)] < coordinate_[std::size_t(b)]; });
        for (std::size_t j = 0; j < slots_.size(); ++j) {
            buffer_[slots_[j]] = slotElements_[j];
            position_[std::size_t(slotElements_[j])] = slotPositions_[j];
        }
    }

    PlacementWork& work_;
    bool useCoordinates_;
    std::vector<int> begin_;       // per level, plus one
    std::vector<int> unit_;        // element -> unit
    std::vector<int> elementOf_;   // unit -> element or -1
    std::vector<qint64> position_, previous_, coordinate_;
    std::vector<int> fatherBegin_, fathers_, sonBegin_, sons_;
    std::vector<int> buffer_;
    std::vector<std::size_t> slots_;
    std::vector<int> slotElements_;
    std::vector<qint64> slotPositions_;
};

} // namespace

void OrderLevels(UserInterface&, PlacementWork& work, RandomGenerator& random, bool useCoordinates)
{
    const std::vector<int> order = work.keyOrder();
    LevelLists lists(work, order, useCoordinates);
    lists.initialise(order, random);
    std::vector<std::pair<int, int>> segments;
    for (int r : LineKeyOrder(work.proper, UnitRanks(order))) {
        const PlacementLine& line = work.proper[std::size_t(r)];
        if (line.category == category::Earlier) segments.emplace_back(line.first, line.second);
    }
    lists.link(segments);
    lists.startLevelOne(random);
    lists.sweeps();
    lists.writeBack();
}

// --- step 7 ---------------------------------------------------------------------------------

void AssignColumns(UserInterface& ui, PlacementWork& work, const PlacementGroup& group)
{
    ui.status(kFinalPositionStatus);
    std::vector<PlacementUnit>& units = work.units;
    const qint32 levels = std::max(work.levels, 0);
    const std::vector<int> rank = UnitRanks(work.keyOrder());
    auto levelOf = [&](int u) { return units[std::size_t(u)].YLevelStart.value_or(0); };
    auto onLevel = [&](int u) { return levelOf(u) >= 1 && levelOf(u) <= levels; };

    // The upper units of every unit's "<" segments, and the "=" chain.
    std::vector<int> upperBegin(units.size() + 1, 0);
    std::vector<int> nextEqual(units.size(), -1);
    for (const PlacementLine& line : work.proper) {
        if (line.category == category::Earlier) ++upperBegin[std::size_t(line.first) + 1];
        else if (line.category == category::Equal && nextEqual[std::size_t(line.first)] < 0)
            nextEqual[std::size_t(line.first)] = line.second;
    }
    for (std::size_t u = 1; u < upperBegin.size(); ++u) upperBegin[u] += upperBegin[u - 1];
    std::vector<int> uppers(std::size_t(upperBegin.back()));
    {
        std::vector<int> next(upperBegin.begin(), upperBegin.end() - 1);
        for (const PlacementLine& line : work.proper)
            if (line.category == category::Earlier) uppers[std::size_t(next[std::size_t(line.first)]++)] = line.second;
    }
    auto hasSegment = [&](int lower, int upper) {
        const auto from = uppers.begin() + upperBegin[std::size_t(lower)];
        const auto to = uppers.begin() + upperBegin[std::size_t(lower) + 1];
        return std::find(from, to, upper) != to;
    };

    struct WalkKey {
        qint32 position, level;
        int rank, unit;
        bool operator<(const WalkKey& o) const
        {
            return std::tie(position, level, rank) < std::tie(o.position, o.level, o.rank);
        }
    };
    std::vector<WalkKey> keys;
    for (std::size_t u = 0; u < units.size(); ++u)
        if (!isMerged(units[u]) && onLevel(int(u)))
            keys.push_back({units[u].XStart.value_or(0), levelOf(int(u)), rank[u], int(u)});
    std::sort(keys.begin(), keys.end());
    std::vector<int> walk(keys.size());
    for (std::size_t i = 0; i < keys.size(); ++i) walk[i] = keys[i].unit;
    keys = {};

    std::vector<qint64> fill(std::size_t(levels) + 1, 0);
    std::vector<qint64> column(units.size(), 0);
    std::vector<char> placed(units.size(), 0);
    qint64 k = 0;
    auto setSize = [&](int u) {
        const PlacementUnit& unit = units[std::size_t(u)];
        return unit.Unitclass == kContextRecord ? qint64(unit.XStop.value_or(1)) : qint64(1);
    };
    // Members of a set follow the "=" chain from the representative.
    auto forMembers = [&](int representative, auto&& f) {
        int m = representative;
        for (qint64 i = 1; i < setSize(representative); ++i) {
            m = nextEqual[std::size_t(m)];
            if (m < 0) break;
            f(m, i);
        }
    };

    std::vector<int> chain;
    for (std::size_t i = 0; i < walk.size();) {
        chain.assign(1, walk[i]);
        std::size_t j = i + 1;
        for (; j < walk.size(); ++j) {
            const int previous = chain.back(), next = walk[j];
            if (units[std::size_t(next)].XStart.value_or(0) != units[std::size_t(previous)].XStart.value_or(0)
                || levelOf(next) != levelOf(previous) + 1 || !hasSegment(next, previous))
                break;
            chain.push_back(next);
        }
        i = j;

        auto give = [&](std::size_t from, std::size_t to, qint64 c) {
            for (std::size_t x = from; x < to; ++x) {
                const int u = chain[x];
                column[std::size_t(u)] = c;
                placed[std::size_t(u)] = 1;
                fill[std::size_t(levelOf(u))] = c;
                k = std::max(k, c);
            }
        };
        qint64 a = fill[std::size_t(levelOf(chain[0]))];
        qint64 run = 1, cost = 0;
        std::size_t segmentStart = 0;
        for (std::size_t x = 1; x < chain.size(); ++x) {
            const qint64 f = fill[std::size_t(levelOf(chain[x]))];
            const bool rising = f > a;
            cost += rising ? run * (f - a) : a - f;
            if (SegmentGrows(run, cost)) {
                ++run;
                if (rising) a = f;
            } else {
                give(segmentStart, x, a + 1);
                segmentStart = x;
                run = 1;
                cost = 0;
                a = f;
            }
        }
        give(segmentStart, chain.size(), a + 1);

        // A set's members stand right of their representative at once, so
        // that the next chain on the level starts beyond them.
        for (int u : chain) {
            const qint64 size = setSize(u);
            if (size <= 1) continue;
            qint64& levelFill = fill[std::size_t(levelOf(u))];
            levelFill += size - 1;
            k = std::max(k, levelFill);
            forMembers(u, [&](int m, qint64 offset) {
                column[std::size_t(m)] = column[std::size_t(u)] + offset;
                placed[std::size_t(m)] = 1;
                units[std::size_t(m)].YLevelStart = units[std::size_t(u)].YLevelStart;
                units[std::size_t(m)].Clevel = units[std::size_t(u)].Clevel;
            });
        }
    }
    for (std::size_t u = 0; u < units.size(); ++u)
        if (placed[u]) units[u].YLevelStop = qint32(column[u]);

    // Refinement: desired columns from the columns as they are now.
    std::vector<qint64> neighbourSum(units.size(), 0);
    for (const PlacementLine& line : work.proper) {
        if (line.category != category::Earlier) continue;
        neighbourSum[std::size_t(line.first)] += column[std::size_t(line.second)];
        neighbourSum[std::size_t(line.second)] += column[std::size_t(line.first)];
    }
    std::vector<std::vector<int>> byLevel(std::size_t(levels) + 1);
    std::vector<qint64> desired(units.size(), 0);
    for (int u : walk) {
        const PlacementUnit& unit = units[std::size_t(u)];
        const qint64 neighbours = qint64(unit.FatherCt.value_or(0)) + unit.SonCt.value_or(0);
        desired[std::size_t(u)] = neighbours > 0 ? DivideCeil(neighbourSum[std::size_t(u)], neighbours) : 0;
        byLevel[std::size_t(levelOf(u))].push_back(u);
    }
    for (qint32 level = levels; level >= 1; --level) {
        std::vector<int>& records = byLevel[std::size_t(level)];
        std::sort(records.begin(), records.end(),
                  [&](int a, int b) { return column[std::size_t(a)] > column[std::size_t(b)]; });
        qint64 limit = k + 1;
        for (int u : records) {
            const qint64 target = std::min(desired[std::size_t(u)], limit - setSize(u));
            if (target > column[std::size_t(u)]) {
                column[std::size_t(u)] = target;
                forMembers(u, [&](int m, qint64 offset) { column[std::size_t(m)] = target + offset; });
            }
            limit = column[std::size_t(u)];
        }
    }

    work.columns = qint32(k);
    if (!group.active) {
        for (std::size_t u = 0; u < units.size(); ++u) {
            if (!placed[u]) continue;
            units[u].XStart = units[u].XStop = qint32(column[u]);
            units[u].YLevelStop = units[u].YLevelStart;
        }
        return;
    }
    for (std::size_t u = 0; u < units.size(); ++u) {
        if (!placed[u]) continue;
        units[u].YLevelStop = qint32(column[u]);
        units[u].YLevelStart = 0;
        units[u].CXPos = JoinKey(group.horizontalKey, PaddedNumber(column[u], k));
    }
    for (PlacementLine& line : work.proper) {
        if (line.category != category::Earlier) continue;
        if (placed[std::size_t(line.first)]) line.XPos1 = qint32(column[std::size_t(line.first)]);
        if (placed[std::size_t(line.second)]) line.XPos2 = qint32(column[std::size_t(line.second)]);
    }
}

} // namespace belvanto
