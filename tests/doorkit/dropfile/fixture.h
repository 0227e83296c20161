// Shared set-up of the drop-file tests: a clean control record and line
// buffers for each test, and reading or writing a format in memory.
#ifndef TESTS_DOORKIT_DROPFILE_FIXTURE_H
#define TESTS_DOORKIT_DROPFILE_FIXTURE_H

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "doorkit/doorkit.h"
#include "doorkit/core/control.h"
#include "doorkit/dropfile/exitinfo.h"
#include "doorkit/dropfile/writer.h"

namespace grimbo_test {

inline void reset_drop_state()
{
    od_control = {};
    eODLifecycleState = OD_STATE_NOT_STARTED;
    bIsSysop = bIsCoSysop = btDoorSYSLock = bUserEightBit = bTelnetSocket = 0;
    nInitialElapsed = 0;
    nInitialRemaining = 0;
    nStartupUnixTime = 0;
    szDropFilePath[0] = szExitinfoBBSPath[0] = szDropFileDirFull[0] = '\0';
    bParsedCmdLine = 0;
    wPreSetInfo = 0;
    nForcedPort = -1;
    ODExitInfoFreeImages();
}

// Joins lines with a line feed after each.
inline std::string lines(std::initializer_list<std::string_view> list)
{
    std::string text;
    for (std::string_view line : list) {
        text += line;
        text += '\n';
    }
    return text;
}

// The first `count` lines of a text.
inline std::string first_lines(const std::string& text, int count)
{
    std::size_t end = 0;
    for (int i = 0; i < count && end < text.size(); ++i)
        end = text.find('\n', end) + 1;
    return text.substr(0, end);
}

// The text with line `number` (1-based) replaced.
inline std::string with_line(const std::string& text, int number, const std::string& line)
{
    std::size_t start = 0;
    for (int i = 1; i < number; ++i)
        start = text.find('\n', start) + 1;
    std::string out = text;
    out.replace(start, text.find('\n', start) - start, line);
    return out;
}

class DropFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        reset_drop_state();
        for (char*& line : apszDropFileInfo)
            line = static_cast<char*>(std::calloc(DROP_FILE_INFO_SIZE, 1));
    }
    void TearDown() override
    {
        for (char*& line : apszDropFileInfo) {
            std::free(line);
            line = nullptr;
        }
        reset_drop_state();
    }

    // Runs a reader over the bytes, as if they were the file.
    static bool read(bool (*reader)(std::FILE*), std::string_view content)
    {
        // fmemopen refuses an empty buffer; one byte past the end is never read.
        std::string copy(content);
        copy.push_back('\0');
        std::FILE* file = fmemopen(copy.data(), content.size() == 0 ? 1 : content.size(), "r");
        if (file == nullptr)
            return false;
        if (content.empty())
            std::fgetc(file);  // leave it at its end
        const bool ok = reader(file);
        std::fclose(file);
        return ok;
    }

    // What a writer writes, as bytes.
    static std::string write(void (*writer)(ODDropFileWriter*))
    {
        char* buffer = nullptr;
        std::size_t size = 0;
        std::FILE* file = open_memstream(&buffer, &size);
        ODDropFileWriter record;
        ODDropFileAttach(&record, file);
        writer(&record);
        ODDropFileClose(&record);
        std::string text(buffer != nullptr ? buffer : "", size);
        std::free(buffer);
        return text;
    }
};

}  // namespace grimbo_test

#endif
