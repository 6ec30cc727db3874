#include "LiteralLevels.h"
#include "core/UserInterface.h"
#include <algorithm>

namespace belvanto::testing_support {

namespace {

// Breadth first over ContemporaryList, then EqualList, in list order.
std::vector<int> literalClass(const RelationGraph& graph, int start)
{
    std::vector<int> members{start};
    std::vector<bool> seen(graph.nodes.size(), false);
    seen[std::size_t(start)] = true;
    for (std::size_t head = 0; head < members.size(); ++head) {
        const GraphNode& node = graph.nodes[std::size_t(members[head])];
        for (const NodeList* list : {&node.ContemporaryList, &node.EqualList})
            for (int m : *list)
                if (!seen[std::size_t(m)]) {
                    seen[std::size_t(m)] = true;
                    members.push_back(m);
                }
    }
    return members;
}

} // namespace

LevelResult LiteralAssignLevels(UserInterface& ui, RelationGraph& graph, Protocol& protocol, const LevelOptions& options)
{
    auto& nodes = graph.nodes;
    const int n = graph.size();
    const bool dating = options.dating != nullptr;
    const QString& prefix = options.prefix;
    PeriodList* periods = options.periods;
    const int periodCount = periods ? int(periods->size()) : 0;
    auto datingOf = [&](int v) { return (*options.dating)[std::size_t(v)]; };
    auto level = [&](int v) -> qint32& { return nodes[std::size_t(v)].Level; };

    // 1.
    for (auto& node : nodes) node.Level = 0;
    const QString total = QString::number(n);
    ui.status(prefix + (dating ? QStringLiteral("Initialize layout with dating constraints for unit 1 of ")
                               : QStringLiteral("Initialize cycle check for unit 1 of ")) + total);
    for (int i = 0; i < n; ++i)
        if (i % 50 == 0)
            ui.status(prefix + (dating ? QStringLiteral("Initialize layout with dating constraints ")
                                       : QStringLiteral("Initialize cycle check for unit ")) + QString::number(i) + QStringLiteral(" of ") + total);

    qint64 remaining = n;
    std::vector<int> candidates, frontier, next, deferred;
    // 2.
    for (int v = 0; v < n; ++v)
        if (nodes[std::size_t(v)].LaterList.empty()) {
            level(v) = 1;
            candidates.push_back(v);
        }
    // 3.
    for (int c : candidates) {
        const auto members = literalClass(graph, c);
        if (std::any_of(members.begin(), members.end(), [&](int m) { return level(m) == 0; })) {
            level(c) = 0;
            continue;
        }
        if (dating) {
            if (periodCount > 0 && datingOf(c) == (*periods)[0].name) {
                frontier.push_back(c);
                --(*periods)[0].count;
                --remaining;
            } else {
                deferred.push_back(c);
            }
        } else {
            frontier.push_back(c);
            --remaining;
        }
    }
    // 4.
    for (int d : deferred) level(d) = 0;

    int current = 0;
    auto currentName = [&] { return current < periodCount ? (*periods)[std::size_t(current)].name : QString(); };
    int N = 1;
    for (;;) {
        // 5.
        if (frontier.empty() && deferred.empty()) break;
        ++N;
        ui.status(prefix + (dating ? QStringLiteral("Assigning matrix row positions, level: ")
                                   : QStringLiteral("Checking for cycles, level: ")) + QString::number(N));
        // 6.
        if (dating) {
            if (current < periodCount && (*periods)[std::size_t(current)].count == 0) {
                ++current;
                if (current < periodCount) {
                    Period& p = (*periods)[std::size_t(current)];
                    p.position = N;
                    std::vector<int> stay;
                    for (int d : deferred) {
                        if (datingOf(d) == p.name) {
                            level(d) = N;
                            next.push_back(d);
                            --p.count;
                            --remaining;
                        } else {
                            stay.push_back(d);
                        }
                    }
                    deferred = stay;
                }
            } else if (frontier.empty()) {
                deferred.clear();
                break;
            }
        }
        // 7.
        for (int v : frontier)
            for (int u : nodes[std::size_t(v)].EarlierList) {
                if (level(u) >= 1 || std::find(deferred.begin(), deferred.end(), u) != deferred.end()) continue;
                const auto members = literalClass(graph, u);
                bool ready = true;
                for (int m : members)
                    for (int w : nodes[std::size_t(m)].LaterList)
                        if (!(w == v || (level(w) >= 1 && level(w) < N))) ready = false;
                if (!ready) continue;
                if (dating && datingOf(u) != currentName()) {
                    deferred.insert(deferred.end(), members.begin(), members.end());
                } else {
                    for (int m : members) {
                        level(m) = N;
                        next.push_back(m);
                        --remaining;
                        if (dating && current < periodCount) --(*periods)[std::size_t(current)].count;
                    }
                }
            }
        // 8.
        frontier = next;
        next.clear();
    }
    // 9.-11.
    LevelResult result;
    result.levelCount = N - 1;
    if (remaining == 0) {
        if (!dating && protocol.detailed() && prefix.isEmpty()) {
            protocol.add(QStringLiteral("No cycles found."));
            protocol.add(QString());
        }
    } else if (!dating) {
        result.errorCount = ListCycles(graph, protocol, prefix);
    } else {
        protocol.add(QString());
        protocol.add(options.datingName + QStringLiteral(" layout not successful, problem with ")
                     + options.datingName.toLower() + QLatin1Char(' ') + currentName());
        result.errorCount = 1;
    }
    return result;
}

} // namespace belvanto::testing_support
