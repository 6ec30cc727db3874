// The first half of the layout on a project of 100,000 contexts and about
// 150,000 earlier/later relationships (a chain-and-cross-link graph with a
// few contemporary pairs): the cycle check as the check run makes it (tables
// read, graph built, node numbers and levels written back), the level
// assignment alone, and the routing of the lines of a layout of that size.
#include "core/Random.h"
#include "core/Regional.h"
#include "core/StreamUi.h"
#include "layout/LayoutFiles.h"
#include "layout/LineRouting.h"
#include "layout/RelationGraph.h"
#include "store/Project.h"
#include "store/Relations.h"
#include "store/Session.h"
#include "store/UnitFields.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <algorithm>
#include <memory>
#include <set>

using namespace belvanto;

namespace {

constexpr int kChains = 100;
constexpr int kChainLength = 1000;                 // 100,000 contexts
constexpr int kCrossLinks = 50000;                 // with the chains about 150,000
constexpr int kContemporaries = 2000;

QString name(int chain, int position)
{
    return QStringLiteral("%1").arg(chain * kChainLength + position, 6, 10, QLatin1Char('0'));
}

// Context (c, p) is earlier than (c, p - 1); a cross link makes (a, p) earlier
// than (b, q) with q < p, and contemporary pairs share a position, so the
// graph has no cycle.
struct Project {
    QTemporaryDir dir;
    StreamUi ui{stderr};
    FixedRegional regional;
    std::unique_ptr<Session> session;
    int relationships = 0;

