// Hub replies and settings files come from outside: the reader must accept
// or refuse any bytes without reading past them.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>

#include "chat/json_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // An exact-size copy lets the sanitizer catch any read past the end.
    std::unique_ptr<char[]> text(new (std::nothrow) char[size > 0 ? size : 1]);
    std::unique_ptr<vexa::cj_state> state(new (std::nothrow) vexa::cj_state);
    if (!text || !state) return 0;
    if (size > 0) std::memcpy(text.get(), data, size);
    if (!vexa::cj_parse(state.get(), text.get(), size)) return 0;
    char out[384];
    for (int i = 0; i < state->count; ++i) vexa::cj_decode(state.get(), i, out, sizeof out);
    vexa::cj_get(state.get(), "lines", out, sizeof out);
    vexa::cj_number(state.get(), "cursor");
    return 0;
}
