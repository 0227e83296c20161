// DOOR.SYS: the standard variant with 31 or 52 lines, or the short one.
#include <initializer_list>

#include "doorkit/doorkit.h"
#include "doorkit/core/ascii_case.h"
#include "doorkit/core/control.h"
#include "doorkit/dropfile/writeback_formats.h"

namespace {

const char* yes_no_line(bool value)
{
    return value ? "Y\n" : "N\n";
}

void write_short(ODDropFileWriter* w)
{
    ODTextDropFileWrite(w, "%s\n", od_control.user_name);
    if (od_control.baud != 0)
        ODTextDropFileWrite(w, "%u\n", ODPortForFile());
    else
        ODTextDropFileWrite(w, "-1\n");
    ODTextDropFileWrite(w, "%u\n", od_control.baud);
    ODTextDropFileWrite(w, "%d\n", od_control.user_time_left);
    ODTextDropFileWrite(w, od_control.user_ansi ? "G\n" : "M\n");
}

void write_lines_1_to_31(ODDropFileWriter* w)
{
    if (od_control.baud != 0)
        ODTextDropFileWrite(w, "COM%u:\n", ODPortForFile());
    else
        ODTextDropFileWrite(w, "COM0:\n");
    ODWriteKeptLine(w, 0);
    ODWriteKeptLine(w, 1);
    ODTextDropFileWrite(w, "%u\n", od_control.node_number);
    if (btDoorSYSLock == 1)
        ODTextDropFileWrite(w, "N\n");
    else if (btDoorSYSLock == 2)
        ODTextDropFileWrite(w, "Y\n");
    else
        ODTextDropFileWrite(w, "%u\n", od_control.baud);
    for (int slot : {3, 4, 5, 22})
        ODWriteKeptLine(w, slot);
    ODAsciiUpperInPlace(od_control.user_name);
    ODTextDropFileWrite(w, "%s\n", od_control.user_name);
    ODTextDropFileWrite(w, "%s\n", od_control.user_location);
    ODTextDropFileWrite(w, "%s\n", od_control.user_home_phone);
    ODTextDropFileWrite(w, "%s\n", od_control.user_data_phone);
    ODTextDropFileWrite(w, "%s\n", od_control.user_password);
    ODTextDropFileWrite(w, "%u\n", od_control.user_security);
    ODTextDropFileWrite(w, "%u\n", od_control.user_times_on);
    ODTextDropFileWrite(w, "%s\n", od_control.user_last_date);
    // Seconds left as an unsigned count: a caller past the limit has none.
    const int seconds = od_control.user_time_left > 0 ? od_control.user_time_left * 60 : 0;
    ODTextDropFileWrite(w, "%u\n", static_cast<unsigned>(seconds));
    ODTextDropFileWrite(w, "%d\n", od_control.user_time_left);
    if (od_control.user_rip)
        ODTextDropFileWrite(w, "RIP\n");
    else
        ODTextDropFileWrite(w, od_control.user_ansi ? "GR\n" : "NG\n");
    ODTextDropFileWrite(w, "%d\n", od_control.user_screen_length);
    for (int slot : {8, 9, 10})
        ODWriteKeptLine(w, slot);
    ODTextDropFileWrite(w, "%s\n", od_control.user_subscription_date);
    ODTextDropFileWrite(w, "%u\n", od_control.user_record_number);
    ODWriteKeptLine(w, 6);
    ODTextDropFileWrite(w, "%u\n", od_control.user_uploads);
    ODTextDropFileWrite(w, "%u\n", od_control.user_downloads);
    ODTextDropFileWrite(w, "%u\n", od_control.user_today_kb);
    ODWriteKeptLine(w, 21);
}

void write_lines_32_to_52(ODDropFileWriter* w)
{
    ODTextDropFileWrite(w, "%s\n", od_control.user_birth_date);
    ODWriteKeptLine(w, 11);
    ODWriteKeptLine(w, 12);
    ODTextDropFileWrite(w, "%s\n", od_control.sysop_name);
    ODAsciiUpperInPlace(od_control.user_handle);
    ODTextDropFileWrite(w, "%s\n", od_control.user_handle);
    ODTextDropFileWrite(w, "%s\n", od_control.event_start_time);
    ODTextDropFileWrite(w, "%s", yes_no_line(od_control.user_error_free));
    for (int slot : {7, 13, 14, 15, 16})
        ODWriteKeptLine(w, slot);
    ODTextDropFileWrite(w, "%s\n", od_control.user_login_time);
    ODTextDropFileWrite(w, "%s\n", od_control.user_last_time);
    ODWriteKeptLine(w, 18);
    ODWriteKeptLine(w, 19);
    ODTextDropFileWrite(w, "%u\n", od_control.user_upload_kb);
    ODTextDropFileWrite(w, "%u\n", od_control.user_download_kb);
    ODTextDropFileWrite(w, "%s\n", od_control.user_comment);
    ODWriteKeptLine(w, 20);
    ODTextDropFileWrite(w, "%u\n", od_control.user_messages_posted);
}

}  // namespace

void ODWriteDoorSys(ODDropFileWriter* w)
{
    if (od_control.drop_file_kind == OD_DROP_DOORSYS_NOCOM) {
        write_short(w);
        return;
    }
    write_lines_1_to_31(w);
    if (od_control.drop_file_kind == OD_DROP_DOORSYS)
        write_lines_32_to_52(w);
}
