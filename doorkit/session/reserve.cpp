#include "doorkit/session/reserve.h"

// No reservation file is configured yet: joining always succeeds.
int ODReserveSessionInitialize()
{
    return 0;
}

void ODReserveSessionShutdown() {}
