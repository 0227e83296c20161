// The SFDOORS family: 32 lines, and 7 more when the file had them.
#include <initializer_list>

#include "doorkit/doorkit.h"
#include "doorkit/dropfile/lines.h"
#include "doorkit/dropfile/writeback_formats.h"

void ODWriteSFDoors(ODDropFileWriter* w)
{
    ODTextDropFileWrite(w, "%u\n", od_control.user_record_number);
    ODTextDropFileWrite(w, "%s\n", od_control.user_name);
    ODTextDropFileWrite(w, "%s\n", od_control.user_password);
    ODWriteKeptLine(w, 0);
    ODTextDropFileWrite(w, "%u\n", od_control.baud);
    ODTextDropFileWrite(w, "%u\n", ODPortForFile());
    ODTextDropFileWrite(w, "%d\n", od_control.user_time_left);
    ODWriteKeptLine(w, 13);
    ODWriteKeptLine(w, 14);
    ODTextDropFileWrite(w, "%s", ODTrueFalseLine(od_control.user_ansi));
    ODTextDropFileWrite(w, "%u\n", od_control.user_security);
    ODTextDropFileWrite(w, "%u\n", od_control.user_uploads);
    ODTextDropFileWrite(w, "%u\n", od_control.user_downloads);
    for (int slot : {1, 2, 3})
        ODWriteKeptLine(w, slot);
    ODTextDropFileWrite(w, "%s", ODTrueFalseLine(od_control.sysop_next));
    for (int slot : {4, 5, 6})
        ODWriteKeptLine(w, slot);
    ODTextDropFileWrite(w, "%s", ODTrueFalseLine(od_control.user_error_free));
    ODTextDropFileWrite(w, "%u\n", od_control.user_msg_area);
    ODTextDropFileWrite(w, "%u\n", od_control.user_file_area);
    ODTextDropFileWrite(w, "%u\n", od_control.node_number);
    for (int slot : {10, 11, 12})
        ODWriteKeptLine(w, slot);
    ODTextDropFileWrite(w, "%u\n", od_control.user_today_kb);
    ODTextDropFileWrite(w, "%u\n", od_control.user_upload_kb);
    ODTextDropFileWrite(w, "%u\n", od_control.user_download_kb);
    ODTextDropFileWrite(w, "%s\n", od_control.user_home_phone);
    ODTextDropFileWrite(w, "%s\n", od_control.user_location);

    if (ODDropKept(15)[0] == '\0')
        return;  // the file ended at line 32
    ODWriteKeptLine(w, 15);
    ODTextDropFileWrite(w, "%s", ODTrueFalseLine(od_control.user_rip));
    ODTextDropFileWrite(w, "%s", ODTrueFalseLine(od_control.user_wants_chat));
    ODWriteKeptLine(w, 17);
    ODTextDropFileWrite(w, "%d\n", od_control.port_irq);
    ODTextDropFileWrite(w, "%d\n", od_control.port_address);
    ODWriteKeptLine(w, 18);
}