    Project()
    {
        session = std::make_unique<Session>(ui, regional);
        CreateProjectFiles(*session, dir.filePath(QStringLiteral("Bench.bvp")), QStringLiteral("Site"), QString(), true);
        const QString exc = QStringLiteral("Site");
        Table& units = session->units();
        Table& rels = session->relations();
        BulkScope bulk;
        for (int c = 0; c < kChains; ++c)
            for (int p = 0; p < kChainLength; ++p) {
                units.insert();
                units.set(uf::Excavation, exc);
                units.set(uf::Unitname, name(c, p));
                units.set(uf::Unitclass, kContext);
                units.post();
            }
        std::set<std::pair<int, int>> used;
        auto relate = [&](int a, int b, QChar code) {
            if (!used.insert(std::minmax(a, b)).second) return;
            const UnitKey ka{exc, QStringLiteral("%1").arg(a, 6, 10, QLatin1Char('0'))};
            const UnitKey kb{exc, QStringLiteral("%1").arg(b, 6, 10, QLatin1Char('0'))};
            InsertRelationRow(rels, ka, kb, code, QString(), status::Stored);
            InsertRelationRow(rels, kb, ka, OppositeCategory(code), QString(), status::Stored);
            if (code == QLatin1Char('<')) ++relationships;
        };
        for (int c = 0; c < kChains; ++c)
            for (int p = 1; p < kChainLength; ++p) relate(c * kChainLength + p, c * kChainLength + p - 1, QLatin1Char('<'));
        RandomGenerator random(4711);
        while (relationships < kChains * (kChainLength - 1) + kCrossLinks) {
            const int a = int(random.nextInt(kChains)), b = int(random.nextInt(kChains));
            const int p = 1 + int(random.nextInt(kChainLength - 1));
            const int q = int(random.nextInt(quint32(p)));
            relate(a * kChainLength + p, b * kChainLength + q, QLatin1Char('<'));
        }
        for (int i = 0; i < kContemporaries; ++i) {
            const int a = int(random.nextInt(kChains)), b = int(random.nextInt(kChains));
            const int p = int(random.nextInt(kChainLength));
            if (a != b) relate(a * kChainLength + p, b * kChainLength + p, QLatin1Char('-'));
        }
    }
    ~Project() { CloseProject(*session, true); }
};

Project& project()
{
    static Project p;
    return p;
}

void CycleCheckOnStoredProject(benchmark::State& state)
{
    Project& p = project();
    for (auto _ : state) {
        RelationGraph graph;
        Protocol protocol;
        const LevelResult r = RunCycleCheck(*p.session, graph, protocol);
        if (!r.ok()) state.SkipWithError("cycles in the generated graph");
        state.counters["levels"] = r.levelCount;
    }
    state.counters["relationships"] = p.relationships;
}
BENCHMARK(CycleCheckOnStoredProject)->Unit(benchmark::kMillisecond)->Iterations(3);

void AssignLevelsInMemory(benchmark::State& state)
{
    Project& p = project();
    RelationGraph graph;
    BuildRelationGraph(p.ui, graph, p.session->relations(), p.session->units(), GraphFields{}, true);
    for (auto _ : state) {
        Protocol protocol;
        benchmark::DoNotOptimize(AssignNodeLevels(p.ui, graph, protocol, {}));
    }
}
BENCHMARK(AssignLevelsInMemory)->Unit(benchmark::kMillisecond);

// A layout of 1,000 levels of 100 boxes; every box below the top has one to
// two lines to boxes of the level above (about 150,000 lines), columns
// shuffled per level so that lines slope and cross.
void WriteLayout(const QString& dir)
{
    CreateLayoutTables(dir, QStringLiteral("Bench"));
    Table units, rels;
    units.open(dir, QStringLiteral("Bench") + kUnitLayoutSuffix);
    rels.open(dir, QStringLiteral("Bench") + kRelLayoutSuffix);
    RandomGenerator random(815);
    const int levels = kChains * 10, width = kChainLength / 10;
    std::vector<std::vector<int>> column(std::size_t(levels) + 1, std::vector<int>(std::size_t(width)));
    std::vector<std::vector<int>> sons(std::size_t(levels) + 2, std::vector<int>(std::size_t(width), 0));
    std::vector<std::vector<int>> fathers = sons;
    struct Line { int level, lower, upper; };
    std::vector<Line> lines;
    for (int l = 1; l <= levels; ++l) {
        auto& cols = column[std::size_t(l)];
        for (int i = 0; i < width; ++i) cols[std::size_t(i)] = i + 1;
        for (int i = width - 1; i > 0; --i) std::swap(cols[std::size_t(i)], cols[random.nextInt(quint32(i + 1))]);
        if (l == 1) continue;
        for (int i = 0; i < width; ++i) {
            std::set<int> ups{int(random.nextInt(quint32(width)))};
            if (random.nextInt(2)) ups.insert(int(random.nextInt(quint32(width))));
            for (int u : ups) {
                lines.push_back({l, i, u});
                ++fathers[std::size_t(l)][std::size_t(i)];
                ++sons[std::size_t(l - 1)][std::size_t(u)];
            }
        }
    }
    auto key = [&](int l, int i) { return QStringLiteral("%1").arg((l - 1) * width + i, 6, 10, QLatin1Char('0')); };
    BulkScope bulk;
    for (int l = 1; l <= levels; ++l)
        for (int i = 0; i < width; ++i) {
            units.insert();
            units.set(ul::Excavation, QStringLiteral("Site"));
            units.set(ul::Unitname, key(l, i));
            units.set(ul::XStart, column[std::size_t(l)][std::size_t(i)]);
            units.set(ul::XStop, column[std::size_t(l)][std::size_t(i)]);
            units.set(ul::YLevelStart, l);
            units.set(ul::YLevelStop, l);
            units.set(ul::NestCt, 0);
            units.set(ul::SonCt, sons[std::size_t(l)][std::size_t(i)]);
            units.set(ul::FatherCt, fathers[std::size_t(l)][std::size_t(i)]);
            units.set(ul::Unitclass, QStringLiteral("C"));
            units.post();
        }
    for (const Line& line : lines) {
        rels.insert();
        rels.set(rl::Excavation1, QStringLiteral("Site"));
        rels.set(rl::Unitname1, key(line.level, line.lower));
        rels.set(rl::Excavation2, QStringLiteral("Site"));
        rels.set(rl::Unitname2, key(line.level - 1, line.upper));
        rels.set(rl::RelationCat, QStringLiteral("<"));
        rels.set(rl::RelCount, 1);
        rels.post();
    }
}

void RouteLinesOfALargeLayout(benchmark::State& state)
{
    QTemporaryDir dir;
    StreamUi ui(stderr);
    for (auto _ : state) {
        state.PauseTiming();
        WriteLayout(dir.path());
        Table units, rels;
        units.open(dir.path(), QStringLiteral("Bench") + kUnitLayoutSuffix, true);
        rels.open(dir.path(), QStringLiteral("Bench") + kRelLayoutSuffix, true);
        LayoutParameters parameters;
        parameters.reset(kChainLength / 10, kChains * 10);
        state.ResumeTiming();
        if (!RouteLines(ui, units, rels, parameters)) state.SkipWithError("routing failed");
        state.counters["lines"] = rels.count();
        qint64 tracks = 0;
        for (qint32 t : parameters.TrackCount) tracks += t;
        state.counters["tracks"] = double(tracks);
    }
}
BENCHMARK(RouteLinesOfALargeLayout)->Unit(benchmark::kMillisecond)->Iterations(2);

} // namespace
