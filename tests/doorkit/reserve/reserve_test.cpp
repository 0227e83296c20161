#include <gtest/gtest.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "doorkit/doorkit.h"
#include "doorkit/core/control.h"
#include "doorkit/reserve/file.h"
#include "doorkit/reserve/internal.h"
#include "doorkit/reserve/reserve.h"
#include "tests/doorkit/session/session_helpers.h"
#include "tests/support/session_runner.h"

using grimbo_test::run_in_child;
using grimbo_test::start_preset_session;
using grimbo_test::TempDir;

namespace {

// One door process on its own node, steered through two pipes: it reports
// single letters and waits for the test's go-ahead.
class Door {
public:
    struct Io {
        int report;
        int go;
        void say(char c) const { (void)!write(report, &c, 1); }
        // The next go-ahead; 0 once the test closes the pipe.
        char hear() const
        {
            char c = 0;
            return read(go, &c, 1) == 1 ? c : 0;
        }
    };

    Door(const std::string& file, int node, const std::function<int(const Io&)>& body)
    {
        int report[2], go[2], line[2];
        if (pipe(report) != 0 || pipe(go) != 0 || socketpair(AF_UNIX, SOCK_STREAM, 0, line) != 0)
            std::abort();
        pid_ = fork();
        if (pid_ == 0) {
            // Another door's go-ahead pipe left open here would never
            // read as closed there.
            for (int fd : parent_ends())
                close(fd);
            close(report[0]);
            close(go[1]);
            close(line[0]);
            dup2(line[1], STDIN_FILENO);
            dup2(line[1], STDOUT_FILENO);
            od_control.node_number = static_cast<std::uint16_t>(node);
            if (!od_reserve_configure(file.c_str()))
                _exit(90);
            start_preset_session();
            _exit(body(Io{report[1], go[0]}));
        }
        close(report[1]);
        close(go[0]);
        close(line[1]);
        report_ = report[0];
        go_ = go[1];
        line_ = line[0];
        parent_ends().push_back(go_);
    }

    ~Door()
    {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        close(report_);
        release();
        close(line_);
    }

    // The next letter the door reports, or '?' after ten seconds of silence.
    char next()
    {
        pollfd p{report_, POLLIN, 0};
        char c = '?';
        if (poll(&p, 1, 10000) == 1 && read(report_, &c, 1) != 1)
            c = '?';
        return c;
    }
    void go(char c) { (void)!write(go_, &c, 1); }
    void release()
    {
        if (go_ < 0)
            return;
        std::erase(parent_ends(), go_);
        close(go_);
        go_ = -1;
    }
    void kill_now() { kill(pid_, SIGKILL); }
    // Exit status, or -1 when it did not end through exit.
    int status()
    {
        int raw = 0;
        waitpid(pid_, &raw, 0);
        pid_ = -1;
        return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    }

private:
    static std::vector<int>& parent_ends()
    {
        static std::vector<int> fds;
        return fds;
    }

