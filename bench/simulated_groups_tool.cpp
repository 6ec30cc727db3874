// Adds two-deep groups to a simulated project, for the whole-process runs of
// `belvanto-cli layout P.bvp --groups` in bench/baseline.sh:
//
//   bench_simulated_groups P.bvp [CONTEXTS_PER_GROUP [GROUPS_PER_UPPER]]
//
// Ten contexts a group and ten groups an upper group unless given. Prints
// the number of groups and upper groups made.
#include "SimulatedProject.h"
#include <QCoreApplication>
#include <cstdio>

using namespace belvanto;

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    const auto number = [&](int i) {
        bool ok = true;
        const int n = args.size() > i ? args[i].toInt(&ok) : 10;
        return ok && n > 0 ? n : 0;
    };
    const int contextsPerGroup = number(2), groupsPerUpper = number(3);
    if (args.size() < 2 || args.size() > 4 || contextsPerGroup == 0 || groupsPerUpper == 0) {
        std::fputs("usage: bench_simulated_groups P.bvp [CONTEXTS_PER_GROUP [GROUPS_PER_UPPER]]\n", stderr);
        return 2;
    }
    StreamUi ui(stderr);
    FixedRegional regional;
    Session session(ui, regional);
    if (!OpenProject(session, MakeAbsolute(args[1]))) return 1;
    const bench::SimulatedGroups made = bench::AddSimulatedGroups(session, contextsPerGroup, groupsPerUpper);
    if (!CloseProject(session, true)) return 1;
    std::printf("%d groups in %d upper groups\n", made.groups, made.upperGroups);
    return 0;
}
