// Process entry: start the door session and end it.
#include "doorkit/doorkit.h"
#include "doorkit/session/control.h"

int main(int argc, char* argv[])
{
    ODCopyField(od_control.program_name, "GRIMBO - Hollowtide");
    ODCopyField(od_control.program_version, "2.0.0");
    od_control.always_clear_screen = 1;

    od_parse_cmd_line(argc, argv);
    od_init();
    od_exit(0, false);
    return 0;
}
