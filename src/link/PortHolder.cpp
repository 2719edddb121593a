#include "link/PortHolder.h"

std::string DescribePortHolders(const std::vector<PortHolder>& holders) {
    std::string text;
    for (const PortHolder& holder : holders) {
        if (!text.empty())
            text += "; ";
        text += (holder.command.empty() ? "pid " : holder.command + ", pid ") +
                std::to_string(holder.pid);
    }
    return text;
}
