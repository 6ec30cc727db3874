#pragma once
// The redundancy test link by link, as plainly as it can be written: for
// every tested link a depth-first search from the upper node's other earlier
// units, dropping nodes at or below the lower node's level. The fast test
// must give the same calls, in the same order, and leave the same lists.
#include "checks/Redundancy.h"
#include <algorithm>
#include <vector>

namespace belvanto::testing_support {

template <typename Graph>
bool LiteralSingleLinkTest(Graph& graph, int u, int v)
{
    auto& nodes = graph.nodes;
    if (!MayBeShortcut(nodes[std::size_t(u)], nodes[std::size_t(v)])) return false;
    const int target = nodes[std::size_t(v)].Level;
    std::vector<int> stack, visited;
    std::vector<char> onStack(nodes.size(), 0);
    auto push = [&](int x) {
        if (onStack[std::size_t(x)]) return;
        onStack[std::size_t(x)] = 1;
        stack.push_back(x);
    };
    for (int w : nodes[std::size_t(u)].EarlierList)
        if (w != v) push(w);
    bool found = false;
    while (!found && !stack.empty()) {
        const int w = stack.back();
        stack.pop_back();
        onStack[std::size_t(w)] = 0;
        auto& node = nodes[std::size_t(w)];
        if (node.Level >= target || node.VisitMark == -1) continue;
        for (int x : node.EarlierList) {
            if (x == v) {
                found = true;
                break;
            }
            push(x);
        }
        if (found) break;
        node.VisitMark = -1;
        visited.push_back(w);
    }
    for (int w : visited) nodes[std::size_t(w)].VisitMark = 0;
    return found;
}

template <typename Graph, typename OnRedundant, typename Progress>
void LiteralRedundancyTest(Graph& graph, OnRedundant&& onRedundant, Progress&& progress)
{
    auto& nodes = graph.nodes;
    for (int u = 0; u < int(nodes.size()); ++u) {
        if (u % 10 == 0) progress(u);
        if (nodes[std::size_t(u)].EarlierList.size() <= 1) continue;
        std::vector<int> redundant;
        for (int v : nodes[std::size_t(u)].EarlierList) {
            if (!LiteralSingleLinkTest(graph, u, v)) continue;
            onRedundant(u, v);
            if (std::find(redundant.begin(), redundant.end(), v) == redundant.end()) redundant.push_back(v);
        }
        for (int v : redundant) nodes[std::size_t(v)].LaterList.remove(u);
    }
}

} // namespace belvanto::testing_support
