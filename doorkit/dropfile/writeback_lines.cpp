// Pieces shared by the text exit files.
#include "doorkit/doorkit.h"
#include "doorkit/dropfile/lines.h"
#include "doorkit/dropfile/writeback_formats.h"

void ODWriteKeptLine(ODDropFileWriter* writer, int slot)
{
    // A kept line always ends in a line feed; an empty one was missing from
    // the file and still takes its line, so the lines after it stay put.
    const char* line = ODDropKept(slot);
    ODTextDropFileWrite(writer, "%s", line[0] != '\0' ? line : "\n");
}

const char* ODTrueFalseLine(bool value)
{
    return value ? "TRUE\n" : "FALSE\n";
}

unsigned ODPortForFile()
{
    return static_cast<std::uint16_t>(od_control.port + 1);
}
