// AddRelationship on the import path: 100,000 earlier/later relationships at
// the silent level into a project of 50,000 contexts, inside one bulk scope.
#include "core/Random.h"
#include "core/Regional.h"
#include "core/StreamUi.h"
#include "editing/AddRelationship.h"
#include "store/Project.h"
#include "store/Session.h"
#include "store/UnitFields.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <optional>
#include <set>

using namespace belvanto;

namespace {

constexpr int kContexts = 50000;
constexpr int kRelationships = 100000;

// How the unit classes are read: a look-up per relationship, a cache filled
// as units are named, or a cache filled in one pass first.
enum class Classes { Direct, Cached, Preloaded };

struct Pair {
    UnitKey upper, lower;
};

// Distinct unordered pairs in random order, each written upper > lower.
std::vector<Pair> makePairs()
{
    RandomGenerator random(20240611);
    std::set<std::pair<quint32, quint32>> seen;
    std::vector<Pair> pairs;
    pairs.reserve(kRelationships);
    const QString exc = QStringLiteral("Site");
    while (int(pairs.size()) < kRelationships) {
        const quint32 a = random.nextInt(kContexts), b = random.nextInt(kContexts);
        if (a == b || !seen.insert(std::minmax(a, b)).second) continue;
        pairs.push_back({{exc, QString::number(a)}, {exc, QString::number(b)}});
    }
    return pairs;
}

void AddRelationshipSilent(benchmark::State& state)
{
    QTemporaryDir dir;
    StreamUi ui(stderr);
    FixedRegional regional;
    Session session(ui, regional);
    if (!CreateProjectFiles(session, dir.filePath(QStringLiteral("Bench.bvp")), QStringLiteral("Site"), QString(),
                            true)) {
        state.SkipWithError("project not created");
        return;
    }
    {
        BulkScope bulk;
        for (int i = 0; i < kContexts; ++i)
            CreateUnit(session.units(), {QStringLiteral("Site"), QString::number(i)}, kContext);
    }
    const std::vector<Pair> pairs = makePairs();
    const auto mode = Classes(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        session.relations().empty();
        state.ResumeTiming();
        BulkScope bulk;
        std::optional<UnitClassCache> classes;
        if (mode != Classes::Direct) classes.emplace(session.units());
        if (mode == Classes::Preloaded) classes->preload();
        for (const Pair& p : pairs)
            AddRelationship(session, session.units(), session.relations(), p.upper, p.lower, QLatin1Char('>'),
                            QString(), level::Silent, classes ? &*classes : nullptr);
    }
    state.counters["rows"] = double(session.relations().count());
    CloseProject(session, true);
}

} // namespace

BENCHMARK(AddRelationshipSilent)
    ->ArgName("classes")
    ->Arg(int(Classes::Direct))
    ->Arg(int(Classes::Cached))
    ->Arg(int(Classes::Preloaded))
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
