// A small token reader for hub replies and the chat settings files.
#ifndef CHAT_JSON_READER_H
#define CHAT_JSON_READER_H

#include <cstddef>

namespace vexa {

inline constexpr int cj_max_tokens = 512;
inline constexpr int cj_max_depth = 16;  // the deepest value a document may hold

struct cj_token {
    std::size_t start;  // offset of the first character
    std::size_t end;    // offset just past the value (past the closing quote)
    int next;           // index of the first token after this value
    char kind;          // '"', '{', '[' or the first character of a primitive
};

struct cj_state {
    const char* text;
    std::size_t length;
    std::size_t offset;
    int count;
    cj_token tokens[cj_max_tokens];
};

// Parses one value at `offset`, appending its tokens; its index or -1.
int cj_value(cj_state* state, int depth);
// Sets the state up for `text` and accepts only one object followed by
// nothing but whitespace. 1 or 0. `text` need not be NUL-terminated.
int cj_parse(cj_state* state, const char* text, std::size_t length);
// The decoded text of token `index` in `out` (NUL-terminated): a string
// loses its quotes and escapes, anything else is copied raw. 0 when it does
// not fit in `out_size` - 1 bytes or holds a bad \u escape.
int cj_decode(const cj_state* state, int index, char* out, std::size_t out_size);
// The decoded value of the first top-level member `key`; 1 or 0.
int cj_get(const cj_state* state, const char* key, char* out, std::size_t out_size);
// The leading base-10 integer of member `key`'s value; 0 when missing.
long long cj_number(const cj_state* state, const char* key);

}  // namespace vexa

#endif
