#include "GroupFixture.h"
#include "core/Random.h"
#include "store/LayoutFileNames.h"
#include "store/Project.h"
#include "store/Relations.h"
#include "store/Session.h"
#include "store/Table.h"
#include "store/UnitFields.h"
#include <QFile>
#include <QHash>
#include <algorithm>
#include <map>
#include <set>

namespace belvanto::testing_support {

std::vector<int> GroupProject::enclosing(int group) const
{
    std::vector<int> chain;
    for (int g = group; g >= 0; g = groups[std::size_t(g)].parent) chain.push_back(g);
    return chain;
}

std::vector<std::pair<QString, QString>> GroupProject::membersRelatedBothWays() const
{
    std::vector<std::pair<QString, QString>> pairs;
    for (const GeneratedRelation& r : relations) {
        if (!r.backward) continue;
        const GeneratedContext& a = contexts[std::size_t(r.first)];
        const GeneratedContext& b = contexts[std::size_t(r.second)];
        const std::vector<int> chainA = enclosing(a.group);
        const std::vector<int> chainB = enclosing(b.group);
        int around = -1;
        for (int g : chainA)
            if (std::find(chainB.begin(), chainB.end(), g) != chainB.end()) {
                around = g;
                break;
            }
        // The unit itself, or the outermost group around it inside `around`.
        auto member = [&](const GeneratedContext& c, const std::vector<int>& chain) {
            if (c.group == around) return c.name;
            int below = c.group;
            for (int g : chain) {
                if (g == around) break;
                below = g;
            }
            return groups[std::size_t(below)].name;
        };
        pairs.push_back({member(a, chainA), member(b, chainB)});
    }
    return pairs;
}

namespace {

constexpr int kMaxDepth = 4;
// By the depth of the member being made (1 = top level): the chance in
// percent that it is a group rather than a context, and a group's largest
// number of contexts.
constexpr int kGroupChance[kMaxDepth + 1] = {0, 90, 50, 40, 30};
constexpr int kGroupSize[kMaxDepth + 1] = {0, 150, 40, 12, 5};

class Generator {
public:
    Generator(const GroupProjectOptions& options, quint32 seed) : options_(options), random_(seed) {}

    GroupProject run()
    {
        makeLayers();
        makeTopologicalOrder();
        place(0, int(order_.size()), -1, 1);
        assignPeriods();
        makePairs();
        makeContradictions();
        nameUnits();
        return std::move(project_);
    }

private:
    int draw(int n) { return int(random_.nextInt(quint32(n))); }

    // Layers of 1 to 12 contexts; every context below the top layer is
    // earlier than one or two contexts of the layer above and now and then
    // than one a few layers higher.
    void makeLayers()
    {
        const int n = options_.contexts;
        for (int c = 0; c < n;) {
            layers_.emplace_back();
            const int width = 1 + draw(12);
            for (int w = 0; w < width && c < n; ++w, ++c) {
                GeneratedContext context;
                context.layer = int(layers_.size()) - 1;
                project_.contexts.push_back(context);
                layers_.back().push_back(c);
            }
        }
        std::set<std::pair<int, int>> related;
        below_.assign(std::size_t(n), {});
        for (std::size_t layer = 1; layer < layers_.size(); ++layer)
            for (int c : layers_[layer]) {
                const int links = 1 + draw(2);
                for (int k = 0; k <= links; ++k) {
                    std::size_t up = 1;
                    if (k == links) {   // the long one
                        if (draw(100) >= 8) continue;
                        up = std::size_t(2 + draw(4));
                        if (up > layer) continue;
                    }
                    const auto& above = layers_[layer - up];
                    const int upper = above[std::size_t(draw(int(above.size())))];
                    if (!related.insert({c, upper}).second) continue;
                    project_.relations.push_back({c, upper, QLatin1Char('<')});
                    below_[std::size_t(upper)].push_back(c);
                }
            }
    }

