#include "doorkit/terminal/session_screen.h"

#include <cstdint>
#include <cstdlib>

#include "doorkit/doorkit.h"

namespace {

std::uint8_t* pSessionCells = nullptr;
int nSessionWidth = 0;
int nSessionHeight = 0;

}  // namespace

bool ODSessionScreenInitialize(int width, int height)
{
    ODSessionScreenShutdown();
    if (od_control.baud == 0)
        return true;
    long long cells = static_cast<long long>(width) * height;
    if (width <= 0 || height <= 0 || cells >= (1LL << 31)) {
        od_control.error_code = OD_ERR_LIMIT;
        return false;
    }
    pSessionCells = static_cast<std::uint8_t*>(std::malloc(static_cast<std::size_t>(cells) * 2));
    if (pSessionCells == nullptr) {
        od_control.error_code = OD_ERR_MEMORY;
        return false;
    }
    for (long long i = 0; i < cells; ++i) {
        pSessionCells[i * 2] = ' ';
        pSessionCells[i * 2 + 1] = 7;
    }
    nSessionWidth = width;
    nSessionHeight = height;
    return true;
}

void ODSessionScreenShutdown()
{
    std::free(pSessionCells);
    pSessionCells = nullptr;
    nSessionWidth = 0;
    nSessionHeight = 0;
}

bool ODSessionScreenAvailable()
{
    return pSessionCells != nullptr;
}
