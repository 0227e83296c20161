// A door that echoes every key the caller types, as "<code>", until Q.
// The end-to-end tests tune it through the environment:
//   KEY_DOOR_IDLE="limit,warning"  inactivity seconds after od_init
//   KEY_DOOR_LEVELS="c,l,t,i"      custom exit codes for carrier loss,
//                                  lockout, time used up and inactivity
//   KEY_DOOR_NO_CARRIER_CHECK=1    disable_flags 0x0002
#include <cstdio>
#include <cstdlib>

#include "doorkit/doorkit.h"

namespace {

void apply_settings()
{
    if (const char* idle = std::getenv("KEY_DOOR_IDLE")) {
        int limit = 0;
        int warning = 0;
        if (std::sscanf(idle, "%d,%d", &limit, &warning) == 2) {
            od_control.inactivity_seconds = static_cast<std::int16_t>(limit);
            od_control.inactivity_warning_seconds = static_cast<std::int16_t>(warning);
        }
    }
    if (const char* levels = std::getenv("KEY_DOOR_LEVELS")) {
        int carrier = 0, lockout = 0, time_up = 0, idle = 0;
        if (std::sscanf(levels, "%d,%d,%d,%d", &carrier, &lockout, &time_up, &idle) == 4) {
            od_control.errorlevels[OD_LEVEL_USE_TABLE] = 1;
            od_control.errorlevels[OD_LEVEL_CARRIER_LOST] = static_cast<std::uint8_t>(carrier);
            od_control.errorlevels[OD_LEVEL_LOCKOUT] = static_cast<std::uint8_t>(lockout);
            od_control.errorlevels[OD_LEVEL_TIME_UP] = static_cast<std::uint8_t>(time_up);
            od_control.errorlevels[OD_LEVEL_INACTIVITY] = static_cast<std::uint8_t>(idle);
        }
    }
    if (std::getenv("KEY_DOOR_NO_CARRIER_CHECK") != nullptr)
        od_control.disable_flags |= OD_DISABLE_CARRIER;
}

}  // namespace

int main(int argc, char* argv[])
{
    od_parse_cmd_line(argc, argv);
    od_init();
    apply_settings();
    od_disp_str("ready\r\n");
    for (;;) {
        int key = od_get_key(true);
        char echo[16];
        std::snprintf(echo, sizeof echo, "<%d>", key);
        od_disp_str(echo);
        if (key == 'Q')
            break;
    }
    od_exit(0, false);
}
