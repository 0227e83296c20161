#include "doorkit/transport/cp437.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "doorkit/doorkit.h"
#include "tests/doorkit/transport/fixture.h"

namespace {

using transport_test::B;
using transport_test::Bytes;
using transport_test::RunInChild;

Bytes Translate(const Bytes& in)
{
    long length = static_cast<long>(in.size());
    char* out = ODComCP437ToUnicode(reinterpret_cast<const char*>(in.data()), &length);
    if (out == nullptr)
        return B("<failed>");
    Bytes result(reinterpret_cast<std::uint8_t*>(out), static_cast<std::size_t>(length));
    std::free(out);
    return result;
}

struct TranslateCase {
    const char* name;
    Bytes cp437;
    Bytes utf8;
};

TEST(CP437Translation, GraphicsBecomeUtf8AndControlsPassUnchanged)
{
    const std::vector<TranslateCase> cases = {
        {"light shade", B({0xB0}), B({0xE2, 0x96, 0x91})},
        {"e acute", B({0x82}), B({0xC3, 0xA9})},
        {"no-break space", B({0xFF}), B({0xC2, 0xA0})},
        {"C cedilla", B({0x80}), B({0xC3, 0x87})},
        {"full block", B({0xDB}), B({0xE2, 0x96, 0x88})},
        {"peseta", B({0x9E}), B({0xE2, 0x82, 0xA7})},
        {"identical to", B({0xF0}), B({0xE2, 0x89, 0xA1})},
        {"box corner", B({0xC9}), B({0xE2, 0x95, 0x94})},
        {"escape and line end", B({0x1B, 0x0D, 0x0A}), B({0x1B, 0x0D, 0x0A})},
        {"ANSI sequence", B("\x1b[1;31mX"), B("\x1b[1;31mX")},
        {"AVATAR blinking attribute", B({0x16, 0x01, 0x8F}), B({0x16, 0x01, 0xC3, 0x85})},
        {"NUL kept", B({'a', 0, 'b'}), B({'a', 0, 'b'})},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Translate(c.cp437), c.utf8) << c.name;
}

TEST(CP437Translation, SizeAgreesWithConverterForEveryByte)
{
    Bytes all;
    for (int i = 0; i < 256; ++i) {
        Bytes one = B({i});
        std::size_t size = 0;
        ASSERT_TRUE(ODComCP437ToUnicodeLen(reinterpret_cast<const char*>(one.data()), 1, &size));
        Bytes out = Translate(one);
        EXPECT_EQ(size, out.size()) << "byte " << i;
        EXPECT_EQ(size, i < 0x80 ? 1u : (cp437_unicode_table[i - 0x80] < 0x800 ? 2u : 3u));
        all += one;
    }
    std::size_t total = 0;
    ASSERT_TRUE(ODComCP437ToUnicodeLen(reinterpret_cast<const char*>(all.data()),
                                       static_cast<long>(all.size()), &total));
    Bytes translated = Translate(all);
    EXPECT_EQ(total, translated.size());
    // Telnet escaping relies on translated output never holding IAC.
    EXPECT_EQ(translated.find(0xFF), Bytes::npos);
}

TEST(CP437Translation, EmptyInputGivesAnEmptyAllocation)
{
    long length = 0;
    char* out = ODComCP437ToUnicode("", &length);
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(length, 0);
    std::free(out);
    std::size_t size = 99;
    EXPECT_TRUE(ODComCP437ToUnicodeLen("", 0, &size));
    EXPECT_EQ(size, 0u);
}

TEST(CP437Translation, MissingTextOrNegativeLengthIsRefusedAsLimitError)
{
    std::size_t size = 0;
    EXPECT_FALSE(ODComCP437ToUnicodeLen(nullptr, 1, &size));
    EXPECT_FALSE(ODComCP437ToUnicodeLen("abc", -1, &size));
    RunInChild([] {
        long length = -1;
        od_control.error_code = 0;
        EXPECT_EQ(ODComCP437ToUnicode("abc", &length), nullptr);
        EXPECT_EQ(od_control.error_code, OD_ERR_LIMIT);
        length = 3;
        od_control.error_code = 0;
        EXPECT_EQ(ODComCP437ToUnicode(nullptr, &length), nullptr);
        EXPECT_EQ(od_control.error_code, OD_ERR_LIMIT);
    });
}

}  // namespace
