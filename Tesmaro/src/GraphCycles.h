// Which nodes of a directed graph lie on a cycle: the catalogue's entries and the entries their
// dependencies name.
#pragma once

#include <stddef.h>
#include <vector>

// next[v] lists the nodes v leads to. A node is on a cycle when it leads back to itself, through
// others or directly.
std::vector<bool> NodesOnCycles(const std::vector<std::vector<size_t>>& next);
