// Feeds one input to every text drop-file reader as if it were that file;
// what a reader accepts is written back and must read again.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "doorkit/doorkit.h"
#include "doorkit/core/control.h"
#include "doorkit/dropfile/formats.h"
#include "doorkit/dropfile/writeback_formats.h"
#include "doorkit/dropfile/writer.h"

namespace {

struct Format {
    bool (*read)(std::FILE*);
    void (*write)(ODDropFileWriter*);  // null: never written back
};

constexpr Format kFormats[] = {
    {ODReadDorinfo, nullptr},         {ODReadChainTxt, ODWriteChainTxt},
    {ODReadSFDoors, ODWriteSFDoors},  {ODReadDoorSys, ODWriteDoorSys},
    {ODReadCallInfo, nullptr},        {ODReadTriBBSSys, ODWriteTriBBSSys},
    {ODReadDoor32Sys, nullptr},
};

void reset()
{
    od_control = {};
    bIsSysop = bIsCoSysop = btDoorSYSLock = bUserEightBit = bTelnetSocket = 0;
    for (char*& line : apszDropFileInfo) {
        if (line == nullptr)
            line = static_cast<char*>(std::calloc(DROP_FILE_INFO_SIZE, 1));
        else
            line[0] = '\0';
    }
}

bool read_bytes(bool (*reader)(std::FILE*), const void* data, std::size_t size)
{
    if (size == 0)
        return false;
    std::vector<char> copy(static_cast<const char*>(data), static_cast<const char*>(data) + size);
    std::FILE* file = fmemopen(copy.data(), copy.size(), "r");
    if (file == nullptr)
        return false;
    const bool ok = reader(file);
    std::fclose(file);
    return ok;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    for (const Format& format : kFormats) {
        reset();
        if (!read_bytes(format.read, data, size) || format.write == nullptr)
            continue;
        char* written = nullptr;
        std::size_t written_size = 0;
        ODDropFileWriter writer;
        ODDropFileAttach(&writer, open_memstream(&written, &written_size));
        format.write(&writer);
        ODDropFileClose(&writer);
        reset();
        // Every line the kit writes ends with a line feed, so nothing it
        // wrote can read as a shorter file.
        const bool again = read_bytes(format.read, written, written_size);
        std::free(written);
        if (!again)
            std::abort();
    }
    return 0;
}
