// The caller's profile file is named from a 64-bit FNV-1a hash of the
// caller identity, so the same caller finds the same survivor every call.
#include <gtest/gtest.h>

#include <string>

#include "game/storage.h"

namespace {

struct HashCase {
    const char* identity;
    const char* path;
};

TEST(ProfilePath, CallerIdentityHashesToItsProfileFile)
{
    const HashCase cases[] = {
        {"abc", "data/profile-e71fa2190541574b.tsv"},
        // The offset basis alone: an identity of no bytes.
        {"", "data/profile-cbf29ce484222325.tsv"},
        // Leading zeros are kept: a hash whose top nibble is zero.
        {"aa", "data/profile-089c4307b54596b7.tsv"},
    };
    for (const HashCase& c : cases) {
        set_profile_path(c.identity);
        EXPECT_EQ(std::string(profile_path), c.path) << c.identity;
    }
}

TEST(ProfilePath, BytesAboveAsciiHashAsUnsigned)
{
    // A signed-char implementation would XOR in 0xff...e9 instead of 0xe9.
    EXPECT_EQ(caller_hash("\xe9"), (0xcbf29ce484222325ULL ^ 0xe9ULL) * 0x100000001b3ULL);
}

}  // namespace
