#include "chat/json_reader.h"

#include <cstring>

namespace vexa {

namespace {

bool is_space(char c) { return c == ' ' || (c >= 9 && c <= 13); }
bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool is_hex(char c) {
    return is_digit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}
int hex_value(char c) {
    if (is_digit(c)) return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return c - 'A' + 10;
}

void skip_space(cj_state* s) {
    while (s->offset < s->length && is_space(s->text[s->offset])) ++s->offset;
}

bool at(const cj_state* s, char c) { return s->offset < s->length && s->text[s->offset] == c; }

// Moves past the string at `s->offset`; false when it is malformed.
bool scan_string(cj_state* s) {
    std::size_t i = s->offset + 1;
    while (i < s->length) {
        auto c = static_cast<unsigned char>(s->text[i]);
        if (c == '"') {
            s->offset = i + 1;
            return true;
        }
        if (c < 32) return false;
        if (c == '\\') {
            if (i + 1 >= s->length) return false;
            char e = s->text[i + 1];
            if (std::strchr("\"\\/bfnrtu", e) == nullptr || e == '\0') return false;
            if (e == 'u') {
                if (s->length - (i + 2) < 4) return false;
                for (std::size_t k = i + 2; k < i + 6; ++k)
                    if (!is_hex(s->text[k])) return false;
                i += 6;
            } else {
                i += 2;
            }
            continue;
        }
        ++i;
    }
    return false;
}

bool is_number(const char* p, std::size_t n) {
    std::size_t i = 0;
    if (i < n && p[i] == '-') ++i;
    if (i >= n) return false;
    if (p[i] == '0') {
        ++i;
    } else if (p[i] >= '1' && p[i] <= '9') {
        while (i < n && is_digit(p[i])) ++i;
    } else {
        return false;
    }
    if (i < n && p[i] == '.') {
        ++i;
        if (i >= n || !is_digit(p[i])) return false;
        while (i < n && is_digit(p[i])) ++i;
    }
    if (i < n && (p[i] == 'e' || p[i] == 'E')) {
        ++i;
        if (i < n && (p[i] == '+' || p[i] == '-')) ++i;
        if (i >= n || !is_digit(p[i])) return false;
        while (i < n && is_digit(p[i])) ++i;
    }
    return i == n;
}

bool scan_primitive(cj_state* s) {
    std::size_t i = s->offset;
    while (i < s->length && std::strchr(",]} \r\n\t", s->text[i]) == nullptr) ++i;
    std::size_t n = i - s->offset;
    if (n < 1 || n > 79) return false;
    const char* p = s->text + s->offset;
    bool ok = (n == 4 && std::memcmp(p, "true", 4) == 0) ||
              (n == 5 && std::memcmp(p, "false", 5) == 0) ||
              (n == 4 && std::memcmp(p, "null", 4) == 0) || is_number(p, n);
    if (ok) s->offset = i;
    return ok;
}

bool scan_container(cj_state* s, int depth, char close) {
    ++s->offset;
    skip_space(s);
    if (at(s, close)) {
        ++s->offset;
        return true;
    }
    for (;;) {
        if (close == '}') {
            skip_space(s);
            if (!at(s, '"') || cj_value(s, depth + 1) < 0) return false;
            skip_space(s);
            if (!at(s, ':')) return false;
            ++s->offset;
        }
        if (cj_value(s, depth + 1) < 0) return false;
        skip_space(s);
        if (at(s, ',')) {
            ++s->offset;
            continue;
        }
        if (!at(s, close)) return false;
        ++s->offset;
        return true;
    }
}

}  // namespace

int cj_value(cj_state* s, int depth) {
    if (depth > cj_max_depth || s->count >= cj_max_tokens) return -1;
    skip_space(s);
    if (s->offset >= s->length) return -1;
    int index = s->count++;
    cj_token& token = s->tokens[index];
    token.start = s->offset;
    token.kind = s->text[s->offset];
    bool ok;
    if (token.kind == '"')
        ok = scan_string(s);
    else if (token.kind == '{')
        ok = scan_container(s, depth, '}');
    else if (token.kind == '[')
        ok = scan_container(s, depth, ']');
    else
        ok = scan_primitive(s);
    if (!ok) return -1;
    // Nested calls may have written further tokens; re-address ours.
    s->tokens[index].end = s->offset;
    s->tokens[index].next = s->count;
    return index;
}

int cj_parse(cj_state* state, const char* text, std::size_t length) {
    state->text = text;
    state->length = length;
    state->offset = 0;
    state->count = 0;
    if (text == nullptr || cj_value(state, 0) != 0) return 0;
    skip_space(state);
    return state->offset == length && state->tokens[0].kind == '{' ? 1 : 0;
}

int cj_decode(const cj_state* state, int index, char* out, std::size_t out_size) {
    if (index < 0 || index >= state->count || out == nullptr || out_size == 0) return 0;
    const cj_token& token = state->tokens[index];
    const char* p = state->text + token.start;
    std::size_t n = token.end - token.start;
    std::size_t used = 0;
    if (token.kind != '"') {
        if (n > out_size - 1) return 0;
        std::memcpy(out, p, n);
        out[n] = '\0';
        return 1;
    }
    // The reader already checked the escapes; the quotes are dropped here.
    for (std::size_t i = 1; i + 1 < n; ++i) {
        char c = p[i];
        if (c == '\\') {
            char e = p[++i];
            switch (e) {
                case 'b': c = 8; break;
                case 'f': c = 12; break;
                case 'n': c = 10; break;
                case 'r': c = 13; break;
                case 't': c = 9; break;
                case 'u': {
                    int v = 0;
                    for (int k = 1; k <= 4; ++k) v = v * 16 + hex_value(p[i + k]);
                    if (v < 1 || v > 127) return 0;
                    c = static_cast<char>(v);
                    i += 4;
                    break;
                }
                default: c = e; break;
            }
        }
        if (used >= out_size - 1) return 0;
        out[used++] = c;
    }
    out[used] = '\0';
    return 1;
}

namespace {

// Token index of the value of the first top-level member `key`, or -1.
int find_member(const cj_state* state, const char* key) {
    if (state->count < 3 || state->tokens[0].kind != '{') return -1;
    char name[128];
    int limit = state->tokens[0].next;
    for (int k = 1; k + 1 < limit; k = state->tokens[k + 1].next) {
        if (!cj_decode(state, k, name, sizeof name)) return -1;
        if (std::strcmp(name, key) == 0) return k + 1;
    }
    return -1;
}

}  // namespace

int cj_get(const cj_state* state, const char* key, char* out, std::size_t out_size) {
    int value = find_member(state, key);
    return value >= 0 ? cj_decode(state, value, out, out_size) : 0;
}

long long cj_number(const cj_state* state, const char* key) {
    char text[80];
    int value = find_member(state, key);
    if (value < 0 || !cj_decode(state, value, text, sizeof text)) return 0;
    // Leading base-10 integer; overflow saturates rather than wrapping.
    const char* p = text;
    bool negative = *p == '-';
    if (*p == '-' || *p == '+') ++p;
    unsigned long long magnitude = 0;
    const unsigned long long cap = 9223372036854775808ull;
    while (is_digit(*p)) {
        unsigned long long next = magnitude * 10 + static_cast<unsigned long long>(*p - '0');
        if (magnitude > cap / 10 || next > cap) {
            magnitude = cap;
            break;
        }
        magnitude = next;
        ++p;
    }
    if (negative) return magnitude == cap ? -9223372036854775807ll - 1 : -static_cast<long long>(magnitude);
    return magnitude >= cap ? 9223372036854775807ll : static_cast<long long>(magnitude);
}

}  // namespace vexa
