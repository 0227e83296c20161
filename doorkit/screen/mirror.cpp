// The screen copy that follows the output calls: the session screen while
// there is one (presented into the local screen after every change), else
// the local screen itself.
#include "doorkit/output/output.h"
#include "doorkit/screen/local_screen.h"
#include "doorkit/screen/session_screen.h"

bool ODMirrorIsSession()
{
    return ODSessionScreenAvailable();
}

bool ODMirrorGetInfo(ODMirrorInfo* info)
{
    if (info == nullptr)
        return false;
    if (ODSessionScreenAvailable()) {
        tODSessionScreenInfo session{};
        ODSessionScreenGetInfo(&session);
        *info = ODMirrorInfo{session.left,
                             session.top,
                             session.right - session.left + 1,
                             session.bottom - session.top + 1,
                             session.cursor_column,
                             session.cursor_row,
                             session.attribute};
        return true;
    }
    ODScrnTextInfo local{};
    ODScrnGetTextInfo(&local);
    *info = ODMirrorInfo{local.left,
                         local.top,
                         local.right - local.left + 1,
                         local.bottom - local.top + 1,
                         local.cursor_column,
                         local.cursor_row,
                         local.attribute};
    return true;
}

void ODMirrorDisplay(const char* bytes, int length)
{
    if (ODSessionScreenAvailable()) {
        ODSessionScreenDisplayBuffer(bytes, length);
        ODSessionScreenPresent();
    } else {
        ODScrnDisplayBuffer(bytes, length);
    }
}

void ODMirrorSetAttribute(std::uint8_t attribute)
{
    if (ODSessionScreenAvailable()) {
        ODSessionScreenSetAttribute(attribute);
        ODSessionScreenPresent();
    } else {
        ODScrnSetAttribute(attribute);
    }
}

void ODMirrorSetCursor(int column, int row)
{
    if (ODSessionScreenAvailable()) {
        ODSessionScreenSetCursorPos(column, row);
        ODSessionScreenPresent();
    } else {
        ODScrnSetCursorPos(column, row);
    }
}

void ODMirrorClear()
{
    if (ODSessionScreenAvailable()) {
        ODSessionScreenClear();
        ODSessionScreenPresent();
    } else {
        ODScrnClear();
    }
}

void ODMirrorClearToEndOfLine()
{
    if (ODSessionScreenAvailable()) {
        ODSessionScreenClearToEndOfLine();
        ODSessionScreenPresent();
    } else {
        ODScrnClearToEndOfLine();
    }
}

bool ODMirrorGetText(int left, int top, int right, int bottom, void* cells)
{
    if (ODSessionScreenAvailable())
        return ODSessionScreenGetText(left, top, right, bottom, cells);
    return ODScrnGetText(left, top, right, bottom, cells) != 0;
}

bool ODMirrorPutText(int left, int top, int right, int bottom, const void* cells)
{
    if (ODSessionScreenAvailable()) {
        if (!ODSessionScreenPutText(left, top, right, bottom, cells))
            return false;
        ODSessionScreenPresent();
        return true;
    }
    return ODScrnPutText(left, top, right, bottom, cells) != 0;
}
