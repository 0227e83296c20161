// The write lock across nodes that die: a lock whose holder is gone is taken
// over at once, a live holder on this host is never broken, a holder
// elsewhere only once the lock is stale, and recovering nodes never take the
// lock from each other.
#include <gtest/gtest.h>
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <string>

#include "game/file_replacement.h"
#include "game/handle.h"
#include "game/lock_holder.h"
#include "game/run_state.h"
#include "game/scores.h"
#include "game/write_lock.h"
#include "tests/game/score_files.h"

namespace {

using game_test::in_game_dir;
using game_test::slurp;
using game_test::spill;
using std::chrono::steady_clock;

const std::string kRecord = std::string(WRITE_LOCK_PATH) + "/" + WRITE_LOCK_HOLDER;

bool present(const char* path)
{
    struct stat info {};
    return lstat(path, &info) == 0;
}

// A process id that names no process any more.
pid_t dead_pid()
{
    pid_t child = fork();
    if (child == 0)
        _exit(0);
    waitpid(child, nullptr, 0);
    return child;
}

std::string record_of(const lock_holder& holder)
{
    char text[HOLDER_LINE_SIZE];
    return std::string(text, holder_format(holder, text, sizeof text));
}

void age_lock(int seconds)
{
    const std::time_t then = std::time(nullptr) - seconds;
    struct timespec when[2] = {{then, 0}, {then, 0}};
    utimensat(AT_FDCWD, WRITE_LOCK_PATH, when, AT_SYMLINK_NOFOLLOW);
}

// Leftovers of removed locks in "data".
int retired_leftovers()
{
    int found = 0;
    if (DIR* dir = opendir("data")) {
        const std::string prefix = std::string(WRITE_LOCK_PATH).substr(5) + ".";
        while (dirent* entry = readdir(dir))
            found += std::string(entry->d_name).rfind(prefix, 0) == 0;
        closedir(dir);
    }
    return found;
}

void expect_in_child(const std::function<std::string()>& body, const std::string& expected,
                     int timeout_ms = 30000)
{
    grimbo_test::ChildResult result = in_game_dir(
        [&]() {
            std::string text = body();
            std::fwrite(text.data(), 1, text.size(), stdout);
            return 0;
        },
        timeout_ms);
    ASSERT_TRUE(result.exited && result.status == 0) << result.err;
    EXPECT_EQ(result.out, expected);
}

enum class planted { lock, link, file };
enum class recorded { nothing, dead_here, live_here, reused_here, elsewhere };

TEST(WriteLock, WhatAWaiterDoesWithTheLockItFinds)
{
    struct Case {
        const char* what;
        planted kind;
        recorded holder;
        int age_seconds;
        const char* outcome;
    };
    const Case cases[] = {
        {"no record, fresh", planted::lock, recorded::nothing, 0, "waited, timed out, left alone"},
        {"no record, an hour old", planted::lock, recorded::nothing, 3600, "taken at once"},
        {"other host, fresh", planted::lock, recorded::elsewhere, 0, "waited, timed out, left alone"},
        {"other host, an hour old", planted::lock, recorded::elsewhere, 3600, "taken at once"},
        {"dead process here", planted::lock, recorded::dead_here, 0, "taken at once"},
        {"its id now a newer process", planted::lock, recorded::reused_here, 0, "taken at once"},
        {"live process here", planted::lock, recorded::live_here, 0, "waited, timed out, left alone"},
        {"live process here, an hour old", planted::lock, recorded::live_here, 3600,
         "waited, timed out, left alone"},
        {"link to a directory", planted::link, recorded::nothing, 3600, "refused as no lock, left alone"},
        {"plain file", planted::file, recorded::nothing, 3600, "refused as no lock, left alone"},
    };
    for (const Case& c : cases) {
        expect_in_child(
            [&c]() -> std::string {
                lock_holder holder = holder_self();
                holder.pid = getppid();  // the test runner: alive on this host
                holder.started = process_started(holder.pid);
                std::string record;
                switch (c.holder) {
                case recorded::nothing:
                    break;
                case recorded::live_here:
                    record = record_of(holder);
                    break;
                case recorded::dead_here:
                    holder.pid = dead_pid();
                    record = record_of(holder);
                    break;
                case recorded::reused_here:
                    holder.started += 1;
                    record = record_of(holder);
                    break;
                case recorded::elsewhere:
                    std::snprintf(holder.host, sizeof holder.host, "%s", "some-other-node");
                    holder.pid = dead_pid();
                    record = record_of(holder);
                    break;
                }
                mkdir("elsewhere", 0755);
                if (c.kind == planted::link && symlink("../elsewhere", WRITE_LOCK_PATH) != 0)
                    return "no link";
                if (c.kind == planted::file && !spill(WRITE_LOCK_PATH, "someone's file\n"))
                    return "no file";
                if (c.kind == planted::lock) {
                    if (mkdir(WRITE_LOCK_PATH, 0755) != 0 ||
                        (!record.empty() && !spill(kRecord.c_str(), record)))
                        return "no lock";
                    age_lock(c.age_seconds);
                }

                auto start = steady_clock::now();
                int taken = write_lock_take(1000);
                const int error = errno;
                auto waited = steady_clock::now() - start;
                if (taken) {
                    bool fast = waited < std::chrono::milliseconds(500);
                    bool recorded_self = slurp(kRecord.c_str()) == record_of(holder_self());
                    write_lock_release();
                    return std::string(fast ? "taken at once" : "taken late") +
                           (recorded_self ? "" : " without our record") +
                           (present(WRITE_LOCK_PATH) || retired_leftovers() ? " but left" : "");
                }
                bool intact = c.kind == planted::link   ? slurp("elsewhere/holder").empty() &&
                                                              present(WRITE_LOCK_PATH)
                              : c.kind == planted::file ? slurp(WRITE_LOCK_PATH) ==
                                                              "someone's file\n"
                                                        : slurp(kRecord.c_str()) == record;
                std::string how = c.kind == planted::lock ? "waited" : "refused";
                if (c.kind == planted::lock && waited < std::chrono::milliseconds(900))
                    how = "gave up early";
                if (c.kind != planted::lock && waited > std::chrono::milliseconds(500))
                    how = "refused slowly";
                // The save's log line tells a lock that stayed taken from
                // something else standing in its place.
                how += error == ETIMEDOUT ? ", timed out" : error == ENOTDIR ? " as no lock" : "";
                return how + (intact ? ", left alone" : ", changed");
            },
            c.outcome);
        if (HasFailure()) {
            ADD_FAILURE() << c.what;
            return;
        }
    }
}

TEST(WriteLock, SaverKilledMidBulletinLeavesTheOldBulletinAndTheNextSaveGoesAtOnce)
{
    expect_in_child(
        []() -> std::string {
            if (save_score(0) != SAVE_OK)
                return "first save failed";
            const std::string before = slurp("highscores.asc");
            pid_t saver = fork();
            if (saver == 0) {
                if (write_lock_take() != 1)
                    _exit(1);
                file_replacement bulletin("highscores.asc");
                bulletin.write("GOURDFALL - HALL");
                raise(SIGKILL);
                _exit(2);
            }
            int status = 0;
            waitpid(saver, &status, 0);
            if (!WIFSIGNALED(status) || !present(WRITE_LOCK_PATH))
                return "saver did not die holding the lock";
            std::string text = slurp("highscores.asc") == before ? "old bulletin" : "damaged";

            std::snprintf(player, sizeof player, "%s", "Bob");
            auto start = steady_clock::now();
            int outcome = save_score(0);
            auto waited = steady_clock::now() - start;
            text += " " + std::to_string(outcome);
            text += waited < std::chrono::seconds(1) ? " at once" : " slowly";
            text += slurp("highscores.asc").find("Bob") != std::string::npos ? " listed"
                                                                              : " missing";
            text += present(WRITE_LOCK_PATH) ? " locked" : " free";
            return text;
        },
        "old bulletin 1 at once listed free");
}

TEST(WriteLock, NodesRecoveringTheSameDeadLockNeverHoldItTogether)
{
    constexpr int kNodes = 4;
    constexpr int kRounds = 10;
    expect_in_child(
        []() -> std::string {
            lock_holder dead = holder_self();
            int clashes = 0;
            int missed = 0;
            for (int round = 0; round < kRounds; ++round) {
                dead.pid = dead_pid();
                mkdir(WRITE_LOCK_PATH, 0755);
                spill(kRecord.c_str(), record_of(dead));
                int go[2];
                if (pipe(go) != 0)
                    return "no pipe";
                pid_t nodes[kNodes];
                for (pid_t& node : nodes) {
                    node = fork();
                    if (node != 0)
                        continue;
                    close(go[1]);
                    char start;
                    if (read(go[0], &start, 1) != 0)
                        _exit(90);
                    if (write_lock_take(5000) != 1)
                        _exit(1);
                    // Whoever holds the lock is alone inside it.
                    int inside = open("data/inside", O_CREAT | O_EXCL | O_WRONLY, 0644);
                    if (inside < 0)
                        _exit(2);
                    close(inside);
                    usleep(20000);
                    unlink("data/inside");
                    write_lock_release();
                    _exit(0);
                }
                close(go[0]);
                close(go[1]);  // all nodes start together
                for (pid_t node : nodes) {
                    int status = 0;
                    waitpid(node, &status, 0);
                    int code = WIFEXITED(status) ? WEXITSTATUS(status) : 99;
                    clashes += code == 2;
                    missed += code != 0 && code != 2;
                }
            }
            return std::to_string(clashes) + " clashes " + std::to_string(missed) + " missed" +
                   (present(WRITE_LOCK_PATH) ? " locked" : " free") +
                   (retired_leftovers() ? " leftovers" : "");
        },
        "0 clashes 0 missed free");
}

TEST(WriteLock, ReleaseLeavesALockAnotherNodeTookOver)
{
    expect_in_child(
        []() -> std::string {
            if (write_lock_take() != 1)
                return "not taken";
            // Held past the stale age: a node elsewhere took the lock over.
            const std::string other = "4242\tsome-other-node\n";
            if (std::rename(WRITE_LOCK_PATH, "data/old-lock") != 0 ||
                unlink("data/old-lock/holder") != 0 || rmdir("data/old-lock") != 0 ||
                mkdir(WRITE_LOCK_PATH, 0755) != 0 || !spill(kRecord.c_str(), other))
                return "no takeover";
            write_lock_release();
            std::string text = slurp(kRecord.c_str()) == other ? "theirs kept" : "theirs removed";
            // Our own lock is removed whole.
            std::remove(kRecord.c_str());
            rmdir(WRITE_LOCK_PATH);
            write_lock_take();
            write_lock_release();
            return text + (present(WRITE_LOCK_PATH) || retired_leftovers() ? " ours left"
                                                                           : " ours removed");
        },
        "theirs kept ours removed");
}

}  // namespace
