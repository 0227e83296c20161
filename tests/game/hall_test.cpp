// The hall of fame as a caller sees it: the local tables, the inter-BBS
// tables and their "not synchronized" state, driven by keys.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "game/hall.h"
#include "game/storage.h"
#include "tests/game/game_session.h"
#include "tests/game/score_files.h"
#include "tests/support/session_runner.h"

namespace {

using game_test::cells_text;
using game_test::spill;

struct Step {
    const char* key;  // typed before the snapshot ("" for the first screen)
    std::vector<std::pair<int, std::string>> rows;  // row and its text from column 3
    const char* colours;  // attributes of ranks 1 and 2 (rows 5 and 6), when checked
};

// Screen rows 1-24 and the colours of rows 5 and 6 after each step, as the
// caller saw them.
std::vector<std::string> play_hall(const std::vector<Step>& steps, const std::string& daily_after)
{
    grimbo_test::TempDir dir;
    grimbo_test::ChildResult result = game_test::run_session([&](game_test::Caller& caller) {
        if (chdir(dir.path().c_str()) != 0 || mkdir("data", 0755) != 0)
            return 90;
        storage_ok = 1;
        spill("data/story.tsv",
              "20261201\tAnn\t50\t1\t0\n20261201\tBob\t90\t2\t0\n20261201\tCy\t50\t3\t0\n");
        spill("data/interbbs-story.tsv",
              "Zed\tDark Realms\t900\textra\nbroken line\nYu\x1b[31m\tVexa Online\t800\n");
        std::string snapshots;
        std::thread script([&]() {
            grimbo_test::Screen screen;
            for (const Step& step : steps) {
                if (step.key[0] == 'A')
                    spill("data/interbbs-daily.tsv", daily_after);
                caller.send(step.key);
                std::this_thread::sleep_for(std::chrono::milliseconds(400));
                screen.feed(caller.drain(200));
                for (int row = 1; row <= 24; ++row)
                    snapshots += cells_text(screen, row, 1, 80) + "\n";
                snapshots += std::to_string(screen.cell(5, 3).attribute) + " " +
                             std::to_string(screen.cell(6, 3).attribute) + "\f";
            }
            caller.send("C");
        });
        hall();
        script.join();
        std::fwrite(snapshots.data(), 1, snapshots.size(), stderr);
        return 0;
    });
    EXPECT_TRUE(result.exited && result.status == 0) << result.err;
    std::vector<std::string> screens;
    for (std::size_t at = 0, end; (end = result.err.find('\f', at)) != std::string::npos;
         at = end + 1)
        screens.push_back(result.err.substr(at, end - at));
    return screens;
}

std::string row_of(const std::string& screen, int row)
{
    std::size_t at = 0;
    for (int r = 1; r < row; ++r)
        at = screen.find('\n', at) + 1;
    return screen.substr(at, screen.find('\n', at) - at);
}

TEST(HallScreens, LocalAndInterbbsViewsFollowTheKeys)
{
    const std::vector<Step> steps = {
        {"",
         {{5, " 1. Bob                       90  STAGE 2"},
          {6, " 2. Ann                       50  STAGE 1"},
          {7, " 3. Cy                        50  STAGE 3"},
          {21, "[S] STORY  [D] DAILY  [I] INTERBBS  [C] LOBBY"}},
         "14 7"},
        {"x", {{5, " 1. Bob"}}, nullptr},  // ignored
        {"d", {{7, " No Daily Challenge scores recorded yet."}}, nullptr},
        {"I",
         {{4, "DAILY NIGHTMARE"},
          {6, "Leaderboard not synchronized yet."},
          {13, "STORY MODE"},
          {15, " 1. Zed                  Dark Realms          900"},
          {16, " 2. Yu_[31m              Vexa Online          800"},
          {17, ""},
          {22, "[A] ALL  [S] STORY  [D] DAILY  [C] RETURN"}},
         nullptr},
        {"A", {{6, "No scores in this category yet."}}, nullptr},
        {"s", {{5, " 1. Zed                  Dark Realms          900"}}, nullptr},
        {"\x1b", {{7, " No Daily Challenge scores recorded yet."}}, nullptr},
    };
    std::vector<std::string> screens = play_hall(steps, "only\tdamaged\n");
    ASSERT_EQ(screens.size(), steps.size());
    for (std::size_t s = 0; s < steps.size(); ++s) {
        for (const auto& [row, text] : steps[s].rows)
            EXPECT_EQ(row_of(screens[s], row).substr(2, text.size() == 0 ? 76 : text.size()),
                      text.size() == 0 ? std::string(76, ' ') : text)
                << "step " << s << " row " << row << "\n" << screens[s];
        if (steps[s].colours != nullptr) {
            EXPECT_EQ(row_of(screens[s], 25), steps[s].colours) << "step " << s;
        }
    }
}

}  // namespace
