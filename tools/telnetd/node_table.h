// Which node each running caller holds; the lowest free node goes to the
// next caller, so node numbers are reused as callers leave.
#ifndef TOOLS_TELNETD_NODE_TABLE_H
#define TOOLS_TELNETD_NODE_TABLE_H

#include <sys/types.h>

#include <vector>

class NodeTable {
public:
    explicit NodeTable(int nodes) : holders_(static_cast<std::size_t>(nodes), 0) {}

    // The lowest free node, 1-based, or 0 when all are busy.
    int free_node() const;
    void hold(int node, pid_t holder) { holders_[static_cast<std::size_t>(node - 1)] = holder; }
    // Frees the node `holder` held; its number, or 0 when it held none.
    int release(pid_t holder);
    int size() const { return static_cast<int>(holders_.size()); }
    bool empty() const;
    // The processes holding nodes, for stopping them.
    std::vector<pid_t> holders() const;

private:
    std::vector<pid_t> holders_;  // 0: free
};

#endif
