#include "tests/support/log_lines.h"

namespace grimbo_test {

std::size_t log_stamp_length(std::string_view line)
{
    constexpr std::string_view kShape = "dddd-dd-ddTdd:dd:ddZ ";
    if (line.size() < kShape.size())
        return 0;
    for (std::size_t i = 0; i < kShape.size(); ++i) {
        const bool digit = line[i] >= '0' && line[i] <= '9';
        if (kShape[i] == 'd' ? !digit : line[i] != kShape[i])
            return 0;
    }
    return kShape.size();
}

std::vector<std::string> log_events(std::string_view log)
{
    std::vector<std::string> events;
    while (!log.empty()) {
        const std::size_t end = log.find('\n');
        const std::string_view line = log.substr(0, end);
        const std::size_t stamp = log_stamp_length(line);
        events.push_back(stamp != 0 ? std::string(line.substr(stamp))
                                    : "UNSTAMPED " + std::string(line));
        if (end == std::string_view::npos)
            break;
        log.remove_prefix(end + 1);
    }
    return events;
}

}  // namespace grimbo_test
