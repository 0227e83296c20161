// The lobby chat room and the lobby's chat summary line. The shared state
// is copied under `guard` and drawn from the copy, never while held.
#include "chat/room.h"

#include <cstdio>
#include <cstring>
#include <mutex>

#include "chat/protocol.h"
#include "chat/random_id.h"
#include "chat/worker.h"
#include "doorkit/doorkit.h"

namespace vexa {

namespace {

constexpr int kTitleAttribute = 11;
constexpr int kHelpAttribute = 7;
constexpr int kStatusAttribute = 14;
constexpr int kLinesAttribute = 7;
constexpr int kInputAttribute = 11;
constexpr int kShownLines = 16;

// Prints `text` at (row, col) cut or padded to `width` columns.
void print_field(int row, int col, int attribute, const char* prefix, int width, const char* text)
{
    char out[chat_line_size + 8];
    std::snprintf(out, sizeof out, "%s%-*.*s", prefix, width, width, text);
    od_set_cursor(row, col);
    od_set_attrib(attribute);
    od_disp_str(out);
}

void set_in_chat(int value)
{
    std::lock_guard<std::mutex> lock(guard);
    in_chat = value;
}

// The typed line and where the cursor stands in it.
struct input_line {
    char text[room_input_max + 1] = {};
    int length = 0;
};

void draw_input(const input_line& input, int width, int height)
{
    const int field = width - 2;
    const bool whole = input.length < width - 1;
    const char* shown = whole ? input.text : input.text + (input.length - field);
    print_field(height - 2, 1, kInputAttribute, "> ", field, shown);
    od_set_cursor(height - 2, whole ? input.length + 3 : width + 1);
}

// Everything the room shows of the shared state, as of one generation.
struct room_copy {
    char status[128];
    char lines[chat_line_slots][chat_line_size];
    int line_count;
};

// Copies the state when `generation` moved past `drawn`; 1 when it did.
int copy_if_changed(int& drawn, bool force, room_copy& copy)
{
    std::lock_guard<std::mutex> lock(guard);
    if (!force && generation == drawn)
        return 0;
    drawn = generation;
    copy.line_count = line_count;
    std::memcpy(copy.lines, lines, sizeof copy.lines);
    if (online)
        std::snprintf(copy.status, sizeof copy.status, "%d players online | %d BBSes | %d in chat",
                      players, bbses, chatting);
    else
        std::snprintf(copy.status, sizeof copy.status, "%s",
                      "Hub unavailable - reconnecting. Messages wait for delivery.");
    return 1;
}

void draw_all(const room_copy& copy, int width)
{
    print_field(2, 1, kStatusAttribute, "", width, copy.status);
    for (int i = 0; i < kShownLines; ++i)
        print_field(room_first_line_row + i, 1, kLinesAttribute, "", width,
                    i < copy.line_count ? copy.lines[i] : "");
}

bool typeable(int key)
{
    return key >= 32 && key <= 126 && key != '`';
}

}  // namespace

int room_width()
{
    const int width = od_control.user_screen_width - 1;
    if (od_control.user_screen_width == 0 || width < 40)
        return 79;
    return width > 100 ? 100 : width;
}

int room_height()
{
    const int height = od_control.user_screen_length;
    if (height == 0 || height < 24)
        return 24;
    return height > 36 ? 36 : height;
}

int queue_text(const char* text)
{
    outbound_message message{};
    std::snprintf(message.text, sizeof message.text, "%s", text);
    if (!random_hex_id(message.event))
        return 0;
    if (enqueue_message(message))
        return 1;
    std::lock_guard<std::mutex> lock(guard);
    add_line(queue_full_notice);
    return 0;
}

void status_line(int row, int col, int width)
{
    if (!running)
        return;
    int up, people, boards, talking;
    {
        std::lock_guard<std::mutex> lock(guard);
        up = online;
        people = players;
        boards = bbses;
        talking = chatting;
    }
    char text[128];
    if (up)
        std::snprintf(text, sizeof text, "[C] SHARED CHAT | %d players / %d BBSes / %d in chat",
                      people, boards, talking);
    else
        std::snprintf(text, sizeof text, "%s", "[C] SHARED CHAT | Hub unavailable - reconnecting");
    if (width < 0)
        width = 0;
    if (width > 200)
        width = 200;
    print_field(row, col, kTitleAttribute, "", width, text);
}

void room()
{
    if (!running)
        return;
    const int width = room_width();
    const int height = room_height();
    set_in_chat(1);

    od_clr_scr();
    od_set_attrib(kTitleAttribute);
    od_disp_str("VEXA SHARED GAME LOBBY");
    od_set_cursor(3, 1);
    od_set_attrib(kHelpAttribute);
    od_disp_str("Enter sends | /who shows counts | /quit or Esc returns to game");

    static room_copy copy;  // main thread only; too big for a comfortable frame
    input_line input;
    int drawn = 0;
    bool force = true;
    bool dirty = false;
    while (od_carrier()) {
        if (copy_if_changed(drawn, force, copy)) {
            draw_all(copy, width);
            draw_input(input, width, height);
        } else if (dirty) {
            draw_input(input, width, height);
        }
        force = false;
        dirty = false;

        ODInputEvent event{};
        if (!od_get_input(&event, 100, GETIN_NORMAL) || event.event_type != EVENT_CHARACTER)
            continue;
        const int key = event.key;
        if (key == 27)
            break;
        if (key == 13 || key == 10) {
            if (std::strcmp(input.text, "/quit") == 0)
                break;
            if (std::strcmp(input.text, "/who") == 0)
                force = true;
            else if (input.length > 0)
                queue_text(input.text);
            input = input_line{};
            dirty = true;
        } else if (key == 8 || key == 127) {
            if (input.length > 0) {
                const bool whole = input.length < width - 1;
                input.text[--input.length] = '\0';
                if (whole)
                    od_disp_str("\b \b");
                else
                    dirty = true;
            }
        } else if (typeable(key) && input.length < room_input_max) {
            input.text[input.length++] = static_cast<char>(key);
            input.text[input.length] = '\0';
            if (input.length < width - 1)
                od_putch(key);
            else
                dirty = true;
        }
    }
    set_in_chat(0);
}

}  // namespace vexa
