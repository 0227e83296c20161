// Reading grimbo.log in tests: its lines begin with a UTC time stamp.
#ifndef TESTS_SUPPORT_LOG_LINES_H
#define TESTS_SUPPORT_LOG_LINES_H

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace grimbo_test {

// The length of the "YYYY-MM-DDTHH:MM:SSZ " a log line begins with; 0 when
// it does not begin so.
std::size_t log_stamp_length(std::string_view line);

// The log's lines without their time stamps; "UNSTAMPED <line>" for a line
// that has none.
std::vector<std::string> log_events(std::string_view log);

}  // namespace grimbo_test

#endif
