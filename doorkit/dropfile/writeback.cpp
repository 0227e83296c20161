#include "doorkit/dropfile/writeback.h"

#include <ctime>

#include "doorkit/doorkit.h"
#include "doorkit/core/control.h"
#include "doorkit/dropfile/exitinfo.h"
#include "doorkit/dropfile/writeback_formats.h"
#include "doorkit/dropfile/writer.h"

namespace {

using TextWriter = void (*)(ODDropFileWriter*);

TextWriter text_writer_for(std::uint8_t kind)
{
    switch (kind) {
    case OD_DROP_CHAINTXT:
        return ODWriteChainTxt;
    case OD_DROP_SFDOORS:
        return ODWriteSFDoors;
    case OD_DROP_DOORSYS_SHORT:
    case OD_DROP_DOORSYS_NOCOM:
    case OD_DROP_DOORSYS:
        return ODWriteDoorSys;
    case OD_DROP_TRIBBSSYS:
        return ODWriteTriBBSSys;
    default:
        return nullptr;  // read-only formats, BBSDEV.DRP, no drop file
    }
}

void write_exitinfo(bool term_call)
{
    ODDropFileWriter writer;
    if (ODDropFileOpen(&writer, szDropFilePath, "r+be"))
        ODWriteExitInfoRecord(&writer, term_call);
    ODDropFileClose(&writer);
}

}  // namespace

bool ODMinutesSinceStartup(std::uint16_t* minutes)
{
    const std::time_t now = std::time(nullptr);
    if (now == static_cast<std::time_t>(-1) || now < nStartupUnixTime)
        return false;
    *minutes = static_cast<std::uint16_t>((now - nStartupUnixTime) / 60);
    return true;
}

void ODWriteDropFiles(bool term_call)
{
    if (od_control.exitinfo_present)
        write_exitinfo(term_call);
    ODExitInfoFreeImages();

    if (TextWriter write = text_writer_for(od_control.drop_file_kind)) {
        ODDropFileWriter writer;
        if (ODDropFileOpen(&writer, szDropFilePath, "we"))
            write(&writer);
        ODDropFileClose(&writer);
    }
}
