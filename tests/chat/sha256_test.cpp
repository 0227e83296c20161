#include "chat/sha256.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string digest_hex(const std::string& message) {
    char hex[vexa::sha_hex_size];
    vexa::sha256_hex(message.data(), message.size(), hex);
    return hex;
}

TEST(Sha256, ReproducesTheStandardVectors) {
    struct Case {
        std::string message;
        const char* digest;
    } cases[] = {
        {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        // 56 bytes: the length no longer fits after the 0x80, so one more block.
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
        {std::string(1000000, 'a'),
         "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
    };
    for (const Case& c : cases) EXPECT_EQ(digest_hex(c.message), c.digest) << c.message.size();
}

TEST(Sha256, FeedingInPiecesGivesTheSameDigestAsAtOnce) {
    std::string message;
    for (int i = 0; i < 300; ++i) message.push_back(static_cast<char>(i * 7));
    for (std::size_t piece : {1u, 3u, 55u, 63u, 64u, 65u, 128u}) {
        vexa::sha_context context;
        vexa::sha_init(&context);
        for (std::size_t at = 0; at < message.size(); at += piece)
            vexa::sha_update(&context, message.data() + at, std::min(piece, message.size() - at));
        std::uint8_t digest[vexa::sha_digest_size];
        vexa::sha_end(&context, digest);
        char hex[vexa::sha_hex_size];
        vexa::hex_lower(digest, sizeof digest, hex);
        EXPECT_EQ(hex, digest_hex(message)) << piece;
    }
}

TEST(HmacSha256, ReproducesTheRfc4231Vectors) {
    const std::string big_key(131, '\xaa');
    std::string counting_key;
    for (int i = 1; i <= 25; ++i) counting_key.push_back(static_cast<char>(i));
    struct Case {
        std::string key, data;
        const char* mac;
    } cases[] = {
        {std::string(20, '\x0b'), "Hi There",
         "b0344c61d8db38535ca8afceaf0bf12b881dc200c9833da726e9376c2e32cff7"},
        {"Jefe", "what do ya want for nothing?",
         "5bdcc146bf60754e6a042426089575c75a003f089d2739839dec58b964ec3843"},
        {std::string(20, '\xaa'), std::string(50, '\xdd'),
         "773ea91e36800e46854db8ebd09181a72959098b3ef8c122d9635514ced565fe"},
        {counting_key, std::string(50, '\xcd'),
         "82558a389a443c0ea4cc819899f2083a85f0faa3e578f8077a2e3ff46729665b"},
        {big_key, "Test Using Larger Than Block-Size Key - Hash Key First",
         "60e431591ee0b67f0d8a26aacbf5b77f8e0bc6213728c5140546040f0ee37f54"},
        {big_key,
         "This is a test using a larger than block-size key and a larger than block-size data."
         " The key needs to be hashed before being used by the HMAC algorithm.",
         "9b09ffa71b942fcb27635fbcd5b0e944bfdc63644f0713938a7f51535c3a35e2"},
    };
    for (const Case& c : cases) {
        char hex[vexa::sha_hex_size];
        vexa::hmac_sha256_hex(c.key.data(), c.key.size(), c.data.data(), c.data.size(), hex);
        EXPECT_STREQ(hex, c.mac) << c.data;
    }
}

}  // namespace
