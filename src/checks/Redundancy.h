#pragma once
// The redundancy test: every "later than" link of a levelled relation graph
// that a longer chain of such links implies (a transitive shortcut) is found,
// reported, marked in a relationship table and, on request, deleted. Its
// removals from the later lists decide which lines a placement draws.
//
// Which links are redundant is pure reachability: after a successful level
// assignment every EarlierList entry lies deeper than its node, so a chain
// from u to v other than the direct link runs through nodes above v's level,
// and the removals from LaterLists never change an EarlierList. One bounded
// traversal per node therefore answers the question for all its earlier
// units at once; the findings come out in the order of the link-by-link
// test (nodes ascending, each EarlierList from its head).
#include "core/Protocol.h"
#include "layout/RelationGraph.h"
#include <QString>
#include <algorithm>
#include <vector>

namespace belvanto {

class Table;
class UserInterface;

// A link whose two levels differ by one cannot be the shortcut of a chain:
// a chain of two or more links ends at least two levels down.
template <typename Node>
bool MayBeShortcut(const Node& upper, const Node& lower)
{
    return lower.Level - upper.Level != 1;
}

// The whole-graph test over any graph whose nodes (graph.nodes[i]) have
// Level, VisitMark, EarlierList and LaterList, the lists iterable from their
// head, with size(), pushFront(), remove() (first occurrence from the head)
// and clear(). Precondition: the levels of a successful level assignment.
//
// For every node u (ascending) with at least two earlier entries:
// onRedundant(u, v) for every redundant entry v in list order (a neighbour
// listed twice is reported twice); then u is taken once out of the LaterList
// of every distinct redundant v. progress(u) is called for u = 0, 10, 20, ...
// VisitMark is used as the visited mark and is 0 again at the end.
template <typename Graph, typename OnRedundant, typename Progress>
void FindRedundantLinks(Graph& graph, OnRedundant&& onRedundant, Progress&& progress)
{
    auto& nodes = graph.nodes;
    const int n = int(nodes.size());
    // Per node u: 1 for its earlier units, 2 once one is reached through another.
    std::vector<unsigned char> childState(std::size_t(n), 0);
    std::vector<int> children, visited, stack;
    std::vector<std::vector<int>> removals(static_cast<std::size_t>(n));   // per v: the u to take out
    std::vector<int> redundantOf;

    for (int u = 0; u < n; ++u) {
        if (u % 10 == 0) progress(u);
        auto& upper = nodes[std::size_t(u)];
        if (upper.EarlierList.size() <= 1) continue;

        children.clear();
        int deepest = 0;   // the deepest level a chain to a tested entry can need
        bool anyCandidate = false;
        for (int v : upper.EarlierList) {
            if (childState[std::size_t(v)]) continue;
            childState[std::size_t(v)] = 1;
            children.push_back(v);
            if (MayBeShortcut(upper, nodes[std::size_t(v)])) {
                anyCandidate = true;
                deepest = std::max(deepest, nodes[std::size_t(v)].Level);
            }
        }
        if (anyCandidate && children.size() > 1) {
            // Every earlier unit is a source; an earlier unit seen again from
            // any visited node lies on a chain from u of two or more links.
            stack.clear();
            for (int c : children) {
                auto& node = nodes[std::size_t(c)];
                if (node.Level < deepest && node.VisitMark != -1) {
                    node.VisitMark = -1;
                    visited.push_back(c);
                    stack.push_back(c);
                }
            }
            while (!stack.empty()) {
                const int w = stack.back();
                stack.pop_back();
                for (int x : nodes[std::size_t(w)].EarlierList) {
                    if (childState[std::size_t(x)]) childState[std::size_t(x)] = 2;
                    auto& next = nodes[std::size_t(x)];
                    if (next.Level < deepest && next.VisitMark != -1) {
                        next.VisitMark = -1;
                        visited.push_back(x);
                        stack.push_back(x);
                    }
                }
            }
            for (int w : visited) nodes[std::size_t(w)].VisitMark = 0;
            visited.clear();

            redundantOf.clear();
            for (int v : upper.EarlierList) {
                if (childState[std::size_t(v)] != 2 || !MayBeShortcut(upper, nodes[std::size_t(v)])) continue;
                onRedundant(u, v);
                if (std::find(redundantOf.begin(), redundantOf.end(), v) == redundantOf.end()) redundantOf.push_back(v);
            }
            for (int v : redundantOf) removals[std::size_t(v)].push_back(u);
        }
        for (int c : children) childState[std::size_t(c)] = 0;
    }

    // The removals only touch LaterLists, which no test reads: they are made
    // at the end, per list in one pass.
    for (int v = 0; v < n; ++v) {
        std::vector<int>& gone = removals[std::size_t(v)];
        if (gone.empty()) continue;
        auto& list = nodes[std::size_t(v)].LaterList;
        if (gone.size() == 1) {
            list.remove(gone.front());
            continue;
        }
        // Each u leaves at its first occurrence from the head, as removing
        // them one after the other would.
        std::sort(gone.begin(), gone.end());
        std::vector<int> kept;
        kept.reserve(list.size());
        for (int w : list) {
            const auto it = std::lower_bound(gone.begin(), gone.end(), w);
            if (it != gone.end() && *it == w) {
                gone.erase(it);
                continue;
            }
            kept.push_back(w);
        }
        list.clear();
        for (auto it = kept.rbegin(); it != kept.rend(); ++it) list.pushFront(*it);
        gone.clear();
        gone.shrink_to_fit();
    }
}

enum class RedundancyMode {
    Status,   // RelationStatus "R" on both rows of the project's relationship table
    Field     // an integer field set to -1 on the "<" row of a layout relation table
};

struct RedundancyOptions {
    RedundancyMode mode = RedundancyMode::Status;
    // "" in the check run; the group layout names the group it lays out.
    QString prefix;
    bool deleteRedundant = false;
    // Field mode only.
    QString markField = QStringLiteral("NestCt2");
};

inline const QString kRelTableCorruptMessage = QStringLiteral("Reltable corrupt?");

// The detailed protocol's line for the redundant link from u down to v.
QString RedundantLinkLine(const QString& prefix, const RelationGraph& graph, int u, int v);
// The status text while node u of n is tested.
QString RedundancyProgressText(const QString& prefix, int u, int n);

// The redundancy test over the relation graph (built from the table the
// relationship table names its units in, and levelled without cycles).
// Returns the number of redundant links counted.
//
// Status mode: statuses "R" left by earlier tests go back to "u" first, so
// that the statuses say what this test found; both rows of every redundant
// link get "R"; the protocol gets "<n> redundant relationships found.".
// Field mode: the mark field of the row (v, u) of a link from u down to v
// gets -1. With deleteRedundant exactly the rows marked by this test are
// deleted. A missing row (u, v) in status mode shows "Reltable corrupt?":
// the link is still taken out of the graph but neither counted nor marked.
// Detailed protocols list every counted link. All table changes are made
// in one transaction after the graph has been searched.
int RedundancyTest(UserInterface& ui, RelationGraph& graph, Table& relationTable, Protocol& protocol,
                   const RedundancyOptions& options);

} // namespace belvanto
