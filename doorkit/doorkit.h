// The door kit's public interface: the process-wide control record and the
// od_* calls an application makes to run one caller's session.
#ifndef DOORKIT_DOORKIT_H
#define DOORKIT_DOORKIT_H

#include <cstdint>

// error_code values: the reason for the last failed kit call.
enum : std::uint16_t {
    OD_ERR_NONE = 0,
    OD_ERR_MEMORY = 1,       // out of memory
    OD_ERR_NOGRAPHICS = 2,   // the call needs ANSI or AVATAR mode
    OD_ERR_PARAMETER = 3,    // bad parameter
    OD_ERR_FILEOPEN = 4,     // a file could not be opened
    OD_ERR_LIMIT = 5,        // a text or internal limit was exceeded
    OD_ERR_FILEREAD = 6,     // damaged reservation file
    OD_ERR_NOREMOTE = 7,     // the call needs a remote connection
    OD_ERR_GENERALFAILURE = 8,  // not allowed now, or a file/lock/transport failure
    OD_ERR_UNSUPPORTED = 11, // not supported on this platform
};

// drop_file_kind values: which drop file supplied the session.
enum : std::uint8_t {
    OD_DROP_DORINFO = 0,
    OD_DROP_EXITINFO_SHORT = 1,
    OD_DROP_EXITINFO_EXTENDED = 2,
    OD_DROP_CHAINTXT = 3,
    OD_DROP_SFDOORS = 4,
    OD_DROP_CALLINFO = 5,
    OD_DROP_DOORSYS_SHORT = 6,
    OD_DROP_DOORSYS_NOCOM = 7,
    OD_DROP_EXITINFO_MEDIUM = 8,
    OD_DROP_PRESET = 9,
    OD_DROP_DOORSYS = 10,
    OD_DROP_EXITINFO_RA2 = 11,
    OD_DROP_TRIBBSSYS = 12,
    OD_DROP_DOOR32SYS = 13,
    OD_DROP_BBSDEV = 14,
    OD_DROP_NONE = 100,
};

// disable_flags bits.
enum : std::uint16_t {
    OD_DISABLE_DROPFILE = 0x0001,
    OD_DISABLE_CARRIER = 0x0002,
    OD_DISABLE_TIMELIMIT = 0x0004,
    OD_DISABLE_FORCE_BPS_LOCAL = 0x0008,
    OD_DISABLE_SET_BPS = 0x0010,
    OD_DISABLE_LOCAL_KEYBOARD = 0x0020,
    OD_DISABLE_OS_ACCOUNT = 0x0100,
};

// errorlevels entries: [0] switches the custom table on.
enum : int {
    OD_LEVEL_USE_TABLE = 0,
    OD_LEVEL_STARTUP_FAILURE = 1,
    OD_LEVEL_CARRIER_LOST = 2,
    OD_LEVEL_LOCKOUT = 3,
    OD_LEVEL_TIME_UP = 4,
    OD_LEVEL_INACTIVITY = 5,
    OD_LEVEL_SYSOP_DROP = 6,
    OD_LEVEL_NORMAL_EXIT = 7,
};

// Why a session ended, as session_end_hook is told.
enum : int {
    OD_END_BY_APPLICATION = 0,  // the application called od_exit
    OD_END_CARRIER_LOST = 1,
    OD_END_SYSOP_HANGUP = 2,    // the sysop hung up or locked the caller out
    OD_END_TIME_UP = 3,
    OD_END_INACTIVITY = 4,
    OD_END_SYSOP_RETURN = 5,    // the sysop returned the caller to the BBS
    OD_END_HANGUP_SIGNAL = 6,   // SIGHUP: the caller's line hung up
    OD_END_STOP_SIGNAL = 7,     // SIGTERM or SIGINT: the BBS stopped the door
};

// Texts of chat, paging, the status line and the kernel's warnings; od_init
// fills every entry, the application may replace them afterwards.
struct od_prompt_texts {
    const char* chat_ended;
    const char* wait_ended;
    const char* sysop_started_chat;
    const char* please_wait;
    const char* chat_reason_question;
    const char* more_prompt;
    char page_pause_keys[3];  // 'y', 'n', '='
    const char* day_names[7];
    const char* hangup_popup;
    const char* exit_popup;
    const char* sysop_key_help;
    const char* kit_banner;
    const char* inactivity_hangup;
    const char* inactivity_warning;
    const char* month_names[12];
    const char* keyboard_off;
    const char* sysop_unavailable;
    const char* no_page_response;
    const char* time_used_up;
    const char* offline_marker;
    const char* paging;
    const char* press_enter;
    const char* rip_file;
    const char* status_line1;
    const char* status_caller;
    const char* status_line2;
    const char* sysop_next_marker;
    const char* minutes;
    const char* time_warning;
    const char* want_chat_marker;
};

