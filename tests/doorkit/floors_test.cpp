// The door kit's folders are floors: a folder includes only headers of the
// floors beneath it, and nothing in the kit includes the chat client or the
// game. A new folder has to be given its place here.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

namespace fs = std::filesystem;

namespace {

// From the ground up.
constexpr std::array<std::string_view, 12> kFloors = {
    "core",  "transport", "kernel", "bbsdev",  "dropfile", "input",
    "output", "screen",   "log",    "reserve", "sysop",    "session",
};

int floor_of(std::string_view folder)
{
    auto at = std::find(kFloors.begin(), kFloors.end(), folder);
    return at == kFloors.end() ? -1 : static_cast<int>(at - kFloors.begin());
}

// The folder a quoted include names: "doorkit/<folder>/<file>" gives
// <folder>; the public header and includes from outside the kit give "".
std::string included_folder(const std::string& line)
{
    constexpr std::string_view kPrefix = "#include \"doorkit/";
    if (line.rfind(kPrefix, 0) != 0)
        return "";
    const std::size_t start = kPrefix.size();
    const std::size_t slash = line.find('/', start);
    const std::size_t quote = line.find('"', start);
    if (slash == std::string::npos || quote == std::string::npos || slash > quote)
        return "";
    return line.substr(start, slash - start);
}

TEST(DoorKitFloors, IncludeLinesAreReadAsTheirFolder)
{
    struct Case {
        const char* line;
        const char* folder;
    };
    const Case cases[] = {
        {"#include \"doorkit/kernel/kernel.h\"", "kernel"},
        {"#include \"doorkit/doorkit.h\"", ""},
        {"#include <doorkit/kernel/kernel.h>", ""},
        {"#include \"game/lobby.h\"", ""},
        {"// #include \"doorkit/session/lifecycle.h\"", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(included_folder(c.line), c.folder) << c.line;
}

TEST(DoorKitFloors, NoFolderIncludesAHigherOneOrTheGame)
{
    const fs::path root = fs::path(GRIMBO_SOURCE_DIR) / "doorkit";
    int files = 0;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        const fs::path& path = entry.path();
        if (!entry.is_regular_file() || (path.extension() != ".cpp" && path.extension() != ".h"))
            continue;
        const fs::path relative = fs::relative(path, root);
        if (relative.begin() == relative.end() || std::next(relative.begin()) == relative.end())
            continue;  // the public header sits above the floors
        const std::string folder = relative.begin()->string();
        const int own = floor_of(folder);
        ASSERT_GE(own, 0) << "doorkit/" << folder << " has no place among the floors";
        ++files;

        std::ifstream in(path);
        std::string line;
        while (std::getline(in, line)) {
            EXPECT_TRUE(line.rfind("#include \"chat/", 0) != 0 &&
                        line.rfind("#include \"game/", 0) != 0)
                << relative << ": " << line;
            const std::string used = included_folder(line);
            if (used.empty())
                continue;
            const int floor = floor_of(used);
            EXPECT_GE(floor, 0) << relative << ": " << line;
            EXPECT_LE(floor, own) << relative << " reaches up: " << line;
        }
    }
    EXPECT_GT(files, 0);
}

}  // namespace
