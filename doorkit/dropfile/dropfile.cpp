#include "doorkit/dropfile/dropfile.h"

#include <climits>
#include <cstdio>

#include "doorkit/doorkit.h"
#include "doorkit/core/control.h"
#include "doorkit/dropfile/candidates.h"
#include "doorkit/dropfile/exitinfo.h"
#include "doorkit/dropfile/formats.h"
#include "doorkit/dropfile/search.h"

namespace {

// Closes the drop file on every way out.
class DropFile {
public:
    DropFile(const char* path, const char* mode) : file_(std::fopen(path, mode)) {}
    ~DropFile()
    {
        if (file_ != nullptr)
            std::fclose(file_);
    }
    DropFile(const DropFile&) = delete;
    DropFile& operator=(const DropFile&) = delete;
    std::FILE* get() const { return file_; }

private:
    std::FILE* file_;
};

// The record, then dorinfo1.def from the same directory, whose values win
// where both set a field.
bool read_exitinfo()
{
    std::uint8_t kind = 0;
    {
        DropFile record(szDropFilePath, "rbe");
        if (record.get() == nullptr || !ODReadExitInfoRecord(record.get(), &kind))
            return false;
    }
    char companion_path[PATH_MAX];
    if (!ODFindInDir(szExitinfoBBSPath, kExitInfoCompanion, companion_path,
                     sizeof companion_path, nullptr))
        return false;
    DropFile companion(companion_path, "re");
    if (companion.get() == nullptr || !ODReadDorinfoLines(companion.get()))
        return false;
    od_control.drop_file_kind = kind;
    od_control.exitinfo_present = 1;
    return true;
}

bool read_text(ODDropFormat format)
{
    DropFile file(szDropFilePath, "re");
    if (file.get() == nullptr)
        return false;
    switch (format) {
    case ODDropFormat::Dorinfo:
        return ODReadDorinfo(file.get());
    case ODDropFormat::ChainTxt:
        return ODReadChainTxt(file.get());
    case ODDropFormat::SFDoors:
        return ODReadSFDoors(file.get());
    case ODDropFormat::DoorSys:
        return ODReadDoorSys(file.get());
    case ODDropFormat::CallInfo:
        return ODReadCallInfo(file.get());
    case ODDropFormat::TriBBSSys:
        return ODReadTriBBSSys(file.get());
    case ODDropFormat::Door32Sys:
        return ODReadDoor32Sys(file.get());
    case ODDropFormat::ExitInfo:
        break;
    }
    return false;
}

}  // namespace

bool ODInitReadSystemDropFile()
{
    ODDropChoice choice;
    const char* dir = ODDropFileDirectory();
    if (!(dir[0] != '\0' && ODDirectDropFile(dir, &choice)) && !ODSearchForDropFile(&choice))
        return false;
    ODCopyField(szDropFilePath, choice.path);
    ODCopyField(szExitinfoBBSPath, choice.dir);

    const ODDropFormat format = kDropCandidates[static_cast<std::size_t>(choice.candidate)].format;
    if (format == ODDropFormat::ExitInfo)
        return read_exitinfo();
    return read_text(format);
}
