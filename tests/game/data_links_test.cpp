// Links and other strangers planted among the game's files: a save never
// writes through them, and the file they lead to stays as it was.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <functional>
#include <string>

#include "game/daily.h"
#include "game/profile_file.h"
#include "game/scores.h"
#include "game/seasons.h"
#include "game/storage.h"
#include "tests/game/score_files.h"

namespace {

using game_test::in_game_dir;
using game_test::slurp;
using game_test::spill;

constexpr const char* kTarget = "elsewhere/target";
constexpr const char* kTargetText = "Mallory\t0\t1\n";

bool is_link(const char* path)
{
    struct stat info {};
    return lstat(path, &info) == 0 && S_ISLNK(info.st_mode);
}

bool is_plain(const char* path)
{
    struct stat info {};
    return lstat(path, &info) == 0 && S_ISREG(info.st_mode);
}

// Links at the temporary names the first bulletin writes of this process
// would use.
void plant_temporary_links()
{
    for (const char* bulletin :
         {"highscores.ans", "highscores.asc", "daily-highscores.ans", "daily-highscores.asc"})
        for (int n = 1; n <= 6; ++n) {
            char name[96];
            std::snprintf(name, sizeof name, "%s.%ld.%d.tmp", bulletin,
                          static_cast<long>(getpid()), n);
            symlink(kTarget, name);
        }
}

TEST(PlantedLinks, SavesNeverWriteThroughThem)
{
    struct Case {
        const char* what;
        const char* link;  // planted, leading to kTarget (or its directory)
        bool to_directory;
        std::function<std::string()> act;
        std::string expected;
    };
    auto save = [](int daily) { return [daily]() { return std::to_string(save_score(daily)); }; };
    const Case cases[] = {
        {"story table", "data/story.tsv", false, save(0), "0"},
        {"daily table", "data/daily.tsv", false, save(1), "0"},
        {"outbox", "data/interbbs-outbox.tsv", false, save(0), "2"},
        {"write lock", "data/.grimbo-write.lock", true, save(0), "0"},
        {"bulletin temporary names", nullptr, false,
         []() {
             plant_temporary_links();
             std::string text = std::to_string(save_score(0));
             return text + (is_plain("highscores.asc") && is_plain("daily-highscores.ans")
                                ? " bulletins"
                                : " no bulletins");
         },
         "1 bulletins"},
        {"daily lock file", "data/daily-lock.tsv", false,
         []() {
             season_stamp = 2026341;
             return std::to_string(daily_reserve()) + " " +
                    std::to_string(daily_played(profile_path, season_stamp));
         },
         "0 0"},
        {"daily reservation", "data/profile-0123456789abcdef-2026341.running", true,
         []() {
             season_stamp = 2026341;
             int reserved = daily_reserve();
             daily_release();
             return std::to_string(reserved);
         },
         "0"},
        {"survivor profile", "data/profile-0123456789abcdef.tsv", false,
         []() {
             stored_profile read{};
             std::string text = profile_load(profile_path, &read) ? "loaded" : "not loaded";
             // Saving replaces the link itself with the caller's own file.
             text += profile_save(profile_path, "Ann", 0, 1) ? " saved" : " not saved";
             return text + (is_plain(profile_path) ? " as a file" : " still a link");
         },
         "not loaded saved as a file"},
    };
    for (const Case& c : cases) {
        grimbo_test::ChildResult result = in_game_dir([&c]() {
            // The target reads like a survivor, so one read through the
            // link would show.
            if (mkdir("elsewhere", 0755) != 0 || !spill(kTarget, kTargetText))
                return 90;
            const char* leads_to = c.to_directory ? "../elsewhere" : "../elsewhere/target";
            if (c.link != nullptr && symlink(leads_to, c.link) != 0)
                return 91;
            std::string text = c.act();
            text += slurp(kTarget) == kTargetText ? "" : " target changed";
            text += slurp("elsewhere/holder").empty() ? "" : " lock written elsewhere";
            if (c.link != nullptr && std::string(c.link) != "data/profile-0123456789abcdef.tsv" &&
                !is_link(c.link))
                text += " link removed";
            std::fwrite(text.data(), 1, text.size(), stdout);
            return 0;
        });
        ASSERT_TRUE(result.exited && result.status == 0) << c.what << result.err;
        EXPECT_EQ(result.out, c.expected) << c.what;
    }
}

TEST(PlantedLinks, AFifoInPlaceOfATableHoldsNobody)
{
    grimbo_test::ChildResult result = in_game_dir(
        []() {
            if (mkfifo("data/story.tsv", 0644) != 0 || mkfifo("data/daily-lock.tsv", 0644) != 0)
                return 90;
            static score_record records[SCORE_RANK_MAX];
            season_stamp = 2026341;
            std::string text = std::to_string(read_scores(records, SCORE_RANK_MAX, 0)) + " " +
                               std::to_string(save_score(0)) + " " +
                               std::to_string(daily_reserve());
            std::fwrite(text.data(), 1, text.size(), stdout);
            return 0;
        },
        10000);
    ASSERT_FALSE(result.timed_out);
    ASSERT_TRUE(result.exited && result.status == 0) << result.err;
    EXPECT_EQ(result.out, "0 0 0");
}

}  // namespace
