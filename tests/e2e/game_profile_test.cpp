// The survivor: created on the first call, offered again on the next.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "tests/e2e/game_door.h"

using namespace game_e2e;

namespace {

TEST(GameProfile, NewSurvivorWithColourCodesIsPreviewedInColourAndSaved)
{
    GameDir dir;
    auto call = call_game(dir, caller_options("Jack Black"), "2026-03-15 12:00:00");
    ASSERT_TRUE(call);
    ASSERT_TRUE(call->wait_for("[N] SILENT"));
    call->door.send("n");
    ASSERT_TRUE(call->wait_for("Example: |04Sti|01ng|04Ray"));
    // The colour key shows each code in its own colour.
    EXPECT_EQ(call->screen.row_text(6), "  |01     |02     |03     |04     |05");
    EXPECT_EQ(call->screen.cell(6, 27).attribute & 0x0f, 4);
    EXPECT_EQ(call->screen.cell(10, 35).attribute & 0x0f, 15);
    EXPECT_EQ(call->screen.row_text(13), "  Up to 24 visible characters; color codes do not count.");

    // Typing, a backspace, Delete (as most terminals send it), Enter.
    call->type("|04Ja|14ckx\b\x7f" "k\r");
    ASSERT_TRUE(call->wait_for("YOUR NAME WILL LOOK LIKE THIS:"));
    EXPECT_EQ(call->screen.row_text(9), "    Jack");
    for (int column : {5, 6})
        EXPECT_EQ(call->screen.cell(9, column).attribute & 0x0f, 4);
    for (int column : {7, 8})
        EXPECT_EQ(call->screen.cell(9, column).attribute & 0x0f, 14);

    // N goes back to the entry; an empty line plays as TRAVELER.
    call->door.send("n");
    ASSERT_TRUE(call->wait_for("INTO YOUR HANDLE:"));
    call->door.send("\r");
    ASSERT_TRUE(call->wait_for("YOUR NAME WILL LOOK LIKE THIS:"));
    EXPECT_EQ(call->screen.row_text(9), "    TRAVELER");
    call->door.send("n");
    ASSERT_TRUE(call->wait_for("INTO YOUR HANDLE:"));
    call->door.send("|04Ja|14ck\r");
    ASSERT_TRUE(call->wait_for("YOUR NAME WILL LOOK LIKE THIS:"));
    call->door.send("Y");
    ASSERT_TRUE(call->wait_for("CHOOSE M / F (COSMETIC ONLY)"));
    call->door.send("xf");
    ASSERT_TRUE(call->wait_for("[1] CARVER     +4 carving damage"));
    call->door.send("9" "4");
    ASSERT_TRUE(call->wait_for("[S] STORY - 8 MONTHLY STAGES"));

    auto files = dir.profiles();
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(dir.read(files[0]), "|04Ja|14ck\t1\t3\n");
    call->door.send("q");
    EXPECT_EQ(call->door.wait_exit(), 0);
}

TEST(GameProfile, SecondCallOffersTheStoredSurvivorAndContinuingWritesNothing)
{
    GameDir dir;
    {
        auto first = call_game(dir, caller_options("Jack"), "2026-03-15 12:00:00");
        ASSERT_TRUE(first);
        ASSERT_TRUE(reach_lobby_as_new_caller(*first));
        first->door.send("q");
        ASSERT_EQ(first->door.wait_exit(), 0);
    }
    auto files = dir.profiles();
    ASSERT_EQ(files.size(), 1u);
    // Mark the file so any rewrite would show.
    ASSERT_TRUE(dir.write(files[0], "|12Jack\t1\t4\n"));
    struct stat before {};
    ASSERT_EQ(stat(dir.file(files[0]).c_str(), &before), 0);

    auto second = call_game(dir, caller_options("Jack"), "2026-03-15 12:00:00");
    ASSERT_TRUE(second);
    ASSERT_TRUE(second->wait_for("[N] SILENT"));
    second->door.send("n");
    ASSERT_TRUE(second->wait_for("YOUR SURVIVOR PROFILE WAS FOUND:"));
    EXPECT_NE(second->screen.row_text(1).find("WELCOME BACK"), std::string::npos);
    EXPECT_EQ(second->screen.row_text(8), "   Jack");
    EXPECT_EQ(second->screen.cell(8, 4).attribute & 0x0f, 12);
    second->door.send("c");
    ASSERT_TRUE(second->wait_for("[S] STORY - 8 MONTHLY STAGES"));
    second->door.send("q");
    ASSERT_EQ(second->door.wait_exit(), 0);

    struct stat after {};
    ASSERT_EQ(stat(dir.file(files[0]).c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_mtim.tv_sec, before.st_mtim.tv_sec);
    EXPECT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
    EXPECT_EQ(dir.read(files[0]), "|12Jack\t1\t4\n");

    // Another caller on the same board gets a survivor of their own.
    auto other = call_game(dir, caller_options("Jill"), "2026-03-15 12:00:00");
    ASSERT_TRUE(other);
    ASSERT_TRUE(reach_lobby_as_new_caller(*other));
    other->door.send("q");
    ASSERT_EQ(other->door.wait_exit(), 0);
    EXPECT_EQ(dir.profiles().size(), 2u);
}

TEST(GameProfile, DamagedProfileLeadsToANewSurvivor)
{
    GameDir dir;
    {
        auto first = call_game(dir, caller_options("Jack"));
        ASSERT_TRUE(first);
        ASSERT_TRUE(reach_lobby_as_new_caller(*first));
        first->door.send("q");
        ASSERT_EQ(first->door.wait_exit(), 0);
    }
    auto files = dir.profiles();
    ASSERT_EQ(files.size(), 1u);
    ASSERT_TRUE(dir.write(files[0], "Jack\t0\t5\n"));
    auto second = call_game(dir, caller_options("Jack"));
    ASSERT_TRUE(second);
    ASSERT_TRUE(reach_lobby_as_new_caller(*second));
    EXPECT_EQ(dir.read(files[0]), "Jack\t0\t0\n");
    second->door.send("q");
    EXPECT_EQ(second->door.wait_exit(), 0);
}

TEST(GameProfile, UnusableGameDirectoryShowsTheSaveErrorAndPlayGoesOn)
{
    GameDir dir;
    // A plain file where the data directory belongs.
    ASSERT_TRUE(dir.write("data", "not a directory"));
    auto call = call_game(dir, caller_options("Jack"), "2026-03-15 12:00:00");
    ASSERT_TRUE(call);
    ASSERT_TRUE(call->wait_for("[N] SILENT"));
    call->door.send("n|09Jack\rym1");
    // The whole message, although row 7 lies beside the art panel's place.
    ASSERT_TRUE(call->wait_for("PROFILE SAVE ERROR"));
    EXPECT_EQ(call->screen.row_text(7), "  Profile save failed: check caller ID/permissions");
    EXPECT_EQ(call->screen.cell(7, 3).attribute, 12);
    call->door.send("c");
    ASSERT_TRUE(call->wait_for("[S] STORY - 8 MONTHLY STAGES"));
    EXPECT_EQ(dir.read("data"), "not a directory");
    call->door.send("q");
    EXPECT_EQ(call->door.wait_exit(), 0);
}

}  // namespace
