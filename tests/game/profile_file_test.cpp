// The survivor profile file: what counts as a stored survivor, and saving
// that never loses the previous one.
#include <gtest/gtest.h>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <sstream>
#include <string>

#include "game/profile_file.h"
#include "tests/support/session_runner.h"

namespace {

struct ParseCase {
    const char* line;
    bool found;
    const char* handle;
    int gender;
    int player_class;
};

TEST(ProfileLine, OnlyCompleteLinesWithAKnownClassAreSurvivors)
{
    const ParseCase cases[] = {
        {"|04Sti|01ng|04Ray\t1\t3", true, "|04Sti|01ng|04Ray", 1, 3},
        {"Jack\t0\t0", true, "Jack", 0, 0},
        {"Jack\t0\t4", true, "Jack", 0, 4},
        {"Jack\t0\t5", false, "", 0, 0},
        {"Jack\t0\t-1", false, "", 0, 0},
        {"Jack\t0", false, "", 0, 0},
        {"Jack", false, "", 0, 0},
        {"\t0\t1", false, "", 0, 0},
        {"Jack\tF\t1", false, "", 0, 0},
        {"", false, "", 0, 0},
    };
    for (const ParseCase& c : cases) {
        stored_profile read{};
        EXPECT_EQ(profile_parse(c.line, &read), c.found) << c.line;
        if (!c.found)
            continue;
        EXPECT_STREQ(read.handle, c.handle);
        EXPECT_EQ(read.gender, c.gender);
        EXPECT_EQ(read.player_class, c.player_class);
    }
}

TEST(ProfileLine, OverlongHandleIsCutTo127Characters)
{
    std::string line = std::string(200, 'h') + "\t0\t1";
    stored_profile read{};
    // The rest of the handle stands where the tab should be: not a survivor.
    EXPECT_FALSE(profile_parse(line.c_str(), &read));
    line = std::string(127, 'h') + "\t0\t1";
    ASSERT_TRUE(profile_parse(line.c_str(), &read));
    EXPECT_EQ(std::string(read.handle), std::string(127, 'h'));
}

std::string read_file(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    return content.str();
}

int entries_in(const std::string& dir)
{
    int count = 0;
    if (DIR* d = opendir(dir.c_str())) {
        while (dirent* e = readdir(d))
            count += e->d_name[0] != '.';
        closedir(d);
    }
    return count;
}

TEST(ProfileFile, SavedSurvivorLoadsBack)
{
    grimbo_test::TempDir dir;
    std::string path = dir.file("profile-0000000000000001.tsv");
    ASSERT_TRUE(profile_save(path.c_str(), "|04Ja|14ck", 1, 2));
    EXPECT_EQ(read_file(path), "|04Ja|14ck\t1\t2\n");
    stored_profile read{};
    ASSERT_TRUE(profile_load(path.c_str(), &read));
    EXPECT_STREQ(read.handle, "|04Ja|14ck");
    EXPECT_EQ(read.gender, 1);
    EXPECT_EQ(read.player_class, 2);
    // No temporary file is left beside it.
    EXPECT_EQ(entries_in(dir.path()), 1);
}

TEST(ProfileFile, ANewSurvivorReplacesTheOldLineWhole)
{
    grimbo_test::TempDir dir;
    std::string path = dir.file("p.tsv");
    ASSERT_TRUE(dir.write("p.tsv", "A much longer old handle\t0\t4\nsecond line\n"));
    ASSERT_TRUE(profile_save(path.c_str(), "Bo", 0, 1));
    EXPECT_EQ(read_file(path), "Bo\t0\t1\n");
}

TEST(ProfileFile, FailedSaveReportsAndKeepsTheOldSurvivor)
{
    grimbo_test::TempDir dir;
    EXPECT_FALSE(profile_save(dir.file("missing/p.tsv").c_str(), "Bo", 0, 1));
    EXPECT_FALSE(profile_save("", "Bo", 0, 1));

    // A directory the game may not write to: the old file stays as it was.
    ASSERT_TRUE(dir.write("p.tsv", "Old\t1\t1\n"));
    ASSERT_EQ(chmod(dir.path().c_str(), 0500), 0);
    bool saved = profile_save(dir.file("p.tsv").c_str(), "New", 0, 0);
    chmod(dir.path().c_str(), 0700);
    if (geteuid() != 0) {
        EXPECT_FALSE(saved);
        EXPECT_EQ(read_file(dir.file("p.tsv")), "Old\t1\t1\n");
    }
}

TEST(ProfileFile, FailedSaveNamesItsCause)
{
    grimbo_test::TempDir dir;
    ASSERT_EQ(mkdir(dir.file("taken.tsv").c_str(), 0755), 0);
    struct Case {
        const char* what;
        std::string path;
        int error;
    };
    const Case cases[] = {
        {"no such directory", dir.file("missing/p.tsv"), ENOENT},
        {"a directory at the name", dir.file("taken.tsv"), EISDIR},
        {"no name", "", EINVAL},
    };
    for (const Case& c : cases) {
        int error = 0;
        EXPECT_FALSE(profile_save(c.path.c_str(), "Bo", 0, 1, &error)) << c.what;
        EXPECT_EQ(error, c.error) << c.what;
    }
    // A save that works leaves the cause alone.
    int untouched = -1;
    EXPECT_TRUE(profile_save(dir.file("p.tsv").c_str(), "Bo", 0, 1, &untouched));
    EXPECT_EQ(untouched, -1);
}

TEST(ProfileFile, MissingOrDamagedFileIsNoSurvivor)
{
    grimbo_test::TempDir dir;
    stored_profile read{};
    EXPECT_FALSE(profile_load(dir.file("none.tsv").c_str(), &read));
    EXPECT_FALSE(profile_load("", &read));
    ASSERT_TRUE(dir.write("bad.tsv", "Jack\t1\t9\n"));
    EXPECT_FALSE(profile_load(dir.file("bad.tsv").c_str(), &read));
    ASSERT_TRUE(dir.write("crlf.tsv", "Jack\t1\t3\r\n"));
    ASSERT_TRUE(profile_load(dir.file("crlf.tsv").c_str(), &read));
    EXPECT_EQ(read.player_class, 3);
}

}  // namespace
