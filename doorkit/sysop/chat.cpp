// Chat mode: the sysop and the caller type to each other, each in a colour
// of their own, with word wrap.
#include <algorithm>

#include "doorkit/doorkit.h"
#include "doorkit/core/api_sync.h"
#include "doorkit/kernel/kernel.h"
#include "doorkit/sysop/sysop.h"

std::uint8_t bChatted = 0;

namespace {

constexpr int kWrapColumn = 75;
constexpr int kLongestWord = 70;
constexpr std::uint32_t kPollMS = 25;
constexpr int kLogChatStart = 9;
constexpr int kLogChatEnd = 10;
constexpr int kEscape = 27;
constexpr int kBackspace = 8;
constexpr int kDelete = 127;

bool bInChat = false;

// The chat's line: the column reached and the word being typed, which
// moves to the next line whole when it would not fit.
struct ChatLine {
    int column = 0;
    char word[kLongestWord]{};
    int word_length = 0;
    bool word_whole = true;  // false once the word outgrew the buffer

    void NewLine()
    {
        od_disp_str("\r\n");
        column = 0;
        StartWord();
    }

    void StartWord()
    {
        word_length = 0;
        word_whole = true;
    }

    void Wrap(char next)
    {
        // A space just ends the line; a word too long to keep is broken.
        if (next == ' ' || !word_whole || word_length == 0) {
            NewLine();
            return;
        }
        const auto count = static_cast<unsigned>(word_length);
        od_repeat('\b', count);
        od_repeat(' ', count);
        od_disp_str("\r\n");
        od_disp(word, word_length, true);
        column = word_length;
    }

    void Type(char character)
    {
        if (column >= kWrapColumn) {
            const bool space = character == ' ';
            Wrap(character);
            if (space)
                return;
        }
        od_putch(static_cast<unsigned char>(character));
        ++column;
        if (character == ' ') {
            StartWord();
        } else if (word_length < kLongestWord) {
            word[word_length++] = character;
        } else {
            word_whole = false;
        }
    }

    void Erase()
    {
        if (column == 0)
            return;
        od_disp_str("\b \b");
        --column;
        if (word_length > 0)
            --word_length;
    }
};

// Keys until the chat is ended (local ESC, a request, the session).
void ChatLoop()
{
    ChatLine line;
    while (od_control.chat_active && ODKrnlSessionRunning()) {
        tODTimer slice{};
        ODTimerStart(&slice, kPollMS);
        int key = 0;
        while ((key = od_get_key(false)) != 0) {
            const bool local = od_control.last_key_local != 0;
            if (local && key == kEscape) {
                od_control.chat_active = 0;
                break;
            }
            od_set_attrib(local ? od_control.chat_sysop_colour : od_control.chat_user_colour);
            if (key == '\r')
                line.NewLine();
            else if (key == kBackspace || key == kDelete)
                line.Erase();
            else if (key >= ' ')
                line.Type(static_cast<char>(key));
            if (!od_control.chat_active || !ODKrnlSessionRunning())
                break;
        }
        od_sleep(std::min(ODTimerLeft(&slice), kPollMS));
    }
}

}  // namespace

void od_chat()
{
    ODApiCall call;
    if (!call.allowed())
        return;
    // A chat started from inside a chat (by a hook) would never give the
    // first one back.
    if (bInChat) {
        od_control.error_code = OD_ERR_GENERALFAILURE;
        return;
    }
    bInChat = true;
    bChatted = 1;
    od_control.chat_active = 1;
    od_control.user_wants_chat = 0;
    const std::uint16_t saved = od_control.current_attribute;
    bForceStatusUpdate = 1;
    od_kernel();

    if (od_control.chat_hook != nullptr)
        od_control.chat_hook();
    if (od_control.chat_active && ODKrnlSessionRunning()) {
        od_set_attrib(od_control.chat_sysop_colour);
        ODSysopShow(od_control.prompt_texts.sysop_started_chat);
        ODSysopLog(kLogChatStart);
        ChatLoop();
    }

    od_set_attrib(od_control.chat_sysop_colour);
    ODSysopShow(od_control.prompt_texts.chat_ended);
    if (od_control.chat_end_hook != nullptr)
        od_control.chat_end_hook();
    ODSysopLog(kLogChatEnd);
    ODSysopRestoreColour(saved);
    od_control.chat_active = 0;
    bInChat = false;
}
