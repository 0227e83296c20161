#include "doorkit/log/log.h"

#include <cerrno>
#include <cstdarg>
#include <cstring>
#include <ctime>

#include "doorkit/doorkit.h"
#include "doorkit/core/api_sync.h"
#include "doorkit/core/control.h"
#include "doorkit/core/prompt_texts.h"
#include "doorkit/kernel/kernel.h"

std::FILE* logfile_pointer = nullptr;
bool (*pfLogWrite)(int) = nullptr;
bool (*pfLogClose)(int) = nullptr;

namespace {

constexpr int kChatReasonMessage = 12;
constexpr int kCallbackExitMessage = 13;
constexpr int kErrorlevelExitMessage = 5;
constexpr int kEnteringMessage = 11;
constexpr std::size_t kChatReasonLineLength = 67;

// An application may have replaced a text with nothing; the standard one
// stands in so a format never reads a null.
const char* message_text(int number)
{
    const char* text = od_control.log_messages[number];
    return text != nullptr ? text : ODDefaultLogMessages[number];
}

const char* name_or(const char* name, const char* fallback)
{
    return name != nullptr ? name : fallback;
}

tm local_now()
{
    std::time_t now = std::time(nullptr);
    tm local{};
    localtime_r(&now, &local);
    return local;
}

bool write_event(const char* text)
{
    if (logfile_pointer == nullptr)
        return false;
    tm local = local_now();
    char stamp[16];
    ODLogTimeStamp(local.tm_hour, local.tm_min, local.tm_sec, stamp);
    if (std::fprintf(logfile_pointer, "%s%s\n", stamp, text) < 0)
        return false;
    return std::fflush(logfile_pointer) == 0;
}

void drop_log()
{
    if (logfile_pointer != nullptr)
        std::fclose(logfile_pointer);
    logfile_pointer = nullptr;
    pfLogWrite = nullptr;
    pfLogClose = nullptr;
}

bool write_header()
{
    tm local = local_now();
    const od_prompt_texts& texts = od_control.prompt_texts;
    const char* day = name_or(texts.day_names[local.tm_wday], ODDefaultPromptTexts.day_names[local.tm_wday]);
    const char* month = name_or(texts.month_names[local.tm_mon], ODDefaultPromptTexts.month_names[local.tm_mon]);
    return std::fprintf(logfile_pointer, "\n----------  %s %02d %s %02d, %s\n", day, local.tm_mday, month,
                        local.tm_year % 100, od_control.program_name) >= 0;
}

// Opens the log if it is not open yet; the caller has checked the session.
bool open_log()
{
    if (logfile_pointer != nullptr || od_control.logging_disabled)
        return true;
    logfile_pointer = std::fopen(od_control.log_file_name, "ae");
    if (logfile_pointer == nullptr) {
        od_control.error_code = OD_ERR_FILEOPEN;
        return false;
    }
    bool ok = write_header();
    if (ok)
        ok = ODLogFormatWorkString(message_text(kEnteringMessage), od_control.user_name) &&
             write_event(szODWorkString);
    if (!ok) {
        int saved = errno;
        drop_log();
        errno = saved;
        if (od_control.error_code != OD_ERR_LIMIT)
            od_control.error_code = OD_ERR_GENERALFAILURE;
        return false;
    }
    pfLogWrite = ODLogWriteStandardMsg;
    pfLogClose = ODLogClose;
    return true;
}

}  // namespace

void ODLogTimeStamp(int hour, int minute, int second, char (&out)[16])
{
    // One- and two-digit hours take the same width, so times line up.
    std::snprintf(out, sizeof out, "> %2d:%02d:%02d  ", hour % 100, minute % 100, second % 100);
}

bool ODLogFormatWorkString(const char* format, ...)
{
    std::va_list args;
    va_start(args, format);
    int length = std::vsnprintf(szODWorkString, sizeof szODWorkString, format, args);
    va_end(args);
    if (length < 0 || static_cast<std::size_t>(length) >= OD_WORK_STRING_SIZE) {
        szODWorkString[0] = '\0';
        od_control.error_code = OD_ERR_LIMIT;
        return false;
    }
    return true;
}

bool od_log_open()
{
    ODApiCall call;
    if (!call.allowed())
        return false;
    return open_log();
}

bool ODLogEnable()
{
    return od_log_open();
}

bool od_log_write(const char* text)
{
    ODApiCall call;
    if (!call.allowed())
        return false;
    if (text == nullptr) {
        od_control.error_code = OD_ERR_PARAMETER;
        return false;
    }
    if (od_control.logging_disabled)
        return true;
    if (!open_log())
        return false;
    if (!write_event(text)) {
        od_control.error_code = OD_ERR_GENERALFAILURE;
        return false;
    }
    return true;
}

bool ODLogWriteStandardMsg(int message)
{
    if (message < 0 || message > kEnteringMessage) {
        od_control.error_code = OD_ERR_PARAMETER;
        return false;
    }
    if (!od_log_write(message_text(message)))
        return false;
    if (message != 8)
        return true;
    char reason[kChatReasonLineLength + 1];
    if (!ODLogFormatWorkString(message_text(kChatReasonMessage), od_control.chat_reason))
        return false;
    ODCopyField(reason, szODWorkString);
    return od_log_write(reason);
}

bool ODLogClose(int errorlevel)
{
    if (logfile_pointer == nullptr)
        return true;
    bool ok = true;
    if (!od_control.logging_disabled) {
        if (bPreOrExit)
            ok = write_event(message_text(kCallbackExitMessage));
        else if (btExitReason >= 1 && btExitReason <= 5)
            ok = write_event(message_text(btExitReason - 1));
        else
            ok = ODLogFormatWorkString(message_text(kErrorlevelExitMessage), errorlevel) &&
                 write_event(szODWorkString);
    }
    int saved = errno;
    if (std::fclose(logfile_pointer) != 0 && ok) {
        ok = false;
        saved = errno;
    }
    logfile_pointer = nullptr;
    pfLogWrite = nullptr;
    pfLogClose = nullptr;
    if (!ok) {
        od_control.error_code = OD_ERR_GENERALFAILURE;
        errno = saved;
    }
    return ok;
}
