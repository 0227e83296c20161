#include "doorkit/session/lifecycle.h"

#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "doorkit/doorkit.h"
#include "doorkit/bbsdev/bbsdev.h"
#include "doorkit/core/api_sync.h"
#include "doorkit/core/clock.h"
#include "doorkit/core/control.h"
#include "doorkit/core/prompt_texts.h"
#include "doorkit/core/stop_signal.h"
#include "doorkit/dropfile/dropfile.h"
#include "doorkit/dropfile/writeback.h"
#include "doorkit/kernel/input_queue.h"
#include "doorkit/kernel/kernel.h"
#include "doorkit/log/log.h"
#include "doorkit/reserve/reserve.h"
#include "doorkit/screen/local_screen.h"
#include "doorkit/screen/session_screen.h"
#include "doorkit/session/local_setup.h"
#include "doorkit/session/startup_report.h"
#include "doorkit/transport/transport.h"

namespace {

constexpr char kMemoryMessage[] = "Insufficient memory available to start up program.";
constexpr int kDefaultQueueSize = 256;
constexpr std::uint16_t kDefaultRxBuffer = 256;
constexpr std::uint16_t kDefaultTxBuffer = 3072;
constexpr std::uint16_t kMaxTimeLimit = 1440;
constexpr std::uint32_t kDrainMs = 10000;
constexpr std::uint32_t kCarrierDropWaitMs = 5000;
constexpr long kCarrierPollNs = 50L * 1000 * 1000;
constexpr int kCallbackExitLevel = 6;  // without the custom exit codes

bool bExitRunning = false;       // od_exit is in progress
bool bFillFromAccount = false;   // local session takes the OS account's name
bool bAtExitRegistered = false;

void free_drop_file_storage()
{
    for (char*& line : apszDropFileInfo) {
        std::free(line);
        line = nullptr;
    }
    ODBBSDevFree();
}

// Releases what od_init has set up, in shutdown order; a failed start leaves
// the terminal as it was and nothing allocated.
void release_session_resources()
{
    ODSessionScreenShutdown();
    ODScrnShutdown();
    if (hSerialPort != nullptr) {
        if (hSerialPort->is_open)
            ODComClose(hSerialPort);
        ODComFree(hSerialPort);
        hSerialPort = nullptr;
    }
    ODInQueueFree(hODInputQueue);
    hODInputQueue = nullptr;
    free_drop_file_storage();
}

[[noreturn]] void fail_startup(const char* message)
{
    ODInitError(message);
    ODReportStartupFailure(message);
    release_session_resources();
    // The exit callback must find nothing left to end.
    bODInitialized = 0;
    ODProcessExit(ODStartupFailureLevel());
}

bool allocate_line_buffers()
{
    for (char*& line : apszDropFileInfo) {
        line = static_cast<char*>(std::calloc(DROP_FILE_INFO_SIZE, 1));
        if (line == nullptr)
            return false;
    }
    return true;
}

// Decimal value of an environment variable's leading digits (after blanks
// and a plus sign), 65535 at most.
std::uint16_t node_from_text(const char* text)
{
    const char* p = text;
    while (*p == ' ' || *p == '\t')
        ++p;
    if (*p == '+')
        ++p;
    unsigned long value = 0;
    for (; *p >= '0' && *p <= '9'; ++p) {
        value = value * 10 + static_cast<unsigned long>(*p - '0');
        if (value > 65535)
            return 65535;
    }
    return static_cast<std::uint16_t>(value);
}

void choose_node_number()
{
    if (const char* task = std::getenv("TASK"))
        od_control.node_number = node_from_text(task);
    else if (const char* sbbs = std::getenv("SBBSNNUM"))
        od_control.node_number = node_from_text(sbbs);
    else if (wODNodeNumber != 65535)
        od_control.node_number = wODNodeNumber;
    else if (od_control.node_number == 0)
        od_control.node_number = 1;
}

void fill_caller_defaults()
{
    if (od_control.drop_file_kind == OD_DROP_PRESET) {
        if (od_control.user_time_left == 0)
            od_control.user_time_left = 60;
        if (od_control.port == 65535)
            od_control.baud = 1;
        return;
    }
    od_control.user_avatar = 0;
    od_control.user_rip = 0;
    od_control.user_attribute = 0x06;
    if (od_control.user_screen_length == 0)
        od_control.user_screen_length = 23;
    if (od_control.user_screen_width == 0)
        od_control.user_screen_width = 80;
    od_control.page_duration = 15;
}

// A BBS that asks for a socket in its drop file but hands none over starts
// the door on its own standard input and output (a pty), so that is where
// the caller is: run over stdio, without Telnet processing.
void use_stdio_without_handed_socket()
{
    if (!od_control.socket_mode || od_control.open_handle != 0)
        return;
    od_control.socket_mode = 0;
    bTelnetSocket = 0;
    if (od_control.com_method == kComMethodSocket)
        od_control.com_method = kComMethodStdIO;
}

void read_session_source()
{
    if (od_control.disable_flags & OD_DISABLE_DROPFILE) {
        od_control.drop_file_kind = OD_DROP_NONE;
        return;
    }
    if (const char* bbsdev = std::getenv("BBSDEV_DRP")) {
        if (!ODInitReadBBSDevDropFile(bbsdev))
            fail_startup("Unable to read or validate BBSDEV.DRP.");
        od_control.drop_file_kind = OD_DROP_BBSDEV;
        return;
    }
    if (od_control.local_mode) {
        ODInitLocalSetup();
        return;
    }
    if (od_control.drop_file_kind == OD_DROP_PRESET)
        return;
    // How the caller is connected is only taken from a drop file that was
    // read whole: a damaged DOOR32.SYS must not turn the session into a
    // local one run as the system account, nor adopt a descriptor.
    const std::uint8_t local_before = od_control.local_mode;
    const std::uint8_t socket_before = od_control.socket_mode;
    const std::uint64_t handle_before = od_control.open_handle;
    const std::uint8_t telnet_before = bTelnetSocket;
    if (ODInitReadSystemDropFile()) {
        use_stdio_without_handed_socket();
        return;
    }
    od_control.local_mode = local_before;
    od_control.socket_mode = socket_before;
    od_control.open_handle = handle_before;
    bTelnetSocket = telnet_before;

    od_control.drop_file_kind = OD_DROP_NONE;
    if (od_control.no_drop_file_hook != nullptr)
        od_control.no_drop_file_hook();
    if (od_control.local_mode) {
        ODInitLocalSetup();
        return;
    }
    if (od_control.drop_file_kind != OD_DROP_NONE)
        return;
    if ((wPreSetInfo & (PRESET_BPS | PRESET_PORT)) == (PRESET_BPS | PRESET_PORT))
        return;
    fail_startup("Unable to read door information (drop) file.");
}

void fill_display_defaults()
{
    if (od_control.chat_sysop_colour == 0)
        od_control.chat_sysop_colour = 12;
    if (od_control.chat_user_colour == 0)
        od_control.chat_user_colour = 15;
    if (od_control.popup_colour == 0)
        od_control.popup_colour = 25;
    if (od_control.page_prompt_colour == 0)
        od_control.page_prompt_colour = 15;
    od_control.page_mode = 2;
    od_control.page_start_minute = 480;
    od_control.page_end_minute = 1320;
    od_control.always_clear_screen = 1;
    od_control.inactivity_seconds = 200;
    od_control.inactivity_warning_seconds = 10;
    od_control.current_attribute = 0xFFFF;
    od_control.clear_on_exit = 1;
    od_control.colour_byte_delimiter = 0;
    od_control.colour_name_delimiter = '`';
    od_control.prompt_texts = ODDefaultPromptTexts;
}

void apply_time_cap()
{
    nInitialRemaining = od_control.user_time_left;
    const int cap = od_control.max_time;
    if (cap >= 1 && cap <= kMaxTimeLimit && od_control.user_time_left > cap) {
        od_control.time_withheld = static_cast<std::uint16_t>(od_control.user_time_left - cap);
        od_control.user_time_left = static_cast<std::int16_t>(cap);
    }
}

void apply_forced_speed()
{
    dwFileBPS = od_control.baud;
    // A drop file that reports a local session keeps speed 0 unless the
    // application insists.
    if (dwForcedBPS != 1 &&
        ((od_control.disable_flags & OD_DISABLE_FORCE_BPS_LOCAL) || od_control.baud != 0))
        od_control.baud = dwForcedBPS;
}

void choose_preferred_method()
{
    if (std::uint32_t method = ODBBSDevComMethod(); method != 0)
        ODComSetPreferredMethod(hSerialPort, static_cast<int>(method));
    else if (od_control.socket_mode)
        ODComSetPreferredMethod(hSerialPort, bTelnetSocket ? kComMethodTelnet : kComMethodSocket);
}

std::uint8_t fifo_setting()
{
    if (od_control.no_fifo)
        return 0;
    switch (od_control.fifo_trigger) {
    case 1:
        return 0x01;
    case 4:
        return 0x41;
    case 8:
        return 0x81;
    case 14:
        return 0xC1;
    default:
        od_control.fifo_trigger = 4;
        return 0x41;
    }
}

void configure_port()
{
    if (od_control.flow_control == 1)
        ODComSetFlowControl(hSerialPort, 2);
    else if (od_control.flow_control == 2)
        ODComSetFlowControl(hSerialPort, 0);
    const long port = nForcedPort != -1 ? nForcedPort : od_control.port;
    ODComSetPort(hSerialPort, static_cast<std::uint8_t>(port & 0xFF));
    if (od_control.port_address != 0)
        ODComSetPortAddress(hSerialPort, od_control.port_address);
    if ((od_control.port_irq >= 1 && od_control.port_irq <= 14) ||
        ODBBSDevComMethod() == static_cast<std::uint32_t>(kComMethodUART))
        ODComSetIRQ(hSerialPort, od_control.port_irq);
    ODComSetSpeed(hSerialPort, (od_control.disable_flags & OD_DISABLE_SET_BPS)
                                   ? 0L
                                   : static_cast<long>(od_control.baud));
    if (od_control.no_fossil)
        ODComSetPreferredMethod(hSerialPort, kComMethodUART);
    if (od_control.rx_buffer_size == 0)
        od_control.rx_buffer_size = kDefaultRxBuffer;
    if (od_control.tx_buffer_size == 0)
        od_control.tx_buffer_size = kDefaultTxBuffer;
    ODComSetRXBuf(hSerialPort, od_control.rx_buffer_size);
    ODComSetTXBuf(hSerialPort, od_control.tx_buffer_size);
    ODComSetFIFO(hSerialPort, fifo_setting());
}

void open_port()
{
    switch (ODComOpen(hSerialPort)) {
    case kODRCSuccess:
        return;
    case kODRCUnknownAddress:
        fail_startup("Serial port address is unknown, cannot continue.");
    case kODRCNoUART:
        fail_startup("No UART at specified port address, cannot continue.\n");
    case kODRCNoMemory:
        fail_startup(kMemoryMessage);
    default:
        fail_startup("Unable to access serial port, cannot continue.\n");
    }
}

void start_transport()
{
    if (ODComAlloc(&hSerialPort) != kODRCSuccess) {
        hSerialPort = nullptr;
        fail_startup(kMemoryMessage);
    }
    choose_preferred_method();

    if (od_control.open_handle != 0 || ODBBSDevHasOpenHandle()) {
        const std::uint64_t handle = ODBBSDevHasOpenHandle()
                                         ? static_cast<std::uint64_t>(ODBBSDevOpenHandle())
                                         : od_control.open_handle;
        // A number no descriptor can have is refused rather than cut down
        // to some other descriptor of this process.
        if (handle > static_cast<std::uint64_t>(INT_MAX) ||
            ODComOpenFromExistingHandle(hSerialPort, static_cast<long>(handle)) != kODRCSuccess)
            fail_startup("Unable to use provided serial port handle.");
    } else {
        configure_port();
        open_port();
    }

    ODComSetDTR(hSerialPort, true);
    int method = 0;
    ODComGetMethod(hSerialPort, &method);
    if (method < kComMethodFossil || method > kComMethodStdIO)
        fail_startup("No method of accessing serial port, cannot continue.\n");
    od_control.com_method = static_cast<std::uint8_t>(method);
}

void start_screens()
{
    if (od_control.baud == 0)
        od_control.silent_mode = 0;
    if (ODScrnInitialize() != 0) {
        od_control.error_code = OD_ERR_GENERALFAILURE;
        fail_startup("Unable to initialize the door kit local display.");
    }
    ODScrnSetBoundary(1, 1, OD_SCREEN_WIDTH, OD_SCREEN_HEIGHT);
    ODSessionScreenInitialize(OD_SCREEN_WIDTH, OD_SCREEN_HEIGHT);
    if (!bAtExitRegistered) {
        bAtExitRegistered = true;
        std::atexit(ODAtExitCallback);
    }
    if (od_control.user_rip)
        od_clr_scr();
}

void fill_final_defaults()
{
    if (od_control.connect_speed == 0)
        od_control.connect_speed = od_control.baud;
    for (int i = 0; i < OD_LOG_MESSAGE_COUNT; ++i) {
        if (od_control.log_messages[i] == nullptr)
            od_control.log_messages[i] = ODDefaultLogMessages[i];
    }
    if (od_control.log_file_name[0] == '\0')
        ODCopyField(od_control.log_file_name, "DOOR.LOG");
}

void finish_init()
{
    eODLifecycleState = OD_STATE_ACTIVE;
    if (bODExitRequestedDuringInitialization) {
        bODExitRequestedDuringInitialization = 0;
        od_exit(static_cast<int>(nODPendingExitErrorLevel), bODPendingExitTermCall != 0);
    }
}

// Time accounting and the pending exit, once per session.
void exit_prologue(int errorlevel, bool term_call)
{
    od_control.user_time_left =
        static_cast<std::int16_t>(od_control.user_time_left + od_control.time_withheld);
    if (std::uint16_t minutes = 0; ODMinutesSinceStartup(&minutes)) {
        od_control.user_time_used = static_cast<std::uint16_t>(
            static_cast<std::uint16_t>(nInitialRemaining) + od_control.user_time_used -
            static_cast<std::uint16_t>(od_control.user_time_left) - minutes);
    }
    od_control.baud = dwFileBPS;
    if (od_control.before_exit_hook != nullptr)
        od_control.before_exit_hook();
    nODPendingExitErrorLevel = static_cast<std::uint32_t>(errorlevel);
    bODPendingExitTermCall = term_call ? 1 : 0;
    bODPendingExitNoExit = od_control.exit_without_terminating ? 1 : 0;
    bODExitPrologueComplete = 1;
}

void sleep_briefly()
{
    // od_sleep refuses to sleep while the kit shuts down.
    timespec pause{0, kCarrierPollNs};
    nanosleep(&pause, nullptr);
}

void hang_up()
{
    ODWaitDrain(kDrainMs);
    // Without a line to drop, waiting for the carrier to go is pointless.
    if (ODComSetDTR(hSerialPort, false) == kODRCSuccess) {
        tODTimer wait{};
        ODTimerStart(&wait, kCarrierDropWaitMs);
        for (;;) {
            bool present = false;
            ODComCarrier(hSerialPort, &present);
            if (!present || ODTimerElapsed(&wait))
                break;
            sleep_briefly();
        }
    }
    ODComSetDTR(hSerialPort, true);
}

static_assert(OD_END_CARRIER_LOST == int{OD_EXIT_REASON_CARRIER} &&
                  OD_END_SYSOP_HANGUP == int{OD_EXIT_REASON_LOCKOUT} &&
                  OD_END_TIME_UP == int{OD_EXIT_REASON_TIME} &&
                  OD_END_INACTIVITY == int{OD_EXIT_REASON_INACTIVITY},
              "the kernel's reasons are told to the application as they are");

// Why this session ends, for session_end_hook: a stop signal says more than
// the carrier loss the kernel makes of it.
int session_end_reason()
{
    switch (ODStopSignalNumber()) {
    case 0:
        break;
    case SIGHUP:
        return OD_END_HANGUP_SIGNAL;
    default:
        return OD_END_STOP_SIGNAL;
    }
    if (btExitReason >= OD_END_CARRIER_LOST && btExitReason <= OD_END_SYSOP_RETURN)
        return btExitReason;
    return OD_END_BY_APPLICATION;
}

void reset_local_screen(void* popup)
{
    ODScrnRemoveMessage(popup);
    ODScrnSetBoundary(1, 1, OD_SCREEN_WIDTH, OD_SCREEN_HEIGHT);
    ODScrnSetAttribute(7);
    if (od_control.clear_on_exit)
        ODScrnClear();
    else
        ODScrnSetCursorPos(1, 1);
}

}  // namespace

