#include "doorkit/bbsdev/deadline.h"

namespace {

constexpr std::int64_t kSecondsPerDay = 86400;
constexpr std::int64_t kMaxMinutes = 32767;
constexpr std::size_t kDeadlineLength = 20;

bool leap_year(std::int64_t year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int days_in_month(std::int64_t year, int month)
{
    constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && leap_year(year) ? 29 : kDays[month - 1];
}

// Digits at text[pos..pos+count) as a number; false when any is not a digit.
bool digits(std::string_view text, std::size_t pos, std::size_t count, int* value)
{
    int result = 0;
    for (std::size_t i = pos; i < pos + count; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return false;
        result = result * 10 + (text[i] - '0');
    }
    *value = result;
    return true;
}

std::int64_t days_since_1970(int year, int month, int day)
{
    std::int64_t days = 0;
    for (int y = 1970; y < year; ++y)
        days += leap_year(y) ? 366 : 365;
    for (int m = 1; m < month; ++m)
        days += days_in_month(year, m);
    return days + day - 1;
}

}  // namespace

bool ODBBSDevParseDeadline(std::string_view text, std::int64_t* seconds)
{
    if (text.size() != kDeadlineLength || text[4] != '-' || text[7] != '-' || text[10] != 'T' ||
        text[13] != ':' || text[16] != ':' || text[19] != 'Z')
        return false;
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
    if (!digits(text, 0, 4, &year) || !digits(text, 5, 2, &month) || !digits(text, 8, 2, &day) ||
        !digits(text, 11, 2, &hour) || !digits(text, 14, 2, &minute) ||
        !digits(text, 17, 2, &second))
        return false;
    if (month < 1 || month > 12 || day < 1 || day > days_in_month(year, month) || hour > 23 ||
        minute > 59 || second > 59)
        return false;
    if (year < 1970) {
        *seconds = 0;
        return true;
    }
    *seconds = days_since_1970(year, month, day) * kSecondsPerDay + hour * 3600 + minute * 60 +
               second;
    return true;
}

ODBBSDevTimeLimit ODBBSDevTimeLimitAt(std::int64_t deadline, std::int64_t now)
{
    if (deadline <= now)
        return {0, now};
    // A clock gone wild must not overflow the difference; it only caps.
    std::int64_t left = 0;
    std::int64_t minutes = kMaxMinutes;
    if (!__builtin_sub_overflow(deadline, now, &left) && left / 60 < kMaxMinutes)
        minutes = left / 60 + (left % 60 != 0 ? 1 : 0);
    return {static_cast<std::int16_t>(minutes), deadline - (minutes - 1) * 60};
}