    // Kahn's walk from the top with a random pick among the ready contexts:
    // a context comes after every context later than it.
    void makeTopologicalOrder()
    {
        const std::size_t n = project_.contexts.size();
        std::vector<int> waiting(n, 0);
        for (const GeneratedRelation& r : project_.relations) ++waiting[std::size_t(r.first)];
        std::vector<int> ready;
        for (std::size_t c = 0; c < n; ++c)
            if (waiting[c] == 0) ready.push_back(int(c));
        while (!ready.empty()) {
            const std::size_t pick = std::size_t(draw(int(ready.size())));
            std::swap(ready[pick], ready.back());
            const int c = ready.back();
            ready.pop_back();
            order_.push_back(c);
            for (int below : below_[std::size_t(c)])
                if (--waiting[std::size_t(below)] == 0) ready.push_back(below);
        }
    }

    int newGroup(int parent, int depth)
    {
        project_.groups.push_back({QString(), parent, depth});
        return int(project_.groups.size()) - 1;
    }

    // The members of `group` (-1: the top level) at `depth` from the
    // consecutive run [begin, end) of the order.
    void place(int begin, int end, int group, int depth)
    {
        for (int p = begin; p < end;) {
            if (depth == 1) topLevelStarts_.push_back(p);
            if (depth <= kMaxDepth && draw(100) < kGroupChance[depth]) {
                const int size = 1 + draw(std::min(end - p, kGroupSize[depth]));
                const int g = newGroup(group, depth);
                membersOf_[group].push_back({p, p + size});
                // Now and then a group whose only member is a group.
                if (depth < kMaxDepth && draw(100) < 5) place(p, p + size, newGroup(g, depth + 1), depth + 2);
                else place(p, p + size, g, depth + 1);
                p += size;
            } else {
                project_.contexts[std::size_t(order_[std::size_t(p)])].group = group;
                membersOf_[group].push_back({p, p + 1});
                ++p;
            }
        }
    }

    // Consecutive runs of top-level members, about equally long in contexts.
    void assignPeriods()
    {
        if (options_.periods <= 0) return;
        const int n = int(order_.size());
        std::vector<int> periodAt(std::size_t(n), 0);
        std::vector<int> used;
        for (std::size_t m = 0; m < topLevelStarts_.size(); ++m) {
            const int start = topLevelStarts_[m];
            const int stop = m + 1 < topLevelStarts_.size() ? topLevelStarts_[m + 1] : n;
            const int period = int(qint64(start) * options_.periods / n);
            if (used.empty() || used.back() != period) used.push_back(period);
            for (int p = start; p < stop; ++p) periodAt[std::size_t(p)] = int(used.size()) - 1;
        }
        // Names that do not sort in the periods' order.
        std::vector<int> numbers;
        for (std::size_t i = 0; i < used.size(); ++i) numbers.push_back(int(i) + 1);
        for (std::size_t i = numbers.size(); i > 1; --i) std::swap(numbers[i - 1], numbers[std::size_t(draw(int(i)))]);
        for (int number : numbers) project_.periods << QStringLiteral("P%1").arg(number);
        for (int p = 0; p < n; ++p) project_.contexts[std::size_t(order_[std::size_t(p)])].period = periodAt[std::size_t(p)];
    }

    // Equal and contemporary pairs of direct contexts of one group, on one
    // layer and next to each other in the order: no path joins them, and no
    // member of any group lies between them in the order, so merging them
    // or putting them on one level closes no cycle among members.
    void makePairs()
    {
        for (std::size_t p = 0; p + 1 < order_.size(); ++p) {
            const int a = order_[p];
            const int b = order_[p + 1];
            const GeneratedContext& first = project_.contexts[std::size_t(a)];
            const GeneratedContext& second = project_.contexts[std::size_t(b)];
            if (first.group != second.group || first.layer != second.layer) continue;
            const int roll = draw(100);
            if (roll >= 40) continue;
            project_.relations.push_back({a, b, QLatin1Char(roll < 20 ? '=' : '-')});
            ++p;
        }
    }

