// The game's files when nodes die and when strangers plant links in data/:
// a lock left by a dead node costs the next caller nothing, a live node's
// lock is waited for, bulletins are never left empty, and a link is never
// written through.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <string>

#include "tests/e2e/game_door.h"

using namespace game_e2e;
using std::chrono::steady_clock;

namespace {

constexpr const char* kOldBulletin = "GOURDFALL - HALL OF HORRORS\n 1. Ann      50 STAGE 1\n";
// The save's outcome: the score screen shows no art, so it reads whole.
constexpr const char* kSaved = "     Your score was saved. The harvest remembers.";
constexpr const char* kWarned = "     Score saved; export or daily-lock warning.";
constexpr const char* kFailed = "     SCORE SAVE FAILED! Check game directory permissions.";

// A lock as a node of this host leaves it: the directory and its holder.
bool plant_lock(const GameDir& dir, pid_t holder)
{
    char host[65] = "";
    gethostname(host, sizeof host - 1);
    return mkdir(dir.file("data").c_str(), 0755) == 0 &&
           mkdir(dir.file("data/.grimbo-write.lock").c_str(), 0755) == 0 &&
           dir.write("data/.grimbo-write.lock/holder",
                     std::to_string(holder) + "\t" + host + "\n");
}

bool is_link(const std::string& path)
{
    struct stat info {};
    return lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode);
}

// Up to the last wrong answer, which ends the run and saves it.
std::unique_ptr<Call> one_answer_from_death(const GameDir& dir)
{
    auto call = first_stage(dir);
    if (!call)
        return nullptr;
    for (int wrong = 1; wrong < kWrongAnswersToDie; ++wrong)
        wrong_answer_at_first_seal(*call);
    return call;
}

void leave(Call& call)
{
    call.type("c");
    ASSERT_TRUE(call.wait_for("[S] STORY - 8 MONTHLY STAGES"));
    call.door.send("q");
    EXPECT_EQ(call.door.wait_exit(), 0);
}

TEST(GameFiles, ALockLeftByANodeThatDiedCostsTheNextSaveNothing)
{
    GameDir dir;
    ASSERT_TRUE(dir.write("highscores.asc", kOldBulletin));
    pid_t crashed = fork();
    if (crashed == 0)
        _exit(0);
    ASSERT_EQ(waitpid(crashed, nullptr, 0), crashed);  // killed mid-save, its lock left
    ASSERT_TRUE(plant_lock(dir, crashed));

    auto call = one_answer_from_death(dir);
    ASSERT_TRUE(call);
    EXPECT_EQ(dir.read("highscores.asc"), kOldBulletin);
    wrong_answer_at_first_seal(*call);
    // The death scene plays for 2.4 s of the game's clock, then the save runs
    // and the ending shows; a save that waited for the lock would take 31 s.
    ASSERT_TRUE(call->wait_for("THE ADVENTURE ENDS"));
    auto start = steady_clock::now();
    ASSERT_TRUE(call->wait_for("THE GUARDIANS WIN"));
    EXPECT_LT(steady_clock::now() - start, std::chrono::milliseconds(2400 / kFastClock + 1500));
    EXPECT_EQ(call->screen.row_text(12), kSaved);
    EXPECT_EQ(dir.read("data/story.tsv"), "20260315\tJack\t0\t1\t0\n");
    EXPECT_NE(dir.read("highscores.asc").find(" 1. Jack"), std::string::npos);
    EXPECT_FALSE(dir.exists("data/.grimbo-write.lock"));
    leave(*call);
}

TEST(GameFiles, ALockALiveNodeHoldsIsWaitedForUntilItLetsGo)
{
    GameDir dir;
    pid_t node = fork();
    if (node == 0) {
        pause();
        _exit(0);
    }
    ASSERT_GT(node, 0);
    ASSERT_TRUE(plant_lock(dir, node));

    auto call = one_answer_from_death(dir);
    ASSERT_TRUE(call);
    wrong_answer_at_first_seal(*call);
    // A second of the test's time is ten of the game's.
    EXPECT_FALSE(call->wait_for("THE GUARDIANS WIN", 1000));
    EXPECT_FALSE(dir.exists("data/story.tsv"));
    EXPECT_TRUE(dir.exists("data/.grimbo-write.lock/holder"));

    // The node finishes its save and lets go.
    unlink(dir.file("data/.grimbo-write.lock/holder").c_str());
    rmdir(dir.file("data/.grimbo-write.lock").c_str());
    ASSERT_TRUE(call->wait_for("THE GUARDIANS WIN", 3000));
    EXPECT_EQ(call->screen.row_text(12), kSaved);
    EXPECT_EQ(dir.read("data/story.tsv"), "20260315\tJack\t0\t1\t0\n");
    kill(node, SIGKILL);
    waitpid(node, nullptr, 0);
    leave(*call);
}

struct PlantedLink {
    const char* name;
    const char* link;
    bool to_directory;
    const char* message;
    const char* story_table;  // nullptr: the table is the link
};

void PrintTo(const PlantedLink& planted, std::ostream* out)
{
    *out << planted.link;
}

class GameFilesLink : public ::testing::TestWithParam<PlantedLink> {};

TEST_P(GameFilesLink, IsNeverWrittenThrough)
{
    const PlantedLink& planted = GetParam();
    GameDir dir;
    grimbo_test::TempDir elsewhere;
    ASSERT_TRUE(elsewhere.write("target", "someone else's\n"));
    ASSERT_EQ(mkdir(dir.file("data").c_str(), 0755), 0);
    const std::string target = planted.to_directory ? elsewhere.path() : elsewhere.file("target");
    ASSERT_EQ(symlink(target.c_str(), dir.file(planted.link).c_str()), 0);

    auto call = one_answer_from_death(dir);
    ASSERT_TRUE(call);
    wrong_answer_at_first_seal(*call);
    ASSERT_TRUE(call->wait_for("THE GUARDIANS WIN", 3000));
    EXPECT_EQ(call->screen.row_text(12), planted.message);
    if (planted.story_table != nullptr) {
        EXPECT_EQ(dir.read("data/story.tsv"), planted.story_table);
    }
    EXPECT_TRUE(is_link(dir.file(planted.link)));
    std::ifstream check(elsewhere.file("target"), std::ios::binary);
    std::stringstream content;
    content << check.rdbuf();
    EXPECT_EQ(content.str(), "someone else's\n");
    EXPECT_NE(access(elsewhere.file("holder").c_str(), F_OK), 0);
    leave(*call);
}

INSTANTIATE_TEST_SUITE_P(
    InData, GameFilesLink,
    ::testing::Values(
        PlantedLink{"StoryTable", "data/story.tsv", false, kFailed, nullptr},
        PlantedLink{"Outbox", "data/interbbs-outbox.tsv", false, kWarned,
                    "20260315\tJack\t0\t1\t0\n"},
        PlantedLink{"WriteLock", "data/.grimbo-write.lock", true, kFailed, ""}),
    [](const ::testing::TestParamInfo<PlantedLink>& info) { return std::string(info.param.name); });

}  // namespace
