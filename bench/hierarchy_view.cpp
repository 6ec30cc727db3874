// The main window's tree of the group hierarchy at 10,000 groups and 100,000
// contexts: the model takes a built tree, the view expands every node and
// selects the first, and the shown window paints. Qt's offscreen platform
// unless QT_QPA_PLATFORM names another.
#include "checks/GroupHierarchy.h"
#include "ui/HierarchyTreeModel.h"

#include "WidgetsMain.h"
#include <QApplication>
#include <QTreeView>
#include <benchmark/benchmark.h>

using namespace belvanto;

namespace {

constexpr int kGroups = 10000;
constexpr int kContexts = 100000;

// Groups three deep under 100 top-level ones, ten contexts per group.
HierarchyTree MakeTree()
{
    HierarchyTree tree;
    std::vector<int> node(kGroups);
    for (int g = 0; g < kGroups; ++g)
        node[std::size_t(g)] = tree.add(HierarchyNodeKind::Group, QStringLiteral("Site:G%1").arg(g, 5, 10, QLatin1Char('0')),
                                        g < 100 ? -1 : node[std::size_t(g / 10)], g,
                                        {QStringLiteral("Site"), QStringLiteral("G%1").arg(g, 5, 10, QLatin1Char('0'))});
    for (int c = 0; c < kContexts; ++c) {
        const QString name = QStringLiteral("%1").arg(c, 6, 10, QLatin1Char('0'));
        tree.add(HierarchyNodeKind::Context, QStringLiteral("Site:") + name, node[std::size_t(c % kGroups)], -1,
                 {QStringLiteral("Site"), name});
    }
    tree.sort();
    return tree;
}

void OpenAndExpandTree(benchmark::State& state)
{
    const HierarchyTree built = MakeTree();
    QTreeView view;
    view.setHeaderHidden(true);
    view.setUniformRowHeights(true);
    HierarchyTreeModel model;
    view.setModel(&model);
    view.resize(400, 600);
    view.show();
    for (auto _ : state) {
        state.PauseTiming();
        model.clear();
        HierarchyTree tree = built;
        QApplication::processEvents();
        state.ResumeTiming();
        model.setTree(std::move(tree));
        view.expandAll();
        view.setCurrentIndex(model.index(0, 0));
        view.viewport()->repaint();
        QApplication::processEvents();
    }
    state.counters["nodes"] = built.size();
}
BENCHMARK(OpenAndExpandTree)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

int main(int argc, char** argv)
{
    return RunWindowBenchmarks(argc, argv);
}