void od_init()
{
    if (eODLifecycleState > OD_STATE_ACTIVE) {
        od_control.error_code = OD_ERR_GENERALFAILURE;
        return;
    }
    if (bIsCallbackActive || bODInitialized)
        return;

    ODBBSDevClearSession();
    bTelnetSocket = 0;

    if (ODSyncSessionInitialize() != 0) {
        od_control.error_code = OD_ERR_GENERALFAILURE;
        ODInitError("Unable to initialize door kit synchronization.");
        ODReportStartupFailure("Unable to initialize door kit synchronization.");
        return;
    }

    bODInitialized = 1;
    eODLifecycleState = OD_STATE_STARTING;
    ODSessionTimeInitialize();

    if (od_control.program_name[0] == '\0')
        ODCopyField(od_control.program_name, "Door Kit");
    for (int i = 0; i < OD_COLOUR_NAME_COUNT; ++i) {
        if (od_control.colour_names[i][0] == '\0')
            ODCopyField(od_control.colour_names[i], ODDefaultColourNames[i]);
    }

    if (od_control.baud != 0)
        dwForcedBPS = od_control.baud;
    if (od_control.port != 0)
        nForcedPort = od_control.port;

    if (od_control.config_hook != nullptr) {
        od_control.config_hook();
        if (bODInitialized)
            finish_init();
        return;
    }

    nStartupUnixTime = std::time(nullptr);
    if (!allocate_line_buffers())
        fail_startup(kMemoryMessage);

    choose_node_number();
    fill_caller_defaults();

    const int capacity = od_control.input_queue_size != 0 ? od_control.input_queue_size
                                                          : kDefaultQueueSize;
    if (ODInQueueAlloc(&hODInputQueue, capacity) != kODRCSuccess)
        fail_startup(kMemoryMessage);
    od_control.user_keyboard_on = 1;

    read_session_source();
    fill_display_defaults();
    apply_time_cap();

    if (od_control.sysop_name[0] == '\0')
        ODCopyField(od_control.sysop_name, "Sysop");
    bFillFromAccount = false;
    if (od_control.local_mode && od_control.user_name[0] == '\0') {
        if (!(od_control.disable_flags & OD_DISABLE_OS_ACCOUNT))
            bFillFromAccount = true;
        ODCopyField(od_control.user_name, od_control.sysop_name);
    }

    apply_forced_speed();

    if (ODReserveSessionInitialize() != 0)
        fail_startup("Unable to initialize shared reservations.");

    start_transport();
    start_screens();

    if (ODKrnlInitialize() != 0) {
        od_control.error_code = OD_ERR_GENERALFAILURE;
        bODInitialized = 0;
        ODInitError("Unable to start the door kit kernel.");
        ODReportStartupFailure("Unable to start the door kit kernel.");
        return;
    }

    ODBBSDevApplyTimeLimit();
    if (bFillFromAccount)
        ODInitFillFromAccount();

    fill_final_defaults();
    if (od_control.after_init_hook != nullptr)
        od_control.after_init_hook();
    finish_init();
}

