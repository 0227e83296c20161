// The public input calls: raw keys, decoded events, line input and answers.
#include <cctype>

#include "doorkit/doorkit.h"
#include "doorkit/core/api_sync.h"
#include "doorkit/input/key_decoder.h"
#include "doorkit/kernel/input_queue.h"
#include "doorkit/kernel/kernel.h"
#include "doorkit/transport/transport.h"

namespace {

constexpr std::uint32_t kSliceMS = 50;
constexpr char szBackspaceWithDelete[] = "\b \b";

// The next raw byte; 0 when none is waiting (wait false) or the session
// stopped. A terminal's CR LF yields one 13: line feeds are skipped.
int NextKey(bool wait)
{
    // Every call gets a kernel pass: here when a key is queued already,
    // otherwise the queue's wait runs it.
    if (ODInQueueWaiting(hODInputQueue))
        od_kernel();
    for (;;) {
        ODInputEvent event{};
        int result = ODInQueueGetNextEvent(hODInputQueue, &event, wait ? kSliceMS : 0);
        if (result == kODRCSuccess) {
            od_control.last_key_local = event.from_remote ? 0 : 1;
            if (event.key == 10)
                continue;
            return event.key;
        }
        if (!wait || result != kODRCTimeout || !ODInQueueCheckpoint())
            return 0;
    }
}

// A key read inside line or answer input; false once the session is over.
bool ReadKey(int* key)
{
    *key = NextKey(true);
    return *key != 0 || ODKrnlSessionRunning();
}

}  // namespace

int od_get_key(bool wait)
{
    ODApiCall call;
    if (!call.allowed())
        return 0;
    return NextKey(wait);
}

bool od_key_pending()
{
    ODApiCall call;
    if (!call.allowed())
        return false;
    od_kernel();
    if (!ODKrnlSessionRunning()) {
        od_control.error_code = OD_ERR_GENERALFAILURE;
        return false;
    }
    return ODInQueueWaiting(hODInputQueue);
}

void od_clear_keybuffer()
{
    ODApiCall call;
    if (!call.allowed())
        return;
    od_kernel();
    // A sequence the decoder is part way through is kept.
    ODInQueueEmpty(hODInputQueue);
    if (hSerialPort != nullptr)
        ODComClearInbound(hSerialPort);
}

bool od_get_input(ODInputEvent* event, std::uint32_t timeout_ms, std::uint16_t flags)
{
    ODApiCall call;
    if (!call.allowed())
        return false;
    ODInputLimit limit{timeout_ms == OD_NO_TIMEOUT ? ODInputLimit::kNone : ODInputLimit::kTimeout,
                       timeout_ms, 0};
    return ODGetInputCore(event, limit, flags);
}

bool od_get_input_until(ODInputEvent* event, std::uint32_t deadline_seconds,
                        std::uint16_t deadline_ms, std::uint16_t flags)
{
    ODApiCall call;
    if (!call.allowed())
        return false;
    if (event == nullptr || deadline_ms > 999) {
        od_control.error_code = OD_ERR_PARAMETER;
        return false;
    }
    ODInputLimit limit{ODInputLimit::kDeadline, 0,
                       static_cast<std::uint64_t>(deadline_seconds) * 1000u + deadline_ms};
    std::uint32_t seconds = 0;
    std::uint16_t milliseconds = 0;
    ODSessionTimeGet(&seconds, &milliseconds);
    if (static_cast<std::uint64_t>(seconds) * 1000u + milliseconds >= limit.deadline_ms)
        return false;
    return ODGetInputCore(event, limit, flags);
}

void od_input_str(char* buffer, int max_length, unsigned char min_char, unsigned char max_char)
{
    ODApiCall call;
    if (!call.allowed())
        return;
    if (buffer == nullptr || max_length < 1 || max_char < min_char) {
        od_control.error_code = OD_ERR_PARAMETER;
        return;
    }
    // The text stays terminated as it grows, so a session that ends part
    // way leaves what was typed so far.
    int length = 0;
    buffer[0] = '\0';
    for (;;) {
        int key = 0;
        if (!ReadKey(&key))
            return;
        if (key == 13 || key == 10) {
            od_disp_str("\r\n");
            return;
        }
        if (key == 8) {
            if (length > 0) {
                od_disp_str(szBackspaceWithDelete);
                buffer[--length] = '\0';
            }
            continue;
        }
        if (key != 0 && key >= min_char && key <= max_char && length < max_length) {
            od_putch(key);
            buffer[length++] = static_cast<char>(key);
            buffer[length] = '\0';
        }
    }
}

char od_get_answer(const char* allowed_keys)
{
    ODApiCall call;
    if (!call.allowed())
        return 0;
    if (allowed_keys == nullptr) {
        od_control.error_code = OD_ERR_PARAMETER;
        return 0;
    }
    for (;;) {
        int key = 0;
        if (!ReadKey(&key))
            return 0;
        const int folded = std::tolower(key);
        for (const char* p = allowed_keys; *p != '\0'; ++p) {
            if (std::tolower(static_cast<unsigned char>(*p)) == folded)
                return *p;
        }
    }
}
