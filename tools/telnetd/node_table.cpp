#include "tools/telnetd/node_table.h"

int NodeTable::free_node() const
{
    for (std::size_t i = 0; i < holders_.size(); ++i)
        if (holders_[i] == 0)
            return static_cast<int>(i) + 1;
    return 0;
}

int NodeTable::release(pid_t holder)
{
    for (std::size_t i = 0; i < holders_.size(); ++i)
        if (holders_[i] == holder) {
            holders_[i] = 0;
            return static_cast<int>(i) + 1;
        }
    return 0;
}

bool NodeTable::empty() const
{
    for (pid_t holder : holders_)
        if (holder != 0)
            return false;
    return true;
}

std::vector<pid_t> NodeTable::holders() const
{
    std::vector<pid_t> running;
    for (pid_t holder : holders_)
        if (holder != 0)
            running.push_back(holder);
    return running;
}
