#include "tests/game/score_files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

#include "game/handle.h"
#include "game/run_state.h"
#include "game/seasons.h"
#include "game/storage.h"
#include "tests/support/session_runner.h"

namespace game_test {

grimbo_test::ChildResult in_game_dir(const std::function<int()>& body, int timeout_ms)
{
    grimbo_test::TempDir dir;
    return grimbo_test::run_in_child(
        [&]() {
            if (chdir(dir.path().c_str()) != 0 || mkdir("data", 0755) != 0)
                return 90;
            storage_ok = 1;
            season_year = 2026;
            season_index = 11;
            season_day = 8;
            std::snprintf(player, sizeof player, "%s", "Ann");
            std::snprintf(profile_path, sizeof profile_path, "%s",
                          "data/profile-0123456789abcdef.tsv");
            score = 1200;
            level = 2;
            return body();
        },
        timeout_ms);
}

std::string printed_in_game_dir(const std::function<std::string()>& body)
{
    grimbo_test::ChildResult result = in_game_dir([&]() {
        std::string text = body();
        std::fwrite(text.data(), 1, text.size(), stdout);
        return 0;
    });
    EXPECT_TRUE(result.exited && result.status == 0) << result.err;
    return result.out;
}

std::string slurp(const char* path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

bool spill(const char* path, const std::string& content)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
    return static_cast<bool>(out);
}

}  // namespace game_test
