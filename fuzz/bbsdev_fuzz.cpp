// Feeds arbitrary bytes through the BBSDEV.DRP reader. An accepted image
// must leave terminated fields, well-formed UTF-8 names and an identifier.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "doorkit/doorkit.h"
#include "doorkit/bbsdev/bbsdev.h"
#include "doorkit/bbsdev/language_tag.h"
#include "doorkit/bbsdev/utf8_check.h"

namespace {

template <std::size_t N>
void check_field(const char (&field)[N])
{
    if (std::memchr(field, '\0', N) == nullptr || !ODUtf8Valid(field))
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    od_control = od_control_record{};
    const char* bytes = reinterpret_cast<const char*>(data);
    if (ODBBSDevReadBuffer(bytes, size)) {
        check_field(od_control.user_name);
        check_field(od_control.user_handle);
        check_field(od_control.system_name);
        check_field(od_control.sysop_name);
        const char* id = ODBBSDevUserID();
        if (id == nullptr || id[0] == '\0' || od_control.drop_file_kind != OD_DROP_BBSDEV)
            std::abort();
        ODBBSDevApplyTimeLimitAt(static_cast<std::time_t>(size) * 1000003);
        if (od_control.user_time_left < 0)
            std::abort();
    } else if (ODBBSDevActive() || ODBBSDevUserID() != nullptr) {
        std::abort();
    }
    ODBBSDevClearSession();
    // The tag reader also sees raw bytes, not only validated lines.
    ODLanguageTagWellFormed(std::string_view(bytes, size));
    return 0;
}
