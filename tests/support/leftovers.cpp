#include "tests/support/leftovers.h"

#include <dirent.h>

#include <fstream>

namespace grimbo_test {

std::string children_of(pid_t pid)
{
    std::string all;
    const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
    if (DIR* dir = opendir(tasks.c_str())) {
        while (dirent* entry = readdir(dir)) {
            std::ifstream in(tasks + "/" + entry->d_name + "/children");
            std::string line;
            std::getline(in, line);
            all += line;
        }
        closedir(dir);
    }
    return all;
}

std::set<std::string> chat_temp_files()
{
    std::set<std::string> names;
    if (DIR* dir = opendir("/tmp")) {
        while (dirent* entry = readdir(dir))
            if (std::string(entry->d_name).rfind("vexa-chat", 0) == 0)
                names.insert(entry->d_name);
        closedir(dir);
    }
    return names;
}

}  // namespace grimbo_test
