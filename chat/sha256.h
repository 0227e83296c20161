// SHA-256 (FIPS 180-4) and HMAC-SHA-256 (RFC 2104): the hub signature and
// the caller hash.
#ifndef CHAT_SHA256_H
#define CHAT_SHA256_H

#include <cstddef>
#include <cstdint>

namespace vexa {

inline constexpr std::size_t sha_block_size = 64;
inline constexpr std::size_t sha_digest_size = 32;
inline constexpr std::size_t sha_hex_size = 65;  // 64 digits and the NUL

struct sha_context {
    std::uint32_t state[8];         // chaining words
    std::uint8_t buffer[64];        // bytes of the block being filled
    std::size_t buffered;           // how many bytes of `buffer` are used
    std::uint64_t total;            // message length so far, in bytes
};

// Loads the standard initial chaining words and empties the buffer.
void sha_init(sha_context* context);
// One compression over a 64-byte block; touches only the chaining words.
void sha_block(sha_context* context, const std::uint8_t* block);
// Feeds bytes, compressing each block as it fills.
void sha_update(sha_context* context, const void* data, std::size_t length);
// Pads, compresses the rest and writes the 32-byte digest (big-endian words).
void sha_end(sha_context* context, std::uint8_t* digest);

void sha256(const void* data, std::size_t length, std::uint8_t* digest);
// 64 lower-case hex digits of the SHA-256 of `data`, NUL-terminated.
void sha256_hex(const void* data, std::size_t length, char* hex);

void hmac_sha256(const void* key, std::size_t key_length, const void* data,
                 std::size_t length, std::uint8_t* mac);
// The "X-Vexa-Signature" value: 64 lower-case hex digits, NUL-terminated.
void hmac_sha256_hex(const void* key, std::size_t key_length, const void* data,
                     std::size_t length, char* hex);

// Bytes as lower-case hex ("%02x" each); `hex` holds 2 * length + 1.
void hex_lower(const std::uint8_t* bytes, std::size_t length, char* hex);

}  // namespace vexa

#endif
