// The binary layouts of EXITINFO.BBS as data: which bytes of the record hold
// which od_control field. Reading and write-back both walk these tables.
#ifndef DOORKIT_DROPFILE_EXITINFO_LAYOUT_H
#define DOORKIT_DROPFILE_EXITINFO_LAYOUT_H

#include <cstddef>
#include <cstdint>
#include <span>

#include "doorkit/doorkit.h"

enum class ODExitType : std::uint8_t {
    Number,   // little-endian, `width` bytes in the record
    PString,  // a length byte, then up to `width` characters
    Bytes,    // `width` bytes copied as they are
};

struct ODExitField {
    std::uint16_t offset;       // in the record (or block)
    ODExitType type;
    std::uint8_t width;
    std::uint8_t count;         // elements of an array field, 1 otherwise
    std::size_t member;         // offset of the field in od_control_record
    std::size_t member_size;    // its size in bytes
};

// Record and block sizes.
constexpr std::size_t OD_EXITINFO_BASE_IMAGE = 902;   // room for the medium form
constexpr std::size_t OD_EXITINFO_SHORT = 476;        // base record with the short fields
constexpr std::size_t OD_EXITINFO_MEDIUM = 644;       // what the medium form writes back
constexpr std::size_t OD_EXITINFO_EXTENDED_BLOCK = 1017;
constexpr std::size_t OD_EXITINFO_RA2 = 2363;
constexpr std::size_t OD_EXITINFO_UNUSABLE = 451;     // this size or less: not a record

// Offsets outside the tables.
constexpr std::size_t OD_EXITINFO_TIME_USED = 387;
constexpr std::size_t OD_EXITINFO_TIME_LIMIT = 435;   // the BBS's own time-limit word
constexpr std::size_t OD_EXITINFO_MEDIUM_CHAT = 453;
constexpr std::size_t OD_EXITINFO_MEDIUM_MENU_COUNT = 454;
constexpr std::size_t OD_EXITINFO_MEDIUM_MENU = 455;  // 20 entries of 9 bytes
constexpr std::size_t OD_EXITINFO_MEDIUM_MENU_ROOM = 20;
constexpr std::size_t OD_EXITINFO_MEDIUM_MENU_TOP = 635;
constexpr std::size_t OD_EXITINFO_MEDIUM_HANGUP = 700;
constexpr std::size_t OD_EXITINFO_MEDIUM_RIP = 702;
constexpr std::size_t OD_EXITINFO_RA2_SEX = 1202;
constexpr std::size_t OD_EXITINFO_MENU_ENTRY = 9;     // a length-prefixed 8-character name

extern const std::span<const ODExitField> kExitInfoBaseFields;
extern const std::span<const ODExitField> kExitInfoShortFields;     // short and extended forms
extern const std::span<const ODExitField> kExitInfoExtendedFields;  // offsets within the block
extern const std::span<const ODExitField> kExitInfoRA2Fields;

// Copies the fields from a record image into od_control, and back.
void ODExitInfoLoad(std::span<const ODExitField> fields, const std::uint8_t* image);
void ODExitInfoStore(std::span<const ODExitField> fields, std::uint8_t* image);

// Little-endian access to the images.
std::uint32_t ODExitInfoGet(const std::uint8_t* at, std::size_t width);
void ODExitInfoPut(std::uint8_t* at, std::size_t width, std::uint32_t value);
// A length-prefixed string of at most `chars` characters; too long a length
// byte reads as empty.
void ODExitInfoGetText(const std::uint8_t* at, std::size_t chars, char* dest, std::size_t size);
void ODExitInfoPutText(std::uint8_t* at, std::size_t chars, const char* text, std::size_t size);

#endif
