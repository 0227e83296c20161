// The key sequences of common terminals, in the order the decoder tries
// them. \033 is ESC.
#include "doorkit/input/key_decoder.h"

namespace {

constexpr std::uint8_t kUp = OD_KEY_UP, kDown = OD_KEY_DOWN, kLeft = OD_KEY_LEFT,
                       kRight = OD_KEY_RIGHT, kHome = OD_KEY_HOME, kEnd = OD_KEY_END,
                       kPgUp = OD_KEY_PGUP, kPgDn = OD_KEY_PGDN, kIns = OD_KEY_INSERT,
                       kDel = OD_KEY_DELETE;

}  // namespace

constexpr ODKeySequence aKeySequences[] = {
    {"\033A", kUp, false},
    {"\033B", kDown, false},
    {"\033C", kRight, false},
    {"\033D", kLeft, false},
    {"\033H", kHome, false},
    {"\033K", kEnd, false},
    {"\033P", OD_KEY_F1, false},
    {"\033Q", OD_KEY_F2, false},
    {"\033?w", OD_KEY_F3, false},
    {"\033?x", OD_KEY_F4, false},
    {"\033?t", OD_KEY_F5, false},
    {"\033?u", OD_KEY_F6, false},
    {"\033?q", OD_KEY_F7, false},
    {"\033?r", OD_KEY_F8, false},
    {"\033?p", OD_KEY_F9, false},
    {"\033[A", kUp, false},
    {"\033[B", kDown, false},
    {"\033[C", kRight, false},
    {"\033[D", kLeft, false},
    {"\033[M", kPgUp, false},
    {"\033[H\033[2J", kPgDn, false},
    {"\033[H", kHome, false},
    {"\033[K", kEnd, false},
    {"\033[F", kEnd, false},
    {"\033OP", OD_KEY_F1, false},
    {"\033OQ", OD_KEY_F2, false},
    {"\033OR", OD_KEY_F3, false},
    {"\033OS", OD_KEY_F4, false},
    {"\033[1~", kHome, false},
    {"\033[2~", kIns, false},
    {"\033[3~", kDel, false},
    {"\033[4~", kEnd, false},
    {"\033[5~", kPgUp, false},
    {"\033[6~", kPgDn, false},
    {"\033[17~", OD_KEY_F6, false},
    {"\033[18~", OD_KEY_F7, false},
    {"\033[19~", OD_KEY_F8, false},
    {"\033[20~", OD_KEY_F9, false},
    {"\033[21~", OD_KEY_F10, false},
    {"\033[23~", OD_KEY_F11, false},
    {"\033[24~", OD_KEY_F12, false},
    {"\033[15~", OD_KEY_F5, false},
    {"\033[11~", OD_KEY_F1, false},
    {"\033[12~", OD_KEY_F2, false},
    {"\033[13~", OD_KEY_F3, false},
    {"\033[14~", OD_KEY_F4, false},
    {"\033[L", kHome, false},
    {"\033Ow", OD_KEY_F3, false},
    {"\033Ox", OD_KEY_F4, false},
    {"\033Ot", OD_KEY_F5, false},
    {"\033Ou", OD_KEY_F6, false},
    {"\033Oq", OD_KEY_F7, false},
    {"\033Or", OD_KEY_F8, false},
    {"\033Op", OD_KEY_F9, false},
    {"\033[V", kPgUp, false},
    {"\033[U", kPgDn, false},
    {"\033OA", kUp, false},
    {"\033OB", kDown, false},
    {"\033OC", kRight, false},
    {"\033OD", kLeft, false},
    {"\033OH", kHome, false},
    {"\033OK", kEnd, false},
    {"\026\t", kIns, true},  // Ctrl-V Tab
    {"\177", kDel, false},   // DEL
    {"\005", kUp, true},     // Ctrl-E
    {"\030", kDown, true},   // Ctrl-X
    {"\023", kLeft, true},   // Ctrl-S
    {"\004", kRight, true},  // Ctrl-D
    {"\007", kDel, true},    // Ctrl-G
    {"\026", kIns, true},    // Ctrl-V
};

namespace {

// Every slot holds a sequence: a missing line would leave an empty entry
// that matches everything.
constexpr bool AllEntriesFilled()
{
    for (const ODKeySequence& entry : aKeySequences) {
        if (entry.bytes.empty() || entry.bytes.size() > kODLongestKeySequence || entry.key == 0)
            return false;
    }
    return true;
}

static_assert(AllEntriesFilled());

}  // namespace
