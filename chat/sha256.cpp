#include "chat/sha256.h"

#include <cstring>

#include "chat/sha256_constants.h"

namespace vexa {

namespace {

std::uint32_t rotr(std::uint32_t x, int n) { return (x >> n) | (x << (32 - n)); }

void put_be32(std::uint8_t* out, std::uint32_t v) {
    out[0] = static_cast<std::uint8_t>(v >> 24);
    out[1] = static_cast<std::uint8_t>(v >> 16);
    out[2] = static_cast<std::uint8_t>(v >> 8);
    out[3] = static_cast<std::uint8_t>(v);
}

}  // namespace

void sha_init(sha_context* context) {
    std::memcpy(context->state, sha_initial, sizeof context->state);
    std::memset(context->buffer, 0, sizeof context->buffer);
    context->buffered = 0;
    context->total = 0;
}

void sha_block(sha_context* context, const std::uint8_t* block) {
    std::uint32_t w[64];
    for (int i = 0; i < 16; ++i) {
        w[i] = (static_cast<std::uint32_t>(block[4 * i]) << 24) |
               (static_cast<std::uint32_t>(block[4 * i + 1]) << 16) |
               (static_cast<std::uint32_t>(block[4 * i + 2]) << 8) |
               static_cast<std::uint32_t>(block[4 * i + 3]);
    }
    for (int i = 16; i < 64; ++i) {
        std::uint32_t s0 = rotr(w[i - 15], 7) ^ rotr(w[i - 15], 18) ^ (w[i - 15] >> 3);
        std::uint32_t s1 = rotr(w[i - 2], 17) ^ rotr(w[i - 2], 19) ^ (w[i - 2] >> 10);
        w[i] = w[i - 16] + s0 + w[i - 7] + s1;
    }
    std::uint32_t a = context->state[0], b = context->state[1], c = context->state[2],
                  d = context->state[3], e = context->state[4], f = context->state[5],
                  g = context->state[6], h = context->state[7];
    for (int i = 0; i < 64; ++i) {
        std::uint32_t t1 = h + (rotr(e, 6) ^ rotr(e, 11) ^ rotr(e, 25)) + ((e & f) ^ (~e & g)) +
                           sha_rounds[i] + w[i];
        std::uint32_t t2 = (rotr(a, 2) ^ rotr(a, 13) ^ rotr(a, 22)) + ((a & b) ^ (a & c) ^ (b & c));
        h = g;
        g = f;
        f = e;
        e = d + t1;
        d = c;
        c = b;
        b = a;
        a = t1 + t2;
    }
    context->state[0] += a;
    context->state[1] += b;
    context->state[2] += c;
    context->state[3] += d;
    context->state[4] += e;
    context->state[5] += f;
    context->state[6] += g;
    context->state[7] += h;
}

void sha_update(sha_context* context, const void* data, std::size_t length) {
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    context->total += length;
    while (length > 0) {
        std::size_t room = sha_block_size - context->buffered;
        std::size_t take = length < room ? length : room;
        std::memcpy(context->buffer + context->buffered, bytes, take);
        context->buffered += take;
        bytes += take;
        length -= take;
        if (context->buffered == sha_block_size) {
            sha_block(context, context->buffer);
            context->buffered = 0;
        }
    }
}

void sha_end(sha_context* context, std::uint8_t* digest) {
    std::uint64_t bits = context->total * 8u;
    std::size_t used = context->buffered;
    context->buffer[used++] = 0x80;
    if (used > sha_block_size - 8) {
        // No room for the length: it goes into one more block.
        std::memset(context->buffer + used, 0, sha_block_size - used);
        sha_block(context, context->buffer);
        used = 0;
    }
    std::memset(context->buffer + used, 0, sha_block_size - 8 - used);
    for (int i = 0; i < 8; ++i)
        context->buffer[sha_block_size - 1 - i] = static_cast<std::uint8_t>(bits >> (8 * i));
    sha_block(context, context->buffer);
    context->buffered = 0;
    for (int i = 0; i < 8; ++i) put_be32(digest + 4 * i, context->state[i]);
}

void sha256(const void* data, std::size_t length, std::uint8_t* digest) {
    sha_context context;
    sha_init(&context);
    sha_update(&context, data, length);
    sha_end(&context, digest);
}

void hex_lower(const std::uint8_t* bytes, std::size_t length, char* hex) {
    static constexpr char digits[] = "0123456789abcdef";
    for (std::size_t i = 0; i < length; ++i) {
        hex[2 * i] = digits[bytes[i] >> 4];
        hex[2 * i + 1] = digits[bytes[i] & 0x0f];
    }
    hex[2 * length] = '\0';
}

void sha256_hex(const void* data, std::size_t length, char* hex) {
    std::uint8_t digest[sha_digest_size];
    sha256(data, length, digest);
    hex_lower(digest, sizeof digest, hex);
}

void hmac_sha256(const void* key, std::size_t key_length, const void* data,
                 std::size_t length, std::uint8_t* mac) {
    std::uint8_t padded[sha_block_size] = {};
    if (key_length > sha_block_size)
        sha256(key, key_length, padded);
    else if (key_length > 0)
        std::memcpy(padded, key, key_length);

    std::uint8_t pad[sha_block_size];
    for (std::size_t i = 0; i < sha_block_size; ++i) pad[i] = padded[i] ^ 0x36;
    std::uint8_t inner[sha_digest_size];
    sha_context context;
    sha_init(&context);
    sha_update(&context, pad, sizeof pad);
    sha_update(&context, data, length);
    sha_end(&context, inner);

    for (std::size_t i = 0; i < sha_block_size; ++i) pad[i] = padded[i] ^ 0x5c;
    sha_init(&context);
    sha_update(&context, pad, sizeof pad);
    sha_update(&context, inner, sizeof inner);
    sha_end(&context, mac);
}

void hmac_sha256_hex(const void* key, std::size_t key_length, const void* data,
                     std::size_t length, char* hex) {
    std::uint8_t mac[sha_digest_size];
    hmac_sha256(key, key_length, data, length, mac);
    hex_lower(mac, sizeof mac, hex);
}

}  // namespace vexa
