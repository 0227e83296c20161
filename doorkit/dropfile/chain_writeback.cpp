// CHAIN.TXT, thirty lines.
#include <initializer_list>

#include "doorkit/doorkit.h"
#include "doorkit/core/control.h"
#include "doorkit/dropfile/writeback_formats.h"

void ODWriteChainTxt(ODDropFileWriter* w)
{
    ODTextDropFileWrite(w, "%d\n", od_control.user_record_number);
    ODTextDropFileWrite(w, "%s\n", od_control.user_handle);
    ODTextDropFileWrite(w, "%s\n", od_control.user_name);
    ODTextDropFileWrite(w, "%s\n", od_control.user_callsign);
    ODWriteKeptLine(w, 0);
    // A sex the file did not give stays an empty line; a NUL or line break
    // here would shift every line after it.
    if (od_control.user_sex >= ' ')
        ODTextDropFileWrite(w, "%c\n", od_control.user_sex);
    else
        ODTextDropFileWrite(w, "\n");
    ODWriteKeptLine(w, 1);
    ODTextDropFileWrite(w, "%s\n", od_control.user_last_date);
    ODTextDropFileWrite(w, "%d\n", od_control.user_screen_width);
    ODTextDropFileWrite(w, "%d\n", od_control.user_screen_length);
    ODTextDropFileWrite(w, "%d\n", od_control.user_security);
    ODTextDropFileWrite(w, "%d\n", bIsSysop);
    ODTextDropFileWrite(w, "%d\n", bIsCoSysop);
    ODTextDropFileWrite(w, "%d\n", od_control.user_ansi);
    ODTextDropFileWrite(w, od_control.baud != 0 ? "1\n" : "0\n");
    ODTextDropFileWrite(w, "    %d.00\n", od_control.user_time_left * 60);
    for (int slot : {3, 4, 5})
        ODWriteKeptLine(w, slot);
    if (od_control.baud != 0)
        ODTextDropFileWrite(w, "%u\n", od_control.baud);
    else
        ODTextDropFileWrite(w, "KB\n");
    ODTextDropFileWrite(w, "%u\n", ODPortForFile());
    ODWriteKeptLine(w, 6);
    ODTextDropFileWrite(w, "%s\n", od_control.user_password);
    for (int slot : {2, 7, 8, 9, 10, 11, 12})
        ODWriteKeptLine(w, slot);
}
