// TRIBBS.SYS, twenty lines.
#include <cstring>
#include <initializer_list>

#include "doorkit/doorkit.h"
#include "doorkit/dropfile/writeback_formats.h"

namespace {

char yes_no(bool value)
{
    return value ? 'Y' : 'N';
}

// The BBS keeps the birth date as dd/dd/dd; a shorter date keeps what it has.
void birth_date_with_slashes()
{
    const std::size_t length = std::strlen(od_control.user_birth_date);
    for (std::size_t separator : {2u, 5u}) {
        if (separator < length)
            od_control.user_birth_date[separator] = '/';
    }
}

}  // namespace

void ODWriteTriBBSSys(ODDropFileWriter* w)
{
    ODTextDropFileWrite(w, "%u\n", od_control.user_record_number);
    ODTextDropFileWrite(w, "%s\n", od_control.user_name);
    ODTextDropFileWrite(w, "%s\n", od_control.user_password);
    ODTextDropFileWrite(w, "%u\n", od_control.user_security);
    ODTextDropFileWrite(w, "%c\n", yes_no(od_control.user_expert));
    ODTextDropFileWrite(w, "%c\n", yes_no(od_control.user_ansi));
    ODTextDropFileWrite(w, "%d\n", od_control.user_time_left);
    ODTextDropFileWrite(w, "%s\n", od_control.user_home_phone);
    ODTextDropFileWrite(w, "%s\n", od_control.user_location);
    birth_date_with_slashes();
    ODTextDropFileWrite(w, "%s\n", od_control.user_birth_date);
    ODTextDropFileWrite(w, "%d\n", od_control.node_number);
    ODTextDropFileWrite(w, "%u\n", ODPortForFile());
    ODTextDropFileWrite(w, "%u\n", od_control.connect_speed);
    ODTextDropFileWrite(w, "%u\n", od_control.baud);
    ODTextDropFileWrite(w, "%c\n", yes_no(od_control.flow_control == 1));
    ODTextDropFileWrite(w, "%c\n", yes_no(od_control.user_error_free));
    ODTextDropFileWrite(w, "%s\n", od_control.system_name);
    ODTextDropFileWrite(w, "%s\n", od_control.sysop_name);
    ODTextDropFileWrite(w, "%s\n", od_control.user_handle);
    ODTextDropFileWrite(w, "%c\n", yes_no(od_control.user_rip));
}