void od_exit(int errorlevel, bool term_call)
{
    if (eODLifecycleState == OD_STATE_STARTING) {
        if (!bODExitRequestedDuringInitialization) {
            bODExitRequestedDuringInitialization = 1;
            nODPendingExitErrorLevel = static_cast<std::uint32_t>(errorlevel);
            bODPendingExitTermCall = term_call ? 1 : 0;
        }
        return;
    }
    if (eODLifecycleState == OD_STATE_EXIT_DEFERRED || eODLifecycleState == OD_STATE_SHUT_DOWN) {
        od_control.error_code = OD_ERR_GENERALFAILURE;
        return;
    }
    if (bExitRunning)
        return;
    bExitRunning = true;

    if (eODLifecycleState == OD_STATE_NOT_STARTED) {
        bODExitRequestedDuringInitialization = 1;
        nODPendingExitErrorLevel = static_cast<std::uint32_t>(errorlevel);
        bODPendingExitTermCall = term_call ? 1 : 0;
        od_init();
        bODExitRequestedDuringInitialization = 0;
        if (eODLifecycleState != OD_STATE_ACTIVE || !bODInitialized) {
            bExitRunning = false;
            return;
        }
    }

    const bool nested = ODSyncAPIIsNested();
    ODSyncAPIEntry();

    if (!bODExitPrologueComplete) {
        exit_prologue(errorlevel, term_call);
        if (od_control.exit_without_terminating && nested) {
            // The outermost kit call carries the exit out when it returns.
            bExitRunning = false;
            eODLifecycleState = OD_STATE_EXIT_DEFERRED;
            ODSyncAPIExit();
            return;
        }
    }

    eODLifecycleState = OD_STATE_SHUTTING_DOWN;
    // The caller gets the last screen before the door writes its files and
    // hangs up; closing the port sends anything shown after this.
    ODCoreFlushRemote();
    ODReserveSessionShutdown();

    void* popup = ODScrnShowMessage(term_call ? od_control.prompt_texts.hangup_popup
                                              : od_control.prompt_texts.exit_popup);

    ODWriteDropFiles(term_call);
    free_drop_file_storage();

    if (pfLogClose != nullptr)
        pfLogClose(errorlevel);
    if (od_control.session_end_hook != nullptr)
        od_control.session_end_hook(errorlevel, session_end_reason());

    if (od_control.baud != 0 && term_call && hSerialPort != nullptr && hSerialPort->is_open)
        hang_up();

    reset_local_screen(popup);

    ODKrnlShutdown();
    // The port is closed even without a remote side: it was opened either
    // way, and closing puts the terminal back as it was found.
    release_session_resources();

    bODInitialized = 0;
    bExitRunning = false;
    eODLifecycleState = OD_STATE_SHUT_DOWN;
    bODExitPrologueComplete = 0;

    if (!bODPendingExitNoExit && !bPreOrExit)
        ODProcessExit(errorlevel);
    // An application that goes on without its session gets its signals back.
    if (!bPreOrExit)
        ODStopSignalsRestore();
    ODSyncAPIExit();
}

void ODAtExitCallback()
{
    if (!bODInitialized)
        return;
    bPreOrExit = 1;
    od_exit(od_control.errorlevels[OD_LEVEL_USE_TABLE]
                ? od_control.errorlevels[OD_LEVEL_NORMAL_EXIT]
                : kCallbackExitLevel,
            false);
}
