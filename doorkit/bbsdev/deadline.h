// The BBSDEV.DRP deadline: its text form, and how many minutes a caller has
// until it.
#ifndef DOORKIT_BBSDEV_DEADLINE_H
#define DOORKIT_BBSDEV_DEADLINE_H

#include <cstdint>
#include <string_view>

// Reads "YYYY-MM-DDTHH:MM:SSZ" naming a real calendar date and a time up to
// 23:59:59 into seconds since 1970-01-01 00:00 UTC; years before 1970 give 0.
bool ODBBSDevParseDeadline(std::string_view text, std::int64_t* seconds);

struct ODBBSDevTimeLimit {
    std::int16_t minutes;        // whole minutes left, rounded up
    std::int64_t next_deduct;    // when the kernel takes the next minute
};

// Minutes from `now` to `deadline`, at most 32767, and the first deduction
// placed so that the last minute runs out exactly at the deadline.
ODBBSDevTimeLimit ODBBSDevTimeLimitAt(std::int64_t deadline, std::int64_t now);

#endif
