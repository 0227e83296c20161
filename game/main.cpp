// Process entry: the system operator's chat tool, or one caller's session
// from arrival through the lobby to the way out.
#include <cstring>

#include "doorkit/doorkit.h"
#include "chat/chat.h"
#include "doorkit/core/control.h"
#include "game/console_help.h"
#include "game/game_log.h"
#include "game/handle.h"
#include "game/interbbs.h"
#include "game/intro.h"
#include "game/lobby.h"
#include "game/profile.h"
#include "game/run.h"
#include "game/seasons.h"
#include "game/session_log.h"
#include "game/storage.h"

namespace {

constexpr const char* kGameId = "grimbo";

bool session_left = false;

// Once per identified caller, however the session ends: a lost connection
// ends the process inside the door kit, through its exit hook.
void leave_session()
{
    if (session_left)
        return;
    session_left = true;
    run_save_unseen();
    vexa_chat_stop();
    interbbs_sync_background();
}

void log_chat_note(const char* text)
{
    game_log("%s", text);
}

// The chat tool's mode for a lone chat option, or 2 when it is none.
int chat_tool_mode(int argc, char* argv[])
{
    if (argc != 2)
        return 2;
    if (std::strcmp(argv[1], "--chat-enable") == 0)
        return 1;
    if (std::strcmp(argv[1], "--chat-disable") == 0)
        return 0;
    if (std::strcmp(argv[1], "--chat-config") == 0)
        return -1;
    return 2;
}

}  // namespace

int main(int argc, char* argv[])
{
    if (int status = console_option(argc, argv); status >= 0)
        return status;
    if (int mode = chat_tool_mode(argc, argv); mode != 2) {
        init_storage();
        load_config();
        return vexa_chat_config(bbs_name, kGameId, mode);
    }

    session_log_start();
    ODCopyField(od_control.program_name, GAME_PROGRAM_NAME);
    ODCopyField(od_control.program_version, GAME_VERSION);
    od_control.always_clear_screen = 1;
    od_parse_cmd_line(argc, argv);
    od_init();
    session_log_started();

    init_storage();
    if (maintenance_flag_present()) {
        od_disp_str("GRIMBO is being updated. Please return shortly.\r\n");
        session_log_ending("closed for maintenance (.grimbo-maintenance)");
        od_exit(0, false);
        return 0;
    }
    load_config();
    season_bind();
    interbbs_sync_background();

    const char* identity = od_get_user_id();
    if (identity == nullptr || identity[0] == '\0') {
        caller_id_screen();
        session_log_ending("the drop file or command line named no caller");
        od_exit(1, false);
        return 1;
    }
    set_profile_path(identity);
    od_control.before_exit_hook = leave_session;

    ask_music();
    seasonal_seed_login();
    profile_setup();
    if (season_is_october())
        october_opening();
    vexa_chat_log_to(log_chat_note);
    vexa_chat_start(player, od_get_user_id(), kGameId);

    lobby();
    // A caller who hung up in the lobby ends like any lost connection: the
    // kit's kernel pass ends the session with its carrier-loss status.
    if (!od_carrier())
        od_kernel();
    leave_session();
    session_log_ending("the caller left the game");
    od_exit(0, false);
    return 0;
}
