#include "tests/chat/fake_curl.h"

#include <sys/stat.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace {

const char* const script =
    "#!/bin/bash\n"
    "d=\"$(/usr/bin/dirname \"$0\")\"\n"
    ": > \"$d/arguments\"\n"
    "for a in \"$@\"; do printf '%s\\n' \"$a\" >> \"$d/arguments\"; done\n"
    "/bin/grep -E '^Sig(Blk|Ign):' /proc/self/status > \"$d/signals\"\n"
    "out=; data=\n"
    "while [ $# -gt 0 ]; do\n"
    "  case \"$1\" in --output) out=\"$2\"; shift;; --data-binary) data=\"${2#@}\"; shift;; esac\n"
    "  shift\n"
    "done\n"
    "/bin/cat \"$data\" > \"$d/body\"\n"
    "printf '%s\\n%s\\n%s\\n' \"$data\" \"$out\" \"$(/usr/bin/readlink /proc/$$/fd/2)\" > \"$d/files\"\n"
    "if [ -f \"$d/reply\" ]; then /bin/cat \"$d/reply\" > \"$out\"; fi\n"
    "if [ -f \"$d/hang\" ]; then exec /bin/sleep 30; fi\n"
    "s=0; if [ -f \"$d/status\" ]; then read s < \"$d/status\"; fi\n"
    "exit $s\n";

}  // namespace

FakeCurl::FakeCurl() {
    dir_.write("curl", script);
    ::chmod(dir_.file("curl").c_str(), 0755);
    const char* path = std::getenv("PATH");
    saved_path_ = path != nullptr ? path : "";
    ::setenv("PATH", dir_.path().c_str(), 1);
}

FakeCurl::~FakeCurl() { ::setenv("PATH", saved_path_.c_str(), 1); }

std::string FakeCurl::read(const char* name) const {
    std::ifstream in(dir_.file(name), std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<std::string> FakeCurl::arguments() const {
    std::vector<std::string> list;
    std::istringstream in(read("arguments"));
    for (std::string line; std::getline(in, line);) list.push_back(line);
    return list;
}

std::vector<std::string> FakeCurl::temp_files() const {
    std::vector<std::string> list;
    std::istringstream in(read("files"));
    for (std::string line; std::getline(in, line);) list.push_back(line);
    return list;
}
