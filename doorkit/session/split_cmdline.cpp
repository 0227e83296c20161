// od_split_cmd_line: turns one command-line string into an argument vector
// for programs that receive their arguments as a single string.
#include <cstdlib>
#include <cstring>

#include "doorkit/doorkit.h"
#include "doorkit/session/cmdline.h"

void* (*pfODSplitAlloc)(std::size_t size) = std::malloc;

namespace {

// Entry 0 (the program name slot) counts.
constexpr int OD_SPLIT_MAX_ENTRIES = 4096;

}  // namespace

char** od_split_cmd_line(const char* line, int* argc)
{
    if (argc != nullptr)
        *argc = 0;
    if (line == nullptr || argc == nullptr) {
        od_control.error_code = OD_ERR_PARAMETER;
        return nullptr;
    }

    std::size_t length = std::strlen(line);
    auto** vector = static_cast<char**>(pfODSplitAlloc((OD_SPLIT_MAX_ENTRIES + 1) * sizeof(char*)));
    char* program = vector != nullptr ? static_cast<char*>(pfODSplitAlloc(1)) : nullptr;
    char* copy = program != nullptr ? static_cast<char*>(pfODSplitAlloc(length + 1)) : nullptr;
    if (copy == nullptr) {
        std::free(program);
        std::free(vector);
        od_control.error_code = OD_ERR_MEMORY;
        return nullptr;
    }
    program[0] = '\0';
    std::memcpy(copy, line, length + 1);

    // The copy is always entry 1, so a line that begins with a blank (or is
    // empty) gives an empty first argument; od_free_split_cmd_line relies on it.
    vector[0] = program;
    vector[1] = copy;
    int count = 2;
    char* p = copy;
    while (*p != '\0') {
        if (!ODIsCommandLineBlank(*p)) {
            ++p;
            continue;
        }
        while (ODIsCommandLineBlank(*p))
            *p++ = '\0';
        if (*p == '\0' || count == OD_SPLIT_MAX_ENTRIES)
            break;
        vector[count++] = p;
    }
    vector[count] = nullptr;

    // A failed shrink leaves the larger vector, which is still correct.
    void* smaller = std::realloc(vector, static_cast<std::size_t>(count + 1) * sizeof(char*));
    if (smaller != nullptr)
        vector = static_cast<char**>(smaller);
    *argc = count;
    return vector;
}

void od_free_split_cmd_line(char** argv)
{
    if (argv == nullptr) {
        od_control.error_code = OD_ERR_PARAMETER;
        return;
    }
    std::free(argv[0]);
    std::free(argv[1]);
    std::free(argv);
}
