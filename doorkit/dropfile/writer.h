// The writer record used to write the exit files back: the first error
// wins, later writes do nothing, and closing reports it.
#ifndef DOORKIT_DROPFILE_WRITER_H
#define DOORKIT_DROPFILE_WRITER_H

#include <cstddef>
#include <cstdint>
#include <cstdio>

struct ODDropFileWriter {
    std::FILE* file = nullptr;
    std::uint16_t error = 0;  // 0, OD_ERR_FILEOPEN or OD_ERR_GENERALFAILURE
    int saved_errno = 0;
};

// Opens `path` with `mode`; on failure records error 4.
bool ODDropFileOpen(ODDropFileWriter* writer, const char* path, const char* mode);
// Writes to a stream the caller opened (tests, fuzzing); closing closes it.
void ODDropFileAttach(ODDropFileWriter* writer, std::FILE* file);
void ODDropFileWrite(ODDropFileWriter* writer, const void* data, std::size_t size);
void ODTextDropFileWrite(ODDropFileWriter* writer, const char* format, ...)
    __attribute__((format(printf, 2, 3)));
// Closes; false when this or an earlier step failed, with error_code set
// and errno back to the failure's.
bool ODDropFileClose(ODDropFileWriter* writer);

#endif