constexpr int OD_LOG_MESSAGE_COUNT = 14;
constexpr int OD_COLOUR_NAME_COUNT = 12;
constexpr int OD_MENU_STACK_DEPTH = 50;

// The control record. Zero-initialised; the application may pre-set fields
// before od_init, which fills defaults only where a field is still empty.
struct od_control_record {
    // Connection
    char drop_file_dir[60];
    std::uint32_t baud;  // 0 = no remote side; 1 = remote without a line speed
    std::uint32_t connect_speed;
    std::uint16_t port_address;
    std::uint8_t port_irq;
    std::uint8_t com_method;
    std::uint8_t flow_control;
    std::uint16_t rx_buffer_size;
    std::uint16_t tx_buffer_size;
    std::uint8_t fifo_trigger;
    std::uint8_t no_fifo;
    std::uint8_t no_fossil;
    std::uint8_t socket_mode;
    std::uint16_t port;  // COM1 = 0; 65535 = no serial port
    std::uint64_t open_handle;
    std::uint8_t cp437_to_utf8;

    // BBS
    char system_name[40];
    char sysop_name[40];
    std::uint32_t system_calls;
    char system_last_caller[36];
    char timelog_start_date[9];
    std::uint16_t timelog_busy_per_hour[24];
    std::uint16_t timelog_busy_per_day[7];

    // Caller
    char user_name[36];
    char user_location[26];
    char user_password[16];
    char user_data_phone[16];
    char user_home_phone[16];
    char user_last_time[6];
    char user_last_date[9];
    std::uint8_t user_attribute;
    std::uint8_t user_flags[4];
    std::uint32_t user_credit;
    std::uint32_t user_pending;
    std::uint16_t user_messages_posted;
    std::uint32_t user_last_read;
    std::uint16_t user_security;
    std::uint32_t user_times_on;
    std::uint32_t user_uploads;
    std::uint32_t user_downloads;
    std::uint32_t user_upload_kb;
    std::uint32_t user_download_kb;
    std::uint32_t user_today_kb;
    std::uint16_t user_time_used;
    std::uint16_t user_screen_length;
    std::uint8_t user_last_password_change;
    std::uint8_t user_attribute2;
    std::uint16_t user_group;

    // Event
    std::uint8_t event_status;
    char event_start_time[6];
    std::uint8_t event_errorlevel;
    std::uint8_t event_days;
    std::uint8_t event_forced;
    char event_last_run[9];

    // Caller
    std::uint8_t user_netmail_entered;
    std::uint8_t user_echomail_entered;
    char user_login_time[6];
    char user_login_date[9];
    std::int16_t user_time_left;
    std::uint32_t user_login_seconds;
    std::uint32_t user_credit_left;
    std::uint16_t user_record_number;
    std::uint16_t user_read_through;
    std::uint16_t user_page_times;
    std::uint16_t user_download_limit;
    char user_time_of_creation[6];
    char user_logon_password[16];
    std::uint8_t user_wants_chat;
    std::uint8_t user_ansi;
    std::uint16_t menu_last_area;
    char menu_stack[OD_MENU_STACK_DEPTH][9];
    std::uint8_t menu_stack_pointer;
    char user_handle[36];
    char user_comment[80];
    char user_first_date[9];
    std::uint8_t user_combined_info[200];
    char user_birth_date[9];
    char user_subscription_date[9];
    std::uint8_t user_screen_width;
    std::uint8_t user_language;
    std::uint8_t user_date_format;
    char user_forward_to[36];
    std::uint8_t user_error_free;
    std::uint8_t sysop_next;
    std::uint8_t emsi_session;
    char emsi_crt_def[41];
    char emsi_protocols[41];
    char emsi_capabilities[41];
    char emsi_requests[41];
    char emsi_software[41];
    std::uint16_t hold_attributes;
    std::uint8_t hold_length;
    char chat_reason[78];
    char user_callsign[12];
    std::uint16_t user_msg_area;
    std::uint16_t user_file_area;
    std::uint8_t user_default_protocol;
    std::uint16_t user_file_group;
    std::uint8_t user_last_dob_check;
    std::uint8_t user_sex_code;
    std::uint8_t user_sex;  // 'M' or 'F'
    std::uint16_t user_xi_record;
    std::uint8_t user_avatar;
    char user_organisation[51];
    char user_address[3][51];
    std::uint32_t user_password_crc;
    std::uint32_t user_logon_password_crc;
    char last_cost_menu[9];
    std::uint16_t menu_cost_per_minute;
    std::uint8_t user_rip;
    std::uint8_t user_rip_version;
    std::uint8_t user_attribute3;
    std::uint8_t user_expert;
    char system_last_handle[36];

