// The unit commands on a large project: saving a unit from the edit form,
// deleting a selection of units, merging two units. One project of 100,000
// contexts and 300,000 earlier/later relationships (600,000 rows), made
// once; each timed step is undone outside the timing.
#include "core/Random.h"
#include "core/Regional.h"
#include "core/StreamUi.h"
#include "editing/AddRelationship.h"
#include "editing/UnitEditor.h"
#include "editing/UnitOperations.h"
#include "store/Project.h"
#include "store/Relations.h"
#include "store/Session.h"
#include "store/UnitFields.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <map>
#include <set>

using namespace belvanto;

namespace {

constexpr int kUnits = 100000;
constexpr int kRelationships = 300000;
constexpr int kEditedRelationships = 50;
constexpr int kMergedRelationships = 1000;
constexpr int kDeleted = 1000;

const QString kSite = QStringLiteral("Site");

UnitKey unit(int n) { return {kSite, QString::number(n)}; }

struct LargeProject {
    QTemporaryDir dir;
    FILE* sink = std::tmpfile();
    StreamUi ui{sink};
    FixedRegional regional;
    Session session{ui, regional};
    UnitKey edited{kSite, QStringLiteral("E")};
    UnitKey target{kSite, QStringLiteral("M1")}, other{kSite, QStringLiteral("M2")};
    std::vector<UnitKey> deleted;

    LargeProject()
    {
        ui.setDefaultAnswer(Answer::Yes);
        CreateProjectFiles(session, dir.filePath(QStringLiteral("Bench.bvp")), kSite, QString(), false);
        RandomGenerator random(20261211);
        BulkScope bulk;
        {
            TableWriter units(session.units());
            auto add = [&](const UnitKey& key) {
                units.set(uf::Excavation, key.excavation);
                units.set(uf::Unitname, key.unitname);
                units.set(uf::Unitclass, kContext);
                units.append();
            };
            for (int i = 0; i < kUnits; ++i) add(unit(i));
            for (const UnitKey& key : {edited, target, other}) add(key);
        }
        // Earlier/later pairs, the lower number always the later unit, so
        // that the relationships form no cycle.
        std::set<std::pair<UnitKey, UnitKey>> pairs;
        auto relate = [&](const UnitKey& later, const UnitKey& earlier) {
            if (later != earlier && !pairs.contains({earlier, later})) pairs.insert({later, earlier});
        };
        while (int(pairs.size()) < kRelationships) {
            const int a = int(random.nextInt(kUnits)), b = int(random.nextInt(kUnits));
            relate(unit(std::min(a, b)), unit(std::max(a, b)));
        }
        for (int i = 0; i < kEditedRelationships; ++i) relate(edited, unit(i * (kUnits / kEditedRelationships)));
        // Half of the merged units' other ends are shared.
        for (int i = 0; i < kMergedRelationships; ++i) {
            relate(target, unit(i * 37 % kUnits));
            relate(other, unit((i + kMergedRelationships / 2) * 37 % kUnits));
        }
        TableWriter rels(session.relations());
        for (const auto& [later, earlier] : pairs) {
            InsertRelationRow(rels, later, earlier, category::Later, QString(), status::Stored);
            InsertRelationRow(rels, earlier, later, category::Earlier, QString(), status::Stored);
        }
        std::set<int> chosen;
        while (int(chosen.size()) < kDeleted) chosen.insert(int(random.nextInt(kUnits)));
        for (int n : chosen) deleted.push_back(unit(n));
    }
    ~LargeProject()
    {
        CloseProject(session, true);
        std::fclose(sink);
    }

