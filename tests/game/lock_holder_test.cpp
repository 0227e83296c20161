// Who holds the write lock: the record a holder leaves in it, how a waiter
// checks that holder on its own host, and when a lock may be taken over.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "game/lock_holder.h"

namespace {

TEST(LockHolder, RecordReadsBackAndDamagedRecordsAreRefused)
{
    lock_holder self = holder_self();
    ASSERT_GT(self.pid, 0);
    ASSERT_NE(self.host[0], '\0');
    char text[HOLDER_LINE_SIZE];
    ASSERT_GT(holder_format(self, text, sizeof text), 0u);
    lock_holder read{};
    ASSERT_TRUE(holder_parse(text, read));
    EXPECT_EQ(read.pid, self.pid);
    EXPECT_STREQ(read.host, self.host);
    EXPECT_STREQ(read.pid_space, self.pid_space);
    EXPECT_EQ(read.started, self.started);

    struct Case {
        std::string text;
        bool valid;
        long pid;
        const char* host;
        unsigned long long started;
    };
    const Case cases[] = {
        {"4242\tnode1\n", true, 4242, "node1", 0},  // a writer recording no more
        {"4242\tnode1", true, 4242, "node1", 0},
        {"4242\tnode1\tpid:[1]\t777\n", true, 4242, "node1", 777},
        {"4242\tnode1\tpid:[1]\t777\tlater\n", true, 4242, "node1", 777},
        {"", false, 0, "", 0},
        {"4242", false, 0, "", 0},
        {"4242\t\n", false, 0, "", 0},
        {"0\tnode1\n", false, 0, "", 0},
        {"-7\tnode1\n", false, 0, "", 0},
        {"42x\tnode1\n", false, 0, "", 0},
        {"99999999999\tnode1\n", false, 0, "", 0},
        {"4242\tnode1\tpid:[1]\tsoon\n", false, 0, "", 0},
        {"4242\t" + std::string(HOLDER_HOST_SIZE, 'h') + "\n", false, 0, "", 0},
    };
    for (const Case& c : cases) {
        lock_holder got{};
        EXPECT_EQ(holder_parse(c.text.c_str(), got), c.valid) << c.text;
        if (!c.valid)
            continue;
        EXPECT_EQ(got.pid, c.pid) << c.text;
        EXPECT_STREQ(got.host, c.host) << c.text;
        EXPECT_EQ(got.started, c.started) << c.text;
    }
}

TEST(LockHolder, OnlyAProcessOfThisHostThatNoLongerRunsIsGone)
{
    const lock_holder self = holder_self();
    ASSERT_NE(self.started, 0u);
    pid_t child = fork();
    if (child == 0)
        _exit(0);
    ASSERT_GT(child, 0);
    ASSERT_EQ(waitpid(child, nullptr, 0), child);  // reaped: its id names no process

    auto with = [&self](long pid, const char* host, const char* space,
                        unsigned long long started) {
        lock_holder h = self;
        h.pid = pid;
        std::snprintf(h.host, sizeof h.host, "%s", host);
        std::snprintf(h.pid_space, sizeof h.pid_space, "%s", space);
        h.started = started;
        return h;
    };
    struct Case {
        const char* what;
        lock_holder holder;
        holder_state state;
    };
    const Case cases[] = {
        {"no record", lock_holder{}, holder_state::unknown},
        {"running here", self, holder_state::running},
        {"running here, start not recorded", with(self.pid, self.host, "", 0),
         holder_state::running},
        {"dead here", with(child, self.host, self.pid_space, 0), holder_state::gone},
        {"its id taken by a newer process", with(self.pid, self.host, self.pid_space,
                                                  self.started + 1),
         holder_state::gone},
        {"dead id on another host", with(child, "some-other-node", "", 0),
         holder_state::elsewhere},
        {"another container of this host", with(child, self.host, "pid:[1]", 0),
         holder_state::elsewhere},
    };
    for (const Case& c : cases)
        EXPECT_EQ(holder_check(c.holder, self), c.state) << c.what;
}

TEST(LockVerdict, LiveHoldersHereAreNeverBrokenOthersOnlyOnceStale)
{
    using h = holder_state;
    using v = lock_verdict;
    struct Case {
        lock_sight sight;
        lock_verdict verdict;
    };
    const double stale = WRITE_LOCK_STALE_SECONDS;
    const Case cases[] = {
        {{true, h::gone, 0.0}, v::recover},
        {{true, h::running, 0.0}, v::wait},
        {{true, h::running, 3600.0}, v::wait},
        {{true, h::elsewhere, 0.0}, v::wait},
        {{true, h::elsewhere, stale - 0.1}, v::wait},
        {{true, h::elsewhere, stale}, v::wait},
        {{true, h::elsewhere, stale + 0.1}, v::recover},
        {{true, h::unknown, stale - 0.1}, v::wait},
        {{true, h::unknown, stale + 0.1}, v::recover},
        {{false, h::gone, 3600.0}, v::refuse},
        {{false, h::unknown, 0.0}, v::refuse},
    };
    for (const Case& c : cases)
        EXPECT_EQ(judge_lock(c.sight), c.verdict)
            << static_cast<int>(c.sight.holder) << " age " << c.sight.age_seconds
            << (c.sight.directory ? " directory" : " not a directory");
}

}  // namespace
