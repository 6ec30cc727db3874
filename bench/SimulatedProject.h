#pragma once
// A simulated project of the given number of contexts in a temporary folder,
// made once per size and shared by the benchmarks of one program, so that
// the generation stays outside every timed loop.
#include "core/Regional.h"
#include "core/StreamUi.h"
#include "simulation/Simulation.h"
#include "store/Project.h"
#include "store/Session.h"
#include <QTemporaryDir>
#include <map>
#include <memory>

namespace belvanto::bench {

struct SimulatedProject {
    QTemporaryDir dir;
    StreamUi ui{stderr};
    FixedRegional regional;
    std::unique_ptr<Session> session;

    explicit SimulatedProject(int contexts)
    {
        session = std::make_unique<Session>(ui, regional);
        SimulationSettings s;
        s.projectFile = dir.filePath(QStringLiteral("Bench.bvp"));
        s.excavation = QStringLiteral("Bench");
        s.contexts = contexts;
        CreateProjectFiles(*session, s.projectFile, s.excavation, QString(), false);
        GenerateSimulation(*session, s, 1);
    }
    ~SimulatedProject() { CloseProject(*session, true); }
    SimulatedProject(const SimulatedProject&) = delete;
    SimulatedProject& operator=(const SimulatedProject&) = delete;
};

// The one instance of T (built from the number of contexts) per size.
template <typename T>
T& SharedBySize(int contexts)
{
    static std::map<int, std::unique_ptr<T>> projects;
    auto& p = projects[contexts];
    if (!p) p = std::make_unique<T>(contexts);
    return *p;
}

} // namespace belvanto::bench
