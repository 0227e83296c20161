#include "game/session_log.h"

#include <climits>

#include "doorkit/doorkit.h"
#include "game/game_log.h"
#include "game/storage.h"

namespace {

const char* own_reason = nullptr;

void log_refused_start(const char* message, const char* drop_file)
{
    game_log_set_node(od_control.node_number);
    if (drop_file != nullptr && drop_file[0] != '\0')
        game_log("start refused: %s (drop file: %s)", message, drop_file);
    else
        game_log("start refused: %s", message);
}

void log_session_end(int errorlevel, int reason)
{
    const char* caller = od_control.user_name[0] != '\0' ? od_control.user_name : "no caller";
    game_log("session ended for %s: exit status %d, %s", caller, errorlevel,
             session_end_wording(reason, own_reason));
}

}  // namespace

void session_log_start()
{
    char directory[PATH_MAX];
    if (program_directory(directory, sizeof directory))
        game_log_open(directory);
    od_control.startup_failure_hook = log_refused_start;
    od_control.session_end_hook = log_session_end;
}

void session_log_started()
{
    game_log_set_node(od_control.node_number);
}

void session_log_ending(const char* why)
{
    own_reason = why;
}

const char* session_end_wording(int reason, const char* own)
{
    switch (reason) {
    case OD_END_CARRIER_LOST:
        return "the caller's connection was lost";
    case OD_END_SYSOP_HANGUP:
        return "the sysop hung up on the caller";
    case OD_END_TIME_UP:
        return "the caller's time ran out";
    case OD_END_INACTIVITY:
        return "the caller stayed idle too long";
    case OD_END_SYSOP_RETURN:
        return "the sysop returned the caller to the BBS";
    case OD_END_HANGUP_SIGNAL:
        return "hang-up signal (SIGHUP)";
    case OD_END_STOP_SIGNAL:
        return "the BBS stopped the door (SIGTERM or SIGINT)";
    default:
        return own != nullptr ? own : "the game ended the session";
    }
}
