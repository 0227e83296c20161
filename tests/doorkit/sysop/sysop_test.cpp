// The sysop functions over a live session: paging, the page-pause prompt,
// chat mode and the sysop's requests.
#include <unistd.h>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "doorkit/core/control.h"
#include "doorkit/kernel/input_queue.h"
#include "doorkit/kernel/kernel.h"
#include "doorkit/log/log.h"
#include "doorkit/sysop/sysop.h"
#include "tests/doorkit/input/fixture.h"
#include "tests/doorkit/output/fixture.h"

namespace {

using grimbo_test::ChildResult;
using input_test::MonotonicMs;
using input_test::SendAll;
using output_test::Caller;
using output_test::Mode;
using output_test::Show;

constexpr char kReasonPrompt[] =
    "               Why would you like to chat? (Blank line to cancel)\r\n";
constexpr char kUnavailable[] = "\r\nSorry, the system operator is not available at this time.\r\n";
constexpr char kPaging[] = "\r\nPaging system operator for chat";
constexpr char kNoResponse[] = " No response.\r\n\r\n";
constexpr char kPressEnter[] = "Press [Enter] to continue";
constexpr char kChatStart[] =
    "\r\nThe system operator has placed you in chat mode to talk with you:\r\n\r\n";
constexpr char kChatEnd[] = "\r\nChat mode ended.\r\n\r\n";
constexpr char kPausePrompt[] = "Continue? [Y/n/=]";

bool Has(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

// A session in a child, run in a directory of its own (the kernel notes
// every Enter the caller types in a file there). The body gets the caller's
// output and the caller's end to type on; the child's status is the body's
// verdict or the door's exit code.
template <typename Body>
ChildResult RunSysop(Mode mode, Body body)
{
    grimbo_test::TempDir dir;
    return grimbo_test::run_in_child(
        [&] {
            if (chdir(dir.path().c_str()) != 0)
                return 3;
            output_test::SessionSetup setup;
            setup.mode = mode;
            const int fd = output_test::StartOutputSession(setup);
            if (fd < 0)
                return 2;
            Caller caller(fd);
            caller.Take();
            body(caller, fd);
            return ::testing::Test::HasFailure() ? 1 : 0;
        },
        30000);
}

// Lets the typed bytes reach the door's end before the call reads them.
void Type(int fd, const std::string& keys)
{
    SendAll(fd, keys);
    usleep(30000);
}

// What the session's log holds so far.
std::string LogText()
{
    if (logfile_pointer != nullptr)
        std::fflush(logfile_pointer);
    std::ifstream in(od_control.log_file_name);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void ExpectPassed(const ChildResult& r)
{
    EXPECT_TRUE(r.exited) << "signal " << r.signal << "\n" << r.out << r.err;
    EXPECT_EQ(r.status, 0) << r.out << r.err;
}

struct HoursCase {
    std::uint8_t mode;
    bool have_time;
    int now;
    std::uint16_t start;
    std::uint16_t end;
    bool rings;
};

TEST(PagingHours, ModeAndLocalTimeDecideWhetherThePageRings)
{
    const HoursCase cases[] = {
        {2, true, 23 * 60, 480, 1320, false},   // after hours
        {2, true, 23 * 60, 1320, 480, true},    // over midnight
        {2, true, 7 * 60 + 59, 1320, 480, true},
        {2, true, 480, 1320, 480, false},       // the end is outside
        {2, true, 480, 480, 1320, true},        // the start is inside
        {2, true, 1320, 480, 1320, false},
        {2, true, 100, 600, 600, true},         // equal: always
        {7, true, 600, 480, 1320, true},        // any other mode: the hours
        {7, true, 300, 480, 1320, false},
        {0, true, 600, 480, 1320, false},       // never
        {1, true, 23 * 60, 480, 1320, true},    // always
        {1, false, 0, 480, 1320, true},
        {2, false, 600, 480, 1320, false},      // no local time: only mode 1
    };
    for (const HoursCase& c : cases)
        EXPECT_EQ(ODPageShouldRing(c.mode, c.have_time, c.now, c.start, c.end), c.rings)
            << "mode " << int(c.mode) << " now " << c.now << " hours " << c.start << "-"
            << c.end << (c.have_time ? "" : " without time");
}

TEST(Paging, OutsideTheHoursTheCallerIsToldTheSysopIsUnavailable)
{
    for (Mode mode : {Mode::Plain, Mode::Ansi}) {
        ExpectPassed(RunSysop(mode, [mode](Caller& caller, int fd) {
            od_control.page_mode = 0;
            Type(fd, "need help\r\r");
            od_page();
            const std::string out = caller.Take();
            const char line = mode == Mode::Plain ? '-' : '\xC4';
            EXPECT_TRUE(Has(out, kReasonPrompt)) << Show(out);
            EXPECT_TRUE(Has(out, "[" + std::string(77, line) + "]\r\n need help\r\n"))
                << Show(out);
            EXPECT_TRUE(Has(out, std::string("\r\n") + kUnavailable + kPressEnter)) << Show(out);
            EXPECT_FALSE(Has(out, kPaging)) << Show(out);
            EXPECT_STREQ(od_control.chat_reason, "need help");
            EXPECT_EQ(od_control.user_wants_chat, 1);
            EXPECT_EQ(od_control.user_page_times, 0);
        }));
    }
}

TEST(Paging, APageRingsOncePerSecondForThePageDuration)
{
    struct Setting {
        std::uint8_t mode;
        std::uint16_t start, end;
    };
    // Mode 1 always pages; mode 2 with equal hours pages at any time.
    for (const Setting s : {Setting{1, 480, 1320}, Setting{2, 600, 600}}) {
        ExpectPassed(RunSysop(Mode::Ansi, [s](Caller& caller, int fd) {
            od_control.page_mode = s.mode;
            od_control.page_start_minute = s.start;
            od_control.page_end_minute = s.end;
            od_control.page_duration = 2;
            ASSERT_TRUE(od_log_open());
            Type(fd, "hi\r\r");
            const long long started = MonotonicMs();
            od_page();
            const long long took = MonotonicMs() - started;
            const std::string out = caller.Take();
            EXPECT_GE(took, 1900);
            EXPECT_LT(took, 4000);
            const std::string ring = std::string(kPaging) + ".\a.\a";
            EXPECT_TRUE(Has(out, ring)) << Show(out);
            EXPECT_TRUE(Has(out, std::string(kNoResponse) + kPressEnter + "\r\n\r\n"))
                << Show(out);
            EXPECT_EQ(od_control.user_page_times, 1);
            EXPECT_EQ(od_control.user_wants_chat, 1);
            const std::string log = LogText();
            EXPECT_TRUE(Has(log, "User paging system operator")) << log;
            EXPECT_TRUE(Has(log, "Reason for chat: hi")) << log;
        }));
    }
}

TEST(Paging, ABlankReasonCancelsWithoutPaging)
{
    ExpectPassed(RunSysop(Mode::Ansi, [](Caller& caller, int fd) {
        od_control.page_mode = 1;
        Type(fd, "\r");
        od_page();
        const std::string out = caller.Take();
        EXPECT_FALSE(Has(out, kPaging)) << Show(out);
        EXPECT_FALSE(Has(out, kUnavailable)) << Show(out);
        EXPECT_EQ(od_control.user_wants_chat, 0);
        EXPECT_EQ(od_control.user_page_times, 0);
    }));
}

TEST(Paging, AChatStartedWhileThePageRingsAnswersItAtOnce)
{
    ExpectPassed(RunSysop(Mode::Ansi, [](Caller& caller, int fd) {
        od_control.page_mode = 1;
        od_control.page_duration = 20;
        // The sysop answers once the page rings; the hook ends the chat at
        // once, so no keys are needed.
        od_control.kernel_hook = [] {
            static bool answered = false;
            if (!answered && od_control.user_page_times == 1) {
                answered = true;
                od_chat();
            }
        };
        od_control.chat_hook = ODKrnlEndChatMode;
        Type(fd, "hello\r");
        const long long started = MonotonicMs();
        od_page();
        EXPECT_LT(MonotonicMs() - started, 3000);
        const std::string out = caller.Take();
        EXPECT_TRUE(Has(out, kPaging)) << Show(out);
        EXPECT_TRUE(Has(out, kChatEnd)) << Show(out);
        EXPECT_FALSE(Has(out, kNoResponse)) << Show(out);
        EXPECT_EQ(od_control.user_wants_chat, 0);
        EXPECT_EQ(od_control.chat_active, 0);
    }));
}

struct PauseCase {
    const char* keys;
    bool stops;
    bool keeps_pausing;
};

TEST(PagePause, KeysGoOnStopOrEndThePausingAndThePromptIsErased)
{
    const PauseCase cases[] = {
        {"y", false, true},     {"Y", false, true},     {"\r", false, true},
        {" ", false, true},     {"=", false, false},    {"n", true, true},
        {"N", true, true},      {"s", true, true},      {"S", true, true},
        {"\x03", true, true},   {"\x0b", true, true},   {"\x18", true, true},
        {"xq7y", false, true},  {"a!n", true, true},
    };
    ExpectPassed(RunSysop(Mode::Ansi, [&cases](Caller& caller, int fd) {
        std::string erase;
        for (std::size_t i = 0; i < sizeof kPausePrompt - 1; ++i)
            erase += "\b \b";
        for (const PauseCase& c : cases) {
            Type(fd, c.keys);
            bool pausing = true;
            EXPECT_EQ(ODPagePrompt(&pausing), c.stops) << Show(c.keys);
            EXPECT_EQ(pausing, c.keeps_pausing) << Show(c.keys);
            const std::string out = caller.Take();
            EXPECT_TRUE(Has(out, kPausePrompt)) << Show(out);
            EXPECT_EQ(out.substr(out.size() - erase.size()), erase) << Show(out);
        }
        // Pausing ended: no prompt, go on.
        bool pausing = false;
        EXPECT_FALSE(ODPagePrompt(&pausing));
        EXPECT_EQ(caller.Take(), "");
    }));
}

TEST(PagePause, ACallerLostWhileWaitingStopsTheListing)
{
    grimbo_test::TempDir dir;
    ExpectPassed(grimbo_test::run_in_child([&] {
        if (chdir(dir.path().c_str()) != 0)
            return 3;
        const int fd = output_test::StartOutputSession({});
        od_control.exit_without_terminating = 1;
        close(fd);
        bool pausing = true;
        return ODPagePrompt(&pausing) ? 0 : 1;
    }));
}

TEST(SysopRequests, TogglesFlipTheirSettingBothWays)
{
    ExpectPassed(RunSysop(Mode::Ansi, [](Caller&, int) {
        struct Toggle {
            const char* name;
            void (*request)();
            int (*value)();
        };
        const Toggle toggles[] = {
            {"keyboard", ODKrnlRequestKeyboardToggle, [] { return int(od_control.user_keyboard_on); }},
            {"sysop next", ODKrnlRequestSysopNextToggle, [] { return int(od_control.sysop_next); }},
            {"inactivity", ODKrnlRequestInactivityToggle,
             [] { return int(od_control.inactivity_check_off); }},
            {"chat", ODKrnlRequestChatToggle, [] { return nKrnlFuncPending & 1; }},
        };
        for (const Toggle& t : toggles) {
            const int before = t.value();
            t.request();
            EXPECT_EQ(t.value(), before ? 0 : 1) << t.name;
            t.request();
            EXPECT_EQ(t.value(), before) << t.name;
        }
    }));
}

TEST(SysopRequests, TimeAdjustmentAddsMinutesWithinTheSixteenBitRange)
{
    struct Adjustment {
        std::int16_t left;
        int minutes;
        int expected;
    };
    const Adjustment cases[] = {
        {10, 5, 15}, {3, -5, -2}, {32760, 100, 32767}, {-32760, -100, -32768},
    };
    ExpectPassed(RunSysop(Mode::Ansi, [&cases](Caller&, int) {
        for (const Adjustment& a : cases) {
            od_control.user_time_left = a.left;
            ODKrnlRequestTimeAdjustment(a.minutes);
            EXPECT_EQ(od_control.user_time_left, a.expected) << a.left << " + " << a.minutes;
        }
        od_control.user_time_left = 30;
    }));
}

TEST(SysopRequests, TakingMoreTimeThanIsLeftEndsTheDoorAtTheNextPass)
{
    const ChildResult r = RunSysop(Mode::Ansi, [](Caller&, int) {
        od_control.user_time_left = 3;
        ODKrnlRequestTimeAdjustment(-5);
        od_kernel();
        ADD_FAILURE() << "the door should have ended";
    });
    EXPECT_EQ(r.status, 3) << r.out << r.err;
}

// How an exit request ends the door: exit code, hang-up, exit reason.
struct ExitCase {
    const char* name;
    void (*request)();
    bool custom;
    int code;
    bool hang_up;
    int reason;
    bool locks_out = false;
};

TEST(SysopRequests, ExitRequestsEndWithTheirCodeAndHangUpAsAsked)
{
    const ExitCase cases[] = {
        {"lockout", ODKrnlRequestLockout, false, 2, true, OD_EXIT_REASON_LOCKOUT, true},
        {"lockout custom", ODKrnlRequestLockout, true, 33, true, OD_EXIT_REASON_LOCKOUT, true},
        {"carrier", [] { ODKrnlForceDoorKitShutdown(2); }, false, 1, false, 1},
        {"lockout forced", [] { ODKrnlForceDoorKitShutdown(3); }, false, 2, true, 2},
        {"time", [] { ODKrnlForceDoorKitShutdown(4); }, false, 3, false, 3},
        {"inactivity", [] { ODKrnlForceDoorKitShutdown(5); }, false, 4, true, 4},
        {"inactivity custom", [] { ODKrnlForceDoorKitShutdown(5); }, true, 35, true, 4},
        {"exit", [] { ODKrnlRequestExit(9, true); }, false, 9, true, 0},
        {"exit no hang-up", [] { ODKrnlRequestExit(6, false); }, false, 6, false, 0},
    };
    for (const ExitCase& c : cases) {
        ExpectPassed(RunSysop(Mode::Ansi, [&c](Caller&, int) {
            od_control.exit_without_terminating = 1;
            od_control.user_security = 50;
            od_control.errorlevels[OD_LEVEL_USE_TABLE] = c.custom ? 1 : 0;
            od_control.errorlevels[OD_LEVEL_LOCKOUT] = 33;
            od_control.errorlevels[OD_LEVEL_INACTIVITY] = 35;
            c.request();
            EXPECT_FALSE(ODKrnlSessionRunning()) << c.name;
            EXPECT_EQ(int(nODPendingExitErrorLevel), c.code) << c.name;
            EXPECT_EQ(bODPendingExitTermCall != 0, c.hang_up) << c.name;
            EXPECT_EQ(btExitReason, c.reason) << c.name;
            EXPECT_EQ(od_control.user_security, c.locks_out ? 0 : 50)
                << c.name;
        }));
    }
}

TEST(SysopRequests, LockoutEndsTheProcessWithTheLockoutCode)
{
    const ChildResult r = RunSysop(Mode::Ansi, [](Caller&, int) {
        ODKrnlRequestLockout();
        ADD_FAILURE() << "the door should have ended";
    });
    EXPECT_EQ(r.status, 2) << r.out << r.err;
}

TEST(SysopRequests, AShutdownReasonOutsideTheExitTableIsRefused)
{
    ExpectPassed(RunSysop(Mode::Ansi, [](Caller&, int) {
        for (int reason : {0, 8, -1}) {
            od_control.error_code = 0;
            ODKrnlForceDoorKitShutdown(reason);
            EXPECT_TRUE(ODKrnlSessionRunning()) << reason;
            EXPECT_EQ(od_control.error_code, OD_ERR_PARAMETER) << reason;
        }
    }));
}

TEST(LocalKeys, CharactersAndScanCodesArriveAsLocalKeys)
{
    ExpectPassed(RunSysop(Mode::Ansi, [](Caller&, int) {
        ODKrnlHandleLocalKey('a');
        ODKrnlHandleLocalKey(OD_KEY_UP << 8);
        ODInputEvent event{};
        ASSERT_TRUE(od_get_input(&event, 200, GETIN_NORMAL));
        EXPECT_EQ(input_test::Describe(event), "char 97 (local)");
        ASSERT_TRUE(od_get_input(&event, 200, GETIN_NORMAL));
        EXPECT_EQ(event.event_type, EVENT_EXTENDED_KEY);
        EXPECT_EQ(event.key, OD_KEY_UP);
        od_control.disable_flags |= OD_DISABLE_LOCAL_KEYBOARD;
        ODKrnlHandleLocalKey('b');
        EXPECT_FALSE(od_key_pending());
    }));
}

TEST(ChatMode, BothSidesTypeInTheirColoursWithWordWrapUntilTheSysopPressesEsc)
{
    ExpectPassed(RunSysop(Mode::Ansi, [](Caller& caller, int fd) {
        od_control.user_wants_chat = 1;
        // The caller's line: a backspace, then a word that meets the end
        // of the 75-column line.
        Type(fd, "ab\bc\r" + std::string(73, 'x') + " word");
        // The sysop answers "ok" on a line of its own and leaves.
        od_control.chat_hook = [] {
            for (int key : {13, int('o'), int('k'), 27})
                ODKrnlHandleLocalKey(static_cast<std::uint16_t>(key));
        };
        static bool ended_hook = false;
        od_control.chat_end_hook = [] { ended_hook = true; };
        ASSERT_TRUE(od_log_open());
        od_chat();
        const std::string out = caller.Take();
        EXPECT_TRUE(ended_hook);
        EXPECT_EQ(od_control.chat_active, 0);
        EXPECT_EQ(od_control.user_wants_chat, 0);
        EXPECT_TRUE(Has(out, kChatStart)) << Show(out);
        EXPECT_TRUE(Has(out, kChatEnd)) << Show(out);
        const std::string log = LogText();
        EXPECT_TRUE(Has(log, "Entering sysop chat mode")) << log;
        EXPECT_TRUE(Has(log, "Terminating sysop chat mode")) << log;

        int start = 1;
        while (start < 25 && output_test::CopyRow(start).find("talk with you") == std::string::npos)
            ++start;
        ASSERT_LT(start, 25);
        EXPECT_EQ(output_test::CopyAttr(start, 1), 12);
        EXPECT_EQ(output_test::CopyRow(start + 2), "ac");
        EXPECT_EQ(output_test::CopyAttr(start + 2, 1), 15);
        EXPECT_EQ(output_test::CopyRow(start + 3), std::string(73, 'x'));
        EXPECT_EQ(output_test::CopyRow(start + 4), "word");
        EXPECT_EQ(output_test::CopyRow(start + 5), "ok");
        EXPECT_EQ(output_test::CopyAttr(start + 5, 1), 12);
        EXPECT_EQ(output_test::CopyRow(start + 6), "Chat mode ended.");
    }));
}

}  // namespace