    // The records of the units and every relationship row naming them, to
    // put back after a timed step took them.
    struct Saved {
        std::vector<std::vector<Value>> units, rels;
    };
    Saved save(const std::vector<UnitKey>& keys)
    {
        Saved saved;
        std::map<qint64, std::vector<Value>> rows;
        for (const UnitKey& key : keys) {
            for (auto& r : session.units().query(QStringLiteral("Excavation IS ? AND Unitname IS ?"),
                                                 {key.excavation, key.unitname}))
                saved.units.push_back(std::move(r.values));
            for (auto& r : RowsOfFirst(session.relations(), key)) rows.emplace(r.rowid, std::move(r.values));
            for (auto& r : RowsOfSecond(session.relations(), key)) rows.emplace(r.rowid, std::move(r.values));
        }
        for (auto& [rowid, values] : rows) saved.rels.push_back(std::move(values));
        return saved;
    }
    void restore(const std::vector<UnitKey>& keys, const Saved& saved)
    {
        BulkScope bulk;
        {
            std::set<qint64> gone;
            for (const UnitKey& key : keys) {
                for (const auto& r : RowsOfFirst(session.relations(), key)) gone.insert(r.rowid);
                for (const auto& r : RowsOfSecond(session.relations(), key)) gone.insert(r.rowid);
            }
            TableWriter rels(session.relations());
            for (qint64 rowid : gone) rels.remove(rowid);
            for (const auto& values : saved.rels) {
                for (std::size_t f = 0; f < values.size(); ++f) rels.set(int(f), values[f]);
                rels.append();
            }
        }
        TableWriter units(session.units());
        for (const UnitKey& key : keys)
            for (const auto& r : session.units().query(QStringLiteral("Excavation IS ? AND Unitname IS ?"),
                                                       {key.excavation, key.unitname}))
                units.remove(r.rowid);
        for (const auto& values : saved.units) {
            for (std::size_t f = 0; f < values.size(); ++f) units.set(int(f), values[f]);
            units.append();
        }
    }
};

LargeProject& project()
{
    static LargeProject p;
    return p;
}

// Saving the unit with 50 relationships: a descriptive change only (0), or
// with a relationship comment changed, which commits all 50 through the
// relationship rules (1).
void SaveUnit(benchmark::State& state)
{
    LargeProject& p = project();
    const bool commit = state.range(0) == 1;
    UnitEditor editor(p.session);
    int n = 0;
    for (auto _ : state) {
        state.PauseTiming();
        editor.open(p.edited.excavation, p.edited.unitname, {}, EditMode::Edit);
        editor.setText(uf::Location, QStringLiteral("L%1").arg(++n));
        if (commit) {
            const auto later = editor.relations(RelationList::LaterThan);
            editor.setRelationComment(later.front().second, QStringLiteral("c%1").arg(n));
        }
        state.ResumeTiming();
        if (!editor.save()) state.SkipWithError("not saved");
        state.PauseTiming();
        editor.close();
        state.ResumeTiming();
    }
    state.counters["rows"] = double(RowsOfFirst(p.session.relations(), p.edited).size());
}

// The Delete command on 1,000 selected units and their some 6,000 rows.
void DeleteSelectedUnits(benchmark::State& state)
{
    LargeProject& p = project();
    const LargeProject::Saved saved = p.save(p.deleted);
    for (auto _ : state) {
        if (!DeleteUnits(p.session, p.deleted)) state.SkipWithError("not deleted");
        state.PauseTiming();
        p.restore(p.deleted, saved);
        state.ResumeTiming();
    }
    state.counters["rows"] = double(saved.rels.size());
}

// The Merge command on two units with 1,000 relationships each.
void MergeTwoUnits(benchmark::State& state)
{
    LargeProject& p = project();
    const std::vector<UnitKey> both{p.target, p.other};
    const LargeProject::Saved saved = p.save(both);
    for (auto _ : state) {
        if (!MergeUnits(p.session, both)) state.SkipWithError("not merged");
        state.PauseTiming();
        p.restore(both, saved);
        state.ResumeTiming();
    }
    state.counters["rows"] = double(saved.rels.size());
}

} // namespace

BENCHMARK(SaveUnit)->ArgName("commit")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(DeleteSelectedUnits)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(MergeTwoUnits)->Unit(benchmark::kMillisecond)->Iterations(3);
