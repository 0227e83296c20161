// Local screen state: buffer, window, cursor, attribute and scrolling.
#include "doorkit/screen/local_screen.h"

#include <cstdlib>

#include "doorkit/screen/local_screen_internal.h"

namespace {

constexpr std::size_t kBufferBytes = OD_SCREEN_WIDTH * OD_SCREEN_HEIGHT * OD_SCREEN_CELL_BYTES;

std::uint8_t cap_byte(int value)
{
    return static_cast<std::uint8_t>(ODScrnClamp(value, 0, 255));
}

}  // namespace

std::uint8_t* pAllocatedBufferMemory = nullptr;
std::uint8_t* pScrnBuffer = nullptr;
std::uint8_t btLeftBoundary = 0;
std::uint8_t btTopBoundary = 0;
std::uint8_t btRightBoundary = OD_SCREEN_WIDTH - 1;
std::uint8_t btBottomBoundary = OD_SCREEN_HEIGHT - 1;
std::uint8_t btCursorColumn = 0;
std::uint8_t btCursorRow = 0;
std::uint8_t btCurrentAttribute = 7;
std::uint8_t bScrollEnabled = 1;
std::uint8_t bCaretPresentationChange = 0;
ODScrnTextInfo ODTextInfo = {1, 1, OD_SCREEN_WIDTH, OD_SCREEN_HEIGHT, 7, 1, 1};
const ODScrnRedirect* pScrnRedirect = nullptr;

int ODScrnInitialize()
{
    if (pAllocatedBufferMemory == nullptr) {
        pAllocatedBufferMemory = static_cast<std::uint8_t*>(std::malloc(kBufferBytes));
        if (pAllocatedBufferMemory == nullptr)
            return 2;
    }
    pScrnBuffer = pAllocatedBufferMemory;
    btLeftBoundary = 0;
    btTopBoundary = 0;
    btRightBoundary = OD_SCREEN_WIDTH - 1;
    btBottomBoundary = OD_SCREEN_HEIGHT - 1;
    btCurrentAttribute = 7;
    bScrollEnabled = 1;
    // Initialising always prepares the local buffer, whatever is redirected.
    const ODScrnRedirect* redirect = pScrnRedirect;
    pScrnRedirect = nullptr;
    ODScrnClear();
    pScrnRedirect = redirect;
    return 0;
}

void ODScrnShutdown()
{
    std::free(pAllocatedBufferMemory);
    pAllocatedBufferMemory = nullptr;
    pScrnBuffer = nullptr;
    pScrnRedirect = nullptr;
}

void ODScrnSetRedirect(const ODScrnRedirect* target)
{
    pScrnRedirect = target;
}

bool ODScrnIsRedirected()
{
    return pScrnRedirect != nullptr;
}

void ODScrnSetBoundary(int left, int top, int right, int bottom)
{
    if (pScrnRedirect != nullptr) {
        pScrnRedirect->set_boundary(left, top, right, bottom);
        return;
    }
    // A window outside the buffer would have every later write land outside it.
    if (left < 1 || top < 1 || right > OD_SCREEN_WIDTH || bottom > OD_SCREEN_HEIGHT ||
        left > right || top > bottom)
        return;
    btLeftBoundary = static_cast<std::uint8_t>(left - 1);
    btTopBoundary = static_cast<std::uint8_t>(top - 1);
    btRightBoundary = static_cast<std::uint8_t>(right - 1);
    btBottomBoundary = static_cast<std::uint8_t>(bottom - 1);
    if (btCursorColumn >= ODScrnWindowWidth())
        btCursorColumn = static_cast<std::uint8_t>(ODScrnWindowWidth() - 1);
    if (btCursorRow >= ODScrnWindowHeight())
        btCursorRow = static_cast<std::uint8_t>(ODScrnWindowHeight() - 1);
}

void ODScrnSetCursorPos(int column, int row)
{
    if (pScrnRedirect != nullptr) {
        pScrnRedirect->set_cursor_pos(column, row);
        return;
    }
    btCursorColumn = static_cast<std::uint8_t>(ODScrnClamp(column, 1, ODScrnWindowWidth()) - 1);
    btCursorRow = static_cast<std::uint8_t>(ODScrnClamp(row, 1, ODScrnWindowHeight()) - 1);
}

void ODScrnSetAttribute(std::uint8_t attribute)
{
    if (pScrnRedirect != nullptr)
        pScrnRedirect->set_attribute(attribute);
    else
        btCurrentAttribute = attribute;
}

void ODScrnEnableScrolling(bool on)
{
    if (pScrnRedirect != nullptr)
        pScrnRedirect->enable_scrolling(on);
    else
        bScrollEnabled = on ? 1 : 0;
}

void ODScrnEnableCaret(bool)
{
}

void ODScrnGetState(ODScrnState* state)
{
    if (pScrnRedirect != nullptr) {
        *state = ODScrnState{};
        pScrnRedirect->get_state(state);
        return;
    }
    *state = {btLeftBoundary + 1, btTopBoundary + 1, btRightBoundary + 1, btBottomBoundary + 1,
              btCursorColumn + 1, btCursorRow + 1,   btCurrentAttribute,  bScrollEnabled != 0};
}

void ODScrnSetState(const ODScrnState& state)
{
    ODScrnSetBoundary(state.left, state.top, state.right, state.bottom);
    ODScrnSetAttribute(state.attribute);
    ODScrnSetCursorPos(state.cursor_column, state.cursor_row);
}

void ODScrnGetTextInfo(ODScrnTextInfo* info)
{
    if (info == nullptr)
        return;
    ODScrnState state;
    ODScrnGetState(&state);
    *info = {cap_byte(state.left),   cap_byte(state.top), cap_byte(state.right),
             cap_byte(state.bottom), state.attribute,     cap_byte(state.cursor_column),
             cap_byte(state.cursor_row)};
}

void ODStoreTextInfo()
{
    ODScrnGetTextInfo(&ODTextInfo);
}

void ODRestoreTextInfo()
{
    ODScrnSetState({ODTextInfo.left, ODTextInfo.top, ODTextInfo.right, ODTextInfo.bottom,
                    ODTextInfo.cursor_column, ODTextInfo.cursor_row, ODTextInfo.attribute, true});
}
