// The caller paging the sysop, and the page-pause prompt of long listings.
#include <algorithm>
#include <cctype>
#include <cstring>
#include <ctime>

#include "doorkit/doorkit.h"
#include "doorkit/core/api_sync.h"
#include "doorkit/kernel/kernel.h"
#include "doorkit/output/output.h"
#include "doorkit/screen/local_screen.h"
#include "doorkit/sysop/sysop.h"

namespace {

constexpr unsigned kReasonWidth = 77;
constexpr char kPlainLine = '-';
constexpr char kBoxLine = static_cast<char>(0xC4);
constexpr std::uint32_t kRingMS = 1000;
constexpr std::uint32_t kRingSliceMS = 25;
constexpr int kLogPaging = 8;
constexpr char kCtrlC = 3;
constexpr char kCtrlK = 11;
constexpr char kCtrlX = 24;

bool LocalMinuteOfDay(int* minute)
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    if (now == static_cast<std::time_t>(-1) || localtime_r(&now, &local) == nullptr)
        return false;
    *minute = local.tm_hour * 60 + local.tm_min;
    return true;
}

void WaitForEnter()
{
    ODSysopShow(od_control.prompt_texts.press_enter);
    od_get_answer("\r\n");
}

// One ring a second, page_duration times; false when a chat was started
// meanwhile or the session ended.
bool Ring()
{
    for (unsigned ring = 0; ring < od_control.page_duration; ++ring) {
        tODTimer second{};
        ODTimerStart(&second, kRingMS);
        od_putch('.');
        od_putch(7);
        for (;;) {
            if (bChatted || !ODKrnlSessionRunning())
                return false;
            if (ODTimerElapsed(&second))
                break;
            od_kernel();
            od_sleep(std::min(ODTimerLeft(&second), kRingSliceMS));
        }
    }
    return !bChatted && ODKrnlSessionRunning();
}

bool IsStopKey(int key)
{
    const char stop = od_control.prompt_texts.page_pause_keys[1];
    return std::tolower(key) == std::tolower(static_cast<unsigned char>(stop)) || key == 'S' ||
           key == 's' || key == kCtrlC || key == kCtrlK || key == kCtrlX;
}

bool IsGoOnKey(int key)
{
    const char go_on = od_control.prompt_texts.page_pause_keys[0];
    return std::tolower(key) == std::tolower(static_cast<unsigned char>(go_on)) || key == '\r' ||
           key == ' ';
}

}  // namespace

bool ODPageWithinHours(int now_minute, std::uint16_t start_minute, std::uint16_t end_minute)
{
    const auto now = static_cast<std::int16_t>(now_minute);
    const auto start = static_cast<std::int16_t>(start_minute);
    const auto end = static_cast<std::int16_t>(end_minute);
    if (start == end)
        return true;
    if (start < end)
        return start <= now && now < end;
    return now >= start || now < end;
}

bool ODPageShouldRing(std::uint8_t mode, bool have_time, int now_minute,
                      std::uint16_t start_minute, std::uint16_t end_minute)
{
    if (mode == 0)
        return false;
    if (mode == 1)
        return true;
    return have_time && ODPageWithinHours(now_minute, start_minute, end_minute);
}

void od_page()
{
    ODApiCall call;
    if (!call.allowed())
        return;
    const std::uint16_t saved = od_control.current_attribute;

    od_clr_scr();
    od_set_attrib(od_control.chat_sysop_colour);
    ODSysopShow(od_control.prompt_texts.chat_reason_question);
    od_set_attrib(od_control.chat_user_colour);
    od_putch('[');
    od_repeat(ODCurrentTerminalMode() == ODTerminalMode::Plain ? kPlainLine : kBoxLine,
              kReasonWidth);
    od_disp_str("]\r\n ");
    od_input_str(od_control.chat_reason, kReasonWidth, 32, 255);
    if (od_control.chat_reason[0] == '\0' || !ODKrnlSessionRunning()) {
        ODSysopRestoreColour(saved);
        return;
    }

    od_control.user_wants_chat = 1;
    int minute = 0;
    const bool have_time = LocalMinuteOfDay(&minute);
    if (!ODPageShouldRing(od_control.page_mode, have_time, minute, od_control.page_start_minute,
                          od_control.page_end_minute)) {
        od_disp_str("\r\n");
        ODSysopShow(od_control.prompt_texts.sysop_unavailable);
        WaitForEnter();
        ODSysopRestoreColour(saved);
        return;
    }

    bForceStatusUpdate = 1;
    od_kernel();
    ODSysopLog(kLogPaging);
    od_set_attrib(od_control.chat_sysop_colour);
    ODSysopShow(od_control.prompt_texts.paging);
    ++od_control.user_page_times;
    bChatted = 0;
    // A chat started during the ring answered the page: no "No response".
    if (Ring()) {
        ODSysopShow(od_control.prompt_texts.no_page_response);
        WaitForEnter();
        od_disp_str("\r\n\r\n");
    }
    ODSysopRestoreColour(saved);
}

bool ODPagePrompt(bool* pausing)
{
    if (pausing == nullptr || !*pausing)
        return false;
    const char* prompt = od_control.prompt_texts.more_prompt;
    if (prompt == nullptr)
        prompt = "";
    ODScrnTextInfo screen{};
    ODScrnGetTextInfo(&screen);

    od_set_attrib(od_control.page_prompt_colour);
    od_disp_str(prompt);
    od_set_attrib(screen.attribute);

    bool stop = false;
    for (;;) {
        const int key = od_get_key(true);
        if (!ODKrnlSessionRunning())
            return true;
        if (key == 0)
            continue;
        if (key == od_control.prompt_texts.page_pause_keys[2]) {
            *pausing = false;
            break;
        }
        if (IsGoOnKey(key))
            break;
        if (IsStopKey(key)) {
            stop = true;
            break;
        }
    }
    for (std::size_t i = std::strlen(prompt); i > 0; --i)
        od_disp_str("\b \b");
    return stop;
}