    // Session
    std::uint8_t drop_file_kind;
    std::uint8_t exitinfo_present;
    std::uint16_t node_number;
    std::uint8_t always_clear_screen;
    std::uint8_t local_mode;
    std::uint8_t chat_active;
    std::uint16_t error_code;
    std::uint8_t last_key_local;
    std::uint8_t logging_disabled;
    char log_file_name[80];

    // Limits
    std::uint16_t max_time;
    std::uint16_t time_withheld;
    std::uint8_t page_mode;
    std::uint16_t page_start_minute;
    std::uint16_t page_end_minute;
    std::uint8_t user_keyboard_on;
    std::uint16_t current_attribute;  // 0xFFFF = unknown

    // Hooks
    void (*config_hook)();
    char* config_file_name;

    // Output
    std::uint8_t colour_byte_delimiter;
    std::uint8_t colour_name_delimiter;
    char colour_names[OD_COLOUR_NAME_COUNT][33];
    std::uint8_t clear_on_exit;

    // Hooks
    bool (*cmdline_option_check)(const char* option);
    void (*cmdline_option_handler)(const char* option, const char* value);
    void (*cmdline_help_hook)();

    // Options
    std::uint8_t rip_keep_windows;
    std::uint16_t disable_flags;
    std::uint8_t inactivity_check_off;
    std::uint8_t errorlevels[8];
    std::uint8_t full_colour_codes;
    std::uint8_t puttext_flag;
    std::uint16_t input_queue_size;
    std::int16_t inactivity_seconds;
    std::int16_t inactivity_warning_seconds;

    // Hooks
    void (*after_init_hook)();

    // Texts
    const char* log_messages[OD_LOG_MESSAGE_COUNT];

    // Options
    std::uint8_t exit_without_terminating;
    std::uint8_t page_duration;

    // Program
    char program_name[40];
    char program_version[40];

    // Options
    std::uint8_t silent_mode;
    std::uint8_t kernel_started;

    // Hooks
    void (*no_drop_file_hook)();
    void (*before_exit_hook)();
    void (*chat_hook)();
    void (*chat_end_hook)();
    void (*kernel_hook)();
    void (*message_hook)(const char* text);

    // Texts
    od_prompt_texts prompt_texts;
    const char* help_text;

    // Colours
    std::uint8_t chat_sysop_colour;
    std::uint8_t chat_user_colour;
    std::uint8_t popup_colour;
    std::uint8_t page_prompt_colour;

    // Hooks for the application's own records, since a BBS may discard
    // standard error. startup_failure_hook: the message a failed start
    // printed and where the drop file was looked for ("" when that does not
    // apply), just before the process ends. session_end_hook: the exit
    // status and why (OD_END_*), once the exit files are written back.
    void (*startup_failure_hook)(const char* message, const char* drop_file);
    void (*session_end_hook)(int errorlevel, int reason);
};

extern od_control_record od_control;

// Session lifecycle.
void od_init();
void od_exit(int errorlevel, bool term_call);
const char* od_get_user_id();
od_control_record* od_control_get();
bool od_set_port(std::uint32_t port);
bool od_get_user_8bit();
bool od_set_user_8bit(bool eight_bit);

// Drop-file texts in name form: lower case, each word capitalised, one
// trailing line ending removed ("JOHN o'NEIL-SMITH" -> "John O'neil-Smith").
void ODStringToName(char* text);

// Command line.
void od_parse_cmd_line(int argc, char* argv[]);
char** od_split_cmd_line(const char* line, int* argc);
void od_free_split_cmd_line(char** argv);

