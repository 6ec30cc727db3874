// The level assignment against its step-by-step form, on thousands of small
// random graphs with contemporary and equal classes (closed or not, stored in
// one direction or both), cycles, and in dating mode with period lists whose
// counts match the contexts or not.
#include "GraphFixture.h"
#include "LiteralLevels.h"
#include "support/ScriptedUi.h"
#include <gtest/gtest.h>
#include <random>

using namespace belvanto;
using namespace belvanto::testing_support;

namespace {

struct Outcome {
    LevelResult result;
    std::vector<int> levels;
    QStringList lines;
    QStringList statuses;
    PeriodList periods;
};

struct Case {
    QStringList units;
    QStringList rels;
    std::optional<std::vector<QString>> dating;
    PeriodList periods;
    ReportMode mode = ReportMode::Detailed;
    bool protocolHasLines = false;
    QString prefix;
};

Case randomCase(std::mt19937& rng)
{
    auto pick = [&](int n) { return int(std::uniform_int_distribution<int>(0, n - 1)(rng)); };
    auto chance = [&](double p) { return std::uniform_real_distribution<double>(0, 1)(rng) < p; };
    Case c;
    const int n = pick(11);
    for (int i = 0; i < n; ++i) c.units << QStringLiteral("U%1").arg(i);
    // One relationship per unordered pair at most, as the table's key allows.
    std::vector<std::vector<bool>> used(std::size_t(n), std::vector<bool>(std::size_t(n), false));
    const int tries = n == 0 ? 0 : pick(2 * n + 2);
    const double backwards = chance(0.5) ? 0.15 : 0.0;   // cycles in about half the graphs
    for (int t = 0; t < tries; ++t) {
        int a = pick(n), b = pick(n);
        if (a == b || used[std::size_t(a)][std::size_t(b)]) continue;
        used[std::size_t(a)][std::size_t(b)] = used[std::size_t(b)][std::size_t(a)] = true;
        const int kind = pick(10);
        const QString x = c.units[a], y = c.units[b];
        if (kind < 6) {
            if (a < b && !chance(backwards)) std::swap(a, b);
            c.rels << c.units[a] + QLatin1Char('<') + c.units[b];
        } else {
            const QChar code = kind < 8 ? QLatin1Char('-') : QLatin1Char('=');
            c.rels << x + code + y + (chance(0.2) ? QStringLiteral("!") : QString());
        }
    }
    if (chance(0.5)) {
        const int p = pick(4);
        std::vector<QString> names;
        for (int i = 0; i < p; ++i) names.push_back(QStringLiteral("P%1").arg(i));
        std::shuffle(names.begin(), names.end(), rng);
        std::vector<QString> dating;
        for (int i = 0; i < n; ++i) dating.push_back(p == 0 || chance(0.05) ? QStringLiteral("X") : names[std::size_t(pick(p))]);
        const bool exact = chance(0.8);
        for (const QString& name : names) {
            const int count = int(std::count(dating.begin(), dating.end(), name));
            c.periods.push_back({name, exact ? count : std::max(0, count + pick(3) - 1), 0, false});
        }
        c.dating = dating;
    }
    c.mode = chance(0.5) ? ReportMode::Detailed : ReportMode::Summary;
    c.protocolHasLines = chance(0.3);
    if (chance(0.2)) c.prefix = QStringLiteral("group G: ");
    return c;
}

template <typename Assign>
Outcome run(const Case& c, Assign assign)
{
    RelationGraph graph = BuildGraph(MakeGraphInput(c.units, c.rels));
    ScriptedUi ui;
    Protocol protocol(c.mode);
    if (c.protocolHasLines) protocol.add(QStringLiteral("before"));
    Outcome o;
    o.periods = c.periods;
    LevelOptions options{c.prefix, c.dating ? &*c.dating : nullptr, &o.periods, QStringLiteral("Phase")};
    o.result = assign(ui, graph, protocol, options);
    o.levels = Levels(graph);
    o.lines = protocol.lines();
    o.statuses = ui.statuses();
    return o;
}

TEST(LevelComparison, FastAndStepByStepAgreeOnRandomGraphs)
{
    std::mt19937 rng(20240611);
    int failures = 0, cycles = 0, dated = 0;
    for (int i = 0; i < 6000 && failures < 5; ++i) {
        const Case c = randomCase(rng);
        const Outcome fast = run(c, AssignNodeLevels);
        const Outcome literal = run(c, LiteralAssignLevels);
        const bool same = fast.result.errorCount == literal.result.errorCount
                          && fast.result.levelCount == literal.result.levelCount && fast.levels == literal.levels
                          && fast.lines == literal.lines && fast.statuses == literal.statuses
                          && fast.periods == literal.periods;
        if (!same) {
            ++failures;
            ADD_FAILURE() << "case " << i << ": units " << c.units.join(' ').toStdString() << " rels "
                          << c.rels.join(' ').toStdString() << (c.dating ? " (dated)" : "") << "\nfast:\n"
                          << fast.lines.join('\n').toStdString() << "\nliteral:\n"
                          << literal.lines.join('\n').toStdString();
        }
        if (!literal.result.ok()) ++cycles;
        if (c.dating) ++dated;
    }
    // The generator must reach the interesting cases, or the comparison says little.
    EXPECT_GT(cycles, 500);
    EXPECT_GT(dated, 2000);
}

} // namespace
