#include "game/interbbs.h"

#include <cstdio>
#include <cstring>
#include <string_view>

#include "doorkit/core/control.h"
#include "game/score_line.h"

int interbbs_enabled = 0;
char bbs_name[BBS_NAME_SIZE] = "VEXA ONLINE";

namespace {

constexpr std::size_t kConfigReadLimit = 4095;

bool is_gap(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// The sharing switch: the first "enabled" after "score_sharing".
void read_sharing_switch(std::string_view text)
{
    std::size_t at = text.find("\"score_sharing\"");
    if (at == std::string_view::npos)
        return;
    at = text.find("\"enabled\"", at);
    if (at == std::string_view::npos)
        return;
    at = text.find(':', at);
    if (at == std::string_view::npos)
        return;
    ++at;
    while (at < text.size() && is_gap(text[at]))
        ++at;
    interbbs_enabled = text.substr(at, 4) == "true" ? 1 : 0;
}

void read_board_name(std::string_view text)
{
    std::size_t at = text.find("\"bbs_name\"");
    if (at == std::string_view::npos)
        return;
    at = text.find(':', at);
    if (at == std::string_view::npos)
        return;
    std::size_t open = text.find('"', at);
    if (open == std::string_view::npos)
        return;
    std::size_t close = text.find('"', open + 1);
    if (close == std::string_view::npos)
        return;
    std::size_t length = close - open - 1;
    if (length >= 1 && length < BBS_NAME_SIZE) {
        char name[BBS_NAME_SIZE];
        ODCopyField(name, text.substr(open + 1, length));
        // Shown on every screen: no control byte of the file reaches the
        // caller's terminal.
        safe_field(bbs_name, sizeof bbs_name, name, BBS_NAME_SIZE - 1, false);
    }
}

}  // namespace

void apply_config_text(const char* text, std::size_t length)
{
    if (text == nullptr)
        return;
    std::string_view view(text, strnlen(text, length));
    read_sharing_switch(view);
    read_board_name(view);
}

void load_config()
{
    std::FILE* file = std::fopen("grimbo.json", "rbe");
    if (file == nullptr)
        return;
    char text[kConfigReadLimit + 1];
    std::size_t got = std::fread(text, 1, kConfigReadLimit, file);
    std::fclose(file);
    text[got] = '\0';
    apply_config_text(text, got);
}
