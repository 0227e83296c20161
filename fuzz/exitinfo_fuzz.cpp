// Feeds one input to the EXITINFO.BBS reader as the record; a record it
// accepts is written back and must read again in the same form.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <vector>

#include "doorkit/doorkit.h"
#include "doorkit/core/control.h"
#include "doorkit/dropfile/exitinfo.h"
#include "doorkit/dropfile/writeback_formats.h"
#include "doorkit/dropfile/writer.h"

namespace {

bool read_record(const void* data, std::size_t size, std::uint8_t* kind)
{
    if (size == 0)
        return false;
    std::vector<char> copy(static_cast<const char*>(data), static_cast<const char*>(data) + size);
    std::FILE* file = fmemopen(copy.data(), copy.size(), "rb");
    if (file == nullptr)
        return false;
    const bool ok = ODReadExitInfoRecord(file, kind);
    std::fclose(file);
    return ok;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    od_control = {};
    std::uint8_t kind = 0;
    if (!read_record(data, size, &kind))
        return 0;
    od_control.drop_file_kind = kind;
    od_control.exitinfo_present = 1;
    nStartupUnixTime = std::time(nullptr);
    nInitialRemaining = od_control.user_time_left;

    char* written = nullptr;
    std::size_t written_size = 0;
    ODDropFileWriter writer;
    ODDropFileAttach(&writer, open_memstream(&written, &written_size));
    ODWriteExitInfoRecord(&writer, size % 2 == 0);
    ODDropFileClose(&writer);

    od_control = {};
    std::uint8_t again = 0;
    const bool ok = read_record(written, written_size, &again);
    std::free(written);
    if (!ok || again != kind)
        std::abort();
    return 0;
}
