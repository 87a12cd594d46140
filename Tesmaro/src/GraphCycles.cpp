// Strongly connected components (Tarjan), walked with a work list of its own rather than by
// recursion, so that a long chain of entries cannot exhaust the thread's stack.
#include "GraphCycles.h"

#include <algorithm>
#include <stdint.h>
#include <utility>

std::vector<bool> NodesOnCycles(const std::vector<std::vector<size_t>>& next)
{
    const size_t nNodes = next.size();
    const size_t kUnseen = SIZE_MAX;
    std::vector<size_t> order(nNodes, kUnseen), low(nNodes), open;
    std::vector<bool> bOpen(nNodes), bOnCycle(nNodes);
    std::vector<std::pair<size_t, size_t>> walk; // a node and the position of its next edge
    size_t nSeen = 0;
    auto enter = [&](size_t v) {
        order[v] = low[v] = nSeen++;
        open.push_back(v);
        bOpen[v] = true;
        walk.push_back({v, 0});
    };
    for (size_t nRoot = 0; nRoot < nNodes; ++nRoot) {
        if (order[nRoot] != kUnseen)
            continue;
        enter(nRoot);
        while (!walk.empty()) {
            const size_t v = walk.back().first;
            if (walk.back().second < next[v].size()) {
                const size_t w = next[v][walk.back().second++];
                if (order[w] == kUnseen)
                    enter(w);
                else if (bOpen[w])
                    low[v] = std::min(low[v], order[w]);
                continue;
            }
            walk.pop_back();
            if (!walk.empty())
                low[walk.back().first] = std::min(low[walk.back().first], low[v]);
            if (low[v] != order[v])
                continue;
            // v heads a component: all of it is on a cycle when it has two nodes or more, or v leads to itself.
            const bool bCycle =
                open.back() != v || std::find(next[v].begin(), next[v].end(), v) != next[v].end();
            size_t w;
            do {
                w = open.back();
                open.pop_back();
                bOpen[w] = false;
                bOnCycle[w] = bCycle;
            } while (w != v);
        }
    }
    return bOnCycle;
}