    // Now and then a context of a member is later than a context of the
    // member before it in the order, which is already later than the
    // member: the two members are then related both ways. The earlier
    // context has nothing earlier than it, so no cycle of contexts arises;
    // the two members are next to each other in the order and take part in
    // no other such pair, and neither is a context of an equal or
    // contemporary pair, so the members that become contemporary close no
    // cycle among members either.
    void makeContradictions()
    {
        const std::size_t n = order_.size();
        std::vector<int> position(n);
        for (std::size_t p = 0; p < n; ++p) position[std::size_t(order_[p])] = int(p);
        std::vector<bool> paired(n, false);
        for (const GeneratedRelation& r : project_.relations)
            if (r.code != QLatin1Char('<')) paired[std::size_t(r.first)] = paired[std::size_t(r.second)] = true;
        auto periodAt = [&](int p) { return project_.contexts[std::size_t(order_[std::size_t(p)])].period; };
        auto pairedMember = [&](std::pair<int, int> run) {
            return run.second - run.first == 1 && paired[std::size_t(order_[std::size_t(run.first)])];
        };
        struct Candidate {
            int later, earlier;
        };
        std::vector<Candidate> candidates;
        for (const auto& [parent, runs] : membersOf_)
            for (std::size_t i = 0; i + 1 < runs.size(); i += 2) {
                const auto a = runs[i];
                const auto b = runs[i + 1];
                if ((a.second - a.first == 1 && b.second - b.first == 1) || pairedMember(a) || pairedMember(b)
                    || periodAt(a.first) != periodAt(b.first))
                    continue;
                auto in = [&](std::pair<int, int> run, int context) {
                    return position[std::size_t(context)] >= run.first && position[std::size_t(context)] < run.second;
                };
                const bool aAboveB = std::any_of(project_.relations.begin(), project_.relations.end(),
                                                 [&](const GeneratedRelation& r) {
                                                     return r.code == QLatin1Char('<') && in(b, r.first) && in(a, r.second);
                                                 });
                if (!aAboveB) continue;
                for (int p = a.first; p < a.second; ++p) {
                    const int earlier = order_[std::size_t(p)];
                    if (!below_[std::size_t(earlier)].empty() || paired[std::size_t(earlier)]) continue;
                    candidates.push_back({order_[std::size_t(b.first + draw(b.second - b.first))], earlier});
                    break;
                }
            }
        for (int k = 0; k < options_.contradictions && !candidates.empty(); ++k) {
            const std::size_t pick = std::size_t(draw(int(candidates.size())));
            project_.relations.push_back({candidates[pick].earlier, candidates[pick].later, QLatin1Char('<'), true});
            candidates[pick] = candidates.back();
            candidates.pop_back();
        }
    }

    // Contexts get the numbers 1 to n in random order, groups "G1", "G2", ...
    // as they were made: neither key order follows the stratigraphy.
    void nameUnits()
    {
        std::vector<int> numbers;
        for (std::size_t i = 0; i < project_.contexts.size(); ++i) numbers.push_back(int(i) + 1);
        for (std::size_t i = numbers.size(); i > 1; --i) std::swap(numbers[i - 1], numbers[std::size_t(draw(int(i)))]);
        for (std::size_t c = 0; c < project_.contexts.size(); ++c)
            project_.contexts[c].name = QString::number(numbers[c]);
        for (std::size_t g = 0; g < project_.groups.size(); ++g)
            project_.groups[g].name = QStringLiteral("G%1").arg(g + 1);
    }