// Connection.
bool od_carrier();
bool od_set_dtr(bool high);

// Input events: a character, or an extended key given by its PC scan code.
enum : std::uint32_t {
    EVENT_CHARACTER = 0,
    EVENT_EXTENDED_KEY = 1,
};

enum : std::uint8_t {
    OD_KEY_F1 = 0x3b, OD_KEY_F2 = 0x3c, OD_KEY_F3 = 0x3d, OD_KEY_F4 = 0x3e,
    OD_KEY_F5 = 0x3f, OD_KEY_F6 = 0x40, OD_KEY_F7 = 0x41, OD_KEY_F8 = 0x42,
    OD_KEY_F9 = 0x43, OD_KEY_F10 = 0x44, OD_KEY_F11 = 0x85, OD_KEY_F12 = 0x86,
    OD_KEY_UP = 0x48, OD_KEY_DOWN = 0x50, OD_KEY_LEFT = 0x4b, OD_KEY_RIGHT = 0x4d,
    OD_KEY_HOME = 0x47, OD_KEY_END = 0x4f, OD_KEY_PGUP = 0x49, OD_KEY_PGDN = 0x51,
    OD_KEY_INSERT = 0x52, OD_KEY_DELETE = 0x53,
};

// od_get_input flags.
enum : std::uint16_t {
    GETIN_NORMAL = 0x0000,
    GETIN_RAW = 0x0001,          // every byte is a character
    GETIN_NO_CONTROL_KEYS = 0x0002,  // control keys stay characters
};

struct ODInputEvent {
    std::uint32_t event_type;
    std::uint8_t from_remote;
    std::uint8_t key;
};

constexpr std::uint32_t OD_NO_TIMEOUT = 0xFFFFFFFFu;

// Input.
int od_get_key(bool wait);
bool od_key_pending();
void od_clear_keybuffer();
bool od_get_input(ODInputEvent* event, std::uint32_t timeout_ms, std::uint16_t flags);
bool od_get_input_until(ODInputEvent* event, std::uint32_t deadline_seconds,
                        std::uint16_t deadline_ms, std::uint16_t flags);
void od_input_str(char* buffer, int max_length, unsigned char min_char, unsigned char max_char);
char od_get_answer(const char* allowed_keys);

// Output and colour.
void od_disp(const char* buffer, int size, bool local_echo);
void od_disp_str(const char* text);
void od_putch(int character);
void od_repeat(char character, unsigned count);  // count is taken modulo 256
void od_printf(const char* format, ...) __attribute__((format(printf, 1, 2)));
void od_set_attrib(int attribute);
void od_set_color(int foreground, int background);
bool od_set_cursor(int row, int column);
bool od_get_cursor(int* row, int* column);
void od_clr_scr();
void od_clr_line();
int od_color_config(const char* description);
void od_set_statusline(int setting);

// Screen blocks and snapshots. A cell is two bytes: character, attribute.
bool od_gettext(int left, int top, int right, int bottom, void* block);
bool od_puttext(int left, int top, int right, int bottom, const void* block);
bool od_scroll(int left, int top, int right, int bottom, int distance, std::uint16_t flags);
std::uint32_t od_save_screen_size();
bool od_save_screen_ex(void* buffer, std::uint32_t size);
bool od_restore_screen_ex(const void* snapshot, std::uint32_t size);
bool od_save_screen(void* buffer);
bool od_restore_screen(const void* buffer);

// od_scroll flags.
enum : std::uint16_t {
    SCROLL_NORMAL = 0x0000,
    SCROLL_NO_CLEAR = 0x0001,
};

// Sysop functions: the caller pages the sysop; chat mode until it ends.
void od_page();
void od_chat();

// Kernel and clocks.
void od_kernel();
void od_sleep(std::uint32_t milliseconds);
bool od_get_time(std::uint32_t* seconds, std::uint16_t* milliseconds);

// Activity log.
bool od_log_open();
bool od_log_write(const char* text);

// Node reservations: named resources handed out one process at a time.
// od_reserve_wait answers 1 granted, 0 timed out, -1 failed.
bool od_reserve_configure(const char* path);  // before od_init only
bool od_reserve_request(const char* name);
int od_reserve_wait(std::uint32_t timeout_ms);  // OD_NO_TIMEOUT waits without limit
int od_reserve_wait_until(std::uint32_t second, std::int32_t millisecond);
bool od_reserve_end();

#endif
