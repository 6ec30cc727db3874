// Makes the worst case for dummy units, for whole-process runs of
// `belvanto-cli layout`:
//
//   bench_long_links P.bvp CONTEXTS [SPAN]
//
// A new project whose contexts stand in chains of LEVELS contexts (a
// thousand unless fewer contexts), each context later than the next one of
// its chain and later than the context SPAN levels further down in another
// chain (fifteen unless given). No relationship is implied by others, so the
// redundancy test deletes none, and every long one needs SPAN - 1 dummy
// units. Prints the numbers of contexts and of relationships.
#include "core/Regional.h"
#include "core/StreamUi.h"
#include "store/Project.h"
#include "store/Relations.h"
#include "store/Session.h"
#include "store/UnitFields.h"
#include <QCoreApplication>
#include <algorithm>
#include <cstdio>

using namespace belvanto;

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    const int contexts = args.size() > 2 ? args[2].toInt() : 0;
    const int span = args.size() > 3 ? args[3].toInt() : 15;
    if (args.size() < 3 || args.size() > 4 || contexts < 2 || span < 2) {
        std::fputs("usage: bench_long_links P.bvp CONTEXTS [SPAN]\n", stderr);
        return 2;
    }
    StreamUi ui(stderr);
    FixedRegional regional;
    Session session(ui, regional);
    const QString file = MakeAbsolute(args[1]);
    const QString excavation = QStringLiteral("W");
    if (!CreateProjectFiles(session, file, excavation, QString(), false)) return 1;

    const int levels = std::min(contexts, 1000);
    const int chains = (contexts + levels - 1) / levels;
    // Context k stands at level k / chains of chain k % chains.
    auto key = [&](int k) { return UnitKey{excavation, QStringLiteral("C%1").arg(k, 6, 10, QLatin1Char('0'))}; };
    qint64 relationships = 0;
    {
        BulkScope bulk;
        {
            TableWriter units(session.units());
            for (int k = 0; k < contexts; ++k) {
                const UnitKey unit = key(k);
                units.set(uf::Excavation, unit.excavation);
                units.set(uf::Unitname, unit.unitname);
                units.set(uf::Unitclass, kContext);
                units.insert();
            }
        }
        TableWriter rels(session.relations());
        auto later = [&](int upper, int lower) {
            InsertRelationRow(rels, key(upper), key(lower), category::Later, QString(), status::Stored);
            InsertRelationRow(rels, key(lower), key(upper), category::Earlier, QString(), status::Stored);
            ++relationships;
        };
        for (int k = 0; k < contexts; ++k) {
            const int level = k / chains, chain = k % chains;
            if (k + chains < contexts) later(k, k + chains);
            // Into another chain, shifted by level so that the chains mix.
            const int other = (chain + 1 + level % std::max(chains - 1, 1)) % chains;
            const int lower = (level + span) * chains + other;
            if (chains > 1 && lower < contexts) later(k, lower);
        }
    }
    if (!CloseProject(session, true)) return 1;
    std::printf("%d contexts, %lld relationships\n", contexts, relationships);
    return 0;
}
