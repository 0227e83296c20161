// The one table every benchmark program adds its rows to: what was
// measured, the figure, what it stands against, and the goal.
#ifndef BENCH_TABLE_H
#define BENCH_TABLE_H

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <string>
#include <vector>

inline void bench_row(const std::string& measure, const std::string& figure,
                      const std::string& against, const std::string& goal)
{
    std::printf("| %s | %s | %s | %s |\n", measure.c_str(), figure.c_str(), against.c_str(),
                goal.c_str());
    std::fflush(stdout);
}

inline std::string bench_format(const char* format, ...)
{
    char text[256];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    return text;
}

inline double bench_median(std::vector<double> values)
{
    if (values.empty())
        return -1;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

#endif
