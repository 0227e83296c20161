#include "game/handle.h"

#include "doorkit/doorkit.h"
#include "doorkit/core/control.h"

char player[PLAYER_SIZE] = "TRAVELER";
char display_handle[DISPLAY_HANDLE_SIZE];

namespace {

constexpr int kHandleStartColour = 15;
constexpr int kHandleLastColumn = 75;

bool is_digit(char c)
{
    return c >= '0' && c <= '9';
}

bool in_art_margin(int column)
{
    return column >= 44 && column <= 46;
}

}  // namespace

int pipe_colour(const char* text)
{
    if (text == nullptr || text[0] != '|' || !is_digit(text[1]) || !is_digit(text[2]))
        return 0;
    int value = (text[1] - '0') * 10 + (text[2] - '0');
    return value >= 1 && value <= 15 ? value : 0;
}

void render_handle(int column, int row, const char* handle)
{
    if (handle == nullptr)
        return;
    int colour = kHandleStartColour;
    const char* at = handle;
    while (*at != '\0' && column < kHandleLastColumn) {
        if (int code = pipe_colour(at); code != 0) {
            colour = code;
            at += 3;
            continue;
        }
        if (!in_art_margin(column) && column < 80) {
            const char one[2] = {*at, '\0'};
            od_set_color(colour, 0);
            od_set_cursor(row, column);
            od_disp_str(one);
        }
        ++at;
        ++column;
    }
}

void make_plain_handle(const char* handle)
{
    int copied = 0;
    const char* at = handle != nullptr ? handle : "";
    while (*at != '\0' && copied < PLAIN_HANDLE_MAX) {
        if (pipe_colour(at) != 0) {
            at += 3;
            continue;
        }
        char c = *at++;
        // A bar that starts no colour code is dropped as well.
        if (c >= 32 && c <= 126 && c != '\\' && c != '|')
            player[copied++] = c;
    }
    player[copied] = '\0';
    if (copied == 0)
        ODCopyField(player, "TRAVELER");
}
