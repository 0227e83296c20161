#include "doorkit/session/dropfile.h"

// No drop-file format is understood yet: every search comes back empty.
bool ODInitReadSystemDropFile()
{
    return false;
}