    GroupProjectOptions options_;
    RandomGenerator random_;
    GroupProject project_;
    std::vector<std::vector<int>> layers_;
    std::vector<std::vector<int>> below_;   // per context: the contexts earlier than it
    std::vector<int> order_;
    std::vector<int> topLevelStarts_;
    // Per group (-1: the top level) its members' runs of the order, in order.
    std::map<int, std::vector<std::pair<int, int>>> membersOf_;
};

void insertUnit(Table& units, const QString& excavation, const QString& name, const QString& unitClass,
                const QString& period)
{
    units.insert();
    units.set(uf::Excavation, excavation);
    units.set(uf::Unitname, name);
    units.set(uf::Unitclass, unitClass);
    if (!period.isEmpty()) units.set(uf::Period, period);
    units.post();
}

QString recordText(const Table::Row& row)
{
    QStringList fields;
    for (const Value& v : row.values) fields << (valueIsEmpty(v) ? QStringLiteral("~") : valueToString(v));
    return fields.join(QLatin1Char(','));
}

} // namespace

GroupProject GenerateGroupProject(const GroupProjectOptions& options, quint32 seed)
{
    return Generator(options, seed).run();
}

bool WriteGroupProject(Session& session, const QString& projectFile, const GroupProject& project)
{
    const QString& e = project.excavation;
    if (!CreateProjectFiles(session, projectFile, e, QString(), true)) return false;
    BulkScope bulk;
    Table& units = session.units();
    Table& relations = session.relations();
    for (const GeneratedGroup& g : project.groups) {
        insertUnit(units, e, g.name, kGroup, QString());
        if (g.parent >= 0)
            InsertRelationRow(relations, {e, g.name}, {e, project.groups[std::size_t(g.parent)].name}, category::PartOf,
                              QString(), status::Stored);
    }
    for (const GeneratedContext& c : project.contexts) {
        insertUnit(units, e, c.name, kContext, c.period >= 0 ? project.periods[c.period] : QString());
        if (c.group >= 0)
            InsertRelationRow(relations, {e, c.name}, {e, project.groups[std::size_t(c.group)].name}, category::PartOf,
                              QString(), status::Stored);
    }
    for (const GeneratedRelation& r : project.relations) {
        const UnitKey first{e, project.contexts[std::size_t(r.first)].name};
        const UnitKey second{e, project.contexts[std::size_t(r.second)].name};
        InsertRelationRow(relations, first, second, r.code, QString(), status::Stored);
        InsertRelationRow(relations, second, first, OppositeCategory(r.code), QString(), status::Stored);
    }
    return true;
}

StoredLayout ReadStoredLayout(const QString& directory, const QString& projectName)
{
    StoredLayout stored;
    QHash<UnitKey, int> unitIndex;
    {
        Table t;
        t.open(directory, UnitLayoutTableName(projectName));
        for (const Table::Row& row : t.query(QString(), {}, kUnitKeyOrder)) {
            stored.unitRecords << recordText(row);
            auto text = [&](int field) { return textAt(row, field); };
            auto number = [&](int field) { return intOf(row.values[std::size_t(field)]); };
            PlacementUnit u;
            u.key = {text(ul::Excavation), text(ul::Unitname)};
            u.Clevel = text(ul::Clevel);
            u.CXPos = text(ul::CXPos);
            u.XStart = number(ul::XStart);
            u.XStop = number(ul::XStop);
            u.YLevelStart = number(ul::YLevelStart);
            u.YLevelStop = number(ul::YLevelStop);
            u.NestCt = number(ul::NestCt);
            u.SonCt = number(ul::SonCt);
            u.FatherCt = number(ul::FatherCt);
            u.Colour = number(ul::Colour);
            u.BoxStyle = number(ul::BoxStyle);
            u.ThemColour = number(ul::ThemColour);
            u.ThemBoxStyle = number(ul::ThemBoxStyle);
            u.Unitclass = text(ul::Unitclass);
            u.GExcavation = text(ul::GExcavation);
            u.GUnitname = text(ul::GUnitname);
            unitIndex.insert(u.key, int(stored.layout.units.size()));
            stored.layout.units.push_back(std::move(u));
        }
    }
    {
        Table t;
        t.open(directory, RelLayoutTableName(projectName));
        for (const Table::Row& row : t.query(QString(), {}, kRelationKeyOrder)) {
            stored.lineRecords << recordText(row);
            auto number = [&](int field) { return intOf(row.values[std::size_t(field)]); };
            PlacementLine l;
            l.first = unitIndex.value({textAt(row, rl::Excavation1), textAt(row, rl::Unitname1)}, -1);
            l.second = unitIndex.value({textAt(row, rl::Excavation2), textAt(row, rl::Unitname2)}, -1);
            const QString category = textAt(row, rl::RelationCat);
            l.category = category.isEmpty() ? QChar() : category[0];
            l.YSubLevel = number(rl::YSubLevel);
            l.YLevel1 = number(rl::YLevel1);
            l.YLevel2 = number(rl::YLevel2);
            l.XPos1 = number(rl::XPos1);
            l.XPos2 = number(rl::XPos2);
            l.NestCt2 = number(rl::NestCt2);
            l.RelCount = number(rl::RelCount);
            l.Port1 = number(rl::Port1);
            l.Port2 = number(rl::Port2);
            stored.layout.lines.push_back(l);
        }
    }
    QFile file(LayoutParameterPath(directory, projectName));
    if (file.open(QIODevice::ReadOnly)) {
        stored.parameterBytes = file.readAll();
        if (const auto parameters = ParseLayoutParameters(stored.parameterBytes)) {
            stored.layout.parameters = *parameters;
            stored.parametersRead = true;
        }
    }
    return stored;
}

} // namespace belvanto::testing_support
