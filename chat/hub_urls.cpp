#include "chat/hub_urls.h"

#include <cstdlib>
#include <cstring>

namespace vexa {

int hub_address(const char* variable, const char* from_file, const char* built_in, char* out,
                std::size_t out_size)
{
    if (out == nullptr || out_size == 0)
        return 0;
    const char* chosen = variable != nullptr ? std::getenv(variable) : nullptr;
    if (chosen == nullptr || chosen[0] == '\0')
        chosen = from_file != nullptr ? from_file : built_in;
    const std::size_t length = chosen != nullptr ? std::strlen(chosen) : 0;
    // A cut address would lead somewhere else: refuse it instead.
    if (chosen == nullptr || length >= out_size) {
        out[0] = '\0';
        return 0;
    }
    std::memmove(out, chosen, length + 1);
    return 1;
}

}  // namespace vexa
