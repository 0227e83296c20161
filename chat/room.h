// What the main thread shows of the chat: the lobby's summary line and the
// full-screen room where the caller reads the line ring and types messages.
#ifndef CHAT_ROOM_H
#define CHAT_ROOM_H

namespace vexa {

inline constexpr int room_input_max = 160;
inline constexpr int room_first_line_row = 5;
inline constexpr const char* queue_full_notice =
    "Message queue full; wait for delivery and try again.";

// The caller's text width: screen width - 1, 79 when unknown or below 40,
// at most 100.
int room_width();
// The caller's screen height, 24 when unknown, within 24..36.
int room_height();

// Queues `text` as a message with a fresh event id; when the queue is full
// the notice goes to the chat lines instead. 1 when queued.
int queue_text(const char* text);

// The lobby summary at (row, col), exactly `width` columns.
void status_line(int row, int col, int width);

// The room; returns when the caller leaves it or the carrier is lost.
void room();

}  // namespace vexa

#endif
