#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "doorkit/doorkit.h"
#include "doorkit/core/control.h"
#include "doorkit/dropfile/dropfile.h"
#include "doorkit/dropfile/search.h"
#include "doorkit/dropfile/writeback.h"
#include "tests/doorkit/dropfile/exitinfo_record.h"
#include "tests/doorkit/dropfile/fixture.h"
#include "tests/doorkit/dropfile/samples.h"
#include "tests/doorkit/session/session_helpers.h"
#include "tests/support/session_runner.h"

using grimbo_test::DropFileTest;
using grimbo_test::ExitRecord;
using grimbo_test::reset_drop_state;
using grimbo_test::run_in_child;
using grimbo_test::TempDir;

namespace {

// Writes a file whose modification time is `age` seconds before a fixed
// moment.
void write_aged(const TempDir& dir, const std::string& name, const std::string& content, int age)
{
    ASSERT_TRUE(dir.write(name, content));
    const std::time_t base = 1700000000;
    timespec times[2] = {{base - age, 0}, {base - age, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, dir.file(name).c_str(), times, 0), 0);
}

std::string file_bytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void expect_child_ok(const grimbo_test::ChildResult& result)
{
    ASSERT_FALSE(result.timed_out);
    ASSERT_TRUE(result.exited) << "signal " << result.signal << "\n" << result.err;
    EXPECT_EQ(result.status, 0) << result.err;
}

class DropFileSearch : public DropFileTest {};

TEST_F(DropFileSearch, DorinfoNameFollowsTheNode)
{
    struct Case {
        std::uint16_t node;
        const char* name;
    } cases[] = {{0, "dorinfo0.def"},  {1, "dorinfo1.def"},  {9, "dorinfo9.def"},
                 {10, "dorinfoA.def"}, {12, "dorinfoC.def"}, {35, "dorinfoZ.def"},
                 {36, "dorinfo1.def"}, {40, "dorinfo1.def"}, {65535, "dorinfo1.def"}};
    for (const Case& c : cases) {
        char name[13];
        ODDorinfoName(c.node, name);
        EXPECT_STREQ(name, c.name) << c.node;
    }
}

struct AgedFile {
    const char* name;
    int age;
};

struct NewestCase {
    const char* what;
    std::vector<AgedFile> files;
    int chosen;
};

// Table order wins unless a later file is more than ten seconds newer, and
// CHAIN.TXT never displaces a DORINFO file.
TEST_F(DropFileSearch, NewestFileWinsOnlyByMoreThanTenSeconds)
{
    const NewestCase cases[] = {
        {"dorinfo 5 s older than door.sys", {{"dorinfo1.def", 5}, {"door.sys", 0}}, 1},
        {"dorinfo 10 s older", {{"dorinfo1.def", 10}, {"door.sys", 0}}, 1},
        {"dorinfo 11 s older", {{"dorinfo1.def", 11}, {"door.sys", 0}}, 4},
        {"newer chain.txt", {{"dorinfo1.def", 60}, {"chain.txt", 0}}, 1},
        {"chain.txt alone", {{"chain.txt", 0}}, 2},
        {"newer door.sys after chain.txt skipped",
         {{"dorinfo1.def", 60}, {"chain.txt", 0}, {"door.sys", 30}},
         4},
        {"old exitinfo", {{"exitinfo.bbs", 30}, {"dorinfo1.def", 0}}, 1},
        {"all alike", {{"exitinfo.bbs", 0}, {"door32.sys", 0}, {"sfmain.dat", 0}}, 0},
        {"sfdoors family", {{"sfsysop.dat", 0}, {"tribbs.sys", 5}}, 9},
    };
    od_control.node_number = 1;
    for (const NewestCase& c : cases) {
        TempDir dir;
        for (const AgedFile& f : c.files)
            write_aged(dir, f.name, "x\n", f.age);
        ODDropChoice choice;
        ASSERT_TRUE(ODSearchInDir(dir.path().c_str(), &choice)) << c.what;
        EXPECT_EQ(choice.candidate, c.chosen) << c.what;
        EXPECT_STREQ(choice.dir, dir.path().c_str());
    }
}

TEST_F(DropFileSearch, NamesAreFoundInUpperCaseToo)
{
    TempDir dir;
    ASSERT_TRUE(dir.write("DOOR32.SYS", grimbo_test::kDoor32Sample));
    ODDropChoice choice;
    ASSERT_TRUE(ODSearchInDir(dir.path().c_str(), &choice));
    EXPECT_EQ(choice.candidate, 11);
    EXPECT_EQ(std::string(choice.path), dir.file("DOOR32.SYS"));
}

TEST_F(DropFileSearch, OnlyReadableRegularFilesCount)
{
    TempDir dir;
    ASSERT_EQ(mkdir(dir.file("door.sys").c_str(), 0700), 0);
    ASSERT_EQ(mkfifo(dir.file("door32.sys").c_str(), 0600), 0);  // must not block
    ODDropChoice choice;
    EXPECT_FALSE(ODSearchInDir(dir.path().c_str(), &choice));
}

TEST_F(DropFileSearch, DirectlyNamedFileIsReadInTheFormatItsNameSays)
{
    struct Case {
        const char* name;
        int candidate;  // -1: not a drop file name, so a directory to search
    } cases[] = {{"DORINFO3.DEF", 1}, {"dorinfo1.def", 1}, {"node7.door.sys", 4},
                 {"Door32.Sys", 11},  {"EXITINFO.BBS", 0}, {"SFMESS.DAT", 8},
                 {"notes.txt", -1},   {"xdorinfo.def", -1}};
    for (const Case& c : cases) {
        TempDir dir;
        ASSERT_TRUE(dir.write(c.name, "x\n"));
        ODDropChoice choice;
        EXPECT_EQ(ODDirectDropFile(dir.file(c.name).c_str(), &choice), c.candidate >= 0) << c.name;
        if (c.candidate >= 0) {
            EXPECT_EQ(choice.candidate, c.candidate) << c.name;
            EXPECT_EQ(std::string(choice.path), dir.file(c.name));
            EXPECT_EQ(std::string(choice.dir), dir.path());
        }
    }
}

TEST_F(DropFileSearch, DirectlyNamedDorinfoIsReadWhateverTheNode)
{
    TempDir dir;
    ASSERT_TRUE(dir.write("DORINFO3.DEF", grimbo_test::kDorinfoSample));
    od_control.node_number = 1;
    ODCopyField(od_control.drop_file_dir, dir.file("DORINFO3.DEF"));
    ASSERT_TRUE(ODInitReadSystemDropFile());
    EXPECT_EQ(od_control.drop_file_kind, OD_DROP_DORINFO);
    EXPECT_STREQ(od_control.user_name, "John Smith");
}

// A path longer than the 59-character field: the command line keeps all of
// it, the search finds the file, and write-back goes to the same place.
TEST_F(DropFileSearch, LongDropFilePathIsTakenWhole)
{
    TempDir dir;
    std::string deep = dir.path();
    for (int i = 0; i < 8; ++i) {
        deep += "/a-rather-long-directory-name-for-node-" + std::to_string(i);
        ASSERT_EQ(mkdir(deep.c_str(), 0700), 0);
    }
    ASSERT_GT(deep.size(), 300u);
    {
        std::ofstream(deep + "/door.sys") << grimbo_test::kDoorSysSample;
    }
    std::vector<std::string> words = {"door", "-D", deep};
    std::vector<char*> argv;
    for (std::string& w : words)
        argv.push_back(w.data());
    od_parse_cmd_line(static_cast<int>(argv.size()), argv.data());
    EXPECT_EQ(std::string(od_control.drop_file_dir), deep.substr(0, 59));

    ASSERT_TRUE(ODInitReadSystemDropFile());
    EXPECT_EQ(std::string(szDropFilePath), deep + "/door.sys");
    EXPECT_EQ(std::string(szExitinfoBBSPath), deep);
    EXPECT_EQ(od_control.drop_file_kind, OD_DROP_DOORSYS);

    od_control.user_time_left = 30;
    ODWriteDropFiles(false);
    EXPECT_EQ(od_control.error_code, 0);
    const std::string out = file_bytes(deep + "/door.sys");
    EXPECT_NE(out.find("\n1800\n30\n"), std::string::npos);

    // Named directly, the file is found the same way.
    reset_drop_state();
    ODCopyField(szDropFileDirFull, deep + "/door.sys");
    ODCopyField(od_control.drop_file_dir, szDropFileDirFull);
    ASSERT_TRUE(ODInitReadSystemDropFile());
    EXPECT_EQ(std::string(szDropFilePath), deep + "/door.sys");
}

TEST_F(DropFileSearch, DirectoryTheApplicationSetWinsOverAnOlderCommandLine)
{
    ODCopyField(szDropFileDirFull, std::string(100, 'c'));
    ODCopyField(od_control.drop_file_dir, "/bbs/node2");
    EXPECT_STREQ(ODDropFileDirectory(), "/bbs/node2");
}

TEST_F(DropFileSearch, ExitInfoIsReadWithItsCompanionDorinfo)
{
    TempDir dir;
    ExitRecord record(2363);
    record.text(241, "Someone Else").u16(1299, 17).u8(675, 0x08);
    ASSERT_TRUE(dir.write("exitinfo.bbs", record.bytes()));
    ASSERT_TRUE(dir.write("dorinfo1.def", grimbo_test::kDorinfoSample));
    ODCopyField(od_control.drop_file_dir, dir.path());
    od_control.node_number = 4;  // the companion is dorinfo1.def all the same
    ASSERT_TRUE(ODInitReadSystemDropFile());
    EXPECT_EQ(od_control.drop_file_kind, OD_DROP_EXITINFO_RA2);
    EXPECT_EQ(od_control.exitinfo_present, 1);
    EXPECT_STREQ(od_control.user_name, "John Smith");  // DORINFO wins
    EXPECT_EQ(od_control.user_record_number, 17);
    EXPECT_EQ(od_control.user_time_left, 45);
}

TEST_F(DropFileSearch, ExitInfoThatCannotBeUsedMeansNoDropFile)
{
    struct Case {
        const char* what;
        std::size_t size;
        bool companion;
    } cases[] = {{"451 bytes", 451, true}, {"no dorinfo1.def", 476, false}};
    for (const Case& c : cases) {
        reset_drop_state();
        TempDir dir;
        ASSERT_TRUE(dir.write("exitinfo.bbs", ExitRecord(c.size).bytes()));
        if (c.companion) {
            ASSERT_TRUE(dir.write("dorinfo1.def", grimbo_test::kDorinfoSample));
        }
        ODCopyField(od_control.drop_file_dir, dir.path());
        EXPECT_FALSE(ODInitReadSystemDropFile()) << c.what;
        EXPECT_EQ(od_control.exitinfo_present, 0) << c.what;
    }
}

TEST(DropFileSearchOrder, DirectoriesAreSearchedInTurn)
{
    TempDir named, start, ra, bbs;
    ASSERT_TRUE(named.write("chain.txt", grimbo_test::kChainSample));
    ASSERT_TRUE(start.write("door.sys", grimbo_test::kDoorSysSample));
    ASSERT_TRUE(ra.write("door32.sys", grimbo_test::kDoor32Sample));
    ASSERT_TRUE(bbs.write("tribbs.sys", grimbo_test::kTriBBSSample));
    auto result = run_in_child([&] {
        grimbo_test::clear_door_environment();
        CHILD_CHECK(chdir(start.path().c_str()) == 0);
        setenv("QUICK", "", 1);  // empty: not the root directory
        setenv("RA", ra.path().c_str(), 1);
        setenv("BBS", bbs.path().c_str(), 1);
        struct Step {
            const char* remove;
            std::uint8_t kind;
            std::string dir;
        } steps[] = {
            {nullptr, OD_DROP_CHAINTXT, named.path()},
            {"chain.txt", OD_DROP_DOORSYS, start.path()},
            {"door.sys", OD_DROP_DOOR32SYS, ra.path()},
            {"door32.sys", OD_DROP_TRIBBSSYS, bbs.path()},
        };
        for (const Step& s : steps) {
            if (s.remove != nullptr) {
                unlink((named.path() + "/" + s.remove).c_str());
                unlink((start.path() + "/" + s.remove).c_str());
                unlink((ra.path() + "/" + s.remove).c_str());
            }
            grimbo_test::reset_drop_state();
            ODCopyField(od_control.drop_file_dir, named.path());
            CHILD_CHECK(ODInitReadSystemDropFile());
            CHILD_CHECK(od_control.drop_file_kind == s.kind);
            CHILD_CHECK(s.dir == szExitinfoBBSPath);
        }
        unlink(bbs.file("tribbs.sys").c_str());
        grimbo_test::reset_drop_state();
        CHILD_CHECK(!ODInitReadSystemDropFile());
        return 0;
    });
    expect_child_ok(result);
}

// Found through "./" or a relative directory, the file is rewritten where it
// was found even after the game has changed its working directory.
TEST(DropFileSearchOrder, RelativeLocationsAreMadeAbsolute)
{
    struct Case {
        const char* drop_dir;
        const char* subdir;
    } cases[] = {{"", ""}, {"node1", "/node1"}, {"./node1/", "/node1"},
                 {"node1/door.sys", "/node1"}};
    for (const Case& c : cases) {
        TempDir start;
        ASSERT_EQ(mkdir(start.file("node1").c_str(), 0700), 0);
        const std::string where = start.path() + c.subdir + "/door.sys";
        {
            std::ofstream(where) << grimbo_test::kDoorSysSample;
        }
        auto result = run_in_child([&] {
            grimbo_test::clear_door_environment();
            CHILD_CHECK(chdir(start.path().c_str()) == 0);
            grimbo_test::reset_drop_state();
            ODCopyField(od_control.drop_file_dir, c.drop_dir);
            CHILD_CHECK(ODInitReadSystemDropFile());
            CHILD_CHECK(where == szDropFilePath);
            CHILD_CHECK(chdir("/") == 0);
            od_control.user_time_left = 12;
            ODWriteDropFiles(false);
            CHILD_CHECK(od_control.error_code == 0);
            return 0;
        });
        expect_child_ok(result);
        EXPECT_NE(file_bytes(where).find("\n720\n12\n"), std::string::npos) << c.drop_dir;
    }
}

TEST(DropFileSearchOrder, ExitInfoFoundRelativelyIsRewrittenInItsDirectory)
{
    TempDir start;
    ExitRecord record(476);
    record.text(241, "John Smith").u16(435, 100);
    ASSERT_TRUE(start.write("exitinfo.bbs", record.bytes()));
    ASSERT_TRUE(start.write("dorinfo1.def", grimbo_test::kDorinfoSample));
    auto result = run_in_child([&] {
        grimbo_test::clear_door_environment();
        CHILD_CHECK(chdir(start.path().c_str()) == 0);
        grimbo_test::reset_drop_state();
        ODCopyField(od_control.drop_file_dir, "exitinfo.bbs");
        CHILD_CHECK(ODInitReadSystemDropFile());
        CHILD_CHECK(od_control.drop_file_kind == OD_DROP_EXITINFO_SHORT);
        CHILD_CHECK(chdir("/") == 0);
        nStartupUnixTime = std::time(nullptr);
        nInitialRemaining = 45;
        od_control.user_time_left = 40;  // five minutes taken by the sysop
        ODWriteDropFiles(false);
        CHILD_CHECK(od_control.error_code == 0);
        return 0;
    });
    expect_child_ok(result);
    const std::string out = file_bytes(start.file("exitinfo.bbs"));
    ASSERT_EQ(out.size(), 476u);
    EXPECT_EQ(static_cast<unsigned char>(out[435]), 95);
}

}  // namespace
