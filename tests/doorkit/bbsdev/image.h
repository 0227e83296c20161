// Builds BBSDEV.DRP images for the tests: a valid file whose lines can be
// replaced one at a time.
#ifndef TESTS_DOORKIT_BBSDEV_IMAGE_H
#define TESTS_DOORKIT_BBSDEV_IMAGE_H

#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

namespace grimbo_test {

struct DrpLine {
    int number;  // 1-based
    std::string text;
};

inline std::vector<std::string> drp_default_lines()
{
    return {"1.0",      "stdio", "",      "Jane Doe",   "caller-7f3a", "80", "24",
            "Y",        "N",     "3.2.1", "",           "IBM437",      "en-US", "-",
            "Hollow BBS", "Sam Sysop", "100", "3", "Y"};
}

// The default file with the given lines replaced (numbers past 19 add
// lines), each ended by `eol`.
inline std::string drp(std::initializer_list<DrpLine> changes = {}, const char* eol = "\n")
{
    std::vector<std::string> lines = drp_default_lines();
    for (const DrpLine& change : changes) {
        if (change.number > static_cast<int>(lines.size()))
            lines.resize(static_cast<std::size_t>(change.number));
        lines[static_cast<std::size_t>(change.number - 1)] = change.text;
    }
    std::string image;
    for (const std::string& line : lines)
        image += line + eol;
    return image;
}

}  // namespace grimbo_test

#endif
