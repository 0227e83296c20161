// `make install GAMEDIR=...` as a system operator runs it on a live board:
// the new program is written beside the old one and renamed over it, so a
// node in the middle of a call goes on, the next caller gets the new
// program, and nothing but the executable is touched.
#include <gtest/gtest.h>
#include <dirent.h>
#include <sys/stat.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "tests/e2e/game_door.h"
#include "tests/support/session_runner.h"

using namespace game_e2e;

namespace {

// The build directory the tests' program comes from.
std::string build_dir()
{
    const std::string binary = GRIMBO_BINARY;
    return binary.substr(0, binary.rfind('/'));
}

// Runs the project's Makefile as a sysop or a packager would; its exit status.
int make_with(const std::string& target, const std::string& variables)
{
    // A make that runs these tests must not lend this one its job slots.
    const std::string command = "env -u MAKEFLAGS -u MFLAGS -u MAKELEVEL make -s -C '" +
                                std::string(GRIMBO_SOURCE_DIR) + "' " + target + " " +
                                variables + " BUILD='" + build_dir() + "' >/dev/null 2>&1";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

int make(const std::string& target, const std::string& gamedir)
{
    return make_with(target, "GAMEDIR='" + gamedir + "'");
}

std::string read_file(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    return content.str();
}

ino_t inode_of(const std::string& path)
{
    struct stat info {};
    return stat(path.c_str(), &info) == 0 ? info.st_ino : 0;
}

// Everything in the directory but the executable, by name, with content.
std::map<std::string, std::string> all_but_the_program(const GameDir& dir,
                                                       const std::string& sub = "")
{
    std::map<std::string, std::string> found;
    if (DIR* d = opendir(dir.file(sub).c_str())) {
        while (dirent* e = readdir(d)) {
            const std::string name = e->d_name;
            if (name == "." || name == ".." || (sub.empty() && name == "grimbo"))
                continue;
            const std::string path = sub.empty() ? name : sub + "/" + name;
            if (e->d_type == DT_DIR) {
                auto inner = all_but_the_program(dir, path);
                found.insert(inner.begin(), inner.end());
                found[path + "/"] = "";
            } else {
                found[path] = dir.read(path);
            }
        }
        closedir(d);
    }
    return found;
}

TEST(GameInstall, OverARunningNodeTheCallGoesOnAndTheNextCallerGetsTheNewProgram)
{
    GameDir dir;
    const ino_t running = inode_of(dir.binary());
    ASSERT_EQ(running, inode_of(GRIMBO_BINARY));  // the node's program is the build's own file
    ASSERT_TRUE(dir.write("grimbo.json", "{\"bbs_name\": \"Hollow BBS\"}\n"));
    ASSERT_TRUE(dir.write("highscores.ans", "the board's bulletin\r\n"));
    ASSERT_TRUE(dir.write(".grimbo-maintenance-not", "a sysop's note\n"));

    auto node = call_game(dir, caller_options("Jack"));
    ASSERT_TRUE(node);
    ASSERT_TRUE(reach_lobby_as_new_caller(*node));
    const auto before = all_but_the_program(dir);

    ASSERT_EQ(make("install", dir.path()), 0);

    // A new file took the name; the running node's program (and the build's)
    // was never written to.
    EXPECT_NE(inode_of(dir.binary()), running);
    EXPECT_EQ(inode_of(GRIMBO_BINARY), running);
    EXPECT_EQ(read_file(dir.binary()), read_file(GRIMBO_BINARY));
    struct stat installed {};
    ASSERT_EQ(stat(dir.binary().c_str(), &installed), 0);
    EXPECT_EQ(installed.st_mode & 0777, 0755u);
    EXPECT_EQ(all_but_the_program(dir), before);  // data/, settings and bulletins untouched

    // The node in the middle of its call plays on and leaves normally.
    node->type("h");
    EXPECT_TRUE(node->wait_for("STORY MODE - TOP SCORES"));
    node->type("c");
    EXPECT_TRUE(node->wait_for("[S] STORY - 8 MONTHLY STAGES"));
    node->door.send("q");
    EXPECT_EQ(node->door.wait_exit(), 0);

    // The next caller starts the new program.
    auto next = call_game(dir, caller_options("Jack"));
    ASSERT_TRUE(next);
    ASSERT_TRUE(next->wait_for("[Y] ENABLE SOUND"));
    next->door.send("n");
    ASSERT_TRUE(next->wait_for("[C] CONTINUE WITH THIS SURVIVOR"));
    next->door.send("c");
    ASSERT_TRUE(next->wait_for("[S] STORY - 8 MONTHLY STAGES")) << next->screen.text();
    next->door.send("q");
    EXPECT_EQ(next->door.wait_exit(), 0);
}

TEST(GameInstall, AMissingGameDirectoryIsMadeAndUninstallRemovesOnlyTheProgram)
{
    GameDir dir;
    const std::string door = dir.file("boards/hollow");
    ASSERT_EQ(make("install", door), 0);
    struct stat installed {};
    ASSERT_EQ(stat((door + "/grimbo").c_str(), &installed), 0);
    EXPECT_EQ(installed.st_mode & 0777, 0755u);
    EXPECT_EQ(read_file(door + "/grimbo"), read_file(GRIMBO_BINARY));

    ASSERT_TRUE(dir.write("boards/hollow/grimbo.json", "{}\n"));
    ASSERT_TRUE(dir.write("boards/hollow/data/story.tsv", "20261208\tAnn\t1\t1\t0\n"));
    ASSERT_EQ(make("uninstall", door), 0);
    EXPECT_FALSE(dir.exists("boards/hollow/grimbo"));
    EXPECT_EQ(dir.read("boards/hollow/grimbo.json"), "{}\n");
    EXPECT_EQ(dir.read("boards/hollow/data/story.tsv"), "20261208\tAnn\t1\t1\t0\n");
    // Nothing of the install's own is left behind.
    std::map<std::string, std::string> left;
    if (DIR* d = opendir(door.c_str())) {
        while (dirent* e = readdir(d))
            left[e->d_name] = "";
        closedir(d);
    }
    EXPECT_EQ(left.size(), 4u);  // ".", "..", data, grimbo.json
}

TEST(GameInstall, APackageGetsTheDoorTheBenchAndTheManualPageUnderItsPrefix)
{
    GameDir dir;
    const std::string root = dir.file("pkg");
    const std::string variables = "DESTDIR='" + root + "' PREFIX=/usr";
    ASSERT_EQ(make_with("install", variables), 0);

    const std::string build = build_dir();
    EXPECT_EQ(read_file(root + "/usr/games/grimbo"), read_file(GRIMBO_BINARY));
    EXPECT_EQ(read_file(root + "/usr/games/grimbo-telnetd"), read_file(build + "/grimbo-telnetd"));
    EXPECT_EQ(read_file(root + "/usr/share/man/man6/grimbo.6"),
              read_file(std::string(GRIMBO_SOURCE_DIR) + "/docs/grimbo.6"));
    for (const char* program : {"/usr/games/grimbo", "/usr/games/grimbo-telnetd"}) {
        struct stat installed {};
        ASSERT_EQ(stat((root + program).c_str(), &installed), 0) << program;
        EXPECT_EQ(installed.st_mode & 0777, 0755u) << program;
    }

    ASSERT_EQ(make_with("uninstall", variables), 0);
    for (const char* file :
         {"pkg/usr/games/grimbo", "pkg/usr/games/grimbo-telnetd", "pkg/usr/share/man/man6/grimbo.6"})
        EXPECT_FALSE(dir.exists(file)) << file;
}

}  // namespace
