#include "doorkit/dropfile/writer.h"

#include <cerrno>
#include <cstdarg>

#include "doorkit/doorkit.h"

namespace {

void fail(ODDropFileWriter* writer, std::uint16_t error)
{
    if (writer->error != 0)
        return;
    writer->error = error;
    writer->saved_errno = errno;
}

}  // namespace

bool ODDropFileOpen(ODDropFileWriter* writer, const char* path, const char* mode)
{
    *writer = {};
    writer->file = std::fopen(path, mode);
    if (writer->file == nullptr) {
        fail(writer, OD_ERR_FILEOPEN);
        return false;
    }
    return true;
}

void ODDropFileAttach(ODDropFileWriter* writer, std::FILE* file)
{
    *writer = {};
    writer->file = file;
    if (file == nullptr)
        fail(writer, OD_ERR_FILEOPEN);
}

void ODDropFileWrite(ODDropFileWriter* writer, const void* data, std::size_t size)
{
    if (writer->error != 0 || writer->file == nullptr || size == 0)
        return;
    if (std::fwrite(data, 1, size, writer->file) != size)
        fail(writer, OD_ERR_GENERALFAILURE);
}

void ODTextDropFileWrite(ODDropFileWriter* writer, const char* format, ...)
{
    if (writer->error != 0 || writer->file == nullptr)
        return;
    std::va_list args;
    va_start(args, format);
    const int written = std::vfprintf(writer->file, format, args);
    va_end(args);
    if (written < 0)
        fail(writer, OD_ERR_GENERALFAILURE);
}

bool ODDropFileClose(ODDropFileWriter* writer)
{
    if (writer->file != nullptr) {
        if (std::fclose(writer->file) != 0)
            fail(writer, OD_ERR_GENERALFAILURE);
        writer->file = nullptr;
    }
    if (writer->error == 0)
        return true;
    od_control.error_code = writer->error;
    errno = writer->saved_errno;
    return false;
}