    pid_t pid_ = -1;
    int report_ = -1;
    int go_ = -1;
    int line_ = -1;
};

#define DOOR_CHECK(cond)        \
    do {                        \
        if (!(cond))            \
            return __LINE__;    \
    } while (0)

TEST(NodeReservations, SecondRequestIsGrantedOnlyAfterTheFirstEndsIt)
{
    TempDir dir;
    const std::string file = dir.file("reserve.dat");
    Door first(file, 1, [](const Door::Io& io) {
        DOOR_CHECK(od_reserve_request("vault"));
        DOOR_CHECK(dwODReserveTicketLow == 1);
        DOOR_CHECK(od_reserve_wait(0) == 1);
        io.say('g');
        io.hear();
        DOOR_CHECK(od_reserve_end());
        io.say('e');
        io.hear();
        return 0;
    });
    ASSERT_EQ(first.next(), 'g');
    Door second(file, 2, [](const Door::Io& io) {
        // Another name is not held up by the vault.
        DOOR_CHECK(od_reserve_request("crypt"));
        DOOR_CHECK(od_reserve_wait(0) == 1);
        DOOR_CHECK(od_reserve_end());
        DOOR_CHECK(od_reserve_request("vault"));
        DOOR_CHECK(dwODReserveTicketLow == 2);
        DOOR_CHECK(od_reserve_wait(0) == 0);
        DOOR_CHECK(od_reserve_wait(120) == 0);
        std::uint32_t s = 0;
        std::uint16_t ms = 0;
        DOOR_CHECK(od_get_time(&s, &ms));
        DOOR_CHECK(od_reserve_wait_until(s, ms) == 0);
        io.say('w');
        DOOR_CHECK(od_reserve_wait(10000) == 1);
        io.say('G');
        return 0;
    });
    ASSERT_EQ(second.next(), 'w');
    first.go('x');
    ASSERT_EQ(first.next(), 'e');
    ASSERT_EQ(second.next(), 'G');
    first.release();
    EXPECT_EQ(first.status(), 0);
    EXPECT_EQ(second.status(), 0);
}

TEST(NodeReservations, KilledHolderStopsBlockingAndItsSlotIsReused)
{
    TempDir dir;
    const std::string file = dir.file("reserve.dat");
    Door holder(file, 1, [](const Door::Io& io) {
        DOOR_CHECK(od_reserve_request("vault"));
        DOOR_CHECK(od_reserve_wait(0) == 1);
        io.say('g');
        io.hear();
        return 0;
    });
    ASSERT_EQ(holder.next(), 'g');
    Door waiter(file, 2, [](const Door::Io& io) {
        DOOR_CHECK(od_reserve_request("vault"));
        DOOR_CHECK(od_reserve_wait(0) == 0);
        io.say('w');
        DOOR_CHECK(od_reserve_wait(OD_NO_TIMEOUT) == 1);
        io.say('G');
        io.hear();
        return 0;
    });
    ASSERT_EQ(waiter.next(), 'w');
    holder.kill_now();
    ASSERT_EQ(waiter.next(), 'G');

    Door again(file, 1, [](const Door::Io& io) {
        DOOR_CHECK(dwODReserveRecord == 0);
        // The waiter holds the vault now.
        DOOR_CHECK(od_reserve_request("vault"));
        DOOR_CHECK(od_reserve_wait(0) == 0);
        io.say('j');
        return 0;
    });
    ASSERT_EQ(again.next(), 'j');
    EXPECT_EQ(again.status(), 0);
    struct stat info{};
    ASSERT_EQ(stat(file.c_str(), &info), 0);
    EXPECT_EQ(info.st_size, 3 * OD_RESERVE_BLOCK);
    waiter.release();
    EXPECT_EQ(waiter.status(), 0);
}

TEST(NodeReservations, EqualTicketsGoToTheLowerRecordFirst)
{
    TempDir dir;
    const std::string file = dir.file("reserve.dat");
    Door lower(file, 5, [](const Door::Io& io) {
        DOOR_CHECK(dwODReserveRecord == 0);
        io.say('j');
        io.hear();
        // As if both had drawn their ticket at the same moment.
        DOOR_CHECK(ODReserveWriteOwn(OD_RESERVE_STATE_PRESENT, "vault", 1));
        io.say('w');
        io.hear();
        return 0;
    });
    ASSERT_EQ(lower.next(), 'j');
    Door higher(file, 6, [](const Door::Io& io) {
        DOOR_CHECK(dwODReserveRecord == 1);
        DOOR_CHECK(od_reserve_request("vault"));
        DOOR_CHECK(dwODReserveTicketLow == 1);
        io.say('r');
        io.hear();
        DOOR_CHECK(od_reserve_wait(50) == 0);
        io.say('0');
        DOOR_CHECK(od_reserve_wait(10000) == 1);
        io.say('G');
        return 0;
    });
    ASSERT_EQ(higher.next(), 'r');
    lower.go('x');
    ASSERT_EQ(lower.next(), 'w');
    higher.go('x');
    ASSERT_EQ(higher.next(), '0');
    lower.release();
    EXPECT_EQ(lower.status(), 0);
    ASSERT_EQ(higher.next(), 'G');
    EXPECT_EQ(higher.status(), 0);
}

TEST(NodeReservations, DamagedFileStopsJoiningWithErrorSix)
{
    const struct {
        const char* what;
        int offset;
        std::uint8_t value;
        bool with_record;
    } cases[] = {
        {"magic", 3, 'X', false},
        {"record size", 10, 64, false},
        {"record kind", OD_RESERVE_BLOCK + 2, 9, true},
        {"record state", OD_RESERVE_BLOCK + 5, 4, true},
        {"record name length", OD_RESERVE_BLOCK + 6, 32, true},
    };
    for (const auto& c : cases) {
        TempDir dir;
        const std::string file = dir.file("reserve.dat");
        std::uint8_t image[2 * OD_RESERVE_BLOCK] = {};
        ODReserveBuildHeader(reinterpret_cast<std::uint8_t(&)[OD_RESERVE_BLOCK]>(image[0]));
        ODReserveBuildRecord(ODReserveRecord{OD_RESERVE_KIND_NODE, 7, 1, "vault", 1, 1, 0},
                             reinterpret_cast<std::uint8_t(&)[OD_RESERVE_BLOCK]>(image[OD_RESERVE_BLOCK]));
        image[c.offset] = c.value;
        ASSERT_TRUE(dir.write("reserve.dat",
                              std::string(reinterpret_cast<const char*>(image),
                                          c.with_record ? sizeof image : OD_RESERVE_BLOCK)));
        auto result = run_in_child([&] {
            od_control.node_number = 3;
            CHILD_CHECK(od_reserve_configure(file.c_str()));
            CHILD_CHECK(ODReserveSessionInitialize() != 0);
            CHILD_CHECK(od_control.error_code == OD_ERR_FILEREAD);
            CHILD_CHECK(!bODReserveActive);
            return 0;
        });
        EXPECT_EQ(result.status, 0) << c.what << "\n" << result.err;
    }
}

TEST(NodeReservations, BadCallsAreRefusedWithBadParameter)
{
    TempDir dir;
    const std::string file = dir.file("reserve.dat");
    auto result = run_in_child([&] {
        CHILD_CHECK(!od_reserve_configure(""));
        CHILD_CHECK(od_control.error_code == OD_ERR_PARAMETER);
        CHILD_CHECK(od_reserve_configure(file.c_str()));
        start_preset_session();
        CHILD_CHECK(!od_reserve_configure(file.c_str()));
        const char* names[] = {"", "a\tb", "0123456789012345678901234567890X", "caf\xc3\xa9"};
        for (const char* name : names) {
            od_control.error_code = 0;
            CHILD_CHECK(!od_reserve_request(name));
            CHILD_CHECK(od_control.error_code == OD_ERR_PARAMETER);
        }
        od_control.error_code = 0;
        CHILD_CHECK(od_reserve_wait(0) == -1 && od_control.error_code == OD_ERR_PARAMETER);
        od_control.error_code = 0;
        CHILD_CHECK(!od_reserve_end() && od_control.error_code == OD_ERR_PARAMETER);
        CHILD_CHECK(od_reserve_request("0123456789012345678901234567890"));
        od_control.error_code = 0;
        CHILD_CHECK(!od_reserve_request("other"));
        CHILD_CHECK(od_control.error_code == OD_ERR_PARAMETER);
        od_control.error_code = 0;
        CHILD_CHECK(od_reserve_wait_until(0, 1000) == -1 && od_control.error_code == OD_ERR_PARAMETER);
        CHILD_CHECK(od_reserve_wait(0) == 1);
        CHILD_CHECK(od_reserve_end());
        return 0;
    });
    EXPECT_TRUE(result.exited);
    EXPECT_EQ(result.status, 0) << result.err;
}

}  // namespace
