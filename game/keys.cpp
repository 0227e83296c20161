#include "game/keys.h"

#include "doorkit/doorkit.h"

int read_key(bool wait)
{
    for (;;) {
        ODInputEvent event{};
        if (!od_get_input(&event, wait ? OD_NO_TIMEOUT : 0, GETIN_NORMAL))
            return 0;
        if (event.event_type == EVENT_EXTENDED_KEY) {
            if (event.key == OD_KEY_DELETE)
                return 127;
            continue;
        }
        if (event.key == '\n' || event.key == 0)
            continue;
        return event.key;
    }
}
